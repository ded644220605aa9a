#include "SkinImages.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLibraryInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

// Every test leaves the real pack loaded, as the test main set it up.
struct ReloadPack
{
    ~ReloadPack() { CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc")); }
};

} // namespace

TEST(SkinImages, MissingPackGivesEmptyImagesOfSizeZero)
{
    ReloadPack reload;
    QTemporaryDir dir;
    EXPECT_FALSE(CSkinImages::Load(dir.filePath(QStringLiteral("Resource.rcc"))));
    EXPECT_FALSE(CSkinImages::IsLoaded());
    for (int id : {3000, 3100, 3303, 3417, 3500}) {
        EXPECT_TRUE(CSkinImages::Get(id).isNull()) << id;
        EXPECT_EQ(CSkinImages::Width(id), 0) << id;
        EXPECT_EQ(CSkinImages::Height(id), 0) << id;
    }
    EXPECT_TRUE(CSkinImages::Icon(3500).isNull());
}

TEST(SkinImages, UnknownIdIsEmptyEvenWithThePackLoaded)
{
    ASSERT_TRUE(CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc")));
    EXPECT_TRUE(CSkinImages::Get(2999).isNull());
    EXPECT_TRUE(CSkinImages::Get(3149).isNull());
    EXPECT_EQ(CSkinImages::Width(3600), 0);
}

TEST(SkinImages, EveryIdLoadsWithANonZeroSize)
{
    ASSERT_TRUE(CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc")));
    EXPECT_EQ(CSkinImages::AllIds().size(), 28 + 49 + 7 + 22 + 18 + 3);
    for (int id : CSkinImages::AllIds()) {
        EXPECT_GT(CSkinImages::Width(id), 0) << id;
        EXPECT_GT(CSkinImages::Height(id), 0) << id;
    }
}

TEST(SkinImages, MagentaBecomesTransparentAndNothingElseDoes)
{
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(254, 0, 255));
    image.setPixel(2, 0, qRgb(27, 27, 27));
    const QImage keyed = CSkinImages::KeyOutMagenta(image);
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), qRgb(254, 0, 255));
    EXPECT_EQ(keyed.pixel(2, 0), qRgb(27, 27, 27));
}

namespace {

// Builds a small pack with the given pictures, compiled by Qt's own resource compiler.
QString buildPack(const QTemporaryDir &dir, const QMap<int, QImage> &pictures)
{
    QDir root(dir.path());
    root.mkpath(QStringLiteral("skin"));
    QFile qrc(root.filePath(QStringLiteral("pack.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Text))
        return {};
    QTextStream list(&qrc);
    list << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (auto it = pictures.cbegin(); it != pictures.cend(); ++it) {
        const QString name = QStringLiteral("skin/%1.png").arg(it.key());
        it.value().save(root.filePath(name), "PNG");
        list << "    <file>" << name << "</file>\n";
    }
    list << "  </qresource>\n</RCC>\n";
    qrc.close();
    const QString rcc = QDir(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath))
                            .filePath(QStringLiteral("rcc"));
    const QString out = root.filePath(QStringLiteral("Resource.rcc"));
    QProcess process;
    process.start(rcc, {QStringLiteral("--binary"), qrc.fileName(), QStringLiteral("-o"), out});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return out;
}

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(SkinImages, APackWithoutSomeIdsLeavesOnlyThoseEmpty)
{
    ReloadPack reload;
    QTemporaryDir dir;
    QImage strip = filled(QSize(150, 35), QColor(40, 40, 40));
    strip.setPixel(0, 0, qRgb(255, 0, 255));
    const QString pack = buildPack(dir, {{3100, strip}, {3303, filled(QSize(11, 16), Qt::white)}});
    ASSERT_FALSE(pack.isEmpty()) << "rcc failed";

    ASSERT_TRUE(CSkinImages::Load(pack));
    EXPECT_TRUE(CSkinImages::IsLoaded());
    EXPECT_EQ(CSkinImages::Width(3100), 150);
    EXPECT_EQ(CSkinImages::Height(3100), 35);
    EXPECT_EQ(CSkinImages::Width(3303), 11);
    const QImage loaded =
        CSkinImages::Pixmap(3100).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(loaded.pixel(0, 0)), 0);
    EXPECT_EQ(loaded.pixel(1, 0), qRgb(40, 40, 40));
    for (int id : {3000, 3101, 3304, 3500}) {
        EXPECT_TRUE(CSkinImages::Get(id).isNull()) << id;
        EXPECT_EQ(CSkinImages::Width(id), 0) << id;
    }
}

TEST(SkinImages, AFileThatIsNoPackIsRefusedAndLeavesEverythingEmpty)
{
    ReloadPack reload;
    QTemporaryDir dir;
    QFile bogus(dir.filePath(QStringLiteral("Resource.rcc")));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("this is not a resource file");
    bogus.close();
    EXPECT_FALSE(CSkinImages::Load(bogus.fileName()));
    EXPECT_FALSE(CSkinImages::IsLoaded());
    EXPECT_TRUE(CSkinImages::Get(3100).isNull());
}

TEST(SkinImages, WithoutAPathThePackBesideTheProgramIsFound)
{
    ReloadPack reload;
    CSkinImages::Unload();
    EXPECT_TRUE(CSkinImages::Load());
    EXPECT_EQ(CSkinImages::Width(3100), 150);
}

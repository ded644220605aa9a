#include "SkinImages.h"

#include <QImage>
#include <QTemporaryDir>
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

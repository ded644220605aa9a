#include "DataFolder.h"
#include "PlayerInfo.h"
#include "StringTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

QString chooseIn(const QString &appDir, const QString &installed)
{
    return ChooseDataFolder(
        DataFolderCandidates(appDir, QStringLiteral("../share/rx9player"), installed),
        [](const QString &file) { return QFileInfo(file).isFile(); });
}

} // namespace

TEST(DataFolder, CandidatesGoFromTheProgramsFolderToTheInstalledOne)
{
    EXPECT_EQ(DataFolderCandidates(QStringLiteral("/opt/x/bin"),
                                   QStringLiteral("../share/rx9player"),
                                   QStringLiteral("/usr/local/share/rx9player"),
                                   {QStringLiteral("/usr/share/rx9player/"),
                                    QStringLiteral("/opt/x/share/rx9player")}),
              (QStringList{QStringLiteral("/opt/x/bin"), QStringLiteral("/opt/x/share/rx9player"),
                           QStringLiteral("/usr/local/share/rx9player"),
                           QStringLiteral("/usr/share/rx9player")}));
    // Without a known program folder only the installed folder is left.
    EXPECT_EQ(DataFolderCandidates(QString(), QStringLiteral("../share/rx9player"),
                                   QStringLiteral("/usr/share/rx9player")),
              QStringList{QStringLiteral("/usr/share/rx9player")});
}

TEST(DataFolder, BuildTreeInstallTreeAndNothing)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString build = root.filePath(QStringLiteral("build/bin"));
    const QString prefix = root.filePath(QStringLiteral("stage/usr"));
    const QString fixed = root.filePath(QStringLiteral("fixed/share/rx9player"));
    ASSERT_TRUE(QDir().mkpath(build));
    ASSERT_TRUE(QDir().mkpath(prefix + QStringLiteral("/bin")));

    // Nothing anywhere: no data folder.
    EXPECT_EQ(chooseIn(build, fixed), QString());
    EXPECT_EQ(chooseIn(prefix + QStringLiteral("/bin"), fixed), QString());

    // The folder the player was built for serves a program anywhere.
    ASSERT_TRUE(touch(fixed + QStringLiteral("/Resource.rcc")));
    EXPECT_EQ(chooseIn(build, fixed), fixed);

    // An installed tree (under a DESTDIR, say) is found from the program's own place first.
    ASSERT_TRUE(touch(prefix + QStringLiteral("/share/rx9player/Resource.rcc")));
    EXPECT_EQ(chooseIn(prefix + QStringLiteral("/bin"), fixed),
              prefix + QStringLiteral("/share/rx9player"));

    // The build tree: the pack beside the program wins.
    ASSERT_TRUE(touch(build + QStringLiteral("/Resource.rcc")));
    EXPECT_EQ(chooseIn(build, fixed), build);

    // A folder of that name is no pack.
    const QString other = root.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other + QStringLiteral("/Resource.rcc")));
    EXPECT_EQ(ChooseDataFolder({other}, [](const QString &f) { return QFileInfo(f).isFile(); }),
              QString());
}

TEST(DataFolder, ThisBuildFindsItsOwnFolder)
{
    // The test programs live beside the skin pack and the map page of the build.
    EXPECT_EQ(PlayerDataFolder(), QDir::cleanPath(QStringLiteral(RX9_BIN_DIR)));
    EXPECT_EQ(PlayerDataFolderCandidates().value(0), QDir::cleanPath(QStringLiteral(RX9_BIN_DIR)));
    EXPECT_EQ(PlayerHelperFolders().value(0), QDir::cleanPath(QStringLiteral(RX9_BIN_DIR)));
    EXPECT_EQ(PlayerHelperFolders().size(), 3);
}

TEST(PlayerVersion, TheCardNoticeShowsTheVersionOfTheBuild)
{
    // String 289 is the viewer version of the card notice; it must follow the project's
    // version, or the notice and the about box would disagree.
    EXPECT_EQ(PlayerVersion(), QStringLiteral(RX9_VERSION));
    EXPECT_EQ(LoadResString(289), PlayerVersion());
    EXPECT_EQ(PlayerAppId(), QStringLiteral(RX9_APP_ID));
}

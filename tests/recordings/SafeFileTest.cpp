#include "SafeFile.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"

#include "RecordingsTestUtil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class SafeFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString card() const { return dir.path() + QStringLiteral("/card"); }
    QString outside() const { return dir.path() + QStringLiteral("/home/.bashrc"); }
    void SetUp() override
    {
        ASSERT_TRUE(WriteTestFile(card() + QStringLiteral("/rec_1.avi"), "clip"));
        ASSERT_TRUE(WriteTestFile(outside(), "private"));
    }
    bool Link(const QString &target, const QString &name)
    {
        return QFile::link(target, card() + QLatin1Char('/') + name);
    }
    bool Fifo(const QString &name)
    {
        return ::mkfifo(QFile::encodeName(card() + QLatin1Char('/') + name).constData(), 0666) == 0;
    }
};

} // namespace

TEST_F(SafeFiles, OnlyRegularFilesOnTheCardOpenAndNothingBlocks)
{
    ASSERT_TRUE(Link(outside(), QStringLiteral("rec_1.dat")));
    ASSERT_TRUE(Fifo(QStringLiteral("rec_2.dat")));
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/home/Setup")));
    ASSERT_TRUE(WriteTestFile(dir.path() + QStringLiteral("/home/Setup/setup.bin"), "x"));
    ASSERT_TRUE(Link(dir.path() + QStringLiteral("/home/Setup"), QStringLiteral("Setup")));

    struct stat status;
    EXPECT_TRUE(OpenFileBelow(card(), QStringLiteral("rec_1.avi"), O_RDONLY, &status).IsValid());
    EXPECT_EQ(status.st_size, 4);
    for (const QString &name : {QStringLiteral("rec_1.dat"), QStringLiteral("rec_2.dat"),
                                QStringLiteral("Setup/setup.bin"), QStringLiteral("../card/x"),
                                QStringLiteral("Setup")}) {
        EXPECT_FALSE(OpenFileBelow(card(), name, O_RDWR).IsValid()) << name.toStdString();
        if (!name.contains(QLatin1Char('/'))) { // a path's own folder is its root
            EXPECT_FALSE(OpenRegularFile(card() + QLatin1Char('/') + name).IsValid());
        }
    }
    EXPECT_FALSE(OpenFolderBelow(card(), QStringLiteral("Setup")).IsValid());
    EXPECT_FALSE(IsPlainFile(card() + QStringLiteral("/rec_1.dat")));
    EXPECT_TRUE(IsPlainFile(card() + QStringLiteral("/rec_1.avi")));

    QFile file;
    EXPECT_FALSE(OpenFileForReading(file, card() + QStringLiteral("/rec_2.dat")));
    EXPECT_FALSE(IsAviFile(card() + QStringLiteral("/rec_2.dat")));
}

TEST_F(SafeFiles, RenamesNeverReplaceWhicheverWayTheFileSystemAllows)
{
    const CFileDescriptor folder = OpenFolderBelow(card(), QString());
    ASSERT_TRUE(folder.IsValid());
    for (const NoReplaceWay way :
         {NoReplaceWay::Rename, NoReplaceWay::Link, NoReplaceWay::Placeholder}) {
        ASSERT_TRUE(WriteTestFile(card() + QStringLiteral("/.new"), "new"));
        EXPECT_FALSE(RenameNoReplace(folder.Get(), ".new", "rec_1.avi", way));
        EXPECT_EQ(errno, EEXIST);
        EXPECT_EQ(ReadTestFile(card() + QStringLiteral("/rec_1.avi")), QByteArray("clip"));
        // A dangling link under the name counts as taken, too.
        ASSERT_TRUE(Link(dir.path() + QStringLiteral("/nowhere"), QStringLiteral("dangling")));
        EXPECT_FALSE(RenameNoReplace(folder.Get(), ".new", "dangling", way));
        EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/nowhere")));
        ASSERT_TRUE(QFile::remove(card() + QStringLiteral("/dangling")));

        EXPECT_TRUE(RenameNoReplace(folder.Get(), ".new", "free", way));
        EXPECT_EQ(ReadTestFile(card() + QStringLiteral("/free")), QByteArray("new"));
        EXPECT_FALSE(QFileInfo::exists(card() + QStringLiteral("/.new")));
        ASSERT_TRUE(QFile::remove(card() + QStringLiteral("/free")));
    }

    EXPECT_EQ(NumberedFileName(QStringLiteral("rec_1.avi"), 2), QStringLiteral("rec_1 (2).avi"));
    EXPECT_EQ(NumberedFileName(QStringLiteral("a_12.3.png"), 3), QStringLiteral("a_12.3 (3).png"));
    EXPECT_EQ(NumberedFileName(QStringLiteral("plain"), 2), QStringLiteral("plain (2)"));
    EXPECT_EQ(NumberedFileName(QStringLiteral("rec_1.avi"), 1), QStringLiteral("rec_1.avi"));
}

TEST_F(SafeFiles, CopiesOntoAndOffTheCardNeverWriteThroughALink)
{
    const QString settings = card() + QStringLiteral("/Setup/setup.bin");
    const QString backup = dir.path() + QStringLiteral("/Desktop/HD-VANTORA/Setup/setup.bin");
    ASSERT_TRUE(WriteTestFile(settings, "settings"));
    // A temporary name planted as a link to a file of the user.
    ASSERT_TRUE(Link(outside(), QStringLiteral("Setup/.setup.bin.part")));
    ASSERT_TRUE(CopyFileFromCard(card(), settings, backup));
    ASSERT_TRUE(CopyFileOntoCard(backup, card(), settings));
    EXPECT_EQ(ReadTestFile(outside()), QByteArray("private"));
    EXPECT_EQ(ReadTestFile(settings), QByteArray("settings"));
    EXPECT_FALSE(QFileInfo(settings).isSymLink());

    // The card's file a link to the user's file: not read.
    ASSERT_TRUE(QFile::remove(settings));
    ASSERT_TRUE(Link(outside(), QStringLiteral("Setup/setup.bin")));
    EXPECT_FALSE(CopyFileFromCard(card(), settings, backup + QStringLiteral("2")));
    EXPECT_FALSE(QFileInfo::exists(backup + QStringLiteral("2")));
    // The card's file replaced, the link itself, never the user's file behind it.
    ASSERT_TRUE(CopyFileOntoCard(backup, card(), settings));
    EXPECT_EQ(ReadTestFile(outside()), QByteArray("private"));
    EXPECT_FALSE(QFileInfo(settings).isSymLink());

    // The card's folder a link out of the card: nothing written there.
    ASSERT_TRUE(QDir(card() + QStringLiteral("/Setup")).removeRecursively());
    ASSERT_TRUE(Link(dir.path() + QStringLiteral("/home"), QStringLiteral("Setup")));
    EXPECT_FALSE(CopyFileOntoCard(backup, card(), settings));
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/home")).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral(".bashrc")});
}

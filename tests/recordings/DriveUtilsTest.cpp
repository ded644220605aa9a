#include "AviHeader.h"
#include "DriveUtils.h"

#include "RecordingsTestUtil.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void putLe32(QByteArray &data, int at, quint32 value)
{
    qToLittleEndian<quint32>(value, data.data() + at);
}

// The start of an AVI file as cameras write it: RIFF header, "LIST" "hdrl", "avih" and its main
// header; `junkBefore` puts a JUNK chunk of that many bytes in front of the header list.
QByteArray aviHead(int width, int height, quint32 riffSize = 100000, int junkBefore = 0,
                   int totalSize = 512)
{
    QByteArray data("RIFF....AVI ");
    putLe32(data, 4, riffSize);
    if (junkBefore > 0) {
        QByteArray junk("JUNK....");
        putLe32(junk, 4, quint32(junkBefore));
        data += junk + QByteArray(junkBefore, '\0');
    }
    QByteArray list("LIST....hdrlavih....");
    putLe32(list, 4, 200);
    putLe32(list, 16, 56);
    QByteArray header(56, '\0');
    putLe32(header, 0, 33367); // 29.97 pictures a second
    putLe32(header, 32, quint32(width));
    putLe32(header, 36, quint32(height));
    data += list + header;
    if (data.size() < totalSize)
        data += QByteArray(totalSize - data.size(), '\x55');
    return data;
}

} // namespace

TEST(SizeTexts, BytesKilobytesMegabytesGigabytes)
{
    EXPECT_EQ(FormatSize(0), QStringLiteral("0바이트"));
    EXPECT_EQ(FormatSize(512), QStringLiteral("512바이트"));
    EXPECT_EQ(FormatSize(1023), QStringLiteral("1,023바이트"));
    EXPECT_EQ(FormatSize(1024), QStringLiteral("1.00KB"));
    EXPECT_EQ(FormatSize(1536), QStringLiteral("1.50KB"));
    EXPECT_EQ(FormatSize(1048575), QStringLiteral("1024.00KB"));
    EXPECT_EQ(FormatSize(1048576), QStringLiteral("1.00MB"));
    EXPECT_EQ(FormatSize(1572864), QStringLiteral("1.50MB"));
    EXPECT_EQ(FormatSize(1073741824), QStringLiteral("1.00GB"));
    EXPECT_EQ(FormatSize(Q_INT64_C(4294967296)), QStringLiteral("4.00GB"));
    EXPECT_EQ(FormatSize(Q_INT64_C(3994319585280)), QStringLiteral("3720.00GB"));
    // A failed query never shows as a huge unsigned number.
    EXPECT_EQ(FormatSize(-1), QStringLiteral("0바이트"));
}

TEST(SizeTexts, ByteCountGroupsDigitsInThrees)
{
    EXPECT_EQ(FormatByteCount(0), QStringLiteral("0바이트"));
    EXPECT_EQ(FormatByteCount(999), QStringLiteral("999바이트"));
    EXPECT_EQ(FormatByteCount(1000), QStringLiteral("1,000바이트"));
    EXPECT_EQ(FormatByteCount(1234567), QStringLiteral("1,234,567바이트"));
    EXPECT_EQ(FormatByteCount(Q_UINT64_C(18446744073709551615)),
              QStringLiteral("18,446,744,073,709,551,615바이트"));
}

TEST(PathHelpers, TrailingSeparatorAndDriveRoot)
{
    const struct
    {
        const char *in;
        const char *out;
    } cases[] = {{"/media/a//", "/media/a/"},
                 {"/media/a", "/media/a/"},
                 {"/media/a/", "/media/a/"},
                 {"", ""},
                 {"/", "/"},
                 {"//", "/"}};
    for (const auto &c : cases) {
        QString path = QString::fromLatin1(c.in);
        EnsureTrailingBackslash(path);
        EXPECT_EQ(path, QLatin1String(c.out)) << c.in;
    }
    EXPECT_EQ(DriveRoot(QStringLiteral("/media/CAM")), QStringLiteral("/media/CAM/"));
}

TEST(PathHelpers, ExtensionOfTheLastComponentOnly)
{
    EXPECT_EQ(PathExtension(QStringLiteral("/card/evt_1.avi")), QStringLiteral(".avi"));
    EXPECT_EQ(PathExtension(QStringLiteral("/card/evt_1.AVI")), QStringLiteral(".AVI"));
    EXPECT_EQ(PathExtension(QStringLiteral("/a/b.tar.gz")), QStringLiteral(".gz"));
    EXPECT_EQ(PathExtension(QStringLiteral("/trip.avi/rec_1")), QString());
    EXPECT_EQ(PathExtension(QStringLiteral("rec_1")), QString());
    EXPECT_EQ(PathExtension(QStringLiteral("/a/.hidden")), QStringLiteral(".hidden"));
    EXPECT_EQ(PathExtension(QStringLiteral("/a/name.")), QStringLiteral("."));
}

TEST(AviChecks, HeaderFieldsDecideWhatIsAnAviFile)
{
    QTemporaryDir dir;
    const auto file = [&dir](const char *name, const QByteArray &data) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(WriteTestFile(path, data));
        return path;
    };
    EXPECT_TRUE(IsAviFile(file("good.avi", aviHead(640, 480))));
    EXPECT_TRUE(IsAviFile(file("twelve.avi", QByteArray("RIFF\x01\0\0\0AVI ", 12))));
    EXPECT_FALSE(IsAviFile(file("zero.avi", aviHead(640, 480, 0))));
    EXPECT_FALSE(IsAviFile(file("eleven.avi", QByteArray("RIFF\x01\0\0\0AVI", 11))));
    EXPECT_FALSE(IsAviFile(file("empty.avi", QByteArray())));
    EXPECT_FALSE(IsAviFile(file("wave.avi", QByteArray("RIFF\x01\0\0\0WAVEfmt ", 16))));
    EXPECT_FALSE(IsAviFile(file("avix.avi", QByteArray("RIFF\x01\0\0\0AVIX", 12))));
    EXPECT_FALSE(IsAviFile(file("text.avi", QByteArray(600, 'x'))));
    EXPECT_FALSE(IsAviFile(dir.filePath(QStringLiteral("missing.avi"))));
    EXPECT_FALSE(IsAviFile(dir.path()));
}

TEST(AviChecks, FrameSizeFromTheMainHeader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.avi"));

    int width = -1, height = -1;
    ASSERT_TRUE(WriteTestFile(path, aviHead(1920, 1080)));
    EXPECT_TRUE(ReadAviFrameSize(path, width, height));
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1080);

    // A JUNK chunk before the header list moves the main header.
    ASSERT_TRUE(WriteTestFile(path, aviHead(1280, 720, 100000, 20)));
    EXPECT_TRUE(ReadAviFrameSize(path, width, height));
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    EXPECT_EQ(ReadAviFrameInterval(path), 33367u);

    // Exactly 70 bytes hold both fields.
    ASSERT_TRUE(WriteTestFile(path, aviHead(320, 240).left(70)));
    EXPECT_TRUE(ReadAviFrameSize(path, width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
}

TEST(AviChecks, TruncatedOrMissingFilesLeaveTheSizeUntouched)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.avi"));
    ASSERT_TRUE(WriteTestFile(path, aviHead(1920, 1080).left(69)));
    int width = 7, height = 8;
    EXPECT_FALSE(ReadAviFrameSize(path, width, height));
    EXPECT_FALSE(ReadAviFrameSize(dir.filePath(QStringLiteral("none.avi")), width, height));
    EXPECT_FALSE(ReadAviFrameSize(dir.path(), width, height));
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 8);
    EXPECT_EQ(ReadAviFrameInterval(path), 0u);
    EXPECT_EQ(ReadAviFrameInterval(dir.filePath(QStringLiteral("none.avi"))), 0u);
    // A header that does not say is no interval either.
    QByteArray silent = aviHead(1920, 1080);
    silent.replace(32, 4, QByteArray(4, '\0'));
    ASSERT_TRUE(WriteTestFile(path, silent));
    EXPECT_EQ(ReadAviFrameInterval(path), 0u);
}

TEST(AviChecks, FrameCountOnlyWhenTheHeaderSaysItTwice)
{
    // The main header's frame count, then the stream headers (sound first, then video).
    const auto head = [](quint32 total, quint32 videoLength, bool withVideo = true) {
        QByteArray data = aviHead(640, 480);
        putLe32(data, 32 + 16, total);
        const auto stream = [&](const char *type, quint32 length) {
            QByteArray strh("strh....");
            putLe32(strh, 4, 56);
            QByteArray fields(56, '\0');
            fields.replace(0, 4, type);
            putLe32(fields, 32, length);
            return QByteArray("LIST....strl") + strh + fields;
        };
        data = data.left(32 + 56) + stream("auds", 999) +
               (withVideo ? stream("vids", videoLength) : QByteArray());
        return data;
    };
    quint32 frames = 7;
    EXPECT_TRUE(AviVideoFrameCountFromHeader(head(1800, 1800), frames));
    EXPECT_EQ(frames, 1800u);
    frames = 7;
    EXPECT_FALSE(AviVideoFrameCountFromHeader(head(1800, 1799), frames));
    EXPECT_FALSE(AviVideoFrameCountFromHeader(head(0, 0), frames));
    EXPECT_FALSE(AviVideoFrameCountFromHeader(head(999, 999, false), frames));
    const QByteArray whole = head(30, 30);
    EXPECT_FALSE(AviVideoFrameCountFromHeader(whole.left(whole.size() - 21), frames));
    EXPECT_EQ(frames, 7u);
}

TEST(AviChecks, ClipWrittenByARealEncoder)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    ASSERT_FALSE(ffmpeg.isEmpty()) << "ffmpeg is not installed (scripts/deps installs it)";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec_20110523_142233.avi"));
    QProcess process;
    process.start(ffmpeg,
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                   QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("testsrc=size=352x288:rate=10"), QStringLiteral("-t"),
                   QStringLiteral("0.3"), QStringLiteral("-c:v"), QStringLiteral("mjpeg"), path});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    EXPECT_TRUE(IsAviFile(path));
    int width = 0, height = 0;
    EXPECT_TRUE(ReadAviFrameSize(path, width, height));
    EXPECT_EQ(width, 352);
    EXPECT_EQ(height, 288);
    EXPECT_EQ(ReadAviFrameInterval(path), 100000u);
    EXPECT_EQ(ReadAviVideoFrameCount(path), 3u);
}

TEST(FileHelpers, CopyCreatesMissingFoldersAndReplacesOldCopies)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("card/evt_1.avi"));
    ASSERT_TRUE(WriteTestFile(source, "first"));
    const QString target =
        dir.filePath(QStringLiteral("Desktop/HD-VANTORA/20110523_1422/evt_1.avi"));

    EXPECT_TRUE(CopyFileInto(source, target));
    EXPECT_EQ(ReadTestFile(target), QByteArray("first"));

    ASSERT_TRUE(WriteTestFile(source, "second, longer"));
    EXPECT_TRUE(CopyFileInto(source, target));
    EXPECT_EQ(ReadTestFile(target), QByteArray("second, longer"));
    // Nothing but the copy is left in the folder.
    EXPECT_EQ(QDir(QFileInfo(target).path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("evt_1.avi")});

    // Copying a file onto itself keeps it.
    EXPECT_TRUE(CopyFileInto(target, target));
    EXPECT_EQ(ReadTestFile(target), QByteArray("second, longer"));
}

TEST(FileHelpers, FailedCopiesKeepTheOldDestination)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out/evt_1.avi"));
    ASSERT_TRUE(WriteTestFile(target, "old"));

    // A vanished source.
    EXPECT_FALSE(CopyFileInto(dir.filePath(QStringLiteral("gone.avi")), target));
    EXPECT_EQ(ReadTestFile(target), QByteArray("old"));
    // A folder as the source.
    EXPECT_FALSE(CopyFileInto(dir.path(), target));
    EXPECT_EQ(ReadTestFile(target), QByteArray("old"));

    // The destination's folder is a file: it cannot be created.
    const QString source = dir.filePath(QStringLiteral("evt_2.avi"));
    ASSERT_TRUE(WriteTestFile(source, "data"));
    EXPECT_FALSE(CopyFileInto(source, target + QStringLiteral("/evt_2.avi")));
    EXPECT_EQ(ReadTestFile(target), QByteArray("old"));

    if (geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(CopyFileInto(source, locked + QStringLiteral("/evt_2.avi")));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(FileHelpers, ExistenceAndDeletion)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rec_1.dat"));
    ASSERT_TRUE(WriteTestFile(file, "x"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(QString()));

    EXPECT_FALSE(DeleteFileAt(dir.path()));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_TRUE(DeleteFileAt(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DeleteFileAt(file));
    EXPECT_FALSE(DeleteFileAt(QString()));
}

TEST(DriveHelpers, DiskSpaceOfAFolderAndOfNothing)
{
    QTemporaryDir dir;
    qint64 total = -1, free = -1, used = -1;
    GetDiskSpace(dir.path(), total, free, used);
    EXPECT_GT(total, 0);
    EXPECT_GE(free, 0);
    EXPECT_LE(free, total);
    EXPECT_EQ(used, total - free);

    total = 11, free = 12, used = 13;
    GetDiskSpace(dir.filePath(QStringLiteral("missing")), total, free, used);
    EXPECT_EQ(total, 11);
    EXPECT_EQ(free, 12);
    EXPECT_EQ(used, 13);
}

TEST(DriveHelpers, DisplayNameIsLabelAndDeviceOrTheFolderName)
{
    EXPECT_EQ(VolumeDisplayName(QStringLiteral("CAM"), QStringLiteral("/dev/sdb1"),
                                QStringLiteral("/media/u/CAM")),
              QStringLiteral("CAM (sdb1)"));
    EXPECT_EQ(VolumeDisplayName(QString(), QStringLiteral("/dev/sdb1"),
                                QStringLiteral("/media/u/1234-ABCD/")),
              QStringLiteral("1234-ABCD"));
    EXPECT_EQ(VolumeDisplayName(QString(), QString(), QStringLiteral("/")), QStringLiteral("/"));

    // A folder that is no mount point shows its own name.
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("SD 카드"));
    ASSERT_TRUE(QDir().mkpath(card));
    EXPECT_EQ(GetVolumeDisplayName(card), QStringLiteral("SD 카드"));
    EXPECT_EQ(GetVolumeDisplayName(card + QLatin1Char('/')), QStringLiteral("SD 카드"));
    EXPECT_FALSE(GetVolumeDisplayName(QStringLiteral("/")).isEmpty());
}

TEST(DriveHelpers, DesktopPathHasNoTrailingSeparator)
{
    const QString desktop = GetDesktopPath();
    EXPECT_FALSE(desktop.isEmpty());
    EXPECT_TRUE(desktop == QLatin1String("/") || !desktop.endsWith(QLatin1Char('/')));
}

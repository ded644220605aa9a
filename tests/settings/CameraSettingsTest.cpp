#include "CameraSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray Sequence(int count, int first = 0)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(static_cast<char>(first + i));
    return out;
}

void WriteRaw(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadRaw(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

class CameraSettingsFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return CameraSettingsPath(dir.path() + u'/'); }
};

} // namespace

TEST(CameraSettingsRecord, FieldsLieAtTheirFileOffsets)
{
    const CameraSettings r = CameraSettingsFromBytes(Sequence(18, 100));
    EXPECT_EQ(r.fwMajor, 100);
    EXPECT_EQ(r.fwMinor, 101);
    EXPECT_EQ(r.frameRate, 102);
    EXPECT_EQ(r.timeZone, 103);
    EXPECT_EQ(r.reserved4, 104);
    EXPECT_EQ(r.driveShockSensitivity, 105);
    EXPECT_EQ(r.parkingMode, 106);
    EXPECT_EQ(r.quality, 107);
    EXPECT_EQ(r.parkShockSensitivity, 108);
    EXPECT_EQ(r.brightness, 109);
    EXPECT_EQ(r.reserved10, 110);
    EXPECT_EQ(r.motionSensitivity, 111);
    EXPECT_EQ(r.shockAlarm, 112);
    EXPECT_EQ(r.deletionMethod, 113);
    EXPECT_EQ(r.ratioNormal, 114);
    EXPECT_EQ(r.ratioEvent, 115);
    EXPECT_EQ(r.ratioParking, 116);
    EXPECT_EQ(r.speedDisplay, 117);
    EXPECT_EQ(CameraSettingsToBytes(r), Sequence(18, 100));
}

TEST(CameraSettingsRecord, PathIsBelowTheRootOrRelative)
{
    EXPECT_EQ(CameraSettingsPath(QStringLiteral("/media/CAM/")),
              QStringLiteral("/media/CAM/Setup/setup.bin"));
    EXPECT_EQ(CameraSettingsPath(QString()), QStringLiteral("Setup/setup.bin"));
}

TEST_F(CameraSettingsFile, SaveWritesTheRecordInPlaceAndKeepsTheRest)
{
    WriteRaw(path(), Sequence(30));
    CameraSettings r;
    ASSERT_TRUE(LoadCameraSettings(path(), r));
    EXPECT_EQ(CameraSettingsToBytes(r), Sequence(18));

    r.quality = 2;
    r.timeZone = 76;
    r.speedDisplay = 1;
    ASSERT_TRUE(SaveCameraSettings(path(), r));

    const QByteArray after = ReadRaw(path());
    ASSERT_EQ(after.size(), 30); // never truncated
    EXPECT_EQ(after.left(18), CameraSettingsToBytes(r));
    EXPECT_EQ(after.mid(18), Sequence(30).mid(18));

    CameraSettings again;
    ASSERT_TRUE(LoadCameraSettings(path(), again));
    EXPECT_EQ(again, r);
}

TEST_F(CameraSettingsFile, MissingFileIsNotLoadedAndNeverCreated)
{
    CameraSettings r = CameraSettingsFromBytes(Sequence(18, 1));
    const CameraSettings before = r;
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_EQ(r, before);
    EXPECT_FALSE(SaveCameraSettings(path(), r));
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_FALSE(QDir(dir.path() + QStringLiteral("/Setup")).exists());

    // A folder in the file's place is no settings file either.
    QDir().mkpath(path());
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_FALSE(SaveCameraSettings(path(), r));
}

TEST_F(CameraSettingsFile, ReadOnlyFileIsNotLoadedAndNotWritten)
{
    WriteRaw(path(), Sequence(18));
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ReadOther));
    CameraSettings r;
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_EQ(r, CameraSettings());
    EXPECT_FALSE(SaveCameraSettings(path(), CameraSettingsFromBytes(Sequence(18, 50))));
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadRaw(path()), Sequence(18));
}

#ifdef Q_OS_UNIX
TEST_F(CameraSettingsFile, WriteCutShortAfterOpeningIsAFailure)
{
    WriteRaw(path(), Bytes({1, 12, 0}));
    // Let the process write no file past 10 bytes: the record's write stops half way.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveCameraSettings(path(), CameraSettingsFromBytes(Sequence(18, 40)));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
}
#endif

TEST_F(CameraSettingsFile, LinksAndFifosAreNeitherReadNorWritten)
{
    WriteRaw(path(), Sequence(18));
    CameraSettings r;
    ASSERT_TRUE(LoadCameraSettings(path(), r));
    // Between loading and saving, the file becomes a link to a file of the user.
    const QString outside = dir.path() + QStringLiteral("/home/notes");
    WriteRaw(outside, Sequence(18, 60));
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QFile::link(outside, path()));
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_FALSE(SaveCameraSettings(path(), CameraSettingsFromBytes(Sequence(18, 1))));
    // The folder "Setup" a link to a folder of the user holding a "setup.bin".
    const QString home = dir.path() + QStringLiteral("/home");
    WriteRaw(home + QStringLiteral("/setup.bin"), Sequence(18, 70));
    ASSERT_TRUE(QDir(dir.path() + QStringLiteral("/Setup")).removeRecursively());
    ASSERT_TRUE(QFile::link(home, dir.path() + QStringLiteral("/Setup")));
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_FALSE(SaveCameraSettings(path(), CameraSettingsFromBytes(Sequence(18, 1))));
    EXPECT_EQ(ReadRaw(outside), Sequence(18, 60));
    EXPECT_EQ(ReadRaw(home + QStringLiteral("/setup.bin")), Sequence(18, 70));
    // A FIFO in the file's place: refused at once.
    ASSERT_TRUE(QFile::remove(dir.path() + QStringLiteral("/Setup")));
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/Setup")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0666), 0);
    EXPECT_FALSE(LoadCameraSettings(path(), r));
    EXPECT_FALSE(SaveCameraSettings(path(), r));
}

TEST_F(CameraSettingsFile, ShortFileReadsAsZeroFilled)
{
    WriteRaw(path(), Bytes({1, 12, 1, 91, 5}));
    CameraSettings r = CameraSettingsFromBytes(Sequence(18, 200));
    ASSERT_TRUE(LoadCameraSettings(path(), r));
    EXPECT_EQ(CameraSettingsToBytes(r),
              Bytes({1, 12, 1, 91, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Saving fills the file up to the whole record.
    ASSERT_TRUE(SaveCameraSettings(path(), r));
    EXPECT_EQ(ReadRaw(path()), CameraSettingsToBytes(r));
}

TEST_F(CameraSettingsFile, RelativePathIsTakenFromTheCurrentFolder)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    WriteRaw(QStringLiteral("Setup/setup.bin"), Sequence(18, 3));
    CameraSettings r;
    const bool loaded = LoadCameraSettings(CameraSettingsPath(QString()), r);
    QDir::setCurrent(previous);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(r.fwMajor, 3);
}

TEST_F(CameraSettingsFile, CreateMakesTheSetupFolderAndExactlyTheRecord)
{
    CameraSettings r;
    r.fwMajor = 1;
    r.fwMinor = 12;
    r.deletionMethod = 1;
    ASSERT_TRUE(CreateCameraSettingsFile(path(), r));
    EXPECT_EQ(ReadRaw(path()), CameraSettingsToBytes(r));
    CameraSettings loaded;
    ASSERT_TRUE(LoadCameraSettings(path(), loaded));
    EXPECT_EQ(loaded, r);
}

TEST(CameraSettingsRepair, OutOfRangeCodesGetTheirRepairValues)
{
    CameraSettings r;
    r.timeZone = 91;
    r.deletionMethod = 7;
    r.parkingMode = 9;
    r.reserved4 = 0xAB;
    r.reserved10 = 0xCD;
    const CameraSettings n = NormalizeCameraSettings(r);
    EXPECT_EQ(n.timeZone, 76);
    EXPECT_EQ(n.deletionMethod, 1);
    EXPECT_EQ(n.parkingMode, 2);
    EXPECT_EQ(n.reserved4, 0xAB);
    EXPECT_EQ(n.reserved10, 0xCD);
}

TEST(CameraSettingsRepair, EveryFieldAt255)
{
    const CameraSettings n =
        NormalizeCameraSettings(CameraSettingsFromBytes(QByteArray(18, '\xff')));
    // fwMajor fwMinor frameRate timeZone r4 driveShock parking quality parkShock brightness r10
    // motion alarm deletion ratios(3) speedDisplay
    EXPECT_EQ(CameraSettingsToBytes(n),
              Bytes({255, 255, 0, 76, 255, 2, 2, 0, 1, 0, 255, 1, 1, 1, 255, 255, 255, 0}));
}

TEST(CameraSettingsRepair, HighestValidCodesAreKept)
{
    const QByteArray valid = Bytes({9, 99, 1, 90, 7, 3, 2, 2, 2, 1, 8, 2, 1, 1, 40, 30, 30, 1});
    EXPECT_EQ(CameraSettingsToBytes(NormalizeCameraSettings(CameraSettingsFromBytes(valid))),
              valid);
    const QByteArray zeros(18, '\0');
    EXPECT_EQ(CameraSettingsToBytes(NormalizeCameraSettings(CameraSettingsFromBytes(zeros))),
              zeros);
}

TEST(CardInfo, ShowsFirmwareViewerVersionAndDeletionMethod)
{
    CameraSettings r;
    r.fwMajor = 1;
    r.fwMinor = 12;
    r.deletionMethod = 1;
    EXPECT_EQ(CardInfoText(r), QStringLiteral("FW Version :1.12\nViewer Version 1.0.0\n"
                                              "File Deletion Method : Deletion by Time Order"));
    r.deletionMethod = 7; // not repaired here: anything but 0 is time order
    EXPECT_TRUE(CardInfoText(r).endsWith(QStringLiteral(": Deletion by Time Order")));
    r.deletionMethod = 0;
    r.fwMajor = 2;
    r.fwMinor = 3;
    EXPECT_EQ(CardInfoText(r), QStringLiteral("FW Version :2.3\nViewer Version 1.0.0\n"
                                              "File Deletion Method : Deletion by File Type"));
}

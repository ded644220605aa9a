#include "DataParser.h"
#include "DataParserCore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Builds drive-data files byte by byte, independently of the parser.
struct DriveDataBytes
{
    QByteArray bytes;

    void Le32(std::uint32_t v)
    {
        unsigned char b[4];
        WriteLe32(b, v);
        bytes.append(reinterpret_cast<const char *>(b), 4);
    }
    void Magic(const char *m) { bytes.append(m, 4); }
    void Record(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, std::uint32_t e)
    {
        Le32(std::uint32_t(a));
        Le32(std::uint32_t(b));
        Le32(std::uint32_t(c));
        Le32(std::uint32_t(d));
        Le32(e);
    }
    void Sensors(const std::vector<std::array<int, 3>> &values, int leftover = 0)
    {
        Magic("SENS");
        Le32(std::uint32_t(values.size() * 20 + leftover));
        for (const auto &v : values)
            Record(0x11111111, v[0], v[1], v[2], 0x22222222);
        bytes.append(leftover, '\x7f');
    }
    struct Fix
    {
        int fix;
        std::int32_t latitude;
        std::int32_t longitude;
        std::uint32_t speed;
    };
    void Gps(const std::vector<Fix> &fixes)
    {
        Magic("GPSI");
        Le32(std::uint32_t(fixes.size() * 20));
        for (const auto &f : fixes)
            Record(0, f.fix, f.latitude, f.longitude, f.speed);
    }
};

// Seoul-ish fixes, one a second, speed in knots.
std::vector<DriveDataBytes::Fix> ThreeFixes()
{
    return {
        {1, 37301234, 127015000, 10}, {1, 37301300, 127015100, 20}, {1, 37301400, 127015200, 30}};
}

QByteArray StandardFile(int leftover = 0)
{
    DriveDataBytes f;
    f.Sensors({{10, -5, 3}, {30, 5, -3}, {-20, 0, 0}, {0, 7, 7}}, leftover);
    f.Gps(ThreeFixes());
    return f.bytes;
}

QString LibFormat(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%lf", v);
    return QString::fromLatin1(text);
}

class DataParserFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CDataParser parser;
    QStringList messages;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        parser.SetMessageHandler([this](int id, const QString &text) {
            messages << QString::number(id) + QLatin1Char(':') + text;
        });
    }

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

} // namespace

// --- the buffer parser ---

TEST(ParseDriveData, ReadsBothBlocksAndSkipsLeftoverSensorBytes)
{
    for (int leftover : {0, 1, 7, 19}) {
        const DriveData data = ParseDriveData(StandardFile(leftover));
        ASSERT_TRUE(data.loaded) << leftover;
        EXPECT_EQ(data.status, DriveDataStatus::Ok);
        ASSERT_EQ(data.sensors.size(), 4u) << leftover;
        EXPECT_EQ(data.sensors[1].channel1, 30);
        EXPECT_EQ(data.sensors[1].channel2, 5);
        EXPECT_EQ(data.sensors[1].channel3, -3);
        ASSERT_EQ(data.gps.size(), 3u) << leftover;
        EXPECT_EQ(data.gps[2].latitude, 37301400);
        EXPECT_EQ(data.gps[2].speed, 30u);
    }
}

TEST(ParseDriveData, GpsMagicIsExpectedAfterTheDeclaredLengthNotAfterWholeRecords)
{
    // Leftover bytes that happen to spell "GPSI" right after the last whole record must not be
    // taken for the GPS block.
    DriveDataBytes f;
    f.Magic("SENS");
    f.Le32(20 + 12);
    f.Record(0, 1, 2, 3, 0);
    f.Magic("GPSI");
    f.Le32(20);
    f.Le32(0);
    f.Gps(ThreeFixes());
    const DriveData data = ParseDriveData(f.bytes);
    ASSERT_TRUE(data.loaded);
    EXPECT_EQ(data.sensors.size(), 1u);
    EXPECT_EQ(data.gps.size(), 3u);
}

TEST(ParseDriveData, RefusesForeignShortAndGpsLessBuffers)
{
    EXPECT_FALSE(ParseDriveData(QByteArray()).loaded);
    EXPECT_FALSE(ParseDriveData(QByteArray("SENS")).loaded);
    EXPECT_FALSE(ParseDriveData(QByteArray("SENS\0\0\0", 7)).loaded);
    EXPECT_EQ(ParseDriveData(QByteArray("RIFF\x10\0\0\0AVI LIST", 16)).status,
              DriveDataStatus::BadSensorMagic);
    EXPECT_EQ(ParseDriveData(QByteArray("sens\0\0\0\0GPSI\0\0\0\0", 16)).status,
              DriveDataStatus::BadSensorMagic);

    DriveDataBytes noGps;
    noGps.Sensors({{1, 2, 3}, {4, 5, 6}});
    DriveData data = ParseDriveData(noGps.bytes);
    EXPECT_FALSE(data.loaded);
    EXPECT_EQ(data.status, DriveDataStatus::BadGpsMagic);

    DriveDataBytes wrongGps = noGps;
    wrongGps.Magic("GPSX");
    wrongGps.Le32(0);
    EXPECT_EQ(ParseDriveData(wrongGps.bytes).status, DriveDataStatus::BadGpsMagic);

    // "GPSI" present but its length cut off.
    DriveDataBytes cutLength = noGps;
    cutLength.Magic("GPSI");
    cutLength.bytes.append("\x14\0", 2);
    EXPECT_EQ(ParseDriveData(cutLength.bytes).status, DriveDataStatus::BadGpsMagic);
}

TEST(ParseDriveData, TruncatedBlocksNeverReadPastTheEnd)
{
    // Sensor block declared longer than the file: no room for "GPSI", nothing loaded; the whole
    // records that are there are all that was read.
    DriveDataBytes sensors;
    sensors.Magic("SENS");
    sensors.Le32(0xFFFFFFF0u);
    sensors.Record(0, 5, 6, 7, 0);
    sensors.Record(0, 8, 9, 10, 0);
    sensors.bytes.append("GPSI", 4);
    DriveData data = ParseDriveData(sensors.bytes);
    EXPECT_FALSE(data.loaded);
    EXPECT_EQ(data.sensors.size(), 2u);

    // GPS block declared longer than the file: its whole records are kept.
    DriveDataBytes gps;
    gps.Sensors({{1, 1, 1}});
    gps.Magic("GPSI");
    gps.Le32(100 * 20);
    gps.Record(0, 1, 37301234, 127015000, 0);
    gps.Record(0, 1, 37301235, 127015001, 0);
    gps.bytes.append(13, '\0'); // part of a third record
    data = ParseDriveData(gps.bytes);
    ASSERT_TRUE(data.loaded);
    EXPECT_EQ(data.gps.size(), 2u);
    EXPECT_EQ(data.gps[1].latitude, 37301235);
    EXPECT_EQ(GpsReadingAt(data, 99).latitude, DegreesFromDegreesMinutes(37301235));
}

TEST(ParseDriveData, EmptyBlocksLoadWithoutSamples)
{
    DriveDataBytes f;
    f.Sensors({});
    f.Gps({});
    const DriveData data = ParseDriveData(f.bytes);
    EXPECT_TRUE(data.loaded);
    EXPECT_TRUE(data.sensors.empty());
    EXPECT_EQ(data.scaleTop, 0);
    EXPECT_FALSE(GpsReadingAt(data, 0).fix);
}

// --- scale ---

TEST(SensorScale, LargerMeanMagnitudeTimesNineFromChannelOne)
{
    auto samples = [](std::vector<int> channel1) {
        std::vector<SensorSample> s;
        for (int v : channel1)
            s.push_back(SensorSample{0, v, 1000000, -1000000, 0});
        return s;
    };
    // Positive mean 20 against non-positive mean -4 (zero counts as non-positive).
    EXPECT_EQ(SensorScaleTop(samples({10, 30, 0, -8})), 180);
    // All positive: 9 x their mean (trunc(7 / 2) = 3).
    EXPECT_EQ(SensorScaleTop(samples({3, 4})), 27);
    // All zero or negative: -9 x the mean of all values (trunc(-7 / 3) = -2).
    EXPECT_EQ(SensorScaleTop(samples({0, -3, -4})), 18);
    EXPECT_EQ(SensorScaleTop(samples({0, 0})), 0);
    // Tie: same value either way.
    EXPECT_EQ(SensorScaleTop(samples({5, -5})), 45);
    // Non-positive side wins.
    EXPECT_EQ(SensorScaleTop(samples({1, -100})), 900);
    EXPECT_EQ(SensorScaleTop({}), 0);
    // Extreme readings saturate instead of overflowing.
    EXPECT_EQ(SensorScaleTop(samples({INT_MAX, INT_MAX})), INT_MAX);
    EXPECT_EQ(SensorScaleTop(samples({INT_MIN})), INT_MAX);

    DriveDataBytes f;
    f.Sensors({{-10, 0, 0}, {-20, 0, 0}});
    f.Gps({});
    const DriveData data = ParseDriveData(f.bytes);
    EXPECT_EQ(data.scaleTop, 135);
    EXPECT_EQ(data.scaleBottom, -135);
}

// --- GPS look-up ---

TEST(GpsLookUp, ConvertsDegreesAndMinutesAndKnots)
{
    EXPECT_EQ(LibFormat(DegreesFromDegreesMinutes(37301234)), QStringLiteral("37.502057"));
    EXPECT_EQ(LibFormat(DegreesFromDegreesMinutes(127015000)), QStringLiteral("127.025000"));
    // South and west keep the sign on both parts.
    EXPECT_EQ(LibFormat(DegreesFromDegreesMinutes(-37301234)), QStringLiteral("-37.502057"));
    EXPECT_EQ(LibFormat(DegreesFromDegreesMinutes(-77021912)), QStringLiteral("-77.036520"));
    EXPECT_EQ(DegreesFromDegreesMinutes(0), 0.0);

    EXPECT_EQ(KmhFromKnotsField(200), 370); // 370.4 km/h
    EXPECT_EQ(KmhFromKnotsField(1), 1);     // 1.852
    EXPECT_EQ(KmhFromKnotsField(0), 0);
    EXPECT_EQ(KmhFromKnotsField(54), 100); // 100.008
    EXPECT_EQ(KmhFromKnotsField(0xFFFFFFFFu), INT_MAX);
}

TEST(GpsLookUp, IndexesBySecondAndClampsToTheRecords)
{
    DriveDataBytes f;
    f.Sensors({});
    f.Gps(
        {{1, 37301234, 127015000, 10}, {0, 37301300, 127015100, 20}, {7, -3730123, -12701500, 30}});
    const DriveData data = ParseDriveData(f.bytes);

    GpsReading r = GpsReadingAt(data, 0);
    EXPECT_TRUE(r.fix);
    EXPECT_EQ(r.speedKmh, 18);
    EXPECT_EQ(LibFormat(r.latitude), QStringLiteral("37.502057"));
    EXPECT_EQ(LibFormat(r.longitude), QStringLiteral("127.025000"));

    // A second without fix reports nothing at all.
    r = GpsReadingAt(data, 1);
    EXPECT_FALSE(r.fix);
    EXPECT_EQ(r.speedKmh, 0);
    EXPECT_EQ(r.latitude, 0.0);
    EXPECT_EQ(r.longitude, 0.0);

    // Any non-zero status is a fix; negative coordinates stay negative.
    r = GpsReadingAt(data, 2);
    EXPECT_TRUE(r.fix);
    EXPECT_LT(r.latitude, -3.0);
    EXPECT_LT(r.longitude, -12.0);
    EXPECT_EQ(r.speedKmh, 55);

    // Past the last record: the last record; before the first: the first.
    EXPECT_EQ(GpsReadingAt(data, 3).latitude, r.latitude);
    EXPECT_EQ(GpsReadingAt(data, INT_MAX).speedKmh, 55);
    EXPECT_EQ(GpsReadingAt(data, -1).speedKmh, 18);
}

TEST(GpsLookUp, ImplausibleSpeedClearsTheFixButKeepsTheValues)
{
    DriveDataBytes f;
    f.Sensors({});
    f.Gps({{1, 37301234, 127015000, 200},   // 370 km/h
           {1, 37301234, 127015000, 161},   // 298 km/h
           {1, 37301234, 127015000, 162},   // 300.02 -> 300, still plausible
           {1, 37301234, 127015000, 163}}); // 301
    const DriveData data = ParseDriveData(f.bytes);
    GpsReading r = GpsReadingAt(data, 0);
    EXPECT_FALSE(r.fix);
    EXPECT_EQ(r.speedKmh, 370);
    EXPECT_EQ(LibFormat(r.latitude), QStringLiteral("37.502057"));
    EXPECT_EQ(LibFormat(r.longitude), QStringLiteral("127.025000"));
    EXPECT_TRUE(GpsReadingAt(data, 1).fix);
    EXPECT_EQ(GpsReadingAt(data, 2).speedKmh, 300);
    EXPECT_TRUE(GpsReadingAt(data, 2).fix);
    EXPECT_EQ(GpsReadingAt(data, 3).speedKmh, 301);
    EXPECT_FALSE(GpsReadingAt(data, 3).fix);
}

// --- loading files ---

TEST_F(DataParserFiles, LoadsTheDrivedataFileBesideTheClip)
{
    Write(QStringLiteral("rec_20110523_142233.dat"), StandardFile(3));
    parser.SetDuration(45000);
    EXPECT_TRUE(parser.LoadDriveData(dir.filePath(QStringLiteral("rec_20110523_142233.avi"))));
    EXPECT_TRUE(parser.IsLoaded());
    EXPECT_EQ(parser.SensorCount(), 4);
    EXPECT_EQ(parser.GpsCount(), 3);
    EXPECT_EQ(parser.ScaleTop(), 180);
    EXPECT_EQ(parser.ScaleBottom(), -180);
    // A load forgets the previous clip's length until the engine reports the new one.
    EXPECT_EQ(parser.Duration(), 0);
    EXPECT_EQ(parser.Position(), 0);

    int speed = -1;
    double latitude = 0, longitude = 0;
    EXPECT_TRUE(parser.GetGpsAt(1, &speed, &latitude, &longitude));
    EXPECT_EQ(speed, 37);
    EXPECT_GT(latitude, 37.5);
    EXPECT_GT(longitude, 127.0);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DataParserFiles, SilentFailuresLeaveNothingLoaded)
{
    // Missing file.
    EXPECT_FALSE(parser.LoadDriveData(dir.filePath(QStringLiteral("gone.avi"))));
    // A clip named .AVI has its drive-data file under .dat; there is none here.
    const QString upper = Write(QStringLiteral("rec_1.AVI"), QByteArray("RIFF\0\0\0\0AVI ", 12));
    EXPECT_FALSE(parser.LoadDriveData(upper));
    // Sensor block but no GPS block: nothing to show.
    DriveDataBytes noGps;
    noGps.Sensors({{100, 100, 100}});
    EXPECT_FALSE(parser.LoadDriveData(Write(QStringLiteral("nogps.dat"), noGps.bytes)));
    EXPECT_FALSE(parser.IsLoaded());
    EXPECT_EQ(parser.SensorCount(), 0);
    EXPECT_FALSE(parser.GetGpsAt(0).fix);
    // Empty file.
    EXPECT_FALSE(parser.LoadDriveData(Write(QStringLiteral("empty.dat"), QByteArray())));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DataParserFiles, SecondLoadAfterAFailedOneStartsEmpty)
{
    const QString good = Write(QStringLiteral("good.dat"), StandardFile());
    ASSERT_TRUE(parser.LoadDriveData(good));
    const QString bad = Write(QStringLiteral("bad.dat"), QByteArray("SENS\x14\0\0\0", 8));
    EXPECT_FALSE(parser.LoadDriveData(bad));
    EXPECT_FALSE(parser.IsLoaded());
    EXPECT_EQ(parser.SensorCount(), 0);
    EXPECT_EQ(parser.GpsCount(), 0);
    EXPECT_FALSE(parser.GetGpsAt(0).fix);
    EXPECT_FALSE(parser.LoadDriveData(dir.filePath(QStringLiteral("gone.dat"))));
    EXPECT_FALSE(parser.IsLoaded());
    EXPECT_TRUE(parser.LoadDriveData(good));
    EXPECT_EQ(parser.GpsCount(), 3);
}

TEST_F(DataParserFiles, FileLargerThanTheCapIsNotRead)
{
    const QString path = Write(QStringLiteral("huge.dat"), StandardFile());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(kDriveDataMaxFileBytes + 1)); // sparse: valid blocks, then zeros
    }
    EXPECT_FALSE(parser.LoadDriveData(path));
    EXPECT_FALSE(parser.IsLoaded());
    EXPECT_TRUE(messages.isEmpty());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(kDriveDataMaxFileBytes)); // at the cap: still read
    }
    EXPECT_TRUE(parser.LoadDriveData(path));
}

TEST_F(DataParserFiles, DrivedataPathThatIsNoFileShowsMessage301Once)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("rec_1.dat")));
    EXPECT_FALSE(parser.LoadDriveData(dir.filePath(QStringLiteral("rec_1.avi"))));
    EXPECT_FALSE(parser.IsLoaded());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("301:")));
    const QString text = messages[0].mid(4);
    if (!text.isEmpty()) { // the string table may not hold it yet
        EXPECT_EQ(text, QStringLiteral(
                            "Damaged Data File! Unable to display GPS Data and Sensor Value."));
    }
}

TEST_F(DataParserFiles, FifoOrLinkNamedLikeTheDrivedataFileIsNotReadAndNeverWaits)
{
    // Good drive data elsewhere, reached through a link; a FIFO nobody writes to.
    const QString elsewhere = Write(QStringLiteral("elsewhere.dat"), StandardFile());
    ASSERT_TRUE(QFile::link(elsewhere, dir.filePath(QStringLiteral("rec_1.dat"))));
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("rec_2.dat"))).constData(), 0666),
        0);
    for (const QString &clip : {QStringLiteral("rec_1.avi"), QStringLiteral("rec_2.avi")}) {
        messages.clear();
        EXPECT_FALSE(parser.LoadDriveData(dir.filePath(clip))) << clip.toStdString();
        EXPECT_FALSE(parser.IsLoaded());
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("301:")));
    }
}

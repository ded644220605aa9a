#include "DriveDataWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

// The file is checked here by the format's own rules, byte by byte, not by the player's parser.
namespace {

std::uint32_t U32At(const QByteArray &bytes, qsizetype offset)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + offset);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::int32_t I32At(const QByteArray &bytes, qsizetype offset)
{
    return static_cast<std::int32_t>(U32At(bytes, offset));
}

// ddmm.mmmm x 10 000 back to degrees, as the player reads it.
double DecodeCoordinate(std::int32_t value)
{
    const double c = value / 10000.0 / 100.0;
    const double d = std::trunc(c);
    return d + (c - d) * 100.0 / 60.0;
}

int ShownKmh(std::uint32_t field)
{
    return static_cast<int>(field / 10000.0 * 18520.0);
}

} // namespace

TEST(DriveDataWriter, EncodesBothBlocksLittleEndianWithNothingAfter)
{
    std::vector<SensorSample> sensors(3);
    sensors[0] = {7, 100, -200, 300, 9};
    sensors[1] = {0, -1, 0x12345678, -2147483647 - 1, 0};
    sensors[2] = {0, 5, 6, 7, -8};
    std::vector<GpsSample> gps(2);
    gps[0] = {1, 1, 37301234, 127015000, 200};
    gps[1] = {2, 0, -33512345, -70401234, 0xFFFFFFF0u};

    const QByteArray bytes = EncodeDriveData(sensors, gps);
    ASSERT_EQ(bytes.size(), 4 + 4 + 60 + 4 + 4 + 40);
    EXPECT_EQ(bytes.left(4), QByteArray("SENS"));
    EXPECT_EQ(U32At(bytes, 4), 60u);
    EXPECT_EQ(bytes.mid(8 + 60, 4), QByteArray("GPSI"));
    EXPECT_EQ(U32At(bytes, 12 + 60), 40u);

    // Sensor record 1 at 8 + 20: the channels at +4, +8, +12.
    EXPECT_EQ(I32At(bytes, 8 + 0 * 20 + 0), 7);
    EXPECT_EQ(I32At(bytes, 8 + 0 * 20 + 4), 100);
    EXPECT_EQ(I32At(bytes, 8 + 0 * 20 + 8), -200);
    EXPECT_EQ(I32At(bytes, 8 + 0 * 20 + 16), 9);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(8 + 20 + 8)), 0x78); // low byte first
    EXPECT_EQ(I32At(bytes, 8 + 1 * 20 + 4), -1);
    EXPECT_EQ(I32At(bytes, 8 + 1 * 20 + 12), -2147483647 - 1);
    EXPECT_EQ(I32At(bytes, 8 + 2 * 20 + 16), -8);

    const qsizetype g = 16 + 60;
    EXPECT_EQ(I32At(bytes, g + 4), 1);
    EXPECT_EQ(I32At(bytes, g + 8), 37301234);
    EXPECT_EQ(I32At(bytes, g + 12), 127015000);
    EXPECT_EQ(U32At(bytes, g + 16), 200u);
    EXPECT_EQ(I32At(bytes, g + 20 + 4), 0);
    EXPECT_EQ(I32At(bytes, g + 20 + 8), -33512345);
    EXPECT_EQ(U32At(bytes, g + 20 + 16), 0xFFFFFFF0u);
}

TEST(DriveDataWriter, EmptyBlocksStillCarryTheirHeaders)
{
    const QByteArray bytes = EncodeDriveData({}, {});
    ASSERT_EQ(bytes.size(), 16);
    EXPECT_EQ(bytes.left(4), QByteArray("SENS"));
    EXPECT_EQ(U32At(bytes, 4), 0u);
    EXPECT_EQ(bytes.mid(8, 4), QByteArray("GPSI"));
    EXPECT_EQ(U32At(bytes, 12), 0u);
}

TEST(DriveDataWriter, WritesTheFileAndReportsFailure)
{
    QTemporaryDir dir;
    const std::vector<SensorSample> sensors(4, SensorSample{0, 1, 2, 3, 0});
    const std::vector<GpsSample> gps(1, GpsSample{0, 1, 2, 3, 4});
    const QString path = dir.filePath(QStringLiteral("rec_20110523_142233.dat"));

    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(500, 'x')); // a longer file of the same name is replaced whole
    old.close();

    ASSERT_TRUE(WriteDriveDataFile(path, sensors, gps));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), EncodeDriveData(sensors, gps));

    EXPECT_FALSE(WriteDriveDataFile(dir.filePath(QStringLiteral("missing/x.dat")), sensors, gps));
}

TEST(DriveDataCoordinates, DegreesBecomeDegreesAndMinutesTimesTenThousand)
{
    EXPECT_EQ(EncodeCoordinate(37.502057), 37301234);
    EXPECT_EQ(EncodeCoordinate(127.025), 127015000);
    EXPECT_EQ(EncodeCoordinate(0.0), 0);
    EXPECT_EQ(EncodeCoordinate(-37.502057), -37301234);
    EXPECT_EQ(EncodeCoordinate(-0.5), -300000);
    // Minutes that round up to 60 carry into the degrees.
    EXPECT_EQ(EncodeCoordinate(37.99999999), 38000000);
    EXPECT_EQ(EncodeCoordinate(-179.999999999), -180000000);
}

TEST(DriveDataCoordinates, RoundTripThroughTheReadersFormula)
{
    // A ten-thousandth of a minute is under 2e-6 degrees.
    for (double deg = -180.0; deg <= 180.0; deg += 0.7312345) {
        EXPECT_NEAR(DecodeCoordinate(EncodeCoordinate(deg)), deg, 1.0 / 60.0 / 10000.0) << deg;
    }
    for (double deg = 37.40; deg < 37.60; deg += 0.0001234)
        ASSERT_NEAR(DecodeCoordinate(EncodeCoordinate(deg)), deg, 1.0 / 60.0 / 10000.0) << deg;
}

TEST(DriveDataSpeed, FieldIsKnotsShownAsTruncatedKmh)
{
    EXPECT_EQ(SpeedFieldToKmh(0), 0);
    EXPECT_EQ(SpeedFieldToKmh(200), 370); // 200 knots = 370.4 km/h
    EXPECT_EQ(SpeedFieldToKmh(1), 1);
    EXPECT_EQ(SpeedFieldToKmh(2), 3);
    EXPECT_EQ(SpeedFieldToKmh(0xFFFFFFFFu), 2147483647);
}

TEST(DriveDataSpeed, CitySpeedsComeBackAsIntended)
{
    for (int kmh = 0; kmh <= 130; ++kmh) {
        const int shown = ShownKmh(EncodeSpeedKmh(kmh));
        EXPECT_LE(std::abs(shown - kmh), 1) << kmh;
    }
    // Every speed the reader can show comes back exactly.
    for (std::uint32_t field = 0; field <= 100; ++field) {
        const int shown = ShownKmh(field);
        EXPECT_EQ(ShownKmh(EncodeSpeedKmh(shown)), shown) << field;
    }
    EXPECT_EQ(EncodeSpeedKmh(-5), 0u);
}

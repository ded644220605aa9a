#include "DriveDataWriter.h"

#include <QSaveFile>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

void AppendLe32(QByteArray &out, std::uint32_t value)
{
    unsigned char bytes[4];
    WriteLe32(bytes, value);
    out.append(reinterpret_cast<const char *>(bytes), 4);
}

void AppendRecord(QByteArray &out, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                  std::uint32_t e)
{
    AppendLe32(out, static_cast<std::uint32_t>(a));
    AppendLe32(out, static_cast<std::uint32_t>(b));
    AppendLe32(out, static_cast<std::uint32_t>(c));
    AppendLe32(out, static_cast<std::uint32_t>(d));
    AppendLe32(out, e);
}

} // namespace

QByteArray EncodeDriveData(const std::vector<SensorSample> &sensors,
                           const std::vector<GpsSample> &gps)
{
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t sensorBytes = std::uint64_t(sensors.size()) * kDriveDataRecordSize;
    const std::uint64_t gpsBytes = std::uint64_t(gps.size()) * kDriveDataRecordSize;
    if (sensorBytes > kLimit || gpsBytes > kLimit ||
        16 + sensorBytes + gpsBytes > std::uint64_t(std::numeric_limits<int>::max()))
        return {};

    QByteArray out;
    out.reserve(static_cast<qsizetype>(16 + sensorBytes + gpsBytes));
    AppendLe32(out, kSensorMagic);
    AppendLe32(out, static_cast<std::uint32_t>(sensorBytes));
    for (const SensorSample &s : sensors)
        AppendRecord(out, s.reserved0, s.channel1, s.channel2, s.channel3,
                     static_cast<std::uint32_t>(s.reserved16));
    AppendLe32(out, kGpsMagic);
    AppendLe32(out, static_cast<std::uint32_t>(gpsBytes));
    for (const GpsSample &g : gps)
        AppendRecord(out, g.reserved0, g.fix, g.latitude, g.longitude, g.speed);
    return out;
}

bool WriteDriveDataFile(const QString &path, const std::vector<SensorSample> &sensors,
                        const std::vector<GpsSample> &gps)
{
    const QByteArray bytes = EncodeDriveData(sensors, gps);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

std::int32_t EncodeCoordinate(double degrees)
{
    if (!std::isfinite(degrees) || std::fabs(degrees) > 180.0)
        return 0;
    const double magnitude = std::fabs(degrees);
    std::int64_t whole = static_cast<std::int64_t>(std::floor(magnitude));
    // Minutes in ten-thousandths; rounding can reach a full 60 minutes, which carries.
    std::int64_t minutes = std::llround((magnitude - double(whole)) * 60.0 * 10000.0);
    if (minutes >= 600000) {
        minutes -= 600000;
        ++whole;
    }
    const std::int64_t value = whole * 1000000 + minutes;
    return static_cast<std::int32_t>(degrees < 0 ? -value : value);
}

int SpeedFieldToKmh(std::uint32_t field)
{
    const double kmh = double(field) / 10000.0 * 18520.0;
    if (kmh >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(kmh);
}

std::uint32_t EncodeSpeedKmh(int kmh)
{
    if (kmh <= 0)
        return 0;
    const auto guess = static_cast<std::int64_t>(std::llround(kmh / 1.852));
    std::uint32_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::int64_t n = guess - 1; n <= guess + 1; ++n) {
        if (n < 0)
            continue;
        const int shown = SpeedFieldToKmh(static_cast<std::uint32_t>(n));
        const int distance = std::abs(shown - kmh);
        if (distance <= bestDistance) { // a tie goes to the higher field
            bestDistance = distance;
            best = static_cast<std::uint32_t>(n);
        }
    }
    return best;
}

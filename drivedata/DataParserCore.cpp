#include "DataParserCore.h"

#include <climits>
#include <cmath>

namespace {

constexpr qint64 kHeaderBytes = 8; // magic + block length

const unsigned char *Bytes(QByteArrayView bytes, qint64 offset)
{
    return reinterpret_cast<const unsigned char *>(bytes.data()) + offset;
}

// Reads "magic, length" at `offset`; false when the eight bytes are not all there or the magic
// differs.
bool ReadBlockHeader(QByteArrayView bytes, qint64 offset, std::uint32_t magic,
                     std::uint32_t *length)
{
    if (offset < 0 || bytes.size() - offset < kHeaderBytes)
        return false;
    if (ReadLe32(Bytes(bytes, offset)) != magic)
        return false;
    *length = ReadLe32(Bytes(bytes, offset + 4));
    return true;
}

// Whole records of a block declared `length` bytes long starting at `offset`, limited to what
// the buffer holds.
qint64 WholeRecords(QByteArrayView bytes, qint64 offset, std::uint32_t length)
{
    const qint64 available = std::max<qint64>(0, bytes.size() - offset);
    return std::min<qint64>(length, available) / kDriveDataRecordSize;
}

std::int32_t ReadInt(const unsigned char *p)
{
    return static_cast<std::int32_t>(ReadLe32(p));
}

int SaturateToInt(double value)
{
    if (!(value < double(INT_MAX)))
        return INT_MAX;
    if (!(value > double(INT_MIN)))
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

int SensorScaleTop(const std::vector<SensorSample> &sensors)
{
    qint64 positiveSum = 0, positiveCount = 0;
    qint64 otherSum = 0, otherCount = 0;
    for (const SensorSample &s : sensors) {
        if (s.channel1 > 0) {
            positiveSum += s.channel1;
            ++positiveCount;
        } else {
            otherSum += s.channel1;
            ++otherCount;
        }
    }
    // Means truncated toward zero; the magnitudes fit comfortably in 64 bits.
    const qint64 positiveMean =
        positiveCount ? qint64(std::trunc(double(positiveSum) / double(positiveCount))) : 0;
    const qint64 otherMagnitude =
        otherCount ? -qint64(std::trunc(double(otherSum) / double(otherCount))) : 0;
    qint64 top;
    if (positiveCount && (!otherCount || positiveMean > otherMagnitude))
        top = 9 * positiveMean;
    else
        top = 9 * otherMagnitude;
    return int(std::min<qint64>(top, INT_MAX));
}

DriveData ParseDriveData(QByteArrayView bytes)
{
    DriveData data;
    ParseDriveDataInto(bytes, data);
    return data;
}

bool ParseDriveDataInto(QByteArrayView bytes, DriveData &data)
{
    data.loaded = false;
    data.sensors.clear();
    data.gps.clear();
    data.scaleTop = data.scaleBottom = 0;
    std::uint32_t sensorLength = 0;
    if (!ReadBlockHeader(bytes, 0, kSensorMagic, &sensorLength)) {
        data.status = DriveDataStatus::BadSensorMagic;
        return false;
    }
    const qint64 sensorCount = WholeRecords(bytes, kHeaderBytes, sensorLength);
    data.sensors.resize(size_t(sensorCount));
    for (qint64 i = 0; i < sensorCount; ++i) {
        const unsigned char *p = Bytes(bytes, kHeaderBytes + i * kDriveDataRecordSize);
        SensorSample &s = data.sensors[size_t(i)];
        s.reserved0 = ReadInt(p);
        s.channel1 = ReadInt(p + 4);
        s.channel2 = ReadInt(p + 8);
        s.channel3 = ReadInt(p + 12);
        s.reserved16 = ReadInt(p + 16);
    }
    data.scaleTop = SensorScaleTop(data.sensors);
    data.scaleBottom = -data.scaleTop;

    // "GPSI" sits right after the declared sensor block, leftover bytes included.
    const qint64 gpsHeader = kHeaderBytes + qint64(sensorLength);
    std::uint32_t gpsLength = 0;
    if (!ReadBlockHeader(bytes, gpsHeader, kGpsMagic, &gpsLength)) {
        data.status = DriveDataStatus::BadGpsMagic;
        return false;
    }
    const qint64 gpsOffset = gpsHeader + kHeaderBytes;
    const qint64 gpsCount = WholeRecords(bytes, gpsOffset, gpsLength);
    data.gps.resize(size_t(gpsCount));
    for (qint64 i = 0; i < gpsCount; ++i) {
        const unsigned char *p = Bytes(bytes, gpsOffset + i * kDriveDataRecordSize);
        GpsSample &g = data.gps[size_t(i)];
        g.reserved0 = ReadInt(p);
        g.fix = ReadInt(p + 4);
        g.latitude = ReadInt(p + 8);
        g.longitude = ReadInt(p + 12);
        g.speed = ReadLe32(p + 16);
    }
    data.status = DriveDataStatus::Ok;
    data.loaded = true;
    return true;
}

double DegreesFromDegreesMinutes(std::int32_t value)
{
    const double c = double(value) / 10000.0 / 100.0;
    const double d = std::trunc(c);
    return d + (c - d) * 100.0 / 60.0;
}

int KmhFromKnotsField(std::uint32_t field)
{
    return SaturateToInt(std::trunc(double(field) / 10000.0 * 18520.0));
}

GpsReading GpsReadingAt(const DriveData &data, int second)
{
    GpsReading reading;
    if (!data.loaded || data.gps.empty())
        return reading;
    const qint64 last = qint64(data.gps.size()) - 1;
    const qint64 index = std::clamp<qint64>(second, 0, last);
    const GpsSample &g = data.gps[size_t(index)];
    if (g.fix == 0)
        return reading;
    reading.latitude = DegreesFromDegreesMinutes(g.latitude);
    reading.longitude = DegreesFromDegreesMinutes(g.longitude);
    reading.speedKmh = KmhFromKnotsField(g.speed);
    reading.fix = reading.speedKmh <= kMaxPlausibleSpeedKmh;
    return reading;
}

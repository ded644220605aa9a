#pragma once

#include "DriveDataRecords.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

// The data side of the sensor graph, without any widget: the drive-data file's name, its parser
// over a byte buffer, the graph scale and the GPS look-up. Everything here is pure so that it can
// be tested and fuzzed without files or windows.

// A drive-data file is read into memory whole. Real files hold a few thousand 20-byte records per
// minute of video (well under 1 MB); anything larger is not a drive-data file (a clip put in
// its place, say) and is not read.
constexpr qint64 kDriveDataMaxFileBytes = 16 * 1024 * 1024;

// Why a buffer did or did not give drive data.
enum class DriveDataStatus {
    Ok,             // both blocks read
    BadSensorMagic, // shorter than 8 bytes or not starting with "SENS"
    BadGpsMagic,    // no "GPSI" (and its length) right after the declared sensor block
};

struct DriveData
{
    DriveDataStatus status = DriveDataStatus::BadSensorMagic;
    // Set only when both blocks were read; the only validity signal for readers.
    bool loaded = false;
    std::vector<SensorSample> sensors;
    std::vector<GpsSample> gps;
    // The graph's value range, from channel 1; bottom = -top, top >= 0.
    int scaleTop = 0;
    int scaleBottom = 0;
};

// Parses a whole drive-data file held in memory. Never reads outside `bytes`:
// - the L1 mod 20 bytes after the last whole sensor record are skipped, "GPSI" is expected at
//   8 + L1 exactly;
// - a sensor block that runs past the end leaves no room for "GPSI": the file is refused like one
//   without it (sensor records kept, loaded flag clear);
// - a GPS block that runs past the end keeps its whole records (a recording cut short by a power
//   loss still shows the seconds it has).
DriveData ParseDriveData(QByteArrayView bytes);

// The same into an existing result, reusing its arrays' memory (the player loads one file per
// clip; fresh memory each time costs more than the parsing itself). Returns `into.loaded`.
bool ParseDriveDataInto(QByteArrayView bytes, DriveData &into);

// The graph scale top from channel 1: nine times the larger of the mean of the positive values
// and the magnitude of the mean of the values <= 0 (each mean truncated toward zero); a group
// without members does not take part; 0 without samples. Saturates at INT_MAX.
int SensorScaleTop(const std::vector<SensorSample> &sensors);

// One GPS look-up.
struct GpsReading
{
    int speedKmh = 0;
    double latitude = 0.0;  // degrees, negative south
    double longitude = 0.0; // degrees, negative west
    bool fix = false;
};

// The record of `second` (the last one for seconds past the end, the first for negative ones).
// No drive data, no GPS records or a record without fix: all zero and no fix. A speed above
// 300 km/h clears the fix but keeps the values.
GpsReading GpsReadingAt(const DriveData &data, int second);

// ddmm.mmmm x 10 000 to degrees: 37 301 234 -> 37.502057; the sign carries through.
double DegreesFromDegreesMinutes(std::int32_t value);

// The speed field (knots) to km/h: field / 10 000 x 18 520, truncated; saturates at INT_MAX.
int KmhFromKnotsField(std::uint32_t field);

constexpr int kMaxPlausibleSpeedKmh = 300;

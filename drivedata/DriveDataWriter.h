#pragma once

#include "DriveDataRecords.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Writes drive-data files the way the camera does (the demo card and tests use it):
// "SENS", L1, the sensor records, "GPSI", L2, the GPS records, every integer little-endian.

// The whole file. Empty when a block would not fit its 32-bit length.
QByteArray EncodeDriveData(const std::vector<SensorSample> &sensors,
                           const std::vector<GpsSample> &gps);

// Writes the file (replacing an existing one only once the new one is complete).
bool WriteDriveDataFile(const QString &path, const std::vector<SensorSample> &sensors,
                        const std::vector<GpsSample> &gps);

// Degrees (negative south or west) as the camera stores them: ddmm.mmmm x 10 000, rounded to
// the nearest ten-thousandth of a minute, the sign on the whole value. 37.502057 gives 37301234.
std::int32_t EncodeCoordinate(double degrees);

// The km/h that the player shows for a speed field: field / 10 000 x 18 520, truncated (the
// field holds knots, 1 knot = 1.852 km/h).
int SpeedFieldToKmh(std::uint32_t field);

// The speed field whose shown km/h is nearest to `kmh` (the higher one on a tie). Whole knots
// step by 1.852 km/h, so not every km/h can be shown; every value SpeedFieldToKmh gives comes
// back unchanged. Negative speeds give 0.
std::uint32_t EncodeSpeedKmh(int kmh);

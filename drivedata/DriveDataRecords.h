#pragma once

#include <cstdint>
#include <cstring>

// The two 20-byte records of a drive-data file (all integers little-endian on disk).
// A drive-data file is: "SENS", uint32 L1, L1 bytes of sensor records (L1 / 20 whole records,
// the rest skipped), "GPSI", uint32 L2, L2 bytes of GPS records (one per second of the clip).

constexpr int kDriveDataRecordSize = 20;
constexpr std::uint32_t kSensorMagic = 0x534E4553; // "SENS" read as a little-endian uint32
constexpr std::uint32_t kGpsMagic = 0x49535047;    // "GPSI"

struct SensorSample
{
    std::int32_t reserved0 = 0; // not read by the player
    std::int32_t channel1 = 0;  // also sets the graph's scale
    std::int32_t channel2 = 0;
    std::int32_t channel3 = 0;
    std::int32_t reserved16 = 0; // not read by the player
};
static_assert(sizeof(SensorSample) == kDriveDataRecordSize);

struct GpsSample
{
    std::int32_t reserved0 = 0; // not read by the player
    std::int32_t fix = 0;       // 0: no fix in this second
    std::int32_t latitude = 0;  // ddmm.mmmm x 10 000
    std::int32_t longitude = 0; // dddmm.mmmm x 10 000
    std::uint32_t speed = 0;    // whole knots (km/h = speed x 1.852)
};
static_assert(sizeof(GpsSample) == kDriveDataRecordSize);

// Little-endian reads and writes that never assume alignment.
inline std::uint32_t ReadLe32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline void WriteLe32(unsigned char *p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

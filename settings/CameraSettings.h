#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The camera's settings file on the card: "Setup/setup.bin", exactly one record of 18 one-byte
// codes, no header and no checksum. The camera writes it; the player shows the firmware version
// and deletion method at start-up, edits it in the options dialog and writes it back in place.

constexpr int kCameraSettingsSize = 18;

struct CameraSettings
{
    std::uint8_t fwMajor = 0;               // 0: firmware major number (shown only)
    std::uint8_t fwMinor = 0;               // 1: firmware minor number (shown only)
    std::uint8_t frameRate = 0;             // 2: 0 fast rate (24/30 fps), 1 15 fps
    std::uint8_t timeZone = 0;              // 3: index 0-90 into the time-zone list
    std::uint8_t reserved4 = 0;             // 4: not interpreted, written back as read
    std::uint8_t driveShockSensitivity = 0; // 5: 0 OFF, 1 Insensitive, 2 Normal, 3 Sensitive
    std::uint8_t parkingMode = 0;           // 6: 0 OFF, 1 shock, 2 shock & motion
    std::uint8_t quality = 0;               // 7: 0 FULL HD, 1 HD, 2 D1
    std::uint8_t parkShockSensitivity = 0;  // 8: 0 Insensitive, 1 Normal, 2 Sensitive
    std::uint8_t brightness = 0;            // 9: 0 Standard, 1 Bright
    std::uint8_t reserved10 = 0;            // 10: not interpreted, written back as read
    std::uint8_t motionSensitivity = 0;     // 11: 0 Insensitive, 1 Normal, 2 Sensitive
    std::uint8_t shockAlarm = 0;            // 12: 0 OFF, 1 ON
    std::uint8_t deletionMethod = 0;        // 13: 0 by file type, anything else by time order
    std::uint8_t ratioNormal = 0;           // 14: share of the card in percent
    std::uint8_t ratioEvent = 0;            // 15
    std::uint8_t ratioParking = 0;          // 16
    std::uint8_t speedDisplay = 0;          // 17: 0 ON, 1 OFF

    bool operator==(const CameraSettings &) const = default;
};
static_assert(sizeof(CameraSettings) == kCameraSettingsSize);

// The record as the 18 bytes of the file, and back (a shorter array reads as zero-filled).
QByteArray CameraSettingsToBytes(const CameraSettings &record);
CameraSettings CameraSettingsFromBytes(const QByteArray &bytes);

// root + "Setup/setup.bin"; root is a folder path ending in '/' (or empty: the relative path).
QString CameraSettingsPath(const QString &root);

// Reads the record from an existing settings file that can be opened for reading and writing.
// A missing, unreadable or read-only file is "not loaded" (false, record untouched). A file
// shorter than 18 bytes reads as its bytes followed by zeros. For a path made by
// CameraSettingsPath, neither "Setup" nor "setup.bin" may be a link, and both must be on the
// card's file system; "setup.bin" must be a regular file (a FIFO is refused without waiting).
bool LoadCameraSettings(const QString &path, CameraSettings &record);

// Writes the 18 bytes at the start of an existing settings file, in place: the file is never
// created or truncated, bytes past the record stay as they are. The file is opened as
// LoadCameraSettings opens it. False when it does not open for writing or the 18 bytes could
// not all be written and flushed.
bool SaveCameraSettings(const QString &path, const CameraSettings &record);

// Replaces every code outside its field's list with the field's repair value; the firmware
// numbers, the reserved bytes and the ratios are kept as they are.
CameraSettings NormalizeCameraSettings(const CameraSettings &record);

// Creates (or replaces) a settings file holding exactly the record, creating its folder. For the
// demo card and tests; the player itself never creates the file.
bool CreateCameraSettingsFile(const QString &path, const CameraSettings &record);

// The start-up card notice: firmware version, the player's version and the deletion method
// (any deletionMethod other than 0 reads as deletion by time order).
QString CardInfoText(const CameraSettings &record);

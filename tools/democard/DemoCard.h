#pragma once

#include "CameraSettings.h"
#include "DriveDataRecords.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// The demo card: a folder shaped like the camera's SD card. One drive through Seoul recorded as
// normal clips back to back, event clips around the shocks of that drive, parking clips later
// the same day; beside every clip its drive-data file, and the camera's settings file in Setup/.
// Everything but the video pictures follows from the seed alone.

enum class DemoClipKind { Normal = 0, Event = 1, Parking = 2 };

// "rec_", "evt_" or "pmr_".
QString DemoClipPrefix(DemoClipKind kind);

struct DemoCardOptions
{
    int clipsPerKind = 0; // 0: the demo layout, 4 normal, 3 event and 3 parking clips
    int seconds = 0;      // length of every clip; 0: varied lengths of 20 to 60 s
    int width = 0;        // size of every clip; 0 (both): Full HD with one 720p and one
    int height = 0;       // 800 x 480 clip
    std::uint32_t seed = 20110523;
    QDateTime start = QDateTime(QDate(2025, 5, 23), QTime(8, 12, 7), Qt::UTC);
    QString ffmpeg = QStringLiteral("ffmpeg"); // program name or path
    QString fontFile;                          // empty: Liberation Sans, found on the system
    int sensorRate = 10;                       // sensor records per second
};

// Why the options cannot make a card, or empty when they can.
QString CheckDemoCardOptions(const DemoCardOptions &options);

struct DemoClip
{
    DemoClipKind kind = DemoClipKind::Normal;
    std::int64_t offset = 0; // seconds from the start of the drive to the clip's first second
    int seconds = 0;
    int width = 0;
    int height = 0;
    QDateTime start;
    double shockAt = -1; // seconds into the clip at which a shock hits; negative: none

    QString stem() const; // yyyymmdd_hhmmss of the start
    QString fileName() const;
    QString dataFileName() const;
};

// The drive behind the clips: where the car is and how fast it goes, second by second.
struct DemoDrive
{
    std::uint32_t seed = 0;
    int driveSeconds = 0;          // the car moves in [0, driveSeconds), is parked after
    std::vector<double> speedKmh;  // per second of the drive
    std::vector<double> distanceM; // metres driven at the start of each second (one more entry)
    std::int64_t noFixFrom = 0;    // seconds without a GPS fix: [noFixFrom, noFixTo)
    std::int64_t noFixTo = 0;
    struct Shock
    {
        double at = 0; // seconds from the start of the drive, on the sensor grid
        double scale = 1;
    };
    std::vector<Shock> shocks;

    double SpeedAt(std::int64_t second) const;
    double DistanceAt(std::int64_t second) const;
};

struct DemoCardPlan
{
    DemoDrive drive;
    std::vector<DemoClip> clips; // in order of their start
};

// The card's clips and drive. Call only with options CheckDemoCardOptions accepts.
DemoCardPlan PlanDemoCard(const DemoCardOptions &options);

// Latitude and longitude (degrees) at a distance along the demo road.
void DemoRoadPosition(double metres, double &latitude, double &longitude);

// The drive-data records of one clip: `sensorRate` sensor records and one GPS record per second.
void MakeDemoDriveData(const DemoDrive &drive, const DemoClip &clip, int sensorRate,
                       std::vector<SensorSample> &sensors, std::vector<GpsSample> &gps);

// The camera's settings as the demo card carries them: firmware 1.12, deletion by time order.
CameraSettings DemoCameraSettings();

// A Liberation Sans font file, or empty when none is installed.
QString FindDemoFont();

// The moments (seconds into the clip) at which a shock of the drive hits during the clip.
std::vector<double> DemoShocksInClip(const DemoDrive &drive, const DemoClip &clip);

// ffmpeg's arguments for one clip: H.264 in AVI with 16-bit PCM sound, the clip's name, the
// camera's clock and the time into the clip drawn on the picture, and "SHOCK" for a second and
// a half from each of `shocks` (seconds into the clip), written to `output`.
QStringList DemoClipFfmpegArguments(const DemoClip &clip, const QString &fontFile,
                                    const QString &output, const std::vector<double> &shocks = {});

struct DemoCardResult
{
    bool ok = false;
    QString error;
    int clipsWritten = 0;
};

// Writes the whole card into `folder` (created when missing; files of the same names are
// replaced, anything else is left alone). `progress` gets one line per step.
DemoCardResult WriteDemoCard(const QString &folder, const DemoCardOptions &options,
                             const std::function<void(const QString &)> &progress = {});

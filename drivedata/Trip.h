#pragma once

#include "DriveDataRecords.h"
#include "RecordingNames.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

// Trips and their routes, without widgets or files: which recordings of a card belong to one
// drive, the route their GPS fixes draw, the speed colours of that route and where a point of it
// was recorded.

// Clips that follow each other with at most this gap (end of one to start of the next) are one
// trip, whatever their kinds.
constexpr qint64 kTripGapSeconds = 60;
// A clip whose drive data cannot be read has no known length: it is taken to last until the next
// clip starts, but never longer than this.
constexpr qint64 kUnknownClipMaxSeconds = 300;

// One recording of the card as the trip grouping sees it.
struct TripClip
{
    QString fileName; // as on the card, e.g. "rec_20250523_081207.avi"
    RecordingKind kind = RecordingKind::Normal;
    QDateTime start; // the camera's clock (kept as UTC for plain arithmetic); invalid: no date
    // The GPS records of its drive-data file, one per second; empty when it had none.
    std::vector<GpsSample> gps;
    bool readable = false; // the drive-data file was read
    // Its sensor readings and the readings at which shocks start (Shocks.h).
    int sensorReadings = 0;
    std::vector<int> shockReadings;

    // Length in seconds: one GPS record per second; unknown (-1) when unreadable.
    qint64 Seconds() const { return readable ? qint64(gps.size()) : -1; }
};

// The camera's clock from a recording's stem "yyyymmdd_hhmmss"; invalid for any other stem.
QDateTime ClipStartFromStem(const QString &stem);

// A clip of a card before its drive data is read: kind and start from the file name.
std::optional<TripClip> TripClipFromFileName(const QString &fileName);

// Groups the clips into trips: each trip is a list of indexes into `clips`, ordered by start
// (then kind, then name); the trips themselves are in time order. Clips without a date stand
// alone.
std::vector<std::vector<int>> GroupTrips(const std::vector<TripClip> &clips);

// The trip (indexes into `clips`) holding the clip named `fileName`; empty when none does.
std::vector<int> TripHolding(const std::vector<TripClip> &clips, const QString &fileName);

// One fix of a route.
struct RoutePoint
{
    double latitude = 0;
    double longitude = 0;
    int speedKmh = 0;
    int clip = 0;   // index into TripRoute::clips
    int second = 0; // seconds into that clip
};

// The route of one trip: its clips in time order and runs of consecutive fixes. Seconds without
// a fix (or with a fix at 0,0 or an impossible speed) and time gaps between clips break a run,
// so that no line is drawn across them.
struct TripRoute
{
    QString folder; // the card folder, ending in '/'
    std::vector<TripClip> clips;
    std::vector<std::vector<RoutePoint>> segments;

    int PointCount() const;
    // The point at an index counted over all segments in order; none out of range.
    std::optional<RoutePoint> PointAt(int index) const;
    bool IsEmpty() const { return segments.empty(); }
};

// Builds the route of a trip from its clips (in any order). Where clips overlap in time (an
// event clip recorded during a normal one) each second is taken once, from a normal clip before
// an event clip before a parking clip, then the earlier-starting one.
TripRoute BuildTripRoute(std::vector<TripClip> clips);

// Where the user asked to go when clicking a route point: a recording and a second into it.
struct RouteTarget
{
    QString fileName;
    int second = 0;
};

// The recording and second for the route point at `index`. When the recording playing now
// (`currentFileName`) covers the same moment, that one is kept and only the second changes.
std::optional<RouteTarget> TargetForRoutePoint(const TripRoute &route, int index,
                                               const QString &currentFileName);

// The speed colour scale: bands of 20 km/h from 0 to 100 and above, colours from the viridis
// scale (readable with every common colour-vision deficiency, lighter as speed grows).
constexpr int kSpeedBandKmh = 20;
constexpr int kSpeedBandCount = 6;
int SpeedBand(int speedKmh);
QColor SpeedBandColor(int band);
// The legend's text of a band: "0-19", ..., "100+" (km/h).
QString SpeedBandLabel(int band);

// The route as the map page takes it: {"segments": [[[lat, lon, band], ...], ...], "legend":
// [{"label", "color"}, ...], "unit": "km/h"}. Points are numbered by their order over all
// segments. In miles per hour the bands and the legend are of the speed in mph (converted as the
// speed read-out does), with the unit "mph".
QByteArray RouteJson(const TripRoute &route, bool milesPerHour = false);

// The moment of a route point on the camera's clock, read in `zone`.
QDateTime RoutePointTime(const TripRoute &route, const RoutePoint &point, const QTimeZone &zone);

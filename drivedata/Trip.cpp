#include "Trip.h"

#include "DataParserCore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <map>

namespace {

// Order of clips in a trip and priority where they overlap: start, then kind (normal first),
// then name.
bool ClipBefore(const TripClip &a, const TripClip &b)
{
    if (a.start != b.start)
        return a.start < b.start;
    if (a.kind != b.kind)
        return int(a.kind) < int(b.kind);
    return a.fileName < b.fileName;
}

std::vector<int> SortedIndexes(const std::vector<TripClip> &clips)
{
    std::vector<int> order(clips.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const bool da = clips[size_t(a)].start.isValid(), db = clips[size_t(b)].start.isValid();
        if (da != db)
            return da; // dated clips first
        return ClipBefore(clips[size_t(a)], clips[size_t(b)]);
    });
    return order;
}

// Whether a GPS record gives a point worth drawing.
std::optional<RoutePoint> PointOf(const GpsSample &g)
{
    if (g.fix == 0 || (g.latitude == 0 && g.longitude == 0))
        return std::nullopt;
    RoutePoint p;
    p.latitude = DegreesFromDegreesMinutes(g.latitude);
    p.longitude = DegreesFromDegreesMinutes(g.longitude);
    p.speedKmh = KmhFromKnotsField(g.speed);
    if (p.speedKmh > kMaxPlausibleSpeedKmh || std::abs(p.latitude) > 90 ||
        std::abs(p.longitude) > 180)
        return std::nullopt;
    return p;
}

} // namespace

QDateTime ClipStartFromStem(const QString &stem)
{
    if (stem.size() != 15)
        return {};
    QDateTime start = QDateTime::fromString(stem, QStringLiteral("yyyyMMdd_HHmmss"));
    if (!start.isValid())
        return {};
    start.setTimeZone(QTimeZone::utc());
    return start;
}

std::optional<TripClip> TripClipFromFileName(const QString &fileName)
{
    const auto kind = ClassifyRecordingName(fileName);
    if (!kind)
        return std::nullopt;
    TripClip clip;
    clip.fileName = fileName;
    clip.kind = *kind;
    clip.start = ClipStartFromStem(RecordingStem(fileName));
    return clip;
}

std::vector<std::vector<int>> GroupTrips(const std::vector<TripClip> &clips)
{
    std::vector<std::vector<int>> trips;
    const std::vector<int> order = SortedIndexes(clips);
    qint64 tripEnd = 0; // seconds since the epoch, the latest end so far in the open trip
    for (size_t k = 0; k < order.size(); ++k) {
        const TripClip &clip = clips[size_t(order[k])];
        if (!clip.start.isValid()) {
            trips.push_back({order[k]});
            continue;
        }
        const qint64 start = clip.start.toSecsSinceEpoch();
        if (trips.empty() || !clips[size_t(trips.back().front())].start.isValid() ||
            start - tripEnd > kTripGapSeconds)
            trips.push_back({});
        trips.back().push_back(order[k]);
        qint64 seconds = clip.Seconds();
        if (seconds < 0) {
            // Unknown length: up to the next clip's start, within reason.
            seconds = 0;
            if (k + 1 < order.size() && clips[size_t(order[k + 1])].start.isValid())
                seconds =
                    std::clamp<qint64>(clips[size_t(order[k + 1])].start.toSecsSinceEpoch() - start,
                                       0, kUnknownClipMaxSeconds);
        }
        tripEnd = trips.back().size() == 1 ? start + seconds : std::max(tripEnd, start + seconds);
    }
    return trips;
}

std::vector<int> TripHolding(const std::vector<TripClip> &clips, const QString &fileName)
{
    for (const std::vector<int> &trip : GroupTrips(clips)) {
        for (const int index : trip) {
            if (clips[size_t(index)].fileName == fileName)
                return trip;
        }
    }
    return {};
}

int TripRoute::PointCount() const
{
    int count = 0;
    for (const auto &segment : segments)
        count += int(segment.size());
    return count;
}

std::optional<RoutePoint> TripRoute::PointAt(int index) const
{
    if (index < 0)
        return std::nullopt;
    for (const auto &segment : segments) {
        if (index < int(segment.size()))
            return segment[size_t(index)];
        index -= int(segment.size());
    }
    return std::nullopt;
}

TripRoute BuildTripRoute(std::vector<TripClip> clips)
{
    TripRoute route;
    std::stable_sort(clips.begin(), clips.end(), ClipBefore);
    route.clips = std::move(clips);

    // Per second of the trip, the clip that gives it (the first by priority).
    struct Source
    {
        int clip;
        int second;
    };
    std::map<qint64, Source> seconds;
    for (size_t c = 0; c < route.clips.size(); ++c) {
        const TripClip &clip = route.clips[c];
        if (!clip.start.isValid() || !clip.readable)
            continue;
        const qint64 start = clip.start.toSecsSinceEpoch();
        for (size_t n = 0; n < clip.gps.size(); ++n) {
            const auto [at, inserted] =
                seconds.try_emplace(start + qint64(n), Source{int(c), int(n)});
            if (!inserted) {
                const TripClip &other = route.clips[size_t(at->second.clip)];
                if (int(clip.kind) < int(other.kind))
                    at->second = Source{int(c), int(n)};
            }
        }
    }

    std::vector<RoutePoint> run;
    qint64 previous = 0;
    const auto closeRun = [&] {
        if (!run.empty())
            route.segments.push_back(std::move(run));
        run.clear();
    };
    for (const auto &[at, source] : seconds) {
        if (!run.empty() && at != previous + 1)
            closeRun();
        previous = at;
        const GpsSample &g = route.clips[size_t(source.clip)].gps[size_t(source.second)];
        std::optional<RoutePoint> point = PointOf(g);
        if (!point) {
            closeRun();
            continue;
        }
        point->clip = source.clip;
        point->second = source.second;
        run.push_back(*point);
    }
    closeRun();
    return route;
}

std::optional<RouteTarget> TargetForRoutePoint(const TripRoute &route, int index,
                                               const QString &currentFileName)
{
    const std::optional<RoutePoint> point = route.PointAt(index);
    if (!point || point->clip < 0 || point->clip >= int(route.clips.size()))
        return std::nullopt;
    const TripClip &clip = route.clips[size_t(point->clip)];
    RouteTarget target{clip.fileName, point->second};
    if (currentFileName.isEmpty() || currentFileName == clip.fileName)
        return target;
    const qint64 at = clip.start.toSecsSinceEpoch() + point->second;
    for (const TripClip &current : route.clips) {
        if (current.fileName != currentFileName || !current.start.isValid())
            continue;
        const qint64 offset = at - current.start.toSecsSinceEpoch();
        if (offset >= 0 && current.Seconds() > offset)
            return RouteTarget{current.fileName, int(offset)};
    }
    return target;
}

int SpeedBand(int speedKmh)
{
    return std::clamp(speedKmh / kSpeedBandKmh, 0, kSpeedBandCount - 1);
}

QColor SpeedBandColor(int band)
{
    // Six evenly spaced samples of viridis.
    static const std::array<QColor, kSpeedBandCount> colors = {
        QColor(0x44, 0x01, 0x54), QColor(0x41, 0x44, 0x87), QColor(0x2a, 0x78, 0x8e),
        QColor(0x22, 0xa8, 0x84), QColor(0x7a, 0xd1, 0x51), QColor(0xfd, 0xe7, 0x25)};
    return colors[size_t(std::clamp(band, 0, kSpeedBandCount - 1))];
}

QString SpeedBandLabel(int band)
{
    band = std::clamp(band, 0, kSpeedBandCount - 1);
    const int low = band * kSpeedBandKmh;
    if (band == kSpeedBandCount - 1)
        return QStringLiteral("%1+").arg(low);
    return QStringLiteral("%1-%2").arg(low).arg(low + kSpeedBandKmh - 1);
}

QByteArray RouteJson(const TripRoute &route, bool milesPerHour)
{
    // The speed read-out's conversion: truncated.
    const auto speed = [milesPerHour](int kmh) {
        return milesPerHour ? static_cast<int>(kmh * 0.6213) : kmh;
    };
    QJsonArray segments;
    for (const auto &segment : route.segments) {
        QJsonArray points;
        for (const RoutePoint &p : segment)
            points.append(QJsonArray{p.latitude, p.longitude, SpeedBand(speed(p.speedKmh))});
        segments.append(points);
    }
    QJsonArray legend;
    for (int band = 0; band < kSpeedBandCount; ++band)
        legend.append(QJsonObject{{QStringLiteral("label"), SpeedBandLabel(band)},
                                  {QStringLiteral("color"), SpeedBandColor(band).name()}});
    const QJsonObject root{
        {QStringLiteral("segments"), segments},
        {QStringLiteral("legend"), legend},
        {QStringLiteral("unit"), milesPerHour ? QStringLiteral("mph") : QStringLiteral("km/h")}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QDateTime RoutePointTime(const TripRoute &route, const RoutePoint &point, const QTimeZone &zone)
{
    if (point.clip < 0 || point.clip >= int(route.clips.size()))
        return {};
    const QDateTime start = route.clips[size_t(point.clip)].start;
    if (!start.isValid())
        return {};
    QDateTime local(start.date(), start.time(), zone);
    return local.addSecs(point.second);
}

// Fuzz target: the trips of a card made of random recordings with random drive-data files, all
// held in memory. The clips are made the way the route builder makes them from the card's files
// (kind and start from the name, GPS records from the parsed drive data); grouping, the route of
// the trip holding one clip, its points, the clicked-point targets and the map's JSON must stay
// consistent whatever the names and files hold.
//
// Input: up to 16 clips, each a name (one length byte, then the name's bytes as a directory entry
// holds them) and a drive-data file (two length bytes, little-endian, then the file's bytes);
// the byte after the last clip picks the clip whose trip is built.

#include "DataParserCore.h"
#include "FileNameBytes.h"
#include "Trip.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

constexpr int kMaxClips = 16;

struct Input
{
    const std::uint8_t *data;
    std::size_t size;
    std::size_t at = 0;

    bool Has(std::size_t n) const { return size - at >= n; }
    QByteArray Take(std::size_t n)
    {
        n = std::min(n, size - at);
        const QByteArray bytes(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
        return bytes;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in{data, size};
    std::vector<TripClip> clips;
    while (int(clips.size()) < kMaxClips && in.Has(3)) {
        const std::size_t nameLength = data[in.at++];
        const QString name = DecodeFileName(in.Take(nameLength));
        if (!in.Has(2))
            break;
        const std::size_t length = data[in.at] | std::size_t(data[in.at + 1]) << 8;
        in.at += 2;
        const QByteArray file = in.Take(length);
        // As the route builder's cache does with a file it has read.
        std::optional<TripClip> named = TripClipFromFileName(name);
        TripClip clip = named ? *named : TripClip{};
        clip.fileName = name;
        const DriveData parsed = ParseDriveData(file);
        if (parsed.loaded) {
            clip.readable = true;
            clip.gps = parsed.gps;
        }
        clips.push_back(std::move(clip));
    }
    if (clips.empty())
        return 0;
    const QString current = clips[in.Has(1) ? data[in.at] % clips.size() : 0].fileName;

    // Every clip in exactly one trip, each trip in start order, undated clips alone.
    const std::vector<std::vector<int>> trips = GroupTrips(clips);
    std::vector<int> seen(clips.size(), 0);
    for (const std::vector<int> &trip : trips) {
        Check(!trip.empty());
        for (std::size_t k = 0; k < trip.size(); ++k) {
            Check(trip[k] >= 0 && trip[k] < int(clips.size()));
            ++seen[std::size_t(trip[k])];
            const TripClip &clip = clips[std::size_t(trip[k])];
            Check(clip.start.isValid() || trip.size() == 1);
            if (k > 0)
                Check(clips[std::size_t(trip[k - 1])].start <= clip.start);
        }
    }
    for (const int count : seen)
        Check(count == 1);

    const std::vector<int> holding = TripHolding(clips, current);
    bool holds = false;
    for (const int index : holding)
        holds = holds || clips[std::size_t(index)].fileName == current;
    Check(holds);

    std::vector<TripClip> tripClips;
    for (const int index : holding)
        tripClips.push_back(clips[std::size_t(index)]);
    const TripRoute route = BuildTripRoute(tripClips);
    Check(route.clips.size() == tripClips.size());

    // Points: real positions and speeds, each second of the trip at most once, runs of
    // consecutive seconds.
    std::set<qint64> moments;
    int count = 0;
    for (const std::vector<RoutePoint> &segment : route.segments) {
        Check(!segment.empty());
        qint64 previous = 0;
        for (std::size_t k = 0; k < segment.size(); ++k) {
            const RoutePoint &p = segment[k];
            Check(p.clip >= 0 && p.clip < int(route.clips.size()));
            const TripClip &clip = route.clips[std::size_t(p.clip)];
            Check(clip.readable && clip.start.isValid());
            Check(p.second >= 0 && std::size_t(p.second) < clip.gps.size());
            Check(std::isfinite(p.latitude) && std::fabs(p.latitude) <= 90);
            Check(std::isfinite(p.longitude) && std::fabs(p.longitude) <= 180);
            Check(p.speedKmh >= 0 && p.speedKmh <= kMaxPlausibleSpeedKmh);
            const qint64 at = clip.start.toSecsSinceEpoch() + p.second;
            Check(moments.insert(at).second);
            Check(k == 0 || at == previous + 1);
            previous = at;
            Check(RoutePointTime(route, p, QTimeZone::utc()).isValid());
            const int band = SpeedBand(p.speedKmh);
            Check(band >= 0 && band < kSpeedBandCount);
            Check(SpeedBandColor(band).isValid() && !SpeedBandLabel(band).isEmpty());
            ++count;
        }
    }
    Check(route.PointCount() == count);
    Check(!route.PointAt(-1) && !route.PointAt(count));

    // Clicking any point leads to a recording of the trip, at a second it holds.
    for (int index = 0; index < count; index += std::max(1, count / 8)) {
        Check(route.PointAt(index).has_value());
        const std::optional<RouteTarget> target = TargetForRoutePoint(route, index, current);
        Check(target.has_value());
        bool found = false;
        for (const TripClip &clip : route.clips) {
            if (clip.fileName == target->fileName && target->second >= 0 &&
                target->second < clip.Seconds())
                found = true;
        }
        Check(found);
    }

    // The map's data reads back with one list per segment and one entry per point.
    const QJsonDocument json = QJsonDocument::fromJson(RouteJson(route));
    Check(json.isObject());
    const QJsonArray segments = json.object().value(QStringLiteral("segments")).toArray();
    Check(segments.size() == qsizetype(route.segments.size()));
    int jsonPoints = 0;
    for (const QJsonValue &segment : segments)
        jsonPoints += int(segment.toArray().size());
    Check(jsonPoints == count);
    return 0;
}

// Fuzz target: drive-data files of any shape must parse without reading outside the buffer, give
// self-consistent results, and every look-up, shock search and graph computation over them must
// stay in range.

#include "DataParserCore.h"
#include "SensorGraphMath.h"
#include "Shocks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool SameSamples(const DriveData &a, const DriveData &b)
{
    return a.loaded == b.loaded && a.status == b.status && a.scaleTop == b.scaleTop &&
           a.sensors.size() == b.sensors.size() && a.gps.size() == b.gps.size() &&
           (a.sensors.empty() ||
            std::memcmp(a.sensors.data(), b.sensors.data(), a.sensors.size() * 20) == 0) &&
           (a.gps.empty() || std::memcmp(a.gps.data(), b.gps.data(), a.gps.size() * 20) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DriveData parsed = ParseDriveData(bytes);

    Check(parsed.loaded == (parsed.status == DriveDataStatus::Ok));
    Check(parsed.sensors.size() * 20 + parsed.gps.size() * 20 <= size);
    Check(parsed.scaleTop >= 0 && parsed.scaleBottom == -parsed.scaleTop);
    Check(parsed.loaded || parsed.gps.empty());

    // Parsing into a used result gives the same as parsing into a fresh one.
    DriveData reused;
    std::uint8_t other[] = {'S', 'E', 'N', 'S', 20,  0,   0,   0,   1,  2,  3,  4,
                            5,   6,   7,   8,   9,   10,  11,  12,  13, 14, 15, 16,
                            17,  18,  19,  20,  'G', 'P', 'S', 'I', 0,  0,  0,  0};
    ParseDriveDataInto(QByteArrayView(reinterpret_cast<const char *>(other), sizeof other), reused);
    ParseDriveDataInto(bytes, reused);
    Check(SameSamples(parsed, reused));

    const int count = int(parsed.gps.size());
    for (int second : {INT_MIN, -1, 0, 1, count - 1, count, count + 1, INT_MAX}) {
        const GpsReading r = GpsReadingAt(parsed, second);
        Check(std::isfinite(r.latitude) && std::isfinite(r.longitude));
        Check(std::fabs(r.latitude) < 21475.0 && std::fabs(r.longitude) < 21475.0);
        Check(r.speedKmh >= 0);
        Check(!r.fix || r.speedKmh <= kMaxPlausibleSpeedKmh);
        if (!parsed.loaded || count == 0)
            Check(!r.fix && r.speedKmh == 0 && r.latitude == 0.0 && r.longitude == 0.0);
    }

    // Graph geometry from the last bytes, kept small so that each run stays quick.
    int width = 1, height = 1, x = 0;
    if (size >= 4) {
        width = int(data[size - 1]) * 4 + int(data[size - 2] % 4) - 1; // -1 .. 1022
        height = int(data[size - 3]) - 1;                              // -1 .. 254
        x = int(std::int8_t(data[size - 4])) * 97;
    }
    const auto lines =
        SensorGraphLines(parsed.sensors, parsed.scaleTop, parsed.scaleBottom, width, height);
    for (const auto &channel : lines) {
        Check(parsed.sensors.empty() || width <= 2 || height <= 0 ||
              channel.size() == qsizetype(width - 2));
        for (const QLine &l : channel) {
            Check(l.x1() >= 1 && l.x2() < width && l.x2() == l.x1() + 1);
            Check(l.y1() >= 0 && l.y1() <= height && l.y2() >= 0 && l.y2() <= height);
        }
    }
    const int duration = int(parsed.gps.size()) * 1000 + int(parsed.sensors.size());
    const int time = GraphTimeForX(x, width, duration);
    if (width > 0 && x >= 0 && x <= width)
        Check(time >= 0 && time <= duration);
    const int cursor = GraphCursorX(width, time, duration);
    (void)cursor;
    (void)GraphCursorRect(x, height);

    // Shocks as the graph finds them after a load: readings per second from the two blocks.
    const int perSecond = parsed.gps.empty() ? 0 : int(parsed.sensors.size() / parsed.gps.size());
    const std::vector<int> shocks = FindShocks(parsed.sensors, perSecond);
    const int ring = perSecond > 0 ? perSecond : 10;
    const int readings = int(parsed.sensors.size());
    Check(readings >= 2 || shocks.empty());
    for (size_t i = 0; i < shocks.size(); ++i) {
        Check(shocks[i] >= 1 && shocks[i] < readings);
        // A shock rings for a second: the next one starts after that.
        Check(i == 0 || qint64(shocks[i]) - shocks[i - 1] > ring);
        // Its mark stands on the first column that shows it.
        if (width > 0) {
            const int mark = GraphXForReading(shocks[i], readings, width);
            Check(mark >= 0 && mark <= width);
            Check(qint64(mark) * readings / width >= shocks[i]);
            Check(mark == 0 || qint64(mark - 1) * readings / width < shocks[i]);
        }
    }

    // Shock times over a clip length taken from the input, and the jumps between them from a play
    // time (never negative: the player clamps it).
    const int clipMs = size >= 8 ? int(ReadLe32(data + size - 8) & 0x7fffffff) : 60000;
    QList<int> times;
    for (const int reading : shocks) {
        const int t = ShockTimeMs(reading, readings, clipMs);
        Check(t >= 0 && t <= clipMs);
        Check(times.isEmpty() || t >= times.back());
        times << t;
    }
    const int now = size >= 12 ? int(ReadLe32(data + size - 12) & 0x7fffffff) : 0;
    for (const bool forward : {true, false}) {
        const std::optional<int> target = AdjacentShockTarget(times, now, forward);
        if (!target)
            continue;
        Check(*target >= 0);
        Check(forward ? qint64(*target) > now : qint64(*target) < now);
        bool isShock = false;
        for (const int t : times)
            isShock = isShock || *target == std::max(0, t - kShockLeadMs);
        Check(isShock);
    }
    return 0;
}

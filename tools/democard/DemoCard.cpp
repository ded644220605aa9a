#include "DemoCard.h"

#include "DriveDataWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace {

// Uniform numbers from the generator by fixed formulas, so the card does not depend on how the
// standard library implements its distributions.
int UniformInt(std::mt19937 &rng, int lo, int hi)
{
    const auto span = static_cast<std::uint32_t>(hi - lo + 1);
    return lo + static_cast<int>(rng() % span);
}

double UniformReal(std::mt19937 &rng, double lo, double hi)
{
    return lo + (hi - lo) * (double(rng()) / 4294967296.0);
}

// Counter-based noise: the same instant gives the same reading in every clip that covers it.
std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double HashUniform(std::uint32_t seed, std::int64_t index, int channel, int draw)
{
    const std::uint64_t h = Mix(Mix(Mix(seed) ^ static_cast<std::uint64_t>(index)) ^
                                (std::uint64_t(channel) << 8 | std::uint64_t(draw)));
    return double(h >> 11) * (1.0 / 9007199254740992.0);
}

// Close to a standard normal variable: the sum of twelve uniform numbers, less six.
double HashNormal(std::uint32_t seed, std::int64_t index, int channel)
{
    double sum = 0;
    for (int draw = 0; draw < 12; ++draw)
        sum += HashUniform(seed, index, channel, draw);
    return sum - 6.0;
}

// The demo road: along Teheran-ro from Gangnam Station east to Samseong, then on towards
// Jamsil. Metres per degree at 37.5 degrees north.
struct RoadPoint
{
    double latitude;
    double longitude;
};
constexpr std::array<RoadPoint, 10> kRoad = {{
    {37.49794, 127.02764},
    {37.50064, 127.03646},
    {37.50266, 127.04311},
    {37.50451, 127.04896},
    {37.50637, 127.05513},
    {37.50886, 127.06316},
    {37.51014, 127.06768},
    {37.51116, 127.07364},
    {37.51243, 127.08590},
    {37.51326, 127.10013},
}};
constexpr double kMetresPerDegreeLatitude = 110996.0;
constexpr double kMetresPerDegreeLongitude = 88316.0;

double SegmentLength(const RoadPoint &a, const RoadPoint &b)
{
    const double dy = (b.latitude - a.latitude) * kMetresPerDegreeLatitude;
    const double dx = (b.longitude - a.longitude) * kMetresPerDegreeLongitude;
    return std::sqrt(dx * dx + dy * dy);
}

double RoadLength()
{
    double total = 0;
    for (size_t i = 0; i + 1 < kRoad.size(); ++i)
        total += SegmentLength(kRoad[i], kRoad[i + 1]);
    return total;
}

// City driving: stops at lights, moving off, cruising at 30-65 km/h, slowing in traffic; the
// car comes to a stop at the end of the drive.
std::vector<double> MakeSpeedProfile(std::mt19937 &rng, int seconds)
{
    std::vector<double> speed;
    speed.reserve(size_t(seconds));
    const auto full = [&] { return int(speed.size()) >= seconds; };
    const auto push = [&](double kmh) {
        if (!full())
            speed.push_back(std::clamp(kmh, 0.0, 70.0));
    };
    double current = 0;
    bool first = true;
    while (!full()) {
        const int stop = first ? UniformInt(rng, 2, 4) : UniformInt(rng, 6, 20);
        first = false;
        for (int i = 0; i < stop; ++i)
            push(0);
        double target = UniformReal(rng, 30, 65);
        const int legs = UniformInt(rng, 1, 3);
        for (int leg = 0; leg < legs && !full(); ++leg) {
            const double step = UniformReal(rng, 1.0, 2.2) * 3.6; // km/h per second
            while (std::fabs(current - target) > 0.01 && !full()) {
                current = current < target ? std::min(target, current + step)
                                           : std::max(target, current - step);
                push(current);
            }
            const int cruise = UniformInt(rng, 8, 30);
            for (int i = 0; i < cruise && !full(); ++i) {
                current = std::clamp(current + UniformReal(rng, -1.5, 1.5), target - 5,
                                     std::min(70.0, target + 5));
                push(current);
            }
            target = UniformReal(rng, 20, 65);
        }
        const double brake = UniformReal(rng, 1.5, 3.0) * 3.6;
        while (current > 0 && !full()) {
            current = std::max(0.0, current - brake);
            push(current);
        }
    }
    // Slow down gently to stand still in the last second of the drive.
    for (int t = 0; t < seconds; ++t)
        speed[size_t(t)] = std::min(speed[size_t(t)], (seconds - 1 - t) * 1.8 * 3.6);
    // The speeds the GPS can report: whole knots, shown truncated to km/h.
    for (double &kmh : speed)
        kmh = SpeedFieldToKmh(EncodeSpeedKmh(int(std::lround(kmh))));
    return speed;
}

QString StemOf(const QDateTime &start)
{
    return start.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

int ClipLength(std::mt19937 &rng, const DemoCardOptions &options, DemoClipKind kind)
{
    if (options.seconds > 0)
        return options.seconds;
    return kind == DemoClipKind::Normal ? UniformInt(rng, 40, 60) : UniformInt(rng, 20, 30);
}

} // namespace

QString DemoClipPrefix(DemoClipKind kind)
{
    switch (kind) {
    case DemoClipKind::Event:
        return QStringLiteral("evt_");
    case DemoClipKind::Parking:
        return QStringLiteral("pmr_");
    case DemoClipKind::Normal:
        break;
    }
    return QStringLiteral("rec_");
}

QString DemoClip::stem() const
{
    return StemOf(start);
}

QString DemoClip::fileName() const
{
    return DemoClipPrefix(kind) + stem() + QStringLiteral(".avi");
}

QString DemoClip::dataFileName() const
{
    return DemoClipPrefix(kind) + stem() + QStringLiteral(".dat");
}

double DemoDrive::SpeedAt(std::int64_t second) const
{
    if (second < 0 || second >= std::int64_t(speedKmh.size()))
        return 0;
    return speedKmh[size_t(second)];
}

double DemoDrive::DistanceAt(std::int64_t second) const
{
    if (distanceM.empty() || second < 0)
        return 0;
    if (second >= std::int64_t(distanceM.size()))
        return distanceM.back();
    return distanceM[size_t(second)];
}

QString CheckDemoCardOptions(const DemoCardOptions &options)
{
    if (options.clipsPerKind < 0 || options.clipsPerKind > 50)
        return QStringLiteral("the number of clips per kind must be 1 to 50");
    if (options.seconds < 0 || options.seconds > 600)
        return QStringLiteral("the clip length must be 1 to 600 seconds");
    if ((options.width == 0) != (options.height == 0))
        return QStringLiteral("give both the width and the height");
    if (options.width != 0) {
        if (options.width < 16 || options.height < 16 || options.width > 4096 ||
            options.height > 4096)
            return QStringLiteral("the clip size must be 16 to 4096 pixels each way");
        if (options.width % 2 != 0 || options.height % 2 != 0)
            return QStringLiteral("the clip width and height must be even");
    }
    if (options.sensorRate < 1 || options.sensorRate > 100)
        return QStringLiteral("the sensor rate must be 1 to 100 records a second");
    if (!options.start.isValid())
        return QStringLiteral("the start time is not valid");
    return {};
}

DemoCardPlan PlanDemoCard(const DemoCardOptions &options)
{
    std::mt19937 rng(options.seed);
    DemoCardPlan plan;
    const int normals = options.clipsPerKind > 0 ? options.clipsPerKind : 4;
    const int events = options.clipsPerKind > 0 ? options.clipsPerKind : 3;
    const int parkings = options.clipsPerKind > 0 ? options.clipsPerKind : 3;

    const auto makeClip = [&](DemoClipKind kind, std::int64_t offset) {
        DemoClip clip;
        clip.kind = kind;
        clip.offset = offset;
        clip.seconds = ClipLength(rng, options, kind);
        clip.start = options.start.addSecs(offset);
        clip.width = options.width > 0 ? options.width : 1920;
        clip.height = options.height > 0 ? options.height : 1080;
        return clip;
    };

    // The drive: normal clips back to back.
    std::vector<DemoClip> normalClips;
    std::int64_t offset = 0;
    for (int i = 0; i < normals; ++i) {
        normalClips.push_back(makeClip(DemoClipKind::Normal, offset));
        offset += normalClips.back().seconds;
    }
    const auto driveSeconds = static_cast<int>(offset);

    std::vector<std::int64_t> starts;
    for (const DemoClip &clip : normalClips)
        starts.push_back(clip.offset);
    const auto taken = [&](std::int64_t s) {
        return std::find(starts.begin(), starts.end(), s) != starts.end();
    };

    // Events: a shock during the drive, the event clip starting a third of its length before.
    std::vector<DemoClip> eventClips;
    for (int j = 0; j < events; ++j) {
        const DemoClip &host = normalClips[size_t(j * normals / events)];
        const int within = host.seconds > 1 ? UniformInt(rng, 1, host.seconds - 1) : 0;
        DemoClip clip = makeClip(DemoClipKind::Event, 0);
        const int lead = std::min(clip.seconds / 3, int(host.offset + within));
        std::int64_t start = host.offset + within - lead;
        while (taken(start))
            ++start;
        starts.push_back(start);
        clip.offset = start;
        clip.start = options.start.addSecs(start);
        // The shock falls on the sensor grid, a few tenths into its second.
        const int tenths = UniformInt(rng, 1, 8);
        clip.shockAt =
            std::min(double(host.offset + within - start) + tenths / 10.0, clip.seconds - 0.5);
        clip.shockAt =
            std::max(0.0, std::round(clip.shockAt * options.sensorRate) / options.sensorRate);
        eventClips.push_back(clip);
    }

    // Parking: the car stands where the drive ended; bumps and passers-by later that day.
    std::int64_t parkedFrom = driveSeconds;
    for (const DemoClip &clip : eventClips)
        parkedFrom = std::max(parkedFrom, clip.offset + clip.seconds);
    std::vector<DemoClip> parkingClips;
    std::int64_t next = parkedFrom + UniformInt(rng, 1800, 5400);
    for (int k = 0; k < parkings; ++k) {
        DemoClip clip = makeClip(DemoClipKind::Parking, next);
        clip.shockAt = std::round(clip.seconds / 3.0 * options.sensorRate) / options.sensorRate;
        parkingClips.push_back(clip);
        next += clip.seconds + UniformInt(rng, 600, 3600);
    }

    // The demo layout shows the other sizes the camera records: one HD clip during the drive,
    // one D1-like clip while parked.
    if (options.width == 0) {
        DemoClip &hd = normalClips[normalClips.size() > 2 ? 2 : normalClips.size() - 1];
        hd.width = 1280;
        hd.height = 720;
        DemoClip &small = parkingClips.back();
        small.width = 800;
        small.height = 480;
    }

    DemoDrive &drive = plan.drive;
    drive.seed = options.seed;
    drive.driveSeconds = driveSeconds;
    drive.speedKmh = MakeSpeedProfile(rng, driveSeconds);
    drive.distanceM.assign(size_t(driveSeconds) + 1, 0.0);
    for (int t = 0; t < driveSeconds; ++t)
        drive.distanceM[size_t(t) + 1] =
            drive.distanceM[size_t(t)] +
            (drive.speedKmh[size_t(t)] + drive.SpeedAt(t + 1)) / 2.0 / 3.6;

    // An underpass in the second normal clip: some seconds without a fix.
    const DemoClip &tunnel = normalClips[normalClips.size() > 1 ? 1 : 0];
    const int tunnelLength = std::clamp(tunnel.seconds / 4, 1, 8);
    drive.noFixFrom = tunnel.offset + std::max(1, tunnel.seconds / 3);
    drive.noFixTo = std::min(drive.noFixFrom + tunnelLength, tunnel.offset + tunnel.seconds);
    if (drive.noFixFrom >= drive.noFixTo)
        drive.noFixFrom = std::max<std::int64_t>(tunnel.offset, drive.noFixTo - 1);

    for (const DemoClip &clip : eventClips)
        drive.shocks.push_back({double(clip.offset) + clip.shockAt, 1.0});
    for (const DemoClip &clip : parkingClips)
        drive.shocks.push_back({double(clip.offset) + clip.shockAt, 0.45});

    plan.clips = normalClips;
    plan.clips.insert(plan.clips.end(), eventClips.begin(), eventClips.end());
    plan.clips.insert(plan.clips.end(), parkingClips.begin(), parkingClips.end());
    std::stable_sort(plan.clips.begin(), plan.clips.end(),
                     [](const DemoClip &a, const DemoClip &b) { return a.offset < b.offset; });
    return plan;
}

void DemoRoadPosition(double metres, double &latitude, double &longitude)
{
    // Past the road's end the car turns round and drives back.
    const double length = RoadLength();
    double along = std::fmod(std::max(0.0, metres), 2 * length);
    if (along > length)
        along = 2 * length - along;
    for (size_t i = 0; i + 1 < kRoad.size(); ++i) {
        const double segment = SegmentLength(kRoad[i], kRoad[i + 1]);
        if (along <= segment || i + 2 == kRoad.size()) {
            const double f = segment > 0 ? std::min(1.0, along / segment) : 0.0;
            latitude = kRoad[i].latitude + (kRoad[i + 1].latitude - kRoad[i].latitude) * f;
            longitude = kRoad[i].longitude + (kRoad[i + 1].longitude - kRoad[i].longitude) * f;
            return;
        }
        along -= segment;
    }
    latitude = kRoad.front().latitude;
    longitude = kRoad.front().longitude;
}

void MakeDemoDriveData(const DemoDrive &drive, const DemoClip &clip, int sensorRate,
                       std::vector<SensorSample> &sensors, std::vector<GpsSample> &gps)
{
    constexpr double kUnitsPerG = 256.0; // the sensor's raw units
    sensors.clear();
    gps.clear();

    const int count = clip.seconds * sensorRate;
    sensors.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        const std::int64_t index = clip.offset * sensorRate + k;
        const double t = double(clip.offset) + double(k) / sensorRate;
        const auto second = static_cast<std::int64_t>(std::floor(t));
        const double v0 = drive.SpeedAt(second);
        const double v1 = drive.SpeedAt(second + 1);
        const bool moving = v0 > 0 || v1 > 0;
        const bool engineOn = second < drive.driveSeconds;
        const double accel = (v1 - v0) / 3.6 / 9.81 * kUnitsPerG; // forward, in sensor units
        const double speed = v0 + (v1 - v0) * (t - double(second));

        double x = accel + (engineOn ? 7.0 : 2.0) * HashNormal(drive.seed, index, 1);
        double y = (moving ? 0.12 * speed * std::sin(t * 0.37) : 0.0) +
                   (engineOn ? 6.0 : 2.0) * HashNormal(drive.seed, index, 2);
        double z = (moving ? 4.0 + 0.18 * speed : (engineOn ? 4.0 : 1.5)) *
                   HashNormal(drive.seed, index, 3);

        for (const DemoDrive::Shock &shock : drive.shocks) {
            const double dt = t - shock.at;
            if (dt < -1e-6 || dt > 1.2)
                continue;
            // A hard knock rings down within a second: a damped 4 Hz swing.
            const double ring = std::exp(-dt * 4.0) * std::cos(2 * std::numbers::pi * 4.0 * dt);
            x += -230.0 * shock.scale * ring;
            y += 150.0 * shock.scale * ring;
            z += 170.0 * shock.scale * ring;
        }

        SensorSample sample;
        sample.reserved0 = static_cast<std::int32_t>(index & 0x7fffffff);
        sample.channel1 = static_cast<std::int32_t>(std::lround(x));
        sample.channel2 = static_cast<std::int32_t>(std::lround(y));
        sample.channel3 = static_cast<std::int32_t>(std::lround(z));
        sensors.push_back(sample);
    }

    gps.reserve(size_t(clip.seconds));
    for (int n = 0; n < clip.seconds; ++n) {
        const std::int64_t second = clip.offset + n;
        GpsSample fix;
        fix.reserved0 = static_cast<std::int32_t>(second & 0x7fffffff);
        if (second >= drive.noFixFrom && second < drive.noFixTo) {
            gps.push_back(fix); // no fix: the receiver reports nothing useful
            continue;
        }
        double latitude = 0;
        double longitude = 0;
        DemoRoadPosition(drive.DistanceAt(second), latitude, longitude);
        // The receiver wanders by a metre or so.
        latitude += 0.00001 * HashNormal(drive.seed, second, 11);
        longitude += 0.00001 * HashNormal(drive.seed, second, 12);
        fix.fix = 1;
        fix.latitude = EncodeCoordinate(latitude);
        fix.longitude = EncodeCoordinate(longitude);
        fix.speed = EncodeSpeedKmh(int(std::lround(drive.SpeedAt(second))));
        gps.push_back(fix);
    }
}

CameraSettings DemoCameraSettings()
{
    CameraSettings s;
    s.fwMajor = 1;
    s.fwMinor = 12;
    s.frameRate = 0;
    s.timeZone = 76; // (GMT+09:00) Seoul
    s.driveShockSensitivity = 2;
    s.parkingMode = 2;
    s.quality = 0;
    s.parkShockSensitivity = 1;
    s.brightness = 0;
    s.motionSensitivity = 1;
    s.shockAlarm = 1;
    s.deletionMethod = 1; // by time order: the ratios are not used
    s.ratioNormal = 0;
    s.ratioEvent = 0;
    s.ratioParking = 0;
    s.speedDisplay = 0;
    return s;
}

QString FindDemoFont()
{
    const QStringList candidates = {
        QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/liberation-sans/LiberationSans-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/TTF/LiberationSans-Regular.ttf"),
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    // Elsewhere, ask fontconfig.
    QProcess match;
    match.start(QStringLiteral("fc-match"), {QStringLiteral("-f"), QStringLiteral("%{file}"),
                                             QStringLiteral("Liberation Sans")});
    if (match.waitForFinished(10000) && match.exitStatus() == QProcess::NormalExit &&
        match.exitCode() == 0) {
        const QString path = QString::fromLocal8Bit(match.readAllStandardOutput()).trimmed();
        if (path.contains(QStringLiteral("LiberationSans")) && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

namespace {

// A filter option's value, unquoted: backslash, quote and colon escaped for the option parser,
// then the result escaped once more for the filter graph.
QString FilterValue(const QString &text)
{
    QString level1;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'' || c == u':')
            level1 += u'\\';
        level1 += c;
    }
    QString level2;
    for (const QChar c : level1) {
        if (c == u'\\' || c == u'\'' || c == u',' || c == u';' || c == u'[' || c == u']')
            level2 += u'\\';
        level2 += c;
    }
    return level2;
}

} // namespace

std::vector<double> DemoShocksInClip(const DemoDrive &drive, const DemoClip &clip)
{
    std::vector<double> within;
    for (const DemoDrive::Shock &shock : drive.shocks) {
        const double at = shock.at - double(clip.offset);
        if (at >= 0 && at < clip.seconds)
            within.push_back(at);
    }
    std::sort(within.begin(), within.end());
    return within;
}

QStringList DemoClipFfmpegArguments(const DemoClip &clip, const QString &fontFile,
                                    const QString &output, const std::vector<double> &shocks)
{
    const QString size = QStringLiteral("%1x%2").arg(clip.width).arg(clip.height);
    const QString duration = QString::number(clip.seconds);
    QString source;
    int tone = 440;
    switch (clip.kind) {
    case DemoClipKind::Normal:
        source = QStringLiteral("testsrc2=");
        break;
    case DemoClipKind::Event:
        source = QStringLiteral("smptebars=");
        tone = 880;
        break;
    case DemoClipKind::Parking:
        source = QStringLiteral("color=c=0x1d2b3a:");
        tone = 330;
        break;
    }
    source += QStringLiteral("size=%1:rate=30:duration=%2").arg(size, duration);

    const int fontSize = std::max(10, clip.height / 15);
    const int margin = std::max(4, clip.height / 40);
    const QString font = QStringLiteral("fontfile=%1").arg(FilterValue(fontFile));
    const QString box = QStringLiteral(":fontsize=%1:box=1:boxcolor=black@0.6:boxborderw=%2")
                            .arg(fontSize)
                            .arg(std::max(2, fontSize / 6));
    const auto line = [&](int row) {
        return QStringLiteral(":x=%1:y=%2")
            .arg(margin)
            .arg(clip.height - margin - (3 - row) * (fontSize * 3 / 2));
    };
    // The name, the camera's date and time, and the time into the clip, bottom left.
    const QString epoch = QString::number(clip.start.toSecsSinceEpoch());
    const QString filters =
        QStringLiteral("drawtext=%1:text=%2%3:fontcolor=white%4,"
                       "drawtext=%1:text='%{pts\\:gmtime\\:%5\\:%Y-%m-%d %H\\\\\\:%M\\\\\\:%S}'"
                       "%3:fontcolor=yellow%6,"
                       "drawtext=%1:text='%{pts\\:hms}'%3:fontcolor=white%7")
            .arg(font, FilterValue(clip.fileName()), box, line(0), epoch, line(1), line(2));
    // A marker at each shock, to check the sensor graph against the picture.
    QString markers;
    for (const double at : shocks) {
        markers += QStringLiteral(",drawtext=%1:text=SHOCK:fontsize=%2:fontcolor=red:box=1:"
                                  "boxcolor=white@0.8:boxborderw=%3:x=(w-text_w)/2:y=h/6:"
                                  "enable='between(t,%4,%5)'")
                       .arg(font)
                       .arg(fontSize * 2)
                       .arg(std::max(2, fontSize / 4))
                       .arg(at, 0, 'f', 2)
                       .arg(at + 1.5, 0, 'f', 2);
    }

    return {
        QStringLiteral("-hide_banner"),
        QStringLiteral("-nostdin"),
        QStringLiteral("-loglevel"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        source,
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        QStringLiteral("sine=frequency=%1:sample_rate=22050:duration=%2").arg(tone).arg(duration),
        QStringLiteral("-vf"),
        filters + markers,
        QStringLiteral("-c:v"),
        QStringLiteral("libx264"),
        QStringLiteral("-preset"),
        QStringLiteral("veryfast"),
        QStringLiteral("-crf"),
        QStringLiteral("30"),
        QStringLiteral("-g"),
        QStringLiteral("30"),
        QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"),
        QStringLiteral("-c:a"),
        QStringLiteral("pcm_s16le"),
        QStringLiteral("-ac"),
        QStringLiteral("1"),
        QStringLiteral("-t"),
        duration,
        QStringLiteral("-f"),
        QStringLiteral("avi"),
        output};
}

DemoCardResult WriteDemoCard(const QString &folder, const DemoCardOptions &options,
                             const std::function<void(const QString &)> &progress)
{
    DemoCardResult result;
    const auto say = [&](const QString &text) {
        if (progress)
            progress(text);
    };
    const auto fail = [&](const QString &error) {
        result.ok = false;
        result.error = error;
        return result;
    };

    if (const QString problem = CheckDemoCardOptions(options); !problem.isEmpty())
        return fail(problem);
    if (folder.isEmpty())
        return fail(QStringLiteral("no folder given"));

    QString ffmpeg = options.ffmpeg;
    if (!ffmpeg.contains(u'/'))
        ffmpeg = QStandardPaths::findExecutable(ffmpeg);
    if (ffmpeg.isEmpty() || !QFileInfo(ffmpeg).isExecutable())
        return fail(QStringLiteral("ffmpeg was not found (%1); install the ffmpeg package")
                        .arg(options.ffmpeg));
    const QString font = options.fontFile.isEmpty() ? FindDemoFont() : options.fontFile;
    if (font.isEmpty() || !QFileInfo(font).isFile())
        return fail(QStringLiteral("the Liberation Sans font was not found; install the "
                                   "fonts-liberation2 package"));

    QDir dir(folder);
    if (!QDir().mkpath(dir.absolutePath()) || !QFileInfo(dir.absolutePath()).isDir())
        return fail(QStringLiteral("cannot create the folder %1").arg(folder));
    const QString settingsPath = CameraSettingsPath(dir.absolutePath() + u'/');
    if (!CreateCameraSettingsFile(settingsPath, DemoCameraSettings()))
        return fail(QStringLiteral("cannot write to the folder %1").arg(folder));
    say(QStringLiteral("Setup/setup.bin"));

    const DemoCardPlan plan = PlanDemoCard(options);
    const int total = int(plan.clips.size());
    for (const DemoClip &clip : plan.clips) {
        std::vector<SensorSample> sensors;
        std::vector<GpsSample> gps;
        MakeDemoDriveData(plan.drive, clip, options.sensorRate, sensors, gps);
        if (!WriteDriveDataFile(dir.filePath(clip.dataFileName()), sensors, gps))
            return fail(QStringLiteral("cannot write %1").arg(dir.filePath(clip.dataFileName())));

        say(QStringLiteral("[%1/%2] %3  %4x%5  %6 s")
                .arg(result.clipsWritten + 1)
                .arg(total)
                .arg(clip.fileName())
                .arg(clip.width)
                .arg(clip.height)
                .arg(clip.seconds));
        // Encode beside the clip under a name the player ignores, then put it in place.
        const QString finalPath = dir.filePath(clip.fileName());
        const QString partPath = dir.filePath(u'.' + clip.fileName() + QStringLiteral(".part"));
        QProcess encoder;
        encoder.setProcessChannelMode(QProcess::MergedChannels);
        encoder.start(ffmpeg, DemoClipFfmpegArguments(clip, font, partPath,
                                                      DemoShocksInClip(plan.drive, clip)));
        if (!encoder.waitForStarted(30000))
            return fail(QStringLiteral("cannot run %1: %2").arg(ffmpeg, encoder.errorString()));
        encoder.waitForFinished(-1);
        const QString output = QString::fromLocal8Bit(encoder.readAll()).trimmed();
        if (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0) {
            QFile::remove(partPath);
            return fail(
                QStringLiteral("ffmpeg failed on %1: %2").arg(clip.fileName(), output.right(800)));
        }
        QFile::remove(finalPath);
        if (!QFile::rename(partPath, finalPath)) {
            QFile::remove(partPath);
            return fail(QStringLiteral("cannot write %1").arg(finalPath));
        }
        ++result.clipsWritten;
    }
    result.ok = true;
    return result;
}

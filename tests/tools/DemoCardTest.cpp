#include "DemoCard.h"
#include "DriveDataWriter.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

// A demo card must look to the player exactly like the camera's card: names, drive-data files
// by the file format, the settings record, and real AVI clips of the requested size.
namespace {

std::uint32_t U32At(const QByteArray &bytes, qsizetype offset)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + offset);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

struct Sensor
{
    int ch1, ch2, ch3;
};
struct Fix
{
    bool fix;
    double latitude, longitude;
    int kmh;
};
struct DriveData
{
    bool ok = false;
    std::vector<Sensor> sensors;
    std::vector<Fix> gps;
};

// Reads a drive-data file by the format's rules: "SENS", L1, records, "GPSI", L2, records.
DriveData Decode(const QByteArray &bytes)
{
    DriveData d;
    if (bytes.size() < 16 || bytes.left(4) != "SENS")
        return d;
    const qint64 l1 = U32At(bytes, 4);
    if (8 + l1 + 8 > bytes.size() || bytes.mid(8 + l1, 4) != "GPSI")
        return d;
    const qint64 l2 = U32At(bytes, 12 + l1);
    if (l1 % 20 != 0 || l2 % 20 != 0 || 16 + l1 + l2 != bytes.size())
        return d; // the writer leaves no stray bytes
    for (qint64 i = 0; i < l1 / 20; ++i) {
        const qint64 r = 8 + 20 * i;
        d.sensors.push_back({int(std::int32_t(U32At(bytes, r + 4))),
                             int(std::int32_t(U32At(bytes, r + 8))),
                             int(std::int32_t(U32At(bytes, r + 12)))});
    }
    const auto degrees = [](std::int32_t v) {
        const double c = v / 10000.0 / 100.0;
        const double whole = std::trunc(c);
        return whole + (c - whole) * 100.0 / 60.0;
    };
    for (qint64 i = 0; i < l2 / 20; ++i) {
        const qint64 r = 16 + l1 + 20 * i;
        d.gps.push_back({U32At(bytes, r + 4) != 0, degrees(std::int32_t(U32At(bytes, r + 8))),
                         degrees(std::int32_t(U32At(bytes, r + 12))),
                         int(U32At(bytes, r + 16) / 10000.0 * 18520.0)});
    }
    d.ok = true;
    return d;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A clear shock: one channel-1 reading far above the clip's ordinary ones.
bool HasShockSpike(const std::vector<Sensor> &sensors)
{
    if (sensors.empty())
        return false;
    std::vector<int> magnitudes;
    for (const Sensor &s : sensors)
        magnitudes.push_back(std::abs(s.ch1));
    std::sort(magnitudes.begin(), magnitudes.end());
    const int peak = magnitudes.back();
    const int median = magnitudes[magnitudes.size() / 2];
    return peak >= 80 && peak >= 4 * std::max(median, 1);
}

double MetresBetween(const Fix &a, const Fix &b)
{
    const double dy = (a.latitude - b.latitude) * 110996.0;
    const double dx = (a.longitude - b.longitude) * 88316.0;
    return std::sqrt(dx * dx + dy * dy);
}

// The headers of an AVI file that the player and libvlc rely on.
struct AviInfo
{
    bool riff = false;
    std::uint32_t microSecondsPerFrame = 0, totalFrames = 0, width = 0, height = 0;
    std::uint32_t fixedOffsetWidth = 0, fixedOffsetHeight = 0; // bytes 64 and 68
    QByteArray videoHandler, videoCompression;
    bool audioPcm16 = false;
};

AviInfo ReadAvi(const QString &path)
{
    AviInfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QByteArray head = file.read(64 * 1024);
    if (head.size() < 72 || head.left(4) != "RIFF" || U32At(head, 4) == 0 ||
        head.mid(8, 4) != "AVI ")
        return info;
    info.riff = true;
    info.fixedOffsetWidth = U32At(head, 64) & 0xFFFF;
    info.fixedOffsetHeight = U32At(head, 68) & 0xFFFF;
    // Walk the chunks of the header list; strh is followed by its strf.
    QByteArray streamType;
    std::function<void(qsizetype, qsizetype)> walk = [&](qsizetype at, qsizetype end) {
        while (at + 8 <= end && at + 8 <= head.size()) {
            const QByteArray id = head.mid(at, 4);
            const qsizetype size = U32At(head, at + 4);
            const qsizetype body = at + 8;
            if (id == "LIST" && body + 4 <= head.size()) {
                if (head.mid(body, 4) != "movi")
                    walk(body + 4, std::min(body + size, head.size()));
            } else if (id == "avih" && body + 40 <= head.size()) {
                info.microSecondsPerFrame = U32At(head, body);
                info.totalFrames = U32At(head, body + 16);
                info.width = U32At(head, body + 32);
                info.height = U32At(head, body + 36);
            } else if (id == "strh" && body + 8 <= head.size()) {
                streamType = head.mid(body, 4);
                if (streamType == "vids")
                    info.videoHandler = head.mid(body + 4, 4);
            } else if (id == "strf" && streamType == "vids" && body + 20 <= head.size()) {
                info.videoCompression = head.mid(body + 16, 4);
            } else if (id == "strf" && streamType == "auds" && body + 16 <= head.size()) {
                const auto tag = U32At(head, body) & 0xFFFF;
                const auto bits = U32At(head, body + 14) & 0xFFFF;
                info.audioPcm16 = tag == 1 && bits == 16;
            }
            at = body + size + (size & 1);
        }
    };
    walk(12, head.size());
    return info;
}

DemoCardOptions TinyOptions(std::uint32_t seed = 7)
{
    DemoCardOptions o;
    o.clipsPerKind = 3;
    o.seconds = 2;
    o.width = 320;
    o.height = 240;
    o.seed = seed;
    return o;
}

const QRegularExpression kCardName(QStringLiteral("^(rec|evt|pmr)_(\\d{8})_(\\d{6})\\.(avi|dat)$"));

// One tiny card made through the library, shared by the tests below.
class TinyCard : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        result = WriteDemoCard(folder->filePath(QStringLiteral("card")), TinyOptions());
    }
    static void TearDownTestSuite() { folder.reset(); }
    static QString CardPath() { return folder->filePath(QStringLiteral("card")); }
    static QStringList Files(const QString &pattern)
    {
        return QDir(CardPath()).entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    static std::unique_ptr<QTemporaryDir> folder;
    static DemoCardResult result;
};
std::unique_ptr<QTemporaryDir> TinyCard::folder;
DemoCardResult TinyCard::result;

} // namespace

TEST_F(TinyCard, FollowsTheCardsNameGrammar)
{
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.clipsWritten, 9);
    const QStringList all = Files(QStringLiteral("*"));
    std::map<QString, int> kinds;
    QStringList stems;
    for (const QString &name : all) {
        const auto m = kCardName.match(name);
        ASSERT_TRUE(m.hasMatch()) << name.toStdString();
        if (m.captured(4) == u"avi") {
            ++kinds[m.captured(1)];
            stems << m.captured(2) + u'_' + m.captured(3);
            EXPECT_TRUE(all.contains(name.chopped(4) + QStringLiteral(".dat")))
                << name.toStdString();
        } else {
            EXPECT_TRUE(all.contains(name.chopped(4) + QStringLiteral(".avi")))
                << name.toStdString();
        }
    }
    EXPECT_EQ(kinds[QStringLiteral("rec")], 3);
    EXPECT_EQ(kinds[QStringLiteral("evt")], 3);
    EXPECT_EQ(kinds[QStringLiteral("pmr")], 3);
    stems.removeDuplicates();
    EXPECT_EQ(stems.size(), 9); // one recording per start second
    EXPECT_TRUE(QDir(CardPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot) ==
                QStringList{QStringLiteral("Setup")});
}

TEST_F(TinyCard, DriveDataHasOneFixPerSecondAndEventSpikes)
{
    ASSERT_TRUE(result.ok);
    for (const QString &name : Files(QStringLiteral("*.dat"))) {
        const DriveData d = Decode(ReadAll(QDir(CardPath()).filePath(name)));
        ASSERT_TRUE(d.ok) << name.toStdString();
        EXPECT_EQ(d.gps.size(), 2u) << name.toStdString();
        EXPECT_EQ(d.sensors.size(), 20u) << name.toStdString();
        if (name.startsWith(u"evt_")) {
            EXPECT_TRUE(HasShockSpike(d.sensors)) << name.toStdString();
        }
        for (const Fix &f : d.gps) {
            if (!f.fix)
                continue;
            EXPECT_NEAR(f.latitude, 37.5, 0.1);
            EXPECT_NEAR(f.longitude, 127.05, 0.1);
            EXPECT_GE(f.kmh, 0);
            EXPECT_LE(f.kmh, 70);
        }
    }
}

TEST_F(TinyCard, SettingsFileIsTheDemoRecord)
{
    ASSERT_TRUE(result.ok);
    const QByteArray bytes = ReadAll(CardPath() + QStringLiteral("/Setup/setup.bin"));
    ASSERT_EQ(bytes.size(), 18);
    EXPECT_EQ(bytes.at(0), 1);
    EXPECT_EQ(bytes.at(1), 12);
    EXPECT_EQ(bytes.at(13), 1);
    const CameraSettings record = CameraSettingsFromBytes(bytes);
    EXPECT_EQ(NormalizeCameraSettings(record), record); // every code is a valid one
    CameraSettings loaded;
    ASSERT_TRUE(LoadCameraSettings(CameraSettingsPath(CardPath() + u'/'), loaded));
    EXPECT_EQ(CardInfoText(loaded),
              QStringLiteral("FW Version :1.12\nViewer Version 1.0.0\n"
                             "File Deletion Method : Deletion by Time Order"));
}

TEST_F(TinyCard, ClipsAreH264AviWithPcmSoundOfTheRequestedSize)
{
    ASSERT_TRUE(result.ok);
    const QStringList clips = Files(QStringLiteral("*.avi"));
    ASSERT_EQ(clips.size(), 9);
    for (const QString &name : clips) {
        const AviInfo avi = ReadAvi(QDir(CardPath()).filePath(name));
        ASSERT_TRUE(avi.riff) << name.toStdString();
        EXPECT_EQ(avi.width, 320u);
        EXPECT_EQ(avi.height, 240u);
        EXPECT_EQ(avi.fixedOffsetWidth, 320u); // where the player reads the frame size
        EXPECT_EQ(avi.fixedOffsetHeight, 240u);
        EXPECT_EQ(avi.microSecondsPerFrame, 33333u);
        EXPECT_EQ(avi.totalFrames, 60u);
        EXPECT_EQ(avi.videoCompression.toUpper(), QByteArray("H264"));
        EXPECT_TRUE(avi.audioPcm16) << name.toStdString();
    }
}

TEST_F(TinyCard, SameSeedGivesTheSameDriveDataThroughTheProgram)
{
    ASSERT_TRUE(result.ok);
    QTemporaryDir other;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(BinDir() + QStringLiteral("/rx9democard"),
               {QStringLiteral("--clips-per-kind"), QStringLiteral("3"),
                QStringLiteral("--seconds"), QStringLiteral("2"), QStringLiteral("--width"),
                QStringLiteral("320"), QStringLiteral("--height"), QStringLiteral("240"),
                QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--quiet"),
                other.path()});
    ASSERT_TRUE(tool.waitForFinished(300000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAll().toStdString();

    const QStringList data = Files(QStringLiteral("*.dat"));
    ASSERT_EQ(data.size(), 9);
    EXPECT_EQ(QDir(other.path()).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name),
              data);
    for (const QString &name : data)
        EXPECT_EQ(ReadAll(QDir(other.path()).filePath(name)),
                  ReadAll(QDir(CardPath()).filePath(name)))
            << name.toStdString();
    EXPECT_EQ(ReadAll(other.path() + QStringLiteral("/Setup/setup.bin")),
              ReadAll(CardPath() + QStringLiteral("/Setup/setup.bin")));
}

TEST(DemoCardPlan, DefaultCardIsOneDriveThenParking)
{
    const DemoCardOptions options;
    const DemoCardPlan plan = PlanDemoCard(options);
    std::map<DemoClipKind, std::vector<DemoClip>> byKind;
    QStringList stems;
    int hd = 0, small = 0, other = 0;
    for (const DemoClip &clip : plan.clips) {
        byKind[clip.kind].push_back(clip);
        stems << clip.stem();
        EXPECT_GE(clip.seconds, 20);
        EXPECT_LE(clip.seconds, 60);
        if (clip.width == 1280 && clip.height == 720)
            ++hd;
        else if (clip.width == 800 && clip.height == 480)
            ++small;
        else if (!(clip.width == 1920 && clip.height == 1080))
            ++other;
    }
    EXPECT_GE(hd, 1);
    EXPECT_GE(small, 1);
    EXPECT_EQ(other, 0);
    stems.removeDuplicates();
    EXPECT_EQ(stems.size(), qsizetype(plan.clips.size()));

    const auto &normal = byKind[DemoClipKind::Normal];
    const auto &events = byKind[DemoClipKind::Event];
    const auto &parking = byKind[DemoClipKind::Parking];
    ASSERT_GE(normal.size(), 3u);
    ASSERT_GE(events.size(), 3u);
    ASSERT_GE(parking.size(), 3u);
    for (size_t i = 1; i < normal.size(); ++i) // back to back
        EXPECT_EQ(normal[i].start, normal[i - 1].start.addSecs(normal[i - 1].seconds));
    const QDateTime driveEnd = normal.back().start.addSecs(normal.back().seconds);
    for (const DemoClip &e : events) {
        EXPECT_GT(e.start, normal.front().start);
        EXPECT_LT(e.start, driveEnd);
    }
    for (const DemoClip &p : parking)
        EXPECT_GT(p.start, driveEnd);
    for (size_t i = 1; i < plan.clips.size(); ++i)
        EXPECT_LT(plan.clips[i - 1].start, plan.clips[i].start);
}

TEST(DemoCardPlan, DefaultDriveDataIsACityDriveAlongOneRoad)
{
    const DemoCardOptions options;
    const DemoCardPlan plan = PlanDemoCard(options);
    int noFix = 0, stopsWhileDriving = 0, maxKmh = 0;
    const DriveData *previousNormal = nullptr;
    std::vector<DriveData> kept;
    kept.reserve(plan.clips.size());
    for (const DemoClip &clip : plan.clips) {
        std::vector<SensorSample> sensors;
        std::vector<GpsSample> gps;
        MakeDemoDriveData(plan.drive, clip, options.sensorRate, sensors, gps);
        kept.push_back(Decode(EncodeDriveData(sensors, gps)));
        const DriveData &d = kept.back();
        ASSERT_TRUE(d.ok);
        ASSERT_EQ(d.gps.size(), size_t(clip.seconds));
        ASSERT_EQ(d.sensors.size(), size_t(clip.seconds * options.sensorRate));
        if (clip.kind == DemoClipKind::Event) {
            EXPECT_TRUE(HasShockSpike(d.sensors)) << clip.fileName().toStdString();
        }
        int clipNoFix = 0;
        for (const Fix &f : d.gps) {
            if (!f.fix) {
                ++clipNoFix;
                continue;
            }
            EXPECT_NEAR(f.latitude, 37.5, 0.05);
            EXPECT_NEAR(f.longitude, 127.06, 0.06);
            maxKmh = std::max(maxKmh, f.kmh);
            if (clip.kind == DemoClipKind::Normal && f.kmh == 0)
                ++stopsWhileDriving;
            if (clip.kind == DemoClipKind::Parking) {
                EXPECT_EQ(f.kmh, 0);
            }
        }
        EXPECT_LE(clipNoFix, 8); // a short underpass, not a dead receiver
        noFix += clipNoFix;
        // Consecutive fixes never jump further than a second of city driving.
        for (size_t i = 1; i < d.gps.size(); ++i) {
            if (d.gps[i].fix && d.gps[i - 1].fix) {
                EXPECT_LT(MetresBetween(d.gps[i], d.gps[i - 1]), 25.0);
            }
        }
        if (clip.kind == DemoClipKind::Normal) {
            if (previousNormal && previousNormal->gps.back().fix && d.gps.front().fix) {
                EXPECT_LT(MetresBetween(previousNormal->gps.back(), d.gps.front()), 25.0);
            }
            previousNormal = &d;
        }
    }
    EXPECT_GT(noFix, 0);
    EXPECT_GT(stopsWhileDriving, 0);
    EXPECT_GE(maxKmh, 30);
    EXPECT_LE(maxKmh, 70);
}

TEST(DemoCardPlan, SeedDecidesTheDrive)
{
    DemoCardOptions a;
    DemoCardOptions b;
    b.seed = a.seed + 1;
    const DemoCardPlan pa = PlanDemoCard(a);
    const DemoCardPlan pb = PlanDemoCard(b);
    EXPECT_NE(pa.drive.speedKmh, pb.drive.speedKmh);
    EXPECT_EQ(PlanDemoCard(a).drive.speedKmh, pa.drive.speedKmh);
}

TEST(DemoCardErrors, MissingFfmpegIsReportedAndWritesNoClip)
{
    QTemporaryDir dir;
    DemoCardOptions options = TinyOptions();
    options.ffmpeg = dir.filePath(QStringLiteral("no-such-ffmpeg"));
    const DemoCardResult r = WriteDemoCard(dir.filePath(QStringLiteral("card")), options);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("ffmpeg"))) << r.error.toStdString();
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("card")))
                    .entryList({QStringLiteral("*.avi")}, QDir::Files)
                    .isEmpty());

    QProcess tool;
    tool.start(BinDir() + QStringLiteral("/rx9democard"),
               {QStringLiteral("--ffmpeg"), options.ffmpeg, dir.filePath(QStringLiteral("c2"))});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_NE(tool.exitCode(), 0);
    EXPECT_TRUE(tool.readAllStandardError().contains("ffmpeg"));
}

TEST(DemoCardErrors, UnwritableFolderIsReported)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const DemoCardResult r = WriteDemoCard(blocker + QStringLiteral("/card"), TinyOptions());
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());

    QProcess tool;
    tool.start(BinDir() + QStringLiteral("/rx9democard"), {blocker + QStringLiteral("/card")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_FALSE(tool.readAllStandardError().isEmpty());
}

TEST(DemoCardErrors, BadOptionsAreRefused)
{
    DemoCardOptions odd = TinyOptions();
    odd.width = 321;
    EXPECT_FALSE(CheckDemoCardOptions(odd).isEmpty());
    DemoCardOptions half = TinyOptions();
    half.height = 0;
    EXPECT_FALSE(CheckDemoCardOptions(half).isEmpty());

    QProcess tool;
    tool.start(BinDir() + QStringLiteral("/rx9democard"),
               {QStringLiteral("--seconds"), QStringLiteral("abc"), QStringLiteral("/tmp/x")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_NE(tool.exitCode(), 0);
}

TEST(DemoCardVideo, FontPathsWithFilterCharactersStillWork)
{
    const QString font = FindDemoFont();
    if (font.isEmpty())
        GTEST_SKIP() << "Liberation Sans is not installed";
    QTemporaryDir dir;
    const QString odd = dir.filePath(QStringLiteral("it's, a: [font].ttf"));
    ASSERT_TRUE(QFile::copy(font, odd));
    DemoClip clip;
    clip.kind = DemoClipKind::Event;
    clip.seconds = 1;
    clip.width = 160;
    clip.height = 120;
    clip.start = QDateTime(QDate(2011, 5, 23), QTime(14, 22, 33), Qt::UTC);
    const QString out = dir.filePath(QStringLiteral("out.avi"));
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"), DemoClipFfmpegArguments(clip, odd, out, {0.3}));
    ASSERT_TRUE(ffmpeg.waitForFinished(120000));
    EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAll().toStdString();
    EXPECT_EQ(ReadAvi(out).width, 160u);
}

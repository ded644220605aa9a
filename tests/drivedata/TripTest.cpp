#include "Trip.h"
#include "DriveDataWriter.h"
#include "MapTrail.h"
#include "TripRouteBuilder.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A GPS record with a fix at degrees and km/h as the camera writes it.
GpsSample Fix(double latitude, double longitude, int kmh = 30)
{
    GpsSample g;
    g.fix = 1;
    g.latitude = EncodeCoordinate(latitude);
    g.longitude = EncodeCoordinate(longitude);
    g.speed = EncodeSpeedKmh(kmh);
    return g;
}

// A clip of `seconds` fixes moving east along latitude 37.5, starting at `longitude`.
TripClip Clip(const QString &fileName, int seconds, double longitude = 127.0, int kmh = 30)
{
    TripClip clip = *TripClipFromFileName(fileName);
    clip.readable = true;
    for (int n = 0; n < seconds; ++n)
        clip.gps.push_back(Fix(37.5, longitude + n * 0.0001, kmh));
    return clip;
}

QStringList Names(const std::vector<TripClip> &clips, const std::vector<int> &trip)
{
    QStringList names;
    for (const int i : trip)
        names << clips[size_t(i)].fileName;
    return names;
}

} // namespace

TEST(TripGrouping, GapsOfAMinuteOrLessJoinWhateverTheKind)
{
    std::vector<TripClip> clips = {
        Clip(QStringLiteral("rec_20250523_081300.avi"), 60), // 08:13:00-08:14:00
        Clip(QStringLiteral("rec_20250523_081207.avi"), 53), // 08:12:07-08:13:00, back to back
        Clip(QStringLiteral("evt_20250523_081500.avi"), 20), // gap of exactly 60 s: joins
        Clip(QStringLiteral("pmr_20250523_081621.avi"), 10), // 08:15:20 end, gap 61 s: new trip
        Clip(QStringLiteral("evt_20250523_081625.avi"), 5),  // overlaps the parking clip
        Clip(QStringLiteral("rec_20250523_091625.avi"), 5),  // an hour later
    };
    const auto trips = GroupTrips(clips);
    ASSERT_EQ(trips.size(), 3u);
    EXPECT_EQ(Names(clips, trips[0]),
              (QStringList{"rec_20250523_081207.avi", "rec_20250523_081300.avi",
                           "evt_20250523_081500.avi"}));
    EXPECT_EQ(Names(clips, trips[1]),
              (QStringList{"pmr_20250523_081621.avi", "evt_20250523_081625.avi"}));
    EXPECT_EQ(Names(clips, trips[2]), QStringList{"rec_20250523_091625.avi"});

    EXPECT_EQ(Names(clips, TripHolding(clips, QStringLiteral("evt_20250523_081625.avi"))),
              (QStringList{"pmr_20250523_081621.avi", "evt_20250523_081625.avi"}));
    EXPECT_TRUE(TripHolding(clips, QStringLiteral("rec_20990101_000000.avi")).empty());
}

TEST(TripGrouping, AnOverlappingShortClipDoesNotEndTheTrip)
{
    // The event clip ends long before the normal clip around it; the next normal clip still
    // follows the long one.
    std::vector<TripClip> clips = {Clip(QStringLiteral("rec_20250523_080000.avi"), 300),
                                   Clip(QStringLiteral("evt_20250523_080010.avi"), 20),
                                   Clip(QStringLiteral("rec_20250523_080500.avi"), 60)};
    ASSERT_EQ(GroupTrips(clips).size(), 1u);
}

TEST(TripGrouping, UnreadableDriveDataInTheMiddleBridgesButDrawsNothing)
{
    TripClip broken = *TripClipFromFileName(QStringLiteral("rec_20250523_081300.avi"));
    std::vector<TripClip> clips = {Clip(QStringLiteral("rec_20250523_081200.avi"), 60), broken,
                                   Clip(QStringLiteral("rec_20250523_081400.avi"), 60, 127.1)};
    const auto trips = GroupTrips(clips);
    ASSERT_EQ(trips.size(), 1u);
    EXPECT_EQ(trips[0].size(), 3u);

    const TripRoute route = BuildTripRoute(clips);
    // Two runs: the unreadable minute is a gap, not a line.
    ASSERT_EQ(route.segments.size(), 2u);
    EXPECT_EQ(route.segments[0].size(), 60u);
    EXPECT_EQ(route.segments[1].size(), 60u);

    // An unreadable clip followed by nothing for longer than a clip can be: the trip ends.
    clips[2] = Clip(QStringLiteral("rec_20250523_082000.avi"), 60);
    EXPECT_EQ(GroupTrips(clips).size(), 2u);
    // Names that are no date stand alone.
    clips.push_back(Clip(QStringLiteral("rec_holiday.avi"), 10));
    EXPECT_EQ(GroupTrips(clips).size(), 3u);
}

TEST(TripRoute, FixlessSecondsAndZeroPositionsBreakTheLine)
{
    TripClip clip = Clip(QStringLiteral("rec_20250523_081200.avi"), 10);
    clip.gps[3].fix = 0;
    clip.gps[6] = Fix(0.0, 0.0);         // a receiver that reports 0,0 with a fix
    clip.gps[8] = Fix(37.5, 127.0, 370); // an impossible speed
    const TripRoute route = BuildTripRoute({clip});
    ASSERT_EQ(route.segments.size(), 4u);
    EXPECT_EQ(route.segments[0].size(), 3u);
    EXPECT_EQ(route.segments[1].size(), 2u);
    EXPECT_EQ(route.segments[2].size(), 1u);
    EXPECT_EQ(route.segments[3].size(), 1u);
    EXPECT_EQ(route.PointCount(), 7);
    for (const auto &segment : route.segments) {
        for (const RoutePoint &p : segment) {
            EXPECT_NEAR(p.latitude, 37.5, 1e-5);
            EXPECT_GT(p.longitude, 126.9);
        }
    }
    EXPECT_EQ(route.PointAt(3)->second, 4);
    EXPECT_EQ(route.PointAt(6)->second, 9);
    EXPECT_FALSE(route.PointAt(7));
    EXPECT_FALSE(route.PointAt(-1));
}

TEST(TripRoute, OverlapsAreTakenOnceFromTheNormalClipAndClicksKeepTheCurrentOne)
{
    // 08:12:00 normal 60 s; an event clip 08:12:30-08:12:50 recorded the same road.
    const QString normal = QStringLiteral("rec_20250523_081200.avi");
    const QString event = QStringLiteral("evt_20250523_081230.avi");
    const TripRoute route = BuildTripRoute({Clip(event, 20, 127.003), Clip(normal, 60)});
    ASSERT_EQ(route.segments.size(), 1u);
    ASSERT_EQ(route.PointCount(), 60);
    for (const RoutePoint &p : route.segments[0])
        EXPECT_EQ(route.clips[size_t(p.clip)].fileName, normal);

    // Point 35 is 08:12:35: second 35 of the normal clip, or second 5 of the event clip when
    // that one is playing.
    auto target = TargetForRoutePoint(route, 35, normal);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->fileName, normal);
    EXPECT_EQ(target->second, 35);
    target = TargetForRoutePoint(route, 35, event);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->fileName, event);
    EXPECT_EQ(target->second, 5);
    // Outside the event clip's time the click leaves it.
    target = TargetForRoutePoint(route, 55, event);
    EXPECT_EQ(target->fileName, normal);
    EXPECT_EQ(target->second, 55);
    EXPECT_FALSE(TargetForRoutePoint(route, 60, normal));
}

TEST(SpeedColours, SixBandsDarkToLightWithALegend)
{
    EXPECT_EQ(SpeedBand(0), 0);
    EXPECT_EQ(SpeedBand(19), 0);
    EXPECT_EQ(SpeedBand(20), 1);
    EXPECT_EQ(SpeedBand(99), 4);
    EXPECT_EQ(SpeedBand(100), 5);
    EXPECT_EQ(SpeedBand(280), 5);
    EXPECT_EQ(SpeedBand(-5), 0);
    EXPECT_EQ(SpeedBandLabel(0), QStringLiteral("0-19"));
    EXPECT_EQ(SpeedBandLabel(4), QStringLiteral("80-99"));
    EXPECT_EQ(SpeedBandLabel(5), QStringLiteral("100+"));
    // Readable without telling hues apart: each band clearly lighter than the one before.
    double previous = -1;
    for (int band = 0; band < kSpeedBandCount; ++band) {
        const QColor c = SpeedBandColor(band);
        const double luminance = 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
        EXPECT_GT(luminance, previous + 0.05) << band;
        previous = luminance;
    }
}

TEST(SpeedColours, RouteJsonCarriesPointsBandsAndLegend)
{
    TripClip clip = Clip(QStringLiteral("rec_20250523_081200.avi"), 3, 127.0, 45);
    clip.gps[2].speed = EncodeSpeedKmh(120);
    const QJsonObject root = QJsonDocument::fromJson(RouteJson(BuildTripRoute({clip}))).object();
    const QJsonArray points = root[QStringLiteral("segments")].toArray()[0].toArray();
    ASSERT_EQ(points.size(), 3);
    EXPECT_NEAR(points[0].toArray()[0].toDouble(), 37.5, 1e-5);
    EXPECT_NEAR(points[1].toArray()[1].toDouble(), 127.0001, 1e-5);
    EXPECT_EQ(points[0].toArray()[2].toInt(), 2);
    EXPECT_EQ(points[2].toArray()[2].toInt(), 5);
    const QJsonArray legend = root[QStringLiteral("legend")].toArray();
    ASSERT_EQ(legend.size(), kSpeedBandCount);
    EXPECT_EQ(legend[5].toObject()[QStringLiteral("color")].toString(), QStringLiteral("#fde725"));
    EXPECT_EQ(root[QStringLiteral("unit")].toString(), QStringLiteral("km/h"));

    // In miles per hour the colours and the legend are of the speed in mph: 45 km/h is 27 mph
    // (band 1), 120 km/h is 74 mph (band 3).
    const QJsonObject mph =
        QJsonDocument::fromJson(RouteJson(BuildTripRoute({clip}), true)).object();
    const QJsonArray mphPoints = mph[QStringLiteral("segments")].toArray()[0].toArray();
    EXPECT_EQ(mphPoints[0].toArray()[2].toInt(), 1);
    EXPECT_EQ(mphPoints[2].toArray()[2].toInt(), 3);
    EXPECT_EQ(mph[QStringLiteral("unit")].toString(), QStringLiteral("mph"));
}

TEST(MapTrail, JoinsOnlyFixesDrivenOneAfterTheOther)
{
    using Step = CMapTrail::Step;
    CMapTrail trail;
    EXPECT_EQ(trail.Report(1, 0, true), Step::NewTrail);
    EXPECT_EQ(trail.Report(1, 0, true), Step::Joins); // the same second again
    EXPECT_EQ(trail.Report(1, 1, true), Step::Joins);
    EXPECT_EQ(trail.Report(1, 3, true), Step::Joins); // a skipped report
    // Another clip (a parking clip, and back to the first).
    EXPECT_EQ(trail.Report(2, 4, true), Step::NewTrail);
    EXPECT_EQ(trail.Report(1, 5, true), Step::NewTrail);
    // A seek, even to the next second; a jump back; a jump far on.
    trail.Jump();
    EXPECT_EQ(trail.Report(1, 6, true), Step::NewTrail);
    EXPECT_EQ(trail.Report(1, 2, true), Step::NewTrail);
    EXPECT_EQ(trail.Report(1, 12, true), Step::NewTrail);
    // A gap in the fixes, seen or skipped.
    EXPECT_EQ(trail.Report(1, 13, false), Step::NoFix);
    EXPECT_EQ(trail.Report(1, 14, true), Step::NewTrail);
    const auto fixAt = [](int second) { return second != 15; };
    EXPECT_EQ(trail.Report(1, 16, true, fixAt), Step::NewTrail);
    EXPECT_EQ(trail.Report(1, 18, true, fixAt), Step::Joins);
}

// ---- reading a card

class TripCard : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Folder() const { return dir.path() + QLatin1Char('/'); }

    void Write(const QString &fileName, int seconds, double longitude = 127.0)
    {
        const TripClip clip = Clip(fileName, seconds, longitude);
        std::vector<SensorSample> sensors(size_t(seconds) * 10);
        ASSERT_TRUE(WriteDriveDataFile(Folder() + DriveDataPath(fileName), sensors, clip.gps));
        QFile avi(Folder() + fileName);
        ASSERT_TRUE(avi.open(QIODevice::WriteOnly));
    }
};

TEST_F(TripCard, RouteIsReadOffTheCallersThreadAndCachedPerCard)
{
    const QStringList names = {"rec_20250523_081200.avi", "rec_20250523_081300.avi",
                               "evt_20250523_081320.avi", "rec_20250523_090000.avi"};
    Write(names[0], 60);
    Write(names[1], 60, 127.006);
    Write(names[2], 20, 127.008);
    Write(names[3], 30, 127.5);

    CTripRouteBuilder builder;
    QSignalSpy ready(&builder, &CTripRouteBuilder::RouteReady);
    builder.Request(Folder(), names, names[2]);
    ASSERT_TRUE(WaitUntil([&] { return ready.count() == 1; }));
    auto route = ready.at(0).at(0).value<TripRoute>();
    EXPECT_EQ(ready.at(0).at(1).toString(), names[2]);
    EXPECT_EQ(route.folder, Folder());
    EXPECT_EQ(route.clips.size(), 3u);
    EXPECT_EQ(route.PointCount(), 120);
    EXPECT_EQ(builder.Cache().FilesRead(), 4);

    // Warm: nothing is read again.
    builder.Request(Folder(), names, names[3]);
    ASSERT_TRUE(WaitUntil([&] { return ready.count() == 2; }));
    route = ready.at(1).at(0).value<TripRoute>();
    EXPECT_EQ(route.clips.size(), 1u);
    EXPECT_EQ(route.PointCount(), 30);
    EXPECT_EQ(builder.Cache().FilesRead(), 4);

    // A file that changed is read again; one made unreadable leaves a gap.
    QFile broken(Folder() + DriveDataPath(names[1]));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not drive data");
    broken.close();
    route = builder.BuildNow(Folder(), names, names[0]);
    EXPECT_EQ(builder.Cache().FilesRead(), 5);
    EXPECT_EQ(route.clips.size(), 3u);
    EXPECT_EQ(route.PointCount(), 60 + 20 - 0); // the event clip still covers 08:13:20-40
    EXPECT_EQ(route.segments.size(), 2u);

    // Requests in a row: only the last one is answered.
    builder.Request(Folder(), names, names[0]);
    builder.Request(Folder(), names, names[3]);
    ASSERT_TRUE(WaitUntil([&] { return ready.count() == 3 && !builder.IsBusy(); }));
    EXPECT_EQ(ready.count(), 3);
    EXPECT_EQ(ready.at(2).at(1).toString(), names[3]);
}

TEST_F(TripCard, StoppedBuilderReadsNothingMoreAndDeliversNothing)
{
    // Before a card is unmounted the route's reads of it end.
    QStringList names;
    for (int minute = 0; minute < 40; ++minute) {
        names << QStringLiteral("rec_20250523_08%100.avi").arg(minute, 2, 10, QLatin1Char('0'));
        Write(names.last(), 60);
    }
    CTripRouteBuilder builder;
    QSignalSpy ready(&builder, &CTripRouteBuilder::RouteReady);
    for (const bool queued : {false, true}) {
        builder.Request(Folder(), names, names[0]);
        if (queued)
            builder.Request(Folder(), names, names[1]); // waits for the first
        builder.Stop();
        EXPECT_FALSE(builder.IsBusy());
        const int read = builder.Cache().FilesRead();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(ready.count(), 0);
        EXPECT_EQ(builder.Cache().FilesRead(), read);
    }
}

TEST_F(TripCard, DriveDataThatIsALinkOrAFifoIsNotReadAndNeverWaits)
{
    const QStringList names = {"rec_20250523_081200.avi", "rec_20250523_081300.avi",
                               "rec_20250523_081400.avi"};
    Write(names[0], 60);
    Write(QStringLiteral("rec_20250523_100000.avi"), 60, 127.006);
    ASSERT_TRUE(QFile(Folder() + names[1]).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile(Folder() + names[2]).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(Folder() + QStringLiteral("rec_20250523_100000.dat"),
                            Folder() + DriveDataPath(names[1])));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Folder() + DriveDataPath(names[2])).constData(), 0666), 0);

    CDriveDataCache cache;
    EXPECT_TRUE(cache.Load(Folder(), names[0]).readable);
    EXPECT_FALSE(cache.Load(Folder(), names[1]).readable);
    EXPECT_FALSE(cache.Load(Folder(), names[2]).readable);
    CTripRouteBuilder builder;
    EXPECT_EQ(builder.BuildNow(Folder(), names, names[0]).PointCount(), 60);
}

#include "TripTimeline.h"

#include <gtest/gtest.h>

namespace {

// A recording with `seconds` drive-data records (no fixes needed), or unreadable when negative.
TripClip Clip(const QString &fileName, int seconds, std::vector<int> shocks = {})
{
    TripClip clip = *TripClipFromFileName(fileName);
    clip.readable = seconds >= 0;
    clip.gps.resize(size_t(std::max(seconds, 0)));
    clip.sensorReadings = std::max(seconds, 0) * 10;
    clip.shockReadings = std::move(shocks);
    return clip;
}

} // namespace

TEST(TripTimeline, MapsTripTimeToRecordingAndBackAcrossGaps)
{
    // 08:00:00 60 s, 08:01:00 60 s, a 30 s gap, 08:02:30 20 s.
    const CTripTimeline timeline({Clip("rec_20250523_080000.avi", 60),
                                  Clip("rec_20250523_080100.avi", 60),
                                  Clip("rec_20250523_080230.avi", 20)});
    ASSERT_EQ(timeline.ClipCount(), 3);
    EXPECT_EQ(timeline.LengthMs(), 170000);
    EXPECT_EQ(timeline.TripPosition("rec_20250523_080100.avi", 5500), 65500);
    EXPECT_EQ(timeline.TripPosition("rec_20250523_080230.avi", 0), 150000);
    EXPECT_FALSE(timeline.TripPosition("rec_20250523_090000.avi", 0));

    auto at = timeline.TargetAt(65500);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->fileName, "rec_20250523_080100.avi");
    EXPECT_EQ(at->ms, 5500);
    // The boundary belongs to the recording that starts there.
    EXPECT_EQ(timeline.TargetAt(60000)->fileName, "rec_20250523_080100.avi");
    EXPECT_EQ(timeline.TargetAt(60000)->ms, 0);
    // In the gap: the next recording from its start.
    at = timeline.TargetAt(135000);
    EXPECT_EQ(at->fileName, "rec_20250523_080230.avi");
    EXPECT_EQ(at->ms, 0);
    // The end and beyond: the last recording's last second; before the start: the first.
    at = timeline.TargetAt(170000);
    EXPECT_EQ(at->fileName, "rec_20250523_080230.avi");
    EXPECT_EQ(at->ms, 19000);
    EXPECT_EQ(timeline.TargetAt(999999)->ms, 19000);
    EXPECT_EQ(timeline.TargetAt(-5)->fileName, "rec_20250523_080000.avi");
    // Round trip at every ten seconds outside the gap.
    for (qint64 t = 0; t < 170000; t += 10000) {
        if (t >= 120000 && t < 150000)
            continue;
        const auto target = timeline.TargetAt(t);
        EXPECT_EQ(timeline.TripPosition(target->fileName, target->ms), t) << t;
    }
    EXPECT_FALSE(CTripTimeline().TargetAt(0));
}

TEST(TripTimeline, OverlapsPreferTheCurrentThenTheNormalRecording)
{
    const CTripTimeline timeline({Clip("rec_20250523_080000.avi", 60),
                                  Clip("evt_20250523_080010.avi", 20),
                                  Clip("rec_20250523_080100.avi", 60)});
    EXPECT_EQ(timeline.LengthMs(), 120000);
    EXPECT_EQ(timeline.TargetAt(15000)->fileName, "rec_20250523_080000.avi");
    const auto kept = timeline.TargetAt(15000, "evt_20250523_080010.avi");
    EXPECT_EQ(kept->fileName, "evt_20250523_080010.avi");
    EXPECT_EQ(kept->ms, 5000);
    // The event recording does not cover 40 s: the normal one does, even when current.
    EXPECT_EQ(timeline.TargetAt(40000, "evt_20250523_080010.avi")->fileName,
              "rec_20250523_080000.avi");
}

TEST(TripTimeline, RecordingsWithoutDriveDataAndTheEngineLength)
{
    // Unreadable: up to the next start; the last one a minute until the engine says more.
    CTripTimeline timeline({Clip("rec_20250523_080000.avi", -1),
                            Clip("rec_20250523_080045.avi", 30),
                            Clip("rec_20250523_080130.avi", -1)});
    EXPECT_EQ(timeline.Clips()[0].lengthMs, 45000);
    EXPECT_FALSE(timeline.Clips()[0].lengthKnown);
    EXPECT_EQ(timeline.LengthMs(), 90000 + kUnknownLastClipMs);
    EXPECT_TRUE(timeline.SetClipLength("rec_20250523_080130.avi", 12345));
    EXPECT_EQ(timeline.LengthMs(), 102345);
    EXPECT_EQ(timeline.TargetAt(timeline.LengthMs())->ms, 11345);
    EXPECT_FALSE(timeline.SetClipLength("rec_20250523_080130.avi", -1));
    EXPECT_FALSE(timeline.SetClipLength("rec_20990101_000000.avi", 1000));

    // A recording without a date is a trip of its own, at 0.
    const CTripTimeline alone({Clip("rec_odd.avi", 10)});
    EXPECT_EQ(alone.LengthMs(), 10000);
    EXPECT_EQ(alone.TargetAt(4000)->ms, 4000);
}

TEST(TripTimeline, ShocksOfAllRecordingsOnTheTripTime)
{
    CTripTimeline timeline({Clip("rec_20250523_080100.avi", 60, {300}),
                            Clip("rec_20250523_080000.avi", 60, {0, 590})});
    EXPECT_EQ(timeline.ShockPositions(), (std::vector<qint64>{0, 59000, 90000}));
    // The engine's length spreads the readings anew.
    timeline.SetClipLength("rec_20250523_080100.avi", 30000);
    EXPECT_EQ(timeline.ShockPositions(), (std::vector<qint64>{0, 59000, 75000}));
}

TEST(TripTimeline, TitleAndTrackPixels)
{
    EXPECT_EQ(TripTitleText("20250523_081207(3/25)", 2, 4), "20250523_081207(3/25) - trip 2/4");
    EXPECT_EQ(TripTitleText("20250523_081207(3/25)", 1, 1), "20250523_081207(3/25)");
    EXPECT_EQ(TimelineMsAtX(0, 101, 100000), 0);
    EXPECT_EQ(TimelineMsAtX(100, 101, 100000), 100000);
    EXPECT_EQ(TimelineMsAtX(500, 101, 100000), 100000);
    EXPECT_EQ(TimelineMsAtX(-3, 101, 100000), 0);
    for (int x = 0; x <= 100; x += 7)
        EXPECT_EQ(TimelineXAtMs(TimelineMsAtX(x, 101, 240000), 101, 240000), x);
    EXPECT_EQ(TimelineMsAtX(5, 1, 1000), 0);
}

#include "EvidenceSpan.h"
#include "EvidenceText.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

const QDateTime kT0(QDate(2025, 5, 23), QTime(8, 0, 0), QTimeZone::utc());

EvidenceClip Clip(const QString &name, RecordingKind kind, qint64 startOffset, qint64 seconds)
{
    return EvidenceClip{name, kind, kT0.addSecs(startOffset), seconds};
}

QDateTime At(qint64 offset)
{
    return kT0.addSecs(offset);
}

// Two normal clips back to back (0-60, 60-120), an event clip inside them (50-80), a gap of
// 40 s (still the same trip) and a third normal clip (160-220); a second trip at 1000.
std::vector<EvidenceClip> Card()
{
    return {
        Clip("rec_a", RecordingKind::Normal, 0, 60), Clip("rec_b", RecordingKind::Normal, 60, 60),
        Clip("evt_c", RecordingKind::Event, 50, 30), Clip("rec_d", RecordingKind::Normal, 160, 60),
        Clip("rec_e", RecordingKind::Normal, 1000, 60)};
}

EvidenceSecond Second(int speedKmh, double lat, double lon, bool fix = true)
{
    EvidenceSecond s;
    s.time = QDateTime(QDate(2025, 5, 23), QTime(8, 12, 7), QTimeZone::utc());
    s.recording = QStringLiteral("rec_20250523_081207.avi");
    s.hasData = true;
    s.gps.fix = fix;
    s.gps.speedKmh = speedKmh;
    s.gps.latitude = lat;
    s.gps.longitude = lon;
    return s;
}

} // namespace

TEST(EvidenceSpan, CrossesAClipBoundaryTakingNormalClipsFirst)
{
    const auto clips = Card();
    const EvidenceSpan span = PlanEvidenceSpan(clips, At(60), At(30), At(90));
    ASSERT_TRUE(span.IsValid());
    EXPECT_EQ(span.Seconds(), 60);
    ASSERT_EQ(span.pieces.size(), 2u);
    EXPECT_EQ(span.pieces[0].clip, 0);
    EXPECT_EQ(span.pieces[0].from, 30);
    EXPECT_EQ(span.pieces[0].to, 60);
    EXPECT_EQ(span.pieces[1].clip, 1);
    EXPECT_EQ(span.pieces[1].from, 0);
    EXPECT_EQ(span.pieces[1].to, 30);
}

TEST(EvidenceSpan, TheWatchedRecordingIsTakenWhereItHoldsTheSecond)
{
    const auto clips = Card();
    const EvidenceSpan span = PlanEvidenceSpan(clips, At(60), At(40), At(90), "evt_c");
    ASSERT_TRUE(span.IsValid());
    ASSERT_EQ(span.pieces.size(), 3u);
    EXPECT_EQ(span.pieces[0].clip, 0); // 40-50 only the first normal clip
    EXPECT_EQ(span.pieces[0].Seconds(), 10);
    EXPECT_EQ(span.pieces[1].clip, 2); // 50-80 the event clip, from its start
    EXPECT_EQ(span.pieces[1].from, 0);
    EXPECT_EQ(span.pieces[1].to, 30);
    EXPECT_EQ(span.pieces[2].clip, 1); // 80-90 the second normal clip from its second 20
    EXPECT_EQ(span.pieces[2].from, 20);
}

TEST(EvidenceSpan, IsCutToTheTripButRefusesItsGaps)
{
    const auto clips = Card();
    // 30 s before the drive's first second is not there: the span starts with the drive.
    EvidenceSpan span = PlanEvidenceSpan(clips, At(5), At(-25), At(35));
    ASSERT_TRUE(span.IsValid());
    EXPECT_EQ(span.start, At(0));
    EXPECT_EQ(span.Seconds(), 35);
    // The end of the trip's last clip ends the span; the next trip is not reached.
    span = PlanEvidenceSpan(clips, At(200), At(170), At(400));
    ASSERT_TRUE(span.IsValid());
    EXPECT_EQ(span.end, At(220));
    // 120-160 lies inside the trip without a recording.
    span = PlanEvidenceSpan(clips, At(110), At(100), At(170));
    EXPECT_EQ(span.error, EvidenceSpanError::Gap);
    EXPECT_EQ(span.gapAt, At(120));
    EXPECT_TRUE(span.pieces.empty());
    EXPECT_TRUE(EvidenceSpanErrorText(span).contains("08:02:00"));
}

TEST(EvidenceSpan, RefusesMomentsWithoutRecordingsAndOverlongOrEmptySpans)
{
    const auto clips = Card();
    EXPECT_EQ(PlanEvidenceSpan(clips, At(130), At(100), At(160)).error,
              EvidenceSpanError::NoRecording);
    const std::vector<EvidenceClip> long_{Clip("rec_l", RecordingKind::Normal, 0, 700)};
    EXPECT_TRUE(PlanEvidenceSpan(long_, At(10), At(0), At(kEvidenceMaxSeconds)).IsValid());
    EXPECT_EQ(PlanEvidenceSpan(long_, At(10), At(0), At(kEvidenceMaxSeconds + 1)).error,
              EvidenceSpanError::TooLong);
    EXPECT_EQ(PlanEvidenceSpan(clips, At(10), At(20), At(20)).error, EvidenceSpanError::Empty);
    EXPECT_EQ(PlanEvidenceSpan({}, At(10), At(0), At(20)).error, EvidenceSpanError::NoRecording);
}

TEST(EvidenceSpan, FolderNameAndStampFollowTheCameraClock)
{
    const QDateTime t = EvidenceTimeFromStamp("20250523_081207");
    ASSERT_TRUE(t.isValid());
    EXPECT_EQ(EvidenceFolderName(t), "Evidence 20250523_081207");
    EXPECT_FALSE(EvidenceTimeFromStamp("20250523-081207").isValid());
    EXPECT_FALSE(EvidenceTimeFromStamp("20251323_081207").isValid());
}

TEST(EvidenceOverlay, ShowsTimeSpeedInEitherUnitPlaceNameAndShock)
{
    EvidenceSecond s = Second(100, 37.5020567, -127.0234, true);
    s.shock = true;
    OverlayText km = OverlayForSecond(s, true, true);
    EXPECT_EQ(km.time, "2025-05-23 08:12:07");
    EXPECT_EQ(km.speed, "100 km/h");
    EXPECT_EQ(km.position, "37.50206 N  127.02340 W");
    EXPECT_EQ(km.recording, "rec_20250523_081207.avi");
    EXPECT_TRUE(km.shock);
    EXPECT_EQ(km.Lines().size(), 4);
    EXPECT_EQ(OverlayForSecond(s, false, true).speed, "62 mph");
    EXPECT_EQ(EvidencePositionText(-33.5, 70.25), "33.50000 S  70.25000 E");

    // Without location the position is not shown at all.
    const OverlayText hidden = OverlayForSecond(s, true, false);
    EXPECT_TRUE(hidden.position.isEmpty());
    EXPECT_EQ(hidden.Lines().size(), 3);
    for (const QString &line : hidden.Lines())
        EXPECT_FALSE(line.contains("37.5")) << line.toStdString();
}

TEST(EvidenceOverlay, ShowsDashesWhereNothingIsKnown)
{
    EvidenceSecond noFix = Second(40, 37.5, 127.0, false);
    EXPECT_EQ(OverlayForSecond(noFix, true, true).speed, "-- km/h");
    EXPECT_EQ(OverlayForSecond(noFix, false, true).speed, "-- mph");
    EXPECT_EQ(OverlayForSecond(noFix, true, true).position, "--");
    EvidenceSecond noData = Second(40, 37.5, 127.0, true);
    noData.hasData = false; // a missing or damaged drive-data file
    EXPECT_EQ(OverlayForSecond(noData, true, true).speed, "-- km/h");
    EXPECT_EQ(OverlayForSecond(noData, true, true).position, "--");
    EXPECT_FALSE(OverlayForSecond(noData, true, true).shock);
}

TEST(EvidenceReport, FiguresCountOnlySecondsWithAFix)
{
    // Three fixes 0.001 degrees of latitude apart (about 111 m each), a second without a fix
    // between the second and third.
    std::vector<EvidenceSecond> seconds{Second(36, 37.000, 127.0), Second(72, 37.001, 127.0),
                                        Second(0, 0, 0, false), Second(90, 37.002, 127.0)};
    seconds[2].shock = true;
    const EvidenceFigures figures = ComputeEvidenceFigures(seconds);
    EXPECT_EQ(figures.fixes, 3);
    EXPECT_EQ(figures.topKmh, 90);
    EXPECT_EQ(figures.averageKmh, 66);
    // Only the first step counts: no line is drawn across a second without a fix.
    EXPECT_NEAR(figures.distanceKm, 0.1112, 0.0005);
    EXPECT_EQ(figures.shockOffsets, std::vector<int>{2});
    EXPECT_FALSE(ComputeEvidenceFigures({Second(0, 0, 0, false)}).topKmh.has_value());
}

TEST(EvidenceReport, PageHoldsTheFiguresChartShocksAndRouteUnlessLocationIsLeftOut)
{
    EvidenceReportInput input;
    input.seconds = {Second(36, 37.000, 127.0), Second(72, 37.001, 127.0),
                     Second(90, 37.002, 127.0)};
    for (int k = 0; k < 3; ++k)
        input.seconds[size_t(k)].time = input.seconds[0].time.addSecs(k);
    input.seconds[1].shock = true;
    input.clips = QStringList{"rec_<1>.avi"};
    input.version = "rx9player 1.0.0";
    input.created = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QString html = QString::fromUtf8(EvidenceReportHtml(input));
    EXPECT_TRUE(html.contains("2025-05-23 08:12:07 to 2025-05-23 08:12:10"));
    EXPECT_TRUE(html.contains("rec_&lt;1&gt;.avi"));
    EXPECT_TRUE(html.contains("90 km/h"));
    EXPECT_TRUE(html.contains("66 km/h"));
    EXPECT_TRUE(html.contains("rx9player 1.0.0"));
    EXPECT_EQ(html.count("class=\"shock\""), 1);
    EXPECT_TRUE(html.contains("<td>2025-05-23 08:12:08</td><td>1 s</td>"));
    EXPECT_EQ(html.count("<svg"), 2);
    EXPECT_TRUE(html.contains("class=\"route\""));

    input.withLocation = false;
    input.unitKm = false;
    const QString hidden = QString::fromUtf8(EvidenceReportHtml(input));
    EXPECT_EQ(hidden.count("<svg"), 1);
    EXPECT_FALSE(hidden.contains("class=\"route\""));
    EXPECT_FALSE(hidden.contains("37.00"));
    EXPECT_TRUE(hidden.contains("55 mph")); // 90 km/h
}

TEST(EvidenceSpan, WindowFollowsTheMarksAroundTheMoment)
{
    const QDateTime now = At(100);
    EvidenceWindow w = EvidenceWindowAround(now, std::nullopt, std::nullopt);
    EXPECT_EQ(w.from, At(70));
    EXPECT_EQ(w.to, At(130));
    EXPECT_EQ(w.anchor, now);
    w = EvidenceWindowAround(now, At(110), std::nullopt); // start marked after the moment
    EXPECT_EQ(w.from, At(110));
    EXPECT_EQ(w.to, At(140));
    EXPECT_EQ(w.anchor, At(110));
    w = EvidenceWindowAround(now, At(20), At(90));
    EXPECT_EQ(w.from, At(20));
    EXPECT_EQ(w.to, At(90));
    EXPECT_EQ(w.anchor, At(89));
    w = EvidenceWindowAround(now, At(90), At(80)); // marks the wrong way round
    EXPECT_EQ(PlanEvidenceSpan(Card(), w.anchor, w.from, w.to).error, EvidenceSpanError::Empty);
}

#include "DataParser.h"
#include "DriveDataWriter.h"
#include "SensorGraph.h"
#include "Shocks.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef RX9_WITH_DEMOCARD
#include "DemoCard.h"
#endif

#include <climits>
#include <cmath>

TEST(Shocks, QuietOrSmoothReadingsHaveNone)
{
    EXPECT_TRUE(FindShocks({}, 10).empty());
    std::vector<SensorSample> flat(300);
    EXPECT_TRUE(FindShocks(flat, 10).empty());
    // Braking hard and smoothly (half a g over three seconds) is no knock.
    std::vector<SensorSample> braking(300);
    for (size_t i = 0; i < braking.size(); ++i)
        braking[i].channel1 = int(128.0 * std::sin(double(i) / 30.0));
    EXPECT_TRUE(FindShocks(braking, 10).empty());
}

TEST(Shocks, AKnockIsFoundOnceAtItsFirstReading)
{
    std::vector<SensorSample> samples(200);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i].channel2 = (i % 2) ? 5 : -5; // jitter of 10
    // A ringing knock at reading 50 and another at 150.
    for (const int at : {50, 150}) {
        for (int k = 0; k < 8; ++k)
            samples[size_t(at + k)].channel1 = (k % 2 ? -1 : 1) * (200 - 20 * k);
    }
    EXPECT_EQ(FindShocks(samples, 10), (std::vector<int>{50, 150}));
    // Read at one reading a second, the ringing of the first counts as shocks of its own.
    EXPECT_EQ(FindShocks(samples, 1).front(), 50);
    EXPECT_GT(FindShocks(samples, 1).size(), 2u);
}

TEST(Shocks, JumpsGoForwardAndBackBetweenShocks)
{
    const QList<int> shocks = {5300, 12000, 30500};
    // Targets start a second before each knock: 4300, 11000, 29500.
    EXPECT_EQ(AdjacentShockTarget(shocks, 0, true), 4300);
    EXPECT_EQ(AdjacentShockTarget(shocks, 4300, true), 11000);
    EXPECT_EQ(AdjacentShockTarget(shocks, 4400, true), 11000);
    EXPECT_EQ(AdjacentShockTarget(shocks, 29600, true), std::nullopt);
    // Back: right after a jump it goes on to the shock before.
    EXPECT_EQ(AdjacentShockTarget(shocks, 11200, false), 4300);
    EXPECT_EQ(AdjacentShockTarget(shocks, 20000, false), 11000);
    EXPECT_EQ(AdjacentShockTarget(shocks, 5000, false), std::nullopt);
    // A knock in the first second is jumped to at 0.
    EXPECT_EQ(AdjacentShockTarget({400}, 3000, false), 0);
    EXPECT_EQ(ShockTimeMs(250, 600, 60000), 25000);
    EXPECT_EQ(ShockTimeMs(250, 600, 0), 0);
}

TEST(Shocks, JumpsFromPlayTimesAtTheEndsOfTheIntRange)
{
    // The margins around the play time must not wrap: nothing lies ahead of the largest time or
    // behind the smallest.
    const QList<int> shocks = {5300, 12000};
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MAX, true), std::nullopt);
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MAX - 100, true), std::nullopt);
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MAX, false), 11000);
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MIN, false), std::nullopt);
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MIN + 100, false), std::nullopt);
    EXPECT_EQ(AdjacentShockTarget(shocks, INT_MIN, true), 4300);
    EXPECT_EQ(AdjacentShockTarget({INT_MIN, INT_MAX}, 0, true), INT_MAX - 1000);
    EXPECT_EQ(AdjacentShockTarget({INT_MIN, INT_MAX}, INT_MAX, false), 0);
}

#ifdef RX9_WITH_DEMOCARD

TEST(Shocks, FindsEveryShockOfTheDemoCardAndNothingElse)
{
    for (const std::uint32_t seed : {20110523u, 7u, 99u}) {
        DemoCardOptions options;
        options.seed = seed;
        const DemoCardPlan plan = PlanDemoCard(options);
        int expectedTotal = 0;
        for (const DemoClip &clip : plan.clips) {
            std::vector<SensorSample> sensors;
            std::vector<GpsSample> gps;
            MakeDemoDriveData(plan.drive, clip, options.sensorRate, sensors, gps);
            const std::vector<double> expected = DemoShocksInClip(plan.drive, clip);
            expectedTotal += int(expected.size());
            const std::vector<int> found = FindShocks(sensors, options.sensorRate);
            ASSERT_EQ(found.size(), expected.size())
                << "seed " << seed << " clip " << clip.fileName().toStdString();
            for (size_t k = 0; k < found.size(); ++k)
                EXPECT_NEAR(double(found[k]) / options.sensorRate, expected[k], 0.101)
                    << clip.fileName().toStdString();
        }
        EXPECT_GE(expectedTotal, 9); // every event and parking clip has one
    }
}

TEST(Shocks, TheGraphMarksTheDemoCardsShocks)
{
    DemoCardOptions options;
    const DemoCardPlan plan = PlanDemoCard(options);
    const auto clip = std::find_if(plan.clips.begin(), plan.clips.end(),
                                   [](const DemoClip &c) { return c.kind == DemoClipKind::Event; });
    ASSERT_NE(clip, plan.clips.end());
    std::vector<SensorSample> sensors;
    std::vector<GpsSample> gps;
    MakeDemoDriveData(plan.drive, *clip, options.sensorRate, sensors, gps);
    QTemporaryDir dir;
    const QString path = dir.filePath(clip->fileName());
    ASSERT_TRUE(WriteDriveDataFile(dir.filePath(clip->dataFileName()), sensors, gps));

    CDataParser graph;
    graph.resize(400, 80);
    graph.SetClipOpen(true);
    ASSERT_TRUE(graph.LoadDriveData(path));
    const int duration = clip->seconds * 1000;
    EXPECT_TRUE(graph.ShockTimesMs().isEmpty()); // no duration yet
    graph.SetDuration(duration);
    ASSERT_EQ(graph.ShockReadings().size(), 1u);
    const int shockMs = graph.ShockTimesMs().front();
    EXPECT_NEAR(shockMs, clip->shockAt * 1000, 101);

    // A white triangle at the top, at the shock's column; none elsewhere on the top row.
    const QImage image = graph.grab().toImage();
    const int x = GraphXForReading(graph.ShockReadings().front(), graph.SensorCount(), 400);
    EXPECT_EQ(QColor(image.pixel(x, 2)), CDataParser::ShockMarkColor());
    EXPECT_EQ(QColor(image.pixel(x, 1)), CDataParser::ShockMarkColor());
    int whiteColumns = 0;
    for (int col = 0; col < 400; ++col)
        whiteColumns += QColor(image.pixel(col, 1)) == CDataParser::ShockMarkColor();
    EXPECT_GE(whiteColumns, 5);
    EXPECT_LE(whiteColumns, 9);

    // A new clip without drive data has no marks.
    graph.LoadDriveData(dir.filePath(QStringLiteral("evt_none.avi")));
    EXPECT_TRUE(graph.ShockReadings().empty());
}

#endif

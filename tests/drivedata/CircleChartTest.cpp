#include "CircleChart.h"
#include "CircleChartMath.h"

#include <QImage>
#include <QtMath>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// The colour of the rendered chart at `angle` degrees clockwise from 12 o'clock, `radius`
// pixels from the centre.
QColor colourAt(const QImage &image, double angle, double radius)
{
    const double cx = image.width() / 2.0;
    const double cy = image.height() / 2.0;
    const double a = qDegreesToRadians(angle);
    const int x = int(cx + radius * std::sin(a));
    const int y = int(cy - radius * std::cos(a));
    return image.pixelColor(x, y);
}

QImage render(CCircleChart &chart)
{
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(CircleChartAngles, EqualAndValueSplits)
{
    EXPECT_EQ(EqualEndAngles(3), (QList<int>{120, 240, 360}));
    EXPECT_EQ(EqualEndAngles(2), (QList<int>{180, 360}));
    EXPECT_EQ(ValueEndAngles({40, 30, 30}), (QList<int>{144, 252, 360}));
    EXPECT_EQ(ValueEndAngles({50, 50}), (QList<int>{180, 360}));
    EXPECT_EQ(ValueEndAngles({70, 30}), (QList<int>{252, 360}));
    // The chart has colours for three wedges: more are never made.
    EXPECT_EQ(EqualEndAngles(7), (QList<int>{120, 240, 360}));
    EXPECT_EQ(ValueEndAngles({10, 20, 30, 40}).size(), 3);
    EXPECT_TRUE(EqualEndAngles(0).isEmpty());
    EXPECT_TRUE(EqualEndAngles(-2).isEmpty());
}

TEST(CircleChartAngles, ZeroSumAndZeroSegmentsDivideByNothing)
{
    EXPECT_EQ(ValueEndAngles({0, 0, 0}), (QList<int>{0, 0, 0}));
    EXPECT_TRUE(ChartWedges(ValueEndAngles({0, 0})).isEmpty());
    // A 0 segment starts and ends at the same point and is not painted.
    const QList<int> angles = ValueEndAngles({50, 0, 50});
    EXPECT_EQ(angles, (QList<int>{180, 180, 360}));
    const QList<ChartWedge> wedges = ChartWedges(angles);
    ASSERT_EQ(wedges.size(), 2);
    EXPECT_EQ(wedges[0].segment, 0);
    EXPECT_EQ(wedges[1].segment, 2);
    const auto points = ChartSegmentPointsFor(angles, QSize(75, 75));
    EXPECT_EQ(points[1].start, points[1].end);
    // Negative values count as nothing.
    EXPECT_EQ(ValueEndAngles({-10, 10}), (QList<int>{0, 360}));
}

TEST(CircleChartAngles, WedgesInQtTerms)
{
    // 40/30/30: red from 12 o'clock clockwise to 144 degrees, and so on.
    const QList<ChartWedge> wedges = ChartWedges({144, 252, 360});
    ASSERT_EQ(wedges.size(), 3);
    EXPECT_EQ(wedges[0], (ChartWedge{0, (90 - 144) * 16, 144 * 16}));
    EXPECT_EQ(wedges[1], (ChartWedge{1, (90 - 252) * 16, 108 * 16}));
    EXPECT_EQ(wedges[2], (ChartWedge{2, (90 - 360) * 16, 108 * 16}));
}

TEST(CircleChartPoints, EdgePointsOfASquareControl)
{
    const QSize s(75, 75); // hw = hh = 37
    EXPECT_EQ(ChartEdgePoint(0, s), QPoint(37, 0));
    EXPECT_EQ(ChartEdgePoint(90, s), QPoint(75, 38)); // 75 - (0 * 37 + 37)
    EXPECT_EQ(ChartEdgePoint(180, s), QPoint(37, 75));
    EXPECT_EQ(ChartEdgePoint(270, s), QPoint(0, 38)); // 75 - trunc(37 - 0)
    // Just short of a full turn the slope is a huge negative number: 37 - 0.00... truncates to 36.
    EXPECT_EQ(ChartEdgePoint(360, s), QPoint(36, 0));
    // 45 degrees: top edge, x = 37 + (75 - 37) / tan(45) = 75.
    EXPECT_EQ(ChartEdgePoint(45, s), QPoint(75, 0));
    // 144 degrees: bottom edge, t = -tan(54), x = 37 + 37 / tan(54) = 63.88.
    EXPECT_EQ(ChartEdgePoint(144, s), QPoint(63, 75));
    // 252 degrees: left edge, t = tan(18), y = 75 - trunc(37 - 0.3249 * 37) = 51.
    EXPECT_EQ(ChartEdgePoint(252, s), QPoint(0, 51));

    const auto points = ChartSegmentPointsFor({144, 252, 360}, s);
    ASSERT_EQ(points.size(), 3);
    EXPECT_EQ(points[0], (ChartSegmentPoints{QPoint(37, 0), QPoint(63, 75)}));
    EXPECT_EQ(points[1], (ChartSegmentPoints{QPoint(63, 75), QPoint(0, 51)}));
    EXPECT_EQ(points[2], (ChartSegmentPoints{QPoint(0, 51), QPoint(36, 0)}));
}

TEST(CircleChartWidget, DrawsTheSplitInItsColours)
{
    CCircleChart chart;
    chart.resize(75, 75);
    chart.SetSegmentCount(3);
    EXPECT_EQ(chart.EndAngles(), (QList<int>{120, 240, 360}));
    chart.SetSegmentValues({40, 30, 30});
    EXPECT_EQ(chart.EndAngles(), (QList<int>{144, 252, 360}));
    QImage image = render(chart);
    EXPECT_EQ(colourAt(image, 70, 25), QColor(255, 0, 0));
    EXPECT_EQ(colourAt(image, 200, 25), QColor(0, 255, 0));
    EXPECT_EQ(colourAt(image, 300, 25), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(54, 54, 54)); // outside the circle
    // The outline: black on the circle's edge, between the wedges too.
    const QColor edge = colourAt(image, 90, 36.8);
    EXPECT_LT(edge.red() + edge.green() + edge.blue(), 200);

    chart.SetSegmentCount(2);
    chart.SetSegmentValues({50, 50});
    image = render(chart);
    EXPECT_EQ(colourAt(image, 90, 25), QColor(255, 0, 0));  // right half red
    EXPECT_EQ(colourAt(image, 270, 25), QColor(0, 255, 0)); // left half green
}

TEST(CircleChartWidget, OddInputPaintsSafely)
{
    CCircleChart chart;
    chart.resize(60, 60);
    chart.SetSegmentCount(5);
    EXPECT_EQ(chart.SegmentCount(), 3);
    chart.SetSegmentValues({0, 0, 0});
    QImage image = render(chart);
    EXPECT_EQ(colourAt(image, 90, 20), QColor(54, 54, 54));
    // Fewer values than wedges: the missing ones are 0; more: the rest are ignored.
    chart.SetSegmentValues({100});
    EXPECT_EQ(chart.EndAngles(), (QList<int>{360, 360, 360}));
    image = render(chart);
    EXPECT_EQ(colourAt(image, 200, 20), QColor(255, 0, 0));
    chart.SetSegmentCount(2);
    chart.SetSegmentValues({10, 20, 30, 40});
    EXPECT_EQ(chart.EndAngles(), (QList<int>{120, 360}));
    chart.SetSegmentCount(0);
    chart.SetSegmentValues({});
    EXPECT_TRUE(chart.EndAngles().isEmpty());
    render(chart);
}

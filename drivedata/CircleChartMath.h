#pragma once

#include <QList>
#include <QPoint>
#include <QSize>

// The arithmetic of the storage pie chart: cumulative end angles of the wedges and the points
// where their rays meet the control's edge. Angles are whole degrees measured clockwise from
// 12 o'clock.

// The most wedges the chart draws (it has a colour for three).
constexpr int kMaxChartSegments = 3;

// n wedges of equal size: end angle i = trunc(360 / n x (i + 1)), the last exactly 360. A count
// below 1 gives no wedges; a count above three gives three.
QList<int> EqualEndAngles(int count);

// Wedges sized by the values: end angle i = trunc(360 / sum x (values 0..i)). Negative values
// count as 0; with a sum of 0 every end angle is 0 (nothing to draw).
QList<int> ValueEndAngles(const QList<int> &values);

// The point where the ray of `angle` meets the edge of a W x H control (for a square control;
// on another shape the point only gives a direction from the centre).
QPoint ChartEdgePoint(int angle, QSize size);

// One wedge's start and end on the edge.
struct ChartSegmentPoints
{
    QPoint start;
    QPoint end;

    bool operator==(const ChartSegmentPoints &) const = default;
};

// Wedge 0 starts at the top centre, every later one where the one before ends.
QList<ChartSegmentPoints> ChartSegmentPointsFor(const QList<int> &endAngles, QSize size);

// A wedge to paint in Qt's terms: start and span in sixteenths of a degree, counter-clockwise
// from 3 o'clock. Empty wedges (span 0) are left out; `segment` names the wedge's colour.
struct ChartWedge
{
    int segment = 0;
    int startSixteenths = 0;
    int spanSixteenths = 0;

    bool operator==(const ChartWedge &) const = default;
};
QList<ChartWedge> ChartWedges(const QList<int> &endAngles);

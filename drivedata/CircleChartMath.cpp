#include "CircleChartMath.h"

#include <algorithm>
#include <cmath>

namespace {
// The chart's own value of pi: a little short, which keeps tan() finite at 0 and 180 degrees.
constexpr double kPi = 3.14159265;

// Wedges may not run backwards or beyond a full turn.
int clampAngle(int angle)
{
    return std::clamp(angle, 0, 360);
}
} // namespace

QList<int> EqualEndAngles(int count)
{
    const int n = std::min(count, kMaxChartSegments);
    QList<int> angles;
    for (int i = 0; i < n; ++i)
        angles.append(static_cast<int>(360.0 / n * (i + 1)));
    if (!angles.isEmpty())
        angles.last() = 360;
    return angles;
}

QList<int> ValueEndAngles(const QList<int> &values)
{
    const qsizetype n = std::min<qsizetype>(values.size(), kMaxChartSegments);
    long long sum = 0;
    for (qsizetype i = 0; i < n; ++i)
        sum += std::max(values.at(i), 0);
    QList<int> angles;
    long long running = 0;
    for (qsizetype i = 0; i < n; ++i) {
        running += std::max(values.at(i), 0);
        angles.append(sum == 0 ? 0 : static_cast<int>(360.0 / double(sum) * double(running)));
    }
    return angles;
}

QPoint ChartEdgePoint(int angle, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    const double hw = std::trunc(0.5 * w);
    const double hh = std::trunc(0.5 * h);
    const double a = angle;
    double t = 0.0;
    if (a <= 90)
        t = std::tan((90 - a) * kPi / 180);
    else if (a <= 180)
        t = -std::tan((a - 90) * kPi / 180);
    else if (a <= 270)
        t = std::tan((270 - a) * kPi / 180);
    else
        t = -std::tan((a - 270) * kPi / 180);

    // At 90 and 270 degrees the slope is 0: those angles use the side edges, which multiply by
    // it instead of dividing.
    if (a < 46 || a > 315)
        return QPoint(static_cast<int>(hw + (h - hh) / t), 0);
    if (a <= 135)
        return QPoint(w, static_cast<int>(h - (t * hw + hh)));
    if (a <= 225)
        return QPoint(static_cast<int>(hw - hh / t), h);
    return QPoint(0, static_cast<int>(h - std::trunc(hh - t * hw)));
}

QList<ChartSegmentPoints> ChartSegmentPointsFor(const QList<int> &endAngles, QSize size)
{
    QList<ChartSegmentPoints> points;
    QPoint start(size.width() / 2, 0);
    for (int angle : endAngles) {
        const QPoint end = ChartEdgePoint(angle, size);
        points.append({start, end});
        start = end;
    }
    return points;
}

QList<ChartWedge> ChartWedges(const QList<int> &endAngles)
{
    QList<ChartWedge> wedges;
    int start = 0;
    for (qsizetype i = 0; i < endAngles.size() && i < kMaxChartSegments; ++i) {
        const int end = std::max(clampAngle(endAngles.at(i)), start);
        if (end > start) {
            // Clockwise from `start` to `end` is counter-clockwise from `end` to `start`.
            wedges.append({int(i), (90 - end) * 16, (end - start) * 16});
        }
        start = end;
    }
    return wedges;
}

#include "CircleChart.h"

#include "ControlId.h"

#include <QPainter>

CCircleChart::CCircleChart(QWidget *parent, int controlId)
    : QWidget(parent)
{
    ::SetControlId(this, controlId);
    setAccessibleName(tr("Storage ratio"));
    SetSegmentCount(2);
}

QColor CCircleChart::SegmentColour(int segment)
{
    static const QColor colours[kMaxChartSegments] = {QColor(255, 0, 0), QColor(0, 255, 0),
                                                      QColor(255, 255, 0)};
    return colours[std::clamp(segment, 0, kMaxChartSegments - 1)];
}

void CCircleChart::SetSegmentCount(int count)
{
    m_endAngles = EqualEndAngles(count);
    m_points = ChartSegmentPointsFor(m_endAngles, size());
}

void CCircleChart::SetSegmentValues(const QList<int> &values)
{
    QList<int> used = values.mid(0, m_endAngles.size());
    while (used.size() < m_endAngles.size())
        used.append(0);
    m_endAngles = ValueEndAngles(used);
    m_points = ChartSegmentPointsFor(m_endAngles, size());
    update();
}

void CCircleChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), BackgroundColour());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    // The ellipse fills the control; half a pixel in, so that its outline lies on whole pixels.
    const QRectF ellipse = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QList<ChartWedge> wedges = ChartWedges(m_endAngles);
    if (wedges.isEmpty()) {
        // Nothing to share out (all values 0): an empty outline keeps the chart's place.
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ellipse);
        return;
    }
    for (const ChartWedge &wedge : wedges) {
        painter.setBrush(SegmentColour(wedge.segment));
        if (wedge.spanSixteenths >= 360 * 16)
            painter.drawEllipse(ellipse);
        else
            painter.drawPie(ellipse, wedge.startSixteenths, wedge.spanSixteenths);
    }
}

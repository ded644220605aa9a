#pragma once

#include "CircleChartMath.h"

#include <QColor>
#include <QList>
#include <QWidget>

// The storage pie chart of the options dialog: two or three wedges, red, green and yellow,
// with black outlines on a dark square. It knows nothing of recordings: the owner gives it the
// number of wedges and their values (percentages).
class CCircleChart : public QWidget
{
    Q_OBJECT
public:
    explicit CCircleChart(QWidget *parent = nullptr, int controlId = 0);

    // n wedges of equal size (not redrawn until the values come).
    void SetSegmentCount(int count);
    // One value per wedge of the current count; missing values count as 0, extra ones are
    // ignored. Redraws.
    void SetSegmentValues(const QList<int> &values);

    int SegmentCount() const { return int(m_endAngles.size()); }
    const QList<int> &EndAngles() const { return m_endAngles; }
    // The wedges' start and end points on the edge, from the size the chart had when the
    // count or the values were set.
    const QList<ChartSegmentPoints> &SegmentPoints() const { return m_points; }

    static QColor SegmentColour(int segment);
    static QColor BackgroundColour() { return QColor(54, 54, 54); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<int> m_endAngles;
    QList<ChartSegmentPoints> m_points;
};

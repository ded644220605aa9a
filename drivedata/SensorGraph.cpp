#include "SensorGraph.h"

QList<QPolygon> ShockMarks(const std::vector<int> &readings, int count, int width)
{
    QList<QPolygon> marks;
    for (const int reading : readings) {
        const int x = GraphXForReading(reading, count, width);
        marks << QPolygon({QPoint(x - 4, 0), QPoint(x + 4, 0), QPoint(x, 6)});
    }
    return marks;
}

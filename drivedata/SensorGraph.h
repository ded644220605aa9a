#pragma once

#include "SensorGraphMath.h"

#include <QList>
#include <QPolygon>

#include <vector>

// The sensor graph's drawing shapes, over the arithmetic of SensorGraphMath.h.

// The shock marks for readings: a triangle 9 pixels wide and 6 high pointing down from the top
// edge at each reading's column.
QList<QPolygon> ShockMarks(const std::vector<int> &readings, int count, int width);

#pragma once

#include "DriveDataRecords.h"

#include <QLine>
#include <QList>
#include <QRect>

#include <array>
#include <vector>

// The sensor graph's arithmetic, without a widget or any drawing type: where the cursor stands for
// a time, which time a mouse column means, the three channels' line segments for a graph size and
// the column of a reading. The fuzz targets build on this header alone.

// Width of the cursor bar in pixels; it is centred on the cursor column.
constexpr int kGraphCursorWidth = 10;

// Cursor column for a play time: trunc(width * time / duration); 0 when the duration is not
// known yet (0 or less).
int GraphCursorX(int width, qint64 timeMs, qint64 durationMs);

// Play time for a mouse column: trunc(x / width * duration). Not clamped: columns left of the
// graph give negative times, columns past its right edge times beyond the duration (the mouse
// keeps reporting while it is held outside). 0 for an empty graph; saturates at the int range.
int GraphTimeForX(int x, int width, qint64 durationMs);

// The cursor bar: 10 pixels centred on x, full height (partly outside at the edges).
QRect GraphCursorRect(int cursorX, int height);

// One line list per channel (1, 2, 3). Column x (2 <= x < width) shows sample trunc(x * count /
// width), clamped to [bottom, top] and scaled so that top lands height / 2 below the centre line
// (screen y grows downward); each segment runs from the previous column's value, the first one
// from (1, centre). A scale top of 0 keeps every line on the centre line; no samples, no lines.
std::array<QList<QLine>, 3> SensorGraphLines(const std::vector<SensorSample> &samples, int scaleTop,
                                             int scaleBottom, int width, int height);

// The column of a reading: the first column that shows it (column x shows reading
// trunc(x * count / width)).
int GraphXForReading(int reading, int count, int width);

#pragma once

#include <QPolygon>
#include <QRect>
#include <QString>

// The arithmetic of the time-zone drop-down, kept apart from its widgets.

// The largest height of the open list, in pixels.
constexpr int kDropListHeightLimit = 100;

// Height of the open list: rowCount x rowHeight when that is smaller than the limit and the
// list is not empty, otherwise the limit.
int DropListHeight(int rowCount, int rowHeight, int limit = kDropListHeightLimit);

// A text as drawn with prefix processing: "&&" shows as one "&", a single "&" (the mark of a
// mnemonic) is not shown.
QString PrefixProcessed(const QString &text);

// The box's down arrow, a filled triangle: its top edge from (right - w - 5, y) to
// (right - 6, y) and its point at (right - w - 5 + w / 2, y + w / 2), with
// y = (box height - text height) / 2 + mHeight / 3; w is the width of "M".
QPolygon DropArrow(const QRect &box, int mWidth, int mHeight, int textHeight);

// The pixel size of a font whose cell (ascent + descent) is `cellHeight` pixels high: the
// player's font heights are cell heights, and Arial's cell is 1.149 of its em.
int FontPixelSizeForCell(int cellHeight);

// Where the box's text goes: from x 5 to (right - w - 10), the box's full height.
QRect DropTextRect(const QRect &box, int mWidth);

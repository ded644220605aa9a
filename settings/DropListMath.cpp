#include "DropListMath.h"

#include <QtGlobal>

int DropListHeight(int rowCount, int rowHeight, int limit)
{
    const long long rows = static_cast<long long>(rowCount) * rowHeight;
    if (rowCount > 0 && rowHeight > 0 && rows < limit)
        return static_cast<int>(rows);
    return limit;
}

QString PrefixProcessed(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            if (i + 1 < text.size() && text.at(i + 1) == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += text.at(i);
    }
    return out;
}

QPolygon DropArrow(const QRect &box, int mWidth, int mHeight, int textHeight)
{
    const int right = box.x() + box.width();
    const int y = box.y() + (box.height() - textHeight) / 2 + mHeight / 3;
    const int left = right - mWidth - 5;
    QPolygon arrow;
    arrow << QPoint(left, y) << QPoint(right - 6, y) << QPoint(left + mWidth / 2, y + mWidth / 2);
    return arrow;
}

QRect DropTextRect(const QRect &box, int mWidth)
{
    const int right = box.x() + box.width() - mWidth - 10;
    return QRect(QPoint(box.x() + 5, box.y()), QPoint(right - 1, box.y() + box.height() - 1));
}

int FontPixelSizeForCell(int cellHeight)
{
    return qMax(1, qRound(cellHeight / 1.149));
}

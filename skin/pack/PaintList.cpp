// The recording list: header segments, column and filter captions, the kind icons.

#include "SkinGroups.h"
#include "SkinPaintKit.h"
#include "SkinSizes.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QtMath>

using namespace SkinKit;
using namespace SkinSize;

namespace {

enum class Head { Normal, Button, Pressed };
enum class Piece { Left, Middle, Right };

struct HeadColours
{
    QColor top, bottom, baseLine;
};

HeadColours headColours(Head head)
{
    switch (head) {
    case Head::Button:
        return {QColor(78, 78, 84), QColor(52, 52, 57), SkinColour::kAccent};
    case Head::Pressed:
        return {QColor(32, 32, 35), QColor(46, 46, 50), SkinColour::kAccentDark};
    case Head::Normal:
        break;
    }
    return {QColor(62, 62, 67), QColor(40, 40, 43), QColor(20, 20, 21)};
}

// One piece of a column head. The left piece carries the head's left sheen, the right piece its
// divider; the middle piece is stretched between them.
QImage headPiece(Head head, Piece piece)
{
    const int w = piece == Piece::Middle ? kHeaderMiddleWidth : kHeaderEndWidth;
    const int h = kHeaderHeight;
    const HeadColours c = headColours(head);
    QImage image = Canvas(QSize(w, h), c.bottom);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.fillRect(QRect(0, 0, w, h), g);
    p.fillRect(QRect(0, 0, w, 1), head == Head::Pressed ? QColor(16, 16, 17) : c.top.lighter(125));
    const int baseHeight = head == Head::Normal ? 1 : 2;
    p.fillRect(QRect(0, h - baseHeight, w, baseHeight), c.baseLine);
    if (piece == Piece::Left)
        p.fillRect(QRect(0, 1, 1, h - 1 - baseHeight), QColor(255, 255, 255, 24));
    if (piece == Piece::Right) {
        p.fillRect(QRect(w - 1, 3, 1, h - 6), QColor(18, 18, 19));
        p.fillRect(QRect(w - 2, 3, 1, h - 6), QColor(255, 255, 255, 26));
    }
    return image;
}

QColor headMatte()
{
    return QColor(52, 52, 56);
}

// A caption: the text in a light grey that is never pure white (the header keys white out),
// on magenta. Filter captions get a small drop-down mark after the text.
QImage caption(const QString &text, bool filter)
{
    int size = 12;
    QFont font = Arial(size, QFont::Bold);
    const qreal mark = filter ? 9 : 0;
    while (filter && size > 8 &&
           QFontMetricsF(font).horizontalAdvance(text) + mark + 2 > kFilterCaptionMaxWidth) {
        font = Arial(--size, QFont::Bold);
    }
    const QFontMetricsF metrics(font);
    const int width = qCeil(metrics.horizontalAdvance(text) + mark) + 2;
    const QSize imageSize(width, kCaptionHeight);
    QImage layer = Layer(imageSize);
    QPainter p(&layer);
    Smooth(p);
    p.setFont(font);
    p.setPen(SkinColour::kCaptionText);
    const qreal baseline = (kCaptionHeight + metrics.capHeight()) / 2.0;
    p.drawText(QPointF(1, baseline), text);
    if (filter) {
        const qreal x = 1 + metrics.horizontalAdvance(text) + 3;
        const qreal y = kCaptionHeight / 2.0 - 1;
        p.setPen(Qt::NoPen);
        p.setBrush(SkinColour::kAccent);
        p.drawPolygon(QPolygonF({QPointF(x, y), QPointF(x + 6, y), QPointF(x + 3, y + 3.5)}));
    }
    p.end();
    return Flatten(layer, headMatte());
}

// Kind icons carry a real alpha channel: they are drawn on white rows and on the accent
// colour of selected rows alike.
QImage kindIcon(int kind)
{
    QImage image(kKindIcon, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Smooth(p);
    const QRectF r(0, 0, kKindIcon.width(), kKindIcon.height());
    const QPointF c = r.center();
    switch (kind) {
    case 0: { // Normal: a green disc with a play mark.
        p.setPen(QPen(QColor(30, 110, 52), 1));
        p.setBrush(QColor(64, 172, 96));
        p.drawEllipse(c, 7.3, 7.3);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygonF({c + QPointF(-2.4, -4), c + QPointF(4.4, 0), c + QPointF(-2.4, 4)}));
        break;
    }
    case 1: { // Event: a red warning triangle.
        QPainterPath tri;
        tri.moveTo(c.x(), 1.2);
        tri.lineTo(15.2, 14.6);
        tri.lineTo(0.8, 14.6);
        tri.closeSubpath();
        p.setPen(QPen(QColor(140, 24, 18), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(222, 52, 40));
        p.drawPath(tri);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(c.x() - 1, 5.2, 2, 5.2), 0.8, 0.8);
        p.drawEllipse(QPointF(c.x(), 12.2), 1.1, 1.1);
        break;
    }
    default: { // Parking: a blue square with a P.
        p.setPen(QPen(QColor(18, 64, 140), 1));
        p.setBrush(QColor(40, 112, 206));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
        p.setPen(Qt::white);
        p.setFont(Arial(12, QFont::Bold));
        p.drawText(r.adjusted(0, 0, 0, 0), Qt::AlignCenter, QStringLiteral("P"));
        break;
    }
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage PaintListImage(int id)
{
    if (id >= 3400 && id <= 3408) {
        const Head head = static_cast<Head>((id - 3400) / 3);
        const Piece piece = static_cast<Piece>((id - 3400) % 3);
        return headPiece(head, piece);
    }
    switch (id) {
    case 3409:
        return caption(QStringLiteral("Used"), false);
    case 3410:
        return caption(QStringLiteral("All"), true);
    case 3411:
        return caption(QStringLiteral("Capacity"), false);
    case 3412:
        return caption(QStringLiteral("Name"), false);
    case 3413:
        return caption(QStringLiteral("Date"), false);
    case 3414:
        return caption(QStringLiteral("Normal"), true);
    case 3415:
        return caption(QStringLiteral("Parking"), true);
    case 3416:
        return caption(QStringLiteral("Event"), true);
    case 3417:
        return caption(QStringLiteral("Free"), false);
    case 3500:
        return kindIcon(0);
    case 3501:
        return kindIcon(1);
    case 3502:
        return kindIcon(2);
    default:
        return {};
    }
}

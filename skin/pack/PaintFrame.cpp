// The dialog frame: top bar, borders and corners, caption buttons, logo and version badge.

#include "SkinGroups.h"
#include "SkinPaintKit.h"
#include "SkinSizes.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

using namespace SkinKit;
using namespace SkinSize;

namespace {

const QColor kOutline = SkinColour::kOutline;

// The top bar's colour at a row: an outline, a sheen, a soft gradient, then the accent line and
// a dark line where the client area begins.
QColor topBarRow(int y)
{
    const int h = kTopBarHeight;
    if (y <= 0)
        return kOutline;
    if (y == 1)
        return QColor(78, 78, 84);
    if (y == h - 2)
        return SkinColour::kAccent;
    if (y >= h - 1)
        return QColor(14, 14, 15);
    const double t = double(y - 2) / double(h - 5);
    return QColor(int(52 - 20 * t), int(52 - 20 * t), int(57 - 21 * t));
}

// A side border's colour at a column counted from the outside.
QColor borderColumn(int i)
{
    static const QColor columns[kBorder] = {kOutline, QColor(60, 60, 65), QColor(40, 40, 44),
                                            QColor(18, 18, 19)};
    return columns[qBound(0, i, kBorder - 1)];
}

QImage topEdge()
{
    QImage image = Canvas(QSize(kEdgeLength, kTopBarHeight));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, topBarRow(y));
    return image;
}

// Top corners: the bar's rows with the outline down the outer column.
QImage topCorner(bool left)
{
    QImage image = topEdge().copy(0, 0, kBorder, kTopBarHeight);
    for (int y = 0; y < image.height(); ++y) {
        const int outer = left ? 0 : kBorder - 1;
        image.setPixelColor(outer, y, kOutline);
        if (y > 0 && y < kTopBarHeight - 2)
            image.setPixelColor(left ? 1 : kBorder - 2, y, QColor(64, 64, 70));
    }
    return image;
}

QImage sideEdge(bool left)
{
    QImage image = Canvas(QSize(kBorder, kEdgeLength));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < kBorder; ++x)
            image.setPixelColor(x, y, borderColumn(left ? x : kBorder - 1 - x));
    return image;
}

QImage bottomEdge()
{
    QImage image = Canvas(QSize(kEdgeLength, kBorder));
    for (int y = 0; y < kBorder; ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, borderColumn(kBorder - 1 - y));
    return image;
}

// Bottom corners: each pixel takes the outer of its row's and column's border colour.
QImage bottomCorner(bool left)
{
    QImage image = Canvas(QSize(kBorder, kBorder));
    for (int y = 0; y < kBorder; ++y)
        for (int x = 0; x < kBorder; ++x) {
            const int fromSide = left ? x : kBorder - 1 - x;
            const int fromBottom = kBorder - 1 - y;
            image.setPixelColor(x, y, borderColumn(qMin(fromSide, fromBottom)));
        }
    return image;
}

enum class Caption { Close, Maximise, Minimise, Restore };

void captionGlyph(QPainter &p, const QRectF &r, Caption which, const QColor &colour)
{
    const QPointF c = r.center();
    p.save();
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (which) {
    case Caption::Close:
        p.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
        p.drawLine(c + QPointF(-4.5, 4.5), c + QPointF(4.5, -4.5));
        break;
    case Caption::Maximise:
        p.drawRect(QRectF(c.x() - 5, c.y() - 4.5, 10, 9));
        p.drawLine(c + QPointF(-5, -3), c + QPointF(5, -3));
        break;
    case Caption::Minimise:
        p.drawLine(c + QPointF(-5, 4), c + QPointF(5, 4));
        break;
    case Caption::Restore:
        p.setPen(QPen(colour, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({c + QPointF(-2.5, -3), c + QPointF(-2.5, -5.5), c + QPointF(5.5, -5.5),
                       c + QPointF(5.5, 1.5), c + QPointF(3, 1.5)}));
        p.drawRect(QRectF(c.x() - 5.5, c.y() - 2.5, 8, 7.5));
        break;
    }
    p.restore();
}

QImage captionButton(Caption which)
{
    const QColor matte = topBarRow(10 + kCaptionButton.height() / 2);
    return Strip(
        kCaptionButton,
        [which](QPainter &p, const QRectF &r, Look look) {
            const QRectF plate = r.adjusted(1, 0, -1, 0);
            const bool close = which == Caption::Close;
            QColor glyph = QColor(196, 196, 200);
            if (look == Look::Hover) {
                p.setPen(Qt::NoPen);
                p.setBrush(close ? QColor(214, 52, 44) : QColor(78, 78, 84));
                p.drawRoundedRect(plate, 3, 3);
                glyph = Qt::white;
            } else if (look == Look::Pressed) {
                p.setPen(Qt::NoPen);
                p.setBrush(close ? QColor(150, 32, 28) : QColor(22, 22, 24));
                p.drawRoundedRect(plate, 3, 3);
                p.setPen(QPen(close ? QColor(90, 18, 16) : SkinColour::kAccentDark, 1));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
                glyph = close ? QColor(255, 214, 210) : SkinColour::kAccentLight;
            }
            captionGlyph(p, look == Look::Pressed ? r.translated(0, 1) : r, which, glyph);
        },
        matte);
}

// The logo: a lens in the accent colour, the model name and the player's name.
QImage logo()
{
    QImage layer = Layer(kLogo);
    QPainter p(&layer);
    Smooth(p);
    const qreal h = kLogo.height();
    const QPointF lens(h / 2, h / 2);
    QRadialGradient ring(lens, 13);
    ring.setColorAt(0.0, QColor(30, 30, 34));
    ring.setColorAt(0.55, QColor(18, 18, 20));
    ring.setColorAt(0.62, SkinColour::kAccentLight);
    ring.setColorAt(0.85, SkinColour::kAccent);
    ring.setColorAt(1.0, SkinColour::kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(lens, 12.5, 12.5);
    p.setBrush(QColor(70, 110, 160));
    p.drawEllipse(lens, 4.2, 4.2);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(lens + QPointF(-2.2, -2.4), 1.6, 1.6);

    QFont model = Arial(20, QFont::Bold);
    model.setItalic(true);
    p.setFont(model);
    p.setPen(Qt::white);
    const qreal x = h + 6;
    p.drawText(QPointF(x, 23), QStringLiteral("RX-9"));
    const qreal after = x + QFontMetricsF(model).horizontalAdvance(QStringLiteral("RX-9")) + 7;

    p.setPen(QPen(QColor(90, 90, 96), 1));
    p.drawLine(QPointF(after - 0.5, 8), QPointF(after - 0.5, 25));

    QFont name = Arial(12, QFont::Bold);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    p.setFont(name);
    p.setPen(SkinColour::kAccent);
    p.drawText(QPointF(after + 6, 16), QStringLiteral("VANTORA"));
    QFont sub = Arial(10, QFont::Bold);
    sub.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(sub);
    p.setPen(QColor(206, 206, 212));
    p.drawText(QPointF(after + 6, 27), QStringLiteral("PC PLAYER"));
    p.end();
    return Flatten(layer, [](int y) { return topBarRow(y + 4); });
}

// The version badge hangs from the top edge; the frame writes the version in its left 50
// pixels, right-aligned.
QImage versionBadge()
{
    QImage layer = Layer(kVersionBadge);
    QPainter p(&layer);
    Smooth(p);
    const QRectF r(0.5, -6, kVersionBadge.width() - 1, kVersionBadge.height() + 5.5);
    QLinearGradient g(0, 0, 0, kVersionBadge.height());
    g.setColorAt(0, QColor(70, 70, 76));
    g.setColorAt(1, QColor(44, 44, 48));
    p.setBrush(g);
    p.setPen(QPen(SkinColour::kAccent, 1));
    p.drawRoundedRect(r, 5, 5);
    p.end();
    return Flatten(layer, [](int y) { return topBarRow(y); });
}

} // namespace

QImage PaintFrameImage(int id)
{
    switch (id) {
    case 3000:
        return captionButton(Caption::Close);
    case 3001:
        return captionButton(Caption::Maximise);
    case 3002:
        return captionButton(Caption::Minimise);
    case 3003:
        return captionButton(Caption::Restore);
    case 3004:
        return topEdge();
    case 3005:
        return topCorner(true);
    case 3006:
        return topCorner(false);
    case 3007:
        return sideEdge(true);
    case 3008:
        return sideEdge(false);
    case 3009:
        return bottomEdge();
    case 3010:
        return bottomCorner(true);
    case 3011:
        return bottomCorner(false);
    case 3012:
        return versionBadge();
    case 3013:
        return logo();
    default:
        return {};
    }
}

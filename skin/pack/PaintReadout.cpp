// The main window's read-outs: time digits and separators, the GPS indicator and the speed
// panels. The GPS indicator sits just left of the speed panel, so the two are drawn as one
// dark plate split in two.

#include "SkinGroups.h"
#include "SkinPaintKit.h"
#include "SkinSizes.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

using namespace SkinKit;
using namespace SkinSize;

namespace {

const QColor kDigitColour(240, 240, 242);
const QColor kPlateTop(24, 24, 26);
const QColor kPlateBottom(12, 12, 13);
const QColor kPlateBorder(58, 58, 63);

// One character of the time read-out, centred in its cell, on the window's background.
QImage readoutGlyph(QSize size, const QString &text, const QColor &colour)
{
    QImage layer = Layer(size);
    QPainter p(&layer);
    Smooth(p);
    const QFont font = Arial(18, QFont::Bold);
    p.setFont(font);
    p.setPen(colour);
    const QFontMetricsF metrics(font);
    const qreal x = (size.width() - metrics.horizontalAdvance(text)) / 2.0;
    // Digits are as tall as the cap height; centre that in the cell.
    const qreal baseline = (size.height() + metrics.capHeight()) / 2.0;
    p.drawText(QPointF(x, baseline), text);
    p.end();
    return Flatten(layer, SkinColour::kFrameBackground);
}

// The plate behind the GPS indicator and the speed panel; rounded on the outer side only.
void plate(QPainter &p, const QRectF &r, bool roundLeft, bool roundRight)
{
    const qreal radius = 6;
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    QPainterPath square;
    if (!roundLeft)
        square.addRect(QRectF(r.left(), r.top(), radius * 2, r.height()));
    if (!roundRight)
        square.addRect(QRectF(r.right() - radius * 2, r.top(), radius * 2, r.height()));
    path = path.united(square);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kPlateTop);
    g.setColorAt(1, kPlateBottom);
    p.setPen(QPen(kPlateBorder, 1));
    p.setBrush(g);
    p.drawPath(path);
    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    p.drawLine(QPointF(r.left() + (roundLeft ? radius : 1), r.top() + 1.5),
               QPointF(r.right() - (roundRight ? radius : 1), r.top() + 1.5));
}

QImage gpsIndicator(bool fix)
{
    QImage image = Canvas(kGpsIndicator, SkinColour::kFrameBackground);
    QPainter p(&image);
    Smooth(p);
    const QRectF r(1.5, 1.5, kGpsIndicator.width() - 1, kGpsIndicator.height() - 3);
    plate(p, r, true, false);
    // The label.
    p.setFont(Arial(10, QFont::Bold));
    p.setPen(fix ? QColor(226, 226, 230) : QColor(120, 120, 126));
    p.drawText(QRectF(2, 4, kGpsIndicator.width() - 2, 12), Qt::AlignCenter, QStringLiteral("GPS"));
    // Signal bars: lit green with a fix, hollow and grey without.
    const QColor on(96, 214, 120);
    const QColor off(66, 66, 72);
    const qreal base = 29.5;
    for (int i = 0; i < 4; ++i) {
        const qreal h = 3 + 2.5 * i;
        const QRectF bar(7.5 + i * 6, base - h, 4, h);
        p.setPen(Qt::NoPen);
        p.setBrush(fix ? on : off);
        p.drawRoundedRect(bar, 0.8, 0.8);
    }
    if (!fix) {
        p.setPen(QPen(QColor(226, 78, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(33, 19), QPointF(38, 24));
        p.drawLine(QPointF(33, 24), QPointF(38, 19));
    }
    // Divider towards the speed panel.
    p.setPen(QPen(QColor(46, 46, 50), 1));
    p.drawLine(QPointF(kGpsIndicator.width() - 0.5, 6), QPointF(kGpsIndicator.width() - 0.5, 30));
    return image;
}

// The speed panel: the player writes the speed right-aligned up to 45 pixels from the right
// edge; the unit sits in those 45 pixels.
QImage speedPanel(const QString &unit)
{
    QImage image = Canvas(kSpeedPanel, SkinColour::kFrameBackground);
    QPainter p(&image);
    Smooth(p);
    const QRectF r(-0.5, 1.5, kSpeedPanel.width() - 1, kSpeedPanel.height() - 3);
    plate(p, r, false, true);
    const QFont font = Arial(13, QFont::Bold);
    p.setFont(font);
    p.setPen(SkinColour::kAccent);
    const QRectF unitRect(kSpeedPanel.width() - kSpeedUnitWidth, 0, kSpeedUnitWidth - 4,
                          kSpeedPanel.height());
    const qreal w = QFontMetricsF(font).horizontalAdvance(unit);
    // On the baseline of the 30-pixel speed figures drawn beside it.
    p.drawText(QPointF(unitRect.left() + (unitRect.width() - w) / 2.0 + 2, 29), unit);
    return image;
}

} // namespace

QImage PaintReadoutImage(int id)
{
    if (id >= 3303 && id <= 3312)
        return readoutGlyph(kDigit, QString::number(id - 3303), kDigitColour);
    switch (id) {
    case 3313:
        return readoutGlyph(kColon, QStringLiteral(":"), kDigitColour);
    case 3314:
        return readoutGlyph(kSlash, QStringLiteral("/"), QColor(176, 176, 182));
    case 3315:
        return gpsIndicator(false);
    case 3316:
        return gpsIndicator(true);
    case 3317:
        return speedPanel(QStringLiteral("km/h"));
    case 3321:
        return speedPanel(QStringLiteral("mph"));
    default:
        return {};
    }
}

// Buttons: the shared icon-button strip and its icons, the toggles of the main window, the
// dialogs' text buttons, radio buttons and the play-speed items.

#include "SkinGroups.h"
#include "SkinPaintKit.h"
#include "SkinSizes.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QtMath>

using namespace SkinKit;
using namespace SkinSize;

namespace {

const QColor kGlyph = SkinColour::kGlyph;
const QColor kAccent = SkinColour::kAccent;

// ---- the shared strip and the icons centred on it ------------------------------------------

QImage iconButtonStrip()
{
    return Strip(
        kButton, [](QPainter &p, const QRectF &r, Look look) { ButtonFace(p, r, look); },
        SkinColour::kFrameBackground);
}

using GlyphPainter = void (*)(QPainter &, const QRectF &);

// An icon for the shared strip: drawn antialiased on a transparent layer and flattened onto
// the face's colour, magenta around it.
QImage icon(GlyphPainter paint)
{
    QImage layer = Layer(kButtonIcon);
    QPainter p(&layer);
    Smooth(p);
    paint(p, QRectF(QPointF(0, 0), kButtonIcon));
    p.end();
    return Flatten(layer, FaceMatte());
}

QPen glyphPen(qreal width, const QColor &colour = kGlyph)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void fillPolygon(QPainter &p, const QPolygonF &polygon, const QColor &colour = kGlyph)
{
    p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPolygon(polygon);
}

// A triangle pointing right (dir 1) or left (dir -1) with its base at x.
QPolygonF triangle(qreal x, qreal cy, qreal w, qreal h, int dir)
{
    return QPolygonF({QPointF(x, cy - h / 2), QPointF(x + dir * w, cy), QPointF(x, cy + h / 2)});
}

void glyphPlay(QPainter &p, const QRectF &r)
{
    fillPolygon(p, triangle(r.center().x() - 5, r.center().y(), 12, 14, 1));
}

void glyphPause(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    p.drawRoundedRect(QRectF(c.x() - 6.5, c.y() - 7, 4.5, 14), 1, 1);
    p.drawRoundedRect(QRectF(c.x() + 2, c.y() - 7, 4.5, 14), 1, 1);
}

void glyphStep(QPainter &p, const QRectF &r, int dir)
{
    const QPointF c = r.center();
    // Two triangles one behind the other, pointing the way of the step.
    fillPolygon(p, triangle(c.x() - dir * 9, c.y(), 9, 12, dir));
    fillPolygon(p, triangle(c.x() - dir * 1, c.y(), 9, 12, dir));
}

void glyphForward(QPainter &p, const QRectF &r)
{
    glyphStep(p, r, 1);
}

void glyphBackward(QPainter &p, const QRectF &r)
{
    glyphStep(p, r, -1);
}

void glyphSkip(QPainter &p, const QRectF &r, int dir)
{
    const QPointF c = r.center();
    fillPolygon(p, triangle(c.x() - dir * 5, c.y(), 10, 13, dir));
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    const qreal barX = dir > 0 ? c.x() + 5.5 : c.x() - 8.5;
    p.drawRoundedRect(QRectF(barX, c.y() - 6.5, 3, 13), 0.8, 0.8);
}

void glyphPrevious(QPainter &p, const QRectF &r)
{
    glyphSkip(p, r, -1);
}

void glyphNext(QPainter &p, const QRectF &r)
{
    glyphSkip(p, r, 1);
}

void glyphBrightness(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    p.setPen(glyphPen(1.8));
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(45.0 * i);
        const QPointF d(qCos(a), qSin(a));
        p.drawLine(c + d * 7.2, c + d * 10.2);
    }
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 4.6, 4.6);
    // The left half filled: a picture's light and dark.
    QPainterPath half;
    half.moveTo(c + QPointF(0, -4.6));
    half.arcTo(QRectF(c.x() - 4.6, c.y() - 4.6, 9.2, 9.2), 90, 180);
    half.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    p.drawPath(half);
}

QPainterPath crescent(const QPointF &c, qreal radius)
{
    QPainterPath moon;
    moon.addEllipse(c, radius, radius);
    QPainterPath bite;
    bite.addEllipse(c + QPointF(radius * 0.55, -radius * 0.45), radius * 0.85, radius * 0.85);
    return moon.subtracted(bite);
}

void star(QPainter &p, const QPointF &c, qreal radius, const QColor &colour)
{
    QPolygonF points;
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(45.0 * i - 90);
        const qreal len = i % 2 == 0 ? radius : radius * 0.38;
        points << c + QPointF(qCos(a), qSin(a)) * len;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(points);
}

// Night vision off (the ON button): a plain moon.
void glyphNightOn(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center() + QPointF(-2, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    p.drawPath(crescent(c, 8.5));
    star(p, c + QPointF(9, -5), 4.4, SkinColour::kGlyph);
}

// Night vision on (the OFF button): the moon lit in the accent colour.
void glyphNightOff(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center() + QPointF(-2, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(242, 149, 48, 70));
    p.drawEllipse(c, 11, 11);
    p.setBrush(SkinColour::kAccentLight);
    p.drawPath(crescent(c, 8.5));
    star(p, c + QPointF(9, -5), 4.4, Qt::white);
}

void glyphRotate(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    const qreal radius = 7.5;
    p.setPen(glyphPen(2.0));
    p.setBrush(Qt::NoBrush);
    const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(box, 100 * 16, 280 * 16);
    // Arrow head at the arc's open end (at 100 degrees), pointing clockwise.
    const qreal a = qDegreesToRadians(100.0);
    const QPointF tip = c + QPointF(qCos(a) * radius, -qSin(a) * radius);
    fillPolygon(
        p, QPolygonF({tip + QPointF(4.8, 0), tip + QPointF(-1.8, -4.4), tip + QPointF(-1.8, 4.4)}));
    // A small picture in the middle.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(c.x() - 2.5, c.y() - 2, 5, 4), 0.8, 0.8);
}

void glyphCapture(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center() + QPointF(0, 1);
    QPainterPath body;
    body.addRoundedRect(QRectF(c.x() - 10, c.y() - 6.5, 20, 14), 2.5, 2.5);
    body.addRoundedRect(QRectF(c.x() - 4.5, c.y() - 9.5, 9, 4), 1.2, 1.2);
    body = body.simplified();
    QPainterPath lens;
    lens.addEllipse(c + QPointF(0, 0.5), 4.8, 4.8);
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    p.drawPath(body.subtracted(lens));
    p.setBrush(kAccent);
    p.drawEllipse(c + QPointF(0, 0.5), 2.6, 2.6);
    p.setBrush(FaceMatte());
    p.drawEllipse(QPointF(c.x() + 6.8, c.y() - 3.6), 1.2, 1.2);
}

// A sheet of paper with a folded corner.
QPainterPath sheet(const QRectF &r)
{
    const qreal fold = 4;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    return path;
}

void glyphCopy(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    const QRectF back(c.x() - 8, c.y() - 9, 11, 14);
    const QRectF front(c.x() - 3, c.y() - 5, 11, 14);
    p.setPen(glyphPen(1.6, SkinColour::kGlyphDim));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sheet(back));
    p.setPen(glyphPen(1.6));
    p.setBrush(FaceMatte());
    p.drawPath(sheet(front));
    p.setPen(glyphPen(1.2));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(front.left() + 2.5, front.top() + 5 + 3 * i),
                   QPointF(front.right() - 2.5, front.top() + 5 + 3 * i));
}

QPolygonF bolt(const QPointF &c, qreal s)
{
    return QPolygonF({c + QPointF(1.0 * s, -5.5 * s), c + QPointF(-3.2 * s, 0.8 * s),
                      c + QPointF(-0.2 * s, 0.8 * s), c + QPointF(-1.2 * s, 5.5 * s),
                      c + QPointF(3.2 * s, -1.0 * s), c + QPointF(0.2 * s, -1.0 * s)});
}

// Copy the event recordings: copied sheets marked with the shock bolt.
void glyphEventCopy(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    const QRectF back(c.x() - 9, c.y() - 9, 11, 14);
    const QRectF front(c.x() - 4, c.y() - 5, 12, 14);
    p.setPen(glyphPen(1.6, SkinColour::kGlyphDim));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sheet(back));
    p.setPen(glyphPen(1.6));
    p.setBrush(FaceMatte());
    p.drawPath(sheet(front));
    fillPolygon(p, bolt(front.center() + QPointF(0, 0.8), 1.05), kAccent);
}

void glyphFolder(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center() + QPointF(0, 1);
    QPainterPath back;
    back.moveTo(c + QPointF(-10, -7));
    back.lineTo(c + QPointF(-4, -7));
    back.lineTo(c + QPointF(-2, -5));
    back.lineTo(c + QPointF(9, -5));
    back.lineTo(c + QPointF(9, 7));
    back.lineTo(c + QPointF(-10, 7));
    back.closeSubpath();
    p.setPen(glyphPen(1.4, SkinColour::kGlyphDim));
    p.setBrush(SkinColour::kGlyphDim);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(c + QPointF(-10, 7));
    front.lineTo(c + QPointF(-7, -2));
    front.lineTo(c + QPointF(12, -2));
    front.lineTo(c + QPointF(9, 7));
    front.closeSubpath();
    p.setPen(glyphPen(1.4));
    p.setBrush(kGlyph);
    p.drawPath(front);
}

void glyphOption(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = qDegreesToRadians(360.0 / (teeth * 4) * (i - 1.5));
        const qreal len = (i % 4 < 2) ? 10.0 : 7.6;
        const QPointF pt = c + QPointF(qCos(a), qSin(a)) * len;
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 3.4, 3.4);
    p.setPen(QPen(kGlyph, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kGlyph);
    p.drawPath(gear.subtracted(hole));
}

void glyphSdCard(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    QPainterPath card;
    const QRectF b(c.x() - 7.5, c.y() - 10, 15, 20);
    card.moveTo(b.left() + 5, b.top());
    card.lineTo(b.right() - 1.5, b.top());
    card.quadTo(b.right(), b.top(), b.right(), b.top() + 1.5);
    card.lineTo(b.right(), b.bottom() - 1.5);
    card.quadTo(b.right(), b.bottom(), b.right() - 1.5, b.bottom());
    card.lineTo(b.left() + 1.5, b.bottom());
    card.quadTo(b.left(), b.bottom(), b.left(), b.bottom() - 1.5);
    card.lineTo(b.left(), b.top() + 5);
    card.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    p.drawPath(card);
    // Contacts.
    p.setBrush(FaceMatte());
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(b.left() + 3.5 + i * 2.8, b.top() + 2.5, 1.6, 4.5));
    // The label in the accent colour.
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(b.left() + 2.5, b.top() + 10, b.width() - 5, 6.5), 1, 1);
}

void glyphDelete(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center() + QPointF(0, 1);
    p.setPen(glyphPen(1.8));
    p.drawLine(c + QPointF(-8.5, -7), c + QPointF(8.5, -7));
    p.drawLine(c + QPointF(-2.5, -9.5), c + QPointF(2.5, -9.5));
    QPainterPath bin;
    bin.moveTo(c + QPointF(-6.5, -4));
    bin.lineTo(c + QPointF(6.5, -4));
    bin.lineTo(c + QPointF(5.3, 9));
    bin.lineTo(c + QPointF(-5.3, 9));
    bin.closeSubpath();
    p.setPen(glyphPen(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bin);
    p.setPen(glyphPen(1.4));
    for (int i = -1; i <= 1; ++i)
        p.drawLine(c + QPointF(i * 2.6, -1), c + QPointF(i * 2.3, 6));
}

// ---- toggles of the main window ------------------------------------------------------------

void speaker(QPainter &p, const QPointF &c, const QColor &colour)
{
    fillPolygon(p,
                QPolygonF({c + QPointF(-7, -2.5), c + QPointF(-4, -2.5), c + QPointF(0, -6.5),
                           c + QPointF(0, 6.5), c + QPointF(-4, 2.5), c + QPointF(-7, 2.5)}),
                colour);
}

QImage soundButton(bool muted)
{
    return Strip(
        kSoundButton,
        [muted](QPainter &p, const QRectF &r, Look look) {
            ButtonFace(p, r, look, Face::Neutral, 3.5);
            const QColor colour = GlyphColour(look);
            const QPointF c = r.center() + QPointF(-1, look == Look::Pressed ? 1 : 0.5);
            speaker(p, c, colour);
            p.setBrush(Qt::NoBrush);
            if (muted) {
                p.setPen(glyphPen(1.7, QColor(236, 88, 64)));
                p.drawLine(c + QPointF(2.5, -3), c + QPointF(8, 3));
                p.drawLine(c + QPointF(2.5, 3), c + QPointF(8, -3));
            } else {
                p.setPen(glyphPen(1.5, colour));
                p.drawArc(QRectF(c.x() - 3, c.y() - 4, 8, 8), -50 * 16, 100 * 16);
                p.drawArc(QRectF(c.x() - 4, c.y() - 7.5, 15, 15), -50 * 16, 100 * 16);
            }
        },
        SkinColour::kFrameBackground);
}

// The narrow tab between the video and the list: an arrow to pull the list out or push it in.
QImage listToggle(int dir)
{
    return Strip(
        kListToggle,
        [dir](QPainter &p, const QRectF &r, Look look) {
            ButtonFace(p, r.adjusted(-0.5, 0, 0.5, 0), look, Face::Neutral, 3);
            const QPointF c = r.center() + QPointF(look == Look::Pressed ? 0.5 : 0, 0);
            fillPolygon(p, triangle(c.x() - dir * 2, c.y(), 4, 8, dir), GlyphColour(look));
        },
        SkinColour::kFrameBackground);
}

QPainterPath mapPin(const QPointF &tip, qreal h)
{
    const qreal radius = h * 0.34;
    const QPointF centre = tip - QPointF(0, h - radius);
    QPainterPath pin;
    pin.moveTo(tip);
    pin.cubicTo(tip + QPointF(-radius * 0.4, -h * 0.25), centre + QPointF(-radius, radius * 0.9),
                centre + QPointF(-radius, 0));
    pin.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 180, -180);
    pin.cubicTo(centre + QPointF(radius, radius * 0.9), tip + QPointF(radius * 0.4, -h * 0.25),
                tip);
    QPainterPath hole;
    hole.addEllipse(centre, radius * 0.42, radius * 0.42);
    return pin.subtracted(hole);
}

// Map toggles: a map pin, grey while the map is hidden, lit while it is shown.
QImage mapToggle(bool shown)
{
    return Strip(
        kMapToggle,
        [shown](QPainter &p, const QRectF &r, Look look) {
            ButtonFace(p, r, look, Face::Neutral, 3);
            QColor colour = shown ? SkinColour::kAccent : GlyphColour(look);
            if (shown && look == Look::Hover)
                colour = SkinColour::kAccentLight;
            const qreal dy = look == Look::Pressed ? 1 : 0;
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(mapPin(QPointF(r.center().x(), r.bottom() - 3.5 + dy), 11.5));
        },
        SkinColour::kFrameBackground);
}

// ---- text buttons ----------------------------------------------------------------------------

QImage textButton(QSize frame, const QString &text, Face face, int pixelSize)
{
    return Strip(
        frame,
        [text, face, pixelSize](QPainter &p, const QRectF &r, Look look) {
            ButtonFace(p, r, look, face, 4);
            QColor colour = GlyphColour(look);
            if (face == Face::Primary)
                colour = look == Look::Pressed ? QColor(52, 28, 6) : QColor(34, 22, 10);
            const QRectF textRect = r.adjusted(4, look == Look::Pressed ? 1 : 0, -4, 0);
            FitText(p, textRect, text, pixelSize, QFont::Bold, colour);
        },
        QColor(30, 30, 31));
}

QImage dialogButton(const QString &text, Face face = Face::Neutral)
{
    return textButton(kDialogButton, text, face, 13);
}

QImage messageButton(const QString &text, Face face = Face::Neutral)
{
    return textButton(kMessageButton, text, face, 14);
}

// ---- radio buttons: checked frame left, unchecked right, on the surface they sit on --------

QImage radio(const QColor &surface)
{
    QImage image = Canvas(QSize(kRadio.width() * 2, kRadio.height()), surface);
    QPainter p(&image);
    Smooth(p);
    for (int i = 0; i < 2; ++i) {
        const bool checked = i == 0;
        const QPointF c(i * kRadio.width() + kRadio.width() / 2.0, kRadio.height() / 2.0);
        QRadialGradient well(c + QPointF(0, -2), 8);
        well.setColorAt(0, QColor(20, 20, 22));
        well.setColorAt(1, QColor(34, 34, 37));
        p.setBrush(well);
        p.setPen(QPen(checked ? SkinColour::kAccent : QColor(132, 132, 138), 1.4));
        p.drawEllipse(c, 6.2, 6.2);
        if (checked) {
            QRadialGradient dot(c + QPointF(-1, -1), 4);
            dot.setColorAt(0, SkinColour::kAccentLight);
            dot.setColorAt(1, SkinColour::kAccent);
            p.setPen(Qt::NoPen);
            p.setBrush(dot);
            p.drawEllipse(c, 3.4, 3.4);
        }
    }
    return image;
}

// ---- play-speed items: the SPEED button's icon and the rows of the speed list ---------------

QImage speedItem(const QString &rate)
{
    QImage layer = Layer(kSpeedItem);
    QPainter p(&layer);
    Smooth(p);
    const QFont number = Arial(16, QFont::Bold);
    const QFont times = Arial(12, QFont::Bold);
    const qreal wNumber = QFontMetricsF(number).horizontalAdvance(rate);
    const qreal wTimes = QFontMetricsF(times).horizontalAdvance(QStringLiteral("x"));
    const qreal x = (kSpeedItem.width() - wNumber - wTimes - 1) / 2.0;
    const qreal baseline = kSpeedItem.height() / 2.0 + 6;
    p.setFont(number);
    p.setPen(rate == QStringLiteral("1.0") ? SkinColour::kGlyph : SkinColour::kAccentLight);
    p.drawText(QPointF(x, baseline), rate);
    p.setFont(times);
    p.setPen(QColor(196, 196, 202));
    p.drawText(QPointF(x + wNumber + 1, baseline), QStringLiteral("x"));
    p.end();
    return Flatten(layer, FaceMatte());
}

} // namespace

QImage PaintButtonImage(int id)
{
    switch (id) {
    case 3100:
        return iconButtonStrip();
    case 3101:
        return icon(glyphForward);
    case 3102:
        return icon(glyphBackward);
    case 3103:
        return icon(glyphPlay);
    case 3104:
        return icon(glyphPause);
    case 3105:
        return icon(glyphPrevious);
    case 3106:
        return icon(glyphNext);
    case 3107:
        return icon(glyphBrightness);
    case 3108:
        return icon(glyphNightOn);
    case 3109:
        return icon(glyphNightOff);
    case 3110:
        return icon(glyphRotate);
    case 3111:
        return icon(glyphCapture);
    case 3112:
        return soundButton(false);
    case 3113:
        return soundButton(true);
    case 3114:
        return listToggle(-1);
    case 3115:
        return listToggle(1);
    case 3116:
        return mapToggle(false);
    case 3117:
        return mapToggle(true);
    case 3118:
        return icon(glyphCopy);
    case 3119:
        return icon(glyphEventCopy);
    case 3120:
        return icon(glyphFolder);
    case 3121:
        return icon(glyphOption);
    case 3122:
        return icon(glyphSdCard);
    case 3123:
        return icon(glyphDelete);
    case 3124:
        return dialogButton(QStringLiteral("OK"), Face::Primary);
    case 3125:
        return dialogButton(QStringLiteral("Cancel"));
    case 3126:
        return messageButton(QStringLiteral("Cancel"));
    case 3127:
        return messageButton(QStringLiteral("Normal"), Face::Primary);
    case 3128:
        return messageButton(QStringLiteral("Ignore"));
    case 3129:
        return messageButton(QStringLiteral("Recovery"));
    case 3130:
        return messageButton(QStringLiteral("No"));
    case 3131:
        return messageButton(QStringLiteral("OK"), Face::Primary);
    case 3132:
        return messageButton(QStringLiteral("Retry"));
    case 3133:
        return messageButton(QStringLiteral("Abort"));
    case 3134:
        return messageButton(QStringLiteral("Yes"), Face::Primary);
    case 3135:
        return dialogButton(QStringLiteral("Refresh"));
    case 3136:
        return dialogButton(QStringLiteral("Format"));
    case 3137:
        return radio(SkinColour::kOptionBand);
    case 3138:
        return radio(SkinColour::kOptionPage);
    case 3139:
        return speedItem(QStringLiteral("0.4"));
    case 3140:
        return speedItem(QStringLiteral("0.6"));
    case 3141:
        return speedItem(QStringLiteral("0.8"));
    case 3142:
        return speedItem(QStringLiteral("1.0"));
    case 3143:
        return speedItem(QStringLiteral("2.0"));
    // 3144-3147 are not used by any window; they hold blank faces and radios for other
    // surfaces so that a new control can be skinned without a new picture.
    case 3144:
        return dialogButton(QString());
    case 3145:
        return messageButton(QString());
    case 3146:
        return radio(SkinColour::kMessageBackground);
    case 3147:
        return radio(QColor(0, 0, 0));
    case 3148:
        return radio(SkinColour::kFrameBackground);
    default:
        return {};
    }
}

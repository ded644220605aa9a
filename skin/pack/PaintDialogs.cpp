// Dialog pieces: the options dialog's tabs, the sliders and progress bars, the copy dialog's
// pictures and animation, the message box symbols, and the application icon.

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

// ---- options dialog tabs -------------------------------------------------------------------

enum class TabEnd { Left, Right };
enum class Neighbour { Edge, Selected, Unselected };

// One end or the middle of a tab. The selected tab is a full-height plate in the accent colour;
// the others are lower, grey, and take a shadow beside the selected tab or a thin divider
// beside another unselected tab.
QImage tabPiece(bool selected, int width, TabEnd end, bool middle, Neighbour neighbour)
{
    QImage layer = Layer(QSize(width, kTabHeight));
    QPainter p(&layer);
    Smooth(p);
    const qreal top = selected ? 0.5 : 3.5;
    const qreal radius = 6;
    const qreal span = 60; // the plate is wider than the piece; the piece shows one end of it
    QRectF plate(0.5, top, span, kTabHeight - top + 4);
    if (middle)
        plate = QRectF(-span / 2, top, span + width, kTabHeight - top + 4);
    else if (end == TabEnd::Right)
        plate.moveRight(width - 0.5);
    QLinearGradient g(0, top, 0, kTabHeight);
    if (selected) {
        g.setColorAt(0, SkinColour::kAccentLight);
        g.setColorAt(1, SkinColour::kAccent);
        p.setPen(QPen(SkinColour::kAccentDark, 1));
    } else {
        g.setColorAt(0, QColor(72, 72, 77));
        g.setColorAt(1, QColor(56, 56, 60));
        p.setPen(QPen(QColor(33, 33, 33), 1));
    }
    p.setBrush(g);
    p.drawRoundedRect(plate, radius, radius);
    if (!selected && !middle && neighbour != Neighbour::Edge) {
        const qreal x = end == TabEnd::Left ? 0.5 : width - 0.5;
        if (neighbour == Neighbour::Selected) {
            QLinearGradient shade(x, 0, end == TabEnd::Left ? x + 6 : x - 6, 0);
            shade.setColorAt(0, QColor(0, 0, 0, 110));
            shade.setColorAt(1, QColor(0, 0, 0, 0));
            p.fillRect(QRectF(end == TabEnd::Left ? 0 : width - 6, top, 6, kTabHeight), shade);
        } else {
            p.setPen(QPen(QColor(96, 96, 102), 1));
            p.drawLine(QPointF(x, top + 6), QPointF(x, kTabHeight - 5));
        }
    }
    // The bottom edge: selected tabs open onto the page, the others sit on a dark line.
    if (!selected)
        p.fillRect(QRectF(0, kTabHeight - 1, width, 1), QColor(33, 33, 33));
    p.end();
    return Flatten(layer, SkinColour::kOptionPage);
}

QImage tabImage(int id)
{
    const int end = kTabEndWidth;
    switch (id) {
    case 3014: // selected middle
        return tabPiece(true, kTabMiddleWidth, TabEnd::Left, true, Neighbour::Edge);
    case 3015: // selected left, after another tab
        return tabPiece(true, end, TabEnd::Left, false, Neighbour::Unselected);
    case 3016: // selected left, first tab
        return tabPiece(true, end, TabEnd::Left, false, Neighbour::Edge);
    case 3017: // selected right, before another tab
        return tabPiece(true, end, TabEnd::Right, false, Neighbour::Unselected);
    case 3018: // selected right, last tab
        return tabPiece(true, end, TabEnd::Right, false, Neighbour::Edge);
    case 3019: // unselected middle
        return tabPiece(false, kTabMiddleWidth, TabEnd::Left, true, Neighbour::Edge);
    case 3020: // unselected left, after the selected tab
        return tabPiece(false, end, TabEnd::Left, false, Neighbour::Selected);
    case 3021: // unselected left, first tab
        return tabPiece(false, end, TabEnd::Left, false, Neighbour::Edge);
    case 3022: // unselected left, after an unselected tab
    case 3023:
        return tabPiece(false, end, TabEnd::Left, false, Neighbour::Unselected);
    case 3024: // unselected right, before the selected tab
        return tabPiece(false, end, TabEnd::Right, false, Neighbour::Selected);
    case 3025: // unselected right, last tab
        return tabPiece(false, end, TabEnd::Right, false, Neighbour::Edge);
    case 3026: // unselected right, before an unselected tab
    case 3027:
        return tabPiece(false, end, TabEnd::Right, false, Neighbour::Unselected);
    default:
        return {};
    }
}

// ---- sliders and progress bars -------------------------------------------------------------

// The volume slider: ascending bars, grey in the background image and lit in the fill image,
// which the slider copies over the background up to the volume.
QImage volumeSlider(bool filled)
{
    QImage image = Canvas(kVolumeSlider, SkinColour::kFrameBackground);
    QPainter p(&image);
    Smooth(p);
    const int bars = 12;
    const qreal base = 25.5;
    for (int i = 0; i < bars; ++i) {
        const qreal h = 3 + i;
        const QRectF bar(4.5 + 8 * i, base - h, 5, h);
        if (filled) {
            QLinearGradient g(bar.topLeft(), bar.bottomLeft());
            g.setColorAt(0, SkinColour::kAccentLight);
            g.setColorAt(1, SkinColour::kAccent);
            p.setPen(QPen(SkinColour::kAccentDark, 1));
            p.setBrush(g);
        } else {
            p.setPen(QPen(QColor(70, 70, 75), 1));
            p.setBrush(QColor(40, 40, 43));
        }
        p.drawRoundedRect(bar, 1, 1);
    }
    return image;
}

// A groove with a tick under each step; the neutral step (if any) is marked in the accent.
QImage track(QSize size, const QColor &surface, int steps, int neutralStep)
{
    QImage image = Canvas(size, surface);
    QPainter p(&image);
    Smooth(p);
    const qreal left = kSliderMargin;
    const qreal right = size.width() - kSliderMargin;
    const qreal cy = size.height() / 2.0;
    p.setPen(QPen(QColor(12, 12, 13), 1));
    p.setBrush(QColor(20, 20, 22));
    p.drawRoundedRect(QRectF(left - 3, cy - 2.5, right - left + 6, 5), 2.5, 2.5);
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.drawLine(QPointF(left - 1, cy + 3), QPointF(right + 1, cy + 3));
    const qreal step = (right - left) / steps;
    for (int i = 0; i <= steps; ++i) {
        const qreal x = qRound(left + i * step) + 0.5;
        p.setPen(QPen(i == neutralStep ? SkinColour::kAccent : QColor(110, 110, 116), 1));
        p.drawLine(QPointF(x, cy + 5), QPointF(x, cy + (i == neutralStep ? 9 : 7.5)));
    }
    return image;
}

QImage knob()
{
    QImage layer = Layer(kKnob);
    QPainter p(&layer);
    Smooth(p);
    const QRectF r(1, 1, kKnob.width() - 2, kKnob.height() - 2);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(236, 236, 240));
    g.setColorAt(1, QColor(168, 168, 176));
    p.setPen(QPen(QColor(16, 16, 17), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(SkinColour::kAccent);
    p.drawRoundedRect(QRectF(r.left() + 2.5, r.top() + 2.5, r.width() - 5, 3), 1, 1);
    p.setPen(QPen(QColor(90, 90, 96), 1));
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.center().y() + 1 + 3 * (i - 1) + 0.5;
        p.drawLine(QPointF(r.left() + 3.5, y), QPointF(r.right() - 3.5, y));
    }
    p.end();
    return Flatten(layer, QColor(40, 40, 42));
}

QImage copyProgress(bool filled)
{
    QImage image = Canvas(kCopyProgress, QColor(0, 0, 0));
    QPainter p(&image);
    Smooth(p);
    const QRectF r(0.5, 0.5, kCopyProgress.width() - 1, kCopyProgress.height() - 1);
    if (filled) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, SkinColour::kAccentLight);
        g.setColorAt(0.5, SkinColour::kAccent);
        g.setColorAt(1, SkinColour::kAccentDark);
        p.setPen(QPen(SkinColour::kAccentDark, 1));
        p.setBrush(g);
    } else {
        p.setPen(QPen(QColor(66, 66, 72), 1));
        p.setBrush(QColor(28, 28, 30));
    }
    p.drawRoundedRect(r, 4, 4);
    return image;
}

// ---- copy dialog -----------------------------------------------------------------------------

void sdCard(QPainter &p, const QRectF &b)
{
    QPainterPath card;
    const qreal cut = b.width() * 0.3;
    card.moveTo(b.left() + cut, b.top());
    card.lineTo(b.right(), b.top());
    card.lineTo(b.right(), b.bottom());
    card.lineTo(b.left(), b.bottom());
    card.lineTo(b.left(), b.top() + cut);
    card.closeSubpath();
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0, QColor(88, 88, 94));
    g.setColorAt(1, QColor(52, 52, 56));
    p.setPen(QPen(QColor(140, 140, 148), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(card);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 176, 84));
    for (int i = 0; i < 5; ++i)
        p.drawRoundedRect(QRectF(b.left() + cut * 0.8 + i * (b.width() * 0.13),
                                 b.top() + b.height() * 0.06, b.width() * 0.08, b.height() * 0.16),
                          1, 1);
    const QRectF label(b.left() + b.width() * 0.14, b.top() + b.height() * 0.42, b.width() * 0.72,
                       b.height() * 0.4);
    p.setBrush(SkinColour::kAccent);
    p.drawRoundedRect(label, 3, 3);
    p.setPen(QColor(30, 20, 10));
    p.setFont(Arial(qRound(label.height() * 0.62), QFont::Black));
    p.drawText(label, Qt::AlignCenter, QStringLiteral("SD"));
}

QImage copySource()
{
    QImage layer = Layer(kCopyPicture);
    QPainter p(&layer);
    Smooth(p);
    sdCard(p, QRectF(18.5, 8.5, 44, 60));
    p.end();
    return Flatten(layer, QColor(0, 0, 0));
}

QImage copyTarget()
{
    QImage layer = Layer(kCopyPicture);
    QPainter p(&layer);
    Smooth(p);
    const QRectF r(8, 16, 64, 50);
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 4);
    back.quadTo(r.left(), r.top(), r.left() + 4, r.top());
    back.lineTo(r.left() + 22, r.top());
    back.lineTo(r.left() + 28, r.top() + 6);
    back.lineTo(r.right() - 4, r.top() + 6);
    back.quadTo(r.right(), r.top() + 6, r.right(), r.top() + 10);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(QPen(SkinColour::kAccentDark, 1.5));
    p.setBrush(QColor(196, 112, 30));
    p.drawPath(back);
    // A sheet sticking out of the folder.
    p.setPen(QPen(QColor(190, 190, 196), 1));
    p.setBrush(QColor(238, 238, 242));
    p.drawRect(QRectF(r.left() + 10, r.top() + 9, r.width() - 20, 20));
    QPainterPath front;
    front.moveTo(r.left(), r.bottom());
    front.lineTo(r.left() + 5, r.top() + 16);
    front.lineTo(r.right() + 4, r.top() + 16);
    front.lineTo(r.right(), r.bottom());
    front.closeSubpath();
    QLinearGradient g(0, r.top() + 16, 0, r.bottom());
    g.setColorAt(0, SkinColour::kAccentLight);
    g.setColorAt(1, SkinColour::kAccent);
    p.setPen(QPen(SkinColour::kAccentDark, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(front);
    p.end();
    return Flatten(layer, QColor(0, 0, 0));
}

// Thirteen frames, top to bottom: a clip sheet travels from the card to the folder along a low
// arc, leaving a dotted trail.
QImage copyAnimation()
{
    const int frames = kCopyAnimationFrames;
    const QSize cell = kCopyAnimation;
    QImage image = Canvas(QSize(cell.width(), cell.height() * frames), QColor(0, 0, 0));
    QPainter p(&image);
    Smooth(p);
    auto pathPoint = [&](qreal t) {
        const qreal x = 16 + t * (cell.width() - 32);
        const qreal y = cell.height() * 0.55 - qSin(t * M_PI) * 22;
        return QPointF(x, y);
    };
    for (int f = 0; f < frames; ++f) {
        p.save();
        p.translate(0, f * cell.height());
        p.setClipRect(QRect(QPoint(0, 0), cell));
        const qreal t = double(f) / (frames - 1);
        const int dots = 16;
        for (int i = 0; i <= dots; ++i) {
            const qreal u = double(i) / dots;
            const bool passed = u <= t;
            p.setPen(Qt::NoPen);
            p.setBrush(passed ? QColor(242, 149, 48, 200) : QColor(70, 70, 76));
            p.drawEllipse(pathPoint(u), passed ? 2.0 : 1.5, passed ? 2.0 : 1.5);
        }
        // The travelling clip: a small sheet with a film mark.
        const QPointF c = pathPoint(t);
        const QRectF sheet(c.x() - 12, c.y() - 15, 24, 30);
        p.setPen(QPen(QColor(40, 40, 44), 1));
        p.setBrush(QColor(240, 240, 244));
        p.drawRoundedRect(sheet, 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 66));
        p.drawRoundedRect(QRectF(sheet.left() + 4, sheet.top() + 8, 16, 13), 1.5, 1.5);
        p.setBrush(SkinColour::kAccent);
        p.drawPolygon(QPolygonF({QPointF(c.x() - 2.5, c.y() - 4.5), QPointF(c.x() + 3.5, c.y() - 1),
                                 QPointF(c.x() - 2.5, c.y() + 2.5)}));
        p.restore();
    }
    return image;
}

// ---- message box symbols -------------------------------------------------------------------

void symbolCanvas(QImage &image, QPainter &p)
{
    image = Canvas(kMessageSymbol, SkinColour::kMessageBackground);
    p.begin(&image);
    Smooth(p);
}

QPointF symbolCentre()
{
    return QPointF(kMessageSymbol.width() / 2.0, kMessageSymbol.height() / 2.0 - 4);
}

void disc(QPainter &p, const QPointF &c, qreal radius, const QColor &light, const QColor &dark)
{
    QRadialGradient g(c + QPointF(-radius * 0.3, -radius * 0.4), radius * 1.4);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(150), 1.5));
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
}

QImage symbolError()
{
    QImage image;
    QPainter p;
    symbolCanvas(image, p);
    const QPointF c = symbolCentre();
    disc(p, c, 28, QColor(240, 92, 76), QColor(176, 30, 22));
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-10, -10), c + QPointF(10, 10));
    p.drawLine(c + QPointF(-10, 10), c + QPointF(10, -10));
    p.end();
    return image;
}

QImage symbolWarning()
{
    QImage image;
    QPainter p;
    symbolCanvas(image, p);
    const QPointF c = symbolCentre();
    QPainterPath tri;
    tri.moveTo(c + QPointF(0, -29));
    tri.lineTo(c + QPointF(31, 25));
    tri.lineTo(c + QPointF(-31, 25));
    tri.closeSubpath();
    QLinearGradient g(c + QPointF(0, -29), c + QPointF(0, 25));
    g.setColorAt(0, QColor(255, 214, 102));
    g.setColorAt(1, QColor(236, 160, 28));
    p.setPen(QPen(QColor(150, 94, 10), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(tri);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 28, 8));
    p.drawRoundedRect(QRectF(c.x() - 3.5, c.y() - 14, 7, 25), 3, 3);
    p.drawEllipse(c + QPointF(0, 18), 4, 4);
    p.end();
    return image;
}

QImage symbolInformation()
{
    QImage image;
    QPainter p;
    symbolCanvas(image, p);
    const QPointF c = symbolCentre();
    disc(p, c, 28, SkinColour::kAccentLight, SkinColour::kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c + QPointF(0, -14), 4.5, 4.5);
    p.drawRoundedRect(QRectF(c.x() - 4, c.y() - 5, 8, 24), 2.5, 2.5);
    p.end();
    return image;
}

} // namespace

QImage PaintDialogImage(int id)
{
    if (id >= 3014 && id <= 3027)
        return tabImage(id);
    switch (id) {
    case 3200:
        return volumeSlider(false);
    case 3201:
        return volumeSlider(true);
    case 3202:
        return track(kAdjustSlider, SkinColour::kFrameBackground, 6, 3);
    case 3203:
        return knob();
    case 3204:
        return copyProgress(false);
    case 3205:
        return copyProgress(true);
    case 3206:
        return track(kOptionSlider, SkinColour::kOptionBand, 10, -1);
    case 3300:
        return copyTarget();
    case 3301:
        return copySource();
    case 3302:
        return copyAnimation();
    case 3318:
        return symbolError();
    case 3319:
        return symbolWarning();
    case 3320:
        return symbolInformation();
    default:
        return {};
    }
}

QImage PaintAppIcon(int size)
{
    // Drawn on a kAppIcon grid and scaled, so every size is a rendering of the same picture.
    const int s = kAppIcon;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Smooth(p);
    p.scale(qreal(size) / s, qreal(size) / s);
    const QRectF tile(4, 4, s - 8, s - 8);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(62, 62, 68));
    g.setColorAt(1, QColor(20, 20, 22));
    p.setPen(QPen(QColor(8, 8, 9), 2));
    p.setBrush(g);
    p.drawRoundedRect(tile, 24, 24);
    const QPointF c(s / 2.0, s / 2.0 - 6);
    QRadialGradient ring(c, 40);
    ring.setColorAt(0.0, QColor(26, 30, 40));
    ring.setColorAt(0.62, QColor(14, 14, 18));
    ring.setColorAt(0.70, SkinColour::kAccentLight);
    ring.setColorAt(0.88, SkinColour::kAccent);
    ring.setColorAt(1.0, SkinColour::kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(c, 40, 40);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({c + QPointF(-8, -13), c + QPointF(15, 0), c + QPointF(-8, 13)}));
    p.setPen(Qt::white);
    QFont font = Arial(17, QFont::Bold);
    font.setItalic(true);
    p.setFont(font);
    p.drawText(QRectF(0, s - 30, s, 20), Qt::AlignCenter, QStringLiteral("RX-9"));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

#include "SkinPaintKit.h"

#include "SkinSizes.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

namespace SkinKit {

QImage Canvas(QSize size, const QColor &fill)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QImage Canvas(QSize size)
{
    return Canvas(size, SkinColour::kMagenta);
}

QImage Layer(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage Flatten(const QImage &layer, const QColor &matte, int threshold)
{
    return Flatten(
        layer, [matte](int) { return matte; }, threshold);
}

QImage Flatten(const QImage &layer, const RowColour &matteAtRow, int threshold)
{
    const QImage src = layer.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    const QRgb key = SkinColour::kMagenta.rgb();
    for (int y = 0; y < src.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        const QColor matte = matteAtRow(y);
        for (int x = 0; x < src.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a < threshold) {
                line[x] = key;
                continue;
            }
            auto mix = [a](int c, int m) { return (c * a + m * (255 - a) + 127) / 255; };
            QRgb c = qRgb(mix(qRed(in[x]), matte.red()), mix(qGreen(in[x]), matte.green()),
                          mix(qBlue(in[x]), matte.blue()));
            if ((c & 0xffffff) == (key & 0xffffff))
                c = qRgb(254, 0, 255); // never produce the key by accident
            line[x] = c;
        }
    }
    return out;
}

void Smooth(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QFont Arial(int pixelSize, int weight)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QImage Strip(QSize frame, const FramePainter &paintFrame, const QColor &matte)
{
    QImage layer = Layer(QSize(frame.width() * 3, frame.height()));
    QPainter p(&layer);
    Smooth(p);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.setClipRect(QRect(i * frame.width(), 0, frame.width(), frame.height()));
        p.translate(i * frame.width(), 0);
        paintFrame(p, QRectF(0, 0, frame.width(), frame.height()), static_cast<Look>(i));
        p.restore();
    }
    p.end();
    return Flatten(layer, matte);
}

QImage OpaqueStrip(QSize frame, const QColor &background, const FramePainter &paintFrame)
{
    QImage image = Canvas(QSize(frame.width() * 3, frame.height()), background);
    QPainter p(&image);
    Smooth(p);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.setClipRect(QRect(i * frame.width(), 0, frame.width(), frame.height()));
        p.translate(i * frame.width(), 0);
        paintFrame(p, QRectF(0, 0, frame.width(), frame.height()), static_cast<Look>(i));
        p.restore();
    }
    return image;
}

namespace {

struct FaceColours
{
    QColor top, bottom, border, highlight;
};

FaceColours faceColours(Look look, Face face)
{
    switch (face) {
    case Face::Primary:
        switch (look) {
        case Look::Normal:
            return {QColor(250, 170, 80), QColor(226, 128, 32), QColor(120, 62, 10),
                    QColor(255, 220, 170, 150)};
        case Look::Hover:
            return {QColor(255, 196, 120), QColor(246, 156, 58), QColor(140, 76, 16),
                    QColor(255, 236, 200, 190)};
        case Look::Pressed:
            return {QColor(196, 104, 24), QColor(222, 126, 36), QColor(96, 48, 8),
                    QColor(0, 0, 0, 60)};
        }
        break;
    case Face::Danger:
    case Face::Neutral:
        switch (look) {
        case Look::Normal:
            return {QColor(60, 60, 64), QColor(40, 40, 43), QColor(12, 12, 13),
                    QColor(255, 255, 255, 30)};
        case Look::Hover:
            return {QColor(80, 80, 86), QColor(56, 56, 61), SkinColour::kAccent,
                    QColor(255, 255, 255, 46)};
        case Look::Pressed:
            return {QColor(28, 28, 30), QColor(42, 42, 45), SkinColour::kAccentDark,
                    QColor(0, 0, 0, 90)};
        }
        break;
    }
    return {};
}

} // namespace

void ButtonFace(QPainter &p, const QRectF &rect, Look look, Face face, qreal radius)
{
    const FaceColours c = faceColours(look, face);
    const QRectF plate = rect.adjusted(1, 1, -1, -1);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(plate, radius, radius);
    // The inner line under the top edge: a light sheen, or a shadow while pressed.
    p.setPen(QPen(c.highlight, 1));
    p.setBrush(Qt::NoBrush);
    const qreal y = plate.top() + 1.5;
    p.drawLine(QPointF(plate.left() + radius, y), QPointF(plate.right() - radius, y));
    p.setPen(QPen(c.border, 1));
    p.drawRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

QColor GlyphColour(Look look)
{
    switch (look) {
    case Look::Hover:
        return QColor(255, 255, 255);
    case Look::Pressed:
        return SkinColour::kAccentLight;
    case Look::Normal:
        break;
    }
    return SkinColour::kGlyph;
}

QColor FaceMatte()
{
    return QColor(50, 50, 54);
}

void FitText(QPainter &p, const QRectF &rect, const QString &text, int pixelSize, int weight,
             const QColor &colour, int flags)
{
    int size = pixelSize;
    QFont font = Arial(size, weight);
    while (size > 7 && QFontMetricsF(font).horizontalAdvance(text) > rect.width()) {
        --size;
        font = Arial(size, weight);
    }
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, flags, text);
    p.restore();
}

} // namespace SkinKit

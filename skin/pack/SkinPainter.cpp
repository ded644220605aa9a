#include "SkinPainter.h"

#include <QPainter>

namespace {

constexpr QRgb kMagenta = 0xffff00ff;

QImage blank(int w, int h, QColor fill = QColor(kMagenta))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

} // namespace

QList<int> SkinPackIds()
{
    QList<int> ids;
    const int ranges[][2] = {{3000, 3027}, {3100, 3148}, {3200, 3206},
                             {3300, 3321}, {3400, 3417}, {3500, 3502}};
    for (const auto &r : ranges)
        for (int id = r[0]; id <= r[1]; ++id)
            ids.append(id);
    return ids;
}

QImage PaintSkinImage(int id)
{
    // Placeholder look until the real drawings land: a grey three-frame strip.
    QImage image = blank(150, 35);
    QPainter p(&image);
    for (int f = 0; f < 3; ++f)
        p.fillRect(f * 50 + 1, 1, 48, 33, QColor(60 + 30 * f, 60 + 30 * f, 60 + 30 * f));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 50, 35), Qt::AlignCenter, QString::number(id));
    return image;
}

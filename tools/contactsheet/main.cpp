// Renders every picture of a skin pack onto one sheet, grouped by use, each labelled with its id
// and size, on a checkerboard so that transparent pixels show. Small pictures are also shown
// enlarged, the copy animation as its thirteen frames.
// Usage: rx9contactsheet <pack.rcc> <out.png>

#include "SkinImages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSheetWidth = 1500;
constexpr int kPad = 10;
constexpr int kLabelHeight = 28;

struct Group
{
    QString title;
    QList<int> ids;
};

QList<int> range(int first, int last)
{
    QList<int> ids;
    for (int id = first; id <= last; ++id)
        ids << id;
    return ids;
}

QList<Group> groups()
{
    return {
        {QStringLiteral("Frame: caption buttons, borders, badge, logo (3000-3013)"),
         range(3000, 3013)},
        {QStringLiteral("Options dialog tabs (3014-3027)"), range(3014, 3027)},
        {QStringLiteral("Icon-button strip and icons (3100-3111, 3118-3123)"),
         range(3100, 3111) + range(3118, 3123)},
        {QStringLiteral("Toggles: sound, list, map (3112-3117)"), range(3112, 3117)},
        {QStringLiteral("Text buttons (3124-3136, spares 3144-3145)"),
         range(3124, 3136) + QList<int>{3144, 3145}},
        {QStringLiteral("Radios (3137, 3138, 3146-3148) and play speeds (3139-3143)"),
         QList<int>{3137, 3138, 3146, 3147, 3148} + range(3139, 3143)},
        {QStringLiteral("Sliders and progress (3200-3206)"), range(3200, 3206)},
        {QStringLiteral("Read-outs: digits, separators, GPS, speed panels"),
         range(3303, 3317) + QList<int>{3321}},
        {QStringLiteral("Copy dialog pictures (3300-3302), message symbols (3318-3320)"),
         QList<int>{3301, 3300, 3318, 3319, 3320, 3302}},
        {QStringLiteral("List header segments, captions, kind icons (3400-3417, 3500-3502)"),
         range(3400, 3417) + range(3500, 3502)},
    };
}

// How a picture is shown: its scale, and for the animation strip its frames side by side.
int scaleFor(const QPixmap &pixmap)
{
    if (pixmap.width() <= 60 && pixmap.height() <= 60)
        return 3;
    if (pixmap.width() <= 200 && pixmap.height() <= 120)
        return 2;
    return 1;
}

QImage arrangeAnimation(const QPixmap &strip)
{
    const int frames = 13;
    const int cellH = strip.height() / frames;
    const int columns = 5;
    const int rows = (frames + columns - 1) / columns;
    QImage out((strip.width() + 4) * columns, (cellH + 4) * rows,
               QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    for (int f = 0; f < frames; ++f) {
        const QPoint at((f % columns) * (strip.width() + 4), (f / columns) * (cellH + 4));
        p.drawPixmap(at, strip, QRect(0, f * cellH, strip.width(), cellH));
    }
    return out;
}

void checkerboard(QPainter &p, const QRect &rect)
{
    const int cell = 6;
    p.save();
    p.setClipRect(rect);
    for (int y = rect.top(); y < rect.bottom() + 1; y += cell)
        for (int x = rect.left(); x < rect.right() + 1; x += cell) {
            const bool dark = ((x - rect.left()) / cell + (y - rect.top()) / cell) % 2 == 0;
            p.fillRect(QRect(x, y, cell, cell), dark ? QColor(96, 96, 100) : QColor(128, 128, 132));
        }
    p.restore();
}

struct Tile
{
    int id = 0;
    QImage picture; // as shown
    int scale = 1;
    QString label;
    QSize size() const
    {
        const QFontMetrics metrics(QFont(QStringLiteral("Arial"), 9));
        return QSize(qMax(picture.width(), metrics.horizontalAdvance(label)) + 2 * kPad,
                     picture.height() + kLabelHeight + kPad);
    }
};

Tile makeTile(int id, const QPixmap &pixmap)
{
    Tile tile;
    tile.id = id;
    QString what = QStringLiteral("%1 x %2").arg(pixmap.width()).arg(pixmap.height());
    if (CSkinImages::IsThreeFrameStrip(id))
        what += QStringLiteral(" (3 x %1)").arg(StripFrameWidth(pixmap.width()));
    if (id == 3302) {
        tile.picture = arrangeAnimation(pixmap);
        what += QStringLiteral(", 13 frames");
    } else {
        tile.scale = scaleFor(pixmap);
        tile.picture = pixmap.toImage().scaled(pixmap.size() * tile.scale, Qt::IgnoreAspectRatio,
                                               Qt::FastTransformation);
        if (tile.scale > 1)
            what += QStringLiteral("  [x%1]").arg(tile.scale);
    }
    tile.label = QStringLiteral("%1   %2").arg(id).arg(what);
    return tile;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: rx9contactsheet <pack.rcc> <out.png>\n");
        return 2;
    }
    if (!CSkinImages::Load(args.at(1))) {
        std::fprintf(stderr, "cannot load the skin pack %s\n", qPrintable(args.at(1)));
        return 1;
    }

    // Lay the tiles out in rows under each group's title, then paint.
    struct Placed
    {
        Tile tile;
        QPoint at;
    };
    std::vector<Placed> placed;
    std::vector<std::pair<QString, int>> titles;
    QList<int> missing;
    int y = kPad;
    const int titleHeight = 26;
    auto placeGroup = [&](const QString &title, const std::vector<Tile> &tiles) {
        titles.emplace_back(title, y);
        y += titleHeight;
        int x = kPad;
        int rowHeight = 0;
        for (const Tile &tile : tiles) {
            const QSize size = tile.size();
            if (x + size.width() > kSheetWidth - kPad && x > kPad) {
                x = kPad;
                y += rowHeight + kPad;
                rowHeight = 0;
            }
            placed.push_back({tile, QPoint(x, y)});
            x += size.width() + kPad;
            rowHeight = qMax(rowHeight, size.height());
        }
        y += rowHeight + 2 * kPad;
    };
    for (const Group &group : groups()) {
        std::vector<Tile> tiles;
        for (int id : group.ids) {
            const QPixmap &pixmap = CSkinImages::Pixmap(id);
            if (pixmap.isNull())
                missing << id;
            else
                tiles.push_back(makeTile(id, pixmap));
        }
        placeGroup(group.title, tiles);
    }
    const QPixmap appIcon = CSkinImages::AppIconPixmap();
    if (!appIcon.isNull()) {
        Tile tile = makeTile(128, appIcon);
        tile.label = QStringLiteral("128   application icon %1 x %2")
                         .arg(appIcon.width())
                         .arg(appIcon.height());
        placeGroup(QStringLiteral("Application icon (128)"), {tile});
    }

    QImage sheet(kSheetWidth, y, QImage::Format_RGB32);
    sheet.fill(QColor(34, 34, 36));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPixelSize(12);
    for (const auto &[title, top] : titles) {
        p.setFont(titleFont);
        p.setPen(QColor(242, 149, 48));
        p.drawText(QPoint(kPad, top + 17), title);
    }
    for (const Placed &item : placed) {
        const QRect picture(item.at + QPoint(kPad, 0), item.tile.picture.size());
        checkerboard(p, picture);
        p.drawImage(picture.topLeft(), item.tile.picture);
        p.setFont(labelFont);
        p.setPen(QColor(220, 220, 224));
        p.drawText(QPoint(item.at.x() + kPad, picture.bottom() + 18), item.tile.label);
    }
    if (!missing.isEmpty()) {
        QStringList names;
        for (int id : missing)
            names << QString::number(id);
        std::fprintf(stderr, "missing from the pack: %s\n", qPrintable(names.join(u' ')));
    }
    p.end();
    if (!sheet.save(args.at(2), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    std::printf("%lld pictures on %s (%d x %d)\n", static_cast<long long>(placed.size()),
                qPrintable(args.at(2)), sheet.width(), sheet.height());
    return missing.isEmpty() ? 0 : 1;
}

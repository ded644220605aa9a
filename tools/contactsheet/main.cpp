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

// ---- pictures in use: small mock-ups assembled as the windows assemble them -----------------

const QPixmap &px(int id)
{
    return CSkinImages::Pixmap(id);
}

void strip(QPainter &p, const QRect &target, int id, int look)
{
    const QPixmap &s = px(id);
    const int fw = StripFrameWidth(s.width());
    p.drawPixmap(target, s, QRect(fw * look, 0, fw, s.height()));
}

void iconButton(QPainter &p, QPoint at, int iconId, int look = 0)
{
    strip(p, QRect(at, QSize(50, 35)), 3100, look);
    const QPixmap &icon = px(iconId);
    p.drawPixmap(at.x() + (50 - icon.width()) / 2 + (look == 2 ? 1 : 0),
                 at.y() + (35 - icon.height()) / 2 + 1, icon);
}

void headSegments(QPainter &p, const QRect &r, int first, int captionId)
{
    const QPixmap &l = px(first), &m = px(first + 1), &rt = px(first + 2);
    p.drawPixmap(QRect(r.left(), r.top(), l.width(), r.height()), l);
    p.drawPixmap(
        QRect(r.left() + l.width(), r.top(), r.width() - l.width() - rt.width(), r.height()), m);
    p.drawPixmap(QRect(r.right() + 1 - rt.width(), r.top(), rt.width(), r.height()), rt);
    const QPixmap &c = px(captionId);
    p.drawPixmap(r.left() + (r.width() - c.width()) / 2, r.top() + (r.height() - c.height()) / 2,
                 c);
}

QImage scenes()
{
    QImage image(kSheetWidth - 2 * kPad, 470, QImage::Format_RGB32);
    image.fill(QColor(27, 27, 27));
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont arial(QStringLiteral("Arial"));

    // A window's top bar, 640 wide, with logo, title and caption buttons.
    const int topW = 640;
    const int topH = CSkinImages::Height(3004);
    p.drawPixmap(0, 0, px(3005));
    p.drawPixmap(QRect(CSkinImages::Width(3005), 0,
                       topW - CSkinImages::Width(3005) - CSkinImages::Width(3006), topH),
                 px(3004));
    p.drawPixmap(topW - CSkinImages::Width(3006), 0, px(3006));
    p.drawPixmap(10, 4, px(3013));
    arial.setPixelSize(13);
    p.setFont(arial);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, topW, topH), Qt::AlignCenter,
               QStringLiteral("20240518_093012  (3 / 41)"));
    const int bw = StripFrameWidth(CSkinImages::Width(3000));
    const int bh = CSkinImages::Height(3000);
    strip(p, QRect(topW - 10 - bw, 10, bw, bh), 3000, 1);
    strip(p, QRect(topW - 10 - 2 * bw, 10, bw, bh), 3001, 0);
    strip(p, QRect(topW - 10 - 3 * bw, 10, bw, bh), 3002, 0);
    // The options dialog's badge on a second bar.
    p.drawPixmap(topW + 20, 0, px(3005));
    p.drawPixmap(QRect(topW + 24, 0, 520 - 8, topH), px(3004));
    p.drawPixmap(topW + 20 + 520 - 4, 0, px(3006));
    p.drawPixmap(topW + 30, 4, px(3013));
    const int badgeX = topW + 20 + 520 - CSkinImages::Width(3012) - 10;
    p.drawPixmap(badgeX, 0, px(3012));
    arial.setPixelSize(12);
    p.setFont(arial);
    p.drawText(QRect(badgeX, 0, 50, CSkinImages::Height(3012)), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("1.0.0"));

    // Read-outs: GPS and speed panel above the video's right corner, time read-out.
    const int y0 = 60;
    const int panelW = CSkinImages::Width(3321);
    const int panelH = CSkinImages::Height(3321);
    const int R = 640;
    p.fillRect(QRect(10, y0 + panelH, R - 10, 90), QColor(0, 0, 0));
    p.drawPixmap(R - panelW, y0, px(3317));
    p.drawPixmap(R - panelW - CSkinImages::Width(3316), y0, px(3316));
    arial.setPixelSize(30);
    arial.setBold(true);
    p.setFont(arial);
    p.drawText(QRect(R - panelW, y0 + 3, panelW - 45, panelH - 3),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("87"));
    // The same in miles per hour without a fix, further left.
    const int R2 = R - panelW - CSkinImages::Width(3316) - 20;
    p.drawPixmap(R2 - panelW, y0, px(3321));
    p.drawPixmap(R2 - panelW - CSkinImages::Width(3315), y0, px(3315));
    p.drawText(QRect(R2 - panelW, y0 + 3, panelW - 45, panelH - 3),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    arial.setBold(false);

    const int rowY = y0 + panelH + 90 + 40;
    int x = 10;
    const int digitW = CSkinImages::Width(3303);
    const int digitH = CSkinImages::Height(3303);
    for (QChar ch : QStringLiteral("03:27/05:00")) {
        int id = 3303 + ch.digitValue();
        if (ch == u':')
            id = 3313;
        else if (ch == u'/')
            id = 3314;
        p.drawPixmap(x, rowY - 5 - digitH, px(id));
        x += id >= 3313 ? CSkinImages::Width(id) : digitW;
    }
    // The bottom button row, with PLAY hovered and FF pressed.
    const int icons[] = {3105, 3102, 3103, 3101, 3106};
    for (int i = 0; i < 5; ++i)
        iconButton(p, QPoint(10 + 50 * i, rowY), icons[i], i == 2 ? 1 : (i == 3 ? 2 : 0));
    const int more[] = {3107, 3108, 3110, 3111, 3142};
    for (int i = 0; i < 5; ++i)
        iconButton(p, QPoint(270 + 50 * i, rowY), more[i]);
    // Sound button and volume slider at 60 %.
    const int sw = StripFrameWidth(CSkinImages::Width(3112));
    const int sliderY = rowY - 8;
    strip(p, QRect(R - sw - 103, rowY + 2, sw, CSkinImages::Height(3112)), 3112, 0);
    p.drawPixmap(R - 103, sliderY, px(3200));
    p.drawPixmap(QPoint(R - 103, sliderY), px(3201), QRect(0, 0, 61, 30));
    // The list toggle between video and panel.
    strip(p, QRect(R, y0 + panelH + 45 - 32, 10, CSkinImages::Height(3114)), 3115, 0);

    // Right-hand panel: list header and rows, map toggle, radios, panel buttons.
    const int L = R + 20;
    headSegments(p, QRect(L, y0, 55, 25), 3403, 3410);
    headSegments(p, QRect(L + 55, y0, 110, 25), 3400, 3412);
    headSegments(p, QRect(L + 165, y0, 135, 25), 3400, 3413);
    const char *stems[] = {"20240518_093012", "20240518_092912", "20240518_092812"};
    for (int row = 0; row < 3; ++row) {
        const bool selected = row == 1;
        const QRect r(L, y0 + 25 + row * 24, 300, 24);
        p.fillRect(r, selected ? QColor(242, 149, 48) : Qt::white);
        p.drawPixmap(L + (55 - 16) / 2, r.top() + 4, px(3500 + (row + 1) % 3));
        arial.setPixelSize(15);
        p.setFont(arial);
        p.setPen(selected ? Qt::white : QColor(242, 149, 48));
        p.drawText(QRect(L + 55, r.top(), 110, 24), Qt::AlignCenter,
                   QString::fromLatin1(stems[row]));
        p.drawText(QRect(L + 165, r.top(), 135, 24), Qt::AlignCenter,
                   QStringLiteral("2024-05-18 09:%1").arg(30 - row));
        p.fillRect(QRect(L, r.bottom(), 300, 1), QColor(160, 160, 160));
    }
    const int radioY = y0 + 110;
    p.drawPixmap(QRect(L + 10, radioY, 15, 15), px(3148), QRect(0, 0, 15, 15));
    p.drawPixmap(QRect(L + 90, radioY, 15, 15), px(3148), QRect(15, 0, 15, 15));
    arial.setPixelSize(15);
    arial.setBold(true);
    p.setFont(arial);
    p.setPen(Qt::white);
    p.drawText(QRect(L + 35, radioY, 28, 15), Qt::AlignVCenter, QStringLiteral("Km"));
    p.drawText(QRect(L + 110, radioY, 40, 15), Qt::AlignVCenter, QStringLiteral("Mile"));
    arial.setBold(false);
    strip(p, QRect(L + 282, radioY - 2, 18, 18), 3117, 0);
    const int panelIcons[] = {3122, 3120, 3123, 3118, 3119, 3121};
    for (int i = 0; i < 6; ++i)
        iconButton(p, QPoint(L + 50 * i, rowY), panelIcons[i], i == 4 ? 1 : 0);
    // The play-speed list popped up, row 2 hovered.
    const int itemW = CSkinImages::Width(3139), itemH = CSkinImages::Height(3139);
    const QPoint listAt(L + 320, y0);
    p.fillRect(QRect(listAt, QSize(itemW + 2, (itemH + 1) * 5 + 1)), Qt::black);
    for (int i = 0; i < 5; ++i) {
        const QRect row(listAt.x() + 1, listAt.y() + 1 + i * (itemH + 1), itemW, itemH);
        strip(p, row, 3100, i == 1 ? 1 : 0);
        p.drawPixmap(row.topLeft(), px(3139 + i));
    }

    // Options dialog tabs, page 0 then page 2, and a band with radios.
    const int tabY = rowY + 60;
    const QRect tabs[3] = {QRect(10, 5, 166, 30), QRect(176, 5, 178, 30), QRect(354, 5, 156, 30)};
    const int pieces[3][3][3] = {{{3016, 3014, 3017}, {3020, 3019, 3026}, {3023, 3019, 3025}},
                                 {{3021, 3019, 3024}, {3015, 3014, 3017}, {3020, 3019, 3025}},
                                 {{3021, 3019, 3027}, {3022, 3019, 3024}, {3015, 3014, 3018}}};
    const char *titles[] = {"Driving Mode", "Parking Mode", "General"};
    for (int page : {0, 2}) {
        const int ox = page == 0 ? 0 : 540;
        p.fillRect(QRect(ox, tabY, 520, 110), QColor(46, 46, 46));
        for (int t = 0; t < 3; ++t) {
            const QRect r = tabs[t].translated(ox, tabY);
            const QPixmap &l = px(pieces[page][t][0]), &m = px(pieces[page][t][1]),
                          &rt = px(pieces[page][t][2]);
            p.drawPixmap(r.topLeft(), l);
            p.drawPixmap(QRect(r.left() + l.width(), r.top(), r.width() - l.width() - rt.width(),
                               m.height()),
                         m);
            p.drawPixmap(r.right() + 1 - rt.width(), r.top(), rt);
            QFont tabFont(QStringLiteral("Arial"));
            tabFont.setPixelSize(17);
            tabFont.setWeight(QFont::DemiBold);
            p.setFont(tabFont);
            p.setPen(t == page ? QColor(30, 30, 30) : QColor(200, 200, 200));
            p.drawText(r, Qt::AlignCenter, QString::fromLatin1(titles[t]));
        }
        p.fillRect(QRect(ox, tabY + 55, 520, 40), QColor(54, 54, 54));
        p.drawPixmap(QRect(ox + 200, tabY + 68, 15, 15), px(3137), QRect(0, 0, 15, 15));
        p.drawPixmap(QRect(ox + 350, tabY + 68, 15, 15), px(3137), QRect(15, 0, 15, 15));
        p.drawPixmap(QRect(ox + 200, tabY + 40, 15, 15), px(3138), QRect(15, 0, 15, 15));
        arial.setPixelSize(15);
        p.setFont(arial);
        p.setPen(Qt::white);
        p.drawText(QRect(ox + 220, tabY + 68, 120, 15), Qt::AlignVCenter,
                   QStringLiteral("Standard"));
        p.drawText(QRect(ox + 370, tabY + 68, 120, 15), Qt::AlignVCenter, QStringLiteral("Bright"));
        if (page == 2) {
            p.drawPixmap(QRect(ox + 220, tabY + 58, 260, 25), px(3206));
            p.drawPixmap(ox + 220 + 9 + 4 * 24 - 7, tabY + 58 + 2, px(3203));
            p.drawPixmap(ox + 220 + 9 + 7 * 24 - 7, tabY + 58 + 2, px(3203));
        }
    }
    // Message box row: symbol and Yes / No / Cancel on the box's colour.
    const QRect box(1090, tabY, 380, 110);
    p.fillRect(box, QColor(24, 24, 24));
    p.drawPixmap(QRect(box.left() + 8, box.top() + 6, 45, 55), px(3320));
    strip(p, QRect(box.right() - 99 - 198 + 1, box.bottom() - 40, 84, 34), 3134, 0);
    strip(p, QRect(box.right() - 99 - 99 + 1, box.bottom() - 40, 84, 34), 3130, 1);
    strip(p, QRect(box.right() - 99 + 1, box.bottom() - 40, 84, 34), 3126, 2);
    arial.setPixelSize(17);
    p.setFont(arial);
    p.setPen(QColor(180, 180, 180));
    p.drawText(QRect(box.left() + 70, box.top() + 10, 300, 40), Qt::AlignVCenter,
               QStringLiteral("Do you want to delete this file?"));
    p.end();
    return image;
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
    {
        Tile tile;
        tile.picture = scenes();
        tile.label =
            QStringLiteral("mock-ups: frame bar, read-outs, button rows, list, speed list, "
                           "tabs, message box");
        placeGroup(QStringLiteral("In use"), {tile});
    }
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

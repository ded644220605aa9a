// The drawing side of the skin pack: the helpers that put pictures into the pack's form, and
// the painter's agreement with the loader about which ids exist.

#include "SkinImages.h"
#include "SkinPaintKit.h"
#include "SkinPainter.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace SkinKit;

TEST(SkinPackPainter, DrawsExactlyTheIdsTheLoaderReads)
{
    EXPECT_EQ(SkinPackIds(), CSkinImages::AllIds());
    for (int id : SkinPackIds()) {
        const QImage image = PaintSkinImage(id);
        EXPECT_FALSE(image.isNull()) << id;
    }
    for (int id : {0, 128, 2999, 3028, 3099, 3149, 3207, 3322, 3418, 3503})
        EXPECT_TRUE(PaintSkinImage(id).isNull()) << id;
}

TEST(SkinPackPainter, DrawsTheSamePictureEveryTime)
{
    // The pack is rebuilt on every build; a picture must not depend on anything but its id.
    for (int id : {3000, 3100, 3111, 3302, 3317, 3416, 3501})
        EXPECT_EQ(PaintSkinImage(id), PaintSkinImage(id)) << id;
}

TEST(SkinPackPainter, FlattenKeysClearPixelsAndBlendTheRestOntoTheMatte)
{
    QImage layer = Layer(QSize(4, 1));
    layer.setPixelColor(0, 0, QColor(255, 255, 255, 0));   // clear
    layer.setPixelColor(1, 0, QColor(255, 255, 255, 40));  // nearly clear: below threshold
    layer.setPixelColor(2, 0, QColor(200, 100, 0, 255));   // solid
    layer.setPixelColor(3, 0, QColor(255, 255, 255, 128)); // half: blended with the matte
    const QImage flat = Flatten(layer, QColor(0, 0, 0), 90);
    EXPECT_EQ(flat.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(flat.pixel(1, 0), qRgb(255, 0, 255));
    EXPECT_EQ(flat.pixel(2, 0), qRgb(200, 100, 0));
    const QColor half = flat.pixelColor(3, 0);
    EXPECT_NEAR(half.red(), 128, 2);
    EXPECT_NEAR(half.green(), 128, 2);
    EXPECT_EQ(qAlpha(flat.pixel(3, 0)), 255);
}

TEST(SkinPackPainter, FlattenNeverProducesTheKeyFromARealColour)
{
    // A solid magenta stroke in a picture would vanish once loaded; it is nudged off the key.
    QImage layer = Layer(QSize(1, 1));
    layer.setPixelColor(0, 0, QColor(255, 0, 255, 255));
    const QImage flat = Flatten(layer, QColor(27, 27, 27));
    EXPECT_NE(flat.pixel(0, 0), qRgb(255, 0, 255));
}

TEST(SkinPackPainter, FlattenUsesTheMatteOfEachRow)
{
    QImage layer = Layer(QSize(1, 2));
    layer.setPixelColor(0, 0, QColor(255, 255, 255, 128));
    layer.setPixelColor(0, 1, QColor(255, 255, 255, 128));
    const QImage flat =
        Flatten(layer, [](int y) { return y == 0 ? QColor(0, 0, 0) : QColor(255, 255, 255); });
    EXPECT_LT(flat.pixelColor(0, 0).red(), 140);
    EXPECT_EQ(flat.pixelColor(0, 1).red(), 255);
}

TEST(SkinPackPainter, StripGivesEachLookItsOwnThirdOnly)
{
    // Each frame paints past its edges; the strip must clip it to its own third.
    const QImage strip = Strip(
        QSize(10, 4),
        [](QPainter &p, const QRectF &, Look look) {
            const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
            p.fillRect(QRectF(-20, -5, 60, 20), colours[static_cast<int>(look)]);
        },
        QColor(0, 0, 0));
    ASSERT_EQ(strip.size(), QSize(30, 4));
    for (int x = 0; x < 30; ++x) {
        const QRgb expected = x < 10 ? qRgb(255, 0, 0) : x < 20 ? qRgb(0, 255, 0) : qRgb(0, 0, 255);
        EXPECT_EQ(strip.pixel(x, 2), expected) << x;
    }
}

TEST(SkinPackPainter, FitTextShrinksLongTextsIntoTheirRectangle)
{
    // A long label on a narrow face keeps its last letters inside the face.
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    FitText(p, QRectF(0, 0, 40, 20), QStringLiteral("Recovery"), 16, QFont::Bold, Qt::white);
    p.end();
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(qAlpha(image.pixel(0, y)), 0) << "clipped at the left edge";
        EXPECT_EQ(qAlpha(image.pixel(39, y)), 0) << "clipped at the right edge";
        for (int x = 0; x < 40; ++x)
            inked += qAlpha(image.pixel(x, y)) > 0;
    }
    EXPECT_GT(inked, 20);
}

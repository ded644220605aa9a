// The skin pack as built: the sizes the windows' layouts rely on, the three-frame strips, the
// transparent colour, and the application icon.

#include "SkinImages.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

const QString kPack = QStringLiteral(RX9_BIN_DIR "/Resource.rcc");

// The picture as stored in the pack, before magenta is keyed out.
QImage raw(int id)
{
    return QImage(QStringLiteral(":/rx9skin/skin/%1.png").arg(id))
        .convertToFormat(QImage::Format_ARGB32);
}

QImage loaded(int id)
{
    return CSkinImages::Pixmap(id).toImage().convertToFormat(QImage::Format_ARGB32);
}

QSize frameSize(int id)
{
    return QSize(StripFrameWidth(CSkinImages::Width(id)), CSkinImages::Height(id));
}

QImage frame(const QImage &strip, int index)
{
    const int w = StripFrameWidth(strip.width());
    return strip.copy(index * w, 0, w, strip.height());
}

QList<int> range(int first, int last)
{
    QList<int> ids;
    for (int id = first; id <= last; ++id)
        ids << id;
    return ids;
}

class SkinPack : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CSkinImages::Load(kPack)); }
};

} // namespace

TEST_F(SkinPack, StripsHoldThreeDistinctFrames)
{
    for (int id : CSkinImages::ThreeFrameStripIds()) {
        SCOPED_TRACE(id);
        const QImage strip = loaded(id);
        ASSERT_FALSE(strip.isNull());
        EXPECT_EQ(strip.width() % 3, 0);
        const QImage normal = frame(strip, 0), hover = frame(strip, 1), pressed = frame(strip, 2);
        EXPECT_NE(normal, hover);
        EXPECT_NE(hover, pressed);
        EXPECT_NE(normal, pressed);
    }
}

TEST_F(SkinPack, RadiosHoldACheckedAndAnUncheckedHalf)
{
    for (int id : {3137, 3138, 3148}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(CSkinImages::Width(id), 30);
        EXPECT_EQ(CSkinImages::Height(id), 15);
        const QImage image = loaded(id);
        EXPECT_NE(image.copy(0, 0, 15, 15), image.copy(15, 0, 15, 15));
    }
}

TEST_F(SkinPack, ButtonSizesMatchTheWindowLayouts)
{
    EXPECT_EQ(frameSize(3100), QSize(50, 35));
    for (int id : {3116, 3117})
        EXPECT_EQ(frameSize(id), QSize(18, 18)) << id;
    for (int id : range(3126, 3134))
        EXPECT_EQ(frameSize(id), QSize(84, 34)) << id;
    for (int id : {3124, 3125, 3135, 3136})
        EXPECT_EQ(frameSize(id), QSize(64, 29)) << id;

    // Icons are centred on the 50 x 35 strip and must fit inside it.
    for (int id : range(3101, 3111) + range(3118, 3123)) {
        EXPECT_LE(CSkinImages::Width(id), 50) << id;
        EXPECT_LE(CSkinImages::Height(id), 35) << id;
    }
    // The speed images are the SPEED button's icon and the rows of the speed list, which is
    // sized from the first of them.
    for (int id : range(3139, 3143)) {
        EXPECT_EQ(CSkinImages::Width(id), CSkinImages::Width(3139)) << id;
        EXPECT_EQ(CSkinImages::Height(id), CSkinImages::Height(3139)) << id;
        EXPECT_LE(CSkinImages::Width(id), 50) << id;
        EXPECT_LE(CSkinImages::Height(id), 35) << id;
    }
    // The list toggle sits in the 10-pixel gap between the video and the list.
    for (int id : {3114, 3115})
        EXPECT_LE(frameSize(id).width(), 10) << id;
    EXPECT_EQ(frameSize(3112), frameSize(3113));
}

TEST_F(SkinPack, ReadoutsFitTheMainWindowLayout)
{
    const QSize digit(CSkinImages::Width(3303), CSkinImages::Height(3303));
    for (int id : range(3303, 3312))
        EXPECT_EQ(QSize(CSkinImages::Width(id), CSkinImages::Height(id)), digit) << id;
    for (int id : {3313, 3314})
        EXPECT_EQ(CSkinImages::Height(id), digit.height()) << id;

    // The speed panel and the GPS indicator share one row above the video area (top 40); the
    // indicator is drawn into a rectangle of the panel's height.
    for (int id : {3315, 3316, 3317, 3321}) {
        EXPECT_EQ(CSkinImages::Height(id), CSkinImages::Height(3321)) << id;
        EXPECT_LE(CSkinImages::Height(id), 40) << id;
    }
    EXPECT_EQ(CSkinImages::Width(3315), CSkinImages::Width(3316));
    EXPECT_EQ(CSkinImages::Width(3317), CSkinImages::Width(3321));
    // Room for three 30-pixel bold figures left of the 45-pixel unit area.
    EXPECT_GE(CSkinImages::Width(3321) - 45, 3 * 17);

    // The time read-out (digit height above H - 50) must clear the sensor graph, which ends 30
    // pixels above H - h(3316): digit height <= h(3316) - 20.
    EXPECT_LE(digit.height(), CSkinImages::Height(3316) - 20);
}

TEST_F(SkinPack, FrameAndDialogPiecesFitTheirPlaces)
{
    const int topBar = CSkinImages::Height(3004);
    for (int id : {3000, 3001, 3002, 3003}) {
        EXPECT_EQ(frameSize(id), frameSize(3000)) << id;
        EXPECT_LE(10 + CSkinImages::Height(id), topBar) << id; // caption buttons at y 10
    }
    EXPECT_LE(4 + CSkinImages::Height(3013), topBar); // logo at (10, 4)
    EXPECT_LE(CSkinImages::Height(3012), topBar);
    EXPECT_EQ(CSkinImages::Height(3005), topBar);
    EXPECT_EQ(CSkinImages::Height(3006), topBar);
    EXPECT_EQ(CSkinImages::Width(3005), CSkinImages::Width(3007));
    EXPECT_EQ(CSkinImages::Width(3006), CSkinImages::Width(3008));
    EXPECT_EQ(CSkinImages::Height(3010), CSkinImages::Height(3009));
    EXPECT_EQ(CSkinImages::Height(3011), CSkinImages::Height(3009));

    // Tabs are 30 high; every piece of them fits.
    for (int id : range(3014, 3027))
        EXPECT_LE(CSkinImages::Height(id), 30) << id;

    // Sliders are composed at their background's size and stretched to the control, so the
    // backgrounds have the controls' sizes; fills match their backgrounds.
    EXPECT_EQ(QSize(CSkinImages::Width(3200), CSkinImages::Height(3200)), QSize(103, 30));
    EXPECT_EQ(QSize(CSkinImages::Width(3202), CSkinImages::Height(3202)), QSize(200, 30));
    EXPECT_EQ(QSize(CSkinImages::Width(3206), CSkinImages::Height(3206)), QSize(260, 25));
    EXPECT_EQ(CSkinImages::Get(3201).pixmap.size(), CSkinImages::Get(3200).pixmap.size());
    EXPECT_EQ(CSkinImages::Get(3205).pixmap.size(), CSkinImages::Get(3204).pixmap.size());
    EXPECT_LE(CSkinImages::Height(3203), 25); // the knob fits the option slider

    // Copy dialog: the progress bar spans the three pictures, 10 high; the animation strip
    // holds 13 whole frames as tall as the source picture; everything fits the 415-wide box.
    const int copyWidth =
        CSkinImages::Width(3301) + CSkinImages::Width(3302) + CSkinImages::Width(3300);
    EXPECT_EQ(CSkinImages::Width(3204), copyWidth);
    EXPECT_EQ(CSkinImages::Height(3204), 10);
    EXPECT_EQ(CSkinImages::Height(3302) % 13, 0);
    EXPECT_EQ(CSkinImages::Height(3302) / 13, CSkinImages::Height(3301));
    EXPECT_LE(25 + copyWidth, 415 - 2 * CSkinImages::Width(3007));
    EXPECT_LE(35 + CSkinImages::Height(3301) + 10, 130); // above the hint lines
}

TEST_F(SkinPack, ListPiecesFitTheHeader)
{
    for (int id : range(3400, 3408))
        EXPECT_EQ(CSkinImages::Height(id), 25) << id;
    for (int id : range(3409, 3417))
        EXPECT_LE(CSkinImages::Height(id), 25) << id;
    // The kind filter's captions sit on the 55-pixel first column.
    for (int id : {3410, 3414, 3415, 3416})
        EXPECT_LE(CSkinImages::Width(id), 55) << id;
    for (int id : {3500, 3501, 3502}) {
        EXPECT_EQ(CSkinImages::Width(id), 16) << id;
        EXPECT_EQ(CSkinImages::Height(id), 16) << id;
        EXPECT_FALSE(CSkinImages::Icon(id).isNull()) << id;
        // Icons carry alpha: a clear corner and a solid middle.
        const QImage icon = loaded(id);
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << id;
        EXPECT_EQ(qAlpha(icon.pixel(8, 8)), 255) << id;
    }
}

TEST_F(SkinPack, MagentaInThePackIsTransparentOnceLoaded)
{
    // The play icon's corner is painted magenta; its middle is the glyph.
    const QImage stored = raw(3103);
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored.pixel(0, 0), qRgb(255, 0, 255));
    const QImage icon = loaded(3103);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    const QPoint middle(icon.width() / 2, icon.height() / 2);
    EXPECT_EQ(qAlpha(icon.pixel(middle)), 255);
    EXPECT_NE(stored.pixel(middle), qRgb(255, 0, 255));
}

TEST_F(SkinPack, NoPinkFringeAroundTransparentPixels)
{
    // Antialiased edges are blended onto a dark matte before the magenta goes in; a pixel
    // close to magenta but not exactly it would show as a pink fringe.
    for (int id : CSkinImages::AllIds()) {
        if (CSkinImages::IsIconId(id))
            continue;
        const QImage image = raw(id);
        ASSERT_FALSE(image.isNull()) << id;
        int fringe = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (c == qRgb(255, 0, 255))
                    continue;
                EXPECT_EQ(qAlpha(c), 255) << id; // the bitmaps are opaque
                if (qRed(c) > 150 && qBlue(c) > 150 && qGreen(c) < qMin(qRed(c), qBlue(c)) - 80)
                    ++fringe;
            }
        EXPECT_EQ(fringe, 0) << id;
    }
}

TEST_F(SkinPack, PicturesCopiedOpaqueHaveNoTransparentPixels)
{
    // These are drawn without the transparent colour: radios, speed panel, GPS indicator,
    // slider backgrounds, message symbols, header segments and the frame's border pieces.
    QList<int> opaque{3137, 3138, 3148, 3315, 3316, 3317, 3321, 3200,
                      3201, 3202, 3204, 3205, 3206, 3318, 3319, 3320};
    opaque += range(3400, 3408) + range(3004, 3011);
    for (int id : opaque) {
        const QImage image = loaded(id);
        bool clear = false;
        for (int y = 0; y < image.height() && !clear; ++y)
            for (int x = 0; x < image.width() && !clear; ++x)
                clear = qAlpha(image.pixel(x, y)) < 255;
        EXPECT_FALSE(clear) << id;
    }
}

TEST_F(SkinPack, HeaderCaptionsHaveNoPureWhite)
{
    // The list header draws captions with pure white as its transparent colour.
    for (int id : range(3409, 3417)) {
        const QImage image = raw(id);
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                white += image.pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_EQ(white, 0) << id;
    }
}

TEST(SkinAppIcon, IsBuiltInWithATransparentCorner)
{
    const QPixmap pixmap = CSkinImages::AppIconPixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(128, 128));
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(64, 64)), 255);
    EXPECT_FALSE(CSkinImages::AppIcon().isNull());
}

TEST(SkinAppIcon, StaysAvailableWithoutThePack)
{
    CSkinImages::Unload();
    EXPECT_FALSE(CSkinImages::AppIcon().isNull());
    EXPECT_TRUE(CSkinImages::Load(kPack));
}

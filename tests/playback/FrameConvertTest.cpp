// The frame path's arithmetic: where the picture goes in the view and the YUV to RGB
// conversion with scaling and turning.

#include "FrameConvert.h"
#include "PlayWnd.h"
#include "VideoView.h"

#include <QColor>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// A planar 4:2:0 picture the test can fill.
struct Planes
{
    int width, height;
    std::vector<std::uint8_t> y, u, v;
    Planes(int w, int h, int luma = 16, int cb = 128, int cr = 128)
        : width(w)
        , height(h)
        , y(std::size_t(w) * h, std::uint8_t(luma))
        , u(std::size_t((w + 1) / 2) * ((h + 1) / 2), std::uint8_t(cb))
        , v(std::size_t((w + 1) / 2) * ((h + 1) / 2), std::uint8_t(cr))
    {}
    CYuvPicture Picture(bool fullRange = false) const
    {
        CYuvPicture p;
        p.planes[0] = y.data();
        p.planes[1] = u.data();
        p.planes[2] = v.data();
        p.pitches[0] = width;
        p.pitches[1] = p.pitches[2] = (width + 1) / 2;
        p.width = width;
        p.height = height;
        p.fullRange = fullRange;
        return p;
    }
};

QColor Pixel(const QImage &image, int x, int y)
{
    return QColor::fromRgb(image.pixel(x, y));
}

} // namespace

TEST(FitVideoRect, SmallVideoStaysAtItsOwnSizeCentred)
{
    EXPECT_EQ(FitVideoRect(QSize(800, 600), QSize(640, 480)), QRect(80, 60, 640, 480));
    EXPECT_EQ(FitVideoRect(QSize(640, 480), QSize(640, 480)), QRect(0, 0, 640, 480));
    // Never enlarged, even when the area is much bigger.
    EXPECT_EQ(FitVideoRect(QSize(1920, 1080), QSize(320, 240)), QRect(800, 420, 320, 240));
}

TEST(FitVideoRect, LargeVideoIsScaledDownKeepingItsAspect)
{
    EXPECT_EQ(FitVideoRect(QSize(960, 540), QSize(1920, 1080)), QRect(0, 0, 960, 540));
    const QRect tall = FitVideoRect(QSize(1000, 1000), QSize(1920, 1080));
    EXPECT_EQ(tall.width(), 1000);
    EXPECT_NEAR(tall.height(), 562, 1);
    EXPECT_NEAR(tall.top(), (1000 - tall.height()) / 2, 1);
    const QRect wide = FitVideoRect(QSize(2000, 900), QSize(1920, 1080));
    EXPECT_EQ(wide, QRect(200, 0, 1600, 900));
    // Wider than the area only: still fitted.
    EXPECT_EQ(FitVideoRect(QSize(600, 600), QSize(640, 480)), QRect(0, 75, 600, 450));
}

TEST(FitVideoRect, EmptyInputsGiveNoRectangle)
{
    EXPECT_TRUE(FitVideoRect(QSize(0, 100), QSize(640, 480)).isEmpty());
    EXPECT_TRUE(FitVideoRect(QSize(100, 100), QSize(0, 0)).isEmpty());
}

TEST(ConvertYuv420, VideoRangeBlackWhiteAndColours)
{
    Planes black(8, 8, 16);
    QImage image = ConvertYuv420(black.Picture(), QSize(8, 8), false);
    ASSERT_EQ(image.size(), QSize(8, 8));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 0));

    Planes white(8, 8, 235);
    image = ConvertYuv420(white.Picture(), QSize(8, 8), false);
    EXPECT_EQ(image.pixel(5, 2), qRgb(255, 255, 255));

    // BT.601 red, green and blue (small pictures).
    const struct
    {
        int y, u, v;
        QRgb rgb;
    } colours[] = {{81, 90, 240, qRgb(255, 0, 0)},
                   {145, 54, 34, qRgb(0, 255, 0)},
                   {41, 240, 110, qRgb(0, 0, 255)}};
    for (const auto &c : colours) {
        Planes p(4, 4, c.y, c.u, c.v);
        const QColor got = Pixel(ConvertYuv420(p.Picture(), QSize(4, 4), false), 1, 1);
        const QColor want = QColor::fromRgb(c.rgb);
        EXPECT_NEAR(got.red(), want.red(), 3) << c.y;
        EXPECT_NEAR(got.green(), want.green(), 3) << c.y;
        EXPECT_NEAR(got.blue(), want.blue(), 3) << c.y;
    }
}

TEST(ConvertYuv420, FullRangePicturesUseTheWholeScale)
{
    Planes black(4, 4, 0);
    Planes white(4, 4, 255);
    EXPECT_EQ(ConvertYuv420(black.Picture(true), QSize(4, 4), false).pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(ConvertYuv420(white.Picture(true), QSize(4, 4), false).pixel(0, 0),
              qRgb(255, 255, 255));
    // The same luma in video range is not black.
    EXPECT_NE(ConvertYuv420(Planes(4, 4, 30).Picture(true), QSize(4, 4), false).pixel(0, 0),
              ConvertYuv420(Planes(4, 4, 30).Picture(false), QSize(4, 4), false).pixel(0, 0));
}

TEST(ConvertYuv420, OwnSizeCopiesEveryPixel)
{
    Planes ramp(16, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            ramp.y[std::size_t(y) * 16 + x] = std::uint8_t(16 + x * 10 + y);
    const QImage image = ConvertYuv420(ramp.Picture(), QSize(16, 4), false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) {
            const int expected = std::min(255, ((x * 10 + y) * 298 + 128) >> 8);
            ASSERT_EQ(qRed(image.pixel(x, y)), expected) << x << "," << y;
        }
}

TEST(ConvertYuv420, HalvingAveragesNeighbours)
{
    // Columns alternate black and white: halved, each output pixel is their mean (grey).
    Planes stripes(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            stripes.y[std::size_t(y) * 8 + x] = x % 2 ? 235 : 16;
    const QImage half = ConvertYuv420(stripes.Picture(), QSize(4, 2), false);
    for (int x = 0; x < 4; ++x)
        EXPECT_NEAR(qGreen(half.pixel(x, 1)), 128, 2);

    // Left half dark, right half bright: the halves stay apart.
    Planes halves(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            halves.y[std::size_t(y) * 8 + x] = 235;
    const QImage small = ConvertYuv420(halves.Picture(), QSize(4, 4), false);
    EXPECT_EQ(small.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(small.pixel(3, 3), qRgb(255, 255, 255));
}

TEST(ConvertYuv420, ColoursStayOnTheirSideWhenScaledAndTurned)
{
    // Left half red, right half blue (BT.601 values), shrunk to a quarter of its area.
    Planes p(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            p.y[std::size_t(y) * 32 + x] = x < 16 ? 81 : 41;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            p.u[std::size_t(y) * 16 + x] = x < 8 ? 90 : 240;
            p.v[std::size_t(y) * 16 + x] = x < 8 ? 240 : 110;
        }
    for (bool turn : {false, true}) {
        const QImage image = ConvertYuv420(p.Picture(), QSize(12, 6), turn);
        const QColor left = Pixel(image, 1, 3);
        const QColor right = Pixel(image, 10, 3);
        const QColor red = turn ? right : left;
        const QColor blue = turn ? left : right;
        EXPECT_GT(red.red(), 240) << turn;
        EXPECT_LT(red.blue(), 15) << turn;
        EXPECT_GT(blue.blue(), 240) << turn;
        EXPECT_LT(blue.red(), 15) << turn;
    }
}

TEST(ConvertYuv420, TurningMirrorsBothAxes)
{
    Planes p(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            p.y[std::size_t(y) * 6 + x] = std::uint8_t(16 + 30 * x + 5 * y);
    p.u[0] = 200; // a coloured top-left corner
    const QImage upright = ConvertYuv420(p.Picture(), QSize(6, 4), false);
    const QImage turned = ConvertYuv420(p.Picture(), QSize(6, 4), true);
    EXPECT_EQ(turned, upright.mirrored(true, true));
    EXPECT_NE(turned, upright);
}

TEST(ConvertYuv420, OddSizesAndTinyTargetsStayInside)
{
    Planes odd(7, 5, 120);
    const QImage up = ConvertYuv420(odd.Picture(), QSize(13, 9), true);
    ASSERT_EQ(up.size(), QSize(13, 9));
    EXPECT_EQ(up.pixel(12, 8), up.pixel(0, 0));
    const QImage dot = ConvertYuv420(odd.Picture(), QSize(1, 1), false);
    EXPECT_EQ(dot.size(), QSize(1, 1));
    Planes one(1, 1, 235);
    EXPECT_EQ(ConvertYuv420(one.Picture(), QSize(3, 2), false).pixel(2, 1), qRgb(255, 255, 255));
    EXPECT_TRUE(ConvertYuv420(CYuvPicture(), QSize(4, 4), false).isNull());
}

// A smooth picture with four coloured quarters: luma rises across, chroma differs per quarter.
Planes Quarters(int w, int h)
{
    Planes p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.y[std::size_t(y) * w + x] = std::uint8_t(40 + 150 * x / w + 20 * y / h);
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const bool right = x >= cw / 2, bottom = y >= ch / 2;
            p.u[std::size_t(y) * cw + x] = std::uint8_t(right ? 180 : 90);
            p.v[std::size_t(y) * cw + x] = std::uint8_t(bottom ? 170 : 100);
        }
    return p;
}

int MaxChannelDifference(const QImage &a, const QImage &b, QRect inside)
{
    int worst = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

// The drawing scaler goes through YUV scaling and a separate odd last row; every size, range
// and turn must come out as the plain converter draws it, away from the quarter borders where
// the two filters legitimately differ.
TEST(FrameScaler, DrawsWhatThePlainConverterDraws)
{
    struct Case
    {
        QSize source, target;
        bool fullRange, turn;
    };
    const Case cases[] = {
        {{1920, 1080}, {1262, 709}, false, false}, // the maximised window: odd height
        {{1920, 1080}, {1262, 710}, false, true},
        {{1280, 720}, {1280, 720}, false, false}, // own size, even
        {{321, 241}, {321, 241}, true, false},    // own size, odd both ways
        {{800, 480}, {533, 321}, true, true},     // BT.601, full range, odd, turned
        {{640, 480}, {17, 5}, false, false},      // barely above the tiny-picture cut
    };
    for (const Case &c : cases) {
        const Planes p = Quarters(c.source.width(), c.source.height());
        const QImage plain = ConvertYuv420(p.Picture(c.fullRange), c.target, c.turn);
        CFrameScaler scaler;
        QImage fast;
        ASSERT_TRUE(scaler.Convert(p.Picture(c.fullRange), fast, c.target, c.turn));
        ASSERT_EQ(fast.size(), c.target);
        // Compare the four quarters' insides (a margin of an eighth from every border).
        const int mx = std::max(2, c.target.width() / 8), my = std::max(1, c.target.height() / 8);
        const int hw = c.target.width() / 2, hh = c.target.height() / 2;
        for (const QRect quarter : {QRect(0, 0, hw, hh), QRect(hw, 0, c.target.width() - hw, hh),
                                    QRect(0, hh, hw, c.target.height() - hh),
                                    QRect(hw, hh, c.target.width() - hw, c.target.height() - hh)}) {
            const QRect inside = quarter.adjusted(mx, my, -mx, -my);
            if (inside.isEmpty())
                continue;
            EXPECT_LE(MaxChannelDifference(plain, fast, inside), 4)
                << c.source.width() << "x" << c.source.height() << " -> " << c.target.width() << "x"
                << c.target.height() << " turn " << c.turn << " quarter " << quarter.x() << ","
                << quarter.y();
        }
        // The last row (converted on its own when the height is odd) and the right column
        // (where the converter's 8-pixel steps end) are drawn like the rest.
        const int lastRow = c.turn ? 0 : c.target.height() - 1;
        const int lastColumn = c.turn ? 0 : c.target.width() - 1;
        for (const QRect edge : {QRect(mx, lastRow, hw - 2 * mx, 1),
                                 QRect(hw + mx, lastRow, c.target.width() - hw - 2 * mx, 1),
                                 QRect(lastColumn, my, 1, hh - 2 * my),
                                 QRect(lastColumn, hh + my, 1, c.target.height() - hh - 2 * my)}) {
            if (!edge.isEmpty()) {
                EXPECT_LE(MaxChannelDifference(plain, fast, edge), 6)
                    << c.target.width() << "x" << c.target.height() << " edge " << edge.x() << ","
                    << edge.y();
            }
        }
    }
}

TEST(FrameScaler, KeepsUpWithPicturesChangingSize)
{
    // One scaler for a whole session: clips of other sizes, and views resized in between.
    CFrameScaler scaler;
    QImage image;
    const QSize steps[][2] = {{{1920, 1080}, {1262, 709}},
                              {{1920, 1080}, {640, 360}},
                              {{800, 480}, {800, 480}},
                              {{1920, 1080}, {1263, 711}},
                              {{321, 241}, {160, 121}}};
    for (const auto &step : steps) {
        const Planes p = Quarters(step[0].width(), step[0].height());
        ASSERT_TRUE(scaler.Convert(p.Picture(), image, step[1], false));
        ASSERT_EQ(image.size(), step[1]);
        const QImage plain = ConvertYuv420(p.Picture(), step[1], false);
        const QRect centre(step[1].width() / 8, step[1].height() / 8, step[1].width() / 4,
                           step[1].height() / 4);
        EXPECT_LE(MaxChannelDifference(plain, image, centre), 4)
            << step[1].width() << "x" << step[1].height();
    }
}

TEST(PictureMemory, ComesAlignedWithItsPagesInPlace)
{
    const std::size_t bytes = 3 * 1024 * 1024 + 123;
    std::uint8_t *memory = AllocatePictureMemory(bytes);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % 64, 0u);
    // Every page is there before anything is written into the picture.
    const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    auto *first =
        reinterpret_cast<std::uint8_t *>(reinterpret_cast<std::uintptr_t>(memory) / page * page);
    const std::size_t span = std::size_t(memory + bytes - first);
    std::vector<unsigned char> resident((span + page - 1) / page);
    ASSERT_EQ(mincore(first, span, resident.data()), 0);
    EXPECT_EQ(
        std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }),
        std::ptrdiff_t(resident.size()));
    std::memset(memory, 0xab, bytes);
    EXPECT_EQ(memory[bytes - 1], 0xab);
    FreePictureMemory(memory);

    EXPECT_EQ(AllocatePictureMemory(0), nullptr);
    FreePictureMemory(nullptr);
}

namespace {

// The bytes of address space the process has mapped, from /proc/self/maps.
std::size_t MappedBytes()
{
    std::size_t total = 0;
    FILE *maps = std::fopen("/proc/self/maps", "r");
    if (!maps)
        return 0;
    unsigned long start = 0, end = 0;
    char rest[512];
    while (std::fscanf(maps, "%lx-%lx", &start, &end) == 2) {
        total += end - start;
        if (!std::fgets(rest, sizeof rest, maps))
            break;
    }
    std::fclose(maps);
    return total;
}

} // namespace

// Pictures of 2 MB and more start on a huge-page boundary (the mapping is cut down to it), take
// no memory before they are written when not populated, and freeing one gives back every
// address it took, the cut-off ends included.
TEST(PictureMemory, LargePicturesStartOnHugePagesAndGiveBackAllTheirAddresses)
{
    const std::size_t hugePage = std::size_t(2) << 20;
    const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    for (const std::size_t bytes : {hugePage - 64, hugePage, std::size_t(3110464), 3 * hugePage}) {
        std::uint8_t *memory = AllocatePictureMemory(bytes, false);
        ASSERT_NE(memory, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % hugePage, 0u) << bytes;
        // Nothing of the picture is there yet: a buffer never written costs no memory.
        auto *first = reinterpret_cast<std::uint8_t *>(reinterpret_cast<std::uintptr_t>(memory) /
                                                       page * page);
        const std::size_t span = std::size_t(memory + bytes - first);
        std::vector<unsigned char> resident((span + page - 1) / page);
        ASSERT_EQ(mincore(first, span, resident.data()), 0);
        EXPECT_EQ(
            std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }),
            0)
            << bytes;
        std::memset(memory, 0x5a, bytes);
        EXPECT_EQ(memory[0], 0x5a);
        EXPECT_EQ(memory[bytes - 1], 0x5a);
        FreePictureMemory(memory);
    }
    const std::size_t before = MappedBytes();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 40; ++i)
        FreePictureMemory(AllocatePictureMemory(std::size_t(3110464) + std::size_t(i) * 4096));
    // Each leaked end would be up to 2 MB; others may map a little meanwhile.
    EXPECT_LT(MappedBytes(), before + hugePage);
}

TEST(PlayWnd, VideoChildCentredWhenSmallerElseFilling)
{
    EXPECT_EQ(CPlayWnd::VideoChildRect(QSize(800, 600), 640, 480), QRect(80, 60, 640, 480));
    EXPECT_EQ(CPlayWnd::VideoChildRect(QSize(640, 480), 640, 480), QRect(0, 0, 640, 480));
    EXPECT_EQ(CPlayWnd::VideoChildRect(QSize(800, 600), 1920, 1080), QRect(0, 0, 800, 600));
    // Smaller in one direction only: fills.
    EXPECT_EQ(CPlayWnd::VideoChildRect(QSize(800, 400), 640, 480), QRect(0, 0, 800, 400));

    CPlayWnd window;
    window.resize(800, 600);
    window.show(); // a hidden widget gets its resize events only when shown
    window.SetVideoSize(640, 480);
    EXPECT_EQ(window.VideoChild()->geometry(), QRect(80, 60, 640, 480));
    window.resize(640, 480);
    EXPECT_EQ(window.VideoChild()->geometry(), QRect(0, 0, 640, 480));
    window.resize(1000, 700);
    EXPECT_EQ(window.VideoChild()->geometry(), QRect(180, 110, 640, 480));
}

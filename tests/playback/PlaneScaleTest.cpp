#include "PlaneScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// A plane in a buffer of exactly pitch x height bytes, so that reading past the last row's
// width is caught by the sanitizer build.
struct Plane
{
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::vector<std::uint8_t> bytes;

    Plane(int w, int h, int p)
        : width(w)
        , height(h)
        , pitch(p)
        , bytes(std::size_t(p) * std::size_t(h - 1) + std::size_t(w))
    {}
    std::uint8_t &at(int x, int y) { return bytes[std::size_t(y) * pitch + std::size_t(x)]; }
    std::uint8_t at(int x, int y) const { return bytes[std::size_t(y) * pitch + std::size_t(x)]; }
};

Plane Noise(int width, int height, int pitch, unsigned seed)
{
    Plane plane(width, height, pitch);
    std::mt19937 random(seed);
    for (auto &byte : plane.bytes)
        byte = std::uint8_t(random());
    return plane;
}

// Scales with the given kernel into a target whose rows have the room the scaler asks for.
Plane Scaled(const Plane &source, int width, int height, CPlaneScaler::Kernel kernel)
{
    const int pitch =
        (width + CPlaneScaler::kGroup - 1) / CPlaneScaler::kGroup * CPlaneScaler::kGroup;
    Plane target(width, height, pitch);
    target.bytes.resize(std::size_t(pitch) * height);
    CPlaneScaler scaler(kernel);
    EXPECT_TRUE(scaler.Prepare(source.width, source.height, width, height));
    scaler.Scale(source.bytes.data(), source.pitch, target.bytes.data(), pitch);
    return target;
}

} // namespace

TEST(PlaneScaler, TakesOnlyShrinkingByAtMostHalf)
{
    EXPECT_TRUE(CPlaneScaler::Suits(1920, 1080, 1262, 709));
    EXPECT_TRUE(CPlaneScaler::Suits(1920, 1080, 960, 540));  // exactly half
    EXPECT_TRUE(CPlaneScaler::Suits(1921, 1081, 961, 541));  // half, rounded up
    EXPECT_TRUE(CPlaneScaler::Suits(800, 480, 800, 480));    // its own size
    EXPECT_FALSE(CPlaneScaler::Suits(1921, 1080, 960, 540)); // a little more than half
    EXPECT_FALSE(CPlaneScaler::Suits(1920, 1080, 640, 360)); // a third
    EXPECT_FALSE(CPlaneScaler::Suits(1280, 720, 1600, 900)); // enlarging
    EXPECT_FALSE(CPlaneScaler::Suits(4, 4, 1, 2));           // too narrow to blend two
    EXPECT_FALSE(CPlaneScaler::Suits(0, 0, 0, 0));

    CPlaneScaler scaler;
    EXPECT_FALSE(scaler.Prepare(1920, 1080, 640, 360));
    EXPECT_TRUE(scaler.Prepare(1920, 1080, 1262, 709));
    EXPECT_FALSE(scaler.Prepare(1280, 720, 1600, 900)); // and forgets the old set-up
}

// The vector path (both widths of step) is held to the plain one byte for byte, across the sizes a
// fitted video takes: the usual window, odd sizes on both sides, exactly half, its own size, chroma
// planes, rows with no slack after them and rows with a wide pitch.
TEST(PlaneScaler, VectorPathGivesThePlainPathsBytes)
{
    if (!CPlaneScaler::Accelerated())
        GTEST_SKIP() << "no vector path on this processor";
    struct Case
    {
        int sw, sh, pitch, dw, dh;
    };
    const Case cases[] = {
        {1920, 1080, 1920, 1262, 709}, {960, 540, 960, 631, 355}, {1920, 1080, 2048, 960, 540},
        {1281, 721, 1281, 1001, 563},  {799, 479, 832, 400, 240}, {800, 480, 800, 800, 480},
        {1280, 720, 1280, 1279, 719},  {33, 17, 33, 17, 9},       {18, 2, 18, 9, 2},
        {1920, 1080, 1920, 961, 541},  {641, 361, 704, 321, 181}, {24, 24, 24, 12, 12},
    };
    unsigned seed = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh);
        const Plane source = Noise(c.sw, c.sh, c.pitch, seed++);
        const Plane plain = Scaled(source, c.dw, c.dh, CPlaneScaler::Kernel::Plain);
        // With 32-byte row steps where the processor has them, and with 16-byte steps only.
        for (const auto kernel : {CPlaneScaler::Kernel::Best, CPlaneScaler::Kernel::Narrow}) {
            const Plane fast = Scaled(source, c.dw, c.dh, kernel);
            int differing = 0;
            for (int y = 0; y < c.dh; ++y)
                for (int x = 0; x < c.dw; ++x)
                    differing += plain.at(x, y) != fast.at(x, y);
            EXPECT_EQ(differing, 0) << (kernel == CPlaneScaler::Kernel::Best ? "best" : "narrow");
        }
    }
}

// What a picture looks like after scaling: flat areas stay exactly flat, smooth ramps stay
// where exact bilinear sampling at pixel centres puts them, and a thin line lands at the place
// it maps to rather than shifted by a sample.
TEST(PlaneScaler, KeepsLevelsAndPlaces)
{
    for (const auto kernel : {CPlaneScaler::Kernel::Plain, CPlaneScaler::Kernel::Best}) {
        SCOPED_TRACE(kernel == CPlaneScaler::Kernel::Plain ? "plain" : "best");
        Plane flat(1920, 1080, 1920);
        std::fill(flat.bytes.begin(), flat.bytes.end(), std::uint8_t(201));
        const Plane flatOut = Scaled(flat, 1262, 709, kernel);
        for (int y = 0; y < 709; y += 7)
            for (int x = 0; x < 1262; ++x)
                ASSERT_EQ(flatOut.at(x, y), 201) << x << "," << y;

        // A ramp across (x / 8) and down (y / 5): after scaling, each sample is within a level
        // of exact bilinear sampling at the sample's centre mapped back into the source.
        Plane ramp(1920, 1080, 1920);
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 1920; ++x)
                ramp.at(x, y) = std::uint8_t(std::min(255, x / 8 + y / 5));
        const Plane rampOut = Scaled(ramp, 1262, 709, kernel);
        int worst = 0;
        for (int y = 0; y < 709; y += 3) {
            for (int x = 0; x < 1262; x += 3) {
                const double sx = std::clamp((x + 0.5) * 1920 / 1262 - 0.5, 0.0, 1919.0);
                const double sy = std::clamp((y + 0.5) * 1080 / 709 - 0.5, 0.0, 1079.0);
                const int x0 = std::min(int(sx), 1918), y0 = std::min(int(sy), 1078);
                const double fx = sx - x0, fy = sy - y0;
                const double top = ramp.at(x0, y0) * (1 - fx) + ramp.at(x0 + 1, y0) * fx;
                const double bottom = ramp.at(x0, y0 + 1) * (1 - fx) + ramp.at(x0 + 1, y0 + 1) * fx;
                const double expected = top * (1 - fy) + bottom * fy;
                worst = std::max(worst, int(std::lround(std::abs(rampOut.at(x, y) - expected))));
            }
        }
        EXPECT_LE(worst, 1);

        // A bright column two samples wide at 1000-1001 of 1920 maps to about 657 of 1262.
        Plane line(1920, 100, 1920);
        for (int y = 0; y < 100; ++y)
            line.at(1000, y) = line.at(1001, y) = 255;
        const Plane lineOut = Scaled(line, 1262, 66, kernel);
        for (int y = 0; y < 66; y += 5) {
            int brightest = 0;
            for (int x = 1; x < 1262; ++x)
                if (lineOut.at(x, y) > lineOut.at(brightest, y))
                    brightest = x;
            EXPECT_NEAR(brightest, (1000.5 + 0.5) * 1262 / 1920 - 0.5, 1.0) << "row " << y;
            EXPECT_GE(lineOut.at(brightest, y), 160) << "row " << y;
        }
    }
}

#include "FrameConvert.h"

#include <algorithm>
#include <vector>

namespace {

// Source sample positions for one output axis: for each output index the first of the two
// neighbouring source samples and the weight of the second (0..256), sampling at pixel centres.
struct AxisMap
{
    std::vector<int> index;
    std::vector<int> weight;
};

AxisMap MapAxis(int sourceLength, int targetLength, bool reversed)
{
    AxisMap map;
    map.index.resize(targetLength);
    map.weight.resize(targetLength);
    // Position of target sample t in source samples, in 1/65536: (t + 0.5) * s / d - 0.5.
    const std::int64_t step = (std::int64_t(sourceLength) << 16) / targetLength;
    const std::int64_t start = step / 2 - (1 << 15);
    for (int t = 0; t < targetLength; ++t) {
        std::int64_t pos = start + step * t;
        int i = 0;
        int w = 0;
        if (pos > 0) {
            i = int(pos >> 16);
            w = int((pos & 0xffff) >> 8);
        }
        if (i >= sourceLength - 1) {
            i = std::max(sourceLength - 2, 0);
            w = sourceLength > 1 ? 256 : 0;
        }
        const int slot = reversed ? targetLength - 1 - t : t;
        map.index[slot] = i;
        map.weight[slot] = w;
    }
    return map;
}

struct Coefficients
{
    int yScale, yOffset, rv, gu, gv, bu;
};

Coefficients CoefficientsFor(const CYuvPicture &source)
{
    const bool hd = source.height > 576;
    if (source.fullRange)
        return hd ? Coefficients{256, 0, 403, -48, -120, 475}
                  : Coefficients{256, 0, 359, -88, -183, 454};
    return hd ? Coefficients{298, 16, 459, -55, -136, 541}
              : Coefficients{298, 16, 409, -100, -208, 516};
}

inline std::uint32_t Clamp8(int v)
{
    return std::uint32_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Bilinear sample from two source rows; result in 1/65536 of a sample value.
inline int Sample(const std::uint8_t *row0, const std::uint8_t *row1, int x, int wx, int wy,
                  int stride)
{
    const int a = row0[x];
    const int b = row0[x + stride];
    const int c = row1[x];
    const int d = row1[x + stride];
    const int top = (a << 8) + (b - a) * wx;
    const int bottom = (c << 8) + (d - c) * wx;
    return (top << 8) + (bottom - top) * wy;
}

} // namespace

void ConvertYuv420(const CYuvPicture &source, std::uint8_t *dst, qsizetype dstPitch, int dstWidth,
                   int dstHeight, bool turn180)
{
    if (!source.IsValid() || !dst || dstWidth <= 0 || dstHeight <= 0)
        return;
    const int chromaWidth = (source.width + 1) / 2;
    const int chromaHeight = (source.height + 1) / 2;
    const AxisMap lumaX = MapAxis(source.width, dstWidth, turn180);
    const AxisMap lumaY = MapAxis(source.height, dstHeight, turn180);
    const AxisMap chromaX = MapAxis(chromaWidth, dstWidth, turn180);
    const AxisMap chromaY = MapAxis(chromaHeight, dstHeight, turn180);
    // A single sample column or row has no right or lower neighbour: read the same one twice.
    const int lumaStride = source.width > 1 ? 1 : 0;
    const int chromaStride = chromaWidth > 1 ? 1 : 0;
    const Coefficients k = CoefficientsFor(source);

    for (int y = 0; y < dstHeight; ++y) {
        const int ly = lumaY.index[y];
        const int cy = chromaY.index[y];
        const int wly = lumaY.weight[y];
        const int wcy = chromaY.weight[y];
        const std::uint8_t *y0 = source.planes[0] + qsizetype(ly) * source.pitches[0];
        const std::uint8_t *y1 = source.height > 1 ? y0 + source.pitches[0] : y0;
        const std::uint8_t *u0 = source.planes[1] + qsizetype(cy) * source.pitches[1];
        const std::uint8_t *u1 = chromaHeight > 1 ? u0 + source.pitches[1] : u0;
        const std::uint8_t *v0 = source.planes[2] + qsizetype(cy) * source.pitches[2];
        const std::uint8_t *v1 = chromaHeight > 1 ? v0 + source.pitches[2] : v0;
        auto *out = reinterpret_cast<std::uint32_t *>(dst + qsizetype(y) * dstPitch);
        for (int x = 0; x < dstWidth; ++x) {
            const int lx = lumaX.index[x];
            const int cx = chromaX.index[x];
            const int luma = Sample(y0, y1, lx, lumaX.weight[x], wly, lumaStride) >> 16;
            const int u = (Sample(u0, u1, cx, chromaX.weight[x], wcy, chromaStride) >> 16) - 128;
            const int v = (Sample(v0, v1, cx, chromaX.weight[x], wcy, chromaStride) >> 16) - 128;
            const int c = (luma - k.yOffset) * k.yScale + 128;
            const std::uint32_t r = Clamp8((c + k.rv * v) >> 8);
            const std::uint32_t g = Clamp8((c + k.gu * u + k.gv * v) >> 8);
            const std::uint32_t b = Clamp8((c + k.bu * u) >> 8);
            out[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
}

QImage ConvertYuv420(const CYuvPicture &source, QSize size, bool turn180)
{
    if (size.isEmpty() || !source.IsValid())
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    ConvertYuv420(source, image.bits(), image.bytesPerLine(), size.width(), size.height(), turn180);
    return image;
}

QRect FitVideoRect(QSize area, QSize video)
{
    if (area.isEmpty() || video.isEmpty())
        return {};
    QSize shown = video;
    if (video.width() > area.width() || video.height() > area.height())
        shown = video.scaled(area, Qt::KeepAspectRatio);
    shown = shown.expandedTo(QSize(1, 1));
    return QRect(QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2),
                 shown);
}

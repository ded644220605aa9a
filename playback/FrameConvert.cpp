#include "FrameConvert.h"

#include <sys/mman.h>
#include <unistd.h>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Source sample positions for one output axis (weights in 1/256), the last sample first when
// reversed.
using AxisMap = CBilinearAxis;

AxisMap MapAxis(int sourceLength, int targetLength, bool reversed)
{
    AxisMap map = MapBilinearAxis(sourceLength, targetLength, 256);
    if (reversed) {
        std::reverse(map.index.begin(), map.index.end());
        std::reverse(map.weight.begin(), map.weight.end());
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

// Blends two source rows into one (weight of the second in 1/256), over `count` samples. Plain
// loops over contiguous bytes: the compiler turns them into vector code.
void BlendRows(const std::uint8_t *row0, const std::uint8_t *row1, int weight, int count,
               std::uint8_t *out)
{
    if (weight == 0 || row0 == row1) {
        std::memcpy(out, row0, std::size_t(count));
        return;
    }
    if (weight == 256) {
        std::memcpy(out, row1, std::size_t(count));
        return;
    }
    const int keep = 256 - weight;
    for (int i = 0; i < count; ++i)
        out[i] = std::uint8_t((row0[i] * keep + row1[i] * weight + 128) >> 8);
}

// How an axis map samples: one source sample per output sample, two averaged per output sample
// (exactly half the size), or anything else. The first two have vector-friendly loops.
enum class AxisKind { Same, Half, Other };

AxisKind KindOf(const AxisMap &map, int sourceLength)
{
    const int n = int(map.index.size());
    if (n == sourceLength) {
        bool same = true;
        for (int x = 0; x < n && same; ++x)
            same = map.index[x] + (map.weight[x] == 256 ? 1 : 0) == x &&
                   (map.weight[x] == 0 || map.weight[x] == 256);
        if (same)
            return AxisKind::Same;
    }
    if (2 * n == sourceLength) {
        bool half = true;
        for (int x = 0; x < n && half; ++x)
            half = map.index[x] == 2 * x && map.weight[x] == 128;
        if (half)
            return AxisKind::Half;
    }
    return AxisKind::Other;
}

// Picks (and blends) the samples of one blended row for every output column.
void ScaleRow(const std::uint8_t *row, const AxisMap &map, AxisKind kind, int stride, int count,
              std::int16_t *out)
{
    if (kind == AxisKind::Same) {
        for (int x = 0; x < count; ++x)
            out[x] = row[x];
        return;
    }
    if (kind == AxisKind::Half) {
        for (int x = 0; x < count; ++x)
            out[x] = std::int16_t((row[2 * x] + row[2 * x + 1] + 1) >> 1);
        return;
    }
    const int *index = map.index.data();
    const int *weight = map.weight.data();
    for (int x = 0; x < count; ++x) {
        const int a = row[index[x]];
        const int b = row[index[x] + stride];
        out[x] = std::int16_t(((a << 8) + (b - a) * weight[x] + 128) >> 8);
    }
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
    // Chroma is scaled to half the output size (as 4:2:0 pictures keep it) and each sample
    // then serves two by two output pixels: half the sampling work of full-size chroma.
    const int chromaOutWidth = (dstWidth + 1) / 2;
    const int chromaOutHeight = (dstHeight + 1) / 2;
    const AxisMap chromaX = MapAxis(chromaWidth, chromaOutWidth, turn180);
    const AxisMap chromaY = MapAxis(chromaHeight, chromaOutHeight, turn180);
    // A single sample column has no right neighbour: read the same one twice.
    const int lumaStride = source.width > 1 ? 1 : 0;
    const int chromaStride = chromaWidth > 1 ? 1 : 0;
    const AxisKind lumaKind = KindOf(lumaX, source.width);
    const AxisKind chromaKind = KindOf(chromaX, chromaWidth);
    const Coefficients k = CoefficientsFor(source);

    // Row buffers: blended source rows, then the scaled samples of one output row.
    std::vector<std::uint8_t> blended(std::size_t(source.width) + 2 * std::size_t(chromaWidth));
    std::uint8_t *blendY = blended.data();
    std::uint8_t *blendU = blendY + source.width;
    std::uint8_t *blendV = blendU + chromaWidth;
    std::vector<std::int16_t> scaled(3 * std::size_t(dstWidth) + 2 * std::size_t(chromaOutWidth) +
                                     2);
    std::int16_t *outY = scaled.data();
    std::int16_t *outU = outY + dstWidth; // chroma widened to the output width
    std::int16_t *outV = outU + dstWidth;
    std::int16_t *halfU = outV + dstWidth; // chroma at half the output width
    std::int16_t *halfV = halfU + chromaOutWidth + 1;
    // Output rows that share their source rows and weights reuse the scaled samples.
    int lastLuma = -1, lastLumaWeight = -1, lastChroma = -1, lastChromaWeight = -1;

    for (int y = 0; y < dstHeight; ++y) {
        const int ly = lumaY.index[y];
        const int wly = lumaY.weight[y];
        if (ly != lastLuma || wly != lastLumaWeight) {
            const std::uint8_t *y0 = source.planes[0] + qsizetype(ly) * source.pitches[0];
            const std::uint8_t *y1 = source.height > 1 ? y0 + source.pitches[0] : y0;
            BlendRows(y0, y1, wly, source.width, blendY);
            ScaleRow(blendY, lumaX, lumaKind, lumaStride, dstWidth, outY);
            lastLuma = ly;
            lastLumaWeight = wly;
        }
        const int cy = chromaY.index[y / 2];
        const int wcy = chromaY.weight[y / 2];
        if (cy != lastChroma || wcy != lastChromaWeight) {
            const std::uint8_t *u0 = source.planes[1] + qsizetype(cy) * source.pitches[1];
            const std::uint8_t *u1 = chromaHeight > 1 ? u0 + source.pitches[1] : u0;
            const std::uint8_t *v0 = source.planes[2] + qsizetype(cy) * source.pitches[2];
            const std::uint8_t *v1 = chromaHeight > 1 ? v0 + source.pitches[2] : v0;
            BlendRows(u0, u1, wcy, chromaWidth, blendU);
            BlendRows(v0, v1, wcy, chromaWidth, blendV);
            ScaleRow(blendU, chromaX, chromaKind, chromaStride, chromaOutWidth, halfU);
            ScaleRow(blendV, chromaX, chromaKind, chromaStride, chromaOutWidth, halfV);
            for (int x = 0; x < dstWidth; ++x) {
                outU[x] = halfU[x / 2];
                outV[x] = halfV[x / 2];
            }
            lastChroma = cy;
            lastChromaWeight = wcy;
        }
        auto *out = reinterpret_cast<std::uint32_t *>(dst + qsizetype(y) * dstPitch);
        for (int x = 0; x < dstWidth; ++x) {
            const int u = outU[x] - 128;
            const int v = outV[x] - 128;
            const int c = (outY[x] - k.yOffset) * k.yScale + 128;
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

CFrameScaler::~CFrameScaler()
{
    sws_freeContext(m_context);
    sws_freeContext(m_scaleContext);
    sws_freeContext(m_tailContext);
}

namespace {

// Gives a conversion context the colours of a picture (see ConvertYuv420): BT.709 above 576
// lines of the clip, BT.601 below; video or full range as the picture says; full-range RGB out.
// A new context starts with other defaults, so the set-up is compared with what it has.
void ApplyColours(SwsContext *context, int clipHeight, bool fullRange)
{
    const int space = clipHeight > 576 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    const int *coefficients = sws_getCoefficients(space);
    int *invTable = nullptr, *table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    sws_getColorspaceDetails(context, &invTable, &srcRange, &table, &dstRange, &brightness,
                             &contrast, &saturation);
    if (srcRange == (fullRange ? 1 : 0) && dstRange == 1 && invTable &&
        std::equal(coefficients, coefficients + 4, invTable))
        return;
    sws_setColorspaceDetails(context, coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16,
                             1 << 16);
}

// The scaler's vector YUV to RGB converter works in steps of 8 pixels: it reads and writes up
// to the next multiple of 8 in every row (and leaves the last pixels out when the row has no
// room for that). Rows padded to 16 pixels, as this file's own buffers and images are, take it.
constexpr int kRowStep = 16;

int PadTo(int value, int step)
{
    return (value + step - 1) / step * step;
}

// Room for the converter's 8-pixel steps at the end of every row of a picture of this width.
bool RoomForSteps(const CYuvPicture &picture)
{
    return picture.pitches[0] >= PadTo(picture.width, kRowStep) &&
           picture.pitches[1] >= PadTo((picture.width + 1) / 2, kRowStep) &&
           picture.pitches[2] >= PadTo((picture.width + 1) / 2, kRowStep);
}

// Right before each picture: where its mapping starts and how long it is. The picture itself
// is 64-byte aligned.
struct PictureHeader
{
    void *mapping;
    std::size_t length;
};
constexpr std::size_t kPictureHeader = 64;
static_assert(sizeof(PictureHeader) <= kPictureHeader);

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// MADV_POPULATE_WRITE (Linux 5.14), which older C libraries do not name.
constexpr int kPopulateWrite = 23;

} // namespace

std::uint8_t *AllocatePictureMemory(std::size_t bytes, bool populate)
{
    if (bytes == 0 || bytes > std::numeric_limits<std::size_t>::max() / 4)
        return nullptr;
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    void *mapping = MAP_FAILED;
    std::size_t length = 0;
    std::uint8_t *picture = nullptr;
    if (bytes + kPictureHeader >= kHugePage) {
        // Pictures of a few megabytes start on a huge page boundary and ask for huge pages
        // where the system gives them on request (Linux's usual setting): a new page then
        // costs one fault instead of five hundred, and reading a picture misses the address
        // cache far less. What is left over a whole huge page takes ordinary pages, so the
        // picture takes no more memory than it needs. The header goes in an ordinary page of
        // its own just before: written at once, it must not bring in a whole huge page of a
        // picture that is written only later, if at all (a clip made ready out of sight
        // writes one or two of its buffers).
        const std::size_t pictureLength = (bytes + page - 1) / page * page;
        length = page + pictureLength;
        void *wide = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (wide != MAP_FAILED) {
            const auto start = reinterpret_cast<std::uintptr_t>(wide);
            const std::uintptr_t aligned =
                (start + page + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
            const std::uintptr_t begin = aligned - page;
            if (begin > start)
                munmap(wide, begin - start);
            if (const std::uintptr_t end = start + length + kHugePage; end > begin + length)
                munmap(reinterpret_cast<void *>(begin + length), end - begin - length);
            mapping = reinterpret_cast<void *>(begin);
            picture = reinterpret_cast<std::uint8_t *>(aligned);
            madvise(picture, pictureLength, MADV_HUGEPAGE);
            // Older kernels lack the request: the pages are then put in place by hand.
            if (populate && madvise(picture, pictureLength, kPopulateWrite) != 0) {
                auto *pages = static_cast<volatile std::uint8_t *>(picture);
                for (std::size_t at = 0; at < pictureLength; at += page)
                    pages[at] = 0;
            }
        }
    } else {
        length = bytes + kPictureHeader;
        mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0), -1, 0);
        if (mapping != MAP_FAILED)
            picture = static_cast<std::uint8_t *>(mapping) + kPictureHeader;
    }
    if (mapping == MAP_FAILED)
        return nullptr;
    const PictureHeader header{mapping, length};
    std::memcpy(picture - kPictureHeader, &header, sizeof header);
    return picture;
}

void FreePictureMemory(void *memory)
{
    if (!memory)
        return;
    PictureHeader header{};
    std::memcpy(&header, static_cast<std::uint8_t *>(memory) - kPictureHeader, sizeof header);
    munmap(header.mapping, header.length);
}

qsizetype CFrameScaler::PicturePitch(int width)
{
    return qsizetype(PadTo(width, kRowStep)) * 4;
}

QImage CFrameScaler::PaddedImage(QSize size)
{
    if (size.isEmpty())
        return {};
    const qsizetype pitch = PicturePitch(size.width());
    auto *data = AllocatePictureMemory(std::size_t(pitch) * size.height());
    if (!data)
        return {};
    return QImage(data, size.width(), size.height(), pitch, QImage::Format_RGB32, FreePictureMemory,
                  data);
}

bool CFrameScaler::Convert(const CYuvPicture &source, std::uint8_t *dst, qsizetype dstPitch,
                           int dstWidth, int dstHeight, bool turn180)
{
    if (!source.IsValid() || !dst || dstWidth <= 0 || dstHeight <= 0 || dstPitch < 4 * dstWidth)
        return false;
    // The scaler's vector code wants at least a few samples a row; tiny pictures (never a
    // real clip) go through the plain converter.
    if (source.width < 16 || source.height < 4 || dstWidth < 16 || dstHeight < 4) {
        ConvertYuv420(source, dst, dstPitch, dstWidth, dstHeight, turn180);
        return true;
    }

    std::uint8_t *out = dst;
    int outPitch = int(dstPitch);
    if (turn180) {
        // Bottom-up: the last row first, with a negative pitch.
        out = dst + qsizetype(dstHeight - 1) * dstPitch;
        outPitch = -int(dstPitch);
    }
    const bool roomy = dstPitch >= qsizetype(PadTo(dstWidth, kRowStep)) * 4;
    const bool done = m_precise || !roomy
                          ? convertStraight(source, out, outPitch, dstWidth, dstHeight)
                          : convertFast(source, out, outPitch, dstWidth, dstHeight);
    if (!done)
        return false;
    if (turn180) {
        for (int y = 0; y < dstHeight; ++y) {
            auto *row = reinterpret_cast<std::uint32_t *>(dst + qsizetype(y) * dstPitch);
            std::reverse(row, row + dstWidth);
        }
    }
    return true;
}

// Straight from the picture into RGB through the scaler's generic rows, which keep to the
// destination's width: for stills (precise) and for rows without room for the vector steps.
bool CFrameScaler::convertStraight(const CYuvPicture &source, std::uint8_t *out, int outPitch,
                                   int dstWidth, int dstHeight)
{
    m_context = sws_getCachedContext(m_context, source.width, source.height, AV_PIX_FMT_YUV420P,
                                     dstWidth, dstHeight, AV_PIX_FMT_BGRA,
                                     m_precise ? SWS_BILINEAR | SWS_ACCURATE_RND |
                                                     SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP
                                               : SWS_BILINEAR,
                                     nullptr, nullptr, nullptr);
    if (!m_context)
        return false;
    ApplyColours(m_context, source.height, source.fullRange);
    const std::uint8_t *const planes[3] = {source.planes[0], source.planes[1], source.planes[2]};
    const int pitches[3] = {source.pitches[0], source.pitches[1], source.pitches[2]};
    std::uint8_t *const outPlanes[4] = {out, nullptr, nullptr, nullptr};
    const int outPitches[4] = {outPitch, 0, 0, 0};
    return sws_scale(m_context, planes, pitches, 0, source.height, outPlanes, outPitches) ==
           dstHeight;
}

// The quick way: scaling a planar picture and turning planar YUV into RGB at its own size each
// have vector code in the scaler, while scaling straight into RGB goes through its generic row
// code at about twice the cost. So the picture is first scaled in YUV (bilinear, into buffers
// of our own; by our two-tap scaler when it shrinks by at most half, as a fitted video does),
// then converted. That converter only takes an even number of rows; an odd last
// row is converted on its own from a two-row copy.
bool CFrameScaler::convertFast(const CYuvPicture &source, std::uint8_t *out, int outPitch,
                               int dstWidth, int dstHeight)
{
    CYuvPicture picture = source;
    if (source.width != dstWidth || source.height != dstHeight || !RoomForSteps(source)) {
        const int sourceChromaWidth = (source.width + 1) / 2;
        const int sourceChromaHeight = (source.height + 1) / 2;
        const int chromaWidth = (dstWidth + 1) / 2;
        const int chromaHeight = (dstHeight + 1) / 2;
        const int lumaPitch = PadTo(dstWidth, 64);
        const int chromaPitch = PadTo(chromaWidth, 64);
        const std::size_t lumaBytes = std::size_t(lumaPitch) * dstHeight;
        const std::size_t chromaBytes = std::size_t(chromaPitch) * chromaHeight;
        const std::size_t bytes = lumaBytes + 2 * chromaBytes + 64;
        if (bytes > m_scaledBytes) {
            m_scaled.reset(AllocatePictureMemory(bytes));
            m_scaledBytes = m_scaled ? bytes : 0;
            if (!m_scaled)
                return false;
        }
        std::uint8_t *const planes[4] = {m_scaled.get(), m_scaled.get() + lumaBytes,
                                         m_scaled.get() + lumaBytes + chromaBytes, nullptr};
        const int pitches[4] = {lumaPitch, chromaPitch, chromaPitch, 0};
        const std::uint8_t *const sourcePlanes[3] = {source.planes[0], source.planes[1],
                                                     source.planes[2]};
        // Shrinking by at most half (the usual case: a video fitted into its view) takes the
        // two-tap scaler, several times cheaper than the general one; anything else the latter.
        if (CPlaneScaler::Accelerated() &&
            m_lumaScaler.Prepare(source.width, source.height, dstWidth, dstHeight) &&
            m_chromaScaler.Prepare(sourceChromaWidth, sourceChromaHeight, chromaWidth,
                                   chromaHeight)) {
            m_lumaScaler.Scale(sourcePlanes[0], source.pitches[0], planes[0], pitches[0]);
            m_chromaScaler.Scale(sourcePlanes[1], source.pitches[1], planes[1], pitches[1]);
            m_chromaScaler.Scale(sourcePlanes[2], source.pitches[2], planes[2], pitches[2]);
        } else {
            m_scaleContext = sws_getCachedContext(
                m_scaleContext, source.width, source.height, AV_PIX_FMT_YUV420P, dstWidth,
                dstHeight, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!m_scaleContext || sws_scale(m_scaleContext, sourcePlanes, source.pitches, 0,
                                             source.height, planes, pitches) != dstHeight)
                return false;
        }
        for (int i = 0; i < 3; ++i) {
            picture.planes[i] = planes[i];
            picture.pitches[i] = pitches[i];
        }
        picture.width = dstWidth;
        picture.height = dstHeight;
    }

    const std::uint8_t *const planes[3] = {picture.planes[0], picture.planes[1], picture.planes[2]};
    const int evenRows = dstHeight & ~1;
    if (evenRows > 0) {
        m_context = sws_getCachedContext(m_context, dstWidth, evenRows, AV_PIX_FMT_YUV420P,
                                         dstWidth, evenRows, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                         nullptr, nullptr);
        if (!m_context)
            return false;
        ApplyColours(m_context, source.height, source.fullRange);
        std::uint8_t *const outPlanes[4] = {out, nullptr, nullptr, nullptr};
        const int outPitches[4] = {outPitch, 0, 0, 0};
        if (sws_scale(m_context, planes, picture.pitches, 0, evenRows, outPlanes, outPitches) !=
            evenRows)
            return false;
    }
    if (evenRows == dstHeight)
        return true;

    // The odd last row: its luma twice and its chroma row, converted as a two-row picture.
    const int last = dstHeight - 1;
    const int chromaWidth = (dstWidth + 1) / 2;
    const int lumaPitch = PadTo(dstWidth, kRowStep);
    const int chromaPitch = PadTo(chromaWidth, kRowStep);
    const int rgbPitch = lumaPitch * 4;
    // Only the row's own bytes are written each time; the padding is read, never shown.
    m_tail.resize(std::size_t(lumaPitch) * 2 + std::size_t(chromaPitch) * 2 +
                  std::size_t(rgbPitch) * 2);
    std::uint8_t *tailY = m_tail.data();
    std::uint8_t *tailU = tailY + 2 * lumaPitch;
    std::uint8_t *tailV = tailU + chromaPitch;
    std::uint8_t *tailRgb = tailV + chromaPitch;
    const std::uint8_t *lumaRow = picture.planes[0] + qsizetype(last) * picture.pitches[0];
    std::memcpy(tailY, lumaRow, dstWidth);
    std::memcpy(tailY + lumaPitch, lumaRow, dstWidth);
    std::memcpy(tailU, picture.planes[1] + qsizetype(last / 2) * picture.pitches[1], chromaWidth);
    std::memcpy(tailV, picture.planes[2] + qsizetype(last / 2) * picture.pitches[2], chromaWidth);
    m_tailContext =
        sws_getCachedContext(m_tailContext, dstWidth, 2, AV_PIX_FMT_YUV420P, dstWidth, 2,
                             AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!m_tailContext)
        return false;
    ApplyColours(m_tailContext, source.height, source.fullRange);
    const std::uint8_t *const tailPlanes[3] = {tailY, tailU, tailV};
    const int tailPitches[3] = {lumaPitch, chromaPitch, chromaPitch};
    std::uint8_t *const tailOut[4] = {tailRgb, nullptr, nullptr, nullptr};
    const int tailOutPitches[4] = {rgbPitch, 0, 0, 0};
    if (sws_scale(m_tailContext, tailPlanes, tailPitches, 0, 2, tailOut, tailOutPitches) != 2)
        return false;
    std::memcpy(out + qsizetype(last) * outPitch, tailRgb, std::size_t(dstWidth) * 4);
    return true;
}

bool CFrameScaler::Convert(const CYuvPicture &source, QImage &image, QSize size, bool turn180)
{
    if (size.isEmpty() || !source.IsValid())
        return false;
    if (image.size() != size || image.format() != QImage::Format_RGB32 ||
        image.bytesPerLine() < PicturePitch(size.width()))
        image = PaddedImage(size);
    if (image.isNull())
        return false;
    return Convert(source, image.bits(), image.bytesPerLine(), size.width(), size.height(),
                   turn180);
}

#pragma once

#include "PlaneScale.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One decoded picture in planar 4:2:0 YUV (I420 or J420), as the media engine hands it over.
// Only the visible width x height is read; chroma planes are half size, rounded up.
struct CYuvPicture
{
    const std::uint8_t *planes[3] = {nullptr, nullptr, nullptr};
    int pitches[3] = {0, 0, 0};
    int width = 0;
    int height = 0;
    bool fullRange = false; // J420 (full-range luma and chroma) instead of I420 (video range)

    bool IsValid() const { return planes[0] && planes[1] && planes[2] && width > 0 && height > 0; }
};

// Converts and scales `source` into a 32-bit RGB picture of dstWidth x dstHeight at `dst` (one
// row every dstPitch bytes, QImage::Format_RGB32 layout), bilinear in luma and chroma. With
// turn180 the picture is turned upside down (rotated by 180 degrees) on the way.
// Pictures taller than 576 lines use the BT.709 colours, smaller ones BT.601.
void ConvertYuv420(const CYuvPicture &source, std::uint8_t *dst, qsizetype dstPitch, int dstWidth,
                   int dstHeight, bool turn180);

// The same into a new image of the given size (a null image when either side is empty).
QImage ConvertYuv420(const CYuvPicture &source, QSize size, bool turn180);

struct SwsContext;

// Memory for a whole picture, 64-byte aligned, given with all its pages already in place
// (unless `populate` is false: then none of its pages is taken until it is written): pages a
// process touches for the first time are filled one fault at a time, which for a picture of a
// few megabytes costs several times its conversion. Pictures of 2 MB and more start on a huge
// page and are put in huge pages where the system gives them.
// Null when there is none (or for no bytes). Free it with FreePictureMemory only.
std::uint8_t *AllocatePictureMemory(std::size_t bytes, bool populate = true);
void FreePictureMemory(void *memory);

// Owns memory from AllocatePictureMemory.
struct PictureMemoryFree
{
    void operator()(std::uint8_t *memory) const { FreePictureMemory(memory); }
};
using PictureMemory = std::unique_ptr<std::uint8_t[], PictureMemoryFree>;

// Colour conversion and scaling of decoded pictures into 32-bit RGB through the system's SIMD
// scaler (libswscale), bilinear (scaled in YUV first, then converted, unless precise). Keeps its
// scaling set-up between pictures of the same geometry, so one instance belongs to one thread.
// Turning by 180 degrees is done on the way: the rows are written bottom-up and each row is then
// reversed.
class CFrameScaler
{
public:
    // A precise scaler interpolates chroma at full resolution and rounds exactly (for stills);
    // the default one takes the scaler's fastest vector paths (for drawing; at most a level or
    // two apart in the last rows).
    explicit CFrameScaler(bool precise = false)
        : m_precise(precise)
    {}
    ~CFrameScaler();
    CFrameScaler(const CFrameScaler &) = delete;
    CFrameScaler &operator=(const CFrameScaler &) = delete;

    // The bytes per row of the pictures Convert makes (rows padded for the vector steps);
    // an image of its own with such rows is converted into as it is.
    static qsizetype PicturePitch(int width);

    // Like ConvertYuv420; false (nothing written) when the scaler refuses the sizes.
    bool Convert(const CYuvPicture &source, std::uint8_t *dst, qsizetype dstPitch, int dstWidth,
                 int dstHeight, bool turn180);
    // Into `image` (made anew when it has another size or format); false when nothing came of it.
    bool Convert(const CYuvPicture &source, QImage &image, QSize size, bool turn180);

private:
    // An RGB32 image whose rows have room for the quick converter's steps (see Convert). Rows
    // tighter than that are converted the slower way.
    static QImage PaddedImage(QSize size);

    // Straight into RGB (stills, and rows without room for the quick way), or scaled in YUV
    // first and then converted (drawing).
    bool convertStraight(const CYuvPicture &source, std::uint8_t *out, int outPitch, int dstWidth,
                         int dstHeight);
    bool convertFast(const CYuvPicture &source, std::uint8_t *out, int outPitch, int dstWidth,
                     int dstHeight);

    bool m_precise = false;
    SwsContext *m_context = nullptr;      // into RGB (straight, or after scaling in YUV)
    SwsContext *m_scaleContext = nullptr; // YUV to YUV at the drawn size, shrinking by more
    CPlaneScaler m_lumaScaler;            // YUV to YUV at the drawn size, by at most half
    CPlaneScaler m_chromaScaler;
    SwsContext *m_tailContext = nullptr; // the odd last row
    PictureMemory m_scaled;              // the scaled YUV planes
    std::size_t m_scaledBytes = 0;
    std::vector<std::uint8_t> m_tail;
};

// Where a video of the given pixel size is drawn inside an area: at its own size and centred
// when it fits, otherwise scaled down to fit keeping its aspect ratio, centred. Never enlarged.
QRect FitVideoRect(QSize area, QSize video);

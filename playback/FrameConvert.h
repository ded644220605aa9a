#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>

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

// Colour conversion and scaling of decoded pictures into 32-bit RGB through the system's SIMD
// scaler (libswscale), bilinear. Keeps its scaling set-up between pictures of the same geometry,
// so one instance belongs to one thread. Turning by 180 degrees is done on the way: the rows are
// written bottom-up and each row is then reversed.
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

    // Like ConvertYuv420; false (nothing written) when the scaler refuses the sizes.
    bool Convert(const CYuvPicture &source, std::uint8_t *dst, qsizetype dstPitch, int dstWidth,
                 int dstHeight, bool turn180);
    // Into `image` (made anew when it has another size or format); false when nothing came of it.
    bool Convert(const CYuvPicture &source, QImage &image, QSize size, bool turn180);

private:
    bool m_precise = false;
    SwsContext *m_context = nullptr;
    int m_colours = -1; // the colour set-up last given to m_context
};

// Where a video of the given pixel size is drawn inside an area: at its own size and centred
// when it fits, otherwise scaled down to fit keeping its aspect ratio, centred. Never enlarged.
QRect FitVideoRect(QSize area, QSize video);

#pragma once

#include "FrameConvert.h"
#include "VideoView.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The player's own video output. The media engine decodes into a small pool of planar YUV
// picture buffers (engine threads: Format, Lock, Display, Cleanup); the video view takes the
// newest shown picture on the user-interface thread and converts it to RGB straight at the size
// it is drawn at, turned when rotation is on. The engine only ever waits for the swap of a
// pointer; it never touches a widget (it wakes the view with a queued call).
class CVideoFrameStore : public CVideoFrameSource
{
public:
    static constexpr int PoolSize = 3;

    CVideoFrameStore();
    ~CVideoFrameStore() override;

    // Engine side, called on the engine's threads (see libvlc_video_set_format_callbacks and
    // libvlc_video_set_callbacks). Format picks the chroma (I420, or J420 when the decoder
    // gives full-range pictures) and sets up the pool; it returns the number of buffers.
    unsigned Format(char *chroma, unsigned *width, unsigned *height, unsigned *pitches,
                    unsigned *lines);
    void Cleanup();
    void *Lock(void **planes);
    void Display(void *picture);

    // User-interface side.
    quint64 PaintFrame(QPainter &painter, const QRect &area) override;
    void SetView(CVideoView *view) override;

    // Turns the picture by 180 degrees (drawing and stills) and repaints.
    void SetTurned(bool turned);
    bool IsTurned() const { return m_turned.load(); }

    // Asks the engine for the visible picture size, which can be smaller than the decoded
    // buffers (their height is padded); an invalid size means not known yet.
    void SetVisibleSizeQuery(std::function<QSize()> query);

    // The picture size the clip is known to have (from its file header), or an invalid size.
    // The engine's decoder hands out padded pictures; asking it for exactly the visible size
    // keeps its conversion step a plain copy instead of a scaling pass.
    void SetExpectedSize(QSize size);

    // The newest picture at the video's own size, turned as shown; null when there is none.
    QImage Snapshot();
    bool HasPicture() const;
    // The visible size of the newest picture, or an invalid size.
    QSize PictureSize();

    struct Statistics
    {
        quint64 delivered = 0; // pictures the engine has shown
        quint64 taken = 0;     // pictures taken for drawing (or a still)
        quint64 replaced = 0;  // pictures replaced by a newer one before they were taken
        quint64 converted = 0; // conversions to RGB made for drawing
    };
    Statistics GetStatistics() const;

private:
    struct Frame;
    std::shared_ptr<Frame> takeNewest();
    QSize visibleSize(Frame &frame);
    static CYuvPicture pictureOf(const Frame &frame, QSize visible);
    void wakeView();

    mutable std::mutex m_mutex; // guards everything up to m_statistics
    std::vector<std::shared_ptr<Frame>> m_pool;
    Frame *m_writing = nullptr;
    std::shared_ptr<Frame> m_ready;
    std::shared_ptr<Frame> m_front;
    CVideoView *m_view = nullptr;
    bool m_wakePending = false;
    quint64 m_serial = 0;
    int m_generation = 0;
    QSize m_visible; // for the current generation, once known
    QSize m_expected;
    Statistics m_statistics;

    std::atomic<bool> m_turned{false};
    std::function<QSize()> m_visibleQuery; // user-interface thread only

    // Drawing cache, user-interface thread only.
    QImage m_picture;
    quint64 m_pictureSerial = 0;
    bool m_pictureTurned = false;
};

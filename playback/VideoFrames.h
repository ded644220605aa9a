#pragma once

#include "FrameConvert.h"
#include "VideoView.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CX11Presenter;

// The player's own video output. The media engine decodes into a small pool of planar YUV
// picture buffers (engine threads: Format, Lock, Display, Cleanup). When a picture is shown it
// goes to a converter thread of the store's own, which turns it into RGB straight at the size
// the view draws it at (turned when rotation is on), so the user-interface thread only puts a
// ready image on the screen, and the engine's display thread is back in time for the next
// picture (it drops pictures it cannot show on time). Only when the ready image does not fit
// (the first picture, a resized view, rotation while paused) does the view convert the picture
// itself. On X11, once the view has drawn a clip's picture, the converter puts the clip's next
// pictures at the same place in the view's window itself (CX11Presenter). Stills are made from
// the YUV picture at the video's own size. The engine never touches a widget (it wakes the view
// with a queued call).
class CVideoFrameStore : public CVideoFrameSource
{
public:
    // One being written, two waiting for the converter, one being converted, one ready to be
    // drawn and the one drawn last.
    static constexpr int PoolSize = 6;

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

    // Counts the different pictures the engine shows from now on: a picture shown again (as the
    // engine does while paused or held up) counts once, and so does a new picture that looks
    // exactly like the one before, so the count can only fall short. When it reaches `target`
    // (0: never), `reached` is called once, on the engine's thread.
    void StartPictureCount(quint64 target, std::function<void()> reached);
    // The count no longer says which picture is shown (a seek): it stops until started again.
    void StopPictureCount();
    // The count since it started; 0 while stopped.
    quint64 PictureCount() const;

    struct Statistics
    {
        quint64 delivered = 0;        // pictures the engine has shown
        quint64 taken = 0;            // pictures taken for drawing (or a still)
        quint64 replaced = 0;         // pictures replaced by a newer one before they were taken
        quint64 skipped = 0;          // ... of them, before the converter got to them
        quint64 converted = 0;        // conversions to RGB made for drawing by the converter
        quint64 convertedForView = 0; // ... and on the user-interface thread
        quint64 painted = 0;          // different pictures put on the screen
        quint64 drawnMade = 0;        // drawn pictures made (each with memory of its own)
        // Time the converter spent on the pictures it converted, and from a picture being
        // shown by the engine to it being painted (in nanoseconds, total and worst).
        qint64 convertNs = 0, convertMaxNs = 0;
        qint64 showToPaintNs = 0, showToPaintMaxNs = 0;
        // When the newest different picture was painted (ClockNs); 0 before.
        qint64 lastPaintNs = 0;
    };
    // Frees what is kept for a next clip (its buffers and drawn pictures), for an output left
    // waiting without a clip and without a view; does nothing while a clip is open.
    void ReleaseSpareMemory();
    // Whether a new clip's buffers are written ahead of its first picture (see warmUp): not
    // for a clip made ready out of sight, whose first picture may take its time.
    void SetWarmUp(bool on);
    // The clock of the times above: the steady clock, in nanoseconds.
    static qint64 ClockNs();
    Statistics GetStatistics() const;

    // Where the newest picture was last drawn, in the coordinates of the view's area; empty
    // before the first picture. A new picture of the same clip only needs this to be repainted.
    QRect LastPictureRect() const { return m_lastTarget; }
    QRect DirtyRect(const QRect &area) override;

private:
    struct Frame;
    // Counts the picture about to be shown, by its look (see StartPictureCount); returns what
    // is to be called once the lock is released.
    std::function<void()> countPicture(quint64 look);
    // Hands a picture the engine has shown to the converter or the view (under the lock).
    void offer(std::shared_ptr<Frame> frame);

    // A picture converted for drawing.
    struct Drawn
    {
        QImage image;
        quint64 serial = 0;
        QSize video;
        bool turned = false;
    };
    // Takes the newest picture for the user-interface thread, which holds it (and the drawn
    // front picture) until releaseFront.
    std::shared_ptr<Frame> takeNewest();
    void releaseFront();
    // Puts a converted picture straight into the view's window when it goes exactly where the
    // view drew the last one; it is then the front picture. m_mutex held.
    bool putDirect(const std::shared_ptr<Frame> &frame, std::shared_ptr<Drawn> &drawn, QSize area);
    // Gives a drawn picture memory the window system can read from (on X11), so that it can
    // go straight to the window. Converter thread, m_mutex not held.
    void shareMemory(Drawn &drawn, QSize size);
    QSize visibleSize(Frame &frame);
    static CYuvPicture pictureOf(const Frame &frame, QSize visible);
    void wakeView();
    void convertLoop();
    // Writes a new clip's buffers once and makes drawn pictures at the drawn size before the
    // first picture comes. Converter thread, m_mutex held (released while writing).
    void warmUp(std::unique_lock<std::mutex> &lock);
    // Makes (or remakes at another size) one drawn picture not yet needed; false when none.
    bool prepareSpare(std::unique_lock<std::mutex> &lock, const std::shared_ptr<Frame> &frame,
                      QSize visible, QSize size, bool turned);
    std::shared_ptr<Drawn> takeSpare();           // m_mutex held
    void keepSpare(std::shared_ptr<Drawn> drawn); // m_mutex held

    mutable std::mutex m_mutex; // guards everything up to m_countReached
    std::vector<std::shared_ptr<Frame>> m_pool;
    Frame *m_writing = nullptr;
    std::shared_ptr<Frame> m_pending; // shown by the engine, waiting for the converter
    // ... and one shown after it, when the engine shows two at once (it does after a change of
    // speed: the late ones back to back); only a third one makes the converter skip one.
    std::shared_ptr<Frame> m_pendingNext;
    Frame *m_converting = nullptr; // being converted before it is ready
    Frame *m_warming = nullptr;    // written or read ahead of need (see warmUp)
    bool m_warmUp = false;         // a new clip's buffers are to be warmed up
    bool m_warmUpWanted = true;
    // Buffers of the last clip, kept for the next one when it has the same size.
    struct SpareMemory
    {
        PictureMemory memory;
        bool warm = false;
    };
    std::vector<SpareMemory> m_spareMemory;
    std::size_t m_spareBytes = 0;
    std::shared_ptr<Drawn> m_drawnReady;
    std::shared_ptr<Drawn> m_drawnFront;
    // Drawn pictures not in use, kept for the next conversions: a drawn picture made anew costs
    // far more than a conversion (its memory is new to the process, page by page).
    std::vector<std::shared_ptr<Drawn>> m_drawnSpares;
    // How many drawn pictures are kept in all. Through the view three: one being converted, one
    // waiting for the view, one shown. Straight to the window (see putDirect) none waits, so
    // two; a third is made only for the moments the view draws (a clip's first picture).
    std::size_t drawnPictures() const { return m_presenter ? 2 : 3; }
    QSize m_drawArea; // the size of the view's area, once it has drawn
    std::shared_ptr<Frame> m_ready;
    std::shared_ptr<Frame> m_front;
    CVideoView *m_view = nullptr;
    bool m_wakePending = false;
    quint64 m_serial = 0;
    int m_generation = 0;
    QSize m_visible; // for the current generation, once known
    // Straight to the view's window (see putDirect): where and for which clip the view drew
    // the last picture, and whether it holds the front picture right now.
    std::shared_ptr<CX11Presenter> m_presenter;
    std::uint32_t m_directWindow = 0;
    QRect m_directTarget;
    QSize m_directArea;
    int m_directGeneration = -1;
    bool m_frontHeld = false;
    quint64 m_paintedSerial = 0;
    QSize m_expected;
    Statistics m_statistics;
    bool m_counting = false;
    quint64 m_pictureCount = 0;
    quint64 m_countTarget = 0;
    quint64 m_lastLook = 0; // what the picture counted last looked like
    std::function<void()> m_countReached;

    std::atomic<bool> m_turned{false};
    std::function<QSize()> m_visibleQuery; // user-interface thread only

    CFrameScaler m_engineScaler; // converter thread only
    std::condition_variable m_convertWake;
    bool m_stopping = false;
    std::thread m_converter; // started last, joined first

    // Drawing cache, user-interface thread only.
    CFrameScaler m_viewScaler;
    CFrameScaler m_stillScaler{true};
    QRect m_lastTarget;
    QRect m_lastArea;
    int m_lastGeneration = -1;
    int m_paintedGeneration = -1;
    QSize m_loggedSize;
    QImage m_picture;
    quint64 m_pictureSerial = 0;
    bool m_pictureTurned = false;
};

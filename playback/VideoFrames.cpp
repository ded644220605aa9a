#include "VideoFrames.h"

#include "PlaybackLog.h"
#include "X11Presenter.h"

#include <QPainter>
#include <QScopeGuard>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr unsigned Align(unsigned value, unsigned alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace

struct CVideoFrameStore::Frame
{
    PictureMemory memory;
    std::uint8_t *planes[3] = {nullptr, nullptr, nullptr};
    int pitches[3] = {0, 0, 0};
    int lines[3] = {0, 0, 0};
    int width = 0;         // buffer width in pixels
    int height = 0;        // buffer height in lines (may include padding)
    std::size_t bytes = 0; // of memory, all planes
    bool fullRange = false;
    bool warm = false; // its memory has been written once (new memory is slow the first time)
    int generation = 0;
    quint64 serial = 0;
    qint64 shownNs = 0; // when the engine showed it
};

namespace {

// What a picture looks like, in a number: its luma sampled on a grid (every fourth byte of 48
// rows spread over the picture). Two pictures of a moving scene differ in it; the same picture
// shown twice never does.
quint64 LookOf(const std::uint8_t *luma, int pitch, int width, int lines)
{
    quint64 hash = 1469598103934665603ull;
    if (!luma || pitch <= 0 || width <= 0 || lines <= 0)
        return hash;
    constexpr int kRows = 48;
    for (int r = 0; r < kRows; ++r) {
        const std::uint8_t *row = luma + std::size_t(pitch) * std::size_t(r * lines / kRows);
        for (int x = r % 4; x < width; x += 4) {
            hash ^= row[x];
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

qint64 NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CVideoFrameStore::CVideoFrameStore()
    : m_presenter(CX11Presenter::ForApplication())
{
    m_converter = std::thread([this] { convertLoop(); });
}

CVideoFrameStore::~CVideoFrameStore()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_convertWake.notify_all();
    m_converter.join();
}

unsigned CVideoFrameStore::Format(char *chroma, unsigned *width, unsigned *height,
                                  unsigned *pitches, unsigned *lines)
{
    const bool fullRange = std::memcmp(chroma, "J420", 4) == 0;
    if (!fullRange)
        std::memcpy(chroma, "I420", 4);
    QSize expected;
    {
        std::lock_guard lock(m_mutex);
        expected = m_expected;
    }
    // The decoder's buffers are the visible picture plus padding (at the right and bottom).
    const bool visibleKnown = !expected.isEmpty() && unsigned(expected.width()) <= *width &&
                              unsigned(expected.height()) <= *height;
    if (visibleKnown) {
        *width = unsigned(expected.width());
        *height = unsigned(expected.height());
    }
    const unsigned w = *width;
    const unsigned h = *height;
    if (w == 0 || h == 0 || w > 16384 || h > 16384)
        return 0;
    const unsigned cw = (w + 1) / 2;
    const unsigned ch = (h + 1) / 2;
    pitches[0] = Align(w, 64);
    pitches[1] = pitches[2] = Align(cw, 64);
    lines[0] = h;
    lines[1] = lines[2] = ch;
    const std::size_t sizes[3] = {std::size_t(pitches[0]) * h, std::size_t(pitches[1]) * ch,
                                  std::size_t(pitches[2]) * ch};
    const std::size_t total = sizes[0] + sizes[1] + sizes[2];

    // Rows are read a few bytes past the visible width: keep a little slack at the end.
    const std::size_t bytes = total + 64;
    // The last clip's buffers, when they have the same size: clips of one card usually do.
    std::vector<SpareMemory> reused;
    bool warmUp = true;
    {
        std::lock_guard lock(m_mutex);
        if (m_spareBytes == bytes)
            reused = std::move(m_spareMemory);
        m_spareMemory.clear();
        m_spareBytes = 0;
        warmUp = m_warmUpWanted;
    }
    std::vector<std::shared_ptr<Frame>> pool;
    for (int i = 0; i < PoolSize; ++i) {
        auto frame = std::make_shared<Frame>();
        if (std::size_t(i) < reused.size()) {
            frame->memory = std::move(reused[std::size_t(i)].memory);
            frame->warm = reused[std::size_t(i)].warm;
        } else {
            // Written for the first time by the converter thread while the engine gets its
            // first picture ready (see warmUp), not by the engine's copy of that picture. Without
            // a warm-up (a clip made ready out of sight) the first buffer, which takes the first
            // picture, has its pages put in place here: filled page by page during the copy,
            // they would make that picture late, and the engine would show the next one too
            // soon after it.
            frame->memory.reset(AllocatePictureMemory(bytes, i == 0 && !warmUp));
        }
        if (!frame->memory)
            return 0;
        frame->bytes = bytes;
        frame->planes[0] = frame->memory.get();
        frame->planes[1] = frame->planes[0] + sizes[0];
        frame->planes[2] = frame->planes[1] + sizes[1];
        for (int p = 0; p < 3; ++p) {
            frame->pitches[p] = int(pitches[p]);
            frame->lines[p] = int(lines[p]);
        }
        frame->width = int(w);
        frame->height = int(h);
        frame->fullRange = fullRange;
        pool.push_back(std::move(frame));
    }

    PlaybackLog::Write("format");
    std::lock_guard lock(m_mutex);
    m_pool = std::move(pool);
    m_writing = nullptr;
    m_pending.reset();
    m_pendingNext.reset();
    m_ready.reset();
    ++m_generation;
    for (auto &frame : m_pool)
        frame->generation = m_generation;
    m_visible = visibleKnown ? QSize(int(w), int(h)) : QSize();
    m_warmUp = m_warmUpWanted;
    m_convertWake.notify_one();
    return PoolSize;
}

void CVideoFrameStore::ReleaseSpareMemory()
{
    std::vector<SpareMemory> memory;
    std::vector<std::shared_ptr<Drawn>> drawn;
    std::shared_ptr<Drawn> front;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pool.empty() || m_view)
            return;
        memory = std::move(m_spareMemory);
        m_spareMemory.clear();
        m_spareBytes = 0;
        drawn = std::move(m_drawnSpares);
        m_drawnSpares.clear();
        if (!m_frontHeld)
            front = std::move(m_drawnFront);
        // Nor does it convert the pictures of a clip it gets ready out of sight (the engine
        // shows a paused picture again and again): the view converts the first one it draws
        // and tells the size again.
        m_drawArea = QSize();
    }
    // Freed here, outside the lock.
}

void CVideoFrameStore::SetWarmUp(bool on)
{
    std::lock_guard lock(m_mutex);
    m_warmUpWanted = on;
}

void CVideoFrameStore::Cleanup()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::shared_ptr<Frame>> pool = std::move(m_pool);
    m_pool.clear();
    m_writing = nullptr;
    m_pending.reset();
    m_pendingNext.reset();
    m_ready.reset();
    m_warmUp = false;
    // A picture still being converted belongs to the clip that has gone: it is dropped when
    // the converter is done with it.
    ++m_generation;
    m_front.reset();
    keepSpare(std::move(m_drawnReady));
    m_drawnReady.reset();
    m_visible = QSize();
    m_directGeneration = -1;
    // Buffers nobody else holds any more are kept for the next clip (the converter or the view
    // may still be busy with one: that one goes with them). The engine also sets up its output
    // more than once when it opens a clip.
    m_spareMemory.clear();
    m_spareBytes = pool.empty() ? 0 : pool.front()->bytes;
    for (auto &frame : pool)
        if (frame.use_count() == 1)
            m_spareMemory.push_back({std::move(frame->memory), frame->warm});
    // Pictures already put into the window are on the screen before the view paints it black.
    if (m_presenter && m_directWindow)
        m_presenter->Sync();
    wakeView();
}

void *CVideoFrameStore::Lock(void **planes)
{
    std::lock_guard lock(m_mutex);
    // Any buffer but the one drawn last, the one ready to be drawn, those waiting for the
    // converter and the one being converted (or warmed): with six buffers there is always
    // one. One written before is quicker to write.
    Frame *chosen = nullptr;
    for (auto &frame : m_pool) {
        if (frame == m_ready || frame == m_front || frame == m_pending || frame == m_pendingNext ||
            frame.get() == m_converting || frame.get() == m_warming)
            continue;
        if (!chosen || (frame->warm && !chosen->warm))
            chosen = frame.get();
        if (chosen->warm)
            break;
    }
    if (!chosen)
        return nullptr; // cannot happen with PoolSize >= 6
    chosen->warm = true;
    m_writing = chosen;
    if (m_statistics.delivered == 0 && PlaybackLog::Enabled())
        PlaybackLog::Write("lock");
    for (int p = 0; p < 3; ++p)
        planes[p] = chosen->planes[p];
    return chosen;
}

qint64 CVideoFrameStore::ClockNs()
{
    return NowNs();
}

void CVideoFrameStore::StartPictureCount(quint64 target, std::function<void()> reached)
{
    std::lock_guard lock(m_mutex);
    m_counting = true;
    m_pictureCount = 0;
    m_countTarget = target;
    m_countReached = std::move(reached);
}

void CVideoFrameStore::StopPictureCount()
{
    std::lock_guard lock(m_mutex);
    m_counting = false;
    m_pictureCount = 0;
    m_countReached = nullptr;
}

quint64 CVideoFrameStore::PictureCount() const
{
    std::lock_guard lock(m_mutex);
    return m_pictureCount;
}

std::function<void()> CVideoFrameStore::countPicture(quint64 look)
{
    if (!m_counting)
        return {};
    if (m_pictureCount > 0 && look == m_lastLook)
        return {};
    m_lastLook = look;
    if (++m_pictureCount != m_countTarget)
        return {};
    return std::exchange(m_countReached, nullptr);
}

void CVideoFrameStore::Display(void *picture)
{
    const auto find = [&] {
        for (auto &f : m_pool)
            if (f.get() == picture)
                return f;
        return std::shared_ptr<Frame>();
    };
    bool counting = false;
    std::shared_ptr<Frame> frame;
    {
        std::lock_guard lock(m_mutex);
        frame = find();
        counting = m_counting;
    }
    if (!frame)
        return;
    // Looked at outside the lock, which the view takes to paint: the engine has written the
    // picture, and nothing else reads it until it is offered below.
    const quint64 look =
        counting ? LookOf(frame->planes[0], frame->pitches[0], frame->width, frame->lines[0]) : 0;
    std::function<void()> reached;
    {
        std::lock_guard lock(m_mutex);
        if (counting)
            reached = countPicture(look);
        if (find() == frame)
            offer(std::move(frame));
    }
    if (reached)
        reached();
}

void CVideoFrameStore::offer(std::shared_ptr<Frame> frame)
{
    if (m_writing == frame.get())
        m_writing = nullptr;
    frame->serial = ++m_serial;
    frame->shownNs = NowNs();
    if (m_statistics.delivered == 0 && PlaybackLog::Enabled())
        PlaybackLog::Write("shown");
    ++m_statistics.delivered;
    if (!m_drawArea.isEmpty() && frame->generation == m_generation && m_visible.isValid()) {
        // Converted before it is offered, so the view never has to do it itself. Two may wait;
        // when a third comes, the older of them is never drawn.
        if (!m_pending) {
            m_pending = std::move(frame);
        } else {
            if (m_pendingNext) {
                ++m_statistics.replaced;
                ++m_statistics.skipped;
                m_pending = std::move(m_pendingNext);
            }
            m_pendingNext = std::move(frame);
        }
        m_convertWake.notify_one();
        return;
    }
    if (m_ready)
        ++m_statistics.replaced;
    m_ready = std::move(frame);
    wakeView();
}

void CVideoFrameStore::convertLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_convertWake.wait(lock, [this] { return m_stopping || m_pending || m_warmUp; });
        if (m_stopping)
            return;
        if (!m_pending) {
            warmUp(lock);
            continue;
        }
        std::shared_ptr<Frame> frame = std::move(m_pending);
        m_pending = std::move(m_pendingNext);
        m_pendingNext.reset();
        m_converting = frame.get();
        const QSize area = m_drawArea;
        const QSize visible = frame->generation == m_generation ? m_visible : QSize();
        std::shared_ptr<Drawn> drawn = takeSpare();
        lock.unlock();

        drawn->serial = 0;
        const bool turned = m_turned.load();
        const QSize size = FitVideoRect(area, visible).size();
        const qint64 started = NowNs();
        shareMemory(*drawn, size);
        if (!area.isEmpty() && visible.isValid() &&
            m_engineScaler.Convert(pictureOf(*frame, visible), drawn->image, size, turned)) {
            drawn->serial = frame->serial;
            drawn->video = visible;
            drawn->turned = turned;
        }
        const qint64 took = NowNs() - started;

        lock.lock();
        m_converting = nullptr;
        if (frame->generation != m_generation) {
            // The clip has closed or changed meanwhile: nothing of it is drawn any more.
            keepSpare(std::move(drawn));
            continue;
        }
        const bool converted = drawn->serial != 0;
        if (converted) {
            ++m_statistics.converted;
            m_statistics.convertNs += took;
            m_statistics.convertMaxNs = std::max(m_statistics.convertMaxNs, took);
            if (putDirect(frame, drawn, area)) {
                prepareSpare(lock, frame, visible, size, turned);
                continue;
            }
            keepSpare(std::move(m_drawnReady));
            m_drawnReady = std::move(drawn);
        } else {
            keepSpare(std::move(drawn));
        }
        if (m_ready)
            ++m_statistics.replaced;
        m_ready = frame;
        wakeView();
        if (converted)
            prepareSpare(lock, frame, visible, size, turned);
    }
}

void CVideoFrameStore::warmUp(std::unique_lock<std::mutex> &lock)
{
    // Between a clip's format and its first picture the engine is busy decoding and waiting
    // for its clock: a good time to write the buffers of the clip once, and to make the drawn
    // pictures at the size the view draws at, so that the first pictures find their memory
    // ready (the first write to memory new to the process costs several times a conversion).
    // A picture to convert interrupts this; the buffers are taken up again afterwards, the
    // drawn pictures follow the pictures from then on (see prepareSpare).
    m_warmUp = false;
    const int generation = m_generation;
    // The engine writes into the first buffers free, so the first three are the ones in use
    // from the start; the others only when pictures are held on to longer.
    for (int i = 0; i < std::min(3, int(m_pool.size())); ++i) {
        if (m_pending || m_stopping || m_generation != generation) {
            // Taken up again after the picture; a new clip has asked for its own warm-up.
            if (m_generation == generation)
                m_warmUp = true;
            return;
        }
        const std::shared_ptr<Frame> frame = m_pool[std::size_t(i)];
        if (frame->warm || frame.get() == m_writing || frame == m_ready || frame == m_front ||
            frame.get() == m_converting)
            continue;
        m_warming = frame.get(); // the engine keeps off it meanwhile
        lock.unlock();
        // Black, though nobody sees it.
        std::memset(frame->planes[0], frame->fullRange ? 0 : 16,
                    std::size_t(frame->pitches[0]) * std::size_t(frame->lines[0]));
        std::memset(frame->planes[1], 128,
                    frame->bytes - std::size_t(frame->planes[1] - frame->planes[0]));
        lock.lock();
        m_warming = nullptr;
        frame->warm = true;
    }
    // Then conversions of a buffer of the clip (not one the engine is writing) into every
    // drawn picture not yet made at the size the view draws the clip at.
    for (std::size_t made = 0; made < drawnPictures(); ++made) {
        if (m_pending || m_stopping || m_generation != generation || m_drawArea.isEmpty() ||
            !m_visible.isValid())
            return;
        const auto source = std::find_if(m_pool.begin(), m_pool.end(), [&](const auto &frame) {
            return frame->warm && frame.get() != m_writing && frame.get() != m_converting;
        });
        if (source == m_pool.end())
            return;
        const QSize size = FitVideoRect(m_drawArea, m_visible).size();
        const std::shared_ptr<Frame> frame = *source;
        if (!prepareSpare(lock, frame, m_visible, size, m_turned.load()))
            return;
    }
}

bool CVideoFrameStore::prepareSpare(std::unique_lock<std::mutex> &lock,
                                    const std::shared_ptr<Frame> &frame, QSize visible, QSize size,
                                    bool turned)
{
    // One drawn picture at a time, and only while no picture waits: memory new to the process
    // is slow to fill the first time (page by page), so that is not left to the moment a
    // picture needs it.
    if (m_pending || m_stopping)
        return false;
    std::shared_ptr<Drawn> drawn;
    const std::size_t count =
        m_drawnSpares.size() + (m_drawnFront ? 1 : 0) + (m_drawnReady ? 1 : 0);
    if (count < drawnPictures()) {
        ++m_statistics.drawnMade;
        drawn = std::make_shared<Drawn>();
    } else {
        const auto stale = std::find_if(m_drawnSpares.begin(), m_drawnSpares.end(),
                                        [&](const auto &d) { return d->image.size() != size; });
        if (stale == m_drawnSpares.end())
            return false;
        drawn = std::move(*stale);
        m_drawnSpares.erase(stale);
    }
    m_warming = frame.get(); // the engine keeps off it meanwhile
    lock.unlock();
    shareMemory(*drawn, size);
    m_engineScaler.Convert(pictureOf(*frame, visible), drawn->image, size, turned);
    drawn->serial = 0; // never taken for a picture
    lock.lock();
    m_warming = nullptr;
    keepSpare(std::move(drawn));
    return true;
}

void CVideoFrameStore::shareMemory(Drawn &drawn, QSize size)
{
    if (!m_presenter)
        return;
    // The window system may still be reading it from the last time it was put.
    m_presenter->WaitUntilRead(drawn.image);
    // Shared from the start, before the view has drawn anything: the pictures that go
    // straight to the window later are then the ones already written.
    if (!size.isEmpty() && (drawn.image.size() != size || !m_presenter->IsShared(drawn.image))) {
        QImage shared =
            m_presenter->AllocatePicture(size, CFrameScaler::PicturePitch(size.width()));
        if (!shared.isNull())
            drawn.image = std::move(shared);
    }
}

bool CVideoFrameStore::putDirect(const std::shared_ptr<Frame> &frame, std::shared_ptr<Drawn> &drawn,
                                 QSize area)
{
    // Only while the view is not busy with a picture of its own, has nothing left to repaint,
    // and drew the last picture of this clip at exactly this place.
    if (!m_presenter || !m_directWindow || m_frontHeld || m_wakePending ||
        frame->generation != m_directGeneration || area != m_directArea ||
        drawn->image.size() != m_directTarget.size() ||
        !m_presenter->Put(drawn->image, m_directWindow, m_directTarget.topLeft()))
        return false;
    if (m_ready)
        ++m_statistics.replaced;
    m_ready.reset();
    keepSpare(std::move(m_drawnReady));
    m_drawnReady.reset();
    m_front = frame;
    keepSpare(std::move(m_drawnFront));
    m_drawnFront = std::move(drawn);
    ++m_statistics.taken;
    if (frame->serial != m_paintedSerial) {
        m_paintedSerial = frame->serial;
        const qint64 now = NowNs();
        const qint64 delay = now - frame->shownNs;
        ++m_statistics.painted;
        m_statistics.lastPaintNs = now;
        m_statistics.showToPaintNs += delay;
        m_statistics.showToPaintMaxNs = std::max(m_statistics.showToPaintMaxNs, delay);
    }
    return true;
}

std::shared_ptr<CVideoFrameStore::Drawn> CVideoFrameStore::takeSpare()
{
    if (m_drawnSpares.empty()) {
        ++m_statistics.drawnMade;
        return std::make_shared<Drawn>();
    }
    std::shared_ptr<Drawn> drawn = std::move(m_drawnSpares.back());
    m_drawnSpares.pop_back();
    return drawn;
}

void CVideoFrameStore::keepSpare(std::shared_ptr<Drawn> drawn)
{
    // Straight to the window the one on the screen is never a spare: one spare beside it.
    const std::size_t spares = m_presenter ? drawnPictures() - 1 : drawnPictures();
    if (drawn && m_drawnSpares.size() < spares)
        m_drawnSpares.push_back(std::move(drawn));
}

void CVideoFrameStore::wakeView()
{
    // m_mutex is held: the view cannot go away while the call is queued.
    if (!m_view || m_wakePending)
        return;
    m_wakePending = true;
    QMetaObject::invokeMethod(m_view, &CVideoView::FrameArrived, Qt::QueuedConnection);
}

void CVideoFrameStore::SetView(CVideoView *view)
{
    std::lock_guard lock(m_mutex);
    // The old view's window may be about to go.
    if (m_presenter && m_directWindow)
        m_presenter->ForgetWindow(m_directWindow);
    m_directWindow = 0;
    m_directGeneration = -1;
    m_view = view;
    m_wakePending = false;
}

void CVideoFrameStore::SetTurned(bool turned)
{
    m_turned = turned;
    std::lock_guard lock(m_mutex);
    if (m_view) {
        m_wakePending = false;
        wakeView();
    }
}

void CVideoFrameStore::SetExpectedSize(QSize size)
{
    std::lock_guard lock(m_mutex);
    m_expected = size;
}

void CVideoFrameStore::SetVisibleSizeQuery(std::function<QSize()> query)
{
    m_visibleQuery = std::move(query);
}

std::shared_ptr<CVideoFrameStore::Frame> CVideoFrameStore::takeNewest()
{
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
    m_frontHeld = true;
    if (m_ready) {
        m_front = std::move(m_ready);
        m_ready.reset();
        ++m_statistics.taken;
    }
    if (m_drawnReady) {
        keepSpare(std::move(m_drawnFront));
        m_drawnFront = std::move(m_drawnReady);
    }
    return m_front;
}

void CVideoFrameStore::releaseFront()
{
    std::lock_guard lock(m_mutex);
    m_frontHeld = false;
}

QSize CVideoFrameStore::visibleSize(Frame &frame)
{
    const QSize buffer(frame.width, frame.height);
    {
        std::lock_guard lock(m_mutex);
        if (frame.generation == m_generation && m_visible.isValid())
            return m_visible;
    }
    // Asked outside the lock: the engine may need its own threads to answer.
    QSize visible = m_visibleQuery ? m_visibleQuery() : QSize();
    if (visible.isEmpty())
        return buffer; // not known yet: show the whole buffer for now
    visible = visible.boundedTo(buffer);
    std::lock_guard lock(m_mutex);
    if (frame.generation == m_generation)
        m_visible = visible;
    return visible;
}

CYuvPicture CVideoFrameStore::pictureOf(const Frame &frame, QSize visible)
{
    CYuvPicture picture;
    for (int p = 0; p < 3; ++p) {
        picture.planes[p] = frame.planes[p];
        picture.pitches[p] = frame.pitches[p];
    }
    picture.width = visible.width();
    picture.height = visible.height();
    picture.fullRange = frame.fullRange;
    return picture;
}

quint64 CVideoFrameStore::PaintFrame(QPainter &painter, const QRect &area)
{
    {
        // Known before the first picture, so that the converter thread makes that one too
        // (while the user-interface thread may still be busy starting up).
        std::lock_guard lock(m_mutex);
        if (m_drawArea != area.size() && !m_pool.empty() && !m_front && !m_ready && !m_pending) {
            // The window took its size after the clip was opened (maximised at start-up): the
            // drawn pictures are made at that size before the first picture needs them. Later
            // on they follow the pictures (see prepareSpare).
            m_warmUp = true;
            m_convertWake.notify_one();
        }
        m_drawArea = area.size();
    }
    const std::shared_ptr<Frame> frame = takeNewest();
    const auto release = qScopeGuard([this] { releaseFront(); });
    if (!frame) {
        m_lastTarget = QRect();
        std::lock_guard lock(m_mutex);
        m_directGeneration = -1;
        return 0;
    }
    const QSize video = visibleSize(*frame);
    const QRect target = FitVideoRect(area.size(), video).translated(area.topLeft());
    if (target.isEmpty())
        return 0;
    const bool turned = m_turned.load();
    const QImage *image = &m_picture;
    if (m_drawnFront && m_drawnFront->serial == frame->serial && m_drawnFront->video == video &&
        m_drawnFront->turned == turned && m_drawnFront->image.size() == target.size()) {
        image = &m_drawnFront->image; // converted by the converter thread
        // The view's own picture only served until the converter took over: its memory (a
        // whole drawn picture) goes back.
        if (!m_picture.isNull()) {
            m_picture = QImage();
            m_pictureSerial = 0;
        }
    } else if (m_pictureSerial != frame->serial || m_picture.size() != target.size() ||
               m_pictureTurned != turned) {
        // The engine never writes into the front buffer, so it is read without the lock.
        const CYuvPicture picture = pictureOf(*frame, video);
        if (!m_viewScaler.Convert(picture, m_picture, target.size(), turned))
            m_picture = ConvertYuv420(picture, target.size(), turned);
        m_pictureSerial = frame->serial;
        m_pictureTurned = turned;
        std::lock_guard lock(m_mutex);
        ++m_statistics.convertedForView;
    }
    painter.drawImage(target.topLeft(), *image);
    // Black bands beside or above and below the picture (clipped away when only the picture
    // itself is repainted).
    const QColor black(Qt::black);
    painter.fillRect(QRect(area.left(), area.top(), area.width(), target.top() - area.top()),
                     black);
    painter.fillRect(
        QRect(area.left(), target.bottom() + 1, area.width(), area.bottom() - target.bottom()),
        black);
    painter.fillRect(QRect(area.left(), target.top(), target.left() - area.left(), target.height()),
                     black);
    painter.fillRect(
        QRect(target.right() + 1, target.top(), area.right() - target.right(), target.height()),
        black);
    m_lastTarget = target;
    m_lastArea = area;
    m_lastGeneration = frame->generation;

    // Where the next pictures of this clip may go straight to the window (see putDirect).
    std::uint32_t window = 0;
    if (m_presenter && m_view && area == m_view->rect() && m_view->devicePixelRatioF() == 1.0) {
        const WId id = m_view->internalWinId();
        if (id && m_presenter->UseWindow(std::uint32_t(id), m_view->size()))
            window = std::uint32_t(id);
    }

    std::lock_guard lock(m_mutex);
    m_directWindow = window;
    m_directTarget = target;
    m_directArea = area.size();
    m_directGeneration = frame->generation;
    if (frame->serial != m_paintedSerial) {
        // A new clip, or the picture drawn at another size (the window resized).
        if ((frame->generation != m_paintedGeneration || target.size() != m_loggedSize) &&
            PlaybackLog::Enabled()) {
            m_loggedSize = target.size();
            PlaybackLog::Write(QStringLiteral("picture %1x%2 in %3x%4")
                                   .arg(target.width())
                                   .arg(target.height())
                                   .arg(area.width())
                                   .arg(area.height())
                                   .toLatin1());
        }
        m_paintedGeneration = frame->generation;
        m_paintedSerial = frame->serial;
        const qint64 now = NowNs();
        const qint64 delay = now - frame->shownNs;
        ++m_statistics.painted;
        m_statistics.lastPaintNs = now;
        m_statistics.showToPaintNs += delay;
        m_statistics.showToPaintMaxNs = std::max(m_statistics.showToPaintMaxNs, delay);
    }
    return frame->serial;
}

QRect CVideoFrameStore::DirtyRect(const QRect &area)
{
    std::lock_guard lock(m_mutex);
    // Same clip, same area: the new picture lands exactly where the last one was.
    if (m_ready && m_ready->generation == m_lastGeneration && area == m_lastArea &&
        !m_lastTarget.isEmpty())
        return m_lastTarget;
    return area;
}

QImage CVideoFrameStore::Snapshot()
{
    const std::shared_ptr<Frame> frame = takeNewest();
    const auto release = qScopeGuard([this] { releaseFront(); });
    if (!frame)
        return {};
    const QSize video = visibleSize(*frame);
    const CYuvPicture picture = pictureOf(*frame, video);
    QImage still;
    if (!m_stillScaler.Convert(picture, still, video, m_turned.load()))
        still = ConvertYuv420(picture, video, m_turned.load());
    return still;
}

bool CVideoFrameStore::HasPicture() const
{
    std::lock_guard lock(m_mutex);
    return m_ready || m_front || m_pending ||
           (m_converting && m_converting->generation == m_generation);
}

QSize CVideoFrameStore::PictureSize()
{
    const std::shared_ptr<Frame> frame = takeNewest();
    const auto release = qScopeGuard([this] { releaseFront(); });
    return frame ? visibleSize(*frame) : QSize();
}

CVideoFrameStore::Statistics CVideoFrameStore::GetStatistics() const
{
    std::lock_guard lock(m_mutex);
    return m_statistics;
}

#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

struct xcb_connection_t;

// Puts drawn pictures into a native X window straight from memory the X server shares with the
// player (MIT-SHM, memory passed by file descriptor). The toolkit's way copies every picture
// into the window's buffer on the user-interface thread first; this way the picture the
// converter made goes to the screen as it is, from whichever thread made it.
//
// Only where the window is a 24- or 32-bit true-colour window whose pixels are laid out as
// QImage::Format_RGB32, and the server takes shared memory by file descriptor. The presenter has
// an X connection of its own; all calls may come from any thread.
class CX11Presenter
{
public:
    // A presenter on the given X display (empty: $DISPLAY); null when there is no such display
    // or it cannot share memory.
    static std::shared_ptr<CX11Presenter> Connect(const QByteArray &displayName = {});
    // The one for this application when it shows its windows on X11 (made on first use), else
    // null. User-interface thread.
    static std::shared_ptr<CX11Presenter> ForApplication();

    ~CX11Presenter();
    CX11Presenter(const CX11Presenter &) = delete;
    CX11Presenter &operator=(const CX11Presenter &) = delete;

    // Whether pictures can go to `window`: it exists on this display, has the given size in
    // pixels and a suitable visual. Asks the server until it has found the window at that size,
    // then remembers the answer (until the window is forgotten).
    bool UseWindow(std::uint32_t window, QSize size);
    // Drops what is known about a window (before it is destroyed).
    void ForgetWindow(std::uint32_t window);

    // A picture of the given size whose memory the server reads from, rows bytesPerLine apart
    // (at least 4 x width); a null image when that fails. Once the server has refused shared
    // memory (a server on another machine, say), no more is asked for. The memory is given back
    // to the system and the server when the last copy of the image goes.
    QImage AllocatePicture(QSize size, qsizetype bytesPerLine);
    // How many shared pictures are alive.
    std::size_t SharedPictures() const;
    // Whether `image` is (the untouched memory of) a picture of this presenter.
    bool IsShared(const QImage &image) const;

    // Puts the whole of a shared picture at `at` in a window found usable, without waiting;
    // false when the window is not usable or the image is not shared.
    bool Put(const QImage &image, std::uint32_t window, QPoint at);
    // Waits until the server has read the picture put last (so that it can be written again).
    void WaitUntilRead(const QImage &image);
    // Waits until the server has carried out everything asked so far.
    void Sync();

private:
    struct Segment
    {
        std::uint32_t id = 0;
        std::size_t length = 0;
        unsigned pending = 0; // the sequence number to wait for after a put, 0 when none
    };
    struct Picture; // what a shared image's clean-up gets

    explicit CX11Presenter(xcb_connection_t *connection);
    static void Release(void *picture);
    void release(std::uint8_t *memory);
    enum class Check { Usable, Unusable, NotNow };
    Check checkWindow(std::uint32_t window, QSize size, std::uint8_t *depth);

    xcb_connection_t *m_connection;
    std::weak_ptr<CX11Presenter> m_self;
    mutable std::mutex m_mutex; // guards the rest
    std::map<const std::uint8_t *, Segment> m_segments;
    bool m_refused = false; // the server would not take shared memory
    struct Window
    {
        bool usable = false;
        std::uint32_t gc = 0;
        std::uint8_t depth = 0;
    };
    std::map<std::uint32_t, Window> m_windows;
};

#include "X11Presenter.h"

#include <QGuiApplication>

#include <sys/mman.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Frees an xcb reply or error when it goes out of scope.
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> Own(T *reply)
{
    return Reply<T>(reply, &std::free);
}

// The visual of the given id on any screen of the display, with its depth; null when unknown.
const xcb_visualtype_t *FindVisual(const xcb_setup_t *setup, xcb_visualid_t id, std::uint8_t *depth)
{
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                if (visuals.data->visual_id == id) {
                    *depth = depths.data->depth;
                    return visuals.data;
                }
            }
        }
    }
    return nullptr;
}

int BitsPerPixel(const xcb_setup_t *setup, std::uint8_t depth)
{
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
         xcb_format_next(&formats))
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel;
    return 0;
}

} // namespace

struct CX11Presenter::Picture
{
    std::shared_ptr<CX11Presenter> presenter;
    std::uint8_t *memory = nullptr;
};

CX11Presenter::CX11Presenter(xcb_connection_t *connection)
    : m_connection(connection)
{}

CX11Presenter::~CX11Presenter()
{
    // Every shared picture holds the presenter, so none is left by now.
    xcb_disconnect(m_connection);
}

std::shared_ptr<CX11Presenter> CX11Presenter::Connect(const QByteArray &displayName)
{
    xcb_connection_t *connection =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return {};
    }
    // Memory by file descriptor came with version 1.2 of the extension.
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
    Reply<xcb_shm_query_version_reply_t> version(nullptr, &std::free);
    if (shm && shm->present)
        version = Own(
            xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 2)) {
        xcb_disconnect(connection);
        return {};
    }
    std::shared_ptr<CX11Presenter> presenter(new CX11Presenter(connection));
    presenter->m_self = presenter;
    return presenter;
}

std::shared_ptr<CX11Presenter> CX11Presenter::ForApplication()
{
    static std::shared_ptr<CX11Presenter> presenter;
    static bool tried = false;
    if (!tried && qGuiApp) {
        tried = true;
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            presenter = Connect(qgetenv("DISPLAY"));
    }
    return presenter;
}

CX11Presenter::Check CX11Presenter::checkWindow(std::uint32_t window, QSize size,
                                                std::uint8_t *depth)
{
    const auto geometryCookie = xcb_get_geometry(m_connection, window);
    const auto attributesCookie = xcb_get_window_attributes(m_connection, window);
    const auto geometry = Own(xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
    const auto attributes =
        Own(xcb_get_window_attributes_reply(m_connection, attributesCookie, nullptr));
    // The toolkit's requests for the window (made, resized) may not have reached the server
    // yet: ask again next time.
    if (!geometry || !attributes || geometry->width != size.width() ||
        geometry->height != size.height())
        return Check::NotNow;
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    std::uint8_t visualDepth = 0;
    const xcb_visualtype_t *visual = FindVisual(setup, attributes->visual, &visualDepth);
    // Little-endian 32-bit pixels with 8 bits each of red, green and blue: the bytes of
    // QImage::Format_RGB32 as they lie in memory.
    const bool layout =
        visual && visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR && visual->red_mask == 0xff0000 &&
        visual->green_mask == 0xff00 && visual->blue_mask == 0xff &&
        (geometry->depth == 24 || geometry->depth == 32) && visualDepth == geometry->depth &&
        BitsPerPixel(setup, geometry->depth) == 32 &&
        setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    *depth = geometry->depth;
    return layout ? Check::Usable : Check::Unusable;
}

bool CX11Presenter::UseWindow(std::uint32_t window, QSize size)
{
    if (window == 0)
        return false;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(window);
        if (it != m_windows.end())
            return it->second.usable;
    }
    Window entry;
    const Check check = checkWindow(window, size, &entry.depth);
    if (check == Check::NotNow)
        return false;
    entry.usable = check == Check::Usable;
    if (entry.usable) {
        entry.gc = xcb_generate_id(m_connection);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(m_connection, entry.gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        xcb_flush(m_connection);
    }
    std::lock_guard lock(m_mutex);
    m_windows[window] = entry;
    return entry.usable;
}

void CX11Presenter::ForgetWindow(std::uint32_t window)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    if (it->second.gc) {
        xcb_free_gc(m_connection, it->second.gc);
        xcb_flush(m_connection);
    }
    m_windows.erase(it);
}

QImage CX11Presenter::AllocatePicture(QSize size, qsizetype bytesPerLine)
{
    if (size.isEmpty() || bytesPerLine < qsizetype(size.width()) * 4 || size.width() > 32767 ||
        size.height() > 32767)
        return {};
    {
        std::lock_guard lock(m_mutex);
        if (m_refused)
            return {};
    }
    const std::size_t length = std::size_t(bytesPerLine) * std::size_t(size.height());
    const int fd = memfd_create("rx9-picture", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    void *mapping = MAP_FAILED;
    if (ftruncate(fd, off_t(length)) == 0)
        mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (mapping == MAP_FAILED) {
        close(fd);
        return {};
    }
    const std::uint32_t id = xcb_generate_id(m_connection);
    // The connection closes the descriptor once it has passed it on.
    const auto error = Own(xcb_request_check(
        m_connection, xcb_shm_attach_fd_checked(m_connection, id, fd, /*read_only=*/1)));
    if (error) {
        munmap(mapping, length);
        std::lock_guard lock(m_mutex);
        m_refused = true;
        return {};
    }
    auto *memory = static_cast<std::uint8_t *>(mapping);
    {
        std::lock_guard lock(m_mutex);
        m_segments[memory] = Segment{id, length, 0};
    }
    auto *picture = new Picture{m_self.lock(), memory};
    return QImage(memory, size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
                  &CX11Presenter::Release, picture);
}

void CX11Presenter::Release(void *picture)
{
    std::unique_ptr<Picture> owned(static_cast<Picture *>(picture));
    owned->presenter->release(owned->memory);
}

void CX11Presenter::release(std::uint8_t *memory)
{
    Segment segment;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_segments.find(memory);
        if (it == m_segments.end())
            return;
        segment = it->second;
        m_segments.erase(it);
    }
    if (segment.pending)
        xcb_discard_reply(m_connection, segment.pending);
    // The server keeps its own mapping until it has carried out the detach.
    xcb_shm_detach(m_connection, segment.id);
    xcb_flush(m_connection);
    munmap(memory, segment.length);
}

std::size_t CX11Presenter::SharedPictures() const
{
    std::lock_guard lock(m_mutex);
    return m_segments.size();
}

bool CX11Presenter::IsShared(const QImage &image) const
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return false;
    std::lock_guard lock(m_mutex);
    const auto it = m_segments.find(image.constBits());
    return it != m_segments.end() &&
           std::size_t(image.bytesPerLine()) * std::size_t(image.height()) <= it->second.length;
}

bool CX11Presenter::Put(const QImage &image, std::uint32_t window, QPoint at)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_segments.find(image.constBits());
    const auto target = m_windows.find(window);
    if (target == m_windows.end() || !target->second.usable || it == m_segments.end() ||
        image.format() != QImage::Format_RGB32)
        return false;
    Segment &segment = it->second;
    if (segment.pending)
        xcb_discard_reply(m_connection, segment.pending);
    xcb_shm_put_image(m_connection, window, target->second.gc,
                      std::uint16_t(image.bytesPerLine() / 4), std::uint16_t(image.height()), 0, 0,
                      std::uint16_t(image.width()), std::uint16_t(image.height()),
                      std::int16_t(at.x()), std::int16_t(at.y()), target->second.depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id, 0);
    // Requests are carried out in order: when this one is answered, the picture has been read.
    segment.pending = xcb_get_input_focus(m_connection).sequence;
    xcb_flush(m_connection);
    // Nothing here asks for events; what arrives is errors, say for a window that went just
    // before a put. They are dropped rather than left to pile up.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
    return true;
}

void CX11Presenter::WaitUntilRead(const QImage &image)
{
    unsigned pending = 0;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_segments.find(image.constBits());
        if (it == m_segments.end())
            return;
        pending = it->second.pending;
        it->second.pending = 0;
    }
    if (pending)
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus_cookie_t{pending},
                                            nullptr));
}

void CX11Presenter::Sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

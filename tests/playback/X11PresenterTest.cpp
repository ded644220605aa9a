// Pictures put straight into X windows from shared memory, checked by reading back what the X
// server shows. These run on X11 only (ctest runs them under Xvfb); elsewhere they skip.

#include "X11Presenter.h"
#include "VideoFrames.h"
#include "VideoView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The test's own connection to the display: windows to put pictures into, and what they show.
struct XDisplay
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;

    ~XDisplay() { xcb_disconnect(connection); }

    // A black window of the given size, mapped at (x, y) (no window manager involved), once it
    // is on the screen.
    std::uint32_t MakeWindow(int x, int y, int width, int height)
    {
        const std::uint32_t id = xcb_generate_id(connection);
        const std::uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, screen->root, std::int16_t(x),
                          std::int16_t(y), std::uint16_t(width), std::uint16_t(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(connection, id);
        for (int i = 0; i < 500; ++i) {
            auto *attributes = xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, id), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (viewable)
                break;
            QTest::qWait(10);
        }
        return id;
    }

    // The colour the window shows at (x, y).
    QRgb Pixel(std::uint32_t window, int x, int y)
    {
        auto *image =
            xcb_get_image_reply(connection,
                                xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                              std::int16_t(x), std::int16_t(y), 1, 1, ~0u),
                                nullptr);
        QRgb pixel = 0;
        if (image && xcb_get_image_data_length(image) >= 4)
            std::memcpy(&pixel, xcb_get_image_data(image), 4);
        std::free(image);
        return pixel | 0xff000000u;
    }
};

} // namespace

TEST(X11PresenterOnX11, PutsSharedPicturesWhereAskedAndOnlyThose)
{
    if (!OnX11())
        GTEST_SKIP() << "not on X11";
    const auto presenter = CX11Presenter::Connect();
    ASSERT_TRUE(presenter);
    XDisplay display;
    const std::uint32_t window = display.MakeWindow(0, 0, 64, 48);
    const std::uint32_t other = display.MakeWindow(100, 100, 32, 32);
    EXPECT_FALSE(presenter->UseWindow(other, QSize(10, 10)));       // not the size it has
    EXPECT_FALSE(presenter->UseWindow(0x7ffffff0u, QSize(64, 48))); // no such window
    ASSERT_TRUE(presenter->UseWindow(window, QSize(64, 48)));

    // Rows wider than the picture, as the converter makes them.
    QImage picture = presenter->AllocatePicture(QSize(20, 10), 32 * 4);
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(presenter->IsShared(picture));
    {
        QPainter painter(&picture);
        painter.fillRect(0, 0, 10, 10, QColor(255, 0, 0));
        painter.fillRect(10, 0, 10, 10, QColor(0, 0, 255));
    }
    ASSERT_TRUE(presenter->IsShared(picture)); // painted in place
    ASSERT_TRUE(presenter->Put(picture, window, QPoint(5, 3)));
    presenter->Sync();
    EXPECT_EQ(display.Pixel(window, 5, 3), qRgb(255, 0, 0));
    EXPECT_EQ(display.Pixel(window, 14, 12), qRgb(255, 0, 0));
    EXPECT_EQ(display.Pixel(window, 15, 3), qRgb(0, 0, 255));
    EXPECT_EQ(display.Pixel(window, 24, 12), qRgb(0, 0, 255));
    EXPECT_EQ(display.Pixel(window, 4, 3), qRgb(0, 0, 0));   // left of it
    EXPECT_EQ(display.Pixel(window, 25, 12), qRgb(0, 0, 0)); // right of it: the row's padding
    EXPECT_EQ(display.Pixel(window, 5, 13), qRgb(0, 0, 0));  // below it

    // Written again once read, and put again elsewhere.
    presenter->WaitUntilRead(picture);
    picture.fill(QColor(0, 255, 0));
    ASSERT_TRUE(presenter->Put(picture, window, QPoint(40, 30)));
    presenter->Sync();
    EXPECT_EQ(display.Pixel(window, 40, 30), qRgb(0, 255, 0));
    EXPECT_EQ(display.Pixel(window, 5, 3), qRgb(255, 0, 0)); // the first one stays

    // Not put: an image of the process's own memory, a copy that went its own way, a window
    // never checked or found unusable.
    QImage own(20, 10, QImage::Format_RGB32);
    own.fill(Qt::white);
    EXPECT_FALSE(presenter->IsShared(own));
    EXPECT_FALSE(presenter->Put(own, window, QPoint(0, 0)));
    QImage copy = picture;
    copy.setPixel(0, 0, qRgb(1, 2, 3)); // detaches from the shared memory
    EXPECT_FALSE(presenter->IsShared(copy));
    EXPECT_FALSE(presenter->Put(copy, window, QPoint(0, 0)));
    EXPECT_FALSE(presenter->Put(picture, other, QPoint(0, 0)));
    // A window asked about before it had the size the toolkit gave it is asked about again.
    EXPECT_TRUE(presenter->UseWindow(other, QSize(32, 32)));
    presenter->ForgetWindow(window);
    EXPECT_FALSE(presenter->Put(picture, window, QPoint(0, 0)));
    presenter->Sync();
    EXPECT_EQ(display.Pixel(window, 0, 0), qRgb(0, 0, 0));

    // The last copy going gives the memory back; the connection stays sound.
    picture = QImage();
    copy = QImage();
    presenter->Sync();
    EXPECT_EQ(presenter->SharedPictures(), 0u);
}

// The player's video view on X11: once it has drawn a clip's picture, the next pictures go
// from the converter straight into its window, without the view painting; closing the clip
// still leaves the window black.
TEST(DirectToWindowOnX11, NextPicturesGoStraightToTheViewsWindow)
{
    if (!OnX11())
        GTEST_SKIP() << "not on X11";
    auto store = std::make_shared<CVideoFrameStore>();
    store->SetExpectedSize(QSize(64, 48));
    char chroma[5] = "I420";
    unsigned width = 64, height = 48, pitches[3] = {}, lines[3] = {};
    ASSERT_GT(store->Format(chroma, &width, &height, pitches, lines), 0u);
    const auto show = [&](int luma) {
        void *planes[3] = {};
        void *id = store->Lock(planes);
        ASSERT_NE(id, nullptr);
        std::memset(planes[0], luma, std::size_t(pitches[0]) * lines[0]);
        for (int p = 1; p < 3; ++p)
            std::memset(planes[p], 128, std::size_t(pitches[p]) * lines[p]);
        store->Display(id);
    };

    CVideoView view;
    view.resize(64, 48);
    view.SetFrameSource(store);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    XDisplay display;
    const auto window = std::uint32_t(view.winId());
    const auto grey = [&] { return qRed(display.Pixel(window, 32, 24)); };

    show(200); // video range: 200 is a light grey, (200 - 16) * 255 / 219 = 214
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.PaintedFrames() == 1; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(grey() - 214) <= 2; }, 10000)) << grey();

    show(60); // a dark grey: 51
    EXPECT_TRUE(QTest::qWaitFor([&] { return store->GetStatistics().painted == 2; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(grey() - 51) <= 2; }, 10000)) << grey();
    EXPECT_EQ(view.PaintedFrames(), 1u); // the view itself did not paint it

    // Covered and uncovered (as by a dialog) while no new picture comes, as when paused: the
    // window shows the newest picture again, not the older one the toolkit's buffer holds.
    const QPoint at = view.mapToGlobal(QPoint(0, 0));
    const std::uint32_t cover = display.MakeWindow(at.x(), at.y(), 64, 48);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grey() == 0; }, 10000)) << grey();
    xcb_destroy_window(display.connection, cover);
    xcb_flush(display.connection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(grey() - 51) <= 2; }, 10000)) << grey();
    QTest::qWait(200);
    EXPECT_LE(std::abs(grey() - 51), 2);

    store->Cleanup();
    EXPECT_TRUE(QTest::qWaitFor([&] { return grey() == 0; }, 10000)) << grey();
    view.SetFrameSource(nullptr);
}

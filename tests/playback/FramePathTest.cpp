// The frame path with real clips played by libvlc into a real video window: colours and place
// of the picture across scaling, rotation and odd sizes, after a seek, after a change of clip
// size, and nothing drawn once the clip is closed.

#include "FrameConvert.h"
#include "PlayWnd.h"
#include "TestSupport.h"
#include "VideoFrames.h"
#include "VideoView.h"
#include "VlcPlayer.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A clip with a green band over the top quarter, red below it on the left half and blue on the
// right half: where each colour lands shows scaling, placement and turning.
bool MakeBandClip(const QString &path, QSize size, const QString &codec, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  // The colour source rounds odd sides down to even ones: the final scaling
                  // gives the clip the size asked for.
                  QStringLiteral("color=c=red:s=%1x%2:r=25,"
                                 "drawbox=x=iw/2:y=0:w=iw/2:h=ih:color=blue:t=fill,"
                                 "drawbox=x=0:y=0:w=iw:h=ih/4:color=lime:t=fill,scale=%1:%2")
                      .arg(size.width())
                      .arg(size.height()),
                  QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"), codec,
                  QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0 && QFileInfo(path).size() > 0;
}

enum class Hue { Red, Green, Blue, Black, Other };

Hue HueOf(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (r < 30 && g < 30 && b < 30)
        return Hue::Black;
    if (r > 200 && g < 60 && b < 60)
        return Hue::Red;
    if (g > 200 && r < 60 && b < 60)
        return Hue::Green;
    if (b > 200 && r < 60 && g < 60)
        return Hue::Blue;
    return Hue::Other;
}

// The colour at a point given in fractions of a rectangle.
Hue HueAt(const QImage &image, const QRect &rect, double fx, double fy)
{
    const int x = rect.left() + int(fx * rect.width());
    const int y = rect.top() + int(fy * rect.height());
    return HueOf(image.pixel(x, y));
}

// Whether `shown` (the video view's picture) has the band clip's picture in `picture`, upright
// or turned, and black around it.
::testing::AssertionResult ShowsBands(const QImage &shown, const QRect &picture, bool turned)
{
    const double top = turned ? 0.9 : 0.1;
    const double band = turned ? 0.3 : 0.7;
    const Hue left = turned ? Hue::Blue : Hue::Red;
    const Hue right = turned ? Hue::Red : Hue::Blue;
    if (HueAt(shown, picture, 0.5, top) != Hue::Green)
        return ::testing::AssertionFailure() << "no green band at " << top;
    if (HueAt(shown, picture, 0.25, band) != left || HueAt(shown, picture, 0.75, band) != right)
        return ::testing::AssertionFailure() << "halves wrong at " << band;
    // The picture fills its rectangle to the edges (a pixel in from each).
    if (HueAt(shown, picture.adjusted(1, 1, -1, -1), 0.0, 0.5) == Hue::Black ||
        HueAt(shown, picture.adjusted(1, 1, -1, -1), 0.999, 0.5) == Hue::Black)
        return ::testing::AssertionFailure() << "picture narrower than " << picture.width();
    if (picture.left() > 1 &&
        HueOf(shown.pixel(picture.left() - 2, picture.center().y())) != Hue::Black)
        return ::testing::AssertionFailure() << "no black band on the left";
    if (picture.top() > 1 &&
        HueOf(shown.pixel(picture.center().x(), picture.top() - 2)) != Hue::Black)
        return ::testing::AssertionFailure() << "no black band on the top";
    return ::testing::AssertionSuccess();
}

class FramePathTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        s_hd = s_dir->filePath(QStringLiteral("rec_20110523_142233.avi"));
        s_wide = s_dir->filePath(QStringLiteral("rec_20110523_142333.avi"));
        s_odd = s_dir->filePath(QStringLiteral("rec_20110523_142433.avi"));
        s_ready = MakeBandClip(s_hd, QSize(1280, 720), QStringLiteral("libx264"), 4) &&
                  MakeBandClip(s_wide, QSize(800, 480), QStringLiteral("libx264"), 3) &&
                  MakeBandClip(s_odd, QSize(321, 241), QStringLiteral("ffv1"), 3);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "ffmpeg could not make the test clips";
        m_window.resize(640, 400);
        m_window.show();
        m_player = std::make_unique<CVlcPlayer>(QStringList{QStringLiteral("--aout=dummy")});
        ASSERT_TRUE(m_player->IsReady());
        m_player->AttachView(m_window.VideoChild());
    }
    void TearDown() override
    {
        m_player->Stop();
        m_player->CloseMedia();
        m_player.reset();
    }

    // Opens and plays a clip as the main window does, and waits for a few painted pictures.
    void Play(const QString &clip)
    {
        ASSERT_TRUE(m_player->OpenMedia(clip));
        int width = 0, height = 0;
        m_player->ReadVideoSize(width, height);
        m_window.SetVideoSize(width, height);
        ASSERT_TRUE(m_player->Play());
        const quint64 before = View()->PaintedFrames();
        ASSERT_TRUE(WaitUntil([&] { return View()->PaintedFrames() >= before + 3; }));
    }

    CVideoView *View() const { return m_window.VideoChild(); }
    QImage Shown() const { return View()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRect PictureRect(QSize clip) const { return FitVideoRect(View()->size(), clip); }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static QString s_hd, s_wide, s_odd;
    static bool s_ready;
    CPlayWnd m_window;
    std::unique_ptr<CVlcPlayer> m_player;
};

std::unique_ptr<QTemporaryDir> FramePathTest::s_dir;
QString FramePathTest::s_hd, FramePathTest::s_wide, FramePathTest::s_odd;
bool FramePathTest::s_ready = false;

} // namespace

TEST_F(FramePathTest, ColoursAndPlaceAcrossSizesAndRotation)
{
    const struct
    {
        QString *clip;
        QSize size;
    } clips[] = {{&s_hd, QSize(1280, 720)}, {&s_wide, QSize(800, 480)}, {&s_odd, QSize(321, 241)}};
    for (const auto &c : clips) {
        SCOPED_TRACE(c.size.width());
        Play(*c.clip);
        const QSize delivered = c.size; // odd sides included
        const QRect picture = PictureRect(delivered);
        // Scaled down to fit the 640 x 400 window, or at its own size and centred.
        if (c.size.width() <= 640 && c.size.height() <= 400) {
            EXPECT_EQ(View()->size(), delivered);
        }
        EXPECT_TRUE(WaitUntil([&] { return ShowsBands(Shown(), picture, false); }));
        ASSERT_TRUE(m_player->RotateOn());
        EXPECT_TRUE(WaitUntil([&] { return ShowsBands(Shown(), picture, true); }));
        // Stills keep the video's own size and the turn.
        const QImage still = m_player->Frames().Snapshot();
        ASSERT_EQ(still.size(), delivered);
        EXPECT_TRUE(ShowsBands(still, still.rect(), true));
        ASSERT_TRUE(m_player->RotateOff());
        EXPECT_TRUE(WaitUntil([&] { return ShowsBands(Shown(), picture, false); }));
        EXPECT_TRUE(ShowsBands(m_player->Frames().Snapshot(), QRect(QPoint(), delivered), false));
        m_player->Stop();
        m_player->CloseMedia();
    }
}

TEST_F(FramePathTest, PlayingIsConvertedOffTheInterfaceThread)
{
    Play(s_hd);
    const auto start = m_player->Frames().GetStatistics();
    ASSERT_TRUE(WaitUntil([&] { return View()->PaintedFrames() >= 30; }));
    const auto stats = m_player->Frames().GetStatistics();
    EXPECT_GE(stats.converted - start.converted, 20u);
    // The view converts only when the ready picture does not fit (its first one, a resize).
    EXPECT_LE(stats.convertedForView - start.convertedForView, 2u);
    // A new size: the view converts once, then the converter takes over at the new size.
    m_window.resize(500, 300);
    const quint64 before = View()->PaintedFrames();
    ASSERT_TRUE(WaitUntil([&] { return View()->PaintedFrames() >= before + 10; }));
    EXPECT_TRUE(ShowsBands(Shown(), PictureRect(QSize(1280, 720)), false));
    const auto after = m_player->Frames().GetStatistics();
    EXPECT_GE(after.converted - stats.converted, 5u);
    EXPECT_LE(after.convertedForView - stats.convertedForView, 3u);
}

TEST_F(FramePathTest, PicturesGoOnAfterASeek)
{
    Play(s_hd);
    ASSERT_TRUE(m_player->SeekTo(2500));
    ASSERT_TRUE(WaitUntil([&] { return m_player->GetTime() >= 2500; }));
    const quint64 before = View()->PaintedFrames();
    ASSERT_TRUE(WaitUntil([&] { return View()->PaintedFrames() >= before + 5; }));
    EXPECT_TRUE(ShowsBands(Shown(), PictureRect(QSize(1280, 720)), false));
}

TEST_F(FramePathTest, ClipOfAnotherSizeIsDrawnAtItsOwnGeometry)
{
    Play(s_hd);
    m_player->Stop();
    m_player->CloseMedia();
    Play(s_wide);
    EXPECT_EQ(m_player->Frames().PictureSize(), QSize(800, 480));
    EXPECT_TRUE(
        WaitUntil([&] { return ShowsBands(Shown(), PictureRect(QSize(800, 480)), false); }));
    m_player->Stop();
    m_player->CloseMedia();
    // And back to a smaller one, shown at its own size and centred.
    Play(s_odd);
    EXPECT_EQ(m_player->Frames().Snapshot().size(), QSize(321, 241));
    EXPECT_TRUE(
        WaitUntil([&] { return ShowsBands(Shown(), PictureRect(QSize(321, 241)), false); }));
}

TEST_F(FramePathTest, NothingIsDrawnAfterClose)
{
    Play(s_wide);
    m_player->Stop();
    m_player->CloseMedia();
    ASSERT_TRUE(WaitUntil([&] { return !m_player->Frames().HasPicture(); }));
    const quint64 painted = View()->PaintedFrames();
    const QImage shown = Shown();
    EXPECT_EQ(HueOf(shown.pixel(shown.width() / 2, shown.height() / 2)), Hue::Black);
    EXPECT_EQ(HueOf(shown.pixel(10, shown.height() / 2)), Hue::Black);
    View()->repaint();
    EXPECT_EQ(View()->PaintedFrames(), painted);
}

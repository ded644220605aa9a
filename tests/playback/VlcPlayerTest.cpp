// The engine wrapper against real clips played by libvlc: notifications, seeking, the guards of
// an open clip, stills, rotation and the pictures that reach the video view.

#include "VlcPlayer.h"
#include "PlayWnd.h"
#include "TestClip.h"
#include "TestSupport.h"
#include "VideoFrames.h"
#include "VideoView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

// Collects the wrapper's reports on the test's thread.
class CReceiver : public QObject
{
public:
    QList<qint64> times;
    int ends = 0;
    QList<quint64> generations;

    CVlcPlayer::EventSink Sink()
    {
        return [this](EngineEvent event, qint64 timeMs, quint64 generation) {
            QMetaObject::invokeMethod(
                this,
                [this, event, timeMs, generation] {
                    generations << generation;
                    if (event == EngineEvent::TimeChanged)
                        times << timeMs;
                    else
                        ++ends;
                },
                Qt::QueuedConnection);
        };
    }
};

class VlcPlayerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        s_clip = s_dir->filePath(QStringLiteral("rec_20110523_142233.avi"));
        s_ready = MakeTestClip(s_clip, QStringLiteral("testsrc2=size=320x240:rate=25"), 3);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "ffmpeg could not make the test clip";
        m_player = std::make_unique<CVlcPlayer>(QStringList{QStringLiteral("--aout=dummy")});
        ASSERT_TRUE(m_player->IsReady());
        m_player->SetEventSink(m_receiver.Sink());
    }
    void TearDown() override
    {
        if (m_player) {
            m_player->Stop();
            m_player->CloseMedia();
        }
        m_player.reset();
    }

    // Opens and starts the clip, and waits until the engine reports a length and a time.
    void PlayUntilRunning(const QString &path = s_clip)
    {
        ASSERT_TRUE(m_player->OpenMedia(path));
        ASSERT_TRUE(m_player->Play());
        ASSERT_TRUE(WaitUntil([&] { return !m_receiver.times.isEmpty() || m_receiver.ends; }));
        ASSERT_TRUE(WaitUntil([&] { return m_player->GetLength() > 0; }));
    }

    // Handles every report posted so far: they are ahead of a marker posted now.
    void Drain()
    {
        bool marked = false;
        QMetaObject::invokeMethod(
            &m_receiver, [&] { marked = true; }, Qt::QueuedConnection);
        ASSERT_TRUE(WaitUntil([&] { return marked; }));
    }

    void PauseAndSettle()
    {
        ASSERT_TRUE(m_player->SetPause(true));
        ASSERT_TRUE(WaitUntil([&] { return !m_player->IsPlaying(); }));
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static QString s_clip;
    static bool s_ready;
    CReceiver m_receiver;
    std::unique_ptr<CVlcPlayer> m_player;
};

std::unique_ptr<QTemporaryDir> VlcPlayerTest::s_dir;
QString VlcPlayerTest::s_clip;
bool VlcPlayerTest::s_ready = false;

} // namespace

TEST(VlcPlayerSetup, StartArgumentsAndPaths)
{
    EXPECT_EQ(CVlcPlayer::StartArguments(),
              (QStringList{"-I", "--ignore-config", "--plugin-path=plugins", "--file-caching=100",
                           "--no-video-title-show"}));
    const QString korean = QStringLiteral("/카드/녹화 영상/rec_1.avi");
    EXPECT_EQ(CVlcPlayer::ToUtf8(korean), korean.toUtf8());
    EXPECT_EQ(QString::fromUtf8(CVlcPlayer::ToUtf8(korean)), korean);
    // No "plugins" folder beside the test program: the system's plug-ins serve.
    EXPECT_TRUE(CVlcPlayer::PluginFolder().isEmpty());
}

TEST(VlcPlayerSetup, DecoderPluginIsLookedForWhereTheEngineLooks)
{
    EXPECT_EQ(CVlcPlayer::PlatformArguments(), QStringList{"--text-renderer=none"});
    EXPECT_EQ(CVlcPlayer::DecoderPluginCandidates("/opt/a:/opt/b/::/opt/a/", "/app/plugins",
                                                  "/usr/lib/x86_64-linux-gnu/libvlc.so.5"),
              (QStringList{"/opt/a/codec/libavcodec_plugin.so", "/opt/b/codec/libavcodec_plugin.so",
                           "/app/plugins/codec/libavcodec_plugin.so",
                           "/usr/lib/x86_64-linux-gnu/vlc/plugins/codec/libavcodec_plugin.so"}));
    EXPECT_TRUE(CVlcPlayer::DecoderPluginCandidates({}, {}, {}).isEmpty());
}

// The decoder loaded ahead is the very file the engine decodes with: one copy of it in the
// process after a clip has played.
TEST_F(VlcPlayerTest, WarmUpLoadsTheEnginesOwnDecoder)
{
    const QString loaded = CVlcPlayer::WarmUp().get();
    ASSERT_FALSE(loaded.isEmpty());
    EXPECT_EQ(CVlcPlayer::WarmUp().get(), loaded); // once per process
    void *handle = dlopen(QFile::encodeName(loaded).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    dlclose(handle);

    PlayUntilRunning();
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    QSet<QString> decoders;
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.endsWith("/libavcodec_plugin.so"))
            decoders.insert(QString::fromLocal8Bit(line.mid(line.indexOf('/'))));
    EXPECT_EQ(decoders, QSet<QString>{QFileInfo(loaded).canonicalFilePath()});
}

TEST_F(VlcPlayerTest, EveryClipOperationNeedsAnOpenClip)
{
    EXPECT_FALSE(m_player->HasMedia());
    EXPECT_FALSE(m_player->Play());
    EXPECT_FALSE(m_player->SeekTo(0));
    EXPECT_FALSE(m_player->SeekBy(10));
    int width = 11, height = 22;
    EXPECT_FALSE(m_player->ReadVideoSize(width, height));
    EXPECT_EQ(width, 11);
    EXPECT_EQ(height, 22);
    EXPECT_FALSE(m_player->TakeSnapshot(s_dir->filePath(QStringLiteral("none.png"))));
    EXPECT_FALSE(QFile::exists(s_dir->filePath(QStringLiteral("none.png"))));
    EXPECT_FALSE(m_player->RotateOn());
    EXPECT_FALSE(m_player->RotateOff());
    EXPECT_FALSE(m_player->ApplyContrast(1.4f));
    EXPECT_FALSE(m_player->ApplyBrightness(1.4f));
    EXPECT_FALSE(m_player->SetRate(2.0f));
    EXPECT_FALSE(m_player->SetPause(true));
    EXPECT_EQ(m_player->GetLength(), -1);
    m_player->CloseMedia(); // nothing to close: harmless
}

TEST_F(VlcPlayerTest, OpenTwiceIsRefusedAndTheFirstClipStays)
{
    ASSERT_TRUE(m_player->OpenMedia(s_clip));
    const QString other = s_dir->filePath(QStringLiteral("other.avi"));
    ASSERT_TRUE(QFile::copy(s_clip, other));
    EXPECT_FALSE(m_player->OpenMedia(other));
    EXPECT_TRUE(m_player->HasMedia());
    EXPECT_EQ(m_player->Path(), s_clip);
    m_player->CloseMedia();
    EXPECT_FALSE(m_player->HasMedia());
    EXPECT_EQ(m_player->Path(), s_clip); // closing keeps the path
    EXPECT_TRUE(m_player->OpenMedia(other));
}

TEST_F(VlcPlayerTest, MissingOrUnreadableClipsAreNotOpened)
{
    EXPECT_FALSE(m_player->OpenMedia(s_dir->filePath(QStringLiteral("gone.avi"))));
    EXPECT_FALSE(m_player->HasMedia());
    EXPECT_FALSE(m_player->OpenMedia(s_dir->path()));
    EXPECT_FALSE(m_player->OpenMedia(QString()));
    EXPECT_FALSE(m_player->HasMedia());
}

TEST_F(VlcPlayerTest, PlaysToTheEndWithTimeAndEndNotifications)
{
    PlayUntilRunning();
    const qint64 length = m_player->GetLength();
    EXPECT_NEAR(length, 3000, 150);
    ASSERT_TRUE(WaitUntil([&] { return m_receiver.ends > 0; }));
    EXPECT_EQ(m_receiver.ends, 1);
    ASSERT_FALSE(m_receiver.times.isEmpty());
    // Every report names the open clip's generation.
    EXPECT_EQ(QSet<quint64>(m_receiver.generations.begin(), m_receiver.generations.end()),
              QSet<quint64>{m_player->Generation()});
    for (int i = 1; i < m_receiver.times.size(); ++i)
        EXPECT_GE(m_receiver.times[i], m_receiver.times[i - 1]);
    EXPECT_GE(m_receiver.times.last(), 1000);
    // The engine may report the time of a frame that ends just past the length it gave
    // (e.g. 3025 on a 3000 ms clip): allow one frame's worth beyond it.
    EXPECT_LE(m_receiver.times.last(), length + 100);
    EXPECT_GE(m_receiver.times.first(), 0);
}

TEST_F(VlcPlayerTest, ClosedClipPostsNoMoreNotifications)
{
    PlayUntilRunning();
    const quint64 open = m_player->Generation();
    m_player->Stop();
    m_player->CloseMedia();
    EXPECT_NE(m_player->Generation(), open);
    // Closing waits for a running report; what was posted before it is ahead of this marker.
    bool marked = false;
    QMetaObject::invokeMethod(
        &m_receiver, [&] { marked = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(WaitUntil([&] { return marked; }));
    const qsizetype seen = m_receiver.generations.size();
    const int ends = m_receiver.ends;

    // The clip opened and played again to its end: every report since the marker is of the new
    // opening, and there is one end.
    ASSERT_TRUE(m_player->OpenMedia(s_clip));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitUntil([&] { return m_receiver.ends > ends; }));
    ASSERT_GT(m_receiver.generations.size(), seen + 1);
    for (qsizetype i = seen; i < m_receiver.generations.size(); ++i)
        EXPECT_EQ(m_receiver.generations[i], m_player->Generation()) << i;
    EXPECT_EQ(m_receiver.ends, ends + 1);
}

TEST_F(VlcPlayerTest, SeekToAcceptsTheLengthAndRefusesBeyondIt)
{
    PlayUntilRunning();
    PauseAndSettle();
    const qint64 length = m_player->GetLength();
    ASSERT_TRUE(m_player->SeekTo(1000));
    ASSERT_TRUE(WaitUntil([&] { return std::abs(m_player->GetTime() - 1000) < 100; }));
    EXPECT_FALSE(m_player->SeekTo(length + 1));
    // The engine takes its requests in order and reports no time while paused: the first report
    // after playing on shows where the clip stood, which a seek past the end would have ended.
    Drain();
    const qsizetype seen = m_receiver.times.size();
    ASSERT_TRUE(m_player->SetPause(false));
    ASSERT_TRUE(WaitUntil([&] { return m_receiver.times.size() > seen || m_receiver.ends; }));
    EXPECT_EQ(m_receiver.ends, 0);
    ASSERT_GT(m_receiver.times.size(), seen);
    EXPECT_GE(m_receiver.times[seen], 800);
    EXPECT_LT(m_receiver.times[seen], 2000);
    PauseAndSettle();
    EXPECT_TRUE(m_player->SeekTo(-5)); // passed on to the engine
    EXPECT_TRUE(m_player->SeekTo(length));
}

TEST_F(VlcPlayerTest, SeekByClampsToTheClip)
{
    PlayUntilRunning();
    PauseAndSettle();
    const qint64 length = m_player->GetLength();
    ASSERT_TRUE(m_player->SeekTo(1500));
    ASSERT_TRUE(WaitUntil([&] { return std::abs(m_player->GetTime() - 1500) < 100; }));
    ASSERT_TRUE(m_player->SeekBy(-10));
    ASSERT_TRUE(WaitUntil([&] { return m_player->GetTime() < 100; }));
    EXPECT_GE(m_player->GetTime(), 0);
    ASSERT_TRUE(m_player->SeekBy(10));
    // At the length the clip ends; the time never goes past it.
    ASSERT_TRUE(WaitUntil([&] { return m_player->GetTime() > length - 500 || m_receiver.ends; }));
    EXPECT_LE(m_player->GetTime(), length);
}

TEST_F(VlcPlayerTest, PlayOfAVanishedClipFailsAndClosesIt)
{
    const QString doomed = s_dir->filePath(QStringLiteral("doomed.avi"));
    ASSERT_TRUE(QFile::copy(s_clip, doomed));
    ASSERT_TRUE(m_player->OpenMedia(doomed));
    ASSERT_TRUE(QFile::remove(doomed));
    EXPECT_FALSE(m_player->Play());
    EXPECT_FALSE(m_player->HasMedia());
    m_player->CloseMedia(); // already closed: nothing happens
    EXPECT_FALSE(m_player->HasMedia());
    EXPECT_TRUE(m_player->OpenMedia(s_clip));
    EXPECT_TRUE(m_player->Play());
}

TEST_F(VlcPlayerTest, ReadsTheVideoSizeFromTheClip)
{
    ASSERT_TRUE(m_player->OpenMedia(s_clip));
    int width = 0, height = 0;
    EXPECT_TRUE(m_player->ReadVideoSize(width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
}

TEST_F(VlcPlayerTest, SnapshotIsAPngOfTheVideoSizeAndLeavesNothingBehind)
{
    PlayUntilRunning();
    ASSERT_TRUE(WaitUntil([&] { return m_player->Frames().HasPicture(); }));
    PauseAndSettle();
    const QStringList currentBefore = QDir::current().entryList(QDir::Files);
    const QString folder = s_dir->filePath(QStringLiteral("Desktop/HD-VANTORA/Capture"));
    const QString target = folder + QStringLiteral("/20110523_142233_0.5.png");
    ASSERT_TRUE(m_player->TakeSnapshot(target));

    QImageReader reader(target);
    EXPECT_EQ(reader.format(), "png");
    const QImage still = reader.read();
    ASSERT_FALSE(still.isNull());
    EXPECT_EQ(still.size(), QSize(320, 240));
    QSet<QRgb> colours;
    for (int y = 0; y < still.height(); y += 7)
        for (int x = 0; x < still.width(); x += 7)
            colours.insert(still.pixel(x, y));
    EXPECT_GT(colours.size(), 10); // a real picture, not a blank
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("20110523_142233_0.5.png")});
    EXPECT_EQ(QDir::current().entryList(QDir::Files), currentBefore);
    EXPECT_FALSE(QFile::exists(QStringLiteral("a.bmp")));

    // Taken again: the earlier file is replaced.
    EXPECT_TRUE(m_player->TakeSnapshot(target));
    EXPECT_EQ(QImage(target).size(), QSize(320, 240));
}

TEST_F(VlcPlayerTest, SnapshotReportsFailureWhenNothingCanBeWritten)
{
    PlayUntilRunning();
    ASSERT_TRUE(WaitUntil([&] { return m_player->Frames().HasPicture(); }));
    // A folder that cannot be made: a file of that name is in the way.
    const QString blocker = s_dir->filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(m_player->TakeSnapshot(blocker + QStringLiteral("/Capture/still.png")));
    EXPECT_FALSE(QFile::exists(blocker + QStringLiteral("/Capture/still.png")));

    if (geteuid() != 0) { // root writes anywhere
        const QString locked = s_dir->filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(m_player->TakeSnapshot(locked + QStringLiteral("/still.png")));
        EXPECT_FALSE(QFile::exists(locked + QStringLiteral("/still.png")));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
}

TEST_F(VlcPlayerTest, RotationIsKeptAcrossCallsAndStillsKeepTheirSize)
{
    PlayUntilRunning();
    ASSERT_TRUE(WaitUntil([&] { return m_player->Frames().HasPicture(); }));
    ASSERT_TRUE(m_player->RotateOn());
    EXPECT_TRUE(m_player->IsRotated());
    const QString turned = s_dir->filePath(QStringLiteral("turned.png"));
    ASSERT_TRUE(m_player->TakeSnapshot(turned));
    EXPECT_EQ(QImage(turned).size(), QSize(320, 240));
    ASSERT_TRUE(m_player->RotateOff());
    EXPECT_FALSE(m_player->IsRotated());
    // The turn itself is checked picture by picture in the frame store's tests.
}

TEST_F(VlcPlayerTest, PicturesReachTheVideoView)
{
    CPlayWnd window;
    window.resize(400, 300);
    window.show();
    m_player->AttachView(window.VideoChild());
    ASSERT_TRUE(m_player->OpenMedia(s_clip));
    int width = 0, height = 0;
    m_player->ReadVideoSize(width, height);
    window.SetVideoSize(width, height);
    EXPECT_EQ(window.VideoChild()->geometry(), QRect(40, 30, 320, 240));
    ASSERT_TRUE(m_player->Play());
    CVideoView *view = window.VideoChild();
    ASSERT_TRUE(WaitUntil([&] { return view->PaintedFrames() >= 5; }));
    PauseAndSettle();
    const QImage shown = view->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < shown.height(); y += 5)
        for (int x = 0; x < shown.width(); x += 5)
            colours.insert(shown.pixel(x, y));
    EXPECT_GT(colours.size(), 10);
    // Detaching the view leaves it black and the engine running.
    m_player->AttachView(nullptr);
    const QImage black = view->grab().toImage();
    EXPECT_EQ(black.pixel(160, 120), qRgb(0, 0, 0));
}

TEST_F(VlcPlayerTest, ClipInAKoreanFolderPlays)
{
    const QString folder = s_dir->filePath(QStringLiteral("블랙박스 녹화"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString clip = folder + QStringLiteral("/evt_20110523_142233_충격.avi");
    ASSERT_TRUE(QFile::copy(s_clip, clip));
    PlayUntilRunning(clip);
    EXPECT_TRUE(WaitUntil([&] { return m_player->Frames().HasPicture(); }));
    EXPECT_EQ(m_player->Frames().PictureSize(), QSize(320, 240));
}

TEST_F(VlcPlayerTest, RateVolumeAndPictureCallsWorkOnAnOpenClip)
{
    PlayUntilRunning();
    EXPECT_TRUE(m_player->SetRate(2.0f));
    EXPECT_TRUE(m_player->SetMute(false));
    EXPECT_TRUE(m_player->SetVolume(40));
    EXPECT_TRUE(m_player->ApplyBrightness(1.4f));
    EXPECT_TRUE(m_player->ApplyContrast(1.4f));
    EXPECT_TRUE(m_player->ApplyBrightness(1.0f));
    EXPECT_TRUE(m_player->ApplyContrast(1.0f));
    EXPECT_TRUE(WaitUntil([&] { return m_receiver.ends > 0; }));
}

TEST_F(VlcPlayerTest, StoppingWhileTimeNotificationsFlowNeverHangs)
{
    for (int round = 0; round < 6; ++round) {
        m_receiver.times.clear();
        PlayUntilRunning();
        ASSERT_TRUE(WaitUntil([&] { return m_receiver.times.size() >= 2 || m_receiver.ends; }));
        m_player->Stop();
        m_player->CloseMedia();
    }
}

TEST_F(VlcPlayerTest, VideoViewMayGoBeforeThePlayer)
{
    {
        CPlayWnd window;
        window.resize(320, 240);
        window.show();
        m_player->AttachView(window.VideoChild());
        PlayUntilRunning();
        ASSERT_TRUE(WaitUntil([&] { return window.VideoChild()->PaintedFrames() > 0; }));
    }
    // Pictures keep arriving with no view to draw them; stopping and closing still work.
    ASSERT_TRUE(WaitUntil([&] { return m_receiver.times.size() >= 2 || m_receiver.ends; }));
    EXPECT_TRUE(m_player->Stop());
    m_player->CloseMedia();
    m_player.reset(); // must not touch the view that is gone
}

// The playback controller on the real engine, without a window or a sound device: pauses and
// holds asked for while a clip opens, the engine's reports of a clip that is no longer the open
// one, the rate and the sound rule across clips, and the rotation's timings.

#include "PlaybackController.h"
#include "TestClip.h"
#include "TestSupport.h"
#include "VlcPlayer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vlc/vlc.h>

#include <memory>
#include <thread>

namespace {

using OpenResult = CPlaybackController::OpenResult;
constexpr auto kLong = std::chrono::seconds(60);

class PlaybackControllerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        s_first = s_dir->filePath(QStringLiteral("rec_20110523_142233.avi"));
        s_second = s_dir->filePath(QStringLiteral("rec_20110523_142236.avi"));
        s_ready = MakeTestClip(s_first, QStringLiteral("testsrc2=size=320x240:rate=25"), 3) &&
                  MakeTestClip(s_second, QStringLiteral("smptebars=size=320x240:rate=25"), 3);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "ffmpeg could not make the test clips";
        c = std::make_unique<CPlaybackController>(QStringList{QStringLiteral("--aout=dummy")});
        ASSERT_TRUE(c->Engine().IsReady());
        times = std::make_unique<QSignalSpy>(c.get(), &CPlaybackController::TimeChanged);
    }

    // Waits until the engine pauses, or (a fault) plays the clip on or stops it.
    bool EnginePausesWhileOpening()
    {
        const auto state = [&] { return libvlc_media_player_get_state(c->Engine().Player()); };
        EXPECT_TRUE(WaitUntil(
            [&] {
                return c->Engine().IsPaused() || c->Time() >= 1500 || times->count() > 20 ||
                       state() == libvlc_Stopped || state() == libvlc_Ended;
            },
            kLong));
        return c->Engine().IsPaused();
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static QString s_first;
    static QString s_second;
    static bool s_ready;
    std::unique_ptr<CPlaybackController> c;
    std::unique_ptr<QSignalSpy> times;
};

std::unique_ptr<QTemporaryDir> PlaybackControllerTest::s_dir;
QString PlaybackControllerTest::s_first;
QString PlaybackControllerTest::s_second;
bool PlaybackControllerTest::s_ready = false;

} // namespace

TEST_F(PlaybackControllerTest, PauseWhileTheClipOpensHoldsTheEngine)
{
    QSignalSpy playing(c.get(), &CPlaybackController::PlayingChanged);
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    c->Pause(); // the engine is still opening the clip
    EXPECT_FALSE(c->IsPlaying());
    ASSERT_EQ(playing.count(), 2);
    EXPECT_FALSE(playing.last().at(0).toBool());
    EXPECT_TRUE(EnginePausesWhileOpening()) << "the engine plays while PLAY is offered";

    c->Play();
    EXPECT_TRUE(c->IsPlaying());
    ASSERT_TRUE(WaitUntil([&] { return c->Engine().IsPlaying(); }, kLong));
}

TEST_F(PlaybackControllerTest, AHoldKeepsTheOpeningClipStillAndOutlivesNoClip)
{
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    {
        const auto hold = c->HoldStill(); // as a copy or a delete does while the clip opens
        EXPECT_TRUE(EnginePausesWhileOpening());
        EXPECT_TRUE(c->IsPlaying()) << "a hold leaves the playing state alone";
    }
    ASSERT_TRUE(WaitUntil([&] { return c->Engine().IsPlaying(); }, kLong));

    // A hold taken on one clip does not hold the next.
    {
        const auto hold = c->HoldStill();
        ASSERT_EQ(c->Open(s_second), OpenResult::Started);
        times->clear();
        ASSERT_TRUE(WaitUntil([&] { return c->Time() >= 500; }, kLong));
    }
    EXPECT_TRUE(c->IsPlaying());
    EXPECT_FALSE(c->Engine().IsPaused());
}

TEST_F(PlaybackControllerTest, AnEndReportOfTheClipBeforeIsDropped)
{
    QSignalSpy ends(c.get(), &CPlaybackController::EndReached);
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(WaitUntil([&] { return c->Engine().GetLength() > 0; }, kLong));
    ASSERT_TRUE(c->Engine().SeekTo(c->Engine().GetLength() - 300));
    // The clip ends while nothing is handled here: its end report waits in the queue.
    const auto ended = [&] {
        return libvlc_media_player_get_state(c->Engine().Player()) == libvlc_Ended;
    };
    for (int i = 0; i < 600 && !ended(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(ended());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    ASSERT_EQ(c->Open(s_second), OpenResult::Started);
    times->clear();
    ASSERT_TRUE(WaitUntil([&] { return !times->isEmpty() && c->Time() >= 1000; }, kLong));
    EXPECT_EQ(ends.count(), 0);
    // The open clip's own end still comes.
    ASSERT_TRUE(WaitUntil([&] { return ends.count() == 1; }, kLong));
}

TEST_F(PlaybackControllerTest, TheRateAndTheSoundRuleCarryToEveryClip)
{
    // Without a sound device the engine reads its volume back as 0 whatever it was told, so
    // the checks are on what the controller asked of it.
    const CVlcPlayer &engine = c->Engine();
    QSignalSpy lengths(c.get(), &CPlaybackController::LengthChanged);
    // Opens a clip and waits until its clip-ready step has applied the sound.
    const auto open = [&](const QString &clip) {
        lengths.clear();
        ASSERT_EQ(c->Open(clip), OpenResult::Started);
        ASSERT_TRUE(WaitUntil([&] { return !lengths.isEmpty(); }, kLong));
    };

    c->ChooseSpeed(kPlaySpeedListId, 5); // 2.0, before any clip
    EXPECT_FALSE(c->Sound().audible);
    open(s_first);
    EXPECT_FLOAT_EQ(engine.Rate(), 2.0f);
    EXPECT_EQ(engine.LastVolumeAsked(), 0) << "2.0 stays silent on the clip opened";
    c->VolumeUp(); // remembered, not heard
    EXPECT_EQ(c->Volume(), 55);
    EXPECT_EQ(engine.LastVolumeAsked(), 0);

    // Sound on at 2.0 is heard, on this clip and on the next.
    c->SoundOn();
    EXPECT_EQ(engine.LastVolumeAsked(), 55);
    EXPECT_EQ(engine.LastMuteAsked(), 0);
    open(s_second);
    EXPECT_FLOAT_EQ(engine.Rate(), 2.0f);
    EXPECT_EQ(engine.LastVolumeAsked(), 55);
    EXPECT_TRUE(c->Sound().audible);

    // Back at 1.0 the rate played is 1.0 on the next clip, with sound.
    c->ChooseSpeed(kPlaySpeedListId, 4);
    open(s_first);
    EXPECT_FLOAT_EQ(engine.Rate(), 1.0f);
    EXPECT_EQ(engine.LastVolumeAsked(), 55);
}

TEST_F(PlaybackControllerTest, RotationTurnsThePictureAtOncePausedOrPlayingThenSettles)
{
    QSignalSpy rotations(c.get(), &CPlaybackController::RotationChanged);
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(WaitUntil([&] { return !times->isEmpty(); }, kLong));
    c->Pause();
    ASSERT_TRUE(WaitUntil([&] { return !c->Engine().IsPlaying(); }, kLong));

    // Paused: the picture shown turns now, and the button closes for 1000 ms.
    c->Rotate();
    EXPECT_TRUE(c->Rotation().Rotated());
    EXPECT_TRUE(c->Engine().IsRotated());
    EXPECT_EQ(rotations.count(), 1);
    EXPECT_FALSE(c->Rotation().Ready());
    EXPECT_TRUE(c->RotationSettleTimer().isActive());
    EXPECT_EQ(c->RotationSettleTimer().interval(), 1000);

    // Resuming turns nothing more; once settled, a press while playing turns it back.
    c->Play();
    ASSERT_TRUE(WaitUntil([&] { return c->Rotation().Ready(); }, kLong));
    EXPECT_TRUE(c->Engine().IsRotated());
    c->Rotate();
    EXPECT_FALSE(c->Engine().IsRotated());
    EXPECT_EQ(rotations.count(), 2);
}

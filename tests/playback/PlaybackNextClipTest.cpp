// The clip prepared to follow the open one, on the real engine: held on its first picture,
// taken over with the rate, sound, picture and rotation of the clip before, dropped when
// another clip opens or when it cannot be opened.

#include "PlaybackController.h"
#include "TestClip.h"
#include "TestSupport.h"
#include "VideoFrames.h"
#include "VlcPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

using OpenResult = CPlaybackController::OpenResult;
constexpr auto kLong = std::chrono::seconds(60);

class NextClipTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        s_first = s_dir->filePath(QStringLiteral("rec_20110523_142233.avi"));
        s_second = s_dir->filePath(QStringLiteral("rec_20110523_142236.avi"));
        s_small = s_dir->filePath(QStringLiteral("rec_20110523_142245.avi"));
        // Without reordered pictures: the engine then shows every picture of the clip (with them
        // it may leave out the last one, and the clip ends on the engine's report instead).
        s_ready = MakeTestClip(s_first, QStringLiteral("testsrc2=size=320x240:rate=25"), 3,
                               {QStringLiteral("-bf"), QStringLiteral("0")}) &&
                  MakeTestClip(s_second, QStringLiteral("smptebars=size=320x240:rate=25"), 3) &&
                  MakeTestClip(s_small, QStringLiteral("testsrc2=size=160x120:rate=25"), 2);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << "ffmpeg could not make the test clips";
        c = std::make_unique<CPlaybackController>(QStringList{QStringLiteral("--aout=dummy")});
        ASSERT_TRUE(c->Engine().IsReady());
    }

    bool PrepareAndWait(const QString &path)
    {
        QSignalSpy prepared(c.get(), &CPlaybackController::NextPrepared);
        c->PrepareNext(path);
        return WaitUntil([&] { return c->IsNextReady(); }, kLong) && prepared.count() == 1 &&
               prepared.first().at(0).toString() == path;
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static QString s_first;
    static QString s_second;
    static QString s_small;
    static bool s_ready;
    std::unique_ptr<CPlaybackController> c;
};

std::unique_ptr<QTemporaryDir> NextClipTest::s_dir;
QString NextClipTest::s_first;
QString NextClipTest::s_second;
QString NextClipTest::s_small;
bool NextClipTest::s_ready = false;

} // namespace

TEST_F(NextClipTest, HeldOnItsFirstPictureThenTakesOverWithTheSettings)
{
    QSignalSpy ends(c.get(), &CPlaybackController::EndReached);
    QSignalSpy opened(c.get(), &CPlaybackController::ClipOpened);
    QSignalSpy lengths(c.get(), &CPlaybackController::LengthChanged);
    c->ChooseSpeed(kPlaySpeedListId, 5); // 2.0: silent
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(WaitUntil([&] { return !lengths.isEmpty(); }, kLong));
    c->Rotate();
    ASSERT_TRUE(c->Engine().IsRotated());
    c->NightVisionOn();

    ASSERT_TRUE(PrepareAndWait(s_second));
    const CVlcPlayer *prepared = c->PreparedEngine();
    ASSERT_NE(prepared, &c->Engine());
    EXPECT_TRUE(prepared->IsPaused());
    EXPECT_TRUE(prepared->Frames().HasPicture());
    // Held at its start, not played on unseen (the engine's time runs a little ahead of the
    // picture shown).
    const qint64 held = prepared->GetTime();
    EXPECT_LT(held, 500);
    EXPECT_TRUE(WaitUntil([&] { return c->Time() > 1000; }, kLong));
    EXPECT_EQ(prepared->GetTime(), held);
    EXPECT_TRUE(c->Engine().IsPlaying()) << "the open clip plays on meanwhile";

    // The end of the open clip opens the prepared one: the same engine goes on from there.
    ASSERT_TRUE(WaitUntil([&] { return !ends.isEmpty(); }, kLong));
    lengths.clear();
    ASSERT_EQ(c->Open(s_second), OpenResult::Started);
    EXPECT_EQ(&c->Engine(), prepared);
    EXPECT_EQ(c->ClipPath(), s_second);
    EXPECT_TRUE(c->PreparedPath().isEmpty());
    EXPECT_TRUE(c->IsPlaying());
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(opened.last().at(0).toString(), s_second);
    EXPECT_EQ(opened.last().at(1).toSize(), QSize(320, 240));
    ASSERT_TRUE(WaitUntil([&] { return c->Engine().IsPlaying() && c->Time() > 0; }, kLong));
    EXPECT_FLOAT_EQ(c->Engine().Rate(), 2.0f);
    EXPECT_TRUE(c->Engine().IsRotated());
    EXPECT_TRUE(c->Rotation().Rotated());
    ASSERT_TRUE(WaitUntil([&] { return !lengths.isEmpty(); }, kLong));
    EXPECT_GT(lengths.last().at(0).toLongLong(), 2000);
    EXPECT_EQ(c->Engine().LastVolumeAsked(), 0) << "2.0 stays silent";
    EXPECT_TRUE(c->NightVision());

    // Its reports are heard now, those of the clip before are not: one end, this one's.
    ends.clear();
    ASSERT_TRUE(WaitUntil([&] { return !ends.isEmpty(); }, kLong));
    EXPECT_EQ(c->ClipPath(), s_second);
    EXPECT_EQ(ends.count(), 1);

    // The engine of the clip before is the spare now; a clip prepared in it holds its own first
    // picture, not the last one of the clip it played.
    ASSERT_TRUE(WaitUntil([&] { return c->PreparedEngine() != nullptr; }, kLong));
    const CVlcPlayer *spare = c->PreparedEngine();
    EXPECT_NE(spare, &c->Engine());
    ASSERT_TRUE(PrepareAndWait(s_small));
    EXPECT_EQ(c->PreparedEngine(), spare);
    EXPECT_EQ(spare->Frames().PictureSize(), QSize(160, 120));
}

TEST_F(NextClipTest, WithTheNextReadyAClipEndsOnceOnItsLastPicture)
{
    QSignalSpy ends(c.get(), &CPlaybackController::EndReached);
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(PrepareAndWait(s_second));
    ASSERT_TRUE(WaitUntil([&] { return !ends.isEmpty(); }, kLong));
    // Every picture of the clip (3 s at 25 a second) was counted, each once. On a busy computer
    // the engine sometimes hands one picture fewer to the output (without counting it as lost),
    // and the clip then ends on the engine's own report: once, all the same.
    const quint64 counted = c->Engine().Frames().PictureCount();
    EXPECT_GE(counted, 74u);
    EXPECT_LE(counted, 75u);
    // The engine's own end report, made once it has finished, is not a second end: stopping
    // the engine waits for its report to be on its way, and it is then looked at.
    ASSERT_TRUE(WaitUntil([&] { return !c->Engine().IsPlaying(); }, kLong));
    c->Engine().Stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(ends.count(), 1);

    // After a seek the pictures no longer come in order: the engine's report ends the clip.
    ends.clear();
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(PrepareAndWait(s_second));
    c->SeekTo(1000);
    EXPECT_EQ(c->Engine().Frames().PictureCount(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !ends.isEmpty(); }, kLong));
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(NextClipTest, AnotherClipOrClosingDropsThePreparedOne)
{
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    ASSERT_TRUE(PrepareAndWait(s_second));
    const CVlcPlayer *prepared = c->PreparedEngine();

    // Opening the clip playing now again (PREV at the start) is the usual way.
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    EXPECT_NE(&c->Engine(), prepared);
    EXPECT_TRUE(c->PreparedPath().isEmpty());
    EXPECT_FALSE(prepared->HasMedia());

    ASSERT_TRUE(PrepareAndWait(s_second));
    c->Close();
    EXPECT_TRUE(c->PreparedPath().isEmpty());
    EXPECT_FALSE(c->PreparedEngine()->HasMedia());

    // Nothing is prepared while no clip is open, nor the open clip itself.
    c->PrepareNext(s_second);
    EXPECT_TRUE(c->PreparedPath().isEmpty());
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    c->PrepareNext(s_first);
    EXPECT_TRUE(c->PreparedPath().isEmpty());
}

TEST_F(NextClipTest, AClipThatDoesNotOpenIsDroppedAndFailsTheUsualWay)
{
    QSignalSpy failed(c.get(), &CPlaybackController::ClipFailed);
    const QString notAvi = s_dir->filePath(QStringLiteral("rec_20110523_142239.avi"));
    {
        QFile file(notAvi);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    // An AVI header over bytes that are no video.
    const QString broken = s_dir->filePath(QStringLiteral("rec_20110523_142242.avi"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes("RIFF\x00\x10\x00\x00"
                         "AVI LIST",
                         16);
        bytes += QByteArray(4096, '\x55');
        file.write(bytes);
    }
    ASSERT_EQ(c->Open(s_first), OpenResult::Started);
    c->PrepareNext(notAvi);
    EXPECT_TRUE(c->PreparedPath().isEmpty());
    c->PrepareNext(broken);
    ASSERT_TRUE(WaitUntil([&] { return c->PreparedPath().isEmpty(); }, kLong));
    EXPECT_FALSE(c->IsNextReady());
    // Its turn: the usual opening, which says it failed.
    EXPECT_NE(c->Open(notAvi), OpenResult::Started);
    EXPECT_EQ(failed.count(), 1);
}

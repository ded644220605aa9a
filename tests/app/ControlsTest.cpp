// The playback controls of the main window on real clips: pause and resume, previous at the
// first row, play speed with its sound rule, volume steps, night vision, the adjustment dialog
// and still capture, as the window shows them. (The controller's own rules are tested in
// tests/playback/PlaybackControllerTest.cpp.)

#include "DlgAdjustment.h"
#include "DropListWnd.h"
#include "PlayWnd.h"
#include "PlayerTestSupport.h"
#include "SafeFile.h"
#include "SkinButton.h"
#include "SkinSlider.h"
#include "TestSupport.h"
#include "VideoView.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr auto kLong = std::chrono::seconds(60);

class ControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    }

    // Pauses the open clip and waits until the engine stands.
    static void Pause(CTestPlayer &p)
    {
        p.Press(ids::kPause);
        ASSERT_FALSE(p.Playback().IsPlaying());
        ASSERT_TRUE(WaitUntil([&] { return !p.Playback().Engine().IsPlaying(); }, kLong));
    }
};

} // namespace

TEST_F(ControlsTest, PauseAndResumeSwapTheButtonsAndSpaceToggles)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    Pause(p);
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());
    // Steps do nothing while paused: ten seconds on would be past the end of this
    // four-second clip, so the first time after resuming shows whether it moved.
    const qint64 at = p.Playback().Engine().GetTime();
    p.Press(ids::kForward);

    p.times.clear();
    QTest::keyClick(p.RecordingList(), Qt::Key_Space);
    EXPECT_TRUE(p.Playback().IsPlaying());
    EXPECT_TRUE(p.Button(ids::kPlay)->isHidden());
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Engine().IsPlaying(); }, kLong));
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_LT(p.times.first(), at + 1000) << "FF moved the paused clip";
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);
}

TEST_F(ControlsTest, TenSecondStepsWhilePlaying)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(p.WaitForTime(1500));

    // Left: ten seconds back, which is the start of the clip.
    QTest::keyClick(p.RecordingList(), Qt::Key_Left);
    ASSERT_TRUE(WaitUntil([&] { return !p.times.isEmpty() && p.times.last() < 1000; }, kLong));
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);

    // FF: ten seconds on, past the end of a four-second clip: the next row follows.
    p.Press(ids::kForward);
    ASSERT_TRUE(WaitUntil([&] { return p.Catalogue().CurrentIndex() == 1; }, kLong));
    EXPECT_EQ(p.CaptionText(), folder.Stem(1) + QStringLiteral("(2/2)"));
}

TEST_F(ControlsTest, PreviousOnTheFirstRowReopensOnlyWhilePaused)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(p.WaitForTime(1000));

    // Playing: PREV does nothing, the clip goes on.
    p.Press(ids::kPrev);
    EXPECT_TRUE(p.IsClipOpen());
    EXPECT_GE(p.Playback().Engine().GetTime(), 1000);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);

    // Paused: PREV opens the first row again from its start.
    Pause(p);
    p.times.clear();
    p.Press(ids::kPrev);
    EXPECT_TRUE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPause)->isHidden());
    EXPECT_EQ(p.CaptionText(), folder.Stem(0) + QStringLiteral("(1/2)"));
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_LT(p.times.first(), 1000);
}

TEST_F(ControlsTest, SpeedTwoSilencesAndNormalSpeedRestoresTheSound)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));

    p.Post(kDropListChosen, 5, DropListChoice{5, 103});
    EXPECT_FLOAT_EQ(p.Playback().Rate(), 2.0f);
    EXPECT_EQ(p.Button(ids::kSpeed)->IconImageId(), 3143);
    EXPECT_FALSE(p.Button(ids::kVolOn)->isHidden());
    EXPECT_TRUE(p.Button(ids::kVolOff)->isHidden());
    EXPECT_FALSE(p.VolumeSlider()->Model().IsEnabled());
    EXPECT_TRUE(p.Playback().IsSoundOn()) << "a speed choice leaves the sound setting alone";

    // A choice from another list, or without a row, changes nothing.
    p.Post(kDropListChosen, 1, DropListChoice{1, 104});
    p.Post(kDropListChosen, 0, DropListChoice{0, 103});
    EXPECT_FLOAT_EQ(p.Playback().Rate(), 2.0f);
    EXPECT_EQ(p.Button(ids::kSpeed)->IconImageId(), 3143);

    // Back to 1.0 after the user switched the sound off: the sound is back.
    p.Press(ids::kVolOn);
    p.Press(ids::kVolOff);
    EXPECT_FALSE(p.Playback().IsSoundOn());
    p.Post(kDropListChosen, 4, DropListChoice{4, 103});
    EXPECT_FLOAT_EQ(p.Playback().Rate(), 1.0f);
    EXPECT_EQ(p.Button(ids::kSpeed)->IconImageId(), 3142);
    EXPECT_FALSE(p.Button(ids::kVolOff)->isHidden());
    EXPECT_TRUE(p.Button(ids::kVolOn)->isHidden());
    EXPECT_TRUE(p.VolumeSlider()->Model().IsEnabled());
}

TEST_F(ControlsTest, StepForwardRightAfterOpeningDoesNotJumpBack)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(p.WaitForTime(1500));
    p.Press(ids::kNext);
    // While the engine opens the clip it knows no length yet: ten seconds on from the start
    // is past the end of this four-second clip, so the player stops after it.
    p.times.clear();
    p.Press(ids::kForward);
    ASSERT_TRUE(WaitUntil([&] { return p.Catalogue().CurrentIndex() == 2; }, kLong));
    for (qint64 t : p.times)
        EXPECT_FALSE(t > 1000 && t < 3000) << "the step landed at the start: the clip played " << t;
}

TEST_F(ControlsTest, TheSpeedListOpensAboveTheSpeedButtonAndReportsTheRow)
{
    CTestPlayer p;
    p.Press(ids::kSpeed);
    CDropListWnd *list = p.SpeedList();
    ASSERT_TRUE(WaitUntil([&] { return list->isVisible(); }, kLong));
    const QRect button(p.Button(ids::kSpeed)->mapToGlobal(QPoint(0, 0)),
                       p.Button(ids::kSpeed)->size());
    EXPECT_LE(list->geometry().bottom(), button.top());
    // The third row: 0.8.
    const QPoint row = list->Layout().RowRect(2).center();
    QTest::mouseMove(list, row);
    QTest::mouseClick(list, Qt::LeftButton, {}, row);
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Rate() == 0.8f; }, kLong));
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(p.Button(ids::kSpeed)->IconImageId(), 3141);
}

TEST_F(ControlsTest, VolumeStepsStayWithinBoundsAndNeedTheSoundOn)
{
    CTestPlayer p;
    p.Post(5, 97); // the volume slider
    EXPECT_EQ(p.Playback().Volume(), 97);
    p.OnCommand(32805); // menu "Vol up"
    EXPECT_EQ(p.Playback().Volume(), 100);
    EXPECT_EQ(p.VolumeSlider()->Pos(), 100);
    p.Post(5, 3);
    p.OnCommand(32806); // "Vol down"
    EXPECT_EQ(p.Playback().Volume(), 0);
    EXPECT_EQ(p.VolumeSlider()->Pos(), 0);

    p.OnCommand(32807); // "Mute": sound off
    EXPECT_FALSE(p.Playback().IsSoundOn());
    EXPECT_FALSE(p.Button(ids::kVolOn)->isHidden());
    p.OnCommand(32805);
    EXPECT_EQ(p.Playback().Volume(), 0) << "no steps while the sound is off";
    p.OnCommand(32807);
    EXPECT_TRUE(p.Playback().IsSoundOn());
    EXPECT_FALSE(p.Button(ids::kVolOff)->isHidden());
}

TEST_F(ControlsTest, NightVisionNeedsAClipAndSetsBothValues)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    p.Press(ids::kNightOn);
    EXPECT_FALSE(p.Playback().NightVision()) << "nothing without a clip";
    EXPECT_FLOAT_EQ(p.Playback().Brightness(), 1.0f);

    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Press(ids::kNightOn);
    EXPECT_TRUE(p.Playback().NightVision());
    EXPECT_FLOAT_EQ(p.Playback().Brightness(), 1.4f);
    EXPECT_FLOAT_EQ(p.Playback().Contrast(), 1.4f);
    EXPECT_TRUE(p.Button(ids::kNightOn)->isHidden());
    EXPECT_FALSE(p.Button(ids::kNightOff)->isHidden());
    p.Press(ids::kNightOff);
    EXPECT_FALSE(p.Playback().NightVision());
    EXPECT_FLOAT_EQ(p.Playback().Contrast(), 1.0f);
    EXPECT_FALSE(p.Button(ids::kNightOn)->isHidden());
}

namespace {

// Answers the adjustment dialog that the next command opens: moves the brightness knob to its
// last step, notes the brightness the main window has then, and ends the dialog.
void AnswerAdjustment(CTestPlayer &p, int result, float *liveBrightness)
{
    QTimer::singleShot(0, &p, [&p, result, liveBrightness] {
        // No assertion in here: a failure would leave the dialog open and the test hanging.
        // Whatever else is open is closed; the caller then sees no live value.
        auto *dialog = qobject_cast<CDlgAdjustment *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        CSkinSlider *slider = dialog->BrightnessSlider();
        QTest::mouseClick(slider, Qt::LeftButton, {},
                          QPoint(slider->width() - 1, slider->height() / 2));
        WaitUntil([&] { return p.Playback().Brightness() > 1.5f; }, std::chrono::seconds(10));
        *liveBrightness = p.Playback().Brightness();
        dialog->done(result);
    });
}

} // namespace

TEST_F(ControlsTest, AdjustmentActsLiveCancelUndoesAndOkEndsNightVision)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Press(ids::kNightOn);
    ASSERT_TRUE(p.Playback().NightVision());

    float live = 0;
    AnswerAdjustment(p, 2, &live);
    p.Press(ids::kBright);
    EXPECT_FLOAT_EQ(live, 1.6f) << "the value reaches the window while the knob moves";
    EXPECT_FLOAT_EQ(p.Playback().Brightness(), 1.4f) << "Cancel puts the value back";
    EXPECT_TRUE(p.Playback().NightVision());
    EXPECT_TRUE(p.Playback().IsPlaying());
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Engine().IsPlaying(); }, kLong))
        << "the clip goes on";

    live = 0;
    AnswerAdjustment(p, 1, &live);
    p.Press(ids::kBright);
    EXPECT_FLOAT_EQ(p.Playback().Brightness(), 1.6f);
    EXPECT_FALSE(p.Playback().NightVision());
    EXPECT_FALSE(p.Button(ids::kNightOn)->isHidden());
    EXPECT_TRUE(p.Button(ids::kNightOff)->isHidden());
}

TEST_F(ControlsTest, CaptureWritesAPngNamedAfterTheRecordingAndTheTime)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.PlayWnd()->VideoChild()->PaintedFrames() > 0; }, kLong));
    Pause(p);
    const qint64 at = p.Playback().Engine().GetTime();

    p.Press(ids::kCapture);
    ASSERT_EQ(p.MessageIds(), QList<int>{200});
    EXPECT_EQ(p.messages[0].text, QStringLiteral("It was saved in HD-VANTORA folder \nat Desktop"));
    const QDir capture(p.desktop.path() + QStringLiteral("/HD-VANTORA/Capture"));
    const QStringList files = capture.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0], folder.Stem(0) + QString::asprintf("_%3.1f.png", at / 1000.0));
    QImageReader reader(capture.filePath(files[0]));
    EXPECT_EQ(reader.format(), QByteArray("png"));
    EXPECT_EQ(reader.size(), QSize(640, 360));

    // A file of other bytes under the name is never replaced: the picture goes beside it.
    {
        QFile other(capture.filePath(files[0]));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly | QIODevice::Truncate));
        other.write("another picture");
    }
    p.Press(ids::kCapture);
    EXPECT_EQ(p.MessageIds(), (QList<int>{200, 200}));
    const QString second = NumberedFileName(files[0], 2);
    QStringList now = capture.entryList(QDir::Files | QDir::Hidden);
    QStringList expected = {files[0], second};
    now.sort();
    expected.sort();
    EXPECT_EQ(now, expected);
    EXPECT_EQ(QImageReader(capture.filePath(second)).size(), QSize(640, 360));
    QFile other(capture.filePath(files[0]));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("another picture"));
}

TEST_F(ControlsTest, CaptureWithAnEmptyListSaysThereIsNothing)
{
    CTestPlayer p;
    p.Press(ids::kCapture);
    EXPECT_EQ(p.MessageIds(), QList<int>{201});
    EXPECT_EQ(p.messages.value(0).text, QStringLiteral("There is no item to capture."));
    EXPECT_TRUE(QDir(p.desktop.path() + QStringLiteral("/HD-VANTORA/Capture"))
                    .entryList(QDir::Files)
                    .isEmpty());
}

TEST_F(ControlsTest, CaptureWithoutAnOpenClipSavesNothing)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    folder.AddNotAvi(QStringLiteral("rec_") + folder.Stem(0) + QStringLiteral("b.avi"));
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    const QDir capture(p.desktop.path() + QStringLiteral("/HD-VANTORA/Capture"));

    // The wrong file's row is current but nothing is open: no picture, no message.
    p.Press(ids::kNext);
    ASSERT_EQ(p.MessageIds(), QList<int>{302});
    p.Press(ids::kCapture);
    EXPECT_EQ(p.MessageIds(), QList<int>{302});

    // Past the last row there is no current recording at all.
    p.Press(ids::kNext);
    ASSERT_FALSE(p.IsClipOpen());
    p.Press(ids::kCapture);
    EXPECT_EQ(p.MessageIds(), (QList<int>{302, 201}));
    EXPECT_TRUE(capture.entryList(QDir::Files).isEmpty());
}

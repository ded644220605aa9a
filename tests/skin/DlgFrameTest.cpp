#include "DlgFrame.h"
#include "ControlId.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "TestSupport.h"
#include "UserMessage.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown frame dialog with a client area of 600 x 400.
struct ShownFrame
{
    CDlgFrame frame;
    ShownFrame()
    {
        frame.ResizeClient(QSize(600, 400));
        frame.show();
        QCoreApplication::processEvents();
    }
};

QPoint centre(const QRect &rect)
{
    return rect.topLeft() + QPoint(rect.width() / 2, rect.height() / 2);
}

} // namespace

TEST(DlgFrame, ClientAreaSitsInsideTheFrameMargins)
{
    ShownFrame shown;
    const QMargins m = shown.frame.NonClientMargins();
    EXPECT_EQ(shown.frame.ClientSize(), QSize(600, 400));
    EXPECT_EQ(shown.frame.Client()->geometry(), QRect(m.left(), m.top(), 600, 400));
    EXPECT_EQ(m.top(), CSkinImages::Height(3004));
    EXPECT_EQ(m.left(), CSkinImages::Width(3007));
}

TEST(DlgFrame, CloseDraggedOffAndReleasedKeepsTheWindowOpen)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    QSignalSpy finished(&frame, &QDialog::finished);
    const QRect close = frame.CaptionButtonRect(CaptionButton::Close);
    ASSERT_FALSE(close.isEmpty());

    QTest::mousePress(&frame, Qt::LeftButton, {}, centre(close));
    EXPECT_EQ(frame.CaptionButtonState(CaptionButton::Close), 2);
    QTest::mouseMove(&frame, QPoint(20, 20));
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, QPoint(20, 20));
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(frame.CaptionButtonState(CaptionButton::Close), 2)
        << "keeps its pressed look until the next move";
    QTest::mouseMove(&frame, QPoint(20, 21));
    EXPECT_EQ(frame.CaptionButtonState(CaptionButton::Close), 0);
}

TEST(DlgFrame, CloseReleasedOverItEndsTheDialogWithTheCancelResult)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    QSignalSpy finished(&frame, &QDialog::finished);
    const QPoint at = centre(frame.CaptionButtonRect(CaptionButton::Close));
    QTest::mousePress(&frame, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, at);
    EXPECT_TRUE(frame.isVisible()) << "the close is posted";
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 2);
    EXPECT_FALSE(frame.isVisible());
}

// Whether the frame shows frame `state` of the strip `imageId` on a caption button.
static bool ShowsStripFrame(CDlgFrame &frame, CaptionButton button, int imageId, int state)
{
    const QRect rect = frame.CaptionButtonRect(button);
    const QPixmap &strip = CSkinImages::Pixmap(imageId);
    const int fw = StripFrameWidth(strip.width());
    const QImage want = strip.copy(fw * state, 0, fw, strip.height())
                            .scaled(rect.size())
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    const QImage shot = frame.grab(rect).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (qAlpha(want.pixel(x, y)) == 255 && shot.pixel(x, y) != want.pixel(x, y))
                return false;
    return !want.isNull();
}

TEST(DlgFrame, CaptionButtonsShowHoverPressedAndRestoreLooks)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    const QPoint close = centre(frame.CaptionButtonRect(CaptionButton::Close));
    EXPECT_TRUE(ShowsStripFrame(frame, CaptionButton::Close, 3000, 0));
    QTest::mouseMove(&frame, close);
    EXPECT_EQ(frame.CaptionButtonState(CaptionButton::Close), 1);
    EXPECT_TRUE(ShowsStripFrame(frame, CaptionButton::Close, 3000, 1));
    QTest::mousePress(&frame, Qt::LeftButton, {}, close);
    EXPECT_TRUE(ShowsStripFrame(frame, CaptionButton::Close, 3000, 2));
    QTest::mouseMove(&frame, QPoint(20, 20));
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(&frame, QPoint(21, 20));

    EXPECT_TRUE(ShowsStripFrame(frame, CaptionButton::Maximise, 3001, 0));
    frame.showMaximized();
    ASSERT_TRUE(WaitUntil([&] { return frame.isMaximized(); }, std::chrono::seconds(5)));
    EXPECT_TRUE(frame.IsMaximisedFlag()) << "the flag follows the window";
    EXPECT_TRUE(ShowsStripFrame(frame, CaptionButton::Maximise, 3003, 0));
    EXPECT_FALSE(ShowsStripFrame(frame, CaptionButton::Maximise, 3001, 0));
}

TEST(DlgFrame, MaximiseButtonTogglesTheWindowAndItsLook)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    const auto click = [&] {
        const QPoint at = centre(frame.CaptionButtonRect(CaptionButton::Maximise));
        QTest::mousePress(&frame, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&frame, Qt::LeftButton, {}, at);
    };
    click();
    EXPECT_TRUE(frame.IsMaximisedFlag());
    EXPECT_TRUE(WaitUntil([&] { return frame.isMaximized(); }, std::chrono::seconds(5)));
    click();
    EXPECT_FALSE(frame.IsMaximisedFlag());
    EXPECT_TRUE(WaitUntil([&] { return !frame.isMaximized(); }, std::chrono::seconds(5)));
}

TEST(DlgFrame, DoubleClickOnTheTopBarMaximisesUnlessButtonsAreOff)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    const QPoint bar(frame.width() / 2, frame.NonClientMargins().top() / 2);
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, bar);
    EXPECT_TRUE(frame.IsMaximisedFlag());
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, bar);
    EXPECT_FALSE(frame.IsMaximisedFlag());

    frame.SetCaptionButtonsEnabled(false);
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, bar);
    EXPECT_FALSE(frame.IsMaximisedFlag());
    QSignalSpy finished(&frame, &QDialog::finished);
    const QPoint at = centre(frame.CaptionButtonRect(CaptionButton::Close));
    QTest::mousePress(&frame, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 0) << "no close button while the buttons are off";
}

TEST(DlgFrame, EscapeAndEnterNeverCloseIt)
{
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    CSkinButton button(frame.Client(), 1);
    button.setGeometry(10, 10, 50, 30);
    button.show();
    QSignalSpy finished(&frame, &QDialog::finished);
    for (QWidget *target : {static_cast<QWidget *>(&frame), static_cast<QWidget *>(&button)}) {
        QTest::keyClick(target, Qt::Key_Escape);
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(frame.isVisible());
}

TEST(DlgFrame, ControlTipsNameTheControl)
{
    CDlgFrame frame;
    CSkinButton button(frame.Client(), 1001);
    button.setObjectName(QStringLiteral("PREV"));
    EXPECT_TRUE(frame.AddControlTip(1001, QStringLiteral("Previous")));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Previous"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Previous"));
    EXPECT_FALSE(frame.AddControlTip(4242, QStringLiteral("nobody")));

    // The string of the control's own id, cut before its first line break.
    SetControlId(&button, 101);
    ASSERT_TRUE(frame.AddControlTip(101));
    EXPECT_EQ(button.toolTip(), QStringLiteral("RX-9 Vantora PC Player 정보(&A)..."));

    frame.SetTooltipsEnabled(false);
    EXPECT_FALSE(frame.AddControlTip(101, QStringLiteral("x")));
}

TEST(DlgFrame, NotificationsOfClientControlsReachTheFrame)
{
    struct Frame : CDlgFrame
    {
        int code = 0;
        bool event(QEvent *event) override
        {
            if (event->type() == CUserMessage::EventType()) {
                code = static_cast<CUserMessage *>(event)->Code();
                return true;
            }
            return CDlgFrame::event(event);
        }
    } frame;
    frame.ResizeClient(QSize(300, 200));
    frame.show();
    CSkinButton button(frame.Client(), 7);
    button.setGeometry(0, 0, 40, 20);
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return frame.code == 1; }, std::chrono::seconds(5)));
}

TEST(DlgFrame, RunsWithoutAnyFramePicture)
{
    struct Reload
    {
        ~Reload() { CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc")); }
    } reload;
    CSkinImages::Unload();
    CDlgFrame frame;
    frame.ResizeClient(QSize(200, 100));
    frame.show();
    const QMargins m = frame.NonClientMargins();
    EXPECT_EQ(m.top(), kSystemCaptionHeight + kSystemFrameSize);
    EXPECT_EQ(frame.size(), QSize(200 + m.left() + m.right(), 100 + m.top() + m.bottom()));
    const QImage shot = frame.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), CDlgFrame::BackgroundColour());
    QTest::mouseClick(&frame, Qt::LeftButton, {}, QPoint(frame.width() - 15, 15));
    EXPECT_TRUE(frame.isVisible());
}

TEST(DlgFrame, DraggingTheTopBarMovesTheWindowUnlessMaximised)
{
    if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
        GTEST_SKIP() << "the window system moves the window itself";
    ShownFrame shown;
    CDlgFrame &frame = shown.frame;
    frame.move(50, 60);
    const QPoint start = frame.pos();
    const int bar = frame.NonClientMargins().top() / 2;
    QTest::mousePress(&frame, Qt::LeftButton, {}, QPoint(100, bar));
    QTest::mouseMove(&frame, QPoint(120, bar));
    QTest::mouseMove(&frame, QPoint(160, bar + 20));
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, QPoint(160, bar + 20));
    EXPECT_EQ(frame.pos(), start + QPoint(60, 20));

    frame.SetMaximisedFlag(true);
    const QPoint maximisedAt = frame.pos();
    QTest::mousePress(&frame, Qt::LeftButton, {}, QPoint(100, bar));
    QTest::mouseMove(&frame, QPoint(130, bar));
    QTest::mouseMove(&frame, QPoint(190, bar + 30));
    QTest::mouseRelease(&frame, Qt::LeftButton, {}, QPoint(190, bar + 30));
    EXPECT_EQ(frame.pos(), maximisedAt);
}

#include "DlgAdjustment.h"
#include "DlgMessage.h"
#include "PictureSteps.h"
#include "SkinButton.h"
#include "SkinSlider.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// The owner as the main window keeps it: the two values, plus how often each was set.
struct PictureOwner : CPictureAdjustOwner
{
    float brightness = 1.0f;
    float contrast = 1.0f;
    int brightnessCalls = 0;
    int contrastCalls = 0;

    void SetBrightness(float value) override
    {
        brightness = value;
        ++brightnessCalls;
    }
    void SetContrast(float value) override
    {
        contrast = value;
        ++contrastCalls;
    }
};

// Runs the dialog for the owner's values while `act` works on it; a dialog that `act` leaves
// open is ended with 99 after a while.
int RunAdjustment(PictureOwner &owner, bool nightVision,
                  const std::function<void(CDlgAdjustment &)> &act)
{
    QTimer::singleShot(0, [&] {
        if (auto *dialog = qobject_cast<CDlgAdjustment *>(QApplication::activeModalWidget()))
            act(*dialog);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->done(99);
    });
    guard.start(10000);
    return ShowAdjustment(&owner, owner.brightness, owner.contrast, nightVision);
}

// Clicks a knob slider where its step `step` lies (the track has margin 9 at both ends).
void ClickStep(CSkinSlider *slider, int step)
{
    const double stepWidth = (slider->width() - 18) / 6.0;
    const int x = step == 6 ? slider->width() - 2 : 9 + int(step * stepWidth);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
    QCoreApplication::processEvents(); // the slider's notification is posted
}

} // namespace

TEST(DlgAdjustment, ControlsSitWhereTheDialogPlacesThem)
{
    PictureOwner owner;
    CDlgAdjustment dialog(&owner);
    EXPECT_EQ(dialog.size(), QSize(300, 190));
    EXPECT_FALSE(dialog.CaptionButtonsEnabled());
    EXPECT_EQ(dialog.OkButton()->geometry(), QRect(74, 110, 64, 29));
    EXPECT_EQ(dialog.CancelButton()->geometry(), QRect(158, 110, 64, 29));
    EXPECT_EQ(dialog.BrightnessSlider()->geometry(), QRect(80, 60, 200, 30));
    EXPECT_EQ(dialog.ContrastSlider()->geometry(), QRect(80, 15, 200, 30));
    EXPECT_EQ(dialog.BrightnessSlider()->ControlId(), 1030);
    EXPECT_EQ(dialog.ContrastSlider()->ControlId(), 1031);
    EXPECT_EQ(dialog.ContrastSlider()->accessibleName(), QStringLiteral("Contrast"));
    EXPECT_EQ(dialog.BrightnessSlider()->accessibleName(), QStringLiteral("Brightness"));
    EXPECT_EQ(dialog.OkButton()->accessibleName(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.CancelButton()->accessibleName(), QStringLiteral("Cancel"));
    EXPECT_TRUE(dialog.BrightnessSlider()->Model().IsKnobMode());
    EXPECT_EQ(dialog.BrightnessSlider()->Model().Maximum(), 6);
    // Nothing reaches the owner merely by opening the dialog.
    EXPECT_EQ(owner.brightnessCalls + owner.contrastCalls, 0);
}

TEST(DlgAdjustment, KnobsStartOnTheStepsOfTheCurrentValues)
{
    PictureOwner owner;
    owner.brightness = 1.4f;
    owner.contrast = 1.0f;
    int brightnessPos = -1, contrastPos = -1;
    RunAdjustment(owner, false, [&](CDlgAdjustment &dialog) {
        brightnessPos = dialog.BrightnessSlider()->Pos();
        contrastPos = dialog.ContrastSlider()->Pos();
        dialog.done(1);
    });
    EXPECT_EQ(brightnessPos, 5);
    EXPECT_EQ(contrastPos, 3);
}

TEST(DlgAdjustment, MovesApplyAtOnceAndCancelPutsTheOpeningValuesBack)
{
    PictureOwner owner;
    owner.brightness = 1.4f;
    owner.contrast = 1.0f;
    float whileOpen = 0.0f;
    bool stillOpen = false;
    const int result = RunAdjustment(owner, false, [&](CDlgAdjustment &dialog) {
        ClickStep(dialog.BrightnessSlider(), 6);
        whileOpen = owner.brightness;
        stillOpen = dialog.isVisible();
        ClickStep(dialog.ContrastSlider(), 0);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_FLOAT_EQ(whileOpen, 1.6f) << "the step is applied while the dialog is open";
    EXPECT_EQ(result, 2);
    EXPECT_FLOAT_EQ(owner.brightness, 1.4f);
    EXPECT_FLOAT_EQ(owner.contrast, 1.0f);
}

TEST(DlgAdjustment, OkKeepsTheNewValues)
{
    PictureOwner owner;
    owner.brightness = 1.0f;
    owner.contrast = 1.2f;
    const int result = RunAdjustment(owner, false, [&](CDlgAdjustment &dialog) {
        ClickStep(dialog.ContrastSlider(), 0);
        QTest::keyClick(&dialog, Qt::Key_Return); // Enter does not close the dialog
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible());
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FLOAT_EQ(owner.contrast, 0.4f);
    EXPECT_FLOAT_EQ(owner.brightness, 1.0f);
    EXPECT_EQ(owner.brightnessCalls, 0) << "OK sets nothing back";
}

TEST(DlgAdjustment, NightVisionStartsOnNeutralAndCancelRestoresItsValues)
{
    PictureOwner owner;
    owner.brightness = kNightVisionPicture;
    owner.contrast = kNightVisionPicture;
    int brightnessPos = -1, contrastPos = -1;
    const int result = RunAdjustment(owner, true, [&](CDlgAdjustment &dialog) {
        brightnessPos = dialog.BrightnessSlider()->Pos();
        contrastPos = dialog.ContrastSlider()->Pos();
        ClickStep(dialog.BrightnessSlider(), 1);
        ClickStep(dialog.ContrastSlider(), 6);
        EXPECT_FLOAT_EQ(owner.brightness, 0.6f);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(brightnessPos, 3);
    EXPECT_EQ(contrastPos, 3);
    EXPECT_EQ(result, 2);
    EXPECT_FLOAT_EQ(owner.brightness, 1.4f);
    EXPECT_FLOAT_EQ(owner.contrast, 1.4f);
}

TEST(DlgAdjustment, EscapeAndClosingTheWindowCancelToo)
{
    PictureOwner owner;
    owner.brightness = 0.8f;
    const int escaped = RunAdjustment(owner, false, [&](CDlgAdjustment &dialog) {
        ClickStep(dialog.BrightnessSlider(), 6);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(escaped, 2);
    EXPECT_FLOAT_EQ(owner.brightness, 0.8f);

    const int closed = RunAdjustment(owner, false, [&](CDlgAdjustment &dialog) {
        ClickStep(dialog.BrightnessSlider(), 0);
        dialog.close();
    });
    EXPECT_EQ(closed, 2);
    EXPECT_FLOAT_EQ(owner.brightness, 0.8f);
}

TEST(DlgAdjustment, LabelsInTheirRectanglesAndFontEndBeforeTheTracks)
{
    const QFont font = CDlgAdjustment::LabelFont();
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(CDlgAdjustment::kContrastLabel, QRect(QPoint(10, 23), QPoint(69, 37)));
    EXPECT_EQ(CDlgAdjustment::kBrightnessLabel, QRect(QPoint(10, 68), QPoint(69, 82)));
    // Each word is whole and ends before the slider's track (inset 9 from the slider at 80).
    for (const QString &label : {QStringLiteral("Contrast"), QStringLiteral("Brightness")})
        EXPECT_LE(10 + QFontMetrics(font).horizontalAdvance(label), 80 + 9) << label.toStdString();
}

TEST(DlgAdjustment, OnlyTheMainWindowResizesFromItsBorders)
{
    CDlgAdjustment dialog(nullptr);
    EXPECT_FALSE(dialog.IsResizable());
    CDlgMessage box;
    EXPECT_FALSE(box.IsResizable());
    // Over the bottom right corner the pointer keeps its usual shape.
    box.show();
    const QPoint corner(box.width() - 2, box.height() - 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(corner), box.mapToGlobal(QPointF(corner)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &move);
    EXPECT_EQ(box.cursor().shape(), Qt::ArrowCursor);
}

TEST(DlgAdjustment, OpensWhereTheMessageBoxOpens)
{
    // Within the test screen (800 x 600 offscreen), so that neither dialog is pushed back in.
    QWidget window;
    window.setGeometry(40, 30, 700, 520);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Where the dialog run next is centred; it is then ended.
    const auto centreOfNext = [](QPoint &centre) {
        QTimer::singleShot(0, [&centre] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                centre = dialog->geometry().center();
                dialog->done(2);
            }
        });
    };
    QPoint adjustment(-100, -100);
    centreOfNext(adjustment);
    PictureOwner owner;
    ShowAdjustment(&owner, 1.0f, 1.0f, false, &window);
    QPoint message(100, 100);
    centreOfNext(message);
    ShowMessage(0, QStringLiteral("text"), QString(), &window);
    // Both centred on the window (to a pixel or two of rounding).
    EXPECT_LE((adjustment - window.geometry().center()).manhattanLength(), 4)
        << adjustment.x() << "," << adjustment.y();
    EXPECT_LE((message - window.geometry().center()).manhattanLength(), 4)
        << message.x() << "," << message.y();
}

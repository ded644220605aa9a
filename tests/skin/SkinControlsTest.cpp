#include "ControlId.h"
#include "Progress.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "SliderOption.h"
#include "UserMessage.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Posted
{
    int code;
    qint64 value;
    std::any record;
};

// A parent window that keeps every notification its controls post.
class Recorder : public QWidget
{
public:
    Recorder() { resize(400, 300); }
    std::vector<Posted> posted;

    // Delivers what has been posted so far.
    std::vector<Posted> &Drain()
    {
        QCoreApplication::sendPostedEvents(this);
        return posted;
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == CUserMessage::EventType()) {
            const auto *message = static_cast<CUserMessage *>(event);
            posted.push_back({message->Code(), message->Value(), message->Record()});
            return true;
        }
        return QWidget::event(event);
    }
};

} // namespace

TEST(SkinButton, ClickPostsItsIdAfterTheHandlerReturns)
{
    Recorder parent;
    CSkinButton button(&parent, 1003);
    button.SetIconImage(3103);
    button.setGeometry(10, 10, 50, 35);
    parent.show();

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(button.CurrentLook(), CSkinButton::Pressed);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(parent.posted.empty()) << "posted, not sent";
    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].code, 1);
    EXPECT_EQ(posted[0].value, 1003);
    EXPECT_EQ(button.CurrentLook(), CSkinButton::Hover);
}

TEST(SkinButton, AccessiblePressReportsOnceLikeAClick)
{
    Recorder parent;
    CSkinButton button(&parent, 1017);
    button.setGeometry(0, 0, 20, 20);
    parent.show();
    button.click();
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 2u) << "one notification each, the mouse click included";
    EXPECT_EQ(posted[0].value, 1017);
    EXPECT_EQ(posted[1].value, 1017);
}

TEST(SkinButton, PressMoveOffReleasePostsNothingAndLooksNormal)
{
    Recorder parent;
    CSkinButton button(&parent, 1001);
    button.setGeometry(10, 10, 50, 35);
    parent.show();

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(25, 17));
    QTest::mouseMove(&button, QPoint(120, 17));
    EXPECT_EQ(button.CurrentLook(), CSkinButton::Pressed) << "held off the button";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(120, 17));
    EXPECT_TRUE(parent.Drain().empty());
    EXPECT_EQ(button.CurrentLook(), CSkinButton::Normal);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(25, 17));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(25, 36));
    EXPECT_TRUE(parent.Drain().empty()) << "one pixel below the bottom edge";
}

TEST(SkinButton, RightAndBottomEdgesCountAsInside)
{
    EXPECT_TRUE(CSkinButton::ReleaseIsInside(QPoint(50, 35), QSize(50, 35)));
    EXPECT_TRUE(CSkinButton::ReleaseIsInside(QPoint(0, 0), QSize(50, 35)));
    EXPECT_FALSE(CSkinButton::ReleaseIsInside(QPoint(51, 10), QSize(50, 35)));
    EXPECT_FALSE(CSkinButton::ReleaseIsInside(QPoint(-1, 10), QSize(50, 35)));

    Recorder parent;
    CSkinButton button(&parent, 1005);
    button.setGeometry(0, 0, 50, 35);
    parent.show();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(parent.Drain().size(), 1u);
}

TEST(SkinButton, IconMovesOnePixelRightWhilePressed)
{
    const QPoint normal = CSkinButton::IconPosition(QSize(50, 35), QSize(20, 15), false);
    const QPoint pressed = CSkinButton::IconPosition(QSize(50, 35), QSize(20, 15), true);
    EXPECT_EQ(normal, QPoint(15, 11));
    EXPECT_EQ(pressed, normal + QPoint(1, 0));
}

TEST(SkinButton, IconAndStripImagesSwitchTheKind)
{
    CSkinButton button(nullptr, 1012);
    button.SetIconImage(3142);
    EXPECT_TRUE(button.IsIconButton());
    button.ChangeIconImage(3139);
    EXPECT_EQ(button.IconImageId(), 3139);
    button.SetStripImage(3114);
    EXPECT_FALSE(button.IsIconButton());
    EXPECT_EQ(button.ControlId(), 1012);
    EXPECT_EQ(ControlIdOf(&button), 1012);
}

TEST(SkinRadioButton, EveryPressPostsEvenWhenAlreadyChecked)
{
    Recorder parent;
    CSkinRadioButton radio(&parent, 1076);
    radio.SetImages(3148);
    radio.setGeometry(5, 5, 15, 15);
    parent.show();

    QTest::mousePress(&radio, Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_TRUE(radio.IsChecked());
    QTest::mouseRelease(&radio, Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mousePress(&radio, Qt::LeftButton, {}, QPoint(7, 7));
    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 2u);
    for (const Posted &p : posted) {
        EXPECT_EQ(p.code, 2);
        EXPECT_EQ(p.value, 1076);
    }
}

TEST(SkinRadioButton, GroupKeysAndAssistiveTechnologyReportLikeAPress)
{
    Recorder parent;
    QButtonGroup group;
    CSkinRadioButton *radios[3];
    for (int i = 0; i < 3; ++i) {
        radios[i] = new CSkinRadioButton(&parent, 1039 + i);
        radios[i]->SetImages(3138);
        radios[i]->setGeometry(5, 5 + 30 * i, 15, 15);
        group.addButton(radios[i]);
    }
    parent.show();
    parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    radios[0]->SetChecked(true);
    EXPECT_TRUE(parent.Drain().empty()) << "the owner's word reports nothing";

    // Down moves the check along the group and reports the newly checked mark.
    radios[0]->setFocus();
    QTest::keyClick(radios[0], Qt::Key_Down);
    EXPECT_TRUE(radios[1]->IsChecked());
    EXPECT_FALSE(radios[0]->IsChecked());
    EXPECT_TRUE(radios[1]->hasFocus());
    // Tab reaches the group at its checked mark only.
    EXPECT_TRUE(radios[1]->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(radios[0]->focusPolicy() & Qt::TabFocus);

    QAccessibleInterface *third = QAccessible::queryAccessibleInterface(radios[2]);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->role(), QAccessible::RadioButton);
    EXPECT_FALSE(third->state().checked);
    third->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(third->state().checked);

    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].value, 1040);
    EXPECT_EQ(posted[1].value, 1041);

    // The owner may clear even the checked mark of an exclusive group (a refused click).
    radios[2]->SetChecked(false);
    EXPECT_FALSE(radios[2]->IsChecked());
    EXPECT_EQ(group.checkedButton(), nullptr);
    EXPECT_TRUE(parent.Drain().size() == 2u);
}

TEST(SkinRadioButton, ModesPickTheirSourcePictures)
{
    EXPECT_EQ(CSkinRadioButton::SourceRect(1, true, QSize(30, 15), {}), QRect(0, 0, 15, 15));
    EXPECT_EQ(CSkinRadioButton::SourceRect(1, false, QSize(30, 15), {}), QRect(15, 0, 15, 15));
    EXPECT_EQ(CSkinRadioButton::SourceRect(2, false, QSize(30, 15), QSize(12, 12)),
              QRect(0, 0, 12, 12));
    EXPECT_TRUE(CSkinRadioButton::SourceRect(3, true, QSize(30, 15), {}).isEmpty());
}

TEST(SkinSlider, FillModePostsThePosition)
{
    Recorder parent;
    CSkinSlider slider(&parent, 1028);
    slider.SetBackgroundImage(3200);
    slider.SetFillImage(3201);
    slider.SetRange(0, 100);
    slider.setGeometry(0, 0, 103, 30);
    parent.show();

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(51, 10));
    QTest::mouseMove(&slider, QPoint(300, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(300, 10));
    auto &posted = parent.Drain();
    ASSERT_GE(posted.size(), 2u);
    EXPECT_EQ(posted.front().code, 5);
    EXPECT_EQ(posted.front().value, 49);
    EXPECT_FALSE(posted.front().record.has_value());
    EXPECT_EQ(posted.back().value, 100);
    EXPECT_EQ(slider.Pos(), 100);
}

TEST(SkinSlider, KnobModePostsARecordWithTheControlId)
{
    Recorder parent;
    CSkinSlider slider(&parent, 1030);
    slider.SetBackgroundImage(3202);
    slider.SetKnobImage(3203);
    slider.SetKnobMode(true);
    slider.SetRange(0, 6);
    slider.SetMargin(9);
    slider.setGeometry(0, 0, 200, 30);
    parent.show();

    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(100, 15));
    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 1u);
    const auto *record = std::any_cast<SliderRecord>(&posted[0].record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(*record, (SliderRecord{3, 1030}));
    EXPECT_FALSE(slider.SetPos(7));
    EXPECT_EQ(slider.Pos(), 3);
}

TEST(SkinSlider, KeysAndAssistiveTechnologyMoveItLikeTheMouse)
{
    Recorder parent;
    CSkinSlider slider(&parent, 1030);
    slider.SetBackgroundImage(3202);
    slider.SetKnobImage(3203);
    slider.SetKnobMode(true);
    slider.SetRange(0, 6);
    slider.SetMargin(9);
    slider.setGeometry(0, 0, 200, 30);
    parent.show();
    ASSERT_TRUE(slider.SetPos(3));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->valueInterface()->maximumValue().toInt(), 6);
    const QImage placed = slider.grab().toImage();

    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.Pos(), 4);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.Pos(), 6);
    iface->valueInterface()->setCurrentValue(3);
    EXPECT_EQ(slider.Pos(), 3);
    // The knob is drawn where SetPos puts it.
    EXPECT_EQ(slider.grab().toImage(), placed);

    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 3u) << "SetPos posts nothing; each key and the set value do";
    EXPECT_EQ(*std::any_cast<SliderRecord>(&posted[0].record), (SliderRecord{4, 1030}));
    EXPECT_EQ(posted[1].value, 6);
    EXPECT_EQ(posted[2].value, 3);

    // Disabled, it ignores the keys.
    slider.SetSliderEnabled(false);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.Pos(), 3);
    EXPECT_EQ(parent.Drain().size(), 3u);
}

TEST(SliderOption, DragPostsRecordsAndKeepsTheKnobInside)
{
    Recorder parent;
    CSliderOption slider(&parent, 1050);
    slider.setGeometry(0, 0, 300, 30);
    slider.SetValues(50, 0, false);
    parent.show();

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(150, 15));
    QTest::mouseMove(&slider, QPoint(0, 15));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(0, 15));
    auto &posted = parent.Drain();
    ASSERT_FALSE(posted.empty());
    const auto *last = std::any_cast<SliderOptionRecord>(&posted.back().record);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(posted.back().code, 6);
    EXPECT_EQ(*last, (SliderOptionRecord{1, 0, 1, 1050}));
}

TEST(SliderOption, KeysMoveEitherKnobAndReportLikeADrag)
{
    Recorder parent;
    CSliderOption slider(&parent, 1073);
    slider.setGeometry(0, 0, 260, 25);
    slider.SetValues(40, 30, true);
    parent.show();
    EXPECT_EQ(slider.value(), 40) << "the value is the first share";

    QTest::keyClick(&slider, Qt::Key_Right);
    QTest::keyClick(&slider, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&slider, Qt::Key_End); // up to one step before the second knob
    QAccessible::queryAccessibleInterface(&slider)->valueInterface()->setCurrentValue(20);
    auto &posted = parent.Drain();
    ASSERT_EQ(posted.size(), 4u);
    const auto record = [&posted](int i) {
        return *std::any_cast<SliderOptionRecord>(&posted[i].record);
    };
    EXPECT_EQ(record(0), (SliderOptionRecord{5, 7, 0, 1073}));
    EXPECT_EQ(record(1), (SliderOptionRecord{5, 8, 0, 1073}));
    EXPECT_EQ(record(2), (SliderOptionRecord{7, 8, 0, 1073}));
    EXPECT_EQ(record(3), (SliderOptionRecord{2, 8, 0, 1073}));
    EXPECT_EQ(slider.value(), 20);
}

TEST(Progress, TextAndFillFollowThePosition)
{
    CProgress bar;
    bar.resize(490, 30);
    bar.SetPos(100);
    EXPECT_EQ(bar.FilledWidth(), 490);
    EXPECT_EQ(bar.Text(), QStringLiteral("100%"));
    bar.SetPos(0);
    EXPECT_EQ(bar.FilledWidth(), 0);
    EXPECT_EQ(bar.Text(), QStringLiteral("0%"));

    // The text changes colour at the fill edge: red on white left of it at 0%.
    bar.show();
    const QImage empty = bar.grab().toImage();
    EXPECT_EQ(QColor(empty.pixel(2, 2)), CProgress::BackgroundColour());
    bar.SetPos(100);
    const QImage full = bar.grab().toImage();
    EXPECT_EQ(QColor(full.pixel(2, 2)), CProgress::BarColour());
}

#include "SliderMath.h"

#include <gtest/gtest.h>

namespace {

SkinSliderModel fillSlider(int width, int minimum = 0, int maximum = 100)
{
    SkinSliderModel model;
    model.SetRange(minimum, maximum);
    model.SetWidth(width);
    return model;
}

SkinSliderModel knobSlider(int width = 200, int knobWidth = 18)
{
    SkinSliderModel model;
    model.SetKnobMode(true);
    model.SetRange(0, 6);
    model.SetMargin(9);
    model.SetKnobWidth(knobWidth);
    model.SetWidth(width);
    return model;
}

} // namespace

TEST(SkinSliderModel, FillModeTakesTheTruncatedShareOfTheWidth)
{
    SkinSliderModel model = fillSlider(103);
    EXPECT_EQ(model.Press(51), 49); // trunc(51 / 103 * 100)
    EXPECT_EQ(model.Move(200), 100);
    EXPECT_DOUBLE_EQ(model.Fraction(), 1.0);
    EXPECT_EQ(model.Move(-5), 0);
    EXPECT_DOUBLE_EQ(model.Fraction(), 0.0);
    EXPECT_EQ(model.Move(103), 100);
    model.Release();
    EXPECT_FALSE(model.Move(40).has_value()) << "moves after the release post nothing";
}

TEST(SkinSliderModel, KnobModeSnapsToTheNearestStep)
{
    SkinSliderModel model = knobSlider();
    EXPECT_NEAR(model.StepWidth(), 30.333, 0.001);
    EXPECT_EQ(model.Press(100), 3);
    EXPECT_EQ(model.KnobX(), 9 + 91 - 9); // margin + trunc(3 * 30.33) - knob width / 2
    EXPECT_EQ(model.Move(195), 6) << "past the last half step is the maximum";
    EXPECT_EQ(model.KnobX(), 200 - 9 - 9);
    EXPECT_EQ(model.Move(10), 0) << "within half a step of the start is the minimum";
    EXPECT_EQ(model.KnobX(), 0);
    EXPECT_EQ(model.Move(40), 1);
}

TEST(SkinSliderModel, SetPosRejectsValuesOutsideTheRangeAndWhileDisabled)
{
    SkinSliderModel model = knobSlider();
    ASSERT_TRUE(model.SetPos(2));
    const int knobX = model.KnobX();
    EXPECT_FALSE(model.SetPos(7));
    EXPECT_FALSE(model.SetPos(-1));
    EXPECT_EQ(model.Position(), 2);
    EXPECT_EQ(model.KnobX(), knobX);

    model.SetEnabled(false);
    EXPECT_FALSE(model.SetPos(4));
    EXPECT_EQ(model.Position(), 2);
    EXPECT_FALSE(model.Press(100).has_value()) << "a disabled slider ignores the mouse";
}

TEST(SkinSliderModel, SetPosPlacesTheKnobWithoutMarginsBetweenTheEnds)
{
    SkinSliderModel model = knobSlider();
    ASSERT_TRUE(model.SetPos(0));
    EXPECT_EQ(model.KnobX(), 9 - 9);
    ASSERT_TRUE(model.SetPos(6));
    EXPECT_EQ(model.KnobX(), 200 - 9 - 9);
    ASSERT_TRUE(model.SetPos(3));
    EXPECT_EQ(model.KnobX(), 100 - 9); // trunc(3 * 200 / 6) - knob width / 2
    EXPECT_DOUBLE_EQ(model.Fraction(), 0.5);
}

TEST(SkinSliderModel, EmptyRangeNeverDividesByZero)
{
    SkinSliderModel fill = fillSlider(490, 0, 0);
    EXPECT_TRUE(fill.SetPos(0));
    EXPECT_DOUBLE_EQ(fill.Fraction(), 0.0);
    EXPECT_EQ(fill.FillWidth(490), 0) << "nothing to copy shows no fill";
    EXPECT_EQ(fill.Press(300), 0);

    SkinSliderModel knob = knobSlider();
    knob.SetRange(4, 4);
    EXPECT_DOUBLE_EQ(knob.StepWidth(), 0.0);
    EXPECT_TRUE(knob.SetPos(4));
    EXPECT_EQ(knob.Press(150), 4);
    EXPECT_EQ(knob.Move(-30), 4);
}

TEST(SliderStepAt, FallsBackToTheLastButOneStepWithinRange)
{
    EXPECT_EQ(SliderStepAt(0.0, 10.0, 10), 0);
    EXPECT_EQ(SliderStepAt(24.9, 10.0, 10), 2);
    EXPECT_EQ(SliderStepAt(500.0, 10.0, 10), 9) << "no qualifying step";
    EXPECT_EQ(SliderStepAt(3.0, 0.0, 0), 0) << "an empty range never gives a negative step";
}

TEST(ProgressFill, FollowsTheValueAndStaysInsideTheBar)
{
    EXPECT_EQ(ProgressFillWidth(100, 100, 490), 490);
    EXPECT_EQ(ProgressFillWidth(0, 100, 490), 0);
    EXPECT_EQ(ProgressFillWidth(42, 100, 490), 205); // trunc(205.8)
    EXPECT_EQ(ProgressFillWidth(150, 100, 490), 490);
    EXPECT_EQ(ProgressFillWidth(-3, 100, 490), 0);
    EXPECT_EQ(ProgressFillWidth(5, 0, 490), 0);
}

namespace {

SliderOptionModel optionSlider(int width = 300, int knobWidth = 18)
{
    SliderOptionModel model;
    model.SetKnobWidth(knobWidth);
    model.SetWidth(width);
    return model;
}

} // namespace

TEST(SliderOptionModel, SetValuesPutsTheKnobsOnTheirSteps)
{
    SliderOptionModel model = optionSlider();
    model.SetValues(40, 30, true);
    EXPECT_TRUE(model.IsDual());
    EXPECT_EQ(model.FirstStep(), 4);
    EXPECT_EQ(model.SecondStep(), 7);
    EXPECT_EQ(model.FirstKnobX(), static_cast<int>(4 * model.StepWidth()) + 9 - 9);

    model.SetValues(50, 50, false);
    EXPECT_FALSE(model.IsDual());
    EXPECT_EQ(model.FirstStep(), 5);
}

TEST(SliderOptionModel, OneKnobPressNearTheEndsChangesNothing)
{
    SliderOptionModel model = optionSlider();
    model.SetValues(50, 0, false);
    const double half = model.StepWidth() / 2;
    EXPECT_FALSE(model.Press(static_cast<int>(half + 14), 7).has_value());
    EXPECT_EQ(model.FirstStep(), 5);
    EXPECT_FALSE(model.Press(299, 7).has_value());
    EXPECT_EQ(model.FirstStep(), 5);
    model.Release();

    const auto record = model.Press(9 + static_cast<int>(3 * model.StepWidth()), 7);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(*record, (SliderOptionRecord{3, 0, 1, 7}));
}

TEST(SliderOptionModel, OneKnobDragStaysWithinStepsOneToNine)
{
    SliderOptionModel model = optionSlider();
    model.SetValues(50, 0, false);
    model.Press(5, 7);
    EXPECT_EQ(model.Move(-100, 7)->firstStep, 1);
    EXPECT_EQ(model.Move(1000, 7)->firstStep, 9);
    for (int x = 0; x <= 300; x += 3) {
        const int step = model.Move(x, 7)->firstStep;
        EXPECT_GE(step, 1) << x;
        EXPECT_LE(step, 9) << x;
    }
}

TEST(SliderOptionModel, SecondKnobDraggedOntoTheFirstStopsOneStepRight)
{
    SliderOptionModel model = optionSlider();
    model.SetValues(40, 30, true);
    EXPECT_FALSE(model.Press(model.SecondKnobX() + 2, 7).has_value()) << "two-knob press posts";
    EXPECT_EQ(model.DragTarget(), SliderOptionModel::Second);
    EXPECT_FALSE(model.Move(model.FirstKnobX() + 3, 7).has_value());
    EXPECT_EQ(model.SecondStep(), 5);
    EXPECT_EQ(model.FirstStep(), 4);

    const auto record = model.Move(9 + static_cast<int>(8 * model.StepWidth()), 7);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(*record, (SliderOptionRecord{4, 8, 0, 7}));
    EXPECT_EQ(model.Move(1000, 7)->secondStep, 9);
    model.Release();
    EXPECT_EQ(model.DragTarget(), SliderOptionModel::None);
}

TEST(SliderOptionModel, FirstKnobNeverReachesTheSecond)
{
    // A narrow knob on wide steps: just left of the second knob the step under the cursor is
    // the second knob's own.
    SliderOptionModel model = optionSlider(300, 4);
    model.SetValues(20, 50, true);
    model.Press(model.FirstKnobX() + 1, 7);
    ASSERT_EQ(model.DragTarget(), SliderOptionModel::First);
    for (int x = 0; x < model.SecondKnobX() - 5; ++x) {
        const auto record = model.Move(x, 7);
        ASSERT_TRUE(record.has_value()) << x;
        EXPECT_GE(record->firstStep, 1) << x;
        EXPECT_LT(record->firstStep, record->secondStep) << x;
    }
    EXPECT_FALSE(model.Move(model.SecondKnobX(), 7).has_value());
    EXPECT_EQ(model.FirstStep(), model.SecondStep() - 1);
}

TEST(SliderOptionModel, PressAwayFromBothKnobsDragsNothing)
{
    SliderOptionModel model = optionSlider();
    model.SetValues(20, 20, true);
    model.Press(280, 7);
    EXPECT_EQ(model.DragTarget(), SliderOptionModel::None);
    EXPECT_FALSE(model.Move(100, 7).has_value());
}

TEST(SliderOptionModel, KeyStepsKeepTheKnobsWhereDraggingWould)
{
    SliderOptionModel one;
    one.SetWidth(260);
    one.SetValues(0, 0, false); // time order: the knob at the start
    EXPECT_EQ(one.StepKnob(SliderOptionModel::First, -1, 5), (SliderOptionRecord{1, 0, 1, 5}));
    EXPECT_EQ(one.StepKnob(SliderOptionModel::First, 1, 5), std::nullopt) << "no move, no report";
    EXPECT_EQ(one.StepKnob(SliderOptionModel::Second, 12, 5)->firstStep, 9)
        << "one knob: the second is the first";

    SliderOptionModel two;
    two.SetWidth(260);
    two.SetValues(40, 30, true);
    // The knobs stay a step apart and within steps 1 to 9.
    EXPECT_EQ(two.StepKnob(SliderOptionModel::First, 9, 5), (SliderOptionRecord{6, 7, 0, 5}));
    EXPECT_EQ(two.StepKnob(SliderOptionModel::Second, 2, 5), std::nullopt);
    EXPECT_EQ(two.StepKnob(SliderOptionModel::Second, 12, 5), (SliderOptionRecord{6, 9, 0, 5}));
    // The knobs are drawn where SetValues puts knobs on the same steps.
    SliderOptionModel same;
    same.SetWidth(260);
    same.SetValues(60, 30, true);
    EXPECT_EQ(two.FirstKnobX(), same.FirstKnobX());
    EXPECT_EQ(two.SecondKnobX(), same.SecondKnobX());
}

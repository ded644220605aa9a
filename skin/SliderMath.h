#pragma once

#include <optional>

// The arithmetic of the skinned sliders and the progress bar, without widgets.

// Width of one step of a track `width` wide with `margin` inset at both ends; 0 for an empty
// range (maximum equal to the minimum).
double SliderStepWidth(int width, int margin, int minimum, int maximum);

// The step under `d` pixels from the track's start: the first i from 0 with
// i * stepWidth - half < d < i * stepWidth + half; when none qualifies, steps - 1 (never
// below 0).
int SliderStepAt(double d, double stepWidth, int steps);

// The filled width of the progress bar: trunc(value / maximum * width), kept within 0..width;
// 0 when the maximum is not positive.
int ProgressFillWidth(int value, int maximum, int width);

// The notification record of a knob slider (code 5).
struct SliderRecord
{
    int position = 0;
    int controlId = 0;

    bool operator==(const SliderRecord &) const = default;
};

// The notification record of the ratio slider (code 6).
struct SliderOptionRecord
{
    int firstStep = 0;
    int secondStep = 0;
    int single = 1; // 1 with one knob, 0 with two
    int controlId = 0;

    bool operator==(const SliderOptionRecord &) const = default;
};

// State and rules of the general slider: a fill bar, or a knob that snaps to whole steps.
class SkinSliderModel
{
public:
    void SetRange(int minimum, int maximum);
    void SetWidth(int width);
    void SetMargin(int margin);
    void SetKnobWidth(int knobWidth) { m_knobWidth = knobWidth; }
    void SetKnobMode(bool knobMode) { m_knobMode = knobMode; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    // False, with nothing changed, for a value outside the range or a disabled slider.
    bool SetPos(int value);

    // Mouse: a press starts dragging; a press and every move while dragging give the new
    // position to post. Nothing happens while disabled.
    std::optional<int> Press(int x);
    std::optional<int> Move(int x);
    void Release() { m_dragging = false; }

    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    int Position() const { return m_position; }
    double Fraction() const { return m_fraction; }
    int KnobX() const { return m_knobX; }
    double StepWidth() const { return m_stepWidth; }
    bool IsDragging() const { return m_dragging; }
    bool IsEnabled() const { return m_enabled; }
    bool IsKnobMode() const { return m_knobMode; }
    int Width() const { return m_width; }

    // Width of the fill drawn over a background `backgroundWidth` wide.
    int FillWidth(int backgroundWidth) const;

private:
    void positionFromX(int x);
    void updateStepWidth();

    bool m_enabled = true;
    bool m_knobMode = false;
    bool m_dragging = false;
    int m_min = 0;
    int m_max = 100;
    int m_margin = 0;
    int m_width = 0;
    int m_knobWidth = 0;
    double m_stepWidth = 0.0;
    int m_position = 0;
    double m_fraction = 0.5;
    int m_knobX = 0;
};

// State and rules of the ratio slider: ten steps, one knob or two, kept within steps 1 to 9
// while dragging.
class SliderOptionModel
{
public:
    enum Target { First = 0, Second = 1, None = 2 };

    SliderOptionModel();

    void SetWidth(int width);
    void SetKnobWidth(int knobWidth) { m_knobWidth = knobWidth; }
    void SetMargin(int margin);
    void SetRange(int minimum, int maximum);

    // Percentages in steps of 10: the first knob on first / 10, the second (when dual) on
    // (first + second) / 10.
    void SetValues(int first, int second, bool dual);

    // Mouse: each returns the record to post, if any.
    std::optional<SliderOptionRecord> Press(int x, int controlId);
    std::optional<SliderOptionRecord> Move(int x, int controlId);
    void Release();

    // Keys: puts a knob on a step, kept where dragging would keep it (within steps 1 to 9,
    // and the two knobs at least one step apart). The record to post when the knob moved.
    std::optional<SliderOptionRecord> StepKnob(Target knob, int step, int controlId);

    bool IsDual() const { return m_dual; }
    int FirstStep() const { return m_firstStep; }
    int SecondStep() const { return m_secondStep; }
    int FirstKnobX() const { return m_firstX; }
    int SecondKnobX() const { return m_secondX; }
    Target DragTarget() const { return m_target; }
    bool IsDragging() const { return m_dragging; }
    double StepWidth() const { return m_stepWidth; }

private:
    int knobXForStep(int step) const;
    int stepAt(int x) const;
    void updateStepWidth();

    int m_margin = 9;
    int m_min = 0;
    int m_max = 10;
    int m_width = 0;
    int m_knobWidth = 0;
    double m_stepWidth = 0.0;
    bool m_dual = false;
    int m_firstStep = 0;
    int m_secondStep = 0;
    int m_firstX = 0;
    int m_secondX = 0;
    Target m_target = None;
    bool m_dragging = false;
};

#include "SliderMath.h"

#include <algorithm>
#include <cmath>

double SliderStepWidth(int width, int margin, int minimum, int maximum)
{
    if (maximum == minimum)
        return 0.0;
    return static_cast<double>(width - 2 * margin) / (maximum - minimum);
}

int SliderStepAt(double d, double stepWidth, int steps)
{
    const double half = stepWidth / 2.0;
    for (int i = 0; i <= steps; ++i) {
        const double centre = i * stepWidth;
        if (centre - half < d && d < centre + half)
            return i;
    }
    return std::max(steps - 1, 0);
}

int ProgressFillWidth(int value, int maximum, int width)
{
    if (maximum <= 0 || width <= 0)
        return 0;
    const double fill = static_cast<double>(value) / maximum * width;
    return std::clamp(static_cast<int>(std::trunc(fill)), 0, width);
}

// ---- SkinSliderModel

void SkinSliderModel::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    updateStepWidth();
}

void SkinSliderModel::SetWidth(int width)
{
    m_width = width;
    updateStepWidth();
}

void SkinSliderModel::SetMargin(int margin)
{
    m_margin = margin;
    updateStepWidth();
}

void SkinSliderModel::updateStepWidth()
{
    m_stepWidth = SliderStepWidth(m_width, m_margin, m_min, m_max);
}

bool SkinSliderModel::SetPos(int value)
{
    if (!m_enabled || value < m_min || value > m_max)
        return false;
    m_position = value;
    const int span = m_max - m_min;
    m_fraction = span == 0 ? 0.0 : static_cast<double>(value - m_min) / span;
    if (m_knobMode) {
        if (value == m_min)
            m_knobX = m_margin - m_knobWidth / 2;
        else if (value == m_max)
            m_knobX = m_width - m_margin - m_knobWidth / 2;
        else
            m_knobX =
                static_cast<int>(std::trunc(static_cast<double>(value - m_min) * m_width / span)) -
                m_knobWidth / 2;
    }
    return true;
}

void SkinSliderModel::positionFromX(int x)
{
    const int span = m_max - m_min;
    if (!m_knobMode) {
        if (x < 0) {
            m_position = m_min;
            m_fraction = 0.0;
        } else if (x > m_width) {
            m_position = m_max;
            m_fraction = 1.0;
        } else {
            m_fraction = m_width > 0 ? static_cast<double>(x) / m_width : 0.0;
            m_position = m_min + static_cast<int>(std::trunc(m_fraction * span));
        }
        return;
    }
    if (span == 0) {
        // An empty range has one place only.
        m_position = m_min;
        m_knobX = m_margin - m_knobWidth / 2;
        return;
    }
    const double half = m_stepWidth / 2.0;
    if (x > m_width - m_margin - half) {
        m_position = m_max;
        m_knobX = m_width - m_margin - m_knobWidth / 2;
    } else if (x < half) {
        m_position = m_min;
        m_knobX = m_margin - m_knobWidth / 2;
    } else {
        const int i = SliderStepAt(x - m_margin, m_stepWidth, span);
        m_position = m_min + i;
        m_knobX = m_margin + static_cast<int>(std::trunc(i * m_stepWidth)) - m_knobWidth / 2;
    }
}

std::optional<int> SkinSliderModel::Press(int x)
{
    if (!m_enabled)
        return std::nullopt;
    m_dragging = true;
    m_fraction = m_width > 0 ? static_cast<double>(x) / m_width : 0.0;
    positionFromX(x);
    return m_position;
}

std::optional<int> SkinSliderModel::Move(int x)
{
    if (!m_enabled || !m_dragging)
        return std::nullopt;
    m_fraction = m_width > 0 ? static_cast<double>(x) / m_width : 0.0;
    positionFromX(x);
    return m_position;
}

int SkinSliderModel::FillWidth(int backgroundWidth) const
{
    const double fraction = std::clamp(m_fraction, 0.0, 1.0);
    return static_cast<int>(std::trunc(backgroundWidth * fraction));
}

// ---- SliderOptionModel

SliderOptionModel::SliderOptionModel()
{
    updateStepWidth();
}

void SliderOptionModel::SetWidth(int width)
{
    m_width = width;
    updateStepWidth();
    m_firstX = knobXForStep(m_firstStep);
    m_secondX = knobXForStep(m_secondStep);
}

void SliderOptionModel::SetMargin(int margin)
{
    m_margin = margin;
    updateStepWidth();
}

void SliderOptionModel::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    updateStepWidth();
}

void SliderOptionModel::updateStepWidth()
{
    m_stepWidth = SliderStepWidth(m_width, m_margin, m_min, m_max);
}

int SliderOptionModel::knobXForStep(int step) const
{
    return static_cast<int>(std::trunc(step * m_stepWidth)) + m_margin - m_knobWidth / 2;
}

int SliderOptionModel::stepAt(int x) const
{
    return SliderStepAt(x - m_margin, m_stepWidth, m_max - m_min);
}

void SliderOptionModel::SetValues(int first, int second, bool dual)
{
    m_firstStep = first / 10;
    m_firstX = knobXForStep(m_firstStep);
    if (dual) {
        m_secondStep = (first + second) / 10;
        m_secondX = knobXForStep(m_secondStep);
    }
    m_dual = dual;
}

std::optional<SliderOptionRecord> SliderOptionModel::Press(int x, int controlId)
{
    if (m_dual) {
        if (m_firstX - 15 < x && x < m_firstX + m_knobWidth + 15)
            m_target = First;
        else if (m_secondX - 15 < x && x < m_secondX + m_knobWidth + 15)
            m_target = Second;
        else
            m_target = None;
        if (m_target != None)
            m_dragging = true;
        return std::nullopt;
    }
    m_dragging = true;
    const double half = m_stepWidth / 2.0;
    if (x > m_width - m_margin - half || x < half + 15)
        return std::nullopt;
    m_firstStep = stepAt(x);
    m_firstX = knobXForStep(m_firstStep);
    return SliderOptionRecord{m_firstStep, m_secondStep, 1, controlId};
}

std::optional<SliderOptionRecord> SliderOptionModel::Move(int x, int controlId)
{
    if (!m_dragging)
        return std::nullopt;
    const double half = m_stepWidth / 2.0;
    const int lastStep = m_max - 1;
    if (!m_dual) {
        if (x > m_width - m_margin - half)
            m_firstStep = lastStep;
        else if (x < half + 15)
            m_firstStep = 1;
        else
            m_firstStep = stepAt(x);
        m_firstX = knobXForStep(m_firstStep);
        return SliderOptionRecord{m_firstStep, m_secondStep, 1, controlId};
    }
    if (m_target == First) {
        if (x > m_secondX - 5) {
            m_firstStep = m_secondStep - 1;
            m_firstX = knobXForStep(m_firstStep);
            return std::nullopt;
        }
        // Never onto or past the second knob, whatever the knob's width.
        m_firstStep = std::min(x < half + 10 ? 1 : stepAt(x), m_secondStep - 1);
        m_firstX = knobXForStep(m_firstStep);
        return SliderOptionRecord{m_firstStep, m_secondStep, 0, controlId};
    }
    if (m_target == Second) {
        if (x < m_firstX + m_knobWidth + 5) {
            m_secondStep = m_firstStep + 1;
            m_secondX = knobXForStep(m_secondStep);
            return std::nullopt;
        }
        m_secondStep =
            std::max(x > m_width - m_margin - half - 10 ? lastStep : stepAt(x), m_firstStep + 1);
        m_secondX = knobXForStep(m_secondStep);
        return SliderOptionRecord{m_firstStep, m_secondStep, 0, controlId};
    }
    return std::nullopt;
}

std::optional<SliderOptionRecord> SliderOptionModel::StepKnob(Target knob, int step, int controlId)
{
    const int lastStep = m_max - 1;
    if (knob == First || (knob == Second && !m_dual)) {
        const int highest = m_dual ? m_secondStep - 1 : lastStep;
        step = std::clamp(step, 1, std::max(1, highest));
        if (step == m_firstStep)
            return std::nullopt;
        m_firstStep = step;
        m_firstX = knobXForStep(m_firstStep);
    } else if (knob == Second) {
        step = std::clamp(step, std::min(m_firstStep + 1, lastStep), lastStep);
        if (step == m_secondStep)
            return std::nullopt;
        m_secondStep = step;
        m_secondX = knobXForStep(m_secondStep);
    } else {
        return std::nullopt;
    }
    return SliderOptionRecord{m_firstStep, m_secondStep, m_dual ? 0 : 1, controlId};
}

void SliderOptionModel::Release()
{
    m_dragging = false;
    m_target = None;
}

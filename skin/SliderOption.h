#pragma once

#include "SliderMath.h"

#include <QAbstractSlider>

// The ratio slider: a track of ten steps with one knob, or two knobs that split 100 % into
// three shares. Dragging keeps the knobs within steps 1 to 9 and posts code 6 with the record
// {first step, second step, single, control id}.
//
// Its value (QAbstractSlider, 0-100 in tens) is the first knob's share. The arrow and
// Home / End keys move the first knob, with Shift the second one; assistive technology sets
// the first knob's share. Each knob stays where dragging would keep it, and every move
// reports like a drag.
class CSliderOption : public QAbstractSlider
{
    Q_OBJECT
public:
    explicit CSliderOption(QWidget *parent = nullptr, int controlId = 0);

    int ControlId() const;
    void SetControlId(int id);

    // Percentages in steps of 10 (for example the normal and event shares).
    void SetValues(int first, int second, bool dual);

    const SliderOptionModel &Model() const { return m_model; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void post(const SliderOptionRecord &record);
    void stepKnob(SliderOptionModel::Target knob, int step);
    void showFirstStep();
    void onValueChanged(int value);

    SliderOptionModel m_model;
    bool m_showing = false; // the value follows the model; not a change of the user's
};

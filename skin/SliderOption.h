#pragma once

#include "SliderMath.h"

#include <QWidget>

// The ratio slider: a track of ten steps with one knob, or two knobs that split 100 % into
// three shares. Dragging keeps the knobs within steps 1 to 9 and posts code 6 with the record
// {first step, second step, single, control id}.
class CSliderOption : public QWidget
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

private:
    void post(const SliderOptionRecord &record);

    SliderOptionModel m_model;
};

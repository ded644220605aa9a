#pragma once

#include "SliderMath.h"

#include <QWidget>

// A slider drawn from skin images: a fill bar (volume, copy progress) or a knob on a track
// that snaps to whole steps (picture adjustment). Every press and every move while dragging
// posts code 5 to the parent: in fill mode the value is the position; in knob mode the record
// {position, control id} comes with it (the value is the position too).
class CSkinSlider : public QWidget
{
    Q_OBJECT
public:
    explicit CSkinSlider(QWidget *parent = nullptr, int controlId = 0);

    int ControlId() const;
    void SetControlId(int id);

    void SetBackgroundImage(int imageId) { m_background = imageId; }
    void SetFillImage(int imageId) { m_fill = imageId; }
    void SetKnobImage(int imageId);
    void SetKnobMode(bool knobMode) { m_model.SetKnobMode(knobMode); }
    void SetRange(int minimum, int maximum) { m_model.SetRange(minimum, maximum); }
    void SetMargin(int margin) { m_model.SetMargin(margin); }
    void SetSliderEnabled(bool enabled);

    // False, with nothing changed, for a value outside the range or while disabled.
    bool SetPos(int value);
    int Pos() const { return m_model.Position(); }

    const SkinSliderModel &Model() const { return m_model; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void post(int position);

    SkinSliderModel m_model;
    int m_background = 0;
    int m_fill = 0;
    int m_knob = 0;
};

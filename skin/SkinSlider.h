#pragma once

#include "SliderMath.h"

#include <QAbstractSlider>

// A slider drawn from skin images: a fill bar (volume, copy progress) or a knob on a track
// that snaps to whole steps (picture adjustment). Every press and every move while dragging
// posts code 5 to the parent: in fill mode the value is the position; in knob mode the record
// {position, control id} comes with it (the value is the position too).
//
// Its value (QAbstractSlider) is the position: the arrow, Page and Home / End keys and
// assistive technology change it within the range and report the change like the mouse does;
// SetPos, the owner's word, reports nothing.
class CSkinSlider : public QAbstractSlider
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
    void SetRange(int minimum, int maximum);
    void SetMargin(int margin) { m_model.SetMargin(margin); }
    // A disabled slider draws only its background and ignores the mouse and the keys.
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
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void post(int position);
    void showPosition();
    void onValueChanged(int value);

    SkinSliderModel m_model;
    int m_background = 0;
    int m_fill = 0;
    int m_knob = 0;
    bool m_showing = false; // the value follows the model; not a change of the user's
};

#pragma once

#include <QAbstractButton>

// A radio mark drawn from skin images. Mode 1: one image with two frames side by side (left
// checked, right unchecked); mode 2: a checked image and an unchecked image; any other mode
// draws nothing. A press checks it and posts code 2 with its control id to its parent, every
// time, even when it is already checked; the parent then decides what the click means and
// sets the marks of the group itself (SetChecked).
//
// It is a checkable, auto-exclusive button: within its QButtonGroup (or, without one, among
// its sibling radios) one mark is checked, the arrow keys move the check along the group,
// and Tab stops at the group's checked mark only. A check from the keyboard or from
// assistive technology reports like a press.
class CSkinRadioButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit CSkinRadioButton(QWidget *parent = nullptr, int controlId = 0);

    int ControlId() const;
    void SetControlId(int id);

    void SetMode(int mode) { m_mode = mode; }
    int Mode() const { return m_mode; }
    void SetImages(int imageA, int imageB = 0);
    // The owner's word on the mark: it may clear even the checked mark of its group (the
    // group may then have no mark checked). Reports nothing.
    void SetChecked(bool checked);
    bool IsChecked() const { return isChecked(); }

    // The part of the source image shown for the mode and mark; empty when nothing is drawn.
    static QRect SourceRect(int mode, bool checked, QSize imageA, QSize imageB);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void post();
    void onToggled(bool checked);
    void updateTabStops();

    int m_mode = 1;
    int m_imageA = 0;
    int m_imageB = 0;
    bool m_ownerSetting = false; // SetChecked is under way
    bool m_clicking = false;     // a click (mouse, arrow keys, press action) is under way
};

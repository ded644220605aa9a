#pragma once

#include <QWidget>

// A radio mark drawn from skin images. Mode 1: one image with two frames side by side (left
// checked, right unchecked); mode 2: a checked image and an unchecked image; any other mode
// draws nothing. A press checks it and posts code 2 with its control id to its parent, every
// time, even when it is already checked; clearing the other marks of its group is the
// parent's work.
class CSkinRadioButton : public QWidget
{
    Q_OBJECT
public:
    explicit CSkinRadioButton(QWidget *parent = nullptr, int controlId = 0);

    int ControlId() const;
    void SetControlId(int id);

    void SetMode(int mode) { m_mode = mode; }
    int Mode() const { return m_mode; }
    void SetImages(int imageA, int imageB = 0);
    void SetChecked(bool checked);
    bool IsChecked() const { return m_checked; }

    // The part of the source image shown for the mode and mark; empty when nothing is drawn.
    static QRect SourceRect(int mode, bool checked, QSize imageA, QSize imageB);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_mode = 1;
    int m_imageA = 0;
    int m_imageB = 0;
    bool m_checked = false;
};

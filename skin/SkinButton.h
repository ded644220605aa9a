#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A push button drawn from a three-frame skin strip (normal, hover, pressed). A plain button
// draws its own strip; an icon button draws the shared strip 3100 with an icon centred on it.
// It never acts on a click itself: a press released inside posts code 1 with its control id
// to its parent window.
class CSkinButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum Look { Normal = 0, Hover = 1, Pressed = 2 };

    explicit CSkinButton(QWidget *parent = nullptr, int controlId = 0);

    int ControlId() const;
    void SetControlId(int id);

    // Plain button with the strip of the given skin id.
    void SetStripImage(int imageId);
    // Icon button: the shared strip 3100 and the icon of the given skin id.
    void SetIconImage(int imageId);
    // As SetIconImage, then redraw (the play-speed button changes its icon at run time).
    void ChangeIconImage(int imageId);

    Look CurrentLook() const { return m_look; }
    bool IsIconButton() const { return m_iconButton; }
    int IconImageId() const { return m_iconId; }

    // Where the icon goes in a button of the given size; one pixel right while pressed.
    static QPoint IconPosition(QSize client, QSize icon, bool pressed);
    // A release counts as inside when it lies within the button, right and bottom edges
    // included.
    static bool ReleaseIsInside(QPoint point, QSize client);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void setLook(Look look);

    Look m_look = Normal;
    bool m_iconButton = false;
    bool m_leftHeld = false;
    int m_stripId = 0;
    int m_iconId = 0;
};

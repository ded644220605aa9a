#pragma once

#include "FrameGeometry.h"

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QString>

class QMenu;
class CFrameClient;

// The skinned frame of every window of the player: a frameless dialog that paints its own
// border pieces, top bar, logo, title, version badge and close / maximise / minimise buttons
// in margins of its own. Child controls live in Client(), whose coordinates are the window's
// client coordinates. Escape and Enter never close a frame window (a derived class may map
// them); the close button posts a close that ends the dialog with result 2.
class CDlgFrame : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgFrame(QWidget *parent = nullptr);
    ~CDlgFrame() override;

    // The client area: parent of the window's controls.
    QWidget *Client() const;
    QSize ClientSize() const;
    // Resizes the window so that its client area gets the given size.
    void ResizeClient(QSize client);
    QMargins NonClientMargins() const { return FrameMargins(m_sizes); }
    const FrameImageSizes &FrameSizes() const { return m_sizes; }

    void SetCaptionText(const QString &text);
    QString CaptionText() const { return m_caption; }
    void SetTitleShown(bool shown);
    bool IsTitleShown() const { return m_titleShown; }
    void SetVersionBadgeShown(bool shown);
    void SetCaptionButtonsEnabled(bool enabled);
    bool CaptionButtonsEnabled() const { return m_buttonsEnabled; }
    // Whether the left, right and bottom borders resize the window. Dialogs keep the size
    // their controls are laid out for; only the main window turns this on.
    void SetResizable(bool resizable) { m_resizable = resizable; }
    bool IsResizable() const { return m_resizable; }

    // Gives the control with the id its tooltip and accessible name. An empty text is
    // replaced by the string-table text of the control id, cut before its first line break.
    // False when tooltips are off or no control has the id.
    bool AddControlTip(int controlId, const QString &text = QString());
    void SetTooltipsEnabled(bool enabled) { m_tooltipsEnabled = enabled; }

    // The frame's maximised flag (toggled by the maximise button and a top-bar double-click,
    // and following the window's state).
    bool IsMaximisedFlag() const { return m_maximised; }
    void SetMaximisedFlag(bool maximised);

    // 0 normal, 1 hover, 2 pressed.
    int CaptionButtonState(CaptionButton button) const;
    // A caption button's rectangle in window coordinates.
    QRect CaptionButtonRect(CaptionButton button) const;

    static QColor BackgroundColour() { return QColor(27, 27, 27); }
    // The look of the player's menus (the system menu, the right-click menu and its submenus,
    // which take it from their parent): the frame's dark background, light text, a grey bar
    // under the item the mouse is on.
    static QString MenuStyleSheet();

protected:
    // Paints the client area; the frame's own fills it with the background colour.
    virtual void PaintClient(QPainter &painter, const QRect &clip);
    // The client area got a new size.
    virtual void ClientResized(QSize size);
    // Items of the top bar's context menu (the window's system menu); none by default.
    virtual void FillSystemMenu(QMenu *menu);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class CFrameClient;

    void resetCaptionStates();
    void setState(CaptionButton button, int state);
    Qt::Edges edgesAt(QPoint point) const;
    bool inTopBar(QPoint point) const;
    void toggleMaximised();

    FrameImageSizes m_sizes;
    CFrameClient *m_client = nullptr;
    bool m_buttonsEnabled = true;
    bool m_resizable = false;
    int m_states[3] = {0, 0, 0};
    bool m_maximised = false;
    bool m_titleShown = false;
    bool m_badgeShown = false;
    bool m_tooltipsEnabled = true;
    QString m_caption;
    // A press on the top bar starts moving the window once the mouse has moved far enough,
    // so that a double-click still reaches the frame.
    bool m_movePending = false;
    bool m_manualMove = false;
    QPoint m_pressPos; // in window coordinates
};

#pragma once

#include <QListWidget>
#include <QPointer>

#include <functional>

// The record a pop-up list posts with its notifications: the row that was current (counted
// from 1; 0 when none was) and the list's id.
struct DropListChoice
{
    int item = 0;
    int listId = 0;
};

// The player's pop-up list: a list view in a pop-up window of its own, its rows drawn by the
// owner's delegate (the play-speed pictures, the time-zone texts). The current row follows the
// mouse and the keys; releasing the mouse over the rows or pressing Enter or Space chooses it,
// a press outside the list or Escape dismisses it, and the list hides either way.
//
// Each row's text names it to assistive technology, which sees the list and its rows through
// Qt's own item-view support. Choices are reported as signals and, to an owner window given
// with SetOwner, as the posted notifications kDropListChosen (value: the row from 1) and
// kDropListDismissed, each with a DropListChoice.
class CPopupList : public QListWidget
{
    Q_OBJECT
public:
    // The row (from 1, 0 for none) the mouse at `point` (viewport coordinates, possibly
    // outside the list) makes current, given the current one.
    using HoverRule = std::function<int(QPoint point, int currentRow)>;

    explicit CPopupList(QWidget *parent = nullptr);

    // The window the notifications are posted to, and the id they carry.
    void SetOwner(QWidget *owner, int listId);
    QWidget *Owner() const { return m_owner; }
    int ListId() const { return m_listId; }

    // Appends a row named `text`.
    QListWidgetItem *AddRow(const QString &text);

    // The current row, counted from 1; 0 when there is none.
    int HoverRow() const;
    void SetHoverRow(int row);

    // By default the row under the mouse becomes current and anywhere else keeps it.
    void SetHoverRule(HoverRule rule) { m_hoverRule = std::move(rule); }
    // A widget beside the list (the box that opened it): the list stays open while the mouse
    // is over either, and closes once it has left both.
    void SetCompanion(QWidget *companion) { m_companion = companion; }
    // Whether a press on a row makes it current at once (a list box's way). Otherwise only
    // moves do, and a click without a move chooses whatever was current.
    void SetPressPicksRow(bool picks) { m_pressPicksRow = picks; }

    // Shows the list at a rectangle of the screen, with the keyboard.
    void Popup(const QRect &screenRect);
    bool IsOpen() const { return isVisible(); }
    // Chooses the current row, as a release over the rows would; a row that is not
    // selectable (a heading) is not chosen and the list stays open.
    void ChooseCurrent();
    // Hides the list and reports the dismissal.
    void Dismiss();

signals:
    void chosen(int row); // from 1; 0 when no row was current
    void dismissed();
    void closed(); // hidden, for whatever reason

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void hover(QPoint viewportPoint);
    void post(int code);
    void leaveCheck(QPoint globalPoint);

    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_companion;
    int m_listId = 0;
    bool m_pressed = false;
    bool m_pressPicksRow = false;
    HoverRule m_hoverRule;
};

#pragma once

#include "NotificationCodes.h"

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

// The record a drop list sends with its notifications: the row that was last under the mouse
// (counted from 1; 0 when the mouse never moved onto a row) and the list's id.
struct DropListChoice
{
    int item = 0;
    int listId = 0;
};

// Notification codes a drop list posts to its owner (value: the row, record: DropListChoice).

// The rows of a drop list: row i (from 0) is a rowSize rectangle at (1, 1 + i x (h + 1)); the
// one-pixel lines between and around the rows stay black and frame the list.
class CDropListLayout
{
public:
    CDropListLayout(QSize rowSize, int itemCount, int listHeight);

    QRect RowRect(int row) const;

    // The row (from 1) under client y, given the row under the mouse before: y = 0 is none,
    // y = the list height is the last row, a y on a line between rows (or outside every row)
    // keeps the previous row.
    int HoverRowAt(int y, int previousRow) const;

    // The row (from 1) whose rectangle holds the point, 0 for none (for accessibility).
    int RowAtPoint(QPoint p) const;

    // Whether a client point is inside a list of the given size.
    static bool Contains(QSize listSize, QPoint p);

private:
    QSize m_rowSize;
    int m_itemCount;
    int m_listHeight;
};

// Where a list of `listSize` opens for a button at `anchor` (screen coordinates): above it,
// one pixel to the left, its bottom on the button's top. When the screen has no room above, it
// opens below the button instead; it is kept inside the screen horizontally.
QPoint DropListPosition(const QRect &anchor, QSize listSize, const QRect &screen);

// The play-speed pop-up list: a column of images on button-like backgrounds (strip 3100), the
// row under the mouse highlighted, the clicked row reported to the owner. The owner creates it
// once, adds the items, and shows it where it wants it; the list hides itself after a click.
// Up, Down and Enter choose a row from the keyboard; Escape closes it like a press outside.
class CDropListWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBackgroundStrip = 3100;
    static constexpr int kDefaultListId = 103;

    explicit CDropListWnd(QWidget *parent = nullptr);
    ~CDropListWnd() override;

    // Makes the list a hidden pop-up of `owner`, which receives the notifications.
    bool Create(QWidget *owner, int width, int height, int listId = kDefaultListId);

    // Appends a row showing a skin image. `accessibleText` names the row for screen readers;
    // without one, a play-speed image is named by its speed ("0.4x") and others by number.
    void AddItem(int imageId, const QString &accessibleText = QString());

    // Opens the list with its top left corner at a screen position, nothing highlighted.
    void ShowAt(QPoint globalTopLeft);
    // Opens the list above a button given in screen coordinates (below it near the screen top).
    void ShowAbove(const QRect &anchorGlobal);

    int ItemCount() const { return int(m_items.size()); }
    int ItemImage(int row) const { return m_items.value(row).imageId; }
    QString ItemText(int row) const { return m_items.value(row).text; }
    int HoverRow() const { return m_hoverRow; }
    int ListId() const { return m_listId; }
    QSize ListSize() const { return {m_width, m_height}; }
    CDropListLayout Layout() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Item
    {
        int imageId = 0;
        QString text;
    };

    void setHoverRow(int row);
    void post(int code);
    void dismiss();

    QList<Item> m_items;
    QPointer<QWidget> m_owner;
    int m_listId = kDefaultListId;
    int m_width = 0;
    int m_height = 0;
    bool m_pressed = false;
    int m_hoverRow = 0;
    int m_previousHoverRow = 0;

    friend class CDropListAccessible;
    QList<QAccessible::Id> m_rowAccessibleIds; // per row, created on demand
};

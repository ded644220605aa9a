#pragma once

#include "NotificationCodes.h"
#include "PopupList.h"

#include <QRect>
#include <QSize>

// The rows of the play-speed list: row i (from 0) is a rowSize rectangle at (1, 1 + i x (h + 1));
// the one-pixel lines between and around the rows stay black and frame the list.
class CDropListLayout
{
public:
    CDropListLayout(QSize rowSize, int itemCount, int listHeight);

    QRect RowRect(int row) const;

    // The row (from 1) under client y, given the row under the mouse before: y = 0 is none,
    // y = the list height is the last row, a y on a line between rows (or outside every row)
    // keeps the previous row.
    int HoverRowAt(int y, int previousRow) const;

    // The row (from 1) whose rectangle holds the point, 0 for none.
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

// The play-speed list: the player's pop-up list showing a column of images on button-like
// backgrounds (strip 3100), the row under the mouse highlighted, the clicked row reported to
// the owner (kDropListChosen with its DropListChoice; a click without a move reports row 0).
// The owner creates it once, adds the items, and shows it where it wants it.
class CDropListWnd : public CPopupList
{
    Q_OBJECT
public:
    static constexpr int kBackgroundStrip = 3100;
    static constexpr int kDefaultListId = 103;

    explicit CDropListWnd(QWidget *parent = nullptr);

    // Makes the list a hidden pop-up of `owner`, which receives the notifications.
    bool Create(QWidget *owner, int width, int height, int listId = kDefaultListId);

    // Appends a row showing a skin image. `accessibleText` names the row for screen readers;
    // without one, a play-speed image is named by its speed ("0.4x") and others by number.
    void AddItem(int imageId, const QString &accessibleText = QString());

    // Opens the list with its top left corner at a screen position, nothing highlighted.
    void ShowAt(QPoint globalTopLeft);
    // Opens the list above a button given in screen coordinates (below it near the screen top).
    void ShowAbove(const QRect &anchorGlobal);

    int ItemCount() const { return count(); }
    int ItemImage(int row) const;
    QString ItemText(int row) const;
    QSize ListSize() const { return {m_width, m_height}; }
    CDropListLayout Layout() const;

private:
    int m_width = 0;
    int m_height = 0;
};

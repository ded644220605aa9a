#pragma once

#include "DropListMath.h"
#include "NotificationCodes.h"
#include "PopupList.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QList>

class CDropRowDelegate;

// Notifications the drop-down posts to the box's parent.
constexpr int kDropChosenCode = notify::kDropDownChosen;  // value: the position; record: box id
constexpr int kDropOpenedCode = notify::kDropDownOpening; // value: 50000
constexpr int kDropListControlId = 1125;                  // the list of the pop-up

// One row's record: a heading row is drawn bold with a line after it and cannot be chosen.
struct DropListItemRecord
{
    bool heading = false;
    QColor textColour = Qt::black;
    QColor selectedTextColour = Qt::black;
};

// The drop-down's box: a flat button that shows the current choice and a small down arrow, and
// opens its list below itself when pressed (or with Down, Alt+Down or F4). The list is the
// player's pop-up list with rows of one fixed height drawn in plain colours; the row under the
// mouse or moved to with the keys is highlighted, and a click or Enter chooses it. It closes
// on a choice, Escape, a press outside it, the mouse leaving both it and the box, or when it
// loses the keyboard; closed without a choice it goes back to the last one.
class CDropButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit CDropButton(QWidget *parent = nullptr);
    ~CDropButton() override;

    // Places the box at `rect` in `parent` with its colours (a box colour of QColor() gives
    // RGB(221,217,205) and RGB(233,228,217); invalid text colours are black) and makes its
    // pop-up list. Without a font the box makes "Arial" 15 pixels, normal weight.
    bool Create(const QFont *font, const QColor &boxColour, const QString &text, QWidget *parent,
                int id, const QColor &hotBoxColour, const QColor &textColour,
                const QColor &hotTextColour, const QColor &listColour, const QRect &rect);

    void AddItem(const QString &text, const DropListItemRecord &record);
    // Scrolls the list to the position and selects it; it becomes the current choice.
    void SelectItem(int position);

    // The list's background (and its rows'); the selection colour becomes RGB(200,200,200).
    void SetListColour(const QColor &colour);
    void SetSelectionColour();
    QColor ListColour() const;
    QColor SelectionColour() const;

    int ControlId() const;
    bool IsHot() const { return m_hot; }
    bool IsOpen() const;
    void Open();
    void Close();
    // The pop-up list (a window of its own).
    CPopupList *List() const { return m_list; }
    CPopupList *ListWindow() const { return m_list; }
    int ListHeightLimit() const { return m_listHeightLimit; }
    int RowHeight() const;
    void SetShowsChoice(bool shows) { m_showsChoice = shows; }

    // The row's text as given (ampersands doubled) and its record.
    QString ItemText(int row) const;
    DropListItemRecord Record(int row) const;
    // The last committed choice.
    int CurrentPosition() const { return m_position; }

    // A row of the list was chosen: the box shows it and tells its parent.
    void OnChoice(int position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void setHot(bool hot);
    void listClosed();

    bool m_showsChoice = true;
    bool m_hot = false;
    int m_listHeightLimit = kDropListHeightLimit;
    int m_position = 0;
    QFont m_font;
    QColor m_boxColour;
    QColor m_hotBoxColour;
    QColor m_textColour = Qt::black;
    QColor m_hotTextColour = Qt::black;
    CPopupList *m_list = nullptr;
    CDropRowDelegate *m_rows = nullptr;
    QList<DropListItemRecord> m_records;
};

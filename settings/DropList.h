#pragma once

#include "DropListMath.h"
#include "NotificationCodes.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QListWidget>
#include <QPointer>

class CDropButton;

// Notifications the drop-down posts to the box's parent.
constexpr int kDropChosenCode = notify::kDropDownChosen; // value: the position; record: box id
constexpr int kDropOpenedCode = notify::kDropDownOpening; // value: 50000
constexpr int kDropListControlId = 1125; // the list inside the pop-up

// One row's record: a heading row is drawn bold with a line after it and cannot be chosen.
struct DropListItemRecord
{
    bool heading = false;
    QColor textColour = Qt::black;
    QColor selectedTextColour = Qt::black;
};

// The list of the drop-down: rows of one fixed height drawn in plain colours, the row under
// the mouse or moved to with the keys highlighted. A click or Enter chooses the highlighted
// row; Escape closes the pop-up and keeps the last choice.
class CDropList : public QListWidget
{
    Q_OBJECT
public:
    explicit CDropList(CDropButton *box, QWidget *parent);

    void AddItem(const QString &text, const DropListItemRecord &record);
    QString ItemText(int row) const;
    DropListItemRecord Record(int row) const;

    void SetListColour(const QColor &colour);
    QColor ListColour() const { return m_listColour; }
    // The selection brush becomes RGB(200,200,200).
    void SetSelectionColour();
    QColor SelectionColour() const { return m_selectionColour; }

    void SetRowHeight(int height);
    int RowHeight() const { return m_rowHeight; }
    void SetFonts(const QFont &normal);
    const QFont &NormalFont() const { return m_normal; }
    const QFont &BoldFont() const { return m_bold; }

    // The last committed choice.
    int CurrentPosition() const { return m_position; }
    void SetCurrentPosition(int position) { m_position = position; }

    // Chooses the highlighted row (as a click on it would).
    void ChooseCurrent();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class CDropRowDelegate;
    CDropButton *m_box;
    QList<DropListItemRecord> m_records;
    QColor m_listColour = Qt::white;
    QColor m_selectionColour = QColor(247, 247, 239);
    int m_rowHeight = 16;
    int m_position = 0;
    QFont m_normal;
    QFont m_bold;
};

// The pop-up window that holds the list, below the box; it closes on a choice, a press outside
// it, the mouse leaving both it and the box, or when it loses the keyboard.
class CListWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CListWnd(CDropButton *box);

    CDropList *List() const { return m_list; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    CDropButton *m_box;
    CDropList *m_list;
};

// The drop-down's box: a flat button that shows the current choice and a small down arrow, and
// opens the list below itself when pressed.
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

    int ControlId() const;
    bool IsHot() const { return m_hot; }
    bool IsOpen() const;
    void Open();
    void Close();
    CListWnd *ListWindow() const { return m_listWnd; }
    CDropList *List() const;
    int ListHeightLimit() const { return m_listHeightLimit; }
    void SetShowsChoice(bool shows) { m_showsChoice = shows; }

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
    friend class CListWnd;
    void setHot(bool hot);

    bool m_showsChoice = true;
    bool m_hot = false;
    int m_listHeightLimit = kDropListHeightLimit;
    QFont m_font;
    QColor m_boxColour;
    QColor m_hotBoxColour;
    QColor m_textColour = Qt::black;
    QColor m_hotTextColour = Qt::black;
    CListWnd *m_listWnd = nullptr;
};

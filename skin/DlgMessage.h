#pragma once

#include "DlgFrame.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>

class CSkinButton;

// ---------------------------------------------------------------------------------------------
// What a message-box type shows and how the box is laid out (no widgets involved).

// Message-box types: which buttons show and what they answer.
enum MessageType {
    kMessageOk = 0,               // OK
    kMessageOkCancel = 1,         // OK, Cancel
    kMessageAbortRetryIgnore = 2, // Abort, Retry, Ignore
    kMessageYesNoCancel = 3,      // Yes, No, Cancel
    kMessageYesNo = 4,            // Yes, No
    kMessageRetryCancel = 5,      // Retry, Cancel
    kMessageFormatChoice = 1024,  // normal format, recovery format, Cancel
};

// Result codes of the box (and of every dialog of the player: 1 done, 2 cancelled).
enum MessageResult {
    kResultOk = 1,
    kResultCancel = 2,
    kResultAbort = 3,
    kResultRetry = 4,
    kResultIgnore = 5,
    kResultYes = 6,
    kResultNo = 7,
};

// One of the three buttons, left to right.
struct MessageButtonSetup
{
    bool visible = false;
    int imageId = 0;
    int result = 0;
    QString label; // the button's accessible name
};

struct MessageTypeSetup
{
    std::array<MessageButtonSetup, 3> buttons;
    int symbolId = 0;
};

// The buttons and symbol of a type. A type the box does not know shows a single OK, so that
// the box can always be answered with a meaningful result.
MessageTypeSetup MessageTypeLayout(int type);

// Button `slot` (0-2, left to right) in a client area of the given size: 84 x 34, 49 pixels
// above the bottom, its left edge 297, 198 or 99 pixels from the right.
QRect MessageButtonRect(int slot, QSize client);
// The symbol's rectangle, (15, 15) to (105, height - 30).
QRect MessageSymbolRect(QSize client);
// The text's rectangle, (120, 15) to (width - 15, height - 49).
QRect MessageTextRect(QSize client);

// The lines of a message: the text split at every line break (a "\r" before one is dropped).
// An empty text is one empty line.
QStringList MessageLines(const QString &text);

// The bands the lines are drawn in: with T the text rectangle's height and n lines, line j
// takes the band from top + trunc(T / n * j), trunc(T / n) high, across the whole width.
QList<QRect> MessageLineBands(const QRect &textRect, int lineCount);

// The client size that shows every line whole: the box's own size, grown where the longest line
// would run past the text rectangle or the lines would not fit one under the other, but never
// beyond `maximum`.
QSize MessageFittingClient(QSize client, int longestLineWidth, int lineSpacing, int lineCount,
                           QSize maximum);

// Where a box of size `box` goes on a screen whose usable area is `area` when its owner is not
// on the screen yet (the notice at start): centred, and kept inside the area's top and left.
QPoint MessageBoxPosition(QSize box, const QRect &area);

// ---------------------------------------------------------------------------------------------

// The player's own message box: a symbol, the text in one band per line and up to three
// skinned buttons chosen by the type. A click on a button ends it with that button's result;
// Escape ends it with 2 and Space or Enter with 6 (Yes), whatever the type.
class CDlgMessage : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr int kButtonIds[3] = {1037, 1038, 1039};
    static constexpr QSize kWindowSize{450, 200};
    static constexpr QSize kButtonSize{84, 34};

    explicit CDlgMessage(QWidget *parent = nullptr);

    void SetType(int type);
    int Type() const { return m_type; }

    // The text shown, lines separated by line breaks.
    void SetText(const QString &text);
    QString Text() const { return m_text; }
    // A second text the caller may hand over; it is kept but not shown.
    void SetSecondText(const QString &text) { m_secondText = text; }
    QString SecondText() const { return m_secondText; }

    // Button `slot` (0-2, left to right) and the result it answers.
    CSkinButton *Button(int slot) const { return m_buttons[slot]; }
    int ButtonResult(int slot) const { return m_results[slot]; }
    int SymbolId() const { return m_symbolId; }

    static QColor TextColour() { return QColor(180, 180, 180); }
    static QColor FillColour() { return QColor(24, 24, 24); }
    static QFont TextFont();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void PaintClient(QPainter &painter, const QRect &clip) override;
    void ClientResized(QSize size) override;

private:
    void layOutButtons(QSize client);
    void fitToText();

    std::array<CSkinButton *, 3> m_buttons{};
    std::array<int, 3> m_results{};
    int m_type = kMessageRetryCancel;
    int m_symbolId = 0;
    QString m_text;
    QString m_secondText;
};

// Runs a message box of `type` with `text` modally over `parent`; returns its result code. Over
// a parent that is not shown yet, the box is centred on the screen the parent will use.
int ShowMessage(int type, const QString &text, const QString &secondText = QString(),
                QWidget *parent = nullptr);

// As ShowMessage, with the text of string-table entry `stringId`.
int ShowMessageId(int type, int stringId, QWidget *parent = nullptr);

#include "DlgMessage.h"

#include "NotificationCodes.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

MessageButtonSetup button(int imageId, int result, const QString &label)
{
    return MessageButtonSetup{true, imageId, result, label};
}

const QString kOk = QStringLiteral("OK");
const QString kCancel = QStringLiteral("Cancel");

} // namespace

MessageTypeSetup MessageTypeLayout(int type)
{
    const MessageButtonSetup hidden;
    const MessageButtonSetup ok = button(3131, kResultOk, kOk);
    const MessageButtonSetup cancel = button(3126, kResultCancel, kCancel);
    const MessageButtonSetup retry = button(3132, kResultRetry, QStringLiteral("Retry"));
    const MessageButtonSetup yes = button(3134, kResultYes, QStringLiteral("Yes"));
    const MessageButtonSetup no = button(3130, kResultNo, QStringLiteral("No"));
    constexpr int information = 3320;

    switch (type) {
    case kMessageOkCancel:
        return {{hidden, ok, cancel}, information};
    case kMessageAbortRetryIgnore:
        return {{button(3133, kResultAbort, QStringLiteral("Abort")), retry,
                 button(3128, kResultIgnore, QStringLiteral("Ignore"))},
                3318};
    case kMessageYesNoCancel:
        return {{yes, no, cancel}, information};
    case kMessageYesNo:
        return {{hidden, yes, no}, information};
    case kMessageRetryCancel:
        return {{hidden, retry, cancel}, 3319};
    case kMessageFormatChoice:
        return {{button(3127, kResultOk, QStringLiteral("Normal format")),
                 button(3129, kResultNo, QStringLiteral("Recovery format")), cancel},
                information};
    case kMessageOk:
    default:
        return {{hidden, hidden, ok}, information};
    }
}

QRect MessageButtonRect(int slot, QSize client)
{
    static constexpr int kFromRight[3] = {297, 198, 99};
    if (slot < 0 || slot > 2)
        return QRect();
    return QRect(client.width() - kFromRight[slot], client.height() - 49,
                 CDlgMessage::kButtonSize.width(), CDlgMessage::kButtonSize.height());
}

QRect MessageSymbolRect(QSize client)
{
    return QRect(QPoint(15, 15), QSize(90, qMax(0, client.height() - 45)));
}

QRect MessageTextRect(QSize client)
{
    return QRect(QPoint(120, 15),
                 QSize(qMax(0, client.width() - 135), qMax(0, client.height() - 64)));
}

QStringList MessageLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

QList<QRect> MessageLineBands(const QRect &textRect, int lineCount)
{
    QList<QRect> bands;
    if (lineCount <= 0)
        return bands;
    const double share = double(textRect.height()) / lineCount;
    const int height = static_cast<int>(std::trunc(share));
    for (int j = 0; j < lineCount; ++j) {
        const int top = textRect.top() + static_cast<int>(std::trunc(share * j));
        bands.append(QRect(textRect.left(), top, textRect.width(), height));
    }
    return bands;
}

QSize MessageFittingClient(QSize client, int longestLineWidth, int lineSpacing, int lineCount,
                           QSize maximum)
{
    // The text rectangle is 135 pixels narrower and 64 pixels lower than the client area.
    const int width = qMax(client.width(), longestLineWidth + 135);
    const int height = qMax(client.height(), lineSpacing * lineCount + 64);
    return QSize(qMax(client.width(), qMin(width, maximum.width())),
                 qMax(client.height(), qMin(height, maximum.height())));
}

QPoint MessageBoxPosition(QSize box, const QRect &area)
{
    const int left = area.left() + (area.width() - box.width()) / 2;
    const int top = area.top() + (area.height() - box.height()) / 2;
    return QPoint(std::max(left, area.left()), std::max(top, area.top()));
}

// ---------------------------------------------------------------------------------------------

CDlgMessage::CDlgMessage(QWidget *parent)
    : CDlgFrame(parent)
{
    SetCaptionButtonsEnabled(false);
    setAccessibleName(QStringLiteral("Message"));
    for (int slot = 0; slot < 3; ++slot)
        m_buttons[slot] = new CSkinButton(Client(), kButtonIds[slot]);
    resize(kWindowSize);
    layOutButtons(ClientSize());
    SetType(m_type);
}

QFont CDlgMessage::TextFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    font.setWeight(QFont::Normal);
    return font;
}

void CDlgMessage::SetType(int type)
{
    m_type = type;
    const MessageTypeSetup setup = MessageTypeLayout(type);
    for (int slot = 0; slot < 3; ++slot) {
        const MessageButtonSetup &b = setup.buttons[slot];
        m_results[slot] = b.result;
        m_buttons[slot]->SetStripImage(b.imageId);
        m_buttons[slot]->setAccessibleName(b.label);
        m_buttons[slot]->setVisible(b.visible);
        m_buttons[slot]->update();
    }
    m_symbolId = setup.symbolId;
    Client()->update();
}

void CDlgMessage::SetText(const QString &text)
{
    m_text = text;
    setAccessibleDescription(text);
    fitToText();
    Client()->update();
}

void CDlgMessage::fitToText()
{
    // Long lines (the format question, long file names) would be cut off in a box of the
    // usual size: the box grows until each line shows whole, within the screen.
    const QMargins m = NonClientMargins();
    const QSize usual(kWindowSize.width() - m.left() - m.right(),
                      kWindowSize.height() - m.top() - m.bottom());
    const QFontMetrics metrics(TextFont());
    const QStringList lines = MessageLines(m_text);
    int longest = 0;
    for (const QString &line : lines)
        longest = qMax(longest, metrics.horizontalAdvance(line));
    QSize maximum = usual;
    if (const QScreen *shown = screen())
        maximum = shown->availableGeometry().size().shrunkBy(m);
    ResizeClient(
        MessageFittingClient(usual, longest, metrics.lineSpacing(), int(lines.size()), maximum));
    // A hidden window gets its resize only when shown; the buttons move now.
    layOutButtons(ClientSize());
}

void CDlgMessage::layOutButtons(QSize client)
{
    for (int slot = 0; slot < 3; ++slot)
        m_buttons[slot]->setGeometry(MessageButtonRect(slot, client));
}

void CDlgMessage::ClientResized(QSize size)
{
    layOutButtons(size);
    CDlgFrame::ClientResized(size);
}

bool CDlgMessage::event(QEvent *event)
{
    if (event->type() == CUserMessage::EventType()) {
        const auto *message = static_cast<CUserMessage *>(event);
        if (message->Code() == notify::kButton) {
            for (int slot = 0; slot < 3; ++slot) {
                if (kButtonIds[slot] == message->Value() && !m_buttons[slot]->isHidden()) {
                    done(m_results[slot]);
                    break;
                }
            }
        }
        return true;
    }
    return CDlgFrame::event(event);
}

void CDlgMessage::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        done(kResultCancel);
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        done(kResultYes);
        return;
    default:
        CDlgFrame::keyPressEvent(event);
    }
}

void CDlgMessage::PaintClient(QPainter &painter, const QRect &)
{
    const QSize client = Client()->size();
    painter.fillRect(QRect(QPoint(0, 0), client), FillColour());

    const SkinImage &symbol = CSkinImages::Get(m_symbolId);
    const QRect symbolRect = MessageSymbolRect(client);
    if (!symbol.isNull() && !symbolRect.isEmpty())
        painter.drawPixmap(symbolRect, symbol.pixmap);

    // The stored text is only read here, so every repaint shows the same lines.
    const QStringList lines = MessageLines(m_text);
    const QList<QRect> bands = MessageLineBands(MessageTextRect(client), int(lines.size()));
    painter.setFont(TextFont());
    painter.setPen(TextColour());
    for (int j = 0; j < lines.size(); ++j)
        painter.drawText(bands[j], Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, lines[j]);
}

// ---------------------------------------------------------------------------------------------

int ShowMessage(int type, const QString &text, const QString &secondText, QWidget *parent)
{
    CDlgMessage box(parent);
    box.SetType(type);
    box.SetText(text);
    box.SetSecondText(secondText);
    // Centred over a shown parent by the dialog itself; a parent still hidden (the main window
    // during start) has no place yet, so the box takes the middle of the parent's screen.
    if (parent && !parent->window()->isVisible()) {
        if (const QScreen *screen = parent->window()->screen())
            box.move(MessageBoxPosition(box.size(), screen->availableGeometry()));
    }
    return box.exec();
}

int ShowMessageId(int type, int stringId, QWidget *parent)
{
    return ShowMessage(type, LoadResString(stringId), LoadResString(0), parent);
}

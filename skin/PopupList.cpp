#include "PopupList.h"

#include "NotificationCodes.h"
#include "UserMessage.h"

#include <QKeyEvent>
#include <QMouseEvent>

CPopupList::CPopupList(QWidget *parent)
    : QListWidget(parent)
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    // The press outside that closes the list must not also reach the window under it (the
    // button that opened the list would open it again at once).
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void CPopupList::SetOwner(QWidget *owner, int listId)
{
    m_owner = owner;
    m_listId = listId;
}

QListWidgetItem *CPopupList::AddRow(const QString &text)
{
    return new QListWidgetItem(text, this);
}

int CPopupList::HoverRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void CPopupList::SetHoverRow(int row)
{
    if (row == HoverRow())
        return;
    if (row < 1 || row > count()) {
        setCurrentIndex(QModelIndex());
        clearSelection();
        return;
    }
    setCurrentRow(row - 1);
}

void CPopupList::Popup(const QRect &screenRect)
{
    m_pressed = false;
    setGeometry(screenRect);
    show();
    setFocus(Qt::PopupFocusReason);
}

void CPopupList::ChooseCurrent()
{
    const int row = HoverRow();
    if (row > 0 && !(item(row - 1)->flags() & Qt::ItemIsSelectable))
        return;
    post(kDropListChosen);
    emit chosen(row);
    hide();
}

void CPopupList::Dismiss()
{
    post(kDropListDismissed);
    emit dismissed();
    hide();
}

void CPopupList::post(int code)
{
    if (m_owner)
        PostUserMessage(m_owner, code, HoverRow(), DropListChoice{HoverRow(), m_listId});
}

void CPopupList::hover(QPoint viewportPoint)
{
    if (m_hoverRule) {
        SetHoverRow(m_hoverRule(viewportPoint, HoverRow()));
        return;
    }
    if (!viewport()->rect().contains(viewportPoint))
        return;
    const QModelIndex index = indexAt(viewportPoint);
    if (index.isValid())
        SetHoverRow(index.row() + 1);
}

void CPopupList::leaveCheck(QPoint globalPoint)
{
    if (!m_companion || !isVisible())
        return;
    const QRect companion(m_companion->mapToGlobal(QPoint(0, 0)), m_companion->size());
    if (!geometry().contains(globalPoint) && !companion.contains(globalPoint))
        Dismiss();
}

bool CPopupList::event(QEvent *event)
{
    // Mouse events of the list itself rather than of its rows: its frame and, while it is open
    // (a pop-up has the mouse), everywhere outside it. One sent to the list at a point over
    // its rows is handled as the rows' own.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QListWidget::event(event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint point = viewport()->mapFrom(this, mouse->position().toPoint());
    if (viewport()->rect().contains(point)) {
        QMouseEvent local(type, point, mouse->globalPosition(), mouse->button(), mouse->buttons(),
                          mouse->modifiers(), mouse->pointingDevice());
        if (type == QEvent::MouseButtonPress)
            mousePressEvent(&local);
        else if (type == QEvent::MouseMove)
            mouseMoveEvent(&local);
        else if (type == QEvent::MouseButtonRelease)
            mouseReleaseEvent(&local);
        return true;
    }
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!rect().contains(mouse->position().toPoint()))
            Dismiss();
        break;
    case QEvent::MouseMove:
        if (!m_pressed)
            hover(point);
        leaveCheck(mouse->globalPosition().toPoint());
        break;
    default:
        if (mouse->button() == Qt::LeftButton && m_pressed) {
            // Pressed on the rows and released off them: nothing is chosen.
            m_pressed = false;
            hide();
        }
        break;
    }
    return true;
}

void CPopupList::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (m_pressPicksRow)
        hover(event->position().toPoint());
    m_pressed = true;
}

void CPopupList::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_pressed)
        hover(event->position().toPoint());
}

void CPopupList::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (!isVisible())
        return;
    if (viewport()->rect().contains(event->position().toPoint()))
        ChooseCurrent();
    else if (wasPressed)
        hide(); // dragged off the rows: nothing is chosen
}

void CPopupList::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click has chosen already.
    event->accept();
}

void CPopupList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        ChooseCurrent();
        break;
    case Qt::Key_Escape:
    case Qt::Key_F4:
        Dismiss();
        break;
    default:
        QListWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CPopupList::focusInEvent(QFocusEvent *event)
{
    // A view makes its first row current when it gets the keyboard; here nothing is current
    // until the mouse or a key makes it so.
    const int row = HoverRow();
    QListWidget::focusInEvent(event);
    if (row == 0)
        SetHoverRow(0);
}

void CPopupList::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    // An open pop-up keeps the keyboard; losing it means another window took over.
    if (event->reason() == Qt::ActiveWindowFocusReason && isVisible())
        Dismiss();
}

void CPopupList::hideEvent(QHideEvent *event)
{
    m_pressed = false;
    QListWidget::hideEvent(event);
    emit closed();
}

#include "DropListWnd.h"

#include "PlaybackRules.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Geometry

CDropListLayout::CDropListLayout(QSize rowSize, int itemCount, int listHeight)
    : m_rowSize(rowSize)
    , m_itemCount(itemCount)
    , m_listHeight(listHeight)
{}

QRect CDropListLayout::RowRect(int row) const
{
    return {1, 1 + row * (m_rowSize.height() + 1), m_rowSize.width(), m_rowSize.height()};
}

int CDropListLayout::HoverRowAt(int y, int previousRow) const
{
    if (y == 0)
        return 0;
    if (y == m_listHeight)
        return m_itemCount;
    const int pitch = m_rowSize.height() + 1;
    for (int i = 0; i < m_itemCount; ++i) {
        if (1 + i * pitch <= y && y < (i + 1) * pitch)
            return i + 1;
    }
    return previousRow;
}

int CDropListLayout::RowAtPoint(QPoint p) const
{
    for (int i = 0; i < m_itemCount; ++i) {
        if (RowRect(i).contains(p))
            return i + 1;
    }
    return 0;
}

bool CDropListLayout::Contains(QSize listSize, QPoint p)
{
    return QRect(QPoint(0, 0), listSize).contains(p);
}

QPoint DropListPosition(const QRect &anchor, QSize listSize, const QRect &screen)
{
    int x = anchor.left() - 1;
    int y = anchor.top() - listSize.height();
    if (screen.isValid()) {
        if (y < screen.top())
            y = anchor.bottom() + 1;
        x = std::max(screen.left(), std::min(x, screen.right() + 1 - listSize.width()));
    }
    return {x, y};
}

// ---------------------------------------------------------------------------------------------
// Accessibility: the list is a List, each row a ListItem named by its text.

class CDropListRowAccessible : public QAccessibleInterface
{
public:
    CDropListRowAccessible(CDropListWnd *list, int row)
        : m_list(list)
        , m_row(row)
    {}

    bool isValid() const override { return m_list && m_row < m_list->ItemCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list ? m_list->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_list.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return (t == QAccessible::Name && m_list) ? m_list->ItemText(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_list)
            return {};
        const QRect local = m_list->Layout().RowRect(m_row);
        return {m_list->mapToGlobal(local.topLeft()), local.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        if (m_list && m_list->HoverRow() == m_row + 1) {
            s.selected = true;
            s.focused = m_list->hasFocus();
        }
        if (!m_list || !m_list->isVisible())
            s.invisible = true;
        return s;
    }

private:
    QPointer<CDropListWnd> m_list;
    int m_row;
};

class CDropListAccessible : public QAccessibleWidget
{
public:
    explicit CDropListAccessible(CDropListWnd *list)
        : QAccessibleWidget(list, QAccessible::List)
    {}

    int childCount() const override { return list()->ItemCount(); }

    QAccessibleInterface *child(int index) const override
    {
        CDropListWnd *l = list();
        if (index < 0 || index >= l->ItemCount())
            return nullptr;
        while (l->m_rowAccessibleIds.size() <= index) {
            auto *row = new CDropListRowAccessible(l, int(l->m_rowAccessibleIds.size()));
            l->m_rowAccessibleIds.append(QAccessible::registerAccessibleInterface(row));
        }
        return QAccessible::accessibleInterface(l->m_rowAccessibleIds.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child));
        return int(list()->m_rowAccessibleIds.indexOf(id));
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int row = list()->Layout().RowAtPoint(list()->mapFromGlobal(QPoint(x, y)));
        return row > 0 ? child(row - 1) : nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        const int row = list()->HoverRow();
        return row > 0 ? child(row - 1) : nullptr;
    }

private:
    CDropListWnd *list() const { return static_cast<CDropListWnd *>(widget()); }
};

namespace {
QAccessibleInterface *DropListAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("CDropListWnd") && object && object->isWidgetType())
        return new CDropListAccessible(static_cast<CDropListWnd *>(object));
    return nullptr;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The list window

CDropListWnd::CDropListWnd(QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DropListAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Play Speed"));
    setAccessibleDescription(QStringLiteral("Choose how fast the recording plays"));
}

CDropListWnd::~CDropListWnd()
{
    for (QAccessible::Id id : std::as_const(m_rowAccessibleIds))
        QAccessible::deleteAccessibleInterface(id);
}

bool CDropListWnd::Create(QWidget *owner, int width, int height, int listId)
{
    m_owner = owner;
    m_listId = listId;
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    hide();
    setParent(owner, Qt::Popup | Qt::FramelessWindowHint);
    setFixedSize(m_width, m_height);
    return true;
}

void CDropListWnd::AddItem(int imageId, const QString &accessibleText)
{
    QString text = accessibleText;
    if (text.isEmpty()) {
        const int speedItem = imageId - kPlaySpeedFirstImage + 1;
        text = PlaySpeedLabel(speedItem);
        if (text.isEmpty())
            text = QStringLiteral("Item %1").arg(m_items.size() + 1);
    }
    m_items.append({imageId, text});
    update();
}

CDropListLayout CDropListWnd::Layout() const
{
    const int first = m_items.isEmpty() ? 0 : m_items.first().imageId;
    return CDropListLayout(QSize(CSkinImages::Width(first), CSkinImages::Height(first)),
                           ItemCount(), m_height);
}

void CDropListWnd::ShowAt(QPoint globalTopLeft)
{
    m_hoverRow = 0;
    m_previousHoverRow = 0;
    m_pressed = false;
    move(globalTopLeft);
    setFixedSize(m_width, m_height);
    show();
    setFocus(Qt::PopupFocusReason);
    update();
}

void CDropListWnd::ShowAbove(const QRect &anchorGlobal)
{
    QScreen *screen = QGuiApplication::screenAt(anchorGlobal.center());
    if (!screen && m_owner)
        screen = m_owner->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    ShowAt(DropListPosition(anchorGlobal, ListSize(), available));
}

void CDropListWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);

    const CDropListLayout layout = Layout();
    const SkinImage &strip = CSkinImages::Get(kBackgroundStrip);
    const int frameWidth = StripFrameWidth(strip.width);
    const QRect normalFrame(0, 0, frameWidth, strip.height);
    const QRect hoverFrame(frameWidth, 0, frameWidth, strip.height);
    for (int i = 0; i < ItemCount(); ++i) {
        const QRect row = layout.RowRect(i);
        if (!strip.isNull())
            painter.drawPixmap(row, strip.pixmap, m_hoverRow == i + 1 ? hoverFrame : normalFrame);
        const SkinImage &image = CSkinImages::Get(m_items.at(i).imageId);
        if (!image.isNull())
            painter.drawPixmap(row.topLeft(), image.pixmap);
    }
}

void CDropListWnd::setHoverRow(int row)
{
    m_previousHoverRow = m_hoverRow;
    m_hoverRow = row;
    if (m_hoverRow == m_previousHoverRow)
        return;
    update();
    if (m_hoverRow > 0 && QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(m_hoverRow - 1);
        QAccessible::updateAccessibility(&focus);
    }
}

void CDropListWnd::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed)
        return;
    setHoverRow(Layout().HoverRowAt(event->position().toPoint().y(), m_hoverRow));
}

void CDropListWnd::post(int code)
{
    PostUserMessage(m_owner, code, m_hoverRow, DropListChoice{m_hoverRow, m_listId});
}

void CDropListWnd::dismiss()
{
    // The press that closes the list must not also reach the window under it (the SPEED
    // button would open the list again at once).
    setAttribute(Qt::WA_NoMouseReplay);
    hide();
    post(kDropListDismissed);
}

void CDropListWnd::mousePressEvent(QMouseEvent *event)
{
    if (!CDropListLayout::Contains(size(), event->position().toPoint())) {
        dismiss();
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void CDropListWnd::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (!isVisible())
        return;
    if (CDropListLayout::Contains(size(), event->position().toPoint())) {
        post(kDropListChosen);
        hide();
    } else if (wasPressed) {
        hide(); // pressed inside, dragged out: nothing is chosen
    }
}

void CDropListWnd::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        if (ItemCount() > 0)
            setHoverRow(std::clamp(m_hoverRow - 1, 1, ItemCount()));
        break;
    case Qt::Key_Down:
        if (ItemCount() > 0)
            setHoverRow(std::clamp(m_hoverRow + 1, 1, ItemCount()));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        post(kDropListChosen);
        hide();
        break;
    case Qt::Key_Escape:
        hide();
        post(kDropListDismissed);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CDropListWnd::hideEvent(QHideEvent *event)
{
    m_pressed = false;
    QWidget::hideEvent(event);
}

#include "DropList.h"

#include "ControlId.h"
#include "UserMessage.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {
constexpr int kTextRole = Qt::UserRole + 1; // the row's text as given, ampersands doubled
} // namespace

// Draws the rows in the list's own colours: plain rows vertically centred with an ellipsis,
// headings bold with a line after the text.
class CDropRowDelegate : public QStyledItemDelegate
{
public:
    CDropRowDelegate(CDropButton *box, CPopupList *list)
        : QStyledItemDelegate(list)
        , m_box(box)
        , m_list(list)
    {}

    QColor listColour = Qt::white;
    QColor selectionColour = QColor(247, 247, 239);
    int rowHeight = 16;
    QFont normal;
    QFont bold;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const DropListItemRecord record = m_box->Record(index.row());
        const bool selected = (option.state & QStyle::State_Selected) && !record.heading;
        const QRect cell = option.rect;
        painter->save();
        painter->fillRect(cell, selected ? selectionColour : listColour);
        painter->setPen(selected ? record.selectedTextColour : record.textColour);
        const QFont &font = record.heading ? bold : normal;
        painter->setFont(font);
        const QRect textRect(cell.left() + 4, cell.top(), qMax(0, cell.width() - 9), cell.height());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QFontMetrics metrics(font);
        if (!record.heading) {
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(text, Qt::ElideRight, textRect.width()));
        } else {
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
            const int lineStart = textRect.left() + metrics.horizontalAdvance(text) + 2;
            const int lineEnd = cell.right() - 2;
            const int middle = cell.top() + cell.height() / 2;
            if (lineEnd > lineStart)
                painter->drawLine(lineStart, middle, lineEnd, middle);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(m_list->viewport()->width(), rowHeight);
    }

private:
    CDropButton *m_box;
    CPopupList *m_list;
};

// ---------------------------------------------------------------------------------------------
// The box to assistive technology: a combo box whose value is the choice it shows and whose
// child is its list. The list is a pop-up window of its own, which the application's tree
// leaves out; as the box's child its rows can be read even while it is closed.

class CDropButtonAccessible : public QAccessibleWidget
{
public:
    explicit CDropButtonAccessible(CDropButton *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {}

    int childCount() const override { return box()->List() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        CPopupList *list = box()->List();
        return index == 0 && list ? QAccessible::queryAccessibleInterface(list) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && box()->List() && child->object() == box()->List() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return PrefixProcessed(box()->text());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->IsOpen();
        s.collapsed = !box()->IsOpen();
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            box()->IsOpen() ? box()->Close() : box()->Open();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    CDropButton *box() const { return static_cast<CDropButton *>(widget()); }
};

namespace {
QAccessibleInterface *dropButtonAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("CDropButton") && object && object->isWidgetType())
        return new CDropButtonAccessible(static_cast<CDropButton *>(object));
    return nullptr;
}
} // namespace

// ---------------------------------------------------------------------------------------------

CDropButton::CDropButton(QWidget *parent)
    : QAbstractButton(parent)
{
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(dropButtonAccessible);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);
    setFocusPolicy(Qt::StrongFocus);
}

CDropButton::~CDropButton()
{
    // The list hides while it is destroyed; it must find the box whole and without a list.
    CPopupList *list = m_list;
    m_list = nullptr;
    delete list;
}

bool CDropButton::Create(const QFont *font, const QColor &boxColour, const QString &text,
                         QWidget *parent, int id, const QColor &hotBoxColour,
                         const QColor &textColour, const QColor &hotTextColour,
                         const QColor &listColour, const QRect &rect)
{
    setParent(parent);
    ::SetControlId(this, id);
    int rowHeight = 0;
    if (font) {
        m_font = *font;
        rowHeight = QFontMetrics(m_font).height();
    } else {
        // "Arial" 15 pixels high (the cell), normal weight.
        rowHeight = 15;
        m_font = QFont(QStringLiteral("Arial"));
        m_font.setPixelSize(FontPixelSizeForCell(rowHeight));
        m_font.setWeight(QFont::Normal);
    }
    if (boxColour.isValid()) {
        m_boxColour = boxColour;
        m_hotBoxColour = hotBoxColour;
    } else {
        m_boxColour = QColor(221, 217, 205);
        m_hotBoxColour = QColor(233, 228, 217);
    }
    m_textColour = textColour.isValid() ? textColour : QColor(Qt::black);
    m_hotTextColour = hotTextColour.isValid() ? hotTextColour : QColor(Qt::black);
    setFont(m_font);
    setText(text);
    setGeometry(rect);
    setVisible(true);

    m_list = new CPopupList(this);
    ::SetControlId(m_list, kDropListControlId);
    m_rows = new CDropRowDelegate(this, m_list);
    m_rows->normal = m_font;
    m_rows->bold = m_font;
    m_rows->bold.setWeight(QFont::Bold);
    m_rows->rowHeight = qMax(1, rowHeight);
    m_list->setItemDelegate(m_rows);
    m_list->setFont(m_font);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_list->setFrameShape(QFrame::Box);
    m_list->setLineWidth(1);
    m_list->SetCompanion(this);
    m_list->SetPressPicksRow(true);
    m_list->resize(200, 200);
    connect(m_list, &CPopupList::chosen, this, [this](int row) {
        if (row > 0)
            OnChoice(row - 1);
    });
    connect(m_list, &CPopupList::closed, this, &CDropButton::listClosed);
    SetListColour(listColour.isValid() ? listColour : QColor(Qt::white));
    return true;
}

int CDropButton::ControlId() const
{
    return ControlIdOf(this);
}

void CDropButton::AddItem(const QString &text, const DropListItemRecord &record)
{
    if (!m_list)
        return;
    m_records.append(record);
    QListWidgetItem *row = m_list->AddRow(PrefixProcessed(text));
    row->setData(kTextRole, text);
    if (record.heading)
        row->setFlags(row->flags() & ~Qt::ItemIsSelectable);
}

QString CDropButton::ItemText(int row) const
{
    const QListWidgetItem *item = m_list ? m_list->item(row) : nullptr;
    return item ? item->data(kTextRole).toString() : QString();
}

DropListItemRecord CDropButton::Record(int row) const
{
    return m_records.value(row);
}

void CDropButton::SetListColour(const QColor &colour)
{
    if (!m_list)
        return;
    m_rows->listColour = colour;
    QPalette p = m_list->palette();
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Window, colour);
    m_list->setPalette(p);
    m_list->viewport()->update();
}

void CDropButton::SetSelectionColour()
{
    if (!m_list)
        return;
    m_rows->selectionColour = QColor(200, 200, 200);
    m_list->viewport()->update();
}

QColor CDropButton::ListColour() const
{
    return m_rows ? m_rows->listColour : QColor();
}

QColor CDropButton::SelectionColour() const
{
    return m_rows ? m_rows->selectionColour : QColor();
}

int CDropButton::RowHeight() const
{
    return m_rows ? m_rows->rowHeight : 0;
}

void CDropButton::SelectItem(int position)
{
    if (!m_list || position < 0 || position >= m_list->count())
        return;
    m_position = position;
    m_list->setCurrentRow(position);
    m_list->scrollToItem(m_list->item(position), QAbstractItemView::PositionAtTop);
}

bool CDropButton::IsOpen() const
{
    return m_list && m_list->isVisible();
}

void CDropButton::Open()
{
    if (!m_list || IsOpen())
        return;
    PostUserMessage(parentWidget(), kDropOpenedCode, 50000, ControlId());
    const int height = DropListHeight(m_list->count(), RowHeight(), m_listHeightLimit);
    // Below the box, overlapping its bottom line, as wide as the box; one pixel more for the
    // list's border.
    const QPoint topLeft = mapToGlobal(QPoint(0, this->height() - 1));
    SelectItem(m_position);
    m_list->Popup(QRect(topLeft, QSize(width(), height + 1)));
    SelectItem(m_position);
    update();
}

void CDropButton::Close()
{
    if (IsOpen())
        m_list->hide();
}

void CDropButton::OnChoice(int position)
{
    if (!m_list || position < 0 || position >= m_list->count())
        return;
    m_position = position;
    Close();
    if (m_showsChoice) {
        setText(ItemText(position));
        update();
        QAccessibleValueChangeEvent changed(this, PrefixProcessed(text()));
        QAccessible::updateAccessibility(&changed);
    }
    PostUserMessage(parentWidget(), kDropChosenCode, position, ControlId());
}

void CDropButton::listClosed()
{
    if (!m_list)
        return;
    // Closed without a choice: the list goes back to the last one.
    SelectItem(m_position);
    setHot(underMouse());
    update();
}

void CDropButton::setHot(bool hot)
{
    if (m_hot == hot)
        return;
    m_hot = hot;
    update();
}

void CDropButton::enterEvent(QEnterEvent *event)
{
    if (!IsOpen())
        setHot(true);
    QAbstractButton::enterEvent(event);
}

void CDropButton::leaveEvent(QEvent *event)
{
    if (!IsOpen())
        setHot(false);
    QAbstractButton::leaveEvent(event);
}

void CDropButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    if (IsOpen())
        m_list->setFocus(Qt::PopupFocusReason);
}

void CDropButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractButton::mousePressEvent(event);
    m_hot = false;
    if (IsOpen())
        Close();
    else
        Open();
    event->accept();
}

void CDropButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void CDropButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 || event->key() == Qt::Key_Down) {
        Open();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CDropButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool hot = m_hot;
    const QRect box = rect();
    painter.fillRect(box, hot ? m_hotBoxColour : m_boxColour);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));

    painter.setFont(m_font);
    const QFontMetrics metrics(m_font);
    const QRect m = metrics.boundingRect(QStringLiteral("M"));
    const int mWidth = metrics.horizontalAdvance(u'M');
    const QColor textColour = (hot || IsOpen()) ? m_hotTextColour : m_textColour;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(textColour);
    painter.setBrush(textColour);
    painter.drawPolygon(DropArrow(box, mWidth, m.height(), metrics.height()));
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRect textRect = DropTextRect(box, mWidth);
    const QString shown =
        metrics.elidedText(PrefixProcessed(text()), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

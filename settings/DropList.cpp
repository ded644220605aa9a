#include "DropList.h"

#include "ControlId.h"
#include "UserMessage.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {
constexpr int kTextRole = Qt::UserRole + 1; // the row's text as given, ampersands doubled
} // namespace

// Draws the rows in the list's own colours: plain rows vertically centred with an ellipsis,
// headings bold with a line after the text.
class CDropRowDelegate : public QStyledItemDelegate
{
public:
    explicit CDropRowDelegate(CDropList *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const int row = index.row();
        const DropListItemRecord record = m_list->Record(row);
        const bool selected = (option.state & QStyle::State_Selected) && !record.heading;
        const QRect cell = option.rect;
        painter->save();
        painter->fillRect(cell, selected ? m_list->m_selectionColour : m_list->m_listColour);
        painter->setPen(selected ? record.selectedTextColour : record.textColour);
        const QFont &font = record.heading ? m_list->m_bold : m_list->m_normal;
        painter->setFont(font);
        const QRect textRect(cell.left() + 4, cell.top(), qMax(0, cell.width() - 9), cell.height());
        const QString text = PrefixProcessed(m_list->ItemText(row));
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
        return QSize(m_list->viewport()->width(), m_list->m_rowHeight);
    }

private:
    CDropList *m_list;
};

// ---------------------------------------------------------------------------------------------

CDropList::CDropList(CDropButton *box, QWidget *parent)
    : QListWidget(parent)
    , m_box(box)
{
    ::SetControlId(this, kDropListControlId);
    setItemDelegate(new CDropRowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setMouseTracking(true);
    // The row under the mouse is the one a click or Enter chooses.
    connect(this, &QListWidget::entered, this, [this](const QModelIndex &index) {
        if (index.isValid())
            setCurrentRow(index.row());
    });
    connect(this, &QListWidget::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid()) {
            setCurrentRow(index.row());
            ChooseCurrent();
        }
    });
}

void CDropList::AddItem(const QString &text, const DropListItemRecord &record)
{
    auto *item = new QListWidgetItem(PrefixProcessed(text), this);
    item->setData(kTextRole, text);
    m_records.append(record);
}

QString CDropList::ItemText(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(kTextRole).toString() : QString();
}

DropListItemRecord CDropList::Record(int row) const
{
    return m_records.value(row);
}

void CDropList::SetListColour(const QColor &colour)
{
    m_listColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    viewport()->update();
}

void CDropList::SetSelectionColour()
{
    m_selectionColour = QColor(200, 200, 200);
    viewport()->update();
}

void CDropList::SetRowHeight(int height)
{
    m_rowHeight = qMax(1, height);
    doItemsLayout();
}

void CDropList::SetFonts(const QFont &normal)
{
    m_normal = normal;
    m_bold = normal;
    m_bold.setWeight(QFont::Bold);
    setFont(normal);
}

void CDropList::ChooseCurrent()
{
    const int row = currentRow();
    if (row < 0 || Record(row).heading)
        return;
    m_box->OnChoice(row);
}

void CDropList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ChooseCurrent();
        return;
    case Qt::Key_Escape:
    case Qt::Key_F4:
        m_box->Close();
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}

void CDropList::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    // A pop-up keeps the keyboard while it is open; losing it means another window took over.
    if (event->reason() == Qt::ActiveWindowFocusReason)
        m_box->Close();
}

// ---------------------------------------------------------------------------------------------

CListWnd::CListWnd(CDropButton *box)
    : QWidget(box, Qt::Popup | Qt::FramelessWindowHint)
    , m_box(box)
{
    // A press on the box while the list is open only closes it (it is not replayed on the box,
    // which would open it again).
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);
    m_list = new CDropList(box, this);
    resize(200, 200);
}

void CListWnd::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_list->setGeometry(rect());
}

void CListWnd::mouseMoveEvent(QMouseEvent *event)
{
    // The open list keeps the mouse; once it leaves both the list and its box, the list closes.
    const QPoint global = event->globalPosition().toPoint();
    const QRect boxRect(m_box->mapToGlobal(QPoint(0, 0)), m_box->size());
    if (!rect().contains(event->position().toPoint()) && !boxRect.contains(global))
        m_box->Close();
    QWidget::mouseMoveEvent(event);
}

void CListWnd::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Closed without a choice: the list goes back to the last one.
    m_box->SelectItem(m_list->CurrentPosition());
    m_box->setHot(m_box->underMouse());
    m_box->update();
}

// ---------------------------------------------------------------------------------------------

CDropButton::CDropButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

CDropButton::~CDropButton()
{
    // The pop-up hides while it is destroyed; it must find the box whole and without a list.
    CListWnd *list = m_listWnd;
    m_listWnd = nullptr;
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

    m_listWnd = new CListWnd(this);
    CDropList *list = m_listWnd->List();
    list->SetFonts(m_font);
    list->SetRowHeight(rowHeight);
    list->SetListColour(listColour.isValid() ? listColour : QColor(Qt::white));
    return true;
}

int CDropButton::ControlId() const
{
    return ControlIdOf(this);
}

CDropList *CDropButton::List() const
{
    return m_listWnd ? m_listWnd->List() : nullptr;
}

void CDropButton::AddItem(const QString &text, const DropListItemRecord &record)
{
    if (CDropList *list = List())
        list->AddItem(text, record);
}

void CDropButton::SelectItem(int position)
{
    CDropList *list = List();
    if (!list || position < 0 || position >= list->count())
        return;
    list->SetCurrentPosition(position);
    list->setCurrentRow(position);
    list->scrollToItem(list->item(position), QAbstractItemView::PositionAtTop);
}

bool CDropButton::IsOpen() const
{
    return m_listWnd && m_listWnd->isVisible();
}

void CDropButton::Open()
{
    if (!m_listWnd || IsOpen())
        return;
    PostUserMessage(parentWidget(), kDropOpenedCode, 50000, ControlId());
    CDropList *list = List();
    const int height = DropListHeight(list->count(), list->RowHeight(), m_listHeightLimit);
    // Below the box, overlapping its bottom line, as wide as the box; one pixel more for the
    // list's border.
    const QPoint topLeft = mapToGlobal(QPoint(0, this->height() - 1));
    m_listWnd->setGeometry(QRect(topLeft, QSize(width(), height + 1)));
    SelectItem(list->CurrentPosition());
    m_listWnd->show();
    m_listWnd->activateWindow();
    list->setFocus(Qt::PopupFocusReason);
    update();
}

void CDropButton::Close()
{
    if (IsOpen())
        m_listWnd->hide();
}

void CDropButton::OnChoice(int position)
{
    CDropList *list = List();
    if (!list)
        return;
    list->SetCurrentPosition(position);
    Close();
    if (m_showsChoice) {
        setText(list->ItemText(position));
        update();
    }
    PostUserMessage(parentWidget(), kDropChosenCode, position, ControlId());
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
        List()->setFocus(Qt::PopupFocusReason);
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
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (event->key() == Qt::Key_F4 || altDown || event->key() == Qt::Key_Down) {
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

#include "XListCtrl.h"

#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

CXListDelegate::CXListDelegate(CXListCtrl *list)
    : QStyledItemDelegate(list)
    , m_list(list)
{}

void CXListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    const CXListModel *model = m_list->Model();
    const CXListCell *cell = model->Cell(index.row(), index.column());
    if (!cell)
        return;

    const QRect rect = option.rect.adjusted(0, 0, 0, -1);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor &back = selected ? m_list->SelBackColour() : m_list->BackColour();
    painter->fillRect(rect, back);

    if (cell->imageIndex != -1) {
        const QPixmap *icon = model->Image(cell->imageIndex);
        if (icon && rect.width() > 0) {
            const QRect target(rect.left() + (rect.width() - icon->width()) / 2,
                               (rect.top() + rect.bottom() + 1) / 2 - icon->height() / 2,
                               icon->width(), icon->height());
            const QRect shown = target & rect;
            if (!shown.isEmpty())
                painter->drawPixmap(shown, *icon, shown.translated(-target.topLeft()));
        }
    } else if (!cell->text.isEmpty()) {
        const int horizontal = cell->alignment == 0   ? Qt::AlignLeft
                               : cell->alignment == 2 ? Qt::AlignRight
                                                      : Qt::AlignHCenter;
        painter->setFont(m_list->CellFont());
        painter->setPen(selected ? m_list->SelTextColour() : m_list->TextColour());
        painter->drawText(rect, Qt::TextSingleLine | Qt::AlignVCenter | horizontal, cell->text);
    }

    painter->setPen(m_list->GridColour());
    painter->drawLine(rect.left() - 1, rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
}

QSize CXListDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    return QSize(m_list->header()->sectionSize(index.column()), m_list->RowHeight());
}

QFont CellHeightFont(const QString &family, int cellHeight)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    int pixelSize = std::max(cellHeight, 1);
    font.setPixelSize(pixelSize);
    while (pixelSize > 1 && QFontMetrics(font).height() > cellHeight)
        font.setPixelSize(--pixelSize);
    return font;
}

CXListCtrl::CXListCtrl(QWidget *parent)
    : QTreeView(parent)
    , m_model(new CXListModel(this))
    , m_header(new CXListHeader(this))
    , m_gridColour(QApplication::palette().color(QPalette::Disabled, QPalette::Text))
{
    m_cellFont = CellHeightFont(QStringLiteral("Arial"), 15);

    setHeader(m_header);
    setModel(m_model);
    setItemDelegate(new CXListDelegate(this));
    setRootIsDecorated(false);
    setIndentation(0);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    // The list sorts by itself; the heads stay clickable (sorting off would make them inert).
    setSortingEnabled(false);
    m_header->setSectionsClickable(true);
    setAllColumnsShowFocus(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(tr("Recording list"));
    m_header->setAccessibleName(tr("Recording list columns"));

    SetListFont(CellHeightFont(QStringLiteral("Arial"), 22));
    applyViewportColour();

    connect(m_header, &QHeaderView::sectionClicked, this, &CXListCtrl::ColumnClicked);
    // The last column follows the vertical bar, whatever makes it appear or go (rows, the
    // list's height).
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &CXListCtrl::AdjustLastColumn);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &CXListCtrl::AdjustLastColumn);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CXListCtrl::AdjustLastColumn);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_lastItem = -1;
        AdjustLastColumn();
    });
}

void CXListCtrl::AddColumn(const QString &title, int width)
{
    const int column = m_model->columnCount();
    m_model->AddColumn(title);
    m_header->setSectionResizeMode(column, m_columnsResizable ? QHeaderView::Interactive
                                                              : QHeaderView::Fixed);
    m_header->resizeSection(column, width);
}

void CXListCtrl::AddKindImage(int skinImageId)
{
    const QPixmap source = CSkinImages::Pixmap(skinImageId);
    QPixmap icon;
    if (!source.isNull())
        icon = source.size() == QSize(16, 16)
                   ? source
                   : source.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_model->AddImage(icon);
}

void CXListCtrl::SetUpRecordingColumns()
{
    AddColumn(QStringLiteral("전체"), 55);
    AddColumn(QStringLiteral("파일 이름"), 110);
    AddColumn(QStringLiteral("날 짜"), 135);
    for (int id : {3500, 3501, 3502})
        AddKindImage(id);
    m_header->SetCaptionImages({3410, 3412, 3413});
    m_filterColumn = 0;
    m_header->SetButtonColumn(0);
}

QObject *CXListCtrl::Receiver() const
{
    return m_receiver ? m_receiver.data() : parent();
}

void CXListCtrl::SetColumnsResizable(bool resizable)
{
    m_columnsResizable = resizable;
    m_header->setSectionResizeMode(resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void CXListCtrl::SetListColour(const QColor &text, const QColor &back)
{
    m_textColour = text;
    m_backColour = back;
    applyViewportColour();
    viewport()->update();
}

void CXListCtrl::SetSelectionColour(const QColor &text, const QColor &back)
{
    m_selTextColour = text;
    m_selBackColour = back;
    viewport()->update();
}

void CXListCtrl::SetGridColour(const QColor &colour)
{
    m_gridColour = colour;
    viewport()->update();
}

void CXListCtrl::SetCellFont(const QFont &font)
{
    m_cellFont = font;
    viewport()->update();
}

void CXListCtrl::SetListFont(const QFont &font)
{
    setFont(font);
    m_rowHeight = std::max(QFontMetrics(font).height(), 16) + 1;
    scheduleDelayedItemsLayout();
}

void CXListCtrl::applyViewportColour()
{
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, m_backColour);
    viewport()->setPalette(palette);
}

int CXListCtrl::AppendRow(const QString &firstText)
{
    return m_model->AppendRow(firstText);
}

void CXListCtrl::SetCellText(int row, int column, const QString &text)
{
    m_model->SetCellText(row, column, text);
}

void CXListCtrl::SetRowKindImage(int row, RecordingKind kind)
{
    m_model->SetCellImage(row, 0, int(kind));
}

void CXListCtrl::SetCellAlignment(int row, int column, int alignment)
{
    m_model->SetCellAlignment(row, column, alignment);
}

void CXListCtrl::DeleteRow(int row)
{
    m_model->DeleteRow(row);
}

int CXListCtrl::RowCount() const
{
    return m_model->rowCount();
}

void CXListCtrl::DeleteAllRows()
{
    m_model->DeleteAllRows();
}

void CXListCtrl::AppendEntries(const QList<RecordingEntry> &entries)
{
    m_model->AppendEntries(entries);
}

QString CXListCtrl::GetCellText(int row, int column) const
{
    return m_model->CellText(row, column);
}

QString CXListCtrl::RowFileName(int row) const
{
    return m_model->RowFileName(row);
}

void CXListCtrl::SortByColumn(int column, bool notify)
{
    if (m_model->rowCount() == 0)
        return;
    m_model->SortRows(column, m_ascending);
    setFocus(Qt::OtherFocusReason);
    if (notify)
        post(notify::kResorted, m_controlId);
}

int CXListCtrl::scrollBarWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
}

void CXListCtrl::AdjustLastColumn()
{
    const int last = m_model->columnCount() - 1;
    if (last < 0)
        return;
    // The bar's range is worked out on the next layout; settle it now so that the bar's state
    // is the one the rows just added or removed give.
    executeDelayedItemsLayout();
    const QScrollBar *bar = verticalScrollBar();
    const bool need = bar->maximum() > bar->minimum();
    if (need == m_scrollBarShown)
        return;
    m_scrollBarShown = need;
    const int width = m_header->sectionSize(last) + (need ? -scrollBarWidth() : scrollBarWidth());
    m_header->resizeSection(last, std::max(width, 0));
    viewport()->update();
}

void CXListCtrl::SelectOnly(int row)
{
    QItemSelectionModel *selection = selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    setFocus(Qt::OtherFocusReason);
}

void CXListCtrl::SetFilterCaption(int imageId)
{
    m_header->SetFilterCaption(imageId);
}

QList<CXListCtrl::SelectedRow> CXListCtrl::GetSelectedRows() const
{
    QList<SelectedRow> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append({row, QString()});
    }
    std::sort(rows.begin(), rows.end(),
              [](const SelectedRow &a, const SelectedRow &b) { return a.row < b.row; });
    rows.erase(
        std::unique(rows.begin(), rows.end(),
                    [](const SelectedRow &a, const SelectedRow &b) { return a.row == b.row; }),
        rows.end());
    for (SelectedRow &selected : rows)
        selected.stem = m_model->CellText(selected.row, 1);
    return rows;
}

int CXListCtrl::FirstSelectedRow() const
{
    int first = -1;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        if (first < 0 || range.top() < first)
            first = range.top();
    }
    return first;
}

void CXListCtrl::SelectRowAbove()
{
    const int row = FirstSelectedRow();
    SelectOnly(row == 0 ? 0 : row - 1);
}

void CXListCtrl::SelectRowBelow()
{
    const int row = FirstSelectedRow();
    SelectOnly(row < RowCount() - 1 ? row + 1 : row);
}

void CXListCtrl::ColumnClicked(int column)
{
    if (!m_sortable)
        return;
    if (column == m_filterColumn) {
        post(notify::kFilterHeader, m_controlId);
        return;
    }
    m_ascending = !m_ascending;
    SortByColumn(column, true);
}

void CXListCtrl::post(int code, qint64 value)
{
    PostUserMessage(Receiver(), code, value);
}

void CXListCtrl::keepSelectionOnEmptyClick()
{
    if (selectionModel()->hasSelection())
        return;
    if (m_lastItem >= 0 && m_lastItem < m_model->rowCount())
        selectionModel()->select(m_model->index(m_lastItem, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CXListCtrl::mousePressEvent(QMouseEvent *event)
{
    if (!indexAt(event->position().toPoint()).isValid()) {
        // Empty space below the rows: the selection stays as it is.
        keepSelectionOnEmptyClick();
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CXListCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        keepSelectionOnEmptyClick();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_lastItem = index.row();
        post(notify::kRowDoubleClicked, index.row());
    }
    event->accept();
}

void CXListCtrl::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    AdjustLastColumn();
}

void CXListCtrl::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        m_lastItem = selected.last().bottom();
}

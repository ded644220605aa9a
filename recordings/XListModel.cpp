#include "XListModel.h"

#include <algorithm>
#include <numeric>

CXListModel::CXListModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

int CXListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CXListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QVariant CXListModel::data(const QModelIndex &index, int role) const
{
    const CXListCell *cell = index.isValid() ? Cell(index.row(), index.column()) : nullptr;
    if (!cell)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return cell->text;
    case Qt::DecorationRole:
        if (const QPixmap *pixmap = Image(cell->imageIndex))
            return *pixmap;
        return QVariant();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignVCenter | (cell->alignment == 0   ? Qt::AlignLeft
                                       : cell->alignment == 2 ? Qt::AlignRight
                                                              : Qt::AlignHCenter));
    default:
        return QVariant();
    }
}

QVariant CXListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_titles.size())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return m_titles[section];
    return QVariant();
}

Qt::ItemFlags CXListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void CXListModel::AddColumn(const QString &title)
{
    const int column = int(m_titles.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_titles.append(title);
    for (CXListRow &row : m_rows)
        row.cells.resize(m_titles.size());
    endInsertColumns();
}

int CXListModel::AppendRow(const QString &firstText)
{
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    CXListRow added;
    added.cells.resize(std::max<qsizetype>(m_titles.size(), 1));
    added.cells[0].text = firstText;
    m_rows.append(std::move(added));
    endInsertRows();
    return row;
}

void CXListModel::AppendEntries(const QList<RecordingEntry> &entries)
{
    if (entries.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(entries.size()) - 1);
    m_rows.reserve(m_rows.size() + entries.size());
    const qsizetype columns = std::max<qsizetype>(m_titles.size(), 3);
    for (const RecordingEntry &entry : entries) {
        CXListRow row;
        row.cells.resize(columns);
        row.cells[0].text = RecordingKindName(entry.kind);
        row.cells[0].imageIndex = int(entry.kind);
        row.cells[1].text = entry.stem;
        row.cells[2].text = entry.dateText;
        row.fileName = entry.fileName;
        m_rows.append(std::move(row));
    }
    endInsertRows();
}

void CXListModel::DeleteAllRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

bool CXListModel::DeleteRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

bool CXListModel::validCell(int row, int column) const
{
    return row >= 0 && row < m_rows.size() && column >= 0 && column < m_rows[row].cells.size();
}

const CXListCell *CXListModel::Cell(int row, int column) const
{
    return validCell(row, column) ? &m_rows[row].cells[column] : nullptr;
}

QString CXListModel::CellText(int row, int column) const
{
    const CXListCell *cell = Cell(row, column);
    return cell ? cell->text : QString();
}

bool CXListModel::SetCellText(int row, int column, const QString &text)
{
    if (!validCell(row, column))
        return false;
    m_rows[row].cells[column].text = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    return true;
}

bool CXListModel::SetCellImage(int row, int column, int imageIndex)
{
    if (!validCell(row, column))
        return false;
    int &current = m_rows[row].cells[column].imageIndex;
    if (current != imageIndex) {
        current = imageIndex;
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed);
    }
    return true;
}

bool CXListModel::SetCellAlignment(int row, int column, int alignment)
{
    if (!validCell(row, column))
        return false;
    m_rows[row].cells[column].alignment = std::clamp(alignment, 0, 2);
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    return true;
}

QString CXListModel::RowFileName(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].fileName : QString();
}

void CXListModel::SetRowFileName(int row, const QString &fileName)
{
    if (row >= 0 && row < m_rows.size())
        m_rows[row].fileName = fileName;
}

RecordingEntry CXListModel::EntryAt(int row) const
{
    RecordingEntry entry;
    entry.kind = RecordingKindFromName(CellText(row, 0)).value_or(RecordingKind::Normal);
    entry.stem = CellText(row, 1);
    entry.dateText = CellText(row, 2);
    entry.fileName = RowFileName(row);
    if (entry.fileName.isEmpty() && row >= 0 && row < m_rows.size())
        entry.fileName = RecordingFileName(CellText(row, 0), entry.stem);
    return entry;
}

void CXListModel::SortRows(int column, bool ascending)
{
    const qsizetype count = m_rows.size();
    if (count == 0)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    std::vector<QString> keys(count);
    for (qsizetype i = 0; i < count; ++i)
        keys[i] = CellText(int(i), column).toLower();
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    if (ascending)
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[a] < keys[b]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[b] < keys[a]; });

    QList<CXListRow> sorted;
    sorted.reserve(count);
    std::vector<int> newRowOf(count);
    for (qsizetype i = 0; i < count; ++i) {
        sorted.append(std::move(m_rows[order[i]]));
        newRowOf[order[i]] = int(i);
    }
    m_rows = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CXListModel::AddImage(const QPixmap &pixmap)
{
    m_images.append(pixmap);
}

const QPixmap *CXListModel::Image(int imageIndex) const
{
    if (imageIndex < 0 || imageIndex >= m_images.size() || m_images[imageIndex].isNull())
        return nullptr;
    return &m_images[imageIndex];
}

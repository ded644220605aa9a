#pragma once

#include "RecordingNames.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPixmap>
#include <QVarLengthArray>

// One cell of a list row.
struct CXListCell
{
    QString text;        // shown, or (for an icon cell) its accessible text
    int imageIndex = -1; // -1: the cell shows its text; else the index of the icon it shows
    int alignment = 1;   // 0 left, 1 centred, 2 right
};

// One row: a cell per column and, for recordings, the file's name on the card.
struct CXListRow
{
    QVarLengthArray<CXListCell, 4> cells; // no allocation of its own for up to four columns
    QString fileName;
};

// The rows of a CXListCtrl. Rows keep their cells together when sorted; the view's selection
// and current row follow their rows through a sort (persistent indexes are moved).
class CXListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CXListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Adds a column with a title (kept for accessibility; the header draws images).
    void AddColumn(const QString &title);

    // Appends a row whose first cell has `firstText`; every cell starts empty, centred, no icon.
    int AppendRow(const QString &firstText);

    // Appends recording rows in one go: kind name (shown as the kind icon), stem, date text.
    void AppendEntries(const QList<RecordingEntry> &entries);

    void DeleteAllRows();
    bool DeleteRow(int row);

    // The cell, or nullptr outside the list (and for a column the row has no cell for).
    const CXListCell *Cell(int row, int column) const;
    QString CellText(int row, int column) const;
    bool SetCellText(int row, int column, const QString &text);
    bool SetCellImage(int row, int column, int imageIndex);
    bool SetCellAlignment(int row, int column, int alignment);

    QString RowFileName(int row) const;
    void SetRowFileName(int row, const QString &fileName);

    // The recording a row shows (kind from the first column's kind name).
    RecordingEntry EntryAt(int row) const;

    // Orders the rows by a column's text, lower-cased, compared by UTF-16 code units. The sort
    // is stable: rows with equal keys keep their order.
    void SortRows(int column, bool ascending);

    // Icons by image index (16 x 16).
    void AddImage(const QPixmap &pixmap);
    const QPixmap *Image(int imageIndex) const;
    int ImageCount() const { return int(m_images.size()); }

private:
    bool validCell(int row, int column) const;

    QList<QString> m_titles;
    QList<CXListRow> m_rows;
    QList<QPixmap> m_images;
};

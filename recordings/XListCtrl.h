#pragma once

#include "RecordingList.h"
#include "XListHeader.h"
#include "XListModel.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>

class CXListCtrl;

// A font whose character cell (ascent + descent) is at most `cellHeight` pixels high: the list's
// fonts are given by cell height, which keeps the camera's long names inside their columns.
QFont CellHeightFont(const QString &family, int cellHeight);

// Paints one cell of a CXListCtrl: background, kind icon or text, grid line.
class CXListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CXListDelegate(CXListCtrl *list);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    CXListCtrl *m_list;
};

// The report list of the player: rows of cells drawn by the player, a skinned header whose
// first head can be a filter button, sorting on head clicks. It tells its receiver (the parent
// window unless set otherwise) about double-clicks (code 9, the row), filter-head clicks (10)
// and finished sorts (11) by posted notifications.
class CXListCtrl : public QTreeView, public IRecordingList
{
    Q_OBJECT
public:
    explicit CXListCtrl(QWidget *parent = nullptr);

    CXListModel *Model() const { return m_model; }
    CXListHeader *Header() const { return m_header; }

    // Set-up.
    void AddColumn(const QString &title, int width);
    void AddKindImage(int skinImageId); // 16 x 16 icons; the image index is the order of adding
    // The columns, icons and captions of the recording list: kind, name, date.
    void SetUpRecordingColumns();
    void SetReceiver(QObject *receiver) { m_receiver = receiver; }
    QObject *Receiver() const;
    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }
    void SetFilterColumn(int column) { m_filterColumn = column; }
    int FilterColumn() const { return m_filterColumn; }
    void SetSortable(bool sortable) { m_sortable = sortable; }
    void SetColumnsResizable(bool resizable);
    bool ColumnsResizable() const { return m_columnsResizable; }

    // Looks.
    void SetListColour(const QColor &text, const QColor &back);
    void SetSelectionColour(const QColor &text, const QColor &back);
    void SetGridColour(const QColor &colour);
    void SetCellFont(const QFont &font);
    // The list's own font fixes the row height.
    void SetListFont(const QFont &font);
    QColor TextColour() const { return m_textColour; }
    QColor BackColour() const { return m_backColour; }
    QColor SelTextColour() const { return m_selTextColour; }
    QColor SelBackColour() const { return m_selBackColour; }
    QColor GridColour() const { return m_gridColour; }
    const QFont &CellFont() const { return m_cellFont; }
    int RowHeight() const { return m_rowHeight; }

    // Rows and cells; indices are 0-based, requests outside the list do nothing.
    int AppendRow(const QString &firstText);
    void SetCellText(int row, int column, const QString &text);
    void SetRowKindImage(int row, RecordingKind kind);
    void SetCellAlignment(int row, int column, int alignment);
    void DeleteRow(int row);

    // IRecordingList
    int RowCount() const override;
    void DeleteAllRows() override;
    void AppendEntries(const QList<RecordingEntry> &entries) override;
    QString GetCellText(int row, int column) const override;
    QString RowFileName(int row) const override;
    void SortByColumn(int column, bool notify) override;
    void SetAscending(bool ascending) override { m_ascending = ascending; }
    void AdjustLastColumn() override;
    void SelectOnly(int row) override;
    void SetFilterCaption(int imageId) override;

    bool Ascending() const { return m_ascending; }
    bool ScrollBarShown() const { return m_scrollBarShown; }
    int LastItem() const { return m_lastItem; }

    struct SelectedRow
    {
        int row;
        QString stem; // second-column text
    };
    // The selected rows in ascending order.
    QList<SelectedRow> GetSelectedRows() const;

    // The first selected row, -1 when none.
    int FirstSelectedRow() const;
    // The arrow keys of the player window: select the row above or below the first selected
    // one (SelectOnly); with nothing selected, above selects nothing and below the first row.
    void SelectRowAbove();
    void SelectRowBelow();

    // What a click on a column head does: the filter column posts 10, others sort (toggling the
    // direction) and post 11.
    void ColumnClicked(int column);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    void post(int code, qint64 value);
    void keepSelectionOnEmptyClick();
    int scrollBarWidth() const;
    void applyViewportColour();

    CXListModel *m_model;
    CXListHeader *m_header;
    QPointer<QObject> m_receiver;
    int m_controlId = 0;
    int m_filterColumn = -1;
    QColor m_textColour{242, 149, 48};
    QColor m_backColour{255, 255, 255};
    QColor m_selTextColour{255, 255, 255};
    QColor m_selBackColour{242, 149, 48};
    QColor m_gridColour;
    QFont m_cellFont;
    int m_rowHeight = 25;
    int m_lastItem = -1;
    bool m_sortable = true;
    bool m_ascending = true;
    bool m_columnsResizable = false;
    bool m_scrollBarShown = false;
};

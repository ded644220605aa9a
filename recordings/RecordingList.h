#pragma once

#include "RecordingNames.h"

#include <QList>
#include <QString>

// What the catalogue needs of the recording list. CXListCtrl provides it; the catalogue keeps no
// widget of its own.
class IRecordingList
{
public:
    virtual ~IRecordingList() = default;

    virtual int RowCount() const = 0;
    virtual void DeleteAllRows() = 0;
    // Appends one row per entry: kind name with the kind's icon, stem, date text.
    virtual void AppendEntries(const QList<RecordingEntry> &entries) = 0;
    virtual QString GetCellText(int row, int column) const = 0;
    // The file name on the card of the recording a row shows.
    virtual QString RowFileName(int row) const = 0;
    virtual void SortByColumn(int column, bool notify) = 0;
    virtual void SetAscending(bool ascending) = 0;
    virtual void AdjustLastColumn() = 0;
    virtual void SelectOnly(int row) = 0;
    virtual void SetFilterCaption(int imageId) = 0;
};

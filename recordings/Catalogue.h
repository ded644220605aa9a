#pragma once

#include "RecordingList.h"
#include "RecordingNames.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The player's knowledge of the recordings in one folder: the clip names per kind (in directory
// order), which kinds the list shows, and which recording is the current one. The list's rows
// (sorted) are the only place where the order the user sees exists; currentIndex counts in it.
// The main window owns one catalogue, forwards the list's notifications to it and follows its
// signals.
class CCatalogue : public QObject
{
    Q_OBJECT
public:
    // Kind filter values and the caption image each shows on the list's first head.
    enum KindFilter { FilterAll = 0, FilterEvent = 1, FilterParking = 2, FilterNormal = 3 };
    static int FilterCaptionId(int kindFilter);
    static int NextKindFilter(int kindFilter);

    explicit CCatalogue(IRecordingList *list = nullptr, QObject *parent = nullptr)
        : QObject(parent)
        , m_list(list)
    {}

    void SetList(IRecordingList *list) { m_list = list; }
    IRecordingList *List() const { return m_list; }

    // Entry points.
    // Lists the first of the drives (roots, in order) that holds recordings, without opening
    // a row; true when one did.
    bool AutoLoadCard(const QStringList &drives);
    // Lists the folder and asks for its first row to be opened; a folder without recordings
    // empties the list instead.
    bool LoadFolder(QString path);
    void CycleKindFilter();
    void RelocateCurrent();
    // Forgets the folder: no names, no current recording, every kind shown (the list's rows are
    // the window's to clear).
    void Clear();

    // Fills the three name lists from the folder's entries (sub-folders are not entered; only
    // regular files count, never a link or a FIFO); the path gets its trailing '/'. True when at
    // least one recording was found.
    bool ScanFolder(QString &path);

    // Rebuilds the list's rows from the name lists as the kind filter allows, sorted by name in
    // the list's current direction, without notification.
    void FillList();

    // Removes a deleted clip from its kind's name list.
    void RemoveName(RecordingKind kind, const QString &clipPath);

    // Makes a row the current recording: index, stem and title.
    void MakeCurrent(int row);

    // The title read-out, "stem(i/n)"; empty while there is no current stem.
    QString TitleText() const;

    // The full path of the clip a row shows (empty outside the list).
    QString ClipPathAt(int row) const;
    // The row whose clip or drive-data file is at `path`; -1 when no row's is.
    int RowOfFile(const QString &path) const;

    const QString &FolderPath() const { return m_folderPath; }
    void SetFolderPath(const QString &path) { m_folderPath = path; }
    const QStringList &EventNames() const { return m_eventNames; }
    const QStringList &ParkingNames() const { return m_parkingNames; }
    const QStringList &NormalNames() const { return m_normalNames; }
    int KindFilterValue() const { return m_kindFilter; }
    int CurrentIndex() const { return m_currentIndex; }
    void SetCurrentIndex(int index) { m_currentIndex = index; }
    const QString &CurrentStem() const { return m_currentStem; }
    bool IsEmpty() const;

signals:
    // A folder with recordings was listed (LoadFolder or AutoLoadCard); `path` ends in '/'.
    void FolderLoaded(const QString &path);
    // The row to open after a load or a filter change; whoever opens it makes it current.
    void RowToOpen(int row);
    // A folder without recordings was loaded: the list is empty and nothing is to play.
    void Emptied();
    // The title read-out "stem(i/n)" of the current recording.
    void TitleChanged(const QString &title);
    // The kind filter changed (the speed read-out goes back to zero).
    void KindFilterChanged(int kindFilter);

private:
    QStringList &namesOf(RecordingKind kind);
    void clearNames();
    void sortAndAnnounce();
    void showTitle();

    IRecordingList *m_list = nullptr;

    QString m_folderPath;
    QStringList m_eventNames;
    QStringList m_parkingNames;
    QStringList m_normalNames;
    int m_kindFilter = FilterAll;
    int m_currentIndex = 0;
    QString m_currentStem;
    QString m_currentFileName; // tells apart recordings of equal stems
};

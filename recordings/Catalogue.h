#pragma once

#include "RecordingList.h"
#include "RecordingNames.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The player's knowledge of the recordings in one folder: the clip names per kind (in directory
// order), which kinds the list shows, and which recording is the current one. The list's rows
// (sorted) are the only place where the order the user sees exists; currentIndex counts in it.
// The main window owns one catalogue and forwards its buttons and the list's notifications.
class CCatalogue
{
public:
    // Kind filter values and the caption image each shows on the list's first head.
    enum KindFilter { FilterAll = 0, FilterEvent = 1, FilterParking = 2, FilterNormal = 3 };
    static int FilterCaptionId(int kindFilter);
    static int NextKindFilter(int kindFilter);

    // What the catalogue asks of the rest of the player. Every hook may stay empty.
    struct Hooks
    {
        // Opens the recording at a row (clip playback). When empty, the row just becomes the
        // current one (MakeCurrent).
        std::function<void(int row)> openRecordingAt;
        // Stops playback and clears the clip state and the title.
        std::function<void()> clearPlayer;
        // Shows the title read-out "stem(i/n)".
        std::function<void(const QString &title)> setTitle;
        // Resets the speed read-out as when playback stops (a filter change).
        std::function<void()> resetReadouts;
        // Asks for a card; gives its root path, or nothing on cancel.
        std::function<std::optional<QString>(const QString &initial)> chooseCard;
        // Asks for a folder; gives its path, or nothing on cancel. Default: a folder chooser.
        std::function<std::optional<QString>(const QString &initial)> chooseFolder;
        // The removable drives' roots in order. Default: ListRemovableDrives.
        std::function<QStringList()> listDrives;
    };

    CCatalogue() = default;
    explicit CCatalogue(IRecordingList *list)
        : m_list(list)
    {}

    void SetList(IRecordingList *list) { m_list = list; }
    IRecordingList *List() const { return m_list; }
    Hooks &GetHooks() { return m_hooks; }
    void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // The owner window of the folder chooser.
    void SetDialogParent(QWidget *parent) { m_dialogParent = parent; }

    // Entry points.
    bool AutoLoadCard();
    void OpenCard();
    void OpenFolder();
    bool LoadFolder(QString path);
    void CycleKindFilter();
    void RelocateCurrent();

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

private:
    QStringList &namesOf(RecordingKind kind);
    void clearNames();
    void sortAndAnnounce();
    void openRow(int row);
    void showTitle();

    IRecordingList *m_list = nullptr;
    Hooks m_hooks;
    QWidget *m_dialogParent = nullptr;

    QString m_folderPath;
    QStringList m_eventNames;
    QStringList m_parkingNames;
    QStringList m_normalNames;
    int m_kindFilter = FilterAll;
    int m_currentIndex = 0;
    QString m_currentStem;
    QString m_currentFileName; // tells apart recordings of equal stems
};

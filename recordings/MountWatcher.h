#pragma once

#include "DriveUtils.h"

#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class QSocketNotifier;

// What makes a folder the one it was: the mount it lies on, its file system's device and its
// own inode. A card pulled and put back, a folder unmounted from over another, a folder removed
// and made again: each changes at least one of them.
struct FolderIdentity
{
    quint64 mountId = 0; // the kernel's id of the mount (0 where the kernel does not tell)
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FolderIdentity &, const FolderIdentity &) = default;
};

// The identity of the folder at `path` now (links followed, as the player opens it); nothing
// when it is not a folder.
std::optional<FolderIdentity> ReadFolderIdentity(const QString &path);

// One removable drive as it was seen.
struct DriveSighting
{
    QString root; // with its trailing '/'
    FolderIdentity identity;
    friend bool operator==(const DriveSighting &, const DriveSighting &) = default;
};
using DriveSnapshot = QList<DriveSighting>;

// The removable drives now (RemovableDriveRoots of the probe, the extra folders included), each
// with its identity.
DriveSnapshot TakeDriveSnapshot(const DriveProbe &probe = DriveProbe());

// The folder the player has loaded and what it was when loaded.
struct LoadedCard
{
    QString root;
    FolderIdentity identity;
};

// What a change of the mounts means for the player.
struct MountChangeMeaning
{
    // The loaded card (or folder) is gone: unmounted, pulled, its folder removed or replaced.
    bool cardRemoved = false;
    // Drives that came since the last look (or came back as another volume), in the drives'
    // order, to be tried for recordings. Only when no card is loaded (any more): a card that
    // comes while another is loaded changes nothing by itself.
    QStringList drivesToTry;
    // The list of drives is not the same as before (the card dialog shows them again).
    bool drivesChanged = false;
};

// `loadedNow` is the loaded folder's identity as it is now (nothing when it is gone).
MountChangeMeaning InterpretMountChange(const DriveSnapshot &before, const DriveSnapshot &after,
                                        const std::optional<LoadedCard> &loaded,
                                        const std::optional<FolderIdentity> &loadedNow);

// Watches the system's mount table: the kernel marks /proc/self/mountinfo with an exceptional
// condition (POLLPRI) after every mount and unmount. Changes that come in a burst (a desktop's
// automounter often mounts and remounts) are reported once, shortly after the last.
class CMountWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSettleMs = 150;

    explicit CMountWatcher(QObject *parent = nullptr,
                           const QString &mountInfoPath = QStringLiteral("/proc/self/mountinfo"));
    ~CMountWatcher() override;

    // Whether the mount table could be opened (nothing is ever reported otherwise).
    bool IsWatching() const { return m_notifier != nullptr; }

signals:
    // The mounts changed.
    void MountsChanged();

private:
    void onTableMarked();

    QFile m_table;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_settle;
};

#include "MountWatcher.h"

#include "FileNameBytes.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/stat.h>

std::optional<FolderIdentity> ReadFolderIdentity(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    struct statx status = {};
    if (::statx(AT_FDCWD, EncodeFileName(path).constData(), 0,
                STATX_TYPE | STATX_INO | STATX_MNT_ID, &status) != 0 ||
        !S_ISDIR(status.stx_mode))
        return std::nullopt;
    FolderIdentity identity;
    identity.mountId = (status.stx_mask & STATX_MNT_ID) ? status.stx_mnt_id : 0;
    identity.device = (quint64(status.stx_dev_major) << 32) | status.stx_dev_minor;
    identity.inode = status.stx_ino;
    return identity;
}

DriveSnapshot TakeDriveSnapshot(const DriveProbe &probe)
{
    DriveSnapshot drives;
    for (const QString &root : RemovableDriveRoots(probe)) {
        if (const std::optional<FolderIdentity> identity = ReadFolderIdentity(root))
            drives.append({root, *identity});
    }
    return drives;
}

MountChangeMeaning InterpretMountChange(const DriveSnapshot &before, const DriveSnapshot &after,
                                        const std::optional<LoadedCard> &loaded,
                                        const std::optional<FolderIdentity> &loadedNow)
{
    MountChangeMeaning meaning;
    meaning.cardRemoved = loaded && (!loadedNow || *loadedNow != loaded->identity);
    meaning.drivesChanged = before != after;
    if (loaded && !meaning.cardRemoved)
        return meaning;
    for (const DriveSighting &drive : after) {
        // The card that has just gone does not come back under its own identity.
        if (!before.contains(drive) && !(loaded && loaded->identity == drive.identity))
            meaning.drivesToTry.append(drive.root);
    }
    return meaning;
}

CMountWatcher::CMountWatcher(QObject *parent, const QString &mountInfoPath)
    : QObject(parent)
    , m_table(mountInfoPath)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CMountWatcher::MountsChanged);
    if (!m_table.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    // The table is always readable; only the exceptional condition tells of a change. Each poll
    // that reports it also clears it.
    m_notifier = new QSocketNotifier(m_table.handle(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CMountWatcher::onTableMarked);
}

CMountWatcher::~CMountWatcher() = default;

void CMountWatcher::onTableMarked()
{
    m_settle.start();
}

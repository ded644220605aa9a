#include "CardTarget.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

QString deviceNameOf(const MountEntry &entry)
{
    return entry.source.startsWith(QLatin1String("/dev/")) ? entry.source.mid(5) : QString();
}

bool diskHasPartitions(const BlockDisk &disk)
{
    const QFileInfoList children =
        QDir(disk.diskPath).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    return std::any_of(children.cbegin(), children.cend(), [](const QFileInfo &child) {
        return QFileInfo::exists(child.filePath() + QStringLiteral("/partition"));
    });
}

} // namespace

std::optional<CardTarget> ResolveCardTarget(const DriveProbe &probe, const QString &root,
                                            QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    const QString mountPoint = QDir::cleanPath(root);
    if (root.isEmpty() || mountPoint == QLatin1String("/"))
        return refuse(QStringLiteral("No card is selected."));

    const QList<MountEntry> mounts = ReadMountTable(probe);
    // The last mount on a point is the one in effect.
    std::optional<MountEntry> entry;
    for (const MountEntry &candidate : mounts) {
        if (candidate.mountPoint == mountPoint)
            entry = candidate;
    }
    if (!entry)
        return refuse(QStringLiteral("%1 is not the mount point of a card.").arg(mountPoint));
    if (!entry->source.startsWith(QLatin1String("/dev/")) ||
        entry->majorMinor.startsWith(QLatin1String("0:")) || entry->root != QLatin1String("/"))
        return refuse(QStringLiteral("%1 is not a volume of its own.").arg(mountPoint));

    const QSet<QString> systemDisks = SystemDiskPaths(probe, mounts);
    if (!IsCardCandidate(probe, systemDisks, *entry))
        return refuse(QStringLiteral("%1 is not on a removable card, or its disk also holds "
                                     "the system or is part of a RAID, LVM or crypt volume.")
                          .arg(entry->source));
    const std::optional<BlockDisk> disk =
        FindBlockDisk(probe.sysfsRoot, deviceNameOf(*entry), entry->majorMinor);
    if (!disk)
        return refuse(QStringLiteral("%1 is not known to the system.").arg(entry->source));
    if (!disk->partition && diskHasPartitions(*disk))
        return refuse(
            QStringLiteral("%1 is a whole disk with partitions; only a single volume of a card "
                           "is formatted.")
                .arg(entry->source));

    for (const MountEntry &other : mounts) {
        if (other.mountPoint == mountPoint || other.majorMinor.startsWith(QLatin1String("0:")))
            continue;
        const std::optional<BlockDisk> otherDisk =
            FindBlockDisk(probe.sysfsRoot, deviceNameOf(other), other.majorMinor);
        if (otherDisk && otherDisk->diskPath == disk->diskPath)
            return refuse(
                QStringLiteral("%1 is also mounted at %2; close it there first.")
                    .arg(QStringLiteral("/dev/") + otherDisk->diskName, other.mountPoint));
    }

    CardTarget target;
    target.mountPoint = mountPoint;
    target.root = DriveRoot(mountPoint);
    target.device = entry->source;
    target.majorMinor = entry->majorMinor;
    target.fsType = entry->fsType;
    const QStorageInfo storage(mountPoint);
    if (storage.isValid() && QDir::cleanPath(storage.rootPath()) == mountPoint) {
        target.label = storage.name();
        target.totalBytes = std::max<qint64>(storage.bytesTotal(), 0);
    }
    return target;
}

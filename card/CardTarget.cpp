#include "CardTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sys/sysmacros.h>

namespace {

QString readSysfsText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.read(256)).simplified();
}

bool diskHasPartitions(const BlockDisk &disk)
{
    const QFileInfoList children =
        QDir(disk.diskPath).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    return std::any_of(children.cbegin(), children.cend(), [](const QFileInfo &child) {
        return QFileInfo::exists(child.filePath() + QStringLiteral("/partition"));
    });
}

// The disk behind a device number; the name a mount table or a path gives is never used, as
// anyone may name a node or a link like a card.
std::optional<BlockDisk> diskByNumber(const DriveProbe &probe, const QString &deviceNumber)
{
    if (deviceNumber.isEmpty() || deviceNumber.startsWith(QLatin1String("0:")))
        return std::nullopt;
    return FindBlockDisk(probe.sysfsRoot, QString(), deviceNumber);
}

QString diskSequence(const BlockDisk &disk)
{
    return readSysfsText(disk.diskPath + QStringLiteral("/diskseq"));
}

// The card rules of a disk: removable, no part of the system, not in a RAID, LVM or crypt stack.
bool isCardDisk(const DriveProbe &probe, const QList<MountEntry> &mounts, const BlockDisk &disk)
{
    return IsRemovableDisk(probe.sysfsRoot, disk) && !IsStackedDisk(disk) &&
           !SystemDiskPaths(probe, mounts).contains(disk.diskPath);
}

QString diskModel(const BlockDisk &disk)
{
    const QString device = disk.diskPath + QStringLiteral("/device/");
    // SCSI and USB readers give vendor and model, SD slots the card's name.
    const QString model = readSysfsText(device + QStringLiteral("model"));
    if (!model.isEmpty()) {
        const QString vendor = readSysfsText(device + QStringLiteral("vendor"));
        return vendor.isEmpty() ? model : vendor + QLatin1Char(' ') + model;
    }
    return readSysfsText(device + QStringLiteral("name"));
}

} // namespace

QString DeviceNumberText(dev_t number)
{
    return QStringLiteral("%1:%2").arg(major(number)).arg(minor(number));
}

std::optional<CardPin> PinCard(const DriveProbe &probe, const QString &root)
{
    const QString mountPoint = QDir::cleanPath(root);
    std::optional<MountEntry> entry;
    for (const MountEntry &candidate : ReadMountTable(probe)) {
        if (candidate.mountPoint == mountPoint)
            entry = candidate; // the last mount on a point is the one in effect
    }
    if (!entry || root.isEmpty())
        return std::nullopt;
    const std::optional<BlockDisk> disk = diskByNumber(probe, entry->majorMinor);
    if (!disk)
        return std::nullopt;
    return CardPin{entry->majorMinor, diskSequence(*disk)};
}

bool IsStillPinned(const DriveProbe &probe, const CardPin &pin, QString *reason)
{
    const std::optional<BlockDisk> disk = diskByNumber(probe, pin.deviceNumber);
    if (disk && diskSequence(*disk) == pin.diskseq)
        return true;
    if (reason)
        *reason = CardChangedReason();
    return false;
}

QString CardChangedReason()
{
    return QStringLiteral("The card in the reader is not the one that was chosen (was it taken "
                          "out or changed?); choose it again.");
}

bool IsPinnedDevice(const struct stat &status, const CardPin &pin)
{
    return S_ISBLK(status.st_mode) && DeviceNumberText(status.st_rdev) == pin.deviceNumber;
}

QString CardDescription(const CardTarget &target)
{
    const QString name = target.device.mid(target.device.lastIndexOf(QLatin1Char('/')) + 1);
    QStringList parts{target.label.isEmpty() ? name
                                             : QStringLiteral("%1 (%2)").arg(target.label, name),
                      FormatSize(target.deviceBytes)};
    if (!target.model.isEmpty())
        parts << target.model;
    return QStringLiteral("To be erased: ") + parts.join(QStringLiteral(", "));
}

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

    const std::optional<BlockDisk> disk = diskByNumber(probe, entry->majorMinor);
    if (!disk)
        return refuse(QStringLiteral("%1 is not known to the system.").arg(entry->source));
    const QString device = QStringLiteral("/dev/") + disk->deviceName;
    if (!isCardDisk(probe, mounts, *disk))
        return refuse(QStringLiteral("%1 is not on a removable card, or its disk also holds "
                                     "the system or is part of a RAID, LVM or crypt volume.")
                          .arg(device));
    if (!disk->partition && diskHasPartitions(*disk))
        return refuse(
            QStringLiteral("%1 is a whole disk with partitions; only a single volume of a card "
                           "is formatted.")
                .arg(device));

    for (const MountEntry &other : mounts) {
        if (other.mountPoint == mountPoint)
            continue;
        const std::optional<BlockDisk> otherDisk = diskByNumber(probe, other.majorMinor);
        if (otherDisk && otherDisk->diskPath == disk->diskPath)
            return refuse(
                QStringLiteral("%1 is also mounted at %2; close it there first.")
                    .arg(QStringLiteral("/dev/") + otherDisk->diskName, other.mountPoint));
    }

    CardTarget target;
    target.mountPoint = mountPoint;
    target.root = DriveRoot(mountPoint);
    target.device = device;
    target.pin = CardPin{entry->majorMinor, diskSequence(*disk)};
    target.fsType = entry->fsType;
    target.deviceBytes =
        readSysfsText(disk->devicePath + QStringLiteral("/size")).toLongLong() * 512;
    target.model = diskModel(*disk);
    const QStorageInfo storage(mountPoint);
    if (storage.isValid() && QDir::cleanPath(storage.rootPath()) == mountPoint) {
        target.label = storage.name();
        target.totalBytes = std::max<qint64>(storage.bytesTotal(), 0);
    }
    return target;
}

std::optional<ToolVolume> CheckToolVolume(const DriveProbe &probe, const struct stat &status,
                                          const FormatToolRequest &request, QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    ToolVolume volume;
    if (S_ISREG(status.st_mode)) {
        if (!request.deviceNumber.isEmpty())
            return refuse(QStringLiteral("%1 is not the card that was chosen; it is not formatted.")
                              .arg(request.volume));
        return volume;
    }
    if (!S_ISBLK(status.st_mode))
        return refuse(
            QStringLiteral("%1 is neither a card nor an image file.").arg(request.volume));

    volume.device = true;
    volume.pin.deviceNumber = DeviceNumberText(status.st_rdev);
    const std::optional<BlockDisk> disk = diskByNumber(probe, volume.pin.deviceNumber);
    if (!disk || !isCardDisk(probe, ReadMountTable(probe), *disk))
        return refuse(
            QStringLiteral("%1 is not a removable card; it is not formatted.").arg(request.volume));
    if (!disk->partition && diskHasPartitions(*disk))
        return refuse(QStringLiteral("%1 is a whole disk with partitions; only a single volume of "
                                     "a card is formatted.")
                          .arg(request.volume));
    volume.pin.diskseq = diskSequence(*disk);
    volume.kernelName = disk->deviceName;
    if (!request.deviceNumber.isEmpty() &&
        (request.deviceNumber != volume.pin.deviceNumber ||
         (!request.diskseq.isEmpty() && request.diskseq != volume.pin.diskseq)))
        return refuse(QStringLiteral("%1 is not the card that was chosen; it is not formatted.")
                          .arg(request.volume));
    return volume;
}

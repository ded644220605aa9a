// ZLMFormat -c64|-c128 [-n LABEL] VOLUME
//
// Formats VOLUME (a card's mount point, its block device, or an image file) as FAT32 with
// 32 KiB (-c64) or 64 KiB (-c128) clusters, keeping the volume's label. Prints exactly
// "qmzvxkrb ok" on success and a plain explanation on failure.

#include "CardDevice.h"
#include "CardTarget.h"
#include "FormatRules.h"
#include "UDisksClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

int fail(const QString &why)
{
    std::fputs(why.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    return 1;
}

QString readLabel(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return FatVolumeLabel(file.read(512));
}

// Formats an unmounted block device or an image file.
bool formatTarget(const FormatToolRequest &request, const QString &target, QString *why)
{
    const QFileInfo info(target);
    const QByteArray native = QFile::encodeName(target);
    struct stat status
    {
    };
    if (::stat(native.constData(), &status) != 0) {
        *why = QStringLiteral("%1 does not exist.").arg(target);
        return false;
    }
    if (S_ISBLK(status.st_mode)) {
        // Only the volume of a removable card, never a disk that carries the system.
        const DriveProbe probe;
        const std::optional<BlockDisk> disk = FindBlockDisk(
            probe.sysfsRoot, info.fileName(),
            QStringLiteral("%1:%2").arg(major(status.st_rdev)).arg(minor(status.st_rdev)));
        if (!disk || !IsRemovableDisk(probe.sysfsRoot, *disk) || IsStackedDisk(*disk) ||
            SystemDiskPaths(probe, ReadMountTable(probe)).contains(disk->diskPath)) {
            *why = QStringLiteral("%1 is not a removable card; it is not formatted.").arg(target);
            return false;
        }
        const int fd = ::open(native.constData(), O_RDWR | O_EXCL | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EACCES || error == EPERM) {
                // A desktop user: the system's disk service formats on the user's behalf.
                const CUDisksClient disks;
                const std::optional<QString> object = disks.BlockObject(target, why);
                return object && disks.FormatVfat(*object, SanitiseFatLabel(request.label),
                                                  request.sectorsPerCluster, why);
            }
            *why = QStringLiteral("%1 cannot be opened (%2); is it still mounted?")
                       .arg(target, QString::fromLocal8Bit(std::strerror(error)));
            return false;
        }
        ::close(fd);
    } else if (!S_ISREG(status.st_mode)) {
        *why = QStringLiteral("%1 is neither a card nor an image file.").arg(target);
        return false;
    }

    QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"));
    if (mkfs.isEmpty())
        mkfs = QStandardPaths::findExecutable(
            QStringLiteral("mkfs.fat"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (mkfs.isEmpty()) {
        *why = QStringLiteral("mkfs.fat (package dosfstools) is not installed.");
        return false;
    }
    const std::optional<QByteArray> output = RunProgram(mkfs, MkfsFatArguments(request, target));
    if (!output) {
        *why = QStringLiteral("mkfs.fat could not be started.");
        return false;
    }
    // mkfs.fat tells of a failure with "mkfs.fat: ..." lines; the file system it leaves must
    // carry the FAT32 signature.
    QFile result(target);
    if (!result.open(QIODevice::ReadOnly) || result.read(512).mid(0x52, 5) != "FAT32") {
        *why = QStringLiteral("mkfs.fat failed: %1").arg(QString::fromLocal8Bit(*output).trimmed());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString why;
    std::optional<FormatToolRequest> request =
        ParseFormatToolArguments(app.arguments().mid(1), &why);
    if (!request)
        return fail(why);

    const QFileInfo volume(request->volume);
    if (volume.isDir()) {
        // A mounted card: unmount it, format its device, mount it again.
        const std::optional<CardTarget> target =
            ResolveCardTarget(DriveProbe(), request->volume, &why);
        if (!target)
            return fail(why);
        if (!request->labelGiven)
            request->label = target->label;
        const CardDeviceOps ops = SystemDeviceOps();
        if (!ops.unmount(*target, &why))
            return fail(why);
        const bool formatted = formatTarget(*request, target->device, &why);
        QString mountWhy;
        const bool mounted = ops.mount(*target, &mountWhy).has_value();
        if (!formatted)
            return fail(why);
        if (!mounted)
            return fail(QStringLiteral("Formatted, but not mounted again: %1").arg(mountWhy));
    } else {
        if (!request->labelGiven)
            request->label = readLabel(request->volume);
        if (!formatTarget(*request, request->volume, &why))
            return fail(why);
    }
    std::fputs(kFormatToolSuccess, stdout);
    return 0;
}

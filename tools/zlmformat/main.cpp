// ZLMFormat -c64|-c128 [-n LABEL] [-d MAJOR:MINOR [-q DISKSEQ]] VOLUME
//
// Formats VOLUME (a card's mount point, its block device, or an image file) as FAT32 with
// 32 KiB (-c64) or 64 KiB (-c128) clusters, keeping the volume's label. With -d the volume must
// be the block device of that number (and with -q its disk must carry that sequence number).
// Prints exactly "qmzvxkrb ok" on success and a plain explanation on failure.
//
// A block device is known by its device number, never by its name: the tool holds the path it
// was given open (O_PATH, which does not open the device itself), checks the number against
// sysfs, and from then on reaches the device only through that descriptor, mkfs.fat included.
// The format counts only when the boot sector read back is FAT32 with the cluster asked for.
//
// RX9_FORMAT_PROBE_ROOT (for tests) names a folder with a stand-in "sys" tree, "mountinfo" and
// "swaps"; checked against a stand-in, the tool never opens, unmounts or mounts a device.

#include "CardDevice.h"
#include "CardTarget.h"
#include "FormatRules.h"
#include "UDisksClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int fail(const QString &why)
{
    std::fputs(why.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    return 1;
}

DriveProbe toolProbe()
{
    DriveProbe probe;
    const QString root = qEnvironmentVariable("RX9_FORMAT_PROBE_ROOT");
    if (!root.isEmpty()) {
        probe.sysfsRoot = root + QStringLiteral("/sys");
        probe.mountInfoPath = root + QStringLiteral("/mountinfo");
        probe.swapsPath = root + QStringLiteral("/swaps");
    }
    return probe;
}

bool isSystemProbe(const DriveProbe &probe)
{
    return probe.sysfsRoot == DriveProbe().sysfsRoot;
}

// The path through which a descriptor reaches its file again (for this process and for a child
// that inherits the descriptor).
QString descriptorPath(int fd)
{
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// Whether a descriptor still leads to the file first checked.
bool sameFile(int fd, const struct stat &checked)
{
    struct stat now
    {
    };
    return ::fstat(fd, &now) == 0 && now.st_dev == checked.st_dev && now.st_ino == checked.st_ino &&
           now.st_rdev == checked.st_rdev;
}

std::optional<QByteArray> readBootSector(const QString &path, const struct stat &checked)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray sector(512, '\0');
    const bool read = sameFile(fd, checked) && ::pread(fd, sector.data(), 512, 0) == 512;
    ::close(fd);
    return read ? std::optional<QByteArray>(sector) : std::nullopt;
}

QString findMkfs()
{
    QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"));
    if (mkfs.isEmpty())
        mkfs = QStandardPaths::findExecutable(
            QStringLiteral("mkfs.fat"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return mkfs;
}

// Formats an unmounted block device or an image file.
bool formatTarget(const DriveProbe &probe, FormatToolRequest request, QString *why)
{
    // Held open for the whole run and not closed on exec: mkfs.fat reaches the volume through it.
    const int pathFd = ::open(QFile::encodeName(request.volume).constData(), O_PATH);
    struct stat status
    {
    };
    if (pathFd < 0 || ::fstat(pathFd, &status) != 0) {
        *why = QStringLiteral("%1 does not exist.").arg(request.volume);
        return false;
    }
    const auto closePath = qScopeGuard([pathFd] { ::close(pathFd); });
    const std::optional<ToolVolume> volume = CheckToolVolume(probe, status, request, why);
    if (!volume)
        return false;
    const QString path = descriptorPath(pathFd);

    if (volume->device) {
        if (!isSystemProbe(probe)) {
            *why = QStringLiteral("%1 was checked against a stand-in system folder; a device is "
                                  "formatted only after the system's own checks.")
                       .arg(request.volume);
            return false;
        }
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_EXCL | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EACCES || error == EPERM) {
                // A desktop user: the system's disk service formats on the user's behalf.
                return IsStillPinned(probe, volume->pin, why) &&
                       FormatWithDiskService(CUDisksClient(),
                                             QStringLiteral("/dev/") + volume->kernelName,
                                             volume->pin, request, why);
            }
            *why = QStringLiteral("%1 cannot be opened (%2); is it still mounted?")
                       .arg(request.volume, QString::fromLocal8Bit(std::strerror(error)));
            return false;
        }
        const bool same = sameFile(fd, status);
        ::close(fd);
        if (!same) {
            *why = CardChangedReason();
            return false;
        }
    }
    if (!request.labelGiven) {
        if (const std::optional<QByteArray> sector = readBootSector(path, status))
            request.label = FatVolumeLabel(*sector);
    }

    const QString mkfs = findMkfs();
    if (mkfs.isEmpty()) {
        *why = QStringLiteral("mkfs.fat (package dosfstools) is not installed.");
        return false;
    }
    // The disk in the reader must still be the one checked (a card swapped meanwhile has the
    // same device number but another sequence number).
    if (volume->device && !IsStillPinned(probe, volume->pin, why))
        return false;
    const std::optional<QByteArray> output = RunProgram(mkfs, MkfsFatArguments(request, path));
    if (!output) {
        *why = QStringLiteral("mkfs.fat could not be started.");
        return false;
    }
    // What counts is the file system mkfs.fat left: FAT32 with the cluster asked for.
    const std::optional<QByteArray> sector = readBootSector(path, status);
    const QString problem =
        sector ? FormattedBootSectorProblem(*sector, request.sectorsPerCluster)
               : QStringLiteral("The card could not be read back after the format.");
    if (!problem.isEmpty()) {
        const QString said = QString::fromLocal8Bit(*output).trimmed();
        *why = said.isEmpty() ? problem : QStringLiteral("mkfs.fat: %1\n%2").arg(said, problem);
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
    const DriveProbe probe = toolProbe();

    const QFileInfo volume(request->volume);
    if (volume.isDir()) {
        // A mounted card: unmount it, format its device, mount it again.
        if (!isSystemProbe(probe))
            return fail(QStringLiteral("A mounted card is formatted only after the system's own "
                                       "checks."));
        const std::optional<CardTarget> target = ResolveCardTarget(probe, request->volume, &why);
        if (!target)
            return fail(why);
        if (!request->deviceNumber.isEmpty() &&
            (request->deviceNumber != target->pin.deviceNumber ||
             (!request->diskseq.isEmpty() && request->diskseq != target->pin.diskseq)))
            return fail(CardChangedReason());
        if (!request->labelGiven && !target->label.isEmpty()) {
            request->label = target->label;
            request->labelGiven = true;
        }
        request->volume = target->device;
        request->deviceNumber = target->pin.deviceNumber;
        request->diskseq = target->pin.diskseq;
        const CardDeviceOps ops = SystemDeviceOps();
        if (!ops.unmount(*target, &why))
            return fail(why);
        const bool formatted = formatTarget(probe, *request, &why);
        QString mountWhy;
        const bool mounted = ops.mount(*target, &mountWhy).has_value();
        if (!formatted)
            return fail(why);
        if (!mounted)
            return fail(QStringLiteral("Formatted, but not mounted again: %1").arg(mountWhy));
    } else if (!formatTarget(probe, *request, &why)) {
        return fail(why);
    }
    std::fputs(kFormatToolSuccess, stdout);
    return 0;
}

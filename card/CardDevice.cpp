#include "CardDevice.h"

#include "DataFolder.h"
#include "FormatRules.h"
#include "UDisksClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

QString FindFormatTool()
{
    // Beside the player first (the build folder), then the installed helper folders, found
    // relative to the player as well as where the build was configured to install.
    const QStringList folders = PlayerHelperFolders();
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QFileInfo tool(folder + QLatin1Char('/') + QLatin1String(kFormatToolName));
        if (tool.isFile() && tool.isExecutable())
            return tool.filePath();
    }
    return QString();
}

std::optional<QByteArray> RunProgram(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return std::nullopt;
    process.waitForFinished(-1);
    return process.readAll();
}

namespace {

QString systemError(const QString &what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

std::optional<QByteArray> runFormatTool(const QStringList &arguments)
{
    return RunProgram(FindFormatTool(), arguments);
}

} // namespace

CardDeviceOps DirectDeviceOps()
{
    CardDeviceOps ops;
    ops.unmount = [](const CardTarget &target, QString *error) {
        if (::umount2(QFile::encodeName(target.mountPoint).constData(), UMOUNT_NOFOLLOW) == 0)
            return true;
        if (error)
            *error = systemError(QStringLiteral("Could not unmount %1").arg(target.mountPoint));
        return false;
    };
    ops.openExclusive = [](const CardTarget &target, QString *error) {
        // A block device refuses O_EXCL while it is mounted or in use: that is the lock.
        const int fd =
            ::open(QFile::encodeName(target.device).constData(), O_RDWR | O_EXCL | O_CLOEXEC);
        if (fd < 0) {
            if (error)
                *error = systemError(QStringLiteral("Could not open %1").arg(target.device));
            return -1;
        }
        struct stat status
        {
        };
        if (::fstat(fd, &status) != 0 || !IsPinnedDevice(status, target.pin)) {
            ::close(fd);
            if (error)
                *error = CardChangedReason();
            return -1;
        }
        return fd;
    };
    ops.mount = [](const CardTarget &target, QString *error) -> std::optional<QString> {
        struct stat status
        {
        };
        if (::stat(QFile::encodeName(target.device).constData(), &status) != 0 ||
            !IsPinnedDevice(status, target.pin)) {
            if (error)
                *error = CardChangedReason();
            return std::nullopt;
        }
        if (::mount(QFile::encodeName(target.device).constData(),
                    QFile::encodeName(target.mountPoint).constData(), "vfat", MS_NOSUID | MS_NODEV,
                    nullptr) == 0)
            return target.root;
        if (error)
            *error = systemError(QStringLiteral("Could not mount %1").arg(target.device));
        return std::nullopt;
    };
    ops.runTool = runFormatTool;
    return ops;
}

namespace {

// The service's object of the device, when it carries the pinned device number.
std::optional<QString> pinnedObject(const CUDisksClient &disks, const QString &device,
                                    const CardPin &pin, QString *error)
{
    const std::optional<QString> object = disks.BlockObject(device, error);
    if (!object)
        return std::nullopt;
    const std::optional<QString> number = disks.DeviceNumber(*object, error);
    if (!number)
        return std::nullopt;
    if (*number != pin.deviceNumber) {
        if (error)
            *error = CardChangedReason();
        return std::nullopt;
    }
    return object;
}

// A descriptor the service handed out: when it is a device, it must be the pinned one.
bool isPinnedDescriptor(int fd, const CardPin &pin)
{
    struct stat status
    {
    };
    return ::fstat(fd, &status) == 0 && (!S_ISBLK(status.st_mode) || IsPinnedDevice(status, pin));
}

} // namespace

CardDeviceOps UDisksDeviceOps(const QDBusConnection &bus)
{
    CardDeviceOps ops;
    ops.runTool = runFormatTool;
    ops.unmount = [bus](const CardTarget &target, QString *error) {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = pinnedObject(disks, target.device, target.pin, error);
        return object && disks.Unmount(*object, error);
    };
    ops.openExclusive = [bus](const CardTarget &target, QString *error) {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = pinnedObject(disks, target.device, target.pin, error);
        const int fd = object ? disks.OpenForRestore(*object, error) : -1;
        if (fd >= 0 && !isPinnedDescriptor(fd, target.pin)) {
            ::close(fd);
            if (error)
                *error = CardChangedReason();
            return -1;
        }
        return fd;
    };
    ops.mount = [bus](const CardTarget &target, QString *error) -> std::optional<QString> {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = pinnedObject(disks, target.device, target.pin, error);
        if (!object)
            return std::nullopt;
        const std::optional<QString> point = disks.Mount(*object, error);
        if (!point)
            return std::nullopt;
        return DriveRoot(*point);
    };
    return ops;
}

bool FormatWithDiskService(const CUDisksClient &disks, const QString &device, const CardPin &pin,
                           const FormatToolRequest &request, QString *why)
{
    std::optional<QString> object = pinnedObject(disks, device, pin, why);
    if (!object ||
        !disks.FormatVfat(*object, SanitiseFatLabel(request.label), request.sectorsPerCluster, why))
        return false;
    // Read back what the service wrote: it may have chosen the cluster size itself.
    object = pinnedObject(disks, device, pin, why);
    const int fd = object ? disks.OpenForBackup(*object, why) : -1;
    if (fd < 0)
        return false;
    QByteArray sector(512, '\0');
    const bool read = isPinnedDescriptor(fd, pin) && ::pread(fd, sector.data(), 512, 0) == 512;
    ::close(fd);
    if (!read) {
        *why = QStringLiteral("The card could not be read back after the format.");
        return false;
    }
    const QString problem = FormattedBootSectorProblem(sector, request.sectorsPerCluster);
    if (!problem.isEmpty()) {
        *why = problem + QStringLiteral(" The system's disk service (udisks2 before version "
                                        "2.10) does not pass the cluster size on; formatting "
                                        "as administrator (root) does.");
        return false;
    }
    return true;
}

CardDeviceOps SystemDeviceOps()
{
    if (::geteuid() == 0)
        return DirectDeviceOps();
    return UDisksDeviceOps(QDBusConnection::systemBus());
}

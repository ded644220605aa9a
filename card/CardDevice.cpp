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
        if (::umount2(QFile::encodeName(target.mountPoint).constData(), 0) == 0)
            return true;
        if (error)
            *error = systemError(QStringLiteral("Could not unmount %1").arg(target.mountPoint));
        return false;
    };
    ops.openExclusive = [](const CardTarget &target, QString *error) {
        // A block device refuses O_EXCL while it is mounted or in use: that is the lock.
        const int fd =
            ::open(QFile::encodeName(target.device).constData(), O_RDWR | O_EXCL | O_CLOEXEC);
        if (fd < 0 && error)
            *error = systemError(QStringLiteral("Could not open %1").arg(target.device));
        return fd;
    };
    ops.mount = [](const CardTarget &target, QString *error) -> std::optional<QString> {
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

CardDeviceOps UDisksDeviceOps(const QDBusConnection &bus)
{
    CardDeviceOps ops;
    ops.runTool = runFormatTool;
    ops.unmount = [bus](const CardTarget &target, QString *error) {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = disks.BlockObject(target.device, error);
        return object && disks.Unmount(*object, error);
    };
    ops.openExclusive = [bus](const CardTarget &target, QString *error) {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = disks.BlockObject(target.device, error);
        return object ? disks.OpenForRestore(*object, error) : -1;
    };
    ops.mount = [bus](const CardTarget &target, QString *error) -> std::optional<QString> {
        const CUDisksClient disks(bus);
        const std::optional<QString> object = disks.BlockObject(target.device, error);
        if (!object)
            return std::nullopt;
        const std::optional<QString> point = disks.Mount(*object, error);
        if (!point)
            return std::nullopt;
        return DriveRoot(*point);
    };
    return ops;
}

CardDeviceOps SystemDeviceOps()
{
    if (::geteuid() == 0)
        return DirectDeviceOps();
    return UDisksDeviceOps(QDBusConnection::systemBus());
}

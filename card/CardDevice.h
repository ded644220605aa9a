#pragma once

#include "CardTarget.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CUDisksClient;

// The steps of a format that touch the real device. The player uses the system's (directly as
// root, through the udisks2 disk service otherwise); tests replace them so that everything runs
// on an image file. Each step makes sure it acts on the target's pinned device number. The steps
// may run on any thread.
struct CardDeviceOps
{
    // Unmounts the card's file system.
    std::function<bool(const CardTarget &target, QString *error)> unmount;
    // Opens the unmounted device for writing, exclusively; a file descriptor of the pinned
    // device, or -1.
    std::function<int(const CardTarget &target, QString *error)> openExclusive;
    // Mounts the device again; the new root (with '/'), or nothing.
    std::function<std::optional<QString>(const CardTarget &target, QString *error)> mount;
    // Runs the format tool with the arguments; its whole output (both channels), or nothing
    // when it could not be started.
    std::function<std::optional<QByteArray>(const QStringList &arguments)> runTool;
};

// The format tool: beside the player's own executable first, then in the player's installed
// helper folder; empty when there is none.
QString FindFormatTool();

// Runs a program with both output channels merged, no input, until it ends.
std::optional<QByteArray> RunProgram(const QString &program, const QStringList &arguments);

// The direct steps of a root user: umount2, open(O_RDWR | O_EXCL), mount(2).
CardDeviceOps DirectDeviceOps();

// The steps through the udisks2 disk service on `bus`; each failure says why in plain words
// (not allowed, card unknown, service not running).
CardDeviceOps UDisksDeviceOps(const QDBusConnection &bus);

// Formats the block device `device` through the disk service, after checking that the service's
// object of it has the pinned device number, then reads the new boot sector back through the
// service and requires FAT32 with the cluster asked for (older services ignore the cluster
// option). False, with `why`, otherwise.
bool FormatWithDiskService(const CUDisksClient &disks, const QString &device, const CardPin &pin,
                           const FormatToolRequest &request, QString *why);

// The system's steps: direct as root; through udisks2 where the user may not open the device;
// steps that fail with an explanation when neither is possible.
CardDeviceOps SystemDeviceOps();

#pragma once

#include "DriveUtils.h"
#include "FormatRules.h"

#include <QString>

#include <optional>
#include <sys/stat.h>

// The block device a format is about, known by what the kernel calls it rather than by a name:
// its device number and, where the kernel numbers its disks, the disk's sequence number (a card
// put into the same reader gets the same device number but a new sequence number).
struct CardPin
{
    QString deviceNumber; // "8:17"
    QString diskseq;      // "42"; empty where the kernel keeps none
    friend bool operator==(const CardPin &, const CardPin &) = default;
};

// The block device that is about to be erased, checked at the moment of writing.
struct CardTarget
{
    QString root;           // the card's mount point with its trailing '/'
    QString mountPoint;     // the same without the '/'
    QString device;         // "/dev/sdb1": the kernel's name of the mounted device number
    CardPin pin;            // the device's number and its disk's sequence number
    QString fsType;         // "vfat"
    QString label;          // the volume's label, kept across the format
    qint64 totalBytes = 0;  // the file system's size, which chooses the cluster option
    qint64 deviceBytes = 0; // the size of the device that is erased
    QString model;          // the reader's or card's model, as the disk reports it
};

// "8:17" for a device number.
QString DeviceNumberText(dev_t number);

// The pin of the block device mounted at `root` as it is now; nothing when the folder is not the
// mount point of a block device known to sysfs.
std::optional<CardPin> PinCard(const DriveProbe &probe, const QString &root);

// Whether the pinned device still holds the same disk: sysfs knows its number and the disk's
// sequence number has not changed. `reason` says why not.
bool IsStillPinned(const DriveProbe &probe, const CardPin &pin, QString *reason);

// The sentence for a card that is no longer the one chosen.
QString CardChangedReason();

// Whether a file status (of an open descriptor) is that of the pinned block device.
bool IsPinnedDevice(const struct stat &status, const CardPin &pin);

// The sentence shown under the format question: what will be erased ("CAM (sdb1), 7.40GB,
// Generic STORAGE DEVICE").
QString CardDescription(const CardTarget &target);

// Checks that the card at `root` may be erased now: it is the mount point of a whole block-device
// file system, that device (found in sysfs by its number, never by the name the mount table
// gives) passes the card rules (removable disk, no system path on the disk, no RAID, LVM or crypt
// stack), it is a partition of that disk or the disk itself when the disk has no partitions, and
// nothing else on the disk is mounted (nor the device at a second place). Nothing, with `reason`
// saying why, when any rule fails.
std::optional<CardTarget> ResolveCardTarget(const DriveProbe &probe, const QString &root,
                                            QString *reason);

// What the format tool was given, known by its status rather than its name.
struct ToolVolume
{
    bool device = false; // a block device; else an image file
    CardPin pin;         // the device's number and disk sequence number
    QString kernelName;  // "sdb1"
};

// Checks the volume the format tool is to format, from the status of the descriptor the tool
// holds: an image file (refused when the request names a device), or a block device that sysfs,
// looked up by the device's number only, shows as the volume of a removable card (no system disk,
// no RAID, LVM or crypt stack, not a whole disk that has partitions) and that is, when the request
// names one, the very device asked for. Nothing, with `reason`, otherwise.
std::optional<ToolVolume> CheckToolVolume(const DriveProbe &probe, const struct stat &status,
                                          const FormatToolRequest &request, QString *reason);

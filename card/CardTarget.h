#pragma once

#include "DriveUtils.h"

#include <QString>

#include <optional>

// The block device that is about to be erased, checked at the moment of writing.
struct CardTarget
{
    QString root;          // the card's mount point with its trailing '/'
    QString mountPoint;    // the same without the '/'
    QString device;        // "/dev/sdb1"
    QString majorMinor;    // "8:17"
    QString fsType;        // "vfat"
    QString label;         // the volume's label, kept across the format
    qint64 totalBytes = 0; // the file system's size, which chooses the cluster option
};

// Checks that the card at `root` may be erased now: it is the mount point of a whole block-device
// file system, that device passes the card rules (removable disk, no system path on the disk,
// no RAID, LVM or crypt stack), it is a partition of that disk or the disk itself when the disk
// has no partitions, and nothing else on the disk is mounted (nor the device at a second place).
// Nothing, with `reason` saying why, when any rule fails.
std::optional<CardTarget> ResolveCardTarget(const DriveProbe &probe, const QString &root,
                                            QString *reason);

#pragma once

#include <QString>
#include <QStringList>

#include <QList>
#include <QSet>

#include <cstdint>
#include <optional>

// Drive and file helpers. Paths use '/' separators; a drive is a mounted volume named by its
// root path (the mount point with a trailing '/'). None of these functions shows a message.

// Lets the user-interface thread paint and handle input during a long loop.
void PumpMessages();

// Makes a folder path end in exactly one '/': "a//" gives "a/", "a" gives "a/"; an empty path
// stays empty and "/" stays "/".
void EnsureTrailingBackslash(QString &path);

// The root path of a drive: the text with a trailing '/'.
QString DriveRoot(const QString &drive);

// Drive type codes, numbered as the player has always numbered them.
enum DriveKindCode : int {
    DriveUnknown = 0,
    DriveNoRootDir = 1, // no such folder
    DriveRemovable = 2,
    DriveFixed = 3,
};

// Where the removable-drive probe looks. Tests point it at a fake tree in a temporary folder.
struct DriveProbe
{
    QString sysfsRoot = QStringLiteral("/sys");
    QString mountInfoPath = QStringLiteral("/proc/self/mountinfo");
    QString swapsPath = QStringLiteral("/proc/swaps");
    // ':'-separated folders that count as removable drives, after the real ones.
    QString extraDrives = qEnvironmentVariable("RX9_EXTRA_DRIVES");
};

// One mounted block-device file system, as the mount table gives it.
struct MountEntry
{
    QString majorMinor; // "8:17"
    QString root;       // the mounted folder of the file system; "/" unless a bind mount
    QString mountPoint; // "/media/user/CAM"
    QString fsType;     // "vfat"
    QString source;     // "/dev/sdb1"
};

// Parses /proc/self/mountinfo text (octal escapes such as \040 decoded).
QList<MountEntry> ParseMountInfo(const QByteArray &text);

// A block device as sysfs shows it: its own folder and the folder of its disk (the same for a
// disk without partitions).
struct BlockDisk
{
    QString deviceName; // "sdb1"
    QString devicePath; // canonical sysfs folder of the device
    QString diskName;   // "sdb"
    QString diskPath;   // canonical sysfs folder of its disk
    bool partition = false;
};

// Finds a block device by its sysfs name ("sdb1"), or else by its "major:minor".
std::optional<BlockDisk> FindBlockDisk(const QString &sysfsRoot, const QString &deviceName,
                                       const QString &majorMinor);

// Whether a disk is removable media: its "removable" flag is 1, or it is an SD card on an MMC
// bus (the MMC device's type is "SD"; eMMC is soldered in), or a disk on a USB bus.
bool IsRemovableDisk(const QString &sysfsRoot, const BlockDisk &disk);

// Whether the disk belongs to a RAID, LVM or crypt stack: it is itself a mapped or RAID device,
// or it or one of its partitions is held by another block device.
bool IsStackedDisk(const BlockDisk &disk);

// The sysfs folders of the disks that carry the running system: a partition mounted at /,
// /boot, /boot/efi, /usr, /var or /home, or used as swap.
QSet<QString> SystemDiskPaths(const DriveProbe &probe, const QList<MountEntry> &mounts);

// The mount table of the probe (empty when it cannot be read).
QList<MountEntry> ReadMountTable(const DriveProbe &probe);

// Whether a mounted file system may be offered as a card: a whole file system (not a bind mount)
// of a block device on a removable disk that carries no part of the system and is not part of
// a RAID, LVM or crypt stack.
bool IsCardCandidate(const DriveProbe &probe, const QSet<QString> &systemDisks,
                     const MountEntry &entry);

// Whether the block device (by its sysfs name such as "sdb1", or else its "major:minor") lies on
// removable media (IsRemovableDisk of its disk).
bool IsRemovableBlockDevice(const QString &sysfsRoot, const QString &deviceName,
                            const QString &majorMinor);

// The removable drives' root paths: mounted card candidates in mount-point order, then the
// existing folders of `extraDrives` in their order (duplicates dropped).
QStringList RemovableDriveRoots(const DriveProbe &probe = DriveProbe());

// Fills `list` with the removable drives' root paths; gives their number.
int ListRemovableDrives(QStringList &list);

// DriveRemovable for the removable drives, DriveFixed for other existing folders,
// DriveNoRootDir when the folder does not exist.
int GetDriveKind(const QString &drive);

// Whether there is a folder at the drive's root.
bool DriveExists(const QString &drive);

// Whether the index-th removable drive (in list order) exists.
bool IsRemovableDriveIndex(int index);

// Total, free (for everyone, not the caller's quota) and used bytes of the volume. When the
// drive does not exist the outputs are left untouched; when it cannot be queried all are 0.
void GetDiskSpace(const QString &drive, qint64 &total, qint64 &free, qint64 &used);

// "1,023바이트": the count in decimal with a "," between groups of three digits.
QString FormatByteCount(quint64 count);

// Bytes below 1024 as FormatByteCount, otherwise KB, MB or GB with two decimals: "1.50MB".
// A negative count (a failed query) shows as 0바이트.
QString FormatSize(qint64 count);

// "CAM (sdb1)" for a volume with a label, else the name of the mount folder.
QString GetVolumeDisplayName(const QString &drive);

// The rule behind it: label and device name ("/dev/sdb1" shows as sdb1), or without a label the
// last folder name of the mount point ("/" for the root).
QString VolumeDisplayName(const QString &label, const QString &device, const QString &mountPoint);

// The user's desktop folder (without a trailing '/'); the home folder when there is none.
QString GetDesktopPath();

// Whether anything (file or folder) is at the path.
bool FileExists(const QString &path);

// Deletes a file (never a folder); the result of the deletion.
bool DeleteFileAt(const QString &path);

// Copies `source` to `destination`, creating the destination's folder with all missing parents
// and replacing an existing destination. Only a regular file is copied, never through a link:
// the data goes to a new temporary file beside the destination, is flushed, and is renamed over
// the destination, so a failed copy never leaves a half-written file under the real name nor
// destroys the old one, and a link under the destination's name is replaced, not written through.
bool CopyFileInto(const QString &source, const QString &destination);

// The same for a file on a card: `cardFile` lies below the card's `root` and is read only when
// neither it nor a folder on its way below the root is a link, and all of them are on the
// card's file system.
bool CopyFileFromCard(const QString &root, const QString &cardFile, const QString &destination);

// Whether `cardFile` below the card's `root` is a file CopyFileFromCard reads: a regular file
// reached without a link, on the card's file system.
bool CardFileExists(const QString &root, const QString &cardFile);

// The same onto a card: `source` goes to `cardFile` below the card's `root`, whose missing
// folders are made; no link on the card is followed and nothing is written off the card's file
// system.
bool CopyFileOntoCard(const QString &source, const QString &root, const QString &cardFile);

// The extension of the path's last component with its dot (".avi"), or empty.
QString PathExtension(const QString &path);

// Whether the file starts with a RIFF header of type "AVI " with a non-zero size.
bool IsAviFile(const QString &path);

// The frame width and height from the AVI main header ("avih"). Returns false and leaves the
// outputs untouched when the file cannot be read or is too short.
bool ReadAviFrameSize(const QString &path, int &width, int &height);
// The time between two pictures of the clip at `path` from its AVI header, in microseconds;
// 0 when the file cannot be read or does not say.
quint32 ReadAviFrameInterval(const QString &path);
// How many pictures the clip at `path` has, when its AVI header says it twice over (see
// AviVideoFrameCountFromHeader); 0 otherwise.
quint32 ReadAviVideoFrameCount(const QString &path);

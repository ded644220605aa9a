#include "DriveUtils.h"

#include "AviHeader.h"
#include "FileNameBytes.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QtEndian>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path toFsPath(const QString &path)
{
    return FileSystemPath(path);
}

// Decodes the octal escapes (\040 for a space ...) of a mount-table field. The field's bytes are
// a path's bytes (a card's label becomes its mount point): every one of them is kept, as in a
// file name read from the card.
QString decodeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return DecodeFileName(out);
}

QString readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.read(64)).trimmed();
}

// The root of a folder path with exactly one trailing '/', or empty for a missing folder.
QString folderRoot(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return QString();
    QString root = QDir::cleanPath(info.absoluteFilePath());
    EnsureTrailingBackslash(root);
    return root;
}

// Up to `maxBytes` bytes from the start of a file; false when it cannot be opened or read.
bool readHead(const QString &path, qint64 maxBytes, QByteArray &data)
{
    QFile file;
    if (!OpenFileForReading(file, path))
        return false;
    data.resize(maxBytes);
    const qint64 got = file.read(data.data(), maxBytes);
    if (got < 0)
        return false;
    data.resize(got);
    return true;
}

} // namespace

void PumpMessages()
{
    QCoreApplication::processEvents();
}

void EnsureTrailingBackslash(QString &path)
{
    if (path == QLatin1String("/"))
        return;
    const bool wasRoot = path.size() > 1 && std::all_of(path.cbegin(), path.cend(), [](QChar c) {
                             return c == QLatin1Char('/');
                         });
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (wasRoot) {
        path = QStringLiteral("/");
        return;
    }
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
}

QString DriveRoot(const QString &drive)
{
    QString root = drive;
    EnsureTrailingBackslash(root);
    return root;
}

QList<MountEntry> ParseMountInfo(const QByteArray &text)
{
    QList<MountEntry> entries;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        // Fields are separated by spaces alone: the kernel escapes a space, tab, line feed or
        // backslash inside a field, but writes other bytes as they are (a carriage return, a
        // vertical tab or a form feed in a folder name included).
        QList<QByteArray> fields = line.split(' ');
        fields.removeAll(QByteArray());
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || separator < 6 || separator + 2 >= fields.size())
            continue;
        MountEntry entry;
        entry.majorMinor = QString::fromLatin1(fields[2]);
        entry.root = decodeMountField(fields[3]);
        entry.mountPoint = decodeMountField(fields[4]);
        entry.fsType = decodeMountField(fields[separator + 1]);
        entry.source = decodeMountField(fields[separator + 2]);
        entries.append(entry);
    }
    return entries;
}

std::optional<BlockDisk> FindBlockDisk(const QString &sysfsRoot, const QString &deviceName,
                                       const QString &majorMinor)
{
    // Only a device's own entry: a name or number that is a path ("..", "../..") would lead out of
    // the block-device folders.
    static const QRegularExpression kDeviceNumbers(QStringLiteral("^[0-9]+:[0-9]+$"));
    QString node;
    if (!deviceName.isEmpty() && !deviceName.contains(QLatin1Char('/')) &&
        deviceName != QLatin1String(".") && deviceName != QLatin1String("..")) {
        const QString byName = sysfsRoot + QStringLiteral("/class/block/") + deviceName;
        if (QFileInfo::exists(byName))
            node = byName;
    }
    if (node.isEmpty() && kDeviceNumbers.match(majorMinor).hasMatch()) {
        const QString byNumber = sysfsRoot + QStringLiteral("/dev/block/") + majorMinor;
        if (QFileInfo::exists(byNumber))
            node = byNumber;
    }
    if (node.isEmpty())
        return std::nullopt;

    BlockDisk disk;
    disk.devicePath = QFileInfo(node).canonicalFilePath();
    if (disk.devicePath.isEmpty())
        return std::nullopt;
    disk.deviceName = QFileInfo(disk.devicePath).fileName();
    // A partition's disk is the folder above it.
    disk.partition = QFileInfo::exists(disk.devicePath + QStringLiteral("/partition"));
    disk.diskPath = disk.partition ? QFileInfo(disk.devicePath).path() : disk.devicePath;
    disk.diskName = QFileInfo(disk.diskPath).fileName();
    return disk;
}

bool IsRemovableDisk(const QString &sysfsRoot, const BlockDisk &disk)
{
    if (readSmallFile(disk.diskPath + QStringLiteral("/removable")) == QLatin1String("1"))
        return true;

    // Card readers on USB and SD slots often report fixed media: look at the bus instead.
    QString relative = disk.diskPath;
    const QString rootPath = QFileInfo(sysfsRoot).canonicalFilePath();
    if (!rootPath.isEmpty() && relative.startsWith(rootPath + QLatin1Char('/')))
        relative = relative.mid(rootPath.size());
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const bool onMmc = std::any_of(parts.cbegin(), parts.cend(), [](const QString &part) {
        return part.startsWith(QLatin1String("mmc"));
    });
    if (onMmc) {
        // Only an SD card: the same bus carries the soldered-in eMMC of many laptops. The MMC
        // device is the folder that holds the disk's "block" folder.
        QString type = readSmallFile(disk.diskPath + QStringLiteral("/device/type"));
        const QFileInfo blockFolder(QFileInfo(disk.diskPath).path());
        if (type.isEmpty() && blockFolder.fileName() == QLatin1String("block"))
            type = readSmallFile(blockFolder.path() + QStringLiteral("/type"));
        return type == QLatin1String("SD");
    }
    return std::any_of(parts.cbegin(), parts.cend(),
                       [](const QString &part) { return part.startsWith(QLatin1String("usb")); });
}

namespace {

bool folderHasEntries(const QString &folder)
{
    return !QDir(folder)
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                .isEmpty();
}

} // namespace

bool IsStackedDisk(const BlockDisk &disk)
{
    if (disk.diskName.startsWith(QLatin1String("dm-")) ||
        disk.diskName.startsWith(QLatin1String("md")) ||
        folderHasEntries(disk.diskPath + QStringLiteral("/slaves")) ||
        folderHasEntries(disk.diskPath + QStringLiteral("/holders")))
        return true;
    const QFileInfoList children =
        QDir(disk.diskPath).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    return std::any_of(children.cbegin(), children.cend(), [](const QFileInfo &child) {
        return QFileInfo::exists(child.filePath() + QStringLiteral("/partition")) &&
               folderHasEntries(child.filePath() + QStringLiteral("/holders"));
    });
}

QList<MountEntry> ReadMountTable(const DriveProbe &probe)
{
    QFile table(probe.mountInfoPath);
    // /proc files report size 0: read them to the end.
    if (!table.open(QIODevice::ReadOnly))
        return {};
    return ParseMountInfo(table.readAll());
}

QSet<QString> SystemDiskPaths(const DriveProbe &probe, const QList<MountEntry> &mounts)
{
    static const QStringList systemPaths = {
        QStringLiteral("/"),    QStringLiteral("/boot"), QStringLiteral("/boot/efi"),
        QStringLiteral("/usr"), QStringLiteral("/var"),  QStringLiteral("/home"),
    };
    QSet<QString> disks;
    auto addDisk = [&](const QString &source, const QString &majorMinor) {
        const QString name = source.startsWith(QLatin1String("/dev/")) ? source.mid(5) : QString();
        if (const std::optional<BlockDisk> disk = FindBlockDisk(probe.sysfsRoot, name, majorMinor))
            disks.insert(disk->diskPath);
    };
    for (const MountEntry &entry : mounts) {
        if (systemPaths.contains(entry.mountPoint))
            addDisk(entry.source, entry.majorMinor);
    }
    QFile swaps(probe.swapsPath);
    if (swaps.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = swaps.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines[i].simplified().split(' ');
            if (fields.size() >= 2 && fields[1] == "partition")
                addDisk(decodeMountField(fields[0]), QString());
        }
    }
    return disks;
}

bool IsCardCandidate(const DriveProbe &probe, const QSet<QString> &systemDisks,
                     const MountEntry &entry)
{
    // Only whole file systems of real block devices; never the system's own root.
    if (entry.majorMinor.startsWith(QLatin1String("0:")) || entry.root != QLatin1String("/") ||
        entry.mountPoint == QLatin1String("/"))
        return false;
    const QString deviceName =
        entry.source.startsWith(QLatin1String("/dev/")) ? entry.source.mid(5) : QString();
    const std::optional<BlockDisk> disk =
        FindBlockDisk(probe.sysfsRoot, deviceName, entry.majorMinor);
    return disk && IsRemovableDisk(probe.sysfsRoot, *disk) && !IsStackedDisk(*disk) &&
           !systemDisks.contains(disk->diskPath);
}

bool IsRemovableBlockDevice(const QString &sysfsRoot, const QString &deviceName,
                            const QString &majorMinor)
{
    const std::optional<BlockDisk> disk = FindBlockDisk(sysfsRoot, deviceName, majorMinor);
    return disk && IsRemovableDisk(sysfsRoot, *disk);
}

QStringList RemovableDriveRoots(const DriveProbe &probe)
{
    const QList<MountEntry> mounts = ReadMountTable(probe);
    const QSet<QString> systemDisks = SystemDiskPaths(probe, mounts);

    // A later mount on the same point hides the earlier one.
    QMap<QString, MountEntry> byMountPoint;
    for (const MountEntry &entry : mounts)
        byMountPoint.insert(entry.mountPoint, entry);

    QStringList roots;
    for (const MountEntry &entry : std::as_const(byMountPoint)) {
        if (!IsCardCandidate(probe, systemDisks, entry))
            continue;
        QString root = entry.mountPoint;
        EnsureTrailingBackslash(root);
        if (!roots.contains(root))
            roots.append(root);
    }

    const QStringList extra = probe.extraDrives.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &folder : extra) {
        const QString root = folderRoot(folder);
        if (!root.isEmpty() && !roots.contains(root))
            roots.append(root);
    }
    return roots;
}

int ListRemovableDrives(QStringList &list)
{
    const QStringList roots = RemovableDriveRoots();
    list.append(roots);
    return int(roots.size());
}

int GetDriveKind(const QString &drive)
{
    const QString root = folderRoot(DriveRoot(drive));
    if (root.isEmpty())
        return DriveNoRootDir;
    return RemovableDriveRoots().contains(root) ? DriveRemovable : DriveFixed;
}

bool DriveExists(const QString &drive)
{
    return !folderRoot(DriveRoot(drive)).isEmpty();
}

bool IsRemovableDriveIndex(int index)
{
    return index >= 0 && index < RemovableDriveRoots().size();
}

void GetDiskSpace(const QString &drive, qint64 &total, qint64 &free, qint64 &used)
{
    const QString root = DriveRoot(drive);
    if (!DriveExists(root))
        return;
    const QStorageInfo info(root);
    if (!info.isValid() || !info.isReady() || info.bytesTotal() < 0) {
        total = free = used = 0;
        return;
    }
    total = info.bytesTotal();
    free = std::max<qint64>(info.bytesFree(), 0);
    used = total - free;
}

QString FormatByteCount(quint64 count)
{
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits + QStringLiteral("바이트");
}

QString FormatSize(qint64 count)
{
    constexpr qint64 kKilo = 1024;
    constexpr qint64 kMega = kKilo * 1024;
    constexpr qint64 kGiga = kMega * 1024;
    if (count < kKilo)
        return FormatByteCount(quint64(std::max<qint64>(count, 0)));
    const char *unit = "KB";
    qint64 divisor = kKilo;
    if (count >= kGiga) {
        unit = "GB";
        divisor = kGiga;
    } else if (count >= kMega) {
        unit = "MB";
        divisor = kMega;
    }
    return QString::asprintf("%0.2f%s", double(count) / double(divisor), unit);
}

QString VolumeDisplayName(const QString &label, const QString &device, const QString &mountPoint)
{
    if (!label.isEmpty()) {
        const QString deviceName = device.mid(device.lastIndexOf(QLatin1Char('/')) + 1);
        return deviceName.isEmpty() ? label
                                    : label + QStringLiteral(" (") + deviceName + QLatin1Char(')');
    }
    const QString folder = QDir::cleanPath(mountPoint);
    const QString name = folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1);
    return name.isEmpty() ? folder : name;
}

QString GetVolumeDisplayName(const QString &drive)
{
    const QString folder = QDir::cleanPath(QFileInfo(DriveRoot(drive)).absoluteFilePath());
    const QStorageInfo info(folder);
    // Only a volume's own mount point shows its label; other folders show their name.
    if (info.isValid() && QDir::cleanPath(info.rootPath()) == folder)
        return VolumeDisplayName(info.name(), QString::fromLocal8Bit(info.device()), folder);
    return VolumeDisplayName(QString(), QString(), folder);
}

QString GetDesktopPath()
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (path.isEmpty())
        path = QDir::homePath();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool FileExists(const QString &path)
{
    std::error_code error;
    return !path.isEmpty() && std::filesystem::exists(toFsPath(path), error);
}

bool DeleteFileAt(const QString &path)
{
    std::error_code error;
    const std::filesystem::path target = toFsPath(path);
    if (path.isEmpty() || std::filesystem::is_directory(target, error))
        return false;
    return std::filesystem::remove(target, error) && !error;
}

bool CopyFileInto(const QString &source, const QString &destination)
{
    const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
    const QString name = destination.mid(slash + 1);
    const CFileDescriptor in = OpenRegularFile(source);
    if (name.isEmpty() || !in.IsValid())
        return false;
    const CFileDescriptor folder = OpenOutputFolder(
        slash < 0 ? QStringLiteral(".") : destination.left(std::max<qsizetype>(slash, 1)));
    return folder.IsValid() && CopyIntoFolderReplacing(in.Get(), folder.Get(), name);
}

namespace {

// The path of a file below the card's root relative to that root; empty when it is not below it.
QString belowRoot(const QString &root, const QString &path)
{
    const QString prefix = DriveRoot(root);
    return path.startsWith(prefix) ? path.mid(prefix.size()) : QString();
}

} // namespace

bool CopyFileFromCard(const QString &root, const QString &cardFile, const QString &destination)
{
    const QString relative = belowRoot(root, cardFile);
    const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
    const QString name = destination.mid(slash + 1);
    if (relative.isEmpty() || name.isEmpty() || slash <= 0)
        return false;
    const CFileDescriptor in = OpenFileBelow(root, relative, O_RDONLY);
    if (!in.IsValid())
        return false;
    const CFileDescriptor folder = OpenOutputFolder(destination.left(slash));
    return folder.IsValid() && CopyIntoFolderReplacing(in.Get(), folder.Get(), name);
}

bool CardFileExists(const QString &root, const QString &cardFile)
{
    const QString relative = belowRoot(root, cardFile);
    return !relative.isEmpty() && OpenFileBelow(root, relative, O_RDONLY).IsValid();
}

bool CopyFileOntoCard(const QString &source, const QString &root, const QString &cardFile)
{
    const QString relative = belowRoot(root, cardFile);
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const QString name = relative.mid(slash + 1);
    if (name.isEmpty())
        return false;
    const CFileDescriptor in = OpenRegularFile(source);
    if (!in.IsValid())
        return false;
    const CFileDescriptor folder =
        OpenFolderBelow(root, relative.left(std::max<qsizetype>(slash, 0)), true);
    return folder.IsValid() && CopyIntoFolderReplacing(in.Get(), folder.Get(), name);
}

QString PathExtension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot);
}

bool IsAviFile(const QString &path)
{
    QByteArray head;
    return readHead(path, kAviHeadBytes, head) && IsAviHeader(head);
}

bool ReadAviFrameSize(const QString &path, int &width, int &height)
{
    QByteArray head;
    return readHead(path, kAviHeadBytes, head) && AviFrameSizeFromHeader(head, width, height);
}

quint32 ReadAviVideoFrameCount(const QString &path)
{
    // The stream headers come after the main one, within the first few KiB.
    QByteArray head;
    quint32 frames = 0;
    if (readHead(path, 8192, head))
        AviVideoFrameCountFromHeader(head, frames);
    return frames;
}

quint32 ReadAviFrameInterval(const QString &path)
{
    QByteArray head;
    quint32 microseconds = 0;
    if (readHead(path, kAviHeadBytes, head))
        AviFrameIntervalFromHeader(head, microseconds);
    return microseconds;
}

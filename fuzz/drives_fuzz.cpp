// Fuzz target: the removable-drive rules over a fake system. Each input is written as a sysfs
// tree, a mount table and a swap list into a fresh folder, and the probe is pointed at it. The
// rules must not fail on any tree (links in circles, missing or odd files, names like "." or
// ".."), every disk they find must lie inside the sysfs tree, and a volume offered as a card
// must be a whole file system of a removable disk that is neither stacked nor part of the
// system, offered once, under its mount point.
//
// Input: three sections separated by lines "--":
//   sysfs tree, one entry a line below the tree's root: "path=content" a file holding the
//   content and a line end, "path->target" a link (target relative to the link's folder, kept
//   inside the tree), "path/" a folder;
//   the text of /proc/self/mountinfo;
//   the text of /proc/swaps.

#include "DriveUtils.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

constexpr int kMaxEntries = 64;
constexpr int kMaxDepth = 14;
constexpr qsizetype kMaxNameLength = 48;

// A path below the tree's root with empty, "." and ".." parts dropped and its size bounded.
QStringList CleanParts(const QByteArray &path)
{
    QStringList parts;
    for (const QByteArray &part : path.split('/')) {
        if (part.isEmpty() || part == "." || part == ".." || parts.size() >= kMaxDepth)
            continue;
        parts << QString::fromLatin1(part.left(kMaxNameLength));
    }
    return parts;
}

// Resolves `target` from the folder `from` (both below the root) without leaving the root.
std::optional<QStringList> ResolveInside(QStringList from, const QByteArray &target)
{
    if (target.startsWith('/'))
        from.clear();
    for (const QByteArray &part : target.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (from.isEmpty())
                return std::nullopt;
            from.removeLast();
        } else if (from.size() < kMaxDepth) {
            from << QString::fromLatin1(part.left(kMaxNameLength));
        }
    }
    return from;
}

void WriteFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void BuildTree(const QString &root, const QByteArray &description)
{
    int entries = 0;
    // A file name cannot hold a NUL byte.
    const QByteArray text = QByteArray(description).replace('\0', '_');
    for (const QByteArray &line : text.split('\n')) {
        if (++entries > kMaxEntries)
            break;
        if (const qsizetype arrow = line.indexOf("->"); arrow > 0) {
            const QStringList parts = CleanParts(line.left(arrow));
            if (parts.isEmpty())
                continue;
            const std::optional<QStringList> target =
                ResolveInside(parts.mid(0, parts.size() - 1), line.mid(arrow + 2));
            if (!target)
                continue;
            // A relative link, so that the tree stays whole wherever it lies.
            QString relative;
            for (qsizetype i = 1; i < parts.size(); ++i)
                relative += QStringLiteral("../");
            relative += target->join(u'/');
            const QString path = root + u'/' + parts.join(u'/');
            QDir().mkpath(QFileInfo(path).path());
            std::error_code error;
            std::filesystem::create_symlink(relative.toStdString(), path.toStdString(), error);
        } else if (const qsizetype equals = line.indexOf('='); equals > 0) {
            const QStringList parts = CleanParts(line.left(equals));
            if (!parts.isEmpty())
                WriteFile(root + u'/' + parts.join(u'/'), line.mid(equals + 1) + '\n');
        } else {
            const QStringList parts = CleanParts(line);
            if (!parts.isEmpty())
                QDir().mkpath(root + u'/' + parts.join(u'/'));
        }
    }
}

bool Inside(const QString &path, const QString &root)
{
    return path == root || path.startsWith(root + u'/');
}

QString RunFolder()
{
    static QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("rx9fuzz-drives-XXXXXX")));
    Check(folder.isValid());
    return folder.path() + QStringLiteral("/run");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> sections;
    for (const QByteArray &line : input.split('\n')) {
        if (line == "--" || sections.isEmpty())
            sections.append(QByteArray());
        if (line != "--")
            sections.last() += line + '\n';
    }
    while (sections.size() < 3)
        sections.append(QByteArray());

    const QString run = RunFolder();
    std::error_code error;
    std::filesystem::remove_all(run.toStdString(), error);
    QDir().mkpath(run + QStringLiteral("/sys"));
    BuildTree(run + QStringLiteral("/sys"), sections[0]);
    WriteFile(run + QStringLiteral("/mountinfo"), sections[1]);
    WriteFile(run + QStringLiteral("/swaps"), sections[2]);

    DriveProbe probe;
    probe.sysfsRoot = run + QStringLiteral("/sys");
    probe.mountInfoPath = run + QStringLiteral("/mountinfo");
    probe.swapsPath = run + QStringLiteral("/swaps");
    probe.extraDrives.clear();
    const QString sysfs = QFileInfo(probe.sysfsRoot).canonicalFilePath();

    const QList<MountEntry> mounts = ReadMountTable(probe);
    Check(mounts.size() == ParseMountInfo(sections[1]).size());
    const QSet<QString> systemDisks = SystemDiskPaths(probe, mounts);
    for (const QString &disk : systemDisks)
        Check(Inside(disk, sysfs));

    // The volume of each mount point is the one mounted last on it.
    QMap<QString, MountEntry> byMountPoint;
    QStringList expected;
    for (const MountEntry &entry : mounts) {
        const QString deviceName =
            entry.source.startsWith(QLatin1String("/dev/")) ? entry.source.mid(5) : QString();
        const std::optional<BlockDisk> disk =
            FindBlockDisk(probe.sysfsRoot, deviceName, entry.majorMinor);
        if (disk) {
            Check(Inside(disk->devicePath, sysfs) && Inside(disk->diskPath, sysfs));
            Check(disk->partition || disk->diskPath == disk->devicePath);
        }
        const bool candidate = IsCardCandidate(probe, systemDisks, entry);
        if (candidate) {
            Check(!entry.majorMinor.startsWith(QLatin1String("0:")));
            Check(entry.root == QLatin1String("/") && entry.mountPoint != QLatin1String("/"));
            Check(disk && IsRemovableDisk(probe.sysfsRoot, *disk) && !IsStackedDisk(*disk));
            Check(!systemDisks.contains(disk->diskPath));
            Check(IsRemovableBlockDevice(probe.sysfsRoot, deviceName, entry.majorMinor));
        }
        byMountPoint.insert(entry.mountPoint, entry);
    }
    for (auto it = byMountPoint.cbegin(); it != byMountPoint.cend(); ++it) {
        if (IsCardCandidate(probe, systemDisks, it.value()) &&
            !expected.contains(DriveRoot(it.key())))
            expected << DriveRoot(it.key());
    }

    const QStringList roots = RemovableDriveRoots(probe);
    Check(roots == expected);
    for (const QString &root : roots)
        Check(root.endsWith(u'/') && roots.count(root) == 1);

    std::filesystem::remove_all(run.toStdString(), error);
    return 0;
}

#include "SafeFile.h"

#include "FileNameBytes.h"

#include <QList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// Large enough to keep system calls rare, small enough for a progress bar to move within a clip.
constexpr size_t kChunkBytes = 16 * 1024 * 1024;
constexpr qsizetype kCompareBytes = 1024 * 1024;
// Numbered names tried before giving up (a folder never holds that many copies of one name).
constexpr int kMaxNumber = 9999;

QByteArray bytesOf(const QString &name)
{
    return EncodeFileName(name);
}

// The names of a relative path; nothing when one of them is "." or "..".
std::optional<QList<QByteArray>> componentsOf(const QString &relative)
{
    QList<QByteArray> names;
    for (const QByteArray &part : bytesOf(relative).split('/')) {
        if (part.isEmpty())
            continue;
        if (part == "." || part == "..")
            return std::nullopt;
        names.append(part);
    }
    return names;
}

CFileDescriptor openFolderAt(int folder, const QByteArray &name)
{
    return CFileDescriptor(
        ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Whether two statuses are of one and the same file.
bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The open regular file `name` in `folder` (no link followed, never blocking), or invalid.
CFileDescriptor openRegularAt(int folder, const QByteArray &name, int access, struct stat *status)
{
    struct stat folderStatus;
    struct stat before;
    // Looked at first without opening: opening a device can have effects of its own.
    if (::fstat(folder, &folderStatus) != 0 ||
        ::fstatat(folder, name.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    if (!S_ISREG(before.st_mode) || before.st_dev != folderStatus.st_dev) {
        errno = S_ISLNK(before.st_mode) ? ELOOP : EINVAL;
        return {};
    }
    CFileDescriptor fd(::openat(folder, name.constData(),
                                access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat after;
    if (!fd.IsValid() || ::fstat(fd.Get(), &after) != 0)
        return {};
    if (!S_ISREG(after.st_mode) || !sameFile(before, after)) {
        errno = EINVAL;
        return {};
    }
    // Reads of a regular file never block anyway; later reads need no special handling.
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
    if (status)
        *status = after;
    return fd;
}

bool sameContents(int a, int b)
{
    struct stat sa;
    struct stat sb;
    if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size)
        return false;
    QByteArray bufferA(kCompareBytes, Qt::Uninitialized);
    QByteArray bufferB(kCompareBytes, Qt::Uninitialized);
    for (off_t at = 0; at < sa.st_size;) {
        const ssize_t gotA = ::pread(a, bufferA.data(), size_t(bufferA.size()), at);
        if (gotA < 0 && errno == EINTR)
            continue;
        if (gotA <= 0)
            return false;
        for (ssize_t gotB = 0; gotB < gotA;) {
            const ssize_t n = ::pread(b, bufferB.data() + gotB, size_t(gotA - gotB), at + gotB);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            gotB += n;
        }
        if (std::memcmp(bufferA.constData(), bufferB.constData(), size_t(gotA)) != 0)
            return false;
        at += gotA;
    }
    return true;
}

// The folder and the last name of a path ("a/b/c" gives "a/b" and "c"; "c" gives "." and "c").
std::pair<QString, QString> splitPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QStringLiteral("."), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

} // namespace

CFileDescriptor::~CFileDescriptor()
{
    Close();
}

CFileDescriptor::CFileDescriptor(CFileDescriptor &&other) noexcept
    : m_fd(other.Release())
{}

CFileDescriptor &CFileDescriptor::operator=(CFileDescriptor &&other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

int CFileDescriptor::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool CFileDescriptor::Close()
{
    const int fd = Release();
    return fd < 0 || ::close(fd) == 0;
}

CFileDescriptor OpenFolderBelow(const QString &root, const QString &relative, bool create)
{
    const auto names = componentsOf(relative);
    if (root.isEmpty() || !names) {
        errno = EINVAL;
        return {};
    }
    CFileDescriptor folder(::open(bytesOf(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat rootStatus;
    if (!folder.IsValid() || ::fstat(folder.Get(), &rootStatus) != 0)
        return {};
    for (const QByteArray &name : *names) {
        CFileDescriptor next = openFolderAt(folder.Get(), name);
        if (!next.IsValid() && errno == ENOENT && create) {
            if (::mkdirat(folder.Get(), name.constData(), 0777) != 0 && errno != EEXIST)
                return {};
            next = openFolderAt(folder.Get(), name);
        }
        struct stat status;
        if (!next.IsValid() || ::fstat(next.Get(), &status) != 0)
            return {};
        if (status.st_dev != rootStatus.st_dev) {
            errno = EXDEV;
            return {};
        }
        folder = std::move(next);
    }
    return folder;
}

CFileDescriptor OpenFileBelow(const QString &root, const QString &relative, int access,
                              struct stat *status)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const QString name = relative.mid(slash + 1);
    const auto names = componentsOf(name);
    if (!names || names->size() != 1) {
        errno = EINVAL;
        return {};
    }
    const CFileDescriptor folder =
        OpenFolderBelow(root, relative.left(std::max<qsizetype>(slash, 0)));
    if (!folder.IsValid())
        return {};
    return openRegularAt(folder.Get(), names->first(), access, status);
}

CFileDescriptor OpenRegularFile(const QString &path, int access, struct stat *status)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return {};
    }
    const auto [folder, name] = splitPath(path);
    return OpenFileBelow(folder, name, access, status);
}

bool IsPlainFile(const QString &path)
{
    struct stat status;
    return !path.isEmpty() && ::lstat(bytesOf(path).constData(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

bool CopyFileData(int in, int out, const std::function<void(qint64)> &progress,
                  const std::atomic<bool> *stop)
{
    qint64 copied = 0;
    enum { Range, SendFile, ReadWrite } way = Range;
    std::vector<char> buffer;
    for (;;) {
        if (stop && *stop)
            return false;
        ssize_t n = 0;
        if (way == Range) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunkBytes, 0);
            if (n < 0 && copied == 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                 errno == EPERM)) {
                way = SendFile;
                continue;
            }
        } else if (way == SendFile) {
            n = ::sendfile(out, in, nullptr, kChunkBytes);
            if (n < 0 && copied == 0 && (errno == EINVAL || errno == ENOSYS)) {
                way = ReadWrite;
                continue;
            }
        } else {
            if (buffer.empty())
                buffer.resize(1024 * 1024);
            n = ::read(in, buffer.data(), buffer.size());
            for (ssize_t written = 0; n > 0 && written < n;) {
                const ssize_t w = ::write(out, buffer.data() + written, size_t(n - written));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    return false;
                written += w;
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        // Start writing this chunk back now, so that the flush at the end finds little to do.
        ::sync_file_range(out, copied, n, SYNC_FILE_RANGE_WRITE);
        copied += n;
        if (progress)
            progress(copied);
    }
}

NameUse CheckName(int folder, const QString &name, int file)
{
    const QByteArray bytes = bytesOf(name);
    struct stat status;
    if (::fstatat(folder, bytes.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? NameUse::Free : NameUse::Taken;
    const CFileDescriptor there = openRegularAt(folder, bytes, O_RDONLY, nullptr);
    return there.IsValid() && sameContents(there.Get(), file) ? NameUse::SameBytes : NameUse::Taken;
}

QString NumberedFileName(const QString &name, int number)
{
    if (number < 2)
        return name;
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) // no extension, or a hidden name without one
        dot = name.size();
    return name.left(dot) + QStringLiteral(" (%1)").arg(number) + name.mid(dot);
}

CFileDescriptor CreatePartialFile(int folder, const QString &name, QString *partialName)
{
    const QString partial = QLatin1Char('.') + name + QStringLiteral(".part");
    const QByteArray bytes = bytesOf(partial);
    // Whatever lies under the name (an old temporary file, a link) goes; a folder stays and
    // makes the creation fail.
    ::unlinkat(folder, bytes.constData(), 0);
    CFileDescriptor fd(::openat(folder, bytes.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.IsValid() && partialName)
        *partialName = partial;
    return fd;
}

bool RenameNoReplace(int folder, const QString &from, const QString &to, NoReplaceWay first)
{
    const QByteArray source = bytesOf(from);
    const QByteArray target = bytesOf(to);
    // Errors that mean "this file system cannot do it this way" rather than a real failure.
    const auto unsupported = [](int error) {
        return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM ||
               error == EMLINK;
    };
    if (first == NoReplaceWay::Rename) {
        if (::renameat2(folder, source.constData(), folder, target.constData(), RENAME_NOREPLACE) ==
            0)
            return true;
        if (!unsupported(errno))
            return false;
    }
    if (first != NoReplaceWay::Placeholder) {
        if (::linkat(folder, source.constData(), folder, target.constData(), 0) == 0) {
            ::unlinkat(folder, source.constData(), 0);
            return true;
        }
        if (!unsupported(errno))
            return false;
    }
    // The name is claimed exclusively first; the rename then replaces only that empty file.
    const int placeholder = ::openat(folder, target.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (placeholder < 0)
        return false;
    ::close(placeholder);
    if (::renameat(folder, source.constData(), folder, target.constData()) == 0)
        return true;
    const int error = errno;
    ::unlinkat(folder, target.constData(), 0);
    errno = error;
    return false;
}

QString PlaceWithoutReplacing(int folder, const QString &partial, const QString &name,
                              int firstNumber)
{
    for (int number = std::max(firstNumber, 1); number <= kMaxNumber; ++number) {
        const QString target = NumberedFileName(name, number);
        if (RenameNoReplace(folder, partial, target)) {
            ::fsync(folder);
            return target;
        }
        if (errno != EEXIST)
            return QString();
        const CFileDescriptor data = openRegularAt(folder, bytesOf(partial), O_RDONLY, nullptr);
        if (!data.IsValid())
            return QString();
        if (CheckName(folder, target, data.Get()) == NameUse::SameBytes) {
            ::unlinkat(folder, bytesOf(partial).constData(), 0);
            return target;
        }
    }
    return QString();
}

QString PlaceFileWithoutReplacing(const QString &partialPath, const QString &destination)
{
    const auto [folderPath, partial] = splitPath(partialPath);
    const auto [targetFolder, name] = splitPath(destination);
    if (targetFolder != folderPath)
        return QString();
    const CFileDescriptor folder(
        ::open(bytesOf(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsValid())
        return QString();
    const QString placed = PlaceWithoutReplacing(folder.Get(), partial, name);
    if (placed.isEmpty())
        return QString();
    return folderPath == QLatin1String("/") ? QLatin1Char('/') + placed
                                            : folderPath + QLatin1Char('/') + placed;
}

QString FirstFreeName(const QString &folder, const QString &name, const QByteArray &contents)
{
    const CFileDescriptor dir(
        ::open(bytesOf(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const CFileDescriptor memory(::memfd_create("contents", MFD_CLOEXEC));
    if (!dir.IsValid() || !memory.IsValid())
        return name;
    for (qsizetype written = 0; written < contents.size();) {
        const ssize_t n = ::write(memory.Get(), contents.constData() + written,
                                  size_t(contents.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return name;
        written += n;
    }
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString candidate = NumberedFileName(name, number);
        if (CheckName(dir.Get(), candidate, memory.Get()) != NameUse::Taken)
            return candidate;
    }
    return name;
}

CFileDescriptor OpenOutputFolder(const QString &folder)
{
    std::error_code error;
    const std::filesystem::path path = FileSystemPath(folder);
    if (!std::filesystem::is_directory(path, error))
        std::filesystem::create_directories(path, error);
    if (error)
        return {};
    return CFileDescriptor(::open(bytesOf(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool CopyIntoFolderReplacing(int in, int folder, const QString &name)
{
    QString partial;
    CFileDescriptor out = CreatePartialFile(folder, name, &partial);
    if (!out.IsValid())
        return false;
    const bool ok =
        ::lseek(in, 0, SEEK_SET) == 0 && CopyFileData(in, out.Get()) && ::fsync(out.Get()) == 0 &&
        out.Close() &&
        ::renameat(folder, bytesOf(partial).constData(), folder, bytesOf(name).constData()) == 0;
    if (!ok) {
        out.Close();
        ::unlinkat(folder, bytesOf(partial).constData(), 0);
        return false;
    }
    ::fsync(folder);
    return true;
}

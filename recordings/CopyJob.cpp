#include "CopyJob.h"

#include "CopyRules.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"

#include <filesystem>
#include <system_error>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Large enough to keep system calls rare, small enough for the bar to move within a clip.
constexpr size_t kChunkBytes = 16 * 1024 * 1024;

#ifdef Q_OS_LINUX
class CFd
{
public:
    explicit CFd(int fd = -1)
        : m_fd(fd)
    {}
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd &) = delete;
    CFd &operator=(const CFd &) = delete;
    int get() const { return m_fd; }
    // Closes now and reports whether the close (the last chance of a write error) succeeded.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Copies everything from `in` to `out`: the in-place copy, then sendfile where the two file
// systems do not allow it, then plain reads and writes. False on an error.
bool copyData(int in, int out, const std::function<void(qint64)> &progress)
{
    qint64 copied = 0;
    enum { Range, SendFile, ReadWrite } way = Range;
    std::vector<char> buffer;
    for (;;) {
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
#endif

} // namespace

QString PartialCopyPath(const QString &destination)
{
    const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
    return destination.left(slash + 1) + QLatin1Char('.') + destination.mid(slash + 1) +
           QStringLiteral(".part");
}

bool CopyFileDurably(const QString &source, const QString &destination,
                     const std::function<void(qint64 copied)> &progress)
{
    const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
    if (source.isEmpty() || destination.isEmpty() || slash == destination.size() - 1)
        return false;
    std::error_code error;
    if (slash > 0) {
        const std::filesystem::path folder = FileSystemPath(destination.left(slash));
        if (!std::filesystem::is_directory(folder, error))
            std::filesystem::create_directories(folder, error);
        if (error)
            return false;
    }
    const QString partial = PartialCopyPath(destination);

#ifdef Q_OS_LINUX
    const QByteArray partialBytes = EncodeFileName(partial);
    CFd in(::open(EncodeFileName(source).constData(), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    CFd out(::open(partialBytes.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0)
        return false;
    const timespec times[2] = {status.st_atim, status.st_mtim};
    const bool ok =
        copyData(in.get(), out.get(), progress) && ::fdatasync(out.get()) == 0 &&
        ::futimens(out.get(), times) == 0 && out.close() &&
        ::rename(partialBytes.constData(), EncodeFileName(destination).constData()) == 0;
    if (!ok) {
        out.close();
        ::unlink(partialBytes.constData());
        return false;
    }
    return true;
#else
    std::filesystem::copy_file(FileSystemPath(source), FileSystemPath(partial),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (!error)
        std::filesystem::rename(FileSystemPath(partial), FileSystemPath(destination), error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(FileSystemPath(partial), ignored);
        return false;
    }
    if (progress)
        progress(qint64(std::filesystem::file_size(FileSystemPath(destination), error)));
    return true;
#endif
}

CCopyJob::~CCopyJob()
{
    Wait();
}

void CCopyJob::AddCopyPair(const QString &source, const QString &destination)
{
    Pair pair;
    pair.source = source;
    pair.destination = destination;
    pair.video = PathExtension(source) == QLatin1String(".avi");
    std::error_code error;
    const auto size = std::filesystem::file_size(FileSystemPath(source), error);
    pair.size = error ? 0 : qint64(size);
    if (pair.video)
        ++m_videoCount;
    m_pairs.append(pair);
}

int CCopyJob::ProgressMaximum() const
{
    return m_videoCount * kProgressSteps;
}

void CCopyJob::Start()
{
    if (m_worker.joinable() || m_workerDone)
        return;
    m_worker = std::thread([this] { Run(); });
}

void CCopyJob::Wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CCopyJob::Run()
{
    for (int k = 0; k < m_pairs.size(); ++k) {
        const Pair &pair = m_pairs[k];
        const int done = m_videosDone;
        const auto progress = [&](qint64 copied) {
            m_progress = CopyProgressPosition(done, m_videoCount, copied, pair.size, pair.video);
        };
        if (!CopyFileDurably(pair.source, pair.destination, progress))
            ++m_failed;
        // A failed pair still counts as processed, so the bar reaches its end.
        if (pair.video)
            ++m_videosDone;
        m_progress = CopyProgressPosition(m_videosDone, m_videoCount, 0, 0, false);
        if (pairFinished)
            pairFinished(k);
        if (m_cancelRequested)
            break;
    }
    m_workerDone = true;
}

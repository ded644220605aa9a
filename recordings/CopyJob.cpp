#include "CopyJob.h"

#include "CopyRules.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "RecordingNames.h"
#include "SafeFile.h"

#include <unistd.h>
#include <vector>

namespace {

// The source of one copy, opened on the card: a regular file itself, never a link or a FIFO.
struct Source
{
    CFileDescriptor fd;
    struct stat status = {};
};

Source openSource(const QString &path)
{
    Source source;
    source.fd = OpenRegularFile(path, O_RDONLY, &source.status);
    if (source.fd.IsValid())
        ::posix_fadvise(source.fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return source;
}

// Copies the source into `folder` under `name` numbered `number`, or under the next free number
// should another file take that name meanwhile. `use` is what lies under the numbered name: a
// file with the same bytes counts as the copy. `copiedTo` receives the name used.
bool copyInto(int folder, const Source &source, const QString &name, int number, NameUse use,
              const std::function<void(qint64)> &progress, QString *copiedTo,
              const std::atomic<bool> *stop = nullptr)
{
    const QString target = NumberedFileName(name, number);
    if (use == NameUse::SameBytes) {
        if (progress)
            progress(qint64(source.status.st_size));
        if (copiedTo)
            *copiedTo = target;
        return true;
    }
    QString partial;
    CFileDescriptor out = CreatePartialFile(folder, target, &partial);
    if (!out.IsValid())
        return false;
    const timespec times[2] = {source.status.st_atim, source.status.st_mtim};
    bool ok = ::lseek(source.fd.Get(), 0, SEEK_SET) == 0 &&
              CopyFileData(source.fd.Get(), out.Get(), progress, stop) &&
              ::fdatasync(out.Get()) == 0 && ::futimens(out.Get(), times) == 0 && out.Close();
    QString placed;
    if (ok) {
        placed = PlaceWithoutReplacing(folder, partial, name, number);
        ok = !placed.isEmpty();
    }
    if (!ok) {
        out.Close();
        ::unlinkat(folder, EncodeFileName(partial).constData(), 0);
        return false;
    }
    if (copiedTo)
        *copiedTo = placed;
    return true;
}

// The first number under which every file of a recording can go: its numbered name is free or
// holds the same bytes already. Sources that did not open take no part. `uses` receives what
// lies under each file's numbered name.
int firstCommonNumber(int folder, const QStringList &names, const std::vector<Source> &sources,
                      std::vector<NameUse> &uses)
{
    constexpr int kLastNumber = 9999;
    uses.assign(sources.size(), NameUse::Free);
    for (int number = 1; number < kLastNumber; ++number) {
        bool usable = true;
        for (size_t i = 0; i < sources.size() && usable; ++i) {
            if (sources[i].fd.IsValid())
                uses[i] = CheckName(folder, NumberedFileName(names[qsizetype(i)], number),
                                    sources[i].fd.Get());
            usable = uses[i] != NameUse::Taken;
        }
        if (usable)
            return number;
    }
    uses.assign(sources.size(), NameUse::Taken);
    return kLastNumber;
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : path.left(std::max<qsizetype>(slash, 1));
}

QString nameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString PartialCopyPath(const QString &destination)
{
    const qsizetype slash = destination.lastIndexOf(QLatin1Char('/'));
    return destination.left(slash + 1) + QLatin1Char('.') + destination.mid(slash + 1) +
           QStringLiteral(".part");
}

bool CopyFileDurably(const QString &source, const QString &destination,
                     const std::function<void(qint64 copied)> &progress, QString *copiedTo)
{
    if (source.isEmpty() || nameOf(destination).isEmpty())
        return false;
    const Source in = openSource(source);
    if (!in.fd.IsValid())
        return false;
    const CFileDescriptor folder = OpenOutputFolder(folderOf(destination));
    if (!folder.IsValid())
        return false;
    QString name;
    const NameUse use = CheckName(folder.Get(), nameOf(destination), in.fd.Get());
    if (!copyInto(folder.Get(), in, nameOf(destination), 1, use, progress, &name))
        return false;
    if (copiedTo)
        *copiedTo = destination.left(destination.size() - nameOf(destination).size()) + name;
    return true;
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
    // Only what the name itself is counts: a link or a pipe is not copied and has no size.
    struct stat status;
    pair.size = ::lstat(EncodeFileName(source).constData(), &status) == 0 && S_ISREG(status.st_mode)
                    ? qint64(status.st_size)
                    : 0;
    pair.withPrevious = !m_pairs.isEmpty() && !destination.isEmpty() &&
                        DriveDataPath(m_pairs.last().destination) == destination;
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
    int handled = 0;
    for (int first = 0; first < m_pairs.size() && !m_abandoned;) {
        // One recording: a clip and the drive-data file queued right after it. Both go under
        // the same number, so that the pair still belongs together in the folder.
        int end = first + 1;
        while (end < m_pairs.size() && m_pairs[end].withPrevious)
            ++end;
        std::vector<Source> sources;
        QStringList names;
        for (int k = first; k < end; ++k) {
            sources.push_back(openSource(m_pairs[k].source));
            names.append(nameOf(m_pairs[k].destination));
        }
        const CFileDescriptor folder = OpenOutputFolder(folderOf(m_pairs[first].destination));
        std::vector<NameUse> uses;
        const int number =
            folder.IsValid() ? firstCommonNumber(folder.Get(), names, sources, uses) : 1;

        for (int k = first; k < end; ++k) {
            const Pair &pair = m_pairs[k];
            const Source &source = sources[size_t(k - first)];
            const int done = m_videosDone;
            const auto progress = [&](qint64 copied) {
                m_progress =
                    CopyProgressPosition(done, m_videoCount, copied, pair.size, pair.video);
            };
            if (!folder.IsValid() || !source.fd.IsValid() ||
                !copyInto(folder.Get(), source, names[k - first], number, uses[size_t(k - first)],
                          progress, nullptr, &m_abandoned))
                ++m_failed;
            ++handled;
            // A failed pair still counts as processed, so the bar reaches its end.
            if (pair.video)
                ++m_videosDone;
            m_progress = CopyProgressPosition(m_videosDone, m_videoCount, 0, 0, false);
            if (pairFinished)
                pairFinished(k);
            if (m_cancelRequested)
                break;
        }
        if (m_cancelRequested)
            break;
        first = end;
    }
    if (m_abandoned)
        m_failed += int(m_pairs.size()) - handled;
    m_workerDone = true;
}

#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

// Copies `source` to `destination` so that no half-written file ever carries the real name and
// no file is ever replaced. Only a regular file is copied (never through a link, and a FIFO
// never blocks). The data goes to a hidden temporary file in the destination's folder (created
// with all missing parents), in large chunks through the kernel's in-place copy, is flushed to
// the disk, and only then renamed to the destination's name, or, when a file with other bytes
// has that name, to the first free numbered name ("rec_1 (2).avi", see NumberedFileName); a
// file with the same bytes under the name counts as the copy. The check and the rename are one
// step. The copy keeps the source's modification time. A failure removes the temporary file.
// `progress`, when given, hears the bytes copied so far after each chunk; `copiedTo` receives
// the path of the copy.
bool CopyFileDurably(const QString &source, const QString &destination,
                     const std::function<void(qint64 copied)> &progress = {},
                     QString *copiedTo = nullptr);

// The temporary name a copy to `destination` is written under.
QString PartialCopyPath(const QString &destination);

// The files one copy or export writes, and the worker thread that writes them. The user-interface
// thread queues the pairs, starts the worker and then only reads the progress fields and sets the
// cancel request; the worker only writes the progress fields.
class CCopyJob
{
public:
    struct Pair
    {
        QString source;
        QString destination;
        qint64 size = 0;
        bool video = false; // the source's extension is ".avi" exactly
        // The drive-data file of the clip queued just before: both go under the same name
        // number when the folder already holds other files of their names.
        bool withPrevious = false;
    };

    CCopyJob() = default;
    ~CCopyJob(); // waits for the worker
    CCopyJob(const CCopyJob &) = delete;
    CCopyJob &operator=(const CCopyJob &) = delete;

    // Queues one file; only before Start. A clip's drive-data file is queued right after it.
    // The worker copies as CopyFileDurably does, a clip and its drive-data file under one
    // number.
    void AddCopyPair(const QString &source, const QString &destination);
    const QList<Pair> &Pairs() const { return m_pairs; }
    int VideoCount() const { return m_videoCount; }

    // Runs the copy on a worker thread. Once only.
    void Start();
    // Waits until the worker has ended (nothing when it never started).
    void Wait();
    // The worker's loop, on the calling thread.
    void Run();

    // Asks the worker to stop after the file under way.
    void RequestCancel() { m_cancelRequested = true; }
    // The card the files come from is gone: the worker stops at once, leaving the file under way
    // unfinished, and every file not copied by then counts as failed.
    void Abandon()
    {
        m_abandoned = true;
        m_cancelRequested = true;
    }
    bool Abandoned() const { return m_abandoned; }
    bool CancelRequested() const { return m_cancelRequested; }
    bool WorkerDone() const { return m_workerDone; }
    int VideosDone() const { return m_videosDone; }
    // Pairs whose copy failed.
    int FailedCount() const { return m_failed; }
    // The progress bar's position, in CopyProgressPosition's steps.
    int ProgressPosition() const { return m_progress; }
    int ProgressMaximum() const;

    // Called on the worker after each pair with its index (tests hold the worker there).
    std::function<void(int index)> pairFinished;

private:
    QList<Pair> m_pairs;
    int m_videoCount = 0;
    std::thread m_worker;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_abandoned{false};
    std::atomic<bool> m_workerDone{false};
    std::atomic<int> m_videosDone{0};
    std::atomic<int> m_failed{0};
    std::atomic<int> m_progress{0};
};

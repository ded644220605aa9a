#include "CopyJob.h"
#include "DlgCopy.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "RecordingNames.h"
#include "RecordingsTestUtil.h"
#include "SafeFile.h"
#include "SkinSlider.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <semaphore>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray Pattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        data[i] = char(x >> 24);
    }
    return data;
}

// Files left under a folder whose names mark an unfinished copy.
QStringList PartialFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

class CopyFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString card() const { return dir.path() + QStringLiteral("/card/"); }
    QString target() const { return dir.path() + QStringLiteral("/desk/HD-VANTORA/x/"); }
    QString Write(const QString &name, const QByteArray &data)
    {
        const QString path = card() + name;
        EXPECT_TRUE(WriteTestFile(path, data));
        return path;
    }
};

} // namespace

TEST_F(CopyFiles, CopiesBytesExactlyIntoNewFoldersAndKeepsTheTime)
{
    const QByteArray data = Pattern(40 * 1024 * 1024 + 7, 1); // more than two chunks
    const QString source = Write(QStringLiteral("rec_1.avi"), data);
    const QDateTime old(QDate(2011, 5, 23), QTime(14, 22, 33), Qt::UTC);
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QList<qint64> heard;
    ASSERT_TRUE(CopyFileDurably(source, target() + QStringLiteral("rec_1.avi"),
                                [&](qint64 copied) { heard << copied; }));
    EXPECT_EQ(ReadTestFile(target() + QStringLiteral("rec_1.avi")), data);
    EXPECT_EQ(QFileInfo(target() + QStringLiteral("rec_1.avi")).lastModified().toUTC(), old);
    ASSERT_GE(heard.size(), 2); // the progress is heard within the file
    EXPECT_EQ(heard.last(), data.size());
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
    EXPECT_TRUE(PartialFiles(target()).isEmpty());

    // A second copy of other bytes never replaces the first: it takes the next free number.
    // An empty file copies too.
    const QString empty = Write(QStringLiteral("rec_2.avi"), QByteArray());
    QString copiedTo;
    ASSERT_TRUE(CopyFileDurably(empty, target() + QStringLiteral("rec_1.avi"), {}, &copiedTo));
    EXPECT_EQ(copiedTo, target() + QStringLiteral("rec_1 (2).avi"));
    EXPECT_EQ(QFileInfo(copiedTo).size(), 0);
    EXPECT_EQ(ReadTestFile(target() + QStringLiteral("rec_1.avi")), data);
}

TEST_F(CopyFiles, FailuresLeaveNoTemporaryFileAndKeepTheOldDestination)
{
    const QString source = Write(QStringLiteral("rec_1.avi"), Pattern(3 * 1024 * 1024, 2));
    // Missing source, folder as source, a destination folder that is a file.
    EXPECT_FALSE(CopyFileDurably(card() + QStringLiteral("gone.avi"), target() + "gone.avi"));
    EXPECT_FALSE(CopyFileDurably(card(), target() + "card"));
    ASSERT_TRUE(WriteTestFile(dir.path() + QStringLiteral("/blocked"), "x"));
    EXPECT_FALSE(CopyFileDurably(source, dir.path() + QStringLiteral("/blocked/rec_1.avi")));

    // The destination name is taken by a folder: the copy goes beside it.
    QDir().mkpath(target() + QStringLiteral("rec_1.avi/inner"));
    EXPECT_TRUE(CopyFileDurably(source, target() + QStringLiteral("rec_1.avi")));
    EXPECT_TRUE(QFileInfo(target() + QStringLiteral("rec_1 (2).avi")).isFile());
    EXPECT_TRUE(PartialFiles(target()).isEmpty());

    // A full destination (here: the file-size limit of this process) fails part-way through
    // the data: no temporary file stays and the old destination is untouched.
    const QByteArray old("the old copy");
    ASSERT_TRUE(WriteTestFile(target() + QStringLiteral("rec_2.avi"), old));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = CopyFileDurably(source, target() + QStringLiteral("rec_2.avi"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadTestFile(target() + QStringLiteral("rec_2.avi")), old);
    EXPECT_TRUE(PartialFiles(target()).isEmpty());
}

TEST_F(CopyFiles, CopiesFromAnotherFileSystemByEachWayTheKernelOffers)
{
    // A card is a file system of its own (vfat) beside the desktop's, where the kernel's
    // in-place copy refuses and the data goes by sendfile; here a tmpfs folder is the card.
    QTemporaryDir other(QStringLiteral("/dev/shm/rx9-copy-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    struct stat there
    {
    }, here{};
    ASSERT_EQ(::stat(QFile::encodeName(other.path()).constData(), &there), 0);
    ASSERT_EQ(::stat(QFile::encodeName(dir.path()).constData(), &here), 0);
    ASSERT_NE(there.st_dev, here.st_dev) << "/dev/shm is on the test folder's file system";

    const QByteArray data = Pattern(40 * 1024 * 1024 + 7, 3); // more than two chunks
    const QString source = other.filePath(QStringLiteral("rec_1.avi"));
    ASSERT_TRUE(WriteTestFile(source, data));
    QList<qint64> heard;
    ASSERT_TRUE(CopyFileDurably(source, target() + QStringLiteral("rec_1.avi"),
                                [&](qint64 copied) { heard << copied; }));
    EXPECT_EQ(ReadTestFile(target() + QStringLiteral("rec_1.avi")), data);
    ASSERT_GE(heard.size(), 2);
    EXPECT_EQ(heard.last(), data.size());
    EXPECT_TRUE(PartialFiles(target()).isEmpty());

    // The camera's settings file off such a card and back onto it, as a format does.
    const QByteArray settings = Pattern(18, 4);
    ASSERT_TRUE(WriteTestFile(other.filePath(QStringLiteral("Setup/setup.bin")), settings));
    const QString kept = dir.filePath(QStringLiteral("desk/HD-VANTORA/Setup/setup.bin"));
    ASSERT_TRUE(
        CopyFileFromCard(other.path(), other.filePath(QStringLiteral("Setup/setup.bin")), kept));
    EXPECT_EQ(ReadTestFile(kept), settings);
    ASSERT_TRUE(
        CopyFileOntoCard(kept, other.path(), other.filePath(QStringLiteral("New/setup.bin"))));
    EXPECT_EQ(ReadTestFile(other.filePath(QStringLiteral("New/setup.bin"))), settings);

    // From a pipe neither the in-place copy nor sendfile works: the data is read and written.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const QByteArray piped = Pattern(3 * 1024 * 1024 + 11, 5);
    std::thread writer([&] {
        for (qsizetype at = 0; at < piped.size();) {
            const ssize_t n = ::write(ends[1], piped.constData() + at, size_t(piped.size() - at));
            if (n <= 0)
                break;
            at += n;
        }
        ::close(ends[1]);
    });
    const QString out = dir.filePath(QStringLiteral("piped"));
    const int fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const bool copied = CopyFileData(ends[0], fd);
    writer.join();
    ::close(fd);
    ::close(ends[0]);
    EXPECT_TRUE(copied);
    EXPECT_EQ(ReadTestFile(out), piped);
}

TEST_F(CopyFiles, NameThatIsNotUtf8IsCopiedByItsBytes)
{
    const QByteArray raw = QFile::encodeName(card()) + QByteArray("rec_20110523_1422\xff"
                                                                  "3.avi");
    const QByteArray data = Pattern(1000, 3);
    ASSERT_TRUE(WriteTestFile(card() + QStringLiteral("placeholder"), data));
    ASSERT_EQ(::rename(QFile::encodeName(card() + QStringLiteral("placeholder")).constData(),
                       raw.constData()),
              0);
    const QString source = DecodeFileName(raw);
    const QString destination = target() + source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    ASSERT_TRUE(CopyFileDurably(source, destination));
    QFile copy;
    ASSERT_TRUE(OpenFileForReading(copy, destination));
    EXPECT_EQ(copy.readAll(), data);
    EXPECT_TRUE(EncodeFileName(destination)
                    .endsWith(QByteArray("1422\xff"
                                         "3.avi")));
}

TEST_F(CopyFiles, JobCountsClipsByTheirExactExtension)
{
    CCopyJob job;
    job.AddCopyPair(Write(QStringLiteral("rec_1.avi"), "a"), target() + "rec_1.avi");
    job.AddCopyPair(Write(QStringLiteral("rec_1.dat"), "b"), target() + "rec_1.dat");
    job.AddCopyPair(Write(QStringLiteral("rec_2.AVI"), "c"), target() + "rec_2.AVI");
    job.AddCopyPair(card() + QStringLiteral("gone.avi"), target() + "gone.avi");
    EXPECT_EQ(job.VideoCount(), 2);
    EXPECT_EQ(job.ProgressMaximum(), 2 * kProgressSteps);
    job.Run();
    EXPECT_TRUE(job.WorkerDone());
    EXPECT_EQ(job.VideosDone(), 2);
    EXPECT_EQ(job.FailedCount(), 1); // the clip that vanished after queuing
    EXPECT_EQ(job.ProgressPosition(), job.ProgressMaximum());
    EXPECT_EQ(ReadTestFile(target() + "rec_2.AVI"), QByteArray("c"));
}

TEST_F(CopyFiles, CopiesOfTwoCardsInOneFolderKeepBothAndNumberEachPairAlike)
{
    // Three cards whose cameras had the same clock: the first and second differ in both
    // files, the third has the first card's clip but other drive data.
    const QString clip = QStringLiteral("rec_20110523_142233.avi");
    const QString data = QStringLiteral("rec_20110523_142233.dat");
    const QList<std::pair<QByteArray, QByteArray>> cards = {{Pattern(3000, 1), "first data"},
                                                            {Pattern(3000, 2), "second data"},
                                                            {Pattern(3000, 1), "third data"}};
    const auto copyCard = [&](int index) {
        const QString folder = card() + QString::number(index) + QLatin1Char('/');
        EXPECT_TRUE(WriteTestFile(folder + clip, cards[index].first));
        EXPECT_TRUE(WriteTestFile(folder + data, cards[index].second));
        CCopyJob job;
        job.AddCopyPair(folder + clip, target() + clip);
        job.AddCopyPair(folder + data, target() + data);
        job.Run();
        EXPECT_EQ(job.FailedCount(), 0);
        EXPECT_EQ(job.ProgressPosition(), job.ProgressMaximum());
    };
    copyCard(0);
    copyCard(1);
    // The second card again: its files are there already; nothing new is written.
    copyCard(1);
    copyCard(2);

    const QStringList files =
        QDir(target()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    EXPECT_EQ(files, (QStringList{"rec_20110523_142233 (2).avi", "rec_20110523_142233 (2).dat",
                                  "rec_20110523_142233 (3).avi", "rec_20110523_142233 (3).dat",
                                  clip, data}));
    for (int index = 0; index < 3; ++index) {
        const QString numbered = NumberedFileName(clip, index + 1);
        EXPECT_EQ(ReadTestFile(target() + numbered), cards[index].first) << index;
        EXPECT_EQ(ReadTestFile(target() + DriveDataPath(numbered)), cards[index].second) << index;
    }
}

TEST_F(CopyFiles, AFifoNamedLikeADriveDataFileNeitherHangsNorCopies)
{
    const QString clip = Write(QStringLiteral("rec_1.avi"), "clip");
    const QByteArray fifo = QFile::encodeName(card() + QStringLiteral("rec_1.dat"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0666), 0);
    CCopyJob job;
    job.AddCopyPair(clip, target() + QStringLiteral("rec_1.avi"));
    job.AddCopyPair(card() + QStringLiteral("rec_1.dat"), target() + QStringLiteral("rec_1.dat"));
    job.Start();
    const bool finished = WaitUntil([&] { return job.WorkerDone(); }, std::chrono::seconds(30));
    if (!finished) {
        // Let a worker that waits on the FIFO go, so that the test ends.
        const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    job.Wait();
    EXPECT_TRUE(finished);
    EXPECT_EQ(job.FailedCount(), 1);
    EXPECT_EQ(ReadTestFile(target() + QStringLiteral("rec_1.avi")), QByteArray("clip"));
    EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("rec_1.dat")));
}

// --- the dialog ---

TEST_F(CopyFiles, DialogWithNothingQueuedClosesAfterThreeTicks)
{
    CDlgCopy dialog;
    EXPECT_EQ(dialog.size(), CDlgCopy::kWindowSize);
    EXPECT_FALSE(dialog.CaptionButtonsEnabled());
    EXPECT_EQ(dialog.exec(), 0);
    EXPECT_EQ(dialog.Progress()->Model().Minimum(), 0);
    EXPECT_EQ(dialog.Progress()->Model().Maximum(), 0);
    EXPECT_TRUE(dialog.Job().WorkerDone());
    EXPECT_EQ(dialog.TicksAfterDone(), 3);
    EXPECT_FALSE(dialog.Progress()->accessibleName().isEmpty());
}

TEST_F(CopyFiles, EscStopsAfterTheFileUnderWayAndEnterDoesNothing)
{
    CDlgCopy dialog;
    QList<QByteArray> data;
    for (int i = 0; i < 10; ++i) {
        data << Pattern(256 * 1024, 10 + i);
        const QString name = QStringLiteral("rec_%1.avi").arg(i);
        dialog.AddCopyPair(Write(name, data.last()), target() + name);
    }
    // The worker waits after its third file until Enter and then Esc have been pressed.
    std::binary_semaphore reached(0);
    std::binary_semaphore pressed(0);
    dialog.Job().pairFinished = [&](int index) {
        if (index == 2) {
            reached.release();
            pressed.acquire();
        }
    };
    bool stillOpenAfterEnter = false;
    bool workerReached = false;
    // Nothing in here may return early: the worker must always be let go.
    QTimer::singleShot(0, &dialog, [&] {
        workerReached = WaitUntil([&] { return reached.try_acquire(); }, std::chrono::seconds(60));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &enter);
        stillOpenAfterEnter = dialog.isVisible();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &esc);
        pressed.release();
    });
    dialog.exec();
    ASSERT_TRUE(workerReached);
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_TRUE(dialog.Job().CancelRequested());
    for (int i = 0; i < 10; ++i) {
        const QString copy = target() + QStringLiteral("rec_%1.avi").arg(i);
        if (i < 3)
            EXPECT_EQ(ReadTestFile(copy), data[i]) << i;
        else
            EXPECT_FALSE(QFileInfo::exists(copy)) << i;
    }
    EXPECT_EQ(dialog.Job().VideosDone(), 3);
    EXPECT_EQ(dialog.Progress()->Pos(), 3 * kProgressSteps);
    EXPECT_TRUE(PartialFiles(target()).isEmpty());
}

TEST_F(CopyFiles, CloseRequestActsLikeEsc)
{
    CDlgCopy dialog;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("rec_%1.avi").arg(i);
        dialog.AddCopyPair(Write(name, Pattern(1024, i)), target() + name);
    }
    std::binary_semaphore reached(0);
    std::binary_semaphore pressed(0);
    dialog.Job().pairFinished = [&](int index) {
        if (index == 0) {
            reached.release();
            pressed.acquire();
        }
    };
    bool stayedOpen = false;
    bool workerReached = false;
    QTimer::singleShot(0, &dialog, [&] {
        workerReached = WaitUntil([&] { return reached.try_acquire(); }, std::chrono::seconds(60));
        dialog.close();
        stayedOpen = dialog.isVisible();
        pressed.release();
    });
    dialog.exec();
    ASSERT_TRUE(workerReached);
    EXPECT_TRUE(stayedOpen); // it closes only once the worker has ended
    EXPECT_TRUE(QFileInfo::exists(target() + QStringLiteral("rec_0.avi")));
    EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("rec_1.avi")));
}

TEST_F(CopyFiles, ACardGoneStopsTheCopyAtOnceAndCountsWhatIsLeftAsNotCopied)
{
    // Abandoned after its first file: the other three are not copied and count as failed.
    CCopyJob job;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("rec_%1.avi").arg(i);
        job.AddCopyPair(Write(name, Pattern(64 * 1024, 30 + i)), target() + name);
    }
    job.pairFinished = [&job](int index) {
        if (index == 0)
            job.Abandon();
    };
    job.Run();
    EXPECT_TRUE(job.WorkerDone());
    EXPECT_EQ(job.FailedCount(), 3);
    EXPECT_TRUE(QFileInfo::exists(target() + QStringLiteral("rec_0.avi")));
    EXPECT_EQ(QDir(target()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // Abandoned before it began: nothing is copied, everything counts.
    CCopyJob early;
    early.AddCopyPair(card() + QStringLiteral("rec_1.avi"), target() + QStringLiteral("e1.avi"));
    early.AddCopyPair(card() + QStringLiteral("rec_2.avi"), target() + QStringLiteral("e2.avi"));
    early.Abandon();
    early.Run();
    EXPECT_EQ(early.FailedCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("e1.avi")));

    // The file under way stops at the next chunk: only part of a large file is copied.
    const QString big = Write(QStringLiteral("rec_big.avi"), Pattern(40 * 1024 * 1024, 7));
    const CFileDescriptor in = OpenRegularFile(big);
    const CFileDescriptor out(::open(QFile::encodeName(dir.path() + QStringLiteral("/out")),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600));
    ASSERT_TRUE(in.IsValid() && out.IsValid());
    std::atomic<bool> stop{false};
    EXPECT_FALSE(CopyFileData(
        in.Get(), out.Get(), [&stop](qint64) { stop = true; }, &stop));
    const qint64 copied = QFileInfo(dir.path() + QStringLiteral("/out")).size();
    EXPECT_GT(copied, 0);
    EXPECT_LT(copied, 40 * 1024 * 1024);
}

// Copy, event export and delete in the main window, on clips of the demo card played by the real
// engine: the questions, the files on the desktop and on the card, the list, the title and what
// plays afterwards.

#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "PlayerTestSupport.h"
#include "PlayerTrip.h"
#include "RecordingNames.h"
#include "SkinButton.h"
#include "TestSupport.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <vlc/vlc.h>

namespace {

constexpr auto kLong = std::chrono::seconds(60);
constexpr int kYes = 6;
constexpr int kNo = 7;

class CopyDeleteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    }

    // The player answers every question with `answer` and records it.
    static void Answer(CTestPlayer &p, QStringList &asked, int answer)
    {
        p.askQuestion = [&asked, answer](const QString &text) {
            asked << text;
            return answer;
        };
    }

    static void Select(CTestPlayer &p, const QList<int> &rows)
    {
        QItemSelectionModel *selection = p.RecordingList()->selectionModel();
        selection->clear();
        for (int row : rows) {
            selection->select(p.RecordingList()->Model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    // The folders below the desktop's HD-VANTORA.
    static QStringList ExportFolders(CTestPlayer &p)
    {
        return QDir(p.desktop.path() + QStringLiteral("/HD-VANTORA"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    static QStringList FilesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static bool SameBytes(const QString &a, const QString &b)
    {
        QFile fa(a);
        QFile fb(b);
        return fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly) && fa.size() > 0 &&
               fa.readAll() == fb.readAll();
    }

    static QString DataName(const QString &clipName) { return DriveDataPath(clipName); }
};

} // namespace

TEST_F(CopyDeleteTest, CopyTwoRowsPausesAndWritesByteIdenticalFiles)
{
    CClipFolder folder({0, 1, 2, 3});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));

    // Nothing selected: the notice, no question, nothing written.
    Select(p, {});
    p.Press(ids::kCopy);
    EXPECT_EQ(p.MessageIds(), QList<int>{206});
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(p.Playback().IsPlaying());

    // One row: the question names its stem. Answered No: nothing happens.
    p.messages.clear();
    Select(p, {2});
    Answer(p, asked, kNo);
    p.Press(ids::kCopy);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(folder.Stem(2))) << asked[0].toStdString();
    EXPECT_TRUE(ExportFolders(p).isEmpty());
    EXPECT_TRUE(p.Playback().IsPlaying());

    // Two rows: the count, then the copy.
    Answer(p, asked, kYes);
    Select(p, {1, 3});
    const QString before =
        ExportFolder(p.desktop.path(), ExportKind::Copy, QDateTime::currentDateTime());
    p.Press(ids::kCopy);
    const QString after =
        ExportFolder(p.desktop.path(), ExportKind::Copy, QDateTime::currentDateTime());
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].startsWith(QStringLiteral("Do you want to copy 2 files?")));
    EXPECT_TRUE(p.messages.isEmpty()); // a clean copy says nothing

    const QStringList made = ExportFolders(p);
    ASSERT_EQ(made.size(), 1);
    const QString target = p.desktop.path() + QStringLiteral("/HD-VANTORA/") + made[0] + '/';
    EXPECT_TRUE(target == before || target == after) << target.toStdString();
    const QStringList expected = {folder.FileName(1), DataName(folder.FileName(1)),
                                  folder.FileName(3), DataName(folder.FileName(3))};
    QStringList sortedExpected = expected;
    sortedExpected.sort();
    EXPECT_EQ(FilesIn(target), sortedExpected);
    for (const QString &name : expected)
        EXPECT_TRUE(SameBytes(folder.Path() + name, target + name)) << name.toStdString();

    // Playback was paused for the copy and stays paused.
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());
    ASSERT_TRUE(p.Playback().Engine().HasMedia());
    EXPECT_TRUE(WaitUntil([&] { return !p.Playback().Engine().IsPlaying(); }, kLong));
}

TEST_F(CopyDeleteTest, ACopyStartedWhileTheClipOpensKeepsItPaused)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    p.chooseFolder = [&](const QString &) { return std::optional<QString>(folder.Path()); };
    p.Press(ids::kFolder);
    ASSERT_TRUE(p.IsClipOpen()); // the engine is still opening the clip
    Select(p, {1});
    p.Press(ids::kCopy);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());

    // The engine pauses; or (the fault) it plays on, stops or ends the clip.
    const auto state = [&] {
        return libvlc_media_player_get_state(p.Playback().Engine().Player());
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            return p.Playback().Engine().IsPaused() || p.Playback().Engine().GetTime() >= 1500 ||
                   state() == libvlc_Stopped || state() == libvlc_Ended ||
                   state() == libvlc_Error || p.Catalogue().CurrentIndex() != 0;
        },
        kLong));
    EXPECT_TRUE(p.Playback().Engine().IsPaused()) << "engine state " << state();
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);

    p.Press(ids::kPlay);
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Engine().IsPlaying(); }, kLong));
}

TEST_F(CopyDeleteTest, ExportTakesEveryEventRecordingWhateverTheFilterShows)
{
    CClipFolder folder({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    QStringList events = p.Catalogue().EventNames();
    ASSERT_EQ(events.size(), 2);

    // Show parking recordings only (all, event, parking) and select one of them.
    p.RecordingList()->ColumnClicked(0);
    QCoreApplication::sendPostedEvents(&p);
    p.RecordingList()->ColumnClicked(0);
    QCoreApplication::sendPostedEvents(&p);
    ASSERT_EQ(p.Catalogue().KindFilterValue(), 2);
    for (int row = 0; row < p.RecordingList()->RowCount(); ++row)
        ASSERT_NE(p.RecordingList()->GetCellText(row, 0), QStringLiteral("Event"));
    Select(p, {0});

    p.Press(ids::kEvent);
    EXPECT_TRUE(asked.isEmpty()); // no question
    EXPECT_TRUE(p.messages.isEmpty());
    const QStringList made = ExportFolders(p);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(made[0].startsWith(QStringLiteral("Event ")));
    const QString target = p.desktop.path() + QStringLiteral("/HD-VANTORA/") + made[0] + '/';
    QStringList expected;
    for (const QString &name : events)
        expected << name << DataName(name);
    expected.sort();
    EXPECT_EQ(FilesIn(target), expected);
    for (const QString &name : expected)
        EXPECT_TRUE(SameBytes(folder.Path() + name, target + name)) << name.toStdString();
    EXPECT_FALSE(p.Playback().IsPlaying());

    // A second export in the same minute finds the same files there and leaves them.
    p.Press(ids::kEvent);
    EXPECT_LE(ExportFolders(p).size(), 2);
    for (const QString &folderName : ExportFolders(p))
        EXPECT_EQ(FilesIn(p.desktop.path() + QStringLiteral("/HD-VANTORA/") + folderName),
                  expected);
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST_F(CopyDeleteTest, ExportWithoutEventRecordingsSays209)
{
    CTestPlayer p;
    p.Press(ids::kEvent);
    EXPECT_EQ(p.MessageIds(), QList<int>{209});
    EXPECT_TRUE(ExportFolders(p).isEmpty());
}

TEST_F(CopyDeleteTest, CopyIntoADesktopThatCannotBeWrittenReportsTheCount)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    // "HD-VANTORA" is a file: no export folder can be made below it.
    {
        QFile blocker(p.desktop.path() + QStringLiteral("/HD-VANTORA"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    Select(p, {0, 1});
    p.Press(ids::kCopy);
    ASSERT_EQ(p.MessageIds(), QList<int>{0});
    EXPECT_EQ(p.messages[0].text, QStringLiteral("4 files could not be copied."));
    EXPECT_EQ(FilesIn(p.desktop.path()), QStringList{QStringLiteral("HD-VANTORA")});
}

TEST_F(CopyDeleteTest, DeletingRowsAboveTheCurrentOneKeepsItPlaying)
{
    CClipFolder folder({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Post(9, 4);
    ASSERT_TRUE(p.WaitForTime());
    const QString playing = p.Playback().Engine().Path();
    ASSERT_EQ(playing, folder.Path() + folder.FileName(4));

    Select(p, {1, 3});
    p.Press(ids::kDelete);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("Do you want to delete 2 files?"));
    EXPECT_TRUE(p.messages.isEmpty());

    EXPECT_EQ(p.RecordingList()->RowCount(), 4);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 2);
    EXPECT_EQ(p.CaptionText(), folder.Stem(4) + QStringLiteral("(3/4)"));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 2);
    EXPECT_EQ(p.RecordingList()->GetCellText(2, 1), folder.Stem(4));
    // The same clip goes on playing.
    EXPECT_EQ(p.Playback().Engine().Path(), playing);
    EXPECT_TRUE(p.Playback().IsPlaying());
    ASSERT_TRUE(p.WaitForTime());
    for (int row : {1, 3}) {
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + folder.FileName(row)));
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + DataName(folder.FileName(row))));
    }
    for (int row : {0, 2, 4, 5}) {
        EXPECT_TRUE(QFileInfo::exists(folder.Path() + folder.FileName(row)));
        EXPECT_TRUE(QFileInfo::exists(folder.Path() + DataName(folder.FileName(row))));
    }
    // The name lists lost the two recordings as well.
    const int names = int(p.Catalogue().EventNames().size() + p.Catalogue().ParkingNames().size() +
                          p.Catalogue().NormalNames().size());
    EXPECT_EQ(names, 4);
}

TEST_F(CopyDeleteTest, AfterADescendingSortAndUnderTheEventFilterExactlyTheRowsFilesGo)
{
    CClipFolder folder({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    QStringList left;
    for (int i = 0; i < 6; ++i)
        left << folder.FileName(i);
    // Deletes the rows and checks that the recordings whose stems they showed went, clip and
    // drive data, and nothing else.
    const auto deleteRows = [&](const QList<int> &rows) {
        QStringList gone;
        for (int row : rows) {
            const QString stem = p.RecordingList()->GetCellText(row, 1);
            for (const QString &name : std::as_const(left))
                if (RecordingStem(name) == stem)
                    gone << name;
        }
        ASSERT_EQ(gone.size(), rows.size());
        Select(p, rows);
        p.Press(ids::kDelete);
        for (const QString &name : gone) {
            left.removeAll(name);
            EXPECT_FALSE(QFileInfo::exists(folder.Path() + name)) << name.toStdString();
            EXPECT_FALSE(QFileInfo::exists(folder.Path() + DataName(name))) << name.toStdString();
        }
        for (const QString &name : std::as_const(left)) {
            EXPECT_TRUE(QFileInfo::exists(folder.Path() + name)) << name.toStdString();
            EXPECT_TRUE(QFileInfo::exists(folder.Path() + DataName(name))) << name.toStdString();
        }
    };

    // Newest first: the second row is the fifth recording, the fifth row the second.
    p.RecordingList()->ColumnClicked(1);
    QCoreApplication::sendPostedEvents(&p);
    ASSERT_EQ(p.RecordingList()->GetCellText(0, 1), folder.Stem(5));
    ASSERT_EQ(p.RecordingList()->GetCellText(1, 1), folder.Stem(4));
    deleteRows({1, 4});
    EXPECT_EQ(p.RecordingList()->RowCount(), 4);

    // Event recordings only, still newest first: the row shown last.
    p.RecordingList()->ColumnClicked(0);
    QCoreApplication::sendPostedEvents(&p);
    ASSERT_EQ(p.Catalogue().KindFilterValue(), 1);
    const int events = p.RecordingList()->RowCount();
    ASSERT_GE(events, 1);
    deleteRows({events - 1});
    EXPECT_EQ(p.RecordingList()->RowCount(), events - 1);
    EXPECT_EQ(left.size(), 3);
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST_F(CopyDeleteTest, DeletingThePlayingRowPlaysTheNextAndTheLastRowStops)
{
    CClipFolder folder({0, 1, 2, 3});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Post(9, 2);
    ASSERT_TRUE(p.WaitForTime());

    // The playing row and a row above it.
    Select(p, {0, 2});
    p.Press(ids::kDelete);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("Do you want to delete 2 files?"));
    for (int row : {0, 2}) {
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + folder.FileName(row)));
        EXPECT_FALSE(QFileInfo::exists(folder.Path() + DataName(folder.FileName(row))));
    }
    EXPECT_EQ(p.RecordingList()->RowCount(), 2);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1);
    EXPECT_EQ(p.CaptionText(), folder.Stem(3) + QStringLiteral("(2/2)"));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 1);
    EXPECT_EQ(p.Playback().Engine().Path(), folder.Path() + folder.FileName(3));
    ASSERT_TRUE(p.WaitForTime()) << "the following recording does not play";
    EXPECT_TRUE(p.Playback().IsPlaying());

    // One row alone names its stem; now the current row is the last one.
    Select(p, {1});
    p.Press(ids::kDelete);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1], QStringLiteral("Do you want to delete\n") + folder.Stem(3) +
                            QStringLiteral(" file?"));
    EXPECT_EQ(p.RecordingList()->RowCount(), 1);
    EXPECT_FALSE(p.Playback().Engine().HasMedia());
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + folder.FileName(3)));
    EXPECT_TRUE(QFileInfo::exists(folder.Path() + folder.FileName(1)));
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST_F(CopyDeleteTest, NothingSelectedOrNoSaysSoAndPlaybackGoesOn)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kNo);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));

    Select(p, {});
    p.Press(ids::kDelete);
    EXPECT_EQ(p.MessageIds(), QList<int>{203});
    EXPECT_TRUE(asked.isEmpty());
    ASSERT_TRUE(p.WaitForTime()) << "playback did not go on after 203";
    EXPECT_TRUE(p.Playback().IsPlaying());

    Select(p, {0, 1});
    p.Press(ids::kDelete);
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(p.RecordingList()->RowCount(), 2);
    EXPECT_TRUE(QFileInfo::exists(folder.Path() + folder.FileName(0)));
    ASSERT_TRUE(p.WaitForTime()) << "playback did not go on after No";
}

TEST_F(CopyDeleteTest, AFileThatCannotBeDeletedIsReportedOnce)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    // The drive-data file of row 1 is a folder with something in it: it cannot go.
    const QString data = folder.Path() + DataName(folder.FileName(1));
    ASSERT_TRUE(QFile::remove(data));
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/inside")));

    Select(p, {0, 1});
    p.Press(ids::kDelete);
    ASSERT_EQ(p.MessageIds(), QList<int>{0});
    EXPECT_TRUE(p.messages[0].text.startsWith(QStringLiteral("1 files could not be deleted.")));
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder.Path() + folder.FileName(1)));
}

TEST_F(CopyDeleteTest, ANameThatIsNotUtf8OpensCopiesAndDeletes)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    const QByteArray base = QFile::encodeName(folder.Path());
    const QByteArray stem("20110523_1422\xff"
                          "3");
    for (const char *extension : {".avi", ".dat"}) {
        const QString from = folder.Path() + folder.FileName(0);
        const QByteArray source =
            QFile::encodeName(QString(extension) == ".avi" ? from : DriveDataPath(from));
        ASSERT_EQ(std::rename(source.constData(), (base + "rec_" + stem + extension).constData()),
                  0);
    }
    const QString clip = DecodeFileName(base + "rec_" + stem + ".avi");

    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path())) << "the clip did not play";
    EXPECT_TRUE(p.messages.isEmpty());
    EXPECT_EQ(p.Playback().Engine().Path(), clip);

    Select(p, {0});
    p.Press(ids::kCopy);
    EXPECT_TRUE(p.messages.isEmpty());
    const QStringList made = ExportFolders(p);
    ASSERT_EQ(made.size(), 1);
    const QByteArray target =
        QFile::encodeName(p.desktop.path() + QStringLiteral("/HD-VANTORA/") + made[0] + '/');
    for (const char *extension : {".avi", ".dat"}) {
        QFile original;
        QFile copy;
        ASSERT_TRUE(OpenFileForReading(original, DecodeFileName(base + "rec_" + stem + extension)));
        ASSERT_TRUE(OpenFileForReading(copy, DecodeFileName(target + "rec_" + stem + extension)))
            << extension;
        EXPECT_EQ(original.readAll(), copy.readAll());
    }

    Select(p, {0});
    p.Press(ids::kDelete);
    EXPECT_TRUE(p.messages.isEmpty());
    EXPECT_FALSE(FileExists(clip));
    EXPECT_FALSE(FileExists(DriveDataPath(clip)));
    EXPECT_TRUE(QDir(folder.Path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CopyDeleteTest, AFifoNamedLikeADriveDataFileHangsNeitherGraphRouteNorCopy)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    const QByteArray fifo = QFile::encodeName(folder.Path() + DataName(folder.FileName(1)));
    ASSERT_EQ(std::remove(fifo.constData()), 0);
    ASSERT_EQ(::mkfifo(fifo.constData(), 0666), 0);
    // Whatever waits on the FIFO is let go after a minute, so that the test ends (and fails).
    std::atomic<bool> done{false};
    std::atomic<bool> released{false};
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + kLong;
        while (!done) {
            if (std::chrono::steady_clock::now() > deadline) {
                const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0) {
                    released = true;
                    ::close(writer);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    CTestPlayer p;
    QStringList asked;
    Answer(p, asked, kYes);
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.messages.clear();
    p.Press(ids::kNext); // its drive data is no file: the graph says so
    EXPECT_EQ(p.MessageIds(), QList<int>{301});
    EXPECT_TRUE(WaitUntil([&] { return !p.Trip().Builder().IsBusy(); }, kLong));

    p.messages.clear();
    Select(p, {0, 1});
    p.Press(ids::kCopy);
    done = true;
    watchdog.join();
    EXPECT_FALSE(released);
    EXPECT_TRUE(p.messages.isEmpty());
    const QStringList made = ExportFolders(p);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(FilesIn(p.desktop.path() + QStringLiteral("/HD-VANTORA/") + made[0]).size(), 3);
}

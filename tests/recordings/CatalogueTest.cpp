#include "Catalogue.h"
#include "DriveUtils.h"
#include "NotificationCodes.h"

#include "RecordingsTestUtil.h"
#include "XListCtrl.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A catalogue on a real list control, with every hook recorded.
class CatalogueFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list.SetUpRecordingColumns();
        list.SetReceiver(&sink);
        list.resize(300, 500);
        catalogue.SetList(&list);
        QObject::connect(&catalogue, &CCatalogue::RowToOpen, [this](int row) {
            opened << row;
            catalogue.MakeCurrent(row);
        });
        QObject::connect(&catalogue, &CCatalogue::Emptied, [this] { ++cleared; });
        QObject::connect(&catalogue, &CCatalogue::TitleChanged,
                         [this](const QString &title) { titles << title; });
        QObject::connect(&catalogue, &CCatalogue::KindFilterChanged, [this] { ++readoutResets; });
    }

    // Creates a folder below the temporary one holding the given (empty) files.
    QString Folder(const QString &name, const QStringList &files)
    {
        const QString folder = dir.filePath(name);
        QDir().mkpath(folder);
        for (const QString &file : files)
            EXPECT_TRUE(WriteTestFile(folder + QLatin1Char('/') + file, "x"));
        return folder;
    }

    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < list.RowCount(); ++row)
            texts << list.GetCellText(row, column);
        return texts;
    }

    // Delivers the list's posted notifications to the catalogue, as the main window does.
    QList<int> Deliver()
    {
        QList<int> codes;
        for (auto posted = sink.Take(); !posted.isEmpty(); posted = sink.Take()) {
            for (const auto &[code, value] : posted) {
                codes << code;
                if (code == notify::kFilterHeader)
                    catalogue.CycleKindFilter();
                else if (code == notify::kResorted)
                    catalogue.RelocateCurrent();
            }
        }
        return codes;
    }

    QTemporaryDir dir;
    CNotificationSink sink;
    CXListCtrl list;
    CCatalogue catalogue;
    QList<int> opened;
    QStringList titles;
    QStringList drives;
    int cleared = 0;
    int readoutResets = 0;
};

const QStringList kCard = {
    "evt_20110523_142233.avi", "evt_20110523_142233.dat", "rec_20110523_142000.avi",
    "rec_20110523_142000.dat", "pmr_20110522_080000.avi", "pmr_20110522_080000.dat",
    "Setup/setup.bin",         "Evt_20110523_000000.avi", "rec_20110523_142000.avi.txt"};

} // namespace

TEST_F(CatalogueFixture, LoadListsAllKindsByNameAndOpensRowZero)
{
    const QString card = Folder("card", kCard);
    EXPECT_TRUE(catalogue.LoadFolder(card));

    EXPECT_EQ(catalogue.FolderPath(), card + QLatin1Char('/'));
    EXPECT_EQ(Column(0), (QStringList{"Parking", "Normal", "Event"}));
    EXPECT_EQ(Column(1), (QStringList{"20110522_080000", "20110523_142000", "20110523_142233"}));
    EXPECT_EQ(Column(2),
              (QStringList{"2011-05-22 08:00:00", "2011-05-23 14:20:00", "2011-05-23 14:22:33"}));
    EXPECT_EQ(opened, QList<int>{0});
    EXPECT_EQ(list.Header()->CaptionImageId(0), 3410);
    EXPECT_TRUE(list.Ascending());

    // The sort is announced; relocating then selects the current row and sets the title.
    EXPECT_EQ(Deliver(), QList<int>{11});
    EXPECT_EQ(list.GetSelectedRows().size(), 1);
    EXPECT_EQ(list.GetSelectedRows().first().row, 0);
    EXPECT_EQ(titles.last(), QStringLiteral("20110522_080000(1/3)"));
    EXPECT_EQ(catalogue.ClipPathAt(2), card + QStringLiteral("/evt_20110523_142233.avi"));
    EXPECT_EQ(catalogue.ClipPathAt(3), QString());
    EXPECT_EQ(cleared, 0);
}

TEST_F(CatalogueFixture, ScanKeepsDirectoryOrderPerKind)
{
    QStringList files;
    for (int i = 0; i < 40; ++i)
        files << QStringLiteral("%1_%2.avi")
                     .arg(i % 3 == 0   ? "evt"
                          : i % 3 == 1 ? "pmr"
                                       : "rec")
                     .arg((i * 7919) % 1000, 4, 10, QLatin1Char('0'));
    QString folder = Folder("many", files);
    ASSERT_TRUE(catalogue.ScanFolder(folder));
    EXPECT_TRUE(folder.endsWith(QLatin1Char('/')));

    QStringList expectedEvents;
    for (const auto &entry : std::filesystem::directory_iterator(folder.toStdString())) {
        const QString name = QString::fromStdString(entry.path().filename().string());
        if (name.startsWith(QLatin1String("evt_")))
            expectedEvents << name;
    }
    EXPECT_EQ(catalogue.EventNames(), expectedEvents);
    EXPECT_EQ(catalogue.EventNames().size() + catalogue.ParkingNames().size() +
                  catalogue.NormalNames().size(),
              40);
}

TEST_F(CatalogueFixture, FoldersWithoutClipsLoadEmptyWithoutAMessage)
{
    const QString card = Folder("card", kCard);
    ASSERT_TRUE(catalogue.LoadFolder(card));
    Deliver();
    opened.clear();

    const QString dataOnly = Folder("data", {"evt_1.dat", "rec_2.dat", "rec_3.AVI.dat"});
    const QString nested = Folder("nested", {"DCIM/evt_1.avi", "100/rec_2.avi"});
    const QString named = Folder("named", {});
    QDir().mkpath(named + QStringLiteral("/rec_1.avi"));
    QFile::link(named + QStringLiteral("/missing.avi"), named + QStringLiteral("/evt_2.avi"));
    // A camera writes no links or pipes: a link to a real clip or a FIFO is no recording.
    QFile::link(card + QStringLiteral("/") + kCard.first(), named + QStringLiteral("/pmr_3.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(named + QStringLiteral("/rec_4.avi")).constData(), 0666),
              0);
    const QString plainFile = dir.filePath(QStringLiteral("card/rec_20110523_142000.dat"));

    int expectedClears = 0;
    for (const QString &path :
         {dataOnly, nested, named, dir.filePath(QStringLiteral("gone")), plainFile, QString()}) {
        EXPECT_FALSE(catalogue.LoadFolder(path)) << path.toStdString();
        EXPECT_EQ(cleared, ++expectedClears);
        EXPECT_EQ(list.RowCount(), 0);
        EXPECT_TRUE(catalogue.IsEmpty());
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_TRUE(Deliver().isEmpty());
        EXPECT_EQ(catalogue.TitleText(), QString());
    }
    // The folder stays the last one that held recordings.
    EXPECT_EQ(catalogue.FolderPath(), card + QLatin1Char('/'));
}

TEST_F(CatalogueFixture, UnreadableFolderLoadsEmpty)
{
    const QString open = Folder("open", {"evt_1.avi"});
    const QString locked = Folder("locked", {"evt_1.avi"});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(locked, QFile::WriteOwner);

    if (geteuid() != 0) {
        EXPECT_FALSE(catalogue.LoadFolder(locked));
        EXPECT_EQ(list.RowCount(), 0);
    } else {
        // Permissions do not stop the superuser: scan as an ordinary user in a child process.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            CCatalogue scanner;
            QString openPath = open;
            QString lockedPath = locked;
            const bool openSeen = scanner.ScanFolder(openPath);
            const bool lockedSeen = scanner.ScanFolder(lockedPath);
            if (!openSeen)
                _exit(2); // the temporary folder itself is out of reach
            _exit(!lockedSeen && scanner.IsEmpty() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 2)
            GTEST_SKIP() << "the temporary folder is not reachable for an ordinary user";
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(CatalogueFixture, NonAsciiNamesKeepTheirRealPaths)
{
    const QString card =
        Folder("카드 복사본", {"evt_20110523_한글 클립.avi", "rec_rec_1.avi", "pmr_1.AVI"});
    ASSERT_TRUE(catalogue.LoadFolder(card));
    EXPECT_EQ(Column(1), (QStringList{"1", "20110523_한글 클립", "rec_1"}));
    for (int row = 0; row < list.RowCount(); ++row) {
        const QString path = catalogue.ClipPathAt(row);
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        EXPECT_TRUE(path.startsWith(card + QLatin1Char('/')));
    }
}

TEST_F(CatalogueFixture, FilterCyclesThroughTheKindsAndBack)
{
    const QString card = Folder("card", kCard);
    ASSERT_TRUE(catalogue.LoadFolder(card));
    Deliver();
    opened.clear();

    const struct
    {
        int filter;
        int caption;
        QStringList kinds;
    } steps[] = {{1, 3416, {"Event"}},
                 {2, 3415, {"Parking"}},
                 {3, 3414, {"Normal"}},
                 {0, 3410, {"Parking", "Normal", "Event"}}};
    for (const auto &step : steps) {
        list.SetAscending(false); // a user sort in between does not stick
        list.ColumnClicked(0);
        EXPECT_EQ(Deliver(), (QList<int>{10, 11}));
        EXPECT_EQ(catalogue.KindFilterValue(), step.filter);
        EXPECT_EQ(list.Header()->CaptionImageId(0), step.caption);
        EXPECT_EQ(Column(0), step.kinds);
        EXPECT_EQ(list.GetSelectedRows().first().row, 0);
    }
    EXPECT_EQ(opened, (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(readoutResets, 4);
    EXPECT_EQ(titles.last(), QStringLiteral("20110522_080000(1/3)"));
}

TEST_F(CatalogueFixture, FilterOnAnEmptyCatalogueOpensRowZeroOfNothing)
{
    catalogue.CycleKindFilter();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(opened, QList<int>{0});
    EXPECT_TRUE(Deliver().isEmpty());
    EXPECT_TRUE(titles.isEmpty());
}

TEST_F(CatalogueFixture, EqualStemsAreBothListedInKindOrder)
{
    const QString card = Folder("card", {"rec_1.avi", "pmr_1.avi", "evt_1.avi", "rec_0.avi"});
    ASSERT_TRUE(catalogue.LoadFolder(card));
    EXPECT_EQ(Column(0), (QStringList{"Normal", "Event", "Parking", "Normal"}));
    Deliver();

    // The current recording is followed by its file, not just its stem.
    catalogue.MakeCurrent(3);
    list.SetAscending(true);
    list.SortByColumn(0, true);
    Deliver();
    EXPECT_EQ(list.RowFileName(catalogue.CurrentIndex()), QStringLiteral("rec_1.avi"));
    EXPECT_EQ(list.GetSelectedRows().first().row, catalogue.CurrentIndex());
}

TEST_F(CatalogueFixture, CurrentRowFollowsAUserSort)
{
    QStringList files;
    for (int i = 0; i < 25; ++i)
        files << QStringLiteral("rec_201105%1_000000.avi").arg(i + 1, 2, 10, QLatin1Char('0'));
    const QString card = Folder("card", files);
    ASSERT_TRUE(catalogue.LoadFolder(card));
    Deliver();
    catalogue.MakeCurrent(2);
    EXPECT_EQ(titles.last(), QStringLiteral("20110503_000000(3/25)"));

    // Date head clicked: descending.
    list.ColumnClicked(2);
    EXPECT_EQ(Deliver(), QList<int>{11});
    EXPECT_EQ(catalogue.CurrentIndex(), 22);
    EXPECT_EQ(catalogue.CurrentStem(), QStringLiteral("20110503_000000"));
    ASSERT_EQ(list.GetSelectedRows().size(), 1);
    EXPECT_EQ(list.GetSelectedRows().first().row, 22);
    EXPECT_EQ(titles.last(), QStringLiteral("20110503_000000(23/25)"));
}

TEST_F(CatalogueFixture, RemoveNameTakesTheFirstExactMatchOfItsKind)
{
    const QString card = Folder("card", {"evt_1.avi", "rec_1.avi", "rec_2.avi"});
    ASSERT_TRUE(catalogue.LoadFolder(card));
    const QString folder = catalogue.FolderPath();

    catalogue.RemoveName(RecordingKind::Normal, folder + QStringLiteral("evt_1.avi"));
    EXPECT_EQ(catalogue.EventNames(), QStringList{"evt_1.avi"});
    catalogue.RemoveName(RecordingKind::Normal, folder + QStringLiteral("REC_1.avi"));
    EXPECT_EQ(catalogue.NormalNames().size(), 2);
    catalogue.RemoveName(RecordingKind::Normal, folder + QStringLiteral("rec_1.avi"));
    EXPECT_EQ(catalogue.NormalNames(), QStringList{"rec_2.avi"});
    catalogue.RemoveName(RecordingKind::Event, QStringLiteral("evt_1.avi"));
    EXPECT_TRUE(catalogue.EventNames().isEmpty());
}

TEST_F(CatalogueFixture, AutoLoadTakesTheFirstDriveWithRecordings)
{
    const QString empty = Folder("empty", {"readme.txt"});
    const QString first = Folder("first", {"rec_1.avi"});
    const QString second = Folder("second", {"evt_2.avi"});
    drives = {dir.filePath(QStringLiteral("gone/")), empty + QLatin1Char('/'),
              first + QLatin1Char('/'), second + QLatin1Char('/')};
    EXPECT_TRUE(catalogue.AutoLoadCard(drives));
    EXPECT_EQ(catalogue.FolderPath(), first + QLatin1Char('/'));
    EXPECT_EQ(Column(1), QStringList{"1"});
    // It opens nothing itself; the sort is announced.
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(Deliver(), QList<int>{11});
    EXPECT_EQ(titles.last(), QStringLiteral("1(1/1)"));
}

TEST_F(CatalogueFixture, AutoLoadWithoutRecordingsAnnouncesNothing)
{
    drives = {Folder("empty", {}) + QLatin1Char('/')};
    EXPECT_FALSE(catalogue.AutoLoadCard(drives));
    drives.clear();
    EXPECT_FALSE(catalogue.AutoLoadCard(drives));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(Deliver().isEmpty());
}

TEST_F(CatalogueFixture, AutoLoadFindsCardsNamedInTheEnvironment)
{
    const QString card = Folder("card", kCard);
    const QByteArray saved = qgetenv("RX9_EXTRA_DRIVES");
    qputenv("RX9_EXTRA_DRIVES", (Folder("blank", {}) + QLatin1Char(':') + card).toUtf8());
    EXPECT_TRUE(catalogue.AutoLoadCard(RemovableDriveRoots()));
    EXPECT_EQ(catalogue.FolderPath(), card + QLatin1Char('/'));
    EXPECT_EQ(list.RowCount(), 3);
    if (saved.isNull())
        qunsetenv("RX9_EXTRA_DRIVES");
    else
        qputenv("RX9_EXTRA_DRIVES", saved);
}

TEST_F(CatalogueFixture, LoadResetsTheKindFilter)
{
    const QString card = Folder("card", kCard);
    ASSERT_TRUE(catalogue.LoadFolder(card));
    catalogue.CycleKindFilter();
    catalogue.CycleKindFilter();
    ASSERT_EQ(catalogue.KindFilterValue(), 2);
    ASSERT_TRUE(catalogue.LoadFolder(card));
    EXPECT_EQ(catalogue.KindFilterValue(), 0);
    EXPECT_EQ(list.Header()->CaptionImageId(0), 3410);
    EXPECT_EQ(list.RowCount(), 3);
}

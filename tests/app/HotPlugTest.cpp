// The player following the mounts, against the real mount table: cards of demo clips are bind
// mounted (as root) over an empty folder that stands for the card reader, and unmounted again as
// a pulled card is. The tests skip where mounting is not allowed.

#include "CopyRules.h"
#include "DataParser.h"
#include "DlgCopy.h"
#include "DlgDisk.h"
#include "DlgOption.h"
#include "HtmlMap.h"
#include "PlayerTestSupport.h"
#include "TestSupport.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QTimer>

#include <gtest/gtest.h>

#include <semaphore>

namespace {

constexpr int kCardInfoMessage = 210;
constexpr int kYes = 6;
constexpr auto kLong = std::chrono::seconds(60);
const QString kRemovedText = QStringLiteral("The card was removed.");

class HotPlugTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
        ASSERT_TRUE(reader.isValid() && otherReader.isValid());
        qputenv("RX9_EXTRA_DRIVES", (reader.path() + u':' + otherReader.path()).toLocal8Bit());
    }
    void TearDown() override { qunsetenv("RX9_EXTRA_DRIVES"); }

    QString ReaderRoot() const { return reader.path() + QLatin1Char('/'); }

    static QStringList Texts(const CTestPlayer &p)
    {
        QStringList texts;
        for (const CTestPlayer::Message &message : p.messages)
            texts << message.text;
        return texts;
    }

    // The player started as at start-up, without a card.
    static void Start(CTestPlayer &p)
    {
        p.RunStartSequence();
        ASSERT_TRUE(p.IsFollowingMounts());
        ASSERT_EQ(p.RecordingList()->RowCount(), 0);
        ASSERT_TRUE(p.messages.isEmpty());
    }

    QTemporaryDir reader;      // the card reader's empty folder
    QTemporaryDir otherReader; // a second one
};

} // namespace

TEST_F(HotPlugTest, ACardPutInLoadsAndPlaysAndPulledOutClearsThePlayerOnce)
{
    CClipFolder card({0, 1, 2}, true);
    ASSERT_TRUE(card.ok());
    CTestPlayer p;
    Start(p);

    CTestMount mount = CTestMount::Bind(card.Path(), reader.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    // Loaded as at start: the list, the card notice, the first row playing.
    ASSERT_TRUE(WaitUntil([&] { return p.RecordingList()->RowCount() == 3; }, kLong));
    EXPECT_EQ(p.Catalogue().FolderPath(), ReaderRoot());
    EXPECT_EQ(p.MessageIds(), QList<int>{kCardInfoMessage});
    ASSERT_TRUE(p.WaitForTime()) << "the card's first clip does not play";
    EXPECT_EQ(p.CaptionText(), card.Stem(0) + QStringLiteral("(1/3)"));
    EXPECT_TRUE(p.SensorGraph()->IsLoaded());

    // Pulled out: nothing plays, the list, title, read-outs, graph and map are clear, and the
    // window says so.
    p.messages.clear();
    ASSERT_TRUE(mount.Unmount());
    ASSERT_TRUE(WaitUntil([&] { return !p.messages.isEmpty(); }, kLong));
    EXPECT_EQ(Texts(p), QStringList{kRemovedText});
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
    EXPECT_TRUE(p.CaptionText().isEmpty());
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.LengthText(), QStringLiteral("00:00"));
    EXPECT_FALSE(p.SensorGraph()->IsLoaded());
    EXPECT_EQ(p.MapView()->LastLongitude(), CLastFix().LongitudeText());
    EXPECT_TRUE(p.Catalogue().FolderPath().isEmpty());
    EXPECT_FALSE(p.LoadedFolder());

    // Put in again: loaded again; the removal was said once.
    CTestMount again = CTestMount::Bind(card.Path(), reader.path());
    ASSERT_TRUE(again.ok()) << again.Error().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return p.RecordingList()->RowCount() == 3; }, kLong));
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_EQ(p.MessageIds(), (QList<int>{copymsg::kOwnText, kCardInfoMessage}));

    // A second card while one is loaded changes nothing.
    CClipFolder second({3});
    ASSERT_TRUE(second.ok());
    CTestMount other = CTestMount::Bind(second.Path(), otherReader.path());
    ASSERT_TRUE(other.ok()) << other.Error().toStdString();
    p.CheckMounts();
    EXPECT_EQ(p.Catalogue().FolderPath(), ReaderRoot());
    EXPECT_EQ(p.RecordingList()->RowCount(), 3);
    EXPECT_EQ(p.messages.size(), 2);
}

TEST_F(HotPlugTest, AClipEndingAfterItsCardWentDoesNotGoOnToTheNextRow)
{
    // Not following the mounts (no start sequence): the end of the clip is the first to know.
    CClipFolder card({0, 1});
    ASSERT_TRUE(card.ok());
    CTestPlayer p;
    CTestMount mount = CTestMount::Bind(card.Path(), reader.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    ASSERT_TRUE(p.LoadAndPlay(ReaderRoot()));
    ASSERT_TRUE(mount.Unmount());
    ASSERT_TRUE(WaitUntil([&] { return !p.messages.isEmpty(); }, kLong));
    EXPECT_EQ(Texts(p), QStringList{kRemovedText});
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
}

TEST_F(HotPlugTest, ACopyRunningWhenTheCardGoesEndsWithItsFailureCount)
{
    CClipFolder card({0, 1, 2}, true);
    ASSERT_TRUE(card.ok());
    CTestPlayer p;
    Start(p);
    CTestMount mount = CTestMount::Bind(card.Path(), reader.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return p.RecordingList()->RowCount() == 3; }, kLong));
    ASSERT_TRUE(p.WaitForTime());
    p.messages.clear();

    // Two recordings, four files; the card goes once the first file is copied.
    QItemSelectionModel *selection = p.RecordingList()->selectionModel();
    selection->clear();
    for (int row : {0, 1})
        selection->select(p.RecordingList()->Model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    p.askQuestion = [](const QString &) { return kYes; };
    std::binary_semaphore reached(0);
    std::binary_semaphore goOn(0);
    int queued = 0;
    bool held = false;
    bool letGo = false;
    p.copyStarting = [&](CDlgCopy &dialog) {
        queued = int(dialog.Job().Pairs().size());
        dialog.Job().pairFinished = [&](int index) {
            if (index == 0) {
                reached.release();
                goOn.acquire();
            }
        };
        // Nothing in here may return early: the worker must always be let go.
        QTimer::singleShot(0, &dialog, [&] {
            held = WaitUntil([&] { return reached.try_acquire(); }, kLong);
            mount.Unmount();
            letGo = WaitUntil([&] { return !p.messages.isEmpty(); }, kLong);
            goOn.release();
        });
    };
    p.Press(ids::kCopy);
    ASSERT_TRUE(held);
    ASSERT_TRUE(letGo);
    ASSERT_EQ(queued, 4);
    EXPECT_EQ(Texts(p), (QStringList{kRemovedText, NotCopiedText(3)}));
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
    const QStringList folders = QDir(p.desktop.path() + QStringLiteral("/HD-VANTORA"))
                                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 1);
    EXPECT_EQ(QDir(p.desktop.path() + QStringLiteral("/HD-VANTORA/") + folders.first())
                  .entryList(QDir::Files | QDir::Hidden),
              QStringList{card.FileName(0)});
}

TEST_F(HotPlugTest, AReadOnlyCardPlaysAndRefusesTheDelete)
{
    CClipFolder card({0, 1}, true);
    ASSERT_TRUE(card.ok());
    CTestPlayer p;
    Start(p);
    CTestMount mount = CTestMount::Bind(card.Path(), reader.path(), true);
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return p.RecordingList()->RowCount() == 2; }, kLong));
    ASSERT_TRUE(p.WaitForTime()) << "a read-only card does not play";

    p.messages.clear();
    p.askQuestion = [](const QString &) { return kYes; };
    p.RecordingList()->SelectOnly(1);
    p.Press(ids::kDelete);
    EXPECT_EQ(Texts(p), QStringList{NotDeletedText(2)});
    EXPECT_TRUE(QFileInfo::exists(ReaderRoot() + card.FileName(1)));
}

TEST_F(HotPlugTest, TheOpenCardDialogShowsACardThatComesAndKeepsItsSelection)
{
    CTestPlayer p;
    Start(p);
    bool opened = false;
    bool refreshed = false;
    int readerRow = -1;
    int selectedAfter = -2;
    QString mountError;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CDlgDisk *dialog = p.findChild<CDlgDisk *>();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        opened = true;
        readerRow = int(dialog->Roots().indexOf(ReaderRoot()));
        const int otherRow = int(dialog->Roots().indexOf(otherReader.path() + u'/'));
        dialog->List()->SelectOnly(readerRow);
        const CTestMount mount = CTestMount::Tmpfs(otherReader.path(), QStringLiteral("8m"));
        mountError = mount.Error();
        if (mount.ok()) {
            // A small volume in the other reader: its row shows its size.
            refreshed = WaitUntil(
                [&] { return dialog->List()->GetCellText(otherRow, 1) == u"8.00MB"; }, kLong);
            selectedAfter = dialog->List()->FirstSelectedRow();
        }
        dialog->done(2);
    });
    poll.start();
    p.Press(ids::kCard);
    poll.stop();
    ASSERT_TRUE(opened);
    if (!mountError.isEmpty())
        GTEST_SKIP() << mountError.toStdString();
    ASSERT_GE(readerRow, 0);
    EXPECT_TRUE(refreshed);
    EXPECT_EQ(selectedAfter, readerRow);
}

TEST_F(HotPlugTest, TheOptionsDialogOfAPulledCardClosesWithoutWriting)
{
    CClipFolder card({0}, true);
    ASSERT_TRUE(card.ok());
    CTestPlayer p;
    Start(p);
    CTestMount mount = CTestMount::Bind(card.Path(), reader.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return p.RecordingList()->RowCount() == 1; }, kLong));
    p.messages.clear();

    bool opened = false;
    bool closedByItself = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<CDlgOption *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        opened = true;
        mount.Unmount();
        closedByItself = WaitUntil([&] { return !dialog->isVisible(); }, kLong);
        if (!closedByItself)
            dialog->done(CDlgOption::kCancelledResult);
    });
    poll.start();
    p.Press(ids::kOption);
    poll.stop();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(closedByItself);
    EXPECT_EQ(Texts(p), QStringList{kRemovedText}); // no "not saved" notice after it
}

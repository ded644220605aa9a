// Choosing the card from the main window: the SD button and the menu's "Select the Drive" open
// the card dialog over the removable cards, and the chosen card loads and plays.

#include "DlgDisk.h"
#include "PlayerLayout.h"
#include "PlayerTestSupport.h"
#include "SkinButton.h"
#include "TestSupport.h"
#include "XListCtrl.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kSelectDriveCommand = 32792;

// What the dialog showed when it came up.
struct DialogSeen
{
    bool opened = false;
    QStringList roots;
    int rows = -1;
    int preselected = -2;
};

// Runs `open` (which runs the card dialog modally); once the dialog is on the screen, records
// what it lists and lets `act` answer it. The dialog is always ended, so a failing check never
// leaves the test waiting.
DialogSeen RunCardDialog(CTestPlayer &player, const std::function<void()> &open,
                         const std::function<void(CDlgDisk &)> &act)
{
    DialogSeen seen;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CDlgDisk *dialog = player.findChild<CDlgDisk *>();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        seen.opened = true;
        seen.roots = dialog->Roots();
        seen.rows = dialog->List()->RowCount();
        seen.preselected = dialog->List()->FirstSelectedRow();
        act(*dialog);
        QTimer::singleShot(5000, dialog, [dialog] { dialog->done(2); });
    });
    poll.start();
    open();
    poll.stop();
    return seen;
}

class CardChoiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    }
    void TearDown() override { qunsetenv("RX9_EXTRA_DRIVES"); }
};

} // namespace

TEST_F(CardChoiceTest, SdButtonAndMenuListTheCardsAndLoadTheChosenOne)
{
    CClipFolder first({0, 1, 2, 3, 4, 5}, true);
    CClipFolder second({3});
    ASSERT_TRUE(first.ok() && second.ok());
    qputenv("RX9_EXTRA_DRIVES", (first.Path() + QLatin1Char(':') + second.Path()).toLocal8Bit());
    CTestPlayer p;

    // The SD button: both cards listed, none shown yet so none selected; the first chosen with
    // a click on OK.
    DialogSeen seen = RunCardDialog(
        p, [&] { p.Press(ids::kCard); },
        [&](CDlgDisk &dialog) {
            dialog.List()->SelectOnly(int(dialog.Roots().indexOf(first.Path())));
            QTest::mouseClick(dialog.Button(CDlgDisk::kOkId), Qt::LeftButton);
        });
    ASSERT_TRUE(seen.opened);
    ASSERT_TRUE(seen.roots.contains(first.Path())) << seen.roots.join(u' ').toStdString();
    ASSERT_TRUE(seen.roots.contains(second.Path()));
    EXPECT_LT(seen.roots.indexOf(first.Path()), seen.roots.indexOf(second.Path()));
    EXPECT_EQ(seen.rows, seen.roots.size());
    EXPECT_EQ(seen.preselected, -1);

    EXPECT_EQ(p.Catalogue().FolderPath(), first.Path());
    EXPECT_EQ(p.RecordingList()->RowCount(), 6);
    ASSERT_TRUE(p.WaitForTime()) << "the first clip of the chosen card does not play";
    EXPECT_EQ(p.CaptionText(), first.Stem(0) + QStringLiteral("(1/6)"));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 0);

    // The menu: the card shown now is selected; Enter on the other row takes that one.
    p.times.clear();
    seen = RunCardDialog(
        p, [&] { p.OnCommand(kSelectDriveCommand); },
        [&](CDlgDisk &dialog) {
            dialog.List()->SelectOnly(int(dialog.Roots().indexOf(second.Path())));
            QTest::keyClick(dialog.List(), Qt::Key_Return);
        });
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.preselected, seen.roots.indexOf(first.Path()));
    EXPECT_EQ(p.Catalogue().FolderPath(), second.Path());
    EXPECT_EQ(p.RecordingList()->RowCount(), 1);
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_EQ(p.CaptionText(), second.Stem(0) + QStringLiteral("(1/1)"));

    // Cancel keeps the card that is shown.
    seen = RunCardDialog(
        p, [&] { p.Press(ids::kCard); },
        [&](CDlgDisk &dialog) {
            dialog.List()->SelectOnly(int(dialog.Roots().indexOf(first.Path())));
            QTest::mouseClick(dialog.Button(CDlgDisk::kCancelId), Qt::LeftButton);
        });
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.preselected, seen.roots.indexOf(second.Path()));
    EXPECT_EQ(p.Catalogue().FolderPath(), second.Path());
    EXPECT_EQ(p.RecordingList()->RowCount(), 1);
}

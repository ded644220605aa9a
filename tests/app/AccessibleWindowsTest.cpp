// Every window of the player as assistive technology sees it through Qt's own interfaces.

#include "AccessibleControls.h"
#include "CardFormat.h"
#include "DlgAdjustment.h"
#include "DlgCopy.h"
#include "DlgDisk.h"
#include "DlgFormat.h"
#include "DlgMessage.h"
#include "DlgOption.h"
#include "DropListWnd.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SkinRadioButton.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {
struct NoAdjust : CPictureAdjustOwner
{
    void SetBrightness(float) override {}
    void SetContrast(float) override {}
};
} // namespace

TEST(AccessibleWindows, EveryControlHasARoleANameAndItsState)
{
    CRX9VantoraPCPlayerDlg main(nullptr, {QStringLiteral("--aout=dummy")});
    main.show();
    QCoreApplication::processEvents();
    // The buttons shown, the two speed units, the video, graph, list, map and volume.
    EXPECT_GE(ExpectAccessibleControls(&main), 2 + 5 + 10);
    main.Radio(1075)->SetChecked(false);
    main.Radio(1076)->SetChecked(true);
    ExpectAccessibleControls(&main);
    QAccessibleInterface *speeds = QAccessible::queryAccessibleInterface(main.SpeedList());
    ASSERT_EQ(speeds->childCount(), 5);
    EXPECT_EQ(speeds->child(2)->text(QAccessible::Name), QStringLiteral("0.8x"));

    CDlgOption option;
    option.show();
    EXPECT_GT(ExpectAccessibleControls(&option), 13);
    for (int type : {kMessageOk, kMessageYesNo, kMessageFormatChoice}) {
        CDlgMessage message;
        message.SetType(type);
        message.show();
        EXPECT_GT(ExpectAccessibleControls(&message), 0) << type;
    }
    NoAdjust owner;
    CDlgAdjustment adjustment(&owner);
    adjustment.show();
    EXPECT_EQ(ExpectAccessibleControls(&adjustment), 4);
    CDlgCopy copy;
    copy.show();
    EXPECT_GT(ExpectAccessibleControls(&copy), 0);
    CDlgDisk disk;
    disk.SetDriveSource([] { return QStringList(); });
    disk.show();
    EXPECT_GT(ExpectAccessibleControls(&disk), 0);
    CZeroFill fill;
    CDlgFormat format(fill, [] { return -1; });
    format.show();
    ExpectAccessibleControls(&format);
}

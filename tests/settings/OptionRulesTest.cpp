#include "OptionRules.h"

#include <gtest/gtest.h>

namespace {

// A record a card may hold although the options dialog never writes it: deletion by file type
// and the shock alarm on, with shock sensing and parking mode both off.
CameraSettings OffButByFileTypeWithAlarm()
{
    CameraSettings r;
    r.fwMajor = 2;
    r.fwMinor = 3;
    r.timeZone = 10;
    r.driveShockSensitivity = 0;
    r.parkingMode = 0;
    r.shockAlarm = 1;
    r.deletionMethod = 0;
    r.ratioNormal = 50;
    r.ratioEvent = 50;
    return r;
}

} // namespace

TEST(OptionRules, RefusedClicksLeaveTheMarksOfTheLoadedRecord)
{
    COptionRules rules;
    rules.Load(OffButByFileTypeWithAlarm());
    ASSERT_TRUE(rules.IsChecked(1065));
    ASSERT_TRUE(rules.IsChecked(1061));

    // Clicking the mark already checked is refused and undone: it stays checked, as the record
    // the dialog would save still says.
    EXPECT_EQ(rules.Click(1065), 294);
    EXPECT_TRUE(rules.IsChecked(1065));
    EXPECT_FALSE(rules.IsChecked(1062));
    EXPECT_EQ(rules.Record().deletionMethod, 0);

    EXPECT_EQ(rules.Click(1061), 506);
    EXPECT_TRUE(rules.IsChecked(1061));
    EXPECT_FALSE(rules.IsChecked(1060));
    EXPECT_EQ(rules.Record().shockAlarm, 1);

    // Once the record says otherwise, the refused mark is cleared again.
    EXPECT_EQ(rules.Click(1060), 0);
    EXPECT_EQ(rules.Click(1061), 506);
    EXPECT_FALSE(rules.IsChecked(1061));
    EXPECT_TRUE(rules.IsChecked(1060));
    EXPECT_EQ(rules.Click(1062), 0);
    EXPECT_EQ(rules.Click(1065), 294);
    EXPECT_FALSE(rules.IsChecked(1065));
    EXPECT_TRUE(rules.IsChecked(1062));
    EXPECT_EQ(rules.Record().deletionMethod, 1);
}

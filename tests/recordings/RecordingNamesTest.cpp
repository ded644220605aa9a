#include "RecordingNames.h"

#include <gtest/gtest.h>

TEST(RecordingNames, CameraNamesOfEveryKindRoundTrip)
{
    const struct
    {
        const char *name;
        RecordingKind kind;
        const char *kindName;
    } cases[] = {{"rec_20110523_142233.avi", RecordingKind::Normal, "Normal"},
                 {"evt_20110523_142233.avi", RecordingKind::Event, "Event"},
                 {"pmr_20110523_142233.avi", RecordingKind::Parking, "Parking"}};
    for (const auto &c : cases) {
        const QString name = QString::fromLatin1(c.name);
        const auto entry = MakeRecordingEntry(name);
        ASSERT_TRUE(entry) << c.name;
        EXPECT_EQ(entry->kind, c.kind);
        EXPECT_EQ(entry->fileName, name);
        EXPECT_EQ(entry->stem, QStringLiteral("20110523_142233"));
        EXPECT_EQ(entry->dateText, QStringLiteral("2011-05-23 14:22:33"));
        EXPECT_EQ(RecordingKindName(c.kind), QLatin1String(c.kindName));
        EXPECT_EQ(RecordingFileName(QLatin1String(c.kindName), entry->stem), name);
    }
}

TEST(RecordingNames, ExtensionCaseIsIgnoredButPrefixCaseIsNot)
{
    EXPECT_EQ(ClassifyRecordingName(QStringLiteral("evt_20110523_142233.AVI")),
              RecordingKind::Event);
    EXPECT_EQ(ClassifyRecordingName(QStringLiteral("pmr_1.Avi")), RecordingKind::Parking);
    for (const char *rejected :
         {"Evt_20110523_142233.avi", "EVT_20110523_142233.avi", "xevt_20110523_142233.avi",
          " evt_1.avi", "evt_20110523_142233.mp4", "evt_1.avi.dat", "evt_1.avi.bak", "evt_1avi",
          "rec_1", "", ".avi", "Setup"})
        EXPECT_FALSE(ClassifyRecordingName(QString::fromLatin1(rejected))) << rejected;
}

TEST(RecordingNames, StemKeepsEnoughToRebuildTheRealName)
{
    // A repeated prefix stays in the stem: "rec_1" rebuilt would name another recording.
    EXPECT_EQ(RecordingStem(QStringLiteral("rec_rec_1.avi")), QStringLiteral("rec_1"));
    EXPECT_EQ(RecordingFileName(QStringLiteral("Normal"), QStringLiteral("rec_1")),
              QStringLiteral("rec_rec_1.avi"));
    EXPECT_EQ(RecordingStem(QStringLiteral("evt_rec_1.avi")), QStringLiteral("rec_1"));
    // Only the extension goes, not ".avi" inside the name.
    EXPECT_EQ(RecordingStem(QStringLiteral("evt_a.avi.avi")), QStringLiteral("a.avi"));
    // An upper-case extension does not show in the name column.
    EXPECT_EQ(RecordingStem(QStringLiteral("evt_20110523_142233.AVI")),
              QStringLiteral("20110523_142233"));
    EXPECT_EQ(RecordingStem(QStringLiteral("evt_.avi")), QString());
}

TEST(RecordingNames, DateTextInsertionsClampToTheEnd)
{
    EXPECT_EQ(RecordingDateText(QStringLiteral("1")), QStringLiteral("1--::"));
    EXPECT_EQ(RecordingDateText(QString()), QStringLiteral("--::"));
    EXPECT_EQ(RecordingDateText(QStringLiteral("20110523")), QStringLiteral("2011-05-23::"));
    EXPECT_EQ(RecordingDateText(QStringLiteral("20110523_1422")),
              QStringLiteral("2011-05-23 14:22:"));
    // Every "_" becomes a space before the insertions.
    EXPECT_EQ(RecordingDateText(QStringLiteral("a_b_c")), QStringLiteral("a b -c-::"));
}

TEST(RecordingNames, RebuildFromUnknownKindNamesHasNoPrefix)
{
    EXPECT_EQ(RecordingFileName(QStringLiteral("Other"), QStringLiteral("x y")),
              QStringLiteral("x_y.avi"));
    // Kind names are matched with exact case.
    EXPECT_EQ(RecordingFileName(QStringLiteral("event"), QStringLiteral("1")),
              QStringLiteral("1.avi"));
    EXPECT_EQ(RecordingFileName(QString(), QString()), QStringLiteral(".avi"));
    EXPECT_FALSE(RecordingKindFromName(QStringLiteral("EVENT")));
    EXPECT_EQ(RecordingKindFromName(QStringLiteral("Parking")), RecordingKind::Parking);
}

TEST(RecordingNames, DriveDataPathChangesOnlyTheClipsExtension)
{
    EXPECT_EQ(DriveDataPath(QStringLiteral("/media/CAM/evt_20110523_142233.avi")),
              QStringLiteral("/media/CAM/evt_20110523_142233.dat"));
    EXPECT_EQ(DriveDataPath(QStringLiteral("/home/u/trip.avi/rec_1.avi")),
              QStringLiteral("/home/u/trip.avi/rec_1.dat"));
    EXPECT_EQ(DriveDataPath(QStringLiteral("/card/evt_1.AVI")), QStringLiteral("/card/evt_1.dat"));
    EXPECT_EQ(DriveDataPath(QStringLiteral("/card/evt_1.Avi")), QStringLiteral("/card/evt_1.dat"));
    // A file that is not a clip has no drive-data file (never the file itself).
    EXPECT_EQ(DriveDataPath(QStringLiteral("/card/evt_1.mp4")), QString());
    EXPECT_EQ(DriveDataPath(QStringLiteral("/card/evt_1.dat")), QString());
}

TEST(RecordingNames, ExportFoldersLieBelowTheDesktopRoot)
{
    const QDateTime when(QDate(2011, 5, 3), QTime(4, 2, 59));
    EXPECT_EQ(ExportFolder(QStringLiteral("/home/u/Desktop"), ExportKind::Copy, when),
              QStringLiteral("/home/u/Desktop/HD-VANTORA/20110503_0402/"));
    EXPECT_EQ(ExportFolder(QStringLiteral("/home/u/Desktop/"), ExportKind::Events, when),
              QStringLiteral("/home/u/Desktop/HD-VANTORA/Event 20110503_0402/"));
    EXPECT_EQ(ExportFolder(QStringLiteral("/home/u/바탕 화면"), ExportKind::Capture, when),
              QStringLiteral("/home/u/바탕 화면/HD-VANTORA/Capture/"));
    EXPECT_EQ(ExportFolder(QStringLiteral("/"), ExportKind::Capture, when),
              QStringLiteral("/HD-VANTORA/Capture/"));
    // Two exports within one minute share their folder.
    EXPECT_EQ(ExportFolder(QStringLiteral("/d"), ExportKind::Copy, when),
              ExportFolder(QStringLiteral("/d"), ExportKind::Copy, when.addSecs(-59)));
}

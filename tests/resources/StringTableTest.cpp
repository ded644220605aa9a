#include "StringTable.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct KnownText
{
    int id;
    const char *text; // UTF-8, line breaks as real line breaks
};

// Every string id with the text the player must show, copied independently of strings.tsv.
const KnownText kTexts[] = {
    {101, "RX-9 Vantora PC Player 정보(&A)..."},
    {102, "Fail to save the changed setting \nparameters to SD card."},
    {103, "/_mapapi/vantora/map_google_america.html"},
    {120, "Contrast"},
    {121, "Brightness"},
    {130, "Selete SD Card"},
    {131, "You must select one SD Card"},
    {132, "If formatting, all of your data stored in SD \nCard will be erased. It is highly "
          "recommemded \nfor you to backup your data before formatting.\nRecovery (low format) "
          "will take more time \n(approx, 10 minuers for 4G Memory card)\nthan Normal Format."},
    {133, "Format complete."},
    {134, "Format failed"},
    {135, "Formatting: %d%% is under progressing."},
    {136, "Please do not remove SD Card until formatting is completed"},
    {140, "It will be saved in HD-VANTORA folder at Desktop."},
    {141, "If you want to stop, press ESC button."},
    {200, "It was saved in HD-VANTORA folder \nat Desktop"},
    {201, "There is no item to capture."},
    {202, "Select the SD card drive or root folder and press OK button."},
    {203, "There is no item to delete."},
    {204, "Do you want to delete\n%s file?"},
    {205, "Do you want to delete %d files?"},
    {206, "There is no item to copy."},
    {207, "Do you want to copy %d files? \nIt will be saved in HD-VANTORA \nfolder at Desktop"},
    {208, "Do you want to copy\n%s file? It will be saved \nin HD-VANTORA folder at Desktop"},
    {209, "There is no Eventfile."},
    {210, "FW Version :%d.%d\nViewer Version %s\nFile Deletion Method : %s"},
    {211, "Deletion by Time Order"},
    {212, "Deletion by File Type"},
    {213, "Km"},
    {214, "Mile"},
    {250, "Recording Quality"},
    {251, "FULL HD (1080P)"},
    {252, "HD (720P)"},
    {253, "D1 (480P)"},
    {254, "24fps"},
    {255, "30fps"},
    {256, "15fps"},
    {257, "Shock-Sensitivity while Driving"},
    {258, "OFF"},
    {259, "Insensitive"},
    {260, "Normal"},
    {261, "Sensitive"},
    {262, "Parking Mode"},
    {263, "ON"},
    {264, "OFF"},
    {265, "Shock & Motion Sensing"},
    {266, "Shock-Sensing"},
    {267, "Shock Sensitivity while Parking"},
    {268, "Insensitive"},
    {269, "Normal"},
    {270, "Sensitive"},
    {271, "Brightness Adjustment"},
    {272, "Standard"},
    {273, "Bright"},
    {278, "Motion Sensitivity Setting"},
    {279, "Insensitive"},
    {280, "Normal"},
    {281, "Sensitive"},
    {283, "Shock-Sensing Alarm"},
    {284, "OFF"},
    {285, "ON"},
    {286, "Time Zone"},
    {287, "Firmware Version"},
    {288, "RX-9 FW Ver %d.%d"},
    {289, "1.0.0"},
    {290, "File Deletion Method"},
    {292, "Deletion by File Type"},
    {293, "Deletion by Time Order"},
    {294, "Unable to use because both Shock-Sensing \nand Parking Mode while Driving are set to "
          "OFF"},
    {295, "Normal : %d%%"},
    {296, "Event : %d%%"},
    {297, "Parking : %d%%"},
    {298, "Driving Mode"},
    {299, "Parking Mode"},
    {300, "General"},
    {301, "Damaged Data File! Unable to display GPS Data and Sensor Value."},
    {302, "Wrong Video File Type to play."},
    {400, "Previous"},
    {401, "Backward"},
    {402, "Play"},
    {403, "Pause"},
    {404, "Forward"},
    {405, "Next"},
    {406, "Brightness Adjustment"},
    {407, "Night Vision ON"},
    {408, "Night Vision OFF"},
    {409, "Rotate"},
    {410, "Capture"},
    {411, "Play Speed Adjustment"},
    {412, "Open SD Card"},
    {413, "Open Folder"},
    {414, "Copy"},
    {415, "Copy Eventfiles"},
    {416, "Delete"},
    {417, "Option"},
    {418, "Map On"},
    {419, "Map OFF"},
    {421, "Mute"},
    {422, "Vol On"},
    {423, "List On"},
    {424, "List Off"},
    {500, "Display Speed"},
    {501, "ON"},
    {502, "OFF"},
    {503, "Since File Storage Ratio has been changed, \nthe files over the Storage Ratio may be "
          "deleted."},
    {504, "Parking Files will be deleted first \nas Parking Mode is set to OFF."},
    {505, "Event Files will be deleted first \nas Event Sensing is set to OFF."},
    {506, "Uable to use becase Shock-Sensing Mode \nwhile Driving is set to OFF"},
};

} // namespace

TEST(StringTable, HoldsEveryTextExactly)
{
    for (const KnownText &q : kTexts) {
        SCOPED_TRACE(q.id);
        EXPECT_TRUE(HasResString(q.id));
        EXPECT_EQ(LoadResString(q.id), QString::fromUtf8(q.text));
    }
}

TEST(StringTable, HoldsNoIdBeyondTheKnownOnes)
{
    QSet<int> known;
    for (const KnownText &q : kTexts)
        known.insert(q.id);
    for (int id : ResStringIds())
        EXPECT_TRUE(known.contains(id)) << "unexpected id " << id;
    EXPECT_EQ(ResStringIds().size(), known.size());
}

TEST(StringTable, CompiledTableIsSoundAndSorted)
{
    EXPECT_TRUE(ResStringTableErrors().isEmpty())
        << qPrintable(ResStringTableErrors().join(QLatin1Char('\n')));
    const QList<int> ids = ResStringIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(QSet<int>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(StringTable, LineBreaksBecomeRealLineBreaks)
{
    EXPECT_EQ(LoadResString(132).split(QLatin1Char('\n')).size(), 6);
    EXPECT_EQ(LoadResString(204).split(QLatin1Char('\n')),
              QStringList({QStringLiteral("Do you want to delete"), QStringLiteral("%s file?")}));
    for (int id : ResStringIds()) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(LoadResString(id).contains(QLatin1String("\\n")));
        EXPECT_FALSE(LoadResString(id).contains(QLatin1Char('\t')));
    }
    // The trailing space before a break is part of the text.
    EXPECT_TRUE(LoadResString(207).startsWith(QStringLiteral("Do you want to copy %d files? \n")));
}

TEST(StringTable, KoreanTextSurvives)
{
    const QString about = LoadResString(101);
    EXPECT_TRUE(about.contains(QStringView(u"\uC815\uBCF4"))); // 정보
    EXPECT_EQ(about.size(), 32);
    EXPECT_EQ(about.toUtf8(), QByteArray("RX-9 Vantora PC Player \xEC\xA0\x95\xEB\xB3\xB4(&A)..."));
}

TEST(StringTable, CardNoticeComposesFromItsStrings)
{
    const QString notice =
        QString::asprintf(LoadResString(210).toUtf8().constData(), 1, 12,
                          qUtf8Printable(LoadResString(289)), qUtf8Printable(LoadResString(211)));
    EXPECT_EQ(notice, QStringLiteral("FW Version :1.12\nViewer Version 1.0.0\n"
                                     "File Deletion Method : Deletion by Time Order"));
    EXPECT_EQ(QString::asprintf(LoadResString(135).toUtf8().constData(), 42),
              QStringLiteral("Formatting: 42% is under progressing."));
}

TEST(StringTable, UnescapeTurnsBackslashNIntoLineBreaksOnly)
{
    EXPECT_EQ(UnescapeResString(u"a\\nb"), QStringLiteral("a\nb"));
    EXPECT_EQ(UnescapeResString(u"Setup\\"), QStringLiteral("Setup\\"));
    EXPECT_EQ(UnescapeResString(u"x\\ty"), QStringLiteral("x\\ty"));
    EXPECT_EQ(UnescapeResString(u"end\\n"), QStringLiteral("end\n"));
    EXPECT_EQ(UnescapeResString(u"a\\\\nb"), QStringLiteral("a\\\nb"));
}

TEST(StringTable, UnknownIdsAreEmpty)
{
    EXPECT_TRUE(LoadResString(0).isEmpty());
    EXPECT_FALSE(HasResString(0));
    EXPECT_TRUE(LoadResString(-5).isEmpty());
    EXPECT_FALSE(HasResString(420)); // the tooltip range has a gap here
    EXPECT_FALSE(HasResString(999999));
}

TEST(StringTableParser, DuplicateIdKeepsTheFirstTextAndIsReported)
{
    const ResStringTable t = ParseResStringTable(u"# header\n5\tfirst\n7\tx\n5\tsecond\n");
    EXPECT_EQ(t.texts.value(5), QStringLiteral("first"));
    EXPECT_EQ(t.ids, QList<int>({5, 7}));
    ASSERT_EQ(t.errors.size(), 1);
    EXPECT_TRUE(t.errors.first().contains(QStringLiteral("line 4")));
    EXPECT_TRUE(t.errors.first().contains(QStringLiteral("id 5")));
}

TEST(StringTableParser, ReportsOutOfOrderAndMalformedLines)
{
    const ResStringTable t =
        ParseResStringTable(u"9\tnine\n3\tthree\nno tab here\nx\ttext\n0\tzero\n\t\n");
    EXPECT_EQ(t.ids, QList<int>({3, 9}));
    ASSERT_EQ(t.errors.size(), 5);
    EXPECT_TRUE(t.errors[0].contains(QStringLiteral("out of order")));
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(t.errors[i].contains(QStringLiteral("line %1").arg(i + 2)));
}

TEST(StringTableParser, KeepsSpacesTabsAndEmptyTextsAndAcceptsCrLf)
{
    const ResStringTable t = ParseResStringTable(u"1\t lead and trail \r\n2\t\r\n3\ta\tb\n\n");
    EXPECT_TRUE(t.errors.isEmpty());
    EXPECT_EQ(t.texts.value(1), QStringLiteral(" lead and trail "));
    EXPECT_TRUE(t.texts.contains(2));
    EXPECT_TRUE(t.texts.value(2).isEmpty());
    EXPECT_EQ(t.texts.value(3), QStringLiteral("a\tb"));
}

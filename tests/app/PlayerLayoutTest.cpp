#include "PlayerLayout.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Picture sizes as a finished skin might have them.
SkinMetrics sampleSkin()
{
    SkinMetrics skin;
    skin.speedItem = QSize(80, 30);
    skin.listToggle = QSize(10, 60);
    skin.soundButton = QSize(26, 26);
    skin.digit = QSize(17, 24);
    skin.minuteSeparatorWidth = 8;
    skin.positionSeparatorWidth = 12;
    skin.speedPanel = QSize(120, 34);
    skin.gpsIndicator = QSize(30, 20);
    return skin;
}

const QSize kClient(1600, 900);

} // namespace

TEST(PlayerLayout, FullHdClientWithListAndMap)
{
    const SkinMetrics skin = sampleSkin();
    const MainLayout l = ComputeMainLayout(kClient, PanelFlags{}, skin);
    EXPECT_EQ(l.video, RectLtrb(10, 40, 1280, 900 - 20 - 55));
    ASSERT_TRUE(l.list.has_value());
    EXPECT_EQ(*l.list, QRect(1290, 10, 300, 505));
    EXPECT_EQ(l.map, QRect(1290, 545, 300, 300));

    EXPECT_EQ(l.speedPanel, RectLtrb(1160, 6, 1280, 40));
    EXPECT_EQ(l.gpsIndicator, RectLtrb(1130, 6, 1160, 40));
    EXPECT_EQ(l.speedText, RectLtrb(1160, 9, 1235, 40));

    EXPECT_EQ(l.buttons.at(ids::kListOff), QRect(1280, 420, 10, 60));
    EXPECT_EQ(l.buttons.at(ids::kListOn), l.buttons.at(ids::kListOff));
    EXPECT_EQ(l.buttons.at(ids::kVolOff), QRect(1280 - 26 - 103, 857, 26, 26));
    EXPECT_EQ(l.buttons.at(ids::kPrev), QRect(10, 855, 50, 35));
    EXPECT_EQ(l.buttons.at(ids::kPause), l.buttons.at(ids::kPlay));
    EXPECT_EQ(l.buttons.at(ids::kSpeed), QRect(470, 855, 50, 35));
    EXPECT_EQ(l.buttons.at(ids::kCard), QRect(1290, 855, 50, 35));
    EXPECT_EQ(l.buttons.at(ids::kOption), QRect(1540, 855, 50, 35));
    EXPECT_EQ(l.buttons.at(ids::kDelete).x(), 1390);
    EXPECT_EQ(l.radios.at(ids::kUnitKm), QRect(1300, 523, 15, 15));
    EXPECT_EQ(l.radios.at(ids::kUnitMile), QRect(1380, 523, 15, 15));
    EXPECT_EQ(l.buttons.at(ids::kMapOff), QRect(1572, 521, 18, 18));
    EXPECT_EQ(l.kmLabel, RectLtrb(1325, 523, 1353, 538));
    EXPECT_EQ(l.mileLabel, RectLtrb(1400, 523, 1428, 538));

    EXPECT_EQ(l.graph, QRect(10, 825, 1270, 25));
    EXPECT_EQ(l.volume, QRect(1177, 865, 103, 30));
}

TEST(PlayerLayout, HidingTheMapLengthensTheListAndMovesTheToggleDown)
{
    PanelFlags flags;
    flags.mapShown = false;
    const MainLayout l = ComputeMainLayout(kClient, flags, sampleSkin());
    EXPECT_EQ(l.list->height(), 812);
    EXPECT_EQ(l.buttons.at(ids::kMapOn), QRect(1572, 827, 18, 18));
    EXPECT_TRUE(l.radios.empty()) << "the unit buttons are placed only with the map";
}

TEST(PlayerLayout, HiddenListGivesTheVideoTheWidth)
{
    PanelFlags flags;
    flags.listShown = false;
    flags.listHidden = true;
    const MainLayout l = ComputeMainLayout(kClient, flags, sampleSkin());
    EXPECT_EQ(l.video.right() + 1, 1590);
    EXPECT_FALSE(l.list.has_value());
    for (int id : kPanelButtons)
        EXPECT_EQ(l.buttons.count(id), 0u) << id;
    EXPECT_EQ(l.buttons.count(ids::kMapOn), 0u);
    EXPECT_EQ(l.buttons.at(ids::kListOn).x(), 1590);
}

TEST(PlayerLayout, TimeReadoutCellsFollowEachOther)
{
    const MainLayout l = ComputeMainLayout(kClient, PanelFlags{}, sampleSkin());
    const std::array<int, 11> widths = {17, 17, 8, 17, 17, 12, 17, 17, 8, 17, 17};
    int x = 10;
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_EQ(l.timeCells[i], QRect(x, 900 - 50 - 24, widths[i], 24)) << i;
        x += widths[i];
    }
    EXPECT_EQ(l.timeReadout, RectLtrb(10, 826, x, 850));

    const std::array<int, 11> images = TimeCellImages({0, 1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(images, (std::array<int, 11>{3303, 3304, 3313, 3305, 3306, 3314, 3307, 3308, 3313,
                                           3309, 3310}));
    EXPECT_EQ(TimeCellImages({9, 12, -1, 0, 0, 0, 0, 0})[1], 3303) << "a wrong digit shows 0";
}

TEST(PlayerLayout, EmptySkinStillLaysOut)
{
    const MainLayout l = ComputeMainLayout(kClient, PanelFlags{}, SkinMetrics{});
    EXPECT_EQ(l.video, RectLtrb(10, 40, 1280, 845));
    EXPECT_TRUE(l.speedPanel.isEmpty());
    EXPECT_TRUE(l.timeReadout.isEmpty());
    EXPECT_EQ(l.timeReadout.left(), 10);
    EXPECT_EQ(l.buttons.at(ids::kListOff).size(), QSize(0, 0));
    EXPECT_EQ(l.buttons.at(ids::kPrev), QRect(10, 855, 50, 35));
    EXPECT_EQ(SpeedListSize(SkinMetrics{}.speedItem), QSize(2, 6));
}

TEST(PlayerLayout, TinyClientStillLaysOut)
{
    const MainLayout l = ComputeMainLayout(QSize(0, 0), PanelFlags{}, sampleSkin());
    // Qt treats these as empty: a zero-sized window shows nothing rather than failing.
    EXPECT_TRUE(l.video.isEmpty());
    EXPECT_TRUE(l.list->isEmpty());
}

TEST(SizeModes, ClipSizesByClass)
{
    EXPECT_EQ(ClipDisplaySize(0, 1920, 1080), QSize(960, 540));
    EXPECT_EQ(ClipDisplaySize(1, 1280, 720), QSize(768, 432));
    EXPECT_EQ(ClipDisplaySize(1, 1281, 721), QSize(768, 432)) << "truncated";
    EXPECT_EQ(ClipDisplaySize(2, 640, 480), QSize(640, 480));
}

TEST(SizeModes, WindowSizesForAFullHdClip)
{
    const int frame = 40;
    EXPECT_EQ(ModeOneWindowSize(0, 1920, 1080, true, frame), QSize(1290, 540 + frame + 130));
    EXPECT_EQ(ModeOneWindowSize(0, 1920, 1080, false, frame), QSize(980, 540 + frame + 130));
    EXPECT_EQ(ModeTwoWindowSize(1920, 1080, true, frame), QSize(2250, 1080 + frame + 130));
    EXPECT_FALSE(FitsWorkArea(QSize(2250, 1250), QSize(1920, 1040)));
    EXPECT_TRUE(FitsWorkArea(QSize(1000, 700), QSize(1920, 1040)));
    EXPECT_FALSE(FitsWorkArea(QSize(1920, 700), QSize(1920, 1040))) << "strictly smaller";
}

TEST(SizeModes, MinimumSizeFollowsThePanelAndTheClip)
{
    EXPECT_EQ(MinimumWindowSize(false, true, 0, 1920, 1080, 40), QSize(1110, 600));
    EXPECT_EQ(MinimumWindowSize(false, false, 0, 1920, 1080, 40), QSize(800, 600));
    EXPECT_EQ(MinimumWindowSize(true, true, 0, 1920, 1080, 40), QSize(1290, 710));
    EXPECT_EQ(MinimumWindowSize(true, false, 2, 640, 480, 40), QSize(660, 650));
}

TEST(MainButtons, TableAndTooltipOrderCoverEveryButtonOnce)
{
    std::set<int> ids;
    for (const ButtonInfo &info : MainButtons())
        ids.insert(info.id);
    EXPECT_EQ(ids.size(), 24u);
    EXPECT_EQ(*ids.begin(), 1001);
    EXPECT_EQ(*ids.rbegin(), 1024);
    const std::set<int> ordered(TooltipOrder().begin(), TooltipOrder().end());
    EXPECT_EQ(ordered, ids);
    EXPECT_EQ(FindButtonInfo(1012)->image, 3142);
    EXPECT_FALSE(FindButtonInfo(1012 + 13)) << "1025 is no button";
}

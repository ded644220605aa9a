#include "DataParser.h"
#include "DlgMessage.h"
#include "DropListWnd.h"
#include "HtmlMap.h"
#include "NotificationCodes.h"
#include "PlayWnd.h"
#include "PlayerCommands.h"
#include "PlayerTestSupport.h"
#include "PlayerTrip.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SizeKeys.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QKeyEvent>
#include <QMap>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The main window with its start-sequence steps recorded instead of run, and its messages
// recorded.
class Player : public CRX9VantoraPCPlayerDlg
{
public:
    std::vector<std::string> calls;
    QList<int> messages;
    int rows = 0;
    bool clipOpen = false;
    QString cardFolder;

    Player()
    {
        showMessage = [this](int id, const QString &) { messages << id; };
    }

    int ListRowCount() const override { return rows; }
    bool IsClipOpen() const override { return clipOpen; }
    // A clip of this size is open (the minimum size follows it).
    void OpenClipOfSize(int width, int height)
    {
        clipOpen = true;
        State().videoWidth = width;
        State().videoHeight = height;
        UpdateMinimumSize();
    }
    using CRX9VantoraPCPlayerDlg::HandleKey;

protected:
    void AttachEngine() override { calls.push_back("AttachEngine"); }
    void AutoLoadCard() override
    {
        calls.push_back("AutoLoadCard");
        Catalogue().SetFolderPath(cardFolder);
    }
    void ShowCardInfo() override { calls.push_back("ShowCardInfo"); }
    void OpenRecordingAt(int row) override
    {
        calls.push_back("OpenRecordingAt " + std::to_string(row) +
                        (IsMaximisedFlag() ? " maximised" : ""));
    }
};

// A shown main window with a 1600 x 900 client area, not maximised.
struct ShownPlayer
{
    Player player;
    ShownPlayer()
    {
        player.show();
        player.ResizeClient(QSize(1600, 900));
        QCoreApplication::processEvents();
    }
    void post(int code, qint64 value)
    {
        PostUserMessage(&player, code, value);
        QCoreApplication::sendPostedEvents(&player);
    }
};

} // namespace

TEST(MainWindow, ChildrenTakeTheirLayoutPlaces)
{
    ShownPlayer shown;
    Player &p = shown.player;
    ASSERT_EQ(p.ClientSize(), QSize(1600, 900));
    const MainLayout expected = ComputeMainLayout(QSize(1600, 900), PanelFlags{}, p.Metrics());
    EXPECT_EQ(p.PlayWnd()->geometry(), expected.video);
    EXPECT_EQ(p.PlayWnd()->geometry().topLeft(), QPoint(10, 40));
    EXPECT_EQ(p.RecordingList()->geometry(), QRect(1290, 10, 300, 505));
    EXPECT_EQ(p.MapView()->geometry(), QRect(1290, 545, 300, 300));
    EXPECT_EQ(p.SensorGraph()->geometry(), expected.graph);
    EXPECT_EQ(p.VolumeSlider()->geometry(), expected.volume);
    for (const auto &[id, rect] : expected.buttons)
        EXPECT_EQ(p.Button(id)->geometry(), rect) << id;
    EXPECT_EQ(p.Radio(ids::kUnitKm)->geometry(), QRect(1300, 523, 15, 15));
    EXPECT_EQ(p.SpeedList()->size(), SpeedListSize(p.Metrics().speedItem));
}

TEST(MainWindow, InitialVisibilityAndState)
{
    ShownPlayer shown;
    Player &p = shown.player;
    for (const ButtonInfo &info : MainButtons()) {
        const bool hidden = std::find(kInitiallyHidden.begin(), kInitiallyHidden.end(), info.id) !=
                            kInitiallyHidden.end();
        EXPECT_EQ(p.Button(info.id)->isHidden(), hidden) << info.name;
        EXPECT_FALSE(p.Button(info.id)->accessibleName().isEmpty()) << info.name;
    }
    EXPECT_TRUE(p.Radio(ids::kUnitKm)->IsChecked());
    EXPECT_FALSE(p.Radio(ids::kUnitMile)->IsChecked());
    EXPECT_TRUE(p.SpeedList()->isHidden());
    EXPECT_FALSE(p.RecordingList()->isHidden());
    EXPECT_FALSE(p.MapView()->isHidden());
    EXPECT_EQ(p.VolumeSlider()->Pos(), 50);
    EXPECT_EQ(p.State().listShown, 1);
    EXPECT_EQ(p.State().mapShown, 1);
    EXPECT_EQ(p.State().videoWidth, 1920);
    EXPECT_EQ(p.State().speedText, QStringLiteral("0"));
    EXPECT_EQ(p.State().layoutReady, 1);
}

TEST(MainWindow, TooltipsCarryTheButtonTexts)
{
    ShownPlayer shown;
    EXPECT_EQ(shown.player.Button(ids::kPrev)->toolTip(), QStringLiteral("Previous"));
    EXPECT_EQ(shown.player.Button(ids::kSpeed)->toolTip(), QStringLiteral("Play Speed Adjustment"));
    EXPECT_EQ(shown.player.Button(ids::kListOff)->toolTip(), QStringLiteral("List Off"));
    EXPECT_EQ(shown.player.Button(ids::kVolOff)->toolTip(), QStringLiteral("Mute"));
}

TEST(MainWindow, ListOffNarrowsAndListOnWidensAgain)
{
    ShownPlayer shown;
    Player &p = shown.player;
    const int width = p.width();
    shown.post(1, ids::kListOff);
    EXPECT_EQ(p.width(), width - 310);
    EXPECT_TRUE(p.RecordingList()->isHidden());
    EXPECT_TRUE(p.MapView()->isHidden());
    EXPECT_TRUE(p.Button(ids::kListOff)->isHidden());
    EXPECT_FALSE(p.Button(ids::kListOn)->isHidden());
    for (int id : kPanelButtons)
        EXPECT_TRUE(p.Button(id)->isHidden()) << id;
    EXPECT_EQ(p.State().listShown, 0);
    EXPECT_EQ(p.State().listHidden, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.PlayWnd()->geometry().right() + 1, p.ClientSize().width() - 10);

    shown.post(1, ids::kListOn);
    EXPECT_EQ(p.width(), width);
    EXPECT_FALSE(p.RecordingList()->isHidden());
    EXPECT_FALSE(p.MapView()->isHidden());
    EXPECT_FALSE(p.Button(ids::kMapOff)->isHidden());
    EXPECT_TRUE(p.Button(ids::kMapOn)->isHidden());
    for (int id : kPanelButtons)
        EXPECT_FALSE(p.Button(id)->isHidden()) << id;
}

TEST(MainWindow, MapOffLengthensTheListAndOfferMapOn)
{
    ShownPlayer shown;
    Player &p = shown.player;
    shown.post(1, ids::kMapOff);
    EXPECT_EQ(p.State().mapShown, 0);
    EXPECT_TRUE(p.MapView()->isHidden());
    EXPECT_FALSE(p.Button(ids::kMapOn)->isHidden());
    EXPECT_TRUE(p.Radio(ids::kUnitKm)->isHidden());
    EXPECT_EQ(p.RecordingList()->height(), 900 - 88);
    EXPECT_EQ(p.Button(ids::kMapOn)->geometry().topLeft(), QPoint(1572, 827));

    shown.post(1, ids::kMapOn);
    EXPECT_EQ(p.State().mapShown, 1);
    EXPECT_FALSE(p.MapView()->isHidden());
    EXPECT_EQ(p.RecordingList()->height(), 505);
}

TEST(MainWindow, MinimumSizeWithTheListHidden)
{
    ShownPlayer shown;
    Player &p = shown.player;
    EXPECT_EQ(p.minimumSize(), QSize(1110, 600));
    shown.post(1, ids::kListOff);
    EXPECT_EQ(p.minimumSize(), QSize(800, 600));
    p.resize(300, 200);
    EXPECT_EQ(p.size(), QSize(800, 600));
}

TEST(MainWindow, ListOnAfterListOffAtTheMinimumGivesTheSameWidthBack)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.rows = 1;
    p.OpenClipOfSize(320, 240);
    QTest::keyClick(p.PlayWnd(), Qt::Key_1);
    ASSERT_EQ(p.width(), 320 + 330);
    const QSize sized = p.size();

    shown.post(1, ids::kListOff);
    EXPECT_EQ(p.width(), 320 + 20);
    shown.post(1, ids::kListOn);
    EXPECT_EQ(p.size(), sized);
    EXPECT_EQ(p.MinimumTrackSize(), sized);
    // The list shown again takes the panel's place, not more.
    EXPECT_EQ(p.RecordingList()->geometry().left(), p.ClientSize().width() - 310);
}

TEST(MainWindow, ALargerMinimumDoesNotGrowTheWindowButLimitsShrinking)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.rows = 1;
    p.OpenClipOfSize(320, 240);
    QTest::keyClick(p.PlayWnd(), Qt::Key_1);
    const QSize small = p.size();
    ASSERT_EQ(small.width(), 320 + 330);

    // The next clip is a full-HD one: its mode 1 size is 960 + 330 wide.
    p.OpenClipOfSize(1920, 1080);
    QCoreApplication::processEvents();
    const QMargins m = p.NonClientMargins();
    EXPECT_EQ(p.MinimumTrackSize(), QSize(960 + 330, 540 + m.top() + m.bottom() + 130));
    EXPECT_EQ(p.size(), small);
    // The window cannot be made smaller than it is while below the minimum...
    p.resize(small - QSize(100, 100));
    EXPECT_EQ(p.size(), small);
    // ...and, once larger than the minimum, not smaller than the minimum.
    p.resize(1600, 1000);
    EXPECT_EQ(p.size(), QSize(1600, 1000));
    p.resize(300, 200);
    EXPECT_EQ(p.size(), p.MinimumTrackSize());

    // A smaller clip lowers the limit again.
    p.OpenClipOfSize(320, 240);
    p.resize(300, 200);
    EXPECT_EQ(p.size(), small);
}

// The same under a window manager, which applies the minimum size as it likes and sizes
// windows in its own time (ctest runs these under Xvfb and openbox).
TEST(MainWindowUnderWindowManager, PanelAndClipChangesKeepTheWindowsSize)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs X11 with a window manager (the test MainWindowUnderWindowManager)";
    Player p;
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    const auto widthBecomes = [&](int width) {
        return WaitUntil([&] { return p.width() == width; }, std::chrono::seconds(20));
    };
    p.rows = 1;
    p.OpenClipOfSize(320, 240);
    QTest::keyClick(p.PlayWnd(), Qt::Key_1);
    ASSERT_TRUE(widthBecomes(320 + 330)) << p.width();
    const int height = p.height();

    PostUserMessage(&p, 1, ids::kListOff);
    ASSERT_TRUE(widthBecomes(320 + 20)) << p.width();
    PostUserMessage(&p, 1, ids::kListOn);
    ASSERT_TRUE(WaitUntil([&] { return p.width() != 320 + 20; }, std::chrono::seconds(20)));
    // A later resize of our own shows where the window settled first.
    p.resize(p.width() + 10, height);
    EXPECT_TRUE(widthBecomes(320 + 330 + 10)) << p.width();

    // A larger clip: the window stays as it is and still takes a size of the user's.
    p.OpenClipOfSize(1920, 1080);
    p.resize(700, height);
    EXPECT_TRUE(widthBecomes(700)) << p.width();
    // Made larger than the minimum, it stops there when made smaller.
    p.resize(1500, 900);
    ASSERT_TRUE(widthBecomes(1500)) << p.width();
    p.resize(300, 200);
    EXPECT_TRUE(
        WaitUntil([&] { return p.size() == p.MinimumTrackSize(); }, std::chrono::seconds(20)))
        << p.width() << " x " << p.height();
}

TEST(MainWindowUnderWindowManager, ThePlayerPlaysWithTheMapWithoutAGraphicsDriver)
{
    // Without a graphics card, an OpenGL driver is a software rasteriser with a compiler of
    // some 50 MB: the whole player, map included, draws without one.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs X11 with a window manager (the test MainWindowUnderWindowManager)";
    ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    CClipFolder card({0});
    QTemporaryDir home;
    const QString log = home.filePath(QStringLiteral("playback.log"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : {std::pair{"HOME", home.path()},
                                      {"RX9_EXTRA_DRIVES", QDir::cleanPath(card.Path())},
                                      {"RX9_ENGINE_ARGS", QStringLiteral("--aout=dummy")},
                                      {"RX9_PLAYER_SETTINGS", home.filePath("player.ini")},
                                      {"RX9_PLAYBACK_LOG", log},
                                      {"QT_LOGGING_RULES", QStringLiteral("rx9.map.info=true")}})
        environment.insert(QLatin1String(name), value);
    QProcess player;
    player.setProcessEnvironment(environment);
    player.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray output;
    QObject::connect(&player, &QProcess::readyRead, [&] { output += player.readAll(); });
    player.start(BinDir() + QStringLiteral("/rx9player"), {});
    ASSERT_TRUE(player.waitForStarted());
    // Its first picture shown, and the map's page loaded beside it.
    const bool shown = WaitUntil(
        [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(" shown");
        },
        std::chrono::seconds(60));
    const bool mapLoaded =
        WaitUntil([&] { return output.contains("map page loaded"); }, std::chrono::seconds(60));
    QFile maps(QStringLiteral("/proc/%1/maps").arg(player.processId()));
    const QByteArray mapped = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
    player.kill();
    player.waitForFinished();
    ASSERT_TRUE(shown && !mapped.isEmpty());
    EXPECT_TRUE(mapLoaded) << output.right(2000).toStdString();
    EXPECT_FALSE(mapped.contains("_dri.so"));
    EXPECT_FALSE(mapped.contains("libLLVM"));
}

TEST(MainWindowUnderWindowManager, TheCardNoticeAtStartOpensInTheMiddleOfTheScreen)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs X11 with a window manager (the test MainWindowUnderWindowManager)";
    ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    CClipFolder card({0}, true);
    ASSERT_TRUE(card.ok());
    CRX9VantoraPCPlayerDlg player(nullptr, {QStringLiteral("--aout=dummy")});
    player.systemInfoSource = [] { return SystemInfo{4, 8ull << 30}; };
    player.SetStartFolder(QDir::cleanPath(card.Path()));
    // The notice as the window manager shows it, before the main window is shown.
    QRect shown;
    bool playerShown = true;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *box = qobject_cast<CDlgMessage *>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed())
            return;
        shown = box->frameGeometry();
        playerShown = player.isVisible();
        box->done(1);
    });
    watch.start();
    player.RunStartSequence();
    watch.stop();
    ASSERT_FALSE(shown.isNull()) << "no card notice";
    EXPECT_FALSE(playerShown);
    const QRect area = player.screen()->availableGeometry();
    EXPECT_LE((shown.center() - area.center()).manhattanLength(), 4)
        << shown.x() << "," << shown.y() << " " << shown.width() << " x " << shown.height()
        << " on " << area.width() << " x " << area.height();
}

TEST(MainWindow, SizeKeysDoNothingWithoutRows)
{
    ShownPlayer shown;
    Player &p = shown.player;
    const QSize size = p.size();
    for (int key : {Qt::Key_1, Qt::Key_2, Qt::Key_3}) {
        QTest::keyClick(p.RecordingList(), static_cast<Qt::Key>(key));
        QCoreApplication::processEvents();
        EXPECT_EQ(p.size(), size);
        EXPECT_FALSE(p.IsMaximisedFlag());
    }
}

TEST(MainWindow, SizeModeOneFitsTheWindowToTheClip)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.rows = 3;
    QTest::keyClick(p.PlayWnd(), Qt::Key_1);
    const QMargins m = p.NonClientMargins();
    EXPECT_EQ(p.size(), QSize(960 + 330, 540 + m.top() + m.bottom() + 130));
    EXPECT_FALSE(p.IsMaximisedFlag());
}

TEST(MainWindow, SizeModeThreeWithTheMapOffShowsThePanelWithMapOn)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.rows = 1;
    shown.post(1, ids::kMapOff);
    shown.post(1, ids::kListOff);
    ASSERT_TRUE(p.RecordingList()->isHidden());
    QTest::keyClick(p.PlayWnd(), Qt::Key_3);
    EXPECT_TRUE(p.IsMaximisedFlag());
    EXPECT_FALSE(p.RecordingList()->isHidden());
    EXPECT_FALSE(p.Button(ids::kMapOn)->isHidden());
    EXPECT_TRUE(p.Button(ids::kMapOff)->isHidden());
    EXPECT_TRUE(p.MapView()->isHidden());
    // The panel's buttons stand at their places in the panel.
    QCoreApplication::processEvents();
    const int W = p.ClientSize().width();
    EXPECT_EQ(p.Button(ids::kCard)->x(), W - 310);
    EXPECT_EQ(p.Button(ids::kMapOn)->x(), W - 28);
}

TEST(MainWindow, EscapeAndEnterDoNotCloseIt)
{
    ShownPlayer shown;
    Player &p = shown.player;
    QSignalSpy finished(&p, &QDialog::finished);
    QTest::keyClick(p.RecordingList(), Qt::Key_Escape);
    QTest::keyClick(&p, Qt::Key_Escape);
    QTest::keyClick(p.RecordingList(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(p.isVisible());
    EXPECT_TRUE(p.calls.empty()) << "Enter opens a selected row only";
}

TEST(MainWindow, ButtonsMenuItemsAndKeysNameTheirOperations)
{
    using C = PlayerCommand;
    const std::vector<std::pair<int, C>> buttons = {
        {1001, C::Previous},      {1002, C::StepBack},      {1003, C::Play},
        {1004, C::Pause},         {1005, C::StepForward},   {1006, C::Next},
        {1007, C::AdjustPicture}, {1008, C::NightVisionOn}, {1009, C::NightVisionOff},
        {1010, C::Rotate},        {1011, C::Capture},       {1012, C::SpeedList},
        {1013, C::SoundOn},       {1014, C::SoundOff},      {1015, C::MapOn},
        {1016, C::MapOff},        {1017, C::ListOn},        {1018, C::ListOff},
        {1019, C::OpenCard},      {1020, C::OpenFolder},    {1021, C::Delete},
        {1022, C::Copy},          {1023, C::ExportEvents},  {1024, C::Settings}};
    for (const auto &[id, command] : buttons)
        EXPECT_EQ(CommandForButton(id), command) << id;
    EXPECT_EQ(CommandForButton(1025), std::nullopt);
    EXPECT_EQ(CommandForButton(ids::kUnitKm), std::nullopt);

    const std::vector<std::pair<int, C>> items = {
        {16, C::About},           {32804, C::Exit},       {32791, C::OpenFolder},
        {32792, C::OpenCard},     {32793, C::TogglePlay}, {32794, C::StepBack},
        {32795, C::StepForward},  {32796, C::Previous},   {32797, C::Next},
        {32805, C::VolumeUp},     {32806, C::VolumeDown}, {32807, C::ToggleSound},
        {32798, C::ExportEvents}, {32803, C::Settings}};
    for (const auto &[id, command] : items)
        EXPECT_EQ(CommandForMenu(id), command) << id;
    EXPECT_EQ(CommandForMenu(CPlayerTrip::kNextShockCommand), std::nullopt);

    const std::vector<std::pair<Qt::Key, C>> keys = {
        {Qt::Key_Return, C::OpenSelectedRow}, {Qt::Key_Enter, C::OpenSelectedRow},
        {Qt::Key_Space, C::TogglePlay},       {Qt::Key_PageUp, C::Previous},
        {Qt::Key_PageDown, C::Next},          {Qt::Key_Left, C::StepBack},
        {Qt::Key_Right, C::StepForward},      {Qt::Key_Up, C::SelectRowAbove},
        {Qt::Key_Down, C::SelectRowBelow},    {Qt::Key_Delete, C::Delete},
        {Qt::Key_1, C::SizeToClip},           {Qt::Key_2, C::ClipOwnSize},
        {Qt::Key_3, C::MaximiseWithList}};
    for (const auto &[key, command] : keys)
        EXPECT_EQ(CommandForKey(key), command) << key;
    EXPECT_EQ(CommandForKey(Qt::Key_Escape), std::nullopt);
    EXPECT_EQ(CommandForKey(CPlayerTrip::kNextShockKey), std::nullopt);
}

TEST(MainWindow, KeysAndButtonNotificationsReachTheirOperations)
{
    ShownPlayer shown;
    Player &p = shown.player;
    // From a child window: DELETE with nothing selected says so.
    QTest::keyClick(p.RecordingList(), Qt::Key_Delete);
    EXPECT_EQ(p.messages, QList<int>{203});
    QTest::keyClick(p.RecordingList(), Qt::Key_Space);
    EXPECT_EQ(p.messages.size(), 1) << "Space with no clip open does nothing";

    shown.post(notify::kButton, ids::kCopy);
    EXPECT_EQ(p.messages, (QList<int>{203, 206}));
    // Ids of no button, and other notifications with a button's id, do nothing.
    const QSize size = p.size();
    shown.post(notify::kButton, 1025);
    shown.post(notify::kDropListDismissed, ids::kCopy);
    EXPECT_EQ(p.messages.size(), 2);
    EXPECT_EQ(p.size(), size);
    EXPECT_TRUE(p.calls.empty());
}

TEST(MainWindow, ARealButtonClickIsDispatched)
{
    ShownPlayer shown;
    Player &p = shown.player;
    QTest::mouseClick(p.Button(ids::kDelete), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(WaitUntil([&] { return !p.messages.isEmpty(); }, std::chrono::seconds(5)));
    EXPECT_EQ(p.messages, QList<int>{203});
}

TEST(MainWindow, SpeedUnitRadiosSwitchTheUnit)
{
    ShownPlayer shown;
    Player &p = shown.player;
    CSkinRadioButton *km = p.Radio(ids::kUnitKm);
    CSkinRadioButton *mile = p.Radio(ids::kUnitMile);
    QTest::mouseClick(mile, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 0; }, std::chrono::seconds(5)));
    EXPECT_TRUE(mile->IsChecked());
    EXPECT_FALSE(km->IsChecked());

    QTest::mouseClick(km, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 1; }, std::chrono::seconds(5)));
    EXPECT_FALSE(mile->IsChecked());
    QTest::mouseClick(km, Qt::LeftButton, {}, QPoint(3, 3));
    QCoreApplication::processEvents();
    EXPECT_TRUE(km->IsChecked()) << "a checked radio pressed again stays checked";
    EXPECT_EQ(p.State().unitKm, 1);
}

TEST(MainWindow, StartSequenceRunsItsStepsInOrder)
{
    Player p;
    std::vector<std::string> &calls = p.calls;
    p.systemInfoSource = [] { return SystemInfo{1, 8ull << 30}; };
    p.showAdvice = [&](const QString &text) {
        EXPECT_EQ(text,
                  QStringLiteral("컴퓨터 성능이 Full HD영상을 돌리는데 문제가 있을수 있습니다"));
        calls.push_back("Advice");
    };
    p.RunStartSequence();
    EXPECT_EQ(calls, (std::vector<std::string>{"Advice", "AttachEngine", "AutoLoadCard",
                                               "OpenRecordingAt 0 maximised"}));
    EXPECT_TRUE(p.IsTitleShown());
    EXPECT_EQ(p.State().popupEnabled, 1);
    EXPECT_EQ(p.State().popupMenuId, 129);
    EXPECT_TRUE(p.windowState() & Qt::WindowMaximized);

    Player withCard;
    withCard.cardFolder = QStringLiteral("/media/card/");
    withCard.systemInfoSource = [] { return SystemInfo{4, 8ull << 30}; };
    withCard.showAdvice = [&](const QString &) { withCard.calls.push_back("Advice"); };
    withCard.RunStartSequence();
    EXPECT_EQ(withCard.calls,
              (std::vector<std::string>{"AttachEngine", "AutoLoadCard", "ShowCardInfo",
                                        "OpenRecordingAt 0 maximised"}));
}

TEST(MainWindow, CloseButtonAndExitEndTheRun)
{
    ShownPlayer shown;
    Player &p = shown.player;
    QSignalSpy finished(&p, &QDialog::finished);
    const QRect close = p.CaptionButtonRect(CaptionButton::Close);
    const QPoint at = close.topLeft() + QPoint(close.width() / 2, close.height() / 2);
    QTest::mousePress(&p, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&p, Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 2);

    Player other;
    other.show();
    QSignalSpy otherFinished(&other, &QDialog::finished);
    other.OnCommand(menu::kExit);
    ASSERT_EQ(otherFinished.count(), 1);
    EXPECT_EQ(otherFinished.at(0).at(0).toInt(), 1);
}

TEST(MainWindow, RunsWithAnEmptySkin)
{
    struct Reload
    {
        ~Reload() { CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc")); }
    } reload;
    CSkinImages::Unload();
    ShownPlayer shown;
    Player &p = shown.player;
    EXPECT_EQ(p.ClientSize(), QSize(1600, 900));
    EXPECT_EQ(p.PlayWnd()->geometry(), RectLtrb(10, 40, 1280, 845));
    shown.post(1, ids::kListOff);
    shown.post(1, ids::kListOn);
    EXPECT_FALSE(p.RecordingList()->isHidden());
    const QImage shot = p.grab().toImage();
    EXPECT_FALSE(shot.isNull());
}

TEST(MainWindow, MiddlePressTogglesTheList)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.activateWindow();
    if (!WaitUntil([&] { return p.isActiveWindow(); }, std::chrono::seconds(5)))
        GTEST_SKIP() << "this platform does not activate windows";
    QTest::mouseClick(p.RecordingList(), Qt::MiddleButton, {}, QPoint(20, 20));
    ASSERT_TRUE(WaitUntil([&] { return p.State().listHidden == 1; }, std::chrono::seconds(5)));
    EXPECT_TRUE(p.RecordingList()->isHidden());
    QTest::mouseClick(p.PlayWnd(), Qt::MiddleButton, {}, QPoint(20, 20));
    ASSERT_TRUE(WaitUntil([&] { return p.State().listHidden == 0; }, std::chrono::seconds(5)));

    // Two quick presses: the second arrives as a double-click and toggles the list again.
    const QPoint at(20, 20);
    const QPointF global = p.PlayWnd()->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::MiddleButton,
                      Qt::MiddleButton, Qt::NoModifier);
    press.setTimestamp(1000);
    QApplication::sendEvent(p.PlayWnd(), &press);
    ASSERT_TRUE(WaitUntil([&] { return p.State().listHidden == 1; }, std::chrono::seconds(5)));
    QMouseEvent again(QEvent::MouseButtonDblClick, QPointF(at), global, Qt::MiddleButton,
                      Qt::MiddleButton, Qt::NoModifier);
    again.setTimestamp(1100);
    QApplication::sendEvent(p.PlayWnd(), &again);
    ASSERT_TRUE(WaitUntil([&] { return p.State().listHidden == 0; }, std::chrono::seconds(5)));
}

TEST(MainWindow, SizeKeysGoByTheKeysPlace)
{
    // Offscreen there is no scan code: the character decides.
    EXPECT_EQ(WindowSizeKey(Qt::Key_2, Qt::NoModifier, 0), 2);
    EXPECT_EQ(WindowSizeKey(Qt::Key_4, Qt::NoModifier, 0), std::nullopt);
    // A French layout: the top-row keys type &, é and ".
    EXPECT_EQ(WindowSizeKey(Qt::Key_Ampersand, Qt::NoModifier, 10), 1);
    EXPECT_EQ(WindowSizeKey(Qt::Key_Eacute, Qt::NoModifier, 11), 2);
    EXPECT_EQ(WindowSizeKey(Qt::Key_QuoteDbl, Qt::NoModifier, 12), 3);
    // Keypad digits, and a digit typed by a key elsewhere, are not size keys.
    EXPECT_EQ(WindowSizeKey(Qt::Key_3, Qt::KeypadModifier, 89), std::nullopt);
    EXPECT_EQ(WindowSizeKey(Qt::Key_3, Qt::KeypadModifier, 0), std::nullopt);
    EXPECT_EQ(WindowSizeKey(Qt::Key_1, Qt::NoModifier, 24), std::nullopt);

    ShownPlayer shown;
    Player &p = shown.player;
    p.rows = 1;
    QKeyEvent keypad(QEvent::KeyPress, Qt::Key_3, Qt::KeypadModifier, 89, 0xffb3, 0,
                     QStringLiteral("3"));
    QApplication::sendEvent(p.PlayWnd(), &keypad);
    QCoreApplication::processEvents();
    EXPECT_FALSE(p.IsMaximisedFlag());
    QKeyEvent quote(QEvent::KeyPress, Qt::Key_QuoteDbl, Qt::NoModifier, 12, 0x22, 0,
                    QStringLiteral("\""));
    QApplication::sendEvent(p.PlayWnd(), &quote);
    EXPECT_TRUE(p.IsMaximisedFlag());
}

namespace {

// Whether the client area shows `imageId` in `rect` (where the picture is opaque), the
// picture's pixel `from` at the rectangle's top left corner.
bool ShowsImage(CDlgFrame &window, const QRect &rect, int imageId, QPoint from = QPoint())
{
    const QImage shot =
        window.Client()->grab(rect).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage image =
        CSkinImages::Pixmap(imageId).toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull() || shot.size() != rect.size())
        return false;
    int compared = 0;
    for (int y = 0; y < qMin(rect.height(), image.height() - from.y()); ++y) {
        for (int x = 0; x < qMin(rect.width(), image.width() - from.x()); ++x) {
            const QRgb want = image.pixel(x + from.x(), y + from.y());
            if (qAlpha(want) != 255)
                continue;
            if (shot.pixel(x, y) != want)
                return false;
            ++compared;
        }
    }
    return compared > 0;
}

} // namespace

TEST(MainWindow, ReadoutsShowTheirStatePictures)
{
    ShownPlayer shown;
    Player &p = shown.player;
    const MainLayout &l = p.CurrentLayout();
    ASSERT_FALSE(l.gpsIndicator.isEmpty());
    // Without a speed text over it the whole panel shows its picture.
    p.State().speedText.clear();
    p.Client()->update();
    EXPECT_TRUE(ShowsImage(p, l.gpsIndicator, 3315)) << "no fix before the first time";
    EXPECT_TRUE(ShowsImage(p, l.speedPanel, 3317)) << "km/h at start";
    EXPECT_TRUE(ShowsImage(p, l.timeCells[2], 3313));
    EXPECT_TRUE(ShowsImage(p, l.timeCells[5], 3314));

    p.State().gpsFix = 1;
    p.State().timeDigits = {0, 7, 0, 0, 0, 0, 0, 0};
    QTest::mouseClick(p.Radio(ids::kUnitMile), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 0; }, std::chrono::seconds(5)));
    p.State().speedText.clear(); // the switch wrote the speed of the second shown
    p.Client()->update();
    EXPECT_TRUE(ShowsImage(p, l.gpsIndicator, 3316));
    EXPECT_TRUE(ShowsImage(p, l.speedPanel, 3321));
    EXPECT_TRUE(ShowsImage(p, l.timeCells[1], 3310));
}

TEST(MainWindow, TheRightClickMenuIsDrawnDarkAndShowsTheKeys)
{
    Player p;
    QMenu popup;
    p.FillPopupMenu(&popup);
    QList<QMenu *> menus{&popup};
    QMap<QString, QString> keys;
    for (int m = 0; m < menus.size(); ++m) {
        for (QAction *action : menus[m]->actions()) {
            if (action->menu())
                menus << action->menu();
            else if (!action->isSeparator())
                keys[action->text()] = action->shortcut().toString();
        }
    }
    ASSERT_EQ(menus.size(), 3);
    const QMap<QString, QString> shown{{"Play / Pause", "Space"},
                                       {"Backward", "Left"},
                                       {"Forward", "Right"},
                                       {"Previous", "PgUp"},
                                       {"Next", "PgDown"},
                                       {"Previous shock", "["},
                                       {"Next shock", "]"},
                                       {"Setting", ""},
                                       {"Select the folder", ""},
                                       {"Exit", ""},
                                       {"Mute", ""},
                                       {"Save all Eventfiles", ""}};
    for (auto it = shown.begin(); it != shown.end(); ++it)
        EXPECT_EQ(keys.value(it.key(), QStringLiteral("?")), it.value()) << it.key().toStdString();

    // The menu and its submenus in the window's colours: its dark fill and light text.
    for (QMenu *menu : menus) {
        menu->adjustSize();
        const QImage image = menu->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.pixelColor(5, image.height() / 2), CDlgFrame::BackgroundColour())
            << menu->title().toStdString();
        int light = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                light += qGray(image.pixel(x, y)) > 160;
        EXPECT_GT(light, 50) << menu->title().toStdString();
    }
}

TEST(MainWindow, RightPressOpensTheMenuOnlyOverTheVideo)
{
    ShownPlayer shown;
    Player &p = shown.player;
    p.State().popupEnabled = 1;
    p.activateWindow();
    if (!WaitUntil([&] { return p.isActiveWindow(); }, std::chrono::seconds(5)))
        GTEST_SKIP() << "this platform does not activate windows";

    // Whether a right press at a point of a child opens the menu (closed again at once).
    const auto opensMenu = [&](QWidget *child, QPoint at) {
        QCursor::setPos(child->mapToGlobal(at));
        if (QCursor::pos() != child->mapToGlobal(at))
            return std::optional<bool>();
        // The menu runs a loop of its own inside the handler of the press's notification,
        // where this timer sees it; once that handler has returned no menu can come.
        bool opened = false;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                opened = !menu->actions().isEmpty();
                menu->close();
            }
        });
        watch.start();
        QTest::mouseClick(child, Qt::RightButton, {}, at);
        QCoreApplication::sendPostedEvents(&p);
        watch.stop();
        return std::optional<bool>(opened);
    };
    const std::optional<bool> overVideo = opensMenu(p.PlayWnd(), QPoint(50, 50));
    if (!overVideo)
        GTEST_SKIP() << "this platform does not move the cursor";
    EXPECT_TRUE(*overVideo);
    EXPECT_EQ(opensMenu(p.RecordingList(), QPoint(30, 30)), std::optional<bool>(false));
}

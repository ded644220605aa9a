#pragma once

#include <QRect>
#include <QSize>

#include <array>
#include <map>
#include <optional>

// Control ids of the main player window.
namespace ids {
constexpr int kPrev = 1001, kRewind = 1002, kPlay = 1003, kPause = 1004, kForward = 1005,
              kNext = 1006, kBright = 1007, kNightOn = 1008, kNightOff = 1009, kRotate = 1010,
              kCapture = 1011, kSpeed = 1012, kVolOn = 1013, kVolOff = 1014, kMapOn = 1015,
              kMapOff = 1016, kListOn = 1017, kListOff = 1018, kCard = 1019, kFolder = 1020,
              kDelete = 1021, kCopy = 1022, kEvent = 1023, kOption = 1024;
constexpr int kUnitKm = 1075, kUnitMile = 1076;
constexpr int kVideo = 1026, kSensorGraph = 1027, kVolume = 1028, kRecordingList = 1029;
constexpr int kMapView = 100, kSpeedList = 103;
} // namespace ids

// One button of the main window: its id, its name, its image and its tooltip's string id.
struct ButtonInfo
{
    int id;
    const char *name;
    bool icon; // icon on the shared strip, or a strip of its own
    int image;
    int tipString;
};

// The 24 buttons in id order.
const std::array<ButtonInfo, 24> &MainButtons();
const ButtonInfo *FindButtonInfo(int id);

// The order in which the buttons' tooltips are registered.
const std::array<int, 24> &TooltipOrder();

// The buttons hidden after the control set-up.
constexpr std::array<int, 5> kInitiallyHidden = {ids::kPause, ids::kNightOff, ids::kListOn,
                                                 ids::kVolOn, ids::kMapOn};

// The six buttons of the right-hand panel.
constexpr std::array<int, 6> kPanelButtons = {ids::kCard,  ids::kFolder, ids::kCopy,
                                              ids::kEvent, ids::kDelete, ids::kOption};

// Sizes of the skin pictures that the main window's layout depends on. A skin without
// pictures gives all zeros; the layout still runs.
struct SkinMetrics
{
    QSize speedItem = QSize(0, 0);    // play-speed list item (3139)
    QSize listToggle = QSize(0, 0);   // list toggle button: w(3114) / 3 x h(3114)
    QSize soundButton = QSize(0, 0);  // sound button: w(3112) / 3 x h(3112)
    QSize digit = QSize(0, 0);        // time digits (3303)
    int minuteSeparatorWidth = 0;     // between minutes and seconds (3313)
    int positionSeparatorWidth = 0;   // between position and length (3314)
    QSize speedPanel = QSize(0, 0);   // speed panel (3321)
    QSize gpsIndicator = QSize(0, 0); // GPS fix indicator (3316)

    static SkinMetrics FromSkin();
};

// The right-hand panel and the map.
struct PanelFlags
{
    bool listShown = true;
    bool listHidden = false;
    bool mapShown = true;
};

// Everything the main window places, in client pixels.
struct MainLayout
{
    QRect video;
    QRect speedPanel;
    QRect gpsIndicator;
    QRect speedText;
    std::optional<QRect> list;    // placed while the list is shown or not hidden
    std::map<int, QRect> buttons; // the buttons that are placed, by id
    std::map<int, QRect> radios;  // the speed-unit radio buttons, while placed
    QRect graph;
    QRect volume;
    std::array<QRect, 11> timeCells; // 8 digits and 3 separators, left to right
    QRect timeReadout;
    QRect map;
    QRect kmLabel;
    QRect mileLabel;
};

// A rectangle from its left, top, right and bottom edges (right and bottom outside).
inline QRect RectLtrb(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// Width taken right of the video area: 20 with the panel hidden, else 330.
int LayoutSide(const PanelFlags &flags);

// The layout of a client area of the given size.
MainLayout ComputeMainLayout(QSize client, const PanelFlags &flags, const SkinMetrics &skin);

// The image of each time read-out cell for the eight digits (position minutes, seconds,
// length minutes, seconds; tens first): digit d is 3303 + d, separators 3313 and 3314.
std::array<int, 11> TimeCellImages(const std::array<int, 8> &digits);

// Size of the play-speed list for its item size: five items with one-pixel lines.
QSize SpeedListSize(QSize item);

// The clip's size on screen in the first size mode, by its size class (0: 1920 x 1080 shown
// at half size, 1: 1280 x 720 at 0.6, 2: any other at its own size).
QSize ClipDisplaySize(int videoClass, int videoWidth, int videoHeight);

// Width of the panel side in the size modes: 330 with the list shown, else 20.
int SizeModeSide(bool listShown);

// Window size of the first size mode: the clip's display size, the side, the frame and 130
// pixels of controls.
QSize ModeOneWindowSize(int videoClass, int videoWidth, int videoHeight, bool listShown,
                        int frameHeight);

// Window size of the second size mode: the clip at its own size.
QSize ModeTwoWindowSize(int videoWidth, int videoHeight, bool listShown, int frameHeight);

// Whether a window of that size fits the work area (strictly smaller both ways).
bool FitsWorkArea(QSize window, QSize workArea);

// The smallest size the window can be dragged to.
// The minimum handed to the window system: the wanted minimum, but never more than the window's
// current size, so that raising the minimum (a larger clip, the list shown again) never grows
// the window by itself. Once the window is at least the wanted size, dragging stops there.
QSize DragMinimumSize(QSize wanted, QSize current);

QSize MinimumWindowSize(bool clipOpen, bool listShown, int videoClass, int videoWidth,
                        int videoHeight, int frameHeight);

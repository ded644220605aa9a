#include "PlayerLayout.h"

#include "SkinImages.h"

#include <cmath>

const std::array<ButtonInfo, 24> &MainButtons()
{
    using namespace ids;
    static const std::array<ButtonInfo, 24> buttons = {{
        {kPrev, "PREV", true, 3105, 400},
        {kRewind, "RW", true, 3102, 401},
        {kPlay, "PLAY", true, 3103, 402},
        {kPause, "PAUSE", true, 3104, 403},
        {kForward, "FF", true, 3101, 404},
        {kNext, "NEXT", true, 3106, 405},
        {kBright, "BRIGHT", true, 3107, 406},
        {kNightOn, "NIGHT_ON", true, 3108, 407},
        {kNightOff, "NIGHT_OFF", true, 3109, 408},
        {kRotate, "ROTATE", true, 3110, 409},
        {kCapture, "CAPTURE", true, 3111, 410},
        {kSpeed, "SPEED", true, 3142, 411},
        {kVolOn, "VOL_ON", false, 3113, 422},
        {kVolOff, "VOL_OFF", false, 3112, 421},
        {kMapOn, "MAP_ON", false, 3116, 418},
        {kMapOff, "MAP_OFF", false, 3117, 419},
        {kListOn, "LIST_ON", false, 3114, 423},
        {kListOff, "LIST_OFF", false, 3115, 424},
        {kCard, "SD", true, 3122, 412},
        {kFolder, "FOLDER", true, 3120, 413},
        {kDelete, "DELETE", true, 3123, 416},
        {kCopy, "COPY", true, 3118, 414},
        {kEvent, "EVENT", true, 3119, 415},
        {kOption, "OPTION", true, 3121, 417},
    }};
    return buttons;
}

const ButtonInfo *FindButtonInfo(int id)
{
    for (const ButtonInfo &info : MainButtons()) {
        if (info.id == id)
            return &info;
    }
    return nullptr;
}

const std::array<int, 24> &TooltipOrder()
{
    static const std::array<int, 24> order = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                                              1009, 1010, 1011, 1012, 1019, 1020, 1022, 1023,
                                              1021, 1024, 1015, 1016, 1014, 1013, 1017, 1018};
    return order;
}

SkinMetrics SkinMetrics::FromSkin()
{
    const auto size = [](int id) { return QSize(CSkinImages::Width(id), CSkinImages::Height(id)); };
    const auto stripFrame = [](int id) {
        return QSize(StripFrameWidth(CSkinImages::Width(id)), CSkinImages::Height(id));
    };
    SkinMetrics m;
    m.speedItem = size(3139);
    m.listToggle = stripFrame(3114);
    m.soundButton = stripFrame(3112);
    m.digit = size(3303);
    m.minuteSeparatorWidth = CSkinImages::Width(3313);
    m.positionSeparatorWidth = CSkinImages::Width(3314);
    m.speedPanel = size(3321);
    m.gpsIndicator = size(3316);
    return m;
}

int LayoutSide(const PanelFlags &flags)
{
    return flags.listHidden ? 20 : 330;
}

MainLayout ComputeMainLayout(QSize client, const PanelFlags &flags, const SkinMetrics &skin)
{
    using namespace ids;
    const int W = client.width();
    const int H = client.height();
    MainLayout out;

    // Video area and the read-outs above its top right corner.
    const int R = W - LayoutSide(flags) + 10;
    out.video = RectLtrb(10, 40, R, H - skin.gpsIndicator.height() - 55);
    const QSize panel = skin.speedPanel;
    out.speedPanel = RectLtrb(R - panel.width(), 40 - panel.height(), R, 40);
    out.gpsIndicator = RectLtrb(R - panel.width() - skin.gpsIndicator.width(), 40 - panel.height(),
                                R - panel.width(), 40);
    out.speedText = RectLtrb(R - panel.width(), 40 - panel.height() + 3, R - 45, 40);

    // Recording list.
    if (flags.listShown || !flags.listHidden)
        out.list = QRect(W - 310, 10, 300, flags.mapShown ? H - 395 : H - 88);

    // Buttons.
    const QRect listToggle(QPoint(R, (H - skin.listToggle.height()) / 2), skin.listToggle);
    out.buttons[kListOn] = listToggle;
    out.buttons[kListOff] = listToggle;
    const QRect sound(QPoint(R - skin.soundButton.width() - 103, H - 43), skin.soundButton);
    out.buttons[kVolOn] = sound;
    out.buttons[kVolOff] = sound;
    const auto bottom = [&](int id, int x) { out.buttons[id] = QRect(x, H - 45, 50, 35); };
    bottom(kPrev, 10);
    bottom(kRewind, 60);
    bottom(kPlay, 110);
    bottom(kPause, 110);
    bottom(kForward, 160);
    bottom(kNext, 210);
    bottom(kBright, 270);
    bottom(kNightOn, 320);
    bottom(kNightOff, 320);
    bottom(kRotate, 370);
    bottom(kCapture, 420);
    bottom(kSpeed, 470);
    if (flags.listShown) {
        bottom(kCard, W - 310);
        bottom(kFolder, W - 260);
        bottom(kDelete, W - 210);
        bottom(kCopy, W - 160);
        bottom(kEvent, W - 110);
        bottom(kOption, W - 60);
        if (flags.mapShown) {
            out.radios[kUnitKm] = QRect(W - 300, H - 377, 15, 15);
            out.radios[kUnitMile] = QRect(W - 220, H - 377, 15, 15);
        }
        const QRect mapToggle(W - 28, flags.mapShown ? H - 379 : H - 73, 18, 18);
        out.buttons[kMapOn] = mapToggle;
        out.buttons[kMapOff] = mapToggle;
    }

    // Sensor graph and volume slider below the video area.
    out.graph = QRect(10, out.video.bottom() + 1, out.video.width(), 25);
    out.volume = QRect(R - 103, out.video.bottom() + 1 + 40, 103, 30);

    // Time read-out: mm:ss / mm:ss in one row.
    const int top = H - 50 - skin.digit.height();
    int x = 10;
    const std::array<int, 11> widths = {
        skin.digit.width(), skin.digit.width(), skin.minuteSeparatorWidth,
        skin.digit.width(), skin.digit.width(), skin.positionSeparatorWidth,
        skin.digit.width(), skin.digit.width(), skin.minuteSeparatorWidth,
        skin.digit.width(), skin.digit.width()};
    for (size_t i = 0; i < widths.size(); ++i) {
        out.timeCells[i] = RectLtrb(x, top, x + widths[i], H - 50);
        x += widths[i];
    }
    out.timeReadout = RectLtrb(10, top, x, H - 50);

    out.map = QRect(W - 310, H - 355, 300, 300);
    out.kmLabel = RectLtrb(W - 275, H - 377, W - 247, H - 362);
    out.mileLabel = out.kmLabel.translated(75, 0);
    return out;
}

std::array<int, 11> TimeCellImages(const std::array<int, 8> &digits)
{
    const auto digit = [](int d) { return 3303 + (d >= 0 && d <= 9 ? d : 0); };
    return {digit(digits[0]), digit(digits[1]), 3313, digit(digits[2]), digit(digits[3]), 3314,
            digit(digits[4]), digit(digits[5]), 3313, digit(digits[6]), digit(digits[7])};
}

QSize SpeedListSize(QSize item)
{
    return QSize(item.width() + 2, (item.height() + 1) * 5 + 1);
}

QSize ClipDisplaySize(int videoClass, int videoWidth, int videoHeight)
{
    switch (videoClass) {
    case 0:
        return QSize(videoWidth / 2, videoHeight / 2);
    case 1:
        return QSize(static_cast<int>(std::trunc(0.6 * videoWidth)),
                     static_cast<int>(std::trunc(0.6 * videoHeight)));
    default:
        return QSize(videoWidth, videoHeight);
    }
}

int SizeModeSide(bool listShown)
{
    return listShown ? 330 : 20;
}

QSize ModeOneWindowSize(int videoClass, int videoWidth, int videoHeight, bool listShown,
                        int frameHeight)
{
    const QSize clip = ClipDisplaySize(videoClass, videoWidth, videoHeight);
    return QSize(clip.width() + SizeModeSide(listShown), clip.height() + frameHeight + 130);
}

QSize ModeTwoWindowSize(int videoWidth, int videoHeight, bool listShown, int frameHeight)
{
    return QSize(videoWidth + SizeModeSide(listShown), videoHeight + frameHeight + 130);
}

bool FitsWorkArea(QSize window, QSize workArea)
{
    return window.width() < workArea.width() && window.height() < workArea.height();
}

QSize MinimumWindowSize(bool clipOpen, bool listShown, int videoClass, int videoWidth,
                        int videoHeight, int frameHeight)
{
    if (clipOpen)
        return ModeOneWindowSize(videoClass, videoWidth, videoHeight, listShown, frameHeight);
    return listShown ? QSize(1110, 600) : QSize(800, 600);
}

QSize DragMinimumSize(QSize wanted, QSize current)
{
    return wanted.boundedTo(current);
}

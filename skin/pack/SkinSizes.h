#pragma once

// Sizes and colours of the skin pack, in one place. The windows are laid out from the sizes of
// these pictures, so a change here moves the layout with it: the main window's read-outs, the
// button rows, the frame's top bar and the dialogs all take their metrics from the pack.

#include <QColor>
#include <QSize>

namespace SkinSize {

// Dialog frame: top bar, borders, caption buttons (one frame of their three-frame strips),
// logo and version badge.
constexpr int kTopBarHeight = 40;
constexpr int kBorder = 4;
constexpr int kEdgeLength = 16; // length of the stretched edge pieces along their edge
constexpr QSize kCaptionButton{26, 20};
constexpr QSize kLogo{178, 32};
constexpr QSize kVersionBadge{58, 21};

// Options dialog tab pieces: left and right ends, stretched middle.
constexpr int kTabHeight = 30;
constexpr int kTabEndWidth = 10;
constexpr int kTabMiddleWidth = 4;

// Main window buttons (one frame each).
constexpr QSize kButton{50, 35};        // the shared strip 3100 and every icon button
constexpr QSize kButtonIcon{30, 25};    // icons centred on 3100
constexpr QSize kListToggle{10, 64};    // 3114, 3115: between the video and the list
constexpr QSize kSoundButton{26, 22};   // 3112, 3113: left of the volume slider
constexpr QSize kMapToggle{18, 18};     // 3116, 3117
constexpr QSize kRadio{15, 15};         // one of the two frames of 3137, 3138, 3148
constexpr QSize kSpeedItem{48, 33};     // 3139-3143: SPEED button icon and speed-list rows
constexpr QSize kDialogButton{64, 29};  // 3124, 3125, 3135, 3136
constexpr QSize kMessageButton{84, 34}; // 3126-3134

// Sliders and progress bars (whole images).
constexpr QSize kVolumeSlider{103, 30}; // 3200, 3201
constexpr QSize kAdjustSlider{200, 30}; // 3202
constexpr QSize kKnob{14, 22};          // 3203
constexpr QSize kOptionSlider{260, 25}; // 3206
constexpr QSize kCopyProgress{356, 10}; // 3204, 3205 = copy pictures' total width
constexpr int kSliderMargin = 9;        // track inset at both ends, as the sliders use it

// Copy dialog pictures.
constexpr QSize kCopyPicture{80, 80};    // 3300 target, 3301 source
constexpr QSize kCopyAnimation{196, 80}; // one of the 13 frames of 3302
constexpr int kCopyAnimationFrames = 13;

// Main window read-outs.
constexpr QSize kDigit{11, 16};        // 3303-3312
constexpr QSize kColon{6, 16};         // 3313
constexpr QSize kSlash{9, 16};         // 3314
constexpr QSize kGpsIndicator{44, 36}; // 3315, 3316
constexpr QSize kSpeedPanel{132, 36};  // 3317, 3321
constexpr int kSpeedUnitWidth = 45;    // right-hand part of the panel kept for the unit

// Message box symbols, the size of the box's symbol rectangle.
constexpr QSize kMessageSymbol{90, 111};

// Recording list header: segment ends, stretched middle, captions; kind icons.
constexpr int kHeaderHeight = 25;
constexpr int kHeaderEndWidth = 3;
constexpr int kHeaderMiddleWidth = 8;
constexpr int kCaptionHeight = 15;
constexpr int kFilterCaptionMaxWidth = 51; // the kind column is 55 wide
constexpr QSize kKindIcon{16, 16};

// The application icon.
constexpr int kAppIcon = 128;

} // namespace SkinSize

namespace SkinColour {

constexpr QColor kMagenta{255, 0, 255};          // transparent key
constexpr QColor kFrameBackground{27, 27, 27};   // main window and frame client area
constexpr QColor kMessageBackground{24, 24, 24}; // message box client area
constexpr QColor kOptionPage{46, 46, 46};        // options dialog page
constexpr QColor kOptionBand{54, 54, 54};        // options dialog bands
constexpr QColor kAccent{242, 149, 48};          // list selection, highlights
constexpr QColor kAccentLight{255, 184, 102};
constexpr QColor kAccentDark{178, 98, 20};
constexpr QColor kGlyph{226, 226, 228}; // icons and labels on buttons
constexpr QColor kGlyphDim{150, 150, 154};
constexpr QColor kCaptionText{238, 238, 238}; // header captions: never pure white
constexpr QColor kOutline{10, 10, 11};

} // namespace SkinColour

#pragma once

// The codes of the notifications (CUserMessage) that controls, dialogs, the media engine wrapper
// and the input filter post to their owner window. One table, so that a sender and the window
// that handles its notification cannot disagree.
namespace notify {
constexpr int kButton = 1;            // a skinned button was clicked; value: its control id
constexpr int kRadio = 2;             // a radio button was clicked; value: its control id
constexpr int kDropListChosen = 3;    // a drop-down list row was chosen; record: the choice
constexpr int kDropListDismissed = 4; // a drop-down list was closed by a press outside it
constexpr int kSlider = 5;            // a slider moved; value: its position
constexpr int kOptionSlider = 6;      // an option slider moved; record: slider and position
constexpr int kEndOfClip = 7;         // the engine reached the end of the clip
constexpr int kPlayTime = 8;          // the engine's play time changed; value: time in ms
constexpr int kRowDoubleClicked = 9;  // a row of the recording list; value: the row
constexpr int kFilterHeader = 10;     // the kind-filter column header was clicked
constexpr int kResorted = 11;         // the recording list was sorted again
constexpr int kSeek = 12;             // the sensor graph asks for a seek; value: time in ms
constexpr int kRightPress = 516;      // the right mouse button was pressed
constexpr int kMiddlePress = 519;     // the middle mouse button was pressed
constexpr int kDropDownChosen = 0x0466; // the drop-down box's list chose a row; value: the row
constexpr int kDropDownOpening = 10026; // the drop-down box's list is about to open
} // namespace notify

// The drop-down list's two notifications under the names its users know.
constexpr int kDropListChosen = notify::kDropListChosen;
constexpr int kDropListDismissed = notify::kDropListDismissed;

#pragma once

// The codes of the notifications (CUserMessage) that controls, dialogs and the input filter post
// to their owner window. One table, so that a sender and the window that handles its
// notification cannot disagree. (The media engine's reports reach the playback controller
// directly; their old codes 7 and 8 stay unused.)
namespace notify {
enum Code : int {
    kButton = 1,              // a skinned button was clicked; value: its control id
    kRadio = 2,               // a radio button was clicked; value: its control id
    kDropListChosen = 3,      // a drop-down list row was chosen; record: the choice
    kDropListDismissed = 4,   // a drop-down list was closed by a press outside it
    kSlider = 5,              // a slider moved; value: its position
    kOptionSlider = 6,        // an option slider moved; record: slider and position
    kRowDoubleClicked = 9,    // a row of the recording list; value: the row
    kFilterHeader = 10,       // the kind-filter column header was clicked
    kResorted = 11,           // the recording list was sorted again
    kSeek = 12,               // a seek, from the sensor graph or a shock jump; value: time in ms
    kRightPress = 516,        // the right mouse button was pressed
    kMiddlePress = 519,       // the middle mouse button was pressed
    kDropDownChosen = 0x0466, // the drop-down box's list chose a row; value: the row
    kDropDownOpening = 10026, // the drop-down box's list is about to open
};
} // namespace notify

// The drop-down list's two notifications under the names its users know.
constexpr int kDropListChosen = notify::kDropListChosen;
constexpr int kDropListDismissed = notify::kDropListDismissed;

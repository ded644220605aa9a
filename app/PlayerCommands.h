#pragma once

#include <optional>

// The commands of the main player window's menus (the right-click menu and the system menu).
namespace menu {
constexpr int kAbout = 16, kSelectFolder = 32791, kSelectDrive = 32792, kPlayPause = 32793,
              kBackward = 32794, kForward = 32795, kPrevious = 32796, kNext = 32797,
              kSaveEvents = 32798, kSetting = 32803, kExit = 32804, kVolUp = 32805,
              kVolDown = 32806, kMute = 32807;
} // namespace menu

// What a button, a menu item or a key of the main window asks for.
enum class PlayerCommand {
    Previous,
    Next,
    StepBack,
    StepForward,
    Play,
    Pause,
    TogglePlay, // Space only while a clip is open
    AdjustPicture,
    NightVisionOn,
    NightVisionOff,
    Rotate,
    Capture,
    SpeedList,
    SoundOn,
    SoundOff,
    ToggleSound,
    VolumeUp,
    VolumeDown,
    MapOn,
    MapOff,
    ListOn,
    ListOff,
    OpenCard,
    OpenFolder,
    Delete,
    Copy,
    ExportEvents,
    Settings,
    OpenSelectedRow,
    SelectRowAbove,
    SelectRowBelow,
    SizeToClip,       // key 1
    ClipOwnSize,      // key 2
    MaximiseWithList, // key 3
    About,
    Exit,
};

// The command of a button of the main window; nothing for any other control id.
std::optional<PlayerCommand> CommandForButton(int controlId);
// The command of a menu item; nothing for the trip's items and any other id.
std::optional<PlayerCommand> CommandForMenu(int commandId);
// The command of a key pressed without Ctrl, Alt or Meta (the size keys arrive as 1, 2 and 3
// whatever the keyboard's layout); nothing for a key the window leaves alone.
std::optional<PlayerCommand> CommandForKey(int key);
// The key of the main window that runs what a menu item runs (Space for "Play / Pause" ...),
// shown beside the item; nothing when no key does.
std::optional<int> KeyForMenu(int commandId);

#include "PlayerCommands.h"

#include "PlayerLayout.h"

#include <Qt>

std::optional<PlayerCommand> CommandForButton(int controlId)
{
    using C = PlayerCommand;
    switch (controlId) {
    case ids::kPrev:
        return C::Previous;
    case ids::kRewind:
        return C::StepBack;
    case ids::kPlay:
        return C::Play;
    case ids::kPause:
        return C::Pause;
    case ids::kForward:
        return C::StepForward;
    case ids::kNext:
        return C::Next;
    case ids::kBright:
        return C::AdjustPicture;
    case ids::kNightOn:
        return C::NightVisionOn;
    case ids::kNightOff:
        return C::NightVisionOff;
    case ids::kRotate:
        return C::Rotate;
    case ids::kCapture:
        return C::Capture;
    case ids::kSpeed:
        return C::SpeedList;
    case ids::kVolOn:
        return C::SoundOn;
    case ids::kVolOff:
        return C::SoundOff;
    case ids::kMapOn:
        return C::MapOn;
    case ids::kMapOff:
        return C::MapOff;
    case ids::kListOn:
        return C::ListOn;
    case ids::kListOff:
        return C::ListOff;
    case ids::kCard:
        return C::OpenCard;
    case ids::kFolder:
        return C::OpenFolder;
    case ids::kDelete:
        return C::Delete;
    case ids::kCopy:
        return C::Copy;
    case ids::kEvent:
        return C::ExportEvents;
    case ids::kOption:
        return C::Settings;
    default:
        return std::nullopt; // not a button of this window
    }
}

std::optional<PlayerCommand> CommandForMenu(int commandId)
{
    using C = PlayerCommand;
    switch (commandId) {
    case menu::kAbout:
        return C::About;
    case menu::kExit:
        return C::Exit;
    case menu::kSelectFolder:
        return C::OpenFolder;
    case menu::kSelectDrive:
        return C::OpenCard;
    case menu::kPlayPause:
        return C::TogglePlay;
    case menu::kBackward:
        return C::StepBack;
    case menu::kForward:
        return C::StepForward;
    case menu::kPrevious:
        return C::Previous;
    case menu::kNext:
        return C::Next;
    case menu::kVolUp:
        return C::VolumeUp;
    case menu::kVolDown:
        return C::VolumeDown;
    case menu::kMute:
        return C::ToggleSound;
    case menu::kSaveEvents:
        return C::ExportEvents;
    case menu::kSetting:
        return C::Settings;
    default:
        return std::nullopt;
    }
}

std::optional<PlayerCommand> CommandForKey(int key)
{
    using C = PlayerCommand;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return C::OpenSelectedRow;
    case Qt::Key_Space:
        return C::TogglePlay;
    case Qt::Key_PageUp:
        return C::Previous;
    case Qt::Key_PageDown:
        return C::Next;
    case Qt::Key_Left:
        return C::StepBack;
    case Qt::Key_Up:
        return C::SelectRowAbove;
    case Qt::Key_Right:
        return C::StepForward;
    case Qt::Key_Down:
        return C::SelectRowBelow;
    case Qt::Key_Delete:
        return C::Delete;
    case Qt::Key_1:
        return C::SizeToClip;
    case Qt::Key_2:
        return C::ClipOwnSize;
    case Qt::Key_3:
        return C::MaximiseWithList;
    default:
        return std::nullopt;
    }
}

std::optional<int> KeyForMenu(int commandId)
{
    const std::optional<PlayerCommand> command = CommandForMenu(commandId);
    if (!command)
        return std::nullopt;
    for (const int key :
         {Qt::Key_Return, Qt::Key_Space, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Up,
          Qt::Key_Right, Qt::Key_Down, Qt::Key_Delete, Qt::Key_1, Qt::Key_2, Qt::Key_3}) {
        if (CommandForKey(key) == command)
            return key;
    }
    return std::nullopt;
}

#include "RX9VantoraPCPlayerDlg.h"

#include "AboutDlg.h"
#include "DataParser.h"
#include "DlgMessage.h"
#include "DropListWnd.h"
#include "NotificationCodes.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "PlayerCommands.h"
#include "PlayerEvidence.h"
#include "PlayerNextClip.h"
#include "PlayerTimeline.h"
#include "PlayerTrip.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "StringTable.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <initializer_list>

namespace {

constexpr int kAboutString = 101;
constexpr int kPopupMenu = 129;

} // namespace

CRX9VantoraPCPlayerDlg::CRX9VantoraPCPlayerDlg(QWidget *parent, const QStringList &engineArguments)
    : CDlgMain(parent)
    , systemInfoSource(ReadSystemInfo)
    , m_playback(std::make_unique<CPlaybackController>(engineArguments))
{
    const QIcon icon = CSkinImages::AppIcon();
    if (!icon.isNull())
        setWindowIcon(icon);

    VolumeSlider()->SetPos(m_playback->Volume());
    connectPlayback();
    SensorGraph()->SetMessageHandler(
        [this](int stringId, const QString &text) { message(stringId, text); });
    setUpCatalogue();
    m_trip = new CPlayerTrip(this);
    m_evidence = new CPlayerEvidence(this);
    new CPlayerNextClip(this); // a child object
}

CRX9VantoraPCPlayerDlg::~CRX9VantoraPCPlayerDlg()
{
    // The open clip and its engine go before the windows its pictures went to.
    m_playback.reset();
}

void CRX9VantoraPCPlayerDlg::message(int stringId)
{
    message(stringId, LoadResString(stringId));
}

void CRX9VantoraPCPlayerDlg::message(int stringId, const QString &text)
{
    if (showMessage) {
        showMessage(stringId, text);
        return;
    }
    ShowMessage(kMessageOk, text, QString(), this);
}

void CRX9VantoraPCPlayerDlg::RunStartSequence()
{
    // From the first moment on, so that a card put in while the start's messages are open is
    // not missed.
    FollowMounts();
    CheckSystem();
    AttachEngine();
    State().popupMenuId = kPopupMenu;
    State().popupEnabled = 1;
    SetTitleShown(true);
    AutoLoadCard();
    if (!m_catalogue.FolderPath().isEmpty())
        ShowCardInfo();
    if (isVisible())
        showMaximized();
    else
        setWindowState(windowState() | Qt::WindowMaximized); // shown so when the run starts
    SetMaximisedFlag(true);
    // A recording asked for on the command line plays first; otherwise the first row.
    const int asked = m_startClip.isEmpty() ? -1 : m_catalogue.RowOfFile(m_startClip);
    OpenRecordingAt(std::max(asked, 0));
}

void CRX9VantoraPCPlayerDlg::CheckSystem()
{
    const SystemInfo info = systemInfoSource ? systemInfoSource() : ReadSystemInfo();
    if (!NeedsPerformanceAdvice(info))
        return;
    if (showAdvice) {
        showAdvice(PerformanceAdviceText());
        return;
    }
    QMessageBox box(QMessageBox::Information, windowTitle(), PerformanceAdviceText(),
                    QMessageBox::Ok, this);
    box.exec();
}

void CRX9VantoraPCPlayerDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CRX9VantoraPCPlayerDlg::FillSystemMenu(QMenu *menu)
{
    const QString text = LoadResString(kAboutString);
    if (text.isEmpty())
        return;
    QAction *about = menu->addAction(text);
    connect(about, &QAction::triggered, this, [this] { OnCommand(menu::kAbout); });
}

namespace {
constexpr bool AllDifferent(std::initializer_list<int> ids)
{
    for (auto a = ids.begin(); a != ids.end(); ++a)
        for (auto b = a + 1; b != ids.end(); ++b)
            if (*a == *b)
                return false;
    return true;
}
// The menu items of the trip and evidence features are told apart by their ids alone.
static_assert(AllDifferent({CPlayerTrip::kPreviousShockCommand, CPlayerTrip::kNextShockCommand,
                            CPlayerTrip::kExportGpxCommand, CPlayerTimeline::kTripTimelineCommand,
                            CPlayerEvidence::kExportEvidenceCommand}),
              "each menu command has an id of its own");
} // namespace

void CRX9VantoraPCPlayerDlg::OnCommand(int commandId)
{
    if (const auto command = CommandForMenu(commandId))
        Run(*command);
    else if (!m_trip->OnCommand(commandId))
        m_evidence->OnCommand(commandId);
}

void CRX9VantoraPCPlayerDlg::Run(PlayerCommand command)
{
    using C = PlayerCommand;
    CPlaybackController &playback = *m_playback;
    if (command == C::Play || command == C::TogglePlay) {
        if (const auto row = replayRow()) {
            OpenRecordingAt(*row);
            return;
        }
    }
    switch (command) {
    case C::Previous:
        PreviousRecording();
        break;
    case C::Next:
        NextRecording();
        break;
    case C::StepBack:
        playback.StepBack();
        break;
    case C::StepForward:
        playback.StepForward();
        break;
    case C::Play:
        playback.Play();
        break;
    case C::Pause:
        playback.Pause();
        break;
    case C::TogglePlay:
        playback.TogglePlay();
        break;
    case C::AdjustPicture:
        AdjustPicture();
        break;
    case C::NightVisionOn:
        playback.NightVisionOn();
        break;
    case C::NightVisionOff:
        playback.NightVisionOff();
        break;
    case C::Rotate:
        playback.Rotate();
        break;
    case C::Capture:
        CaptureStill();
        break;
    case C::SpeedList:
        ShowSpeedList();
        break;
    case C::SoundOn:
        playback.SoundOn();
        break;
    case C::SoundOff:
        playback.SoundOff();
        break;
    case C::ToggleSound:
        playback.ToggleSound();
        break;
    case C::VolumeUp:
        playback.VolumeUp();
        break;
    case C::VolumeDown:
        playback.VolumeDown();
        break;
    case C::MapOn:
        ShowMap();
        break;
    case C::MapOff:
        HideMap();
        break;
    case C::ListOn:
        ShowList();
        break;
    case C::ListOff:
        HideList();
        break;
    case C::OpenCard:
        OpenCard();
        break;
    case C::OpenFolder:
        OpenFolder();
        break;
    case C::Delete:
        DeleteSelected();
        break;
    case C::Copy:
        CopySelected();
        break;
    case C::ExportEvents:
        ExportEvents();
        break;
    case C::Settings:
        EditSettings();
        break;
    case C::OpenSelectedRow:
        OpenSelectedRow();
        break;
    case C::SelectRowAbove:
        RecordingList()->SelectRowAbove();
        break;
    case C::SelectRowBelow:
        RecordingList()->SelectRowBelow();
        break;
    case C::SizeToClip:
        SetWindowSizeMode(1);
        break;
    case C::ClipOwnSize:
        SetWindowSizeMode(2);
        break;
    case C::MaximiseWithList:
        SetWindowSizeMode(3);
        break;
    case C::About:
        ShowAbout();
        break;
    case C::Exit:
        done(1);
        break;
    }
}

void CRX9VantoraPCPlayerDlg::ShowPopupMenu()
{
    if (!State().popupEnabled)
        return;
    const QPoint client = Client()->mapFromGlobal(QCursor::pos());
    const QRect &video = CurrentLayout().video;
    // Edges included on all four sides.
    if (client.x() < video.left() || client.x() > video.left() + video.width() ||
        client.y() < video.top() || client.y() > video.top() + video.height())
        return;

    QMenu popup(this);
    FillPopupMenu(&popup);
    popup.exec(QCursor::pos());
}

void CRX9VantoraPCPlayerDlg::FillPopupMenu(QMenu *popup)
{
    // The submenus are the menu's children and take its look.
    popup->setStyleSheet(MenuStyleSheet());
    const auto item = [this](QMenu *into, const QString &text, int id) {
        QAction *action = into->addAction(text);
        action->setData(id);
        if (const std::optional<int> key = KeyForMenu(id)) {
            // Shown in the menu only; the window's key handling does the work.
            action->setShortcut(QKeySequence(*key));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    };
    item(popup, QStringLiteral("Select the folder"), menu::kSelectFolder);
    item(popup, QStringLiteral("Select the Drive"), menu::kSelectDrive);
    popup->addSeparator();
    QMenu *play = popup->addMenu(QStringLiteral("Play Control"));
    item(play, QStringLiteral("Play / Pause"), menu::kPlayPause);
    play->addSeparator();
    item(play, QStringLiteral("Backward"), menu::kBackward);
    item(play, QStringLiteral("Forward"), menu::kForward);
    play->addSeparator();
    item(play, QStringLiteral("Previous"), menu::kPrevious);
    item(play, QStringLiteral("Next"), menu::kNext);
    QMenu *sound = popup->addMenu(QStringLiteral("Sound"));
    item(sound, QStringLiteral("Vol up"), menu::kVolUp);
    item(sound, QStringLiteral("Vol down"), menu::kVolDown);
    item(sound, QStringLiteral("Mute"), menu::kMute);
    popup->addSeparator();
    m_trip->AddMenuItems(popup);
    m_evidence->AddMenuItems(popup);
    popup->addSeparator();
    item(popup, QStringLiteral("Save all Eventfiles"), menu::kSaveEvents);
    item(popup, QStringLiteral("Setting"), menu::kSetting);
    item(popup, QStringLiteral("Exit"), menu::kExit);
}

bool CRX9VantoraPCPlayerDlg::event(QEvent *event)
{
    if (event->type() == CUserMessage::EventType()) {
        OnUserMessage(*static_cast<CUserMessage *>(event));
        return true;
    }
    return CDlgMain::event(event);
}

void CRX9VantoraPCPlayerDlg::OnUserMessage(const CUserMessage &message)
{
    switch (message.Code()) {
    case notify::kButton:
        if (const auto command = CommandForButton(static_cast<int>(message.Value())))
            Run(*command);
        break;
    case notify::kRadio:
        SelectSpeedUnit(static_cast<int>(message.Value()));
        break;
    case notify::kDropListChosen:
        OnSpeedChosen(message);
        break;
    case notify::kSlider:
        m_playback->SetVolume(static_cast<int>(message.Value()));
        break;
    case notify::kRowDoubleClicked:
        OpenRecordingAt(static_cast<int>(message.Value()));
        break;
    case notify::kFilterHeader:
        m_catalogue.CycleKindFilter();
        break;
    case notify::kResorted:
        m_catalogue.RelocateCurrent();
        break;
    case notify::kSeek:
        m_trail.Jump();
        m_playback->SeekTo(message.Value());
        break;
    case notify::kRightPress:
        if (isActiveWindow())
            ShowPopupMenu();
        break;
    case notify::kMiddlePress:
        if (isActiveWindow()) {
            if (State().listHidden)
                ShowList();
            else
                HideList();
        }
        break;
    default:
        break;
    }
}

void CRX9VantoraPCPlayerDlg::OnSpeedChosen(const CUserMessage &message)
{
    if (const DropListChoice *choice = message.RecordAs<DropListChoice>())
        m_playback->ChooseSpeed(choice->listId, choice->item);
}

void CRX9VantoraPCPlayerDlg::SelectSpeedUnit(int controlId)
{
    if (controlId == ids::kUnitKm) {
        State().unitKm = 1;
        Radio(ids::kUnitMile)->SetChecked(false);
    } else if (controlId == ids::kUnitMile) {
        State().unitKm = 0;
        Radio(ids::kUnitKm)->SetChecked(false);
    } else {
        return;
    }
    showSpeed(); // the second shown now, in the new unit
    m_trip->UnitChanged();
    Client()->update();
    update();
}

bool CRX9VantoraPCPlayerDlg::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    // Shortcuts with Ctrl, Alt or Meta are not the player's keys.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key == Qt::Key_Escape)
        return true; // never closes the player
    if (const auto command = CommandForKey(key)) {
        if (*command != PlayerCommand::TogglePlay || IsClipOpen() || replayRow())
            Run(*command);
        return true;
    }
    return m_trip->HandleKey(key) || m_evidence->HandleKey(key);
}

#include "RX9VantoraPCPlayerDlg.h"

#include "AboutDlg.h"
#include "DataParser.h"
#include "DlgMessage.h"
#include "DropListWnd.h"
#include "NotificationCodes.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "PlayerTrip.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>

namespace {

constexpr int kAboutString = 101;
constexpr int kPopupMenu = 129;

namespace cmd {
constexpr int kSelectFolder = 32791, kSelectDrive = 32792, kPlayPause = 32793, kBackward = 32794,
              kForward = 32795, kPrevious = 32796, kNext = 32797, kSaveEvents = 32798,
              kSetting = 32803, kVolUp = 32805, kVolDown = 32806, kMute = 32807;
} // namespace cmd

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
    OpenRecordingAt(0);
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
    connect(about, &QAction::triggered, this, [this] { OnCommand(kAboutCommand); });
}

void CRX9VantoraPCPlayerDlg::OnCommand(int commandId)
{
    switch (commandId) {
    case kAboutCommand:
        ShowAbout();
        break;
    case kExitCommand:
        done(1);
        break;
    case cmd::kSelectFolder:
        OpenFolder();
        break;
    case cmd::kSelectDrive:
        OpenCard();
        break;
    case cmd::kPlayPause:
        TogglePlayback();
        break;
    case cmd::kBackward:
        StepBack();
        break;
    case cmd::kForward:
        StepForward();
        break;
    case cmd::kPrevious:
        PreviousRecording();
        break;
    case cmd::kNext:
        NextRecording();
        break;
    case cmd::kVolUp:
        m_playback->VolumeUp();
        break;
    case cmd::kVolDown:
        m_playback->VolumeDown();
        break;
    case cmd::kMute:
        m_playback->ToggleSound();
        break;
    case cmd::kSaveEvents:
        ExportEvents();
        break;
    case cmd::kSetting:
        EditSettings();
        break;
    default:
        m_trip->OnCommand(commandId);
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

    QMenu menu(this);
    const auto item = [this](QMenu *into, const QString &text, int id) {
        QAction *action = into->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    };
    item(&menu, QStringLiteral("Select the folder"), cmd::kSelectFolder);
    item(&menu, QStringLiteral("Select the Drive"), cmd::kSelectDrive);
    menu.addSeparator();
    QMenu *play = menu.addMenu(QStringLiteral("Play Control"));
    item(play, QStringLiteral("Play / Pause"), cmd::kPlayPause);
    play->addSeparator();
    item(play, QStringLiteral("Backward"), cmd::kBackward);
    item(play, QStringLiteral("Forward"), cmd::kForward);
    play->addSeparator();
    item(play, QStringLiteral("Previous"), cmd::kPrevious);
    item(play, QStringLiteral("Next"), cmd::kNext);
    QMenu *sound = menu.addMenu(QStringLiteral("Sound"));
    item(sound, QStringLiteral("Vol up"), cmd::kVolUp);
    item(sound, QStringLiteral("Vol down"), cmd::kVolDown);
    item(sound, QStringLiteral("Mute"), cmd::kMute);
    menu.addSeparator();
    m_trip->AddMenuItems(&menu);
    menu.addSeparator();
    item(&menu, QStringLiteral("Save all Eventfiles"), cmd::kSaveEvents);
    item(&menu, QStringLiteral("Setting"), cmd::kSetting);
    item(&menu, QStringLiteral("Exit"), kExitCommand);
    menu.exec(QCursor::pos());
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
        DispatchButton(static_cast<int>(message.Value()));
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

void CRX9VantoraPCPlayerDlg::DispatchButton(int controlId)
{
    switch (controlId) {
    case ids::kPrev:
        PreviousRecording();
        break;
    case ids::kRewind:
        StepBack();
        break;
    case ids::kPlay:
        ResumePlayback();
        break;
    case ids::kPause:
        PausePlayback();
        break;
    case ids::kForward:
        StepForward();
        break;
    case ids::kNext:
        NextRecording();
        break;
    case ids::kBright:
        AdjustPicture();
        break;
    case ids::kNightOn:
        NightVisionOn();
        break;
    case ids::kNightOff:
        NightVisionOff();
        break;
    case ids::kRotate:
        Rotate();
        break;
    case ids::kCapture:
        CaptureStill();
        break;
    case ids::kSpeed:
        ShowSpeedList();
        break;
    case ids::kVolOn:
        SoundOn();
        break;
    case ids::kVolOff:
        SoundOff();
        break;
    case ids::kMapOn:
        ShowMap();
        break;
    case ids::kMapOff:
        HideMap();
        break;
    case ids::kListOn:
        ShowList();
        break;
    case ids::kListOff:
        HideList();
        break;
    case ids::kCard:
        OpenCard();
        break;
    case ids::kFolder:
        OpenFolder();
        break;
    case ids::kDelete:
        DeleteSelected();
        break;
    case ids::kCopy:
        CopySelected();
        break;
    case ids::kEvent:
        ExportEvents();
        break;
    case ids::kOption:
        EditSettings();
        break;
    default:
        break; // not a button of this window
    }
}

void CRX9VantoraPCPlayerDlg::OnSpeedChosen(const CUserMessage &message)
{
    if (const DropListChoice *choice = message.RecordAs<DropListChoice>())
        m_playback->ChooseSpeed(choice->listId, choice->item);
}

void CRX9VantoraPCPlayerDlg::ResumePlayback()
{
    m_playback->Play();
}

void CRX9VantoraPCPlayerDlg::PausePlayback()
{
    m_playback->Pause();
}

void CRX9VantoraPCPlayerDlg::TogglePlayback()
{
    m_playback->TogglePlay();
}

void CRX9VantoraPCPlayerDlg::StepBack()
{
    m_playback->StepBack();
}

void CRX9VantoraPCPlayerDlg::StepForward()
{
    m_playback->StepForward();
}

void CRX9VantoraPCPlayerDlg::NightVisionOn()
{
    m_playback->NightVisionOn();
}

void CRX9VantoraPCPlayerDlg::NightVisionOff()
{
    m_playback->NightVisionOff();
}

void CRX9VantoraPCPlayerDlg::Rotate()
{
    m_playback->Rotate();
}

void CRX9VantoraPCPlayerDlg::SoundOn()
{
    m_playback->SoundOn();
}

void CRX9VantoraPCPlayerDlg::SoundOff()
{
    m_playback->SoundOff();
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
    Client()->update();
    update();
}

bool CRX9VantoraPCPlayerDlg::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    // Shortcuts with Ctrl, Alt or Meta are not the player's keys.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenSelectedRow();
        return true;
    case Qt::Key_Escape:
        return true; // never closes the player
    case Qt::Key_Space:
        if (IsClipOpen())
            TogglePlayback();
        return true;
    case Qt::Key_PageUp:
        PreviousRecording();
        return true;
    case Qt::Key_PageDown:
        NextRecording();
        return true;
    case Qt::Key_Left:
        StepBack();
        return true;
    case Qt::Key_Up:
        SelectRowAbove();
        return true;
    case Qt::Key_Right:
        StepForward();
        return true;
    case Qt::Key_Down:
        SelectRowBelow();
        return true;
    case Qt::Key_Delete:
        DeleteSelected();
        return true;
    case Qt::Key_1:
        SetWindowSizeMode(1);
        return true;
    case Qt::Key_2:
        SetWindowSizeMode(2);
        return true;
    case Qt::Key_3:
        SetWindowSizeMode(3);
        return true;
    default:
        return m_trip->HandleKey(key);
    }
}

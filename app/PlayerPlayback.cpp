// Clip playback and the playback controls of the main player window: opening a row, the
// clip-ready timer, the engine's time and end notifications with the read-outs that follow
// them, play and pause, steps, previous and next, play speed, sound, picture and rotation.

#include "RX9VantoraPCPlayerDlg.h"

#include "DataParser.h"
#include "DlgAdjustment.h"
#include "DriveUtils.h"
#include "DropListWnd.h"
#include "HtmlMap.h"
#include "PlayWnd.h"
#include "PlayerTrip.h"
#include "SkinButton.h"
#include "SkinSlider.h"
#include "UserMessage.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <algorithm>
#include <climits>

namespace {
constexpr int kClipReadyTimer = 0;
constexpr int kClipReadyMs = 500;
constexpr int kWrongFileTypeMessage = 302;
} // namespace

bool CRX9VantoraPCPlayerDlg::IsClipOpen() const
{
    return m_engine && m_engine->HasMedia();
}

// ---- read-outs

void CRX9VantoraPCPlayerDlg::setPositionReadout(qint64 timeMs)
{
    const TimeDigits digits = TimeToDigits(timeMs);
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        changed = changed || State().timeDigits[i] != digits[i];
        State().timeDigits[i] = digits[i];
    }
    if (changed)
        Client()->update(CurrentLayout().timeReadout);
}

void CRX9VantoraPCPlayerDlg::setLengthReadout(qint64 timeMs)
{
    const TimeDigits digits = TimeToDigits(timeMs);
    for (int i = 0; i < 4; ++i)
        State().timeDigits[4 + i] = digits[i];
    Client()->update(CurrentLayout().timeReadout);
}

void CRX9VantoraPCPlayerDlg::resetReadouts()
{
    setPositionReadout(0);
    setLengthReadout(0);
    State().speedText = SpeedText(0);
    State().speedValue = 0;
    State().gpsFix = 0;
    m_shownGpsFix = 0;
    m_shownSpeed = 0;
    Client()->update(CurrentLayout().gpsIndicator);
    Client()->update(CurrentLayout().speedPanel);
}

void CRX9VantoraPCPlayerDlg::clearGraph()
{
    SensorGraph()->ClearGraph();
}

void CRX9VantoraPCPlayerDlg::showPlaying(bool playing)
{
    Button(ids::kPlay)->setVisible(!playing);
    Button(ids::kPause)->setVisible(playing);
}

void CRX9VantoraPCPlayerDlg::stopAndClose()
{
    if (m_engine->HasMedia())
        m_engine->Stop();
    m_engine->CloseMedia();
}

// ---- opening a row

void CRX9VantoraPCPlayerDlg::OpenRecordingAt(int index)
{
    CXListCtrl *list = RecordingList();
    const int rows = list->RowCount();
    if (rows == 0) {
        ClearPlayer();
        list->DeleteAllRows();
        return;
    }
    m_catalogue.MakeCurrent(index); // index, stem and the title "stem(i/n)"
    syncCatalogueState();

    // A clip-ready timer still running for the clip before must not put that clip's length
    // into the read-out of this one.
    m_timers[kClipReadyTimer].stop();

    if (index < 0 || index >= rows) {
        // Past the last row: the player stops; the buttons and the list stay as they are.
        stopAndClose();
        SetCaptionText(QString());
        clearGraph();
        resetReadouts();
        State().playing = 0;
        UpdateMinimumSize();
        return;
    }

    const QString clipPath = m_catalogue.ClipPathAt(index);
    if (!IsAviFile(clipPath)) {
        failClip();
        return;
    }

    SensorGraph()->SetClipOpen(true);
    if (FileExists(clipPath)) {
        State().playing = 1;
        State().clipLengthMs = 0; // known again once the engine has read the new clip
        // The clip before stops first: should the new one fail to open, the old one must not
        // go on playing unseen.
        stopAndClose();
        if (!m_engine->OpenMedia(clipPath)) {
            failClip();
            return;
        }
        int width = State().videoWidth;
        int height = State().videoHeight;
        m_engine->ReadVideoSize(width, height);
        State().videoWidth = width;
        State().videoHeight = height;
        State().videoClass = VideoClassOf(width, height);
        PlayWnd()->SetVideoSize(width, height);
    } else {
        stopAndClose(); // vanished since the check
        State().playing = 0;
    }

    if (State().playing) {
        if (!m_engine->Play()) {
            failClip();
            return;
        }
        // The engine keeps the rate from the clip before; the speed shown is the speed played.
        m_engine->SetRate(State().playRate);
        SensorGraph()->LoadDriveData(clipPath);
        SensorGraph()->SetClipOpen(true);
        showPlaying(true);
    } else {
        clearGraph();
        showPlaying(false);
    }
    list->SelectOnly(index);
    m_timers[kClipReadyTimer].start(kClipReadyMs);
    SensorGraph()->SetClipOpen(true);
    UpdateMinimumSize();
    m_trip->ClipOpened();
}

void CRX9VantoraPCPlayerDlg::failClip()
{
    // A clip that is not a video, or that the engine cannot open or start: nothing plays, and
    // the window says so. The row stays current, so NEXT goes on from it.
    stopAndClose();
    SetCaptionText(QString());
    setPositionReadout(0);
    setLengthReadout(0);
    clearGraph();
    State().playing = 0;
    showPlaying(false);
    UpdateMinimumSize();
    message(kWrongFileTypeMessage);
}

void CRX9VantoraPCPlayerDlg::ClearPlayer()
{
    m_timers[kClipReadyTimer].stop();
    stopAndClose();
    SetCaptionText(QString());
    clearGraph();
    resetReadouts();
    State().playing = 0;
    RecordingList()->DeleteAllRows();
    RecordingList()->AdjustLastColumn();
    UpdateMinimumSize();
}

void CRX9VantoraPCPlayerDlg::OnTimer(int id)
{
    m_timers[id].stop();
    switch (id) {
    case kClipReadyTimer:
        onClipReady();
        break;
    case CRotationControl::kDeferTimer:
        runRotation(m_rotation.DeferTimerFired());
        break;
    case CRotationControl::kSettleTimer:
        runRotation(m_rotation.SettleTimerFired());
        break;
    default:
        break;
    }
}

void CRX9VantoraPCPlayerDlg::onClipReady()
{
    if (m_engine->HasMedia())
        State().clipLengthMs = m_engine->GetLength();
    applyPicture();
    const auto length = static_cast<qint32>(State().clipLengthMs & 0xffffffff);
    if (length >= 0 && SensorGraph()->IsClipOpen())
        SensorGraph()->SetDuration(length);
    setLengthReadout(length);
    // The new clip hears what the sound buttons show: a speed other than 1.0 keeps it silent
    // until the user turns the sound on.
    applySoundVolume(m_soundView.audible ? State().volume : 0);
}

// ---- the engine's notifications

void CRX9VantoraPCPlayerDlg::OnPlayTime(qint64 timeMs)
{
    // A notification still queued from a clip that has been closed since (the last clip
    // ended, a wrong file, the player cleared) would put a stale time into cleared read-outs.
    if (!m_engine->HasMedia())
        return;
    // A pause pressed while the clip was still opening takes effect now that it plays.
    if (!State().playing)
        m_engine->PauseIfStillPlaying();
    // Half a second is not always enough for the engine to know the clip's length (a slow or
    // busy computer): take it as soon as it is known, so that the length read-out and the
    // graph's time scale do not stay at zero for the whole clip.
    if (State().clipLengthMs <= 0 && !m_timers[kClipReadyTimer].isActive()) {
        const qint64 length = m_engine->GetLength();
        if (length > 0) {
            State().clipLengthMs = length;
            if (SensorGraph()->IsClipOpen())
                SensorGraph()->SetDuration(static_cast<int>(std::min<qint64>(length, INT_MAX)));
            setLengthReadout(length);
        }
    }

    setPositionReadout(timeMs);
    SensorGraph()->SetPlayPosition(static_cast<int>(std::clamp<qint64>(timeMs, INT_MIN, INT_MAX)));

    const GpsReading gps = SensorGraph()->GetGpsAt(static_cast<int>(timeMs / 1000));
    m_lastFix.Update(gps.fix, gps.longitude, gps.latitude);
    State().gpsFix = gps.fix ? 1 : 0;
    State().lastFixLongitude = m_lastFix.Longitude();
    State().lastFixLatitude = m_lastFix.Latitude();
    State().speedValue = SpeedForUnit(gps.speedKmh, State().unitKm == 1);
    State().speedText = SpeedText(State().speedValue);

    const QString longitude = m_lastFix.LongitudeText();
    const QString latitude = m_lastFix.LatitudeText();
    if (longitude != m_sentLongitude || latitude != m_sentLatitude) {
        MapView()->SetMapPosition(longitude, latitude);
        m_sentLongitude = longitude;
        m_sentLatitude = latitude;
    }

    if (State().gpsFix != m_shownGpsFix) {
        Client()->update(CurrentLayout().gpsIndicator);
        m_shownGpsFix = State().gpsFix;
    }
    if (State().speedValue != m_shownSpeed) {
        Client()->update(CurrentLayout().speedPanel);
        m_shownSpeed = State().speedValue;
    }
}

// ---- play, pause, steps, previous and next

void CRX9VantoraPCPlayerDlg::ResumePlayback()
{
    if (!m_engine->HasMedia() || State().playing)
        return;
    m_engine->SetPause(false);
    State().playing = 1;
    showPlaying(true);
    runRotation(m_rotation.Resumed());
}

void CRX9VantoraPCPlayerDlg::PausePlayback()
{
    if (!m_engine->HasMedia() || !State().playing)
        return;
    m_engine->SetPause(true);
    State().playing = 0;
    showPlaying(false);
}

void CRX9VantoraPCPlayerDlg::TogglePlayback()
{
    if (State().playing)
        PausePlayback();
    else
        ResumePlayback();
}

void CRX9VantoraPCPlayerDlg::StepBack()
{
    if (StepAllowed(m_engine->HasMedia(), State().playing))
        m_engine->SeekBy(-kStepSeconds);
}

void CRX9VantoraPCPlayerDlg::StepForward()
{
    if (StepAllowed(m_engine->HasMedia(), State().playing))
        m_engine->SeekBy(kStepSeconds);
}

void CRX9VantoraPCPlayerDlg::PreviousRecording()
{
    const auto row = PreviousIndex(RecordingList()->RowCount(), m_catalogue.CurrentIndex(),
                                   State().playing == 1);
    if (row)
        OpenRecordingAt(*row);
}

void CRX9VantoraPCPlayerDlg::NextRecording()
{
    if (const auto row = NextIndex(RecordingList()->RowCount(), m_catalogue.CurrentIndex()))
        OpenRecordingAt(*row);
}

void CRX9VantoraPCPlayerDlg::SeekTo(qint64 timeMs)
{
    m_engine->SeekTo(timeMs);
}

// ---- play speed

void CRX9VantoraPCPlayerDlg::ShowSpeedList()
{
    CSkinButton *speed = Button(ids::kSpeed);
    const QRect anchor(speed->mapToGlobal(QPoint(0, 0)), speed->size());
    SpeedList()->ShowAbove(anchor);
}

void CRX9VantoraPCPlayerDlg::OnSpeedChosen(const CUserMessage &message)
{
    const DropListChoice *record = message.RecordAs<DropListChoice>();
    if (!record)
        return;
    const CSoundSettings sound(State().soundOn == 1, State().volume);
    const auto choice = ChooseSpeed(record->listId, record->item, State().playRate, sound);
    if (!choice)
        return;
    State().playRate = choice->playRate;
    if (choice->imageId)
        Button(ids::kSpeed)->ChangeIconImage(*choice->imageId);
    if (m_engine->HasMedia())
        m_engine->SetRate(State().playRate);
    applySound(choice->sound);
}

// ---- sound

void CRX9VantoraPCPlayerDlg::applySoundVolume(int volume)
{
    if (!m_engine->HasMedia())
        return;
    m_engine->SetMute(false);
    m_engine->SetVolume(volume);
}

void CRX9VantoraPCPlayerDlg::applySound(const SoundView &view)
{
    m_soundView = view;
    applySoundVolume(view.engineVolume);
    Button(ids::kVolOff)->setVisible(view.audible);
    Button(ids::kVolOn)->setVisible(!view.audible);
    VolumeSlider()->SetSliderEnabled(view.sliderEnabled);
    VolumeSlider()->update();
}

void CRX9VantoraPCPlayerDlg::SoundOn()
{
    CSoundSettings sound(State().soundOn == 1, State().volume);
    const SoundView view = sound.TurnOn();
    State().soundOn = 1;
    applySound(view);
}

void CRX9VantoraPCPlayerDlg::SoundOff()
{
    CSoundSettings sound(State().soundOn == 1, State().volume);
    const SoundView view = sound.TurnOff();
    State().soundOn = 0;
    applySound(view);
}

void CRX9VantoraPCPlayerDlg::ToggleSound()
{
    if (State().soundOn)
        SoundOff();
    else
        SoundOn();
}

void CRX9VantoraPCPlayerDlg::VolumeUp()
{
    CSoundSettings sound(State().soundOn == 1, State().volume);
    if (const auto volume = sound.VolumeUp()) {
        State().volume = *volume;
        if (m_soundView.audible) // silenced by the play speed: heard once the sound is on
            applySoundVolume(*volume);
        VolumeSlider()->SetPos(*volume);
    }
}

void CRX9VantoraPCPlayerDlg::VolumeDown()
{
    CSoundSettings sound(State().soundOn == 1, State().volume);
    if (const auto volume = sound.VolumeDown()) {
        State().volume = *volume;
        if (m_soundView.audible) // silenced by the play speed: heard once the sound is on
            applySoundVolume(*volume);
        VolumeSlider()->SetPos(*volume);
    }
}

void CRX9VantoraPCPlayerDlg::OnVolumeSlider(int volume)
{
    CSoundSettings sound(State().soundOn == 1, State().volume);
    State().volume = sound.SetVolume(volume);
    applySoundVolume(State().volume);
}

// ---- picture

void CRX9VantoraPCPlayerDlg::applyPicture()
{
    m_engine->ApplyBrightness(State().brightness);
    m_engine->ApplyContrast(State().contrast);
}

void CRX9VantoraPCPlayerDlg::SetBrightness(float value)
{
    State().brightness = value;
    m_engine->ApplyBrightness(value);
}

void CRX9VantoraPCPlayerDlg::SetContrast(float value)
{
    State().contrast = value;
    m_engine->ApplyContrast(value);
}

void CRX9VantoraPCPlayerDlg::showNightVision(bool on)
{
    State().nightVision = on ? 1 : 0;
    Button(ids::kNightOn)->setVisible(!on);
    Button(ids::kNightOff)->setVisible(on);
}

void CRX9VantoraPCPlayerDlg::NightVisionOn()
{
    if (!m_engine->HasMedia())
        return;
    State().contrast = kNightVisionPicture;
    State().brightness = kNightVisionPicture;
    showNightVision(true);
    applyPicture();
}

void CRX9VantoraPCPlayerDlg::NightVisionOff()
{
    if (!m_engine->HasMedia())
        return;
    State().contrast = kNeutralPicture;
    State().brightness = kNeutralPicture;
    showNightVision(false);
    applyPicture();
}

void CRX9VantoraPCPlayerDlg::AdjustPicture()
{
    // The picture stands still while the dialog is open.
    const bool resume = State().playing && m_engine->HasMedia();
    if (resume)
        m_engine->SetPause(true);
    const int result =
        ShowAdjustment(this, State().brightness, State().contrast, State().nightVision == 1, this);
    if (State().nightVision &&
        !NightVisionAfterAdjust(true, result, State().brightness, State().contrast))
        showNightVision(false);
    if (resume && State().playing && m_engine->HasMedia())
        m_engine->SetPause(false);
}

// ---- rotation

void CRX9VantoraPCPlayerDlg::Rotate()
{
    runRotation(m_rotation.Press(State().playing == 1));
}

void CRX9VantoraPCPlayerDlg::runRotation(const CRotationControl::Actions &actions)
{
    for (const CRotationControl::Action &action : actions) {
        switch (action.kind) {
        case CRotationControl::Action::StartTimer:
            if (action.timerId >= 0 && action.timerId < 3)
                m_timers[action.timerId].start(action.ms);
            break;
        case CRotationControl::Action::RotateOn:
            m_engine->RotateOn();
            break;
        case CRotationControl::Action::RotateOff:
            m_engine->RotateOff();
            break;
        case CRotationControl::Action::ApplyPicture:
            applyPicture();
            break;
        }
    }
    State().rotated = m_rotation.Rotated() ? 1 : 0;
    State().rotateReady = m_rotation.Ready() ? 1 : 0;
    State().pendingRotations = m_rotation.PendingPresses();
}

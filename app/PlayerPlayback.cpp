// The main player window's side of playback: opening a row through the playback controller,
// the read-outs, graph and map that follow the controller's signals, previous and next, the
// speed list and the adjustment dialog.

#include "RX9VantoraPCPlayerDlg.h"

#include "DataParser.h"
#include "DlgAdjustment.h"
#include "DropListWnd.h"
#include "HtmlMap.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "PlayerTrip.h"
#include "SkinButton.h"
#include "SkinSlider.h"
#include "XListCtrl.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kWrongFileTypeMessage = 302;

// The adjustment dialog's live values go straight to the controller.
class CLiveAdjust : public CPictureAdjustOwner
{
public:
    explicit CLiveAdjust(CPlaybackController &playback)
        : m_playback(playback)
    {}
    void SetBrightness(float value) override { m_playback.SetBrightness(value); }
    void SetContrast(float value) override { m_playback.SetContrast(value); }

private:
    CPlaybackController &m_playback;
};

} // namespace

bool CRX9VantoraPCPlayerDlg::IsClipOpen() const
{
    return m_playback && m_playback->IsClipOpen();
}

void CRX9VantoraPCPlayerDlg::connectPlayback()
{
    CPlaybackController *playback = m_playback.get();
    connect(playback, &CPlaybackController::ClipOpened, this, [this](const QString &, QSize size) {
        // A clip whose header does not tell its size keeps the size of the one before.
        if (size.isValid()) {
            State().videoWidth = size.width();
            State().videoHeight = size.height();
        }
        PlayWnd()->SetVideoSize(State().videoWidth, State().videoHeight);
    });
    connect(playback, &CPlaybackController::ClipFailed, this, &CRX9VantoraPCPlayerDlg::failClip);
    connect(playback, &CPlaybackController::PlayingChanged, this,
            &CRX9VantoraPCPlayerDlg::showPlaying);
    connect(playback, &CPlaybackController::TimeChanged, this, &CRX9VantoraPCPlayerDlg::showTime);
    connect(playback, &CPlaybackController::LengthChanged, this,
            &CRX9VantoraPCPlayerDlg::showLength);
    connect(playback, &CPlaybackController::EndReached, this, [this] {
        // A clip cut short by its card going is not followed by the next one from that card.
        if (!checkCardGone())
            NextRecording();
    });
    connect(playback, &CPlaybackController::RateChanged, this, [this](float rate) {
        if (const auto image = PlaySpeedImage(rate))
            Button(ids::kSpeed)->ChangeIconImage(*image);
    });
    connect(playback, &CPlaybackController::SoundChanged, this, [this](const SoundView &view) {
        Button(ids::kVolOff)->setVisible(view.audible);
        Button(ids::kVolOn)->setVisible(!view.audible);
        VolumeSlider()->SetSliderEnabled(view.sliderEnabled);
        VolumeSlider()->update();
    });
    connect(playback, &CPlaybackController::VolumeChanged, this, [this](int volume) {
        if (VolumeSlider()->Pos() != volume)
            VolumeSlider()->SetPos(volume);
    });
    connect(playback, &CPlaybackController::NightVisionChanged, this, [this](bool on) {
        Button(ids::kNightOn)->setVisible(!on);
        Button(ids::kNightOff)->setVisible(on);
    });
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
    m_speedKmh = 0;
    State().speedText = SpeedText(0);
    State().speedValue = 0;
    State().gpsFix = 0;
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

    if (index < 0 || index >= rows) {
        // Past the last row: the player stops and offers PLAY, which opens the last row again;
        // the list stays as it is.
        m_playback->Close();
        showPlaying(false);
        SetCaptionText(QString());
        clearGraph();
        resetReadouts();
        clearTrail();
        UpdateMinimumSize();
        return;
    }

    const QString clipPath = m_catalogue.ClipPathAt(index);
    switch (m_playback->Open(clipPath)) {
    case CPlaybackController::OpenResult::Failed:
        return; // failClip has shown it
    case CPlaybackController::OpenResult::Started:
        SensorGraph()->LoadDriveData(clipPath);
        break;
    case CPlaybackController::OpenResult::Missing:
        clearGraph();
        break;
    }
    list->SelectOnly(index);
    SensorGraph()->SetClipOpen(true);
    // The read-outs show the new clip's start at once, not the clip before until the engine's
    // first report (which a pause at once may hold back).
    setLengthReadout(0);
    showTime(0);
    UpdateMinimumSize();
    m_trip->ClipOpened();
}

void CRX9VantoraPCPlayerDlg::failClip()
{
    if (checkCardGone())
        return; // the card's removal is what the window says

    // A clip that is not a video, or that the engine cannot open or start: nothing plays, and
    // the window says so. The row stays current, so NEXT goes on from it.
    SetCaptionText(QString());
    setPositionReadout(0);
    setLengthReadout(0);
    clearGraph();
    clearTrail();
    UpdateMinimumSize();
    message(kWrongFileTypeMessage);
}

void CRX9VantoraPCPlayerDlg::ClearPlayer()
{
    m_playback->Close();
    SetCaptionText(QString());
    clearGraph();
    resetReadouts();
    clearTrail();
    RecordingList()->DeleteAllRows();
    RecordingList()->AdjustLastColumn();
    UpdateMinimumSize();
}

// ---- what follows the play time

void CRX9VantoraPCPlayerDlg::showLength(qint64 lengthMs)
{
    const auto length = static_cast<qint32>(lengthMs & 0xffffffff);
    if (length >= 0 && SensorGraph()->IsClipOpen())
        SensorGraph()->SetDuration(length);
    setLengthReadout(length);
}

void CRX9VantoraPCPlayerDlg::showTime(qint64 timeMs)
{
    setPositionReadout(timeMs);
    SensorGraph()->SetPlayPosition(static_cast<int>(std::clamp<qint64>(timeMs, INT_MIN, INT_MAX)));

    const int second = static_cast<int>(timeMs / 1000);
    const GpsReading gps = SensorGraph()->GetGpsAt(second);
    m_lastFix.Update(gps.fix, gps.longitude, gps.latitude);
    const QString longitude = m_lastFix.LongitudeText();
    const QString latitude = m_lastFix.LatitudeText();
    const auto step = m_trail.Report(m_playback->Generation(), second, gps.fix,
                                     [this](int s) { return SensorGraph()->GetGpsAt(s).fix; });
    if (step == CMapTrail::Step::NewTrail) {
        MapView()->StartTrailAt(longitude, latitude);
        m_sentLongitude = longitude;
        m_sentLatitude = latitude;
    } else if (longitude != m_sentLongitude || latitude != m_sentLatitude) {
        MapView()->SetMapPosition(longitude, latitude);
        m_sentLongitude = longitude;
        m_sentLatitude = latitude;
    }

    const int fix = gps.fix ? 1 : 0;
    if (fix != State().gpsFix) {
        State().gpsFix = fix;
        Client()->update(CurrentLayout().gpsIndicator);
    }
    m_speedKmh = gps.speedKmh;
    showSpeed();
}

void CRX9VantoraPCPlayerDlg::showSpeed()
{
    const int speed = SpeedForUnit(m_speedKmh, State().unitKm == 1);
    State().speedText = SpeedText(speed);
    if (speed != State().speedValue) {
        State().speedValue = speed;
        Client()->update(CurrentLayout().speedPanel);
    }
}

void CRX9VantoraPCPlayerDlg::clearTrail()
{
    m_trail.Jump();
    MapView()->ClearTrail();
}

std::optional<int> CRX9VantoraPCPlayerDlg::replayRow() const
{
    return ReplayIndex(RecordingList()->RowCount(), m_catalogue.CurrentIndex(), IsClipOpen());
}

// ---- previous and next, speed list, picture

void CRX9VantoraPCPlayerDlg::PreviousRecording()
{
    const auto row = PreviousIndex(RecordingList()->RowCount(), m_catalogue.CurrentIndex(),
                                   m_playback->IsPlaying());
    if (row)
        OpenRecordingAt(*row);
}

void CRX9VantoraPCPlayerDlg::NextRecording()
{
    if (const auto row = NextIndex(RecordingList()->RowCount(), m_catalogue.CurrentIndex()))
        OpenRecordingAt(*row);
}

void CRX9VantoraPCPlayerDlg::ShowSpeedList()
{
    CSkinButton *speed = Button(ids::kSpeed);
    const QRect anchor(speed->mapToGlobal(QPoint(0, 0)), speed->size());
    SpeedList()->ShowAbove(anchor);
}

void CRX9VantoraPCPlayerDlg::AdjustPicture()
{
    // The picture stands still while the dialog is open.
    const auto hold = m_playback->HoldStill();
    CLiveAdjust live(*m_playback);
    const int result = ShowAdjustment(&live, m_playback->Brightness(), m_playback->Contrast(),
                                      m_playback->NightVision(), this);
    m_playback->AdjustmentEnded(result);
}

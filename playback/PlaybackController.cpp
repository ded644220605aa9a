#include "PlaybackController.h"

#include "PlaybackLog.h"

#include "DriveUtils.h"
#include "VideoView.h"
#include "VlcPlayer.h"

#include <algorithm>

CPlaybackController::CPauseHold::CPauseHold(CPlaybackController *controller)
    : m_controller(controller)
{}

CPlaybackController::CPauseHold::CPauseHold(CPauseHold &&other) noexcept
    : m_controller(std::exchange(other.m_controller, nullptr))
    , m_generation(other.m_generation)
{}

CPlaybackController::CPauseHold::~CPauseHold()
{
    if (m_controller)
        m_controller->release(*this);
}

CPlaybackController::CPlaybackController(const QStringList &engineArguments, QObject *parent)
    : QObject(parent)
    , m_engineArguments(engineArguments)
    , m_engine(std::make_unique<CVlcPlayer>(engineArguments))
{
    for (QTimer *timer : {&m_clipReady, &m_rotationDefer, &m_rotationSettle})
        timer->setSingleShot(true);
    connect(&m_clipReady, &QTimer::timeout, this, &CPlaybackController::onClipReady);
    connect(&m_rotationDefer, &QTimer::timeout, this,
            [this] { runRotation(m_rotation.DeferTimerFired()); });
    connect(&m_rotationSettle, &QTimer::timeout, this,
            [this] { runRotation(m_rotation.SettleTimerFired()); });
    hookEngine(*m_engine);
    m_nextPoll.setInterval(kNextPollMs);
    connect(&m_nextPoll, &QTimer::timeout, this, &CPlaybackController::pollNext);
    m_retire.setSingleShot(true);
    connect(&m_retire, &QTimer::timeout, this, [this] { retire(nullptr); });
    m_handOver.setInterval(kHandOverPollMs);
    connect(&m_handOver, &QTimer::timeout, this, &CPlaybackController::pollHandOver);
}

CPlaybackController::~CPlaybackController()
{
    // The open clip goes first: closing it waits for a report being made, and none follows.
    finishHandOver();
    stopAndClose();
    DropNext();
    retire(nullptr);
}

void CPlaybackController::hookEngine(CVlcPlayer &engine)
{
    // Each report says which engine made it: only the one playing the open clip is heard.
    engine.SetEventSink(
        [this, from = &engine](EngineEvent event, qint64 timeMs, quint64 generation) {
            QMetaObject::invokeMethod(
                this,
                [this, from, event, timeMs, generation] {
                    onEngineEvent(from, event, timeMs, generation);
                },
                Qt::QueuedConnection);
        });
}

void CPlaybackController::AttachView(CVideoView *view)
{
    m_view = view;
    m_engine->AttachView(view);
}

bool CPlaybackController::IsClipOpen() const
{
    return m_engine->HasMedia();
}

quint64 CPlaybackController::Generation() const
{
    return m_engine->Generation();
}

QString CPlaybackController::ClipPath() const
{
    return m_engine->HasMedia() ? m_engine->Path() : QString();
}

qint64 CPlaybackController::Time() const
{
    return m_engine->GetTime();
}

// ---- opening and closing

void CPlaybackController::stopAndClose()
{
    if (m_engine->HasMedia())
        m_engine->Stop();
    m_engine->CloseMedia();
    m_holds = 0;
}

CPlaybackController::OpenResult CPlaybackController::fail(const QString &path)
{
    stopAndClose();
    m_playing = false;
    emit PlayingChanged(false);
    emit ClipFailed(path);
    return OpenResult::Failed;
}

CPlaybackController::OpenResult CPlaybackController::Open(const QString &path)
{
    // A clip-ready timer still running for the clip before must not put that clip's length
    // into the read-out of this one.
    m_clipReady.stop();
    finishHandOver();
    if (swapInNext(path))
        return OpenResult::Started;
    DropNext();
    if (!IsAviFile(path))
        return fail(path);
    if (!FileExists(path)) {
        stopAndClose(); // vanished since the list was made
        m_playing = false;
        emit PlayingChanged(false);
        m_clipReady.start(kClipReadyMs);
        return OpenResult::Missing;
    }

    m_lengthMs = 0; // known again once the engine has read the new clip
    // The clip before stops first: should the new one fail to open, the old one must not go on
    // playing unseen.
    stopAndClose();
    if (!m_engine->OpenMedia(path))
        return fail(path);
    int width = 0;
    int height = 0;
    const bool sized = ReadAviFrameSize(path, width, height);
    emit ClipOpened(path, sized ? QSize(width, height) : QSize());
    if (!m_engine->Play())
        return fail(path);
    // The engine keeps the rate of the clip before; the speed shown is the speed played.
    m_engine->SetRate(m_rate);
    m_playing = true;
    emit PlayingChanged(true);
    m_clipReady.start(kClipReadyMs);
    return OpenResult::Started;
}

void CPlaybackController::Close()
{
    finishHandOver();
    DropNext();
    m_clipReady.stop();
    stopAndClose();
    m_playing = false;
}

void CPlaybackController::onClipReady()
{
    if (m_engine->HasMedia())
        m_lengthMs = m_engine->GetLength();
    applyPicture();
    emit LengthChanged(m_lengthMs);
    // The new clip hears what the sound buttons show: a speed other than 1.0 keeps it silent
    // until the user turns the sound on.
    applySoundVolume(m_soundView.audible ? m_sound.Volume() : 0);
}

// ---- the engine's reports

void CPlaybackController::onEngineEvent(const CVlcPlayer *engine, EngineEvent event, qint64 timeMs,
                                        quint64 generation)
{
    // A report of a clip closed since (another clip opened, the last one ended, the player
    // cleared), or of the clip being prepared to follow, belongs to nothing shown now.
    if (engine != m_engine.get() || generation != m_engine->Generation() || !m_engine->HasMedia())
        return;
    const bool endedBefore = m_endedEngine == engine && m_endedGeneration == generation;
    if (event == EngineEvent::LastPicture) {
        // With the next clip ready the clip ends on its last picture: the engine's own report
        // comes up to three picture intervals later, which would show as a pause between clips.
        if (m_nextState == NextState::Ready && m_playing && m_holds == 0 && !endedBefore) {
            PlaybackLog::Write("last-picture");
            m_endedEngine = engine;
            m_endedGeneration = generation;
            emit EndReached();
        }
        return;
    }
    if (event == EngineEvent::EndReached) {
        if (!endedBefore)
            emit EndReached();
        return;
    }
    // A pause asked for while the clip was still opening takes effect now that it plays.
    if (enginePaused())
        m_engine->SetPause(true);
    // Half a second is not always enough for the engine to know the clip's length (a slow or
    // busy computer): take it as soon as it is known, so that the length read-out and the
    // graph's time scale do not stay at zero for the whole clip.
    if (m_lengthMs <= 0 && !m_clipReady.isActive()) {
        const qint64 length = m_engine->GetLength();
        if (length > 0) {
            m_lengthMs = length;
            emit LengthChanged(length);
        }
    }
    emit TimeChanged(timeMs);
}

// ---- play, pause, steps

bool CPlaybackController::enginePaused() const
{
    return !m_playing || m_holds > 0;
}

void CPlaybackController::Play()
{
    if (!m_engine->HasMedia() || m_playing)
        return;
    m_playing = true;
    if (!enginePaused())
        m_engine->SetPause(false);
    emit PlayingChanged(true);
    runRotation(m_rotation.Resumed());
}

void CPlaybackController::Pause()
{
    if (!m_engine->HasMedia() || !m_playing)
        return;
    // An engine still opening the clip cannot pause yet: the next time report pauses it.
    m_engine->SetPause(true);
    m_playing = false;
    emit PlayingChanged(false);
}

void CPlaybackController::TogglePlay()
{
    if (m_playing)
        Pause();
    else
        Play();
}

CPlaybackController::CPauseHold CPlaybackController::HoldStill()
{
    CPauseHold hold(nullptr);
    if (!m_playing || !m_engine->HasMedia())
        return hold;
    hold.m_controller = this;
    hold.m_generation = m_engine->Generation();
    ++m_holds;
    m_engine->SetPause(true);
    return hold;
}

void CPlaybackController::release(const CPauseHold &hold)
{
    if (hold.m_generation != m_engine->Generation() || m_holds == 0)
        return;
    if (--m_holds == 0 && m_playing && m_engine->HasMedia())
        m_engine->SetPause(false);
}

void CPlaybackController::StepBack()
{
    if (StepAllowed(m_engine->HasMedia(), m_playing))
        m_engine->SeekBy(-kStepSeconds);
}

void CPlaybackController::StepForward()
{
    if (StepAllowed(m_engine->HasMedia(), m_playing))
        m_engine->SeekBy(kStepSeconds);
}

void CPlaybackController::SeekTo(qint64 timeMs)
{
    // The engine reports no time while paused: the read-outs follow the picture at once. (While
    // playing its next report comes soon and says the same.)
    if (m_engine->SeekTo(timeMs))
        emit TimeChanged(std::max<qint64>(timeMs, 0));
}

// ---- play speed and sound

void CPlaybackController::ChooseSpeed(int listId, int item)
{
    const auto choice = ::ChooseSpeed(listId, item, m_rate, m_sound);
    if (!choice)
        return;
    m_rate = choice->playRate;
    emit RateChanged(m_rate);
    if (m_engine->HasMedia())
        m_engine->SetRate(m_rate);
    applySound(choice->sound);
}

void CPlaybackController::applySoundVolume(int volume)
{
    if (!m_engine->HasMedia())
        return;
    m_engine->SetMute(false);
    m_engine->SetVolume(volume);
}

void CPlaybackController::applySound(const SoundView &view)
{
    m_soundView = view;
    applySoundVolume(view.engineVolume);
    emit SoundChanged(view);
}

void CPlaybackController::SoundOn()
{
    applySound(m_sound.TurnOn());
}

void CPlaybackController::SoundOff()
{
    applySound(m_sound.TurnOff());
}

void CPlaybackController::ToggleSound()
{
    if (m_sound.SoundOn())
        SoundOff();
    else
        SoundOn();
}

void CPlaybackController::VolumeUp()
{
    if (const auto volume = m_sound.VolumeUp()) {
        if (m_soundView.audible) // silenced by the play speed: heard once the sound is on
            applySoundVolume(*volume);
        emit VolumeChanged(*volume);
    }
}

void CPlaybackController::VolumeDown()
{
    if (const auto volume = m_sound.VolumeDown()) {
        if (m_soundView.audible)
            applySoundVolume(*volume);
        emit VolumeChanged(*volume);
    }
}

void CPlaybackController::SetVolume(int volume)
{
    applySoundVolume(m_sound.SetVolume(volume));
    emit VolumeChanged(m_sound.Volume());
}

// ---- picture

void CPlaybackController::applyPicture()
{
    m_engine->ApplyBrightness(m_brightness);
    m_engine->ApplyContrast(m_contrast);
}

void CPlaybackController::SetBrightness(float value)
{
    m_brightness = value;
    m_engine->ApplyBrightness(value);
}

void CPlaybackController::SetContrast(float value)
{
    m_contrast = value;
    m_engine->ApplyContrast(value);
}

void CPlaybackController::AdjustmentEnded(int result)
{
    if (m_nightVision && !NightVisionAfterAdjust(true, result, m_brightness, m_contrast)) {
        m_nightVision = false;
        emit NightVisionChanged(false);
    }
}

void CPlaybackController::setNightVision(bool on, float picture)
{
    if (!m_engine->HasMedia())
        return;
    m_contrast = picture;
    m_brightness = picture;
    m_nightVision = on;
    emit NightVisionChanged(on);
    applyPicture();
}

void CPlaybackController::NightVisionOn()
{
    setNightVision(true, kNightVisionPicture);
}

void CPlaybackController::NightVisionOff()
{
    setNightVision(false, kNeutralPicture);
}

// ---- rotation and stills

void CPlaybackController::Rotate()
{
    runRotation(m_rotation.Press(m_engine->HasMedia()));
}

void CPlaybackController::runRotation(const CRotationControl::Actions &actions)
{
    // The actions come after the rotation's state has changed: a turn among them is the news.
    bool turned = false;
    for (const CRotationControl::Action &action : actions) {
        switch (action.kind) {
        case CRotationControl::Action::StartTimer:
            if (action.timerId == CRotationControl::kDeferTimer)
                m_rotationDefer.start(action.ms);
            else if (action.timerId == CRotationControl::kSettleTimer)
                m_rotationSettle.start(action.ms);
            break;
        case CRotationControl::Action::RotateOn:
            m_engine->RotateOn();
            turned = true;
            break;
        case CRotationControl::Action::RotateOff:
            m_engine->RotateOff();
            turned = true;
            break;
        case CRotationControl::Action::ApplyPicture:
            applyPicture();
            break;
        }
    }
    if (turned)
        emit RotationChanged(m_rotation.Rotated());
}

bool CPlaybackController::TakeStill(const QString &targetPath)
{
    return m_engine->TakeSnapshot(targetPath);
}

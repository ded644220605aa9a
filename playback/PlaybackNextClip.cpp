// The clip made ready to follow the open one: opened in a second engine, silent and unseen,
// paused as soon as its first picture is there, and put in the open clip's place when it is
// opened next, so that its first picture comes right after the last one of the clip before.
//
// It is paused after playing into its first picture rather than stepped to it from a paused
// start: after a step the engine's clock stands ahead of the picture held, and when it plays on
// it drops the pictures it finds late (two to six of them just after the move).

#include "PlaybackController.h"

#include "DriveUtils.h"
#include "PlaybackLog.h"
#include "VideoFrames.h"
#include "VideoView.h"
#include "VlcPlayer.h"

void CPlaybackController::PrepareNext(const QString &path)
{
    if (!m_nextPath.isEmpty() && path == m_nextPath)
        return;
    m_nextTries = 0;
    prepare(path);
}

void CPlaybackController::prepare(const QString &path)
{
    DropNext();
    // A clip that is not there or not a clip opens the usual way, which says so.
    if (path.isEmpty() || !m_engine->HasMedia() || path == m_engine->Path() || !IsAviFile(path) ||
        !FileExists(path))
        return;
    if (!m_next) {
        m_next = std::make_unique<CVlcPlayer>(m_engineArguments);
        hookEngine(*m_next);
    }
    // Its first picture is not awaited by anyone: its buffers are written when it comes.
    m_next->Frames().SetWarmUp(false);
    if (!m_next->IsReady() || !m_next->OpenMedia(path)) {
        m_next->CloseMedia();
        return;
    }
    // Taken by the engine when the clip starts, so its first picture already looks as it will;
    // not heard until it takes over.
    m_next->SetRate(m_rate);
    m_next->ApplyBrightness(m_brightness);
    m_next->ApplyContrast(m_contrast);
    m_next->Frames().SetTurned(m_engine->IsRotated());
    m_next->SetMute(true);
    // The spare engine's video output still holds the last picture of the clip it played.
    m_nextDelivered = m_next->Frames().GetStatistics().delivered;
    if (!m_next->Play())
        return; // closed again
    PlaybackLog::Write("prepare-next");
    m_nextPath = path;
    m_nextState = NextState::Opening;
    m_nextSince.start();
    m_nextPoll.start(kNextPollMs);
}

void CPlaybackController::pollNext()
{
    if (!m_next || !m_next->HasMedia() || m_nextSince.elapsed() > kNextLimitMs) {
        DropNext(); // did not open in time: it opens the usual way when its turn comes
        return;
    }
    switch (m_nextState) {
    case NextState::Opening:
        if (m_next->Frames().GetStatistics().delivered > m_nextDelivered) {
            m_next->SetPause(true);
            m_nextState = NextState::Pausing;
        } else if (!m_next->IsPlaying() && m_nextSince.elapsed() > kNextLimitMs / 2) {
            DropNext(); // the engine gave up on it
        }
        break;
    case NextState::Pausing:
        // The engine takes a pause only while it plays: asked again until it has taken it.
        if (m_next->IsPaused() && m_next->Frames().PictureCount() > 1 &&
            ++m_nextTries < kNextTries) {
            // It showed a second picture before it stopped, so the first would be left out:
            // opened again (this is rare, and quick).
            PlaybackLog::Write("prepare-again");
            const QString again = m_nextPath; // dropped on the way
            prepare(again);
        } else if (m_next->IsPaused()) {
            m_nextPoll.stop();
            m_nextState = NextState::Ready;
            PlaybackLog::Write("next-ready");
            emit NextPrepared(m_nextPath);
        } else {
            m_next->SetPause(true);
        }
        break;
    default:
        m_nextPoll.stop();
        break;
    }
}

void CPlaybackController::DropNext()
{
    m_nextPoll.stop();
    m_nextPath.clear();
    m_nextState = NextState::None;
    if (m_next && m_next->HasMedia()) {
        m_next->Stop();
        m_next->CloseMedia();
    }
    // The spare engine waits unused until the next preparation: it keeps no pictures.
    if (m_next)
        m_next->Frames().ReleaseSpareMemory();
}

bool CPlaybackController::swapInNext(const QString &path)
{
    if (m_nextState != NextState::Ready || path != m_nextPath || !m_next || !m_next->HasMedia() ||
        !FileExists(path))
        return false;
    PlaybackLog::Write("take-over");
    m_nextPoll.stop();
    m_nextPath.clear();
    m_nextState = NextState::None;

    const bool turned = m_engine->IsRotated();
    // The old clip's last picture stands its time before the new clip's first replaces it.
    quint32 intervalUs = ReadAviFrameInterval(m_engine->Path());
    if (intervalUs == 0 || intervalUs > 1000000)
        intervalUs = kDefaultFrameIntervalUs;
    m_lastPictureNs = qint64(intervalUs * 1000.0 / qMax(m_rate, 0.01f));

    std::unique_ptr<CVlcPlayer> old = std::exchange(m_engine, std::move(m_next));
    m_engine->Frames().SetTurned(turned);
    m_engine->Frames().SetWarmUp(true); // for the clips it opens later
    m_engine->SetRate(m_rate);
    applyPicture();
    // The new clip hears what the sound buttons show, from its first picture on.
    applySoundVolume(m_soundView.audible ? m_sound.Volume() : 0);
    m_holds = 0;
    m_lengthMs = 0;
    m_playing = true;
    retire(std::move(old));
    m_handingOver = true;
    m_handOverSince.start();
    m_handOver.start(kHandOverPollMs);
    pollHandOver();

    int width = 0;
    int height = 0;
    const bool sized = ReadAviFrameSize(path, width, height);
    emit ClipOpened(path, sized ? QSize(width, height) : QSize());
    emit PlayingChanged(true);
    m_clipReady.start(kClipReadyMs);
    return true;
}

void CPlaybackController::pollHandOver()
{
    // The engine reports the end once it has handed over the old clip's last picture: the view
    // goes over to the new clip when that one has been painted and has stood its time.
    if (m_retired && m_handOverSince.elapsed() < m_lastPictureNs / 1000000 + kHandOverSlackMs) {
        const CVideoFrameStore::Statistics old = m_retired->Frames().GetStatistics();
        if (old.painted + old.replaced < old.delivered)
            return; // looked at again on the timer
        // Looked at every few ms: the last look may come that much late.
        const qint64 due = m_lastPictureNs - qint64(kHandOverPollMs) * 1000000;
        if (old.lastPaintNs > 0 && CVideoFrameStore::ClockNs() - old.lastPaintNs < due)
            return;
    }
    finishHandOver();
}

void CPlaybackController::finishHandOver()
{
    if (!m_handingOver)
        return;
    m_handingOver = false;
    m_handOver.stop();
    // The view goes over to the new clip's pictures: its first one is there already.
    if (m_retired)
        m_retired->AttachView(nullptr);
    if (m_view)
        m_engine->AttachView(m_view);
    // It plays on only now: started while the old clip's last picture stood, it could show its
    // second picture before the view came over, and its first would never be seen.
    if (m_playing && m_holds == 0)
        m_engine->SetPause(false);
    // Stopping the old engine waits for its threads: a moment later, once the new clip runs.
    m_retire.start(kRetireMs);
}

void CPlaybackController::retire(std::unique_ptr<CVlcPlayer> engine)
{
    // The engine retired before goes now; the one given waits for the timer. Either becomes
    // the spare for the next preparation.
    if (m_retired) {
        if (m_retired->HasMedia()) {
            m_retired->Stop();
            m_retired->CloseMedia();
        }
        if (!m_next) {
            m_next = std::move(m_retired);
            // It waits unused until the next preparation: it keeps no pictures meanwhile.
            m_next->Frames().ReleaseSpareMemory();
        }
        m_retired.reset();
    }
    m_retired = std::move(engine);
}

// The clip made ready to follow the open one: opened in a second engine, stopped on its first
// picture, and put in the open clip's place when it is opened next, so that its first picture
// comes right after the last one of the clip before.

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
    DropNext();
    // A clip that is not there or not a clip opens the usual way, which says so.
    if (path.isEmpty() || !m_engine->HasMedia() || path == m_engine->Path() || !IsAviFile(path) ||
        !FileExists(path))
        return;
    if (!m_next) {
        m_next = std::make_unique<CVlcPlayer>(m_engineArguments);
        hookEngine(*m_next);
    }
    if (!m_next->IsReady() || !m_next->OpenMedia(path, true)) {
        m_next->CloseMedia();
        return;
    }
    // Taken by the engine when the clip starts, so its first picture already looks as it will.
    m_next->SetRate(m_rate);
    m_next->ApplyBrightness(m_brightness);
    m_next->ApplyContrast(m_contrast);
    m_next->Frames().SetTurned(m_engine->IsRotated());
    // The spare engine's video output still holds the last picture of the clip it played.
    m_nextDelivered = m_next->Frames().GetStatistics().delivered;
    if (!m_next->Play())
        return; // closed again
    PlaybackLog::Write("prepare-next");
    m_nextPath = path;
    m_nextState = NextState::Opening;
    m_nextPolls = 0;
    m_nextPoll.start();
}

void CPlaybackController::pollNext()
{
    if (!m_next || !m_next->HasMedia() || ++m_nextPolls > kNextPollLimit) {
        DropNext(); // did not open in time: it opens the usual way when its turn comes
        return;
    }
    switch (m_nextState) {
    case NextState::Opening:
        // Stopped before its first picture: show that one and stay.
        if (m_next->IsPaused()) {
            m_next->NextFrame();
            m_nextState = NextState::Stepping;
        } else if (!m_next->IsPlaying() && m_nextPolls > kNextPollLimit / 2) {
            DropNext(); // the engine gave up on it
        }
        break;
    case NextState::Stepping:
        if (m_next->Frames().GetStatistics().delivered > m_nextDelivered) {
            m_nextPoll.stop();
            m_nextState = NextState::Ready;
            PlaybackLog::Write("next-ready");
            emit NextPrepared(m_nextPath);
        } else if (m_nextPolls % kNextStepPolls == 0) {
            // Asked too early (before the engine had read far enough): it did not take it.
            m_next->NextFrame();
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
    std::unique_ptr<CVlcPlayer> old = std::exchange(m_engine, std::move(m_next));
    m_engine->Frames().SetTurned(turned);
    m_engine->SetRate(m_rate);
    applyPicture();
    m_holds = 0;
    m_lengthMs = 0;
    m_playing = true;
    retire(std::move(old));
    // The engine reports the end once it has handed over the old clip's last picture: the
    // view goes over to the new clip when it has painted that one.
    m_handingOver = true;
    m_handOverPolls = 0;
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
    if (m_retired && ++m_handOverPolls < kHandOverPolls) {
        const CVideoFrameStore::Statistics old = m_retired->Frames().GetStatistics();
        if (old.painted + old.replaced < old.delivered)
            return; // looked at again on the timer
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
        if (!m_next)
            m_next = std::move(m_retired);
        m_retired.reset();
    }
    m_retired = std::move(engine);
}

// The trip timeline of the main player window: the trip's time in the read-out, the trip bar and
// the title, and seeks across the trip's recordings.

#include "PlayerTimeline.h"

#include "DataParser.h"
#include "NotificationCodes.h"
#include "PlaybackController.h"
#include "PlayerTrip.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "TripBar.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QEvent>
#include <QMenu>
#include <algorithm>

CPlayerTimeline::CPlayerTimeline(CRX9VantoraPCPlayerDlg *player, CPlayerTrip *trip)
    : QObject(trip)
    , m_player(player)
    , m_trip(trip)
    , m_on(m_preferences.TripTimeline())
{
    CDataParser *graph = player->SensorGraph();
    m_bar = new CTripBar(graph->parentWidget());
    m_bar->hide();
    graph->installEventFilter(this);
    connect(m_bar, &CTripBar::SeekRequested, this, &CPlayerTimeline::SeekToTripTime);
    connect(&trip->Builder(), &CTripRouteBuilder::RouteReady, this, &CPlayerTimeline::routeReady);
    // After the window's own read-outs, which show the recording's time.
    CPlaybackController *playback = &player->Playback();
    connect(playback, &CPlaybackController::TimeChanged, this, &CPlayerTimeline::timeChanged);
    connect(playback, &CPlaybackController::LengthChanged, this, &CPlayerTimeline::lengthChanged);
    connect(&player->Catalogue(), &CCatalogue::TitleChanged, this, &CPlayerTimeline::titleChanged);
}

QString CPlayerTimeline::currentFileName() const
{
    if (!m_player->IsClipOpen())
        return {};
    return m_player->RecordingList()->RowFileName(m_player->Catalogue().CurrentIndex());
}

bool CPlayerTimeline::IsShowing() const
{
    return m_on && m_timeline.IndexOf(currentFileName()) >= 0;
}

void CPlayerTimeline::SetOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    m_preferences.SetTripTimeline(on);
    refresh();
}

void CPlayerTimeline::AddMenuItem(QMenu *menu)
{
    QAction *action = menu->addAction(tr("Trip timeline"));
    action->setData(kTripTimelineCommand);
    action->setCheckable(true);
    action->setChecked(m_on);
    connect(action, &QAction::triggered, m_player,
            [this] { m_player->OnCommand(kTripTimelineCommand); });
}

bool CPlayerTimeline::OnCommand(int commandId)
{
    if (commandId != kTripTimelineCommand)
        return false;
    SetOn(!m_on);
    return true;
}

void CPlayerTimeline::routeReady(const TripRoute &route, const QString &forFile)
{
    if (forFile != currentFileName())
        return; // the player has moved on
    m_timeline = CTripTimeline(route.clips);
    // The engine's length of the open recording is the better one.
    const qint64 length = m_player->Playback().ClipLength();
    if (length > 0)
        m_timeline.SetClipLength(forFile, length);
    refresh();
}

void CPlayerTimeline::timeChanged(qint64 timeMs)
{
    if (!IsShowing())
        return;
    const qint64 position = m_timeline.TripPosition(currentFileName(), timeMs).value_or(0);
    m_bar->SetPosition(position);
    m_player->setPositionReadout(position);
}

void CPlayerTimeline::lengthChanged(qint64 lengthMs)
{
    const QString current = currentFileName();
    if (m_timeline.SetClipLength(current, lengthMs) && m_on)
        refresh();
}

void CPlayerTimeline::titleChanged(const QString &)
{
    // Another recording: of the same trip, or of one not known yet (the bar goes until then).
    if (m_on)
        refresh();
}

void CPlayerTimeline::refresh()
{
    const QString current = currentFileName();
    const int index = m_timeline.IndexOf(current);
    const bool showing = m_on && index >= 0;
    if (!showing) {
        m_bar->hide();
        if (!m_player->IsClipOpen())
            return;
        // Back to the recording alone.
        m_player->setPositionReadout(std::max<qint64>(0, m_player->Playback().Time()));
        m_player->setLengthReadout(m_player->Playback().ClipLength());
        m_player->SetCaptionText(m_player->Catalogue().TitleText());
        return;
    }
    std::vector<CTripBar::Span> spans;
    for (const TimelineClip &clip : m_timeline.Clips())
        spans.push_back({clip.startMs, clip.EndMs(), clip.fileName == current});
    m_bar->SetTrip(m_timeline.LengthMs(), std::move(spans), m_timeline.ShockPositions());
    const qint64 position =
        m_timeline.TripPosition(current, std::max<qint64>(0, m_player->Playback().Time()))
            .value_or(0);
    m_bar->SetPosition(position);
    m_player->setPositionReadout(position);
    m_player->setLengthReadout(m_timeline.LengthMs());
    m_player->SetCaptionText(
        TripTitleText(m_player->Catalogue().TitleText(), index + 1, m_timeline.ClipCount()));
    placeBar();
    m_bar->show();
    m_bar->raise();
}

void CPlayerTimeline::placeBar()
{
    // Right under the sensor graph, beside the time read-out and before the volume slider,
    // above the buttons.
    const MainLayout &layout = m_player->CurrentLayout();
    const QRect graph = m_player->SensorGraph()->geometry();
    const int top = graph.bottom() + 2;
    int bottom = layout.volume.top();
    for (const auto &[id, rect] : layout.buttons) {
        if (rect.top() > graph.bottom())
            bottom = std::min(bottom, rect.top());
    }
    const int left = std::max(graph.left(), layout.timeReadout.right() + 12);
    const int right = std::min(graph.right(), layout.volume.left() - 12);
    m_bar->setGeometry(left, top, std::max(0, right - left + 1),
                       std::clamp(bottom - top - 2, CTripBar::kMinHeight, CTripBar::kHeight));
}

bool CPlayerTimeline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_player->SensorGraph() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeBar();
    return QObject::eventFilter(watched, event);
}

void CPlayerTimeline::SeekToTripTime(qint64 tripMs)
{
    const QString current = currentFileName();
    const std::optional<TimelineTarget> target = m_timeline.TargetAt(tripMs, current);
    if (!target)
        return;
    if (target->fileName == current) {
        PostUserMessage(m_player, notify::kSeek, target->ms); // the road of a click in the graph
        return;
    }
    m_trip->OpenAt(target->fileName, target->ms);
}

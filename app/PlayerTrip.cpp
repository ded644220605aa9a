// The trip features of the main player window: the trip's route on the map, route clicks,
// shock jumps and the GPX export.

#include "PlayerTrip.h"

#include "CopyJob.h"
#include "DataParser.h"
#include "DriveUtils.h"
#include "GpxWriter.h"
#include "HtmlMap.h"
#include "NotificationCodes.h"
#include "PlaybackController.h"
#include "PlayerTimeline.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SafeFile.h"
#include "Shocks.h"
#include "UserMessage.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QSaveFile>

namespace {
constexpr int kSeekPollMs = 50;
constexpr int kSeekPollTicks = 200; // ten seconds for the engine to get the clip ready
} // namespace

CPlayerTrip::CPlayerTrip(CRX9VantoraPCPlayerDlg *player)
    : QObject(player)
    , m_player(player)
{
    connect(&m_builder, &CTripRouteBuilder::RouteReady, this, &CPlayerTrip::showRoute);
    connect(player->MapView(), &CHtmlMap::RoutePointClicked, this, &CPlayerTrip::OpenRoutePoint);
    m_seekTimer.setInterval(kSeekPollMs);
    connect(&m_seekTimer, &QTimer::timeout, this, &CPlayerTrip::seekWhenReady);
    m_timeline = new CPlayerTimeline(player, this);
}

CPlayerTrip::~CPlayerTrip()
{
    m_builder.Wait();
}

QString CPlayerTrip::currentFileName() const
{
    if (!m_player->IsClipOpen())
        return {};
    return m_player->RecordingList()->RowFileName(m_player->Catalogue().CurrentIndex());
}

QStringList CPlayerTrip::cardFileNames() const
{
    const CCatalogue &catalogue = m_player->Catalogue();
    return catalogue.NormalNames() + catalogue.EventNames() + catalogue.ParkingNames();
}

int CPlayerTrip::rowOf(const QString &fileName) const
{
    const CXListCtrl *list = m_player->RecordingList();
    for (int row = 0; row < list->RowCount(); ++row) {
        if (list->RowFileName(row) == fileName)
            return row;
    }
    return -1;
}

void CPlayerTrip::ClipOpened()
{
    m_timeline->ClipOpened();
    const QString current = currentFileName();
    if (current.isEmpty()) {
        showRoute(TripRoute{}, QString());
        return;
    }
    // The route of the same trip stays on the map while the next one is read.
    m_builder.Request(m_player->Catalogue().FolderPath(), cardFileNames(), current);
}

void CPlayerTrip::showRoute(const TripRoute &route, const QString &forFile)
{
    if (forFile != currentFileName())
        return; // the player has moved on to another recording
    m_route = route;
    sendRoute();
    emit RouteShown(route.PointCount());
}

void CPlayerTrip::UnitChanged()
{
    sendRoute();
}

void CPlayerTrip::sendRoute()
{
    const bool milesPerHour = m_player->State().unitKm == 0;
    const QByteArray json = m_route.IsEmpty() ? QByteArray() : RouteJson(m_route, milesPerHour);
    if (json != m_routeJson) {
        m_routeJson = json;
        m_player->MapView()->SetRoute(json);
    }
}

void CPlayerTrip::AddMenuItems(QMenu *menu)
{
    const bool open = m_player->IsClipOpen();
    const bool shocks = open && !m_player->SensorGraph()->ShockReadings().empty();
    const auto item = [&](const QString &text, int id, bool enabled, Qt::Key key) {
        QAction *action = menu->addAction(text);
        action->setData(id);
        action->setEnabled(enabled);
        if (key != Qt::Key_unknown) {
            // Shown in the menu only; the window's key handling does the work.
            action->setShortcut(QKeySequence(key));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(action, &QAction::triggered, m_player, [this, id] { m_player->OnCommand(id); });
    };
    item(tr("Previous shock"), kPreviousShockCommand, shocks, kPreviousShockKey);
    item(tr("Next shock"), kNextShockCommand, shocks, kNextShockKey);
    item(QStringLiteral("Export route as GPX..."), kExportGpxCommand, open, Qt::Key_unknown);
    m_timeline->AddMenuItem(menu);
}

bool CPlayerTrip::OnCommand(int commandId)
{
    switch (commandId) {
    case kPreviousShockCommand:
        JumpToShock(false);
        return true;
    case kNextShockCommand:
        JumpToShock(true);
        return true;
    case kExportGpxCommand:
        ExportGpx();
        return true;
    default:
        return m_timeline->OnCommand(commandId);
    }
}

bool CPlayerTrip::HandleKey(int key)
{
    if (key == kPreviousShockKey) {
        JumpToShock(false);
        return true;
    }
    if (key == kNextShockKey) {
        JumpToShock(true);
        return true;
    }
    return false;
}

void CPlayerTrip::JumpToShock(bool forward)
{
    if (!m_player->IsClipOpen())
        return;
    const int now = int(m_player->Playback().Time());
    const QList<int> shocks = m_player->SensorGraph()->ShockTimesMs();
    const auto target = AdjacentShockTarget(shocks, std::max(0, now), forward);
    if (!target)
        return;
    for (const int shock : shocks) {
        if (std::max(0, shock - kShockLeadMs) == *target) {
            m_lastShock = ShockJump{currentFileName(), shock};
            break;
        }
    }
    PostUserMessage(m_player, notify::kSeek, *target); // the road of a click in the graph
}

void CPlayerTrip::OpenRoutePoint(int index)
{
    const std::optional<RouteTarget> target =
        TargetForRoutePoint(m_route, index, currentFileName());
    if (target)
        OpenAt(target->fileName, qint64(target->second) * 1000);
}

void CPlayerTrip::OpenAt(const QString &fileName, qint64 ms)
{
    int row = rowOf(fileName);
    // A recording the kind filter hides: show all kinds.
    if (row < 0) {
        for (int tries = 0;
             tries < 3 && m_player->Catalogue().KindFilterValue() != CCatalogue::FilterAll; ++tries)
            m_player->Catalogue().CycleKindFilter();
        row = rowOf(fileName);
    }
    if (row < 0)
        return;
    if (fileName != currentFileName())
        m_player->OpenRecordingAt(row);
    m_seekFile = fileName;
    m_seekMs = ms;
    m_seekTicks = 0;
    seekWhenReady();
    if (!m_seekFile.isEmpty())
        m_seekTimer.start();
}

void CPlayerTrip::seekWhenReady()
{
    if (m_seekFile.isEmpty() || m_seekFile != currentFileName() || ++m_seekTicks > kSeekPollTicks) {
        m_seekTimer.stop();
        m_seekFile.clear();
        return;
    }
    // The engine takes a seek once it has read the clip (its length is known).
    if (m_player->Playback().Engine().GetLength() <= 0)
        return;
    m_seekTimer.stop();
    m_seekFile.clear();
    PostUserMessage(m_player, notify::kSeek, m_seekMs);
}

void CPlayerTrip::ExportGpx()
{
    const QString current = currentFileName();
    if (current.isEmpty())
        return;
    bool inRoute = false;
    for (const TripClip &clip : m_route.clips)
        inRoute = inRoute || clip.fileName == current;
    // The route may still be on its way: read it now (the files are mostly cached by then).
    const TripRoute route =
        inRoute ? m_route
                : m_builder.BuildNow(m_player->Catalogue().FolderPath(), cardFileNames(), current);
    if (route.IsEmpty()) {
        m_player->message(0, tr("This recording has no GPS positions to export."));
        return;
    }
    const QString folder =
        m_player->DesktopPath() + QLatin1Char('/') + QLatin1String(kExportRootName);
    QDir().mkpath(folder);
    const QByteArray gpx = RouteToGpx(route, QTimeZone::systemTimeZone());
    // The name offered is never that of another file: "stem_route (2).gpx" ... when
    // "stem_route.gpx" holds something else.
    const QString suggested =
        folder + QLatin1Char('/') + FirstFreeName(folder, GpxFileName(route), gpx);
    QString typed;
    if (chooseSaveFile) {
        typed = chooseSaveFile(suggested);
    } else {
        QFileDialog dialog(m_player, tr("Export route as GPX"), suggested, tr("GPX files (*.gpx)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("gpx"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            typed = dialog.selectedFiles().constFirst();
    }
    if (typed.isEmpty())
        return;
    const QString path = WithGpxExtension(typed);
    QString written;
    if (path == suggested || path != typed) {
        // The name offered, which may have been taken meanwhile, or one whose ".gpx" was added
        // here (no one has asked before replacing a file of that name): a file there stays, and
        // the route gets the next free name, as copies do.
        const QString partial = PartialCopyPath(path);
        QSaveFile file(partial);
        if (file.open(QIODevice::WriteOnly) && file.write(gpx) == gpx.size() && file.commit())
            written = PlaceFileWithoutReplacing(partial, path);
        if (written.isEmpty())
            DeleteFileAt(partial);
    } else {
        // A name the user chose: the file dialog has asked before replacing a file.
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(gpx) == gpx.size() && file.commit())
            written = path;
    }
    if (written.isEmpty())
        m_player->message(0, tr("The GPX file could not be written:\n%1").arg(path));
    else
        m_player->message(0, tr("The trip's route is saved as\n%1").arg(written));
}

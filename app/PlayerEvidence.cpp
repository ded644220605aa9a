// The evidence export of the main player window: menu item, keys and the dialog.

#include "PlayerEvidence.h"

#include "CommandLine.h"
#include "DlgEvidence.h"
#include "PlaybackController.h"
#include "PlayerTrip.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "RecordingNames.h"
#include "Trip.h"
#include "XListCtrl.h"

#include <QMenu>

namespace {
// A shock jumped to stays the span's centre while the play time is this close to it.
constexpr int kShockNearMs = 30000;
} // namespace

CPlayerEvidence::CPlayerEvidence(CRX9VantoraPCPlayerDlg *player)
    : QObject(player)
    , m_player(player)
{}

void CPlayerEvidence::AddMenuItems(QMenu *menu)
{
    QAction *action = menu->addAction(QStringLiteral("Export evidence..."));
    action->setData(kExportEvidenceCommand);
    action->setEnabled(m_player->IsClipOpen());
    // Shown in the menu only; the window's key handling does the work.
    action->setShortcut(QKeySequence(kExportKey));
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, m_player,
            [this] { m_player->OnCommand(kExportEvidenceCommand); });
}

bool CPlayerEvidence::OnCommand(int commandId)
{
    if (commandId != kExportEvidenceCommand)
        return false;
    ExportEvidence();
    return true;
}

bool CPlayerEvidence::HandleKey(int key)
{
    switch (key) {
    case kExportKey:
        ExportEvidence();
        return true;
    case kMarkInKey:
        MarkIn();
        return true;
    case kMarkOutKey:
        MarkOut();
        return true;
    default:
        return false;
    }
}

std::optional<QDateTime> CPlayerEvidence::CurrentMoment() const
{
    if (!m_player->IsClipOpen())
        return std::nullopt;
    const QString file =
        m_player->RecordingList()->RowFileName(m_player->Catalogue().CurrentIndex());
    const QDateTime start = ClipStartFromStem(RecordingStem(file));
    if (!start.isValid())
        return std::nullopt;
    return start.addSecs(std::max<qint64>(0, m_player->Playback().Time()) / 1000);
}

void CPlayerEvidence::MarkIn()
{
    setMark(m_in);
}

void CPlayerEvidence::MarkOut()
{
    setMark(m_out);
}

void CPlayerEvidence::setMark(std::optional<QDateTime> &mark)
{
    const auto now = CurrentMoment();
    if (!now)
        return;
    // Marks set in another folder do not span into this one.
    if (m_marksFolder != m_player->Catalogue().FolderPath())
        ClearMarks();
    m_marksFolder = m_player->Catalogue().FolderPath();
    mark = *now;
}

void CPlayerEvidence::ClearMarks()
{
    m_in.reset();
    m_out.reset();
}

void CPlayerEvidence::ExportEvidence()
{
    if (m_dialog)
        return;
    const std::optional<QDateTime> now = CurrentMoment();
    if (!now)
        return;
    const QString file =
        m_player->RecordingList()->RowFileName(m_player->Catalogue().CurrentIndex());
    QDateTime moment = *now;
    const auto shock = m_player->Trip().LastShockJump();
    const qint64 playMs = m_player->Playback().Time();
    if (shock && shock->fileName == file && std::abs(playMs - shock->shockMs) <= kShockNearMs)
        moment = ClipStartFromStem(RecordingStem(file)).addSecs(shock->shockMs / 1000);
    if (m_marksFolder != m_player->Catalogue().FolderPath())
        ClearMarks();
    const EvidenceWindow window = EvidenceWindowAround(moment, m_in, m_out);

    EvidenceRequest request;
    request.cardFolder = m_player->Catalogue().FolderPath();
    request.anchor = window.anchor;
    request.from = window.from;
    request.to = window.to;
    request.preferred = file;
    request.unitKm = m_player->State().unitKm != 0;
    request.outputBase =
        m_player->DesktopPath() + QLatin1Char('/') + QLatin1String(kExportRootName);
    request.version = PlayerVersionText();
    auto job = std::make_unique<CEvidenceJob>(request);
    if (!job->Prepare()) {
        m_player->message(0, job->Error());
        return;
    }
    CDlgEvidence dialog(std::move(job), m_player);
    m_dialog = &dialog;
    // A card that goes away ends the export: nothing of it stays behind.
    const CCardUses::CUse use = m_player->CardUses().Begin([this] { CancelExport(); });
    const int result = runDialog ? runDialog(&dialog) : dialog.exec();
    m_dialog = nullptr;
    CEvidenceJob &done = dialog.Job();
    if (result == 1 && done.Succeeded()) {
        ClearMarks();
        m_player->message(0,
                          QStringLiteral("The evidence was saved in\n%1").arg(done.FolderPath()));
    } else if (dialog.IsExporting() && !done.Cancelled()) {
        m_player->message(
            0, QStringLiteral("The evidence could not be exported:\n%1").arg(done.Error()));
    }
}

void CPlayerEvidence::CancelExport()
{
    if (m_dialog)
        m_dialog->Cancel();
}

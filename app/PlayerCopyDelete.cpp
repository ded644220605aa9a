// The main player window's copy, event export and delete commands. The files always come from
// the rows themselves (the real name of each row's recording on the card), never from names
// rebuilt out of the texts the list shows.

#include "RX9VantoraPCPlayerDlg.h"

#include "CopyRules.h"
#include "DlgCopy.h"
#include "DlgMessage.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "PlaybackController.h"
#include "RecordingNames.h"
#include "SafeFile.h"
#include "XListCtrl.h"

#include <QDateTime>

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

constexpr int kKindColumn = 0;

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Queues a clip and its drive-data file, each when it is a file (a link or a FIFO named like
// one is not).
void queueRecording(CDlgCopy &dialog, const QString &clipPath, const QString &folder)
{
    if (IsPlainFile(clipPath))
        dialog.AddCopyPair(clipPath, folder + fileNameOf(clipPath));
    const QString dataPath = DriveDataPath(clipPath);
    if (!dataPath.isEmpty() && IsPlainFile(dataPath))
        dialog.AddCopyPair(dataPath, folder + fileNameOf(dataPath));
}

} // namespace

int CRX9VantoraPCPlayerDlg::ask(const QString &text)
{
    if (askQuestion)
        return askQuestion(text);
    return ShowMessage(kMessageYesNo, text, QString(), this);
}

void CRX9VantoraPCPlayerDlg::runCopy(CDlgCopy &dialog)
{
    const CCardUses::CUse use = m_cardUses.Begin([&dialog] { dialog.CardLost(); });
    if (copyStarting)
        copyStarting(dialog);
    dialog.exec();
    const int failed = dialog.Job().FailedCount();
    if (failed > 0)
        message(copymsg::kOwnText, NotCopiedText(failed));
}

void CRX9VantoraPCPlayerDlg::CopySelected()
{
    const QList<CXListCtrl::SelectedRow> rows = RecordingList()->GetSelectedRows();
    if (rows.isEmpty()) {
        message(copymsg::kNothingToCopy);
        return;
    }
    if (ask(CopyQuestionText(int(rows.size()), rows.first().stem)) != kResultYes)
        return;
    m_playback->Pause(); // and it stays paused

    const QString folder =
        ExportFolder(DesktopPath(), ExportKind::Copy, QDateTime::currentDateTime());
    CDlgCopy dialog(this);
    for (const CXListCtrl::SelectedRow &row : rows)
        queueRecording(dialog, m_catalogue.ClipPathAt(row.row), folder);
    // The copy creates the folder when it writes its first file.
    runCopy(dialog);
}

void CRX9VantoraPCPlayerDlg::ExportEvents()
{
    if (m_catalogue.EventNames().isEmpty()) {
        message(copymsg::kNoEventFiles);
        return;
    }
    m_playback->Pause(); // and it stays paused

    const QString folder =
        ExportFolder(DesktopPath(), ExportKind::Events, QDateTime::currentDateTime());
    std::error_code error;
    std::filesystem::create_directories(FileSystemPath(folder), error);
    CDlgCopy dialog(this);
    // Directory order, whatever the list shows or has selected.
    for (const QString &name : m_catalogue.EventNames())
        queueRecording(dialog, m_catalogue.FolderPath() + name, folder);
    runCopy(dialog);
}

void CRX9VantoraPCPlayerDlg::DeleteSelected()
{
    CXListCtrl *list = RecordingList();
    // The clip holds still while the user answers; the buttons stay as they are.
    std::optional<CPlaybackController::CPauseHold> hold(m_playback->HoldStill());
    const auto resume = [&] { hold.reset(); };

    const QList<CXListCtrl::SelectedRow> rows = list->GetSelectedRows();
    if (rows.isEmpty()) {
        message(copymsg::kNothingToDelete);
        resume();
        return;
    }
    // A card pulled out while the question is open takes its rows with it.
    bool cardLost = false;
    const CCardUses::CUse use = m_cardUses.Begin([&cardLost] { cardLost = true; });
    if (ask(DeleteQuestionText(int(rows.size()), rows.first().stem)) != kResultYes || cardLost) {
        resume();
        return;
    }

    QList<int> selected;
    for (const CXListCtrl::SelectedRow &row : rows)
        selected.append(row.row);
    const DeletePlan plan = PlanDelete(selected, m_catalogue.CurrentIndex(), list->RowCount());
    if (plan.currentDeleted)
        m_playback->Close();

    QStringList doomed;
    for (int row : selected) {
        const QString path = m_catalogue.ClipPathAt(row);
        const auto kind = RecordingKindFromName(list->GetCellText(row, kKindColumn));
        if (path.isEmpty() || !FileExists(path))
            continue;
        doomed.append(path);
        if (kind)
            m_catalogue.RemoveName(*kind, path);
    }

    for (int row : plan.removals)
        list->DeleteRow(row);
    m_catalogue.SetCurrentIndex(plan.currentIndex);
    if (plan.currentIndex >= 0 && plan.currentIndex < list->RowCount())
        m_catalogue.MakeCurrent(plan.currentIndex); // the title "stem(i/n)"

    int left = 0;
    for (const QString &path : doomed) {
        const QString dataPath = DriveDataPath(path);
        for (const QString &file : {path, dataPath}) {
            if (file.isEmpty() || !FileExists(file))
                continue;
            if (!DeleteFileAt(file) && FileExists(file))
                ++left;
        }
    }

    if (plan.currentDeleted) {
        OpenRecordingAt(plan.currentIndex);
    } else {
        list->SelectOnly(plan.currentIndex);
        resume();
    }
    if (left > 0)
        message(copymsg::kOwnText, NotDeletedText(left));
}

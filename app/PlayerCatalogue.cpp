// The main player window's side of the recordings: the catalogue's signals into playback and the
// title, loading a card or folder, the list's keys, the card notice at start and still capture.

#include "RX9VantoraPCPlayerDlg.h"

#include "CameraSettings.h"
#include "CopyJob.h"
#include "DriveUtils.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "SafeFile.h"
#include "StringTable.h"
#include "VideoView.h"
#include "XListCtrl.h"

#include <QDir>
#include <QFileDialog>

namespace {
constexpr int kNameColumn = 1;
constexpr int kCardInfoMessage = 210;
constexpr int kCaptureSavedMessage = 200;
constexpr int kNothingToCaptureMessage = 201;
} // namespace

void CRX9VantoraPCPlayerDlg::setUpCatalogue()
{
    m_catalogue.SetList(RecordingList());
    connect(&m_catalogue, &CCatalogue::RowToOpen, this, &CRX9VantoraPCPlayerDlg::OpenRecordingAt);
    connect(&m_catalogue, &CCatalogue::Emptied, this, &CRX9VantoraPCPlayerDlg::ClearPlayer);
    // What is loaded is what the mounts are compared with.
    connect(&m_catalogue, &CCatalogue::FolderLoaded, this,
            &CRX9VantoraPCPlayerDlg::rememberLoadedFolder);
    connect(&m_catalogue, &CCatalogue::Emptied, this, [this] { m_loadedCard.reset(); });
    connect(&m_catalogue, &CCatalogue::TitleChanged, this, [this](const QString &title) {
        SetTitleShown(true);
        SetCaptionText(title);
    });
    connect(&m_catalogue, &CCatalogue::KindFilterChanged, this, [this] {
        State().speedText = SpeedText(0);
        Client()->update(CurrentLayout().speedPanel);
        Client()->update(CurrentLayout().gpsIndicator);
        Client()->update(CurrentLayout().timeReadout);
    });
}

void CRX9VantoraPCPlayerDlg::AttachEngine()
{
    m_playback->AttachView(PlayWnd()->VideoChild());
}

void CRX9VantoraPCPlayerDlg::AutoLoadCard()
{
    // The folder asked for at start stands in for the removable drives, so it is loaded exactly
    // as a card would be.
    m_catalogue.AutoLoadCard(m_startFolder.isEmpty() ? RemovableDriveRoots()
                                                     : QStringList{m_startFolder});
}

void CRX9VantoraPCPlayerDlg::ShowCardInfo()
{
    CameraSettings settings;
    if (!LoadCameraSettings(CameraSettingsPath(m_catalogue.FolderPath()), settings))
        return;
    message(kCardInfoMessage, CardInfoText(settings));
}

void CRX9VantoraPCPlayerDlg::OpenCard()
{
    const std::optional<QString> chosen = ChooseCard(m_catalogue.FolderPath());
    if (chosen && !chosen->isEmpty())
        m_catalogue.LoadFolder(*chosen);
}

void CRX9VantoraPCPlayerDlg::OpenFolder()
{
    std::optional<QString> chosen;
    if (chooseFolder) {
        chosen = chooseFolder(m_catalogue.FolderPath());
    } else {
        const QString start =
            m_catalogue.FolderPath().isEmpty() ? QDir::homePath() : m_catalogue.FolderPath();
        const QString folder = QFileDialog::getExistingDirectory(this, LoadResString(202), start,
                                                                 QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty())
            chosen = folder;
    }
    if (chosen && !chosen->isEmpty())
        m_catalogue.LoadFolder(*chosen);
}

void CRX9VantoraPCPlayerDlg::OpenSelectedRow()
{
    const QList<CXListCtrl::SelectedRow> rows = RecordingList()->GetSelectedRows();
    if (!rows.isEmpty())
        OpenRecordingAt(rows.first().row);
}

// ---- still capture

QString CRX9VantoraPCPlayerDlg::DesktopPath() const
{
    return m_desktopPath.isEmpty() ? GetDesktopPath() : m_desktopPath;
}

void CRX9VantoraPCPlayerDlg::CaptureStill()
{
    const QString folder = CaptureFolder(DesktopPath());
    QDir().mkpath(folder); // a failure shows as a capture that is not saved

    const int index = m_catalogue.CurrentIndex();
    const QString stem = RecordingList()->GetCellText(index, kNameColumn);
    if (stem.isEmpty()) {
        message(kNothingToCaptureMessage);
        return;
    }
    const qint64 timeMs = m_playback->IsClipOpen() ? m_playback->Time() : 0;
    // The picture is written under a hidden name first and then put under its own name without
    // replacing an earlier picture of other bytes there (it gets " (2)" ... instead). The
    // message says the picture is saved only when it really was.
    const QString destination = folder + CaptureFileName(stem, timeMs);
    const QString partial = PartialCopyPath(destination);
    if (m_playback->TakeStill(partial) &&
        !PlaceFileWithoutReplacing(partial, destination).isEmpty())
        message(kCaptureSavedMessage);
    else
        DeleteFileAt(partial);
}

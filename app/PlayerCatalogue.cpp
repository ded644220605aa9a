// The main player window's side of the recordings: the catalogue's hooks into playback and the
// title, loading a card or folder, the list's notifications and keys, the card notice at start
// and still capture.

#include "RX9VantoraPCPlayerDlg.h"

#include "CameraSettings.h"
#include "DriveUtils.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "StringTable.h"
#include "VideoView.h"
#include "XListCtrl.h"

#include <QDir>

#include <utility>

namespace {
constexpr int kNameColumn = 1;
constexpr int kCardInfoMessage = 210;
constexpr int kCaptureSavedMessage = 200;
constexpr int kNothingToCaptureMessage = 201;
} // namespace

void CRX9VantoraPCPlayerDlg::setUpCatalogue()
{
    m_catalogue.SetList(RecordingList());
    m_catalogue.SetDialogParent(this);
    CCatalogue::Hooks &hooks = m_catalogue.GetHooks();
    hooks.openRecordingAt = [this](int row) { OpenRecordingAt(row); };
    hooks.clearPlayer = [this] { ClearPlayer(); };
    hooks.setTitle = [this](const QString &title) {
        SetTitleShown(true);
        SetCaptionText(title);
    };
    hooks.resetReadouts = [this] {
        State().speedText = SpeedText(0);
        Client()->update(CurrentLayout().speedPanel);
        Client()->update(CurrentLayout().gpsIndicator);
        Client()->update(CurrentLayout().timeReadout);
    };
    hooks.chooseCard = [this](const QString &shown) { return ChooseCard(shown); };
}

void CRX9VantoraPCPlayerDlg::syncCatalogueState()
{
    State().folderPath = m_catalogue.FolderPath();
    State().currentStem = m_catalogue.CurrentStem();
    State().currentIndex = m_catalogue.CurrentIndex();
    State().kindFilter = m_catalogue.KindFilterValue();
}

void CRX9VantoraPCPlayerDlg::AttachEngine()
{
    m_playback->AttachView(PlayWnd()->VideoChild());
}

void CRX9VantoraPCPlayerDlg::AutoLoadCard()
{
    if (m_startFolder.isEmpty()) {
        m_catalogue.AutoLoadCard();
    } else {
        // The folder asked for at start stands in for the removable drives, so it is loaded
        // exactly as a card would be.
        CCatalogue::Hooks &hooks = m_catalogue.GetHooks();
        const auto drives = std::exchange(hooks.listDrives,
                                          [folder = m_startFolder] { return QStringList{folder}; });
        m_catalogue.AutoLoadCard();
        hooks.listDrives = drives;
    }
    syncCatalogueState();
}

void CRX9VantoraPCPlayerDlg::ShowCardInfo()
{
    CameraSettings settings;
    if (!LoadCameraSettings(CameraSettingsPath(State().folderPath), settings))
        return;
    message(kCardInfoMessage, CardInfoText(settings));
}

void CRX9VantoraPCPlayerDlg::OpenCard()
{
    m_catalogue.OpenCard();
    syncCatalogueState();
}

void CRX9VantoraPCPlayerDlg::OpenFolder()
{
    m_catalogue.OpenFolder();
    syncCatalogueState();
}

void CRX9VantoraPCPlayerDlg::CycleKindFilter()
{
    m_catalogue.CycleKindFilter();
    syncCatalogueState();
}

void CRX9VantoraPCPlayerDlg::RelocateCurrent()
{
    m_catalogue.RelocateCurrent();
    syncCatalogueState();
}

void CRX9VantoraPCPlayerDlg::OpenSelectedRow()
{
    const QList<CXListCtrl::SelectedRow> rows = RecordingList()->GetSelectedRows();
    if (!rows.isEmpty())
        OpenRecordingAt(rows.first().row);
}

void CRX9VantoraPCPlayerDlg::SelectRowAbove()
{
    RecordingList()->SelectRowAbove();
}

void CRX9VantoraPCPlayerDlg::SelectRowBelow()
{
    RecordingList()->SelectRowBelow();
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
    // The message says the picture is saved only when it really was.
    if (m_playback->TakeStill(folder + CaptureFileName(stem, timeMs)))
        message(kCaptureSavedMessage);
}

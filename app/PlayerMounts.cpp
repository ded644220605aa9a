// The main player window following the system's mounts: a card put in while none is loaded is
// loaded as at start, the loaded card pulled out clears the player (and stops whatever was
// working with it), and the card dialog shows the cards there are now.

#include "RX9VantoraPCPlayerDlg.h"

#include "CopyRules.h"
#include "DlgDisk.h"
#include "HtmlMap.h"
#include "PlayerTrip.h"

#include <QApplication>

#include <algorithm>
#include <utility>

namespace {
constexpr int kWaitingLoadRetryMs = 500;
const char *const kCardRemovedText = "The card was removed.";
} // namespace

void CRX9VantoraPCPlayerDlg::FollowMounts()
{
    if (m_mountWatcher)
        return;
    m_drives = TakeDriveSnapshot();
    m_mountWatcher = new CMountWatcher(this);
    connect(m_mountWatcher, &CMountWatcher::MountsChanged, this,
            &CRX9VantoraPCPlayerDlg::CheckMounts);
    m_mountRetry.setSingleShot(true);
    m_mountRetry.setInterval(kWaitingLoadRetryMs);
    connect(&m_mountRetry, &QTimer::timeout, this, &CRX9VantoraPCPlayerDlg::CheckMounts);
}

void CRX9VantoraPCPlayerDlg::rememberLoadedFolder(const QString &root)
{
    const std::optional<FolderIdentity> identity = ReadFolderIdentity(root);
    if (identity)
        m_loadedCard = LoadedCard{root, *identity};
    else
        m_loadedCard.reset();
    m_drivesToTry.clear();
}

bool CRX9VantoraPCPlayerDlg::loadMustWait() const
{
    // The window itself runs modally; any other modal window (a dialog, a message) is the user's
    // business first.
    const QWidget *modal = QApplication::activeModalWidget();
    return m_cardUses.InUse() || (modal && modal != this);
}

void CRX9VantoraPCPlayerDlg::forgetCard()
{
    m_loadedCard.reset();
    // Nothing may read the card any more.
    m_trip->Builder().Stop();
    m_trip->Builder().Cache().Clear();
    ClearPlayer();
    m_catalogue.Clear();
    m_trip->ClipOpened(); // no recording: the route leaves the map
    m_lastFix = CLastFix();
    m_sentLongitude = m_lastFix.LongitudeText();
    m_sentLatitude = m_lastFix.LatitudeText();
    MapView()->SetMapPosition(m_sentLongitude, m_sentLatitude);
}

bool CRX9VantoraPCPlayerDlg::checkCardGone()
{
    if (!m_loadedCard || ReadFolderIdentity(m_loadedCard->root) == m_loadedCard->identity)
        return false;
    CheckMounts();
    return true;
}

void CRX9VantoraPCPlayerDlg::CheckMounts()
{
    const DriveSnapshot now = TakeDriveSnapshot();
    const std::optional<FolderIdentity> loadedNow =
        m_loadedCard ? ReadFolderIdentity(m_loadedCard->root) : std::nullopt;
    const MountChangeMeaning meaning = InterpretMountChange(m_drives, now, m_loadedCard, loadedNow);
    m_drives = now;

    if (meaning.drivesChanged && m_cardDialog)
        m_cardDialog->RefreshKeepingSelection();

    if (meaning.cardRemoved) {
        // Copies stop and dialogs on its files close before the player lets the card go.
        m_loadedCard.reset();
        m_cardUses.CardLost();
        forgetCard();
        message(copymsg::kOwnText, QString::fromUtf8(kCardRemovedText));
    }

    for (const QString &root : meaning.drivesToTry) {
        if (!m_drivesToTry.contains(root))
            m_drivesToTry.append(root);
    }
    // A card loaded meanwhile (by the user, or while the message was open) ends the wait.
    if (m_loadedCard)
        m_drivesToTry.clear();
    m_drivesToTry.removeIf([this](const QString &root) {
        return std::none_of(m_drives.cbegin(), m_drives.cend(),
                            [&root](const DriveSighting &drive) { return drive.root == root; });
    });
    if (m_drivesToTry.isEmpty())
        return;
    if (loadMustWait()) {
        m_mountRetry.start();
        return;
    }

    // As at start: the first of them with recordings, its card notice, its first row.
    const QStringList drives = std::exchange(m_drivesToTry, {});
    if (!m_catalogue.AutoLoadCard(drives))
        return;
    const std::optional<LoadedCard> loaded = m_loadedCard;
    ShowCardInfo();
    // The card may have gone again while its notice was open.
    if (loaded && m_loadedCard && m_loadedCard->identity == loaded->identity)
        OpenRecordingAt(0);
}

#include "PlayerNextClip.h"

#include "PlaybackController.h"
#include "PlaybackRules.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "XListCtrl.h"

CPlayerNextClip::CPlayerNextClip(CRX9VantoraPCPlayerDlg *player)
    : QObject(player)
    , m_player(player)
{
    m_check.setInterval(kCheckMs);
    connect(&m_check, &QTimer::timeout, this, &CPlayerNextClip::Check);
    m_check.start();
    connect(&player->Playback(), &CPlaybackController::ClipOpened, this,
            [this] { m_sinceOpen.start(); });
}

QString CPlayerNextClip::WantedPath() const
{
    CPlaybackController &playback = m_player->Playback();
    if (!playback.IsClipOpen())
        return {};
    CCatalogue &catalogue = m_player->Catalogue();
    const int rows = m_player->RecordingList()->RowCount();
    const auto row = NextIndex(rows, catalogue.CurrentIndex());
    if (!row || *row >= rows)
        return {};
    return catalogue.ClipPathAt(*row);
}

void CPlayerNextClip::Check()
{
    CPlaybackController &playback = m_player->Playback();
    const QString wanted = WantedPath();
    if (wanted.isEmpty()) {
        playback.DropNext();
        return;
    }
    if (wanted == playback.PreparedPath())
        return;
    if (m_sinceOpen.isValid() && m_sinceOpen.elapsed() < kSettleMs)
        return;
    playback.PrepareNext(wanted);
}

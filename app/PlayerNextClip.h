#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class CRX9VantoraPCPlayerDlg;

// Keeps the recording that the end of the open one will open (the next row in the list's
// current order) prepared in the playback controller, so that it follows without a gap. It
// looks again whenever a clip opens and while one plays, so a re-sorted, filtered or shortened
// list prepares the new next row; nothing is prepared past the last row.
class CPlayerNextClip : public QObject
{
    Q_OBJECT
public:
    // Preparing waits this long after a clip opens, so as not to slow its start.
    static constexpr int kSettleMs = 1000;
    static constexpr int kCheckMs = 500;

    explicit CPlayerNextClip(CRX9VantoraPCPlayerDlg *player);

    // The clip that should be prepared now; empty for none.
    QString WantedPath() const;
    // Prepares it (or drops what no longer fits).
    void Check();

private:
    CRX9VantoraPCPlayerDlg *m_player;
    QTimer m_check;
    QElapsedTimer m_sinceOpen;
};

#pragma once

#include "PlayerPreferences.h"
#include "TripTimeline.h"

#include <QObject>

class CRX9VantoraPCPlayerDlg;
class CPlayerTrip;
class CTripBar;
class QMenu;
struct TripRoute;

// The trip timeline of the main window: with it on, the time read-out, the trip bar under the
// sensor graph and the title span the whole trip of the current recording, and a click on the
// bar seeks across its recordings. Off, the window shows the recording alone. The choice is kept
// in the player's settings file.
class CPlayerTimeline : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTripTimelineCommand = 32814;

    CPlayerTimeline(CRX9VantoraPCPlayerDlg *player, CPlayerTrip *trip);

    bool IsOn() const { return m_on; }
    void SetOn(bool on);
    const CTripTimeline &Timeline() const { return m_timeline; }
    CTripBar *Bar() const { return m_bar; }
    // Whether the current recording is on the timeline shown (on, and its trip known).
    bool IsShowing() const;

    // The checkable "Trip timeline" item.
    void AddMenuItem(QMenu *menu);
    bool OnCommand(int commandId);

    // A recording was opened: the read-out and the bar show its start on the trip at once.
    void ClipOpened() { timeChanged(0); }
    // Seeks to a point of the trip: within the current recording, or opening the one there.
    void SeekToTripTime(qint64 tripMs);

private:
    QString currentFileName() const;
    void routeReady(const TripRoute &route, const QString &forFile);
    void timeChanged(qint64 timeMs);
    void lengthChanged(qint64 lengthMs);
    void titleChanged(const QString &title);
    // Shows the bar, the read-outs and the title as the state says.
    void refresh();
    void placeBar();
    bool eventFilter(QObject *watched, QEvent *event) override;

    CRX9VantoraPCPlayerDlg *m_player;
    CPlayerTrip *m_trip;
    CPlayerPreferences m_preferences;
    bool m_on = false;
    CTripTimeline m_timeline;
    CTripBar *m_bar = nullptr;
};

#pragma once

#include "Trip.h"
#include "TripRouteBuilder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class CPlayerTimeline;
class CRX9VantoraPCPlayerDlg;
class QMenu;

// The main window's trip features: the route of the current recording's trip on the map (built
// off the interface thread), opening the recording and second of a clicked route point, jumping
// between the shocks of the open clip, and exporting the route as a GPX file.
class CPlayerTrip : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPreviousShockCommand = 32810;
    static constexpr int kNextShockCommand = 32811;
    static constexpr int kExportGpxCommand = 32812;
    static constexpr Qt::Key kPreviousShockKey = Qt::Key_BracketLeft;
    static constexpr Qt::Key kNextShockKey = Qt::Key_BracketRight;

    explicit CPlayerTrip(CRX9VantoraPCPlayerDlg *player);
    ~CPlayerTrip() override;

    // A recording was opened (or failed to): asks for its trip's route.
    void ClipOpened();
    // The speed unit changed: the route's colours and legend follow it.
    void UnitChanged();
    // The route shown now (empty while none is).
    const TripRoute &Route() const { return m_route; }
    CTripRouteBuilder &Builder() { return m_builder; }

    // "Previous shock", "Next shock" and "Export route as GPX..." for the right-click menu.
    void AddMenuItems(QMenu *menu);
    // The commands of those items; false for any other id.
    bool OnCommand(int commandId);
    // The keys of the shock jumps; false for any other key.
    bool HandleKey(int key);

    void JumpToShock(bool forward);
    // The shock the last jump went to: its recording and time into it.
    struct ShockJump
    {
        QString fileName;
        int shockMs = 0;
    };
    std::optional<ShockJump> LastShockJump() const { return m_lastShock; }
    void ExportGpx();
    // Opens the recording of a route point and seeks to its second (the map's click).
    void OpenRoutePoint(int index);
    // Opens a recording of the card (showing all kinds when the filter hides it) unless it is
    // the current one, and seeks to `ms` once the engine has it ready.
    void OpenAt(const QString &fileName, qint64 ms);

    // The trip timeline (time read-out, trip bar and title over the whole trip).
    CPlayerTimeline &Timeline() const { return *m_timeline; }

    // Where the GPX file goes: asks with `suggested` (a path) and gives the chosen path, empty on
    // cancel. Default: a save dialog. Tests set their own.
    std::function<QString(const QString &suggested)> chooseSaveFile;

signals:
    // The route of the current recording's trip reached the map.
    void RouteShown(int points);

private:
    QString currentFileName() const;
    QStringList cardFileNames() const;
    int rowOf(const QString &fileName) const;
    void showRoute(const TripRoute &route, const QString &forFile);
    void sendRoute();
    void seekWhenReady();

    CRX9VantoraPCPlayerDlg *m_player;
    CTripRouteBuilder m_builder;
    CPlayerTimeline *m_timeline = nullptr; // a child object
    TripRoute m_route;
    QByteArray m_routeJson;
    // A seek waiting for the clip it belongs to.
    QTimer m_seekTimer;
    QString m_seekFile;
    qint64 m_seekMs = 0;
    int m_seekTicks = 0;
    std::optional<ShockJump> m_lastShock;
};

#pragma once

#include "HtmlCtrl.h"

// The map view: shows the map page that ships with the player and hands it the vehicle's
// position. The page's contract is two text inputs named exactly "X" (longitude) and "Y"
// (latitude); the page follows their values.
class CHtmlMap : public CHtmlCtrl
{
    Q_OBJECT

public:
    explicit CHtmlMap(QWidget *parent = nullptr);

    // Loads the map page (string 103) the first time; later calls do nothing.
    void LoadMapPage();
    bool IsMapPageRequested() const { return m_pageRequested; }

    // Writes the longitude text into every text input named "X" and the latitude text into every
    // one named "Y" of the current page, and tells the page they changed. Texts as "%lf" gives
    // them (127.025000, 37.502057). A page without such inputs is left as it is.
    void SetMapPosition(const QString &longitude, const QString &latitude);

    // As SetMapPosition, but the page's trail starts anew at this position instead of joining
    // it to the one before (another clip, a seek, a gap in the fixes).
    void StartTrailAt(const QString &longitude, const QString &latitude);
    // Takes the trail off the page (nothing plays); the marker stays.
    void ClearTrail();

    // Shows a trip's route (RouteJson's text) under the marker, or none when empty. Kept and
    // shown again when the page (re)loads.
    void SetRoute(const QByteArray &routeJson);
    QByteArray Route() const { return m_route; }

    // The texts of the last SetMapPosition.
    QString LastLongitude() const { return m_longitude; }
    QString LastLatitude() const { return m_latitude; }

    // The script SetMapPosition runs; the texts travel as JSON string literals.
    static QString MapPositionScript(const QString &longitude, const QString &latitude);

    // Where the map page is. `configured` is the address of string 103: its path names the page
    // inside the player's data folder (an http(s) address keeps its path only; qrc: and file:
    // addresses are used as they are). Empty: the page's standard path.
    static QUrl MapPageUrl(const QString &configured, const QString &dataFolder);
    // The same in this player's data folder (PlayerDataFolder()).
    static QUrl MapPageUrl(const QString &configured);

    // "/_mapapi/vantora/map_google_america.html"
    static QString DefaultMapPagePath();

signals:
    // The user clicked the route's point number `index` (counted over all its segments).
    void RoutePointClicked(int index);

private:
    void writePosition(const QString &longitude, const QString &latitude, const QString &before);

    QByteArray m_route;
    bool m_pageRequested = false;
    QString m_longitude;
    QString m_latitude;
};

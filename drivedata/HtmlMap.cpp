#include "HtmlMap.h"

#include "DataFolder.h"
#include "StringTable.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#ifdef RX9_WITH_WEBENGINE
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// What the map page may call in the player: only the route click.
class CMapPageBridge : public QObject
{
    Q_OBJECT
public:
    explicit CMapPageBridge(CHtmlMap *map)
        : QObject(map)
        , m_map(map)
    {}

public slots:
    void routeClicked(int index) { emit m_map->RoutePointClicked(index); }

private:
    CHtmlMap *m_map;
};
#endif

namespace {
constexpr int kMapPageString = 103;
// Silent unless asked for (QT_LOGGING_RULES="rx9.*.info=true").
Q_LOGGING_CATEGORY(lcMap, "rx9.map", QtWarningMsg)
} // namespace

CHtmlMap::CHtmlMap(QWidget *parent)
    : CHtmlCtrl(parent)
{
    SetHideScrollBars(true, true);
    SetHideBorder(true);
    setAccessibleName(tr("Map"));
    setFocusPolicy(Qt::NoFocus);
    // A position written while the page was still loading reaches the page once it is there
    // (playback may be paused, so no further position need come).
    connect(this, &CHtmlCtrl::NavigationComplete, this, [this](bool ok) {
        qCInfo(lcMap, "map page %s: %s", ok ? "loaded" : "failed",
               qUtf8Printable(MapPageUrl(LoadResString(kMapPageString)).toString()));
        if (ok && !m_longitude.isEmpty())
            RunScript(MapPositionScript(m_longitude, m_latitude));
        if (ok && !m_route.isEmpty())
            SetRoute(m_route);
    });
#ifdef RX9_WITH_WEBENGINE
    // The page comes from the player's data folder and its tiles from the network. Tiles are
    // plain images, which a local page may show without reading them, so the page is given no
    // right to read remote addresses, nor files beside its own folder's.
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    // Tile servers ask applications to name themselves.
    QWebEngineProfile *profile = page()->profile();
    const QString agent = profile->httpUserAgent();
    if (!agent.contains(QLatin1String("RX9Player")))
        profile->setHttpUserAgent(agent + QLatin1String(" RX9Player"));
    auto *channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("player"), new CMapPageBridge(this));
    page()->setWebChannel(channel);
#else
    SetPlaceholderText(tr("Map not available"));
#endif
}

QString CHtmlMap::DefaultMapPagePath()
{
    return QStringLiteral("/_mapapi/vantora/map_google_america.html");
}

QUrl CHtmlMap::MapPageUrl(const QString &configured, const QString &dataFolder)
{
    QString path = DefaultMapPagePath();
    const QUrl url(configured.trimmed());
    if (!configured.trimmed().isEmpty() && url.isValid()) {
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("qrc") || scheme == QLatin1String("file"))
            return url;
        // No step out of the data folder: "/../x" stays inside it.
        const QString inside = QDir::cleanPath(url.path());
        if (inside.startsWith(QLatin1Char('/')) && inside.size() > 1 &&
            !inside.startsWith(QLatin1String("/..")))
            path = inside;
    }
    return QUrl::fromLocalFile(QDir::cleanPath(dataFolder) + path);
}

QUrl CHtmlMap::MapPageUrl(const QString &configured)
{
    return MapPageUrl(configured, PlayerDataFolder());
}

void CHtmlMap::LoadMapPage()
{
    if (m_pageRequested)
        return;
    m_pageRequested = true;
    Navigate(MapPageUrl(LoadResString(kMapPageString)));
}

QString CHtmlMap::MapPositionScript(const QString &longitude, const QString &latitude)
{
    // Every element of the document is looked at on every call: the page may have replaced its
    // inputs since the last one. Setting .value fires no event, so one is sent.
    const QString texts = QString::fromUtf8(
        QJsonDocument(QJsonArray{longitude, latitude}).toJson(QJsonDocument::Compact));
    return QStringLiteral("(function(t){var all=document.getElementsByTagName('*');"
                          "for(var i=0;i<all.length;++i){var e=all[i];"
                          "if(e.tagName!=='INPUT'||e.type!=='text')continue;"
                          "var v;if(e.name==='X')v=t[0];else if(e.name==='Y')v=t[1];else continue;"
                          "e.value=v;"
                          "e.dispatchEvent(new Event('input',{bubbles:true}));"
                          "e.dispatchEvent(new Event('change',{bubbles:true}));}})(%1);")
        .arg(texts);
}

void CHtmlMap::SetMapPosition(const QString &longitude, const QString &latitude)
{
    writePosition(longitude, latitude, QString());
}

void CHtmlMap::StartTrailAt(const QString &longitude, const QString &latitude)
{
    // One script: the page's polling cannot come between the break and the position.
    writePosition(longitude, latitude, QStringLiteral("if(window.startTrail)startTrail();"));
}

void CHtmlMap::ClearTrail()
{
    RunScript(QStringLiteral("if(window.clearTrail)clearTrail();"));
}

void CHtmlMap::writePosition(const QString &longitude, const QString &latitude,
                             const QString &before)
{
    m_longitude = longitude;
    m_latitude = latitude;
    RunScript(before + MapPositionScript(longitude, latitude));
#ifndef RX9_WITH_WEBENGINE
    SetPlaceholderText(tr("Map not available") + QLatin1Char('\n') + latitude +
                       QLatin1String(", ") + longitude);
#endif
}

void CHtmlMap::SetRoute(const QByteArray &routeJson)
{
    m_route = routeJson;
    // The page may not have its route function (yet, or a page of another kind): then nothing.
    RunScript(
        QStringLiteral("if(window.setRoute)setRoute(%1);")
            .arg(routeJson.isEmpty() ? QStringLiteral("null") : QString::fromUtf8(routeJson)));
}

#ifdef RX9_WITH_WEBENGINE
#include "HtmlMap.moc"
#endif

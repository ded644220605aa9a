#include "HtmlMap.h"
#include "Trip.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

// --- what does not need a browser ---

TEST(MapPageUrl, ServesThePathOfString103FromTheDataFolder)
{
    const QString data = QStringLiteral("/opt/rx9/share/rx9player");
    const QUrl standard(
        QStringLiteral("file:///opt/rx9/share/rx9player/_mapapi/vantora/map_google_america.html"));
    EXPECT_EQ(CHtmlMap::MapPageUrl(QString(), data), standard);
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("/_mapapi/vantora/map_google_america.html"),
                                   data + QLatin1Char('/')),
              standard);
    EXPECT_EQ(CHtmlMap::MapPageUrl(
                  QStringLiteral("http://maps.example.net/_mapapi/vantora/map_google_america.html"),
                  data),
              standard);
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("https://example.net/other/page.html"), data),
              QUrl(QStringLiteral("file:///opt/rx9/share/rx9player/other/page.html")));
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("http://example.net"), data), standard);
    // A path never leads out of the data folder.
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("http://example.net/../../etc/passwd"), data),
              standard);
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("file:///opt/map/page.html"), data),
              QUrl(QStringLiteral("file:///opt/map/page.html")));
    EXPECT_EQ(CHtmlMap::MapPageUrl(QStringLiteral("qrc:/map/page.html"), data),
              QUrl(QStringLiteral("qrc:/map/page.html")));

    // The page and the library it draws with lie in the data folder of the build.
    const QUrl page = CHtmlMap::MapPageUrl(QString());
    ASSERT_TRUE(page.isLocalFile());
    EXPECT_TRUE(QFile::exists(page.toLocalFile()));
    EXPECT_TRUE(QFile::exists(QStringLiteral(RX9_BIN_DIR "/_mapapi/vantora/map.js")));
}

TEST(HtmlCtrl, AppLinksAreRecognisedInAnyCase)
{
    QString command;
    EXPECT_TRUE(CHtmlCtrl::IsAppLink(QStringLiteral("app:zoom-in"), &command));
    EXPECT_EQ(command, QStringLiteral("zoom-in"));
    EXPECT_TRUE(CHtmlCtrl::IsAppLink(QStringLiteral("APP:Close"), &command));
    EXPECT_EQ(command, QStringLiteral("Close"));
    EXPECT_FALSE(CHtmlCtrl::IsAppLink(QStringLiteral("https://app.example.net/")));
    EXPECT_FALSE(CHtmlCtrl::IsAppLink(QStringLiteral("ap:x")));
}

TEST(HtmlCtrl, OnlyItsOwnPageShowsInIt)
{
    using V = CHtmlCtrl::NavigationVerdict;
    const QUrl own(QStringLiteral("file:///opt/rx9/_mapapi/vantora/map_google_america.html"));
    const auto judge = [&](const char *url, bool mainFrame, bool clicked) {
        return CHtmlCtrl::JudgeNavigation(QUrl(QString::fromLatin1(url)), own, mainFrame, clicked);
    };
    EXPECT_EQ(judge("file:///opt/rx9/_mapapi/vantora/map_google_america.html", true, false),
              V::Follow);
    EXPECT_EQ(judge("file:///opt/rx9/_mapapi/vantora/map_google_america.html#z=3", true, true),
              V::Follow);
    EXPECT_EQ(judge("app:zoom-in", true, true), V::AppCommand);
    // A web link the user clicks (the attribution) goes to the desktop's browser ...
    EXPECT_EQ(judge("https://leafletjs.com/", true, true), V::OpenOutside);
    // ... but a page never sends the view anywhere by itself, nor to another local file.
    EXPECT_EQ(judge("https://leafletjs.com/", true, false), V::Refuse);
    EXPECT_EQ(judge("file:///home/user/.bashrc", true, true), V::Refuse);
    EXPECT_EQ(judge("file:///opt/rx9/_mapapi/vantora/other.html", true, false), V::Refuse);
    EXPECT_EQ(judge("javascript:alert(1)", true, true), V::Refuse);
    EXPECT_EQ(judge("https://tile.example.net/frame.html", false, false), V::Refuse);
    EXPECT_EQ(judge("about:blank", false, false), V::Follow);
    // Before the control was given a page, nothing is its own.
    EXPECT_EQ(CHtmlCtrl::JudgeNavigation(own, QUrl(), true, false), V::Refuse);

    // What the page may load: its own folder's files, built-in resources, web pictures.
    const auto may = [&](const char *url, bool picture) {
        return CHtmlCtrl::MayLoadResource(QUrl(QString::fromLatin1(url)), own, picture);
    };
    EXPECT_TRUE(may("file:///opt/rx9/_mapapi/vantora/leaflet/leaflet.js", false));
    EXPECT_TRUE(may("qrc:///qtwebchannel/qwebchannel.js", false));
    EXPECT_TRUE(may("https://tile.openstreetmap.org/16/1/2.png", true));
    EXPECT_FALSE(may("https://tile.openstreetmap.org/16/1/2.png", false));
    EXPECT_FALSE(may("file:///opt/rx9/_mapapi/vantora/../../../etc/passwd", false));
    EXPECT_FALSE(may("file:///opt/rx9/_mapapi/vantora-other/x.js", false));
    EXPECT_FALSE(may("file:///home/user/.bashrc", true));
    EXPECT_FALSE(may("ftp://example.net/x.png", true));
}

TEST(MapPositionScript, CarriesTheTextsAsStringLiterals)
{
    const QString script =
        CHtmlMap::MapPositionScript(QStringLiteral("127.025000"), QStringLiteral("37.502057"));
    EXPECT_TRUE(script.contains(QStringLiteral("[\"127.025000\",\"37.502057\"]")));
    // Quotes and backslashes cannot break out of the literal.
    const QString odd =
        CHtmlMap::MapPositionScript(QStringLiteral("1\");alert(1);//"), QStringLiteral("\\"));
    EXPECT_TRUE(odd.contains(QStringLiteral("[\"1\\\");alert(1);//\",\"\\\\\"]")));
}

#ifdef RX9_WITH_WEBENGINE

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>

namespace {

// Runs a script in the view's page and waits for its result.
QVariant Eval(QWebEngineView *view, const QString &script)
{
    auto state = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    view->page()->runJavaScript(script, [state](const QVariant &result) {
        state->first = true;
        state->second = result;
    });
    WaitUntil([&] { return state->first; });
    return state->second;
}

class AppLinkMap : public CHtmlMap
{
public:
    QStringList commands;

protected:
    void OnAppCmd(const QString &command) override { commands << command; }
};

// Catches anything handed to the desktop's URL handler for the "app" scheme.
class DesktopHandler : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl &url) { opened << url; }
};

class MapBrowser : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QUrl WritePage(const QString &body)
    {
        const QString path = dir.filePath(QStringLiteral("page.html"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("<!DOCTYPE html><html><body>%1</body></html>").arg(body).toUtf8());
        return QUrl::fromLocalFile(path);
    }

    static bool LoadAndWait(CHtmlCtrl *view, const QUrl &url)
    {
        bool finished = false, ok = false;
        QObject::connect(view, &CHtmlCtrl::NavigationComplete, view, [&](bool success) {
            finished = true;
            ok = success;
        });
        view->Navigate(url);
        WaitUntil([&] { return finished; }, std::chrono::seconds(60));
        QObject::disconnect(view, &CHtmlCtrl::NavigationComplete, view, nullptr);
        return finished && ok;
    }
};

} // namespace

TEST_F(MapBrowser, PositionReachesEveryTextInputNamedExactlyXAndY)
{
    CHtmlMap map;
    map.resize(300, 200);
    map.show();
    const QUrl page = WritePage(QStringLiteral(
        "<input type='text' name='X' id='x1'><input type='text' name='x' id='lower'>"
        "<div><input type='text' name='X' id='x2'></div><input type='text' name='Y' id='y'>"
        "<input type='checkbox' name='X' id='box'>"
        "<script>var events=0;document.addEventListener('input',function(){++events;},true);"
        "</script>"));
    ASSERT_TRUE(LoadAndWait(&map, page));

    map.SetMapPosition(QStringLiteral("127.025000"), QStringLiteral("37.502057"));
    const QString read = QStringLiteral(
        "['x1','x2','lower','y','box'].map(function(i){return document.getElementById(i).value;})"
        ".join('|')");
    EXPECT_EQ(Eval(&map, read).toString(), QStringLiteral("127.025000|127.025000||37.502057|on"));
    // The page is told, since setting a value from a script fires no event by itself.
    EXPECT_EQ(Eval(&map, QStringLiteral("events")).toInt(), 3);

    // Written on every call, also while the map is hidden.
    map.hide();
    map.SetMapPosition(QStringLiteral("-77.036519"), QStringLiteral("38.897596"));
    EXPECT_EQ(Eval(&map, read).toString(), QStringLiteral("-77.036519|-77.036519||38.897596|on"));
}

TEST_F(MapBrowser, AppLinksAreSwallowed)
{
    DesktopHandler desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("app"), &desktop, "Open");
    AppLinkMap map;
    map.resize(300, 200);
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    const QUrl page = WritePage(QStringLiteral(
        "<a id='go' href='app:zoom-in' style='position:absolute;left:10px;top:10px'>zoom</a>"
        "<a id='up' href='APP:Pan' style='position:absolute;left:10px;top:60px'>pan</a>"
        "<script>var marker=42;</script>"));
    ASSERT_TRUE(LoadAndWait(&map, page));
    ASSERT_NE(map.focusProxy(), nullptr);

    // Clicked by the user (a script's click() may not launch links of unknown schemes at all),
    // once the page is laid out.
    ASSERT_TRUE(WaitUntil([&] {
        return Eval(&map, QStringLiteral("(document.elementFromPoint(20,18)||{}).id")) ==
               QStringLiteral("go");
    }));
    QTest::mouseClick(map.focusProxy(), Qt::LeftButton, {}, QPoint(20, 18));
    ASSERT_TRUE(WaitUntil([&] { return map.commands.size() >= 1; }));
    QTest::mouseClick(map.focusProxy(), Qt::LeftButton, {}, QPoint(20, 68));
    ASSERT_TRUE(WaitUntil([&] { return map.commands.size() >= 2; }));
    EXPECT_EQ(map.commands, (QStringList{QStringLiteral("zoom-in"), QStringLiteral("Pan")}));

    Eval(&map, QStringLiteral("document.getElementById('go').click();true"));
    // Still the same document: nothing navigated, nothing reloaded, nothing handed outside.
    EXPECT_EQ(map.url(), page);
    EXPECT_EQ(Eval(&map, QStringLiteral("marker")).toInt(), 42);
    EXPECT_TRUE(desktop.opened.isEmpty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("app"));
}

// A web server on the loopback that answers like a tile server (a small PNG picture, without
// any cross-origin header), or with a script where a script is asked for.
class TileServer : public QTcpServer
{
public:
    TileServer()
    {
        QImage tile(4, 4, QImage::Format_RGB32);
        tile.fill(Qt::green);
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    if (!request.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    // A script for a script's address, a picture for anything else.
                    const bool script = request.left(request.indexOf('\n')).contains(".js ");
                    const QByteArray body = script ? QByteArray("remote='ran';") : m_png;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: " +
                                  QByteArray(script ? "text/javascript" : "image/png") +
                                  "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QString Address() const { return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()); }
    int requests = 0;

private:
    QByteArray m_png;
};

TEST_F(MapBrowser, TilesShowButNothingElseLoadsAndLinksOpenOutside)
{
    TileServer server;
    ASSERT_TRUE(server.isListening());
    DesktopHandler desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &desktop, "Open");
    CHtmlMap map;
    map.resize(300, 200);
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    const QString tile = server.Address() + QStringLiteral("1/2/3.png");
    QTemporaryFile outside;
    ASSERT_TRUE(outside.open());
    outside.write("private");
    outside.flush();
    const QUrl page = WritePage(
        QStringLiteral("<a id='go' href='%1about' style='position:absolute;left:10px;top:10px'>"
                       "attribution</a><img id='tile' src='%2'><script>var marker=42;"
                       "var remote='refused',local='waiting';</script>"
                       "<script src='%1remote.js'></script>"
                       "<script>var x=new XMLHttpRequest();x.onload=function(){local='read';};"
                       "x.onerror=function(){local='refused';};"
                       "x.open('GET','%3');x.send();</script>")
            .arg(server.Address(), tile, QUrl::fromLocalFile(outside.fileName()).toString()));
    ASSERT_TRUE(LoadAndWait(&map, page));

    // A tile is a picture: it shows. A script from the web does not run, and no file outside
    // the page's folder can be read.
    EXPECT_TRUE(WaitUntil([&] {
        return Eval(&map, QStringLiteral("document.getElementById('tile').naturalWidth")).toInt() ==
               4;
    }));
    EXPECT_EQ(Eval(&map, QStringLiteral("remote")).toString(), QStringLiteral("refused"));
    EXPECT_TRUE(WaitUntil([&] {
        return Eval(&map, QStringLiteral("local")).toString() != QLatin1String("waiting");
    }));
    EXPECT_EQ(Eval(&map, QStringLiteral("local")).toString(), QStringLiteral("refused"));

    // The user's click on a web link goes to the desktop's browser; the map stays.
    ASSERT_TRUE(WaitUntil([&] {
        return Eval(&map, QStringLiteral("(document.elementFromPoint(20,18)||{}).id")) ==
               QStringLiteral("go");
    }));
    QTest::mouseClick(map.focusProxy(), Qt::LeftButton, {}, QPoint(20, 18));
    ASSERT_TRUE(WaitUntil([&] { return !desktop.opened.isEmpty(); }));
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl(server.Address() + QStringLiteral("about"))});

    // A page that sends itself to another local file stays where it is.
    Eval(&map, QStringLiteral("location.href='%1';true")
                   .arg(QUrl::fromLocalFile(outside.fileName()).toString()));
    QTest::qWait(500);
    EXPECT_EQ(map.url(), page);
    EXPECT_EQ(Eval(&map, QStringLiteral("marker")).toInt(), 42);
    EXPECT_EQ(desktop.opened.size(), 1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

TEST_F(MapBrowser, MapPageLoadsOnceAndFollowsThePosition)
{
    CHtmlMap map;
    map.resize(400, 300);
    map.show();
    bool finished = false, ok = false;
    QObject::connect(&map, &CHtmlCtrl::NavigationComplete, &map, [&](bool success) {
        finished = true;
        ok = success;
    });
    // Written before the page is there: the page still gets it once loaded.
    map.SetMapPosition(QStringLiteral("127.025000"), QStringLiteral("-37.502057"));
    map.LoadMapPage();
    map.LoadMapPage();
    ASSERT_TRUE(WaitUntil([&] { return finished; }, std::chrono::seconds(60)));
    ASSERT_TRUE(ok);
    EXPECT_EQ(map.url(), QUrl::fromLocalFile(QStringLiteral(
                             RX9_BIN_DIR "/_mapapi/vantora/map_google_america.html")));
    EXPECT_EQ(Eval(&map, QStringLiteral("typeof L")).toString(), QStringLiteral("object"));
    EXPECT_EQ(Eval(&map, QStringLiteral("document.getElementsByName('X').length")).toInt(), 1);
    EXPECT_EQ(Eval(&map, QStringLiteral("document.getElementsByName('Y').length")).toInt(), 1);
    EXPECT_EQ(Eval(&map, QStringLiteral("document.getElementsByName('x').length")).toInt(), 0);

    const QString coords = QStringLiteral("document.getElementById('coords').textContent");
    EXPECT_TRUE(WaitUntil([&] {
        return Eval(&map, coords).toString() ==
               QStringLiteral("37.502057\u00b0 S, 127.025000\u00b0 E");
    }));

    // Setting the value without any event: the page polls and follows as well.
    Eval(&map, QStringLiteral("document.getElementsByName('X')[0].value='127.026000';true"));
    EXPECT_TRUE(WaitUntil([&] {
        return Eval(&map, coords).toString().endsWith(QStringLiteral("127.026000\u00b0 E"));
    }));
    EXPECT_EQ(map.CompletedNavigations(), 1);

    // A short trail behind the marker; a jump to another place starts a new one.
    const QString trail = QStringLiteral("mapState().trail");
    EXPECT_EQ(Eval(&map, trail).toInt(), 2);
    map.SetMapPosition(QStringLiteral("127.027000"), QStringLiteral("-37.502057"));
    EXPECT_TRUE(WaitUntil([&] { return Eval(&map, trail).toInt() == 3; }));
    map.SetMapPosition(QStringLiteral("-77.036519"), QStringLiteral("38.897596"));
    EXPECT_TRUE(WaitUntil([&] { return Eval(&map, trail).toInt() == 1; }));
    EXPECT_DOUBLE_EQ(Eval(&map, QStringLiteral("mapState().lon")).toDouble(), -77.036519);

    // Told that the next place was not driven to from this one (another clip, a seek), the page
    // joins nothing however close it is, also when it is the place shown now; cleared, no trail.
    map.SetMapPosition(QStringLiteral("-77.036000"), QStringLiteral("38.897596"));
    EXPECT_TRUE(WaitUntil([&] { return Eval(&map, trail).toInt() == 2; }));
    map.StartTrailAt(QStringLiteral("-77.035000"), QStringLiteral("38.897596"));
    EXPECT_EQ(Eval(&map, trail).toInt(), 1);
    map.SetMapPosition(QStringLiteral("-77.034000"), QStringLiteral("38.897596"));
    EXPECT_TRUE(WaitUntil([&] { return Eval(&map, trail).toInt() == 2; }));
    map.StartTrailAt(QStringLiteral("-77.034000"), QStringLiteral("38.897596"));
    EXPECT_EQ(Eval(&map, trail).toInt(), 1);
    map.ClearTrail();
    EXPECT_EQ(Eval(&map, trail).toInt(), 0);
    EXPECT_DOUBLE_EQ(Eval(&map, QStringLiteral("mapState().lon")).toDouble(), -77.034);

    // Without network the tiles give way to the grid, which the page draws itself.
    Eval(&map, QStringLiteral("window.dispatchEvent(new Event('offline'));true"));
    EXPECT_TRUE(Eval(&map, QStringLiteral("mapState().offline")).toBool());
    EXPECT_GT(Eval(&map, QStringLiteral("document.getElementById('grid').width")).toInt(), 0);
    EXPECT_EQ(Eval(&map, QStringLiteral("getComputedStyle(document.getElementById('grid'))"
                                        ".display"))
                  .toString(),
              QStringLiteral("block"));
}

TEST_F(MapBrowser, MapPageWithoutLeafletDrawsItsOwnGrid)
{
    // The page alone, without the library beside it.
    for (const char *name : {"map_google_america.html", "map.js", "map.css"}) {
        const QString from = QStringLiteral(RX9_BIN_DIR "/_mapapi/vantora/") + QLatin1String(name);
        ASSERT_TRUE(QFile::copy(from, dir.filePath(QLatin1String(name)))) << name;
    }
    CHtmlMap map;
    map.resize(320, 240);
    map.show();
    ASSERT_TRUE(LoadAndWait(
        &map, QUrl::fromLocalFile(dir.filePath(QStringLiteral("map_google_america.html")))));
    EXPECT_EQ(Eval(&map, QStringLiteral("typeof L")).toString(), QStringLiteral("undefined"));
    EXPECT_FALSE(Eval(&map, QStringLiteral("mapState().leaflet")).toBool());
    EXPECT_TRUE(Eval(&map, QStringLiteral("mapState().offline")).toBool());

    map.SetMapPosition(QStringLiteral("127.025000"), QStringLiteral("37.502057"));
    const QString coords = QStringLiteral("document.getElementById('coords').textContent");
    EXPECT_TRUE(WaitUntil([&] {
        return Eval(&map, coords).toString() ==
               QStringLiteral("37.502057\u00b0 N, 127.025000\u00b0 E");
    }));
    // The marker is drawn at the centre of the canvas.
    EXPECT_EQ(Eval(&map, QStringLiteral("Array.from(document.getElementById('grid')"
                                        ".getContext('2d').getImageData(160,120,1,1).data)"
                                        ".slice(0,3).join(',')"))
                  .toString(),
              QStringLiteral("224,50,42"));

    // Texts that are no position leave the last one shown.
    map.SetMapPosition(QStringLiteral("abc"), QStringLiteral("95.0"));
    // Scripts run in order: once this one ran, the page has handled the input events of the
    // position script.
    Eval(&map, QStringLiteral("true"));
    EXPECT_EQ(Eval(&map, coords).toString(),
              QStringLiteral("37.502057\u00b0 N, 127.025000\u00b0 E"));
}

namespace {

// A route of two runs along latitude 37.5: 30 points at 10 km/h, a gap, 30 points at 110 km/h.
TripRoute TwoRunRoute()
{
    TripClip clip;
    clip.fileName = QStringLiteral("rec_20250523_081200.avi");
    clip.start = ClipStartFromStem(QStringLiteral("20250523_081200"));
    clip.readable = true;
    for (int n = 0; n < 61; ++n) {
        GpsSample g;
        g.fix = n == 30 ? 0 : 1;
        g.latitude = 37300000;             // 37.5 degrees
        g.longitude = 127000000 + n * 100; // 127 degrees and a little east each second
        g.speed = n < 30 ? 6 : 60;         // knots: 11 and 111 km/h
        clip.gps.push_back(g);
    }
    return BuildTripRoute({clip});
}

} // namespace

TEST_F(MapBrowser, RouteIsDrawnWithItsLegendAndClicksComeBackAsPointNumbers)
{
    CHtmlMap map;
    map.resize(480, 360);
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    const TripRoute route = TwoRunRoute();
    ASSERT_EQ(route.PointCount(), 60);
    // Handed before the page is there: shown once it is.
    map.SetRoute(RouteJson(route));
    map.SetMapPosition(QStringLiteral("127.000000"), QStringLiteral("37.500000"));
    bool finished = false;
    QObject::connect(&map, &CHtmlCtrl::NavigationComplete, &map, [&](bool) { finished = true; });
    map.LoadMapPage();
    ASSERT_TRUE(WaitUntil([&] { return finished; }, std::chrono::seconds(60)));
    ASSERT_TRUE(
        WaitUntil([&] { return Eval(&map, QStringLiteral("mapState().route")).toInt() == 60; }));
    ASSERT_TRUE(
        WaitUntil([&] { return Eval(&map, QStringLiteral("mapState().bridge")).toBool(); }));

    // Offline, the route lies on the grid: two casings and one coloured line per speed band,
    // plus the click lines, in the route's own layer.
    Eval(&map, QStringLiteral("window.dispatchEvent(new Event('offline'));true"));
    EXPECT_EQ(Eval(&map, QStringLiteral("mapState().routeLines")).toInt(), 6);
    EXPECT_EQ(
        Eval(&map, QStringLiteral("document.querySelectorAll('.leaflet-route-pane canvas').length"))
            .toInt(),
        1);
    const QString legend = Eval(&map, QStringLiteral("document.getElementById('legend')"
                                                     ".textContent"))
                               .toString();
    EXPECT_EQ(legend, QStringLiteral("km/h0-1920-3940-5960-7980-99100+"));

    // A real click on the screen spot of point 44 comes back as its number.
    QList<int> clicked;
    QObject::connect(&map, &CHtmlMap::RoutePointClicked, &map, [&](int i) { clicked << i; });
    const QVariantList xy = Eval(&map, QStringLiteral("routeScreenPoint(44)")).toList();
    ASSERT_EQ(xy.size(), 2);
    const QPoint at(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
    ASSERT_TRUE(map.rect().contains(at));
    QTest::mouseClick(map.focusProxy(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitUntil([&] { return !clicked.isEmpty(); }));
    EXPECT_NEAR(clicked.first(), 44, 1);

    // No route: no lines, no legend.
    map.SetRoute(QByteArray());
    EXPECT_EQ(Eval(&map, QStringLiteral("mapState().routeLines")).toInt(), 0);
    EXPECT_EQ(Eval(&map, QStringLiteral("mapState().route")).toInt(), 0);
    EXPECT_EQ(Eval(&map, QStringLiteral("getComputedStyle(document.getElementById('legend'))"
                                        ".display"))
                  .toString(),
              QStringLiteral("none"));
}

#include "MapViewTest.moc"

#else

TEST(MapPlaceholder, KeepsThePositionWithoutABrowser)
{
    CHtmlMap map;
    EXPECT_FALSE(CHtmlCtrl::HasBrowser());
    map.LoadMapPage();
    EXPECT_TRUE(map.IsMapPageRequested());
    map.SetMapPosition(QStringLiteral("127.025000"), QStringLiteral("37.502057"));
    EXPECT_EQ(map.LastLongitude(), QStringLiteral("127.025000"));
    EXPECT_EQ(map.LastLatitude(), QStringLiteral("37.502057"));
    EXPECT_FALSE(map.accessibleName().isEmpty());
}

// The browser's own tests cannot run in this build: say so instead of leaving them out unseen.
TEST(MapView, NeedsTheEmbeddedBrowser)
{
    GTEST_SKIP() << "built without Qt WebEngine: the map page tests did not run";
}

#endif

#include "HtmlCtrl.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#ifdef RX9_WITH_WEBENGINE
#include <QQuickWindow>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#else
#include <QPainter>
#endif

#ifdef RX9_WITH_WEBENGINE

// The page of a CHtmlCtrl: intercepts application links before anything else sees them (an
// unknown scheme would otherwise be handed to the desktop's URL handler) and keeps every other
// page out of the control.
class CHtmlCtrlPage : public QWebEnginePage
{
public:
    explicit CHtmlCtrlPage(CHtmlCtrl *ctrl)
        : QWebEnginePage(ctrl)
        , m_ctrl(ctrl)
    {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        switch (CHtmlCtrl::JudgeNavigation(url, m_ctrl->m_ownPage, isMainFrame,
                                           type == NavigationTypeLinkClicked)) {
        case CHtmlCtrl::NavigationVerdict::Follow:
            return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        case CHtmlCtrl::NavigationVerdict::AppCommand: {
            QString command;
            CHtmlCtrl::IsAppLink(url.toString(), &command);
            m_ctrl->OnAppCmd(command);
            return false;
        }
        case CHtmlCtrl::NavigationVerdict::OpenOutside:
            QDesktopServices::openUrl(url);
            return false;
        case CHtmlCtrl::NavigationVerdict::Refuse:
            break;
        }
        return false;
    }

private:
    CHtmlCtrl *m_ctrl;
};

// Stops every load of the page that is not its own file, a built-in resource or a picture.
class CHtmlCtrlResourceFilter : public QWebEngineUrlRequestInterceptor
{
public:
    explicit CHtmlCtrlResourceFilter(CHtmlCtrl *ctrl)
        : QWebEngineUrlRequestInterceptor(ctrl)
        , m_ctrl(ctrl)
    {}

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        // The page's own navigations are judged by the page; app: links never get this far.
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            return;
        const bool picture = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeImage;
        if (!CHtmlCtrl::MayLoadResource(info.requestUrl(), m_ctrl->m_ownPage, picture))
            info.block(true);
    }

private:
    CHtmlCtrl *m_ctrl;
};

#endif

CHtmlCtrl::CHtmlCtrl(QWidget *parent)
    : CHtmlCtrlBase(parent)
{
#ifdef RX9_WITH_WEBENGINE
    setPage(new CHtmlCtrlPage(this));
    page()->setUrlRequestInterceptor(new CHtmlCtrlResourceFilter(this));
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QWebEngineView::loadFinished, this, &CHtmlCtrl::OnNavigationComplete);
#endif
}

CHtmlCtrl::~CHtmlCtrl() = default;

bool CHtmlCtrl::HasBrowser()
{
#ifdef RX9_WITH_WEBENGINE
    return true;
#else
    return false;
#endif
}

void CHtmlCtrl::PrepareApplication()
{
#ifdef RX9_WITH_WEBENGINE
    // The browser's pictures reach the window through Qt Quick. With Qt Quick's software
    // renderer they are a plain part of the window's raster image and the browser composes in
    // software too; with the default OpenGL renderer (and the shared OpenGL context it needs,
    // made when the application starts) every repaint of the window - the graph's cursor, the
    // time, a video picture - is composed through OpenGL, which without a graphics card is a
    // software rasteriser that costs CPU, keeps a compiler of some 50 MB in memory and takes a
    // few hundred milliseconds to start.
    // The browser's start-up code, run as the application is made, asks for OpenGL and makes
    // that shared context whatever was asked before: on X11 the player takes no OpenGL at all
    // (nothing else in it draws through OpenGL), so no driver is loaded. A choice of the
    // user's in the environment stands. The software renderer is asked for in
    // ApplicationReady, once the browser's start-up code has run.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
#endif
}

void CHtmlCtrl::ApplicationReady()
{
#ifdef RX9_WITH_WEBENGINE
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
#endif
}

void CHtmlCtrl::SetHideScrollBars(bool vertical, bool horizontal)
{
    m_hideVScroll = vertical;
    m_hideHScroll = horizontal;
#ifdef RX9_WITH_WEBENGINE
    settings()->setAttribute(QWebEngineSettings::ShowScrollBars, !(vertical && horizontal));
#endif
    ApplyPagePlacement();
}

void CHtmlCtrl::SetHideBorder(bool hide)
{
    m_hideBorder = hide;
    ApplyPagePlacement();
}

void CHtmlCtrl::Navigate(const QUrl &url)
{
    m_ownPage = url;
#ifdef RX9_WITH_WEBENGINE
    load(url);
#else
    Q_UNUSED(url);
#endif
}

void CHtmlCtrl::RunScript(const QString &script)
{
#ifdef RX9_WITH_WEBENGINE
    page()->runJavaScript(script);
#else
    Q_UNUSED(script);
#endif
}

bool CHtmlCtrl::IsAppLink(const QString &address, QString *command)
{
    static const QString prefix = QStringLiteral("app:");
    if (!address.startsWith(prefix, Qt::CaseInsensitive))
        return false;
    if (command)
        *command = address.mid(prefix.size());
    return true;
}

CHtmlCtrl::NavigationVerdict CHtmlCtrl::JudgeNavigation(const QUrl &url, const QUrl &ownPage,
                                                        bool isMainFrame, bool userClickedLink)
{
    if (IsAppLink(url.toString()))
        return NavigationVerdict::AppCommand;
    const auto bare = QUrl::RemoveFragment | QUrl::RemoveQuery | QUrl::NormalizePathSegments;
    if (isMainFrame && ownPage.isValid() && url.adjusted(bare) == ownPage.adjusted(bare))
        return NavigationVerdict::Follow;
    if (!isMainFrame && url.scheme() == QLatin1String("about"))
        return NavigationVerdict::Follow;
    const QString scheme = url.scheme().toLower();
    if (isMainFrame && userClickedLink &&
        (scheme == QLatin1String("https") || scheme == QLatin1String("http")))
        return NavigationVerdict::OpenOutside;
    return NavigationVerdict::Refuse;
}

bool CHtmlCtrl::MayLoadResource(const QUrl &url, const QUrl &ownPage, bool isPicture)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("qrc") || scheme == QLatin1String("data") ||
        scheme == QLatin1String("blob") || scheme == QLatin1String("about"))
        return true;
    if (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
        return isPicture;
    if (scheme != QLatin1String("file") || !ownPage.isLocalFile())
        return false;
    const QString folder = QFileInfo(ownPage.toLocalFile()).absolutePath();
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

void CHtmlCtrl::OnAppCmd(const QString &command)
{
    Q_UNUSED(command);
}

void CHtmlCtrl::OnNavigationComplete(bool ok)
{
    ++m_completedNavigations;
    ApplyPagePlacement();
    emit NavigationComplete(ok);
}

// The browser needs no room of its own around the page: the page's margins, border and scroll
// bars are what would show, so they are switched off inside the page.
void CHtmlCtrl::ApplyPagePlacement()
{
    if (!m_hideVScroll && !m_hideHScroll && !m_hideBorder)
        return;
    QString script = QStringLiteral("(function(){var d=document.documentElement,b=document.body;"
                                    "if(!d)return;");
    if (m_hideVScroll)
        script += QStringLiteral("d.style.overflowY='hidden';if(b)b.style.overflowY='hidden';");
    if (m_hideHScroll)
        script += QStringLiteral("d.style.overflowX='hidden';if(b)b.style.overflowX='hidden';");
    if (m_hideBorder)
        script += QStringLiteral("d.style.border='0';if(b){b.style.border='0';}");
    script += QStringLiteral("})();");
    RunScript(script);
}

void CHtmlCtrl::SetPlaceholderText(const QString &text)
{
    m_placeholderText = text;
    update();
}

#ifndef RX9_WITH_WEBENGINE
void CHtmlCtrl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 40, 40));
    painter.setPen(QColor(200, 200, 200));
    painter.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap,
                     m_placeholderText);
}
#endif

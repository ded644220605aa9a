#include "HtmlCtrl.h"

#include <QCoreApplication>

#ifdef RX9_WITH_WEBENGINE
#include <QQuickWindow>
#include <QWebEngineSettings>
#else
#include <QPainter>
#endif

#ifdef RX9_WITH_WEBENGINE

// The page of a CHtmlCtrl: intercepts application links before anything else sees them (an
// unknown scheme would otherwise be handed to the desktop's URL handler).
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
        QString command;
        if (CHtmlCtrl::IsAppLink(url.toString(), &command)) {
            m_ctrl->OnAppCmd(command);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
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

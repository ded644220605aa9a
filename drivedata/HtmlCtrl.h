#pragma once

#include <QString>
#include <QUrl>

// An embedded browser usable as a plain child control: no frame or scroll bars of the page
// showing (when asked), and links of the form "app:<command>" handed to OnAppCmd instead of being
// followed. Only the page given to Navigate shows in it: a link the user clicks to a web page
// opens in the desktop's browser, and any other way of leaving the page is refused. Built over Qt
// WebEngine when the player is built with it (RX9_WITH_WEBENGINE); without it the control is a
// plain placeholder that shows no page.
#ifdef RX9_WITH_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
using CHtmlCtrlBase = QWebEngineView;
#else
#include <QWidget>
using CHtmlCtrlBase = QWidget;
#endif

class CHtmlCtrl : public CHtmlCtrlBase
{
    Q_OBJECT

public:
    explicit CHtmlCtrl(QWidget *parent = nullptr);
    ~CHtmlCtrl() override;

    // Whether a real browser is behind the control.
    static bool HasBrowser();

    // To be called in main() before the QApplication is constructed: the browser draws in
    // software, as the rest of the window does. Does nothing without a browser.
    static void PrepareApplication();
    // ... and this one just after it is constructed, before any browser is made.
    static void ApplicationReady();

    // Hiding the page's vertical and horizontal scroll bars and its border; applied after every
    // completed navigation.
    void SetHideScrollBars(bool vertical, bool horizontal);
    void SetHideBorder(bool hide);

    // Loads an address; does nothing without a browser.
    void Navigate(const QUrl &url);

    // Runs a script in the page (result ignored); does nothing without a browser.
    void RunScript(const QString &script);

    // Whether an address is an application link ("app:" in any case) and, if so, its command.
    static bool IsAppLink(const QString &address, QString *command = nullptr);

    // What becomes of a navigation the page asks for.
    enum class NavigationVerdict {
        Follow,      // the control's own page (again), or an empty frame
        AppCommand,  // an "app:" link, handed to OnAppCmd
        OpenOutside, // a web link the user clicked: the desktop's browser shows it
        Refuse,      // anything else
    };
    // `ownPage` is the address last given to Navigate; its fragment and query do not count.
    static NavigationVerdict JudgeNavigation(const QUrl &url, const QUrl &ownPage, bool isMainFrame,
                                             bool userClickedLink);

    // Whether the page may load a resource: files of its own folder (and below it), the
    // browser's built-in resources, and pictures from the web (map tiles); no script, style or
    // data from the web and no other local file.
    static bool MayLoadResource(const QUrl &url, const QUrl &ownPage, bool isPicture);

    // Count of navigations completed so far (successful or not).
    int CompletedNavigations() const { return m_completedNavigations; }

signals:
    // A navigation completed (ok: the page loaded).
    void NavigationComplete(bool ok);

protected:
    // Called with the text after "app:" of a link the page tried to follow; the link itself is
    // never followed. Does nothing here.
    virtual void OnAppCmd(const QString &command);

    // Text shown in place of the page when there is no browser.
    void SetPlaceholderText(const QString &text);
#ifndef RX9_WITH_WEBENGINE
    void paintEvent(QPaintEvent *event) override;
#endif

private:
    friend class CHtmlCtrlPage;
    friend class CHtmlCtrlResourceFilter;
    void OnNavigationComplete(bool ok);
    void ApplyPagePlacement();

    bool m_hideVScroll = false;
    bool m_hideHScroll = false;
    bool m_hideBorder = false;
    int m_completedNavigations = 0;
    QString m_placeholderText;
    QUrl m_ownPage;
};

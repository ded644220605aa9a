#pragma once

#include "DlgFrame.h"
#include "OptionRules.h"

#include <QFont>
#include <QMap>

#include <functional>

class CCircleChart;
class CDropButton;
class QTabBar;
class CSkinButton;
class CSkinRadioButton;
class CSliderOption;

// The options dialog: the camera's settings file on three pages of radio marks ("Driving
// Mode", "Parking Mode", "General"), the storage split as a slider, a pie chart and coloured
// percentages, and the time zone in a drop-down. The rules that keep the options consistent
// live in COptionRules; the dialog shows them and writes the record back on OK.
//
// Result: 1 written, 2 cancelled, 7 nothing written (the file had not loaded, or the write
// failed).
class CDlgOption : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr int kSavedResult = 1;
    static constexpr int kCancelledResult = 2;
    static constexpr int kNotSavedResult = 7;
    static constexpr int kTimeZoneId = 101;
    static constexpr int kSliderId = 1073;
    static constexpr int kChartId = 1074;
    static constexpr QSize kClientSize{520, 350};

    explicit CDlgOption(QWidget *parent = nullptr);
    ~CDlgOption() override;

    // The settings file to edit; it is read at once. An empty path (no card and no folder
    // chosen) shows the defaults, and OK then writes nothing.
    void SetPath(const QString &path);
    QString Path() const { return m_path; }

    // Shows a message of the dialog (string id) with one OK button and waits for it. Default:
    // the skinned message box. Tests record the messages.
    std::function<void(int stringId)> showMessage;

    int CurrentPage() const { return m_page; }
    void SetPage(int page);
    const COptionRules &Rules() const { return m_rules; }

    CSkinRadioButton *Radio(int id) const { return m_radios.value(id); }
    CCircleChart *Chart() const { return m_chart; }
    CSliderOption *Slider() const { return m_slider; }
    CDropButton *TimeZoneBox() const { return m_timeZone; }
    CSkinButton *OkButton() const { return m_ok; }
    CSkinButton *CancelButton() const { return m_cancel; }
    // The three page tabs, for the keyboard and assistive technology (the dialog paints them).
    QTabBar *PageTabs() const { return m_tabs; }

    // OK, Enter and Space.
    void Save();
    // The card the file lies on is gone: the dialog ends as cancelled and writes nothing, even
    // from a notice that Save is showing.
    void CardLost();

    // The tab rectangles, in client coordinates.
    static QRect TabRect(int page);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void PaintClient(QPainter &painter, const QRect &clip) override;

private:
    void load();
    void showRules();
    void showPageControls();
    void createGroups();
    void orderTabStops();
    void describeStorage();
    void message(int stringId);
    void paintTabs(QPainter &painter);
    void paintLabels(QPainter &painter);
    void paintBands(QPainter &painter);

    COptionRules m_rules;
    QString m_path;
    int m_page = 0;
    int m_shownSliderSerial = -1;
    bool m_ending = false;
    bool m_cardLost = false;
    QMap<int, CSkinRadioButton *> m_radios;
    CCircleChart *m_chart = nullptr;
    CSliderOption *m_slider = nullptr;
    CDropButton *m_timeZone = nullptr;
    CSkinButton *m_ok = nullptr;
    CSkinButton *m_cancel = nullptr;
    QTabBar *m_tabs = nullptr;
    QFont m_labelFont;
    QFont m_tabFont;
};

#include "DlgOption.h"

#include "CircleChart.h"
#include "DlgMessage.h"
#include "DropList.h"
#include "DropListMath.h"
#include "NotificationCodes.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SliderOption.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

namespace {

constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kFailedSaveString = 102;

// One radio mark: where it sits, on which page, and its label (string and horizontal span, on
// the mark's row).
struct RadioPlace
{
    int id;
    int page;
    int x;
    int y;
    int label;
    int labelLeft;
    int labelRight;
};

const RadioPlace kRadioPlaces[] = {
    {1039, 0, 200, 50, 251, 220, 360},  {1040, 0, 200, 80, 252, 220, 360},
    {1041, 0, 200, 110, 253, 220, 360}, {1042, 0, 350, 50, 254, 370, 410},
    {1043, 0, 350, 110, 256, 370, 410}, {1044, 0, 200, 150, 272, 220, 280},
    {1045, 0, 350, 150, 273, 370, 430}, {1046, 0, 200, 189, 258, 220, 280},
    {1047, 0, 255, 189, 259, 275, 335}, {1048, 0, 350, 189, 260, 370, 420},
    {1063, 0, 420, 189, 261, 440, 490}, {1066, 0, 200, 227, 501, 220, 360},
    {1067, 0, 350, 227, 502, 370, 410}, {1064, 1, 200, 50, 263, 220, 270},
    {1051, 1, 200, 80, 264, 220, 270},  {1052, 1, 350, 50, 265, 370, 520},
    {1053, 1, 350, 80, 266, 370, 520},  {1054, 1, 200, 119, 268, 225, 300},
    {1055, 1, 300, 119, 269, 321, 396}, {1056, 1, 380, 119, 270, 401, 476},
    {1057, 1, 200, 157, 279, 225, 300}, {1058, 1, 300, 157, 280, 321, 396},
    {1059, 1, 380, 157, 281, 401, 476}, {1060, 2, 200, 50, 284, 220, 360},
    {1061, 2, 350, 50, 285, 370, 510},  {1062, 2, 200, 89, 293, 220, 360},
    {1065, 2, 200, 134, 292, 220, 360},
};

// Group captions: page, string, row (x 20-220, 15 pixels high).
struct Caption
{
    int page;
    int label;
    int y;
};
const Caption kCaptions[] = {
    {0, 250, 50},  {0, 271, 150}, {0, 257, 189}, {0, 500, 227}, {1, 262, 50},  {1, 267, 119},
    {1, 278, 157}, {2, 283, 50},  {2, 290, 89},  {2, 286, 199}, {2, 287, 238},
};

// The darker stripes behind some rows, per page (top and bottom y).
struct Band
{
    int page;
    int top;
    int bottom;
};
const Band kBands[] = {{0, 137, 177}, {0, 216, 256}, {1, 107, 147}, {2, 77, 187}, {2, 226, 266}};

// The radio groups: one mark checked in each (the rules may leave the parking sub-modes
// without one), and the caption of the group's row, which describes its marks.
struct RadioGroup
{
    int caption;
    int ids[4];
};
const RadioGroup kRadioGroups[] = {
    {250, {1039, 1040, 1041}}, {250, {1042, 1043}},
    {271, {1044, 1045}},       {257, {1046, 1047, 1048, 1063}},
    {500, {1066, 1067}},       {262, {1064, 1051}},
    {262, {1052, 1053}},       {267, {1054, 1055, 1056}},
    {278, {1057, 1058, 1059}}, {283, {1060, 1061}},
    {290, {1062, 1065}},
};

bool liesOnBand(int id)
{
    for (int banded : {1044, 1045, 1054, 1055, 1056, 1062, 1065, 1066, 1067}) {
        if (banded == id)
            return true;
    }
    return false;
}

// The tab pieces (left, middle, right) of each tab, by the current page.
constexpr int kTabPieces[3][3][3] = {
    {{3016, 3014, 3017}, {3020, 3019, 3026}, {3023, 3019, 3025}},
    {{3021, 3019, 3024}, {3015, 3014, 3017}, {3020, 3019, 3025}},
    {{3021, 3019, 3027}, {3022, 3019, 3024}, {3015, 3014, 3018}},
};

const QRect kPercentLines[3] = {QRect(QPoint(427, 95), QPoint(529, 109)),
                                QRect(QPoint(427, 115), QPoint(529, 129)),
                                QRect(QPoint(427, 135), QPoint(529, 149))};
const QRect kFirmwareText(QPoint(220, 238), QPoint(359, 252));
const QRect kTimeZoneRect(QPoint(210, 196), QPoint(456, 219));

QString fillNumbers(const QString &format, std::initializer_list<int> numbers)
{
    QString out;
    auto next = numbers.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar conversion = format.at(i + 1);
            if (conversion == u'd') {
                if (next != numbers.end())
                    out += QString::number(*next++);
                ++i;
                continue;
            }
            if (conversion == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString labelText(int stringId)
{
    return LoadResString(stringId);
}

constexpr int kPageTitles[3] = {298, 299, 300};

} // namespace

// The page tabs as a tab bar of Qt's, so that the keyboard (Tab to it, then the arrows) and
// assistive technology reach the pages. It lies over the tabs the dialog paints and paints
// nothing itself.
class COptionPageTabs : public QTabBar
{
public:
    explicit COptionPageTabs(QWidget *parent)
        : QTabBar(parent)
    {
        setUsesScrollButtons(false);
        setExpanding(false);
        setDrawBase(false);
        setElideMode(Qt::ElideNone);
        for (int title : kPageTitles)
            addTab(LoadResString(title));
        const QRect first = CDlgOption::TabRect(0);
        const QRect last = CDlgOption::TabRect(2);
        setGeometry(QRect(first.topLeft(), last.bottomRight()));
    }

protected:
    QSize tabSizeHint(int index) const override { return CDlgOption::TabRect(index).size(); }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent *) override {}
    void wheelEvent(QWheelEvent *event) override { event->ignore(); }
};

QRect CDlgOption::TabRect(int page)
{
    static const QRect tabs[3] = {QRect(QPoint(10, 5), QPoint(175, 34)),
                                  QRect(QPoint(176, 5), QPoint(353, 34)),
                                  QRect(QPoint(354, 5), QPoint(509, 34))};
    return tabs[std::clamp(page, 0, 2)];
}

CDlgOption::CDlgOption(QWidget *parent)
    : CDlgFrame(parent)
{
    SetCaptionButtonsEnabled(false);
    SetVersionBadgeShown(true);
    setAccessibleName(LoadResString(298) + QStringLiteral(" / ") + LoadResString(299) +
                      QStringLiteral(" / ") + LoadResString(300));
    ResizeClient(kClientSize);

    m_labelFont = QFont(QStringLiteral("Arial"));
    m_labelFont.setPixelSize(FontPixelSizeForCell(15));
    m_labelFont.setWeight(QFont::Medium);
    m_tabFont = QFont(QStringLiteral("Arial"));
    m_tabFont.setPixelSize(FontPixelSizeForCell(17));
    m_tabFont.setWeight(QFont::DemiBold);

    QWidget *client = Client();
    m_ok = new CSkinButton(client, kOkId);
    m_ok->SetStripImage(3124);
    m_ok->setGeometry(185, 280, 64, 29);
    m_ok->setAccessibleName(QStringLiteral("OK"));
    m_ok->setToolTip(QStringLiteral("OK"));
    m_cancel = new CSkinButton(client, kCancelId);
    m_cancel->SetStripImage(3125);
    m_cancel->setGeometry(277, 280, 64, 29);
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Cancel"));

    for (const RadioPlace &place : kRadioPlaces) {
        auto *radio = new CSkinRadioButton(client, place.id);
        radio->SetMode(1);
        radio->SetImages(liesOnBand(place.id) ? 3137 : 3138);
        radio->setGeometry(place.x, place.y, 15, 15);
        radio->setAccessibleName(labelText(place.label));
        radio->setToolTip(labelText(place.label));
        m_radios.insert(place.id, radio);
    }

    m_slider = new CSliderOption(client, kSliderId);
    m_slider->setGeometry(220, 160, 260, 25);
    m_slider->setAccessibleName(QStringLiteral("File Storage Ratio"));
    m_slider->setToolTip(m_slider->accessibleName());
    m_chart = new CCircleChart(client, kChartId);
    m_chart->setGeometry(350, 83, 75, 75);

    m_timeZone = new CDropButton(client);
    m_timeZone->Create(nullptr, QColor(127, 127, 127), QStringLiteral("GMT SETTINTG"), client,
                       kTimeZoneId, QColor(127, 127, 127), QColor(200, 200, 200),
                       QColor(255, 255, 255), QColor(255, 255, 255), kTimeZoneRect);
    m_timeZone->SetListColour(QColor(127, 127, 127));
    m_timeZone->SetSelectionColour();
    m_timeZone->setAccessibleName(labelText(286));
    m_timeZone->setToolTip(labelText(286));
    m_timeZone->List()->setAccessibleName(labelText(286));
    const DropListItemRecord white{false, QColor(255, 255, 255), QColor(255, 255, 255)};
    for (const QString &zone : TimeZoneTexts())
        m_timeZone->AddItem(zone, white);

    m_tabs = new COptionPageTabs(client);
    m_tabs->setAccessibleName(QStringLiteral("Pages"));
    connect(m_tabs, &QTabBar::currentChanged, this, &CDlgOption::SetPage);
    createGroups();
    orderTabStops();

    client->installEventFilter(this);
    // Enter, Space and Escape act wherever the keyboard is in the dialog.
    qApp->installEventFilter(this);

    showPageControls();
    load();
}

CDlgOption::~CDlgOption() = default;

void CDlgOption::createGroups()
{
    for (const RadioGroup &group : kRadioGroups) {
        auto *buttons = new QButtonGroup(this);
        for (int id : group.ids) {
            if (CSkinRadioButton *radio = m_radios.value(id)) {
                buttons->addButton(radio, id);
                radio->setAccessibleDescription(labelText(group.caption));
            }
        }
    }
}

void CDlgOption::orderTabStops()
{
    // Pages, then the page's groups in reading order, the slider and the time zone, then OK
    // and Cancel. Controls of the other pages are hidden and so skipped.
    QWidget *previous = m_tabs;
    const auto follow = [&previous](QWidget *next) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (const RadioPlace &place : kRadioPlaces)
        follow(m_radios.value(place.id));
    follow(m_slider);
    follow(m_timeZone);
    follow(m_ok);
    follow(m_cancel);
}

void CDlgOption::SetPath(const QString &path)
{
    m_path = path;
    load();
}

void CDlgOption::load()
{
    CameraSettings record;
    // Without a card or chosen folder there is no settings file to read: a path relative to
    // wherever the player was started would name some other file.
    if (!m_path.isEmpty() && LoadCameraSettings(m_path, record))
        m_rules.Load(record);
    else
        m_rules.LoadDefaults();
    const int zone = m_rules.Record().timeZone;
    m_timeZone->SelectItem(zone);
    m_timeZone->setText(TimeZoneTexts().value(zone));
    m_shownSliderSerial = -1;
    showRules();
}

void CDlgOption::showRules()
{
    for (auto it = m_radios.cbegin(); it != m_radios.cend(); ++it)
        it.value()->SetChecked(m_rules.IsChecked(it.key()));
    m_radios.value(1042)->setAccessibleName(labelText(m_rules.FastRateStringId()));
    m_radios.value(1042)->setToolTip(labelText(m_rules.FastRateStringId()));

    const ChartSetting &chart = m_rules.Chart();
    m_chart->SetSegmentCount(chart.count);
    m_chart->SetSegmentValues(chart.values);
    if (m_rules.SliderSerial() != m_shownSliderSerial) {
        const SliderSetting &s = m_rules.SliderValues();
        m_slider->SetValues(s.a, s.b, s.c != 0);
        m_shownSliderSerial = m_rules.SliderSerial();
    }
    describeStorage();
    showPageControls();
    Client()->update();
}

void CDlgOption::describeStorage()
{
    // The slider's value is the first share; the painted percentages tell all of them.
    QStringList shares;
    for (const PercentLine &line : m_rules.PercentLines())
        shares.append(fillNumbers(LoadResString(line.stringId), {line.value}));
    m_slider->setAccessibleDescription(shares.join(QStringLiteral(", ")));
}

void CDlgOption::SetPage(int page)
{
    m_page = std::clamp(page, 0, 2);
    if (m_tabs->currentIndex() != m_page) {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(m_page);
    }
    showPageControls();
    Client()->update();
    update();
}

void CDlgOption::showPageControls()
{
    for (const RadioPlace &place : kRadioPlaces) {
        bool shown = place.page == m_page;
        if (place.id == 1052 || place.id == 1053)
            shown = shown && m_rules.ParkingDetail();
        m_radios.value(place.id)->setVisible(shown);
    }
    m_slider->setVisible(m_page == 2);
    m_timeZone->setVisible(m_page == 2);
    m_chart->setVisible(m_page == 2 && m_rules.ChartShown());
    if (m_page != 2)
        m_timeZone->Close();
}

void CDlgOption::message(int stringId)
{
    if (showMessage)
        showMessage(stringId);
    else
        ShowMessageId(kMessageOk, stringId, this);
}

void CDlgOption::Save()
{
    if (m_ending)
        return;
    m_ending = true;
    if (!m_rules.IsLoaded()) {
        done(kNotSavedResult);
        return;
    }
    if (const int notice = m_rules.SaveNotice())
        message(notice);
    if (m_cardLost)
        return;
    done(SaveCameraSettings(m_path, m_rules.Record()) ? kSavedResult : kNotSavedResult);
}

void CDlgOption::CardLost()
{
    m_cardLost = true;
    m_ending = true;
    done(kCancelledResult);
}

bool CDlgOption::event(QEvent *event)
{
    if (event->type() != CUserMessage::EventType())
        return CDlgFrame::event(event);
    const auto *note = static_cast<CUserMessage *>(event);
    switch (note->Code()) {
    case notify::kButton:
        if (note->Value() == kOkId)
            Save();
        else if (note->Value() == kCancelId)
            done(kCancelledResult);
        break;
    case notify::kRadio:
        if (m_radios.contains(int(note->Value()))) {
            const int refused = m_rules.Click(int(note->Value()));
            showRules();
            if (refused)
                message(refused);
        }
        break;
    case notify::kOptionSlider:
        if (const auto *record = note->RecordAs<SliderOptionRecord>()) {
            m_rules.Slider(*record);
            showRules();
        }
        break;
    case kDropChosenCode:
        if (const auto *id = note->RecordAs<int>(); id && *id == kTimeZoneId) {
            m_rules.ChooseTimeZone(int(note->Value()));
            Client()->update();
        }
        break;
    default:
        break;
    }
    return true;
}

bool CDlgOption::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == Client()) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton) {
            for (int page = 0; page < 3; ++page) {
                if (TabRect(page).contains(press->position().toPoint())) {
                    SetPage(page);
                    break;
                }
            }
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && isVisible() && watched->isWidgetType()) {
        const auto *widget = static_cast<QWidget *>(watched);
        // Keys of this dialog and its controls only: not of the open list (its own window) nor
        // of a message box shown over the dialog.
        if (widget->window() != this)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & Qt::ControlModifier) {
            // Ctrl+Tab and Ctrl+Page Down go to the next page, with Shift or Page Up back.
            int step = 0;
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_PageDown)
                step = (key->modifiers() & Qt::ShiftModifier) ? -1 : 1;
            else if (key->key() == Qt::Key_Backtab || key->key() == Qt::Key_PageUp)
                step = -1;
            if (step != 0) {
                SetPage((m_page + step + 3) % 3);
                m_tabs->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            Save();
            return true;
        case Qt::Key_Escape:
            if (!m_ending) {
                m_ending = true;
                done(kCancelledResult);
            }
            return true;
        default:
            break;
        }
    }
    return CDlgFrame::eventFilter(watched, event);
}

// ---- painting --------------------------------------------------------------------------------

void CDlgOption::PaintClient(QPainter &painter, const QRect &)
{
    painter.fillRect(QRect(QPoint(0, 0), ClientSize()), QColor(46, 46, 46));
    paintTabs(painter);
    // The bands lie behind the rows they mark, so they come before the labels.
    paintBands(painter);
    paintLabels(painter);
}

void CDlgOption::paintTabs(QPainter &painter)
{
    static const int titles[3] = {298, 299, 300};
    painter.setFont(m_tabFont);
    for (int tab = 0; tab < 3; ++tab) {
        const QRect r = TabRect(tab);
        const int *pieces = kTabPieces[m_page][tab];
        const SkinImage &left = CSkinImages::Get(pieces[0]);
        const SkinImage &middle = CSkinImages::Get(pieces[1]);
        const SkinImage &right = CSkinImages::Get(pieces[2]);
        const int rightX = r.x() + r.width() - right.width;
        painter.drawPixmap(r.x(), r.y(), left.pixmap);
        if (!middle.isNull()) {
            painter.drawPixmap(
                QRect(r.x() + left.width, r.y(), rightX - r.x() - left.width, middle.height),
                middle.pixmap);
        }
        painter.drawPixmap(rightX, r.y(), right.pixmap);
        painter.setPen(tab == m_page ? QColor(30, 30, 30) : QColor(200, 200, 200));
        painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, LoadResString(titles[tab]));
    }
}

void CDlgOption::paintBands(QPainter &painter)
{
    const int width = ClientSize().width();
    for (const Band &band : kBands) {
        if (band.page != m_page)
            continue;
        painter.fillRect(QRect(0, band.top, width, band.bottom - band.top), QColor(54, 54, 54));
        painter.setPen(QPen(QColor(33, 33, 33), 2));
        painter.drawLine(0, band.top - 1, width, band.top - 1);
        painter.drawLine(0, band.bottom + 1, width, band.bottom + 1);
        painter.setPen(QPen(QColor(66, 66, 66), 2));
        painter.drawLine(0, band.top + 2, width, band.top + 2);
        painter.drawLine(0, band.bottom - 2, width, band.bottom - 2);
    }
}

void CDlgOption::paintLabels(QPainter &painter)
{
    painter.setFont(m_labelFont);
    painter.setPen(Qt::white);
    // Labels start at their span and are drawn whole: a text a little longer than its span
    // runs on into the free room after it rather than being cut.
    const auto drawLine = [&painter](const QRect &r, const QString &text) {
        painter.drawText(
            r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    };
    for (const Caption &caption : kCaptions) {
        if (caption.page == m_page)
            drawLine(QRect(20, caption.y, 200, 15), labelText(caption.label));
    }
    for (const RadioPlace &place : kRadioPlaces) {
        if (place.page != m_page)
            continue;
        if ((place.id == 1052 || place.id == 1053) && !m_rules.ParkingDetail())
            continue;
        const int label = place.id == 1042 ? m_rules.FastRateStringId() : place.label;
        drawLine(QRect(place.labelLeft, place.y, place.labelRight - place.labelLeft, 15),
                 labelText(label));
    }
    if (m_page != 2)
        return;
    if (m_rules.IsLoaded()) {
        const CameraSettings &r = m_rules.Record();
        drawLine(kFirmwareText, fillNumbers(LoadResString(288), {r.fwMajor, r.fwMinor}));
    }
    const QList<PercentLine> lines = m_rules.PercentLines();
    for (qsizetype i = 0; i < lines.size() && i < 3; ++i) {
        painter.setPen(lines.at(i).colour);
        drawLine(kPercentLines[i],
                 fillNumbers(LoadResString(lines.at(i).stringId), {lines.at(i).value}));
    }
}

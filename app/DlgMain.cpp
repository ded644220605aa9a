#include "DlgMain.h"

#include "ControlId.h"
#include "DataParser.h"
#include "DropListWnd.h"
#include "HtmlMap.h"
#include "NotificationCodes.h"
#include "PlayWnd.h"
#include "PlaybackRules.h"
#include "SizeKeys.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "StringTable.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
constexpr int kRadioImage = 3148;
constexpr int kVolumeBackground = 3200;
constexpr int kVolumeFill = 3201;
constexpr int kPanelWidth = 310;
} // namespace

CDlgMain::CDlgMain(QWidget *parent)
    : CDlgFrame(parent)
    , m_metrics(SkinMetrics::FromSkin())
{
    SetResizable(true);
    setWindowTitle(QStringLiteral("RX-9 Vantora PC Player"));
    createChildren();
    // Stands in for the outside mouse hook: keys and presses of this window and its children
    // pass here first.
    qApp->installEventFilter(this);
    setUpControls();
    UpdateMinimumSize();
    resize(m_minimumTrackSize);
    applyMinimumSize();
    m_state.layoutReady = 1;
    LayoutWindow();
}

CDlgMain::~CDlgMain()
{
    qApp->removeEventFilter(this);
    // Child windows go in reverse order of creation.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        delete *it;
    m_children.clear();
}

void CDlgMain::createChildren()
{
    QWidget *client = Client();
    for (const ButtonInfo &info : MainButtons()) {
        auto *button = new CSkinButton(client, info.id);
        button->setObjectName(QString::fromLatin1(info.name));
        m_buttons[info.id] = button;
        m_children.push_back(button);
    }
    for (int id : {ids::kUnitKm, ids::kUnitMile}) {
        auto *radio = new CSkinRadioButton(client, id);
        radio->setObjectName(id == ids::kUnitKm ? QStringLiteral("Km") : QStringLiteral("Mile"));
        m_radios[id] = radio;
        m_children.push_back(radio);
    }
    m_playWnd = new CPlayWnd(client);
    SetControlId(m_playWnd, ids::kVideo);
    m_playWnd->setAccessibleName(QStringLiteral("Video"));
    m_children.push_back(m_playWnd);

    createPanelWindows();

    m_volume = new CSkinSlider(client, ids::kVolume);
    m_volume->setAccessibleName(QStringLiteral("Volume"));
    m_children.push_back(m_volume);
}

void CDlgMain::createPanelWindows()
{
    QWidget *client = Client();
    m_graph = new CDataParser(client);
    SetControlId(m_graph, ids::kSensorGraph);
    m_graph->setAccessibleName(QStringLiteral("Sensor graph"));
    m_graph->SetNotifyTarget(this);

    m_list = new CXListCtrl(client);
    SetControlId(m_list, ids::kRecordingList);
    m_list->SetControlId(ids::kRecordingList);
    m_list->setAccessibleName(QStringLiteral("Recordings"));
    m_list->SetReceiver(this);

    m_map = new CHtmlMap(client);
    SetControlId(m_map, ids::kMapView);
    m_map->setAccessibleName(QStringLiteral("Map"));

    // A pop-up of the main window, which receives its choices.
    m_speedList = new CDropListWnd(this);
    SetControlId(m_speedList, ids::kSpeedList);
    m_speedList->setAccessibleName(QStringLiteral("Play speed"));

    m_children.insert(m_children.end(), {m_graph, m_list, m_map, m_speedList});
}

void CDlgMain::setUpControls()
{
    // Button pictures.
    for (const ButtonInfo &info : MainButtons()) {
        if (info.icon)
            m_buttons[info.id]->SetIconImage(info.image);
        else
            m_buttons[info.id]->SetStripImage(info.image);
    }
    // Speed unit: km/h marked.
    for (auto &[id, radio] : m_radios) {
        radio->SetMode(1);
        radio->SetImages(kRadioImage);
        radio->SetChecked(id == ids::kUnitKm);
    }
    for (int id : kInitiallyHidden)
        m_buttons[id]->hide();

    const QSize speedList = SpeedListSize(m_metrics.speedItem);
    m_speedList->Create(this, speedList.width(), speedList.height(), ids::kSpeedList);
    for (int item = 0; item < kPlaySpeedItemCount; ++item)
        m_speedList->AddItem(kPlaySpeedFirstImage + item);

    for (int id : TooltipOrder())
        AddControlTip(id, LoadResString(FindButtonInfo(id)->tipString));
    AddControlTip(ids::kUnitKm, LoadResString(213));
    AddControlTip(ids::kUnitMile, LoadResString(214));

    m_volume->SetBackgroundImage(kVolumeBackground);
    m_volume->SetFillImage(kVolumeFill);
    m_volume->SetKnobMode(false);
    m_volume->SetRange(0, 100);

    m_list->SetUpRecordingColumns();
    m_map->LoadMapPage();
}

int CDlgMain::ListRowCount() const
{
    return m_list->RowCount();
}

void CDlgMain::AdjustListColumns()
{
    m_list->AdjustLastColumn();
}

PanelFlags CDlgMain::Flags() const
{
    return PanelFlags{m_state.listShown == 1, m_state.listHidden == 1, m_state.mapShown == 1};
}

CSkinButton *CDlgMain::Button(int id) const
{
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

CSkinRadioButton *CDlgMain::Radio(int id) const
{
    const auto it = m_radios.find(id);
    return it == m_radios.end() ? nullptr : it->second;
}

void CDlgMain::setShown(int id, bool shown)
{
    if (CSkinButton *button = Button(id))
        button->setVisible(shown);
    else if (CSkinRadioButton *radio = Radio(id))
        radio->setVisible(shown);
}

bool CDlgMain::listVisible() const
{
    return !m_list->isHidden();
}

// ---- layout

void CDlgMain::LayoutWindow()
{
    if (!m_state.layoutReady)
        return;
    m_layout = ComputeMainLayout(ClientSize(), Flags(), m_metrics);
    applyLayout(m_layout);
    Client()->update();
}

void CDlgMain::applyLayout(const MainLayout &layout)
{
    m_playWnd->setGeometry(layout.video);
    if (layout.list) {
        m_list->setGeometry(*layout.list);
        AdjustListColumns();
    }
    for (const auto &[id, rect] : layout.buttons)
        m_buttons[id]->setGeometry(rect);
    for (const auto &[id, rect] : layout.radios)
        m_radios[id]->setGeometry(rect);
    m_graph->setGeometry(layout.graph);
    m_volume->setGeometry(layout.volume);
    m_volume->SetRange(0, 100);
    m_map->setGeometry(layout.map);
}

void CDlgMain::ClientResized(QSize)
{
    LayoutWindow();
}

void CDlgMain::UpdateMinimumSize()
{
    const QMargins m = NonClientMargins();
    m_minimumTrackSize = MinimumWindowSize(
        IsClipOpen(), m_state.listShown == 1, VideoClassOf(m_state.videoWidth, m_state.videoHeight),
        m_state.videoWidth, m_state.videoHeight, m.top() + m.bottom());
    applyMinimumSize();
}

void CDlgMain::applyMinimumSize()
{
    // A minimum above the current size would make the toolkit (and the window manager) grow
    // the window at once; the minimum only limits how small the window can be made.
    const QSize limit = DragMinimumSize(m_minimumTrackSize, size());
    if (limit != minimumSize())
        setMinimumSize(limit);
}

void CDlgMain::resizeEvent(QResizeEvent *event)
{
    CDlgFrame::resizeEvent(event);
    applyMinimumSize();
}

// ---- panels

void CDlgMain::ShowPanel()
{
    if (listVisible())
        return;
    if (IsMaximisedFlag()) {
        LayoutWindow();
        update();
    } else {
        resize(width() + kPanelWidth, height());
        LayoutWindow();
    }
    setShown(ids::kListOff, true);
    setShown(ids::kListOn, false);
    if (m_state.mapShown) {
        setShown(ids::kUnitKm, true);
        setShown(ids::kUnitMile, true);
        setShown(ids::kMapOff, true);
        m_map->show();
    } else {
        setShown(ids::kMapOn, true);
    }
    for (int id : kPanelButtons)
        setShown(id, true);
    m_list->show();
    AdjustListColumns();
}

void CDlgMain::HidePanel()
{
    if (!listVisible())
        return;
    setShown(ids::kListOff, false);
    setShown(ids::kListOn, true);
    setShown(ids::kMapOn, false);
    setShown(ids::kMapOff, false);
    for (int id : kPanelButtons)
        setShown(id, false);
    setShown(ids::kUnitKm, false);
    setShown(ids::kUnitMile, false);
    m_map->hide();
    m_list->hide();
    if (IsMaximisedFlag()) {
        LayoutWindow();
        update();
    } else {
        resize(width() - kPanelWidth, height());
        LayoutWindow();
    }
}

void CDlgMain::ShowList()
{
    if (listVisible())
        return;
    m_state.listShown = 1;
    m_state.listHidden = 0;
    UpdateMinimumSize();
    ShowPanel();
}

void CDlgMain::HideList()
{
    if (!listVisible())
        return;
    m_state.listShown = 0;
    m_state.listHidden = 1;
    UpdateMinimumSize();
    HidePanel();
}

void CDlgMain::ShowMap()
{
    setShown(ids::kMapOff, true);
    setShown(ids::kMapOn, false);
    m_map->show();
    setShown(ids::kUnitKm, true);
    setShown(ids::kUnitMile, true);
    m_state.mapShown = 1;
    LayoutWindow();
    AdjustListColumns();
}

void CDlgMain::HideMap()
{
    setShown(ids::kMapOff, false);
    m_map->hide();
    setShown(ids::kMapOn, true);
    setShown(ids::kUnitKm, false);
    setShown(ids::kUnitMile, false);
    m_state.mapShown = 0;
    LayoutWindow();
    AdjustListColumns();
}

void CDlgMain::SetWindowSizeMode(int mode)
{
    if (ListRowCount() < 1)
        return;
    const QMargins m = NonClientMargins();
    const int frame = m.top() + m.bottom();
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize workArea = screen ? screen->availableGeometry().size() : QSize();
    const bool listShown = m_state.listShown == 1;
    const int videoWidth = m_state.videoWidth;
    const int videoHeight = m_state.videoHeight;

    switch (mode) {
    case 1: {
        if (isMaximized() || isFullScreen())
            showNormal();
        SetMaximisedFlag(false);
        if (listShown) {
            ShowPanel();
            m_state.listHidden = 0;
        } else {
            HidePanel();
            m_state.listHidden = 1;
        }
        resize(ModeOneWindowSize(VideoClassOf(videoWidth, videoHeight), videoWidth, videoHeight,
                                 listShown, frame));
        LayoutWindow();
        break;
    }
    case 2: {
        const QSize wanted = ModeTwoWindowSize(videoWidth, videoHeight, listShown, frame);
        if (FitsWorkArea(wanted, workArea)) {
            if (isMaximized())
                showNormal();
            resize(wanted);
            LayoutWindow();
        } else {
            showMaximized();
            SetMaximisedFlag(true);
            m_state.listHidden = 1;
            HidePanel();
            LayoutWindow();
        }
        break;
    }
    case 3:
        showMaximized();
        SetMaximisedFlag(true);
        // The panel shown here is the whole panel: its buttons are placed only while the
        // list counts as shown.
        m_state.listShown = 1;
        m_state.listHidden = 0;
        UpdateMinimumSize();
        ShowPanel();
        LayoutWindow();
        break;
    default:
        break;
    }
}

// ---- painting

void CDlgMain::PaintClient(QPainter &painter, const QRect &clip)
{
    painter.fillRect(clip, BackgroundColour());

    // Time read-out.
    const std::array<int, 11> images = TimeCellImages(m_state.timeDigits);
    for (size_t i = 0; i < images.size(); ++i) {
        const QRect &cell = m_layout.timeCells[i];
        const SkinImage &image = CSkinImages::Get(images[i]);
        if (!image.isNull() && !cell.isEmpty())
            painter.drawPixmap(cell, image.pixmap, QRect(QPoint(0, 0), cell.size()));
    }

    // Speed panel and GPS indicator.
    const auto copyInto = [&painter](int id, const QRect &target) {
        const SkinImage &image = CSkinImages::Get(id);
        if (!image.isNull() && !target.isEmpty())
            painter.drawPixmap(target, image.pixmap, QRect(QPoint(0, 0), target.size()));
    };
    copyInto(m_state.unitKm ? 3317 : 3321, m_layout.speedPanel);
    copyInto(m_state.gpsFix ? 3316 : 3315, m_layout.gpsIndicator);

    QFont speedFont(QStringLiteral("Arial"));
    speedFont.setPixelSize(30);
    speedFont.setWeight(QFont::Bold);
    painter.setFont(speedFont);
    painter.setPen(Qt::white);
    painter.drawText(m_layout.speedText, Qt::AlignRight | Qt::AlignVCenter, m_state.speedText);

    // Labels of the speed-unit radio buttons, while the panel with the map is shown.
    if (m_state.mapShown && m_state.listShown && !m_state.listHidden) {
        QFont labelFont(QStringLiteral("Arial"));
        labelFont.setPixelSize(15);
        labelFont.setWeight(QFont::Bold);
        painter.setFont(labelFont);
        painter.drawText(m_layout.kmLabel, Qt::AlignLeft | Qt::AlignVCenter, LoadResString(213));
        painter.drawText(m_layout.mileLabel, Qt::AlignLeft | Qt::AlignVCenter, LoadResString(214));
    }
}

// ---- input

bool CDlgMain::HandleKey(int, Qt::KeyboardModifiers)
{
    return false;
}

bool CDlgMain::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // A quick second press arrives as a double-click: it is a press all the same.
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The size keys go by the key's place on the keyboard, not the character it types.
        int code = key->key();
        if (const auto mode = WindowSizeKey(code, key->modifiers(), key->nativeScanCode()))
            code = Qt::Key_1 + *mode - 1;
        else if (code >= Qt::Key_1 && code <= Qt::Key_3)
            code = Qt::Key_unknown;
        return HandleKey(code, key->modifiers());
    }
    // A press that its first receiver ignores travels up to the parents and passes here once
    // for each of them: report it once.
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->timestamp() == m_lastPressStamp && m_lastPressStamp != 0)
        return false;
    if (!isActiveWindow())
        return false;
    if (mouse->button() == Qt::MiddleButton) {
        m_lastPressStamp = mouse->timestamp();
        PostUserMessage(this, notify::kMiddlePress, 0);
    } else if (mouse->button() == Qt::RightButton) {
        m_lastPressStamp = mouse->timestamp();
        PostUserMessage(this, notify::kRightPress, 0);
    }
    return false;
}

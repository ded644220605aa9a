#pragma once

#include "DlgFrame.h"
#include "PlayerLayout.h"
#include "PlayerState.h"

#include <map>
#include <vector>

class CDataParser;
class CDropListWnd;
class CHtmlMap;
class CPlayWnd;
class CSkinButton;
class CSkinRadioButton;
class CSkinSlider;
class CXListCtrl;

// The main window's layout and drawing layer: it sets up the child windows, places them from
// the client size and the skin's picture sizes, shows and hides the right-hand panel (list,
// map, card buttons) and the map, sizes the window to the clip on the size modes, limits how
// small the window can get and paints the read-outs that are not child windows (time, speed
// panel, GPS indicator, unit labels).
class CDlgMain : public CDlgFrame
{
    Q_OBJECT
public:
    explicit CDlgMain(QWidget *parent = nullptr);
    ~CDlgMain() override;

    PlayerState &State() { return m_state; }
    const PlayerState &State() const { return m_state; }
    PanelFlags Flags() const;

    // Right-hand panel and map (buttons LIST_ON / LIST_OFF, MAP_ON / MAP_OFF).
    void ShowList();
    void HideList();
    void ShowMap();
    void HideMap();
    void ShowPanel();
    void HidePanel();

    // Keys 1, 2 and 3: clip-sized window, clip at its own size, maximised with the panel.
    // Only while the recording list has rows.
    void SetWindowSizeMode(int mode);

    // Places every child from the current client size.
    void LayoutWindow();
    // Follows the panel and the open clip; playback calls it when a clip opens or closes.
    void UpdateMinimumSize();
    // The smallest size the window may be made (the size modes' rule); the limit actually set
    // never exceeds the current size (see DragMinimumSize).
    QSize MinimumTrackSize() const { return m_minimumTrackSize; }

    const MainLayout &CurrentLayout() const { return m_layout; }
    const SkinMetrics &Metrics() const { return m_metrics; }

    CSkinButton *Button(int id) const;
    CSkinRadioButton *Radio(int id) const;
    CPlayWnd *PlayWnd() const { return m_playWnd; }
    CSkinSlider *VolumeSlider() const { return m_volume; }
    CXListCtrl *RecordingList() const { return m_list; }
    CDataParser *SensorGraph() const { return m_graph; }
    CHtmlMap *MapView() const { return m_map; }
    CDropListWnd *SpeedList() const { return m_speedList; }

    // Rows in the recording list (the size modes act only with rows).
    virtual int ListRowCount() const;
    // Whether a clip is open in the media engine (the minimum size follows it).
    virtual bool IsClipOpen() const { return false; }

protected:
    void PaintClient(QPainter &painter, const QRect &clip) override;
    void ClientResized(QSize size) override;
    void resizeEvent(QResizeEvent *event) override;

    // The recording list's last column takes the width that is left.
    void AdjustListColumns();

    // The keys of the main window and its children reach this before any child sees them;
    // true consumes the key.
    virtual bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    // Right and middle presses in the main window's own windows (code 516 / 519).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createChildren();
    void createPanelWindows();
    void setUpControls();
    void applyLayout(const MainLayout &layout);
    void setShown(int id, bool shown);
    bool listVisible() const;
    void applyMinimumSize();

    PlayerState m_state;
    SkinMetrics m_metrics;
    MainLayout m_layout;
    QSize m_minimumTrackSize;

    std::map<int, CSkinButton *> m_buttons;
    std::map<int, CSkinRadioButton *> m_radios;
    CPlayWnd *m_playWnd = nullptr;
    CSkinSlider *m_volume = nullptr;
    // Child windows of the other subsystems, created in createPanelWindows().
    CXListCtrl *m_list = nullptr;        // recording list (1029)
    CDataParser *m_graph = nullptr;      // sensor graph (1027)
    CHtmlMap *m_map = nullptr;           // map view (100)
    CDropListWnd *m_speedList = nullptr; // play-speed list (103), hidden until used
    // Every child in the order of creation; destroyed in reverse order.
    std::vector<QWidget *> m_children;
    quint64 m_lastPressStamp = 0;
};

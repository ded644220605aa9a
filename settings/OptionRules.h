#pragma once

#include "CameraSettings.h"
#include "SliderMath.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The options dialog without its widgets: which radio marks are checked, the working record and
// the copy taken when it was loaded, and the rules that keep the options consistent as the user
// clicks. The dialog forwards every click here and shows the outcome.

// The 91 time-zone texts, the position being the record's timeZone code. The ampersands are
// doubled, as the drop-down shows them through prefix processing ("&&" reads as "&").
const QStringList &TimeZoneTexts();
constexpr int kTimeZoneCount = 91;
constexpr int kDefaultTimeZone = 76; // "(GMT+09:00) Seoul"

// The 27 radio marks, in the order of the pages (the control ids of the dialog).
const std::array<int, 27> &OptionRadioIds();

// How the storage split is shown: the pie chart's wedges and the slider's setting.
struct ChartSetting
{
    int count = 2;
    QList<int> values;

    bool operator==(const ChartSetting &) const = default;
};

// A slider setting (a, b, c): with c not 0 two knobs at a / 10 and (a + b) / 10; with c 0 one
// knob at a / 10.
struct SliderSetting
{
    int a = 0;
    int b = 0;
    int c = 0;

    bool operator==(const SliderSetting &) const = default;
};

// One coloured line of the storage percentages (string id filled with the value).
struct PercentLine
{
    int stringId = 0;
    int value = 0;
    QColor colour;

    bool operator==(const PercentLine &) const = default;
};

class COptionRules
{
public:
    COptionRules();

    // The settings file did not load: the defaults are shown and nothing may be saved.
    void LoadDefaults();
    // A record read from the card: codes outside their lists are repaired, the radios checked,
    // the storage display set, and the loaded copy taken.
    void Load(const CameraSettings &record);

    // A radio mark was clicked (the control has already checked itself). Returns the string
    // id of the message to show (506 or 294 when the click is refused), or 0.
    int Click(int radioId);
    // The storage slider moved.
    void Slider(const SliderOptionRecord &record);
    // A time zone was chosen in the drop-down (its list position).
    void ChooseTimeZone(int position);

    // The notice to show before saving (505, 504, 503), or 0.
    int SaveNotice() const;

    bool IsLoaded() const { return m_loaded; }
    bool IsChecked(int radioId) const;
    bool ParkingDetail() const { return m_parkingDetail; }
    int QualityShown() const { return m_qualityShown; }
    const CameraSettings &Record() const { return m_record; }
    const CameraSettings &LoadedCopy() const { return m_loadedCopy; }

    // The chart's setting and whether page 2 shows it (deletion by file type).
    const ChartSetting &Chart() const { return m_chart; }
    bool ChartShown() const { return m_record.deletionMethod == 0; }
    // The slider's last setting; the serial grows each time a rule sets it, so that the
    // dialog moves the slider only then (a slider moved by the user stays where it is).
    const SliderSetting &SliderValues() const { return m_slider; }
    int SliderSerial() const { return m_sliderSerial; }

    // The coloured percentage lines of page 2 (none unless deleting by file type).
    QList<PercentLine> PercentLines() const;

    // The frame-rate label of radio 1042 ("24fps" with quality 0, "30fps" otherwise).
    int FastRateStringId() const { return m_qualityShown == 0 ? 254 : 255; }

private:
    void check(int radioId, bool checked = true);
    void checkOnly(int radioId, std::initializer_list<int> group);
    void setChart(int count, QList<int> values);
    void setSlider(int a, int b, int c);
    bool byFileType() const { return m_record.deletionMethod == 0; }

    CameraSettings m_record;
    CameraSettings m_loadedCopy;
    bool m_loaded = false;
    bool m_parkingDetail = true;
    int m_qualityShown = 0;
    QList<int> m_checked;
    ChartSetting m_chart;
    SliderSetting m_slider;
    int m_sliderSerial = 0;
};

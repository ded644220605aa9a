#include "OptionRules.h"

namespace {

constexpr int kAlarmRefused = 506;
constexpr int kFileTypeRefused = 294;
constexpr int kEventNotice = 505;
constexpr int kParkingNotice = 504;
constexpr int kRatioNotice = 503;

const std::initializer_list<int> kQuality = {1039, 1040, 1041};
const std::initializer_list<int> kFrameRate = {1042, 1043};
const std::initializer_list<int> kBrightness = {1044, 1045};
const std::initializer_list<int> kDriveShock = {1046, 1047, 1048, 1063};
const std::initializer_list<int> kSpeedDisplay = {1066, 1067};
const std::initializer_list<int> kParking = {1064, 1051};
const std::initializer_list<int> kParkingDetail = {1052, 1053};
const std::initializer_list<int> kParkShock = {1054, 1055, 1056};
const std::initializer_list<int> kMotion = {1057, 1058, 1059};
const std::initializer_list<int> kAlarm = {1060, 1061};
const std::initializer_list<int> kDeletion = {1062, 1065};

// The index of id in its group, or -1.
int indexIn(std::initializer_list<int> group, int id)
{
    int i = 0;
    for (int member : group) {
        if (member == id)
            return i;
        ++i;
    }
    return -1;
}

} // namespace

const QStringList &TimeZoneTexts()
{
    static const QStringList texts = {
        QStringLiteral("(GMT-12:00) International Date Line West"),
        QStringLiteral("(GMT-11:00) Midway Island, Samoa"),
        QStringLiteral("(GMT-10:00) Hawaii"),
        QStringLiteral("(GMT-09:00) Alaska"),
        QStringLiteral("(GMT-08:00) Pacific Time (US && Canada)"),
        QStringLiteral("(GMT-08:00) Tijuana, Baja California"),
        QStringLiteral("(GMT-07:00) Arizona"),
        QStringLiteral("(GMT-07:00) Chihuahua, La Paz, Mazatlan"),
        QStringLiteral("(GMT-07:00) Mountain Time (US && Canada)"),
        QStringLiteral("(GMT-06:00) Central America"),
        QStringLiteral("(GMT-06:00) Central Time (US && Canada)"),
        QStringLiteral("(GMT-06:00) Guadalajara, Mexico City, Monterrey"),
        QStringLiteral("(GMT-06:00) Saskatchewan"),
        QStringLiteral("(GMT-05:00) Bogota, Lima, Quito"),
        QStringLiteral("(GMT-05:00) Eastern Time (US && Canada)"),
        QStringLiteral("(GMT-05:00) Indiana (East)"),
        QStringLiteral("(GMT-04:30) Caracas"),
        QStringLiteral("(GMT-04:00) Asuncion"),
        QStringLiteral("(GMT-04:00) Atlantic Time (Canada)"),
        QStringLiteral("(GMT-04:00) Georgetown, La Paz, San Juan"),
        QStringLiteral("(GMT-04:00) Manaus"),
        QStringLiteral("(GMT-04:00) Santiago"),
        QStringLiteral("(GMT-03:30) Newfoundland"),
        QStringLiteral("(GMT-03:00) Brasilia"),
        QStringLiteral("(GMT-03:00) Buenos Aires"),
        QStringLiteral("(GMT-03:00) Cayenne"),
        QStringLiteral("(GMT-03:00) Greenland"),
        QStringLiteral("(GMT-03:00) Montevideo"),
        QStringLiteral("(GMT-02:00) Mid-Atlantic"),
        QStringLiteral("(GMT-01:00) Azores"),
        QStringLiteral("(GMT-01:00) Cape Verde Is."),
        QStringLiteral("(GMT) Casablanca"),
        QStringLiteral("(GMT) Coordinated Universal Time"),
        QStringLiteral("(GMT) Dublin, Edinburgh, Lisbon, London"),
        QStringLiteral("(GMT) Monrovia, Reykjavik"),
        QStringLiteral("(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"),
        QStringLiteral("(GMT+01:00) Belgrade, Bratislava, Budapest, Ljubljana, Prague"),
        QStringLiteral("(GMT+01:00) Brussels, Copenhagen, Madrid, Paris"),
        QStringLiteral("(GMT+01:00) Sarajevo, Skopje, Warsaw, Zagreb"),
        QStringLiteral("(GMT+01:00) West Central Africa"),
        QStringLiteral("(GMT+02:00) Amman"),
        QStringLiteral("(GMT+02:00) Athens, Bucharest, Istanbul"),
        QStringLiteral("(GMT+02:00) Beirut"),
        QStringLiteral("(GMT+02:00) Cairo"),
        QStringLiteral("(GMT+02:00) Harare, Pretoria"),
        QStringLiteral("(GMT+02:00) Helsinki, Kyiv, Riga, Sofia, Tallinn, Vilnius"),
        QStringLiteral("(GMT+02:00) Jerusalem"),
        QStringLiteral("(GMT+02:00) Minsk"),
        QStringLiteral("(GMT+02:00) Windhoek"),
        QStringLiteral("(GMT+03:00) Baghdad"),
        QStringLiteral("(GMT+03:00) Kuwait, Riyadh"),
        QStringLiteral("(GMT+03:00) Moscow, St. Petersburg, Volgograd"),
        QStringLiteral("(GMT+03:00) Nairobi"),
        QStringLiteral("(GMT+03:00) Tbilisi"),
        QStringLiteral("(GMT+03:30) Tehran"),
        QStringLiteral("(GMT+04:00) Abu Dhabi, Muscat"),
        QStringLiteral("(GMT+04:00) Baku"),
        QStringLiteral("(GMT+04:00) Port Louis"),
        QStringLiteral("(GMT+04:00) Yerevan"),
        QStringLiteral("(GMT+04:30) Kabul"),
        QStringLiteral("(GMT+05:00) Ekaterinburg"),
        QStringLiteral("(GMT+05:00) Islamabad, Karachi"),
        QStringLiteral("(GMT+05:00) Tashkent"),
        QStringLiteral("(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi"),
        QStringLiteral("(GMT+05:30) Sri Jayawardenepura"),
        QStringLiteral("(GMT+05:45) Kathmandu"),
        QStringLiteral("(GMT+06:00) Almaty, Novosibirsk"),
        QStringLiteral("(GMT+06:00) Astana, Dhaka"),
        QStringLiteral("(GMT+06:30) Yangon (Rangoon)"),
        QStringLiteral("(GMT+07:00) Bangkok, Hanoi, Jakarta"),
        QStringLiteral("(GMT+07:00) Krasnoyarsk"),
        QStringLiteral("(GMT+08:00) Beijing, Chongqing, Hong Kong, Urumqi"),
        QStringLiteral("(GMT+08:00) Irkutsk, Ulaan Bataar"),
        QStringLiteral("(GMT+08:00) Kuala Lumpur, Singapore"),
        QStringLiteral("(GMT+08:00) Perth"),
        QStringLiteral("(GMT+08:00) Taipei"),
        QStringLiteral("(GMT+09:00) Seoul"),
        QStringLiteral("(GMT+09:00) Osaka, Sapporo, Tokyo"),
        QStringLiteral("(GMT+09:00) Yakutsk"),
        QStringLiteral("(GMT+09:30) Adelaide"),
        QStringLiteral("(GMT+09:30) Darwin"),
        QStringLiteral("(GMT+10:00) Brisbane"),
        QStringLiteral("(GMT+10:00) Canberra, Melbourne, Sydney"),
        QStringLiteral("(GMT+10:00) Guam, Port Moresby"),
        QStringLiteral("(GMT+10:00) Hobart"),
        QStringLiteral("(GMT+10:00) Vladivostok"),
        QStringLiteral("(GMT+11:00) Magadan, Solomon Is., New Caledonia"),
        QStringLiteral("(GMT+12:00) Auckland, Wellington"),
        QStringLiteral("(GMT+12:00) Fiji, Marshall Is."),
        QStringLiteral("(GMT+12:00) Petropavlovsk-Kamchatsky"),
        QStringLiteral("(GMT+13:00) Nuku'alofa"),
    };
    return texts;
}

const std::array<int, 27> &OptionRadioIds()
{
    static const std::array<int, 27> ids = {1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047,
                                            1048, 1063, 1066, 1067, 1064, 1051, 1052, 1053, 1054,
                                            1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1065};
    return ids;
}

COptionRules::COptionRules()
{
    LoadDefaults();
}

bool COptionRules::IsChecked(int radioId) const
{
    return m_checked.contains(radioId);
}

void COptionRules::check(int radioId, bool checked)
{
    m_checked.removeAll(radioId);
    if (checked)
        m_checked.append(radioId);
}

void COptionRules::checkOnly(int radioId, std::initializer_list<int> group)
{
    for (int id : group)
        check(id, id == radioId);
}

void COptionRules::setChart(int count, QList<int> values)
{
    m_chart = {count, std::move(values)};
}

void COptionRules::setSlider(int a, int b, int c)
{
    m_slider = {a, b, c};
    ++m_sliderSerial;
}

void COptionRules::LoadDefaults()
{
    m_loaded = false;
    m_checked = {1039, 1042, 1044, 1048, 1064, 1052, 1055, 1058, 1060, 1062, 1066};
    // The record follows the marks shown, so that the rules act on what the user sees; it is
    // never saved (nothing was loaded).
    m_record = CameraSettings{};
    m_record.timeZone = kDefaultTimeZone;
    m_record.driveShockSensitivity = 2;
    m_record.parkingMode = 2;
    m_record.parkShockSensitivity = 1;
    m_record.motionSensitivity = 1;
    m_record.shockAlarm = 0;
    m_record.deletionMethod = 1;
    m_loadedCopy = m_record;
    setChart(3, {40, 30, 30});
    setSlider(40, 30, 30);
    m_parkingDetail = true;
    m_qualityShown = 0;
}

void COptionRules::Load(const CameraSettings &loaded)
{
    m_loaded = true;
    m_record = NormalizeCameraSettings(loaded);
    const CameraSettings &r = m_record;
    m_checked.clear();
    check(1039 + r.quality);
    m_qualityShown = r.quality;
    check(r.frameRate == 0 ? 1042 : 1043);
    check(r.brightness == 0 ? 1044 : 1045);
    check(r.speedDisplay == 0 ? 1066 : 1067);
    check(std::data(kDriveShock)[r.driveShockSensitivity]);
    if (r.parkingMode == 0) {
        check(1051);
        m_parkingDetail = false;
    } else {
        check(1064);
        check(r.parkingMode == 1 ? 1053 : 1052);
        m_parkingDetail = true;
    }
    check(1054 + r.parkShockSensitivity);
    check(1057 + r.motionSensitivity);
    check(r.shockAlarm == 0 ? 1060 : 1061);
    check(r.deletionMethod == 0 ? 1065 : 1062);

    const int n = r.ratioNormal, e = r.ratioEvent, p = r.ratioParking;
    if (r.parkingMode == 0) {
        setSlider(n, e, 0);
        setChart(2, {n, e});
    } else if (r.driveShockSensitivity == 0) {
        setSlider(n, p, 0);
        setChart(2, {n, p});
    } else {
        setSlider(n, e, p);
        setChart(3, {n, e, p});
    }
    m_loadedCopy = m_record;
}

int COptionRules::Click(int id)
{
    CameraSettings &r = m_record;
    auto setRatios = [&r](int n, int e, int p) {
        r.ratioNormal = std::uint8_t(n);
        r.ratioEvent = std::uint8_t(e);
        r.ratioParking = std::uint8_t(p);
    };
    auto fortyThirtyThirty = [&] {
        setRatios(40, 30, 30);
        setChart(3, {40, 30, 30});
        setSlider(40, 30, 30);
    };
    auto timeOrder = [&] {
        r.deletionMethod = 1;
        checkOnly(1062, kDeletion);
    };

    if (int i = indexIn(kQuality, id); i >= 0) {
        checkOnly(id, kQuality);
        r.quality = std::uint8_t(i);
        m_qualityShown = i;
    } else if (i = indexIn(kFrameRate, id); i >= 0) {
        checkOnly(id, kFrameRate);
        r.frameRate = std::uint8_t(i);
    } else if (i = indexIn(kBrightness, id); i >= 0) {
        checkOnly(id, kBrightness);
        r.brightness = std::uint8_t(i);
    } else if (i = indexIn(kSpeedDisplay, id); i >= 0) {
        checkOnly(id, kSpeedDisplay);
        r.speedDisplay = std::uint8_t(i);
    } else if (i = indexIn(kParkingDetail, id); i >= 0) {
        checkOnly(id, kParkingDetail);
        r.parkingMode = id == 1052 ? 2 : 1;
    } else if (i = indexIn(kParkShock, id); i >= 0) {
        checkOnly(id, kParkShock);
        r.parkShockSensitivity = std::uint8_t(i);
    } else if (i = indexIn(kMotion, id); i >= 0) {
        checkOnly(id, kMotion);
        r.motionSensitivity = std::uint8_t(i);
    } else if (id == 1060) {
        checkOnly(1060, kAlarm);
        r.shockAlarm = 0;
    } else if (id == 1061) {
        if (r.driveShockSensitivity == 0) {
            // Undone: the mark shows the record again (a card's record may have the alarm on).
            check(1061, r.shockAlarm != 0);
            return kAlarmRefused;
        }
        checkOnly(1061, kAlarm);
        r.shockAlarm = 1;
    } else if (id == 1046) {
        checkOnly(1046, kDriveShock);
        checkOnly(1060, kAlarm);
        r.driveShockSensitivity = 0;
        r.shockAlarm = 0;
        if (r.parkingMode == 0) {
            timeOrder();
            setRatios(0, 0, 0);
            setSlider(0, 0, 0);
        } else if (byFileType()) {
            setRatios(50, 0, 50);
            setChart(2, {50, 50});
            setSlider(50, 50, 0);
        }
    } else if (i = indexIn(kDriveShock, id); i >= 0) {
        checkOnly(id, kDriveShock);
        if (r.driveShockSensitivity == 0 && byFileType() && r.parkingMode != 0)
            fortyThirtyThirty();
        r.driveShockSensitivity = std::uint8_t(i);
    } else if (id == 1064) {
        checkOnly(1064, kParking);
        m_parkingDetail = true;
        r.parkingMode = 2;
        checkOnly(1052, kParkingDetail);
        if (byFileType() && r.driveShockSensitivity != 0)
            fortyThirtyThirty();
    } else if (id == 1051) {
        checkOnly(1051, kParking);
        m_parkingDetail = false;
        r.parkingMode = 0;
        r.ratioParking = 0;
        if (r.driveShockSensitivity == 0) {
            timeOrder();
            setRatios(0, 0, 0);
            setSlider(0, 0, 0);
        } else {
            setRatios(50, 50, 0);
            setChart(2, {50, 50});
            setSlider(50, 50, 0);
        }
    } else if (id == 1062) {
        timeOrder();
        setRatios(0, 0, 0);
        setSlider(0, 0, 0);
    } else if (id == 1065) {
        if (r.parkingMode == 0 && r.driveShockSensitivity == 0) {
            // Undone: the mark shows the record again (a card's record may already say so).
            check(1065, r.deletionMethod == 0);
            return kFileTypeRefused;
        }
        checkOnly(1065, kDeletion);
        r.deletionMethod = 0;
        const int n = r.ratioNormal, e = r.ratioEvent, p = r.ratioParking;
        if (n == 0 && e == 0 && p == 0) {
            if (r.parkingMode != 0 && r.driveShockSensitivity != 0) {
                fortyThirtyThirty();
            } else if (r.parkingMode != 0) {
                setRatios(50, 0, 50);
                setChart(2, {50, 50});
                setSlider(50, 50, 0);
            } else {
                setRatios(50, 50, 0);
                setChart(2, {50, 50});
                setSlider(50, 50, 0);
            }
        } else if (e == 0 && p != 0) {
            setChart(2, {n, p});
            setSlider(n, p, 0);
        } else if (e != 0 && p == 0) {
            setChart(2, {n, e});
            setSlider(n, e, 0);
        } else {
            setChart(3, {n, e, p});
            setSlider(n, e, p);
        }
    }
    return 0;
}

void COptionRules::Slider(const SliderOptionRecord &s)
{
    CameraSettings &r = m_record;
    if (r.deletionMethod != 0)
        return;
    if (s.single == 1) {
        const int n = 10 * s.firstStep;
        r.ratioNormal = std::uint8_t(n);
        if (r.ratioEvent != 0) {
            r.ratioEvent = std::uint8_t(100 - n);
            r.ratioParking = 0;
        } else {
            r.ratioParking = std::uint8_t(100 - n);
        }
        setChart(2, {n, 100 - n});
    } else {
        const int n = 10 * s.firstStep;
        const int e = 10 * (s.secondStep - s.firstStep);
        const int p = 100 - 10 * s.secondStep;
        r.ratioNormal = std::uint8_t(n);
        r.ratioEvent = std::uint8_t(e);
        r.ratioParking = std::uint8_t(p);
        setChart(3, {n, e, p});
    }
}

void COptionRules::ChooseTimeZone(int position)
{
    m_record.timeZone = std::uint8_t(position & 0xff);
}

int COptionRules::SaveNotice() const
{
    const CameraSettings &was = m_loadedCopy;
    const CameraSettings &now = m_record;
    if (was.deletionMethod != 0 || now.deletionMethod != 0)
        return 0;
    if (was.driveShockSensitivity != 0 && now.driveShockSensitivity == 0)
        return kEventNotice;
    if (was.parkingMode != 0 && now.parkingMode == 0)
        return kParkingNotice;
    if (was.ratioNormal != now.ratioNormal || was.ratioEvent != now.ratioEvent ||
        was.ratioParking != now.ratioParking)
        return kRatioNotice;
    return 0;
}

QList<PercentLine> COptionRules::PercentLines() const
{
    const CameraSettings &r = m_record;
    if (r.deletionMethod != 0)
        return {};
    const QColor red(255, 0, 0), green(0, 255, 0), yellow(255, 255, 0);
    QList<PercentLine> lines = {{295, r.ratioNormal, red}};
    if (r.ratioEvent == 0) {
        lines.append({297, r.ratioParking, green});
    } else if (r.ratioParking != 0) {
        lines.append({296, r.ratioEvent, green});
        lines.append({297, r.ratioParking, yellow});
    } else {
        lines.append({296, r.ratioEvent, green});
    }
    return lines;
}

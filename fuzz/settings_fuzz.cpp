// Fuzz target: the camera's settings file of any length. It is loaded the way the player loads it
// (from a file), must read as its first 18 bytes with zeros after a short end, and the repair
// and the options rules must keep every code within its list whatever the card held. The bytes
// past the record (which the load ignores) drive clicks, slider moves and time-zone choices.

#include "CameraSettings.h"
#include "OptionRules.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

QString SettingsFile()
{
    static const QString path = QDir::temp().filePath(
        QStringLiteral("rx9fuzz-setup-%1.bin").arg(QCoreApplication::applicationPid()));
    return path;
}

// Every field with a code list holds one of its codes.
bool CodesInRange(const CameraSettings &r)
{
    return r.frameRate <= 1 && r.timeZone <= 90 && r.driveShockSensitivity <= 3 &&
           r.parkingMode <= 2 && r.quality <= 2 && r.parkShockSensitivity <= 2 &&
           r.brightness <= 1 && r.motionSensitivity <= 2 && r.shockAlarm <= 1 &&
           r.deletionMethod <= 1 && r.speedDisplay <= 1;
}

// The bytes the rules never touch.
bool KeptBytesEqual(const CameraSettings &a, const CameraSettings &b)
{
    return a.fwMajor == b.fwMajor && a.fwMinor == b.fwMinor && a.reserved4 == b.reserved4 &&
           a.reserved10 == b.reserved10;
}

int CheckedIn(const COptionRules &rules, std::initializer_list<int> group)
{
    return int(
        std::count_if(group.begin(), group.end(), [&](int id) { return rules.IsChecked(id); }));
}

// What the options dialog shows stays consistent with the record it would save.
void CheckRules(const COptionRules &rules, const CameraSettings &loaded)
{
    const CameraSettings &r = rules.Record();
    Check(CodesInRange(r));
    Check(NormalizeCameraSettings(r) == r);
    Check(KeptBytesEqual(r, loaded));
    Check(KeptBytesEqual(rules.LoadedCopy(), loaded));
    // One mark per group; the parking details show only while parking is on.
    Check(CheckedIn(rules, {1039, 1040, 1041}) == 1);
    Check(CheckedIn(rules, {1042, 1043}) == 1);
    Check(CheckedIn(rules, {1044, 1045}) == 1);
    Check(CheckedIn(rules, {1066, 1067}) == 1);
    Check(CheckedIn(rules, {1046, 1047, 1048, 1063}) == 1);
    Check(CheckedIn(rules, {1064, 1051}) == 1);
    Check(CheckedIn(rules, {1052, 1053}) <= 1);
    Check(CheckedIn(rules, {1054, 1055, 1056}) == 1);
    Check(CheckedIn(rules, {1057, 1058, 1059}) == 1);
    Check(CheckedIn(rules, {1060, 1061}) == 1);
    Check(CheckedIn(rules, {1062, 1065}) == 1);
    const int notice = rules.SaveNotice();
    Check(notice == 0 || notice == 503 || notice == 504 || notice == 505);
    const ChartSetting &chart = rules.Chart();
    Check((chart.count == 2 || chart.count == 3) && chart.values.size() == chart.count);
    for (const int value : chart.values)
        Check(value >= 0 && value <= 255);
    const QList<PercentLine> lines = rules.PercentLines();
    Check(r.deletionMethod == 0 ? lines.size() >= 2 && lines.size() <= 3 : lines.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt's file access needs an application object for nothing here, but the pid comes from it.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // The record as the byte form reads it: the first 18 bytes, zeros after a short end.
    const CameraSettings record = CameraSettingsFromBytes(bytes);
    const QByteArray recordBytes = CameraSettingsToBytes(record);
    Check(recordBytes.size() == kCameraSettingsSize);
    for (int i = 0; i < kCameraSettingsSize; ++i)
        Check(recordBytes[i] == (qsizetype(i) < bytes.size() ? bytes[i] : '\0'));

    // The load from a file of these bytes gives the same record.
    {
        QFile file(SettingsFile());
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(bytes) == bytes.size());
    }
    CameraSettings loaded;
    std::memset(&loaded, 0xA5, sizeof loaded);
    Check(LoadCameraSettings(SettingsFile(), loaded));
    Check(loaded == record);
    QFile::remove(SettingsFile());

    // The repair: every code in its list, codes already there and the kept bytes untouched,
    // and repairing twice changes nothing.
    const CameraSettings repaired = NormalizeCameraSettings(record);
    Check(CodesInRange(repaired));
    Check(NormalizeCameraSettings(repaired) == repaired);
    Check(KeptBytesEqual(repaired, record));
    Check(repaired.ratioNormal == record.ratioNormal && repaired.ratioEvent == record.ratioEvent &&
          repaired.ratioParking == record.ratioParking);
    if (CodesInRange(record))
        Check(repaired == record);
    (void)CardInfoText(record);

    // The options dialog on that record: loaded as the card holds it, then edited by the bytes
    // after the record.
    COptionRules rules;
    rules.Load(record);
    Check(rules.IsLoaded());
    Check(rules.Record() == repaired && rules.LoadedCopy() == repaired);
    Check(rules.SaveNotice() == 0);
    CheckRules(rules, record);
    const std::array<int, 27> &radios = OptionRadioIds();
    for (std::size_t at = kCameraSettingsSize; at < size; ++at) {
        const std::uint8_t op = data[at];
        if (op < 0xC0) {
            const int result = rules.Click(radios[op % radios.size()]);
            Check(result == 0 || result == 294 || result == 506);
        } else if (op < 0xE0) {
            // The ratio slider's records: one knob on steps 1-9, or two knobs apart on 1-9.
            const bool dual = op & 0x10;
            const int first = 1 + (op & 0x0F) % (dual ? 8 : 9);
            const int second = dual ? first + 1 + (op & 0x0F) / 8 % (9 - first) : first;
            rules.Slider(SliderOptionRecord{first, second, dual ? 0 : 1, 0});
        } else {
            rules.ChooseTimeZone((op - 0xE0) * 3 % kTimeZoneCount);
        }
        CheckRules(rules, record);
    }
    return 0;
}

#include "CameraSettings.h"

#include "StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Opens the settings file the way the camera's card expects it: read and write access, existing
// files only. A file marked read-only (no write permission for anybody) is refused even when the
// process could write it anyway, as an administrator can: a read-only card stays untouched.
bool OpenSettingsFile(QFile &file)
{
    const QFileInfo info(file.fileName());
    if (!info.exists() || !info.isFile())
        return false;
    const auto writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!(info.permissions() & writable))
        return false;
    return file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered);
}

// printf-like substitution of %d and %s in a table text, in order; "%%" is a percent sign.
// Conversions without an argument left are dropped; unknown ones are kept as written.
QString FormatTableText(const QString &format, const QList<int> &numbers, const QStringList &texts)
{
    QString out;
    qsizetype nextNumber = 0;
    qsizetype nextText = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar conversion = format.at(i + 1);
        if (conversion == u'd') {
            if (nextNumber < numbers.size())
                out += QString::number(numbers.at(nextNumber++));
        } else if (conversion == u's') {
            if (nextText < texts.size())
                out += texts.at(nextText++);
        } else if (conversion == u'%') {
            out += u'%';
        } else {
            out += c;
            out += conversion;
        }
        ++i;
    }
    return out;
}

} // namespace

QByteArray CameraSettingsToBytes(const CameraSettings &record)
{
    QByteArray bytes(kCameraSettingsSize, '\0');
    std::memcpy(bytes.data(), &record, kCameraSettingsSize);
    return bytes;
}

CameraSettings CameraSettingsFromBytes(const QByteArray &bytes)
{
    CameraSettings record;
    std::memcpy(&record, bytes.constData(), std::min<qsizetype>(bytes.size(), kCameraSettingsSize));
    return record;
}

QString CameraSettingsPath(const QString &root)
{
    return root + QStringLiteral("Setup/setup.bin");
}

bool LoadCameraSettings(const QString &path, CameraSettings &record)
{
    QFile file(path);
    if (!OpenSettingsFile(file))
        return false;
    // Bytes a short file does not hold read as zero (and are then repaired like any other code).
    char buffer[kCameraSettingsSize] = {};
    if (file.read(buffer, kCameraSettingsSize) < 0)
        return false;
    std::memcpy(&record, buffer, kCameraSettingsSize);
    return true;
}

bool SaveCameraSettings(const QString &path, const CameraSettings &record)
{
    QFile file(path);
    if (!OpenSettingsFile(file))
        return false;
    const QByteArray bytes = CameraSettingsToBytes(record);
    if (file.write(bytes) != kCameraSettingsSize)
        return false;
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    // Cards are often pulled out right after OK: the record must be on the card, not in the
    // page cache, before the save reports success.
    if (::fsync(file.handle()) != 0)
        return false;
#endif
    file.close();
    return file.error() == QFileDevice::NoError;
}

CameraSettings NormalizeCameraSettings(const CameraSettings &record)
{
    CameraSettings r = record;
    const auto repair = [](std::uint8_t &field, int highestCode, std::uint8_t repairValue) {
        if (field > highestCode)
            field = repairValue;
    };
    repair(r.frameRate, 1, 0);
    repair(r.timeZone, 90, 76);
    repair(r.driveShockSensitivity, 3, 2);
    repair(r.parkingMode, 2, 2);
    repair(r.quality, 2, 0);
    repair(r.parkShockSensitivity, 2, 1);
    repair(r.brightness, 1, 0);
    repair(r.motionSensitivity, 2, 1);
    repair(r.shockAlarm, 1, 1);
    repair(r.deletionMethod, 1, 1);
    repair(r.speedDisplay, 1, 0);
    return r;
}

bool CreateCameraSettingsFile(const QString &path, const CameraSettings &record)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(CameraSettingsToBytes(record)) != kCameraSettingsSize)
        return false;
    return file.commit();
}

QString CardInfoText(const CameraSettings &record)
{
    const QString method = LoadResString(record.deletionMethod != 0 ? 211 : 212);
    return FormatTableText(LoadResString(210), {record.fwMajor, record.fwMinor},
                           {LoadResString(289), method});
}

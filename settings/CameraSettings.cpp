#include "CameraSettings.h"

#include "SafeFile.h"
#include "StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// The settings path as the card's root and the file below it: ".../Setup/setup.bin" is split
// before "Setup", so that neither the folder nor the file is followed when it is a link. Any
// other path is its folder and its name.
std::pair<QString, QString> splitSettingsPath(const QString &path)
{
    const QString below = CameraSettingsPath(QString());
    if (path == below)
        return {QStringLiteral("."), below};
    if (path.endsWith(QLatin1Char('/') + below))
        return {path.left(path.size() - below.size()), below};
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QStringLiteral("."), path};
    return {path.left(std::max<qsizetype>(slash, 1)), path.mid(slash + 1)};
}

// Opens the settings file the way the camera's card expects it: read and write access, existing
// regular files on the card only, never through a link and never blocking on a FIFO. A file
// marked read-only (no write permission for anybody) is refused even when the process could
// write it anyway, as an administrator can: a read-only card stays untouched.
CFileDescriptor openSettingsFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    const auto [root, below] = splitSettingsPath(path);
    struct stat status;
    CFileDescriptor fd = OpenFileBelow(root, below, O_RDWR, &status);
    if (!fd.IsValid() || !(status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        return {};
    return fd;
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
    const CFileDescriptor file = openSettingsFile(path);
    if (!file.IsValid())
        return false;
    // Bytes a short file does not hold read as zero (and are then repaired like any other code).
    char buffer[kCameraSettingsSize] = {};
    qsizetype got = 0;
    while (got < kCameraSettingsSize) {
        const ssize_t n = ::pread(file.Get(), buffer + got, size_t(kCameraSettingsSize - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += n;
    }
    std::memcpy(&record, buffer, kCameraSettingsSize);
    return true;
}

bool SaveCameraSettings(const QString &path, const CameraSettings &record)
{
    CFileDescriptor file = openSettingsFile(path);
    if (!file.IsValid())
        return false;
    const QByteArray bytes = CameraSettingsToBytes(record);
    qsizetype written = 0;
    while (written < kCameraSettingsSize) {
        const ssize_t n = ::pwrite(file.Get(), bytes.constData() + written,
                                   size_t(kCameraSettingsSize - written), written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    // Cards are often pulled out right after OK: the record must be on the card, not in the
    // page cache, before the save reports success.
    return ::fsync(file.Get()) == 0 && file.Close();
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

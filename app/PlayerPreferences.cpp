#include "PlayerPreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kTripTimelineKey = QStringLiteral("playback/tripTimeline");
} // namespace

QString CPlayerPreferences::DefaultPath()
{
    const QString fromEnvironment = qEnvironmentVariable("RX9_PLAYER_SETTINGS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/player.ini");
}

CPlayerPreferences::CPlayerPreferences(const QString &path)
    : m_path(path)
{}

bool CPlayerPreferences::TripTimeline() const
{
    if (m_path.isEmpty())
        return false;
    const QSettings settings(m_path, QSettings::IniFormat);
    return settings.value(kTripTimelineKey, false).toBool();
}

bool CPlayerPreferences::SetTripTimeline(bool on)
{
    if (m_path.isEmpty() || !QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(kTripTimelineKey, on);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

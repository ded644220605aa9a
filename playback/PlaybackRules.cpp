#include "PlaybackRules.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// Time read-out

TimeDigits TimeToDigits(qint64 ms)
{
    if (ms < 0)
        return {0, 0, 0, 0};
    const auto minutes = static_cast<qint64>(std::trunc(static_cast<double>(ms) / 1000.0 / 60.0));
    if (minutes > 99)
        return {9, 9, 5, 9};
    const int m = static_cast<int>(minutes);
    const int s = static_cast<int>((ms / 1000) % 60);
    return {m / 10, m % 10, s / 10, s % 10};
}

// ---------------------------------------------------------------------------------------------
// Video size

int VideoClassOf(int width, int height)
{
    if (width == 1920 && height == 1080)
        return kVideoClassFullHd;
    if (width == 1280 && height == 720)
        return kVideoClassHd;
    return kVideoClassOther;
}

// ---------------------------------------------------------------------------------------------
// Speed and map read-outs

int KmhToMph(int kmh)
{
    return static_cast<int>(kmh * 0.6213);
}

int SpeedForUnit(int kmh, bool unitKm)
{
    return unitKm ? kmh : KmhToMph(kmh);
}

QString SpeedText(int value)
{
    return QString::asprintf("%d", value);
}

void CLastFix::Update(bool fix, double longitude, double latitude)
{
    if (!fix || !std::isfinite(longitude) || !std::isfinite(latitude))
        return;
    m_longitude = longitude;
    m_latitude = latitude;
}

// QString::asprintf formats numbers the C way whatever the locale, so the map page always gets
// a decimal point.
QString CLastFix::LongitudeText() const
{
    return QString::asprintf("%lf", m_longitude);
}

QString CLastFix::LatitudeText() const
{
    return QString::asprintf("%lf", m_latitude);
}

// ---------------------------------------------------------------------------------------------
// Play speed and sound

namespace {
constexpr std::array<float, kPlaySpeedItemCount> kPlayRates = {0.4f, 0.6f, 0.8f, 1.0f, 2.0f};
}

std::optional<PlaySpeed> PlaySpeedForItem(int item)
{
    if (item < 1 || item > kPlaySpeedItemCount)
        return std::nullopt;
    return PlaySpeed{kPlayRates[item - 1], kPlaySpeedFirstImage + item - 1};
}

std::optional<int> PlaySpeedImage(float rate)
{
    for (int item = 1; item <= kPlaySpeedItemCount; ++item) {
        if (kPlayRates[item - 1] == rate)
            return kPlaySpeedFirstImage + item - 1;
    }
    return std::nullopt;
}

QString PlaySpeedLabel(int item)
{
    const auto speed = PlaySpeedForItem(item);
    if (!speed)
        return {};
    return QString::asprintf("%.1fx", double(speed->rate));
}

CSoundSettings::CSoundSettings(bool soundOn, int volume)
    : m_soundOn(soundOn)
    , m_volume(std::clamp(volume, kMinVolume, kMaxVolume))
{}

SoundView CSoundSettings::TurnOn()
{
    m_soundOn = true;
    return {m_volume, true, true};
}

SoundView CSoundSettings::TurnOff()
{
    m_soundOn = false;
    return {0, false, false};
}

std::optional<int> CSoundSettings::VolumeUp()
{
    if (!m_soundOn)
        return std::nullopt;
    m_volume = std::clamp(m_volume + kVolumeStep, kMinVolume, kMaxVolume);
    return m_volume;
}

std::optional<int> CSoundSettings::VolumeDown()
{
    if (!m_soundOn)
        return std::nullopt;
    m_volume = std::clamp(m_volume - kVolumeStep, kMinVolume, kMaxVolume);
    return m_volume;
}

int CSoundSettings::SetVolume(int volume)
{
    m_volume = std::clamp(volume, kMinVolume, kMaxVolume);
    return m_volume;
}

SoundView CSoundSettings::ForRate(float rate) const
{
    if (rate == kNormalPlayRate)
        return {m_volume, true, true};
    return {0, false, false};
}

std::optional<SpeedChoice> ChooseSpeed(int listId, int item, float currentRate,
                                       const CSoundSettings &sound)
{
    if (listId != kPlaySpeedListId)
        return std::nullopt;
    SpeedChoice choice{currentRate, std::nullopt, {}};
    if (const auto speed = PlaySpeedForItem(item)) {
        choice.playRate = speed->rate;
        choice.imageId = speed->imageId;
    }
    choice.sound = sound.ForRate(choice.playRate);
    return choice;
}

// ---------------------------------------------------------------------------------------------
// Seeking and moving between recordings

qint64 StepTarget(qint64 nowMs, qint64 lengthMs, int seconds)
{
    qint64 target = nowMs + qint64(seconds) * 1000;
    if (lengthMs > 0 && target > lengthMs)
        target = lengthMs;
    if (target < 0)
        target = 0;
    return target;
}

std::optional<int> PreviousIndex(int rowCount, int currentIndex, bool playing)
{
    if (rowCount <= 0)
        return std::nullopt;
    if (currentIndex - 1 >= 0)
        return std::min(currentIndex - 1, rowCount - 1); // a stale index past the end
    if (!playing && currentIndex == 0)
        return 0;
    return std::nullopt;
}

std::optional<int> NextIndex(int rowCount, int currentIndex)
{
    if (rowCount <= 0)
        return std::nullopt;
    if (currentIndex < 0)
        return 0;
    return std::min(currentIndex + 1, rowCount);
}

std::optional<int> ReplayIndex(int rowCount, int currentIndex, bool clipOpen)
{
    if (clipOpen || rowCount <= 0 || currentIndex < rowCount)
        return std::nullopt;
    return rowCount - 1;
}

// ---------------------------------------------------------------------------------------------
// Picture adjustment

bool NightVisionAfterAdjust(bool nightVision, int dialogResult, float brightness, float contrast)
{
    if (!nightVision || dialogResult != 1)
        return nightVision;
    const int nightPosition = AdjustPosition(kNightVisionPicture);
    return AdjustPosition(brightness) == nightPosition && AdjustPosition(contrast) == nightPosition;
}

// ---------------------------------------------------------------------------------------------
// Still capture and title

QString CaptureFolder(const QString &desktopPath)
{
    QString folder = desktopPath;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("HD-VANTORA/Capture/");
}

QString CaptureFileName(const QString &stem, qint64 playTimeMs)
{
    const double seconds = double(std::max<qint64>(playTimeMs, 0)) / 1000.0;
    return stem + QString::asprintf("_%3.1f", seconds) + QStringLiteral(".png");
}

// ---------------------------------------------------------------------------------------------
// Rotation

CRotationControl::Action CRotationControl::turn()
{
    m_rotated = !m_rotated;
    return {m_rotated ? Action::RotateOn : Action::RotateOff};
}

CRotationControl::Actions CRotationControl::Press(bool clipOpen)
{
    // The player draws the pictures itself, so a paused picture turns as well as a playing one.
    if (!clipOpen) {
        ++m_pending;
        return {};
    }
    if (!m_ready)
        return {};
    const Action rotate = turn();
    m_ready = false;
    return {rotate, {Action::StartTimer, kSettleTimer, kSettleAfterPressMs}};
}

CRotationControl::Actions CRotationControl::Resumed()
{
    if (m_pending % 2 == 1)
        return {{Action::StartTimer, kDeferTimer, kDeferMs}};
    return {};
}

CRotationControl::Actions CRotationControl::DeferTimerFired()
{
    const Action rotate = turn();
    m_pending = 0;
    // Closed until the settle timer, like after a press, so that presses in the next 1.5 s
    // cannot rotate a picture that is still being turned.
    m_ready = false;
    return {rotate, {Action::StartTimer, kSettleTimer, kSettleAfterDeferMs}};
}

CRotationControl::Actions CRotationControl::SettleTimerFired()
{
    m_ready = true;
    return {{Action::ApplyPicture}};
}

#pragma once

// The arithmetic of playback that needs neither a window nor the media engine: the time
// read-out, the video class, the speed and map read-outs, the play-speed table and what a speed
// choice does to the sound, volume steps, ten-second steps, previous and next recording, the
// picture adjustment positions, still capture names and the window title. The playback
// controller keeps the state and executes what these functions decide.

#include "PictureSteps.h"

#include <QSize>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Time read-out

// The four digits of one time read-out, each 0-9, in the order minutes tens, minutes ones,
// seconds tens, seconds ones.
using TimeDigits = std::array<int, 4>;

// Digits for a time in ms: minutes trunc(t / 1000 / 60) (computed in floating point), seconds
// trunc(t / 1000) mod 60. Two cases the read-out cannot show are mapped onto digits that stay
// in 0-9: a negative time (an engine that does not know the clip's length reports -1) shows
// 00:00, and 100 minutes or more shows 99:59 (the largest time the read-out holds) rather than
// wrapping round to a small, misleading time.
TimeDigits TimeToDigits(qint64 ms);

// ---------------------------------------------------------------------------------------------
// Video size

enum VideoClass {
    kVideoClassFullHd = 0, // 1920 x 1080
    kVideoClassHd = 1,     // 1280 x 720
    kVideoClassOther = 2,
};

int VideoClassOf(int width, int height);

// ---------------------------------------------------------------------------------------------
// Speed and map read-outs

// km/h to miles per hour, truncated: 100 -> 62, 1 -> 0.
int KmhToMph(int kmh);

// The value shown in the speed read-out for a speed in km/h and the chosen unit.
int SpeedForUnit(int kmh, bool unitKm);

// The speed read-out's text, "%d".
QString SpeedText(int value);

// The position the map shows: the last GPS fix, or the start position before any fix.
class CLastFix
{
public:
    static constexpr double kStartLongitude = -77.036519;
    static constexpr double kStartLatitude = 38.897596;

    // Takes the look-up of one second: with a fix the position becomes the new last fix;
    // without one (or with a position that is not a number) the last fix stays.
    void Update(bool fix, double longitude, double latitude);

    double Longitude() const { return m_longitude; }
    double Latitude() const { return m_latitude; }

    // The texts handed to the map page, formatted with "%lf" whatever the user's locale:
    // "-77.036519", "38.897596".
    QString LongitudeText() const;
    QString LatitudeText() const;

private:
    double m_longitude = kStartLongitude;
    double m_latitude = kStartLatitude;
};

// ---------------------------------------------------------------------------------------------
// Play speed and sound

constexpr int kPlaySpeedListId = 103;
constexpr int kPlaySpeedItemCount = 5;
constexpr int kPlaySpeedFirstImage = 3139; // item 1; items 2-5 follow
constexpr float kNormalPlayRate = 1.0f;

struct PlaySpeed
{
    float rate;
    int imageId;
};

// The play-speed table, items 1-5: 0.4, 0.6, 0.8, 1.0, 2.0 with images 3139-3143. Item 0 (the
// list was clicked without the mouse on a row) and any other number give nothing: neither the
// rate nor the SPEED button's image changes.
std::optional<PlaySpeed> PlaySpeedForItem(int item);

// The image of the play-speed item with this rate; nothing for a rate not in the table.
std::optional<int> PlaySpeedImage(float rate);

// A short text for a play-speed item, "0.4x" ... "2.0x"; empty outside 1-5.
QString PlaySpeedLabel(int item);

// What the sound controls look like and what the open clip hears after a sound command.
struct SoundView
{
    int engineVolume = 0;      // applied to the open clip (unmuted first); none without a clip
    bool audible = true;       // true: VOL_OFF ("Mute") shown, VOL_ON hidden; false: reverse
    bool sliderEnabled = true; // the volume slider takes input
    bool operator==(const SoundView &) const = default;
};

// The player's sound settings: soundOn and volume (0-100). They outlive clips; a speed choice
// other than 1.0 silences the clip without touching them.
class CSoundSettings
{
public:
    static constexpr int kMinVolume = 0;
    static constexpr int kMaxVolume = 100;
    static constexpr int kVolumeStep = 5;

    CSoundSettings() = default;
    // Starts from settings kept elsewhere (the volume is kept within 0-100).
    CSoundSettings(bool soundOn, int volume);

    bool SoundOn() const { return m_soundOn; }
    int Volume() const { return m_volume; }

    // VOL_ON: sound on at the remembered volume.
    SoundView TurnOn();
    // VOL_OFF: sound off is volume 0 (the engine's mute is never set).
    SoundView TurnOff();
    SoundView Toggle() { return m_soundOn ? TurnOff() : TurnOn(); }

    // Five steps up or down, within 0-100. Only while sound is on; returns the new volume, which
    // is applied to the clip and given to the volume slider.
    std::optional<int> VolumeUp();
    std::optional<int> VolumeDown();

    // The volume slider moved; the value is kept within 0-100. Returns the volume to apply.
    int SetVolume(int volume);

    // A play speed was chosen: at the normal rate the volume comes back (even after the user
    // had switched sound off: the speed choice leaves soundOn alone), at any other rate the
    // clip is silenced, VOL_ON is offered and the slider is disabled.
    SoundView ForRate(float rate) const;

private:
    bool m_soundOn = true;
    int m_volume = 50;
};

// What the player does when the play-speed list reports a choice.
struct SpeedChoice
{
    float playRate;             // the rate to keep and hand to the open clip
    std::optional<int> imageId; // the SPEED button's new image; none when the item was not 1-5
    SoundView sound;            // the sound controls for that rate
};

// A choice from list `listId`: nothing unless it is the play-speed list (103). Item 1-5 sets
// the rate and the button's image; any other item keeps the current rate, which is applied
// again together with its sound rule.
std::optional<SpeedChoice> ChooseSpeed(int listId, int item, float currentRate,
                                       const CSoundSettings &sound);

// ---------------------------------------------------------------------------------------------
// Seeking and moving between recordings

constexpr int kStepSeconds = 10;

// Where a step of `seconds` from `nowMs` lands: clamped to 0 and to the clip's length. While
// the engine does not know the length yet (0 or -1) only the start clamps, so a step forward
// cannot throw the clip back to its beginning.
qint64 StepTarget(qint64 nowMs, qint64 lengthMs, int seconds);

// Ten-second steps act only on an open clip that plays; nothing while paused.
inline bool StepAllowed(bool clipOpen, bool playing)
{
    return clipOpen && playing;
}

// The row PREV opens, or nothing: the row above; at the first row, the first row again while
// paused and nothing while playing. Nothing with an empty list.
std::optional<int> PreviousIndex(int rowCount, int currentIndex, bool playing);

// The row NEXT (and the end of a clip) opens: the row below, or rowCount past the last row,
// which stops the player. Nothing with an empty list.
std::optional<int> NextIndex(int rowCount, int currentIndex);

// The row PLAY (or Space) opens when nothing is open because the last row has ended (or NEXT
// went past it): that last row again, from its start. Nothing in any other case: PLAY then acts
// on the open clip, if any.
std::optional<int> ReplayIndex(int rowCount, int currentIndex, bool clipOpen);

// ---------------------------------------------------------------------------------------------
// Picture adjustment (the step arithmetic itself is in PictureSteps.h)

// Night vision after the adjustment dialog: it stays on unless the dialog ended with OK
// (result 1) and brightness or contrast is no longer the night-vision value.
bool NightVisionAfterAdjust(bool nightVision, int dialogResult, float brightness, float contrast);

// ---------------------------------------------------------------------------------------------
// Still capture and title

// desktop + "/HD-VANTORA/Capture/".
QString CaptureFolder(const QString &desktopPath);

// stem + "_%3.1f" of the play time in seconds + ".png": 754 321 ms -> stem_754.3.png. A negative
// time (the engine reports -1 when it has none) counts as 0.
QString CaptureFileName(const QString &stem, qint64 playTimeMs);

// ---------------------------------------------------------------------------------------------
// Rotation

// The rotation button and its two timers. With a clip open, playing or paused, a press turns
// the picture shown at once. Presses without a clip are only counted; resuming with an odd count
// rotates once 300 ms later (timer 1). Each rotation closes the button for a while
// (timer 2: 1000 ms after a press, 1500 ms after a deferred rotation), and when it opens again
// brightness and contrast are re-applied. The playback controller feeds the events in and executes
// the actions in order; engine calls among them are skipped while no clip is open.
class CRotationControl
{
public:
    static constexpr int kDeferTimer = 1;
    static constexpr int kSettleTimer = 2;
    static constexpr int kDeferMs = 300;
    static constexpr int kSettleAfterPressMs = 1000;
    static constexpr int kSettleAfterDeferMs = 1500;

    struct Action
    {
        enum Kind {
            StartTimer,   // (re)start one-shot timer `timerId` with `ms`
            RotateOn,     // the engine's rotation on
            RotateOff,    // the engine's rotation off
            ApplyPicture, // apply brightness, then contrast
        };
        Kind kind;
        int timerId = 0;
        int ms = 0;
        bool operator==(const Action &) const = default;
    };
    using Actions = std::vector<Action>;

    // The ROTATE button; `clipOpen`: a picture is there to turn.
    Actions Press(bool clipOpen);
    // Playback resumed (PLAY, Space, menu).
    Actions Resumed();
    // Timers 1 and 2 fired (each is one-shot: the caller stops it before acting).
    Actions DeferTimerFired();
    Actions SettleTimerFired();

    bool Rotated() const { return m_rotated; }
    bool Ready() const { return m_ready; }
    int PendingPresses() const { return m_pending; }

private:
    Action turn(); // toggles m_rotated and gives the engine call for the new state

    bool m_rotated = false;
    bool m_ready = true;
    int m_pending = 0;
};

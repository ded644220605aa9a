#pragma once

#include "PlaybackRules.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class CVideoView;
class CVlcPlayer;
enum class EngineEvent;

// The one place that knows what plays: it owns the media engine wrapper, the open clip (its
// path, length and open generation), whether the user wants it to play, the play rate, the
// sound, brightness, contrast and night vision, and the rotation with its timers. It has no
// widgets: the main window routes its buttons, keys and menu into these slots and shows what
// the signals say.
//
// The engine reports on its own threads; each report carries the generation of the clip it
// belongs to, crosses to this object's thread as a queued call and is dropped there unless
// that clip is still the open one. No engine call is made from an engine thread.
class CPlaybackController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kClipReadyMs = 500;
    // How often a clip being prepared is looked at (often, so that it is paused before its second
    // picture), and for how long at most.
    static constexpr int kNextPollMs = 2;
    static constexpr int kNextLimitMs = 10000;
    // Times a clip is opened to be held on its first picture before a later one is taken.
    static constexpr int kNextTries = 3;
    // The engine of the clip before a take-over is stopped this long after it.
    static constexpr int kRetireMs = 300;
    // How often a take-over looks whether the old clip's last picture has been painted and has
    // stood its time, and how much longer than that time it waits at most.
    static constexpr int kHandOverPollMs = 3;
    static constexpr int kHandOverSlackMs = 60;
    // The time between pictures when a clip's header does not say (30 a second).
    static constexpr qint64 kDefaultFrameIntervalUs = 33333;

    enum class OpenResult {
        Started, // the clip is open and plays
        Missing, // the file vanished since the list was made: nothing plays, nothing is said
        Failed,  // not a clip, or the engine could not open or start it
    };

    // Holds the picture still while it lives (the adjustment dialog, the question before a
    // delete): the engine pauses, the playing state and the buttons stay. When the last hold
    // of the open clip goes, the clip plays on if it is still meant to play. A hold taken while
    // nothing plays, or outliving its clip, does nothing.
    class CPauseHold
    {
    public:
        CPauseHold(CPauseHold &&other) noexcept;
        CPauseHold &operator=(CPauseHold &&) = delete;
        ~CPauseHold();

    private:
        friend class CPlaybackController;
        explicit CPauseHold(CPlaybackController *controller);

        QPointer<CPlaybackController> m_controller;
        quint64 m_generation = 0;
    };

    // engineArguments follow the engine's own start arguments (tests add "--aout=dummy").
    explicit CPlaybackController(const QStringList &engineArguments = {},
                                 QObject *parent = nullptr);
    ~CPlaybackController() override;

    CVlcPlayer &Engine() const { return *m_engine; }
    // The view the pictures are drawn in.
    void AttachView(CVideoView *view);

    bool IsClipOpen() const;
    // What the user asked for: true while the clip plays, or is to play once it has opened.
    bool IsPlaying() const { return m_playing; }
    // Counts the clips opened and closed; the engine's reports carry it.
    quint64 Generation() const;
    QString ClipPath() const;
    // The open clip's length in ms once the engine knows it, else 0 (or what it reported).
    qint64 ClipLength() const { return m_lengthMs; }
    // The engine's play time of the open clip in ms; -1 without one.
    qint64 Time() const;
    float Rate() const { return m_rate; }
    bool IsSoundOn() const { return m_sound.SoundOn(); }
    int Volume() const { return m_sound.Volume(); }
    // What the sound controls show and the open clip hears.
    const SoundView &Sound() const { return m_soundView; }
    float Brightness() const { return m_brightness; }
    float Contrast() const { return m_contrast; }
    bool NightVision() const { return m_nightVision; }
    const CRotationControl &Rotation() const { return m_rotation; }

    const QTimer &ClipReadyTimer() const { return m_clipReady; }
    const QTimer &RotationDeferTimer() const { return m_rotationDefer; }
    const QTimer &RotationSettleTimer() const { return m_rotationSettle; }

    [[nodiscard]] CPauseHold HoldStill();

    // The clip made ready to follow the open one (see PrepareNext): its path while it is being
    // prepared or ready, else empty; ready once its first picture is held.
    QString PreparedPath() const { return m_nextPath; }
    bool IsNextReady() const { return m_nextState == NextState::Ready; }
    // The engine holding the prepared clip (nullptr before the first preparation).
    const CVlcPlayer *PreparedEngine() const { return m_next.get(); }

public slots:
    // Stops what plays, then opens the clip at `path` and starts it at the player's rate.
    OpenResult Open(const QString &path);
    // Stops and closes the open clip. The buttons stay as they are.
    void Close();

    // Opens the clip at `path` in a second engine, paused on its first picture, so that when it
    // is opened next (the end of the open clip) it takes over at once, with the rate, sound,
    // picture settings and rotation of the clip before. Opening any other clip, or closing,
    // drops it; a clip that does not open is dropped and opens later the usual way.
    void PrepareNext(const QString &path);
    void DropNext();

    void Play();
    void Pause();
    void TogglePlay();
    // Ten seconds back or on, only while playing.
    void StepBack();
    void StepForward();
    // Times past the clip's length are refused. An accepted seek reports its time at once
    // (TimeChanged), as the engine sends none while paused.
    void SeekTo(qint64 timeMs);
    // A row of a drop-down list was chosen; only the play-speed list's rows count.
    void ChooseSpeed(int listId, int item);

    void SoundOn();
    void SoundOff();
    void ToggleSound();
    void VolumeUp();
    void VolumeDown();
    // The volume slider moved.
    void SetVolume(int volume);

    // The adjustment dialog's live values.
    void SetBrightness(float value);
    void SetContrast(float value);
    // The adjustment dialog ended with `result`: OK with values other than night vision's ends
    // night vision.
    void AdjustmentEnded(int result);
    void NightVisionOn();
    void NightVisionOff();

    void Rotate();
    // Saves the picture shown now as a PNG file; true only when it was written.
    bool TakeStill(const QString &targetPath);

signals:
    // The engine has the clip open; videoSize is its frame size, invalid when the clip's header
    // does not tell it.
    void ClipOpened(const QString &path, QSize videoSize);
    // The clip could not be played (the open clip before it is closed).
    void ClipFailed(const QString &path);
    // Set by play, pause and each opening: which of PLAY and PAUSE is offered.
    void PlayingChanged(bool playing);
    void TimeChanged(qint64 timeMs);
    // The clip's length for the read-out and the graph: half a second after opening, or on the
    // first time report after that while it was not yet known.
    void LengthChanged(qint64 lengthMs);
    void EndReached();
    void RateChanged(float rate);
    void SoundChanged(const SoundView &view);
    void VolumeChanged(int volume);
    void NightVisionChanged(bool on);
    void RotationChanged(bool rotated);
    // The clip to follow holds its first picture.
    void NextPrepared(const QString &path);

private:
    enum class NextState { None, Opening, Pausing, Ready };

    void hookEngine(CVlcPlayer &engine);
    void onEngineEvent(const CVlcPlayer *engine, EngineEvent event, qint64 timeMs,
                       quint64 generation);
    void prepare(const QString &path);
    void pollNext();
    bool swapInNext(const QString &path);
    void retire(std::unique_ptr<CVlcPlayer> engine);
    void pollHandOver();
    void finishHandOver();
    void stopAndClose();
    OpenResult fail(const QString &path);
    void onClipReady();
    bool enginePaused() const;
    void applyPicture();
    void applySoundVolume(int volume);
    void applySound(const SoundView &view);
    void setNightVision(bool on, float picture);
    void runRotation(const CRotationControl::Actions &actions);
    void release(const CPauseHold &hold);

    QStringList m_engineArguments;
    QPointer<CVideoView> m_view;
    std::unique_ptr<CVlcPlayer> m_engine;
    // The engine of the clip to follow, or a spare one without a clip.
    std::unique_ptr<CVlcPlayer> m_next;
    QString m_nextPath;
    NextState m_nextState = NextState::None;
    QTimer m_nextPoll;
    QElapsedTimer m_nextSince;
    int m_nextTries = 0;
    quint64 m_nextDelivered = 0; // pictures its video output had before the clip was opened
    // The engine of the clip before a take-over, stopped a moment later.
    std::unique_ptr<CVlcPlayer> m_retired;
    QTimer m_retire;
    bool m_handingOver = false; // the view still shows the old clip's last pictures
    QTimer m_handOver;
    QElapsedTimer m_handOverSince;
    qint64 m_lastPictureNs = 0; // how long the old clip's last picture is to stand
    // The clip whose end was reported on its last picture (its engine's own report is not).
    const CVlcPlayer *m_endedEngine = nullptr;
    quint64 m_endedGeneration = 0;
    bool m_playing = false;
    int m_holds = 0; // pause holds of the open clip
    qint64 m_lengthMs = 0;
    float m_rate = kNormalPlayRate;
    CSoundSettings m_sound;
    SoundView m_soundView; // what the sound buttons show and the open clip hears
    float m_brightness = kNeutralPicture;
    float m_contrast = kNeutralPicture;
    bool m_nightVision = false;
    CRotationControl m_rotation;
    QTimer m_clipReady;
    QTimer m_rotationDefer;
    QTimer m_rotationSettle;
};

#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_manager_t;
struct libvlc_event_t;

class CVideoFrameStore;
class CVideoView;

// What the engine reports about the open clip.
enum class EngineEvent {
    TimeChanged, // the play time changed; it comes with the report
    EndReached,  // the clip played to its end
    LastPicture, // the clip's last picture has been shown (the end report comes later)
};

// The player's single connection to the media engine (libvlc 3): one engine instance, one media
// player and, while a clip is open, one media object. Every call is made on the user-interface
// thread; only OnEngineEvent and the picture callbacks run on engine threads.
//
// The engine's pictures go to the player's own video output (CVideoFrameStore), which the video
// view draws; rotation is done there. The engine's reports go to the event sink, on the engine's
// thread, each with the generation of the clip it belongs to.
class CVlcPlayer
{
public:
    // Called on an engine thread; it must not call the engine (the engine may be waiting for it
    // while the user-interface thread waits for the engine).
    using EventSink = std::function<void(EngineEvent event, qint64 timeMs, quint64 generation)>;

    // extraArguments follow the five start arguments and the platform's (tests add
    // "--aout=dummy"). The environment variable RX9_ENGINE_ARGS adds more, separated by spaces.
    explicit CVlcPlayer(const QStringList &extraArguments = {});
    ~CVlcPlayer();
    CVlcPlayer(const CVlcPlayer &) = delete;
    CVlcPlayer &operator=(const CVlcPlayer &) = delete;

    // The engine's start arguments, in order.
    static QStringList StartArguments();
    // What this platform adds after them: the player draws the engine's pictures itself and
    // shows no title or subtitle, so the engine gets no text renderer (it would build a font
    // database for every video output it makes, on the way to the first picture).
    static QStringList PlatformArguments();
    // The folder "plugins" beside the executable when it exists, else empty (system plug-ins).
    static QString PluginFolder();

    // Where the engine's video decoder plug-in may be, in the engine's own order of search:
    // each folder of the plug-in path variable (':' between folders), the player's own plug-in
    // folder, then the engine's system folder ("vlc/plugins" beside its library).
    static QStringList DecoderPluginCandidates(const QString &pluginPathVariable,
                                               const QString &ownFolder,
                                               const QString &engineLibrary);
    // Loads the engine's video decoder plug-in (with the decoding library behind it, the
    // largest the engine loads) on a thread of its own, once per process, so that the first
    // clip does not wait for it. Call it early, with the application object made. The result
    // is the file loaded, or empty when there was none to load.
    static std::shared_future<QString> WarmUp();
    // UTF-8 bytes of a path, as the engine takes it.
    static QByteArray ToUtf8(const QString &text);

    // The video view the pictures are drawn in.
    void AttachView(CVideoView *view);
    // Where the engine's reports go. Set it while no clip is open.
    void SetEventSink(EventSink sink);
    // Counts every opening and closing of a clip: a report made for one clip carries a
    // generation that no longer matches once another clip has been opened or it was closed.
    quint64 Generation() const { return m_generation.load(); }

    bool OpenMedia(const QString &path);
    bool Play();
    void CloseMedia();
    bool HasMedia() const;
    bool SeekTo(qint64 timeMs);
    bool SeekBy(int seconds);
    // The clip's frame size from its AVI header; width and height stay as they are when the
    // file cannot be read. True whenever a clip is open.
    bool ReadVideoSize(int &width, int &height) const;
    // Saves the picture shown now at the video's own size as a PNG file under `targetPath`,
    // creating its folder; true only when the file was written.
    bool TakeSnapshot(const QString &targetPath);
    // Turns the picture upside down (180 degrees, for a camera mounted upside down) and back.
    bool RotateOn();
    bool RotateOff();
    bool IsRotated() const;
    bool ApplyContrast(float value);
    bool ApplyBrightness(float value);

    // The engine calls made on the open clip; each does nothing (false, or -1 for times) when
    // no clip is open.
    // Resumes the open clip, or pauses it when the engine plays and can pause. An engine still
    // opening the clip is not asked (its pause would stop the clip): the caller keeps wanting
    // the pause and asks again on the next play-time report.
    bool SetPause(bool paused);
    bool Stop();
    qint64 GetLength() const;
    qint64 GetTime() const;
    bool SetRate(float rate);
    bool SetMute(bool mute);
    bool SetVolume(int volume);
    bool IsPlaying() const;
    bool IsPaused() const;
    // The engine's present rate and volume (-1 without a clip or sound output).
    float Rate() const;
    int Volume() const;
    // The last volume (0-100) and mute state (0 or 1) sent to the engine, -1 before any. The
    // engine reads its volume back only while it has a sound output; these say what the player
    // asked for in any case.
    int LastVolumeAsked() const { return m_lastVolume; }
    int LastMuteAsked() const { return m_lastMute; }

    // Whether the engine started (instance and player exist).
    bool IsReady() const { return m_instance && m_player; }
    QString Path() const { return m_path; }
    libvlc_media_player_t *Player() const { return m_player; }
    CVideoFrameStore &Frames() const { return *m_frames; }

    static void OnEngineEvent(const libvlc_event_t *event, void *self);

private:
    bool applyAdjust();

    libvlc_instance_t *m_instance = nullptr;
    libvlc_media_player_t *m_player = nullptr;
    libvlc_media_t *m_media = nullptr;
    libvlc_event_manager_t *m_eventManager = nullptr;
    QPointer<CVideoView> m_videoWindow; // the view may go before the player
    EventSink m_eventSink;
    std::atomic<quint64> m_generation{0};
    QString m_path;
    std::shared_ptr<CVideoFrameStore> m_frames;
    float m_contrast = 1.0f;
    float m_brightness = 1.0f;
    int m_lastVolume = -1;
    int m_lastMute = -1;
};

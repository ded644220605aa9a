#include "VlcPlayer.h"

#include "AviHeader.h"
#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "PlaybackLog.h"
#include "PlaybackRules.h"
#include "VideoFrames.h"
#include "VideoView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <vlc/vlc.h>

#include <algorithm>
#include <vector>

#include <dlfcn.h>

namespace {

// The engine's picture callbacks: all of them run on engine threads and only reach the store.
unsigned FormatCallback(void **opaque, char *chroma, unsigned *width, unsigned *height,
                        unsigned *pitches, unsigned *lines)
{
    return static_cast<CVideoFrameStore *>(*opaque)->Format(chroma, width, height, pitches, lines);
}

void CleanupCallback(void *opaque)
{
    static_cast<CVideoFrameStore *>(opaque)->Cleanup();
}

void *LockCallback(void *opaque, void **planes)
{
    return static_cast<CVideoFrameStore *>(opaque)->Lock(planes);
}

void DisplayCallback(void *opaque, void *picture)
{
    static_cast<CVideoFrameStore *>(opaque)->Display(picture);
}

// The frame size of a clip whose first bytes really are an AVI header; invalid otherwise.
QSize AviFrameSizeIfValid(const QString &path)
{
    QFile file;
    if (!OpenFileForReading(file, path))
        return {};
    const QByteArray head = file.read(kAviHeadBytes);
    int width = 0;
    int height = 0;
    // Only a main header right after the RIFF and "hdrl" list headers counts: a guessed size
    // would make the engine scale every picture.
    if (!IsAviHeader(head) || head.mid(24, 4) != "avih" ||
        !AviFrameSizeFromHeader(head, width, height))
        return {};
    return QSize(width, height);
}

} // namespace

QStringList CVlcPlayer::StartArguments()
{
    return {QStringLiteral("-I"), QStringLiteral("--ignore-config"),
            QStringLiteral("--plugin-path=plugins"), QStringLiteral("--file-caching=100"),
            QStringLiteral("--no-video-title-show")};
}

QStringList CVlcPlayer::PlatformArguments()
{
    return {QStringLiteral("--text-renderer=none")};
}

QStringList CVlcPlayer::DecoderPluginCandidates(const QString &pluginPathVariable,
                                                const QString &ownFolder,
                                                const QString &engineLibrary)
{
    QStringList folders = pluginPathVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (!ownFolder.isEmpty())
        folders << ownFolder;
    if (!engineLibrary.isEmpty())
        folders << QFileInfo(engineLibrary).absolutePath() + QStringLiteral("/vlc/plugins");
    QStringList candidates;
    for (const QString &folder : std::as_const(folders)) {
        const QString file =
            QDir::cleanPath(folder + QStringLiteral("/codec/libavcodec_plugin.so"));
        if (!candidates.contains(file))
            candidates << file;
    }
    return candidates;
}

std::shared_future<QString> CVlcPlayer::WarmUp()
{
    // Everything the thread needs is read here, on the caller's thread.
    static const std::shared_future<QString> loaded = [] {
        Dl_info info{};
        const QString engineLibrary =
            dladdr(reinterpret_cast<void *>(&libvlc_new), &info) != 0 && info.dli_fname
                ? QFile::decodeName(info.dli_fname)
                : QString();
        const QStringList candidates = DecoderPluginCandidates(
            qEnvironmentVariable("VLC_PLUGIN_PATH"), PluginFolder(), engineLibrary);
        return std::async(
                   std::launch::async,
                   [candidates] {
                       for (const QString &file : candidates) {
                           if (!QFileInfo(file).isFile())
                               continue;
                           // Kept loaded: the engine opens the same file when the first clip
                           // needs it, and then only finds it there.
                           if (dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL)) {
                               PlaybackLog::Write("decoder-loaded");
                               return file;
                           }
                       }
                       return QString();
                   })
            .share();
    }();
    return loaded;
}

QString CVlcPlayer::PluginFolder()
{
    if (!QCoreApplication::instance())
        return {};
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
    return QFileInfo(folder).isDir() ? folder : QString();
}

QByteArray CVlcPlayer::ToUtf8(const QString &text)
{
    return text.toUtf8();
}

CVlcPlayer::CVlcPlayer(const QStringList &extraArguments)
    : m_frames(std::make_shared<CVideoFrameStore>())
{
    // libvlc 3 no longer knows --plugin-path (it warns and goes on); the plug-in folder is
    // given through the environment, read when the first instance is made.
    const QString plugins = PluginFolder();
    if (!plugins.isEmpty())
        qputenv("VLC_PLUGIN_PATH", QFile::encodeName(plugins));

    QStringList arguments = StartArguments() + PlatformArguments() + extraArguments;
    const QString fromEnvironment = qEnvironmentVariable("RX9_ENGINE_ARGS");
    arguments += fromEnvironment.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<QByteArray> bytes;
    std::vector<const char *> argv;
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());

    PlaybackLog::Write("engine-start");
    m_instance = libvlc_new(int(argv.size()), argv.data());
    PlaybackLog::Write("engine-ready");
    if (m_instance)
        m_player = libvlc_media_player_new(m_instance);
    if (m_player)
        m_eventManager = libvlc_media_player_event_manager(m_player);
    if (!m_player)
        return;

    libvlc_video_set_callbacks(m_player, LockCallback, nullptr, DisplayCallback, m_frames.get());
    libvlc_video_set_format_callbacks(m_player, FormatCallback, CleanupCallback);
    m_frames->SetVisibleSizeQuery([player = m_player]() {
        unsigned width = 0;
        unsigned height = 0;
        if (libvlc_video_get_size(player, 0, &width, &height) != 0)
            return QSize();
        return QSize(int(width), int(height));
    });
}

CVlcPlayer::~CVlcPlayer()
{
    CloseMedia();
    if (m_videoWindow)
        m_videoWindow->SetFrameSource(nullptr);
    if (m_player) {
        // Stopping joins the engine's threads: no callback runs after this.
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
    }
    if (m_instance)
        libvlc_release(m_instance);
}

void CVlcPlayer::AttachView(CVideoView *view)
{
    if (m_videoWindow && m_videoWindow != view)
        m_videoWindow->SetFrameSource(nullptr);
    m_videoWindow = view;
    if (m_videoWindow)
        m_videoWindow->SetFrameSource(m_frames);
}

void CVlcPlayer::SetEventSink(EventSink sink)
{
    // Reports come only while a clip is open (closing waits for the one being made).
    if (!HasMedia())
        m_eventSink = std::move(sink);
}

bool CVlcPlayer::OpenMedia(const QString &path)
{
    if (!m_instance || !m_player || HasMedia())
        return false;
    m_path = path;
    // The engine makes a media of any path and fails only later, on its own thread: refuse
    // a clip that cannot be read here, while the caller can still react.
    if (!IsReadableFile(path))
        return false;
    // By the bytes of the real name: a name that is not UTF-8 must still open.
    const QByteArray bytes = EncodeFileName(path);
    m_media = libvlc_media_new_path(m_instance, bytes.constData());
    if (!m_media)
        return false;
    m_frames->SetExpectedSize(AviFrameSizeIfValid(path));
    ++m_generation;
    // Its pictures are counted from the first, so that the last one is known when it comes.
    if (const quint32 frames = ReadAviVideoFrameCount(path)) {
        m_frames->StartPictureCount(frames, [this, generation = m_generation.load()] {
            if (m_eventSink)
                m_eventSink(EngineEvent::LastPicture, 0, generation);
        });
    }
    PlaybackLog::Write("open");
    libvlc_media_player_set_media(m_player, m_media);
    libvlc_event_attach(m_eventManager, libvlc_MediaPlayerEndReached, OnEngineEvent, this);
    libvlc_event_attach(m_eventManager, libvlc_MediaPlayerTimeChanged, OnEngineEvent, this);
    return true;
}

bool CVlcPlayer::Play()
{
    if (!HasMedia())
        return false;
    PlaybackLog::Write("play");
    // A clip that vanished since it was opened fails like an engine refusal.
    if (!IsReadableFile(m_path) || libvlc_media_player_play(m_player) == -1) {
        CloseMedia();
        return false;
    }
    return true;
}

void CVlcPlayer::CloseMedia()
{
    if (!HasMedia())
        return;
    // Detaching waits for a callback that is running, so none is left behind.
    libvlc_event_detach(m_eventManager, libvlc_MediaPlayerEndReached, OnEngineEvent, this);
    libvlc_event_detach(m_eventManager, libvlc_MediaPlayerTimeChanged, OnEngineEvent, this);
    if (PlaybackLog::Enabled()) {
        libvlc_media_stats_t stats{};
        libvlc_media_get_stats(m_media, &stats);
        const CVideoFrameStore::Statistics frames = m_frames->GetStatistics();
        // The engine counts a picture as decoded twice (once for the compressed frame it
        // decoded and once for the picture it queued for showing); its shown and lost counts
        // are one a picture.
        PlaybackLog::Write(
            QStringLiteral("close decoded %1 lost %2 delivered %3 painted %4 "
                           "replaced %5 converted %6 converted-by-view %7 "
                           "convert-ms %8 convert-max-ms %9 show-to-paint-ms %10 "
                           "show-to-paint-max-ms %11 skipped-by-converter %12")
                .arg(stats.i_displayed_pictures + stats.i_lost_pictures)
                .arg(stats.i_lost_pictures)
                .arg(frames.delivered)
                .arg(frames.painted)
                .arg(frames.replaced)
                .arg(frames.converted)
                .arg(frames.convertedForView)
                .arg(frames.converted ? frames.convertNs / 1e6 / frames.converted : 0.0, 0, 'f', 1)
                .arg(frames.convertMaxNs / 1e6, 0, 'f', 1)
                .arg(frames.painted ? frames.showToPaintNs / 1e6 / frames.painted : 0.0, 0, 'f', 1)
                .arg(frames.showToPaintMaxNs / 1e6, 0, 'f', 1)
                .arg(frames.skipped)
                .toLatin1());
    }
    libvlc_media_release(m_media);
    m_media = nullptr;
    m_frames->StopPictureCount();
    ++m_generation;
}

bool CVlcPlayer::HasMedia() const
{
    return m_media && m_player;
}

bool CVlcPlayer::SeekTo(qint64 timeMs)
{
    if (!HasMedia())
        return false;
    const qint64 length = libvlc_media_player_get_length(m_player);
    if (timeMs > length)
        return false;
    m_frames->StopPictureCount(); // the pictures no longer come in order from the start
    libvlc_media_player_set_time(m_player, timeMs);
    return true;
}

bool CVlcPlayer::SeekBy(int seconds)
{
    if (!HasMedia())
        return false;
    const qint64 length = libvlc_media_player_get_length(m_player);
    const qint64 now = libvlc_media_player_get_time(m_player);
    m_frames->StopPictureCount();
    libvlc_media_player_set_time(m_player, StepTarget(now, length, seconds));
    return true;
}

bool CVlcPlayer::ReadVideoSize(int &width, int &height) const
{
    if (!HasMedia())
        return false;
    ReadAviFrameSize(m_path, width, height);
    return true;
}

bool CVlcPlayer::TakeSnapshot(const QString &targetPath)
{
    if (!HasMedia() || targetPath.isEmpty())
        return false;
    // The picture shown now, from the player's own video output, at the video's own size: no
    // file goes through the current folder.
    const QImage picture = m_frames->Snapshot();
    if (picture.isNull())
        return false;
    const QFileInfo target(targetPath);
    if (!QDir().mkpath(target.absolutePath()))
        return false;
    QSaveFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CVlcPlayer::RotateOn()
{
    if (!HasMedia())
        return false;
    m_frames->SetTurned(true);
    return true;
}

bool CVlcPlayer::RotateOff()
{
    if (!HasMedia())
        return false;
    m_frames->SetTurned(false);
    return true;
}

bool CVlcPlayer::IsRotated() const
{
    return m_frames->IsTurned();
}

bool CVlcPlayer::applyAdjust()
{
    // The adjust filter costs a pass over every picture: with both values neutral (1.0, the
    // picture as recorded) it is switched off instead.
    libvlc_video_set_adjust_float(m_player, libvlc_adjust_Contrast, m_contrast);
    libvlc_video_set_adjust_float(m_player, libvlc_adjust_Brightness, m_brightness);
    const bool neutral = m_contrast == 1.0f && m_brightness == 1.0f;
    libvlc_video_set_adjust_int(m_player, libvlc_adjust_Enable, neutral ? 0 : 1);
    return true;
}

bool CVlcPlayer::ApplyContrast(float value)
{
    if (!HasMedia())
        return false;
    m_contrast = value;
    return applyAdjust();
}

bool CVlcPlayer::ApplyBrightness(float value)
{
    if (!HasMedia())
        return false;
    m_brightness = value;
    return applyAdjust();
}

bool CVlcPlayer::SetPause(bool paused)
{
    if (!HasMedia())
        return false;
    if (!paused) {
        libvlc_media_player_set_pause(m_player, 0);
        return true;
    }
    if (libvlc_media_player_get_state(m_player) == libvlc_Playing &&
        libvlc_media_player_can_pause(m_player))
        libvlc_media_player_set_pause(m_player, 1);
    return true;
}

bool CVlcPlayer::Stop()
{
    if (!HasMedia())
        return false;
    libvlc_media_player_stop(m_player);
    return true;
}

qint64 CVlcPlayer::GetLength() const
{
    return HasMedia() ? libvlc_media_player_get_length(m_player) : -1;
}

qint64 CVlcPlayer::GetTime() const
{
    return HasMedia() ? libvlc_media_player_get_time(m_player) : -1;
}

bool CVlcPlayer::SetRate(float rate)
{
    if (!HasMedia())
        return false;
    return libvlc_media_player_set_rate(m_player, rate) == 0;
}

bool CVlcPlayer::SetMute(bool mute)
{
    if (!HasMedia())
        return false;
    m_lastMute = mute ? 1 : 0;
    libvlc_audio_set_mute(m_player, m_lastMute);
    return true;
}

bool CVlcPlayer::SetVolume(int volume)
{
    if (!HasMedia())
        return false;
    m_lastVolume = std::clamp(volume, 0, 100);
    return libvlc_audio_set_volume(m_player, m_lastVolume) == 0;
}

bool CVlcPlayer::IsPlaying() const
{
    return HasMedia() && libvlc_media_player_is_playing(m_player) != 0;
}

bool CVlcPlayer::IsPaused() const
{
    return HasMedia() && libvlc_media_player_get_state(m_player) == libvlc_Paused;
}

float CVlcPlayer::Rate() const
{
    return HasMedia() ? libvlc_media_player_get_rate(m_player) : -1.0f;
}

int CVlcPlayer::Volume() const
{
    return HasMedia() ? libvlc_audio_get_volume(m_player) : -1;
}

void CVlcPlayer::OnEngineEvent(const libvlc_event_t *event, void *self)
{
    auto *player = static_cast<CVlcPlayer *>(self);
    if (!player->m_eventSink)
        return;
    // Events are attached only while a clip is open and closing waits for the one being made,
    // so the generation read here is that of the clip the event is about.
    const quint64 generation = player->m_generation.load();
    switch (event->type) {
    case libvlc_MediaPlayerEndReached:
        player->m_eventSink(EngineEvent::EndReached, 0, generation);
        break;
    case libvlc_MediaPlayerTimeChanged:
        // The time the event carries: asking the player from here could deadlock with a stop
        // on the user-interface thread (the engine holds its input lock while it waits for
        // this callback to return).
        player->m_eventSink(EngineEvent::TimeChanged,
                            qint64(event->u.media_player_time_changed.new_time), generation);
        break;
    default:
        break;
    }
}

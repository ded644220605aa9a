// rx9bench_playback: how much the player's frame path costs.
//
// Plays a 60 s 1920 x 1080 30 fps H.264 clip with PCM sound (made once with ffmpeg and kept in
// the build folder) through CVlcPlayer and CPlayWnd at the rates given, and the same clip with
// the system's VLC player and its plain X11 output, all under one private Xvfb server, and
// prints frames decoded, painted and dropped, CPU seconds per second of video, peak memory and
// the time from OpenMedia to the first painted frame.
//
// Options: --rates 1,2   --size 960x540   --no-vlc   --offscreen (Qt without Xvfb)
//          --path yuv|rv32-full|rv32-drawn (other frame paths, for comparison)
//          --clip FILE   --repeat N
//
// --window [--seconds S] [--screen 1600x900]: the whole player instead. Makes a card
// with the demo-card tool (one S-second 1920 x 1080 clip, no settings file so no card notice),
// starts the real player on it maximised under Xvfb (with openbox when it is installed), and
// reads the player's playback log (RX9_PLAYBACK_LOG) and /proc while it plays the clip: CPU of
// the whole process and of its user-interface thread, frames, resident memory and that of the
// browser's helper processes, the times to the first picture. Then VLC shows the same clip in a
// window of the size the player drew the picture at (with --vlc-own-size, first also at the
// clip's own size: what showing the clip costs without any scaling). A speed other than 1.0 is
// chosen in the player's speed drop-down by two clicks, as a user does. --parked plays a copy of
// the card whose car stands still (the map's page idle), for --map-hidden against the map shown.
// --two-clips keeps the drive's first two clips, so that the second is prepared while the first
// plays (the memory of two engines); the run ends when the first one is closed.
//
// --frame-marks: which pictures reach the player, one by one. A 20 s clip whose pictures carry
// their own number (ten black or white squares in the top-left corner) plays through CVlcPlayer
// and the player's own video output and window, with a look at each picture as the engine hands
// it over: at rate 1.0, at 2.0 chosen one second into playing (as a user does) and at 2.0 from
// the start. Prints the pictures missing (never handed over: left out by the engine) and those
// handed over twice, and where they are, beside what the view painted.
//
// --transitions [--repeat N]: the moves from one clip to the next. A trip of three 10 s clips
// whose pictures carry their number (as in --frame-marks, counted on over the trip) plays through
// the playback controller into a video view that reads the number of every picture it paints
// (offscreen, so that every picture goes through the view's painting). At the end of each clip
// the next one is opened, as the main window does: once with the next clip prepared ("prepared")
// and once without ("unprepared", the way before preparation), at 1x and 2x. For each move it
// prints the time from the first painting of the old clip's last picture to the first painting
// of the new clip's first picture, the paintings without a picture (black) and the repaintings
// of the old picture between them: "transition N rate R: gap G ms, black B, repeated P".

#include "DataParserCore.h"
#include "DriveDataWriter.h"
#include "FrameConvert.h"
#include "PlayWnd.h"
#include "PlaybackController.h"
#include "PlaybackRules.h"
#include "VideoFrames.h"
#include "VideoView.h"
#include "VlcPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <vlc/vlc.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

struct Options
{
    QList<double> rates{1.0, 2.0};
    QSize size{960, 540};
    bool vlc = true;
    bool offscreen = false;
    QString path = QStringLiteral("yuv");
    QString clip;
    int repeat = 1;
    int startups = 0;
    bool window = false;
    int seconds = 60;
    QSize screen{1600, 900};
    QStringList playerEnv; // extra NAME=VALUE settings for the player, for experiments
    bool mapHidden = false;
    bool vlcOwnSize = false;  // also VLC at the clip's own size (no scaling), at rate 1.0
    bool parked = false;      // the card's car stands still (the map's page stays idle)
    bool twoClips = false;    // a second clip of the drive, prepared while the first plays
    bool frameMarks = false;  // which pictures reach the player, one by one
    bool transitions = false; // the moves from one clip to the next
};

double CpuSeconds(const rusage &u)
{
    return double(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6 + double(u.ru_stime.tv_sec) +
           u.ru_stime.tv_usec / 1e6;
}

double SelfCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

// Peak resident memory of a process in MiB (VmHWM), or -1.
double PeakMemoryMiB(pid_t pid)
{
    QFile status(pid == 0 ? QStringLiteral("/proc/self/status")
                          : QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

void ResetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// CPU seconds a process has used so far (from /proc), or -1.
double ProcessCpu(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    // After the name: state is field 3, utime 14, stime 15.
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

pid_t Spawn(const QStringList &command, const QStringList &environment,
            const QByteArray &errorFile = "/dev/null")
{
    std::vector<QByteArray> bytes;
    std::vector<char *> argv;
    for (const QString &a : command)
        bytes.push_back(a.toLocal8Bit());
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    std::vector<char *> envp;
    for (const QString &e : environment)
        envBytes.push_back(e.toLocal8Bit());
    for (QByteArray &b : envBytes)
        envp.push_back(b.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// A private X server for the run, so that both players draw to the same kind of display.
struct XServer
{
    pid_t pid = -1;
    QString display;

    QSize screen{1920, 1080};
    bool Start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return false;
        for (int n = 91; n < 120; ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            display = QStringLiteral(":%1").arg(n);
            pid = Spawn({xvfb, display, QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                         QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                        {});
            for (int i = 0; i < 100 && pid > 0; ++i) {
                if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                    return true;
                usleep(50000);
            }
            Stop();
        }
        return false;
    }
    void Stop()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
};

// Runs ffmpeg quietly with the arguments given and the file name last, into a partial file renamed
// to wanted when done; a file already there is kept. Empty when ffmpeg fails.
QString FfmpegInto(const QString &wanted, const QStringList &arguments)
{
    if (QFileInfo(wanted).size() > 0)
        return wanted;
    std::printf("making the clip %s (once) ...\n", qPrintable(wanted));
    std::fflush(stdout);
    const QString partial = wanted + QStringLiteral(".part.avi");
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                             QStringLiteral("error"), QStringLiteral("-y")} +
                     arguments + QStringList{partial});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
        QFile::remove(partial);
        return {};
    }
    QFile::remove(wanted);
    QFile::rename(partial, wanted);
    return wanted;
}

QString MakeClip(const QString &wanted)
{
    const QString font =
        QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf");
    return FfmpegInto(wanted,
                      {QStringLiteral("-f"),
                       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),
                       QStringLiteral("testsrc2=size=1920x1080:rate=30,drawtext=fontfile=%1:"
                                      "text='%{pts\\:hms}':fontsize=64:fontcolor=white:x=40:y=40")
                           .arg(font),
                       QStringLiteral("-f"),
                       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),
                       QStringLiteral("sine=frequency=440:sample_rate=48000"),
                       QStringLiteral("-t"),
                       QStringLiteral("60"),
                       QStringLiteral("-c:v"),
                       QStringLiteral("libx264"),
                       QStringLiteral("-preset"),
                       QStringLiteral("veryfast"),
                       QStringLiteral("-pix_fmt"),
                       QStringLiteral("yuv420p"),
                       QStringLiteral("-c:a"),
                       QStringLiteral("pcm_s16le"),
                       QStringLiteral("-ac"),
                       QStringLiteral("2")});
}

// Receives the engine wrapper's reports on the user-interface thread.
class CReceiver : public QObject
{
public:
    bool ended = false;
    qint64 time = -1;
    CVlcPlayer::EventSink Sink()
    {
        return [this](EngineEvent event, qint64 timeMs, quint64) {
            QMetaObject::invokeMethod(
                this,
                [this, event, timeMs] {
                    if (event == EngineEvent::EndReached)
                        ended = true;
                    else
                        time = timeMs;
                },
                Qt::QueuedConnection);
        };
    }
};

// Frame paths used for comparison only: the engine converts to RV32 itself, at the video's size
// (drawn scaled by QPainter) or at the drawn size (drawn as it is).
class CRgbSource : public CVideoFrameSource
{
public:
    QSize request; // empty: the video's own size
    std::mutex mutex;
    QImage buffers[3];
    int writing = -1, ready = -1, front = -1;
    quint64 serial = 0, readySerial = 0, frontSerial = 0;
    CVideoView *view = nullptr;
    bool wake = false;

    static unsigned Format(void **opaque, char *chroma, unsigned *w, unsigned *h, unsigned *pitches,
                           unsigned *lines)
    {
        auto *self = static_cast<CRgbSource *>(*opaque);
        std::memcpy(chroma, "RV32", 4);
        if (!self->request.isEmpty()) {
            *w = unsigned(self->request.width());
            *h = unsigned(self->request.height());
        }
        std::lock_guard lock(self->mutex);
        for (QImage &b : self->buffers)
            b = QImage(int(*w), int(*h), QImage::Format_RGB32);
        pitches[0] = unsigned(self->buffers[0].bytesPerLine());
        lines[0] = *h;
        self->ready = self->front = -1;
        return 3;
    }
    static void *Lock(void *opaque, void **planes)
    {
        auto *self = static_cast<CRgbSource *>(opaque);
        std::lock_guard lock(self->mutex);
        for (int i = 0; i < 3; ++i)
            if (i != self->ready && i != self->front) {
                self->writing = i;
                planes[0] = self->buffers[i].bits();
                return reinterpret_cast<void *>(quintptr(i + 1));
            }
        return nullptr;
    }
    static void Display(void *opaque, void *picture)
    {
        auto *self = static_cast<CRgbSource *>(opaque);
        std::lock_guard lock(self->mutex);
        self->ready = int(quintptr(picture)) - 1;
        self->readySerial = ++self->serial;
        if (self->view && !self->wake) {
            self->wake = true;
            QMetaObject::invokeMethod(self->view, &CVideoView::FrameArrived, Qt::QueuedConnection);
        }
    }
    quint64 PaintFrame(QPainter &painter, const QRect &area) override
    {
        {
            std::lock_guard lock(mutex);
            wake = false;
            if (ready >= 0) {
                front = ready;
                frontSerial = readySerial;
                ready = -1;
            }
        }
        if (front < 0)
            return 0;
        const QImage &image = buffers[front];
        const QRect target = FitVideoRect(area.size(), image.size());
        painter.fillRect(area, Qt::black);
        if (target.size() == image.size()) {
            painter.drawImage(target.topLeft(), image);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, image);
        }
        return frontSerial;
    }
    void SetView(CVideoView *v) override
    {
        std::lock_guard lock(mutex);
        view = v;
        wake = false;
    }
};

// Notes when the view paints its first picture (paint events are handled here, then checked).
class CFirstPaintWatch : public QObject
{
public:
    CFirstPaintWatch(CVideoView *view, quint64 paintedBefore, const QElapsedTimer &clock)
        : m_view(view)
        , m_before(paintedBefore)
        , m_clock(clock)
    {
        view->installEventFilter(this);
    }
    qint64 firstPaintNs = -1; // on the run's clock
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_view || event->type() != QEvent::Paint || firstPaintNs >= 0)
            return false;
        static_cast<QObject *>(m_view)->event(event);
        if (m_view->PaintedFrames() > m_before)
            firstPaintNs = m_clock.nsecsElapsed();
        return true;
    }

private:
    CVideoView *m_view;
    quint64 m_before;
    const QElapsedTimer &m_clock;
};

struct Result
{
    double rate = 1;
    qint64 decoded = 0, displayed = 0, lost = 0;
    quint64 delivered = 0, painted = 0;
    double cpuPerVideoSecond = 0; // steady window
    double cpuTotalPerVideoSecond = 0;
    double peakMiB = 0;
    double startMiB = 0; // resident memory when the run began
    double firstFrameMs = -1;
    bool ended = false;
};

qint64 SteadyNowNs();

// The frame-marks mode (see the top of the file).
constexpr int kMarkBits = 10;
constexpr int kMarkSide = 64;

QString MakeMarkedClip()
{
    const QString wanted = QStringLiteral(RX9_BENCH_CACHE "/clip_1080p30_20s_marked.avi");
    // A black strip, then one white square for each bit of the picture's number that is set.
    QString filters = QStringLiteral("drawbox=x=0:y=0:w=%1:h=%2:color=black:t=fill")
                          .arg(kMarkBits * kMarkSide)
                          .arg(kMarkSide);
    for (int bit = 0; bit < kMarkBits; ++bit)
        filters += QStringLiteral(",drawbox=x=%1:y=0:w=%2:h=%2:color=white:t=fill:"
                                  "enable='bitand(n,%3)'")
                       .arg(bit * kMarkSide)
                       .arg(kMarkSide)
                       .arg(1 << bit);
    return FfmpegInto(
        wanted, {QStringLiteral("-f"),       QStringLiteral("lavfi"),
                 QStringLiteral("-i"),       QStringLiteral("testsrc2=size=1920x1080:rate=30"),
                 QStringLiteral("-f"),       QStringLiteral("lavfi"),
                 QStringLiteral("-i"),       QStringLiteral("sine=frequency=440:sample_rate=22050"),
                 QStringLiteral("-t"),       QStringLiteral("20"),
                 QStringLiteral("-vf"),      filters,
                 QStringLiteral("-c:v"),     QStringLiteral("libx264"),
                 QStringLiteral("-preset"),  QStringLiteral("veryfast"),
                 QStringLiteral("-g"),       QStringLiteral("30"),
                 QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                 QStringLiteral("-c:a"),     QStringLiteral("pcm_s16le"),
                 QStringLiteral("-ac"),      QStringLiteral("1"),
                 QStringLiteral("-f"),       QStringLiteral("avi")});
}

// Sits between the engine and the player's video output: reads each picture's number as the
// engine hands the picture over, then passes every call on unchanged.
struct CMarkReader
{
    CVideoFrameStore *store = nullptr;
    std::mutex mutex;
    QMap<void *, const std::uint8_t *> luma; // picture id -> its luma plane
    int pitch = 0;
    QList<int> numbers;  // in the order handed over
    QList<qint64> times; // ... and when
    qint64 firstNs = -1;

    static unsigned Format(void **opaque, char *chroma, unsigned *w, unsigned *h, unsigned *pitches,
                           unsigned *lines)
    {
        auto *self = static_cast<CMarkReader *>(*opaque);
        const unsigned count = self->store->Format(chroma, w, h, pitches, lines);
        std::lock_guard lock(self->mutex);
        self->pitch = int(pitches[0]);
        self->luma.clear();
        return count;
    }
    static void Cleanup(void *opaque) { static_cast<CMarkReader *>(opaque)->store->Cleanup(); }
    static void *Lock(void *opaque, void **planes)
    {
        auto *self = static_cast<CMarkReader *>(opaque);
        void *id = self->store->Lock(planes);
        std::lock_guard lock(self->mutex);
        self->luma[id] = static_cast<const std::uint8_t *>(planes[0]);
        return id;
    }
    static void Display(void *opaque, void *picture)
    {
        auto *self = static_cast<CMarkReader *>(opaque);
        {
            std::lock_guard lock(self->mutex);
            if (const std::uint8_t *y = self->luma.value(picture)) {
                int number = 0;
                for (int bit = 0; bit < kMarkBits; ++bit) {
                    const int centre = kMarkSide / 2;
                    if (y[centre * self->pitch + bit * kMarkSide + centre] > 128)
                        number |= 1 << bit;
                }
                self->numbers << number;
                self->times << SteadyNowNs();
                if (self->firstNs < 0)
                    self->firstNs = self->times.last();
            }
        }
        self->store->Display(picture);
    }
};

struct MarkedRun
{
    int handedOver = 0, distinct = 0, last = -1, painted = 0, replaced = 0, skipped = 0;
    QList<int> missing, twice;
    QString aroundGap; // the hand-overs around the first picture missing, with their intervals
    bool ended = false;
};

// when: -1 at rate 1.0 throughout, 0 at the rate from the start, otherwise seconds after the
// first picture.
MarkedRun PlayMarked(const QString &clip, double rate, double when)
{
    MarkedRun r;
    CReceiver receiver;
    CPlayWnd window;
    window.resize(960, 540);
    window.show();
    QCoreApplication::processEvents();
    CVlcPlayer player({QStringLiteral("--aout=dummy")});
    player.AttachView(window.VideoChild());
    player.SetEventSink(receiver.Sink());
    CMarkReader reader;
    reader.store = &player.Frames();
    libvlc_video_set_callbacks(player.Player(), CMarkReader::Lock, nullptr, CMarkReader::Display,
                               &reader);
    libvlc_video_set_format_callbacks(player.Player(), CMarkReader::Format, CMarkReader::Cleanup);
    if (!player.OpenMedia(clip))
        return r;
    int w = 0, h = 0;
    player.ReadVideoSize(w, h);
    window.SetVideoSize(w, h);
    player.Play();
    if (when == 0)
        player.SetRate(float(rate));
    bool changed = when <= 0;
    QEventLoop loop;
    QTimer sampler;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        qint64 first = -1;
        {
            std::lock_guard lock(reader.mutex);
            first = reader.firstNs;
        }
        if (!changed && first >= 0 && SteadyNowNs() - first >= qint64(when * 1e9)) {
            changed = true;
            player.SetRate(float(rate));
        }
        if (receiver.ended || clock.elapsed() > 120000)
            loop.quit();
    });
    sampler.start(10);
    loop.exec();
    r.ended = receiver.ended;
    const CVideoFrameStore::Statistics statistics = player.Frames().GetStatistics();
    r.painted = int(statistics.painted);
    r.replaced = int(statistics.replaced);
    r.skipped = int(statistics.skipped);
    player.Stop();
    player.CloseMedia();

    std::lock_guard lock(reader.mutex);
    r.handedOver = int(reader.numbers.size());
    QList<int> seen;
    for (int number : std::as_const(reader.numbers)) {
        if (seen.contains(number))
            r.twice << number;
        else
            seen << number;
        r.last = std::max(r.last, number);
    }
    r.distinct = int(seen.size());
    for (qsizetype i = 1; i < reader.numbers.size(); ++i) {
        if (reader.numbers[i] <= reader.numbers[i - 1] + 1)
            continue;
        for (qsizetype k = std::max<qsizetype>(1, i - 4);
             k < std::min(i + 4, reader.numbers.size()); ++k)
            r.aroundGap += QStringLiteral("%1 (+%2 ms) ")
                               .arg(reader.numbers[k])
                               .arg((reader.times[k] - reader.times[k - 1]) / 1e6, 0, 'f', 1);
        break;
    }
    std::sort(seen.begin(), seen.end());
    for (int n = 0, i = 0; n <= r.last; ++n) {
        while (i < seen.size() && seen[i] < n)
            ++i;
        if (i >= seen.size() || seen[i] != n)
            r.missing << n;
    }
    return r;
}

void MeasureFrameMarks(const QString &clip, int repeat)
{
    const auto list = [](const QList<int> &numbers) {
        QStringList texts;
        for (int n : numbers)
            texts << QString::number(n);
        return texts.isEmpty() ? QStringLiteral("none") : texts.join(QLatin1Char(' '));
    };
    struct Case
    {
        const char *name;
        double rate, when;
    } cases[] = {{"rate 1.0", 1.0, -1},
                 {"rate 2.0 chosen after 1 s", 2.0, 1.0},
                 {"rate 2.0 from the start", 2.0, 0}};
    for (int run = 1; run <= repeat; ++run)
        for (const Case &c : cases) {
            const MarkedRun r = PlayMarked(clip, c.rate, c.when);
            std::printf("run %d %-26s pictures 0-%d: handed over %d, different %d, missing %lld "
                        "(%s), twice %lld (%s), painted %d, replaced before painted %d (before "
                        "converted %d)%s\n",
                        run, c.name, r.last, r.handedOver, r.distinct, (long long)r.missing.size(),
                        qPrintable(list(r.missing)), (long long)r.twice.size(),
                        qPrintable(list(r.twice)), r.painted, r.replaced, r.skipped,
                        r.ended ? "" : "  (NO END EVENT)");
            if (!r.aroundGap.isEmpty())
                std::printf("      handed over around the gap: %s\n", qPrintable(r.aroundGap));
            std::fflush(stdout);
        }
}

// ---- the transitions mode (see the top of the file)

constexpr int kTripClips = 3;
constexpr int kTripClipSeconds = 10;
constexpr int kTripFps = 30;
constexpr int kTripClipPictures = kTripClipSeconds * kTripFps;

// Clip `index` of the trip: its pictures are numbered on from the clip before.
QString MakeTripClip(int index)
{
    QDir().mkpath(QStringLiteral(RX9_BENCH_CACHE "/trip"));
    const QString wanted = QStringLiteral(RX9_BENCH_CACHE "/trip/rec_20250523_0800%1.avi")
                               .arg(index * kTripClipSeconds, 2, 10, QLatin1Char('0'));
    QString filters = QStringLiteral("drawbox=x=0:y=0:w=%1:h=%2:color=black:t=fill")
                          .arg(kMarkBits * kMarkSide)
                          .arg(kMarkSide);
    for (int bit = 0; bit < kMarkBits; ++bit)
        filters += QStringLiteral(",drawbox=x=%1:y=0:w=%2:h=%2:color=white:t=fill:"
                                  "enable='bitand(n+%4,%3)'")
                       .arg(bit * kMarkSide)
                       .arg(kMarkSide)
                       .arg(1 << bit)
                       .arg(index * kTripClipPictures);
    return FfmpegInto(wanted, {QStringLiteral("-f"),
                               QStringLiteral("lavfi"),
                               QStringLiteral("-i"),
                               QStringLiteral("testsrc2=size=1920x1080:rate=%1").arg(kTripFps),
                               QStringLiteral("-f"),
                               QStringLiteral("lavfi"),
                               QStringLiteral("-i"),
                               QStringLiteral("sine=frequency=440:sample_rate=22050"),
                               QStringLiteral("-t"),
                               QString::number(kTripClipSeconds),
                               QStringLiteral("-vf"),
                               filters,
                               QStringLiteral("-c:v"),
                               QStringLiteral("libx264"),
                               QStringLiteral("-preset"),
                               QStringLiteral("veryfast"),
                               QStringLiteral("-g"),
                               QString::number(kTripFps),
                               QStringLiteral("-pix_fmt"),
                               QStringLiteral("yuv420p"),
                               QStringLiteral("-c:a"),
                               QStringLiteral("pcm_s16le"),
                               QStringLiteral("-ac"),
                               QStringLiteral("1"),
                               QStringLiteral("-f"),
                               QStringLiteral("avi")});
}

// A video view that reads the number of every picture it paints.
class CMarkedView : public CVideoView
{
public:
    struct Paint
    {
        qint64 ns;
        int number; // -1 without a picture
    };
    std::vector<Paint> paints;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QImage image(size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        quint64 serial = 0;
        {
            QPainter painter(&image);
            if (FrameSource())
                serial = FrameSource()->PaintFrame(painter, rect());
        }
        QPainter(this).drawImage(0, 0, image);
        Paint paint{SteadyNowNs(), -1};
        if (serial != 0) {
            const QRect fit = FitVideoRect(size(), QSize(1920, 1080));
            const double scale = fit.width() / 1920.0;
            paint.number = 0;
            for (int bit = 0; bit < kMarkBits; ++bit) {
                const int x = fit.left() + int((bit * kMarkSide + kMarkSide / 2) * scale);
                const int y = fit.top() + int(kMarkSide / 2 * scale);
                if (qGray(image.pixel(x, y)) > 128)
                    paint.number |= 1 << bit;
            }
        }
        paints.push_back(paint);
    }
};

double ResidentMiB(pid_t pid);

struct Move
{
    double gapMs = -1; // -1: the new clip was never painted
    int black = 0;
    int repeated = 0;
    QString pictures; // the old clip's last picture painted and the new clip's first
    // After the move: how long the new clip's first picture stood, and the pictures of the new
    // clip never painted in its first ten (a jump in the motion).
    double firstStoodMs = -1;
    int skippedAfter = 0;
};

// Plays the trip at `speedItem` of the speed list (4: 1x, 5: 2x), with or without preparing
// the next clip, and measures each move.
std::vector<Move> PlayTrip(const QStringList &clips, int speedItem, bool prepared,
                           double *residentMiB)
{
    CMarkedView view;
    view.resize(960, 540);
    view.show();
    QCoreApplication::processEvents();
    CPlaybackController playback({QStringLiteral("--aout=dummy")});
    playback.AttachView(&view);
    playback.ChooseSpeed(kPlaySpeedListId, speedItem);
    int current = 0;
    QEventLoop loop;
    QTimer prepare;
    prepare.setSingleShot(true);
    QObject::connect(&prepare, &QTimer::timeout, [&] {
        if (current + 1 < clips.size())
            playback.PrepareNext(clips[current + 1]);
    });
    QObject::connect(&playback, &CPlaybackController::ClipOpened, [&] {
        if (prepared)
            prepare.start(1000); // as the main window does
    });
    // The end of a clip opens the next one, as the main window does.
    QObject::connect(&playback, &CPlaybackController::EndReached, [&] {
        if (++current < clips.size())
            playback.Open(clips[current]);
        else
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    // The most memory held while playing (both engines, once the next clip is prepared).
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout,
                     [&] { *residentMiB = std::max(*residentMiB, ResidentMiB(getpid())); });
    memory.start(250);
    playback.Open(clips[0]);
    loop.exec();
    playback.Close();

    std::vector<Move> moves;
    const auto &p = view.paints;
    const auto inClip = [](int number, int clip) {
        return number >= clip * kTripClipPictures && number < (clip + 1) * kTripClipPictures;
    };
    for (int k = 0; k + 1 < clips.size(); ++k) {
        Move move;
        // The last painting of the old clip, and the first of the new clip after it.
        size_t i = p.size();
        for (size_t n = 0; n < p.size(); ++n) {
            if (inClip(p[n].number, k))
                i = n;
        }
        size_t j = i;
        while (j < p.size() && !inClip(p[j].number, k + 1))
            ++j;
        if (i < p.size() && j < p.size()) {
            const int last = p[i].number;
            size_t first = i;
            while (first > 0 && p[first - 1].number == last)
                --first;
            move.gapMs = (p[j].ns - p[first].ns) / 1e6;
            for (size_t n = first + 1; n < j; ++n) {
                if (p[n].number < 0)
                    ++move.black;
                else if (p[n].number == last)
                    ++move.repeated;
            }
            move.pictures = QStringLiteral("%1 -> %2").arg(last).arg(p[j].number);
            size_t next = j;
            while (next < p.size() && p[next].number == p[j].number)
                ++next;
            if (next < p.size())
                move.firstStoodMs = (p[next].ns - p[j].ns) / 1e6;
            std::set<int> seen;
            for (size_t n = j;
                 n < p.size() && inClip(p[n].number, k + 1) && p[n].number < p[j].number + 10; ++n)
                seen.insert(p[n].number);
            move.skippedAfter =
                seen.empty() ? 0 : *seen.rbegin() - p[j].number + 1 - int(seen.size());
        } else {
            std::printf("  (move %d: %zu paintings, no picture of clip %d after one of clip %d)\n",
                        k + 1, p.size(), k + 2, k + 1);
        }
        moves.push_back(move);
    }
    return moves;
}

int MeasureTransitions(int repeat)
{
    QStringList clips;
    for (int index = 0; index < kTripClips; ++index) {
        clips << MakeTripClip(index);
        if (clips.last().isEmpty()) {
            std::printf("cannot make the clips with ffmpeg\n");
            return 1;
        }
    }
    std::printf("trip of %d clips of %d s at %d fps, 1920x1080 into a 960x540 view, platform %s, "
                "%u cores\n",
                kTripClips, kTripClipSeconds, kTripFps, qPrintable(QGuiApplication::platformName()),
                std::thread::hardware_concurrency());
    for (int run = 1; run <= std::max(1, repeat); ++run) {
        for (const bool prepared : {true, false}) {
            std::printf("run %d, %s:\n", run, prepared ? "prepared" : "unprepared");
            for (const int item : {4, 5}) {
                double resident = 0;
                const std::vector<Move> moves = PlayTrip(clips, item, prepared, &resident);
                for (size_t n = 0; n < moves.size(); ++n)
                    std::printf("transition %d rate %d: gap %.0f ms, black %d, repeated %d\n",
                                int(n + 1), item == 4 ? 1 : 2, moves[n].gapMs, moves[n].black,
                                moves[n].repeated);
                for (size_t n = 0; n < moves.size(); ++n)
                    std::printf("  (move %d: pictures %s; the new clip's first picture stood %.0f "
                                "ms, %d of its next nine never painted)\n",
                                int(n + 1), qPrintable(moves[n].pictures), moves[n].firstStoodMs,
                                moves[n].skippedAfter);
                std::printf("  resident memory while playing at most %.0f MiB\n", resident);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}

// Window of steady play used for the CPU figure: from 5 s after the start to 5 s before the end
// (in wall-clock time at the given rate).
struct Window
{
    double start, end;
};
Window SteadyWindow(double clipSeconds, double rate)
{
    const double wall = clipSeconds / rate;
    const double margin = std::min(5.0, wall * 0.2);
    return {margin, wall - margin};
}

Result PlayOurs(const Options &options, const QString &clip, double rate)
{
    Result r;
    r.rate = rate;
    CReceiver receiver;
    CPlayWnd window;
    window.resize(options.size);
    window.setWindowTitle(QStringLiteral("rx9bench"));
    window.show();
    QCoreApplication::processEvents();

    CVlcPlayer player({QStringLiteral("--aout=dummy")});
    player.AttachView(window.VideoChild());
    player.SetEventSink(receiver.Sink());
    std::shared_ptr<CRgbSource> rgb;
    if (options.path != QLatin1String("yuv")) {
        rgb = std::make_shared<CRgbSource>();
        if (options.path == QLatin1String("rv32-drawn"))
            rgb->request = FitVideoRect(options.size, QSize(1920, 1080)).size();
        libvlc_video_set_callbacks(player.Player(), CRgbSource::Lock, nullptr, CRgbSource::Display,
                                   rgb.get());
        libvlc_video_set_format_callbacks(player.Player(), CRgbSource::Format, nullptr);
        window.VideoChild()->SetFrameSource(rgb);
    }
    CVideoView *view = window.VideoChild();
    const quint64 paintedBefore = view->PaintedFrames();

    ResetPeakMemory();
    r.startMiB = PeakMemoryMiB(0);
    QElapsedTimer clock;
    CFirstPaintWatch watch(view, paintedBefore, clock);
    clock.start();
    const double cpuStart = SelfCpu();
    if (!player.OpenMedia(clip)) {
        std::printf("  cannot open %s\n", qPrintable(clip));
        return r;
    }
    int w = 0, h = 0;
    player.ReadVideoSize(w, h);
    window.SetVideoSize(w, h);
    player.Play();
    player.SetRate(float(rate));

    const Window steady = SteadyWindow(60.0, rate);
    std::optional<double> cpuAtStart, cpuAtEnd, wallAtStart, wallAtEnd;
    bool adjusted = false;
    // Event-driven, so that the measuring itself costs next to nothing: a 50 ms timer samples,
    // and the view's paint events are watched for the first picture.
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const double now = clock.nsecsElapsed() / 1e9;
        if (!adjusted && now >= 0.5) {
            // What the main window does half a second after opening a clip.
            adjusted = true;
            player.ApplyBrightness(1.0f);
            player.ApplyContrast(1.0f);
            player.SetMute(false);
            player.SetVolume(80);
        }
        if (!cpuAtStart && now >= steady.start) {
            cpuAtStart = SelfCpu();
            wallAtStart = now;
        }
        if (!cpuAtEnd && now >= steady.end) {
            cpuAtEnd = SelfCpu();
            wallAtEnd = now;
        }
        if (receiver.ended || now > 200)
            loop.quit();
    });
    sampler.start(50);
    loop.exec();
    if (watch.firstPaintNs >= 0)
        r.firstFrameMs = watch.firstPaintNs / 1e6;
    const double cpuTotal = SelfCpu() - cpuStart;
    const double wall = clock.nsecsElapsed() / 1e9;
    r.ended = receiver.ended;
    r.peakMiB = PeakMemoryMiB(0);
    libvlc_media_stats_t stats{};
    if (libvlc_media_t *media = libvlc_media_player_get_media(player.Player())) {
        libvlc_media_get_stats(media, &stats);
        libvlc_media_release(media);
    }
    r.decoded = stats.i_decoded_video;
    r.displayed = stats.i_displayed_pictures;
    r.lost = stats.i_lost_pictures;
    r.delivered = rgb ? rgb->serial : player.Frames().GetStatistics().delivered;
    r.displayed = qint64(r.delivered);
    r.painted = view->PaintedFrames() - paintedBefore;
    if (cpuAtStart && cpuAtEnd)
        r.cpuPerVideoSecond = (*cpuAtEnd - *cpuAtStart) / ((*wallAtEnd - *wallAtStart) * rate);
    r.cpuTotalPerVideoSecond = cpuTotal / (wall * rate);
    player.Stop();
    player.CloseMedia();
    return r;
}

Result PlayVlc(const QString &clip, double rate, const QString &display, double clipSeconds = 60,
               double zoom = 0)
{
    Result r;
    r.rate = rate;
    const QString vlc = QStandardPaths::findExecutable(QStringLiteral("vlc"));
    if (vlc.isEmpty()) {
        std::printf("  the vlc program is not installed (packages vlc-bin, "
                    "vlc-plugin-video-output)\n");
        return r;
    }
    QTemporaryDir home;
    chmod(home.path().toLocal8Bit().constData(), 0777);
    QStringList command;
    if (geteuid() == 0) // VLC refuses to run as root
        command << QStringLiteral("/usr/bin/setpriv") << QStringLiteral("--reuid=65534")
                << QStringLiteral("--regid=65534") << QStringLiteral("--clear-groups");
    command << vlc << QStringLiteral("-I") << QStringLiteral("dummy")
            << QStringLiteral("--vout=xcb_x11") << QStringLiteral("--aout=dummy")
            << QStringLiteral("--play-and-exit") << QStringLiteral("--no-video-title-show")
            << QStringLiteral("--rate=%1").arg(rate) << QStringLiteral("--verbose=1");
    if (zoom > 0)
        command << QStringLiteral("--no-autoscale") << QStringLiteral("--zoom=%1").arg(zoom);
    command << clip;
    QStringList env{QStringLiteral("HOME=") + home.path(), QStringLiteral("DISPLAY=") + display,
                    QStringLiteral("PATH=/usr/bin:/bin")};
    QElapsedTimer clock;
    clock.start();
    const QString log = home.filePath(QStringLiteral("vlc.log"));
    const pid_t pid = Spawn(command, env, QFile::encodeName(log));
    if (pid <= 0) {
        std::printf("  cannot start vlc\n");
        return r;
    }
    const Window steady = SteadyWindow(clipSeconds, rate);
    std::optional<double> cpuAtStart, cpuAtEnd, wallAtStart, wallAtEnd;
    rusage usage{};
    int status = 0;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        const double now = clock.nsecsElapsed() / 1e9;
        if (!cpuAtStart && now >= steady.start) {
            cpuAtStart = ProcessCpu(pid);
            wallAtStart = now;
        }
        if (!cpuAtEnd && now >= steady.end) {
            cpuAtEnd = ProcessCpu(pid);
            wallAtEnd = now;
        }
        // The peak of the program itself (after exec), read while it runs.
        const double peak = PeakMemoryMiB(pid);
        if (peak > 0)
            r.peakMiB = peak;
        usleep(20000);
    }
    const double wall = clock.nsecsElapsed() / 1e9;
    r.ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // Pictures VLC's own output dropped as too late.
    QFile messages(log);
    if (messages.open(QIODevice::ReadOnly))
        r.lost = messages.readAll().count("too late to be displayed");
    if (cpuAtStart && cpuAtEnd && *cpuAtStart >= 0 && *cpuAtEnd >= 0)
        r.cpuPerVideoSecond = (*cpuAtEnd - *cpuAtStart) / ((*wallAtEnd - *wallAtStart) * rate);
    r.cpuTotalPerVideoSecond = CpuSeconds(usage) / (wall * rate);
    return r;
}

// ---- the whole player

qint64 SteadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU seconds of one thread of a process, or -1.
double ThreadCpu(pid_t pid, pid_t tid)
{
    QFile stat(QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(tid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// CPU seconds of the threads of a process whose name starts with `prefix`.
double ThreadsCpu(pid_t pid, const QByteArray &prefix)
{
    double total = 0;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/%1/task/%2/comm").arg(pid).arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith(prefix))
            total += std::max(0.0, ThreadCpu(pid, task.toInt()));
    }
    return total;
}

// Clicks the left button at a point of the screen through the X test extension (loaded at run
// time: only its library is needed, not its headers).
bool ClickAt(const QString &display, QPoint at)
{
    void *x11 = dlopen("libX11.so.6", RTLD_NOW);
    void *xtst = dlopen("libXtst.so.6", RTLD_NOW);
    if (!x11 || !xtst)
        return false;
    using OpenDisplay = void *(*)(const char *);
    using CloseDisplay = int (*)(void *);
    using Flush = int (*)(void *);
    using Motion = int (*)(void *, int, int, int, unsigned long);
    using Button = int (*)(void *, unsigned, int, unsigned long);
    auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    auto close = reinterpret_cast<CloseDisplay>(dlsym(x11, "XCloseDisplay"));
    auto flush = reinterpret_cast<Flush>(dlsym(x11, "XFlush"));
    auto motion = reinterpret_cast<Motion>(dlsym(xtst, "XTestFakeMotionEvent"));
    auto button = reinterpret_cast<Button>(dlsym(xtst, "XTestFakeButtonEvent"));
    if (!open || !close || !flush || !motion || !button)
        return false;
    void *dpy = open(display.toLocal8Bit().constData());
    if (!dpy)
        return false;
    motion(dpy, -1, at.x(), at.y(), 0);
    flush(dpy);
    usleep(100000);
    button(dpy, 1, 1, 0);
    flush(dpy);
    usleep(50000);
    button(dpy, 1, 0, 0);
    flush(dpy);
    close(dpy);
    return true;
}

// CPU seconds of each group of threads of a process, by thread name.
QMap<QByteArray, double> CpuByThreadName(pid_t pid)
{
    QMap<QByteArray, double> groups;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/%1/task/%2/comm").arg(pid).arg(task));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        QByteArray name = comm.readAll().trimmed();
        if (task.toInt() == pid)
            name = "(user interface)";
        // Numbered workers of one kind count together.
        while (!name.isEmpty() &&
               (std::isdigit(static_cast<unsigned char>(name.back())) || name.back() == ':'))
            name.chop(1);
        groups[name] += std::max(0.0, ThreadCpu(pid, task.toInt()));
    }
    return groups;
}

// Resident memory of a process in MiB (VmRSS), or 0.
double ResidentMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// All processes below `root` (the browser's helper processes of the player).
QList<pid_t> Descendants(pid_t root)
{
    QMap<pid_t, pid_t> parents;
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : all) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parents[pid] = fields[1].toInt();
    }
    QList<pid_t> found;
    QList<pid_t> queue{root};
    while (!queue.isEmpty()) {
        const pid_t parent = queue.takeFirst();
        for (auto it = parents.cbegin(); it != parents.cend(); ++it)
            if (it.value() == parent) {
                found << it.key();
                queue << it.key();
            }
    }
    return found;
}

// A card with one normal clip of the given length at 1920 x 1080 (or the first two of the
// drive), made once with the demo-card tool and kept in the build folder. Its settings file is
// left out: no card notice to dismiss.
QString MakeCard(int seconds, int kept = 1)
{
    const QString card = QStringLiteral(RX9_BENCH_CACHE "/card_%1s%2")
                             .arg(seconds)
                             .arg(kept == 1 ? QString() : QStringLiteral("_%1").arg(kept));
    const auto clips = [&] {
        return QDir(card).entryList({QStringLiteral("*.avi")}, QDir::Files, QDir::Name);
    };
    if (clips().size() == kept)
        return card;
    std::printf("making the card %s with the demo-card tool (once) ...\n", qPrintable(card));
    std::fflush(stdout);
    QDir(card).removeRecursively();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rx9democard"),
               {QStringLiteral("--clips-per-kind"), QString::number(kept),
                QStringLiteral("--seconds"), QString::number(seconds), QStringLiteral("--width"),
                QStringLiteral("1920"), QStringLiteral("--height"), QStringLiteral("1080"),
                QStringLiteral("--quiet"), card});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0)
        return {};
    QDir(card + QStringLiteral("/Setup")).removeRecursively();
    // Only the first normal clips (and their drive data): the player plays them once and stops.
    QStringList keep = QDir(card).entryList({QStringLiteral("rec_*.avi")}, QDir::Files, QDir::Name);
    if (keep.size() < kept)
        return {};
    keep = keep.mid(0, kept);
    for (const QString &name : QDir(card).entryList(QDir::Files))
        if (std::none_of(keep.cbegin(), keep.cend(),
                         [&](const QString &k) { return name.startsWith(k.chopped(4)); }))
            QFile::remove(card + QLatin1Char('/') + name);
    return clips().size() == kept ? card : QString();
}

struct WindowResult
{
    double cpu = 0, uiCpu = 0, llvmpipeCpu = 0; // per second of video, steady play
    double residentMiB = 0, helpersMiB = 0;     // peak while playing
    double startToPictureMs = -1, openToPictureMs = -1;
    QByteArray closeLine; // the player's frame counts
    QByteArray threads;   // the busiest groups of threads, CPU s/s each
    QByteArray timeline;  // the player's first steps, in ms after its start
    bool mapClicked = false;
    bool speedChosen = false; // the speed drop-down was used (any rate but 1.0)
    double playedSeconds = 0; // wall time from the first picture to the clip's end
    QSize picture;            // where the player drew the picture
    bool ended = false;
};

// Where a user clicks to choose a play speed in the maximised window: the speed button at the
// bottom left, then the entry in the list it opens above itself (as a screenshot of the window
// on the bench's screen shows them: 0.4x at the top, 2.0x at the bottom, about 34 px apart).
std::optional<std::pair<QPoint, QPoint>> SpeedClicks(QSize screen, double rate)
{
    const double rates[] = {0.4, 0.6, 0.8, 1.0, 2.0};
    for (int i = 0; i < 5; ++i) {
        if (std::abs(rates[i] - rate) < 1e-6) {
            const QPoint button(498, screen.height() - 31);
            const QPoint entry(498, screen.height() - 65 - (4 - i) * 34);
            return std::make_pair(button, entry);
        }
    }
    return std::nullopt;
}

WindowResult PlayWholeWindow(const QString &card, double clipSeconds, double rate,
                             const QString &display, QSize screen, const QStringList &extraEnv,
                             QPoint mapToggle = {})
{
    WindowResult r;
    QTemporaryDir home;
    const QString log = home.filePath(QStringLiteral("playback.log"));
    QStringList env{
        QStringLiteral("HOME=") + home.path(),
        QStringLiteral("DISPLAY=") + display,
        QStringLiteral("PATH=/usr/bin:/bin"),
        QStringLiteral("XDG_RUNTIME_DIR=") + home.path(),
        QStringLiteral("RX9_EXTRA_DRIVES=") + card,
        QStringLiteral("RX9_PLAYBACK_LOG=") + log,
        // The player sets its own speed on every clip (1.0 until the user chooses another), so
        // the speed is chosen through its drop-down below, not through the engine's options.
        QStringLiteral("RX9_ENGINE_ARGS=--aout=dummy"),
        QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX=1"),
        QStringLiteral("QT_QPA_PLATFORM=xcb"),
    };
    // A variable given again replaces the one above (getenv would find the first).
    for (const QString &extra : extraEnv) {
        const QString name = extra.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
        env.removeIf([&](const QString &e) { return e.startsWith(name); });
        env += extra;
    }
    const qint64 startNs = SteadyNowNs();
    const pid_t pid = Spawn({QCoreApplication::applicationDirPath() + QStringLiteral("/rx9player")},
                            env, QFile::encodeName(home.filePath(QStringLiteral("player.err"))));
    if (pid <= 0) {
        std::printf("  cannot start the player\n");
        return r;
    }
    qint64 openNs = -1, pictureNs = -1;
    std::optional<double> cpu0, cpu1, ui0, ui1, gl0, gl1;
    QMap<QByteArray, double> threads0, threads1;
    double wall0 = 0, wall1 = 0;
    const double deadline = clipSeconds / rate + 60;
    for (;;) {
        usleep(50000);
        const double now = (SteadyNowNs() - startNs) / 1e9;
        QFile file(log);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.size() < 2)
                    continue;
                if (words[1] != "picture" && words[1] != "close" &&
                    !r.timeline.contains(words[1] + ' '))
                    r.timeline += words[1] + ' ' +
                                  QByteArray::number((words[0].toLongLong() - startNs) / 1000000) +
                                  ", ";
                if (words[1] == "open" && openNs < 0)
                    openNs = words[0].toLongLong();
                else if (words[1] == "picture") {
                    // The first picture for the time; the last size it was drawn at (the
                    // window is maximised after the first one) for VLC's zoom.
                    if (pictureNs < 0)
                        pictureNs = words[0].toLongLong();
                    const QList<QByteArray> wh = words.value(2).split('x');
                    r.picture = QSize(wh.value(0).toInt(), wh.value(1).toInt());
                } else if (words[1] == "close") {
                    r.closeLine = line.mid(line.indexOf(' ') + 7);
                    r.ended = true;
                }
            }
        }
        if (r.ended || now > deadline) {
            if (r.ended && pictureNs > 0)
                r.playedSeconds = (SteadyNowNs() - pictureNs) / 1e9;
            break;
        }
        if (pictureNs < 0)
            continue;
        const double played = (SteadyNowNs() - pictureNs) / 1e9;
        if (rate != 1.0 && !r.speedChosen && played >= 0.5) {
            const auto clicks = SpeedClicks(screen, rate);
            r.speedChosen = clicks && ClickAt(display, clicks->first);
            usleep(400000);
            r.speedChosen = r.speedChosen && ClickAt(display, clicks->second);
            if (!r.speedChosen)
                break;
        }
        if (!mapToggle.isNull() && played >= 1.0) {
            // The map's show/hide button, as a user clicks it.
            r.mapClicked = ClickAt(display, mapToggle);
            mapToggle = {};
        }
        const auto sample = [&](std::optional<double> &all, std::optional<double> &ui,
                                std::optional<double> &gl, double &wall) {
            all = ProcessCpu(pid);
            (&all == &cpu0 ? threads0 : threads1) = CpuByThreadName(pid);
            ui = ThreadCpu(pid, pid);
            gl = ThreadsCpu(pid, "llvmpipe");
            wall = played;
        };
        if (!cpu0 && played >= 3.0)
            sample(cpu0, ui0, gl0, wall0);
        if (cpu0 && played <= clipSeconds / rate - 2.0)
            sample(cpu1, ui1, gl1, wall1);
        if (cpu0) {
            r.residentMiB = std::max(r.residentMiB, ResidentMiB(pid));
            double helpers = 0;
            for (pid_t child : Descendants(pid))
                helpers += ResidentMiB(child);
            r.helpersMiB = std::max(r.helpersMiB, helpers);
        }
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 60 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        usleep(50000);
    if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (cpu0 && cpu1 && wall1 > wall0) {
        const double video = (wall1 - wall0) * rate;
        r.cpu = (*cpu1 - *cpu0) / video;
        r.uiCpu = (*ui1 - *ui0) / video;
        r.llvmpipeCpu = (*gl1 - *gl0) / video;
        QList<std::pair<double, QByteArray>> busiest;
        for (auto it = threads1.cbegin(); it != threads1.cend(); ++it)
            busiest.append({(it.value() - threads0.value(it.key())) / video, it.key()});
        std::sort(busiest.begin(), busiest.end(), std::greater<>());
        for (qsizetype i = 0; i < std::min<qsizetype>(busiest.size(), 8); ++i)
            r.threads += busiest[i].second + ' ' + QByteArray::number(busiest[i].first, 'f', 3) +
                         (i + 1 < std::min<qsizetype>(busiest.size(), 8) ? ", " : "");
    }
    if (pictureNs > 0) {
        r.startToPictureMs = (pictureNs - startNs) / 1e6;
        if (openNs > 0)
            r.openToPictureMs = (pictureNs - openNs) / 1e6;
    }
    return r;
}

// A copy of the card whose car stands still: every GPS second holds the first fix's place at
// 0 km/h, so the map's marker never moves and its page stays idle while the clip plays.
QString MakeParkedCard(const QString &card)
{
    const QString parked = card + QStringLiteral("_parked");
    QDir().mkpath(parked);
    for (const QString &name : QDir(card).entryList(QDir::Files)) {
        const QString from = card + QLatin1Char('/') + name;
        const QString to = parked + QLatin1Char('/') + name;
        if (!name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive)) {
            if (!QFileInfo::exists(to) && !QFile::copy(from, to))
                return {};
            continue;
        }
        QFile file(from);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        DriveData data = ParseDriveData(file.readAll());
        const auto fix = std::find_if(data.gps.cbegin(), data.gps.cend(),
                                      [](const GpsSample &g) { return g.fix != 0; });
        if (fix == data.gps.cend())
            return {};
        const GpsSample still{fix->reserved0, fix->fix, fix->latitude, fix->longitude, 0};
        std::fill(data.gps.begin(), data.gps.end(), still);
        if (!WriteDriveDataFile(to, data.sensors, data.gps))
            return {};
    }
    return parked;
}

int RunWholeWindow(const Options &options, XServer &x)
{
    QString card = MakeCard(options.seconds, options.twoClips ? 2 : 1);
    if (card.isEmpty()) {
        std::printf("cannot make the card with rx9democard\n");
        return 1;
    }
    if (options.parked) {
        card = MakeParkedCard(card);
        if (card.isEmpty()) {
            std::printf("cannot make the parked copy of the card\n");
            return 1;
        }
        std::printf("parked card: the car stands still, so the map's page stays idle\n");
    }
    const QString clip = card + QLatin1Char('/') +
                         QDir(card).entryList({QStringLiteral("*.avi")}, QDir::Files).value(0);
    pid_t wm = -1;
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (!openbox.isEmpty()) {
        wm = Spawn({openbox}, {QStringLiteral("DISPLAY=") + x.display, QStringLiteral("HOME=/tmp"),
                               QStringLiteral("PATH=/usr/bin:/bin")});
        usleep(500000);
    }
    std::printf("whole player maximised on a %dx%d screen (Xvfb %s, %s), clip %s (%d s), %u "
                "cores\n",
                options.screen.width(), options.screen.height(), qPrintable(x.display),
                wm > 0 ? "openbox" : "no window manager", qPrintable(clip), options.seconds,
                std::thread::hardware_concurrency());
    int result = 0;
    for (int run = 1; run <= options.repeat; ++run) {
        for (double rate : options.rates) {
            // The map's show/hide button in the maximised window (where a screenshot of the
            // window on a 1600 x 900 screen shows it: 24 and 374 pixels from the right and the
            // bottom).
            const QPoint toggle = options.mapHidden ? QPoint(options.screen.width() - 24,
                                                             options.screen.height() - 374)
                                                    : QPoint();
            const WindowResult ours = PlayWholeWindow(card, options.seconds, rate, x.display,
                                                      options.screen, options.playerEnv, toggle);
            if (rate != 1.0)
                std::printf("run %d rate %.1f  speed chosen in the player's drop-down: %s; the "
                            "clip took %.1f s from its first picture (%.1f s expected at that "
                            "speed)\n",
                            run, rate, ours.speedChosen ? "done" : "FAILED", ours.playedSeconds,
                            0.9 + (options.seconds - 0.9) / rate);
            if (options.mapHidden)
                std::printf("run %d rate %.1f  map hidden by a click at %d,%d: %s\n", run, rate,
                            toggle.x(), toggle.y(), ours.mapClicked ? "done" : "FAILED");
            std::printf("run %d rate %.1f  player: CPU %.3f s/s, UI thread %.3f s/s, llvmpipe "
                        "%.3f s/s, resident %.0f MiB (browser helpers %.0f MiB), first picture "
                        "%.0f ms after start, %.0f ms after open, picture %dx%d, %s%s\n",
                        run, rate, ours.cpu, ours.uiCpu, ours.llvmpipeCpu, ours.residentMiB,
                        ours.helpersMiB, ours.startToPictureMs, ours.openToPictureMs,
                        ours.picture.width(), ours.picture.height(), ours.closeLine.constData(),
                        ours.ended ? "" : "  (NO END)");
            std::fflush(stdout);
            std::printf("run %d rate %.1f  player threads (CPU s/s): %s\n", run, rate,
                        ours.threads.constData());
            std::printf("run %d rate %.1f  player steps (ms after start): %s\n", run, rate,
                        ours.timeline.constData());
            if (!ours.ended)
                result = 1;
            if (!options.vlc || ours.picture.isEmpty())
                continue;
            const double zoom = ours.picture.width() / 1920.0;
            if (options.vlcOwnSize && rate == 1.0) {
                // The floor: VLC showing the clip without scaling it at all.
                const Result own = PlayVlc(clip, rate, x.display, options.seconds, 1.0);
                std::printf("run %d rate %.1f  vlc xcb_x11 at the clip's own size (no scaling): "
                            "CPU %.3f s/s, dropped %lld%s\n",
                            run, rate, own.cpuPerVideoSecond, (long long)own.lost,
                            own.ended ? "" : "  (vlc failed)");
            }
            const Result vlc = PlayVlc(clip, rate, x.display, options.seconds, zoom);
            std::printf("run %d rate %.1f  vlc xcb_x11 zoom %.4f: CPU %.3f s/s, peak %.0f MiB, "
                        "dropped %lld%s  -> player/vlc CPU ratio %.2f\n",
                        run, rate, zoom, vlc.cpuPerVideoSecond, vlc.peakMiB, (long long)vlc.lost,
                        vlc.ended ? "" : "  (vlc failed)",
                        vlc.cpuPerVideoSecond > 0 ? ours.cpu / vlc.cpuPerVideoSecond : 0.0);
            std::fflush(stdout);
        }
    }
    if (wm > 0) {
        kill(wm, SIGTERM);
        waitpid(wm, nullptr, 0);
    }
    return result;
}

// Time from OpenMedia to the first painted picture, over several start-ups of the same clip.
void MeasureStartups(const Options &options, const QString &clip)
{
    CReceiver receiver;
    CPlayWnd window;
    window.resize(options.size);
    window.show();
    CVlcPlayer player({QStringLiteral("--aout=dummy")});
    player.AttachView(window.VideoChild());
    player.SetEventSink(receiver.Sink());
    CVideoView *view = window.VideoChild();
    QList<double> times;
    for (int i = 0; i < options.startups; ++i) {
        const quint64 before = view->PaintedFrames();
        QElapsedTimer clock;
        CFirstPaintWatch watch(view, before, clock);
        clock.start();
        player.OpenMedia(clip);
        int w = 0, h = 0;
        player.ReadVideoSize(w, h);
        window.SetVideoSize(w, h);
        player.Play();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (watch.firstPaintNs >= 0 || clock.elapsed() > 30000)
                loop.quit();
        });
        poll.start(20);
        loop.exec();
        view->removeEventFilter(&watch);
        times << watch.firstPaintNs / 1e6;
        player.Stop();
        player.CloseMedia();
    }
    std::sort(times.begin(), times.end());
    QStringList all;
    for (double t : times)
        all << QString::number(t, 'f', 0);
    std::printf("first frame over %lld start-ups: min %.0f ms, median %.0f ms, max %.0f ms (%s)\n",
                (long long)times.size(), times.first(), times[times.size() / 2], times.last(),
                qPrintable(all.join(QLatin1Char(' '))));
}

Options ParseOptions(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        const QByteArray next = i + 1 < argc ? QByteArray(argv[i + 1]) : QByteArray();
        if (a == "--rates") {
            o.rates.clear();
            for (const QByteArray &r : next.split(','))
                o.rates << r.toDouble();
            ++i;
        } else if (a == "--size") {
            const QList<QByteArray> wh = next.split('x');
            o.size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
            ++i;
        } else if (a == "--no-vlc") {
            o.vlc = false;
        } else if (a == "--vlc-own-size") {
            o.vlcOwnSize = true;
        } else if (a == "--two-clips") {
            o.twoClips = true;
        } else if (a == "--parked") {
            o.parked = true;
        } else if (a == "--offscreen") {
            o.offscreen = true;
        } else if (a == "--path") {
            o.path = QString::fromLocal8Bit(next);
            ++i;
        } else if (a == "--clip") {
            o.clip = QString::fromLocal8Bit(next);
            ++i;
        } else if (a == "--startups") {
            o.startups = std::max(1, next.toInt());
            ++i;
        } else if (a == "--window") {
            o.window = true;
        } else if (a == "--seconds") {
            o.seconds = std::max(10, next.toInt());
            ++i;
        } else if (a == "--screen") {
            const QList<QByteArray> wh = next.split('x');
            o.screen = QSize(wh.value(0).toInt(), wh.value(1).toInt());
            ++i;
        } else if (a == "--transitions") {
            o.transitions = true;
            o.offscreen = true; // every picture through the view's painting
        } else if (a == "--frame-marks") {
            o.frameMarks = true;
        } else if (a == "--map-hidden") {
            o.mapHidden = true;
        } else if (a == "--player-env") {
            o.playerEnv << QString::fromLocal8Bit(next);
            ++i;
        } else if (a == "--repeat") {
            o.repeat = std::max(1, next.toInt());
            ++i;
        }
    }
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = ParseOptions(argc, argv);
    XServer x;
    if (options.window)
        x.screen = options.screen;
    if (!options.offscreen && x.Start()) {
        qputenv("DISPLAY", x.display.toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    if (options.window) {
        QCoreApplication app(argc, argv);
        if (x.pid <= 0) {
            std::printf("the whole-player mode needs Xvfb\n");
            return 1;
        }
        result = RunWholeWindow(options, x);
        x.Stop();
        return result;
    }
    if (options.transitions) {
        QApplication app(argc, argv);
        return MeasureTransitions(options.repeat);
    }
    if (options.frameMarks) {
        {
            QApplication app(argc, argv);
            const QString clip = MakeMarkedClip();
            if (clip.isEmpty())
                std::printf("cannot make the clip with ffmpeg\n");
            else {
                std::printf("clip %s (20 s, 600 pictures), platform %s, %u cores\n",
                            qPrintable(clip), qPrintable(QGuiApplication::platformName()),
                            std::thread::hardware_concurrency());
                MeasureFrameMarks(clip, options.repeat);
            }
        }
        x.Stop();
        return 0;
    }
    {
        QApplication app(argc, argv);
        const QString clip = MakeClip(
            options.clip.isEmpty() ? QStringLiteral(RX9_BENCH_CACHE "/clip_1080p30_60s_pcm.avi")
                                   : options.clip);
        if (clip.isEmpty()) {
            std::printf("cannot make the clip with ffmpeg\n");
            x.Stop();
            return 1;
        }
        std::printf("clip %s\nplatform %s%s, video window %dx%d, frame path %s, %u cores\n",
                    qPrintable(clip), qPrintable(QGuiApplication::platformName()),
                    x.pid > 0 ? qPrintable(QStringLiteral(" (Xvfb ") + x.display + ")") : "",
                    options.size.width(), options.size.height(), qPrintable(options.path),
                    std::thread::hardware_concurrency());
        if (options.startups > 0) {
            MeasureStartups(options, clip);
            x.Stop();
            return 0;
        }
        for (int run = 1; run <= options.repeat; ++run) {
            for (double rate : options.rates) {
                const Result ours = PlayOurs(options, clip, rate);
                const qint64 dropped = ours.lost + qint64(ours.delivered) - qint64(ours.painted);
                std::printf("run %d rate %.1f  player: decoded %lld, shown by engine %lld, "
                            "painted %llu, dropped %lld (engine lost %lld, not painted %lld), "
                            "CPU %.3f s/s (whole run %.3f), peak %.0f MiB (%.0f at start), first "
                            "frame %.0f "
                            "ms%s\n",
                            run, rate, (long long)ours.decoded, (long long)ours.displayed,
                            (unsigned long long)ours.painted, (long long)dropped,
                            (long long)ours.lost,
                            (long long)(qint64(ours.delivered) - qint64(ours.painted)),
                            ours.cpuPerVideoSecond, ours.cpuTotalPerVideoSecond, ours.peakMiB,
                            ours.startMiB, ours.firstFrameMs, ours.ended ? "" : "  (NO END EVENT)");
                std::fflush(stdout);
                if (!options.vlc || x.pid <= 0)
                    continue;
                // VLC at the size the player draws the picture at: the same work.
                const double zoom = FitVideoRect(options.size, QSize(1920, 1080)).width() / 1920.0;
                const Result vlc = PlayVlc(clip, rate, x.display, 60.0, zoom);
                std::printf("run %d rate %.1f  vlc xcb_x11: CPU %.3f s/s (whole run %.3f), "
                            "peak %.0f MiB, dropped %lld%s  -> player/vlc CPU ratio %.2f\n",
                            run, rate, vlc.cpuPerVideoSecond, vlc.cpuTotalPerVideoSecond,
                            vlc.peakMiB, (long long)vlc.lost, vlc.ended ? "" : "  (vlc failed)",
                            vlc.cpuPerVideoSecond > 0
                                ? ours.cpuPerVideoSecond / vlc.cpuPerVideoSecond
                                : 0.0);
                std::fflush(stdout);
                if (ours.painted == 0 || !ours.ended)
                    result = 1;
            }
        }
    }
    x.Stop();
    return result;
}

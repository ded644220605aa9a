// The evidence export's video (decode, join, texts on the picture, H.264 + AAC encode, MP4 with
// the index at the front) beside the ffmpeg program doing the same work on the same span in the
// same run: a 60 s span across two 1920 x 1080 30 fps clips of a demo card, 30 s from each, at
// the same x264 preset and quality. Prints wall time, CPU time and the speed against real time
// of both, and their ratio (the program's wall time over the player's: 1.0 or more means the
// player is not slower).
//
//   rx9bench_evidence [--preset P] [--repeat N] [--card DIR] [--keep DIR]
//
// The card is made once (about 4 minutes) in DIR, by default /tmp/rx9bench-evidence-card, and
// reused. With --keep, the two videos of the last run stay in that folder (player.mp4 and
// ffmpeg.mp4), to be compared with those of another build. The ffmpeg program is installed with
// apt-get when it is missing.

#include "DemoCard.h"
#include "EvidenceExport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kClipSeconds = 45;
constexpr int kSpanOffset = 15; // into the first clip
constexpr int kSpanSeconds = 60;

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures
{
    double wall = 0;
    double cpu = 0;
    qint64 frames = 0;
};

qint64 VideoFrames(const QString &path)
{
    AVFormatContext *context = nullptr;
    if (avformat_open_input(&context, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return -1;
    qint64 frames = -1;
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        const int v = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (v >= 0)
            frames = context->streams[v]->nb_frames;
    }
    avformat_close_input(&context);
    return frames;
}

QString FindFfmpeg()
{
    QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (!ffmpeg.isEmpty())
        return ffmpeg;
    std::printf("The ffmpeg program is missing; installing it with apt-get.\n");
    QProcess::execute(QStringLiteral("apt-get"),
                      {QStringLiteral("install"), QStringLiteral("-y"), QStringLiteral("-q"),
                       QStringLiteral("--no-install-recommends"), QStringLiteral("ffmpeg")});
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

// The two normal clips of the card, made once.
bool PrepareCard(const QString &folder, DemoCardPlan &plan)
{
    DemoCardOptions options;
    options.clipsPerKind = 2;
    options.seconds = kClipSeconds;
    options.width = 1920;
    options.height = 1080;
    plan = PlanDemoCard(options);
    bool complete = true;
    for (const DemoClip &clip : plan.clips)
        complete = complete && QFileInfo::exists(folder + QLatin1Char('/') + clip.fileName());
    if (complete)
        return true;
    std::printf("Making the card in %s (once)...\n", qPrintable(folder));
    std::fflush(stdout);
    const DemoCardResult result = WriteDemoCard(folder, options);
    if (!result.ok)
        std::fprintf(stderr, "rx9bench_evidence: %s\n", qPrintable(result.error));
    return result.ok;
}

// The same texts as the player draws, as four drawtext filters: the camera's time from the
// picture's time, and three lines of the span's first second (the program has no per-second
// data to draw, so it does slightly less work here).
QString FfmpegFilter(const QString &font, const QDateTime &spanStart, const OverlayText &text)
{
    const int size = 1080 / 30;
    const auto line = [&](int row, const QString &content) {
        QString escaped = content;
        escaped.replace(QLatin1Char(':'), QStringLiteral("\\:"));
        return QStringLiteral("drawtext=fontfile=%1:text='%2':x=27:y=%3:fontsize=%4:"
                              "fontcolor=white:box=1:boxcolor=black@0.66:boxborderw=6")
            .arg(font, escaped)
            .arg(27 + row * (size + 8))
            .arg(size);
    };
    const QString epoch = QString::number(spanStart.toSecsSinceEpoch());
    const QString time =
        QStringLiteral(
            "drawtext=fontfile=%1:text='%{pts\\:gmtime\\:%2\\:%Y-%m-%d %H\\\\\\:%M\\\\\\:%S}':"
            "x=27:y=27:fontsize=%3:fontcolor=white:box=1:boxcolor=black@0.66:boxborderw=6")
            .arg(font, epoch)
            .arg(size);
    return QStringLiteral("[0:v][0:a][1:v][1:a]concat=n=2:v=1:a=1[v][a];[v]") + time +
           QLatin1Char(',') + line(1, text.speed) + QLatin1Char(',') + line(2, text.position) +
           QLatin1Char(',') + line(3, text.recording) + QStringLiteral("[vo]");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty())
        return 0;
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption presetOption(QStringLiteral("preset"), QStringLiteral("x264 preset"),
                                          QStringLiteral("P"), QStringLiteral("veryfast"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QStringLiteral("runs of each"),
                                          QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption cardOption(QStringLiteral("card"), QStringLiteral("card folder"),
                                        QStringLiteral("DIR"),
                                        QStringLiteral("/tmp/rx9bench-evidence-card"));
    const QCommandLineOption keepOption(QStringLiteral("keep"),
                                        QStringLiteral("folder for the last run's videos"),
                                        QStringLiteral("DIR"));
    parser.addOptions({presetOption, repeatOption, cardOption, keepOption});
    parser.process(app);
    const QString preset = parser.value(presetOption);
    const int repeat = std::max(1, parser.value(repeatOption).toInt());
    const QString card = QDir(parser.value(cardOption)).absolutePath();

    const QString ffmpeg = FindFfmpeg();
    if (ffmpeg.isEmpty()) {
        std::fprintf(stderr, "rx9bench_evidence: the ffmpeg program cannot be installed\n");
        return 1;
    }
    const QString font = FindDemoFont();
    DemoCardPlan plan;
    if (font.isEmpty() || !PrepareCard(card, plan))
        return 1;
    std::vector<const DemoClip *> normals;
    for (const DemoClip &clip : plan.clips) {
        if (clip.kind == DemoClipKind::Normal)
            normals.push_back(&clip);
    }

    EvidenceRequest request;
    request.cardFolder = card;
    request.from = normals[0]->start.addSecs(kSpanOffset);
    request.to = request.from.addSecs(kSpanSeconds);
    request.anchor = request.from;
    request.preferred = normals[0]->fileName();
    const EvidencePlan evidence = PlanEvidence(request);
    if (!evidence.error.isEmpty() || evidence.span.pieces.size() != 2) {
        std::fprintf(stderr, "rx9bench_evidence: the span is not two clips: %s\n",
                     qPrintable(evidence.error));
        return 1;
    }
    std::vector<OverlayText> texts;
    for (const EvidenceSecond &second : evidence.Seconds())
        texts.push_back(OverlayForSecond(second, true, true));
    std::vector<EvidenceVideoPiece> pieces;
    int offset = 0;
    for (const EvidencePiece &piece : evidence.span.pieces) {
        pieces.push_back(
            {card + QLatin1Char('/') + evidence.clips[size_t(piece.clip)].clip.fileName, piece.from,
             piece.to, offset});
        offset += int(piece.Seconds());
    }
    const QStringList ffmpegArguments{
        QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
        QStringLiteral("-y"), QStringLiteral("-ss"), QString::number(pieces[0].from),
        QStringLiteral("-t"), QString::number(pieces[0].to - pieces[0].from), QStringLiteral("-i"),
        pieces[0].path, QStringLiteral("-ss"), QString::number(pieces[1].from),
        QStringLiteral("-t"), QString::number(pieces[1].to - pieces[1].from), QStringLiteral("-i"),
        pieces[1].path, QStringLiteral("-filter_complex"),
        FfmpegFilter(font, evidence.span.start, texts.front()), QStringLiteral("-map"),
        QStringLiteral("[vo]"), QStringLiteral("-map"), QStringLiteral("[a]"),
        QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"), preset,
        QStringLiteral("-crf"), QStringLiteral("23"), QStringLiteral("-g"), QStringLiteral("60"),
        QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
        QStringLiteral("64k"), QStringLiteral("-movflags"), QStringLiteral("+faststart"),
        // Seeking in AVI may let a picture or two more through:
        // both write the same number.
        QStringLiteral("-frames:v"), QString::number(kSpanSeconds * 30)};

    QTemporaryDir temporary;
    const QString keep = parser.value(keepOption);
    if (!keep.isEmpty() && !QDir().mkpath(keep)) {
        std::fprintf(stderr, "rx9bench_evidence: %s cannot be made\n", qPrintable(keep));
        return 1;
    }
    const QDir out(keep.isEmpty() ? temporary.path() : keep);
    std::printf("Span: %d s across %s [%lld, %lld) and %s [%lld, %lld), 1920x1080 30 fps, "
                "preset %s, crf 23\n",
                kSpanSeconds, qPrintable(QFileInfo(pieces[0].path).fileName()),
                (long long)pieces[0].from, (long long)pieces[0].to,
                qPrintable(QFileInfo(pieces[1].path).fileName()), (long long)pieces[1].from,
                (long long)pieces[1].to, qPrintable(preset));
    std::printf("%-8s %4s %9s %9s %9s %8s\n", "who", "run", "wall s", "cpu s", "x real", "frames");
    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    for (int run = 1; run <= repeat; ++run) {
        // The player's engine.
        const auto runPlayer = [&](Figures &f) {
            EvidenceVideoOptions options;
            options.preset = preset;
            const std::atomic<bool> cancel{false};
            const QString mine = out.filePath(QStringLiteral("player.mp4"));
            QFile::remove(mine);
            const double cpu = CpuSeconds(RUSAGE_SELF);
            QElapsedTimer timer;
            timer.start();
            const EvidenceVideoResult result =
                WriteEvidenceVideo(pieces, texts, mine, options, cancel);
            f = Figures{timer.nsecsElapsed() / 1e9, CpuSeconds(RUSAGE_SELF) - cpu,
                        VideoFrames(mine)};
            if (!result.ok)
                std::fprintf(stderr, "rx9bench_evidence: %s\n", qPrintable(result.error));
            return result.ok;
        };
        // The program, the same work.
        const auto runProgram = [&](Figures &f) {
            const QString program = out.filePath(QStringLiteral("ffmpeg.mp4"));
            QProcess process;
            process.setProcessChannelMode(QProcess::ForwardedChannels);
            const double cpu = CpuSeconds(RUSAGE_CHILDREN);
            QElapsedTimer timer;
            timer.start();
            process.start(ffmpeg, ffmpegArguments + QStringList{program});
            process.waitForFinished(-1);
            f = Figures{timer.nsecsElapsed() / 1e9, CpuSeconds(RUSAGE_CHILDREN) - cpu,
                        VideoFrames(program)};
            if (process.exitCode() != 0)
                std::fprintf(stderr, "rx9bench_evidence: ffmpeg failed\n");
            return process.exitCode() == 0;
        };
        // Turn about, so that a change of the machine's load favours neither.
        Figures player, other;
        const bool ok = run % 2 ? runPlayer(player) && runProgram(other)
                                : runProgram(other) && runPlayer(player);
        if (!ok)
            return 1;
        for (const auto &[who, f] : {std::pair{"player", player}, std::pair{"ffmpeg", other}})
            std::printf("%-8s %4d %9.2f %9.2f %9.2f %8lld\n", who, run, f.wall, f.cpu,
                        kSpanSeconds / f.wall, (long long)f.frames);
        ours.push_back(player.wall);
        theirs.push_back(other.wall);
        oursCpu.push_back(player.cpu);
        theirsCpu.push_back(other.cpu);
        std::fflush(stdout);
    }
    std::printf("median   wall player %.2f s (%.2fx real time), ffmpeg %.2f s (%.2fx); "
                "cpu player %.2f s, ffmpeg %.2f s\n",
                Median(ours), kSpanSeconds / Median(ours), Median(theirs),
                kSpanSeconds / Median(theirs), Median(oursCpu), Median(theirsCpu));
    std::printf("ratio    %.2f (ffmpeg wall / player wall; >= 1.0: the player is not slower), "
                "cpu %.2f\n",
                Median(theirs) / Median(ours), Median(theirsCpu) / Median(oursCpu));
    return 0;
}

#include "EvidenceExport.h"

#include "CopyJob.h"
#include "GpxWriter.h"
#include "SafeFile.h"
#include "Shocks.h"
#include "Trip.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include <unistd.h>

namespace {

QString FolderWithSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

DriveData ReadDriveData(const QString &path)
{
    struct stat status;
    CFileDescriptor fd = OpenRegularFile(path, O_RDONLY, &status);
    if (!fd.IsValid() || status.st_size > kDriveDataMaxFileBytes)
        return {};
    QFile file;
    if (!file.open(fd.Release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    return ParseDriveData(file.read(status.st_size));
}

bool WriteWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

std::vector<int> ShockTimesOfClip(const DriveData &data)
{
    std::vector<int> times;
    if (!data.loaded || data.gps.empty())
        return times;
    const int perSecond = int(data.sensors.size() / data.gps.size());
    const int durationMs = int(data.gps.size()) * 1000;
    for (const int reading : FindShocks(data.sensors, perSecond))
        times.push_back(ShockTimeMs(reading, int(data.sensors.size()), durationMs));
    return times;
}

EvidencePlan PlanEvidence(const EvidenceRequest &request)
{
    EvidencePlan plan;
    const QString folder = FolderWithSlash(request.cardFolder);
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::System, QDir::Name);
    if (!QFileInfo(folder).isDir()) {
        plan.error = QStringLiteral("The card folder %1 cannot be read.").arg(request.cardFolder);
        return plan;
    }
    std::vector<EvidenceClip> clips;
    for (const QString &name : names) {
        const std::optional<TripClip> named = TripClipFromFileName(name);
        if (!named || !named->start.isValid() || !IsPlainFile(folder + name))
            continue;
        EvidencePlan::Clip clip;
        clip.clip.fileName = name;
        clip.clip.kind = named->kind;
        clip.clip.start = named->start;
        clip.data = ReadDriveData(DriveDataPath(folder + name));
        // Without drive data the video says how long the clip is.
        clip.clip.seconds = clip.data.loaded && !clip.data.gps.empty()
                                ? qint64(clip.data.gps.size())
                                : ProbeClipSeconds(folder + name);
        if (clip.clip.seconds <= 0)
            continue;
        clip.shocksMs = ShockTimesOfClip(clip.data);
        clips.push_back(clip.clip);
        plan.clips.push_back(std::move(clip));
    }
    plan.span =
        PlanEvidenceSpan(clips, request.anchor, request.from, request.to, request.preferred);
    if (!plan.span.IsValid())
        plan.error = EvidenceSpanErrorText(plan.span);
    return plan;
}

std::vector<EvidenceSecond> EvidencePlan::Seconds() const
{
    std::vector<EvidenceSecond> seconds;
    QDateTime time = span.start;
    for (const EvidencePiece &piece : span.pieces) {
        const Clip &clip = clips[size_t(piece.clip)];
        for (qint64 s = piece.from; s < piece.to; ++s) {
            EvidenceSecond second;
            second.time = time;
            second.recording = clip.clip.fileName;
            second.hasData = clip.data.loaded && s < qint64(clip.data.gps.size());
            if (second.hasData)
                second.gps = GpsReadingAt(clip.data, int(s));
            second.shock = std::any_of(clip.shocksMs.begin(), clip.shocksMs.end(),
                                       [&](int ms) { return ms / 1000 == s; });
            seconds.push_back(second);
            time = time.addSecs(1);
        }
    }
    return seconds;
}

QStringList EvidencePlan::TouchedFiles() const
{
    QStringList files;
    for (const EvidencePiece &piece : span.pieces) {
        const QString &name = clips[size_t(piece.clip)].clip.fileName;
        if (!files.contains(name))
            files << name;
    }
    return files;
}

QByteArray Sha256Sums(const QString &folder, bool *ok)
{
    if (ok)
        *ok = true;
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir root(folder);
    while (it.hasNext()) {
        const QString relative = root.relativeFilePath(it.next());
        if (relative != QLatin1String("SHA256SUMS"))
            files << relative;
    }
    std::sort(files.begin(), files.end());
    QByteArray sums;
    for (const QString &relative : files) {
        QFile file(root.filePath(relative));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
            if (ok)
                *ok = false;
            return {};
        }
        sums += hash.result().toHex() + "  " + relative.toUtf8() + '\n';
    }
    return sums;
}

CEvidenceJob::CEvidenceJob(EvidenceRequest request)
    : m_request(std::move(request))
{}

CEvidenceJob::~CEvidenceJob()
{
    cancel();
    Wait();
}

bool CEvidenceJob::Prepare()
{
    m_plan = PlanEvidence(m_request);
    m_error = m_plan.error;
    return m_error.isEmpty();
}

void CEvidenceJob::Start()
{
    m_worker = std::thread([this] { run(); });
}

bool CEvidenceJob::Run()
{
    return run();
}

void CEvidenceJob::Wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CEvidenceJob::setProgress(double share)
{
    m_progress = std::clamp(int(share * 1000), 0, 1000);
}

bool CEvidenceJob::run()
{
    struct DoneOnExit
    {
        std::atomic<bool> &done;
        ~DoneOnExit() { done = true; }
    } doneOnExit{m_done};
    const auto fail = [&](const QString &error) {
        m_error = m_cancel ? QStringLiteral("The export was cancelled.") : error;
        m_succeeded = false;
        return false;
    };
    if (!m_plan.span.IsValid())
        return fail(m_plan.error.isEmpty() ? QStringLiteral("Nothing to export.") : m_plan.error);

    const QString base = QDir::cleanPath(m_request.outputBase);
    CFileDescriptor baseFd = OpenOutputFolder(base);
    if (!baseFd.IsValid())
        return fail(QStringLiteral("The folder %1 cannot be made: %2")
                        .arg(base, QString::fromLocal8Bit(std::strerror(errno))));
    const QString finalName = EvidenceFolderName(m_plan.span.start);
    QTemporaryDir work(base + QStringLiteral("/.") + finalName + QStringLiteral("-XXXXXX"));
    if (!work.isValid())
        return fail(QStringLiteral("The folder %1 cannot be written.").arg(base));
    const QString workPath = work.path();
    // The folder is made private; once in place it is an ordinary folder of the user's.
    QFile::setPermissions(workPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                        QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);

    // The originals, byte for byte.
    const QString card = FolderWithSlash(m_request.cardFolder);
    const QStringList touched = m_plan.TouchedFiles();
    QStringList sources;
    for (const QString &name : touched) {
        sources << card + name;
        const QString data = DriveDataPath(card + name);
        if (IsPlainFile(data))
            sources << data;
    }
    qint64 totalBytes = 0, copiedBytes = 0;
    for (const QString &source : sources)
        totalBytes += QFileInfo(source).size();
    constexpr double kCopyShare = 0.1, kVideoShare = 0.85;
    for (const QString &source : sources) {
        if (m_cancel)
            return fail({});
        const QString name = QFileInfo(source).fileName();
        QString copiedTo;
        const bool copied = CopyFileDurably(
            source, workPath + QStringLiteral("/original/") + name,
            [&](qint64 bytes) {
                setProgress(kCopyShare * double(copiedBytes + bytes) /
                            double(std::max<qint64>(1, totalBytes)));
            },
            &copiedTo);
        if (!copied)
            return fail(IsPlainFile(source)
                            ? QStringLiteral("%1 cannot be copied into %2 (is the disk full?).")
                                  .arg(name, base)
                            : QStringLiteral("%1 is no longer on the card.").arg(name));
        copiedBytes += QFileInfo(source).size();
    }

    // The video.
    const std::vector<EvidenceSecond> seconds = m_plan.Seconds();
    std::vector<OverlayText> texts;
    for (const EvidenceSecond &second : seconds)
        texts.push_back(OverlayForSecond(second, m_request.unitKm, m_request.location));
    std::vector<EvidenceVideoPiece> pieces;
    int offset = 0;
    for (const EvidencePiece &piece : m_plan.span.pieces) {
        pieces.push_back(EvidenceVideoPiece{card + m_plan.clips[size_t(piece.clip)].clip.fileName,
                                            piece.from, piece.to, offset});
        offset += int(piece.Seconds());
    }
    EvidenceVideoOptions videoOptions = m_request.video;
    videoOptions.overlay = m_request.overlay;
    const EvidenceVideoResult video = WriteEvidenceVideo(
        pieces, texts, workPath + QStringLiteral("/evidence.mp4"), videoOptions, m_cancel,
        [&](double share) { setProgress(kCopyShare + kVideoShare * share); });
    if (!video.ok)
        return fail(video.error);

    // The route, from the span's fixes.
    if (m_request.location) {
        TripRoute route;
        route.folder = card;
        std::map<QString, int> clipIndex;
        std::vector<RoutePoint> segment;
        for (const EvidencePiece &piece : m_plan.span.pieces) {
            const EvidencePlan::Clip &clip = m_plan.clips[size_t(piece.clip)];
            if (!clipIndex.count(clip.clip.fileName)) {
                clipIndex[clip.clip.fileName] = int(route.clips.size());
                TripClip tripClip;
                tripClip.fileName = clip.clip.fileName;
                tripClip.kind = clip.clip.kind;
                tripClip.start = clip.clip.start;
                tripClip.gps = clip.data.gps;
                tripClip.readable = clip.data.loaded;
                route.clips.push_back(tripClip);
            }
            for (qint64 s = piece.from; s < piece.to; ++s) {
                const bool has = clip.data.loaded && s < qint64(clip.data.gps.size());
                const GpsReading gps = has ? GpsReadingAt(clip.data, int(s)) : GpsReading{};
                if (!gps.fix) {
                    if (!segment.empty())
                        route.segments.push_back(std::move(segment));
                    segment.clear();
                    continue;
                }
                segment.push_back(RoutePoint{gps.latitude, gps.longitude, gps.speedKmh,
                                             clipIndex[clip.clip.fileName], int(s)});
            }
        }
        if (!segment.empty())
            route.segments.push_back(std::move(segment));
        if (!route.IsEmpty() && !WriteWhole(workPath + QStringLiteral("/route.gpx"),
                                            RouteToGpx(route, QTimeZone::systemTimeZone())))
            return fail(QStringLiteral("route.gpx cannot be written in %1.").arg(base));
    }

    // The report.
    EvidenceReportInput report;
    report.seconds = seconds;
    report.clips = touched;
    report.unitKm = m_request.unitKm;
    report.withLocation = m_request.location;
    report.version = m_request.version;
    report.created = QDateTime::currentDateTime();
    if (!WriteWhole(workPath + QStringLiteral("/report.html"), EvidenceReportHtml(report)))
        return fail(QStringLiteral("report.html cannot be written in %1.").arg(base));

    bool summed = false;
    const QByteArray sums = Sha256Sums(workPath, &summed);
    if (!summed || !WriteWhole(workPath + QStringLiteral("/SHA256SUMS"), sums))
        return fail(QStringLiteral("SHA256SUMS cannot be written in %1.").arg(base));

    if (beforePlacing)
        beforePlacing();
    if (m_cancel)
        return fail({});
    // Into place under its own name, or the first free numbered one; never over a folder.
    const QString workName = QFileInfo(workPath).fileName();
    for (int number = 1; number < 1000; ++number) {
        const QString name =
            number == 1 ? finalName : QStringLiteral("%1 (%2)").arg(finalName).arg(number);
        if (RenameNoReplace(baseFd.Get(), workName, name)) {
            work.setAutoRemove(false);
            ::fsync(baseFd.Get());
            m_folder = base + QLatin1Char('/') + name;
            m_succeeded = true;
            setProgress(1.0);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(QStringLiteral("The folder %1 cannot be put in place in %2.").arg(finalName, base));
}

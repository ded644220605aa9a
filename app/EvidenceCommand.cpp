#include "EvidenceCommand.h"

#include "CommandLine.h"
#include "DriveUtils.h"
#include "EvidenceExport.h"
#include "RecordingNames.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int)
{
    g_stop = true;
}

int Fail(const QString &reason)
{
    QString line = reason.simplified(); // one line, whatever the reason's text holds
    std::fprintf(stderr, "rx9player: %s\n", line.toLocal8Bit().constData());
    return 1;
}

} // namespace

int RunEvidenceCommand(const PlayerCommandLine::Evidence &evidence)
{
    EvidenceRequest request;
    request.cardFolder = evidence.card;
    const QDateTime at = EvidenceTimeFromStamp(evidence.at);
    if (!at.isValid())
        return Fail(QStringLiteral("--at %1: not a time yyyymmdd_hhmmss").arg(evidence.at));
    request.anchor = at;
    request.from = at.addSecs(-evidence.before);
    request.to = at.addSecs(evidence.after);
    if (evidence.after == 0)
        request.anchor = at.addSecs(-1); // the span ends at the moment
    request.overlay = evidence.overlay;
    request.location = evidence.location;
    request.outputBase = evidence.out.isEmpty()
                             ? GetDesktopPath() + QLatin1Char('/') + QLatin1String(kExportRootName)
                             : evidence.out;
    request.version = PlayerVersionText();

    CEvidenceJob job(request);
    if (!job.Prepare())
        return Fail(job.Error());
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    job.Start();
    while (!job.Done()) {
        if (g_stop)
            job.cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    job.Wait();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!job.Succeeded())
        return Fail(job.Error());
    std::printf("%s\n", job.FolderPath().toLocal8Bit().constData());
    return 0;
}

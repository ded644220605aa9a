// The copy job (what COPY and EVENT run) beside cp on the same files in the same run. A folder of
// clip files, a few large and many small, each with a small drive-data file, is copied by the job
// and by cp into fresh folders on the same file system, with cold caches (when the kernel lets
// this program drop them, which needs root) and with warm ones. The job flushes every file to
// the disk before it counts it as copied; cp does not, so cp followed by sync of the copied
// files is printed as well.
//
//   rx9bench_copy [--mb N] [--folder PATH]    N MB of clips (default 256; 2048 for 2 GB)

#include "CopyJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <random>

namespace {

struct Source
{
    QString folder;
    QStringList names;
    qint64 bytes = 0;
};

bool writeFile(const QString &path, qint64 size, std::mt19937_64 &random)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        auto *words = reinterpret_cast<quint64 *>(block.data());
        for (qsizetype i = 0; i < block.size() / 8; ++i)
            words[i] = random();
        const qint64 n = std::min<qint64>(left, block.size());
        if (file.write(block.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

// Half of the data in four large clips, half in 2 MB clips; every clip with a 64 KB data file.
bool makeSource(Source &source, qint64 totalBytes)
{
    std::mt19937_64 random(7);
    const qint64 large = totalBytes / 8;
    const qint64 small = 2 << 20;
    const qint64 smallCount = std::max<qint64>(1, totalBytes / 2 / small);
    int index = 0;
    const auto add = [&](qint64 size) {
        const QString stem = QStringLiteral("20110523_%1").arg(index++, 6, 10, QLatin1Char('0'));
        const QString clip = QStringLiteral("rec_") + stem + QStringLiteral(".avi");
        const QString data = QStringLiteral("rec_") + stem + QStringLiteral(".dat");
        if (!writeFile(source.folder + clip, size, random) ||
            !writeFile(source.folder + data, 64 * 1024, random))
            return false;
        source.names << clip << data;
        source.bytes += size + 64 * 1024;
        return true;
    };
    for (int i = 0; i < 4; ++i) {
        if (!add(large))
            return false;
    }
    for (qint64 i = 0; i < smallCount; ++i) {
        if (!add(small))
            return false;
    }
    return true;
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Writes back everything dirty, then drops the page cache when allowed.
bool settle(bool cold)
{
    run(QStringLiteral("sync"), {});
    if (!cold)
        return true;
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2;
}

void readAll(const Source &source)
{
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString &name : source.names) {
        QFile file(source.folder + name);
        if (file.open(QIODevice::ReadOnly)) {
            while (file.read(buffer.data(), buffer.size()) > 0) {
            }
        }
    }
}

double seconds(const std::function<bool()> &work, bool &ok)
{
    QElapsedTimer timer;
    timer.start();
    ok = work();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qint64 megabytes = 256;
    QString base;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--mb") && i + 1 < args.size())
            megabytes = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--folder") && i + 1 < args.size())
            base = args[++i];
        else {
            std::fprintf(stderr, "usage: rx9bench_copy [--mb N] [--folder PATH]\n");
            return 2;
        }
    }
    if (megabytes <= 0)
        megabytes = 256;
    QTemporaryDir dir(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/rx9bench_copy-XXXXXX")
                                     : base + QStringLiteral("/rx9bench_copy-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a working folder\n");
        return 1;
    }
    Source source;
    source.folder = dir.path() + QStringLiteral("/card/");
    QDir().mkpath(source.folder);
    if (!makeSource(source, megabytes << 20)) {
        std::fprintf(stderr, "cannot write the source files\n");
        return 1;
    }
    std::printf("rx9bench_copy: %d files, %.1f MB in %s\n", int(source.names.size()),
                double(source.bytes) / 1e6, qPrintable(dir.path()));

    int runNumber = 0;
    const auto destination = [&](const char *who) {
        const QString folder =
            dir.path() + QStringLiteral("/out%1-%2/").arg(runNumber++).arg(QLatin1String(who));
        QDir().mkpath(folder);
        return folder;
    };
    const auto byJob = [&](const QString &target) {
        CCopyJob job;
        for (const QString &name : source.names)
            job.AddCopyPair(source.folder + name, target + name);
        job.Start();
        job.Wait();
        return job.FailedCount() == 0;
    };
    QStringList sources;
    for (const QString &name : source.names)
        sources << source.folder + name;
    const auto byCp = [&](const QString &target, bool sync) {
        if (!run(QStringLiteral("cp"), sources + QStringList{target}))
            return false;
        if (!sync)
            return true;
        QStringList copies;
        for (const QString &name : source.names)
            copies << target + name;
        return run(QStringLiteral("sync"), copies);
    };

    for (const bool cold : {true, false}) {
        if (cold && !settle(true)) {
            std::printf("cold cache: cannot write /proc/sys/vm/drop_caches (needs root); "
                        "skipped\n");
            continue;
        }
        double job = 0;
        double cp = 0;
        double cpSync = 0;
        bool ok = true;
        bool each = true;
        // Each measurement starts from the same cache state.
        const auto prepare = [&] {
            settle(cold);
            if (!cold)
                readAll(source);
        };
        prepare();
        job = seconds([&] { return byJob(destination("job")); }, each);
        ok = ok && each;
        prepare();
        cp = seconds([&] { return byCp(destination("cp"), false); }, each);
        ok = ok && each;
        prepare();
        cpSync = seconds([&] { return byCp(destination("cpsync"), true); }, each);
        ok = ok && each;
        const double mb = double(source.bytes) / 1e6;
        std::printf("%s cache:\n", cold ? "cold" : "warm");
        std::printf("  copy job (flushed)  %7.2f s  %8.1f MB/s\n", job, mb / job);
        std::printf("  cp                  %7.2f s  %8.1f MB/s   job/cp      %.2fx\n", cp, mb / cp,
                    cp / job);
        std::printf("  cp + sync of files  %7.2f s  %8.1f MB/s   job/cp+sync %.2fx\n", cpSync,
                    mb / cpSync, cpSync / job);
        if (!ok)
            std::printf("  (a copy failed)\n");
    }
    settle(false);
    return 0;
}

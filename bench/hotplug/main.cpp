// The player following the mounts: a card made with the demo-card tool is bind mounted over an
// empty folder named in RX9_EXTRA_DRIVES (the reader) and unmounted again (detached, as a pulled
// card is), several times. Prints, from the mount or unmount call returning: the card's list
// filled, its first clip playing, and the player cleared with its message. Needs root.

#include "PlaybackController.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/mount.h>
#include <vector>

namespace {

// Runs the event loop until `done` or 60 s; the elapsed milliseconds since `clock` started, or
// -1 on time-out.
double waitFor(const QElapsedTimer &clock, const std::function<bool()> &done)
{
    while (!done()) {
        if (clock.elapsed() > 60000)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

void printFigures(const char *what, std::vector<double> values)
{
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    std::printf("%-34s min %7.1f  median %7.1f  max %7.1f ms\n", what, values.front(),
                values[values.size() / 2], values.back());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The map's browser refuses to start as root inside its sandbox.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    const int repeat = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    if (::geteuid() != 0) {
        std::fprintf(stderr, "needs root (bind mounts)\n");
        return 2;
    }
    QTemporaryDir work;
    const QString card = work.filePath(QStringLiteral("card"));
    const QString reader = work.filePath(QStringLiteral("reader"));
    QDir().mkpath(reader);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rx9democard"),
               {QStringLiteral("--clips-per-kind"), QStringLiteral("2"),
                QStringLiteral("--seconds"), QStringLiteral("10"), QStringLiteral("--quiet"),
                card});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "the demo-card tool failed\n");
        return 1;
    }
    qputenv("RX9_EXTRA_DRIVES", reader.toLocal8Bit());
    CSkinImages::Load();

    CRX9VantoraPCPlayerDlg player(nullptr, {QStringLiteral("--aout=dummy")});
    int messages = 0;
    player.showMessage = [&](int, const QString &) { ++messages; };
    player.show();
    player.RunStartSequence();
    qint64 lastTime = -1;
    QObject::connect(&player.Playback(), &CPlaybackController::TimeChanged,
                     [&](qint64 time) { lastTime = time; });

    std::vector<double> listed, playing, cleared;
    const QByteArray from = QFile::encodeName(card);
    const QByteArray to = QFile::encodeName(reader);
    for (int run = 0; run < repeat; ++run) {
        const int before = messages;
        lastTime = -1;
        QElapsedTimer clock;
        if (::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr) != 0) {
            std::perror("mount");
            return 1;
        }
        clock.start();
        listed.push_back(waitFor(clock, [&] { return player.RecordingList()->RowCount() > 0; }));
        playing.push_back(waitFor(clock, [&] { return lastTime > 0; }));
        // The card notice and some seconds of play before it goes.
        const double settled = waitFor(clock, [&] { return lastTime >= 2000; });
        const bool loaded = messages == before + 1 && settled > 0;

        ::umount2(to.constData(), MNT_DETACH);
        clock.restart();
        cleared.push_back(waitFor(clock, [&] {
            return player.RecordingList()->RowCount() == 0 && !player.IsClipOpen() &&
                   messages == before + 2;
        }));
        if (!loaded || listed.back() < 0 || playing.back() < 0 || cleared.back() < 0) {
            std::fprintf(stderr, "run %d: the player did not follow the card\n", run + 1);
            return 1;
        }
    }
    std::printf("%d runs, a card of %d clips (RX9_EXTRA_DRIVES reader, bind mount)\n", repeat,
                int(QDir(card).entryList({QStringLiteral("*.avi")}).size()));
    printFigures("mount -> list filled", listed);
    printFigures("mount -> first clip playing", playing);
    printFigures("unmount -> cleared, message shown", cleared);
    return 0;
}

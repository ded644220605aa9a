// rx9player: the dashboard-camera card player.

#include "CommandLine.h"
#include "EvidenceCommand.h"
#include "HtmlCtrl.h"
#include "RX9VantoraPCPlayerApp.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <malloc.h>

int main(int argc, char **argv)
{
    // The command line is read before the window system is opened, so --help, --version and a
    // wrong option work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const PlayerCommandLine command = ParsePlayerCommandLine(arguments, QDir::currentPath());
    if (command.action == PlayerCommandLine::Action::ExportEvidence) {
        // No window: Qt draws the picture's texts off screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return RunEvidenceCommand(command.evidence);
    }
    if (command.action != PlayerCommandLine::Action::Run) {
        std::FILE *out = command.action == PlayerCommandLine::Action::Error ? stderr : stdout;
        std::fputs(command.text.toLocal8Bit().constData(), out);
        return command.ExitCode();
    }

    // Few malloc arenas, and large blocks (the engine's pictures) always mapped on their own so
    // that they go back to the system when freed: many threads allocate here (the engine's
    // decoders, the browser) and each extra arena keeps what it once held.
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);

    // The map's browser draws in software, as the rest of the window does.
    CHtmlCtrl::PrepareApplication();
    QApplication app(argc, argv);
    CHtmlCtrl::ApplicationReady();
    CRX9VantoraPCPlayerApp player;
    return player.InitInstance(command.folder, command.clip);
}

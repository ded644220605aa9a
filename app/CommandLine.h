#pragma once

#include <QString>
#include <QStringList>

// The player's command line:
//   rx9player [--help] [--version] [FOLDER]
//   rx9player --export-evidence CARD --at yyyymmdd_hhmmss [--before S] [--after S]
//             [--no-overlay] [--no-location] [--out DIR]
// FOLDER (a folder, or a file in it, as a file manager's "Open with" passes it) is opened as the
// recordings root instead of the first card; a recording named by the argument plays first. Qt's
// own window options (-platform, -style ...) are let through for QApplication.
struct PlayerCommandLine
{
    enum class Action { Run, Help, Version, Error, ExportEvidence };

    Action action = Action::Run;
    // Run: the recordings root asked for (absolute, no trailing '/'); empty: the first card.
    QString folder;
    // Run: the file the argument named (absolute, clean), empty when it named a folder.
    QString clip;
    // Help and Version: what to print on standard output; Error: the message for standard error.
    QString text;

    // ExportEvidence: the card folder (absolute), the moment on the camera's clock, the seconds
    // before and after it, the choices, and the folder the export goes into (absolute; empty:
    // the player's export folder on the desktop).
    struct Evidence
    {
        QString card;
        QString at; // yyyymmdd_hhmmss
        int before = 30;
        int after = 30;
        bool overlay = true;
        bool location = true;
        QString out;
    } evidence;

    // The process's exit code for Help, Version and Error.
    int ExitCode() const { return action == Action::Error ? 2 : 0; }
};

// Parses the arguments (the program's name first). Relative paths are taken from currentDir.
PlayerCommandLine ParsePlayerCommandLine(const QStringList &arguments, const QString &currentDir);

// "rx9player 1.0.0"
QString PlayerVersionText();

// The --help text: usage, options, the argument and the environment variables the player reads.
QString PlayerHelpText();

#pragma once

#include "CommandLine.h"

// Runs `rx9player --export-evidence ...` without a window: prints the folder made on standard
// output and returns 0, or prints one line on standard error and returns 1. Ctrl+C (or a
// termination signal) stops the export and removes what it made. Needs a QGuiApplication (the
// picture's texts are drawn with Qt's fonts).
int RunEvidenceCommand(const PlayerCommandLine::Evidence &evidence);

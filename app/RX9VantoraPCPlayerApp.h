#pragma once

#include <QString>

// The application object: it loads the skin, runs the main player window as a modal dialog
// and, when that ends, destroys it; the process then ends.
class CRX9VantoraPCPlayerApp
{
public:
    // Runs the whole program; returns the process's exit code. startFolder, when not empty, is
    // opened as the recordings root in place of the first card; startClip, when it is one of its
    // recordings, is the one that plays first.
    int InitInstance(const QString &startFolder = QString(), const QString &startClip = QString());
};

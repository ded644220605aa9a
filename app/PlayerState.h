#pragma once

#include <QColor>
#include <QString>

#include <array>

// The main player window's own state with its values after construction: its panels and
// read-outs. What plays is the playback controller's, the card's recordings the catalogue's.
struct PlayerState
{
    // The picture size the window is fitted to (keys 1 and 2, the minimum size): the last
    // opened clip's.
    int videoWidth = 1920;
    int videoHeight = 1080;

    // Read-outs.
    QString speedText = QStringLiteral("0");
    int speedValue = 0;
    int gpsFix = 0;
    int unitKm = 1; // 1: km/h, 0: miles per hour
    std::array<int, 8> timeDigits = {0, 0, 0, 0, 0, 0, 0, 0};

    // Panels.
    int listShown = 1;
    int listHidden = 0;
    int mapShown = 1;

    // Right-click menu, enabled by the start sequence.
    int popupEnabled = 0;
    int popupMenuId = 0;

    // Set at the end of the window's initialisation; resizing lays out only when set.
    int layoutReady = 0;

    QColor transparentColour = QColor(255, 0, 255);
};

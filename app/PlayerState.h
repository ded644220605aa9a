#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>

// The main player window's state with its values after construction. The catalogue's own
// state (name lists, kind filter) and the media engine wrapper live beside it.
struct PlayerState
{
    // Catalogue: the card folder in use and the current recording.
    QString folderPath;
    QString currentStem;
    int currentIndex = 0;
    int kindFilter = 0;

    // Playback.
    int playing = 0;
    float playRate = 1.0f;
    float brightness = 1.0f;
    float contrast = 1.0f;
    int nightVision = 0;
    int rotated = 0;
    int rotateReady = 1;
    int pendingRotations = 0;
    int soundOn = 1;
    int volume = 50;
    std::int64_t clipLengthMs = 0;
    int videoWidth = 1920;
    int videoHeight = 1080;
    int videoClass = 0; // 0: 1920 x 1080, 1: 1280 x 720, 2: any other size

    // Read-outs.
    QString speedText = QStringLiteral("0");
    int speedValue = 0;
    int gpsFix = 0;
    double lastFixLongitude = -77.036519;
    double lastFixLatitude = 38.897596;
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

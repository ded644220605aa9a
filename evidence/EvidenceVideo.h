#pragma once

#include "EvidenceText.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

// The evidence video: stretches of clips joined into one H.264 + AAC file in MP4 with its index
// at the front, at the first clip's size and frame rate, with the texts of each second drawn in a
// corner of the picture. Encodes on the calling thread; the clips are read, decoded and drawn on
// by a thread of its own, a few pictures ahead, which has ended when the call returns.

struct EvidenceVideoPiece
{
    QString path;       // the clip
    qint64 from = 0;    // seconds into the clip
    qint64 to = 0;      // exclusive
    int spanOffset = 0; // the span's second at `from`
};

struct EvidenceVideoOptions
{
    bool overlay = true;
    // x264's speed preset and quality; see bench/README.md for the choice.
    QString preset = QStringLiteral("veryfast");
    int crf = 23;
};

struct EvidenceVideoResult
{
    bool ok = false;
    bool cancelled = false;
    QString error; // one line for the user
    qint64 frames = 0;
    bool audio = false;
};

// Writes `output`. `texts` holds the overlay of every second of the span. `progress` hears the
// share done (0 to 1) after every frame; `cancel` is looked at as often.
EvidenceVideoResult WriteEvidenceVideo(const std::vector<EvidenceVideoPiece> &pieces,
                                       const std::vector<OverlayText> &texts, const QString &output,
                                       const EvidenceVideoOptions &options,
                                       const std::atomic<bool> &cancel,
                                       const std::function<void(double)> &progress = {});

// The length of a clip's video in whole seconds, from its header; -1 when it cannot be read.
qint64 ProbeClipSeconds(const QString &path);

// The overlay box of one second for a picture of `frameHeight` lines: white text on a
// half-transparent dark box, "SHOCK" in red above the lines during a shock.
QImage RenderOverlayBox(const OverlayText &text, int frameHeight);

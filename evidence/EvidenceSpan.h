#pragma once

#include "RecordingNames.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// Which stretches of which recordings make up an evidence span, without files or video: the
// span is a run of whole seconds on the camera's clock, and every second of it is taken from
// one recording of the trip that holds it.

// The longest span an evidence export takes.
constexpr qint64 kEvidenceMaxSeconds = 600;
// The span around a moment when the user gives none.
constexpr qint64 kEvidenceDefaultBefore = 30;
constexpr qint64 kEvidenceDefaultAfter = 30;

// One recording of the card as the span sees it.
struct EvidenceClip
{
    QString fileName;
    RecordingKind kind = RecordingKind::Normal;
    QDateTime start; // camera clock, kept as UTC
    qint64 seconds = 0;
};

// Seconds [from, to) of clips[clip].
struct EvidencePiece
{
    int clip = 0;
    qint64 from = 0;
    qint64 to = 0;
    qint64 Seconds() const { return to - from; }
};

enum class EvidenceSpanError {
    None,
    NoRecording, // no recording holds the moment asked for
    Gap,         // a second of the span lies in a gap of the trip
    TooLong,     // longer than kEvidenceMaxSeconds
    Empty,       // the span ends before it starts
};

struct EvidenceSpan
{
    EvidenceSpanError error = EvidenceSpanError::None;
    QDateTime start; // first second (camera clock)
    QDateTime end;   // the second after the last one
    QDateTime gapAt; // Gap: the first second without a recording
    std::vector<EvidencePiece> pieces;

    qint64 Seconds() const { return start.secsTo(end); }
    bool IsValid() const { return error == EvidenceSpanError::None && !pieces.empty(); }
};

// The span [from, to) around `anchor` over the card's `clips`. The anchor must lie in a
// recording. The span is cut to the trip holding the anchor (clips less than kTripGapSeconds
// apart), so that "30 s before" at the start of a drive starts with the drive; inside the trip
// every second must lie in a recording. A second held by several recordings is taken from
// `preferred` (the recording being watched) when it holds it, otherwise by the trip's rule:
// normal before event before parking, then the earlier start.
EvidenceSpan PlanEvidenceSpan(const std::vector<EvidenceClip> &clips, const QDateTime &anchor,
                              const QDateTime &from, const QDateTime &to,
                              const QString &preferred = {});

// The span the user asks for: `moment` is the second being watched (or the shock's second),
// `in` and `out` the start and end set with the I and O keys. Without marks: 30 s before to 30 s
// after the moment. A start mark alone runs to 30 s after the later of moment and mark; an end
// mark alone runs from 30 s before the moment. The anchor is the moment, moved into the span.
struct EvidenceWindow
{
    QDateTime anchor;
    QDateTime from;
    QDateTime to;
};
EvidenceWindow EvidenceWindowAround(const QDateTime &moment, const std::optional<QDateTime> &in,
                                    const std::optional<QDateTime> &out);

// The user's text for a span that cannot be exported.
QString EvidenceSpanErrorText(const EvidenceSpan &span);

// "yyyymmdd_hhmmss" of a camera time; the same text back to a time (invalid when malformed).
QString EvidenceStamp(const QDateTime &cameraTime);
QDateTime EvidenceTimeFromStamp(const QString &stamp);

// The export folder's name: "Evidence yyyymmdd_hhmmss" of the span's start.
QString EvidenceFolderName(const QDateTime &spanStart);

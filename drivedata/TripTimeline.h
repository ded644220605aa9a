#pragma once

#include "Trip.h"

#include <QString>

#include <optional>
#include <vector>

// A trip as one stretch of time: where each of its recordings lies on it, where its shocks are,
// and which recording and second a point of it stands for. Pure arithmetic, no files.
//
// The trip's time runs on the camera's clock from the start of its first recording to the end
// of the one that ends last; gaps between recordings (up to the trip rule's minute) stay gaps.
// A trip of recordings without a date is the one recording, at 0.

// A recording whose length the drive data does not tell, at the end of its trip: taken as one of
// the camera's one-minute clips until the engine says otherwise.
constexpr qint64 kUnknownLastClipMs = 60000;

struct TimelineClip
{
    QString fileName;
    RecordingKind kind = RecordingKind::Normal;
    qint64 startMs = 0;  // from the trip's start
    qint64 lengthMs = 0; // from its drive data, the gap to the next start or the engine
    bool lengthKnown = false;
    int sensorReadings = 0;
    std::vector<int> shockReadings; // indexes of the readings at which shocks start

    qint64 EndMs() const { return startMs + lengthMs; }
};

// Where a point of the trip is: a recording (index into the timeline's clips) and a time in it.
struct TimelineTarget
{
    int clip = -1;
    QString fileName;
    qint64 ms = 0;
};

class CTripTimeline
{
public:
    CTripTimeline() = default;
    // From the clips of one trip, ordered by start as the trip rule gives them (a route's clips).
    explicit CTripTimeline(const std::vector<TripClip> &clips);

    bool IsEmpty() const { return m_clips.empty(); }
    int ClipCount() const { return int(m_clips.size()); }
    const std::vector<TimelineClip> &Clips() const { return m_clips; }
    qint64 LengthMs() const { return m_lengthMs; }
    // The index of a recording; -1 when it is not part of the trip.
    int IndexOf(const QString &fileName) const;

    // The engine knows a recording's length better than its drive data does; false when the
    // recording is not part of the trip or the length is not positive.
    bool SetClipLength(const QString &fileName, qint64 lengthMs);

    // The trip's time of a moment of one of its recordings (clamped to the recording and the
    // trip); none when the recording is not part of it.
    std::optional<qint64> TripPosition(const QString &fileName, qint64 msInClip) const;

    // The recording and time for a point of the trip. Where recordings overlap, `current` is kept
    // when it covers the point, else a normal recording goes before an event one before a
    // parking one. A point in a gap goes to the start of the recording after it; the end of the
    // trip to the last second of the recording that ends last. None for an empty timeline.
    std::optional<TimelineTarget> TargetAt(qint64 tripMs, const QString &current = {}) const;

    // The shocks of all recordings on the trip's time, in order.
    std::vector<qint64> ShockPositions() const;

private:
    void updateLength();

    std::vector<TimelineClip> m_clips;
    qint64 m_lengthMs = 0;
};

// The title while the trip timeline is shown: the recording's title, then its place in the trip,
// e.g. "20250523_081207(3/25) - trip 2/4". Only the recording's title for a trip of one.
QString TripTitleText(const QString &recordingTitle, int clipNumber, int clipCount);

// A trip time from a point of a track `width` pixels wide (clamped to it) and back.
qint64 TimelineMsAtX(int x, int width, qint64 lengthMs);
int TimelineXAtMs(qint64 ms, int width, qint64 lengthMs);

#include "TripTimeline.h"

#include "Shocks.h"

#include <algorithm>

CTripTimeline::CTripTimeline(const std::vector<TripClip> &clips)
{
    QDateTime first;
    for (const TripClip &clip : clips) {
        if (clip.start.isValid() && (!first.isValid() || clip.start < first))
            first = clip.start;
    }
    for (size_t i = 0; i < clips.size(); ++i) {
        const TripClip &clip = clips[i];
        // A recording without a date has no place among others: alone it starts the trip.
        if (!clip.start.isValid() && clips.size() > 1)
            continue;
        TimelineClip out;
        out.fileName = clip.fileName;
        out.kind = clip.kind;
        out.startMs = clip.start.isValid() ? first.msecsTo(clip.start) : 0;
        out.sensorReadings = clip.sensorReadings;
        out.shockReadings = clip.shockReadings;
        if (clip.Seconds() > 0) {
            out.lengthMs = clip.Seconds() * 1000;
            out.lengthKnown = true;
        }
        m_clips.push_back(std::move(out));
    }
    std::stable_sort(
        m_clips.begin(), m_clips.end(),
        [](const TimelineClip &a, const TimelineClip &b) { return a.startMs < b.startMs; });
    // Unknown lengths: up to the next recording's start, within reason; the last one a minute.
    for (size_t i = 0; i < m_clips.size(); ++i) {
        TimelineClip &clip = m_clips[i];
        if (clip.lengthKnown)
            continue;
        clip.lengthMs = kUnknownLastClipMs;
        for (size_t j = i + 1; j < m_clips.size(); ++j) {
            if (m_clips[j].startMs > clip.startMs) {
                clip.lengthMs =
                    std::min(m_clips[j].startMs - clip.startMs, kUnknownClipMaxSeconds * 1000);
                break;
            }
        }
    }
    updateLength();
}

void CTripTimeline::updateLength()
{
    m_lengthMs = 0;
    for (const TimelineClip &clip : m_clips)
        m_lengthMs = std::max(m_lengthMs, clip.EndMs());
}

int CTripTimeline::IndexOf(const QString &fileName) const
{
    for (size_t i = 0; i < m_clips.size(); ++i) {
        if (m_clips[i].fileName == fileName)
            return int(i);
    }
    return -1;
}

bool CTripTimeline::SetClipLength(const QString &fileName, qint64 lengthMs)
{
    const int index = IndexOf(fileName);
    if (index < 0 || lengthMs <= 0)
        return false;
    m_clips[size_t(index)].lengthMs = lengthMs;
    m_clips[size_t(index)].lengthKnown = true;
    updateLength();
    return true;
}

std::optional<qint64> CTripTimeline::TripPosition(const QString &fileName, qint64 msInClip) const
{
    const int index = IndexOf(fileName);
    if (index < 0)
        return std::nullopt;
    const TimelineClip &clip = m_clips[size_t(index)];
    return std::clamp(clip.startMs + std::clamp<qint64>(msInClip, 0, clip.lengthMs), qint64(0),
                      m_lengthMs);
}

std::optional<TimelineTarget> CTripTimeline::TargetAt(qint64 tripMs, const QString &current) const
{
    if (m_clips.empty())
        return std::nullopt;
    const qint64 t = std::clamp<qint64>(tripMs, 0, m_lengthMs);
    int best = -1;
    for (size_t i = 0; i < m_clips.size(); ++i) {
        const TimelineClip &clip = m_clips[i];
        if (t < clip.startMs || t >= clip.EndMs())
            continue;
        if (clip.fileName == current) {
            best = int(i);
            break;
        }
        // Clips are in start order: the first of a kind is the earlier-starting one.
        if (best < 0 || int(clip.kind) < int(m_clips[size_t(best)].kind))
            best = int(i);
    }
    if (best >= 0) {
        const TimelineClip &clip = m_clips[size_t(best)];
        return TimelineTarget{best, clip.fileName, t - clip.startMs};
    }
    for (size_t i = 0; i < m_clips.size(); ++i) {
        if (m_clips[i].startMs > t) // in a gap: the recording after it, from its start
            return TimelineTarget{int(i), m_clips[i].fileName, 0};
    }
    // The trip's end: the last second of the recording that ends last.
    int last = 0;
    for (size_t i = 1; i < m_clips.size(); ++i) {
        if (m_clips[i].EndMs() >= m_clips[size_t(last)].EndMs())
            last = int(i);
    }
    const TimelineClip &clip = m_clips[size_t(last)];
    return TimelineTarget{last, clip.fileName, std::max<qint64>(0, clip.lengthMs - 1000)};
}

std::vector<qint64> CTripTimeline::ShockPositions() const
{
    std::vector<qint64> positions;
    for (const TimelineClip &clip : m_clips) {
        for (const int reading : clip.shockReadings)
            positions.push_back(clip.startMs +
                                ShockTimeMs(reading, clip.sensorReadings, int(clip.lengthMs)));
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

QString TripTitleText(const QString &recordingTitle, int clipNumber, int clipCount)
{
    if (clipCount <= 1 || clipNumber < 1)
        return recordingTitle;
    return QStringLiteral("%1 - trip %2/%3").arg(recordingTitle).arg(clipNumber).arg(clipCount);
}

qint64 TimelineMsAtX(int x, int width, qint64 lengthMs)
{
    if (width <= 1 || lengthMs <= 0)
        return 0;
    const int clamped = std::clamp(x, 0, width - 1);
    return qint64(double(clamped) * double(lengthMs) / double(width - 1) + 0.5);
}

int TimelineXAtMs(qint64 ms, int width, qint64 lengthMs)
{
    if (width <= 1 || lengthMs <= 0)
        return 0;
    const qint64 clamped = std::clamp<qint64>(ms, 0, lengthMs);
    return int(double(clamped) * double(width - 1) / double(lengthMs) + 0.5);
}

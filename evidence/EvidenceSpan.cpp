#include "EvidenceSpan.h"

#include "Trip.h"

#include <algorithm>
#include <optional>

namespace {

int KindRank(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Normal:
        return 0;
    case RecordingKind::Event:
        return 1;
    case RecordingKind::Parking:
        return 2;
    }
    return 3;
}

// Whether clip a is taken before clip b for a second both hold.
bool TakenBefore(const EvidenceClip &a, const EvidenceClip &b, const QString &preferred)
{
    const bool aPreferred = !preferred.isEmpty() && a.fileName == preferred;
    const bool bPreferred = !preferred.isEmpty() && b.fileName == preferred;
    if (aPreferred != bPreferred)
        return aPreferred;
    if (KindRank(a.kind) != KindRank(b.kind))
        return KindRank(a.kind) < KindRank(b.kind);
    if (a.start != b.start)
        return a.start < b.start;
    return a.fileName < b.fileName;
}

bool Holds(const EvidenceClip &clip, qint64 second)
{
    if (!clip.start.isValid())
        return false;
    const qint64 start = clip.start.toSecsSinceEpoch();
    return second >= start && second < start + clip.seconds;
}

} // namespace

EvidenceSpan PlanEvidenceSpan(const std::vector<EvidenceClip> &clips, const QDateTime &anchor,
                              const QDateTime &from, const QDateTime &to, const QString &preferred)
{
    EvidenceSpan span;
    if (!anchor.isValid() || !from.isValid() || !to.isValid()) {
        span.error = EvidenceSpanError::NoRecording;
        return span;
    }
    const qint64 at = anchor.toSecsSinceEpoch();
    qint64 first = from.toSecsSinceEpoch();
    qint64 last = to.toSecsSinceEpoch(); // exclusive
    if (last <= first) {
        span.error = EvidenceSpanError::Empty;
        return span;
    }
    if (last - first > kEvidenceMaxSeconds) {
        span.error = EvidenceSpanError::TooLong;
        return span;
    }
    if (std::none_of(clips.begin(), clips.end(),
                     [&](const EvidenceClip &c) { return Holds(c, at); })) {
        span.error = EvidenceSpanError::NoRecording;
        return span;
    }

    // The trip around the anchor: clips joined while the next starts at most the trip gap after
    // the latest end so far.
    std::vector<std::pair<qint64, qint64>> intervals;
    for (const EvidenceClip &clip : clips) {
        if (clip.start.isValid() && clip.seconds > 0)
            intervals.emplace_back(clip.start.toSecsSinceEpoch(),
                                   clip.start.toSecsSinceEpoch() + clip.seconds);
    }
    std::sort(intervals.begin(), intervals.end());
    qint64 tripStart = 0, tripEnd = 0;
    bool found = false;
    for (size_t k = 0; k < intervals.size() && !found;) {
        tripStart = intervals[k].first;
        tripEnd = intervals[k].second;
        size_t next = k + 1;
        while (next < intervals.size() && intervals[next].first - tripEnd <= kTripGapSeconds) {
            tripEnd = std::max(tripEnd, intervals[next].second);
            ++next;
        }
        found = at >= tripStart && at < tripEnd;
        k = next;
    }
    first = std::max(first, tripStart);
    last = std::min(last, tripEnd);
    if (last <= first) {
        span.error = EvidenceSpanError::Empty;
        return span;
    }
    span.start = QDateTime::fromSecsSinceEpoch(first, QTimeZone::utc());
    span.end = QDateTime::fromSecsSinceEpoch(last, QTimeZone::utc());

    for (qint64 second = first; second < last; ++second) {
        std::optional<int> chosen;
        for (int c = 0; c < int(clips.size()); ++c) {
            if (Holds(clips[size_t(c)], second) &&
                (!chosen || TakenBefore(clips[size_t(c)], clips[size_t(*chosen)], preferred)))
                chosen = c;
        }
        if (!chosen) {
            span.error = EvidenceSpanError::Gap;
            span.gapAt = QDateTime::fromSecsSinceEpoch(second, QTimeZone::utc());
            span.pieces.clear();
            return span;
        }
        const qint64 inClip = second - clips[size_t(*chosen)].start.toSecsSinceEpoch();
        if (!span.pieces.empty() && span.pieces.back().clip == *chosen &&
            span.pieces.back().to == inClip)
            ++span.pieces.back().to;
        else
            span.pieces.push_back(EvidencePiece{*chosen, inClip, inClip + 1});
    }
    return span;
}

EvidenceWindow EvidenceWindowAround(const QDateTime &moment, const std::optional<QDateTime> &in,
                                    const std::optional<QDateTime> &out)
{
    EvidenceWindow window;
    window.from = in ? *in : moment.addSecs(-kEvidenceDefaultBefore);
    window.to = out ? *out : std::max(moment, window.from).addSecs(kEvidenceDefaultAfter);
    window.anchor = moment;
    if (window.to > window.from)
        window.anchor = std::clamp(moment, window.from, window.to.addSecs(-1));
    return window;
}

QString EvidenceSpanErrorText(const EvidenceSpan &span)
{
    switch (span.error) {
    case EvidenceSpanError::None:
        return {};
    case EvidenceSpanError::NoRecording:
        return QStringLiteral("No recording holds the moment asked for.");
    case EvidenceSpanError::Gap:
        return QStringLiteral("The span crosses a gap in the recordings at %1.")
            .arg(span.gapAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    case EvidenceSpanError::TooLong:
        return QStringLiteral("The span is longer than %1 minutes.").arg(kEvidenceMaxSeconds / 60);
    case EvidenceSpanError::Empty:
        return QStringLiteral("The span holds no second of the recording.");
    }
    return {};
}

QString EvidenceStamp(const QDateTime &cameraTime)
{
    return cameraTime.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

QDateTime EvidenceTimeFromStamp(const QString &stamp)
{
    return ClipStartFromStem(stamp);
}

QString EvidenceFolderName(const QDateTime &spanStart)
{
    return QStringLiteral("Evidence ") + EvidenceStamp(spanStart);
}

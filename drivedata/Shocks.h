#pragma once

#include "DriveDataRecords.h"

#include <QList>

#include <optional>
#include <vector>

// Shocks in a clip's sensor readings.
//
// The rule: a knock shows as a sudden jump between two successive readings, much larger than the
// jitter of the ride. For each reading the jump is the length of the change of the three
// channels together since the reading before. The clip's jitter is the median jump. A reading
// starts a shock when its jump is at least kShockJitterFactor times the jitter and at least
// kShockMinJump raw units (so that a clip without any jitter does not turn every small change
// into a shock). Readings within one second after the start of a shock belong to it (a knock
// rings for a while).

constexpr double kShockJitterFactor = 8.0;
constexpr double kShockMinJump = 64.0;

// The readings (indexes into `samples`) at which shocks start. `readingsPerSecond` sets how long
// a shock rings; 10 when not known (0 or less).
std::vector<int> FindShocks(const std::vector<SensorSample> &samples, int readingsPerSecond);

// The play time of a reading: readings are spread evenly over the clip, reading 0 at its start.
int ShockTimeMs(int reading, int readingCount, int durationMs);

// Jumping between shocks starts this long before the knock, so that the moment before it shows.
constexpr int kShockLeadMs = 1000;

// Where "next shock" (forward) or "previous shock" goes from the play time `nowMs`: a shock's
// jump target is its time less the lead (not before 0). Next is the first target after now;
// previous the last target more than 1.5 s before now, so that pressing it again right after a
// jump goes on to the shock before. None when there is no such shock.
std::optional<int> AdjacentShockTarget(const QList<int> &shockTimesMs, int nowMs, bool forward);

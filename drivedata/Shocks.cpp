#include "Shocks.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kNextMarginMs = 250;
constexpr int kPreviousMarginMs = 1500;
} // namespace

std::vector<int> FindShocks(const std::vector<SensorSample> &samples, int readingsPerSecond)
{
    std::vector<int> shocks;
    if (samples.size() < 2)
        return shocks;
    if (readingsPerSecond <= 0)
        readingsPerSecond = 10;
    std::vector<double> jumps(samples.size(), 0.0);
    for (size_t i = 1; i < samples.size(); ++i) {
        const double d1 = double(samples[i].channel1) - double(samples[i - 1].channel1);
        const double d2 = double(samples[i].channel2) - double(samples[i - 1].channel2);
        const double d3 = double(samples[i].channel3) - double(samples[i - 1].channel3);
        jumps[i] = std::sqrt(d1 * d1 + d2 * d2 + d3 * d3);
    }
    std::vector<double> sorted(jumps.begin() + 1, jumps.end());
    const auto middle = sorted.begin() + std::ptrdiff_t(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    const double threshold = std::max(kShockJitterFactor * *middle, kShockMinJump);

    int ringsUntil = -1;
    for (size_t i = 1; i < jumps.size(); ++i) {
        if (int(i) <= ringsUntil || !(jumps[i] >= threshold))
            continue;
        shocks.push_back(int(i));
        ringsUntil = int(i) + readingsPerSecond;
    }
    return shocks;
}

int ShockTimeMs(int reading, int readingCount, int durationMs)
{
    if (readingCount <= 0 || durationMs <= 0)
        return 0;
    return int(double(reading) * double(durationMs) / double(readingCount));
}

std::optional<int> AdjacentShockTarget(const QList<int> &shockTimesMs, int nowMs, bool forward)
{
    // In 64 bits: a play time near either end of the int range has no margin room in 32.
    QList<int> targets;
    for (const int t : shockTimesMs)
        targets << int(std::max<qint64>(0, qint64(t) - kShockLeadMs));
    std::sort(targets.begin(), targets.end());
    if (forward) {
        for (const int t : targets) {
            if (t > qint64(nowMs) + kNextMarginMs)
                return t;
        }
        return std::nullopt;
    }
    for (auto it = targets.crbegin(); it != targets.crend(); ++it) {
        if (*it < qint64(nowMs) - kPreviousMarginMs)
            return *it;
    }
    return std::nullopt;
}

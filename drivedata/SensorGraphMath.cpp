#include "SensorGraphMath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(INT_MAX))
        return INT_MAX;
    if (value <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value); // truncates toward zero
}

} // namespace

int GraphCursorX(int width, qint64 timeMs, qint64 durationMs)
{
    if (durationMs <= 0)
        return 0;
    return TruncToInt(double(width) * (double(timeMs) / double(durationMs)));
}

int GraphTimeForX(int x, int width, qint64 durationMs)
{
    if (width <= 0)
        return 0;
    return TruncToInt(double(x) / double(width) * double(durationMs));
}

QRect GraphCursorRect(int cursorX, int height)
{
    return QRect(cursorX - kGraphCursorWidth / 2, 0, kGraphCursorWidth, std::max(0, height));
}

std::array<QList<QLine>, 3> SensorGraphLines(const std::vector<SensorSample> &samples, int scaleTop,
                                             int scaleBottom, int width, int height)
{
    std::array<QList<QLine>, 3> lines;
    if (samples.empty() || width <= 2 || height <= 0)
        return lines;
    const double r = double(samples.size()) / double(width);
    // With a scale of 0 every value clamps to 0 and stays on the centre line.
    const double s = scaleTop > 0 ? double(height) / (2.0 * double(scaleTop)) : 0.0;
    const int low = std::min(scaleBottom, scaleTop);
    const int high = std::max(scaleBottom, scaleTop);
    const int mid = height / 2;
    std::array<int, 3> previousY{mid, mid, mid};
    for (auto &channel : lines)
        channel.reserve(width - 2);
    for (int x = 2; x < width; ++x) {
        const size_t index = std::min(size_t(double(x) * r), samples.size() - 1);
        const SensorSample &sample = samples[index];
        const std::array<int, 3> values{sample.channel1, sample.channel2, sample.channel3};
        for (int c = 0; c < 3; ++c) {
            const int value = std::clamp(values[c], low, high);
            const int y = mid + TruncToInt(double(value) * s);
            lines[c].append(QLine(x - 1, previousY[c], x, y));
            previousY[c] = y;
        }
    }
    return lines;
}

int GraphXForReading(int reading, int count, int width)
{
    if (count <= 0 || width <= 0)
        return 0;
    // The smallest x with trunc(x * count / width) >= reading.
    return int(std::ceil(double(reading) * double(width) / double(count)));
}

#include "PictureSteps.h"

#include <algorithm>

int AdjustPosition(float value)
{
    // The difference is rounded to a float before the division: in double, 1.4 - 0.4 is a hair
    // under 1 and the position would come out one too low.
    const float difference = static_cast<float>(double(value) - 0.4);
    const int position = static_cast<int>(difference / 0.2);
    return std::clamp(position, 0, kAdjustMaxPosition);
}

float AdjustValue(int position)
{
    return static_cast<float>(0.4 + 0.2 * position);
}

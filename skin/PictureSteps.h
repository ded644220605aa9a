#pragma once

// Brightness and contrast as the adjustment dialog's sliders show them: seven steps 0-6 for
// the values 0.4, 0.6 ... 1.6 (1.0, step 3, leaves the picture as it is). Shared by the
// dialog and the playback commands that open it.

constexpr float kNeutralPicture = 1.0f;     // brightness and contrast without adjustment
constexpr float kNightVisionPicture = 1.4f; // both values while night vision is on
constexpr int kAdjustMaxPosition = 6;

// The adjustment dialog's slider position 0-6 for a brightness or contrast value:
// trunc((value - 0.4) / 0.2) with the difference rounded to a float first, so that 1.0 gives 3
// and 1.4 gives 5 rather than 2 and 4.
int AdjustPosition(float value);

// The value for a slider position: 0.4 + 0.2 x position.
float AdjustValue(int position);

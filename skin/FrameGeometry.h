#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

// Sizes of the skinned frame's pictures that decide the frame's geometry. A skin without
// pictures gives all zeros; the frame then keeps the system's sizes.
struct FrameImageSizes
{
    int topHeight = 0;    // height of the top edge (3004): the top bar
    int leftWidth = 0;    // width of the left edge (3007)
    int rightWidth = 0;   // width of the right edge (3008)
    int bottomHeight = 0; // height of the bottom edge (3009)
    int buttonWidth = 0;  // caption button: width of the close strip (3000) / 3
    int buttonHeight = 0; // caption button: height of the close strip

    static FrameImageSizes FromSkin();
};

// The system's caption and sizing-frame sizes, used where the skin has no picture.
constexpr int kSystemCaptionHeight = 23;
constexpr int kSystemFrameSize = 4;

// Caption buttons sit 10 pixels from the right and top edges of the window.
constexpr int kCaptionButtonMargin = 10;

enum class CaptionButton { None = -1, Close = 0, Maximise = 1, Minimise = 2 };

// The frame's non-client sizes: each side takes its picture's size, or the system size when
// the picture is missing.
QMargins FrameMargins(const FrameImageSizes &sizes);

// A caption button's rectangle in window coordinates for a window `windowWidth` wide: close
// at the right, maximise one button to its left, minimise two.
QRect CaptionButtonRect(CaptionButton button, int windowWidth, const FrameImageSizes &sizes);

// The caption button under a point in window coordinates (right and bottom edges outside).
CaptionButton CaptionButtonAt(QPoint point, int windowWidth, const FrameImageSizes &sizes);

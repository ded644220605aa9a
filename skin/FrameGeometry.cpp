#include "FrameGeometry.h"

#include "SkinImages.h"

FrameImageSizes FrameImageSizes::FromSkin()
{
    FrameImageSizes sizes;
    sizes.topHeight = CSkinImages::Height(3004);
    sizes.leftWidth = CSkinImages::Width(3007);
    sizes.rightWidth = CSkinImages::Width(3008);
    sizes.bottomHeight = CSkinImages::Height(3009);
    sizes.buttonWidth = StripFrameWidth(CSkinImages::Width(3000));
    sizes.buttonHeight = CSkinImages::Height(3000);
    return sizes;
}

QMargins FrameMargins(const FrameImageSizes &sizes)
{
    const auto pick = [](int image, int system) { return image != 0 ? image : system; };
    return QMargins(pick(sizes.leftWidth, kSystemFrameSize),
                    pick(sizes.topHeight, kSystemCaptionHeight + kSystemFrameSize),
                    pick(sizes.rightWidth, kSystemFrameSize),
                    pick(sizes.bottomHeight, kSystemFrameSize));
}

QRect CaptionButtonRect(CaptionButton button, int windowWidth, const FrameImageSizes &sizes)
{
    if (button == CaptionButton::None)
        return QRect();
    const int bw = sizes.buttonWidth;
    const int slot = static_cast<int>(button); // 0 close, 1 maximise, 2 minimise
    const int right = windowWidth - kCaptionButtonMargin - slot * bw;
    return QRect(right - bw, kCaptionButtonMargin, bw, sizes.buttonHeight);
}

CaptionButton CaptionButtonAt(QPoint point, int windowWidth, const FrameImageSizes &sizes)
{
    for (CaptionButton button :
         {CaptionButton::Close, CaptionButton::Maximise, CaptionButton::Minimise}) {
        if (CaptionButtonRect(button, windowWidth, sizes).contains(point))
            return button;
    }
    return CaptionButton::None;
}

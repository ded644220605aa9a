#include "FrameGeometry.h"

#include <gtest/gtest.h>

TEST(FrameGeometry, MarginsComeFromThePicturesOrTheSystem)
{
    FrameImageSizes sizes;
    sizes.topHeight = 32;
    sizes.leftWidth = 3;
    sizes.rightWidth = 5;
    sizes.bottomHeight = 7;
    EXPECT_EQ(FrameMargins(sizes), QMargins(3, 32, 5, 7));

    const QMargins system = FrameMargins(FrameImageSizes{});
    EXPECT_EQ(system, QMargins(kSystemFrameSize, kSystemCaptionHeight + kSystemFrameSize,
                               kSystemFrameSize, kSystemFrameSize));

    sizes.leftWidth = 0;
    EXPECT_EQ(FrameMargins(sizes).left(), kSystemFrameSize) << "each side on its own";
    EXPECT_EQ(FrameMargins(sizes).right(), 5);
}

TEST(FrameGeometry, CaptionButtonsSitRightToLeftFromTheCorner)
{
    FrameImageSizes sizes;
    sizes.buttonWidth = 20;
    sizes.buttonHeight = 18;
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Close, 800, sizes), QRect(770, 10, 20, 18));
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Maximise, 800, sizes), QRect(750, 10, 20, 18));
    EXPECT_EQ(CaptionButtonRect(CaptionButton::Minimise, 800, sizes), QRect(730, 10, 20, 18));

    EXPECT_EQ(CaptionButtonAt(QPoint(770, 10), 800, sizes), CaptionButton::Close);
    EXPECT_EQ(CaptionButtonAt(QPoint(789, 27), 800, sizes), CaptionButton::Close);
    EXPECT_EQ(CaptionButtonAt(QPoint(790, 10), 800, sizes), CaptionButton::None)
        << "the right edge is outside";
    EXPECT_EQ(CaptionButtonAt(QPoint(769, 10), 800, sizes), CaptionButton::Maximise);
    EXPECT_EQ(CaptionButtonAt(QPoint(735, 28), 800, sizes), CaptionButton::None);
    EXPECT_EQ(CaptionButtonAt(QPoint(5, 5), 800, sizes), CaptionButton::None);
}

TEST(FrameGeometry, WithoutPicturesNoCaptionButtonCanBeHit)
{
    for (int x = 700; x < 800; ++x)
        EXPECT_EQ(CaptionButtonAt(QPoint(x, 10), 800, FrameImageSizes{}), CaptionButton::None);
}

#include "PlaybackRules.h"

#include <gtest/gtest.h>

using Action = CRotationControl::Action;
using Actions = CRotationControl::Actions;

namespace {
const Action kOn{Action::RotateOn};
const Action kOff{Action::RotateOff};
const Action kApply{Action::ApplyPicture};
const Action kDefer{Action::StartTimer, CRotationControl::kDeferTimer, 300};
const Action kSettleAfterPress{Action::StartTimer, CRotationControl::kSettleTimer, 1000};
const Action kSettleAfterDefer{Action::StartTimer, CRotationControl::kSettleTimer, 1500};
} // namespace

TEST(Rotation, PressWithAClipPlayingOrPausedTurnsAndClosesForASecond)
{
    CRotationControl rotation;
    EXPECT_EQ(rotation.Press(true), (Actions{kOn, kSettleAfterPress}));
    EXPECT_TRUE(rotation.Rotated());
    EXPECT_FALSE(rotation.Ready());

    EXPECT_TRUE(rotation.Press(true).empty()); // ignored until timer 2
    EXPECT_TRUE(rotation.Rotated());

    EXPECT_EQ(rotation.SettleTimerFired(), (Actions{kApply}));
    EXPECT_TRUE(rotation.Ready());
    EXPECT_EQ(rotation.Press(true), (Actions{kOff, kSettleAfterPress}));
    EXPECT_FALSE(rotation.Rotated());
}

TEST(Rotation, ThreePressesWithoutAClipGiveOneDeferredTurn)
{
    CRotationControl rotation;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(rotation.Press(false).empty());
    EXPECT_EQ(rotation.PendingPresses(), 3);
    EXPECT_FALSE(rotation.Rotated());

    EXPECT_EQ(rotation.Resumed(), (Actions{kDefer}));
    EXPECT_EQ(rotation.DeferTimerFired(), (Actions{kOn, kSettleAfterDefer}));
    EXPECT_TRUE(rotation.Rotated());
    EXPECT_EQ(rotation.PendingPresses(), 0);

    // Presses in the next 1.5 s are ignored.
    EXPECT_TRUE(rotation.Press(true).empty());
    EXPECT_TRUE(rotation.Rotated());
    EXPECT_EQ(rotation.SettleTimerFired(), (Actions{kApply}));
    EXPECT_EQ(rotation.Press(true), (Actions{kOff, kSettleAfterPress}));

    // Resuming again with nothing pending does nothing.
    rotation.SettleTimerFired();
    EXPECT_TRUE(rotation.Resumed().empty());
}

TEST(Rotation, EvenPressCountStaysCountedUntilItTurnsOdd)
{
    CRotationControl rotation;
    rotation.Press(false);
    rotation.Press(false);
    EXPECT_TRUE(rotation.Resumed().empty());
    EXPECT_EQ(rotation.PendingPresses(), 2);
    EXPECT_FALSE(rotation.Rotated());

    // Still no clip: one more press makes the count odd and the next resume turns the picture.
    rotation.Press(false);
    EXPECT_EQ(rotation.Resumed(), (Actions{kDefer}));
    EXPECT_EQ(rotation.DeferTimerFired(), (Actions{kOn, kSettleAfterDefer}));
}

TEST(Rotation, PressesWithoutAClipCountEvenWhileClosed)
{
    CRotationControl rotation;
    rotation.Press(true); // closed for 1 s
    rotation.Press(false);
    EXPECT_EQ(rotation.PendingPresses(), 1);
    EXPECT_EQ(rotation.Resumed(), (Actions{kDefer}));
    EXPECT_EQ(rotation.DeferTimerFired(), (Actions{kOff, kSettleAfterDefer}));
    EXPECT_FALSE(rotation.Rotated());
}

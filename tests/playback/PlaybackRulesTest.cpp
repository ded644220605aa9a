#include "PlaybackRules.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdio>

#include <clocale>

TEST(TimeReadout, MinutesAndSecondsDigits)
{
    EXPECT_EQ(TimeToDigits(0), (TimeDigits{0, 0, 0, 0}));
    EXPECT_EQ(TimeToDigits(59'999), (TimeDigits{0, 0, 5, 9}));
    EXPECT_EQ(TimeToDigits(60'000), (TimeDigits{0, 1, 0, 0}));
    EXPECT_EQ(TimeToDigits(754'321), (TimeDigits{1, 2, 3, 4}));
    EXPECT_EQ(TimeToDigits((10 * 60 + 5) * 1000), (TimeDigits{1, 0, 0, 5}));
    EXPECT_EQ(TimeToDigits(99 * 60'000 + 59'999), (TimeDigits{9, 9, 5, 9}));
}

TEST(TimeReadout, UnshowableTimesKeepEveryDigitInRange)
{
    // An unknown length (-1) shows 00:00; 100 minutes and more stop at 99:59.
    EXPECT_EQ(TimeToDigits(-1), (TimeDigits{0, 0, 0, 0}));
    EXPECT_EQ(TimeToDigits(-754'321), (TimeDigits{0, 0, 0, 0}));
    EXPECT_EQ(TimeToDigits(100 * 60'000), (TimeDigits{9, 9, 5, 9}));
    EXPECT_EQ(TimeToDigits(qint64(1) << 40), (TimeDigits{9, 9, 5, 9}));
    for (qint64 t : {qint64(-5), qint64(6'000'000), qint64(123'456'789), qint64(INT32_MAX)}) {
        for (int d : TimeToDigits(t)) {
            EXPECT_GE(d, 0) << t;
            EXPECT_LE(d, 9) << t;
        }
    }
}

TEST(VideoSize, ClassFromThePixelSize)
{
    EXPECT_EQ(VideoClassOf(1920, 1080), kVideoClassFullHd);
    EXPECT_EQ(VideoClassOf(1280, 720), kVideoClassHd);
    EXPECT_EQ(VideoClassOf(720, 480), kVideoClassOther);
    EXPECT_EQ(VideoClassOf(1080, 1920), kVideoClassOther);
    EXPECT_EQ(VideoClassOf(0, 0), kVideoClassOther);
}

TEST(SpeedReadout, UnitConversionAndText)
{
    EXPECT_EQ(KmhToMph(100), 62);
    EXPECT_EQ(KmhToMph(1), 0);
    EXPECT_EQ(KmhToMph(0), 0);
    EXPECT_EQ(SpeedForUnit(100, true), 100);
    EXPECT_EQ(SpeedForUnit(100, false), 62);
    EXPECT_EQ(SpeedText(62), "62");
    EXPECT_EQ(SpeedText(0), "0");
}

TEST(SpeedReadout, MapKeepsTheLastFix)
{
    CLastFix fix;
    EXPECT_EQ(fix.LongitudeText(), "-77.036519");
    EXPECT_EQ(fix.LatitudeText(), "38.897596");

    fix.Update(false, 127.0, 37.5); // no fix: start position stays
    EXPECT_EQ(fix.LongitudeText(), "-77.036519");

    fix.Update(true, 127.0276, 37.4979);
    EXPECT_EQ(fix.LongitudeText(), "127.027600");
    EXPECT_EQ(fix.LatitudeText(), "37.497900");

    fix.Update(false, 0, 0);
    fix.Update(true, std::nan(""), 37.0);
    EXPECT_DOUBLE_EQ(fix.Longitude(), 127.0276);
    EXPECT_DOUBLE_EQ(fix.Latitude(), 37.4979);
}

TEST(SpeedReadout, MapTextsIgnoreTheUsersLocale)
{
    // The user's language as Qt knows it and as the C library knows it (scripts/deps installs
    // de_DE.UTF-8): neither gives the map a decimal comma.
    const QLocale savedQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr)
        << "the locale de_DE.UTF-8 is missing (scripts/deps generates it)";
    char comma[16];
    std::snprintf(comma, sizeof comma, "%.1f", 1.5);
    CLastFix fix;
    const QString latitude = fix.LatitudeText();
    const QString longitude = fix.LongitudeText();
    std::setlocale(LC_NUMERIC, saved.c_str());
    QLocale::setDefault(savedQt);
    ASSERT_STREQ(comma, "1,5") << "the C library formats with a decimal comma here";
    EXPECT_EQ(latitude, "38.897596");
    EXPECT_EQ(longitude, "-77.036519");
}

TEST(PlaySpeed, TableAndLabels)
{
    const float rates[] = {0.4f, 0.6f, 0.8f, 1.0f, 2.0f};
    for (int item = 1; item <= 5; ++item) {
        const auto speed = PlaySpeedForItem(item);
        ASSERT_TRUE(speed) << item;
        EXPECT_EQ(speed->rate, rates[item - 1]);
        EXPECT_EQ(speed->imageId, 3138 + item);
    }
    EXPECT_FALSE(PlaySpeedForItem(0));
    EXPECT_FALSE(PlaySpeedForItem(6));
    EXPECT_FALSE(PlaySpeedForItem(-1));
    EXPECT_EQ(PlaySpeedLabel(1), "0.4x");
    EXPECT_EQ(PlaySpeedLabel(4), "1.0x");
    EXPECT_EQ(PlaySpeedLabel(5), "2.0x");
    EXPECT_EQ(PlaySpeedLabel(0), "");
}

TEST(Sound, SpeedChoiceSilencesAndRestores)
{
    CSoundSettings sound;
    const SoundView silent{0, false, false};
    EXPECT_EQ(sound.ForRate(PlaySpeedForItem(5)->rate), silent);
    EXPECT_EQ(sound.ForRate(PlaySpeedForItem(1)->rate), silent);
    EXPECT_EQ(sound.ForRate(PlaySpeedForItem(4)->rate), (SoundView{50, true, true}));

    // Back at 1.0 the volume returns even after the user had switched sound off, and the
    // speed choice itself leaves soundOn as it was: the next clip opens silent again.
    sound.SetVolume(70);
    sound.TurnOff();
    EXPECT_EQ(sound.ForRate(PlaySpeedForItem(5)->rate), silent);
    EXPECT_EQ(sound.ForRate(PlaySpeedForItem(4)->rate), (SoundView{70, true, true}));
    EXPECT_FALSE(sound.SoundOn());
}

TEST(Sound, ChoiceFromThePlaySpeedList)
{
    CSoundSettings sound;
    EXPECT_FALSE(ChooseSpeed(104, 3, 1.0f, sound)); // another list: nothing at all

    const auto slow = ChooseSpeed(kPlaySpeedListId, 3, 1.0f, sound);
    ASSERT_TRUE(slow);
    EXPECT_EQ(slow->playRate, 0.8f);
    EXPECT_EQ(slow->imageId, 3141);
    EXPECT_EQ(slow->sound, (SoundView{0, false, false}));

    // Clicked without a row: the rate and image stay, the rate's sound rule applies again.
    const auto none = ChooseSpeed(kPlaySpeedListId, 0, 2.0f, sound);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->playRate, 2.0f);
    EXPECT_FALSE(none->imageId);
    EXPECT_EQ(none->sound, (SoundView{0, false, false}));

    const auto normal = ChooseSpeed(kPlaySpeedListId, 4, 2.0f, sound);
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->playRate, 1.0f);
    EXPECT_EQ(normal->imageId, 3142);
    EXPECT_EQ(normal->sound, (SoundView{50, true, true}));
}

TEST(Sound, OnOffAndVolumeSteps)
{
    CSoundSettings sound;
    EXPECT_TRUE(sound.SoundOn());
    EXPECT_EQ(sound.Volume(), 50);

    sound.SetVolume(97);
    EXPECT_EQ(sound.VolumeUp(), 100);
    EXPECT_EQ(sound.VolumeUp(), 100);
    sound.SetVolume(3);
    EXPECT_EQ(sound.VolumeDown(), 0);
    EXPECT_EQ(sound.VolumeDown(), 0);

    sound.SetVolume(40);
    EXPECT_EQ(sound.TurnOff(), (SoundView{0, false, false}));
    EXPECT_FALSE(sound.VolumeUp());
    EXPECT_FALSE(sound.VolumeDown());
    EXPECT_EQ(sound.Volume(), 40);
    EXPECT_EQ(sound.Toggle(), (SoundView{40, true, true}));
    EXPECT_TRUE(sound.SoundOn());

    EXPECT_EQ(sound.SetVolume(150), 100);
    EXPECT_EQ(sound.SetVolume(-3), 0);

    const CSoundSettings kept(false, 130);
    EXPECT_FALSE(kept.SoundOn());
    EXPECT_EQ(kept.Volume(), 100);
}

TEST(Stepping, TenSecondsClampedToTheClip)
{
    EXPECT_EQ(StepTarget(30'000, 58'000, kStepSeconds), 40'000);
    EXPECT_EQ(StepTarget(55'000, 58'000, kStepSeconds), 58'000);
    EXPECT_EQ(StepTarget(4'000, 58'000, -kStepSeconds), 0);
    EXPECT_EQ(StepTarget(30'000, 58'000, -kStepSeconds), 20'000);
    // Length not known yet: a step forward must not jump back to the start.
    EXPECT_EQ(StepTarget(30'000, 0, kStepSeconds), 40'000);
    EXPECT_EQ(StepTarget(30'000, -1, kStepSeconds), 40'000);
    EXPECT_EQ(StepTarget(4'000, -1, -kStepSeconds), 0);

    EXPECT_FALSE(StepAllowed(true, false));
    EXPECT_FALSE(StepAllowed(false, true));
    EXPECT_TRUE(StepAllowed(true, true));
}

TEST(Navigation, PreviousRecording)
{
    EXPECT_EQ(PreviousIndex(5, 3, true), 2);
    EXPECT_EQ(PreviousIndex(5, 3, false), 2);
    EXPECT_EQ(PreviousIndex(5, 0, false), 0); // first row while paused: from the start
    EXPECT_FALSE(PreviousIndex(5, 0, true));  // first row while playing: nothing
    EXPECT_FALSE(PreviousIndex(0, 0, false));
    EXPECT_EQ(PreviousIndex(5, 5, false), 4); // after the last clip ended
    EXPECT_EQ(PreviousIndex(2, 9, true), 1);  // a stale index never points past the list
}

TEST(Navigation, NextRecording)
{
    EXPECT_EQ(NextIndex(5, 0), 1);
    EXPECT_EQ(NextIndex(5, 4), 5); // past the last row: the player stops
    EXPECT_EQ(NextIndex(5, 5), 5);
    EXPECT_EQ(NextIndex(5, 9), 5);
    EXPECT_FALSE(NextIndex(0, 0));
}

TEST(Navigation, PlayAfterTheLastRowEndedOpensItAgain)
{
    EXPECT_EQ(ReplayIndex(5, 5, false), 4); // never the first row
    EXPECT_EQ(ReplayIndex(1, 1, false), 0);
    EXPECT_FALSE(ReplayIndex(5, 5, true));  // something is open: PLAY acts on it
    EXPECT_FALSE(ReplayIndex(5, 4, false)); // a row that failed to open stays current
    EXPECT_FALSE(ReplayIndex(0, 0, false));
}

TEST(Picture, PositionsSurviveFloatRounding)
{
    for (int position = 0; position <= kAdjustMaxPosition; ++position)
        EXPECT_EQ(AdjustPosition(AdjustValue(position)), position) << position;
    EXPECT_EQ(AdjustPosition(1.0f), 3);
    EXPECT_EQ(AdjustPosition(1.4f), 5);
    EXPECT_EQ(AdjustPosition(1.6f), 6);
    EXPECT_EQ(AdjustPosition(float(0.4 + 0.2 * 5)), 5);
    EXPECT_EQ(AdjustPosition(0.4f + 0.2f * 5), 5);
    EXPECT_FLOAT_EQ(AdjustValue(3), 1.0f);
    EXPECT_FLOAT_EQ(AdjustValue(5), 1.4f);
    // Values off the slider's scale still give a slider position.
    EXPECT_EQ(AdjustPosition(0.0f), 0);
    EXPECT_EQ(AdjustPosition(5.0f), kAdjustMaxPosition);
}

TEST(Picture, NightVisionAfterTheAdjustmentDialog)
{
    const float night = kNightVisionPicture;
    EXPECT_FALSE(NightVisionAfterAdjust(true, 1, AdjustValue(6), night)); // brightness to 1.6
    EXPECT_FALSE(NightVisionAfterAdjust(true, 1, night, AdjustValue(3)));
    EXPECT_TRUE(NightVisionAfterAdjust(true, 1, AdjustValue(5), AdjustValue(5)));
    EXPECT_TRUE(NightVisionAfterAdjust(true, 2, AdjustValue(6), night)); // cancelled
    EXPECT_FALSE(NightVisionAfterAdjust(false, 1, night, night));        // never switches on
}

TEST(Capture, FileNamesAndFolder)
{
    const QString stem = "20110523_142233";
    EXPECT_EQ(CaptureFileName(stem, 754'321), "20110523_142233_754.3.png");
    EXPECT_EQ(CaptureFileName(stem, 5'000), "20110523_142233_5.0.png");
    EXPECT_EQ(CaptureFileName(stem, 400), "20110523_142233_0.4.png");
    EXPECT_EQ(CaptureFileName(stem, 12'345), "20110523_142233_12.3.png");
    EXPECT_EQ(CaptureFileName(stem, 123'456), "20110523_142233_123.5.png");
    EXPECT_EQ(CaptureFileName(stem, -1), "20110523_142233_0.0.png");

    EXPECT_EQ(CaptureFolder("/home/kim/Desktop"), "/home/kim/Desktop/HD-VANTORA/Capture/");
    EXPECT_EQ(CaptureFolder("/home/kim/Desktop/"), "/home/kim/Desktop/HD-VANTORA/Capture/");
}

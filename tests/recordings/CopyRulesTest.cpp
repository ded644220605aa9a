#include "CopyRules.h"
#include "FileNameBytes.h"

#include <gtest/gtest.h>

TEST(CopyRules, QuestionsNameTheStemForOneRowAndTheCountForSeveral)
{
    EXPECT_EQ(CopyQuestionText(1, QStringLiteral("20110523_142233")),
              QStringLiteral("Do you want to copy\n20110523_142233 file? It will be saved \nin "
                             "HD-VANTORA folder at Desktop"));
    EXPECT_EQ(CopyQuestionText(12, QStringLiteral("ignored")),
              QStringLiteral("Do you want to copy 12 files? \nIt will be saved in HD-VANTORA "
                             "\nfolder at Desktop"));
    EXPECT_EQ(DeleteQuestionText(1, QStringLiteral("20110523_142233")),
              QStringLiteral("Do you want to delete\n20110523_142233 file?"));
    EXPECT_EQ(DeleteQuestionText(2, QString()), QStringLiteral("Do you want to delete 2 files?"));
    // A stem holding a format sequence is shown as it is.
    EXPECT_EQ(DeleteQuestionText(1, QStringLiteral("a%d%s")),
              QStringLiteral("Do you want to delete\na%d%s file?"));
    EXPECT_EQ(NotCopiedText(3), QStringLiteral("3 files could not be copied."));
    EXPECT_TRUE(NotDeletedText(1).startsWith(QStringLiteral("1 files could not be deleted.")));
}

TEST(CopyRules, DialogLayoutFollowsThePictureSizes)
{
    const CopyDialogLayout layout =
        MakeCopyDialogLayout(QSize(80, 80), QSize(196, 13 * 80 + 12), QSize(70, 60));
    EXPECT_EQ(layout.frameHeight, 80); // the strip's height divided by 13, truncated
    EXPECT_EQ(layout.source, QRect(25, 35, 80, 80));
    EXPECT_EQ(layout.animation, QRect(105, 35, 196, 80));
    EXPECT_EQ(layout.target, QRect(301, 34, 70, 61));
    EXPECT_EQ(layout.progress, QRect(25, 115, 346, 10));
    EXPECT_EQ(layout.hintSaved, QRect(30, 130, 330, 15));
    EXPECT_EQ(layout.hintEsc, QRect(30, 150, 330, 15));
    // Without pictures everything collapses to the left margin and nothing divides by zero.
    const CopyDialogLayout empty = MakeCopyDialogLayout(QSize(0, 0), QSize(0, 0), QSize(0, 0));
    EXPECT_EQ(empty.frameHeight, 0);
    EXPECT_EQ(empty.progress, QRect(25, 35, 0, 10));
}

TEST(CopyRules, AnimationRunsThroughFourteenStepsAndHoldsTheLastFrame)
{
    int frame = 0;
    QList<int> seen;
    for (int tick = 0; tick < 15; ++tick) {
        frame = NextAnimationFrame(frame);
        seen << frame;
    }
    EXPECT_EQ(seen, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0, 1}));
    EXPECT_EQ(AnimationSourceRect(0, 196, 80), QRect(0, 0, 196, 80));
    EXPECT_EQ(AnimationSourceRect(12, 196, 80), QRect(0, 960, 196, 80));
    // Step 13 would lie below the strip.
    EXPECT_EQ(AnimationSourceRect(13, 196, 80), AnimationSourceRect(12, 196, 80));
}

TEST(CopyRules, ProgressMovesWithinAClipAndCountsItWholeOnlyWhenDone)
{
    // Two clips: half of the first one copied.
    EXPECT_EQ(CopyProgressPosition(0, 2, 500, 1000, true), 50);
    // All of its bytes copied but the clip not yet finished (flushed and renamed).
    EXPECT_EQ(CopyProgressPosition(0, 2, 1000, 1000, true), 99);
    EXPECT_EQ(CopyProgressPosition(1, 2, 0, 1000, true), 100);
    EXPECT_EQ(CopyProgressPosition(1, 2, 250, 1000, true), 125);
    EXPECT_EQ(CopyProgressPosition(2, 2, 0, 0, false), 200);
    // A drive-data file does not move the bar; nothing queued stays at 0.
    EXPECT_EQ(CopyProgressPosition(1, 2, 500, 1000, false), 100);
    EXPECT_EQ(CopyProgressPosition(0, 0, 0, 0, false), 0);
    // More bytes than the size (a clip still growing) and more done than queued stay in range.
    EXPECT_EQ(CopyProgressPosition(0, 1, 5000, 1000, true), 99);
    EXPECT_EQ(CopyProgressPosition(3, 2, 0, 0, false), 200);
}

TEST(CopyRules, DeletePlanFollowsTheRowsAboveTheCurrentOne)
{
    // Rows 1 and 3 of six go while row 4 is current.
    DeletePlan plan = PlanDelete({1, 3}, 4, 6);
    EXPECT_EQ(plan.removals, QList<int>({1, 2}));
    EXPECT_EQ(plan.currentIndex, 2);
    EXPECT_FALSE(plan.currentDeleted);
    EXPECT_EQ(plan.rowsAfter, 4);

    // The current row itself: the row that followed takes its index.
    plan = PlanDelete({2}, 2, 6);
    EXPECT_TRUE(plan.currentDeleted);
    EXPECT_EQ(plan.currentIndex, 2);

    // The current last row: the index names no row any more.
    plan = PlanDelete({3, 5}, 5, 6);
    EXPECT_TRUE(plan.currentDeleted);
    EXPECT_EQ(plan.removals, QList<int>({3, 4}));
    EXPECT_EQ(plan.currentIndex, 4);
    EXPECT_EQ(plan.rowsAfter, 4);

    // Rows below the current one do not move it; every row gone leaves index 0 of none.
    EXPECT_EQ(PlanDelete({4, 5}, 1, 6).currentIndex, 1);
    plan = PlanDelete({0, 1, 2}, 1, 3);
    EXPECT_EQ(plan.removals, QList<int>({0, 0, 0}));
    EXPECT_EQ(plan.currentIndex, 0);
    EXPECT_EQ(plan.rowsAfter, 0);
}

TEST(FileNameBytes, NamesThatAreNotUtf8KeepEveryByte)
{
    const QByteArray odd("rec_20110523_1422\xff"
                         "3.avi");
    const QString name = DecodeFileName(odd);
    EXPECT_TRUE(name.startsWith(QStringLiteral("rec_20110523_1422")));
    EXPECT_TRUE(name.endsWith(QStringLiteral("3.avi")));
    EXPECT_EQ(name.size(), odd.size());
    EXPECT_EQ(EncodeFileName(name), odd);

    // Valid UTF-8 reads as usual, Hangul and characters beyond the basic plane included (the
    // second half of U+10080 looks like an escaped byte but belongs to its pair).
    const QString valid =
        QStringLiteral("evt_바탕_") + QString::fromUcs4(U"\U00010080") + QStringLiteral(".avi");
    EXPECT_EQ(DecodeFileName(valid.toUtf8()), valid);
    EXPECT_EQ(EncodeFileName(valid), valid.toUtf8());

    // Bytes that only look like UTF-8: a cut sequence, an overlong form, an encoded surrogate,
    // a stray continuation byte. Each comes back exactly.
    for (const QByteArray &bytes :
         {QByteArray("a\xe2\x82"), QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80x"),
          QByteArray("\x80\xbf"), QByteArray("\xf4\x90\x80\x80")}) {
        const QString decoded = DecodeFileName(bytes);
        EXPECT_FALSE(decoded.contains(QChar::ReplacementCharacter)) << bytes.toHex().constData();
        EXPECT_EQ(EncodeFileName(decoded), bytes) << bytes.toHex().constData();
    }
}

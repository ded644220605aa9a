#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// The arithmetic of copy, event export and delete, without widgets or files.

// String ids of the commands' messages.
namespace copymsg {
constexpr int kHintSaved = 140;       // first hint line of the copy dialog
constexpr int kHintEsc = 141;         // second hint line
constexpr int kNothingToDelete = 203; // notice
constexpr int kDeleteOne = 204;       // question, %s the stem
constexpr int kDeleteMany = 205;      // question, %d the count
constexpr int kNothingToCopy = 206;   // notice
constexpr int kCopyMany = 207;        // question, %d the count
constexpr int kCopyOne = 208;         // question, %s the stem
constexpr int kNoEventFiles = 209;    // notice
// The notices after a copy or deletion that did not fully succeed are texts of their own, not
// in the string table; they go to the message box under this id.
constexpr int kOwnText = 0;
} // namespace copymsg

// The question before copying `count` selected rows: 208 with the stem for one, 207 with the
// count for several.
QString CopyQuestionText(int count, const QString &stem);

// The question before deleting: 204 with the stem for one row, 205 with the count for several.
QString DeleteQuestionText(int count, const QString &stem);

// The notices after a copy or deletion that did not fully succeed.
QString NotCopiedText(int count);
QString NotDeletedText(int count);

// Where the copy dialog's pieces go in its client area, from the sizes of the source picture
// (3301), the animation strip (3302, 13 frames one under the other) and the target picture
// (3300).
struct CopyDialogLayout
{
    static constexpr int kFrames = 13;
    QRect source;
    QRect animation;
    QRect target;
    QRect progress;
    QRect hintSaved;
    QRect hintEsc;
    int frameHeight = 0;
};
CopyDialogLayout MakeCopyDialogLayout(QSize sourcePicture, QSize strip, QSize targetPicture);

// The animation step after `frame` (0-13, back to 0 after 13).
int NextAnimationFrame(int frame);

// The part of the strip shown at animation step `frame`. Step 13 would lie below the strip's
// last frame; it holds the last frame instead of showing nothing.
QRect AnimationSourceRect(int frame, int stripWidth, int frameHeight);

// The progress bar counts clips (files whose extension is ".avi" exactly) in steps of
// kProgressSteps, so that the bar also moves while one long clip is copied.
constexpr int kProgressSteps = 100;

// The bar's position: clips done, plus the copied share of the clip under way.
int CopyProgressPosition(int videosDone, int videoCount, qint64 currentBytes, qint64 currentSize,
                         bool currentIsVideo);

// What deleting the selected rows does to the list and the current row.
struct DeletePlan
{
    QList<int> removals;         // the row index to remove, one after the other
    int currentIndex = 0;        // the current row afterwards (may equal the new row count)
    bool currentDeleted = false; // the current row was among the selected ones
    int rowsAfter = 0;
};
// `selected` in ascending order; `rowCount` rows before the deletion.
DeletePlan PlanDelete(const QList<int> &selected, int currentIndex, int rowCount);

#include "CopyRules.h"

#include "StringTable.h"

#include <algorithm>

namespace {

// The string with its first `placeholder` replaced by `value` (the texts hold at most one).
QString fill(int stringId, QLatin1String placeholder, const QString &value)
{
    QString text = LoadResString(stringId);
    const qsizetype at = text.indexOf(placeholder);
    if (at >= 0)
        text.replace(at, placeholder.size(), value);
    return text;
}

} // namespace

QString CopyQuestionText(int count, const QString &stem)
{
    if (count == 1)
        return fill(copymsg::kCopyOne, QLatin1String("%s"), stem);
    return fill(copymsg::kCopyMany, QLatin1String("%d"), QString::number(count));
}

QString DeleteQuestionText(int count, const QString &stem)
{
    if (count == 1)
        return fill(copymsg::kDeleteOne, QLatin1String("%s"), stem);
    return fill(copymsg::kDeleteMany, QLatin1String("%d"), QString::number(count));
}

QString NotCopiedText(int count)
{
    return QStringLiteral("%1 files could not be copied.").arg(count);
}

QString NotDeletedText(int count)
{
    return QStringLiteral("%1 files could not be deleted.\nThe card may be write-protected.")
        .arg(count);
}

CopyDialogLayout MakeCopyDialogLayout(QSize sourcePicture, QSize strip, QSize targetPicture)
{
    CopyDialogLayout layout;
    const int w1 = sourcePicture.width();
    const int h1 = sourcePicture.height();
    const int w2 = strip.width();
    const int w0 = targetPicture.width();
    layout.frameHeight = strip.height() / CopyDialogLayout::kFrames;
    layout.source = QRect(25, 35, w1, h1);
    layout.animation = QRect(25 + w1, 35, w2, layout.frameHeight);
    layout.target = QRect(25 + w1 + w2, 34, w0, targetPicture.height() + 1);
    layout.progress = QRect(25, 35 + h1, w1 + w2 + w0, 10);
    layout.hintSaved = QRect(QPoint(30, 130), QPoint(360 - 1, 145 - 1));
    layout.hintEsc = QRect(QPoint(30, 150), QPoint(360 - 1, 165 - 1));
    return layout;
}

int NextAnimationFrame(int frame)
{
    ++frame;
    return frame > CopyDialogLayout::kFrames || frame < 0 ? 0 : frame;
}

QRect AnimationSourceRect(int frame, int stripWidth, int frameHeight)
{
    const int shown = std::clamp(frame, 0, CopyDialogLayout::kFrames - 1);
    return QRect(0, shown * frameHeight, stripWidth, frameHeight);
}

int CopyProgressPosition(int videosDone, int videoCount, qint64 currentBytes, qint64 currentSize,
                         bool currentIsVideo)
{
    const int maximum = std::max(0, videoCount) * kProgressSteps;
    qint64 position = qint64(std::max(0, videosDone)) * kProgressSteps;
    if (currentIsVideo && currentSize > 0 && currentBytes > 0) {
        const qint64 share = std::min(currentBytes, currentSize) * kProgressSteps / currentSize;
        // The clip under way counts whole only once it is done.
        position += std::min<qint64>(share, kProgressSteps - 1);
    }
    return int(std::min<qint64>(position, maximum));
}

DeletePlan PlanDelete(const QList<int> &selected, int currentIndex, int rowCount)
{
    DeletePlan plan;
    int below = 0;
    for (int i = 0; i < selected.size(); ++i) {
        const int row = selected[i];
        plan.removals.append(row - i);
        if (row < currentIndex)
            ++below;
        if (row == currentIndex)
            plan.currentDeleted = true;
    }
    plan.currentIndex = currentIndex - below;
    plan.rowsAfter = rowCount - int(selected.size());
    return plan;
}

#pragma once

#include "CopyJob.h"
#include "CopyRules.h"
#include "DlgFrame.h"

#include <QTimer>

class CSkinSlider;

// The copy progress dialog: the source picture, an animation running towards the target picture,
// a progress bar and two hint lines. It copies its queued files on a worker thread and closes
// itself on the third tick after the worker ended. Esc (and a close request) stops the copy after
// the file under way; Enter does nothing.
class CDlgCopy : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr QSize kWindowSize{415, 220};
    static constexpr int kTickMs = 180;
    static constexpr int kProgressId = 1038;
    static constexpr int kSourceImage = 3301;
    static constexpr int kStripImage = 3302;
    static constexpr int kTargetImage = 3300;
    static constexpr int kBarBackImage = 3204;
    static constexpr int kBarFillImage = 3205;

    explicit CDlgCopy(QWidget *parent = nullptr);
    ~CDlgCopy() override;

    // Queues one file; only before the dialog runs.
    void AddCopyPair(const QString &source, const QString &destination);

    // The card the files come from is gone: the copy stops at once, and the dialog closes as on
    // completion with every file not copied counted as failed.
    void CardLost() { m_job.Abandon(); }

    CCopyJob &Job() { return m_job; }
    const CCopyJob &Job() const { return m_job; }
    CSkinSlider *Progress() const { return m_progress; }
    const CopyDialogLayout &Layout() const { return m_layout; }
    int AnimationFrame() const { return m_animationFrame; }
    int TicksAfterDone() const { return m_ticksAfterDone; }
    // Timer 0 of the dialog: one tick of the animation and the bar.
    void OnTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    void PaintClient(QPainter &painter, const QRect &clip) override;

private:
    CCopyJob m_job;
    CopyDialogLayout m_layout;
    CSkinSlider *m_progress = nullptr;
    QTimer m_timer;
    bool m_started = false;
    int m_animationFrame = 0;
    int m_ticksAfterDone = 0;
};

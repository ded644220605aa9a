#pragma once

#include "DlgFrame.h"

#include <QBasicTimer>
#include <QFuture>
#include <QString>
#include <QThreadPool>

#include <functional>

class CProgress;
class CZeroFill;

// The progress window of a recovery format: it writes zeros over the whole card on a worker
// thread, one batch (a percent of the card) at a time, and each timer tick shows the progress
// and starts the next batch, so the interface stays alive and the percentage moves with the
// data that has reached the card. Nothing the user does closes it; it ends with 1 when every
// byte was written and the card flushed and closed without error, else 2.
class CDlgFormat : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr QSize kWindowSize{550, 150};
    static constexpr int kTimerMs = 100;

    // `open` gives the descriptor of the volume to fill (or -1) when the fill starts; it runs on
    // the worker thread (it may wait for the disk service).
    CDlgFormat(CZeroFill &fill, std::function<int()> open, QWidget *parent = nullptr);
    ~CDlgFormat() override;

    int Percent() const { return m_percent; }
    QString ProgressText() const { return m_progressText; }
    QString WarningText() const { return m_warningText; }
    CProgress *ProgressBar() const { return m_progress; }
    bool Started() const { return m_started; }
    bool Finished() const { return m_finished; }

protected:
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void PaintClient(QPainter &painter, const QRect &clip) override;

private:
    // The step the worker does next.
    void startStep(bool (CZeroFill::*step)());
    void stepEnded();
    void showPercent();

    CZeroFill &m_fill;
    QThreadPool m_worker; // the thread that writes the card
    QFuture<bool> m_step;
    std::function<int()> m_open;
    CProgress *m_progress;
    QBasicTimer m_timer;
    bool m_started = false;
    bool m_succeeded = false;
    bool m_finished = false;
    bool m_ending = false;
    bool m_shownFinal = false;
    int m_percent = 0;
    int m_percentShown = -1;
    QString m_progressText;
    QString m_warningText;
};

#pragma once

#include "DlgFrame.h"

#include <QBasicTimer>
#include <QString>

#include <functional>

class CProgress;
class CZeroFill;

// The progress window of a recovery format: it writes zeros over the whole card, keeping the
// interface alive between its writes, and shows the percentage. Nothing the user does closes
// it; it ends with 1 when every byte was written, else 2.
class CDlgFormat : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr QSize kWindowSize{550, 150};
    static constexpr int kTimerMs = 100;

    // `open` gives the descriptor of the volume to fill (or -1) when the fill starts.
    CDlgFormat(CZeroFill &fill, std::function<int()> open, QWidget *parent = nullptr);

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
    void fill();

    CZeroFill &m_fill;
    std::function<int()> m_open;
    CProgress *m_progress;
    QBasicTimer m_timer;
    bool m_started = false;
    bool m_succeeded = false;
    bool m_finished = false;
    bool m_ending = false;
    int m_percent = 0;
    int m_percentShown = -1;
    QString m_progressText;
    QString m_warningText;
};

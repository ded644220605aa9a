#include "DlgFormat.h"

#include "CardFormat.h"
#include "DriveUtils.h"
#include "Progress.h"
#include "StringTable.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QtConcurrent/QtConcurrentRun>

namespace {
constexpr int kProgressString = 135;
constexpr int kWarningString = 136;

QString progressText(int percent)
{
    // The table's text is a printf format ("%d%%").
    return QString::asprintf(LoadResString(kProgressString).toUtf8().constData(), percent);
}
} // namespace

CDlgFormat::CDlgFormat(CZeroFill &fill, std::function<int()> open, QWidget *parent)
    : CDlgFrame(parent)
    , m_fill(fill)
    , m_open(std::move(open))
    , m_progress(new CProgress(Client()))
    , m_progressText(progressText(0))
    , m_warningText(LoadResString(kWarningString))
{
    m_worker.setMaxThreadCount(1);
    SetCaptionButtonsEnabled(false);
    setAccessibleName(m_warningText);
    m_progress->setGeometry(30, 10, 490, 30);
    m_progress->setAccessibleName(QStringLiteral("Format progress"));
    ResizeClient(kWindowSize);
    m_timer.start(kTimerMs, this);
}

CDlgFormat::~CDlgFormat()
{
    m_step.waitForFinished();
}

void CDlgFormat::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        CDlgFrame::timerEvent(event);
        return;
    }
    if (!m_started) {
        m_started = true;
        m_step =
            QtConcurrent::run(&m_worker, [this] { return m_fill.Start(m_open ? m_open() : -1); });
    } else if (!m_finished && m_step.isFinished()) {
        stepEnded();
    }
    if (m_finished) {
        // The tick that found the end has shown it; this one ends the dialog.
        if (!m_ending && m_shownFinal) {
            m_ending = true;
            m_timer.stop();
            done(m_succeeded ? 1 : 2);
        }
        m_shownFinal = true;
    }
    showPercent();
}

void CDlgFormat::startStep(bool (CZeroFill::*step)())
{
    m_step = QtConcurrent::run(&m_worker, [this, step] { return (m_fill.*step)(); });
}

void CDlgFormat::stepEnded()
{
    const bool ok = m_step.result();
    m_percent = m_fill.Percent();
    if (!ok || m_fill.Complete()) {
        m_succeeded = ok && m_fill.Complete();
        m_finished = true;
    } else if (m_fill.AllWritten()) {
        startStep(&CZeroFill::Finish);
    } else {
        startStep(&CZeroFill::WriteBatch);
    }
}

void CDlgFormat::showPercent()
{
    if (m_percent != m_percentShown) {
        m_percentShown = m_percent;
        update();
    }
    m_progressText = progressText(m_percent);
    m_progress->SetPos(m_percent);
}

void CDlgFormat::keyPressEvent(QKeyEvent *event)
{
    // Escape and Enter would end a dialog: the card is half written, nothing may stop it.
    event->accept();
}

void CDlgFormat::closeEvent(QCloseEvent *event)
{
    // Alt+F4 and the window manager's close are ignored while the card is written.
    event->ignore();
}

void CDlgFormat::PaintClient(QPainter &painter, const QRect &)
{
    const QRect client(QPoint(0, 0), ClientSize());
    painter.fillRect(client, BackgroundColour());
    painter.setPen(Qt::white);
    const int left = client.left() + 30;
    const int width = client.width() - 60;
    painter.drawText(QRect(left, 50, width, 20), Qt::AlignCenter | Qt::TextSingleLine,
                     m_progressText);
    painter.drawText(QRect(left, 70, width, 20), Qt::AlignCenter | Qt::TextSingleLine,
                     m_warningText);
}

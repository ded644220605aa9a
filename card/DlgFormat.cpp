#include "DlgFormat.h"

#include "CardFormat.h"
#include "DriveUtils.h"
#include "Progress.h"
#include "StringTable.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimerEvent>

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
    SetCaptionButtonsEnabled(false);
    setAccessibleName(m_warningText);
    m_progress->setGeometry(30, 10, 490, 30);
    m_progress->setAccessibleName(QStringLiteral("Format progress"));
    ResizeClient(kWindowSize);
    m_timer.start(kTimerMs, this);
}

void CDlgFormat::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        CDlgFrame::timerEvent(event);
        return;
    }
    if (!m_started) {
        m_started = true;
        fill(); // pumps events: the later ticks below keep the display going meanwhile
    }
    if (m_finished) {
        if (!m_ending) {
            m_ending = true;
            m_timer.stop();
            done(m_succeeded ? 1 : 2);
        }
        return;
    }
    if (m_percent != m_percentShown) {
        m_percentShown = m_percent;
        update();
    }
    m_progressText = progressText(m_percent);
    m_progress->SetPos(m_percent);
}

void CDlgFormat::fill()
{
    if (m_fill.Start(m_open ? m_open() : -1)) {
        while (m_fill.WriteNext()) {
            m_percent = m_fill.Percent();
            PumpMessages();
        }
    }
    m_succeeded = m_fill.Complete();
    m_percent = m_fill.Percent();
    m_progressText = progressText(m_percent);
    m_progress->SetPos(m_percent);
    m_fill.Close();
    m_finished = true;
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

#include "DlgCopy.h"

#include "SkinImages.h"
#include "SkinSlider.h"
#include "StringTable.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {
QSize imageSize(int id)
{
    return QSize(CSkinImages::Width(id), CSkinImages::Height(id));
}
} // namespace

CDlgCopy::CDlgCopy(QWidget *parent)
    : CDlgFrame(parent)
{
    SetCaptionButtonsEnabled(false);
    setAccessibleName(LoadResString(414));
    setFixedSize(kWindowSize);
    m_layout = MakeCopyDialogLayout(imageSize(kSourceImage), imageSize(kStripImage),
                                    imageSize(kTargetImage));
    m_progress = new CSkinSlider(Client(), kProgressId);
    m_progress->SetKnobMode(false);
    m_progress->SetBackgroundImage(kBarBackImage);
    m_progress->SetFillImage(kBarFillImage);
    m_progress->setGeometry(m_layout.progress);
    // It shows progress only; a click on it changes nothing.
    m_progress->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_progress->setAccessibleName(LoadResString(copymsg::kHintSaved));
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CDlgCopy::OnTimer);
}

CDlgCopy::~CDlgCopy()
{
    // The dialog never goes while its worker writes.
    m_job.RequestCancel();
    m_job.Wait();
}

void CDlgCopy::AddCopyPair(const QString &source, const QString &destination)
{
    m_job.AddCopyPair(source, destination);
}

void CDlgCopy::showEvent(QShowEvent *event)
{
    CDlgFrame::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_progress->SetRange(0, m_job.ProgressMaximum());
    m_progress->SetPos(0);
    m_timer.start();
    m_job.Start();
}

void CDlgCopy::OnTimer()
{
    m_animationFrame = NextAnimationFrame(m_animationFrame);
    Client()->update(m_layout.animation);
    m_progress->SetPos(m_job.ProgressPosition());
    if (m_job.WorkerDone())
        ++m_ticksAfterDone;
    if (m_ticksAfterDone > 2) {
        m_timer.stop();
        m_job.Wait();
        done(0);
    }
}

void CDlgCopy::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_job.RequestCancel();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        CDlgFrame::keyPressEvent(event);
    }
}

void CDlgCopy::closeEvent(QCloseEvent *event)
{
    // Alt+F4 or the window manager's close: stop like Esc and close as on completion.
    m_job.RequestCancel();
    event->ignore();
}

void CDlgCopy::reject()
{
    m_job.RequestCancel();
}

void CDlgCopy::PaintClient(QPainter &painter, const QRect &)
{
    painter.fillRect(QRect(QPoint(0, 0), Client()->size()), Qt::black);
    painter.drawPixmap(m_layout.source.topLeft(), CSkinImages::Pixmap(kSourceImage));
    painter.drawPixmap(m_layout.target.topLeft(), CSkinImages::Pixmap(kTargetImage));
    painter.drawPixmap(
        m_layout.animation, CSkinImages::Pixmap(kStripImage),
        AnimationSourceRect(m_animationFrame, m_layout.animation.width(), m_layout.frameHeight));
    painter.setPen(Qt::white);
    painter.setFont(font());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.drawText(m_layout.hintSaved, flags, LoadResString(copymsg::kHintSaved));
    painter.drawText(m_layout.hintEsc, flags, LoadResString(copymsg::kHintEsc));
}

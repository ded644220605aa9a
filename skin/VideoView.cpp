#include "VideoView.h"

#include <QPainter>
#include <QWindow>

CVideoView::CVideoView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // A window of its own: new pictures are flushed into it alone. Without it, once the main
    // window holds the map's browser (drawn through OpenGL), every picture would make Qt compose
    // the whole top-level window again, in software where there is no GPU.
    setAttribute(Qt::WA_NativeWindow);
    setAccessibleName(tr("Video"));
}

CVideoView::~CVideoView()
{
    if (m_source)
        m_source->SetView(nullptr);
}

void CVideoView::SetFrameSource(std::shared_ptr<CVideoFrameSource> source)
{
    if (m_source == source)
        return;
    if (m_source)
        m_source->SetView(nullptr);
    m_source = std::move(source);
    if (m_source)
        m_source->SetView(this);
    update();
}

void CVideoView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWindow *window = windowHandle()) {
        window->removeEventFilter(this);
        window->installEventFilter(this);
    }
}

bool CVideoView::eventFilter(QObject *watched, QEvent *event)
{
    // Pictures may have gone to the window without passing through the toolkit's buffer
    // (straight from the picture source), so what that buffer holds can be an older picture:
    // when the window system asks for a part of the window again, it is painted afresh.
    if (event->type() == QEvent::Expose && watched == windowHandle())
        update();
    return QWidget::eventFilter(watched, event);
}

void CVideoView::FrameArrived()
{
    // Only the picture's own rectangle: the bands around it stay as they are.
    update(m_source ? m_source->DirtyRect(rect()) : rect());
}

void CVideoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const quint64 serial = m_source ? m_source->PaintFrame(painter, rect()) : 0;
    if (serial == 0) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (serial != m_lastSerial) {
        m_lastSerial = serial;
        ++m_paintedFrames;
    }
}

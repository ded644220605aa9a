#include "PlayWnd.h"

#include "VideoView.h"

#include <QPainter>

CPlayWnd::CPlayWnd(QWidget *parent)
    : QWidget(parent)
    , m_video(new CVideoView(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Video window"));
    // Until the clip's size is known the video child covers the whole window.
    m_video->setGeometry(rect());
    m_video->show();
}

QRect CPlayWnd::VideoChildRect(QSize client, int videoWidth, int videoHeight)
{
    if (videoWidth < client.width() && videoHeight < client.height())
        return QRect((client.width() - videoWidth) / 2, (client.height() - videoHeight) / 2,
                     videoWidth, videoHeight);
    return QRect(QPoint(0, 0), client);
}

void CPlayWnd::SetVideoSize(int width, int height)
{
    m_videoWidth = width;
    m_videoHeight = height;
    m_sizeKnown = true;
    layoutVideo();
}

void CPlayWnd::layoutVideo()
{
    m_video->setGeometry(m_sizeKnown ? VideoChildRect(size(), m_videoWidth, m_videoHeight)
                                     : rect());
}

void CPlayWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void CPlayWnd::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutVideo();
}

#include "TripBar.h"

#include "TripTimeline.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CTripBar::CTripBar(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Trip timeline"));
    setToolTip(tr("Trip timeline"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void CTripBar::SetTrip(qint64 lengthMs, std::vector<Span> spans, std::vector<qint64> shocksMs)
{
    m_lengthMs = std::max<qint64>(0, lengthMs);
    m_spans = std::move(spans);
    m_shocks = std::move(shocksMs);
    update();
}

void CTripBar::SetPosition(qint64 ms)
{
    if (m_dragging || ms == m_positionMs)
        return; // the user's cursor wins while the button is held
    m_positionMs = ms;
    update();
}

int CTripBar::XAt(qint64 ms) const
{
    return TimelineXAtMs(ms, width(), m_lengthMs);
}

qint64 CTripBar::MsAt(int x) const
{
    return TimelineMsAtX(x, width(), m_lengthMs);
}

void CTripBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, QColor(24, 24, 24));
    const int top = all.height() > 8 ? 3 : 1;
    const int bottom = all.height() - 1;
    for (const Span &span : m_spans) {
        const int left = XAt(span.startMs);
        const int right = std::max(left + 1, XAt(span.endMs));
        const QRect block(left, top, right - left, bottom - top);
        painter.fillRect(block, span.current ? QColor(150, 150, 150) : QColor(80, 80, 80));
        // A dark line between recordings that follow each other.
        painter.fillRect(QRect(left, top, 1, bottom - top), QColor(24, 24, 24));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ShockColor());
    for (const qint64 shock : m_shocks) {
        const int x = XAt(shock);
        const QPointF mark[] = {QPointF(x - 3, 0), QPointF(x + 3, 0),
                                QPointF(x, std::min(5, all.height() - 1))};
        painter.drawPolygon(mark, 3);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_lengthMs > 0)
        painter.fillRect(QRect(XAt(m_positionMs) - 1, 0, 3, all.height()), CursorColor());
}

void CTripBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_lengthMs <= 0)
        return;
    m_dragging = true;
    m_positionMs = MsAt(event->position().toPoint().x());
    update();
}

void CTripBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_positionMs = MsAt(event->position().toPoint().x());
    update();
}

void CTripBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    m_positionMs = MsAt(event->position().toPoint().x());
    update();
    emit SeekRequested(m_positionMs);
}

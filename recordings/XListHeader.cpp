#include "XListHeader.h"

#include "SkinImages.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

CXListHeader::CXListHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_normal(loadSegments(3400))
    , m_button(loadSegments(3403))
    , m_pressed(loadSegments(3406))
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setMinimumHeight(m_height);
}

CXListHeader::Segments CXListHeader::loadSegments(int firstId)
{
    return {CSkinImages::Pixmap(firstId), CSkinImages::Pixmap(firstId + 1),
            CSkinImages::Pixmap(firstId + 2)};
}

QPixmap CXListHeader::KeyOutWhite(const QPixmap &pixmap)
{
    if (pixmap.isNull())
        return pixmap;
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == 0xffffffffu)
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

void CXListHeader::SetCaptionImages(const QList<int> &imageIds)
{
    m_captions.clear();
    for (int id : imageIds)
        m_captions.append({id, KeyOutWhite(CSkinImages::Pixmap(id))});
    viewport()->update();
}

void CXListHeader::SetCaptionImage(int column, int imageId)
{
    if (column < 0)
        return;
    if (column >= m_captions.size())
        m_captions.resize(column + 1);
    m_captions[column] = {imageId, KeyOutWhite(CSkinImages::Pixmap(imageId))};
    viewport()->update();
}

int CXListHeader::CaptionImageId(int column) const
{
    return column >= 0 && column < m_captions.size() ? m_captions[column].imageId : 0;
}

void CXListHeader::SetFilterCaption(int imageId)
{
    if (m_captions.size() < 2)
        return;
    SetCaptionImage(0, imageId);
}

void CXListHeader::SetButtonColumn(int column)
{
    m_buttonColumn = column;
    viewport()->update();
}

QSize CXListHeader::sizeHint() const
{
    return QSize(QHeaderView::sizeHint().width(), m_height);
}

QRect CXListHeader::headRect(int column) const
{
    if (column < 0 || column >= count() || isSectionHidden(column))
        return QRect();
    return QRect(sectionViewportPosition(column), 0, sectionSize(column), viewport()->height());
}

bool CXListHeader::ShowsPressed(int column) const
{
    return column == m_buttonColumn && m_mouseDown && headRect(column).contains(m_mousePos);
}

void CXListHeader::paintHead(QPainter &painter, const QRect &rect, const Segments &segments,
                             const QPixmap *caption)
{
    const int w = rect.width();
    const int h = rect.height();
    // Segments and caption never spill into the neighbouring heads.
    painter.setClipRect(rect);
    const int leftWidth = segments.left.width();
    const int rightWidth = segments.right.width();
    if (!segments.left.isNull())
        painter.drawPixmap(QRect(rect.left(), rect.top(), leftWidth, h), segments.left);
    if (!segments.middle.isNull() && w - leftWidth - rightWidth > 0)
        painter.drawPixmap(
            QRect(rect.left() + leftWidth, rect.top(), w - leftWidth - rightWidth, h),
            segments.middle);
    if (!segments.right.isNull())
        painter.drawPixmap(QRect(rect.left() + w - rightWidth, rect.top(), rightWidth, h),
                           segments.right);
    if (caption && !caption->isNull())
        painter.drawPixmap(rect.left() + (w - caption->width()) / 2,
                           rect.top() + (h - caption->height()) / 2, *caption);
}

void CXListHeader::paintEvent(QPaintEvent *)
{
    if (!PaintsHeads(count(), m_captions.size()))
        return;
    QPainter painter(viewport());
    const int height = viewport()->height();
    int end = 0;
    for (int visual = 0; visual < count(); ++visual) {
        const int column = logicalIndex(visual);
        const QRect rect = headRect(column);
        if (rect.isEmpty())
            continue;
        const Segments &segments = column != m_buttonColumn ? m_normal
                                   : ShowsPressed(column)   ? m_pressed
                                                            : m_button;
        const QPixmap *caption = column < m_captions.size() ? &m_captions[column].pixmap : nullptr;
        paintHead(painter, rect, segments, caption);
        end = std::max(end, rect.right() + 1);
    }
    // Beyond the last column: an empty head, so the bar looks whole.
    if (end < viewport()->width())
        paintHead(painter, QRect(end, 0, viewport()->width() - end, height), m_normal, nullptr);
    painter.setClipping(false);
}

void CXListHeader::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_mouseDown = true;
        m_mousePos = event->position().toPoint();
        viewport()->update();
    }
    QHeaderView::mousePressEvent(event);
}

void CXListHeader::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_mouseDown = false;
        m_mousePos = event->position().toPoint();
        viewport()->update();
    }
    QHeaderView::mouseReleaseEvent(event);
}

void CXListHeader::mouseMoveEvent(QMouseEvent *event)
{
    if (m_mouseDown) {
        const bool wasPressed = ShowsPressed(m_buttonColumn);
        m_mousePos = event->position().toPoint();
        if (wasPressed != ShowsPressed(m_buttonColumn))
            viewport()->update();
    }
    QHeaderView::mouseMoveEvent(event);
}

#include "Progress.h"

#include "SliderMath.h"

#include <QPainter>
#include <QPixmap>

CProgress::CProgress(QWidget *parent)
    : QWidget(parent)
    , m_font(QStringLiteral("Arial"))
{
    m_font.setPixelSize(15);
    m_font.setWeight(QFont::Normal);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CProgress::SetPos(int value)
{
    m_pos = value;
    m_text = QStringLiteral("%1%").arg(value);
    m_filled = ProgressFillWidth(value, m_maximum, width());
    setAccessibleName(m_text);
    update();
}

void CProgress::resizeEvent(QResizeEvent *event)
{
    m_filled = ProgressFillWidth(m_pos, m_maximum, width());
    QWidget::resizeEvent(event);
}

void CProgress::paintEvent(QPaintEvent *)
{
    const auto layer = [this](const QColor &fill, const QColor &ink) {
        QPixmap image(size());
        image.fill(fill);
        QPainter p(&image);
        p.setFont(m_font);
        p.setPen(ink);
        p.drawText(image.rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
        return image;
    };
    if (width() <= 0 || height() <= 0)
        return;
    const QPixmap empty = layer(BackgroundColour(), BarColour());
    const QPixmap filled = layer(BarColour(), BackgroundColour());
    QPainter painter(this);
    painter.drawPixmap(0, 0, empty);
    painter.drawPixmap(QRect(0, 0, m_filled, height()), filled, QRect(0, 0, m_filled, height()));
}

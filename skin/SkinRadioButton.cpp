#include "SkinRadioButton.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QMouseEvent>
#include <QPainter>

CSkinRadioButton::CSkinRadioButton(QWidget *parent, int controlId)
    : QWidget(parent)
{
    ::SetControlId(this, controlId);
}

int CSkinRadioButton::ControlId() const
{
    return ControlIdOf(this);
}

void CSkinRadioButton::SetControlId(int id)
{
    ::SetControlId(this, id);
}

void CSkinRadioButton::SetImages(int imageA, int imageB)
{
    m_imageA = imageA;
    m_imageB = imageB;
}

void CSkinRadioButton::SetChecked(bool checked)
{
    m_checked = checked;
    update();
}

QRect CSkinRadioButton::SourceRect(int mode, bool checked, QSize imageA, QSize imageB)
{
    if (mode == 1) {
        const int half = imageA.width() / 2;
        return QRect(checked ? 0 : half, 0, half, imageA.height());
    }
    if (mode == 2) {
        const QSize size = checked ? imageA : imageB;
        return QRect(QPoint(0, 0), size);
    }
    return QRect();
}

void CSkinRadioButton::paintEvent(QPaintEvent *)
{
    if (m_mode != 1 && m_mode != 2)
        return;
    const SkinImage &a = CSkinImages::Get(m_imageA);
    const SkinImage &b = CSkinImages::Get(m_imageB);
    const SkinImage &source = (m_mode == 2 && !m_checked) ? b : a;
    const QRect from =
        SourceRect(m_mode, m_checked, QSize(a.width, a.height), QSize(b.width, b.height));
    if (source.isNull() || from.isEmpty())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), source.pixmap, from);
}

void CSkinRadioButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_checked = true;
    PostUserMessage(parentWidget(), notify::kRadio, ControlId());
    update();
    event->accept();
}

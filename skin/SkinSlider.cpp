#include "SkinSlider.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

CSkinSlider::CSkinSlider(QWidget *parent, int controlId)
    : QAbstractSlider(parent)
{
    ::SetControlId(this, controlId);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    // Disabled, it keeps presses to itself rather than passing them to the window below.
    setAttribute(Qt::WA_NoMousePropagation);
    showPosition();
    connect(this, &QAbstractSlider::valueChanged, this, &CSkinSlider::onValueChanged);
}

int CSkinSlider::ControlId() const
{
    return ControlIdOf(this);
}

void CSkinSlider::SetControlId(int id)
{
    ::SetControlId(this, id);
}

void CSkinSlider::SetKnobImage(int imageId)
{
    m_knob = imageId;
    m_model.SetKnobWidth(CSkinImages::Width(imageId));
}

void CSkinSlider::SetRange(int minimum, int maximum)
{
    m_model.SetRange(minimum, maximum);
    showPosition();
}

void CSkinSlider::SetSliderEnabled(bool enabled)
{
    m_model.SetEnabled(enabled);
    setEnabled(enabled);
    update();
}

bool CSkinSlider::SetPos(int value)
{
    if (!m_model.SetPos(value))
        return false;
    showPosition();
    update();
    return true;
}

void CSkinSlider::showPosition()
{
    m_showing = true;
    setRange(m_model.Minimum(), m_model.Maximum());
    setValue(m_model.Position());
    m_showing = false;
}

void CSkinSlider::onValueChanged(int value)
{
    if (m_showing)
        return;
    // The keys or assistive technology moved the slider.
    if (!m_model.SetPos(value)) {
        showPosition();
        return;
    }
    post(value);
    update();
}

void CSkinSlider::post(int position)
{
    if (m_model.IsKnobMode())
        PostUserMessage(parentWidget(), notify::kSlider, position,
                        SliderRecord{position, ControlId()});
    else
        PostUserMessage(parentWidget(), notify::kSlider, position);
}

void CSkinSlider::resizeEvent(QResizeEvent *event)
{
    m_model.SetWidth(width());
    QAbstractSlider::resizeEvent(event);
}

void CSkinSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractSlider::mousePressEvent(event);
    if (const auto position = m_model.Press(event->position().toPoint().x())) {
        showPosition();
        post(*position);
        update();
    }
}

void CSkinSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (const auto position = m_model.Move(event->position().toPoint().x())) {
        showPosition();
        post(*position);
        update();
    }
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_model.Release();
}

void CSkinSlider::moveEvent(QMoveEvent *event)
{
    update();
    QAbstractSlider::moveEvent(event);
}

void CSkinSlider::keyPressEvent(QKeyEvent *event)
{
    if (!m_model.IsEnabled()) {
        event->ignore();
        return;
    }
    QAbstractSlider::keyPressEvent(event);
}

void CSkinSlider::wheelEvent(QWheelEvent *event)
{
    // The wheel belongs to the window (the slider reacts to the mouse's buttons only).
    event->ignore();
}

void CSkinSlider::paintEvent(QPaintEvent *)
{
    // The picture is composed at the background's size and stretched onto the control, so
    // the control is meant to be sized to its background.
    const SkinImage &background = CSkinImages::Get(m_background);
    if (background.isNull())
        return;
    QPixmap composed = background.pixmap.copy();
    {
        QPainter p(&composed);
        if (m_model.IsEnabled()) {
            if (m_model.IsKnobMode()) {
                const SkinImage &knob = CSkinImages::Get(m_knob);
                if (!knob.isNull())
                    p.drawPixmap(m_model.KnobX(), (height() - knob.height) / 2, knob.pixmap);
            } else {
                const SkinImage &fill = CSkinImages::Get(m_fill);
                const int filled = m_model.FillWidth(background.width);
                if (!fill.isNull() && filled > 0)
                    p.drawPixmap(QRect(0, 0, filled, fill.height), fill.pixmap,
                                 QRect(0, 0, filled, fill.height));
            }
        }
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), composed);
}

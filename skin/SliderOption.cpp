#include "SliderOption.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kKnobImage = 3203;
constexpr int kTrackImage = 3206;
} // namespace

CSliderOption::CSliderOption(QWidget *parent, int controlId)
    : QWidget(parent)
{
    ::SetControlId(this, controlId);
    m_model.SetKnobWidth(CSkinImages::Width(kKnobImage));
}

int CSliderOption::ControlId() const
{
    return ControlIdOf(this);
}

void CSliderOption::SetControlId(int id)
{
    ::SetControlId(this, id);
}

void CSliderOption::SetValues(int first, int second, bool dual)
{
    m_model.SetValues(first, second, dual);
    update();
}

void CSliderOption::post(const SliderOptionRecord &record)
{
    PostUserMessage(parentWidget(), notify::kOptionSlider, 0, record);
}

void CSliderOption::resizeEvent(QResizeEvent *event)
{
    m_model.SetWidth(width());
    QWidget::resizeEvent(event);
}

void CSliderOption::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (const auto record = m_model.Press(event->position().toPoint().x(), ControlId())) {
        post(*record);
        update();
    }
}

void CSliderOption::mouseMoveEvent(QMouseEvent *event)
{
    const auto record = m_model.Move(event->position().toPoint().x(), ControlId());
    if (record) {
        post(*record);
        update();
    }
}

void CSliderOption::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_model.Release();
        update();
    }
}

void CSliderOption::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const SkinImage &track = CSkinImages::Get(kTrackImage);
    if (!track.isNull())
        painter.drawPixmap(rect(), track.pixmap);
    const SkinImage &knob = CSkinImages::Get(kKnobImage);
    if (knob.isNull())
        return;
    const int y = (height() - knob.height) / 2;
    painter.drawPixmap(m_model.FirstKnobX(), y, knob.pixmap);
    if (m_model.IsDual())
        painter.drawPixmap(m_model.SecondKnobX(), y, knob.pixmap);
}

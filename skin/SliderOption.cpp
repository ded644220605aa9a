#include "SliderOption.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kKnobImage = 3203;
constexpr int kTrackImage = 3206;
constexpr int kPercentPerStep = 10;
} // namespace

CSliderOption::CSliderOption(QWidget *parent, int controlId)
    : QAbstractSlider(parent)
{
    ::SetControlId(this, controlId);
    m_model.SetKnobWidth(CSkinImages::Width(kKnobImage));
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    setRange(0, 100);
    setSingleStep(kPercentPerStep);
    setPageStep(kPercentPerStep);
    showFirstStep();
    connect(this, &QAbstractSlider::valueChanged, this, &CSliderOption::onValueChanged);
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
    showFirstStep();
    update();
}

void CSliderOption::showFirstStep()
{
    m_showing = true;
    setValue(m_model.FirstStep() * kPercentPerStep);
    m_showing = false;
}

void CSliderOption::onValueChanged(int value)
{
    if (m_showing)
        return;
    // Assistive technology set the first share.
    stepKnob(SliderOptionModel::First, qRound(value / double(kPercentPerStep)));
}

void CSliderOption::stepKnob(SliderOptionModel::Target knob, int step)
{
    if (const auto record = m_model.StepKnob(knob, step, ControlId())) {
        post(*record);
        update();
    }
    showFirstStep();
}

void CSliderOption::post(const SliderOptionRecord &record)
{
    PostUserMessage(parentWidget(), notify::kOptionSlider, 0, record);
}

void CSliderOption::resizeEvent(QResizeEvent *event)
{
    m_model.SetWidth(width());
    QAbstractSlider::resizeEvent(event);
}

void CSliderOption::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractSlider::mousePressEvent(event);
    if (const auto record = m_model.Press(event->position().toPoint().x(), ControlId())) {
        showFirstStep();
        post(*record);
        update();
    }
}

void CSliderOption::mouseMoveEvent(QMouseEvent *event)
{
    const auto record = m_model.Move(event->position().toPoint().x(), ControlId());
    if (record) {
        showFirstStep();
        post(*record);
        update();
    }
}

void CSliderOption::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_model.Release();
        showFirstStep();
        update();
    }
}

void CSliderOption::keyPressEvent(QKeyEvent *event)
{
    const bool second = m_model.IsDual() && (event->modifiers() & Qt::ShiftModifier);
    const auto knob = second ? SliderOptionModel::Second : SliderOptionModel::First;
    const int step = second ? m_model.SecondStep() : m_model.FirstStep();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepKnob(knob, step - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepKnob(knob, step + 1);
        break;
    case Qt::Key_Home:
        stepKnob(knob, 0);
        break;
    case Qt::Key_End:
        stepKnob(knob, 100);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void CSliderOption::wheelEvent(QWheelEvent *event)
{
    event->ignore();
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

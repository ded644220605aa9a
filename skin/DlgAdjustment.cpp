#include "DlgAdjustment.h"

#include "NotificationCodes.h"
#include "PictureSteps.h"
#include "SkinButton.h"
#include "SkinSlider.h"
#include "SliderMath.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kContrastString = 120;
constexpr int kBrightnessString = 121;
constexpr int kNeutralStep = 3;

CSkinSlider *makeSlider(QWidget *parent, int id, const QRect &geometry)
{
    auto *slider = new CSkinSlider(parent, id);
    slider->SetKnobMode(true);
    slider->SetRange(0, kAdjustMaxPosition);
    slider->SetMargin(9);
    slider->SetBackgroundImage(3202);
    slider->SetKnobImage(3203);
    slider->setGeometry(geometry);
    return slider;
}

CSkinButton *makeButton(QWidget *parent, int id, int imageId, const QRect &geometry,
                        const QString &name)
{
    auto *button = new CSkinButton(parent, id);
    button->SetStripImage(imageId);
    button->setGeometry(geometry);
    button->setAccessibleName(name);
    return button;
}

int clampStep(int step)
{
    return std::clamp(step, 0, kAdjustMaxPosition);
}

} // namespace

CDlgAdjustment::CDlgAdjustment(CPictureAdjustOwner *owner, QWidget *parent)
    : CDlgFrame(parent)
    , m_owner(owner)
{
    SetCaptionButtonsEnabled(false);
    setAccessibleName(QStringLiteral("Picture adjustment"));
    m_ok = makeButton(Client(), kOkId, 3124, QRect(74, 110, 64, 29), QStringLiteral("OK"));
    m_cancel =
        makeButton(Client(), kCancelId, 3125, QRect(158, 110, 64, 29), QStringLiteral("Cancel"));
    m_brightness = makeSlider(Client(), kBrightnessId, QRect(80, 60, 200, 30));
    m_contrast = makeSlider(Client(), kContrastId, QRect(80, 15, 200, 30));
    m_brightness->setAccessibleName(LoadResString(kBrightnessString));
    m_contrast->setAccessibleName(LoadResString(kContrastString));
    resize(kWindowSize);
    placeKnobs();
}

QFont CDlgAdjustment::LabelFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setWeight(QFont::Normal);
    font.setPixelSize(15);
    return font;
}

void CDlgAdjustment::SetSavedSteps(int contrastStep, int brightnessStep)
{
    m_savedContrast = clampStep(contrastStep);
    m_savedBrightness = clampStep(brightnessStep);
    placeKnobs();
}

void CDlgAdjustment::SetStartFlag(bool startAtNeutral)
{
    m_startFlag = startAtNeutral;
    placeKnobs();
}

void CDlgAdjustment::placeKnobs()
{
    m_brightness->SetPos(m_startFlag ? kNeutralStep : m_savedBrightness);
    m_contrast->SetPos(m_startFlag ? kNeutralStep : m_savedContrast);
}

void CDlgAdjustment::showEvent(QShowEvent *event)
{
    // The sliders know their width only once shown; placing the knobs again puts them where
    // their steps are drawn.
    placeKnobs();
    CDlgFrame::showEvent(event);
}

void CDlgAdjustment::done(int result)
{
    if (result != kOkId && m_owner) {
        m_owner->SetContrast(AdjustValue(m_savedContrast));
        m_owner->SetBrightness(AdjustValue(m_savedBrightness));
    }
    CDlgFrame::done(result);
}

bool CDlgAdjustment::event(QEvent *event)
{
    if (event->type() != CUserMessage::EventType())
        return CDlgFrame::event(event);

    const auto *message = static_cast<CUserMessage *>(event);
    if (message->Code() == notify::kButton) {
        if (message->Value() == kOkId)
            done(kOkId);
        else if (message->Value() == kCancelId)
            done(kCancelId);
    } else if (message->Code() == notify::kSlider) {
        if (const SliderRecord *record = message->RecordAs<SliderRecord>(); record && m_owner) {
            const float value = AdjustValue(record->position);
            if (record->controlId == kBrightnessId)
                m_owner->SetBrightness(value);
            else if (record->controlId == kContrastId)
                m_owner->SetContrast(value);
        }
    }
    return true;
}

void CDlgAdjustment::keyPressEvent(QKeyEvent *event)
{
    // Escape cancels, as in any dialog; Enter is swallowed by the frame.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        done(kCancelId);
        return;
    }
    CDlgFrame::keyPressEvent(event);
}

void CDlgAdjustment::PaintClient(QPainter &painter, const QRect &)
{
    painter.fillRect(QRect(QPoint(0, 0), Client()->size()), BackgroundColour());
    painter.setPen(QColor(255, 255, 255));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    painter.setFont(LabelFont());
    const auto label = [&](const QRect &rect, int stringId) {
        painter.drawText(rect, flags, LoadResString(stringId));
    };
    label(kContrastLabel, kContrastString);
    label(kBrightnessLabel, kBrightnessString);
}

int ShowAdjustment(CPictureAdjustOwner *owner, float brightness, float contrast, bool nightVision,
                   QWidget *parent)
{
    CDlgAdjustment dialog(owner, parent);
    dialog.SetSavedSteps(AdjustPosition(contrast), AdjustPosition(brightness));
    dialog.SetStartFlag(nightVision);
    return dialog.exec();
}

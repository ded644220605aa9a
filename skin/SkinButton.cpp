#include "SkinButton.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kSharedIconStrip = 3100;
} // namespace

CSkinButton::CSkinButton(QWidget *parent, int controlId)
    : QAbstractButton(parent)
{
    ::SetControlId(this, controlId);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // Mouse input is handled below; click() (assistive technology's press action) reports
    // like a mouse click.
    connect(this, &QAbstractButton::clicked, this,
            [this] { PostUserMessage(parentWidget(), notify::kButton, ControlId()); });
}

int CSkinButton::ControlId() const
{
    return ControlIdOf(this);
}

void CSkinButton::SetControlId(int id)
{
    ::SetControlId(this, id);
}

void CSkinButton::SetStripImage(int imageId)
{
    m_iconButton = false;
    m_stripId = imageId;
    m_iconId = 0;
}

void CSkinButton::SetIconImage(int imageId)
{
    m_iconButton = true;
    m_stripId = kSharedIconStrip;
    m_iconId = imageId;
}

void CSkinButton::ChangeIconImage(int imageId)
{
    SetIconImage(imageId);
    update();
}

QPoint CSkinButton::IconPosition(QSize client, QSize icon, bool pressed)
{
    return QPoint((client.width() - icon.width()) / 2 + (pressed ? 1 : 0),
                  (client.height() - icon.height()) / 2 + 1);
}

bool CSkinButton::ReleaseIsInside(QPoint point, QSize client)
{
    return point.x() >= 0 && point.y() >= 0 && point.x() <= client.width() &&
           point.y() <= client.height();
}

QSize CSkinButton::sizeHint() const
{
    const SkinImage &strip = CSkinImages::Get(m_stripId);
    return QSize(StripFrameWidth(strip.width), strip.height);
}

void CSkinButton::setLook(Look look)
{
    if (m_look == look)
        return;
    m_look = look;
    update();
}

void CSkinButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const SkinImage &strip = CSkinImages::Get(m_stripId);
    const int frame = StripFrameWidth(strip.width);
    if (!strip.isNull() && frame > 0)
        painter.drawPixmap(rect(), strip.pixmap, QRect(frame * m_look, 0, frame, strip.height));
    if (m_iconButton) {
        const SkinImage &icon = CSkinImages::Get(m_iconId);
        if (!icon.isNull())
            painter.drawPixmap(
                IconPosition(size(), QSize(icon.width, icon.height), m_look == Pressed),
                icon.pixmap);
    }
}

void CSkinButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_leftHeld = true;
    setLook(Pressed);
    event->accept();
}

void CSkinButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_leftHeld) {
        event->ignore();
        return;
    }
    m_leftHeld = false;
    if (!ReleaseIsInside(event->position().toPoint(), size())) {
        setLook(Normal);
    } else {
        PostUserMessage(parentWidget(), notify::kButton, ControlId());
        setLook(Hover);
    }
    event->accept();
}

void CSkinButton::mouseMoveEvent(QMouseEvent *event)
{
    // The pressed look stays while the button is held, even off the button.
    if (!m_leftHeld && m_look == Normal && rect().contains(event->position().toPoint()))
        setLook(Hover);
    event->accept();
}

void CSkinButton::enterEvent(QEnterEvent *event)
{
    if (!m_leftHeld)
        setLook(Hover);
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent *event)
{
    if (!m_leftHeld)
        setLook(Normal);
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::moveEvent(QMoveEvent *event)
{
    update();
    QAbstractButton::moveEvent(event);
}

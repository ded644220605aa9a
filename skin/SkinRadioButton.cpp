#include "SkinRadioButton.h"

#include "ControlId.h"
#include "NotificationCodes.h"
#include "SkinImages.h"
#include "UserMessage.h"

#include <QButtonGroup>
#include <QMouseEvent>
#include <QPainter>

CSkinRadioButton::CSkinRadioButton(QWidget *parent, int controlId)
    : QAbstractButton(parent)
{
    ::SetControlId(this, controlId);
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::StrongFocus);
    // A click checks the mark (an exclusive group keeps a checked mark checked) between
    // pressed and clicked, and reports once, at clicked.
    connect(this, &QAbstractButton::pressed, this, [this] { m_clicking = true; });
    connect(this, &QAbstractButton::clicked, this, [this] {
        m_clicking = false;
        post();
    });
    connect(this, &QAbstractButton::toggled, this, &CSkinRadioButton::onToggled);
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
    m_ownerSetting = true;
    if (!checked && isChecked()) {
        // An exclusive group refuses to clear its checked button; the owner may.
        if (QButtonGroup *buttons = group()) {
            const bool exclusive = buttons->exclusive();
            buttons->setExclusive(false);
            setChecked(false);
            buttons->setExclusive(exclusive);
        } else {
            const bool exclusive = autoExclusive();
            setAutoExclusive(false);
            setChecked(false);
            setAutoExclusive(exclusive);
        }
    } else {
        setChecked(checked);
    }
    m_ownerSetting = false;
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
    const bool checked = isChecked();
    const SkinImage &a = CSkinImages::Get(m_imageA);
    const SkinImage &b = CSkinImages::Get(m_imageB);
    const SkinImage &source = (m_mode == 2 && !checked) ? b : a;
    const QRect from =
        SourceRect(m_mode, checked, QSize(a.width, a.height), QSize(b.width, b.height));
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
    // The press is the click: it checks the mark and reports at once.
    click();
    event->accept();
}

void CSkinRadioButton::post()
{
    PostUserMessage(parentWidget(), notify::kRadio, ControlId());
}

void CSkinRadioButton::onToggled(bool checked)
{
    if (!checked)
        return;
    updateTabStops();
    // Checked by other means than a click or the owner (the toggle action of assistive
    // technology): the owner hears of it as of a press.
    if (!m_clicking && !m_ownerSetting)
        post();
}

void CSkinRadioButton::updateTabStops()
{
    // Tab reaches a group at its checked mark; the arrow keys move within the group.
    QList<QAbstractButton *> peers;
    if (QButtonGroup *buttons = group()) {
        peers = buttons->buttons();
    } else if (autoExclusive() && parentWidget()) {
        const auto siblings =
            parentWidget()->findChildren<CSkinRadioButton *>(QString(), Qt::FindDirectChildrenOnly);
        for (CSkinRadioButton *sibling : siblings) {
            if (sibling->autoExclusive() && !sibling->group())
                peers.append(sibling);
        }
    }
    for (QAbstractButton *peer : std::as_const(peers))
        peer->setFocusPolicy(peer == this ? Qt::StrongFocus : Qt::ClickFocus);
}

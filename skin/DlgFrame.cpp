#include "DlgFrame.h"

#include "ControlId.h"
#include "SkinImages.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

// The client area: paints through the frame and hands notifications of the controls placed in
// it on to the frame.
class CFrameClient : public QWidget
{
public:
    explicit CFrameClient(CDlgFrame *frame)
        : QWidget(frame)
        , m_frame(frame)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == CUserMessage::EventType())
            return QCoreApplication::sendEvent(m_frame, event);
        return QWidget::event(event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        m_frame->PaintClient(painter, event->rect());
    }
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        m_frame->ClientResized(size());
    }
    void enterEvent(QEnterEvent *event) override
    {
        // Leaving the frame for the client area is leaving the non-client area.
        if (!(QApplication::mouseButtons() & Qt::LeftButton))
            m_frame->resetCaptionStates();
        QWidget::enterEvent(event);
    }

private:
    CDlgFrame *m_frame;
};

namespace {

constexpr int kVersionString = 289;

void drawStripFrame(QPainter &p, int imageId, const QRect &target, int state)
{
    const SkinImage &strip = CSkinImages::Get(imageId);
    const int frame = StripFrameWidth(strip.width);
    if (strip.isNull() || frame == 0)
        return;
    p.drawPixmap(target, strip.pixmap, QRect(frame * state, 0, frame, strip.height));
}

void drawStretched(QPainter &p, int imageId, const QRect &target)
{
    const SkinImage &image = CSkinImages::Get(imageId);
    if (!image.isNull() && target.width() > 0 && target.height() > 0)
        p.drawPixmap(target, image.pixmap);
}

void drawAt(QPainter &p, int imageId, QPoint at)
{
    const SkinImage &image = CSkinImages::Get(imageId);
    if (!image.isNull())
        p.drawPixmap(at, image.pixmap);
}

} // namespace

CDlgFrame::CDlgFrame(QWidget *parent)
    : QDialog(parent)
    , m_sizes(FrameImageSizes::FromSkin())
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowSystemMenuHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_client = new CFrameClient(this);
    const QMargins m = NonClientMargins();
    m_client->setGeometry(m.left(), m.top(), qMax(0, width() - m.left() - m.right()),
                          qMax(0, height() - m.top() - m.bottom()));
}

CDlgFrame::~CDlgFrame() = default;

QWidget *CDlgFrame::Client() const
{
    return m_client;
}

QSize CDlgFrame::ClientSize() const
{
    // From the window's size, so that it is right before a hidden window gets its resize.
    const QMargins m = NonClientMargins();
    return QSize(qMax(0, width() - m.left() - m.right()), qMax(0, height() - m.top() - m.bottom()));
}

void CDlgFrame::ResizeClient(QSize client)
{
    const QMargins m = NonClientMargins();
    resize(client.width() + m.left() + m.right(), client.height() + m.top() + m.bottom());
}

void CDlgFrame::SetCaptionText(const QString &text)
{
    m_caption = text;
    update(0, 0, width(), NonClientMargins().top());
}

void CDlgFrame::SetTitleShown(bool shown)
{
    m_titleShown = shown;
    update();
}

void CDlgFrame::SetVersionBadgeShown(bool shown)
{
    m_badgeShown = shown;
    update();
}

void CDlgFrame::SetCaptionButtonsEnabled(bool enabled)
{
    m_buttonsEnabled = enabled;
    resetCaptionStates();
    update();
}

bool CDlgFrame::AddControlTip(int controlId, const QString &text)
{
    if (!m_tooltipsEnabled)
        return false;
    QWidget *control = FindControl(this, controlId);
    if (!control)
        return false;
    QString tip = text;
    if (tip.isEmpty())
        tip = LoadResString(controlId).section(QLatin1Char('\n'), 0, 0);
    control->setToolTip(tip);
    // The accessible name falls back on the control's name while the text is missing.
    control->setAccessibleName(tip.isEmpty() ? control->objectName() : tip);
    return true;
}

void CDlgFrame::SetMaximisedFlag(bool maximised)
{
    m_maximised = maximised;
    update();
}

int CDlgFrame::CaptionButtonState(CaptionButton button) const
{
    return button == CaptionButton::None ? 0 : m_states[static_cast<int>(button)];
}

QRect CDlgFrame::CaptionButtonRect(CaptionButton button) const
{
    return ::CaptionButtonRect(button, width(), m_sizes);
}

void CDlgFrame::PaintClient(QPainter &painter, const QRect &clip)
{
    painter.fillRect(clip, BackgroundColour());
}

void CDlgFrame::ClientResized(QSize) {}

void CDlgFrame::FillSystemMenu(QMenu *) {}

void CDlgFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int W = width();
    const int H = height();
    const QMargins m = NonClientMargins();
    p.setClipRegion(QRegion(rect()) - QRegion(m_client->geometry()));
    p.fillRect(rect(), BackgroundColour());

    const auto w = [](int id) { return CSkinImages::Width(id); };
    const auto h = [](int id) { return CSkinImages::Height(id); };
    drawAt(p, 3005, QPoint(0, 0));
    drawStretched(p, 3004, QRect(w(3005), 0, W - w(3005) - w(3006), h(3004)));
    drawAt(p, 3006, QPoint(W - w(3006), 0));
    drawStretched(p, 3007, QRect(0, h(3004), w(3007), H - h(3004) - h(3009)));
    drawStretched(p, 3008, QRect(W - w(3008), h(3004), w(3008), H - h(3004) - h(3009)));
    drawAt(p, 3010, QPoint(0, H - h(3010)));
    drawStretched(p, 3009, QRect(w(3010), H - h(3009), W - w(3011) - w(3010), h(3009)));
    drawAt(p, 3011, QPoint(W - w(3011), H - h(3011)));

    if (m_buttonsEnabled) {
        drawStripFrame(p, 3000, CaptionButtonRect(CaptionButton::Close), m_states[0]);
        drawStripFrame(p, m_maximised ? 3003 : 3001, CaptionButtonRect(CaptionButton::Maximise),
                       m_states[1]);
        drawStripFrame(p, 3002, CaptionButtonRect(CaptionButton::Minimise), m_states[2]);
    }
    if (m_titleShown && !m_caption.isEmpty()) {
        const QRect band(0, 0, m_client->width(), m.top());
        p.setPen(Qt::white);
        p.setFont(font());
        const QString text =
            fontMetrics().elidedText(m_caption, Qt::ElideRight, qMax(0, band.width()));
        p.drawText(band, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    drawAt(p, 3013, QPoint(10, 4));
    if (m_badgeShown) {
        const int bw = w(3012);
        drawAt(p, 3012, QPoint(W - bw - 10, 0));
        const QRect band(W - bw - 10, 0, 50, h(3012));
        p.setPen(Qt::white);
        const QString text =
            fontMetrics().elidedText(LoadResString(kVersionString), Qt::ElideRight, band.width());
        p.drawText(band, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

void CDlgFrame::resizeEvent(QResizeEvent *event)
{
    const QMargins m = NonClientMargins();
    m_client->setGeometry(m.left(), m.top(), qMax(0, width() - m.left() - m.right()),
                          qMax(0, height() - m.top() - m.bottom()));
    QDialog::resizeEvent(event);
}

void CDlgFrame::setState(CaptionButton button, int state)
{
    for (int i = 0; i < 3; ++i)
        m_states[i] = (static_cast<int>(button) == i) ? state : 0;
    update(0, 0, width(), NonClientMargins().top());
}

void CDlgFrame::resetCaptionStates()
{
    if (m_states[0] || m_states[1] || m_states[2])
        setState(CaptionButton::None, 0);
}

bool CDlgFrame::inTopBar(QPoint point) const
{
    return point.y() >= 0 && point.y() < NonClientMargins().top();
}

Qt::Edges CDlgFrame::edgesAt(QPoint point) const
{
    // Resizing from the left, right and bottom borders (the top one is the top bar).
    const QMargins m = NonClientMargins();
    Qt::Edges edges;
    if (!m_resizable || point.y() < m.top())
        return edges;
    if (point.x() < m.left())
        edges |= Qt::LeftEdge;
    if (point.x() >= width() - m.right())
        edges |= Qt::RightEdge;
    if (point.y() >= height() - m.bottom())
        edges |= Qt::BottomEdge;
    return edges;
}

void CDlgFrame::toggleMaximised()
{
    m_maximised = !m_maximised;
    if (m_maximised)
        showMaximized();
    else
        showNormal();
}

void CDlgFrame::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    if (m_buttonsEnabled) {
        const CaptionButton button = CaptionButtonAt(pos, width(), m_sizes);
        if (button != CaptionButton::None) {
            setState(button, 2);
            return;
        }
        if (m_maximised)
            return; // a maximised window stays where it is
        resetCaptionStates();
    }
    if (inTopBar(pos)) {
        m_movePending = true;
        m_pressPos = pos;
        return;
    }
    const Qt::Edges edges = edgesAt(pos);
    if (edges && !m_maximised && windowHandle())
        windowHandle()->startSystemResize(edges);
}

void CDlgFrame::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        if (m_manualMove) {
            move(event->globalPosition().toPoint() - m_pressPos);
        } else if (m_movePending &&
                   (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_movePending = false;
            // Where the window system cannot move the window itself, follow the mouse.
            if (!windowHandle() || !windowHandle()->startSystemMove())
                m_manualMove = true;
        }
        return; // a held caption button keeps its pressed look
    }
    const Qt::Edges edges = m_maximised ? Qt::Edges() : edgesAt(pos);
    if (edges == (Qt::LeftEdge | Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges == (Qt::RightEdge | Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & Qt::BottomEdge)
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
    if (!m_buttonsEnabled)
        return;
    const CaptionButton button = CaptionButtonAt(pos, width(), m_sizes);
    if (button != CaptionButton::None) {
        if (CaptionButtonState(button) != 1)
            setState(button, 1);
    } else {
        resetCaptionStates();
    }
}

void CDlgFrame::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mouseReleaseEvent(event);
    m_movePending = false;
    m_manualMove = false;
    if (!m_buttonsEnabled)
        return;
    const CaptionButton over = CaptionButtonAt(event->position().toPoint(), width(), m_sizes);
    if (m_states[0] == 2 && over == CaptionButton::Close) {
        setState(CaptionButton::None, 0);
        // Posted, so the close runs after this handler has returned.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    } else if (m_states[1] == 2 && over == CaptionButton::Maximise) {
        setState(CaptionButton::None, 0);
        toggleMaximised();
    } else if (m_states[2] == 2 && over == CaptionButton::Minimise) {
        setState(CaptionButton::None, 0);
        showMinimized();
    }
    // A button released elsewhere keeps its pressed look until the mouse moves again.
}

void CDlgFrame::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mouseDoubleClickEvent(event);
    const QPoint pos = event->position().toPoint();
    if (!m_buttonsEnabled)
        return; // no maximising by double-click
    const CaptionButton button = CaptionButtonAt(pos, width(), m_sizes);
    if (button != CaptionButton::None) {
        setState(button, 2); // the second press of a double-click is a press
        return;
    }
    m_movePending = false;
    if (inTopBar(pos))
        toggleMaximised();
}

void CDlgFrame::leaveEvent(QEvent *event)
{
    if (!(QApplication::mouseButtons() & Qt::LeftButton))
        resetCaptionStates();
    QDialog::leaveEvent(event);
}

void CDlgFrame::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // never closes a frame window
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CDlgFrame::closeEvent(QCloseEvent *event)
{
    // The close button's posted close (or the window manager's) ends the dialog with the
    // cancel result.
    event->accept();
    if (isVisible())
        done(2);
}

void CDlgFrame::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (!isMinimized())
            m_maximised = isMaximized();
        update();
    }
    QDialog::changeEvent(event);
}

QString CDlgFrame::MenuStyleSheet()
{
    const QColor back = BackgroundColour();
    return QStringLiteral(
               "QMenu { background-color: %1; color: rgb(210, 210, 210);"
               " border: 1px solid rgb(80, 80, 80); padding: 3px 0px; }"
               "QMenu::item { background-color: transparent; padding: 4px 28px 4px 20px; }"
               "QMenu::item:selected { background-color: rgb(70, 70, 70); color: white; }"
               "QMenu::item:disabled { color: rgb(110, 110, 110); }"
               "QMenu::separator { height: 1px; background: rgb(70, 70, 70); margin: 3px 8px; }")
        .arg(back.name());
}

void CDlgFrame::contextMenuEvent(QContextMenuEvent *event)
{
    if (!inTopBar(event->pos()))
        return QDialog::contextMenuEvent(event);
    QMenu menu(this);
    menu.setStyleSheet(MenuStyleSheet());
    FillSystemMenu(&menu);
    if (!menu.isEmpty())
        menu.exec(event->globalPos());
}

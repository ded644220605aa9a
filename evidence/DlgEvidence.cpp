#include "DlgEvidence.h"

#include "NotificationCodes.h"
#include "SkinButton.h"
#include "SkinImages.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "UserMessage.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int kButtonFace = 3144; // the blank dialog button
constexpr int kCheckImage = 3148; // the radio on the frame's background
constexpr int kBarBackImage = 3204;
constexpr int kBarFillImage = 3205;

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A blank skinned button with its label drawn on it.
class CLabelButton : public CSkinButton
{
public:
    CLabelButton(QWidget *parent, int id, const QString &label)
        : CSkinButton(parent, id)
        , m_label(label)
    {
        SetStripImage(kButtonFace);
        setAccessibleName(label);
        setToolTip(label);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        CSkinButton::paintEvent(event);
        QPainter painter(this);
        painter.setPen(isEnabled() ? Qt::white : Qt::gray);
        QFont f = font();
        f.setPixelSize(13);
        painter.setFont(f);
        painter.drawText(rect().translated(CurrentLook() == Pressed ? 1 : 0, 0), Qt::AlignCenter,
                         m_label);
    }

private:
    QString m_label;
};

QFont TextFont(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

const QString kOverlayText = QStringLiteral("Speed and position on the picture");
const QString kLocationText = QStringLiteral("Include location");

} // namespace

EvidenceDialogLayout MakeEvidenceDialogLayout(QSize client, QSize button, QSize check)
{
    EvidenceDialogLayout l;
    const int left = 20, width = client.width() - 2 * left;
    l.title = QRect(left, 12, width, 22);
    for (int k = 0; k < 3; ++k)
        l.info[k] = QRect(left, 42 + 20 * k, width, 18);
    for (int k = 0; k < 2; ++k) {
        const int top = 114 + 26 * k;
        l.check[k] = QRect(QPoint(left, top + (18 - check.height()) / 2), check);
        l.checkText[k] = QRect(left + check.width() + 8, top, width - check.width() - 8, 18);
    }
    l.progress = QRect(left, 172, width, 10);
    l.status = QRect(left, 184, width, 18);
    const int buttonTop = client.height() - button.height() - 14;
    l.cancelButton = QRect(QPoint(client.width() - left - button.width(), buttonTop), button);
    l.exportButton = l.cancelButton.translated(-(button.width() + 10), 0);
    return l;
}

QStringList EvidenceSpanLines(const EvidenceSpan &span, const QStringList &clips)
{
    const bool sameDay = span.start.date() == span.end.addSecs(-1).date();
    const QString end = span.end.toString(sameDay ? QStringLiteral("HH:mm:ss") : kTimeFormat);
    return {
        QStringLiteral("Span (camera time): %1 to %2").arg(span.start.toString(kTimeFormat), end),
        QStringLiteral("Length: %1 s").arg(span.Seconds()),
        QStringLiteral("Recordings: %1").arg(clips.join(QStringLiteral(", ")))};
}

CDlgEvidence::CDlgEvidence(std::unique_ptr<CEvidenceJob> job, QWidget *parent)
    : CDlgFrame(parent)
    , m_job(std::move(job))
{
    setAccessibleName(QStringLiteral("Export evidence"));
    SetCaptionText(QStringLiteral("Export evidence"));
    SetCaptionButtonsEnabled(false);
    ResizeClient(kClientSize);
    const QSize button(CSkinImages::Width(kButtonFace) / 3, CSkinImages::Height(kButtonFace));
    const QSize check(CSkinImages::Width(kCheckImage) / 2, CSkinImages::Height(kCheckImage));
    m_layout = MakeEvidenceDialogLayout(kClientSize, button, check);
    m_lines = EvidenceSpanLines(m_job->Plan().span, m_job->Plan().TouchedFiles());

    m_export = new CLabelButton(Client(), kExportId, QStringLiteral("Export"));
    m_export->setGeometry(m_layout.exportButton);
    m_cancel = new CLabelButton(Client(), kCancelId, QStringLiteral("Cancel"));
    m_cancel->setGeometry(m_layout.cancelButton);
    const auto makeCheck = [&](int id, int row, const QString &text) {
        auto *box = new CSkinRadioButton(Client(), id);
        box->setAutoExclusive(false); // a check box, not one of a group
        box->SetMode(1);
        box->SetImages(kCheckImage);
        box->SetChecked(true);
        box->setGeometry(m_layout.check[row]);
        box->setAccessibleName(text);
        box->setToolTip(text);
        return box;
    };
    m_overlayCheck = makeCheck(kOverlayId, 0, kOverlayText);
    m_locationCheck = makeCheck(kLocationId, 1, kLocationText);

    m_progress = new CSkinSlider(Client(), kProgressId);
    m_progress->SetKnobMode(false);
    m_progress->SetBackgroundImage(kBarBackImage);
    m_progress->SetFillImage(kBarFillImage);
    m_progress->SetRange(0, 1000);
    m_progress->SetPos(0);
    m_progress->setGeometry(m_layout.progress);
    m_progress->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_progress->setAccessibleName(QStringLiteral("Export progress"));
    m_progress->hide();

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CDlgEvidence::onTick);
}

CDlgEvidence::~CDlgEvidence()
{
    m_job->cancel();
    m_job->Wait();
}

void CDlgEvidence::StartExport()
{
    if (m_exporting)
        return;
    m_exporting = true;
    m_job->SetChoices(m_overlay, m_location);
    m_export->setEnabled(false);
    m_overlayCheck->setEnabled(false);
    m_locationCheck->setEnabled(false);
    m_progress->show();
    m_timer.start();
    m_job->Start();
    Client()->update();
}

void CDlgEvidence::Cancel()
{
    if (!m_exporting) {
        done(2);
        return;
    }
    m_job->cancel();
    Client()->update();
}

void CDlgEvidence::onTick()
{
    m_progress->SetPos(m_job->Progress());
    if (!m_job->Done())
        return;
    m_timer.stop();
    m_job->Wait();
    done(m_job->Succeeded() ? 1 : 2);
}

bool CDlgEvidence::event(QEvent *event)
{
    if (event->type() == CUserMessage::EventType()) {
        const auto *message = static_cast<CUserMessage *>(event);
        const int id = int(message->Value());
        if (message->Code() == notify::kButton && id == kExportId)
            StartExport();
        else if (message->Code() == notify::kButton && id == kCancelId)
            Cancel();
        else if (message->Code() == notify::kRadio && !m_exporting) {
            m_overlay = m_overlayCheck->IsChecked();
            m_location = m_locationCheck->IsChecked();
        }
        return true;
    }
    return CDlgFrame::event(event);
}

void CDlgEvidence::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        Cancel();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        StartExport();
        event->accept();
        return;
    default:
        CDlgFrame::keyPressEvent(event);
    }
}

void CDlgEvidence::closeEvent(QCloseEvent *event)
{
    Cancel(); // the job's end closes the dialog
    event->ignore();
}

void CDlgEvidence::reject()
{
    Cancel();
}

void CDlgEvidence::PaintClient(QPainter &painter, const QRect &clip)
{
    CDlgFrame::PaintClient(painter, clip);
    painter.setPen(Qt::white);
    painter.setFont(TextFont(16, true));
    painter.drawText(m_layout.title, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Export evidence"));
    painter.setFont(TextFont(13));
    const QFontMetrics metrics(painter.font());
    for (int k = 0; k < 3 && k < m_lines.size(); ++k)
        painter.drawText(m_layout.info[k], Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(m_lines[k], Qt::ElideMiddle, m_layout.info[k].width()));
    painter.setPen(m_exporting ? Qt::gray : Qt::white);
    painter.drawText(m_layout.checkText[0], Qt::AlignLeft | Qt::AlignVCenter, kOverlayText);
    painter.drawText(m_layout.checkText[1], Qt::AlignLeft | Qt::AlignVCenter, kLocationText);
    if (m_exporting) {
        painter.setPen(Qt::white);
        painter.drawText(m_layout.status, Qt::AlignLeft | Qt::AlignVCenter,
                         m_job->Cancelled() ? QStringLiteral("Stopping...")
                                            : QStringLiteral("Exporting... press Esc to stop."));
    }
}

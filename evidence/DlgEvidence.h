#pragma once

#include "DlgFrame.h"
#include "EvidenceExport.h"

#include <QRect>
#include <QTimer>

#include <memory>

class CSkinButton;
class CSkinRadioButton;
class CSkinSlider;

// Where the evidence dialog's pieces go in its client area.
struct EvidenceDialogLayout
{
    QRect title;
    QRect info[3]; // span, length, clips
    QRect check[2];
    QRect checkText[2];
    QRect progress;
    QRect status;
    QRect exportButton;
    QRect cancelButton;
};
EvidenceDialogLayout MakeEvidenceDialogLayout(QSize client, QSize button, QSize check);

// The texts of the dialog's three information lines.
QStringList EvidenceSpanLines(const EvidenceSpan &span, const QStringList &clips);

// "Export evidence": the span with its length and clips, the two choices, Export and Cancel;
// then a progress bar while the job runs on its worker. Esc (or Cancel, or closing) before the
// export closes the dialog; during it, cancels the job, which removes what it made. The dialog
// ends with 1 when the folder was made, 2 otherwise (the job says why).
class CDlgEvidence : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr QSize kClientSize{480, 250};
    static constexpr int kTickMs = 100;
    static constexpr int kExportId = 1101, kCancelId = 1102, kOverlayId = 1103, kLocationId = 1104,
                         kProgressId = 1105;

    // `job` has been prepared (its span is valid).
    explicit CDlgEvidence(std::unique_ptr<CEvidenceJob> job, QWidget *parent = nullptr);
    ~CDlgEvidence() override;

    CEvidenceJob &Job() { return *m_job; }
    bool Overlay() const { return m_overlay; }
    bool Location() const { return m_location; }
    bool IsExporting() const { return m_exporting; }
    CSkinSlider *Progress() const { return m_progress; }
    CSkinButton *ExportButton() const { return m_export; }
    CSkinRadioButton *OverlayCheck() const { return m_overlayCheck; }
    CSkinRadioButton *LocationCheck() const { return m_locationCheck; }

    // Starts the export with the choices made (the Export button).
    void StartExport();
    // Stops the export (Esc, Cancel, a removed card); closes the dialog when none runs.
    void Cancel();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    void PaintClient(QPainter &painter, const QRect &clip) override;

private:
    void onTick();

    std::unique_ptr<CEvidenceJob> m_job;
    EvidenceDialogLayout m_layout;
    QStringList m_lines;
    CSkinButton *m_export = nullptr;
    CSkinButton *m_cancel = nullptr;
    CSkinRadioButton *m_overlayCheck = nullptr;
    CSkinRadioButton *m_locationCheck = nullptr;
    CSkinSlider *m_progress = nullptr;
    QTimer m_timer;
    bool m_overlay = true;
    bool m_location = true;
    bool m_exporting = false;
};

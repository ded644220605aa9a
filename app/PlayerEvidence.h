#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

class CDlgEvidence;
class CRX9VantoraPCPlayerDlg;
class QMenu;

// The main window's evidence export: "Export evidence..." in the right-click menu and the key E
// export the moments around the second being watched (around the shock after a jump to one);
// I and O set the span's start and end at the second being watched.
class CPlayerEvidence : public QObject
{
    Q_OBJECT
public:
    static constexpr int kExportEvidenceCommand = 32813;
    static constexpr Qt::Key kExportKey = Qt::Key_E;
    static constexpr Qt::Key kMarkInKey = Qt::Key_I;
    static constexpr Qt::Key kMarkOutKey = Qt::Key_O;

    explicit CPlayerEvidence(CRX9VantoraPCPlayerDlg *player);

    void AddMenuItems(QMenu *menu);
    bool OnCommand(int commandId);
    bool HandleKey(int key);

    // The second being watched on the camera's clock; none without an open recording.
    std::optional<QDateTime> CurrentMoment() const;
    void MarkIn();
    void MarkOut();
    std::optional<QDateTime> MarkedIn() const { return m_in; }
    std::optional<QDateTime> MarkedOut() const { return m_out; }
    // Forgets the marks (also forgotten when another card is open).
    void ClearMarks();

    // Asks for the export and runs it.
    void ExportEvidence();
    // Stops a running export (the card went away); what it made is removed.
    void CancelExport();
    CDlgEvidence *Dialog() const { return m_dialog; }

    // Runs the dialog; default: modal. Tests drive it themselves.
    std::function<int(CDlgEvidence *)> runDialog;

private:
    void setMark(std::optional<QDateTime> &mark);
    CRX9VantoraPCPlayerDlg *m_player;
    std::optional<QDateTime> m_in;
    std::optional<QDateTime> m_out;
    QString m_marksFolder;            // the card the marks belong to
    CDlgEvidence *m_dialog = nullptr; // while the dialog runs
};

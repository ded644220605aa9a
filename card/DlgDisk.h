#pragma once

#include "CardTarget.h"
#include "DlgFrame.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CSkinButton;
class CXListCtrl;

// The row of the card the player shows now: the card whose root holds `path` (the deepest one
// when roots nest); -1 when the path lies on none of them.
int PreselectedCardRow(const QStringList &roots, const QString &path);

// The card dialog: every removable card with its name, capacity, used and free space. The
// user picks one (OK, double-click, Enter or Space), refreshes the list or formats the
// selected card. Result 1: Path() is the chosen card's root; 2: nothing was chosen. Each row
// keeps the pin of its card's device as the list was filled, and a format is for that device
// only. While a format runs the window stays alive but its buttons and keys do nothing.
class CDlgDisk : public CDlgFrame
{
    Q_OBJECT
public:
    enum ControlIds {
        kOkId = 1032,
        kCancelId = 1033,
        kRefreshId = 1034,
        kFormatId = 1035,
        kListId = 1036
    };
    static constexpr QSize kWindowSize{402, 168};

    explicit CDlgDisk(QWidget *parent = nullptr);

    // The root shown now (empty when none); after OK the chosen root.
    void SetPath(const QString &path) { m_path = path; }
    QString Path() const { return m_path; }

    // Where the cards come from (the removable drives by default).
    void SetDriveSource(std::function<QStringList()> source);
    // Where the rows' pins come from (the system's mount table and sysfs by default).
    void SetPinSource(std::function<std::optional<CardPin>(const QString &root)> source);
    // Formats the card at a root, whose device was `pin` when the list was filled; gives the root
    // the card has afterwards (empty when none).
    void SetFormatHandler(
        std::function<QString(const QString &root, const std::optional<CardPin> &pin)> handler);
    // Shows a message (string id) over the dialog; the message box by default.
    void SetMessageHandler(std::function<void(int stringId)> handler);

    // Re-reads the cards and fills the list.
    void FillList();
    // The same when the cards changed on their own (one came or went): the cards selected stay
    // selected, wherever their rows are now. Nothing while a format runs (it fills the list
    // when it ends).
    void RefreshKeepingSelection();

    CXListCtrl *List() const { return m_list; }
    QStringList Roots() const { return m_roots; }
    CSkinButton *Button(int id) const;

    // The buttons' work (also reached by their clicks).
    void Accept();         // OK: exactly one row selected, else ends with 2
    void AcceptFirst();    // double-click, Enter, Space
    void FormatSelected(); // Format
    // Whether a format is running.
    bool Busy() const { return m_busy; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<int> selectedRows() const;
    bool handleKey(int key);

    CSkinButton *m_buttons[4] = {};
    CXListCtrl *m_list;
    QString m_path;
    QStringList m_roots;
    QList<std::optional<CardPin>> m_pins;
    bool m_busy = false;
    std::function<QStringList()> m_source;
    std::function<std::optional<CardPin>(const QString &)> m_pinSource;
    std::function<QString(const QString &, const std::optional<CardPin> &)> m_format;
    std::function<void(int)> m_message;
};

#include "DlgDisk.h"

#include "DlgMessage.h"
#include "DriveUtils.h"
#include "NotificationCodes.h"
#include "SkinButton.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QCloseEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace {
constexpr int kNoCardString = 130;
constexpr int kOneCardString = 131;

QString cleanRoot(const QString &path)
{
    return DriveRoot(QDir::cleanPath(path));
}
} // namespace

int PreselectedCardRow(const QStringList &roots, const QString &path)
{
    if (path.isEmpty())
        return -1;
    const QString shown = cleanRoot(path);
    int best = -1;
    for (int row = 0; row < roots.size(); ++row) {
        const QString root = cleanRoot(roots[row]);
        if (shown.startsWith(root) && (best < 0 || root.size() > cleanRoot(roots[best]).size()))
            best = row;
    }
    return best;
}

CDlgDisk::CDlgDisk(QWidget *parent)
    : CDlgFrame(parent)
    , m_list(new CXListCtrl(Client()))
    , m_source([] {
        QStringList roots;
        ListRemovableDrives(roots);
        return roots;
    })
    , m_pinSource([](const QString &root) { return PinCard(DriveProbe(), root); })
    , m_message([this](int id) { ShowMessageId(kMessageOk, id, this); })
{
    SetCaptionButtonsEnabled(false);
    setAccessibleName(QStringLiteral("Select the Drive"));
    struct ButtonPlace
    {
        int id;
        int image;
        int y;
        const char *name;
    };
    const ButtonPlace places[4] = {{kOkId, 3124, 5, "OK"},
                                   {kCancelId, 3125, 37, "Cancel"},
                                   {kRefreshId, 3135, 69, "Refresh"},
                                   {kFormatId, 3136, 101, "Format"}};
    for (int i = 0; i < 4; ++i) {
        auto *button = new CSkinButton(Client(), places[i].id);
        button->SetStripImage(places[i].image);
        button->setGeometry(332, places[i].y, 64, 29);
        button->setAccessibleName(QString::fromLatin1(places[i].name));
        button->setToolTip(QString::fromLatin1(places[i].name));
        m_buttons[i] = button;
    }

    ResizeClient(kWindowSize);
    m_list->SetControlId(kListId);
    m_list->SetReceiver(this);
    m_list->setGeometry(7, 5, 320, ClientSize().height() - 10);
    m_list->setAccessibleName(QStringLiteral("Cards"));
    m_list->AddColumn(QStringLiteral("이름"), 104);
    m_list->AddColumn(QStringLiteral("용량"), 72);
    m_list->AddColumn(QStringLiteral("사용"), 72);
    m_list->AddColumn(QStringLiteral("여유"), 72);
    m_list->SetListFont(CellHeightFont(QStringLiteral("Arial"), 22));
    // Name, Capacity, Used, Free as the skin draws them (3413 is the "Date" caption).
    m_list->Header()->SetCaptionImages({3412, 3411, 3409, 3417});
    m_list->SetSortable(false);
    m_list->installEventFilter(this);
    m_list->setFocus();
}

void CDlgDisk::SetDriveSource(std::function<QStringList()> source)
{
    m_source = std::move(source);
}

void CDlgDisk::SetPinSource(std::function<std::optional<CardPin>(const QString &root)> source)
{
    m_pinSource = std::move(source);
}

void CDlgDisk::SetFormatHandler(
    std::function<QString(const QString &root, const std::optional<CardPin> &pin)> handler)
{
    m_format = std::move(handler);
}

void CDlgDisk::SetMessageHandler(std::function<void(int stringId)> handler)
{
    m_message = std::move(handler);
}

CSkinButton *CDlgDisk::Button(int id) const
{
    for (CSkinButton *button : m_buttons) {
        if (button->ControlId() == id)
            return button;
    }
    return nullptr;
}

void CDlgDisk::showEvent(QShowEvent *event)
{
    CDlgFrame::showEvent(event);
    m_list->setFocus();
}

void CDlgDisk::FillList()
{
    m_list->DeleteAllRows();
    m_roots = m_source ? m_source() : QStringList();
    m_pins.clear();
    for (const QString &root : std::as_const(m_roots)) {
        m_pins.append(m_pinSource ? m_pinSource(root) : std::nullopt);
        qint64 total = 0;
        qint64 free = 0;
        qint64 used = 0;
        GetDiskSpace(root, total, free, used);
        const int row = m_list->AppendRow(GetVolumeDisplayName(root));
        m_list->SetCellText(row, 1, FormatSize(total));
        m_list->SetCellText(row, 2, FormatSize(used));
        m_list->SetCellText(row, 3, FormatSize(free));
    }
    const int selected = PreselectedCardRow(m_roots, m_path);
    if (selected >= 0)
        m_list->SelectOnly(selected);
}

void CDlgDisk::RefreshKeepingSelection()
{
    if (m_busy)
        return;
    QStringList selected;
    for (int row : selectedRows()) {
        if (row < m_roots.size())
            selected.append(m_roots[row]);
    }
    FillList();
    QItemSelectionModel *selection = m_list->selectionModel();
    selection->clear();
    for (int row = 0; row < m_roots.size(); ++row) {
        if (selected.contains(m_roots[row]))
            selection->select(m_list->Model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<int> CDlgDisk::selectedRows() const
{
    QList<int> rows;
    for (const CXListCtrl::SelectedRow &row : m_list->GetSelectedRows())
        rows.append(row.row);
    return rows;
}

void CDlgDisk::Accept()
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 1 || rows.first() >= m_roots.size()) {
        done(2);
        return;
    }
    m_path = m_roots[rows.first()];
    done(1);
}

void CDlgDisk::AcceptFirst()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || rows.first() >= m_roots.size()) {
        done(2);
        return;
    }
    m_path = m_roots[rows.first()];
    done(1);
}

void CDlgDisk::FormatSelected()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        m_message(kNoCardString);
        return;
    }
    if (rows.size() > 1) {
        m_message(kOneCardString);
        return;
    }
    if (rows.first() >= m_roots.size())
        return;
    if (m_format) {
        // The window stays alive while the card is formatted; nothing in it may start anything.
        m_busy = true;
        const QString after = m_format(m_roots[rows.first()], m_pins.value(rows.first()));
        m_busy = false;
        // The card may come back at another mount point: it stays the one selected.
        if (!after.isEmpty())
            m_path = after;
    }
    FillList();
}

void CDlgDisk::closeEvent(QCloseEvent *event)
{
    // The window manager's close would end the dialog under a running format.
    if (m_busy) {
        event->ignore();
        return;
    }
    CDlgFrame::closeEvent(event);
}

bool CDlgDisk::event(QEvent *event)
{
    if (event->type() != CUserMessage::EventType())
        return CDlgFrame::event(event);
    const auto *message = static_cast<CUserMessage *>(event);
    if (m_busy)
        return true;
    if (message->Code() == notify::kButton) {
        switch (message->Value()) {
        case kOkId:
            Accept();
            break;
        case kCancelId:
            done(2);
            break;
        case kRefreshId:
            FillList();
            break;
        case kFormatId:
            FormatSelected();
            break;
        default:
            break;
        }
    } else if (message->Code() == notify::kRowDoubleClicked) {
        AcceptFirst();
    }
    return true;
}

bool CDlgDisk::handleKey(int key)
{
    if (m_busy)
        // During a format the keys that would end the dialog are swallowed.
        return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
               key == Qt::Key_Escape;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        AcceptFirst();
        return true;
    case Qt::Key_Escape:
        done(2);
        return true;
    default:
        return false;
    }
}

bool CDlgDisk::eventFilter(QObject *watched, QEvent *event)
{
    // The dialog answers these keys before the list would take them.
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        handleKey(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return CDlgFrame::eventFilter(watched, event);
}

void CDlgDisk::keyPressEvent(QKeyEvent *event)
{
    if (handleKey(event->key())) {
        event->accept();
        return;
    }
    CDlgFrame::keyPressEvent(event);
}

#include "CardFormat.h"

#include "DlgMessage.h"
#include "StringTable.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kQuestionString = 132;
constexpr int kCompleteString = 133;
constexpr int kFailedString = 134;
constexpr int kNormalAnswer = 1;
constexpr int kRecoveryAnswer = 7;
} // namespace

CZeroFill::~CZeroFill()
{
    Close();
}

bool CZeroFill::Start(int fd)
{
    Close();
    if (fd < 0)
        return false;
    m_fd = fd;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    m_progress = ZeroFillProgress(size > 0 ? qint64(size) : 0);
    m_firstSector = QByteArray(512, '\0');
    if (size <= 0 || ::pread(fd, m_firstSector.data(), 512, 0) != 512)
        m_firstSector.clear();
    return size > 0 && ::lseek(fd, 0, SEEK_SET) == 0;
}

bool CZeroFill::WriteNext()
{
    static const QByteArray zeros(ZeroFillProgress::kChunkBytes, '\0');
    const qint64 length = m_progress.NextChunk();
    if (m_fd < 0 || length <= 0)
        return false;
    ssize_t written;
    do {
        written = ::write(m_fd, zeros.constData(), size_t(length));
    } while (written < 0 && errno == EINTR);
    if (written <= 0)
        return false;
    m_progress.Add(written);
    return true;
}

void CZeroFill::Close()
{
    if (m_fd >= 0) {
        ::fsync(m_fd);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool RunFormatTool(const CardDeviceOps &ops, const CardTarget &target, const QString &label)
{
    if (!ops.runTool)
        return false;
    const std::optional<QByteArray> output =
        ops.runTool(FormatToolArguments(target.totalBytes, target.device, label));
    return output && IsFormatToolSuccess(*output);
}

FormatOutcome FormatCard(const QString &root, FormatEnvironment &env)
{
    FormatOutcome outcome;
    const QString cardSettings = CardSettingsPath(root);
    const QString backup = SettingsBackupPath(env.desktopPath);
    const bool backedUp = CopyFileFromCard(root, cardSettings, backup);
    outcome.root = DriveRoot(root);

    outcome.answer = env.message(kMessageFormatChoice, LoadResString(kQuestionString));
    QString why;
    QString mountError;
    if (outcome.answer == kNormalAnswer || outcome.answer == kRecoveryAnswer) {
        // The card is checked again now: the list may be old and a disk may have changed.
        const std::optional<CardTarget> target = ResolveCardTarget(env.probe, root, &why);
        if (target) {
            if (env.clearPlayer)
                env.clearPlayer();
            if (env.ops.unmount(*target, &why)) {
                outcome.root.clear();
                QString label = target->label;
                if (outcome.answer == kNormalAnswer) {
                    outcome.succeeded = RunFormatTool(env.ops, *target, label);
                } else {
                    CZeroFill fill;
                    QString openError;
                    const auto open = [&] { return env.ops.openExclusive(*target, &openError); };
                    const int result = env.runRecovery(fill, open);
                    if (label.isEmpty())
                        label = FatVolumeLabel(fill.FirstSector());
                    fill.Close();
                    if (result == 1) {
                        // The tool runs twice after a zero fill, as the camera's own tool did.
                        const bool first = RunFormatTool(env.ops, *target, label);
                        const bool second = RunFormatTool(env.ops, *target, label);
                        outcome.succeeded = first && second;
                    } else if (!openError.isEmpty()) {
                        why = openError;
                    }
                }
                // Mounted again, whatever happened, so that the settings file can go back.
                if (const std::optional<QString> mounted = env.ops.mount(*target, &mountError))
                    outcome.root = DriveRoot(*mounted);
                else if (why.isEmpty())
                    why = mountError;
            }
        }
        QString text = LoadResString(outcome.succeeded ? kCompleteString : kFailedString);
        if (!outcome.succeeded && !why.isEmpty())
            text += QLatin1Char('\n') + why;
        env.message(kMessageOk, text);
        if (outcome.succeeded && outcome.root.isEmpty() && !backedUp)
            env.message(
                kMessageOk,
                QStringLiteral("The card is formatted but not mounted again.\n%1").arg(mountError));
    }

    if (backedUp) {
        // The copy on the desktop goes only once the card has its file back.
        outcome.settingsRestored =
            !outcome.root.isEmpty() &&
            CopyFileOntoCard(backup, outcome.root, CardSettingsPath(outcome.root));
        if (outcome.settingsRestored)
            DeleteFileAt(backup);
        else
            env.message(kMessageOk,
                        QStringLiteral("The camera's settings file could not go back to the "
                                       "card; it is kept in %1.%2")
                            .arg(backup, mountError.isEmpty() ? QString()
                                                              : QLatin1Char('\n') + mountError));
    }
    return outcome;
}

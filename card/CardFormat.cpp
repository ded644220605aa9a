#include "CardFormat.h"

#include "DlgMessage.h"
#include "MountWatcher.h"
#include "StepRunner.h"
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
    m_finished = false;
    if (fd < 0)
        return false;
    m_fd = fd;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    m_progress = ZeroFillProgress(size > 0 ? qint64(size) : 0);
    m_firstSector = QByteArray(512, '\0');
    if (size <= 0 || ::pread(fd, m_firstSector.data(), 512, 0) != 512)
        m_firstSector.clear();
    if (size <= 0)
        Close();
    return size > 0;
}

bool CZeroFill::WriteBatch()
{
    static const QByteArray zeros(ZeroFillProgress::kChunkBytes, '\0');
    const qint64 volume = m_progress.VolumeBytes();
    const qint64 chunk = ZeroFillProgress::kChunkBytes;
    // One percent of the volume, in whole chunks.
    const qint64 batch = std::max(chunk, (volume / 100 + chunk - 1) / chunk * chunk);
    const qint64 from = m_progress.Written();
    const qint64 to = std::min(volume, from + batch);
    if (m_fd < 0 || from >= to)
        return false;
    // After a failure the volume is closed here, on the writing thread: the last close of a
    // device waits for its data.
    const auto fail = [this] {
        Close();
        return false;
    };
    for (qint64 at = from; at < to;) {
        const ssize_t written =
            ::pwrite(m_fd, zeros.constData(), size_t(std::min(chunk, to - at)), at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail();
        at += written;
    }
    // Counted only once it is on the volume, not in the system's cache.
    if (::fdatasync(m_fd) != 0)
        return fail();
    m_progress.Add(to - from);
    return true;
}

bool CZeroFill::Finish()
{
    if (!AllWritten())
        return false;
    const bool flushed = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    m_finished = flushed && closed;
    return m_finished;
}

void CZeroFill::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool RunFormatTool(const CardDeviceOps &ops, const CardTarget &target, const QString &label,
                   QString *why)
{
    if (!ops.runTool)
        return false;
    const std::optional<QByteArray> output = ops.runTool(FormatToolArguments(
        target.totalBytes, target.device, label, target.pin.deviceNumber, target.pin.diskseq));
    if (output && IsFormatToolSuccess(*output))
        return true;
    if (why)
        *why = output ? QString::fromLocal8Bit(*output).trimmed()
                      : QStringLiteral("The format tool could not be started.");
    return false;
}

namespace {

// The card at `root` as it is now, when it is still the pinned device.
std::optional<CardTarget> resolvePinned(const DriveProbe &probe, const QString &root,
                                        const std::optional<CardPin> &pin, QString *why)
{
    std::optional<CardTarget> target = ResolveCardTarget(probe, root, why);
    if (target && (!pin || target->pin != *pin)) {
        *why = CardChangedReason();
        target.reset();
    }
    return target;
}

} // namespace

FormatOutcome FormatCard(const QString &root, const std::optional<CardPin> &chosen,
                         FormatEnvironment &env)
{
    FormatOutcome outcome;
    const QString cardSettings = CardSettingsPath(root);
    const QString backup = SettingsBackupPath(env.desktopPath);
    const bool settingsOnCard = CardFileExists(root, cardSettings);
    const bool backedUp = settingsOnCard && CopyFileFromCard(root, cardSettings, backup);
    outcome.root = DriveRoot(root);
    if (settingsOnCard && !backedUp) {
        // The format would take the camera's only copy with it.
        env.message(kMessageOk, SettingsNotKeptText(backup));
        return outcome;
    }
    // The volume at the root now: the settings file goes back only to the same volume, or to the
    // one mounted again after the format, never into the folder a pulled card leaves behind.
    const std::optional<FolderIdentity> volumeBefore = ReadFolderIdentity(outcome.root);
    bool remounted = false;

    // The question shows what it will erase: the card listed, when it is still there.
    QString why;
    const std::optional<CardTarget> shown = resolvePinned(env.probe, root, chosen, &why);
    QString question = LoadResString(kQuestionString);
    if (shown)
        question += QStringLiteral("\n\n") + CardDescription(*shown);
    outcome.answer = env.message(kMessageFormatChoice, question);
    QString mountError;
    if (outcome.answer == kNormalAnswer || outcome.answer == kRecoveryAnswer) {
        // The card is checked again now: the question may have been open for long. Every step
        // that touches the device checks again that it is the same card.
        std::optional<CardTarget> target;
        if (shown)
            target = resolvePinned(env.probe, root, shown->pin, &why);
        const auto pinned = [&](QString *error) {
            return IsStillPinned(env.probe, target->pin, error);
        };
        if (target) {
            if (env.clearPlayer)
                env.clearPlayer();
            bool unmounted = false;
            RunKeepingInterfaceAlive(
                [&] { unmounted = pinned(&why) && env.ops.unmount(*target, &why); });
            if (unmounted) {
                outcome.root.clear();
                QString label = target->label;
                if (outcome.answer == kNormalAnswer) {
                    RunKeepingInterfaceAlive([&] {
                        outcome.succeeded =
                            pinned(&why) && RunFormatTool(env.ops, *target, label, &why);
                    });
                } else {
                    CZeroFill fill;
                    QString openError;
                    const auto open = [&] {
                        return pinned(&openError) ? env.ops.openExclusive(*target, &openError) : -1;
                    };
                    const int result = env.runRecovery(fill, open);
                    if (label.isEmpty())
                        label = FatVolumeLabel(fill.FirstSector());
                    fill.Close();
                    if (result == 1) {
                        // The tool runs twice after a zero fill, as the camera's own tool did.
                        RunKeepingInterfaceAlive([&] {
                            QString secondWhy;
                            const bool first =
                                pinned(&why) && RunFormatTool(env.ops, *target, label, &why);
                            const bool second = pinned(&secondWhy) &&
                                                RunFormatTool(env.ops, *target, label, &secondWhy);
                            outcome.succeeded = first && second;
                            if (first && !second)
                                why = secondWhy;
                        });
                    } else if (!openError.isEmpty()) {
                        why = openError;
                    }
                }
                // Mounted again, whatever happened, so that the settings file can go back.
                std::optional<QString> mounted;
                RunKeepingInterfaceAlive([&] {
                    if (pinned(&mountError))
                        mounted = env.ops.mount(*target, &mountError);
                });
                remounted = mounted.has_value();
                if (mounted)
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

    if (!remounted && !outcome.root.isEmpty() &&
        (!volumeBefore || ReadFolderIdentity(outcome.root) != volumeBefore))
        outcome.root.clear(); // the card is gone
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

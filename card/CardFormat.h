#pragma once

#include "CardDevice.h"
#include "FormatRules.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <optional>

// Writes zeros over a whole volume through a descriptor opened for writing, a batch at a time:
// each batch is one percent of the volume in 128 KiB chunks, flushed to the volume before it
// counts. Its size is the device's (or image file's) size, so the fill stops at the last byte.
// One thread at a time may use it; the progress dialog runs each step on a worker thread.
class CZeroFill
{
public:
    CZeroFill() = default;
    ~CZeroFill();
    CZeroFill(const CZeroFill &) = delete;
    CZeroFill &operator=(const CZeroFill &) = delete;

    // Takes the descriptor; false (and nothing to write, the descriptor closed) when it is
    // invalid or has no size.
    bool Start(int fd);
    // Writes and flushes the next batch; false when a write or the flush failed (the volume is
    // then closed), or nothing is left to write.
    bool WriteBatch();
    // Whether every byte is written and flushed (Finish is next).
    bool AllWritten() const { return m_fd >= 0 && m_progress.Complete(); }
    // Flushes and closes the volume once every byte is written; true when both succeeded: the
    // zeros are then on the card.
    bool Finish();
    // Closes the volume without waiting for its data (after a failure).
    void Close();

    // The share of the volume written and flushed; 100 only once Finish has succeeded.
    int Percent() const { return m_finished ? 100 : std::min(m_progress.Percent(), 99); }
    bool Complete() const { return m_finished; }
    // The volume's first sector as it was before the first write (its label).
    const QByteArray &FirstSector() const { return m_firstSector; }

private:
    int m_fd = -1;
    bool m_finished = false;
    ZeroFillProgress m_progress{0};
    QByteArray m_firstSector;
};

// What the card format asks of the rest of the player.
struct FormatEnvironment
{
    DriveProbe probe;
    CardDeviceOps ops;
    QString desktopPath;
    // The message box: a type and a text; gives the answer.
    std::function<int(int type, const QString &text)> message;
    // Stops playback and empties the recording list.
    std::function<void()> clearPlayer;
    // Runs the recovery progress dialog over the fill; 1 when the whole volume was written.
    // `open` may be called on any thread.
    std::function<int(CZeroFill &fill, const std::function<int()> &open)> runRecovery;
};

struct FormatOutcome
{
    int answer = 0;         // 1 normal, 7 recovery, else cancelled
    bool succeeded = false; // "Format complete." was shown
    QString root;           // where the card is mounted afterwards (empty when it is not)
    bool settingsRestored = false;
};

// Formats the card mounted at `root`, which must still be the device `chosen` when the card list
// was made: keeps its settings file on the desktop (a card whose file cannot be kept there is not
// formatted), asks normal, recovery or cancel (showing what will be erased), checks the card
// again, unmounts it, (fills it with zeros,) runs the format tool, mounts it again and puts the
// settings file back. Every step that touches the device checks the pin first and runs off the
// interface thread, the window staying alive.
FormatOutcome FormatCard(const QString &root, const std::optional<CardPin> &chosen,
                         FormatEnvironment &environment);

// Runs the format tool on the target's pinned device; true when it reported success, else
// `why` holds what it printed.
bool RunFormatTool(const CardDeviceOps &ops, const CardTarget &target, const QString &label,
                   QString *why = nullptr);

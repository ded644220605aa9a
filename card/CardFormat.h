#pragma once

#include "CardDevice.h"
#include "FormatRules.h"

#include <QString>

#include <functional>

// Writes zeros over a whole volume, one 128 KiB chunk per step, through a descriptor opened for
// writing. Its size is the device's (or image file's) size, so the fill stops at the last byte.
class CZeroFill
{
public:
    CZeroFill() = default;
    ~CZeroFill();
    CZeroFill(const CZeroFill &) = delete;
    CZeroFill &operator=(const CZeroFill &) = delete;

    // Takes the descriptor; false (and nothing to write) when it is invalid or has no size.
    bool Start(int fd);
    // Writes the next chunk; false when the write failed or the volume is complete.
    bool WriteNext();
    void Close();

    int Percent() const { return m_progress.Percent(); }
    bool Complete() const { return m_progress.Complete(); }
    // The volume's first sector as it was before the first write (its label).
    const QByteArray &FirstSector() const { return m_firstSector; }

private:
    int m_fd = -1;
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
    std::function<int(CZeroFill &fill, const std::function<int()> &open)> runRecovery;
};

struct FormatOutcome
{
    int answer = 0;         // 1 normal, 7 recovery, else cancelled
    bool succeeded = false; // "Format complete." was shown
    QString root;           // where the card is mounted afterwards (empty when it is not)
    bool settingsRestored = false;
};

// Formats the card mounted at `root`: keeps its settings file on the desktop, asks normal,
// recovery or cancel, checks the card again, unmounts it, (fills it with zeros,) runs the
// format tool, mounts it again and puts the settings file back.
FormatOutcome FormatCard(const QString &root, FormatEnvironment &environment);

// Runs the format tool on the target's device; true when it reported success.
bool RunFormatTool(const CardDeviceOps &ops, const CardTarget &target, const QString &label);

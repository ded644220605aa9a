#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The rules of formatting a card that need no window and no device: the format tool's
// contract, its arguments, the progress of the zero fill and the card's file paths.

// What the format tool prints, and nothing else, when it has formatted the volume.
inline constexpr char kFormatToolSuccess[] = "qmzvxkrb ok";
// The format tool's program name.
inline constexpr char kFormatToolName[] = "ZLMFormat";

// Cards above 5,000,000,000 bytes get 64 KiB clusters ("-c128"), others 32 KiB ("-c64").
QString FormatToolOption(qint64 totalBytes);

// Whether the tool's whole output is exactly the success text (a line break after it fails).
bool IsFormatToolSuccess(const QByteArray &output);

// The tool's command line: "-c64 <volume>" or "-c128 <volume>", with "-n <label>" before the
// volume when the label must be kept (the zero fill has erased the old one), and "-d <major:minor>"
// (with "-q <diskseq>" where the kernel numbers its disks) when the volume must be that very
// device.
QStringList FormatToolArguments(qint64 totalBytes, const QString &volume,
                                const QString &label = QString(),
                                const QString &deviceNumber = QString(),
                                const QString &diskseq = QString());

// The tool's parsed command line.
struct FormatToolRequest
{
    int sectorsPerCluster = 0; // 64 for -c64 (32 KiB), 128 for -c128 (64 KiB)
    QString label;             // empty: keep the volume's own label
    bool labelGiven = false;
    QString deviceNumber; // "8:17": the volume must be this block device (empty: any card)
    QString diskseq;      // and its disk must carry this sequence number (empty: not checked)
    QString volume;
};
// Nothing when the arguments are not the tool's form; `error` then says why.
std::optional<FormatToolRequest> ParseFormatToolArguments(const QStringList &arguments,
                                                          QString *error = nullptr);

// The volume label in a FAT boot sector (FAT12/16 or FAT32), trimmed; empty when the sector is
// not a FAT boot sector or the volume has no label ("NO NAME").
QString FatVolumeLabel(const QByteArray &bootSector);

// What is wrong with the boot sector of a volume just formatted: empty when it is FAT32 with
// 512-byte sectors and `sectorsPerCluster` sectors per cluster, else a sentence for the user.
QString FormattedBootSectorProblem(const QByteArray &bootSector, int sectorsPerCluster);

// A label mkfs.fat accepts: at most 11 characters of printable ASCII without the characters
// FAT forbids, upper case. Empty when nothing usable is left.
QString SanitiseFatLabel(const QString &label);

// mkfs.fat's arguments for a FAT32 file system on `target`.
QStringList MkfsFatArguments(const FormatToolRequest &request, const QString &target);

// The progress of the zero fill: the volume is written in 128 KiB chunks and the percentage
// reaches 100 exactly when its last byte has been written.
class ZeroFillProgress
{
public:
    static constexpr qint64 kChunkBytes = 131072;

    explicit ZeroFillProgress(qint64 volumeBytes);

    qint64 VolumeBytes() const { return m_volume; }
    qint64 Written() const { return m_written; }
    // The length of the next chunk: 128 KiB, less at the end, 0 when done.
    qint64 NextChunk() const;
    // Counts a write of `bytes`; gives the new percentage.
    int Add(qint64 bytes);
    int Percent() const { return m_percent; }
    bool Complete() const { return m_volume > 0 && m_written >= m_volume; }

private:
    qint64 m_volume;
    qint64 m_written = 0;
    int m_percent = 0;
};

// The camera's settings file on the card and its safe-keeping place on the desktop.
QString CardSettingsPath(const QString &cardRoot);
QString SettingsBackupPath(const QString &desktopPath);
// Why a card with a settings file is not formatted when the file could not be kept at `backup`.
QString SettingsNotKeptText(const QString &backup);

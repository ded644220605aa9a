#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

// The calls of the udisks2 disk service the card format needs. The service asks the user for
// authorisation (as the desktop's disk tools do) where the user may not touch the disk alone.
// Every failure leaves a sentence for the user in `error`.
class CUDisksClient
{
public:
    static constexpr char kService[] = "org.freedesktop.UDisks2";

    // The system bus by default; tests give a private bus.
    explicit CUDisksClient(const QDBusConnection &bus = QDBusConnection::systemBus());

    // Whether the service answers on the bus (or can be started on demand).
    bool IsAvailable() const;
    // The service's object of the block device ("/dev/sdb1").
    std::optional<QString> BlockObject(const QString &device, QString *error) const;
    // The object's device number as "major:minor".
    std::optional<QString> DeviceNumber(const QString &object, QString *error) const;
    bool Unmount(const QString &object, QString *error) const;
    // A file descriptor open for writing the whole device (the caller closes it), or -1.
    int OpenForRestore(const QString &object, QString *error) const;
    // A file descriptor open for reading the whole device (the caller closes it), or -1.
    int OpenForBackup(const QString &object, QString *error) const;
    // A FAT32 file system with the label and `sectorsPerCluster` sectors of 512 bytes per
    // cluster (0: the service's choice).
    bool FormatVfat(const QString &object, const QString &label, int sectorsPerCluster,
                    QString *error) const;
    // Mounts the file system; its mount point.
    std::optional<QString> Mount(const QString &object, QString *error) const;

private:
    int openDevice(const QString &object, const QString &method, const QString &what,
                   QString *error) const;

    QDBusConnection m_bus;
};

// The sentence for the user about a failed call of the disk service: `what` is the step
// ("unmount the card"), `errorName` and `errorMessage` the service's (or the bus's) reply.
QString UDisksFailureReason(const QString &what, const QString &errorName,
                            const QString &errorMessage);

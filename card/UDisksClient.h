#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

// The calls of the udisks2 disk service the card format needs. The service asks the user for
// authorisation (as the desktop's disk tools do) where the user may not touch the disk alone.
class CUDisksClient
{
public:
    static constexpr char kService[] = "org.freedesktop.UDisks2";

    explicit CUDisksClient(const QDBusConnection &bus = QDBusConnection::systemBus());

    // Whether the service answers on the bus.
    bool IsAvailable() const;
    // The service's object of the block device ("/dev/sdb1").
    std::optional<QString> BlockObject(const QString &device, QString *error) const;
    bool Unmount(const QString &object, QString *error) const;
    // A file descriptor open for writing the whole device, or -1.
    int OpenForRestore(const QString &object, QString *error) const;
    // A FAT file system with the label.
    bool FormatVfat(const QString &object, const QString &label, QString *error) const;
    // Mounts the file system; its mount point.
    std::optional<QString> Mount(const QString &object, QString *error) const;

private:
    QDBusConnection m_bus;
};

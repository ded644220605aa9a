#pragma once

#include "DriveUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

inline bool WriteCardTestFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

inline QByteArray ReadCardTestFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fake machine: sysfs tree and mount table in a temporary folder. Device "sdb" is a USB card
// reader with one partition, "sda" the system disk.
class FakeMachine
{
public:
    FakeMachine()
    {
        probe.sysfsRoot = dir.filePath(QStringLiteral("sys"));
        probe.mountInfoPath = dir.filePath(QStringLiteral("mountinfo"));
        probe.swapsPath = dir.filePath(QStringLiteral("swaps"));
        probe.extraDrives.clear();
    }

    void AddDisk(const QString &bus, const QString &disk, const QByteArray &removable,
                 const QStringList &partitions, int major)
    {
        const QString diskDir =
            probe.sysfsRoot + QStringLiteral("/devices/") + bus + QStringLiteral("/block/") + disk;
        WriteCardTestFile(diskDir + QStringLiteral("/removable"), removable + '\n');
        link(diskDir, disk, QStringLiteral("%1:0").arg(major));
        int minor = 1;
        for (const QString &partition : partitions) {
            WriteCardTestFile(diskDir + QLatin1Char('/') + partition + QStringLiteral("/partition"),
                              QByteArray::number(minor) + '\n');
            link(diskDir + QLatin1Char('/') + partition, partition,
                 QStringLiteral("%1:%2").arg(major).arg(minor));
            ++minor;
        }
    }

    QString Folder(const QString &name)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    // "id parent major:minor root mountpoint options - type source options" lines.
    void Mount(const QString &majorMinor, const QString &point, const QString &source,
               const QString &root = QStringLiteral("/"))
    {
        m_mounts += QStringLiteral("%1 1 %2 %3 %4 rw - vfat %5 rw\n")
                        .arg(++m_id)
                        .arg(majorMinor, root, point, source)
                        .toUtf8();
        WriteCardTestFile(probe.mountInfoPath, m_mounts);
    }
    void ClearMounts()
    {
        m_mounts.clear();
        WriteCardTestFile(probe.mountInfoPath, m_mounts);
    }

    QTemporaryDir dir;
    DriveProbe probe;

private:
    void link(const QString &target, const QString &name, const QString &majorMinor)
    {
        QDir().mkpath(probe.sysfsRoot + QStringLiteral("/class/block"));
        QDir().mkpath(probe.sysfsRoot + QStringLiteral("/dev/block"));
        QFile::link(target, probe.sysfsRoot + QStringLiteral("/class/block/") + name);
        QFile::link(target, probe.sysfsRoot + QStringLiteral("/dev/block/") + majorMinor);
    }

    QByteArray m_mounts;
    int m_id = 0;
};

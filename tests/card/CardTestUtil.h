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

// The format tool's arguments for the image that stands in for the device: the device and its
// pin ("-d", "-q") give way to the image file.
inline QStringList ImageToolArguments(QStringList arguments, const QString &image)
{
    for (const QString &option : {QStringLiteral("-d"), QStringLiteral("-q")}) {
        const qsizetype at = arguments.indexOf(option);
        if (at >= 0)
            arguments.remove(at, 2);
    }
    arguments.last() = image;
    return arguments;
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
        WriteCardTestFile(diskDir + QStringLiteral("/diskseq"), QByteArray::number(++m_seq) + '\n');
        WriteCardTestFile(diskDir + QStringLiteral("/device/vendor"), "Generic ");
        WriteCardTestFile(diskDir + QStringLiteral("/device/model"),
                          "Card Reader " + disk.toLatin1());
        WriteCardTestFile(diskDir + QStringLiteral("/size"), "15523840\n");
        link(diskDir, disk, QStringLiteral("%1:0").arg(major));
        int minor = 1;
        for (const QString &partition : partitions) {
            WriteCardTestFile(diskDir + QLatin1Char('/') + partition + QStringLiteral("/partition"),
                              QByteArray::number(minor) + '\n');
            WriteCardTestFile(diskDir + QLatin1Char('/') + partition + QStringLiteral("/size"),
                              "15515648\n"); // 7.40GB
            link(diskDir + QLatin1Char('/') + partition, partition,
                 QStringLiteral("%1:%2").arg(major).arg(minor));
            ++minor;
        }
    }

    // The disk gets a new sequence number, as when another card goes into the reader.
    void ChangeCard(const QString &disk)
    {
        WriteCardTestFile(probe.sysfsRoot + QStringLiteral("/class/block/") + disk +
                              QStringLiteral("/diskseq"),
                          QByteArray::number(++m_seq) + '\n');
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
    int m_seq = 40;
};

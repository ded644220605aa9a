#include "DriveUtils.h"

#include "RecordingsTestUtil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A fake sysfs tree and mount table in a temporary folder.
class FakeSystem
{
public:
    FakeSystem()
    {
        probe.sysfsRoot = dir.filePath(QStringLiteral("sys"));
        probe.mountInfoPath = dir.filePath(QStringLiteral("mountinfo"));
        probe.extraDrives.clear();
    }

    // A disk with its partitions below a bus path, and the class/block and dev/block links.
    void AddDisk(const QString &busPath, const QString &disk, const QString &removable,
                 const QStringList &partitions, int major)
    {
        const QString diskDir = probe.sysfsRoot + QStringLiteral("/devices/") + busPath +
                                QStringLiteral("/block/") + disk;
        WriteTestFile(diskDir + QStringLiteral("/removable"), removable.toLatin1() + '\n');
        link(diskDir, disk, QStringLiteral("%1:0").arg(major));
        int minor = 1;
        for (const QString &partition : partitions) {
            WriteTestFile(diskDir + QLatin1Char('/') + partition + QStringLiteral("/partition"),
                          QByteArray::number(minor) + '\n');
            link(diskDir + QLatin1Char('/') + partition, partition,
                 QStringLiteral("%1:%2").arg(major).arg(minor));
            ++minor;
        }
    }

    QString MountPoint(const QString &name)
    {
        const QString path = dir.filePath(QStringLiteral("mnt/") + name);
        QDir().mkpath(path);
        return path;
    }

    void SetMounts(const QByteArray &text) { WriteTestFile(probe.mountInfoPath, text); }

    QTemporaryDir dir;
    DriveProbe probe;

private:
    void link(const QString &target, const QString &name, const QString &majorMinor)
    {
        for (const QString &folder :
             {QStringLiteral("/class/block/"), QStringLiteral("/dev/block/")}) {
            QDir().mkpath(probe.sysfsRoot + folder);
            const QString linkName =
                probe.sysfsRoot + folder +
                (folder.startsWith(QLatin1String("/class")) ? name : majorMinor);
            QFile::link(target, linkName);
        }
    }
};

QByteArray mountLine(int id, const QString &majorMinor, const QString &root, const QString &point,
                     const QString &type, const QString &source)
{
    QByteArray escapedPoint = point.toUtf8();
    escapedPoint.replace(' ', "\\040");
    return QByteArray::number(id) + " 1 " + majorMinor.toLatin1() + ' ' + root.toUtf8() + ' ' +
           escapedPoint + " rw,relatime shared:1 - " + type.toLatin1() + ' ' + source.toUtf8() +
           " rw\n";
}

} // namespace

TEST(RemovableDrives, MountTableFieldsAndEscapes)
{
    const QList<MountEntry> entries =
        ParseMountInfo("36 35 98:0 /mnt1 /mnt/my\\040card rw,noatime master:1 - ext3 /dev/root rw\n"
                       "broken line\n"
                       "40 35 8:17 / /media/u/CAM rw - vfat /dev/sdb1 rw,fmask=0022\n");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].majorMinor, QStringLiteral("98:0"));
    EXPECT_EQ(entries[0].root, QStringLiteral("/mnt1"));
    EXPECT_EQ(entries[0].mountPoint, QStringLiteral("/mnt/my card"));
    EXPECT_EQ(entries[0].fsType, QStringLiteral("ext3"));
    EXPECT_EQ(entries[1].mountPoint, QStringLiteral("/media/u/CAM"));
    EXPECT_EQ(entries[1].source, QStringLiteral("/dev/sdb1"));
}

TEST(RemovableDrives, FlagOrBusMakesADeviceRemovable)
{
    FakeSystem fake;
    fake.AddDisk(QStringLiteral("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0"),
                 QStringLiteral("sda"), QStringLiteral("0"), {QStringLiteral("sda1")}, 8);
    fake.AddDisk(
        QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0"),
        QStringLiteral("sdb"), QStringLiteral("0"), {QStringLiteral("sdb1")}, 9);
    fake.AddDisk(QStringLiteral("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0"),
                 QStringLiteral("sdc"), QStringLiteral("1"), {QStringLiteral("sdc1")}, 10);
    fake.AddDisk(QStringLiteral("pci0000:00/0000:00:1a.0/mmc_host/mmc0/mmc0:aaaa"),
                 QStringLiteral("mmcblk0"), QStringLiteral("0"), {QStringLiteral("mmcblk0p1")},
                 179);
    fake.AddDisk(QStringLiteral("virtual"), QStringLiteral("dm-0"), QStringLiteral("0"), {}, 254);

    const QString root = fake.probe.sysfsRoot;
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral("sda1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdb1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdb"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdc1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("mmcblk0p1"), QString()));
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral("dm-0"), QString()));
    // A source not named in class/block is found by its device numbers.
    EXPECT_TRUE(
        IsRemovableBlockDevice(root, QStringLiteral("disk/by-label/CAM"), QStringLiteral("9:1")));
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral("nothing"), QStringLiteral("7:7")));
}

TEST(RemovableDrives, MountedRemovableVolumesInMountPointOrder)
{
    FakeSystem fake;
    fake.AddDisk(QStringLiteral("pci0000:00/ata1/host0"), QStringLiteral("sda"),
                 QStringLiteral("0"), {QStringLiteral("sda1"), QStringLiteral("sda2")}, 8);
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"),
                 QStringLiteral("1"), {QStringLiteral("sdb1")}, 9);
    fake.AddDisk(QStringLiteral("pci0000:00/mmc_host/mmc0/mmc0:0001"), QStringLiteral("mmcblk0"),
                 QStringLiteral("0"), {QStringLiteral("mmcblk0p1")}, 179);
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-2/host7"), QStringLiteral("sdd"),
                 QStringLiteral("1"), {QStringLiteral("sdd1")}, 11);

    const QString zeta = fake.MountPoint(QStringLiteral("zeta"));
    const QString alpha = fake.MountPoint(QStringLiteral("alpha"));
    const QString spaced = fake.MountPoint(QStringLiteral("my card"));
    const QString data = fake.MountPoint(QStringLiteral("data"));
    const QString bind = fake.MountPoint(QStringLiteral("bind"));
    const QString shadow = fake.MountPoint(QStringLiteral("shadow"));
    const QString scratch = fake.MountPoint(QStringLiteral("scratch"));
    fake.SetMounts(mountLine(1, QStringLiteral("8:2"), QStringLiteral("/"), QStringLiteral("/"),
                             QStringLiteral("ext4"), QStringLiteral("/dev/sda2")) +
                   mountLine(2, QStringLiteral("9:1"), QStringLiteral("/"), zeta,
                             QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")) +
                   mountLine(3, QStringLiteral("179:1"), QStringLiteral("/"), alpha,
                             QStringLiteral("vfat"), QStringLiteral("/dev/mmcblk0p1")) +
                   mountLine(4, QStringLiteral("8:1"), QStringLiteral("/"), data,
                             QStringLiteral("ext4"), QStringLiteral("/dev/sda1")) +
                   mountLine(5, QStringLiteral("9:1"), QStringLiteral("/DCIM"), bind,
                             QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")) +
                   mountLine(6, QStringLiteral("0:45"), QStringLiteral("/"), scratch,
                             QStringLiteral("tmpfs"), QStringLiteral("tmpfs")) +
                   mountLine(7, QStringLiteral("11:1"), QStringLiteral("/"), spaced,
                             QStringLiteral("exfat"), QStringLiteral("/dev/sdd1")) +
                   // A removable card mounted over, then a fixed disk mounted on top of it.
                   mountLine(8, QStringLiteral("9:1"), QStringLiteral("/"), shadow,
                             QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")) +
                   mountLine(9, QStringLiteral("8:1"), QStringLiteral("/"), shadow,
                             QStringLiteral("ext4"), QStringLiteral("/dev/sda1")));

    EXPECT_EQ(RemovableDriveRoots(fake.probe),
              (QStringList{alpha + QLatin1Char('/'), spaced + QLatin1Char('/'),
                           zeta + QLatin1Char('/')}));
}

TEST(RemovableDrives, ExtraFoldersFollowInTheirOwnOrder)
{
    FakeSystem fake;
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"),
                 QStringLiteral("1"), {QStringLiteral("sdb1")}, 9);
    const QString card = fake.MountPoint(QStringLiteral("card"));
    fake.SetMounts(mountLine(1, QStringLiteral("9:1"), QStringLiteral("/"), card,
                             QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")));

    const QString second = fake.MountPoint(QStringLiteral("b-second"));
    const QString first = fake.MountPoint(QStringLiteral("z-first"));
    fake.probe.extraDrives = first + QStringLiteral("::") + second + QStringLiteral("//:") +
                             fake.dir.filePath(QStringLiteral("missing")) + QLatin1Char(':') +
                             first + QLatin1Char(':') + card;
    EXPECT_EQ(RemovableDriveRoots(fake.probe),
              (QStringList{card + QLatin1Char('/'), first + QLatin1Char('/'),
                           second + QLatin1Char('/')}));

    // Without a readable mount table only the extra folders remain.
    fake.probe.mountInfoPath = fake.dir.filePath(QStringLiteral("no-such-table"));
    EXPECT_EQ(RemovableDriveRoots(fake.probe),
              (QStringList{first + QLatin1Char('/'), second + QLatin1Char('/'),
                           card + QLatin1Char('/')}));
}

TEST(RemovableDrives, EnvironmentFoldersCountAsRemovableDrives)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("cardA"));
    const QString b = dir.filePath(QStringLiteral("cardB"));
    const QString fixed = dir.filePath(QStringLiteral("fixed"));
    for (const QString &folder : {a, b, fixed})
        ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray saved = qgetenv("RX9_EXTRA_DRIVES");
    qputenv("RX9_EXTRA_DRIVES", (b + QLatin1Char(':') + a).toUtf8());

    QStringList drives;
    const int count = ListRemovableDrives(drives);
    EXPECT_EQ(count, drives.size());
    ASSERT_GE(drives.size(), 2);
    EXPECT_EQ(drives.mid(drives.size() - 2),
              (QStringList{b + QLatin1Char('/'), a + QLatin1Char('/')}));
    EXPECT_EQ(GetDriveKind(a), DriveRemovable);
    EXPECT_EQ(GetDriveKind(fixed), DriveFixed);
    EXPECT_EQ(GetDriveKind(dir.filePath(QStringLiteral("gone"))), DriveNoRootDir);
    EXPECT_TRUE(DriveExists(a));
    EXPECT_FALSE(DriveExists(dir.filePath(QStringLiteral("gone"))));
    EXPECT_TRUE(IsRemovableDriveIndex(count - 1));
    EXPECT_FALSE(IsRemovableDriveIndex(count));

    if (saved.isNull())
        qunsetenv("RX9_EXTRA_DRIVES");
    else
        qputenv("RX9_EXTRA_DRIVES", saved);
}

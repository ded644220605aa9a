#include "DriveUtils.h"
#include "FileNameBytes.h"

#include "RecordingsTestUtil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// A fake sysfs tree and mount table in a temporary folder.
class FakeSystem
{
public:
    FakeSystem()
    {
        probe.sysfsRoot = dir.filePath(QStringLiteral("sys"));
        probe.mountInfoPath = dir.filePath(QStringLiteral("mountinfo"));
        probe.swapsPath = dir.filePath(QStringLiteral("swaps"));
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
    void SetSwaps(const QByteArray &lines)
    {
        WriteTestFile(probe.swapsPath, "Filename\tType\tSize\tUsed\tPriority\n" + lines);
    }

    // The type file of the MMC device a card or eMMC sits on ("SD" or "MMC").
    void SetMmcType(const QString &busPath, const QByteArray &type)
    {
        WriteTestFile(probe.sysfsRoot + QStringLiteral("/devices/") + busPath +
                          QStringLiteral("/type"),
                      type + '\n');
    }

    // Marks `device` (a disk or partition on `busPath`) as held by another block device.
    void AddHolder(const QString &busPath, const QString &device, const QString &holder)
    {
        QString folder =
            probe.sysfsRoot + QStringLiteral("/devices/") + busPath + QStringLiteral("/block/");
        const QString disk = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
        folder += disk;
        if (device != disk)
            folder += QLatin1Char('/') + device;
        QDir().mkpath(folder + QStringLiteral("/holders"));
        QFile::link(folder, folder + QStringLiteral("/holders/") + holder);
    }

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
    fake.SetMmcType(QStringLiteral("pci0000:00/0000:00:1a.0/mmc_host/mmc0/mmc0:aaaa"), "SD");
    // A laptop's soldered-in eMMC sits on the same kind of bus but is no card.
    fake.AddDisk(QStringLiteral("pci0000:00/0000:00:1b.0/mmc_host/mmc1/mmc1:0001"),
                 QStringLiteral("mmcblk1"), QStringLiteral("0"), {QStringLiteral("mmcblk1p1")},
                 180);
    fake.SetMmcType(QStringLiteral("pci0000:00/0000:00:1b.0/mmc_host/mmc1/mmc1:0001"), "MMC");
    fake.AddDisk(QStringLiteral("virtual"), QStringLiteral("dm-0"), QStringLiteral("0"), {}, 254);

    const QString root = fake.probe.sysfsRoot;
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral("sda1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdb1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdb"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("sdc1"), QString()));
    EXPECT_TRUE(IsRemovableBlockDevice(root, QStringLiteral("mmcblk0p1"), QString()));
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral("mmcblk1p1"), QString()));
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
    fake.SetMmcType(QStringLiteral("pci0000:00/mmc_host/mmc0/mmc0:0001"), "SD");
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

TEST(RemovableDrives, LaptopOffersOnlyItsCardSlotAndCardReader)
{
    FakeSystem fake;
    const QString emmcBus = QStringLiteral("pci0000:00/0000:00:1a.0/mmc_host/mmc0/mmc0:0001");
    const QString sdBus = QStringLiteral("pci0000:00/0000:00:1b.0/mmc_host/mmc1/mmc1:aaaa");
    fake.AddDisk(
        emmcBus, QStringLiteral("mmcblk0"), QStringLiteral("0"),
        {QStringLiteral("mmcblk0p1"), QStringLiteral("mmcblk0p2"), QStringLiteral("mmcblk0p3")},
        179);
    fake.SetMmcType(emmcBus, "MMC");
    fake.AddDisk(sdBus, QStringLiteral("mmcblk1"), QStringLiteral("0"),
                 {QStringLiteral("mmcblk1p1")}, 180);
    fake.SetMmcType(sdBus, "SD");
    // A USB card reader that reports fixed media, holding a card without a partition table.
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0"),
                 QStringLiteral("sdb"), QStringLiteral("0"), {}, 8);
    fake.AddDisk(QStringLiteral("virtual"), QStringLiteral("loop0"), QStringLiteral("0"), {}, 7);

    const QString efi = fake.MountPoint(QStringLiteral("efi"));
    const QString data = fake.MountPoint(QStringLiteral("data"));
    const QString card = fake.MountPoint(QStringLiteral("CAM"));
    const QString reader = fake.MountPoint(QStringLiteral("READER"));
    const QString snap = fake.MountPoint(QStringLiteral("snap"));
    fake.SetMounts(mountLine(1, QStringLiteral("179:2"), QStringLiteral("/"), QStringLiteral("/"),
                             QStringLiteral("ext4"), QStringLiteral("/dev/mmcblk0p2")) +
                   mountLine(2, QStringLiteral("179:1"), QStringLiteral("/"), efi,
                             QStringLiteral("vfat"), QStringLiteral("/dev/mmcblk0p1")) +
                   mountLine(3, QStringLiteral("179:3"), QStringLiteral("/"), data,
                             QStringLiteral("ext4"), QStringLiteral("/dev/mmcblk0p3")) +
                   mountLine(4, QStringLiteral("180:1"), QStringLiteral("/"), card,
                             QStringLiteral("vfat"), QStringLiteral("/dev/mmcblk1p1")) +
                   mountLine(5, QStringLiteral("8:0"), QStringLiteral("/"), reader,
                             QStringLiteral("vfat"), QStringLiteral("/dev/sdb")) +
                   mountLine(6, QStringLiteral("7:0"), QStringLiteral("/"), snap,
                             QStringLiteral("squashfs"), QStringLiteral("/dev/loop0")));

    EXPECT_EQ(RemovableDriveRoots(fake.probe),
              (QStringList{card + QLatin1Char('/'), reader + QLatin1Char('/')}));
}

TEST(RemovableDrives, SystemAndStackedDisksAreNeverOffered)
{
    FakeSystem fake;
    // Booted from a USB disk: /boot/efi, / and /home on it, all on a USB bus.
    const QString systemBus = QStringLiteral("pci0000:00/usb2/2-1/2-1:1.0/host4");
    fake.AddDisk(systemBus, QStringLiteral("sda"), QStringLiteral("0"),
                 {QStringLiteral("sda1"), QStringLiteral("sda2"), QStringLiteral("sda3"),
                  QStringLiteral("sda4")},
                 8);
    // A removable stick with a swap partition beside its data.
    fake.AddDisk(QStringLiteral("pci0000:00/usb2/2-2/2-2:1.0/host5"), QStringLiteral("sdc"),
                 QStringLiteral("1"), {QStringLiteral("sdc1"), QStringLiteral("sdc2")}, 9);
    // A removable disk whose first partition is the base of an encrypted volume.
    const QString cryptBus = QStringLiteral("pci0000:00/usb2/2-3/2-3:1.0/host6");
    fake.AddDisk(cryptBus, QStringLiteral("sdd"), QStringLiteral("1"),
                 {QStringLiteral("sdd1"), QStringLiteral("sdd2")}, 10);
    fake.AddHolder(cryptBus, QStringLiteral("sdd1"), QStringLiteral("dm-0"));
    // A whole removable disk that is a RAID member.
    const QString raidBus = QStringLiteral("pci0000:00/usb2/2-4/2-4:1.0/host7");
    fake.AddDisk(raidBus, QStringLiteral("sde"), QStringLiteral("1"), {QStringLiteral("sde1")}, 11);
    fake.AddHolder(raidBus, QStringLiteral("sde"), QStringLiteral("md0"));
    fake.AddDisk(QStringLiteral("virtual"), QStringLiteral("dm-0"), QStringLiteral("0"), {}, 254);
    // The real card.
    fake.AddDisk(QStringLiteral("pci0000:00/usb2/2-5/2-5:1.0/host8"), QStringLiteral("sdf"),
                 QStringLiteral("1"), {QStringLiteral("sdf1")}, 12);

    const QString efi = fake.MountPoint(QStringLiteral("boot-efi"));
    const QString stick = fake.MountPoint(QStringLiteral("stick"));
    const QString plain = fake.MountPoint(QStringLiteral("plain"));
    const QString crypt = fake.MountPoint(QStringLiteral("crypt"));
    const QString raid = fake.MountPoint(QStringLiteral("raid"));
    const QString card = fake.MountPoint(QStringLiteral("card"));
    QByteArray mounts =
        mountLine(1, QStringLiteral("8:2"), QStringLiteral("/"), QStringLiteral("/"),
                  QStringLiteral("ext4"), QStringLiteral("/dev/sda2")) +
        mountLine(2, QStringLiteral("8:1"), QStringLiteral("/"), efi, QStringLiteral("vfat"),
                  QStringLiteral("/dev/sda1")) +
        mountLine(4, QStringLiteral("9:1"), QStringLiteral("/"), stick, QStringLiteral("vfat"),
                  QStringLiteral("/dev/sdc1")) +
        mountLine(5, QStringLiteral("10:2"), QStringLiteral("/"), plain, QStringLiteral("vfat"),
                  QStringLiteral("/dev/sdd2")) +
        mountLine(6, QStringLiteral("254:0"), QStringLiteral("/"), crypt, QStringLiteral("ext4"),
                  QStringLiteral("/dev/mapper/secret")) +
        mountLine(7, QStringLiteral("11:1"), QStringLiteral("/"), raid, QStringLiteral("vfat"),
                  QStringLiteral("/dev/sde1")) +
        mountLine(8, QStringLiteral("12:1"), QStringLiteral("/"), card, QStringLiteral("vfat"),
                  QStringLiteral("/dev/sdf1"));
    fake.SetMounts(mounts);
    fake.SetSwaps("/dev/sdc2\tpartition\t1048572\t0\t-2\n"
                  "/swapfile\tfile\t1048572\t0\t-3\n");
    EXPECT_EQ(RemovableDriveRoots(fake.probe), QStringList{card + QLatin1Char('/')});

    // The system disk's own data partition is no card either, even where it is mounted under
    // /media; the same disk becomes a candidate once nothing of the system is on it (/home was
    // the reason left after the root moved away).
    const QString home = fake.MountPoint(QStringLiteral("home-data"));
    fake.SetMounts(mounts + mountLine(9, QStringLiteral("8:3"), QStringLiteral("/"), home,
                                      QStringLiteral("ext4"), QStringLiteral("/dev/sda3")));
    EXPECT_FALSE(RemovableDriveRoots(fake.probe).contains(home + QLatin1Char('/')));
    fake.SetMounts(mountLine(9, QStringLiteral("8:3"), QStringLiteral("/"), home,
                             QStringLiteral("ext4"), QStringLiteral("/dev/sda3")) +
                   mountLine(10, QStringLiteral("8:4"), QStringLiteral("/"),
                             QStringLiteral("/home"), QStringLiteral("ext4"),
                             QStringLiteral("/dev/sda4")));
    EXPECT_TRUE(RemovableDriveRoots(fake.probe).isEmpty());
    fake.SetMounts(mountLine(9, QStringLiteral("8:3"), QStringLiteral("/"), home,
                             QStringLiteral("ext4"), QStringLiteral("/dev/sda3")));
    fake.SetSwaps(QByteArray());
    EXPECT_EQ(RemovableDriveRoots(fake.probe), QStringList{home + QLatin1Char('/')});
}

TEST(RemovableDrives, MountPointsKeepEveryByteOfTheirNames)
{
    // A card whose label is not UTF-8 (Latin-1 "été") gives a mount folder of those bytes; the
    // kernel writes them as they are and escapes only space, tab, line feed and backslash.
    // Other control characters are written as they are too, and belong to the field.
    const QList<MountEntry> entries =
        ParseMountInfo("40 35 8:17 / /media/u/\xe9t\xe9 rw - vfat /dev/sdb1 rw\n"
                       "41 35 8:18 / /media/u/\\351t\\351\\040b rw - vfat /dev/sdb2 rw\n"
                       "42 35 8:19 / /media/u/a\rb\vc\fd rw - vfat /dev/sdb3 rw\n");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(EncodeFileName(entries[0].mountPoint), QByteArray("/media/u/\xe9t\xe9"));
    EXPECT_EQ(EncodeFileName(entries[1].mountPoint), QByteArray("/media/u/\xe9t\xe9 b"));
    EXPECT_EQ(entries[2].mountPoint, QStringLiteral("/media/u/a\rb\vc\fd"));
    EXPECT_EQ(entries[2].source, QStringLiteral("/dev/sdb3"));

    // Such a card is offered under a root that leads to its files.
    FakeSystem fake;
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"),
                 QStringLiteral("1"), {QStringLiteral("sdb1")}, 9);
    const QByteArray folder = QFile::encodeName(fake.dir.path()) + "/caf\xe9";
    ASSERT_TRUE(std::filesystem::create_directory(folder.toStdString()));
    ASSERT_TRUE(std::ofstream(folder.toStdString() + "/rec_20110523_142233.avi").good());
    fake.SetMounts("41 35 9:1 / " + QByteArray(folder).replace(' ', "\\040") +
                   " rw - vfat /dev/sdb1 rw\n");
    const QStringList roots = RemovableDriveRoots(fake.probe);
    ASSERT_EQ(roots.size(), 1);
    EXPECT_EQ(EncodeFileName(roots[0]), folder + '/');
    EXPECT_TRUE(FileExists(roots[0] + QStringLiteral("rec_20110523_142233.avi")));
}

TEST(RemovableDrives, DeviceNamesAndNumbersThatArePathsFindNoDisk)
{
    FakeSystem fake;
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"),
                 QStringLiteral("1"), {QStringLiteral("sdb1")}, 9);
    const QString root = fake.probe.sysfsRoot;
    // "class/block/.." and "dev/block/../.." are folders of the tree, but no block devices.
    EXPECT_FALSE(FindBlockDisk(root, QStringLiteral(".."), QString()));
    EXPECT_FALSE(FindBlockDisk(root, QStringLiteral("."), QString()));
    EXPECT_FALSE(FindBlockDisk(root, QString(), QStringLiteral("../..")));
    EXPECT_FALSE(FindBlockDisk(root, QString(), QStringLiteral("9:1/../../..")));
    EXPECT_FALSE(IsRemovableBlockDevice(root, QStringLiteral(".."), QStringLiteral("../..")));
    // The device's own name and numbers still find it.
    EXPECT_TRUE(FindBlockDisk(root, QStringLiteral("sdb1"), QString()));
    EXPECT_TRUE(FindBlockDisk(root, QString(), QStringLiteral("9:1")));
}

#include "FormatRules.h"
#include "CardTarget.h"

#include "CardTestUtil.h"

#include <gtest/gtest.h>

TEST(FormatRules, CardSizeChoosesTheClusterOption)
{
    EXPECT_EQ(FormatToolOption(7948206080LL), QStringLiteral("-c128"));
    EXPECT_EQ(FormatToolOption(3965190144LL), QStringLiteral("-c64"));
    EXPECT_EQ(FormatToolOption(5000000000LL), QStringLiteral("-c64"));
    EXPECT_EQ(FormatToolOption(5000000001LL), QStringLiteral("-c128"));
    EXPECT_EQ(FormatToolOption(0), QStringLiteral("-c64"));
    EXPECT_EQ(FormatToolArguments(7948206080LL, QStringLiteral("/dev/sdb1"), QStringLiteral("CAM")),
              (QStringList{QStringLiteral("-c128"), QStringLiteral("-n"), QStringLiteral("CAM"),
                           QStringLiteral("/dev/sdb1")}));
}

TEST(FormatRules, OnlyTheExactSuccessTextCounts)
{
    EXPECT_TRUE(IsFormatToolSuccess("qmzvxkrb ok"));
    EXPECT_FALSE(IsFormatToolSuccess("qmzvxkrb ok\n"));
    EXPECT_FALSE(IsFormatToolSuccess("qmzvxkrb ok\r\n"));
    EXPECT_FALSE(IsFormatToolSuccess("warning\nqmzvxkrb ok"));
    EXPECT_FALSE(IsFormatToolSuccess(" qmzvxkrb ok"));
    EXPECT_FALSE(IsFormatToolSuccess(QByteArray("qmzvxkrb ok\0", 12)));
    EXPECT_FALSE(IsFormatToolSuccess(""));
}

TEST(FormatRules, ToolArgumentsAreParsedOrRefused)
{
    const auto request =
        ParseFormatToolArguments({QStringLiteral("-c128"), QStringLiteral("-n"),
                                  QStringLiteral("CAM"), QStringLiteral("/dev/sdb1")});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->sectorsPerCluster, 128);
    EXPECT_EQ(request->label, QStringLiteral("CAM"));
    EXPECT_EQ(request->volume, QStringLiteral("/dev/sdb1"));
    const auto pinned = ParseFormatToolArguments(FormatToolArguments(
        0, QStringLiteral("v"), QString(), QStringLiteral("8:17"), QStringLiteral("42")));
    ASSERT_TRUE(pinned);
    EXPECT_EQ(pinned->deviceNumber, QStringLiteral("8:17"));
    EXPECT_EQ(pinned->diskseq, QStringLiteral("42"));
    EXPECT_EQ(
        ParseFormatToolArguments({QStringLiteral("-c64"), QStringLiteral("x")})->sectorsPerCluster,
        64);
    QString why;
    for (const QStringList &bad :
         {QStringList{QStringLiteral("x")}, QStringList{QStringLiteral("-c64")},
          QStringList{QStringLiteral("-c32"), QStringLiteral("x")},
          QStringList{QStringLiteral("-c64"), QStringLiteral("-c128"), QStringLiteral("x")},
          QStringList{QStringLiteral("-c64"), QStringLiteral("x"), QStringLiteral("y")},
          QStringList{QStringLiteral("-c64"), QStringLiteral("x"), QStringLiteral("-n")},
          QStringList{QStringLiteral("-c64"), QStringLiteral("-d"), QStringLiteral("sdb"),
                      QStringLiteral("x")},
          QStringList{QStringLiteral("-c64"), QStringLiteral("-q"), QStringLiteral("4"),
                      QStringLiteral("x")}}) {
        why.clear();
        EXPECT_FALSE(ParseFormatToolArguments(bad, &why)) << bad.join(u' ').toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
    EXPECT_EQ(SanitiseFatLabel(QStringLiteral("my cam.1:x?")), QStringLiteral("MY CAM1X"));
    EXPECT_EQ(SanitiseFatLabel(QStringLiteral("카메라")), QString());
    EXPECT_EQ(SanitiseFatLabel(QStringLiteral("ABCDEFGHIJKLM")), QStringLiteral("ABCDEFGHIJK"));
}

TEST(FormatRules, LabelFromFatBootSectors)
{
    QByteArray fat32(512, '\0');
    fat32[510] = char(0x55);
    fat32[511] = char(0xAA);
    fat32[0x42] = char(0x29);
    fat32.replace(0x47, 11, "CAM        ");
    fat32.replace(0x52, 8, "FAT32   ");
    EXPECT_EQ(FatVolumeLabel(fat32), QStringLiteral("CAM"));
    fat32.replace(0x47, 11, "NO NAME    ");
    EXPECT_EQ(FatVolumeLabel(fat32), QString());

    QByteArray fat16(512, '\0');
    fat16[510] = char(0x55);
    fat16[511] = char(0xAA);
    fat16[0x26] = char(0x29);
    fat16.replace(0x2B, 11, "DASHCAM 01 ");
    EXPECT_EQ(FatVolumeLabel(fat16), QStringLiteral("DASHCAM 01"));
    EXPECT_EQ(FatVolumeLabel(QByteArray(512, '\0')), QString());
    EXPECT_EQ(FatVolumeLabel(fat16.left(100)), QString());
}

TEST(FormatRules, AFormatCountsOnlyAsFat32WithTheAskedCluster)
{
    QByteArray sector(512, '\0');
    sector[0x0B] = 0x00; // 512 bytes per sector
    sector[0x0C] = 0x02;
    sector[0x0D] = 64;
    sector[0x24] = 0x10; // 32-bit FAT size
    sector.replace(0x52, 8, "FAT32   ");
    sector[510] = char(0x55);
    sector[511] = char(0xAA);
    EXPECT_EQ(FormattedBootSectorProblem(sector, 64), QString());
    EXPECT_TRUE(FormattedBootSectorProblem(sector, 128)
                    .contains(QStringLiteral("32 KiB instead "
                                             "of the 64 KiB")));
    QByteArray fat16 = sector;
    fat16[0x16] = 0x20; // a 16-bit FAT size
    EXPECT_TRUE(FormattedBootSectorProblem(fat16, 64).contains(QStringLiteral("FAT32")));
    EXPECT_FALSE(FormattedBootSectorProblem(QByteArray(512, '\0'), 64).isEmpty());
}

TEST(FormatRules, ZeroFillReachesHundredAtTheLastByteOnly)
{
    ZeroFillProgress progress(1048576 * 3 + 1000); // not a whole number of chunks
    int writes = 0;
    int last = 0;
    while (progress.NextChunk() > 0) {
        const qint64 chunk = progress.NextChunk();
        EXPECT_LE(chunk, ZeroFillProgress::kChunkBytes);
        const int percent = progress.Add(chunk);
        EXPECT_GE(percent, last);
        last = percent;
        ++writes;
        if (progress.NextChunk() > 0) {
            EXPECT_LT(percent, 100);
        }
    }
    EXPECT_EQ(writes, 25);
    EXPECT_EQ(progress.Percent(), 100);
    EXPECT_TRUE(progress.Complete());

    ZeroFillProgress empty(0);
    EXPECT_EQ(empty.NextChunk(), 0);
    EXPECT_FALSE(empty.Complete());
}

TEST(FormatRules, SettingsPaths)
{
    EXPECT_EQ(CardSettingsPath(QStringLiteral("/media/u/CAM")),
              QStringLiteral("/media/u/CAM/Setup/setup.bin"));
    EXPECT_EQ(SettingsBackupPath(QStringLiteral("/home/u/Desktop")),
              QStringLiteral("/home/u/Desktop/HD-VANTORA/Setup/setup.bin"));
}

TEST(CardTargetRules, OnlyALoneVolumeOfARemovableCard)
{
    FakeMachine fake;
    fake.AddDisk(QStringLiteral("pci0000:00/ata1/host0"), QStringLiteral("sda"), "0",
                 {QStringLiteral("sda1"), QStringLiteral("sda2")}, 8);
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"), "1",
                 {QStringLiteral("sdb1"), QStringLiteral("sdb2")}, 9);
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-2/host7"), QStringLiteral("sdc"), "1", {}, 10);
    const QString card = fake.Folder(QStringLiteral("card"));
    const QString second = fake.Folder(QStringLiteral("second"));
    const QString whole = fake.Folder(QStringLiteral("whole"));
    const QString data = fake.Folder(QStringLiteral("data"));
    fake.Mount(QStringLiteral("8:1"), QStringLiteral("/"), QStringLiteral("/dev/sda1"));
    fake.Mount(QStringLiteral("8:2"), data, QStringLiteral("/dev/sda2"));
    fake.Mount(QStringLiteral("9:1"), card, QStringLiteral("/dev/sdb1"));
    fake.Mount(QStringLiteral("10:0"), whole, QStringLiteral("/dev/sdc"));

    QString why;
    const auto target = ResolveCardTarget(fake.probe, card + QLatin1Char('/'), &why);
    ASSERT_TRUE(target) << why.toStdString();
    EXPECT_EQ(target->device, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(target->pin, PinCard(fake.probe, card));
    EXPECT_EQ(target->pin.deviceNumber, QStringLiteral("9:1"));
    EXPECT_EQ(target->root, card + QLatin1Char('/'));
    // A card without a partition table is formatted as a whole.
    EXPECT_TRUE(ResolveCardTarget(fake.probe, whole, &why));

    auto refused = [&](const QString &root) {
        why.clear();
        const bool ok = ResolveCardTarget(fake.probe, root, &why).has_value();
        return !ok && !why.isEmpty();
    };
    EXPECT_TRUE(refused(QString()));
    EXPECT_TRUE(refused(QStringLiteral("/")));
    EXPECT_TRUE(refused(data));                                       // the system disk
    EXPECT_TRUE(refused(fake.Folder(QStringLiteral("not-mounted")))); // a plain folder
    // A second partition of the card mounted too.
    fake.Mount(QStringLiteral("9:2"), second, QStringLiteral("/dev/sdb2"));
    EXPECT_TRUE(refused(card));
    // The same volume shown at a second place (a bind mount of a folder on it).
    fake.ClearMounts();
    fake.Mount(QStringLiteral("9:1"), card, QStringLiteral("/dev/sdb1"));
    fake.Mount(QStringLiteral("9:1"), second, QStringLiteral("/dev/sdb1"), QStringLiteral("/DCIM"));
    EXPECT_TRUE(refused(card));
    EXPECT_TRUE(refused(second));
    // The whole disk of a card that has partitions.
    fake.ClearMounts();
    fake.Mount(QStringLiteral("9:0"), whole, QStringLiteral("/dev/sdb"));
    EXPECT_TRUE(refused(whole));
    // A mount named like the card whose device number is the system disk's: the number counts.
    fake.ClearMounts();
    fake.Mount(QStringLiteral("8:1"), QStringLiteral("/"), QStringLiteral("/dev/sda1"));
    fake.Mount(QStringLiteral("8:2"), card, QStringLiteral("/dev/sdb1"));
    EXPECT_TRUE(refused(card));
}

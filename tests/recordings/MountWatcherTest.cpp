// Following the mounts: what a change of the drives means for the player (without mounts), the
// uses of the card told when it goes, and the watcher and folder identities against the real
// mount table (as root, with bind mounts over the test's own folders).

#include "MountWatcher.h"
#include "CardUses.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

FolderIdentity Id(quint64 mount, quint64 inode = 2)
{
    return FolderIdentity{mount, 40, inode};
}

const QString kReader = QStringLiteral("/run/media/u/READER/");
const QString kOther = QStringLiteral("/run/media/u/OTHER/");

} // namespace

TEST(MountChange, WhatAChangeOfTheDrivesMeans)
{
    const DriveSnapshot emptyReader{{kReader, Id(10)}};
    const DriveSnapshot cardInReader{{kReader, Id(77, 1)}};

    // Nothing loaded; a volume comes into the reader's folder: it is tried.
    MountChangeMeaning m = InterpretMountChange(emptyReader, cardInReader, std::nullopt, {});
    EXPECT_FALSE(m.cardRemoved);
    EXPECT_TRUE(m.drivesChanged);
    EXPECT_EQ(m.drivesToTry, QStringList{kReader});

    // Nothing changed: nothing to do.
    m = InterpretMountChange(cardInReader, cardInReader, std::nullopt, {});
    EXPECT_FALSE(m.cardRemoved || m.drivesChanged);
    EXPECT_TRUE(m.drivesToTry.isEmpty());

    // A card is loaded and still there; another comes: only the list of drives changed.
    const LoadedCard loaded{kReader, Id(77, 1)};
    const DriveSnapshot both{{kReader, Id(77, 1)}, {kOther, Id(78, 1)}};
    m = InterpretMountChange(cardInReader, both, loaded, Id(77, 1));
    EXPECT_FALSE(m.cardRemoved);
    EXPECT_TRUE(m.drivesChanged);
    EXPECT_TRUE(m.drivesToTry.isEmpty());

    // The loaded card's folder is another one now (unmounted: the empty folder under it shows),
    // or gone: removed. The drive that came meanwhile is tried, the reader's folder too.
    m = InterpretMountChange(cardInReader, DriveSnapshot{{kReader, Id(10)}, {kOther, Id(78, 1)}},
                             loaded, Id(10));
    EXPECT_TRUE(m.cardRemoved);
    EXPECT_EQ(m.drivesToTry, (QStringList{kReader, kOther}));
    m = InterpretMountChange(cardInReader, {}, loaded, std::nullopt);
    EXPECT_TRUE(m.cardRemoved);
    EXPECT_TRUE(m.drivesToTry.isEmpty());

    // Only the mount changed (the card went out and in again between two looks): removed, and
    // the card that is back is a new one to load.
    m = InterpretMountChange(cardInReader, DriveSnapshot{{kReader, Id(79, 1)}}, loaded, Id(79, 1));
    EXPECT_TRUE(m.cardRemoved);
    EXPECT_EQ(m.drivesToTry, QStringList{kReader});

    // A loaded folder that is not a drive (a copy on the desktop) goes the same way.
    const LoadedCard folder{QStringLiteral("/home/u/Desktop/copy/"), Id(1, 500)};
    m = InterpretMountChange(emptyReader, emptyReader, folder, Id(1, 501));
    EXPECT_TRUE(m.cardRemoved);
    EXPECT_FALSE(m.drivesChanged);
}

TEST(CardUses, EveryUseIsToldOnceInOrderAndEndedUsesAreNot)
{
    CCardUses uses;
    QStringList told;
    EXPECT_FALSE(uses.InUse());
    {
        CCardUses::CUse copy = uses.Begin([&] { told << QStringLiteral("copy"); });
        CCardUses::CUse dialog;
        // The copy's going ends the dialog's use before it is told.
        CCardUses::CUse first = uses.Begin([&] {
            told << QStringLiteral("first");
            dialog.End();
        });
        dialog = uses.Begin([&] { told << QStringLiteral("dialog"); });
        const CCardUses::CUse exporting = uses.Begin([&] { told << QStringLiteral("export"); });
        CCardUses::CUse moved = uses.Begin([&] { told << QStringLiteral("moved"); });
        const CCardUses::CUse kept = std::move(moved);
        {
            const CCardUses::CUse gone = uses.Begin([&] { told << QStringLiteral("gone"); });
        }
        EXPECT_TRUE(uses.InUse());
        uses.CardLost();
        uses.CardLost(); // told once only
    }
    EXPECT_EQ(told, (QStringList{QStringLiteral("copy"), QStringLiteral("first"),
                                 QStringLiteral("export"), QStringLiteral("moved")}));
    EXPECT_FALSE(uses.InUse());
}

TEST(MountWatcher, ReportsARealMountAndUnmountAndTheFolderChangesIdentity)
{
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card"));
    const QString reader = dir.filePath(QStringLiteral("reader"));
    ASSERT_TRUE(QDir().mkpath(card) && QDir().mkpath(reader));

    CMountWatcher watcher;
    ASSERT_TRUE(watcher.IsWatching());
    QSignalSpy changed(&watcher, &CMountWatcher::MountsChanged);
    const std::optional<FolderIdentity> empty = ReadFolderIdentity(reader);
    ASSERT_TRUE(empty);

    CTestMount mount = CTestMount::Bind(card, reader);
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    ASSERT_TRUE(changed.wait(10000)) << "no report of the mount";
    const std::optional<FolderIdentity> mounted = ReadFolderIdentity(reader);
    ASSERT_TRUE(mounted);
    EXPECT_NE(*mounted, *empty);
    EXPECT_EQ(mounted->inode, ReadFolderIdentity(card)->inode);

    // The reader's folder listed as a drive: the mount shows as a new volume there.
    DriveProbe probe;
    probe.extraDrives = reader;
    const DriveSnapshot withCard = TakeDriveSnapshot(probe);
    ASSERT_FALSE(withCard.isEmpty());
    EXPECT_EQ(withCard.last().root, reader + QLatin1Char('/'));
    EXPECT_EQ(withCard.last().identity, *mounted);

    changed.clear();
    ASSERT_TRUE(mount.Unmount());
    ASSERT_TRUE(changed.wait(10000)) << "no report of the unmount";
    EXPECT_EQ(ReadFolderIdentity(reader), empty);
    const LoadedCard loaded{reader + QLatin1Char('/'), *mounted};
    EXPECT_TRUE(
        InterpretMountChange(withCard, TakeDriveSnapshot(probe), loaded, ReadFolderIdentity(reader))
            .cardRemoved);
}

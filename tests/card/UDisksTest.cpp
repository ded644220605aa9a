#include "CardDevice.h"
#include "CardFormat.h"
#include "DlgFormat.h"
#include "DlgMessage.h"
#include "FormatRules.h"
#include "StringTable.h"
#include "UDisksClient.h"

#include "CardTestUtil.h"
#include "DlgDisk.h"
#include "FakeUDisks.h"
#include "TestSupport.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QDBusArgument>
#include <QKeyEvent>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr char kNotAuthorized[] = "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain";
constexpr char kNotAuthorizedText[] = "Not authorized to perform operation";
const QByteArray kSettings = QByteArray::fromHex("a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2");

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAll();
}

bool allZero(const QString &path)
{
    const QByteArray data = ReadCardTestFile(path);
    return !data.isEmpty() && data.count('\0') == data.size();
}

QVariantMap optionsOf(const CFakeUDisks::Call &call, int index)
{
    return qdbus_cast<QVariantMap>(call.arguments.value(index));
}

// A card reader "sdb" whose partition sdb1 is mounted at `card`; the disk service on a private
// bus knows /dev/sdb1, writes go to an image file and its Mount answers `remounted`.
struct DiskServiceCard
{
    explicit DiskServiceCard(bool withService = true)
    {
        machine.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"), "1",
                        {QStringLiteral("sdb1")}, 9);
        card = machine.Folder(QStringLiteral("card"));
        remounted = machine.Folder(QStringLiteral("remounted"));
        desktop = machine.Folder(QStringLiteral("Desktop"));
        image = machine.dir.filePath(QStringLiteral("sdb1.img"));
        machine.Mount(QStringLiteral("9:1"), card, QStringLiteral("/dev/sdb1"));
        disks.AddDevice(QStringLiteral("/dev/sdb1"), image, remounted, QStringLiteral("9:1"));
        if (!bus.ok())
            return;
        client = bus.Connect(QStringLiteral("player"));
        if (withService) {
            service = bus.Connect(QStringLiteral("udisks"));
            registered = disks.Register(service);
        }
    }

    // A FAT32 image labelled CAM, the card's settings file on the mounted card.
    bool PrepareCard(qint64 bytes = 48 << 20)
    {
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes))
            return false;
        file.close();
        int code = -1;
        run(QStringLiteral("/usr/sbin/mkfs.fat"),
            {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-n"),
             QStringLiteral("CAM"), image},
            &code);
        return code == 0 && WriteCardTestFile(card + QStringLiteral("/Setup/setup.bin"), kSettings);
    }

    // The disk service's steps; the format tool runs on the image instead of the device.
    FormatEnvironment Environment()
    {
        FormatEnvironment env;
        env.probe = machine.probe;
        env.desktopPath = desktop;
        env.ops = UDisksDeviceOps(client);
        env.ops.runTool = [this](QStringList arguments) -> std::optional<QByteArray> {
            toolCalls.append(arguments);
            if (toolCalls.size() == 1)
                zeroBeforeTool = allZero(image);
            return RunProgram(BinDir() + QStringLiteral("/ZLMFormat"),
                              ImageToolArguments(arguments, image));
        };
        env.message = [this](int type, const QString &text) {
            messages.append(text);
            return type == kMessageFormatChoice ? answer : 1;
        };
        env.clearPlayer = [] {};
        env.runRecovery = [this](CZeroFill &fill, const std::function<int()> &open) {
            CDlgFormat dialog(fill, open);
            recoveryResult = dialog.exec();
            return recoveryResult;
        };
        return env;
    }

    FormatOutcome Format()
    {
        FormatEnvironment env = Environment();
        return FormatCard(card + QLatin1Char('/'), PinCard(machine.probe, card), env);
    }

    QString Object() const { return QLatin1String(kUDisksBlockPrefix) + QStringLiteral("sdb1"); }

    FakeMachine machine;
    CPrivateBus bus;
    CFakeUDisks disks;
    QDBusConnection client{QString()};
    QDBusConnection service{QString()};
    bool registered = false;
    QString card, remounted, desktop, image;
    QList<QStringList> toolCalls;
    QStringList messages;
    int answer = 7;
    int recoveryResult = 0;
    bool zeroBeforeTool = false;
};

#define ASSERT_BUS(fake)                                                                           \
    ASSERT_TRUE((fake).bus.ok()) << (fake).bus.Error().toStdString();                              \
    ASSERT_TRUE((fake).client.isConnected()) << (fake).bus.Address().toStdString()

} // namespace

TEST(DiskService, ClientCallsCarryTheirArguments)
{
    DiskServiceCard fake;
    ASSERT_BUS(fake);
    ASSERT_TRUE(fake.registered);
    ASSERT_TRUE(fake.PrepareCard());
    const CUDisksClient disks(fake.client);
    EXPECT_TRUE(disks.IsAvailable());

    QString error;
    EXPECT_EQ(disks.BlockObject(QStringLiteral("/dev/sdb1"), &error), fake.Object());
    EXPECT_EQ(disks.BlockObject(QStringLiteral("/dev/sdc1"), &error), std::nullopt);
    EXPECT_TRUE(error.contains(QStringLiteral("/dev/sdc1"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("does not know"))) << error.toStdString();

    EXPECT_TRUE(disks.FormatVfat(fake.Object(), QStringLiteral("CAM"), 128, &error));
    EXPECT_TRUE(disks.FormatVfat(fake.Object(), QString(), 64, &error));
    EXPECT_EQ(disks.Mount(fake.Object(), &error), fake.remounted);

    const QList<CFakeUDisks::Call> calls = fake.disks.Calls();
    ASSERT_EQ(calls.size(), 5);
    EXPECT_EQ(optionsOf(calls[0], 0).value(QStringLiteral("path")), QStringLiteral("/dev/sdb1"));
    for (int i : {2, 3}) {
        const CFakeUDisks::Call &format = calls[i];
        EXPECT_EQ(format.member, QStringLiteral("Format"));
        EXPECT_EQ(format.object, fake.Object());
        EXPECT_EQ(format.arguments.value(0).toString(), QStringLiteral("vfat"));
        EXPECT_TRUE(format.interactive);
        const QVariantMap options = optionsOf(format, 1);
        EXPECT_EQ(options.value(QStringLiteral("auth.no_user_interaction")), false);
        EXPECT_EQ(options.value(QStringLiteral("mkfs-args")).toStringList(),
                  (QStringList{QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-s"),
                               i == 2 ? QStringLiteral("128") : QStringLiteral("64")}));
    }
    EXPECT_EQ(optionsOf(calls[2], 1).value(QStringLiteral("label")), QStringLiteral("CAM"));
    // No label: the service must not be told to blank it.
    EXPECT_FALSE(optionsOf(calls[3], 1).contains(QStringLiteral("label")));
    EXPECT_EQ(calls[4].member, QStringLiteral("Mount"));
}

TEST(DiskService, RecoveryFormatThroughTheServiceOnAnImage)
{
    DiskServiceCard fake;
    ASSERT_BUS(fake);
    ASSERT_TRUE(fake.registered);
    ASSERT_TRUE(fake.PrepareCard());

    const FormatOutcome outcome = fake.Format();
    EXPECT_EQ(fake.recoveryResult, 1);
    EXPECT_TRUE(fake.zeroBeforeTool);
    EXPECT_TRUE(outcome.succeeded) << fake.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(fake.messages.value(1), LoadResString(133));
    // Each step first makes sure the service's object is the pinned device.
    EXPECT_EQ(fake.disks.Members(),
              (QStringList{QStringLiteral("ResolveDevice"), QStringLiteral("Get"),
                           QStringLiteral("Unmount"), QStringLiteral("ResolveDevice"),
                           QStringLiteral("Get"), QStringLiteral("OpenForRestore"),
                           QStringLiteral("ResolveDevice"), QStringLiteral("Get"),
                           QStringLiteral("Mount")}));
    for (const CFakeUDisks::Call &call : fake.disks.Calls()) {
        if (call.member != QLatin1String("ResolveDevice") && call.member != QLatin1String("Get")) {
            EXPECT_EQ(call.object, fake.Object());
            EXPECT_EQ(optionsOf(call, 0).value(QStringLiteral("auth.no_user_interaction")), false);
        }
    }
    // The label of the erased volume goes to the tool.
    ASSERT_EQ(fake.toolCalls.size(), 2);
    EXPECT_TRUE(fake.toolCalls[0].join(QLatin1Char(' ')).contains(QStringLiteral("-n CAM")));

    // The card is back where the service mounted it, with its settings file.
    EXPECT_EQ(outcome.root, fake.remounted + QLatin1Char('/'));
    EXPECT_TRUE(outcome.settingsRestored);
    EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
    int code = -1;
    const QByteArray check = run(QStringLiteral("fsck.fat"),
                                 {QStringLiteral("-n"), QStringLiteral("-v"), fake.image}, &code);
    EXPECT_EQ(code, 0) << check.constData();
    EXPECT_TRUE(check.contains("32 bit entries")) << check.constData();
    EXPECT_EQ(FatVolumeLabel(ReadCardTestFile(fake.image).left(512)), QStringLiteral("CAM"));
}

TEST(DiskService, EveryFailureIsExplainedInTheMessageBox)
{
    const QString failed = LoadResString(134) + QLatin1Char('\n');
    {
        // Not allowed to unmount: nothing is written, the settings file stays on the card.
        DiskServiceCard fake;
        ASSERT_BUS(fake);
        ASSERT_TRUE(fake.PrepareCard());
        fake.disks.Fail(QStringLiteral("Unmount"), QLatin1String(kNotAuthorized),
                        QLatin1String(kNotAuthorizedText));
        const FormatOutcome outcome = fake.Format();
        EXPECT_FALSE(outcome.succeeded);
        const QString text = fake.messages.value(1);
        EXPECT_TRUE(text.startsWith(failed)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("did not allow this user to unmount the card")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(kNotAuthorizedText)));
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_EQ(fake.disks.Members().count(QStringLiteral("OpenForRestore")), 0);
        EXPECT_EQ(ReadCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin")), kSettings);
    }
    {
        // Not allowed to open the device: the progress dialog ends at once, the tool never
        // runs, the card is mounted again and gets its settings file back.
        DiskServiceCard fake;
        ASSERT_BUS(fake);
        ASSERT_TRUE(fake.PrepareCard());
        const QByteArray before = ReadCardTestFile(fake.image);
        fake.disks.Fail(QStringLiteral("OpenForRestore"), QLatin1String(kNotAuthorized),
                        QLatin1String(kNotAuthorizedText));
        const FormatOutcome outcome = fake.Format();
        EXPECT_EQ(fake.recoveryResult, 2);
        EXPECT_FALSE(outcome.succeeded);
        const QString text = fake.messages.value(1);
        EXPECT_TRUE(text.startsWith(failed)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("did not allow this user to open the card")))
            << text.toStdString();
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_EQ(ReadCardTestFile(fake.image), before);
        EXPECT_EQ(fake.disks.Members().last(), QStringLiteral("Mount"));
        EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
    }
    {
        // The service does not know the card (removed meanwhile).
        DiskServiceCard fake;
        ASSERT_BUS(fake);
        ASSERT_TRUE(fake.PrepareCard());
        fake.disks.Forget(QStringLiteral("/dev/sdb1"));
        fake.Format();
        const QString text = fake.messages.value(1);
        EXPECT_TRUE(text.startsWith(failed)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("does not know"))) << text.toStdString();
        EXPECT_TRUE(fake.toolCalls.isEmpty());
    }
    {
        // No disk service on the bus at all.
        DiskServiceCard fake(false);
        ASSERT_BUS(fake);
        ASSERT_TRUE(fake.PrepareCard());
        EXPECT_FALSE(CUDisksClient(fake.client).IsAvailable());
        fake.Format();
        const QString text = fake.messages.value(1);
        EXPECT_TRUE(text.startsWith(failed)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("udisks2")) &&
                    text.contains(QStringLiteral("not running")))
            << text.toStdString();
        EXPECT_EQ(ReadCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin")), kSettings);
    }
    {
        // Formatted, but not mounted again: the user hears why, and where the settings are.
        DiskServiceCard fake;
        ASSERT_BUS(fake);
        ASSERT_TRUE(fake.PrepareCard());
        fake.answer = 1;
        fake.disks.Fail(QStringLiteral("Mount"), QLatin1String(kNotAuthorized),
                        QLatin1String(kNotAuthorizedText));
        const FormatOutcome outcome = fake.Format();
        EXPECT_TRUE(outcome.root.isEmpty());
        EXPECT_FALSE(outcome.settingsRestored);
        ASSERT_EQ(fake.messages.size(), 3);
        EXPECT_TRUE(fake.messages[2].contains(SettingsBackupPath(fake.desktop)));
        EXPECT_TRUE(fake.messages[2].contains(
            QStringLiteral("did not allow this user to mount the card again")))
            << fake.messages[2].toStdString();
        EXPECT_EQ(ReadCardTestFile(SettingsBackupPath(fake.desktop)), kSettings);
    }
    {
        // The tool's own format through the service, refused.
        DiskServiceCard fake;
        ASSERT_BUS(fake);
        fake.disks.Fail(QStringLiteral("Format"), QLatin1String(kNotAuthorized),
                        QLatin1String(kNotAuthorizedText));
        QString error;
        EXPECT_FALSE(CUDisksClient(fake.client)
                         .FormatVfat(fake.Object(), QStringLiteral("CAM"), 64, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("did not allow this user to format the card")))
            << error.toStdString();
    }
}

TEST(DiskService, TheBootSectorReadBackDecides)
{
    const FormatToolRequest request{64, QStringLiteral("CAM"), true, {}, {}, QStringLiteral("x")};
    // A 600 MiB card formatted by the service; `number` is the device chosen.
    const auto format = [&](bool oldService, const QString &number, QStringList *members) {
        DiskServiceCard fake;
        QString why;
        if (!fake.bus.ok() || !fake.registered || !fake.PrepareCard(600LL << 20))
            return QStringLiteral("no bus");
        if (oldService)
            fake.disks.IgnoreMkfsArguments();
        if (FormatWithDiskService(CUDisksClient(fake.client), QStringLiteral("/dev/sdb1"),
                                  {number, QString()}, request, &why))
            why = QStringLiteral("ok");
        *members = fake.disks.Members();
        return why;
    };
    QStringList members;
    EXPECT_EQ(format(false, QStringLiteral("9:1"), &members), QStringLiteral("ok"));
    EXPECT_EQ(members.mid(members.indexOf(QStringLiteral("Format"))),
              (QStringList{QStringLiteral("Format"), QStringLiteral("ResolveDevice"),
                           QStringLiteral("Get"), QStringLiteral("OpenForBackup")}));
    // An older service drops "mkfs-args": mkfs.fat's own cluster size is a failure.
    const QString why = format(true, QStringLiteral("9:1"), &members);
    EXPECT_TRUE(why.contains(QStringLiteral("instead of the 32 KiB")) &&
                why.contains(QStringLiteral("udisks2")))
        << why.toStdString();
    // The service's object is another device than the one chosen: nothing is formatted.
    EXPECT_EQ(format(false, QStringLiteral("8:17"), &members), CardChangedReason());
    EXPECT_FALSE(members.contains(QStringLiteral("Format")));
}

TEST(DiskService, TheCardDialogStaysAliveWhileTheServiceWaits)
{
    DiskServiceCard fake;
    ASSERT_BUS(fake);
    ASSERT_TRUE(fake.registered);
    ASSERT_TRUE(fake.PrepareCard());
    fake.answer = 1;
    fake.disks.Hold(QStringLiteral("Unmount")); // a password prompt, say

    CDlgDisk dialog;
    dialog.SetDriveSource([&] { return QStringList{fake.card + QLatin1Char('/')}; });
    dialog.SetPinSource([&](const QString &root) { return PinCard(fake.machine.probe, root); });
    FormatOutcome outcome;
    dialog.SetFormatHandler([&](const QString &root, const std::optional<CardPin> &pin) {
        FormatEnvironment env = fake.Environment();
        outcome = FormatCard(root, pin, env);
        return outcome.root;
    });
    dialog.FillList();
    dialog.List()->SelectOnly(0);
    dialog.show();

    // While the service waits, the event loop runs; the dialog's keys and buttons end nothing.
    bool aliveWhileWaiting = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!fake.disks.Waiting())
            return;
        watch.stop();
        aliveWhileWaiting = dialog.Busy();
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(dialog.List(), &press);
        }
        CUserMessage cancel(1, CDlgDisk::kCancelId);
        QApplication::sendEvent(&dialog, &cancel);
        dialog.close();
        fake.disks.Release();
    });
    watch.start(10);
    dialog.FormatSelected();

    EXPECT_TRUE(aliveWhileWaiting);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(outcome.succeeded) << fake.messages.join(u'|').toStdString();
    EXPECT_FALSE(dialog.Busy());
}

#include "CardFormat.h"
#include "DlgDisk.h"
#include "DlgFormat.h"
#include "DlgMessage.h"
#include "NotificationCodes.h"
#include "Progress.h"
#include "SkinButton.h"
#include "StringTable.h"
#include "UserMessage.h"
#include "XListCtrl.h"

#include "CardTestUtil.h"
#include "TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString toolPath()
{
    return BinDir() + QStringLiteral("/ZLMFormat");
}

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

bool makeImage(const QString &path, qint64 bytes, char fill = 'x')
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(1 << 20, fill);
    for (qint64 done = 0; done < bytes; done += block.size())
        file.write(block.left(int(std::min<qint64>(block.size(), bytes - done))));
    return true;
}

// A sparse image: mtools only reads FAT32 volumes of full size (over 65,524 clusters).
bool makeSparseImage(const QString &path, qint64 bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(bytes);
}

bool allZero(const QString &path)
{
    const QByteArray data = ReadCardTestFile(path);
    return !data.isEmpty() && data.count('\0') == data.size();
}

// A card reader "sdb" with partition sdb1 mounted at `card`, whose raw volume is an image file.
struct FakeCard
{
    FakeCard()
    {
        machine.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"), "1",
                        {QStringLiteral("sdb1")}, 9);
        card = machine.Folder(QStringLiteral("card"));
        remounted = machine.Folder(QStringLiteral("remounted"));
        desktop = machine.Folder(QStringLiteral("Desktop"));
        image = machine.dir.filePath(QStringLiteral("sdb1.img"));
        machine.Mount(QStringLiteral("9:1"), card, QStringLiteral("/dev/sdb1"));
    }

    // Everything that would touch /dev goes to the image; the tool is the real one.
    FormatEnvironment Environment()
    {
        FormatEnvironment env;
        env.probe = machine.probe;
        env.desktopPath = desktop;
        env.ops.unmount = [this](const CardTarget &target, QString *) {
            unmounted = target.device;
            return true;
        };
        env.ops.openExclusive = [this](const CardTarget &, QString *) {
            return ::open(QFile::encodeName(image).constData(),
                          (openReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        };
        env.ops.mount = [this](const CardTarget &, QString *) -> std::optional<QString> {
            return remounted + QLatin1Char('/');
        };
        env.ops.runTool = [this](QStringList arguments) -> std::optional<QByteArray> {
            toolCalls.append(arguments);
            if (toolCalls.size() == 1)
                zeroBeforeTool = allZero(image);
            if (toolCalls.size() == failingToolCall)
                return QByteArray("mkfs.fat: unable to write the file allocation table");
            return RunProgram(toolPath(), ImageToolArguments(arguments, image));
        };
        env.message = [this](int type, const QString &text) {
            messages.append(text);
            return type == kMessageFormatChoice ? answer : 1;
        };
        env.clearPlayer = [this] { ++cleared; };
        env.runRecovery = [this](CZeroFill &fill, const std::function<int()> &open) {
            CDlgFormat dialog(fill, open);
            // Escape, Enter and a close request while the card is written do nothing.
            QTimer::singleShot(0, &dialog, [&dialog] {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&dialog, &escape);
                dialog.close();
            });
            recoveryResult = dialog.exec();
            recoveryPercent = dialog.Percent();
            return recoveryResult;
        };
        return env;
    }

    // Formats the card as the card dialog would: for the device it listed.
    FormatOutcome Format(FormatEnvironment &env, const QString &root = QString())
    {
        return FormatCard(root.isEmpty() ? card : root, PinCard(machine.probe, card), env);
    }

    FakeMachine machine;
    QString card, remounted, desktop, image, unmounted;
    QList<QStringList> toolCalls;
    QStringList messages;
    int answer = 7;
    int failingToolCall = 0; // the tool's run (1, 2 ...) that reports a failure
    int cleared = 0;
    int recoveryResult = 0;
    int recoveryPercent = -1;
    bool zeroBeforeTool = false;
    bool openReadOnly = false;
};

const QByteArray kSettings = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f101112");

// A block device node of this machine with minor number 0, looked at with stat() only: the
// tests never open a device.
std::optional<std::pair<QString, int>> someBlockNode()
{
    const QFileInfoList nodes = QDir(QStringLiteral("/dev")).entryInfoList(QDir::System);
    for (const QFileInfo &node : nodes) {
        struct stat status
        {
        };
        if (::lstat(QFile::encodeName(node.filePath()).constData(), &status) == 0 &&
            S_ISBLK(status.st_mode) && minor(status.st_rdev) == 0)
            return std::make_pair(node.filePath(), int(major(status.st_rdev)));
    }
    return std::nullopt;
}

} // namespace

TEST(FormatTool, FormatsAnImageAsFat32WithTheAskedClusters)
{
    FakeMachine dir;
    const QString image = dir.dir.filePath(QStringLiteral("card.img"));
    ASSERT_TRUE(makeSparseImage(image, 4400LL << 20));
    int code = -1;
    EXPECT_EQ(run(toolPath(),
                  {QStringLiteral("-c64"), QStringLiteral("-n"), QStringLiteral("CAM"), image},
                  &code),
              QByteArray("qmzvxkrb ok"));
    EXPECT_EQ(code, 0);
    QByteArray check =
        run(QStringLiteral("fsck.fat"), {QStringLiteral("-n"), QStringLiteral("-v"), image}, &code);
    EXPECT_EQ(code, 0) << check.constData();
    EXPECT_TRUE(check.contains("32768 bytes per cluster")) << check.constData();
    EXPECT_TRUE(check.contains("32 bit entries")) << check.constData();

    // Without -n the volume keeps the label it has.
    EXPECT_EQ(run(toolPath(), {QStringLiteral("-c128"), image}), QByteArray("qmzvxkrb ok"));
    check =
        run(QStringLiteral("fsck.fat"), {QStringLiteral("-n"), QStringLiteral("-v"), image}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(check.contains("65536 bytes per cluster")) << check.constData();
    EXPECT_TRUE(run(QStringLiteral("mdir"), {QStringLiteral("-i"), image, QStringLiteral("::")})
                    .contains("Volume in drive : is CAM"));

    // Failures explain themselves and never print the success text.
    for (const QStringList &bad :
         {QStringList{QStringLiteral("-c64"), dir.dir.filePath(QStringLiteral("missing.img"))},
          QStringList{QStringLiteral("-c99"), image}, QStringList{}}) {
        const QByteArray output = run(toolPath(), bad, &code);
        EXPECT_NE(code, 0);
        EXPECT_FALSE(output.contains("qmzvxkrb ok"));
        EXPECT_FALSE(output.trimmed().isEmpty());
    }
    // A folder that is no card's mount point is refused.
    const QByteArray output =
        run(toolPath(), {QStringLiteral("-c64"), dir.Folder(QStringLiteral("plain"))}, &code);
    EXPECT_NE(code, 0);
    EXPECT_FALSE(output.contains("qmzvxkrb ok"));
}

TEST(FormatTool, KnowsADeviceByItsNumberNotItsName)
{
    const auto node = someBlockNode();
    if (!node)
        GTEST_SKIP() << "no block device node to point a link at";
    // The stand-in sysfs has a USB card "sdb1"; the link named like it leads to another device.
    FakeMachine fake;
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-1/host6"), QStringLiteral("sdb"), "1",
                 {QStringLiteral("sdb1")}, node->second + 1);
    const QString link = fake.dir.filePath(QStringLiteral("sdb1"));
    ASSERT_TRUE(QFile::link(node->first, link));
    auto tool = [&](const QStringList &arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("RX9_FORMAT_PROBE_ROOT"), fake.dir.path());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(toolPath(), arguments);
        process.waitForFinished(120000);
        return QString::fromLocal8Bit(process.readAll());
    };
    const QString c64 = QStringLiteral("-c64");
    EXPECT_TRUE(tool({c64, link}).contains(QStringLiteral("is not a removable card")));

    // The linked device as a card's whole disk that has partitions: refused.
    fake.AddDisk(QStringLiteral("pci0000:00/usb1/1-2/host7"), QStringLiteral("sdc"), "1",
                 {QStringLiteral("sdc1")}, node->second);
    EXPECT_TRUE(tool({c64, link}).contains(QStringLiteral("whole disk with partitions")));

    // As a card without partitions it passes the rules, but it is not the device asked for.
    QDir(fake.probe.sysfsRoot + QStringLiteral("/class/block/sdc/sdc1")).removeRecursively();
    const QString number = QStringLiteral("%1:0").arg(node->second);
    EXPECT_TRUE(
        tool({c64, QStringLiteral("-d"), QStringLiteral("%1:1").arg(node->second + 1), link})
            .contains(QStringLiteral("not the card that was chosen")));
    // Even the device asked for is never opened after checks against a stand-in sysfs.
    EXPECT_TRUE(
        tool({c64, QStringLiteral("-d"), number, link}).contains(QStringLiteral("stand-in")));
}

TEST(FormatCardFlow, RecoveryOnAnImageKeepsTheSettingsFile)
{
    FakeCard fake;
    ASSERT_TRUE(makeImage(fake.image, 48 << 20));
    ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
    FormatEnvironment env = fake.Environment();

    const FormatOutcome outcome = fake.Format(env, fake.card + QLatin1Char('/'));
    EXPECT_EQ(outcome.answer, 7);
    EXPECT_EQ(fake.recoveryResult, 1);
    EXPECT_EQ(fake.recoveryPercent, 100);
    EXPECT_TRUE(fake.zeroBeforeTool);
    EXPECT_EQ(fake.toolCalls.size(), 2);
    EXPECT_EQ(fake.toolCalls.value(0).value(0), QStringLiteral("-c64"));
    EXPECT_EQ(fake.unmounted, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(fake.cleared, 1);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_TRUE(fake.messages.value(0).startsWith(LoadResString(132)));
    EXPECT_EQ(fake.messages.value(1), LoadResString(133));
    EXPECT_EQ(outcome.root, fake.remounted + QLatin1Char('/'));
    EXPECT_TRUE(outcome.settingsRestored);
    EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
    EXPECT_FALSE(FileExists(SettingsBackupPath(fake.desktop)));
    EXPECT_TRUE(QFileInfo(fake.desktop + QStringLiteral("/HD-VANTORA/Setup")).isDir());

    int code = -1;
    const QByteArray check = run(QStringLiteral("fsck.fat"),
                                 {QStringLiteral("-n"), QStringLiteral("-v"), fake.image}, &code);
    EXPECT_EQ(code, 0) << check.constData();
    EXPECT_TRUE(check.contains("32 bit entries"));
    EXPECT_TRUE(check.contains("32768 bytes per cluster"));
}

TEST(FormatCardFlow, CancelAndNormalFormatAndFailures)
{
    {
        // Cancel: nothing formatted, the file went to the desktop and came back.
        FakeCard fake;
        fake.answer = 2;
        ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_TRUE(fake.unmounted.isEmpty());
        EXPECT_EQ(fake.cleared, 0);
        EXPECT_EQ(fake.messages.size(), 1);
        EXPECT_EQ(ReadCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin")), kSettings);
        EXPECT_FALSE(FileExists(SettingsBackupPath(fake.desktop)));
        EXPECT_TRUE(QFileInfo(fake.desktop + QStringLiteral("/HD-VANTORA/Setup")).isDir());
    }
    {
        // Normal format of a card without a settings file: no backup, nothing restored.
        FakeCard fake;
        fake.answer = 1;
        ASSERT_TRUE(makeSparseImage(fake.image, 2200LL << 20));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_TRUE(outcome.succeeded);
        // A clean FAT32 that mtools reads; the settings file put on it comes back byte for byte.
        const QString file = fake.machine.dir.filePath(QStringLiteral("setup.bin"));
        ASSERT_TRUE(WriteCardTestFile(file, kSettings));
        int code = -1;
        run(QStringLiteral("mmd"), {QStringLiteral("-i"), fake.image, QStringLiteral("::Setup")});
        run(QStringLiteral("mcopy"),
            {QStringLiteral("-i"), fake.image, file, QStringLiteral("::Setup/setup.bin")}, &code);
        EXPECT_EQ(code, 0);
        const QByteArray check =
            run(QStringLiteral("fsck.fat"), {QStringLiteral("-n"), fake.image}, &code);
        EXPECT_EQ(code, 0) << check.constData();
        const QString back = fake.machine.dir.filePath(QStringLiteral("back.bin"));
        run(QStringLiteral("mcopy"),
            {QStringLiteral("-i"), fake.image, QStringLiteral("::Setup/setup.bin"), back});
        EXPECT_EQ(ReadCardTestFile(back), kSettings);
        ASSERT_EQ(fake.toolCalls.size(), 1);
        EXPECT_FALSE(fake.zeroBeforeTool);
        // The tool is told which device it is for.
        const QStringList arguments = fake.toolCalls[0];
        EXPECT_EQ(arguments.mid(arguments.indexOf(QStringLiteral("-d"))),
                  (QStringList{QStringLiteral("-d"), QStringLiteral("9:1"), QStringLiteral("-q"),
                               PinCard(fake.machine.probe, fake.card)->diskseq,
                               QStringLiteral("/dev/sdb1")}));
        EXPECT_EQ(fake.messages.value(1), LoadResString(133));
        EXPECT_FALSE(outcome.settingsRestored);
        EXPECT_FALSE(QFileInfo::exists(fake.desktop + QStringLiteral("/HD-VANTORA")));
        EXPECT_FALSE(FileExists(fake.remounted + QStringLiteral("/Setup/setup.bin")));
    }
    {
        // The first write fails: the progress closes at once, no tool, "Format failed", and the
        // settings file still goes back.
        FakeCard fake;
        fake.openReadOnly = true;
        ASSERT_TRUE(makeImage(fake.image, 8 << 20));
        ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_EQ(fake.recoveryResult, 2);
        EXPECT_EQ(fake.recoveryPercent, 0);
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_TRUE(fake.messages.value(1).startsWith(LoadResString(134)));
        EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
    }
    {
        // The tool missing: "Format failed".
        FakeCard fake;
        fake.answer = 1;
        FormatEnvironment env = fake.Environment();
        env.ops.runTool = [](const QStringList &) { return std::nullopt; };
        EXPECT_FALSE(fake.Format(env).succeeded);
        EXPECT_TRUE(fake.messages.value(1).startsWith(LoadResString(134)));
    }
    {
        // A card that no longer passes the rules at the moment of writing: refused with the
        // reason, nothing unmounted or written.
        FakeCard fake;
        fake.machine.ClearMounts();
        FormatEnvironment env = fake.Environment();
        EXPECT_FALSE(fake.Format(env).succeeded);
        EXPECT_TRUE(fake.unmounted.isEmpty());
        EXPECT_EQ(fake.cleared, 0);
        EXPECT_TRUE(fake.messages.value(1).startsWith(LoadResString(134) + QLatin1Char('\n')));
        EXPECT_GT(fake.messages.value(1).size(), LoadResString(134).size() + 5);
    }
}

TEST(FormatCardFlow, ASettingsFileThatCannotBeKeptStopsTheFormat)
{
    FakeCard fake;
    fake.answer = 1;
    ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
    // "HD-VANTORA" on the desktop is a file: no folder for the copy can be made below it.
    ASSERT_TRUE(WriteCardTestFile(fake.desktop + QStringLiteral("/HD-VANTORA"), "a file"));
    FormatEnvironment env = fake.Environment();
    const FormatOutcome outcome = fake.Format(env);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(fake.messages, QStringList{SettingsNotKeptText(SettingsBackupPath(fake.desktop))});
    EXPECT_EQ(fake.cleared, 0);
    EXPECT_TRUE(fake.unmounted.isEmpty());
    EXPECT_TRUE(fake.toolCalls.isEmpty());
    EXPECT_EQ(ReadCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin")), kSettings);
}

TEST(FormatCardFlow, AFailedToolRunOrZeroFillSaysFailedAndPutsTheSettingsBack)
{
    for (const int failing : {1, 2}) {
        // The recovery format's first or second run of the tool reports a failure.
        FakeCard fake;
        fake.failingToolCall = failing;
        ASSERT_TRUE(makeImage(fake.image, 48 << 20));
        ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_EQ(fake.recoveryResult, 1) << failing;
        EXPECT_EQ(fake.toolCalls.size(), 2) << failing;
        EXPECT_FALSE(outcome.succeeded) << failing;
        EXPECT_EQ(fake.messages.value(1),
                  LoadResString(134) +
                      QStringLiteral("\nmkfs.fat: unable to write the file allocation table"))
            << failing;
        EXPECT_TRUE(outcome.settingsRestored) << failing;
        EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
        EXPECT_FALSE(FileExists(SettingsBackupPath(fake.desktop)));
    }
    {
        // The card stops taking writes halfway through the zeros (the process may write no file
        // past 8 MiB): the fill ends there, the tool never runs.
        FakeCard fake;
        ASSERT_TRUE(makeImage(fake.image, 16 << 20));
        ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
        FormatEnvironment env = fake.Environment();
        struct rlimit before
        {
        };
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit limited = before;
        limited.rlim_cur = 8 << 20;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const FormatOutcome outcome = fake.Format(env);
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(fake.recoveryResult, 2);
        EXPECT_GE(fake.recoveryPercent, 40);
        EXPECT_LE(fake.recoveryPercent, 60);
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_TRUE(fake.messages.value(1).startsWith(LoadResString(134)));
        EXPECT_TRUE(outcome.settingsRestored);
        EXPECT_EQ(ReadCardTestFile(fake.remounted + QStringLiteral("/Setup/setup.bin")), kSettings);
        const QByteArray image = ReadCardTestFile(fake.image);
        EXPECT_EQ(image.left(8 << 20).count('\0'), 8 << 20);
        EXPECT_EQ(image.mid(8 << 20).count('x'), 8 << 20);
    }
}

TEST(FormatCardFlow, TheQuestionShowsTheCardAndOnlyThatCardIsFormatted)
{
    {
        // The question names what will be erased; the card changed in the reader while it is
        // open: nothing is unmounted or written.
        FakeCard fake;
        fake.answer = 1;
        FormatEnvironment env = fake.Environment();
        env.message = [&](int type, const QString &text) {
            fake.messages.append(text);
            if (type == kMessageFormatChoice)
                fake.machine.ChangeCard(QStringLiteral("sdb"));
            return 1;
        };
        EXPECT_FALSE(fake.Format(env).succeeded);
        EXPECT_EQ(fake.messages.value(0),
                  LoadResString(132) +
                      QStringLiteral("\n\nTo be erased: sdb1, 7.40GB, Generic Card Reader sdb"));
        EXPECT_TRUE(fake.unmounted.isEmpty());
        EXPECT_TRUE(fake.toolCalls.isEmpty());
        EXPECT_EQ(fake.messages.value(1),
                  LoadResString(134) + QLatin1Char('\n') + CardChangedReason());
    }
    {
        // Another card since the list was made: the question names nothing, nothing is erased.
        FakeCard fake;
        fake.answer = 1;
        const std::optional<CardPin> listed = PinCard(fake.machine.probe, fake.card);
        ASSERT_TRUE(listed);
        fake.machine.ChangeCard(QStringLiteral("sdb"));
        FormatEnvironment env = fake.Environment();
        EXPECT_FALSE(FormatCard(fake.card, listed, env).succeeded);
        EXPECT_EQ(fake.messages.value(0), LoadResString(132));
        EXPECT_TRUE(fake.unmounted.isEmpty());
    }
}

TEST(RecoveryProgress, ThePercentageMovesWhileTheZerosGoToTheCard)
{
    FakeMachine dir;
    const QString image = dir.dir.filePath(QStringLiteral("card.img"));
    ASSERT_TRUE(makeImage(image, 200 << 20));
    CZeroFill fill;
    CDlgFormat dialog(
        fill, [&] { return ::open(QFile::encodeName(image).constData(), O_RDWR | O_CLOEXEC); });
    // What the window shows, looked at from the event loop between its own events.
    QList<int> shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int percent = dialog.ProgressBar()->Pos();
        EXPECT_EQ(dialog.ProgressText(),
                  QString::asprintf(LoadResString(135).toUtf8().constData(), percent));
        if (shown.isEmpty() || shown.last() != percent)
            shown.append(percent);
    });
    watch.start(0);
    EXPECT_EQ(dialog.exec(), 1);
    watch.stop();
    EXPECT_EQ(shown.last(), 100);
    EXPECT_TRUE(std::is_sorted(shown.cbegin(), shown.cend()));
    // Every percent of the way shows, one batch at a time.
    EXPECT_GE(shown.size(), 50) << shown.size();
    EXPECT_TRUE(allZero(image));
}

TEST(FormatCardFlow, LinksOnTheCardNeverCarryItsSettingsInOrOut)
{
    {
        // The temporary name of the copy put back is a link to a file of the user: Cancel
        // puts the settings back without touching that file.
        FakeCard fake;
        fake.answer = 2;
        const QString outside = fake.machine.dir.filePath(QStringLiteral("home/.bashrc"));
        ASSERT_TRUE(WriteCardTestFile(outside, "# the user's own"));
        ASSERT_TRUE(WriteCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin"), kSettings));
        ASSERT_TRUE(QFile::link(outside, fake.card + QStringLiteral("/Setup/.setup.bin.part")));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_TRUE(outcome.settingsRestored);
        EXPECT_EQ(ReadCardTestFile(outside), QByteArray("# the user's own"));
        EXPECT_EQ(ReadCardTestFile(fake.card + QStringLiteral("/Setup/setup.bin")), kSettings);
        EXPECT_EQ(fake.messages.size(), 1);
    }
    {
        // The settings file is a link to a file of the user: it is not taken to the desktop,
        // so after Cancel nothing is copied anywhere and the user's file is as it was.
        FakeCard fake;
        fake.answer = 2;
        const QString outside = fake.machine.dir.filePath(QStringLiteral("home/private"));
        ASSERT_TRUE(WriteCardTestFile(outside, "private bytes"));
        QDir().mkpath(fake.card + QStringLiteral("/Setup"));
        ASSERT_TRUE(QFile::link(outside, fake.card + QStringLiteral("/Setup/setup.bin")));
        FormatEnvironment env = fake.Environment();
        const FormatOutcome outcome = fake.Format(env);
        EXPECT_FALSE(outcome.settingsRestored);
        EXPECT_FALSE(FileExists(SettingsBackupPath(fake.desktop)));
        EXPECT_EQ(ReadCardTestFile(outside), QByteArray("private bytes"));
        EXPECT_EQ(fake.messages.size(), 1);
    }
}

TEST(CardDialog, ListsPreselectsAndAccepts)
{
    EXPECT_EQ(PreselectedCardRow({QStringLiteral("/m/a/"), QStringLiteral("/m/b/")},
                                 QStringLiteral("/m/b")),
              1);
    EXPECT_EQ(PreselectedCardRow({QStringLiteral("/m/a/"), QStringLiteral("/m/b/")},
                                 QStringLiteral("/m/b/sub/")),
              1);
    EXPECT_EQ(PreselectedCardRow({QStringLiteral("/m/a/"), QStringLiteral("/m/b/")},
                                 QStringLiteral("/m/bb/")),
              -1);
    EXPECT_EQ(PreselectedCardRow({QStringLiteral("/m/a/")}, QString()), -1);

    FakeMachine dir;
    const QString e = dir.Folder(QStringLiteral("E")) + QLatin1Char('/');
    const QString g = dir.Folder(QStringLiteral("G")) + QLatin1Char('/');
    auto makeDialog = [&](const QString &shown) {
        auto dialog = std::make_unique<CDlgDisk>();
        dialog->SetDriveSource([&] { return QStringList{e, g}; });
        dialog->SetPath(shown);
        dialog->FillList();
        return dialog;
    };
    {
        auto dialog = makeDialog(g);
        ASSERT_EQ(dialog->List()->RowCount(), 2);
        EXPECT_EQ(dialog->List()->GetCellText(0, 0), QStringLiteral("E"));
        EXPECT_EQ(dialog->List()->GetCellText(1, 0), QStringLiteral("G"));
        EXPECT_FALSE(dialog->List()->GetCellText(0, 1).isEmpty());
        EXPECT_EQ(dialog->List()->FirstSelectedRow(), 1);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog->List(), &enter);
        EXPECT_EQ(dialog->result(), 1);
        EXPECT_EQ(dialog->Path(), g);
    }
    {
        // Nothing shown: nothing selected, OK ends like Cancel and Format asks for a card.
        auto dialog = makeDialog(dir.Folder(QStringLiteral("elsewhere")));
        EXPECT_EQ(dialog->List()->FirstSelectedRow(), -1);
        QList<int> shown;
        dialog->SetMessageHandler([&](int id) { shown.append(id); });
        dialog->FormatSelected();
        EXPECT_EQ(shown, QList<int>{130});
        PostUserMessage(dialog.get(), 1, CDlgDisk::kOkId);
        QApplication::sendPostedEvents(dialog.get());
        EXPECT_EQ(dialog->result(), 2);
        EXPECT_EQ(dialog->Path(), dir.Folder(QStringLiteral("elsewhere")));
    }
    {
        // A double-click (the list's notification) takes its row at once.
        auto dialog = makeDialog(QString());
        dialog->List()->SelectOnly(0);
        PostUserMessage(dialog.get(), notify::kRowDoubleClicked, 0);
        QApplication::sendPostedEvents(dialog.get());
        EXPECT_EQ(dialog->result(), 1);
        EXPECT_EQ(dialog->Path(), e);
    }
    {
        // Format goes to the handler with the selected root; the list is filled again and the
        // card selected at the root it has afterwards.
        auto dialog = makeDialog(e);
        QString formatted;
        dialog->SetFormatHandler([&](const QString &root, const std::optional<CardPin> &) {
            formatted = root;
            return g;
        });
        PostUserMessage(dialog.get(), 1, CDlgDisk::kFormatId);
        QApplication::sendPostedEvents(dialog.get());
        EXPECT_EQ(formatted, e);
        EXPECT_EQ(dialog->List()->FirstSelectedRow(), 1);
        EXPECT_EQ(dialog->ClientSize(), CDlgDisk::kWindowSize);
        EXPECT_EQ(dialog->List()->Header()->CaptionImageId(1), 3411);
        for (int id :
             {CDlgDisk::kOkId, CDlgDisk::kCancelId, CDlgDisk::kRefreshId, CDlgDisk::kFormatId})
            EXPECT_FALSE(dialog->Button(id)->accessibleName().isEmpty());
    }
}

TEST(FormatCardFlow, ACardPulledDuringTheQuestionGetsNothingWrittenToItsFolder)
{
    // The card's files are bind mounted over its mount folder; it goes while the question is
    // open. The settings file stays on the desktop and nothing lands in the folder left behind.
    FakeCard fake;
    fake.answer = 2;
    const QString contents = fake.machine.Folder(QStringLiteral("contents"));
    ASSERT_TRUE(WriteCardTestFile(contents + QStringLiteral("/Setup/setup.bin"), kSettings));
    CTestMount mount = CTestMount::Bind(contents, fake.card);
    if (!mount.ok())
        GTEST_SKIP() << mount.Error().toStdString();
    FormatEnvironment env = fake.Environment();
    env.message = [&](int type, const QString &text) {
        fake.messages.append(text);
        if (type == kMessageFormatChoice)
            mount.Unmount();
        return type == kMessageFormatChoice ? fake.answer : 1;
    };
    const FormatOutcome outcome = fake.Format(env);
    EXPECT_FALSE(outcome.settingsRestored);
    EXPECT_TRUE(outcome.root.isEmpty());
    EXPECT_TRUE(QDir(fake.card).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_EQ(ReadCardTestFile(SettingsBackupPath(fake.desktop)), kSettings);
    ASSERT_EQ(fake.messages.size(), 2);
    EXPECT_TRUE(fake.messages[1].contains(SettingsBackupPath(fake.desktop)));
}

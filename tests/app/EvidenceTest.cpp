#include "PlayerTestSupport.h"
#include "TestSupport.h"

#include "CommandLine.h"
#include "DataParser.h"
#include "DlgEvidence.h"
#include "PlayerEvidence.h"
#include "PlayerTrip.h"
#include "Trip.h"
#include "XListCtrl.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Runs the dialog without a modal loop: keeps the request, then exports or cancels.
struct DialogRun
{
    bool exportIt = true;
    QList<EvidenceRequest> requests;
    QList<EvidenceSpan> spans;

    int operator()(CDlgEvidence *dialog)
    {
        requests << dialog->Job().Request();
        spans << dialog->Job().Plan().span;
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        if (exportIt)
            dialog->StartExport();
        else
            dialog->Cancel();
        if (!WaitUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(120)))
            return -1;
        return finished.first().first().toInt();
    }
};

QDateTime ClipStart(const QString &fileName)
{
    return ClipStartFromStem(RecordingStem(fileName));
}

} // namespace

TEST(PlayerEvidence, KeysSetTheSpanAroundThePlayTimeAndExportIt)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTestPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    const QString first = player.RecordingList()->RowFileName(player.Catalogue().CurrentIndex());
    const QDateTime start = ClipStart(first);
    DialogRun run;
    std::function<int(CDlgEvidence *)> runner = std::ref(run);
    player.Evidence().runDialog = runner;

    // E: 30 s either side of the second being watched, cut to the drive; cancelled.
    run.exportIt = false;
    QTest::keyClick(player.RecordingList(), Qt::Key_E);
    ASSERT_EQ(run.requests.size(), 1);
    const EvidenceRequest &around = run.requests.first();
    EXPECT_EQ(around.from.secsTo(around.to), 60);
    EXPECT_GE(around.anchor, start);
    EXPECT_LT(around.anchor, start.addSecs(4));
    EXPECT_EQ(around.anchor.secsTo(around.to), 30);
    EXPECT_EQ(around.preferred, first);
    EXPECT_EQ(run.spans.first().start, start); // the drive starts with this clip
    EXPECT_TRUE(player.messages.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(player.DesktopPath() + "/HD-VANTORA"));

    // I now, O two seconds later: the span between them.
    QTest::keyClick(player.RecordingList(), Qt::Key_I);
    ASSERT_TRUE(player.Evidence().MarkedIn().has_value());
    const QDateTime in = *player.Evidence().MarkedIn();
    ASSERT_TRUE(WaitUntil([&] {
        const auto now = player.Evidence().CurrentMoment();
        return now && in.secsTo(*now) >= 2;
    }));
    QTest::keyClick(player.RecordingList(), Qt::Key_O);
    ASSERT_TRUE(player.Evidence().MarkedOut().has_value());
    const QDateTime out = *player.Evidence().MarkedOut();
    EXPECT_GE(in.secsTo(out), 2);
    run.exportIt = true;
    QTest::keyClick(player.RecordingList(), Qt::Key_E);
    ASSERT_EQ(run.requests.size(), 2);
    EXPECT_EQ(run.requests.last().from, in);
    EXPECT_EQ(run.requests.last().to, out);
    ASSERT_EQ(player.messages.size(), 1);
    const QString folder =
        player.DesktopPath() + "/HD-VANTORA/Evidence " + in.toString("yyyyMMdd_HHmmss");
    EXPECT_TRUE(player.messages.first().text.contains(folder))
        << player.messages.first().text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(folder + "/evidence.mp4"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/SHA256SUMS"));
    // The marks were used up.
    EXPECT_FALSE(player.Evidence().MarkedIn().has_value());
}

TEST(PlayerEvidence, AfterAJumpToAShockTheSpanIsAroundTheShock)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTestPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    // The first recording with a shock.
    int row = 0;
    for (; row < player.RecordingList()->RowCount(); ++row) {
        if (row != player.Catalogue().CurrentIndex())
            player.OpenRecordingAt(row);
        // The shocks' times are known once the clip's length is.
        ASSERT_TRUE(WaitUntil([&] { return player.SensorGraph()->Duration() > 0; }));
        if (!player.SensorGraph()->ShockTimesMs().isEmpty())
            break;
    }
    ASSERT_LT(row, player.RecordingList()->RowCount()) << "the demo card has no shock";
    const QString file = player.RecordingList()->RowFileName(row);
    player.OnCommand(CPlayerTrip::kNextShockCommand);
    ASSERT_TRUE(player.Trip().LastShockJump().has_value());
    const int shockMs = player.Trip().LastShockJump()->shockMs;
    DialogRun run;
    run.exportIt = false;
    player.Evidence().runDialog = std::ref(run);
    player.OnCommand(CPlayerEvidence::kExportEvidenceCommand);
    ASSERT_EQ(run.requests.size(), 1);
    EXPECT_EQ(run.requests.first().anchor, ClipStart(file).addSecs(shockMs / 1000));
    EXPECT_EQ(run.requests.first().from, run.requests.first().anchor.addSecs(-30));
}

TEST(PlayerEvidence, CommandLineExportsWithoutAWindowOrSaysWhyNot)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    QTemporaryDir out;
    const QDateTime start = ClipStart(card.clips.first());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    const auto run = [&](const QStringList &arguments) {
        program.start(BinDir() + "/rx9player", arguments);
        return program.waitForFinished(300000);
    };
    ASSERT_TRUE(
        run({"--export-evidence", card.folder, "--at", start.addSecs(2).toString("yyyyMMdd_HHmmss"),
             "--before", "1", "--after", "2", "--no-overlay", "--out", out.path()}));
    const QString made = QString::fromLocal8Bit(program.readAllStandardOutput()).trimmed();
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(made, out.path() + "/Evidence " + start.addSecs(1).toString("yyyyMMdd_HHmmss"));
    EXPECT_TRUE(QFileInfo::exists(made + "/evidence.mp4"));
    EXPECT_TRUE(QFileInfo::exists(made + "/route.gpx"));

    // A moment without a recording: one line on standard error, no folder.
    ASSERT_TRUE(run({"--export-evidence", card.folder, "--at", "20000101_000000", "--out",
                     out.path() + "/none"}));
    EXPECT_NE(program.exitCode(), 0);
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(error.contains("No recording")) << error.toStdString();
    EXPECT_EQ(error.count("rx9player:"), 1) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.path() + "/none"));
    // A wrong argument.
    ASSERT_TRUE(run({"--export-evidence", card.folder, "--at", "yesterday"}));
    EXPECT_EQ(program.exitCode(), 2);
}

TEST(PlayerEvidence, CommandLineOptions)
{
    QTemporaryDir dir;
    const auto parse = [&](const QStringList &args) {
        return ParsePlayerCommandLine(QStringList{"rx9player"} + args, dir.path());
    };
    PlayerCommandLine c = parse({"--export-evidence", ".", "--at", "20250523_081207", "--before",
                                 "10", "--no-location", "--out", "x"});
    ASSERT_EQ(c.action, PlayerCommandLine::Action::ExportEvidence) << c.text.toStdString();
    EXPECT_EQ(c.evidence.card, QDir(dir.path()).absolutePath());
    EXPECT_EQ(c.evidence.before, 10);
    EXPECT_EQ(c.evidence.after, 30);
    EXPECT_TRUE(c.evidence.overlay);
    EXPECT_FALSE(c.evidence.location);
    EXPECT_EQ(c.evidence.out, dir.path() + "/x");
    for (const QStringList &wrong :
         {QStringList{"--export-evidence", "."},
          {"--export-evidence", "nothing", "--at", "20250523_081207"},
          {"--export-evidence", ".", "--at", "20250523_081207", "--before", "-1"},
          {"--export-evidence", ".", "--at", "20250523_081207", "--before", "300", "--after",
           "301"},
          {"--export-evidence", ".", "--at", "20250523_081207", "extra"}}) {
        c = parse(wrong);
        EXPECT_EQ(c.action, PlayerCommandLine::Action::Error) << wrong.join(' ').toStdString();
        EXPECT_EQ(c.ExitCode(), 2);
    }
}

TEST(PlayerEvidence, ACardThatGoesDuringTheExportEndsItLeavingNothing)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTestPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    bool cancelled = false;
    player.Evidence().runDialog = [&](CDlgEvidence *dialog) {
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        dialog->StartExport();
        player.CardUses().CardLost(); // as the mount watcher does when the card is pulled
        if (!WaitUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(120)))
            return -1;
        cancelled = dialog->Job().Cancelled();
        return finished.first().first().toInt();
    };
    QTest::keyClick(player.RecordingList(), Qt::Key_E);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(player.CardUses().InUse());
    for (const CTestPlayer::Message &message : player.messages)
        EXPECT_FALSE(message.text.contains("evidence")) << message.text.toStdString();
    // Neither a finished folder nor the hidden one it is built in.
    const QDir exports(player.DesktopPath() + "/HD-VANTORA");
    EXPECT_TRUE(
        exports.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

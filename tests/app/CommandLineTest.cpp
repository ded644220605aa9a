#include "CommandLine.h"
#include "AboutDlg.h"
#include "PlayerInfo.h"
#include "PlayerTestSupport.h"
#include "RecordingNames.h"
#include "TestSupport.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

PlayerCommandLine parse(const QStringList &args, const QString &cwd = QDir::tempPath())
{
    return ParsePlayerCommandLine(QStringList{QStringLiteral("rx9player")} + args, cwd);
}

} // namespace

TEST(CommandLine, HelpVersionAndWrongOptions)
{
    const PlayerCommandLine none = parse({});
    EXPECT_EQ(none.action, PlayerCommandLine::Action::Run);
    EXPECT_TRUE(none.folder.isEmpty());

    for (const char *option : {"--help", "-h", "-help"}) {
        const PlayerCommandLine help = parse({QLatin1String(option)});
        EXPECT_EQ(help.action, PlayerCommandLine::Action::Help) << option;
        EXPECT_EQ(help.ExitCode(), 0);
        EXPECT_TRUE(help.text.startsWith(QStringLiteral("Usage: rx9player")));
        EXPECT_TRUE(help.text.contains(QStringLiteral("RX9_EXTRA_DRIVES")));
        EXPECT_TRUE(help.text.contains(QStringLiteral("RX9_ENGINE_ARGS")));
        EXPECT_TRUE(help.text.contains(QStringLiteral("--version")));
    }
    for (const char *option : {"--version", "-v"}) {
        const PlayerCommandLine version = parse({QLatin1String(option)});
        EXPECT_EQ(version.action, PlayerCommandLine::Action::Version) << option;
        EXPECT_EQ(version.text, QStringLiteral("rx9player " RX9_VERSION "\n"));
    }

    const PlayerCommandLine wrong = parse({QStringLiteral("--fullscreen")});
    EXPECT_EQ(wrong.action, PlayerCommandLine::Action::Error);
    EXPECT_EQ(wrong.ExitCode(), 2);
    EXPECT_TRUE(wrong.text.contains(QStringLiteral("fullscreen"))) << wrong.text.toStdString();
    EXPECT_TRUE(wrong.text.contains(QStringLiteral("--help")));

    // Qt's own window options pass through to the application object.
    const PlayerCommandLine qt = parse(
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")});
    EXPECT_EQ(qt.action, PlayerCommandLine::Action::Run);
    EXPECT_TRUE(qt.folder.isEmpty());
}

TEST(CommandLine, FolderArgumentBecomesTheRecordingsRoot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString card = QDir::cleanPath(dir.filePath(QStringLiteral("card copy")));
    ASSERT_TRUE(QDir().mkpath(card));
    QFile clip(card + QStringLiteral("/rec_20110523_142233.avi"));
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();

    EXPECT_EQ(parse({card + QLatin1Char('/')}).folder, card);
    // Relative to the current folder.
    EXPECT_EQ(parse({QStringLiteral("card copy")}, dir.path()).folder, card);
    // A file, as a file manager passes it: the folder it lies in, and the file itself.
    EXPECT_EQ(parse({clip.fileName()}).folder, card);
    EXPECT_EQ(parse({clip.fileName()}).clip, clip.fileName());
    EXPECT_EQ(parse({QStringLiteral("card copy/./rec_20110523_142233.avi")}, dir.path()).clip,
              clip.fileName());
    EXPECT_TRUE(parse({card}).clip.isEmpty());
    EXPECT_EQ(parse({QUrl::fromLocalFile(card).toString()}).folder, card);

    const PlayerCommandLine missing = parse({card + QStringLiteral("/nothing")});
    EXPECT_EQ(missing.action, PlayerCommandLine::Action::Error);
    EXPECT_TRUE(missing.text.contains(QStringLiteral("nothing")));
    EXPECT_EQ(missing.ExitCode(), 2);

    const PlayerCommandLine two = parse({card, card});
    EXPECT_EQ(two.action, PlayerCommandLine::Action::Error);
    EXPECT_EQ(two.ExitCode(), 2);
}

TEST(CommandLine, AboutBoxShowsTheVersionOfTheBuild)
{
    EXPECT_EQ(CAboutDlg::FirstLine(),
              QStringLiteral("RX-9 Vantora PC Player, Version " RX9_VERSION));
}

TEST(StartFolder, OpensInPlaceOfTheFirstCard)
{
    ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    CClipFolder card({0, 1});
    CClipFolder chosen({2, 3, 4});
    ASSERT_TRUE(card.ok() && chosen.ok());
    qputenv("RX9_EXTRA_DRIVES", card.Path().toLocal8Bit());
    CTestPlayer p;
    p.SetStartFolder(QDir::cleanPath(chosen.Path()));
    p.RunStartSequence();
    qunsetenv("RX9_EXTRA_DRIVES");

    EXPECT_EQ(p.Catalogue().FolderPath(), chosen.Path());
    EXPECT_EQ(p.Catalogue().List()->RowCount(), 3);
    ASSERT_TRUE(p.IsClipOpen());
    EXPECT_EQ(p.Playback().Engine().Path(), chosen.Path() + chosen.FileName(0));
    EXPECT_TRUE(p.WaitForTime());
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST(StartFolder, TheClipNamedOnTheCommandLinePlaysFirst)
{
    ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    CClipFolder chosen({0, 1, 2, 3});
    ASSERT_TRUE(chosen.ok());
    // As the desktop entry starts the player for a clip (its drive-data file names it too).
    for (const auto &[row, file] :
         {std::pair{2, chosen.FileName(2)}, std::pair{3, DriveDataPath(chosen.FileName(3))}}) {
        const PlayerCommandLine command = ParsePlayerCommandLine(
            {QStringLiteral("rx9player"), chosen.Path() + file}, QDir::rootPath());
        CTestPlayer p;
        p.SetStartFolder(command.folder);
        p.SetStartClip(command.clip);
        p.RunStartSequence();
        EXPECT_EQ(p.Catalogue().CurrentIndex(), row);
        EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), row);
        ASSERT_TRUE(p.IsClipOpen());
        EXPECT_EQ(p.Playback().Engine().Path(), chosen.Path() + chosen.FileName(row));
        EXPECT_TRUE(p.WaitForTime());
        EXPECT_EQ(p.CaptionText(), chosen.Stem(row) + QStringLiteral("(%1/4)").arg(row + 1));
    }
    // A file of the folder that is no recording: the first row, as for the folder.
    const QString other = chosen.Path() + QStringLiteral("notes.txt");
    QFile notes(other);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    CTestPlayer p;
    p.SetStartFolder(QDir::cleanPath(chosen.Path()));
    p.SetStartClip(other);
    p.RunStartSequence();
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);
    EXPECT_EQ(p.Playback().Engine().Path(), chosen.Path() + chosen.FileName(0));
}

TEST(StartFolder, AFolderWithoutRecordingsLeavesTheListEmpty)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    CTestPlayer p;
    p.SetStartFolder(empty.path());
    p.RunStartSequence();
    EXPECT_TRUE(p.Catalogue().FolderPath().isEmpty());
    EXPECT_FALSE(p.IsClipOpen());
}

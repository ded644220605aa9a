#include "CommandLine.h"

#include "PlayerInfo.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// Options QGuiApplication takes for itself, with a value or without; accepted so that a raw
// argument list can be parsed before the application object exists.
const char *const kQtValueOptions[] = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "style",
                                       "stylesheet",
                                       "session",
                                       "display",
                                       "geometry",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "title",
                                       "name",
                                       "qdevicepixelratio"};
const char *const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

QString PlayerVersionText()
{
    return QStringLiteral("rx9player ") + PlayerVersion();
}

QString PlayerHelpText()
{
    return QStringLiteral(
        "Usage: rx9player [OPTION]... [FOLDER]\n"
        "Plays the recordings of an RX-9 dashboard camera's SD card.\n"
        "\n"
        "Without FOLDER the player opens the first removable card that holds recordings.\n"
        "FOLDER is opened as the recordings root instead (a copy of a card, for instance);\n"
        "given a file, the player opens the folder it lies in and plays that recording\n"
        "first.\n"
        "\n"
        "Options:\n"
        "  -h, --help       show this help and exit\n"
        "  -v, --version    show the player's version and exit\n"
        "\n"
        "Evidence export, without a window:\n"
        "  --export-evidence CARD  export the moments around --at from the card folder CARD\n"
        "  --at yyyymmdd_hhmmss    the moment, on the camera's clock\n"
        "  --before S, --after S   seconds before and after it (30 each; 600 in all at most)\n"
        "  --no-overlay            no speed, time and position on the picture\n"
        "  --no-location           no coordinates on the picture, in the report or as GPX\n"
        "  --out DIR               the folder the export goes into (default: HD-VANTORA on\n"
        "                          the desktop)\n"
        "  It prints the folder made; on failure one line on standard error, exit code 1.\n"
        "\n"
        "Environment:\n"
        "  RX9_EXTRA_DRIVES  folders, separated by ':', that count as removable cards after\n"
        "                    the real ones\n"
        "  RX9_ENGINE_ARGS   more start arguments for the media engine (libvlc), separated by\n"
        "                    spaces, for example --aout=dummy\n"
        "  QT_QPA_PLATFORM   Qt's window system (offscreen runs without a display)\n");
}

PlayerCommandLine ParsePlayerCommandLine(const QStringList &arguments, const QString &currentDir)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    const auto valueOption = [](const char *name) {
        return QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("x"));
    };
    const QCommandLineOption exportEvidence = valueOption("export-evidence");
    const QCommandLineOption at = valueOption("at");
    const QCommandLineOption before = valueOption("before");
    const QCommandLineOption after = valueOption("after");
    const QCommandLineOption out = valueOption("out");
    const QCommandLineOption noOverlay(QStringLiteral("no-overlay"));
    const QCommandLineOption noLocation(QStringLiteral("no-location"));
    for (const QCommandLineOption &option :
         {exportEvidence, at, before, after, out, noOverlay, noLocation})
        parser.addOption(option);
    for (const char *name : kQtValueOptions)
        parser.addOption(QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("x")));
    for (const char *name : kQtFlagOptions)
        parser.addOption(QCommandLineOption(QLatin1String(name)));

    PlayerCommandLine result;
    QStringList withName = arguments;
    if (withName.isEmpty())
        withName << QStringLiteral("rx9player");
    if (!parser.parse(withName)) {
        result.action = PlayerCommandLine::Action::Error;
        result.text =
            QStringLiteral("rx9player: %1\nTry 'rx9player --help' for more information.\n")
                .arg(parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = PlayerCommandLine::Action::Help;
        result.text = PlayerHelpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = PlayerCommandLine::Action::Version;
        result.text = PlayerVersionText() + QLatin1Char('\n');
        return result;
    }

    const auto error = [&](const QString &text) {
        result.action = PlayerCommandLine::Action::Error;
        result.text =
            QStringLiteral("rx9player: %1\nTry 'rx9player --help' for more information.\n")
                .arg(text);
        return result;
    };
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(exportEvidence)) {
        if (!positional.isEmpty())
            return error(QStringLiteral("unexpected argument %1").arg(positional.first()));
        if (!parser.isSet(at))
            return error(QStringLiteral("--export-evidence needs --at yyyymmdd_hhmmss"));
        PlayerCommandLine::Evidence &e = result.evidence;
        const QFileInfo card(QDir(currentDir), parser.value(exportEvidence));
        if (parser.value(exportEvidence).isEmpty() || !card.isDir())
            return error(QStringLiteral("%1: no such folder").arg(parser.value(exportEvidence)));
        e.card = QDir::cleanPath(card.absoluteFilePath());
        e.at = parser.value(at);
        if (!QDateTime::fromString(e.at, QStringLiteral("yyyyMMdd_HHmmss")).isValid())
            return error(QStringLiteral("--at %1: not a time yyyymmdd_hhmmss").arg(e.at));
        for (auto [option, into] : {std::pair{&before, &e.before}, std::pair{&after, &e.after}}) {
            if (!parser.isSet(*option))
                continue;
            bool ok = false;
            *into = parser.value(*option).toInt(&ok);
            if (!ok || *into < 0)
                return error(QStringLiteral("--%1 %2: not a number of seconds")
                                 .arg(option->names().first(), parser.value(*option)));
        }
        if (qint64(e.before) + e.after > 600 || e.before + e.after == 0)
            return error(QStringLiteral("the span must be 1 to 600 seconds long"));
        e.overlay = !parser.isSet(noOverlay);
        e.location = !parser.isSet(noLocation);
        if (parser.isSet(out))
            e.out = QDir::cleanPath(QDir(currentDir).absoluteFilePath(parser.value(out)));
        result.action = PlayerCommandLine::Action::ExportEvidence;
        return result;
    }
    if (positional.size() > 1) {
        result.action = PlayerCommandLine::Action::Error;
        result.text = QStringLiteral("rx9player: one folder at most, not %1 arguments\n"
                                     "Try 'rx9player --help' for more information.\n")
                          .arg(positional.size());
        return result;
    }
    if (positional.isEmpty())
        return result;

    QString path = positional.first();
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    const QFileInfo info(QDir(currentDir), path);
    if (path.isEmpty() || !info.exists()) {
        result.action = PlayerCommandLine::Action::Error;
        result.text = QStringLiteral("rx9player: %1: no such folder\n").arg(positional.first());
        return result;
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    result.folder = QDir::cleanPath(folder);
    if (!info.isDir())
        result.clip = QDir::cleanPath(info.absoluteFilePath());
    return result;
}

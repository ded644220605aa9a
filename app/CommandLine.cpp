#include "CommandLine.h"

#include "PlayerInfo.h"

#include <QCommandLineParser>
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

    const QStringList positional = parser.positionalArguments();
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

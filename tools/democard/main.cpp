// rx9democard: writes a demo card, a folder shaped like the camera's SD card.

#include "DemoCard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

void PrintLine(FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

// A whole number option; false (with a message) when it is not one.
bool ReadNumber(const QCommandLineParser &parser, const QString &name, int &value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    if (!ok)
        PrintLine(stderr, QStringLiteral("rx9democard: --%1 wants a whole number, not \"%2\"")
                              .arg(name, parser.value(name)));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rx9democard"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a demo card: recordings named like the camera's (rec_, evt_, pmr_), a "
        "drive-data file beside each and Setup/setup.bin, into <folder>.\n"
        "Without options: one drive through Seoul, 4 normal, 3 event and 3 parking clips of "
        "20 to 60 s, mostly 1920x1080."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("The card's folder (created when missing)."));
    const QCommandLineOption clips(QStringLiteral("clips-per-kind"),
                                   QStringLiteral("Clips of each kind (1-50)."),
                                   QStringLiteral("N"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of every clip in seconds (1-600)."),
                                     QStringLiteral("S"));
    const QCommandLineOption width(QStringLiteral("width"),
                                   QStringLiteral("Width of every clip (even)."),
                                   QStringLiteral("W"));
    const QCommandLineOption height(QStringLiteral("height"),
                                    QStringLiteral("Height of every clip (even)."),
                                    QStringLiteral("H"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the drive and its sensor readings."),
                                  QStringLiteral("N"));
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("Start of the drive as yyyymmdd_hhmmss (default 20250523_081207)."),
        QStringLiteral("time"));
    const QCommandLineOption ffmpeg(QStringLiteral("ffmpeg"),
                                    QStringLiteral("The ffmpeg program to use."),
                                    QStringLiteral("program"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print nothing but errors."));
    parser.addOptions({clips, seconds, width, height, seed, start, ffmpeg, quiet});
    parser.process(app);

    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1) {
        PrintLine(stderr, QStringLiteral("rx9democard: give exactly one folder; see --help"));
        return 2;
    }

    DemoCardOptions options;
    if (!ReadNumber(parser, clips.names().first(), options.clipsPerKind) ||
        !ReadNumber(parser, seconds.names().first(), options.seconds) ||
        !ReadNumber(parser, width.names().first(), options.width) ||
        !ReadNumber(parser, height.names().first(), options.height))
        return 2;
    if (parser.isSet(seed)) {
        bool ok = false;
        const uint value = parser.value(seed).toUInt(&ok);
        if (!ok) {
            PrintLine(stderr, QStringLiteral("rx9democard: --seed wants a whole number"));
            return 2;
        }
        options.seed = value;
    }
    if (parser.isSet(start)) {
        // The camera's clock has no zone: the digits are taken as they are.
        const QString text = parser.value(start);
        const QStringList parts = text.split(u'_');
        options.start =
            parts.size() == 2
                ? QDateTime(QDate::fromString(parts[0], QStringLiteral("yyyyMMdd")),
                            QTime::fromString(parts[1], QStringLiteral("HHmmss")), Qt::UTC)
                : QDateTime();
        if (!options.start.isValid()) {
            PrintLine(
                stderr,
                QStringLiteral("rx9democard: --start wants yyyymmdd_hhmmss, not \"%1\"").arg(text));
            return 2;
        }
    }
    if (parser.isSet(clips) && options.clipsPerKind == 0) {
        PrintLine(stderr, QStringLiteral("rx9democard: --clips-per-kind must be 1 or more"));
        return 2;
    }
    if (parser.isSet(seconds) && options.seconds == 0) {
        PrintLine(stderr, QStringLiteral("rx9democard: --seconds must be 1 or more"));
        return 2;
    }
    if (parser.isSet(ffmpeg))
        options.ffmpeg = parser.value(ffmpeg);
    if (const QString problem = CheckDemoCardOptions(options); !problem.isEmpty()) {
        PrintLine(stderr, QStringLiteral("rx9democard: ") + problem);
        return 2;
    }

    const bool verbose = !parser.isSet(quiet);
    QElapsedTimer timer;
    timer.start();
    const DemoCardResult result = WriteDemoCard(folders.first(), options, [&](const QString &line) {
        if (verbose)
            PrintLine(stdout, line);
    });
    if (!result.ok) {
        PrintLine(stderr, QStringLiteral("rx9democard: ") + result.error);
        return 1;
    }
    if (verbose)
        PrintLine(stdout, QStringLiteral("Wrote %1 clips to %2 in %3 s")
                              .arg(result.clipsWritten)
                              .arg(folders.first())
                              .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1));
    return 0;
}

// The installed player: cmake --install into a temporary DESTDIR, the desktop files checked by
// the desktop's own validators, the installed player started on a card, and the Debian package
// built from the same tree.

#include "PlayerInfo.h"
#include "PlayerTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct ProcessRun
{
    int exitCode = -1;
    QString output;
};

ProcessRun run(const QString &program, const QStringList &args,
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
               int timeoutMs = 600000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    ProcessRun result;
    if (!process.waitForStarted(60000)) {
        result.output = program + QStringLiteral(": ") + process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = program + QStringLiteral(": did not finish\n");
    }
    result.output += QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

// What an install must hold, relative to the prefix, as the build lists it.
QStringList expectedFiles()
{
    QFile list(QStringLiteral(RX9_INSTALLED_FILES));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(Install, InstalledPlayerFindsItsDataAndPlaysTheCard)
{
    QTemporaryDir stage;
    ASSERT_TRUE(stage.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), stage.path());
    const ProcessRun install = run(QStringLiteral(RX9_CMAKE_COMMAND),
                                   {QStringLiteral("--install"), QStringLiteral(RX9_BUILD_DIR),
                                    QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                   env);
    ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    const QString prefix = stage.path() + QStringLiteral("/usr/");

    // Every file the build lists, and nothing that points nowhere.
    const QStringList expected = expectedFiles();
    ASSERT_GE(expected.size(), 10);
    for (const QString &file : expected)
        EXPECT_TRUE(QFileInfo(prefix + file).isFile()) << file.toStdString();
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("bin/rx9player")).isExecutable());
    EXPECT_GT(QFileInfo(prefix + QStringLiteral("share/rx9player/Resource.rcc")).size(), 10000);

    // The desktop's own checks of the desktop entry and the AppStream description.
    const QString desktop = prefix + QStringLiteral("share/applications/" RX9_APP_ID ".desktop");
    const ProcessRun entry = run(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(entry.exitCode, 0) << entry.output.toStdString();
    EXPECT_TRUE(entry.output.isEmpty()) << entry.output.toStdString();
    QFile entryFile(desktop);
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const QString entryText = QString::fromUtf8(entryFile.readAll());
    // "Open with" offers the player for folders and for the camera's clips.
    for (const char *line :
         {"Exec=rx9player %f", "Icon=rx9player", "Terminal=false",
          "Categories=AudioVideo;Video;Player;", "MimeType=inode/directory;video/x-msvideo;"})
        EXPECT_TRUE(entryText.contains(QLatin1String(line) + QLatin1Char('\n'))) << line;
    // The scalable icon is a whole SVG document of the icon's square.
    QFile svg(prefix + QStringLiteral("share/icons/hicolor/scalable/apps/rx9player.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QLatin1String("svg"));
    EXPECT_EQ(xml.attributes().value(QLatin1String("viewBox")), QLatin1String("0 0 128 128"));
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    const ProcessRun metainfo =
        run(QStringLiteral("appstreamcli"),
            {QStringLiteral("validate"), QStringLiteral("--no-net"),
             prefix + QStringLiteral("share/metainfo/" RX9_APP_ID ".metainfo.xml")});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.output.toStdString();
    // The screenshot it names is the one kept with the sources, at the size it states.
    QFile metaFile(prefix + QStringLiteral("share/metainfo/" RX9_APP_ID ".metainfo.xml"));
    ASSERT_TRUE(metaFile.open(QIODevice::ReadOnly));
    const QString meta = QString::fromUtf8(metaFile.readAll());
    const QImage shot(QStringLiteral(RX9_SOURCE_DIR "/desktop/screenshot-main.png"));
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(meta.contains(
        QStringLiteral("width=\"%1\" height=\"%2\"").arg(shot.width()).arg(shot.height())))
        << shot.width() << " x " << shot.height();
    EXPECT_TRUE(meta.contains(QStringLiteral("/screenshot-main.png</image>")));

    // The installed program answers on the command line without a display.
    const QString player = prefix + QStringLiteral("bin/rx9player");
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    bare.remove(QStringLiteral("QT_QPA_PLATFORM"));
    bare.remove(QStringLiteral("DISPLAY"));
    bare.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const ProcessRun version = run(player, {QStringLiteral("--version")}, bare);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, QStringLiteral("rx9player " RX9_VERSION "\n"));
    const ProcessRun help = run(player, {QStringLiteral("--help")}, bare);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains(QStringLiteral("RX9_EXTRA_DRIVES")));
    const ProcessRun wrong = run(player, {QStringLiteral("--no-such-option")}, bare);
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.output.contains(QStringLiteral("no-such-option")));

    // Started on a card folder (no settings file, so no notice waits for a click), with no
    // variable telling it where its data is: it reports what it found.
    CClipFolder card({0, 1});
    ASSERT_TRUE(card.ok());
    QProcessEnvironment playEnv = QProcessEnvironment::systemEnvironment();
    playEnv.remove(QStringLiteral("RX9_EXTRA_DRIVES"));
    playEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    playEnv.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    playEnv.insert(QStringLiteral("RX9_ENGINE_ARGS"), QStringLiteral("--aout=dummy"));
    playEnv.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("rx9.*.info=true"));
    QProcess started;
    started.setProcessEnvironment(playEnv);
    started.setProcessChannelMode(QProcess::MergedChannels);
    started.setWorkingDirectory(stage.path());
    started.start(player, {QDir::cleanPath(card.Path())});
    QString log;
    const QString data = QDir::cleanPath(prefix + QStringLiteral("share/rx9player"));
    const QString playing = QStringLiteral("playing: ") + card.Path() + card.FileName(0);
    const QString mapLoaded =
        QStringLiteral("map page loaded: ") +
        QUrl::fromLocalFile(data + QStringLiteral("/_mapapi/vantora/map_google_america.html"))
            .toString();
    const bool sawAll = WaitUntil(
        [&] {
            log += QString::fromLocal8Bit(started.readAll());
            return (log.contains(playing) && log.contains(mapLoaded)) ||
                   started.state() == QProcess::NotRunning;
        },
        std::chrono::seconds(120));
    started.kill();
    started.waitForFinished(30000);
    log += QString::fromLocal8Bit(started.readAll());
    EXPECT_TRUE(sawAll) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("data folder: ") + data)) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("skin pack: ") + data +
                             QStringLiteral("/Resource.rcc (images loaded)")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("string 101: RX-9 Vantora PC Player 정보(&A)...")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("recordings root: ") + card.Path()))
        << log.toStdString();
    EXPECT_TRUE(log.contains(mapLoaded)) << log.toStdString();
    EXPECT_TRUE(log.contains(playing)) << log.toStdString();
}

TEST(Install, DebianPackageHoldsEveryFileAndItsDependencies)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ProcessRun cpack =
        run(QStringLiteral(RX9_CPACK_COMMAND),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(RX9_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.path()});
    ASSERT_EQ(cpack.exitCode, 0) << cpack.output.toStdString();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << cpack.output.toStdString();
    const QString deb = out.filePath(debs.first());
    const ProcessRun arch = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    EXPECT_EQ(debs.first(), QStringLiteral("rx9player_" RX9_VERSION "_") + arch.output.trimmed() +
                                QStringLiteral(".deb"));

    const ProcessRun contents =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
    ASSERT_EQ(contents.exitCode, 0) << contents.output.toStdString();
    // "-rw-r--r-- root/root  123 2026-01-01 00:00 ./usr/bin/rx9player" (links: "... -> target")
    QStringList paths;
    for (const QString &line : contents.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(QLatin1String(" ./"));
        if (at >= 0)
            paths << line.mid(at + 3).section(QLatin1String(" -> "), 0, 0);
        EXPECT_TRUE(line.contains(QLatin1String("root/root"))) << line.toStdString();
    }
    for (const QString &file : expectedFiles()) {
        // Leaflet comes from the system's package, through a link in the page's folder.
        if (file.contains(QLatin1String("/leaflet/")))
            continue;
        EXPECT_TRUE(paths.contains(QStringLiteral("usr/") + file)) << file.toStdString();
    }
    const bool withLeaflet = expectedFiles().contains(
        QStringLiteral("share/rx9player/_mapapi/vantora/leaflet/leaflet.js"));
    if (withLeaflet) {
        EXPECT_TRUE(contents.output.contains(QStringLiteral(
            "./usr/share/rx9player/_mapapi/vantora/leaflet -> /usr/share/javascript/leaflet")))
            << contents.output.toStdString();
    }

    auto field = [&](const char *name) {
        return run(QStringLiteral("dpkg-deb"),
                   {QStringLiteral("--field"), deb, QLatin1String(name)})
            .output.trimmed();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("rx9player"));
    EXPECT_EQ(field("Version"), QStringLiteral(RX9_VERSION));
    EXPECT_EQ(field("Architecture"), arch.output.trimmed());
    EXPECT_EQ(field("Recommends"), QStringLiteral("udisks2"));
    const QString depends = field("Depends");
    // Linked libraries (from the binary) and what the player runs with.
    for (const char *package :
         {"libvlc5", "libqt6widgets6", "libqt6gui6", "libqt6core6", "libstdc++6", "vlc-plugin-base",
          "dosfstools", "fonts-liberation2", "fonts-nanum"}) {
        EXPECT_TRUE(depends.contains(QLatin1String(package)))
            << package << " in " << depends.toStdString();
    }
    if (withLeaflet) {
        EXPECT_TRUE(depends.contains(QStringLiteral("libjs-leaflet"))) << depends.toStdString();
    }
    EXPECT_TRUE(field("Maintainer").contains(QLatin1Char('<')));
    EXPECT_FALSE(field("Description").isEmpty());
}

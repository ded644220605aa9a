#include "RX9VantoraPCPlayerApp.h"

#include "DataFolder.h"
#include "PlaybackController.h"
#include "PlayerInfo.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"
#include "StringTable.h"
#include "VlcPlayer.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTimer>

#include <memory>

namespace {
// Silent unless asked for (QT_LOGGING_RULES="rx9.*.info=true"): what the player found at start.
Q_LOGGING_CATEGORY(lcStart, "rx9.start", QtWarningMsg)
} // namespace

int CRX9VantoraPCPlayerApp::InitInstance(const QString &startFolder, const QString &startClip)
{
    // The engine's decoder loads while the window is being built.
    CVlcPlayer::WarmUp();
    QApplication::setApplicationName(QStringLiteral("rx9player"));
    QApplication::setApplicationVersion(PlayerVersion());
    QApplication::setApplicationDisplayName(QStringLiteral("RX-9 Vantora PC Player"));
    // The desktop entry's name, so that the desktop shows the window under its own icon.
    QGuiApplication::setDesktopFileName(PlayerAppId());
    // A missing skin pack is not reported: the player runs with empty images.
    CSkinImages::Load();
    qCInfo(lcStart, "data folder: %s", qUtf8Printable(PlayerDataFolder()));
    qCInfo(lcStart, "skin pack: %s (%s)", qUtf8Printable(CSkinImages::PackPath()),
           CSkinImages::Width(3000) > 0 ? "images loaded" : "no images");
    qCInfo(lcStart, "strings: %lld, string 101: %s", static_cast<long long>(ResStringIds().size()),
           qUtf8Printable(LoadResString(101)));

    auto dialog = std::make_unique<CRX9VantoraPCPlayerDlg>();
    dialog->SetStartFolder(startFolder);
    dialog->SetStartClip(startClip);
    dialog->RunStartSequence();
    qCInfo(lcStart, "recordings root: %s", qUtf8Printable(dialog->Catalogue().FolderPath()));

    // Reports the first clip once the engine plays it.
    QTimer watch;
    if (lcStart().isInfoEnabled()) {
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, dialog.get(), [&] {
            const CVlcPlayer &engine = dialog->Playback().Engine();
            if (engine.HasMedia() && engine.IsPlaying() && engine.GetTime() > 0) {
                qCInfo(lcStart, "playing: %s at %lld ms", qUtf8Printable(engine.Path()),
                       static_cast<long long>(engine.GetTime()));
                watch.stop();
            }
        });
        watch.start();
    }

    dialog->exec();
    watch.stop();
    // The main window and its children go before the process ends.
    dialog.reset();
    return 0;
}

#include "RX9VantoraPCPlayerApp.h"

#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"

#include <QApplication>

#include <memory>

int CRX9VantoraPCPlayerApp::InitInstance()
{
    QApplication::setApplicationName(QStringLiteral("rx9player"));
    QApplication::setApplicationDisplayName(QStringLiteral("RX-9 Vantora PC Player"));
    // A missing skin pack is not reported: the player runs with empty images.
    CSkinImages::Load();

    auto dialog = std::make_unique<CRX9VantoraPCPlayerDlg>();
    dialog->RunStartSequence();
    dialog->exec();
    // The main window and its children go before the process ends.
    dialog.reset();
    return 0;
}

// rx9player: the dashboard-camera card player.

#include "HtmlCtrl.h"
#include "RX9VantoraPCPlayerApp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The map's browser draws in software, as the rest of the window does.
    CHtmlCtrl::PrepareApplication();
    QApplication app(argc, argv);
    CRX9VantoraPCPlayerApp player;
    return player.InitInstance();
}

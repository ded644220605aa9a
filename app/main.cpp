// rx9player: the dashboard-camera card player.

#include "RX9VantoraPCPlayerApp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    CRX9VantoraPCPlayerApp player;
    return player.InitInstance();
}

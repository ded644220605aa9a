// rx9player: the dashboard-camera card player.

#include "SkinImages.h"
#include "StringTable.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rx9player"));
    CSkinImages::Load();

    // The main window lands with the player window work; until then show the bare window.
    QWidget window;
    window.setWindowTitle(QStringLiteral("RX-9 Vantora PC Player"));
    window.resize(1110, 600);
    window.show();
    return app.exec();
}

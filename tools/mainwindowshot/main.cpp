// Renders the main player window, laid out for a 1600 x 900 client area, into a PNG file, so
// that the layout can be looked at without a display.
// Usage: rx9mainshot <out.png> [client width] [client height] [list|nolist] [map|nomap]

#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: rx9mainshot <out.png> [width height] [nolist] [nomap]\n");
        return 2;
    }
    if (!CSkinImages::Load())
        std::fprintf(stderr, "no skin pack found: drawing without images\n");

    QSize client(1600, 900);
    if (args.size() >= 4)
        client = QSize(args.at(2).toInt(), args.at(3).toInt());

    CRX9VantoraPCPlayerDlg window;
    window.SetCaptionText(QStringLiteral("rec_20260101_120000 [1]"));
    window.SetTitleShown(true);
    if (args.contains(QStringLiteral("nomap")))
        window.HideMap();
    window.show();
    if (args.contains(QStringLiteral("nolist"))) {
        window.HideList();
    }
    window.ResizeClient(client);
    QApplication::processEvents();

    const QPixmap shot = window.grab();
    if (!shot.save(args.at(1), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    std::printf("%s: %d x %d (client %d x %d)\n", qPrintable(args.at(1)), shot.width(),
                shot.height(), window.ClientSize().width(), window.ClientSize().height());
    return 0;
}

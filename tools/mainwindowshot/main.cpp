// Renders the main player window, laid out for a 1600 x 900 client area, into a PNG file, so
// that the layout can be looked at without a display.
// Usage: rx9mainshot <out.png> [client width] [client height] [list|nolist] [map|nomap]
//        [card=<folder>]
// With a card folder its recordings fill the list and the first one plays for two seconds
// before the picture is taken, so that the list, graph, read-outs and video show real data.

#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"

#include <QApplication>
#include <QElapsedTimer>
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

    QString card;
    for (const QString &arg : args) {
        if (arg.startsWith(QStringLiteral("card=")))
            card = arg.mid(5);
    }

    CRX9VantoraPCPlayerDlg window(nullptr, {QStringLiteral("--aout=dummy")});
    window.SetTitleShown(true);
    if (card.isEmpty())
        window.SetCaptionText(QStringLiteral("rec_20260101_120000 [1]"));
    if (args.contains(QStringLiteral("nomap")))
        window.HideMap();
    window.show();
    if (args.contains(QStringLiteral("nolist"))) {
        window.HideList();
    }
    window.ResizeClient(client);
    QApplication::processEvents();
    if (!card.isEmpty()) {
        window.showMessage = [](int, const QString &text) {
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
        };
        window.AttachEngine();
        window.Catalogue().LoadFolder(card);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2500)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        window.OnCommand(32793); // pause, so the picture and read-outs stand
        QApplication::processEvents();
    }

    const QPixmap shot = window.grab();
    if (!shot.save(args.at(1), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    std::printf("%s: %d x %d (client %d x %d)\n", qPrintable(args.at(1)), shot.width(),
                shot.height(), window.ClientSize().width(), window.ClientSize().height());
    return 0;
}

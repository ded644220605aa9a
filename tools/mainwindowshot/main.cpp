// Renders the main player window, laid out for a 1600 x 900 client area, into a PNG file, so
// that the layout can be looked at without a display.
// Usage: rx9mainshot <out.png> [client width] [client height] [list|nolist] [map|nomap]
//        [card=<folder>]
//        rx9mainshot <out.png> option=<page 0-2> [card=<folder>] [zonelist]
// With a card folder its recordings fill the list and the first one plays for two seconds
// before the picture is taken, so that the list, graph, read-outs and video show real data.
// option=<page> renders the options dialog on that page instead, with the card's settings file
// when a card folder is given (its defaults otherwise); zonelist draws the time-zone list open.

#include "CameraSettings.h"
#include "DlgOption.h"
#include "DropList.h"
#include "PlayerCommands.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "SkinImages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

namespace {

int renderOptions(const QString &out, int page, const QString &card, bool zoneList)
{
    CDlgOption dialog;
    dialog.showMessage = [](int id) { std::fprintf(stderr, "message %d\n", id); };
    dialog.SetPath(card.isEmpty() ? QString() : CameraSettingsPath(card + u'/'));
    dialog.SetPage(page);
    dialog.show();
    QApplication::processEvents();
    QPixmap shot = dialog.grab();
    if (zoneList && page == 2) {
        CDropButton *box = dialog.TimeZoneBox();
        box->Open();
        QApplication::processEvents();
        // The list is a window of its own: drawn onto the shot where it opens.
        const QPoint at = box->ListWindow()->pos() - dialog.pos();
        const QPixmap list = box->ListWindow()->grab();
        shot = shot.copy(0, 0, shot.width(), qMax(shot.height(), at.y() + list.height()));
        QPainter painter(&shot);
        painter.drawPixmap(at, list);
    }
    if (!shot.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s: %d x %d (options page %d)\n", qPrintable(out), shot.width(), shot.height(),
                page);
    return 0;
}

} // namespace

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

    QString card;
    for (const QString &arg : args) {
        if (arg.startsWith(QStringLiteral("card=")))
            card = arg.mid(5);
    }
    for (const QString &arg : args) {
        if (arg.startsWith(QStringLiteral("option=")))
            return renderOptions(args.at(1), arg.mid(7).toInt(), card,
                                 args.contains(QStringLiteral("zonelist")));
    }

    QSize client(1600, 900);
    if (args.size() >= 4 && !args.at(2).contains(u'='))
        client = QSize(args.at(2).toInt(), args.at(3).toInt());

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
        window.OnCommand(menu::kPlayPause); // pause, so the picture and read-outs stand
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

// Writes the skin pack's pictures as PNG files and the resource collection that lists them.
// Usage: rx9skingen <output folder>

#include "SkinPainter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: rx9skingen <output folder>\n");
        return 2;
    }
    QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral("skin"))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.filePath("skin")));
        return 1;
    }

    QFile qrc(out.filePath(QStringLiteral("skin.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream list(&qrc);
    list << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (int id : SkinPackIds()) {
        const QImage image = PaintSkinImage(id);
        const QString name = QStringLiteral("skin/%1.png").arg(id);
        if (image.isNull() || !image.save(out.filePath(name), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
        list << "    <file>" << name << "</file>\n";
    }
    list << "  </qresource>\n</RCC>\n";
    return 0;
}

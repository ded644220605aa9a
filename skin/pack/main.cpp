// Writes the skin pack's pictures as PNG files and the resource collections that list them:
// skin.qrc (the pack, compiled into Resource.rcc) and appicon.qrc (the application icon,
// compiled into the skin library), plus the icon at 48, 128 and 256 px for the desktop.
// Usage: rx9skingen <output folder>

#include "SkinPainter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

bool writeImage(const QDir &out, const QString &name, const QImage &image)
{
    if (image.isNull() || !image.save(out.filePath(name), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
        return false;
    }
    return true;
}

bool writeQrc(const QDir &out, const QString &name, const QStringList &files)
{
    QFile qrc(out.filePath(name));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
        return false;
    }
    QTextStream list(&qrc);
    list << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (const QString &file : files)
        list << "    <file>" << file << "</file>\n";
    list << "  </qresource>\n</RCC>\n";
    return true;
}

} // namespace

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
    if (!out.mkpath(QStringLiteral("skin")) || !out.mkpath(QStringLiteral("appicon"))) {
        std::fprintf(stderr, "cannot create the folders in %s\n", qPrintable(out.path()));
        return 1;
    }

    QStringList skinFiles;
    for (int id : SkinPackIds()) {
        const QString name = QStringLiteral("skin/%1.png").arg(id);
        if (!writeImage(out, name, PaintSkinImage(id)))
            return 1;
        skinFiles << name;
    }
    const QString iconName = QStringLiteral("appicon/128.png");
    if (!writeImage(out, iconName, PaintApplicationIcon()))
        return 1;
    // The same picture at the other sizes of the desktop's icon theme.
    for (int size : {48, 256}) {
        if (!writeImage(out, QStringLiteral("appicon/%1.png").arg(size),
                        PaintApplicationIcon(size)))
            return 1;
    }
    if (!writeQrc(out, QStringLiteral("skin.qrc"), skinFiles) ||
        !writeQrc(out, QStringLiteral("appicon.qrc"), {iconName}))
        return 1;
    return 0;
}

#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

// One image of the skin pack with its size in pixels. An image the pack lacks is empty and
// has size 0 x 0; drawing it draws nothing.
struct SkinImage
{
    QPixmap pixmap;
    int width = 0;
    int height = 0;

    bool isNull() const { return pixmap.isNull(); }
};

// The skin image set: every bitmap of the interface, addressed by id, loaded once at start from
// the skin pack "Resource.rcc" and shared read-only by all windows. Exact magenta
// RGB(255,0,255) pixels are made transparent when the pack is loaded, so drawing is a plain
// drawPixmap afterwards.
class CSkinImages
{
public:
    // Registers the pack and loads every id of the five bitmap ranges and the three icons.
    // With an empty path the pack is looked for beside the executable, then in the installed
    // data folder. Returns false (leaving every image empty) when no pack is found.
    static bool Load(const QString &packPath = QString());

    // Drops every image and unregisters the pack (tests use it to start from a clean state).
    static void Unload();

    static bool IsLoaded();
    // The pack in use; empty when none is loaded.
    static QString PackPath();

    static const SkinImage &Get(int id);
    static const QPixmap &Pixmap(int id) { return Get(id).pixmap; }
    static int Width(int id) { return Get(id).width; }
    static int Height(int id) { return Get(id).height; }
    static QIcon Icon(int id);

    // The application's own icon (id 128). It is built into the program rather than the pack,
    // so it is there even when the pack is missing.
    static QIcon AppIcon();
    static QPixmap AppIconPixmap();

    // The ids of the five bitmap ranges, ascending, then the icons 3500-3502.
    static const QList<int> &AllIds();
    static bool IsIconId(int id) { return id >= 3500 && id <= 3502; }

    // The ids whose picture is a three-frame strip (normal, hover, pressed side by side): the
    // caption buttons, the shared icon-button strip, the main window's toggles and the dialogs'
    // text buttons.
    static const QList<int> &ThreeFrameStripIds();
    static bool IsThreeFrameStrip(int id) { return ThreeFrameStripIds().contains(id); }

    // Where Load() looks when given no path: beside the executable, then the installed data
    // folder (see DataFolder.h).
    static QStringList PackSearchPaths();

    // Replaces exact magenta pixels with transparent ones.
    static QImage KeyOutMagenta(const QImage &image);
};

// Frame width of a three-frame (normal, hover, pressed) strip: width / 3, integer division.
inline int StripFrameWidth(int stripWidth)
{
    return stripWidth / 3;
}

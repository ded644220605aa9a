#include "SkinImages.h"

#include "DataFolder.h"

#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QResource>

// The application icon's resource, compiled into this library (see CMakeLists.txt).
static void initAppIconResource()
{
    Q_INIT_RESOURCE(rx9appicon);
}

namespace {

struct SkinState
{
    QHash<int, SkinImage> images;
    QString registeredPack;
    bool loaded = false;
};

SkinState &state()
{
    static SkinState instance;
    return instance;
}

const SkinImage &emptyImage()
{
    static const SkinImage empty;
    return empty;
}

constexpr struct
{
    int first;
    int last;
} kRanges[] = {{3000, 3027}, {3100, 3148}, {3200, 3206}, {3300, 3321}, {3400, 3417}, {3500, 3502}};

} // namespace

const QList<int> &CSkinImages::AllIds()
{
    static const QList<int> ids = [] {
        QList<int> list;
        for (const auto &range : kRanges)
            for (int id = range.first; id <= range.last; ++id)
                list.append(id);
        return list;
    }();
    return ids;
}

const QList<int> &CSkinImages::ThreeFrameStripIds()
{
    static const QList<int> ids = [] {
        QList<int> list{3000, 3001, 3002, 3003, 3100, 3112, 3113, 3114, 3115, 3116, 3117};
        for (int id = 3124; id <= 3136; ++id)
            list.append(id);
        list << 3144 << 3145;
        return list;
    }();
    return ids;
}

QStringList CSkinImages::PackSearchPaths()
{
    QStringList paths;
    for (const QString &folder : PlayerDataFolderCandidates())
        paths << folder + QLatin1Char('/') + DataFolderMarker();
    return paths;
}

QImage CSkinImages::KeyOutMagenta(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00ffffffu) == 0x00ff00ffu && qAlpha(line[x]) == 255)
                line[x] = 0;
        }
    }
    return out;
}

bool CSkinImages::Load(const QString &packPath)
{
    Unload();
    SkinState &s = state();

    QStringList candidates = packPath.isEmpty() ? PackSearchPaths() : QStringList{packPath};
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate) &&
            QResource::registerResource(candidate, QStringLiteral("/rx9skin"))) {
            s.registeredPack = candidate;
            break;
        }
    }
    if (s.registeredPack.isEmpty())
        return false;

    for (int id : AllIds()) {
        QImage image(QStringLiteral(":/rx9skin/skin/%1.png").arg(id));
        if (image.isNull())
            continue;
        SkinImage entry;
        entry.pixmap = QPixmap::fromImage(KeyOutMagenta(image));
        entry.width = image.width();
        entry.height = image.height();
        s.images.insert(id, entry);
    }
    s.loaded = true;
    return true;
}

void CSkinImages::Unload()
{
    SkinState &s = state();
    s.images.clear();
    if (!s.registeredPack.isEmpty())
        QResource::unregisterResource(s.registeredPack, QStringLiteral("/rx9skin"));
    s.registeredPack.clear();
    s.loaded = false;
}

bool CSkinImages::IsLoaded()
{
    return state().loaded;
}

QString CSkinImages::PackPath()
{
    return state().registeredPack;
}

const SkinImage &CSkinImages::Get(int id)
{
    const SkinState &s = state();
    auto it = s.images.constFind(id);
    return it == s.images.constEnd() ? emptyImage() : it.value();
}

QIcon CSkinImages::Icon(int id)
{
    const SkinImage &image = Get(id);
    return image.isNull() ? QIcon() : QIcon(image.pixmap);
}

QPixmap CSkinImages::AppIconPixmap()
{
    static const bool registered = (initAppIconResource(), true);
    Q_UNUSED(registered);
    return QPixmap(QStringLiteral(":/appicon/128.png"));
}

QIcon CSkinImages::AppIcon()
{
    const QPixmap pixmap = AppIconPixmap();
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

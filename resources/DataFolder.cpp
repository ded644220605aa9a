#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Set by the build from the install layout; the defaults keep the file usable on its own.
#ifndef RX9_DATADIR_FROM_BINDIR
#define RX9_DATADIR_FROM_BINDIR "../share/rx9player"
#endif
#ifndef RX9_INSTALL_DATADIR
#define RX9_INSTALL_DATADIR "/usr/share/rx9player"
#endif
#ifndef RX9_LIBEXECDIR_FROM_BINDIR
#define RX9_LIBEXECDIR_FROM_BINDIR "../libexec/rx9player"
#endif
#ifndef RX9_INSTALL_LIBEXECDIR
#define RX9_INSTALL_LIBEXECDIR "/usr/libexec/rx9player"
#endif

namespace {

QStringList resolvedFolders(const QString &appDir, const QString &relative, const QString &absolute)
{
    QStringList folders;
    auto add = [&folders](const QString &folder) {
        const QString clean = QDir::cleanPath(folder);
        if (!folder.isEmpty() && !folders.contains(clean))
            folders << clean;
    };
    if (!appDir.isEmpty()) {
        add(appDir);
        if (!relative.isEmpty())
            add(QDir::isAbsolutePath(relative) ? relative : appDir + QLatin1Char('/') + relative);
    }
    add(absolute);
    return folders;
}

} // namespace

QString DataFolderMarker()
{
    return QStringLiteral("Resource.rcc");
}

QStringList DataFolderCandidates(const QString &appDir, const QString &relativeDataDir,
                                 const QString &installedDataDir, const QStringList &extraDirs)
{
    QStringList folders = resolvedFolders(appDir, relativeDataDir, installedDataDir);
    for (const QString &extra : extraDirs) {
        const QString clean = QDir::cleanPath(extra);
        if (!extra.isEmpty() && !folders.contains(clean))
            folders << clean;
    }
    return folders;
}

QString ChooseDataFolder(const QStringList &candidates,
                         const std::function<bool(const QString &file)> &exists)
{
    for (const QString &folder : candidates) {
        if (exists(folder + QLatin1Char('/') + DataFolderMarker()))
            return folder;
    }
    return QString();
}

QStringList PlayerDataFolderCandidates()
{
    QStringList system;
    for (const QString &dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        system << dir + QStringLiteral("/rx9player");
    return DataFolderCandidates(QCoreApplication::applicationDirPath(),
                                QStringLiteral(RX9_DATADIR_FROM_BINDIR),
                                QStringLiteral(RX9_INSTALL_DATADIR), system);
}

QString PlayerDataFolder()
{
    return ChooseDataFolder(PlayerDataFolderCandidates(),
                            [](const QString &file) { return QFileInfo(file).isFile(); });
}

QStringList PlayerHelperFolders()
{
    return resolvedFolders(QCoreApplication::applicationDirPath(),
                           QStringLiteral(RX9_LIBEXECDIR_FROM_BINDIR),
                           QStringLiteral(RX9_INSTALL_LIBEXECDIR));
}

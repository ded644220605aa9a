#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The player's data folder: where the skin pack "Resource.rcc" and the map page
// ("_mapapi/...") lie. In the build tree that is the folder of the executables; once installed,
// <prefix>/share/rx9player, found from the executable's own place (so a DESTDIR or a moved
// prefix works), then at the prefix the player was built for.

// The file that marks a folder as the data folder.
QString DataFolderMarker();

// The folders tried, in order, for an executable living in appDir.
// relativeDataDir: the installed data folder relative to the installed executables' folder;
// installedDataDir: the same as an absolute path; extraDirs: further folders tried last.
QStringList DataFolderCandidates(const QString &appDir, const QString &relativeDataDir,
                                 const QString &installedDataDir,
                                 const QStringList &extraDirs = {});

// The first candidate that holds the marker; empty when none does.
QString ChooseDataFolder(const QStringList &candidates,
                         const std::function<bool(const QString &file)> &exists);

// The candidates for this program, with the folders fixed when the player was built and the
// system's data folders (XDG_DATA_DIRS) last.
QStringList PlayerDataFolderCandidates();

// This player's data folder (no trailing '/'); empty when no candidate holds the skin pack.
QString PlayerDataFolder();

// Where the player's helper programs (the format tool) may lie: beside the executable, then
// <prefix>/libexec/rx9player found the same two ways as the data folder.
QStringList PlayerHelperFolders();

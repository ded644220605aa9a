// Shared main of every test program: a QApplication on the offscreen platform (unless the
// environment names another), the skin pack loaded from beside the programs, then GoogleTest.

#include "SkinImages.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The player's own settings file of the user is never read or written by a test, and each
    // test program has one of its own: tests running side by side (ctest -j) would otherwise
    // see each other's choices, such as a menu test turning the trip timeline on.
    QStandardPaths::setTestModeEnabled(true);
    const QTemporaryDir settingsDir;
    if (qEnvironmentVariableIsEmpty("RX9_PLAYER_SETTINGS"))
        qputenv("RX9_PLAYER_SETTINGS", QFile::encodeName(settingsDir.filePath("player.ini")));
    CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc"));
    return RUN_ALL_TESTS();
}

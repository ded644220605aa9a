// Shared main of every test program: a QApplication on the offscreen platform (unless the
// environment names another), the skin pack loaded from beside the programs, then GoogleTest.

#include "SkinImages.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The player's own settings file of the user is never read or written by a test.
    QStandardPaths::setTestModeEnabled(true);
    CSkinImages::Load(QStringLiteral(RX9_BIN_DIR "/Resource.rcc"));
    return RUN_ALL_TESTS();
}

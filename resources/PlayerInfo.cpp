#include "PlayerInfo.h"

// Both are set by the build (resources/CMakeLists.txt).
QString PlayerVersion()
{
    return QStringLiteral(RX9_VERSION);
}

QString PlayerAppId()
{
    return QStringLiteral(RX9_APP_ID);
}

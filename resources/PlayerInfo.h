#pragma once

#include <QString>

// The player's version, from the build's project version ("1.0.0").
QString PlayerVersion();

// The desktop entry's name without ".desktop", which is also the AppStream id.
QString PlayerAppId();

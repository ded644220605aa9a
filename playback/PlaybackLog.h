#pragma once

#include <QByteArray>

// A plain-text record of what the frame path did, for measuring the player from outside (the
// playback benchmark). Written only when the environment variable RX9_PLAYBACK_LOG names a
// file: one line per entry, "<steady-clock nanoseconds> <entry>", appended and flushed at once.
// Costs nothing otherwise.
namespace PlaybackLog {

bool Enabled();
void Write(const QByteArray &entry);

} // namespace PlaybackLog

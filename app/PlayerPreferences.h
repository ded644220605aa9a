#pragma once

#include <QString>

// The player's own settings between runs, in a small INI file of the user's (not on the card):
// for now whether the trip timeline is shown. A missing or unreadable file gives the defaults;
// a file that cannot be written is passed over (the setting then lasts for this run).
class CPlayerPreferences
{
public:
    // The file: $RX9_PLAYER_SETTINGS when set, else "player.ini" in the user's configuration
    // folder for this player.
    static QString DefaultPath();

    explicit CPlayerPreferences(const QString &path = DefaultPath());

    QString Path() const { return m_path; }
    bool TripTimeline() const;
    // Writes at once; false when the file could not be written.
    bool SetTripTimeline(bool on);

private:
    QString m_path;
};

#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The kind of a recording; its value is also the index of the kind's icon in the recording list.
enum class RecordingKind { Normal = 0, Event = 1, Parking = 2 };

// One recording as the catalogue and the list hold it.
struct RecordingEntry
{
    RecordingKind kind = RecordingKind::Normal;
    QString fileName; // the name as found on the card, e.g. "evt_20110523_142233.avi"
    QString stem;     // shown in the name column, e.g. "20110523_142233"
    QString dateText; // shown in the date column, e.g. "2011-05-23 14:22:33"
};

// The file-name prefix of a kind: "rec_", "evt_" or "pmr_".
QString RecordingPrefix(RecordingKind kind);

// The kind name the list keeps in its first column: "Normal", "Event" or "Parking".
QString RecordingKindName(RecordingKind kind);

// The kind whose name is `kindName` (exact case), or none.
std::optional<RecordingKind> RecordingKindFromName(const QString &kindName);

// Whether a directory entry's name is a recording, and of which kind: the extension must be
// ".avi" in any letter case, and the name must start with one of the three prefixes, exact case.
std::optional<RecordingKind> ClassifyRecordingName(const QString &fileName);

// The name without its kind prefix and without its ".avi" extension. Only the leading prefix
// and the trailing extension are taken off, so that the name can always be rebuilt from kind
// and stem ("rec_rec_1.avi" has the stem "rec_1").
QString RecordingStem(const QString &fileName);

// The date column's text for a stem: "_" become spaces, then "-" goes in at 4 and 7 and ":" at
// 13 and 16; an index past the end appends. "20110523_142233" gives "2011-05-23 14:22:33".
QString RecordingDateText(const QString &stem);

// The whole entry for an accepted name; none for a name that is not a recording.
std::optional<RecordingEntry> MakeRecordingEntry(const QString &fileName);

// Rebuilds a clip's file name from a list row: prefix of the kind name (none for an unknown
// kind name), the stem with spaces turned into "_", then ".avi".
QString RecordingFileName(const QString &kindName, const QString &stem);

// The drive-data file beside a clip, the one rule for every user (parser, copy, export, delete):
// the clip's ".avi" extension, in any letter case, replaced by ".dat". Folder names are left
// alone. A path without an AVI extension has no drive-data file
// and gives an empty text.
QString DriveDataPath(const QString &clipPath);

// The folders the player writes to, below desktop + "/HD-VANTORA/".
enum class ExportKind {
    Copy,   // "20110523_1422/": selected clips, by the local time the copy starts
    Events, // "Event 20110523_1422/": all event clips
    Capture // "Capture/": still captures
};

// The name of the root export folder on the desktop.
inline constexpr char kExportRootName[] = "HD-VANTORA";

// desktop + "/HD-VANTORA/" + the export's own folder, ending in '/'.
QString ExportFolder(const QString &desktopPath, ExportKind kind, const QDateTime &localTime);

// The same below the desktop folder of this user (GetDesktopPath).
QString ExportFolder(ExportKind kind, const QDateTime &localTime = QDateTime::currentDateTime());

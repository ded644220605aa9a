#pragma once

#include "Trip.h"

#include <QByteArray>
#include <QTimeZone>

// A trip's route as a GPX 1.1 file: one track named after the trip's first recording, one track
// segment per run of fixes, one track point per fix with its time (the recording's start on the
// camera's clock plus the second into it, read in `cameraZone` and written in UTC) and its speed
// in metres per second as a track-point extension (the TrackPointExtension v2 "speed" element,
// which common GPX tools read).
QByteArray RouteToGpx(const TripRoute &route, const QTimeZone &cameraZone);

// The file name offered for a route: the first recording's stem + "_route.gpx" ("route.gpx"
// without a recording).
QString GpxFileName(const TripRoute &route);

// A path the user chose for a GPX file, with ".gpx" added when its name has no such ending.
QString WithGpxExtension(const QString &path);

#pragma once

#include "DataParserCore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The texts of an evidence export, without files or video: what the picture shows in each
// second, and the figures and the page of the report.

// One second of the span with what the drive data says about it.
struct EvidenceSecond
{
    QDateTime time;       // camera clock
    QString recording;    // the clip's file name
    bool hasData = false; // the clip's drive data holds this second
    GpsReading gps;       // fix false: no position and speed known
    bool shock = false;   // a shock starts in this second
};

// What the picture shows during one second.
struct OverlayText
{
    QString time;     // "2025-05-23 08:12:07"
    QString speed;    // "57 km/h", "35 mph", "-- km/h"
    QString position; // "37.50206 N  127.02345 E", "--"; empty when location is left out
    QString recording;
    bool shock = false;

    // The lines in the order they are drawn (the position only when there is one).
    QStringList Lines() const;
    bool operator==(const OverlayText &) const = default;
};

OverlayText OverlayForSecond(const EvidenceSecond &second, bool unitKm, bool withLocation);

// "57 km/h" or "35 mph" of a speed in km/h; "-- km/h" without one.
QString EvidenceSpeedText(std::optional<int> kmh, bool unitKm);

// "37.50206 N  127.02345 E"
QString EvidencePositionText(double latitude, double longitude);

// The report's figures over the span.
struct EvidenceFigures
{
    double distanceKm = 0; // along the fixes, not across seconds without one
    std::optional<int> topKmh;
    std::optional<int> averageKmh; // over the seconds with a fix
    int fixes = 0;
    std::vector<int> shockOffsets; // seconds from the span's start
};

EvidenceFigures ComputeEvidenceFigures(const std::vector<EvidenceSecond> &seconds);

// Great-circle distance in metres.
double DistanceMetres(double lat1, double lon1, double lat2, double lon2);

struct EvidenceReportInput
{
    std::vector<EvidenceSecond> seconds;
    QStringList clips; // the recordings the span touches
    bool unitKm = true;
    bool withLocation = true;
    QString version;   // "rx9player 1.0.0"
    QDateTime created; // local time of the export
};

// One printable HTML page: span, clips, distance, top and average speed, shocks, a chart of the
// speed with the shocks marked and, with location, a drawing of the route.
QByteArray EvidenceReportHtml(const EvidenceReportInput &input);

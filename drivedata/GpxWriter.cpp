#include "GpxWriter.h"

#include <QXmlStreamWriter>

namespace {
const QString kGpxNamespace = QStringLiteral("http://www.topografix.com/GPX/1/1");
const QString kTpxNamespace =
    QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2");
const QString kXsiNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

QString UtcText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QString FirstStem(const TripRoute &route)
{
    for (const auto &segment : route.segments) {
        if (!segment.empty())
            return RecordingStem(route.clips[size_t(segment.front().clip)].fileName);
    }
    return route.clips.empty() ? QString() : RecordingStem(route.clips.front().fileName);
}
} // namespace

QString GpxFileName(const TripRoute &route)
{
    const QString stem = FirstStem(route);
    return stem.isEmpty() ? QStringLiteral("route.gpx") : stem + QStringLiteral("_route.gpx");
}

QString WithGpxExtension(const QString &path)
{
    if (path.endsWith(QLatin1String(".gpx"), Qt::CaseInsensitive))
        return path;
    // "trip." becomes "trip.gpx", not "trip..gpx".
    return path +
           (path.endsWith(QLatin1Char('.')) ? QStringLiteral("gpx") : QStringLiteral(".gpx"));
}

QByteArray RouteToGpx(const TripRoute &route, const QTimeZone &cameraZone)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(kGpxNamespace);
    xml.writeNamespace(kXsiNamespace, QStringLiteral("xsi"));
    xml.writeNamespace(kTpxNamespace, QStringLiteral("gpxtpx"));
    xml.writeStartElement(kGpxNamespace, QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("RX-9 PC Player"));
    xml.writeAttribute(kXsiNamespace, QStringLiteral("schemaLocation"),
                       kGpxNamespace +
                           QStringLiteral(" http://www.topografix.com/GPX/1/1/gpx.xsd"));

    const QString name = FirstStem(route);
    std::optional<QDateTime> first;
    for (const auto &segment : route.segments) {
        if (!segment.empty()) {
            first = RoutePointTime(route, segment.front(), cameraZone);
            break;
        }
    }
    xml.writeStartElement(kGpxNamespace, QStringLiteral("metadata"));
    if (!name.isEmpty())
        xml.writeTextElement(kGpxNamespace, QStringLiteral("name"), name);
    if (first && first->isValid())
        xml.writeTextElement(kGpxNamespace, QStringLiteral("time"), UtcText(*first));
    xml.writeEndElement();

    xml.writeStartElement(kGpxNamespace, QStringLiteral("trk"));
    if (!name.isEmpty())
        xml.writeTextElement(kGpxNamespace, QStringLiteral("name"), name);
    for (const auto &segment : route.segments) {
        xml.writeStartElement(kGpxNamespace, QStringLiteral("trkseg"));
        for (const RoutePoint &p : segment) {
            xml.writeStartElement(kGpxNamespace, QStringLiteral("trkpt"));
            xml.writeAttribute(QStringLiteral("lat"), QString::number(p.latitude, 'f', 6));
            xml.writeAttribute(QStringLiteral("lon"), QString::number(p.longitude, 'f', 6));
            const QDateTime time = RoutePointTime(route, p, cameraZone);
            if (time.isValid())
                xml.writeTextElement(kGpxNamespace, QStringLiteral("time"), UtcText(time));
            xml.writeStartElement(kGpxNamespace, QStringLiteral("extensions"));
            xml.writeStartElement(kTpxNamespace, QStringLiteral("TrackPointExtension"));
            xml.writeTextElement(kTpxNamespace, QStringLiteral("speed"),
                                 QString::number(p.speedKmh / 3.6, 'f', 2));
            xml.writeEndElement(); // TrackPointExtension
            xml.writeEndElement(); // extensions
            xml.writeEndElement(); // trkpt
        }
        xml.writeEndElement(); // trkseg
    }
    xml.writeEndElement(); // trk
    xml.writeEndElement(); // gpx
    xml.writeEndDocument();
    return out;
}

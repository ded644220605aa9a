#include "GpxWriter.h"
#include "DriveDataWriter.h"

#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TripClip ClipWith(const QString &fileName, const std::vector<GpsSample> &gps)
{
    TripClip clip = *TripClipFromFileName(fileName);
    clip.readable = true;
    clip.gps = gps;
    return clip;
}

GpsSample Record(std::int32_t latitude, std::int32_t longitude, std::uint32_t knots, int fix = 1)
{
    GpsSample g;
    g.fix = fix;
    g.latitude = latitude;
    g.longitude = longitude;
    g.speed = knots;
    return g;
}

// Two clips back to back, 08:12:58 and 08:13:00 on the camera's clock; the second one loses the
// fix for a second.
TripRoute SampleRoute()
{
    const std::vector<GpsSample> first = {Record(37301234, 127015000, 10),
                                          Record(37301300, 127015100, 20)};
    const std::vector<GpsSample> second = {Record(37301400, 127015200, 0), Record(0, 0, 0, 0),
                                           Record(-3350000, -70300000, 27)};
    return BuildTripRoute({ClipWith(QStringLiteral("rec_20250523_081300.avi"), second),
                           ClipWith(QStringLiteral("rec_20250523_081258.avi"), first)});
}

} // namespace

TEST(GpxWriter, OneTrackPointPerFixWithUtcTimeAndSpeed)
{
    // The camera's clock read as Seoul time, nine hours ahead of UTC.
    const QByteArray gpx = RouteToGpx(SampleRoute(), QTimeZone(9 * 3600));
    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(gpx, true));
    const QDomElement root = doc.documentElement();
    EXPECT_EQ(root.namespaceURI(), QStringLiteral("http://www.topografix.com/GPX/1/1"));
    EXPECT_EQ(root.localName(), QStringLiteral("gpx"));
    EXPECT_EQ(root.attribute(QStringLiteral("version")), QStringLiteral("1.1"));
    EXPECT_FALSE(root.attribute(QStringLiteral("creator")).isEmpty());

    const QDomNodeList segments = root.elementsByTagNameNS(root.namespaceURI(), "trkseg");
    ASSERT_EQ(segments.size(), 2);
    const QDomNodeList points = root.elementsByTagNameNS(root.namespaceURI(), "trkpt");
    ASSERT_EQ(points.size(), 4);

    // Worked out by hand: 37 deg 30.1234 min = 37.502057 deg; 10 knots = 18.52 km/h, shown as
    // 18 km/h = 5.00 m/s; 08:12:58 in Seoul = 23:12:58 UTC the day before.
    struct Expected
    {
        const char *lat, *lon, *time, *speed;
    };
    const Expected expected[] = {
        {"37.502057", "127.025000", "2025-05-22T23:12:58Z", "5.00"},
        {"37.502167", "127.025167", "2025-05-22T23:12:59Z", "10.28"},
        {"37.502333", "127.025333", "2025-05-22T23:13:00Z", "0.00"},
        {"-3.583333", "-70.500000", "2025-05-22T23:13:02Z", "13.89"},
    };
    const QString tpx = QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2");
    for (int i = 0; i < 4; ++i) {
        const QDomElement p = points.at(i).toElement();
        EXPECT_EQ(p.attribute(QStringLiteral("lat")), QLatin1String(expected[i].lat)) << i;
        EXPECT_EQ(p.attribute(QStringLiteral("lon")), QLatin1String(expected[i].lon)) << i;
        EXPECT_EQ(p.firstChildElement(QStringLiteral("time")).text(),
                  QLatin1String(expected[i].time))
            << i;
        EXPECT_EQ(p.elementsByTagNameNS(tpx, QStringLiteral("speed")).at(0).toElement().text(),
                  QLatin1String(expected[i].speed))
            << i;
    }
    EXPECT_EQ(segments.at(0).childNodes().size(), 3);
    EXPECT_EQ(GpxFileName(SampleRoute()), QStringLiteral("20250523_081258_route.gpx"));
}

TEST(GpxWriter, ValidatesAgainstTheSchema)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    ASSERT_FALSE(xmllint.isEmpty()) << "xmllint (package libxml2-utils) is needed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("route.gpx"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(RouteToGpx(SampleRoute(), QTimeZone::utc()));
    file.close();
    const QString schema = QStringLiteral(RX9_SOURCE_DIR "/tests/drivedata/data/gpx11-subset.xsd");

    const auto lint = [&](const QString &target) {
        QProcess process;
        process.start(xmllint,
                      {QStringLiteral("--noout"), QStringLiteral("--schema"), schema, target});
        EXPECT_TRUE(process.waitForFinished(60000));
        return std::make_pair(process.exitCode(),
                              QString::fromUtf8(process.readAllStandardError()));
    };
    const auto [code, errors] = lint(path);
    EXPECT_EQ(code, 0) << errors.toStdString();

    // The check does catch a wrong file: a track point without its longitude.
    QFile bad(dir.filePath(QStringLiteral("bad.gpx")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(RouteToGpx(SampleRoute(), QTimeZone::utc()).replace(" lon=\"127.025000\"", ""));
    bad.close();
    EXPECT_NE(lint(bad.fileName()).first, 0);
}

TEST(GpxWriter, AnEmptyRouteIsStillAValidFile)
{
    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(RouteToGpx(TripRoute{}, QTimeZone::utc()), true));
    EXPECT_EQ(doc.documentElement().elementsByTagName(QStringLiteral("trkpt")).size(), 0);
    EXPECT_EQ(GpxFileName(TripRoute{}), QStringLiteral("route.gpx"));
}

TEST(GpxWriter, ANameTypedWithoutTheExtensionGetsIt)
{
    EXPECT_EQ(WithGpxExtension(QStringLiteral("/home/u/trip")), QStringLiteral("/home/u/trip.gpx"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("/home/u/trip.")),
              QStringLiteral("/home/u/trip.gpx"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("/home/u/a.b")), QStringLiteral("/home/u/a.b.gpx"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("/home/u/T.GPX")), QStringLiteral("/home/u/T.GPX"));
    EXPECT_EQ(WithGpxExtension(QStringLiteral("/home/u/trip.gpx")),
              QStringLiteral("/home/u/trip.gpx"));
}

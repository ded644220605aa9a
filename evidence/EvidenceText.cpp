#include "EvidenceText.h"

#include "PlaybackRules.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString Escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals); // never the user's locale
}

} // namespace

QStringList OverlayText::Lines() const
{
    QStringList lines{time, speed};
    if (!position.isEmpty())
        lines << position;
    lines << recording;
    return lines;
}

QString EvidenceSpeedText(std::optional<int> kmh, bool unitKm)
{
    const QString unit = unitKm ? QStringLiteral("km/h") : QStringLiteral("mph");
    if (!kmh)
        return QStringLiteral("-- ") + unit;
    return SpeedText(SpeedForUnit(*kmh, unitKm)) + QLatin1Char(' ') + unit;
}

QString EvidencePositionText(double latitude, double longitude)
{
    return QStringLiteral("%1 %2  %3 %4")
        .arg(Number(std::abs(latitude), 5),
             latitude < 0 ? QStringLiteral("S") : QStringLiteral("N"),
             Number(std::abs(longitude), 5),
             longitude < 0 ? QStringLiteral("W") : QStringLiteral("E"));
}

OverlayText OverlayForSecond(const EvidenceSecond &second, bool unitKm, bool withLocation)
{
    OverlayText text;
    text.time = second.time.toString(kTimeFormat);
    const bool fix = second.hasData && second.gps.fix;
    text.speed =
        EvidenceSpeedText(fix ? std::optional<int>(second.gps.speedKmh) : std::nullopt, unitKm);
    if (withLocation)
        text.position = fix ? EvidencePositionText(second.gps.latitude, second.gps.longitude)
                            : QStringLiteral("--");
    text.recording = second.recording;
    text.shock = second.shock;
    return text;
}

double DistanceMetres(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double kEarthRadius = 6371008.8;
    const double p1 = qDegreesToRadians(lat1), p2 = qDegreesToRadians(lat2);
    const double dp = p2 - p1, dl = qDegreesToRadians(lon2 - lon1);
    const double a = std::sin(dp / 2) * std::sin(dp / 2) +
                     std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

EvidenceFigures ComputeEvidenceFigures(const std::vector<EvidenceSecond> &seconds)
{
    EvidenceFigures figures;
    qint64 speedSum = 0;
    double metres = 0;
    for (size_t k = 0; k < seconds.size(); ++k) {
        const EvidenceSecond &s = seconds[k];
        if (s.shock)
            figures.shockOffsets.push_back(int(k));
        if (!s.hasData || !s.gps.fix)
            continue;
        ++figures.fixes;
        speedSum += s.gps.speedKmh;
        figures.topKmh = std::max(figures.topKmh.value_or(0), s.gps.speedKmh);
        if (k > 0 && seconds[k - 1].hasData && seconds[k - 1].gps.fix)
            metres += DistanceMetres(seconds[k - 1].gps.latitude, seconds[k - 1].gps.longitude,
                                     s.gps.latitude, s.gps.longitude);
    }
    if (figures.fixes > 0)
        figures.averageKmh = int(std::lround(double(speedSum) / figures.fixes));
    figures.distanceKm = metres / 1000.0;
    return figures;
}

namespace {

// Speed over the span: a line through the seconds with a fix (broken where there is none),
// a red line at each shock.
QString SpeedChartSvg(const EvidenceReportInput &input, const EvidenceFigures &figures)
{
    constexpr int kWidth = 680, kHeight = 220, kLeft = 44, kRight = 10, kTop = 10, kBottom = 28;
    const int n = std::max<int>(1, int(input.seconds.size()));
    const int top = std::max(20, SpeedForUnit(figures.topKmh.value_or(0), input.unitKm));
    const int scaleTop = ((top + 19) / 20) * 20;
    const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
    const auto x = [&](double second) { return kLeft + plotW * second / std::max(1, n - 1); };
    const auto y = [&](double speed) { return kTop + plotH * (1.0 - speed / scaleTop); };

    QString svg = QStringLiteral("<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" "
                                 "width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n")
                      .arg(kWidth)
                      .arg(kHeight);
    for (int v = 0; v <= scaleTop; v += scaleTop / 4) {
        svg += QStringLiteral(
                   "<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#ccc\"/>"
                   "<text x=\"%4\" y=\"%5\" font-size=\"10\" text-anchor=\"end\">%6</text>\n")
                   .arg(kLeft)
                   .arg(Number(y(v), 1))
                   .arg(kWidth - kRight)
                   .arg(kLeft - 4)
                   .arg(Number(y(v) + 3, 1))
                   .arg(v);
    }
    svg +=
        QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"10\">%3</text>\n")
            .arg(kLeft)
            .arg(kHeight - 6)
            .arg(Escaped(input.seconds.empty() ? QString()
                                               : input.seconds.front().time.toString(kTimeFormat)));
    svg +=
        QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"10\" text-anchor=\"end\">%3 s</text>\n")
            .arg(kWidth - kRight)
            .arg(kHeight - 6)
            .arg(input.seconds.size());
    for (const int shock : figures.shockOffsets) {
        svg += QStringLiteral("<line class=\"shock\" x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" "
                              "stroke=\"#d00\" stroke-width=\"2\"/>\n")
                   .arg(Number(x(shock), 1))
                   .arg(kTop)
                   .arg(kTop + plotH);
    }
    QString points;
    const auto flush = [&] {
        if (!points.isEmpty())
            svg += QStringLiteral("<polyline class=\"speed\" fill=\"none\" stroke=\"#1f5fa8\" "
                                  "stroke-width=\"2\" points=\"%1\"/>\n")
                       .arg(points.trimmed());
        points.clear();
    };
    for (size_t k = 0; k < input.seconds.size(); ++k) {
        const EvidenceSecond &s = input.seconds[k];
        if (!s.hasData || !s.gps.fix) {
            flush();
            continue;
        }
        points += Number(x(double(k)), 1) + QLatin1Char(',') +
                  Number(y(SpeedForUnit(s.gps.speedKmh, input.unitKm)), 1) + QLatin1Char(' ');
    }
    flush();
    svg += QStringLiteral("</svg>\n");
    return svg;
}

// The route drawn from its fixes, north up, the same scale both ways (no map below it).
QString RouteSvg(const EvidenceReportInput &input)
{
    constexpr int kSize = 320, kMargin = 12;
    double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
    int fixes = 0;
    for (const EvidenceSecond &s : input.seconds) {
        if (!s.hasData || !s.gps.fix)
            continue;
        ++fixes;
        minLat = std::min(minLat, s.gps.latitude);
        maxLat = std::max(maxLat, s.gps.latitude);
        minLon = std::min(minLon, s.gps.longitude);
        maxLon = std::max(maxLon, s.gps.longitude);
    }
    if (fixes == 0)
        return QStringLiteral("<p>No GPS positions in this span.</p>\n");
    const double midLat = qDegreesToRadians((minLat + maxLat) / 2);
    const double spanX = std::max(1e-9, (maxLon - minLon) * std::cos(midLat));
    const double spanY = std::max(1e-9, maxLat - minLat);
    const double scale = (kSize - 2 * kMargin) / std::max(spanX, spanY);
    const auto px = [&](double lon) { return kMargin + (lon - minLon) * std::cos(midLat) * scale; };
    const auto py = [&](double lat) { return kSize - kMargin - (lat - minLat) * scale; };

    QString svg = QStringLiteral("<svg class=\"route\" xmlns=\"http://www.w3.org/2000/svg\" "
                                 "width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                                 "<rect width=\"%1\" height=\"%1\" fill=\"#f6f6f6\"/>\n")
                      .arg(kSize);
    QString points;
    const EvidenceSecond *first = nullptr, *last = nullptr;
    const auto flush = [&] {
        if (!points.isEmpty())
            svg += QStringLiteral("<polyline fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"3\" "
                                  "points=\"%1\"/>\n")
                       .arg(points.trimmed());
        points.clear();
    };
    for (const EvidenceSecond &s : input.seconds) {
        if (!s.hasData || !s.gps.fix) {
            flush();
            continue;
        }
        first = first ? first : &s;
        last = &s;
        points += Number(px(s.gps.longitude), 1) + QLatin1Char(',') +
                  Number(py(s.gps.latitude), 1) + QLatin1Char(' ');
        if (s.shock)
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"6\" fill=\"#d00\"/>\n")
                       .arg(Number(px(s.gps.longitude), 1), Number(py(s.gps.latitude), 1));
    }
    flush();
    svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"5\" fill=\"#2a2\"/>"
                          "<circle cx=\"%3\" cy=\"%4\" r=\"5\" fill=\"#222\"/>\n")
               .arg(Number(px(first->gps.longitude), 1), Number(py(first->gps.latitude), 1),
                    Number(px(last->gps.longitude), 1), Number(py(last->gps.latitude), 1));
    svg += QStringLiteral("</svg>\n");
    return svg;
}

} // namespace

QByteArray EvidenceReportHtml(const EvidenceReportInput &input)
{
    const EvidenceFigures figures = ComputeEvidenceFigures(input.seconds);
    const QString unit = input.unitKm ? QStringLiteral("km/h") : QStringLiteral("mph");
    const auto speed = [&](std::optional<int> kmh) { return EvidenceSpeedText(kmh, input.unitKm); };
    const QString from =
        input.seconds.empty() ? QString() : input.seconds.front().time.toString(kTimeFormat);
    const QString to = input.seconds.empty()
                           ? QString()
                           : input.seconds.back().time.addSecs(1).toString(kTimeFormat);

    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Evidence %1</title>\n<style>\n"
                       "body{font-family:sans-serif;margin:1.5cm;color:#111}\n"
                       "h1{font-size:1.4em}h2{font-size:1.1em;margin-top:1.2em}\n"
                       "table{border-collapse:collapse}td,th{border:1px solid #999;padding:2px "
                       "8px;text-align:left}\n"
                       "@page{size:A4;margin:1cm}@media print{body{margin:0}}\n"
                       "</style>\n</head>\n<body>\n<h1>Evidence %1</h1>\n")
            .arg(Escaped(from));
    html += QStringLiteral("<table class=\"figures\">\n");
    const auto row = [&](const QString &name, const QString &value) {
        html +=
            QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(Escaped(name), Escaped(value));
    };
    row(QStringLiteral("Span (camera time)"), from + QStringLiteral(" to ") + to);
    row(QStringLiteral("Length"), QStringLiteral("%1 s").arg(input.seconds.size()));
    row(QStringLiteral("Recordings"), input.clips.join(QStringLiteral(", ")));
    row(QStringLiteral("Distance"), figures.fixes > 0
                                        ? Number(figures.distanceKm, 2) + QStringLiteral(" km")
                                        : QStringLiteral("--"));
    row(QStringLiteral("Top speed"), speed(figures.topKmh));
    row(QStringLiteral("Average speed"), speed(figures.averageKmh));
    row(QStringLiteral("Seconds with a GPS fix"),
        QStringLiteral("%1 of %2").arg(figures.fixes).arg(input.seconds.size()));
    row(QStringLiteral("Exported"), input.created.toString(kTimeFormat));
    row(QStringLiteral("Player"), input.version);
    html += QStringLiteral("</table>\n<h2>Shocks</h2>\n");
    if (figures.shockOffsets.empty()) {
        html += QStringLiteral("<p>No shock in this span.</p>\n");
    } else {
        html += QStringLiteral("<table class=\"shocks\">\n<tr><th>Time</th><th>Into the span</th>"
                               "<th>Recording</th><th>Speed</th></tr>\n");
        for (const int offset : figures.shockOffsets) {
            const EvidenceSecond &s = input.seconds[size_t(offset)];
            html += QStringLiteral("<tr><td>%1</td><td>%2 s</td><td>%3</td><td>%4</td></tr>\n")
                        .arg(Escaped(s.time.toString(kTimeFormat)))
                        .arg(offset)
                        .arg(Escaped(s.recording),
                             Escaped(OverlayForSecond(s, input.unitKm, false).speed));
        }
        html += QStringLiteral("</table>\n");
    }
    html += QStringLiteral("<h2>Speed (%1)</h2>\n").arg(unit) + SpeedChartSvg(input, figures);
    if (input.withLocation)
        html += QStringLiteral("<h2>Route</h2>\n") + RouteSvg(input);
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

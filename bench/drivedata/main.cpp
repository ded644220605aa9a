// Prints how long loading a drive-data file of a 60-second clip takes, and how long the sensor
// graph needs to repaint when only its cursor moves (the common case: every play-time
// notification) and when its size changes.

#include "DataParser.h"
#include "DataParserCore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A 60-second drive-data file: `sensorRate` sensor records a second, one GPS record a second.
QByteArray MinuteOfDriveData(int sensorRate)
{
    const int sensors = 60 * sensorRate;
    const int fixes = 60;
    QByteArray bytes(16 + 20 * (sensors + fixes), '\0');
    auto *p = reinterpret_cast<unsigned char *>(bytes.data());
    WriteLe32(p, kSensorMagic);
    WriteLe32(p + 4, std::uint32_t(20 * sensors));
    p += 8;
    for (int i = 0; i < sensors; ++i, p += 20) {
        const double t = double(i) / sensorRate;
        WriteLe32(p + 4, std::uint32_t(std::int32_t(120 * std::sin(t * 3.1))));
        WriteLe32(p + 8, std::uint32_t(std::int32_t(80 * std::cos(t * 1.7))));
        WriteLe32(p + 12, std::uint32_t(std::int32_t(40 * std::sin(t * 0.9) - 10)));
    }
    WriteLe32(p, kGpsMagic);
    WriteLe32(p + 4, std::uint32_t(20 * fixes));
    p += 8;
    for (int i = 0; i < fixes; ++i, p += 20) {
        WriteLe32(p + 4, 1);
        WriteLe32(p + 8, std::uint32_t(37301234 + 10 * i));
        WriteLe32(p + 12, std::uint32_t(127015000 + 12 * i));
        WriteLe32(p + 16, std::uint32_t(30 + i % 5));
    }
    return bytes;
}

struct Figures
{
    double medianUs;
    double meanUs;
    double maxUs;
};

Figures Measure(int runs, const std::function<void()> &body)
{
    std::vector<double> us;
    us.reserve(size_t(runs));
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        body();
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : us)
        sum += v;
    return {sorted[sorted.size() / 2], sum / double(us.size()), sorted.back()};
}

void Print(const char *what, const Figures &f)
{
    std::printf("%-58s median %9.1f us  mean %9.1f us  max %9.1f us\n", what, f.medianUs, f.meanUs,
                f.maxUs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    CDataParser graph;
    graph.SetMessageHandler([](int, const QString &) {});
    for (int rate : {100, 1000}) {
        const QByteArray bytes = MinuteOfDriveData(rate);
        const QString path = dir.filePath(QStringLiteral("rec_%1.dat").arg(rate));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();
        std::printf("60 s of drive data, %d sensor records/s: %lld bytes\n", rate,
                    static_cast<long long>(bytes.size()));

        bool ok = true;
        Print("  LoadDriveData (open, one read, parse, scale)",
              Measure(500, [&] { ok = graph.LoadDriveData(path) && ok; }));
        Print("  ParseDriveData on the buffer alone",
              Measure(500, [&] { ok = ParseDriveData(bytes).loaded && ok; }));
        if (!ok) {
            std::printf("  loading failed\n");
            return 1;
        }
        int second = 0, speed = 0;
        const Figures gps = Measure(1000, [&] { speed += graph.GetGpsAt(second++ % 70).speedKmh; });
        Print("  GetGpsAt", gps);
    }

    // The graph at a typical size, 1000 sensor records a second still loaded.
    graph.SetClipOpen(true);
    graph.resize(900, 80);
    graph.SetDuration(60000);
    QImage image(graph.size(), QImage::Format_RGB32);
    int t = 0;
    Print("graph 900x80: full repaint, cursor moved (layer cached)", Measure(500, [&] {
              t = (t + 250) % 60000;
              graph.SetPlayPosition(t);
              graph.render(&image);
          }));
    int w = 900;
    Print("graph: full repaint after a resize (layer redrawn)", Measure(200, [&] {
              w = w == 900 ? 901 : 900;
              graph.resize(w, 80);
              graph.render(&image);
          }));

    // On screen (offscreen platform): the cursor's move repaints only the two bar rectangles.
    graph.resize(900, 80);
    graph.show();
    QCoreApplication::processEvents();
    Print("graph shown: SetPlayPosition + event processing", Measure(500, [&] {
              t = (t + 250) % 60000;
              graph.SetPlayPosition(t);
              QCoreApplication::processEvents();
          }));
    return 0;
}

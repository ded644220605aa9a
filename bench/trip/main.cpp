// Prints how long the route of a trip of 60 one-minute clips takes from the request (a clip was
// opened) to being drawn on the map page: cold (every drive-data file read) and warm (the card's
// files cached), beside cp copying the same 60 drive-data files in the same run.

#include "DemoCard.h"
#include "DriveDataWriter.h"
#include "HtmlMap.h"
#include "Trip.h"
#include "TripRouteBuilder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kClips = 60;

bool WaitFor(const std::function<bool()> &done, int ms = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    CHtmlCtrl::PrepareApplication();
    QApplication app(argc, argv);
    CHtmlCtrl::ApplicationReady();
    QTemporaryDir card;
    DemoCardOptions options;
    options.clipsPerKind = kClips;
    options.seconds = 60;
    const DemoCardPlan plan = PlanDemoCard(options);
    QStringList names, dataFiles;
    for (const DemoClip &clip : plan.clips) {
        if (clip.kind != DemoClipKind::Normal)
            continue;
        std::vector<SensorSample> sensors;
        std::vector<GpsSample> gps;
        MakeDemoDriveData(plan.drive, clip, options.sensorRate, sensors, gps);
        WriteDriveDataFile(card.filePath(clip.dataFileName()), sensors, gps);
        QFile(card.filePath(clip.fileName())).open(QIODevice::WriteOnly); // no video needed
        names << clip.fileName();
        dataFiles << card.filePath(clip.dataFileName());
    }
    const QString folder = card.path() + QLatin1Char('/');

    CHtmlMap map;
    map.resize(640, 480);
    map.show();
    bool loaded = false;
    QObject::connect(&map, &CHtmlCtrl::NavigationComplete, &map, [&](bool) { loaded = true; });
    map.LoadMapPage();
    if (!WaitFor([&] { return loaded; })) {
        std::fprintf(stderr, "map page did not load\n");
        return 1;
    }

    CTripRouteBuilder builder;
    std::vector<double> built; // request to route built, per run
    // One run: request, route built off this thread, handed to the page, page reports it drawn.
    const auto run = [&](const QString &current, int *points) {
        QElapsedTimer clock;
        clock.start();
        bool ready = false;
        TripRoute route;
        auto connection = QObject::connect(&builder, &CTripRouteBuilder::RouteReady, &builder,
                                           [&](const TripRoute &r, const QString &) {
                                               route = r;
                                               ready = true;
                                           });
        builder.Request(folder, names, current);
        WaitFor([&] { return ready; });
        built.push_back(double(clock.nsecsElapsed()) / 1e6);
        QObject::disconnect(connection);
        map.SetRoute(RouteJson(route));
        bool shown = false;
        map.page()->runJavaScript(QStringLiteral("mapState().route"), [&](const QVariant &v) {
            *points = v.toInt();
            shown = true;
        });
        WaitFor([&] { return shown; });
        return double(clock.nsecsElapsed()) / 1e6;
    };

    int points = 0;
    const double cold = run(names.front(), &points);
    std::vector<double> warm;
    for (int i = 0; i < 20; ++i)
        warm.push_back(run(names[i % names.size()], &points));

    // The reference: cp copying the same drive-data files (warm page cache, as the warm route).
    QTemporaryDir copy;
    std::vector<double> cp;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(QStringLiteral("cp"), dataFiles + QStringList{copy.path()});
        process.waitForFinished();
        cp.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    std::printf("trip of %lld clips x 60 s, %d route points\n", qlonglong(names.size()), points);
    std::printf("route shown, cold:          %8.2f ms\n", cold);
    std::printf("route shown, warm (median): %8.2f ms  (target < 100 ms)\n", Median(warm));
    std::printf("  of which route built (median): %8.2f ms\n",
                Median(std::vector<double>(built.begin() + 1, built.end())));
    std::printf("cp of the %lld drive-data files (median): %8.2f ms\n", qlonglong(dataFiles.size()),
                Median(cp));
    std::printf("warm route / cp: %.2f\n", Median(warm) / std::max(0.001, Median(cp)));
    return 0;
}

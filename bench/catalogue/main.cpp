// Measures the catalogue on a large card: a folder of 10,000 recordings, each with its
// drive-data file, is scanned, listed, sorted and scrolled; the time of each stage is printed.
//
//   rx9bench_catalogue [clips] [folder]
//
// Without a folder the card is built in a temporary folder and removed afterwards.

#include "Catalogue.h"
#include "SkinImages.h"
#include "XListCtrl.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figures
{
    double best = 0;
    double median = 0;
};

// Runs `work` `runs` times (with `prepare` before each, untimed) and gives best and median ms.
Figures measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

void print(const char *stage, const Figures &figures)
{
    std::printf("  %-44s %9.2f ms (best %.2f ms)\n", stage, figures.median, figures.best);
}

// Writes the card: clips of the three kinds, one a minute from a starting time, each with a
// drive-data file; names are written in a shuffled order so the directory order is not sorted.
bool buildCard(const QString &folder, int clips)
{
    std::vector<int> order(clips);
    for (int i = 0; i < clips; ++i)
        order[i] = int((qint64(i) * 7919) % clips);
    const QDateTime start(QDate(2011, 5, 1), QTime(0, 0));
    const QByteArray clipData("RIFF\x10\0\0\0AVI ", 12);
    const QByteArray driveData(400, '\0');
    for (int i : order) {
        const char *prefix = i % 10 < 6 ? "rec_" : i % 10 < 8 ? "evt_" : "pmr_";
        const QString stem =
            start.addSecs(qint64(i) * 60).toString(QStringLiteral("yyyyMMdd_HHmmss"));
        const QString base = folder + QLatin1Char('/') + QLatin1String(prefix) + stem;
        for (const auto &[extension, data] :
             {std::pair{".avi", clipData}, std::pair{".dat", driveData}}) {
            QFile file(base + QLatin1String(extension));
            if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CSkinImages::Load();

    const int clips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir temporary;
    QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.filePath("card");
    if (argc <= 2) {
        QDir().mkpath(folder);
        QElapsedTimer timer;
        timer.start();
        if (!buildCard(folder, clips)) {
            std::fprintf(stderr, "could not write the card in %s\n", qPrintable(folder));
            return 1;
        }
        std::printf("card: %d clips + %d drive-data files in %s (written in %.0f ms)\n", clips,
                    clips, qPrintable(folder), double(timer.elapsed()));
    }

    CXListCtrl list;
    list.SetUpRecordingColumns();
    list.resize(300, 800);
    list.show();
    QCoreApplication::processEvents();

    CCatalogue catalogue(&list);
    // As the player does: the row asked for becomes the current one.
    QObject::connect(&catalogue, &CCatalogue::RowToOpen, &catalogue, &CCatalogue::MakeCurrent);
    const int runs = 9;

    std::printf("stages (median of %d runs):\n", runs);
    QString path = folder;
    const Figures scan = measure(runs, nullptr, [&] { catalogue.ScanFolder(path); });
    print("scan folder (ScanFolder)", scan);
    const int found = int(catalogue.EventNames().size() + catalogue.ParkingNames().size() +
                          catalogue.NormalNames().size());

    const Figures fill = measure(runs, nullptr, [&] { catalogue.FillList(); });
    print("fill list, sorted by name (FillList)", fill);

    const Figures sortDate = measure(
        runs, [&] { list.SetAscending(false); }, [&] { list.SortByColumn(2, false); });
    print("sort by date, descending (SortByColumn)", sortDate);
    const Figures sortName = measure(
        runs, [&] { list.SetAscending(true); }, [&] { list.SortByColumn(1, false); });
    print("sort by name, ascending (SortByColumn)", sortName);

    const Figures load = measure(runs, nullptr, [&] {
        catalogue.LoadFolder(folder);
        QCoreApplication::sendPostedEvents();
        catalogue.RelocateCurrent();
    });
    print("whole load: scan + fill + sort + select", load);

    const Figures filter = measure(runs, nullptr, [&] {
        catalogue.CycleKindFilter();
        catalogue.RelocateCurrent();
    });
    print("kind filter step (CycleKindFilter)", filter);

    // Scrolling: paint the list at 200 positions from top to bottom, each a full repaint.
    catalogue.LoadFolder(folder);
    QCoreApplication::processEvents();
    QScrollBar *bar = list.verticalScrollBar();
    const int steps = 200;
    const Figures scroll = measure(3, nullptr, [&] {
        for (int step = 0; step <= steps; ++step) {
            bar->setValue(int(qint64(bar->maximum()) * step / steps));
            list.viewport()->repaint();
        }
    });
    const int visibleRows = list.viewport()->height() / std::max(1, list.RowHeight());
    std::printf("  %-44s %9.3f ms per frame (%d rows visible, %d frames, best %.3f ms)\n",
                "scroll and paint the list", scroll.median / (steps + 1), visibleRows, steps + 1,
                scroll.best / (steps + 1));

    std::printf("rows: %d recordings listed, %d rows in the list\n", found, list.RowCount());
    std::printf("scan + fill + sort: %.2f ms\n", scan.median + fill.median + sortName.median);
    return found == clips && list.RowCount() == clips ? 0 : 2;
}

#include "TripRouteBuilder.h"

#include "DataParserCore.h"
#include "SafeFile.h"
#include "Shocks.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>

TripClip CDriveDataCache::Load(const QString &folder, const QString &fileName)
{
    std::optional<TripClip> named = TripClipFromFileName(fileName);
    TripClip clip = named ? *named : TripClip{};
    clip.fileName = fileName;
    const QString path = DriveDataPath(folder + fileName);
    // Opened once, without following a link or waiting on a FIFO; the size and time of the
    // open file decide whether the cached records still hold.
    struct stat status;
    CFileDescriptor fd = OpenRegularFile(path, O_RDONLY, &status);
    const qint64 size = fd.IsValid() ? qint64(status.st_size) : -1;
    const qint64 changed =
        fd.IsValid() ? qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000 : 0;
    {
        QMutexLocker lock(&m_mutex);
        auto card = std::find_if(m_cards.begin(), m_cards.end(),
                                 [&](const Card &c) { return c.folder == folder; });
        if (card != m_cards.end()) {
            const auto entry = card->files.constFind(fileName);
            if (entry != card->files.constEnd() && entry->size == size &&
                entry->changedMs == changed)
                return entry->clip;
        }
    }

    if (size >= 0 && size <= kDriveDataMaxFileBytes) {
        QFile file;
        if (file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            fd.Release(); // the file closes it now
            const DriveData data = ParseDriveData(file.read(size));
            if (data.loaded) {
                clip.readable = true;
                clip.gps = data.gps;
                clip.sensorReadings = int(data.sensors.size());
                clip.shockReadings =
                    FindShocks(data.sensors,
                               data.gps.empty() ? 0 : int(data.sensors.size() / data.gps.size()));
            }
        }
    }

    QMutexLocker lock(&m_mutex);
    ++m_filesRead;
    auto card = std::find_if(m_cards.begin(), m_cards.end(),
                             [&](const Card &c) { return c.folder == folder; });
    if (card == m_cards.end()) {
        if (int(m_cards.size()) >= kCards)
            m_cards.erase(m_cards.begin());
        m_cards.push_back(Card{folder, {}});
    } else if (card + 1 != m_cards.end()) {
        Card moved = std::move(*card);
        m_cards.erase(card);
        m_cards.push_back(std::move(moved));
    }
    m_cards.back().files.insert(fileName, Entry{size, changed, clip});
    return clip;
}

int CDriveDataCache::FilesRead() const
{
    QMutexLocker lock(&m_mutex);
    return m_filesRead;
}

void CDriveDataCache::Clear()
{
    QMutexLocker lock(&m_mutex);
    m_cards.clear();
}

CTripRouteBuilder::CTripRouteBuilder(QObject *parent)
    : QObject(parent)
    , m_cache(std::make_shared<CDriveDataCache>())
{
    connect(&m_watcher, &QFutureWatcher<TripRoute>::finished, this, [this] {
        const int generation = m_watchedGeneration;
        const QString current = m_pendingCurrent;
        TripRoute route = m_watcher.result();
        if (m_queued) {
            const Queued next = *m_queued;
            m_queued.reset();
            start(next);
            return; // a newer request replaces this one
        }
        if (generation == m_generation)
            emit RouteReady(route, current);
    });
}

CTripRouteBuilder::~CTripRouteBuilder()
{
    m_queued.reset();
    m_watcher.waitForFinished();
}

void CTripRouteBuilder::Request(const QString &folder, const QStringList &fileNames,
                                const QString &currentFile)
{
    ++m_generation;
    const Queued request{folder, fileNames, currentFile};
    if (m_watcher.isRunning()) {
        m_queued = request;
        return;
    }
    start(request);
}

void CTripRouteBuilder::start(const Queued &request)
{
    m_watchedGeneration = m_generation;
    m_pendingCurrent = request.currentFile;
    m_stop = std::make_shared<std::atomic_bool>(false);
    m_watcher.setFuture(QtConcurrent::run(&CTripRouteBuilder::Build, m_cache, request.folder,
                                          request.fileNames, request.currentFile, m_stop));
}

bool CTripRouteBuilder::IsBusy() const
{
    return m_watcher.isRunning() || m_queued.has_value();
}

void CTripRouteBuilder::Wait()
{
    m_queued.reset();
    m_watcher.waitForFinished();
}

void CTripRouteBuilder::Stop()
{
    m_queued.reset();
    ++m_generation; // whatever is on its way is no longer wanted
    if (m_stop)
        *m_stop = true;
    m_watcher.waitForFinished();
}

TripRoute CTripRouteBuilder::BuildNow(const QString &folder, const QStringList &fileNames,
                                      const QString &currentFile)
{
    return Build(m_cache, folder, fileNames, currentFile);
}

TripRoute CTripRouteBuilder::Build(const std::shared_ptr<CDriveDataCache> &cache,
                                   const QString &folder, const QStringList &fileNames,
                                   const QString &currentFile,
                                   const std::shared_ptr<std::atomic_bool> &stop)
{
    std::vector<TripClip> clips;
    clips.reserve(size_t(fileNames.size()));
    for (const QString &name : fileNames) {
        if (stop && *stop)
            return TripRoute{};
        clips.push_back(cache->Load(folder, name));
    }
    std::vector<TripClip> trip;
    for (const int index : TripHolding(clips, currentFile))
        trip.push_back(std::move(clips[size_t(index)]));
    TripRoute route = BuildTripRoute(std::move(trip));
    route.folder = folder;
    return route;
}

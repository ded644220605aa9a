#pragma once

#include "Trip.h"

#include <QFutureWatcher>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// The GPS records of a card's drive-data files, kept per card (folder) and per file, and checked
// against the file's size and time of change before use. Safe to use from several threads.
class CDriveDataCache
{
public:
    // The clip with its GPS records from the cache or, when missing or changed, from its file.
    TripClip Load(const QString &folder, const QString &fileName);
    // Files read from disk so far (not from the cache).
    int FilesRead() const;
    void Clear();

    // Cards kept at once; the one used longest ago goes first.
    static constexpr int kCards = 4;

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 changedMs = 0;
        TripClip clip;
    };
    struct Card
    {
        QString folder;
        QHash<QString, Entry> files;
    };
    mutable QMutex m_mutex;
    std::vector<Card> m_cards; // most recently used last
    int m_filesRead = 0;
};

// The clips of a card grouped into trips and the route of one trip, read from the drive-data files
// on a worker thread. Results come back on the thread that owns the builder.
class CTripRouteBuilder : public QObject
{
    Q_OBJECT
public:
    explicit CTripRouteBuilder(QObject *parent = nullptr);
    ~CTripRouteBuilder() override;

    // Asks for the route of the trip holding `currentFile` among the recordings `fileNames` of the
    // card in `folder`. An earlier request that has not finished yet is dropped. RouteReady
    // follows.
    void Request(const QString &folder, const QStringList &fileNames, const QString &currentFile);

    // The same at once, on the calling thread (through the same cache).
    TripRoute BuildNow(const QString &folder, const QStringList &fileNames,
                       const QString &currentFile);

    // Whether a request is still being worked on.
    bool IsBusy() const;
    // Waits for the request being worked on, without delivering it.
    void Wait();
    // Drops the waiting request, tells the one being worked on to stop after the file it reads
    // and waits for it: when this returns, the builder reads no file, and no route of the
    // requests made so far is delivered.
    void Stop();

    CDriveDataCache &Cache() { return *m_cache; }

signals:
    // The route of the last request (empty when its clip belongs to no trip with fixes).
    void RouteReady(const TripRoute &route, const QString &currentFile);

private:
    static TripRoute Build(const std::shared_ptr<CDriveDataCache> &cache, const QString &folder,
                           const QStringList &fileNames, const QString &currentFile,
                           const std::shared_ptr<std::atomic_bool> &stop = {});

    std::shared_ptr<CDriveDataCache> m_cache;
    std::shared_ptr<std::atomic_bool> m_stop; // of the request being worked on
    QFutureWatcher<TripRoute> m_watcher;
    QString m_pendingCurrent;
    int m_generation = 0;
    int m_watchedGeneration = 0;
    // A request made while another runs waits here and starts when that one ends.
    struct Queued
    {
        QString folder;
        QStringList fileNames;
        QString currentFile;
    };
    std::optional<Queued> m_queued;
    void start(const Queued &request);
};

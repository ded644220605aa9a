#pragma once

#include "DataParserCore.h"
#include "EvidenceSpan.h"
#include "EvidenceText.h"
#include "EvidenceVideo.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

// One evidence export: the moments around an incident as one folder beside the player's other
// outputs: evidence.mp4 (the span with its texts on the picture), original/ (the clips the span
// touches and their drive-data files, byte for byte), route.gpx, report.html and SHA256SUMS.
// The folder is built under a hidden temporary name and renamed into place last, never over
// an existing folder; a failed or cancelled export leaves nothing behind. The card is only read.

struct EvidenceRequest
{
    QString cardFolder; // the recordings' folder
    QDateTime anchor;   // camera time the span is around (must lie in a recording)
    QDateTime from;     // camera time, first second
    QDateTime to;       // camera time, the second after the last
    QString preferred;  // the recording being watched, taken first where recordings overlap
    bool overlay = true;
    bool location = true;
    bool unitKm = true;
    QString outputBase; // the folder "Evidence ..." goes into (created when missing)
    QString version;    // written into the report
    EvidenceVideoOptions video;
};

// A card's recordings with their drive data, and the span planned over them.
struct EvidencePlan
{
    struct Clip
    {
        EvidenceClip clip;
        DriveData data;            // loaded false: missing or damaged drive-data file
        std::vector<int> shocksMs; // shock times into the clip
    };
    std::vector<Clip> clips;
    EvidenceSpan span;
    QString error; // why the span cannot be exported; empty when it can

    // The span's seconds with their readings, and the recordings it touches (in span order).
    std::vector<EvidenceSecond> Seconds() const;
    QStringList TouchedFiles() const;
};

// Reads the card's recordings and plans the span. Fast for a card (drive-data files only).
EvidencePlan PlanEvidence(const EvidenceRequest &request);

// The seconds of a clip's drive data in which a shock starts, from its sensor readings.
std::vector<int> ShockTimesOfClip(const DriveData &data);

class CEvidenceJob
{
public:
    explicit CEvidenceJob(EvidenceRequest request);
    ~CEvidenceJob(); // cancels and waits for the worker
    CEvidenceJob(const CEvidenceJob &) = delete;
    CEvidenceJob &operator=(const CEvidenceJob &) = delete;

    // Plans now (on the calling thread); false with Error() when the span cannot be exported.
    bool Prepare();
    const EvidencePlan &Plan() const { return m_plan; }

    // The user's choices; only before the export starts.
    void SetChoices(bool overlay, bool location)
    {
        m_request.overlay = overlay;
        m_request.location = location;
    }
    const EvidenceRequest &Request() const { return m_request; }

    // Runs the export on a worker thread (after Prepare), or on the calling thread.
    void Start();
    bool Run();
    void Wait();

    // Stops the export as soon as it can (any thread: the user's Esc, a removed card); the
    // partial folder is removed.
    void cancel() { m_cancel = true; }
    bool Cancelled() const { return m_cancel; }
    bool Done() const { return m_done; }
    // Progress 0 to 1000.
    int Progress() const { return m_progress; }

    // After Done: the folder made, or why none was.
    bool Succeeded() const { return m_succeeded; }
    QString FolderPath() const { return m_folder; }
    QString Error() const { return m_error; }

    // Called on the worker after the video is written, before the folder is put in place
    // (tests cancel there).
    std::function<void()> beforePlacing;

private:
    bool run();
    void setProgress(double share);

    EvidenceRequest m_request;
    EvidencePlan m_plan;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    std::atomic<int> m_progress{0};
    bool m_succeeded = false;
    QString m_folder;
    QString m_error;
};

// The lines of a SHA256SUMS file over every file below `folder` (sub-folders included, the
// sums file itself left out), sorted by path: "<hex>  <relative path>\n". Empty on a read error.
QByteArray Sha256Sums(const QString &folder, bool *ok = nullptr);

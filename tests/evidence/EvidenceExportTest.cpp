#include "EvidenceExport.h"
#include "DlgEvidence.h"
#include "SkinButton.h"
#include "SkinRadioButton.h"
#include "SkinSlider.h"
#include "TestSupport.h"

#ifdef RX9_WITH_DEMOCARD
#include "DemoCard.h"
#endif

#include <QAccessible>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/resource.h>

#include <csignal>
#include <memory>

#ifdef RX9_WITH_DEMOCARD

namespace {

// What a folder holds, file by file, with each file's hash.
QMap<QString, QByteArray> Snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QByteArray hash = "dir";
        if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
            hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        files.insert(QDir(folder).relativeFilePath(path), hash);
    }
    return files;
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A small card: two normal clips of 4 s back to back (and event and parking clips), 320 x 240.
class EvidenceCard : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        DemoCardOptions options;
        options.clipsPerKind = 2;
        options.seconds = 4;
        options.width = 320;
        options.height = 240;
        options.seed = 11;
        plan = PlanDemoCard(options);
        result = WriteDemoCard(folder->filePath("card"), options);
    }
    static void TearDownTestSuite() { folder.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        ASSERT_TRUE(out.isValid());
    }

    static QString Card() { return folder->filePath("card"); }
    static const DemoClip &Normal(int k)
    {
        int seen = 0;
        for (const DemoClip &clip : plan.clips) {
            if (clip.kind == DemoClipKind::Normal && seen++ == k)
                return clip;
        }
        return plan.clips.front();
    }

    // 08:12:08 to 08:12:13 around 08:12:09: the last 3 s of the first normal clip and the first
    // 2 s of the second.
    EvidenceRequest Request(const QString &card) const
    {
        EvidenceRequest request;
        request.cardFolder = card;
        const QDateTime start = Normal(0).start;
        request.anchor = start.addSecs(2);
        request.from = start.addSecs(1);
        request.to = start.addSecs(6);
        request.outputBase = out.filePath("HD-VANTORA");
        request.version = "rx9player test";
        request.video.preset = "ultrafast";
        return request;
    }

    static std::unique_ptr<QTemporaryDir> folder;
    static DemoCardPlan plan;
    static DemoCardResult result;
    QTemporaryDir out;
};
std::unique_ptr<QTemporaryDir> EvidenceCard::folder;
DemoCardPlan EvidenceCard::plan;
DemoCardResult EvidenceCard::result;

} // namespace

TEST_F(EvidenceCard, ExportsTheSpanAcrossTwoClipsWithEverythingChecksummed)
{
    const QMap<QString, QByteArray> cardBefore = Snapshot(Card());
    CEvidenceJob job(Request(Card()));
    ASSERT_TRUE(job.Prepare()) << job.Error().toStdString();
    ASSERT_EQ(job.Plan().span.pieces.size(), 2u);
    job.Start();
    job.Wait();
    ASSERT_TRUE(job.Succeeded()) << job.Error().toStdString();
    EXPECT_EQ(job.Progress(), 1000);
    const QString made = job.FolderPath();
    EXPECT_EQ(QFileInfo(made).fileName(),
              "Evidence " + Normal(0).start.addSecs(1).toString("yyyyMMdd_HHmmss"));
    // Nothing else is left in the output folder (no temporary folder).
    EXPECT_EQ(QDir(out.filePath("HD-VANTORA"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              1);

    // The video, read back.
    AVFormatContext *context = nullptr;
    ASSERT_GE(avformat_open_input(&context, QFile::encodeName(made + "/evidence.mp4").constData(),
                                  nullptr, nullptr),
              0);
    ASSERT_GE(avformat_find_stream_info(context, nullptr), 0);
    const int v = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    ASSERT_GE(v, 0);
    const AVStream *video = context->streams[v];
    EXPECT_EQ(video->codecpar->codec_id, AV_CODEC_ID_H264);
    EXPECT_EQ(video->codecpar->width, 320);
    EXPECT_EQ(video->codecpar->height, 240);
    EXPECT_EQ(video->nb_frames, 150); // 5 s at 30 frames a second
    EXPECT_NEAR(double(video->duration) * av_q2d(video->time_base), 5.0, 1.0 / 30);
    const int a = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    ASSERT_GE(a, 0);
    EXPECT_EQ(context->streams[a]->codecpar->codec_id, AV_CODEC_ID_AAC);
    avformat_close_input(&context);
    // The index is at the front: "moov" before "mdat".
    const QByteArray mp4 = Bytes(made + "/evidence.mp4");
    ASSERT_GE(mp4.indexOf("mdat"), 0);
    EXPECT_LT(mp4.indexOf("moov"), mp4.indexOf("mdat"));

    // The originals, byte for byte.
    const QStringList originals = QDir(made + "/original").entryList(QDir::Files, QDir::Name);
    const QStringList expected{Normal(0).fileName(), Normal(0).dataFileName(), Normal(1).fileName(),
                               Normal(1).dataFileName()};
    EXPECT_EQ(originals, expected);
    for (const QString &name : originals)
        EXPECT_EQ(Bytes(made + "/original/" + name), Bytes(Card() + "/" + name))
            << name.toStdString();

    // The route: one point per second with a fix, at that second's position.
    QStringList wanted;
    for (const EvidenceSecond &s : job.Plan().Seconds()) {
        if (s.hasData && s.gps.fix)
            wanted << QString::number(s.gps.latitude, 'f', 6) + "," +
                          QString::number(s.gps.longitude, 'f', 6);
    }
    EXPECT_FALSE(wanted.isEmpty());
    QStringList points;
    const QRegularExpression trkpt("<trkpt lat=\"([-0-9.]+)\" lon=\"([-0-9.]+)\"");
    for (const auto &m : trkpt.globalMatch(QString::fromUtf8(Bytes(made + "/route.gpx"))))
        points << m.captured(1) + "," + m.captured(2);
    EXPECT_EQ(points, wanted);

    EXPECT_TRUE(Bytes(made + "/report.html").contains(Normal(1).fileName().toUtf8()));

    // The sums, checked by the system's own tool.
    const QByteArray sums = Bytes(made + "/SHA256SUMS");
    EXPECT_EQ(sums.count('\n'), 4 + 3);
    const QString tool = QStandardPaths::findExecutable("sha256sum");
    if (!tool.isEmpty()) {
        QProcess check;
        check.setWorkingDirectory(made);
        check.start(tool, {"-c", "--strict", "SHA256SUMS"});
        ASSERT_TRUE(check.waitForFinished(60000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    }
    EXPECT_EQ(Snapshot(Card()), cardBefore);

    // A second export of the same span never replaces the first.
    CEvidenceJob again(Request(Card()));
    ASSERT_TRUE(again.Prepare());
    ASSERT_TRUE(again.Run()) << again.Error().toStdString();
    EXPECT_EQ(again.FolderPath(), made + " (2)");
    EXPECT_EQ(Bytes(made + "/SHA256SUMS"), sums);
}

TEST_F(EvidenceCard, CancelLeavesNoFolder)
{
    CEvidenceJob job(Request(Card()));
    ASSERT_TRUE(job.Prepare());
    job.beforePlacing = [&job] { job.cancel(); };
    EXPECT_FALSE(job.Run());
    EXPECT_TRUE(job.Done());
    EXPECT_FALSE(job.Error().isEmpty());
    EXPECT_TRUE(QDir(out.filePath("HD-VANTORA"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// The video alone, stopped half-way by the user and by a disk that fills up: reading and
// encoding both stop (a side left waiting would never return) and the reason is told.
TEST_F(EvidenceCard, VideoStopsHalfWayOnCancelAndOnAFullDisk)
{
    CEvidenceJob job(Request(Card()));
    ASSERT_TRUE(job.Prepare());
    const EvidencePlan &plan = job.Plan();
    std::vector<EvidenceVideoPiece> pieces;
    int offset = 0;
    for (const EvidencePiece &piece : plan.span.pieces) {
        pieces.push_back({Card() + "/" + plan.clips[size_t(piece.clip)].clip.fileName, piece.from,
                          piece.to, offset});
        offset += int(piece.Seconds());
    }
    std::vector<OverlayText> texts;
    for (const EvidenceSecond &second : plan.Seconds())
        texts.push_back(OverlayForSecond(second, true, true));
    EvidenceVideoOptions options;
    options.preset = "ultrafast";

    std::atomic<bool> cancel{false};
    double reached = 0;
    const EvidenceVideoResult cancelled = WriteEvidenceVideo(
        pieces, texts, out.filePath("cancelled.mp4"), options, cancel, [&](double share) {
            reached = share;
            cancel = cancel || share >= 0.1;
        });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_LT(reached, 0.5);

    // Files may grow to 16 kB only: the writes fail while pictures are still being read.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    limit.rlim_cur = 16 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    cancel = false;
    reached = 0;
    const EvidenceVideoResult full = WriteEvidenceVideo(
        pieces, texts, out.filePath("full.mp4"), options, cancel, [&](double s) { reached = s; });
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(full.ok);
    EXPECT_FALSE(full.cancelled);
    EXPECT_TRUE(full.error.contains("evidence.mp4 cannot be written")) << full.error.toStdString();
    EXPECT_LT(reached, 1.0);
}

TEST_F(EvidenceCard, UnwritableDestinationAndBrokenClipsFailWithoutLeavingAnything)
{
    // A destination below a file cannot be made, whoever runs the test.
    QFile blocker(out.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EvidenceRequest request = Request(Card());
    request.outputBase = out.filePath("file/HD-VANTORA");
    CEvidenceJob blocked(request);
    ASSERT_TRUE(blocked.Prepare());
    EXPECT_FALSE(blocked.Run());
    EXPECT_TRUE(blocked.Error().contains("cannot be made")) << blocked.Error().toStdString();
    if (geteuid() != 0) {
        // A read-only folder (root may write anyway).
        QDir().mkpath(out.filePath("ro"));
        QFile::setPermissions(out.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        request.outputBase = out.filePath("ro");
        CEvidenceJob readOnly(request);
        ASSERT_TRUE(readOnly.Prepare());
        EXPECT_FALSE(readOnly.Run());
        EXPECT_TRUE(QDir(out.filePath("ro"))
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
        QFile::setPermissions(out.filePath("ro"), QFileDevice::WriteOwner | QFileDevice::ReadOwner |
                                                      QFileDevice::ExeOwner);
    }

    // The second clip cut short in its middle: the export stops there and says where.
    QTemporaryDir copy;
    ASSERT_TRUE(copy.isValid());
    for (const QString &name : QDir(Card()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(Card() + "/" + name, copy.filePath(name)));
    const QString second = copy.filePath(Normal(1).fileName());
    ASSERT_TRUE(QFile::resize(second, QFileInfo(second).size() / 5));
    const QMap<QString, QByteArray> before = Snapshot(copy.path());
    CEvidenceJob broken(Request(copy.path()));
    ASSERT_TRUE(broken.Prepare()) << broken.Error().toStdString();
    EXPECT_FALSE(broken.Run());
    EXPECT_TRUE(broken.Error().contains(Normal(1).fileName())) << broken.Error().toStdString();
    EXPECT_TRUE(QDir(out.filePath("HD-VANTORA"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    EXPECT_EQ(Snapshot(copy.path()), before);

    // The card pulled out after the span was planned: its files are gone.
    const QString pulled = copy.filePath("pulled");
    ASSERT_TRUE(QDir().mkpath(pulled));
    for (const QString &name : QDir(Card()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(Card() + "/" + name, pulled + "/" + name));
    CEvidenceJob gone(Request(pulled));
    ASSERT_TRUE(gone.Prepare());
    ASSERT_TRUE(QDir(pulled).removeRecursively());
    EXPECT_FALSE(gone.Run());
    EXPECT_TRUE(gone.Error().contains(Normal(0).fileName())) << gone.Error().toStdString();
    EXPECT_TRUE(QDir(out.filePath("HD-VANTORA"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());

    // Without drive data the clip still exports; its seconds show dashes.
    ASSERT_TRUE(QFile::copy(Card() + "/" + Normal(1).fileName(), second + ".x"));
    QFile::remove(second);
    QFile::rename(second + ".x", second);
    QFile::remove(copy.filePath(Normal(1).dataFileName()));
    CEvidenceJob noData(Request(copy.path()));
    ASSERT_TRUE(noData.Prepare()) << noData.Error().toStdString();
    const std::vector<EvidenceSecond> seconds = noData.Plan().Seconds();
    ASSERT_EQ(seconds.size(), 5u);
    EXPECT_EQ(OverlayForSecond(seconds[4], true, true).speed, "-- km/h");
    EXPECT_TRUE(noData.Run()) << noData.Error().toStdString();
    EXPECT_FALSE(QFileInfo::exists(noData.FolderPath() + "/original/" + Normal(1).dataFileName()));
}

TEST_F(EvidenceCard, AMomentWithoutRecordingIsRefused)
{
    EvidenceRequest request = Request(Card());
    request.anchor = request.anchor.addDays(-1);
    request.from = request.anchor.addSecs(-30);
    request.to = request.anchor.addSecs(30);
    CEvidenceJob job(request);
    EXPECT_FALSE(job.Prepare());
    EXPECT_FALSE(job.Run());
    EXPECT_TRUE(job.Error().contains("No recording")) << job.Error().toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath("HD-VANTORA")));
}

TEST_F(EvidenceCard, DialogExportsWithTheChoicesMade)
{
    auto job = std::make_unique<CEvidenceJob>(Request(Card()));
    ASSERT_TRUE(job->Prepare());
    CDlgEvidence dialog(std::move(job));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // The two choices are check boxes to assistive technology, and every control has a name.
    for (QWidget *check : {(QWidget *)dialog.OverlayCheck(), (QWidget *)dialog.LocationCheck()}) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(check);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::CheckBox);
        EXPECT_TRUE(iface->state().checked);
    }
    EXPECT_EQ(dialog.OverlayCheck()->accessibleName(), "Speed and position on the picture");
    EXPECT_EQ(dialog.LocationCheck()->accessibleName(), "Include location");
    EXPECT_EQ(dialog.ExportButton()->accessibleName(), "Export");
    EXPECT_TRUE(dialog.Overlay());
    EXPECT_TRUE(dialog.Location());
    EXPECT_FALSE(dialog.Progress()->isVisible());

    QTest::mouseClick(dialog.LocationCheck(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !dialog.Location(); }));
    EXPECT_TRUE(dialog.Overlay());
    QTest::mouseClick(dialog.ExportButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(120)));
    EXPECT_EQ(finished.first().first().toInt(), 1) << dialog.Job().Error().toStdString();
    const QString made = dialog.Job().FolderPath();
    EXPECT_TRUE(QFileInfo::exists(made + "/evidence.mp4"));
    // Without location: no route, no coordinates in the report.
    EXPECT_FALSE(QFileInfo::exists(made + "/route.gpx"));
    const QByteArray report = Bytes(made + "/report.html");
    EXPECT_FALSE(report.contains("class=\"route\""));
    EXPECT_FALSE(report.contains(" N  "));
}

TEST_F(EvidenceCard, EscDuringTheExportCancelsItAndRemovesTheFolder)
{
    auto job = std::make_unique<CEvidenceJob>(Request(Card()));
    ASSERT_TRUE(job->Prepare());
    CEvidenceJob *held = job.get();
    // The worker waits before putting the folder in place until Esc has been pressed.
    held->beforePlacing = [held] {
        for (int i = 0; i < 600 && !held->Cancelled(); ++i)
            QThread::msleep(100);
    };
    CDlgEvidence dialog(std::move(job));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.StartExport();
    EXPECT_TRUE(dialog.Progress()->isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(120)));
    EXPECT_EQ(finished.first().first().toInt(), 2);
    EXPECT_TRUE(dialog.Job().Cancelled());
    EXPECT_TRUE(QDir(out.filePath("HD-VANTORA"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

#endif

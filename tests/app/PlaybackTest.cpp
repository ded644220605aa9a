// The main window playing real clips of a small demo card through the real engine: the start
// sequence, opening and following rows, the title, wrong files, and the read-outs that follow
// the play time (speed, GPS, map, graph).

#include "DataParser.h"
#include "HtmlMap.h"
#include "NotificationCodes.h"
#include "PlayerTestSupport.h"
#include "PlayerTrip.h"
#include "SkinButton.h"
#include "SkinRadioButton.h"
#include "TestSupport.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vlc/vlc.h>

namespace {

constexpr auto kLong = std::chrono::seconds(60);

class PlaybackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedDemoCard().ok()) << SharedDemoCard().error.toStdString();
    }
};

} // namespace

TEST_F(PlaybackTest, StartSequencePlaysTheFirstRowOfTheCard)
{
    CClipFolder card({0, 1, 2}, true);
    ASSERT_TRUE(card.ok());
    qputenv("RX9_EXTRA_DRIVES", card.Path().toLocal8Bit());
    CTestPlayer p;
    bool playedBeforeNotice = false;
    p.showMessage = [&](int id, const QString &text) {
        p.messages.append({id, text});
        playedBeforeNotice = p.IsClipOpen();
    };
    p.RunStartSequence();
    qunsetenv("RX9_EXTRA_DRIVES");

    // The card notice from its settings file, before anything plays.
    ASSERT_EQ(p.MessageIds(), QList<int>{210});
    EXPECT_TRUE(p.messages[0].text.startsWith(QStringLiteral("FW Version :1.12\n")))
        << p.messages[0].text.toStdString();
    EXPECT_TRUE(p.messages[0].text.endsWith(QStringLiteral("Deletion by Time Order")));
    EXPECT_FALSE(playedBeforeNotice);

    EXPECT_EQ(p.Catalogue().FolderPath(), card.Path());
    EXPECT_EQ(p.RecordingList()->RowCount(), 3);
    EXPECT_TRUE(p.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(p.IsMaximisedFlag());
    ASSERT_TRUE(p.WaitForTime()) << "no time notification from the first clip";
    EXPECT_EQ(p.CaptionText(), card.Stem(0) + QStringLiteral("(1/3)"));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 0);
    EXPECT_TRUE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPause)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPlay)->isHidden());
    // The clip-ready step read the length: four seconds.
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().ClipLength() > 0; }, kLong));
    EXPECT_EQ(p.LengthText(), QStringLiteral("00:04"));
    EXPECT_TRUE(p.SensorGraph()->IsLoaded());
    EXPECT_EQ(p.SensorGraph()->Duration(), int(p.Playback().ClipLength()));
}

TEST_F(PlaybackTest, ClipsFollowEachOtherAndTheLastStopsThePlayer)
{
    CClipFolder folder({0, 3});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    EXPECT_EQ(p.CaptionText(), folder.Stem(0) + QStringLiteral("(1/2)"));

    // The end of the first clip opens the second.
    ASSERT_TRUE(WaitUntil(
        [&] { return p.CaptionText() == folder.Stem(1) + QStringLiteral("(2/2)"); }, kLong));
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1);
    ASSERT_TRUE(p.WaitForTime(1000));
    EXPECT_NE(p.PositionText(), QStringLiteral("00:00"));

    // The end of the last clip stops: title empty, read-outs at zero, PLAY shown.
    ASSERT_TRUE(WaitUntil([&] { return !p.Playback().IsPlaying(); }, kLong));
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_EQ(p.CaptionText(), QString());
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.LengthText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.State().speedText, QStringLiteral("0"));
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());
    EXPECT_EQ(p.RecordingList()->RowCount(), 2) << "the list keeps its rows";
    EXPECT_FALSE(p.SensorGraph()->IsClipOpen());
    EXPECT_TRUE(p.messages.isEmpty());

    // NEXT past the end opens nothing and says nothing.
    p.Press(ids::kNext);
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_TRUE(p.messages.isEmpty());

    // PLAY, then Space once it has ended again, open the last clip again from its start.
    p.Press(ids::kPlay);
    EXPECT_EQ(p.CaptionText(), folder.Stem(1) + QStringLiteral("(2/2)"));
    EXPECT_TRUE(p.IsClipOpen());
    EXPECT_TRUE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPause)->isHidden());
    ASSERT_TRUE(p.WaitForTime());
    ASSERT_TRUE(WaitUntil([&] { return !p.IsClipOpen(); }, kLong));
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    QTest::keyClick(&p, Qt::Key_Space);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1);
    EXPECT_TRUE(p.IsClipOpen());
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST_F(PlaybackTest, AFileThatIsNotAviShowsMessage302AndNextGoesOn)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    // Sorts between the two clips.
    const QString middle = QStringLiteral("rec_") + folder.Stem(0) + QStringLiteral("b.avi");
    folder.AddNotAvi(middle);
    ASSERT_EQ(folder.FileName(1), middle);

    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Press(ids::kNext);
    EXPECT_EQ(p.MessageIds(), QList<int>{302});
    EXPECT_EQ(p.messages.value(0).text, QStringLiteral("Wrong Video File Type to play."));
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_EQ(p.CaptionText(), QString());
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1);
    // Nothing plays, and the window does not pretend otherwise.
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());

    p.Press(ids::kNext);
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_EQ(p.CaptionText(), folder.Stem(2) + QStringLiteral("(3/3)"));
    EXPECT_EQ(p.MessageIds(), QList<int>{302});
}

TEST_F(PlaybackTest, AnEndStillQueuedWhenAnotherRowOpensDoesNotSkipIt)
{
    CClipFolder folder({0, 1, 2});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Engine().GetLength() > 0; }, kLong));

    // The first clip runs to its end while the window handles nothing: its end report waits in
    // the queue when the user opens the second row.
    ASSERT_TRUE(p.Playback().Engine().SeekTo(p.Playback().Engine().GetLength() - 300));
    const auto ended = [&] {
        return libvlc_media_player_get_state(p.Playback().Engine().Player()) == libvlc_Ended;
    };
    for (int i = 0; i < 600 && !ended(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(ended());
    // The engine reports the end right after it has set its state.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    p.OpenRecordingAt(1);
    ASSERT_EQ(p.Catalogue().CurrentIndex(), 1);

    ASSERT_TRUE(p.WaitForTime(1000));
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1) << "the end of the clip before skipped this one";
    EXPECT_EQ(p.CaptionText(), folder.Stem(1) + QStringLiteral("(2/3)"));
}

TEST_F(PlaybackTest, RowsOpenByDoubleClickEnterAndPageKeys)
{
    CClipFolder folder({0, 1, 2, 4});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));

    p.Post(9, 2); // the list's double-click
    EXPECT_EQ(p.CaptionText(), folder.Stem(2) + QStringLiteral("(3/4)"));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 2);

    QTest::keyClick(p.RecordingList(), Qt::Key_PageUp);
    EXPECT_EQ(p.CaptionText(), folder.Stem(1) + QStringLiteral("(2/4)"));
    QTest::keyClick(p.RecordingList(), Qt::Key_PageDown);
    QTest::keyClick(p.RecordingList(), Qt::Key_PageDown);
    EXPECT_EQ(p.CaptionText(), folder.Stem(3) + QStringLiteral("(4/4)"));

    // Up and Down move the selection only; Enter opens it.
    QTest::keyClick(p.RecordingList(), Qt::Key_Up);
    QTest::keyClick(p.RecordingList(), Qt::Key_Up);
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 1);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 3);
    QTest::keyClick(p.RecordingList(), Qt::Key_Return);
    EXPECT_EQ(p.CaptionText(), folder.Stem(1) + QStringLiteral("(2/4)"));
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_TRUE(p.IsClipOpen());
}

TEST_F(PlaybackTest, FilterClicksAndResortsKeepTheCurrentRecording)
{
    // Rows: normal, normal, event (by stem the card's order).
    CClipFolder folder({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    p.Post(9, 3);
    const QString stem = p.Catalogue().CurrentStem();
    ASSERT_EQ(stem, folder.Stem(3));

    // Sorting by name descending: the same recording, now counted from the other end.
    p.RecordingList()->ColumnClicked(1);
    ASSERT_TRUE(
        WaitUntil([&] { return p.CaptionText() == stem + QStringLiteral("(3/6)"); }, kLong));
    EXPECT_EQ(p.RecordingList()->FirstSelectedRow(), 2);

    // A filter click shows one kind and opens its first row.
    p.RecordingList()->ColumnClicked(0);
    QCoreApplication::sendPostedEvents(&p);
    EXPECT_EQ(p.Catalogue().KindFilterValue(), 1);
    EXPECT_EQ(p.RecordingList()->RowCount(), 2);
    EXPECT_EQ(p.RecordingList()->GetCellText(0, 0), QStringLiteral("Event"));
    ASSERT_TRUE(
        WaitUntil([&] { return p.CaptionText().endsWith(QStringLiteral("(1/2)")); }, kLong));
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 0);
    EXPECT_TRUE(p.IsClipOpen());
}

TEST_F(PlaybackTest, SpeedInMilesPerHourAfterTheMileRadio)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(folder.WriteDriveData(0, {true, true, true, true, true}, 100, 127.025, 37.502057));
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.State().speedText == QStringLiteral("100"); }, kLong));
    EXPECT_EQ(p.State().gpsFix, 1);

    QTest::mouseClick(p.Radio(ids::kUnitMile), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 0; }, kLong));
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_EQ(p.State().speedText, QStringLiteral("62"));
}

TEST_F(PlaybackTest, TheMapKeepsTheLastFixWhileThereIsNone)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    // First clip: never a fix. Second: a fix in its first two seconds only.
    ASSERT_TRUE(folder.WriteDriveData(0, {false, false, false, false, false}, 0, 0, 0));
    ASSERT_TRUE(
        folder.WriteDriveData(1, {true, true, false, false, false}, 40, 127.025, 37.502057));
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    EXPECT_EQ(p.MapView()->LastLongitude(), QStringLiteral("-77.036519"));
    EXPECT_EQ(p.MapView()->LastLatitude(), QStringLiteral("38.897596"));
    EXPECT_EQ(p.State().gpsFix, 0);

    p.Press(ids::kNext);
    ASSERT_TRUE(p.WaitForTime());
    const GpsReading fix = p.SensorGraph()->GetGpsAt(0);
    ASSERT_TRUE(fix.fix);
    const QString longitude = QString::asprintf("%lf", fix.longitude);
    const QString latitude = QString::asprintf("%lf", fix.latitude);
    EXPECT_TRUE(longitude.startsWith(QStringLiteral("127.02"))) << longitude.toStdString();
    ASSERT_TRUE(p.WaitForTime(2500));
    EXPECT_EQ(p.State().gpsFix, 0);
    EXPECT_EQ(p.MapView()->LastLongitude(), longitude);
    EXPECT_EQ(p.MapView()->LastLatitude(), latitude);
}

TEST_F(PlaybackTest, AGraphClickSeeksTheClip)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.SensorGraph()->Duration() > 3000; }, kLong));
    p.Press(ids::kPause);
    ASSERT_TRUE(WaitUntil([&] { return !p.Playback().Engine().IsPlaying(); }, kLong));
    CDataParser *graph = p.SensorGraph();
    QTest::mouseClick(graph, Qt::LeftButton, {},
                      QPoint(graph->width() * 3 / 4, graph->height() / 2));
    ASSERT_TRUE(WaitUntil([&] { return p.Playback().Engine().GetTime() >= 2500; }, kLong))
        << p.Playback().Engine().GetTime();
}

TEST_F(PlaybackTest, PausedSeeksAndUnitSwitchesKeepEveryReadoutOnThePicture)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(folder.WriteDriveDataBySecond(0, 5));
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.SensorGraph()->Duration() > 3000; }, kLong));
    p.Press(ids::kPause);
    ASSERT_TRUE(WaitUntil([&] { return !p.Playback().Engine().IsPlaying(); }, kLong));
    ASSERT_TRUE(WaitUntil([&] { return !p.MapView()->Route().isEmpty(); }, kLong));

    // Digits, graph cursor, GPS, map and speed (about 10 km/h more each second) all show the
    // second `s`, and so does the picture.
    const auto kmh = [&](int s) { return p.SensorGraph()->GetGpsAt(s).speedKmh; };
    const auto showsSecond = [&](int s) {
        ASSERT_TRUE(WaitUntil([&] { return p.Playback().Time() / 1000 == s; }, kLong))
            << p.Playback().Time();
        EXPECT_EQ(p.PositionText(), QStringLiteral("00:0%1").arg(s));
        EXPECT_EQ(p.SensorGraph()->Position() / 1000, s);
        EXPECT_EQ(p.State().gpsFix, 1);
        EXPECT_EQ(p.MapView()->LastLongitude(),
                  QString::asprintf("%lf", p.SensorGraph()->GetGpsAt(s).longitude));
        EXPECT_EQ(p.State().speedText, QString::number(kmh(s)));
    };
    CDataParser *graph = p.SensorGraph();
    const int x = int(graph->width() * 1500.0 / graph->Duration());
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(x, graph->height() / 2));
    showsSecond(1);

    // The next shock (at 3 s) is shown from a second before it; a seek past the end (a route
    // click takes the same road) changes nothing.
    ASSERT_EQ(graph->ShockTimesMs().size(), 1);
    p.Trip().JumpToShock(true);
    showsSecond(2);
    p.Post(notify::kSeek, graph->Duration() + 1000);
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:02"));

    // Km/Mile converts the second shown, at once; the map's legend follows.
    QTest::mouseClick(p.Radio(ids::kUnitMile), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 0; }, kLong));
    EXPECT_EQ(p.State().speedText, QString::number(KmhToMph(kmh(2))));
    EXPECT_TRUE(p.MapView()->Route().contains("\"unit\":\"mph\""));
    QTest::mouseClick(p.Radio(ids::kUnitKm), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return p.State().unitKm == 1; }, kLong));
    EXPECT_EQ(p.State().speedText, QString::number(kmh(2)));
    EXPECT_TRUE(p.MapView()->Route().contains("\"unit\":\"km/h\""));
    EXPECT_FALSE(p.Playback().IsPlaying());
}

TEST_F(PlaybackTest, OpeningAClipShowsItsStartAtOnce)
{
    CClipFolder folder({0, 1});
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(folder.WriteDriveDataBySecond(0, 5));
    ASSERT_TRUE(folder.WriteDriveDataBySecond(1, 5));
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    ASSERT_TRUE(WaitUntil([&] { return p.PositionText() == QStringLiteral("00:02"); }, kLong));

    // The next clip, paused as soon as it opens (Space as a clip ends): its start is shown
    // before the engine reports anything, and stays shown.
    p.Press(ids::kNext);
    p.Press(ids::kPause);
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.LengthText(), QStringLiteral("00:00"));
    EXPECT_EQ(p.SensorGraph()->Position(), 0);
    EXPECT_EQ(p.State().speedText, QString::number(p.SensorGraph()->GetGpsAt(0).speedKmh));
    ASSERT_TRUE(WaitUntil([&] { return p.LengthText() == QStringLiteral("00:04"); }, kLong));
    EXPECT_EQ(p.PositionText(), QStringLiteral("00:00"));
}

TEST_F(PlaybackTest, StartingWithoutACardPlaysNothingAndSaysNothing)
{
    QTemporaryDir empty;
    qputenv("RX9_EXTRA_DRIVES", empty.path().toLocal8Bit());
    CTestPlayer p;
    p.RunStartSequence();
    qunsetenv("RX9_EXTRA_DRIVES");
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.messages.isEmpty());
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
    EXPECT_FALSE(p.IsClipOpen());
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_EQ(p.CaptionText(), QString());
    EXPECT_TRUE(p.windowState() & Qt::WindowMaximized);
    // The controls need a clip: nothing happens and nothing breaks.
    for (int id : {ids::kPlay, ids::kPrev, ids::kNext, ids::kForward, ids::kRotate})
        p.Press(id);
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_EQ(p.Playback().Rotation().PendingPresses(), 1) << "a press without a clip is counted";

    // FOLDER cancelled loads nothing.
    QString offered = QStringLiteral("none");
    p.chooseFolder = [&](const QString &initial) {
        offered = initial;
        return std::optional<QString>();
    };
    p.Press(ids::kFolder);
    EXPECT_EQ(offered, QString());
    EXPECT_EQ(p.RecordingList()->RowCount(), 0);
}

TEST_F(PlaybackTest, AClipTheEngineCannotOpenShowsAsAFailure)
{
    CClipFolder folder({0});
    ASSERT_TRUE(folder.ok());
    // An option the engine does not know keeps it from starting: no clip can be opened.
    qputenv("RX9_ENGINE_ARGS", "--rx9-no-such-option");
    CTestPlayer p;
    qunsetenv("RX9_ENGINE_ARGS");
    ASSERT_FALSE(p.Playback().Engine().IsReady());
    p.chooseFolder = [&](const QString &) { return std::optional<QString>(folder.Path()); };
    p.Press(ids::kFolder);
    EXPECT_EQ(p.MessageIds(), QList<int>{302});
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());
    EXPECT_EQ(p.CaptionText(), QString());
}

TEST_F(PlaybackTest, AClipThatFailsToOpenStopsTheClipBefore)
{
    CClipFolder folder({0, 1, 2});
    ASSERT_TRUE(folder.ok());
    CTestPlayer p;
    ASSERT_TRUE(p.LoadAndPlay(folder.Path()));
    // After the list was made, the second recording becomes a name whose head reads as an AVI
    // clip but which is no file the engine can open: a link to a pipe holding a clip's head.
    const QString second = folder.Path() + folder.FileName(1);
    QFile clip(second);
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    const QByteArray head = clip.read(4096);
    clip.close();
    int ends[2] = {-1, -1};
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], head.constData(), size_t(head.size())), head.size());
    close(ends[1]);
    ASSERT_TRUE(QFile::remove(second));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/fd/%1").arg(ends[0]), second));

    p.Press(ids::kNext);
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 1);
    EXPECT_EQ(p.MessageIds(), QList<int>{302});
    EXPECT_FALSE(p.Playback().IsPlaying());
    EXPECT_FALSE(p.Button(ids::kPlay)->isHidden());
    EXPECT_TRUE(p.Button(ids::kPause)->isHidden());
    EXPECT_EQ(libvlc_media_player_is_playing(p.Playback().Engine().Player()), 0)
        << "the clip before goes on playing unseen";

    // NEXT goes on from the failed row.
    p.times.clear();
    p.Press(ids::kNext);
    ASSERT_TRUE(p.WaitForTime());
    EXPECT_EQ(p.Catalogue().CurrentIndex(), 2);
    EXPECT_TRUE(p.Playback().IsPlaying());
    close(ends[0]);
}

namespace {

QByteArray RandomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST_F(PlaybackTest, AHostileCardIsPlayedThroughWithoutAPlayingLookOnFailures)
{
    // Rows in order: a clip cut short, a clip without its index, a RIFF AVI header followed by
    // noise, random bytes, an empty file, and a sound clip last. Beside them drive data of
    // 20 MB and of random bytes.
    CClipFolder folder({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(folder.ok());
    const QString dir = folder.Path();
    QFile good(dir + folder.FileName(0));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray clip = good.readAll();
    good.close();
    const qsizetype index = clip.lastIndexOf("idx1");
    ASSERT_GT(index, 0);
    QByteArray fake = clip.left(64);
    fake += RandomBytes(200'000, 2);
    ASSERT_TRUE(WriteBytes(dir + folder.FileName(0), clip.left(clip.size() / 3)));
    ASSERT_TRUE(WriteBytes(dir + folder.FileName(1), clip.left(index)));
    ASSERT_TRUE(WriteBytes(dir + folder.FileName(2), fake));
    ASSERT_TRUE(WriteBytes(dir + folder.FileName(3), RandomBytes(100'000, 3)));
    ASSERT_TRUE(WriteBytes(dir + folder.FileName(4), QByteArray()));
    QString data0 = dir + folder.FileName(0);
    data0.replace(data0.size() - 4, 4, QStringLiteral(".dat"));
    QString data1 = dir + folder.FileName(1);
    data1.replace(data1.size() - 4, 4, QStringLiteral(".dat"));
    ASSERT_TRUE(WriteBytes(data0, RandomBytes(20 << 20, 4)));
    ASSERT_TRUE(WriteBytes(data1, RandomBytes(5'000, 5)));

    CTestPlayer p;
    bool lied = false;
    const auto playingLookWithoutClip = [&] {
        lied = lied || (p.Playback().IsPlaying() && !p.IsClipOpen()) ||
               (p.Button(ids::kPause)->isVisible() && !p.IsClipOpen());
    };
    p.chooseFolder = [&](const QString &) { return std::optional<QString>(dir); };
    p.times.clear();
    p.Press(ids::kFolder);
    const int last = 5;
    // A failed row waits for NEXT; a clip the engine takes plays on (or ends) by itself.
    for (int guard = 0; guard < 20; ++guard) {
        if (p.Catalogue().CurrentIndex() == last)
            break;
        playingLookWithoutClip();
        if (!p.Playback().IsPlaying()) {
            p.Press(ids::kNext);
            continue;
        }
        const int row = p.Catalogue().CurrentIndex();
        ASSERT_TRUE(WaitUntil(
            [&] {
                playingLookWithoutClip();
                return p.Catalogue().CurrentIndex() != row || !p.Playback().IsPlaying();
            },
            kLong));
    }
    ASSERT_EQ(p.Catalogue().CurrentIndex(), last);
    p.times.clear();
    ASSERT_TRUE(p.WaitForTime()) << "the good clip after them plays";
    EXPECT_FALSE(lied) << "PAUSE was shown while no clip was open";
    EXPECT_TRUE(p.MessageIds().contains(302));
}

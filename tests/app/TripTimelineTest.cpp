// The trip timeline and the clip prepared to follow, in the main window on the demo card.

#include "PlayerTestSupport.h"
#include "TestSupport.h"

#include "DataParser.h"
#include "NotificationCodes.h"
#include "PlayerNextClip.h"
#include "PlayerPreferences.h"
#include "PlayerTimeline.h"
#include "PlayerTrip.h"
#include "TripBar.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// The player with the seeks that reach it recorded, and its own settings file.
class CTimelinePlayer : public CTestPlayer
{
public:
    QList<QPair<QString, qint64>> seeks; // recording, ms

    QString CurrentFile() const
    {
        return RecordingList()->RowFileName(
            const_cast<CTimelinePlayer *>(this)->Catalogue().CurrentIndex());
    }
    CPlayerTimeline &Timeline() { return Trip().Timeline(); }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == CUserMessage::EventType() &&
            static_cast<CUserMessage *>(e)->Code() == notify::kSeek)
            seeks << qMakePair(CurrentFile(), static_cast<CUserMessage *>(e)->Value());
        return CTestPlayer::event(e);
    }
};

// The settings file of the test's players.
class CSettingsFile
{
public:
    CSettingsFile() { qputenv("RX9_PLAYER_SETTINGS", QFile::encodeName(Path())); }
    ~CSettingsFile() { qputenv("RX9_PLAYER_SETTINGS", m_before); }
    QString Path() const { return m_dir.filePath(QStringLiteral("conf/player.ini")); }

private:
    QByteArray m_before = qgetenv("RX9_PLAYER_SETTINGS");
    QTemporaryDir m_dir;
};

QString Digits(qint64 ms)
{
    return QStringLiteral("%1:%2")
        .arg(ms / 60000, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TEST(PlayerTripTimeline, SpansTheTripSeeksAcrossRecordingsAndIsRemembered)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CSettingsFile settings;
    {
        CTimelinePlayer player;
        ASSERT_FALSE(player.Timeline().IsOn()) << "off unless asked for";
        ASSERT_TRUE(player.LoadAndPlay(card.folder));
        ASSERT_TRUE(WaitUntil([&] { return player.Timeline().Timeline().ClipCount() == 4; }));
        EXPECT_FALSE(player.Timeline().Bar()->isVisible());
        EXPECT_EQ(player.CaptionText(), player.Catalogue().TitleText());

        player.OnCommand(CPlayerTimeline::kTripTimelineCommand);
        ASSERT_TRUE(player.Timeline().IsShowing());
        EXPECT_TRUE(CPlayerPreferences(settings.Path()).TripTimeline());
        const CTripTimeline &timeline = player.Timeline().Timeline();
        CTripBar *bar = player.Timeline().Bar();
        EXPECT_TRUE(bar->isVisible());
        EXPECT_GT(bar->width(), 200);
        // Under the sensor graph, covering nothing else.
        const MainLayout &layout = player.CurrentLayout();
        EXPECT_GT(bar->geometry().top(), player.SensorGraph()->geometry().bottom());
        for (const QRect &other : {layout.timeReadout, layout.volume, layout.graph})
            EXPECT_FALSE(bar->geometry().intersects(other)) << other.x() << "," << other.y();
        for (const auto &[id, rect] : layout.buttons)
            EXPECT_FALSE(bar->geometry().intersects(rect)) << id;
        EXPECT_EQ(bar->LengthMs(), timeline.LengthMs());
        EXPECT_GT(timeline.LengthMs(), 8000) << "more than one 4 s recording";
        EXPECT_EQ(player.LengthText(), Digits(timeline.LengthMs()));
        const int index = timeline.IndexOf(player.CurrentFile());
        EXPECT_EQ(player.CaptionText(),
                  TripTitleText(player.Catalogue().TitleText(), index + 1, 4));
        // The drive's shocks, from every recording of it.
        EXPECT_FALSE(bar->Shocks().empty());
        EXPECT_EQ(bar->Shocks(), timeline.ShockPositions());
        // The read-out follows the trip's time.
        ASSERT_TRUE(player.WaitForTime(500));
        EXPECT_EQ(player.PositionText(),
                  Digits(*timeline.TripPosition(player.CurrentFile(), player.times.last())));

        // A click near the end opens the recording there and seeks to its second.
        struct Shown
        {
            QString file;
            qint64 ms, bar;
        };
        std::vector<Shown> shown;
        QObject::connect(&player.Playback(), &CPlaybackController::TimeChanged, &player,
                         [&](qint64 ms) {
                             shown.push_back({player.CurrentFile(), ms, bar->Position()});
                         });
        player.seeks.clear();
        const QPoint nearEnd(bar->width() - 3, bar->height() / 2);
        const auto target = timeline.TargetAt(bar->MsAt(nearEnd.x()), player.CurrentFile());
        ASSERT_TRUE(target);
        ASSERT_NE(target->fileName, player.CurrentFile());
        QTest::mouseClick(bar, Qt::LeftButton, {}, nearEnd);
        EXPECT_EQ(player.CurrentFile(), target->fileName);
        // At once the read-out is on the trip's time of the recording opened (its start, or the
        // second sought when the engine could seek at once), never the recording's own.
        const QString atOnce = player.PositionText();
        EXPECT_TRUE(atOnce == Digits(*timeline.TripPosition(target->fileName, 0)) ||
                    atOnce == Digits(*timeline.TripPosition(target->fileName, target->ms)))
            << atOnce.toStdString();
        ASSERT_TRUE(WaitUntil([&] { return !player.seeks.isEmpty(); }));
        EXPECT_EQ(player.seeks.first().first, target->fileName);
        EXPECT_EQ(player.seeks.first().second, target->ms);
        EXPECT_GT(target->ms, 2000);
        // The bar follows the trip's time in the recording opened (each time report as it came,
        // until that recording has played to its end).
        ASSERT_TRUE(WaitUntil([&] {
            return player.CurrentFile() != target->fileName ||
                   std::any_of(shown.begin(), shown.end(), [&](const Shown &at) {
                       return at.file == target->fileName && at.ms >= target->ms - 200;
                   });
        }));
        for (const Shown &at : shown) {
            if (at.file == target->fileName) {
                EXPECT_EQ(at.bar, *player.Timeline().Timeline().TripPosition(at.file, at.ms));
            }
        }
    }
    {
        // Remembered; off again, everything shows the recording alone.
        CTimelinePlayer player;
        EXPECT_TRUE(player.Timeline().IsOn());
        ASSERT_TRUE(player.LoadAndPlay(card.folder));
        ASSERT_TRUE(WaitUntil([&] { return player.Timeline().IsShowing(); }));
        player.OnCommand(CPlayerTimeline::kTripTimelineCommand);
        EXPECT_FALSE(player.Timeline().IsShowing());
        EXPECT_FALSE(player.Timeline().Bar()->isVisible());
        EXPECT_EQ(player.CaptionText(), player.Catalogue().TitleText());
        ASSERT_TRUE(player.WaitForTime(200));
        EXPECT_EQ(player.LengthText(), Digits(player.Playback().ClipLength()));
        EXPECT_FALSE(CPlayerPreferences(settings.Path()).TripTimeline());
    }
}

TEST(PlayerNextClip, TheNextRowIsPreparedAndDroppedWhenThePlayerGoesElsewhere)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTimelinePlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    CPlaybackController &playback = player.Playback();
    const auto nextPath = [&] {
        return player.Catalogue().ClipPathAt(player.Catalogue().CurrentIndex() + 1);
    };
    ASSERT_TRUE(WaitUntil([&] { return playback.IsNextReady(); }));
    EXPECT_EQ(playback.PreparedPath(), nextPath());

    // NEXT opens the prepared clip in its engine; the row after it is prepared next.
    const CVlcPlayer *prepared = playback.PreparedEngine();
    player.Press(1006);
    EXPECT_EQ(&playback.Engine(), prepared);
    EXPECT_EQ(player.Catalogue().CurrentIndex(), 1);
    ASSERT_TRUE(WaitUntil([&] { return playback.IsNextReady(); }));
    EXPECT_EQ(playback.PreparedPath(), nextPath());

    // PREV opens another clip the usual way and drops the prepared one.
    ASSERT_TRUE(player.WaitForTime());
    player.Press(1001);
    EXPECT_EQ(player.Catalogue().CurrentIndex(), 0);
    EXPECT_TRUE(playback.PreparedPath().isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return playback.IsNextReady(); }));
    EXPECT_EQ(playback.PreparedPath(), nextPath());

    // A double-click on a row further down: the same.
    player.Post(notify::kRowDoubleClicked, 3);
    EXPECT_EQ(player.Catalogue().CurrentIndex(), 3);
    EXPECT_TRUE(playback.PreparedPath().isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return playback.PreparedPath() == nextPath(); }));

    // Sorted the other way round: the row after the current one in the new order.
    player.RecordingList()->SortByColumn(1, true);
    ASSERT_TRUE(
        WaitUntil([&] { return playback.IsNextReady() && playback.PreparedPath() == nextPath(); }));

    // The last row: nothing follows it.
    const int last = player.RecordingList()->RowCount() - 1;
    player.Post(notify::kRowDoubleClicked, last);
    ASSERT_TRUE(player.WaitForTime());
    EXPECT_TRUE(CPlayerNextClip(&player).WantedPath().isEmpty());
    EXPECT_TRUE(playback.PreparedPath().isEmpty());

    // Filtered to events: the next event row.
    player.Post(notify::kFilterHeader, 0);
    ASSERT_TRUE(player.WaitForTime());
    ASSERT_TRUE(
        WaitUntil([&] { return playback.IsNextReady() && playback.PreparedPath() == nextPath(); }));
    EXPECT_TRUE(QFileInfo(playback.PreparedPath()).fileName().startsWith(QLatin1String("evt_")));
}

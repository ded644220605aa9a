#include "PlayerTestSupport.h"
#include "TestSupport.h"

#include "GpxWriter.h"
#include "HtmlMap.h"
#include "NotificationCodes.h"
#include "PlayerTrip.h"
#include "VlcPlayer.h"
#include "XListCtrl.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// The player with its seeks and openings recorded, as they go through.
class CTripPlayer : public CTestPlayer
{
public:
    struct Seek
    {
        qint64 ms;
        QString file;
        qint64 length; // the engine's clip length when the seek came
    };
    QList<Seek> seeks;
    int opens = 0;

    QString CurrentFile() const
    {
        return RecordingList()->RowFileName(
            const_cast<CTripPlayer *>(this)->Catalogue().CurrentIndex());
    }
    void OpenRecordingAt(int row) override
    {
        ++opens;
        CTestPlayer::OpenRecordingAt(row);
    }

protected:
    // The seeks arrive as the graph's notifications.
    bool event(QEvent *e) override
    {
        if (e->type() == CUserMessage::EventType() &&
            static_cast<CUserMessage *>(e)->Code() == notify::kSeek) {
            seeks << Seek{static_cast<CUserMessage *>(e)->Value(), CurrentFile(),
                          Playback().Engine().GetLength()};
        }
        return CTestPlayer::event(e);
    }
};

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first route point whose click leads into another recording than the current one, at
// second 2 or later.
int PointIntoOtherClip(const TripRoute &route, const QString &current, RouteTarget *target)
{
    for (int i = 0; i < route.PointCount(); ++i) {
        const auto t = TargetForRoutePoint(route, i, current);
        if (t && t->fileName != current && t->second >= 2) {
            *target = *t;
            return i;
        }
    }
    return -1;
}

} // namespace

TEST(PlayerTrip, RouteOfTheTripAndAClickOpensTheRecordingAndSecond)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTripPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    ASSERT_TRUE(WaitUntil([&] { return !player.Trip().Route().IsEmpty(); }));
    const TripRoute route = player.Trip().Route();
    // The drive: two normal clips and the two event clips recorded during it; not the parking
    // clips of later that day.
    ASSERT_EQ(route.clips.size(), 4u);
    for (const TripClip &clip : route.clips)
        EXPECT_NE(clip.kind, RecordingKind::Parking);
    // The map has it.
    EXPECT_EQ(player.MapView()->Route(), RouteJson(route));

    RouteTarget target;
    const int point = PointIntoOtherClip(route, player.CurrentFile(), &target);
    ASSERT_GE(point, 0);
    player.seeks.clear();
    player.opens = 0;
    emit player.MapView()->RoutePointClicked(point);
    EXPECT_EQ(player.opens, 1);
    EXPECT_EQ(player.CurrentFile(), target.fileName);
    const int row = player.Catalogue().CurrentIndex();
    ASSERT_EQ(player.RecordingList()->GetSelectedRows().size(), 1);
    EXPECT_EQ(player.RecordingList()->GetSelectedRows().first().row, row);
    EXPECT_EQ(player.Catalogue().CurrentStem(), RecordingStem(target.fileName));

    // The seek comes through the graph's road once the engine has read the clip, and playback
    // goes on from there.
    ASSERT_TRUE(WaitUntil([&] { return !player.seeks.isEmpty(); }));
    EXPECT_EQ(player.seeks.first().ms, target.second * 1000);
    EXPECT_EQ(player.seeks.first().file, target.fileName);
    EXPECT_GT(player.seeks.first().length, 0);
    EXPECT_TRUE(player.WaitForTime(target.second * 1000 - 100));

    // A point of the recording playing now only seeks.
    const QString current = player.CurrentFile();
    int same = -1, second = -1;
    for (int i = 0; i < route.PointCount() && same < 0; ++i) {
        const auto t = TargetForRoutePoint(route, i, current);
        if (t && t->fileName == current && t->second != target.second) {
            same = i;
            second = t->second;
        }
    }
    ASSERT_GE(same, 0);
    player.seeks.clear();
    emit player.MapView()->RoutePointClicked(same);
    EXPECT_EQ(player.opens, 1);
    ASSERT_TRUE(WaitUntil([&] { return !player.seeks.isEmpty(); }));
    EXPECT_EQ(player.seeks.first().ms, second * 1000);
    EXPECT_EQ(player.seeks.first().file, current);

    // Numbers that are no point of the route do nothing.
    emit player.MapView()->RoutePointClicked(route.PointCount());
    emit player.MapView()->RoutePointClicked(-1);
    EXPECT_EQ(player.opens, 1);
}

TEST(PlayerTrip, AClickOnARecordingTheFilterHidesShowsAllKinds)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTripPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    // Events only.
    player.Post(10, 0);
    ASSERT_EQ(player.Catalogue().KindFilterValue(), CCatalogue::FilterEvent);
    ASSERT_TRUE(player.WaitForTime());
    ASSERT_TRUE(WaitUntil([&] {
        const TripRoute &r = player.Trip().Route();
        return !r.IsEmpty() && std::any_of(r.clips.begin(), r.clips.end(), [&](const TripClip &c) {
            return c.fileName == player.CurrentFile();
        });
    }));
    const TripRoute route = player.Trip().Route();
    int normal = -1;
    RouteTarget target;
    for (int i = 0; i < route.PointCount() && normal < 0; ++i) {
        const auto t = TargetForRoutePoint(route, i, player.CurrentFile());
        if (t && t->fileName.startsWith(QLatin1String("rec_"))) {
            normal = i;
            target = *t;
        }
    }
    ASSERT_GE(normal, 0);
    emit player.MapView()->RoutePointClicked(normal);
    EXPECT_EQ(player.Catalogue().KindFilterValue(), CCatalogue::FilterAll);
    EXPECT_EQ(player.CurrentFile(), target.fileName);
}

TEST(PlayerTrip, ExportsTheTripAsGpxIntoTheExportFolder)
{
    const DemoCard &card = SharedDemoCard();
    ASSERT_TRUE(card.ok()) << card.error.toStdString();
    CTripPlayer player;
    ASSERT_TRUE(player.LoadAndPlay(card.folder));
    QString suggested;
    QString chosen = player.desktop.filePath(QStringLiteral("trip.gpx"));
    player.Trip().chooseSaveFile = [&](const QString &s) {
        suggested = s;
        return chosen;
    };
    // Straight after opening: the route may not have arrived yet; the export reads it itself.
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    const QString offered = player.DesktopPath() + QStringLiteral("/HD-VANTORA/") +
                            RecordingStem(card.clips.first()) + QStringLiteral("_route");
    EXPECT_EQ(suggested, offered + QStringLiteral(".gpx"));
    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray gpx = file.readAll();
    ASSERT_TRUE(WaitUntil([&] { return !player.Trip().Route().IsEmpty(); }));
    EXPECT_EQ(gpx.count("<trkpt "), player.Trip().Route().PointCount());
    // The user is told where the file went.
    const auto toldSavedAs = [&](const QString &path) {
        const bool told = player.messages.size() == 1 &&
                          player.messages.first().text.endsWith(QLatin1Char('\n') + path);
        player.messages.clear();
        return told;
    };
    EXPECT_TRUE(toldSavedAs(chosen));

    // The name offered is never that of a file of other bytes; taking it writes beside.
    QFile mine(suggested);
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("my own notes");
    mine.close();
    chosen = QString();
    player.Trip().chooseSaveFile = [&](const QString &s) { return chosen = suggested = s; };
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    EXPECT_EQ(suggested, offered + QStringLiteral(" (2).gpx"));
    EXPECT_EQ(ReadFile(mine.fileName()), QByteArray("my own notes"));
    EXPECT_EQ(ReadFile(suggested).count("<trkpt "), player.Trip().Route().PointCount());
    EXPECT_TRUE(toldSavedAs(suggested));
    player.Trip().chooseSaveFile = [&](const QString &s) {
        suggested = s;
        return chosen;
    };

    // A name typed without the extension gets it; a file of that name is not replaced, as
    // nobody asked about it.
    chosen = player.desktop.filePath(QStringLiteral("my trip"));
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    EXPECT_FALSE(QFileInfo::exists(chosen));
    EXPECT_EQ(ReadFile(chosen + QStringLiteral(".gpx")).count("<trkpt "),
              player.Trip().Route().PointCount());
    EXPECT_TRUE(toldSavedAs(chosen + QStringLiteral(".gpx")));
    QFile other(chosen + QStringLiteral(".gpx"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("another trip");
    other.close();
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    EXPECT_EQ(ReadFile(other.fileName()), QByteArray("another trip"));
    EXPECT_EQ(ReadFile(chosen + QStringLiteral(" (2).gpx")).count("<trkpt "),
              player.Trip().Route().PointCount());
    EXPECT_TRUE(toldSavedAs(chosen + QStringLiteral(" (2).gpx")));

    // Cancelled: nothing written. A folder that cannot be written: the user is told.
    chosen.clear();
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    EXPECT_TRUE(player.messages.isEmpty());
    chosen = player.desktop.filePath(QStringLiteral("missing/folder/trip.gpx"));
    player.OnCommand(CPlayerTrip::kExportGpxCommand);
    ASSERT_EQ(player.messages.size(), 1);
    EXPECT_TRUE(player.messages.first().text.contains(chosen));
}

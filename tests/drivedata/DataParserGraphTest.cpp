#include "DataParser.h"
#include "NotificationCodes.h"
#include "SensorGraph.h"
#include "UserMessage.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <climits>

namespace {

// The main window's stand-in: records the notifications the graph posts to it.
class Owner : public QWidget
{
public:
    QList<QPair<int, qint64>> received;

    bool event(QEvent *e) override
    {
        if (e->type() == CUserMessage::EventType()) {
            auto *m = static_cast<CUserMessage *>(e);
            received.append({m->Code(), m->Value()});
            return true;
        }
        return QWidget::event(e);
    }
};

QList<qint64> SeekTimes(const Owner &owner)
{
    QList<qint64> times;
    for (const auto &[code, value] : owner.received) {
        if (code == notify::kSeek)
            times << value;
    }
    return times;
}

QByteArray DriveFile(int ch1, int ch2, int ch3, int count)
{
    QByteArray bytes("SENS");
    unsigned char b[4];
    auto le = [&](std::uint32_t v) {
        WriteLe32(b, v);
        bytes.append(reinterpret_cast<const char *>(b), 4);
    };
    le(std::uint32_t(count * 20));
    for (int i = 0; i < count; ++i) {
        le(0);
        le(std::uint32_t(ch1));
        le(std::uint32_t(ch2));
        le(std::uint32_t(ch3));
        le(0);
    }
    bytes.append("GPSI", 4);
    le(0);
    return bytes;
}

class GraphWidget : public ::testing::Test
{
protected:
    Owner owner;
    CDataParser *graph = new CDataParser(&owner);
    QTemporaryDir dir;

    void SetUp() override
    {
        graph->setGeometry(0, 0, 600, 60);
        owner.resize(600, 60);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }

    bool Load(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("rec_1.dat"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(bytes);
        file.close();
        return graph->LoadDriveData(dir.filePath(QStringLiteral("rec_1.avi")));
    }

    QImage Render()
    {
        QImage image(graph->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        graph->render(&image);
        return image;
    }

    void Flush() { QCoreApplication::sendPostedEvents(&owner, CUserMessage::EventType()); }
};

} // namespace

// --- arithmetic ---

TEST(SensorGraphMath, CursorAndTimeFollowTheProportionOfTheWidth)
{
    EXPECT_EQ(GraphCursorX(600, 30000, 60000), 300);
    EXPECT_EQ(GraphCursorX(600, 59999, 60000), 599);
    EXPECT_EQ(GraphCursorX(7, 10, 3), 23); // trunc(23.33)
    // Unknown length: no division, cursor at the start.
    EXPECT_EQ(GraphCursorX(600, 0, 0), 0);

    EXPECT_EQ(GraphTimeForX(300, 600, 60000), 30000);
    EXPECT_EQ(GraphTimeForX(1, 600, 60000), 100);
    EXPECT_EQ(GraphTimeForX(-30, 600, 60000), -3000);
    EXPECT_EQ(GraphTimeForX(601, 7, 1000), 85857); // trunc(85857.14)
    EXPECT_EQ(GraphTimeForX(-1, 7, 1000), -142);   // toward zero, not down
    EXPECT_EQ(GraphTimeForX(10, 0, 60000), 0);
    EXPECT_EQ(GraphTimeForX(INT_MAX, 1, INT_MAX), INT_MAX);

    EXPECT_EQ(GraphCursorRect(0, 60), QRect(QPoint(-5, 0), QPoint(4, 59)));
    EXPECT_EQ(GraphCursorRect(300, 60).width(), 10);
}

TEST(SensorGraphMath, LinesStartAtTheCentreAndClampToTheScale)
{
    std::vector<SensorSample> samples(200, SensorSample{0, 50, -2000, 0, 0});
    samples[150].channel1 = -50;
    const auto lines = SensorGraphLines(samples, 900, -900, 100, 60);
    for (const auto &channel : lines)
        ASSERT_EQ(channel.size(), 98); // columns 2 .. 99
    // First segment of each channel from (1, mid).
    EXPECT_EQ(lines[0][0], QLine(1, 30, 2, 31)); // 50 * 60 / 1800 = 1.67 -> 1
    // Channel 2 is far below the scale bottom: drawn at the bottom, the top edge.
    EXPECT_EQ(lines[1][0], QLine(1, 30, 2, 0));
    EXPECT_EQ(lines[1][5].y2(), 0);
    EXPECT_EQ(lines[2][5].y2(), 30);
    // Column x shows sample trunc(x * 200 / 100): column 75 is sample 150.
    EXPECT_EQ(lines[0][73], QLine(74, 31, 75, 29));
    EXPECT_EQ(lines[0][74], QLine(75, 29, 76, 31));

    // Above the top: the top itself, mid + trunc(top * s) = the bottom edge.
    std::vector<SensorSample> high(10, SensorSample{0, 5000, 5000, 5000, 0});
    EXPECT_EQ(SensorGraphLines(high, 900, -900, 50, 60)[0][3].y2(), 60);

    // Scale top 0: every line on the centre line, nothing divided by zero.
    for (const auto &channel : SensorGraphLines(high, 0, 0, 50, 61)) {
        for (const QLine &l : channel) {
            ASSERT_EQ(l.y1(), 30);
            ASSERT_EQ(l.y2(), 30);
        }
    }
    // No samples or no room: no lines.
    EXPECT_TRUE(SensorGraphLines({}, 900, -900, 100, 60)[0].isEmpty());
    EXPECT_TRUE(SensorGraphLines(samples, 900, -900, 2, 60)[0].isEmpty());
    // Fewer samples than columns: every column still names a sample inside the array.
    const auto few = SensorGraphLines(std::vector<SensorSample>(3), 9, -9, 1000, 60);
    EXPECT_EQ(few[0].size(), 998);
}

// --- the widget ---

TEST_F(GraphWidget, ClickAndDragPostTheTimeUnderTheMouse)
{
    graph->SetClipOpen(true);
    graph->SetDuration(60000);

    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(300, 30));
    Flush();
    EXPECT_EQ(SeekTimes(owner), (QList<qint64>{30000, 30000})); // press and release
    EXPECT_EQ(graph->CursorX(), 300);
    EXPECT_EQ(graph->Position(), 30000);
    EXPECT_FALSE(graph->IsMouseHeld());

    owner.received.clear();
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(60, 30));
    EXPECT_TRUE(graph->IsMouseHeld());
    QTest::mouseMove(graph, QPoint(120, 30));
    QTest::mouseMove(graph, QPoint(-30, 30)); // dragged out to the left
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(-60, 30));
    Flush();
    EXPECT_EQ(SeekTimes(owner), (QList<qint64>{6000, 12000, -3000, -6000}));
    EXPECT_EQ(graph->CursorX(), -60);

    // Moves without the button held post nothing.
    owner.received.clear();
    graph->setMouseTracking(true);
    QTest::mouseMove(graph, QPoint(200, 30));
    Flush();
    EXPECT_TRUE(SeekTimes(owner).isEmpty());
}

TEST_F(GraphWidget, NotificationsGoToTheNotifyTargetWhenOneIsSet)
{
    Owner other;
    graph->SetNotifyTarget(&other);
    graph->SetClipOpen(true);
    graph->SetDuration(6000);
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(150, 30));
    QCoreApplication::sendPostedEvents(&other, CUserMessage::EventType());
    Flush();
    EXPECT_EQ(SeekTimes(other), (QList<qint64>{1500, 1500}));
    EXPECT_TRUE(owner.received.isEmpty());
}

TEST_F(GraphWidget, WithoutOpenClipMouseAndPositionsAreIgnored)
{
    graph->SetDuration(60000);
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(300, 30));
    graph->SetPlayPosition(30000);
    Flush();
    EXPECT_TRUE(SeekTimes(owner).isEmpty());
    EXPECT_EQ(graph->CursorX(), 0);

    graph->SetClipOpen(true);
    graph->SetPlayPosition(30000);
    EXPECT_EQ(graph->CursorX(), 300);
    graph->ClearGraph();
    EXPECT_FALSE(graph->IsClipOpen());
    EXPECT_EQ(graph->CursorX(), 0);
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(100, 30));
    Flush();
    EXPECT_TRUE(SeekTimes(owner).isEmpty());
}

TEST_F(GraphWidget, PlayPositionRules)
{
    graph->SetClipOpen(true);
    ASSERT_TRUE(Load(DriveFile(1, 2, 3, 10)));
    // Length not known yet: only time 0 is taken.
    graph->SetPlayPosition(1000);
    EXPECT_EQ(graph->Position(), 0);
    graph->SetPlayPosition(0);
    EXPECT_EQ(graph->CursorX(), 0);

    graph->SetDuration(60000);
    graph->SetPlayPosition(45000);
    EXPECT_EQ(graph->CursorX(), 450);
    graph->SetPlayPosition(-1);
    graph->SetPlayPosition(60001);
    EXPECT_EQ(graph->Position(), 45000);
    graph->SetPlayPosition(60000);
    EXPECT_EQ(graph->CursorX(), 600);

    // A resize keeps the cursor at its time.
    graph->SetPlayPosition(15000);
    graph->resize(300, 60);
    EXPECT_EQ(graph->CursorX(), 75);

    // Negative lengths are not taken.
    graph->SetDuration(-1);
    EXPECT_EQ(graph->Duration(), 60000);
}

TEST_F(GraphWidget, PaintsCursorFrameCentreLineAndChannels)
{
    graph->SetClipOpen(true);
    // Cursor at 0: its right half shows, under the frame.
    QImage image = Render();
    const QColor cursor = CDataParser::CursorColor();
    const QColor frame = CDataParser::FrameColor();
    EXPECT_EQ(image.pixelColor(2, 10), cursor);
    EXPECT_EQ(image.pixelColor(4, 10), cursor);
    EXPECT_EQ(image.pixelColor(5, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(0, 10), frame);
    EXPECT_EQ(image.pixelColor(599, 10), frame);
    EXPECT_EQ(image.pixelColor(100, 0), frame);
    EXPECT_EQ(image.pixelColor(100, 59), frame);
    EXPECT_EQ(image.pixelColor(100, 30), frame);             // centre line
    EXPECT_EQ(image.pixelColor(100, 33), QColor(Qt::black)); // not loaded: no lines

    // Channel 1 = 100, 2 = -100, 3 = 0; scale 900: s = 60 / 1800, 100 -> 3 pixels.
    ASSERT_TRUE(Load(DriveFile(100, -100, 0, 50)));
    EXPECT_EQ(graph->ScaleTop(), 900);
    graph->SetDuration(60000);
    graph->SetPlayPosition(30000);
    image = Render();
    const auto colors = CDataParser::ChannelColors();
    EXPECT_EQ(image.pixelColor(100, 33), colors[0]); // positive readings lie below
    EXPECT_EQ(image.pixelColor(100, 27), colors[1]);
    EXPECT_EQ(image.pixelColor(100, 30), colors[2]); // drawn last, over the centre line
    EXPECT_EQ(image.pixelColor(296, 10), cursor);
    EXPECT_EQ(image.pixelColor(304, 10), cursor);
    EXPECT_EQ(image.pixelColor(305, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(300, 33), colors[0]); // lines over the cursor bar
    EXPECT_EQ(image.pixelColor(2, 10), QColor(Qt::black));

    // Lines follow a resize.
    graph->resize(200, 90);
    image = Render();
    EXPECT_EQ(image.pixelColor(150, 45 + 5), colors[0]); // 100 * 90 / 1800 = 5

    // Clearing hides the lines again.
    graph->ClearGraph();
    image = Render();
    EXPECT_EQ(image.pixelColor(150, 50), QColor(Qt::black));
}

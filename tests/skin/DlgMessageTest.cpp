#include "DlgMessage.h"
#include "SkinButton.h"
#include "StringTable.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace {

// Runs `show` (which runs a box modally) while `act` works on the box once it is up. A box
// that `act` fails to close is ended with 99 after a while, so a fault fails the test rather
// than hanging it.
int RunBox(const std::function<int()> &show, const std::function<void(CDlgMessage &)> &act)
{
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<CDlgMessage *>(QApplication::activeModalWidget());
        if (box)
            act(*box);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            box->done(99);
    });
    guard.start(10000);
    return show();
}

int RunTypeWith(int type, const std::function<void(CDlgMessage &)> &act)
{
    return RunBox([type] { return ShowMessage(type, QStringLiteral("Line one\nLine two")); }, act);
}

// Number of pixels of `colour` (approximately: anti-aliased text is lighter at its edges)
// inside `rect` of `image`.
int TextPixels(const QImage &image, const QRect &rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) > 120)
                ++count;
    return count;
}

// Each type's buttons: type -> result of the buttons left to right (0 = hidden).
const std::map<int, std::vector<int>> kExpectedResults = {
    {0, {0, 0, 1}}, {1, {0, 1, 2}}, {2, {3, 4, 5}},    {3, {6, 7, 2}},
    {4, {0, 6, 7}}, {5, {0, 4, 2}}, {1024, {1, 7, 2}},
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Layout

TEST(MessageLayout, ButtonsSymbolAndTextRectangles)
{
    const QSize client(440, 160);
    EXPECT_EQ(MessageButtonRect(0, client), QRect(143, 111, 84, 34));
    EXPECT_EQ(MessageButtonRect(1, client), QRect(242, 111, 84, 34));
    EXPECT_EQ(MessageButtonRect(2, client), QRect(341, 111, 84, 34));
    EXPECT_FALSE(MessageButtonRect(0, client).intersects(MessageButtonRect(1, client)));
    EXPECT_TRUE(MessageButtonRect(3, client).isNull());

    // (15, 15) to (105, h - 30) and (120, 15) to (w - 15, h - 49), right and bottom exclusive.
    EXPECT_EQ(MessageSymbolRect(client), QRect(15, 15, 90, 115));
    EXPECT_EQ(MessageTextRect(client), QRect(120, 15, 305, 96));
    EXPECT_LE(MessageTextRect(client).bottom(), MessageButtonRect(2, client).top())
        << "text stays above the buttons";
    EXPECT_TRUE(MessageTextRect(QSize(50, 20)).isEmpty()) << "a tiny client gives no text area";
}

TEST(MessageLayout, LinesSplitAtLineBreaksOnly)
{
    EXPECT_EQ(
        MessageLines(
            QStringLiteral("Do you want to delete\n%1 file?").arg(QStringLiteral("a.avi"))),
        QStringList({QStringLiteral("Do you want to delete"), QStringLiteral("a.avi file?")}));
    EXPECT_EQ(MessageLines(QString()), QStringList({QString()}));
    EXPECT_EQ(MessageLines(QStringLiteral("one\r\ntwo\n")),
              QStringList({QStringLiteral("one"), QStringLiteral("two"), QString()}));
    // The format question of string 132 has six lines.
    EXPECT_EQ(MessageLines(QStringLiteral("a\nb\nc\nd\ne\nf")).size(), 6);
    EXPECT_EQ(MessageLines(QStringLiteral("back\\slash")).size(), 1);
}

TEST(MessageLayout, EachLineGetsItsShareOfTheTextRectangle)
{
    const QRect text(120, 15, 305, 96);
    const QList<QRect> two = MessageLineBands(text, 2);
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0], QRect(120, 15, 305, 48));
    EXPECT_EQ(two[1], QRect(120, 63, 305, 48));

    // 100 / 3 = 33.3: tops at trunc(0), trunc(33.3), trunc(66.7), each 33 high.
    const QList<QRect> three = MessageLineBands(QRect(0, 10, 50, 100), 3);
    ASSERT_EQ(three.size(), 3);
    EXPECT_EQ(three[0].top(), 10);
    EXPECT_EQ(three[1].top(), 43);
    EXPECT_EQ(three[2].top(), 76);
    for (const QRect &band : three)
        EXPECT_EQ(band.height(), 33);

    EXPECT_TRUE(MessageLineBands(text, 0).isEmpty());
}

TEST(MessageLayout, TypesChooseButtonsAndSymbols)
{
    for (const auto &[type, results] : kExpectedResults) {
        const MessageTypeSetup setup = MessageTypeLayout(type);
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_EQ(setup.buttons[slot].visible, results[slot] != 0) << type << " " << slot;
            if (results[slot] != 0) {
                EXPECT_EQ(setup.buttons[slot].result, results[slot]) << type << " " << slot;
                EXPECT_FALSE(setup.buttons[slot].label.isEmpty()) << type << " " << slot;
                EXPECT_GE(setup.buttons[slot].imageId, 3126);
                EXPECT_LE(setup.buttons[slot].imageId, 3134);
            }
        }
    }
    EXPECT_EQ(MessageTypeLayout(2).symbolId, 3318);
    EXPECT_EQ(MessageTypeLayout(5).symbolId, 3319);
    EXPECT_EQ(MessageTypeLayout(4).symbolId, 3320);
    EXPECT_EQ(MessageTypeLayout(1024).buttons[0].imageId, 3127);
    EXPECT_EQ(MessageTypeLayout(1024).buttons[1].imageId, 3129);

    // A type the box does not know still offers one way out: OK.
    const MessageTypeSetup unknown = MessageTypeLayout(77);
    EXPECT_FALSE(unknown.buttons[0].visible);
    EXPECT_FALSE(unknown.buttons[1].visible);
    EXPECT_TRUE(unknown.buttons[2].visible);
    EXPECT_EQ(unknown.buttons[2].result, 1);
}

TEST(MessageLayout, TheBoxGrowsUntilEveryLineFits)
{
    const QSize usual(440, 160);
    const QSize screen(1900, 1000);
    EXPECT_EQ(MessageFittingClient(usual, 200, 20, 2, screen), usual) << "short texts keep it";
    EXPECT_EQ(MessageFittingClient(usual, 400, 20, 2, screen), QSize(535, 160));
    EXPECT_EQ(MessageFittingClient(usual, 200, 20, 6, screen), QSize(440, 184));
    EXPECT_EQ(MessageFittingClient(usual, 5000, 20, 100, screen), screen) << "within the screen";
    EXPECT_EQ(MessageFittingClient(usual, 5000, 20, 2, QSize(300, 100)), usual)
        << "never smaller than usual";
}

TEST(MessageLayout, ABoxWithoutAShownOwnerTakesTheMiddleOfTheScreen)
{
    // A desktop of 1920 x 1080 with a 40-pixel panel at the top, and a second screen beside it.
    EXPECT_EQ(MessageBoxPosition(QSize(450, 200), QRect(0, 40, 1920, 1040)), QPoint(735, 460));
    EXPECT_EQ(MessageBoxPosition(QSize(451, 201), QRect(1920, 0, 1280, 1024)), QPoint(2334, 411));
    // Larger than the area: its top left stays on the screen, where the caption is.
    EXPECT_EQ(MessageBoxPosition(QSize(900, 700), QRect(0, 40, 800, 560)), QPoint(0, 40));
}

// ---------------------------------------------------------------------------------------------
// The running box

TEST(DlgMessage, KeysEndTheBoxWhateverTheType)
{
    auto key = [](Qt::Key k) { return [k](CDlgMessage &box) { QTest::keyClick(&box, k); }; };
    EXPECT_EQ(RunTypeWith(1, key(Qt::Key_Return)), 6) << "Enter answers Yes, not OK";
    EXPECT_EQ(RunTypeWith(1, key(Qt::Key_Enter)), 6);
    EXPECT_EQ(RunTypeWith(0, key(Qt::Key_Space)), 6);
    EXPECT_EQ(RunTypeWith(4, key(Qt::Key_Escape)), 2);
    EXPECT_EQ(RunTypeWith(1024, key(Qt::Key_Escape)), 2);
    // Other keys leave the box open (the guard then ends it with 99).
    EXPECT_EQ(RunTypeWith(0,
                          [](CDlgMessage &box) {
                              QTest::keyClick(&box, Qt::Key_A);
                              QTimer::singleShot(50, &box, [&box] { box.done(42); });
                          }),
              42);
}

TEST(DlgMessage, ClickingEachVisibleButtonAnswersItsCode)
{
    for (const auto &[type, results] : kExpectedResults) {
        for (int slot = 0; slot < 3; ++slot) {
            if (results[slot] == 0)
                continue;
            const int got = RunTypeWith(type, [slot](CDlgMessage &box) {
                QTest::mouseClick(box.Button(slot), Qt::LeftButton);
            });
            EXPECT_EQ(got, results[slot]) << "type " << type << " slot " << slot;
        }
    }
}

TEST(DlgMessage, YesNoShowsOnlyTheTwoRightHandButtons)
{
    CDlgMessage box;
    box.SetType(4);
    box.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(box.Button(0)->isVisible());
    EXPECT_TRUE(box.Button(1)->isVisible());
    EXPECT_TRUE(box.Button(2)->isVisible());
    const QSize client = box.ClientSize();
    EXPECT_EQ(box.Button(1)->geometry(), MessageButtonRect(1, client));
    EXPECT_EQ(box.Button(2)->geometry(), MessageButtonRect(2, client));
    EXPECT_EQ(box.Button(1)->accessibleName(), QStringLiteral("Yes"));
    EXPECT_EQ(box.Button(2)->accessibleName(), QStringLiteral("No"));
    EXPECT_FALSE(box.CaptionButtonsEnabled());
    EXPECT_EQ(box.size(), QSize(450, 200));

    // Switching the type shows the third button again.
    box.SetType(3);
    QCoreApplication::processEvents();
    EXPECT_TRUE(box.Button(0)->isVisible());
    EXPECT_EQ(box.Button(0)->accessibleName(), QStringLiteral("Yes"));
    EXPECT_EQ(box.Button(2)->accessibleName(), QStringLiteral("Cancel"));
}

TEST(DlgMessage, TwoLinesAreDrawnInTheTwoHalvesOfTheTextRectangle)
{
    CDlgMessage box;
    box.SetType(4);
    box.SetText(LoadResString(204).replace(QStringLiteral("%s"), QStringLiteral("a.avi")));
    box.show();
    QCoreApplication::processEvents();

    const QImage first = box.Client()->grab().toImage();
    const QList<QRect> bands = MessageLineBands(MessageTextRect(box.ClientSize()), 2);
    ASSERT_EQ(bands.size(), 2);
    EXPECT_GT(TextPixels(first, bands[0]), 50);
    EXPECT_GT(TextPixels(first, bands[1]), 50);
    // The first line is the longer one: only the upper band has text far to the right.
    const auto farRight = [](const QRect &band) { return band.adjusted(120, 0, 0, 0); };
    EXPECT_GT(TextPixels(first, farRight(bands[0])), 10);
    EXPECT_EQ(TextPixels(first, farRight(bands[1])), 0);

    // Covering and uncovering (a repaint) shows the same lines; the text itself is unchanged.
    box.hide();
    box.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.Client()->grab().toImage(), first);
    EXPECT_EQ(box.Text(), QStringLiteral("Do you want to delete\na.avi file?"));
    EXPECT_EQ(first.pixelColor(2, 2), CDlgMessage::FillColour());
}

TEST(DlgMessage, TheFormatQuestionShowsEveryLineWhole)
{
    CDlgMessage box;
    box.SetType(1024);
    box.SetText(LoadResString(132));
    const QStringList lines = MessageLines(box.Text());
    ASSERT_EQ(lines.size(), 6);
    const QRect text = MessageTextRect(box.ClientSize());
    const QFontMetrics metrics(CDlgMessage::TextFont());
    for (const QString &line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), text.width()) << line.toStdString();
    for (const QRect &band : MessageLineBands(text, int(lines.size())))
        EXPECT_GE(band.height(), metrics.lineSpacing() - 1);
    EXPECT_GE(box.width(), 450);
    // Buttons follow the grown client area.
    EXPECT_EQ(box.Button(2)->geometry(), MessageButtonRect(2, box.ClientSize()));

    // A short text afterwards brings the usual size back.
    box.SetText(QStringLiteral("Format complete."));
    EXPECT_EQ(box.size(), QSize(450, 200));
}

TEST(DlgMessage, TextComesFromTheStringTableAndNamesTheBox)
{
    QString text, second;
    const int result = RunBox([] { return ShowMessageId(0, 204); },
                              [&](CDlgMessage &box) {
                                  text = box.Text();
                                  second = box.SecondText();
                                  EXPECT_EQ(box.accessibleDescription(), box.Text());
                                  EXPECT_EQ(box.Button(2)->accessibleName(), QStringLiteral("OK"));
                                  box.done(5);
                              });
    EXPECT_EQ(result, 5);
    EXPECT_EQ(text, QStringLiteral("Do you want to delete\n%s file?"));
    EXPECT_TRUE(second.isEmpty());

    const int format =
        RunBox([] { return ShowMessage(1024, QStringLiteral("Format?")); },
               [](CDlgMessage &box) {
                   EXPECT_EQ(box.Button(0)->accessibleName(), QStringLiteral("Normal format"));
                   EXPECT_EQ(box.Button(1)->accessibleName(), QStringLiteral("Recovery format"));
                   box.done(2);
               });
    EXPECT_EQ(format, 2);
}

TEST(DlgMessage, OpensCentredOverItsParent)
{
    QWidget parent;
    // Within the offscreen screen (800 x 600): a box is kept on its screen.
    parent.setGeometry(40, 30, 700, 520);
    parent.show();
    QCoreApplication::processEvents();
    QPoint centre;
    RunBox([&] { return ShowMessage(0, QStringLiteral("Hello"), QString(), &parent); },
           [&](CDlgMessage &box) {
               centre = box.frameGeometry().center();
               box.done(1);
           });
    const QPoint parentCentre = parent.frameGeometry().center();
    EXPECT_LE((centre - parentCentre).manhattanLength(), 4)
        << centre.x() << "," << centre.y() << " vs " << parentCentre.x() << "," << parentCentre.y();
}

TEST(DlgMessage, OverAParentNotShownYetOpensInTheMiddleOfItsScreen)
{
    // The main window at start: built and placed, not shown before the card notice is closed.
    QWidget parent;
    parent.setGeometry(0, 0, 443, 278);
    QRect shown;
    RunBox([&] { return ShowMessage(0, QStringLiteral("FW Version :1.12"), QString(), &parent); },
           [&](CDlgMessage &box) {
               shown = box.frameGeometry();
               box.done(1);
           });
    const QRect area = parent.screen()->availableGeometry();
    EXPECT_FALSE(parent.isVisible());
    EXPECT_EQ(shown.topLeft(), MessageBoxPosition(shown.size(), area))
        << shown.x() << "," << shown.y() << " on " << area.width() << " x " << area.height();
}

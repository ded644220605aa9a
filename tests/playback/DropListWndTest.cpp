#include "DropListWnd.h"

#include "SkinImages.h"
#include "UserMessage.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

// ---------------------------------------------------------------------------------------------
// Geometry: five 40 x 20 items in a 42 x 106 list.

TEST(DropListLayout, RowsSitBetweenOnePixelLines)
{
    const CDropListLayout layout(QSize(40, 20), 5, 106);
    const int tops[] = {1, 22, 43, 64, 85};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(layout.RowRect(i), QRect(1, tops[i], 40, 20)) << i;
    // The last row ends one line above the bottom: the black line frames the list.
    EXPECT_EQ(layout.RowRect(4).bottom(), 104);
}

TEST(DropListLayout, HoverRowFollowsY)
{
    const CDropListLayout layout(QSize(40, 20), 5, 106);
    EXPECT_EQ(layout.HoverRowAt(22, 0), 2);
    EXPECT_EQ(layout.HoverRowAt(1, 4), 1);
    EXPECT_EQ(layout.HoverRowAt(20, 4), 1);
    EXPECT_EQ(layout.HoverRowAt(85, 0), 5);
    EXPECT_EQ(layout.HoverRowAt(104, 0), 5);
    // Lines between rows keep what was hovered.
    EXPECT_EQ(layout.HoverRowAt(21, 3), 3);
    EXPECT_EQ(layout.HoverRowAt(42, 1), 1);
    EXPECT_EQ(layout.HoverRowAt(105, 2), 2);
    // The top line clears, the bottom edge picks the last row, beyond the list nothing changes.
    EXPECT_EQ(layout.HoverRowAt(0, 3), 0);
    EXPECT_EQ(layout.HoverRowAt(106, 0), 5);
    EXPECT_EQ(layout.HoverRowAt(-7, 2), 2);
    EXPECT_EQ(layout.HoverRowAt(300, 2), 2);

    const CDropListLayout empty(QSize(0, 0), 0, 1);
    EXPECT_EQ(empty.HoverRowAt(1, 0), 0);
    EXPECT_EQ(empty.HoverRowAt(5, 0), 0);
}

TEST(DropListLayout, InsideTestAndRowAtPoint)
{
    EXPECT_TRUE(CDropListLayout::Contains(QSize(42, 106), QPoint(0, 0)));
    EXPECT_TRUE(CDropListLayout::Contains(QSize(42, 106), QPoint(41, 105)));
    EXPECT_FALSE(CDropListLayout::Contains(QSize(42, 106), QPoint(42, 50)));
    EXPECT_FALSE(CDropListLayout::Contains(QSize(42, 106), QPoint(10, -1)));
    EXPECT_FALSE(CDropListLayout::Contains(QSize(42, 106), QPoint(-1, 10)));

    const CDropListLayout layout(QSize(40, 20), 5, 106);
    EXPECT_EQ(layout.RowAtPoint(QPoint(20, 50)), 3);
    EXPECT_EQ(layout.RowAtPoint(QPoint(20, 21)), 0);
    EXPECT_EQ(layout.RowAtPoint(QPoint(0, 30)), 0);
}

TEST(DropListLayout, OpensAboveTheButtonAndStaysOnScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize list(42, 106);
    EXPECT_EQ(DropListPosition(QRect(470, 900, 50, 35), list, screen), QPoint(469, 794));
    // No room above: below the button.
    EXPECT_EQ(DropListPosition(QRect(470, 50, 50, 35), list, screen), QPoint(469, 85));
    // Kept inside horizontally.
    EXPECT_EQ(DropListPosition(QRect(0, 900, 50, 35), list, screen), QPoint(0, 794));
    EXPECT_EQ(DropListPosition(QRect(1900, 900, 20, 35), list, screen), QPoint(1878, 794));
    // Without a known screen, the plain rule.
    EXPECT_EQ(DropListPosition(QRect(0, 50, 50, 35), list, QRect()), QPoint(-1, -56));
}

// ---------------------------------------------------------------------------------------------
// The widget on the offscreen platform.

namespace {

class OwnerWindow : public QWidget
{
public:
    struct Message
    {
        int code;
        qint64 value;
        DropListChoice choice;
        bool hasChoice;
    };
    std::vector<Message> messages;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == CUserMessage::EventType()) {
            const auto *message = static_cast<CUserMessage *>(event);
            const auto *choice = message->RecordAs<DropListChoice>();
            messages.push_back({message->Code(), message->Value(),
                                choice ? *choice : DropListChoice{}, choice != nullptr});
            return true;
        }
        return QWidget::event(event);
    }
};

class DropListWidget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rowWidth = CSkinImages::Width(3139);
        rowHeight = CSkinImages::Height(3139);
        ASSERT_GT(rowHeight, 0) << "skin pack not loaded";

        owner.setGeometry(100, 100, 600, 600);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        // Park the mouse away from where the list opens: a move to where the mouse already is
        // (left there by an earlier test) is not delivered.
        QTest::mouseMove(owner.windowHandle(), QPoint(5, 5));
        list = new CDropListWnd;
        list->Create(&owner, rowWidth + 2, (rowHeight + 1) * 5 + 1);
        for (int id = 3139; id <= 3143; ++id)
            list->AddItem(id);
    }

    void Show()
    {
        list->ShowAt(owner.mapToGlobal(QPoint(200, 200)));
        ASSERT_TRUE(list->isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    }

    QPoint RowCentre(int row) const { return list->Layout().RowRect(row - 1).center(); }
    QWindow *ListWindow() const { return list->windowHandle(); }

    std::vector<OwnerWindow::Message> Delivered()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return owner.messages;
    }

    OwnerWindow owner;
    CDropListWnd *list = nullptr; // owned by the owner window
    int rowWidth = 0;
    int rowHeight = 0;
};

} // namespace

TEST_F(DropListWidget, CreatedHiddenWithTheGivenSize)
{
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(list->ListId(), 103);
    EXPECT_EQ(list->ItemCount(), 5);
    EXPECT_EQ(list->ItemImage(2), 3141);
    Show();
    EXPECT_EQ(list->size(), QSize(rowWidth + 2, (rowHeight + 1) * 5 + 1));
    EXPECT_TRUE(list->windowFlags().testFlag(Qt::Popup));
}

TEST_F(DropListWidget, ClickWithoutMovingReportsItemZero)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(3));
    ASSERT_EQ(list->HoverRow(), 3);
    Show(); // shown again under the resting mouse: nothing hovered
    EXPECT_EQ(list->HoverRow(), 0);
    QTest::mouseClick(ListWindow(), Qt::LeftButton, {}, RowCentre(3));

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, kDropListChosen);
    ASSERT_TRUE(messages[0].hasChoice);
    EXPECT_EQ(messages[0].choice.item, 0);
    EXPECT_EQ(messages[0].choice.listId, 103);
    EXPECT_FALSE(list->isVisible());
}

TEST_F(DropListWidget, MoveToTheThirdRowAndClick)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(1));
    QTest::mouseMove(ListWindow(), RowCentre(3));
    EXPECT_EQ(list->HoverRow(), 3);
    QTest::mouseClick(ListWindow(), Qt::LeftButton, {}, RowCentre(3));

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, kDropListChosen);
    EXPECT_EQ(messages[0].value, 3);
    EXPECT_EQ(messages[0].choice.item, 3);
    EXPECT_EQ(messages[0].choice.listId, 103);
    EXPECT_FALSE(list->isVisible());

    // Shown again, the highlight starts afresh.
    Show();
    EXPECT_EQ(list->HoverRow(), 0);
}

TEST_F(DropListWidget, MovesWhileTheButtonIsDownDoNotChangeTheRow)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(2));
    QTest::mousePress(ListWindow(), Qt::LeftButton, {}, RowCentre(2));
    QTest::mouseMove(ListWindow(), RowCentre(4));
    EXPECT_EQ(list->HoverRow(), 2);
    QTest::mouseRelease(ListWindow(), Qt::LeftButton, {}, RowCentre(4));

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].choice.item, 2);
}

TEST_F(DropListWidget, PressInsideReleaseOutsideReportsNothing)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(2));
    QTest::mousePress(ListWindow(), Qt::LeftButton, {}, RowCentre(2));
    const QPoint outside(list->width() + 30, RowCentre(2).y());
    QTest::mouseMove(ListWindow(), outside);
    QTest::mouseRelease(ListWindow(), Qt::LeftButton, {}, outside);

    EXPECT_TRUE(Delivered().empty());
    EXPECT_FALSE(list->isVisible());
}

TEST_F(DropListWidget, PressOutsideHidesAndReportsDismissal)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(4));
    const QPoint outside(-40, -30); // over the owner window, beside no row
    QTest::mousePress(ListWindow(), Qt::LeftButton, {}, outside);
    EXPECT_FALSE(list->isVisible());
    QTest::mouseRelease(ListWindow(), Qt::LeftButton, {}, outside);

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, kDropListDismissed);
    EXPECT_EQ(messages[0].choice.item, 4);
    EXPECT_EQ(messages[0].choice.listId, 103);
}

TEST_F(DropListWidget, PressOnTheOwnerWindowReachesTheList)
{
    Show();
    QTest::mouseMove(ListWindow(), RowCentre(2));
    const QPoint onOwner(20, 20);
    QTest::mousePress(owner.windowHandle(), Qt::LeftButton, {}, onOwner);
    EXPECT_FALSE(list->isVisible());
    QTest::mouseRelease(owner.windowHandle(), Qt::LeftButton, {}, onOwner);

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, kDropListDismissed);
}

TEST_F(DropListWidget, KeyboardChoosesAndEscapeDismisses)
{
    Show();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->HoverRow(), 2);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());

    Show();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->HoverRow(), 5);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());

    const auto messages = Delivered();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].code, kDropListChosen);
    EXPECT_EQ(messages[0].choice.item, 2);
    EXPECT_EQ(messages[1].code, kDropListDismissed);
}

TEST_F(DropListWidget, PaintsRowsInsideABlackFrame)
{
    Show();
    // The view lays its rows out where the list's own geometry has them.
    for (int row = 0; row < 5; ++row) {
        const QRect r = list->visualItemRect(list->item(row)).translated(list->viewport()->pos());
        EXPECT_EQ(r.adjusted(0, 0, 0, -1), list->Layout().RowRect(row)) << row;
    }
    const QImage image = list->grab().toImage();
    ASSERT_EQ(image.size(), list->size());
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_EQ(image.pixel(0, 0), black);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), black);
    EXPECT_EQ(image.pixel(5, 1 + rowHeight), black); // line between rows 1 and 2

    // Every row is drawn over the black background.
    for (int row = 1; row <= 5; ++row) {
        const QRect r = list->Layout().RowRect(row - 1);
        bool painted = false;
        for (int y = r.top(); y <= r.bottom() && !painted; ++y)
            for (int x = r.left(); x <= r.right() && !painted; ++x)
                painted = image.pixel(x, y) != black;
        EXPECT_TRUE(painted) << row;
    }
}

TEST_F(DropListWidget, AccessibleListAndRows)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::List);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty());
    ASSERT_EQ(iface->childCount(), 5);
    const char *names[] = {"0.4x", "0.6x", "0.8x", "1.0x", "2.0x"};
    for (int i = 0; i < 5; ++i) {
        QAccessibleInterface *row = iface->child(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->role(), QAccessible::ListItem);
        EXPECT_EQ(row->text(QAccessible::Name), QString::fromLatin1(names[i]));
        EXPECT_EQ(iface->indexOfChild(row), i);
        EXPECT_EQ(row->parent(), iface);
    }
    EXPECT_EQ(iface->child(5), nullptr);

    Show();
    QTest::mouseMove(ListWindow(), RowCentre(3));
    EXPECT_EQ(iface->focusChild(), iface->child(2));
    EXPECT_TRUE(iface->child(2)->state().selected);
    EXPECT_FALSE(iface->child(1)->state().selected);

    list->AddItem(3100, "Other");
    EXPECT_EQ(iface->child(5)->text(QAccessible::Name), "Other");
}

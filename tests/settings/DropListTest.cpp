#include "DropList.h"
#include "DlgOption.h"
#include "DropListMath.h"
#include "OptionRules.h"
#include "UserMessage.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// Stands for the dialog: records the choices the drop-down posts.
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

// A drop-down as the options dialog makes it, on a window of its own.
struct ZoneBox
{
    Owner owner;
    CDropButton *box = new CDropButton(&owner);

    explicit ZoneBox(int rows = kTimeZoneCount)
    {
        owner.resize(500, 300);
        box->Create(nullptr, QColor(127, 127, 127), QStringLiteral("GMT SETTINTG"), &owner, 101,
                    QColor(127, 127, 127), QColor(200, 200, 200), QColor(255, 255, 255),
                    QColor(255, 255, 255), QRect(QPoint(210, 196), QPoint(456, 219)));
        const DropListItemRecord white{false, Qt::white, Qt::white};
        for (int i = 0; i < rows; ++i)
            box->AddItem(TimeZoneTexts().at(i), white);
        box->SelectItem(kDefaultTimeZone < rows ? kDefaultTimeZone : 0);
        owner.show();
        QCoreApplication::processEvents();
    }

    QList<qint64> Choices() const
    {
        QList<qint64> out;
        for (const auto &r : owner.received) {
            if (r.first == kDropChosenCode)
                out.append(r.second);
        }
        return out;
    }
};

} // namespace

TEST(DropListMath, HeightRuleAndPrefixText)
{
    EXPECT_EQ(DropListHeight(91, 15), 100);
    EXPECT_EQ(DropListHeight(3, 15), 45);
    EXPECT_EQ(DropListHeight(6, 16), 96);
    EXPECT_EQ(DropListHeight(7, 16), 100);
    EXPECT_EQ(DropListHeight(0, 15), 100); // an empty list opens at the limit
    EXPECT_EQ(DropListHeight(2, 0), 100);

    EXPECT_EQ(PrefixProcessed(QStringLiteral("(GMT-08:00) Pacific Time (US && Canada)")),
              QStringLiteral("(GMT-08:00) Pacific Time (US & Canada)"));
    EXPECT_EQ(PrefixProcessed(QStringLiteral("&File &&&& more&")), QStringLiteral("File && more"));

    // The arrow in a 247 x 24 box with "M" 12 wide and 11 high, text 17 high.
    const QPolygon arrow = DropArrow(QRect(0, 0, 247, 24), 12, 11, 17);
    EXPECT_EQ(arrow, QPolygon({QPoint(230, 6), QPoint(241, 6), QPoint(236, 12)}));
    EXPECT_EQ(DropTextRect(QRect(0, 0, 247, 24), 12), QRect(5, 0, 220, 24));

    // Font heights are cell heights: 15 is a 13-pixel em, 17 a 15-pixel one.
    EXPECT_EQ(FontPixelSizeForCell(15), 13);
    EXPECT_EQ(FontPixelSizeForCell(17), 15);
    EXPECT_EQ(FontPixelSizeForCell(0), 1);
}

TEST(TimeZones, NinetyOneTextsWithSeoulAsDefault)
{
    const QStringList &zones = TimeZoneTexts();
    ASSERT_EQ(zones.size(), kTimeZoneCount);
    EXPECT_EQ(zones.first(), QStringLiteral("(GMT-12:00) International Date Line West"));
    EXPECT_EQ(zones.at(76), QStringLiteral("(GMT+09:00) Seoul"));
    EXPECT_EQ(zones.last(), QStringLiteral("(GMT+13:00) Nuku'alofa"));
    EXPECT_EQ(zones.filter(QStringLiteral("&&")).size(), 4);
    EXPECT_EQ(zones.filter(QStringLiteral("(GMT)")).size(), 4);
}

TEST(DropList, OpensBelowTheBoxWithTheHeightRule)
{
    ZoneBox z;
    CDropButton *box = z.box;
    EXPECT_FALSE(box->IsOpen());
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(box->IsOpen());
    const QRect popup = box->ListWindow()->geometry();
    EXPECT_EQ(popup.size(), QSize(247, 101));
    EXPECT_EQ(popup.topLeft(), box->mapToGlobal(QPoint(0, 23)));
    EXPECT_TRUE(box->List()->verticalScrollBar()->isVisible());
    EXPECT_EQ(box->CurrentPosition(), 76);
    EXPECT_EQ(box->List()->currentRow(), 76);
    // The opening is announced to the box's parent.
    QCoreApplication::processEvents();
    ASSERT_FALSE(z.owner.received.isEmpty());
    EXPECT_EQ(z.owner.received.first(), (QPair<int, qint64>{kDropOpenedCode, 50000}));

    ZoneBox small(3);
    QTest::mouseClick(small.box, Qt::LeftButton);
    EXPECT_EQ(small.box->ListWindow()->height(), 46);
}

TEST(DropList, KeyboardChoosesAndEscapeKeepsTheChoice)
{
    ZoneBox z;
    CDropButton *box = z.box;
    QTest::mouseClick(box, Qt::LeftButton);
    CPopupList *list = box->List();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 78);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(box->IsOpen());
    EXPECT_EQ(list->currentRow(), 76); // moved but never chosen
    QCoreApplication::processEvents();
    EXPECT_TRUE(z.Choices().isEmpty());

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(box->IsOpen());
    QCoreApplication::processEvents();
    EXPECT_EQ(z.Choices(), QList<qint64>{4});
    EXPECT_EQ(box->text(), QStringLiteral("(GMT-08:00) Pacific Time (US && Canada)"));
    EXPECT_EQ(box->CurrentPosition(), 4);
    // Shown with one ampersand in the list (and so to assistive technology).
    EXPECT_EQ(list->item(4)->text(), QStringLiteral("(GMT-08:00) Pacific Time (US & Canada)"));

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_EQ(z.Choices(), (QList<qint64>{4, 90}));
    EXPECT_EQ(box->text(), QStringLiteral("(GMT+13:00) Nuku'alofa"));
}

TEST(DropList, MouseScrollsAndChooses)
{
    ZoneBox z;
    CDropButton *box = z.box;
    QTest::mouseClick(box, Qt::LeftButton);
    CPopupList *list = box->List();
    QScrollBar *bar = list->verticalScrollBar();
    const int before = bar->value();
    const QPoint inside(50, 50);
    QWheelEvent wheel(inside, list->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &wheel);
    EXPECT_GT(bar->value(), before);

    const QModelIndex row = list->indexAt(QPoint(20, 20));
    ASSERT_TRUE(row.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    EXPECT_FALSE(box->IsOpen());
    QCoreApplication::processEvents();
    EXPECT_EQ(z.Choices(), QList<qint64>{row.row()});
    EXPECT_EQ(box->text(), TimeZoneTexts().at(row.row()));

    // A press on the box while open only closes the list.
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(box->IsOpen());
    box->Close();
    EXPECT_FALSE(box->IsOpen());
}

TEST(DropList, AssistiveTechnologySeesAComboBoxWithItsRows)
{
    ZoneBox z;
    CDropButton *box = z.box;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_TRUE(iface->state().collapsed);
    // The list is a pop-up window of its own, yet its rows are the box's to read.
    ASSERT_EQ(iface->childCount(), 1);
    QAccessibleInterface *list = iface->child(0);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(iface->indexOfChild(list), 0);
    ASSERT_EQ(list->childCount(), kTimeZoneCount);
    EXPECT_EQ(list->child(4)->role(), QAccessible::ListItem);
    EXPECT_EQ(list->child(4)->text(QAccessible::Name),
              QStringLiteral("(GMT-08:00) Pacific Time (US & Canada)"));

    iface->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(box->IsOpen());
    EXPECT_TRUE(iface->state().expanded);
    QTest::keyClick(box->List(), Qt::Key_Home);
    QTest::keyClick(box->List(), Qt::Key_Down);
    EXPECT_TRUE(list->child(1)->state().selected);
    QTest::keyClick(box->List(), Qt::Key_Return);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("(GMT-11:00) Midway Island, Samoa"));
    QCoreApplication::processEvents();
    EXPECT_EQ(z.Choices(), QList<qint64>{1});
}

TEST(DropList, ChoiceReachesTheDialogsRecord)
{
    CDlgOption dialog;
    dialog.showMessage = [](int) {};
    dialog.show();
    dialog.SetPage(2);
    QCoreApplication::processEvents();
    CDropButton *box = dialog.TimeZoneBox();
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(box->IsOpen());
    QTest::keyClick(box->List(), Qt::Key_Up);
    // Enter in the open list chooses; it does not save the dialog.
    QTest::keyClick(box->List(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Rules().Record().timeZone, 75);
    EXPECT_EQ(box->text(), QStringLiteral("(GMT+08:00) Taipei"));
}

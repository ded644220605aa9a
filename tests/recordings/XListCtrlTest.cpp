#include "XListCtrl.h"

#include "RecordingsTestUtil.h"
#include "SkinImages.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace {

RecordingEntry entry(const char *fileName)
{
    return *MakeRecordingEntry(QString::fromUtf8(fileName));
}

// A shown recording list with its notifications going to a sink.
class ListFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list.SetUpRecordingColumns();
        list.SetReceiver(&sink);
        list.resize(300, 400);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    void Fill(const QList<RecordingEntry> &entries)
    {
        list.AppendEntries(entries);
        QCoreApplication::processEvents();
    }

    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < list.RowCount(); ++row)
            texts << list.GetCellText(row, column);
        return texts;
    }

    QList<int> SelectedRows() const
    {
        QList<int> rows;
        for (const auto &selected : list.GetSelectedRows())
            rows << selected.row;
        return rows;
    }

    QPoint CellCentre(int row, int column)
    {
        return list.visualRect(list.Model()->index(row, column)).center();
    }

    QPoint HeadCentre(int column) const
    {
        CXListHeader *header = list.Header();
        return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                      header->height() / 2);
    }

    CNotificationSink sink;
    CXListCtrl list;
};

} // namespace

TEST_F(ListFixture, NameHeadClicksToggleTheDirectionAndAnnounceTheSort)
{
    Fill({entry("rec_b.avi"), entry("evt_C.avi"), entry("pmr_a.avi")});
    list.SetAscending(true);
    // The first sort by a head click runs in the other direction.
    QTest::mouseClick(list.Header()->viewport(), Qt::LeftButton, {}, HeadCentre(1));
    EXPECT_EQ(Column(1), (QStringList{"C", "b", "a"}));
    EXPECT_EQ(sink.Take(), (QList<std::pair<int, qint64>>{{11, list.ControlId()}}));

    QTest::mouseClick(list.Header()->viewport(), Qt::LeftButton, {}, HeadCentre(1));
    // Lower-cased keys: "C" sorts between "b" and nothing else.
    EXPECT_EQ(Column(1), (QStringList{"a", "b", "C"}));
    EXPECT_EQ(sink.Take().size(), 1);
}

TEST_F(ListFixture, FilterHeadPostsTenAndNeverSorts)
{
    Fill({entry("rec_b.avi"), entry("evt_c.avi"), entry("pmr_a.avi")});
    list.SetControlId(1029);
    QTest::mouseClick(list.Header()->viewport(), Qt::LeftButton, {}, HeadCentre(0));
    EXPECT_EQ(Column(1), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(sink.Take(), (QList<std::pair<int, qint64>>{{10, 1029}}));

    // Not sortable: head clicks do nothing at all.
    list.SetSortable(false);
    QTest::mouseClick(list.Header()->viewport(), Qt::LeftButton, {}, HeadCentre(0));
    QTest::mouseClick(list.Header()->viewport(), Qt::LeftButton, {}, HeadCentre(2));
    EXPECT_EQ(Column(1), (QStringList{"b", "c", "a"}));
    EXPECT_TRUE(sink.Take().isEmpty());
}

TEST_F(ListFixture, SortKeepsRowsWholeAndSelectedRowsSelected)
{
    Fill({entry("rec_20110523_142000.avi"), entry("evt_20110523_142233.avi"),
          entry("pmr_20110522_080000.avi"), entry("rec_20110521_000000.avi")});
    list.selectionModel()->select(list.Model()->index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.selectionModel()->select(list.Model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    list.SetAscending(false);
    list.SortByColumn(2, false);
    EXPECT_EQ(Column(1), (QStringList{"20110523_142233", "20110523_142000", "20110522_080000",
                                      "20110521_000000"}));
    EXPECT_TRUE(sink.Take().isEmpty());
    for (int row = 0; row < list.RowCount(); ++row) {
        const RecordingEntry shown = list.Model()->EntryAt(row);
        EXPECT_EQ(shown.fileName, RecordingPrefix(shown.kind) + shown.stem + ".avi");
        EXPECT_EQ(shown.dateText, RecordingDateText(shown.stem));
        EXPECT_EQ(list.Model()->Cell(row, 0)->imageIndex, int(shown.kind));
    }
    const auto selected = list.GetSelectedRows();
    ASSERT_EQ(selected.size(), 2);
    EXPECT_EQ(selected[0].row, 0);
    EXPECT_EQ(selected[0].stem, QStringLiteral("20110523_142233"));
    EXPECT_EQ(selected[1].row, 2);
    EXPECT_EQ(selected[1].stem, QStringLiteral("20110522_080000"));
}

TEST_F(ListFixture, EqualKeysKeepTheirOrderInBothDirections)
{
    Fill({entry("evt_1.avi"), entry("pmr_1.avi"), entry("rec_0.avi"), entry("rec_1.avi"),
          entry("evt_A.avi"), entry("rec_a.avi")});
    list.SetAscending(true);
    list.SortByColumn(1, false);
    EXPECT_EQ(Column(1), (QStringList{"0", "1", "1", "1", "A", "a"}));
    EXPECT_EQ(Column(0), (QStringList{"Normal", "Event", "Parking", "Normal", "Event", "Normal"}));
    list.SetAscending(false);
    list.SortByColumn(1, false);
    EXPECT_EQ(Column(0), (QStringList{"Event", "Normal", "Event", "Parking", "Normal", "Normal"}));
}

TEST_F(ListFixture, EqualKeysKeepTheirOrderInLargeLists)
{
    // Enough rows that a sort which is not stable would show it.
    QList<RecordingEntry> entries;
    const char *prefixes[] = {"evt_", "pmr_", "rec_"};
    for (int i = 0; i < 90; ++i)
        entries << entry(QStringLiteral("%1%2.avi").arg(prefixes[(i * 7) % 3]).arg(i % 4).toUtf8());
    // Same kind and stem repeat: tell the rows apart by an order number in the date column.
    Fill(entries);
    for (int row = 0; row < list.RowCount(); ++row)
        list.SetCellText(row, 2, QString::number(row));

    for (bool ascending : {true, false}) {
        list.SetAscending(ascending);
        list.SortByColumn(1, false);
        for (int row = 1; row < list.RowCount(); ++row) {
            if (list.GetCellText(row, 1) == list.GetCellText(row - 1, 1)) {
                const int before = list.GetCellText(row - 1, 2).toInt();
                const int after = list.GetCellText(row, 2).toInt();
                EXPECT_LT(before, after)
                    << "row " << row << (ascending ? " ascending" : " descending");
            }
        }
        // Keep the sorted order as the new insertion order for the other direction.
        for (int row = 0; row < list.RowCount(); ++row)
            list.SetCellText(row, 2, QString::number(row));
    }
}

TEST_F(ListFixture, EmptyListSortsNothingAndPostsNothing)
{
    list.SortByColumn(1, true);
    list.ColumnClicked(2);
    EXPECT_TRUE(sink.Take().isEmpty());
}

TEST_F(ListFixture, ClicksBelowTheLastRowKeepTheSelection)
{
    Fill({entry("rec_a.avi"), entry("rec_b.avi"), entry("rec_c.avi")});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CellCentre(1, 1));
    EXPECT_EQ(SelectedRows(), QList<int>{1});

    const QPoint below(100, list.viewport()->height() - 5);
    ASSERT_FALSE(list.indexAt(below).isValid());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    EXPECT_TRUE(sink.Take().isEmpty());

    // With the selection gone (a control-click), empty space brings the last row back.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(1, 1));
    EXPECT_TRUE(SelectedRows().isEmpty());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(SelectedRows(), QList<int>{1});

    // The selection also survives a sort.
    list.SetAscending(false);
    list.SortByColumn(1, true);
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    EXPECT_EQ(list.GetSelectedRows().first().stem, QStringLiteral("b"));
}

TEST_F(ListFixture, DoubleClickOnARowPostsNineWithItsIndex)
{
    Fill({entry("rec_a.avi"), entry("rec_b.avi"), entry("rec_c.avi")});
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
    EXPECT_EQ(sink.Take(), (QList<std::pair<int, qint64>>{{9, 2}}));
}

TEST_F(ListFixture, SelectOnlyClearsOtherRowsAndIgnoresRowsOutside)
{
    Fill({entry("rec_a.avi"), entry("rec_b.avi"), entry("rec_c.avi")});
    list.selectAll();
    list.SelectOnly(2);
    EXPECT_EQ(SelectedRows(), QList<int>{2});
    EXPECT_EQ(list.currentIndex().row(), 2);
    list.SelectOnly(3);
    EXPECT_TRUE(SelectedRows().isEmpty());
    list.SelectOnly(-2);
    EXPECT_TRUE(SelectedRows().isEmpty());
}

TEST_F(ListFixture, ArrowKeySelectionStopsAtBothEnds)
{
    list.SelectRowBelow();
    EXPECT_TRUE(SelectedRows().isEmpty());
    Fill({entry("rec_a.avi"), entry("rec_b.avi"), entry("rec_c.avi")});
    list.SelectRowAbove();
    EXPECT_TRUE(SelectedRows().isEmpty());
    list.SelectRowBelow();
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    list.SelectRowAbove();
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    list.SelectRowBelow();
    list.SelectRowBelow();
    list.SelectRowBelow();
    EXPECT_EQ(SelectedRows(), QList<int>{2});
    // From a multiple selection the first selected row counts.
    list.selectAll();
    list.SelectRowBelow();
    EXPECT_EQ(SelectedRows(), QList<int>{1});
}

TEST_F(ListFixture, CellRequestsOutsideTheListDoNothing)
{
    const int row = list.AppendRow(QStringLiteral("Event"));
    EXPECT_EQ(row, 0);
    list.SetRowKindImage(row, RecordingKind::Event);
    list.SetCellText(row, 1, QStringLiteral("1"));
    list.SetCellText(row, 3, QStringLiteral("x"));
    list.SetCellText(1, 1, QStringLiteral("x"));
    list.SetRowKindImage(5, RecordingKind::Normal);
    EXPECT_EQ(list.GetCellText(0, 1), QStringLiteral("1"));
    EXPECT_EQ(list.GetCellText(0, 3), QString());
    EXPECT_EQ(list.GetCellText(-1, 0), QString());
    EXPECT_EQ(list.Model()->EntryAt(0).fileName, QStringLiteral("evt_1.avi"));
    list.DeleteRow(4);
    EXPECT_EQ(list.RowCount(), 1);
    list.DeleteRow(0);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ListFixture, LastColumnMakesRoomForTheScrollBarAndTakesItBack)
{
    const int width = list.header()->sectionSize(2);
    Fill({entry("rec_1.avi"), entry("rec_2.avi")});
    list.AdjustLastColumn();
    EXPECT_FALSE(list.ScrollBarShown());
    EXPECT_EQ(list.header()->sectionSize(2), width);

    QList<RecordingEntry> many;
    for (int i = 0; i < 60; ++i)
        many << entry(QStringLiteral("evt_%1.avi").arg(i, 3, 10, QLatin1Char('0')).toUtf8());
    Fill(many);
    list.AdjustLastColumn();
    EXPECT_TRUE(list.ScrollBarShown());
    EXPECT_TRUE(list.verticalScrollBar()->isVisible());
    const int narrowed = list.header()->sectionSize(2);
    EXPECT_LT(narrowed, width);
    // The columns then fit beside the bar.
    EXPECT_LE(list.header()->length(), list.viewport()->width());
    list.AdjustLastColumn();
    EXPECT_EQ(list.header()->sectionSize(2), narrowed);

    list.DeleteAllRows();
    list.AppendEntries({entry("rec_1.avi")});
    list.AdjustLastColumn();
    EXPECT_FALSE(list.ScrollBarShown());
    EXPECT_EQ(list.header()->sectionSize(2), width);
}

TEST_F(ListFixture, LastColumnFollowsTheBarAsTheListChangesHeight)
{
    const int width = list.header()->sectionSize(2);
    const int bar =
        list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list.verticalScrollBar());
    QList<RecordingEntry> many;
    for (int i = 0; i < 20; ++i)
        many << entry(QStringLiteral("evt_%1.avi").arg(i, 3, 10, QLatin1Char('0')).toUtf8());
    Fill(many);
    // From too short for the rows to tall enough, and back: the list is only resized.
    for (int height : {150, 300, 500, 700, 900, 1200, 640, 400, 1000, 200}) {
        list.resize(300, height);
        QCoreApplication::processEvents();
        const bool shown = list.verticalScrollBar()->isVisible();
        EXPECT_EQ(list.ScrollBarShown(), shown) << height;
        EXPECT_EQ(list.header()->sectionSize(2), shown ? width - bar : width) << height;
    }
    // Taller rows bring the bar without a change of the list's size, and smaller ones take
    // it away again.
    list.resize(300, 700);
    QCoreApplication::processEvents();
    ASSERT_FALSE(list.verticalScrollBar()->isVisible());
    for (int rowFont : {50, 22}) {
        list.SetListFont(CellHeightFont(QStringLiteral("Arial"), rowFont));
        QCoreApplication::processEvents();
        const bool shown = list.verticalScrollBar()->isVisible();
        EXPECT_EQ(shown, rowFont == 50);
        EXPECT_EQ(list.ScrollBarShown(), shown) << rowFont;
        EXPECT_EQ(list.header()->sectionSize(2), shown ? width - bar : width) << rowFont;
    }
}

TEST_F(ListFixture, ColumnDividersCannotBeDragged)
{
    CXListHeader *header = list.Header();
    const int first = header->sectionSize(0);
    const QPoint divider(header->sectionViewportPosition(1) - 1, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, divider);
    QTest::mouseMove(header->viewport(), divider + QPoint(40, 0));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, divider + QPoint(40, 0));
    EXPECT_EQ(header->sectionSize(0), first);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::Fixed);
}

TEST_F(ListFixture, FilterHeadLooksPressedOnlyWhileHeldInside)
{
    CXListHeader *header = list.Header();
    EXPECT_EQ(header->ButtonColumn(), 0);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, HeadCentre(0));
    EXPECT_TRUE(header->ShowsPressed(0));
    QMouseEvent outside(QEvent::MouseMove, QPointF(HeadCentre(1)), QPointF(HeadCentre(1)),
                        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &outside);
    EXPECT_FALSE(header->ShowsPressed(0));
    EXPECT_TRUE(header->IsMouseDown());
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, HeadCentre(1));
    EXPECT_FALSE(header->IsMouseDown());
    EXPECT_FALSE(header->ShowsPressed(0));
    // Pressing another head never shows the button's pressed look.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, HeadCentre(2));
    EXPECT_FALSE(header->ShowsPressed(0));
    EXPECT_FALSE(header->ShowsPressed(2));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, HeadCentre(2));
}

TEST_F(ListFixture, FilterCaptionNeedsTheCaptionsSetUp)
{
    list.SetFilterCaption(3416);
    EXPECT_EQ(list.Header()->CaptionImageId(0), 3416);
    EXPECT_EQ(list.Header()->CaptionImageId(1), 3412);

    CXListCtrl bare;
    bare.AddColumn(QStringLiteral("a"), 50);
    bare.Header()->SetCaptionImages({3409});
    bare.SetFilterCaption(3416);
    EXPECT_EQ(bare.Header()->CaptionImageId(0), 3409);
}

TEST_F(ListFixture, CellsArePaintedInTheListColours)
{
    Fill({entry("evt_a.avi"), entry("rec_b.avi")});
    list.SelectOnly(0);
    list.SetGridColour(QColor(1, 2, 3));
    QCoreApplication::processEvents();
    const QImage image = list.viewport()->grab().toImage();

    const QRect selected = list.visualRect(list.Model()->index(0, 1));
    const QRect plain = list.visualRect(list.Model()->index(1, 1));
    // Left edge of the name cells: no text there.
    EXPECT_EQ(QColor(image.pixel(selected.left() + 2, selected.top() + 2)), QColor(242, 149, 48));
    EXPECT_EQ(QColor(image.pixel(plain.left() + 2, plain.top() + 2)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(image.pixel(plain.left() + 2, plain.bottom())), QColor(1, 2, 3));

    // The unselected row's text is drawn in the orange text colour (blended by antialiasing).
    bool textSeen = false;
    for (int x = plain.left(); x <= plain.right() && !textSeen; ++x) {
        for (int y = plain.top(); y < plain.bottom() && !textSeen; ++y) {
            const QColor pixel(image.pixel(x, y));
            textSeen = pixel.red() > 200 && pixel.red() - pixel.blue() > 100;
        }
    }
    EXPECT_TRUE(textSeen);

    // The kind icon sits in the middle of the first column.
    if (CSkinImages::IsLoaded() && !CSkinImages::Pixmap(3501).isNull()) {
        const QRect icon = list.visualRect(list.Model()->index(1, 0));
        bool drawn = false;
        for (int x = icon.center().x() - 8; x < icon.center().x() + 8 && !drawn; ++x)
            drawn = QColor(image.pixel(x, icon.center().y())) != QColor(255, 255, 255);
        EXPECT_TRUE(drawn);
    }
}

TEST_F(ListFixture, RowsReachAccessibilityTools)
{
    Fill({entry("evt_20110523_142233.avi")});
    const QModelIndex kind = list.Model()->index(0, 0);
    EXPECT_EQ(kind.data(Qt::AccessibleTextRole).toString(), QStringLiteral("Event"));
    EXPECT_EQ(list.Model()->index(0, 2).data(Qt::DisplayRole).toString(),
              QStringLiteral("2011-05-23 14:22:33"));
    EXPECT_EQ(list.Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("파일 이름"));
    EXPECT_FALSE(list.accessibleName().isEmpty());

    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(view, nullptr);
    QAccessibleTableInterface *table = view->tableInterface();
    ASSERT_NE(table, nullptr);
    QAccessibleInterface *cell = table->cellAt(0, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("20110523_142233"));
    QAccessibleInterface *icon = table->cellAt(0, 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->text(QAccessible::Name), QStringLiteral("Event"));
}

TEST(XListHeader, WhiteIsTransparentInCaptions)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    image.setPixel(1, 0, qRgb(254, 255, 255));
    const QImage keyed = CXListHeader::KeyOutWhite(QPixmap::fromImage(image)).toImage();
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(1, 0)), 255);
}

namespace {

bool OneColour(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != image.pixel(0, 0))
                return false;
        }
    }
    return true;
}

} // namespace

TEST(XListHeader, PaintsOnlyWithCaptionsAndNoMoreCaptionsThanHeads)
{
    EXPECT_FALSE(CXListHeader::PaintsHeads(3, 0));
    EXPECT_TRUE(CXListHeader::PaintsHeads(3, 1));
    EXPECT_TRUE(CXListHeader::PaintsHeads(3, 3));
    EXPECT_FALSE(CXListHeader::PaintsHeads(3, 4));
    EXPECT_FALSE(CXListHeader::PaintsHeads(0, 0));

    CXListCtrl list;
    for (int i = 0; i < 3; ++i)
        list.AddColumn(QStringLiteral("c%1").arg(i), 80);
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    CXListHeader *header = list.Header();
    const auto shot = [&](const QList<int> &captions) {
        header->SetCaptionImages(captions);
        return header->viewport()->grab().toImage();
    };
    EXPECT_TRUE(OneColour(shot({}))) << "no captions";
    EXPECT_FALSE(OneColour(shot({3410}))) << "one caption on three heads";
    EXPECT_FALSE(OneColour(shot({3410, 3412, 3413}))) << "a caption on each head";
    EXPECT_TRUE(OneColour(shot({3410, 3412, 3413, 3409}))) << "more captions than heads";
}

TEST(XListFonts, CameraNamesFitTheirColumns)
{
    const QFont cell = CellHeightFont(QStringLiteral("Arial"), 15);
    const QFontMetrics metrics(cell);
    EXPECT_LE(metrics.height(), 15);
    EXPECT_GE(metrics.height(), 12);
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("20110523_142233")), 110);
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("2011-05-23 14:22:33")), 135);
}

// The grid layer: columns, cells, sorting, layout lists, selection, mouse
// signals, groups and drops, all with 1-based rows and columns.
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/WinColor.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

/** Column 1 of every row, top to bottom. */
QStringList column(const Grid& g, int col)
{
    QStringList out;
    for (int r = 1; r <= g.rows(); ++r)
        out << g.cellText(r, col);
    return out;
}

/** A shown grid with three columns and the given rows (text of column 1). */
struct ShownGrid
{
    Grid grid;
    explicit ShownGrid(int rows = 5)
    {
        grid.resize(400, 300);
        grid.addColumn(s("A"), s("A"), 80);
        grid.addColumn(s("B"), s("B"), 80);
        grid.addColumn(s("C"), s("C"), 80);
        for (int r = 1; r <= rows; ++r)
            grid.setCellText(r, 1, QString::number(r));
        grid.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    /** Centre of a cell in viewport pixels (where QTest delivers clicks). */
    QPoint at(int row, int col) const
    {
        return grid.cellRect(row, col).center() - grid.viewport()->geometry().topLeft();
    }
};

/** Drags data over a grid's viewport and drops it there, as a drag would. */
void dragAndDrop(Grid& grid, const QMimeData& mime, const QPoint& viewportPos)
{
    QDragEnterEvent enter(viewportPos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &enter);
    QDropEvent drop(QPointF(viewportPos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &drop);
}
} // namespace

TEST(Grid, ColumnsByNumberAndKey)
{
    Grid g;
    EXPECT_EQ(g.addColumn(s("Meeting"), s("Meeting"), 72), 1);
    EXPECT_EQ(g.addColumn(s("Race"), s("R"), 18, Qt::AlignHCenter, Grid::SortNumeric), 2);
    EXPECT_EQ(g.addColumn(s("Icon1"), QString(), 15, Qt::AlignLeft, Grid::SortIcon, true, s("Desc")), 3);
    EXPECT_EQ(g.addColumn(s("RaceCode"), QString(), -1, Qt::AlignLeft, Grid::SortText, false), 4);
    EXPECT_EQ(g.columns(), 4);

    EXPECT_EQ(g.colIndex(s("racecode")), 4);
    EXPECT_EQ(g.colIndex(s("nothing")), 0);
    EXPECT_EQ(g.colKey(2), s("Race"));
    EXPECT_EQ(g.colHeader(2), s("R"));
    EXPECT_EQ(g.colHeaderAlignment(2), Qt::AlignHCenter);
    EXPECT_EQ(g.colSortType(3), Grid::SortIcon);
    EXPECT_EQ(g.colTag(3), s("Desc"));
    // Widths were given for the layouts' own font: scaled to the grid's.
    EXPECT_EQ(g.colWidth(1), g.scaledWidth(72));
    EXPECT_EQ(g.colWidth(3), g.scaledWidth(15));

    // A hidden column keeps and reports its width, also when it is changed.
    EXPECT_FALSE(g.colVisible(4));
    EXPECT_TRUE(g.isColumnHidden(3));
    EXPECT_EQ(g.colWidth(4), g.scaledWidth(Grid::kDefaultColumnWidth));
    g.setColWidth(4, 40);
    EXPECT_EQ(g.colWidth(4), 40);
    g.setColVisible(s("RaceCode"), true);
    EXPECT_EQ(g.horizontalHeader()->sectionSize(3), 40);
    g.setColVisible(1, false);
    EXPECT_EQ(g.colWidthList(), QStringLiteral("%1,%2,%3,40").arg(g.scaledWidth(72)).arg(g.scaledWidth(18)).arg(g.scaledWidth(15)));

    // Header images come from the image list and are drawn right of the
    // caption: the caption's side of the section looks the same with and
    // without one; -1 removes it.
    std::unique_ptr<ImageList> icons(ImageList::gridRaceIcons());
    g.setImageList(icons.get());
    g.setColVisible(1, true);
    g.setColWidth(1, 120);
    g.resize(400, 200);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    const QHeaderView* h = g.horizontalHeader();
    const auto section = [&] {
        return h->viewport()->grab(QRect(h->sectionViewportPosition(0), 0, 120, h->height())).toImage();
    };
    const QImage plain = section();
    g.setColHeaderImage(1, ImageList::IconSortAscending);
    EXPECT_EQ(g.colHeaderImage(1), 1);
    const QImage arrow = section();
    EXPECT_EQ(plain.copy(0, 0, 80, plain.height()), arrow.copy(0, 0, 80, arrow.height()));
    EXPECT_NE(plain.copy(80, 0, 40, plain.height()), arrow.copy(80, 0, 40, arrow.height()));
    g.setColHeaderImage(1, -1);
    EXPECT_EQ(g.colHeaderImage(1), -1);
    EXPECT_EQ(section(), plain);

    // Out of range asks give neutral answers.
    EXPECT_EQ(g.colKey(0), QString());
    EXPECT_EQ(g.colWidth(9), 0);
    EXPECT_EQ(g.colPosition(9), 0);
}

TEST(Grid, CellsGrowTheGridAndKeepWhatWasWritten)
{
    Grid g;
    for (int c = 1; c <= 3; ++c)
        g.addColumn(QString());
    EXPECT_EQ(g.rows(), 0);
    g.setCellText(5, 3, s("x"));
    EXPECT_EQ(g.rows(), 5);
    EXPECT_EQ(g.cellText(5, 3), s("x"));
    // Unset cells and cells outside the grid read as empty / none.
    EXPECT_EQ(g.cellText(2, 2), QString());
    EXPECT_EQ(g.cellIcon(2, 2), -1);
    EXPECT_EQ(g.cellBackColor(2, 2), -1);
    EXPECT_EQ(g.cellForeColor(9, 9), -1);
    EXPECT_EQ(g.cellText(0, 1), QString());
    g.setCellText(1, 4, s("no such column"));
    EXPECT_EQ(g.columns(), 3);

    // Colours read back as the very number written; brushes follow them.
    for (qint64 colour : {qint64(255), qint64(16711680), qint64(0x80000005LL), qint64(-2147483643LL), qint64(0)}) {
        g.setCellBackColor(1, 1, colour);
        EXPECT_EQ(g.cellBackColor(1, 1), colour);
        EXPECT_EQ(g.item(0, 0)->background().color(), WinColor::toQColor(colour)) << colour;
    }
    EXPECT_EQ(WinColor::toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(WinColor::toQColor(0x80000005LL), WinColor::toQColor(-2147483643LL));
    g.setCellBackColor(1, 1, -1);
    EXPECT_EQ(g.cellBackColor(1, 1), -1);
    EXPECT_EQ(g.item(0, 0)->background().style(), Qt::NoBrush);

    // One call writes everything but keeps the item data.
    QFont bold = g.font();
    bold.setBold(true);
    g.setCellItemData(2, 1, 41);
    g.setCellDetails(2, 1, s("Smith"), Qt::AlignRight, 7, 0x7D7D19, 255, &bold, 5);
    EXPECT_EQ(g.cellText(2, 1), s("Smith"));
    EXPECT_EQ(g.cellAlignment(2, 1), Qt::AlignRight);
    EXPECT_EQ(g.cellIcon(2, 1), 7);
    EXPECT_EQ(g.cellBackColor(2, 1), 0x7D7D19);
    EXPECT_EQ(g.cellForeColor(2, 1), 255);
    EXPECT_TRUE(g.cellFont(2, 1).bold());
    EXPECT_EQ(g.cellIndent(2, 1), 5);
    EXPECT_EQ(g.cellItemData(2, 1).toInt(), 41);
    // Writing again without colours or icon clears them.
    g.setCellDetails(2, 1, s("Smith"));
    EXPECT_EQ(g.cellIcon(2, 1), -1);
    EXPECT_EQ(g.cellForeColor(2, 1), -1);
    EXPECT_FALSE(g.cellFont(2, 1).bold());
    EXPECT_EQ(g.cellAlignment(2, 1), Qt::AlignLeft);

    g.clearRows();
    EXPECT_EQ(g.rows(), 0);
    EXPECT_EQ(g.columns(), 3);
    EXPECT_EQ(g.addRow(), 1);
    g.setCellText(1, 1, s("b"));
    EXPECT_EQ(g.addRow(1), 1);
    EXPECT_EQ(column(g, 1), QStringList({QString(), s("b")}));
    g.deleteRow(1);
    EXPECT_EQ(column(g, 1), QStringList({s("b")}));
}

TEST(Grid, SortsAscendingThenDescendingByColumnType)
{
    Grid g;
    g.addColumn(s("Name"));
    g.addColumn(s("Num"), QString(), -1, Qt::AlignLeft, Grid::SortNumeric);
    g.addColumn(s("Icon"), QString(), -1, Qt::AlignLeft, Grid::SortIcon);
    g.addColumn(s("Date"), QString(), -1, Qt::AlignLeft, Grid::SortDate);
    g.addColumn(s("Rank"), QString(), -1, Qt::AlignLeft, Grid::SortItemData);
    struct Row
    {
        const char* name;
        const char* num;
        int icon;
        const char* date;
        int rank;
    };
    const Row rows[] = {
        {"delta", "10", 4, "05/03/24", 12}, {"Alpha", "9", -1, "2023-12-31", 1}, {"charlie", "", 5, "", 999},
        {"bravo", "52.5", 4, "2024Jan07", 5}, {"echo", "-3", -1, "31/12/2024", 200},
    };
    g.setRedraw(false);
    int r = 0;
    for (const Row& row : rows) {
        ++r;
        g.setCellText(r, 1, s(row.name));
        g.setCellText(r, 2, s(row.num));
        g.setCellIcon(r, 3, row.icon);
        g.setCellText(r, 4, s(row.date));
        g.setCellItemData(r, 5, row.rank);
    }
    g.setRowHeightAt(1, 33); // row heights travel with their rows
    g.setRedraw(true);

    g.sortOnColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("Alpha"), s("bravo"), s("charlie"), s("delta"), s("echo")}));
    EXPECT_EQ(g.rowHeightAt(4), 33);
    EXPECT_EQ(g.cellItemData(4, 5).toInt(), 12); // whole rows move
    g.sortOnColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("echo"), s("delta"), s("charlie"), s("bravo"), s("Alpha")}));

    // Numbers by value: 9 before 10; an empty cell has no number and sorts lowest.
    g.sortOnColumn(2, Qt::AscendingOrder);
    EXPECT_EQ(column(g, 2), QStringList({QString(), s("-3"), s("9"), s("10"), s("52.5")}));
    g.sortOnColumn(2, Qt::DescendingOrder);
    EXPECT_EQ(column(g, 2), QStringList({s("52.5"), s("10"), s("9"), s("-3"), QString()}));

    // Icons: descending puts 5, then the 4s, then none, equal icons keeping
    // their present order (here bravo, delta, Alpha, echo).
    g.sortOnColumn(3, Qt::DescendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("charlie"), s("bravo"), s("delta"), s("Alpha"), s("echo")}));
    g.sortOnColumn(3, Qt::AscendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("Alpha"), s("echo"), s("bravo"), s("delta"), s("charlie")}));

    // Dates in the forms the grids show; no date sorts lowest.
    g.sortOnColumn(4, Qt::AscendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("charlie"), s("Alpha"), s("bravo"), s("delta"), s("echo")}));

    // Item data (a class rank), and a sort key other than the column's own type.
    g.sortOnColumn(5, Qt::AscendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({s("Alpha"), s("bravo"), s("delta"), s("echo"), s("charlie")}));
    g.clearSortKeys();
    g.addSortKey(2, Qt::DescendingOrder, Grid::SortText);
    g.sort();
    EXPECT_EQ(column(g, 2), QStringList({s("9"), s("52.5"), s("10"), s("-3"), QString()}));
}

TEST(Grid, ColumnOrderAndWidthsRoundTrip)
{
    Grid g;
    for (int c = 1; c <= 4; ++c)
        g.addColumn(QString::number(c), QString(), 20 * c);
    EXPECT_EQ(g.colOrderList(), s("1,2,3,4"));

    // Moving columns one by one in column order would give 2,4,3,1 here.
    g.restoreColOrder(s("3,4,2,1"));
    EXPECT_EQ(g.colOrderList(), s("3,4,2,1"));
    EXPECT_EQ(g.horizontalHeader()->logicalIndex(0), 3); // column 4 is leftmost

    // Malformed lists change nothing.
    for (const char* bad : {"", "x,y,z,w", "0,0,0,0", "9,-1,abc,"})
        g.restoreColOrder(s(bad));
    EXPECT_EQ(g.colOrderList(), s("3,4,2,1"));

    // A short list or repeated positions: the usable entries are honoured and
    // the other columns fill the free places in their present order.
    g.restoreColOrder(s("1,2,3,4"));
    g.restoreColOrder(s("4"));
    EXPECT_EQ(g.colOrderList(), s("4,1,2,3"));
    g.restoreColOrder(s("2,2,1,3"));
    EXPECT_EQ(g.colOrderList(), s("2,4,1,3"));

    // Every permutation of five columns comes back exactly.
    Grid five;
    for (int c = 1; c <= 5; ++c)
        five.addColumn(QString::number(c));
    QList<int> perm = {1, 2, 3, 4, 5};
    int checked = 0;
    do {
        QStringList parts;
        for (int p : perm)
            parts << QString::number(p);
        five.restoreColOrder(parts.join(QLatin1Char(',')));
        ASSERT_EQ(five.colOrderList(), parts.join(QLatin1Char(',')));
        ++checked;
    } while (std::next_permutation(perm.begin(), perm.end()));
    EXPECT_EQ(checked, 120);

    // Widths: only elements above 0 apply; short and long lists are fine.
    g.restoreColWidths(s("20,40,60,80")); // saved widths are taken as they are
    EXPECT_EQ(g.colWidthList(), s("20,40,60,80"));
    g.restoreColWidths(s("25,0,abc"));
    EXPECT_EQ(g.colWidthList(), s("25,40,60,80"));
    g.restoreColWidths(s("30,31,32.6,33,99,100"));
    EXPECT_EQ(g.colWidthList(), s("30,31,33,33"));
    g.setColVisible(2, false);
    g.restoreColWidths(s(",50"));
    EXPECT_EQ(g.colWidthList(), s("30,50,33,33"));
}

TEST(Grid, MouseClicksSelectAndSignalWithGridNumbers)
{
    ShownGrid sg;
    Grid& g = sg.grid;
    EXPECT_EQ(g.selectedRow(), 0);
    EXPECT_EQ(g.selectedCol(), 0);

    QSignalSpy down(&g, &Grid::mouseDown);
    QSignalSpy up(&g, &Grid::mouseUp);
    QSignalSpy click(&g, &Grid::cellClick);
    QSignalSpy dbl(&g, &Grid::dblClick);
    QSignalSpy edit(&g, &Grid::requestEdit);
    QSignalSpy header(&g, &Grid::columnClick);

    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, sg.at(3, 2));
    EXPECT_EQ(g.selectedRow(), 3);
    EXPECT_EQ(g.selectedCol(), 2);
    ASSERT_EQ(down.size(), 1);
    EXPECT_EQ(down.at(0).at(0).toInt(), 1);
    // Event points are grid pixels, so the hit test finds the same cell.
    const Grid::Cell hit = g.cellFromPoint(down.at(0).at(2).toInt(), down.at(0).at(3).toInt());
    EXPECT_EQ(hit.row, 3);
    EXPECT_EQ(hit.col, 2);
    ASSERT_EQ(click.size(), 1);
    EXPECT_EQ(click.at(0), QList<QVariant>({3, 2, 1}));

    // A right click selects too and reports button 2 with Shift.
    QTest::mouseClick(g.viewport(), Qt::RightButton, Qt::ShiftModifier, sg.at(5, 3));
    ASSERT_EQ(up.size(), 2);
    EXPECT_EQ(up.at(1).at(0).toInt(), 2);
    EXPECT_EQ(up.at(1).at(1).toInt(), 1);
    EXPECT_EQ(g.selectedRow(), 5);

    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    ASSERT_EQ(dbl.size(), 1);
    EXPECT_EQ(dbl.at(0), QList<QVariant>({2, 1}));
    EXPECT_EQ(edit.size(), 1);
    g.setEditOnDoubleClick(false);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    EXPECT_EQ(dbl.size(), 2);
    EXPECT_EQ(edit.size(), 1);
    QTest::keyClick(&g, Qt::Key_F2);
    ASSERT_EQ(edit.size(), 2);
    EXPECT_EQ(edit.at(1), QList<QVariant>({2, 1}));

    // A header click names the column and leaves the selection alone, also
    // after the user moved that column.
    g.setColPosition(3, 1);
    const QHeaderView* h = g.horizontalHeader();
    const QPoint inHeader(h->sectionViewportPosition(2) + 10, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, inHeader);
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header.at(0).at(0).toInt(), 3);
    EXPECT_EQ(g.selectedRow(), 2);
    EXPECT_EQ(g.selectedCol(), 1);

    // Cell rectangles and hit tests agree; outside the cells there is none.
    const QRect rect = g.cellRect(4, 3);
    EXPECT_EQ(g.cellFromPoint(rect.center()).row, 4);
    EXPECT_EQ(g.cellFromPoint(rect.center()).col, 3);
    EXPECT_FALSE(g.cellFromPoint(2, 2).valid()); // on the frame / header
    EXPECT_FALSE(g.cellFromPoint(g.cellRect(5, 1).bottomLeft() + QPoint(2, 40)).valid());
    EXPECT_TRUE(g.cellRect(9, 1).isNull());
}

// A double-click that opens a window (the race view, modal) ends with a
// release that reaches that window, not the grid. When the grid has scrolled
// since, the next click is on the row clicked, not moved by that scroll.
TEST(Grid, AClickAfterADoubleClickEndedInAnotherWindowIsOnTheRowClicked)
{
    ShownGrid sg(40);
    Grid& g = sg.grid;
    QScrollBar* bar = g.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 5);
    QSignalSpy dbl(&g, &Grid::dblClick);
    QSignalSpy click(&g, &Grid::cellClick);

    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    // The double-click event alone: its release goes to the other window.
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, sg.at(2, 1));
    ASSERT_EQ(dbl.size(), 1);
    click.clear();

    // Five rows down; the click lands on a row wholly in view.
    bar->setValue(5);
    QCoreApplication::processEvents();
    ASSERT_EQ(bar->value(), 5);
    const int row = 11;
    ASSERT_TRUE(g.viewport()->geometry().contains(g.cellRect(row, 2)));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, sg.at(row, 2));
    ASSERT_EQ(click.size(), 1);
    EXPECT_EQ(click.at(0).at(0).toInt(), row);
    EXPECT_EQ(click.at(0).at(1).toInt(), 2);
}

TEST(Grid, SeveralRowsSelectedInGridOrder)
{
    ShownGrid sg;
    Grid& g = sg.grid;
    g.setMultiSelect(true);
    g.setRowMode(true);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, sg.at(4, 1));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, sg.at(2, 2));
    EXPECT_EQ(g.selectedRows(), QList<int>({2, 4}));
    EXPECT_TRUE(g.isCellSelected(4, 1));
    EXPECT_TRUE(g.isCellSelected(2, 1));
    EXPECT_FALSE(g.isCellSelected(3, 1));
    EXPECT_EQ(g.selectedRow(), 2);

    g.setSelectedCell(5, 3);
    EXPECT_EQ(g.selectedRows(), QList<int>({5}));
    g.selectRowToo(1);
    EXPECT_EQ(g.selectedRows(), QList<int>({1, 5}));
    EXPECT_EQ(g.selectedRow(), 5);

    // Sorting keeps the selection on the same rows.
    g.sortOnColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(g.selectedRows(), QList<int>({1, 5}));
    EXPECT_EQ(g.cellText(g.selectedRow(), 1), s("5"));

    g.clearRows();
    EXPECT_EQ(g.selectedRow(), 0);
    EXPECT_TRUE(g.selectedRows().isEmpty());

    // Yellow selection and back to the system colour.
    g.setSelectionColor(0xFFFF);
    EXPECT_EQ(g.palette().color(QPalette::Highlight), QColor(255, 255, 0));
    g.setSelectionColor(0x8000000DLL);
    EXPECT_EQ(g.selectionColor(), 0x8000000DLL);
}

TEST(Grid, GroupsRowsByAColumnAndSortsWithinGroups)
{
    Grid g;
    g.addColumn(s("Nbr"), QString(), -1, Qt::AlignLeft, Grid::SortNumeric);
    g.addColumn(s("Race"));
    const std::pair<const char*, const char*> runners[] = {
        {"2", " 1 MDN"}, {"1", " 1 MDN"}, {"3", " 2 BM70"}, {"1", "10 CUP"}, {"5", " 2 BM70"},
    };
    int r = 0;
    for (const auto& [nbr, race] : runners) {
        ++r;
        g.setCellText(r, 1, s(nbr));
        g.setCellText(r, 2, s(race));
    }
    g.setGroupColumn(2);
    ASSERT_EQ(g.rows(), 8);
    EXPECT_EQ(column(g, 2), QStringList({s(" 1 MDN"), s(" 1 MDN"), s(" 1 MDN"), s(" 2 BM70"), s(" 2 BM70"),
                                         s(" 2 BM70"), s("10 CUP"), s("10 CUP")}));
    QList<int> groupRows;
    for (int row = 1; row <= g.rows(); ++row)
        if (g.isGroupRow(row))
            groupRows << row;
    EXPECT_EQ(groupRows, QList<int>({1, 4, 7}));
    EXPECT_EQ(column(g, 1), QStringList({QString(), s("2"), s("1"), QString(), s("3"), s("5"), QString(), s("1")}));

    g.sortOnColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(column(g, 1), QStringList({QString(), s("2"), s("1"), QString(), s("5"), s("3"), QString(), s("1")}));
    EXPECT_TRUE(g.isGroupRow(4));

    g.setGroupExpanded(4, false);
    EXPECT_TRUE(g.isRowHidden(4));
    EXPECT_FALSE(g.isRowHidden(6));
    EXPECT_FALSE(g.groupExpanded(4));

    g.setGroupColumn(0);
    EXPECT_EQ(g.rows(), 5);
    EXPECT_FALSE(g.isGroupRow(1));
    EXPECT_FALSE(g.isRowHidden(3));
}

namespace
{
/** Counts the paint events a widget receives. */
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

TEST(Grid, RedrawOffSuspendsPainting)
{
    ShownGrid sg(0);
    Grid& g = sg.grid;
    PaintCounter counter;
    g.viewport()->installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;

    g.setRedraw(false);
    for (int r = 1; r <= 300; ++r)
        g.setCellDetails(r, 1, QString::number(r), Qt::AlignRight, r % 2 ? 4 : -1, 0xFF);
    g.sortOnColumn(1, Qt::DescendingOrder);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_FALSE(g.redraw());

    g.setRedraw(true);
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(g.cellText(1, 1), s("99")); // text sort type: "99" > "300"
}

TEST(Grid, CellsFilledWithRedrawOffAreAnnouncedOnceWhenItComesBack)
{
    Grid g;
    g.addColumn(s("a"));
    g.addColumn(s("b"));
    g.setCellDetails(1, 1, s("old"), Qt::AlignLeft, -1, 0xFF);
    QSignalSpy changed(g.model(), &QAbstractItemModel::dataChanged);

    g.setRedraw(false);
    for (int r = 1; r <= 50; ++r) {
        g.setCellDetails(r, 1, QString::number(r), Qt::AlignRight, 3, 0xFF00);
        g.setCellDetails(r, 2, s("x"));
    }
    EXPECT_EQ(changed.count(), 0);
    g.setRedraw(true);
    ASSERT_EQ(changed.count(), 1);
    const auto from = changed.at(0).at(0).value<QModelIndex>();
    const auto to = changed.at(0).at(1).value<QModelIndex>();
    EXPECT_EQ(from.row(), 0);
    EXPECT_EQ(from.column(), 0);
    EXPECT_EQ(to.row(), 49);
    EXPECT_EQ(to.column(), 1);
    // The cells hold what was written, the old cell replaced; the view reads
    // them through the model.
    EXPECT_EQ(g.cellText(1, 1), s("1"));
    EXPECT_EQ(g.cellBackColor(1, 1), 0xFF00);
    EXPECT_EQ(g.cellIcon(50, 1), 3);
    EXPECT_EQ(g.model()->data(g.model()->index(49, 1)).toString(), s("x"));

    // With redraw on, each cell is announced as it is written.
    g.setCellDetails(2, 2, s("y"));
    EXPECT_EQ(changed.count(), 2);
    g.setRedraw(false);
    g.setRedraw(true); // nothing written: nothing announced
    EXPECT_EQ(changed.count(), 2);
}

TEST(Grid, InGridListTellsChoiceAndLeaving)
{
    QWidget window;
    window.resize(300, 200);
    ComboEx list(&window);
    list.addItems({s("Planned"), s("Confirmed"), s("Remove Booking")});
    list.setListIndex(-1);
    EXPECT_EQ(list.listIndex(), -1);
    QLineEdit other(&window);
    other.move(0, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy chosen(&list, &ComboEx::select);
    QSignalSpy left(&list, &ComboEx::lostFocus);

    list.showOver(&window, QRect(20, 30, 120, 18));
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(list.geometry().topLeft(), QPoint(20, 30));
    EXPECT_EQ(list.width(), 120);
    QApplication::setActiveWindow(&window);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(chosen.size(), 1);
    EXPECT_EQ(list.currentText(), s("Planned"));
    other.setFocus();
    EXPECT_EQ(left.size(), 1);
}

TEST(Grid, RowTextColumnAndMeasuredHeight)
{
    Grid g;
    g.addColumn(s("Date"), QString(), 60);
    g.addColumn(s("Horse"), QString(), 130);
    g.addColumn(s("Spell"), QString(), 190);
    g.setRowTextColumn(3);
    g.setRowTextStartColumn(2);
    EXPECT_TRUE(g.colVisible(3)); // still a shown column, drawn under the rows
    EXPECT_TRUE(g.isColumnHidden(2));
    EXPECT_EQ(g.colWidth(3), g.scaledWidth(190));
    g.setCellText(1, 3, s("Spell of 120 days"));
    const int h = g.cellTextHeight(1, 3);
    EXPECT_GT(h, 0);
    g.setRowHeightAt(1, g.defaultRowHeight() + h + 4);
    EXPECT_EQ(g.rowHeightAt(1), 18 + h + 4);
    EXPECT_EQ(g.cellTextHeight(2, 3), 0);
}

TEST(Grid, DropsReportSourceAndGridPixels)
{
    ShownGrid target;
    Grid source;
    source.setObjectName(s("grdJockey"));
    target.grid.setDropTarget(true);
    QSignalSpy drops(&target.grid, &Grid::dragDrop);

    // The hook stands in for the real drag, which would wait for the mouse.
    Grid* dragged = nullptr;
    Grid::setDragHook([&](Grid* g) { dragged = g; });
    source.beginDrag();
    Grid::setDragHook(nullptr);
    EXPECT_EQ(dragged, &source);

    // A real drop event on the viewport arrives in grid pixels.
    QMimeData mime;
    mime.setData(Grid::dragMimeType(), QByteArray("grdJockey"));
    const QPoint vp = target.at(2, 3);
    dragAndDrop(target.grid, mime, vp);
    ASSERT_EQ(drops.size(), 1);
    const Grid::Cell cell = target.grid.cellFromPoint(drops.at(0).at(1).toInt(), drops.at(0).at(2).toInt());
    EXPECT_EQ(cell.row, 2);
    EXPECT_EQ(cell.col, 3);

    // Other data is refused, and a grid that is no drop target takes nothing.
    QMimeData text;
    text.setText(s("x"));
    dragAndDrop(target.grid, text, vp);
    target.grid.setDropTarget(false);
    dragAndDrop(target.grid, mime, vp);
    EXPECT_EQ(drops.size(), 1);

    target.grid.dropFrom(&source, QPoint(5, 6));
    ASSERT_EQ(drops.size(), 2);
    EXPECT_EQ(drops.at(1).at(0).value<QWidget*>(), &source);
}

TEST(Grid, SharedIconsHaveTheirPlaces)
{
    std::unique_ptr<ImageList> icons(ImageList::gridRaceIcons());
    EXPECT_EQ(icons->count(), ImageList::GridIconCount);
    for (int i = 0; i < icons->count(); ++i)
        EXPECT_FALSE(icons->pixmap(i).isNull()) << i;
    EXPECT_TRUE(icons->icon(-1).isNull());
    EXPECT_TRUE(icons->icon(99).isNull());
    // Distinct pictures for the arrows and the placing icons.
    EXPECT_NE(icons->pixmap(0).toImage(), icons->pixmap(1).toImage());
    EXPECT_NE(icons->pixmap(4).toImage(), icons->pixmap(5).toImage());
}

// Fills, sorts and regroups a grid of many rows with repainting off, and
// compares the fill with the floor: the same cells put into a bare table
// widget as plain items.
#include "bench/BenchCommon.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <cstdio>

namespace
{
constexpr int kColumns = 16;

QString cellValue(int r, int c)
{
    switch (c % 4) {
    case 0:
        return QStringLiteral("Horse %1").arg((r * 7919) % 100000);
    case 1:
        return QString::number((r * 31) % 997);
    case 2:
        return QString::number(((r * 13) % 600) / 10.0);
    default:
        return QStringLiteral("%1 R%2").arg(r % 12).arg(c);
    }
}

double fillGrid(Grid& g, int rows, bool presize)
{
    QElapsedTimer t;
    t.start();
    g.setRedraw(false);
    g.clearRows();
    if (presize)
        g.setRows(rows);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= kColumns; ++c) {
            const int icon = (c == 5) ? (r % 3 == 0 ? 5 : (r % 3 == 1 ? 4 : -1)) : -1;
            g.setCellDetails(r, c, cellValue(r, c), c % 4 == 1 ? Qt::AlignRight : Qt::AlignLeft, icon,
                             (r % 5 == 0) ? 0x7D7D19 : -1, (r % 7 == 0) ? 255 : -1);
        }
    }
    g.setRedraw(true);
    return t.nsecsElapsed() / 1e6;
}

double fillFloor(QTableWidget& w, int rows)
{
    QElapsedTimer t;
    t.start();
    w.setUpdatesEnabled(false);
    w.setRowCount(0);
    w.setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kColumns; ++c)
            w.setItem(r, c, new QTableWidgetItem(cellValue(r + 1, c + 1)));
    w.setUpdatesEnabled(true);
    return t.nsecsElapsed() / 1e6;
}

using BenchCommon::timeIt;
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;

    std::unique_ptr<ImageList> icons(ImageList::gridRaceIcons());
    Grid g;
    g.resize(1200, 800);
    g.setImageList(icons.get());
    for (int c = 1; c <= kColumns; ++c)
        g.addColumn(QStringLiteral("c%1").arg(c), QStringLiteral("C%1").arg(c), 70, Qt::AlignLeft,
                    c % 4 == 1 || c % 4 == 2 ? Grid::SortNumeric : (c == 5 ? Grid::SortIcon : Grid::SortText));
    g.show();

    QTableWidget floor;
    floor.resize(1200, 800);
    floor.setColumnCount(kColumns);
    floor.show();

    // One round first, so font and allocation warm-up counts for neither side.
    fillGrid(g, rows, false);
    fillFloor(floor, rows);
    const double floorFill = fillFloor(floor, rows);
    const double fillSized = fillGrid(g, rows, true);
    const double fill = fillGrid(g, rows, false);
    const double sortText = timeIt([&] { g.sortOnColumn(1, Qt::AscendingOrder); });
    const double sortNum = timeIt([&] { g.sortOnColumn(2, Qt::DescendingOrder); });
    const double sortIcon = timeIt([&] { g.sortOnColumn(5, Qt::DescendingOrder); });
    const double group = timeIt([&] { g.setGroupColumn(3); });
    const double groupedSort = timeIt([&] { g.sortOnColumn(2, Qt::AscendingOrder); });
    const double paint = timeIt([&] { g.repaint(); });

    std::printf("grid rows=%d columns=%d\n", rows, kColumns);
    std::printf("fill (details, redraw off)  %8.1f ms   floor (bare table items) %8.1f ms   ratio %.2f\n", fill,
                floorFill, fill / floorFill);
 std::printf("fill, rows set beforehand     %8.1f ms   ratio %.2f\n", fillSized, fillSized / floorFill);
    std::printf("sort text asc               %8.1f ms\n", sortText);
    std::printf("sort numeric desc           %8.1f ms\n", sortNum);
    std::printf("sort icon desc              %8.1f ms\n", sortIcon);
    std::printf("group by column             %8.1f ms   (%d rows after grouping)\n", group, g.rows());
    std::printf("sort within groups          %8.1f ms\n", groupedSort);
    std::printf("repaint                     %8.1f ms\n", paint);
    return 0;
}

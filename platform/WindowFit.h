#pragma once

class Grid;
class QWidget;

/**
 * Sizing a window around the columns of its grids: a list as wide as its
 * columns, and a first start wide enough to show a whole grid without
 * sideways scrolling, as far as the screen allows.
 */
namespace WindowFit {

/** Width a grid needs to show every visible column: the columns, the frame
 *  and room for the vertical scroll bar. */
int ColumnsWidth(const Grid* grid);

/** The narrowest width of `window` that shows every visible column of
 *  `grid`: the window's minimum with the grid's minimum swapped for its
 *  columns' width. */
int WidthShowingColumns(const QWidget* window, const Grid* grid);

/** The largest share of the screen a window opens on by itself. */
constexpr double kMostOfScreen = 0.95;

/** Widens `window` to `needed` pixels (never narrows it), but never past
 *  kMostOfScreen of the primary screen's available width. */
void WidenTo(QWidget* window, int needed);

} // namespace WindowFit

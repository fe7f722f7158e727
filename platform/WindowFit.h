#pragma once

#include <QRect>
#include <QSize>

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

/** kMostOfScreen of the primary screen's available width. */
int MostOfScreenWidth();

/** Widens `window` to `needed` pixels (never narrows it), but never past
 *  MostOfScreenWidth(). */
void WidenTo(QWidget* window, int needed);

/** Room kept for a window's frame (title bar and borders) while the window
 *  manager has not yet told how large the frame is. */
QSize FrameAllowance(const QWidget* window);

/** Where a window's frame (`frame`: its position and its outer size) goes
 *  to lie within `available`: as large as it was when it fits, otherwise as
 *  large as `available` allows, and moved back onto it where it reaches
 *  past an edge. */
QRect FitInto(const QRect& frame, const QRect& available);

/** Makes a top-level window that is about to open fit the available area of
 *  its screen, whether its size was stored or is a default: a maximised or
 *  full-screen window is left alone, a larger one is made smaller, and one
 *  placed (partly) off the screen is moved back onto it. A window that was
 *  never placed keeps being placed by the system; one already shown (which
 *  may have grown where it stands) is moved back onto its screen too. */
void FitToScreen(QWidget* window);

} // namespace WindowFit

#include "WindowFit.h"

#include "Grid.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace WindowFit {

int ColumnsWidth(const Grid* grid)
{
    int w = 0;
    for (int c = 1; c <= grid->columns(); ++c) {
        if (grid->colVisible(c))
            w += grid->colWidth(c);
    }
    return w + 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
}

int WidthShowingColumns(const QWidget* window, const Grid* grid)
{
    // The window's narrowest width with the grid's own smallest width
    // swapped for its columns' width.
    return window->minimumSizeHint().width() - grid->minimumSizeHint().width() + ColumnsWidth(grid);
}

void WidenTo(QWidget* window, int needed)
{
    int w = std::max(window->width(), needed);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w = std::min(w, static_cast<int>(screen->availableGeometry().width() * kMostOfScreen));
    if (w != window->width())
        window->resize(w, window->height());
}

} // namespace WindowFit

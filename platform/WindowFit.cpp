#include "WindowFit.h"

#include "Grid.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
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

int MostOfScreenWidth()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(screen->availableGeometry().width() * kMostOfScreen) : QWIDGETSIZE_MAX;
}

void WidenTo(QWidget* window, int needed)
{
    const int w = std::min(std::max(window->width(), needed), MostOfScreenWidth());
    if (w != window->width())
        window->resize(w, window->height());
}

QSize FrameAllowance(const QWidget* window)
{
    const QSize known = window->frameGeometry().size() - window->geometry().size();
    if (!known.isEmpty() || window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return known.expandedTo(QSize(0, 0));
    // Not yet shown: a title bar's height and a few pixels of border.
    const int border = std::max(window->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, window), 4);
    return QSize(2 * border, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 2 * border);
}

QRect FitInto(const QRect& frame, const QRect& available)
{
    QRect r(frame.topLeft(), frame.size().boundedTo(available.size()));
    if (r.right() > available.right())
        r.moveRight(available.right());
    if (r.bottom() > available.bottom())
        r.moveBottom(available.bottom());
    if (r.left() < available.left())
        r.moveLeft(available.left());
    if (r.top() < available.top())
        r.moveTop(available.top());
    return r;
}

void FitToScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    // A placed window fits the screen it is placed on; one the system places
    // opens over its parent, on the parent's screen.
    const QScreen* screen = nullptr;
    if (window->testAttribute(Qt::WA_Moved))
        screen = QGuiApplication::screenAt(window->geometry().center());
    else if (const QWidget* parent = window->parentWidget())
        screen = parent->window()->screen();
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A top-level window's position is its frame's (the title bar's) corner.
    const QSize frame = FrameAllowance(window);
    const QRect fitted = FitInto(QRect(window->pos(), window->size() + frame), screen->availableGeometry());
    const QSize inner = fitted.size() - frame;
    if (inner != window->size())
        window->resize(inner);
    // A window never placed is placed by the system (a dialog over its
    // parent, within the screen); only a placed one, or one already shown
    // where the system put it, is moved here.
    const bool placed = window->testAttribute(Qt::WA_Moved) || window->isVisible();
    if (placed && fitted.topLeft() != window->pos())
        window->move(fitted.topLeft());
}

} // namespace WindowFit

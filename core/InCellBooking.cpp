#include "core/InCellBooking.h"

#include "core/modShared.h"
#include "core/modUtils.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WinColor.h"

#include <QLabel>
#include <QScopedValueRollback>

#include <cmath>

namespace
{
/** Runs a booking rule; a database failure is reported and the window goes on. */
template <typename F>
void guarded(F&& action)
{
    try {
        action();
    } catch (const VbError& e) {
        Prompts::MsgBox(QStringLiteral("The booking could not be saved. ") + QStringLiteral("\r") + e.description(),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
    }
}
} // namespace

InCellBooking::InCellBooking(const Controls& controls, std::function<BookingRowKeys(int)> keysOf, QObject* parent)
    : QObject(parent)
    , m_c(controls)
    , m_keysOf(std::move(keysOf))
    , m_cols(modJockey::BookingColumnsFor(controls.grid->objectName()))
{
    m_c.grid->setDropTarget(true);
    // A choice in the jockey list takes effect when the list is left (arrow
    // keys may pass over several jockeys before the right one). A jockey
    // clicked or taken with Enter leaves the list at once, so he is booked
    // straight away; Escape leaves it with nothing chosen.
    connect(m_c.jockeyList, &ComboEx::lostFocus, this, [this] {
        if (!m_c.jockeyList->isHidden())
            jockeyListLeft();
    });
    connect(m_c.jockeyList, &ComboEx::chosen, this, [this] {
        if (!m_c.jockeyList->isHidden())
            jockeyListLeft();
    });
    connect(m_c.jockeyList, &ComboEx::cancelled, this, [this] {
        if (m_c.jockeyList->isHidden())
            return;
        m_c.jockeyList->setCurrentIndex(-1);
        jockeyListLeft();
    });
    // The status list acts on its choice; left or dismissed, it closes unchanged.
    connect(m_c.statusList, &ComboEx::select, this, &InCellBooking::statusChosen);
    connect(m_c.statusList, &ComboEx::lostFocus, this, &InCellBooking::statusListDismissed);
    connect(m_c.statusList, &ComboEx::cancelled, this, &InCellBooking::statusListDismissed);
}

qint64 InCellBooking::colourFromText(const QString& text)
{
    // A jockey without a colour has an empty colour text: no colour of his own.
    if (text.trimmed().isEmpty())
        return -1;
    return static_cast<qint64>(std::llround(modUtils::Val(text)));
}

void InCellBooking::showPickedColour(qint64 colour)
{
    QLabel* label = m_c.lblJockey;
    const QColor c = WinColor::toQColor(colour);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, c.isValid() ? c : label->parentWidget()->palette().color(QPalette::Window));
    label->setPalette(pal);
    label->setAutoFillBackground(c.isValid());
}

void InCellBooking::pickJockey(int button, int x, int y)
{
    if (button != 1)
        return;
    Grid* jockeys = m_c.jockeys;
    gCellPicked = jockeys->selectedRow() >= 1 && jockeys->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    const Grid::Cell cell = jockeys->cellFromPoint(x, y);
    if (!cell.valid())
        return;
    m_c.lblJockey->setText(jockeys->cellText(cell.row, cell.col));
    m_c.lblBackColor->setText(jockeys->cellText(cell.row, 2));
    showPickedColour(colourFromText(m_c.lblBackColor->text()));
    jockeys->beginDrag();
}

bool InCellBooking::drop(QWidget* source, int x, int y)
{
    // Only a jockey dragged from the jockey list is booked; the labels could
    // hold a stale pick when anything else is dropped.
    if (!source || source != m_c.jockeys)
        return false;
    const Grid::Cell cell = m_c.grid->cellFromPoint(x, y);
    if (!cell.valid())
        return false;
    const QString jockey = m_c.lblJockey->text();
    if (jockey.isEmpty())
        return false;
    const BookingRowKeys keys = m_keysOf(cell.row);
    if (!keys.valid)
        return false;
    guarded([&] {
        modJockey::BookJockey(*m_c.grid, cell.row, m_cols.jockey, jockey, keys.horse, keys.meetingCode, keys.raceCode,
                              keys.trainer, colourFromText(m_c.lblBackColor->text()));
    });
    return true;
}

void InCellBooking::placeList(ComboEx* list, int row, int col)
{
    m_editRow = row;
    m_editCol = col;
    list->setFont(m_c.grid->cellFont(row, col));
    // The list opens with nothing chosen: leaving it untouched must book
    // nobody, whatever it showed when it was filled or last used.
    list->setCurrentIndex(-1);
    // A cell partly out of view is scrolled into it first (the grid would
    // otherwise do so itself a moment after the click), so the list lies
    // over the cell where it ends up, not where it was.
    m_c.grid->ensureVisible(row, col);
    // One pixel down, so the grid line above the cell stays visible.
    list->showOver(m_c.grid, m_c.grid->cellRect(row, col).translated(0, 1));
}

void InCellBooking::hideList(ComboEx* list)
{
    m_c.grid->setFocus(Qt::OtherFocusReason);
    list->setVisible(false);
    list->setCurrentIndex(-1);
}

void InCellBooking::jockeyListLeft()
{
    // Prompts shown while booking take the focus from the list; that is not a
    // second choice.
    if (m_inJockeyList)
        return;
    QScopedValueRollback<bool> busy(m_inJockeyList, true);
    ComboEx* list = m_c.jockeyList;
    const QString chosen = list->currentIndex() >= 0 ? list->currentText() : QString();
    const int row = m_editRow;
    const int col = m_editCol;
    const BookingRowKeys keys = row >= 1 ? m_keysOf(row) : BookingRowKeys();
    if (!chosen.isEmpty() && keys.valid && col >= 1) {
        // The colour of the jockey chosen here is this booking's alone: the
        // jockey picked in the jockey list (name and colour in the labels)
        // stays picked, and his next drag books him in his own colour.
        const qint64 colour = chosen == modJockey::kDeleteJockey
                                  ? -1
                                  : colourFromText(m_c.jockeys->cellText(list->currentIndex() + 1, 2));
        guarded([&] {
            modJockey::BookJockey(*m_c.grid, row, col, chosen, keys.horse, keys.meetingCode, keys.raceCode,
                                  keys.trainer, colour);
        });
    }
    hideList(list);
}

void InCellBooking::statusChosen()
{
    if (m_inStatusList)
        return;
    QScopedValueRollback<bool> busy(m_inStatusList, true);
    ComboEx* list = m_c.statusList;
    Grid* grid = m_c.grid;
    const QString chosen = list->currentIndex() >= 0 ? list->currentText() : QString();
    const int row = m_editRow;
    const int col = m_editCol;
    const BookingRowKeys keys = row >= 1 ? m_keysOf(row) : BookingRowKeys();
    if (!chosen.isEmpty() && keys.valid && col >= 1) {
        if (chosen == modJockey::kConfirmed) {
            if (grid->cellText(row, m_cols.jockey).isEmpty()) {
                // The list stays where it is, with its choice, for another one.
                Prompts::MsgBox(QStringLiteral("You cannot confirm, if no jockey has been entered"));
                return;
            }
            guarded([&] {
                modJockey::ConfirmBooking(*grid, row, col, keys.horse, keys.meetingCode, keys.raceCode,
                                          grid->cellBackColor(row, m_cols.jockey));
            });
        } else {
            guarded([&] {
                modJockey::SetBookingText(*grid, row, col, chosen, keys.horse, keys.meetingCode, keys.raceCode,
                                          keys.trainer);
            });
        }
    }
    hideList(list);
}

void InCellBooking::statusListDismissed()
{
    // Its own choice hides it (and moves the focus) itself.
    if (m_inStatusList || m_c.statusList->isHidden())
        return;
    QScopedValueRollback<bool> busy(m_inStatusList, true);
    hideList(m_c.statusList);
}

void InCellBooking::closeLists()
{
    // A list left open over a cell would otherwise act on whichever runner
    // comes to stand in that row.
    if (!m_c.jockeyList->isHidden())
        jockeyListLeft();
    if (!m_c.statusList->isHidden()) {
        QScopedValueRollback<bool> busy(m_inStatusList, true);
        m_c.statusList->setVisible(false);
        m_c.statusList->setCurrentIndex(-1);
    }
}

bool InCellBooking::confirmRow(int row)
{
    Grid* grid = m_c.grid;
    if (grid->cellText(row, m_cols.jockey).isEmpty() || grid->cellText(row, m_cols.status).isEmpty())
        return false;
    const BookingRowKeys keys = m_keysOf(row);
    if (!keys.valid)
        return false;
    guarded([&] {
        modJockey::ConfirmBooking(*grid, row, m_cols.status, keys.horse, keys.meetingCode, keys.raceCode,
                                  grid->cellBackColor(row, m_cols.jockey));
    });
    return true;
}

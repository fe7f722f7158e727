#include "mainwindow/InGridBookingEditor.h"

#include "core/modJockeyBooking.h"
#include "core/modJockeyWeb.h"
#include "core/modUtils.h"
#include "mainwindow/Main.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WinColor.h"

#include <QApplication>
#include <QLabel>
#include <QScopedValueRollback>

#include <cmath>

namespace
{
// Columns of the nominations grid.
constexpr int kColMeeting = 1;
constexpr int kColRace = 2;
constexpr int kColHorse = 4;
constexpr int kColBestIcon = 5;
constexpr int kColJockey = 10;
constexpr int kColRaceCode = 11;
constexpr int kColStatus = 13;

/** Runs a booking action; a database failure is reported and the window goes on. */
template <typename F>
void guarded(F&& action)
{
    try {
        action();
    } catch (const VbError& e) {
        Prompts::MsgBox(QStringLiteral("The booking could not be saved.") + QStringLiteral("\r") + e.description(),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
    }
}

/** Hourglass for the time a modal window is open. */
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
} // namespace

InGridBookingEditor::InGridBookingEditor(Main* main)
    : QObject(main)
    , m_main(main)
{
    setObjectName(QStringLiteral("InGridBookingEditor"));
    connect(m_main->grdJockey, &Grid::mouseDown, this, &InGridBookingEditor::grdJockey_OnMouseDown);
    m_main->grdNoms->setDropTarget(true);
    connect(m_main->grdNoms, &Grid::dragDrop, this, &InGridBookingEditor::grdNoms_OnDragDrop);
    connect(m_main->grdNoms, &Grid::requestEdit, this, &InGridBookingEditor::grdNoms_OnRequestEdit);
    // A choice in the jockey list takes effect when the list is left (arrow
    // keys may pass over several jockeys before the right one).
    connect(m_main->cmbJockey, &ComboEx::lostFocus, this, [this] {
        if (!m_main->cmbJockey->isHidden())
            cmbJockey_LostFocus();
    });
    connect(m_main->cmbBookText, &ComboEx::select, this, &InGridBookingEditor::cmbBookText_OnSelect);
}

qint64 InGridBookingEditor::colourFromText(const QString& text)
{
    // A jockey without a colour has an empty colour text: no colour of his own.
    if (text.trimmed().isEmpty())
        return -1;
    return static_cast<qint64>(std::llround(modUtils::Val(text)));
}

QString InGridBookingEditor::trainerOf(int row) const
{
    // The trainer list's selection can move (arrow keys, a click on an ignored
    // trainer) without the runners shown changing: the row knows its trainer.
    return m_main->grdNoms->cellItemData(row, kColHorse).toString().trimmed();
}

QString InGridBookingEditor::meetingOf(int row) const
{
    return m_main->grdNoms->cellText(row, kColMeeting);
}

QString InGridBookingEditor::horseOf(int row) const
{
    return m_main->grdNoms->cellText(row, kColHorse).trimmed();
}

QString InGridBookingEditor::raceCodeOf(int row) const
{
    return m_main->grdNoms->cellText(row, kColRaceCode);
}

void InGridBookingEditor::showPickedColour(qint64 colour)
{
    QLabel* label = m_main->lblJockey;
    const QColor c = WinColor::toQColor(colour);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, c.isValid() ? c : m_main->palette().color(QPalette::Window));
    label->setPalette(pal);
    label->setAutoFillBackground(c.isValid());
}

void InGridBookingEditor::grdJockey_OnMouseDown(int button, int /*shift*/, int x, int y)
{
    if (button != 1)
        return;
    Grid* jockeys = m_main->grdJockey;
    gCellPicked = jockeys->selectedRow() >= 1 && jockeys->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    const Grid::Cell cell = jockeys->cellFromPoint(x, y);
    if (!cell.valid())
        return;
    m_main->lblJockey->setText(jockeys->cellText(cell.row, cell.col));
    m_main->lblBackColor->setText(jockeys->cellText(cell.row, 2));
    showPickedColour(colourFromText(m_main->lblBackColor->text()));
    jockeys->beginDrag();
}

void InGridBookingEditor::grdNoms_OnDragDrop(QWidget* source, int x, int y)
{
    Grid* noms = m_main->grdNoms;
    const Grid::Cell cell = noms->cellFromPoint(x, y);
    if (!cell.valid())
        return;
    // Only a jockey picked from the jockey list can be booked; anything else
    // dropped here would book an empty name.
    if (source && source != m_main->grdJockey)
        return;
    const QString jockey = m_main->lblJockey->text();
    if (jockey.isEmpty())
        return;
    guarded([&] {
        modJockey::BookJockey(*noms, cell.row, kColJockey, jockey, horseOf(cell.row), meetingOf(cell.row),
                              raceCodeOf(cell.row), trainerOf(cell.row), colourFromText(m_main->lblBackColor->text()));
    });
}

void InGridBookingEditor::placeList(ComboEx* list, int row, int col)
{
    Grid* noms = m_main->grdNoms;
    m_editRow = row;
    m_editCol = col;
    list->setFont(noms->cellFont(row, col));
    // The list opens with nothing chosen: leaving it untouched must book
    // nobody, whatever it showed when it was filled or last used.
    list->setCurrentIndex(-1);
    // One pixel down, so the grid line above the cell stays visible.
    list->showOver(noms, noms->cellRect(row, col).translated(0, 1));
}

void InGridBookingEditor::hideList(ComboEx* list)
{
    m_main->grdNoms->setFocus(Qt::OtherFocusReason);
    list->setVisible(false);
    list->setCurrentIndex(-1);
}

void InGridBookingEditor::openRaceView(int row)
{
    Grid* noms = m_main->grdNoms;
    m_main->strMeetingCur = noms->cellText(row, kColMeeting);
    m_main->IntRace = static_cast<qint16>(modUtils::Val(noms->cellText(row, kColRace)));
    BusyCursor busy;
    emit m_main->raceViewRequested();
}

void InGridBookingEditor::openStatistics(int row)
{
    modJockey::gSelHorse = m_main->grdNoms->cellText(row, kColHorse);
    // The statistics window is not part of this build yet: the mode of the
    // request ("horse/jockey") is to be set here with its shared global.
    BusyCursor busy;
    emit m_main->statsRequested();
}

void InGridBookingEditor::grdNoms_OnRequestEdit(int row, int col)
{
    Grid* noms = m_main->grdNoms;
    gCellPicked = noms->selectedRow() > 0 && noms->selectedCol() > 0;
    if (!gCellPicked || row < 1 || col < 1)
        return;

    if (col == kColBestIcon) {
        if (noms->cellIcon(row, col) != -1)
            openStatistics(row);
        else
            openRaceView(row);
    } else if (col == kColJockey) {
        placeList(m_main->cmbJockey, row, col);
    } else if (col == kColStatus) {
        placeList(m_main->cmbBookText, row, col);
    } else {
        const QString status = noms->cellText(row, kColStatus);
        if (!noms->cellText(row, kColJockey).isEmpty() && !status.isEmpty() && status != modJockey::kConfirmed) {
            guarded([&] {
                modJockey::ConfirmBooking(*noms, row, kColStatus, horseOf(row), meetingOf(row), raceCodeOf(row),
                                          noms->cellBackColor(row, kColJockey));
            });
        } else {
            openRaceView(row);
        }
    }
}

void InGridBookingEditor::cmbJockey_LostFocus()
{
    // Prompts shown while booking take the focus from the list; that is not a
    // second choice.
    if (m_inJockeyList)
        return;
    QScopedValueRollback<bool> busy(m_inJockeyList, true);
    ComboEx* list = m_main->cmbJockey;
    const QString chosen = list->currentIndex() >= 0 ? list->currentText() : QString();
    const int row = m_editRow;
    const int col = m_editCol;
    if (!chosen.isEmpty() && row >= 1 && col >= 1) {
        if (chosen == modJockey::kDeleteJockey)
            m_main->lblBackColor->setText(QStringLiteral("-1"));
        else
            m_main->lblBackColor->setText(m_main->grdJockey->cellText(list->currentIndex() + 1, 2));
        guarded([&] {
            modJockey::BookJockey(*m_main->grdNoms, row, col, chosen, horseOf(row), meetingOf(row), raceCodeOf(row),
                                  trainerOf(row), colourFromText(m_main->lblBackColor->text()));
        });
    }
    hideList(list);
}

void InGridBookingEditor::cmbBookText_OnSelect()
{
    if (m_inBookText)
        return;
    QScopedValueRollback<bool> busy(m_inBookText, true);
    ComboEx* list = m_main->cmbBookText;
    Grid* noms = m_main->grdNoms;
    const QString chosen = list->currentIndex() >= 0 ? list->currentText() : QString();
    const int row = m_editRow;
    const int col = m_editCol;
    if (!chosen.isEmpty() && row >= 1 && col >= 1) {
        if (chosen == modJockey::kConfirmed) {
            if (noms->cellText(row, kColJockey).isEmpty()) {
                // The list stays where it is, with its choice, for another one.
                Prompts::MsgBox(QStringLiteral("You cannot confirm, if no jockey has been entered"));
                return;
            }
            guarded([&] {
                modJockey::ConfirmBooking(*noms, row, col, horseOf(row), meetingOf(row), raceCodeOf(row),
                                          noms->cellBackColor(row, kColJockey));
            });
        } else {
            guarded([&] {
                modJockey::SetBookingText(*noms, row, col, chosen, horseOf(row), meetingOf(row), raceCodeOf(row),
                                          trainerOf(row));
            });
        }
    }
    hideList(list);
}

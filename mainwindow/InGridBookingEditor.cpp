#include "mainwindow/InGridBookingEditor.h"

#include "core/InCellBooking.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyWeb.h"
#include "core/modUtils.h"
#include "mainwindow/Main.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"
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

} // namespace

InGridBookingEditor::InGridBookingEditor(Main* main)
    : QObject(main)
    , m_main(main)
{
    setObjectName(QStringLiteral("InGridBookingEditor"));
    InCellBooking::Controls controls;
    controls.jockeys = m_main->grdJockey;
    controls.grid = m_main->grdNoms;
    controls.jockeyList = m_main->cmbJockey;
    controls.statusList = m_main->cmbBookText;
    controls.lblJockey = m_main->lblJockey;
    controls.lblBackColor = m_main->lblBackColor;
    // Every gesture on a nominations row books under that row's own meeting,
    // race code and trainer.
    m_booking = new InCellBooking(
        controls,
        [this](int row) {
            BookingRowKeys keys;
            keys.valid = row >= 1 && row <= m_main->grdNoms->rows();
            keys.horse = horseOf(row);
            keys.meetingCode = meetingOf(row);
            keys.raceCode = raceCodeOf(row);
            keys.trainer = trainerOf(row);
            return keys;
        },
        this);
    connect(m_main->grdJockey, &Grid::mouseDown, this, &InGridBookingEditor::grdJockey_OnMouseDown);
    connect(m_main->grdNoms, &Grid::dragDrop, this, &InGridBookingEditor::grdNoms_OnDragDrop);
    connect(m_main->grdNoms, &Grid::requestEdit, this, &InGridBookingEditor::grdNoms_OnRequestEdit);
}

int InGridBookingEditor::editRow() const
{
    return m_booking->editRow();
}

int InGridBookingEditor::editCol() const
{
    return m_booking->editCol();
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

void InGridBookingEditor::grdJockey_OnMouseDown(int button, int /*shift*/, int x, int y)
{
    m_booking->pickJockey(button, x, y);
}

void InGridBookingEditor::grdNoms_OnDragDrop(QWidget* source, int x, int y)
{
    m_booking->drop(source, x, y);
}

void InGridBookingEditor::openRaceView(int row)
{
    Grid* noms = m_main->grdNoms;
    m_main->strMeetingCur = noms->cellText(row, kColMeeting);
    m_main->IntRace = static_cast<qint16>(modUtils::Val(noms->cellText(row, kColRace)));
    WaitCursor busy;
    emit m_main->raceViewRequested();
}

void InGridBookingEditor::openStatistics(int row)
{
    modJockey::gSelHorse = m_main->grdNoms->cellText(row, kColHorse);
    gStatsMode = QStringLiteral("horse/jockey");
    WaitCursor busy;
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
        m_booking->placeList(m_main->cmbJockey, row, col);
    } else if (col == kColStatus) {
        m_booking->placeList(m_main->cmbBookText, row, col);
    } else {
        // A booking not yet confirmed is confirmed; otherwise the race opens.
        if (noms->cellText(row, kColStatus) == modJockey::kConfirmed || !m_booking->confirmRow(row))
            openRaceView(row);
    }
}

void InGridBookingEditor::cmbJockey_LostFocus()
{
    m_booking->jockeyListLeft();
}

void InGridBookingEditor::cmbBookText_OnSelect()
{
    m_booking->statusChosen();
}

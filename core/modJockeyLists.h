#pragma once

#include <QString>
#include <QVariant>

class Grid;
class ImageList;
class QComboBox;
class QWidget;

/**
 * The jockey list, booking-status list, race-type list and meetings grid that
 * the main window and the race view both show: their set-up and filling from
 * the local database, so both windows show them alike.
 *
 * Database failures are not caught here; they reach the caller as VbError.
 */
namespace modJockey
{
/** Windows colour of a meeting's stage: blue for "WGT", 0x7D7D19 for "ACP",
 *  -1 (the grid's default) for any other stage. */
qint64 MeetingLevelColor(const QString& level);

/** A stored date as the grids and the race-book addresses show it:
 *  "yyyymmmdd" with an English month ("2009Jun07"); empty for Null. */
QString FormatMeetingDate(const QVariant& date);

/** The numeric colour of a `JockeyColor` text (decimal, or "&H" hex such as
 *  "&H80000005"); -1 for Null, an empty text or a text without a number. */
qint64 JockeyColorValue(const QVariant& colorText);

/** The image list every grid of the program draws its icons from (the main
 *  window's `imlGrdRace`); created on first use, kept for the process. */
ImageList* GridImages();

/**
 * Sets up the jockey grid: icons from the shared image list, rows 20 pixels
 * high, the columns `Jockey` (130 wide) and hidden `Color`. Repainting stays
 * off until a loader fills the grid.
 * @param grid the jockey grid of the main window or of the race view
 */
void SetupJockeyGrid(Grid* grid);

/**
 * Fills the jockey grid and the in-grid jockey list from table `Jockey`, by
 * name: column 1 the name on the jockey's colour (icon 4 for the jockey
 * chosen for the icons), column 2 the `JockeyColor` text. The list gets the
 * same names followed by "Delete Jockey".
 * @param grid the jockey grid
 * @param list the window's `cmbJockey`
 */
void LoadJockeyCombo(Grid* grid, QComboBox* list);
/** The same with the window that holds the list: its child `cmbJockey`. */
void LoadJockeyCombo(Grid* grid, QWidget* window);

/**
 * Fills the booking-status list: "Planned", the booking templates in their
 * `Sequence` order, "Confirmed", "Remove Booking".
 * @param list the window's `cmbBookText`
 */
void LoadBookingTextCombo(QComboBox* list);

/** The race-type query for a meeting type: metropolitan order for exactly
 *  "M", provincial order for anything else. */
QString RaceTypeSql(const QString& meetType);

/**
 * Fills the window's race-type list `cmbRaceType` with the race types used
 * for the meeting type, in that type's order.
 * @param window the window holding `cmbRaceType`
 * @param meetType the meeting's `MeetType` ("M", "C", "P")
 */
void LoadRaceTypeCombo(QWidget* window, const QString& meetType);
/** The same on the list itself. */
void LoadRaceTypeCombo(QComboBox* list, const QString& meetType);

/**
 * Sets up the meetings grid: rows 18 pixels high, the columns `Meeting` (70
 * wide), `Level`, and hidden `Name`, `Date` and `State`.
 */
void SetupMeetingGrid(Grid* grid);

/**
 * Refills the meetings grid with the displayed meetings in `MeetingCode`
 * order: code and stage coloured by stage, then location, date ("yyyymmmdd")
 * and state in the hidden columns.
 */
void FillMeetingGrid(Grid* grid);
} // namespace modJockey

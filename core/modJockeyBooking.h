#pragma once

#include <QList>
#include <QPair>
#include <QString>

class Grid;

/**
 * The booking rules: booking a jockey on a horse, giving a booking a status,
 * confirming it, and checking the bookings of a meeting when its field is
 * published. These are the only writers of the Bookings table.
 *
 * A horse holds at most one booking per meeting: booking and setting a status
 * find the row by meeting code and horse, whatever race the horse is in.
 *
 * Each rule repaints the grid row it acted on, so the caller need not reload
 * the grid. What a row shows is worked out first as a RowPaint (no widgets),
 * then painted into the grid by PaintRow.
 */
namespace modJockey
{
/** The list entry that takes the jockey off a horse (never stored). */
inline const QString kDeleteJockey = QStringLiteral("Delete Jockey");
/** The list entry that removes the whole booking (never stored). */
inline const QString kRemoveBooking = QStringLiteral("Remove Booking");
inline const QString kPlanned = QStringLiteral("Planned");
inline const QString kConfirmed = QStringLiteral("Confirmed");
/** Image of the grids' image list that marks a confirmed booking. */
constexpr int kConfirmedIcon = 7;

/** An SQL condition that two horse names (column names or "?") name the same
 *  horse: letter case and trailing blanks are ignored on both sides, so a
 *  field file's padded "OCEAN BREEZE " finds the booking of "Ocean Breeze". */
QString SameHorseSql(const QString& a, const QString& b);

/** An SQL subquery giving the rowid of the one booking a runner shows, from
 *  SQL expressions for the runner's meeting code and horse. An older file can
 *  hold two bookings whose horse names differ only by trailing blanks (the
 *  one hidden by a padded name, then the one made again); the latest made is
 *  the one shown and acted on, the other stays stored. */
QString RunnerBookingRowidSql(const QString& meetingCode, const QString& horse);

/** The order that puts that booking first among a horse's bookings. */
QString LatestBookingFirstSql(const QString& table);

/** The jockey and status columns of a grid that shows bookings. */
struct BookingColumns
{
    int jockey;
    int status;
};

/** Columns by the grid's name: the main window's nominations grid ("grdNoms")
 *  keeps the jockey in 10 and the status in 13, the race view's field grid
 *  (any other name) in 14 and 16. */
BookingColumns BookingColumnsFor(const QString& gridName);

/** Cell changes of one grid row, in the order they are to be applied. */
struct RowPaint
{
    QList<QPair<int, QString>> texts;      // column, text
    QList<QPair<int, int>> icons;          // column, icon index (-1 none)
    QList<QPair<int, qint64>> backColors;  // column, Windows colour (-1 default)

    void text(int col, const QString& t) { texts.append({col, t}); }
    void icon(int col, int i) { icons.append({col, i}); }
    void back(int col, qint64 c) { backColors.append({col, c}); }
    /** The same background for columns from..to. */
    void backRange(int from, int to, qint64 c, int exceptCol = 0);
    bool isEmpty() const { return texts.isEmpty() && icons.isEmpty() && backColors.isEmpty(); }
};

/** Applies a RowPaint to one row of a grid (colours first, then texts and icons). */
void PaintRow(Grid& grid, int row, const RowPaint& paint);

/** What is stored for a booking, as far as the look of its row depends on it. */
struct StoredBooking
{
    QString bookingSelection;
    bool confirmed = false;
};

/** Row look after a jockey was put on a horse: the jockey cell shows the name
 *  in `colour`; a new booking shows "Planned"; a kept booking shows its stored
 *  status, and when it is confirmed the whole row takes the new colour with the
 *  confirmed icon. `existing` is empty for a new booking. `wasConfirmed`: the
 *  row showed a confirmed booking that is no longer confirmed, so its row
 *  colours (all but the jockey cell's) and its icon go. */
RowPaint PaintForBookedJockey(const BookingColumns& cols, int jockeyCol, int colCount, const QString& jockey,
                              qint64 colour, const StoredBooking* existing, bool wasConfirmed = false);
/** Row look after the jockey was taken off: jockey and status empty, no icon,
 *  every cell in `colour` (normally -1, the default). */
RowPaint PaintForDeletedJockey(const BookingColumns& cols, int jockeyCol, int colCount, qint64 colour);
/** Row look after a status text was set (`oldStatus` is what the cell showed):
 *  leaving "Confirmed" resets every colour but the jockey cell's. */
RowPaint PaintForStatusText(const BookingColumns& cols, int statusCol, int colCount, const QString& text,
                            const QString& oldStatus);
/** Row look after "Remove Booking": jockey and status empty, no colours, no icon. */
RowPaint PaintForRemovedBooking(const BookingColumns& cols, int statusCol, int colCount);
/** Row look of a confirmed booking: "Confirmed" with the icon, every cell in `colour`. */
RowPaint PaintForConfirmed(int statusCol, int colCount, qint64 colour);

/**
 * Books `jockey` on a horse, replaces the horse's jockey, or with
 * "Delete Jockey" takes the booking off; then repaints the row.
 *
 * Replacing or removing a jockey shown in the cell asks first (No changes
 * nothing). A trainer marked to be ignored cannot make bookings: the user is
 * told and nothing changes. A new booking is stored as "Planned". When the
 * stored booking names another jockey, the new one has agreed to nothing yet:
 * the booking becomes "Planned" and unconfirmed. A booking without a jockey
 * (a status text only) keeps its status and takes the jockey.
 *
 * @param grid   the grid showing the row (its name picks the status column)
 * @param row    the row (1-based)
 * @param col    the jockey cell's column
 * @param jockey a managed jockey's name, or "Delete Jockey"
 * @param horse, meetingCode, raceCode, trainer  the runner's keys
 * @param colour the jockey's colour (Windows colour number; -1 none)
 * Database failures reach the caller as VbError.
 */
void BookJockey(Grid& grid, int row, int col, QString jockey, const QString& horse, const QString& meetingCode,
                const QString& raceCode, const QString& trainer, qint64 colour);

/**
 * Gives the horse's booking a status text (a booking template, "Planned" or
 * any text), creating a booking without a jockey when there is none; with
 * "Remove Booking" removes the booking (asking first when the cell shows a
 * status). Setting a text clears the confirmation. Then repaints the row.
 *
 * @param col the status cell's column
 * Database failures reach the caller as VbError.
 */
void SetBookingText(Grid& grid, int row, int col, QString text, const QString& horse, const QString& meetingCode,
                    const QString& raceCode, const QString& trainer);

/**
 * Confirms the horse's booking. The booking is looked for by meeting, race
 * code and horse, and failing that by meeting and horse (the horse's one
 * booking at the meeting, stored under another race code). When none is
 * found, or it has no jockey, the user is told and nothing is stored or
 * painted. Otherwise the booking is stored as "Confirmed" and the whole row
 * is painted in `colour` with the confirmed icon in the status cell.
 *
 * @param col    the status cell's column
 * @param colour the colour of the row (the jockey cell's background)
 * @return true when a booking was confirmed
 */
bool ConfirmBooking(Grid& grid, int row, int col, const QString& horse, const QString& meetingCode,
                    const QString& raceCode, qint64 colour);

/**
 * Checks a runner just loaded from a published field against the manager's
 * booking of that horse at that meeting, and offers to remove a doubtful
 * booking: when the field names another rider than the booked jockey (or, at
 * acceptances, no rider), or when the weight carried is below the booked
 * jockey's riding weight. Answering Yes deletes the booking.
 *
 * Does nothing at all unless the stage is "ACP", a rider is named or a weight
 * is given. Database failures reach the caller (the loader) as VbError.
 *
 * @param rider       the rider the field names (may be empty, may carry a
 *                    bracketed apprentice claim)
 * @param meetingCode the meeting's code
 * @param horse       the runner's horse, exactly as stored
 * @param stage       "NOM", "WGT", "ACP" or "N/A"
 * @param weight      the weight carried in tenths of a kilogram (0 = none)
 * @return true when a booking was removed
 */
bool CheckBookingsOnAcceptance(QString rider, const QString& meetingCode, const QString& horse,
                               const QString& stage, qint16 weight);

/** A booking whose horse has no runner in the meeting's field. */
struct BookingWithoutRunner
{
    QString horse;
    QString jockey;
    QString status;
};

/** The meeting's bookings whose horse has no runner stored for the meeting
 *  (scratched, or published under another name such as with a country
 *  suffix), in horse order. Database failures reach the caller as VbError. */
QList<BookingWithoutRunner> BookingsWithoutRunner(const QString& meetingCode);

/**
 * The last part of the bookings check, once a field is stored and each of its
 * booked runners was checked: the meeting's bookings whose horse is not in
 * the new field are listed to the manager in one message (horse, jockey,
 * status). They stay stored and nothing is asked; the jockeys may be free.
 * Nothing is shown when every booking has its runner.
 *
 * Database failures reach the caller (the loader) as VbError.
 * @return the number of bookings listed
 */
int ReportBookingsWithoutRunner(const QString& meetingCode);
} // namespace modJockey

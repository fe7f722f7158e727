#pragma once

#include "core/modJockeyBooking.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ComboEx;
class Grid;
class QLabel;
class QWidget;

/** What a booking gesture needs to know of the row it acts on. */
struct BookingRowKeys
{
    /** False for a row that holds no runner (a group row) or whose race is
     *  not known: nothing is booked on it. */
    bool valid = false;
    QString horse;
    QString meetingCode;
    QString raceCode;
    QString trainer;
};

/**
 * Booking on a grid of runners with the jockey list beside it, shared by the
 * main window's nominations grid and the race view's field:
 *
 * - a press on a jockey of the jockey list picks him (his name and colour go
 *   into the two labels) and starts dragging the list; a drop of that drag on
 *   a runner books him in the grid's jockey column. A drop of anything else,
 *   or on no runner, books nothing;
 * - the in-cell jockey list, placed over a cell, books the jockey chosen (or
 *   takes him off with "Delete Jockey") when the list is left; a jockey
 *   clicked or taken with Enter leaves it at once;
 * - the in-cell status list sets the status chosen; "Confirmed" needs a jockey;
 * - Escape closes either list unchanged; the focus going elsewhere closes
 *   the status list unchanged, and the jockey list with what it was left
 *   showing (nothing, unless the arrow keys moved it);
 * - a runner with a jockey and a status can be confirmed.
 *
 * Every gesture acts on the row it was made on, with that row's keys as the
 * owner's `keysOf` gives them, through the booking rules (which repaint the
 * row). Database failures are reported and the window goes on.
 */
class InCellBooking : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        Grid* jockeys = nullptr;      // the jockey list (column 1 name, column 2 colour text)
        Grid* grid = nullptr;         // the runners (its name picks the booking columns)
        ComboEx* jockeyList = nullptr; // cmbJockey
        ComboEx* statusList = nullptr; // cmbBookText
        QLabel* lblJockey = nullptr;
        QLabel* lblBackColor = nullptr;
    };

    InCellBooking(const Controls& controls, std::function<BookingRowKeys(int row)> keysOf, QObject* parent);

    /** The grid's jockey and status columns. */
    modJockey::BookingColumns columns() const { return m_cols; }
    /** The cell an in-cell list was last placed over (0, 0 when none). */
    int editRow() const { return m_editRow; }
    int editCol() const { return m_editCol; }

    /** A Windows colour number from a jockey's colour text ("" → -1, none). */
    static qint64 colourFromText(const QString& text);

    /** A press on the jockey list (x, y in its pixels): with the left button
     *  on a jockey, picks him and starts the drag. */
    void pickJockey(int button, int x, int y);
    /** A drop on the grid (x, y in its pixels). Books the picked jockey on the
     *  runner hit when the drag came from the jockey list; true when it did. */
    bool drop(QWidget* source, int x, int y);
    /** Scrolls a cell into view and places an in-cell list over it, in the
     *  cell's font, with the focus. */
    void placeList(ComboEx* list, int row, int col);
    /** The in-cell jockey list was left: books its choice on the cell it was
     *  placed over, then hides it. */
    void jockeyListLeft();
    /** An entry of the in-cell status list was chosen. */
    void statusChosen();
    /** The in-cell status list was left or dismissed (Escape): it closes
     *  with nothing changed. */
    void statusListDismissed();
    /** Closes the in-cell lists before the grid's rows move (sort, reload):
     *  the jockey list books its choice on the runner it was placed over
     *  while he still stands there; the status list closes unchosen. */
    void closeLists();
    /** Confirms the booking of a runner whose jockey and status cells both
     *  hold text; false (nothing done) otherwise. */
    bool confirmRow(int row);

private:
    void hideList(ComboEx* list);
    void showPickedColour(qint64 colour);

    Controls m_c;
    std::function<BookingRowKeys(int)> m_keysOf;
    modJockey::BookingColumns m_cols;
    int m_editRow = 0;
    int m_editCol = 0;
    bool m_inJockeyList = false;
    bool m_inStatusList = false;
};

#pragma once

#include <QObject>
#include <QString>

class ComboEx;
class InCellBooking;
class Main;
class QWidget;

/**
 * Booking in the main window's nominations grid: a jockey pressed in the
 * jockey list (his name and colour shown beside it) and dropped on a runner is
 * booked on that horse; a request to edit the jockey or status cell places the
 * jockey list or the booking-status list over the cell, and a choice there
 * books, removes or confirms. Every booking acts on the meeting, race code and
 * horse of the row it was made on.
 *
 * Attaches to the main window's grdJockey, grdNoms, cmbJockey and
 * cmbBookText when constructed.
 */
class InGridBookingEditor : public QObject
{
    Q_OBJECT

public:
    explicit InGridBookingEditor(Main* main);

    /** The cell the in-grid list was last placed over (0, 0 when none). */
    int editRow() const;
    int editCol() const;

public slots:
    /** A press on the jockey list: picks the jockey and starts dragging him. */
    void grdJockey_OnMouseDown(int button, int shift, int x, int y);
    /** A drop on the nominations grid: books the picked jockey on that row. */
    void grdNoms_OnDragDrop(QWidget* source, int x, int y);
    /** A request to edit a nominations cell: acts by its column. */
    void grdNoms_OnRequestEdit(int row, int col);
    /** The jockey list was left: books the chosen jockey (or removes him). */
    void cmbJockey_LostFocus();
    /** An entry of the booking-status list was chosen. */
    void cmbBookText_OnSelect();
    /** Before the nominations are sorted or reloaded: the jockey list books its
     *  choice on the runner it was placed over, the status list closes unchosen. */
    void closeInCellLists();

private:
    QString trainerOf(int row) const;
    /** The meeting code, horse and race code of a nominations row. */
    QString meetingOf(int row) const;
    QString horseOf(int row) const;
    QString raceCodeOf(int row) const;
    void openRaceView(int row);
    void openStatistics(int row);

    Main* m_main;
    /** The gestures the race view's field shares. */
    InCellBooking* m_booking = nullptr;
};

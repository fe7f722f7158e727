#pragma once

#include <QDialog>
#include <QMap>
#include <QString>

#include <functional>

class ComboEx;
class Grid;
class InCellBooking;
struct BookingRowKeys;
class ImageList;
class PopMenu;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextEdit;

/**
 * The race view: one meeting race by race (single-race mode) or all its races
 * grouped by race (whole-meeting mode), with the meeting's header, the race
 * list, the field of runners with their bookings and last starts, the
 * meetings grid to switch to another meeting and the jockey list.
 *
 * It opens on the main window's meeting and race (gMainState), read once at
 * load; race 0 opens the whole meeting, and the mode stays for the life of
 * the window. Controls carry the object names the rest of the race view (and
 * the tests) look them up by. The field's columns are addressed by number
 * (see the FieldColumn enumeration); their display order may change.
 */
class FrmRace : public QDialog
{
    Q_OBJECT

public:
    /** The field's 31 columns by number. */
    enum FieldColumn
    {
        ColNbr = 1,
        ColRace = 2,
        ColForm = 3,
        ColHorse = 4,
        ColHorseIcon = 5,
        ColHorseIcon2 = 6,
        ColTrainer = 7,
        ColTrainerIcon = 8,
        ColTrainerIcon2 = 9,
        ColWeight = 10,
        ColRating = 11,
        ColDetails = 12,
        ColClass = 13,
        ColJockey = 14,
        ColRaceLabel = 15,
        ColBooking = 16,
        ColTrainerLoc = 17,
        ColBallotBarrier = 18,
        ColBallotKey = 19,
        ColLastJockey = 20,
        ColLastRideDays = 21,
        ColLastWeight = 22,
        ColLastClass = 23,
        ColLastValue = 24,
        ColMargin = 25,
        ColWgtRat = 26,
        ColAvgWin = 27,
        ColLast800400 = 28,
        ColSec = 29,
        ColFormTrainer = 30,
        ColBookText = 31,
        FieldColumnCount = 31,
    };

    /** What the window holds for one race of the meeting shown. */
    struct RaceEntry
    {
        /** The race's RaceCode (empty for a race the race list does not hold). */
        QString raceCode;
        /** The field's group row of the race (whole-meeting mode), 0 = none. */
        int groupRow = 0;
    };

    explicit FrmRace(QWidget* parent = nullptr);
    ~FrmRace() override;

    /** Creates the race view on the main window's meeting and race, loads it
     *  and shows it modally; returns when it has closed. */
    static void OpenFromMain();

    // ---- Window state ---------------------------------------------------------
    /** Meeting shown. */
    QString MeetingCode;
    /** Race shown (0 = none yet in whole-meeting mode). */
    qint16 RaceNumber = 0;
    /** Opened on race 0: all races grouped. Fixed at load. */
    bool WholeMeeting = false;
    /** The meeting's races by race number (no upper limit; race 99, which the
     *  race list skips, has an entry only when the field holds a group of it).
     *  Emptied whenever the race list loads, so nothing of an earlier meeting
     *  survives a change of meeting. */
    QMap<int, RaceEntry> RaceTable;

    /** Race code of a race of the meeting shown; empty when unknown. */
    QString RaceCodeOf(int race) const;
    /** Group row of a race in whole-meeting mode; 0 when none. */
    int GroupRowOf(int race) const;
    /** The race a field row belongs to (its own race column); 0 for a group
     *  row, an empty row or a row outside the grid. */
    int RaceOfRow(int row) const;

    // ---- Controls -------------------------------------------------------------
    Grid* grdRace = nullptr;    // the field
    Grid* grdRaces = nullptr;   // race list
    Grid* grdMeeting = nullptr; // meetings
    Grid* grdJockey = nullptr;  // managed jockeys (drag source)
    ImageList* imlGrdRace = nullptr;

    QLineEdit* txtMeeting = nullptr;
    QLineEdit* txtMeetingDetails = nullptr;
    QLineEdit* txtMeetingType = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lblMetro = nullptr;
    QLabel* lblRaceType = nullptr;
    QLabel* lblRaceTxt = nullptr;
    QTextEdit* txtRace = nullptr;
    QComboBox* cmbRaceType = nullptr;

    QPushButton* cmdExit = nullptr;
    QPushButton* cmdRating = nullptr;
    QPushButton* cmdCalcWgts = nullptr;
    QPushButton* CmdUpdExtra = nullptr;
    QPushButton* cmdPrint = nullptr;

    ComboEx* cmbJockey = nullptr;   // in-cell jockey list (hidden at rest)
    ComboEx* cmbBookText = nullptr; // in-cell booking-status list (hidden at rest)
    QLineEdit* TxtTrainPhone = nullptr;
    QLineEdit* txtTrainMobile = nullptr;
    QLineEdit* txtTrainLocation = nullptr;
    QLabel* lblBackColor = nullptr;
    QLabel* lblJockey = nullptr;
    QLabel* Image1 = nullptr;

    QMenu* mnuPURaceEnt = nullptr;
    QAction* MnuVicRatings = nullptr;
    QAction* mnuRego = nullptr;

    /** The "Race" and "Jockey" pop-up menus (built at load). */
    PopMenu* popMenu() const { return m_popMenu; }
    /** The booking gestures on the field (drag and drop, in-cell lists, confirm). */
    InCellBooking* booking() const { return m_booking; }

    // ---- Trainer contact boxes ------------------------------------------------
    /** The trainer whose contact data the boxes show (the field's trainer
     *  text of the runner clicked last); empty until a runner was clicked. */
    QString ShownTrainer;
    /** What a booking on a field row is filed under: the row's horse,
     *  trainer, the meeting shown and the race code of the row's own race.
     *  Not valid for a group row or a race the meeting does not list. */
    BookingRowKeys RowKeys(int row) const;

    // ---- Loading ----------------------------------------------------------------
    void Form_Load();
    void Form_Unload();
    void ShowMeetingHeader();
    void ShowRaceHeader();
    void LoadRaceList();
    /** Refills the field from the database (see the column enumeration). */
    void LoadRaceField();
    /** Records each race's group row of the field (whole-meeting mode). */
    void IndexRaceGroupRows();
    /** The query LoadRaceField reads; its values are bound in the order
     *  meeting code, then (single-race mode) race number. */
    QString RaceFieldSql() const;

    /** True while a data command (weights, ratings, last starts) or a lookup
     *  of the horse's pages runs: the window's commands and its closing are
     *  refused meanwhile. */
    bool IsBusy() const { return m_busy; }

public slots:
    void cmdExit_Click();
    /** Weight calculation from the handicap table. */
    void cmdCalcWgts_Click();
    /** Rating fetch for the race's runners. */
    void cmdRating_Click();
    /** Last-start refresh of the race or meeting. */
    void CmdUpdExtra_Click();
    /** Meeting report. */
    void cmdPrint_Click();
    void grdMeeting_OnMouseUp(int button, int shift, int x, int y);
    void grdRaces_OnMouseUp(int button, int shift, int x, int y);

    // Booking in the field
    void grdJockey_OnMouseDown(int button, int shift, int x, int y);
    void grdRace_OnDragDrop(QWidget* source, int x, int y);
    void grdRace_OnRequestEdit(int row, int col);
    void cmbJockey_LostFocus();
    void cmbBookText_OnSelect();

    // Clicks, menus and sorting
    void grdRace_OnMouseUp(int button, int shift, int x, int y);
    void grdRace_OnDblClick(int row, int col);
    void grdRace_OnColumnClick(int col);
    void grdJockey_OnMouseUp(int button, int shift, int x, int y);
    /** "Race Entries" > "Ratings" (Ctrl+V): the selected runner's rating page. */
    void MnuVicRatings_Click();
    /** "Race Entries" > "Rego Search" (Ctrl+S): the selected runner's registration search. */
    void mnuRego_Click();

    // Trainer contact boxes
    void txtTrainLocation_LostFocus();
    void txtTrainMobile_LostFocus();
    void TxtTrainPhone_LostFocus();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildPopMenus();
    void setupFieldColumns();
    void setupRaceListColumns();
    void restoreLayout();
    void applyWeightControls();
    /** Caption, key, width, visibility and sort of the stage column for a stage. */
    void applyStageColumn(const QString& stage);
    /** Shows a race's stored race type in the race type list (empty: none). */
    void showRaceType(const QString& raceType);
    void connectFieldGestures();
    /** Shows the contact data of the selected runner's trainer. */
    void ShowTrainer();
    /** Writes one contact box into the shown trainer's record. */
    void saveTrainerBox(QLineEdit* box, const char* column);
    /** Acts on a chosen item of the "Race" menu for a runner row. */
    void raceMenuChosen(const QString& key, int row);
    /** The rating page ("Rating") or registration search ("Rego") of a row's horse. */
    void showHorsePage(const QString& key, int row);
    /** A "Race Entries" item ("Rating" or "Rego") on the selected runner. */
    void raceEntriesItem(const QString& key);
    /** Opens the statistics window for the request just set (hourglass meanwhile). */
    void openStatistics();
    /** Before the field's rows move or are replaced: the in-cell jockey list
     *  books its choice on the runner it was opened over, the status list
     *  closes unchosen. */
    void closeInCellLists();

    PopMenu* m_popMenu = nullptr;
    InCellBooking* m_booking = nullptr;
    bool m_unloaded = false;

    /** Runs a data command under the hourglass with the window blocked (its
     *  commands refused, closing refused), then reloads the field when the
     *  command asks for it. Nothing runs while another command is busy. */
    void runBusyCommand(const QString& what, const std::function<bool()>& command);
    bool m_busy = false;
};

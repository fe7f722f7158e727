#pragma once

#include "core/modShared.h"
#include "platform/ComboEx.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

class Grid;
class ImageList;
class InGridBookingEditor;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QVBoxLayout;


/**
 * The main window: meetings, trainers, nominations and jockeys, and the hub
 * from which every other window is opened.
 *
 * Controls carry the object names the rest of the program (and the tests)
 * look them up by. Grid columns are addressed by their creation index (1-based),
 * which never changes when the user moves a column.
 */
class Main : public QMainWindow
{
    Q_OBJECT

public:
    /** The one main window of the process, created on first use. */
    static Main* instance();
    /** True when the main window exists (without creating it). */
    static bool hasInstance();
    /** Deletes the main window (tests start each case with a fresh one). */
    static void destroyInstance();

    explicit Main(QWidget* parent = nullptr);
    ~Main() override;

    // ---- Public state read and written by other windows -------------------
    // The three members the opened windows read live in core (gMainState);
    // these names refer to them.
    /** Meeting code the race view opens on. */
    QString& strMeetingCur = gMainState.strMeetingCur;
    /** Race the race view opens on (0 = the whole meeting). */
    qint16& IntRace = gMainState.IntRace;
    /** Stage of the field file imported last ("NOM", "WGT", "ACP", "N/A"). */
    QString& strMeetingType = gMainState.strMeetingType;
    /** SQL IN-list of the meetings selected at the last Refresh, or empty. */
    QString MeetingInList;
    /** The chosen trainer, single quotes doubled (ready for SQL). */
    QString SelectedTrainer;
    /** Field-file import: the file being read and the folder of a multi-file pick. */
    QString ImportFilePath;
    QString ImportFolder;

    // ---- Controls ------------------------------------------------------------
    Grid* grdMeeting = nullptr; // meetings, multi-row selection
    Grid* grdNames = nullptr;   // trainer list, 6 columns
    Grid* grdNoms = nullptr;    // nominations of one trainer, 16 columns
    Grid* grdJockey = nullptr;  // managed jockeys
    ImageList* imlGrdRace = nullptr;

    ComboEx* cmbJockey = nullptr;   // in-grid jockey list (hidden at rest)
    ComboEx* cmbBookText = nullptr; // in-grid booking-status list (hidden at rest)

    QLineEdit* txtTrainerName = nullptr;
    QLineEdit* txtTrainLocation = nullptr;
    QLineEdit* TxtTrainPhone = nullptr;
    QLineEdit* txtTrainMobile = nullptr;

    QGroupBox* FrmWeight = nullptr; // "Weight"
    QLineEdit* txtWeight = nullptr; // minimum weight in kilograms
    QSpinBox* UpDown1 = nullptr;    // the same weight in tenths of a kilogram

    QTextEdit* txtRace = nullptr; // race header (rich text); double-click opens the race

    QPushButton* cmdExit = nullptr;      // "E&xit"
    QPushButton* CmdFindHorse = nullptr; // "Find &Horse"
    QPushButton* cmdMtgRfs = nullptr;    // "Mtg"
    QPushButton* cmdReload = nullptr;    // "&Refresh"
    QPushButton* CmdGetData = nullptr;   // "&Get Data"
    QPushButton* cmdBrowse = nullptr;    // "&Add Data"

    QLabel* Label3 = nullptr;       // title "Velmora 2"
    QLabel* lblJockey = nullptr;    // the picked jockey's name
    QLabel* lblBackColor = nullptr; // the picked jockey's colour number

    // Menu bar
    QMenu* mnuFile = nullptr;
    QAction* mnuEditJockey = nullptr;
    QAction* mnuBackupDatabase = nullptr;
    QAction* mnuRepairDB = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnudebugtoggle = nullptr;
    QAction* mnuResetRace = nullptr;
    QMenu* mnuSetup = nullptr;
    QAction* MnuBookTemp = nullptr;
    QAction* MnuAllGet = nullptr;
    QAction* mnuBookRate = nullptr;
    QAction* mnuSystemSettings = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

    // Pop-up menus (never on the menu bar)
    QMenu* mnuPUMenu = nullptr; // meetings grid
    QAction* MnuRace = nullptr;
    QAction* MnuMeetingView = nullptr;
    QAction* mnuReload = nullptr;
    QAction* mnuMeetingForm = nullptr;
    QAction* mnuDeleteMeeting = nullptr;
    QMenu* MnuPUNoms = nullptr; // nominations grid
    QAction* mnuRaceView = nullptr;
    QAction* MnuHorseForm = nullptr;
    QAction* MnuVicRatings = nullptr;
    QAction* mnuNomsRBForm = nullptr;
    QAction* mnuJockeystats = nullptr;
    QAction* mnuRego = nullptr;
    QAction* mnuVideoForm = nullptr;
    QAction* mnuUpdateStatus = nullptr;
    QMenu* mnuPUNames = nullptr; // trainer list
    QAction* mnuTrainerStats = nullptr;
    QAction* mnuEditTrainer = nullptr;
    QAction* mnutrainStrk = nullptr;
    QAction* MnuTranierJockStrk = nullptr;
    QAction* MnuTrainJockForm = nullptr;
    QMenu* MnuPuJockey = nullptr; // jockey list
    QAction* mnuPrvRides = nullptr;
    QAction* MnuJockStrike = nullptr;
    QAction* mnuTrnJockStrk = nullptr;
    QAction* mnuRldJokDta = nullptr;
    QAction* mnuSelJckIcn = nullptr;
    QAction* mnuJockeyReport = nullptr;

    // ---- In-grid booking editors ---------------------------------------------
    /** The drag of a jockey onto a runner and the in-grid jockey and status
     *  lists: attached to grdJockey, grdNoms, cmbJockey and cmbBookText. */
    InGridBookingEditor* bookingEditor = nullptr;

    // ---- Loaders ---------------------------------------------------------------
    /** Creates the trainer list's six columns (done once by the start-up). */
    void SetupNamesGrid();
    /** Creates the nominations grid's sixteen columns (done once by the start-up). */
    void SetupNomsGrid();
    /** Refills the meetings grid with the displayed meetings. */
    void LoadMeetingGrid();
    /** Refills the trainer list for MeetingInList and the weight filter. */
    void LoadTrainerGrid();
    /** Refills the nominations grid for SelectedTrainer. */
    void LoadTrainerNoms();
    /** After new fields were stored: reselects the chosen trainer in the
     *  reloaded trainer list and reloads the nominations grid, or empties it
     *  (and forgets the trainer) when the trainer is no longer listed. */
    void ReloadChosenTrainerNoms();
    /** Forgets the chosen trainer and locks the contact boxes again (after the
     *  lists were emptied), so an edit cannot reach the wrong trainer's row. */
    void ClearTrainerSelection();
    /** After another database has become the one in use (a change of
     *  Database Path): lets go of every row and choice of the old database
     *  and loads the meetings, jockeys, trainer list and booking statuses
     *  from the new one, as a start does. */
    void LoadFromNewDatabase();
    /** The meeting codes of the selected rows of the meetings grid, in row order. */
    QStringList SelectedMeetingCodes() const;
    /** The query the trainer list shows (for the current filter): the runners
     *  by trainer, meeting and race with their best placings. */
    QString TrainerGridSql() const;
    /** The runners that query reads, unordered and without placings (what the
     *  loader actually reads; it orders and groups them itself). */
    QString TrainerRunnersSql() const;
    /** The SQL the nominations grid is loaded with (for the current trainer and filter). */
    QString TrainerNomsSql() const;

    /**
     * Fetches a web address and sums up the answer by its first 60
     * characters: "" for an empty address, "Server not found" for an empty
     * answer, "File not found" when it shows "404", "Fatal Error" when it
     * shows "Fatal Error" or "FATAL ERROR", otherwise "OK"; "Timeout error"
     * when no answer came (no connection, a bad address, or the time limit of
     * the program's web requests ran out). Waits for the answer; the window
     * takes no input meanwhile.
     */
    QString CheckLink(const QString& var_URL);

    // ---- Grid layout lists (stored in the settings as comma lists) -----------
    /** Column widths in creation order, joined by "," ("130,30,30,15,15,0"). */
    static QString ColumnWidthList(const Grid* grid);
    /** Display positions (1 = leftmost) in creation order, joined by ",". */
    static QString ColumnOrderList(const Grid* grid);
    /** Applies saved width and order lists. Widths: each element above 0 is
     *  applied to its column. Order: the saved permutation is restored as a
     *  whole; invalid, out-of-range and duplicate positions are ignored. */
    static void ApplyColumnLists(Grid* grid, const QString& widthList, const QString& orderList);

    // ---- Start-up, shutdown and layout (defined with the start-up sequence) ---
    void Form_Load();
    void Form_Unload();
    /** Restores the saved trainer sort, window geometry and column layouts. */
    void RestoreLayout();
    /** Stores the column layouts and window geometry in the settings. */
    void SaveLayout();

public slots:
    // Buttons
    void cmdReload_Click(); // "&Refresh": defined with the start-up sequence
    void cmdExit_Click();
    void CmdFindHorse_Click();
    void cmdMtgRfs_Click();
    void CmdGetData_Click();
    void cmdBrowse_Click();
    void Label3_Click();

    // Meetings grid and jockey list
    void grdMeeting_OnMouseUp(int button);
    void grdMeeting_OnDblClick();
    /** Meetings pop-up: the race view of each selected meeting in turn, race 1 /
     *  the whole meeting. */
    void MnuRace_Click();
    void MnuMeetingView_Click();
    /** Nominations pop-up: the race view on the selected runner's race. */
    void mnuRaceView_Click();
    void grdJockey_OnMouseUp(int button);
    /** "Select Jockey for Icons": chooses or clears the icon jockey, then the
     *  trainer list is reloaded and the race header and contact boxes emptied. */
    void mnuSelJckIcn_Click();
    /** "Reload Jockey Form Data": full download of the picked jockey's rides. */
    void mnuRldJokDta_Click();
    /** "Print Jockey Invoice Report": the invoice window for the picked jockey. */
    void mnuJockeyReport_Click();

    // Trainer list and nominations grid
    void grdNames_OnMouseUp(int button);
    void grdNames_OnColumnClick(int column);
    void grdNoms_OnColumnClick(int column);

    // Trainer contact boxes and weight filter
    void txtTrainLocation_LostFocus();
    void TxtTrainPhone_LostFocus();
    void txtTrainMobile_LostFocus();
    void txtWeight_LostFocus();
    void UpDown1_OnSpin();
    void txtRace_OnOpenRace();

    // Database maintenance commands (defined in DatabaseMaintenance.cpp)
    void mnuBackupDatabase_Click();
    void mnuRepairDB_Click();
    void mnuRemove_Click();
    void mnuDeleteMeeting_Click();
    void mnudebugtoggle_Click();
    void mnuResetRace_Click();

    // ---- Menu commands and the nominations pop-up (defined in MainMenus.cpp) ----
public:
    /** Root address (scheme and host, no trailing "/") of the racing body's
     *  site with the race-book form pages. Defaults to the body's public
     *  site; VELMORA_RACEBOOK_SITE replaces that, SetRaceBookSite replaces
     *  both (an empty text restores them). */
    static QString RaceBookSite();
    static void SetRaceBookSite(const QString& root);

public slots:
    /** Right button: the nominations pop-up, offering "Set Remaining Status
     *  to" over a booking template's status; other buttons: the race header
     *  for the clicked row's meeting and race. */
    void grdNoms_OnMouseUp(int button);

private slots:
    void mnuAbout_Click();
    void mnuSystemSettings_Click();
    void MnuAllGet_Click();
    void MnuVicRatings_Click();
    void mnuRego_Click();
    // Statistics of the selected horse, trainer or jockey.
    void MnuHorseForm_Click();
    void mnuTrainerStats_Click();
    void MnuTrainJockForm_Click();
    void mnuPrvRides_Click();
    void mnuMeetingForm_Click();
    void mnuNomsRBForm_Click();
    void mnuUpdateStatus_Click();
    // Record windows (jockeys, trainer, booking rates and templates).
    void mnuEditJockey_Click();
    void mnuEditTrainer_Click();
    void mnuBookRate_Click();
    void MnuBookTemp_Click();
    /** "Trainer Jockey Strike Rate": no statistics of its own; asks for a
     *  jockey when none is picked in the jockey list. */
    void mnuTrnJockStrk_Click();

public:
    /** Makes the pop-up items' Ctrl shortcuts work from the window itself,
     *  each acting on the selected cell of its pop-up's grid. */
    void ConnectPopupShortcuts();
    /** What a pop-up item's shortcut does: nothing without a picked cell in
     *  `grid`; otherwise the item, when the pop-up would offer it there. */
    void PopupShortcut(QAction* item, Grid* grid);
    /** Gives the race header its one height: the usual header whole, more
     *  behind a scroll bar. */
    void FitRaceHeader();
    /** Makes the trainer list, meetings grid and jockey list exactly as wide
     *  as their shown columns (and keeps them so when a column is resized),
     *  and the window no narrower than shows every nominations column. */
    void FitLayoutToColumns();
    /** The window width at which every column of the four grids is in view
     *  (after FitLayoutToColumns). */
    int WidthForColumns() const;
    /** Shown columns' widths, frame and vertical scroll bar of a grid. */
    static int ColumnsWidth(const Grid* grid);

private:
    /** Shows "Set Remaining Status to" over a booking template's status in
     *  the nominations grid's selected cell, and hides it elsewhere. */
    void offerRemainingStatus();
    /** Rewrites the race header txtRace for strMeetingCur / IntRace. */
    void writeRaceHeader();
    // ---- end of menu commands ------------------------------------------------------

signals:
    /** The race view is to open on strMeetingCur / IntRace (modal). */
    void raceViewRequested();
    /** The statistics window is to open for the request in the shared globals. */
    void statsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QString trainerGridFilter() const;
    void buildMenus();
    void showPopup(QMenu* menu);
    void columnClick(Grid* grid, int column);
    /** Takes the sort arrow off the headers (after the rows were reloaded). */
    static void clearSortArrows(Grid* grid);
    void writeTrainerContact(QLineEdit* box, const char* column);
    void openRaceView();
    /** Opens the race view on strMeetingCur / IntRace and, when it has closed,
     *  reloads the jockey list (its icon jockey may have changed), the
     *  trainer list and the nominations grid (bookings made there). */
    void showRaceView();
    /** Reloads the nominations of the chosen trainer, with the runner that
     *  was selected selected again (same column) and kept in view. */
    void reloadNomsKeepingRunner();
    /** Sets gStatsMode and opens the statistics window (statsRequested). */
    void openStatistics(const QString& mode);

    QVBoxLayout* m_leftColumn = nullptr;
    QVBoxLayout* m_middleColumn = nullptr;
    QVBoxLayout* m_rightColumn = nullptr;
    bool m_fitsColumns = false;

    /** Text of each contact box when the trainer was shown, so an unchanged box writes nothing. */
    QString m_shownLocation, m_shownPhone, m_shownMobile;

    // ---- Start-up outcome (defined with the start-up sequence) ----------------
public:
    /** What the start-up window calls: creates the main window, runs its load
     *  and shows it. When the load ended the program, the window is deleted
     *  unshown and the event loop is told to quit. */
    static void ShowAtStartup();
    /** True when the load ended the program (no database chosen, or the
     *  database damaged or in use); the window must not be shown then. */
    bool ProgramEnded() const { return m_programEnded; }
    /** The exit code the program ends with after ProgramEnded(). */
    int EndCode() const { return m_endCode; }

private:
    void EndProgram(int code);
    bool m_loadStarted = false;
    bool m_programEnded = false;
    bool m_importRunning = false; // the field-file import (it waits on the track lookup)
    bool m_reloadRunning = false; // a jockey's race data reload
    bool m_ratingRunning = false; // a runner's rating page lookup
    int m_endCode = 0;
};

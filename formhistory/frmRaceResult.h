#pragma once

#include <QDialog>
#include <QStringList>

class Grid;
class QLabel;
class QLineEdit;
class QPushButton;

/**
 * One race of the remote form database: the meeting and race particulars and
 * every finisher, with the horse the manager came from in bold. Opened from
 * the statistics window with OpenResult; everything is fetched afresh each
 * time and nothing is stored locally except the window's layout.
 */
class frmRaceResult : public QDialog
{
    Q_OBJECT

public:
    explicit frmRaceResult(QWidget* parent = nullptr);
    ~frmRaceResult() override;

    /**
     * Fetches the race (`raceDate` as "yyyy/mm/dd", the track code and the race
     * number), shows it modally with `horse` in bold, and unloads the window
     * when it is closed. An error reply or an empty header is reported
     * ("Connection error") and the window is not shown.
     */
    static void OpenResult(const QString& raceDate, const QString& track, const QString& raceNo,
                           const QString& horse);

    /** `text` left-aligned in exactly `width` characters (padded or cut). */
    static QString PadText(int width, const QString& text);
    /** The SQL of the race's particulars and of its finishers. */
    static QString HeaderSql(const QString& raceDate, const QString& track, const QString& raceNo);
    static QString FinishersSql(const QString& raceDate, const QString& track, const QString& raceNo);
    /** "$ 12,500.00" for 12,500; empty for a text that is not a number. */
    static QString MoneyText(const QString& thousands);

    /** Sets up the grid and restores the stored layout. */
    void Form_Load();
    /** Stores the layout and saves the settings. */
    void Form_Unload();
    void cmdExit_Click();

    /** Fills the text boxes from the first header row (fields as far as they go). */
    void FillHeader(const QString& raceDate, const QString& track, const QString& raceNo, const QStringList& fields);
    /** Fills the grid from the finishers reply. */
    void FillFinishers(const QString& reply, const QString& horse);

    QLineEdit* txtMeetDesc = nullptr;
    QLineEdit* txtMeetType = nullptr;
    QLineEdit* txtMeetState = nullptr;
    QLineEdit* txtRaceDesc = nullptr;
    QLineEdit* txtRaceType = nullptr;
    QLineEdit* txtRaceClass = nullptr;
    QLineEdit* txtSec = nullptr;
    QLineEdit* txtCond = nullptr;
    QLineEdit* txtLimWeight = nullptr;
    QLineEdit* txtValue = nullptr;
    QLabel* lblDescription = nullptr;
    Grid* grdResults = nullptr;
    QPushButton* cmdExit = nullptr;

    static constexpr int kDesignWidth = 960;
    static constexpr int kDesignHeight = 440;
};

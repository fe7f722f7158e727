#pragma once

#include <QString>

/**
 * All configuration and remembered window state of the program. One
 * process-wide instance, gAppSettings; every window reads and writes the
 * members directly. Nothing reaches the registry store until SaveSettings.
 * Window positions and sizes are in twips; the *Order and *Width members are
 * the comma lists the grid layout code writes.
 */
class cAppSettings
{
public:
    QString DBPath;
    QString DataServer;
    QString AddDataPath;
    QString BackupPath;
    QString DebugPath;
    QString MainTrainerSortKey;
    QString StatHorseSortKey;
    QString StatTrainerSortKey;
    QString StatJockeySortKey;
    QString MainTrainerOrder;
    QString MainTrainerWidth;
    QString MainNomsOrder;
    QString MainNomsWidth;
    qint32 MainLeft = 0;
    qint32 MainTop = 0;
    qint32 MainWidth = 0;
    qint32 MainHeight = 0;
    bool MainMax = false;
    float AppVersion = 0;
    bool AlreadyUpgraded = false; // stored as "Upgraded"
    QString DefaultState;
    bool AllowGetData = false;
    QString ABN;
    bool ApplyGST = false;
    QString Companyname; // stored as "CompanyName"
    float NextInvoiceNumber = 0;
    QString UserName;
    QString RegNo;
    QString RaceRaceOrder;
    QString RaceRaceWidth;
    qint32 RaceLeft = 0;
    qint32 RaceTop = 0;
    qint32 RaceWidth = 0;
    qint32 RaceHeight = 0;
    bool RaceMax = false;
    QString RaceResultsGridOrder;
    QString RaceResultsGridWidth;
    qint32 RaceResultsLeft = 0;
    qint32 RaceResultsTop = 0;
    qint32 RaceResultsWidth = 0;
    qint32 RaceResultsHeight = 0;
    bool RaceResultsMax = false;
    QString StatHorseOrder;
    QString StatHorseWidth;
    qint32 FrmHorseLeft = 0;
    qint32 FrmHorseTop = 0;
    qint32 FrmHorseWidth = 0;
    qint32 FrmHorseHeight = 0;
    bool FrmHorseMax = false;
    QString StatJockeyOrder;
    QString StatJockeyWidth;
    qint32 FrmJockeyLeft = 0;
    qint32 FrmJockeyTop = 0;
    qint32 FrmJockeyWidth = 0;
    qint32 FrmJockeyHeight = 0;
    bool FrmJockeyMax = false;
    QString StatTrainerOrder;
    QString StatTrainerWidth;
    qint32 FrmTrainerLeft = 0;
    qint32 FrmTrainerTop = 0;
    qint32 FrmTrainerWidth = 0;
    qint32 FrmTrainerHeight = 0;
    bool FrmTrainerMax = false;
    bool AlwCalcWeights = false;
    QString ExtChgText1;
    QString ExtChgText2;
    qint32 ExtChgVal1 = 0;
    qint32 ExtChgVal2 = 0;

    /** The registry key every value lives under (HKEY_CURRENT_USER). */
    static const QString kSection;
    /** The data server used when none is configured. */
    static const QString kDefaultDataServer;

    /**
     * Reads every member from the registry store. A missing value gives the
     * empty text, 0 or False (DataServer its default host). A stored value
     * that does not convert leaves that one member as it was and loading goes
     * on with the rest; the result is then false.
     */
    bool LoadSettings();

    /** Who hears of a failed save: the program's own saves tell a failure
     *  once per run (the same store failing again says nothing new); a save
     *  the user asked for tells it every time. */
    enum class Tell
    {
        OncePerRun,
        Always,
    };
    /** Writes every member to the store in one atomic update. When the store
     *  cannot be written (full disk, unwritable folder) nothing on disk
     *  changes, the user is told why, titled "Settings Error", and the
     *  result is false. */
    bool SaveSettings(Tell tell = Tell::OncePerRun);

    /**
     * When a load found the settings file damaged (it could not be read and
     * was moved aside), tells the user once, titled "Settings Error": that the
     * file was damaged, where the damaged copy is kept, and that defaults are
     * in use. Returns true when it told.
     */
    static bool ReportDamagedSettings();

    /** Names of the 68 stored values, in save order. */
    static QStringList valueNames();
};

extern cAppSettings gAppSettings;

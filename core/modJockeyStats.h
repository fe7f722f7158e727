#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class DaoDatabase;
class Grid;

/**
 * The remote form database's data kept or used locally: each runner's last
 * start (Noms), the managed jockeys' rides (RaceStats), and the SQL pieces
 * that turn those rides into best placings for the grids.
 */
namespace modJockey
{
/** The managed jockeys' SQL IN-list ("( 'A', 'B')"), or the one icon
 *  jockey's ("( 'A')"), or empty when there is no jockey. */
extern QString gJockeyInList;
/** The one jockey chosen for the best-placing icons, as the jockey list shows
 *  the name; empty means every managed jockey counts. */
extern QString gIconJockey;

/** Image of the grids' image list that marks the icon jockey. */
constexpr int kIconJockeyImage = 4;

/**
 * Fetches every runner's most recent start (with its average margin and
 * average prize money) in one remote query and writes the last-start columns
 * of the matching Noms rows: LastJockey, LastRode, LastRaceClass, LastWeight,
 * HorseType, LastRaceValue, WgtRat, LastMargin, AvgWin, FormTrainer, W800400,
 * RSecTime.
 *
 * Runners are asked for and matched by the name before any "(" (letter case
 * and trailing blanks ignored), so a horse in two races gets both rows.
 * Runners the remote database does not know keep their values; a meeting or
 * race without runners sends nothing. An "Error:" reply is shown titled
 * "Connection error" and nothing is written. Reply rows that cannot be mapped
 * (fewer than 14 fields, no readable date) are skipped. All rows are written
 * in one transaction. The pointer shows the hourglass while it works.
 *
 * @param meetingCode the meeting
 * @param raceNumber  one race of it; 0 or less for every race
 */
void LoadLastStartForm(const QString& meetingCode, qint16 raceNumber);

/** The remote SQL LoadLastStartForm sends for an IN-list of horse names. */
QString LastStartFormSql(const QString& horseInList);

/** What became of one jockey's download. */
enum class StatsDownload
{
    Skipped, // no jockey name: nothing asked
    Stored,  // the reply was read and stored, the jockey stamped
    Failed,  // no usable reply: nothing deleted, nothing stamped
};

/**
 * Copies one jockey's rides from the remote form database into RaceStats.
 *
 * A full refresh replaces all the jockey's rows; an incremental one asks only
 * for results updated on the server since `since` and updates the stored ride
 * (same date, race, track and horse) or adds it. Then Jockey.DateLastStats is
 * set to the time taken just before the request was sent, so nothing updated
 * during the download is missed next time. Everything is written in one
 * transaction, and only after a good reply: after a failed request (an
 * "Error:" text, a reported server error or an access refusal) nothing is
 * deleted and DateLastStats stays as it was. Reply rows with fewer than nine
 * fields or no readable date are skipped.
 *
 * @param jockey      the jockey's name as stored locally; empty does nothing
 * @param fullRefresh true to replace all rows, false for the incremental form
 * @param since       incremental only: results updated at or after this time
 * @param reportError show an "Error:" reply titled "Connection error"
 */
StatsDownload DownloadJockeyStats(const QString& jockey, bool fullRefresh, const QDateTime& since = QDateTime(),
                                  bool reportError = true);

/** The remote SQL DownloadJockeyStats sends. */
QString JockeyStatsSql(const QString& jockey, bool fullRefresh, const QDateTime& since);

/**
 * The start-up refresh: for every jockey (by name) an incremental download of
 * the results updated since its DateLastStats (1 January 1990 when it is
 * older or was never set), with "Loading Jockey data for " + name on the
 * status line. A transport failure or time-out is told once, at the end.
 */
void RefreshAllJockeyStats();

/**
 * The managed jockeys' rides for a trainer: the best finishing position and
 * the number of rides as "best(rides)", e.g. "1(3)"; "" when they have none.
 * The trainer's name is compared as the database compares text.
 */
QString GetTrainerRideStats(const QString& trainerName, DaoDatabase& db);

/** The main window registers its jockey list here; GetJockeyInList reads its
 *  column 1. Held weakly: a grid that goes away reads as no jockeys. */
void SetJockeyListGrid(Grid* grid);

/**
 * Rebuilds gJockeyInList from the names in column 1 of the main window's
 * jockey list, in row order. While an icon jockey is chosen and still listed,
 * the list stays that one jockey's, so icons and placings keep agreeing; an
 * icon jockey no longer listed is forgotten.
 */
void GetJockeyInList();

/** An SQL IN-list of names: "( 'A'", ", 'B'" for each further one, ")";
 *  quotes doubled, as local SQL wants them (modDatabase::RemoteInList makes
 *  it fit for remote SQL); "" for no names. */
QString BuildJockeyInList(const QStringList& names);

/** Select-list item for the counted jockeys' best position on the horse of
 *  the nominations table `alias` (named BestHPosn; the horse matched by its
 *  HorseName, trailing blanks ignored on both sides); "0 as BestHPosn" when
 *  no jockey counts. */
QString BestHorsePosnSql(const QString& alias);

/** The same for the runner's form trainer (named BestPosn); "0 as BestPosn"
 *  when no jockey counts. */
QString BestTrainerPosnSql(const QString& alias);

/**
 * Chooses or clears the icon jockey from the selected row of a jockey list.
 * Choosing a jockey narrows gJockeyInList to that jockey, removes the column-1
 * icons of every row and marks the selected row with image 4; choosing the
 * same jockey again removes its icon, clears gIconJockey and rebuilds the list
 * of all jockeys. With no cell selected it shows "Jockey Must be Seleted for
 * Icons." titled "Select a Jockey" and returns false. The caller then reloads
 * what shows best placings.
 */
bool ToggleIconJockey(Grid& jockeyList);
} // namespace modJockey

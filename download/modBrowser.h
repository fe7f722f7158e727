#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

/**
 * The meeting downloader's web loaders: a meeting's races and runners read
 * from a published web page into the Meeting, Race and Noms tables.
 *
 * Every loader works in three steps so that a failure can never cost the
 * manager a stored field:
 *   1. look the track up and read the race-name abbreviations (remote form
 *      database), fetch the page;
 *   2. read the page with a pure parser (page text in, races and runners
 *      out; nothing touches the database or the screen);
 *   3. only when the page gave at least one race and no fault, replace the
 *      meeting's Race and Noms rows and write its Meeting row in one
 *      transaction; then check the bookings against the new field.
 * A failed track lookup or abbreviation query (an error, or a reply not in
 * the service's format; an empty track reply is an unknown track), a failed
 * fetch, an "Error:" reply, an empty page, a page cut short or a page without
 * races leaves the database as it was and comes back as a failed LoadResult
 * with the reason, which the caller shows. A request that
 * gets no answer at all (time-out, no connection) ends the meeting there,
 * without a message of its own, as an unreachable LoadResult.
 */
namespace modBrowser
{
// ---- State kept between downloads ---------------------------------------------

/** The phase ("Nominations", "Weights", "Acceptances", ...) of the meeting
 *  being loaded, or of the last one. */
extern QString gDownloadPhase;
/** The remote RaceShortCode rows, each "RaceTerm|ShtTerm", in the server's
 *  order (a final empty element after the last row). Empty until loaded. */
extern QStringList gRaceShortCodes;

// ---- Track lookup, race short codes and race code --------------------------------

/**
 * The remote Track row of a meeting's location: "TrackCode|TrackClub|State|
 * MeetType", or "" when there is none. A connection failure, or a reply not
 * in the service's format, is shown titled "Connection error" and gives "".
 * The location is sent in upper case with its quotes and backslashes doubled,
 * so "Hawke's Bay" or "A & B" reach the database intact.
 */
QString LookupTrackRemote(const QString& location);
/** The remote SQL of LookupTrackRemote. */
QString TrackLookupSql(const QString& location);

/** Reloads gRaceShortCodes from the remote RaceShortCode table. After a
 *  connection failure or a reply not in the service's format (shown titled
 *  "Connection error") the list stays. */
void LoadRaceShortCodes();

/**
 * The short name of a race: the abbreviation of every listed term found in
 * `searchText` (both compared in upper case), in list order, joined by "-";
 * the race name's first 15 characters in upper case when none is found.
 */
QString ShortenRaceName(const QString& raceName, const QString& searchText, const QStringList& shortCodes);
/** ShortenRaceName with gRaceShortCodes. */
QString ShortenRaceName(const QString& raceName, const QString& searchText);

/** The race code: the first 20 characters of distance, a blank and the short
 *  name, with every double quote removed. */
QString RaceCodeOf(const QString& distance, const QString& shortName);

/** "ACP" for "Acceptances", "NOM" for "Nominations", "WGT" for "Weights",
 *  "N/A" for anything else (exact comparison). */
QString StageCode(const QString& phase);

/** What runners are matched on against results and the form database: the
 *  text before the first "(" (found from the second character on), a blank
 *  before it kept, in upper case; the whole name in upper case without one. */
QString HorseNameOf(const QString& horse);

// ---- What a page gives ---------------------------------------------------------

struct ParsedRunner
{
    int entryNo = 0;
    QString eorb; // suffix letter of the entry number ("E" emergency, "B" barrier-blocked)
    QString horse;
    QString trainer;
    QString jockey; // as cleaned, not cut
    QString rating;
    QString ballot;
    QString form;
    int barrier = 0;
    int weight = 0; // tenths of a kilogram
    bool operator==(const ParsedRunner&) const = default;
};

struct ParsedRace
{
    int raceNumber = 0;
    QString raceName;
    QString distance; // whole metres as decimal text
    QString details;  // cleaned
    QString raceCode;
    /** Start time: acceptances only (midnight when the page gives none). */
    std::optional<QTime> time;
    bool apprClaim = false;
    QString rsbCode;  // the racing club's race type; empty from the other sources
    QString pageLink; // the racing club's race page, relative to its service folder
    QList<ParsedRunner> runners; // in page order; rows without a horse are left out
    bool operator==(const ParsedRace&) const = default;
};

struct ParsedPage
{
    QList<ParsedRace> races;
    /** Why the page cannot be stored; empty when it can (or has no race). */
    QString error;
    bool ok() const { return error.isEmpty() && !races.isEmpty(); }
};

// ---- National body's public fields page --------------------------------------------

/** Reads a whole public fields page: race blocks after each
 *  "-- start of races --", each cut on "/table" into header and field.
 *  A page that stops before its end (every field table closed by "/table",
 *  then "</html>" after the last) is cut short: an error and no races. */
ParsedPage ParsePublicFieldsPage(const QString& page, const QString& phase, const QStringList& shortCodes);
/** One race header and its field. False (with `error`) when the header has
 *  no readable distance or race number. */
bool ParsePublicFieldsRace(const QString& header, const QString& field, const QString& phase,
                           const QStringList& shortCodes, ParsedRace& race, QString& error);
/** The runners of one field table, columns found by their header names. */
QList<ParsedRunner> ParsePublicFieldsNoms(const QString& field);
/** The cleaning of a race's details text (line breaks, bold, blanks). */
QString CleanPublicFieldsDetails(const QString& details);

// ---- National body's file-view page ---------------------------------------------------

/** Reads a whole file-view page: parts between "<hr>", a race table part
 *  followed by its runner part. A page that stops before its end (every
 *  runner part's table closed by "</table>", then "</html>" after the last)
 *  is cut short: an error and no races. */
ParsedPage ParseFileViewPage(const QString& page, const QString& phase, const QStringList& shortCodes);
/** One race table part and its runner part. False (with `error`) when the
 *  race number or distance cannot be read; true with no race (`race` left
 *  with number 0) when the part holds no race header. */
bool ParseFileViewRace(const QString& tablePart, const QString& runnerPart, const QString& phase,
                       const QStringList& shortCodes, ParsedRace& race, QString& error);
/** The runners of a runner part, cells read by position for the phase. */
QList<ParsedRunner> ParseFileViewNoms(const QString& runnerPart, const QString& phase);
/** A file-view time cell as a time: without AM/PM an hour of 1 to 9 or 12
 *  is afternoon, 10 and 11 morning; an empty or unreadable cell is midnight. */
QTime FileViewTime(const QString& text);

// ---- Racing club web service -----------------------------------------------------------

/** The text between each ">" and the next "<" after it, joined; the trimmed
 *  text itself when it holds no ">". */
QString StripHtmlTags(const QString& text);
/** Race details joined into lines of under 75 characters (each source line
 *  trimmed and put after a blank), the lines separated by a carriage return. */
QString RewrapClubDetails(const QString& details);
/** The meeting number of a club meeting link: the text after its last "=";
 *  empty when it has none. */
QString ClubMeetingNumber(const QString& link);
/** The race rows of a club meeting page (the pieces after each race-row
 *  marker of that meeting number). */
QStringList SplitClubMeetingPage(const QString& page, const QString& meetingNumber);
/** The races of a club meeting page as its race rows give them (number,
 *  start time, name, distance, race type, race code and race page link; no
 *  details or runners yet). A row that cannot be read, or a page that stops
 *  before its end (the meeting table closed by "</table>" after the last
 *  race row, then "</html>"), gives an error and no races. */
ParsedPage ParseClubMeetingPage(const QString& page, const QString& meetingNumber, const QStringList& shortCodes);
/** One race row of the meeting page: number, start time, name, distance,
 *  race type, race code and the race page's link. False (with `error`) when
 *  a marker or a number is missing. */
bool ParseClubServiceRace(const QString& piece, const QStringList& shortCodes, ParsedRace& race, QString& error);
/** The race page of a club race: its details (first table) and runners
 *  (second table) into `race`. False (with `error`) without both tables. */
bool ParseClubServiceRacePage(const QString& page, ParsedRace& race, QString& error);
/** The runners of a club race's field table; rows of fewer than ten cells
 *  are no runners. */
QList<ParsedRunner> ParseClubServiceNoms(const QString& table);

// ---- Writing -------------------------------------------------------------------------

/** The Meeting row of a download. */
struct MeetingInfo
{
    QString meetingCode;
    QString rsbCode;
    QString location;
    QDate date;
    QString details;
    QString level; // stage code
    QString state;
    QString meetType;
};

/**
 * The Meeting row a loader writes for a listed meeting and its track row:
 * the code is "ddmm" and the track code, or "ddmm" and the first four
 * characters of the name in upper case without a track row; the details are
 * the long date, a blank and the club; without a track row the state is
 * `stateWithoutTrack`.
 */
MeetingInfo BuildMeetingInfo(const QString& name, const QDate& date, const QString& phase, const QString& trackRow,
                             const QString& stateWithoutTrack);

/** How a source tells the same runner given twice: within one race (race
 *  number and race code), by horse. A later row replaces the earlier one's
 *  values; with `keepRatingWhenEmpty` an empty rating keeps the earlier. */
struct WriteOptions
{
    bool keepRatingWhenEmpty = true;
    bool writeForm = true;
    /** RaceDetails is the details alone (else the race name, CR LF, details). */
    bool detailsOnly = false;
};

/**
 * Replaces the meeting's Race and Noms rows by the page's and adds or
 * rewrites its Meeting row, in one transaction (bookings stay). Throws
 * VbError when the database refuses; nothing is then changed.
 * @return the number of Noms rows written
 */
int WriteMeeting(const MeetingInfo& meeting, const ParsedPage& page, const WriteOptions& options);

/** What became of one meeting's download. */
struct LoadResult
{
    bool ok = false;
    QString meetingCode;
    QString error; // why it failed, in words for the user
    /** Nothing answered at all (time-out, no connection): the meeting was
     *  left as it was at the first such request, and asking the same sites
     *  again at once would only wait out the same silence. */
    bool unreachable = false;
    int races = 0;
    int runners = 0;
};

/**
 * Loads one meeting from the public fields page `link` (a site-relative
 * address listed by the calendar). Checks the bookings of the new field,
 * then fetches the runners' last starts.
 * @param state the meeting list's state, used when the track is unknown
 */
LoadResult LoadPublicFieldsMeeting(const QString& name, const QDate& date, const QString& phase,
                                   const QString& link, const QString& state);

/**
 * Loads one meeting from the racing club's web service: the meeting page
 * `link` (listed by the club's meeting list) and one page per race. Every
 * race page must be read before anything is stored. No bookings check and
 * no last starts from this source. A link without a meeting number loads
 * nothing.
 */
LoadResult LoadClubServiceMeeting(const QString& name, const QDate& date, const QString& phase, const QString& link);

/** Loads one meeting from a file-view page `link` (relative to the file
 *  list's folder, or a full address). Checks the bookings; no last starts. */
LoadResult LoadFileViewMeeting(const QString& name, const QDate& date, const QString& phase, const QString& link);
} // namespace modBrowser

#pragma once

#include <QString>

#include <optional>

/**
 * The race view's three data commands, apart from the window: the weight
 * estimate from the handicap table, the rating fetch from the rating bureau's
 * horse pages, and the refresh of the runners' last starts from the remote
 * form database. Each works on the local database for a meeting code and a
 * race number; the window adds its busy guard, the pointer and the reload.
 */
namespace RaceCommands
{
/** Race types whose weights carry no allowance for fillies and mares. */
bool RaceTypeWithoutAllowance(const QString& raceType);

/**
 * Whether fillies and mares get the 2.5 kg allowance: the race type (control
 * characters ignored) is none of "OPN M", "CL6 M" and "1MWLY M", and the race
 * text contains neither "MAR" nor "FIL" (exact, case-sensitive).
 */
bool RaceOpenToBothSexes(const QString& raceType, const QString& raceText);

/** What the weight calculation did. */
enum class WeightsOutcome
{
    NoRaceType, // no race type chosen: told so, nothing written
    NoRace,     // no race picked (whole meeting, no runner clicked yet): told so, nothing written
    Calculated, // the race's weights were written
};

/**
 * Estimates the weights of one race's runners.
 *
 * With an empty race type it shows "You must select a race type to use to
 * calculate weights" and writes nothing; without a race (race 0: the whole
 * meeting before a runner was clicked) it tells the user to pick a race
 * first and writes nothing. Otherwise, in one transaction: every
 * runner's LastWeight starts at 0, the race type is stored on the race as
 * given, and each runner whose rating is a number gets the weight of the
 * first handicap-table row (in table order) of the meeting's type, the race
 * type without its control characters and that rating. When the race is open
 * to both sexes a filly or mare (HorseType beginning "F" or "M", either case)
 * whose weight is above 50 carries 2.5 kg less.
 *
 * @param meetingCode the meeting
 * @param raceNumber  the race
 * @param raceType    the chosen race type, as the list shows it
 * @param raceText    the race's short name (the "MAR"/"FIL" test)
 */
WeightsOutcome CalculateWeights(const QString& meetingCode, qint16 raceNumber, const QString& raceType,
                                const QString& raceText);

/**
 * The rating out of a horse's details page: after the heading cell
 * "<td class=CellHead>VIC Rating</td>", the next "<tr>" and the sixth "<td>"
 * of that row hold it, up to its "</td>". Nothing when the heading, the row,
 * its "</tr>", one of the six cells or the cell's end is missing, or when the
 * sixth cell does not open and close inside the row. The text is returned as
 * the page holds it (also "&nbsp;").
 */
std::optional<QString> RatingFromPage(const QString& page);

/** What the rating fetch did. */
enum class RatingsOutcome
{
    Refused,     // whole-meeting view: told so, nothing asked
    Completed,   // every runner was looked up
    Unreachable, // the bureau could not be reached: told once, the rest skipped
};

/**
 * Fetches each runner's rating from the rating bureau and stores it.
 *
 * In the whole-meeting view it shows "Only allowed in race view!" titled
 * "Access denied" and asks nothing. Otherwise the race's runners are read
 * first (in stored order) and looked up one after the other; a rating found
 * on the horse's page, other than "&nbsp;", replaces the runner's Rating as
 * the page writes it. A runner whose page holds no rating, or whose lookup
 * failed with an HTTP status, keeps its rating and the next one follows. When
 * the bureau cannot be reached at all (no connection, no answer in time) the
 * "Data Error" message is shown once and the remaining runners are not asked.
 */
RatingsOutcome UpdateRatings(const QString& meetingCode, qint16 raceNumber, bool wholeMeeting);

/**
 * Refreshes the runners' last starts from the remote form database: the
 * race's runners, or every runner of the meeting in the whole-meeting view.
 * A meeting or race without runners sends nothing.
 */
void RefreshLastStarts(const QString& meetingCode, qint16 raceNumber, bool wholeMeeting);
} // namespace RaceCommands

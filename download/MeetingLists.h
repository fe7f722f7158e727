#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

/**
 * The lists of coming meetings that the meeting list window offers: the
 * national body's public calendar, its file list by state, the racing club's
 * web service, and the racing services bureau's file list.
 *
 * The page readers here are pure (page text in, entries out) and use Qt Core
 * alone, so they can be fuzzed; the fetching Load* functions live in
 * frmSelectMeeting. A page without its markers gives an empty list; whether
 * such a page is a list at all is for the Is*Page checks to say.
 */
namespace MeetingLists
{
/** One listed meeting: the texts the grid shows, and the page it loads from. */
struct Entry
{
    QString date;    // as the source writes it ("05/Mar/24", "05-Mar-24", "05/03/2030")
    QString meeting; // course or club name
    QString phase;   // "Nominations", "Weights", "Acceptances" or ""
    QString link;    // the meeting's page, relative to its source or full
    bool operator==(const Entry&) const = default;
};
using List = QList<Entry>;

/**
 * Appends an entry; unless every phase is kept, a Weights entry replaces a
 * Nominations entry of the same date and meeting just before it, and an
 * Acceptances entry a Nominations or Weights one (the earlier entry takes the
 * new link and phase). True when it replaced.
 */
bool AppendEntry(List& list, const Entry& entry, bool showAllPhases);

/** The public calendar page: rows from the first "<tr class=", each
 *  meeting's Nominations, Weights and Acceptances links. */
List ParseCalendarPage(const QString& page, bool showAllPhases);

/** The file list page: rows after "<tbody>", each with its date, meeting
 *  and "viewfile.aspx?" links (DGN, DGW, DFA; other files with no phase). */
List ParseFileListPage(const QString& page, bool showAllPhases);

/**
 * Whether a reply (status 200) is a page of the list it was asked for: empty
 * (nothing published), or holding the marker the list is read from: the
 * calendar's rows ("<tr class="), the file list's table body ("<tbody>"), the
 * racing club's meeting selector. A page without it (another site's page, an
 * error page, damaged data) is no meeting list, even though reading it gives
 * no entries; a list page with its marker and no meetings is an empty list.
 */
bool IsCalendarPage(const QString& page);
bool IsFileListPage(const QString& page);
bool IsClubSelectorPage(const QString& page);

/** What the meeting list window shows, titled "Connection error", for a
 *  reply that is not a page of the list asked for. */
extern const QString kNotAListText;

/** The numeric state code of the file list (VIC 1 ... ACT 10, others 9). */
int FileListStateCode(const QString& state);

/** One option of the racing club's meeting selector. */
struct ClubOption
{
    QString date;    // the option's date text
    QString meeting; // the text before the comma
    QString number;  // the option's value (the meeting number)
};

/**
 * The racing club's meeting selector: the options of its meet_no list that
 * lie before "</SELECT>", in page order, until the first one dated before
 * `today`. Options without a comma or with a date that cannot be read are
 * passed over and named in `skipped` (when given).
 */
QList<ClubOption> ParseClubSelectorPage(const QString& page, const QDate& today, QStringList* skipped = nullptr);

/** A club meeting page's phase: "Acceptances" when it says "OPEN
 *  ACCEPTANCES", "Weights" for "OPEN WEIGHTS" (upper case compared),
 *  otherwise "Nominations". */
QString ClubPhaseOf(const QString& meetingPage);

/** The bureau's state section name ("Victoria", ... "New Zealand" for
 *  "Overseas"; empty for other states). */
QString BureauStateName(const QString& state);

/**
 * The bureau's two file-list replies read together: the state's section of
 * each, its meetings and their dated links (links dated before `today` left
 * out). Unless every phase is kept, a meeting already listed with the same
 * date is not listed again; a Nominations entry then takes a Weights link.
 * @param linkBase what each link's address is put after
 */
List ParseBureauFileLists(const QString& first, const QString& second, const QString& state, bool showAllPhases,
                          const QDate& today, const QString& linkBase);

/** The club or course in a racing club's name: the text after the first of
 *  "Ltd", "RC", "TC", "JC", "RI", "Training", "PC" found from the second
 *  character on (one character after the marker skipped); the whole name
 *  without one. */
QString GetMeetLoc(const QString& name);
} // namespace MeetingLists

#include "download/modBrowser.h"

#include "core/HttpRequest.h"
#include "core/SizedInserter.h"
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyStats.h"
#include "core/modText.h"
#include "download/WebSources.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QHash>
#include <QSet>

#include <exception>
#include <functional>
#include <optional>

namespace modBrowser
{
QString gDownloadPhase;
QStringList gRaceShortCodes;

namespace
{
const QString kRowEnd = QStringLiteral("<br>\n");

void showConnectionError(const QString& reply)
{
    Prompts::MsgBox(reply, Prompts::vbCritical | Prompts::vbOKOnly, QStringLiteral("Connection error"));
}

/** A horse as the database compares it (letter case and trailing blanks
 *  do not count). */
QString horseKey(const QString& horse)
{
    QString key = horse.toLower();
    while (key.endsWith(QLatin1Char(' ')))
        key.chop(1);
    return key;
}

/** One stored runner: the race it belongs to and its values. */
struct StoredRunner
{
    const ParsedRace* race;
    ParsedRunner runner;
};

/** The runners as they end up stored: a horse given twice in one race keeps
 *  one row with the later values (an empty rating keeping the earlier one
 *  when asked). */
QList<StoredRunner> storedRunners(const ParsedPage& page, const WriteOptions& options)
{
    QList<StoredRunner> out;
    QHash<QString, qsizetype> index;
    for (const ParsedRace& race : page.races) {
        for (const ParsedRunner& r : race.runners) {
            const QString key = QString::number(race.raceNumber) + QLatin1Char('\x1f') + race.raceCode.toLower()
                + QLatin1Char('\x1f') + horseKey(r.horse);
            const auto it = index.constFind(key);
            if (it == index.constEnd()) {
                index.insert(key, out.size());
                out.append({&race, r});
                continue;
            }
            StoredRunner& kept = out[*it];
            const QString rating = kept.runner.rating;
            kept.runner = r;
            if (options.keepRatingWhenEmpty && !modText::AfterBlank(r.rating))
                kept.runner.rating = rating;
        }
    }
    return out;
}

/** Checks the bookings of the meeting's horses against the stored field.
 *  Only horses that hold a booking there can be affected, so those are read
 *  once instead of asking about every runner. The bookings whose horse is not
 *  in the field are then listed. */
void checkBookings(const QString& meetingCode, const QString& stage, const QList<StoredRunner>& runners)
{
    QSet<QString> booked;
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT DISTINCT Horse FROM [Bookings] WHERE MeetingCode = ?"), {meetingCode});
    for (; !rs.Eof(); rs.MoveNext())
        booked.insert(horseKey(modDatabase::NullToEmpty(rs.Fields(0)).toString()));
    rs.Close();
    for (const StoredRunner& s : runners) {
        if (booked.contains(horseKey(s.runner.horse)))
            modJockey::CheckBookingsOnAcceptance(s.runner.jockey, meetingCode, s.runner.horse, stage,
                                                 static_cast<qint16>(s.runner.weight));
    }
    modJockey::ReportBookingsWithoutRunner(meetingCode);
}

/** What a loader does between the track lookup and the writing: fetch its
 *  page(s) and read them. A failure gives an error text and no races; when
 *  no answer came at all it also sets `unreachable`. */
using FetchAndParse = std::function<ParsedPage(bool& unreachable)>;

/** What differs between the sources once the page is read. */
struct LoaderKind
{
    WriteOptions write;
    QString stateWithoutTrack;
    QString rsbCode;
    bool checkBookings = true;
    bool lastStarts = false;
};

/** A page fetched with GET: its text, or the reason it cannot be used
 *  (`unreachable` set when no answer came at all). */
std::optional<QString> fetchPage(const QString& url, QString& error, bool& unreachable)
{
    const modDatabase::HttpReply reply = modDatabase::HttpSend(url, QStringLiteral("GET"));
    if (!reply.ok()) {
        error = reply.text.isEmpty() ? QStringLiteral("The site reported an error.") : reply.text;
        unreachable = reply.transportFailed();
        return std::nullopt;
    }
    if (reply.text.trimmed().isEmpty()) {
        error = QStringLiteral("The site sent an empty page.");
        return std::nullopt;
    }
    return reply.text;
}

const QString kShortCodesSql = QStringLiteral("SELECT RaceTerm, ShtTerm FROM RaceShortCode");

/** The first row of a track lookup's reply that passed the format check;
 *  "" for an empty reply (the track is not in the table). */
QString firstRowOf(const QString& reply)
{
    const QStringList rows = reply.split(kRowEnd);
    return rows.size() > 1 ? rows.first() : QString();
}

/** The track row of a lookup's reply; a failed lookup is shown titled
 *  "Connection error" and gives no row. */
QString trackRowOf(const QString& reply)
{
    // A web page or damaged data sent with status 200 is no track either:
    // its first line would otherwise become the meeting's code.
    if (const QString problem = modDatabase::ReplyProblem(reply, 4); !problem.isEmpty()) {
        showConnectionError(problem);
        return QString();
    }
    return firstRowOf(reply);
}

/** Takes the abbreviation list from a reply that passed the format check. */
void setShortCodes(const QString& reply)
{
    gRaceShortCodes = reply.isEmpty() ? QStringList() : reply.split(kRowEnd);
}

/** Takes the abbreviation list from its reply; after a failure (shown titled
 *  "Connection error") the list stays as it was. */
void takeShortCodes(const QString& reply)
{
    if (const QString problem = modDatabase::ReplyProblem(reply, 2); !problem.isEmpty()) {
        showConnectionError(problem);
        return;
    }
    setShortCodes(reply);
}

/** Why a loader's query to the form database gives nothing it may use ("" when
 *  it does): the failure's own text, or the one for a reply not in the
 *  service's format. Nothing is shown here: the download tells every failed
 *  meeting in one message at its end. */
QString queryProblem(const modDatabase::HttpReply& reply, int fields)
{
    if (!reply.ok()) {
        // A failed statement or a refused account was already shown by the
        // HTTP routine, which leaves no text.
        return reply.text.isEmpty() ? QStringLiteral("The form database reported an error.") : reply.text;
    }
    return modDatabase::ReplyProblem(reply.text, fields);
}

/** A meeting not loaded because nothing answered (time-out, no connection):
 *  nothing was written, and the caller stops asking. */
LoadResult unreachableResult(LoadResult result, const QString& text)
{
    result.error = text;
    result.unreachable = true;
    return result;
}

/** The frame every loader follows (see the header). */
LoadResult loadMeeting(const QString& name, const QDate& date, const QString& phase, const LoaderKind& kind,
                       const FetchAndParse& fetchAndParse)
{
    LoadResult result;
    std::optional<WaitCursor> busy(std::in_place);
    // When a request gets no answer at all, the next ones would only wait out
    // the same silence: the meeting stops at once, untouched, and says so.
    const modDatabase::HttpReply track = modDatabase::RemoteQuery(TrackLookupSql(name));
    if (track.transportFailed())
        return unreachableResult(result, track.text);
    // Only an empty reply says the track is unknown (the code is then made
    // from the name); a failed lookup would store the meeting under another
    // code than its bookings', so the meeting fails and keeps its rows.
    if (const QString problem = queryProblem(track, 4); !problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    MeetingInfo meeting = BuildMeetingInfo(name, date, phase, firstRowOf(track.text), kind.stateWithoutTrack);
    meeting.rsbCode = kind.rsbCode;
    result.meetingCode = meeting.meetingCode;
    gDownloadPhase = phase;
    const modDatabase::HttpReply codes = modDatabase::RemoteQuery(kShortCodesSql);
    if (codes.transportFailed())
        return unreachableResult(result, codes.text);
    // Without the abbreviations every race code would be written differently.
    if (const QString problem = queryProblem(codes, 2); !problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    setShortCodes(codes.text);

    bool unreachable = false;
    const ParsedPage page = fetchAndParse(unreachable);
    if (unreachable)
        return unreachableResult(result, page.error);
    if (!page.error.isEmpty()) {
        result.error = page.error;
        return result;
    }
    if (page.races.isEmpty()) {
        result.error = QStringLiteral("No race was found on the page.");
        return result;
    }

    const QList<StoredRunner> runners = storedRunners(page, kind.write);
    try {
        result.runners = WriteMeeting(meeting, page, kind.write);
    } catch (const std::exception& e) {
        result.error = QStringLiteral("The meeting could not be stored: ") + DescribeError(e);
        return result;
    }
    result.races = static_cast<int>(page.races.size());
    result.ok = true;

    // The field is stored: what the manager answers about a booking now is
    // not undone by anything later. The pointer is the default one while a
    // question is shown.
    busy.reset();
    if (kind.checkBookings) {
        try {
            checkBookings(meeting.meetingCode, meeting.level, runners);
        } catch (const std::exception& e) {
            Prompts::MsgBox(QStringLiteral("The meeting ") + name
                                + QStringLiteral(" was loaded, but its bookings could not be checked: \r")
                                + DescribeError(e),
                            Prompts::vbExclamation, QStringLiteral("Error"));
        }
    }
    if (kind.lastStarts && result.runners > 0)
        modJockey::LoadLastStartForm(meeting.meetingCode, 0);
    return result;
}

/** Fetch-and-parse of a source whose meeting is one page. */
FetchAndParse onePage(const QString& url, const QString& phase,
                      ParsedPage (*parse)(const QString&, const QString&, const QStringList&))
{
    return [url, phase, parse](bool& unreachable) {
        ParsedPage out;
        QString error;
        const std::optional<QString> text = fetchPage(url, error, unreachable);
        if (!text) {
            out.error = error;
            return out;
        }
        out = parse(*text, phase, gRaceShortCodes);
        if (!out.error.isEmpty())
            out.error = QStringLiteral("The page cannot be read: ") + out.error + QLatin1Char('.');
        return out;
    };
}
} // namespace

// ---------------------------------------------------------------------------
// Track lookup and race short codes
// ---------------------------------------------------------------------------

QString TrackLookupSql(const QString& location)
{
    return QStringLiteral("SELECT TrackCode, TrackClub, State, MeetType FROM Track WHERE TrackLocat = '")
        + modDatabase::RemoteSqlQuote(location.toUpper()) + QLatin1Char('\'');
}

QString LookupTrackRemote(const QString& location)
{
    return trackRowOf(modDatabase::RemoteQuery(TrackLookupSql(location)).text);
}

void LoadRaceShortCodes()
{
    takeShortCodes(modDatabase::RemoteQuery(kShortCodesSql).text);
}

QString ShortenRaceName(const QString& raceName, const QString& searchText)
{
    return ShortenRaceName(raceName, searchText, gRaceShortCodes);
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

MeetingInfo BuildMeetingInfo(const QString& name, const QDate& date, const QString& phase, const QString& trackRow,
                             const QString& stateWithoutTrack)
{
    MeetingInfo m;
    const QStringList track = trackRow.split(QLatin1Char('|'));
    const bool known = trackRow > QLatin1String(" ");
    const QString ddmm = date.isValid() ? date.toString(QStringLiteral("ddMM")) : QString();
    m.meetingCode = ddmm + (known ? track.value(0) : modText::Left(name, 4).toUpper());
    m.location = name;
    m.date = date;
    const QString club = known ? track.value(1) : QString();
    m.details = modText::LongDate(date) + QLatin1Char(' ') + club;
    m.level = StageCode(phase);
    m.state = known ? track.value(2) : stateWithoutTrack;
    m.meetType = known ? track.value(3) : QString();
    return m;
}

int WriteMeeting(const MeetingInfo& meeting, const ParsedPage& page, const WriteOptions& options)
{
    const QList<StoredRunner> runners = storedRunners(page, options);
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.BeginTrans();
    try {
        const QVariantList code{meeting.meetingCode};
        db.Execute(QStringLiteral("DELETE FROM [Race] WHERE MeetingCode = ?"), code);
        db.Execute(QStringLiteral("DELETE FROM [Noms] WHERE MeetingCode = ?"), code);

        // The meeting row is rewritten in place (its other columns stay), or added.
        const QVariantList values{meeting.rsbCode,
                                  meeting.location,
                                  meeting.date,
                                  db.FitToField(QStringLiteral("Meeting"), QStringLiteral("MeetingDetails"),
                                                meeting.details),
                                  true,
                                  meeting.level,
                                  db.FitToField(QStringLiteral("Meeting"), QStringLiteral("State"), meeting.state),
                                  db.FitToField(QStringLiteral("Meeting"), QStringLiteral("MeetType"),
                                                meeting.meetType),
                                  meeting.meetingCode};
        const qint64 changed = db.Execute(
            QStringLiteral("UPDATE [Meeting] SET MeetingRSBCode = ?, MeetingLocation = ?, MeetingDate = ?, "
                           "MeetingDetails = ?, DisplayMeeting = ?, MeetingLevel = ?, State = ?, MeetType = ? "
                           "WHERE MeetingCode = ?"),
            values);
        if (changed == 0) {
            SizedInserter(db, QStringLiteral("Meeting"),
                          {QStringLiteral("MeetingRSBCode"), QStringLiteral("MeetingLocation"),
                           QStringLiteral("MeetingDate"), QStringLiteral("MeetingDetails"),
                           QStringLiteral("DisplayMeeting"), QStringLiteral("MeetingLevel"), QStringLiteral("State"),
                           QStringLiteral("MeetType"), QStringLiteral("MeetingCode")})
                .insert(values);
        }

        // A race given twice (same number and code) is one row.
        SizedInserter races(db, QStringLiteral("Race"),
                            {QStringLiteral("MeetingCode"), QStringLiteral("RaceCode"), QStringLiteral("RaceNumber"),
                             QStringLiteral("RaceDetails"), QStringLiteral("RaceDistance"),
                             QStringLiteral("RaceRSBCode"), QStringLiteral("RaceTime"), QStringLiteral("ApprClaim")});
        QSet<QString> raceKeys;
        QHash<QString, int> lastOfRace;
        for (qsizetype i = 0; i < page.races.size(); ++i)
            lastOfRace.insert(QString::number(page.races[i].raceNumber) + QLatin1Char('\x1f')
                                  + page.races[i].raceCode.toLower(),
                              static_cast<int>(i));
        for (qsizetype i = 0; i < page.races.size(); ++i) {
            const ParsedRace& r = page.races[i];
            const QString key = QString::number(r.raceNumber) + QLatin1Char('\x1f') + r.raceCode.toLower();
            if (raceKeys.contains(key))
                continue;
            raceKeys.insert(key);
            // The later block's values win, as when the row was edited.
            const ParsedRace& v = page.races[lastOfRace.value(key)];
            races.insert({meeting.meetingCode, v.raceCode, v.raceNumber,
                          options.detailsOnly ? v.details : v.raceName + QStringLiteral("\r\n") + v.details,
                          v.distance, v.rsbCode,
                          v.time ? QVariant(*v.time) : QVariant(), v.apprClaim});
        }

        QStringList columns{QStringLiteral("MeetingCode"), QStringLiteral("RaceCode"),
                            QStringLiteral("RaceNumber"),  QStringLiteral("Horse"),
                            QStringLiteral("TrainerName"), QStringLiteral("Jockey"),
                            QStringLiteral("Barrier"),     QStringLiteral("Weight"),
                            QStringLiteral("Rating"),      QStringLiteral("Ballot"),
                            QStringLiteral("EntryNo"),     QStringLiteral("EorB"),
                            QStringLiteral("HorseName")};
        if (options.writeForm)
            columns << QStringLiteral("Form");
        SizedInserter noms(db, QStringLiteral("Noms"), columns);
        for (const StoredRunner& s : runners) {
            const ParsedRunner& n = s.runner;
            // An empty rating is not written (the column stays Null) where the
            // source gives ratings only for some runners.
            const QVariant rating = options.keepRatingWhenEmpty && !modText::AfterBlank(n.rating)
                ? QVariant()
                : QVariant(n.rating);
            QVariantList row{meeting.meetingCode,
                             s.race->raceCode,
                             s.race->raceNumber,
                             n.horse,
                             modText::Left(n.trainer.trimmed(), 30),
                             modText::Left(n.jockey.trimmed(), 30),
                             n.barrier,
                             n.weight,
                             rating,
                             n.ballot,
                             n.entryNo,
                             n.eorb,
                             HorseNameOf(n.horse)};
            if (options.writeForm)
                row << n.form;
            noms.insert(row);
        }
        db.CommitTrans();
    } catch (...) {
        if (db.InTransaction())
            db.Rollback();
        throw;
    }
    return static_cast<int>(runners.size());
}

// ---------------------------------------------------------------------------
// Loaders
// ---------------------------------------------------------------------------

LoadResult LoadPublicFieldsMeeting(const QString& name, const QDate& date, const QString& phase,
                                   const QString& link, const QString& state)
{
    LoaderKind kind;
    kind.stateWithoutTrack = state;
    kind.lastStarts = true;
    const QString url = WebSources::Resolve(WebSources::Base(WebSources::Source::PublicSite), link);
    return loadMeeting(name, date, phase, kind, onePage(url, phase, &ParsePublicFieldsPage));
}

LoadResult LoadFileViewMeeting(const QString& name, const QDate& date, const QString& phase, const QString& link)
{
    LoaderKind kind;
    kind.write.keepRatingWhenEmpty = false;
    kind.write.writeForm = false;
    const QString url = WebSources::Resolve(WebSources::Base(WebSources::Source::FileListFolder), link);
    return loadMeeting(name, date, phase, kind, onePage(url, phase, &ParseFileViewPage));
}

LoadResult LoadClubServiceMeeting(const QString& name, const QDate& date, const QString& phase, const QString& link)
{
    const QString number = ClubMeetingNumber(link);
    if (number.isEmpty()) {
        LoadResult result;
        result.error = QStringLiteral("The meeting's link names no meeting number.");
        return result;
    }
    LoaderKind kind;
    kind.write.keepRatingWhenEmpty = false;
    kind.write.writeForm = false;
    kind.write.detailsOnly = true;
    kind.rsbCode = number;
    kind.checkBookings = false;
    const QString service = WebSources::Base(WebSources::Source::ClubService);
    const QString url = WebSources::Resolve(service, link);
    return loadMeeting(name, date, phase, kind, [url, number, service](bool& unreachable) {
        ParsedPage out;
        QString error;
        const std::optional<QString> text = fetchPage(url, error, unreachable);
        if (!text) {
            out.error = error;
            return out;
        }
        out = ParseClubMeetingPage(*text, number, gRaceShortCodes);
        if (!out.error.isEmpty()) {
            out.error = QStringLiteral("The page cannot be read: ") + out.error + QLatin1Char('.');
            return out;
        }
        // Every race page is read before anything is stored.
        for (qsizetype i = 0; i < out.races.size(); ++i) {
            ParsedRace& race = out.races[i];
            const std::optional<QString> racePage
                = fetchPage(service + QStringLiteral("/scripts/ws.exe/bravik/") + race.pageLink, error, unreachable);
            if (!racePage || !ParseClubServiceRacePage(*racePage, race, error)) {
                ParsedPage failed;
                failed.error = QStringLiteral("Race %1 cannot be read: ").arg(i + 1) + error;
                return failed;
            }
        }
        return out;
    });
}
} // namespace modBrowser

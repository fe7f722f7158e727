#include "core/modJockeyStats.h"

#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "core/modJockey.h"
#include "core/modJockeyWeb.h"
#include "core/modUtils.h"
#include "platform/Clock.h"
#include "platform/Currency.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QPointer>

#include <sqlite3.h>

#include <cstdio>
#include <optional>

namespace modJockey
{
QString gJockeyInList;
QString gIconJockey;

namespace
{
QPointer<Grid> g_jockeyList;

// Rolls back a transaction that was not committed (a failure on the way).
struct Transaction
{
    DaoDatabase& db;
    bool done = false;
    explicit Transaction(DaoDatabase& d)
        : db(d)
    {
        db.BeginTrans();
    }
    void commit()
    {
        db.CommitTrans();
        done = true;
    }
    ~Transaction()
    {
        if (!done)
            db.Rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
};

/** A date the remote service wrote ("yyyy-mm-dd", maybe with a time). */
std::optional<QDate> remoteDate(const QString& text)
{
    const QString head = text.trimmed().left(10);
    const QDate iso = QDate::fromString(head, QStringLiteral("yyyy-MM-dd"));
    if (iso.isValid())
        return iso;
    return ParseDateText(head, QStringLiteral("ymd"));
}

/** The name as asked for remotely: cut before its first "(" when that is not
 *  the first character (a blank before the bracket stays). */
QString nameBeforeBracket(const QString& horse)
{
    const qsizetype at = horse.indexOf(QLatin1Char('('));
    return at >= 1 ? horse.left(at) : horse;
}

/** Faster reading of a reply's dates: "yyyy-mm-dd" straight away. */
std::optional<QDate> remoteDate(QStringView text)
{
    const auto digits = [&](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    if (text.size() >= 10 && text[4] == u'-' && text[7] == u'-' && (text.size() == 10 || text[10] == u' ')) {
        const QDate d(digits(0, 4), digits(5, 2), digits(8, 2));
        if (d.isValid())
            return d;
    }
    return remoteDate(text.toString());
}

/** The numeric value of a reply field, as modUtils::Val reads it; plain
 *  numbers ("12", "-3.5") are read without making a copy. */
double numericValue(QStringView text)
{
    double whole = 0, scale = 1;
    bool negative = false, point = false, any = false;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            whole = whole * 10 + (c - u'0');
            if (point)
                scale *= 10;
            any = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return modUtils::Val(text.toString());
        }
    }
    if (!any || scale > 1e15)
        return modUtils::Val(text.toString());
    return (negative ? -whole : whole) / scale;
}

/** Calls `row(fields, count)` for each row of a remote reply (empty rows
 *  left out); the first nine fields are given, `count` is the whole number. */
template <typename F>
void forEachReplyRow(const QString& reply, F&& row)
{
    const QStringView all(reply);
    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = all.indexOf(u"<br>\n", pos);
        if (end < 0)
            end = all.size();
        const QStringView line = all.mid(pos, end - pos);
        pos = end + 5;
        if (line.isEmpty())
            continue;
        QStringView fields[9];
        int count = 0;
        qsizetype from = 0;
        for (;;) {
            const qsizetype bar = line.indexOf(u'|', from);
            const qsizetype stop = bar < 0 ? line.size() : bar;
            if (count < 9)
                fields[count] = line.mid(from, stop - from);
            ++count;
            if (bar < 0)
                break;
            from = bar + 1;
        }
        row(fields, count);
    }
}

/** A finishing position: a whole number, or nothing when the field is empty
 *  or not a number (a fall, a scratching), so that it never reads as a
 *  placing of 0 and drags every best placing down to it. */
std::optional<int> finishPosition(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    int v = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

/** A statement of our own on the layer's connection, for bulk writes. */
class RawStatement
{
public:
    RawStatement(const DaoDatabase& db, const char* sql)
        : m_db(db.handle())
    {
        check(sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr));
    }
    ~RawStatement() { sqlite3_finalize(m_stmt); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    void bindText(int i, const char* latin) { check(sqlite3_bind_text(m_stmt, i, latin, -1, SQLITE_TRANSIENT)); }
    /** A text cut to `size` characters (0: no limit). */
    void bindText(int i, QStringView text, int size)
    {
        if (size > 0 && text.size() > size)
            text = text.left(size);
        check(sqlite3_bind_text16(m_stmt, i, text.utf16(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT));
    }
    void bindInt(int i, qint64 v) { check(sqlite3_bind_int64(m_stmt, i, v)); }
    void bindNull(int i) { check(sqlite3_bind_null(m_stmt, i)); }
    void bindDouble(int i, double v) { check(sqlite3_bind_double(m_stmt, i, v)); }
    /** Runs it; returns the rows changed. */
    int run()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            check(rc);
        return sqlite3_changes(m_db);
    }

private:
    void check(int rc) const
    {
        if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
            throw VbError(3000 + (rc & 0xff), QStringLiteral("modJockey"), QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

QString withRaceFilter(qint16 raceNumber)
{
    return raceNumber > 0 ? QStringLiteral(" AND RaceNumber = ?") : QString();
}

/** Cuts texts to the stated sizes of a table's columns, looked up once. */
class FieldSizes
{
public:
    FieldSizes(const DaoDatabase& db, const QString& table, const QStringList& columns)
    {
        const DaoTableDef def = db.TableDef(table);
        for (const QString& c : columns) {
            const DaoField* f = def.Field(c);
            m_sizes.insert(c, f ? f->Size() : 0);
        }
    }
    int size(const QString& column) const { return m_sizes.value(column); }
    QString fit(const QString& column, const QString& text) const
    {
        const int size = m_sizes.value(column);
        return size > 0 ? text.left(size) : text;
    }

private:
    QHash<QString, int> m_sizes;
};
} // namespace

// --- last starts -------------------------------------------------------------

QString LastStartFormSql(const QString& horseInList)
{
    return QStringLiteral("Select W.WHORSE,W.wJockey,W.wRaceDate,W.WWgtChar,RClass,HWinAge,HWinSex,RValue,W.WWghtRat, ")
           + QStringLiteral("(Select CAST(AVG(CASE WHEN WBeatMar = 'WON' THEN 0 WHEN WBeatMar = 'DIS' THEN 20 WHEN "
                            "WBeatMar > 20 THEN 20 ELSE WBeatMar END)As Decimal(3,1)) ")
           + QStringLiteral("FROM WORKRACE WHERE W.WHorse = WHorse ORDER BY WRaceDate DESC Limit 10) as AvgMar, ")
           + QStringLiteral("(SELECT CAST( Avg(WMoneyWon) AS DECIMAL( 5, 0 ) )  FROM WORKRACE WHERE ")
           + QStringLiteral("WHorse=W.WHORSE ORDER BY WRaceDate DESC Limit 10) AS AvgWin, W.WTrainer, W800400,RSecTime ")
           + QStringLiteral("From WORKRACE W JOIN ")
           + QStringLiteral("(SELECT WHorse, Max(wRaceDate) as LastDate from WORKRACE where Whorse in ") + horseInList
           + QStringLiteral(" GROUP BY WHorse) AS j ON W.WHorse = j.WHorse and W.WRaceDate = LastDate ")
           + QStringLiteral("JOIN RACEMAST on WRaceDate=RDate and rRaceNo = W.WRaceNo and rTrack=W.wTrack ")
           + QStringLiteral("JOIN HORSMAST on HHorse = W.WHORSE") + QStringLiteral(" Order by W.WHORSE");
}

void LoadLastStartForm(const QString& meetingCode, qint16 raceNumber)
{
    const WaitCursor busy;
    QVariantList where{meetingCode};
    if (raceNumber > 0)
        where << raceNumber;

    QStringList horses;
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(
            QStringLiteral("SELECT Horse FROM Noms WHERE MeetingCode = ?") + withRaceFilter(raceNumber), where);
        for (; !rs.Eof(); rs.MoveNext()) {
            horses << nameBeforeBracket(modDatabase::NullToEmpty(rs.Fields(0)).toString());
            gSelHorse = horses.last(); // the last runner stays the selected horse
        }
    }
    if (horses.isEmpty())
        return; // no runners: an empty IN-list is not a query

    const modDatabase::HttpReply reply = modDatabase::RemoteQuery(
        LastStartFormSql(modDatabase::RemoteInList(BuildJockeyInList(horses))));
    if (modDatabase::ReportConnectionError(reply.text) || !reply.ok())
        return;
    if (!modDatabase::ReplyHasFields(reply.text, 14)) {
        modDatabase::ReportConnectionError(modDatabase::kMalformedReplyText);
        return;
    }

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    const FieldSizes sizes(db, QStringLiteral("Noms"),
                           {QStringLiteral("LastJockey"), QStringLiteral("LastRaceClass"), QStringLiteral("HorseType"),
                            QStringLiteral("FormTrainer"), QStringLiteral("W800400")});
    // The local name is cut before "(" the same way, then compared without
    // case and without trailing blanks.
    const QString update =
        QStringLiteral("UPDATE Noms SET LastJockey = ?, LastRode = ?, LastRaceClass = ?, LastWeight = ?, "
                       "HorseType = ?, LastRaceValue = ?, WgtRat = ?, LastMargin = ?, AvgWin = ?, FormTrainer = ?, "
                       "W800400 = ?, RSecTime = ? WHERE MeetingCode = ?")
        + withRaceFilter(raceNumber)
        + QStringLiteral(" AND rtrim(CASE WHEN instr(Horse, '(') > 0 THEN substr(Horse, 1, instr(Horse, '(') - 1) "
                         "ELSE Horse END) = rtrim(?) COLLATE NOCASE");

    Transaction tx(db);
    for (const QString& row : modDatabase::SplitReplyRows(reply.text)) {
        const QStringList f = modDatabase::SplitReplyFields(row);
        if (f.size() < 14)
            continue;
        const auto rode = remoteDate(f[2]);
        if (!rode)
            continue;
        QString horse = f[0];
        horse.remove(QLatin1Char('\r'));
        QString raceClass = f[4];
        raceClass.remove(QLatin1Char('.'));
        const QString sex = f[6].trimmed();

        QVariantList values{
            sizes.fit(QStringLiteral("LastJockey"), modUtils::ProperCase(f[1])),
            *rode,
            sizes.fit(QStringLiteral("LastRaceClass"), raceClass.left(6)),
            static_cast<float>(modUtils::Val(f[3])),
            sizes.fit(QStringLiteral("HorseType"), sex.left(1) + QLatin1Char(' ') + f[5]),
            static_cast<float>(modUtils::Val(f[7])),
            static_cast<float>(modUtils::Val(f[8])),
            static_cast<float>(modUtils::Val(f[9])),
            static_cast<float>(modUtils::Val(f[10])),
            sizes.fit(QStringLiteral("FormTrainer"), f[11]),
            sizes.fit(QStringLiteral("W800400"), f[12]),
            static_cast<float>(modUtils::Val(f[13].right(5))),
        };
        values << where << horse;
        db.Execute(update, values);
    }
    tx.commit();
}

// --- the jockeys' rides --------------------------------------------------------

QString JockeyStatsSql(const QString& jockey, bool fullRefresh, const QDateTime& since)
{
    QString sql = QStringLiteral("SELECT WRaceDate, WRaceNo, WTrack, WHorse, WFinPosn, WJockey, WMoneyWon, Wtrainer, mState ")
                  + QStringLiteral("from WORKRACE, MEETMAST ") + QStringLiteral(" WHERE WJockey= '")
                  + modDatabase::RemoteSqlQuote(jockey).toUpper() + QStringLiteral("' and wRaceDate=mDate and WTrack=mTrack");
    if (!fullRefresh)
        sql += QStringLiteral(" and DateUpdated >= '") + since.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
               + QLatin1Char('\'');
    return sql;
}

namespace
{
/** One jockey's download; `failure` gets the reply text of a failed request
 *  ("Error: ..." or, after a message already shown, ""), and `unreachable`
 *  says that no answer came at all (time-out, no connection). */
StatsDownload downloadStats(const QString& jockey, bool fullRefresh, const QDateTime& since, QString& failure,
                            bool& unreachable)
{
    unreachable = false;
    if (jockey.isEmpty())
        return StatsDownload::Skipped;

    // Taken before asking, so results updated while we download are asked
    // for again next time rather than missed.
    const QDateTime stamp = Clock::now();
    const modDatabase::HttpReply reply = modDatabase::RemoteQuery(JockeyStatsSql(jockey, fullRefresh, since));
    if (!reply.ok()) {
        failure = reply.text;
        unreachable = reply.transportFailed();
        return StatsDownload::Failed;
    }
    // A page or noise sent with status 200 must not stand for "no rides":
    // that would delete the jockey's rows and stamp the jockey.
    if (!modDatabase::ReplyHasFields(reply.text, 9)) {
        failure = modDatabase::kMalformedReplyText;
        return StatsDownload::Failed;
    }

    // A reply can hold tens of thousands of rides: read it through views and
    // write with statements of our own, in the formats the layer stores.
    struct Ride
    {
        QDate date;
        qint64 race;
        QStringView track, horse;
        std::optional<int> finish;
        QStringView rider;
        double prize;
        QStringView trainer, state;
    };
    QList<Ride> rides;
    forEachReplyRow(reply.text, [&](const QStringView (&f)[9], int count) {
        if (count < 9)
            return;
        const auto date = remoteDate(f[0]);
        if (!date)
            return;
        rides.append({*date, static_cast<qint64>(numericValue(f[1])), f[2], f[3],
                      finishPosition(f[4]), f[5], Currency::fromDouble(numericValue(f[6])).toDouble(),
                      f[7], f[8]});
    });

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    const FieldSizes sizes(db, QStringLiteral("RaceStats"),
                           {QStringLiteral("TrackCode"), QStringLiteral("Horse"), QStringLiteral("Jockey"),
                            QStringLiteral("TrainerName"), QStringLiteral("State")});
    const int trackSize = sizes.size(QStringLiteral("TrackCode")), horseSize = sizes.size(QStringLiteral("Horse")),
              riderSize = sizes.size(QStringLiteral("Jockey")), trainerSize = sizes.size(QStringLiteral("TrainerName")),
              stateSize = sizes.size(QStringLiteral("State"));

    Transaction tx(db);
    if (fullRefresh)
        db.Execute(QStringLiteral("DELETE FROM RaceStats WHERE Jockey = ?"), {jockey});
    {
        RawStatement insert(db, "INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, "
                                "PrizeMoney, TrainerName, State) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
        // The first stored ride with the same key gets the server's values.
        RawStatement update(db, "UPDATE RaceStats SET RaceDate = ?1, RaceNumber = ?2, TrackCode = ?3, Horse = ?4, "
                                "FinishPos = ?5, Jockey = ?6, PrizeMoney = ?7, TrainerName = ?8, State = ?9 "
                                "WHERE rowid = (SELECT rowid FROM RaceStats WHERE RaceDate = ?1 AND RaceNumber = ?2 "
                                "AND TrackCode = ?3 AND Horse = ?4 LIMIT 1)");
        const auto bindRide = [&](RawStatement& st, const Ride& r) {
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", r.date.year(), r.date.month(), r.date.day());
            st.bindText(1, date);
            st.bindInt(2, r.race);
            st.bindText(3, r.track, trackSize);
            st.bindText(4, r.horse, horseSize);
            if (r.finish)
                st.bindInt(5, *r.finish);
            else
                st.bindNull(5);
            st.bindText(6, r.rider, riderSize);
            st.bindDouble(7, r.prize);
            st.bindText(8, r.trainer, trainerSize);
            st.bindText(9, r.state, stateSize);
        };
        for (const Ride& r : rides) {
            if (!fullRefresh) {
                bindRide(update, r);
                if (update.run() > 0)
                    continue;
            }
            bindRide(insert, r);
            insert.run();
        }
    }
    db.Execute(QStringLiteral("UPDATE Jockey SET DateLastStats = ? WHERE Jockey = ?"), {stamp, jockey});
    tx.commit();
    return StatsDownload::Stored;
}
} // namespace

StatsDownload DownloadJockeyStats(const QString& jockey, bool fullRefresh, const QDateTime& since, bool reportError)
{
    QString failure;
    bool unreachable = false;
    const StatsDownload result = downloadStats(jockey, fullRefresh, since, failure, unreachable);
    if (result == StatsDownload::Failed && reportError)
        modDatabase::ReportConnectionError(failure);
    return result;
}

void RefreshAllJockeyStats()
{
    struct Entry
    {
        QString name;
        QDateTime since;
    };
    QList<Entry> jockeys;
    {
        const QDateTime floor(QDate(1990, 1, 1), QTime(0, 0));
        DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT * FROM Jockey order by Jockey"));
        for (; !rs.Eof(); rs.MoveNext()) {
            const QDateTime last = rs.Fields(QStringLiteral("DateLastStats")).toDateTime();
            jockeys.append({modDatabase::NullToEmpty(rs.Fields(QStringLiteral("Jockey"))).toString(),
                            last.isValid() && last > floor ? last : floor});
        }
    }

    // A connection failure would come back for every jockey: tell it once.
    // When nothing answered at all (time-out, no connection), asking for the
    // next jockey would only wait out the same failure again: stop there.
    QString firstError;
    for (const Entry& j : jockeys) {
        modGlobal::ShowStatus(QStringLiteral("Loading Jockey data for ") + j.name);
        QString failure;
        bool unreachable = false;
        if (downloadStats(j.name, false, j.since, failure, unreachable) == StatsDownload::Failed) {
            if (firstError.isEmpty())
                firstError = failure;
            if (unreachable) {
                firstError = failure;
                break;
            }
        }
    }
    modDatabase::ReportConnectionError(firstError);
}

QString GetTrainerRideStats(const QString& trainerName, DaoDatabase& db)
{
    DaoRecordset rs = db.OpenRecordset(
        QStringLiteral("Select Count(TrainerName) as Rides, MIN(FinishPos) as BestPosn from Racestats  where")
            + QStringLiteral(" Trainername = ? and ")
            + QStringLiteral("Racestats.Jockey in (Select Jockey.Jockey from Jockey)"),
        {trainerName});
    if (rs.Eof())
        return QString();
    const qint64 rides = rs.Fields(QStringLiteral("Rides")).toLongLong();
    if (rides <= 0)
        return QString();
    const qint64 best = rs.Fields(QStringLiteral("BestPosn")).toLongLong();
    return QString::number(best) + QLatin1Char('(') + QString::number(rides) + QLatin1Char(')');
}

// --- the jockeys that count ------------------------------------------------------

void SetJockeyListGrid(Grid* grid)
{
    g_jockeyList = grid;
}

QString BuildJockeyInList(const QStringList& names)
{
    QString list;
    for (const QString& name : names) {
        if (list.isEmpty())
            list = QStringLiteral("( '") + modDatabase::SqlQuote(name) + QLatin1Char('\'');
        else
            list += QStringLiteral(", '") + modDatabase::SqlQuote(name) + QLatin1Char('\'');
    }
    if (!list.isEmpty())
        list += QLatin1Char(')');
    return list;
}

void GetJockeyInList()
{
    QStringList names;
    if (g_jockeyList) {
        for (int row = 1; row <= g_jockeyList->rows(); ++row)
            names << g_jockeyList->cellText(row, 1);
    }
    if (!gIconJockey.isEmpty()) {
        if (names.contains(gIconJockey)) {
            gJockeyInList = BuildJockeyInList({gIconJockey});
            return;
        }
        gIconJockey.clear();
    }
    gJockeyInList = BuildJockeyInList(names);
}

QString BestHorsePosnSql(const QString& alias)
{
    if (gJockeyInList.isEmpty())
        return QStringLiteral("0 as BestHPosn");
    // HorseName keeps the blank before a country code ("SILVER LINING (NZ)"
    // gives "SILVER LINING "), and a ride's horse may be padded too: trailing
    // blanks are ignored on both sides. A name and its padded forms sort from
    // the name itself up to just below the name followed by "!", so the
    // rides' horse index still narrows the search to them; the jockeys' list
    // (with "+", which keeps the column's collation) is only a filter, so
    // that the planner does not walk all the jockeys' rides instead.
    const QString name = QStringLiteral("rtrim(") + alias + QStringLiteral(".HorseName)");
    return QStringLiteral("(SELECT Min(FinishPos) from Racestats where Racestats.Horse >= ") + name
           + QStringLiteral(" and Racestats.Horse < ") + name + QStringLiteral(" || '!' and rtrim(Racestats.Horse) = ")
           + name + QStringLiteral(" COLLATE NOCASE and +Racestats.Jockey in ") + gJockeyInList
           + QStringLiteral(") as BestHPosn");
}

QString BestTrainerPosnSql(const QString& alias)
{
    if (gJockeyInList.isEmpty())
        return QStringLiteral("0 as BestPosn");
    return QStringLiteral("(SELECT Min(FinishPos) from Racestats where ") + QStringLiteral(" Racestats.Trainername =")
           + alias + QStringLiteral(".FormTrainer and Racestats.Jockey in ") + gJockeyInList
           + QStringLiteral(") as BestPosn");
}

bool ToggleIconJockey(Grid& jockeyList)
{
    const int row = jockeyList.selectedRow();
    const bool cellPicked = row >= 1 && jockeyList.selectedCol() > 0;
    if (!cellPicked) {
        Prompts::MsgBox(QStringLiteral("Jockey Must be Seleted for Icons."), Prompts::vbCritical,
                        QStringLiteral("Select a Jockey"));
        return false;
    }
    const QString name = jockeyList.cellText(row, 1);
    if (name == gIconJockey) {
        jockeyList.setCellIcon(row, 1, -1);
        gIconJockey.clear();
        GetJockeyInList();
    } else {
        gJockeyInList = BuildJockeyInList({name});
        gIconJockey = name;
        for (int r = 1; r <= jockeyList.rows(); ++r)
            jockeyList.setCellIcon(r, 1, -1);
        jockeyList.setCellIcon(row, 1, kIconJockeyImage);
    }
    return true;
}
} // namespace modJockey

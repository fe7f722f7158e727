#pragma once
// A racing year in the local database, for benchmarks: about 2,000 meetings
// of 8 races, 200,000 runners, 20,000 bookings, 2,500 trainers, 8 managed
// jockeys and 50,000 of their race results. Written with bare SQLite in one
// transaction into a copy of the template database.
#include <QDate>
#include <QRandomGenerator>
#include <QString>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

namespace OneYearDb
{
constexpr int kMeetings = 2000;
constexpr int kRacesPerMeeting = 8;
constexpr int kRunners = 200000;
constexpr int kBookings = 20000;
constexpr int kResults = 50000;
constexpr int kTrainers = 2500;
constexpr int kHorses = 30000;
constexpr int kJockeys = 8;

inline const char* track(int i)
{
    static const char* const kTracks[] = {"FLEM", "CAUL", "MOON", "SAND", "RAND", "BALL", "BEND", "GEEL", "SALE", "KILM"};
    return kTracks[i % 10];
}

inline QString meetingCode(int i)
{
    const QDate d = QDate(2024, 1, 1).addDays(i % 365);
    return d.toString(QStringLiteral("ddMM")) + QString::fromLatin1(track(i)) + QString::number(i / 365);
}

/** Every 97th name holds a quote, as real names like O'Neil do. */
inline QString trainerName(int i)
{
    return QStringLiteral("Trainer %1").arg(i, 4, 10, QLatin1Char('0'))
           + (i % 97 == 0 ? QStringLiteral(" O'Neil") : QString());
}

inline QString horseName(int i)
{
    return QStringLiteral("HORSE %1").arg(i, 5, 10, QLatin1Char('0'));
}

inline QString jockeyName(int i)
{
    return QStringLiteral("Jockey %1").arg(QChar(QLatin1Char(static_cast<char>('A' + i))));
}

/** Ends the program with SQLite's message when a call failed. */
inline void check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

namespace detail
{

// One prepared INSERT, bound and run row by row.
class Insert
{
public:
    Insert(sqlite3* db, const char* sql)
        : m_db(db)
    {
        check(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr), db, sql);
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert& text(int i, const QString& v)
    {
        const QByteArray b = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& num(int i, qint64 v)
    {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    void run()
    {
        check(sqlite3_step(m_stmt), m_db, "insert");
        sqlite3_reset(m_stmt);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
} // namespace detail

/** Fills the database file at `path` (a copy of the template) with the year. */
inline void build(const QString& path)
{
    using detail::Insert;
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    QRandomGenerator rng(20241207);
    const char* const levels[] = {"NOM", "WGT", "ACP", "N/A"};

    {
        Insert m(db, "INSERT INTO Meeting (MeetingCode, MeetingLocation, MeetingDetails, MeetingDate, DisplayMeeting, "
                     "State, MeetingLevel, MeetType) VALUES (?,?,?,?,?,?,?,?)");
        Insert r(db, "INSERT INTO Race (MeetingCode, RaceNumber, RaceCode, RaceDetails, RaceDistance, RaceTime, "
                     "RaceType) VALUES (?,?,?,?,?,?,?)");
        for (int i = 0; i < kMeetings; ++i) {
            const QString code = meetingCode(i);
            m.text(1, code)
                .text(2, QString::fromLatin1(track(i)))
                .text(3, QStringLiteral("Meeting details %1").arg(i))
                .text(4, QDate(2024, 1, 1).addDays(i % 365).toString(Qt::ISODate))
                .num(5, i % 20 == 0 ? 0 : 1)
                .text(6, QStringLiteral("VIC"))
                .text(7, QString::fromLatin1(levels[i % 4]))
                .text(8, QStringLiteral("M"))
                .run();
            for (int race = 1; race <= kRacesPerMeeting; ++race)
                r.text(1, code)
                    .num(2, race)
                    .text(3, QStringLiteral("1200 HCP R%1").arg(race))
                    .text(4, QStringLiteral("Race %1 details").arg(race))
                    .text(5, QStringLiteral("1200"))
                    .text(6, QStringLiteral("%1:00:00").arg(11 + race))
                    .text(7, QStringLiteral("HCP"))
                    .run();
        }
    }
    {
        Insert t(db, "INSERT INTO Trainer (TrainerName, TrainerLocation, Phone, TrainerComments, IgnoreTrainer) "
                     "VALUES (?,?,?,?,?)");
        for (int i = 0; i < kTrainers; i += 2) // half the trainers have a record
            t.text(1, trainerName(i))
                .text(2, QStringLiteral("Town %1").arg(i % 50))
                .text(3, QStringLiteral("03%1").arg(i))
                .text(4, i % 10 == 0 ? QStringLiteral("Comments") : QString())
                .num(5, i % 50 == 0 ? 1 : 0)
                .run();
    }
    {
        Insert j(db, "INSERT INTO Jockey (Jockey, JockeyColor, DateLastStats) VALUES (?,?,?)");
        for (int i = 0; i < kJockeys; ++i)
            j.text(1, jockeyName(i)).text(2, QString::number(255 << (i % 3 * 8))).text(3, QStringLiteral("2024-12-01 00:00:00")).run();
    }
    {
        Insert n(db, "INSERT INTO Noms (MeetingCode, RaceNumber, RaceCode, TrainerName, Phone, TrainerLocation, "
                     "Horse, HorseName, Class, Weight, Form, Rating, Jockey, EorB, FormTrainer) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Insert b(db, "INSERT INTO Bookings (Jockey, MeetingCode, RaceCode, Horse, TrainerName, BookingSelection, "
                     "Confirmed) VALUES (?,?,?,?,?,?,?)");
        for (int i = 0; i < kRunners; ++i) {
            const int meeting = i % kMeetings;
            const int race = 1 + (i / kMeetings) % kRacesPerMeeting;
            const int horse = static_cast<int>(rng.bounded(kHorses));
            const int trainer = horse % kTrainers;
            const QString code = meetingCode(meeting);
            const QString h = horseName(horse);
            n.text(1, code)
                .num(2, race)
                .text(3, QStringLiteral("1200 HCP R%1").arg(race))
                .text(4, trainerName(trainer))
                .text(5, QStringLiteral("0398%1").arg(trainer))
                .text(6, QStringLiteral("Town %1").arg(trainer % 50))
                .text(7, h)
                .text(8, h)
                .text(9, QStringLiteral("BM%1").arg(50 + race * 5))
                .num(10, 540 + rng.bounded(40))
                .text(11, QStringLiteral("x1234"))
                .text(12, QString::number(50 + rng.bounded(40)))
                // Some runners ridden by the managed jockeys, most by others.
                .text(13, i % 3 == 0 ? jockeyName(static_cast<int>(rng.bounded(20))) : QString())
                .text(14, i % 11 == 0 ? QStringLiteral("E") : QString())
                .text(15, trainerName(trainer).toUpper())
                .run();
            if (i % (kRunners / kBookings) == 0)
                b.text(1, jockeyName(i % kJockeys))
                    .text(2, code)
                    .text(3, QStringLiteral("1200 HCP R%1").arg(race))
                    .text(4, h)
                    .text(5, trainerName(trainer))
                    .text(6, i % 4 == 0 ? QStringLiteral("Confirmed") : QStringLiteral("Planned"))
                    .num(7, i % 4 == 0 ? 1 : 0)
                    .run();
        }
    }
    {
        Insert s(db, "INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, PrizeMoney, "
                     "TrainerName, State) VALUES (?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < kResults; ++i) {
            const int horse = static_cast<int>(rng.bounded(kHorses));
            s.text(1, QDate(2023, 1, 1).addDays(i % 700).toString(Qt::ISODate))
                .num(2, 1 + i % 9)
                .text(3, QString::fromLatin1(track(i)))
                .text(4, horseName(horse))
                .num(5, 1 + rng.bounded(14))
                .text(6, jockeyName(i % kJockeys).toUpper())
                .num(7, 0)
                .text(8, trainerName(horse % kTrainers).toUpper())
                .text(9, QStringLiteral("VIC"))
                .run();
        }
    }
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    check(sqlite3_exec(db, "ANALYZE", nullptr, nullptr, nullptr), db, "analyze");
    sqlite3_close(db);
}
} // namespace OneYearDb

// How long the jockey statistics download takes to read and store a large
// reply (20,000 rides of one jockey), against the floor of inserting the same
// rows with bare SQLite in one transaction.
//
// The reply is served by the fixture form server from memory, so the HTTP
// transfer can be timed on its own and taken off: what is left is the
// program's parsing and storing.
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int kRows = 20000;
constexpr int kRuns = 7;

struct Ride
{
    QString date, track, horse, trainer, state;
    int race, pos;
    double prize;
};

QList<Ride> makeRides()
{
    static const char* tracks[] = {"FLEM", "CAUL", "MOON", "SAND", "RAND", "ROSE", "EAGL", "DOOM", "MORP", "ASCO"};
    static const char* states[] = {"VIC", "VIC", "VIC", "VIC", "NSW", "NSW", "QLD", "QLD", "SA", "WA"};
    QList<Ride> rides;
    rides.reserve(kRows);
    const QDate start(1995, 1, 1);
    for (int i = 0; i < kRows; ++i) {
        const int t = i % 10;
        rides.append({start.addDays(i / 4).toString(Qt::ISODate), QString::fromLatin1(tracks[t]),
                      QStringLiteral("HORSE NUMBER %1").arg(i), QStringLiteral("TRAINER %1").arg(i % 300),
                      QString::fromLatin1(states[t]), 1 + i % 4 + (i % 10 > 4 ? 4 : 0), 1 + i % 14,
                      (i % 7 == 0) ? 12500.5 : 0.0});
    }
    return rides;
}

QByteArray replyBody(const QList<Ride>& rides)
{
    QByteArray body;
    for (const Ride& r : rides)
        body += QStringLiteral("%1|%2|%3|%4|%5|BENCH JOCKEY|%6|%7|%8<br>\n")
                    .arg(r.date)
                    .arg(r.race)
                    .arg(r.track, r.horse)
                    .arg(r.pos)
                    .arg(r.prize, 0, 'f', 2)
                    .arg(r.trainer, r.state)
                    .toUtf8();
    return body;
}

/** The floor: the same rows, already parsed, with bare SQLite: delete the
 *  jockey's rows and insert them again in one transaction. */
double bareSqlite(const QString& path, const QList<Ride>& rides)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "DELETE FROM RaceStats WHERE Jockey = 'BENCH JOCKEY'", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, PrizeMoney, "
                       "TrainerName, State) VALUES (?, ?, ?, ?, ?, 'BENCH JOCKEY', ?, ?, ?)",
                       -1, &st, nullptr);
    for (const Ride& r : rides) {
        const QByteArray date = r.date.toUtf8(), track = r.track.toUtf8(), horse = r.horse.toUtf8(),
                         trainer = r.trainer.toUtf8(), state = r.state.toUtf8();
        sqlite3_bind_text(st, 1, date.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, r.race);
        sqlite3_bind_text(st, 3, track.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, horse.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 5, r.pos);
        sqlite3_bind_double(st, 6, r.prize);
        sqlite3_bind_text(st, 7, trainer.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, state.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

double best(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.front();
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv env;
    DbFixture local(env);
    local.insert("Jockey", {{"Jockey", "Bench Jockey"}});
    const QString floorDb = env.root() + "/floor.mdb";
    DbFixture::copyTemplate(floorDb);

    FixtureServer server;
    server.connectProgram();
    Prompts::Script prompts; // a message would be a failure: none is answered

    const QList<Ride> rides = makeRides();
    const QByteArray body = replyBody(rides);

    // Through the form database once, to check the query and the reply agree.
    {
        QList<QVariantList> starts, meetings;
        QSet<QString> seen;
        for (const Ride& r : rides) {
            starts.append({r.date, r.race, r.track, r.horse, r.pos, "BENCH JOCKEY", r.prize, r.trainer, "2009-01-01"});
            if (!seen.contains(r.date + r.track)) {
                seen.insert(r.date + r.track);
                meetings.append({r.date, r.track, r.state});
            }
        }
        server.insertMany("WORKRACE",
                          {"WRaceDate", "WRaceNo", "WTrack", "WHorse", "WFinPosn", "WJockey", "WMoneyWon", "WTrainer",
                           "DateUpdated"},
                          starts);
        server.insertMany("MEETMAST", {"MDate", "MTrack", "MState"}, meetings);
        QElapsedTimer t;
        t.start();
        modJockey::DownloadJockeyStats("Bench Jockey", true);
        std::printf("full download through the fixture form database: %.1f ms, %d rows stored\n",
                    t.nsecsElapsed() / 1e6, local.count("RaceStats"));
    }

    QList<double> transfer, full, incremental, floor;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        server.enqueue(FixtureServer::Reply::withBody(body));
        t.start();
        const auto reply = modDatabase::RemoteQuery("SELECT 1");
        transfer << t.nsecsElapsed() / 1e6;
        if (reply.body.size() != body.size())
            std::printf("unexpected reply size %lld\n", static_cast<long long>(reply.body.size()));

        server.enqueue(FixtureServer::Reply::withBody(body));
        t.restart();
        modJockey::DownloadJockeyStats("Bench Jockey", true);
        full << t.nsecsElapsed() / 1e6;

        server.enqueue(FixtureServer::Reply::withBody(body));
        t.restart();
        modJockey::DownloadJockeyStats("Bench Jockey", false, QDateTime(QDate(1990, 1, 1), QTime(0, 0)));
        incremental << t.nsecsElapsed() / 1e6;

        floor << bareSqlite(floorDb, rides);
    }
    if (local.count("RaceStats") != kRows || !prompts.records().isEmpty()) {
        std::printf("FAILED: %d rows stored, %d prompts\n", local.count("RaceStats"),
                    static_cast<int>(prompts.records().size()));
        return 1;
    }

    const double xfer = best(transfer), fullMs = best(full), incMs = best(incremental), floorMs = best(floor);
    const double parseStore = fullMs - xfer;
    std::printf("rows per reply:                     %d (%.1f MB)\n", kRows, body.size() / 1e6);
    std::printf("HTTP transfer only (best of %d):     %.1f ms\n", kRuns, xfer);
    std::printf("full refresh, total:                %.1f ms\n", fullMs);
    std::printf("full refresh, parse and store:      %.1f ms\n", parseStore);
    std::printf("incremental (every row an update):  %.1f ms total, %.1f ms parse and store\n", incMs, incMs - xfer);
    std::printf("bare SQLite delete + insert floor:  %.1f ms\n", floorMs);
    std::printf("ratio full parse+store / floor:     %.2f (goal under 2)\n", parseStore / floorMs);
    return 0;
}

// Imports a synthetic acceptances file of 5,000 runners and compares the time
// with the floor: the same Meeting, Race and Noms rows inserted with bare
// SQLite (prepared statements, one transaction, old rows deleted first).
//
//   bench_fieldfile_import [runners] [repetitions]
//
// The track lookup is answered by a local server in this process, so the
// import runs its whole path: read, check, look up, write, bookings check.
#include "bench/BenchCommon.h"
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "mainwindow/FieldFileImport.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
QByteArray syntheticFile(int runners)
{
    const int perRace = 10;
    QByteArray out = "0000000RSB<X<X<22/12/24<X<X<Sunday<Track Good 4<BENCHMARK PARK\r\n";
    int made = 0;
    for (int race = 1; made < runners; ++race) {
        const QByteArray rn = QByteArray::number((race - 1) % 99 + 1).rightJustified(2, '0');
        out += rn + "00100RACE " + QByteArray::number(race) + "<X<1.30<P.M.<BM70<C<<<<<<$30000<<<<<<HCP<"
            + QByteArray::number(1000 + race) + "<14<4\r\n";
        out += rn + "00110Race text line\r\n";
        for (int no = 1; no <= perRace && made < runners; ++no, ++made) {
            const QByteArray n = QByteArray::number(no).rightJustified(2, '0');
            const QByteArray id = QByteArray::number(made);
            out += rn + n + "400X<X<" + QByteArray::number(no) + "<57|<<B<G<4<<<<<01/09/2020<HORSE " + id
                + " (NZ)<X1234<JOCKEY " + id + "<<=" + QByteArray::number(no + 10) + "<BM70<72\r\n";
            out += rn + n + "500SIRE " + id + "<DAM " + id + "<DAMSIRE " + id + "\r\n";
            out += rn + n + "600OWNER " + id + " & PARTNERS\r\n";
            out += rn + n + "700TRAINER " + QByteArray::number(made % 97) + "<RANDWICK<0298765432\r\n";
        }
    }
    return out;
}

/** Answers every request with one Track row. */
class TrackServer : public QTcpServer
{
public:
    TrackServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [s] {
                    if (!s->readAll().contains("\r\n\r\n"))
                        return;
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 10\r\n"
                             "Connection: close\r\n\r\nNSW|M<br>\n");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
};

bool ok(int rc, sqlite3* db)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    return false;
}

void bindText(sqlite3_stmt* s, int i, const QString& t)
{
    const QByteArray u = t.toUtf8();
    sqlite3_bind_text(s, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

/** The floor: the rows of `parsed` written with prepared statements. */
double bareSqlite(const QString& path, const QString& code, const FieldFileParser::Result& parsed)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    QElapsedTimer t;
    t.start();
    ok(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    for (const char* table : {"Noms", "Race", "Meeting"}) {
        sqlite3_stmt* del = nullptr;
        sqlite3_prepare_v2(db, QByteArray("DELETE FROM ").append(table).append(" WHERE MeetingCode = ?").constData(),
                           -1, &del, nullptr);
        bindText(del, 1, code);
        ok(sqlite3_step(del), db);
        sqlite3_finalize(del);
    }
    sqlite3_stmt* m = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Meeting (MeetingCode, MeetingLocation, MeetingDetails, MeetingLevel, MeetingDate, "
                       "DisplayMeeting, State, MeetType) VALUES (?,?,?,?,?,?,?,?)",
                       -1, &m, nullptr);
    bindText(m, 1, code);
    bindText(m, 2, parsed.meeting.location);
    bindText(m, 3, parsed.meeting.details);
    bindText(m, 4, QStringLiteral("ACP"));
    bindText(m, 5, parsed.meeting.date.toString(Qt::ISODate));
    sqlite3_bind_int(m, 6, 1);
    bindText(m, 7, QStringLiteral("NSW"));
    bindText(m, 8, QStringLiteral("M"));
    ok(sqlite3_step(m), db);
    sqlite3_finalize(m);

    sqlite3_stmt* r = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Race (MeetingCode, RaceCode, RaceNumber, RaceDetails, RaceDistance, RaceTime, "
                       "ApprClaim) VALUES (?,?,?,?,?,?,?)",
                       -1, &r, nullptr);
    for (const FieldFileParser::Race& race : parsed.races) {
        sqlite3_reset(r);
        bindText(r, 1, code);
        bindText(r, 2, race.raceCode);
        sqlite3_bind_int(r, 3, race.raceNumber);
        bindText(r, 4, race.details);
        bindText(r, 5, race.distance);
        bindText(r, 6, race.time ? race.time->toString(QStringLiteral("HH:mm:ss")) : QString());
        sqlite3_bind_int(r, 7, race.apprClaim ? 1 : 0);
        ok(sqlite3_step(r), db);
    }
    sqlite3_finalize(r);

    sqlite3_stmt* n = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Noms (MeetingCode, RaceNumber, RaceCode, TrainerName, Phone, TrainerLocation, "
                       "Horse, Class, Weight, Form, Rating, Jockey, HorseType, Blood1, Blood2, Blood3, Owners, "
                       "HorseDOB, Ballot, Barrier, EntryNo, EorB, HorseName) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &n, nullptr);
    for (const FieldFileParser::Runner& x : parsed.runners) {
        sqlite3_reset(n);
        int i = 1;
        bindText(n, i++, code);
        sqlite3_bind_int(n, i++, x.raceNumber);
        for (const QString* t : {&x.raceCode, &x.trainerName, &x.phone, &x.trainerLocation, &x.horse,
                                 &x.horseClass})
            bindText(n, i++, *t);
        sqlite3_bind_int(n, i++, x.weight);
        for (const QString* t : {&x.form, &x.rating, &x.jockey, &x.horseType, &x.blood1, &x.blood2, &x.blood3,
                                 &x.owners, &x.horseDob, &x.ballot})
            bindText(n, i++, *t);
        sqlite3_bind_int(n, i++, x.barrier);
        sqlite3_bind_int(n, i++, x.entryNo);
        bindText(n, i++, x.eorb);
        bindText(n, i++, x.horseName);
        ok(sqlite3_step(n), db);
    }
    sqlite3_finalize(n);
    ok(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

using BenchCommon::median;
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Sound::setMuted(true);
    const int runners = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    QTemporaryDir dir;
    const QString appDb = dir.path() + QStringLiteral("/app");
    const QString bareDb = dir.path() + QStringLiteral("/bare");
    QDir().mkpath(appDb);
    QDir().mkpath(bareDb);
    for (const QString& to : {appDb, bareDb}) {
        if (!BenchCommon::copyTemplateDb(to + QStringLiteral("/Tarrow.mdb")))
            return 1;
    }
    gAppSettings.DBPath = appDb;

    TrackServer server;
    gAppSettings.DataServer = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    modDatabase::gRemoteUser = QStringLiteral("bench");
    modDatabase::gRemotePass = QStringLiteral("bench");

    const QString code = QStringLiteral("2212BNCH");
    const QString file = dir.path() + QLatin1Char('/') + code + QStringLiteral(".DGA");
    const QByteArray bytes = syntheticFile(runners);
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    const FieldFileParser::Result parsed = FieldFileParser::parse(bytes, QStringLiteral("ACP"));
    if (!parsed.ok || parsed.runners.size() != runners) {
        std::fprintf(stderr, "synthetic file not read: %s\n", qPrintable(parsed.error));
        return 1;
    }

    // Parts of the import on their own (no database): reading the file.
    std::vector<double> parseMs, writeMs, importMs, noCheckMs, bareMs;
    QString cur, type;
    FieldFileImport::Target target;
    target.strMeetingCur = &cur;
    target.strMeetingType = &type;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        const FieldFileParser::Result r = FieldFileParser::parse(bytes, QStringLiteral("ACP"));
        parseMs.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        FieldFileImport::WriteMeeting(code, QStringLiteral("ACP"), QStringLiteral("NSW"), QStringLiteral("M"), r);
        writeMs.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        if (FieldFileImport::ImportFile(file, target) != FieldFileImport::Outcome::Imported) {
            std::fprintf(stderr, "import failed\n");
            return 1;
        }
        importMs.push_back(t.nsecsElapsed() / 1e6);

        FieldFileImport::SetBookingCheck([](const QString&, const QString&, const QString&, const QString&, qint16) {});
        t.restart();
        FieldFileImport::ImportFile(file, target);
        noCheckMs.push_back(t.nsecsElapsed() / 1e6);
        FieldFileImport::SetBookingCheck({});

        bareMs.push_back(bareSqlite(bareDb + QStringLiteral("/Tarrow.mdb"), code, parsed));
    }
    const qint64 stored = modDatabase::OpenLocalDatabase()
                              .Scalar(QStringLiteral("SELECT COUNT(*) FROM Noms WHERE MeetingCode = ?"), {code})
                              .toLongLong();
    if (stored != runners) {
        std::fprintf(stderr, "expected %d rows, found %lld\n", runners, stored);
        return 1;
    }

    const double bare = median(bareMs);
    std::printf("field-file import: %d runners, %lld races, %lld bytes, median of %d runs\n", runners,
                static_cast<long long>(parsed.races.size()), static_cast<long long>(bytes.size()), reps);
    std::printf("  read and check file          %8.2f ms\n", median(parseMs));
    std::printf("  write rows (one transaction) %8.2f ms   ratio to floor %.2f\n", median(writeMs),
                median(writeMs) / bare);
    std::printf("  whole import of the file     %8.2f ms   ratio to floor %.2f\n", median(importMs),
                median(importMs) / bare);
    std::printf("  import without bookings check %7.2f ms   ratio to floor %.2f\n", median(noCheckMs),
                median(noCheckMs) / bare);
    std::printf("  floor: bare SQLite inserts   %8.2f ms\n", bare);
    return 0;
}

// Reading and storing one public fields page of 12 races and 200 runners
// (the page built in memory: no network), against inserting the same Meeting,
// Race and Noms rows with bare SQLite (one prepared statement per table, one
// transaction, the meeting's old rows deleted first in both).
// Prints minimum and median of several runs and the ratio of the medians to
// the bare-SQLite floor (goal: under 2).
#include "bench/BenchCommon.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "download/modBrowser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{
/** CPU time of this thread in milliseconds: on a busy machine, and with the
 *  disk's flush at each commit, steadier than the wall clock. */
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

constexpr int kRaces = 12;
constexpr int kRunners = 200;
const QStringList kCodes{QStringLiteral("HANDICAP|HCP"), QStringLiteral("MAIDEN|MDN"),
                         QStringLiteral("BENCHMARK|BM"), QStringLiteral("PLATE|PLT"), QString()};

QString makePage()
{
    QString page = QStringLiteral("<html><body><h1>Bench Park</h1>\n");
    int runner = 0;
    for (int r = 1; r <= kRaces; ++r) {
        const int inRace = kRunners / kRaces + (r <= kRunners % kRaces ? 1 : 0);
        page += QStringLiteral("<!-- start of races -->\n<table><tr><th>Race %1 - %2:15PM BM%3 HANDICAP (%4 METRES)"
                               "</th></tr>\n<tr><td class=\"race-info\"><br><br><b>BenchMark %3 Handicap</b>.<br>"
                               "Field Limit: 14 + 4 EM<br>Apprentices can claim</td></tr></table>\n")
                    .arg(r)
                    .arg(r % 12 + 1)
                    .arg(58 + r)
                    .arg(1000 + 100 * r);
        page += QStringLiteral("<table><tr><th class=\"n\">&nbsp;</th><th class=\"f\">Last 10</th><th class=\"h\">"
                               "Horse</th><th class=\"t\">Trainer</th><th class=\"j\">Jockey</th><th class=\"b\">"
                               "Barrier</th><th class=\"w\">Weight</th><th class=\"r\">Hcp Rating</th></tr>\n");
        for (int i = 1; i <= inRace; ++i, ++runner) {
            page += QStringLiteral("<tr class=\"odd\"><td class=\"n\">%1</td><td class=\"f\">x%2</td><td class=\"h\">"
                                   "<a href=\"/h/%3\" target=\"_blank\">HORSE NUMBER %3 (NZ)</a></td><td class=\"t\">"
                                   "Trainer %4 &amp; Co</td><td class=\"j\">Jockey %5 (a3/54kg)</td><td class=\"b\">"
                                   "%6</td><td class=\"w\">5%7.5</td><td class=\"r\">(%8)</td></tr>\n")
                        .arg(i)
                        .arg(runner % 9)
                        .arg(runner)
                        .arg(runner % 40)
                        .arg(runner % 25)
                        .arg(i)
                        .arg(runner % 10)
                        .arg(50 + runner % 30);
        }
        page += QStringLiteral("</table>\n");
    }
    return page + QStringLiteral("</body></html>\n");
}

QString freshCopy(const QTemporaryDir& dir)
{
    const QString path = dir.path() + QStringLiteral("/Tarrow.mdb");
    if (!BenchCommon::copyTemplateDb(path))
        std::exit(1);
    return path;
}

void bind(sqlite3_stmt* st, int i, const QVariant& v)
{
    if (!v.isValid()) {
        sqlite3_bind_null(st, i);
    } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Bool) {
        sqlite3_bind_int(st, i, v.toInt());
    } else {
        const QByteArray u = v.toString().toUtf8();
        sqlite3_bind_text(st, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
}

void run(sqlite3* db, const char* sql, const std::vector<QVariantList>& rows)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    for (const QVariantList& row : rows) {
        for (int c = 0; c < row.size(); ++c)
            bind(st, c + 1, row[c]);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "bare statement failed: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

/** The rows the loader stores, prepared once outside the timing. */
struct BareRows
{
    std::vector<QVariantList> meeting, races, noms;
};

BareRows bareRows(const modBrowser::MeetingInfo& m, const modBrowser::ParsedPage& page)
{
    BareRows out;
    out.meeting.push_back({m.meetingCode, m.rsbCode, m.location, m.date.toString(Qt::ISODate), m.details, 1,
                           m.level, m.state, m.meetType});
    for (const modBrowser::ParsedRace& r : page.races) {
        out.races.push_back({m.meetingCode, r.raceCode, r.raceNumber, r.raceName + QStringLiteral("\r\n") + r.details,
                             r.distance, QString(), r.time ? QVariant(r.time->toString(Qt::ISODate)) : QVariant(),
                             r.apprClaim ? 1 : 0});
        for (const modBrowser::ParsedRunner& n : r.runners)
            out.noms.push_back({m.meetingCode, r.raceCode, r.raceNumber, n.horse, n.trainer, n.jockey, n.barrier,
                                n.weight, n.rating, n.ballot, n.entryNo, n.eorb,
                                modBrowser::HorseNameOf(n.horse), n.form});
    }
    return out;
}

double bareStore(sqlite3* db, const BareRows& rows, const QString& code, double& cpu)
{
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuMs();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    run(db, "DELETE FROM Race WHERE MeetingCode = ?", {{code}});
    run(db, "DELETE FROM Noms WHERE MeetingCode = ?", {{code}});
    run(db, "DELETE FROM Meeting WHERE MeetingCode = ?", {{code}});
    run(db,
        "INSERT INTO Meeting (MeetingCode, MeetingRSBCode, MeetingLocation, MeetingDate, MeetingDetails, "
        "DisplayMeeting, MeetingLevel, State, MeetType) VALUES (?,?,?,?,?,?,?,?,?)",
        rows.meeting);
    run(db,
        "INSERT INTO Race (MeetingCode, RaceCode, RaceNumber, RaceDetails, RaceDistance, RaceRSBCode, RaceTime, "
        "ApprClaim) VALUES (?,?,?,?,?,?,?,?)",
        rows.races);
    run(db,
        "INSERT INTO Noms (MeetingCode, RaceCode, RaceNumber, Horse, TrainerName, Jockey, Barrier, Weight, Rating, "
        "Ballot, EntryNo, EorB, HorseName, Form) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        rows.noms);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    cpu = cpuMs() - cpu0;
    return t.nsecsElapsed() / 1e6;
}

using BenchCommon::median;
using BenchCommon::minimum;
} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = freshCopy(dir);
    gAppSettings.DBPath = dir.path();
    const QString page = makePage();
    const modBrowser::MeetingInfo meeting = modBrowser::BuildMeetingInfo(
        QStringLiteral("Bench Park"), QDate(2030, 3, 5), QStringLiteral("Acceptances"), QString(), QStringLiteral("VIC"));

    const modBrowser::ParsedPage check = modBrowser::ParsePublicFieldsPage(page, QStringLiteral("Acceptances"), kCodes);
    int runners = 0;
    for (const modBrowser::ParsedRace& r : check.races)
        runners += static_cast<int>(r.runners.size());
    if (!check.ok() || check.races.size() != kRaces || runners != kRunners) {
        std::fprintf(stderr, "the bench page reads as %d races, %d runners\n", int(check.races.size()), runners);
        return 1;
    }
    const BareRows rows = bareRows(meeting, check);

    // The two are run in turns on the same file, so that the machine's load
    // and the disk's flushes weigh on both alike.
    sqlite3* bare = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    constexpr int kRounds = 31;
    std::vector<double> parseMs, layerMs, bareMs, layerCpu, bareCpu;
    for (int round = 0; round < kRounds; ++round) {
        double cpu = 0;
        bareMs.push_back(bareStore(bare, rows, meeting.meetingCode, cpu));
        bareCpu.push_back(cpu);
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuMs();
        const modBrowser::ParsedPage p = modBrowser::ParsePublicFieldsPage(page, QStringLiteral("Acceptances"), kCodes);
        const double parsed = t.nsecsElapsed() / 1e6;
        modBrowser::WriteMeeting(meeting, p, modBrowser::WriteOptions{});
        layerMs.push_back(t.nsecsElapsed() / 1e6);
        layerCpu.push_back(cpuMs() - cpu0);
        parseMs.push_back(parsed);
    }
    sqlite3_close(bare);
    modDatabase::gDbEngine.CloseDatabase(path);

    std::printf("One public fields page: %d races, %d runners (%lld characters), %d runs\n", kRaces, kRunners,
                static_cast<long long>(page.size()), kRounds);
    std::printf("                                      min ms   median ms\n");
    std::printf("  read the page                     %8.2f   %8.2f\n", minimum(parseMs), median(parseMs));
    std::printf("  read and store (loader)           %8.2f   %8.2f\n", minimum(layerMs), median(layerMs));
    std::printf("  bare SQLite, same rows (floor)    %8.2f   %8.2f\n", minimum(bareMs), median(bareMs));
    std::printf("  read and store, CPU time          %8.2f   %8.2f\n", minimum(layerCpu), median(layerCpu));
    std::printf("  bare SQLite, CPU time             %8.2f   %8.2f\n", minimum(bareCpu), median(bareCpu));
    std::printf("  ratio loader / floor, wall (min, median)   %5.2f   %5.2f\n", minimum(layerMs) / minimum(bareMs),
                median(layerMs) / median(bareMs));
    std::printf("  ratio loader / floor, CPU  (min, median)   %5.2f   %5.2f\n", minimum(layerCpu) / minimum(bareCpu),
                median(layerCpu) / median(bareCpu));
    return 0;
}

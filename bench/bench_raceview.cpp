// The race view on a racing year (bench/OneYearDb.h) plus one big meeting of
// 12 races and 150 runners, with bookings and last starts.
//
// Prints, for the whole meeting and for one race: the time from creating the
// window to its filled field (window, meetings grid, jockey list, race list
// and field), the time of the field loader alone, and the floor: the same
// query stepped through with bare SQLite and its rows put as plain texts into
// a bare QTableWidget of 31 columns. Minimum and median of the runs; the
// ratios set minimum against minimum and median against median.
//
// Usage: bench_raceview [runs]   (default 15)
#include "bench/BenchCommon.h"
#include "bench/OneYearDb.h"
#include "core/cAppSettings.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "platform/Grid.h"
#include "platform/Sound.h"
#include "raceview/FrmRace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
using OneYearDb::check;

const QString kBig = QStringLiteral("2812BIG");
constexpr int kBigRaces = 12;
constexpr int kBigRunners = 150;

struct Times
{
    double min = 0;
    double median = 0;
};

Times measure(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

/** The big meeting: 12 races, 150 runners of the year's horses (so they have
 *  rides of the managed jockeys), a booking on every fifth, last starts. */
void addBigMeeting(const QString& path)
{
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    const auto exec = [&](const QString& sql) {
        check(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), db, "big meeting");
    };
    exec(QStringLiteral("INSERT INTO Meeting (MeetingCode, MeetingLocation, MeetingDetails, MeetingDate, "
                        "DisplayMeeting, State, MeetingLevel, MeetType) VALUES ('%1', 'Flemington', 'Cup Day', "
                        "'2024-12-28', 1, 'VIC', 'ACP', 'M')")
             .arg(kBig));
    for (int race = 1; race <= kBigRaces; ++race)
        exec(QStringLiteral("INSERT INTO Race (MeetingCode, RaceNumber, RaceCode, RaceDetails, RaceTime, ApprClaim) "
                            "VALUES ('%1', %2, '1200 BM%3', 'Race %2 details', '%4:00:00', %5)")
                 .arg(kBig)
                 .arg(race)
                 .arg(60 + race)
                 .arg(11 + race / 2)
                 .arg(race % 2));
    for (int i = 0; i < kBigRunners; ++i) {
        const int race = 1 + i % kBigRaces;
        const int horse = i * 199 % OneYearDb::kHorses;
        const QString h = OneYearDb::horseName(horse);
        const QString trainer = OneYearDb::trainerName(horse % OneYearDb::kTrainers);
        QString quoted = trainer;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        exec(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, RaceCode, TrainerName, TrainerLocation, Horse, "
                            "HorseName, Class, Weight, Form, Rating, Jockey, HorseType, Barrier, EntryNo, EorB, "
                            "LastJockey, LastRode, LastRaceClass, LastWeight, LastRaceValue, LastMargin, WgtRat, "
                            "AvgWin, FormTrainer, W800400, RSecTime) VALUES ('%1', %2, '1200 BM%3', '%4', 'Town', "
                            "'%5', '%5', 'BM70', %6, 'x1234', '72', '%7', 'g 4', %8, %9, '%10', '%11', '2024-12-01', "
                            "'70BM', 56.5, 45000, 1.7, 88, 12000, '%12', '46.1', 34.5)")
                 .arg(kBig)
                 .arg(race)
                 .arg(60 + race)
                 .arg(quoted, h)
                 .arg(540 + i % 40)
                 .arg(i % 3 == 0 ? OneYearDb::jockeyName(i % 20) : QString())
                 .arg(1 + i / kBigRaces)
                 .arg(1 + i / kBigRaces)
                 .arg(i % 11 == 0 ? QStringLiteral("E") : QString(), OneYearDb::jockeyName(i % 8),
                      quoted.toUpper()));
        if (i % 5 == 0)
            exec(QStringLiteral("INSERT INTO Bookings (Jockey, MeetingCode, RaceCode, Horse, TrainerName, "
                                "BookingSelection, Confirmed) VALUES ('%1', '%2', '1200 BM%3', '%4', '%5', '%6', %7)")
                     .arg(OneYearDb::jockeyName(i % OneYearDb::kJockeys), kBig)
                     .arg(60 + race)
                     .arg(h, quoted, i % 10 == 0 ? QStringLiteral("Confirmed") : QStringLiteral("Planned"))
                     .arg(i % 10 == 0 ? 1 : 0));
    }
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

/** The floor: the field's query with bare SQLite, every column put as text
 *  into a bare table widget of 31 columns. */
double floorRun(sqlite3* db, const QString& sql, int race)
{
    QElapsedTimer t;
    t.start();
    QTableWidget table(0, FrmRace::FieldColumnCount);
    table.setUpdatesEnabled(false);
    sqlite3_stmt* s = nullptr;
    check(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr), db, "floor");
    const QByteArray code = kBig.toUtf8();
    sqlite3_bind_text(s, 1, code.constData(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
    if (race > 0)
        sqlite3_bind_int(s, 2, race);
    const int n = std::min(sqlite3_column_count(s), int(FrmRace::FieldColumnCount));
    int row = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        table.setRowCount(row + 1);
        for (int c = 0; c < n; ++c)
            table.setItem(row, c,
                          new QTableWidgetItem(QString::fromUtf8(
                              reinterpret_cast<const char*>(sqlite3_column_text(s, c)))));
        ++row;
    }
    sqlite3_finalize(s);
    table.setUpdatesEnabled(true);
    return t.nsecsElapsed() / 1e6;
}

void report(const char* what, const Times& t, const Times& floor, double goal)
{
    std::printf("%-34s min %7.2f ms  median %7.2f ms   floor min %6.2f median %6.2f   ratio %5.2f (median %5.2f)%s\n",
                what, t.min, t.median, floor.min, floor.median, floor.min > 0 ? t.min / floor.min : 0.0,
                floor.median > 0 ? t.median / floor.median : 0.0,
                goal > 0 ? (t.median < goal ? "   goal met" : "   GOAL MISSED") : "");
}
} // namespace

int main(int argc, char** argv)
{
    const BenchCommon::QuietApp app(argc, argv);
    const int runs = BenchCommon::runsArg(argc, argv, 15);

    QTemporaryDir dir;
    const QString path = BenchCommon::useFolder(dir.path());
    if (path.isEmpty())
        return 1;
    OneYearDb::build(path);
    addBigMeeting(path);
    std::printf("database: %d meetings, %d runners; meeting %s: %d races, %d runners\n", OneYearDb::kMeetings + 1,
                OneYearDb::kRunners + kBigRunners, qPrintable(kBig), kBigRaces, kBigRunners);

    QStringList jockeys;
    for (int i = 0; i < OneYearDb::kJockeys; ++i)
        jockeys << OneYearDb::jockeyName(i);
    modJockey::gJockeyInList = modJockey::BuildJockeyInList(jockeys);

    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);

    for (const int race : {0, 6}) {
        gMainState.strMeetingCur = kBig;
        gMainState.IntRace = static_cast<qint16>(race);
        int rows = 0;
        QString sql;
        const Times open = measure(runs, [&] {
            FrmRace form;
            form.Form_Load();
            rows = form.grdRace->rows();
            sql = form.RaceFieldSql();
        });
        const Times build = measure(runs, [&] { FrmRace empty; });
        FrmRace form;
        form.Form_Load();
        const Times meetings = measure(runs, [&] { modJockey::FillMeetingGrid(form.grdMeeting); });
        std::printf("  (of which: window built min %.2f median %.2f ms, meetings grid of %d meetings min %.2f "
                    "median %.2f ms)\n",
                    build.min, build.median, form.grdMeeting->rows(), meetings.min, meetings.median);
        const Times field = measure(runs, [&] { form.LoadRaceField(); });
        const Times floor = measure(runs, [&] { floorRun(raw, sql, race); });
        std::printf("%s: %d field rows\n", race == 0 ? "whole meeting" : "race 6", rows);
        report(race == 0 ? "  open to filled field" : "  open to filled field (one race)", open, floor,
               race == 0 ? 100 : 0);
        report("  field loader alone", field, floor, 0);
    }
    sqlite3_close(raw);
    return 0;
}

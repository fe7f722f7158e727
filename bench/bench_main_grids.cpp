// Main window grids on a racing year: about 2,000 meetings, 200,000 runners,
// 20,000 bookings and 50,000 race results of the managed jockeys, made by the
// shared generator in bench/OneYearDb.h.
//
// Prints the time to fill the meetings grid, the trainer list for all
// meetings and for one meeting, and one trainer's nominations, each beside
// its floor: the same query stepped through with bare SQLite. Then the peak
// memory of the process.
//
// Usage: bench_main_grids [repeats]   (default 5; the best run is reported)
#include "bench/BenchCommon.h"
#include "bench/OneYearDb.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <functional>

namespace
{
using OneYearDb::check;

// Best of `repeats` runs, in milliseconds.
double best(int repeats, const std::function<void()>& work)
{
    double bestMs = 1e300;
    for (int i = 0; i < repeats; ++i)
    {
        QElapsedTimer t;
        t.start();
        work();
        bestMs = std::min(bestMs, t.nsecsElapsed() / 1e6);
    }
    return bestMs;
}

// The floor: the same SQL stepped through with bare SQLite, every column read.
double floorOf(int repeats, sqlite3* db, const QString& sql)
{
    return best(repeats, [&] {
        sqlite3_stmt* s = nullptr;
        check(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr), db, "floor");
        const int n = sqlite3_column_count(s);
        while (sqlite3_step(s) == SQLITE_ROW)
            for (int c = 0; c < n; ++c)
                sqlite3_column_text(s, c);
        sqlite3_finalize(s);
    });
}

void report(const char* what, double ms, double floorMs, double goalMs)
{
    std::printf("%-44s %9.1f ms   floor %8.1f ms   ratio %6.2f   goal < %3.0f ms  %s\n", what, ms, floorMs,
                floorMs > 0 ? ms / floorMs : 0.0, goalMs, ms < goalMs ? "met" : "MISSED");
}
} // namespace

int main(int argc, char** argv)
{
    const BenchCommon::QuietApp app(argc, argv);
    const int repeats = BenchCommon::runsArg(argc, argv, 5);

    QTemporaryDir dir;
    const QString path = BenchCommon::useFolder(dir.path());
    if (path.isEmpty())
        return 1;

    QElapsedTimer build;
    build.start();
    OneYearDb::build(path);
    std::printf("database: %d meetings, %d runners, %d bookings, %d results, built in %.1f s\n", OneYearDb::kMeetings,
                OneYearDb::kRunners, OneYearDb::kBookings, OneYearDb::kResults, build.nsecsElapsed() / 1e9);

    if (!qEnvironmentVariableIsEmpty("BENCH_KEEP_DB"))
        QFile::copy(path, qEnvironmentVariable("BENCH_KEEP_DB"));

    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);

    Main* m = Main::instance();
    modJockey::SetupMeetingGrid(m->grdMeeting);
    modJockey::SetupJockeyGrid(m->grdJockey);
    m->SetupNamesGrid();
    m->SetupNomsGrid();
    modJockey::LoadJockeyCombo(m->grdJockey, m);
    modJockey::GetJockeyInList();
    m->txtWeight->setText(QStringLiteral("0.0"));

    const double meetings = best(repeats, [&] { m->LoadMeetingGrid(); });
    report("meetings grid", meetings,
           floorOf(repeats, raw, QStringLiteral("SELECT * FROM Meeting order by MeetingCode")), 50);

    m->MeetingInList.clear();
    const double allTrainers = best(repeats, [&] { m->LoadTrainerGrid(); });
    report("trainer list, all meetings", allTrainers, floorOf(repeats, raw, m->TrainerRunnersSql()), 300);
    std::printf("  (%d trainers listed)\n", m->grdNames->rows());

    m->MeetingInList = QStringLiteral("( '") + modDatabase::SqlQuote(OneYearDb::meetingCode(7)) + QStringLiteral("')");
    const double oneMeeting = best(repeats, [&] { m->LoadTrainerGrid(); });
    report("trainer list, one meeting", oneMeeting, floorOf(repeats, raw, m->TrainerRunnersSql()), 50);
    std::printf("  (%d trainers listed)\n", m->grdNames->rows());

    m->MeetingInList.clear();
    m->LoadTrainerGrid();
    const QString trainer = OneYearDb::trainerName(97); // a name holding a quote
    for (int r = 1; r <= m->grdNames->rows(); ++r)
        if (m->grdNames->cellText(r, 1) == trainer)
            m->grdNames->setSelectedCell(r, 1);
    m->SelectedTrainer = modDatabase::SqlQuote(trainer);
    const double noms = best(repeats, [&] { m->LoadTrainerNoms(); });
    report("one trainer's nominations, all meetings", noms, floorOf(repeats, raw, m->TrainerNomsSql()), 50);
    std::printf("  (%d runners listed)\n", m->grdNoms->rows());

    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (ru_maxrss): %.1f MB\n", usage.ru_maxrss / 1024.0);

    sqlite3_close(raw);
    Main::destroyInstance();
    return 0;
}

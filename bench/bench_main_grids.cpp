// Main window grids on a racing year: about 2,000 meetings, 200,000 runners,
// 20,000 bookings and 50,000 race results of the managed jockeys.
//
// Prints the time to fill the meetings grid, the trainer list for all
// meetings and for one meeting, and one trainer's nominations, each beside
// its floor: the same query stepped through with bare SQLite. Then the peak
// memory of the process.
//
// Usage: bench_main_grids [repeats]   (default 5; the best run is reported)
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <functional>

namespace
{
constexpr int kMeetings = 2000;
constexpr int kRacesPerMeeting = 8;
constexpr int kRunners = 200000;
constexpr int kBookings = 20000;
constexpr int kResults = 50000;
constexpr int kTrainers = 2500;
constexpr int kHorses = 30000;
constexpr int kJockeys = 8;

const char* const kTracks[] = {"FLEM", "CAUL", "MOON", "SAND", "RAND", "BALL", "BEND", "GEEL", "SALE", "KILM"};
const char* const kLevels[] = {"NOM", "WGT", "ACP", "N/A"};

void check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

QString meetingCode(int i)
{
    const QDate d = QDate(2024, 1, 1).addDays(i % 365);
    return QStringLiteral("%1%2%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromLatin1(kTracks[i % 10]))
        + QString::number(i / 365);
}

QString trainerName(int i)
{
    return QStringLiteral("Trainer %1").arg(i, 4, 10, QLatin1Char('0')) + (i % 97 == 0 ? QStringLiteral(" O'Neil") : QString());
}

QString horseName(int i)
{
    return QStringLiteral("HORSE %1").arg(i, 5, 10, QLatin1Char('0'));
}

QString jockeyName(int i)
{
    return QStringLiteral("Jockey %1").arg(QChar(QLatin1Char('A' + i)));
}

struct Stmt
{
    sqlite3_stmt* s = nullptr;
    sqlite3* db;
    Stmt(sqlite3* d, const char* sql)
        : db(d)
    {
        check(sqlite3_prepare_v2(d, sql, -1, &s, nullptr), d, sql);
    }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt& text(int i, const QString& v)
    {
        const QByteArray b = v.toUtf8();
        sqlite3_bind_text(s, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& num(int i, qint64 v)
    {
        sqlite3_bind_int64(s, i, v);
        return *this;
    }
    void run()
    {
        check(sqlite3_step(s), db, "step");
        sqlite3_reset(s);
    }
};

// Fills the database with bare SQLite in one transaction.
void buildYear(const QString& path)
{
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    QRandomGenerator rng(20241207);

    {
        Stmt m(db, "INSERT INTO Meeting (MeetingCode, MeetingLocation, MeetingDetails, MeetingDate, DisplayMeeting, "
                   "State, MeetingLevel, MeetType) VALUES (?,?,?,?,?,?,?,?)");
        for (int i = 0; i < kMeetings; ++i)
        {
            m.text(1, meetingCode(i))
                .text(2, QString::fromLatin1(kTracks[i % 10]))
                .text(3, QStringLiteral("Meeting details %1").arg(i))
                .text(4, QDate(2024, 1, 1).addDays(i % 365).toString(Qt::ISODate))
                .num(5, i % 20 == 0 ? 0 : 1)
                .text(6, QStringLiteral("VIC"))
                .text(7, QString::fromLatin1(kLevels[i % 4]))
                .text(8, QStringLiteral("M"))
                .run();
        }
    }
    {
        Stmt t(db, "INSERT INTO Trainer (TrainerName, TrainerLocation, Phone, TrainerComments, IgnoreTrainer) "
                   "VALUES (?,?,?,?,?)");
        for (int i = 0; i < kTrainers; i += 2) // half the trainers have a record
        {
            t.text(1, trainerName(i))
                .text(2, QStringLiteral("Town %1").arg(i % 50))
                .text(3, QStringLiteral("03%1").arg(i))
                .text(4, i % 10 == 0 ? QStringLiteral("Comments") : QString())
                .num(5, i % 50 == 0 ? 1 : 0)
                .run();
        }
    }
    {
        Stmt j(db, "INSERT INTO Jockey (Jockey, JockeyColor) VALUES (?,?)");
        for (int i = 0; i < kJockeys; ++i)
            j.text(1, jockeyName(i)).text(2, i == 0 ? QString() : QStringLiteral(" %1").arg(255 << (i % 3 * 8))).run();
    }
    std::vector<std::pair<QString, QString>> runners; // meeting, horse
    runners.reserve(kRunners);
    {
        Stmt n(db, "INSERT INTO Noms (MeetingCode, RaceNumber, RaceCode, TrainerName, Phone, TrainerLocation, Horse, "
                   "HorseName, Class, Weight, Form, Rating, Jockey, EorB, FormTrainer) "
                   "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < kRunners; ++i)
        {
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
                .text(13, i % 3 == 0 ? jockeyName(static_cast<int>(rng.bounded(20))) : QString())
                .text(14, i % 11 == 0 ? QStringLiteral("E") : QString())
                .text(15, trainerName(trainer).toUpper())
                .run();
            runners.emplace_back(code, h);
        }
    }
    {
        Stmt b(db, "INSERT INTO Bookings (Jockey, MeetingCode, RaceCode, Horse, TrainerName, BookingSelection, "
                   "Confirmed) VALUES (?,?,?,?,?,?,?)");
        for (int i = 0; i < kBookings; ++i)
        {
            const auto& r = runners[static_cast<size_t>(rng.bounded(kRunners))];
            const bool confirmed = i % 4 == 0;
            b.text(1, jockeyName(i % kJockeys))
                .text(2, r.first)
                .text(3, QStringLiteral("1200 HCP R1"))
                .text(4, r.second)
                .text(5, QString())
                .text(6, confirmed ? QStringLiteral("Confirmed") : QStringLiteral("Planned"))
                .num(7, confirmed ? 1 : 0)
                .run();
        }
    }
    {
        Stmt s(db, "INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, PrizeMoney, "
                   "TrainerName, State) VALUES (?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < kResults; ++i)
        {
            const int horse = static_cast<int>(rng.bounded(kHorses));
            s.text(1, QDate(2023, 1, 1).addDays(i % 700).toString(Qt::ISODate))
                .num(2, 1 + i % 9)
                .text(3, QString::fromLatin1(kTracks[i % 10]))
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    Sound::setMuted(true);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    qputenv("VELMORA_APP_DIR", dir.path().toUtf8());
    qputenv("VELMORA_REGISTRY", (dir.path() + QStringLiteral("/registry.json")).toUtf8());
    const QString path = dir.path() + QStringLiteral("/Tarrow.mdb");
    if (!QFile::copy(QStringLiteral(VELMORA_BIN_DIR "/Tarrow.mdb"), path))
    {
        std::fprintf(stderr, "no template database at %s\n", VELMORA_BIN_DIR);
        return 1;
    }
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    gAppSettings.DBPath = dir.path();

    QElapsedTimer build;
    build.start();
    buildYear(path);
    std::printf("database: %d meetings, %d runners, %d bookings, %d results, built in %.1f s\n", kMeetings, kRunners,
                kBookings, kResults, build.nsecsElapsed() / 1e9);

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

    m->MeetingInList = QStringLiteral("( '") + modDatabase::SqlQuote(meetingCode(7)) + QStringLiteral("')");
    const double oneMeeting = best(repeats, [&] { m->LoadTrainerGrid(); });
    report("trainer list, one meeting", oneMeeting, floorOf(repeats, raw, m->TrainerRunnersSql()), 50);
    std::printf("  (%d trainers listed)\n", m->grdNames->rows());

    m->MeetingInList.clear();
    m->LoadTrainerGrid();
    const QString trainer = trainerName(97); // a name holding a quote
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

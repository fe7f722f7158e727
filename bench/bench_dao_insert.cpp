// Inserting 100,000 Noms rows through the database layer, against the same
// rows inserted with bare SQLite (one prepared statement, one transaction).
// Two layer paths are timed: Execute with bound parameters, and a table
// recordset (AddNew, SetField, Update), which also reads each new row back.
// Prints the times and their ratios to the bare-SQLite floor (goal: < 1.5).
#include "bench/BenchCommon.h"
#include "core/modDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantList>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace
{
constexpr int kRows = 100000;

// Times one run both on the wall clock and as CPU time of this thread; on a
// busy machine the CPU time is the steadier figure.
struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

class Stopwatch
{
public:
    Stopwatch()
    {
        m_wall.start();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &m_cpu);
    }
    Timing elapsed() const
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return {m_wall.nsecsElapsed() / 1e6,
                (now.tv_sec - m_cpu.tv_sec) * 1e3 + (now.tv_nsec - m_cpu.tv_nsec) / 1e6};
    }

private:
    QElapsedTimer m_wall;
    timespec m_cpu{};
};
const char* const kColumns[] = {"MeetingCode", "RaceNumber", "RaceCode", "TrainerName", "Horse",  "HorseName",
                                "Weight",      "Rating",     "Jockey",   "Barrier",     "EntryNo", "Form"};
constexpr int kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

std::vector<QVariantList> makeRows()
{
    std::vector<QVariantList> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const QString horse = QStringLiteral("Horse Number %1 (NZ)").arg(i);
        rows.push_back({QStringLiteral("%1FLEM").arg(1000 + i / 80), (i / 10) % 8 + 1,
                        QStringLiteral("1200 MDN %1").arg(i % 8), QStringLiteral("Trainer %1").arg(i % 2500), horse,
                        horse.left(horse.indexOf(QLatin1Char('('))).toUpper(), 540 + i % 60,
                        QString::number(40 + i % 50), QStringLiteral("Jockey %1").arg(i % 300), i % 16 + 1, i % 20 + 1,
                        QStringLiteral("x1%1").arg(i % 9)});
    }
    return rows;
}

QString freshCopy(const QTemporaryDir& dir, const char* name)
{
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    if (!BenchCommon::copyTemplateDb(path))
        std::exit(1);
    return path;
}

QString insertSql()
{
    QStringList cols, marks;
    for (const char* c : kColumns) {
        cols.append(QString::fromLatin1(c));
        marks.append(QStringLiteral("?"));
    }
    return QStringLiteral("INSERT INTO Noms (%1) VALUES (%2)").arg(cols.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
}

Timing bare(const QString& path, const std::vector<QVariantList>& rows)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const Stopwatch t;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = insertSql().toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    for (const QVariantList& row : rows) {
        for (int c = 0; c < kColumnCount; ++c) {
            const QVariant& v = row.at(c);
            if (v.typeId() == QMetaType::Int) {
                sqlite3_bind_int(st, c + 1, v.toInt());
            } else {
                const QByteArray u = v.toString().toUtf8();
                sqlite3_bind_text(st, c + 1, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
            }
        }
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "bare insert failed: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const Timing ms = t.elapsed();
    sqlite3_close(db);
    return ms;
}

Timing layerExecute(const QString& path, const std::vector<QVariantList>& rows)
{
    DaoDatabase db = modDatabase::gDbEngine.OpenDatabase(path);
    const QString sql = insertSql();
    const Stopwatch t;
    db.BeginTrans();
    for (const QVariantList& row : rows)
        db.Execute(sql, row);
    db.CommitTrans();
    const Timing ms = t.elapsed();
    modDatabase::gDbEngine.CloseDatabase(path);
    return ms;
}

Timing layerRecordset(const QString& path, const std::vector<QVariantList>& rows)
{
    DaoDatabase db = modDatabase::gDbEngine.OpenDatabase(path);
    const Stopwatch t;
    db.BeginTrans();
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("Noms"));
    // Column names made once, as the program's QStringLiteral names are.
    QStringList names;
    for (const char* c : kColumns)
        names.append(QString::fromLatin1(c));
    for (const QVariantList& row : rows) {
        rs.AddNew();
        for (int c = 0; c < kColumnCount; ++c)
            rs.SetField(names.at(c), row.at(c));
        rs.Update();
    }
    db.CommitTrans();
    const Timing ms = t.elapsed();
    if (rs.RecordCount() != kRows)
        std::fprintf(stderr, "recordset holds %d rows\n", rs.RecordCount());
    rs.Close();
    modDatabase::gDbEngine.CloseDatabase(path);
    return ms;
}

using BenchCommon::median;
using BenchCommon::minimum;

struct Series
{
    std::vector<double> wall, cpu;
    void add(const Timing& t)
    {
        wall.push_back(t.wallMs);
        cpu.push_back(t.cpuMs);
    }
};
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    const std::vector<QVariantList> rows = makeRows();
    Series b, e, r;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    // The three paths take turns, so a change in the machine's load touches
    // them alike.
    for (int round = 0; round < rounds; ++round) {
        b.add(bare(freshCopy(dir, "bare.mdb"), rows));
        e.add(layerExecute(freshCopy(dir, "execute.mdb"), rows));
        r.add(layerRecordset(freshCopy(dir, "recordset.mdb"), rows));
    }
    std::printf("Inserting %d Noms rows in one transaction, %d runs of each path\n", kRows, rounds);
    std::printf("Ratios are to bare SQLite's own minimum / median (goal for the layer: < 1.5)\n\n");
    std::printf("                                 wall ms min  median    ratio min  median |"
                "  CPU ms min  median    ratio min  median\n");
    auto line = [&](const char* what, const Series& s) {
        std::printf("  %-30s %9.1f %8.1f    %9.2f %7.2f | %10.1f %8.1f    %9.2f %7.2f\n", what, minimum(s.wall),
                    median(s.wall), minimum(s.wall) / minimum(b.wall), median(s.wall) / median(b.wall),
                    minimum(s.cpu), median(s.cpu), minimum(s.cpu) / minimum(b.cpu), median(s.cpu) / median(b.cpu));
    };
    line("bare SQLite (floor)", b);
    line("layer, Execute with params", e);
    line("layer, recordset AddNew", r);
    return 0;
}

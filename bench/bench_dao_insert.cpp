// Inserting 100,000 Noms rows through the database layer, against the same
// rows inserted with bare SQLite (one prepared statement, one transaction).
// Two layer paths are timed: Execute with bound parameters, and a table
// recordset (AddNew, SetField, Update), which also reads each new row back.
// Prints the times and their ratios to the bare-SQLite floor (goal: < 1.5).
#include "core/modDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantList>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRows = 100000;
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
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(VELMORA_BIN_DIR "/Tarrow.mdb"), path)) {
        std::fprintf(stderr, "cannot copy the template database (build the project first)\n");
        std::exit(1);
    }
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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

double bare(const QString& path, const std::vector<QVariantList>& rows)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QElapsedTimer t;
    t.start();
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
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

double layerExecute(const QString& path, const std::vector<QVariantList>& rows)
{
    DaoDatabase db = modDatabase::gDbEngine.OpenDatabase(path);
    const QString sql = insertSql();
    QElapsedTimer t;
    t.start();
    db.BeginTrans();
    for (const QVariantList& row : rows)
        db.Execute(sql, row);
    db.CommitTrans();
    const double ms = t.nsecsElapsed() / 1e6;
    modDatabase::gDbEngine.CloseDatabase(path);
    return ms;
}

double layerRecordset(const QString& path, const std::vector<QVariantList>& rows)
{
    DaoDatabase db = modDatabase::gDbEngine.OpenDatabase(path);
    QElapsedTimer t;
    t.start();
    db.BeginTrans();
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("Noms"));
    for (const QVariantList& row : rows) {
        rs.AddNew();
        for (int c = 0; c < kColumnCount; ++c)
            rs.SetField(QString::fromLatin1(kColumns[c]), row.at(c));
        rs.Update();
    }
    db.CommitTrans();
    const double ms = t.nsecsElapsed() / 1e6;
    if (rs.RecordCount() != kRows)
        std::fprintf(stderr, "recordset holds %d rows\n", rs.RecordCount());
    rs.Close();
    modDatabase::gDbEngine.CloseDatabase(path);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main()
{
    QTemporaryDir dir;
    const std::vector<QVariantList> rows = makeRows();
    std::vector<double> b, e, r;
    for (int round = 0; round < 3; ++round) {
        b.push_back(bare(freshCopy(dir, "bare.mdb"), rows));
        e.push_back(layerExecute(freshCopy(dir, "execute.mdb"), rows));
        r.push_back(layerRecordset(freshCopy(dir, "recordset.mdb"), rows));
    }
    const double mb = median(b), me = median(e), mr = median(r);
    std::printf("Inserting %d Noms rows in one transaction (median of 3 runs)\n", kRows);
    std::printf("  bare SQLite (floor)          %8.1f ms\n", mb);
    std::printf("  layer, Execute with params   %8.1f ms   ratio %.2f\n", me, me / mb);
    std::printf("  layer, recordset AddNew      %8.1f ms   ratio %.2f\n", mr, mr / mb);
    return 0;
}

// Compaction killed at any moment: a child process compacts a database of a
// few megabytes and is killed after a different delay each time. Whatever the
// moment, Tarrow.mdb must afterwards pass the full integrity check and hold
// every row.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace modDatabase;

namespace
{
struct Check
{
    bool intact = false;
    qint64 rows = -1;
    qint64 sum = -1;
};

// Reads the file with a plain connection of its own.
Check inspect(const QString& path)
{
    Check c;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            c.intact = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") == 0;
        sqlite3_finalize(st);
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*), SUM(RaceNumber) FROM Noms", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW) {
            c.rows = sqlite3_column_int64(st, 0);
            c.sum = sqlite3_column_int64(st, 1);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return c;
}

// Runs the compaction in a child; kills it after `delayUs` (never when < 0).
// Returns the time the child took when it was not killed.
qint64 compactInChild(qint64 delayUs)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(CompactLocalDatabase() ? 0 : 1);
    if (delayUs >= 0) {
        ::usleep(static_cast<useconds_t>(delayUs));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return timer.nsecsElapsed() / 1000;
}
} // namespace

TEST(CompactionCrash, KilledAtAnyMomentLeavesAWholeDatabase)
{
    TestEnv env;
    DbFixture fx(env);
    {
        DaoDatabase db = fx.db();
        db.BeginTrans();
        for (int i = 0; i < 12000; ++i)
            db.Execute(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) VALUES (?, ?, ?, ?)"),
                       {QStringLiteral("M%1").arg(i % 20), i, QStringLiteral("Horse %1").arg(i),
                        QString(250, QLatin1Char('a' + i % 26))});
        db.CommitTrans();
        db.Execute(QStringLiteral("DELETE FROM Noms WHERE RaceNumber % 3 = 0"));
    }
    gDbEngine.CloseAll(); // the children must not inherit our connection
    const Check expected = inspect(fx.path());
    ASSERT_TRUE(expected.intact);
    ASSERT_EQ(expected.rows, 8000);
    EXPECT_GT(QFileInfo(fx.path()).size(), 2 * 1024 * 1024);

    // How long one whole compaction takes, to spread the kills over it.
    const qint64 fullUs = qMax<qint64>(compactInChild(-1), 2000);
    ASSERT_TRUE(inspect(fx.path()).intact);

    auto inode = [&]() {
        struct stat st{};
        ::stat(QFile::encodeName(fx.path()).constData(), &st);
        return st.st_ino;
    };
    const QString temp = env.appDir() + QStringLiteral("/temp.mdb");
    const int kills = 30;
    int checked = 0, interrupted = 0, finished = 0;
    auto killOnce = [&](qint64 delay, int i) {
        const auto before = inode();
        compactInChild(delay);
        if (inode() != before)
            ++finished;
        else if (QFileInfo::exists(temp))
            ++interrupted;
        const Check now = inspect(fx.path());
        EXPECT_TRUE(now.intact) << "kill " << i << " after " << delay << " us";
        EXPECT_EQ(now.rows, expected.rows) << "kill " << i;
        EXPECT_EQ(now.sum, expected.sum) << "kill " << i;
        ++checked;
        return now.intact && now.rows == expected.rows && now.sum == expected.sum;
    };
    for (int i = 0; i < kills; ++i) {
        // From straight after the start to a little past the usual end.
        const qint64 delay = fullUs * i / (kills - 4) + (i % 3) * 137;
        ASSERT_TRUE(killOnce(delay, i));
    }
    // On a busy machine the timing drifts: make sure some kills fell inside
    // the copy and some after the rename.
    for (int extra = 1; extra <= 10 && finished == 0; ++extra)
        ASSERT_TRUE(killOnce(fullUs * (1 + extra), kills + extra));
    for (int extra = 1; extra <= 10 && interrupted == 0; ++extra)
        ASSERT_TRUE(killOnce(fullUs * extra / 20, kills + 10 + extra));
    EXPECT_GE(checked, kills);
    // The kills fell both inside the work and after it.
    EXPECT_GT(interrupted, 0);
    EXPECT_GT(finished, 0);
    std::printf("one compaction %lld us; killed while copying %d times, after the rename %d times\n",
                static_cast<long long>(fullUs), interrupted, finished);

    // A compaction left to finish still works and tidies any copy left over.
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_FALSE(QFileInfo::exists(env.appDir() + QStringLiteral("/temp.mdb")));
    EXPECT_EQ(inspect(fx.path()).rows, expected.rows);
}

TEST(CompactionCrash, AWriteKilledMidTransactionIsRolledBackAtTheNextStart)
{
    TestEnv env;
    DbFixture fx(env);
    {
        DaoDatabase db = fx.db();
        db.BeginTrans();
        for (int i = 0; i < 3000; ++i)
            db.Execute(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) VALUES (?, ?, ?, ?)"),
                       {QStringLiteral("M%1").arg(i % 20), i, QStringLiteral("Horse %1").arg(i),
                        QString(250, QLatin1Char('a' + i % 26))});
        db.CommitTrans();
    }
    gDbEngine.CloseAll(); // the child must not inherit our connection
    const Check before = inspect(fx.path());
    ASSERT_TRUE(before.intact);
    ASSERT_EQ(before.rows, 3000);

    // The child changes most rows inside one transaction with a page cache
    // small enough that changed pages reach the file before the commit, then
    // dies the way a power cut or a killed program does.
    const pid_t pid = ::fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(fx.path()).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            ::_exit(2);
        sqlite3_exec(db, "PRAGMA cache_size = 8", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite3_exec(db, "UPDATE Noms SET Owners = 'changed', RaceNumber = RaceNumber + 1", nullptr, nullptr,
                            nullptr)
                   != SQLITE_OK
            || sqlite3_exec(db, "DELETE FROM Noms WHERE RaceNumber % 2 = 0", nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(3);
        ::kill(::getpid(), SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended with " << WEXITSTATUS(status);
    const QString journal = fx.path() + QStringLiteral("-journal");
    ASSERT_TRUE(QFileInfo(journal).isFile());
    ASSERT_GT(QFileInfo(journal).size(), 0);

    // The start-up path: the file check and compaction, then the program's
    // own connection.
    CompactionFailure why;
    ASSERT_TRUE(CompactLocalDatabase(&why)) << CompactionFailureMessage(why).toStdString();
    EXPECT_FALSE(QFileInfo::exists(journal));
    const Check after = inspect(fx.path());
    EXPECT_TRUE(after.intact);
    EXPECT_EQ(after.rows, before.rows);
    EXPECT_EQ(after.sum, before.sum);
    DaoRecordset rs = OpenLocalRecordset(QStringLiteral("SELECT COUNT(*) FROM Noms WHERE Owners = 'changed'"));
    EXPECT_EQ(rs.Fields(0).toInt(), 0);
    rs.Close();
    gDbEngine.CloseAll();
}

// Compacting the local database: it shrinks and keeps every row, and every
// failure (another program using the file, a failed copy or check, our own
// open transaction) leaves the original exactly as it was.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace modDatabase;

namespace
{
void fill(DbFixture& fx, int rows)
{
    DaoDatabase db = fx.db();
    db.BeginTrans();
    for (int i = 0; i < rows; ++i)
        db.Execute(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) VALUES (?, ?, ?, ?)"),
                   {QStringLiteral("M%1").arg(i % 10), i, QStringLiteral("Horse %1").arg(i),
                    QString(300, QLatin1Char('o'))});
    db.CommitTrans();
}

// A child process that opens the database and holds a lock on it until the
// parent says so. `mode`: "read" holds a read transaction, "write" a pending
// write.
class LockHolder
{
public:
    LockHolder(const QString& path, const char* mode)
    {
        int toParent[2], toChild[2];
        if (::pipe(toParent) != 0 || ::pipe(toChild) != 0)
            return;
        const QByteArray p = QFile::encodeName(path);
        m_pid = ::fork();
        if (m_pid == 0) {
            sqlite3* db = nullptr;
            char ok = 'n';
            if (sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
                const bool read = qstrcmp(mode, "read") == 0;
                const char* sql = read ? "BEGIN; SELECT COUNT(*) FROM Noms;"
                                       : "BEGIN IMMEDIATE; UPDATE Noms SET Weight = 1 WHERE rowid = 1;";
                if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
                    ok = 'y';
            }
            (void)!::write(toParent[1], &ok, 1);
            char c;
            (void)!::read(toChild[0], &c, 1);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            ::_exit(0);
        }
        m_release = toChild[1];
        char ok = 'n';
        (void)!::read(toParent[0], &ok, 1);
        m_locked = ok == 'y';
        ::close(toParent[0]);
        ::close(toParent[1]);
        ::close(toChild[0]);
    }
    ~LockHolder()
    {
        if (m_pid > 0) {
            (void)!::write(m_release, "x", 1);
            ::close(m_release);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    bool locked() const { return m_locked; }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};

class CompactionTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture fx{env};
    QString temp = env.appDir() + QStringLiteral("/temp.mdb");

    void TearDown() override { SetCompactionHook({}); }
};
} // namespace

TEST_F(CompactionTest, ShrinksAndKeepsEveryRow)
{
    fill(fx, 3000);
    fx.exec(QStringLiteral("DELETE FROM Noms WHERE RaceNumber % 4 <> 0"));
    const qint64 before = QFileInfo(fx.path()).size();
    const QVariant sum = fx.scalar(QStringLiteral("SELECT SUM(RaceNumber) FROM Noms"));
    DaoDatabase held = fx.db(); // a handle kept across the compaction

    ASSERT_TRUE(CompactLocalDatabase());
    EXPECT_TRUE(gDbEngine.IsConnected(fx.path())); // opened again, on the compacted file
    EXPECT_LT(QFileInfo(fx.path()).size(), before / 2);
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 750);
    EXPECT_EQ(held.Scalar(QStringLiteral("SELECT SUM(RaceNumber) FROM Noms")), sum);
    EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    // The handle writes to the compacted file.
    held.Execute(QStringLiteral("DELETE FROM Noms WHERE RaceNumber = ?"), {0});
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 749);
}

TEST_F(CompactionTest, StaleCopyIsReplacedButKeptWhenTheDatabaseIsMissing)
{
    {
        QFile f(temp);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left over from an earlier run");
    }
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_FALSE(QFileInfo::exists(temp));

    // Without Tarrow.mdb a temp.mdb may be the only copy left: untouched.
    ASSERT_TRUE(QFile::rename(fx.path(), temp));
    EXPECT_FALSE(CompactLocalDatabase());
    EXPECT_TRUE(QFileInfo::exists(temp));
    EXPECT_FALSE(QFileInfo::exists(fx.path()));
}

TEST_F(CompactionTest, EmptyDbPathUsesTheProgramFolder)
{
    gAppSettings.DBPath.clear();
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_TRUE(QFileInfo::exists(env.appDir() + QStringLiteral("/Tarrow.mdb")));
}

TEST_F(CompactionTest, DatabaseInUseByAnotherProgramIsLeftUntouched)
{
    fill(fx, 200);
    fx.exec(QStringLiteral("DELETE FROM Noms WHERE RaceNumber > 50"));
    gDbEngine.CloseAll(); // nothing of ours is carried into the child
    const QByteArray hash = fx.fileHash();
    for (const char* mode : {"read", "write"}) {
        LockHolder holder(fx.path(), mode);
        ASSERT_TRUE(holder.locked()) << mode;
        EXPECT_FALSE(CompactLocalDatabase()) << mode;
        EXPECT_EQ(fx.fileHash(), hash) << mode;
        EXPECT_FALSE(QFileInfo::exists(temp)) << mode;
    }
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 51);
}

TEST_F(CompactionTest, OurOwnOpenTransactionFailsIt)
{
    DaoDatabase db = fx.db();
    db.BeginTrans();
    db.Execute(QStringLiteral("INSERT INTO Jockey (Jockey) VALUES ('A')"));
    EXPECT_FALSE(CompactLocalDatabase());
    db.CommitTrans();
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_EQ(fx.count(QStringLiteral("Jockey")), 1);
}

TEST_F(CompactionTest, FailureAfterTheCopyKeepsTheOriginal)
{
    fill(fx, 300);
    fx.exec(QStringLiteral("DELETE FROM Noms WHERE RaceNumber >= 100"));
    gDbEngine.CloseAll();
    const QByteArray hash = fx.fileHash();
    for (const char* failAt : {"copied", "checked"}) {
        SetCompactionHook([failAt](const char* stage) {
            if (qstrcmp(stage, failAt) == 0)
                throw std::runtime_error("injected");
        });
        EXPECT_FALSE(CompactLocalDatabase()) << failAt;
        EXPECT_EQ(fx.fileHash(), hash) << failAt;
        EXPECT_FALSE(QFileInfo::exists(temp)) << failAt;
        EXPECT_EQ(fx.count(QStringLiteral("Noms")), 100);
        gDbEngine.CloseAll();
    }
    // A folder that cannot be written fails before anything changes.
    SetCompactionHook({});
    QFile::setPermissions(env.appDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::access(QFile::encodeName(env.appDir()).constData(), W_OK) != 0) { // not when running as root
        EXPECT_FALSE(CompactLocalDatabase());
        EXPECT_EQ(fx.fileHash(), hash);
    }
    QFile::setPermissions(env.appDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(CompactionTest, TheCompactedFileKeepsItsPermissions)
{
    fill(fx, 50);
    gDbEngine.CloseAll();
    const QByteArray file = QFile::encodeName(fx.path());
    const auto modeOf = [&file] {
        struct stat st{};
        ::stat(file.constData(), &st);
        return st.st_mode & 07777;
    };
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0644)}) {
        ASSERT_EQ(::chmod(file.constData(), mode), 0);
        EXPECT_TRUE(CompactLocalDatabase());
        EXPECT_EQ(modeOf(), mode) << std::oct << mode;
        gDbEngine.CloseAll();
    }
    // A read-only database comes back read-only (compacted or not).
    ASSERT_EQ(::chmod(file.constData(), 0440), 0);
    CompactionFailure why;
    CompactLocalDatabase(&why);
    EXPECT_EQ(modeOf(), mode_t(0440));
    gDbEngine.CloseAll();
    ::chmod(file.constData(), 0600);
}

TEST_F(CompactionTest, AFailureNamesItsCause)
{
    gDbEngine.CloseAll();
    CompactionFailure why;

    // Another program holds the file.
    {
        LockHolder holder(fx.path(), "write");
        ASSERT_TRUE(holder.locked());
        EXPECT_FALSE(CompactLocalDatabase(&why));
        EXPECT_EQ(why.kind, CompactionFailure::Kind::InUse);
        EXPECT_EQ(CompactionFailureMessage(why),
                  "Database damaged or being used by another program, please contact Hallard Support. \r\rThe file "
                      + fx.path() + " is in use by another program (perhaps another copy of Velmora).");
    }

    // A folder that cannot be written.
    QFile::setPermissions(env.appDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::access(QFile::encodeName(env.appDir()).constData(), W_OK) != 0) { // not when running as root
        EXPECT_FALSE(CompactLocalDatabase(&why));
        EXPECT_EQ(why.kind, CompactionFailure::Kind::FolderNotWritable);
        EXPECT_TRUE(CompactionFailureMessage(why).endsWith(
            "The folder " + env.appDir() + " cannot be written to, so the database cannot be compacted there."));
    }
    QFile::setPermissions(env.appDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // No room for the copy: in a child process whose files may not grow past
    // 256 KB (as on a full disk), a database of about 1 MB cannot be copied.
    fill(fx, 3000);
    gDbEngine.CloseAll();
    ASSERT_GT(QFileInfo(fx.path()).size(), 768 * 1024);
    const QByteArray hash = fx.fileHash();
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CompactionFailure inChild;
        const bool done = CompactLocalDatabase(&inChild);
        ::_exit(done ? 100 : static_cast<int>(inChild.kind));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(CompactionFailure::Kind::DiskFull));
    EXPECT_EQ(fx.fileHash(), hash);
    EXPECT_FALSE(QFileInfo::exists(temp));
    why.kind = CompactionFailure::Kind::DiskFull;
    why.path = fx.path();
    EXPECT_EQ(CompactionFailureMessage(why),
              "Database damaged or being used by another program, please contact Hallard Support. \r\rThe disk "
              "holding "
                  + fx.path() + " is full: there is no room for the compacted copy.");

    EXPECT_TRUE(CompactLocalDatabase(&why));
    EXPECT_EQ(why.kind, CompactionFailure::Kind::None);
}

TEST_F(CompactionTest, ASecondCopyOfTheProgramLeavesTheFirstOnesCopyAlone)
{
    fill(fx, 200);
    gDbEngine.CloseAll();
    // The first copy of the program is writing its temp.mdb: it holds the
    // database and the copy is there.
    {
        QFile f(temp);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the first copy's compaction in progress");
    }
    LockHolder first(fx.path(), "write");
    ASSERT_TRUE(first.locked());
    CompactionFailure why;
    EXPECT_FALSE(CompactLocalDatabase(&why));
    EXPECT_EQ(why.kind, CompactionFailure::Kind::InUse);
    QFile f(temp);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("the first copy's compaction in progress"));
}

// Compacting the local database: it shrinks and keeps every row, and every
// failure (another program using the file, a failed copy or check, our own
// open transaction) leaves the original exactly as it was.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "support/AsAnotherUser.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
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

// Leaves the rollback journal of a change killed half-way beside `path`.
bool leaveAnInterruptedChange(const QString& path)
{
    const pid_t writer = ::fork();
    if (writer == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            ::_exit(2);
        sqlite3_exec(db, "PRAGMA cache_size = 8", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, "BEGIN; UPDATE Noms SET Owners = 'changed';", nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(3);
        ::kill(::getpid(), SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    return ::waitpid(writer, &status, 0) == writer && WIFSIGNALED(status)
           && QFileInfo(path + QStringLiteral("-journal")).size() > 0;
}

// What a compaction run by a user whom file permissions bind found: the
// test's own user, or "nobody" when the tests run as root (who may write
// anywhere, whatever the modes say).
struct CompactionAsUser
{
    int status = -1; // 100: compacted; else the failure's kind; 101: no such user
    QString message;
};

CompactionAsUser compactAsAUserBoundByPermissions()
{
    const AsAnotherUser ran = RunAsAnotherUser([](QByteArray& output) {
        CompactionFailure why;
        const bool done = CompactLocalDatabase(&why);
        output = CompactionFailureMessage(why).toUtf8();
        return done ? 100 : static_cast<int>(why.kind);
    });
    return {ran.status, QString::fromUtf8(ran.output)};
}

// Gives `path` to the user compactAsAUserBoundByPermissions() runs as (a
// no-op when that is the test's own user).
void handOver(const QString& path, bool toThatUser)
{
    if (::geteuid() == 0)
        (void)!::chown(QFile::encodeName(path).constData(), toThatUser ? 65534 : 0, toThatUser ? 65534 : 0);
}

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

    // A folder that cannot be written (to a user it binds: the file is that
    // user's, its folder read-only) is no damage.
    {
        const QByteArray before = fx.fileHash();
        ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0555), 0);
        handOver(fx.path(), true);
        const CompactionAsUser readOnlyFolder = compactAsAUserBoundByPermissions();
        ::chmod(QFile::encodeName(env.appDir()).constData(), 0700);
        handOver(fx.path(), false);
        EXPECT_EQ(readOnlyFolder.status, static_cast<int>(CompactionFailure::Kind::FolderNotWritable));
        EXPECT_TRUE(readOnlyFolder.message.startsWith(
            "The folder " + env.appDir() + " cannot be written to, so the database cannot be compacted there. \r"
            "Your data is intact"))
            << readOnlyFolder.message.toStdString();
        EXPECT_FALSE(readOnlyFolder.message.contains(QLatin1String("Database damaged")));
        EXPECT_EQ(fx.fileHash(), before);
    }

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
    // A full disk is no damage: the message says what is wrong, that the data
    // is intact and what to do.
    EXPECT_EQ(CompactionFailureMessage(why),
              "The disk holding " + fx.path()
                  + " is full: there is no room for the compacted copy. \rYour data is intact: the database has been "
                    "left as it is. \rMake room on that disk (move or delete files you no longer need), then try "
                    "again.");

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

TEST_F(CompactionTest, AnInterruptedChangeInAReadOnlyPlaceIsNoDamage)
{
    fill(fx, 3000);
    gDbEngine.CloseAll(); // the children must not inherit our connection
    // A change killed half-way leaves its rollback journal beside the file.
    ASSERT_TRUE(leaveAnInterruptedChange(fx.path()));
    const QString journal = fx.path() + QStringLiteral("-journal");
    int status = 0;
    const QByteArray hash = fx.fileHash();

    // The file, its journal and its folder become read-only to the program
    // (run as another user when the test runs as root, who may write anyway).
    ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(fx.path()).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(journal).constData(), 0444), 0);
    const pid_t start = ::fork();
    if (start == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(101);
        CompactionFailure inChild;
        const bool done = CompactLocalDatabase(&inChild);
        ::_exit(done ? 100 : static_cast<int>(inChild.kind));
    }
    ASSERT_EQ(::waitpid(start, &status, 0), start);
    ::chmod(QFile::encodeName(env.appDir()).constData(), 0700);
    ::chmod(QFile::encodeName(fx.path()).constData(), 0600);
    ::chmod(QFile::encodeName(journal).constData(), 0600);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(CompactionFailure::Kind::CannotRollBack));
    EXPECT_EQ(fx.fileHash(), hash);
    EXPECT_GT(QFileInfo(journal).size(), 0);

    CompactionFailure why;
    why.kind = CompactionFailure::Kind::CannotRollBack;
    why.path = fx.path();
    why.detail = env.appDir();
    EXPECT_EQ(CompactionFailureMessage(why),
              "The database file " + fx.path()
                  + " cannot be opened: a change to it was interrupted (the program or the computer stopped in the "
                    "middle of it), and that change cannot be undone because the file or its folder "
                  + env.appDir()
                  + " cannot be written to. \rYour data is intact: the database has been left as it is. The "
                    "unfinished change is kept beside it in "
                  + fx.path()
                  + "-journal and is undone once writing is allowed. \rAllow writing to the file and its folder (or "
                    "ask whoever looks after this computer to), then start Velmora again. Do not delete the journal "
                    "file and do not restore a backup.");

    // Once writing is allowed again the change is undone and the start goes on.
    EXPECT_TRUE(CompactLocalDatabase(&why)) << CompactionFailureMessage(why).toStdString();
    EXPECT_FALSE(QFileInfo::exists(journal));
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 3000);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Noms WHERE Owners = 'changed'")).toInt(), 0);
}

TEST_F(CompactionTest, AnInterruptedChangeInAFolderThatCannotBeWrittenIsNoDamage)
{
    fill(fx, 3000);
    gDbEngine.CloseAll(); // the children must not inherit our connection
    ASSERT_TRUE(leaveAnInterruptedChange(fx.path()));
    const QString journal = fx.path() + QStringLiteral("-journal");

    // The file and its journal may be written, their folder may not: SQLite
    // can undo the change in the file but cannot remove the journal after.
    ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0555), 0);
    handOver(fx.path(), true);
    handOver(journal, true);
    const CompactionAsUser start = compactAsAUserBoundByPermissions();
    ::chmod(QFile::encodeName(env.appDir()).constData(), 0700);
    handOver(fx.path(), false);
    handOver(journal, false);

    EXPECT_EQ(start.status, static_cast<int>(CompactionFailure::Kind::CannotRollBack)) << start.message.toStdString();
    EXPECT_FALSE(start.message.contains(QLatin1String("Database damaged"))) << start.message.toStdString();
    EXPECT_TRUE(start.message.startsWith("The database file " + fx.path() + " cannot be opened: a change to it was "
                                         "interrupted"))
        << start.message.toStdString();
    EXPECT_TRUE(start.message.contains(env.appDir() + " cannot be written to. \rYour data is intact"))
        << start.message.toStdString();
    EXPECT_TRUE(QFileInfo(journal).size() > 0);

    // Once writing is allowed again the change is undone and the start goes on.
    CompactionFailure why;
    EXPECT_TRUE(CompactLocalDatabase(&why)) << CompactionFailureMessage(why).toStdString();
    EXPECT_FALSE(QFileInfo::exists(journal));
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 3000);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Noms WHERE Owners = 'changed'")).toInt(), 0);
}

TEST_F(CompactionTest, ADatabaseWhoseLockAnotherCopyHoldsIsLeftAsItIs)
{
    fill(fx, 300);
    fx.exec(QStringLiteral("DELETE FROM Noms WHERE RaceNumber >= 100"));
    gDbEngine.CloseAll();
    const QByteArray hash = fx.fileHash();
    struct stat before{};
    ASSERT_EQ(::stat(QFile::encodeName(fx.path()).constData(), &before), 0);
    {
        // Another copy of the program runs on this database: it holds the
        // lock beside it, but no transaction SQLite could see.
        QLockFile otherCopy(QFileInfo(env.appDir()).canonicalFilePath() + QStringLiteral("/Tarrow.mdb.lock"));
        ASSERT_TRUE(otherCopy.tryLock(0));
        CompactionFailure why;
        EXPECT_FALSE(CompactLocalDatabase(&why));
        EXPECT_EQ(why.kind, CompactionFailure::Kind::InUse);
        struct stat after{};
        ASSERT_EQ(::stat(QFile::encodeName(fx.path()).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino); // not replaced
        EXPECT_EQ(fx.fileHash(), hash);
        EXPECT_FALSE(QFileInfo::exists(temp));
    }
    // Once that copy has gone, the same file is compacted.
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_NE(fx.fileHash(), hash);
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 100);
}

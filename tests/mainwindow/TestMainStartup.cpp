// The main window's start-up on a temporary program folder: status lines,
// locating and compacting the database, the data-service account, the end of
// the program on a missing or damaged database, and the layout kept between
// runs.
#include "core/DatabaseLock.h"
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/frmSplash.h"
#include "core/frmState.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "mainwindow/Main.h"
#include "platform/AppPaths.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/AsAnotherUser.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <sqlite3.h>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{
ino_t inodeOf(const QString& path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Records every text the status label shows: each status line runs pending
// events, and a zero-interval timer looks at the label on each such pass.
class StatusRecorder
{
public:
    StatusRecorder()
    {
        modGlobal::SetStatusLabel(&m_label);
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }
    ~StatusRecorder() { modGlobal::SetStatusLabel(nullptr); }
    QStringList texts()
    {
        look();
        return m_texts;
    }

private:
    void look()
    {
        if (!m_label.text().isEmpty() && (m_texts.isEmpty() || m_texts.last() != m_label.text()))
            m_texts << m_label.text();
    }
    QLabel m_label;
    QTimer m_timer;
    QStringList m_texts;
};

// The program as the build leaves it: no program folder named by
// VELMORA_APP_DIR (the executable's folder is played by the test's), and the
// user's data folder under `xdg`.
class DataFolderMode
{
public:
    DataFolderMode(const QString& appDir, const QString& xdg)
        : m_app(qgetenv("VELMORA_APP_DIR"))
        , m_data(qgetenv("XDG_DATA_HOME"))
    {
        qunsetenv("VELMORA_APP_DIR");
        qputenv("XDG_DATA_HOME", QFile::encodeName(xdg));
        AppPaths::setExecutableDirForTesting(appDir);
    }
    ~DataFolderMode()
    {
        AppPaths::setExecutableDirForTesting(QString());
        qputenv("VELMORA_APP_DIR", m_app);
        if (m_data.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_data);
    }

private:
    QByteArray m_app, m_data;
};

void addJockey(const QString& file, const char* name)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    const QString sql = QStringLiteral("INSERT INTO Jockey (Jockey) VALUES ('%1')").arg(QLatin1String(name));
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QStringList jockeys(const QString& file)
{
    QStringList names;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT Jockey FROM Jockey ORDER BY Jockey", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return names;
}

// The bookings kept in a folder away from the data folder: a database with
// rows enough, two thirds of them deleted, so that a compaction makes it
// smaller.
struct KeptElsewhere
{
    explicit KeptElsewhere(const TestEnv& env, const QString& folder)
    {
        QDir().mkpath(folder);
        real = env.installTemplateDatabase(folder);
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(real).constData(), &db);
        EXPECT_EQ(sqlite3_exec(db,
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                               "INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) "
                               "SELECT 'ZZ', i, 'Horse ' || i, printf('%.300c', 'o') FROM n; "
                               "DELETE FROM Noms WHERE RaceNumber % 3 <> 0;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        addJockey(real, "Kept Elsewhere");
        size = QFileInfo(real).size();
        inode = inodeOf(real);
    }

    // After a start that reached it through links: compacted where it lies
    // (a new, smaller file with every row kept, no copy left beside it), and
    // its lock the one its own name takes.
    void expectCompactedWhereItLies() const
    {
        EXPECT_NE(inodeOf(real), inode);
        EXPECT_LT(QFileInfo(real).size(), size);
        EXPECT_EQ(jockeys(real), QStringList{QStringLiteral("Kept Elsewhere")});
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(real).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        int rows = -1;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Noms WHERE MeetingCode = 'ZZ'", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            rows = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        EXPECT_EQ(rows, 500);
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(real).absolutePath() + QStringLiteral("/temp.mdb")));
        DatabaseLock::FileLock byItsOwnName(real);
        EXPECT_EQ(byItsOwnName.take(), DatabaseLock::Outcome::OpenElsewhere);
    }

    QString real;
    qint64 size = 0;
    ino_t inode = 0;
};

int tableCount(const QString& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    int n = -1;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr)
            == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

// What a start by another user found: run in a child process as "nobody"
// when the tests run as root (who may write anywhere, whatever the modes
// say), else as the test's own user.
struct StartAsAnotherUser
{
    int status = -1; // the body's result; 101: no such user; -1: did not end
    QString messages; // the texts of the messages it showed, one a line
};

StartAsAnotherUser startAsAnotherUser(const std::function<int()>& body)
{
    const AsAnotherUser ran = RunAsAnotherUser([&](QByteArray& output) {
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        gAppSettings = cAppSettings();
        const int result = body();
        QStringList texts;
        for (const Prompts::Record& m : script.messages())
            texts << m.text;
        output = texts.join(QLatin1Char('\n')).toUtf8();
        return result;
    });
    return {ran.status, QString::fromUtf8(ran.output)};
}

class MainStartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.installSounds();
        dbFile = env.installTemplateDatabase();
        // The jockey results refresh must never reach beyond this machine:
        // a closed local port refuses at once.
        cAppSettings s;
        s.DataServer = QStringLiteral("127.0.0.1:1");
        s.AlreadyUpgraded = true;
        ASSERT_TRUE(s.SaveSettings());
        modDatabase::SetHttpTimeLimit(3000);
        Main::destroyInstance();
    }
    void TearDown() override
    {
        Main::destroyInstance();
        modDatabase::SetHttpTimeLimit(0);
    }

    static void store(const std::function<void(cAppSettings&)>& change)
    {
        cAppSettings s;
        s.LoadSettings();
        change(s);
        ASSERT_TRUE(s.SaveSettings());
    }
    static cAppSettings stored()
    {
        cAppSettings s;
        s.LoadSettings();
        return s;
    }
    /** A fresh main window's load, as the program's next start would run it. */
    static Main* start()
    {
        Main::destroyInstance();
        gAppSettings = cAppSettings();
        Main* w = Main::instance();
        w->Form_Load();
        return w;
    }

    // A start as the program makes it: the start-up window looks first (and
    // goes on), then the main window.
    static Main* startAfterSplash()
    {
        gAppSettings = cAppSettings();
        {
            frmSplash splash([] {});
            splash.Form_Load();
            EXPECT_FALSE(splash.startRefused());
        }
        Main* w = Main::instance();
        w->Form_Load();
        return w;
    }

    // A start that goes on and says nothing of the database: only the
    // unreachable data service may speak.
    void startsWithoutAWordOnTheDatabase()
    {
        Main* w = start();
        ASSERT_FALSE(w->ProgramEnded());
        for (const auto& m : script.messages())
            EXPECT_FALSE(m.text.contains(QStringLiteral("Tarrow.mdb"))) << m.text.toStdString();
    }

    TestEnv env;
    Prompts::Script script;
    QString dbFile;
};

TEST_F(MainStartupTest, StartsOnTheTemplateDatabaseStepByStep)
{
    StatusRecorder status;
    store([](cAppSettings& s) { s.RegNo = QStringLiteral("secret"); });
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());

    const QStringList expected = {
        QStringLiteral("Loading Application Settings..."),
        QStringLiteral("Compact The Database..."),
        QStringLiteral("Checking Database for Updates..."),
        QStringLiteral("Loading Jockey and Race Data..."),
        QStringLiteral("Setting up Main Form..."),
        QStringLiteral("Loading Data into Grid - setup grdMeeting..."),
        QStringLiteral("Loading Data into Grid - setup grdJockey..."),
        QStringLiteral("Loading Data into Grid - Load grdMeeting..."),
        QStringLiteral("Loading Data into Grid - Load grdJockey..."),
        QStringLiteral("Loading Data into Grid - Load grdNames..."),
        QStringLiteral("Loading Settings..."),
    };
    const QStringList seen = status.texts();
    // The loaders add lines of their own between the steps; the steps come in
    // this order, and every line ends with "...".
    int at = 0;
    for (const QString& text : seen) {
        EXPECT_TRUE(text.endsWith(QStringLiteral("..."))) << text.toStdString();
        if (at < expected.size() && text == expected[at])
            ++at;
    }
    EXPECT_EQ(at, expected.size()) << seen.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(seen.last(), QStringLiteral("Loading Settings..."));

    EXPECT_EQ(w->windowTitle(), QStringLiteral("Velmora 2 Version 2.6.18"));
    // The default folder is used, not stored: only a folder the user picks is.
    EXPECT_EQ(gAppSettings.DBPath, QString());
    EXPECT_EQ(modDatabase::LocalDatabasePath(), dbFile);
    // No user name of its own: the built-in account, also as password.
    EXPECT_EQ(modDatabase::gRemoteUser, QStringLiteral("Kelp"));
    EXPECT_EQ(modDatabase::gRemotePass, QStringLiteral("Kelp"));
    EXPECT_TRUE(w->CmdGetData->isEnabled());
    EXPECT_FALSE(w->CmdGetData->isHidden());
    EXPECT_TRUE(w->cmdBrowse->isEnabled());
    EXPECT_EQ(w->grdNames->columns(), 6);
    EXPECT_EQ(w->grdNoms->columns(), 16);
    EXPECT_GE(w->grdMeeting->columns(), 1);
    EXPECT_GE(w->grdJockey->columns(), 1);
    EXPECT_TRUE(w->MeetingInList.isEmpty());
    EXPECT_FALSE(QFile::exists(env.appDir() + QStringLiteral("/temp.mdb")));
    EXPECT_TRUE(script.records().isEmpty());
    // The schema step stores the settings, the database folder left unset.
    EXPECT_EQ(stored().DBPath, QString());
}

TEST_F(MainStartupTest, OwnDataServiceAccountIsUsed)
{
    store([](cAppSettings& s) { s.UserName = QStringLiteral("bob"); });
    start();
    EXPECT_EQ(modDatabase::gRemoteUser, QStringLiteral("bob"));
    EXPECT_EQ(modDatabase::gRemotePass, QString());
}

TEST_F(MainStartupTest, MissingDatabaseIsAskedFor)
{
    const QString elsewhere = env.root() + QStringLiteral("/data");
    QDir().mkpath(elsewhere);
    const QString chosen = env.installTemplateDatabase(elsewhere);
    QFile::remove(dbFile);
    script.answerOpenFiles({chosen});

    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records().first().kind, Prompts::Kind::OpenFile);
    EXPECT_EQ(script.records().first().title, QStringLiteral("Velmora Database (Tarrow.mdb)"));
    EXPECT_EQ(gAppSettings.DBPath, elsewhere);
    EXPECT_EQ(stored().DBPath, elsewhere);
    EXPECT_FALSE(QFile::exists(dbFile));
}

TEST_F(MainStartupTest, CancelledDialogEndsTheProgramSilently)
{
    QFile::remove(dbFile);
    const QByteArray before = fileBytes(env.registryFile());
    script.answerOpenFiles({});
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    EXPECT_TRUE(script.messages().isEmpty());
    w->close(); // even a close afterwards saves nothing
    EXPECT_EQ(fileBytes(env.registryFile()), before);
}

TEST_F(MainStartupTest, DamagedOrLockedDatabaseEndsTheProgram)
{
    const QString critical =
        QStringLiteral("Database damaged or being used by another program, please contact Hallard Support.");
    const QByteArray settingsBefore = fileBytes(env.registryFile());

    // Held by another program: an exclusive transaction of a second handle.
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(dbFile.toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const QByteArray dbBefore = fileBytes(dbFile);
        script.answerMsgBox(Prompts::vbOK);
        Main* w = start();
        EXPECT_TRUE(w->ProgramEnded());
        EXPECT_NE(w->EndCode(), 0);
        ASSERT_EQ(script.messages().size(), 1);
        // The usual text, then the cause.
        EXPECT_EQ(script.messages().first().text,
                  critical + " \r\rThe file " + dbFile
                      + " is in use by another program (perhaps another copy of Velmora).");
        EXPECT_EQ(script.messages().first().title, QStringLiteral("Critical Error"));
        EXPECT_EQ(script.messages().first().style, Prompts::vbCritical);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_EQ(fileBytes(dbFile), dbBefore);
        EXPECT_EQ(fileBytes(env.registryFile()), settingsBefore);
    }

    // Damaged: not a database at all. Through the start-up window's factory,
    // so the window is never shown and the splash goes away.
    script.clear();
    {
        QFile f(dbFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(4096, 'x'));
    }
    const QByteArray damaged = fileBytes(dbFile);
    script.answerMsgBox(Prompts::vbOK);
    gAppSettings = cAppSettings();
    Main::destroyInstance();
    frmSplash::SetMainWindowFactory(&Main::ShowAtStartup);
    {
        frmSplash splash([] {});
        splash.Form_Load();
        splash.show();
        QTest::keyClick(&splash, Qt::Key_Return);
        EXPECT_FALSE(splash.isVisible());
        EXPECT_FALSE(Main::hasInstance());
    }
    frmSplash::SetMainWindowFactory({});
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages().first().text,
              critical + " \r\rThe file " + dbFile
                  + " is not a database file: it is damaged or of another kind. \rThe file has been left as it is.");
    EXPECT_EQ(fileBytes(dbFile), damaged);
    EXPECT_FALSE(QFile::exists(env.appDir() + QStringLiteral("/temp.mdb")));
    EXPECT_EQ(fileBytes(env.registryFile()), settingsBefore);
}

TEST_F(MainStartupTest, EmptyForeignAndAccessFilesAreRefusedAsTheyAre)
{
    const auto writeFile = [this](const QByteArray& bytes) {
        QFile f(dbFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const QString left = QStringLiteral(" \rThe file has been left as it is.");
    struct Case
    {
        const char* what;
        std::function<void()> make;
        QString message;
    };
    const QList<Case> cases = {
        {"empty", [&] { writeFile(QByteArray()); },
         "The database file " + dbFile + " is empty (0 bytes): it holds no Velmora data." + left
             + " \rRestore Tarrow.mdb from a backup, or move the empty file away to choose the database at the "
               "next start."},
        // A journal left beside it would damage any database put there.
        {"empty beside a journal",
         [&] {
             writeFile(QByteArray());
             QFile journal(dbFile + QStringLiteral("-journal"));
             ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
             journal.write(QByteArray(512, 'j'));
         },
         "The database file " + dbFile + " is empty (0 bytes): it holds no Velmora data." + left
             + " \rMove both the empty file and the journal " + dbFile
             + "-journal beside it away (a backup put back beside that journal would be damaged by it), then "
               "restore Tarrow.mdb from a backup, or choose the database at the next start."},
        {"access",
         [&] {
             ASSERT_TRUE(QFile::remove(dbFile + QStringLiteral("-journal")));
             QByteArray jet(4096, '\0');
             jet.replace(4, 15, "Standard Jet DB");
             writeFile(jet);
         },
         "The database file " + dbFile
             + " is a Microsoft Access database. This program keeps its data in an SQLite database file and cannot "
               "read Access files."
             + left},
        {"foreign",
         [&] {
             QFile::remove(dbFile);
             sqlite3* other = nullptr;
             ASSERT_EQ(sqlite3_open(dbFile.toUtf8().constData(), &other), SQLITE_OK);
             sqlite3_exec(other, "CREATE TABLE Photos (Name TEXT); INSERT INTO Photos VALUES ('beach');", nullptr,
                          nullptr, nullptr);
             sqlite3_close(other);
         },
         "The database file " + dbFile
             + " is an SQLite database, but not a Velmora database: it lacks the tables Meeting, Race, Noms, "
               "Bookings, Trainer, Jockey, RaceStats, BookingTemplate, BookRate, RaceType, RBHTable."
             + left},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const QByteArray before = fileBytes(dbFile);
        script.clear();
        script.answerMsgBox(Prompts::vbOK);
        Main* w = start();
        EXPECT_TRUE(w->ProgramEnded());
        ASSERT_EQ(script.messages().size(), 1); // one clear message, no raw SQL ones
        EXPECT_EQ(script.messages()[0].text, c.message);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Critical Error"));
        EXPECT_EQ(fileBytes(dbFile), before);
        EXPECT_FALSE(QFile::exists(env.appDir() + QStringLiteral("/temp.mdb")));
        Main::destroyInstance();
        modDatabase::gDbEngine.CloseAll();
    }
}

TEST_F(MainStartupTest, ADamagedSettingsFileIsToldAtStartUp)
{
    {
        QFile f(env.registryFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{\"keys\": [");
    }
    script.answerMsgBox(Prompts::vbOK);
    Main* w = start();
    ASSERT_GE(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_TRUE(script.messages()[0].text.contains(env.registryFile() + QStringLiteral(".bak")));
    EXPECT_EQ(fileBytes(env.registryFile() + QStringLiteral(".bak")), QByteArray("{\"keys\": ["));
    w->close();
    EXPECT_EQ(fileBytes(env.registryFile() + QStringLiteral(".bak")), QByteArray("{\"keys\": ["));
}

TEST_F(MainStartupTest, SplashKeyStartsTheMainWindowWhichClosesTheSplash)
{
    frmSplash::SetMainWindowFactory(&Main::ShowAtStartup);
    frmSplash splash([] {});
    splash.Form_Load();
    splash.show();
    QTest::keyClick(&splash, Qt::Key_Space);
    frmSplash::SetMainWindowFactory({});
    ASSERT_TRUE(Main::hasInstance());
    EXPECT_TRUE(Main::instance()->isVisible());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.findChild<QLabel*>(QStringLiteral("lblStatus"))->text(), QStringLiteral("Loading Settings..."));
    // The timer's tick after the key must not load a second main window.
    Main* first = Main::instance();
    QTest::qWait(700);
    EXPECT_EQ(Main::instance(), first);
}

TEST_F(MainStartupTest, LayoutIsKeptFromOneRunToTheNext)
{
    Main* w = start();
    w->show();
    w->grdNames->setColWidth(1, 150);
    // Any width the window allows (it keeps every nominations column in view).
    const int width = w->minimumWidth() + 40;
    w->setGeometry(120, 90, width, 640);
    w->grdNames->setColOrder({3, 4, 2, 1, 5, 6});
    w->grdNoms->setColWidth(16, 77);
    w->grdNoms->setColPosition(16, 1);
    const QString nomsOrder = w->grdNoms->colOrderList();
    w->close();

    cAppSettings s = stored();
    EXPECT_EQ(s.MainTrainerOrder, QStringLiteral("3,4,2,1,5,6"));
    EXPECT_TRUE(s.MainTrainerWidth.startsWith(QStringLiteral("150,")));
    EXPECT_EQ(s.MainTrainerWidth.split(QLatin1Char(',')).size(), 6);
    EXPECT_EQ(s.MainNomsOrder, nomsOrder);
    EXPECT_EQ(s.MainNomsOrder.split(QLatin1Char(',')).size(), 16);
    EXPECT_TRUE(s.MainNomsWidth.endsWith(QStringLiteral(",77")));
    EXPECT_EQ(s.MainLeft, 120 * 15);
    EXPECT_EQ(s.MainTop, 90 * 15);
    EXPECT_EQ(s.MainWidth, width * 15);
    EXPECT_EQ(s.MainHeight, 640 * 15);
    EXPECT_FALSE(s.MainMax);

    w = start();
    EXPECT_EQ(w->geometry(), QRect(120, 90, width, 640));
    EXPECT_EQ(w->grdNames->colOrderList(), QStringLiteral("3,4,2,1,5,6"));
    EXPECT_EQ(w->grdNames->colWidth(1), 150);
    EXPECT_EQ(w->grdNoms->colOrderList(), nomsOrder);
    EXPECT_EQ(w->grdNoms->colWidth(16), 77);
    EXPECT_FALSE(w->isMaximized());
}

TEST_F(MainStartupTest, OnlyStoredValuesAboveZeroAreApplied)
{
    Main* first = start();
    const QRect design = first->geometry();
    // A width the window allows (it keeps every nominations column in view).
    const int width = first->minimumWidth() + 30;
    store([width](cAppSettings& s) {
        s.MainLeft = 0;
        s.MainTop = 600; // 40 px
        s.MainWidth = width * 15;
        s.MainHeight = -15;
        s.MainNomsWidth = QStringLiteral("abc,,0,45px");
    });
    Main* w = start();
    const QRect g = w->geometry();
    EXPECT_EQ(g.x(), design.x());
    EXPECT_EQ(g.y(), 40);
    EXPECT_EQ(g.width(), width);
    EXPECT_EQ(g.height(), design.height());
    EXPECT_EQ(w->grdNoms->colWidth(4), 45);
    Main fresh; // a second window, only for its set-up widths
    fresh.SetupNomsGrid();
    for (int col = 1; col <= 3; ++col)
        EXPECT_EQ(w->grdNoms->colWidth(col), fresh.grdNoms->colWidth(col)) << col;
}

TEST_F(MainStartupTest, MaximisedWindowComesBackMaximisedOnly)
{
    Main* w = start();
    w->showMaximized();
    QTest::qWait(20);
    ASSERT_TRUE(w->isMaximized());
    const QRect covered = w->geometry();
    w->close();
    cAppSettings s = stored();
    EXPECT_TRUE(s.MainMax);
    EXPECT_EQ(s.MainWidth, covered.width() * 15); // stored as well, never applied

    store([](cAppSettings& c) {
        c.MainLeft = 1500;
        c.MainWidth = 3000;
    });
    w = start();
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
    EXPECT_NE(w->geometry().x(), 100);
    EXPECT_NE(w->geometry().width(), 200);
}

TEST_F(MainStartupTest, MinimisedWindowStoresItsNormalPlace)
{
    Main* w = start();
    w->show();
    const int width = w->minimumWidth() + 20;
    w->setGeometry(200, 150, width, 500);
    w->showMinimized();
    QTest::qWait(20);
    w->close();
    cAppSettings s = stored();
    EXPECT_EQ(s.MainLeft, 200 * 15);
    EXPECT_EQ(s.MainTop, 150 * 15);
    EXPECT_EQ(s.MainWidth, width * 15);
    EXPECT_EQ(s.MainHeight, 500 * 15);
    EXPECT_FALSE(s.MainMax);
}

TEST_F(MainStartupTest, RefreshTakesTheSelectedMeetings)
{
    Main* w = start();
    Grid* g = w->grdMeeting;
    g->clearRows();
    g->setRows(3);
    g->setCellText(1, 1, QStringLiteral("0101FLEM"));
    g->setCellText(2, 1, QStringLiteral("0201O'X"));
    g->setCellText(3, 1, QStringLiteral("0301CAUL"));
    g->setSelectedCell(1, 1);
    g->selectRowToo(2);
    w->grdNoms->setRows(2);
    w->txtRace->setPlainText(QStringLiteral("Race 1"));
    for (QLineEdit* box : {w->txtTrainerName, w->txtTrainLocation, w->txtTrainMobile, w->TxtTrainPhone})
        box->setText(QStringLiteral("x"));

    w->cmdReload->click();
    EXPECT_EQ(w->MeetingInList, QStringLiteral("( '0101FLEM', '0201O''X')"));
    EXPECT_EQ(w->grdNoms->rows(), 0);
    EXPECT_TRUE(w->txtRace->toPlainText().isEmpty());
    for (QLineEdit* box : {w->txtTrainerName, w->txtTrainLocation, w->txtTrainMobile, w->TxtTrainPhone})
        EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(script.messages().isEmpty()); // the quoted code gives valid SQL

    g->clearSelectedCells();
    w->cmdReload->click();
    EXPECT_TRUE(w->MeetingInList.isEmpty());
}

TEST_F(MainStartupTest, ASecondCopyIsRefusedWhileTheFirstHoldsTheDatabase)
{
    // The first copy: another process that took the database's lock at its
    // start and keeps an idle connection open, as an open window does.
    const QString lockFile = QFileInfo(env.appDir()).canonicalFilePath() + QStringLiteral("/Tarrow.mdb.lock");
    modDatabase::gDbEngine.CloseAll();
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t first = ::fork();
    if (first == 0) {
        ::close(toChild[1]); // a parent gone for any reason ends this copy too
        ::close(toParent[0]);
        QLockFile lock(lockFile);
        lock.setStaleLockTime(0);
        sqlite3* db = nullptr;
        const bool ok = lock.tryLock(0)
                        && sqlite3_open_v2(QFile::encodeName(dbFile).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
                               == SQLITE_OK
                        && sqlite3_exec(db, "SELECT COUNT(*) FROM Jockey", nullptr, nullptr, nullptr) == SQLITE_OK;
        (void)!::write(toParent[1], ok ? "y" : "n", 1);
        char c;
        (void)!::read(toChild[0], &c, 1);
        ::_exit(0);
    }
    ::close(toParent[1]);
    ::close(toChild[0]);
    struct Child
    {
        pid_t pid;
        int release;
        ~Child()
        {
            ::close(release);
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } child{first, toChild[1]};
    char ok = 'n';
    (void)!::read(toParent[0], &ok, 1);
    ::close(toParent[0]);
    ASSERT_EQ(ok, 'y');
    const ino_t inode = inodeOf(dbFile);
    const QByteArray bytes = fileBytes(dbFile);
    const QString refused = "The database " + dbFile
                            + " is already open in another copy of Velmora. \rThis copy stops and leaves the database "
                              "as it is. Go on working in the copy that is open, or close it and start Velmora again.";

    // Through the start-up window: no take-over, no main window.
    store([](cAppSettings& s) { s.AlreadyUpgraded = false; });
    script.answerMsgBox(Prompts::vbOK);
    int migrations = 0;
    {
        gAppSettings = cAppSettings();
        frmSplash splash([&] { ++migrations; });
        splash.Form_Load();
        EXPECT_TRUE(splash.startRefused());
    }
    EXPECT_EQ(migrations, 0);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, refused);
    EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);
    // And the main window's own load: no compaction either.
    script.clear();
    script.answerMsgBox(Prompts::vbOK);
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    EXPECT_NE(w->EndCode(), 0);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, refused);
    EXPECT_EQ(inodeOf(dbFile), inode);
    EXPECT_EQ(fileBytes(dbFile), bytes);
    EXPECT_FALSE(QFile::exists(env.appDir() + QStringLiteral("/temp.mdb")));
    Main::destroyInstance();

    // The first copy is killed: its lock is taken over at the next start.
    ::kill(first, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    child.pid = -1;
    script.clear();
    w = start();
    EXPECT_FALSE(w->ProgramEnded());
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(MainStartupTest, TheWorkingDatabaseLivesInTheDataFolderAndOutlastsTheTemplate)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString dataDir = AppPaths::dataDir();
    ASSERT_TRUE(dataDir.startsWith(env.root() + QStringLiteral("/xdg/")));
    const QString working = dataDir + QStringLiteral("/Tarrow.mdb");

    // An earlier version kept the user's data in the program folder's file
    // and stored that folder as the database folder.
    addJockey(dbFile, "A Carried Over");
    store([this](cAppSettings& s) { s.DBPath = env.appDir(); });

    // The first start makes the working database from it and uses it.
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    for (const auto& m : script.messages()) // only the unreachable data service may speak
        EXPECT_FALSE(m.text.contains(QStringLiteral("Tarrow.mdb"))) << m.text.toStdString();
    // The program folder stored by the earlier version still means the data
    // folder, and nothing new is stored for it.
    EXPECT_EQ(modDatabase::LocalDatabaseFolder(), dataDir);
    EXPECT_EQ(stored().DBPath, env.appDir());
    EXPECT_EQ(jockeys(working), QStringList{QStringLiteral("A Carried Over")});
    Main::destroyInstance();
    modDatabase::gDbEngine.CloseAll();
    addJockey(working, "B After The First Start");

    // A rebuild puts an empty template over the program folder's file; the
    // next start keeps the working database's rows.
    env.installTemplateDatabase();
    const QByteArray freshTemplate = fileBytes(dbFile);
    w = start();
    ASSERT_FALSE(w->ProgramEnded());
    EXPECT_EQ(jockeys(working), (QStringList{QStringLiteral("A Carried Over"), QStringLiteral("B After The First Start")}));
    EXPECT_EQ(fileBytes(dbFile), freshTemplate);

    // System Defaults shows the folder used, also for an empty setting.
    gAppSettings.DBPath.clear();
    frmState state;
    state.LoadFields();
    ASSERT_NE(state.findChild<QLineEdit*>(QStringLiteral("txtDBPath")), nullptr);
    EXPECT_EQ(state.findChild<QLineEdit*>(QStringLiteral("txtDBPath"))->text(), dataDir);
}

TEST_F(MainStartupTest, AChangeOfDatabaseFolderTakesTheNewLockFirstAndLetsTheOldOneGo)
{
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    const QString other = env.root() + QStringLiteral("/other");
    const QString busy = env.root() + QStringLiteral("/busy");
    QDir().mkpath(other);
    QDir().mkpath(busy);
    const QString otherDb = env.installTemplateDatabase(other);
    const QString busyDb = env.installTemplateDatabase(busy);
    // Another copy of the program works on the database in `busy`.
    QLockFile busyCopy(DatabaseLock::LockFileFor(busyDb));
    busyCopy.setStaleLockTime(0);
    ASSERT_TRUE(busyCopy.tryLock(0));
    const auto changeFolderTo = [](frmState& form, const QString& folder) {
        form.findChild<QLineEdit*>(QStringLiteral("txtDBPath"))->setText(folder);
        form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    };
    script.clear();

    // Refused: this copy goes on with its own database and its lock.
    {
        frmState form;
        form.LoadFields();
        form.show();
        script.answerMsgBox(Prompts::vbOK);
        changeFolderTo(form, busy);
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_TRUE(script.messages()[0].text.startsWith("The database " + busyDb
                                                         + " is already open in another copy of Velmora."))
            << script.messages()[0].text.toStdString();
        EXPECT_EQ(modDatabase::LocalDatabasePath(), dbFile);
        EXPECT_EQ(stored().DBPath, QString());
        EXPECT_TRUE(DatabaseLock::HeldByRun(dbFile));
    }

    // Taken: the new database's lock is this copy's before it is used, and
    // the old one is let go.
    script.clear();
    {
        frmState form;
        form.LoadFields();
        form.show();
        changeFolderTo(form, other);
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_EQ(modDatabase::LocalDatabasePath(), otherDb);
    EXPECT_EQ(stored().DBPath, other);
    QLockFile fromOutside(DatabaseLock::LockFileFor(otherDb));
    fromOutside.setStaleLockTime(0);
    EXPECT_FALSE(fromOutside.tryLock(0));
    DatabaseLock::FileLock secondStart(otherDb);
    EXPECT_EQ(secondStart.take(), DatabaseLock::Outcome::OpenElsewhere);
    DatabaseLock::FileLock oldOne(dbFile);
    EXPECT_EQ(oldOne.take(), DatabaseLock::Outcome::Held);
}

TEST_F(MainStartupTest, StartsThatInterleaveLeaveExactlyOneCopyHoldingTheDatabase)
{
    struct NoHook
    {
        ~NoHook() { DatabaseLock::SetBeforeLockHookForTesting({}); }
    } noHook;
    const auto held = [](DatabaseLock::Outcome o) { return o == DatabaseLock::Outcome::Held ? 1 : 0; };

    // The first copy has made its lock file but not yet locked it when the
    // second start looks.
    {
        DatabaseLock::FileLock first(dbFile);
        DatabaseLock::FileLock second(dbFile);
        DatabaseLock::Outcome secondOutcome = DatabaseLock::Outcome::NotPossible;
        DatabaseLock::SetBeforeLockHookForTesting([&] {
            DatabaseLock::SetBeforeLockHookForTesting({});
            EXPECT_TRUE(QFileInfo::exists(DatabaseLock::LockFileFor(dbFile)));
            secondOutcome = second.take();
        });
        const DatabaseLock::Outcome firstOutcome = first.take();
        EXPECT_EQ(held(firstOutcome) + held(secondOutcome), 1);
        EXPECT_NE(firstOutcome, DatabaseLock::Outcome::Unusable);
        EXPECT_NE(secondOutcome, DatabaseLock::Outcome::Unusable);
    }
    // The second copy ran and ended in between (its lock file removed):
    // the first still gets a lock, on the file now beside the database, and
    // a third start is refused.
    {
        DatabaseLock::FileLock first(dbFile);
        DatabaseLock::SetBeforeLockHookForTesting([&] {
            DatabaseLock::SetBeforeLockHookForTesting({});
            DatabaseLock::FileLock second(dbFile);
            EXPECT_EQ(second.take(), DatabaseLock::Outcome::Held);
        });
        EXPECT_EQ(first.take(), DatabaseLock::Outcome::Held);
        EXPECT_TRUE(QFileInfo::exists(DatabaseLock::LockFileFor(dbFile)));
        DatabaseLock::FileLock third(dbFile);
        EXPECT_EQ(third.take(), DatabaseLock::Outcome::OpenElsewhere);
    }
    // A lock file left empty by a copy killed before it locked it is taken
    // over, through the system lock.
    QFile left(DatabaseLock::LockFileFor(dbFile));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    Main* w = start();
    EXPECT_FALSE(w->ProgramEnded());
    EXPECT_TRUE(DatabaseLock::HeldByRun(dbFile));
}

TEST_F(MainStartupTest, ALockFileThatCannotBeUsedIsToldAsSuchNotAsAnotherCopy)
{
    // Something that is no lock file stands where the lock belongs.
    const QString lockFile = DatabaseLock::LockFileFor(dbFile);
    ASSERT_TRUE(QDir().mkpath(lockFile));
    const QByteArray bytes = fileBytes(dbFile);
    script.answerMsgBox(Prompts::vbOK);
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.startsWith("The lock file " + lockFile + " beside the database " + dbFile
                                + " cannot be used: Is a directory."))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("is already open in another copy")));
    EXPECT_TRUE(text.contains(QStringLiteral("remove that file")));
    EXPECT_EQ(fileBytes(dbFile), bytes);
}

TEST_F(MainStartupTest, ACopyThatEndsLeavesNoLockFileInAnotherUsersWay)
{
    const QString lockFile = DatabaseLock::LockFileFor(dbFile);
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    ASSERT_TRUE(QFileInfo::exists(lockFile));
    // The run ends as the program ends it.
    w->close();
    Main::destroyInstance();
    modDatabase::gDbEngine.CloseAll();
    DatabaseLock::ReleaseRun();
    EXPECT_FALSE(QFileInfo::exists(lockFile));

    // Another user may write the folder and the database, though not a lock
    // file this run could have left there: the start opens the database and
    // says nothing.
    ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dbFile).constData(), 0666), 0);
    const StartAsAnotherUser other = startAsAnotherUser([] {
        int result = 0;
        modDatabase::CompactionFailure why;
        if (!modGlobal::TakeDatabaseForThisRun())
            result = 1;
        else if (!modDatabase::CompactLocalDatabase(&why))
            result = 2;
        else if (modDatabase::OpenLocalRecordset(QStringLiteral("SELECT COUNT(*) FROM Jockey")).Eof())
            result = 3;
        DatabaseLock::ReleaseRun();
        return result;
    });
    EXPECT_EQ(other.status, 0) << other.messages.toStdString();
    EXPECT_TRUE(other.messages.isEmpty()) << other.messages.toStdString();
}

TEST_F(MainStartupTest, AStartBesideAnotherUsersLiveCopyIsToldAsAnotherCopy)
{
    // This process plays the live copy: it holds the database's lock, in a
    // lock file that the other user may read but not write.
    modDatabase::gDbEngine.CloseAll();
    DatabaseLock::FileLock live(dbFile);
    ASSERT_EQ(live.take(), DatabaseLock::Outcome::Held);
    ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(live.lockFile()).constData(), 0644), 0);
    const QByteArray bytes = fileBytes(dbFile);

    const StartAsAnotherUser other = startAsAnotherUser([] { return modGlobal::TakeDatabaseForThisRun() ? 0 : 1; });
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.messages, DatabaseLock::OpenElsewhereMessage(dbFile));
    EXPECT_TRUE(other.messages.contains(QStringLiteral("is already open in another copy")));
    EXPECT_FALSE(other.messages.contains(QStringLiteral("remove that file"))) << other.messages.toStdString();
    EXPECT_EQ(fileBytes(dbFile), bytes);
    EXPECT_TRUE(live.isHeld());
}

TEST_F(MainStartupTest, AnInstalledCopyAsksForTheDatabaseOfAStoredFolderWithoutOne)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString chosen = env.root() + QStringLiteral("/bookings");
    ASSERT_TRUE(QDir().mkpath(chosen));
    store([&](cAppSettings& s) { s.DBPath = chosen; });

    script.answerOpenFiles({});
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::OpenFile);
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Velmora Database (Tarrow.mdb)"));
    EXPECT_FALSE(QFileInfo::exists(chosen + QStringLiteral("/Tarrow.mdb")));
    EXPECT_FALSE(QFileInfo::exists(AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb")));
    EXPECT_EQ(stored().DBPath, chosen);
}

TEST_F(MainStartupTest, ABrokenTemplateIsNeverMadeTheWorkingDatabase)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString working = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    const QByteArray goodTemplate = fileBytes(dbFile);
    QFile(dbFile).resize(0);

    // Told once, with the file and what to do; the window to pick a
    // database follows, and nothing is made.
    script.answerMsgBox(Prompts::vbOK).answerOpenFiles({});
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.startsWith("The program's template database " + dbFile + " is broken: it holds no tables."))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing was changed.")));
    EXPECT_TRUE(text.contains(QStringLiteral("pick a database in the window that follows")));
    EXPECT_EQ(script.records().last().kind, Prompts::Kind::OpenFile);
    EXPECT_FALSE(QFile::exists(working));
    EXPECT_EQ(stored().DBPath, QString());
    Main::destroyInstance();

    // What an earlier broken start could leave, a working database without a
    // table, is made again once the template is whole.
    QFile empty(working);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile repaired(dbFile);
    ASSERT_TRUE(repaired.open(QIODevice::WriteOnly));
    repaired.write(goodTemplate);
    repaired.close();
    script.clear();
    w = start();
    ASSERT_FALSE(w->ProgramEnded());
    for (const auto& m : script.messages())
        EXPECT_FALSE(m.text.contains(QStringLiteral("Tarrow.mdb"))) << m.text.toStdString();
    EXPECT_EQ(modDatabase::LocalDatabasePath(), working);
    EXPECT_TRUE(jockeys(working).isEmpty());
    EXPECT_GT(QFileInfo(working).size(), 0);
}

TEST_F(MainStartupTest, OnlyAOnePageWorkingDatabaseWithoutTablesIsMadeAgain)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString working = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    const auto tables = tableCount;
    const auto startsOnAFreshCopy = [&] {
        script.clear();
        Main* w = start();
        EXPECT_FALSE(w->ProgramEnded());
        for (const auto& m : script.messages())
            EXPECT_FALSE(m.text.contains(QStringLiteral("Tarrow.mdb"))) << m.text.toStdString();
        EXPECT_EQ(tables(working), tables(dbFile));
        Main::destroyInstance();
        modDatabase::gDbEngine.CloseAll();
    };

    // The user's working database, a few hundred KB of rows.
    startsOnAFreshCopy();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(working).constData(), &db), SQLITE_OK);
        QByteArray sql = "BEGIN; INSERT INTO Trainer (TrainerName) VALUES ('USER ROW');";
        for (int i = 0; i < 1000; ++i)
            sql += "INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) VALUES ('M', " + QByteArray::number(i)
                   + ", 'H" + QByteArray::number(i) + "', '" + QByteArray(300, 'o') + "');";
        EXPECT_EQ(sqlite3_exec(db, sql + "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    // Its first page damaged: its b-tree header turned into an empty leaf,
    // so SQLite reads a schema without tables while the rows are still in
    // the pages after it.
    {
        QFile f(working);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        ASSERT_GT(bytes.size(), 300 * 1024);
        ASSERT_TRUE(bytes.contains("USER ROW"));
        bytes[100] = 0x0d;
        bytes[103] = 0;
        bytes[104] = 0;
        ASSERT_TRUE(f.seek(0));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    ASSERT_EQ(tables(working), 0);
    const QByteArray damaged = fileBytes(working);
    script.clear();
    script.answerMsgBox(Prompts::vbOK);
    Main* w = start();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              "Database damaged or being used by another program, please contact Hallard Support. \r\rThe file "
                  + working + " is damaged (no table can be read from it, yet it holds "
                  + QString::number((damaged.size() + 1023) / 1024) + " KB).")
        << script.messages()[0].text.toStdString();
    EXPECT_EQ(fileBytes(working), damaged);
    // No copy was made beside it either (the lock is this run's).
    QStringList beside = QDir(AppPaths::dataDir()).entryList(QDir::Files);
    beside.removeAll(QStringLiteral("Tarrow.mdb.lock"));
    EXPECT_EQ(beside, QStringList{QStringLiteral("Tarrow.mdb")});
    Main::destroyInstance();
    modDatabase::gDbEngine.CloseAll();

    // What an interrupted or broken first start leaves is made again: an
    // empty file, and a database of one page without a table.
    QFile(working).resize(0);
    startsOnAFreshCopy();
    ASSERT_TRUE(QFile::remove(working));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(working).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    ASSERT_GT(QFileInfo(working).size(), 0);
    ASSERT_EQ(tables(working), 0);
    startsOnAFreshCopy();
}

TEST_F(MainStartupTest, AWorkingDatabaseThatCannotBeMadeIsToldOnceAndNoFolderIsStored)
{
    // The data folder cannot be made: a plain file stands where its parent
    // belongs.
    QFile blocker(env.root() + QStringLiteral("/xdg"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QByteArray settingsBefore = fileBytes(env.registryFile());

    // The start-up window and the main window both look; one message.
    script.answerMsgBox(Prompts::vbOK).answerOpenFiles({});
    Main* w = startAfterSplash();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.startsWith("The database " + AppPaths::dataDir() + "/Tarrow.mdb could not be made from "
                                + dbFile + ": the folder cannot be made ("))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing was changed.")));
    EXPECT_TRUE(text.contains(QStringLiteral("pick a database in the window that follows")));
    ASSERT_EQ(script.records().size(), 2);
    EXPECT_EQ(script.records()[1].kind, Prompts::Kind::OpenFile);
    EXPECT_EQ(stored().DBPath, QString());
    EXPECT_EQ(fileBytes(env.registryFile()), settingsBefore);
}

TEST_F(MainStartupTest, ASelfContainedFolderKeepsToItsOwnDatabaseAfterANormalStart)
{
    QString working;
    {
        const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
        working = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
        Main* w = start();
        ASSERT_FALSE(w->ProgramEnded());
        EXPECT_EQ(stored().DBPath, QString());
        Main::destroyInstance();
        modDatabase::gDbEngine.CloseAll();
        DatabaseLock::ReleaseRun();

        // Found already made: left as it is, and nothing is said.
        const ino_t inode = inodeOf(working);
        const QByteArray bytes = fileBytes(working);
        script.clear();
        EXPECT_TRUE(modGlobal::TakeDatabaseForThisRun());
        EXPECT_TRUE(script.records().isEmpty());
        EXPECT_EQ(inodeOf(working), inode);
        EXPECT_EQ(fileBytes(working), bytes);
        DatabaseLock::ReleaseRun();
    }
    // An earlier version stored the data folder as if chosen; a start on a
    // self-contained folder with the same settings store keeps to its own
    // database and leaves the user's alone.
    struct Restore
    {
        QByteArray data = qgetenv("XDG_DATA_HOME");
        ~Restore()
        {
            if (data.isNull())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", data);
        }
    } restore;
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.root() + QStringLiteral("/xdg")));
    store([&](cAppSettings& s) { s.DBPath = QFileInfo(working).absolutePath(); });
    const ino_t inode = inodeOf(working);
    const QByteArray bytes = fileBytes(working);
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    EXPECT_EQ(modDatabase::LocalDatabasePath(), dbFile);
    EXPECT_EQ(inodeOf(working), inode);
    EXPECT_EQ(fileBytes(working), bytes);
}

TEST_F(MainStartupTest, ALinkedWorkingDatabaseStaysALinkAndItsFileIsCompactedWhereItLies)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    // The bookings are kept on another disk; the data folder links to them.
    const KeptElsewhere kept(env, env.root() + QStringLiteral("/other-disk"));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    ASSERT_EQ(::chmod(QFile::encodeName(kept.real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(kept.real, link));

    startsWithoutAWordOnTheDatabase();

    // The link is still the link, and the file it points to was compacted
    // in its own folder with all its rows.
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), kept.real);
    kept.expectCompactedWhereItLies();
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(kept.real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode_t(0640));
    EXPECT_FALSE(QFileInfo::exists(AppPaths::dataDir() + QStringLiteral("/temp.mdb")));
}

TEST_F(MainStartupTest, ALinkWhoseFileCannotBeFoundIsToldAndLeftAsItIs)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    // A synced folder that does not hold the file (yet).
    const QString elsewhere = env.root() + QStringLiteral("/synced");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    const QString missing = elsewhere + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(missing, link));

    // The start-up window and the main window both look; one message, then
    // the window to pick a database, as for a missing one.
    script.answerMsgBox(Prompts::vbOK).answerOpenFiles({});
    Main* w = startAfterSplash();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              "The database " + missing + " that the link " + link
                  + " points to cannot be found. \rThe link has been left as it is, and no database was made in its "
                    "place. If that file is on a disk or in a folder that is not there now, make it available and "
                    "start Velmora again; or pick a database in the window that follows.");
    ASSERT_EQ(script.records().size(), 2);
    EXPECT_EQ(script.records()[1].kind, Prompts::Kind::OpenFile);
    EXPECT_EQ(script.records()[1].title, QStringLiteral("Velmora Database (Tarrow.mdb)"));

    // Nothing made or replaced at either end of the link.
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), missing);
    const auto entries = [](const QString& dir) {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    EXPECT_EQ(entries(elsewhere), QStringList());
    EXPECT_EQ(entries(AppPaths::dataDir()), QStringList{QStringLiteral("Tarrow.mdb")});
    EXPECT_EQ(stored().DBPath, QString());
}

TEST_F(MainStartupTest, ALinkClimbingOutOfALinkedDataFolderReachesTheFileTheSystemOpens)
{
    const QString xdg = env.root() + QStringLiteral("/xdg");
    const DataFolderMode mode(env.appDir(), xdg);
    // The data folder is kept on another disk, and in it the database links
    // to a shared folder beside it there.
    const QString disk2 = env.root() + QStringLiteral("/disk2");
    ASSERT_TRUE(QDir().mkpath(disk2 + QStringLiteral("/Velmora")));
    ASSERT_TRUE(QDir().mkpath(xdg));
    ASSERT_TRUE(QFile::link(disk2 + QStringLiteral("/Velmora"), AppPaths::dataDir()));
    const KeptElsewhere kept(env, disk2 + QStringLiteral("/shared"));
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("../shared/Tarrow.mdb"), link));
    // The same words read from the linked folder's spelled path lead here.
    ASSERT_TRUE(QDir().mkpath(xdg + QStringLiteral("/shared")));
    const QString decoy = env.installTemplateDatabase(xdg + QStringLiteral("/shared"));
    addJockey(decoy, "Not The Bookings");
    const QByteArray decoyBytes = fileBytes(decoy);

    startsWithoutAWordOnTheDatabase();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    kept.expectCompactedWhereItLies();
    EXPECT_EQ(fileBytes(decoy), decoyBytes);
    EXPECT_FALSE(QFileInfo::exists(decoy + QStringLiteral(".lock")));
}

TEST_F(MainStartupTest, AChainOfTwoLinksStaysAndTheFileAtItsEndIsCompacted)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const KeptElsewhere kept(env, env.root() + QStringLiteral("/store"));
    const QString hop = env.root() + QStringLiteral("/hop");
    ASSERT_TRUE(QDir().mkpath(hop));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    const QString middle = hop + QStringLiteral("/Tarrow.mdb");
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("../store/Tarrow.mdb"), middle));
    ASSERT_TRUE(QFile::link(middle, link));

    startsWithoutAWordOnTheDatabase();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo(middle).isSymLink());
    kept.expectCompactedWhereItLies();
    EXPECT_FALSE(QFileInfo::exists(hop + QStringLiteral("/temp.mdb")));
}

TEST_F(MainStartupTest, ALinkToItselfIsToldAndLeftAsItIs)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("Tarrow.mdb"), link));

    script.answerMsgBox(Prompts::vbOK).answerOpenFiles({});
    Main* w = startAfterSplash();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              "The link " + link
                  + " cannot be followed to a database: its links lead round in a loop and reach no file. \rThe "
                    "link has been left as it is, and no database was made in its place. Point the link at the "
                    "database file and start Velmora again; or pick a database in the window that follows.");
    ASSERT_EQ(script.records().size(), 2);
    EXPECT_EQ(script.records()[1].kind, Prompts::Kind::OpenFile);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(AppPaths::dataDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Tarrow.mdb")});
}

TEST_F(MainStartupTest, ALinkedDatabaseOnAnotherFileSystemIsCompactedInPlace)
{
    struct stat shm{}, tmp{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(env.root()).constData(), &tmp) != 0
        || shm.st_dev == tmp.st_dev)
        GTEST_SKIP() << "no second file system beside the test's folder";
    QTemporaryDir other(QStringLiteral("/dev/shm/velmora-test-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    const KeptElsewhere kept(env, other.path());
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(kept.real, link));

    startsWithoutAWordOnTheDatabase();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    kept.expectCompactedWhereItLies();
    EXPECT_FALSE(QFileInfo::exists(AppPaths::dataDir() + QStringLiteral("/temp.mdb")));
    Main::destroyInstance();
    modDatabase::gDbEngine.CloseAll();
    DatabaseLock::ReleaseRun();
}

TEST_F(MainStartupTest, AFirstStartMakesTheDatabaseAtTheEndOfALinkToAnEmptyFile)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString store = env.root() + QStringLiteral("/store");
    ASSERT_TRUE(QDir().mkpath(store));
    ASSERT_TRUE(QDir().mkpath(AppPaths::dataDir()));
    // A file made ready for the bookings on the other disk, still empty.
    const QString real = store + QStringLiteral("/Tarrow.mdb");
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    const QString link = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(real, link));

    startsWithoutAWordOnTheDatabase();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), real);
    EXPECT_EQ(tableCount(real), tableCount(dbFile));
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode_t(0640));
}

TEST_F(MainStartupTest, NoDatabaseIsMadeBesideTheJournalOfADatabaseMovedAway)
{
    const DataFolderMode mode(env.appDir(), env.root() + QStringLiteral("/xdg"));
    const QString working = AppPaths::dataDir() + QStringLiteral("/Tarrow.mdb");
    // The program stopped in the middle of a change; the user then moved the
    // database away, and its journal stayed.
    Main* w = start();
    ASSERT_FALSE(w->ProgramEnded());
    Main::destroyInstance();
    modDatabase::gDbEngine.CloseAll();
    DatabaseLock::ReleaseRun();
    const QString journal = working + QStringLiteral("-journal");
    {
        QFile f(journal);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + QByteArray(4088, 'j')), 4096);
    }
    ASSERT_TRUE(QFile::rename(working, env.root() + QStringLiteral("/moved.mdb")));
    const QByteArray journalBytes = fileBytes(journal);

    script.clear();
    script.answerMsgBox(Prompts::vbOK).answerOpenFiles({});
    w = startAfterSplash();
    EXPECT_TRUE(w->ProgramEnded());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              "There is no database " + working + ", but the journal " + journal
                  + " of a change to a database of that name is still there: that change was interrupted (the "
                    "program or the computer stopped in the middle of it). \rNo database was made in its place, and "
                    "the journal has been left as it is. If you moved the database away, put it back beside the "
                    "journal and start Velmora again: the change is then undone and the database is whole. To start "
                    "afresh instead, move the journal away too. Or pick a database in the window that follows.");
    ASSERT_EQ(script.records().size(), 2);
    EXPECT_EQ(script.records()[1].kind, Prompts::Kind::OpenFile);
    EXPECT_FALSE(QFileInfo::exists(working));
    EXPECT_EQ(fileBytes(journal), journalBytes);
}
} // namespace

// The System Defaults window: refused saves change nothing; a save reaches
// the registry store and the account in use; a change of database folder
// takes only a Velmora database the user can write, stores its folder whole
// and never happens under a window that shows the database in use; the
// database path reads whole, as far as the screen allows, and its tooltip
// tells it.
#include "core/DatabaseLock.h"
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/frmState.h"
#include "core/modDatabase.h"
#include "platform/AppPaths.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WindowFit.h"
#include "support/AsAnotherUser.h"
#include "support/TestEnv.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
QLineEdit* edit(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST(SystemDefaults, RefusedSavesChangeNothing)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.NextInvoiceNumber = 7;
    gAppSettings.Companyname = QStringLiteral("Old Co");
    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "txtCompanyName")->setText(QStringLiteral("New Co"));
    auto* gst = form.findChild<QCheckBox*>(QStringLiteral("chkGST"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));

    gst->setChecked(true); // GST with an empty ABN
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    save->click();
    gst->setChecked(false); // an invoice number that is not a number
    edit(form, "mebNextInvoiceNumber")->setText(QStringLiteral("abc"));
    save->click();

    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("If GST then ABN must be entered"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Settings Error"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(gAppSettings.Companyname, QStringLiteral("Old Co"));
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 7.0f);
    EXPECT_FALSE(QFile::exists(env.registryFile()));
}

TEST(SystemDefaults, SaveStoresEveryFieldAndTheAccount)
{
    TestEnv env;
    Prompts::Script script;
    // A folder that holds a database: only such a folder is taken.
    const QString dataFolder = env.root() + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(dataFolder));
    env.installTemplateDatabase(dataFolder);
    QString shownState, shownServer;
    script.answerModal([&](QDialog* d) {
        auto* state = d->findChild<QComboBox*>(QStringLiteral("cmbState"));
        shownState = state->currentText();
        shownServer = edit(*d, "txtDataServer")->text();
        state->setCurrentText(QStringLiteral("QLD"));
        edit(*d, "txtDBPath")->setText(dataFolder);
        edit(*d, "txtDataServer")->setText(QStringLiteral("127.0.0.1:8080"));
        edit(*d, "txtCompanyName")->setText(QStringLiteral("Hall & Co"));
        edit(*d, "mebNextInvoiceNumber")->setText(QStringLiteral("1002"));
        edit(*d, "txtUser")->setText(QStringLiteral("jhall"));
        edit(*d, "txtRegno")->setText(QStringLiteral("R-77"));
        d->findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    });
    frmState::OpenSetting();
    EXPECT_EQ(shownState, QStringLiteral("VIC")); // nothing stored yet
    EXPECT_EQ(shownServer, cAppSettings::kDefaultDataServer);
    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_EQ(modDatabase::gRemoteUser, QStringLiteral("jhall"));
    EXPECT_EQ(modDatabase::gRemotePass, QStringLiteral("R-77"));

    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.DefaultState, QStringLiteral("QLD"));
    EXPECT_EQ(stored.DBPath, dataFolder);
    EXPECT_EQ(stored.DataServer, QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(stored.Companyname, QStringLiteral("Hall & Co"));
    EXPECT_EQ(stored.ABN, QStringLiteral("__-___-___-___")); // GST clear: the empty mask is stored
    EXPECT_EQ(stored.NextInvoiceNumber, 1002.0f);
    EXPECT_EQ(stored.UserName, QStringLiteral("jhall"));
    EXPECT_EQ(stored.RegNo, QStringLiteral("R-77"));

    // Reopened: the stored values; a partly typed ABN passes with its prompts.
    frmState form;
    form.LoadFields();
    form.show();
    EXPECT_EQ(edit(form, "txtUser")->text(), QStringLiteral("jhall"));
    edit(form, "meABN")->setText(QStringLiteral("123"));
    form.findChild<QCheckBox*>(QStringLiteral("chkGST"))->setChecked(true);
    form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(gAppSettings.ABN, QStringLiteral("12-3__-___-___"));
    EXPECT_TRUE(gAppSettings.ApplyGST);
    modDatabase::gRemoteUser.clear();
    modDatabase::gRemotePass.clear();
    DatabaseLock::ReleaseRun();
}
TEST(SystemDefaults, AFailedSaveChangesNothingInUseAndKeepsTheWindowOpen)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.Companyname = QStringLiteral("Old Co");
    const QString folderInUse = modDatabase::LocalDatabaseFolder();
    // The folder typed holds a database, so the change gets as far as the save.
    env.installTemplateDatabase(env.root());
    // A store that cannot be written: its folder is a plain file.
    QFile blocker(env.root() + QStringLiteral("/notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("VELMORA_REGISTRY", (env.root() + QStringLiteral("/notafolder/registry.json")).toUtf8());

    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "txtCompanyName")->setText(QStringLiteral("New Co"));
    edit(form, "txtDBPath")->setText(env.root());
    edit(form, "txtUser")->setText(QStringLiteral("someone"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    save->click();
    save->click(); // the user's own try is told every time
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_TRUE(script.messages()[0].text.endsWith(QStringLiteral("The settings saved before are kept unchanged.")));
    EXPECT_EQ(script.messages()[1].text, script.messages()[0].text);
    // This run goes on as it was; the window keeps what was typed.
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(edit(form, "txtCompanyName")->text(), QStringLiteral("New Co"));
    EXPECT_EQ(gAppSettings.Companyname, QStringLiteral("Old Co"));
    EXPECT_EQ(gAppSettings.DBPath, QString());
    EXPECT_EQ(modDatabase::LocalDatabaseFolder(), folderInUse);
    EXPECT_NE(modDatabase::gRemoteUser, QStringLiteral("someone"));
    qputenv("VELMORA_REGISTRY", env.registryFile().toUtf8());
}
} // namespace

namespace
{
// The invoice number is held as a single-precision value: a number it cannot
// hold exactly is refused rather than stored rounded, and a large whole
// number is shown in full when the window opens again.
TEST(SystemDefaults, InvoiceNumberMustBeAWholeNumberItCanHold)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.NextInvoiceNumber = 12345678;
    frmState form;
    form.LoadFields();
    form.show();
    EXPECT_EQ(edit(form, "mebNextInvoiceNumber")->text(), QStringLiteral("12345678"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));
    for (const char* bad : {"99999999999", "-3", "12.5"}) {
        script.answerMsgBox(Prompts::vbOK);
        edit(form, "mebNextInvoiceNumber")->setText(QString::fromLatin1(bad));
        save->click();
    }
    ASSERT_EQ(script.messages().size(), 3);
    for (const auto& m : script.messages())
        EXPECT_EQ(m.text, QStringLiteral("Next Invoice Number must be a whole number from 0 to 16777216"));
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 12345678.0f);
    EXPECT_FALSE(QFile::exists(env.registryFile()));

    edit(form, "mebNextInvoiceNumber")->setText(QStringLiteral("16777216"));
    save->click();
    EXPECT_EQ(script.messages().size(), 3);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 16777216.0f);
}
} // namespace

TEST(SystemDefaults, DatabasePathBoxIsAsWideAsTheOthersAndShowsThePathWhole)
{
    TestEnv env;
    gAppSettings.DBPath = QStringLiteral("/home/manager/Documents/Velmora/racing data/2024-25 season");
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QLineEdit* path = edit(form, "txtDBPath");
    for (const char* other : {"txtDataServer", "txtCompanyName", "txtUser"})
        EXPECT_EQ(path->width(), edit(form, other)->width()) << other;
    // The whole path fits, seen from its start.
    EXPECT_EQ(path->cursorPosition(), 0);
    EXPECT_LT(path->fontMetrics().horizontalAdvance(path->text()), path->width());
    const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(pictures);
    EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults.png"))));
}

TEST(SystemDefaults, DatabasePathBoxWidensToALongPathWithinTheScreenAndTellsItWhole)
{
    TestEnv env;
    const QString longPath = QStringLiteral("/home/manager/Documents/Velmora Racing/Bookings for the 2024-25 season/"
                                            "Velmora_Database_Backups_Melbourne");
    gAppSettings.DBPath = longPath;
    {
        frmState form;
        form.LoadFields();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QLineEdit* path = edit(form, "txtDBPath");
        // Read whole, with room for the box's frame and margins, from its start.
        EXPECT_LE(path->fontMetrics().horizontalAdvance(longPath) + 2 * path->fontMetrics().averageCharWidth(),
                  path->width());
        EXPECT_EQ(path->cursorPosition(), 0);
        EXPECT_EQ(path->toolTip().toStdString(), longPath.toStdString());
        const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(pictures);
        EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults-long-path.png"))));
        // A path typed or browsed to is told whole too.
        path->setText(QStringLiteral("/srv/velmora"));
        EXPECT_EQ(path->toolTip().toStdString(), "/srv/velmora");
    }

    // A path longer than the screen is wide: the window takes the screen's
    // width and no more, and the tooltip tells the path.
    QString deep;
    while (deep.size() < 400)
        deep += QStringLiteral("/Velmora_Database_Folder");
    gAppSettings.DBPath = deep;
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int screen = form.screen()->availableGeometry().width();
    const int outer = form.width() + WindowFit::FrameAllowance(&form).width();
    EXPECT_LE(outer, screen);
    EXPECT_GE(outer, screen - 4 * edit(form, "txtDBPath")->fontMetrics().averageCharWidth());
    EXPECT_EQ(edit(form, "txtDBPath")->toolTip().toStdString(), deep.toStdString());
}

TEST(SystemDefaults, WindowStaysOnTheScreenWhenABrowsedPathWidensIt)
{
    TestEnv env;
    gAppSettings.DBPath = QStringLiteral("/srv/velmora");
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QRect available = form.screen()->availableGeometry();
    const int before = form.width();
    ASSERT_TRUE(available.contains(form.frameGeometry()));

    // A folder picked with "..." whose path is nearly as wide as the screen.
    QString deep;
    const QFontMetrics fm(edit(form, "txtDBPath")->font());
    while (fm.horizontalAdvance(deep) < available.width() * 4 / 5)
        deep += QStringLiteral("/Velmora_Bookings");
    Prompts::Script script;
    script.answerOpenFiles({deep + QStringLiteral("/Tarrow.mdb")});
    auto* browse = form.findChild<QPushButton*>(QStringLiteral("cmdBrowse"));
    ASSERT_NE(browse, nullptr);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(edit(form, "txtDBPath")->text().toStdString(), deep.toStdString());

    // The window grew with the box, and lies on the screen whole.
    EXPECT_GT(form.width(), before + available.width() / 4);
    const QRect frame = form.frameGeometry();
    EXPECT_TRUE(available.contains(frame)) << frame.x() << "+" << frame.width() << " in " << available.x() << "+"
                                           << available.width();
    const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(pictures);
    EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults-browsed-long-path.png"))));
    EXPECT_TRUE(script.unexpected().isEmpty());
}

namespace
{
QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The names of everything inside `folder`, to show that nothing was made there.
QStringList contentsOf(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next();
    names.sort();
    return names;
}

// A database of this run in the program folder, its lock held as a start
// holds it, and the settings stored; `other` gets a Velmora database too.
struct RunningOnDefault
{
    explicit RunningOnDefault(const TestEnv& env)
        : database(env.installTemplateDatabase())
    {
        EXPECT_EQ(DatabaseLock::TakeForRun(database), DatabaseLock::Outcome::Held);
        EXPECT_TRUE(gAppSettings.SaveSettings());
    }
    ~RunningOnDefault() { DatabaseLock::ReleaseRun(); }
    QString database;
};

QString otherDatabaseIn(const TestEnv& env, const QString& name)
{
    const QString folder = env.root() + QLatin1Char('/') + name;
    EXPECT_TRUE(QDir().mkpath(folder));
    env.installTemplateDatabase(folder);
    return folder;
}

void changeFolderTo(frmState& form, const QString& folder)
{
    edit(form, "txtDBPath")->setText(folder);
    form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
}

// A folder without a database (or no folder at all), and a Tarrow.mdb that is
// no Velmora database, are refused in one message that names the file and
// why; the settings, the lock and the database in use stay as they were, and
// the window stays open.
TEST(SystemDefaults, ADatabaseFolderWithoutAVelmoraDatabaseIsRefusedAndChangesNothing)
{
    TestEnv env;
    Prompts::Script script;
    const RunningOnDefault running(env);
    const QString tail = QStringLiteral(" \rThis copy goes on with the database ") + running.database
                         + QStringLiteral(" and nothing was changed. Choose a folder that holds a Velmora database "
                                          "(Tarrow.mdb).");

    const QString absent = env.root() + QStringLiteral("/absent");
    const QString empty = env.root() + QStringLiteral("/empty");
    const QString foreign = env.root() + QStringLiteral("/foreign");
    const QString text = env.root() + QStringLiteral("/text");
    for (const QString& folder : {empty, foreign, text})
        ASSERT_TRUE(QDir().mkpath(folder));
    // An SQLite database of another program.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(foreign + QStringLiteral("/Tarrow.mdb")).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "CREATE TABLE Meeting (MeetingCode TEXT); CREATE TABLE Notes (Body TEXT);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    // A file that is no database at all.
    QFile notes(text + QStringLiteral("/Tarrow.mdb"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("Bookings for Saturday\n");
    notes.close();

    const QStringList expected = {
        QStringLiteral("There is no database ") + absent + QStringLiteral("/Tarrow.mdb: the folder ") + absent
            + QStringLiteral(" does not exist.") + tail,
        QStringLiteral("There is no database ") + empty + QStringLiteral("/Tarrow.mdb: the folder ") + empty
            + QStringLiteral(" holds no Velmora database (Tarrow.mdb).") + tail,
        QStringLiteral("The database file ") + foreign
            + QStringLiteral("/Tarrow.mdb is an SQLite database, but not a Velmora database: it lacks the tables "
                             "Race, Noms, Bookings, Trainer, Jockey, RaceStats, BookingTemplate, BookRate, RaceType, "
                             "RBHTable.")
            + tail,
        QStringLiteral("The file ") + text
            + QStringLiteral("/Tarrow.mdb is not a database file: it is damaged or of another kind.") + tail,
    };
    const QByteArray settingsBefore = bytesOf(env.registryFile());
    ASSERT_FALSE(settingsBefore.isEmpty());
    const QStringList foldersBefore = contentsOf(env.root());

    frmState form;
    form.LoadFields();
    form.show();
    int told = 0;
    for (const QString& folder : {absent, empty, foreign, text}) {
        script.answerMsgBox(Prompts::vbOK);
        changeFolderTo(form, folder);
        ASSERT_EQ(script.messages().size(), ++told) << folder.toStdString();
        const auto& message = script.messages().last();
        EXPECT_EQ(message.title, QStringLiteral("Settings Error"));
        EXPECT_EQ(message.style, Prompts::vbCritical);
        EXPECT_EQ(message.text.toStdString(), expected[told - 1].toStdString());
        EXPECT_TRUE(form.isVisible());
        // Nothing changed: the database in use, its lock, the stored settings,
        // and no lock file or anything else left in the folders.
        EXPECT_EQ(modDatabase::LocalDatabasePath(), running.database);
        EXPECT_EQ(gAppSettings.DBPath, QString());
        EXPECT_TRUE(DatabaseLock::HeldByRun(running.database));
        EXPECT_EQ(bytesOf(env.registryFile()), settingsBefore);
        EXPECT_EQ(contentsOf(env.root()), foldersBefore);
    }
}

// The path typed is read as meant: blanks around it are no part of it, and
// a path to the Tarrow.mdb itself means its folder. A Tarrow.mdb that is a
// folder, or a link that leads nowhere, is named as what it is, and a
// database another program holds is refused with what to do about that.
TEST(SystemDefaults, ARefusedDatabaseIsNamedForWhatItIsAndThePathTypedIsReadAsMeant)
{
    TestEnv env;
    Prompts::Script script;
    const RunningOnDefault running(env);
    const QString goesOn = QStringLiteral(" \rThis copy goes on with the database ") + running.database
                           + QStringLiteral(" and nothing was changed. ");
    const QString orChoose = QStringLiteral("; or choose a folder that holds a Velmora database (Tarrow.mdb).");

    const QString boxed = env.root() + QStringLiteral("/boxed");
    ASSERT_TRUE(QDir().mkpath(boxed + QStringLiteral("/Tarrow.mdb")));
    // A link to a database on a disk that is not connected.
    const QString unplugged = env.root() + QStringLiteral("/unplugged");
    const QString away = env.root() + QStringLiteral("/usb/Tarrow.mdb");
    ASSERT_TRUE(QDir().mkpath(unplugged));
    ASSERT_TRUE(QFile::link(away, unplugged + QStringLiteral("/Tarrow.mdb")));
    // Links that lead round in a loop.
    const QString looped = env.root() + QStringLiteral("/looped");
    ASSERT_TRUE(QDir().mkpath(looped));
    ASSERT_TRUE(QFile::link(looped + QStringLiteral("/again.mdb"), looped + QStringLiteral("/Tarrow.mdb")));
    ASSERT_TRUE(QFile::link(looped + QStringLiteral("/Tarrow.mdb"), looped + QStringLiteral("/again.mdb")));
    // A database moved away from the journal of a change to it that was
    // interrupted.
    const QString moved = env.root() + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().mkpath(moved));
    {
        QFile journal(moved + QStringLiteral("/Tarrow.mdb-journal"));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        ASSERT_EQ(journal.write(QByteArray(512, 'j')), 512);
    }
    // A Velmora database that another program is writing.
    const QString busy = otherDatabaseIn(env, QStringLiteral("busy"));
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(busy + QStringLiteral("/Tarrow.mdb")).constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    const QList<std::pair<QString, QString>> refused = {
        {QStringLiteral("  ") + boxed + QStringLiteral("  "),
         QStringLiteral("The Tarrow.mdb in ") + boxed + QStringLiteral(" is a folder, not a database file.") + goesOn
             + QStringLiteral("Choose a folder that holds a Velmora database (Tarrow.mdb).")},
        {unplugged + QStringLiteral("/Tarrow.mdb"),
         QStringLiteral("The database ") + away + QStringLiteral(" that the link ") + unplugged
             + QStringLiteral("/Tarrow.mdb points to cannot be found.") + goesOn
             + QStringLiteral("If that file is on a disk or in a folder that is not there now, make it available and "
                              "change the Database Path again")
             + orChoose},
        {looped,
         QStringLiteral("The link ") + looped
             + QStringLiteral("/Tarrow.mdb cannot be followed to a database: its links lead round in a loop and "
                              "reach no file.")
             + goesOn + QStringLiteral("Point the link at the database file and change the Database Path again")
             + orChoose},
        {moved,
         QStringLiteral("There is no database ") + moved + QStringLiteral("/Tarrow.mdb, but the journal ") + moved
             + QStringLiteral("/Tarrow.mdb-journal of an interrupted change to a database of that name is still "
                              "there.")
             + goesOn
             + QStringLiteral("Put the database back beside its journal and change the Database Path again; or "
                              "choose another folder.")},
        {busy,
         QStringLiteral("The database file ") + busy
             + QStringLiteral("/Tarrow.mdb is in use by another program (perhaps another copy of Velmora).") + goesOn
             + QStringLiteral("Change the Database Path again once the other program has let the file go, or choose "
                              "another folder.")},
    };
    const QByteArray settingsBefore = bytesOf(env.registryFile());
    const QStringList foldersBefore = contentsOf(env.root());

    frmState form;
    form.LoadFields();
    form.show();
    int told = 0;
    for (const auto& [typed, expected] : refused) {
        script.answerMsgBox(Prompts::vbOK);
        changeFolderTo(form, typed);
        ASSERT_EQ(script.messages().size(), ++told) << typed.toStdString();
        EXPECT_EQ(script.messages().last().title, QStringLiteral("Settings Error"));
        EXPECT_EQ(script.messages().last().style, Prompts::vbCritical);
        EXPECT_EQ(script.messages().last().text.toStdString(), expected.toStdString());
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(DatabaseLock::HeldByRun(running.database));
        EXPECT_EQ(bytesOf(env.registryFile()), settingsBefore);
        EXPECT_EQ(contentsOf(env.root()), foldersBefore);
    }

    // Let go, the same database is taken, named by its file among blanks.
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    changeFolderTo(form, QStringLiteral(" ") + busy + QStringLiteral("/Tarrow.mdb\t"));
    EXPECT_EQ(script.messages().size(), told);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(gAppSettings.DBPath.toStdString(), busy.toStdString());
    EXPECT_TRUE(DatabaseLock::HeldByRun(busy + QStringLiteral("/Tarrow.mdb")));
}

// A Velmora database in a folder this copy's user cannot write (another
// user's shared folder, a read-only one) is refused as a start refuses it:
// every booking there would fail. The copy goes on writing its own database
// under its own lock. Run as a user whom file permissions bind: "nobody" when
// the tests run as root, before a folder of root's; else the test's own user,
// before a folder made read-only.
TEST(SystemDefaults, AFolderThatCannotBeWrittenIsRefusedAndTheDatabaseInUseStaysWritable)
{
    TestEnv env;
    // The copy's own database and settings, in a folder that user may write.
    const QString settings = env.appDir() + QStringLiteral("/registry.json");
    qputenv("VELMORA_REGISTRY", QFile::encodeName(settings));
    const QString database = env.installTemplateDatabase();
    ASSERT_TRUE(gAppSettings.SaveSettings());
    ASSERT_EQ(::chmod(QFile::encodeName(env.root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(env.appDir()).constData(), 0777), 0);
    for (const QString& file : {database, settings})
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0);
    const QString shared = otherDatabaseIn(env, QStringLiteral("shared"));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), ::geteuid() == 0 ? 0755 : 0555), 0);
    const QByteArray settingsBefore = bytesOf(settings);
    const QByteArray sharedBefore = bytesOf(shared + QStringLiteral("/Tarrow.mdb"));
    const QStringList sharedContents = contentsOf(shared);
    modDatabase::gDbEngine.CloseAll(); // nothing of ours is carried into the child

    const AsAnotherUser ran = RunAsAnotherUser([&](QByteArray& told) {
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        if (DatabaseLock::TakeForRun(database) != DatabaseLock::Outcome::Held)
            return 1;
        frmState form;
        form.LoadFields();
        form.show();
        changeFolderTo(form, shared);
        if (script.messages().size() != 1)
            return 2;
        const Prompts::Record& message = script.messages().first();
        told = message.text.toUtf8();
        if (message.title != QStringLiteral("Settings Error") || message.style != Prompts::vbCritical)
            return 3;
        if (!form.isVisible())
            return 4;
        if (modDatabase::LocalDatabasePath() != database || !DatabaseLock::HeldByRun(database))
            return 5;
        try {
            modDatabase::OpenLocalDatabase().Execute(QStringLiteral("INSERT INTO Jockey (Jockey) VALUES (?)"),
                                                     {QStringLiteral("A Jones")});
        } catch (const VbError&) {
            return 6;
        }
        DatabaseLock::ReleaseRun();
        return 0;
    });
    ::chmod(QFile::encodeName(shared).constData(), 0755);
    ASSERT_NE(ran.status, 101) << "no user 'nobody' to run as";
    EXPECT_EQ(ran.status, 0) << ran.output.toStdString();
    EXPECT_EQ(QString::fromUtf8(ran.output).toStdString(),
              (QStringLiteral("The folder ") + shared
               + QStringLiteral(" cannot be written to, so Velmora cannot work on the database ") + shared
               + QStringLiteral("/Tarrow.mdb there. \rThis copy goes on with the database ") + database
               + QStringLiteral(" and nothing was changed. Allow writing to that folder (or ask whoever looks after "
                                "this computer to), or choose another folder."))
                  .toStdString());
    EXPECT_EQ(bytesOf(settings), settingsBefore);
    EXPECT_EQ(bytesOf(shared + QStringLiteral("/Tarrow.mdb")), sharedBefore);
    EXPECT_EQ(contentsOf(shared), sharedContents);
    EXPECT_EQ(modDatabase::gDbEngine.OpenDatabase(database)
                  .Scalar(QStringLiteral("SELECT COUNT(*) FROM Jockey WHERE Jockey = 'A Jones'"))
                  .toInt(),
              1);
    modDatabase::gDbEngine.CloseAll();
}

// A folder typed relative to the working folder is stored whole: a copy
// started from another working folder finds the same database.
TEST(SystemDefaults, ARelativeDatabaseFolderIsStoredAsAnAbsoluteOne)
{
    TestEnv env;
    Prompts::Script script;
    const RunningOnDefault running(env);
    const QString other = otherDatabaseIn(env, QStringLiteral("season/bookings"));
    const QString workingFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(env.root() + QStringLiteral("/season")));
    const QString expected = QDir::currentPath() + QStringLiteral("/bookings");

    frmState form;
    form.LoadFields();
    form.show();
    changeFolderTo(form, QStringLiteral("./bookings/"));
    QDir::setCurrent(workingFolder);

    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_FALSE(form.isVisible());
    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.DBPath.toStdString(), expected.toStdString());
    EXPECT_EQ(gAppSettings.DBPath.toStdString(), expected.toStdString());
    EXPECT_TRUE(AppPaths::sameFolder(modDatabase::LocalDatabaseFolder(), other));
}

// Every window that shows rows of the database opens modally over the main
// window; while one is open the database in use is kept, and the refusal
// names the windows to close first.
TEST(SystemDefaults, TheDatabaseFolderIsKeptWhileAnotherWindowShowsTheDatabase)
{
    TestEnv env;
    Prompts::Script script;
    const RunningOnDefault running(env);
    const QString other = otherDatabaseIn(env, QStringLiteral("other"));
    const QByteArray settingsBefore = bytesOf(env.registryFile());

    QDialog jockeys;
    jockeys.setWindowTitle(QStringLiteral("Jockey"));
    jockeys.setModal(true);
    jockeys.show();
    frmState form;
    form.LoadFields();
    form.show();
    script.answerMsgBox(Prompts::vbOK);
    changeFolderTo(form, other);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_EQ(script.messages()[0].text.toStdString(),
              "The Database Path cannot be changed while these windows show the database in use: Jockey. \rClose "
              "them first, then change the Database Path again. Nothing was changed.");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(modDatabase::LocalDatabasePath(), running.database);
    EXPECT_TRUE(DatabaseLock::HeldByRun(running.database));
    EXPECT_EQ(bytesOf(env.registryFile()), settingsBefore);

    // Closed, the change goes through.
    jockeys.close();
    form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    EXPECT_EQ(script.messages().size(), 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(modDatabase::LocalDatabaseFolder(), other);
}

// Switched to another folder, then back by picking the default folder's
// database: the default database is in use again and no folder is stored.
TEST(SystemDefaults, SwitchingBackToTheDefaultFolderStoresNoDatabasePath)
{
    TestEnv env;
    Prompts::Script script;
    const RunningOnDefault running(env);
    const QString other = otherDatabaseIn(env, QStringLiteral("other"));
    {
        frmState form;
        form.LoadFields();
        form.show();
        changeFolderTo(form, other);
    }
    ASSERT_EQ(modDatabase::LocalDatabaseFolder(), other);
    ASSERT_TRUE(DatabaseLock::HeldByRun(other + QStringLiteral("/Tarrow.mdb")));

    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_EQ(edit(form, "txtDBPath")->text(), other);
    script.answerOpenFiles({running.database});
    form.findChild<QPushButton*>(QStringLiteral("cmdBrowse"))->click();
    ASSERT_EQ(edit(form, "txtDBPath")->text(), env.appDir());
    form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();

    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(modDatabase::LocalDatabasePath(), running.database);
    EXPECT_TRUE(DatabaseLock::HeldByRun(running.database));
    EXPECT_EQ(gAppSettings.DBPath, QString());
    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.DBPath, QString());
}
} // namespace

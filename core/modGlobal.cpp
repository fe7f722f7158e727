#include "core/modGlobal.h"

#include "core/DatabaseLock.h"
#include "core/WorkingDatabase.h"
#include "core/frmSplash.h"
#include "core/modDatabase.h"
#include "platform/AppPaths.h"
#include "platform/FileSync.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>

namespace modGlobal
{
int RunProgram(QApplication& app)
{
    // The splash closes before the main window is shown, and a cancelled or
    // failed start-up leaves no window at all: the program decides itself when
    // to end until the main window has taken over.
    const bool quitOnLast = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    int code = 0;
    {
        frmSplash splash;
        splash.Form_Load();
        if (splash.startRefused()) {
            QApplication::setQuitOnLastWindowClosed(quitOnLast);
            return 1;
        }
        splash.show();
        splash.activateWindow();
        splash.setFocus();
        code = app.exec();
    }
    QApplication::setQuitOnLastWindowClosed(quitOnLast);
    return code;
}

namespace
{
QPointer<QLabel> g_statusLabel;
}

void ShowStatus(const QString& text)
{
    if (g_statusLabel)
        g_statusLabel->setText(text + QStringLiteral("..."));
    QCoreApplication::processEvents();
}

void SetStatusLabel(QLabel* label)
{
    g_statusLabel = label;
}

// ---------------------------------------------------------------------------
// First-start migration
// ---------------------------------------------------------------------------

namespace
{
const QString kMigrationSource = QStringLiteral("Velmora.modGlobal");

void removeDatabaseFile(const QString& path)
{
    modDatabase::gDbEngine.CloseDatabase(path);
    FileSync::removeWithJournal(path);
}

// Adds to `old` the current database's trainers that it lacks.
void mergeTrainers(DaoDatabase& cur, DaoDatabase& old)
{
    static const char* const kColumns[] = {"TrainerName",  "TrainerLocation", "TrainerMobile", "TrainerType",
                                           "Phone",        "TrainerComments", "IgnoreTrainer"};
    DaoRecordset rsCur = cur.OpenRecordset(QStringLiteral("Trainer"));
    DaoRecordset rsOld = old.OpenRecordset(QStringLiteral("Trainer"));
    old.BeginTrans();
    try {
        for (; !rsCur.Eof(); rsCur.MoveNext()) {
            const QVariant name = rsCur.Fields(QStringLiteral("TrainerName"));
            if (!name.isValid() || name.toString().isEmpty())
                continue;
            if (old.Scalar(QStringLiteral("SELECT 1 FROM Trainer WHERE TrainerName = ? COLLATE NOCASE"), {name})
                    .isValid())
                continue;
            rsOld.AddNew();
            for (const char* c : kColumns) {
                const QString col = QString::fromLatin1(c);
                rsOld.SetField(col, rsCur.Fields(col));
            }
            rsOld.Update();
        }
        old.CommitTrans();
    } catch (...) {
        old.Rollback();
        throw;
    }
}

// Gives `old` a copy of the current BookRate table (same columns and rows).
void copyBookRates(DaoDatabase& old, const QString& currentPath, const DaoTableDef& bookRate)
{
    static const QRegularExpression head(QStringLiteral(R"(^\s*CREATE\s+TABLE\s+(?:"[^"]+"|\[[^\]]+\]|\w+))"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString ddl = bookRate.CreateSql();
    const QRegularExpressionMatch m = head.match(ddl);
    if (!m.hasMatch())
        throw VbError(3000, kMigrationSource, QStringLiteral("The BookRate table's definition cannot be read."));
    ddl.replace(0, m.capturedLength(), QStringLiteral("CREATE TABLE main.\"BookRate\""));

    old.Execute(QStringLiteral("ATTACH DATABASE ? AS current_db"), {currentPath});
    try {
        old.BeginTrans();
        old.Execute(ddl);
        old.Execute(QStringLiteral("INSERT INTO main.\"BookRate\" SELECT * FROM current_db.\"BookRate\""));
        old.CommitTrans();
    } catch (...) {
        old.Rollback();
        old.Execute(QStringLiteral("DETACH DATABASE current_db"));
        throw;
    }
    old.Execute(QStringLiteral("DETACH DATABASE current_db"));
}
} // namespace

bool TakeDatabaseForThisRun()
{
    const QString folder = modDatabase::LocalDatabaseFolder();
    // The user's data folder holds the lock as well as the database: made at
    // the first start, for its owner only.
    if (!AppPaths::appDirIsSelfContained() && AppPaths::sameFolder(folder, AppPaths::dataDir())
        && !QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString dbPath = modDatabase::LocalDatabasePath();
    // A link whose file cannot be found (a disk not connected, a folder not
    // synced), or whose links lead round in a loop, is told and left as it
    // is; the start goes on as for a missing database, and nothing is made
    // in its place.
    bool loops = false;
    const QString real = FileSync::realFile(dbPath, &loops);
    const QString keptAsItIs = QStringLiteral(" \rThe link has been left as it is, and no database was made in its place. ");
    if (QFileInfo(dbPath).isSymLink() && !QFileInfo::exists(real)) {
        Prompts::MsgBoxOncePerRun(
            loops ? QStringLiteral("The link ") + QDir::toNativeSeparators(dbPath)
                        + QStringLiteral(" cannot be followed to a database: its links lead round in a loop and "
                                         "reach no file.")
                        + keptAsItIs
                        + QStringLiteral("Point the link at the database file and start Velmora again; or pick a "
                                         "database in the window that follows.")
                  : QStringLiteral("The database ") + QDir::toNativeSeparators(real) + QStringLiteral(" that the link ")
                        + QDir::toNativeSeparators(dbPath) + QStringLiteral(" points to cannot be found.") + keptAsItIs
                        + QStringLiteral("If that file is on a disk or in a folder that is not there now, make it "
                                         "available and start Velmora again; or pick a database in the window that "
                                         "follows."),
            Prompts::vbExclamation);
        return true;
    }
    // The journal of an interrupted change outlives a database moved away
    // from beside it. It is the only way back to that database's last whole
    // state, and SQLite would play it into any new file of that name,
    // damaging it at once: nothing is made there while it lies there.
    if (const QString journal = FileSync::journalBeside(real); !journal.isEmpty() && !QFileInfo::exists(real)) {
        Prompts::MsgBoxOncePerRun(
            QStringLiteral("There is no database ") + QDir::toNativeSeparators(real)
                + QStringLiteral(", but the journal ") + QDir::toNativeSeparators(journal)
                + QStringLiteral(" of a change to a database of that name is still there: that change was "
                                 "interrupted (the program or the computer stopped in the middle of it). \rNo "
                                 "database was made in its place, and the journal has been left as it is. If you "
                                 "moved the database away, put it back beside the journal and start Velmora again: "
                                 "the change is then undone and the database is whole. To start afresh instead, move "
                                 "the journal away too. Or pick a database in the window that follows."),
            Prompts::vbExclamation);
        return true;
    }
    QString reason;
    switch (DatabaseLock::TakeForRun(dbPath, &reason)) {
    case DatabaseLock::Outcome::OpenElsewhere:
        Prompts::MsgBox(DatabaseLock::OpenElsewhereMessage(dbPath), Prompts::vbOKOnly + Prompts::vbCritical);
        return false;
    case DatabaseLock::Outcome::Unusable:
        Prompts::MsgBox(DatabaseLock::UnusableMessage(dbPath, reason, true), Prompts::vbOKOnly + Prompts::vbCritical);
        return false;
    case DatabaseLock::Outcome::Held:
    case DatabaseLock::Outcome::NotPossible:
        break;
    }
    // Both the start-up window and the main window take the database: a
    // database that cannot be made is told once.
    QString error;
    if (!WorkingDatabase::Make(&error))
        Prompts::MsgBoxOncePerRun(error, Prompts::vbExclamation);
    return true;
}

void ImportOldInstallation()
{
    const QString legacy = AppPaths::legacyDir() + QStringLiteral("Tarrow.mdb");
    if (!QFileInfo(legacy).isFile())
        return;

    // The older data is merged into the working database, wherever it is;
    // through a link, beside the file it points to, which it replaces.
    const QString target = modDatabase::LocalDatabasePath();
    const QString real = FileSync::realFile(target);
    const QString work = AppPaths::join(QFileInfo(real).absolutePath(), QStringLiteral("oldTarrow.mdb"));
    const DatabaseLock::ReplaceLock replacing(target);
    if (replacing.refused())
        throw VbError(3000, kMigrationSource,
                      QStringLiteral("The database '%1' is open in another copy of Velmora.").arg(target));

    removeDatabaseFile(work);
    if (!QFile::copy(legacy, work))
        throw VbError(3051, kMigrationSource,
                      QStringLiteral("The older installation's database '%1' cannot be copied to '%2'.")
                          .arg(legacy, work));

    try {
        // The merged file takes the working database's place with its mode.
        if (!FileSync::takeModeOf(real, work))
            throw VbError(3051, kMigrationSource,
                          QStringLiteral("'%1' cannot be given the working database's permissions.").arg(work));
        DaoDatabase cur = modDatabase::OpenLocalDatabase();
        DaoDatabase old = modDatabase::gDbEngine.OpenDatabase(work);
        mergeTrainers(cur, old);
        if (!old.HasTable(QStringLiteral("BookRate")))
            copyBookRates(old, cur.Name(), cur.TableDef(QStringLiteral("BookRate")));
        cur.Close();
        old.Close();

        // The finished copy replaces the working database in one step: there
        // is never a moment without a whole Tarrow.mdb.
        if (!modDatabase::gDbEngine.CloseDatabase(work) || !modDatabase::gDbEngine.CloseDatabase(target))
            throw VbError(3000, kMigrationSource, QStringLiteral("The database is still in use."));
        if (!FileSync::toDisk(work))
            throw VbError(3051, kMigrationSource, QStringLiteral("'%1' cannot be written to disk.").arg(work));
        if (!FileSync::replace(work, real))
            throw VbError(3051, kMigrationSource,
                          QStringLiteral("'%1' cannot be replaced by the migrated database.").arg(target));
    } catch (...) {
        removeDatabaseFile(work);
        throw;
    }
}
} // namespace modGlobal

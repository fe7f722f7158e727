#include "core/WorkingDatabase.h"

#include "core/modDatabase.h"
#include "platform/AppPaths.h"
#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace
{
struct Connection
{
    sqlite3* db = nullptr;
    ~Connection()
    {
        if (db)
            sqlite3_close_v2(db);
    }
    bool open(const QString& path, int flags)
    {
        return sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) == SQLITE_OK;
    }
    QString error() const { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory"); }
};

// The names of the tables in an open database; nothing when it cannot be read.
std::optional<QStringList> tablesOf(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr) != SQLITE_OK)
        return std::nullopt;
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return std::nullopt;
    return names;
}

// One number a PRAGMA gives; -1 when it cannot be read.
qint64 pragmaValue(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return value;
}

// True for what an interrupted or broken first start can have left: a file
// of at most one page that holds no table, with no change of its own waiting
// beside it. Nothing of the user's can be in it. A larger file whose first
// page reads as an empty schema is damaged, and its other pages may still
// hold the user's rows: it is the user's, and never made again.
bool holdsNothing(const QString& path)
{
    if (!FileSync::journalBeside(path).isEmpty())
        return false;
    const qint64 size = QFileInfo(path).size();
    if (size == 0)
        return true;
    Connection c;
    if (!c.open(path, SQLITE_OPEN_READONLY))
        return false;
    const std::optional<QStringList> tables = tablesOf(c.db);
    if (!tables || !tables->isEmpty())
        return false;
    const qint64 pageSize = pragmaValue(c.db, "PRAGMA page_size");
    const qint64 pages = pragmaValue(c.db, "PRAGMA page_count");
    return pageSize > 0 && pages >= 0 && pages <= 1 && size <= pageSize;
}

// Why the template cannot be made into a working database; empty when it can.
QString templateFault(sqlite3* db)
{
    const std::optional<QStringList> tables = tablesOf(db);
    if (!tables)
        return QString::fromUtf8(sqlite3_errmsg(db));
    QStringList missing;
    for (const QString& table : modDatabase::OurTables()) {
        if (!tables->contains(table, Qt::CaseInsensitive))
            missing << table;
    }
    if (missing.isEmpty())
        return QString();
    if (tables->isEmpty())
        return QStringLiteral("it holds no tables");
    return QStringLiteral("it lacks the tables ") + missing.join(QStringLiteral(", "));
}
} // namespace

namespace WorkingDatabase
{
bool Make(QString* error)
{
    const QString folder = modDatabase::LocalDatabaseFolder();
    if (AppPaths::appDirIsSelfContained() || !AppPaths::sameFolder(folder, AppPaths::dataDir()))
        return true;
    const QString dbPath = AppPaths::join(folder, QStringLiteral("Tarrow.mdb"));
    const QString source = AppPaths::join(AppPaths::appDir(), QStringLiteral("Tarrow.mdb"));
    if (!QFileInfo(source).isFile())
        return true;
    // A working database that is a link is made where the link points, and
    // the link is kept. A link whose file cannot be found is left as it is:
    // nothing is made at either end of it (the start tells it).
    const QString target = FileSync::realFile(dbPath);
    const bool remake = QFileInfo::exists(target);
    if (!remake && QFileInfo(dbPath).isSymLink())
        return true;
    if (remake && !holdsNothing(target))
        return true;
    // An interrupted change's journal still waits for the database it
    // belongs to: a new file of that name would take it in and be damaged.
    if (!FileSync::journalBeside(target).isEmpty())
        return true;
    const QString targetFolder = QFileInfo(target).absolutePath();

    const QString nothingChanged = QStringLiteral("Nothing was changed. \r");
    const QString orPick = QStringLiteral("; or pick a database in the window that follows.");
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The database ") + QDir::toNativeSeparators(target)
                     + QStringLiteral(" could not be made from ") + QDir::toNativeSeparators(source)
                     + QStringLiteral(": ") + why + QStringLiteral(". \r") + nothingChanged
                     + QStringLiteral("Make room on the disk, or allow writing to the folder ")
                     + QDir::toNativeSeparators(targetFolder)
                     + QStringLiteral(" (or ask whoever looks after this computer to), then start Velmora again")
                     + orPick;
        return false;
    };
    const auto broken = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The program's template database ") + QDir::toNativeSeparators(source)
                     + QStringLiteral(" is broken: ") + why + QStringLiteral(". \rThe database ")
                     + QDir::toNativeSeparators(target) + QStringLiteral(" cannot be made from it. ")
                     + nothingChanged
                     + QStringLiteral("Build or install Velmora again so that its template database is whole, then "
                                      "start Velmora again")
                     + orPick;
        return false;
    };
    const auto systemReason = [] { return QString::fromLocal8Bit(std::strerror(errno)); };

    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("the folder cannot be made (") + systemReason() + QLatin1Char(')'));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    if (::access(QFile::encodeName(targetFolder).constData(), W_OK) != 0)
        return fail(systemReason());

    // Written beside the target under another name and renamed once whole:
    // an interrupted copy never passes for the working database.
    const QString part = target + QStringLiteral("-new");
    FileSync::removeWithJournal(part);
    {
        // Opened for writing where that is allowed, so that SQLite rolls back
        // a change left unfinished in the program folder before copying; a
        // read-only installation is read as it is.
        Connection src;
        if (!src.open(source, SQLITE_OPEN_READWRITE))
            return broken(src.error());
        if (const QString fault = templateFault(src.db); !fault.isEmpty())
            return broken(fault);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(src.db, "VACUUM INTO ?", -1, &st, nullptr) != SQLITE_OK)
            return fail(src.error());
        const QByteArray into = part.toUtf8();
        sqlite3_bind_text(st, 1, into.constData(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            const QString why = src.error();
            FileSync::removeWithJournal(part);
            return fail(why);
        }
    }
    // A new database is its owner's alone; one made again in place of what a
    // broken start left keeps that file's mode.
    FileSync::takeModeOf(target, part);
    if (!FileSync::toDisk(part) || (!remake && QFileInfo::exists(target)) || !FileSync::replace(part, target)) {
        const QString why = systemReason();
        FileSync::removeWithJournal(part);
        return fail(why);
    }
    return true;
}
} // namespace WorkingDatabase

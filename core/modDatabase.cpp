#include "core/modDatabase.h"

#include "core/DatabaseLock.h"
#include "core/cAppSettings.h"
#include "core/modUtils.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/DaoConnection.h"
#include "platform/FileSync.h"
#include "platform/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <future>
#include <iterator>
#include <optional>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{
const QString kSource = QStringLiteral("Velmora.modDatabase");

QString argText(sqlite3_value* v)
{
    return QString(reinterpret_cast<const QChar*>(sqlite3_value_text16(v)), sqlite3_value_bytes16(v) / 2);
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    sqlite3_result_text16(ctx, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
}

void fnUCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toUpper());
}

void fnLCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toLower());
}

// The numeric value of a text: the leading number, blanks passed over,
// "&H"/"&O" numbers, 0 when there is none. A number stays itself and Null
// stays Null.
void fnVal(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    case SQLITE_FLOAT:
        return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
    default: {
        const double v = modUtils::Val(argText(argv[0]));
        if (v == std::floor(v) && std::fabs(v) < 9.0e15)
            sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(v));
        else
            sqlite3_result_double(ctx, v);
    }
    }
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

// Nz(value [, instead]): the value, or `instead` ("" when not given) for Null.
void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL)
        return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1)
        return sqlite3_result_value(ctx, argv[1]);
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, argText(argv[0]).size());
}

// Mid(text, start [, length]) with a 1-based start.
void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString s = argText(argv[0]);
    const qsizetype start = qMax<qsizetype>(1, sqlite3_value_int64(argv[1]));
    const qsizetype len = argc > 2 ? qMax<qsizetype>(0, sqlite3_value_int64(argv[2])) : s.size();
    resultText(ctx, s.mid(start - 1, len));
}

void installJetFunctions(sqlite3* db)
{
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "UCase", 1, det, nullptr, fnUCase, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "LCase", 1, det, nullptr, fnLCase, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Val", 1, det, nullptr, fnVal, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Now", 0, SQLITE_UTF8, nullptr, fnNow, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Nz", 1, det, nullptr, fnNz, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Nz", 2, det, nullptr, fnNz, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Len", 1, det, nullptr, fnLen, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Mid", 2, det, nullptr, fnMid, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "Mid", 3, det, nullptr, fnMid, nullptr, nullptr, nullptr);
}

/** The tables every Velmora database holds. */
const char* const kOurTables[] = {"Meeting", "Race",     "Noms",            "Bookings", "Trainer", "Jockey",
                                  "RaceStats", "BookingTemplate", "BookRate", "RaceType", "RBHTable"};

std::function<void(const char*)> g_compactionHook;
constexpr auto quoteId = &DaoConnection::quoteId;

QString databaseFolder()
{
    return modDatabase::DatabaseFolderFor(gAppSettings.DBPath);
}

// SQLite's column affinity for a declared type.
QString affinityOf(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return QStringLiteral("INTEGER");
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return QStringLiteral("TEXT");
    if (t.trimmed().isEmpty() || t.contains(QLatin1String("BLOB")))
        return QStringLiteral("BLOB");
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return QStringLiteral("REAL");
    return QStringLiteral("NUMERIC");
}

struct RawDb
{
    sqlite3* db = nullptr;
    ~RawDb()
    {
        if (db)
            sqlite3_close_v2(db);
    }
    bool open(const QString& path, int flags)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK)
            return false;
        sqlite3_busy_timeout(db, 250);
        return true;
    }
    bool exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
};

void stage(const char* name)
{
    if (g_compactionHook)
        g_compactionHook(name);
}
} // namespace

namespace modDatabase
{
DaoEngine gDbEngine(installJetFunctions);

QString DatabaseFolderFor(const QString& setting)
{
    // The user's data folder stored as if chosen means no choice: the
    // default of each run, so a self-contained program folder still keeps to
    // its own database.
    if (setting.isEmpty() || AppPaths::sameFolder(setting, AppPaths::dataDir()))
        return AppPaths::defaultDatabaseDir();
    if (!AppPaths::appDirIsSelfContained() && AppPaths::sameFolder(setting, AppPaths::appDir()))
        return AppPaths::dataDir();
    return setting;
}

QStringList OurTables()
{
    QStringList names;
    for (const char* table : kOurTables)
        names << QString::fromLatin1(table);
    return names;
}

QString LocalDatabaseFolder()
{
    return databaseFolder();
}

QString LocalDatabasePath()
{
    return AppPaths::join(databaseFolder(), QStringLiteral("Tarrow.mdb"));
}

DaoDatabase OpenLocalDatabase()
{
    return gDbEngine.OpenDatabase(LocalDatabasePath());
}

DaoRecordset OpenLocalRecordset(const QString& sql, const QVariantList& params)
{
    return OpenLocalDatabase().OpenRecordset(sql, params);
}

QString SqlQuote(const QString& text)
{
    QString s = text;
    return s.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString RemoteSqlQuote(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return s.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString RemoteInList(const QString& localInList)
{
    QString s = localInList;
    return s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

QString UrlSqlQuote(QString& text)
{
    text = RemoteSqlQuote(text);
    QString s = text;
    return s.replace(QLatin1Char('&'), QLatin1String("%26"));
}

QVariant NullToEmpty(const QVariant& value)
{
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr)
        return QString(QLatin1String(""));
    return value;
}

QString DeclaredTypeFor(const QString& type)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*([A-Za-z]+)\s*(?:\(\s*(\d+)\s*\))?\s*$)"));
    const QRegularExpressionMatch m = re.match(type);
    if (!m.hasMatch())
        throw VbError(3259, kSource, QStringLiteral("Unknown column type '%1'.").arg(type));
    const QString base = m.captured(1).toLower();
    const int size = m.captured(2).toInt();
    if (base == QLatin1String("text") || base == QLatin1String("varchar") || base == QLatin1String("char"))
        return QStringLiteral("TEXT(%1) COLLATE NOCASE").arg(size > 0 ? size : 255);
    if (base == QLatin1String("memo") || base == QLatin1String("longtext"))
        return QStringLiteral("LONGTEXT COLLATE NOCASE");
    if (base == QLatin1String("single") || base == QLatin1String("real") || base == QLatin1String("ieeesingle"))
        return QStringLiteral("REAL");
    if (base == QLatin1String("double") || base == QLatin1String("float") || base == QLatin1String("ieeedouble"))
        return QStringLiteral("DOUBLE");
    if (base == QLatin1String("long") || base == QLatin1String("int"))
        return QStringLiteral("INTEGER");
    if (base == QLatin1String("integer") || base == QLatin1String("short") || base == QLatin1String("smallint"))
        return QStringLiteral("SMALLINT");
    if (base == QLatin1String("byte") || base == QLatin1String("tinyint"))
        return QStringLiteral("TINYINT");
    if (base == QLatin1String("currency") || base == QLatin1String("money"))
        return QStringLiteral("CURRENCY");
    if (base == QLatin1String("date") || base == QLatin1String("datetime") || base == QLatin1String("time"))
        return QStringLiteral("DATETIME");
    if (base == QLatin1String("yesno") || base == QLatin1String("bit") || base == QLatin1String("logical")
        || base == QLatin1String("boolean"))
        return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
    throw VbError(3259, kSource, QStringLiteral("Unknown column type '%1'.").arg(type));
}

namespace
{
// Rebuilds `table` with column `column` declared as `declared`, keeping the
// rows, the column order, the indexes and triggers on the table and every
// view (SQLite cannot change a column's type in place).
void rebuildTable(DaoDatabase& db, const DaoTableDef& def, const QString& column, const QString& declared)
{
    QStringList cols, names;
    QStringList pk;
    for (const DaoField& f : def.Fields()) {
        if (f.PrimaryKey())
            pk.append(quoteId(f.Name()));
    }
    for (const DaoField& f : def.Fields()) {
        QString c = quoteId(f.Name()) + QLatin1Char(' ');
        if (f.Name() == column) {
            c += declared;
        } else {
            c += f.DeclaredType();
            if (!f.Collation().isEmpty() && f.Collation().compare(QLatin1String("BINARY"), Qt::CaseInsensitive))
                c += QStringLiteral(" COLLATE ") + f.Collation();
            if (f.NotNull())
                c += QStringLiteral(" NOT NULL");
            if (!f.DefaultValue().isEmpty())
                c += QStringLiteral(" DEFAULT ") + f.DefaultValue();
        }
        if (f.PrimaryKey() && pk.size() == 1)
            c += QStringLiteral(" PRIMARY KEY");
        cols.append(c);
        names.append(quoteId(f.Name()));
    }
    if (pk.size() > 1)
        cols.append(QStringLiteral("PRIMARY KEY (%1)").arg(pk.join(QLatin1String(", "))));

    QList<QPair<QString, QString>> saved; // type, sql: indexes and triggers of the table, then views
    {
        DaoRecordset rs = db.OpenRecordset(
            QStringLiteral("SELECT type, sql FROM sqlite_master WHERE sql IS NOT NULL AND "
                           "((type IN ('index', 'trigger') AND tbl_name = ? COLLATE NOCASE) OR type = 'view') "
                           "ORDER BY type = 'view', rowid"),
            {def.Name()});
        for (; !rs.Eof(); rs.MoveNext())
            saved.append({rs.Fields(0).toString(), rs.Fields(1).toString()});
    }
    QStringList views;
    {
        DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view'"));
        for (; !rs.Eof(); rs.MoveNext())
            views.append(rs.Fields(0).toString());
    }

    const QString temp = QStringLiteral("__velmora_rebuild");
    db.Execute(QStringLiteral("PRAGMA legacy_alter_table = ON"));
    db.BeginTrans();
    try {
        for (const QString& v : views)
            db.Execute(QStringLiteral("DROP VIEW %1").arg(quoteId(v)));
        db.Execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteId(temp), cols.join(QLatin1String(", "))));
        db.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                       .arg(quoteId(temp), names.join(QLatin1String(", ")), quoteId(def.Name())));
        db.Execute(QStringLiteral("DROP TABLE %1").arg(quoteId(def.Name())));
        db.Execute(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoteId(temp), quoteId(def.Name())));
        for (const auto& [type, sql] : saved)
            db.Execute(sql);
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        db.Execute(QStringLiteral("PRAGMA legacy_alter_table = OFF"));
        throw;
    }
    db.Execute(QStringLiteral("PRAGMA legacy_alter_table = OFF"));
}
} // namespace

void AddOrAlterColumn(const QString& table, const QString& column, const QString& type)
{
    DaoDatabase db = OpenLocalDatabase();
    const DaoTableDef def = db.TableDef(table); // throws for a missing table
    const QString declared = DeclaredTypeFor(type);
    const DaoField* existing = def.FieldExact(column);
    if (!existing) {
        db.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(quoteId(def.Name()), quoteId(column), declared));
        return;
    }
    // The same storage class: nothing to change, except a text asked for
    // wider than it is (its texts are cut to the stated size on writing).
    // A text is never narrowed: stored rows would lose their ends.
    const QString want = affinityOf(declared.section(QLatin1Char(' '), 0, 0));
    if (affinityOf(existing->DeclaredType()) == want) {
        static const QRegularExpression sizeRe(QStringLiteral(R"(^TEXT\((\d+)\))"));
        const QRegularExpressionMatch m = sizeRe.match(declared);
        const bool widen = m.hasMatch() && existing->Type() == DaoType::Text && existing->Size() > 0
                           && m.captured(1).toInt() > existing->Size();
        if (!widen)
            return;
    }
    rebuildTable(db, def, column, declared);
}

void SetCompactionHook(std::function<void(const char* stage)> hook)
{
    g_compactionHook = std::move(hook);
}

namespace
{
using Failure = CompactionFailure::Kind;

/** A compaction step that failed, with its cause. */
struct CompactionError
{
    Failure kind;
    QString detail;
};


/** What a failed SQLite step on the copy means to the user. */
CompactionError sqliteFailure(int rc, sqlite3* db, const QString& folder)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    // A write the system refused for want of room reads as an I/O error.
    const int systemError = db ? sqlite3_system_errno(db) : 0;
    if (systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG)
        return {Failure::DiskFull, message};
    switch (rc & 0xff) {
    case SQLITE_FULL:
        return {Failure::DiskFull, message};
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return {Failure::FolderNotWritable, folder};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {Failure::InUse, message};
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return {Failure::Damaged, message};
    default:
        return {Failure::Other, message};
    }
}

/** What a failed file operation (errno) means to the user. */
CompactionError fileFailure(int error, const QString& folder)
{
    if (error == ENOSPC || error == EDQUOT)
        return {Failure::DiskFull, QString::fromLocal8Bit(std::strerror(error))};
    if (error == EACCES || error == EPERM || error == EROFS)
        return {Failure::FolderNotWritable, folder};
    return {Failure::Other, QString::fromLocal8Bit(std::strerror(error))};
}

/** True when a rollback journal lies beside `dbPath`: a change to it was
 *  interrupted and must be undone before the file can be read. (SQLite keeps
 *  it beside the file a link points to.) */
bool interruptedChangeBeside(const QString& dbPath)
{
    const QFileInfo journal(FileSync::realFile(dbPath) + QStringLiteral("-journal"));
    return journal.isFile() && journal.size() > 0;
}

bool writable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

/** One number a query gives; -1 when it cannot be read. */
qint64 queryValue(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return value;
}

/** For an SQLite file in which none of our tables was found: damage when it
 *  reads as holding no table at all, yet is more than one page long (a first
 *  page whose list of tables was damaged, the rows still in the pages after
 *  it) or fails SQLite's check. A file with tables of its own is foreign. */
std::optional<CompactionError> tableLessDamage(sqlite3* db, const QString& dbPath)
{
    if (queryValue(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'") != 0)
        return std::nullopt;
    const qint64 pageSize = queryValue(db, "PRAGMA page_size");
    const qint64 size = QFileInfo(dbPath).size();
    if (queryValue(db, "PRAGMA page_count") > 1 || (pageSize > 0 && size > pageSize))
        return CompactionError{Failure::Damaged,
                               QStringLiteral("no table can be read from it, yet it holds %1 KB")
                                   .arg((size + 1023) / 1024)};
    sqlite3_stmt* st = nullptr;
    const bool good = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr) == SQLITE_OK
                      && sqlite3_step(st) == SQLITE_ROW
                      && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") == 0;
    sqlite3_finalize(st);
    if (!good)
        return CompactionError{Failure::Damaged, QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT))};
    return std::nullopt;
}

/** Checks what the file is before anything touches it. */
std::optional<CompactionError> checkFile(const QString& dbPath)
{
    QFile f(dbPath);
    if (!f.open(QIODevice::ReadOnly))
        return CompactionError{Failure::Other, f.errorString()};
    if (f.size() == 0)
        return CompactionError{Failure::Empty, QString()};
    const QByteArray head = f.read(100);
    f.close();
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        return CompactionError{Failure::AccessFile, QString()};
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return CompactionError{Failure::NotDatabase, QString()};

    // Opened for writing under SQLite's normal locking: a rollback journal
    // left by a write that was killed (program, machine or power) is rolled
    // back by the first read here, so the file is checked as it was before
    // that write. A read-only connection cannot do that and would call an
    // intact database damaged. When the journal cannot be rolled back
    // because the file or its folder is read-only, the data is intact and
    // only write access is missing. SQLite says "readonly" for a read-only
    // file, but in a folder that cannot be written it undoes the change and
    // then fails to remove the journal, which it reports as an I/O error:
    // so a journal beside the file with the file or its folder not writable
    // decides it, whatever SQLite's words.
    const QString folder = QFileInfo(dbPath).absolutePath();
    const auto probeFailure = [&](int rc, sqlite3* db) -> CompactionError {
        switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {Failure::InUse, QString()};
        case SQLITE_READONLY:
            return {Failure::CannotRollBack, folder};
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            if (interruptedChangeBeside(dbPath) && (!writable(folder) || !writable(dbPath)))
                return {Failure::CannotRollBack, folder};
            break;
        default:
            break;
        }
        return {Failure::Damaged, QString::fromUtf8(sqlite3_errmsg(db))};
    };
    RawDb probe;
    if (!probe.open(dbPath, SQLITE_OPEN_READWRITE))
        return CompactionError{Failure::Damaged, QString()};
    QStringList missing;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(probe.db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                           -1, &st, nullptr)
        != SQLITE_OK)
        return probeFailure(sqlite3_extended_errcode(probe.db), probe.db);
    for (const char* table : kOurTables) {
        sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            const CompactionError failed = probeFailure(rc, probe.db);
            if (failed.kind != Failure::Damaged) {
                sqlite3_finalize(st);
                return failed;
            }
        }
        if (rc != SQLITE_ROW)
            missing << QString::fromLatin1(table);
    }
    sqlite3_finalize(st);
    if (missing.size() == static_cast<qsizetype>(std::size(kOurTables))) {
        if (auto damaged = tableLessDamage(probe.db, dbPath))
            return damaged;
    }
    if (!missing.isEmpty())
        return CompactionError{Failure::NotOurs, missing.join(QStringLiteral(", "))};
    return std::nullopt;
}

// `dbPath` is the database as the program opens it, `realPath` the file it
// reaches (the same unless `dbPath` is a link) and `folder` that file's folder.
std::optional<CompactionError> compact(const QString& folder, const QString& dbPath, const QString& realPath,
                                       const QString& tmpPath, bool& ownsCopy)
{
    // Without the database there is nothing to compact, and a "temp.mdb"
    // lying there may be the only copy left: leave it alone.
    if (!QFileInfo(realPath).isFile())
        return CompactionError{Failure::Missing, QString()};
    // An empty, foreign or Access file is not compacted: the copy would turn
    // it into an empty SQLite file of no use to anyone.
    if (auto wrong = checkFile(realPath))
        return wrong;
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        return fileFailure(errno, folder);

    // Another running copy of the program may have the file open without
    // any transaction SQLite could see: replacing the file would leave that
    // copy writing to a deleted one.
    DatabaseLock::ReplaceLock replacing(dbPath);
    if (replacing.refused())
        return CompactionError{Failure::InUse, QString()};

    // Our own connection must not be in the middle of a transaction; it is
    // closed for the duration and opened again on the result.
    const bool wasConnected = gDbEngine.IsConnected(dbPath);
    if (!gDbEngine.CloseDatabase(dbPath))
        return CompactionError{Failure::InUse, QString()};
    struct Reconnect
    {
        bool wanted;
        QString path;
        ~Reconnect()
        {
            if (!wanted)
                return;
            try {
                gDbEngine.OpenDatabase(path);
            } catch (...) {
                // Reported by the next use of the database.
            }
        }
    } reconnect{wasConnected, dbPath};

    RawDb guard;
    if (!guard.open(realPath, SQLITE_OPEN_READWRITE))
        return sqliteFailure(guard.db ? sqlite3_errcode(guard.db) : SQLITE_CANTOPEN, guard.db, folder);
    // In use elsewhere: another program reading or writing (another copy of
    // this program compacting included) holds a lock that an exclusive
    // transaction cannot get past. Checked before anything is removed, so a
    // second copy never deletes the first one's "temp.mdb".
    if (!guard.exec("BEGIN EXCLUSIVE"))
        return CompactionError{Failure::InUse, QString()};
    guard.exec("COMMIT");
    // From here until the copy has replaced the file, nobody may write.
    if (!guard.exec("BEGIN IMMEDIATE"))
        return CompactionError{Failure::InUse, QString()};

    // A copy left over from an earlier run is ours to replace now.
    ownsCopy = true;
    FileSync::removeWithJournal(tmpPath);
    if (QFileInfo::exists(tmpPath))
        return CompactionError{Failure::FolderNotWritable, folder};

    try {
        {
            RawDb src;
            if (!src.open(realPath, SQLITE_OPEN_READONLY))
                return sqliteFailure(src.db ? sqlite3_errcode(src.db) : SQLITE_CANTOPEN, src.db, folder);
            // The copy takes this connection's write settings. SQLite's own
            // flush of it is left out: the copy is flushed below, beside the
            // check, before it may replace the file. A small page cache
            // suits a copy that streams every page once (measured faster
            // than the default 2 MB).
            src.exec("PRAGMA synchronous = OFF");
            src.exec("PRAGMA cache_size = -512");
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(src.db, "VACUUM INTO ?", -1, &st, nullptr) != SQLITE_OK)
                return sqliteFailure(sqlite3_errcode(src.db), src.db, folder);
            const QByteArray target = tmpPath.toUtf8();
            sqlite3_bind_text(st, 1, target.constData(), -1, SQLITE_TRANSIENT);
            const int rc = sqlite3_step(st);
            sqlite3_finalize(st);
            if (rc != SQLITE_DONE)
                return sqliteFailure(sqlite3_errcode(src.db), src.db, folder);
        }
        stage("copied");

        {
            // The flush to disk waits on the device and the check on the
            // processor: they run side by side, and both must succeed before
            // the copy may replace the file. (The future waits for the flush
            // however this block is left.)
            std::future<int> flushed = std::async(std::launch::async, [path = tmpPath] {
                return FileSync::toDisk(path) ? 0 : (errno ? errno : EIO);
            });
            bool good = false;
            {
                RawDb check;
                if (!check.open(tmpPath, SQLITE_OPEN_READONLY))
                    return CompactionError{Failure::Other, QStringLiteral("the copy cannot be opened")};
                check.exec("PRAGMA cache_size = -512");
                sqlite3_stmt* st = nullptr;
                good = sqlite3_prepare_v2(check.db, "PRAGMA quick_check", -1, &st, nullptr) == SQLITE_OK
                       && sqlite3_step(st) == SQLITE_ROW
                       && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") == 0;
                sqlite3_finalize(st);
            }
            const int syncError = flushed.get();
            if (!good)
                return CompactionError{Failure::Damaged, QStringLiteral("the compacted copy failed its check")};
            if (syncError != 0)
                return fileFailure(syncError, folder);
        }
        stage("checked");

        // The compacted file keeps the original's permissions (a read-only
        // database stays read-only).
        FileSync::takeModeOf(realPath, tmpPath);

        // One step: readers see either the old file or the compacted one.
        if (!FileSync::replace(tmpPath, realPath))
            return fileFailure(errno, folder);
    } catch (const std::exception& e) {
        return CompactionError{Failure::Other, QString::fromLocal8Bit(e.what())};
    }
    return std::nullopt;
}
} // namespace

bool CompactLocalDatabase()
{
    return CompactLocalDatabase(nullptr);
}

bool CompactLocalDatabase(CompactionFailure* why)
{
    const QString dbPath = AppPaths::join(databaseFolder(), QStringLiteral("Tarrow.mdb"));
    // A database reached through a link is compacted where the file itself
    // lies: the copy is made beside that file and replaces it there, and the
    // link stays a link.
    const QString realPath = FileSync::realFile(dbPath);
    const QString folder = QFileInfo(realPath).absolutePath();
    const QString tmpPath = AppPaths::join(folder, QStringLiteral("temp.mdb"));

    std::optional<CompactionError> failed;
    bool ownsCopy = false;
    try {
        failed = compact(folder, dbPath, realPath, tmpPath, ownsCopy);
    } catch (const std::exception& e) {
        failed = CompactionError{Failure::Other, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        failed = CompactionError{Failure::Other, QString()};
    }
    if (failed) {
        // A copy we started is removed; a "temp.mdb" that was there before
        // we held the file (another copy of the program's) is not ours.
        if (ownsCopy && QFileInfo(realPath).isFile())
            FileSync::removeWithJournal(tmpPath);
        if (why) {
            why->kind = failed->kind;
            why->path = realPath;
            why->detail = failed->detail;
        }
        return false;
    }
    if (why)
        *why = CompactionFailure{};
    try {
        stage("renamed");
    } catch (...) {
        // The file is already replaced; a hook failing now changes nothing.
    }
    return true;
}

QString CompactionFailureMessage(const CompactionFailure& failure)
{
    const QString generic =
        QStringLiteral("Database damaged or being used by another program, please contact Hallard Support.");
    const QString path = QDir::toNativeSeparators(failure.path);
    const QString left = QStringLiteral("The file has been left as it is.");
    const QString intact = QStringLiteral("Your data is intact: the database has been left as it is.");
    switch (failure.kind) {
    case Failure::None:
        return QString();
    case Failure::Empty: {
        // A journal beside it belongs to whatever database had that name
        // last: a file made under that name would take the journal in.
        const QString journal = FileSync::journalBeside(failure.path);
        return QStringLiteral("The database file ") + path
               + QStringLiteral(" is empty (0 bytes): it holds no Velmora data. \r") + left
               + (journal.isEmpty()
                      ? QStringLiteral(" \rRestore Tarrow.mdb from a backup, or move the empty file away to choose "
                                       "the database at the next start.")
                      : QStringLiteral(" \rMove both the empty file and the journal ") + QDir::toNativeSeparators(journal)
                            + QStringLiteral(" beside it away (a backup put back beside that journal would be damaged "
                                             "by it), then restore Tarrow.mdb from a backup, or choose the database "
                                             "at the next start."));
    }
    case Failure::AccessFile:
        return QStringLiteral("The database file ") + path
               + QStringLiteral(" is a Microsoft Access database. This program keeps its data in an SQLite "
                                "database file and cannot read Access files. \r")
               + left;
    case Failure::NotOurs:
        return QStringLiteral("The database file ") + path
               + QStringLiteral(" is an SQLite database, but not a Velmora database: it lacks the tables ")
               + failure.detail + QStringLiteral(". \r") + left;
    case Failure::NotDatabase:
        return generic + QStringLiteral(" \r\rThe file ") + path
               + QStringLiteral(" is not a database file: it is damaged or of another kind. \r") + left;
    case Failure::Missing:
        return generic + QStringLiteral(" \r\rThe file ") + path + QStringLiteral(" cannot be found.");
    case Failure::InUse:
        return generic + QStringLiteral(" \r\rThe file ") + path
               + QStringLiteral(" is in use by another program (perhaps another copy of Velmora).");
    // A folder or disk that cannot take a write is no damage: the message
    // says so, so that nobody restores an older backup over intact data.
    case Failure::FolderNotWritable:
        return QStringLiteral("The folder ") + QDir::toNativeSeparators(failure.detail)
               + QStringLiteral(" cannot be written to, so the database cannot be compacted there. \r") + intact
               + QStringLiteral(" \rAllow writing to that folder (or ask whoever looks after this computer to), then "
                                "try again.");
    case Failure::CannotRollBack:
        return QStringLiteral("The database file ") + path
               + QStringLiteral(" cannot be opened: a change to it was interrupted (the program or the computer "
                                "stopped in the middle of it), and that change cannot be undone because the file or "
                                "its folder ")
               + QDir::toNativeSeparators(failure.detail) + QStringLiteral(" cannot be written to. \r") + intact
               + QStringLiteral(" The unfinished change is kept beside it in ") + path
               + QStringLiteral("-journal and is undone once writing is allowed. \rAllow writing to the file and its "
                                "folder (or ask whoever looks after this computer to), then start Velmora again. Do "
                                "not delete the journal file and do not restore a backup.");
    case Failure::DiskFull:
        return QStringLiteral("The disk holding ") + path
               + QStringLiteral(" is full: there is no room for the compacted copy. \r") + intact
               + QStringLiteral(" \rMake room on that disk (move or delete files you no longer need), then try "
                                "again.");
    case Failure::Damaged:
        return generic + QStringLiteral(" \r\rThe file ") + path + QStringLiteral(" is damaged")
               + (failure.detail.isEmpty() ? QString() : QStringLiteral(" (") + failure.detail + QLatin1Char(')'))
               + QLatin1Char('.');
    case Failure::Other:
        break;
    }
    return generic + QStringLiteral(" \r\rThe file ") + path + QStringLiteral(" could not be compacted")
           + (failure.detail.isEmpty() ? QString() : QStringLiteral(": ") + failure.detail) + QLatin1Char('.');
}

CompactionFailure CheckDatabaseFile(const QString& dbPath)
{
    CompactionFailure result;
    result.path = dbPath;
    // The same look the compaction takes before it touches the file.
    const std::optional<CompactionError> wrong =
        QFileInfo(dbPath).isFile() ? checkFile(dbPath) : CompactionError{Failure::Missing, QString()};
    if (wrong) {
        result.kind = wrong->kind;
        result.detail = wrong->detail;
    }
    return result;
}
} // namespace modDatabase

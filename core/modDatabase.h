#pragma once

#include "platform/DaoDatabase.h"
#include "platform/DaoEngine.h"
#include "platform/DaoRecordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

/**
 * The one way into the local database file Tarrow.mdb: open it, open a
 * recordset, quote texts for SQL, read Null as empty, add or re-type a
 * column, and compact the file. (The HTTP routine and the remote query
 * service share this namespace; see core/HttpRequest.h.)
 */
namespace modDatabase
{
/** The process-wide database engine: opens files by path. */
extern DaoEngine gDbEngine;

/** The folder of the working database: the DBPath setting; when it is
 *  empty, or names the user's data folder, the default folder of this run
 *  (the user's data folder, or a self-contained program folder). An earlier
 *  version stored the program's own folder there by itself: outside a
 *  self-contained folder that is where the build writes its template, so it
 *  also means the user's data folder. */
QString LocalDatabaseFolder();

/** The database file's path: LocalDatabaseFolder() and "Tarrow.mdb", with
 *  exactly one "/" between them. */
QString LocalDatabasePath();

/** The working database's folder for the Database Path setting `setting`
 *  (LocalDatabaseFolder() is this for the setting in use). */
QString DatabaseFolderFor(const QString& setting);

/** The tables every Velmora database holds. */
QStringList OurTables();

/** Opens the local database. Throws VbError when the file is missing (it is
 *  never created) or is not a database. */
DaoDatabase OpenLocalDatabase();

/** Opens the local database and a recordset on `sql` (updatable when it
 *  reads one table). Failures reach the caller. */
DaoRecordset OpenLocalRecordset(const QString& sql, const QVariantList& params = {});

/** `text` with every "'" doubled, for a text literal inside '...' of local
 *  SQL (SQLite takes a backslash as an ordinary character). */
QString SqlQuote(const QString& text);

/** `text` for a literal inside '...' of SQL sent to the remote form
 *  database, a MySQL-family server where a backslash escapes the character
 *  after it: every "\" is doubled and every "'" is doubled, so the text
 *  arrives as it was typed and never ends the literal early. */
QString RemoteSqlQuote(const QString& text);

/** An IN-list built for local SQL ("( 'a', 'O''Brien')", names quoted with
 *  SqlQuote) made fit for remote SQL: its backslashes doubled. A backslash
 *  can only stand inside one of its literals, so every name ends up quoted as
 *  RemoteSqlQuote quotes it. */
QString RemoteInList(const QString& localInList);

/** Doubles every "\" and every "'" in the caller's own variable (the remote
 *  rule of RemoteSqlQuote), then returns that text with every "&" written
 *  "%26". The variable keeps the doubled characters. */
QString UrlSqlQuote(QString& text);

/** "" for Null (an invalid QVariant), the value unchanged otherwise. */
QVariant NullToEmpty(const QVariant& value);

/**
 * Makes `column` of `table` exist with the kind `type` ("Text(24)", "Single",
 * "Date", "Long", "Integer", "Double", "Currency", "Memo", "YesNo").
 * The column is looked for by its exact name (letter case counts): when it is
 * missing it is added (a name differing only in case is refused by the
 * database, which throws); when it exists with the same kind nothing happens,
 * except that a text column asked for with a larger size is widened (never
 * narrowed);
 * when its kind really differs the table is rebuilt with the new kind, keeping
 * its rows, column order, indexes and the views on it.
 * Throws VbError when the table is missing or the database refuses.
 */
void AddOrAlterColumn(const QString& table, const QString& column, const QString& type);

/** The declared SQLite type for a column kind as AddOrAlterColumn takes it
 *  ("Text(24)" → "TEXT(24) COLLATE NOCASE", "Single" → "REAL"). Throws
 *  VbError for an unknown kind. */
QString DeclaredTypeFor(const QString& type);

/**
 * Compacts the local database: a compacted copy "temp.mdb" is written in the
 * same folder, checked, and renamed over Tarrow.mdb in one step (for a
 * Tarrow.mdb that is a link: beside the file it points to, which it replaces,
 * leaving the link as it is). True when
 * every step succeeded. On any failure (file missing, in use by another
 * program, copy or check failing) the original file stays as it was and the
 * result is False; a copy left behind is removed.
 */
bool CompactLocalDatabase();

/** Why a compaction did not happen. */
struct CompactionFailure
{
    enum class Kind
    {
        None,
        Missing,           // no Tarrow.mdb in the folder
        Empty,             // a file of 0 bytes
        AccessFile,        // a Microsoft Access file
        NotDatabase,       // not an SQLite file (damaged or another kind)
        NotOurs,           // an SQLite file without our tables (detail: the missing ones)
        InUse,             // another program holds the file
        FolderNotWritable, // detail: the folder
        CannotRollBack,    // an interrupted change cannot be undone: the file or its folder is read-only (detail: the folder)
        DiskFull,
        Damaged,           // the file or its compacted copy fails SQLite's check
        Other,
    };
    Kind kind = Kind::None;
    QString path;   // the database file (the one a link points to)
    QString detail;
};

/**
 * The same, saying why it failed. The file is looked at before anything is
 * touched: an empty, foreign or Access file is refused as it is. The
 * compacted file keeps the original's permissions.
 */
bool CompactLocalDatabase(CompactionFailure* why);

/** The message for a failed compaction, naming its cause. */
QString CompactionFailureMessage(const CompactionFailure& failure);

/**
 * Looks at the database file `dbPath` as the start-up looks at it before
 * using it: the file is there, SQLite can read it, and it holds the program's
 * tables. Nothing is written (SQLite itself undoes an interrupted change, as
 * on any open). Kind::None when the file can be used; otherwise why not
 * (Missing, Empty, AccessFile, NotDatabase, NotOurs with the missing tables,
 * InUse, CannotRollBack, Damaged, Other), with `path` set to `dbPath`.
 */
CompactionFailure CheckDatabaseFile(const QString& dbPath);

/** Test hook: called with the name of each compaction stage ("copied",
 *  "checked", "renamed"); throwing from it makes that stage fail. Pass an
 *  empty function to remove it. */
void SetCompactionHook(std::function<void(const char* stage)> hook);
} // namespace modDatabase

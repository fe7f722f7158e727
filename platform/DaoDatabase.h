#pragma once

#include "platform/DaoRecordset.h"
#include "platform/DaoTableDef.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class DaoConnection;
struct sqlite3;

/**
 * An open local database (an SQLite 3 file). Handles are cheap to copy: all
 * handles on one file share the engine's one connection to it (DaoEngine).
 *
 * Statements are SQLite SQL. The connections of the program's engine
 * (modDatabase::gDbEngine) also know the Jet functions the program's
 * statements use: UCase, LCase, Val (numeric value of a text: the leading
 * number, blanks passed over, "&H"/"&O" numbers, 0 when none, Null stays
 * Null), Now() (the program clock as "YYYY-MM-DD HH:MM:SS"), Nz, Len and Mid.
 * IIf and InStr are SQLite's own; Left( cannot be called in SQLite (use
 * substr), and "&" must be written "||".
 *
 * Parameters (`?`) bind QVariant values in the database's formats: QDate as
 * "YYYY-MM-DD", QDateTime as "YYYY-MM-DD HH:MM:SS", QTime as "HH:MM:SS",
 * bool as 1/0, Currency and float rounded as stored, an invalid QVariant as
 * Null. Failures throw VbError (number 3000 + SQLite's code, the SQLite
 * message as description).
 */
class DaoDatabase
{
public:
    DaoDatabase();
    ~DaoDatabase();
    DaoDatabase(const DaoDatabase&);
    DaoDatabase& operator=(const DaoDatabase&);
    DaoDatabase(DaoDatabase&&) noexcept;
    DaoDatabase& operator=(DaoDatabase&&) noexcept;

    bool IsOpen() const;
    /** The file's path. */
    QString Name() const;
    /** Lets go of this handle; the engine keeps the file's connection. */
    void Close();

    /** Runs one statement (or several separated by ";" when no parameters
     *  are given). Returns the number of rows changed. */
    qint64 Execute(const QString& sql, const QVariantList& params = {});
    /** Rows changed by the last Execute on this database. */
    qint64 RecordsAffected() const;
    /** The first column of the first row of a query; Null when no row. */
    QVariant Scalar(const QString& sql, const QVariantList& params = {});

    /** Opens a recordset on a query, or on a whole table when `sql` is just
     *  a table name (like "Noms" or "[Noms]"). Updatable when it reads one
     *  table without grouping (see DaoRecordset). */
    DaoRecordset OpenRecordset(const QString& sql, const QVariantList& params = {});

    /** Names of the tables, in the order they were created (no views). */
    QStringList TableNames() const;
    bool HasTable(const QString& name) const;
    /** Definition of a table, found without regard to letter case; throws
     *  VbError 3265 when there is none. */
    DaoTableDef TableDef(const QString& name) const;

    /** Text `value` cut to the stated size of table.column (when it has one
     *  and `value` is a text); other values unchanged. For statements that
     *  write texts straight into sized columns. */
    QVariant FitToField(const QString& table, const QString& column, const QVariant& value) const;

    void BeginTrans();
    void CommitTrans();
    void Rollback();
    bool InTransaction() const;

    /** The SQLite handle (benchmarks, tests, special statements). */
    sqlite3* handle() const;

private:
    friend class DaoEngine;
    friend class DaoRecordset;
    explicit DaoDatabase(std::shared_ptr<DaoConnection> c);
    std::shared_ptr<DaoConnection> m_conn;
    DaoConnection& conn() const;
};

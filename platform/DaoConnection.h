#pragma once

#include "platform/DaoTableDef.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <unordered_map>
#include <memory>

#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

/**
 * The one SQLite connection to a database file, shared by every handle on
 * it. It opens lazily (so it can be closed for a compaction or a file
 * replacement and come back on the next use), keeps prepared statements for
 * reuse, and caches table definitions until the schema changes. It belongs
 * to the thread that runs the program's handlers: SQLite does not lock it.
 */
class DaoConnection
{
public:
    DaoConnection(QString path, std::function<void(sqlite3*)> installer);
    ~DaoConnection();
    DaoConnection(const DaoConnection&) = delete;
    DaoConnection& operator=(const DaoConnection&) = delete;

    const QString& path() const { return m_path; }
    /** Rows changed by the last Execute through any handle. */
    qint64 lastAffected = 0;
    /** The open handle; opens the file first when closed. */
    sqlite3* db();
    bool isOpen() const { return m_db != nullptr; }
    void open();
    /** Closes the file; false (and still open) when a transaction is open. */
    bool close();
    bool inTransaction() const;
    /** Whether the file at the path is no longer the one opened (replaced,
     *  removed). */
    bool fileReplaced() const;

    /** A prepared statement, from the cache when one is free. Release it with
     *  a Statement (RAII) so it goes back. */
    class Statement
    {
    public:
        Statement(DaoConnection& c, const QString& sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        sqlite3_stmt* get() const { return m_stmt; }
        operator sqlite3_stmt*() const { return m_stmt; }
        void bind(const QVariantList& params);
        void bind(int index, const QVariant& value, int cutTo = 0);
        /** sqlite3_step, throwing on an error; true for a row. */
        bool step();
        QVariant column(int index) const;
        /** The statement goes back without clearing its parameters: for a
         *  caller that binds every parameter each time it runs it. */
        void keepBindings() { m_keepBindings = true; }

    private:
        DaoConnection& m_conn;
        sqlite3_stmt* m_stmt = nullptr;
        QString m_sql;
        bool* m_busy = nullptr; // the cache entry's flag; null when not cached
        bool m_keepBindings = false;
    };

    /** Runs a statement with parameters and returns the rows changed. */
    qint64 exec(const QString& sql, const QVariantList& params = {});
    /** Runs SQL text that may hold several statements (no parameters). */
    void execScript(const QString& sql);

    /** Table definition by name (case ignored); nullptr when no such table. */
    const DaoTableDef* tableDef(const QString& name);
    QStringList tableNames();

    [[noreturn]] void fail(int rc, const QString& context) const;
    static QVariant readColumn(sqlite3_stmt* s, int index);
    /** The same, the column's declared kind already known (it is fixed for a
     *  prepared statement, so a reader of many rows looks it up once). */
    static QVariant readColumn(sqlite3_stmt* s, int index, DaoType kind);
    static void bindValue(sqlite3_stmt* s, int index, const QVariant& value, int cutTo = 0);
    /** A value written to a column of the given kind: texts for a Yes/No or
     *  date column read into the stored form. */
    static QVariant normaliseFor(const DaoField& field, const QVariant& value);
    /** Whether normaliseFor gives the value back unchanged. */
    static bool keptAsIs(const DaoField& field, const QVariant& value);
    /** A stored text read as a column of that kind gives it (a date text of
     *  a date column as QDateTime, otherwise the text). */
    static QVariant readText(const DaoField& field, const QString& text);
    /** The text form of a date/time value as the database stores it. */
    static QString dateText(const QDateTime& dt);
    /** A table or column name quoted for SQL text ("a""b" for a"b). */
    static QString quoteId(const QString& name);

private:
    sqlite3_stmt* acquire(const QString& sql, bool*& busy);
    static void giveBack(sqlite3_stmt* s, bool* busy, bool clearBindings = true);
    void dropStatements();
    void loadSchema();

    QString m_path;
    std::function<void(sqlite3*)> m_installer;
    sqlite3* m_db = nullptr;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    struct Cached
    {
        sqlite3_stmt* stmt = nullptr;
        bool busy = false;
    };
    // Node-based, so an entry stays where it is while others are added.
    std::unordered_map<QString, Cached> m_stmts;
    int m_schemaVersion = -1;
    QHash<QString, DaoTableDef> m_tables; // key: lower-case name
    QStringList m_tableOrder;
};

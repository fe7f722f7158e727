#pragma once

#include "platform/DaoDatabase.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

class DaoConnection;
struct sqlite3;

/**
 * The process-wide database engine: opens database files by path and keeps
 * one connection per file, shared by every handle on that file, so the
 * program's many short "open, read, close" steps cost nothing and see each
 * other's writes at once.
 *
 * A file is never created by opening it: a missing file is an error, and so
 * is a file that is not an SQLite database (a Microsoft Access file gets its
 * own message). When the file at a path has been replaced (renamed over) or
 * removed since its connection was made, the next OpenDatabase notices and
 * reconnects.
 */
class DaoEngine
{
public:
    /** `installer` is run on every new connection (to register the SQL
     *  functions the program's statements use). */
    explicit DaoEngine(std::function<void(sqlite3*)> installer = {});
    ~DaoEngine();
    DaoEngine(const DaoEngine&) = delete;
    DaoEngine& operator=(const DaoEngine&) = delete;

    /** Opens the database file at `path` (read and write). Throws VbError
     *  3024 when the file does not exist, 3343 when it is not a database. */
    DaoDatabase OpenDatabase(const QString& path);

    /** Closes the connection to `path` now (handles on it reconnect on their
     *  next use). False when it is in a transaction and was left open. */
    bool CloseDatabase(const QString& path);
    /** Closes every connection (tests; before fork). */
    void CloseAll();
    /** Whether a connection to `path` is open. */
    bool IsConnected(const QString& path) const;

    /** The canonical form of a path used as the cache key. */
    static QString canonicalPath(const QString& path);

private:
    std::function<void(sqlite3*)> m_installer;
    QHash<QString, std::shared_ptr<DaoConnection>> m_conns;
};

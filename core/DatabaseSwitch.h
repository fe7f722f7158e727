#pragma once

#include <QObject>

/**
 * Tells the windows that show rows of the database in use that another
 * database has taken its place (a change of Database Path in System
 * Defaults), so that they load their rows again from the new one. The main
 * window listens; core never needs to know who does.
 */
class DatabaseSwitch : public QObject
{
    Q_OBJECT

public:
    /** The one notifier of the process. */
    static DatabaseSwitch& notifier();

    /** Emits switched(); called once the new database is the one in use. */
    void announce();

signals:
    /** The database in use is now another file (modDatabase::LocalDatabasePath()). */
    void switched();

private:
    DatabaseSwitch() = default;
};

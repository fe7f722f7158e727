#pragma once

#include "platform/DaoDatabase.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

class TestEnv;

/**
 * A test's own local database: the build's template Tarrow.mdb copied into a
 * folder (the test's program folder by default), with the settings' DBPath
 * pointing at that folder, plus short ways to put rows in and read them back.
 *
 *     TestEnv env;
 *     DbFixture db(env);
 *     db.insert("Trainer", {{"TrainerName", "Smith"}, {"IgnoreTrainer", true}});
 *     EXPECT_EQ(db.count("Trainer"), 1);
 *
 * Values bind like the database layer's parameters (QDate as "YYYY-MM-DD",
 * bool as 1/0, an invalid QVariant as Null); texts are cut to their column's
 * stated size.
 */
class DbFixture
{
public:
    /** Installs the template in the environment's program folder and sets
     *  gAppSettings.DBPath to it. */
    explicit DbFixture(const TestEnv& env);
    /** Installs the template as `folder`/Tarrow.mdb; DBPath is set to
     *  `folder` only when `setDbPath`. */
    explicit DbFixture(const QString& folder, bool setDbPath = true);
    ~DbFixture();
    DbFixture(const DbFixture&) = delete;
    DbFixture& operator=(const DbFixture&) = delete;

    /** Full path of the database file. */
    const QString& path() const { return m_path; }
    /** SHA-256 of the database file as it is on disk (empty when unreadable):
     *  the way to show a failed operation left the file exactly as it was. */
    QByteArray fileHash() const;
    /** The database, through the program's engine. */
    DaoDatabase db() const;

    /** Adds one row; returns its rowid. */
    qint64 insert(const QString& table, const QVariantMap& row) const;
    /** Runs a statement; returns the rows changed. */
    qint64 exec(const QString& sql, const QVariantList& params = {}) const;
    /** First column of the first row, Null when no row. */
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;
    /** Number of rows of `table`, optionally only those meeting `where`. */
    int count(const QString& table, const QString& where = QString(), const QVariantList& params = {}) const;
    /** All rows of a query, each as column name → value. */
    QList<QVariantMap> rows(const QString& sql, const QVariantList& params = {}) const;

    /** Adds a past ride to RaceStats (race 1 at Flemington), each on the day
     *  after the ride added before it, so the rides keep their order. */
    void addRide(const QString& jockey, const QString& horse, int finish, const QString& trainer = QString()) const;

    /** Copies the template database to `path` (replacing a file there). */
    static void copyTemplate(const QString& path);

private:
    QString m_path;
};

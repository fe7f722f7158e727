// The schema upgrade by stored program version: columns added to an older
// file with its rows kept, nothing changed on a second run, the version
// limits, a failure before the tolerant part leaving settings alone, and a
// stored query of an older file replaced by the template's.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockey.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace
{
QString tableInfo(DbFixture& fx, const char* table)
{
    QStringList out;
    for (const QVariantMap& r : fx.rows(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
        out.append(r.value(QStringLiteral("name")).toString() + QLatin1Char(':') + r.value(QStringLiteral("type")).toString());
    return out.join(QLatin1Char(','));
}

// Turns the template into a file of an older version: Jockey and Noms without
// the columns added since, and no ByTrainer index; a row in each.
void makeOldFile(DbFixture& fx)
{
    fx.exec(QStringLiteral("DROP VIEW qryMeetingView; DROP VIEW qryJockeyInvoice; DROP INDEX ByTrainer;"
                           "ALTER TABLE Jockey DROP COLUMN InvoicePeriod; ALTER TABLE Jockey DROP COLUMN LastInvoiceDate;"));
    for (const char* c : {"LastMargin", "WgtRat", "AvgWin", "FormTrainer", "W800400", "RSecTime"})
        fx.exec(QStringLiteral("ALTER TABLE Noms DROP COLUMN %1").arg(QLatin1String(c)));
    fx.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("J Smith")}});
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("Horse"), QStringLiteral("Old Horse")}, {QStringLiteral("Weight"), 560}});
}

float storedVersion()
{
    cAppSettings s;
    s.LoadSettings();
    return s.AppVersion;
}
} // namespace

TEST(UpgradeSchema, VersionNumber)
{
    EXPECT_EQ(modJockey::VersionNumber(2, 6, 18), 2.618f);
    EXPECT_EQ(modJockey::VersionNumber(2, 6, 17), 2.617f);
    EXPECT_LT(modJockey::VersionNumber(2, 6, 18), 2.62f);
}

TEST(UpgradeSchema, OldFileGetsTheColumnsAndASecondRunChangesNothing)
{
    TestEnv env;
    DbFixture fx(env);
    makeOldFile(fx);
    gAppSettings.AppVersion = 0;
    modJockey::UpgradeSchema();

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    const DaoTableDef noms = db.TableDef(QStringLiteral("Noms"));
    EXPECT_EQ(noms.FieldExact(QStringLiteral("LastMargin"))->Type(), DaoType::Single);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("WgtRat"))->Type(), DaoType::Single);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("AvgWin"))->Type(), DaoType::Single);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("FormTrainer"))->Size(), 50);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("W800400"))->Size(), 5);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("RSecTime"))->Type(), DaoType::Single);
    const DaoTableDef jockey = db.TableDef(QStringLiteral("Jockey"));
    EXPECT_EQ(jockey.FieldExact(QStringLiteral("InvoicePeriod"))->Size(), 2);
    EXPECT_EQ(jockey.FieldExact(QStringLiteral("LastInvoiceDate"))->Type(), DaoType::Date);
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'ByTrainer'")).isValid());
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Weight FROM Noms WHERE Horse = 'Old Horse'")).toInt(), 560);
    EXPECT_EQ(fx.count(QStringLiteral("Jockey")), 1);
    EXPECT_EQ(gAppSettings.AppVersion, 2.618f);
    EXPECT_EQ(storedVersion(), 2.618f);

    // Written columns work at once (the last-start loader writes them).
    fx.exec(QStringLiteral("UPDATE Noms SET W800400 = '1234', RSecTime = 71.5, FormTrainer = ?"),
            {QStringLiteral("A Trainer")});

    const QString nomsBefore = tableInfo(fx, "Noms");
    const QString jockeyBefore = tableInfo(fx, "Jockey");
    const int version = fx.scalar(QStringLiteral("PRAGMA schema_version")).toInt();
    for (float stored : {2.618f, 0.0f}) {
        gAppSettings.AppVersion = stored;
        modJockey::UpgradeSchema();
        EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA schema_version")).toInt(), version) << stored;
        EXPECT_EQ(tableInfo(fx, "Noms"), nomsBefore);
        EXPECT_EQ(tableInfo(fx, "Jockey"), jockeyBefore);
    }
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT W800400 FROM Noms")).toString(), QStringLiteral("1234"));
}

TEST(UpgradeSchema, ANarrowFormTrainerIsWidenedKeepingItsRows)
{
    const QString partnership = QStringLiteral("Ciaron Maher & David Eustace (Partnership)");
    ASSERT_GT(partnership.size(), 24);
    for (float stored : {0.0f, 2.618f, 2.7f}) {
        SCOPED_TRACE(stored);
        TestEnv env;
        DbFixture fx(env);
        // An older file: the column as 24 characters, holding a (cut) name.
        fx.exec(QStringLiteral("DROP VIEW qryMeetingView; ALTER TABLE Noms DROP COLUMN FormTrainer;"
                               "ALTER TABLE Noms ADD COLUMN FormTrainer TEXT(24) COLLATE NOCASE"));
        fx.insert(QStringLiteral("Noms"), {{QStringLiteral("Horse"), QStringLiteral("Alpha")},
                                           {QStringLiteral("FormTrainer"), partnership.left(24)}});
        gAppSettings.AppVersion = stored;
        modJockey::UpgradeSchema();

        const DaoTableDef noms = modDatabase::OpenLocalDatabase().TableDef(QStringLiteral("Noms"));
        EXPECT_EQ(noms.FieldExact(QStringLiteral("FormTrainer"))->Size(), 50);
        EXPECT_EQ(fx.scalar(QStringLiteral("SELECT FormTrainer FROM Noms WHERE Horse = 'Alpha'")).toString(),
                  partnership.left(24));
        // The whole name now goes in through the layer.
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        db.Execute(QStringLiteral("UPDATE Noms SET FormTrainer = ? WHERE Horse = 'Alpha'"), {partnership});
        EXPECT_EQ(fx.scalar(QStringLiteral("SELECT FormTrainer FROM Noms WHERE Horse = 'Alpha'")).toString(),
                  partnership);
        db.Close();
        modDatabase::gDbEngine.CloseAll();
    }
    // A text column is never narrowed.
    TestEnv env;
    DbFixture fx(env);
    modDatabase::AddOrAlterColumn(QStringLiteral("Noms"), QStringLiteral("FormTrainer"), QStringLiteral("Text(10)"));
    EXPECT_EQ(modDatabase::OpenLocalDatabase().TableDef(QStringLiteral("Noms")).FieldExact(QStringLiteral("FormTrainer"))->Size(),
              50);
}

TEST(UpgradeSchema, ColumnMissingUnderALaterStoredVersionIsStillAdded)
{
    TestEnv env;
    DbFixture fx(env);
    fx.exec(QStringLiteral("DROP VIEW qryMeetingView; ALTER TABLE Noms DROP COLUMN W800400"));
    gAppSettings.AppVersion = 2.7f;
    modJockey::UpgradeSchema();
    EXPECT_NE(modDatabase::OpenLocalDatabase().TableDef(QStringLiteral("Noms")).FieldExact(QStringLiteral("W800400")),
              nullptr);
    EXPECT_EQ(gAppSettings.AppVersion, 2.618f); // a later version is lowered to this program's
}

TEST(UpgradeSchema, StepsRunOnlyBelowTheirLimit)
{
    TestEnv env;
    DbFixture fx(env);
    // A column of a different kind shows whether its step ran (it is re-typed).
    fx.exec(QStringLiteral("DROP VIEW qryJockeyInvoice; ALTER TABLE Jockey DROP COLUMN InvoicePeriod; "
                           "ALTER TABLE Jockey ADD COLUMN InvoicePeriod REAL"));
    auto periodType = [&]() {
        return modDatabase::OpenLocalDatabase().TableDef(QStringLiteral("Jockey")).FieldExact(QStringLiteral("InvoicePeriod"))
            ->DeclaredType();
    };
    gAppSettings.AppVersion = 2.56f; // not below 2.56: step 1 does not run
    modJockey::UpgradeSchema();
    EXPECT_EQ(periodType(), QStringLiteral("REAL"));
    gAppSettings.AppVersion = 2.55f;
    modJockey::UpgradeSchema();
    EXPECT_EQ(periodType(), QStringLiteral("TEXT(2)"));
}

TEST(UpgradeSchema, FailureBeforeTheTolerantPartLeavesTheSettings)
{
    TestEnv env;
    DbFixture fx(env);
    fx.exec(QStringLiteral("DROP VIEW qryJockeyInvoice; DROP TABLE Jockey"));
    gAppSettings.AppVersion = 0;
    EXPECT_THROW(modJockey::UpgradeSchema(), VbError);
    EXPECT_EQ(gAppSettings.AppVersion, 0.0f);
    EXPECT_FALSE(QFileInfo::exists(env.registryFile()));
}

TEST(UpgradeSchema, FailureInTheTolerantPartIsPassedOver)
{
    TestEnv env;
    DbFixture fx(env);
    fx.exec(QStringLiteral("DROP VIEW qryJockeyInvoice; DROP TABLE RaceStats"));
    gAppSettings.AppVersion = 0;
    EXPECT_NO_THROW(modJockey::UpgradeSchema());
    EXPECT_EQ(storedVersion(), 2.618f);
}

TEST(UpgradeSchema, MissingDatabaseReachesTheCaller)
{
    TestEnv env;
    gAppSettings.DBPath = env.appDir();
    EXPECT_THROW(modJockey::UpgradeSchema(), VbError);
    EXPECT_FALSE(QFileInfo::exists(env.appDir() + QStringLiteral("/Tarrow.mdb")));
}

TEST(UpgradeSchema, AStoredQueryOfAnOlderFileIsReplacedByTheTemplates)
{
    TestEnv env;
    env.installTemplateDatabase();
    const QString folder = env.root() + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(folder));
    DbFixture fx(folder);
    const QString current = fx.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qryMeetingView'")).toString();
    ASSERT_TRUE(current.contains(QStringLiteral("rtrim"), Qt::CaseInsensitive));
    // An older file matched a booking on the horse's plain text.
    fx.exec(QStringLiteral("DROP VIEW qryMeetingView; CREATE VIEW qryMeetingView AS SELECT N.MeetingCode AS MeetingCode, "
                           "B.Jockey AS JockeyName FROM Noms AS N LEFT JOIN Bookings AS B ON B.Horse = N.Horse"));
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), QStringLiteral("0712FLEM")},
                                        {QStringLiteral("Horse"), QStringLiteral("OCEAN BREEZE ")}});
    fx.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), QStringLiteral("0712FLEM")},
                                           {QStringLiteral("Horse"), QStringLiteral("Ocean Breeze")},
                                           {QStringLiteral("Jockey"), QStringLiteral("J Smith")}});
    modJockey::UpgradeSchema();

    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qryMeetingView'")).toString(), current);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT JockeyName FROM qryMeetingView WHERE MeetingCode = '0712FLEM'")).toString(),
              QStringLiteral("J Smith"));
    // The other stored query was already the template's and is left as it is.
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'view'")).toInt(), 2);
}

TEST(UpgradeSchema, AStoredQueryThatCannotRunInTheFileKeepsItsOldDefinition)
{
    TestEnv env;
    env.installTemplateDatabase();
    const QString folder = env.root() + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(folder));
    DbFixture fx(folder);
    // An older file without Noms.EntryNo, which the template's meeting query
    // reads; its own meeting query does without it. Its invoice query is an
    // old one that can be brought up to date.
    const QString oldMeeting = QStringLiteral("CREATE VIEW qryMeetingView AS SELECT N.MeetingCode AS MeetingCode, "
                                              "B.Jockey AS JockeyName FROM Noms AS N LEFT JOIN Bookings AS B "
                                              "ON B.Horse = N.Horse");
    const QString currentInvoice =
        fx.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qryJockeyInvoice'")).toString();
    fx.exec(QStringLiteral("DROP VIEW qryMeetingView; DROP VIEW qryJockeyInvoice; ALTER TABLE Noms DROP COLUMN EntryNo;")
            + oldMeeting
            + QStringLiteral("; CREATE VIEW qryJockeyInvoice AS SELECT S.Jockey AS Jockey FROM RaceStats AS S"));
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), QStringLiteral("0712FLEM")},
                                        {QStringLiteral("Horse"), QStringLiteral("Ocean Breeze")}});
    fx.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), QStringLiteral("0712FLEM")},
                                           {QStringLiteral("Horse"), QStringLiteral("Ocean Breeze")},
                                           {QStringLiteral("Jockey"), QStringLiteral("J Smith")}});
    modJockey::UpgradeSchema();

    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qryMeetingView'")).toString(),
              oldMeeting);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT JockeyName FROM qryMeetingView WHERE MeetingCode = '0712FLEM'")).toString(),
              QStringLiteral("J Smith"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qryJockeyInvoice'")).toString(),
              currentInvoice);
}

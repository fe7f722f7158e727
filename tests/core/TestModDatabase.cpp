// The local database module: where the file is, quoting, the template's
// tables, columns and views, and adding or re-typing columns.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "fixtures/FixtureServer.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace modDatabase;

namespace
{
QStringList columnsOf(DaoDatabase& db, const QString& table)
{
    QStringList names;
    for (const DaoField& f : db.TableDef(table).Fields())
        names.append(f.Name());
    return names;
}

QStringList split(const char* names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
} // namespace

TEST(ModDatabase, PathRuleAndMissingFile)
{
    TestEnv env;
    gAppSettings.DBPath = QStringLiteral("/d/");
    EXPECT_EQ(LocalDatabasePath(), QStringLiteral("/d/Tarrow.mdb"));
    gAppSettings.DBPath = QStringLiteral("/d");
    EXPECT_EQ(LocalDatabasePath(), QStringLiteral("/d/Tarrow.mdb"));
    gAppSettings.DBPath.clear();
    EXPECT_EQ(QFileInfo(LocalDatabasePath()).absoluteFilePath(),
              QFileInfo(env.appDir() + QStringLiteral("/Tarrow.mdb")).absoluteFilePath());

    EXPECT_THROW(OpenLocalDatabase(), VbError);
    EXPECT_THROW(OpenLocalRecordset(QStringLiteral("SELECT * FROM Meeting")), VbError);
    EXPECT_TRUE(QDir(env.appDir()).entryList(QDir::Files).isEmpty()) << "no file may be created";

    env.installTemplateDatabase();
    EXPECT_EQ(OpenLocalRecordset(QStringLiteral("SELECT * FROM Meeting")).RecordCount(), 0);
}

TEST(ModDatabase, Quoting)
{
    EXPECT_EQ(SqlQuote(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    EXPECT_EQ(SqlQuote(QStringLiteral("'x''")), QStringLiteral("''x''''"));
    EXPECT_EQ(SqlQuote(QStringLiteral("Smith")), QStringLiteral("Smith"));
    QString v = QStringLiteral("A & B's");
    EXPECT_EQ(UrlSqlQuote(v), QStringLiteral("A %26 B''s"));
    EXPECT_EQ(v, QStringLiteral("A & B''s"));
    EXPECT_EQ(NullToEmpty(QVariant()), QVariant(QString()));
    EXPECT_EQ(NullToEmpty(0).typeId(), QMetaType::Int);
    EXPECT_EQ(NullToEmpty(QStringLiteral("x")).toString(), QStringLiteral("x"));

    // A quoted text goes into SQL and comes back as it was.
    TestEnv env;
    DbFixture fx(env);
    const QString name = QStringLiteral("O'Neil's \"Best\"");
    fx.exec(QStringLiteral("INSERT INTO Trainer (TrainerName) VALUES ('%1')").arg(SqlQuote(name)));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT TrainerName FROM Trainer")).toString(), name);
}

TEST(ModDatabase, RemoteLiteralsDoubleBackslashesAsWellAsQuotes)
{
    EXPECT_EQ(RemoteSqlQuote(QStringLiteral("T\\")), QStringLiteral("T\\\\"));
    EXPECT_EQ(RemoteSqlQuote(QStringLiteral("\\'")), QStringLiteral("\\\\''"));
    EXPECT_EQ(RemoteSqlQuote(QStringLiteral("O'Brien\\")), QStringLiteral("O''Brien\\\\"));
    EXPECT_EQ(RemoteInList(QStringLiteral("( 'A\\', 'O''Brien')")), QStringLiteral("( 'A\\\\', 'O''Brien')"));
    // Local SQL keeps its own rule: SQLite takes a backslash as it is.
    EXPECT_EQ(SqlQuote(QStringLiteral("T\\")), QStringLiteral("T\\"));

    // Each quoted text, read back by a server that reads literals the MySQL
    // way, is the text itself, and the literal ends where it should.
    FixtureServer server;
    for (const char* raw : {"T\\", "\\'", "O'Brien\\", "\\' OR 1=1 -- ", "a\\\\b''c"}) {
        const QString text = QString::fromUtf8(raw);
        SCOPED_TRACE(raw);
        EXPECT_EQ(server.answerQuery(QStringLiteral("SELECT '") + RemoteSqlQuote(text) + QStringLiteral("', 'end'")),
                  (text + QStringLiteral("|end<br>\n")).toUtf8());
    }
}

TEST(ModDatabase, TemplateHasEveryTableAndColumnInOrder)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase db = OpenLocalDatabase();
    EXPECT_EQ(db.TableNames(), split("Meeting Race Noms Bookings Trainer Jockey RaceStats BookingTemplate BookRate "
                                     "RaceType RBHTable"));
    const QList<QPair<const char*, const char*>> expected = {
        {"Meeting", "MeetingCode MeetingLocation MeetingDetails MeetingDate DisplayMeeting State MeetingLevel MeetType "
                    "MeetingRSBCode Barrier"},
        {"Race", "MeetingCode RaceNumber RaceCode RaceDetails RaceDistance RaceTime ApprClaim RaceType RaceRSBCode"},
        {"Noms", "MeetingCode RaceNumber RaceCode TrainerName Phone TrainerLocation Horse HorseName Class Weight Form "
                 "Rating Jockey HorseType Blood1 Blood2 Blood3 Owners HorseDOB Ballot Barrier EntryNo EorB LastJockey "
                 "LastRode LastRaceClass LastWeight LastRaceValue LastMargin WgtRat AvgWin FormTrainer W800400 "
                 "RSecTime"},
        {"Bookings", "Jockey MeetingCode RaceCode Horse TrainerName BookingSelection Confirmed"},
        {"Trainer", "TrainerName TrainerLocation Phone TrainerMobile TrainerType TrainerComments IgnoreTrainer"},
        {"Jockey", "Jockey JockeyEmail JockeyMobile JockeyColor FullName RideWgt ManagerRate ManBookFee ScratchFee "
                   "TrialFee InvoicePeriod LastInvoiceDate DateLastStats"},
        {"RaceStats", "RaceDate RaceNumber TrackCode Horse FinishPos Jockey PrizeMoney TrainerName State"},
        {"BookingTemplate", "Sequence Template"},
        {"BookRate", "State RaceType DateEffective BookingRate"},
        {"RaceType", "RaceType MetroOrder ProvOrder"},
        {"RBHTable", "MeetType RaceType Rating weight"},
    };
    for (const auto& [table, cols] : expected) {
        const QString t = QString::fromLatin1(table);
        EXPECT_EQ(columnsOf(db, t), split(cols)) << table;
        for (const DaoField& f : db.TableDef(t).Fields()) {
            if (f.Type() == DaoType::Text || f.Type() == DaoType::Memo) {
                EXPECT_EQ(f.Collation().toUpper(), QStringLiteral("NOCASE")) << table << "." << qPrintable(f.Name());
            }
            if (f.Type() == DaoType::Boolean) {
                EXPECT_TRUE(f.NotNull()) << qPrintable(f.Name());
            }
        }
    }
    // Sizes the program relies on.
    EXPECT_EQ(db.TableDef(QStringLiteral("Race")).Field(QStringLiteral("RaceCode"))->Size(), 20);
    EXPECT_EQ(db.TableDef(QStringLiteral("Noms")).Field(QStringLiteral("TrainerName"))->Size(), 30);
    EXPECT_EQ(db.TableDef(QStringLiteral("Noms")).Field(QStringLiteral("Phone"))->Size(), 15);
    EXPECT_EQ(db.TableDef(QStringLiteral("Jockey")).Field(QStringLiteral("InvoicePeriod"))->Size(), 2);
    EXPECT_TRUE(db.Scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'ByTrainer'")).isValid());
    EXPECT_EQ(db.Scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
}

TEST(ModDatabase, TextComparesWithoutCase)
{
    TestEnv env;
    DbFixture fx(env);
    fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Smith")}});
    fx.insert(QStringLiteral("RaceStats"), {{QStringLiteral("Jockey"), QStringLiteral("J SMITH")}});
    EXPECT_EQ(fx.count(QStringLiteral("Trainer"), QStringLiteral("TrainerName = 'smith'")), 1);
    EXPECT_EQ(fx.count(QStringLiteral("Trainer"), QStringLiteral("TrainerName IN ('SMITH')")), 1);
    EXPECT_EQ(fx.count(QStringLiteral("RaceStats"), QStringLiteral("Jockey IN ( 'J Smith')")), 1);
    fx.exec(QStringLiteral("DELETE FROM RaceStats WHERE Jockey = 'j smith'"));
    EXPECT_EQ(fx.count(QStringLiteral("RaceStats")), 0);
    // The key is without case too.
    EXPECT_THROW(fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("SMITH")}}),
                 VbError);
}

TEST(ModDatabase, ViewsRun)
{
    TestEnv env;
    DbFixture fx(env);
    fx.insert(QStringLiteral("Race"), {{QStringLiteral("MeetingCode"), QStringLiteral("0106FLEM")},
                                       {QStringLiteral("RaceNumber"), 1},
                                       {QStringLiteral("RaceCode"), QStringLiteral("1200 MDN")},
                                       {QStringLiteral("RaceDetails"), QStringLiteral("Maiden Plate")},
                                       {QStringLiteral("ApprClaim"), true}});
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), QStringLiteral("0106FLEM")},
                                       {QStringLiteral("RaceNumber"), 1},
                                       {QStringLiteral("RaceCode"), QStringLiteral("1200 MDN")},
                                       {QStringLiteral("Horse"), QStringLiteral("Fast One (NZ)")},
                                       {QStringLiteral("TrainerName"), QStringLiteral("Smith")},
                                       {QStringLiteral("Phone"), QStringLiteral("111")},
                                       {QStringLiteral("EntryNo"), 3}});
    fx.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), QStringLiteral("0106FLEM")},
                                           {QStringLiteral("Horse"), QStringLiteral("FAST ONE (NZ)")},
                                           {QStringLiteral("Jockey"), QStringLiteral("J Smith")},
                                           {QStringLiteral("BookingSelection"), QStringLiteral("Planned")}});
    fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("SMITH")},
                                          {QStringLiteral("Phone"), QStringLiteral("999")}});
    const QList<QVariantMap> rows = fx.rows(
        QStringLiteral("SELECT * FROM qryMeetingView WHERE MeetingCode = '0106flem' ORDER BY RaceNumber, EntryNo"));
    ASSERT_EQ(rows.size(), 1);
    const QVariantMap& r = rows.first();
    for (const QString& c : split("MeetingCode RaceNumber RaceDetails RaceDistance RaceTime AppClaim Form Horse "
                                  "TrainerName Weight Rating HorseType Barrier Ballot EorB Class JockeyName "
                                  "BookingSelection TrainerPhone EntryNo"))
        EXPECT_TRUE(r.contains(c)) << qPrintable(c);
    EXPECT_EQ(r.value(QStringLiteral("RaceDetails")).toString(), QStringLiteral("Maiden Plate"));
    EXPECT_EQ(r.value(QStringLiteral("JockeyName")).toString(), QStringLiteral("J Smith"));
    EXPECT_EQ(r.value(QStringLiteral("TrainerPhone")).toString(), QStringLiteral("999"));
    EXPECT_EQ(r.value(QStringLiteral("AppClaim")).toString(), QStringLiteral("Apprentices can claim."));

    fx.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("VIC")},
                                           {QStringLiteral("RaceType"), QStringLiteral("R")},
                                           {QStringLiteral("DateEffective"), QDate(2009, 1, 1)},
                                           {QStringLiteral("BookingRate"), 50}});
    fx.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("VIC")},
                                           {QStringLiteral("RaceType"), QStringLiteral("R")},
                                           {QStringLiteral("DateEffective"), QDate(2009, 6, 1)},
                                           {QStringLiteral("BookingRate"), 60}});
    for (const QDate& d : {QDate(2009, 5, 31), QDate(2009, 6, 1)})
        fx.insert(QStringLiteral("RaceStats"), {{QStringLiteral("Jockey"), QStringLiteral("J SMITH")},
                                                {QStringLiteral("RaceDate"), d},
                                                {QStringLiteral("State"), QStringLiteral("VIC")},
                                                {QStringLiteral("PrizeMoney"), 1000}});
    const QList<QVariantMap> inv = fx.rows(QStringLiteral(
        "SELECT * FROM qryJockeyInvoice WHERE UCase(Jockey) = 'J SMITH' AND RaceDate >= '2009-05-01' ORDER BY RaceDate"));
    ASSERT_EQ(inv.size(), 2);
    EXPECT_EQ(inv.at(0).value(QStringLiteral("BookingRate")).toDouble(), 50.0);
    EXPECT_EQ(inv.at(1).value(QStringLiteral("BookingRate")).toDouble(), 60.0);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT SUM(Bookingrate) FROM qryJockeyInvoice")).toDouble(), 110.0);
}

TEST(ModDatabase, AddOrAlterColumn)
{
    TestEnv env;
    DbFixture fx(env);
    fx.exec(QStringLiteral("CREATE TABLE T (Id INTEGER PRIMARY KEY, Name TEXT(20) COLLATE NOCASE, Score TEXT(10))"));
    fx.exec(QStringLiteral("CREATE INDEX TByName ON T (Name)"));
    fx.exec(QStringLiteral("CREATE VIEW VT AS SELECT Name, Score FROM T"));
    fx.insert(QStringLiteral("T"), {{QStringLiteral("Name"), QStringLiteral("a")}, {QStringLiteral("Score"), QStringLiteral("1.5")}});
    fx.insert(QStringLiteral("T"), {{QStringLiteral("Name"), QStringLiteral("b")}, {QStringLiteral("Score"), QStringLiteral("2")}});
    DaoDatabase db = OpenLocalDatabase();

    // Missing: added.
    AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("Added"), QStringLiteral("Text(5)"));
    EXPECT_EQ(db.TableDef(QStringLiteral("T")).Field(QStringLiteral("Added"))->Size(), 5);
    EXPECT_EQ(db.TableDef(QStringLiteral("T")).Field(QStringLiteral("Added"))->Collation().toUpper(), QStringLiteral("NOCASE"));

    // Same storage class: nothing changes at all.
    const int version = db.Scalar(QStringLiteral("PRAGMA schema_version")).toInt();
    AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("Added"), QStringLiteral("Text(5)"));
    AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("Name"), QStringLiteral("Text(8)"));
    AddOrAlterColumn(QStringLiteral("Noms"), QStringLiteral("LastMargin"), QStringLiteral("Single"));
    AddOrAlterColumn(QStringLiteral("Jockey"), QStringLiteral("LastInvoiceDate"), QStringLiteral("Date"));
    EXPECT_EQ(db.Scalar(QStringLiteral("PRAGMA schema_version")).toInt(), version);

    // A different kind: the table is rebuilt, rows, order, index and view kept.
    AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("Score"), QStringLiteral("Single"));
    const DaoTableDef t = db.TableDef(QStringLiteral("T"));
    EXPECT_EQ(columnsOf(db, QStringLiteral("T")), split("Id Name Score Added"));
    EXPECT_EQ(t.Field(QStringLiteral("Score"))->DeclaredType(), QStringLiteral("REAL"));
    EXPECT_TRUE(t.Field(QStringLiteral("Id"))->PrimaryKey());
    EXPECT_EQ(t.Field(QStringLiteral("Name"))->Collation().toUpper(), QStringLiteral("NOCASE"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT typeof(Score) FROM T WHERE Name = 'A'")).toString(), QStringLiteral("real"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT SUM(Score) FROM VT")).toDouble(), 3.5);
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'TByName'")).isValid());
    EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

    // A name differing only in case counts as missing: the add is refused.
    EXPECT_THROW(AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("score"), QStringLiteral("Single")), VbError);
    EXPECT_THROW(AddOrAlterColumn(QStringLiteral("NoTable"), QStringLiteral("X"), QStringLiteral("Single")), VbError);
    EXPECT_THROW(AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("X"), QStringLiteral("Hyperlink")), VbError);
    // Views on the database still run after the rebuild.
    EXPECT_EQ(fx.count(QStringLiteral("qryMeetingView")), 0);
}

// The database engine and database handles: opening without creating,
// refusing files that are not SQLite databases, the Jet functions the
// program's SQL uses, statements with parameters, transactions, table
// definitions and reconnecting to a replaced file.
#include "core/modDatabase.h"
#include "platform/Clock.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using modDatabase::gDbEngine;

namespace
{
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(DaoEngine, MissingFileIsAnErrorAndIsNotCreated)
{
    TestEnv env;
    const QString path = env.appDir() + QStringLiteral("/Tarrow.mdb");
    try {
        gDbEngine.OpenDatabase(path);
        FAIL() << "opened a missing file";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), 3024);
        EXPECT_TRUE(e.description().contains(path));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(DaoEngine, RefusesAccessFilesAndOtherFiles)
{
    TestEnv env;
    const QString jet = env.appDir() + QStringLiteral("/jet.mdb");
    QByteArray head("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    head.append(2048, '\x00');
    writeFile(jet, head);
    try {
        gDbEngine.OpenDatabase(jet);
        FAIL() << "opened an Access file";
    } catch (const VbError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Microsoft Access"))) << e.what();
    }
    const QString text = env.appDir() + QStringLiteral("/notes.mdb");
    writeFile(text, "just some text that is long enough to have a header\n");
    EXPECT_THROW(gDbEngine.OpenDatabase(text), VbError);
    const QString empty = env.appDir() + QStringLiteral("/empty.mdb");
    writeFile(empty, QByteArray());
    EXPECT_THROW(gDbEngine.OpenDatabase(empty), VbError);
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

TEST(DaoEngine, OneConnectionPerFileSharedByHandles)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase a = gDbEngine.OpenDatabase(fx.path());
    DaoDatabase b = gDbEngine.OpenDatabase(env.appDir() + QStringLiteral("/./Tarrow.mdb"));
    EXPECT_EQ(a.handle(), b.handle());
    a.BeginTrans();
    a.Execute(QStringLiteral("INSERT INTO Jockey (Jockey) VALUES (?)"), {QStringLiteral("J One")});
    // The other handle is the same connection: it sees the pending row.
    EXPECT_EQ(b.Scalar(QStringLiteral("SELECT COUNT(*) FROM Jockey")).toInt(), 1);
    EXPECT_TRUE(b.InTransaction());
    a.Rollback();
    EXPECT_EQ(b.Scalar(QStringLiteral("SELECT COUNT(*) FROM Jockey")).toInt(), 0);
    a.BeginTrans();
    a.Execute(QStringLiteral("INSERT INTO Jockey (Jockey) VALUES (?)"), {QStringLiteral("J Two")});
    a.CommitTrans();
    EXPECT_EQ(fx.count(QStringLiteral("Jockey")), 1);
}

TEST(DaoEngine, ReconnectsWhenTheFileIsReplaced)
{
    TestEnv env;
    DbFixture fx(env);
    fx.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("Old File")}});
    const QString other = env.root() + QStringLiteral("/other.mdb");
    DbFixture::copyTemplate(other);
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(fx.path()).constData()), 0);
    EXPECT_EQ(fx.count(QStringLiteral("Jockey")), 0);
    QFile::remove(fx.path());
    EXPECT_THROW(gDbEngine.OpenDatabase(fx.path()), VbError);
}

TEST(DaoDatabase, JetFunctions)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase db = fx.db();
    auto val = [&](const QVariant& v) { return db.Scalar(QStringLiteral("SELECT Val(?)"), {v}); };
    EXPECT_EQ(val(QStringLiteral(" 12abc")).toDouble(), 12.0);
    EXPECT_EQ(val(QStringLiteral("&HFF")).toDouble(), 255.0);
    EXPECT_EQ(val(QStringLiteral("")).toDouble(), 0.0);
    EXPECT_EQ(val(QStringLiteral("1 2.5")).toDouble(), 12.5);
    EXPECT_EQ(val(QStringLiteral("-3.25kg")).toDouble(), -3.25);
    EXPECT_EQ(val(7).toInt(), 7);
    EXPECT_FALSE(val(QVariant()).isValid());
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT UCase('Smith é')")).toString(), QStringLiteral("SMITH É"));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT LCase('SMITH')")).toString(), QStringLiteral("smith"));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT Nz(NULL, 'x') || Nz(NULL) || Nz('y')")).toString(), QStringLiteral("xy"));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT Mid('Flemington', 2, 3) || Len('abc')")).toString(),
              QStringLiteral("lem3"));
    Clock::setFixed(QDateTime(QDate(2009, 6, 7), QTime(8, 30, 5)));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT Now()")).toString(), QStringLiteral("2009-06-07 08:30:05"));
    Clock::setFixed(QDateTime());

    // Rating is text compared through its numeric value.
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("Rating"), QStringLiteral("65")}});
    fx.insert(QStringLiteral("RBHTable"), {{QStringLiteral("Rating"), 65}, {QStringLiteral("weight"), 56.5}});
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT R.weight FROM Noms N, RBHTable R WHERE Val(N.Rating) = R.Rating"))
                  .toDouble(),
              56.5);
}

TEST(DaoDatabase, ExecuteWithParametersAndScripts)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase db = fx.db();
    // A quote in a bound value needs no doubling.
    EXPECT_EQ(db.Execute(QStringLiteral("INSERT INTO Trainer (TrainerName, IgnoreTrainer) VALUES (?, ?)"),
                         {QStringLiteral("O'Brien"), true}),
              1);
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT IgnoreTrainer FROM Trainer WHERE TrainerName = 'o''brien'")).toInt(), 1);
    db.Execute(QStringLiteral("UPDATE Trainer SET Phone = '1'; UPDATE Trainer SET TrainerMobile = '2';"));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT Phone || TrainerMobile FROM Trainer")).toString(), QStringLiteral("12"));
    EXPECT_EQ(db.RecordsAffected(), 2); // both statements of the script
    EXPECT_THROW(db.Execute(QStringLiteral("INSERT INTO NoSuchTable VALUES (?)"), {1}), VbError);
    EXPECT_THROW(db.Execute(QStringLiteral("SELECT ?"), {1, 2}), VbError);
    // Dates, times and money are stored in the database's own forms.
    db.Execute(QStringLiteral("INSERT INTO RaceStats (RaceDate, PrizeMoney) VALUES (?, ?)"),
               {QDateTime(QDate(2009, 6, 1), QTime(0, 0)), 1234.56789});
    db.Execute(QStringLiteral("INSERT INTO Race (RaceTime) VALUES (?)"), {QTime(13, 5)});
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT RaceDate || '' FROM RaceStats")).toString(), QStringLiteral("2009-06-01"));
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT RaceTime || '' FROM Race")).toString(), QStringLiteral("13:05:00"));
    const QVariant t = db.Scalar(QStringLiteral("SELECT RaceTime FROM Race"));
    EXPECT_EQ(t.toDateTime(), QDateTime(QDate(1899, 12, 30), QTime(13, 5)));
}

TEST(DaoDatabase, DateColumnsReadInEveryStoredForm)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase db = fx.db();
    const auto read = [&](const QString& stored) {
        db.Execute(QStringLiteral("DELETE FROM RaceStats"));
        db.Execute(QStringLiteral("INSERT INTO RaceStats (RaceDate) VALUES (?)"), {stored});
        return db.Scalar(QStringLiteral("SELECT RaceDate FROM RaceStats"));
    };
    const QDateTime day(QDate(2024, 3, 5), QTime(0, 0));
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(14, 30, 7));
    EXPECT_EQ(read(QStringLiteral("2024-03-05")).toDateTime(), day);
    EXPECT_EQ(read(QStringLiteral(" 2024-03-05 ")).toDateTime(), day);
    EXPECT_EQ(read(QStringLiteral("2024-03-05 14:30:07")).toDateTime(), afternoon);
    EXPECT_EQ(read(QStringLiteral("2024-03-05T14:30:07")).toDateTime(), afternoon);
    EXPECT_EQ(read(QStringLiteral("2024/3/5")).toDateTime(), day);
    EXPECT_EQ(read(QStringLiteral("2024-03-05 14:30")).toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
    EXPECT_EQ(read(QStringLiteral("5/3/2024")).toDateTime(), day);
    EXPECT_EQ(read(QStringLiteral("14:30")).toDateTime(), QDateTime(QDate(1899, 12, 30), QTime(14, 30)));
    // Read again, a date already seen is the same local date and time.
    EXPECT_EQ(read(QStringLiteral("2024-03-05")).toDateTime(), day);
    EXPECT_EQ(read(QStringLiteral("2024-03-05")).toDateTime().timeSpec(), Qt::LocalTime);
    // No such day or hour: the text stays text.
    for (const QString& bad : {QStringLiteral("2024-02-30"), QStringLiteral("2024-03-05 25:00:00"),
                               QStringLiteral("2024-3-05x"), QStringLiteral("abcd-ef-gh")}) {
        const QVariant v = read(bad);
        EXPECT_EQ(v.typeId(), QMetaType::QString) << qPrintable(bad);
        EXPECT_EQ(v.toString(), bad);
    }
}

TEST(DaoDatabase, TableDefinitionsAndFieldSizes)
{
    TestEnv env;
    DbFixture fx(env);
    DaoDatabase db = fx.db();
    const DaoTableDef noms = db.TableDef(QStringLiteral("noms"));
    EXPECT_EQ(noms.Name(), QStringLiteral("Noms"));
    ASSERT_NE(noms.FieldExact(QStringLiteral("FormTrainer")), nullptr);
    EXPECT_EQ(noms.FieldExact(QStringLiteral("formtrainer")), nullptr);
    EXPECT_EQ(noms.Field(QStringLiteral("formtrainer"))->Size(), 50);
    EXPECT_EQ(noms.Field(QStringLiteral("FormTrainer"))->Type(), DaoType::Text);
    EXPECT_EQ(noms.Field(QStringLiteral("Owners"))->Type(), DaoType::Memo);
    EXPECT_EQ(noms.Field(QStringLiteral("LastWeight"))->Type(), DaoType::Single);
    EXPECT_EQ(noms.Field(QStringLiteral("Weight"))->Type(), DaoType::Integer);
    EXPECT_EQ(db.TableDef(QStringLiteral("Trainer")).Field(QStringLiteral("IgnoreTrainer"))->Type(), DaoType::Boolean);
    EXPECT_EQ(db.TableDef(QStringLiteral("Jockey")).Field(QStringLiteral("ManBookFee"))->Type(), DaoType::Currency);
    EXPECT_THROW(db.TableDef(QStringLiteral("qryMeetingView")), VbError); // a view, not a table
    EXPECT_FALSE(db.HasTable(QStringLiteral("Nothing")));

    const QString longName = QStringLiteral("A Trainer Name Much Longer Than Fifty Characters, Partners");
    ASSERT_GT(longName.size(), 50);
    EXPECT_EQ(db.FitToField(QStringLiteral("Noms"), QStringLiteral("FormTrainer"), longName).toString(), longName.left(50));
    EXPECT_EQ(db.FitToField(QStringLiteral("Noms"), QStringLiteral("Owners"), longName).toString(), longName);
    EXPECT_EQ(db.FitToField(QStringLiteral("Noms"), QStringLiteral("Weight"), 575).toInt(), 575);
}

// The statements the database layer writes by itself: a new row after an
// edit of the same columns, and table and column names that need quoting.
#include "core/modDatabase.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace
{
class DaoWritePathsTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture fx{env};
    DaoDatabase db = fx.db();
};

// A name with a double quote in it, and its column names.
const QString kTable = QStringLiteral("Odd\"Table");
const QString kName = QStringLiteral("Na\"me");
const QString kNote = QStringLiteral("No\"\"te");
const QString kFrom = QStringLiteral(" FROM \"Odd\"\"Table\"");
} // namespace

TEST_F(DaoWritePathsTest, EditThenAddNewOfTheSameColumnsStoresBothRows)
{
    fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Adams")},
                                          {QStringLiteral("Phone"), QStringLiteral("111")}});
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Trainer"));
    for (int round = 0; round < 2; ++round) {
        // The edit and the new row write exactly the same two columns.
        rs.MoveFirst();
        rs.Edit();
        rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("Adams"));
        rs.SetField(QStringLiteral("Phone"), QStringLiteral("22%1").arg(round));
        rs.Update();
        rs.AddNew();
        rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("New %1").arg(round));
        rs.SetField(QStringLiteral("Phone"), QStringLiteral("33%1").arg(round));
        rs.Update();
    }
    // And the other way round: a new row, then an edit of the same columns.
    rs.AddNew();
    rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("Last"));
    rs.SetField(QStringLiteral("Phone"), QStringLiteral("444"));
    rs.Update();
    rs.MoveToLastModified();
    rs.Edit();
    rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("Last"));
    rs.SetField(QStringLiteral("Phone"), QStringLiteral("555"));
    rs.Update();

    EXPECT_EQ(rs.RecordCount(), 4);
    const QList<QVariantMap> rows = fx.rows(QStringLiteral("SELECT TrainerName, Phone FROM Trainer ORDER BY rowid"));
    ASSERT_EQ(rows.size(), 4);
    const QStringList want = {QStringLiteral("Adams|221"), QStringLiteral("New 0|330"), QStringLiteral("New 1|331"),
                              QStringLiteral("Last|555")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].value(QStringLiteral("TrainerName")).toString() + QLatin1Char('|') +
                      rows[i].value(QStringLiteral("Phone")).toString(),
                  want[i]);
    }
}

TEST_F(DaoWritePathsTest, NamesHoldingADoubleQuoteWorkInEveryStatement)
{
    fx.exec(QStringLiteral("CREATE TABLE \"Odd\"\"Table\" (\"Na\"\"me\" TEXT(6) COLLATE NOCASE, "
                           "\"No\"\"\"\"te\" TEXT, Score INTEGER)"));
    fx.exec(QStringLiteral("CREATE INDEX \"Odd\"\"Index\" ON \"Odd\"\"Table\" (\"Na\"\"me\")"));

    // The table's definition.
    const DaoTableDef def = db.TableDef(kTable);
    ASSERT_NE(def.Field(kName), nullptr);
    EXPECT_EQ(def.Field(kName)->Size(), 6);
    ASSERT_NE(def.Field(kNote), nullptr);
    EXPECT_EQ(db.FitToField(kTable, kName, QStringLiteral("abcdefgh")).toString(), QStringLiteral("abcdef"));

    // New rows (INSERT, and the read-back of a visited new row).
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT *") + kFrom);
    ASSERT_TRUE(rs.Updatable());
    EXPECT_EQ(rs.TableName(), kTable);
    for (const char* name : {"first\"one", "second", "third"}) {
        rs.AddNew();
        rs.SetField(kName, QString::fromUtf8(name));
        rs.SetField(kNote, QStringLiteral("n\"") + QString::fromUtf8(name));
        rs.SetField(QStringLiteral("Score"), 1);
        rs.Update();
    }
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields(kName).toString(), QStringLiteral("first\"")); // cut to its size
    EXPECT_EQ(rs.Fields(kNote).toString(), QStringLiteral("n\"first\"one"));

    // Edit (UPDATE and the read-back by rowid).
    rs.MoveNext();
    rs.Edit();
    rs.SetField(kNote, QStringLiteral("changed"));
    rs.Update();
    EXPECT_EQ(rs.Fields(kNote).toString(), QStringLiteral("changed"));

    // Searches: judged on the table, and (with an expression) row by row.
    EXPECT_TRUE(rs.FindFirst(QStringLiteral("\"Na\"\"me\" = ?"), {QStringLiteral("THIRD")}));
    EXPECT_EQ(rs.Fields(kNote).toString(), QStringLiteral("n\"third"));
    EXPECT_TRUE(rs.FindFirst(QStringLiteral("\"No\"\"\"\"te\" = 'changed' AND Score + 0 = 1")));
    EXPECT_EQ(rs.Fields(kName).toString(), QStringLiteral("second"));
    DaoRecordset joined =
        db.OpenRecordset(QStringLiteral("SELECT \"Na\"\"me\", Score * 2 AS Twice") + kFrom + QStringLiteral(" ORDER BY 1"));
    EXPECT_TRUE(joined.FindFirst(QStringLiteral("\"Na\"\"me\" = 'second' AND Twice = 2")));
    EXPECT_EQ(joined.AbsolutePosition(), 1);

    // Delete, then a requery sees what is stored.
    rs.FindFirst(QStringLiteral("\"Na\"\"me\" = 'third'"));
    rs.Delete();
    rs.Requery();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*)") + kFrom).toInt(), 2);

    // The schema steps: a missing column is added, and a change of kind
    // rebuilds the table keeping its rows and its index.
    modDatabase::AddOrAlterColumn(kTable, QStringLiteral("Ad\"ded"), QStringLiteral("Text(4)"));
    EXPECT_NE(db.TableDef(kTable).Field(QStringLiteral("Ad\"ded")), nullptr);
    modDatabase::AddOrAlterColumn(kTable, kNote, QStringLiteral("Single"));
    EXPECT_EQ(db.TableDef(kTable).Field(kNote)->DeclaredType(), QStringLiteral("REAL"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*)") + kFrom + QStringLiteral(" WHERE Score = 1")).toInt(), 2);
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?"), {QStringLiteral("Odd\"Index")})
                    .isValid());
    EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST_F(DaoWritePathsTest, EachNewRowStartsEmptyWhateverTheRowsBeforeSet)
{
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("Trainer"));
    const QString name = QStringLiteral("TrainerName");
    const QString phone = QStringLiteral("Phone");
    const QString ignore = QStringLiteral("IgnoreTrainer");
    // A full row, then one setting the name only.
    rs.AddNew();
    rs.SetField(name, QStringLiteral("Full"));
    rs.SetField(phone, QStringLiteral("111"));
    rs.SetField(ignore, QStringLiteral("True")); // a Yes/No column reads its text
    rs.Update();
    rs.AddNew();
    EXPECT_FALSE(rs.Fields(phone).isValid());
    EXPECT_EQ(rs.Fields(ignore), QVariant(false));
    rs.SetField(name, QStringLiteral("Bare"));
    rs.Update();
    // The same names in another order, and names made afresh for each call.
    rs.AddNew();
    rs.SetField(QString::fromLatin1("Phone"), 222); // a number into a text column
    rs.SetField(QString::fromLatin1("TrainerName"), QStringLiteral("Swapped and far too long for the column, well beyond fifty"));
    rs.Update();
    // An edited row's values do not carry over into the next new row.
    rs.MoveFirst();
    rs.Edit();
    rs.SetField(phone, QStringLiteral("333"));
    rs.Update();
    rs.AddNew();
    rs.SetField(name, QStringLiteral("After edit"));
    rs.Update();

    const QList<QVariantMap> rows =
        fx.rows(QStringLiteral("SELECT TrainerName, Phone, IgnoreTrainer FROM Trainer ORDER BY rowid"));
    ASSERT_EQ(rows.size(), 4);
    const auto line = [&](int i) {
        const QVariantMap& r = rows[i];
        return r.value(name).toString() + QLatin1Char('|') +
               (r.value(phone).isNull() ? QStringLiteral("null") : r.value(phone).toString()) + QLatin1Char('|') +
               QString::number(r.value(ignore).toInt());
    };
    EXPECT_EQ(line(0), QStringLiteral("Full|333|1"));
    EXPECT_EQ(line(1), QStringLiteral("Bare|null|0"));
    EXPECT_EQ(line(2), QStringLiteral("Swapped and far too long for the column, well beyo|222|0")); // cut to 50
    EXPECT_EQ(line(3), QStringLiteral("After edit|null|0"));
}

// Recordsets of the local database layer: moving, reading, the round trip of
// changes written back by rowid, searching, and what makes one read-only.
#include "core/modDatabase.h"
#include "platform/Currency.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace
{
class DaoRecordsetTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture fx{env};
    DaoDatabase db = fx.db();

    void addTrainers()
    {
        fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Adams")},
                                              {QStringLiteral("TrainerLocation"), QStringLiteral("Flemington")}});
        fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Brown")},
                                              {QStringLiteral("TrainerLocation"), QString(QLatin1String(""))}});
        fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Clark")},
                                              {QStringLiteral("IgnoreTrainer"), true}});
    }
};
} // namespace

TEST_F(DaoRecordsetTest, EmptyRecordsetIsAtBothEndsAndRefusesMoves)
{
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Trainer"));
    EXPECT_TRUE(rs.Bof());
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.FieldCount(), 7);
    EXPECT_THROW(rs.MoveFirst(), VbError);
    EXPECT_THROW(rs.MoveNext(), VbError);
    EXPECT_THROW(rs.Fields(QStringLiteral("TrainerName")), VbError);
}

TEST_F(DaoRecordsetTest, MovesThroughRowsAndReadsNullApartFromEmpty)
{
    addTrainers();
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Trainer ORDER BY TrainerName"));
    ASSERT_EQ(rs.RecordCount(), 3);
    EXPECT_FALSE(rs.Bof());
    EXPECT_EQ(rs.Fields(0).toString(), QStringLiteral("Adams"));
    EXPECT_EQ(rs.Fields(QStringLiteral("trainerlocation")).toString(), QStringLiteral("Flemington"));
    rs.MoveNext();
    // An empty text and a Null are told apart.
    EXPECT_TRUE(rs.Fields(QStringLiteral("TrainerLocation")).isValid());
    EXPECT_EQ(rs.Fields(QStringLiteral("TrainerLocation")).toString(), QString());
    EXPECT_FALSE(rs.Fields(QStringLiteral("Phone")).isValid());
    EXPECT_EQ(modDatabase::NullToEmpty(rs.Fields(QStringLiteral("Phone"))).toString(), QString());
    // Yes/No reads as a bool, never Null.
    EXPECT_EQ(rs.Fields(QStringLiteral("IgnoreTrainer")).typeId(), QMetaType::Bool);
    EXPECT_FALSE(rs.Fields(QStringLiteral("IgnoreTrainer")).toBool());
    rs.MoveNext();
    EXPECT_TRUE(rs.Fields(QStringLiteral("IgnoreTrainer")).toBool());
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.MoveNext(), VbError);
    rs.MovePrevious();
    EXPECT_EQ(rs.Fields(0).toString(), QStringLiteral("Clark"));
    rs.MoveFirst();
    rs.MovePrevious();
    EXPECT_TRUE(rs.Bof());
    EXPECT_FALSE(rs.Eof());
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition(), 2);
    EXPECT_THROW(rs.Fields(QStringLiteral("NoSuchColumn")), VbError);
}

TEST_F(DaoRecordsetTest, AddEditDeleteRoundTrip)
{
    DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("Meeting"));
    ASSERT_TRUE(rs.Updatable());
    rs.AddNew();
    rs.SetField(QStringLiteral("MeetingCode"), QStringLiteral("0106FLEM"));
    rs.SetField(QStringLiteral("MeetingDate"), QDate(2009, 6, 1));
    rs.SetField(QStringLiteral("DisplayMeeting"), true);
    // MeetType holds one character: longer texts are cut.
    rs.SetField(QStringLiteral("MeetType"), QStringLiteral("Metro"));
    rs.Update();
    rs.AddNew();
    rs.SetField(QStringLiteral("MeetingCode"), QStringLiteral("0206CAUL"));
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 2);

    DaoRecordset back = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT * FROM Meeting ORDER BY MeetingCode"));
    ASSERT_EQ(back.RecordCount(), 2);
    EXPECT_EQ(back.Fields(QStringLiteral("MeetType")).toString(), QStringLiteral("M"));
    EXPECT_EQ(back.Fields(QStringLiteral("MeetingDate")).toDate(), QDate(2009, 6, 1));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT MeetingDate || '' FROM Meeting WHERE MeetingCode = '0106FLEM'")).toString(),
              QStringLiteral("2009-06-01"));
    EXPECT_TRUE(back.Fields(QStringLiteral("DisplayMeeting")).toBool());
    // The default of a column not written applies (Barrier '' and Yes/No False).
    back.MoveNext();
    EXPECT_EQ(back.Fields(QStringLiteral("Barrier")).toString(), QString());
    EXPECT_TRUE(back.Fields(QStringLiteral("Barrier")).isValid());
    EXPECT_FALSE(back.Fields(QStringLiteral("DisplayMeeting")).toBool());

    back.Edit();
    back.SetField(QStringLiteral("MeetingLocation"), QStringLiteral("Caulfield"));
    EXPECT_EQ(back.Fields(QStringLiteral("MeetingLocation")).toString(), QStringLiteral("Caulfield"));
    back.Update();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT MeetingLocation FROM Meeting WHERE MeetingCode = '0206CAUL'")).toString(),
              QStringLiteral("Caulfield"));

    back.MoveFirst();
    back.Delete();
    EXPECT_THROW(back.Fields(0), VbError);
    back.MoveNext(); // the row after the deleted one
    EXPECT_EQ(back.Fields(QStringLiteral("MeetingCode")).toString(), QStringLiteral("0206CAUL"));
    EXPECT_EQ(fx.count(QStringLiteral("Meeting")), 1);

    // A cancelled edit writes nothing.
    back.Edit();
    back.SetField(QStringLiteral("State"), QStringLiteral("VIC"));
    back.CancelUpdate();
    EXPECT_FALSE(fx.scalar(QStringLiteral("SELECT State FROM Meeting")).isValid());
}

TEST_F(DaoRecordsetTest, WritesGoToTheRowsReadEvenWithDuplicateValues)
{
    for (int i = 0; i < 3; ++i)
        fx.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), QStringLiteral("M1")},
                                           {QStringLiteral("Horse"), QStringLiteral("Same")}});
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT Horse, Weight FROM Noms WHERE MeetingCode = ?"),
                                       {QStringLiteral("m1")}); // text compares without case
    ASSERT_EQ(rs.RecordCount(), 3);
    rs.MoveNext();
    rs.Edit();
    rs.SetField(QStringLiteral("Weight"), 575);
    rs.Update();
    EXPECT_EQ(fx.count(QStringLiteral("Noms"), QStringLiteral("Weight = 575")), 1);
}

TEST_F(DaoRecordsetTest, JoinsViewsAndExpressionsAreReadOnly)
{
    addTrainers();
    DaoRecordset view = db.OpenRecordset(QStringLiteral("SELECT * FROM qryMeetingView"));
    EXPECT_FALSE(view.Updatable());
    DaoRecordset join = db.OpenRecordset(
        QStringLiteral("SELECT N.*, T.Phone FROM Noms AS N LEFT JOIN Trainer AS T ON T.TrainerName = N.TrainerName"));
    EXPECT_FALSE(join.Updatable());
    EXPECT_THROW(join.AddNew(), VbError);

    fx.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Aaron")}});
    DaoRecordset mixed = db.OpenRecordset(
        QStringLiteral("SELECT TrainerName, UCase(TrainerName) AS Up, (SELECT 1 FROM Meeting) AS Sub FROM Trainer ORDER BY 1"));
    ASSERT_TRUE(mixed.Updatable());
    EXPECT_EQ(mixed.Fields(QStringLiteral("Up")).toString(), QStringLiteral("AARON")); // ordered by the name
    EXPECT_EQ(mixed.FieldCount(), 3);
    mixed.Edit();
    EXPECT_THROW(mixed.SetField(QStringLiteral("Up"), QStringLiteral("x")), VbError);
    mixed.CancelUpdate();
}

TEST_F(DaoRecordsetTest, QualifiedNamesTellRepeatedColumnsApart)
{
    fx.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), QStringLiteral("M1")},
                                       {QStringLiteral("Horse"), QStringLiteral("Zed")},
                                       {QStringLiteral("Jockey"), QStringLiteral("Published Rider")}});
    fx.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), QStringLiteral("M1")},
                                           {QStringLiteral("Horse"), QStringLiteral("ZED")},
                                           {QStringLiteral("Jockey"), QStringLiteral("Our Jockey")}});
    DaoRecordset rs = db.OpenRecordset(QStringLiteral(
        "SELECT N.*, B.* FROM Noms AS N LEFT JOIN Bookings B ON B.MeetingCode = N.MeetingCode AND B.Horse = N.Horse"));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields(QStringLiteral("N.Jockey")).toString(), QStringLiteral("Published Rider"));
    EXPECT_EQ(rs.Fields(QStringLiteral("B.Jockey")).toString(), QStringLiteral("Our Jockey"));
    EXPECT_EQ(rs.Fields(QStringLiteral("Jockey")).toString(), QStringLiteral("Published Rider"));
}

TEST_F(DaoRecordsetTest, FindMovesToMatchingRowsOrLeavesThePosition)
{
    for (int race = 1; race <= 4; ++race)
        fx.insert(QStringLiteral("Race"), {{QStringLiteral("MeetingCode"), QStringLiteral("0106FLEM")},
                                           {QStringLiteral("RaceNumber"), race},
                                           {QStringLiteral("RaceCode"), QStringLiteral("R%1").arg(race % 2)}});
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("Race"));
    EXPECT_TRUE(rs.FindFirst(QStringLiteral("MeetingCode = ? AND RaceCode = ?"),
                             {QStringLiteral("0106flem"), QStringLiteral("r0")}));
    EXPECT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Fields(QStringLiteral("RaceNumber")).toInt(), 2);
    EXPECT_TRUE(rs.FindNext(QStringLiteral("RaceCode = 'R0'")));
    EXPECT_EQ(rs.Fields(QStringLiteral("RaceNumber")).toInt(), 4);
    EXPECT_FALSE(rs.FindNext(QStringLiteral("RaceCode = 'R0'")));
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.Fields(QStringLiteral("RaceNumber")).toInt(), 4); // unchanged
    EXPECT_TRUE(rs.FindLast(QStringLiteral("RaceCode = 'R1'")));
    EXPECT_EQ(rs.Fields(QStringLiteral("RaceNumber")).toInt(), 3);
    EXPECT_TRUE(rs.FindPrevious(QStringLiteral("RaceCode = 'R1'")));
    EXPECT_EQ(rs.Fields(QStringLiteral("RaceNumber")).toInt(), 1);

    // The same on a read-only query, judged on the rows' values.
    DaoRecordset ro = db.OpenRecordset(QStringLiteral("SELECT RaceNumber * 10 AS Ten, RaceCode FROM Race"));
    EXPECT_TRUE(ro.FindFirst(QStringLiteral("Ten > ? AND RaceCode = 'r1'"), {25}));
    EXPECT_EQ(ro.Fields(0).toInt(), 30);
}

TEST_F(DaoRecordsetTest, AddedRowAppearsAtTheEndAndPositionStays)
{
    addTrainers();
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Trainer ORDER BY TrainerName"));
    rs.MoveNext();
    rs.AddNew();
    rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("Davis"));
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 4);
    EXPECT_EQ(rs.Fields(0).toString(), QStringLiteral("Brown"));
    rs.MoveToLastModified();
    EXPECT_EQ(rs.Fields(0).toString(), QStringLiteral("Davis"));
    EXPECT_FALSE(rs.Fields(QStringLiteral("IgnoreTrainer")).toBool());

    // The key refuses a second "davis" (names compare without case); the
    // pending row stays pending.
    rs.AddNew();
    rs.SetField(QStringLiteral("TrainerName"), QStringLiteral("davis"));
    EXPECT_THROW(rs.Update(), VbError);
    EXPECT_EQ(rs.EditMode(), 2);
    rs.CancelUpdate();
    EXPECT_EQ(fx.count(QStringLiteral("Trainer")), 4);
}

TEST_F(DaoRecordsetTest, MoneyDatesAndYesNoAreStoredInTheirForms)
{
    // Money: four decimals, halves to the even digit, sums exact.
    EXPECT_EQ(Currency::fromDouble(12.34565).raw(), 123456);
    EXPECT_EQ(Currency::fromDouble(12.34575).raw(), 123458);
    EXPECT_EQ(Currency::fromDouble(-0.00015).raw(), -2);
    EXPECT_EQ((Currency::fromDouble(0.1) + Currency::fromDouble(0.2)).toString(), QStringLiteral("0.3000"));
    EXPECT_EQ(Currency::fromDouble(2.125).rounded(2).toString(), QStringLiteral("2.1200"));
    EXPECT_EQ(Currency::fromDouble(2.135).rounded(2).toString(), QStringLiteral("2.1400"));

    DaoRecordset rs = db.OpenRecordset(QStringLiteral("Jockey"));
    rs.AddNew();
    rs.SetField(QStringLiteral("Jockey"), QStringLiteral("J Smith"));
    rs.SetField(QStringLiteral("ManBookFee"), 12.34565);
    rs.SetField(QStringLiteral("TrialFee"), QVariant::fromValue(Currency::fromRaw(255000)));
    rs.SetField(QStringLiteral("LastInvoiceDate"), QStringLiteral("30/6/2009")); // a typed date
    rs.SetField(QStringLiteral("DateLastStats"), QDateTime(QDate(2009, 7, 1), QTime(18, 5, 9)));
    rs.SetField(QStringLiteral("ManagerRate"), 2.618f);
    rs.Update();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT ManBookFee FROM Jockey")).toDouble(), 12.3456);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT TrialFee FROM Jockey")).toDouble(), 25.5);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT LastInvoiceDate || '' FROM Jockey")).toString(), QStringLiteral("2009-06-30"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT DateLastStats || '' FROM Jockey")).toString(),
              QStringLiteral("2009-07-01 18:05:09"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT ManagerRate FROM Jockey")).toDouble(), 2.618);

    // Yes/No: text and numbers written to it become 0/1; Null becomes False.
    addTrainers();
    DaoRecordset t = db.OpenRecordset(QStringLiteral("SELECT * FROM Trainer ORDER BY TrainerName"));
    t.Edit();
    t.SetField(QStringLiteral("IgnoreTrainer"), QStringLiteral("True"));
    t.Update();
    t.MoveLast();
    t.Edit();
    t.SetField(QStringLiteral("IgnoreTrainer"), QVariant());
    t.Update();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT group_concat(IgnoreTrainer, ',') FROM Trainer")).toString(),
              QStringLiteral("1,0,0"));
    EXPECT_EQ(t.Fields(QStringLiteral("IgnoreTrainer")).typeId(), QMetaType::Bool);
}

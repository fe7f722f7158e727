// Runners' last starts from the remote form database into Noms.
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace
{
// The text the form service must receive, written out in full.
QString expectedSql(const QString& inList)
{
    return "Select W.WHORSE,W.wJockey,W.wRaceDate,W.WWgtChar,RClass,HWinAge,HWinSex,RValue,W.WWghtRat, "
           "(Select CAST(AVG(CASE WHEN WBeatMar = 'WON' THEN 0 WHEN WBeatMar = 'DIS' THEN 20 WHEN WBeatMar > 20 "
           "THEN 20 ELSE WBeatMar END)As Decimal(3,1)) FROM WORKRACE WHERE W.WHorse = WHorse ORDER BY WRaceDate "
           "DESC Limit 10) as AvgMar, (SELECT CAST( Avg(WMoneyWon) AS DECIMAL( 5, 0 ) )  FROM WORKRACE WHERE "
           "WHorse=W.WHORSE ORDER BY WRaceDate DESC Limit 10) AS AvgWin, W.WTrainer, W800400,RSecTime From "
           "WORKRACE W JOIN (SELECT WHorse, Max(wRaceDate) as LastDate from WORKRACE where Whorse in "
           + inList
           + " GROUP BY WHorse) AS j ON W.WHorse = j.WHorse and W.WRaceDate = LastDate JOIN RACEMAST on "
             "WRaceDate=RDate and rRaceNo = W.WRaceNo and rTrack=W.wTrack JOIN HORSMAST on HHorse = W.WHORSE "
             "Order by W.WHORSE";
}

class LastStartFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.installTemplateDatabase();
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(5000);
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        const QString add = "INSERT INTO Noms (MeetingCode, RaceNumber, Horse, HorseType) VALUES (?, ?, ?, ?)";
        db.Execute(add, {"0706FLEM", 1, "Silver Lining (NZ)", "B 3"});
        db.Execute(add, {"0706FLEM", 1, "O'Reilly", "old"});
        db.Execute(add, {"0706FLEM", 2, "SILVER LINING (NZ)", "B 3"});
        db.Execute(add, {"0706FLEM", 2, "Unknown Horse", "old"});
        db.Execute(add, {"0806CAUL", 1, "Silver Lining (NZ)", "B 3"});

        const QStringList starts = {"WRaceDate", "WRaceNo", "WHorse", "WTrack", "WWgtChar", "WBeatMar", "WJockey",
                                    "WMoneyWon", "WWghtRat", "W800400", "WTrainer"};
        server.insertMany("WORKRACE", starts,
                          {{"2009-06-07", 5, "SILVER LINING", "FLEM", "56.5", "WON", "J SMITH", 30000, 72, "1210",
                            "J HAWKES"},
                           {"2009-05-01", 3, "SILVER LINING", "CAUL", "55", "DIS", "A BROWN", 0, 70, "", "J HAWKES"},
                           {"2009-04-01", 2, "SILVER LINING", "SAND", "54", "25", "A BROWN", 0, 68, "", "J HAWKES"},
                           {"2009-03-01", 1, "SILVER LINING", "SAND", "54", "3", "A BROWN", 6000, 66, "", "J HAWKES"},
                           {"2009-05-20", 4, "O'REILLY", "MORN", "58", "1.5", "P O'NEIL", 1500, 60, "0908",
                            "ANNE-MARIE SMITH-JONES TRAINING"}});
        server.insertMany("RACEMAST", {"RDate", "RTrack", "RRaceNo", "RClass", "RValue", "RSecTime"},
                          {{"2009-06-07", "FLEM", 5, "BM.70", 50000, "1:35.12"},
                           {"2009-05-20", "MORN", 4, "MDN.S.W.", 15, "59.80"}});
        server.insertMany("HORSMAST", {"HHorse", "HWinAge", "HWinSex"},
                          {{"SILVER LINING", 4, " G "}, {"O'REILLY", 3, "F"}});
    }
    void TearDown() override { modDatabase::SetHttpTimeLimit(0); }

    DaoRecordset noms(const QString& where)
    {
        return modDatabase::OpenLocalRecordset("SELECT * FROM Noms WHERE " + where + " ORDER BY rowid");
    }

    TestEnv env;
    FixtureServer server;
    Prompts::Script prompts;
};
} // namespace

TEST_F(LastStartFormTest, WholeMeetingSendsOneQueryAndWritesEveryMatchingRunner)
{
    modJockey::LoadLastStartForm("0706FLEM", 0);

    ASSERT_EQ(server.sqlQueries().size(), 1);
    EXPECT_EQ(server.sqlQueries()[0],
              expectedSql("( 'Silver Lining ', 'O''Reilly', 'SILVER LINING ', 'Unknown Horse')"));

    // Both rows of the horse that runs twice, matched without case and bracket.
    DaoRecordset rs = noms("Horse LIKE 'Silver Lining%' AND MeetingCode = '0706FLEM'");
    ASSERT_EQ(rs.RecordCount(), 2);
    for (; !rs.Eof(); rs.MoveNext()) {
        EXPECT_EQ(rs.Fields("LastJockey").toString(), "J Smith");
        EXPECT_EQ(rs.Fields("LastRode").toDateTime().date(), QDate(2009, 6, 7));
        EXPECT_EQ(rs.Fields("LastRaceClass").toString(), "BM70");
        EXPECT_FLOAT_EQ(rs.Fields("LastWeight").toFloat(), 56.5f);
        EXPECT_EQ(rs.Fields("HorseType").toString(), "G 4");
        EXPECT_FLOAT_EQ(rs.Fields("LastRaceValue").toFloat(), 50000.f);
        EXPECT_FLOAT_EQ(rs.Fields("WgtRat").toFloat(), 72.f);
        EXPECT_FLOAT_EQ(rs.Fields("LastMargin").toFloat(), 10.8f); // (0 + 20 + 20 + 3) / 4
        EXPECT_FLOAT_EQ(rs.Fields("AvgWin").toFloat(), 9000.f);
        EXPECT_EQ(rs.Fields("FormTrainer").toString(), "J HAWKES");
        EXPECT_EQ(rs.Fields("W800400").toString(), "1210");
        EXPECT_FLOAT_EQ(rs.Fields("RSecTime").toFloat(), 35.12f);
    }

    // Cut to the columns' sizes; last five characters of the race time.
    rs = noms("Horse = 'O''Reilly'");
    EXPECT_EQ(rs.Fields("LastRaceClass").toString(), "MDNSW");
    // The form trainer is a key: kept whole, however long.
    EXPECT_EQ(rs.Fields("FormTrainer").toString(), "ANNE-MARIE SMITH-JONES TRAINING");
    EXPECT_EQ(rs.Fields("HorseType").toString(), "F 3");
    EXPECT_FLOAT_EQ(rs.Fields("RSecTime").toFloat(), 59.8f);
    EXPECT_FLOAT_EQ(rs.Fields("LastMargin").toFloat(), 1.5f);

    // Unknown horses and other meetings keep what they had.
    rs = noms("Horse = 'Unknown Horse'");
    EXPECT_EQ(rs.Fields("HorseType").toString(), "old");
    EXPECT_FALSE(rs.Fields("LastRode").isValid());
    rs = noms("MeetingCode = '0806CAUL'");
    EXPECT_FALSE(rs.Fields("LastJockey").isValid());
    EXPECT_TRUE(prompts.records().isEmpty());

    // So the long name finds the rides stored under it: a best placing.
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.Execute("INSERT INTO RaceStats (Horse, FinishPos, Jockey, TrainerName) "
               "VALUES ('X', 2, 'J SMITH', 'ANNE-MARIE SMITH-JONES TRAINING')");
    modJockey::gJockeyInList = "( 'J SMITH')";
    EXPECT_EQ(db.Scalar("SELECT " + modJockey::BestTrainerPosnSql("Noms") + " FROM Noms WHERE Horse = 'O''Reilly'")
                  .toInt(),
              2);
    modJockey::gJockeyInList.clear();
}

TEST_F(LastStartFormTest, OneRaceAsksForAndWritesOnlyThatRace)
{
    modJockey::LoadLastStartForm("0706FLEM", 2);
    ASSERT_EQ(server.sqlQueries().size(), 1);
    EXPECT_EQ(server.sqlQueries()[0], expectedSql("( 'SILVER LINING ', 'Unknown Horse')"));
    EXPECT_EQ(noms("RaceNumber = 2 AND Horse LIKE 'Silver%'").Fields("LastJockey").toString(), "J Smith");
    EXPECT_FALSE(noms("RaceNumber = 1 AND Horse LIKE 'Silver%'").Fields("LastJockey").isValid());

    // A race without runners sends nothing.
    modJockey::LoadLastStartForm("0706FLEM", 7);
    modJockey::LoadLastStartForm("NOSUCH", 0);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(LastStartFormTest, FailedRepliesWriteNothing)
{
    // Transport failure: shown by the loader, titled "Connection error".
    server.enqueue(FixtureServer::Reply::withStatus(500, "Internal Server Error"));
    // A failed statement: shown by the HTTP routine.
    server.enqueue(FixtureServer::Reply::withBody("Error: You have an error in your SQL syntax"));
    // A page sent with status 200: not the service's format.
    server.enqueue(FixtureServer::Reply::withBody("<html><body>Sign in</body></html>"));
    prompts.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    modJockey::LoadLastStartForm("0706FLEM", 0);
    modJockey::LoadLastStartForm("0706FLEM", 0);
    modJockey::LoadLastStartForm("0706FLEM", 0);

    const auto shown = prompts.messages();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[2].text, modDatabase::kMalformedReplyText);
    EXPECT_EQ(shown[2].title, "Connection error");
    EXPECT_EQ(shown[0].text, "Error: 500 Internal Server Error");
    EXPECT_EQ(shown[0].title, "Connection error");
    EXPECT_EQ(shown[0].style, Prompts::vbCritical);
    EXPECT_EQ(shown[1].title, "Connection error, Please Check Internet Connection");
    EXPECT_EQ(modDatabase::OpenLocalDatabase().Scalar("SELECT COUNT(*) FROM Noms WHERE LastJockey IS NOT NULL").toInt(), 0);
}

TEST_F(LastStartFormTest, RowsThatCannotBeMappedAreSkipped)
{
    server.enqueue(FixtureServer::Reply::withBody(
        "SILVER LINING|J SMITH|2009-06-07|56.5|BM70|4|G|50000|72|3.5|12000|J HAWKES|1210|1:35.12<br>\n"
        "UNKNOWN HORSE|P O'NEIL|not a date|58|MDN|3|F|15|60|1.5|1500|X|0908|59.80<br>\n"));
    modJockey::LoadLastStartForm("0706FLEM", 0);
    EXPECT_FLOAT_EQ(noms("Horse LIKE 'Silver%'").Fields("LastMargin").toFloat(), 3.5f);
    EXPECT_EQ(noms("Horse = 'Unknown Horse'").Fields("HorseType").toString(), "old");

    // A row of the wrong field count among good ones: the reply is not the
    // query's, told once, and nothing of it is written.
    server.enqueue(FixtureServer::Reply::withBody(
        "SILVER LINING|J SMITH|2009-06-07|56.5|BM70|4|G|50000|72|9.5|12000|J HAWKES|1210|1:35.12<br>\n"
        "O'REILLY|P O'NEIL|2009-05-20|58|MDN|3|F|15|60|1.5|1500|X|0908<br>\n")); // 13 fields
    prompts.answerMsgBox(Prompts::vbOK);
    modJockey::LoadLastStartForm("0706FLEM", 0);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, modDatabase::kMalformedReplyText);
    EXPECT_FLOAT_EQ(noms("Horse LIKE 'Silver%'").Fields("LastMargin").toFloat(), 3.5f);
    EXPECT_EQ(noms("Horse = 'O''Reilly'").Fields("HorseType").toString(), "old");
}

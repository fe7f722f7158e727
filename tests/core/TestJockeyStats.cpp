// The managed jockeys' rides: download, start-up refresh, trainer summary.
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "core/modJockeyStats.h"
#include "fixtures/FixtureServer.h"
#include "platform/Clock.h"
#include "platform/Currency.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include "core/cAppSettings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

using modJockey::StatsDownload;

namespace
{
const QString kHead = "SELECT WRaceDate, WRaceNo, WTrack, WHorse, WFinPosn, WJockey, WMoneyWon, Wtrainer, mState "
                      "from WORKRACE, MEETMAST  WHERE WJockey= '";
const QString kTail = "' and wRaceDate=mDate and WTrack=mTrack";
const QDateTime kNow(QDate(2009, 7, 1), QTime(8, 30, 0));

class JockeyStatsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.installTemplateDatabase();
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(5000);
        Clock::setFixed(kNow);
        db = modDatabase::OpenLocalDatabase();
        for (const char* name : {"O'Brien", "A Smith", "B Jones"})
            db.Execute("INSERT INTO Jockey (Jockey) VALUES (?)", {QString::fromUtf8(name)});

        server.insertMany("MEETMAST", {"MDate", "MTrack", "MState"},
                          {{"2009-06-07", "FLEM", "VIC"}, {"2009-06-10", "RAND", "NSW"}, {"2009-06-20", "SAND", "VIC"}});
        const QStringList cols = {"WRaceDate", "WRaceNo", "WTrack", "WHorse", "WFinPosn", "WJockey", "WMoneyWon",
                                  "WTrainer", "DateUpdated"};
        server.insertMany("WORKRACE", cols,
                          {{"2009-06-07", 3, "FLEM", "SILVER LINING", 1, "O'BRIEN", "30000.5", "J HAWKES",
                            "2009-06-08 10:00:00"},
                           {"2009-06-10", 7, "RAND", "O'REILLY", 4, "O'BRIEN", 0, "O'NEIL", "2009-06-11 09:00:00"},
                           {"2009-06-20", 2, "SAND", "GREY DAWN", 2, "O'BRIEN", 1200, "J HAWKES",
                            "2009-06-21 09:00:00"},
                           {"2009-06-20", 5, "SAND", "RED SKY", 6, "A SMITH", 0, "J HAWKES", "2009-06-21 09:00:00"}});
    }
    void TearDown() override
    {
        modDatabase::SetHttpTimeLimit(0);
        Clock::setFixed(QDateTime());
        db.Close();
        modDatabase::gDbEngine.CloseAll();
    }

    int rideCount(const QString& jockey)
    {
        return db.Scalar("SELECT COUNT(*) FROM RaceStats WHERE Jockey = ?", {jockey}).toInt();
    }
    QVariant lastStats(const QString& jockey)
    {
        return db.Scalar("SELECT DateLastStats FROM Jockey WHERE Jockey = ?", {jockey});
    }
    void storeRide(const QString& date, int race, const QString& track, const QString& horse, int pos,
                   const QString& jockey)
    {
        db.Execute("INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, TrainerName) "
                   "VALUES (?, ?, ?, ?, ?, ?, 'J HAWKES')",
                   {QDate::fromString(date, Qt::ISODate), race, track, horse, pos, jockey});
    }

    TestEnv env;
    FixtureServer server;
    Prompts::Script prompts;
    DaoDatabase db;
};
} // namespace

TEST_F(JockeyStatsTest, FullRefreshReplacesTheJockeysRides)
{
    storeRide("2001-01-01", 1, "OLD", "GONE", 9, "O'BRIEN"); // the remote spelling, upper case
    storeRide("2001-01-01", 2, "OLD", "KEPT", 9, "A Smith");

    EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", true), StatsDownload::Stored);
    EXPECT_EQ(server.sqlQueries().value(0), kHead + "O''BRIEN" + kTail);

    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        "SELECT * FROM RaceStats WHERE Jockey = 'o''brien' ORDER BY RaceDate");
    ASSERT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Fields("RaceDate").toDateTime().date(), QDate(2009, 6, 7));
    EXPECT_EQ(rs.Fields("RaceNumber").toInt(), 3);
    EXPECT_EQ(rs.Fields("TrackCode").toString(), "FLEM");
    EXPECT_EQ(rs.Fields("Horse").toString(), "SILVER LINING");
    EXPECT_EQ(rs.Fields("FinishPos").toInt(), 1);
    EXPECT_EQ(rs.Fields("Jockey").toString(), "O'BRIEN");
    EXPECT_DOUBLE_EQ(rs.Fields("PrizeMoney").toDouble(), 30000.5);
    EXPECT_EQ(rs.Fields("TrainerName").toString(), "J HAWKES");
    EXPECT_EQ(rs.Fields("State").toString(), "VIC");
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("State").toString(), "NSW");

    EXPECT_EQ(rideCount("A Smith"), 1); // another jockey's rides stay
    EXPECT_EQ(lastStats("O'Brien").toDateTime(), kNow);
    EXPECT_FALSE(lastStats("A Smith").isValid());

    // An empty name asks nothing.
    EXPECT_EQ(modJockey::DownloadJockeyStats("", true), StatsDownload::Skipped);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(JockeyStatsTest, ABackslashInTheNameNeitherBreaksNorOpensTheQuery)
{
    server.insertMany("WORKRACE", {"WRaceDate", "WRaceNo", "WTrack", "WHorse", "WFinPosn", "WJockey", "WTrainer"},
                      {{"2009-06-10", 2, "RAND", "BACK SLASH", 3, "T\\", "J HAWKES"}});

    // A name ending in a backslash asks for exactly its own rides.
    EXPECT_EQ(modJockey::DownloadJockeyStats("T\\", true), StatsDownload::Stored);
    EXPECT_EQ(server.sqlQueries().value(0), kHead + "T\\\\" + kTail);
    EXPECT_EQ(rideCount("T\\"), 1);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM RaceStats").toInt(), 1);

    // A crafted name cannot close the literal early: no other jockey's rides
    // are taken.
    const QString crafted = QStringLiteral("\\' OR 1=1 -- ");
    EXPECT_EQ(modJockey::DownloadJockeyStats(crafted, true), StatsDownload::Stored);
    EXPECT_EQ(server.sqlQueries().value(1), kHead + "\\\\'' OR 1=1 -- " + kTail);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM RaceStats").toInt(), 1);
    EXPECT_EQ(rideCount("O'Brien"), 0);
    EXPECT_EQ(rideCount("A Smith"), 0);
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(JockeyStatsTest, IncrementalAddsOnlyNewerRowsAndCorrectsStoredOnes)
{
    // Already stored, since corrected on the server (placing 4 became 3).
    storeRide("2009-06-10", 7, "RAND", "O'Reilly", 4, "O'BRIEN");
    server.exec("UPDATE WORKRACE SET WFinPosn = 3, DateUpdated = '2009-06-22 08:00:00' WHERE WHorse = 'O''REILLY'");

    const QDateTime since(QDate(2009, 6, 15), QTime(0, 0));
    EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", false, since), StatsDownload::Stored);
    EXPECT_EQ(server.sqlQueries().value(0), kHead + "O''BRIEN" + kTail + " and DateUpdated >= '2009-06-15 00:00:00'");

    EXPECT_EQ(rideCount("O'Brien"), 2); // GREY DAWN added, O'REILLY edited, SILVER LINING not asked for
    EXPECT_EQ(db.Scalar("SELECT FinishPos FROM RaceStats WHERE Horse = 'O''REILLY'").toInt(), 3);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM RaceStats WHERE Horse = 'SILVER LINING'").toInt(), 0);

    // Running it again changes nothing but the stamp.
    Clock::setFixed(kNow.addDays(1));
    modJockey::DownloadJockeyStats("O'Brien", false, since);
    EXPECT_EQ(rideCount("O'Brien"), 2);
    EXPECT_EQ(lastStats("O'Brien").toDateTime(), kNow.addDays(1));
}

TEST_F(JockeyStatsTest, TheStampIsTakenBeforeTheRequest)
{
    server.enqueue(FixtureServer::Reply::serve(300));
    QTimer::singleShot(50, [] { Clock::setFixed(kNow.addSecs(3600)); });
    modJockey::DownloadJockeyStats("O'Brien", true);
    EXPECT_EQ(lastStats("O'Brien").toDateTime(), kNow);
}

TEST_F(JockeyStatsTest, FailedRequestsDeleteAndStampNothing)
{
    storeRide("2001-01-01", 1, "OLD", "KEPT", 9, "O'BRIEN");
    db.Execute("UPDATE Jockey SET DateLastStats = ? WHERE Jockey = 'O''Brien'", {QDateTime(QDate(2009, 1, 1), QTime(1, 2, 3))});

    server.enqueue(FixtureServer::Reply::withStatus(404, "Not Found"));
    server.enqueue(FixtureServer::Reply::withBody("Error: Table 'WORKRACE' is marked as crashed"));
    server.enqueue(FixtureServer::Reply::withBody("Access denied."));
    prompts.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    for (bool full : {true, false, true})
        EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", full, kNow), StatsDownload::Failed);

    EXPECT_EQ(rideCount("O'Brien"), 1);
    EXPECT_EQ(lastStats("O'Brien").toDateTime(), QDateTime(QDate(2009, 1, 1), QTime(1, 2, 3)));
    const auto shown = prompts.messages();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, "Error: 404 Not Found");
    EXPECT_EQ(shown[0].title, "Connection error");
    EXPECT_EQ(shown[1].title, "Connection error, Please Check Internet Connection");
    EXPECT_EQ(shown[2].title, "Access Denied");
}

TEST_F(JockeyStatsTest, ShortRowsAmongGoodOnesRefuseTheWholeReply)
{
    // A cut row means the reply is not the whole answer: the full refresh
    // would otherwise delete the jockey's rides and stamp the jockey.
    storeRide("2001-01-01", 1, "OLD", "KEPT", 9, "O'BRIEN");
    server.enqueue(FixtureServer::Reply::withBody(
        "2009-06-07<br>\n2009-06-07|3|FLEM|X|1<br>\n2009-06-07|3|FLEM|GOOD|1|O'BRIEN|0|T|VIC<br>\n"));
    prompts.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", true), StatsDownload::Failed);
    EXPECT_EQ(rideCount("O'Brien"), 1);
    EXPECT_FALSE(lastStats("O'Brien").toDateTime().isValid());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, modDatabase::kMalformedReplyText);
}

TEST_F(JockeyStatsTest, StartUpRefreshGoesThroughEveryJockeyAndSurvivesAFailure)
{
    QLabel status;
    modGlobal::SetStatusLabel(&status);
    db.Execute("UPDATE Jockey SET DateLastStats = ? WHERE Jockey = 'A Smith'", {QDateTime(QDate(2009, 6, 18), QTime(12, 0))});
    db.Execute("UPDATE Jockey SET DateLastStats = ? WHERE Jockey = 'B Jones'", {QDateTime(QDate(1980, 1, 1), QTime(0, 0))});
    storeRide("2001-01-01", 1, "OLD", "KEPT", 9, "B JONES");

    // The second jockey (by name: A Smith, B Jones, O'Brien) meets a dead server.
    server.setResponder([](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.queryValue("sqlquery").contains("'B JONES'"))
            return FixtureServer::Reply::withStatus(503, "Service Unavailable");
        return std::nullopt;
    });
    prompts.answerMsgBox(Prompts::vbOK);
    modJockey::RefreshAllJockeyStats();
    modGlobal::SetStatusLabel(nullptr);

    const QStringList sent = server.sqlQueries();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[0], kHead + "A SMITH" + kTail + " and DateUpdated >= '2009-06-18 12:00:00'");
    EXPECT_EQ(sent[1], kHead + "B JONES" + kTail + " and DateUpdated >= '1990-01-01 00:00:00'");
    EXPECT_EQ(sent[2], kHead + "O''BRIEN" + kTail + " and DateUpdated >= '1990-01-01 00:00:00'");
    EXPECT_EQ(status.text(), "Loading Jockey data for O'Brien...");

    EXPECT_EQ(lastStats("A Smith").toDateTime(), kNow);
    EXPECT_EQ(lastStats("B Jones").toDateTime(), QDateTime(QDate(1980, 1, 1), QTime(0, 0)));
    EXPECT_EQ(lastStats("O'Brien").toDateTime(), kNow);
    EXPECT_EQ(rideCount("B Jones"), 1);
    EXPECT_EQ(rideCount("A Smith"), 1);
    EXPECT_EQ(rideCount("O'Brien"), 3);
    // The failure is told once, after the refresh.
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "Error: 503 Service Unavailable");
    EXPECT_EQ(prompts.messages()[0].title, "Connection error");
}

TEST_F(JockeyStatsTest, TrainerRideSummaryCountsTheManagedJockeys)
{
    storeRide("2009-06-01", 1, "FLEM", "A", 3, "O'BRIEN");
    storeRide("2009-06-02", 1, "FLEM", "B", 1, "A SMITH");
    storeRide("2009-06-03", 1, "FLEM", "C", 5, "B Jones");
    storeRide("2009-06-04", 1, "FLEM", "D", 1, "NOT MANAGED");
    db.Execute("UPDATE RaceStats SET TrainerName = 'O''NEIL' WHERE Horse = 'C'");
    db.Execute("INSERT INTO RaceStats (Horse, FinishPos, Jockey, TrainerName) VALUES ('E', 2, 'B JONES', 'O''NEIL')");

    EXPECT_EQ(modJockey::GetTrainerRideStats("J Hawkes", db), "1(2)");
    EXPECT_EQ(modJockey::GetTrainerRideStats("O'Neil", db), "2(2)");
    EXPECT_EQ(modJockey::GetTrainerRideStats("Nobody", db), "");
}

TEST_F(JockeyStatsTest, AnEmptyOrNonNumericPositionIsStoredAsNoPosition)
{
    server.enqueue(FixtureServer::Reply::withBody("2009-06-07|3|FLEM|ALPHA|3|O'BRIEN|0|J HAWKES|VIC<br>\n"
                                                  "2009-06-08|1|FLEM|BRAVO||O'BRIEN|0|J HAWKES|VIC<br>\n"
                                                  "2009-06-09|2|FLEM|CHARLIE|FF|O'BRIEN|0|J HAWKES|VIC<br>\n"
                                                  "2009-06-10|2|FLEM|DELTA| 2 |O'BRIEN|0|J HAWKES|VIC<br>\n"));
    EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", true), StatsDownload::Stored);
    const auto finish = [&](const char* horse) {
        return db.Scalar("SELECT FinishPos FROM RaceStats WHERE Horse = ?", {QString::fromLatin1(horse)});
    };
    EXPECT_EQ(finish("ALPHA").toInt(), 3);
    EXPECT_TRUE(finish("BRAVO").isNull());
    EXPECT_TRUE(finish("CHARLIE").isNull());
    EXPECT_EQ(finish("DELTA").toInt(), 2);
    // The best placing is the best known one, not a 0 from an empty field.
    EXPECT_EQ(modJockey::GetTrainerRideStats("J Hawkes", db), "2(4)");

    // The incremental form writes no position over a stored one the same way.
    server.enqueue(FixtureServer::Reply::withBody("2009-06-07|3|FLEM|ALPHA||O'BRIEN|0|J HAWKES|VIC<br>\n"));
    EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", false, kNow), StatsDownload::Stored);
    EXPECT_TRUE(finish("ALPHA").isNull());
    EXPECT_EQ(rideCount("O'Brien"), 4);
}

TEST_F(JockeyStatsTest, RepliesNotInTheServicesFormatChangeNothing)
{
    storeRide("2001-01-01", 1, "OLD", "KEPT", 9, "O'BRIEN");
    const QDateTime stamped(QDate(2009, 1, 1), QTime(1, 2, 3));
    db.Execute("UPDATE Jockey SET DateLastStats = ?", {stamped});

    const QList<QByteArray> bodies = {
        "<!DOCTYPE html><html><head><title>Sign in to the network</title></head><body>Welcome</body></html>",
        QByteArray("\x89PNG\r\n\x1a\n\x00\x01|garbage\xff\xfe", 22),
        "2009-06-07|3|FLEM<br>\n", // rows, but not the fields asked for
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        server.enqueue(FixtureServer::Reply::withBody(body));
        prompts.answerMsgBox(Prompts::vbOK);
        EXPECT_EQ(modJockey::DownloadJockeyStats("O'Brien", true), StatsDownload::Failed);
        EXPECT_EQ(rideCount("O'Brien"), 1);
        EXPECT_EQ(lastStats("O'Brien").toDateTime(), stamped);
    }
    const auto shown = prompts.messages();
    ASSERT_EQ(shown.size(), bodies.size());
    for (const auto& m : shown) {
        EXPECT_EQ(m.text, modDatabase::kMalformedReplyText);
        EXPECT_EQ(m.title, "Connection error");
    }

    // The start-up refresh: nobody stamped, one message.
    prompts.clear();
    server.setResponder([](const FixtureServer::Request&) -> std::optional<FixtureServer::Reply> {
        return FixtureServer::Reply::withBody("<html><body>Captive portal</body></html>");
    });
    prompts.answerMsgBox(Prompts::vbOK);
    modJockey::RefreshAllJockeyStats();
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM Jockey WHERE DateLastStats = ?", {stamped}).toInt(), 3);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, modDatabase::kMalformedReplyText);
}

TEST_F(JockeyStatsTest, TheStartUpRefreshStopsWhenTheServerCannotBeReached)
{
    modDatabase::SetHttpTimeLimit(300);
    server.setResponder([](const FixtureServer::Request&) -> std::optional<FixtureServer::Reply> {
        return FixtureServer::Reply::hang();
    });
    prompts.answerMsgBox(Prompts::vbOK);
    QElapsedTimer clock;
    clock.start();
    modJockey::RefreshAllJockeyStats();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(server.requestCount(), 1); // one time-out, not one per jockey
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("Error: Internert Connection has Timed out."));
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM Jockey WHERE DateLastStats IS NOT NULL").toInt(), 0);

    // No connection at all: the same.
    server.setResponder({});
    quint16 freePort;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    gAppSettings.DataServer = QStringLiteral("127.0.0.1:%1").arg(freePort);
    prompts.clear();
    prompts.answerMsgBox(Prompts::vbOK);
    modJockey::RefreshAllJockeyStats();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("Error: 12029 "));
}

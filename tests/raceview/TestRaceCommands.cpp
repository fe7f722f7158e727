// The race view's data commands on a fixture database: weights from the
// handicap table, ratings from the bureau's pages (fixture server), and the
// last-start refresh (fixture form database).
#include "core/HttpRequest.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "raceview/RaceCommands.h"
#include "support/DbFixture.h"
#include "support/QtPrinters.h"
#include "support/ServerDbTest.h"
#include "support/TestEnv.h"

#include <QMutex>
#include <QMutexLocker>

#include <gtest/gtest.h>

namespace
{
using RaceCommands::CalculateWeights;
using RaceCommands::RatingFromPage;
using RaceCommands::RatingsOutcome;
using RaceCommands::WeightsOutcome;

const QString kMetro = QStringLiteral("0101FLEM");
const QString kProvincial = QStringLiteral("0201SALE");

// ---- weights ------------------------------------------------------------------------------

class Weights : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture db{env};
    Prompts::Script script;

    void SetUp() override
    {
        db.insert("Meeting", {{"MeetingCode", kMetro}, {"MeetType", "M"}});
        db.insert("Meeting", {{"MeetingCode", kProvincial}, {"MeetType", "P"}});
        for (const QString& code : {kMetro, kProvincial}) {
            db.insert("Race", {{"MeetingCode", code}, {"RaceNumber", 1}, {"RaceType", "OLD"}});
            db.insert("Race", {{"MeetingCode", code}, {"RaceNumber", 2}, {"RaceType", "OLD"}});
        }
        const QStringList types{"BM78", "CL6 M", "2YO'S"};
        for (const QString& type : types) {
            table("M", type, 72, 54);
            table("M", type, 66, 50);
            table("M", type, 60, 56);
        }
        table("M", "BM78", 0, 58);  // a rating of 0: never taken for a rating that is no number
        table("M", "BM78", 72, 99); // a later row for the same rating: the first one counts
        table("P", "BM78", 72, 53);
    }

    void table(const QString& meetType, const QString& raceType, int rating, double weight)
    {
        db.insert("RBHTable", {{"MeetType", meetType}, {"RaceType", raceType}, {"Rating", rating}, {"weight", weight}});
    }
    void runner(const QString& meeting, int race, const QString& horse, const QVariant& rating,
                const QString& horseType, double lastWeight = 57)
    {
        db.insert("Noms", {{"MeetingCode", meeting}, {"RaceNumber", race}, {"Horse", horse}, {"Rating", rating},
                           {"HorseType", horseType}, {"LastWeight", lastWeight}});
    }
    /** The five runners of race 1 at `meeting`. */
    void field(const QString& meeting)
    {
        runner(meeting, 1, "Filly", "72", "f 3"); // lower case, as the field-file import writes it
        runner(meeting, 1, "Mare", "66", "M 5");
        runner(meeting, 1, "Gelding", "60", "G 4");
        runner(meeting, 1, "Unrated Here", "80", "F 4");
        runner(meeting, 1, "Not A Number", "abc", "G 4");
        runner(meeting, 2, "Other Race", "72", "F 3", 61);
    }
    double weight(const QString& horse, const QString& meeting = kMetro) const
    {
        return db.scalar("SELECT LastWeight FROM Noms WHERE Horse = ? AND MeetingCode = ?", {horse, meeting})
            .toDouble();
    }
    QString storedType(const QString& meeting, int race) const
    {
        return db.scalar("SELECT RaceType FROM Race WHERE MeetingCode = ? AND RaceNumber = ?", {meeting, race})
            .toString();
    }
};

TEST_F(Weights, OpenRaceTakesTheTableWeightAndTheAllowanceForFilliesAndMaresAbove50)
{
    field(kMetro);
    EXPECT_EQ(CalculateWeights(kMetro, 1, "BM78", "BM78 HCP"), WeightsOutcome::Calculated);

    EXPECT_DOUBLE_EQ(weight("Filly"), 51.5);      // 54, the first row's, less 2.5
    EXPECT_DOUBLE_EQ(weight("Mare"), 50.0);       // exactly 50: no allowance
    EXPECT_DOUBLE_EQ(weight("Gelding"), 56.0);    // no allowance for a gelding
    EXPECT_DOUBLE_EQ(weight("Unrated Here"), 0.0); // no table row: reset to 0
    EXPECT_DOUBLE_EQ(weight("Not A Number"), 0.0); // not the rating-0 row's 58
    EXPECT_DOUBLE_EQ(weight("Other Race"), 61.0);  // another race is left alone
    EXPECT_EQ(storedType(kMetro, 1), QStringLiteral("BM78"));
    EXPECT_EQ(storedType(kMetro, 2), QStringLiteral("OLD"));
    EXPECT_TRUE(script.records().isEmpty());

    // A second run starts again from 0: the same weights, no second allowance.
    CalculateWeights(kMetro, 1, "BM78", "BM78 HCP");
    EXPECT_DOUBLE_EQ(weight("Filly"), 51.5);
    EXPECT_DOUBLE_EQ(weight("Mare"), 50.0);
    EXPECT_DOUBLE_EQ(weight("Gelding"), 56.0);
}

TEST_F(Weights, RacesForOneSexOrWithoutAllowanceTakeTheTableWeightsAsTheyAre)
{
    field(kMetro);
    CalculateWeights(kMetro, 1, "CL6 M", "CL6 HCP");
    EXPECT_DOUBLE_EQ(weight("Filly"), 54.0);
    EXPECT_DOUBLE_EQ(weight("Gelding"), 56.0);

    for (const QString& text : {QStringLiteral("2YO FIL HCP"), QStringLiteral("MAR HCP")}) {
        CalculateWeights(kMetro, 1, "BM78", text);
        EXPECT_DOUBLE_EQ(weight("Filly"), 54.0) << text.toStdString();
    }

    EXPECT_FALSE(RaceCommands::RaceOpenToBothSexes("OPN M", "HCP"));
    EXPECT_FALSE(RaceCommands::RaceOpenToBothSexes("1MWLY M", "HCP"));
    EXPECT_FALSE(RaceCommands::RaceOpenToBothSexes("CL6 M\r\n", "HCP"));
    // The tests are exact: other spellings and other types leave the race open.
    EXPECT_TRUE(RaceCommands::RaceOpenToBothSexes("cl6 m", "fillies HCP"));
    EXPECT_TRUE(RaceCommands::RaceOpenToBothSexes("OPN", "F&M HCP"));
}

TEST_F(Weights, MeetingTypePicksTheTableRows)
{
    field(kMetro);
    field(kProvincial);
    CalculateWeights(kProvincial, 1, "BM78", "BM78 HCP");
    EXPECT_DOUBLE_EQ(weight("Filly", kProvincial), 50.5); // the "P" row's 53, less 2.5
    EXPECT_DOUBLE_EQ(weight("Gelding", kProvincial), 0.0); // no "P" row for 60
    EXPECT_DOUBLE_EQ(weight("Filly", kMetro), 57.0);       // the other meeting is untouched
}

TEST_F(Weights, EmptyRaceTypeIsRefusedAndChangesNothing)
{
    field(kMetro);
    const QByteArray before = db.fileHash();
    script.answerMsgBox(Prompts::vbOK);

    EXPECT_EQ(CalculateWeights(kMetro, 1, QString(), "BM78 HCP"), WeightsOutcome::NoRaceType);

    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("You must select a race type to use to calculate weights"));
    EXPECT_EQ(script.records()[0].title, Prompts::kAppTitle);
    EXPECT_EQ(script.records()[0].style, Prompts::vbOKOnly);
    EXPECT_EQ(db.fileHash(), before);
}

TEST_F(Weights, RaceTypeWithAQuoteAndALineEndIsStoredAsGivenAndLookedUpWithoutTheLineEnd)
{
    field(kMetro);
    CalculateWeights(kMetro, 1, "2YO'S\r\n", "2YO HCP");
    EXPECT_EQ(storedType(kMetro, 1), QStringLiteral("2YO'S\r\n"));
    EXPECT_DOUBLE_EQ(weight("Filly"), 51.5);
    EXPECT_DOUBLE_EQ(weight("Gelding"), 56.0);

    // With the line end the no-allowance type is still recognised.
    CalculateWeights(kMetro, 1, "CL6 M\r\n", "CL6 HCP");
    EXPECT_DOUBLE_EQ(weight("Filly"), 54.0);
}

// ---- rating pages -------------------------------------------------------------------------

const QString kHeading = QStringLiteral("<td class=CellHead>VIC Rating</td>");

QString ratingRow(const QString& sixth)
{
    return QStringLiteral("<tr><td>VIC</td><td>1</td><td>2</td><td>3</td><td>4</td><td>") + sixth
           + QStringLiteral("</td><td>after</td></tr>");
}

QString detailsPage(const QString& sixth)
{
    return QStringLiteral("<html><table><tr>") + kHeading + QStringLiteral("</tr>") + ratingRow(sixth)
           + QStringLiteral("</table></html>");
}

TEST(RatingPage, TheSixthCellOfTheRowAfterTheHeadingIsTheRating)
{
    EXPECT_EQ(RatingFromPage(detailsPage("72")), QStringLiteral("72"));
    EXPECT_EQ(RatingFromPage(detailsPage(" 64 ")), QStringLiteral(" 64 ")); // as the page writes it
    EXPECT_EQ(RatingFromPage(detailsPage("&nbsp;")), QStringLiteral("&nbsp;"));
    EXPECT_EQ(RatingFromPage(detailsPage("")), QString(""));
    // A table before the heading is not read.
    EXPECT_EQ(RatingFromPage(ratingRow("10") + kHeading + ratingRow("72")), QStringLiteral("72"));
}

TEST(RatingPage, WithoutTheHeadingRowOrAllSixCellsThereIsNoRating)
{
    EXPECT_FALSE(RatingFromPage(QStringLiteral("<html>") + ratingRow("72") + QStringLiteral("</html>")));
    EXPECT_FALSE(RatingFromPage(QStringLiteral("<td class=CellHead>vic rating</td>") + ratingRow("72")));
    EXPECT_FALSE(RatingFromPage(kHeading + QStringLiteral("<td>1</td><td>2</td>")));               // no row
    EXPECT_FALSE(RatingFromPage(kHeading + QStringLiteral("<tr><td>1</td><td>2</td><td>3</td>"))); // no row end

    // Cells before the heading, a row too short: nothing is taken from the
    // cells before the heading, nor from the next row.
    const QString before = QStringLiteral("<tr><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td><td>99</td></tr>");
    EXPECT_FALSE(RatingFromPage(before + kHeading + QStringLiteral("<tr><td>VIC</td><td>1</td></tr>")));
    EXPECT_FALSE(RatingFromPage(before + kHeading + QStringLiteral("<tr><td>VIC</td><td>1</td><td>2</td></tr>")
                                + ratingRow("72")));

    // The sixth cell never closes, or closes only beyond its row.
    EXPECT_FALSE(RatingFromPage(kHeading + QStringLiteral("<tr><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td>"
                                                          "<td>72</tr>")));
    EXPECT_FALSE(RatingFromPage(kHeading
                                + QStringLiteral("<tr><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td><td>72</tr>"
                                                 "<tr><td>x</td></tr>")));
}

// ---- rating fetch ------------------------------------------------------------------------------

class Ratings : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture db{env};
    FixtureServer server;
    Prompts::Script script;
    QMutex mutex;
    QMap<QString, FixtureServer::Reply> answers; // by the search's form-encoded horse name

    void SetUp() override
    {
        modJockey::SetRbhSite(server.url());
        modDatabase::SetHttpTimeLimit(3000);
        server.setResponder([this](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
            QMutexLocker lock(&mutex);
            for (auto it = answers.cbegin(); it != answers.cend(); ++it)
                if (r.body.contains("txtHorseName=" + it.key().toUtf8() + "&"))
                    return it.value();
            return FixtureServer::Reply::withBody("<html>FIND HORSE - Search: nothing found</html>");
        });
        runner(1, "Silver Lining", "60");
        runner(1, "O'Reilly", "65");
        runner(2, "Third Horse", "50");
    }
    void TearDown() override
    {
        modJockey::SetRbhSite(QString());
        modDatabase::SetHttpTimeLimit(0);
    }
    void runner(int race, const QString& horse, const QString& rating)
    {
        db.insert("Noms", {{"MeetingCode", kMetro}, {"RaceNumber", race}, {"Horse", horse}, {"Rating", rating}});
    }
    void answer(const QString& name, const FixtureServer::Reply& reply)
    {
        QMutexLocker lock(&mutex);
        answers.insert(name, reply);
    }
    void page(const QString& name, const QString& sixth)
    {
        answer(name, FixtureServer::Reply::withBody(detailsPage(sixth).toUtf8()));
    }
    QString rating(const QString& horse) const
    {
        return db.scalar("SELECT Rating FROM Noms WHERE Horse = ?", {horse}).toString();
    }
    QStringList searchedNames() const
    {
        QStringList names;
        for (const auto& r : server.requests())
            names << QString::fromUtf8(r.body).section(QStringLiteral("txtHorseName="), 1).section('&', 0, 0);
        return names;
    }
};

TEST_F(Ratings, EachRunnerOfTheRaceIsLookedUpAndAFoundRatingStoredAsWritten)
{
    page("Silver+Lining", "72.5");
    page("O%27Reilly", "&nbsp;");

    EXPECT_EQ(RaceCommands::UpdateRatings(kMetro, 1, false), RatingsOutcome::Completed);

    EXPECT_EQ(searchedNames(), QStringList({"Silver+Lining", "O%27Reilly"}));
    EXPECT_EQ(rating("Silver Lining"), QStringLiteral("72.5"));
    EXPECT_EQ(rating("O'Reilly"), QStringLiteral("65")); // "&nbsp;": unrated, kept
    EXPECT_EQ(rating("Third Horse"), QStringLiteral("50"));
    EXPECT_TRUE(script.records().isEmpty());

    // A page without the heading, and one whose row is too short, keep the rating.
    server.clearRequests();
    answer("Silver+Lining", FixtureServer::Reply::withBody("<html>no rating here</html>"));
    page("O%27Reilly", "70</tr>");
    RaceCommands::UpdateRatings(kMetro, 1, false);
    EXPECT_EQ(rating("Silver Lining"), QStringLiteral("72.5"));
    EXPECT_EQ(rating("O'Reilly"), QStringLiteral("65"));
}

TEST_F(Ratings, ARunnerWhosePageFailsIsSkippedAndTheNextStillUpdated)
{
    answer("Silver+Lining", FixtureServer::Reply::withStatus(500, "Internal Server Error"));
    page("O%27Reilly", "71");

    EXPECT_EQ(RaceCommands::UpdateRatings(kMetro, 1, false), RatingsOutcome::Completed);

    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_EQ(rating("Silver Lining"), QStringLiteral("60"));
    EXPECT_EQ(rating("O'Reilly"), QStringLiteral("71"));
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(Ratings, AnUnreachableBureauIsToldOnceAndEndsTheRun)
{
    answer("Silver+Lining", FixtureServer::Reply::close());
    page("O%27Reilly", "71");
    script.answerMsgBox(Prompts::vbOK);

    EXPECT_EQ(RaceCommands::UpdateRatings(kMetro, 1, false), RatingsOutcome::Unreachable);

    // The network layer may try a dropped request again; the second runner
    // is never asked for.
    EXPECT_EQ(searchedNames().filter(QStringLiteral("Reilly")), QStringList());
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].text,
              QStringLiteral("There is some problem trying to retrieve the real-time data. Please try again later."));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Data Error"));
    EXPECT_EQ(script.records()[0].style, Prompts::vbExclamation);
    EXPECT_EQ(rating("O'Reilly"), QStringLiteral("65"));

    // No answer in time ends the run the same way.
    server.clearRequests();
    script.clear();
    script.answerMsgBox(Prompts::vbOK);
    modDatabase::SetHttpTimeLimit(300);
    answer("Silver+Lining", FixtureServer::Reply::hang());
    EXPECT_EQ(RaceCommands::UpdateRatings(kMetro, 1, false), RatingsOutcome::Unreachable);
    EXPECT_EQ(searchedNames(), QStringList({"Silver+Lining"}));
    EXPECT_EQ(script.records().size(), 1);
}

TEST_F(Ratings, ADetailsPageThatCannotBeFetchedEndsTheRunAsWell)
{
    // The search answers with the horse's list; the details page behind it
    // never comes (or the connection drops): the second runner is not asked.
    const QByteArray search = "<html><title>FIND HORSE - Ratings</title><table><tr><td><a href='"
                              "/Publishing/RBH/pgHorseDetails.asp?id=7'>SILVER LINING</a></td>"
                              "<td nowrap>Active&nbsp;</td></tr></table></html>";
    for (const FixtureServer::Reply& details : {FixtureServer::Reply::hang(), FixtureServer::Reply::close()}) {
        server.clearRequests();
        script.clear();
        script.answerMsgBox(Prompts::vbOK);
        modDatabase::SetHttpTimeLimit(300);
        server.setResponder([details, search](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
            return r.method == "GET" ? details : FixtureServer::Reply::withBody(search);
        });

        EXPECT_EQ(RaceCommands::UpdateRatings(kMetro, 1, false), RatingsOutcome::Unreachable);

        EXPECT_EQ(searchedNames().filter(QStringLiteral("Reilly")), QStringList());
        ASSERT_EQ(script.records().size(), 1);
        EXPECT_EQ(script.records()[0].title, QStringLiteral("Data Error"));
        EXPECT_EQ(rating("Silver Lining"), QStringLiteral("60"));
    }
}

// ---- last starts ---------------------------------------------------------------------------------

class LastStarts : public ServerDbTest
{
protected:
    void SetUp() override
    {
        ServerDbTest::SetUp();
        for (const auto& [race, horse] : QList<QPair<int, QString>>{
                 {1, "Silver Lining (NZ)"}, {1, "O'Reilly"}, {2, "Third Horse"}, {3, "Fourth Horse"}})
            db.insert("Noms", {{"MeetingCode", kMetro}, {"RaceNumber", race}, {"Horse", horse}});
        db.insert("Noms", {{"MeetingCode", kProvincial}, {"RaceNumber", 1}, {"Horse", "Elsewhere"}});
        server.insertMany("WORKRACE",
                          {"WRaceDate", "WRaceNo", "WHorse", "WTrack", "WWgtChar", "WBeatMar", "WJockey", "WMoneyWon",
                           "WWghtRat", "W800400", "WTrainer"},
                          {{"2009-06-07", 5, "THIRD HORSE", "FLEM", "56.5", "WON", "J SMITH", 30000, 72, "1210",
                            "J HAWKES"}});
        server.insertMany("RACEMAST", {"RDate", "RTrack", "RRaceNo", "RClass", "RValue", "RSecTime"},
                          {{"2009-06-07", "FLEM", 5, "BM70", 50000, "1:35.12"}});
        server.insertMany("HORSMAST", {"HHorse", "HWinAge", "HWinSex"}, {{"THIRD HORSE", 4, "G"}});
    }
};

TEST_F(LastStarts, WholeMeetingSendsOneQueryWithEveryHorseOfTheMeeting)
{
    // The race number the view last stood on does not narrow a whole-meeting refresh.
    RaceCommands::RefreshLastStarts(kMetro, 2, true);

    const QStringList sql = server.sqlQueries();
    ASSERT_EQ(sql.size(), 1);
    EXPECT_TRUE(sql[0].contains(QStringLiteral("where Whorse in ( 'Silver Lining ', 'O''Reilly', 'Third Horse', "
                                               "'Fourth Horse') GROUP BY")))
        << sql[0].toStdString();
    EXPECT_EQ(db.scalar("SELECT LastJockey FROM Noms WHERE Horse = 'Third Horse'").toString(),
              QStringLiteral("J Smith"));

    // In the race view it is that race's runners alone.
    RaceCommands::RefreshLastStarts(kMetro, 2, false);
    ASSERT_EQ(server.sqlQueries().size(), 2);
    EXPECT_TRUE(server.sqlQueries()[1].contains(QStringLiteral("in ( 'Third Horse') GROUP BY")));
}
} // namespace

// The public fields and file-view loaders against a real database and the
// fixture server: the rows written, the meeting code without a known track,
// replacement of a meeting's field with its bookings kept, failures that must
// leave the database exactly as it was (a database failure halfway through
// included), weights rounded half to even, the bookings check, and the
// last-start fetch.
#include "core/HttpRequest.h"
#include "download/WebSources.h"
#include "download/modBrowser.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/QtPrinters.h"
#include "support/ServerDbTest.h"
#include "support/TestEnv.h"
#include "support/WebPages.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sqlite3.h>

using namespace modBrowser;

namespace
{
const QString kPublicLink = QStringLiteral("/FreeFields/Acceptances.aspx?Key=2030Mar05,VIC,Pakenham");
const QString kFileLink = QStringLiteral("viewfile.aspx?file=20300305PAKE.DFA");
const QDate kDate(2030, 3, 5);

class MeetingLoaders : public ServerDbTest
{
protected:
    void SetUp() override
    {
        ServerDbTest::SetUp();
        WebSources::SetBase(WebSources::Source::PublicSite, server.url());
        WebSources::SetBase(WebSources::Source::FileListFolder, server.url(QStringLiteral("/files/")));
        server.exec(QStringLiteral("INSERT INTO RaceShortCode (RaceTerm, ShtTerm) VALUES ('HANDICAP', 'HCP'), "
                                   "('MAIDEN', 'MDN'), ('BENCHMARK', 'BM'), ('PLATE', 'PLT')"));
        server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"), WebPage(QStringLiteral("publicfields-acceptances.html")));
        server.addPage(QStringLiteral("/files/viewfile.aspx"), WebPage(QStringLiteral("fileview-acceptances.html")));
        gRaceShortCodes.clear();
    }
    void TearDown() override
    {
        WebSources::SetBase(WebSources::Source::PublicSite, QString());
        WebSources::SetBase(WebSources::Source::FileListFolder, QString());
        EXPECT_TRUE(script.unexpected().isEmpty());
        ServerDbTest::TearDown();
    }

    LoadResult loadPublic(const QString& name = QStringLiteral("Pakenham"))
    {
        return LoadPublicFieldsMeeting(name, kDate, QStringLiteral("Acceptances"), kPublicLink,
                                       QStringLiteral("VIC"));
    }

    QVariantMap nom(const QString& horse, int race) const
    {
        return db.rows(QStringLiteral("SELECT * FROM Noms WHERE Horse = ? AND RaceNumber = ?"), {horse, race})
            .value(0);
    }

    int sqlCount(const QString& needle) const
    {
        int n = 0;
        for (const QString& q : server.sqlQueries())
            n += q.contains(needle) ? 1 : 0;
        return n;
    }
};
} // namespace

TEST_F(MeetingLoaders, PublicFieldsMeetingOfAnUnknownTrack)
{
    const LoadResult r = loadPublic();
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.meetingCode, QStringLiteral("0503PAKE"));
    EXPECT_EQ(r.races, 3);
    EXPECT_EQ(r.runners, 6);
    EXPECT_EQ(gDownloadPhase, QStringLiteral("Acceptances"));

    const QVariantMap m = db.rows(QStringLiteral("SELECT * FROM Meeting")).value(0);
    EXPECT_EQ(db.count(QStringLiteral("Meeting")), 1);
    EXPECT_EQ(m.value("MeetingCode").toString(), QStringLiteral("0503PAKE"));
    EXPECT_EQ(m.value("MeetingLocation").toString(), QStringLiteral("Pakenham"));
    EXPECT_EQ(m.value("MeetingDetails").toString(), QStringLiteral("Tuesday 5 March 2030 "));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT MeetingDate || '' FROM Meeting")).toString(), QStringLiteral("2030-03-05"));
    EXPECT_EQ(m.value("MeetingLevel").toString(), QStringLiteral("ACP"));
    EXPECT_EQ(m.value("State").toString(), QStringLiteral("VIC"));
    EXPECT_EQ(m.value("MeetType").toString(), QString());
    EXPECT_EQ(m.value("MeetingRSBCode").toString(), QString());
    EXPECT_EQ(m.value("DisplayMeeting").toInt(), 1);

    const QList<QVariantMap> races
        = db.rows(QStringLiteral("SELECT *, RaceTime || '' AS TimeText FROM Race ORDER BY RaceNumber"));
    ASSERT_EQ(races.size(), 3);
    EXPECT_EQ(races[0].value("RaceCode").toString(), QStringLiteral("1000 MDN"));
    EXPECT_EQ(races[0].value("RaceDetails").toString(),
              QStringLiteral("MAIDEN PLATE\r\nMaiden, Three-Years-Old.   Field Limit: 14 + 4 EM\r\n"
                             "No Allowances for apprentices"));
    EXPECT_EQ(races[0].value("TimeText").toString(), QStringLiteral("13:30:00"));
    EXPECT_EQ(races[0].value("ApprClaim").toInt(), 0);
    EXPECT_EQ(races[1].value("RaceCode").toString(), QStringLiteral("800 HCP-BM"));
    EXPECT_EQ(races[1].value("RaceDistance").toString(), QStringLiteral("800"));
    EXPECT_EQ(races[1].value("ApprClaim").toInt(), 1);
    EXPECT_EQ(races[2].value("TimeText").toString(), QStringLiteral("00:00:00"));

    const QVariantMap a = nom(QStringLiteral("SUPER HORSE (NZ)"), 1);
    EXPECT_EQ(a.value("HorseName").toString(), QStringLiteral("SUPER HORSE "));
    EXPECT_EQ(a.value("RaceCode").toString(), QStringLiteral("1000 MDN"));
    EXPECT_EQ(a.value("TrainerName").toString(), QStringLiteral("A & B Smith"));
    EXPECT_EQ(a.value("Jockey").toString(), QStringLiteral("J Bloggs (a3)"));
    EXPECT_EQ(a.value("Weight").toInt(), 565);
    EXPECT_EQ(a.value("Barrier").toInt(), 12);
    EXPECT_EQ(a.value("Rating").toString(), QStringLiteral("70"));
    EXPECT_EQ(a.value("Form").toString(), QStringLiteral("x1"));
    EXPECT_EQ(a.value("EntryNo").toInt(), 1);
    const QVariantMap b = nom(QStringLiteral("O'REILLY"), 1);
    EXPECT_EQ(b.value("EorB").toString(), QStringLiteral("E"));
    EXPECT_FALSE(b.value("Rating").isValid()); // an empty rating is not written

    // The horse given twice in race 2 is one row with the later values; its
    // later empty rating keeps the earlier one.
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'KING & COUNTRY'")), 1);
    const QVariantMap k = nom(QStringLiteral("KING & COUNTRY"), 2);
    EXPECT_EQ(k.value("Barrier").toInt(), 6);
    EXPECT_EQ(k.value("Weight").toInt(), 575);
    EXPECT_EQ(k.value("Rating").toString(), QStringLiteral("72"));
    EXPECT_EQ(k.value("TrainerName").toString(), QStringLiteral("G Waterhouse & A Bott"));
}

TEST_F(MeetingLoaders, TrackLookupSendsQuotesAndAmpersandsIntact)
{
    server.exec(QStringLiteral("INSERT INTO Track (TrackCode, TrackClub, State, MeetType, TrackLocat) VALUES "
                               "('HAWK', 'Hawke''s Bay RC', 'NZ', 'P', 'HAWKE''S BAY'), "
                               "('MTBK', 'Barker & District RC', 'SA', 'C', 'MT BARKER & DISTRICT')"));
    EXPECT_EQ(LookupTrackRemote(QStringLiteral("Mt Barker & District")),
              QStringLiteral("MTBK|Barker & District RC|SA|C"));
    EXPECT_EQ(LookupTrackRemote(QStringLiteral("Nowhere")), QString());
    EXPECT_EQ(server.sqlQueries().value(0), QStringLiteral("SELECT TrackCode, TrackClub, State, MeetType FROM Track "
                                                           "WHERE TrackLocat = 'MT BARKER & DISTRICT'"));

    const LoadResult r = loadPublic(QStringLiteral("Hawke's Bay"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.meetingCode, QStringLiteral("0503HAWK"));
    const QVariantMap m = db.rows(QStringLiteral("SELECT * FROM Meeting")).value(0);
    EXPECT_EQ(m.value("MeetingDetails").toString(), QStringLiteral("Tuesday 5 March 2030 Hawke's Bay RC"));
    EXPECT_EQ(m.value("State").toString(), QStringLiteral("NZ"));
    EXPECT_EQ(m.value("MeetType").toString(), QStringLiteral("P"));

    // A connection failure of the lookup is told and the meeting code comes
    // from the name.
    server.enqueue(FixtureServer::Reply::withStatus(503, "Service Unavailable"));
    script.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(LookupTrackRemote(QStringLiteral("Hawke's Bay")), QString());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("Error:")));
}

TEST_F(MeetingLoaders, ShortCodeListKeptAfterAFailedLoad)
{
    LoadRaceShortCodes();
    EXPECT_EQ(gRaceShortCodes, QStringList({QStringLiteral("HANDICAP|HCP"), QStringLiteral("MAIDEN|MDN"),
                                            QStringLiteral("BENCHMARK|BM"), QStringLiteral("PLATE|PLT"),
                                            QString()}));
    server.enqueue(FixtureServer::Reply::withStatus(500, "Server Error"));
    script.answerMsgBox(Prompts::vbOK);
    LoadRaceShortCodes();
    EXPECT_EQ(gRaceShortCodes.size(), 5);
    EXPECT_EQ(ShortenRaceName(QStringLiteral("x"), QStringLiteral("Benchmark Plate")), QStringLiteral("BM-PLT"));
}

TEST_F(MeetingLoaders, TrackAndShortCodeRepliesNotInTheServicesFormatAreToldAndNotTaken)
{
    LoadRaceShortCodes();
    ASSERT_EQ(gRaceShortCodes.size(), 5);
    const QByteArray page = "<html><body>Site maintenance<br>\nBack soon|later</body></html>";
    server.enqueue(FixtureServer::Reply::withBody(page));
    server.enqueue(FixtureServer::Reply::withBody(page));
    script.answerMsgBox(Prompts::vbOK);
    script.answerMsgBox(Prompts::vbOK);

    // The page's first line would have become the meeting's track code.
    EXPECT_EQ(LookupTrackRemote(QStringLiteral("Pakenham")), QString());
    LoadRaceShortCodes();
    EXPECT_EQ(gRaceShortCodes.size(), 5);
    EXPECT_EQ(ShortenRaceName(QStringLiteral("x"), QStringLiteral("Maiden Plate")), QStringLiteral("MDN-PLT"));
    ASSERT_EQ(script.messages().size(), 2);
    for (const auto& m : script.messages()) {
        EXPECT_EQ(m.title, QStringLiteral("Connection error"));
        EXPECT_EQ(m.text, modDatabase::kMalformedReplyText);
    }
}

TEST_F(MeetingLoaders, ATrackLookupThatFailsFailsTheMeetingAndWritesNothing)
{
    server.exec(QStringLiteral("INSERT INTO Track (TrackCode, TrackClub, State, MeetType, TrackLocat) VALUES "
                               "('PKNM', 'Pakenham RC', 'VIC', 'P', 'PAKENHAM')"));
    ASSERT_TRUE(loadPublic().ok);
    ASSERT_EQ(db.scalar(QStringLiteral("SELECT MeetingCode FROM Meeting")).toString(), QStringLiteral("0503PKNM"));
    const QByteArray before = db.fileHash();

    // Neither answer means "no such track": the meeting must not be stored
    // under a code made from its name.
    struct Case
    {
        const char* what;
        QByteArray reply;
        QString error;   // the meeting's failure, told by the download at its end
        QString told;    // what the HTTP routine itself tells at once, if anything
    };
    const QList<Case> cases = {
        {"a page sent with status 200", "<html><body>Site maintenance<br>\nBack soon</body></html>",
         modDatabase::kMalformedReplyText, QString()},
        {"a failed statement, told by the HTTP routine, which leaves an empty text",
         "Error: Table 'form.Track' doesn't exist", QStringLiteral("The form database reported an error."),
         QStringLiteral("Error: Table 'form.Track' doesn't exist")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.clearRequests();
        script.clear();
        server.enqueue(FixtureServer::Reply::withBody(c.reply));
        if (!c.told.isEmpty())
            script.answerMsgBox(Prompts::vbOK);
        const LoadResult r = loadPublic();
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.unreachable);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(db.fileHash(), before);
        EXPECT_EQ(db.count(QStringLiteral("Meeting"), QStringLiteral("MeetingCode = '0503PAKE'")), 0);
        EXPECT_EQ(server.requestCount(), 1); // nothing asked after the lookup
        if (c.told.isEmpty()) {
            EXPECT_TRUE(script.messages().isEmpty());
        } else {
            ASSERT_EQ(script.messages().size(), 1);
            EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error, Please Check Internet Connection"));
            EXPECT_EQ(script.messages()[0].text, c.told);
        }
    }
}

TEST_F(MeetingLoaders, RedownloadReplacesTheFieldAndKeepsBookings)
{
    db.insert(QStringLiteral("Meeting"), {{"MeetingCode", "0503PAKE"}, {"MeetingLevel", "NOM"},
                                          {"Barrier", "kept"}});
    db.insert(QStringLiteral("Race"), {{"MeetingCode", "0503PAKE"}, {"RaceNumber", 9}, {"RaceCode", "OLD"}});
    db.insert(QStringLiteral("Noms"), {{"MeetingCode", "0503PAKE"}, {"RaceNumber", 9}, {"Horse", "GONE"}});
    db.insert(QStringLiteral("Noms"), {{"MeetingCode", "0604OTHR"}, {"RaceNumber", 1}, {"Horse", "OTHER MEETING"}});
    db.insert(QStringLiteral("Bookings"), {{"MeetingCode", "0503PAKE"}, {"Horse", "GONE"}, {"Jockey", "Dean Lane"},
                                           {"BookingSelection", "Planned"}});

    // The booked horse is not in the new field: each load lists it once.
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    ASSERT_TRUE(loadPublic().ok);
    ASSERT_TRUE(loadPublic().ok);
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Booked horses not in the field"));
    EXPECT_TRUE(script.messages()[1].text.contains(QStringLiteral("Horse : GONE   Jockey : Dean Lane")));
    EXPECT_EQ(db.count(QStringLiteral("Meeting")), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT Barrier FROM Meeting")).toString(), QStringLiteral("kept"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT MeetingLevel FROM Meeting")).toString(), QStringLiteral("ACP"));
    EXPECT_EQ(db.count(QStringLiteral("Race"), QStringLiteral("MeetingCode = '0503PAKE'")), 3);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0503PAKE'")), 6);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'GONE'")), 0);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0604OTHR'")), 1);
    EXPECT_EQ(db.count(QStringLiteral("Bookings")), 1);
}

TEST_F(MeetingLoaders, FailedFetchOrUnreadablePageLeavesTheDatabaseAsItWas)
{
    ASSERT_TRUE(loadPublic().ok);
    const QByteArray before = db.fileHash();
    ASSERT_FALSE(before.isEmpty());

    auto failPage = [&](const FixtureServer::Reply& reply) {
        server.clearPages();
        server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"), reply);
        const LoadResult r = loadPublic();
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_EQ(db.fileHash(), before);
        return r;
    };
    EXPECT_TRUE(failPage(FixtureServer::Reply::close()).error.startsWith(QStringLiteral("Error:")));
    EXPECT_TRUE(failPage(FixtureServer::Reply::withStatus(404, "Not Found")).error.startsWith(QStringLiteral("Error:")));
    EXPECT_EQ(failPage(FixtureServer::Reply::withBody("")).error, QStringLiteral("The site sent an empty page."));
    EXPECT_EQ(failPage(FixtureServer::Reply::withBody("<html>Fields are not available</html>")).error,
              QStringLiteral("No race was found on the page."));
    EXPECT_TRUE(failPage(FixtureServer::Reply::withBody("<!-- start of races --><th>Race 1 - X (1000 METRES)"))
                    .error.startsWith(QStringLiteral("The page cannot be read: ")));
    // A server that answers "Error:" with status 200: the HTTP routine tells
    // the user, the loader writes nothing.
    script.answerMsgBox(Prompts::vbOK);
    failPage(FixtureServer::Reply::withBody("Error: the fields service is down"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error, Please Check Internet Connection"));
    EXPECT_EQ(db.count(QStringLiteral("Noms")), 6);
}

TEST_F(MeetingLoaders, DatabaseFailureHalfwayRollsTheMeetingBack)
{
    ASSERT_TRUE(loadPublic().ok);
    // The fourth runner written (race 2) cannot be stored.
    db.exec(QStringLiteral("CREATE TRIGGER NoDarkSecret BEFORE INSERT ON Noms WHEN NEW.Horse = 'DARK SECRET' "
                           "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END"));
    const QByteArray before = db.fileHash();
    const LoadResult r = loadPublic();
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.startsWith(QStringLiteral("The meeting could not be stored: the disk is full")))
        << r.error.toStdString();
    // The old runners are there, and the program's one connection is not
    // left inside a transaction that a later write would commit.
    EXPECT_EQ(db.fileHash(), before);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'DARK SECRET'")), 1);
    EXPECT_NE(sqlite3_get_autocommit(db.db().handle()), 0);
}

TEST_F(MeetingLoaders, HalfTenthWeightsAreRoundedHalfToEven)
{
    server.clearPages();
    server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                   QByteArray("<html><body><!-- start of races --><table><tr><th>Race 1 - 1:30PM MAIDEN (1000 METRES)"
                              "</th></tr></table><table><tr><th class=\"h\">Horse</th><th class=\"w\">Weight</th></tr>"
                              "<tr class=\"odd\"><td class=\"h\">LOW HALF</td><td class=\"w\">54.25</td></tr>"
                              "<tr class=\"even\"><td class=\"h\">HIGH HALF</td><td class=\"w\">56.75</td></tr>"
                              "</table></body></html>"));
    const LoadResult r = loadPublic();
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(nom(QStringLiteral("LOW HALF"), 1).value("Weight").toInt(), 542);
    EXPECT_EQ(nom(QStringLiteral("HIGH HALF"), 1).value("Weight").toInt(), 568);
}

TEST_F(MeetingLoaders, BookedHorseWithAnotherRiderAsksOnce)
{
    db.insert(QStringLiteral("Jockey"), {{"Jockey", "Dean Lane"}, {"FullName", "Dean Lane"}, {"RideWgt", 54}});
    db.insert(QStringLiteral("Bookings"), {{"MeetingCode", "0503PAKE"}, {"Horse", "BRAVE HEART"},
                                           {"Jockey", "Dean Lane"}, {"TrainerName", "C Waller"},
                                           {"BookingSelection", "Planned"}});
    script.answerMsgBox(Prompts::vbNo);
    ASSERT_TRUE(loadPublic().ok);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Jockey booking Error"));
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("ACP For meeting has M Zahra \r\rBooked On Horse : BRAVE HEART \r\r"
                             "You had previously booked your Jockey :Dean Lane on that Horse \r\r"
                             "Booking was : Planned \r\rTrainer was : C Waller \r\rSelect Yes to remove your booking"));
    EXPECT_EQ(db.count(QStringLiteral("Bookings")), 1);
}

TEST_F(MeetingLoaders, LastStartsAskedOnceWithTheMeetingsHorses)
{
    ASSERT_TRUE(loadPublic().ok);
    EXPECT_EQ(sqlCount(QStringLiteral("WORKRACE")), 1);
    QString lastStart;
    for (const QString& q : server.sqlQueries())
        if (q.contains(QStringLiteral("WORKRACE")))
            lastStart = q;
    for (const char* horse : {"'SUPER HORSE", "'O''REILLY'", "'BRAVE HEART'", "'KING & COUNTRY'", "'DARK SECRET'",
                              "'QUIET ACHIEVER'"})
        EXPECT_TRUE(lastStart.contains(QString::fromLatin1(horse))) << horse;
    // The page is asked for after the track and the short codes.
    ASSERT_GE(server.requests().size(), 4);
    EXPECT_EQ(server.requests()[2].path, QStringLiteral("/FreeFields/Acceptances.aspx"));

    // A meeting whose page gives no runner sends no last-start query.
    server.clearRequests();
    server.clearPages();
    server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                   QByteArray("<!-- start of races --><th>Race 1 - X (1000 METRES)</th>/table><tr><th>No</th>"
                              "/table></html>"));
    const LoadResult empty = loadPublic();
    ASSERT_TRUE(empty.ok) << empty.error.toStdString();
    EXPECT_EQ(empty.runners, 0);
    EXPECT_EQ(sqlCount(QStringLiteral("WORKRACE")), 0);
}

TEST_F(MeetingLoaders, FileViewMeeting)
{
    db.insert(QStringLiteral("Bookings"), {{"MeetingCode", "0503PAKE"}, {"Horse", "OTHER"}, {"Jockey", "K Lee"},
                                           {"BookingSelection", "Planned"}});
    const LoadResult r = LoadFileViewMeeting(QStringLiteral("Pakenham"), kDate, QStringLiteral("Acceptances"), kFileLink);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(server.requests().value(2).target, QByteArray("/files/viewfile.aspx?file=20300305PAKE.DFA"));
    EXPECT_EQ(r.races, 3);
    const QVariantMap m = db.rows(QStringLiteral("SELECT * FROM Meeting")).value(0);
    EXPECT_EQ(m.value("State").toString(), QString()); // no state without a track row
    EXPECT_EQ(m.value("MeetingLevel").toString(), QStringLiteral("ACP"));

    const QList<QVariantMap> races
        = db.rows(QStringLiteral("SELECT *, RaceTime || '' AS TimeText FROM Race ORDER BY RaceNumber"));
    ASSERT_EQ(races.size(), 3);
    EXPECT_EQ(races[0].value("TimeText").toString(), QStringLiteral("13:30:00"));
    EXPECT_EQ(races[1].value("TimeText").toString(), QStringLiteral("11:15:00"));
    EXPECT_EQ(races[0].value("RaceDetails").toString(),
              QStringLiteral("MAIDEN PLATE\r\nMaiden, Three-Years-Old. Apprentices can claim."));
    EXPECT_EQ(races[0].value("ApprClaim").toInt(), 1);

    // A horse in two races with the same race code keeps both rows; one given
    // twice in a race keeps one, and its empty rating is written.
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'SUPER HORSE (NZ)'")), 2);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'KING & COUNTRY'")), 1);
    const QVariantMap k = nom(QStringLiteral("KING & COUNTRY"), 2);
    EXPECT_EQ(k.value("Barrier").toInt(), 9);
    EXPECT_EQ(k.value("Rating").toString(), QString());
    EXPECT_TRUE(k.value("Rating").isValid());
    const QVariantMap o = nom(QStringLiteral("OTHER"), 1);
    EXPECT_EQ(o.value("EorB").toString(), QStringLiteral("e"));
    EXPECT_EQ(o.value("Jockey").toString(), QStringLiteral("K Lee"));
    EXPECT_FALSE(o.value("Form").isValid());
    // No last starts from this source.
    EXPECT_EQ(sqlCount(QStringLiteral("WORKRACE")), 0);
    EXPECT_EQ(db.count(QStringLiteral("Bookings")), 1);
}

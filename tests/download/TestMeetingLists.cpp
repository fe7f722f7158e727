// The meeting list readers (calendar, file list, racing club selector, bureau
// lists), replies that are no list, the racing club's page readers, and their
// saved fuzz inputs.
#include "download/MeetingLists.h"
#include "download/WebSources.h"
#include "download/frmSelectMeeting.h"
#include "download/modBrowser.h"
#include "support/QtPrinters.h"
#include "support/ServerDbTest.h"
#include "support/WebPages.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace MeetingLists;

namespace
{
QString page(const QString& name)
{
    return QString::fromUtf8(WebPage(name));
}

Entry entry(const char* date, const char* meeting, const char* phase, const QString& link)
{
    return {QString::fromLatin1(date), QString::fromLatin1(meeting), QString::fromLatin1(phase), link};
}

const QString kFlemAcc = QStringLiteral("/FreeFields/Acceptances.aspx?Key=2030Mar05,VIC,Flemington");
} // namespace

TEST(ReplacementRule, OnlyALaterStageOfTheSameMeetingJustBefore)
{
    List l;
    EXPECT_FALSE(AppendEntry(l, entry("05/Mar/30", "A", "Nominations", "n"), false));
    EXPECT_TRUE(AppendEntry(l, entry("05/Mar/30", "A", "Weights", "w"), false));
    ASSERT_EQ(l.size(), 1);
    EXPECT_EQ(l[0], entry("05/Mar/30", "A", "Weights", "w"));
    EXPECT_TRUE(AppendEntry(l, entry("05/Mar/30", "A", "Acceptances", "a"), false));
    EXPECT_FALSE(AppendEntry(l, entry("05/Mar/30", "A", "Weights", "w2"), false)); // after acceptances: kept
    EXPECT_FALSE(AppendEntry(l, entry("06/Mar/30", "A", "Acceptances", "x"), false)); // other date
    EXPECT_FALSE(AppendEntry(l, entry("06/Mar/30", "B", "Acceptances", "y"), false)); // other meeting
    EXPECT_EQ(l.size(), 4);
    List all;
    AppendEntry(all, entry("05/Mar/30", "A", "Nominations", "n"), true);
    EXPECT_FALSE(AppendEntry(all, entry("05/Mar/30", "A", "Weights", "w"), true));
    EXPECT_EQ(all.size(), 2);
}

TEST(CalendarList, PhasesWithAndWithoutShowAll)
{
    const List cleared = ParseCalendarPage(page(QStringLiteral("calendar-vic.html")), false);
    ASSERT_EQ(cleared.size(), 4);
    EXPECT_EQ(cleared[0], entry("05/Mar/30", "Flemington", "Acceptances", kFlemAcc));
    // A weights link after acceptances keeps both.
    EXPECT_EQ(cleared[1].phase, QStringLiteral("Acceptances"));
    EXPECT_EQ(cleared[2], entry("06/Mar/30", "Pakenham", "Weights",
                                QStringLiteral("/FreeFields/Weights.aspx?Key=2030Mar06,VIC,Pakenham")));
    // A results link ends Sale's row before its nominations link.
    EXPECT_EQ(cleared[3].meeting, QStringLiteral("Kilmore"));

    const List all = ParseCalendarPage(page(QStringLiteral("calendar-vic.html")), true);
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all[0].phase, QStringLiteral("Nominations"));
    EXPECT_EQ(all[1].phase, QStringLiteral("Weights"));
    EXPECT_EQ(all[2].phase, QStringLiteral("Acceptances"));

    EXPECT_TRUE(ParseCalendarPage(QString(), false).isEmpty());
    EXPECT_TRUE(ParseCalendarPage(QStringLiteral("<table><tr><td>x</td></tr></table>"), false).isEmpty());
    EXPECT_TRUE(ParseCalendarPage(QStringLiteral("<tr class=x>Key=2030Mar05 no end"), false).isEmpty());
}

TEST(FileList, StagesOtherFilesQuotedLinksAndStateCodes)
{
    const List cleared = ParseFileListPage(page(QStringLiteral("filelist-vic.html")), false);
    ASSERT_EQ(cleared.size(), 4);
    EXPECT_EQ(cleared[0], entry("05-Mar-30", "Flemington", "Acceptances",
                                QStringLiteral("viewfile.aspx?file=20300305FLEM.DFA")));
    EXPECT_EQ(cleared[1], entry("06-Mar-30", "Sale", "", QStringLiteral("viewfile.aspx?file=20300306SALE.TXT")));
    // A quoted address keeps its closing quote, so its kind is not read.
    EXPECT_EQ(cleared[2], entry("06-Mar-30", "Sale", "", QStringLiteral("viewfile.aspx?file=20300306SALE.DGN\"")));
    EXPECT_EQ(cleared[3], entry("07-Mar-30", "Kilmore", "Weights", QStringLiteral("viewfile.aspx?file=20300307KILM.DGW")));
    EXPECT_EQ(ParseFileListPage(page(QStringLiteral("filelist-vic.html")), true).size(), 6);
    EXPECT_TRUE(ParseFileListPage(QStringLiteral("<table><tr><td>x</td></tr>"), false).isEmpty());

    EXPECT_EQ(FileListStateCode(QStringLiteral("VIC")), 1);
    EXPECT_EQ(FileListStateCode(QStringLiteral("QLD")), 5);
    EXPECT_EQ(FileListStateCode(QStringLiteral("NT")), 8);
    EXPECT_EQ(FileListStateCode(QStringLiteral("ACT")), 10);
    EXPECT_EQ(FileListStateCode(QStringLiteral("XX")), 9);
    EXPECT_EQ(FileListStateCode(QStringLiteral("XA")), 9);
}

TEST(ClubSelector, OptionsAroundTodayAndAfterTheList)
{
    const QString p = page(QStringLiteral("club-selector.html"));
    const QList<ClubOption> o = ParseClubSelectorPage(p, QDate(2030, 3, 1));
    ASSERT_EQ(o.size(), 2); // the past option ends the list; the later one is not read
    EXPECT_EQ(o[0].meeting, QStringLiteral("MOONEE VALLEY"));
    EXPECT_EQ(o[0].date, QStringLiteral("05/03/2030"));
    EXPECT_EQ(o[0].number, QStringLiteral("101"));
    EXPECT_EQ(o[1].number, QStringLiteral("102"));
    // On the day itself the meeting is still listed; a day later it ends the list.
    EXPECT_EQ(ParseClubSelectorPage(p, QDate(2030, 3, 5)).size(), 2);
    EXPECT_EQ(ParseClubSelectorPage(p, QDate(2030, 3, 6)).size(), 0);
    // With no past option before "</SELECT>", the option after it is still not read.
    QString noPast = p;
    noPast.remove(QStringLiteral("<OPTION VALUE=\"104\">PAST PARK, 01/01/2020\r\n"));
    EXPECT_EQ(ParseClubSelectorPage(noPast, QDate(2019, 1, 1)).size(), 3);

    QStringList skipped;
    const QString bad = QStringLiteral("<SELECT NAME=\"meet_no\">\r\n<OPTION VALUE=\"1\">NO COMMA\r\n"
                                       "<OPTION VALUE=\"2\">BAD, 31/02/2030\r\n<OPTION VALUE=\"3\">GOOD, 02/03/2030"
                                       "\r\n<OPTION VALUE=\"4\">NO LINE END, 02/03/2030</SELECT>");
    const QList<ClubOption> kept = ParseClubSelectorPage(bad, QDate(2030, 3, 1), &skipped);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].meeting, QStringLiteral("GOOD"));
    EXPECT_EQ(skipped, QStringList({QStringLiteral("NO COMMA"), QStringLiteral("BAD, 31/02/2030")}));
    EXPECT_TRUE(ParseClubSelectorPage(QStringLiteral("<OPTION VALUE=\"1\">A, 01/01/2031\r\n"), QDate(2030, 1, 1))
                    .isEmpty());

    EXPECT_EQ(ClubPhaseOf(QStringLiteral("<h2>Open Acceptances</h2> OPEN WEIGHTS")), QStringLiteral("Acceptances"));
    EXPECT_EQ(ClubPhaseOf(QStringLiteral("open weights")), QStringLiteral("Weights"));
    EXPECT_EQ(ClubPhaseOf(QString()), QStringLiteral("Nominations"));
}

TEST(BureauLists, StateSectionsDatesKindsAndRepeats)
{
    const QString first = QStringLiteral(
        "<table><tr><th align=left><h3>Victoria</h3></th></tr>"
        "<tr><th align=right>FLEMINGTON</th><td><a href=\"f1.txt\">0503 (ACCS)</a></td>"
        "<td><a href=\"f0.txt\">0101 (ACCS)</a></td></tr>"
        "<tr><th align=left><h3>Queensland</h3></th></tr>"
        "<tr><th align=right>EAGLE FARM</th><td><a href=\"e1.txt\">0503 (ACCS)</a></td></tr></table>");
    const QString second = QStringLiteral(
        "<tr><th align=left><h3>Victoria</h3></th></tr>"
        "<tr><th align=right>SALE</th><td><a href=\"s1.txt\">0703 (NOMS)</a></td>"
        "<td><a href=\"s2.txt\">0703 (WGTS)</a></td></tr>"
        "<tr><th align=right>FLEMINGTON</th><td><a href=\"f2.txt\">0503 (NOMS)</a></td></tr>");
    const List l = ParseBureauFileLists(first, second, QStringLiteral("VIC"), false, QDate(2030, 3, 1),
                                        QStringLiteral("http://data/cgi-bin/rsb/public/"));
    ASSERT_EQ(l.size(), 2);
    EXPECT_EQ(l[0], entry("05/03/2030", "FLEMINGTON", "Acceptances", QStringLiteral("http://data/cgi-bin/rsb/public/f1.txt")));
    EXPECT_EQ(l[1], entry("07/03/2030", "SALE", "Weights", QStringLiteral("http://data/cgi-bin/rsb/public/s2.txt")));
    EXPECT_EQ(ParseBureauFileLists(first, second, QStringLiteral("VIC"), true, QDate(2030, 3, 1), QString()).size(), 4);
    EXPECT_EQ(ParseBureauFileLists(first, second, QStringLiteral("QLD"), false, QDate(2030, 3, 1), QString()).size(), 1);
    EXPECT_EQ(BureauStateName(QStringLiteral("Overseas")), QStringLiteral("New Zealand"));
    EXPECT_TRUE(ParseBureauFileLists(QString(), QString(), QStringLiteral("VIC"), false, QDate(2030, 3, 1), QString())
                    .isEmpty());
}

TEST(MeetLoc, MarkersFromTheSecondCharacter)
{
    EXPECT_EQ(GetMeetLoc(QStringLiteral("Moonee Valley RC Moonee Valley")), QStringLiteral("Moonee Valley"));
    EXPECT_EQ(GetMeetLoc(QStringLiteral("Sportsbet Ltd Pakenham")), QStringLiteral("Pakenham"));
    EXPECT_EQ(GetMeetLoc(QStringLiteral("RC Sale")), QStringLiteral("RC Sale"));
    EXPECT_EQ(GetMeetLoc(QStringLiteral("Geelong")), QStringLiteral("Geelong"));
    EXPECT_EQ(GetMeetLoc(QStringLiteral("Kilmore TC")), QString());
}

namespace
{
class ListReplies : public ServerDbTest
{
protected:
    void SetUp() override
    {
        ServerDbTest::SetUp();
        WebSources::SetBase(WebSources::Source::PublicSite, server.url());
        WebSources::SetBase(WebSources::Source::FileListFolder, server.url(QStringLiteral("/files/")));
        WebSources::SetBase(WebSources::Source::ClubService, server.url());
    }
    void TearDown() override
    {
        for (auto s : {WebSources::Source::PublicSite, WebSources::Source::FileListFolder,
                       WebSources::Source::ClubService})
            WebSources::SetBase(s, QString());
        EXPECT_TRUE(script.unexpected().isEmpty());
        ServerDbTest::TearDown();
    }

    /** Every list source answers `calendar`, `fileList` and `club`; returns
     *  the entries the three listings give together. */
    qsizetype listAll(const QByteArray& calendar, const QByteArray& fileList, const QByteArray& club)
    {
        server.clearPages();
        server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), calendar);
        server.addPage(QStringLiteral("/files/DisplayNwaByState.aspx"), fileList);
        server.addPage(QStringLiteral("/scripts/ws.exe/bravik/findinfo.hts"), club);
        return frmSelectMeeting::LoadCalendarMeetings(QStringLiteral("VIC"), false).size()
            + frmSelectMeeting::LoadFileListMeetings(QStringLiteral("VIC"), false).size()
            + frmSelectMeeting::LoadClubServiceMeetings(false).size();
    }
};
} // namespace

TEST_F(ListReplies, APageThatIsNoListIsToldNeverShownAsAnEmptyList)
{
    const QByteArray html = "<html><head><title>Sign in</title></head><body><table><tr><td>Please sign in"
                            "</td></tr></table></body></html>";
    static const char raw[] = "\x01\xff\x13garbage|\x7f<br>\n\x00\x9c\xc3(tr class";
    const QByteArray noise(raw, sizeof(raw) - 1);
    for (const QByteArray& body : {html, noise}) {
        script.clear();
        for (int i = 0; i < 3; ++i)
            script.answerMsgBox(Prompts::vbOK);
        EXPECT_EQ(listAll(body, body, body), 0);
        ASSERT_EQ(script.messages().size(), 3);
        for (const auto& m : script.messages()) {
            EXPECT_EQ(m.title, QStringLiteral("Connection error"));
            EXPECT_EQ(m.text, kNotAListText);
            EXPECT_EQ(m.style, Prompts::vbCritical);
        }
    }

    // Lists with their markers and no meetings, and empty replies, are
    // quiet empty lists.
    script.clear();
    EXPECT_EQ(listAll("<html><body><table class=\"calendar\"><tr class=\"head\"><th>Date</th></tr></table>"
                      "</body></html>",
                      "<html><body><table><thead><tr><th>Date</th></tr></thead><tbody>\n</tbody></table>"
                      "</body></html>",
                      "<HTML><BODY><SELECT NAME=\"meet_no\">\r\n</SELECT></BODY></HTML>"),
              0);
    EXPECT_EQ(listAll(QByteArray(), QByteArray(), QByteArray()), 0);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST(ClubPages, RaceRowsRacePagesAndRunners)
{
    using namespace modBrowser;
    const QStringList codes{QStringLiteral("HANDICAP|HCP"), QStringLiteral("MAIDEN|MDN"),
                            QStringLiteral("BENCHMARK|BM"), QStringLiteral("PLATE|PLT"), QString()};
    EXPECT_EQ(ClubMeetingNumber(QStringLiteral("http://x/meet.hts?type=meet&meet_no=101")), QStringLiteral("101"));
    EXPECT_EQ(ClubMeetingNumber(QStringLiteral("http://x/meet.hts")), QString());

    const QStringList pieces = SplitClubMeetingPage(page(QStringLiteral("club-meet-101.html")), QStringLiteral("101"));
    ASSERT_EQ(pieces.size(), 2);
    ParsedRace race;
    QString error;
    ASSERT_TRUE(ParseClubServiceRace(pieces[0], codes, race, error)) << error.toStdString();
    EXPECT_EQ(race.raceNumber, 1);
    EXPECT_EQ(race.time, QTime(13, 30));
    EXPECT_EQ(race.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(race.distance, QStringLiteral("1000"));
    EXPECT_EQ(race.rsbCode, QStringLiteral("MDNPLATE"));
    EXPECT_EQ(race.raceCode, QStringLiteral("1000 MDN-PLT"));
    EXPECT_EQ(race.pageLink, QStringLiteral("race.hts?meeting_no=101&race_no=1&race_type=MDN+PLATE&sex=A"));

    ASSERT_TRUE(ParseClubServiceRacePage(page(QStringLiteral("club-race-101-1.html")), race, error));
    EXPECT_EQ(race.details, QStringLiteral(" MAIDEN PLATE For three-year-olds\rthat have not won a race at the time "
                                           "of starting Set weights Field limit 14"));
    ASSERT_EQ(race.runners.size(), 3); // the nine-cell row is no runner
    EXPECT_EQ(race.runners[0].horse, QStringLiteral("SUPER HORSE (NZ)"));
    EXPECT_EQ(race.runners[0].entryNo, 1);
    EXPECT_EQ(race.runners[0].barrier, 3);
    EXPECT_EQ(race.runners[0].weight, 575);
    EXPECT_EQ(race.runners[0].jockey, QStringLiteral("J Bloggs"));
    EXPECT_EQ(race.runners[0].trainer, QStringLiteral("A & B Smith"));
    EXPECT_EQ(race.runners[1].horse, QStringLiteral("KING & COUNTRY"));
    EXPECT_EQ(race.runners[1].barrier, 0);

    // Missing markers: no crash, a reason.
    EXPECT_FALSE(ParseClubServiceRace(QStringLiteral("1\">1</a></td>"), codes, race, error));
    EXPECT_FALSE(ParseClubServiceRace(QStringLiteral("1\"race.hts?meeting_no=1&race_type=A&\"><td>x</td>"), codes,
                                      race, error));
    EXPECT_FALSE(ParseClubServiceRacePage(QStringLiteral("<table border=0>only one</table>"), race, error));
}

TEST(ClubPages, TagStrippingAndRewrap)
{
    using modBrowser::RewrapClubDetails;
    using modBrowser::StripHtmlTags;
    EXPECT_EQ(StripHtmlTags(QStringLiteral("  abc ")), QStringLiteral("abc"));
    EXPECT_EQ(StripHtmlTags(QStringLiteral("<b>x</b> y <i>z")), QStringLiteral("x y "));
    EXPECT_EQ(StripHtmlTags(QStringLiteral("pre>a<b")), QStringLiteral("a"));
    const QString longLine(80, QLatin1Char('x'));
    EXPECT_EQ(RewrapClubDetails(QStringLiteral("short\r\n") + longLine + QStringLiteral("\r\nend")),
              QStringLiteral(" short\r") + longLine + QStringLiteral("\rend"));
    EXPECT_EQ(RewrapClubDetails(QString()), QStringLiteral(" "));
}

TEST(ListCorpus, SavedFuzzInputsReadWithoutFault)
{
    int pages = 0;
    for (const char* folder : {"corpus_lists", "corpus_club"}) {
        for (const auto& [name, text] : FuzzSeeds(folder)) {
            SCOPED_TRACE(name.toStdString());
            ++pages;
            for (bool all : {false, true}) {
                for (const Entry& e : ParseCalendarPage(text, all))
                    EXPECT_TRUE(e.link.startsWith(QStringLiteral("/FreeFields")));
                for (const Entry& e : ParseFileListPage(text, all))
                    EXPECT_TRUE(e.link.startsWith(QStringLiteral("viewfile.aspx?")));
                ParseBureauFileLists(text, text, QStringLiteral("VIC"), all, QDate(2030, 1, 1), QString());
            }
            for (const ClubOption& o : ParseClubSelectorPage(text, QDate(2030, 1, 1)))
                EXPECT_FALSE(o.date.isEmpty());
            modBrowser::ParsedRace race;
            QString error;
            for (const QString& piece : modBrowser::SplitClubMeetingPage(text, QStringLiteral("101")))
                modBrowser::ParseClubServiceRace(piece, {}, race, error);
            if (modBrowser::ParseClubServiceRacePage(text, race, error)) {
                for (const modBrowser::ParsedRunner& n : race.runners)
                    EXPECT_FALSE(n.horse.trimmed().isEmpty());
            }
        }
    }
    EXPECT_GE(pages, 6);
}

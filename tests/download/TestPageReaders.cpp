// The downloader's page readers on our fixture pages and on pieces of pages:
// race headers, details, race codes, every runner cell rule of both page
// layouts, the file-view time rule, missing markers, and the saved fuzz
// inputs replayed.
#include "core/modText.h"
#include "download/WebSources.h"
#include "download/modBrowser.h"
#include "support/QtPrinters.h"
#include "support/WebPages.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>

using namespace modBrowser;

namespace
{
const QStringList kCodes{QStringLiteral("HANDICAP|HCP"), QStringLiteral("MAIDEN|MDN"),
                         QStringLiteral("BENCHMARK|BM"), QStringLiteral("PLATE|PLT"), QString()};

QString page(const QString& name)
{
    return QString::fromUtf8(WebPage(name));
}

QString header(const QString& title, const QString& info = QStringLiteral("Maiden"))
{
    return QStringLiteral("<table><tr><th>") + title + QStringLiteral("</th></tr><tr><td class=\"race-info\"><br><br>")
        + info + QStringLiteral("</td></tr><");
}

ParsedRace race(const QString& hdr, const QString& phase, const QString& field = QString())
{
    ParsedRace r;
    QString error;
    EXPECT_TRUE(ParsePublicFieldsRace(hdr, field, phase, kCodes, r, error)) << error.toStdString();
    return r;
}
} // namespace

TEST(TextHelpers, PositionsNeverReadOutsideTheText)
{
    EXPECT_EQ(modText::InStr(QStringLiteral("abcabc"), QStringLiteral("c")), 3);
    EXPECT_EQ(modText::InStr(4, QStringLiteral("abcabc"), QStringLiteral("c")), 6);
    EXPECT_EQ(modText::InStr(-3, QStringLiteral("abc"), QStringLiteral("a")), 1);
    EXPECT_EQ(modText::InStr(9, QStringLiteral("abc"), QStringLiteral("a")), 0);
    EXPECT_EQ(modText::InStrRev(QStringLiteral("(a (b"), QStringLiteral("("), 3), 1);
    EXPECT_EQ(modText::Mid(QStringLiteral("abcdef"), 0, 3), QStringLiteral("ab"));
    EXPECT_EQ(modText::Mid(QStringLiteral("abc"), 2, -4), QString());
    EXPECT_EQ(modText::Mid(QStringLiteral("abc"), 7), QString());
    EXPECT_EQ(modText::Left(QStringLiteral("abc"), -1), QString());
    EXPECT_EQ(modText::Right(QStringLiteral("abc"), 5), QStringLiteral("abc"));
    EXPECT_EQ(modText::Split(QString(), QStringLiteral("x")).size(), 1);
}

TEST(TextHelpers, NumbersTimesAndDates)
{
    EXPECT_DOUBLE_EQ(modText::Val(QStringLiteral(" 56.5kg")), 56.5);
    EXPECT_DOUBLE_EQ(modText::Val(QStringLiteral("x1")), 0);
    EXPECT_EQ(modText::RoundHalfEven(2.5), 2);
    EXPECT_EQ(modText::RoundHalfEven(3.5), 4);
    EXPECT_EQ(modText::RoundHalfEven(-2.5), -2);
    EXPECT_TRUE(modText::IsNumber(QStringLiteral("12")));
    EXPECT_FALSE(modText::IsNumber(QStringLiteral("1e")));
    EXPECT_FALSE(modText::IsNumber(QStringLiteral("&n")));
    EXPECT_EQ(modText::ParseTime(QStringLiteral("1:30PM ")), QTime(13, 30));
    EXPECT_EQ(modText::ParseTime(QStringLiteral("12:05 am")), QTime(0, 5));
    EXPECT_EQ(modText::ParseTime(QStringLiteral("12:05PM")), QTime(12, 5));
    EXPECT_EQ(modText::ParseTime(QStringLiteral("13:30")), QTime(13, 30));
    EXPECT_FALSE(modText::ParseTime(QStringLiteral("MAIDEN ")));
    EXPECT_FALSE(modText::ParseTime(QStringLiteral("13:30PM")));
    EXPECT_EQ(modText::ParseDate(QStringLiteral("05/Mar/24")), QDate(2024, 3, 5));
    EXPECT_EQ(modText::ParseDate(QStringLiteral("5-March-2030")), QDate(2030, 3, 5));
    EXPECT_EQ(modText::ParseDate(QStringLiteral("05/03/2030")), QDate(2030, 3, 5));
    EXPECT_EQ(modText::ParseDate(QStringLiteral("2030-03-05")), QDate(2030, 3, 5));
    EXPECT_FALSE(modText::ParseDate(QStringLiteral("31/Feb/24")));
    EXPECT_FALSE(modText::ParseDate(QStringLiteral("05/Foo/24")));
    EXPECT_EQ(modText::LongDate(QDate(2024, 3, 5)), QStringLiteral("Tuesday 5 March 2024"));
}

TEST(RaceCodes, ShortNamesFromTheListAndTheCut)
{
    // Terms are looked for in the details, in list order; the empty last
    // element of the list is passed over.
    EXPECT_EQ(ShortenRaceName(QStringLiteral("Maiden Plate"), QStringLiteral("a maiden plate"), kCodes),
              QStringLiteral("MDN-PLT"));
    EXPECT_EQ(ShortenRaceName(QStringLiteral("Maiden Plate For 3yo"), QStringLiteral("nothing here"), kCodes),
              QStringLiteral("MAIDEN PLATE FO"));
    EXPECT_EQ(ShortenRaceName(QStringLiteral("Cup"), QStringLiteral("cup"), {QStringLiteral(" |ANY"), QString()}),
              QStringLiteral("ANY"));
    EXPECT_EQ(RaceCodeOf(QStringLiteral("1000"), QStringLiteral("BM-MDN-PLT-HCP-XYZ-ABC")),
              QStringLiteral("1000 BM-MDN-PLT-HCP-"));
    EXPECT_EQ(RaceCodeOf(QStringLiteral("1200"), QStringLiteral("THE \"BIG\" ONE")), QStringLiteral("1200 THE BIG ONE"));
    EXPECT_EQ(StageCode(QStringLiteral("Acceptances")), QStringLiteral("ACP"));
    EXPECT_EQ(StageCode(QStringLiteral("Weights")), QStringLiteral("WGT"));
    EXPECT_EQ(StageCode(QStringLiteral("Nominations")), QStringLiteral("NOM"));
    EXPECT_EQ(StageCode(QStringLiteral("weights")), QStringLiteral("N/A"));
    EXPECT_EQ(HorseNameOf(QStringLiteral("Super Horse (NZ)")), QStringLiteral("SUPER HORSE "));
    EXPECT_EQ(HorseNameOf(QStringLiteral("(NZ) Star")), QStringLiteral("(NZ) STAR"));
}

TEST(PublicFieldsRace, HeaderWithAndWithoutTime)
{
    const ParsedRace acc = race(header(QStringLiteral("Race 3 - 1:30PM MAIDEN PLATE (1000 METRES)")),
                                QStringLiteral("Acceptances"));
    EXPECT_EQ(acc.raceNumber, 3);
    EXPECT_EQ(acc.time, QTime(13, 30));
    EXPECT_EQ(acc.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(acc.distance, QStringLiteral("1000"));
    EXPECT_EQ(acc.raceCode, QStringLiteral("1000 MDN"));

    const ParsedRace nom = race(header(QStringLiteral("Race 3 - MAIDEN PLATE (1000 METRES)")),
                                QStringLiteral("Nominations"));
    EXPECT_EQ(nom.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(nom.distance, QStringLiteral("1000"));
    EXPECT_FALSE(nom.time.has_value());

    // At acceptances a header without a time keeps its name whole.
    const ParsedRace noTime = race(header(QStringLiteral("Race 4 - MAIDEN PLATE (1000 METRES)")),
                                   QStringLiteral("Acceptances"));
    EXPECT_EQ(noTime.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(noTime.time, QTime(0, 0));

    const ParsedRace sprint = race(header(QStringLiteral("Race 7 - 4:10PM BM70 HANDICAP (800 METRES)")),
                                   QStringLiteral("Acceptances"));
    EXPECT_EQ(sprint.raceName, QStringLiteral("BM70 HANDICAP"));
    EXPECT_EQ(sprint.distance, QStringLiteral("800"));

    const ParsedRace noDash = race(QStringLiteral("<th>Race 5 MAIDEN (1100 METRES)</th>"), QStringLiteral("Weights"));
    EXPECT_EQ(noDash.raceNumber, 99);
    EXPECT_EQ(noDash.details, QString());
}

TEST(PublicFieldsRace, DetailsCleanedAndApprenticeClaims)
{
    const ParsedRace r = race(header(QStringLiteral("Race 1 - MAIDEN (1000 METRES)"),
                                     QStringLiteral("<b>Maiden</b>, Three-Years-Old.<br>Field Limit: 14 + 4 EM<br>"
                                                    "No Allowances for apprentices&nbsp;</h3><h3>X<BR>")),
                              QStringLiteral("Weights"));
    EXPECT_EQ(r.details, QStringLiteral("Maiden, Three-Years-Old.   Field Limit: 14 + 4 EM\r\n"
                                        "No Allowances for apprentices; X<BR>"));
    EXPECT_FALSE(r.apprClaim);
    EXPECT_EQ(CleanPublicFieldsDetails(QStringLiteral("a<br><br>BenchMark 70<br>Track Type: Turf")),
              QStringLiteral("a   BenchMark 70   Track Type: Turf"));
    const ParsedRace claim = race(header(QStringLiteral("Race 1 - MAIDEN (1000 METRES)"), QStringLiteral("Open")),
                                  QStringLiteral("Weights"));
    EXPECT_TRUE(claim.apprClaim);
}

TEST(PublicFieldsRace, MissingMarkersGiveNoRaceAndNoFault)
{
    ParsedRace r;
    QString error;
    EXPECT_FALSE(ParsePublicFieldsRace(QStringLiteral("<th>Race 2 - MAIDEN</th>"), QString(),
                                       QStringLiteral("Acceptances"), kCodes, r, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ParsePublicFieldsRace(QStringLiteral("<th>Race x - MAIDEN (1000 METRES)</th>"), QString(),
                                       QStringLiteral("Weights"), kCodes, r, error));
    EXPECT_FALSE(ParsePublicFieldsRace(QStringLiteral("<th>Race 2 - MAIDEN 1000 METRES)</th>"), QString(),
                                       QStringLiteral("Weights"), kCodes, r, error));
    EXPECT_TRUE(ParsePublicFieldsNoms(QString()).isEmpty());
    EXPECT_TRUE(ParsePublicFieldsNoms(QStringLiteral("<tr class=\"x\"><td class=\"h\">A")).isEmpty());
    EXPECT_FALSE(ParsePublicFieldsPage(QStringLiteral("<html>no races</html>"), QStringLiteral("Weights"), kCodes)
                     .ok());
    const ParsedPage cut = ParsePublicFieldsPage(QStringLiteral("x-- start of races --<th>Race 1 - A (1000 METRES)"),
                                                 QStringLiteral("Weights"), kCodes);
    EXPECT_FALSE(cut.error.isEmpty());
    EXPECT_TRUE(cut.races.isEmpty());
}

TEST(PublicFieldsPage, EveryRunnerCellRule)
{
    const ParsedPage p = ParsePublicFieldsPage(page(QStringLiteral("publicfields-acceptances.html")),
                                               QStringLiteral("Acceptances"), kCodes);
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    ASSERT_EQ(p.races.size(), 3);

    const ParsedRace& r1 = p.races[0];
    EXPECT_EQ(r1.raceNumber, 1);
    EXPECT_EQ(r1.time, QTime(13, 30));
    EXPECT_EQ(r1.raceCode, QStringLiteral("1000 MDN"));
    ASSERT_EQ(r1.runners.size(), 3); // the note row names no horse
    const ParsedRunner& a = r1.runners[0];
    EXPECT_EQ(a.entryNo, 1);
    EXPECT_EQ(a.eorb, QString());
    EXPECT_EQ(a.form, QStringLiteral("x1"));
    EXPECT_EQ(a.horse, QStringLiteral("SUPER HORSE (NZ)"));
    EXPECT_EQ(a.trainer, QStringLiteral("A & B Smith"));
    EXPECT_EQ(a.jockey, QStringLiteral("J Bloggs (a3)"));
    EXPECT_EQ(a.barrier, 12);
    EXPECT_EQ(a.weight, 565);
    EXPECT_EQ(a.rating, QStringLiteral("70"));
    const ParsedRunner& b = r1.runners[1];
    EXPECT_EQ(b.entryNo, 12);
    EXPECT_EQ(b.eorb, QStringLiteral("E"));
    EXPECT_EQ(b.form, QString());
    EXPECT_EQ(b.horse, QStringLiteral("O'REILLY"));
    EXPECT_EQ(b.trainer, QStringLiteral("P O'Brien"));
    EXPECT_EQ(b.jockey, QStringLiteral("K Lee (a2)"));
    EXPECT_EQ(b.weight, 540);
    EXPECT_EQ(b.rating, QString());
    const ParsedRunner& c = r1.runners[2];
    EXPECT_EQ(c.horse, QStringLiteral("BRAVE HEART"));
    EXPECT_EQ(c.weight, 580);

    const ParsedRace& r2 = p.races[1];
    EXPECT_EQ(r2.raceCode, QStringLiteral("800 HCP-BM"));
    EXPECT_EQ(r2.details, QStringLiteral("BenchMark 70 Handicap.   Track Type: Turf\r\nApprentices can claim"));
    EXPECT_TRUE(r2.apprClaim);
    ASSERT_EQ(r2.runners.size(), 3); // the repeated horse is stored once by the writer
    EXPECT_EQ(r2.runners[0].horse, QStringLiteral("KING & COUNTRY"));
    EXPECT_EQ(r2.runners[0].trainer, QStringLiteral("G Waterhouse & A Bott"));
    EXPECT_EQ(r2.runners[0].rating, QStringLiteral("72"));
    // A cell beyond the last header takes that header's column.
    EXPECT_EQ(r2.runners[2].rating, QStringLiteral("spare"));

    const ParsedRace& r3 = p.races[2];
    EXPECT_EQ(r3.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(r3.time, QTime(0, 0));
    EXPECT_EQ(r3.runners.value(0).entryNo, 2); // "&nbsp;" heads the number column
    EXPECT_EQ(r3.runners.value(0).barrier, 0);
}

TEST(FileViewPage, RacesTimesAndTheAcceptancesLayout)
{
    const ParsedPage p = ParseFileViewPage(page(QStringLiteral("fileview-acceptances.html")),
                                           QStringLiteral("Acceptances"), kCodes);
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    ASSERT_EQ(p.races.size(), 3); // the notes part between races is passed over
    const ParsedRace& r1 = p.races[0];
    EXPECT_EQ(r1.raceNumber, 1);
    EXPECT_EQ(r1.time, QTime(13, 30));
    EXPECT_EQ(r1.raceName, QStringLiteral("MAIDEN PLATE"));
    EXPECT_EQ(r1.distance, QStringLiteral("1000"));
    EXPECT_EQ(r1.details, QStringLiteral("Maiden, Three-Years-Old. Apprentices can claim."));
    EXPECT_TRUE(r1.apprClaim);
    EXPECT_EQ(r1.raceCode, QStringLiteral("1000 MDN"));
    ASSERT_EQ(r1.runners.size(), 2); // the row of blanks has no horse
    EXPECT_EQ(r1.runners[0].horse, QStringLiteral("SUPER HORSE (NZ)"));
    EXPECT_EQ(r1.runners[0].trainer, QStringLiteral("A & B Smith"));
    EXPECT_EQ(r1.runners[0].jockey, QStringLiteral("J Bloggs"));
    EXPECT_EQ(r1.runners[0].barrier, 12);
    EXPECT_EQ(r1.runners[0].weight, 565);
    EXPECT_EQ(r1.runners[0].rating, QStringLiteral("70"));
    EXPECT_EQ(r1.runners[0].form, QString()); // not read from this page
    EXPECT_EQ(r1.runners[1].entryNo, 12);
    EXPECT_EQ(r1.runners[1].eorb, QStringLiteral("e")); // its own case here
    EXPECT_FALSE(p.races[1].apprClaim);
    EXPECT_EQ(p.races[1].time, QTime(11, 15));
    EXPECT_EQ(p.races[2].time, QTime(12, 40));
}

TEST(FileViewPage, LayoutsAreNeverMixed)
{
    const QString part = QStringLiteral("<table><tr><th>No</th></tr>\n<tr><td>12e</td><td>OTHER</td><td>C Jones</td>"
                                        "<td>J Bloggs</td><td>12</td><td>54</td><td></td><td>(70)</td></tr></table>");
    const QList<ParsedRunner> acc = ParseFileViewNoms(part, QStringLiteral("Acceptances"));
    ASSERT_EQ(acc.size(), 1);
    EXPECT_EQ(acc[0].jockey, QStringLiteral("J Bloggs"));
    EXPECT_EQ(acc[0].weight, 540);
    EXPECT_EQ(acc[0].rating, QStringLiteral("70"));
    // The same row read as a weights page: the rider's cell is the ballot and
    // the barrier's the weight, as that layout places them.
    const QList<ParsedRunner> wgt = ParseFileViewNoms(part, QStringLiteral("Weights"));
    ASSERT_EQ(wgt.size(), 1);
    EXPECT_EQ(wgt[0].ballot, QStringLiteral("J Bloggs"));
    EXPECT_EQ(wgt[0].weight, 120);
    EXPECT_EQ(wgt[0].jockey, QString());
    EXPECT_EQ(wgt[0].rating, QString());
    // Any other phase reads no cell, so no runner has a horse.
    EXPECT_TRUE(ParseFileViewNoms(part, QStringLiteral("Scratchings")).isEmpty());

    const ParsedPage w = ParseFileViewPage(page(QStringLiteral("fileview-weights.html")), QStringLiteral("Weights"),
                                           kCodes);
    ASSERT_TRUE(w.ok());
    const ParsedRunner& s = w.races[0].runners.value(0);
    EXPECT_FALSE(w.races[0].time.has_value());
    EXPECT_EQ(s.ballot, QStringLiteral("B"));
    EXPECT_EQ(s.weight, 555);
    EXPECT_EQ(s.rating, QStringLiteral("58"));
    EXPECT_EQ(s.jockey, QStringLiteral("J Allen"));
}

TEST(FileViewPage, TimeRuleAndMissingMarkers)
{
    EXPECT_EQ(FileViewTime(QStringLiteral("1:30")), QTime(13, 30));
    EXPECT_EQ(FileViewTime(QStringLiteral("9:05")), QTime(21, 5));
    EXPECT_EQ(FileViewTime(QStringLiteral("12:10")), QTime(12, 10));
    EXPECT_EQ(FileViewTime(QStringLiteral("10:45")), QTime(10, 45));
    EXPECT_EQ(FileViewTime(QStringLiteral("11:30")), QTime(11, 30));
    EXPECT_EQ(FileViewTime(QStringLiteral("1:30PM")), QTime(13, 30));
    EXPECT_EQ(FileViewTime(QStringLiteral("11:30 am")), QTime(11, 30));
    EXPECT_EQ(FileViewTime(QString()), QTime(0, 0));
    EXPECT_EQ(FileViewTime(QStringLiteral("TBA")), QTime(0, 0));
    EXPECT_EQ(FileViewTime(QStringLiteral("11000000000000000:30")), QTime(0, 0));

    // No "<hr>" at all, a race table as the last part, a part without a
    // race header: no crash, no race.
    EXPECT_FALSE(ParseFileViewPage(QStringLiteral("<html></html>"), QStringLiteral("Weights"), kCodes).ok());
    const ParsedPage last = ParseFileViewPage(
        QStringLiteral("x<hr><table width=100%><tr><td>1 - 1:30</td>"), QStringLiteral("Weights"), kCodes);
    EXPECT_FALSE(last.error.isEmpty());
    const ParsedPage headless = ParseFileViewPage(QStringLiteral("x<hr><table width=100%>nothing<hr>runners<hr>"),
                                                  QStringLiteral("Weights"), kCodes);
    EXPECT_TRUE(headless.error.isEmpty());
    EXPECT_TRUE(headless.races.isEmpty());
    ParsedRace r;
    QString error;
    EXPECT_FALSE(ParseFileViewRace(QStringLiteral("<table width=100%><tr><td>1 - 1:30</td><td width=70%>A</td>"),
                                   QString(), QStringLiteral("Weights"), kCodes, r, error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PageEnds, ACutPageFailsOrReadsAsTheWholePage)
{
    // A page can arrive cut short anywhere with status 200. What is left must
    // either fail (the meeting keeps its rows) or read exactly as the whole
    // page does; never as a meeting with fewer races or runners.
    using Reader = std::function<ParsedPage(const QString&)>;
    const QString acc = QStringLiteral("Acceptances");
    const QList<QPair<QString, Reader>> kinds{
        {QStringLiteral("publicfields-acceptances.html"),
         [&](const QString& p) { return ParsePublicFieldsPage(p, acc, kCodes); }},
        {QStringLiteral("fileview-acceptances.html"),
         [&](const QString& p) { return ParseFileViewPage(p, acc, kCodes); }},
        {QStringLiteral("club-meet-101.html"),
         [&](const QString& p) { return ParseClubMeetingPage(p, QStringLiteral("101"), kCodes); }},
    };
    for (const auto& [file, read] : kinds) {
        SCOPED_TRACE(file.toStdString());
        const QString whole = page(file);
        const ParsedPage full = read(whole);
        ASSERT_TRUE(full.ok()) << full.error.toStdString();
        ASSERT_GE(full.races.size(), 2);
        int readable = 0;
        QList<qsizetype> differing;
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const ParsedPage p = read(whole.left(cut));
            if (!p.error.isEmpty()) {
                EXPECT_TRUE(p.races.isEmpty());
            }
            if (p.races.isEmpty())
                continue;
            ++readable;
            if (p.races != full.races)
                differing << cut;
        }
        EXPECT_TRUE(differing.isEmpty()) << differing.size() << " cuts read as another meeting, the first at "
                                         << differing.value(0);
        // Only what follows the page's end may be lost without notice.
        EXPECT_LE(readable, whole.size() - whole.lastIndexOf(QStringLiteral("</html>"), -1, Qt::CaseInsensitive) - 7);
    }
}

TEST(PageCorpus, SavedFuzzInputsReadWithoutFault)
{
    int pages = 0;
    for (const char* folder : {"corpus_publicfields", "corpus_fileview"}) {
        const bool publicFields = QString::fromLatin1(folder).contains(QStringLiteral("public"));
        for (const auto& [name, text] : FuzzSeeds(folder)) {
            SCOPED_TRACE(name.toStdString());
            ++pages;
            for (const QString& phase : {QStringLiteral("Acceptances"), QStringLiteral("Weights"),
                                         QStringLiteral("Nominations"), QStringLiteral("Other")}) {
                const ParsedPage p = publicFields ? ParsePublicFieldsPage(text, phase, kCodes)
                                                  : ParseFileViewPage(text, phase, kCodes);
                if (!p.error.isEmpty()) {
                    EXPECT_TRUE(p.races.isEmpty());
                }
                for (const ParsedRace& race : p.races) {
                    EXPECT_LE(race.raceCode.size(), 20);
                    EXPECT_FALSE(race.raceCode.contains(QLatin1Char('"')));
                    EXPECT_EQ(race.time.has_value(), phase == QLatin1String("Acceptances"));
                    for (const ParsedRunner& n : race.runners)
                        EXPECT_FALSE(n.horse.trimmed().isEmpty());
                }
            }
        }
    }
    EXPECT_GE(pages, 6);
}

TEST(WebSourceAddresses, DefaultsEnvironmentAndLinks)
{
    using WebSources::Source;
    qunsetenv("VELMORA_PUBLIC_SITE");
    qunsetenv("VELMORA_FILELIST_FOLDER");
    EXPECT_EQ(WebSources::Base(Source::PublicSite), QStringLiteral("https://www.racingaustralia.horse"));
    EXPECT_TRUE(WebSources::Base(Source::FileListFolder).endsWith(QLatin1Char('/')));
    qputenv("VELMORA_PUBLIC_SITE", "http://127.0.0.1:9/");
    qputenv("VELMORA_FILELIST_FOLDER", "http://127.0.0.1:9/files");
    EXPECT_EQ(WebSources::Base(Source::PublicSite), QStringLiteral("http://127.0.0.1:9"));
    EXPECT_EQ(WebSources::Base(Source::FileListFolder), QStringLiteral("http://127.0.0.1:9/files/"));
    WebSources::SetBase(Source::PublicSite, QStringLiteral("http://127.0.0.1:7"));
    EXPECT_EQ(WebSources::Base(Source::PublicSite), QStringLiteral("http://127.0.0.1:7"));
    WebSources::SetBase(Source::PublicSite, QString());
    EXPECT_EQ(WebSources::Base(Source::PublicSite), QStringLiteral("http://127.0.0.1:9"));
    qunsetenv("VELMORA_PUBLIC_SITE");
    qunsetenv("VELMORA_FILELIST_FOLDER");

    EXPECT_EQ(WebSources::Resolve(QStringLiteral("http://h:1/a/b/"), QStringLiteral("/FreeFields/X.aspx?Key=1,VIC")),
              QStringLiteral("http://h:1/FreeFields/X.aspx?Key=1,VIC"));
    EXPECT_EQ(WebSources::Resolve(QStringLiteral("http://h:1/a/b/"), QStringLiteral("viewfile.aspx?file=X.DGN")),
              QStringLiteral("http://h:1/a/b/viewfile.aspx?file=X.DGN"));
    EXPECT_EQ(WebSources::Resolve(QStringLiteral("http://h:1/a/"), QStringLiteral("http://other/x?y=1")),
              QStringLiteral("http://other/x?y=1"));
}

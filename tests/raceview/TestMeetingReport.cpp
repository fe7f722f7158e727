// The meeting report: the meeting's runners grouped by race from the local
// database, the printed values, the title and date, pagination with page
// numbers, and its PDF.
#include "core/cAppSettings.h"
#include "platform/Prompts.h"
#include "raceview/MeetingReport.h"
#include "support/DbFixture.h"
#include "support/LayoutCompare.h"
#include "support/PdfPages.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

const QString kCode = QStringLiteral("0511FLEM");

struct MeetingDb
{
    TestEnv env;
    DbFixture db{env};

    void meeting(const QString& code, const QString& location, const QDate& date) const
    {
        db.insert(s("Meeting"), {{s("MeetingCode"), code}, {s("MeetingLocation"), location}, {s("MeetingDate"), date}});
    }
    void race(int number, const QString& details, const QVariant& time = QTime(14, 35), bool claim = true,
              const QString& code = kCode) const
    {
        db.insert(s("Race"), {{s("MeetingCode"), code},
                              {s("RaceNumber"), number},
                              {s("RaceCode"), s("R%1").arg(number)},
                              {s("RaceDetails"), details},
                              {s("RaceDistance"), s("1200")},
                              {s("RaceTime"), time},
                              {s("ApprClaim"), claim}});
    }
    void runner(int race, int entry, const QString& horse, QVariantMap extra = {},
                const QString& code = kCode) const
    {
        QVariantMap row{{s("MeetingCode"), code},
                        {s("RaceNumber"), race},
                        {s("RaceCode"), s("R%1").arg(race)},
                        {s("EntryNo"), entry},
                        {s("Horse"), horse},
                        {s("TrainerName"), s("Trainer %1").arg(entry)},
                        {s("Weight"), 560},
                        {s("Rating"), s("60")},
                        {s("Form"), s("x123")}};
        for (auto it = extra.cbegin(); it != extra.cend(); ++it)
            row.insert(it.key(), it.value());
        db.insert(s("Noms"), row);
    }
    /** `races` races of `perRace` runners each, written in one transaction. */
    void field(int races, int perRace) const
    {
        DaoDatabase d = db.db();
        d.BeginTrans();
        for (int r = 1; r <= races; ++r) {
            race(r, s("Race %1 handicap").arg(r));
            for (int e = 1; e <= perRace; ++e)
                runner(r, e, s("Horse %1-%2").arg(r).arg(e));
        }
        d.CommitTrans();
    }
};

ReportLayout layout(const QString& stage = s("ACP"), const QString& code = kCode)
{
    ReportDefinition def;
    ReportData data;
    MeetingReport::Prepare(code, stage, def, data);
    return LayoutReport(def, data);
}

QList<const ReportItem*> allItems(const ReportLayout& l, const QString& name)
{
    QList<const ReportItem*> out;
    for (const ReportPage& p : l.pages)
        out << p.all(name);
    return out;
}

QStringList textsOf(const QList<const ReportItem*>& items)
{
    QStringList out;
    for (const ReportItem* i : items)
        out << i->text;
    return out;
}

QVariant field(const QList<ReportRow>& rows, const QString& horse, const QString& name)
{
    for (const ReportRow& r : rows)
        if (r.value(s("Horse")).toString() == horse)
            return r.value(name);
    ADD_FAILURE() << "no runner " << horse.toStdString();
    return QVariant();
}

/** Page header and footer on every page, page numbers right, and no race
 *  header or runner crossing the body's bounds. */
void expectPaged(const ReportLayout& l)
{
    const int n = static_cast<int>(l.pages.size());
    for (int p = 0; p < n; ++p) {
        SCOPED_TRACE(p);
        const ReportPage& page = l.pages[p];
        ASSERT_NE(page.item(s("Label4")), nullptr);
        EXPECT_EQ(page.item(s("Label4"))->text, s("Page :"));
        EXPECT_EQ(page.item(s("Label3"))->text, QString::number(p + 1));
        EXPECT_EQ(page.item(s("Label5"))->text, s("of"));
        EXPECT_EQ(page.item(s("Label6"))->text, QString::number(n));
        EXPECT_EQ(page.item(s("Label10"))->text, s("Meeting Report"));
        int y = l.bodyTop;
        for (const ReportBand& b : page.bands) {
            if (b.kind != ReportSectionKind::GroupHeader && b.kind != ReportSectionKind::Detail)
                continue;
            EXPECT_GE(b.top, y);
            EXPECT_LE(b.top + b.height, l.bodyBottom);
            y = b.top + b.height;
        }
    }
}
} // namespace

TEST(MeetingReportTest, RacesInOrderEachWithItsRunnersInEntryOrder)
{
    MeetingDb m;
    m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
    m.race(3, s("Third race"), QTime(15, 10), false);
    m.race(1, s("First race\r\nBenchmark 70"), QTime(12, 5));
    m.race(2, s("Second race"), QTime(14, 35));
    m.race(4, s("No runners"));
    m.runner(3, 2, s("C Two"));
    m.runner(1, 3, s("A Three"));
    m.runner(2, 1, s("B One"));
    m.runner(1, 1, s("A One"));
    m.runner(3, 1, s("C One"));
    m.runner(1, 2, s("A Two"));
    m.runner(1, 1, s("Other Meeting"), {}, s("0611CAUL"));

    const ReportLayout l = layout();
    ASSERT_EQ(l.pages.size(), 1);
    const ReportPage& p = l.pages[0];
    QStringList order;
    for (const ReportBand& b : p.bands) {
        if (b.kind == ReportSectionKind::GroupHeader)
            order << s("race");
        else if (b.kind == ReportSectionKind::Detail)
            order << s("runner");
    }
    EXPECT_EQ(order.join(QLatin1Char(' ')), s("race runner runner runner race runner race runner runner"));
    EXPECT_EQ(textsOf(p.all(s("Text3"))), (QStringList{s("1"), s("2"), s("3")}));
    EXPECT_EQ(textsOf(p.all(s("txtHorse"))),
              (QStringList{s("A One"), s("A Two"), s("A Three"), s("B One"), s("C One"), s("C Two")}));
    EXPECT_EQ(textsOf(p.all(s("txtEntryNo"))), (QStringList{s("1"), s("2"), s("3"), s("1"), s("1"), s("2")}));
    EXPECT_EQ(textsOf(p.all(s("txtRaceTime"))), (QStringList{s("12.05"), s("14.35"), s("15.10")}));
    EXPECT_EQ(textsOf(p.all(s("Text4")))[0], s("First race\nBenchmark 70"));
    EXPECT_EQ(textsOf(p.all(s("Text2"))),
              (QStringList{s("Apprentices can claim."), s("Apprentices can claim."),
                           s("No Allowances for apprentices.")}));
    EXPECT_EQ(textsOf(p.all(s("txtDistance")))[0], s("1200"));
    EXPECT_EQ(p.all(s("Label7")).size(), 3); // "mtrs" once per race
}

TEST(MeetingReportTest, PrintedValuesOfRunners)
{
    MeetingDb m;
    m.race(1, s("Race"), QTime(0, 1)); // the no-time mark
    m.race(2, s("Race"), QVariant());
    m.runner(1, 1, s("Unweighted"), {{s("Weight"), 0}, {s("Rating"), s("0")}, {s("Barrier"), 7}, {s("EorB"), s("E")},
                                     {s("Ballot"), s("3=")}, {s("Class"), s("BM70")}});
    m.runner(1, 2, s("Weighted"), {{s("Weight"), 545}, {s("Rating"), s("72")}, {s("Barrier"), 7}, {s("EorB"), QVariant()},
                                   {s("Ballot"), QVariant()}, {s("Class"), QVariant()}});
    m.runner(1, 3, s("No Barrier"), {{s("Weight"), QVariant()}, {s("Rating"), QVariant()}, {s("Barrier"), QVariant()},
                                     {s("EorB"), s("B")}, {s("Ballot"), s("12")}});
    m.runner(2, 1, s("Other Race"), {{s("Weight"), 560}, {s("Rating"), s("72 ")}});

    QList<ReportRow> acp = MeetingReport::Rows(kCode, s("ACP"));
    ASSERT_EQ(acp.size(), 4);
    EXPECT_FALSE(field(acp, s("Unweighted"), s("Weight")).isValid());
    EXPECT_FALSE(field(acp, s("Unweighted"), s("Rating")).isValid());
    EXPECT_EQ(FormatReportValue(field(acp, s("Weighted"), s("Weight")), {}), s("54.5"));
    EXPECT_EQ(FormatReportValue(field(acp, s("Other Race"), s("Weight")), {}), s("56"));
    EXPECT_EQ(FormatReportValue(field(acp, s("Weighted"), s("Rating")), {}), s("72"));
    EXPECT_EQ(FormatReportValue(field(acp, s("Other Race"), s("Rating")), {}), s("72"));
    EXPECT_FALSE(field(acp, s("No Barrier"), s("Weight")).isValid());
    EXPECT_EQ(field(acp, s("Unweighted"), s("VarData")).toString(), s("7E"));
    EXPECT_EQ(field(acp, s("Weighted"), s("VarData")).toString(), s("7"));
    EXPECT_EQ(field(acp, s("No Barrier"), s("VarData")).toString(), s("B"));

    const QList<ReportRow> wgt = MeetingReport::Rows(kCode, s("WGT"));
    EXPECT_EQ(field(wgt, s("Unweighted"), s("VarData")).toString(), s("3=E"));
    EXPECT_EQ(field(wgt, s("Weighted"), s("VarData")).toString(), QString());
    EXPECT_EQ(field(wgt, s("No Barrier"), s("VarData")).toString(), s("12B"));

    const QList<ReportRow> nom = MeetingReport::Rows(kCode, s("NOM"));
    EXPECT_EQ(field(nom, s("Unweighted"), s("VarData")).toString(), s("BM70"));
    EXPECT_FALSE(field(nom, s("Weighted"), s("VarData")).isValid());

    // On the page: blanks print nothing, and neither race prints a time.
    const ReportLayout l = layout(s("ACP"));
    const ReportPage& p = l.pages[0];
    EXPECT_EQ(textsOf(p.all(s("txtWeight"))), (QStringList{s("54.5"), s("56")}));
    EXPECT_EQ(textsOf(p.all(s("txtRating"))), (QStringList{s("72"), s("72")}));
    EXPECT_EQ(textsOf(p.all(s("txtVarData"))), (QStringList{s("7E"), s("7"), s("B")}));
    EXPECT_TRUE(p.all(s("txtRaceTime")).isEmpty());
}

TEST(MeetingReportTest, PagesFromNoRunnersToTwoHundred)
{
    // A4 less margins (720), page header (810) and footer (150) leaves 15158:
    // one race header and 60 runners fill a page, a 61st moves on.
    struct Case
    {
        int races;
        int perRace;
        int pages;
    } cases[] = {{0, 0, 1}, {1, 1, 1}, {1, 60, 1}, {1, 61, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perRace);
        MeetingDb m;
        m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
        m.field(c.races, c.perRace);
        const ReportLayout l = layout();
        ASSERT_EQ(l.pages.size(), c.pages);
        expectPaged(l);
        EXPECT_EQ(allItems(l, s("txtHorse")).size(), c.races * c.perRace);
    }

    MeetingDb m;
    m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
    DaoDatabase d = m.db.db();
    d.BeginTrans();
    for (int r = 1; r <= 12; ++r) {
        m.race(r, s("Race %1").arg(r));
        for (int e = 1; e <= (r <= 8 ? 17 : 16); ++e)
            m.runner(r, e, s("Horse %1-%2").arg(r).arg(e));
    }
    d.CommitTrans();
    const ReportLayout l = layout();
    EXPECT_GE(l.pages.size(), 4);
    expectPaged(l);
    EXPECT_EQ(allItems(l, s("txtHorse")).size(), 200);
    EXPECT_EQ(allItems(l, s("Text3")).size(), 12);
    EXPECT_EQ(allItems(l, s("lblTitle")).size(), l.pages.size());
}

TEST(MeetingReportTest, LongNamesMakeTheirRunnerTaller)
{
    MeetingDb m;
    m.race(1, s("Race"));
    m.runner(1, 1, s("Short"));
    m.runner(1, 2, s("A Horse With A Name Far Too Long For Its Column (NZ)"));
    m.runner(1, 3, s("Short Too"), {{s("TrainerName"), s("Christopher Waller And Partners Racing Stables")}});
    const ReportLayout l = layout();
    QList<int> heights;
    for (const ReportBand& b : l.pages[0].bands)
        if (b.kind == ReportSectionKind::Detail)
            heights << b.height;
    ASSERT_EQ(heights.size(), 3);
    EXPECT_EQ(heights[0], 240);
    EXPECT_GT(heights[1], 240);
    EXPECT_GT(heights[2], 240);
}

TEST(MeetingReportTest, TitleAndDateFromTheMeeting)
{
    MeetingDb m;
    m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
    m.field(1, 2);
    const ReportPage p = layout().pages[0];
    EXPECT_EQ(p.item(s("lblTitle"))->text, s("Flemington"));
    EXPECT_EQ(p.item(s("lblDate"))->text, s("05/11/2024"));
    EXPECT_EQ(p.item(s("Label8"))->text, s("@ for last Jockey"));

    // A meeting code without a Meeting row prints the code and no date.
    m.race(1, s("Race"), QTime(14, 35), true, s("0611CAUL"));
    m.runner(1, 1, s("Lonely"), {}, s("0611CAUL"));
    const ReportPage q = layout(s("ACP"), s("0611CAUL")).pages[0];
    EXPECT_EQ(q.item(s("lblTitle"))->text, s("0611CAUL"));
    EXPECT_EQ(q.item(s("lblDate")), nullptr);
    EXPECT_EQ(q.all(s("txtHorse")).size(), 1);

    // The preview is modal and titled with the meeting's location.
    Prompts::Script script;
    QString title;
    script.answerModal([&](QDialog* d) {
        title = d->windowTitle();
        // What the manager sees: the preview of the first page.
        d->resize(900, 1000);
        QApplication::processEvents();
        const QString dir = s(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(dir);
        d->grab().save(dir + s("/meeting-report-preview.png"));
        d->reject();
    });
    EXPECT_TRUE(PrintMeetingReport(kCode, s("ACP")));
    EXPECT_EQ(title, s("Flemington"));
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST(MeetingReportTest, EmptyMeetingCodeDoesNothing)
{
    MeetingDb m;
    m.field(1, 1);
    Prompts::Script script; // any preview or message would be unexpected
    QTemporaryDir dir;
    const QString pdf = dir.filePath(s("none.pdf"));
    EXPECT_FALSE(MeetingReport::Print(QString(), s("ACP"), ReportTarget::pdf(pdf)));
    EXPECT_FALSE(PrintMeetingReport(QString(), s("ACP")));
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(MeetingReportTest, EachPrintReadsTheDatabaseInUseAndGivesTheSameLayout)
{
    MeetingDb m;
    m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
    m.field(3, 25);
    const ReportLayout a = layout();
    const ReportLayout b = layout();
    ASSERT_NO_FATAL_FAILURE(ExpectSameLayout(a, b));

    // The data folder changes during the run: the next print reads the new
    // database, not the one of the first print.
    const QString other = m.env.root() + s("/other");
    QDir().mkpath(other);
    DbFixture second(other);
    second.insert(s("Meeting"), {{s("MeetingCode"), kCode}, {s("MeetingLocation"), s("Caulfield")}});
    const ReportLayout c = layout();
    ASSERT_EQ(c.pages.size(), 1);
    EXPECT_EQ(c.pages[0].item(s("lblTitle"))->text, s("Caulfield"));
    EXPECT_TRUE(c.pages[0].all(s("txtHorse")).isEmpty());
}

TEST(MeetingReportTest, ThreeRaceMeetingWritesItsPdf)
{
    MeetingDb m;
    m.meeting(kCode, s("Flemington"), QDate(2024, 11, 5));
    const char* trainers[] = {"C Waller", "J O'Shea", "G Waterhouse & A Bott", "P Moody"};
    DaoDatabase d = m.db.db();
    d.BeginTrans();
    for (int r = 1; r <= 3; ++r) {
        m.race(r, s("THE SAMPLE HANDICAP (BENCHMARK 78)\r\nThree-Years-Old and Upwards, Prize Money $100,000"),
               QTime(12 + r, 5 * r), r != 2);
        for (int e = 1; e <= 24; ++e)
            m.runner(r, e, e == 3 ? s("Extraordinarily Long Horse Name (NZ)") : s("Runner %1 R%2").arg(e).arg(r),
                     {{s("Weight"), 540 + e * 5},
                      {s("Rating"), QString::number(50 + e)},
                      {s("Barrier"), e},
                      {s("EorB"), e % 5 == 0 ? s("E") : QString()},
                      {s("TrainerName"), s(trainers[e % 4])},
                      {s("Phone"), s("03 9555 %1").arg(1000 + e)}});
        m.db.insert(s("Bookings"), {{s("MeetingCode"), kCode},
                                    {s("Horse"), s("Runner 4 R%1").arg(r)},
                                    {s("Jockey"), s("D Oliver")},
                                    {s("BookingSelection"), s("Confirmed")}});
    }
    d.CommitTrans();
    ReportDefinition def;
    ReportData data;
    MeetingReport::Prepare(kCode, s("ACP"), def, data);
    const ReportLayout l = LayoutReport(def, data);
    ASSERT_GE(l.pages.size(), 2);
    EXPECT_EQ(textsOf(allItems(l, s("txtJockey"))), (QStringList{s("D Oliver"), s("D Oliver"), s("D Oliver")}));

    const QString dir = s(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    const QString pdf = dir + s("/meeting-report.pdf");
    QFile::remove(pdf);
    ASSERT_TRUE(MeetingReport::Print(kCode, s("ACP"), ReportTarget::pdf(pdf)));
    EXPECT_EQ(PdfPageCount(pdf), l.pages.size());

    // Every page inside the printable area, and the page line with a blank
    // between the number and "of" (as wide as the one after "Page").
    const QList<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.isEmpty()) << "pdftotext (poppler-utils) is needed to read the report back";
    const double margin = kReportMinimumMargin / 20.0 - 0.05; // points
    for (const PdfWord& w : words) {
        EXPECT_GE(w.box.left(), margin) << w.text.toStdString();
        EXPECT_GE(w.box.top(), margin) << w.text.toStdString();
        EXPECT_LE(w.box.right(), w.pageSize.width() - margin) << w.text.toStdString();
        EXPECT_LE(w.box.bottom(), w.pageSize.height() - margin) << w.text.toStdString();
    }
    const QList<PdfWord> line = PdfWordsFrom(words, s("Page"), 5);
    ASSERT_EQ(line.size(), 5);
    EXPECT_EQ(line[2].text + s(" ") + line[3].text + s(" ") + line[4].text,
              s("1 of %1").arg(l.pages.size()));
    EXPECT_GE(line[3].box.left() - line[2].box.right(), line[1].box.left() - line[0].box.right());
}

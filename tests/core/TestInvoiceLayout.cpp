// The reports' data environment and the invoice layout: drJockey's sections
// and controls, a fresh definition for every print, the invoice's rows paged
// with the footer kept whole, the footer changes of an invoice without GST,
// the current database read at each print, and the PDF of a sample invoice.
#include "core/cAppSettings.h"
#include "core/deTarrow.h"
#include "platform/ReportOutput.h"
#include "support/DbFixture.h"
#include "support/PdfPages.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QDir>

#include <gtest/gtest.h>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QList<ReportRow> rides(int n)
{
    QList<ReportRow> rows;
    for (int i = 0; i < n; ++i)
        rows << ReportRow{{s("Jockey"), s("J Smith")},
                          {s("RaceDate"), QDate(2024, 9, 1).addDays(i / 8)},
                          {s("RaceNumber"), i % 8 + 1},
                          {s("TrackCode"), s("FLEM")},
                          {s("Horse"), s("Runner %1").arg(i + 1)},
                          {s("FinishPos"), i % 12 + 1},
                          {s("PrizeMoney"), 1234.5},
                          {s("State"), s("VIC")},
                          {s("BookingRate"), 20.0}};
    return rows;
}

ReportLayout invoice(int n, const ReportDefinition& def = deTarrow::drJockey())
{
    return LayoutReport(def, ReportData::flat(rides(n)));
}

int details(const ReportLayout& l)
{
    int n = 0;
    for (const ReportPage& p : l.pages)
        for (const ReportBand& b : p.bands)
            n += b.kind == ReportSectionKind::Detail ? 1 : 0;
    return n;
}

/** The captions an invoice writes, as a worked example would give them. */
void fillSample(ReportDefinition& r)
{
    r.title = s("Rides for J SMITH for period 01/09/2024 to 30/09/2024");
    r.setCaption(s("lblCompany"), s("Hallard Racing Services"));
    r.setCaption(s("LblInvNbr"), s("1001"));
    r.setCaption(s("lblBookValue"), s("$600.00"));
    r.setCaption(s("lblJockeyWin"), s("$500.00"));
    r.setCaption(s("lblManComm"), s("Manager Commission (20.00%)"));
    r.setCaption(s("lblTarrowWin"), s("$100.00"));
    r.setCaption(s("lblPerRide"), s("At Commision Rate"));
    r.setCaption(s("lblTarrowFee"), s("$120.00"));
    r.setCaption(s("lblScratch"), s("2"));
    r.setCaption(s("lblScratchRate"), s("@ $10.00"));
    r.setCaption(s("lblScratchTot"), s("$20.00"));
    for (const char* name : {"lblTrialPmt", "lblTrial", "lblTrialRate", "lblTrialTot"})
        r.setCaption(s(name), QString());
    for (const char* name : {"lblExtraChg1", "lblExtra1"})
        r.setTop(s(name), r.control(s(name))->top - 450);
    r.setCaption(s("lblExtraChg1"), s("Admin fee"));
    r.setCaption(s("lblExtra1"), s("$25.00"));
    r.setCaption(s("lblExtrachg2"), QString());
    r.setCaption(s("lblExtra2"), QString());
    for (const char* name : {"lblTotalOwedPmt", "linTotOwed1", "linTotOwed2", "lblTotalTarrow", "lblgstpmt",
                             "lblIncGstcPmt", "lblABNPmt", "linGST1", "linGST2", "lblGSTTot", "lblABN",
                             "lblTotIncGST"})
        r.setTop(s(name), r.control(s(name))->top - 900);
    r.setCaption(s("lblTotalTarrow"), s("$265.00"));
    r.setCaption(s("lblGSTTot"), s("$26.50"));
    r.setCaption(s("lblTotIncGST"), s("$291.50"));
    r.setCaption(s("lblABN"), s("12 345 678 901"));
}
} // namespace

TEST(InvoiceLayoutTest, SectionsAndControlsAsLaidOut)
{
    const ReportDefinition r = deTarrow::drJockey();
    EXPECT_EQ(r.caption, s("Jockey Winning Report"));
    EXPECT_EQ(r.marginLeft, 1);
    EXPECT_EQ(r.marginTop, 1);
    EXPECT_EQ(r.font, ReportFont::of(s("Arial"), 8.25));
    ASSERT_EQ(r.sections.size(), 5);
    EXPECT_EQ(r.sectionHeight(s("PageHeader")), 1425);
    EXPECT_EQ(r.sectionHeight(s("ReportFooter")), 3945);
    EXPECT_EQ(r.section(ReportSectionKind::Detail)->height, 195);
    EXPECT_EQ(r.section(ReportSectionKind::PageFooter)->height, 0);
    EXPECT_EQ(r.section(s("PageHeader"))->controls.size(), 18);
    EXPECT_EQ(r.section(ReportSectionKind::Detail)->controls.size(), 8);
    EXPECT_EQ(r.section(s("ReportFooter"))->controls.size(), 39);

    const ReportControl* c = r.control(s("lblextrachg2")); // found without case
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(QRect(c->left, c->top, c->width, c->height), QRect(1950, 2340, 4920, 255));
    EXPECT_EQ(c->align, ReportAlign::Right);
    EXPECT_EQ(c->font, ReportFont::of(s("Verdana"), 8.25));

    c = r.control(s("LblInvNbr"));
    EXPECT_EQ(c->caption, s("%INV"));
    EXPECT_EQ(c->font, ReportFont::of(s("Arial"), 12, true));
    c = r.control(s("lblTitle"));
    EXPECT_EQ(c->caption, s("%i"));
    EXPECT_EQ(c->font, ReportFont::of(s("Copperplate Gothic Bold"), 12.75));
    c = r.control(s("txtRaceDate"));
    EXPECT_EQ(c->field, s("RaceDate"));
    EXPECT_EQ(c->format, s("d MMM yyyy"));
    EXPECT_EQ(c->height, 180);
    EXPECT_EQ(c->font, ReportFont::of(s("Verdana"), 6.75, true));
    EXPECT_EQ(r.control(s("txtRaceNo"))->align, ReportAlign::Center);
    EXPECT_EQ(r.control(s("lblFee"))->format, s("money"));
    EXPECT_EQ(r.control(s("cntNumRides"))->function, ReportFunction::Count);
    EXPECT_EQ(r.control(s("sumPrizeMoney"))->function, ReportFunction::Sum);
    EXPECT_TRUE(r.control(s("lblTotIncGST"))->font.bold);
    EXPECT_EQ(r.control(s("Shape1"))->kind, ReportControlKind::RoundRect);
    EXPECT_EQ(r.control(s("linGST1"))->kind, ReportControlKind::Line);
}

TEST(InvoiceLayoutTest, EveryPrintStartsFromAFreshDefinition)
{
    ReportDefinition first = deTarrow::drJockey();
    first.setCaption(s("lblScratchpmt"), QString());
    first.setTop(s("lblTotalOwedPmt"), 960);
    first.setSectionHeight(s("ReportFooter"), 1145);
    const ReportDefinition second = deTarrow::drJockey();
    EXPECT_EQ(second.control(s("lblScratchpmt"))->caption, s("Scratchings"));
    EXPECT_EQ(second.control(s("lblTotalOwedPmt"))->top, 2760);
    EXPECT_EQ(second.sectionHeight(s("ReportFooter")), 3945);
}

TEST(InvoiceLayoutTest, RidesPageWithTheFooterKeptWhole)
{
    // A4 less 2 twips of margin and the 1425 header leaves 15411: 79 rides
    // a page, and the 3945 footer fits under at most 58.
    struct Case
    {
        int rides;
        int pages;
    } cases[] = {{0, 1}, {1, 1}, {58, 1}, {59, 2}, {79, 2}, {80, 2}, {200, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rides);
        const ReportLayout l = invoice(c.rides);
        ASSERT_EQ(l.pages.size(), c.pages);
        EXPECT_EQ(details(l), c.rides);
        for (int p = 0; p < l.pages.size(); ++p) {
            const ReportPage& page = l.pages[p];
            EXPECT_EQ(page.item(s("Label3"))->text, QString::number(p + 1));
            EXPECT_EQ(page.item(s("Label6"))->text, QString::number(c.pages));
            EXPECT_EQ(page.item(s("lblCompany"))->text, s("Company name"));
            for (const ReportBand& b : page.bands)
                EXPECT_LE(b.top + b.height, l.pageHeight - 1);
        }
        const ReportPage& last = l.pages.last();
        EXPECT_EQ(last.bands.last().section, s("ReportFooter"));
        EXPECT_EQ(last.item(s("cntNumRides"))->text, QString::number(c.rides));
        EXPECT_EQ(last.item(s("sumPrizeMoney"))->text,
                  c.rides ? FormatReportValue(1234.5 * c.rides, s("money")) : s("$0.00"));
    }
    const ReportPage& first = invoice(3).pages[0];
    const QList<const ReportItem*> dates = first.all(s("txtRaceDate"));
    ASSERT_EQ(dates.size(), 3);
    EXPECT_EQ(dates[0]->text, s("1 Sep 2024"));
    EXPECT_EQ(first.all(s("txtPrize"))[0]->text, s("$1,234.50"));
    EXPECT_EQ(first.all(s("lblFee"))[0]->text, s("$20.00"));
    EXPECT_EQ(first.all(s("txtHorse"))[2]->text, s("Runner 3"));
    EXPECT_EQ(dates[1]->rect.top() - dates[0]->rect.top(), 195);
}

TEST(InvoiceLayoutTest, FooterWithoutGstShrinksAndDrawsNoClippedControl)
{
    // An invoice with every optional line left out and no GST.
    ReportDefinition r = deTarrow::drJockey();
    for (const char* name : {"lblTotalOwedPmt", "linTotOwed1", "linTotOwed2", "lblTotalTarrow", "lblgstpmt",
                             "lblIncGstcPmt", "lblABNPmt", "linGST1", "linGST2", "lblGSTTot", "lblABN",
                             "lblTotIncGST"})
        ASSERT_TRUE(r.setTop(s(name), r.control(s(name))->top - 1800));
    r.setSectionHeight(s("ReportFooter"), r.sectionHeight(s("ReportFooter")) - 1000 - 1800);
    for (const char* name : {"lblScratchpmt", "lblTrialPmt", "lblGSTTot", "lblTotIncGST", "lblgstpmt",
                             "lblIncGstcPmt", "lblABN", "lblABNPmt"})
        r.setCaption(s(name), QString());
    r.setWidth(s("linGST1"), 0);
    r.setWidth(s("linGST2"), 0);
    r.setCaption(s("lblTotalTarrow"), s("$100.00"));
    EXPECT_EQ(r.sectionHeight(s("ReportFooter")), 1145);

    const ReportLayout l = invoice(2, r);
    const ReportPage& p = l.pages.last();
    EXPECT_EQ(p.item(s("linGST1")), nullptr);
    EXPECT_EQ(p.item(s("linGST2")), nullptr);
    EXPECT_EQ(p.item(s("lblgstpmt")), nullptr);
    const ReportBand& footer = p.bands.last();
    ASSERT_EQ(footer.section, s("ReportFooter"));
    ASSERT_NE(p.item(s("linTotOwed2")), nullptr);
    // The total's underline at 3210 - 1800 lies below the shortened footer:
    // it is drawn, and the footer reaches down to it.
    EXPECT_EQ(p.item(s("linTotOwed2"))->rect.top(), footer.top + 1410);
    EXPECT_EQ(footer.height, 1410);
    EXPECT_EQ(p.item(s("lblTotalOwedPmt"))->rect.top(), footer.top + 960);
}

TEST(InvoiceLayoutTest, RowsComeFromTheDatabaseInUseAtEachPrint)
{
    TestEnv env;
    QDir().mkpath(env.root() + s("/one"));
    QDir().mkpath(env.root() + s("/two"));
    DbFixture first(env.root() + s("/one"));
    first.insert(s("RaceStats"), {{s("Jockey"), s("J SMITH")}, {s("Horse"), s("First Horse")}});
    DbFixture second(env.root() + s("/two"), false);
    second.insert(s("RaceStats"), {{s("Jockey"), s("J SMITH")}, {s("Horse"), s("Second Horse")}});
    second.insert(s("Bookings"), {{s("Jockey"), s("J SMITH")}, {s("Horse"), s("Booked")}});

    QList<ReportRow> rows = deTarrow::Rows(deTarrow::kCmdJockeyText);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(ReportFieldValue(rows[0], s("horse")).toString(), s("First Horse"));
    EXPECT_EQ(deTarrow::CmdBookings().rowCount(), 0);

    gAppSettings.DBPath = env.root() + s("/two");
    rows = deTarrow::Rows(s("SELECT Horse FROM RaceStats WHERE Jockey = ?"), {s("j smith")});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(ReportFieldValue(rows[0], s("Horse")).toString(), s("Second Horse"));
    EXPECT_EQ(deTarrow::CmdBookings().rowCount(), 1);
}

TEST(InvoiceLayoutTest, BookingsReportIsDefined)
{
    const ReportDefinition r = deTarrow::drBookings();
    EXPECT_EQ(r.caption, s("Jockey Bookings"));
    EXPECT_EQ(r.marginLeft, 1440);
    EXPECT_EQ(r.sectionHeight(s("PageHeader")), 1134);
    ASSERT_EQ(r.section(s("PageHeader"))->controls.size(), 1);
    const ReportControl* title = &r.section(s("PageHeader"))->controls[0];
    EXPECT_EQ(QRect(title->left, title->top, title->width, title->height), QRect(567, 0, 3363, 450));
    EXPECT_EQ(title->caption, s("%i"));
    EXPECT_EQ(r.section(ReportSectionKind::Detail)->height, 1440);
    EXPECT_EQ(r.section(ReportSectionKind::PageFooter)->height, 837);
    EXPECT_EQ(r.section(ReportSectionKind::ReportFooter)->height, 360);
}

TEST(InvoiceLayoutTest, SampleInvoiceWritesItsPdf)
{
    ReportDefinition r = deTarrow::drJockey();
    fillSample(r);
    const ReportData data = ReportData::flat(rides(70));
    const ReportLayout l = LayoutReport(r, data);
    ASSERT_EQ(l.pages.size(), 2);
    const ReportPage& last = l.pages.last();
    EXPECT_EQ(last.item(s("lblTitle"))->text, s("Rides for J SMITH for period 01/09/2024 to 30/09/2024"));
    EXPECT_EQ(last.item(s("lblExtraChg1"))->rect.top(), last.bands.last().top + 1965 - 450);
    EXPECT_EQ(last.item(s("lblTrialPmt")), nullptr);

    const QString dir = s(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    const QString pdf = dir + s("/invoice-layout.pdf");
    QFile::remove(pdf);
    ASSERT_TRUE(OutputReport(r, data, ReportTarget::pdf(pdf)));
    EXPECT_EQ(PdfPageCount(pdf), 2);
}

#include "core/deTarrow.h"

#include "core/modDatabase.h"

namespace deTarrow
{
namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

using C = ReportControl;

const ReportFont kCopperplate1275 = ReportFont::of(s("Copperplate Gothic Bold"), 12.75);
const ReportFont kCopperplate1575 = ReportFont::of(s("Copperplate Gothic Bold"), 15.75);
const ReportFont kArialItalic = ReportFont::of(s("Arial"), 8.25, false, true);
const ReportFont kArial12 = ReportFont::of(s("Arial"), 12);
const ReportFont kArial12Bold = ReportFont::of(s("Arial"), 12, true);
const ReportFont kDetail = ReportFont::of(s("Verdana"), 6.75, true);
const ReportFont kFooter = ReportFont::of(s("Verdana"), 8.25);
const ReportFont kFooterBold = ReportFont::of(s("Verdana"), 8.25, true);

/** An A4 portrait report in 8.25 pt Arial with the given margins (twips),
 *  starting with its empty report header. */
ReportDefinition a4Report(const char* name, const char* caption, int margin)
{
    ReportDefinition r;
    r.name = s(name);
    r.caption = s(caption);
    r.pageWidth = 11906;
    r.pageHeight = 16838;
    r.marginLeft = r.marginTop = r.marginRight = r.marginBottom = margin;
    r.font = ReportFont::of(s("Arial"), 8.25);
    r.addSection(ReportSectionKind::ReportHeader, s("ReportHeader"), 0);
    return r;
}
} // namespace

QList<ReportRow> Rows(const QString& sql, const QVariantList& params)
{
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    DaoRecordset rs = db.OpenRecordset(sql, params);
    QStringList names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names << rs.Field(i).Name();
    QList<ReportRow> rows;
    rows.reserve(rs.RecordCount());
    while (!rs.Eof()) {
        ReportRow row;
        for (int i = 0; i < names.size(); ++i)
            row.insert(names[i], rs.Fields(i));
        rows.append(row);
        rs.MoveNext();
    }
    rs.Close();
    db.Close();
    return rows;
}

ReportDefinition drJockey()
{
    ReportDefinition r = a4Report("drJockey", "Jockey Winning Report", 1);

    ReportSection& ph = r.addSection(ReportSectionKind::PageHeader, s("PageHeader"), 1425);
    ph.controls = {
        C::label(s("lblTitle"), 105, 600, 9615, 435, s("%i")).withFont(kCopperplate1275),
        C::label(s("Label3"), 10440, 30, 240, 240, s("%p")).right(),
        C::label(s("Label4"), 10065, 30, 420, 240, s("Page :")),
        // The page number is right-aligned against "of": "of" and the page
        // count sit a blank (60 twips) further right than drawn, so the line
        // reads "Page : 1 of 1" and not "1of".
        C::label(s("Label5"), 10770, 30, 195, 240, s("of")),
        C::label(s("Label6"), 11025, 30, 330, 240, s("%P")),
        C::label(s("lblDate"), 90, 1185, 1050, 210, s("Race Date")).withFont(kArialItalic),
        C::label(s("lblRace"), 1290, 1185, 465, 210, s("Race No")).withFont(kArialItalic),
        C::label(s("lblHorse"), 2865, 1170, 3075, 210, s("Horse Name")).withFont(kArialItalic),
        C::label(s("Label1"), 6390, 1170, 570, 210, s("Finish Position")).right().withFont(kArialItalic),
        C::label(s("lblPrizeMoney"), 7080, 1170, 1380, 225, s("Prize Money")).right().withFont(kArialItalic),
        C::label(s("Label2"), 1860, 1170, 855, 210, s("Track Name")).withFont(kArialItalic),
        C::label(s("Label10"), 8565, 1170, 585, 225, s("State")).right().withFont(kArialItalic),
        C::label(s("Label12"), 9525, 1170, 585, 225, s("Fee")).right().withFont(kArialItalic),
        C::label(s("lblCompany"), 120, 60, 9615, 435, s("Company name")).withFont(kCopperplate1575),
        C::line(s("Line1"), 90, 1380, 10995),
        C::roundRect(s("Shape1"), 9765, 240, 1725, 855),
        C::label(s("Label15"), 9930, 375, 1365, 270, s("Invoice No.")).right().withFont(kArial12),
        C::label(s("LblInvNbr"), 9945, 690, 1365, 270, s("%INV")).right().withFont(kArial12Bold),
    };

    ReportSection& detail = r.addSection(ReportSectionKind::Detail, s("Detail"), 195);
    detail.controls = {
        C::textBox(s("txtRaceDate"), 105, 0, 1080, 180, s("RaceDate")).withFormat(s("d MMM yyyy")).withFont(kDetail),
        C::textBox(s("txtRaceNo"), 1320, 0, 405, 195, s("RaceNumber")).centered().withFont(kDetail),
        C::textBox(s("txtTrack"), 1950, 0, 705, 195, s("TrackCode")).withFont(kDetail),
        C::textBox(s("txtHorse"), 2775, 0, 3405, 195, s("Horse")).withFont(kDetail),
        C::textBox(s("txtFinish"), 6390, 0, 615, 195, s("FinishPos")).right().withFont(kDetail),
        C::textBox(s("txtPrize"), 7245, 0, 1200, 195, s("PrizeMoney")).right().withFormat(s("money")).withFont(kDetail),
        C::textBox(s("txtState"), 8580, 0, 615, 195, s("State")).right().withFont(kDetail),
        C::textBox(s("lblFee"), 9570, 0, 615, 195, s("BookingRate")).right().withFormat(s("money")).withFont(kDetail),
    };

    r.addSection(ReportSectionKind::PageFooter, s("PageFooter"), 0);

    ReportSection& rf = r.addSection(ReportSectionKind::ReportFooter, s("ReportFooter"), 3945);
    const auto f = [](const ReportControl& c) { return c.withFont(kFooter); };
    const auto b = [](const ReportControl& c) { return c.withFont(kFooterBold); };
    rf.controls = {
        f(C::aggregate(s("cntNumRides"), ReportFunction::Count, 1980, 135, 1470, 240, s("Horse")).right()),
        f(C::label(s("Label7"), 75, 135, 1695, 240, s("Number of rides"))),
        f(C::aggregate(s("sumPrizeMoney"), ReportFunction::Sum, 7125, 135, 1515, 240, s("PrizeMoney"))
              .right()
              .withFormat(s("money"))),
        f(C::label(s("Label8"), 4065, 135, 2445, 255, s("Total Prize Money"))),
        f(C::label(s("Label9"), 4065, 420, 2775, 300, s("Jockey Commission (5%)"))),
        f(C::label(s("lblJockeyWin"), 7125, 420, 1515, 300, QString()).right()),
        f(C::label(s("lblTarrowWin"), 7125, 750, 1515, 315, QString()).right()),
        f(C::label(s("Label11"), 75, 420, 1695, 240, s("Dollars per ride"))),
        f(C::label(s("lblPerRide"), 1980, 420, 1470, 240, QString()).right()),
        b(C::label(s("lblTotalOwedPmt"), 4035, 2760, 2445, 300, s("Total Owed to Manager"))),
        b(C::label(s("lblTotalTarrow"), 7125, 2760, 1515, 300, QString()).right()),
        f(C::label(s("Label13"), 75, 750, 1695, 255, s("Velmora Fee"))),
        f(C::label(s("lblTarrowFee"), 1980, 750, 1470, 255, QString()).right()),
        C::line(s("linTotOwed1"), 6990, 2745, 1560),
        C::line(s("linTotOwed2"), 7080, 3210, 1560),
        C::line(s("Line3"), 60, 60, 10995),
        f(C::label(s("lblManComm"), 4065, 750, 2805, 240, QString())),
        b(C::label(s("lblGSTTot"), 7125, 3210, 1515, 300, QString()).right()),
        b(C::label(s("lblTotIncGST"), 7125, 3615, 1515, 300, QString()).right()),
        f(C::label(s("lblgstpmt"), 4035, 3210, 2445, 255, s("GST"))),
        b(C::label(s("lblIncGstcPmt"), 4035, 3615, 2445, 255, s("Total Owed Incl. GST"))),
        f(C::label(s("lblScratchTot"), 7125, 1170, 1515, 315, QString()).right()),
        f(C::label(s("lblScratchpmt"), 75, 1200, 1695, 255, s("Scratchings"))),
        f(C::label(s("lblScratch"), 1980, 1200, 1470, 255, QString()).right()),
        f(C::label(s("lblScratchRate"), 4065, 1207, 2805, 240, QString())),
        f(C::label(s("lblTrialTot"), 7125, 1545, 1515, 315, QString()).right()),
        f(C::label(s("lblTrialPmt"), 75, 1575, 1695, 255, s("Trials"))),
        f(C::label(s("lblTrial"), 1980, 1575, 1470, 255, QString()).right()),
        f(C::label(s("lblTrialRate"), 4065, 1582, 2805, 240, QString())),
        C::line(s("linGST1"), 7080, 3630, 1560),
        C::line(s("linGST2"), 7080, 3585, 1560),
        b(C::label(s("lblABN"), 1125, 3645, 1515, 300, QString())),
        b(C::label(s("lblABNPmt"), 75, 3645, 795, 255, s("ABN :"))),
        f(C::label(s("lblBookValue"), 9420, 135, 990, 240, QString()).right()),
        f(C::label(s("lblExtraChg1"), 1965, 1965, 4920, 255, QString()).right()),
        f(C::label(s("lblExtra1"), 7125, 1950, 1515, 285, QString()).right()),
        f(C::label(s("lblExtrachg2"), 1950, 2340, 4920, 255, QString()).right()),
        f(C::label(s("lblExtra2"), 7125, 2325, 1515, 285, QString()).right()),
        f(C::label(s("Label14"), 8925, 135, 450, 255, s("Fee"))),
    };
    return r;
}

ReportDefinition drBookings()
{
    ReportDefinition r = a4Report("drBookings", "Jockey Bookings", 1440);
    ReportSection& ph = r.addSection(ReportSectionKind::PageHeader, s("PageHeader"), 1134);
    ph.controls = {C::label(s("lblTitle"), 567, 0, 3363, 450, s("%i"))};
    r.addSection(ReportSectionKind::Detail, s("Detail"), 1440);
    r.addSection(ReportSectionKind::PageFooter, s("PageFooter"), 837);
    r.addSection(ReportSectionKind::ReportFooter, s("ReportFooter"), 360);
    return r;
}

ReportData CmdBookings()
{
    return ReportData::flat(Rows(kCmdBookingsText));
}
} // namespace deTarrow

#include "records/InvoiceReport.h"

#include "core/deTarrow.h"
#include "platform/ReportOutput.h"
#include "platform/VbError.h"
#include "records/frmSelectDate.h"

namespace InvoiceReport
{
namespace
{
[[noreturn]] void missing(const QString& name)
{
    throw VbError(2465, QStringLiteral("InvoiceReport"),
                  QStringLiteral("The invoice report has no control or section named ") + name + QLatin1Char('.'));
}
} // namespace

ReportDefinition Definition(const InvoiceDocument& doc)
{
    // Always a fresh definition: nothing one invoice moves or empties can
    // reach the next one.
    ReportDefinition def = deTarrow::drJockey();
    const InvoiceCalc::ReportPatch& patch = doc.result.patch;
    def.title = patch.title;
    for (auto it = patch.controls.cbegin(); it != patch.controls.cend(); ++it) {
        ReportControl* c = def.control(it.key());
        if (!c)
            missing(it.key());
        if (it->caption)
            c->caption = *it->caption;
        c->top -= it->moveUp;
        if (it->width)
            c->width = *it->width;
        c->left -= it->growLeft;
        c->width += it->growLeft;
    }
    if (!def.setSectionHeight(QStringLiteral("ReportFooter"), patch.footerHeight))
        missing(QStringLiteral("ReportFooter"));
    return def;
}

ReportData Data(const InvoiceDocument& doc)
{
    QList<ReportRow> rows;
    rows.reserve(doc.rides.size());
    for (const InvoiceData::Ride& r : doc.rides) {
        ReportRow row;
        row.insert(QStringLiteral("RaceDate"), r.raceDate.isValid() ? QVariant(r.raceDate) : QVariant());
        row.insert(QStringLiteral("RaceNumber"), r.raceNumber);
        row.insert(QStringLiteral("TrackCode"), r.trackCode);
        row.insert(QStringLiteral("Horse"), r.horse);
        row.insert(QStringLiteral("FinishPos"), r.finishPos);
        row.insert(QStringLiteral("PrizeMoney"), r.prizeMoney);
        row.insert(QStringLiteral("State"), r.state);
        row.insert(QStringLiteral("BookingRate"), r.bookingRate);
        rows << row;
    }
    return ReportData::flat(rows);
}

void Preview(const InvoiceDocument& doc, QWidget* parent)
{
    OutputReport(Definition(doc), Data(doc), ReportTarget::preview(parent));
}

bool WritePdf(const InvoiceDocument& doc, const QString& path)
{
    return OutputReport(Definition(doc), Data(doc), ReportTarget::pdf(path));
}
} // namespace InvoiceReport

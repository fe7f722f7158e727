#include "records/InvoiceReport.h"

#include "core/deTarrow.h"
#include "platform/ReportOutput.h"
#include "platform/VbError.h"
#include "records/frmSelectDate.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace InvoiceReport
{
namespace
{
[[noreturn]] void missing(const QString& name)
{
    throw VbError(2465, QStringLiteral("InvoiceReport"),
                  QStringLiteral("The invoice report has no control or section named ") + name + QLatin1Char('.'));
}

bool sameRow(const ReportControl& a, const ReportControl& b)
{
    return a.top < b.top + b.height && b.top < a.top + a.height;
}

// The column headings were drawn for narrower fonts than the ones printing
// them, and some hardly fit even then ("Finish Position" has a box half its
// width, so it would print as "Finish"). A heading wider than its box grows
// towards its open side (a right-aligned one to the left, a left-aligned one
// to the right) into the free space on its row, up to the next control's box,
// less a small gap, and no further; the renderer narrows what little may
// still not fit.
void fitHeadings(ReportDefinition& def)
{
    constexpr int kGap = 60; // twips kept clear beside a neighbour
    ReportSection* header = def.section(QStringLiteral("PageHeader"));
    if (!header)
        return;
    for (ReportControl& c : header->controls) {
        if (c.kind != ReportControlKind::Label || c.align == ReportAlign::Center || c.caption.isEmpty()
            || c.caption.startsWith(QLatin1Char('%')))
            continue;
        const QFontMetricsF fm(ReportQFont(c.font.family.isEmpty() ? def.font : c.font));
        const int needed = static_cast<int>(std::ceil(fm.horizontalAdvance(c.caption)));
        if (needed <= c.width)
            continue;
        if (c.align == ReportAlign::Right) {
            int limit = c.left + c.width - needed;
            for (const ReportControl& o : header->controls)
                if (&o != &c && sameRow(o, c) && o.left + o.width <= c.left)
                    limit = std::max(limit, o.left + o.width + kGap);
            c.width += c.left - std::min(c.left, limit);
            c.left = std::min(c.left, limit);
        } else {
            int limit = c.left + needed;
            for (const ReportControl& o : header->controls)
                if (&o != &c && sameRow(o, c) && o.left >= c.left + c.width)
                    limit = std::min(limit, o.left - kGap);
            c.width = std::max(c.width, limit - c.left);
        }
    }
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
    fitHeadings(def);
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

bool Preview(const InvoiceDocument& doc, QWidget* parent)
{
    return OutputReport(Definition(doc), Data(doc), ReportTarget::preview(parent));
}

bool WritePdf(const InvoiceDocument& doc, const QString& path)
{
    return OutputReport(Definition(doc), Data(doc), ReportTarget::pdf(path));
}
} // namespace InvoiceReport

#include "records/InvoiceCalc.h"

#include "core/modUtils.h"
#include "records/RecordFormats.h"

#include <cmath>
#include <limits>

namespace InvoiceCalc
{
namespace
{
constexpr int kPerRideGrowth = 300;

QDate lastDayOfMonth(const QDate& d)
{
    return QDate(d.year(), d.month(), d.daysInMonth());
}

// The count fields' number as the report prints it: "0", "2", "2.5".
QString plainNumber(double v)
{
    if (v == 0)
        return QStringLiteral("0");
    return QString::number(v, 'g', 15);
}

// Currency of a money amount times a plain factor, computed in double and
// rounded to the ten-thousandth (halves to even).
Currency times(Currency amount, double factor)
{
    return Currency::fromDouble(amount.toDouble() * factor);
}
} // namespace

Period ProposePeriod(const QDate& lastInvoice, const QString& code)
{
    Period p;
    p.start = lastInvoice.addDays(1);
    if (code == QLatin1String(" 7"))
        p.end = lastInvoice.addDays(7);
    else if (code == QLatin1String("14"))
        p.end = lastInvoice.addDays(14);
    else if (code == QLatin1String("28"))
        p.end = lastInvoice.addDays(28);
    else if (code == QLatin1String("MT"))
        p.end = lastDayOfMonth(p.start);
    else if (code == QLatin1String("HF"))
        p.end = p.start.day() == 1 ? lastInvoice.addDays(15) : lastDayOfMonth(p.start);
    else
        p.end = p.start;
    return p;
}

QString MoneyText(Currency amount)
{
    return amount.toMoneyText();
}

std::optional<Currency> ParseAmount(const QString& text)
{
    // Read as every amount typed into the records windows is read.
    const std::optional<double> v = RecordFormats::ReadTypedNumber(text);
    // Money holds about 9.2e14; stay well inside so sums cannot overflow.
    if (!v || std::fabs(*v) >= 1e12)
        return std::nullopt;
    return Currency::fromDouble(*v);
}
// One limit for every amount of the records windows and the invoice.
static_assert(kMaxInvoiceDollars == RecordFormats::kMaxMoneyDollars);

std::optional<qint32> WholeDollars(Currency amount)
{
    const qint64 whole = amount.rounded(0).raw() / 10000;
    if (whole > std::numeric_limits<qint32>::max() || whole < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return static_cast<qint32>(whole);
}

QString InvoiceNumberText(float number)
{
    const double d = number;
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 7);
}

qint64 NextInvoiceNumber(float current)
{
    const double d = current;
    if (!std::isfinite(d))
        return 1;
    double r = std::floor(d);
    const double frac = d - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return static_cast<qint64>(r) + 1;
}

QString AbnText(const QString& stored)
{
    const QString t = stored.trimmed();
    if (t.isEmpty() || t == QLatin1String("__-___-___-___"))
        return QString();
    QString digits;
    for (const QChar c : t)
        if (c.isDigit())
            digits += c;
    if (digits.size() != 11) {
        // Not a full ABN: print what was typed, without the mask's blanks.
        QString typed = t;
        typed.remove(QLatin1Char('_'));
        while (typed.endsWith(QLatin1Char('-')))
            typed.chop(1);
        return typed;
    }
    return digits.left(2) + QLatin1Char(' ') + digits.mid(2, 3) + QLatin1Char(' ') + digits.mid(5, 3)
           + QLatin1Char(' ') + digits.mid(8, 3);
}

Result Compute(const Input& in)
{
    Result r;
    Amounts& a = r.amounts;
    ReportPatch& p = r.patch;
    auto set = [&p](const char* name, const QString& caption) {
        p.controls[QString::fromLatin1(name)].caption = caption;
    };
    auto moveUp = [&p](const char* name, int by) { p.controls[QString::fromLatin1(name)].moveUp += by; };

    a.rides = in.totals.rides;
    a.prizeTotal = in.totals.prizeTotal;
    a.jockeyShare = Currency::fromDouble(a.prizeTotal * 0.05);
    a.bookRateTotal = in.totals.bookRateTotal;
    a.extra1 = in.extra1;
    a.extra2 = in.extra2;

    // The rate factor comes from the single-precision rate, as it always has.
    const double rateFactor = static_cast<double>(in.terms.managerRate / 100.0f);

    set("lblCompany", in.companyName);
    set("LblInvNbr", InvoiceNumberText(in.invoiceNumber));
    p.title = QStringLiteral("Rides for ") + in.jockey + QStringLiteral(" for period ")
              + in.period.start.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" to ")
              + in.period.end.toString(QStringLiteral("dd/MM/yyyy"));

    set("lblBookValue", MoneyText(a.bookRateTotal));
    set("lblJockeyWin", MoneyText(a.jockeyShare));
    a.commission = times(a.jockeyShare, rateFactor);
    set("lblManComm", QStringLiteral("Manager Commission (")
                          + QString::number(static_cast<double>(in.terms.managerRate), 'f', 2) + QStringLiteral("%)"));
    set("lblTarrowWin", MoneyText(a.commission));
    if (in.terms.bookFee > Currency()) {
        set("lblPerRide", MoneyText(in.terms.bookFee));
        a.managerFee = Currency::fromRaw(in.terms.bookFee.raw() * a.rides);
    } else {
        set("lblPerRide", QStringLiteral("At Commision Rate"));
        // Wider than its box in the report's fonts: widen the right-aligned
        // box into the free space beside "Dollars per ride" so it is not cut.
        p.controls[QStringLiteral("lblPerRide")].growLeft = kPerRideGrowth;
        a.managerFee = times(a.bookRateTotal, rateFactor);
    }
    set("lblTarrowFee", MoneyText(a.managerFee));

    // Optional lines: a left-out line empties its captions and moves every
    // line below it up by one line height.
    int shift = 0;
    const QString scratchText = in.scratchings.trimmed();
    if (!scratchText.isEmpty()) {
        const double count = modUtils::Val(scratchText);
        set("lblScratch", plainNumber(count));
        set("lblScratchRate", QStringLiteral("@ ") + MoneyText(in.terms.scratchFee));
        a.scratchTotal = times(in.terms.scratchFee, count);
        set("lblScratchTot", MoneyText(a.scratchTotal));
    } else {
        for (const char* n : {"lblScratchpmt", "lblScratch", "lblScratchRate", "lblScratchTot"})
            set(n, QString());
        shift = kLineHeight;
    }

    const QString trialText = in.trials.trimmed();
    if (!trialText.isEmpty()) {
        for (const char* n : {"lblTrialPmt", "lblTrial", "lblTrialRate", "lblTrialTot"})
            if (shift > 0)
                moveUp(n, shift);
        const double count = modUtils::Val(trialText);
        set("lblTrial", plainNumber(count));
        set("lblTrialRate", QStringLiteral("@ ") + MoneyText(in.terms.trialFee));
        a.trialTotal = times(in.terms.trialFee, count);
        set("lblTrialTot", MoneyText(a.trialTotal));
    } else {
        for (const char* n : {"lblTrialPmt", "lblTrial", "lblTrialRate", "lblTrialTot"})
            set(n, QString());
        shift += kLineHeight;
    }

    auto extraLine = [&](Currency amount, const QString& text, const char* title, const char* value) {
        if (amount != Currency()) {
            if (shift > 0) {
                moveUp(title, shift);
                moveUp(value, shift);
            }
            set(title, text);
            set(value, MoneyText(amount));
        } else {
            set(title, QString());
            set(value, QString());
            shift += kLineHeight;
        }
    };
    extraLine(a.extra1, in.extra1Text, "lblExtraChg1", "lblExtra1");
    extraLine(a.extra2, in.extra2Text, "lblExtrachg2", "lblExtra2");

    if (shift > 0)
        for (const char* n : {"lblTotalOwedPmt", "linTotOwed1", "linTotOwed2", "lblTotalTarrow", "lblgstpmt",
                              "lblIncGstcPmt", "lblABNPmt", "linGST1", "linGST2", "lblGSTTot", "lblABN",
                              "lblTotIncGST"})
            moveUp(n, shift);
    p.shift = shift;

    a.totalOwed = (a.commission + a.managerFee + a.scratchTotal + a.trialTotal + a.extra1 + a.extra2).rounded(2);
    set("lblTotalTarrow", MoneyText(a.totalOwed));

    const QString abn = AbnText(in.abn);
    p.footerHeight = kFooterHeight;
    if (in.applyGst) {
        a.gst = Currency::fromDouble(a.totalOwed.toDouble() * 0.1).rounded(2);
        a.totalIncGst = a.totalOwed + a.gst;
        set("lblGSTTot", MoneyText(a.gst));
        set("lblTotIncGST", MoneyText(a.totalIncGst));
    } else {
        a.totalIncGst = a.totalOwed;
        for (const char* n : {"lblGSTTot", "lblTotIncGST", "lblgstpmt", "lblIncGstcPmt"})
            set(n, QString());
        p.controls[QStringLiteral("linGST1")].width = 0;
        p.controls[QStringLiteral("linGST2")].width = 0;
        // The report never cuts a printed control off at the end of its
        // section, so the rule under the total owed and an ABN still print.
        p.footerHeight = kFooterHeight - kGstRowsHeight - shift;
    }

    if (!abn.isEmpty()) {
        set("lblABN", abn);
    } else {
        set("lblABN", QString());
        set("lblABNPmt", QString());
    }
    return r;
}
namespace
{
QString limitText()
{
    return MoneyText(Currency::fromRaw(kMaxInvoiceDollars * 10000));
}

// The count's problem, or its line's amount beyond the limit; empty when fine.
QString countProblem(const QString& caption, const QString& typed, Currency rate, const QString& rateCaption)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return QString();
    bool ok = false;
    const double count = t.toDouble(&ok);
    if (!ok || !std::isfinite(count) || count < 0 || count > kMaxCount)
        return caption + QStringLiteral(" must be a number from 0 to %1.").arg(kMaxCount);
    // In double, so an absurd rate cannot overflow money on the way.
    if (std::fabs(count * rate.toDouble()) > static_cast<double>(kMaxInvoiceDollars))
        return caption + QStringLiteral(" at the ") + rateCaption + QStringLiteral(" of ") + MoneyText(rate) +
               QStringLiteral(" comes to more than ") + limitText() + QStringLiteral(".");
    return QString();
}
} // namespace

QString ExtraProblem(int field, Currency amount)
{
    // A negative charge is a credit to the jockey ("Loyalty credit"): the
    // invoice counts it like any other line, within the same limit either way.
    const Currency limit = Currency::fromRaw(kMaxInvoiceDollars * 10000);
    if (amount > limit)
        return QStringLiteral("Extra Charge %1 must not be more than %2.").arg(field).arg(limitText());
    if (amount < -limit)
        return QStringLiteral("Extra Charge %1 must not be less than %2.").arg(field).arg(MoneyText(-limit));
    return QString();
}

QString CheckInput(const Input& in)
{
    for (const QString& problem :
         {countProblem(QStringLiteral("Number of Scratchings"), in.scratchings, in.terms.scratchFee,
                       QStringLiteral("Scratchings Rate")),
          countProblem(QStringLiteral("Number of Trials"), in.trials, in.terms.trialFee, QStringLiteral("Trials Rate")),
          ExtraProblem(1, in.extra1), ExtraProblem(2, in.extra2)})
        if (!problem.isEmpty())
            return problem;
    return QString();
}

QString CheckTotal(const Amounts& amounts)
{
    const Currency limit = Currency::fromRaw(kMaxInvoiceDollars * 10000);
    if (amounts.totalOwed > limit || amounts.totalIncGst > limit)
        return QStringLiteral("The invoice comes to more than ") + limitText() +
               QStringLiteral(". Check the counts, the jockey's rates and the extra charges.");
    return QString();
}
} // namespace InvoiceCalc

#pragma once

#include "platform/Currency.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

/**
 * The arithmetic and the layout decisions of a jockey invoice, with no window
 * and no database: terms, ride totals, counts and amounts go in; every amount
 * and the changes to make to the invoice report's controls come out. The
 * invoice window feeds it and hands the changes to the report.
 */
namespace InvoiceCalc
{
/** A jockey's invoice terms, read once when the invoice window opens. */
struct JockeyTerms
{
    /** Manager's commission in percent, single precision as stored. */
    float managerRate = 0;
    /** Fixed fee per ride; 0 or less means "charge the booking rates". */
    Currency bookFee;
    Currency scratchFee;
    Currency trialFee;
};

/** First and last day of an invoice period (both included). */
struct Period
{
    QDate start;
    QDate end;
};

/**
 * The period proposed after the last invoice: it starts the next day and ends
 * by the jockey's period code (" 7", "14", "28", "MT" calendar month, "HF"
 * half month); any other code, Null included, gives a one-day period.
 */
Period ProposePeriod(const QDate& lastInvoice, const QString& code);

/** Money the way invoices print it: "$1,234.50", "-$5.00". */
QString MoneyText(Currency amount);

/** An amount typed into an amount field: a number, optionally with a dollar
 *  sign, thousands commas and a sign. Nothing for an empty text, a text that
 *  is not such a number, or an amount too large for money. */
std::optional<Currency> ParseAmount(const QString& text);

/** The amount as the stored default: whole dollars, halves to even. Nothing
 *  when the whole number does not fit the setting's 32 bits. */
std::optional<qint32> WholeDollars(Currency amount);

/** The invoice number as printed ("1001"). */
QString InvoiceNumberText(float number);

/** The number after `current` once an invoice is issued: `current` rounded
 *  to a whole number (halves to even) plus one, in 64 bits. */
qint64 NextInvoiceNumber(float current);

/** The stored ABN ("12-345-678-901") as printed ("12 345 678 901"); empty
 *  when none was entered (empty, or the blank mask "__-___-___-___"). */
QString AbnText(const QString& stored);

/** What the period's rides add up to (all from the same rows). */
struct RideTotals
{
    /** Rides with a prize money value. */
    int rides = 0;
    double prizeTotal = 0;
    Currency bookRateTotal;
};

struct Input
{
    QString jockey;
    JockeyTerms terms;
    Period period;
    RideTotals totals;
    /** The count fields as typed; empty leaves the line out. */
    QString scratchings;
    QString trials;
    QString extra1Text;
    Currency extra1;
    QString extra2Text;
    Currency extra2;
    QString companyName;
    float invoiceNumber = 0;
    bool applyGst = false;
    QString abn;
};

struct Amounts
{
    int rides = 0;
    double prizeTotal = 0;
    Currency jockeyShare;
    Currency bookRateTotal;
    Currency commission;
    Currency managerFee;
    Currency scratchTotal;
    Currency trialTotal;
    Currency extra1;
    Currency extra2;
    Currency totalOwed;
    /** 0 when GST does not apply. */
    Currency gst;
    Currency totalIncGst;
};

/** One report control's changes; what is not set stays as designed. */
struct ControlChange
{
    std::optional<QString> caption;
    /** Twips to move the control up (its top decreases by this). */
    int moveUp = 0;
    std::optional<int> width;
    /** Twips the control widens to the left (its right edge stays). */
    int growLeft = 0;
};

/** Everything the invoice changes in the report definition. */
struct ReportPatch
{
    /** What the title field ("%i") prints. */
    QString title;
    /** By control name, as the report names them. */
    QMap<QString, ControlChange> controls;
    /** Height of the "ReportFooter" section, in twips. */
    int footerHeight = 0;
    /** Twips the lines below the left-out optional lines moved up. */
    int shift = 0;
};

struct Result
{
    Amounts amounts;
    ReportPatch patch;
};

/** Designed height of the invoice's report footer, in twips. */
constexpr int kFooterHeight = 3945;
/** Height of one optional footer line; a left-out line moves the rest up by it. */
constexpr int kLineHeight = 450;
/** What the footer loses without the GST rows (before the shift). */
constexpr int kGstRowsHeight = 1000;

Result Compute(const Input& in);

/** The most scratchings or trials one invoice charges. A jockey has a handful
 *  in a month; anything near this is a slip of the keyboard. */
constexpr int kMaxCount = 1000;
/** The most any invoice line or total may come to, in dollars. A jockey's
 *  fees and the manager's share of even the richest race's prize money stay
 *  far below it, and sums of such amounts stay far inside what money holds. */
constexpr qint64 kMaxInvoiceDollars = 10000000;

/** Why extra charge `field` (1 or 2) cannot go on an invoice: beyond
 *  kMaxInvoiceDollars either way; empty when it can. A negative charge is a
 *  credit. */
QString ExtraProblem(int field, Currency amount);

/** Why the typed counts and extra charges cannot make an invoice (the first
 *  problem found); empty when they can. A count left empty is fine; one that
 *  is typed must be a number from 0 to kMaxCount, and it times its rate must
 *  stay within kMaxInvoiceDollars. */
QString CheckInput(const Input& in);

/** Why the computed invoice cannot be printed: its total beyond
 *  kMaxInvoiceDollars; empty when it can. */
QString CheckTotal(const Amounts& amounts);
} // namespace InvoiceCalc

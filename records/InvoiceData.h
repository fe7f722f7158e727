#pragma once

#include "records/InvoiceCalc.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

/**
 * What the invoice reads from and writes to the local database: the jockey's
 * terms, the period's rides (the report's detail lines and the totals come
 * from the same rows), and the record of an issued invoice. Names are bound,
 * never pasted into the SQL.
 */
namespace InvoiceData
{
/** A jockey's invoice terms as stored. */
struct JockeyRow
{
    enum Status
    {
        Found,
        /** No Jockey row of that name. */
        NoRow,
        /** The row has no manager rate: an invoice at 0% would be wrong. */
        NoRate,
    };
    Status status = NoRow;
    InvoiceCalc::JockeyTerms terms;
    /** Invalid when the row has none. */
    QDate lastInvoiceDate;
    /** Empty for Null. */
    QString invoicePeriod;
};

/** Reads the terms of `jockey` (letter case ignored). Fees that are Null or
 *  not numbers read as their numeric value (0 when none). */
JockeyRow LoadJockey(const QString& jockey);

/** One ride of the period, as the invoice prints it. Null columns stay
 *  invalid QVariants. */
struct Ride
{
    QDate raceDate;
    QVariant raceNumber;
    QVariant trackCode;
    QVariant horse;
    QVariant finishPos;
    QVariant prizeMoney;
    QVariant state;
    QVariant bookingRate;
};

/** The rides of `jockey` (letter case ignored) from `start` to `end`, both
 *  days included whatever time of day a ride carries, ordered by race date
 *  and race number. */
QList<Ride> LoadRides(const QString& jockey, const QDate& start, const QDate& end);

/** Rides with a prize, the prize total and the booking-rate total of `rides`. */
InvoiceCalc::RideTotals TotalsOf(const QList<Ride>& rides);

/** Records an issued invoice: the jockey's last invoice date becomes `end`
 *  and the next invoice number is advanced, both saved at once (the
 *  settings are written straight away). On failure nothing is changed (a
 *  number already stored when the database fails is stored back) and a
 *  VbError is thrown. */
void RecordInvoice(const QString& jockey, const QDate& end);
} // namespace InvoiceData

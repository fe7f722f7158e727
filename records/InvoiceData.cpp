#include "records/InvoiceData.h"

#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modUtils.h"
#include "platform/VbError.h"

#include <QDateTime>

namespace InvoiceData
{
namespace
{
// The numeric value of a stored amount: numbers as they are, texts by their
// leading number, Null as 0.
double numericValue(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toDouble();
    default:
        return modUtils::Val(v.toString());
    }
}

Currency money(const QVariant& v)
{
    if (v.isValid() && v.typeId() == qMetaTypeId<Currency>())
        return v.value<Currency>();
    return Currency::fromDouble(numericValue(v));
}

QDate dateOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return QDate::fromString(v.toString().left(10), QStringLiteral("yyyy-MM-dd"));
}

QString isoDate(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}
} // namespace

JockeyRow LoadJockey(const QString& jockey)
{
    JockeyRow row;
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Jockey WHERE UCase(Jockey) = ?"),
                                       {jockey.toUpper()});
    if (rs.Eof())
        return row;
    const QVariant rate = rs.Fields(QStringLiteral("ManagerRate"));
    if (!rate.isValid() || rate.isNull()) {
        row.status = JockeyRow::NoRate;
        return row;
    }
    row.status = JockeyRow::Found;
    row.terms.managerRate = static_cast<float>(numericValue(rate));
    row.terms.bookFee = money(rs.Fields(QStringLiteral("ManBookFee")));
    row.terms.scratchFee = money(rs.Fields(QStringLiteral("ScratchFee")));
    row.terms.trialFee = money(rs.Fields(QStringLiteral("TrialFee")));
    row.lastInvoiceDate = dateOf(rs.Fields(QStringLiteral("LastInvoiceDate")));
    row.invoicePeriod = modDatabase::NullToEmpty(rs.Fields(QStringLiteral("InvoicePeriod"))).toString();
    return row;
}

QList<Ride> LoadRides(const QString& jockey, const QDate& start, const QDate& end)
{
    // Dates are ISO texts, some with a time of day: everything before the
    // day after the end belongs to the end day, and a day's rides are in
    // race order whatever time they carry.
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    DaoRecordset rs = db.OpenRecordset(
        QStringLiteral("SELECT RaceDate, RaceNumber, TrackCode, Horse, FinishPos, PrizeMoney, State, BookingRate "
                       "FROM qryJockeyInvoice WHERE Jockey = ? AND RaceDate >= ? AND RaceDate < ? "
                       "ORDER BY date(RaceDate), RaceNumber"),
        {jockey, isoDate(start), isoDate(end.addDays(1))});
    QList<Ride> rides;
    rides.reserve(rs.RecordCount());
    for (; !rs.Eof(); rs.MoveNext()) {
        Ride r;
        r.raceDate = dateOf(rs.Fields(0));
        r.raceNumber = rs.Fields(1);
        r.trackCode = rs.Fields(2);
        r.horse = rs.Fields(3);
        r.finishPos = rs.Fields(4);
        r.prizeMoney = rs.Fields(5);
        r.state = rs.Fields(6);
        r.bookingRate = rs.Fields(7);
        rides << r;
    }
    return rides;
}

InvoiceCalc::RideTotals TotalsOf(const QList<Ride>& rides)
{
    InvoiceCalc::RideTotals t;
    Currency prize;
    for (const Ride& r : rides) {
        if (r.prizeMoney.isValid() && !r.prizeMoney.isNull()) {
            ++t.rides;
            prize += money(r.prizeMoney);
        }
        if (r.bookingRate.isValid() && !r.bookingRate.isNull())
            t.bookRateTotal += money(r.bookingRate);
    }
    t.prizeTotal = prize.toDouble();
    return t;
}

void RecordInvoice(const QString& jockey, const QDate& end)
{
    const float before = gAppSettings.NextInvoiceNumber;
    const qint64 next = InvoiceCalc::NextInvoiceNumber(before);
    // The setting holds a single-precision number: past 16,777,216 not every
    // whole number fits, and a number that does not fit would be issued twice.
    if (static_cast<qint64>(static_cast<float>(next)) != next)
        throw VbError(6, QStringLiteral("InvoiceData"),
                      QStringLiteral("The next invoice number %1 is too large to be stored.").arg(next));

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.BeginTrans();
    bool numberSaved = false;
    try {
        db.Execute(QStringLiteral("UPDATE Jockey SET LastInvoiceDate = ? WHERE UCase(Jockey) = ?"),
                   {end, jockey.toUpper()});
        gAppSettings.NextInvoiceNumber = static_cast<float>(next);
        if (!gAppSettings.SaveSettings())
            throw VbError(75, QStringLiteral("InvoiceData"),
                          QStringLiteral("The settings could not be saved."));
        numberSaved = true;
        db.CommitTrans();
    } catch (...) {
        gAppSettings.NextInvoiceNumber = before;
        // The number and the dates change together or not at all: when the
        // database refused the dates after the new number was stored, the
        // stored number is put back (a failure to do so is told by the save).
        if (numberSaved)
            gAppSettings.SaveSettings();
        if (db.InTransaction())
            db.Rollback();
        throw;
    }
}
} // namespace InvoiceData

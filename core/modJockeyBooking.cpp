#include "core/modJockeyBooking.h"

#include "core/modDatabase.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"

#include <optional>

namespace modJockey
{
namespace
{
const QString CR = QStringLiteral("\r");
// A line break after a blank: where the breaks are lost (a copied message)
// the lines still read as separate words.
const QString EndCR = QStringLiteral(" \r");

/** Blanks (only blanks) removed at both ends, the way stored names are compared. */
QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

/** A number of kilograms as "54.5 kg". */
QString kg(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" kg");
}

bool askYes(const QString& text, const QString& title)
{
    return Prompts::MsgBox(text, Prompts::vbYesNo + Prompts::vbQuestion, title) == Prompts::vbYes;
}

/** The horse's bookings at a meeting (parameters: meeting code, horse). */
QString findByHorseSql()
{
    return QStringLiteral("SELECT * FROM Bookings WHERE MeetingCode = ? and ")
           + SameHorseSql(QStringLiteral("Horse"), QStringLiteral("?"))
           + LatestBookingFirstSql(QStringLiteral("Bookings"));
}
} // namespace

QString SameHorseSql(const QString& a, const QString& b)
{
    // rtrim() gives a value without the column's collation: letter case is
    // ignored again by naming it.
    return QStringLiteral("rtrim(") + a + QStringLiteral(") = rtrim(") + b + QStringLiteral(") COLLATE NOCASE");
}

QString RunnerBookingRowidSql(const QString& meetingCode, const QString& horse)
{
    return QStringLiteral("(SELECT RB.rowid FROM Bookings AS RB WHERE RB.MeetingCode = ") + meetingCode +
           QStringLiteral(" AND ") + SameHorseSql(QStringLiteral("RB.Horse"), horse) +
           LatestBookingFirstSql(QStringLiteral("RB")) + QStringLiteral(" LIMIT 1)");
}

QString LatestBookingFirstSql(const QString& table)
{
    return QStringLiteral(" ORDER BY ") + table + QStringLiteral(".rowid DESC");
}

BookingColumns BookingColumnsFor(const QString& gridName)
{
    if (gridName == QLatin1String("grdNoms"))
        return {10, 13};
    return {14, 16};
}

void RowPaint::backRange(int from, int to, qint64 c, int exceptCol)
{
    for (int col = from; col <= to; ++col) {
        if (col != exceptCol)
            back(col, c);
    }
}

void PaintRow(Grid& grid, int row, const RowPaint& paint)
{
    for (const auto& [col, colour] : paint.backColors)
        grid.setCellBackColor(row, col, colour);
    for (const auto& [col, text] : paint.texts)
        grid.setCellText(row, col, text);
    for (const auto& [col, icon] : paint.icons)
        grid.setCellIcon(row, col, icon);
}

RowPaint PaintForBookedJockey(const BookingColumns& cols, int jockeyCol, int colCount, const QString& jockey,
                              qint64 colour, const StoredBooking* existing, bool wasConfirmed)
{
    RowPaint p;
    if (existing && existing->confirmed) {
        // A confirmed booking keeps its confirmation: the whole row shows the
        // new jockey's colour, as a reload of the grid would.
        p.backRange(1, colCount, colour);
        p.text(cols.status, existing->bookingSelection);
        p.icon(cols.status, kConfirmedIcon);
    } else {
        if (wasConfirmed) {
            p.backRange(1, colCount, -1, jockeyCol);
            p.icon(cols.status, -1);
        }
        p.back(jockeyCol, colour);
        p.text(cols.status, existing ? existing->bookingSelection : kPlanned);
    }
    p.text(jockeyCol, jockey);
    return p;
}

RowPaint PaintForDeletedJockey(const BookingColumns& cols, int jockeyCol, int colCount, qint64 colour)
{
    RowPaint p;
    // Column 1 too: a confirmed row was coloured from column 1, and a reload
    // of a row without a booking has no colour anywhere.
    p.backRange(1, colCount, colour);
    p.text(jockeyCol, QString());
    p.text(cols.status, QString());
    p.icon(cols.status, -1);
    return p;
}

RowPaint PaintForStatusText(const BookingColumns& cols, int statusCol, int colCount, const QString& text,
                            const QString& oldStatus)
{
    RowPaint p;
    if (oldStatus == kConfirmed)
        p.backRange(1, colCount, -1, cols.jockey);
    p.text(statusCol, text);
    p.icon(statusCol, -1);
    return p;
}

RowPaint PaintForRemovedBooking(const BookingColumns& cols, int statusCol, int colCount)
{
    RowPaint p;
    p.text(cols.jockey, QString());
    p.text(statusCol, QString());
    p.backRange(1, colCount, -1);
    p.icon(statusCol, -1);
    return p;
}

RowPaint PaintForConfirmed(int statusCol, int colCount, qint64 colour)
{
    RowPaint p;
    p.backRange(1, colCount, colour);
    p.text(statusCol, kConfirmed);
    p.icon(statusCol, kConfirmedIcon);
    return p;
}

void BookJockey(Grid& grid, int row, int col, QString jockey, const QString& horse, const QString& meetingCode,
                const QString& raceCode, const QString& trainer, qint64 colour)
{
    const QString shown = grid.cellText(row, col);
    if (shown == jockey)
        return;
    const bool deleting = jockey == kDeleteJockey;

    if (!shown.isEmpty()) {
        const QString question =
            deleting ? shown + QStringLiteral(" Confirm Removal of booking from ") + CR + QStringLiteral("Horse ") + horse
                     : shown + QStringLiteral(" Already booked for this ride are you sure") + EndCR +
                           QStringLiteral("you wish replace with ") + jockey;
        if (!askYes(question, QStringLiteral("Confirm Jockey ride")))
            return;
    }

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    const QVariant ignore =
        db.Scalar(QStringLiteral("Select IgnoreTrainer from Trainer where TrainerName = ?"), {trainer});
    if (ignore.toBool()) {
        Prompts::MsgBox(QStringLiteral("Trainer ") + trainer + QStringLiteral(" set to ignore cannot make bookings"),
                        Prompts::vbOKOnly, QStringLiteral("Error"));
        db.Close();
        return;
    }

    std::optional<StoredBooking> kept;
    bool unconfirmed = false;
    DaoRecordset rs = db.OpenRecordset(findByHorseSql(), {meetingCode, horse});
    if (!rs.Eof()) {
        if (deleting) {
            // Every row of the horse at the meeting goes, so no stray booking
            // can come back on the next reload.
            while (!rs.Eof()) {
                rs.Delete();
                rs.MoveNext();
            }
        } else {
            const QString previous = modDatabase::NullToEmpty(rs.Fields(QStringLiteral("Jockey"))).toString();
            const bool wasConfirmed = rs.Fields(QStringLiteral("Confirmed")).toBool();
            // Another jockey on the horse has agreed to nothing yet: whatever
            // was confirmed for the one before does not pass to him. (The
            // column ignores letter case, so the comparison does too.)
            const bool replacing = !previous.isEmpty() && previous.compare(jockey, Qt::CaseInsensitive) != 0;
            rs.Edit();
            rs.SetField(QStringLiteral("Jockey"), jockey);
            if (replacing) {
                rs.SetField(QStringLiteral("BookingSelection"), kPlanned);
                rs.SetField(QStringLiteral("Confirmed"), false);
            }
            rs.Update();
            kept = StoredBooking{modDatabase::NullToEmpty(rs.Fields(QStringLiteral("BookingSelection"))).toString(),
                                 rs.Fields(QStringLiteral("Confirmed")).toBool()};
            unconfirmed = wasConfirmed && !kept->confirmed;
        }
    } else if (!deleting) {
        rs.AddNew();
        rs.SetField(QStringLiteral("Jockey"), jockey);
        rs.SetField(QStringLiteral("MeetingCode"), meetingCode);
        rs.SetField(QStringLiteral("RaceCode"), raceCode);
        rs.SetField(QStringLiteral("Horse"), horse);
        rs.SetField(QStringLiteral("TrainerName"), trainer);
        rs.SetField(QStringLiteral("BookingSelection"), kPlanned);
        rs.Update();
    }
    rs.Close();
    db.Close();

    const BookingColumns cols = BookingColumnsFor(grid.objectName());
    const RowPaint paint = deleting ? PaintForDeletedJockey(cols, col, grid.columns(), colour)
                                    : PaintForBookedJockey(cols, col, grid.columns(), jockey, colour,
                                                           kept ? &*kept : nullptr, unconfirmed);
    PaintRow(grid, row, paint);
}

void SetBookingText(Grid& grid, int row, int col, QString text, const QString& horse, const QString& meetingCode,
                    const QString& raceCode, const QString& trainer)
{
    const QString shown = grid.cellText(row, col);
    if (shown == text)
        return;
    const bool removing = text == kRemoveBooking;

    if (removing && !shown.isEmpty()) {
        if (!askYes(QStringLiteral("Remove Text : ") + shown + CR + QStringLiteral("  from Horse ") + horse,
                    QStringLiteral("Confirm Removal")))
            return;
    }

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    DaoRecordset rs = db.OpenRecordset(findByHorseSql(), {meetingCode, horse});
    if (!rs.Eof()) {
        if (removing) {
            while (!rs.Eof()) {
                rs.Delete();
                rs.MoveNext();
            }
        } else {
            rs.Edit();
            rs.SetField(QStringLiteral("BookingSelection"), text);
            rs.SetField(QStringLiteral("Confirmed"), false);
            rs.Update();
        }
    } else if (!removing) {
        rs.AddNew();
        rs.SetField(QStringLiteral("MeetingCode"), meetingCode);
        rs.SetField(QStringLiteral("RaceCode"), raceCode);
        rs.SetField(QStringLiteral("Horse"), horse);
        rs.SetField(QStringLiteral("TrainerName"), trainer);
        rs.SetField(QStringLiteral("BookingSelection"), text);
        rs.Update();
    }
    rs.Close();
    db.Close();

    const BookingColumns cols = BookingColumnsFor(grid.objectName());
    const RowPaint paint = removing ? PaintForRemovedBooking(cols, col, grid.columns())
                                    : PaintForStatusText(cols, col, grid.columns(), text, shown);
    PaintRow(grid, row, paint);
}

bool ConfirmBooking(Grid& grid, int row, int col, const QString& horse, const QString& meetingCode,
                    const QString& raceCode, qint64 colour)
{
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    DaoRecordset rs = db.OpenRecordset(
        QStringLiteral("SELECT * FROM Bookings WHERE MeetingCode = ? and RaceCode= ? and ")
            + SameHorseSql(QStringLiteral("Horse"), QStringLiteral("?"))
            + LatestBookingFirstSql(QStringLiteral("Bookings")),
        {meetingCode, raceCode, horse});
    if (rs.Eof()) {
        // The horse's one booking at the meeting may carry another race code
        // (the field-file import and the web loaders name races differently).
        rs.Close();
        rs = db.OpenRecordset(findByHorseSql(), {meetingCode, horse});
    }
    if (rs.Eof()) {
        rs.Close();
        db.Close();
        Prompts::MsgBox(QStringLiteral("No booking was found for Horse ") + horse + QStringLiteral(" at meeting ") +
                            meetingCode + EndCR + QStringLiteral("Nothing has been confirmed."),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Confirm Booking"));
        return false;
    }
    if (modDatabase::NullToEmpty(rs.Fields(QStringLiteral("Jockey"))).toString().isEmpty()) {
        // A status without a jockey: the cell may show the published rider,
        // but no managed jockey is booked, so there is nothing to confirm.
        rs.Close();
        db.Close();
        Prompts::MsgBox(QStringLiteral("You cannot confirm, if no jockey has been entered"));
        return false;
    }
    rs.Edit();
    rs.SetField(QStringLiteral("Confirmed"), true);
    rs.SetField(QStringLiteral("BookingSelection"), kConfirmed);
    rs.Update();
    rs.Close();
    db.Close();

    PaintRow(grid, row, PaintForConfirmed(col, grid.columns(), colour));
    return true;
}

bool CheckBookingsOnAcceptance(QString rider, const QString& meetingCode, const QString& horse,
                               const QString& stage, qint16 weight)
{
    const bool acceptances = stage == QLatin1String("ACP");
    if (!acceptances && rider.isEmpty() && weight == 0)
        return false;

    // A bracketed apprentice claim after the name is not part of the name.
    const qsizetype bracket = rider.indexOf(QLatin1Char('('));
    if (bracket >= 1)
        rider = rider.left(bracket);

    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("Select B.Jockey,Confirmed,BookingSelection,TrainerName,Fullname,Ridewgt from bookings B, "
                       "Jockey J where B.rowid = ")
            + RunnerBookingRowidSql(QStringLiteral("?"), QStringLiteral("?"))
            + QStringLiteral(" and j.Jockey=B.Jockey and (fullname > '' or RideWgt > 0) "),
        {meetingCode, horse});
    if (rs.Eof()) {
        rs.Close();
        return false;
    }

    const QVariant fullNameValue = rs.Fields(QStringLiteral("Fullname"));
    const QString fullName = fullNameValue.toString();
    const QVariant rideWgtValue = rs.Fields(QStringLiteral("Ridewgt"));
    const QString bookedJockey = modDatabase::NullToEmpty(rs.Fields(QStringLiteral("Jockey"))).toString();
    const QString bookingSelection = modDatabase::NullToEmpty(rs.Fields(QStringLiteral("BookingSelection"))).toString();
    const QString trainerName = modDatabase::NullToEmpty(rs.Fields(QStringLiteral("TrainerName"))).toString();
    rs.Close();

    const bool riderWarning = (acceptances || !rider.isEmpty()) && fullNameValue.isValid() && !fullName.isEmpty() &&
                              fullName != trimBlanks(rider);
    const bool weightWarning = !riderWarning && weight > 0 && rideWgtValue.isValid() &&
                               rideWgtValue.toDouble() > static_cast<double>(weight) / 10.0;
    if (!riderWarning && !weightWarning)
        return false;

    QString text;
    if (riderWarning) {
        text = stage + QStringLiteral(" For meeting has ") + (rider.isEmpty() ? QStringLiteral("No Jockey") : rider) +
               EndCR + CR + QStringLiteral("Booked On Horse : ") + horse + EndCR + CR +
               QStringLiteral("You had previously booked your Jockey :") + fullName + QStringLiteral(" on that Horse");
    } else {
        // Before acceptances the field often names no rider yet; the warning
        // then names the jockey the manager booked.
        const QString named = !rider.isEmpty() ? rider : (!fullName.isEmpty() ? fullName : bookedJockey);
        text = stage + QStringLiteral(" For meeting has Weight of ") + kg(static_cast<double>(weight) / 10.0) + CR +
               CR + QStringLiteral(" for Horse ") + horse + CR + CR + QStringLiteral(" you have booked Jockey ") +
               named + CR + CR + QStringLiteral(" who has a ride weight of ") + kg(rideWgtValue.toDouble());
    }
    text += EndCR + CR + QStringLiteral("Booking was : ") + bookingSelection + EndCR + CR +
            QStringLiteral("Trainer was : ") + trainerName;

    DaoRecordset trainer = modDatabase::OpenLocalRecordset(
        QStringLiteral("Select trainerMobile, PHone from Trainer where TrainerName = ?"), {trainerName});
    if (!trainer.Eof()) {
        const QString mobile = modDatabase::NullToEmpty(trainer.Fields(QStringLiteral("TrainerMobile"))).toString();
        const QString phone = modDatabase::NullToEmpty(trainer.Fields(QStringLiteral("Phone"))).toString();
        if (!mobile.isEmpty())
            text += QStringLiteral(" ") + mobile;
        if (!phone.isEmpty())
            text += QStringLiteral(" ") + phone;
    }
    trainer.Close();
    text += EndCR + CR + QStringLiteral("Select Yes to remove your booking");

    int style = Prompts::vbYesNo + Prompts::vbExclamation;
    if (weightWarning)
        style += Prompts::vbDefaultButton2;
    if (Prompts::MsgBox(text, style, QStringLiteral("Jockey booking Error")) != Prompts::vbYes)
        return false;

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.Execute(QStringLiteral("Delete from Bookings where meetingcode= ? and ")
                   + SameHorseSql(QStringLiteral("horse"), QStringLiteral("?")),
               {meetingCode, horse});
    db.Close();
    return true;
}

QList<BookingWithoutRunner> BookingsWithoutRunner(const QString& meetingCode)
{
    QList<BookingWithoutRunner> out;
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT B.Horse, B.Jockey, B.BookingSelection FROM Bookings AS B WHERE B.MeetingCode = ? "
                       "AND NOT EXISTS (SELECT 1 FROM Noms AS N WHERE N.MeetingCode = B.MeetingCode AND ")
            + SameHorseSql(QStringLiteral("N.Horse"), QStringLiteral("B.Horse"))
            + QStringLiteral(") ORDER BY B.Horse, B.rowid"),
        {meetingCode});
    for (; !rs.Eof(); rs.MoveNext())
        out.append({modDatabase::NullToEmpty(rs.Fields(0)).toString(), modDatabase::NullToEmpty(rs.Fields(1)).toString(),
                    modDatabase::NullToEmpty(rs.Fields(2)).toString()});
    rs.Close();
    return out;
}

int ReportBookingsWithoutRunner(const QString& meetingCode)
{
    const QList<BookingWithoutRunner> missing = BookingsWithoutRunner(meetingCode);
    if (missing.isEmpty())
        return 0;
    QString text = QStringLiteral("The field loaded for meeting ") + meetingCode +
                   QStringLiteral(" has no runner for these booked horses:") + CR;
    for (const BookingWithoutRunner& b : missing) {
        text += EndCR + QStringLiteral("Horse : ") + b.horse + QStringLiteral("   Jockey : ") +
                (b.jockey.isEmpty() ? QStringLiteral("(none)") : b.jockey) + QStringLiteral("   Booking : ") +
                b.status;
    }
    text += EndCR + CR +
            QStringLiteral("The bookings are kept. Where a horse was scratched or renamed, its jockey may be free "
                           "for another ride.");
    Prompts::MsgBox(text, Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Booked horses not in the field"));
    return static_cast<int>(missing.size());
}
} // namespace modJockey

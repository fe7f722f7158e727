#include "raceview/RaceCommands.h"

#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modJockeyWeb.h"
#include "core/modUtils.h"
#include "platform/DaoDatabase.h"
#include "platform/DaoRecordset.h"
#include "platform/Prompts.h"

#include <QList>
#include <QMap>
#include <QVariant>

namespace RaceCommands
{
namespace
{
const QString kRatingHeading = QStringLiteral("<td class=CellHead>VIC Rating</td>");
const QString kRowStart = QStringLiteral("<tr>");
const QString kRowEnd = QStringLiteral("</tr>");
const QString kCellStart = QStringLiteral("<td>");
const QString kCellEnd = QStringLiteral("</td>");
const QString kNoRating = QStringLiteral("&nbsp;");
constexpr int kRatingCell = 6;
constexpr double kAllowanceFrom = 50.0; // kg; the allowance applies above it
constexpr double kAllowance = 2.5;      // kg
const QString kPickRaceFirst =
    QStringLiteral("Pick a race first: click a runner of the race whose weights are to be calculated.");

/** Rolls back unless committed, so a failed step leaves the race as it was. */
class WriteTransaction
{
public:
    explicit WriteTransaction(DaoDatabase& db)
        : m_db(db)
    {
        m_db.BeginTrans();
    }
    ~WriteTransaction()
    {
        if (!m_done && m_db.InTransaction())
            m_db.Rollback();
    }
    void commit()
    {
        m_db.CommitTrans();
        m_done = true;
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

private:
    DaoDatabase& m_db;
    bool m_done = false;
};

/** The numeric value of a stored rating, or nothing when the text does not
 *  start with a number (blank, "abc", Null). */
std::optional<double> ratingNumber(const QVariant& stored)
{
    const QString text = modDatabase::NullToEmpty(stored).toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const double value = modUtils::Val(text);
    if (value != 0.0)
        return value;
    // Val reads "0" and "abc" alike; only a written zero is a rating of 0.
    const QChar first = text.at(0);
    const bool zeroWritten = first.isDigit() || ((first == QLatin1Char('+') || first == QLatin1Char('-')
                                                  || first == QLatin1Char('.'))
                                                 && text.size() > 1 && text.at(1).isDigit());
    return zeroWritten ? std::optional<double>(0.0) : std::nullopt;
}

bool isFillyOrMare(const QVariant& horseType)
{
    const QString type = modDatabase::NullToEmpty(horseType).toString();
    if (type.isEmpty())
        return false;
    const QChar sex = type.at(0).toUpper();
    return sex == QLatin1Char('F') || sex == QLatin1Char('M');
}

struct Runner
{
    qint64 rowId = 0;
    QVariant rating;
    QVariant horseType;
};

/** Position of `what` in `text` from index `from`, -1 when absent. */
qsizetype find(const QString& text, const QString& what, qsizetype from)
{
    return from < 0 ? -1 : text.indexOf(what, from);
}
} // namespace

bool RaceTypeWithoutAllowance(const QString& raceType)
{
    return raceType == QLatin1String("OPN M") || raceType == QLatin1String("CL6 M")
           || raceType == QLatin1String("1MWLY M");
}

bool RaceOpenToBothSexes(const QString& raceType, const QString& raceText)
{
    // A type picked with a stray line end is still the same type.
    const QString type = modUtils::StripControlChars(raceType, false);
    return !RaceTypeWithoutAllowance(type) && !raceText.contains(QLatin1String("MAR"), Qt::CaseSensitive)
           && !raceText.contains(QLatin1String("FIL"), Qt::CaseSensitive);
}

WeightsOutcome CalculateWeights(const QString& meetingCode, qint16 raceNumber, const QString& raceType,
                                const QString& raceText)
{
    if (raceType.isEmpty()) {
        Prompts::MsgBox(QStringLiteral("You must select a race type to use to calculate weights"));
        return WeightsOutcome::NoRaceType;
    }
    // The whole meeting's view stands on no race until a runner is clicked.
    if (raceNumber <= 0) {
        Prompts::MsgBox(kPickRaceFirst);
        return WeightsOutcome::NoRace;
    }
    const QString lookupType = modUtils::StripControlChars(raceType, false);
    const bool allowance = RaceOpenToBothSexes(raceType, raceText);
    const QVariantList race{meetingCode, raceNumber};

    DaoDatabase db = modDatabase::OpenLocalDatabase();

    // The runners and the table rows are read before anything is written.
    QList<Runner> runners;
    {
        DaoRecordset rs = db.OpenRecordset(
            QStringLiteral("SELECT rowid, Rating, HorseType FROM Noms WHERE MeetingCode = ? AND RaceNumber = ? "
                           "ORDER BY rowid"),
            race);
        for (; !rs.Eof(); rs.MoveNext())
            runners.append({rs.Fields(0).toLongLong(), rs.Fields(1), rs.Fields(2)});
    }
    const QVariant meetType =
        db.Scalar(QStringLiteral("SELECT MeetType FROM Meeting WHERE MeetingCode = ? ORDER BY rowid LIMIT 1"),
                  {meetingCode});
    // Rating -> weight of the first row in table order that has it.
    QMap<double, double> weights;
    {
        DaoRecordset rs = db.OpenRecordset(
            QStringLiteral("SELECT Rating, weight FROM RBHTable WHERE MeetType = ? AND RaceType = ? "
                           "AND Rating IS NOT NULL AND weight IS NOT NULL ORDER BY rowid"),
            {meetType, lookupType});
        for (; !rs.Eof(); rs.MoveNext()) {
            const double rating = rs.Fields(0).toDouble();
            if (!weights.contains(rating))
                weights.insert(rating, rs.Fields(1).toDouble());
        }
    }

    WriteTransaction tx(db);
    // Every runner starts at 0, so one without a table row is left at 0.
    db.Execute(QStringLiteral("UPDATE Noms SET LastWeight = 0 WHERE MeetingCode = ? AND RaceNumber = ?"), race);
    db.Execute(QStringLiteral("UPDATE Race SET RaceType = ? WHERE MeetingCode = ? AND RaceNumber = ?"),
               {db.FitToField(QStringLiteral("Race"), QStringLiteral("RaceType"), raceType), meetingCode, raceNumber});
    for (const Runner& runner : runners) {
        const std::optional<double> rating = ratingNumber(runner.rating);
        if (!rating || !weights.contains(*rating))
            continue;
        double weight = weights.value(*rating);
        if (allowance && isFillyOrMare(runner.horseType) && weight > kAllowanceFrom)
            weight -= kAllowance;
        db.Execute(QStringLiteral("UPDATE Noms SET LastWeight = ? WHERE rowid = ?"), {weight, runner.rowId});
    }
    tx.commit();
    return WeightsOutcome::Calculated;
}

std::optional<QString> RatingFromPage(const QString& page)
{
    const qsizetype heading = page.indexOf(kRatingHeading);
    if (heading < 0)
        return std::nullopt;
    const qsizetype rowStart = find(page, kRowStart, heading);
    const qsizetype rowEnd = find(page, kRowEnd, rowStart);
    if (rowStart < 0 || rowEnd < 0)
        return std::nullopt;
    // Each cell is searched after the one before; a missing cell ends the
    // search, so a cell before the heading can never be taken.
    qsizetype cell = rowStart;
    for (int i = 0; i < kRatingCell && cell >= 0; ++i)
        cell = find(page, kCellStart, i == 0 ? cell : cell + kCellStart.size());
    if (cell < 0 || cell >= rowEnd)
        return std::nullopt;
    const qsizetype valueStart = cell + kCellStart.size();
    const qsizetype cellEnd = find(page, kCellEnd, valueStart);
    if (cellEnd < 0 || cellEnd > rowEnd)
        return std::nullopt;
    return page.mid(valueStart, cellEnd - valueStart);
}

RatingsOutcome UpdateRatings(const QString& meetingCode, qint16 raceNumber, bool wholeMeeting)
{
    if (wholeMeeting) {
        Prompts::MsgBox(QStringLiteral("Only allowed in race view!"), Prompts::vbInformation + Prompts::vbOKOnly,
                        QStringLiteral("Access denied"));
        return RatingsOutcome::Refused;
    }

    DaoDatabase db = modDatabase::OpenLocalDatabase();
    // The runner list is read whole before the first request: the waits let
    // the user interface run, and rows are then written by their key.
    QList<QPair<qint64, QString>> runners;
    {
        DaoRecordset rs = db.OpenRecordset(
            QStringLiteral("SELECT rowid, Horse FROM Noms WHERE MeetingCode = ? AND RaceNumber = ? ORDER BY rowid"),
            {meetingCode, raceNumber});
        for (; !rs.Eof(); rs.MoveNext())
            runners.append({rs.Fields(0).toLongLong(), modDatabase::NullToEmpty(rs.Fields(1)).toString()});
    }

    for (const auto& [rowId, horse] : runners) {
        if (horse.isEmpty())
            continue; // nothing to search for
        const modJockey::HorseRatingPage found = modJockey::FetchHorseRatingPage(horse);
        // A details page that cannot be fetched is the same silent network
        // as a search that cannot: waiting it out again for every runner
        // would only repeat it.
        if (found.unreachable || found.detailsUnreachable) {
            modJockey::ShowRatingDataError();
            return RatingsOutcome::Unreachable;
        }
        if (found.failed)
            continue;
        const std::optional<QString> rating = RatingFromPage(found.page);
        if (!rating || *rating == kNoRating)
            continue;
        db.Execute(QStringLiteral("UPDATE Noms SET Rating = ? WHERE rowid = ?"),
                   {db.FitToField(QStringLiteral("Noms"), QStringLiteral("Rating"), *rating), rowId});
    }
    return RatingsOutcome::Completed;
}

void RefreshLastStarts(const QString& meetingCode, qint16 raceNumber, bool wholeMeeting)
{
    modJockey::LoadLastStartForm(meetingCode, wholeMeeting ? qint16(0) : raceNumber);
}
} // namespace RaceCommands

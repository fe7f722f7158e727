#include "mainwindow/FieldFileImport.h"

#include "core/HttpRequest.h"
#include "core/SizedInserter.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modUtils.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QVariant>

#include <exception>

namespace FieldFileImport
{
namespace
{
const QString kCR = QStringLiteral("\r");
const QString kErrorTitle = QStringLiteral("Import Error");

BookingCheck& bookingCheck()
{
    static BookingCheck check;
    return check;
}

void checkBooking(const QString& rider, const QString& meetingCode, const QString& horse, const QString& stage,
                  qint16 weight)
{
    if (bookingCheck())
        bookingCheck()(rider, meetingCode, horse, stage, weight);
    else
        modJockey::CheckBookingsOnAcceptance(rider, meetingCode, horse, stage, weight);
}

void reportFailure(const QString& path, const QString& why)
{
    Prompts::MsgBox(QStringLiteral("The file ") + path + QStringLiteral(" cannot be imported: ") + kCR + why
                        + QStringLiteral(" \r\rThe database was not changed."),
                    Prompts::vbCritical, kErrorTitle);
}

/** The State and MeetType of the meeting's track from the remote database.
 *  False (after telling the user) when the service answered with an error. */
bool lookUpTrack(const QString& meetingCode, QString& state, QString& meetType)
{
    const QString sql = QStringLiteral("SELECT State, MeetType FROM Track WHERE TrackCode = '")
        + modDatabase::RemoteSqlQuote(FieldFileParser::trackCode(meetingCode)) + QLatin1Char('\'');
    const QString reply = modDatabase::HttpRequest(modDatabase::RemoteQueryUrl(sql), QStringLiteral("GET"));
    state.clear();
    meetType.clear();
    // A failure, or a web page sent with status 200, is no track: take
    // nothing from it.
    if (const QString problem = modDatabase::ReplyProblem(reply, 2); !problem.isEmpty()) {
        modDatabase::ReportConnectionError(problem);
        return false;
    }
    if (reply.left(6) <= QLatin1String(" "))
        return true;
    const QStringList fields = reply.split(QStringLiteral("<br>\n")).value(0).split(QLatin1Char('|'));
    state = modDatabase::NullToEmpty(fields.value(0)).toString();
    meetType = modDatabase::NullToEmpty(fields.value(1)).toString();
    return true;
}

/** A horse name as bookings are matched against it, folded so that names the
 *  database takes as equal (letter case) always give the same key. */
QString bookingKey(const QString& horse)
{
    QString key = horse.toLower();
    while (key.endsWith(QLatin1Char(' ')))
        key.chop(1);
    return key;
}

/** Keys of the horses that hold a booking at the meeting. */
QSet<QString> bookedHorses(const QString& meetingCode)
{
    QSet<QString> out;
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT DISTINCT Horse FROM [Bookings] WHERE MeetingCode = ?"), {meetingCode});
    for (; !rs.Eof(); rs.MoveNext())
        out.insert(bookingKey(modDatabase::NullToEmpty(rs.Fields(0)).toString()));
    rs.Close();
    return out;
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash) : QString();
}
} // namespace

void SetBookingCheck(BookingCheck check)
{
    bookingCheck() = std::move(check);
}

QString DialogTitle()
{
    return QStringLiteral("Select RSB Downloaded file to load data into Velmora");
}

QString DialogFilter()
{
    return QStringLiteral("Noms & Weights Trainer Phone (*.DGN *.DGW *.DNP *.DNW *.DNA);;"
                          "Weights (*.DGW *.DFW *.DNW);;"
                          "Nominations (*.DGN *.DFN *.DNP);;"
                          "Acceptances (*.DGA *.DFA *.DNA)");
}

void WriteMeeting(const QString& meetingCode, const QString& stage, const QString& state, const QString& meetType,
                  const FieldFileParser::Result& parsed)
{
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.BeginTrans();
    try {
        // Bookings are the manager's own work and stay.
        const QVariantList code{meetingCode};
        db.Execute(QStringLiteral("DELETE FROM [Noms] WHERE MeetingCode = ?"), code);
        db.Execute(QStringLiteral("DELETE FROM [Race] WHERE MeetingCode = ?"), code);
        db.Execute(QStringLiteral("DELETE FROM [Meeting] WHERE MeetingCode = ?"), code);

        const FieldFileParser::Meeting& m = parsed.meeting;
        SizedInserter(db, QStringLiteral("Meeting"),
                      {QStringLiteral("MeetingCode"), QStringLiteral("MeetingLocation"),
                       QStringLiteral("MeetingDetails"), QStringLiteral("MeetingLevel"), QStringLiteral("MeetingDate"),
                       QStringLiteral("DisplayMeeting"), QStringLiteral("State"), QStringLiteral("MeetType")})
            .insert({meetingCode, m.location, m.details, stage, m.date, true, state, meetType});

        SizedInserter races(db, QStringLiteral("Race"),
                            {QStringLiteral("MeetingCode"), QStringLiteral("RaceCode"), QStringLiteral("RaceNumber"),
                             QStringLiteral("RaceDetails"), QStringLiteral("RaceDistance"), QStringLiteral("RaceTime"),
                             QStringLiteral("ApprClaim")});
        for (const FieldFileParser::Race& r : parsed.races)
            races.insert({meetingCode, r.raceCode, r.raceNumber, r.details, r.distance,
                          r.time ? QVariant(*r.time) : QVariant(), r.apprClaim});

        SizedInserter noms(db, QStringLiteral("Noms"),
                           {QStringLiteral("MeetingCode"), QStringLiteral("RaceNumber"), QStringLiteral("RaceCode"),
                            QStringLiteral("TrainerName"), QStringLiteral("Phone"), QStringLiteral("TrainerLocation"),
                            QStringLiteral("Horse"), QStringLiteral("Class"), QStringLiteral("Weight"),
                            QStringLiteral("Form"), QStringLiteral("Rating"), QStringLiteral("Jockey"),
                            QStringLiteral("HorseType"), QStringLiteral("Blood1"), QStringLiteral("Blood2"),
                            QStringLiteral("Blood3"), QStringLiteral("Owners"), QStringLiteral("HorseDOB"),
                            QStringLiteral("Ballot"), QStringLiteral("Barrier"), QStringLiteral("EntryNo"),
                            QStringLiteral("EorB"), QStringLiteral("HorseName")});
        for (const FieldFileParser::Runner& n : parsed.runners)
            noms.insert({meetingCode, n.raceNumber, n.raceCode, n.trainerName, n.phone, n.trainerLocation, n.horse,
                         n.horseClass, n.weight, n.form, n.rating, n.jockey, n.horseType, n.blood1, n.blood2,
                         n.blood3, n.owners, n.horseDob.isEmpty() ? QVariant() : QVariant(n.horseDob), n.ballot,
                         n.barrier, n.entryNo, n.eorb, n.horseName});
        db.CommitTrans();
    } catch (...) {
        if (db.InTransaction())
            db.Rollback();
        throw;
    }
}

Outcome ImportFile(const QString& path, const Target& target)
{
    const FieldFileParser::FileName name = FieldFileParser::splitFileName(path);
    if (!name.valid) {
        modUtils::PlayAppSound(QStringLiteral("Error.Wav"));
        Prompts::MsgBox(QStringLiteral("File cannot be processed."), Prompts::vbCritical,
                        QStringLiteral("Invalid For Convert"));
        return Outcome::BadName;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure(path, file.errorString());
        return Outcome::Failed;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reportFailure(path, file.errorString());
        return Outcome::Failed;
    }
    file.close();

    const FieldFileParser::Result parsed = FieldFileParser::parse(bytes, name.stage);
    if (!parsed.ok) {
        QString why = parsed.error;
        if (parsed.errorLine > 0)
            why = QStringLiteral("line %1: ").arg(parsed.errorLine) + why;
        reportFailure(path, why + QLatin1Char('.'));
        return Outcome::Failed;
    }

    QString state, meetType;
    if (!lookUpTrack(name.meetingCode, state, meetType))
        return Outcome::Failed;

    try {
        WriteMeeting(name.meetingCode, name.stage, state, meetType, parsed);
    } catch (const std::exception& e) {
        reportFailure(path, DescribeError(e));
        return Outcome::Failed;
    }

    if (target.strMeetingCur)
        *target.strMeetingCur = name.meetingCode;
    if (target.strMeetingType)
        *target.strMeetingType = name.stage;

    // The rows are stored: whatever the manager answers about a booking now
    // cannot be undone by a later failure of this file. A runner whose horse
    // holds no booking at the meeting has nothing to check, so the booked
    // horses are read once instead of asking about every runner.
    try {
        const QSet<QString> booked = bookedHorses(name.meetingCode);
        for (const FieldFileParser::Runner& n : parsed.runners) {
            if (booked.contains(bookingKey(n.horse)))
                checkBooking(n.jockey, name.meetingCode, n.horse, name.stage, static_cast<qint16>(n.weight));
        }
        modJockey::ReportBookingsWithoutRunner(name.meetingCode);
    } catch (const std::exception& e) {
        Prompts::MsgBox(QStringLiteral("The file ") + path
                            + QStringLiteral(" was imported, but its bookings could not be checked: ") + kCR
                            + DescribeError(e),
                        Prompts::vbExclamation, kErrorTitle);
    }
    return Outcome::Imported;
}

int Run(const Target& target)
{
    const QStringList files
        = Prompts::GetOpenFileNames(DialogTitle(), DialogFilter(), gAppSettings.AddDataPath, true);
    if (files.isEmpty())
        return 0;

    int imported = 0;
    auto importOne = [&](const QString& path) {
        if (target.importFilePath)
            *target.importFilePath = path;
        if (ImportFile(path, target) == Outcome::Imported)
            ++imported;
    };
    if (files.size() == 1) {
        gAppSettings.AddDataPath = folderOf(files.first());
        importOne(files.first());
    } else {
        if (target.importFolder)
            *target.importFolder = folderOf(files.first());
        for (const QString& f : files)
            importOne(f);
    }

    if (imported > 0)
        modUtils::PlayAppSound(QStringLiteral("Bubble.wav"));
    if (target.loadTrainerGrid)
        target.loadTrainerGrid();
    if (target.loadMeetingGrid)
        target.loadMeetingGrid();
    return imported;
}
} // namespace FieldFileImport

#include "raceview/MeetingReport.h"

#include "core/deTarrow.h"
#include "core/modUtils.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QDateTime>
#include <QTime>

namespace MeetingReport
{
namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

using C = ReportControl;

using modUtils::TextOf;

/** Two parts joined, a Null part reading as empty. */
QVariant joined(const QVariant& a, const QVariant& b)
{
    return TextOf(a) + TextOf(b);
}

/** The stored race time, Null for none and for the no-time mark (00:01 or
 *  earlier, which the race header shows as no time either). */
QVariant raceTime(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    QTime t;
    if (v.typeId() == QMetaType::QDateTime)
        t = v.toDateTime().time();
    else if (v.typeId() == QMetaType::QTime)
        t = v.toTime();
    else
        t = QTime::fromString(v.toString().trimmed(), QStringLiteral("HH:mm:ss"));
    if (!t.isValid() || t <= QTime(0, 1))
        return QVariant();
    return t;
}

const ReportFont kHeading = ReportFont::of(s("Arial"), 8.25, true);
const ReportFont kFooter = ReportFont::of(s("Arial"), 6);
} // namespace

ReportDefinition drMeeting()
{
    ReportDefinition r;
    r.name = s("drMeeting");
    r.title = s("Meeting Report");
    r.caption = r.title;
    // A4; the controls reach 11325 twips across, so the side margins stay
    // under 5 mm as drawn (printing moves the page inside the printable area
    // and shrinks it the little it needs).
    r.pageWidth = 11906;
    r.pageHeight = 16838;
    r.marginLeft = 283;
    r.marginRight = 283;
    r.marginTop = 360;
    r.marginBottom = 360;
    r.font = ReportFont::of(s("Arial"), 8.25);

    r.addSection(ReportSectionKind::ReportHeader, s("ReportHeader"), 0);

    ReportSection& ph = r.addSection(ReportSectionKind::PageHeader, s("PageHeader"), 810);
    ph.controls = {
        C::label(s("lblTitle"), 0, 60, 5760, 375, s("%i")).withFont(ReportFont::of(s("Copperplate Gothic Bold"), 18)),
        C::label(s("lblDate"), 6720, 30, 2250, 315, s("[MeetingDate]"))
            .right()
            .withFont(ReportFont::of(s("Arial"), 12, true)),
        C::label(s("Label4"), 9840, 30, 420, 240, s("Page :")),
        C::label(s("Label3"), 10215, 30, 240, 240, s("%p")).right(),
        // "of" and the page count sit a blank (60 twips) further right than
        // drawn, clear of the right-aligned page number: "Page : 1 of 1".
        C::label(s("Label5"), 10545, 30, 195, 240, s("of")),
        C::label(s("Label6"), 10755, 30, 330, 240, s("%P")),
        C::label(s("Label8"), 9180, 315, 1875, 195, s("@ for last Jockey")).right(),
        C::label(s("lblForm"), 270, 585, 735, 210, s("Form")).right().withFont(kHeading),
        C::label(s("lblHorse"), 1125, 585, 1335, 210, s("Horse Name")).withFont(kHeading),
        C::label(s("lblTrainer"), 3510, 585, 1335, 210, s("Trainer Name")).grows().withFont(kHeading),
        C::label(s("lblWeight"), 5085, 585, 405, 225, s("Wgt")).right().withFont(kHeading),
        C::label(s("lblRating"), 5490, 585, 330, 225, s("Rtg")).right().withFont(kHeading),
        C::label(s("Label2"), 5910, 585, 1755, 210, s("Trainer Phone")).withFont(kHeading),
        C::label(s("Label1"), 8115, 570, 1335, 210, s("Jockey Name")).withFont(kHeading),
        C::label(s("lblStatus"), 9885, 578, 1260, 225, s("Book Status")).withFont(kHeading),
    };

    ReportSection& gh = r.addSection(ReportSectionKind::GroupHeader, s("GroupHeader"), 600, true);
    gh.controls = {
        C::textBox(s("Text3"), 90, 90, 435, 450, s("RaceNumber")).withFont(ReportFont::of(s("Arial"), 16, true)),
        C::textBox(s("txtRaceTime"), 510, 120, 675, 240, s("RaceTime"))
            .withFormat(s("HH.mm"))
            .withFont(ReportFont::of(s("Arial"), 9, true)),
        C::textBox(s("Text4"), 1320, 45, 8085, 480, s("RaceDetails")),
        C::textBox(s("Text2"), 9060, 345, 1995, 195, s("AppClaim")).right(),
        C::textBox(s("txtDistance"), 9450, 30, 1230, 285, s("RaceDistance"))
            .right()
            .withFont(ReportFont::of(s("Arial"), 10, true)),
        C::label(s("Label7"), 10710, 90, 375, 240, s("mtrs")),
        C::line(s("Line1"), 75, 0, 11115, 1),
        C::line(s("Line2"), 45, 540, 11115, 0),
    };

    ReportSection& d = r.addSection(ReportSectionKind::Detail, s("cmdMeetingView_Detail"), 240, true);
    d.controls = {
        C::textBox(s("txtEntryNo"), 0, 0, 285, 195, s("EntryNo")).right(),
        C::textBox(s("txtForm"), 330, 2, 750, 190, s("Form")).right(),
        C::textBox(s("txtHorse"), 1170, 0, 1680, 195, s("Horse")).grows(),
        C::textBox(s("txtVarData"), 2775, 0, 615, 210, s("VarData")).right(),
        C::textBox(s("txtTrainer"), 3510, 0, 1545, 195, s("TrainerName")).grows(),
        C::textBox(s("txtWeight"), 5085, 0, 375, 195, s("Weight")).right(),
        C::textBox(s("txtRating"), 5490, 0, 285, 195, s("Rating")).right(),
        C::textBox(s("txtPhone"), 5835, 0, 2130, 195, s("TrainerPhone")),
        C::textBox(s("txtJockey"), 8070, 0, 1440, 225, s("JockeyName")).grows(),
        C::textBox(s("Text1"), 9495, 15, 1830, 225, s("BookingSelection")).grows(),
    };

    r.addSection(ReportSectionKind::GroupFooter, s("GroupFooter"), 0);

    ReportSection& pf = r.addSection(ReportSectionKind::PageFooter, s("PageFooter"), 150);
    pf.controls = {
        C::label(s("Label9"), 30, 15, 3285, 135, s("Hallard Pty")).withFont(kFooter),
        C::label(s("Label10"), 8055, 0, 3075, 135, s("Meeting Report")).right().withFont(kFooter),
    };

    r.addSection(ReportSectionKind::ReportFooter, s("ReportFooter"), 0);
    return r;
}

QList<ReportRow> Rows(const QString& meetingCode, const QString& stage)
{
    QList<ReportRow> rows = deTarrow::Rows(
        s("SELECT RaceNumber, RaceDetails, RaceDistance, RaceTime, AppClaim, Form, Horse, TrainerName, "
          "Weight, Rating, HorseType, Barrier, Ballot, EorB, Class, JockeyName, BookingSelection, "
          "TrainerPhone, EntryNo FROM qryMeetingView WHERE MeetingCode = ? ORDER BY RaceNumber, EntryNo"),
        {meetingCode});
    for (ReportRow& row : rows) {
        const double weight = modUtils::Val(TextOf(row.value(s("Weight")))) / 10.0;
        row[s("Weight")] = weight == 0 ? QVariant() : QVariant(weight);
        const double rating = modUtils::Val(TextOf(row.value(s("Rating"))));
        row[s("Rating")] = rating == 0 ? QVariant() : QVariant(rating);
        if (stage == QLatin1String("ACP"))
            row[s("VarData")] = joined(row.value(s("Barrier")), row.value(s("EorB")));
        else if (stage == QLatin1String("WGT"))
            row[s("VarData")] = joined(row.value(s("Ballot")), row.value(s("EorB")));
        else
            row[s("VarData")] = row.value(s("Class"));
        row[s("RaceTime")] = raceTime(row.value(s("RaceTime")));
    }
    return rows;
}

ReportData Data(const QString& meetingCode, const QString& stage)
{
    return ReportData::groupBy(Rows(meetingCode, stage), s("RaceNumber"),
                               {s("RaceDetails"), s("RaceTime"), s("RaceDistance"), s("AppClaim")});
}

void Prepare(const QString& meetingCode, const QString& stage, ReportDefinition& def, ReportData& data)
{
    def = drMeeting();
    data = Data(meetingCode, stage);
    const QList<ReportRow> meeting = deTarrow::Rows(
        s("SELECT MeetingLocation, MeetingDate FROM Meeting WHERE MeetingCode = ?"), {meetingCode});
    QString title = meetingCode;
    QString date;
    if (!meeting.isEmpty()) {
        const QString location = TextOf(meeting[0].value(s("MeetingLocation")));
        if (!location.isEmpty())
            title = location;
        date = FormatReportValue(meeting[0].value(s("MeetingDate")), s("dd/MM/yyyy"));
    }
    def.title = title;
    def.caption = title;
    def.setCaption(s("lblDate"), date);
}

bool Print(const QString& meetingCode, const QString& stage, const ReportTarget& target)
{
    if (meetingCode.isEmpty())
        return false;
    ReportDefinition def;
    ReportData data;
    try {
        Prepare(meetingCode, stage, def, data);
    } catch (const VbError& e) {
        Prompts::MsgBox(s("The meeting report could not be read: ") + e.description(), Prompts::vbCritical);
        return false;
    }
    return OutputReport(def, data, target);
}
} // namespace MeetingReport

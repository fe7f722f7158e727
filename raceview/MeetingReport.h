#pragma once

#include "platform/ReportDefinition.h"
#include "platform/ReportLayout.h"
#include "platform/ReportOutput.h"

#include <QString>

/**
 * The meeting report: every race of a meeting as a group (number, time,
 * details, distance, apprentice-claim text) followed by its runners (entry
 * number, form, horse, a value that depends on the meeting's stage, trainer,
 * weight, rating, trainer's phone, jockey and booking status), with the
 * meeting's location as title and its date in the page header.
 */
namespace MeetingReport
{
/** A fresh definition of the report's layout (A4, page header 810, race
 *  header 600 and runner 240 kept together, page footer 150). */
ReportDefinition drMeeting();

/**
 * The meeting's runners from qryMeetingView, ordered by race and entry
 * number, with the printed values worked out: Weight in kilograms (tenths
 * divided by ten, blank when 0), Rating (blank when 0), VarData by `stage`
 * ("ACP": barrier and E/B mark, "WGT": ballot and E/B mark, otherwise the
 * class; a Null part reads as empty) and RaceTime ("00:01" or earlier, the
 * no-time mark, reads as Null). Reads the current local database.
 */
QList<ReportRow> Rows(const QString& meetingCode, const QString& stage);

/** The rows grouped by race; each race's details, time, distance and claim
 *  text come from its first runner. A race without runners has no group. */
ReportData Data(const QString& meetingCode, const QString& stage);

/**
 * The report ready to print: the layout with the meeting's location as
 * title and its date ("dd/MM/yyyy") in lblDate. A meeting code without a
 * Meeting row prints the code as title and no date.
 */
void Prepare(const QString& meetingCode, const QString& stage, ReportDefinition& def, ReportData& data);

/**
 * Prints the meeting's report to `target` (the modal preview in the race
 * view). Does nothing and returns false when `meetingCode` is empty; a
 * database failure is shown in a message and returns false.
 */
bool Print(const QString& meetingCode, const QString& stage, const ReportTarget& target = ReportTarget::preview());
} // namespace MeetingReport

/** The race view's print command in one call (see MeetingReport::Print). */
inline bool PrintMeetingReport(const QString& meetingCode, const QString& stage,
                               const ReportTarget& target = ReportTarget::preview())
{
    return MeetingReport::Print(meetingCode, stage, target);
}

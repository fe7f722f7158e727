#pragma once

#include <QString>
#include <QStringList>

#include "core/modShared.h"

/**
 * The main window's housekeeping commands on the local database and the
 * program's settings. Each is the body of one menu command: it asks and
 * tells the user through the prompts layer, and a failure is reported with
 * a message naming the command; nothing here ends the program.
 */
namespace DatabaseMaintenance
{
/**
 * Copies the database file to a place the user chooses (the BackupPath
 * setting takes the chosen folder). The file itself, however it is named
 * (another spelling of the folder, a symbolic or hard link), is never a
 * target. The copy is written beside the target and renamed over it in one
 * step, so a failed copy leaves an earlier backup there untouched, and the
 * failure is reported.
 */
void BackupDatabase();

/** Compacts the database; tells the user when that failed. */
void CompactAndRepairDatabase();

/**
 * After the user confirms: deletes the hidden meetings, then every runner
 * (Noms) and race (Race) whose meeting is no longer stored, in one
 * transaction. Bookings are kept (invoices are made from them).
 */
void RemoveUnwantedData();

/**
 * Hides the given meetings: deletes their runners (Noms) and marks them not
 * displayed, in one transaction. Their Meeting and Race rows and their
 * bookings stay. No question is asked.
 * @return false when the database refused (the user has been told)
 */
bool DeleteMeetings(const QStringList& meetingCodes);

/**
 * Turns the debug switch off, or on and asks for the debug file (a cancelled
 * choice leaves the switch on and the file as it was).
 * @return the switch's new state
 */
bool ToggleDebug();

/** Puts the race view back at its default position (RaceLeft and RaceTop 0)
 *  and saves the settings. */
void ResetRaceWindow();
} // namespace DatabaseMaintenance

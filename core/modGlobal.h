#pragma once

#include <QString>

class QApplication;
class QLabel;

/** Program-wide state and the start of the program. */
namespace modGlobal
{
/** Runs the program: shows the start-up window and the event loop. */
int RunProgram(QApplication& app);

/** Shows a step's text followed by "..." on the start-up window's status
 *  label (when it is open) and lets the user interface catch up: pending
 *  repaints and input are handled before it returns. */
void ShowStatus(const QString& text);

/** The label ShowStatus writes to; the start-up window registers its own
 *  status label here, and it is forgotten when the label goes away. */
void SetStatusLabel(QLabel* label);

/**
 * Takes the working database for this run: holds the database's lock (which
 * replaces a lock of another database held before) and makes the user's data
 * folder and, when it has none yet, the working database in it
 * (WorkingDatabase::Make; a failure is told once per run and the start goes
 * on). False, after telling the user, when another running copy of the
 * program has the database open or its lock file cannot be used: the start
 * must then stop without touching the file. Taking the same database again
 * changes nothing. A database that is a link whose file cannot be found is
 * told once per run and left as it is: nothing is locked or made, and the
 * start goes on as for a missing database.
 */
bool TakeDatabaseForThisRun();

/**
 * Takes over an older installation's database at the first start: its
 * Tarrow.mdb (in the legacy folder) is copied beside the working database
 * (beside the file it points to, when it is a link),
 * given the trainers that only the working database knows (names compared
 * without regard to case; rows of the older file are never changed) and,
 * when it has none, the current booking-rate table; the result then replaces
 * the working database in one step. Nothing happens when there is no older
 * database. Throws VbError on any failure (another running copy holding the
 * working database among them), leaving the working database as it was.
 */
void ImportOldInstallation();
} // namespace modGlobal

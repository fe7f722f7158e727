#pragma once

#include <QString>

/*
 * State shared between the main window and the windows it opens (race view,
 * meeting downloader, form history, records). It lives in core so that none
 * of those windows has to link against the main window or against each other.
 */

// ---- The statistics request ------------------------------------------------
// Every opener of the statistics window sets the mode and the names of that
// mode just before showing it; the statistics loader reads and alters them.

/** "horse", "horse/jockey", "trainer", "trainer/jockey" or "jockey". */
extern QString gStatsMode;
/** The horse picked in a grid (also read by the rating and registration pages). */
extern QString gSelHorse;
extern QString gSelJockey;
extern QString gSelTrainer;
/** The trainer's name as the form database spells it, or empty. */
extern QString gSelFormTrainer;

// ---- Scratch and switches ----------------------------------------------------

/** Set by a grid mouse handler to whether its grid has a selected row and a
 *  selected column (both at least 1); tested at once by the same handler. */
extern bool gCellPicked;

/** The meeting list window's last "Use other source for Noms" value (0 or 1);
 *  0 at start and never stored in the settings. */
extern int gUseOtherSource;

/** The debug switch: off at every start, never stored in the settings. */
extern bool gDebugOn;
/** Full path of the debug file; empty until one is chosen, then kept for the
 *  rest of the run. */
extern QString gDebugFile;

// ---- What the main window shows, read by the windows it opens -------------------

/** The main window's public members that the race view reads. The main window
 *  refers to these same objects, so a value set there is seen here. */
struct MainWindowState
{
    /** Meeting code the race view opens on. */
    QString strMeetingCur;
    /** Race the race view opens on (0 = the whole meeting). */
    qint16 IntRace = 0;
    /** Stage of the field file imported last ("NOM", "WGT", "ACP", "N/A"), or
     *  empty before any import. */
    QString strMeetingType;
};
extern MainWindowState gMainState;

/** Clears every value above back to its start-of-run state (tests). */
void ResetSharedState();

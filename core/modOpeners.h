#pragma once

#include <QString>

#include <functional>

/*
 * The windows of the race view, downloader, form history and records
 * subsystems are opened through this table, so that a caller (the main
 * window, or one subsystem opening another's window) needs no link to the
 * library that holds the window. Each subsystem fills in its own entries with
 * its RegisterOpeners(); the program registers all of them at start-up and a
 * test registers what it needs (or a recorder of its own).
 *
 * Every opener shows its window modally and returns when it has closed. An
 * opener nobody registered tells the user that the window is not available
 * and returns at once.
 */

/** What the trainer editor is opened with: the trainer's name and the main
 *  window's contact boxes (used to prefill a trainer that has no row yet). */
struct TrainerEditRequest
{
    QString trainerName;
    QString location;
    QString phone;
    QString mobile;
};

/** What the trainer editor leaves behind for the trainer list's row. */
struct TrainerEditResult
{
    /** True when a Trainer row was added or updated. */
    bool saved = false;
    /** The row was new (added): a list row without comments keeps its icon. */
    bool added = false;
    /** The saved row has comments (the list shows the comments icon). */
    bool hasComments = false;
    /** The saved row's ignore flag. */
    bool ignoreTrainer = false;
    /** The saved contact fields, copied back into the contact boxes. */
    QString location;
    QString phone;
    QString mobile;
};

struct WindowOpeners
{
    /** FrmRace, on gMainState.strMeetingCur / gMainState.IntRace. */
    std::function<void()> raceView;
    /** FrmRaceStats, on gStatsMode and the gSel* names of that mode. */
    std::function<void()> raceStats;
    /** frmSelectMeeting::OpenSelect (the meeting list and download). */
    std::function<void()> selectMeeting;
    /** FrmSelHorse, the remote horse search. */
    std::function<void()> selectHorse;
    /** frmJockey::OpenJockey(JockeyName): empty for all jockeys. */
    std::function<void(QString& jockeyName)> jockeyRecords;
    /** frmEditTrainer. */
    std::function<TrainerEditResult(const TrainerEditRequest&)> editTrainer;
    /** frmBookRate, the booking-rates table. */
    std::function<void()> bookRates;
    /** frmBookingTemplate, the booking-templates table. */
    std::function<void()> bookingTemplates;
    /** frmSelectDate::OpenSelect(Jockey), the invoice window. */
    std::function<void(QString& jockey)> jockeyInvoice;
};

namespace modOpeners
{
/** The one table of the process. */
WindowOpeners& Openers();

void OpenRaceView();
void OpenRaceStats();
void OpenSelectMeeting();
void OpenSelectHorse();
void OpenJockeyRecords(QString& jockeyName);
TrainerEditResult OpenEditTrainer(const TrainerEditRequest& request);
void OpenBookRates();
void OpenBookingTemplates();
void OpenJockeyInvoice(QString& jockey);
} // namespace modOpeners

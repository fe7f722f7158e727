#pragma once

#include "mainwindow/FieldFileParser.h"

#include <QString>
#include <QStringList>

#include <functional>

/**
 * The import of downloaded field files: the "Add Data" button of the main
 * window. Each chosen file replaces its meeting's Meeting, Race and Noms rows
 * (bookings stay) and every runner stored is checked against the manager's
 * bookings; the bookings whose horse is not in the new field are then listed
 * in one message and kept.
 *
 * A file is read and checked whole, and its track looked up, before anything
 * is written; the old rows are then replaced in one transaction. A file that
 * cannot be read, is not a field file or cannot be stored leaves the database
 * as it was, and the user is told which file (and which line) is at fault.
 *
 * Nothing here knows the main window: it hands its state and reloads over as
 * a Target.
 */
namespace FieldFileImport
{
/** What the import reads and sets of the window that runs it. */
struct Target
{
    /** Set to the meeting code and stage of each file once it is imported. */
    QString* strMeetingCur = nullptr;
    QString* strMeetingType = nullptr;
    /** The file being imported, and the folder of a multi-file choice. */
    QString* importFilePath = nullptr;
    QString* importFolder = nullptr;
    /** Reloads run once after the chosen files (the trainer list, then the
     *  meetings grid). */
    std::function<void()> loadTrainerGrid;
    std::function<void()> loadMeetingGrid;
};

/** The check of one stored runner against the bookings (rider, meeting code,
 *  horse, stage, weight in tenths). It is asked about each runner whose horse
 *  holds a booking at the meeting (for any other there is nothing to check). */
using BookingCheck = std::function<void(const QString& rider, const QString& meetingCode, const QString& horse,
                                        const QString& stage, qint16 weight)>;

/** Replaces the bookings check (tests); an empty function restores the
 *  program's own (modJockey::CheckBookingsOnAcceptance). */
void SetBookingCheck(BookingCheck check);

/** How one file's import ended. */
enum class Outcome
{
    Imported,
    BadName, // no extension: "Invalid For Convert"
    Failed,  // unreadable, not a field file, lookup or database failure
};

/** The open-file dialog's title and its filters (Qt name-filter list). */
QString DialogTitle();
QString DialogFilter();

/**
 * The Add Data button: asks for one or several field files and imports each
 * in the order given. One file also makes its folder the AddDataPath setting.
 * Afterwards plays "Bubble.wav" (when a file was imported) and reloads the
 * trainer list and the meetings grid. A cancelled dialog does nothing.
 * @return the number of files imported
 */
int Run(const Target& target);

/**
 * Imports one file: meeting code and stage from its name, then the file.
 * Sets the target's meeting code and stage when the file is imported.
 */
Outcome ImportFile(const QString& path, const Target& target);

/**
 * Writes a parsed file as the meeting `meetingCode`: deletes the meeting's
 * Noms, Race and Meeting rows and inserts the new ones, in one transaction
 * (rolled back on failure, which reaches the caller as VbError).
 */
void WriteMeeting(const QString& meetingCode, const QString& stage, const QString& state, const QString& meetType,
                  const FieldFileParser::Result& parsed);
} // namespace FieldFileImport

#include "mainwindow/DatabaseMaintenance.h"

#include "core/DatabaseLock.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "mainwindow/Main.h"
#include "platform/FileSync.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

#include <sys/stat.h>


namespace DatabaseMaintenance
{
namespace
{
const QString kDatabaseFile = QStringLiteral("Tarrow.mdb");

// The folder part of a chosen path (everything before its last "/"), or
// nothing when the path names no folder.
std::optional<QString> folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    return path.left(slash);
}

// True when both paths reach the same file on disk: the same real path once
// links, "." and ".." are resolved, or the same inode (a hard link).
bool sameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (fa.canonicalFilePath() == fb.canonicalFilePath())
        return true;
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Copies `source` over `target` through a file written beside the target and
// renamed over it once complete. Empty on success, else what went wrong.
QString copyFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    // Unbuffered: a buffered tail that the disk takes only in part would be
    // dropped silently when the copy is committed.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return out.errorString();
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        // The reason (a full disk, say) is taken before giving the copy up
        // replaces it with "Writing canceled by application".
        if (!FileSync::writeAll(out, chunk)) {
            const QString why = out.errorString();
            out.cancelWriting();
            return why;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return in.errorString();
    }
    if (!out.commit())
        return out.errorString();
    return QString();
}

void reportFailure(const QString& command, const QString& description)
{
    Prompts::MsgBox(command + QStringLiteral(" could not be completed. ") + QLatin1Char('\r') + description,
                    Prompts::vbCritical, command);
}

// Runs `work` inside one transaction on the local database; on failure the
// transaction is rolled back and the user told which command failed.
template <typename Work> bool inTransaction(DaoDatabase& db, const QString& command, Work work)
{
    try {
        db.BeginTrans();
        work();
        db.CommitTrans();
        return true;
    } catch (const VbError& e) {
        try {
            if (db.InTransaction())
                db.Rollback();
        } catch (const VbError&) {
        }
        reportFailure(command, e.description());
        return false;
    }
}
} // namespace

void BackupDatabase()
{
    const QString target = Prompts::GetSaveFileName(QStringLiteral("Backup Velmora Database"), QString(),
                                                    gAppSettings.BackupPath, kDatabaseFile);
    if (target.isEmpty())
        return;
    const auto folder = folderOf(target);
    if (!folder)
        return;
    gAppSettings.BackupPath = *folder;

    const QString source = modDatabase::LocalDatabasePath();

    // Copying the database onto itself would destroy it, whatever the path
    // is called.
    if (sameFile(source, target)) {
        Prompts::MsgBox(QStringLiteral("Error You cannot backup to the same location and name as application ") + target,
                        Prompts::vbCritical, QStringLiteral("Backup error"));
        return;
    }
    // The database of another running copy of the program is never replaced
    // under it (its lock is the real file's, whichever link names it). A
    // target that is a link stays one: the file it points to is replaced.
    // Links that lead round in a loop reach no file: they are left as they
    // are.
    const DatabaseLock::ReplaceLock replacing(target);
    bool loops = false;
    const QString real = FileSync::realFile(target, &loops);
    const QString error =
        replacing.refused() ? QStringLiteral("The file is the database of another copy of Velmora that is open.")
        : loops ? QStringLiteral("The file is a link that cannot be followed: its links lead round in a loop and "
                                 "reach no file. The link has been left as it is.")
                : copyFile(source, real);
    if (!error.isEmpty()) {
        Prompts::MsgBox(QStringLiteral("Backup of Velmora Database to Location: ") + target
                            + QStringLiteral(" failed. ") + QLatin1Char('\r') + error,
                        Prompts::vbCritical, QStringLiteral("Backup error"));
        return;
    }
    Prompts::MsgBox(QStringLiteral("Backup of Velmora Database Completed to Location: ") + target, Prompts::vbOKOnly,
                    QStringLiteral("Backup Complete"));
}

void CompactAndRepairDatabase()
{
    modDatabase::CompactionFailure why;
    if (!modDatabase::CompactLocalDatabase(&why))
        Prompts::MsgBox(modDatabase::CompactionFailureMessage(why), Prompts::vbCritical, QStringLiteral("Critical Error"));
}

void RemoveUnwantedData()
{
    const QString command = QStringLiteral("Remove Unwanted Data");
    DaoDatabase db;
    try {
        db = modDatabase::OpenLocalDatabase();
    } catch (const VbError& e) {
        reportFailure(command, e.description());
        return;
    }
    if (Prompts::MsgBox(QStringLiteral("Select Yes to Remove old Data, or No to Cancel"),
                        Prompts::vbYesNo | Prompts::vbQuestion, QStringLiteral("Confirm Remove Old data"))
        != Prompts::vbYes)
        return;

    // NOT EXISTS (not NOT IN) so that runners and races with no meeting code
    // at all go too.
    const bool done = inTransaction(db, command, [&db] {
        db.Execute(QStringLiteral("DELETE FROM Meeting WHERE NOT DisplayMeeting"));
        db.Execute(QStringLiteral("DELETE FROM Noms WHERE NOT EXISTS "
                                  "(SELECT 1 FROM Meeting WHERE Meeting.MeetingCode = Noms.MeetingCode)"));
        db.Execute(QStringLiteral("DELETE FROM Race WHERE NOT EXISTS "
                                  "(SELECT 1 FROM Meeting WHERE Meeting.MeetingCode = Race.MeetingCode)"));
    });
    db.Close();
    if (done) {
        Prompts::MsgBox(QStringLiteral("All Non Current data has been Removed successfully"), Prompts::vbInformation,
                        QStringLiteral("Process Successfull"));
    }
}

bool DeleteMeetings(const QStringList& meetingCodes)
{
    const QString command = QStringLiteral("Delete Meeting");
    if (meetingCodes.isEmpty())
        return true;
    DaoDatabase db;
    try {
        db = modDatabase::OpenLocalDatabase();
    } catch (const VbError& e) {
        reportFailure(command, e.description());
        return false;
    }
    const bool done = inTransaction(db, command, [&] {
        for (const QString& code : meetingCodes) {
            db.Execute(QStringLiteral("DELETE FROM Noms WHERE MeetingCode = ?"), {code});
            db.Execute(QStringLiteral("UPDATE Meeting SET DisplayMeeting = 0 WHERE MeetingCode = ?"), {code});
        }
    });
    db.Close();
    return done;
}

bool ToggleDebug()
{
    if (gDebugOn) {
        gDebugOn = false;
        return false;
    }
    gDebugOn = true;
    const QString chosen = Prompts::GetSaveFileName(QStringLiteral("Build a debug File"), QString(),
                                                    gAppSettings.DebugPath, QStringLiteral("debug.txt"));
    if (const auto folder = folderOf(chosen)) {
        gAppSettings.DebugPath = *folder;
        gDebugFile = chosen;
    }
    return true;
}

void ResetRaceWindow()
{
    gAppSettings.RaceTop = 0;
    gAppSettings.RaceLeft = 0;
    // A failed save tells the user itself, with the reason.
    gAppSettings.SaveSettings();
}
} // namespace DatabaseMaintenance

// ---- The main window's maintenance menu commands ----------------------------

void Main::mnuBackupDatabase_Click()
{
    DatabaseMaintenance::BackupDatabase();
}

void Main::mnuRepairDB_Click()
{
    DatabaseMaintenance::CompactAndRepairDatabase();
}

void Main::mnuRemove_Click()
{
    DatabaseMaintenance::RemoveUnwantedData();
}

void Main::mnuDeleteMeeting_Click()
{
    // The same selection the Refresh button reads.
    DatabaseMaintenance::DeleteMeetings(SelectedMeetingCodes());
    LoadMeetingGrid();
    cmdReload_Click();
}

void Main::mnudebugtoggle_Click()
{
    mnudebugtoggle->setChecked(DatabaseMaintenance::ToggleDebug());
}

void Main::mnuResetRace_Click()
{
    DatabaseMaintenance::ResetRaceWindow();
}

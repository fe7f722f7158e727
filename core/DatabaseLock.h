#pragma once

#include <QString>

#include <functional>
#include <memory>

/**
 * One running copy of the program per database. A copy works on a database
 * only while it holds the system lock (flock) on "Tarrow.mdb.lock" beside it;
 * the system lets it go when the copy ends, however it ends. A lock file is
 * never removed while another process may hold it or be about to take it:
 * whoever takes the system lock checks afterwards that the file it locked is
 * still the one beside the database, so starts that interleave in any way
 * leave exactly one copy holding it.
 */
namespace DatabaseLock
{
/** What trying to take a database's lock found. */
enum class Outcome
{
    Held,          // ours until released
    OpenElsewhere, // a live copy of the program holds it
    NotPossible,   // there is no lock file and none can be made (a read-only or missing folder)
    Unusable,      // a lock file is there, but this copy can neither open nor lock it
};

/** The lock file of the database file `dbPath` ("<file>.lock" beside it, by
 *  the folder's real path, so two spellings of one folder share it). For a
 *  link it is the lock of the file the link points to, beside that file. */
QString LockFileFor(const QString& dbPath);

/** A lock on one database file, held from a successful take() until the
 *  object goes: then the lock file is removed (while still held) and the
 *  system lock given back. */
class FileLock
{
public:
    explicit FileLock(const QString& dbPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Outcome take();
    bool isHeld() const { return m_fd >= 0; }
    QString lockFile() const { return m_lockFile; }
    /** The system's reason when take() found the lock Unusable. */
    QString reason() const { return m_reason; }

private:
    QString m_lockFile;
    QString m_reason;
    int m_fd = -1;
};

/**
 * Takes the lock of `dbPath` for the rest of the run, in place of the one the
 * run held before (which is given back only once the new one is held).
 * Taking the lock the run already holds changes nothing. When the outcome is
 * not Held nor NotPossible, the run keeps the lock it had; `reason` receives
 * the system's reason for Unusable.
 */
Outcome TakeForRun(const QString& dbPath, QString* reason = nullptr);

/** True when the run holds the lock of `dbPath`. */
bool HeldByRun(const QString& dbPath);

/** Makes `lock` (held, or null for none) the run's lock; the one held before
 *  is given back afterwards. */
void AdoptForRun(std::unique_ptr<FileLock> lock);

/** Gives the run's lock back (the end of the run). */
void ReleaseRun();

/** The message for a start refused because another copy holds `dbPath`. */
QString OpenElsewhereMessage(const QString& dbPath);

/** The message for a change of database refused because another copy holds
 *  `dbPath`; this copy goes on with `current`. */
QString SwitchRefusedMessage(const QString& dbPath, const QString& current);

/** The message for a lock file that cannot be used (`reason`: the system's
 *  words); `stops` says whether this copy stops (a start) or goes on with the
 *  database it has (a change of database). */
QString UnusableMessage(const QString& dbPath, const QString& reason, bool stops);

/**
 * Holds the lock of the database file `dbPath` for one operation that
 * replaces the file (compaction, backup, take-over), unless this run holds it
 * already. refused() says that another running copy of the program has the
 * file open: it must then be left alone. Where no lock can be made the
 * operation itself is left to find out that it cannot write there either.
 */
class ReplaceLock
{
public:
    explicit ReplaceLock(const QString& dbPath);
    ~ReplaceLock();
    ReplaceLock(const ReplaceLock&) = delete;
    ReplaceLock& operator=(const ReplaceLock&) = delete;
    bool refused() const { return m_refused; }

private:
    std::unique_ptr<FileLock> m_lock;
    bool m_refused = false;
};

/** (for testing) Called in take() after the lock file was opened and before
 *  it is locked, so a test can let another start run at that very moment.
 *  An empty function removes it. */
void SetBeforeLockHookForTesting(std::function<void()> hook);
} // namespace DatabaseLock

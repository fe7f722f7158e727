#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

/**
 * Durable replacement of a database file: the new file is flushed to disk,
 * renamed over the old one in one step, and the folder flushed so the
 * rename itself survives a power cut.
 */
namespace FileSync
{
/** The file `path` reaches: `path` itself, or, for a symbolic link, the file
 *  at the end of it (through any further links), whether or not that file
 *  exists. Each link is followed as the system follows it: its target is
 *  read from the real place of the folder that holds it, so a `..` climbs
 *  out of the folder a linked folder leads to. Whatever replaces a file
 *  works on this path, in its folder, so that a link stays a link and the
 *  file it points to changes. Links that lead round in a loop reach no
 *  file: `loops` is then set, and the path returned is one of the loop's
 *  links, which does not exist as a file. */
QString realFile(const QString& path, bool* loops = nullptr);

/** Flushes a file (or, with `directory`, a folder's entries) to disk; false
 *  when it cannot be opened or flushed. */
bool toDisk(const QString& path, bool directory = false);

/** Gives `replacement` the permissions of the file `replaced` that it is
 *  to take the place of (a database kept private stays private, a
 *  read-only one read-only), or the owner's alone (0600) when there is no
 *  such file. False when they cannot be set. */
bool takeModeOf(const QString& replaced, const QString& replacement);

/** Renames `from` over `to` in one step (readers see the old file or the
 *  new one, never neither) and flushes the folder; false when the rename
 *  fails. */
bool replace(const QString& from, const QString& to);

/** The journal SQLite keeps beside the database file `path` (its -journal,
 *  or its -wal) when one lies there; empty when there is none. It belongs
 *  to that name's last database even when the file itself is gone. */
QString journalBeside(const QString& path);

/** Removes a database file and the rollback journal SQLite may have left
 *  beside it. */
void removeWithJournal(const QString& path);

/** Writes all of `data` to `device`, going on after a short write: a disk
 *  that is full (or a file at its size limit) then refuses the next write,
 *  and the device's errorString() gives that reason. False unless
 *  everything was written. */
bool writeAll(QIODevice& device, const QByteArray& data);
} // namespace FileSync

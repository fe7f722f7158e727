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
 *  exists. Whatever replaces a file works on this path, in its folder, so
 *  that a link stays a link and the file it points to changes. */
QString realFile(const QString& path);

/** Flushes a file (or, with `directory`, a folder's entries) to disk; false
 *  when it cannot be opened or flushed. */
bool toDisk(const QString& path, bool directory = false);

/** Renames `from` over `to` in one step (readers see the old file or the
 *  new one, never neither) and flushes the folder; false when the rename
 *  fails. */
bool replace(const QString& from, const QString& to);

/** Removes a database file and the rollback journal SQLite may have left
 *  beside it. */
void removeWithJournal(const QString& path);

/** Writes all of `data` to `device`, going on after a short write: a disk
 *  that is full (or a file at its size limit) then refuses the next write,
 *  and the device's errorString() gives that reason. False unless
 *  everything was written. */
bool writeAll(QIODevice& device, const QByteArray& data);
} // namespace FileSync

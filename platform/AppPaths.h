#pragma once

#include <QString>

/**
 * Where the program finds its own files. The program's folder holds the
 * template database and the sound files; it is the executable's folder
 * unless VELMORA_APP_DIR names another (tests). The program never writes
 * its scratch files there: an installed program's folder is not the user's
 * to write.
 * The user's working database lives in the user's data folder, never in a
 * file the build writes; a folder named by VELMORA_APP_DIR is self-contained
 * and keeps its own.
 */
namespace AppPaths
{
/** The program's folder, without a trailing separator. */
QString appDir();

/** True when VELMORA_APP_DIR names the program's folder: a self-contained
 *  folder (tests, trying the program out) that keeps its own working
 *  database, apart from the user's data. */
bool appDirIsSelfContained();

/** The user's data folder (Qt's AppDataLocation, by default
 *  ~/.local/share/Velmora), without a trailing separator. */
QString dataDir();

/** The folder for the program's scratch files (the rating page): the
 *  user's cache folder ($XDG_CACHE_HOME/Velmora, by default
 *  ~/.cache/Velmora), made if missing. Without a trailing separator.
 *  `error`, when given, gets the system's reason the folder could not be
 *  made ("Permission denied"...), or an empty text. */
QString scratchDir(QString* error = nullptr);

/** The working database's folder when none is set: the program's folder
 *  when it is self-contained, otherwise the user's data folder. */
QString defaultDatabaseDir();

/** True when both paths name the same folder (links, "." and ".." resolved
 *  where the folders exist; a trailing separator does not count). */
bool sameFolder(const QString& a, const QString& b);

/** (for testing) Stands in for the executable's folder while VELMORA_APP_DIR
 *  is not set; an empty text restores the executable's folder. */
void setExecutableDirForTesting(const QString& dir);

/** The older installation's fixed folder used by the first-start migration
 *  (VELMORA_LEGACY_DIR overrides it), with a trailing "/". */
QString legacyDir();

/** The registry store file: VELMORA_REGISTRY, else
 *  $XDG_CONFIG_HOME/Velmora/registry.json. */
QString registryFile();

/** Joins a folder and a file name with exactly one "/" between them. */
QString join(const QString& dir, const QString& name);

/** The path of an existing file named `name` in `dir`, matching the name
 *  without regard to letter case ("Error.Wav" finds "error.wav"); the plain
 *  joined path when no such file exists. */
QString findFileNoCase(const QString& dir, const QString& name);
} // namespace AppPaths

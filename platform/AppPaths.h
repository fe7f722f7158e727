#pragma once

#include <QString>

/**
 * Where the program finds its own files. The program's folder holds the
 * template database, the sound files and the generated "display.html"; it is
 * the executable's folder unless VELMORA_APP_DIR names another (tests).
 */
namespace AppPaths
{
/** The program's folder, without a trailing separator. */
QString appDir();

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

#pragma once

#include <QString>

/**
 * Plays a wave file without holding up the caller. Silent when the file is
 * missing or the machine has no audio output.
 */
namespace Sound
{
/** Starts playing `path` (looked up without regard to the file name's letter
 *  case). Returns false when the file does not exist; true when it was handed
 *  to playback (or there is no audio output to play it on). Never waits. */
bool play(const QString& path);

/** Switches real playback off (tests); play() still answers as above. */
void setMuted(bool muted);

/** The paths passed to play() since the last clearHistory(), for tests. */
QStringList history();
void clearHistory();
} // namespace Sound

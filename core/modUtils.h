#pragma once

#include <QColor>
#include <QString>
#include <QVariant>


/** Small routines that several windows share. */
namespace modUtils
{
/** Starts playing a wave file; never waits for it (the sound must not hold
 *  up the caller). False when the file does not exist. */
bool PlayWave(const QString& path, bool async = true);

/** Plays one of the program's sound files from the program's folder. */
bool PlayAppSound(const QString& fileName);

/** English ordinal suffix: "st", "nd", "rd", "th"; empty for 0 and below. */
QString OrdinalSuffix(qint16 n);

/** The text after the last blank (the whole text when it has none). */
QString LastWord(const QString& text);

/** Removes characters below code 32, keeping CR and LF when asked. */
QString StripControlChars(const QString& text, bool keepLineBreaks);

/** Name of a Windows version from its platform id, major, minor and build;
 *  empty when it is none of the known ones. */
QString WindowsVersionName(int platformId, int major, int minor, int build);

/** The name of the running Windows version: there is none on this system, so
 *  it answers as for an unknown version (empty). */
QString GetWindowsVersionName();

/** Sort rank of a race class. Cuts `code` to its first three characters (the
 *  caller sees the shortened code) and ranks it: a benchmark class "70B"
 *  gives 111 - 70, the table codes G1..MDN their rank, anything else 999. */
qint16 GetClassRank(QString& code);

/** Numeric value of a text, the way the program has always read numbers
 *  typed or stored as text: leading digits with sign, decimal point and
 *  exponent, "&H" hex and "&O" octal, blanks ignored; 0 when none. */
double Val(const QString& text);

/** A field's value as text: "" for Null (or no value at all). */
QString TextOf(const QVariant& value);

/** Each word with its first letter in upper case and the rest in lower. */
QString ProperCase(const QString& text);

/** A Windows colour number (0x00BBGGRR, or a system colour 0x800000nn) as a
 *  colour; an invalid colour for -1 and numbers that are neither. */
QColor WinColor(qint64 color);

/** A colour as a Windows colour number (0x00BBGGRR). */
qint32 ToWinColor(const QColor& color);
} // namespace modUtils

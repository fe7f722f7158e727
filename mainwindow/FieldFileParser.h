#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

/**
 * Reader of the field files that the racing services bureau publishes for a
 * meeting at each stage (nominations, weights, acceptances).
 *
 * Pure: bytes in, meeting, races and runners out, or the first fault with its
 * line number. Nothing here touches the database or the user interface, so the
 * importer can check a whole file before it changes any stored row.
 *
 * The format is a text file of records, one a line, positions counted from 1:
 * characters 1-2 the race number ("00" on the meeting record), 3-4 the runner
 * number, 3-6 the race-level kind ("0010" header, "0011".."0039" race text),
 * 5-7 the runner-level kind ("400" runner, "500" breeding, "600" owners,
 * "700" trainer), and from character 8 the fields, separated by "<".
 */
namespace FieldFileParser
{
/** The meeting record. */
struct Meeting
{
    QString location; // field 8
    QString details;  // field 6, a blank, field 7
    QDate date;       // the last 8 characters of field 3, day/month/year
    int line = 0;
};

/** One race header that was followed by at least one runner-level record. */
struct Race
{
    int raceNumber = 0;
    QString raceCode;           // first 20 characters of field 18, a blank, field 17
    QString details;            // fields 0, 4, 11, the field limit, then CR + each race text line
    QString distance;           // field 18
    std::optional<QTime> time;  // start time, when the header gives one
    bool apprClaim = false;     // field 5 = "C"
    int line = 0;
};

/** One stored runner: a "700" trainer record with a trainer name, together
 *  with the values gathered from the "400", "500" and "600" records before it. */
struct Runner
{
    int raceNumber = 0; // characters 1-2 of the "700" line
    QString raceCode;   // the code of the last race header
    QString trainerName;
    QString phone;
    QString trainerLocation;
    QString horse;
    QString horseClass;
    int weight = 0; // tenths of a kilogram
    QString form;
    QString rating; // the numeric value, as decimal text
    QString jockey;
    QString horseType;
    QString blood1, blood2, blood3;
    QString owners;
    QString horseDob; // empty: not given
    QString ballot;
    int barrier = 0;
    int entryNo = 0;
    QString eorb;
    QString horseName;
    int line = 0;
};

} // namespace FieldFileParser

// Plain values (texts and numbers): lists of them may move them in memory.
Q_DECLARE_TYPEINFO(FieldFileParser::Race, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(FieldFileParser::Runner, Q_RELOCATABLE_TYPE);

namespace FieldFileParser
{
/** A whole file, or the first fault found in it. */
struct Result
{
    bool ok = false;
    int errorLine = 0; // 1-based; 0 when the fault is not on one line
    QString error;     // what is wrong, in words for the user (without the line number)
    Meeting meeting;
    QList<Race> races;
    QList<Runner> runners;
};

/** What a file's name says: the meeting code (the base name, blanks trimmed,
 *  letter case kept), the extension and the stage it gives. */
struct FileName
{
    bool valid = false;
    QString meetingCode;
    QString extension;
    QString stage; // "NOM", "WGT", "ACP" or "N/A"
};

/** Text of the file: UTF-8 when the bytes are valid UTF-8 (a byte-order mark
 *  is dropped), otherwise Windows-1252. */
QString decodeText(const QByteArray& bytes);

/**
 * Reads a whole field file.
 * @param bytes the file's contents
 * @param stage the stage the file's name gives; acceptances ("ACP") work out
 *              the emergency and barrier-blocked markers
 */
Result parse(const QByteArray& bytes, const QString& stage);

/** parse() on text already decoded. Lines end with LF or CR LF. */
Result parseText(const QString& text, const QString& stage);

/** The stage of an extension, compared exactly: DFN/DGN/DNP "NOM",
 *  DFW/DGW/DNW "WGT", DFA/DNA/DGA "ACP", anything else "N/A". */
QString stageFromExtension(const QString& extension);

/** Meeting code, extension and stage from a file path. Only the file's own
 *  name counts (a dot in a folder name is not an extension); a name with no
 *  extension, a name that begins with its dot, and a name whose code is
 *  empty are not valid. */
FileName splitFileName(const QString& path);

/** The track code of a meeting code: its characters from the fifth on. */
QString trackCode(const QString& meetingCode);

/** The horse name matched against results: the published name up to its
 *  first "(" (a blank before it stays), or the whole name when "(" is the
 *  first character or absent, in upper case. */
QString horseNameOf(const QString& horse);

/** Day/month/year date from the last 8 characters of a text ("dd/mm/yy"),
 *  two-digit years being 2000 + yy. */
std::optional<QDate> dateOf(const QString& field);
} // namespace FieldFileParser

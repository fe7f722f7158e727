#pragma once

#include "platform/Grid.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

/*
 * The statistics of a horse, jockey or trainer from the remote form database,
 * without any window: the request (mode and names) becomes the SQL text, and
 * the reply text becomes the history rows, the spell marks and the summary
 * figures. FrmRaceStats puts the result on screen.
 */
namespace FormStats
{
// ---- The history grid's columns -------------------------------------------------

/** One column of the history grid, in the order the grid adds them. */
struct ColumnSpec
{
    const char* key;
    const char* caption;
    int width;                  // pixels; -1 the grid's default
    Qt::Alignment headerAlign;  // caption alignment
    bool visible;
    Grid::SortType sortType;
    Qt::Alignment cellAlign;    // how the loader writes the column's cells
};

/** Number of history columns (the last is the row-text column "Spell"). */
constexpr int kColumnCount = 29;
/** The 28 ordinary columns; "Spell" (29) is added by the window with the sum
 *  of the widths of columns 2 to 26 as its width. */
const std::array<ColumnSpec, kColumnCount - 1>& Columns();
/** Column number (1-based) of a key, 0 when none. */
int ColumnOf(const QString& key);

constexpr int kColFP = 1;            // hidden bare finishing position
constexpr int kColRaceDate = 2;
constexpr int kColFinishPosition = 4;
constexpr int kColSpell = 29;

/** The summary grid's ten column keys, which are also its headings. */
const QStringList& SummaryKeys();
/** Background colour (Windows colour number) of a summary heading. */
qint64 SummaryHeadingColor(int col);

// ---- The request ---------------------------------------------------------------

/** What the openers leave in the shared globals, as the loader reads them. */
struct Request
{
    QString mode;        // "horse", "trainer", "trainer/jockey", "jockey", "horse/jockey"
    QString horse;
    QString trainer;
    QString formTrainer; // the trainer's name as the form database spells it, or empty
    QString jockey;
    QString jockeyInList; // the managed jockeys' IN-list
};

/** What the window shows and sends for one request. */
struct Prepared
{
    /** False for a mode outside the five: nothing is shown or sent. */
    bool knownMode = false;
    /** A managed-jockey mode with no managed jockeys: nothing is sent. */
    bool noManagedJockeys = false;
    QString captionSuffix; // appended to "Racing Statistics"
    QString label;         // lblStatsDesc
    bool showHorse = false;
    bool showTrainer = false;
    bool showJockey = true;
    QString where;
    QString sql;           // empty when nothing is to be sent
};

/**
 * Forms the caption, label, column visibility and SQL of a request, and
 * alters the request as the statistics window always has: the horse is cut
 * before a "(" standing at its second character or later and is quoted for
 * remote SQL, the trainer and a used form trainer are quoted for remote SQL,
 * the form trainer is emptied in the trainer modes, and in the two
 * managed-jockey modes the jockey becomes "All Managed Jockeys" or the one
 * listed name.
 *
 * Names are sent quoted for remote SQL (quotes and backslashes doubled,
 * modDatabase::RemoteSqlQuote) and otherwise as they are (the address is
 * percent-encoded as a whole, so "&" needs nothing of its own).
 */
Prepared Prepare(Request& request);

/** The whole query text around a WHERE condition. */
QString QueryText(const QString& where);

/** The number of rows the query asks for (its LIMIT): the most a reply is
 *  read for. */
constexpr int kMaxRows = 90;
/** The fields of each reply row: the run's 17, its race's 19, then the
 *  winner, second and third. */
constexpr int kReplyFields = 39;

// ---- The reply -------------------------------------------------------------------

enum class Mark
{
    None,
    Freshen, // 31 to 60 days to the more recent run
    Spell,   // 61 days or more
};

/** One history row: the texts of columns 1 to 29 and how to draw them. */
struct Row
{
    QStringList cells;       // kColumnCount texts, index = column - 1
    QDate date;              // the run's race date
    qint64 textColor = -1;   // the track condition's colour; -1 the grid's default
    Mark mark = Mark::None;  // the mark in the "Spell" column (its text is in cells)
};

/** Counts per category: starts, firsts, seconds, thirds. */
using Counts = std::array<std::array<int, 4>, 9>;

struct Result
{
    QList<Row> rows;
    Counts counts{};
    /** "Last Start": the newest run's finishing position with its suffix. */
    QString lastStart;
    /** Reply pieces that were not written (too few fields, unreadable date). */
    int skipped = 0;

    /** The figure of a category (1..9): "starts:firsts-seconds-thirds". */
    QString figure(int category) const;
};

/** Adds one run to a category (1..9): a start, and a first, second or third
 *  for a position of 1, 2 or 3. */
void AddStatResult(Counts& counts, int category, int position);

/** Summary grid column of a category (1..9): 1, 2, then 4..10 ("Last Start"
 *  sits in column 3). */
int SummaryColumn(int category);

/**
 * Reads a reply (not an "Error:" text) into rows and counters; only its
 * first kMaxRows rows are read, whatever the server sent. Rows are
 * pieces between "<br>" marks, trimmed of their line breaks; a piece with
 * fewer than three fields, or whose race date cannot be read, is skipped.
 * A second row of the same run (same date, race, horse and track: a dead heat
 * for first or second) is merged into the row written before it as "=" and
 * the other placegetter. Spells are marked only in mode "horse".
 */
Result ReadReply(const QString& mode, const QString& reply);

/** The leading-number value of a text as the cells show it ("56.5", "0"). */
QString NumberText(double value);
} // namespace FormStats

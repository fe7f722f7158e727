#pragma once

#include <QString>

/**
 * The user's working database in the data folder, made from the program
 * folder's template database.
 */
namespace WorkingDatabase
{
/**
 * Makes the working database in the user's data folder when it is missing
 * there, or when it is a file of at most one page holding no table (all that
 * an interrupted or broken first start can have left): a copy of the program
 * folder's Tarrow.mdb made through SQLite (so an interrupted change beside it
 * is rolled back first, never copied as raw bytes), which carries an earlier
 * version's data over. A template that SQLite cannot read, or that lacks the
 * program's tables, is never made into the working database. Any other
 * working database, damaged or not, is never overwritten, and nothing happens
 * for a self-contained program folder or a database folder of the user's
 * choosing, or when the program folder holds no database. False when the
 * database could not be made; `error` then holds the whole message for the
 * user: what could not be made, why, that nothing was changed, and what to
 * do.
 * A Tarrow.mdb that is a symbolic link is made where it points and stays a
 * link; nothing is made for a link whose file cannot be found or whose
 * links loop, nor beside the journal of an interrupted change to a database
 * of that name.
 */
bool Make(QString* error);
} // namespace WorkingDatabase

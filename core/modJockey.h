#pragma once

#include <QDate>
#include <QString>

#include <optional>

/** Jockey-related services: race statistics, the managed jockeys' lists,
 *  the schema upgrade and date reading. */
namespace modJockey
{
/** Reads a date written with "/" between its parts in the given order
 *  (pattern letters d, m and y, e.g. "dmy"). Two-digit years are 2000 + yy.
 *  No value when the text does not make a real date. */
std::optional<QDate> ParseDateText(const QString& text, const QString& pattern);

/** The number a program version is stored as: the text major "." minor
 *  revision read as a number (2.6.18 gives 2.618). */
float VersionNumber(int major, int minor, int revision);

/**
 * Brings the local database's columns and the ride index up to what this
 * program version uses, then stores this version in AppVersion and saves the
 * settings. Safe at every start: a column is added whenever it is missing,
 * re-declared only when the stored version is below the step's limit and its
 * kind really differs, and the index is made only when absent.
 * Failures before the FormTrainer column throw (the version is then not
 * stored and nothing is saved); later failures are passed over.
 */
void UpgradeSchema();
} // namespace modJockey

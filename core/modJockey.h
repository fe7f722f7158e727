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
} // namespace modJockey

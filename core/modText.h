#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

/**
 * Text helpers for reading web pages and old-style text records by fixed
 * markers and positions. Positions are 1-based, 0 means "not found", and no
 * helper ever reads outside its text: a start or length out of range gives
 * the part that exists (possibly nothing), never a fault.
 *
 * Only Qt Core is used here, so the page readers built on it can be compiled
 * alone (fuzz targets).
 */
namespace modText
{
/** Position of the first `sub` in `text` at or after `start`, or 0. A start
 *  below 1 counts as 1; an empty `sub` is found at `start` (when that lies in
 *  the text or just after it). */
qsizetype InStr(qsizetype start, const QString& text, const QString& sub);
/** InStr from position 1. */
qsizetype InStr(const QString& text, const QString& sub);
/** Position of the last `sub` that starts at or before `start` (the whole
 *  text when start is below 1), or 0. */
qsizetype InStrRev(const QString& text, const QString& sub, qsizetype start = -1);

/** Characters from `start` (1-based) to the end. */
QString Mid(const QString& text, qsizetype start);
/** Up to `length` characters from `start`; nothing for a length below 1. */
QString Mid(const QString& text, qsizetype start, qsizetype length);
/** The first `length` characters (all of a shorter text, none below 1). */
QString Left(const QString& text, qsizetype length);
/** The last `length` characters (all of a shorter text, none below 1). */
QString Right(const QString& text, qsizetype length);
/** The text between positions `from` and `to` inclusive (1-based). */
QString Between(const QString& text, qsizetype from, qsizetype to);

/** Splits like the old Split: `text` on every `sep`, keeping empty pieces;
 *  an empty text gives one empty piece. */
QStringList Split(const QString& text, const QString& sep);

/** Numeric value of a text: its leading number (blanks passed over, sign,
 *  decimals, exponent, "&H"/"&O" numbers), 0 when it starts with none. */
double Val(const QString& text);

/** True when the whole text (blanks around it allowed) is one decimal
 *  number: digits with an optional sign and decimal point. */
bool IsNumber(const QString& text);

/** A whole number written as the whole text (blanks around it allowed,
 *  optional sign); nothing for anything else or beyond 32 bits. */
std::optional<qint32> WholeNumber(const QString& text);

/** Rounds to the nearest whole number, a half to the even one. */
qint64 RoundHalfEven(double value);

/** Like the old `text > " "`: true when the text sorts after a single
 *  blank, that is, it is not empty and does not start with a blank or a
 *  control character. */
bool AfterBlank(const QString& text);

/**
 * A time of day as written by people: "1:30PM", "1:30 pm", "01:30:00 AM",
 * "13:30", "12:05PM" (12 PM is noon, 12 AM midnight). Blanks around it are
 * allowed. Nothing when it is not a time.
 */
std::optional<QTime> ParseTime(const QString& text);

/** The month number of an English month name or its first three letters
 *  ("Mar", "march", "SEPT" is not one); 0 when none. */
int MonthNumber(const QString& name);

/**
 * A date written day first: "05/Mar/24", "5-March-2024", "05/03/2030",
 * "5 Mar 2024", or ISO "2024-03-05". Two-digit years are 2000 + yy.
 * Nothing when it does not make a real date.
 */
std::optional<QDate> ParseDate(const QString& text);

/** The date as "dddd d mmmm yyyy" with English names ("Tuesday 5 March 2024"),
 *  whatever the system's language. */
QString LongDate(const QDate& date);
} // namespace modText

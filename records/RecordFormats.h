#pragma once

#include "platform/Currency.h"
#include "platform/DaoTableDef.h"

#include <QDate>
#include <QLineEdit>
#include <QString>

#include <functional>
#include <optional>

/** Display texts shared by the record windows and the table editors. */
namespace RecordFormats
{
/** "$#,##0.00": 1234.5 gives "$1,234.50"; a negative amount "-$5.00". */
QString MoneyText(double amount);
/** "$#,##0.00;($#,##0.00)": as MoneyText, a negative amount in brackets. */
QString FeeText(double amount);
/** "#0.00": 12.5 gives "12.50", 0.5 gives "0.50". */
QString RateText(double value);
/** "d/M/yy": 2024-03-05 gives "5/3/24". */
QString ShortDateText(const QDate& date);

/**
 * The one rule for money and dates typed into the records windows (the jockey
 * window's fees, the booking rates, the invoice's charges): a number money
 * can hold, not negative where a fee or rate is meant, at most kMaxMoney; a
 * real date from kFirstYear to kLastYear. Each Problem function gives the
 * message that names the field and the rule, or an empty text when the value
 * may be stored.
 */
/** The most any fee, rate or charge may be, in dollars. A jockey's fees and
 *  rates stay far below it, and sums of such amounts far inside what money holds. */
constexpr qint64 kMaxMoneyDollars = 10000000;
/** The years a date typed into the records windows may fall in. */
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2100;

/** A number as typed into an amount box: an optional sign, an optional "$",
 *  digits (commas only between groups of three) and an optional decimal part
 *  ("12.5", "$1,250.00", "-3", "$-3"). Nothing for any other text ("", "abc",
 *  "1e300", "12abc"). */
std::optional<double> ReadTypedNumber(const QString& text);

/** Whether typed money may be below zero: never for a fee or rate. */
enum class Sign
{
    NotNegative,
    MayBeNegative,
};
/** Why the text typed for the amount `caption` cannot be stored: not a
 *  number, negative where that is not allowed, or beyond kMaxMoneyDollars.
 *  Empty when it can (an empty text too: the caller decides what it means). */
QString MoneyProblem(const QString& caption, const QString& typed, Sign sign = Sign::NotNegative);
/** The amount of a text that MoneyProblem accepted; 0 for an empty text. */
Currency MoneyValue(const QString& typed);
/** A stored number as the user would type it: plain decimals, at most four,
 *  no trailing zeros, never an exponent (12.5 gives "12.5", 1e7 "10000000"). */
QString PlainNumberText(double value);
/** "$10,000,000.00": the limit as the messages write it. */
QString MaxMoneyText();

/** Why `date` cannot be stored for `caption`: nothing readable (std::nullopt
 *  or an invalid date), or a year outside kFirstYear to kLastYear. Empty when
 *  it can. */
QString DateProblem(const QString& caption, const std::optional<QDate>& date);

/** Why `text` cannot be stored in the column `caption` that holds at most
 *  `size` characters (no limit when `size` is 0); empty when it fits. */
QString TextProblem(const QString& caption, const QString& text, int size);

/** The size `table` declares for its text column `column`; 0 (no limit) for
 *  a column that is not text or not there. */
int TextColumnSize(const DaoTableDef& table, const QString& column);

/** TextProblem for the column `column` of the local table `table`, with the
 *  size the table declares for it. */
QString ColumnTextProblem(const QString& table, const QString& column, const QString& caption, const QString& text);

/** The invoice period's list texts in list order, and the codes beside them. */
const QStringList& PeriodTexts();
/** List text of a stored period code; "" for any other code (also "7"). */
QString PeriodTextOfCode(const QString& code);
/** Code of a list text; "" for a text that is none of the list's. */
QString PeriodCodeOfText(const QString& text);
} // namespace RecordFormats

/**
 * A line edit that shows its text through a display format while it does not
 * have the focus and the typed text while it does. text() always gives the
 * typed text (what the program reads and stores); an empty text shows empty.
 */
class FormattedLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using Formatter = std::function<QString(const QString& raw)>;

    explicit FormattedLineEdit(Formatter format, QWidget* parent = nullptr);

    /** The typed text, whatever is shown. */
    QString rawText() const { return m_raw; }
    /** Sets the typed text (and shows it formatted when not focused). */
    void setRawText(const QString& raw);
    /** At most `n` typed characters (the display text may be longer). */
    void setRawMaxLength(int n);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showFormatted();
    Formatter m_format;
    QString m_raw;
    bool m_showingFormatted = false;
};

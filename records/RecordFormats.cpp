#include "records/RecordFormats.h"

#include "core/modDatabase.h"

#include <QFocusEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <cmath>

namespace RecordFormats
{
namespace
{
// Digits of |amount| to two decimals with thousands commas ("1,234.50").
QString groupedAmount(double amount)
{
    const double cents = std::nearbyint(std::fabs(amount) * 100.0);
    const qint64 whole = static_cast<qint64>(cents / 100.0);
    const int rest = static_cast<int>(cents - static_cast<double>(whole) * 100.0);
    QString digits = QString::number(whole);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits + QLatin1Char('.') + QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
}

bool showsNegative(double amount)
{
    return std::nearbyint(std::fabs(amount) * 100.0) > 0 && amount < 0;
}

struct Period
{
    const char* code;
    const char* text;
};
constexpr Period kPeriods[] = {
    {" 7", "7 Days"}, {"14", "14 Days"}, {"28", "28 Days"}, {"MT", "Calender Month"}, {"HF", "Half Monthly"},
};
} // namespace

QString MoneyText(double amount)
{
    return (showsNegative(amount) ? QStringLiteral("-$") : QStringLiteral("$")) + groupedAmount(amount);
}

QString FeeText(double amount)
{
    if (showsNegative(amount))
        return QStringLiteral("($") + groupedAmount(amount) + QLatin1Char(')');
    return QStringLiteral("$") + groupedAmount(amount);
}

QString RateText(double value)
{
    return QString::number(value, 'f', 2);
}

QString ShortDateText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    return QStringLiteral("%1/%2/%3").arg(date.day()).arg(date.month()).arg(date.year() % 100, 2, 10, QLatin1Char('0'));
}

std::optional<double> ReadTypedNumber(const QString& text)
{
    // Sign before or after the dollar sign; commas only between digits of
    // the whole part; an optional decimal part. No exponent: "1e300" is a
    // slip of the keyboard, not an amount.
    static const QRegularExpression re(
        QStringLiteral("^([-+]?)\\s*(\\$?)\\s*([-+]?)(\\d{1,3}(?:,\\d{3})+|\\d*)(?:\\.(\\d*))?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    if (!m.captured(1).isEmpty() && !m.captured(3).isEmpty())
        return std::nullopt; // two signs
    QString whole = m.captured(4);
    const QString frac = m.captured(5);
    if (whole.isEmpty() && frac.isEmpty())
        return std::nullopt; // no digit at all ("", "$", ".")
    whole.remove(QLatin1Char(','));
    bool ok = false;
    const double v = ((whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.') + frac).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const bool negative = m.captured(1) == QLatin1String("-") || m.captured(3) == QLatin1String("-");
    return negative ? -v : v;
}

QString PlainNumberText(double value)
{
    QString t = QString::number(value, 'f', 4);
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t == QLatin1String("-0") ? QStringLiteral("0") : t;
}

QString MaxMoneyText()
{
    return MoneyText(static_cast<double>(kMaxMoneyDollars));
}

QString MoneyProblem(const QString& caption, const QString& typed, Sign sign)
{
    if (typed.trimmed().isEmpty())
        return QString();
    const std::optional<double> v = ReadTypedNumber(typed);
    if (!v)
        return caption + QStringLiteral(" must be an amount of money, such as 12.50.");
    if (*v < 0 && sign == Sign::NotNegative)
        return caption + QStringLiteral(" must not be negative.");
    // Compared as typed, before money is made of it: far beyond the limit
    // money itself would overflow.
    if (std::fabs(*v) > static_cast<double>(kMaxMoneyDollars))
        return caption + QStringLiteral(" must not be more than ") + MaxMoneyText() + QLatin1Char('.');
    return QString();
}

Currency MoneyValue(const QString& typed)
{
    const std::optional<double> v = ReadTypedNumber(typed);
    if (!v || std::fabs(*v) > static_cast<double>(kMaxMoneyDollars))
        return Currency();
    return Currency::fromDouble(*v);
}

QString DateProblem(const QString& caption, const std::optional<QDate>& date)
{
    if (!date || !date->isValid())
        return caption + QStringLiteral(" must be a real date, typed as day/month/year (for example 5/3/2024).");
    if (date->year() < kFirstYear || date->year() > kLastYear)
        return caption + QStringLiteral(" must be a date from %1 to %2.").arg(kFirstYear).arg(kLastYear);
    return QString();
}

QString TextProblem(const QString& caption, const QString& text, int size)
{
    if (size <= 0 || text.size() <= size)
        return QString();
    return caption +
           QStringLiteral(" can hold at most %1 characters; the text typed has %2.").arg(size).arg(text.size());
}

int TextColumnSize(const DaoTableDef& table, const QString& column)
{
    const DaoField* f = table.Field(column);
    return f && f->Type() == DaoType::Text ? f->Size() : 0;
}

QString ColumnTextProblem(const QString& table, const QString& column, const QString& caption, const QString& text)
{
    return TextProblem(caption, text, TextColumnSize(modDatabase::OpenLocalDatabase().TableDef(table), column));
}

const QStringList& PeriodTexts()
{
    static const QStringList texts = [] {
        QStringList t;
        for (const Period& p : kPeriods)
            t << QString::fromLatin1(p.text);
        return t;
    }();
    return texts;
}

QString PeriodTextOfCode(const QString& code)
{
    for (const Period& p : kPeriods)
        if (code == QLatin1String(p.code))
            return QString::fromLatin1(p.text);
    return QString();
}

QString PeriodCodeOfText(const QString& text)
{
    for (const Period& p : kPeriods)
        if (text == QLatin1String(p.text))
            return QString::fromLatin1(p.code);
    return QString();
}
} // namespace RecordFormats

FormattedLineEdit::FormattedLineEdit(Formatter format, QWidget* parent) : QLineEdit(parent), m_format(std::move(format))
{
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!m_showingFormatted)
            m_raw = t;
    });
}

void FormattedLineEdit::setRawText(const QString& raw)
{
    m_raw = raw;
    if (hasFocus())
    {
        m_showingFormatted = false;
        setText(raw);
    }
    else
    {
        showFormatted();
    }
}

void FormattedLineEdit::setRawMaxLength(int n)
{
    // Not QLineEdit's own limit: that would also cut the longer display text.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^.{0,%1}$").arg(n), QRegularExpression::DotMatchesEverythingOption), this));
}

void FormattedLineEdit::showFormatted()
{
    m_showingFormatted = true;
    setText(m_raw.isEmpty() ? QString() : m_format(m_raw));
}

void FormattedLineEdit::focusInEvent(QFocusEvent* event)
{
    if (m_showingFormatted)
    {
        m_showingFormatted = false;
        setText(m_raw);
    }
    QLineEdit::focusInEvent(event);
}

void FormattedLineEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    showFormatted();
}

#pragma once

#include <QMetaType>
#include <QString>

#include <cmath>
#include <cstdint>

/**
 * Money as a whole number of ten-thousandths (four decimals), so sums of fees
 * and rates add up exactly. Conversions from floating point and divisions
 * round half to even, as the stored money columns always have.
 */
class Currency
{
public:
    constexpr Currency() = default;

    /** The amount nearest to `value`, halves rounded to the even last digit. */
    static Currency fromDouble(double value)
    {
        const double scaled = value * 10000.0;
        // Work on the decimal text of the product so 0.00005 (really
        // 0.0000499999…) still counts as a half.
        double r = std::nearbyint(scaled); // the current mode is round-half-even
        const double diff = scaled - std::floor(scaled);
        if (std::fabs(diff - 0.5) < 1e-7) {
            const double lo = std::floor(scaled);
            r = (std::fmod(lo, 2.0) == 0.0) ? lo : lo + 1.0;
        }
        return fromRaw(static_cast<int64_t>(r));
    }
    static constexpr Currency fromRaw(int64_t tenThousandths)
    {
        Currency c;
        c.m_raw = tenThousandths;
        return c;
    }
    /** Reads a number written with "." as decimal point; 0 when none. */
    static Currency fromString(const QString& text) { return fromDouble(text.trimmed().toDouble()); }

    constexpr int64_t raw() const { return m_raw; }
    double toDouble() const { return static_cast<double>(m_raw) / 10000.0; }
    /** The amount with four decimals ("12.5000"). */
    QString toString() const;
    /** The amount as money: cents rounded half to even, thousands grouped
     *  ("$1,234.50", "-$3.05"). */
    QString toMoneyText() const;

    constexpr Currency operator+(Currency o) const { return fromRaw(m_raw + o.m_raw); }
    constexpr Currency operator-(Currency o) const { return fromRaw(m_raw - o.m_raw); }
    constexpr Currency operator-() const { return fromRaw(-m_raw); }
    Currency& operator+=(Currency o) { m_raw += o.m_raw; return *this; }
    Currency& operator-=(Currency o) { m_raw -= o.m_raw; return *this; }
    /** Product with a plain number, rounded half to even. */
    Currency operator*(double f) const { return fromDouble(toDouble() * f); }
    /** Quotient by a plain number, rounded half to even. */
    Currency operator/(double d) const { return fromDouble(toDouble() / d); }
    /** Rounded to `decimals` places (0..4), halves to even. */
    Currency rounded(int decimals) const;

    constexpr auto operator<=>(const Currency&) const = default;

private:
    int64_t m_raw = 0;
};

inline QString Currency::toString() const
{
    const int64_t a = m_raw < 0 ? -m_raw : m_raw;
    return QStringLiteral("%1%2.%3")
        .arg(m_raw < 0 ? QStringLiteral("-") : QString())
        .arg(a / 10000)
        .arg(a % 10000, 4, 10, QLatin1Char('0'));
}

inline QString Currency::toMoneyText() const
{
    const int64_t cents = rounded(2).raw() / 100;
    const int64_t a = cents < 0 ? -cents : cents;
    QString whole = QString::number(a / 100);
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    return QStringLiteral("%1$%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString(), whole)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

inline Currency Currency::rounded(int decimals) const
{
    if (decimals >= 4)
        return *this;
    int64_t unit = 1;
    for (int i = decimals; i < 4; ++i)
        unit *= 10;
    const int64_t sign = m_raw < 0 ? -1 : 1;
    const int64_t a = m_raw * sign;
    int64_t q = a / unit;
    const int64_t rem = a % unit;
    if (rem * 2 > unit || (rem * 2 == unit && (q % 2) != 0))
        ++q;
    return fromRaw(sign * q * unit);
}

Q_DECLARE_METATYPE(Currency)

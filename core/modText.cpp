#include "core/modText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace modText
{

qsizetype InStr(qsizetype start, const QString& text, const QString& sub)
{
    if (start < 1)
        start = 1;
    if (start > text.size() + 1)
        return 0;
    const qsizetype at = text.indexOf(sub, start - 1);
    return at < 0 ? 0 : at + 1;
}

qsizetype InStr(const QString& text, const QString& sub)
{
    return InStr(1, text, sub);
}

qsizetype InStrRev(const QString& text, const QString& sub, qsizetype start)
{
    if (start < 1 || start > text.size())
        start = text.size();
    if (sub.isEmpty())
        return start;
    // The match must start at or before `start` and fit in the text.
    const qsizetype at = text.lastIndexOf(sub, start - 1);
    return at < 0 ? 0 : at + 1;
}

QString Mid(const QString& text, qsizetype start)
{
    if (start < 1)
        start = 1;
    if (start > text.size())
        return QString();
    return text.mid(start - 1);
}

QString Mid(const QString& text, qsizetype start, qsizetype length)
{
    if (length < 1)
        return QString();
    if (start < 1) {
        // The part before position 1 does not exist; what is left of the
        // length starts at 1.
        length -= 1 - start;
        start = 1;
        if (length < 1)
            return QString();
    }
    if (start > text.size())
        return QString();
    return text.mid(start - 1, length);
}

QString Left(const QString& text, qsizetype length)
{
    return length < 1 ? QString() : text.left(length);
}

QString Right(const QString& text, qsizetype length)
{
    return length < 1 ? QString() : text.right(length);
}

QString Between(const QString& text, qsizetype from, qsizetype to)
{
    return Mid(text, from, to - from + 1);
}

QStringList Split(const QString& text, const QString& sep)
{
    if (sep.isEmpty())
        return {text};
    return text.split(sep, Qt::KeepEmptyParts);
}

double Val(const QString& text)
{
    // Blanks, tabs and line feeds are passed over anywhere in the text.
    QString t;
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            t += c;
    }
    if (t.startsWith(QLatin1Char('&')) && t.size() > 1) {
        const QChar kind = t[1].toUpper();
        int base = 0;
        if (kind == QLatin1Char('H'))
            base = 16;
        else if (kind == QLatin1Char('O'))
            base = 8;
        if (base) {
            qsizetype i = 2;
            auto isDigitOf = [base](QChar c) {
                const char ch = c.toLatin1();
                if (base == 8)
                    return ch >= '0' && ch <= '7';
                return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
            };
            while (i < t.size() && isDigitOf(t[i]))
                ++i;
            const QString digits = t.mid(2, i - 2);
            if (digits.isEmpty())
                return 0;
            bool ok = false;
            const qulonglong v = digits.toULongLong(&ok, base);
            if (!ok)
                return 0;
            // Up to four hex digits is a 16-bit number, up to eight a 32-bit
            // one, both signed: "&HFFFF" is -1.
            const int bits = base == 16 ? static_cast<int>(digits.size()) * 4 : static_cast<int>(digits.size()) * 3;
            if (bits <= 16 && v <= 0xFFFF)
                return static_cast<double>(static_cast<qint16>(static_cast<quint16>(v)));
            if (v <= 0xFFFFFFFFull)
                return static_cast<double>(static_cast<qint32>(static_cast<quint32>(v)));
            return static_cast<double>(v);
        }
    }
    // Longest leading part of the form [sign]digits[.digits][(E|D)[sign]digits].
    qsizetype i = 0;
    QString num;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        num += t[i++];
    bool digits = false;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128) {
        num += t[i++];
        digits = true;
    }
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        num += t[i++];
        while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128) {
            num += t[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < t.size() && (t[i].toUpper() == QLatin1Char('E') || t[i].toUpper() == QLatin1Char('D'))) {
        QString exp = QStringLiteral("e");
        qsizetype j = i + 1;
        if (j < t.size() && (t[j] == QLatin1Char('-') || t[j] == QLatin1Char('+')))
            exp += t[j++];
        bool expDigits = false;
        while (j < t.size() && t[j].isDigit() && t[j].unicode() < 128) {
            exp += t[j++];
            expDigits = true;
        }
        if (expDigits)
            num += exp;
    }
    const double v = num.toDouble();
    return std::isfinite(v) ? v : 0;
}
bool IsNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits = true;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

std::optional<qint32> WholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        const bool sign = i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'));
        if (!sign && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return std::nullopt;
    }
    bool ok = false;
    const qint32 v = t.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

qint64 RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.0e18;
    if (value > limit)
        return static_cast<qint64>(limit);
    if (value < -limit)
        return static_cast<qint64>(-limit);
    const double fl = std::floor(value);
    const double diff = value - fl;
    double r = fl;
    if (diff > 0.5)
        r = fl + 1;
    else if (diff == 0.5)
        r = std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
    return static_cast<qint64>(r);
}

bool AfterBlank(const QString& text)
{
    return !text.isEmpty() && text[0].unicode() > 0x20;
}

std::optional<QTime> ParseTime(const QString& text)
{
    QString t = text.trimmed().toUpper();
    int half = 0; // 1 AM, 2 PM
    if (t.endsWith(QLatin1String("AM")))
        half = 1;
    else if (t.endsWith(QLatin1String("PM")))
        half = 2;
    if (half) {
        t.chop(2);
        t = t.trimmed();
    }
    const QStringList parts = t.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int v[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > 2)
            return std::nullopt;
        for (const QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        v[i] = p.toInt();
    }
    int h = v[0];
    if (half) {
        if (h < 1 || h > 12)
            return std::nullopt;
        if (half == 1 && h == 12)
            h = 0;
        else if (half == 2 && h != 12)
            h += 12;
    }
    const QTime time(h, v[1], v[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

int MonthNumber(const QString& name)
{
    static const char* const names[] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};
    const QString n = name.trimmed().toLower();
    if (n.size() < 3)
        return 0;
    for (int i = 0; i < 12; ++i) {
        const QString full = QString::fromLatin1(names[i]);
        if (n == full || n == full.left(3))
            return i + 1;
    }
    return 0;
}

std::optional<QDate> ParseDate(const QString& text)
{
    const QString t = text.trimmed();
    QStringList parts;
    QString cur;
    for (const QChar c : t) {
        if (c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char(' ')) {
            if (!cur.isEmpty())
                parts << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.isEmpty())
        parts << cur;
    if (parts.size() != 3)
        return std::nullopt;
    auto number = [](const QString& s) -> int {
        const std::optional<qint32> n = WholeNumber(s);
        return n && *n >= 0 ? *n : -1;
    };
    int day = -1, month = -1, year = -1;
    if (parts[0].size() == 4 && number(parts[0]) >= 0) {
        // ISO order: year, month, day.
        year = number(parts[0]);
        month = number(parts[1]);
        day = number(parts[2]);
    } else {
        day = number(parts[0]);
        month = number(parts[1]);
        if (month < 0)
            month = MonthNumber(parts[1]);
        year = number(parts[2]);
        if (year >= 0 && parts[2].size() <= 2)
            year += 2000;
    }
    if (day < 1 || month < 1 || year < 1)
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

QString LongDate(const QDate& date)
{
    return QLocale(QLocale::English, QLocale::Australia).toString(date, QStringLiteral("dddd d MMMM yyyy"));
}

} // namespace modText

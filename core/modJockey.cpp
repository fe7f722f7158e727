#include "core/modJockey.h"

namespace modJockey
{

std::optional<QDate> ParseDateText(const QString& text, const QString& pattern)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    const QString p = pattern.toLower();
    int day = -1, month = -1, year = -1;
    for (int i = 0; i < 3 && i < p.size(); ++i) {
        if (i >= parts.size())
            return std::nullopt;
        bool ok = false;
        const int v = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
        if (p[i] == QLatin1Char('d'))
            day = v;
        else if (p[i] == QLatin1Char('m'))
            month = v;
        else if (p[i] == QLatin1Char('y'))
            year = v;
    }
    if (day < 0 || month < 0 || year < 0)
        return std::nullopt;
    if (year < 100)
        year += 2000;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

} // namespace modJockey

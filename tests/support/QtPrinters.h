#pragma once
// Lets GoogleTest print QString values as quoted text in failure messages
// (it would otherwise show their bytes).
#include <QString>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

#pragma once

#include <QDateTime>

/**
 * The program's one source of "now": meeting stages, statistics time stamps
 * and the removal of old data read the time only here, so tests can fix it.
 */
namespace Clock
{
QDateTime now();
inline QDate today() { return now().date(); }
/** Fixes the time (tests); an invalid value returns to the system clock. */
void setFixed(const QDateTime& when);
} // namespace Clock

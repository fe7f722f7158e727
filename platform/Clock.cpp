#include "platform/Clock.h"

namespace Clock
{
namespace
{
QDateTime g_fixed;
}

QDateTime now()
{
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

void setFixed(const QDateTime& when)
{
    g_fixed = when;
}
} // namespace Clock

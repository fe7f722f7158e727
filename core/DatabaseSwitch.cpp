#include "core/DatabaseSwitch.h"

DatabaseSwitch& DatabaseSwitch::notifier()
{
    static DatabaseSwitch one;
    return one;
}

void DatabaseSwitch::announce()
{
    emit switched();
}

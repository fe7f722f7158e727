#include "formhistory/FormHistoryOpeners.h"

#include "core/modOpeners.h"
#include "formhistory/FrmRaceStats.h"
#include "formhistory/FrmSelHorse.h"

void RegisterFormHistoryOpeners()
{
    WindowOpeners& openers = modOpeners::Openers();
    openers.raceStats = [] { FrmRaceStats::Open(); };
    openers.selectHorse = [] { FrmSelHorse::Open(); };
}

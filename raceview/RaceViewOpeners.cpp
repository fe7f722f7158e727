#include "raceview/RaceViewOpeners.h"

#include "core/modOpeners.h"
#include "raceview/FrmRace.h"

void RegisterRaceViewOpeners()
{
    modOpeners::Openers().raceView = [] { FrmRace::OpenFromMain(); };
}

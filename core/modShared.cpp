#include "core/modShared.h"

QString gStatsMode;
QString gSelHorse;
QString gSelJockey;
QString gSelTrainer;
QString gSelFormTrainer;
bool gCellPicked = false;
int gUseOtherSource = 0;
bool gDebugOn = false;
QString gDebugFile;
MainWindowState gMainState;

void ResetSharedState()
{
    gStatsMode.clear();
    gSelHorse.clear();
    gSelJockey.clear();
    gSelTrainer.clear();
    gSelFormTrainer.clear();
    gCellPicked = false;
    gUseOtherSource = 0;
    gDebugOn = false;
    gDebugFile.clear();
    gMainState = MainWindowState{};
}

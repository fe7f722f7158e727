#include "mainwindow/WindowOpeners.h"

#include "core/modOpeners.h"
#include "records/RecordsOpeners.h"

void RegisterWindowOpeners()
{
    // Each subsystem library registers its own windows here.
    RegisterRecordsOpeners();
}

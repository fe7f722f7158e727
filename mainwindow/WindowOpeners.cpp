#include "mainwindow/WindowOpeners.h"

#include "core/modOpeners.h"
#include "download/DownloadOpeners.h"
#include "formhistory/FormHistoryOpeners.h"
#include "raceview/RaceViewOpeners.h"
#include "records/InvoiceOpeners.h"
#include "records/RecordsOpeners.h"

void RegisterWindowOpeners()
{
    // Each subsystem library registers its own windows here.
    RegisterRaceViewOpeners();
    RegisterFormHistoryOpeners();
    RegisterRecordsOpeners();
    RegisterDownloadOpeners();
    RegisterInvoiceOpeners();
}

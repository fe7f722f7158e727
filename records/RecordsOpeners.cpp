#include "records/RecordsOpeners.h"

#include "core/modOpeners.h"
#include "records/TableEditors.h"
#include "records/frmEditTrainer.h"
#include "records/frmJockey.h"

#include <QApplication>

namespace
{
QWidget* activeWindow()
{
    return QApplication::activeWindow();
}
} // namespace

void RegisterRecordsOpeners()
{
    WindowOpeners& t = modOpeners::Openers();
    t.jockeyRecords = [](QString& jockeyName) { frmJockey::OpenJockey(jockeyName, activeWindow()); };
    t.editTrainer = [](const TrainerEditRequest& request) {
        return frmEditTrainer::EditTrainer(request, activeWindow());
    };
    t.bookRates = [] { frmBookRate::OpenRates(activeWindow()); };
    t.bookingTemplates = [] { frmBookingTemplate::OpenTemplates(activeWindow()); };
}

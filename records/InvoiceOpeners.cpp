#include "records/InvoiceOpeners.h"

#include "core/modOpeners.h"
#include "records/frmSelectDate.h"

#include <QApplication>

void RegisterInvoiceOpeners()
{
    modOpeners::Openers().jockeyInvoice = [](QString& jockey) {
        frmSelectDate::OpenSelect(jockey, QApplication::activeWindow());
    };
}

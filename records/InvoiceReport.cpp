#include "records/InvoiceReport.h"

#include "platform/VbError.h"
#include "records/frmSelectDate.h"

namespace InvoiceReport
{
// The report renderer is not part of this build yet: refuse plainly rather
// than pretend the invoice was shown.
void Preview(const InvoiceDocument&, QWidget*)
{
    throw VbError(5, QStringLiteral("InvoiceReport"), QStringLiteral("The invoice report is not available."));
}

bool WritePdf(const InvoiceDocument&, const QString&)
{
    return false;
}
} // namespace InvoiceReport

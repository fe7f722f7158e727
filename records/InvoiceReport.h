#pragma once

#include <QString>

class QWidget;
struct InvoiceDocument;

/** The invoice on paper: the invoice report filled from one invoice. */
namespace InvoiceReport
{
/** Shows the invoice in a modal print preview; returns when it closes.
 *  Throws VbError when the report cannot be made. */
void Preview(const InvoiceDocument& doc, QWidget* parent = nullptr);

/** Writes the invoice to a PDF file; false when the file cannot be written. */
bool WritePdf(const InvoiceDocument& doc, const QString& path);
} // namespace InvoiceReport

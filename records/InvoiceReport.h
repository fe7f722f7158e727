#pragma once

#include "platform/ReportDefinition.h"
#include "platform/ReportLayout.h"

#include <QString>

class QWidget;
struct InvoiceDocument;

/** The invoice on paper: a fresh copy of the invoice report, changed by one
 *  invoice's figures, over that invoice's rides. */
namespace InvoiceReport
{
/** The invoice report with the invoice's captions, positions, widths and
 *  footer height applied. Throws VbError when the report lacks a control or
 *  section the invoice changes. */
ReportDefinition Definition(const InvoiceDocument& doc);

/** The rides as the report's detail lines. */
ReportData Data(const InvoiceDocument& doc);

/** Shows the invoice in a modal print preview; returns when it closes.
 *  False when the last print or PDF made from it failed (the user was told):
 *  the invoice was not written. */
bool Preview(const InvoiceDocument& doc, QWidget* parent = nullptr);

/** Writes the invoice to a PDF file; false when the file cannot be written. */
bool WritePdf(const InvoiceDocument& doc, const QString& path);
} // namespace InvoiceReport

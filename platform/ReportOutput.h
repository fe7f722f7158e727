#pragma once

#include "platform/ReportLayout.h"

#include <QString>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

/** Where a report goes. */
enum class ReportOutput
{
    Preview, ///< a modal print preview with print and save as PDF
    Printer, ///< the given printer, or the default one
    Pdf,     ///< a PDF file
};

struct ReportTarget
{
    ReportOutput output = ReportOutput::Preview;
    QString pdfPath;            ///< Pdf
    QPrinter* printer = nullptr; ///< Printer; null for the default printer
    QWidget* parent = nullptr;  ///< Preview

    static ReportTarget preview(QWidget* parent = nullptr) { return {ReportOutput::Preview, {}, nullptr, parent}; }
    static ReportTarget pdf(const QString& path) { return {ReportOutput::Pdf, path, nullptr, nullptr}; }
    static ReportTarget toPrinter(QPrinter* printer = nullptr) { return {ReportOutput::Printer, {}, printer, nullptr}; }
};

/** Draws the pages onto a paged device whose origin is the paper's corner
 *  (the painter is active on `device`), placed inside the part of the paper
 *  the device can print on (PlaceReport). */
void PaintReport(const ReportLayout& layout, QPainter& painter, QPagedPaintDevice& device);

/** Writes the pages to a PDF file; false when the file cannot be written
 *  whole (no such folder, a full disk). The file is written beside any older
 *  file of that name and replaces it only when whole: a failed save leaves
 *  the older file as it was, and `error` (when given) gets the reason, e.g.
 *  "No space left on device", or that the folder cannot be written. A name
 *  that is a link replaces the file the link points to. */
bool WriteReportPdf(const ReportLayout& layout, const QString& path, QString* error = nullptr);

/** Prints the pages on `printer` (full page, paper of the layout); false,
 *  with the reason in `error`, when printing could not start or finish. A
 *  printer that prints to a PDF file writes a new file beside the chosen one
 *  (beside the file a link names), checked when it is done; it replaces an
 *  older file of that name only when whole, and one left incomplete is
 *  removed, with the system's reason where the file shows one. Each such
 *  print is made by a new printer set up as `printer`, so a failed one does
 *  not carry into the next print on `printer`. */
bool PrintReport(const ReportLayout& layout, QPrinter& printer, QString* error = nullptr);

/** Shows the pages in a modal print preview titled with the layout's caption
 *  (its title when it has none); the preview prints and saves as PDF. A
 *  print or PDF that fails is told with the printer or file and the reason.
 *  Returns false when the last print or save made from it failed. */
bool PreviewReport(const ReportLayout& layout, QWidget* parent = nullptr);

/** Lays out `def` over `data` and sends it to `target`. False when the PDF
 *  or the printer failed, or a print or save from the preview did. */
bool OutputReport(const ReportDefinition& def, const ReportData& data, const ReportTarget& target);

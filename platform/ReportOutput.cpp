#include "platform/ReportOutput.h"

#include "platform/FileSync.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QPrinter>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace
{
QPageSize pageSizeOf(const ReportLayout& layout)
{
    return QPageSize(QSizeF(layout.pageWidth / 1440.0, layout.pageHeight / 1440.0), QPageSize::Inch,
                     QString(), QPageSize::FuzzyMatch);
}

// What the device cannot print on along each edge, in twips: a printer's
// hardware margins; nothing for a PDF.
QMarginsF unprintableMargins(const QPagedPaintDevice& device)
{
    QPageLayout page = device.pageLayout();
    page.setUnits(QPageLayout::Point);
    return page.minimumMargins() * 20.0;
}

// Whether a PDF file was written to its end: a complete one closes with its
// end-of-file marker, one cut short by a full disk does not.
bool isWholePdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || !file.seek(file.size() - 16))
        return false;
    return file.read(16).trimmed().endsWith("%%EOF");
}

Qt::Alignment alignmentOf(ReportAlign a)
{
    switch (a) {
    case ReportAlign::Right:
        return Qt::AlignRight;
    case ReportAlign::Center:
        return Qt::AlignHCenter;
    case ReportAlign::Left:
        break;
    }
    return Qt::AlignLeft;
}
} // namespace

void PaintReport(const ReportLayout& layout, QPainter& painter, QPagedPaintDevice& device)
{
    // Everything is placed in twips; the painter maps them onto the device.
    const double scaleX = device.logicalDpiX() / 1440.0;
    const double scaleY = device.logicalDpiY() / 1440.0;
    // The printer, the PDF and the preview all place the pages here, so
    // they show the same page inside what can be printed.
    const ReportPlacement placement =
        PlaceReport(layout, ReportPrintableArea(layout, unprintableMargins(device)));
    QPen pen(Qt::black);
    pen.setWidthF(15); // about one screen pixel
    QFont current;
    bool haveFont = false;
    ReportFont currentSpec;
    QFontMetricsF metrics(current);
    for (int p = 0; p < layout.pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        painter.resetTransform();
        painter.scale(scaleX, scaleY);
        painter.translate(placement.offset);
        painter.scale(placement.scale, placement.scale);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        for (const ReportItem& item : layout.pages[p].items) {
            switch (item.kind) {
            case ReportItem::Line:
                painter.drawLine(item.rect.topLeft(),
                                 QPoint(item.rect.x() + item.rect.width(), item.rect.y() + item.rect.height()));
                break;
            case ReportItem::RoundRect:
                painter.drawRoundedRect(QRectF(item.rect), 12, 12, Qt::RelativeSize);
                break;
            case ReportItem::Text:
            {
                if (!haveFont || !(currentSpec == item.font)) {
                    current = ReportQFont(item.font);
                    currentSpec = item.font;
                    haveFont = true;
                    painter.setFont(current);
                    metrics = QFontMetricsF(current);
                }
                // Text wraps within its control and shows the whole lines
                // that fit (at least one): never a line cut in half.
                const double lineHeight = metrics.lineSpacing();
                const double lines = std::max(1.0, std::floor(item.rect.height() / lineHeight));
                const QRectF box(item.rect.x(), item.rect.y(), item.rect.width(), lines * lineHeight);
                const Qt::Alignment align = alignmentOf(item.align) | Qt::AlignTop;
                if (lines == 1 && !item.text.contains(QLatin1Char('\n'))) {
                    // A one-line control whose text is too wide (the stand-in
                    // fonts run wider than the ones the layout was drawn for)
                    // gets its text narrowed rather than losing words.
                    const double width = metrics.horizontalAdvance(item.text);
                    // Narrowed past 60 % it would be unreadable: then it
                    // wraps like the rest and shows the words that fit.
                    if (width > item.rect.width() && width * 0.6 <= item.rect.width()) {
                        const double factor = item.rect.width() / width;
                        painter.save();
                        painter.translate(box.topLeft());
                        painter.scale(factor, 1.0);
                        painter.drawText(QRectF(0, 0, box.width() / factor, box.height()), align | Qt::TextSingleLine,
                                         item.text);
                        painter.restore();
                        break;
                    }
                }
                painter.drawText(box, align | Qt::TextWordWrap, item.text);
                break;
            }
            }
        }
    }
}

bool WriteReportPdf(const ReportLayout& layout, const QString& path, QString* error)
{
    // The PDF writer does not report a write the disk refuses, and a full
    // disk would leave a cut file that looks written. So the document is
    // made in memory and written in one checked, unbuffered write.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(1440);
        writer.setPageSize(pageSizeOf(layout));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(layout.title.isEmpty() ? layout.caption : layout.title);
        writer.setCreator(QStringLiteral("Velmora"));
        QPainter painter;
        bool drawn = painter.begin(&writer);
        if (drawn) {
            PaintReport(layout, painter, writer);
            drawn = painter.end();
        }
        if (!drawn) {
            if (error)
                *error = QObject::tr("The report could not be drawn.");
            return false;
        }
    }
    const QByteArray& bytes = pdf.data();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    bool written = FileSync::writeAll(file, bytes);
    QString why = written ? QString() : file.errorString();
    file.close();
    if (written && file.error() != QFileDevice::NoError) {
        written = false;
        why = file.errorString();
    }
    if (!written) {
        // A cut PDF only fails later, in the reader: take it away.
        file.remove();
        if (error)
            *error = why;
    }
    return written;
}

bool PrintReport(const ReportLayout& layout, QPrinter& printer, QString* error)
{
    printer.setFullPage(true);
    printer.setPageSize(pageSizeOf(layout));
    printer.setPageOrientation(QPageLayout::Portrait);
    if (printer.docName().isEmpty())
        printer.setDocName(layout.caption.isEmpty() ? layout.title : layout.caption);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QObject::tr("The printer did not start the job.");
        return false;
    }
    // Printing to a PDF file, not drawing the preview (whose engine is its
    // own): the printer does not report a write the disk refused, so the
    // finished file is checked.
    const QString pdfFile = printer.outputFormat() == QPrinter::PdfFormat && painter.paintEngine()
                                    && painter.paintEngine()->type() == QPaintEngine::Pdf
                                ? printer.outputFileName()
                                : QString();
    PaintReport(layout, painter, printer);
    if (!painter.end()) {
        if (error)
            *error = QObject::tr("The printer did not take the whole job.");
        return false;
    }
    if (!pdfFile.isEmpty() && !isWholePdf(pdfFile)) {
        // A cut PDF only fails later, in the reader: take it away.
        QFile::remove(pdfFile);
        if (error)
            *error = QObject::tr("The file was left incomplete; the disk may be full.");
        return false;
    }
    return true;
}

bool PreviewReport(const ReportLayout& layout, QWidget* parent)
{
    // Whether the last print or save made from the preview failed.
    bool failed = false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageSize(pageSizeOf(layout));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("reportPreview"));
    dialog.setWindowTitle(layout.caption.isEmpty() ? layout.title : layout.caption);
    // A dialog made with a parent starts at 100 x 30 and would open at its
    // bare minimum, the page shrunk to a thumbnail: open it tall enough to read.
    QSize size(900, 1000);
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableSize());
    dialog.resize(size);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&layout, &dialog, &failed](QPrinter* p) {
        // Drawing the pages for the preview (the printer then paints through
        // the preview's own picture engine) is no print.
        if (p->paintEngine() && p->paintEngine()->type() == QPaintEngine::Picture) {
            PrintReport(layout, *p);
            return;
        }
        const bool toFile = p->outputFormat() == QPrinter::PdfFormat;
        QString why;
        failed = !PrintReport(layout, *p, &why);
        if (!failed)
            return;
        const QString what = toFile ? QObject::tr("The file could not be written: \r") + p->outputFileName()
                                    : QObject::tr("The report could not be printed: \r") + p->printerName();
        Prompts::MsgBox(what + QStringLiteral(" \r\r") + why, Prompts::vbExclamation, dialog.windowTitle());
    });
    if (QToolBar* bar = dialog.findChild<QToolBar*>()) {
        QAction* save = bar->addAction(QObject::tr("Save as PDF"));
        save->setObjectName(QStringLiteral("actionSavePdf"));
        QObject::connect(save, &QAction::triggered, &dialog, [&layout, &dialog, &failed]() {
            const QString name = (layout.caption.isEmpty() ? QStringLiteral("report") : layout.caption) +
                                 QStringLiteral(".pdf");
            const QString file = Prompts::GetSaveFileName(QObject::tr("Save as PDF"),
                                                          QStringLiteral("PDF files (*.pdf)"), QDir::homePath(),
                                                          name);
            if (file.isEmpty())
                return;
            QString why;
            failed = !WriteReportPdf(layout, file, &why);
            if (failed)
                Prompts::MsgBox(QObject::tr("The file could not be written: \r") + file + QStringLiteral(" \r\r") + why,
                                Prompts::vbExclamation, dialog.windowTitle());
        });
    }
    Prompts::ShowModal(&dialog);
    return !failed;
}

bool OutputReport(const ReportDefinition& def, const ReportData& data, const ReportTarget& target)
{
    const ReportLayout layout = LayoutReport(def, data);
    switch (target.output) {
    case ReportOutput::Pdf:
        return WriteReportPdf(layout, target.pdfPath);
    case ReportOutput::Printer: {
        if (target.printer)
            return PrintReport(layout, *target.printer);
        QPrinter printer(QPrinter::HighResolution);
        return PrintReport(layout, printer);
    }
    case ReportOutput::Preview:
        break;
    }
    return PreviewReport(layout, target.parent);
}

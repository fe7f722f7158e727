#include "platform/ReportOutput.h"

#include "platform/FileSync.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
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
#include <QRandomGenerator>
#include <QSaveFile>
#include <QToolBar>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include <unistd.h>

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

// Makes a new, empty file beside `path` (same folder, so that it can be
// renamed over it in one step) with the permissions of the file it is to
// replace, or those a new file gets; its name, or an empty text with the
// reason in `why`.
QString newFileBeside(const QString& path, QString* why)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            path + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const QFileInfo older(path);
            if (older.exists())
                file.setPermissions(older.permissions());
            return name;
        }
        if (!QFileInfo::exists(name)) {
            *why = file.errorString();
            return QString();
        }
    }
    *why = QObject::tr("No new file could be made beside it.");
    return QString();
}

// Why no new file could be made beside `path`, from the system's reason: a
// folder that cannot be written is named as such, since the older file in
// it may well be writable, and naming that file would mislead.
QString refusedBeside(const QString& path, const QString& reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0 || (errno != EACCES && errno != EROFS))
        return reason;
    return QObject::tr("The folder %1 cannot be written to. The new file is made there, beside any older file of "
                       "that name, and replaces it only when whole. \rAllow writing to that folder, or choose a "
                       "file in another folder.")
        .arg(QDir::toNativeSeparators(folder));
}

// Why a PDF named by links that lead round in a loop is not written.
QString loopingLink(const QString& path)
{
    return QObject::tr("The file %1 is a link that cannot be followed: its links lead round in a loop and reach no "
                       "file. The link has been left as it is; choose another file.")
        .arg(QDir::toNativeSeparators(path));
}

// Why the disk refuses more of the file at `path`, found by adding a byte to
// it: the printer's PDF engine keeps the reason of a refused write to
// itself. Empty when the byte is taken.
QString refusalOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    return file.write("\n", 1) == 1 ? QString() : file.errorString();
}

// A new printer to the PDF file `file`, set up as `printer` is. A printer
// keeps its PDF engine for life, and that engine writes through one stream
// which, once the disk refused a write, drops every later one: the preview
// prints on one printer, so each print to a file gets a printer of its own
// and one failure never carries into the next try.
std::unique_ptr<QPrinter> pdfPrinterLike(const QPrinter& printer, const QString& file)
{
    auto job = std::make_unique<QPrinter>(QPrinter::HighResolution);
    job->setOutputFormat(QPrinter::PdfFormat);
    job->setOutputFileName(file);
    job->setResolution(printer.resolution());
    job->setFullPage(printer.fullPage());
    job->setPageLayout(printer.pageLayout());
    job->setDocName(printer.docName());
    job->setCreator(printer.creator());
    job->setPdfVersion(printer.pdfVersion());
    job->setColorMode(printer.colorMode());
    job->setFontEmbeddingEnabled(printer.fontEmbeddingEnabled());
    job->setCopyCount(printer.copyCount());
    job->setCollateCopies(printer.collateCopies());
    job->setPrintRange(printer.printRange());
    job->setFromTo(printer.fromPage(), printer.toPage());
    return job;
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
    // Written beside the file of that name and put in its place only when
    // whole: a save that fails (a full disk) leaves an older file as it was.
    // Unbuffered, so that a tail the disk takes only in part is not dropped
    // silently when the file is committed.
    // The file a link names is found here, not by QSaveFile, which would read
    // a "../" in the link from the folder's spelled path.
    const QByteArray& bytes = pdf.data();
    bool loops = false;
    const QString real = FileSync::realFile(path, &loops);
    if (loops) {
        if (error)
            *error = loopingLink(path);
        return false;
    }
    QSaveFile file(real);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = refusedBeside(real, file.errorString());
        return false;
    }
    if (!FileSync::writeAll(file, bytes)) {
        // The reason (a full disk, say) is taken before giving the file up
        // replaces it with "Writing canceled by application".
        const QString why = file.errorString();
        file.cancelWriting();
        if (error)
            *error = why;
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool PrintReport(const ReportLayout& layout, QPrinter& printer, QString* error)
{
    printer.setFullPage(true);
    printer.setPageSize(pageSizeOf(layout));
    printer.setPageOrientation(QPageLayout::Portrait);
    if (printer.docName().isEmpty())
        printer.setDocName(layout.caption.isEmpty() ? layout.title : layout.caption);
    // Printing to a PDF file, not drawing the preview (whose engine is its
    // own): the pages go to a new file beside the chosen one, which takes
    // its place only when whole, so a failed print keeps an older file of
    // that name. The printer does not report a write the disk refused, so
    // the new file is checked when it is done.
    const QString pdfFile = printer.outputFormat() == QPrinter::PdfFormat && printer.paintEngine()
                                    && printer.paintEngine()->type() == QPaintEngine::Pdf
                                ? printer.outputFileName()
                                : QString();
    QString partFile;
    std::unique_ptr<QPrinter> pdfJob;
    bool loops = false;
    const QString realPdf = pdfFile.isEmpty() ? QString() : FileSync::realFile(pdfFile, &loops);
    if (loops) {
        if (error)
            *error = loopingLink(pdfFile);
        return false;
    }
    if (!pdfFile.isEmpty()) {
        QString why;
        partFile = newFileBeside(realPdf, &why);
        if (partFile.isEmpty()) {
            if (error)
                *error = refusedBeside(realPdf, why);
            return false;
        }
        pdfJob = pdfPrinterLike(printer, partFile);
    }
    // The given printer keeps naming the chosen file, for the message that
    // tells a failure.
    QPrinter& target = pdfJob ? *pdfJob : printer;
    auto giveUp = [&](const QString& why) {
        if (!partFile.isEmpty())
            QFile::remove(partFile);
        if (error)
            *error = why;
        return false;
    };
    // Printing to a file, the system's reason (a full disk, say) where the
    // file shows one; else `otherwise`.
    auto reasonOr = [&](const QString& otherwise) {
        const QString why = partFile.isEmpty() ? QString() : refusalOf(partFile);
        return why.isEmpty() ? otherwise : why;
    };
    QPainter painter;
    if (!painter.begin(&target))
        return giveUp(reasonOr(QObject::tr("The printer did not start the job.")));
    PaintReport(layout, painter, target);
    if (!painter.end())
        return giveUp(reasonOr(QObject::tr("The printer did not take the whole job.")));
    if (partFile.isEmpty())
        return true;
    // A cut PDF only fails later, in the reader: it never takes the older
    // file's place.
    if (!isWholePdf(partFile))
        return giveUp(reasonOr(QObject::tr("The file was left incomplete; the disk may be full.")));
    if (!FileSync::replace(partFile, realPdf))
        return giveUp(QString::fromLocal8Bit(std::strerror(errno)));
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

// The banded report renderer: definitions changed by name, value formats,
// grouping, pagination with kept-together sections and page numbers, growing
// controls, and the PDF, printer and preview outputs.
#include "platform/Prompts.h"
#include "platform/ReportOutput.h"
#include "support/AsAnotherUser.h"
#include "support/FileSizeLimit.h"
#include "support/LayoutCompare.h"
#include "support/PdfPages.h"
#include "support/QtPrinters.h"

#include <QAction>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

using C = ReportControl;

// A small report: page header 500 (page numbers), group header 600 and
// detail 240 kept together, page footer 150, report footer 1000.
ReportDefinition sample()
{
    ReportDefinition r;
    r.name = s("drSample");
    r.title = s("Sample Title");
    r.caption = s("Sample Report");
    r.pageHeight = 6000;
    r.marginTop = 100;
    r.marginBottom = 100;
    r.marginLeft = 50;
    r.addSection(ReportSectionKind::ReportHeader, s("ReportHeader"), 0);
    ReportSection& ph = r.addSection(ReportSectionKind::PageHeader, s("PageHeader"), 500);
    ph.controls = {C::label(s("lblTitle"), 0, 0, 5000, 300, s("%i")),
                   C::label(s("lblPage"), 8000, 0, 2000, 240, s("Page : %p of %P")).right()};
    ReportSection& gh = r.addSection(ReportSectionKind::GroupHeader, s("GroupHeader"), 600, true);
    gh.controls = {C::textBox(s("txtGroup"), 0, 100, 1000, 300, s("Race")),
                   C::textBox(s("txtFirst"), 1000, 100, 3000, 300, s("Details")),
                   C::aggregate(s("cntGroup"), ReportFunction::Count, 5000, 100, 500, 240, s("Horse")),
                   C::line(s("Line1"), 0, 0, 11000)};
    ReportSection& d = r.addSection(ReportSectionKind::Detail, s("Detail"), 240, true);
    d.controls = {C::textBox(s("txtHorse"), 1000, 0, 1500, 195, s("Horse")).grows(),
                  C::textBox(s("txtPrize"), 3000, 0, 1200, 195, s("Prize")).right().withFormat(s("money"))};
    r.addSection(ReportSectionKind::GroupFooter, s("GroupFooter"), 0);
    ReportSection& pf = r.addSection(ReportSectionKind::PageFooter, s("PageFooter"), 150);
    pf.controls = {C::label(s("lblFoot"), 0, 0, 3000, 135, s("Footer text"))};
    ReportSection& rf = r.addSection(ReportSectionKind::ReportFooter, s("ReportFooter"), 1000);
    rf.controls = {C::aggregate(s("sumPrize"), ReportFunction::Sum, 3000, 100, 1200, 240, s("Prize"))
                       .withFormat(s("money")),
                   C::aggregate(s("cntAll"), ReportFunction::Count, 1000, 100, 600, 240, s("Horse"))};
    return r;
}

QList<ReportRow> runners(int races, int perRace)
{
    QList<ReportRow> rows;
    for (int race = 1; race <= races; ++race)
        for (int e = 1; e <= perRace; ++e)
            rows << ReportRow{{s("Race"), race},
                              {s("Details"), s("Race %1 details").arg(race)},
                              {s("Horse"), s("Horse %1-%2").arg(race).arg(e)},
                              {s("Prize"), 100.25}};
    return rows;
}

ReportLayout layoutOf(const ReportDefinition& def, const QList<ReportRow>& rows)
{
    return LayoutReport(def, ReportData::groupBy(rows, s("Race"), {s("Details")}));
}

/** Checks what every layout must hold: page header and footer on every
 *  page, bands inside the body, no band overlapping the next, and the page
 *  numbers right. */
void expectWellFormed(const ReportLayout& l)
{
    const int n = static_cast<int>(l.pages.size());
    for (int p = 0; p < n; ++p) {
        const ReportPage& page = l.pages[p];
        SCOPED_TRACE(p);
        ASSERT_NE(page.item(s("lblPage")), nullptr);
        EXPECT_EQ(page.item(s("lblPage"))->text, s("Page : %1 of %2").arg(p + 1).arg(n));
        ASSERT_NE(page.item(s("lblFoot")), nullptr);
        EXPECT_EQ(page.item(s("lblFoot"))->rect.top(), l.bodyBottom);
        int y = l.bodyTop;
        for (const ReportBand& b : page.bands) {
            if (b.kind == ReportSectionKind::PageHeader || b.kind == ReportSectionKind::PageFooter)
                continue;
            EXPECT_GE(b.top, y) << b.section.toStdString();
            EXPECT_LE(b.top + b.height, l.bodyBottom) << b.section.toStdString();
            y = b.top + b.height;
        }
    }
}

int bandsOf(const ReportLayout& l, ReportSectionKind kind)
{
    int n = 0;
    for (const ReportPage& p : l.pages)
        for (const ReportBand& b : p.bands)
            n += b.kind == kind ? 1 : 0;
    return n;
}
} // namespace

TEST(ReportDefinitionTest, ChangesControlsAndSectionsByNameWithoutCase)
{
    ReportDefinition r = sample();
    EXPECT_TRUE(r.setCaption(s("LBLTITLE"), s("Changed")));
    EXPECT_EQ(r.control(s("lblTitle"))->caption, s("Changed"));
    EXPECT_TRUE(r.setTop(s("txtprize"), 40));
    EXPECT_TRUE(r.setWidth(s("TXTPRIZE"), 900));
    EXPECT_EQ(r.control(s("txtPrize"))->top, 40);
    EXPECT_EQ(r.control(s("txtPrize"))->width, 900);
    EXPECT_TRUE(r.setSectionHeight(s("reportfooter"), 400));
    EXPECT_EQ(r.sectionHeight(s("ReportFooter")), 400);
    EXPECT_TRUE(r.setVisible(s("lblfoot"), false));
    EXPECT_FALSE(r.control(s("lblFoot"))->visible);

    // Unknown names change nothing.
    const ReportDefinition before = r;
    EXPECT_FALSE(r.setCaption(s("lblNone"), s("x")));
    EXPECT_FALSE(r.setTop(s("lblNone"), 1));
    EXPECT_FALSE(r.setSectionHeight(s("NoSection"), 1));
    EXPECT_EQ(r.sectionHeight(s("NoSection")), -1);
    EXPECT_EQ(r.control(s("lblTitle"))->caption, before.control(s("lblTitle"))->caption);
}

TEST(ReportFormatTest, MoneyNumbersDatesAndTimes)
{
    EXPECT_EQ(FormatReportValue(1234.5, s("money")), s("$1,234.50"));
    EXPECT_EQ(FormatReportValue(0, s("money")), s("$0.00"));
    EXPECT_EQ(FormatReportValue(-5, s("money")), s("-$5.00"));
    EXPECT_EQ(FormatReportValue(1234567.891, s("money")), s("$1,234,567.89"));
    EXPECT_EQ(FormatReportValue(999.995, s("money")), s("$1,000.00"));
    EXPECT_EQ(FormatReportValue(s("250"), s("money")), s("$250.00"));
    EXPECT_EQ(FormatReportValue(QVariant(), s("money")), QString());

    EXPECT_EQ(FormatReportValue(20, s("0.00")), s("20.00"));
    EXPECT_EQ(FormatReportValue(54.5, QString()), s("54.5"));
    EXPECT_EQ(FormatReportValue(56.0, QString()), s("56"));
    EXPECT_EQ(FormatReportValue(72, QString()), s("72"));
    EXPECT_EQ(FormatReportValue(s("7E"), QString()), s("7E"));

    EXPECT_EQ(FormatReportValue(s("2024-09-05"), s("d MMM yyyy")), s("5 Sep 2024"));
    EXPECT_EQ(FormatReportValue(QDate(2024, 6, 21), s("d MMM yyyy")), s("21 Jun 2024"));
    EXPECT_EQ(FormatReportValue(QDateTime(QDate(2024, 7, 1), QTime(0, 0)), s("d MMM yyyy")), s("1 Jul 2024"));
    EXPECT_EQ(FormatReportValue(QDate(2024, 9, 5), QString()), s("05/09/2024"));

    EXPECT_EQ(FormatReportValue(s("14:35:00"), s("HH.mm")), s("14.35"));
    EXPECT_EQ(FormatReportValue(QDateTime(QDate(1899, 12, 30), QTime(9, 5)), s("HH.mm")), s("09.05"));
    EXPECT_EQ(FormatReportValue(QTime(13, 0), s("HH.mm")), s("13.00"));
    // A text that is no date prints as it is.
    EXPECT_EQ(FormatReportValue(s("TBA"), s("HH.mm")), s("TBA"));
}

TEST(ReportDataTest, GroupsRunsOfTheKeyWithTheFirstRowsParentFields)
{
    QList<ReportRow> rows = {
        {{s("RaceNumber"), 1}, {s("RaceDetails"), s("first")}, {s("Horse"), s("A")}},
        {{s("RaceNumber"), 1}, {s("RaceDetails"), s("other")}, {s("Horse"), s("B")}},
        {{s("RaceNumber"), 3}, {s("RaceDetails"), s("third")}, {s("Horse"), s("C")}},
    };
    const ReportData d = ReportData::groupBy(rows, s("RaceNumber"), {s("racedetails")});
    ASSERT_EQ(d.groups.size(), 2);
    EXPECT_EQ(ReportFieldValue(d.groups[0].parent, s("RaceNumber")).toInt(), 1);
    EXPECT_EQ(ReportFieldValue(d.groups[0].parent, s("RaceDetails")).toString(), s("first"));
    EXPECT_EQ(d.groups[0].rows.size(), 2);
    EXPECT_EQ(ReportFieldValue(d.groups[1].rows[0], s("HORSE")).toString(), s("C"));
    EXPECT_EQ(d.rowCount(), 3);
    EXPECT_TRUE(ReportData::groupBy({}, s("RaceNumber"), {}).groups.isEmpty());
}

TEST(ReportLayoutTest, NoRowsGivesOnePageWithHeadersAndFooter)
{
    const ReportLayout l = layoutOf(sample(), {});
    ASSERT_EQ(l.pages.size(), 1);
    expectWellFormed(l);
    EXPECT_EQ(l.pages[0].item(s("lblTitle"))->text, s("Sample Title"));
    EXPECT_EQ(l.pages[0].item(s("cntAll"))->text, s("0"));
    EXPECT_EQ(l.pages[0].item(s("sumPrize"))->text, s("$0.00"));
    EXPECT_EQ(bandsOf(l, ReportSectionKind::GroupHeader), 0);
    EXPECT_EQ(l.pages[0].item(s("lblTitle"))->rect.left(), 50); // left margin
}

TEST(ReportLayoutTest, ExactlyFullPageStaysOnePageAndOneMoreRowMoves)
{
    ReportDefinition def = sample();
    def.setSectionHeight(s("ReportFooter"), 0);
    def.section(s("ReportFooter"))->controls.clear();
    // Body: 6000 - 100 - 100 - 500 - 150 = 5150; with a group header of 710
    // that leaves room for 18.5 details: the page grows by half a detail so
    // that exactly 19 fill it to the last twip.
    def.setSectionHeight(s("GroupHeader"), 710);
    const int perPage = (5150 - 710) / 240;
    def.pageHeight += 240 - (5150 - 710 - perPage * 240);
    const int fits = perPage + 1;

    const ReportLayout full = layoutOf(def, runners(1, fits));
    EXPECT_EQ(full.pages.size(), 1);
    expectWellFormed(full);
    const ReportBand& last = full.pages[0].bands.last();
    EXPECT_EQ(last.top + last.height, full.bodyBottom);

    const ReportLayout over = layoutOf(def, runners(1, fits + 1));
    ASSERT_EQ(over.pages.size(), 2);
    expectWellFormed(over);
    // The page number labels show the new total on both pages.
    EXPECT_EQ(over.pages[0].item(s("lblPage"))->text, s("Page : 1 of 2"));
}

TEST(ReportLayoutTest, TwoHundredRowsKeepSectionsWholeAndGroupsInOrder)
{
    const ReportLayout l = layoutOf(sample(), runners(10, 20));
    ASSERT_GT(l.pages.size(), 5);
    expectWellFormed(l);
    EXPECT_EQ(bandsOf(l, ReportSectionKind::GroupHeader), 10);
    EXPECT_EQ(bandsOf(l, ReportSectionKind::Detail), 200);

    // Groups in order, each followed by its own rows in order; the group's
    // count is its own rows, the footer's sum all rows.
    int group = -1;
    int row = -1;
    for (const ReportPage& p : l.pages) {
        for (const ReportBand& b : p.bands) {
            if (b.kind == ReportSectionKind::GroupHeader) {
                EXPECT_EQ(b.group, group + 1);
                group = b.group;
                row = -1;
            } else if (b.kind == ReportSectionKind::Detail) {
                EXPECT_EQ(b.group, group);
                EXPECT_EQ(b.row, row + 1);
                row = b.row;
            }
        }
        for (const ReportItem* count : p.all(s("cntGroup")))
            EXPECT_EQ(count->text, s("20"));
    }
    EXPECT_EQ(group, 9);
    const ReportPage& last = l.pages.last();
    EXPECT_EQ(last.item(s("cntAll"))->text, s("200"));
    EXPECT_EQ(last.item(s("sumPrize"))->text, s("$20,050.00"));
    EXPECT_EQ(last.bands.last().kind, ReportSectionKind::ReportFooter);
}

TEST(ReportLayoutTest, ReportFooterThatDoesNotFitMovesWholeToANewPage)
{
    ReportDefinition def = sample();
    // Body 5150: group header 600 + 18 details of 240 = 4920 leaves 230.
    const ReportLayout l = layoutOf(def, runners(1, 18));
    ASSERT_EQ(l.pages.size(), 2);
    expectWellFormed(l);
    EXPECT_EQ(l.pages[1].bands.last().kind, ReportSectionKind::ReportFooter);
    EXPECT_EQ(l.pages[1].bands.last().top, l.bodyTop);
    EXPECT_EQ(l.pages[0].item(s("sumPrize")), nullptr);
}

TEST(ReportLayoutTest, GrowingControlWrapsAndMakesItsDetailTaller)
{
    QList<ReportRow> rows = runners(1, 3);
    rows[1][s("Horse")] = s("A Very Long Horse Name That Will Never Fit On One Line Of This Column");
    const ReportLayout l = layoutOf(sample(), rows);
    QList<ReportBand> details;
    for (const ReportBand& b : l.pages[0].bands)
        if (b.kind == ReportSectionKind::Detail)
            details << b;
    ASSERT_EQ(details.size(), 3);
    EXPECT_EQ(details[0].height, 240);
    EXPECT_GT(details[1].height, 240);
    EXPECT_EQ(details[2].height, 240);
    EXPECT_EQ(details[2].top, details[1].top + details[1].height);
    const QList<const ReportItem*> horses = l.pages[0].all(s("txtHorse"));
    ASSERT_EQ(horses.size(), 3);
    EXPECT_GT(horses[1]->rect.height(), 195);
    EXPECT_EQ(horses[1]->rect.height(), details[1].height);
    // A control that does not grow keeps its height.
    EXPECT_EQ(l.pages[0].all(s("txtPrize"))[1]->rect.height(), 195);
}

TEST(ReportLayoutTest, HiddenEmptyAndZeroLengthControlsDrawNothingAndNothingIsClipped)
{
    ReportDefinition def = sample();
    def.setCaption(s("lblFoot"), QString());
    def.setVisible(s("cntAll"), false);
    def.setWidth(s("Line1"), 0);
    // A control reaching below its shortened section is still drawn whole.
    def.setSectionHeight(s("ReportFooter"), 200);
    ReportSection* rf = def.section(s("ReportFooter"));
    rf->controls << C::line(s("linLow"), 0, 900, 1000) << C::label(s("lblLow"), 0, 700, 1000, 250, s("Low"));
    const ReportLayout l = layoutOf(def, runners(1, 2));
    const ReportPage& p = l.pages[0];
    EXPECT_EQ(p.item(s("lblFoot")), nullptr);
    EXPECT_EQ(p.item(s("cntAll")), nullptr);
    EXPECT_EQ(p.item(s("Line1")), nullptr);
    ASSERT_NE(p.item(s("linLow")), nullptr);
    EXPECT_EQ(p.bands.last().height, 950);
}

TEST(ReportLayoutTest, SameDefinitionAndDataGiveTheSameLayout)
{
    const ReportDefinition def = sample();
    const QList<ReportRow> rows = runners(3, 7);
    const ReportLayout a = layoutOf(def, rows);
    const ReportLayout b = layoutOf(def, rows);
    ASSERT_NO_FATAL_FAILURE(ExpectSameLayout(a, b));
}

TEST(ReportOutputTest, PdfAndPrinterGetEveryPage)
{
    QTemporaryDir dir;
    const ReportLayout l = layoutOf(sample(), runners(4, 15));
    ASSERT_GT(l.pages.size(), 1);
    const QString pdf = dir.filePath(s("report.pdf"));
    ASSERT_TRUE(WriteReportPdf(l, pdf));
    EXPECT_EQ(PdfPageCount(pdf), l.pages.size());

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(s("printed.pdf")));
    ASSERT_TRUE(OutputReport(sample(), ReportData::groupBy(runners(4, 15), s("Race"), {}),
                             ReportTarget::toPrinter(&printer)));
    EXPECT_EQ(PdfPageCount(dir.filePath(s("printed.pdf"))), l.pages.size());

    EXPECT_FALSE(WriteReportPdf(l, dir.filePath(s("no/such/folder/x.pdf"))));
}

TEST(ReportOutputTest, PreviewIsModalWithTheCaptionAndSavesAsPdf)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("saved.pdf"));
    Prompts::Script script;
    QString title;
    QSize opened, room;
    script.answerModal([&](QDialog* d) {
        title = d->windowTitle();
        opened = d->size();
        room = d->screen()->availableSize();
        auto* preview = qobject_cast<QPrintPreviewDialog*>(d);
        ASSERT_NE(preview, nullptr);
        QAction* save = d->findChild<QAction*>(s("actionSavePdf"));
        ASSERT_NE(save, nullptr);
        save->trigger();
        d->reject();
    });
    script.answerSaveFile(file);
    // Opened over a window, as the program opens it: big enough to read a page.
    QWidget owner;
    ASSERT_TRUE(OutputReport(sample(), ReportData::groupBy(runners(2, 3), s("Race"), {}),
                             ReportTarget::preview(&owner)));
    EXPECT_EQ(title, s("Sample Report"));
    EXPECT_GE(opened.height(), std::min(700, room.height()));
    EXPECT_GE(opened.width(), std::min(700, room.width()));
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(PdfPageCount(file), 1);
}

// A PDF saved, or printed to a file, over an older file of that name on a
// full disk: the failure is told, and the older file stays as it was, byte
// for byte, with nothing left beside it. Whole, the new one takes its place.
TEST(ReportOutputTest, AFailedPdfKeepsTheOlderFileOfThatName)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("report.pdf"));
    const QByteArray older = "%PDF-1.4\nthe report saved before\n%%EOF\n";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(older), older.size());
    }
    auto contents = [&]() {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    const QStringList onlyTheOlder{s("report.pdf")};
    auto entries = [&]() { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const ReportLayout l = layoutOf(sample(), runners(4, 15));

    Prompts::Script script;
    script.answerModal([&](QDialog* d) {
        QAction* save = d->findChild<QAction*>(s("actionSavePdf"));
        ASSERT_NE(save, nullptr);
        FileSizeLimit diskFull(1024);
        save->trigger();
        d->reject();
    });
    script.answerSaveFile(file);
    script.answerMsgBox(Prompts::vbOK);
    QWidget owner;
    EXPECT_FALSE(PreviewReport(l, &owner));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, s("The file could not be written: \r") + file + s(" \r\r")
                                             + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(contents(), older);
    EXPECT_EQ(entries(), onlyTheOlder);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    QString why;
    {
        FileSizeLimit diskFull(1024);
        EXPECT_FALSE(PrintReport(l, printer, &why));
    }
    EXPECT_EQ(why, QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(printer.outputFileName(), file);
    EXPECT_EQ(contents(), older);
    EXPECT_EQ(entries(), onlyTheOlder);

    ASSERT_TRUE(PrintReport(l, printer));
    EXPECT_EQ(PdfPageCount(file), l.pages.size());
    EXPECT_EQ(entries(), onlyTheOlder);
}

// The preview prints every job on its one printer. A print to a PDF file
// on a full disk, long enough that the disk refuses a write while the pages
// are still going out, then, with room again, the same print from the same
// preview: the second file is whole and no failure is told for it.
TEST(ReportOutputTest, APreviewPrintsToAPdfFileAgainAfterAFullDisk)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(s("report.pdf"));
    const ReportLayout l = layoutOf(sample(), runners(20, 15));
    Prompts::Script script;
    QString written;
    script.answerModal([&](QDialog* d) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(d);
        ASSERT_NE(preview, nullptr);
        auto* pages = d->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(pages, nullptr);
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(file);
        {
            FileSizeLimit diskFull(1024);
            pages->print();
        }
        pages->print();
        d->reject();
    });
    script.answerMsgBox(Prompts::vbOK);
    QWidget owner;
    EXPECT_TRUE(PreviewReport(l, &owner));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, s("The file could not be written: \r") + file + s(" \r\r")
                                             + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(PdfPageCount(file), l.pages.size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{s("report.pdf")});
}

// An older PDF the user may write, in a folder the user may not: the new
// file is made beside the older one, so a save or a print to that file is
// refused for the folder, not the file, and the message says what to do.
// Run by a user whom file modes bind: nobody, when the tests run as root.
TEST(ReportOutputTest, AFolderThatCannotBeWrittenIsToldAsTheReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                      | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
                                                      | QFile::ExeGroup));
    const QString folder = dir.filePath(s("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + s("/out.pdf");
    const QByteArray older = "%PDF-1.4\nthe report saved before\n%%EOF\n";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(older), older.size());
    }
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                        | QFile::ReadOther | QFile::WriteOther;
    ASSERT_TRUE(QFile::setPermissions(file, everyone));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                  | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const ReportLayout l = layoutOf(sample(), runners(2, 3));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);

    // The child sends back the reason the save gave, then the print's.
    const AsAnotherUser ran = RunAsAnotherUser([&](QByteArray& text) {
        QString saveWhy, printWhy;
        const bool saved = WriteReportPdf(l, file, &saveWhy);
        const bool printed = PrintReport(l, printer, &printWhy);
        text = saveWhy.toUtf8() + '\0' + printWhy.toUtf8();
        return saved || printed ? 1 : 0;
    });
    QFile::setPermissions(folder, everyone | QFile::ExeOwner);
    ASSERT_NE(ran.status, 101) << "no user 'nobody' to run as";
    EXPECT_EQ(ran.status, 0) << "the save or the print claimed success";
    const QByteArray& text = ran.output;
    const QList<QByteArray> reasons = text.split('\0');
    ASSERT_EQ(reasons.size(), 2);
    const QString told = s("The folder ") + folder
                         + s(" cannot be written to. The new file is made there, beside any older file of that name, "
                             "and replaces it only when whole. \rAllow writing to that folder, or choose a file in "
                             "another folder.");
    EXPECT_EQ(QString::fromUtf8(reasons[0]), told);
    EXPECT_EQ(QString::fromUtf8(reasons[1]), told);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), older);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{s("out.pdf")});
}

// A PDF name that is a symbolic link to an older PDF in another folder (a
// synced folder, say): printing to it, or saving as PDF, puts the new pages
// in the file the link points to; the link stays a link, pointing where it
// did, and nothing is left beside either of them.
TEST(ReportOutputTest, APdfNamedByALinkReplacesTheFileItPointsTo)
{
    QTemporaryDir dir;
    const QString keptFolder = dir.filePath(s("kept"));
    const QString linkFolder = dir.filePath(s("here"));
    ASSERT_TRUE(QDir().mkpath(keptFolder));
    ASSERT_TRUE(QDir().mkpath(linkFolder));
    const QString real = keptFolder + s("/report.pdf");
    const QString link = linkFolder + s("/report.pdf");
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_GT(f.write("%PDF-1.4\nthe report saved before\n%%EOF\n"), 0);
    }
    ASSERT_TRUE(QFile::link(real, link));
    auto entries = [](const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList onlyTheReport{s("report.pdf")};
    auto stillTheLink = [&](const char* after) {
        SCOPED_TRACE(after);
        const QFileInfo info(link);
        EXPECT_TRUE(info.isSymLink());
        EXPECT_EQ(info.symLinkTarget(), real);
        EXPECT_EQ(entries(keptFolder), onlyTheReport);
        EXPECT_EQ(entries(linkFolder), onlyTheReport);
    };

    const ReportLayout several = layoutOf(sample(), runners(4, 15));
    ASSERT_GT(several.pages.size(), 1);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(link);
    ASSERT_TRUE(PrintReport(several, printer));
    EXPECT_EQ(printer.outputFileName(), link);
    EXPECT_EQ(PdfPageCount(real), several.pages.size());
    stillTheLink("printed to a PDF file");

    // Saved as PDF (one page now, to tell it from the print).
    const ReportLayout one = layoutOf(sample(), runners(1, 2));
    ASSERT_EQ(one.pages.size(), 1);
    ASSERT_TRUE(WriteReportPdf(one, link));
    EXPECT_EQ(PdfPageCount(real), 1);
    stillTheLink("saved as PDF");

    // Reports kept on another disk through a linked folder, where the file is
    // a link climbing out of it: the system reads ".." from the folder the
    // linked folder leads to, and so does every print and save.
    const QString disk = dir.filePath(s("disk"));
    ASSERT_TRUE(QDir().mkpath(disk + s("/reports")));
    ASSERT_TRUE(QDir().mkpath(disk + s("/kept")));
    ASSERT_TRUE(QFile::link(disk + s("/reports"), dir.filePath(s("usb"))));
    const QString climbing = dir.filePath(s("usb/report.pdf"));
    ASSERT_TRUE(QFile::link(s("../kept/report.pdf"), climbing));
    const QString reached = disk + s("/kept/report.pdf");
    // Read from the linked folder's spelled path, those words lead to the
    // file above, which stays as it is.
    QFile kept(real);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray before = kept.readAll();
    kept.close();
    printer.setOutputFileName(climbing);
    ASSERT_TRUE(PrintReport(several, printer));
    EXPECT_EQ(PdfPageCount(reached), several.pages.size());
    ASSERT_TRUE(WriteReportPdf(one, climbing));
    EXPECT_EQ(PdfPageCount(reached), 1);
    EXPECT_TRUE(QFileInfo(climbing).isSymLink());
    EXPECT_EQ(entries(disk + s("/kept")), onlyTheReport);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);

    // A link to itself reaches no file: told, and left as it is.
    const QString loop = disk + s("/reports/loop.pdf");
    ASSERT_TRUE(QFile::link(s("loop.pdf"), loop));
    const QString told = s("The file ") + loop
                         + s(" is a link that cannot be followed: its links lead round in a loop and reach no file. "
                             "The link has been left as it is; choose another file.");
    QString why;
    EXPECT_FALSE(WriteReportPdf(one, loop, &why));
    EXPECT_EQ(why, told);
    printer.setOutputFileName(loop);
    why.clear();
    EXPECT_FALSE(PrintReport(one, printer, &why));
    EXPECT_EQ(why, told);
    EXPECT_TRUE(QFileInfo(loop).isSymLink());
    EXPECT_EQ(entries(disk + s("/reports")), (QStringList{s("loop.pdf"), s("report.pdf")}));
}

// Printers cannot print at the paper's edge: the pages go inside the
// printable area (at least a few millimetres in), stay where they are when
// already inside, and shrink only when they do not fit; the PDF and the
// printer (which the preview draws on) place them alike.
TEST(ReportOutputTest, PagesInsideThePrintableAreaScaledOnlyWhenTooBig)
{
    // Text hard against the top left corner, as a report with 1-twip margins has it.
    ReportDefinition corner;
    corner.marginLeft = corner.marginTop = 1;
    ReportSection& ph = corner.addSection(ReportSectionKind::PageHeader, s("PageHeader"), 600);
    ph.controls = {C::label(s("lblCorner"), 0, 0, 3000, 240, s("Cornerword")),
                   C::label(s("lblRight"), 8000, 300, 2000, 240, s("Rightword")).right()};
    const ReportLayout near = LayoutReport(corner, ReportData());
    const QRectF printable = ReportPrintableArea(near);
    EXPECT_EQ(printable, QRectF(340, 340, 11906 - 680, 16838 - 680));
    ReportPlacement at = PlaceReport(near, printable);
    EXPECT_EQ(at.scale, 1.0); // it fits: moved in, not shrunk
    EXPECT_EQ(at.map(ReportContentBox(near)).topLeft(), QPointF(340, 340));

    // Already inside: left where the layout put it.
    ReportDefinition inside = corner;
    inside.marginLeft = inside.marginTop = 1000;
    const ReportLayout in = LayoutReport(inside, ReportData());
    at = PlaceReport(in, printable);
    EXPECT_EQ(at.scale, 1.0);
    EXPECT_EQ(at.offset, QPointF(0, 0));

    // A printer that cannot reach 12.7 mm from the edges gets its own margins.
    const QRectF wide = ReportPrintableArea(near, QMarginsF(720, 720, 100, 100));
    EXPECT_EQ(wide, QRectF(720, 720, 11906 - 720 - 340, 16838 - 720 - 340));
    EXPECT_TRUE(wide.contains(PlaceReport(near, wide).map(ReportContentBox(near))));

    // Wider than the printable area: shrunk just enough, proportions kept.
    ReportDefinition broad = corner;
    broad.sections[0].controls << C::line(s("linFull"), -1, 500, 11906);
    const ReportLayout big = LayoutReport(broad, ReportData());
    at = PlaceReport(big, printable);
    EXPECT_LT(at.scale, 1.0);
    const QRectF placed = at.map(ReportContentBox(big));
    EXPECT_NEAR(placed.width(), printable.width(), 0.01);
    EXPECT_NEAR(placed.left(), printable.left(), 0.01);
    EXPECT_NEAR(placed.height(), ReportContentBox(big).height() * at.scale, 0.01);
    EXPECT_GE(placed.top(), printable.top());

    // The PDF and the printer draw the words where the placement puts them.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(s("corner.pdf"));
    ASSERT_TRUE(WriteReportPdf(near, pdf));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(s("printed.pdf")));
    ASSERT_TRUE(PrintReport(near, printer));
    const QList<PdfWord> written = PdfWords(pdf);
    const QList<PdfWord> printed = PdfWords(dir.filePath(s("printed.pdf")));
    ASSERT_EQ(written.size(), 2) << "pdftotext (poppler-utils) is needed to read the pages back";
    ASSERT_EQ(printed.size(), written.size());
    for (int i = 0; i < written.size(); ++i) {
        const PdfWord& w = written[i];
        SCOPED_TRACE(w.text.toStdString());
        EXPECT_GE(w.box.left(), 340 / 20.0 - 0.05); // points
        EXPECT_GE(w.box.top(), 340 / 20.0 - 0.05);
        EXPECT_EQ(printed[i].text, w.text);
        EXPECT_NEAR(printed[i].box.left(), w.box.left(), 0.1);
        EXPECT_NEAR(printed[i].box.top(), w.box.top(), 0.1);
    }
    EXPECT_NEAR(written[0].box.left(), 17.0, 0.5); // moved in no further than needed
}

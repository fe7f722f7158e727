// The invoice on paper: the invoice report changed by one invoice, laid out
// over its rides, written to PDF, and shown from the invoice window.
#include "core/cAppSettings.h"
#include "platform/Prompts.h"
#include "platform/ReportOutput.h"
#include "records/InvoiceReport.h"
#include "records/frmSelectDate.h"
#include "support/DbFixture.h"
#include "support/FileSizeLimit.h"
#include "support/PdfPages.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace
{
QString outputDir()
{
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    return dir;
}

Currency cur(double v)
{
    return Currency::fromDouble(v);
}

InvoiceData::Ride ride(const QDate& date, int race, const char* horse, double prize)
{
    InvoiceData::Ride r;
    r.raceDate = date;
    r.raceNumber = race;
    r.trackCode = QStringLiteral("FLEM");
    r.horse = QString::fromLatin1(horse);
    r.finishPos = 1;
    r.prizeMoney = prize;
    r.state = QStringLiteral("VIC");
    r.bookingRate = 200.0;
    return r;
}

// The derived example: three rides, $10,000 of prizes, rate 20, no fee per
// ride, two scratchings at $10, an admin fee of $25, GST.
InvoiceDocument derived(bool gst = true, const QString& abn = QStringLiteral("12-345-678-901"))
{
    InvoiceDocument d;
    d.jockey = QStringLiteral("J SMITH");
    d.rides = {ride(QDate(2024, 3, 2), 4, "Alpha", 6000), ride(QDate(2024, 3, 9), 2, "Bravo", 3000),
               ride(QDate(2024, 3, 14), 7, "Charlie", 1000)};
    InvoiceCalc::Input in;
    in.jockey = d.jockey;
    in.terms.managerRate = 20;
    in.terms.scratchFee = cur(10);
    in.period = {QDate(2024, 3, 1), QDate(2024, 3, 14)};
    in.totals = InvoiceData::TotalsOf(d.rides);
    in.scratchings = QStringLiteral("2");
    in.extra1Text = QStringLiteral("Admin fee");
    in.extra1 = cur(25);
    in.extra2Text = QStringLiteral("Travel");
    in.companyName = QStringLiteral("Hallard Bookings");
    in.invoiceNumber = 1001;
    in.applyGst = gst;
    in.abn = abn;
    d.result = InvoiceCalc::Compute(in);
    return d;
}

// Text of a control as laid out on the last page; "<none>" when not drawn.
QString drawn(const ReportLayout& l, const char* control)
{
    const ReportItem* it = l.pages.last().item(QString::fromLatin1(control));
    return it ? it->text : QStringLiteral("<none>");
}

int topIn(const ReportDefinition& def, const char* control)
{
    const ReportControl* c = def.control(QString::fromLatin1(control));
    return c ? c->top : -1;
}

// The derived example's jockey, rates and rides in the database, and its
// charges in the settings, for the invoice window to print.
void storeDerivedJockey(DbFixture& db)
{
    db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("J SMITH")},
                                         {QStringLiteral("ManagerRate"), 20},
                                         {QStringLiteral("ScratchFee"), 10},
                                         {QStringLiteral("LastInvoiceDate"), QDate(2024, 2, 29)},
                                         {QStringLiteral("InvoicePeriod"), QStringLiteral("14")}});
    db.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("VIC")},
                                           {QStringLiteral("RaceType"), QStringLiteral("R")},
                                           {QStringLiteral("DateEffective"), QDate(2023, 7, 1)},
                                           {QStringLiteral("BookingRate"), 200}});
    for (const auto& r : derived().rides)
        db.insert(QStringLiteral("RaceStats"), {{QStringLiteral("RaceDate"), r.raceDate},
                                                {QStringLiteral("RaceNumber"), r.raceNumber},
                                                {QStringLiteral("TrackCode"), r.trackCode},
                                                {QStringLiteral("Horse"), r.horse},
                                                {QStringLiteral("FinishPos"), r.finishPos},
                                                {QStringLiteral("Jockey"), QStringLiteral("J SMITH")},
                                                {QStringLiteral("PrizeMoney"), r.prizeMoney},
                                                {QStringLiteral("State"), r.state}});
    gAppSettings.ApplyGST = true;
    gAppSettings.ExtChgText1 = QStringLiteral("Admin fee");
    gAppSettings.ExtChgVal1 = 25;
}

QString pdfText(const QString& path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

TEST(InvoiceReport, DerivedExampleLaidOutAndWrittenToPdf)
{
    const InvoiceDocument doc = derived();
    const ReportDefinition def = InvoiceReport::Definition(doc);
    EXPECT_EQ(def.title, QStringLiteral("Rides for J SMITH for period 01/03/2024 to 14/03/2024"));
    EXPECT_EQ(def.sectionHeight(QStringLiteral("ReportFooter")), 3945);
    // Trials and extra 2 are left out: extra 1 moves up one line, the totals two.
    EXPECT_EQ(topIn(def, "lblScratchTot"), 1170);
    EXPECT_EQ(topIn(def, "lblExtraChg1"), 1965 - 450);
    EXPECT_EQ(topIn(def, "lblExtra1"), 1950 - 450);
    EXPECT_EQ(topIn(def, "lblTotalTarrow"), 2760 - 900);
    EXPECT_EQ(topIn(def, "linTotOwed2"), 3210 - 900);
    EXPECT_EQ(topIn(def, "lblABN"), 3645 - 900);
    EXPECT_EQ(topIn(def, "lblTrialPmt"), 1575); // left out, not moved

    const ReportLayout l = LayoutReport(def, InvoiceReport::Data(doc));
    ASSERT_EQ(l.pages.size(), 1);
    EXPECT_EQ(l.caption, QStringLiteral("Jockey Winning Report"));
    EXPECT_EQ(drawn(l, "lblCompany"), QStringLiteral("Hallard Bookings"));
    EXPECT_EQ(drawn(l, "LblInvNbr"), QStringLiteral("1001"));
    EXPECT_EQ(drawn(l, "lblTitle"), def.title);
    EXPECT_EQ(l.pages[0].all(QStringLiteral("txtHorse")).size(), 3);
    EXPECT_EQ(drawn(l, "txtRaceDate"), QStringLiteral("2 Mar 2024"));
    EXPECT_EQ(drawn(l, "cntNumRides"), QStringLiteral("3"));
    EXPECT_EQ(drawn(l, "sumPrizeMoney"), QStringLiteral("$10,000.00"));
    EXPECT_EQ(drawn(l, "lblBookValue"), QStringLiteral("$600.00"));
    EXPECT_EQ(drawn(l, "lblJockeyWin"), QStringLiteral("$500.00"));
    EXPECT_EQ(drawn(l, "lblManComm"), QStringLiteral("Manager Commission (20.00%)"));
    EXPECT_EQ(drawn(l, "lblTarrowWin"), QStringLiteral("$100.00"));
    EXPECT_EQ(drawn(l, "lblPerRide"), QStringLiteral("At Commision Rate"));
    EXPECT_EQ(drawn(l, "lblTarrowFee"), QStringLiteral("$120.00"));
    EXPECT_EQ(drawn(l, "lblScratchpmt"), QStringLiteral("Scratchings"));
    EXPECT_EQ(drawn(l, "lblScratch"), QStringLiteral("2"));
    EXPECT_EQ(drawn(l, "lblScratchRate"), QStringLiteral("@ $10.00"));
    EXPECT_EQ(drawn(l, "lblScratchTot"), QStringLiteral("$20.00"));
    EXPECT_EQ(drawn(l, "lblTrialPmt"), QStringLiteral("<none>"));
    EXPECT_EQ(drawn(l, "lblExtraChg1"), QStringLiteral("Admin fee"));
    EXPECT_EQ(drawn(l, "lblExtrachg2"), QStringLiteral("<none>"));
    EXPECT_EQ(drawn(l, "lblTotalTarrow"), QStringLiteral("$265.00"));
    EXPECT_EQ(drawn(l, "lblGSTTot"), QStringLiteral("$26.50"));
    EXPECT_EQ(drawn(l, "lblTotIncGST"), QStringLiteral("$291.50"));
    EXPECT_EQ(drawn(l, "lblABN"), QStringLiteral("12 345 678 901"));
    EXPECT_EQ(drawn(l, "lblABNPmt"), QStringLiteral("ABN :"));

    const QString pdf = outputDir() + QStringLiteral("/invoice.pdf");
    QFile::remove(pdf);
    ASSERT_TRUE(InvoiceReport::WritePdf(doc, pdf));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    // The printed text is read back with poppler's pdftotext (tools/deps.sh installs it).
    const QString text = pdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) is needed to read the invoice back";
    for (const char* total : {"$265.00", "$26.50", "$291.50", "Total Owed to Manager", "12 345 678 901"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(total))) << total;
}

// Printers cannot print at the paper's edge: nothing of the invoice comes
// nearer to any edge than the least margin, and the page line reads
// "Page : 1 of 1" with a blank between the number and "of".
TEST(InvoiceReport, PrintedInsideThePrintableAreaWithItsPageLine)
{
    const QString pdf = outputDir() + QStringLiteral("/invoice-margins.pdf");
    QFile::remove(pdf);
    ASSERT_TRUE(InvoiceReport::WritePdf(derived(), pdf));
    const QList<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.isEmpty()) << "pdftotext (poppler-utils) is needed to read the invoice back";
    const double margin = kReportMinimumMargin / 20.0 - 0.05; // points
    QStringList seen;
    for (const PdfWord& w : words) {
        SCOPED_TRACE(w.text.toStdString());
        EXPECT_GE(w.box.left(), margin);
        EXPECT_GE(w.box.top(), margin);
        EXPECT_LE(w.box.right(), w.pageSize.width() - margin);
        EXPECT_LE(w.box.bottom(), w.pageSize.height() - margin);
        seen << w.text;
    }
    for (const char* edge : {"Hallard", "Race", "Number", "ABN"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(edge))) << edge;

    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("Page : 1 of 1")));
    // Read back as words, "1" and "of" are as far apart as "Page" and ":".
    const QList<PdfWord> line = PdfWordsFrom(words, QStringLiteral("Page"), 5);
    ASSERT_EQ(line.size(), 5);
    EXPECT_EQ(line[2].text + line[3].text + line[4].text, QStringLiteral("1of1"));
    EXPECT_GE(line[3].box.left() - line[2].box.right(), line[1].box.left() - line[0].box.right());
}

TEST(InvoiceReport, FooterTextsFitTheirControls)
{
    // Every text the invoice puts into the footer is drawn whole on one line.
    for (const bool withFee : {false, true}) {
        InvoiceDocument doc = derived();
        if (withFee) {
            InvoiceCalc::Input in;
            in.terms.managerRate = 12.5f;
            in.terms.bookFee = cur(1234.5);
            in.totals = {999, 9876543.21, cur(99999.99)};
            in.scratchings = QStringLiteral("12.5");
            in.trials = QStringLiteral("10");
            in.terms.scratchFee = cur(1500);
            in.terms.trialFee = cur(1500);
            in.extra1 = cur(99999.99);
            in.extra1Text = QStringLiteral("Saddle cloth and gear hire, March");
            in.extra2 = cur(-50);
            in.extra2Text = QStringLiteral("Credit");
            in.applyGst = true;
            doc.result = InvoiceCalc::Compute(in);
        }
        const ReportLayout l = LayoutReport(InvoiceReport::Definition(doc), InvoiceReport::Data(doc));
        for (const ReportItem& it : l.pages.last().items) {
            if (it.kind != ReportItem::Text || it.section != QLatin1String("ReportFooter"))
                continue;
            const QFontMetricsF fm(ReportQFont(it.font));
            EXPECT_LE(fm.horizontalAdvance(it.text), it.rect.width() + 1)
                << it.name.toStdString() << " \"" << it.text.toStdString() << "\"";
        }
    }
}

TEST(InvoiceReport, ColumnHeadingsReadWhole)
{
    // The headings above the rides ("Finish Position" in a box half its
    // width) are read whole: narrowed by a fifth at most, never wrapped down to
    // their first word, and never drawn over a neighbouring heading.
    const InvoiceDocument doc = derived();
    const ReportLayout l = LayoutReport(InvoiceReport::Definition(doc), InvoiceReport::Data(doc));
    QList<const ReportItem*> header;
    for (const ReportItem& it : l.pages[0].items)
        if (it.section == QLatin1String("PageHeader"))
            header << &it;
    ASSERT_NE(l.pages[0].item(QStringLiteral("Label1")), nullptr);
    EXPECT_EQ(l.pages[0].item(QStringLiteral("Label1"))->text, QStringLiteral("Finish Position"));
    for (const ReportItem* it : header) {
        if (it->kind != ReportItem::Text)
            continue;
        const QFontMetricsF fm(ReportQFont(it->font));
        EXPECT_LE(fm.horizontalAdvance(it->text) * 0.8, it->rect.width())
            << it->name.toStdString() << " \"" << it->text.toStdString() << "\"";
    }
    const char* const headings[] = {"lblDate", "lblRace", "Label2", "lblHorse", "Label1", "lblPrizeMoney",
                                    "Label10", "Label12"};
    for (const char* a : headings)
        for (const char* b : headings) {
            const ReportItem* x = l.pages[0].item(QString::fromLatin1(a));
            const ReportItem* y = l.pages[0].item(QString::fromLatin1(b));
            ASSERT_TRUE(x && y) << a << ' ' << b;
            if (x != y) {
                EXPECT_FALSE(x->rect.intersects(y->rect)) << a << " over " << b;
            }
        }
    // The right-aligned heading keeps its right edge over its column.
    const ReportItem* finish = l.pages[0].item(QStringLiteral("Label1"));
    EXPECT_EQ(finish->rect.x() + finish->rect.width(), l.pages[0].item(QStringLiteral("txtFinish"))->rect.x()
                                                          + 570);
}

TEST(InvoiceReport, WithoutGstNothingCutOffAndBlankAbn)
{
    const InvoiceDocument doc = derived(false, QStringLiteral("__-___-___-___"));
    const ReportDefinition def = InvoiceReport::Definition(doc);
    EXPECT_EQ(def.sectionHeight(QStringLiteral("ReportFooter")), 3945 - 1000 - 900);
    const ReportLayout l = LayoutReport(def, InvoiceReport::Data(doc));
    ASSERT_EQ(l.pages.size(), 1);
    for (const char* gone : {"lblGSTTot", "lblTotIncGST", "lblgstpmt", "lblIncGstcPmt", "linGST1", "linGST2",
                             "lblABN", "lblABNPmt"})
        EXPECT_EQ(l.pages[0].item(QString::fromLatin1(gone)), nullptr) << gone;
    // The rule under the total owed lies below the shortened footer and is
    // still drawn, and the footer band reaches down to it.
    const ReportItem* rule = l.pages[0].item(QStringLiteral("linTotOwed2"));
    ASSERT_NE(rule, nullptr);
    for (const ReportBand& b : l.pages[0].bands) {
        if (b.section == QLatin1String("ReportFooter")) {
            EXPECT_GE(b.top + b.height, rule->rect.top());
        }
    }

    // With an ABN and no GST the ABN still prints.
    const InvoiceDocument withAbn = derived(false);
    const ReportLayout l2 = LayoutReport(InvoiceReport::Definition(withAbn), InvoiceReport::Data(withAbn));
    EXPECT_EQ(drawn(l2, "lblABN"), QStringLiteral("12 345 678 901"));
    EXPECT_TRUE(InvoiceReport::WritePdf(doc, outputDir() + QStringLiteral("/invoice-no-gst.pdf")));
}

TEST(InvoiceReport, EveryInvoiceStartsFromAFreshReport)
{
    // A first invoice that leaves out every optional line and GST, then the
    // derived example: the second is laid out exactly as if it were the first.
    InvoiceDocument bare = derived(false, QString());
    InvoiceCalc::Input in;
    in.jockey = bare.jockey;
    in.terms.managerRate = 20;
    bare.result = InvoiceCalc::Compute(in);
    const ReportDefinition first = InvoiceReport::Definition(bare);
    EXPECT_EQ(topIn(first, "lblTotalTarrow"), 2760 - 1800);

    const InvoiceDocument doc = derived();
    const ReportLayout alone = LayoutReport(InvoiceReport::Definition(doc), InvoiceReport::Data(doc));
    InvoiceReport::Definition(bare);
    const ReportLayout after = LayoutReport(InvoiceReport::Definition(doc), InvoiceReport::Data(doc));
    ASSERT_EQ(alone.pages.size(), after.pages.size());
    const auto& a = alone.pages[0].items;
    const auto& b = after.pages[0].items;
    ASSERT_EQ(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_EQ(a[i].rect, b[i].rect) << a[i].name.toStdString();
        EXPECT_EQ(a[i].text, b[i].text) << a[i].name.toStdString();
    }
}

TEST(InvoiceReport, ManyRidesPageAndNoRides)
{
    InvoiceDocument doc = derived();
    for (int i = 0; i < 200; ++i)
        doc.rides << ride(QDate(2024, 3, 1).addDays(i % 14), i % 10 + 1, "Filler", 100);
    const ReportLayout l = LayoutReport(InvoiceReport::Definition(doc), InvoiceReport::Data(doc));
    ASSERT_GE(l.pages.size(), 3);
    EXPECT_EQ(drawn(l, "Label6"), QString::number(l.pages.size())); // "%P"
    EXPECT_NE(l.pages.last().item(QStringLiteral("lblTotalTarrow")), nullptr);
    EXPECT_EQ(l.pages.first().item(QStringLiteral("lblTotalTarrow")), nullptr);

    InvoiceDocument none = derived();
    none.rides.clear();
    const ReportLayout n = LayoutReport(InvoiceReport::Definition(none), InvoiceReport::Data(none));
    ASSERT_EQ(n.pages.size(), 1);
    EXPECT_TRUE(n.pages[0].all(QStringLiteral("txtHorse")).isEmpty());
    EXPECT_EQ(drawn(n, "cntNumRides"), QStringLiteral("0"));
}

TEST(InvoiceReport, WindowShowsThePreviewAndItSavesAPdf)
{
    TestEnv env;
    DbFixture db(env);
    Prompts::Script script;
    storeDerivedJockey(db);

    const QString pdf = outputDir() + QStringLiteral("/invoice-from-window.pdf");
    QFile::remove(pdf);
    QString previewTitle;
    bool previewModal = false;
    script.answerModal([&](QDialog* invoiceWindow) {
        invoiceWindow->findChild<QLineEdit*>(QStringLiteral("medScratchings"))->setText(QStringLiteral("2"));
        invoiceWindow->findChild<QPushButton*>(QStringLiteral("cmdReport"))->click();
    });
    script.answerModal([&](QDialog* preview) {
        previewTitle = preview->windowTitle();
        previewModal = preview->isModal();
        auto* save = preview->findChild<QAction*>(QStringLiteral("actionSavePdf"));
        ASSERT_NE(save, nullptr);
        save->trigger();
        preview->reject();
    });
    script.answerSaveFile(pdf);
    script.answerMsgBox(Prompts::vbNo);
    QString name = QStringLiteral("j smith");
    frmSelectDate::OpenSelect(name);

    EXPECT_EQ(previewTitle, QStringLiteral("Jockey Winning Report"));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    const QString text = pdfText(pdf);
    if (!text.isEmpty()) {
        EXPECT_TRUE(text.contains(QStringLiteral("$291.50")));
    }
    // The question comes after the preview has closed.
    const auto& recs = script.records();
    ASSERT_GE(recs.size(), 4);
    EXPECT_EQ(recs.last().kind, Prompts::Kind::MsgBox);
    EXPECT_EQ(recs.last().title, QStringLiteral("Invoice update message"));
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(script.pending(), 0);
}

// The PDF's disk is full: every write past the first kilobyte is refused
// (a file size limit stands in for the full disk, which an ordinary user
// cannot make). The failure is told with the file and the reason, no cut
// file is left, and the invoice that was never written is not recorded.
TEST(InvoiceReport, APdfTheDiskRefusesIsToldRemovedAndNotRecorded)
{
    TestEnv env;
    DbFixture db(env);
    Prompts::Script script;
    storeDerivedJockey(db);
    gAppSettings.NextInvoiceNumber = 1001;
    const QString folder = env.root() + QStringLiteral("/full");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString pdf = folder + QStringLiteral("/invoice.pdf");

    bool stillOpen = false;
    script.answerModal([&](QDialog* invoiceWindow) {
        invoiceWindow->findChild<QLineEdit*>(QStringLiteral("medScratchings"))->setText(QStringLiteral("2"));
        invoiceWindow->findChild<QPushButton*>(QStringLiteral("cmdReport"))->click();
        stillOpen = invoiceWindow->isVisible();
        invoiceWindow->reject();
    });
    script.answerModal([&](QDialog* preview) {
        auto* save = preview->findChild<QAction*>(QStringLiteral("actionSavePdf"));
        ASSERT_NE(save, nullptr);
        {
            FileSizeLimit diskFull(1024);
            save->trigger();
        }
        preview->reject();
    });
    script.answerSaveFile(pdf);
    script.answerMsgBox(Prompts::vbOK);
    QString name = QStringLiteral("J SMITH");
    frmSelectDate::OpenSelect(name);

    const auto msgs = script.messages();
    ASSERT_EQ(msgs.size(), 1);
    EXPECT_EQ(msgs[0].text, QStringLiteral("The file could not be written: \r") + pdf
                                + QStringLiteral(" \r\r") + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    // No question to record it: the number and the date stay, the window stays for another try.
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 1001.0f);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT LastInvoiceDate FROM Jockey")).toDate(), QDate(2024, 2, 29));
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(script.pending(), 0);
}

// The invoice window on a test database: the jockey's terms and the proposed
// period, the extra charges and their checks, the period's rides, printing
// and recording an invoice, and the main window's way in.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modOpeners.h"
#include "mainwindow/Main.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "records/InvoiceOpeners.h"
#include "records/InvoiceReport.h"
#include "records/RecordFormats.h"
#include "records/frmSelectDate.h"
#include "support/DbFixture.h"
#include "support/MainFixture.h"
#include "support/PdfPages.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace
{
Currency cur(double v)
{
    return Currency::fromDouble(v);
}

QString outputDir()
{
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    return dir;
}

struct InvoiceWorld
{
    TestEnv env;
    DbFixture db{env};
    Prompts::Script script;
    QList<InvoiceDocument> shown;

    InvoiceWorld()
    {
        frmSelectDate::setPresenter([this](const InvoiceDocument& d) { shown << d; });
    }
    ~InvoiceWorld() { frmSelectDate::setPresenter({}); }

    void addJockey(const QString& name, const QVariant& rate, const QVariant& bookFee, const QVariant& scratchFee,
                   const QVariant& trialFee, const QVariant& last, const QVariant& period) const
    {
        db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), name},
                                             {QStringLiteral("ManagerRate"), rate},
                                             {QStringLiteral("ManBookFee"), bookFee},
                                             {QStringLiteral("ScratchFee"), scratchFee},
                                             {QStringLiteral("TrialFee"), trialFee},
                                             {QStringLiteral("LastInvoiceDate"), last},
                                             {QStringLiteral("InvoicePeriod"), period}});
    }
    void addRide(const QString& jockey, const QVariant& date, int race, const QString& horse, const QVariant& prize,
                 const QString& state = QStringLiteral("VIC")) const
    {
        db.insert(QStringLiteral("RaceStats"), {{QStringLiteral("RaceDate"), date},
                                                {QStringLiteral("RaceNumber"), race},
                                                {QStringLiteral("TrackCode"), QStringLiteral("FLEM")},
                                                {QStringLiteral("Horse"), horse},
                                                {QStringLiteral("FinishPos"), 1},
                                                {QStringLiteral("Jockey"), jockey},
                                                {QStringLiteral("PrizeMoney"), prize},
                                                {QStringLiteral("State"), state}});
    }
    void addRate(const QString& state, const QDate& from, double rate) const
    {
        db.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), state},
                                               {QStringLiteral("RaceType"), QStringLiteral("R")},
                                               {QStringLiteral("DateEffective"), from},
                                               {QStringLiteral("BookingRate"), rate}});
    }
    // The derived example: rate 20, no fee per ride, $10 a scratching, three
    // rides of $6,000, $3,000 and $1,000 at a $200 booking rate.
    void addDerivedExample() const
    {
        addJockey(QStringLiteral("J SMITH"), 20, 0, 10, QVariant(), QDate(2024, 2, 29), QStringLiteral("14"));
        addRate(QStringLiteral("VIC"), QDate(2023, 7, 1), 200);
        addRide(QStringLiteral("J SMITH"), QDate(2024, 3, 2), 4, QStringLiteral("Alpha"), 6000);
        addRide(QStringLiteral("J SMITH"), QDate(2024, 3, 9), 2, QStringLiteral("Bravo"), 3000);
        addRide(QStringLiteral("J SMITH"), QDate(2024, 3, 14), 7, QStringLiteral("Charlie"), 1000);
        gAppSettings.Companyname = QStringLiteral("Hallard Bookings");
        gAppSettings.NextInvoiceNumber = 1001;
        gAppSettings.ApplyGST = true;
        gAppSettings.ABN = QStringLiteral("12-345-678-901");
        gAppSettings.ExtChgText1 = QStringLiteral("Admin fee");
        gAppSettings.ExtChgVal1 = 25;
        gAppSettings.ExtChgText2 = QStringLiteral("Travel");
        gAppSettings.ExtChgVal2 = 0;
    }
};

template <typename W = QLineEdit>
W* child(QWidget& w, const char* name)
{
    W* c = w.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

FormattedLineEdit* amount(QWidget& w, const char* name)
{
    return child<FormattedLineEdit>(w, name);
}

QString storedDate(const DbFixture& db, const QString& jockey)
{
    return db.scalar(QStringLiteral("SELECT LastInvoiceDate FROM Jockey WHERE Jockey = ?"), {jockey})
        .toDate()
        .toString(Qt::ISODate);
}
} // namespace

TEST(InvoiceWindow, OpensWithTheJockeysTermsPeriodAndExtraCharges)
{
    InvoiceWorld w;
    w.addDerivedExample();
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("j smith"))); // case ignored
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Jockey Invoice Settings - j smith"));
    EXPECT_EQ(child<QDateEdit>(form, "dtpStart")->date(), QDate(2024, 3, 1));
    EXPECT_EQ(child<QDateEdit>(form, "dtpEnd")->date(), QDate(2024, 3, 14));
    EXPECT_EQ(form.terms().managerRate, 20.0f);
    EXPECT_EQ(form.terms().scratchFee, cur(10));
    EXPECT_EQ(form.terms().trialFee, Currency()); // Null fee
    EXPECT_EQ(child(form, "txtExtra1")->text(), QStringLiteral("Admin fee"));
    EXPECT_EQ(child(form, "txtExtra2")->text(), QStringLiteral("Travel"));
    EXPECT_EQ(child<FormattedLineEdit>(form, "meExtra1")->rawText(), QStringLiteral("25"));
    EXPECT_EQ(child<FormattedLineEdit>(form, "meExtra2")->rawText(), QStringLiteral("0"));
    EXPECT_EQ(child(form, "meExtra1")->text(), QStringLiteral("$25.00")); // not focused
    EXPECT_EQ(child(form, "meExtra2")->text(), QStringLiteral("$0.00"));
    EXPECT_TRUE(child(form, "medScratchings")->text().isEmpty());
    EXPECT_TRUE(child(form, "MedTrials")->text().isEmpty());
    EXPECT_EQ(child<QPushButton>(form, "cmdSaveExtras")->text(), QStringLiteral("&Save Extra Charges"));
    EXPECT_EQ(child<QPushButton>(form, "cmdReport")->text(), QStringLiteral("&Print Jockey Invoice"));
    EXPECT_EQ(child<QPushButton>(form, "cmdExit")->text(), QStringLiteral("E&xit"));

    // Focused, the field shows the text as typed; left, the money again.
    form.show();
    auto* amount = child<FormattedLineEdit>(form, "meExtra1");
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(amount, &in);
    EXPECT_EQ(amount->text(), QStringLiteral("25"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(amount, &out);
    EXPECT_EQ(amount->text(), QStringLiteral("$25.00"));
    EXPECT_EQ(amount->rawText(), QStringLiteral("25"));
    child(form, "medScratchings")->setText(QStringLiteral("2"));
    const QString png = outputDir() + QStringLiteral("/invoice-window.png");
    EXPECT_TRUE(form.grab().save(png));
    EXPECT_TRUE(w.script.unexpected().isEmpty());
}

TEST(InvoiceWindow, TermsWithNullsTextsAndOddNames)
{
    InvoiceWorld w;
    Clock::setFixed(QDateTime(QDate(2024, 6, 10), QTime(9, 0)));
    w.addJockey(QStringLiteral("O'Hare \"Tex\""), 12.5, QVariant(), QStringLiteral("12abc"), QStringLiteral(""),
                QVariant(), QVariant());
    w.addJockey(QStringLiteral("B Null"), 15, 5, 0, 0, QDate(2024, 3, 1), QVariant());
    w.addJockey(QStringLiteral("C Norate"), QVariant(), 5, 0, 0, QDate(2024, 3, 1), QStringLiteral("MT"));

    frmSelectDate a;
    ASSERT_TRUE(a.Prepare(QStringLiteral("o'hare \"tex\"")));
    EXPECT_EQ(a.terms().bookFee, Currency());     // Null fee per ride: none
    EXPECT_EQ(a.terms().scratchFee, cur(12));     // leading number of the text
    EXPECT_EQ(a.terms().trialFee, Currency());    // empty text
    EXPECT_EQ(child<QDateEdit>(a, "dtpStart")->date(), QDate(2024, 6, 10)); // never invoiced: today
    EXPECT_EQ(child<QDateEdit>(a, "dtpEnd")->date(), QDate(2024, 6, 10));

    frmSelectDate b;
    ASSERT_TRUE(b.Prepare(QStringLiteral("B Null")));
    EXPECT_EQ(b.terms().bookFee, cur(5));
    EXPECT_EQ(child<QDateEdit>(b, "dtpStart")->date(), QDate(2024, 3, 2)); // Null period: one day
    EXPECT_EQ(child<QDateEdit>(b, "dtpEnd")->date(), QDate(2024, 3, 2));
    EXPECT_TRUE(w.script.messages().isEmpty());

    // No rate, or no row at all: a message and the window is not opened.
    QString norate = QStringLiteral("C Norate"), nobody = QStringLiteral("Nobody"), empty;
    w.script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    frmSelectDate::OpenSelect(norate);
    frmSelectDate::OpenSelect(nobody);
    frmSelectDate::OpenSelect(empty);
    const auto msgs = w.script.messages();
    ASSERT_EQ(msgs.size(), 3);
    EXPECT_EQ(msgs[0].text,
              QStringLiteral("Jockey \"C Norate\" has no Manager Rate. Enter it in the jockey's record first."));
    EXPECT_EQ(msgs[1].text,
              QStringLiteral("Jockey \"Nobody\" was not found. Select a jockey from the jockey list."));
    EXPECT_EQ(msgs[1].title, QStringLiteral("Error"));
    EXPECT_EQ(msgs[1].style, Prompts::vbExclamation);
    EXPECT_EQ(msgs[2].text, QStringLiteral("Select a jockey from the jockey list first."));
    for (const auto& r : w.script.records())
        EXPECT_NE(r.kind, Prompts::Kind::Modal);
    Clock::setFixed(QDateTime());
}

TEST(InvoiceExtraCharges, SavedAsWholeDollarsAndChecked)
{
    InvoiceWorld w;
    w.addDerivedExample();
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("J SMITH")));
    auto* save = child<QPushButton>(form, "cmdSaveExtras");

    // Invalid amounts: the first bad field is named, nothing is stored.
    const struct
    {
        const char* a1;
        const char* a2;
        const char* msg;
    } bad[] = {{"", "5", "Extra Charge 1 is not a valid numeric"},
               {"abc", "", "Extra Charge 1 is not a valid numeric"},
               {"5", "", "Extra Charge 2 is not a valid numeric"},
               {"5", "1,2", "Extra Charge 2 is not a valid numeric"},
               {"$3,000,000,000", "5", "Extra Charge 1 is not a valid numeric"}}; // beyond 32 bits
    for (const auto& c : bad) {
        amount(form, "meExtra1")->setRawText(QString::fromLatin1(c.a1));
        amount(form, "meExtra2")->setRawText(QString::fromLatin1(c.a2));
        w.script.answerMsgBox(Prompts::vbOK);
        save->click();
        ASSERT_FALSE(w.script.messages().isEmpty());
        EXPECT_EQ(w.script.messages().last().text, QString::fromLatin1(c.msg)) << c.a1 << '|' << c.a2;
        EXPECT_EQ(w.script.messages().last().style, Prompts::vbOKOnly);
        EXPECT_EQ(w.script.messages().last().title, Prompts::kAppTitle);
    }
    EXPECT_EQ(w.script.messages().size(), 5);
    EXPECT_FALSE(QFile::exists(w.env.registryFile()));
    EXPECT_EQ(gAppSettings.ExtChgVal1, 25);

    // Valid: stored rounded to whole dollars (halves to even) and saved.
    child(form, "txtExtra1")->setText(QStringLiteral("Saddle cloth"));
    amount(form, "meExtra1")->setRawText(QStringLiteral("12.50"));
    child(form, "txtExtra2")->clear();
    amount(form, "meExtra2")->setRawText(QStringLiteral("13.50"));
    save->click();
    EXPECT_EQ(w.script.messages().size(), 5);
    EXPECT_EQ(child<FormattedLineEdit>(form, "meExtra1")->rawText(), QStringLiteral("12.50")); // cents kept
    EXPECT_EQ(child(form, "meExtra2")->text(), QStringLiteral("$13.50"));
    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.ExtChgText1, QStringLiteral("Saddle cloth"));
    EXPECT_EQ(stored.ExtChgText2, QString());
    EXPECT_EQ(stored.ExtChgVal1, 12);
    EXPECT_EQ(stored.ExtChgVal2, 14);

    amount(form, "meExtra1")->setRawText(QStringLiteral("$1,250.00"));
    amount(form, "meExtra2")->setRawText(QStringLiteral("0"));
    save->click();
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.ExtChgVal1, 1250);
    EXPECT_EQ(stored.ExtChgVal2, 0);

    // The next opening shows the saved defaults.
    frmSelectDate again;
    ASSERT_TRUE(again.Prepare(QStringLiteral("J SMITH")));
    EXPECT_EQ(child<FormattedLineEdit>(again, "meExtra1")->rawText(), QStringLiteral("1250"));
    EXPECT_EQ(child(again, "txtExtra2")->text(), QString());

    // Each field checks its own text when it is left, and does nothing else.
    w.script.clear();
    amount(form, "meExtra2")->setRawText(QString());
    w.script.answerMsgBox(Prompts::vbOK);
    form.meExtra2_CheckNumeric();
    form.meExtra1_CheckNumeric(); // "$1,250.00" is fine
    ASSERT_EQ(w.script.messages().size(), 1);
    EXPECT_EQ(w.script.messages()[0].text, QStringLiteral("Extra Charge 2 is not a valid numeric"));
    EXPECT_EQ(gAppSettings.ExtChgVal2, 0);
    EXPECT_TRUE(w.script.unexpected().isEmpty());
}

TEST(InvoiceFlow, PeriodRidesFromOneSourceAndTheDerivedExample)
{
    InvoiceWorld w;
    w.addDerivedExample();
    // Outside the period, another jockey, a ride on the last day with a time.
    w.addRide(QStringLiteral("J SMITH"), QDate(2024, 2, 29), 1, QStringLiteral("Before"), 500);
    w.addRide(QStringLiteral("J SMITH"), QDate(2024, 3, 15), 1, QStringLiteral("After"), 500);
    w.addRide(QStringLiteral("K JONES"), QDate(2024, 3, 5), 1, QStringLiteral("Other"), 800);
    w.addRide(QStringLiteral("j smith"), QStringLiteral("2024-03-14 16:40:00"), 2, QStringLiteral("Late"),
              QVariant()); // no prize: listed, not counted
    w.addRide(QStringLiteral("J SMITH"), QDate(2024, 3, 1), 9, QStringLiteral("First"), QVariant()); // first day
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("J Smith")));
    child(form, "medScratchings")->setText(QStringLiteral("2"));
    w.script.answerMsgBox(Prompts::vbNo);
    child<QPushButton>(form, "cmdReport")->click();

    ASSERT_EQ(w.shown.size(), 1);
    const InvoiceDocument& d = w.shown[0];
    QStringList horses;
    for (const auto& r : d.rides)
        horses << r.horse.toString();
    EXPECT_EQ(horses, (QStringList{QStringLiteral("First"), QStringLiteral("Alpha"), QStringLiteral("Bravo"),
                                   QStringLiteral("Late"), QStringLiteral("Charlie")}));
    EXPECT_EQ(d.rides[1].bookingRate.toDouble(), 200.0);
    const auto& a = d.result.amounts;
    EXPECT_EQ(a.rides, 3);
    EXPECT_EQ(a.prizeTotal, 10000.0);
    EXPECT_EQ(a.bookRateTotal, cur(1000)); // five rides at $200
    EXPECT_EQ(a.managerFee, cur(200));
    EXPECT_EQ(form.managerFee(), cur(200));
    EXPECT_EQ(d.result.patch.title, QStringLiteral("Rides for J Smith for period 01/03/2024 to 14/03/2024"));

    const auto msgs = w.script.messages();
    ASSERT_EQ(msgs.size(), 1);
    EXPECT_EQ(msgs[0].text, QStringLiteral("Update Next Invoice number and Last Invoice Dates for Jockey J Smith"));
    EXPECT_EQ(msgs[0].title, QStringLiteral("Invoice update message"));
    EXPECT_EQ(msgs[0].style, Prompts::vbYesNo + Prompts::vbQuestion);
    EXPECT_EQ(form.result(), QDialog::Accepted); // closes on No too

    // Without the extra ride: exactly the derived example.
    w.db.exec(QStringLiteral("DELETE FROM RaceStats WHERE Horse IN ('Late', 'First')"));
    frmSelectDate again;
    ASSERT_TRUE(again.Prepare(QStringLiteral("J SMITH")));
    child(again, "medScratchings")->setText(QStringLiteral("2"));
    w.script.answerMsgBox(Prompts::vbNo);
    child<QPushButton>(again, "cmdReport")->click();
    ASSERT_EQ(w.shown.size(), 2);
    const auto& e = w.shown[1].result.amounts;
    EXPECT_EQ(e.totalOwed, cur(265));
    EXPECT_EQ(e.gst, cur(26.5));
    EXPECT_EQ(e.totalIncGst, cur(291.5));
    EXPECT_EQ(w.shown[1].result.patch.controls.value(QStringLiteral("LblInvNbr")).caption,
              QStringLiteral("1001"));
    // No: nothing stored.
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 1001.0f);
    EXPECT_EQ(storedDate(w.db, QStringLiteral("J SMITH")), QStringLiteral("2024-02-29"));
    EXPECT_FALSE(QFile::exists(w.env.registryFile()));
}

TEST(InvoiceFlow, YesRecordsNumberAndDateAtOnce)
{
    InvoiceWorld w;
    w.addDerivedExample();
    gAppSettings.NextInvoiceNumber = 32767;
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("j smith")));
    child<QDateEdit>(form, "dtpEnd")->setDate(QDate(2024, 3, 20));
    w.script.answerMsgBox(Prompts::vbYes);
    child<QPushButton>(form, "cmdReport")->click();
    EXPECT_EQ(w.shown.size(), 1);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 32768.0f);
    EXPECT_EQ(storedDate(w.db, QStringLiteral("J SMITH")), QStringLiteral("2024-03-20"));
    cAppSettings stored; // already in the store, not waiting for the program's close
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.NextInvoiceNumber, 32768.0f);
    EXPECT_EQ(form.result(), QDialog::Accepted);

    // The next invoice starts the day after, with the next number.
    frmSelectDate next;
    ASSERT_TRUE(next.Prepare(QStringLiteral("J SMITH")));
    EXPECT_EQ(child<QDateEdit>(next, "dtpStart")->date(), QDate(2024, 3, 21));
    gAppSettings.NextInvoiceNumber = 1000.5f; // halves go to the even number
    w.script.answerMsgBox(Prompts::vbYes);
    child<QPushButton>(next, "cmdReport")->click();
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 1001.0f);

    // A number a single-precision setting cannot advance exactly is refused,
    // and neither the number nor the date changes.
    gAppSettings.NextInvoiceNumber = 16777216.0f;
    frmSelectDate big;
    ASSERT_TRUE(big.Prepare(QStringLiteral("J SMITH")));
    const QString before = storedDate(w.db, QStringLiteral("J SMITH"));
    w.script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    child<QPushButton>(big, "cmdReport")->click();
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 16777216.0f);
    EXPECT_EQ(storedDate(w.db, QStringLiteral("J SMITH")), before);
    EXPECT_EQ(w.script.messages().last().title, QStringLiteral("Error"));
    EXPECT_TRUE(w.script.unexpected().isEmpty());
}

// The database refuses the dates after the new number reached the settings
// (a full disk fails the commit): the stored number goes back with them.
TEST(InvoiceFlow, AFailedCommitOfTheDatesPutsTheStoredNumberBack)
{
    InvoiceWorld w;
    w.addDerivedExample();
    ASSERT_TRUE(gAppSettings.SaveSettings());
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("J SMITH")));
    child<QDateEdit>(form, "dtpEnd")->setDate(QDate(2024, 3, 20));
    sqlite3* handle = modDatabase::OpenLocalDatabase().handle();
    sqlite3_commit_hook(handle, [](void*) { return 1; }, nullptr); // every commit fails
    w.script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    child<QPushButton>(form, "cmdReport")->click();
    sqlite3_commit_hook(handle, nullptr, nullptr);

    const auto msgs = w.script.messages();
    ASSERT_EQ(msgs.size(), 2);
    EXPECT_TRUE(msgs[1].text.startsWith(QStringLiteral("The invoice number and last invoice date were not updated: ")))
        << msgs[1].text.toStdString();
    EXPECT_EQ(storedDate(w.db, QStringLiteral("J SMITH")), QStringLiteral("2024-02-29"));
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 1001.0f);
    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.NextInvoiceNumber, 1001.0f);
    EXPECT_TRUE(w.script.unexpected().isEmpty());
}

TEST(InvoiceFlow, RefusedBeforeAnythingIsShown)
{
    InvoiceWorld w;
    w.addDerivedExample();
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("J SMITH")));
    form.show();
    auto* print = child<QPushButton>(form, "cmdReport");

    amount(form, "meExtra2")->setRawText(QString());
    w.script.answerMsgBox(Prompts::vbOK);
    print->click();
    amount(form, "meExtra2")->setRawText(QStringLiteral("0"));
    child<QDateEdit>(form, "dtpEnd")->setDate(QDate(2024, 2, 1)); // before the start
    w.script.answerMsgBox(Prompts::vbOK);
    print->click();

    const auto msgs = w.script.messages();
    ASSERT_EQ(msgs.size(), 2);
    EXPECT_EQ(msgs[0].text, QStringLiteral("Extra Charge 2 is not a valid numeric"));
    EXPECT_EQ(msgs[1].text, QStringLiteral("The End Date is before the Start Date."));
    EXPECT_TRUE(w.shown.isEmpty());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(storedDate(w.db, QStringLiteral("J SMITH")), QStringLiteral("2024-02-29"));
}

// A negative extra charge is a credit: accepted, printed with its minus sign
// and taken off the total.
TEST(InvoiceFlow, NegativeExtraChargeIsACreditOnTheInvoice)
{
    InvoiceWorld w;
    w.addDerivedExample();
    auto print = [&w](const char* extra2) {
        frmSelectDate form;
        EXPECT_TRUE(form.Prepare(QStringLiteral("J SMITH")));
        child(form, "medScratchings")->setText(QStringLiteral("2"));
        child(form, "txtExtra2")->setText(QStringLiteral("Loyalty credit"));
        amount(form, "meExtra2")->setRawText(QString::fromLatin1(extra2));
        w.script.answerMsgBox(Prompts::vbNo);
        child<QPushButton>(form, "cmdReport")->click();
    };
    print("0");
    print("-20");
    ASSERT_EQ(w.shown.size(), 2);
    EXPECT_EQ(w.script.messages().size(), 2); // only the two update questions
    const InvoiceCalc::Amounts& plain = w.shown[0].result.amounts;
    const InvoiceCalc::Amounts& credited = w.shown[1].result.amounts;
    EXPECT_EQ(credited.extra2, cur(-20));
    EXPECT_EQ(credited.totalOwed, plain.totalOwed - cur(20));
    EXPECT_EQ(credited.totalIncGst, credited.totalOwed + credited.gst);

    const QString pdf = outputDir() + QStringLiteral("/invoice-credit.pdf");
    QFile::remove(pdf);
    ASSERT_TRUE(InvoiceReport::WritePdf(w.shown[1], pdf));
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(tool.isEmpty()) << "pdftotext (poppler-utils) is needed to read the invoice back";
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Loyalty credit\\s+-\\$20\\.00")))) << text.toStdString();
    EXPECT_TRUE(text.contains(credited.totalOwed.toMoneyText())) << text.toStdString();
    EXPECT_FALSE(text.contains(plain.totalOwed.toMoneyText())) << text.toStdString();
}

TEST(InvoiceFlow, MainWindowMenuOpensTheInvoiceOfThePickedJockey)
{
    MainFixture fx;
    Prompts::Script script;
    modOpeners::Openers() = WindowOpeners();
    RegisterInvoiceOpeners();
    fx.addJockey(QStringLiteral("J SMITH"));
    fx.db().exec(QStringLiteral("UPDATE Jockey SET ManagerRate = 20, LastInvoiceDate = '2024-02-29', InvoicePeriod = 'MT'"));
    fx.loadJockeys();
    Grid* grid = fx.main().findChild<Grid*>(QStringLiteral("grdJockey"));
    ASSERT_NE(grid, nullptr);
    auto* menu = fx.main().findChild<QAction*>(QStringLiteral("mnuJockeyReport"));
    ASSERT_NE(menu, nullptr);

    // No row picked: refused with a message, no window.
    grid->clearSelectedCells();
    script.answerMsgBox(Prompts::vbOK);
    menu->trigger();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::MsgBox);
    EXPECT_EQ(script.records()[0].text,
              QStringLiteral("Select a jockey from the jockey list first."));

    // The picked jockey's invoice window opens, prints through the preview
    // (saved as PDF there) and asks about the update afterwards.
    fx.db().exec(QStringLiteral("INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, Jockey, "
                                "PrizeMoney, State) VALUES ('2024-03-05', 3, 'CAUL', 'Delta', 1, 'J SMITH', 4000, "
                                "'VIC')"));
    gAppSettings.ApplyGST = true;
    const QString pdf = outputDir() + QStringLiteral("/invoice-from-main-window.pdf");
    QFile::remove(pdf);
    QString caption, preview;
    script.answerModal([&](QDialog* d) {
        caption = d->windowTitle();
        d->findChild<QPushButton*>(QStringLiteral("cmdReport"))->click();
    });
    script.answerModal([&](QDialog* d) {
        preview = d->windowTitle();
        if (auto* save = d->findChild<QAction*>(QStringLiteral("actionSavePdf")))
            save->trigger();
        d->reject();
    });
    script.answerSaveFile(pdf).answerMsgBox(Prompts::vbNo);
    grid->setSelectedCell(MainFixture::rowOf(grid, QStringLiteral("J SMITH")), 1);
    menu->trigger();
    EXPECT_EQ(caption, QStringLiteral("Jockey Invoice Settings - J SMITH"));
    EXPECT_EQ(preview, QStringLiteral("Jockey Winning Report"));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(tool.isEmpty()) << "pdftotext (poppler-utils) is needed to read the invoice back";
    { // the ride and its commission are on the page
        QProcess p;
        p.start(tool, {pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(text.contains(QStringLiteral("Delta")));
        EXPECT_TRUE(text.contains(QStringLiteral("$4,000.00")));
        EXPECT_TRUE(text.contains(QStringLiteral("$44.00"))); // $40 commission plus GST
    }
    EXPECT_EQ(script.messages().last().title, QStringLiteral("Invoice update message"));
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(script.pending(), 0);
    modOpeners::Openers() = WindowOpeners();
}

namespace
{
// Nonsense counts and charges are refused before anything is printed, the
// invoice number is left alone and the typed entries stay.
TEST(InvoiceWindow, NegativeOrAbsurdCountsAndChargesAreRefusedBeforePrinting)
{
    InvoiceWorld w;
    w.addDerivedExample();
    w.db.exec(QStringLiteral("UPDATE Jockey SET TrialFee = 5"));
    frmSelectDate form;
    ASSERT_TRUE(form.Prepare(QStringLiteral("J SMITH")));
    const struct
    {
        const char* scratchings;
        const char* trials;
        const char* extra1;
        const char* msg;
    } bad[] = {
        {"99999999999", "", "25", "Number of Scratchings must be a number from 0 to 1000."},
        {"2", "-3", "25", "Number of Trials must be a number from 0 to 1000."},
        {"abc", "", "25", "Number of Scratchings must be a number from 0 to 1000."},
        {"1001", "", "25", "Number of Scratchings must be a number from 0 to 1000."},
        {"2", "", "-10000000.01", "Extra Charge 1 must not be less than -$10,000,000.00."},
        {"2", "", "10000000.01", "Extra Charge 1 must not be more than $10,000,000.00."},
    };
    for (const auto& c : bad) {
        child(form, "medScratchings")->setText(QString::fromLatin1(c.scratchings));
        child(form, "MedTrials")->setText(QString::fromLatin1(c.trials));
        child<FormattedLineEdit>(form, "meExtra1")->setRawText(QString::fromLatin1(c.extra1));
        child<QPushButton>(form, "cmdReport")->click();
        ASSERT_FALSE(w.script.messages().isEmpty());
        EXPECT_EQ(w.script.messages().last().text, QString::fromLatin1(c.msg)) << c.scratchings << '|' << c.trials;
        EXPECT_EQ(w.script.messages().last().title, QStringLiteral("Error"));
        EXPECT_EQ(child(form, "medScratchings")->text(), QString::fromLatin1(c.scratchings));
    }
    EXPECT_EQ(w.script.messages().size(), std::size(bad));
    EXPECT_TRUE(w.shown.isEmpty());
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 1001);

    // A charge beyond the limit is not kept as a default either.
    child<FormattedLineEdit>(form, "meExtra1")->setRawText(QStringLiteral("-10000000.01"));
    child<QPushButton>(form, "cmdSaveExtras")->click();
    EXPECT_EQ(w.script.messages().last().text, QStringLiteral("Extra Charge 1 must not be less than -$10,000,000.00."));
    EXPECT_EQ(gAppSettings.ExtChgVal1, 25);

    // The ends of the ranges still print.
    child(form, "medScratchings")->setText(QStringLiteral("1000"));
    child(form, "MedTrials")->setText(QStringLiteral("0"));
    child<FormattedLineEdit>(form, "meExtra1")->setRawText(QStringLiteral("0"));
    w.script.answerMsgBox(Prompts::vbNo);
    child<QPushButton>(form, "cmdReport")->click();
    ASSERT_EQ(w.shown.size(), 1);
    EXPECT_EQ(w.shown[0].result.amounts.scratchTotal, cur(10000));
}
} // namespace

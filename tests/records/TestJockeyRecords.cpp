// The jockey records: navigation, adding with the statistics download, the
// name checks made before any download, deleting with the jockey's results,
// period codes, colours, money and rate display, and the main window's menu.
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/Main.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/WinColor.h"
#include "records/RecordFormats.h"
#include "records/RecordsOpeners.h"
#include "records/frmJockey.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "RecordsTestUtil.h"

#include <gtest/gtest.h>

namespace
{
const QDateTime kNow(QDate(2024, 7, 1), QTime(9, 15, 0));

class JockeyRecordsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(5000);
        Clock::setFixed(kNow);
        server.insertMany("MEETMAST", {"MDate", "MTrack", "MState"},
                          {{"2024-06-07", "FLEM", "VIC"}, {"2024-06-20", "SAND", "VIC"}});
        server.insertMany("WORKRACE",
                          {"WRaceDate", "WRaceNo", "WTrack", "WHorse", "WFinPosn", "WJockey", "WMoneyWon", "WTrainer",
                           "DateUpdated"},
                          {{"2024-06-07", 3, "FLEM", "SILVER LINING", 1, "J SMITH", 30000, "J HAWKES",
                            "2024-06-08 10:00:00"},
                           {"2024-06-20", 2, "SAND", "GREY DAWN", 2, "J SMITH", 1200, "J HAWKES",
                            "2024-06-21 09:00:00"}});
    }
    void TearDown() override
    {
        modDatabase::SetHttpTimeLimit(0);
        Clock::setFixed(QDateTime());
    }

    void addJockey(const QString& name, const QVariantMap& extra = {})
    {
        QVariantMap row = extra;
        row.insert(QStringLiteral("Jockey"), name);
        f.db().insert(QStringLiteral("Jockey"), row);
    }
    void addRide(const QString& jockey, const QString& horse)
    {
        f.db().insert(QStringLiteral("RaceStats"), {{QStringLiteral("RaceDate"), QDate(2024, 5, 1)},
                                                   {QStringLiteral("RaceNumber"), 1},
                                                   {QStringLiteral("TrackCode"), QStringLiteral("FLEM")},
                                                   {QStringLiteral("Horse"), horse},
                                                   {QStringLiteral("Jockey"), jockey}});
    }
    int rides(const QString& jockey)
    {
        // Exact letter case: shows which stored rows survived.
        return f.db().scalar(QStringLiteral("SELECT COUNT(*) FROM RaceStats WHERE Jockey = ? COLLATE BINARY"), {jockey})
            .toInt();
    }
    QVariantMap jockeyRow(const QString& name)
    {
        return f.db().rows(QStringLiteral("SELECT * FROM Jockey WHERE Jockey = ?"), {name}).value(0);
    }
    QColor colourBox(const frmJockey& w) const { return w.txtJockeyColor->palette().color(QPalette::Base); }
    static QColor background() { return WinColor::toQColor(0x80000005); }

    MainFixture f;
    FixtureServer server;
    Prompts::Script script;
};

TEST_F(JockeyRecordsTest, AnEmptyTableOpensEmptyAndAddingStoresTheJockeyWithItsResults)
{
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Jockey"));
    EXPECT_EQ(w.txtJockey->text(), QString());
    w.cmdNext->click();
    w.cmdPrevious->click();
    EXPECT_EQ(w.txtJockey->text(), QString());
    // Update with no jockey shown writes nothing.
    w.cmdUpdate->click();
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 0);
    EXPECT_EQ(messageTexts(script), QStringList{QStringLiteral("There is no jockey to update. Use Add New first.")});

    w.cmdAdd->click();
    EXPECT_TRUE(w.inAddMode());
    EXPECT_EQ(w.cmdClose->text(), QStringLiteral("Cancel Update"));
    for (QPushButton* b : {w.cmdPrevious, w.cmdNext, w.cmdDelete, w.cmdAdd})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(w.txtJockeyColor->text(), QStringLiteral("&H80000005"));
    EXPECT_EQ(colourBox(w), background());
    EXPECT_EQ(w.dtpLast->date(), kNow.date());

    w.txtJockey->setText(QStringLiteral("J Smith"));
    w.txtJockeyEmail->setPlainText(QStringLiteral("js@example.com"));
    w.mebManagerRate->setRawText(QStringLiteral("12.5"));
    w.mebManBookFee->setRawText(QStringLiteral("5"));
    w.vblcInvPer->setCurrentText(QStringLiteral("Calender Month"));
    w.dtpLast->setDate(QDate(2024, 6, 30));
    w.cmdUpdate->click();

    EXPECT_FALSE(w.inAddMode());
    EXPECT_EQ(w.cmdClose->text(), QStringLiteral("Close"));
    const QVariantMap row = jockeyRow(QStringLiteral("J Smith"));
    ASSERT_FALSE(row.isEmpty());
    EXPECT_EQ(row.value(QStringLiteral("JockeyEmail")).toString(), QStringLiteral("js@example.com"));
    EXPECT_EQ(row.value(QStringLiteral("JockeyColor")).toString(), QStringLiteral("&H80000005"));
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ManagerRate")).toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ManBookFee")).toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ScratchFee")).toDouble(), 0.0);
    EXPECT_EQ(row.value(QStringLiteral("InvoicePeriod")).toString(), QStringLiteral("MT"));
    EXPECT_EQ(row.value(QStringLiteral("LastInvoiceDate")).toDateTime().date(), QDate(2024, 6, 30));
    // The row existed before the download, so the download stamped it.
    EXPECT_EQ(row.value(QStringLiteral("DateLastStats")).toDateTime(), kNow);
    EXPECT_EQ(rides(QStringLiteral("J SMITH")), 2);
    EXPECT_EQ(server.sqlQueries().size(), 1);
    EXPECT_EQ(w.records().RecordCount(), 1);
    EXPECT_EQ(w.records().AbsolutePosition(), 0);

    // Rate and fee show through their display formats.
    EXPECT_EQ(w.mebManagerRate->text(), QStringLiteral("12.50"));
    EXPECT_EQ(w.mebManBookFee->text(), QStringLiteral("$5.00"));
    EXPECT_EQ(w.mebManBookFee->rawText(), QStringLiteral("5"));
}

TEST_F(JockeyRecordsTest, NamesAreCheckedBeforeAnyDownloadAndAnErrorReplyDeletesNothing)
{
    addJockey(QStringLiteral("J Smith"));
    addRide(QStringLiteral("J SMITH"), QStringLiteral("Kept Horse"));
    addRide(QStringLiteral("NEW GUY"), QStringLiteral("Old Ride"));
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));

    w.cmdAdd->click();
    w.txtJockey->setText(QStringLiteral("j smith"));
    w.cmdUpdate->click();
    w.txtJockey->setText(QStringLiteral("   "));
    w.cmdUpdate->click();
    EXPECT_EQ(messageTexts(script), (QStringList{QStringLiteral("There is already a jockey named J Smith."),
                                                 QStringLiteral("Enter the jockey's name before saving.")}));
    EXPECT_TRUE(w.inAddMode());
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 1);
    EXPECT_EQ(rides(QStringLiteral("J SMITH")), 1);

    // A failed download keeps the new jockey and every stored result.
    server.enqueue(FixtureServer::Reply::withBody("Error: boom", 500, "Internal Server Error"));
    w.txtJockey->setText(QStringLiteral("New Guy"));
    w.cmdUpdate->click();
    EXPECT_FALSE(w.inAddMode());
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 2);
    EXPECT_EQ(rides(QStringLiteral("NEW GUY")), 1);
    EXPECT_FALSE(jockeyRow(QStringLiteral("New Guy")).value(QStringLiteral("DateLastStats")).isValid());
    EXPECT_EQ(script.messages().size(), 3);
    EXPECT_EQ(script.messages().last().title, QStringLiteral("Connection error"));
    EXPECT_EQ(w.records().AbsolutePosition(), 1);
}

// The rides arrive but cannot be stored (the disk filled up after the
// jockey's row): the jockey stays saved, the failure is told and the window
// goes on working.
TEST_F(JockeyRecordsTest, RidesThatCannotBeStoredAreToldAndTheNewJockeyKept)
{
    f.db().exec(QStringLiteral("CREATE TRIGGER full_disk BEFORE INSERT ON RaceStats "
                               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    w.show();
    w.cmdAdd->click();
    w.txtJockey->setText(QStringLiteral("J Smith"));
    script.answerMsgBox(Prompts::vbOK);
    bool escaped = false;
    try {
        w.cmdUpdate->click();
    } catch (...) {
        escaped = true;
    }
    EXPECT_FALSE(escaped);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("J Smith: the jockey was saved; his rides could not be stored: database or disk is full"
                             " \r\rHis rides will be loaded at the next refresh."));
    EXPECT_TRUE(script.unexpected().isEmpty());
    // Saved, unstamped (so the next refresh asks for all his rides), no rides.
    const QVariantMap row = jockeyRow(QStringLiteral("J Smith"));
    ASSERT_FALSE(row.isEmpty());
    EXPECT_FALSE(row.value(QStringLiteral("DateLastStats")).isValid());
    EXPECT_EQ(rides(QStringLiteral("J SMITH")), 0);
    // The window is usable: enabled, out of Add, and the jockey can be saved again.
    EXPECT_TRUE(w.isEnabled());
    EXPECT_FALSE(w.inAddMode());
    w.txtJockeyEmail->setPlainText(QStringLiteral("js@example.com"));
    w.cmdUpdate->click();
    EXPECT_EQ(jockeyRow(QStringLiteral("J Smith")).value(QStringLiteral("JockeyEmail")).toString(),
              QStringLiteral("js@example.com"));
}

TEST_F(JockeyRecordsTest, CancelShowsTheRecordAgainAndEditSavesIt)
{
    addJockey(QStringLiteral("O'Hare"), {{QStringLiteral("ManagerRate"), 10.0}, {QStringLiteral("InvoicePeriod"), QStringLiteral(" 7")}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QStringLiteral("O'Hare")));
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("O'Hare"));
    EXPECT_EQ(w.vblcInvPer->currentText(), QStringLiteral("7 Days"));
    w.cmdAdd->click();
    w.txtJockey->setText(QStringLiteral("Abandoned"));
    script.answerMsgBox(Prompts::vbNo); // asked whether to save the new jockey: No
    w.cmdClose->click();
    EXPECT_EQ(messageTexts(script), QStringList{QStringLiteral("Save the changes to this jockey?")});
    script.clear();
    EXPECT_FALSE(w.inAddMode());
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("O'Hare"));

    w.txtJockeyMobile->setText(QStringLiteral("0400 000 111"));
    w.vblcInvPer->setCurrentIndex(-1);
    w.mebScratchFee->setRawText(QStringLiteral("-5"));
    EXPECT_EQ(w.mebScratchFee->text(), QStringLiteral("($5.00)"));
    w.mebScratchFee->setRawText(QStringLiteral("5"));
    w.mebTrialFee->setRawText(QStringLiteral("1234.5"));
    EXPECT_EQ(w.mebTrialFee->text(), QStringLiteral("$1,234.50"));
    w.cmdUpdate->click();
    const QVariantMap row = jockeyRow(QStringLiteral("O'Hare"));
    EXPECT_EQ(row.value(QStringLiteral("JockeyMobile")).toString(), QStringLiteral("0400 000 111"));
    EXPECT_EQ(row.value(QStringLiteral("InvoicePeriod")).toString(), QString());
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ScratchFee")).toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("TrialFee")).toDouble(), 1234.5);
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 1);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(JockeyRecordsTest, ANegativeFeeOrARateBeyondTheWholeIsRefusedAndTheEntriesKept)
{
    addJockey(QStringLiteral("O'Hare"), {{QStringLiteral("ManagerRate"), 10.0}, {QStringLiteral("TrialFee"), 50.0}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QStringLiteral("O'Hare")));
    struct Case
    {
        FormattedLineEdit* box;
        QString typed;
        QString message;
    };
    const QList<Case> cases = {
        {w.mebManagerRate, QStringLiteral("99999"), QStringLiteral("Manager Rate (%) must be from 0 to 100.")},
        {w.mebManagerRate, QStringLiteral("-1"), QStringLiteral("Manager Rate (%) must be from 0 to 100.")},
        {w.mebManBookFee, QStringLiteral("-0.5"), QStringLiteral("Booking Fee Per Ride must not be negative.")},
        {w.mebScratchFee, QStringLiteral("-2"), QStringLiteral("Scratchings Rate must not be negative.")},
        {w.mebTrialFee, QStringLiteral("-5"), QStringLiteral("Trials Rate must not be negative.")},
    };
    for (const Case& c : cases)
    {
        const QString before = c.box->rawText();
        w.txtJockeyMobile->setText(QStringLiteral("0400 111 222"));
        c.box->setRawText(c.typed);
        w.cmdUpdate->click();
        EXPECT_EQ(script.messages().value(script.messages().size() - 1).text, c.message);
        EXPECT_EQ(c.box->rawText(), c.typed); // kept for correcting
        EXPECT_EQ(w.txtJockeyMobile->text(), QStringLiteral("0400 111 222"));
        EXPECT_NE(jockeyRow(QStringLiteral("O'Hare")).value(QStringLiteral("JockeyMobile")).toString(),
                  QStringLiteral("0400 111 222")); // nothing of the record written
        c.box->setRawText(before);
    }
    EXPECT_EQ(script.messages().size(), cases.size());
    EXPECT_DOUBLE_EQ(jockeyRow(QStringLiteral("O'Hare")).value(QStringLiteral("TrialFee")).toDouble(), 50.0);

    // The ends of the range are taken; a new jockey is checked the same way.
    w.mebManagerRate->setRawText(QStringLiteral("100"));
    w.mebTrialFee->setRawText(QStringLiteral("0"));
    w.cmdUpdate->click();
    EXPECT_DOUBLE_EQ(jockeyRow(QStringLiteral("O'Hare")).value(QStringLiteral("ManagerRate")).toDouble(), 100.0);
    EXPECT_DOUBLE_EQ(jockeyRow(QStringLiteral("O'Hare")).value(QStringLiteral("TrialFee")).toDouble(), 0.0);
    w.cmdAdd->click();
    w.txtJockey->setText(QStringLiteral("New One"));
    w.mebTrialFee->setRawText(QStringLiteral("-5"));
    w.cmdUpdate->click();
    EXPECT_EQ(script.messages().value(script.messages().size() - 1).text,
              QStringLiteral("Trials Rate must not be negative."));
    EXPECT_TRUE(w.inAddMode());
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("New One"));
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 1);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(JockeyRecordsTest, FeesAndRatesMustBeMoneyWithinTheLimitNotLettersOrAbsurdNumbers)
{
    addJockey(QStringLiteral("O'Hare"), {{QStringLiteral("ManagerRate"), 10.0},
                                         {QStringLiteral("ManBookFee"), 5.0},
                                         {QStringLiteral("ScratchFee"), 20.0},
                                         {QStringLiteral("TrialFee"), 50.0}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QStringLiteral("O'Hare")));
    struct Case
    {
        FormattedLineEdit* box;
        QString typed;
        QString message;
    };
    const QList<Case> cases = {
        {w.mebManBookFee, QStringLiteral("1e300"),
         QStringLiteral("Booking Fee Per Ride must be an amount of money, such as 12.50.")},
        {w.mebManBookFee, QStringLiteral("99999999999"),
         QStringLiteral("Booking Fee Per Ride must not be more than $10,000,000.00.")},
        {w.mebScratchFee, QStringLiteral("abc"),
         QStringLiteral("Scratchings Rate must be an amount of money, such as 12.50.")},
        {w.mebTrialFee, QStringLiteral("5x"), QStringLiteral("Trials Rate must be an amount of money, such as 12.50.")},
        {w.mebManagerRate, QStringLiteral("abc"), QStringLiteral("Manager Rate (%) must be from 0 to 100.")},
    };
    for (const Case& c : cases)
    {
        const QString before = c.box->rawText();
        c.box->setRawText(c.typed);
        w.cmdUpdate->click();
        EXPECT_EQ(script.messages().value(script.messages().size() - 1).text, c.message) << c.typed.toStdString();
        EXPECT_EQ(c.box->rawText(), c.typed); // kept for correcting
        c.box->setRawText(before);
    }
    EXPECT_EQ(script.messages().size(), cases.size());
    const QVariantMap kept = jockeyRow(QStringLiteral("O'Hare"));
    EXPECT_DOUBLE_EQ(kept.value(QStringLiteral("ManagerRate")).toDouble(), 10.0);
    EXPECT_DOUBLE_EQ(kept.value(QStringLiteral("ManBookFee")).toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(kept.value(QStringLiteral("ScratchFee")).toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(kept.value(QStringLiteral("TrialFee")).toDouble(), 50.0);

    // Letters do not show as $0.00 either.
    w.mebScratchFee->setRawText(QStringLiteral("abc"));
    EXPECT_EQ(w.mebScratchFee->text(), QStringLiteral("abc"));
    // Money written in its own format is read whole, up to the limit itself.
    w.mebManBookFee->setRawText(QStringLiteral("10000000"));
    w.mebScratchFee->setRawText(QStringLiteral("$1,250"));
    w.mebTrialFee->setRawText(QString());
    w.cmdUpdate->click();
    EXPECT_EQ(script.messages().size(), cases.size());
    const QVariantMap row = jockeyRow(QStringLiteral("O'Hare"));
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ManBookFee")).toDouble(), 10000000.0);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("ScratchFee")).toDouble(), 1250.0);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("TrialFee")).toDouble(), 0.0);
    // Shown again as typed (never "1e+07"), so the record saves again as it is.
    ASSERT_TRUE(w.OpenRecords(QStringLiteral("O'Hare")));
    EXPECT_EQ(w.mebManBookFee->rawText(), QStringLiteral("10000000"));
    w.cmdUpdate->click();
    EXPECT_EQ(script.messages().size(), cases.size());
}

TEST_F(JockeyRecordsTest, ATextLongerThanItsColumnIsRefusedAndKeptForCorrecting)
{
    addJockey(QStringLiteral("O'Hare"), {{QStringLiteral("FullName"), QStringLiteral("Sean O'Hare")}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QStringLiteral("O'Hare")));
    const QString longName = QString(101, QLatin1Char('n'));
    w.txtFullName->setText(longName);
    w.cmdUpdate->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("Full Name can hold at most 100 characters; the text typed has 101."));
    EXPECT_EQ(w.txtFullName->text(), longName);
    EXPECT_EQ(jockeyRow(QStringLiteral("O'Hare")).value(QStringLiteral("FullName")).toString(),
              QStringLiteral("Sean O'Hare"));

    // A new jockey's name is checked before anything is written or fetched.
    w.txtFullName->setText(QStringLiteral("Sean O'Hare"));
    w.cmdAdd->click();
    const QString longJockey = QString(51, QLatin1Char('j'));
    w.txtJockey->setText(longJockey);
    w.cmdUpdate->click();
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("Jockey can hold at most 50 characters; the text typed has 51."));
    EXPECT_TRUE(w.inAddMode());
    EXPECT_EQ(w.txtJockey->text(), longJockey);
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 1);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(JockeyRecordsTest, MaskedBoxesShowTypedTextWhileFocusedAndKeepTheirLimit)
{
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    FormattedLineEdit* rate = w.mebManagerRate;
    rate->setRawText(QStringLiteral("7.5"));
    EXPECT_EQ(rate->text(), QStringLiteral("7.50"));
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(rate, &in);
    EXPECT_EQ(rate->text(), QStringLiteral("7.5"));
    rate->selectAll();
    QTest::keyClicks(rate, QStringLiteral("123456"));
    EXPECT_EQ(rate->rawText(), QStringLiteral("12345"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(rate, &out);
    EXPECT_EQ(rate->text(), QStringLiteral("12345.00"));
    EXPECT_EQ(rate->rawText(), QStringLiteral("12345"));
    // A fee longer than its typed limit still shows whole.
    w.mebManBookFee->setRawText(QStringLiteral("123456789"));
    EXPECT_EQ(w.mebManBookFee->text(), QStringLiteral("$123,456,789.00"));
    rate->setRawText(QString());
    EXPECT_EQ(rate->text(), QString());
}

TEST_F(JockeyRecordsTest, TypedChangesAreOfferedForSavingAndTheStoredNameIsLocked)
{
    addJockey(QStringLiteral("A Adams"), {{QStringLiteral("JockeyMobile"), QStringLiteral("0400 000 001")}});
    addJockey(QStringLiteral("B Baker"));
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    w.show();
    QApplication::processEvents();

    // Tab goes down the window as it is laid out.
    const QList<QWidget*> layout = {w.txtJockey,      w.cmdSeachJockey, w.txtJockeyEmail, w.txtJockeyMobile,
                                    w.txtFullName,    w.cmdSelColor,    w.txtJockeyColor, w.mebManagerRate,
                                    w.mebManBookFee,  w.mebScratchFee,  w.mebTrialFee,    w.vblcInvPer,
                                    w.dtpLast,        w.cmdPrevious,    w.cmdNext,        w.cmdClose,
                                    w.cmdAdd,         w.cmdUpdate,      w.cmdDelete};
    QList<QWidget*> chain;
    QWidget* at = w.txtJockey;
    do
    {
        if (layout.contains(at) && !chain.contains(at))
            chain << at;
        at = at->nextInFocusChain();
    } while (at != w.txtJockey);
    EXPECT_EQ(chain, layout);

    // A stored jockey's name is his key: it cannot be typed over, nor searched for.
    EXPECT_TRUE(w.txtJockey->isReadOnly());
    EXPECT_FALSE(w.cmdSeachJockey->isEnabled());

    // Next with a changed box asks; Cancel stays with the typed entry.
    w.txtJockeyMobile->setText(QStringLiteral("0411 111 111"));
    script.answerMsgBox(Prompts::vbCancel).answerMsgBox(Prompts::vbNo).answerMsgBox(Prompts::vbYes);
    w.cmdNext->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("A Adams"));
    EXPECT_EQ(w.txtJockeyMobile->text(), QStringLiteral("0411 111 111"));
    // No lets it go.
    w.cmdNext->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("B Baker"));
    EXPECT_EQ(jockeyRow(QStringLiteral("A Adams")).value(QStringLiteral("JockeyMobile")).toString(),
              QStringLiteral("0400 000 001"));
    // Yes saves before moving on.
    w.txtJockeyMobile->setText(QStringLiteral("0422 222 222"));
    w.cmdPrevious->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("A Adams"));
    EXPECT_EQ(jockeyRow(QStringLiteral("B Baker")).value(QStringLiteral("JockeyMobile")).toString(),
              QStringLiteral("0422 222 222"));
    ASSERT_EQ(script.messages().size(), 3);
    for (const Prompts::Record& r : script.messages())
    {
        EXPECT_EQ(r.text, QStringLiteral("Save the changes to this jockey?"));
        EXPECT_EQ(r.title, Prompts::kAppTitle);
        EXPECT_EQ(r.style, int(Prompts::vbYesNoCancel + Prompts::vbQuestion));
    }
    script.clear();

    // A new jockey: the name can be typed. Escape asks; Yes goes through the
    // same checks, and a refused fee keeps the window open with the entries.
    w.cmdAdd->click();
    EXPECT_FALSE(w.txtJockey->isReadOnly());
    EXPECT_TRUE(w.cmdSeachJockey->isEnabled());
    w.txtJockey->setText(QStringLiteral("J Smith"));
    w.mebManBookFee->setRawText(QStringLiteral("-5"));
    script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.inAddMode());
    EXPECT_EQ(messageTexts(script), (QStringList{QStringLiteral("Save the changes to this jockey?"),
                                                 QStringLiteral("Booking Fee Per Ride must not be negative.")}));
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("J Smith"));
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 2);
    // The close box: Cancel stays; Yes with the fee corrected saves him and closes.
    w.mebManBookFee->setRawText(QStringLiteral("5"));
    script.answerMsgBox(Prompts::vbCancel).answerMsgBox(Prompts::vbYes);
    w.close();
    EXPECT_TRUE(w.isVisible());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_DOUBLE_EQ(jockeyRow(QStringLiteral("J Smith")).value(QStringLiteral("ManBookFee")).toDouble(), 5.0);
    EXPECT_EQ(rides(QStringLiteral("J SMITH")), 2);
    EXPECT_EQ(script.messages().size(), 4);
    EXPECT_EQ(script.pending(), 0);
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(JockeyRecordsTest, NavigationStopsAtBothEnds)
{
    for (const char* n : {"C Brown", "A Adams", "B Baker"})
        addJockey(QString::fromLatin1(n));
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("A Adams"));
    w.cmdPrevious->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("A Adams"));
    w.cmdNext->click();
    w.cmdNext->click();
    w.cmdNext->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("C Brown"));
    w.cmdPrevious->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("B Baker"));
}

TEST_F(JockeyRecordsTest, DeletingTakesTheStoredJockeysResultsAndMovesOn)
{
    for (const char* n : {"A Adams", "B Baker", "C Brown"})
    {
        addJockey(QString::fromLatin1(n));
        addRide(QString::fromLatin1(n).toUpper(), QStringLiteral("Horse of ") + QString::fromLatin1(n));
    }
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    w.show();
    w.cmdNext->click();
    // The name box was edited to another jockey's name: the results still go
    // with the record deleted (stored upper case, deleted for the proper-case name).
    w.txtJockey->setText(QStringLiteral("C Brown"));
    w.cmdDelete->click();
    EXPECT_EQ(rides(QStringLiteral("B BAKER")), 0);
    EXPECT_EQ(rides(QStringLiteral("C BROWN")), 1);
    EXPECT_EQ(rides(QStringLiteral("A ADAMS")), 1);
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("C Brown"));
    EXPECT_EQ(w.records().AbsolutePosition(), 1);

    // Deleting the last record moves to the new last one.
    w.cmdDelete->click();
    EXPECT_EQ(w.txtJockey->text(), QStringLiteral("A Adams"));
    EXPECT_EQ(rides(QStringLiteral("C BROWN")), 0);
    EXPECT_TRUE(script.messages().isEmpty());

    // Deleting the only one says so and closes the window.
    w.cmdDelete->click();
    EXPECT_EQ(messageTexts(script), QStringList{QStringLiteral("No more data left")});
    EXPECT_EQ(script.messages()[0].title, Prompts::kAppTitle);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(f.db().count(QStringLiteral("Jockey")), 0);
    EXPECT_EQ(f.db().count(QStringLiteral("RaceStats")), 0);
}

TEST_F(JockeyRecordsTest, PeriodCodesMapToListTextsAndBack)
{
    using namespace RecordFormats;
    EXPECT_EQ(PeriodTextOfCode(QStringLiteral(" 7")), QStringLiteral("7 Days"));
    EXPECT_EQ(PeriodTextOfCode(QStringLiteral("HF")), QStringLiteral("Half Monthly"));
    EXPECT_EQ(PeriodTextOfCode(QStringLiteral("7")), QString());
    EXPECT_EQ(PeriodTextOfCode(QString()), QString());
    EXPECT_EQ(PeriodCodeOfText(QStringLiteral("Calender Month")), QStringLiteral("MT"));
    EXPECT_EQ(PeriodCodeOfText(QStringLiteral("7 Days")), QStringLiteral(" 7"));
    EXPECT_EQ(PeriodCodeOfText(QStringLiteral("Monthly")), QString());

    addJockey(QStringLiteral("A Adams"), {{QStringLiteral("InvoicePeriod"), QStringLiteral("7")}});
    addJockey(QStringLiteral("B Baker"), {{QStringLiteral("InvoicePeriod"), QStringLiteral("14")}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    EXPECT_EQ(w.vblcInvPer->count(), 5);
    EXPECT_EQ(w.vblcInvPer->currentText(), QString());
    w.cmdNext->click();
    EXPECT_EQ(w.vblcInvPer->currentText(), QStringLiteral("14 Days"));
    // Going back to a record without a known code empties the list text again.
    w.cmdPrevious->click();
    EXPECT_EQ(w.vblcInvPer->currentText(), QString());
}

TEST_F(JockeyRecordsTest, ColoursComeFromTheDialogAndCancelChangesNothing)
{
    addJockey(QStringLiteral("A Adams"), {{QStringLiteral("JockeyColor"), QStringLiteral("&H80000005")}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    EXPECT_EQ(colourBox(w), background());

    script.answerColor(255).answerColor(0xFF0000, false).answerColor(0);
    w.cmdSelColor->click();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Select Jockey Highlight Colour"));
    EXPECT_EQ(w.txtJockeyColor->text(), QStringLiteral(" 255"));
    EXPECT_EQ(colourBox(w), QColor(255, 0, 0));
    w.cmdSelColor->click(); // cancelled
    EXPECT_EQ(w.txtJockeyColor->text(), QStringLiteral(" 255"));
    EXPECT_EQ(colourBox(w), QColor(255, 0, 0));
    w.cmdSelColor->click(); // black is not taken
    EXPECT_EQ(w.txtJockeyColor->text(), QStringLiteral(" 255"));
    EXPECT_EQ(colourBox(w), background());

    // Typing a colour number repaints the box; a system colour shows the background.
    w.txtJockeyColor->setText(QStringLiteral(" 65280"));
    EXPECT_EQ(colourBox(w), QColor(0, 255, 0));
    w.txtJockeyColor->setText(QStringLiteral("&H80000005"));
    EXPECT_EQ(colourBox(w), background());
    EXPECT_EQ(script.pending(), 0);
}

TEST_F(JockeyRecordsTest, TheSearchButtonRefusesAnEmptyName)
{
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    w.txtJockey->setText(QStringLiteral("  "));
    w.cmdSeachJockey->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Enter Jockeys Surname then Press Seach Button"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbCritical));
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(JockeyRecordsTest, TheMainWindowReloadsItsJockeysAfterTheWindowCloses)
{
    RegisterRecordsOpeners();
    script.answerModal([](QDialog* d) {
        auto* w = qobject_cast<frmJockey*>(d);
        ASSERT_NE(w, nullptr);
        w->cmdAdd->click();
        w->txtJockey->setText(QStringLiteral("J Smith"));
        w->cmdUpdate->click();
        w->cmdClose->click();
    });
    f.main().findChild<QAction*>(QStringLiteral("mnuEditJockey"))->trigger();
    modOpeners::Openers() = WindowOpeners();
    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(MainFixture::rowOf(f.main().grdJockey, QStringLiteral("J Smith")), 1);
    EXPECT_TRUE(modJockey::gJockeyInList.contains(QStringLiteral("'J Smith'")));
}

TEST_F(JockeyRecordsTest, RendersWithFixtureData)
{
    addJockey(QStringLiteral("J Smith"), {{QStringLiteral("JockeyEmail"), QStringLiteral("jsmith@example.com")},
                                          {QStringLiteral("JockeyMobile"), QStringLiteral("0412 345 678")},
                                          {QStringLiteral("JockeyColor"), QStringLiteral(" 65535")},
                                          {QStringLiteral("FullName"), QStringLiteral("John Smith")},
                                          {QStringLiteral("ManagerRate"), 12.5},
                                          {QStringLiteral("ManBookFee"), 5},
                                          {QStringLiteral("ScratchFee"), 20},
                                          {QStringLiteral("TrialFee"), 1250},
                                          {QStringLiteral("InvoicePeriod"), QStringLiteral("HF")},
                                          {QStringLiteral("LastInvoiceDate"), QDate(2024, 6, 15)}});
    frmJockey w;
    ASSERT_TRUE(w.OpenRecords(QString()));
    w.cmdPrevious->setFocus();
    const QImage image = saveShot(&w, QStringLiteral("jockey.png"));
    EXPECT_GT(image.height(), 300);
    EXPECT_EQ(w.mebTrialFee->text(), QStringLiteral("$1,250.00"));
    EXPECT_EQ(colourBox(w), QColor(255, 255, 0));
    // The silks in the picture wear the jockey's colour.
    EXPECT_EQ(w.imgJockey->pixmap().toImage().pixelColor(36, 50), QColor(255, 255, 0));
}
} // namespace

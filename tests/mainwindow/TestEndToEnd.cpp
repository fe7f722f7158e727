// A booking manager's week through the program's real windows, on one
// temporary program folder and settings store, with the form service on a
// local server: the first start, a new jockey with colour and terms, a
// meeting's nominations, a booking dragged in the race view, the acceptances
// with their bookings check, the confirmation, a horse's statistics and a race
// result, the meeting report as a PDF, a backup, and the next start finding
// the layout and the data as they were left. Each window it opens is saved as
// a picture in build/test-output/ (e2e-*.png), with the report's PDF.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "download/WebSources.h"
#include "download/frmSelectMeeting.h"
#include "fixtures/FixtureServer.h"
#include "formhistory/FrmRaceStats.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "records/RecordFormats.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "raceview/FrmRace.h"
#include "records/frmJockey.h"
#include "records/frmSelectDate.h"
#include "support/PdfPages.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace
{
const QString kFlem = QStringLiteral("0712FLEM");

QString outputDir()
{
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    return dir;
}

// Saves what the window shows now as build/test-output/e2e-<name>.png.
void picture(QWidget* w, const QString& name)
{
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QDir(outputDir()).filePath(QStringLiteral("e2e-") + name + QStringLiteral(".png"))))
        << name.toStdString();
}

QPoint inViewport(Grid* g, int row, int col)
{
    return g->viewport()->mapFrom(g, g->cellRect(row, col).center());
}

int rowOf(const Grid* g, const QString& text, int col)
{
    for (int r = 1; r <= g->rows(); ++r)
        if (g->cellText(r, col) == text)
            return r;
    return 0;
}

QStringList messageTitles(const Prompts::Script& s)
{
    QStringList titles;
    for (const Prompts::Record& r : s.messages())
        titles << r.title;
    return titles;
}

// The racing body's public site as the meeting list reads it: a calendar with
// one meeting in nominations, and its nominations page.
const QByteArray kCalendar = R"(<html><head><title>Racing calendar</title></head><body>
<table class="calendar"><tr><th>Date</th><th>Meeting</th><th>Fields</th></tr>
<tr class="row"><td>07 Dec</td><td><a href="/FreeFields/Form.aspx?Key=2024Dec07,VIC,Flemington">Flemington</a></td>
<td><a href="/FreeFields/Nominations.aspx?Key=2024Dec07,VIC,Flemington">N</a></td></tr>
</table></body></html>)";

const QByteArray kNominations = R"(<html><head><title>Flemington Nominations</title></head><body>
<h1>Flemington: Saturday 7 December 2024</h1>
<!-- start of races -->
<table class="race-title"><tr><th>Race 1 - 1:30PM WINTER HANDICAP (1400 METRES)</th></tr>
<tr><td class="race-info"><br><br><b>BenchMark 70 Handicap</b>.<br>Field Limit: 14 + 4 EM<br>Apprentices can claim</td></tr></table>
<table class="race-strip-fields"><tr><th class="no">No</th><th class="f">Last 10</th><th class="h">Horse</th><th class="t">Trainer</th><th class="w">Weight</th><th class="r">Hcp Rating</th></tr>
<tr class="odd"><td class="no">1</td><td class="f">21x1</td><td class="h"><a href="/horse/1" target="_blank">SILVER LINING</a></td><td class="t">J Hawkes</td><td class="w">56.5</td><td class="r">(72)</td></tr>
<tr class="even"><td class="no">2</td><td class="f">3124</td><td class="h"><a href="/horse/2" target="_blank">RED SKY</a></td><td class="t">J Hawkes</td><td class="w">54</td><td class="r">(70)</td></tr>
</table>
<!-- start of races -->
<table class="race-title"><tr><th>Race 2 - 2:05PM SPRING PLATE (1200 METRES)</th></tr>
<tr><td class="race-info"><br><br>Plate.<br>Field Limit: 12 + 2 EM</td></tr></table>
<table class="race-strip-fields"><tr><th class="no">No</th><th class="f">Last 10</th><th class="h">Horse</th><th class="t">Trainer</th><th class="w">Weight</th><th class="r">Hcp Rating</th></tr>
<tr class="odd"><td class="no">1</td><td class="f">0x43</td><td class="h"><a href="/horse/3" target="_blank">GREY DAWN</a></td><td class="t">P Moran</td><td class="w">55.5</td><td class="r">(60)</td></tr>
</table>
<p>End of fields.</p>
</body></html>)";

class EndToEnd : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    QString dataDir;

    void SetUp() override
    {
        ResetSharedState();
        modJockey::gJockeyInList.clear();
        modJockey::gIconJockey.clear();
        modOpeners::Openers() = WindowOpeners();
        RegisterWindowOpeners();
        env.installSounds();
        env.installTemplateDatabase();
        ASSERT_TRUE(server.execFile(QStringLiteral(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql")));
        // The only set-up before the first start: the form service's address
        // and the account it knows (an empty user name means "Kelp").
        server.setAccount(QStringLiteral("Kelp"), QStringLiteral("Kelp"));
        cAppSettings s;
        s.DataServer = server.host();
        ASSERT_TRUE(s.SaveSettings());
        // Field files as the racing services bureau sends them, in a folder of their own.
        dataDir = QDir(env.root()).filePath(QStringLiteral("fields"));
        QDir().mkpath(dataDir);
        for (const char* name : {"0712FLEM.DGN", "0712FLEM.DGA"})
            ASSERT_TRUE(QFile::copy(TestEnv::dataFile(QStringLiteral("fieldfiles/") + QString::fromLatin1(name)),
                                    QDir(dataDir).filePath(QString::fromLatin1(name))));
        Grid::setDragHook([](Grid*) {}); // the drop is sent by hand below
        // The week starts on Monday 2 December 2024; the public site is the local server.
        Clock::setFixed(QDateTime(QDate(2024, 12, 2), QTime(9, 0)));
        WebSources::SetBase(WebSources::Source::PublicSite, server.url());
        server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), FixtureServer::Reply::withBody(kCalendar));
        server.addPage(QStringLiteral("/FreeFields/Nominations.aspx"), FixtureServer::Reply::withBody(kNominations));
        gUseOtherSource = 0;
        Main::destroyInstance();
    }
    void TearDown() override
    {
        Main::destroyInstance();
        Grid::setDragHook(nullptr);
        WebSources::SetBase(WebSources::Source::PublicSite, QString());
        Clock::setFixed(QDateTime());
        modOpeners::Openers() = WindowOpeners();
        modJockey::gJockeyInList.clear();
        modJockey::gIconJockey.clear();
        ResetSharedState();
    }

    /** One start of the program as the splash runs it: a fresh settings
     *  object, the main window's load, shown. */
    static Main* start()
    {
        Main::destroyInstance();
        gAppSettings = cAppSettings();
        Main* w = Main::instance();
        w->Form_Load();
        w->show();
        EXPECT_FALSE(w->ProgramEnded());
        return w;
    }

    DaoDatabase db() const { return modDatabase::OpenLocalDatabase(); }
    QVariant scalar(const QString& sql) const { return db().Scalar(sql); }
};
} // namespace

TEST_F(EndToEnd, ABookingManagersWeek)
{
    QElapsedTimer timer;
    timer.start();

    // ---- First start: the template database in the program folder, no rows.
    Main* m = start();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Velmora 2 Version 2.6.18"));
    EXPECT_EQ(m->grdMeeting->rows(), 0);
    EXPECT_EQ(m->grdJockey->rows(), 0);
    picture(m, QStringLiteral("main-first-start"));

    // ---- A new jockey with colour and terms; saving fetches the rides.
    {
        Prompts::Script script;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            auto* j = qobject_cast<frmJockey*>(d);
            ASSERT_NE(j, nullptr);
            j->cmdAdd->click();
            j->txtJockey->setText(QStringLiteral("J Smith"));
            j->txtFullName->setText(QStringLiteral("JOHN SMITH"));
            j->txtJockeyMobile->setText(QStringLiteral("0412 345 678"));
            j->cmdSelColor->click(); // answered with red below
            j->mebManagerRate->setRawText(QStringLiteral("10"));
            j->mebManBookFee->setRawText(QStringLiteral("5.50"));
            j->vblcInvPer->setCurrentIndex(1);
            j->dtpLast->setDate(QDate(2009, 5, 31)); // invoiced up to the end of May 2009
            j->cmdUpdate->click();
            picture(j, QStringLiteral("jockey"));
            d->reject();
        });
        script.answerColor(255);
        m->mnuEditJockey->trigger();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Jockey WHERE Jockey = 'J Smith' AND ManagerRate = 10 "
                                    "AND ManBookFee = 5.5 AND FullName = 'JOHN SMITH'"))
                  .toInt(),
              1);
    EXPECT_EQ(modUtils::Val(scalar(QStringLiteral("SELECT JockeyColor FROM Jockey")).toString()), 255);
    // His three rides in the sample form database.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM RaceStats WHERE Jockey = 'J Smith'")).toInt(), 3);
    ASSERT_EQ(m->grdJockey->rows(), 1);
    EXPECT_EQ(m->grdJockey->cellText(1, 1), QStringLiteral("J Smith"));

    // ---- Get Data: the meeting's nominations downloaded from the public site.
    {
        Prompts::Script script;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            auto* list = qobject_cast<frmSelectMeeting*>(d);
            ASSERT_NE(list, nullptr);
            ASSERT_EQ(list->grdMeeting->rows(), 1);
            list->grdMeeting->setSelectedCell(1, 1);
            picture(list, QStringLiteral("meeting-list"));
            list->cmdDownload->click();
        });
        script.answerMsgBox(Prompts::vbOK);
        m->CmdGetData->click();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
        EXPECT_EQ(messageTitles(script), QStringList{QStringLiteral("Success")});
    }
    ASSERT_EQ(m->grdMeeting->rows(), 1);
    EXPECT_EQ(m->grdMeeting->cellText(1, 1), kFlem);
    EXPECT_EQ(scalar(QStringLiteral("SELECT MeetingLevel FROM Meeting")).toString(), QStringLiteral("NOM"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Noms")).toInt(), 3);
    EXPECT_GT(rowOf(m->grdNames, QStringLiteral("J Hawkes"), 1), 0);

    // ---- The whole meeting in the race view; J Smith dragged onto Silver Lining.
    m->grdMeeting->setSelectedCell(1, 1);
    {
        Prompts::Script script;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            auto* race = qobject_cast<FrmRace*>(d);
            ASSERT_NE(race, nullptr);
            EXPECT_EQ(race->MeetingCode, kFlem);
            EXPECT_TRUE(race->WholeMeeting);
            const int jockey = rowOf(race->grdJockey, QStringLiteral("J Smith"), 1);
            ASSERT_GT(jockey, 0);
            QTest::mousePress(race->grdJockey->viewport(), Qt::LeftButton, {}, inViewport(race->grdJockey, jockey, 1));
            QTest::mouseRelease(race->grdJockey->viewport(), Qt::LeftButton, {},
                                inViewport(race->grdJockey, jockey, 1));
            const int horse = rowOf(race->grdRace, QStringLiteral("SILVER LINING"), FrmRace::ColHorse);
            ASSERT_GT(horse, 0);
            const QPoint at = inViewport(race->grdRace, horse, FrmRace::ColForm);
            QMimeData mime;
            mime.setData(Grid::dragMimeType(), QByteArrayLiteral("grdJockey"));
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(race->grdRace->viewport(), &enter);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, {}, QEvent::Drop);
            QCoreApplication::sendEvent(race->grdRace->viewport(), &drop);
            EXPECT_EQ(race->grdRace->cellText(horse, FrmRace::ColJockey), QStringLiteral("J Smith"));
            picture(race, QStringLiteral("raceview-booked"));
            d->reject();
        });
        m->MnuMeetingView->trigger();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
    }
    // Booked under the horse's own race.
    EXPECT_EQ(scalar(QStringLiteral("SELECT Jockey || '/' || BookingSelection || '/' || (B.RaceCode = R.RaceCode) "
                                    "FROM Bookings B JOIN Race R ON R.MeetingCode = B.MeetingCode "
                                    "AND R.RaceNumber = 1 WHERE B.Horse = 'SILVER LINING'"))
                  .toString(),
              QStringLiteral("J Smith/Planned/1"));

    // ---- The acceptances: the field names another rider on the booked horse;
    // the manager keeps the booking.
    {
        Prompts::Script script;
        script.answerOpenFiles({QDir(dataDir).filePath(QStringLiteral("0712FLEM.DGA"))});
        script.answerMsgBox(Prompts::vbNo);
        m->cmdBrowse->click();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(messageTitles(script), QStringList{QStringLiteral("Jockey booking Error")});
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("ACP For meeting has A BROWN")));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT MeetingLevel FROM Meeting")).toString(), QStringLiteral("ACP"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Bookings")).toInt(), 1);

    // ---- Race 1: the booking confirmed by a double-click, then the meeting report as a PDF.
    const QString reportPdf = QDir(outputDir()).filePath(QStringLiteral("e2e-meeting-report.pdf"));
    QFile::remove(reportPdf);
    m->grdMeeting->setSelectedCell(1, 1);
    {
        Prompts::Script script;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            auto* race = qobject_cast<FrmRace*>(d);
            ASSERT_NE(race, nullptr);
            EXPECT_EQ(race->RaceNumber, 1);
            const int horse = rowOf(race->grdRace, QStringLiteral("SILVER LINING"), FrmRace::ColHorse);
            ASSERT_GT(horse, 0);
            QTest::mouseDClick(race->grdRace->viewport(), Qt::LeftButton, {},
                               inViewport(race->grdRace, horse, FrmRace::ColForm));
            EXPECT_EQ(race->grdRace->cellText(horse, FrmRace::ColBooking), QStringLiteral("Confirmed"));
            picture(race, QStringLiteral("raceview-confirmed"));
            race->cmdPrint->click();
            d->reject();
        });
        script.answerModal([&](QDialog* preview) {
            const auto closed = qScopeGuard([preview] { preview->reject(); }); // even when a check fails
            picture(preview, QStringLiteral("meeting-report-preview"));
            QAction* save = preview->findChild<QAction*>(QStringLiteral("actionSavePdf"));
            ASSERT_NE(save, nullptr);
            save->trigger();
            preview->reject();
        });
        script.answerSaveFile(reportPdf);
        m->MnuRace->trigger();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT Confirmed FROM Bookings WHERE Horse = 'SILVER LINING'")).toInt(), 1);
    EXPECT_GE(PdfPageCount(reportPdf), 1);

    // ---- The horse's statistics and, from them, one race's result.
    ASSERT_GT(rowOf(m->grdNames, QStringLiteral("J HAWKES"), 1), 0);
    m->grdNames->setSelectedCell(rowOf(m->grdNames, QStringLiteral("J HAWKES"), 1), 1);
    m->grdNames_OnMouseUp(1);
    const int runner = rowOf(m->grdNoms, QStringLiteral("SILVER LINING"), 4);
    ASSERT_GT(runner, 0);
    EXPECT_EQ(m->grdNoms->cellText(runner, 13), QStringLiteral("Confirmed"));
    m->grdNoms->setSelectedCell(runner, 4);
    {
        Prompts::Script script;
        QString resultTitle;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            auto* stats = qobject_cast<FrmRaceStats*>(d);
            ASSERT_NE(stats, nullptr);
            EXPECT_EQ(stats->grdStats->rows(), 2); // two starts in the sample
            picture(stats, QStringLiteral("horse-statistics"));
            stats->grdStats->setSelectedCell(1, 1);
            stats->grdStats_OnDblClick(1, 1);
            d->reject();
        });
        script.answerModal([&](QDialog* result) {
            const auto closed = qScopeGuard([result] { result->reject(); }); // even when a check fails
            resultTitle = result->objectName();
            picture(result, QStringLiteral("race-result"));
            result->reject();
        });
        m->MnuHorseForm->trigger();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
        EXPECT_EQ(resultTitle, QStringLiteral("frmRaceResult"));
    }
    EXPECT_EQ(gStatsMode, QStringLiteral("horse"));

    // ---- The jockey's invoice for June 2009 (his three rides), printed to PDF;
    // the manager lets the invoice date move on.
    const QString invoicePdf = QDir(outputDir()).filePath(QStringLiteral("e2e-jockey-invoice.pdf"));
    QFile::remove(invoicePdf);
    m->grdJockey->setSelectedCell(rowOf(m->grdJockey, QStringLiteral("J Smith"), 1), 1);
    {
        Prompts::Script script;
        QString caption;
        script.answerModal([&](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); }); // even when a check fails
            caption = d->windowTitle();
            auto* start = d->findChild<QDateEdit*>(QStringLiteral("dtpStart"));
            auto* end = d->findChild<QDateEdit*>(QStringLiteral("dtpEnd"));
            ASSERT_NE(start, nullptr);
            ASSERT_NE(end, nullptr);
            EXPECT_EQ(start->date(), QDate(2009, 6, 1));
            end->setDate(QDate(2009, 6, 30));
            picture(d, QStringLiteral("invoice-settings"));
            d->findChild<QPushButton*>(QStringLiteral("cmdReport"))->click();
            d->reject();
        });
        script.answerModal([&](QDialog* preview) {
            const auto closed = qScopeGuard([preview] { preview->reject(); }); // even when a check fails
            picture(preview, QStringLiteral("invoice-preview"));
            QAction* save = preview->findChild<QAction*>(QStringLiteral("actionSavePdf"));
            ASSERT_NE(save, nullptr);
            save->trigger();
            preview->reject();
        });
        script.answerSaveFile(invoicePdf).answerMsgBox(Prompts::vbYes);
        m->mnuJockeyReport->trigger();
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_EQ(script.pending(), 0);
        EXPECT_EQ(caption, QStringLiteral("Jockey Invoice Settings - J Smith"));
        EXPECT_EQ(messageTitles(script), QStringList{QStringLiteral("Invoice update message")});
    }
    EXPECT_GE(PdfPageCount(invoicePdf), 1);
    EXPECT_EQ(QDate::fromString(scalar(QStringLiteral("SELECT LastInvoiceDate FROM Jockey")).toString().left(10),
                                Qt::ISODate),
              QDate(2009, 6, 30));

    // ---- A backup of the database.
    const QString backupDir = QDir(env.root()).filePath(QStringLiteral("backup"));
    QDir().mkpath(backupDir);
    const QString backup = QDir(backupDir).filePath(QStringLiteral("Tarrow.mdb"));
    {
        Prompts::Script script;
        script.answerSaveFile(backup).answerMsgBox(Prompts::vbOK);
        m->mnuBackupDatabase->trigger();
        EXPECT_EQ(messageTitles(script), QStringList{QStringLiteral("Backup Complete")});
    }
    {
        // The copy is a database of its own holding the week's booking.
        sqlite3* copy = nullptr;
        ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(backup).constData(), &copy, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(copy, "SELECT count(*) FROM Bookings WHERE Confirmed <> 0", -1, &st, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(st, 0), 1);
        sqlite3_finalize(st);
        sqlite3_close(copy);
    }
    picture(m, QStringLiteral("main-week"));

    // ---- Close, and start again: the layout and the data are as they were left.
    m->grdNames->setColWidth(1, 171);
    // As wide as the window allows with every nominations column in view.
    const int width = std::max(1200, m->minimumWidth());
    m->setGeometry(60, 40, width, 760);
    m->close();
    m = start();
    EXPECT_EQ(m->grdNames->colWidth(1), 171);
    EXPECT_EQ(m->geometry(), QRect(60, 40, width, 760));
    ASSERT_EQ(m->grdMeeting->rows(), 1);
    EXPECT_EQ(m->grdJockey->cellText(1, 1), QStringLiteral("J Smith"));
    m->grdNames->setSelectedCell(rowOf(m->grdNames, QStringLiteral("J HAWKES"), 1), 1);
    m->grdNames_OnMouseUp(1);
    EXPECT_EQ(m->grdNoms->cellText(rowOf(m->grdNoms, QStringLiteral("SILVER LINING"), 4), 13),
              QStringLiteral("Confirmed"));
    picture(m, QStringLiteral("main-next-start"));
    m->close();

    // The week stays quick to walk through.
    EXPECT_LT(timer.elapsed(), 30000);
}

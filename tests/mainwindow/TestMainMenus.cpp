// The main window's menu commands that open the small windows and the web
// pages, the nominations pop-up with "Set Remaining Status to", the race
// header, and the field-file import switched off by a refused account.
#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "core/frmAbout.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QDir>
#include <QFile>
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace
{
const QString kFlem = QStringLiteral("0712FLEM");
const QString kMoon = QStringLiteral("0812MOON");

void trigger(Main& m, const char* name)
{
    auto* action = m.findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
}

// A trainer with runners at two meetings, one booked as planned and one with a template status.
void addStable(MainFixture& f)
{
    f.addMeeting(kFlem, QStringLiteral("NOM"));
    f.addMeeting(kMoon, QStringLiteral("NOM"), true, QDate(2024, 12, 8), QStringLiteral("Moonee Valley"));
    f.addTrainer(QStringLiteral("T Smith"));
    f.addRunner(kFlem, 3, QStringLiteral("T Smith"), QStringLiteral("Alpha"));
    f.addRunner(kFlem, 4, QStringLiteral("T Smith"), QStringLiteral("Bravo"));
    f.addRunner(kFlem, 5, QStringLiteral("T Smith"), QStringLiteral("Charlie"));
    f.addRunner(kMoon, 2, QStringLiteral("T Smith"), QStringLiteral("Delta"));
    f.addBooking(kFlem, QStringLiteral("Bravo"), QString(), QStringLiteral("Planned"));
    f.addBooking(kFlem, QStringLiteral("Charlie"), QString(), QStringLiteral("Tentative"));
    f.main().LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("T Smith")));
}
} // namespace

TEST(MainMenus, SetupAndHelpWindows)
{
    MainFixture f;
    Main& m = f.main();
    QStringList opened;
    Prompts::Script script;
    script.answerModal([&](QDialog* d) { opened << d->objectName(); d->reject(); })
        .answerModal([&](QDialog* d) { opened << d->objectName(); d->reject(); });
    trigger(m, "mnuSystemSettings");
    trigger(m, "MnuAllGet");
    EXPECT_EQ(opened, (QStringList{"frmState", "frmAllowGet"}));

    // About does not block the main window, and a second choice shows the same window.
    trigger(m, "mnuAbout");
    trigger(m, "mnuAbout");
    const auto abouts = m.findChildren<frmAbout*>();
    ASSERT_EQ(abouts.size(), 1);
    EXPECT_TRUE(abouts[0]->isVisible());
    EXPECT_FALSE(abouts[0]->isModal());
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST(MainMenus, RemainingStatusOfferedOverATemplateAndGivenOnlyToRowsWithoutOne)
{
    MainFixture f;
    addStable(f);
    Main& m = f.main();
    Grid* g = m.grdNoms;
    const int tentative = MainFixture::rowOf(g, QStringLiteral("Tentative"), 13);
    const int planned = MainFixture::rowOf(g, QStringLiteral("Planned"), 13);
    ASSERT_GT(tentative, 0);

    PopMenu::Script menus;
    menus.dismiss().dismiss().choose(QStringLiteral("mnuUpdateStatus"));
    g->setSelectedCell(planned, 13);
    m.grdNoms_OnMouseUp(2);
    g->setSelectedCell(tentative, 4);
    m.grdNoms_OnMouseUp(2);
    g->setSelectedCell(tentative, 13);
    m.grdNoms_OnMouseUp(2);
    ASSERT_EQ(menus.records().size(), 3);
    EXPECT_FALSE(menus.records()[0].items.contains(QStringLiteral("mnuUpdateStatus")));
    EXPECT_FALSE(menus.records()[1].items.contains(QStringLiteral("mnuUpdateStatus")));
    EXPECT_TRUE(menus.records()[2].items.contains(QStringLiteral("mnuUpdateStatus")));
    EXPECT_EQ(m.mnuUpdateStatus->text(), QStringLiteral("Set Remaining Status to Tentative"));

    // Alpha and Delta had no status; each booking keeps its own meeting.
    const auto rows = f.db().rows(QStringLiteral("SELECT MeetingCode, Horse, BookingSelection, TrainerName FROM "
                                                 "Bookings ORDER BY Horse"));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].value("Horse").toString() + rows[0].value("MeetingCode").toString(), "Alpha" + kFlem);
    EXPECT_EQ(rows[0].value("BookingSelection").toString(), QStringLiteral("Tentative"));
    EXPECT_EQ(rows[0].value("TrainerName").toString(), QStringLiteral("T Smith"));
    EXPECT_EQ(rows[1].value("BookingSelection").toString(), QStringLiteral("Planned"));
    EXPECT_EQ(rows[3].value("Horse").toString() + rows[3].value("MeetingCode").toString(), "Delta" + kMoon);
    EXPECT_EQ(rows[3].value("BookingSelection").toString(), QStringLiteral("Tentative"));
    EXPECT_EQ(g->cellText(MainFixture::rowOf(g, QStringLiteral("Delta"), 4), 13), QStringLiteral("Tentative"));
}

TEST(MainMenus, RaceHeaderWrittenWhenTheRowsRaceChanges)
{
    MainFixture f;
    addStable(f);
    f.db().insert(QStringLiteral("Race"), {{"MeetingCode", kFlem}, {"RaceNumber", 3}, {"RaceDetails", "Benchmark 78"},
                                           {"RaceTime", QDateTime(QDate(1899, 12, 30), QTime(13, 25))},
                                           {"ApprClaim", true}});
    f.db().insert(QStringLiteral("Race"), {{"MeetingCode", kFlem}, {"RaceNumber", 4},
                                           {"RaceTime", QDateTime(QDate(1899, 12, 30), QTime(0, 1))}});
    Main& m = f.main();
    m.grdNoms->setSelectedCell(MainFixture::rowOf(m.grdNoms, QStringLiteral("Alpha"), 4), 4);
    m.grdNoms_OnMouseUp(1);
    const QString header = m.txtRace->toPlainText();
    EXPECT_TRUE(header.startsWith(QStringLiteral("Flemington     NOM"))) << qPrintable(header);
    EXPECT_TRUE(header.contains(QStringLiteral("Race :3     01:25 PM        Apprentices can claim.\nBenchmark 78")));

    m.txtRace->setPlainText(QStringLiteral("kept"));
    m.grdNoms_OnMouseUp(1); // same race: not rewritten
    EXPECT_EQ(m.txtRace->toPlainText(), QStringLiteral("kept"));
    m.grdNoms->setSelectedCell(MainFixture::rowOf(m.grdNoms, QStringLiteral("Bravo"), 4), 4);
    m.grdNoms_OnMouseUp(1);
    EXPECT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Race :4        No Allowances for apprentices.")));
    EXPECT_EQ(m.IntRace, 4);
}

TEST(MainMenus, PageViewersTallerThanTheScreenOpenWithinIt)
{
    // The race-book page is laid out 1250 x 1130 and the registration search
    // 1283 x 1150: the screen here is 1920 x 1080.
    MainFixture f;
    addStable(f);
    FixtureServer server;
    Main::SetRaceBookSite(server.url());
    modJockey::SetRegistrationSite(server.url());
    Main& m = f.main();
    m.LoadMeetingGrid();
    m.grdMeeting->setSelectedCell(1, 1);
    QStringList checked;
    Prompts::Script script;
    const auto check = [&](QDialog* d) {
        const QRect screen = d->screen()->availableGeometry();
        auto* viewer = qobject_cast<FrmBrowse*>(d);
        EXPECT_TRUE(screen.contains(d->frameGeometry())) << d->windowTitle().toStdString();
        EXPECT_GT(d->height(), 1000);
        if (viewer) {
            EXPECT_TRUE(d->rect().contains(viewer->WebBrowser()->geometry())) << d->windowTitle().toStdString();
        }
        checked << d->windowTitle();
        d->reject();
    };
    script.answerModal(check).answerModal(check);
    trigger(m, "mnuMeetingForm");
    m.grdNoms->setSelectedCell(MainFixture::rowOf(m.grdNoms, QStringLiteral("Delta"), 4), 4);
    trigger(m, "mnuRego");
    EXPECT_EQ(checked, (QStringList{"Racebook Form", "Registration Search - Delta"}));
    Main::SetRaceBookSite(QString());
    modJockey::SetRegistrationSite(QString());
}

TEST(MainMenus, WebPagesOfTheMeetingsAndTheRunner)
{
    MainFixture f;
    addStable(f);
    FixtureServer server;
    Main::SetRaceBookSite(server.url());
    modJockey::SetRegistrationSite(server.url());
    modJockey::SetRbhSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"), "<html>none</html>",
                   "text/html", "POST");
    Main& m = f.main();
    m.LoadMeetingGrid();
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting->selectRowToo(2);

    QStringList titles;
    Prompts::Script script;
    const auto close = [&](QDialog* d) { titles << d->windowTitle(); d->reject(); };
    script.answerModal(close).answerModal(close).answerModal(close).answerModal(close);
    trigger(m, "mnuMeetingForm");
    const int runner = MainFixture::rowOf(m.grdNoms, QStringLiteral("Delta"), 4);
    m.grdNoms->setSelectedCell(runner, 4);
    trigger(m, "mnuRego");
    trigger(m, "MnuVicRatings");
    EXPECT_EQ(titles,
              (QStringList{"Racebook Form", "Racebook Form", "Registration Search - Delta", "RBH Vic Rating"}));

    trigger(m, "mnuNomsRBForm"); // does not wait
    const auto viewers = m.findChildren<FrmBrowse*>();
    ASSERT_EQ(viewers.size(), 1);
    EXPECT_TRUE(viewers[0]->isVisible());
    EXPECT_TRUE(viewers[0]->LocationURL().endsWith(QStringLiteral("#race2")));
    viewers[0]->close();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5);
    EXPECT_EQ(requests[0].path, QStringLiteral("/FreeFields/Form.aspx"));
    EXPECT_EQ(requests[0].queryValue("Key"), QStringLiteral("2024Dec07,VIC,Flemington"));
    EXPECT_EQ(requests[1].queryValue("Key"), QStringLiteral("2024Dec08,VIC,Moonee Valley"));
    EXPECT_TRUE(requests[3].body.contains("txtHorseName=Delta"));
    EXPECT_EQ(requests[4].path, QStringLiteral("/FreeFields/Nominations_Form.aspx"));
    EXPECT_EQ(requests[4].queryValue("Key"), QStringLiteral("2024Dec08,VIC,Moonee Valley"));
    EXPECT_EQ(requests[4].queryValue("recentform"), QStringLiteral("Y"));

    // A row without a meeting opens nothing.
    m.grdNoms->setCellText(runner, 1, QStringLiteral(" "));
    trigger(m, "mnuRego");
    trigger(m, "MnuVicRatings");
    EXPECT_EQ(server.requestCount(), 5);
    EXPECT_TRUE(script.unexpected().isEmpty());
    Main::SetRaceBookSite(QString());
    modJockey::SetRegistrationSite(QString());
    modJockey::SetRbhSite(QString());
}

TEST(MainMenus, TheRatingLookupDoesNotStartAgainWhileItWaits)
{
    MainFixture f;
    addStable(f);
    FixtureServer server;
    modJockey::SetRbhSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"), "<html>none</html>",
                   "text/html", "POST");
    Main& m = f.main();
    m.LoadMeetingGrid();
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting->selectRowToo(2);
    m.grdNoms->setSelectedCell(MainFixture::rowOf(m.grdNoms, QStringLiteral("Delta"), 4), 4);

    Prompts::Script script;
    int viewers = 0;
    const auto close = [&](QDialog* d) { ++viewers; d->reject(); };
    script.answerModal(close).answerModal(close);
    server.enqueue(FixtureServer::Reply::serve(400));
    int nested = 0;
    QTimer::singleShot(100, &m, [&] {
        trigger(m, "MnuVicRatings");
        ++nested;
    });
    trigger(m, "MnuVicRatings");
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(viewers, 1);

    trigger(m, "MnuVicRatings"); // once it is done it runs again
    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_EQ(viewers, 2);
    EXPECT_TRUE(script.unexpected().isEmpty());
    modJockey::SetRbhSite(QString());
}

TEST(MainMenus, RefusedAccountSwitchesOffTheFieldFileImport)
{
    MainFixture f;
    FixtureServer server;
    server.enqueue(FixtureServer::Reply::withBody("Access denied."));
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    ASSERT_TRUE(f.main().cmdBrowse->isEnabled());
    modDatabase::HttpRequest(server.url(QStringLiteral("/SQLQuery.php")), QStringLiteral("GET"));
    EXPECT_FALSE(f.main().cmdBrowse->isEnabled());
    EXPECT_EQ(script.messages().value(0).title, QStringLiteral("Access Denied"));
}

TEST(MainMenus, ACommandThatWaitsOnTheNetworkDoesNotStartAgainWhileItWaits)
{
    MainFixture f;
    FixtureServer server;
    server.connectProgram();
    f.addJockey(QStringLiteral("A Jones"));
    f.loadJockeys();
    Main& m = f.main();
    Prompts::Script script;

    // Reload Jockey Form Data, clicked again during its wait.
    m.grdJockey->setSelectedCell(1, 1);
    server.enqueue(FixtureServer::Reply::serve(400));
    int nested = 0;
    QTimer::singleShot(100, &m, [&] {
        m.mnuRldJokDta_Click();
        ++nested;
    });
    m.mnuRldJokDta_Click();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(server.requestCount(), 1);
    m.mnuRldJokDta_Click(); // once it is done it runs again
    EXPECT_EQ(server.requestCount(), 2);

    // Add Data, clicked again while it waits on the track lookup: the second
    // click asks for no file and sends nothing.
    const QString file = QDir(QDir::tempPath()).filePath(QStringLiteral("1503RAND.DGN"));
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(TestEnv::dataFile(QStringLiteral("fieldfiles/1503RAND.DGN")), file));
    script.answerOpenFiles({file});
    server.enqueue(FixtureServer::Reply::serve(400));
    nested = 0;
    QTimer::singleShot(100, &m, [&] {
        m.cmdBrowse_Click();
        ++nested;
    });
    m.cmdBrowse_Click();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(server.requestCount(), 3);
    EXPECT_TRUE(script.unexpected().isEmpty());
    QFile::remove(file);
}

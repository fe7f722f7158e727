// The meeting list window: the source rule, opening, listing from each source,
// the download loop and its reports, header sorting, F5, the busy guard, the
// racing club loader end to end, and a picture of the window.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "download/DownloadOpeners.h"
#include "download/WebSources.h"
#include "download/frmSelectMeeting.h"
#include "fixtures/FixtureServer.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/QtPrinters.h"
#include "support/ServerDbTest.h"
#include "support/TestEnv.h"
#include "support/WebPages.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using Source = frmSelectMeeting::Source;

namespace
{
const QString kClub = QStringLiteral("/scripts/ws.exe/bravik/");
// The download stopped by a silent network at Flemington, before Pakenham.
const QString kFlemingtonSilent =
    QStringLiteral("These meetings could not be downloaded: \rFlemington (05/Mar/30): Error: 12030 The connection "
                   "with the server was terminated abnormally \rPakenham (06/Mar/30): not tried \r\rNo answer came "
                   "from the network, so the download stopped. These meetings are as they were.");

class SelectMeeting : public ServerDbTest
{
protected:
    QList<frmSelectMeeting::DownloadCall> calls;
    QStringList failing; // meetings the recording loader fails

    void SetUp() override
    {
        ServerDbTest::SetUp();
        WebSources::SetBase(WebSources::Source::PublicSite, server.url());
        WebSources::SetBase(WebSources::Source::FileListFolder, server.url(QStringLiteral("/files/")));
        WebSources::SetBase(WebSources::Source::ClubService, server.url());
        Clock::setFixed(QDateTime(QDate(2030, 3, 1), QTime(9, 0)));
        gUseOtherSource = 0;
        server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), WebPage(QStringLiteral("calendar-vic.html")));
        server.addPage(QStringLiteral("/files/DisplayNwaByState.aspx"), WebPage(QStringLiteral("filelist-vic.html")));
        server.addPage(kClub + QStringLiteral("findinfo.hts"), WebPage(QStringLiteral("club-selector.html")));
        server.setResponder([](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
            if (r.path == kClub + QStringLiteral("meet.hts"))
                return FixtureServer::Reply::withBody(
                    WebPage(QStringLiteral("club-meet-%1.html").arg(r.queryValue(QStringLiteral("meet_no")))));
            if (r.path == kClub + QStringLiteral("race.hts"))
                return FixtureServer::Reply::withBody(WebPage(
                    QStringLiteral("club-race-101-%1.html").arg(r.queryValue(QStringLiteral("race_no")))));
            return std::nullopt;
        });
        frmSelectMeeting::SetLoader([this](const frmSelectMeeting::DownloadCall& c) {
            calls << c;
            modBrowser::LoadResult r;
            r.ok = !failing.contains(c.meeting);
            if (!r.ok)
                r.error = QStringLiteral("No race was found on the page.");
            return r;
        });
    }
    void TearDown() override
    {
        frmSelectMeeting::SetLoader({});
        for (auto s : {WebSources::Source::PublicSite, WebSources::Source::FileListFolder,
                       WebSources::Source::ClubService})
            WebSources::SetBase(s, QString());
        Clock::setFixed(QDateTime());
        gUseOtherSource = 0;
        EXPECT_TRUE(script.unexpected().isEmpty());
        ServerDbTest::TearDown();
    }

    QStringList paths() const
    {
        QStringList out;
        for (const FixtureServer::Request& r : server.requests())
            out << r.path;
        return out;
    }

    static QStringList column(const Grid& g, int col)
    {
        QStringList out;
        for (int r = 1; r <= g.rows(); ++r)
            out << g.cellText(r, col);
        return out;
    }

    /** Downloads Flemington and Pakenham through the real loader, Flemington's
     *  page answered by `flemington` and Pakenham's served, and checks that
     *  only Flemington failed, told with `failure` in the one message. */
    void expectOnlyFlemingtonFails(const FixtureServer::Reply& flemington, const QString& failure)
    {
        frmSelectMeeting::SetLoader({});
        server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                       WebPage(QStringLiteral("publicfields-acceptances.html")));
        server.setResponder([flemington](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
            if (r.path == QStringLiteral("/FreeFields/Acceptances.aspx")
                && r.queryValue(QStringLiteral("Key")).contains(QStringLiteral("Flemington")))
                return flemington;
            return std::nullopt;
        });
        db.exec(QStringLiteral("DELETE FROM Noms"));
        script.clear();
        frmSelectMeeting w;
        w.Prepare();
        w.grdMeeting->selectRowToo(2); // Flemington and Pakenham
        script.answerMsgBox(Prompts::vbOK);
        w.cmdDownload_Click();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Download Error"));
        EXPECT_EQ(script.messages()[0].text,
                  QStringLiteral("These meetings could not be downloaded: \rFlemington (05/Mar/30): ") + failure
                      + QStringLiteral(" \r\rThe other selected meetings were downloaded."));
        EXPECT_EQ(db.count(QStringLiteral("Meeting"), QStringLiteral("MeetingCode = '0503FLEM'")), 0);
        EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0603PAKE'")), 6);
        EXPECT_NE(w.result(), QDialog::Accepted);
    }
};
} // namespace

TEST(SourceRule, StateTextAndSwitch)
{
    EXPECT_EQ(frmSelectMeeting::SourceFor(QStringLiteral("XA"), false), Source::ClubService);
    EXPECT_EQ(frmSelectMeeting::SourceFor(QStringLiteral("XA"), true), Source::ClubService);
    EXPECT_EQ(frmSelectMeeting::SourceFor(QStringLiteral("VIC"), true), Source::FileView);
    EXPECT_EQ(frmSelectMeeting::SourceFor(QStringLiteral("VIC"), false), Source::PublicFields);
    EXPECT_EQ(frmSelectMeeting::kStates.value(8), QStringLiteral("XA"));
}

TEST_F(SelectMeeting, OpensOnTheDefaultStateAndListsTheCalendar)
{
    gAppSettings.DefaultState = QStringLiteral("  ");
    frmSelectMeeting w;
    w.Prepare();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Select Meetings"));
    EXPECT_EQ(w.cmbState->currentText(), QStringLiteral("VIC"));
    EXPECT_FALSE(w.chkSwitch->isChecked());
    EXPECT_EQ(paths(), QStringList{QStringLiteral("/FreeFields/Calendar.aspx")});
    EXPECT_EQ(server.requests()[0].queryValue(QStringLiteral("State")), QStringLiteral("VIC"));
    EXPECT_EQ(column(*w.grdMeeting, 2),
              QStringList({QStringLiteral("Flemington"), QStringLiteral("Pakenham"), QStringLiteral("Pakenham"),
                           QStringLiteral("Kilmore")}));
    EXPECT_EQ(w.grdMeeting->colHeader(1), QStringLiteral("Date"));
    EXPECT_FALSE(w.grdMeeting->colVisible(4));
    EXPECT_EQ(w.grdMeeting->selectedRows(), QList<int>{1});

    server.clearRequests();
    gAppSettings.DefaultState = QStringLiteral("ZZ"); // not in the list
    frmSelectMeeting unknown;
    unknown.Prepare();
    EXPECT_EQ(unknown.cmbState->currentText(), QStringLiteral("VIC"));
    gAppSettings.DefaultState = QStringLiteral("XA");
    frmSelectMeeting club;
    club.Prepare();
    EXPECT_EQ(column(*club.grdMeeting, 3), QStringList({QStringLiteral("Acceptances"), QStringLiteral("Nominations")}));
    EXPECT_EQ(club.grdMeeting->cellText(1, 4), server.url(kClub + QStringLiteral("meet.hts?type=meet&meet_no=101")));
}

TEST_F(SelectMeeting, OtherSourceFromAnEarlierOpening)
{
    gUseOtherSource = 1;
    gAppSettings.DefaultState = QStringLiteral("NT");
    frmSelectMeeting w;
    w.Prepare();
    // First the calendar (switch still cleared), then the file list.
    EXPECT_EQ(paths(), QStringList({QStringLiteral("/FreeFields/Calendar.aspx"),
                                    QStringLiteral("/files/DisplayNwaByState.aspx")}));
    EXPECT_EQ(server.requests()[1].queryValue(QStringLiteral("StateCode")), QStringLiteral("8"));
    EXPECT_TRUE(w.chkSwitch->isChecked());
    EXPECT_EQ(w.grdMeeting->rows(), 4);
    EXPECT_EQ(w.grdMeeting->cellText(1, 4), QStringLiteral("viewfile.aspx?file=20300305FLEM.DFA"));
    EXPECT_EQ(gUseOtherSource, 1);
    w.chkSwitch->setChecked(false);
    EXPECT_EQ(gUseOtherSource, 0);
    EXPECT_EQ(w.grdMeeting->rows(), 4);
    w.chkShowPhase->setChecked(true);
    EXPECT_EQ(w.grdMeeting->rows(), 6);
}

TEST_F(SelectMeeting, DownloadRightAfterOpeningLoadsRowOne)
{
    frmSelectMeeting w;
    w.Prepare();
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload->click();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].source, Source::PublicFields);
    EXPECT_EQ(calls[0].meeting, QStringLiteral("Flemington"));
    EXPECT_EQ(calls[0].date, QDate(2030, 3, 5));
    EXPECT_EQ(calls[0].phase, QStringLiteral("Acceptances"));
    EXPECT_EQ(calls[0].link, QStringLiteral("/FreeFields/Acceptances.aspx?Key=2030Mar05,VIC,Flemington"));
    EXPECT_EQ(calls[0].state, QStringLiteral("VIC"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Meetings data are successfully downloaded."));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Success"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbInformation);
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, SelectedRowsInGridOrderFromTheFileList)
{
    gUseOtherSource = 1;
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->clearSelectedCells();
    w.grdMeeting->setSelectedCell(4, 1);
    w.grdMeeting->selectRowToo(1);
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].meeting, QStringLiteral("Flemington"));
    EXPECT_EQ(calls[0].source, Source::FileView);
    EXPECT_EQ(calls[0].date, QDate(2030, 3, 5));
    EXPECT_EQ(calls[1].meeting, QStringLiteral("Kilmore"));
    EXPECT_EQ(calls[1].phase, QStringLiteral("Weights"));
    EXPECT_EQ(calls[1].date, QDate(2030, 3, 7));
}

TEST_F(SelectMeeting, NothingSelectedOrAFailureIsNeverASuccess)
{
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->clearSelectedCells();
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("No meeting is selected. Select the meetings to download, "
                                                        "then press Download Nominations."));
    EXPECT_NE(w.result(), QDialog::Accepted);

    script.clear();
    failing << QStringLiteral("Pakenham");
    w.grdMeeting->setSelectedCell(1, 1);
    w.grdMeeting->selectRowToo(2);
    w.grdMeeting->setCellText(4, 1, QStringLiteral("sometime"));
    w.grdMeeting->selectRowToo(4);
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    EXPECT_EQ(calls.size(), 2); // the row without a date is not loaded
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Download Error"));
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("These meetings could not be downloaded: \rPakenham (06/Mar/30): No race was found on the "
                             "page. \rKilmore (sometime): the date is not a date \r\rThe other selected meetings were "
                             "downloaded."));
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, ASilentNetworkStopsTheDownloadAfterOneWait)
{
    frmSelectMeeting::SetLoader({});
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(2); // Flemington and Pakenham
    const QByteArray before = db.fileHash();
    server.clearRequests();
    server.setResponder([](const FixtureServer::Request&) { return FixtureServer::Reply::hang(); });
    modDatabase::SetHttpTimeLimit(300);
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    // One request waited out; the second meeting was not tried.
    EXPECT_EQ(server.requestCount(), 1);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Download Error"));
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("These meetings could not be downloaded: \rFlemington (05/Mar/30): "
                                               "Error:")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(" \rPakenham (06/Mar/30): not tried \r\rNo answer came from the network, "
                                             "so the download stopped. These meetings are as they were.")))
        << text.toStdString();
    EXPECT_EQ(db.fileHash(), before);
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, ARedirectLoopFailsItsOwnMeetingAndTheOthersGoOn)
{
    // Flemington's page sends the client round in circles.
    expectOnlyFlemingtonFails(
        FixtureServer::Reply::redirect("/FreeFields/Acceptances.aspx?Key=2030Mar05,VIC,Flemington"),
        QStringLiteral("Error: 12156 The redirection failed because either the scheme changed or all attempts made "
                       "to redirect failed"));
}

TEST_F(SelectMeeting, AnAnswerThatIsNotHttpOrBreaksOffFailsItsOwnMeetingAndTheOthersGoOn)
{
    // Flemington's page is answered by another service's greeting, then by
    // a page cut off after its first bytes; the network layer calls both a
    // closed connection. Something answered, so Pakenham is still loaded.
    const QString invalid = QStringLiteral("Error: 12152 The server returned an invalid or unrecognized response");
    expectOnlyFlemingtonFails(FixtureServer::Reply::raw("SSH-2.0-OpenSSH_9.2p1\r\nProtocol mismatch.\n"), invalid);
    expectOnlyFlemingtonFails(
        FixtureServer::Reply::raw("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4000\r\n\r\n"
                                  "<html><body><table><tr><th>Race 1"),
        invalid);
}

TEST_F(SelectMeeting, AConnectionClosedBeforeAnyAnswerStopsTheDownload)
{
    frmSelectMeeting::SetLoader({});
    server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                   WebPage(QStringLiteral("publicfields-acceptances.html")));
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(2); // Flemington and Pakenham
    const QByteArray before = db.fileHash();
    server.clearRequests();
    // The form database answers; Flemington's page is hung up on at once,
    // every time it is asked for.
    server.setResponder([](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.path == QStringLiteral("/FreeFields/Acceptances.aspx"))
            return FixtureServer::Reply::close();
        return std::nullopt;
    });
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    EXPECT_EQ(server.sqlQueries().filter(QStringLiteral("PAKENHAM")), QStringList());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Download Error"));
    EXPECT_EQ(script.messages()[0].text, kFlemingtonSilent);
    EXPECT_EQ(db.fileHash(), before);
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, AMeetingPageRedirectedToAServerThatClosesStopsTheDownloadAndIsAskedAgainThere)
{
    frmSelectMeeting::SetLoader({});
    // The page site sends Flemington's page on to another server, which
    // hangs up at once on every request. Neither the redirect nor a second
    // ask at the first server (answered with the same redirect) may make that
    // silence look like an answer that cannot be read.
    FixtureServer moved;
    moved.setResponder([](const FixtureServer::Request&) { return FixtureServer::Reply::close(); });
    const QByteArray target = moved.url(QStringLiteral("/moved/Acceptances.aspx")).toUtf8();
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(2); // Flemington and Pakenham
    const QByteArray before = db.fileHash();
    server.clearRequests();
    server.setResponder([target](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.path == QStringLiteral("/FreeFields/Acceptances.aspx"))
            return FixtureServer::Reply::redirect(target);
        return std::nullopt;
    });
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    EXPECT_EQ(server.sqlQueries().filter(QStringLiteral("PAKENHAM")), QStringList());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Download Error"));
    EXPECT_EQ(script.messages()[0].text, kFlemingtonSilent);
    // The first server was asked for the page once; every later ask, the
    // second one on a bare connection included, went where it led.
    EXPECT_EQ(paths().filter(QStringLiteral("Acceptances")),
              QStringList{QStringLiteral("/FreeFields/Acceptances.aspx")});
    const QList<FixtureServer::Request> there = moved.requests();
    ASSERT_GE(there.size(), 2);
    for (const FixtureServer::Request& r : there)
        EXPECT_EQ(r.path, QStringLiteral("/moved/Acceptances.aspx"));
    EXPECT_EQ(there.last().header("connection"), QByteArray("close")); // the bare connection's ask
    EXPECT_EQ(db.fileHash(), before);
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, ASilentPageSiteStopsTheDownloadThoughTheFormDatabaseAnswers)
{
    frmSelectMeeting::SetLoader({});
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(2); // Flemington and Pakenham
    const QByteArray before = db.fileHash();
    server.clearRequests();
    // The form database answers as usual; the page never comes.
    server.setResponder([](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.path == QStringLiteral("/SQLQuery.php"))
            return std::nullopt;
        return FixtureServer::Reply::hang();
    });
    modDatabase::SetHttpTimeLimit(300);
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    modDatabase::SetHttpTimeLimit(0);
    // Flemington's lookups and its page; nothing of Pakenham.
    EXPECT_EQ(server.requestCount(), 3);
    EXPECT_EQ(server.sqlQueries().filter(QStringLiteral("PAKENHAM")), QStringList());
    ASSERT_EQ(script.messages().size(), 1);
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("These meetings could not be downloaded: \rFlemington (05/Mar/30): "
                                               "Error: Internert Connection has Timed out.")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(" \rPakenham (06/Mar/30): not tried \r\rNo answer came from the network, "
                                             "so the download stopped. These meetings are as they were.")))
        << text.toStdString();
    EXPECT_EQ(db.fileHash(), before);
}

TEST_F(SelectMeeting, AMeetingLoadedBeforeTheNetworkFellSilentIsSaidToBeDownloaded)
{
    frmSelectMeeting::SetLoader([this](const frmSelectMeeting::DownloadCall& c) {
        calls << c;
        modBrowser::LoadResult r;
        r.ok = c.meeting != QStringLiteral("Pakenham");
        if (!r.ok) {
            r.unreachable = true;
            r.error = QStringLiteral("Error: no answer");
        }
        return r;
    });
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(2);
    w.grdMeeting->selectRowToo(3);
    const QString third = w.grdMeeting->cellText(3, 2) + QStringLiteral(" (") + w.grdMeeting->cellText(3, 1) +
                          QStringLiteral("): not tried");
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    ASSERT_EQ(calls.size(), 2);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("These meetings could not be downloaded: \rPakenham (06/Mar/30): Error: no answer \r") +
                  third +
                  QStringLiteral(" \r\rNo answer came from the network, so the download stopped. These meetings are "
                                 "as they were. \r\rThe other selected meetings were downloaded."));
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(SelectMeeting, HeaderSortCycleAndKeys)
{
    frmSelectMeeting w;
    w.Prepare();
    const QStringList asc{QStringLiteral("Flemington"), QStringLiteral("Kilmore"), QStringLiteral("Pakenham"),
                          QStringLiteral("Pakenham")};
    const QStringList desc{QStringLiteral("Pakenham"), QStringLiteral("Pakenham"), QStringLiteral("Kilmore"),
                           QStringLiteral("Flemington")};
    w.grdMeeting_OnColumnClick(2);
    EXPECT_EQ(column(*w.grdMeeting, 2), asc);
    EXPECT_EQ(w.grdMeeting->colTag(2), QStringLiteral("DESC"));
    w.grdMeeting_OnColumnClick(2);
    EXPECT_EQ(column(*w.grdMeeting, 2), desc);
    EXPECT_EQ(w.grdMeeting->colTag(2), QString());
    w.grdMeeting_OnColumnClick(2);
    EXPECT_EQ(column(*w.grdMeeting, 2), asc);

    server.clearRequests();
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(server.requestCount(), 0);
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(w.grdMeeting->rows(), 4);
    // Where the manager's keys go after picking rows: the list itself.
    QTest::keyClick(w.grdMeeting, Qt::Key_F5);
    EXPECT_EQ(server.requestCount(), 2);
    QTest::keyClick(w.cmbState, Qt::Key_F6);
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(SelectMeeting, SortingKeepsTheSelectedMeetings)
{
    frmSelectMeeting w;
    w.Prepare();
    w.grdMeeting->selectRowToo(4); // Flemington (row 1, selected by the listing) and Kilmore
    w.grdMeeting_OnColumnClick(2);
    w.grdMeeting_OnColumnClick(2); // descending: Pakenham, Pakenham, Kilmore, Flemington
    EXPECT_EQ(w.grdMeeting->selectedRows(), QList<int>({3, 4}));
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    ASSERT_EQ(calls.size(), 2);
    // In the grid's order as it now stands.
    EXPECT_EQ(calls[0].meeting, QStringLiteral("Kilmore"));
    EXPECT_EQ(calls[0].link, QStringLiteral("/FreeFields/Nominations.aspx?Key=2030Mar08,VIC,Kilmore"));
    EXPECT_EQ(calls[1].meeting, QStringLiteral("Flemington"));
    EXPECT_EQ(calls[1].phase, QStringLiteral("Acceptances"));
}

TEST_F(SelectMeeting, EmptyAndFailedListings)
{
    server.clearPages();
    server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"),
                   QByteArray("<html><table class=\"calendar\"><tr class=\"head\"><th>Date</th></tr></table>"
                              "No meetings</html>"));
    frmSelectMeeting w;
    w.Prepare();
    EXPECT_EQ(w.grdMeeting->rows(), 0);
    EXPECT_TRUE(w.grdMeeting->selectedRows().isEmpty());

    // The file list is asked twice before its failure is shown, once.
    server.addPage(QStringLiteral("/files/DisplayNwaByState.aspx"), WebPage(QStringLiteral("filelist-vic.html")));
    server.enqueue(FixtureServer::Reply::withStatus(500, "Server Error"));
    w.chkSwitch->setChecked(true);
    EXPECT_EQ(w.grdMeeting->rows(), 4);
    EXPECT_TRUE(script.messages().isEmpty());
    server.enqueue(FixtureServer::Reply::withStatus(500, "Server Error"));
    server.enqueue(FixtureServer::Reply::withStatus(503, "Unavailable"));
    script.answerMsgBox(Prompts::vbOK);
    w.cmdRefresh_Click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("Error:")));
    EXPECT_EQ(w.grdMeeting->rows(), 0);
}

TEST_F(SelectMeeting, CommandsAndCloseBoxWaitForTheListing)
{
    frmSelectMeeting w;
    w.Prepare();
    w.show();
    server.clearRequests();
    server.enqueue(FixtureServer::Reply::serve(400));
    bool checked = false;
    QTimer::singleShot(150, &w, [&] {
        checked = true;
        EXPECT_TRUE(w.isBusy());
        EXPECT_FALSE(w.cmdDownload->isEnabled());
        w.cmdRefresh_Click();      // ignored: nothing runs twice
        w.cmdDownload_Click();     // ignored
        EXPECT_FALSE(w.close());   // the close box does nothing
        EXPECT_TRUE(w.isVisible());
    });
    w.cmdRefresh_Click();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(w.isBusy());
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(w.cmdDownload->isEnabled());
    EXPECT_TRUE(w.close());
}

TEST_F(SelectMeeting, CommandsAndCloseBoxWaitForTheDownload)
{
    frmSelectMeeting w;
    w.Prepare();
    w.show();
    w.grdMeeting->selectRowToo(2);
    server.clearRequests();
    int loads = 0;
    frmSelectMeeting::SetLoader([&](const frmSelectMeeting::DownloadCall& c) {
        ++loads;
        // What the manager can reach while a meeting downloads.
        EXPECT_TRUE(w.isBusy());
        EXPECT_FALSE(w.cmdRefresh->isEnabled());
        EXPECT_FALSE(w.grdMeeting->isEnabled());
        w.cmdRefresh_Click();
        w.cmdDownload_Click(); // would load the rows again inside this one
        w.grdMeeting_OnColumnClick(2);
        EXPECT_FALSE(w.close());
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        calls << c;
        modBrowser::LoadResult r;
        r.ok = true;
        return r;
    });
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(calls.value(1).meeting, QStringLiteral("Pakenham")); // the grid was not sorted meanwhile
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Success"));
    EXPECT_FALSE(w.isVisible()); // closed by the download, once it was over
}

TEST_F(SelectMeeting, ClubMeetingEndToEnd)
{
    frmSelectMeeting::SetLoader({});
    db.insert(QStringLiteral("Jockey"), {{"Jockey", "Dean Lane"}, {"FullName", "Dean Lane"}, {"RideWgt", 54}});
    db.insert(QStringLiteral("Bookings"), {{"MeetingCode", "0503MOON"}, {"Horse", "SUPER HORSE (NZ)"},
                                           {"Jockey", "Dean Lane"}, {"BookingSelection", "Planned"}});
    server.exec(QStringLiteral("INSERT INTO RaceShortCode (RaceTerm, ShtTerm) VALUES ('HANDICAP', 'HCP'), "
                               "('MAIDEN', 'MDN'), ('BENCHMARK', 'BM'), ('PLATE', 'PLT')"));
    gAppSettings.DefaultState = QStringLiteral("XA");
    frmSelectMeeting w;
    w.Prepare();
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click(); // row 1: Moonee Valley, no booking question from this source
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Success"));

    const QVariantMap m = db.rows(QStringLiteral("SELECT * FROM Meeting")).value(0);
    EXPECT_EQ(m.value("MeetingCode").toString(), QStringLiteral("0503MOON"));
    EXPECT_EQ(m.value("MeetingRSBCode").toString(), QStringLiteral("101"));
    EXPECT_EQ(m.value("MeetingLevel").toString(), QStringLiteral("ACP"));
    EXPECT_EQ(m.value("State").toString(), QString());
    const QList<QVariantMap> races
        = db.rows(QStringLiteral("SELECT *, RaceTime || '' AS TimeText FROM Race ORDER BY RaceNumber"));
    ASSERT_EQ(races.size(), 2);
    EXPECT_EQ(races[0].value("RaceCode").toString(), QStringLiteral("1000 MDN-PLT"));
    EXPECT_EQ(races[0].value("RaceRSBCode").toString(), QStringLiteral("MDNPLATE"));
    EXPECT_EQ(races[0].value("TimeText").toString(), QStringLiteral("13:30:00"));
    EXPECT_EQ(races[0].value("RaceDetails").toString(),
              QStringLiteral(" MAIDEN PLATE For three-year-olds\rthat have not won a race at the time of starting "
                             "Set weights Field limit 14"));
    EXPECT_EQ(races[1].value("RaceCode").toString(), QStringLiteral("1400 HCP-BM"));
    EXPECT_EQ(db.count(QStringLiteral("Noms")), 3);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'SHORT ROW'")), 0);
    const QVariantMap k = db.rows(QStringLiteral("SELECT * FROM Noms WHERE Horse = 'KING & COUNTRY'")).value(0);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("Horse = 'KING & COUNTRY'")), 1);
    EXPECT_EQ(k.value("Weight").toInt(), 565);
    EXPECT_EQ(k.value("Barrier").toInt(), 0);
    EXPECT_EQ(k.value("Rating").toString(), QString());
    const QVariantMap s = db.rows(QStringLiteral("SELECT * FROM Noms WHERE RaceNumber = 1 AND EntryNo = 1")).value(0);
    EXPECT_EQ(s.value("HorseName").toString(), QStringLiteral("SUPER HORSE "));
    EXPECT_EQ(s.value("TrainerName").toString(), QStringLiteral("A & B Smith"));
    EXPECT_EQ(db.count(QStringLiteral("Bookings")), 1);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("LastJockey IS NOT NULL")), 0);

    // A race page that cannot be fetched fails the whole meeting and leaves it as it was.
    const QByteArray before = db.fileHash();
    server.setResponder([](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.path == kClub + QStringLiteral("meet.hts"))
            return FixtureServer::Reply::withBody(WebPage(QStringLiteral("club-meet-101.html")));
        if (r.path == kClub + QStringLiteral("race.hts") && r.queryValue(QStringLiteral("race_no")) == "2")
            return FixtureServer::Reply::withStatus(404, "Not Found");
        if (r.path == kClub + QStringLiteral("race.hts"))
            return FixtureServer::Reply::withBody(WebPage(QStringLiteral("club-race-101-1.html")));
        return std::nullopt;
    });
    const modBrowser::LoadResult failed = modBrowser::LoadClubServiceMeeting(
        QStringLiteral("MOONEE VALLEY"), QDate(2030, 3, 5), QStringLiteral("Weights"),
        server.url(kClub + QStringLiteral("meet.hts?type=meet&meet_no=101")));
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.error.startsWith(QStringLiteral("Race 2 cannot be read: Error:"))) << failed.error.toStdString();
    EXPECT_EQ(db.fileHash(), before);
    // A link without a meeting number touches nothing and asks nothing.
    server.clearRequests();
    EXPECT_FALSE(modBrowser::LoadClubServiceMeeting(QStringLiteral("X"), QDate(2030, 3, 5), QStringLiteral("Weights"),
                                                    QStringLiteral("http://127.0.0.1:1/meet.hts"))
                     .ok);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(db.fileHash(), before);
}

TEST_F(SelectMeeting, GetDataOpensItThroughTheOpeners)
{
    RegisterDownloadOpeners();
    gAppSettings.DefaultState = QStringLiteral("VIC");
    script.answerModal([](QDialog* d) {
        auto* w = qobject_cast<frmSelectMeeting*>(d);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->grdMeeting->rows(), 4);
        w->cmdDownload_Click();
    });
    script.answerMsgBox(Prompts::vbOK);
    modOpeners::OpenSelectMeeting();
    EXPECT_EQ(calls.size(), 1);
    modOpeners::Openers().selectMeeting = nullptr;
}

TEST_F(SelectMeeting, PictureOfTheWindow)
{
    gUseOtherSource = 0;
    frmSelectMeeting w;
    w.Prepare();
    w.chkShowPhase->setChecked(true);
    w.grdMeeting->selectRowToo(3);
    w.show();
    QTest::qWait(50);
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/select-meetings.png");
    ASSERT_TRUE(w.grab().save(file));
    EXPECT_GT(QFile(file).size(), 1000);
    EXPECT_EQ(w.grdMeeting->rows(), 6);
}

TEST_F(SelectMeeting, BureauFileListWritesBothRepliesToTheDebugFile)
{
    WebSources::SetBase(WebSources::Source::RacingData, server.url(QStringLiteral("/data")));
    const QByteArray first = "<tr><th align=left><h3>Victoria</h3></th></tr><tr><th align=right>SALE</th>"
                             "<td><a href=\"s1.txt\">0703 (ACCS)</a></td></tr>";
    const QByteArray second = "<tr><th align=left><h3>Victoria</h3></th></tr><tr><th align=right>KILMORE</th>"
                              "<td><a href=\"k1.txt\">0803 (NOMS)</a></td></tr>";
    server.addPage(QStringLiteral("/files/"), first);
    server.addPage(QStringLiteral("/data/cgi-bin/rsb/public/fileList.cgi"), second);
    const QString debug = env.root() + QStringLiteral("/debug.txt");
    gDebugOn = true;
    gDebugFile = debug;
    const MeetingLists::List l = frmSelectMeeting::LoadBureauFileList(QStringLiteral("VIC"), false);
    gDebugOn = false;
    gDebugFile.clear();
    WebSources::SetBase(WebSources::Source::RacingData, QString());
    ASSERT_EQ(l.size(), 2);
    EXPECT_EQ(l[0].meeting, QStringLiteral("SALE"));
    EXPECT_EQ(l[0].phase, QStringLiteral("Acceptances"));
    EXPECT_EQ(l[1].link, server.url(QStringLiteral("/data/cgi-bin/rsb/public/k1.txt")));
    QFile f(debug);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "\"===============Acceptance Data=================\"\n\"" + first
                               + "\"\n\"===============Nomination Data=================\"\n\"" + second + "\"\n");
}

TEST_F(SelectMeeting, ClubOptionsWithoutAReadableDateAreNamed)
{
    server.clearPages();
    server.addPage(kClub + QStringLiteral("findinfo.hts"),
                   QByteArray("<SELECT NAME=\"meet_no\">\r\n<OPTION VALUE=\"101\">MOONEE VALLEY, 05/03/2030\r\n"
                              "<OPTION VALUE=\"7\">NO DATE\r\n<OPTION VALUE=\"8\">BAD, 32/03/2030\r\n</SELECT>"));
    gAppSettings.DefaultState = QStringLiteral("XA");
    script.answerMsgBox(Prompts::vbOK);
    frmSelectMeeting w;
    w.Prepare();
    EXPECT_EQ(w.grdMeeting->rows(), 1);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("These meetings of the racing club's list have no readable "
                                                        "date and are not listed: \rNO DATE \rBAD, 32/03/2030"));
}

TEST_F(SelectMeeting, CalendarAndFileListRowsDownloadThroughTheirLoaders)
{
    frmSelectMeeting::SetLoader({});
    server.exec(QStringLiteral("INSERT INTO Track (TrackCode, TrackClub, State, MeetType, TrackLocat) VALUES "
                               "('FLEM', 'VRC', 'VIC', 'M', 'FLEMINGTON')"));
    server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                   WebPage(QStringLiteral("publicfields-acceptances.html")));
    server.addPage(QStringLiteral("/files/viewfile.aspx"), WebPage(QStringLiteral("fileview-acceptances.html")));
    frmSelectMeeting w;
    w.Prepare();
    script.answerMsgBox(Prompts::vbOK);
    w.cmdDownload_Click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Success"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT MeetingDetails FROM Meeting WHERE MeetingCode = '0503FLEM'")).toString(),
              QStringLiteral("Tuesday 5 March 2030 VRC"));
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0503FLEM'")), 6);

    gUseOtherSource = 1;
    frmSelectMeeting other;
    other.Prepare();
    script.answerMsgBox(Prompts::vbOK);
    other.cmdDownload_Click();
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Success"));
    EXPECT_EQ(server.requests().last().target, QByteArray("/files/viewfile.aspx?file=20300305FLEM.DFA"));
    EXPECT_EQ(db.count(QStringLiteral("Race"), QStringLiteral("MeetingCode = '0503FLEM'")), 3);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0503FLEM' AND Form IS NULL")), 4);
    EXPECT_EQ(db.count(QStringLiteral("Noms"), QStringLiteral("MeetingCode = '0503FLEM'")), 4);
}

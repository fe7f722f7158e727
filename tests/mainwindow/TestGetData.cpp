// The main window's Get Data button: it opens the meeting list through the
// opener table and shows what was downloaded when the list has closed.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/MainFixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>

TEST(GetData, OpensTheMeetingListThenReloadsTheGrids)
{
    MainFixture f;
    int opened = 0;
    modOpeners::Openers().selectMeeting = [&] {
        ++opened;
        // What a download leaves behind.
        f.addMeeting(QStringLiteral("0503FLEM"), QStringLiteral("ACP"));
        f.addRunner(QStringLiteral("0503FLEM"), 1, QStringLiteral("New Trainer"), QStringLiteral("NEW HORSE"));
    };
    EXPECT_EQ(MainFixture::rowOf(f.main().grdMeeting, QStringLiteral("0503FLEM")), 0);
    f.main().CmdGetData->click();
    modOpeners::Openers().selectMeeting = nullptr;
    EXPECT_EQ(opened, 1);
    EXPECT_GT(MainFixture::rowOf(f.main().grdMeeting, QStringLiteral("0503FLEM")), 0);
    EXPECT_GT(MainFixture::rowOf(f.main().grdNames, QStringLiteral("New Trainer")), 0);
}

namespace
{
QByteArray webPage(const QString& name)
{
    QFile f(TestEnv::dataFile(QStringLiteral("web/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

/** The program's web sources pointed at the fixture server the way a user
 *  trying it by hand does: through the environment. */
struct WebSourcesAt
{
    explicit WebSourcesAt(const FixtureServer& server)
    {
        qputenv("VELMORA_PUBLIC_SITE", server.url().toUtf8());
        qputenv("VELMORA_FILELIST_FOLDER", server.url(QStringLiteral("/files/")).toUtf8());
        qputenv("VELMORA_CLUB_SITE", server.url().toUtf8());
    }
    ~WebSourcesAt()
    {
        qunsetenv("VELMORA_PUBLIC_SITE");
        qunsetenv("VELMORA_FILELIST_FOLDER");
        qunsetenv("VELMORA_CLUB_SITE");
    }
    WebSourcesAt(const WebSourcesAt&) = delete;
    WebSourcesAt& operator=(const WebSourcesAt&) = delete;
};
} // namespace

// The whole road from the button: the real meeting list window lists each web
// source of the fixture server, downloads its first meeting, and the main
// window then shows the meeting and its trainers.
TEST(GetData, ListsAndDownloadsEachWebSourceIntoTheMainWindow)
{
    MainFixture f;
    FixtureServer server;
    server.connectProgram();
    modDatabase::SetHttpTimeLimit(5000);
    const WebSourcesAt web(server);
    Clock::setFixed(QDateTime(QDate(2030, 3, 1), QTime(9, 0)));
    server.exec(QStringLiteral("INSERT INTO RaceShortCode (RaceTerm, ShtTerm) VALUES ('MAIDEN', 'MDN')"));
    server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), webPage(QStringLiteral("calendar-vic.html")));
    server.addPage(QStringLiteral("/FreeFields/Acceptances.aspx"),
                   webPage(QStringLiteral("publicfields-acceptances.html")));
    server.addPage(QStringLiteral("/files/DisplayNwaByState.aspx"), webPage(QStringLiteral("filelist-vic.html")));
    server.addPage(QStringLiteral("/files/viewfile.aspx"), webPage(QStringLiteral("fileview-acceptances.html")));
    const QString club = QStringLiteral("/scripts/ws.exe/bravik/");
    server.addPage(club + QStringLiteral("findinfo.hts"), webPage(QStringLiteral("club-selector.html")));
    server.setResponder([club](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        if (r.path == club + QStringLiteral("meet.hts"))
            return FixtureServer::Reply::withBody(
                webPage(QStringLiteral("club-meet-%1.html").arg(r.queryValue(QStringLiteral("meet_no")))));
        if (r.path == club + QStringLiteral("race.hts"))
            return FixtureServer::Reply::withBody(
                webPage(QStringLiteral("club-race-101-%1.html").arg(r.queryValue(QStringLiteral("race_no")))));
        return std::nullopt;
    });
    RegisterWindowOpeners();

    struct Case
    {
        const char* state;
        int otherSource;
        const char* listPath; // the list the window asks for last
        const char* meetingCode;
        const char* trainer;
    };
    const Case cases[] = {
        {"VIC", 0, "/FreeFields/Calendar.aspx", "0503FLEM", "P O'Brien"},
        {"VIC", 1, "/files/DisplayNwaByState.aspx", "0503FLEM", "C Jones"},
        {"XA", 0, "/scripts/ws.exe/bravik/findinfo.hts", "0503MOON", "G Waterhouse"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state + std::string(" ") + std::to_string(c.otherSource));
        f.db().exec(QStringLiteral("DELETE FROM Noms"));
        f.db().exec(QStringLiteral("DELETE FROM Race"));
        f.db().exec(QStringLiteral("DELETE FROM Meeting"));
        f.main().LoadMeetingGrid();
        f.main().LoadTrainerGrid();
        ASSERT_EQ(MainFixture::rowOf(f.main().grdMeeting, QString::fromLatin1(c.meetingCode)), 0);
        gAppSettings.DefaultState = QString::fromLatin1(c.state);
        gUseOtherSource = c.otherSource;
        server.clearRequests();

        Prompts::Script script;
        int listed = -1;
        script.answerModal([&](QDialog* d) {
            ASSERT_EQ(d->windowTitle(), QStringLiteral("Select Meetings"));
            auto* grid = d->findChild<Grid*>(QStringLiteral("grdMeeting"));
            ASSERT_NE(grid, nullptr);
            listed = grid->rows();
            d->findChild<QPushButton*>(QStringLiteral("cmdDownload"))->click();
        });
        script.answerMsgBox(Prompts::vbOK);
        f.main().CmdGetData->click();

        EXPECT_GT(listed, 0);
        bool askedList = false;
        for (const FixtureServer::Request& r : server.requests())
            askedList = askedList || r.path == QLatin1String(c.listPath);
        EXPECT_TRUE(askedList);
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Success"));
        EXPECT_TRUE(script.unexpected().isEmpty());
        EXPECT_GT(MainFixture::rowOf(f.main().grdMeeting, QString::fromLatin1(c.meetingCode)), 0);
        EXPECT_GT(MainFixture::rowOf(f.main().grdNames, QString::fromLatin1(c.trainer)), 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the default pointer is back
    }
    modOpeners::Openers().selectMeeting = nullptr;
    gUseOtherSource = 0;
    gAppSettings.DefaultState.clear();
    Clock::setFixed(QDateTime());
    modDatabase::SetHttpTimeLimit(0);
}

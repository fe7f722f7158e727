// The horse rating lookup and the registration search, against fixture pages.
#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QFile>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace
{
const QString kSearchTarget = QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch");
const QByteArray kDetails = "<html><body><h2>SILVER LINING</h2><p>Rating 72</p></body></html>";

QByteArray searchPage(const QByteArray& rows)
{
    return "<html><title>FIND HORSE - Ratings</title><table>" + rows + "</table></html>";
}

const QByteArray kLinkThenActive = "<tr><td><a href='/Publishing/RBH/pgHorseDetails.asp?id=3'>OLD</a></td>"
                                   "<td nowrap>Retired&nbsp;</td></tr>"
                                   "<tr><td><a href='/Publishing/RBH/pgHorseDetails.asp?id=7'>SILVER LINING</a></td>"
                                   "<td nowrap>Active&nbsp;</td></tr>";

class WebLookupsTest : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    Prompts::Script script;

    void SetUp() override
    {
        modJockey::SetRbhSite(server.url());
        modJockey::SetRegistrationSite(server.url());
        modDatabase::SetHttpTimeLimit(3000);
    }
    void TearDown() override
    {
        modJockey::SetRbhSite(QString());
        modJockey::SetRegistrationSite(QString());
        modDatabase::SetHttpTimeLimit(0);
        modJockey::gSelHorse.clear();
    }

    void serveSearch(const QByteArray& page) { server.addPage(kSearchTarget, page, "text/html", "POST"); }

    // Queues the viewer's answer: notes its caption, size and text, then closes it.
    struct Shown
    {
        QString title, text;
        QSize size;
    };
    void expectViewer(Shown& shown)
    {
        script.answerModal([&shown](QDialog* d) {
            shown.title = d->windowTitle();
            shown.size = d->size();
            shown.text = d->findChild<QTextBrowser*>(QStringLiteral("WebBrowser"))->toPlainText();
            d->reject();
        });
    }
    QString displayFile() const { return env.appDir() + QStringLiteral("/display.html"); }
};

TEST_F(WebLookupsTest, SearchBodyIsFormEncoded)
{
    EXPECT_EQ(modJockey::HorseSearchBody(QStringLiteral("Silver Lining")),
              QStringLiteral("lstStates=VIC&lstRType=1&txtHorseName=Silver+Lining&btnHorseName=Search&hdnStateIndex="));
    // An "&" or "=" in a name must not cut the form short.
    EXPECT_EQ(modJockey::HorseSearchBody(QStringLiteral("Fish & Chips=1")),
              QStringLiteral("lstStates=VIC&lstRType=1&txtHorseName=Fish+%26+Chips%3D1&btnHorseName=Search"
                             "&hdnStateIndex="));
}

TEST_F(WebLookupsTest, FoundHorseGivesItsActiveDetailsPage)
{
    serveSearch(searchPage(kLinkThenActive));
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), kDetails);

    EXPECT_EQ(modJockey::FindHorseRating(QStringLiteral("Silver Lining")), QString::fromUtf8(kDetails));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].target, kSearchTarget.toUtf8());
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(requests[0].body, modJockey::HorseSearchBody(QStringLiteral("Silver Lining")).toUtf8());
    EXPECT_EQ(requests[1].method, QByteArray("GET"));
    EXPECT_EQ(requests[1].target, QByteArray("/Publishing/RBH/pgHorseDetails.asp?id=7"));
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(WebLookupsTest, WithoutALinkBeforeTheActiveEntryTheSearchAnswerIsReturned)
{
    const QByteArray linkAfter = searchPage("<tr><td nowrap>Active&nbsp;</td>"
                                            "<td><a href='/Publishing/RBH/pgHorseDetails.asp?id=7'>X</a></td></tr>");
    const QByteArray noActive = searchPage("<tr><td><a href='/Publishing/RBH/pgHorseDetails.asp?id=7'>X</a></td>"
                                           "<td nowrap>Retired&nbsp;</td></tr>");
    const QByteArray notRatings = "<html>FIND HORSE - Search " + kLinkThenActive + "</html>";
    for (const QByteArray& page : {linkAfter, noActive, notRatings}) {
        server.clearPages();
        server.clearRequests();
        serveSearch(page);
        EXPECT_EQ(modJockey::FindHorseRating(QStringLiteral("X")), QString::fromUtf8(page));
        EXPECT_EQ(server.requestCount(), 1);
    }
}

TEST_F(WebLookupsTest, RatingIsWrittenToDisplayFileAndShown)
{
    serveSearch(searchPage(kLinkThenActive));
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), kDetails);
    modJockey::gSelHorse = QStringLiteral("Silver Lining");
    Shown shown;
    expectViewer(shown);

    modJockey::ShowRbhRating();

    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(shown.title, QStringLiteral("RBH Vic Rating"));
    EXPECT_EQ(shown.size, QSize(600, 517));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("Rating 72")));
    QFile file(displayFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kDetails);
}

TEST_F(WebLookupsTest, ConnectionErrorShowsDataErrorAndNothingElse)
{
    server.enqueue(FixtureServer::Reply::close());
    modJockey::gSelHorse = QStringLiteral("Silver Lining");
    modJockey::ShowRbhRating();

    ASSERT_EQ(script.records().size(), 1); // no viewer
    EXPECT_EQ(script.records()[0].text,
              QStringLiteral("There is some problem trying to retrieve the real-time data. Please try again later."));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Data Error"));
    EXPECT_EQ(script.records()[0].style, Prompts::vbExclamation);
    EXPECT_FALSE(QFile::exists(displayFile()));

    // A page of blanks only: nothing shown, nothing written, no message.
    script.clear();
    serveSearch("   ");
    modJockey::ShowRbhRating();
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_FALSE(QFile::exists(displayFile()));
}

TEST_F(WebLookupsTest, RegistrationSearchSendsTheEncodedName)
{
    server.addPage(QStringLiteral("/FreeServices/HorseSearch.aspx"), "<html><p>Registered: yes</p></html>");
    modJockey::gSelHorse = QStringLiteral("O'Reilly & Son");
    Shown shown;
    expectViewer(shown);

    modJockey::ShowRegistrationSearch();

    EXPECT_EQ(shown.title, QStringLiteral("Registration Search - O'Reilly & Son"));
    EXPECT_EQ(shown.size, QSize(1283, 1150));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("Registered: yes")));
    ASSERT_EQ(server.requestCount(), 1);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.queryValue(QStringLiteral("key")), QStringLiteral("O'Reilly & Son"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
} // namespace

// The horse rating lookup against fixture pages, and the file it writes.
#include "core/HttpRequest.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnv.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

namespace
{
const QString kSearch = QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch");
const QByteArray kDetails = "<html><body><h2>SILVER LINING</h2><p>Rating 72</p></body></html>";
const QByteArray kLink7 = "<td><a href='/Publishing/RBH/pgHorseDetails.asp?id=7'>SILVER LINING</a></td>";
const QByteArray kActive = "<td nowrap>Active&nbsp;</td>";

QByteArray ratingsPage(const QByteArray& rows)
{
    return "<html><title>FIND HORSE - Ratings</title><table>" + rows + "</table></html>";
}

// This thread's file access as "nobody" while it lives, when the tests run
// as root (who may write anywhere, whatever the modes say); for any other
// user, whom the modes bind already, nothing changes. The lookup stays in
// this process: a child process (RunAsAnotherUser) cannot use the network
// manager the tests before it have started here.
class FilesAsNobody
{
public:
    FilesAsNobody()
    {
        if (m_root) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
    }
    ~FilesAsNobody()
    {
        if (m_root) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    bool took() const { return !m_root || ::setfsuid(static_cast<uid_t>(-1)) == 65534; }

private:
    const bool m_root = ::geteuid() == 0;
};

class WebLookups : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    Prompts::Script script;

    void SetUp() override
    {
        modJockey::SetRbhSite(server.url());
        modDatabase::SetHttpTimeLimit(3000);
        modJockey::gSelHorse = QStringLiteral("Silver Lining");
    }
    void TearDown() override
    {
        modJockey::SetRbhSite(QString());
        modDatabase::SetHttpTimeLimit(0);
    }
    QString displayFile() const { return env.scratchDir() + QStringLiteral("/display.html"); }
};

TEST_F(WebLookups, FoundHorseIsShownFromItsDetailsPage)
{
    server.addPage(kSearch,
                   ratingsPage("<tr><td><a href='/Publishing/RBH/pgHorseDetails.asp?id=3'>OLD</a></td></tr><tr>"
                               + kLink7 + kActive + "</tr>"),
                   "text/html", "POST");
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), kDetails);
    QString title, text;
    script.answerModal([&](QDialog* d) {
        title = d->windowTitle();
        text = d->findChild<QTextBrowser*>(QStringLiteral("WebBrowser"))->toPlainText();
        d->reject();
    });

    modJockey::ShowRbhRating();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].body,
              QByteArray("lstStates=VIC&lstRType=1&txtHorseName=Silver+Lining&btnHorseName=Search&hdnStateIndex="));
    EXPECT_EQ(requests[1].target, QByteArray("/Publishing/RBH/pgHorseDetails.asp?id=7"));
    EXPECT_EQ(title, QStringLiteral("RBH Vic Rating"));
    EXPECT_TRUE(text.contains(QStringLiteral("Rating 72")));
    QFile file(displayFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kDetails);
    // An "&" in a name must not cut the form short.
    EXPECT_EQ(modJockey::HorseSearchBody(QStringLiteral("Fish & Chips")),
              QStringLiteral("lstStates=VIC&lstRType=1&txtHorseName=Fish+%26+Chips&btnHorseName=Search&hdnStateIndex="));
}

// An installed program's folder is not the user's to write: here nothing at
// all can be made in it (it lies under a plain file, which not even root can
// write into). The rating page goes to the user's cache folder and is shown.
TEST_F(WebLookups, AProgramFolderThatCannotBeWrittenStillShowsTheRating)
{
    const QString blocker = env.root() + QStringLiteral("/plain-file");
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    qputenv("VELMORA_APP_DIR", QFile::encodeName(blocker + QStringLiteral("/app")));
    server.addPage(kSearch, ratingsPage("<tr>" + kLink7 + kActive + "</tr>"), "text/html", "POST");
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), kDetails);
    QString text;
    script.answerModal([&](QDialog* d) {
        text = d->findChild<QTextBrowser*>(QStringLiteral("WebBrowser"))->toPlainText();
        d->reject();
    });

    modJockey::ShowRbhRating();

    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("Rating 72")));
    QFile file(displayFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kDetails);
}

// The cache folder's disk refuses the page part-way (a file-size limit of
// 1 KiB stands in for a full disk): the reason is told, no empty window
// opens, and the page shown before stays as it was, with nothing beside it.
TEST_F(WebLookups, APageTheDiskRefusesIsToldWithItsReasonAndShowsNoWindow)
{
    const QByteArray older = "<html><body>the rating shown before</body></html>";
    ASSERT_TRUE(QDir().mkpath(env.scratchDir()));
    {
        QFile f(displayFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(older), older.size());
    }
    const QByteArray bigDetails = "<html><body><p>Rating 72</p>" + QByteArray(8192, 'x') + "</body></html>";
    server.addPage(kSearch, ratingsPage("<tr>" + kLink7 + kActive + "</tr>"), "text/html", "POST");
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), bigDetails);
    script.answerMsgBox(Prompts::vbOK);

    {
        FileSizeLimit diskFull(1024);
        modJockey::ShowRbhRating();
    }

    ASSERT_EQ(script.records().size(), 1); // the message, no window
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::MsgBox);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("The rating page could not be written to ") + displayFile()
                                            + QStringLiteral(" \r\r") + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("RBH Vic Rating"));
    EXPECT_TRUE(script.unexpected().isEmpty());
    QFile file(displayFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), older);
    EXPECT_EQ(QDir(env.scratchDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("display.html")});
}

// The cache folder cannot be made: the cache home lies in a folder the user
// may not write. The message says why the folder could not be made, not that
// the page's folder is missing.
TEST_F(WebLookups, ACacheFolderThatCannotBeMadeIsToldWithItsReason)
{
    const QString locked = env.root() + QStringLiteral("/locked");
    ASSERT_TRUE(QDir().mkpath(locked));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(env.root(), readOnly | QFile::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(locked, readOnly));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(locked + QStringLiteral("/cache")));
    server.addPage(kSearch, ratingsPage("<tr>" + kLink7 + kActive + "</tr>"), "text/html", "POST");
    server.addPage(QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?id=7"), kDetails);
    script.answerMsgBox(Prompts::vbOK);

    {
        FilesAsNobody bound;
        ASSERT_TRUE(bound.took());
        modJockey::ShowRbhRating();
    }

    ASSERT_EQ(script.records().size(), 1); // the message, no window
    EXPECT_EQ(script.records()[0].text, QStringLiteral("The rating page could not be written to ") + locked
                                            + QStringLiteral("/cache/Velmora/display.html \r\r")
                                            + QString::fromLocal8Bit(std::strerror(EACCES)));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("RBH Vic Rating"));
}

TEST_F(WebLookups, WithoutADetailsLinkBeforeTheActiveEntryTheSearchAnswerIsKept)
{
    const QByteArray linkAfter = ratingsPage("<tr>" + kActive + kLink7 + "</tr>");
    const QByteArray noActive = ratingsPage("<tr>" + kLink7 + "<td nowrap>Retired&nbsp;</td></tr>");
    const QByteArray notRatings = "<html>FIND HORSE - Search " + kLink7 + kActive + "</html>";
    for (const QByteArray& page : {linkAfter, noActive, notRatings}) {
        server.clearPages();
        server.clearRequests();
        server.addPage(kSearch, page, "text/html", "POST");
        EXPECT_EQ(modJockey::FindHorseRating(QStringLiteral("Silver Lining")), QString::fromUtf8(page));
        EXPECT_EQ(server.requestCount(), 1);
    }
}

TEST_F(WebLookups, ConnectionErrorOrBlankPageShowsNoPage)
{
    server.enqueue(FixtureServer::Reply::close());
    script.answerMsgBox(Prompts::vbOK);
    modJockey::ShowRbhRating();
    ASSERT_EQ(script.records().size(), 1); // the message, no viewer
    EXPECT_EQ(script.records()[0].text,
              QStringLiteral("There is some problem trying to retrieve the real-time data. Please try again later."));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Data Error"));
    EXPECT_EQ(script.records()[0].style, Prompts::vbExclamation);

    server.addPage(kSearch, QByteArray("   "), "text/html", "POST");
    modJockey::ShowRbhRating();
    EXPECT_EQ(script.records().size(), 1);
    EXPECT_FALSE(QFile::exists(displayFile()));
}
} // namespace

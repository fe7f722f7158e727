// The HTTP routine and the remote query service, against the fixture server.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using modDatabase::HttpReply;

namespace
{
const QString kServerErrorTitle = QStringLiteral("Connection error, Please Check Internet Connection");

class HttpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(5000);
    }
    void TearDown() override
    {
        modDatabase::SetHttpTimeLimit(0);
        modDatabase::SetHttpReplyLimit(0);
        modDatabase::SetAccessDeniedHandler({});
    }

    TestEnv env;
    FixtureServer server;
    Prompts::Script prompts;
};

QString timeoutText(const QString& url)
{
    return QStringLiteral("Error: Internert Connection has Timed out. Check internet connection. \r"
                          "May Mean Website server is down. \r")
           + url.left(50);
}

QString noConnectionText(const QString& url)
{
    return QStringLiteral("Error: 12029 Connection to Server cannot be Established. \r"
                          "Check internet Connection, the server you are connecting to may have a problem. \r")
           + url.left(50);
}
} // namespace

TEST_F(HttpTest, RemoteQueryRepliesRowsAndSendsTheQueryAsWritten)
{
    server.insertMany(QStringLiteral("Track"), {"TrackCode", "TrackClub", "State", "MeetType", "TrackLocat"},
                      {{"FLEM", "VRC", "VIC", "M", "FLEMINGTON"}, {"CAUL", "MVRC", "VIC", "M", "CAULFIELD"},
                       {"RAND", "ATC", "NSW", "M", "RANDWICK"}});

    // One row: the body comes back unchanged and splits into the row and an empty piece.
    const QString one = modDatabase::HttpRequest(
        modDatabase::RemoteQueryUrl("SELECT State, MeetType, TrackClub FROM Track WHERE TrackCode = 'flem'"),
        "GET");
    EXPECT_EQ(one, "VIC|M|VRC<br>\n");
    EXPECT_EQ(one.split("<br>\n").size(), 2);
    const auto rows = modDatabase::ParseReply(one);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], QStringList({"VIC", "M", "VRC"}));

    // Many rows, in the server's order.
    const HttpReply many = modDatabase::RemoteQuery("SELECT TrackCode FROM Track WHERE State = 'VIC' ORDER BY 1");
    EXPECT_TRUE(many.ok());
    EXPECT_EQ(modDatabase::SplitReplyRows(many.text), QStringList({"CAUL", "FLEM"}));

    // An empty result: empty text, no rows, no message.
    const HttpReply none = modDatabase::RemoteQuery("SELECT TrackCode FROM Track WHERE State = 'WA'");
    EXPECT_EQ(none.kind, HttpReply::Kind::Ok);
    EXPECT_TRUE(none.text.isEmpty());
    EXPECT_TRUE(modDatabase::ParseReply(none.text).isEmpty());
    EXPECT_TRUE(prompts.records().isEmpty());

    // What the server received: path, account, the GET's User-Agent.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/SQLQuery.php");
    EXPECT_EQ(requests[0].queryValue("sqlquery"), "SELECT State, MeetType, TrackClub FROM Track WHERE TrackCode = 'flem'");
    EXPECT_EQ(requests[0].queryValue("username"), "tester");
    EXPECT_EQ(requests[0].queryValue("userpass"), "secret");
    EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_TRUE(modDatabase::RemoteQueryUrl("x").startsWith("http://" + server.host() + "/SQLQuery.php?sqlquery=x&username="));
}

TEST_F(HttpTest, SpecialCharactersReachTheServerIntact)
{
    const QString name = QStringLiteral("O'Brien & Sons #1+2% \u00e9");
    modDatabase::gRemoteUser = QStringLiteral("us&er#+");
    modDatabase::gRemotePass = QStringLiteral("p%26a=ss");
    server.setAccount(modDatabase::gRemoteUser, modDatabase::gRemotePass);
    server.insert("WORKRACE", {{"WHorse", name.toUpper()}, {"WJockey", "A B"}});

    const QString sql = "SELECT WJockey FROM WORKRACE WHERE WHorse = '" + name.toUpper().replace("'", "''") + "'";
    EXPECT_EQ(modDatabase::RemoteQuery(sql).text, "A B<br>\n");
    const auto r = server.requests().value(0);
    EXPECT_EQ(r.queryValue("sqlquery"), sql);
    EXPECT_EQ(r.queryValue("username"), "us&er#+");
    EXPECT_EQ(r.queryValue("userpass"), "p%26a=ss");
    EXPECT_EQ(r.query.size(), 3);
}

TEST_F(HttpTest, FailedStatementBodiesAreShownAndGiveAnEmptyText)
{
    const QString longError = "Error: " + QString(200, QLatin1Char('x'));
    const QList<QByteArray> bodies = {longError.toUtf8(), "<br />\n<b>Warning: mysql_fetch_row() expects</b>",
                                      "Statement failed"};
    for (const QByteArray& body : bodies) {
        server.enqueue(FixtureServer::Reply::withBody(body));
        prompts.answerMsgBox(Prompts::vbOK);
    }
    for (const QByteArray& body : bodies) {
        const HttpReply r = modDatabase::RemoteQuery("SELECT 1");
        EXPECT_EQ(r.kind, HttpReply::Kind::ServerError) << body.constData();
        EXPECT_EQ(r.text, "");
        EXPECT_EQ(r.body, QString::fromUtf8(body));
    }
    const auto shown = prompts.messages();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, longError.left(120));
    EXPECT_EQ(shown[1].text, "<br />\n<b>Warning: mysql_fetch_row() expects</b>");
    EXPECT_EQ(shown[2].text, "Statement failed");
    for (const auto& m : shown) {
        EXPECT_EQ(m.title, kServerErrorTitle);
        EXPECT_EQ(m.style, Prompts::vbCritical);
    }

    // The real thing: SQL the server cannot run comes back the same way.
    prompts.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(modDatabase::HttpRequest(modDatabase::RemoteQueryUrl("SELEKT nonsense"), "GET"), "");
    EXPECT_TRUE(prompts.messages().last().text.startsWith("Error: "));
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}

TEST_F(HttpTest, AccessDeniedIsShownAndReported)
{
    int denied = 0;
    modDatabase::SetAccessDeniedHandler([&] { ++denied; });
    modDatabase::gRemotePass = QStringLiteral("wrong");
    prompts.answerMsgBox(Prompts::vbOK);
    const HttpReply r = modDatabase::RemoteQuery("SELECT 1");
    EXPECT_EQ(r.kind, HttpReply::Kind::AccessDenied);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(denied, 1);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "Access Denied Contact Hallard Support for Access \r"
                                          "You will not be able to add nominations until this is rectified");
    EXPECT_EQ(prompts.messages()[0].title, "Access Denied");
    EXPECT_EQ(prompts.messages()[0].style, Prompts::vbCritical);

    // Only a body that begins with it is a refusal.
    server.enqueue(FixtureServer::Reply::withBody("xx Access denied."));
    EXPECT_EQ(modDatabase::RemoteQuery("SELECT 1").text, "xx Access denied.");
    EXPECT_EQ(denied, 1);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}

TEST_F(HttpTest, HttpAndTransportFailuresGiveErrorTexts)
{
    const QString url = server.url("/missing/page.html");
    const HttpReply notFound = modDatabase::HttpSend(url, "GET");
    EXPECT_EQ(notFound.kind, HttpReply::Kind::HttpError);
    EXPECT_EQ(notFound.text, "Error: 404 Not Found");

    server.enqueue(FixtureServer::Reply::withStatus(503, "Service Unavailable", "busy"));
    EXPECT_EQ(modDatabase::HttpRequest(url, "GET"), "Error: 503 Service Unavailable");

    // A port nobody listens on.
    quint16 freePort;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    const QString refusedUrl = QStringLiteral("http://127.0.0.1:%1/SQLQuery.php?sqlquery=SELECT%20something%20long").arg(freePort);
    const HttpReply refused = modDatabase::HttpSend(refusedUrl, "GET");
    EXPECT_EQ(refused.kind, HttpReply::Kind::Transport);
    EXPECT_EQ(refused.status, 12029);
    EXPECT_EQ(refused.text, noConnectionText(refusedUrl));

    // A server that hangs up without answering (every time: the client tries
    // twice): the connection was made, so it is not the 12029 text.
    server.addPage("/closed", FixtureServer::Reply::close());
    const HttpReply closed = modDatabase::HttpSend(server.url("/closed"), "GET");
    EXPECT_EQ(closed.kind, HttpReply::Kind::Transport);
    EXPECT_EQ(closed.status, 12030);
    EXPECT_EQ(closed.text, "Error: 12030 The connection with the server was terminated abnormally");

    // A server that never answers: the time-out text after the limit.
    modDatabase::SetHttpTimeLimit(1000);
    server.enqueue(FixtureServer::Reply::hang());
    QElapsedTimer clock;
    clock.start();
    const HttpReply late = modDatabase::HttpSend(url, "GET");
    EXPECT_EQ(late.kind, HttpReply::Kind::Timeout);
    EXPECT_EQ(late.text, timeoutText(url));
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_LT(clock.elapsed(), 4000);

    // An answer that is slow but inside the limit is still read.
    server.addPage("/slow", "done");
    server.enqueue(FixtureServer::Reply::serve(300));
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/slow"), "GET"), "done");

    // An unknown method sends nothing and comes back as a time-out at once.
    const int before = server.requestCount();
    clock.restart();
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/slow"), "get"), timeoutText(server.url("/slow")));
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(server.requestCount(), before);
    EXPECT_TRUE(prompts.records().isEmpty());
}

TEST_F(HttpTest, PostSendsTheFormBodyAndPagesAreServed)
{
    server.addPage("/publishing/find.asp", "<html>found</html>", "text/html; charset=windows-1252", "POST");
    server.addPage("/page?id=7", QByteArray("caf\xe9"), "text/html; charset=ISO-8859-1");
    const QString body = "lstStates=VIC&txtHorseName=SILVER+LINING";
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/publishing/find.asp"), "POST", body), "<html>found</html>");
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/page?id=7"), "GET"), QStringLiteral("caf\u00e9"));

    const auto post = server.requests().value(0);
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, body.toUtf8());
    EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
}

namespace
{
/** A bare server on the test's own thread (the HTTP wait processes its
 *  events) that answers every request by `answer`. */
class RawServer
{
public:
    /** `onFirstBytes`: answer as soon as anything arrives (a TLS hello has
     *  no blank line to wait for). */
    explicit RawServer(std::function<void(QTcpSocket*)> answer, bool onFirstBytes = false)
        : m_answer(std::move(answer))
        , m_onFirstBytes(onFirstBytes)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    const bool complete = m_onFirstBytes || m_request.contains("\r\n\r\n");
                    if (!complete || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    ++m_requests;
                    m_request.clear();
                    m_answer(socket);
                });
            }
        });
    }
    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path); }
    quint16 port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }

private:
    QTcpServer m_server;
    std::function<void(QTcpSocket*)> m_answer;
    QByteArray m_request;
    int m_requests = 0;
    bool m_onFirstBytes = false;
};
} // namespace

TEST_F(HttpTest, EachTransportFailureHasItsOwnText)
{
    // An unknown host cannot be asked for without leaving the machine.
    const QString url = QStringLiteral("http://nowhere.example/SQLQuery.php?sqlquery=SELECT");
    const auto unknown =
        modDatabase::DescribeTransportFailure(static_cast<int>(QNetworkReply::HostNotFoundError), url);
    EXPECT_EQ(unknown.status, 12007);
    EXPECT_EQ(unknown.text, "Error: 12007 The server name or address could not be resolved");
    const QString redirect = "Error: 12156 The redirection failed because either the scheme changed or all attempts "
                             "made to redirect failed";

    // For real: a redirect that never ends.
    RawServer loop([](QTcpSocket* s) {
        s->write("HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        s->disconnectFromHost();
    });
    const HttpReply redirected = modDatabase::HttpSend(loop.url("/start"), "GET");
    EXPECT_EQ(redirected.kind, HttpReply::Kind::Transport);
    EXPECT_EQ(redirected.text, redirect);
    EXPECT_GT(loop.requests(), 1);

    // A secure channel to a server that speaks no TLS.
    RawServer plain(
        [](QTcpSocket* s) {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
            s->disconnectFromHost();
        },
        true);
    const HttpReply secure =
        modDatabase::HttpSend(QStringLiteral("https://127.0.0.1:%1/x").arg(plain.port()), "GET");
    EXPECT_EQ(secure.kind, HttpReply::Kind::Transport);
    EXPECT_EQ(secure.status, 12175) << secure.text.toStdString();
    EXPECT_EQ(secure.text, "Error: 12175 A security error occurred");

    EXPECT_TRUE(prompts.records().isEmpty());
}

TEST_F(HttpTest, RepliesLargerThanTheLimitAreDroppedNotGrown)
{
    modDatabase::SetHttpReplyLimit(1024 * 1024);
    const QByteArray chunk(64 * 1024, 'x');

    // A reply that never ends (no length, data for ever).
    RawServer endless([&chunk](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
        auto* pump = new QTimer(s);
        QObject::connect(pump, &QTimer::timeout, s, [s, &chunk] {
            if (s->bytesToWrite() < 4 * chunk.size())
                s->write(chunk);
        });
        pump->start(1);
    });
    QElapsedTimer clock;
    clock.start();
    const HttpReply big = modDatabase::HttpSend(endless.url("/SQLQuery.php"), "GET");
    EXPECT_EQ(big.kind, HttpReply::Kind::TooLarge);
    EXPECT_EQ(big.text, "Error: The reply is larger than 1 MB and was not read. \r" + endless.url("/SQLQuery.php").left(50));
    EXPECT_TRUE(big.body.isEmpty());
    EXPECT_LT(clock.elapsed(), 4000); // dropped at the limit, not at the time-out
    EXPECT_FALSE(big.ok());

    // A reply that says up front that it is too large.
    server.addPage("/huge", QByteArray(1024 * 1024 + 1, 'y'));
    EXPECT_EQ(modDatabase::HttpSend(server.url("/huge"), "GET").kind, HttpReply::Kind::TooLarge);
    // At the limit it is read.
    server.addPage("/fits", QByteArray(1024 * 1024, 'y'));
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/fits"), "GET").size(), 1024 * 1024);

    modDatabase::SetHttpReplyLimit(0);
    EXPECT_EQ(modDatabase::kMaxReplyBytes, 64LL * 1024 * 1024);
    EXPECT_EQ(modDatabase::HttpSend(server.url("/huge"), "GET").kind, HttpReply::Kind::Ok);
    EXPECT_TRUE(prompts.records().isEmpty());
}

TEST_F(HttpTest, TheWaitShowsTheBusyPointer)
{
    server.addPage("/slow", "done");
    server.enqueue(FixtureServer::Reply::serve(300));
    std::optional<Qt::CursorShape> during;
    QTimer::singleShot(100, [&] {
        if (const QCursor* c = QGuiApplication::overrideCursor())
            during = c->shape();
    });
    EXPECT_EQ(modDatabase::HttpRequest(server.url("/slow"), "GET"), "done");
    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(*during, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FormReply, OnlyRepliesInTheServicesFormatCount)
{
    using modDatabase::ReplyHasFields;
    EXPECT_TRUE(ReplyHasFields("", 2));
    EXPECT_TRUE(ReplyHasFields("VIC|M<br>\n", 2));
    EXPECT_FALSE(ReplyHasFields("x<br>\nVIC|M<br>\n", 2)); // one short row makes the reply unreadable
    EXPECT_FALSE(ReplyHasFields("VIC|M<br>\n", 3));
    EXPECT_FALSE(ReplyHasFields("VIC|M", 2));
    EXPECT_FALSE(ReplyHasFields("<html><head><title>Login</title></head><body>Sign in|here</body></html>", 2));
    EXPECT_FALSE(ReplyHasFields(QString::fromLatin1("\x01\xff\x13garbage|\x7f"), 2));
    EXPECT_FALSE(ReplyHasFields("<br>\n<br>\n", 2));
}

TEST(FormReply, RowsHoldingMarkupAreRefusedThoughTheirFieldsCount)
{
    using modDatabase::kMalformedReplyText;
    using modDatabase::ReplyHasFields;
    using modDatabase::ReplyProblem;

    // Four fields each, as the track look-up asks, but with a page's or a
    // script's markup in them: not the service's plain rows.
    EXPECT_TRUE(ReplyHasFields("CAUL|MELBOURNE RACING CLUB|VIC|M<br>\n", 4));
    EXPECT_FALSE(ReplyHasFields("CAUL|<b>MELBOURNE RACING CLUB</b>|VIC|M<br>\n", 4));
    EXPECT_FALSE(ReplyHasFields("CAUL|MELBOURNE RACING CLUB|VIC|M</p><br>\n", 4));
    EXPECT_FALSE(ReplyHasFields("<?php echo $track; ?>|MELBOURNE RACING CLUB|VIC|M<br>\n", 4));
    EXPECT_EQ(ReplyProblem("FLEM|VRC|VIC|M<br>\nCAUL|<b>MRC</b>|VIC|M<br>\n", 4), kMalformedReplyText);
    // A "<" that opens no tag is plain text.
    EXPECT_TRUE(ReplyHasFields("CAUL|CLASS < 3|VIC|M<br>\n", 4));
}

TEST(FormReply, EveryRowMustBeARowOfTheQueryAsked)
{
    using modDatabase::FieldCount;
    using modDatabase::kMalformedReplyText;
    using modDatabase::ReplyProblem;

    // The track look-up (four fields): a PHP notice or warning before the
    // rows would become the meeting's code.
    const QString track = "CAUL|MELBOURNE RACING CLUB|VIC|M<br>\n";
    EXPECT_EQ(ReplyProblem(track, 4), QString());
    EXPECT_EQ(ReplyProblem("Notice: slow query<br>\n" + track, 4), kMalformedReplyText);
    EXPECT_EQ(ReplyProblem("<br />\n<b>Deprecated</b>:  mysql_connect(): The mysql extension is deprecated in "
                           "<b>/var/www/SQLQuery.php</b> on line <b>4</b><br />\n" + track, 4),
              kMalformedReplyText);

    // The statistics query (39 fields): one short row among good ones.
    QStringList run;
    for (int i = 0; i < 39; ++i)
        run << QString::number(i);
    const QString good = "2019-05-12|" + run.mid(1).join(QLatin1Char('|')) + "<br>\n";
    EXPECT_EQ(ReplyProblem(good + good, 39), QString());
    EXPECT_EQ(ReplyProblem(good + "2019-05-05|Short|0<br>\n" + good, 39), kMalformedReplyText);

    // The jockey search (one field, names holding the searched word): a
    // maintenance page whose lines end as rows do.
    EXPECT_EQ(ReplyProblem("J SMITH<br>\nB SMITHERS<br>\n", 1, FieldCount::Exactly, "SMITH"), QString());
    EXPECT_EQ(ReplyProblem("<h1>Down for maintenance</h1><br>\nBack at 6 pm<br>\n", 1, FieldCount::Exactly,
                           "SMITH"),
              kMalformedReplyText);
    EXPECT_EQ(ReplyProblem("Down for maintenance<br>\nBack at 6 pm<br>\n", 1, FieldCount::Exactly, "SMITH"),
              kMalformedReplyText);

    // The horse search ("SELECT *": at least seven fields): thirty race rows
    // of fourteen fields, named by their dates.
    const QString horses = "STAR ONE|2020-09-01|SIRE|DAM|3|G|J DOE|BAY<br>\n"
                           "Étoile Star|2020-10-01|SIRE|DAM|3|F|J DOE|GREY<br>\n";
    EXPECT_EQ(ReplyProblem(horses, 7, FieldCount::AtLeast, "star"), QString());
    EXPECT_EQ(ReplyProblem(horses, 7, FieldCount::AtLeast, "etoile"), kMalformedReplyText); // one row lacks it
    EXPECT_EQ(ReplyProblem(horses.section("<br>\n", 1), 7, FieldCount::AtLeast, "ETOILE"), QString());
    QString races;
    for (int day = 1; day <= 30; ++day)
        races += QStringLiteral("2019-05-%1|FLEM|3|STAR ONE|1|J SMITH|0|J DOE|VIC|56|2|1200|BM70|1:10.2<br>\n")
                     .arg(day, 2, 10, QLatin1Char('0'));
    EXPECT_EQ(ReplyProblem(races, 7, FieldCount::AtLeast, "STAR"), kMalformedReplyText);
    // Rows of one table have one column count.
    EXPECT_EQ(ReplyProblem("STAR ONE|2020-09-01|SIRE|DAM|3|G|J DOE|BAY<br>\n"
                           "STAR TWO|2020-09-01|SIRE|DAM|3|G|J DOE<br>\n",
                           7, FieldCount::AtLeast, "STAR"),
              kMalformedReplyText);
}

// A window whose handler waits on a request, and which may be closed or
// clicked again during the wait.
namespace
{
int g_closedDuringWait = 0;

class WaitingWindow : public QWidget
{
public:
    QString url;
    QStringList results;
    int depth = 0;

    void cmdGo_Click()
    {
        QPointer<WaitingWindow> self(this);
        ++depth;
        const QString reply = modDatabase::HttpRequest(url, "GET");
        if (!self) {
            ++g_closedDuringWait; // closed during the wait: touch nothing of it
            return;
        }
        --depth;
        results << reply;
    }
};
} // namespace

TEST_F(HttpTest, AWaitingHandlerSurvivesItsWindowClosingAndASecondClick)
{
    server.addPage("/a", "first");
    server.addPage("/b", "second");

    // The window is closed (and deleted) while its handler waits.
    auto* window = new WaitingWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->url = server.url("/a");
    QPointer<WaitingWindow> guard(window);
    server.enqueue(FixtureServer::Reply::serve(400));
    QTimer::singleShot(100, window, [window] { window->close(); });
    window->cmdGo_Click();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(g_closedDuringWait, 1);

    // The same handler runs again during the wait: the nested request ends
    // first, inside the outer wait, and both get their own answer.
    WaitingWindow again;
    again.url = server.url("/a");
    server.enqueue(FixtureServer::Reply::serve(600));
    QTimer::singleShot(100, &again, [&again, this] {
        again.url = server.url("/b");
        again.cmdGo_Click();
    });
    again.cmdGo_Click();
    EXPECT_EQ(again.results, QStringList({"second", "first"}));
    EXPECT_EQ(again.depth, 0);
}

// --- the fixture service's MySQL behaviour -----------------------------------

TEST(FormService, TranslatesTheMySqlTheProgramSends)
{
    EXPECT_EQ(FixtureServer::translateSql(
                  "SELECT CAST(AVG(CASE WHEN M = 'WON' THEN 0 ELSE M END)As Decimal(3,1)), "
                  "CAST( Avg(X) AS DECIMAL( 5, 0 ) ) FROM T"),
              "SELECT mysql_decimal(AVG(CASE WHEN M = 'WON' THEN 0 ELSE M END), 3, 1), "
              "mysql_decimal( Avg(X) , 5, 0) FROM T");
    EXPECT_EQ(FixtureServer::translateSql("SELECT W.WHorse as Winner, S.WHorse as 2nd, T.WHORSE  as 3rd FROM X"),
              "SELECT W.WHorse as Winner, S.WHorse as \"2nd\", T.WHORSE  as \"3rd\" FROM X");
    EXPECT_EQ(FixtureServer::translateSql("WHERE RDate = '2009/6/07' AND N = 'as 2nd CAST(x AS DECIMAL(3,1))'"),
              "WHERE RDate = '2009-06-07' AND N = 'as 2nd CAST(x AS DECIMAL(3,1))'");
}

TEST(FormService, ComparesTextAndNumbersAsMySqlDoes)
{
    FixtureServer s;
    s.insertMany("WORKRACE", {"WRaceDate", "WHorse", "WJockey", "WBeatMar", "WMoneyWon"},
                 {{"2009-06-07", "SILVER LINING", "J SMITH", "WON", 12000},
                  {"2009-05-01", "SILVER LINING", "J SMITH", "DIS", 0},
                  {"2009-04-01", "SILVER LINING", "A BROWN", "25", 0},
                  {"2009-03-01", "SILVER LINING", "A BROWN", "3", 99999.6}});
    // Case and trailing blanks do not count; IN-lists too.
    EXPECT_EQ(s.answerQuery("SELECT COUNT(*) FROM WORKRACE WHERE WHorse = 'Silver Lining '"), "4<br>\n");
    EXPECT_EQ(s.answerQuery("SELECT WJockey FROM WORKRACE WHERE WJockey in ( 'j smith', 'x') GROUP BY WJockey"),
              "J SMITH<br>\n");
    EXPECT_EQ(s.answerQuery("SELECT WJockey FROM WORKRACE where INSTR(WJockey,'brow') Group by WJockey"),
              "A BROWN<br>\n");
    // Margins averaged with WON as 0, DIS as 20, caps at 20; DECIMAL rounds and clips.
    EXPECT_EQ(s.answerQuery("SELECT CAST(AVG(CASE WHEN WBeatMar = 'WON' THEN 0 WHEN WBeatMar = 'DIS' THEN 20 "
                            "WHEN WBeatMar > 20 THEN 20 ELSE WBeatMar END)As Decimal(3,1)) FROM WORKRACE"),
              "10.8<br>\n");
    EXPECT_EQ(s.answerQuery("SELECT CAST( MAX(WMoneyWon) AS DECIMAL( 5, 0 ) ) FROM WORKRACE"), "99999<br>\n");
    EXPECT_EQ(s.answerQuery("SELECT WRaceDate, NULL FROM WORKRACE WHERE WRaceDate = '2009/06/07'"),
              "2009-06-07|<br>\n");
    EXPECT_EQ(s.answerQuery("SELECT WRaceDate FROM WORKRACE ORDER BY WRaceDate LIMIT 1,2"),
              "2009-04-01<br>\n2009-05-01<br>\n");
    EXPECT_TRUE(s.answerQuery("SELECT nothing FROM nowhere").startsWith("Error: "));
}

TEST(FormService, RunsTheStatisticsQueryWithItsColumnPositions)
{
    FixtureServer s;
    QString error;
    ASSERT_TRUE(s.execFile(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql", &error)) << error.toStdString();
    const QByteArray body = s.answerQuery(
        "SELECT A.*, R.*, W.WHorse as Winner, S.WHorse as 2nd, T.WHORSE  as 3rd  FROM WORKRACE A INNER JOIN "
        "RACEMAST R ON A.WRaceDate = R.RDate AND A.WTrack = R.RTrack AND A.WRaceNo = R.RRaceNo INNER JOIN WORKRACE W "
        "ON A.WRaceDate = W.WRaceDate AND A.WRaceNo = W.WRaceNo AND A.WTrack = W.WTrack AND W.WFinPosn =1 LEFT OUTER "
        "JOIN WORKRACE S ON A.WRaceDate = S.WRaceDate AND A.WRaceNo = S.WRaceNo AND A.WTrack = S.WTrack AND "
        "S.WFinPosn =2 LEFT OUTER JOIN WORKRACE T ON A.WRaceDate = T.WRaceDate AND A.WRaceNo = T.WRaceNo AND "
        "A.WTrack = T.WTrack AND T.WFinPosn =3 WHERE A.WHorse= 'SILVER LINING' ORDER BY A.WRaceDate DESC, A.WTrack, "
        "A.WRaceNo, A.WHorse LIMIT 0,90");
    const auto rows = modDatabase::ParseReply(QString::fromUtf8(body));
    ASSERT_EQ(rows.size(), 2) << body.constData();
    const QStringList& f = rows[0]; // the newest run: Geelong, disqualified
    ASSERT_EQ(f.size(), 39);
    EXPECT_EQ(f[0], "2009-06-20");
    EXPECT_EQ(f[10], "9");
    EXPECT_EQ(f[15], "J HAWKES");
    EXPECT_EQ(f[20], "1600");
    EXPECT_EQ(f[22], "D");
    EXPECT_EQ(f[29], "11");
    EXPECT_EQ(f[35], "97.90");
    EXPECT_EQ(f[36], "RED SKY");
    EXPECT_EQ(f[37], "NORTHERN STAR");
    EXPECT_EQ(f[38], "HARBOUR LIGHTS");
    EXPECT_EQ(rows[1][36], "SILVER LINING");
    EXPECT_EQ(rows[1][37], "RED SKY");
}

// The main window's link check against a local server: each answer's first
// 60 characters decide the result; no answer is a time-out.
#include "core/HttpRequest.h"
#include "mainwindow/Main.h"
#include "support/MainFixture.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace
{
// Answers every request with one fixed HTTP response (or never, when empty).
class OneAnswerServer
{
public:
    explicit OneAnswerServer(QByteArray status, QByteArray body)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this, status, body] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
            {
                QObject::connect(s, &QTcpSocket::readyRead, s, [s, status, body] {
                    m_request += s->readAll();
                    if (status.isEmpty() || !m_request.contains("\r\n\r\n"))
                        return;
                    s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/page.html").arg(m_server.serverPort()); }
    static inline QByteArray m_request;

private:
    QTcpServer m_server;
};
} // namespace

TEST(MainLinkCheck, AnswersAreSummedUpByTheirFirstSixtyCharacters)
{
    MainFixture f;
    Main& m = f.main();
    struct Case
    {
        QByteArray status;
        QByteArray body;
        const char* expected;
    };
    const Case cases[] = {
        {"200 OK", "<html>fine</html>", "OK"},
        {"200 OK", "", "Server not found"},
        {"404 Not Found", "<h1>404 Not Found</h1>", "File not found"},
        {"200 OK", QByteArray(60, 'x') + "404", "OK"},
        {"200 OK", "PHP Fatal Error: out of memory", "Fatal Error"},
        {"200 OK", "FATAL ERROR", "Fatal Error"},
        {"200 OK", "fatal error", "OK"},
    };
    for (const Case& c : cases)
    {
        OneAnswerServer server(c.status, c.body);
        OneAnswerServer::m_request.clear();
        EXPECT_EQ(m.CheckLink(server.url()), QString::fromLatin1(c.expected)) << c.body.constData();
        EXPECT_TRUE(OneAnswerServer::m_request.startsWith("GET /page.html"));
        EXPECT_TRUE(OneAnswerServer::m_request.contains("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
    }
    EXPECT_EQ(m.CheckLink(QString()), QString());
}

TEST(MainLinkCheck, NoAnswerIsATimeout)
{
    MainFixture f;
    Main& m = f.main();
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        closedPort = probe.serverPort();
    }
    EXPECT_EQ(m.CheckLink(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort)), QStringLiteral("Timeout error"));
    EXPECT_EQ(m.CheckLink(QStringLiteral("not a web address")), QStringLiteral("Timeout error"));

    modDatabase::SetHttpTimeLimit(300);
    OneAnswerServer silent{QByteArray(), QByteArray()};
    EXPECT_EQ(m.CheckLink(silent.url()), QStringLiteral("Timeout error"));
    modDatabase::SetHttpTimeLimit(0);
}

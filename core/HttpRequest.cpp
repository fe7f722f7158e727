#include "core/HttpRequest.h"

#include "core/cAppSettings.h"
#include "platform/Prompts.h"
#include "platform/WaitCursor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include <atomic>
#include <memory>

namespace modDatabase
{
QString gRemoteUser;
QString gRemotePass;

namespace
{
constexpr int kDefaultLimitMs = 51000;
std::atomic<int> g_limitMs{kDefaultLimitMs};
std::atomic<qint64> g_replyLimit{kMaxReplyBytes};
std::function<void()> g_accessDenied;

const QString kServerErrorTitle = QStringLiteral("Connection error, Please Check Internet Connection");

/** One network manager per thread, made on first use. The one on the
 *  application's thread goes with the application; the others with their
 *  thread. */
QNetworkAccessManager* networkManager()
{
    struct Holder
    {
        QPointer<QNetworkAccessManager> manager;
        bool owned = false;
        ~Holder()
        {
            if (owned)
                delete manager.data();
        }
    };
    thread_local Holder holder;
    if (!holder.manager) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app && app->thread() == QThread::currentThread()) {
            holder.manager = new QNetworkAccessManager(app);
            holder.owned = false;
        } else {
            holder.manager = new QNetworkAccessManager;
            holder.owned = true;
        }
    }
    return holder.manager;
}

QString timeoutText(const QString& url)
{
    return QStringLiteral("Error:") + QStringLiteral(" Internert Connection has Timed out. Check internet connection. ")
           + QLatin1Char('\r') + QStringLiteral("May Mean Website server is down. ") + QLatin1Char('\r') + url.left(50);
}

QString noConnectionText(const QString& url)
{
    return QStringLiteral("Error: 12029 ") + QStringLiteral("Connection to Server cannot be ")
           + QStringLiteral("Established. ") + QLatin1Char('\r')
           + QStringLiteral("Check internet Connection, the server you are connecting to may have a problem. ")
           + QLatin1Char('\r') + url.left(50);
}

QString decodeWindows1252(const QByteArray& bytes)
{
    // The 0x80-0x9F block is where Windows-1252 differs from Latin-1.
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c >= 0x80 && c < 0xA0) ? QChar(high[c - 0x80]) : QChar(c);
    }
    return out;
}

/** The body as text by the charset the server names; UTF-8 when it names
 *  none, falling back to Windows-1252 for bytes that are not UTF-8. */
QString decodeBody(const QByteArray& bytes, const QByteArray& contentType)
{
    QByteArray charset;
    const int at = contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        charset = contentType.mid(at + 8).trimmed().toLower();
        const int end = charset.indexOf(';');
        if (end >= 0)
            charset = charset.left(end).trimmed();
        charset.replace('"', QByteArray());
    }
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "windows-1252" || charset == "cp1252"
        || charset == "us-ascii")
        return decodeWindows1252(bytes);
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        QStringDecoder named(charset.constData());
        if (named.isValid())
            return named.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 mb = 1024 * 1024;
    return bytes >= mb && bytes % mb == 0 ? QString::number(bytes / mb) + QStringLiteral(" MB")
                                          : QString::number(bytes) + QStringLiteral(" bytes");
}

QString tooLargeText(const QString& url, qint64 limit)
{
    return QStringLiteral("Error: The reply is larger than ") + sizeText(limit)
           + QStringLiteral(" and was not read. ") + QLatin1Char('\r') + url.left(50);
}

/** Classifies a status-200 body and shows what the routine itself shows. */
void classifyOkBody(HttpReply& r)
{
    const QString& b = r.body;
    if (b.startsWith(QStringLiteral("Error:")) || b.startsWith(QStringLiteral("Statem"))
        || b.mid(10, 7) == QStringLiteral("Warning")) {
        r.kind = HttpReply::Kind::ServerError;
        r.text.clear();
        Prompts::MsgBox(b.left(120), Prompts::vbCritical, kServerErrorTitle);
        return;
    }
    if (b.left(14) == QStringLiteral("Access denied.")) {
        r.kind = HttpReply::Kind::AccessDenied;
        r.text.clear();
        Prompts::MsgBox(QStringLiteral("Access Denied Contact Hallard Support for Access ") + QLatin1Char('\r')
                            + QStringLiteral("You will not be able to add nominations until this is rectified"),
                        Prompts::vbCritical, QStringLiteral("Access Denied"));
        if (g_accessDenied)
            g_accessDenied();
        return;
    }
    r.kind = HttpReply::Kind::Ok;
    r.text = b;
}

/**
 * Whether the server sends back anything at all when asked the request
 * `sent` again on a bare connection, within `waitMs`.
 *
 * The network layer says "remote host closed" both for a connection the
 * server closed without a word and for an answer it could not read as HTTP
 * (a wrong service on the port, bytes that are no status line, an answer
 * cut off inside its headers): the bytes of the latter are dropped unseen.
 * Only the first is a silent server; asking once more and looking at the
 * raw bytes tells them apart. The same request is sent as it was, so the
 * server sees nothing it was not already asked.
 */
bool serverAnswersAtAll(const QNetworkRequest& sent, const QByteArray& method, const QByteArray& body, int waitMs)
{
    if (waitMs <= 0)
        return false;
    const QUrl address = sent.url();
    const bool secure = address.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
    QByteArray target = address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    QByteArray request = method + ' ' + target + " HTTP/1.1\r\n";
    request += "Host: " + address.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() + "\r\n";
    for (const QByteArray& name : sent.rawHeaderList())
        request += name + ": " + sent.rawHeader(name) + "\r\n";
    if (method == "POST")
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += "Connection: close\r\n\r\n" + body;

    std::unique_ptr<QTcpSocket> socket;
#if QT_CONFIG(ssl)
    if (secure)
        socket = std::make_unique<QSslSocket>();
#endif
    if (!socket) {
        if (secure)
            return false;
        socket = std::make_unique<QTcpSocket>();
    }

    const WaitCursor busy;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(socket.get(), &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(socket.get(), &QAbstractSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(socket.get(), &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    const quint16 port = static_cast<quint16>(address.port(secure ? 443 : 80));
#if QT_CONFIG(ssl)
    if (auto* ssl = qobject_cast<QSslSocket*>(socket.get())) {
        QObject::connect(ssl, &QSslSocket::encrypted, ssl, [ssl, request] { ssl->write(request); });
        ssl->connectToHostEncrypted(address.host(), port);
    }
#endif
    if (!secure) {
        QObject::connect(socket.get(), &QAbstractSocket::connected, socket.get(),
                         [s = socket.get(), request] { s->write(request); });
        socket->connectToHost(address.host(), port);
    }
    limit.start(waitMs);
    loop.exec();
    const bool answered = socket->bytesAvailable() > 0;
    socket->disconnect();
    socket->abort();
    return answered;
}

/** Network-level failures: no usable answer came back at all. */
bool isTransportFailure(QNetworkReply::NetworkError e)
{
    const int code = static_cast<int>(e);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}
} // namespace

void SetHttpReplyLimit(qint64 bytes)
{
    g_replyLimit = bytes > 0 ? bytes : kMaxReplyBytes;
}

TransportFailure DescribeTransportFailure(int qtError, const QString& url)
{
    const auto failure = [](int status, const char* text) {
        return TransportFailure{status, QStringLiteral("Error: ") + QString::number(status) + QLatin1Char(' ')
                                            + QString::fromLatin1(text)};
    };
    switch (static_cast<QNetworkReply::NetworkError>(qtError)) {
    case QNetworkReply::HostNotFoundError:
        return failure(12007, "The server name or address could not be resolved");
    case QNetworkReply::RemoteHostClosedError:
        return failure(12030, "The connection with the server was terminated abnormally");
    case QNetworkReply::SslHandshakeFailedError:
        return failure(12175, "A security error occurred");
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return failure(12156, "The redirection failed because either the scheme changed or all attempts made to "
                              "redirect failed");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        return failure(12152, "The server returned an invalid or unrecognized response");
    case QNetworkReply::OperationCanceledError:
        return failure(12017, "The operation was canceled");
    default:
        // Refused, unreachable, no network, proxy refused: nothing was reached.
        return {12029, noConnectionText(url)};
    }
}

void SetHttpTimeLimit(int milliseconds)
{
    g_limitMs = milliseconds > 0 ? milliseconds : kDefaultLimitMs;
}

int HttpTimeLimit()
{
    return g_limitMs;
}

void SetAccessDeniedHandler(std::function<void()> handler)
{
    g_accessDenied = std::move(handler);
}

HttpReply HttpSend(const QString& url, const QString& method, const QString& body)
{
    HttpReply r;
    const bool isGet = method == QStringLiteral("GET");
    const bool isPost = method == QStringLiteral("POST");
    if (!isGet && !isPost) {
        // Nothing is sent for an unknown method, so no answer can come; say
        // so at once instead of waiting out the limit.
        r.kind = HttpReply::Kind::Timeout;
        r.text = timeoutText(url);
        return r;
    }

    const QUrl address(url, QUrl::TolerantMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty()
        || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        r.kind = HttpReply::Kind::Transport;
        r.text = QStringLiteral("Error: Invalid address ") + url.left(50);
        return r;
    }

    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    const QByteArray sentBody = isPost ? body.toUtf8() : QByteArray();
    QElapsedTimer started;
    started.start();
    QNetworkReply* raw = nullptr;
    if (isPost) {
        request.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
        raw = networkManager()->post(request, sentBody);
    } else {
        request.setRawHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
        raw = networkManager()->get(request);
    }
    // The reply is ours until we return, whatever runs during the wait.
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(raw, [](QNetworkReply* p) {
        p->disconnect();
        p->deleteLater();
    });

    // The body is taken as it arrives, so a reply that will not end is
    // dropped at the size limit instead of growing until memory runs out.
    const qint64 sizeLimit = g_replyLimit.load();
    QByteArray received;
    bool tooLarge = false;
    // Whether the server's answer began: a status line and headers read, or
    // body bytes. A connection that breaks after that is not a silent server.
    bool answerBegan = false;
    // Whether a redirect was followed: the redirect itself is not the answer,
    // and the status it left behind tells nothing of the server it led to.
    bool redirected = false;
    const auto overLimit = [&] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        return received.size() > sizeLimit || (declared.isValid() && declared.toLongLong() > sizeLimit);
    };
    if (!reply->isFinished()) {
        // Taken down before any message box.
        const WaitCursor busy;
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        const auto take = [&] {
            answerBegan = true;
            received += reply->readAll();
            if (!tooLarge && overLimit()) {
                tooLarge = true;
                loop.quit();
            }
        };
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, take);
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, take);
        QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&] {
            answerBegan = false;
            received.clear();
            redirected = true;
        });
        limit.start(g_limitMs.load());
        // Other handlers (and nested requests) may run here; the loop ends on
        // our own reply or our own time limit, or when the program quits.
        loop.exec();
        QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
    }
    if (!tooLarge) {
        received += reply->readAll();
        tooLarge = overLimit();
    }
    if (tooLarge) {
        reply->abort();
        r.kind = HttpReply::Kind::TooLarge;
        r.text = tooLargeText(url, sizeLimit);
        return r;
    }

    if (!reply->isFinished()) {
        reply->abort();
        r.kind = HttpReply::Kind::Timeout;
        r.text = timeoutText(url);
        return r;
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (!status.isValid() || isTransportFailure(error)) {
        if (error == QNetworkReply::NoError) {
            // Not HTTP (no status): take the body as it is.
            r.status = 200;
            r.body = decodeBody(received, reply->rawHeader("Content-Type"));
            classifyOkBody(r);
            return r;
        }
        if (error == QNetworkReply::TimeoutError) {
            r.kind = HttpReply::Kind::Timeout;
            r.text = timeoutText(url);
            return r;
        }
        if (error == QNetworkReply::RemoteHostClosedError) {
            // Closed before any answer is a silent server; closed after an
            // answer began, or after bytes that are not HTTP, is an answer
            // that cannot be read: a failure of this request only.
            answerBegan = answerBegan || (status.isValid() && !redirected) || !received.isEmpty();
            if (!answerBegan) {
                // Asked where the request ended up, after any redirect.
                QNetworkRequest again = request;
                again.setUrl(reply->url());
                const int left = static_cast<int>(g_limitMs.load() - started.elapsed());
                answerBegan = serverAnswersAtAll(again, isPost ? QByteArray("POST") : QByteArray("GET"), sentBody,
                                                 left);
            }
            if (answerBegan) {
                const TransportFailure failure =
                    DescribeTransportFailure(static_cast<int>(QNetworkReply::ProtocolFailure), url);
                r.kind = HttpReply::Kind::Transport;
                r.status = failure.status;
                r.text = failure.text;
                return r;
            }
        }
        // A failed secure channel may also surface as a general failure.
        const bool secure = address.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
        const int code = secure && error == QNetworkReply::UnknownNetworkError
                             ? static_cast<int>(QNetworkReply::SslHandshakeFailedError)
                             : static_cast<int>(error);
        const TransportFailure failure = DescribeTransportFailure(code, url);
        r.kind = HttpReply::Kind::Transport;
        r.status = failure.status;
        r.text = failure.text;
        return r;
    }

    r.status = status.toInt();
    r.statusText = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    r.body = decodeBody(received, reply->rawHeader("Content-Type"));
    if (r.status == 200) {
        classifyOkBody(r);
    } else {
        r.kind = HttpReply::Kind::HttpError;
        r.text = QStringLiteral("Error: ") + QString::number(r.status) + QLatin1Char(' ') + r.statusText;
    }
    return r;
}

QString HttpRequest(const QString& url, const QString& method, const QString& body)
{
    return HttpSend(url, method, body).text;
}

const QString kMalformedReplyText =
    QStringLiteral("Error: The form database's reply could not be read (it is not in the form service's format: "
                   "perhaps a web page or damaged data). Nothing was changed.");

bool ReplyHasFields(const QString& reply, int fields)
{
    return ReplyHasFields(reply, fields, FieldCount::Exactly);
}

namespace
{
/** Markup ("<b>", "</p>", "<!DOCTYPE", "<?php") is never part of a row: the
 *  service sends plain fields, so a tag means a web page or a PHP notice. */
bool holdsMarkup(QStringView row)
{
    for (qsizetype at = row.indexOf(u'<'); at >= 0 && at + 1 < row.size(); at = row.indexOf(u'<', at + 1)) {
        const QChar next = row[at + 1];
        if (next.isLetter() || next == u'/' || next == u'!' || next == u'?')
            return true;
    }
    return false;
}

/** Text as the form database's INSTR compares it: without regard to letter
 *  case or accents. */
QString searchFold(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    }
    return out.toCaseFolded();
}
} // namespace

bool ReplyHasFields(const QString& reply, int fields, FieldCount count)
{
    if (reply.isEmpty())
        return true;
    if (!reply.endsWith(QStringLiteral("<br>\n")))
        return false;
    // Every row counts: one row that is not the query's (a notice before the
    // rows, a cut row among them, a page line) makes the whole reply unreadable.
    const QStringView all(reply);
    qsizetype pos = 0;
    qsizetype firstCount = -1;
    while (pos < all.size()) {
        const qsizetype end = all.indexOf(u"<br>\n", pos);
        const QStringView row = all.mid(pos, end - pos);
        pos = end + 5;
        if (row.isEmpty())
            continue;
        // A row is one line of plain fields.
        if (row.contains(u'\n') || holdsMarkup(row))
            return false;
        const qsizetype has = row.count(u'|') + 1;
        if (count == FieldCount::Exactly ? has != fields : has < fields)
            return false;
        // The columns of one table are the same in every row.
        if (firstCount >= 0 && has != firstCount)
            return false;
        firstCount = has;
    }
    // A reply of empty rows only is not the service's empty result (an empty body).
    return firstCount >= 0;
}

QString ReplyProblem(const QString& reply, int fields, FieldCount count, const QString& searched)
{
    if (reply.left(6) == QLatin1String("Error:"))
        return reply;
    if (!ReplyHasFields(reply, fields, count))
        return kMalformedReplyText;
    if (!searched.isEmpty()) {
        // The search asks only for rows whose first field holds the searched
        // text: a row without it answers some other question.
        const QString wanted = searchFold(searched);
        for (const QString& row : SplitReplyRows(reply)) {
            if (!searchFold(row.section(QLatin1Char('|'), 0, 0)).contains(wanted))
                return kMalformedReplyText;
        }
    }
    return QString();
}

QString ReplyFirstRows(const QString& reply, int maxRows)
{
    const QStringView all(reply);
    qsizetype pos = 0;
    for (int rows = 0; rows < maxRows; ++rows) {
        const qsizetype end = all.indexOf(u"<br>\n", pos);
        if (end < 0)
            return reply;
        pos = end + 5;
    }
    return reply.left(pos);
}

QString UrlEncodeValue(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString RemoteQueryUrl(const QString& sql)
{
    QString server = gAppSettings.DataServer;
    if (server.isEmpty())
        server = cAppSettings::kDefaultDataServer;
    return QStringLiteral("http://") + server + QStringLiteral("/SQLQuery.php?sqlquery=") + UrlEncodeValue(sql)
           + QStringLiteral("&username=") + UrlEncodeValue(gRemoteUser) + QStringLiteral("&userpass=")
           + UrlEncodeValue(gRemotePass);
}

HttpReply RemoteQuery(const QString& sql)
{
    return HttpSend(RemoteQueryUrl(sql), QStringLiteral("GET"));
}

QStringList SplitReplyRows(const QString& reply)
{
    QStringList rows = reply.split(QStringLiteral("<br>\n"));
    rows.removeAll(QString());
    return rows;
}

QStringList SplitReplyFields(const QString& row)
{
    return row.split(QLatin1Char('|'));
}

QList<QStringList> ParseReply(const QString& reply)
{
    QList<QStringList> out;
    const QStringList rows = SplitReplyRows(reply);
    out.reserve(rows.size());
    for (const QString& row : rows)
        out << SplitReplyFields(row);
    return out;
}

bool ReportConnectionError(const QString& reply)
{
    if (reply.left(6) != QStringLiteral("Error:"))
        return false;
    Prompts::MsgBox(reply, Prompts::vbCritical, QStringLiteral("Connection error"));
    return true;
}
} // namespace modDatabase

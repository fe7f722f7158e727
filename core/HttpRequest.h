#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

/**
 * The program's one HTTP routine and the remote form database's query
 * service.
 *
 * Every web page and every remote query goes through HttpSend/HttpRequest:
 * the request is sent asynchronously and the caller waits with the user
 * interface still processing events (repaints, timers, clicks), for at most
 * a little over 50 seconds. Anything that runs during the wait may close the
 * window whose handler is waiting, or start another request; a handler that
 * waits must therefore re-check its own window (QPointer) after the call.
 *
 * The remote form database answers "/SQLQuery.php?sqlquery=...&username=...
 * &userpass=..." with one line per row: fields joined by "|", each row ended
 * by "<br>" and a line feed, no header; an empty result is an empty body.
 */
namespace modDatabase
{
/** The data-service account sent with every remote query; set at start-up
 *  from the settings and replaced when the settings window saves. */
extern QString gRemoteUser;
extern QString gRemotePass;

/** What became of one HTTP exchange. */
struct HttpReply
{
    enum class Kind
    {
        Ok,           // status 200 and an ordinary body (which may be empty)
        ServerError,  // status 200, but the body reports a failed statement
        AccessDenied, // status 200, the data service refused the account
        HttpError,    // a status other than 200
        Timeout,      // no complete answer within the time limit
        Transport,    // no answer at all: refused, unreachable, broken, bad address
        TooLarge,     // the answer grew past the reply size limit and was dropped
    };

    Kind kind = Kind::Transport;
    /** HTTP status; for a failure below HTTP the client's code for it (12029
     *  no connection could be made, 12007 unknown host, 12030 connection
     *  broken off before any byte of an answer, 12175 secure channel failure,
     *  12156 redirect refused, 12152 an answer that is not HTTP or that broke
     *  off partway); 0 when none. */
    int status = 0;
    QString statusText; // the server's reason phrase
    QString body;       // the body as received (also for ServerError and AccessDenied)
    /** The routine's classic result: the body when Ok, "" after a server
     *  error report or an access refusal, otherwise a text beginning "Error:". */
    QString text;

    bool ok() const { return kind == Kind::Ok; }
    /** No answer reached us at all: a time-out, no connection could be made
     *  (12029), the server's name was not resolved (12007) or the connection
     *  broke off before an answer (12030). Asking the same server again at
     *  once will only wait out the same silence. A refused redirect, a failed
     *  secure channel, an answer that is not HTTP or that broke off partway,
     *  or an address that is not http(s) is a failure of that one request,
     *  not a silent network. */
    bool transportFailed() const
    {
        return kind == Kind::Timeout
               || (kind == Kind::Transport && (status == 12029 || status == 12007 || status == 12030));
    }
};

/** The largest reply the program reads: real pages and query replies stay
 *  far below it; anything larger is dropped as a failed request rather than
 *  grown in memory until the program dies. */
constexpr qint64 kMaxReplyBytes = 64LL * 1024 * 1024;

/** Tests shorten the reply size limit; 0 or below restores kMaxReplyBytes. */
void SetHttpReplyLimit(qint64 bytes);

/** The status code and "Error: <code> <text>" for a failure below HTTP,
 *  `qtError` being a QNetworkReply::NetworkError; only a connection that
 *  could not be made at all gives the 12029 text (which names `url`). */
struct TransportFailure
{
    int status;
    QString text;
};
TransportFailure DescribeTransportFailure(int qtError, const QString& url);

/**
 * Sends one request and waits for its answer while the user interface keeps
 * processing events.
 *
 * A connection closed with no answer may be one the server closed without a
 * word or one that carried bytes the client could not read as HTTP; to tell
 * them apart the request is sent once more on a bare connection (within the
 * same time limit, to where any redirect led), and any byte coming back there
 * makes it 12152, not a silent server. A redirect is not itself an answer.
 *
 * A GET carries the User-Agent "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT
 * 5.1)"; a POST carries the Content-Type "application/x-www-form-urlencoded"
 * and `body`. Any other method (compared exactly: "get" is not "GET") sends
 * nothing and comes back at once as a time-out. A body reporting a failed
 * statement is shown titled "Connection error, Please Check Internet
 * Connection", an access refusal is shown titled "Access Denied" and calls the
 * access-denied handler; both give an empty text. HTTP and transport failures
 * show nothing: their text begins "Error:".
 *
 * @param url    the full address, already percent-encoded where needed
 * @param method "GET" or "POST"
 * @param body   the form-encoded body of a POST (sent as UTF-8)
 */
HttpReply HttpSend(const QString& url, const QString& method, const QString& body = QString());

/** The classic form of HttpSend: only the reply text (see HttpReply::text). */
QString HttpRequest(const QString& url, const QString& method, const QString& body = QString());

/** How long a request may take, in milliseconds. The default, 51000, gives up
 *  at the first check after more than 50 whole seconds; tests shorten it.
 *  A value of 0 or below restores the default. */
void SetHttpTimeLimit(int milliseconds);
int HttpTimeLimit();

/** Called (on the waiting thread) when the data service refuses the account;
 *  the main window disables its field-file import button here. An empty
 *  function removes the handler. */
void SetAccessDeniedHandler(std::function<void()> handler);

/** The text a caller shows (titled "Connection error") when a 200 reply
 *  is not in the form service's format (a web page, damaged data). */
extern const QString kMalformedReplyText;

/**
 * True when `reply` is in the form service's format for a query of
 * `fields` columns: empty (no rows), or rows each ended by "<br>" and a line
 * feed, every non-empty one a single line of plain text (no markup) with
 * exactly `fields` fields. A web page, a PHP notice before the rows, one cut
 * row among good ones or random bytes answered with status 200 fail this, so
 * nothing is taken from them.
 */
bool ReplyHasFields(const QString& reply, int fields);

/** How a reader counts the fields of its query. Exactly is the rule; at
 *  least is only for a "SELECT *" of one table whose column count is the
 *  server's, not the program's (the horse search): every row must still have
 *  the same count, and at least the columns the reader takes. */
enum class FieldCount
{
    Exactly,
    AtLeast,
};

/** ReplyHasFields, with `fields` counted as `count` says. */
bool ReplyHasFields(const QString& reply, int fields, FieldCount count);

/**
 * Every reader's one check of a remote query's reply (HttpRequest's text)
 * before it takes anything from it: "" when the reply may be read as rows
 * (see ReplyHasFields); otherwise the one text to show titled "Connection
 * error" (with ReportConnectionError): the reply itself when it is an
 * "Error:" text, kMalformedReplyText for anything else. Nothing of a refused
 * reply may be shown or stored.
 *
 * A search (`searched` not empty) asks only for rows whose first field
 * contains the searched text, compared as the form database's INSTR does
 * (letter case and accents aside); a row without it is refused as well.
 */
QString ReplyProblem(const QString& reply, int fields, FieldCount count = FieldCount::Exactly,
                     const QString& searched = QString());

/** The reply cut after its first `maxRows` rows (each ended by "<br>" and a
 *  line feed): a reader never takes more rows than its query asks for,
 *  however many the server sends. Rows past the limit are not looked at. */
QString ReplyFirstRows(const QString& reply, int maxRows);

/** Percent-encodes one query-string value completely: everything but
 *  letters, digits and "-._~" is written as %XX of its UTF-8 bytes, so
 *  "&", "#", "+", "%", quotes and blanks reach the server as they are. */
QString UrlEncodeValue(const QString& value);

/**
 * The address of a remote query: "http://" + DataServer + "/SQLQuery.php?sqlquery="
 * + SQL + "&username=" + gRemoteUser + "&userpass=" + gRemotePass, with the
 * three values percent-encoded. The SQL is otherwise sent exactly as given.
 */
QString RemoteQueryUrl(const QString& sql);

/** Sends a remote query (GET of RemoteQueryUrl) and returns what came back. */
HttpReply RemoteQuery(const QString& sql);

/** The rows of a remote reply: the pieces between the "<br>" + LF row ends,
 *  empty pieces left out; an empty reply has no rows. */
QStringList SplitReplyRows(const QString& reply);

/** The fields of one reply row, by position (split on "|"). */
QStringList SplitReplyFields(const QString& row);

/** Rows and fields of a remote reply in one go. */
QList<QStringList> ParseReply(const QString& reply);

/**
 * The callers' own check of a reply: when it begins with "Error:" the whole
 * text is shown with the critical icon titled "Connection error" and the
 * result is true (treat the answer as no rows); otherwise false, nothing shown.
 */
bool ReportConnectionError(const QString& reply);
} // namespace modDatabase

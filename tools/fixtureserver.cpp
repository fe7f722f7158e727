// Runs the fixture form server by hand, so the program (or a browser) can be
// tried against it without the real data service:
//
//   fixtureserver [--port N] [--user NAME --pass WORD] [data.sql ...]
//
// The form database starts with the sample rows (tests/fixtures/FormSample.sql)
// unless SQL files are named. Point the program's DataServer setting at the
// printed host and use the printed account.
//
// It also serves the meeting downloader's fixture pages (tests/data/web): the
// public calendar and fields pages, the file list and its file-view pages,
// and the racing club's service. Start the program with the printed
// VELMORA_PUBLIC_SITE, VELMORA_FILELIST_FOLDER and VELMORA_CLUB_SITE to list
// and download those meetings with Get Data.
#include "fixtures/FixtureServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    quint16 port = 0;
    QString user, pass;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--port") && i + 1 < args.size())
            port = static_cast<quint16>(args[++i].toUInt());
        else if (args[i] == QStringLiteral("--user") && i + 1 < args.size())
            user = args[++i];
        else if (args[i] == QStringLiteral("--pass") && i + 1 < args.size())
            pass = args[++i];
        else
            files << args[i];
    }
    if (files.isEmpty())
        files << QStringLiteral(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql");

    if (port != 0) {
        // A port another program holds is a plain failure of this run, told
        // and ended with status 1 (the server itself treats it as a fault of
        // the test that asked for it).
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, port)) {
            std::fprintf(stderr, "fixtureserver: cannot listen on 127.0.0.1:%u: %s\n", unsigned(port),
                         qPrintable(probe.errorString()));
            return 1;
        }
    }
    FixtureServer server(port);
    if (!user.isEmpty())
        server.setAccount(user, pass);
    for (const QString& f : files) {
        QString error;
        if (!server.execFile(f, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(f), qPrintable(error));
            return 1;
        }
    }
    const QString web = QStringLiteral(VELMORA_SOURCE_DIR "/tests/data/web/");
    auto page = [web](const QString& name) {
        QFile f(web + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), page(QStringLiteral("calendar-vic.html")));
    for (const char* phase : {"Nominations", "Weights", "Acceptances"})
        server.addPage(QStringLiteral("/FreeFields/%1.aspx").arg(QLatin1String(phase)),
                       page(QStringLiteral("publicfields-acceptances.html")));
    server.addPage(QStringLiteral("/files/DisplayNwaByState.aspx"), page(QStringLiteral("filelist-vic.html")));
    server.setResponder([page](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
        const QString club = QStringLiteral("/scripts/ws.exe/bravik/");
        if (r.path == QStringLiteral("/files/viewfile.aspx")) {
            const bool acceptances = r.queryValue(QStringLiteral("file")).endsWith(QStringLiteral(".DFA"));
            return FixtureServer::Reply::withBody(page(acceptances ? QStringLiteral("fileview-acceptances.html")
                                                                   : QStringLiteral("fileview-weights.html")));
        }
        if (r.path == club + QStringLiteral("findinfo.hts"))
            return FixtureServer::Reply::withBody(page(QStringLiteral("club-selector.html")));
        if (r.path == club + QStringLiteral("meet.hts"))
            return FixtureServer::Reply::withBody(
                page(QStringLiteral("club-meet-%1.html").arg(r.queryValue(QStringLiteral("meet_no")))));
        if (r.path == club + QStringLiteral("race.hts"))
            return FixtureServer::Reply::withBody(
                page(QStringLiteral("club-race-101-%1.html").arg(r.queryValue(QStringLiteral("race_no")))));
        return std::nullopt;
    });
    std::printf("Web sources: VELMORA_PUBLIC_SITE=http://%s VELMORA_FILELIST_FOLDER=http://%s/files/ "
                "VELMORA_CLUB_SITE=http://%s\n",
                qPrintable(server.host()), qPrintable(server.host()), qPrintable(server.host()));
    std::printf("Form server on http://%s/SQLQuery.php  (user \"%s\", password \"%s\")\n", qPrintable(server.host()),
                qPrintable(server.user()), qPrintable(server.password()));
    std::fflush(stdout);
    return app.exec();
}

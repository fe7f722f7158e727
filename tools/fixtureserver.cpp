// Runs the fixture form server by hand, so the program (or a browser) can be
// tried against it without the real data service:
//
//   fixtureserver [--port N] [--user NAME --pass WORD] [data.sql ...]
//
// The form database starts with the sample rows (tests/fixtures/FormSample.sql)
// unless SQL files are named. Point the program's DataServer setting at the
// printed host and use the printed account.
#include "fixtures/FixtureServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

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
    std::printf("Form server on http://%s/SQLQuery.php  (user \"%s\", password \"%s\")\n", qPrintable(server.host()),
                qPrintable(server.user()), qPrintable(server.password()));
    std::fflush(stdout);
    return app.exec();
}

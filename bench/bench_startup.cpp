// Start-up time: from launching the program to its main window shown, on the
// empty template database and on a racing year (bench/OneYearDb.h: about
// 2,000 meetings and 200,000 runners).
//
// Each run starts build/bin/velmora as its own process on a throw-away
// program folder and settings store, with VELMORA_CLOSE_WHEN_SHOWN set: the
// program prints the moment its main window is shown and closes again. The
// data server is a stand-in on 127.0.0.1 that answers every query with no
// rows, so the jockey results refresh is timed without a network.
//
// The time includes the splash window's fixed 600 ms pause; the figures
// without it are printed beside. Goal: under 1.5 s in all.
//
// Usage: bench_startup [runs]   (default 5; best and median reported)
//   BENCH_PLATFORM=xcb to start on the X display instead of offscreen.
#include "bench/OneYearDb.h"
#include "core/cAppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{
constexpr double kGoalMs = 1500;
constexpr double kSplashPauseMs = 600;

// The data server stand-in: every request gets "200 OK" with an empty body
// (a query with no rows).
class EmptyDataServer
{
public:
    EmptyDataServer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 16) != 0) {
            std::perror("data server stand-in");
            std::exit(1);
        }
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~EmptyDataServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    int port() const { return m_port; }
    int requests() const { return m_requests; }

private:
    void serve()
    {
        while (!m_stop) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                continue;
            std::string got;
            char buf[4096];
            while (got.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0)
                    break;
                got.append(buf, static_cast<size_t>(n));
            }
            static const char reply[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n"
                                        "Connection: close\r\n\r\n";
            if (::write(c, reply, sizeof reply - 1) > 0)
                ++m_requests;
            ::close(c);
        }
    }

    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

struct Run
{
    double wallMs = -1;    // launch to "shown", measured here
    double programMs = -1; // main() to "shown", as the program measured it
};

// A program folder with the template database (and the sound files), and a
// settings store pointing at the stand-in data server.
void prepareFolder(const QString& root, int port)
{
    QDir().mkpath(root + QStringLiteral("/app"));
    QDir().mkpath(root + QStringLiteral("/legacy"));
    for (const char* name : {"Tarrow.mdb", "horse-gallop.wav", "Utopia Open.wav", "Bubble.wav", "Error.Wav"}) {
        const QString from = QStringLiteral(VELMORA_BIN_DIR "/") + QString::fromLatin1(name);
        const QString to = root + QStringLiteral("/app/") + QString::fromLatin1(name);
        QFile::remove(to);
        if (!QFile::copy(from, to)) {
            std::fprintf(stderr, "cannot copy %s (build the program first)\n", qPrintable(from));
            std::exit(1);
        }
        QFile(to).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    qputenv("VELMORA_REGISTRY", (root + QStringLiteral("/registry.json")).toUtf8());
    cAppSettings s;
    s.DBPath = root + QStringLiteral("/app");
    s.DataServer = QStringLiteral("127.0.0.1:%1").arg(port);
    s.AlreadyUpgraded = true;
    if (!s.SaveSettings()) {
        std::fprintf(stderr, "cannot write the settings store\n");
        std::exit(1);
    }
}

Run startOnce(const QString& root)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_APP_DIR"), root + QStringLiteral("/app"));
    env.insert(QStringLiteral("VELMORA_REGISTRY"), root + QStringLiteral("/registry.json"));
    env.insert(QStringLiteral("VELMORA_LEGACY_DIR"), root + QStringLiteral("/legacy"));
    env.insert(QStringLiteral("VELMORA_CLOSE_WHEN_SHOWN"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), qEnvironmentVariable("BENCH_PLATFORM", QStringLiteral("offscreen")));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);

    Run run;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(VELMORA_BIN_DIR "/velmora"), {});
    static const QRegularExpression shown(QStringLiteral("main window shown after (\\d+) ms"));
    QByteArray out;
    while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
        p.waitForReadyRead(50);
        out += p.readAllStandardOutput();
        const auto m = shown.match(QString::fromUtf8(out));
        if (m.hasMatch() && run.wallMs < 0) {
            run.wallMs = t.nsecsElapsed() / 1e6;
            run.programMs = m.captured(1).toDouble();
        }
        if (t.elapsed() > 120000) {
            p.kill();
            break;
        }
    }
    p.waitForFinished(10000);
    if (run.wallMs < 0 || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        std::fprintf(stderr, "run failed (exit %d): %s\n%s\n", p.exitCode(), out.constData(),
                     p.readAllStandardError().constData());
    return run;
}

void measure(const char* what, const QString& root, int runs)
{
    std::vector<Run> all;
    for (int i = 0; i < runs; ++i)
        all.push_back(startOnce(root));
    std::vector<double> wall, program;
    for (const Run& r : all)
        if (r.wallMs >= 0) {
            wall.push_back(r.wallMs);
            program.push_back(r.programMs);
        }
    if (wall.empty()) {
        std::printf("%-26s no successful run\n", what);
        return;
    }
    std::sort(wall.begin(), wall.end());
    std::sort(program.begin(), program.end());
    const double best = wall.front();
    const double median = wall[wall.size() / 2];
    std::printf("%-26s launch to main window: best %7.1f ms, median %7.1f ms (in the program from main(): best %6.0f ms)\n",
                what, best, median, program.front());
    std::printf("%-26s   without the 600 ms splash pause: best %7.1f ms;  ratio to the %.0f ms goal %.2f  %s\n", "",
                best - kSplashPauseMs, kGoalMs, median / kGoalMs, median < kGoalMs ? "met" : "MISSED");
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    EmptyDataServer server;
    QTemporaryDir dir;

    const QString empty = dir.path() + QStringLiteral("/empty");
    prepareFolder(empty, server.port());
    measure("template database", empty, runs);

    const QString year = dir.path() + QStringLiteral("/year");
    prepareFolder(year, server.port());
    QElapsedTimer build;
    build.start();
    OneYearDb::build(year + QStringLiteral("/app/Tarrow.mdb"));
    std::printf("one-year database: %d meetings, %d runners, %d bookings, %d results, %d jockeys (built in %.1f s, %.0f MB)\n",
                OneYearDb::kMeetings, OneYearDb::kRunners, OneYearDb::kBookings, OneYearDb::kResults,
                OneYearDb::kJockeys, build.nsecsElapsed() / 1e9,
                QFile(year + QStringLiteral("/app/Tarrow.mdb")).size() / 1048576.0);
    const int before = server.requests();
    measure("one-year database", year, runs);
    std::printf("data server queries during the one-year runs: %d\n", server.requests() - before);
    return 0;
}

#pragma once
// What the benchmark programs share: the quiet application they run in, a
// writable copy of the built template database, and the figures they quote
// (minimum and median).
#include "core/cAppSettings.h"
#include "platform/Sound.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace BenchCommon
{
/** The application a benchmark runs in: offscreen, silent, and with the C
 *  locale so its figures print alike everywhere. */
class QuietApp
{
public:
    QuietApp(int& argc, char** argv)
        : m_app(offscreen(argc), argv)
    {
        QLocale::setDefault(QLocale::c());
        Sound::setMuted(true);
    }

private:
    // The platform is chosen when the application is made, so it is set first.
    static int& offscreen(int& argc)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }

    QApplication m_app;
};

/** The number of runs asked for on the command line (at least 1), or
 *  fallback when none is given. */
inline int runsArg(int argc, char** argv, int fallback)
{
    return argc > 1 ? std::max(1, std::atoi(argv[1])) : fallback;
}

/** Copies the template database of the build to path (replacing a file
 *  left there) and makes it writable. False, after saying so on stderr, when
 *  there is no template to copy. */
inline bool copyTemplateDb(const QString& path)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(VELMORA_BIN_DIR "/Tarrow.mdb"), path)) {
        std::fprintf(stderr, "cannot copy the template database from %s (build the project first)\n",
                     VELMORA_BIN_DIR);
        return false;
    }
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

/** Makes folder the program's own (settings, registry and database) with a
 *  fresh copy of the template database in it. The database's path, or "" when
 *  there is no template. */
inline QString useFolder(const QString& folder)
{
    qputenv("VELMORA_APP_DIR", folder.toUtf8());
    qputenv("VELMORA_REGISTRY", (folder + QStringLiteral("/registry.json")).toUtf8());
    const QString path = folder + QStringLiteral("/Tarrow.mdb");
    if (!copyTemplateDb(path))
        return QString();
    gAppSettings.DBPath = folder;
    return path;
}

/** Milliseconds that work takes. */
inline double timeIt(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double minimum(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}
} // namespace BenchCommon

#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace AppPaths
{
namespace
{
QString& executableDirForTesting()
{
    static QString dir;
    return dir;
}

QString withoutTrailingSlash(QString dir)
{
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

/** Makes `dir` and any missing folder above it. Empty when the folder is
 *  there, else the system's reason the first folder that could not be made
 *  gave (no right to write the folder above it, a read-only disk, a file in
 *  the way): a file written in it later would only say it is missing. */
QString makePath(const QString& dir)
{
    if (QFileInfo(dir).isDir())
        return QString();
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0777) == 0)
        return QString();
    int error = errno;
    const QString parent = QFileInfo(dir).path();
    if (error == ENOENT && parent != dir) {
        const QString why = makePath(parent);
        if (!why.isEmpty())
            return why;
        if (::mkdir(native.constData(), 0777) == 0)
            return QString();
        error = errno;
    }
    // Made meanwhile by another copy of the program.
    if (QFileInfo(dir).isDir())
        return QString();
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

QString appDir()
{
    QString dir = qEnvironmentVariable("VELMORA_APP_DIR");
    if (dir.isEmpty())
        dir = executableDirForTesting();
    if (dir.isEmpty())
        dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return withoutTrailingSlash(dir);
}

bool appDirIsSelfContained()
{
    return !qEnvironmentVariableIsEmpty("VELMORA_APP_DIR");
}

QString dataDir()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/Velmora");
    return withoutTrailingSlash(dir);
}

QString scratchDir(QString* error)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.cache");
    dir = withoutTrailingSlash(dir) + QStringLiteral("/Velmora");
    // One that cannot be made is told by the write that needs it, with the
    // reason the system gave.
    const QString why = makePath(dir);
    if (error)
        *error = why;
    return dir;
}

QString defaultDatabaseDir()
{
    return appDirIsSelfContained() ? appDir() : dataDir();
}

bool sameFolder(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return withoutTrailingSlash(QDir::cleanPath(fa.absoluteFilePath()))
           == withoutTrailingSlash(QDir::cleanPath(fb.absoluteFilePath()));
}

void setExecutableDirForTesting(const QString& dir)
{
    executableDirForTesting() = dir;
}

QString legacyDir()
{
    QString dir = qEnvironmentVariable("VELMORA_LEGACY_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral("/opt/Velmora");
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString registryFile()
{
    QString file = qEnvironmentVariable("VELMORA_REGISTRY");
    if (!file.isEmpty())
        return file;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Velmora/registry.json");
}

QString join(const QString& dir, const QString& name)
{
    if (dir.isEmpty())
        return name;
    if (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

QString findFileNoCase(const QString& dir, const QString& name)
{
    const QString plain = join(dir, name);
    if (QFileInfo::exists(plain))
        return plain;
    const QStringList entries = QDir(dir).entryList(QDir::Files);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return join(dir, entry);
    }
    return plain;
}

} // namespace AppPaths

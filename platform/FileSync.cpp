#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSync
{
QString realFile(const QString& path, bool* loops)
{
    if (loops)
        *loops = false;
    const QByteArray name = QFile::encodeName(path);
    struct stat st{};
    if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    // Where the file is there, the system's own answer.
    if (char* real = ::realpath(name.constData(), nullptr)) {
        const QString found = QFile::decodeName(real);
        std::free(real);
        return found;
    }
    // Otherwise one link at a time. A target is read from the real place of
    // the folder holding the link, never from the path as spelled: through a
    // linked folder, "../x" is beside the folder the link leads to.
    QString current = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    QString here;
    // As many links as the system itself follows before it calls it a loop.
    for (int hops = 0; hops <= 40; ++hops) {
        const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
        const QString folderAsSpelled = slash == 0 ? QStringLiteral("/") : current.left(slash);
        char* folder = ::realpath(QFile::encodeName(folderAsSpelled).constData(), nullptr);
        if (!folder) {
            // A folder on the way that is not there: nothing can be found
            // past it (or its own links loop).
            if (loops && errno == ELOOP)
                *loops = true;
            return QDir::cleanPath(current);
        }
        QString realFolder = QFile::decodeName(folder);
        std::free(folder);
        if (!realFolder.endsWith(QLatin1Char('/')))
            realFolder += QLatin1Char('/');
        here = realFolder + current.mid(slash + 1);
        const QByteArray hereName = QFile::encodeName(here);
        if (::lstat(hereName.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return here;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(hereName.constData(), target.data(), target.size());
        if (n < 0 || n >= target.size())
            return here;
        target.truncate(n);
        const QString next = QFile::decodeName(target);
        current = QDir::isAbsolutePath(next) ? next : realFolder + next;
    }
    if (loops)
        *loops = true;
    return here;
}

bool toDisk(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool replace(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    toDisk(QFileInfo(to).absolutePath(), true);
    return true;
}

bool takeModeOf(const QString& replaced, const QString& replacement)
{
    struct stat st{};
    const mode_t mode = ::stat(QFile::encodeName(replaced).constData(), &st) == 0 ? st.st_mode & 07777 : 0600;
    return ::chmod(QFile::encodeName(replacement).constData(), mode) == 0;
}

QString journalBeside(const QString& path)
{
    for (const QString& suffix : {QStringLiteral("-journal"), QStringLiteral("-wal")}) {
        struct stat st{};
        if (::lstat(QFile::encodeName(path + suffix).constData(), &st) == 0)
            return path + suffix;
    }
    return QString();
}

void removeWithJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

bool writeAll(QIODevice& device, const QByteArray& data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = device.write(data.constData() + done, data.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}
} // namespace FileSync

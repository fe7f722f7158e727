#include "platform/FileSync.h"

#include <QFile>
#include <QIODevice>
#include <QFileInfo>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace FileSync
{
QString realFile(const QString& path)
{
    QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    // As far as the system itself would follow links: a loop ends on a path
    // that does not exist.
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info.setFile(info.symLinkTarget());
    return info.filePath();
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

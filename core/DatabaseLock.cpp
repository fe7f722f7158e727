#include "core/DatabaseLock.h"

#include "platform/AppPaths.h"
#include "platform/FileSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::function<void()> g_beforeLock;

std::unique_ptr<DatabaseLock::FileLock>& runLock()
{
    static std::unique_ptr<DatabaseLock::FileLock> lock;
    return lock;
}

bool sameFile(int fd, const QByteArray& name)
{
    struct stat held{}, there{};
    return ::fstat(fd, &held) == 0 && ::stat(name.constData(), &there) == 0 && held.st_dev == there.st_dev
           && held.st_ino == there.st_ino;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Who holds the lock, for whoever looks at the file: the same three lines a
// QLockFile writes, so that tools reading those see a live owner.
QByteArray ownerDetails()
{
    const QString app = QCoreApplication::instance()
                            ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                            : QStringLiteral("velmora");
    return QByteArray::number(::getpid()) + '\n' + app.toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8()
           + '\n';
}
} // namespace

namespace DatabaseLock
{
QString LockFileFor(const QString& dbPath)
{
    // The lock belongs to the file itself: a link to it and the file's own
    // name share one lock.
    const QFileInfo file(FileSync::realFile(dbPath));
    const QFileInfo folder(file.absolutePath());
    const QString dir = folder.exists() ? folder.canonicalFilePath() : folder.absoluteFilePath();
    return AppPaths::join(dir, file.fileName() + QStringLiteral(".lock"));
}

FileLock::FileLock(const QString& dbPath)
    : m_lockFile(LockFileFor(dbPath))
{
}

FileLock::~FileLock()
{
    if (m_fd < 0)
        return;
    // Removed while still held: whoever opened it meanwhile finds, once the
    // lock is theirs, that it is no longer the file beside the database.
    const QByteArray name = QFile::encodeName(m_lockFile);
    if (sameFile(m_fd, name))
        ::unlink(name.constData());
    ::close(m_fd);
}

Outcome FileLock::take()
{
    if (m_fd >= 0)
        return Outcome::Held;
    m_reason.clear();
    const QByteArray name = QFile::encodeName(m_lockFile);
    // A few rounds at most: each one that fails found the file replaced by a
    // copy that was letting it go at that very moment.
    for (int round = 0; round < 16; ++round) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            const int error = errno;
            struct stat st{};
            if (::lstat(name.constData(), &st) != 0)
                return Outcome::NotPossible; // no file, and none can be made here
            // A file this copy may not write: a live owner still shows in
            // the system lock, which a read-only opening can ask about.
            const int probe = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (probe >= 0) {
                const bool busy = ::flock(probe, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
                ::close(probe);
                if (busy)
                    return Outcome::OpenElsewhere;
            }
            m_reason = systemReason(error);
            return Outcome::Unusable;
        }
        // A copy: the hook may remove itself while it runs.
        if (const std::function<void()> hook = g_beforeLock)
            hook();
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Outcome::OpenElsewhere;
            m_reason = systemReason(error);
            return Outcome::Unusable;
        }
        if (!sameFile(fd, name)) {
            ::close(fd);
            continue;
        }
        // The details are for people only; the system lock is what counts,
        // so a disk too full to take them does not stop the lock.
        const QByteArray details = ownerDetails();
        if (::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, details.constData(), static_cast<size_t>(details.size()), 0);
        m_fd = fd;
        return Outcome::Held;
    }
    m_reason = QStringLiteral("it keeps being replaced");
    return Outcome::Unusable;
}

Outcome TakeForRun(const QString& dbPath, QString* reason)
{
    if (HeldByRun(dbPath))
        return Outcome::Held;
    auto lock = std::make_unique<FileLock>(dbPath);
    const Outcome outcome = lock->take();
    if (reason)
        *reason = lock->reason();
    if (outcome == Outcome::Held)
        AdoptForRun(std::move(lock));
    else if (outcome == Outcome::NotPossible)
        AdoptForRun(nullptr);
    return outcome;
}

bool HeldByRun(const QString& dbPath)
{
    const std::unique_ptr<FileLock>& held = runLock();
    return held && held->isHeld() && held->lockFile() == LockFileFor(dbPath);
}

void AdoptForRun(std::unique_ptr<FileLock> lock)
{
    std::unique_ptr<FileLock> before = std::move(runLock());
    runLock() = std::move(lock);
    before.reset();
}

void ReleaseRun()
{
    runLock().reset();
}

QString OpenElsewhereMessage(const QString& dbPath)
{
    return QStringLiteral("The database ") + QDir::toNativeSeparators(dbPath)
           + QStringLiteral(" is already open in another copy of Velmora. \rThis copy stops and leaves the database "
                            "as it is. Go on working in the copy that is open, or close it and start Velmora again.");
}

QString SwitchRefusedMessage(const QString& dbPath, const QString& current)
{
    return QStringLiteral("The database ") + QDir::toNativeSeparators(dbPath)
           + QStringLiteral(" is already open in another copy of Velmora. \rThis copy goes on with the database ")
           + QDir::toNativeSeparators(current)
           + QStringLiteral(" and nothing was changed. Close the other copy, then change the Database Path again.");
}

QString UnusableMessage(const QString& dbPath, const QString& reason, bool stops)
{
    const QString lockFile = QDir::toNativeSeparators(LockFileFor(dbPath));
    return QStringLiteral("The lock file ") + lockFile + QStringLiteral(" beside the database ")
           + QDir::toNativeSeparators(dbPath) + QStringLiteral(" cannot be used: ") + reason
           + QStringLiteral(". \rVelmora holds that file while it works on the database, so that only one copy "
                            "of the program uses it at a time. ")
           + (stops ? QStringLiteral("This copy stops and leaves the database as it is. \r")
                    : QStringLiteral("This copy goes on with the database it has open, and nothing was changed. \r"))
           + QStringLiteral("If no other copy of Velmora is running, remove that file, or allow writing to it and "
                            "to its folder (or ask whoever looks after this computer to), then try again.");
}

ReplaceLock::ReplaceLock(const QString& dbPath)
{
    if (HeldByRun(dbPath))
        return;
    m_lock = std::make_unique<FileLock>(dbPath);
    const Outcome outcome = m_lock->take();
    if (outcome != Outcome::Held) {
        m_refused = outcome == Outcome::OpenElsewhere;
        m_lock.reset();
    }
}

ReplaceLock::~ReplaceLock() = default;

void SetBeforeLockHookForTesting(std::function<void()> hook)
{
    g_beforeLock = std::move(hook);
}
} // namespace DatabaseLock

#include "modem/ModemLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portiva
{

namespace
{

// Opens the lock file, made readable and writable by every operator of the computer.
int openLockFile(const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
        ::fchmod(fd, 0666); // the first creator's umask must not shut the others out
    return fd;
}

} // namespace

ModemLock::~ModemLock()
{
    unlock();
}

QString ModemLock::lockFileFor(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    const QString canonical = info.canonicalFilePath();
    const QString key = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    return QDir::temp().filePath(QStringLiteral("portiva3-modem-") +
                                 QString::fromLatin1(hash.toHex().left(16)) +
                                 QStringLiteral(".lock"));
}

bool ModemLock::tryLock(const QString &databasePath)
{
    const QString file = lockFileFor(databasePath);
    if (m_fd >= 0) {
        if (m_file == file)
            return true;
        unlock();
    }
    const int fd = openLockFile(file);
    if (fd < 0)
        return false;
    // Another program's test of the lock holds it for an instant: a few tries see past it.
    bool locked = false;
    for (int attempt = 0; attempt < 3 && !locked; ++attempt) {
        locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!locked)
            ::usleep(20000);
    }
    if (!locked) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_file = file;
    return true;
}

void ModemLock::unlock()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    m_file.clear();
}

bool ModemLock::heldByAnother(const QString &databasePath) const
{
    const QString file = lockFileFor(databasePath);
    if (m_fd >= 0 && m_file == file)
        return false;
    const int fd = openLockFile(file);
    if (fd < 0)
        return false;
    // A shared lock is refused only while a holder keeps the exclusive one.
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    // Closing the descriptor lets go of the lock just taken for the test.
    ::close(fd);
    return !free;
}

} // namespace portiva

#include "core/DbMaintenance.h"

#include "platform/db/Connection.h"
#include "platform/vb/Error.h"

#include <QFile>

namespace portiva
{

namespace
{

[[noreturn]] void copyFailed(const QString &from, const QString &to, const QString &why)
{
    throw Error(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(from, to, why));
}

// The backup is taken under a shared lock: a writer elsewhere cannot commit until it is
// released, so the copy is one consistent state of the file. The handler runs on the interface
// thread with no other statement of this process open, so closing the copy's descriptor (which
// drops this process's POSIX locks on the file) only ends our own read lock, after the copy.
void copyUnderReadLock(Connection &connection, const QString &dbPath, const QString &backupPath)
{
    connection.exec(QStringLiteral("BEGIN"));
    try {
        connection.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (QFile::exists(backupPath)) {
            QFile old(backupPath);
            if (!old.remove())
                copyFailed(dbPath, backupPath, old.errorString());
        }
        QFile source(dbPath);
        if (!source.copy(backupPath))
            copyFailed(dbPath, backupPath, source.errorString());
        connection.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            connection.exec(QStringLiteral("ROLLBACK"));
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
}

} // namespace

void DbMaintenance::compact(const QString &dbPath, const QString &backupPath)
{
    const auto connection = Connection::open(buildConnectionString(dbPath, databasePassword()));
    copyUnderReadLock(*connection, dbPath, backupPath);
    connection->exec(QStringLiteral("VACUUM"));
    connection->close();
}

} // namespace portiva

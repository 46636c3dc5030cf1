#include "core/DbMaintenance.h"

#include "platform/db/Connection.h"
#include "platform/phrase/FileTexts.h"
#include "platform/vb/Error.h"
#include "programstate/Phrase.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace portiva
{

namespace
{

[[noreturn]] void copyFailed(const QString &from, const QString &to, const QString &why)
{
    throw Error(phrase(u"Sikkerhetskopien %2 ble ikke laget av %1: %3. Databasen er ikke "
                       u"komprimert, og den forrige sikkerhetskopien er beholdt.",
                       u"Sikkerhedskopien %2 blev ikke lavet af %1: %3. Databasen er ikke "
                       u"komprimeret, og den forrige sikkerhedskopi er bevaret.",
                       u"Säkerhetskopian %2 gjordes inte av %1: %3. Databasen har inte "
                       u"komprimerats, och den föregående säkerhetskopian finns kvar.")
                    .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to), why));
}

void step(const DbMaintenance::StepHook &at, DbMaintenance::Step s)
{
    if (at)
        at(s);
}

// The copy is written beside the old backup and takes its name only when it is complete and
// on disk, so a crash or a full disk at any moment leaves the previous backup whole.
void copyBeside(const QString &dbPath, const QString &backupPath, const DbMaintenance::StepHook &at)
{
    QFile source(dbPath);
    if (!source.open(QIODevice::ReadOnly))
        copyFailed(dbPath, backupPath, fileFailureReason(source));
    QSaveFile copy(backupPath);
    if (!copy.open(QIODevice::WriteOnly))
        copyFailed(dbPath, backupPath, fileFailureReason(copy));
    step(at, DbMaintenance::Step::CopyStarted);
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            copyFailed(dbPath, backupPath, fileFailureReason(source));
        if (copy.write(chunk) != chunk.size())
            copyFailed(dbPath, backupPath, fileFailureReason(copy));
    }
    if (!copy.flush())
        copyFailed(dbPath, backupPath, fileFailureReason(copy));
    step(at, DbMaintenance::Step::CopyWritten);
    if (!copy.commit())
        copyFailed(dbPath, backupPath, fileFailureReason(copy));
    step(at, DbMaintenance::Step::BackupReplaced);
}

// The backup is taken under a shared lock: a writer elsewhere cannot commit until it is
// released, so the copy is one consistent state of the file. The handler runs on the interface
// thread with no other statement of this process open, so closing the copy's descriptor (which
// drops this process's POSIX locks on the file) only ends our own read lock, after the copy.
void copyUnderReadLock(Connection &connection, const QString &dbPath, const QString &backupPath,
                       const DbMaintenance::StepHook &at)
{
    connection.exec(QStringLiteral("BEGIN"));
    try {
        connection.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        copyBeside(dbPath, backupPath, at);
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

void DbMaintenance::compact(const QString &dbPath, const QString &backupPath, const StepHook &at)
{
    const auto connection = Connection::open(buildConnectionString(dbPath, databasePassword()));
    copyUnderReadLock(*connection, dbPath, backupPath, at);
    connection->exec(QStringLiteral("VACUUM"));
    step(at, Step::Compacted);
    connection->close();
}

} // namespace portiva

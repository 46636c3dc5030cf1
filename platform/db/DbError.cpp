#include "platform/db/DbError.h"

#include "platform/phrase/Phrase.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <sqlite3.h>

namespace portiva
{

namespace
{

QString shownFile(const QString &file)
{
    return QStringLiteral("«") + QDir::toNativeSeparators(file) + QStringLiteral("»");
}

QString lockedText(const QString &file)
{
    return phrase(u"Databasen %1 er i bruk på en annen arbeidsstasjon. Prøv igjen.",
                  u"Databasen %1 er i brug på en anden arbejdsstation. Prøv igen.",
                  u"Databasen %1 används av en annan arbetsstation. Försök igen.")
        .arg(shownFile(file));
}

QString fullText(const QString &file)
{
    return phrase(u"Databasen %1 kan ikke skrives: disken er full.",
                  u"Databasen %1 kan ikke skrives: disken er fuld.",
                  u"Databasen %1 kan inte skrivas: disken är full.")
        .arg(shownFile(file));
}

QString readOnlyText(const QString &file)
{
    return phrase(u"Databasen %1 kan ikke skrives: filen er skrivebeskyttet.",
                  u"Databasen %1 kan ikke skrives: filen er skrivebeskyttet.",
                  u"Databasen %1 kan inte skrivas: filen är skrivskyddad.")
        .arg(shownFile(file));
}

QString diskText(const QString &file)
{
    return phrase(u"Databasen %1 kunne ikke leses eller skrives (feil på disken).",
                  u"Databasen %1 kunne ikke læses eller skrives (fejl på disken).",
                  u"Databasen %1 kunde inte läsas eller skrivas (fel på disken).")
        .arg(shownFile(file));
}

QString duplicateText(const QString &file, const QString &column, const QString &value)
{
    if (value.isNull())
        return phrase(u"En rad med samme %1 finnes allerede i databasen %2. Raden er ikke lagret.",
                      u"En række med samme %1 findes allerede i databasen %2. Rækken er ikke "
                      u"gemt.",
                      u"En rad med samma %1 finns redan i databasen %2. Raden har inte sparats.")
            .arg(column, shownFile(file));
    return phrase(u"%1 «%2» finnes allerede i databasen %3. Raden er ikke lagret.",
                  u"%1 «%2» findes allerede i databasen %3. Rækken er ikke gemt.",
                  u"%1 «%2» finns redan i databasen %3. Raden har inte sparats.")
        .arg(column, value, shownFile(file));
}

QString missingValueText(const QString &file, const QString &column)
{
    return phrase(u"%1 må fylles ut. Raden er ikke lagret i databasen %2.",
                  u"%1 skal udfyldes. Rækken er ikke gemt i databasen %2.",
                  u"%1 måste fyllas i. Raden har inte sparats i databasen %2.")
        .arg(column, shownFile(file));
}

QString ruleText(const QString &file)
{
    return phrase(u"Databasen %1 godtar ikke endringen. Ingenting er lagret.",
                  u"Databasen %1 accepterer ikke ændringen. Intet er gemt.",
                  u"Databasen %1 godtar inte ändringen. Ingenting har sparats.")
        .arg(shownFile(file));
}

QString openText(const QString &file)
{
    return phrase(u"Databasefilen %1 finnes ikke eller kan ikke åpnes.",
                  u"Databasefilen %1 findes ikke eller kan ikke åbnes.",
                  u"Databasfilen %1 finns inte eller kan inte öppnas.")
        .arg(shownFile(file));
}

QString notADatabaseText(const QString &file)
{
    return phrase(u"Filen %1 er ikke en database for dette programmet, eller den har et annet "
                  u"passord.",
                  u"Filen %1 er ikke en database til dette program, eller den har en anden "
                  u"adgangskode.",
                  u"Filen %1 är inte en databas för det här programmet, eller så har den ett "
                  u"annat lösenord.")
        .arg(shownFile(file));
}

QString corruptText(const QString &file)
{
    return phrase(u"Databasen %1 er skadet. Gjenopprett den fra sikkerhetskopien.",
                  u"Databasen %1 er beskadiget. Gendan den fra sikkerhedskopien.",
                  u"Databasen %1 är skadad. Återställ den från säkerhetskopian.")
        .arg(shownFile(file));
}

// A file made for another version of the program: a table or a column the query needs is not
// there. The name is the file's own, so it is shown as it is.
QString schemaText(const QString &file, const QString &detail)
{
    static const QLatin1String table("no such table: "), column("no such column: ");
    if (detail.startsWith(table))
        return phrase(u"Tabellen %1 mangler i databasen %2.",
                      u"Tabellen %1 mangler i databasen %2.", u"Tabellen %1 saknas i databasen %2.")
            .arg(detail.mid(table.size()), shownFile(file));
    if (detail.startsWith(column))
        return phrase(u"Feltet %1 mangler i databasen %2.", u"Feltet %1 mangler i databasen %2.",
                      u"Fältet %1 saknas i databasen %2.")
            .arg(detail.mid(column.size()), shownFile(file));
    return QString();
}

QString otherText(const QString &file, int code)
{
    return phrase(u"Databasen %1 kunne ikke brukes (databasefeil %2).",
                  u"Databasen %1 kunne ikke bruges (databasefejl %2).",
                  u"Databasen %1 kunde inte användas (databasfel %2).")
        .arg(shownFile(file))
        .arg(code);
}

// "UNIQUE constraint failed: KEYTable.KeyNummer" names the column after the table's dot; a
// key of several columns names the first.
QString constraintColumn(const QString &detail)
{
    const qsizetype colon = detail.indexOf(QLatin1String(": "));
    if (colon < 0)
        return QString();
    QString column = detail.mid(colon + 2).section(QLatin1Char(','), 0, 0).trimmed();
    const qsizetype dot = column.indexOf(QLatin1Char('.'));
    return dot < 0 ? column : column.mid(dot + 1);
}

DatabaseError constraintFailure(const QString &file, int extended, const QString &detail,
                                const QVariant &value)
{
    const QString column = constraintColumn(detail);
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return DatabaseError(
            DatabaseError::Kind::Constraint, file,
            duplicateText(file, column, value.isNull() ? QString() : value.toString()), detail,
            column);
    case SQLITE_CONSTRAINT_NOTNULL:
        return DatabaseError(DatabaseError::Kind::Constraint, file, missingValueText(file, column),
                             detail, column);
    default:
        return DatabaseError(DatabaseError::Kind::Constraint, file, ruleText(file), detail);
    }
}

DatabaseError failureOf(const QString &file, int extended, int systemErrno, const QString &detail)
{
    using Kind = DatabaseError::Kind;
    switch (extended & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DatabaseError(Kind::Locked, file, lockedText(file), detail);
    case SQLITE_FULL:
        return DatabaseError(Kind::Full, file, fullText(file), detail);
    case SQLITE_IOERR:
        // A write or sync refused for want of space is a full disk, whatever step noticed it.
        if (systemErrno == ENOSPC || systemErrno == EDQUOT)
            return DatabaseError(Kind::Full, file, fullText(file), detail);
        return DatabaseError(Kind::Other, file, diskText(file), detail);
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return DatabaseError(Kind::Other, file, readOnlyText(file), detail);
    case SQLITE_CONSTRAINT:
        return constraintFailure(file, extended, detail, QVariant());
    case SQLITE_CANTOPEN:
        return DatabaseError(Kind::Open, file, openText(file), detail);
    case SQLITE_NOTADB:
        return DatabaseError(Kind::Open, file, notADatabaseText(file), detail);
    case SQLITE_CORRUPT:
        return DatabaseError(Kind::Other, file, corruptText(file), detail);
    default:
        break;
    }
    const QString schema = schemaText(file, detail);
    return DatabaseError(Kind::Other, file, schema.isEmpty() ? otherText(file, extended) : schema,
                         detail);
}

} // namespace

DatabaseError::DatabaseError(Kind kind, const QString &file, const QString &description,
                             const QString &detail, const QString &column)
    : Error(description), m_kind(kind), m_file(file), m_detail(detail), m_column(column)
{
}

DatabaseError DatabaseError::namingValue(const QVariant &value) const
{
    if (m_kind != Kind::Constraint || m_column.isEmpty() || !m_detail.startsWith(u"UNIQUE"))
        return *this;
    return constraintFailure(m_file, SQLITE_CONSTRAINT_UNIQUE, m_detail, value);
}

QString databaseFile(sqlite3 *db)
{
    const char *name = db ? sqlite3_db_filename(db, "main") : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

DatabaseError sqliteFailure(sqlite3 *db)
{
    if (!db)
        return failureOf(QString(), SQLITE_NOMEM, 0, QStringLiteral("out of memory"));
    DatabaseError error =
        failureOf(databaseFile(db), sqlite3_extended_errcode(db), sqlite3_system_errno(db),
                  QString::fromUtf8(sqlite3_errmsg(db)));
    if (error.kind() == DatabaseError::Kind::Locked || error.kind() == DatabaseError::Kind::Full)
        dbdetail::noteBlocking(error);
    return error;
}

DatabaseError openFailure(const QString &file, int code, const QString &detail)
{
    return failureOf(QFileInfo(file).absoluteFilePath(), code, 0, detail);
}

DatabaseError conflictFailure(const QString &file)
{
    return DatabaseError(
        DatabaseError::Kind::Conflict, file,
        phrase(u"Raden er endret eller slettet på en annen arbeidsstasjon siden den ble lest "
               u"(databasen %1). Endringen er ikke lagret.",
               u"Rækken er ændret eller slettet på en anden arbejdsstation, siden den blev læst "
               u"(databasen %1). Ændringen er ikke gemt.",
               u"Raden har ändrats eller tagits bort på en annan arbetsstation sedan den lästes "
               u"(databasen %1). Ändringen har inte sparats.")
            .arg(shownFile(file)),
        QStringLiteral("The row was changed or deleted by another user since it was read."));
}

DatabaseError emptyFileFailure(const QString &path)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    return DatabaseError(DatabaseError::Kind::Open, file,
                         phrase(u"Databasefilen %1 har ingen tabeller.",
                                u"Databasefilen %1 har ingen tabeller.",
                                u"Databasfilen %1 har inga tabeller.")
                             .arg(shownFile(file)),
                         QStringLiteral("The database file holds no tables."));
}

namespace
{
quint64 g_blockingCount = 0;
quint64 g_writeCount = 0;
std::optional<DatabaseError> g_lastBlocking;
} // namespace

void dbdetail::noteBlocking(const DatabaseError &error)
{
    ++g_blockingCount;
    g_lastBlocking = error;
}

namespace
{
quint64 g_stepCount = 0;
}

void dbdetail::noteStep()
{
    ++g_stepCount;
}

quint64 dbdetail::stepCount()
{
    return g_stepCount;
}

void dbdetail::noteWrite()
{
    ++g_writeCount;
}

FailureWatch::FailureWatch() : m_failures(g_blockingCount), m_writes(g_writeCount) {}

const DatabaseError *FailureWatch::blocking() const
{
    return g_blockingCount != m_failures && g_lastBlocking ? &*g_lastBlocking : nullptr;
}

bool FailureWatch::wrote() const
{
    return g_writeCount != m_writes;
}

const DatabaseError *databaseFailure(const std::exception &e)
{
    return dynamic_cast<const DatabaseError *>(&e);
}

bool isLockFailure(const std::exception &e)
{
    const DatabaseError *d = databaseFailure(e);
    return d && d->kind() == DatabaseError::Kind::Locked;
}

bool isFullDiskFailure(const std::exception &e)
{
    const DatabaseError *d = databaseFailure(e);
    return d && d->kind() == DatabaseError::Kind::Full;
}

QString notDoneText(const QString &notDone, const QString &why)
{
    return notDone + QLatin1Char(' ') + why;
}

} // namespace portiva

#include "database/CreateDatabase.h"

#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/phrase/Phrase.h"
#include "platform/vb/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

static void initDatabaseResources()
{
    // The resources live in a static library: referencing the initialiser keeps them linked.
    Q_INIT_RESOURCE(database);
}

namespace portiva
{

namespace
{

QString damagedLanguageTableText()
{
    return phrase(u"Programmets innebygde språktabell er skadet, så ingen database er laget. "
                  u"Installer programmet på nytt.",
                  u"Programmets indbyggede sprogtabel er beskadiget, så ingen database er lavet. "
                  u"Installér programmet igen.",
                  u"Programmets inbyggda språktabell är skadad, så ingen databas har skapats. "
                  u"Installera programmet på nytt.");
}

QString resourceText(const QString &name)
{
    initDatabaseResources();
    QFile file(QStringLiteral(":/database/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(phrase(u"Programmet mangler sin databasebeskrivelse %1, så ingen database er "
                           u"laget. Installer programmet på nytt.",
                           u"Programmet mangler sin databasebeskrivelse %1, så ingen database er "
                           u"lavet. Installér programmet igen.",
                           u"Programmet saknar sin databasbeskrivning %1, så ingen databas har "
                           u"skapats. Installera programmet på nytt.")
                        .arg(name));
    return QString::fromUtf8(file.readAll());
}

void seed(Connection &connection, const QString &adminPassword, const QList<LanguageSeedRow> &texts)
{
    connection.exec(QStringLiteral("INSERT INTO Modem (IMEICODE, ModemManufacturer, ModemName, "
                                   "ModemStatus, ModemOwner) VALUES (?, ?, ?, ?, ?)"),
                    {QStringLiteral("0"), QStringLiteral(" "), QStringLiteral(" "), false,
                     QStringLiteral("?")});
    connection.exec(
        QStringLiteral("INSERT INTO Passwords (USER_ID, Password, SecurityLevel) VALUES (?, ?, ?)"),
        {QString::fromLatin1(FirstOperatorName), adminPassword,
         QString::fromLatin1(FirstOperatorLevel)});
    // An unused row keeps its empty Norwegian cell, so that the windows' own defaults apply
    // there; its other languages stay Null, as a site's own new rows would be.
    const auto orNull = [](const QString &text) {
        return text.isEmpty() ? QVariant() : QVariant(text);
    };
    for (int row = 1; row <= texts.size(); ++row) {
        const LanguageSeedRow &t = texts.at(row - 1);
        connection.exec(QStringLiteral("INSERT INTO TBLLanguage (rid, ID, Norsk, Dansk, Svensk) "
                                       "VALUES (?, ?, ?, ?, ?)"),
                        {row, row, t.norsk, orNull(t.dansk), orNull(t.svensk)});
    }
}

void removeDatabaseFiles(const QString &path)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

} // namespace

QString schemaSql()
{
    return resourceText(QStringLiteral("schema.sql"));
}

QList<LanguageSeedRow> languageSeedRows()
{
    QList<LanguageSeedRow> texts;
    const QStringList lines = resourceText(QStringLiteral("language.txt")).split(u'\n');
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        // "row<TAB>Norsk<TAB>Dansk<TAB>Svensk": blanks in the texts count, so nothing is trimmed.
        const QStringList cells = line.split(u'\t');
        if (cells.size() != 4 || cells.at(0).toInt() != texts.size() + 1)
            throw Error(damagedLanguageTableText());
        texts.append({cells.at(1), cells.at(2), cells.at(3)});
    }
    if (texts.size() != LanguageRowCount)
        throw Error(damagedLanguageTableText());
    return texts;
}

bool addIndexes(const std::shared_ptr<Connection> &connection)
{
    try {
        const QString script = resourceText(QStringLiteral("indexes.sql"));
        static const QRegularExpression name(QStringLiteral("CREATE INDEX IF NOT EXISTS (\\w+)"));
        auto have = Recordset::open(
            connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'"));
        QSet<QString> present;
        for (; !have->EOF(); have->MoveNext())
            present.insert(have->toText(0));
        bool complete = true;
        for (auto m = name.globalMatch(script); m.hasNext();) {
            if (!present.contains(m.next().captured(1)))
                complete = false;
        }
        if (complete)
            return true;
        Connection::Transaction transaction(connection);
        connection->exec(script);
        transaction.commit();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool rebuildTextIndexes(const std::shared_ptr<Connection> &connection)
{
    const auto marked = [&connection] {
        return connection->scalar(QStringLiteral("PRAGMA user_version")).toLongLong() >=
               TextIndexesVersion;
    };
    try {
        if (marked())
            return true;
        Connection::Transaction transaction(connection);
        // Another workstation may have done it while this one waited for the lock.
        if (marked())
            return true;
        connection->exec(QStringLiteral("REINDEX NOCASE"));
        connection->exec(QStringLiteral("PRAGMA user_version = %1").arg(TextIndexesVersion));
        transaction.commit();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void createDatabase(const QString &path, const QString &adminPassword)
{
    if (path.trimmed().isEmpty())
        throw Error(phrase(u"Ingen databasefil er oppgitt, så ingen database er laget.",
                           u"Ingen databasefil er angivet, så ingen database er lavet.",
                           u"Ingen databasfil angavs, så ingen databas har skapats."));
    if (QFileInfo::exists(path))
        throw Error(databaseExistsText(path));
    const QString schema = schemaSql();
    const QList<LanguageSeedRow> texts = languageSeedRows(); // fail before any file exists
    std::shared_ptr<Connection> connection;
    try {
        connection = Connection::create(path, databasePassword());
    } catch (...) {
        removeDatabaseFiles(path); // nothing was there before: whatever exists now is ours
        throw;
    }
    try {
        {
            Connection::Transaction transaction(connection);
            connection->exec(schema);
            connection->exec(resourceText(QStringLiteral("indexes.sql")));
            connection->exec(QStringLiteral("PRAGMA user_version = %1").arg(TextIndexesVersion));
            seed(*connection, adminPassword, texts);
            transaction.commit();
        }
        connection->close();
    } catch (...) {
        connection->close();
        connection.reset();
        removeDatabaseFiles(path);
        throw;
    }
}

} // namespace portiva

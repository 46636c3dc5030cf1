#include "records/ReportQueries.h"

#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/db/TextOrder.h"
#include "platform/vb/Error.h"

#include <QSet>

namespace portiva
{

namespace
{

QString quotedIdentifier(const QString &name)
{
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

// Splits a trailing " ASC" or " DESC" off; the direction comes back upper-cased.
QString takeDirection(QString &text)
{
    for (const QLatin1String direction : {QLatin1String(" ASC"), QLatin1String(" DESC")}) {
        if (text.endsWith(direction, Qt::CaseInsensitive)) {
            text.chop(direction.size());
            text = text.trimmed();
            return direction;
        }
    }
    return QString();
}

const QString userColumns = QStringLiteral(
    "SELECT Bruker, Etternavn, Fornavn, [Gyldig fra], [Gyldig til], Konto, Status FROM ");

} // namespace

QString orderByTerm(const QString &sortText, const QStringList &columns)
{
    QString name = sortText.trimmed();
    const QString direction = takeDirection(name);
    if (name.size() >= 2 && name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2).trimmed();
    for (const QString &column : columns) {
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return quotedIdentifier(column) + listCollation() + direction;
    }
    throw Error(unknownFieldText(sortText.trimmed()));
}

int chooseUserListMode(const QString &status, const QString &account)
{
    const QString all = QStringLiteral("Alle");
    if (status == QLatin1String("NY"))
        return 1;
    if (status == all)
        return account == all ? 2 : 3;
    return account == all ? 4 : 5;
}

ListQuery userListQuery(int mode, const QString &keyNummer, const QString &status,
                        const QString &account, const QString &orderBy)
{
    ListQuery q;
    q.params << keyNummer;
    if (mode == 1) {
        q.sql = userColumns + QStringLiteral("NYEbrukere WHERE KeyNummer = ?");
    } else {
        q.sql = userColumns + QStringLiteral("Brukere WHERE KeyNummer = ?");
        if (mode == 3 || mode == 5) {
            q.sql += QStringLiteral(" AND Konto = ?") + listCollation();
            q.params << account;
        }
        if (mode == 4 || mode == 5) {
            q.sql += QStringLiteral(" AND Status = ?") + listCollation();
            q.params << status;
        }
    }
    q.sql += QStringLiteral(" ORDER BY ") + orderBy;
    return q;
}

bool catalogueListQuery(const QString &filter, const QString &orderBy, ListQuery &out)
{
    const QString base =
        QStringLiteral("SELECT Bruker, Etternavn, Fornavn, Tillatelser FROM Katalog");
    const QString order = QStringLiteral(" ORDER BY ") + orderBy;
    // The stored count is text and is compared with the text "0", as it always was.
    if (filter == QLatin1String("Alle"))
        out = {base + order, {}};
    else if (filter == QLatin1String("Aktive"))
        out = {base + QStringLiteral(" WHERE Tillatelser > ?") + order, {QStringLiteral("0")}};
    else if (filter == QLatin1String("Passive"))
        out = {base + QStringLiteral(" WHERE Tillatelser = ?") + order, {QStringLiteral("0")}};
    else
        return false;
    return true;
}

QString permissionCountTerm()
{
    // The same count brukertillatelser gives one person (rights with a key unit, none: "0"),
    // taken through the index on KeyBruker: the view, correlated per catalogue row, was grouped
    // and indexed anew for each row, so a recount grew with people times rights.
    return QStringLiteral("CAST((SELECT count(t.KeyNummer) FROM TBLbrukere AS t "
                          "WHERE t.KeyBruker = Katalog.Bruker) AS TEXT)");
}

int updateUserPermissionCounts(const std::shared_ptr<Connection> &connection)
{
    const QString count = permissionCountTerm();
    Connection::Transaction transaction(connection);
    const int changed =
        connection->exec(QStringLiteral("UPDATE Katalog SET Tillatelser = ") + count +
                         QStringLiteral(" WHERE Tillatelser IS NOT ") + count);
    transaction.commit();
    return changed;
}

ListQuery logListQuery(const QString &keyNummer, const QString &orderBy)
{
    return {QStringLiteral("SELECT KeyUser, Dato, Fornavn, Etternavn FROM LOGGData "
                           "WHERE KeyNummer = ? ORDER BY ") +
                orderBy,
            {keyNummer}};
}

ListQuery keyListQuery(const QString &building, const QString &orderBy)
{
    const QString base =
        QStringLiteral("SELECT KeyNummer, KeyNavn, Bygning, KeySikkerhet FROM KEYTable");
    if (building == QLatin1String("Alle"))
        return {base + QStringLiteral(" ORDER BY ") + orderBy, {}};
    return {base + QStringLiteral(" WHERE Bygning = ?") + listCollation() +
                QStringLiteral(" ORDER BY ") + orderBy,
            {building}};
}

void markUnitsWithoutBuilding(const std::shared_ptr<Connection> &connection)
{
    connection->exec(QStringLiteral("UPDATE KEYTable SET Bygning = ? WHERE Bygning IS NULL"),
                     {QStringLiteral("?")});
}

QStringList distinctRuns(Recordset &rows, bool upperCase)
{
    QStringList entries;
    QSet<QString> seen;
    if (rows.RecordCount() > 0)
        rows.MoveFirst();
    for (; !rows.EOF(); rows.MoveNext()) {
        if (rows.isNull(0))
            continue;
        QString text = rows.toText(0);
        if (upperCase)
            text = text.toUpper();
        if (text.isEmpty() || seen.contains(text.toCaseFolded()))
            continue;
        seen.insert(text.toCaseFolded());
        entries << text;
    }
    return entries;
}

} // namespace portiva

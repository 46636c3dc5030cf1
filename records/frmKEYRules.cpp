#include "records/frmKEYRules.h"

#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/db/TextOrder.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <exception>

namespace portiva
{

namespace
{

bool numericallyAboveFour(const QString &level)
{
    try {
        return vb::CDbl(level) > 4;
    } catch (const Error &) {
        return false;
    }
}

} // namespace

KeyUnitRights keyUnitRights(const QString &level)
{
    KeyUnitRights rights;
    const bool manager = level == QLatin1String("6") || level == QLatin1String("5");
    rights.add = manager;
    rights.remove = manager;
    rights.edit = manager || level == QLatin1String("4");
    rights.properties = numericallyAboveFour(level);
    return rights;
}

ListQuery keyUnitListQuery(const QString &level, const QString &building)
{
    ListQuery query;
    query.sql = QStringLiteral(
        "SELECT KeyNummer, KeyNavn, Bygning, KeySikkerhet, Beskrivelse, Alarmstatus, KeyStatus, "
        "Tekst1, Tekst2, Tekst3, Tekst4, Tekst5, Tekst6 FROM KEYTable WHERE KeySikkerhet <= ?");
    query.params << level;
    if (!building.isEmpty()) {
        query.sql += QStringLiteral(" AND Bygning = ?") + listCollation();
        query.params << building;
    }
    return query;
}

QStringList buildingTabs(const std::shared_ptr<Connection> &connection, const QString &level)
{
    if (!connection)
        throw Error(closedConnectionText());
    auto rows = Recordset::open(
        connection, QStringLiteral("SELECT Bygning FROM KEYTable WHERE KeySikkerhet <= ?"),
        {level});
    rows->setSort(QStringLiteral("Bygning"));
    const QStringList buildings = distinctRuns(*rows, false);
    rows->Close();
    return buildings;
}

void deleteKeyUnit(const std::shared_ptr<Connection> &connection, Recordset &units,
                   const QString &keyNummer)
{
    const QString number = vb::Trim(keyNummer);
    std::exception_ptr commitFailure;
    {
        Connection::Transaction transaction(connection);
        // The live queue, not a snapshot of it: a row queued after the window loaded goes too,
        // and one the send worker has sent meanwhile is no longer "UNSENT" and stays.
        connection->exec(QStringLiteral("DELETE FROM SMS_Sent WHERE TilNummer = ? AND CMGS IN "
                                        "('UNSENT', 'SLETTET')"),
                         {number});
        // Rights left behind would keep counting for their persons, and waiting periods would
        // later queue registrations to a number that is no unit any more.
        connection->exec(QStringLiteral("DELETE FROM TBLbrukere WHERE KeyNummer = ?"), {number});
        connection->exec(QStringLiteral("DELETE FROM NYEbrukere WHERE KeyNummer = ?"), {number});
        units.Delete();
        try {
            transaction.commit();
        } catch (...) {
            commitFailure = std::current_exception();
        }
    }
    if (commitFailure) {
        // Rolled back, but the row has already left the list: show the file as it is.
        try {
            units.Requery();
        } catch (...) {
        }
        std::rethrow_exception(commitFailure);
    }
}

} // namespace portiva

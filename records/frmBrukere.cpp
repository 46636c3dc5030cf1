#include "records/frmBrukere.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "records/ReportQueries.h"

#include <QPushButton>

namespace portiva
{

namespace
{

QList<RecordColumn> catalogueColumns()
{
    auto column = [](const QString &caption, int row, const char *sort) {
        RecordColumn c = RecordColumn::translated(caption, row);
        c.sortField = QLatin1String(sort);
        return c;
    };
    return {
        column(QStringLiteral("Bruker"), 122, "bruker"),
        column(QStringLiteral("Etternavn"), 115, "etternavn"),
        column(QStringLiteral("Fornavn"), 114, "fornavn"),
        column(QStringLiteral("Gate"), 123, "gate"),
        column(QStringLiteral("PostNr."), 124, "postnummer"),
        column(QStringLiteral("Sted"), 125, "poststed"),
        column(QStringLiteral("Tillatelser"), 126, "tillatelser"),
        column(QString(), 127, ""),
    };
}

// The count and the national number are derived the way every other writer of the catalogue
// derives them: the number of rights, and the number from its 4th character, nine characters
// at most. Rows that already agree are left alone, so other workstations' open rows are not
// disturbed.
QString recountSql()
{
    const QString count = permissionCountTerm();
    return QStringLiteral("UPDATE Katalog SET Tillatelser = ") + count +
           QStringLiteral(", BrukerKort = substr(Bruker, 4, 9) WHERE Tillatelser IS NOT ") + count +
           QStringLiteral(" OR BrukerKort IS NOT substr(Bruker, 4, 9)");
}

} // namespace

frmBrukere::frmBrukere(AppState &state)
    : RecordWindow(state, QStringLiteral("frmBrukere"),
                   DeleteButton | RefreshButton | HeaderSort | KeyNavigation | Translated |
                       FirstRowOnLoad,
                   catalogueColumns())
{
    cmdRefresh->setText(QStringLiteral("&Opp&frisk"));
    addLanguageTarget(224, &m_refusal);
}

void frmBrukere::setDefaultTexts()
{
    m_refusal = QStringLiteral(
        "Denne brukeren er registrert på en eller flere nøkler. Kan ikke slettes!!!");
}

std::shared_ptr<Recordset> frmBrukere::openRecordsets(const std::shared_ptr<Connection> &c)
{
    return Recordset::open(c, QStringLiteral("SELECT Bruker, Etternavn, Fornavn, Gate, Postnummer, "
                                             "Poststed, Tillatelser, BrukerKort FROM Katalog"));
}

GridPermissions frmBrukere::gridPermissions() const
{
    // The number is the key the rights, periods, queue and log refer to: changing it here
    // would orphan them.
    GridPermissions p;
    p.edit = true;
    p.readOnlyColumns = {0};
    return p;
}

bool frmBrukere::canDelete()
{
    const QString bruker = adoPrimaryRS()->toText(QStringLiteral("Bruker"));
    auto rights = Recordset::open(
        connection(),
        QStringLiteral("SELECT antallavkeynummer FROM brukertillatelser WHERE Bruker = ? LIMIT 1"),
        {bruker});
    if (rights->EOF())
        return true;
    const QVariant count = rights->value(0);
    bool isNumber = false;
    if (!rights->isNull(0) && count.toDouble(&isNumber) == 0 && isNumber)
        return true;
    showMessage(m_refusal);
    return false;
}

void frmBrukere::beforeRefresh()
{
    UpdateUserPermissionCounts();
}

void frmBrukere::UpdateUserPermissionCounts()
{
    Connection::Transaction transaction(connection());
    connection()->exec(recountSql());
    transaction.commit();
}

} // namespace portiva

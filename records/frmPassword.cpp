#include "records/frmPassword.h"

#include "platform/db/Recordset.h"

#include <QPushButton>

namespace portiva
{

namespace
{

QList<RecordColumn> passwordColumns()
{
    const auto column = &RecordColumn::translated;
    return {
        column(QStringLiteral("BRUKER"), 122, 1500),
        column(QStringLiteral("PASSORD"), 10, 1500),
        column(QStringLiteral("SIKKERHETSNIVÅ"), 63, 1800),
    };
}

} // namespace

frmPassword::frmPassword(AppState &state)
    : RecordWindow(state, QStringLiteral("frmPassword"),
                   DeleteButton | RefreshButton | KeyNavigation | Translated, passwordColumns())
{
    cmdRefresh->setText(QStringLiteral("Opp&frisk"));
}

std::shared_ptr<Recordset> frmPassword::openRecordsets(const std::shared_ptr<Connection> &c)
{
    return Recordset::open(
        c, QStringLiteral("SELECT USER_ID, Password, SecurityLevel FROM Passwords"));
}

GridPermissions frmPassword::gridPermissions() const
{
    GridPermissions p;
    p.add = true;
    p.edit = true;
    return p;
}

} // namespace portiva

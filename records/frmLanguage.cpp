#include "records/frmLanguage.h"

#include "platform/db/Recordset.h"

namespace portiva
{

namespace
{

QList<RecordColumn> languageColumns()
{
    auto column = [](int width) {
        RecordColumn c;
        c.widthTwips = width;
        c.fieldNameHeading = true;
        return c;
    };
    return {column(500), column(4500), column(4500), column(4500)};
}

} // namespace

frmLanguage::frmLanguage(AppState &state)
    : RecordWindow(state, QStringLiteral("frmLanguage"), Features(), languageColumns())
{
}

std::shared_ptr<Recordset> frmLanguage::openRecordsets(const std::shared_ptr<Connection> &c)
{
    return Recordset::open(
        c, QStringLiteral("SELECT ID, Norsk, Dansk, Svensk FROM TBLLanguage ORDER BY rowid"));
}

GridPermissions frmLanguage::gridPermissions() const
{
    GridPermissions p;
    p.edit = true;
    return p;
}

} // namespace portiva

#include "records/frmPrintKatalog.h"

#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Guard.h"
#include "programstate/AppState.h"

#include <QComboBox>
#include <QLabel>

namespace portiva
{

namespace
{

QList<ReportColumn> columns()
{
    return {
        {QStringLiteral("Bruker"), 1200, QStringLiteral("Bruker"), 122},
        {QStringLiteral("Etternavn"), 2900, QStringLiteral("Etternavn"), 115},
        {QStringLiteral("Fornavn"), 2900, QStringLiteral("Fornavn"), 114},
        {QStringLiteral("Tillatelser"), 1000, QStringLiteral("Tillatelser"), 126},
    };
}

} // namespace

frmPrintKatalog::frmPrintKatalog(AppState &state)
    : ReportWindow(state, QStringLiteral("frmPrintKatalog"), QStringLiteral("Skriv ut Katalog"),
                   columns())
{
    Combo1 = addChooser(QStringLiteral("Combo1"), Label1, QStringLiteral("Label1"),
                        QStringLiteral("VELG STATUS"));
    Combo3 = addChooser(QStringLiteral("Combo3"), Label3, QStringLiteral("Label3"),
                        QStringLiteral("SORTERING"));
    addLanguageTarget(138, Label1);
    addLanguageTarget(140, Label3);
}

void frmPrintKatalog::fillBoxes()
{
    fillBox(Combo1, {QStringLiteral("Alle"), QStringLiteral("Aktive"), QStringLiteral("Passive")},
            QStringLiteral("Alle"));
    fillBox(Combo3,
            {QStringLiteral("Bruker"), QStringLiteral("Fornavn"), QStringLiteral("Etternavn")},
            QStringLiteral("Bruker"));
}

void frmPrintKatalog::VisKatalog()
{
    const QString filter = Combo1->currentText();
    ListQuery query;
    // A typed filter that is none of the three lists nothing new: the shown list stays.
    if (!catalogueListQuery(filter, orderBy(Combo3), query))
        return;
    adoVisKatalogRS = openList(query);
    m_listedFilter = filter;
    bind(adoVisKatalogRS, 4);
}

void frmPrintKatalog::UpdateUserPermissionCounts()
{
    // As before, a recount that cannot run leaves the stored counts on show.
    skipOnError([this] {
        // Counts that were already right leave the list just read as it is: reading it again
        // would double what the operator waits for on a large catalogue.
        if (updateUserPermissionCounts(m_state.SharedConnection) == 0)
            return;
        adoVisKatalogRS->Requery();
        layoutColumns(4);
    });
}

ReportPrintJob frmPrintKatalog::printJob() const
{
    return {QStringLiteral("Brukere"),
            QStringLiteral("Telefonkatalog ") + QStringLiteral(" (") + m_listedFilter + u')',
            {1.0f, 2.1f, 2.1f, 1.0f}};
}

} // namespace portiva

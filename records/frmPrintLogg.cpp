#include "records/frmPrintLogg.h"

#include "platform/db/Recordset.h"
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
        {QStringLiteral("KeyUser"), 1200, QStringLiteral("Bruker"), 122},
        {QStringLiteral("Dato"), 1200, QStringLiteral("Dato"), 53},
        {QStringLiteral("Fornavn"), 2900, QStringLiteral("Fornavn"), 114},
        {QStringLiteral("Etternavn"), 2900, QStringLiteral("Etternavn"), 115},
    };
}

} // namespace

frmPrintLogg::frmPrintLogg(AppState &state)
    : ReportWindow(state, QStringLiteral("frmPrintLogg"), QStringLiteral("Skriv ut LOGG"),
                   columns())
{
    Combo1 = addChooser(QStringLiteral("Combo1"), Label1, QStringLiteral("Label1"),
                        QStringLiteral("Velg SORTERING"));
    addLanguageTarget(140, Label1);
}

void frmPrintLogg::fillBoxes()
{
    fillBox(Combo1,
            {QStringLiteral("Dato"), QStringLiteral("KeyUser"), QStringLiteral("Fornavn"),
             QStringLiteral("Etternavn")},
            QStringLiteral("Dato"));
}

void frmPrintLogg::VisLogg()
{
    adoVisLoggRS = openList(logListQuery(m_state.SelectedKeyNummer, orderBy(Combo1)));
    m_listedKeyName = m_state.SelectedKeyName;
    bind(adoVisLoggRS, 4);
}

ReportPrintJob frmPrintLogg::printJob() const
{
    return {QStringLiteral("Brukere"),
            QStringLiteral("LOGG ") + m_listedKeyName,
            {1.0f, 1.0f, 2.1f, 2.1f}};
}

} // namespace portiva

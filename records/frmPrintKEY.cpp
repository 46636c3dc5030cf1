#include "records/frmPrintKEY.h"

#include "platform/db/Recordset.h"
#include "platform/db/TextOrder.h"
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
        {QStringLiteral("KeyNummer"), 1200, QString::fromUtf8("Dør Nummer"), 128},
        {QStringLiteral("KeyNavn"), 2000, QString::fromUtf8("Dør Navn"), 129},
        {QStringLiteral("Bygning"), 2000, QStringLiteral("Bygning"), 64},
        {QStringLiteral("KeySikkerhet"), 1000, QString::fromUtf8("Sikkerhetsnivå"), 63},
    };
}

} // namespace

frmPrintKEY::frmPrintKEY(AppState &state)
    : ReportWindow(state, QStringLiteral("frmPrintKEY"), QString::fromUtf8("Skriv ut NØKLER"),
                   columns())
{
    Combo1 = addChooser(QStringLiteral("Combo1"), Label1, QStringLiteral("Label1"),
                        QStringLiteral("Velg BYGNING"));
    Combo3 = addChooser(QStringLiteral("Combo3"), Label2, QStringLiteral("Label2"),
                        QStringLiteral("Velg SORTERING"));
    addLanguageTarget(142, Label1);
    addLanguageTarget(140, Label2);
}

void frmPrintKEY::fillBoxes()
{
    // Opening the window gives every unit without a building the building "?", so that it
    // can be chosen from the list.
    markUnitsWithoutBuilding(m_state.SharedConnection);
    auto rows = openRows(
        QStringLiteral("SELECT Bygning FROM KEYTable ORDER BY Bygning") + listCollation(), {});
    const QStringList buildings = distinctRuns(*rows, false);
    rows->Close();
    fillBox(Combo1, buildings + QStringList{QStringLiteral("Alle")}, QStringLiteral("Alle"));
    fillBox(Combo3,
            {QStringLiteral("KeyNummer"), QStringLiteral("KeyNavn"), QStringLiteral("Bygning")},
            QStringLiteral("Bygning"));
}

void frmPrintKEY::VisKEY()
{
    const QString building = Combo1->currentText();
    adoVisKEYRS = openList(keyListQuery(building, orderBy(Combo3)));
    m_listedBuilding = building;
    bind(adoVisKEYRS, 4);
}

ReportPrintJob frmPrintKEY::printJob() const
{
    return {QString::fromUtf8("Nøkler"),
            QString::fromUtf8("Oversikt Nøkler ") + u'(' + m_listedBuilding + u')',
            {1.0f, 2.0f, 2.0f, 1.0f}};
}

} // namespace portiva

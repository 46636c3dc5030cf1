#include "records/frmPrintBrukere.h"

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
        {QStringLiteral("Bruker"), 1200, QStringLiteral("Bruker"), 122},
        {QStringLiteral("Etternavn"), 2000, QStringLiteral("Etternavn"), 115},
        {QStringLiteral("Fornavn"), 2000, QStringLiteral("Fornavn"), 114},
        {QStringLiteral("Gyldig fra"), 1000, QStringLiteral("Gyldig Fra"), 41},
        {QStringLiteral("Gyldig til"), 1000, QStringLiteral("Gyldig Til"), 42},
        {QStringLiteral("Konto"), 900, QStringLiteral("Konto"), 44},
        {QStringLiteral("Status"), 0, QStringLiteral("Status"), 120},
    };
}

} // namespace

frmPrintBrukere::frmPrintBrukere(AppState &state)
    : ReportWindow(state, QStringLiteral("frmPrintBrukere"), QStringLiteral("Skriv ut Brukere"),
                   columns())
{
    Combo1 = addChooser(QStringLiteral("Combo1"), Label1, QStringLiteral("Label1"),
                        QStringLiteral("VELG STATUS"));
    Combo2 = addChooser(QStringLiteral("Combo2"), Label2, QStringLiteral("Label2"),
                        QStringLiteral("VELG KONTO"));
    Combo3 = addChooser(QStringLiteral("Combo3"), Label3, QStringLiteral("Label3"),
                        QStringLiteral("SORTERING"));
    addLanguageTarget(138, Label1);
    addLanguageTarget(139, Label2);
    addLanguageTarget(140, Label3);
}

QStringList frmPrintBrukere::boxEntries(const QString &column, bool upperCase) const
{
    // column is one of two fixed names, never operator text.
    auto rows = openRows(QStringLiteral("SELECT %1 FROM Brukere WHERE KeyNummer = ? ORDER BY %1%2")
                             .arg(column, listCollation()),
                         {m_state.SelectedKeyNummer});
    QStringList entries = distinctRuns(*rows, upperCase);
    rows->Close();
    return entries;
}

void frmPrintBrukere::fillBoxes()
{
    fillBox(Combo1,
            QStringList{QStringLiteral("NY")} + boxEntries(QStringLiteral("Status"), true) +
                QStringList{QStringLiteral("Alle")},
            QStringLiteral("Alle"));
    fillBox(Combo2,
            boxEntries(QStringLiteral("Konto"), false) + QStringList{QStringLiteral("Alle")},
            QStringLiteral("Alle"));
    fillBox(Combo3,
            {QStringLiteral("Bruker"), QStringLiteral("Fornavn"), QStringLiteral("Etternavn"),
             QStringLiteral("[Gyldig fra]"), QStringLiteral("[Gyldig til]"),
             QStringLiteral("Konto"), QStringLiteral("Status")},
            QStringLiteral("Bruker"));
}

void frmPrintBrukere::VisBrukere()
{
    const QString status = Combo1->currentText();
    const QString account = Combo2->currentText();
    const int mode = chooseUserListMode(status, account);
    const ListQuery query =
        userListQuery(mode, m_state.SelectedKeyNummer, status, account, orderBy(Combo3));
    std::shared_ptr<Recordset> rows = openList(query);

    UserListMode = mode;
    if (mode == 1) {
        adoVisNyeBrukereRS = rows;
        adoVisBrukereRS.reset();
    } else {
        adoVisBrukereRS = rows;
    }
    m_listedStatus = status;
    m_listedAccount = account;
    m_listedKeyName = m_state.SelectedKeyName;
    bind(rows, 6);
}

ReportPrintJob frmPrintBrukere::printJob() const
{
    return {QStringLiteral("Brukere"),
            QStringLiteral("Brukere ") + m_listedKeyName + QStringLiteral(" (") + m_listedStatus +
                QStringLiteral(" , ") + m_listedAccount + u')',
            {1.0f, 1.5f, 1.5f, 0.8f, 0.8f, 0.8f, 0.8f}};
}

std::shared_ptr<Recordset> frmPrintBrukere::printedRecordset() const
{
    return UserListMode == 1 ? adoVisNyeBrukereRS : adoVisBrukereRS;
}

} // namespace portiva

#pragma once

#include <QString>
#include <memory>

namespace portiva
{

class Recordset;

// The recordsets through which the main window and the work that runs inside it see the
// database. Each reload replaces them by new objects; code that may still hold an old one
// (inside a modem wait or a message box) keeps it alive through its shared pointer.
struct MainViews {
    std::shared_ptr<Recordset> adoALLKEYRS;
    std::shared_ptr<Recordset> adoKEYRS;
    std::shared_ptr<Recordset> adoTBLBrukereRS;
    std::shared_ptr<Recordset> adoAlleNyeBrukereRS;
    std::shared_ptr<Recordset> adoSELECTEDBrukereRS;
    std::shared_ptr<Recordset> adoKatalogRS;
    std::shared_ptr<Recordset> adoSMSReceivedRS;
    std::shared_ptr<Recordset> adoSMSSentRS;
    std::shared_ptr<Recordset> adoSMSUNSentRS;
    std::shared_ptr<Recordset> adoAntallRS;
    std::shared_ptr<Recordset> adoLOGGDataRS;
    std::shared_ptr<Recordset> adoModemRS;

    // Opened by ShowKeyUsers.
    std::shared_ptr<Recordset> adoNyeBrukereRS;
    std::shared_ptr<Recordset> adoListBrukereRS;
    std::shared_ptr<Recordset> adoPrintBrukereRS;

    // The key unit's number as the last reload showed it ("" when no listed unit matched).
    QString shownKeyNummer;
};

} // namespace portiva

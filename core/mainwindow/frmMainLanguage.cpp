// The main window's rows of the language table.

#include "core/mainwindow/frmMain.h"
#include "programstate/LanguageTable.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>

namespace portiva
{

void frmMain::ApplyLanguage()
{
    const LanguageTable::Texts table =
        LanguageTable::load(m_state.SharedConnection, m_state.CountryCode);
    for (int row = 1; row < int(table.size()); ++row) {
        if (table[row])
            applyLanguageRow(row, *table[row]);
    }
}

void frmMain::applyLanguageRow(int row, const QString &text)
{
    QAction *const menus[] = {mnuFile->menuAction(),
                              mnuFilePrint->menuAction(),
                              mnuFileDatabase,
                              mnuFileCompactDatabase,
                              mnuFileExit,
                              mnuKEY->menuAction(),
                              mnuDatafrmKey,
                              mnuDatafrmKeyLogg,
                              mnuDatafrmKeyOppsett,
                              mnuDatafrmPassWords,
                              mnuKatalog->menuAction(),
                              mnuDatafrmKatalog,
                              mnuSMS->menuAction(),
                              mnuSMSSent,
                              mnuSMSReceived,
                              mnuSMSUnSent,
                              mnuSMSSendingsbekreftelse->menuAction(),
                              mnuSMSSendingsbekreftelseAv,
                              mnuSMSSendingsbekreftelsePå,
                              mnuComPort->menuAction(),
                              mnuComPortCom1,
                              mnuComPortCom2,
                              mnuComPortCom3,
                              mnuComPortCom4,
                              mnuComPortComOther,
                              mnuComPortComNone,
                              mnuSpråk->menuAction(),
                              mnuSpråkNorsk,
                              mnuSpråkDansk,
                              mnuSpråkSvensk,
                              mnuHelp->menuAction(),
                              mnuHelpHelp,
                              mnuHelpAbout,
                              mnuFilePrintBrukere,
                              mnuFilePrintKatalog,
                              mnuFilePrintLogg,
                              mnuFilePrintKEY};
    QLabel *const labels[] = {
        NummerLBL,         EtternavnLBL, FornavnLBL,    DatoLBL1,   DatoLBL2,   TidspunktLBL,
        KontoLBL,          StatusLBL,    lblBRUKERdata, lblKEYdata, LblKeyName, LblModemStatus,
        lblInnkommendeSMS, SMSIDLBL,     SMSFROMLBL,    SMSDATELBL, SMSTXTLBL,  lblbrukertabell};
    QPushButton *const buttons[] = {cmdNyBruker, CommandRegistrerBruker, CommandSlettBruker,
                                    CmdSMSDoor, CommandSendSMS};
    if (row >= 1 && row <= 37) {
        menus[row - 1]->setText(text);
        return;
    }
    if (row >= 38 && row <= 55) {
        labels[row - 38]->setText(text);
        if (row == 44)
            texts.AccountLabelText = text;
        return;
    }
    if (row >= 56 && row <= 60) {
        buttons[row - 56]->setText(text);
        return;
    }
    QString *const messages[] = {&texts.FreeSmsTitleText,
                                 &texts.FreeSmsPromptText,
                                 &texts.PortPromptText,
                                 nullptr,
                                 &texts.CompactWarningText,
                                 &texts.CompactDoneText,
                                 &texts.CompactFailedText,
                                 &texts.ModemNotFoundText,
                                 nullptr,
                                 &texts.UserRegisteredQuestion,
                                 &texts.UserQueuedQuestion,
                                 &texts.PhoneLengthWarningText,
                                 &texts.PhoneTooShortText,
                                 &texts.WaitForSendingText};
    if (row >= 210 && row <= 223) {
        if (QString *target = messages[row - 210])
            *target = text;
        return;
    }
    switch (row) {
    case 131:
        texts.AllUsersTabText = text;
        break;
    case 137:
        texts.NewUsersTabText = text;
        break;
    case 143:
        cmdNyBruker->setToolTip(text);
        break;
    case 144:
        CommandRegistrerBruker->setToolTip(text);
        break;
    case 145:
        CmdSMSDoor->setToolTip(text);
        break;
    case 146:
        CommandSendSMS->setToolTip(text);
        break;
    case 147:
        TabStrip1->setToolTip(text);
        break;
    case 148:
        DataGrid1->setToolTip(text);
        break;
    case 149:
        CommandSlettBruker->setToolTip(text);
        break;
    case 150:
        texts.NewUserKontoText = text;
        break;
    case 225:
        KeyTXT[0]->setToolTip(text);
        break;
    case 226:
        KeyTXT[1]->setToolTip(text);
        break;
    case 227:
        Txtfields[3]->setToolTip(text);
        break;
    default:
        break;
    }
}

} // namespace portiva

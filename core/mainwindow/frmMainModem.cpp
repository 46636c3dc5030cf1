// The main window's side of the modem work: link, timers, exchanges. The modem objects of
// modem/ carry the procedures; this file owns them and forwards to them.

#include "admin/MainViews.h"
#include "core/mainwindow/frmMain.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"

#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

namespace portiva
{

void frmMain::setupModem()
{
    connect(TimerCom, &QTimer::timeout, this, &frmMain::TimerCom_Timer);
    connect(TimerSEND_SMS, &QTimer::timeout, this, &frmMain::TimerSEND_SMS_Timer);
}

// The load's ownership test, also run on a newly chosen database: the modem is this
// workstation's to take when no one holds it or this computer holds it.
void frmMain::claimModemAfterDatabaseChange()
{
    Recordset *modem = m_views->adoModemRS.get();
    if (!modem || modem->BOF() || modem->EOF())
        throw Error(QStringLiteral("No current row."));
    const QVariant status = modem->value(QStringLiteral("ModemStatus"));
    const bool held = !status.isNull() && status.toLongLong() != 0;
    const QString owner = modem->toTextOr(QStringLiteral("ModemOwner"), QString());
    const bool free = !held || owner.compare(m_state.CurrentComputerName, Qt::CaseInsensitive) == 0;
    if (free) {
        OpenComPort();
        // The network modem initialises itself once connected.
        if (m_state.LastComPort != 255)
            InitModem();
    } else {
        m_state.LastComPort = 0;
        OpenComPort();
    }
}

void frmMain::OpenComPort()
{
    // Opens the chosen link (modem/ModemLink).
}

void frmMain::InitModem()
{
    // Initialises the modem and takes the Modem row (modem/ModemInit).
}

void frmMain::TimerCom_Timer()
{
    // Reads one modem line into ModemResponse (modem/LineReader).
}

void frmMain::TimerSEND_SMS_Timer()
{
    // Future periods, send queue and listing request (modem/ModemDispatcher).
}

void frmMain::closeSerialPort()
{
    // Closes MSComm1 when open (modem/ModemLink).
}

bool frmMain::exchangeInProgress() const
{
    // True while a modem exchange runs (modem/ExchangeGuard).
    return false;
}

void frmMain::Write2StatusBox(const QString &MessageEntry)
{
    txtMessages->moveCursor(QTextCursor::End);
    txtMessages->insertPlainText(MessageEntry);
    txtMessages->moveCursor(QTextCursor::End);
    txtMessages->repaint();
}

void frmMain::SendData(const QString &)
{
    // Writes to the link and echoes into the terminal view (modem/ModemLink).
}

QString frmMain::Get_CMGS()
{
    // Waits for the modem's message reference (modem/SmsSender).
    return QString();
}

void frmMain::Read_SMS_MessageTEXT()
{
    // Reads, stores and applies one listed SMS (inbox/).
}

} // namespace portiva

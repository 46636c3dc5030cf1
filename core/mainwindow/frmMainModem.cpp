// The main window's side of the modem work: it owns the modem session of modem/, hands it
// the controls and forwards its public procedures to it.

#include "admin/KeyUsers.h"
#include "admin/MainViews.h"
#include "core/mainwindow/ModemWindowHost.h"
#include "core/mainwindow/frmMain.h"
#include "inbox/ReceivedSmsReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemDispatcher.h"
#include "modem/ModemHold.h"
#include "modem/ModemInit.h"
#include "modem/ModemSession.h"
#include "modem/ReceivedSmsHandler.h"
#include "modem/SendQueue.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/link/SerialLink.h"
#include "platform/link/TcpLink.h"
#include "platform/settings/Settings.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"

#include <QAction>
#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

namespace portiva
{

namespace
{

// Clicks on the two modem pictures.
class ClickFilter : public QObject
{
public:
    ClickFilter(QObject *parent, std::function<void()> onClick)
        : QObject(parent), m_onClick(std::move(onClick))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            m_onClick();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClick;
};

// Tests and demonstrations on the simulator run the whole dialogue faster by one factor.
ModemTiming timingFromEnvironment()
{
    ModemTiming t;
    bool ok = false;
    const double f = qEnvironmentVariable("PORTIVA_MODEM_TIMESCALE").toDouble(&ok);
    return ok && f > 0 ? t.scaled(f) : t;
}

} // namespace

void ModemWindowHost::Write2StatusBox(const QString &MessageEntry)
{
    m_window.Write2StatusBox(MessageEntry);
}

void ModemWindowHost::setStatusPanel(int panel, const QString &text)
{
    if (QLabel *p = m_window.statusPanel(panel))
        p->setText(text);
}

void ModemWindowHost::setModemResponse(const QString &text)
{
    m_window.ModemResponse->setText(text);
}

QString ModemWindowHost::modemOwnerShown() const
{
    return m_window.Modemdata.size() > 3 ? m_window.Modemdata[3]->text() : QString();
}

void ModemWindowHost::OpenMainRecordsets()
{
    m_window.OpenMainRecordsets();
    // The modem road marks rights as their commands go out, and other workstations change
    // them too: the grid follows without waiting for the operator's next action.
    m_window.keyUsers().refreshIfChanged();
}

void ModemWindowHost::setWaitCursor(bool on)
{
    if (on)
        m_window.setCursor(Qt::WaitCursor);
    else
        m_window.unsetCursor();
}

void frmMain::setupModem()
{
    m_modemHost = std::make_unique<ModemWindowHost>(*this);
    m_modem =
        std::make_unique<ModemSession>(m_state, *m_modemHost, *TimerCom, *TimerSEND_SMS, modemFlags,
                                       std::make_unique<SerialLink>(), std::make_unique<TcpLink>(),
                                       timingFromEnvironment(), std::make_unique<RealModemClock>());
    ModemWidgets w;
    w.mnuComPortCom[0] = mnuComPortCom1;
    w.mnuComPortCom[1] = mnuComPortCom2;
    w.mnuComPortCom[2] = mnuComPortCom3;
    w.mnuComPortCom[3] = mnuComPortCom4;
    w.mnuComPortComNone = mnuComPortComNone;
    w.mnuComPortComOther = mnuComPortComOther;
    w.mnuComPortWinsock = mnuComPortWinsock;
    w.mnuSMSSendingsbekreftelseAv = mnuSMSSendingsbekreftelseAv;
    w.mnuSMSSendingsbekreftelsePå = mnuSMSSendingsbekreftelsePå;
    w.txtHostName = txtHostName;
    w.txtPort = txtPort;
    w.cmdConnect = cmdConnect;
    w.cmdDisconnect = cmdDisconnect;
    w.Command2 = Command2;
    w.Command3 = Command3;
    w.ComShowCom = ComShowCom;
    w.rtfTerminalScreen = rtfTerminalScreen;
    w.networkGroup = {LabelTCPIP, lblHostName, lblPort,           txtHostName, txtPort,   Command2,
                      Command3,   txtMessages, rtfTerminalScreen, Line1,       ComShowCom};
    w.window = this;
    m_modem->setWidgets(w);
    // The session owns the reader of received SMS; it reloads this window after each one, the
    // user grid as far as the answer changed what it shows.
    auto *inbox = new ReceivedSmsReader(m_modem->context(),
                                        {[this] { OpenMainRecordsets(); },
                                         [this] { m_keyUsers->refreshIfChanged(); },
                                         [this] { return today(); }},
                                        m_modem.get());
    m_modem->setReceiver(*inbox);
    m_modem->setSerialDeviceSetting([this](int n) {
        return m_settings || m_ownSettings
                   ? settings().text(QStringLiteral("SerialDevice%1").arg(n))
                   : QString();
    });

    ModemSession *s = m_modem.get();
    for (int i = 0; i < 4; ++i) {
        QAction *item = w.mnuComPortCom[i];
        connect(item, &QAction::triggered, this, [s, i] { s->mnuComPortCom_Click(i + 1); });
    }
    connect(mnuComPortComNone, &QAction::triggered, s, &ModemSession::mnuComPortComNone_Click);
    connect(mnuComPortComOther, &QAction::triggered, s, &ModemSession::mnuComPortComOther_Click);
    connect(mnuComPortWinsock, &QAction::triggered, s, &ModemSession::mnuComPortWinsock_Click);
    connect(mnuSMSSendingsbekreftelseAv, &QAction::triggered, s,
            &ModemSession::mnuSMSSendingsbekreftelseAv_Click);
    connect(mnuSMSSendingsbekreftelsePå, &QAction::triggered, s,
            &ModemSession::mnuSMSSendingsbekreftelsePå_Click);
    connect(cmdConnect, &QPushButton::clicked, s, &ModemSession::cmdConnect_Click);
    connect(cmdDisconnect, &QPushButton::clicked, s, &ModemSession::cmdDisconnect_Click);
    connect(Command2, &QPushButton::clicked, s, &ModemSession::Command2_Click);
    connect(Command3, &QPushButton::clicked, s, &ModemSession::Command3_Click);
    connect(ComShowCom, &QPushButton::clicked, s, &ModemSession::ComShowCom_Click);
    for (QLabel *picture : {Image1, Image2})
        picture->installEventFilter(new ClickFilter(picture, [s] { s->Image_Click(); }));
    // A close asked for during an initialisation or a message read goes ahead after it.
    connect(s, &ModemSession::exchangeEnded, this, [this] {
        if (m_closePending)
            QTimer::singleShot(0, this, &QWidget::close);
    });
}

// The load's ownership test, also run on a newly chosen database: the modem is this
// workstation's to take when no one holds it or this computer holds it.
void frmMain::claimModemAfterDatabaseChange()
{
    m_modem->setPortPromptText(texts.PortPromptText);
    Recordset *modem = m_views->adoModemRS.get();
    if (!modem || modem->BOF() || modem->EOF())
        throw Error(noCurrentRowText());
    // Judged from the file as it stands now, as the claim will judge it; a holder that stopped
    // renewing its hold died and holds nothing.
    const ModemHold::Seen seen =
        ModemHold::judge(*m_state.SharedConnection, m_state.CurrentComputerName,
                         QDateTime::currentMSecsSinceEpoch(), m_modem->timing().holdLimit);
    const bool mine = seen.state == ModemHold::State::Mine;
    const QString owner = seen.owner;
    // Under this computer's own name another program of this computer may hold it.
    const bool sibling =
        mine && m_modem->context().modemLock.heldByAnother(m_state.SharedConnection->path());
    const bool free = seen.state != ModemHold::State::Live && !sibling;
    // Rows a program left on their way to the modem when it ended are shown as interrupted;
    // those of a holder that may be sending now are left to it.
    const QString liveHolder = free ? QString() : owner;
    skipOnError(
        [&] { ModemInit::settleInterrupted(*m_modemHost, *m_state.SharedConnection, liveHolder); });
    if (free) {
        // A network modem that is still connected stays so and only takes the new file's row:
        // opening the link again would first disconnect it, which gives the link up before
        // this code could read which link was in use.
        if (m_state.LastComPort == 255 && m_modem->networkConnected()) {
            InitModem();
            return;
        }
        OpenComPort();
        // The network modem initialises itself once connected.
        if (m_state.LastComPort != 255)
            InitModem();
    } else {
        ModemInit::showHeldElsewhere(*m_modemHost, owner, sibling);
        if (!sibling)
            m_modem->init().watchHolder(owner);
        m_state.LastComPort = 0;
        OpenComPort();
    }
}

void frmMain::OpenComPort()
{
    m_modem->OpenComPort();
}

void frmMain::InitModem()
{
    m_modem->init().ModemNotFoundText = texts.ModemNotFoundText;
    m_modem->InitModem();
}

void frmMain::TimerCom_Timer()
{
    m_modem->dispatcher().TimerCom_Timer();
}

void frmMain::TimerSEND_SMS_Timer()
{
    m_modem->dispatcher().TimerSEND_SMS_Timer();
}

void frmMain::closeSerialPort()
{
    m_modem->shutdown();
}

bool frmMain::exchangeInProgress() const
{
    return m_modem && m_modem->exchangeActive();
}

void frmMain::Write2StatusBox(const QString &MessageEntry)
{
    txtMessages->moveCursor(QTextCursor::End);
    txtMessages->insertPlainText(MessageEntry);
    txtMessages->moveCursor(QTextCursor::End);
    txtMessages->repaint();
}

void frmMain::SendData(const QString &text)
{
    m_modem->SendData(text.toLatin1());
}

QString frmMain::Get_CMGS()
{
    return m_modem->Get_CMGS();
}

void frmMain::Read_SMS_MessageTEXT()
{
    m_modem->dispatcher().receiver().Read_SMS_MessageTEXT();
}

} // namespace portiva

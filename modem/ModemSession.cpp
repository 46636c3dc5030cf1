#include "modem/ModemSession.h"

#include "modem/DatabaseWatch.h"
#include "modem/LineReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemDispatcher.h"
#include "modem/ModemHost.h"
#include "modem/ModemInit.h"
#include "modem/ModemLink.h"
#include "modem/ReceivedSmsHandler.h"
#include "modem/SendQueue.h"
#include "modem/SmsSender.h"
#include "modem/TerminalLog.h"
#include "platform/link/LinkTexts.h"
#include "platform/link/SerialLink.h"
#include "platform/link/TcpLink.h"
#include "platform/ui/Dialogs.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTextEdit>
#include <QTimer>

namespace portiva
{

namespace
{
// The socket's own words are the system's, in English: the common causes get the operator's.
const QString kShow = QStringLiteral("Vis Modemkommunikasjon");
const QString kHide = QStringLiteral("Skjul Modemkommunikasjon");

void enable(QWidget *w, bool on)
{
    if (w)
        w->setEnabled(on);
}
void visible(QWidget *w, bool on)
{
    if (w)
        w->setVisible(on);
}
} // namespace

ModemSession::ModemSession(AppState &state, ModemHost &host, QTimer &TimerCom,
                           QTimer &TimerSEND_SMS, ModemFlags &flags,
                           std::unique_ptr<SerialChannel> serial,
                           std::unique_ptr<NetworkChannel> network, const ModemTiming &timing,
                           std::unique_ptr<ModemClock> clock, QObject *parent)
    : QObject(parent), m_state(state), m_host(host), m_timing(timing), m_serial(std::move(serial)),
      m_network(std::move(network)), m_clock(std::move(clock))
{
    if (auto *tcp = dynamic_cast<TcpLink *>(m_network.get()))
        tcp->setConnectLimit(m_timing.connectLimit);
    m_log = std::make_unique<TerminalLog>();
    m_exchange = std::make_unique<ExchangeState>(nullptr, flags);
    m_link = std::make_unique<ModemLink>(state, *m_serial, *m_network, *m_log, host);
    m_reader = std::make_unique<LineReader>(*m_link, *m_clock, *m_log, m_timing, *m_exchange);
    m_ctx.reset(new ModemContext{state, *m_link, *m_reader, *m_clock, m_timing, *m_exchange, host,
                                 TimerCom, TimerSEND_SMS});
    m_init = std::make_unique<ModemInit>(*m_ctx);
    m_sender = std::make_unique<SmsSender>(*m_ctx);
    m_queue = std::make_unique<SendQueue>(*m_ctx, *m_sender);
    m_drain = std::make_unique<ListingDrain>(*m_ctx);
    m_dispatcher = std::make_unique<ModemDispatcher>(*m_ctx, *m_queue, *m_drain);

    // A modem another workstation holds is let go as the load lets it go.
    m_init->ownedElsewhere = [this] {
        m_state.LastComPort = 0;
        OpenComPort();
    };
    // A late answer to a text may come while anything else reads the modem.
    m_reader->lineSeen = [this](const QString &line) { m_sender->lineRead(line); };
    m_exchange->stopLinePoll = [&TimerCom] { TimerCom.stop(); };
    m_exchange->dispatchNotice = [this](const QString &line) {
        m_dispatcher->ModemResponse_Change(line);
    };
    m_exchange->onIdle = [this] {
        if (m_lossPending) {
            m_lossPending = false;
            QMetaObject::invokeMethod(this, &ModemSession::linkLossStep, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(this, &ModemSession::exchangeEnded, Qt::QueuedConnection);
    };
    connect(m_link.get(), &ModemLink::linkLostNow, this, &ModemSession::linkLossStep);
    connect(m_network.get(), &NetworkChannel::connected, this, &ModemSession::Winsock1_Connect);
    connect(m_network.get(), &NetworkChannel::failed, this, &ModemSession::Winsock1_Error);
    connect(m_network.get(), &NetworkChannel::peerClosed, this, &ModemSession::Winsock1_Close);
    m_dbWatch = std::make_unique<DatabaseWatch>(state, host);
    connect(&TimerCom, &QTimer::timeout, this,
            [this] { m_dbWatch->tick([this] { m_dispatcher->TimerCom_Timer(); }); });
    connect(&TimerSEND_SMS, &QTimer::timeout, this,
            [this] { m_dbWatch->tick([this] { m_dispatcher->TimerSEND_SMS_Timer(); }); });
    connect(m_log.get(), &TerminalLog::changed, this, &ModemSession::showTerminal);
}

ModemSession::~ModemSession() = default;

void ModemSession::setWidgets(const ModemWidgets &widgets)
{
    m_w = widgets;
}

void ModemSession::setReceiver(ReceivedSmsHandler &receiver)
{
    m_dispatcher->setReceiver(receiver);
}

void ModemSession::showTerminal()
{
    if (!m_w.rtfTerminalScreen)
        return;
    m_w.rtfTerminalScreen->setPlainText(TerminalLog::displayText(m_log->text()));
    m_w.rtfTerminalScreen->moveCursor(QTextCursor::End);
}

bool ModemSession::defer(const char *key, void (ModemSession::*handler)())
{
    return m_exchange->deferIfBusy(QString::fromLatin1(key),
                                   [this, handler] { (this->*handler)(); });
}

ModemSession::ChoiceScope::~ChoiceScope()
{
    m_init.explicitChoice = false;
}

ModemSession::ChoiceScope ModemSession::operatorChoice()
{
    m_init->explicitChoice = true;
    return ChoiceScope(*m_init);
}

bool ModemSession::exchangeActive() const
{
    return m_exchange->active();
}

QString ModemSession::serialDevice(int n) const
{
    return serialDeviceFor(n, m_deviceSetting ? m_deviceSetting(n) : QString());
}

QString ModemSession::linkName() const
{
    // A typed port may be 1 to 4 as well: the box names the item that was chosen.
    if (m_otherChosen)
        return QStringLiteral("ComOther");
    const int n = m_state.LastComPort;
    if (n >= 1 && n <= 4)
        return QStringLiteral("Com%1").arg(n);
    if (n == 0)
        return QStringLiteral("ComNone");
    if (n == 255)
        return QStringLiteral("ComWinsock");
    return QStringLiteral("ComOther");
}

void ModemSession::linkErrorBox(const QString &description)
{
    // The box goes when it is answered; the status box keeps why the modem has no link.
    m_host.Write2StatusBox(description + QStringLiteral("\r\n"));
    dialogs().msgBox(description + u'\r' + linkName());
}

void ModemSession::linkChanged()
{
    // Another choice may be another modem: its quirks are learnt anew.
    if (m_openedChoice != m_state.LastComPort) {
        m_sender->cmgsQuoted = false;
        m_sender->forgetUnanswered();
        m_dispatcher->resetLinkQuirks();
    }
    m_openedChoice = m_state.LastComPort;
}

void ModemSession::OpenComPort()
{
    disconnectNow();
    closeSerialPort();
    linkChanged();
    const int n = m_state.LastComPort;
    if (n >= 1 && n <= 254) {
        const QString device = serialDevice(n);
        try {
            m_serial->open(device);
            m_link->setLinkLost(false);
        } catch (const LinkError &e) {
            linkErrorBox(e.description());
        }
        disconnectNow();
    } else if (n == 255) {
        connectNow();
    }
    QAction *items[] = {m_w.mnuComPortCom[0], m_w.mnuComPortCom[1],  m_w.mnuComPortCom[2],
                        m_w.mnuComPortCom[3], m_w.mnuComPortComNone, m_w.mnuComPortComOther,
                        m_w.mnuComPortWinsock};
    for (QAction *a : items) {
        if (a)
            a->setChecked(false);
    }
    QAction *mark = nullptr;
    if (n == 0)
        mark = m_w.mnuComPortComNone;
    else if (n >= 1 && n <= 4)
        mark = m_w.mnuComPortCom[n - 1];
    else if (n == 255)
        mark = m_w.mnuComPortWinsock;
    else if (n == m_state.OtherComPort)
        mark = m_w.mnuComPortComOther;
    if (mark)
        mark->setChecked(true);
    if (m_w.mnuComPortComOther && m_state.OtherComPort >= 1 && m_state.OtherComPort <= 254)
        m_w.mnuComPortComOther->setToolTip(serialDevice(m_state.OtherComPort));
    showNetworkGroup(n == 255);
    if (n != 255) {
        visible(m_w.cmdConnect, false);
        visible(m_w.cmdDisconnect, false);
    }
}

void ModemSession::showNetworkGroup(bool on)
{
    for (QWidget *w : m_w.networkGroup)
        visible(w, on);
    // The terminal view belongs to the group: the button's caption says what a click does.
    if (m_w.ComShowCom && m_w.rtfTerminalScreen)
        m_w.ComShowCom->setText(m_w.rtfTerminalScreen->isHidden() ? kShow : kHide);
}

void ModemSession::mnuComPortCom_Click(int n)
{
    if (m_exchange->deferIfBusy(QStringLiteral("mnuComPortCom%1").arg(n),
                                [this, n] { mnuComPortCom_Click(n); }))
        return;
    const auto chosen = operatorChoice();
    m_state.LastComPort = n;
    OpenComPort();
    InitModem();
}

void ModemSession::mnuComPortComNone_Click()
{
    if (defer("mnuComPortComNone", &ModemSession::mnuComPortComNone_Click))
        return;
    m_state.LastComPort = 0;
    OpenComPort();
    InitModem();
}

void ModemSession::mnuComPortComOther_Click()
{
    if (defer("mnuComPortComOther", &ModemSession::mnuComPortComOther_Click))
        return;
    const QString answer =
        dialogs()
            .inputBox(m_portPromptText, QStringLiteral("Com Port"), QStringLiteral("5"))
            .value_or(QString());
    static const QRegularExpression whole(QStringLiteral("^\\s*\\d{1,3}\\s*$"));
    const int n = whole.match(answer).hasMatch() ? answer.trimmed().toInt() : -1;
    if (n < 1 || n > 254) {
        dialogs().msgBox(comPortRangeText() + QStringLiteral("\rComOther"));
        return;
    }
    const auto chosen = operatorChoice();
    m_state.OtherComPort = n;
    m_state.LastComPort = n;
    if (m_w.mnuComPortComOther)
        m_w.mnuComPortComOther->setText(QStringLiteral("ComOther(%1)").arg(n));
    {
        m_otherChosen = true;
        const auto reset = qScopeGuard([this] { m_otherChosen = false; });
        OpenComPort();
    }
    InitModem();
}

void ModemSession::mnuComPortWinsock_Click()
{
    if (defer("mnuComPortWinsock", &ModemSession::mnuComPortWinsock_Click))
        return;
    showNetworkGroup(true);
    const QString title = QStringLiteral("Nettverksmodem");
    const QString host = dialogs()
                             .inputBox(QStringLiteral("Vertsnavn (eller IP adresse)"), title,
                                       m_w.txtHostName ? m_w.txtHostName->text() : m_state.HostName)
                             .value_or(QString());
    if (host.isEmpty())
        return;
    const QString port = dialogs()
                             .inputBox(QStringLiteral("Port Nummer"), title,
                                       m_w.txtPort ? m_w.txtPort->text() : m_state.Port)
                             .value_or(QString());
    if (port.isEmpty())
        return;
    const auto chosen = operatorChoice();
    m_state.LastComPort = 255;
    m_state.HostName = host;
    m_state.Port = port;
    if (m_w.txtHostName)
        m_w.txtHostName->setText(host);
    if (m_w.txtPort)
        m_w.txtPort->setText(port);
    OpenComPort();
}

void ModemSession::cmdConnect_Click()
{
    if (defer("cmdConnect_Click", &ModemSession::cmdConnect_Click))
        return;
    connectNow();
}

void ModemSession::connectNow()
{
    const QString host = m_w.txtHostName ? m_w.txtHostName->text() : m_state.HostName;
    const QString portText = m_w.txtPort ? m_w.txtPort->text() : m_state.Port;
    static const QRegularExpression whole(QStringLiteral("^\\s*\\d{1,5}\\s*$"));
    if (!whole.match(portText).hasMatch()) {
        dialogs().msgBox(QStringLiteral("default telnet port er 23. Ikke skriv tekst her!!."));
        return;
    }
    const int port = portText.trimmed().toInt();
    if (port < 1 || port > 65535) {
        dialogs().msgBox(tcpPortRangeText(portText.trimmed()));
        return;
    }
    m_host.setWaitCursor(true);
    enable(m_w.cmdConnect, false);
    enable(m_w.txtHostName, false);
    enable(m_w.txtPort, false);
    enable(m_w.Command2, true);
    enable(m_w.Command3, true);
    m_log->clear();
    const QString target =
        QStringLiteral("Kobler til: ") + host + QStringLiteral(" Port ") + portText;
    m_host.Write2StatusBox(target + QStringLiteral("\r\n"));
    if (dialogs().msgBox(target, Dialogs::Buttons::OkCancel) == Dialogs::Answer::Ok) {
        enable(m_w.cmdConnect, false);
        visible(m_w.cmdConnect, false);
        enable(m_w.cmdDisconnect, true);
        visible(m_w.cmdDisconnect, true);
        m_state.HostName = host;
        m_state.Port = portText;
        m_state.LastComPort = 255;
        linkChanged();
        if (!connectWithin(host, quint16(port)))
            return;
        m_clock->pause(m_timing.connectPause);
        InitModem();
    } else {
        visible(m_w.cmdConnect, true);
        enable(m_w.cmdConnect, true);
        visible(m_w.cmdDisconnect, false);
        enable(m_w.cmdDisconnect, false);
    }
}

bool ModemSession::connectWithin(const QString &host, quint16 port)
{
    m_connectFailure.reset();
    m_connecting = true;
    m_network->connectToHost(host, port);
    // Bounded here too: a modem that never answers must not leave the operator waiting on an
    // initialisation that has nothing to talk to.
    const qint64 end = m_clock->now() + m_timing.connectLimit;
    while (m_network->state() != NetworkChannel::Connected && !m_connectFailure &&
           m_clock->now() < end) {
        m_clock->pump();
        m_clock->pause(m_timing.lineSleepNetwork);
    }
    m_connecting = false;
    if (m_network->state() == NetworkChannel::Connected)
        return true;
    const int number = m_connectFailure ? m_connectFailure->first : 10060;
    const QString why = m_connectFailure ? m_connectFailure->second
                                         : socketFailureReason(QAbstractSocket::SocketTimeoutError);
    m_network->close();
    m_host.setWaitCursor(false);
    idleButtons();
    m_state.ModemReady = false;
    m_host.Write2StatusBox(QStringLiteral("En Winsock feil er oppstått.  Feil No. ") +
                           QString::number(number) + u' ' + why + QStringLiteral("\r\n"));
    m_host.OpenMainRecordsets();
    m_host.setStatusPanel(1, noModemText());
    dialogs().msgBox(networkModemUnreachableText(host, port, why));
    return false;
}

QString comPortRangeText()
{
    return phrase(u"Porten er ikke byttet: en COM-port er et tall fra 1 til 254.",
                  u"Porten er ikke skiftet: en COM-port er et tal fra 1 til 254.",
                  u"Porten har inte bytts: en COM-port är ett tal från 1 till 254.");
}

QString tcpPortRangeText(const QString &typed)
{
    return phrase(u"Portnummeret %1 finnes ikke: en TCP-port er et tall fra 1 til 65535 "
                  u"(telnet bruker 23).",
                  u"Portnummeret %1 findes ikke: en TCP-port er et tal fra 1 til 65535 "
                  u"(telnet bruger 23).",
                  u"Portnumret %1 finns inte: en TCP-port är ett tal från 1 till 65535 "
                  u"(telnet använder 23).")
        .arg(typed);
}

QString noModemText()
{
    return phrase(u"Ingen modem", u"Intet modem", u"Inget modem");
}

QString networkModemUnreachableText(const QString &host, quint16 port, const QString &why)
{
    return phrase(u"Fikk ikke kontakt med nettverksmodemet på %1, port %2 (%3).\n"
                  u"Sjekk at modemet er slått på og koblet til nettet, og at vertsnavn og "
                  u"portnummer er riktige. Programmet har ikke noe modem nå.",
                  u"Fik ikke forbindelse til netværksmodemet på %1, port %2 (%3).\n"
                  u"Kontrollér at modemet er tændt og sluttet til nettet, og at værtsnavn og "
                  u"portnummer er rigtige. Programmet har intet modem nu.",
                  u"Fick ingen kontakt med nätverksmodemet på %1, port %2 (%3).\n"
                  u"Kontrollera att modemet är påslaget och anslutet till nätet, och att "
                  u"värdnamn och portnummer är rätt. Programmet har inget modem nu.")
        .arg(host)
        .arg(port)
        .arg(why);
}

void ModemSession::idleButtons()
{
    visible(m_w.cmdConnect, true);
    enable(m_w.cmdConnect, true);
    enable(m_w.txtHostName, true);
    enable(m_w.txtPort, true);
    enable(m_w.Command2, false);
    enable(m_w.Command3, false);
    enable(m_w.cmdDisconnect, false);
    visible(m_w.cmdDisconnect, false);
}

void ModemSession::cmdDisconnect_Click()
{
    if (defer("cmdDisconnect_Click", &ModemSession::cmdDisconnect_Click))
        return;
    disconnectNow();
}

void ModemSession::disconnectNow()
{
    m_host.Write2StatusBox(QStringLiteral("Frakoblet fra modem\r\n"));
    idleButtons();
    if (networkConnected()) {
        m_state.LastComPort = 0;
        InitModem();
    }
    m_network->close();
}

bool ModemSession::networkConnected() const
{
    return m_network->state() == NetworkChannel::Connected;
}

void ModemSession::Command2_Click()
{
    if (networkConnected())
        SendData(QByteArray("AT\r"));
}

void ModemSession::Command3_Click()
{
    if (defer("Command3_Click", &ModemSession::Command3_Click))
        return;
    InitModem();
}

void ModemSession::ComShowCom_Click()
{
    if (!m_w.ComShowCom)
        return;
    const bool show = m_w.ComShowCom->text().compare(kHide, Qt::CaseInsensitive) != 0;
    visible(m_w.rtfTerminalScreen, show);
    m_w.ComShowCom->setText(show ? kHide : kShow);
}

void ModemSession::Image_Click()
{
    ComShowCom_Click();
    visible(m_w.ComShowCom, m_w.rtfTerminalScreen && m_w.rtfTerminalScreen->isVisible());
}

void ModemSession::mnuSMSSendingsbekreftelseAv_Click()
{
    if (defer("mnuSMSSendingsbekreftelseAv_Click",
              &ModemSession::mnuSMSSendingsbekreftelseAv_Click))
        return;
    m_state.SMSREPORT = false;
    if (m_w.mnuSMSSendingsbekreftelseAv)
        m_w.mnuSMSSendingsbekreftelseAv->setChecked(true);
    if (m_w.mnuSMSSendingsbekreftelsePå)
        m_w.mnuSMSSendingsbekreftelsePå->setChecked(false);
    InitModem();
}

void ModemSession::mnuSMSSendingsbekreftelsePå_Click()
{
    if (defer("mnuSMSSendingsbekreftelsePå_Click",
              &ModemSession::mnuSMSSendingsbekreftelsePå_Click))
        return;
    m_state.SMSREPORT = true;
    if (m_w.mnuSMSSendingsbekreftelseAv)
        m_w.mnuSMSSendingsbekreftelseAv->setChecked(false);
    if (m_w.mnuSMSSendingsbekreftelsePå)
        m_w.mnuSMSSendingsbekreftelsePå->setChecked(true);
    InitModem();
}

void ModemSession::InitModem()
{
    m_init->InitModem();
}

void ModemSession::SendData(const QByteArray &OutString)
{
    m_link->SendData(OutString);
}

QString ModemSession::Get_CMGS()
{
    return m_sender->Get_CMGS();
}

void ModemSession::closeSerialPort()
{
    if (m_serial->isOpen())
        m_serial->close();
}

void ModemSession::shutdown()
{
    m_init->stopRenewal();
    m_ctx->TimerSEND_SMS.stop();
    m_ctx->TimerCom.stop();
    closeSerialPort();
    m_network->close();
}

void ModemSession::Winsock1_Connect()
{
    m_host.Write2StatusBox(QStringLiteral("Tilkobling til modem er vellykket\r\n"));
    enable(m_w.cmdDisconnect, true);
}

void ModemSession::Winsock1_Error(int number, const QString &description)
{
    if (m_connecting) {
        // connectWithin says it, with the host and port the operator chose.
        m_connectFailure.emplace(number, description);
        return;
    }
    m_host.Write2StatusBox(QStringLiteral("En Winsock feil er oppstått.  Feil No. ") +
                           QString::number(number) + u' ' + description + QStringLiteral("\r\n"));
    m_host.setWaitCursor(false);
    idleButtons();
    m_network->close();
}

void ModemSession::Winsock1_Close()
{
    // The peer went away: the socket is already closed, the choice stays the network.
    disconnectNow();
}

void ModemSession::linkLossStep()
{
    if (m_exchange->active()) {
        m_lossPending = true;
        return;
    }
    if (!m_state.ModemReady)
        return;
    try {
        m_init->linkDown();
    } catch (const std::exception &) {
        // the row stays as it was; the modem is not ready all the same
    }
    m_host.OpenMainRecordsets();
}

} // namespace portiva

#pragma once

#include "modem/ExchangeGuard.h"
#include "modem/ModemContext.h"
#include "modem/ModemTiming.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;
class QWidget;

namespace portiva
{

struct AppState;
class ModemHost;
class SerialChannel;
class NetworkChannel;
class ModemClock;
class TerminalLog;
class ModemLink;
class LineReader;
class ModemInit;
class SmsSender;
class SendQueue;
class ModemDispatcher;
class DatabaseWatch;
class ReceivedSmsHandler;
class ListingDrain;

// The window's controls the link handlers change; any may be missing.
// The box shown when the network modem at host and port could not be reached, and why.
QString networkModemUnreachableText(const QString &host, quint16 port, const QString &why);
// The refusal of a typed TCP port that is a number but not one of 1-65535.
QString tcpPortRangeText(const QString &typed);
// The refusal of a typed COM port that is not a whole number from 1 to 254.
QString comPortRangeText();
// The status bar's modem panel when this workstation has no modem.
QString noModemText();

struct ModemWidgets {
    QAction *mnuComPortCom[4] = {};
    QAction *mnuComPortComNone = nullptr, *mnuComPortComOther = nullptr,
            *mnuComPortWinsock = nullptr;
    QAction *mnuSMSSendingsbekreftelseAv = nullptr, *mnuSMSSendingsbekreftelsePå = nullptr;
    QLineEdit *txtHostName = nullptr, *txtPort = nullptr;
    QPushButton *cmdConnect = nullptr, *cmdDisconnect = nullptr, *Command2 = nullptr,
                *Command3 = nullptr, *ComShowCom = nullptr;
    QTextEdit *rtfTerminalScreen = nullptr;
    // The network-modem group shown only while the network modem is chosen.
    QList<QWidget *> networkGroup;
    QWidget *window = nullptr; // takes the hourglass
};

// Everything of the modem dialogue the main window owns, with the link handlers of its
// menus and buttons.
class ModemSession : public QObject
{
    Q_OBJECT
public:
    ModemSession(AppState &state, ModemHost &host, QTimer &TimerCom, QTimer &TimerSEND_SMS,
                 ModemFlags &flags, std::unique_ptr<SerialChannel> serial,
                 std::unique_ptr<NetworkChannel> network, const ModemTiming &timing,
                 std::unique_ptr<ModemClock> clock, QObject *parent = nullptr);
    ~ModemSession() override;

    void setWidgets(const ModemWidgets &widgets);
    // Reads the setting SerialDevice<n>; without it the default device is used.
    void setSerialDeviceSetting(std::function<QString(int)> lookup)
    {
        m_deviceSetting = std::move(lookup);
    }
    void setPortPromptText(const QString &text) { m_portPromptText = text; }
    void setReceiver(ReceivedSmsHandler &receiver);

    // Link (each deferred while an exchange runs).
    void OpenComPort();
    void mnuComPortCom_Click(int n);
    void mnuComPortComNone_Click();
    void mnuComPortComOther_Click();
    void mnuComPortWinsock_Click();
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void Command2_Click();
    void Command3_Click();
    void ComShowCom_Click();
    void Image_Click();
    void mnuSMSSendingsbekreftelseAv_Click();
    void mnuSMSSendingsbekreftelsePå_Click();

    void InitModem();
    void SendData(const QByteArray &OutString);
    QString Get_CMGS();
    // Stops both timers and closes both links (the window's unload).
    void shutdown();
    void closeSerialPort();
    bool exchangeActive() const;
    bool networkConnected() const;
    QString serialDevice(int n) const;

    AppState &state() { return m_state; }
    ModemContext &context() { return *m_ctx; }
    ModemLink &link() { return *m_link; }
    LineReader &reader() { return *m_reader; }
    TerminalLog &terminal() { return *m_log; }
    ExchangeState &exchange() { return *m_exchange; }
    ModemInit &init() { return *m_init; }
    SmsSender &sender() { return *m_sender; }
    SendQueue &queue() { return *m_queue; }
    ModemDispatcher &dispatcher() { return *m_dispatcher; }
    SerialChannel &serialChannel() { return *m_serial; }
    NetworkChannel &networkChannel() { return *m_network; }
    ModemClock &clock() { return *m_clock; }
    const ModemTiming &timing() const { return m_timing; }

signals:
    // The last exchange has ended (a close asked for meanwhile may go ahead).
    void exchangeEnded();

private:
    void Winsock1_Connect();
    void Winsock1_Error(int number, const QString &description);
    void Winsock1_Close();
    void linkLossStep();
    void disconnectNow();
    void connectNow();
    // Connects to the network modem, waiting at most the connect limit; a refusal or no answer
    // closes the link and is said in a box naming host and port. Whether it is connected.
    bool connectWithin(const QString &host, quint16 port);
    void openNow();
    void linkChanged();
    void showNetworkGroup(bool on);
    void idleButtons();
    void linkErrorBox(const QString &description);
    QString linkName() const;
    bool defer(const char *key, void (ModemSession::*handler)());
    // While it lives, the initialisation runs for the operator's own choice of the link.
    struct ChoiceScope {
        explicit ChoiceScope(ModemInit &init) : m_init(init) {}
        ~ChoiceScope();
        ChoiceScope(const ChoiceScope &) = delete;
        ChoiceScope &operator=(const ChoiceScope &) = delete;
        ModemInit &m_init;
    };
    ChoiceScope operatorChoice();
    void showTerminal();

    AppState &m_state;
    ModemHost &m_host;
    ModemTiming m_timing;
    std::unique_ptr<SerialChannel> m_serial;
    std::unique_ptr<NetworkChannel> m_network;
    std::unique_ptr<ModemClock> m_clock;
    std::unique_ptr<TerminalLog> m_log;
    std::unique_ptr<ExchangeState> m_exchange;
    std::unique_ptr<ModemLink> m_link;
    std::unique_ptr<LineReader> m_reader;
    std::unique_ptr<ModemContext> m_ctx;
    std::unique_ptr<ModemInit> m_init;
    std::unique_ptr<SmsSender> m_sender;
    std::unique_ptr<SendQueue> m_queue;
    std::unique_ptr<ListingDrain> m_drain;
    std::unique_ptr<ModemDispatcher> m_dispatcher;
    std::unique_ptr<DatabaseWatch> m_dbWatch;
    ModemWidgets m_w;
    std::function<QString(int)> m_deviceSetting;
    QString m_portPromptText = QStringLiteral("Velg Com Port");
    int m_openedChoice = -1;
    bool m_lossPending = false;
    bool m_otherChosen = false; // OpenComPort runs for the Other item
    bool m_connecting = false;
    std::optional<std::pair<int, QString>> m_connectFailure;
};

} // namespace portiva

#pragma once

#include "platform/link/Channels.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

namespace portiva
{

struct AppState;
class ModemHost;
class TerminalLog;

// The one link to the modem: the serial port for a LastComPort below 255, the network modem
// for 255. Holds the network receive buffer and writes the terminal echo.
class ModemLink : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype BufferCap = 1024 * 1024;
    // How often unread data was cut away at the cap: a line awaited meanwhile may be lost.
    quint64 cuts() const { return m_cuts; }

    ModemLink(AppState &state, SerialChannel &serial, NetworkChannel &network, TerminalLog &log,
              ModemHost &host, QObject *parent = nullptr);

    AppState &state() { return m_state; }
    SerialChannel &MSComm1() { return m_serial; }
    NetworkChannel &Winsock1() { return m_network; }
    bool isNetwork() const;
    // InitModem's link test: the socket not closed, or the serial port open.
    bool linkUp() const;

    // Writes to the chosen link and echoes "==>". Network: dropped silently unless
    // connected. Serial: throws LinkError when closed; a failed write is also a link loss.
    // False when the text was dropped.
    bool SendData(const QByteArray &OutString);

    QByteArray NetworkReceiveBuffer;

    bool linkLost() const { return m_linkLost; }
    void setLinkLost(bool lost) { m_linkLost = lost; }

signals:
    // Peer close, socket error, unplugged serial device or a failed serial write.
    void linkLostNow();

private:
    quint64 m_cuts = 0;
    void onData(const QByteArray &bytes);

    AppState &m_state;
    SerialChannel &m_serial;
    NetworkChannel &m_network;
    TerminalLog &m_log;
    ModemHost &m_host;
    bool m_linkLost = false;
};

} // namespace portiva

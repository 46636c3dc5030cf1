#include "modem/ModemLink.h"

#include "modem/ModemHost.h"
#include "modem/TerminalLog.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

namespace portiva
{

ModemLink::ModemLink(AppState &state, SerialChannel &serial, NetworkChannel &network,
                     TerminalLog &log, ModemHost &host, QObject *parent)
    : QObject(parent), m_state(state), m_serial(serial), m_network(network), m_log(log),
      m_host(host)
{
    connect(&m_network, &NetworkChannel::dataArrived, this, &ModemLink::onData);
    connect(&m_network, &NetworkChannel::connected, this, [this] { m_linkLost = false; });
    auto lost = [this] {
        m_linkLost = true;
        emit linkLostNow();
    };
    connect(&m_network, &NetworkChannel::failed, this, lost);
    connect(&m_network, &NetworkChannel::peerClosed, this, lost);
    connect(&m_serial, &SerialChannel::resourceLost, this, lost);
}

bool ModemLink::isNetwork() const
{
    return m_state.LastComPort == 255;
}

bool ModemLink::linkUp() const
{
    if (isNetwork())
        return m_network.state() != NetworkChannel::Closed;
    return m_state.LastComPort != 0 && m_serial.isOpen();
}

bool ModemLink::SendData(const QByteArray &OutString)
{
    bool written = true;
    if (isNetwork()) {
        written = m_network.state() == NetworkChannel::Connected;
        if (written)
            m_network.write(OutString);
    } else {
        try {
            m_serial.write(OutString);
        } catch (const LinkError &) {
            if (!m_linkLost) {
                m_linkLost = true;
                emit linkLostNow();
            }
            throw;
        }
    }
    m_log.echoSent(OutString);
    return written;
}

void ModemLink::onData(const QByteArray &bytes)
{
    NetworkReceiveBuffer.append(bytes);
    if (NetworkReceiveBuffer.size() <= BufferCap)
        return;
    // No listing comes near this size: what lies before the last line end is old noise, and
    // so is all of it when no line end came at all (else it would grow without bound).
    ++m_cuts;
    const qsizetype cr = NetworkReceiveBuffer.lastIndexOf('\r');
    NetworkReceiveBuffer.remove(0, cr >= 0 ? cr + 1 : NetworkReceiveBuffer.size());
    // The memory the cut-off data held goes back, not only the bytes.
    NetworkReceiveBuffer.squeeze();
    m_host.Write2StatusBox(phrase(u"Mottaksbuffer over 1 MiB: eldre data forkastet",
                                  u"Modtagebuffer over 1 MiB: ældre data kasseret",
                                  u"Mottagningsbuffert över 1 MiB: äldre data kastade") +
                           QStringLiteral("\r\n"));
}

} // namespace portiva

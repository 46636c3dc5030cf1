#include "modem/FakeLink.h"

#include "platform/link/LinkTexts.h"

namespace portiva
{

void FakeSerialChannel::deliver(qint64 now)
{
    while (!script.pending.empty() && script.pending.front().at <= now) {
        if (m_open)
            inbox.append(script.pending.front().bytes);
        script.pending.pop_front();
    }
}

void FakeSerialChannel::open(const QString &device)
{
    openedDevice = device;
    if (failOpen)
        throw LinkError(serialOpenFailureText(
            device, serialFailureReason(QSerialPort::DeviceNotFoundError, true)));
    m_open = true;
}

bool FakeSerialChannel::getChar(char *c)
{
    if (!m_open || inbox.isEmpty())
        return false;
    *c = inbox.at(0);
    inbox.remove(0, 1);
    return true;
}

bool FakeSerialChannel::peekChar(char *c)
{
    if (!m_open || inbox.isEmpty())
        return false;
    *c = inbox.at(0);
    return true;
}

void FakeSerialChannel::write(const QByteArray &bytes)
{
    if (!m_open)
        throw LinkError(serialWriteFailureText(
            openedDevice, serialFailureReason(QSerialPort::NotOpenError, true)));
    script.written += bytes;
    if (script.onWrite)
        script.onWrite(bytes);
}

void FakeSerialChannel::unplug()
{
    m_open = false;
    emit resourceLost();
}

void FakeNetworkChannel::deliver(qint64 now)
{
    while (!script.pending.empty() && script.pending.front().at <= now) {
        const QByteArray b = script.pending.front().bytes;
        script.pending.pop_front();
        emit dataArrived(b);
    }
}

void FakeNetworkChannel::connectToHost(const QString &h, quint16 p)
{
    host = h;
    port = p;
    if (refuseWith) {
        fakeState = Closed;
        // Told as the real link tells it: the number's kind in the chosen language.
        const auto kind = refuseWith == 11001   ? QAbstractSocket::HostNotFoundError
                          : refuseWith == 10060 ? QAbstractSocket::SocketTimeoutError
                                                : QAbstractSocket::ConnectionRefusedError;
        emit failed(refuseWith, socketFailureReason(kind));
        return;
    }
    fakeState = connectAtOnce ? Connected : Other;
    if (connectAtOnce)
        emit connected();
}

void FakeNetworkChannel::write(const QByteArray &bytes)
{
    if (fakeState != Connected)
        return;
    script.written += bytes;
    if (script.onWrite)
        script.onWrite(bytes);
}

void FakeNetworkChannel::dropByPeer()
{
    fakeState = Closed;
    emit peerClosed();
}

} // namespace portiva

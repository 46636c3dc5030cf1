#include "platform/link/TcpLink.h"

#include "platform/link/LinkTexts.h"

#include <QTcpSocket>
#include <QTimer>

namespace portiva
{

TcpLink::TcpLink(QObject *parent, int connectLimitMs)
    : NetworkChannel(parent), m_socket(new QTcpSocket(this)), m_connectTimer(new QTimer(this)),
      m_connectLimitMs(connectLimitMs)
{
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, [this] {
        // Qt has no connect time-out of its own: without this "connecting" would count as up
        // for minutes.
        m_closingLocally = true;
        m_socket->abort();
        m_closingLocally = false;
        emit failed(10060, socketFailureReason(QAbstractSocket::SocketTimeoutError));
    });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer->stop();
        emit connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this,
            [this] { emit dataArrived(m_socket->readAll()); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpLink::onError);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpLink::onDisconnected);
}

void TcpLink::connectToHost(const QString &host, quint16 port)
{
    m_closingLocally = true;
    m_socket->abort();
    m_closingLocally = false;
    m_socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    m_connectTimer->start(m_connectLimitMs);
}

int TcpLink::state() const
{
    switch (m_socket->state()) {
    case QAbstractSocket::UnconnectedState:
        return Closed;
    case QAbstractSocket::ConnectedState:
        return Connected;
    default:
        return Other;
    }
}

void TcpLink::write(const QByteArray &bytes)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes);
    m_socket->flush();
}

void TcpLink::close()
{
    m_connectTimer->stop();
    // Qt reports our own close as disconnected() too; it must not look like the peer's.
    m_closingLocally = true;
    m_socket->abort();
    m_closingLocally = false;
}

int TcpLink::errorNumber(QAbstractSocket::SocketError e)
{
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::NetworkError:
        return 10054;
    default:
        return 10000 + int(e);
    }
}

void TcpLink::onError(QAbstractSocket::SocketError e)
{
    if (m_closingLocally)
        return;
    m_connectTimer->stop();
    if (e == QAbstractSocket::RemoteHostClosedError)
        return; // reported by disconnected() as a close
    emit failed(errorNumber(e), socketFailureReason(e, m_socket->errorString()));
}

void TcpLink::onDisconnected()
{
    if (m_closingLocally)
        return;
    emit peerClosed();
}

} // namespace portiva

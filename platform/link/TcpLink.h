#pragma once

#include "platform/link/Channels.h"

#include <QAbstractSocket>

class QTcpSocket;
class QTimer;

namespace portiva
{

class TcpLink : public NetworkChannel
{
    Q_OBJECT
public:
    explicit TcpLink(QObject *parent = nullptr, int connectLimitMs = 20000);
    void connectToHost(const QString &host, quint16 port) override;
    int state() const override;
    void write(const QByteArray &bytes) override;
    void close() override;
    void setConnectLimit(int ms) { m_connectLimitMs = ms; }

    static int errorNumber(QAbstractSocket::SocketError e);

private:
    void onError(QAbstractSocket::SocketError e);
    void onDisconnected();

    QTcpSocket *m_socket;
    QTimer *m_connectTimer;
    int m_connectLimitMs;
    bool m_closingLocally = false;
};

} // namespace portiva

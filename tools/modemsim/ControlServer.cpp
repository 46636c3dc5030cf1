#include "tools/modemsim/ControlServer.h"

#include "tools/modemsim/ModemSim.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace portiva::modemsim
{

namespace
{
const qsizetype kMaxControlLine = 64 * 1024;
}

ControlServer::ControlServer(ModemSim &sim) : m_sim(sim), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ControlServer::onNewConnection);
}

bool ControlServer::listen(quint16 port)
{
    return m_server->isListening() || m_server->listen(QHostAddress::LocalHost, port);
}

quint16 ControlServer::port() const
{
    return m_server->serverPort();
}

void ControlServer::onNewConnection()
{
    while (QTcpSocket *s = m_server->nextPendingConnection()) {
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            while (s->canReadLine()) {
                const QString line = QString::fromUtf8(s->readLine()).trimmed();
                for (const QString &answer : m_sim.control(line))
                    s->write(answer.toUtf8() + '\n');
            }
            if (s->bytesAvailable() > kMaxControlLine) {
                s->readAll();
                s->write("ERR line too long\n");
            }
        });
    }
}

} // namespace portiva::modemsim

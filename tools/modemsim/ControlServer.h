#pragma once

#include <QObject>

class QTcpServer;

namespace portiva::modemsim
{

class ModemSim;

// The control channel on loopback: each line from any client goes to ModemSim::control and its
// answer lines go back to that client.
class ControlServer : public QObject
{
    Q_OBJECT
public:
    explicit ControlServer(ModemSim &sim);
    bool listen(quint16 port);
    quint16 port() const;

private:
    void onNewConnection();

    ModemSim &m_sim;
    QTcpServer *m_server;
};

} // namespace portiva::modemsim

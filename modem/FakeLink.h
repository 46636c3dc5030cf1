#pragma once

#include "platform/link/Channels.h"

#include <QByteArray>
#include <deque>
#include <functional>

namespace portiva
{

// Scripted bytes with arrival times, for both link kinds; the test's virtual clock calls
// deliver(now) from its pump. onWrite lets a test answer what the program writes.
struct ScriptedBytes {
    struct Chunk {
        qint64 at;
        QByteArray bytes;
    };
    std::deque<Chunk> pending;
    QByteArray written;
    std::function<void(const QByteArray &)> onWrite;
    void add(qint64 at, const QByteArray &bytes) { pending.push_back({at, bytes}); }
};

class FakeSerialChannel : public SerialChannel
{
    Q_OBJECT
public:
    using SerialChannel::SerialChannel;
    ScriptedBytes script;
    QByteArray inbox; // arrived, not yet read
    QString openedDevice;
    bool failOpen = false;

    void deliver(qint64 now);
    void open(const QString &device) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 bytesAvailable() const override { return m_open ? inbox.size() : 0; }
    bool getChar(char *c) override;
    bool peekChar(char *c) override;
    void write(const QByteArray &bytes) override;
    void unplug();

private:
    bool m_open = false;
};

class FakeNetworkChannel : public NetworkChannel
{
    Q_OBJECT
public:
    using NetworkChannel::NetworkChannel;
    ScriptedBytes script;
    int fakeState = Closed;
    QString host;
    quint16 port = 0;
    bool connectAtOnce = true;
    int refuseWith = 0; // a socket error number: the connection is refused with it at once

    void deliver(qint64 now);
    void connectToHost(const QString &h, quint16 p) override;
    int state() const override { return fakeState; }
    void write(const QByteArray &bytes) override;
    void close() override { fakeState = Closed; }
    void dropByPeer();
};

} // namespace portiva

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace portiva
{

// A failure of the link itself (port missing or busy, write on a closed port). description()
// names the device and says why, in the chosen language; the window adds the link's name.
class LinkError : public std::runtime_error
{
public:
    explicit LinkError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    const QString &description() const noexcept { return m_description; }

private:
    QString m_description;
};

// The serial modem port as the modem code uses it: one byte at a time, bytes arriving only
// while events run.
class SerialChannel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens 9600,N,8,1 on the device path; throws LinkError saying why it could not.
    virtual void open(const QString &device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual bool getChar(char *c) = 0;
    // The next waiting byte without taking it.
    virtual bool peekChar(char *c) = 0;
    // Writes and flushes; throws LinkError when the port is closed or the write fails.
    virtual void write(const QByteArray &bytes) = 0;

signals:
    // The device went away (unplugged): the port is already closed.
    void resourceLost();
};

// The network modem: a raw TCP stream.
class NetworkChannel : public QObject
{
    Q_OBJECT
public:
    enum State { Closed = 0, Connected = 7, Other = 1 };
    using QObject::QObject;
    virtual void connectToHost(const QString &host, quint16 port) = 0;
    // 0 closed, 7 connected, anything else on the way up or down.
    virtual int state() const = 0;
    virtual void write(const QByteArray &bytes) = 0;
    // Closes without reporting the close as the peer's.
    virtual void close() = 0;

signals:
    void connected();
    void dataArrived(const QByteArray &bytes);
    // Socket error with the number the status box shows (10061 refused, 10060 timed out ...)
    // and why, in the chosen language.
    void failed(int number, const QString &description);
    void peerClosed();
};

} // namespace portiva

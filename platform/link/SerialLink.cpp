#include "platform/link/SerialLink.h"

#include "platform/link/LinkTexts.h"

#include <QSerialPort>

namespace portiva
{

SerialLink::SerialLink(QObject *parent) : SerialChannel(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && m_port->isOpen()) {
            m_port->close();
            emit resourceLost();
        }
    });
}

SerialLink::~SerialLink() = default;

void SerialLink::open(const QString &device)
{
    if (m_port->isOpen())
        m_port->close();
    m_device = device;
    m_port->setPortName(device);
    if (!m_port->open(QIODevice::ReadWrite))
        throw LinkError(serialOpenFailureText(
            device, serialFailureReason(m_port->error(), deviceAccessible(device)),
            m_port->errorString()));
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal has no control lines; a modem that needs DTR gets it where it exists.
    m_port->setDataTerminalReady(true);
    m_port->clearError();
}

void SerialLink::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SerialLink::isOpen() const
{
    return m_port->isOpen();
}

qint64 SerialLink::bytesAvailable() const
{
    return m_port->isOpen() ? m_port->bytesAvailable() : 0;
}

bool SerialLink::getChar(char *c)
{
    return m_port->isOpen() && m_port->getChar(c);
}

bool SerialLink::peekChar(char *c)
{
    return m_port->isOpen() && m_port->peek(c, 1) == 1;
}

void SerialLink::write(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        throw LinkError(
            serialWriteFailureText(m_device, serialFailureReason(QSerialPort::NotOpenError, true)));
    if (m_port->write(bytes) != bytes.size())
        throw LinkError(serialWriteFailureText(
            m_device, serialFailureReason(m_port->error(), deviceAccessible(m_device)),
            m_port->errorString()));
    // Without the flush a following pause would leave the bytes unsent.
    m_port->flush();
}

QString serialDeviceFor(int comPort, const QString &configured)
{
    if (!configured.trimmed().isEmpty())
        return configured.trimmed();
    if (comPort >= 1 && comPort <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(comPort - 1);
    return QStringLiteral("/dev/ttyUSB%1").arg(comPort - 5);
}

} // namespace portiva

#pragma once

#include "platform/link/Channels.h"

class QSerialPort;

namespace portiva
{

class SerialLink : public SerialChannel
{
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;
    void open(const QString &device) override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesAvailable() const override;
    bool getChar(char *c) override;
    bool peekChar(char *c) override;
    void write(const QByteArray &bytes) override;

private:
    QSerialPort *m_port;
    QString m_device;
};

// The device for "COM n": the setting SerialDevice<n> when present, else /dev/ttyS0-3 for
// 1-4 and /dev/ttyUSB(n-5) from 5 on.
QString serialDeviceFor(int comPort, const QString &configured);

} // namespace portiva

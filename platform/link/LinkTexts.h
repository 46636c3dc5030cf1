#pragma once

#include <QAbstractSocket>
#include <QSerialPort>
#include <QString>

namespace portiva
{

// Why a modem port failed, from Qt's kind of failure, in the chosen language. A permission
// failure on a device the user may read and write is another program's lock on it.
QString serialFailureReason(QSerialPort::SerialPortError kind, bool deviceAccessible);
// Whether this user may read and write the device file.
bool deviceAccessible(const QString &device);

// "The port was not opened" / "nothing was sent", naming the device, then the reason; Qt's own
// words follow in parentheses as a detail, where there are any.
QString serialOpenFailureText(const QString &device, const QString &reason,
                              const QString &detail = {});
QString serialWriteFailureText(const QString &device, const QString &reason,
                               const QString &detail = {});

// Why the network modem could not be reached or was lost ("the connection was refused").
QString socketFailureReason(QAbstractSocket::SocketError kind, const QString &detail = {});

} // namespace portiva

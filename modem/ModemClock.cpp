#include "modem/ModemClock.h"

#include <QCoreApplication>
#include <QThread>

namespace portiva
{

void RealModemClock::pump()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void RealModemClock::pause(int ms)
{
    QThread::msleep(ulong(ms));
}

void VirtualModemClock::pump()
{
    if (onPump)
        onPump(m_now);
    if (processQtEvents)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace portiva

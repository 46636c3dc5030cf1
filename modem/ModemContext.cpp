#include "modem/ModemContext.h"

#include <QTimer>

namespace portiva
{

void ModemContext::restartSendTimer(int ms)
{
    TimerSEND_SMS.stop();
    TimerSEND_SMS.setInterval(ms);
    TimerSEND_SMS.start();
}

void ModemContext::setTimerCom(bool on)
{
    if (on) {
        TimerCom.setInterval(timing.timerCom);
        TimerCom.start();
    } else {
        TimerCom.stop();
    }
}

} // namespace portiva

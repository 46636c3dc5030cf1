#include "modem/ModemTiming.h"

#include <algorithm>
#include <cmath>

namespace portiva
{

ModemTiming ModemTiming::scaled(double f) const
{
    ModemTiming t = *this;
    auto s = [f](int &v) { v = std::max(1, int(std::lround(v * f))); };
    for (int *v :
         {&t.lineLimitSerial,   &t.lineLimitNetwork,   &t.lineSleepSerial,  &t.lineSleepNetwork,
          &t.promptSleepSerial, &t.promptSleepNetwork, &t.promptWindow,     &t.cmgsWindow,
          &t.retryPause,        &t.connectPause,       &t.connectLimit,     &t.initPause10,
          &t.initPause50,       &t.initPause200,       &t.initPause2000,    &t.timerCom,
          &t.sendAfterInit,     &t.sendOperator,       &t.sendNotice,       &t.sendAfterSend,
          &t.sendMax,           &t.backOffThreshold,   &t.listingThreshold, &t.holdRenewal,
          &t.holdLimit})
        s(*v);
    t.factor = factor * f;
    return t;
}

} // namespace portiva

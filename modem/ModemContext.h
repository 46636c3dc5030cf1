#pragma once

#include "modem/ExchangeGuard.h"
#include "modem/ModemLock.h"
#include "modem/ModemTiming.h"

class QTimer;

namespace portiva
{

struct AppState;
class ModemLink;
class LineReader;
class ModemClock;
class ModemHost;

// Everything the modem procedures share: the program state, the link and its reader, time,
// the exchange state with the busy flags, the window, and the main window's two timers.
struct ModemContext {
    AppState &state;
    ModemLink &link;
    LineReader &reader;
    ModemClock &clock;
    const ModemTiming &timing;
    ExchangeState &exchange;
    ModemHost &host;
    QTimer &TimerCom;
    QTimer &TimerSEND_SMS;
    // Whether the modem was set up to request status reports (it may refuse them).
    bool deliveryReportsOn = false;
    // Held with the Modem row: no other program of this computer drives the modem meanwhile.
    ModemLock modemLock;

    ModemFlags &flags() { return exchange.flags; }
    // stop, interval, start: the countdown begins anew.
    void restartSendTimer(int ms);
    // Sets the line poll as a procedure's end leaves it.
    void setTimerCom(bool on);
};

} // namespace portiva

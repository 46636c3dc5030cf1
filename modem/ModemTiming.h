#pragma once

namespace portiva
{

// Every wait and pause of the modem dialogue, in milliseconds. End-to-end tests scale the
// whole set by one factor so that a run takes seconds, not minutes.
struct ModemTiming {
    int lineLimitSerial = 2000;
    int lineLimitNetwork = 1000;
    int lineSleepSerial = 50;
    int lineSleepNetwork = 10;
    int promptSleepSerial = 1;
    int promptSleepNetwork = 10;
    int promptWindow = 2000;
    int cmgsWindow = 20000;
    int retryPause = 2000;
    int connectPause = 500;
    int connectLimit = 5000;
    int initPause10 = 10;
    int initPause50 = 50;
    int initPause200 = 200;
    int initPause2000 = 2000;
    int timerCom = 1000;
    int sendAfterInit = 10000;
    int sendOperator = 3000;
    int sendNotice = 2000;
    int sendAfterSend = 30000;
    int sendMax = 60000;
    int backOffThreshold = 29000;
    int listingThreshold = 59000;
    // The holder of the modem renews its hold this often; a hold not renewed within the limit
    // is a dead workstation's. Workstation clocks are taken to agree well within the limit.
    int holdRenewal = 10000;
    int holdLimit = 60000;

    // A copy with every span multiplied by factor (at least 1 ms each).
    ModemTiming scaled(double factor) const;
    // The factor this set was scaled by, to scale interval rules consistently.
    double factor = 1.0;
};

} // namespace portiva

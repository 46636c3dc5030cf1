#pragma once

#include <QString>
#include <functional>

namespace portiva
{

class ModemLink;
class ModemClock;
class TerminalLog;
class ExchangeState;
struct ModemTiming;

struct PromptResult {
    QString text;           // ">" when the prompt came
    bool errorSeen = false; // a whole line holding "ERROR" came before any ">"
    QString skipped;        // what was passed over before the prompt or the error line
};

// Line input from the modem: the serial port byte by byte, the network modem from its
// receive buffer. Every wait runs pending events, so the socket and the timers are served.
class LineReader
{
public:
    LineReader(ModemLink &link, ModemClock &clock, TerminalLog &log, const ModemTiming &timing,
               ExchangeState &exchange);

    QString ReadModemLine();
    // As ReadModemLine, but a CR ends the line whatever its length (an SMS body).
    QString ReadModemBodyLine();
    // Lines until "OK"; each line read is shown to seen first, when given.
    bool WaitForOK(const std::function<void(const QString &)> &seen = {});
    PromptResult WaitForPrompt();
    // The line poll's read: one line when something waits, else "".
    QString pollLine();
    QString LastModemLine;
    // Shown every line ReadModemLine returns, whoever reads it.
    std::function<void(const QString &)> lineSeen;

private:
    enum class Mode { Line, Body };
    QString readLine(Mode mode);
    QString readSerial(Mode mode, bool &complete);
    QString readNetwork(Mode mode);
    PromptResult promptSerial(QString &skipped);
    PromptResult promptNetwork(QString &skipped);
    void noteSkipped(const QString &skipped);

    ModemLink &m_link;
    ModemClock &m_clock;
    TerminalLog &m_log;
    const ModemTiming &m_timing;
    ExchangeState &m_exchange;
};

} // namespace portiva

#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace portiva
{

// The busy flags of the main window's modem dialogue.
struct ModemFlags {
    bool QueueWorkerBusy = false;
    bool ModemInitBusy = false;
    bool CmgsWaitBusy = false;
    bool QueueNotEmpty = false;
    bool ReadingMessages = false;
    bool ManualSMSBusy = false;
};

// One modem exchange at a time. The waits inside an exchange run events, so a click or a
// timer may ask for another one meanwhile: such requests are kept and run after the exchange
// ends, in arrival order, each once. A notice read inside is kept the same way.
class ExchangeState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The flags live with the window when it binds its own; else here.
    ModemFlags &flags = m_ownFlags;
    ExchangeState(QObject *parent, ModemFlags &external) : QObject(parent), flags(external) {}

    bool active() const { return m_depth > 0; }
    int depth() const { return m_depth; }
    // True when the request was kept for later (an exchange runs); the caller returns.
    bool deferIfBusy(const QString &key, std::function<void()> request);
    // Keeps the first "+CMTI"/"+CDSI: " line met inside an exchange; true when the line is one.
    bool noteLine(const QString &line);

    // Runs when the last exchange ends, before the deferred requests are posted.
    std::function<void()> onIdle;
    // Receives the kept notice after the exchange (queued).
    std::function<void(const QString &)> dispatchNotice;
    // Stops the line poll at the start of every exchange.
    std::function<void()> stopLinePoll;

private:
    friend class ExchangeGuard;
    void enter();
    void leave();

    ModemFlags m_ownFlags;
    int m_depth = 0;
    QString m_pendingNotice;
    std::vector<std::pair<QString, std::function<void()>>> m_deferred;
};

// Marks one exchange: sets its flag and stops the line poll on entry; on leaving the
// outermost one (normally or by an exception) clears the flag, runs atExit (the timers as
// the procedure's end sets them) and posts what was deferred.
class ExchangeGuard
{
public:
    ExchangeGuard(ExchangeState &state, bool &flag, std::function<void()> atExit = {});
    ~ExchangeGuard();
    ExchangeGuard(const ExchangeGuard &) = delete;
    ExchangeGuard &operator=(const ExchangeGuard &) = delete;

private:
    ExchangeState &m_state;
    bool &m_flag;
    std::function<void()> m_atExit;
    bool m_ownsFlag;
};

} // namespace portiva

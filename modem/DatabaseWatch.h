#pragma once

#include <QString>
#include <functional>

namespace portiva
{

struct AppState;
class DatabaseError;
class ModemHost;

// The timers' work swallows a failing step and tries it again on the next tick. When the
// steps fail because the file is held by another workstation or its disk is full, this says
// so in the status box (once) and the status bar (every tick), and says when the work goes on.
class DatabaseWatch
{
public:
    // All lock waits of one tick together: the window answers again within about this long.
    static constexpr int tickBudgetMs = 250;

    DatabaseWatch(AppState &state, ModemHost &host);
    void tick(const std::function<void()> &work);

private:
    enum class Blocked { No, Locked, Full };
    void enter(const DatabaseError &error);
    void leave();
    // A lock may end or a full disk free up while nothing waits to be written: one small
    // write tells.
    bool writableAgain();

    AppState &m_state;
    ModemHost &m_host;
    Blocked m_blocked = Blocked::No;
    QString m_barText;
};

} // namespace portiva

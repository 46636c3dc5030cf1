#include "modem/ExchangeGuard.h"

#include <QMetaObject>

namespace portiva
{

bool ExchangeState::deferIfBusy(const QString &key, std::function<void()> request)
{
    if (m_depth == 0)
        return false;
    for (const auto &d : m_deferred) {
        if (d.first == key)
            return true;
    }
    m_deferred.emplace_back(key, std::move(request));
    return true;
}

bool ExchangeState::noteLine(const QString &line)
{
    const bool notice = line.contains(QLatin1String("+CMTI"), Qt::CaseInsensitive) ||
                        line.contains(QLatin1String("+CDSI: "), Qt::CaseInsensitive);
    if (notice && m_depth > 0 && m_pendingNotice.isEmpty())
        m_pendingNotice = line;
    return notice;
}

void ExchangeState::enter()
{
    ++m_depth;
    if (stopLinePoll)
        stopLinePoll();
}

void ExchangeState::leave()
{
    if (--m_depth > 0)
        return;
    if (onIdle)
        onIdle();
    auto deferred = std::move(m_deferred);
    m_deferred.clear();
    for (auto &d : deferred)
        QMetaObject::invokeMethod(this, std::move(d.second), Qt::QueuedConnection);
    if (!m_pendingNotice.isEmpty()) {
        const QString notice = m_pendingNotice;
        m_pendingNotice.clear();
        QMetaObject::invokeMethod(
            this,
            [this, notice] {
                // Another exchange may have begun before this ran: acting now would type a
                // listing request into its dialogue.
                if (m_depth > 0) {
                    if (m_pendingNotice.isEmpty())
                        m_pendingNotice = notice;
                    return;
                }
                if (dispatchNotice)
                    dispatchNotice(notice);
            },
            Qt::QueuedConnection);
    }
}

ExchangeGuard::ExchangeGuard(ExchangeState &state, bool &flag, std::function<void()> atExit)
    : m_state(state), m_flag(flag), m_atExit(std::move(atExit)), m_ownsFlag(!flag)
{
    m_flag = true;
    m_state.enter();
}

ExchangeGuard::~ExchangeGuard()
{
    if (m_ownsFlag)
        m_flag = false;
    if (m_state.depth() == 1) {
        if (m_atExit) {
            try {
                m_atExit();
            } catch (...) {
                // A destructor must not throw; the timers stay as they were.
            }
        }
    }
    m_state.leave();
}

} // namespace portiva

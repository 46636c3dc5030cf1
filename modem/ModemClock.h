#pragma once

#include <QElapsedTimer>
#include <functional>

namespace portiva
{

// Time as the modem waits see it: running pending events, pausing without events, and the
// elapsed span of a wait. Tests use a virtual clock so that seconds of modem silence pass
// instantly.
class ModemClock
{
public:
    virtual ~ModemClock() = default;
    virtual void pump() = 0;
    virtual void pause(int ms) = 0;
    // Milliseconds since an arbitrary fixed start.
    virtual qint64 now() const = 0;
};

class RealModemClock : public ModemClock
{
public:
    RealModemClock() { m_start.start(); }
    void pump() override;
    void pause(int ms) override;
    qint64 now() const override { return m_start.elapsed(); }

private:
    QElapsedTimer m_start;
};

// Virtual time: pause() advances it; pump() runs the hook (tests deliver scripted bytes there)
// and, when wanted, pending Qt events.
class VirtualModemClock : public ModemClock
{
public:
    void pump() override;
    void pause(int ms) override { m_now += ms; }
    qint64 now() const override { return m_now; }
    std::function<void(qint64 now)> onPump;
    bool processQtEvents = false;

private:
    qint64 m_now = 0;
};

} // namespace portiva

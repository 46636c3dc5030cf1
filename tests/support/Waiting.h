#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace portiva::test
{

// Runs events until done() holds or ms have passed; says whether it held. Modem and simulator
// traffic only moves while events run, so every wait in a test goes through here.
inline bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace portiva::test

#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QSocketNotifier;

namespace portiva
{

// SIGTERM and SIGHUP (a logout, a shutdown of the desktop) close the program as the operator
// would: open boxes are closed as their close box closes them, then closeProgram runs, and
// again every 100 ms until the program has ended (a close may wait for work under way). A
// second signal ends the program at once. One instance at a time; the destructor restores the
// default handling.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(std::function<void()> closeProgram, QObject *parent = nullptr);
    ~ShutdownSignals() override;

    bool requested() const { return m_requested; }

signals:
    void signalled(int signalNumber);

private:
    void onReadable();
    void step();

    std::function<void()> m_closeProgram;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_retry;
    bool m_requested = false;
};

} // namespace portiva

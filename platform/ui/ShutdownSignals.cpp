#include "platform/ui/ShutdownSignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace portiva
{

namespace
{

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_seen = 0;

// Only async-signal-safe calls here: the first signal is handed to the event loop through the
// pipe; a second one ends the program with the default action.
void onSignal(int number)
{
    if (g_seen) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_seen = 1;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

void install(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

} // namespace

ShutdownSignals::ShutdownSignals(std::function<void()> closeProgram, QObject *parent)
    : QObject(parent), m_closeProgram(std::move(closeProgram))
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no pipe: the signals keep their default action
    g_seen = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::onReadable);
    m_retry.setInterval(100);
    connect(&m_retry, &QTimer::timeout, this, &ShutdownSignals::step);
    install(onSignal);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!m_notifier)
        return;
    install(SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ShutdownSignals::onReadable()
{
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (!m_requested) {
            m_requested = true;
            emit signalled(int(byte));
            step();
            m_retry.start();
        }
    }
}

void ShutdownSignals::step()
{
    // A box waits for an answer that nobody may give: it is closed first, as its close box
    // would close it, and the code that opened it carries on.
    if (QWidget *box = QApplication::activeModalWidget()) {
        box->close();
        return;
    }
    if (m_closeProgram)
        m_closeProgram();
}

} // namespace portiva

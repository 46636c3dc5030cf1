// portiva-modemsim: the GSM modem and key-unit simulator as a program of its own.

#include "portiva/InstallLayout.h"
#include "tools/modemsim/ModemSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

using portiva::modemsim::ModemSim;

namespace
{

bool portValue(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint v = text.toUInt(&ok);
    if (!ok || v > 65535)
        return false;
    *port = quint16(v);
    return true;
}

// The demo's key units as the install puts them, in the data folder beside the program's.
QString installedDemoConfig()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                           QLatin1String(portiva::layout::DataDirFromProgram) +
                           QStringLiteral("/demo.conf"));
}

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("portiva-modemsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PORTIVA_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("GSM modem and key-unit simulator. Without --config an installed "
                       "simulator runs the installation's demo.conf (%1), so that it answers "
                       "as the demo's key units.")
            .arg(installedDemoConfig()));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"tcp", "Serve the modem on 127.0.0.1:<port> (0: any free port).", "port"},
        {"pty", "Serve the modem on a pseudo-terminal; its path is printed first."},
        {"link", "With --pty: keep a symlink to the pseudo-terminal at <path>.", "path"},
        {"control", "Control channel on 127.0.0.1:<port>.", "port"},
        {"config", "Control lines to run at start (key units, identity...).", "file"},
        {"log", "Write every event as '<ms> <kind> <text>' to <file>.", "file"},
    });
    parser.process(app);
    if (!parser.isSet("tcp") && !parser.isSet("pty")) {
        std::fputs("portiva-modemsim: give --tcp PORT and/or --pty\n", stderr);
        return 2;
    }
    ModemSim sim;
    const QString config = parser.isSet("config")                     ? parser.value("config")
                           : QFileInfo::exists(installedDemoConfig()) ? installedDemoConfig()
                                                                      : QString();
    if (!config.isEmpty()) {
        QString error;
        if (!sim.runScript(config, &error)) {
            std::fprintf(stderr, "portiva-modemsim: %s\n", qPrintable(error));
            return 2;
        }
    }
    if (parser.isSet("pty")) {
        if (!sim.openPty(parser.value("link"))) {
            std::fputs("portiva-modemsim: cannot create a pseudo-terminal\n", stderr);
            return 1;
        }
        // The first line of output, for scripts that read the device path.
        say(sim.ptyPath());
    }
    quint16 port = 0;
    if (parser.isSet("tcp")) {
        if (!portValue(parser.value("tcp"), &port) || !sim.listen(port)) {
            std::fprintf(stderr, "portiva-modemsim: cannot listen on 127.0.0.1:%s\n",
                         qPrintable(parser.value("tcp")));
            return 1;
        }
        say(QStringLiteral("TCP 127.0.0.1:%1").arg(sim.port()));
    }
    if (parser.isSet("control")) {
        if (!portValue(parser.value("control"), &port) || !sim.listenControl(port)) {
            std::fprintf(stderr, "portiva-modemsim: cannot listen for control on %s\n",
                         qPrintable(parser.value("control")));
            return 1;
        }
        say(QStringLiteral("CONTROL 127.0.0.1:%1").arg(sim.controlPort()));
    }
    QFile logFile;
    if (parser.isSet("log")) {
        logFile.setFileName(parser.value("log"));
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "portiva-modemsim: cannot write %s\n",
                         qPrintable(logFile.fileName()));
            return 1;
        }
        // Events are written as they accumulate, on a short timer, to stay off the hot path.
        auto *timer = new QTimer(&app);
        int written = 0;
        QObject::connect(timer, &QTimer::timeout, &app, [&] {
            const QList<portiva::modemsim::SimEvent> events = sim.events();
            for (; written < events.size(); ++written) {
                const auto &e = events[written];
                logFile.write(QStringLiteral("%1 %2 %3\n").arg(e.ms).arg(e.kind, e.text).toUtf8());
            }
            logFile.flush();
        });
        timer->start(200);
    }
    return app.exec();
}

#pragma once

#include "tools/modemsim/ModemSim.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

// Drives a simulator in-process: bytes go in through feed(), every write is collected.
class SimHarness
{
public:
    portiva::modemsim::ModemSim sim;
    QByteArray out;

    SimHarness()
    {
        QObject::connect(&sim, &portiva::modemsim::ModemSim::written,
                         [this](const QByteArray &b) { out += b; });
        sim.setTimescale(0.0);
        sim.setClock(QDateTime(QDate(2009, 5, 10), QTime(14, 3, 27)), 8);
        sim.feed("ATE0\r");
        out.clear();
    }

    // Sends one command line and returns what came back (immediate answers only).
    QByteArray at(const QByteArray &line)
    {
        out.clear();
        sim.feed(line + '\r');
        return out;
    }

    // Waits until the collected output holds `needle`; returns the output so far.
    QByteArray waitFor(const QByteArray &needle, int ms = 3000)
    {
        QElapsedTimer t;
        t.start();
        while (!out.contains(needle) && t.elapsed() < ms)
            QTest::qWait(5);
        return out;
    }

    void control(const QString &line)
    {
        const QStringList answer = sim.control(line);
        QVERIFY2(!answer.isEmpty() && answer.last() == QLatin1String("OK"),
                 qPrintable(line + QLatin1String(" -> ") + answer.join(QLatin1Char('|'))));
    }
};

inline QByteArray fixture(const QString &relative)
{
    QFile f(QStringLiteral(PORTIVA_SHARED_DIR "/testdata/modem/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The line of a capture that starts with `prefix` (line ends removed).
inline QByteArray fixtureLine(const QString &relative, const QByteArray &prefix)
{
    for (QByteArray line : fixture(relative).split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith(prefix))
            return line;
    }
    return {};
}

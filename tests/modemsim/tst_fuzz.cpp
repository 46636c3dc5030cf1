// Random input for a bounded time: the simulator answers or ignores it, and never falls over.

#include "helper_sim.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace portiva::modemsim;

class TestFuzz : public QObject
{
    Q_OBJECT
private slots:
    void randomBytes();
    void randomControlLines();
};

namespace
{

// Random bytes, biased towards the ones that steer the parser.
QByteArray noise(QRandomGenerator &rng, int size)
{
    static const QByteArray words[] = {"AT",
                                       "at+cmgs=\"1\"",
                                       "+CMGL=",
                                       "\r",
                                       "\x1a",
                                       "\x1b",
                                       ";",
                                       "\"",
                                       "=?",
                                       "?",
                                       ",",
                                       "AT+CMGD=",
                                       "AT+CPMS=",
                                       "\b",
                                       "ATE1",
                                       "AT+CMGR=",
                                       "AT+CSCS=\"UCS2\"",
                                       "AT&F",
                                       "ATV0",
                                       "AT+CNMI="};
    QByteArray out;
    while (out.size() < size) {
        if (rng.bounded(3) == 0)
            out += words[rng.bounded(int(std::size(words)))];
        else
            out += char(rng.bounded(256));
    }
    return out;
}

} // namespace

void TestFuzz::randomBytes()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator rng(seed);
    SimHarness h;
    h.control("unit add +471 \"Hovedport\" delay=0");
    h.sim.control("cmgs delay=0");
    QElapsedTimer t;
    t.start();
    qint64 written = 0;
    while (t.elapsed() < 3000) {
        h.sim.feed(noise(rng, rng.bounded(1, 200)));
        if (rng.bounded(10) == 0)
            h.sim.deliverRaw("+471", noise(rng, rng.bounded(0, 300)));
        if (rng.bounded(20) == 0)
            QTest::qWait(1);
        written += h.out.size();
        h.out.clear();
    }
    // Still a working modem afterwards.
    h.sim.feed("\x1b\r");
    QTest::qWait(5);
    h.sim.feed("\x1b\rATE0V1\r");
    QTest::qWait(5);
    QCOMPARE(h.at("AT"), QByteArray("\r\nOK\r\n"));
    QVERIFY(written > 0);
}

void TestFuzz::randomControlLines()
{
    QRandomGenerator rng(QRandomGenerator::global()->generate());
    static const char *verbs[] = {"sms",      "smsraw",    "stored",  "status-report", "notice",
                                  "fault",    "split",     "lineend", "cmgs",          "memory",
                                  "unit",     "clock",     "list",    "log",           "cnmi-range",
                                  "identity", "timescale", "\"",      "x=\"y"};
    SimHarness h;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500) {
        QByteArray line = verbs[rng.bounded(int(std::size(verbs)))];
        for (int i = rng.bounded(5); i > 0; --i)
            line += ' ' + noise(rng, rng.bounded(1, 12)).replace('\n', ' ');
        const QStringList answer = h.sim.control(QString::fromUtf8(line));
        QVERIFY(!answer.isEmpty());
        QVERIFY(answer.last() == QLatin1String("OK") ||
                answer.last().startsWith(QLatin1String("ERR ")));
        h.sim.setTimescale(0.0);
        h.sim.setSplit(0);
        h.sim.setLineEnd(LineEnd::CrLf);
        h.sim.setSilent(false);
    }
}

QTEST_GUILESS_MAIN(TestFuzz)
#include "tst_fuzz.moc"

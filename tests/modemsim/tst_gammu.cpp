// A real text-mode AT client against the simulator's pseudo-terminal: Debian's gammu.

#include "helper_sim.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace portiva::modemsim;

class TestGammu : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void identify();
    void listAndRead();
    void sendSms();

private:
    struct Run {
        int exitCode = -1;
        QByteArray output;
    };
    Run gammu(const QStringList &args);

    QString m_gammu;
    QTemporaryDir m_dir;
    ModemSim m_sim;
};

void TestGammu::initTestCase()
{
    m_gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (m_gammu.isEmpty())
        QSKIP("gammu is not installed");
    QVERIFY(m_dir.isValid());
    QVERIFY(m_sim.openPty(m_dir.filePath("modem")));
    QFile rc(m_dir.filePath("gammurc"));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write("[gammu]\ndevice = " + m_sim.ptyPath().toLocal8Bit() + "\nconnection = at\n");
}

TestGammu::Run TestGammu::gammu(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(m_gammu, QStringList{"-c", m_dir.filePath("gammurc")} + args);
    if (!p.waitForStarted(5000))
        return {};
    // The simulator lives in this thread: keep serving it while gammu runs.
    QElapsedTimer t;
    t.start();
    while (p.state() != QProcess::NotRunning && t.elapsed() < 60000)
        QTest::qWait(10);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(2000);
        return {-1, p.readAll()};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128 + p.exitCode(),
            p.readAll()};
}

void TestGammu::identify()
{
    const Run r = gammu({"identify"});
    QVERIFY2(r.exitCode == 0, r.output.constData());
    QVERIFY(r.output.contains("SIMULATOR"));
    QVERIFY(r.output.contains("123456789012345"));
    const QStringList log = m_sim.commandLog();
    for (const char *cmd : {"AT", "ATE1", "AT+MODE=2", "AT+CMEE=1", "AT+CGMM", "AT+CGSN"})
        QVERIFY2(log.contains(QLatin1String(cmd)), cmd);
}

void TestGammu::listAndRead()
{
    QVERIFY(m_sim.deliverSms("+4799887766", QStringLiteral("Hovedport\n41234567 er lagt til")));
    // No status-report entry here: gammu 1.42 itself crashes on one in a text-mode listing.
    m_sim.deliverSms("+4741234567", QStringLiteral("Andre melding"));
    const Run r = gammu({"getallsms"});
    // gammu reads the detailed headers AT+CSDH=1 asks for; short ones make it crash (139).
    QVERIFY2(r.exitCode == 0, r.output.constData());
    QVERIFY2(r.output.contains("+4799887766"), r.output.constData());
    QVERIFY(r.output.contains("41234567 er lagt til"));
    QVERIFY(r.output.contains("Andre melding"));
    const QStringList log = m_sim.commandLog();
    QVERIFY(log.contains(QStringLiteral("AT+CSDH=1")));
    QVERIFY(log.contains(QStringLiteral("AT+CMGL=\"ALL\"")));
}

void TestGammu::sendSms()
{
    const qsizetype before = m_sim.submissions().size();
    const Run r = gammu({"sendsms", "TEXT", "+4712345678", "-text", "hello"});
    QVERIFY2(r.exitCode == 0, r.output.constData());
    QVERIFY(r.output.contains("message reference="));
    QCOMPARE(m_sim.submissions().size(), before + 1);
    const Submission s = m_sim.submissions().last();
    QCOMPARE(s.da, QStringLiteral("+4712345678"));
    QCOMPARE(s.text, QStringLiteral("hello"));
    QVERIFY(s.quoted);
    QVERIFY(m_sim.commandLog().contains(QStringLiteral("AT+CSMP=1,0,0,0")));
}

QTEST_GUILESS_MAIN(TestGammu)
#include "tst_gammu.moc"

// The simulator on its real links: TCP on loopback, a pseudo-terminal, the control channel.

#include "helper_sim.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace portiva::modemsim;

class TestTransport : public QObject
{
    Q_OBJECT
private slots:
    void tcpOneClientAndStateSurvives();
    void tcpDropFault();
    void ptyRawAndReopen();
    void ptyUnplugReplug();
    void controlChannel();
    void demoConfig();
};

namespace
{

QByteArray exchange(QTcpSocket &s, const QByteArray &line, const QByteArray &until = "OK\r\n")
{
    s.write(line + '\r');
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (!got.contains(until) && t.elapsed() < 3000) {
        if (s.waitForReadyRead(50) || s.bytesAvailable())
            got += s.readAll();
        QCoreApplication::processEvents();
    }
    return got;
}

QByteArray readFd(int fd, const QByteArray &until)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (!got.contains(until) && t.elapsed() < 3000) {
        QCoreApplication::processEvents();
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got += QByteArray(buf, int(n));
        else
            QThread::msleep(5);
    }
    return got;
}

int openClient(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

} // namespace

void TestTransport::tcpOneClientAndStateSurvives()
{
    ModemSim sim;
    QVERIFY(sim.listen(0));
    QVERIFY(sim.port() != 0);
    QTcpSocket a;
    a.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(a.waitForConnected(2000));
    QTRY_VERIFY(sim.isConnected());
    QCOMPARE(exchange(a, "ATE0"), QByteArray("ATE0\r\r\nOK\r\n"));
    // A second terminal is turned away while the first holds the modem.
    QTcpSocket b;
    b.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(b.waitForConnected(2000));
    QTRY_VERIFY(b.state() == QAbstractSocket::UnconnectedState);
    a.disconnectFromHost();
    QTRY_VERIFY(!sim.isConnected());
    // Echo stays off for the next client: the modem kept its state.
    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(c.waitForConnected(2000));
    QCOMPARE(exchange(c, "AT+CGMM"), QByteArray("\r\nSIM-1\r\n\r\nOK\r\n"));
}

void TestTransport::tcpDropFault()
{
    ModemSim sim;
    QVERIFY(sim.listen(0));
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(s.waitForConnected(2000));
    QTRY_VERIFY(sim.isConnected());
    sim.control("fault AT+CMGS drop");
    s.write("AT+CMGS=\"+4712345678\"\r");
    QTRY_COMPARE(s.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!sim.isConnected());
}

void TestTransport::ptyRawAndReopen()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("modem");
    ModemSim sim;
    QVERIFY(sim.openPty(link));
    QVERIFY(sim.ptyPath().startsWith("/dev/pts/"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());
    int fd = openClient(link);
    QVERIFY(fd >= 0);
    QVERIFY(::write(fd, "ATE0\r", 5) == 5);
    // No line discipline in between: CR arrives as CR, nothing is translated.
    QCOMPARE(readFd(fd, "OK\r\n"), QByteArray("ATE0\r\r\nOK\r\n"));
    ::close(fd);
    QTest::qWait(50);
    fd = openClient(sim.ptyPath());
    QVERIFY(fd >= 0);
    QVERIFY(::write(fd, "AT+CGMI\r", 8) == 8);
    QCOMPARE(readFd(fd, "OK\r\n"), QByteArray("\r\nSIMULATOR\r\n\r\nOK\r\n"));
    ::close(fd);
}

void TestTransport::ptyUnplugReplug()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("modem");
    ModemSim sim;
    QVERIFY(sim.openPty(link));
    const QString first = sim.ptyPath();
    const int fd = openClient(link);
    QVERIFY(fd >= 0);
    sim.control("unplug");
    QVERIFY(!sim.isConnected());
    char c;
    QTRY_VERIFY(::read(fd, &c, 1) == 0 || errno == EIO);
    ::close(fd);
    const QStringList answer = sim.control("replug");
    QCOMPARE(answer.last(), QStringLiteral("OK"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());
    const int fd2 = openClient(link);
    QVERIFY(fd2 >= 0);
    QVERIFY(::write(fd2, "AT\r", 3) == 3);
    QVERIFY(readFd(fd2, "OK\r\n").endsWith("\r\nOK\r\n"));
    ::close(fd2);
    Q_UNUSED(first);
}

void TestTransport::controlChannel()
{
    ModemSim sim;
    QVERIFY(sim.listenControl(0));
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, sim.controlPort());
    QVERIFY(s.waitForConnected(2000));
    auto ask = [&](const QByteArray &line) {
        s.write(line + '\n');
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!(got.endsWith("OK\n") || (got.startsWith("ERR") && got.endsWith('\n'))) &&
               t.elapsed() < 3000) {
            QTest::qWait(5);
            got += s.readAll();
        }
        return got;
    };
    QCOMPARE(ask("sms +4712345678 \"hei\\nder\""), QByteArray("OK\n"));
    QVERIFY(ask("bogus words").startsWith("ERR "));
    QVERIFY(ask("sms +47 \"open").startsWith("ERR "));
    QCOMPARE(ask("list SM"), QByteArray("+CMGL: 1,\"REC UNREAD\",\"+4712345678\",,\"") +
                                 sim.store().find("SM", 1)->scts.toLatin1() +
                                 "\"\\x0D\\x0Ahei\\x0Ader\nOK\n");
    sim.feed("AT+CMGD=1\r");
    QCOMPARE(ask("deleted"), QByteArray("1\nOK\n"));
    const QByteArray log = ask("log");
    QVERIFY(log.contains(" cmd AT+CMGD=1\n"));
    QVERIFY(log.contains(" control sms +4712345678"));
}

void TestTransport::demoConfig()
{
    ModemSim sim;
    QString error;
    QVERIFY2(sim.runScript(PORTIVA_SOURCE_DIR "/tools/modemsim/demo.conf", &error),
             qPrintable(error));
    QCOMPARE(sim.unit("+4791000001")->name, QStringLiteral("Hovedport"));
    QCOMPARE(sim.unit("+4591000002")->name, QStringLiteral("Lagerd\u00f8r"));
    QCOMPARE(sim.unit("+4591000002")->language, QStringLiteral("da"));
    QCOMPARE(sim.unit("+4691000003")->language, QStringLiteral("sv"));
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.conf"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("# comment\nunit add +47 \"X\" lang=xx\n");
    bad.close();
    QVERIFY(!sim.runScript(bad.fileName(), &error));
    QVERIFY(error.contains(":2:"));
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"

// Why a modem port, the network modem or a file could not be used, told in the operator's
// language from the kind of failure; Qt's English only ever follows as a detail.
#include "platform/link/LinkTexts.h"
#include "platform/link/SerialLink.h"
#include "platform/phrase/FileTexts.h"
#include "platform/phrase/Phrase.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace portiva;

namespace
{

// A pseudo-terminal's device path, kept open by its master side for the test's length.
struct Pty {
    int master = -1;
    QString device;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            device = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
};

QString openFailure(const QString &device)
{
    SerialLink link;
    try {
        link.open(device);
    } catch (const LinkError &e) {
        return e.description();
    }
    return QString();
}

// The open as a user who is not in the device's group: a child process that gave up root.
QString openFailureAsNobody(const QString &device)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
            _exit(2);
        const QByteArray text = openFailure(device).toUtf8();
        (void)!::write(pipe[1], text.constData(), size_t(text.size()));
        _exit(0);
    }
    ::close(pipe[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return QString::fromUtf8(text);
}

} // namespace

class TestLinkFailures : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setPhraseLanguage(QStringLiteral("47")); }
    void serialReasons_data();
    void serialReasons();
    void socketReasons_data();
    void socketReasons();
    void fileReasons_data();
    void fileReasons();
    void realPortFailures_data();
    void realPortFailures();
};

void TestLinkFailures::serialReasons_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    const int missing = QSerialPort::DeviceNotFoundError, denied = QSerialPort::PermissionError;
    QTest::newRow("no such port, no") << missing << true << "47"
                                      << "porten finnes ikke";
    QTest::newRow("no such port, da") << missing << true << "45"
                                      << "porten findes ikke";
    QTest::newRow("no such port, sv") << missing << true << "46"
                                      << "porten finns inte";
    QTest::newRow("no access, no")
        << denied << false << "47"
        << "ingen tilgang til porten (er brukeren med i gruppen dialout?)";
    QTest::newRow("no access, da")
        << denied << false << "45"
        << "ingen adgang til porten (er brugeren medlem af gruppen dialout?)";
    QTest::newRow("no access, sv")
        << denied << false << "46"
        << "ingen åtkomst till porten (är användaren med i gruppen dialout?)";
    // The user may use the device, yet Qt says "permission": another program's lock.
    QTest::newRow("in use, no") << denied << true << "47"
                                << "porten er i bruk av et annet program";
    QTest::newRow("in use, sv") << denied << true << "46"
                                << "porten används av ett annat program";
    QTest::newRow("unplugged, da") << int(QSerialPort::ResourceError) << true << "45"
                                   << "porten forsvandt (er modemet koblet fra?)";
    QTest::newRow("settings, sv")
        << int(QSerialPort::UnsupportedOperationError) << true << "46"
        << "porten kan inte ställas in på 9600 baud, 8 databitar och ingen paritet";
    QTest::newRow("not open, no") << int(QSerialPort::NotOpenError) << true << "47"
                                  << "porten er ikke åpen";
    QTest::newRow("unknown, da") << int(QSerialPort::UnknownError) << true << "45"
                                 << "ukendt fejl på porten";
}

void TestLinkFailures::serialReasons()
{
    QFETCH(int, kind);
    QFETCH(bool, accessible);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    setPhraseLanguage(country);
    QCOMPARE(serialFailureReason(QSerialPort::SerialPortError(kind), accessible), expected);
}

void TestLinkFailures::socketReasons_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    QTest::newRow("refused, no") << int(QAbstractSocket::ConnectionRefusedError) << "47"
                                 << "tilkoblingen ble avvist";
    QTest::newRow("refused, da") << int(QAbstractSocket::ConnectionRefusedError) << "45"
                                 << "forbindelsen blev afvist";
    QTest::newRow("refused, sv") << int(QAbstractSocket::ConnectionRefusedError) << "46"
                                 << "anslutningen avvisades";
    QTest::newRow("no host, da") << int(QAbstractSocket::HostNotFoundError) << "45"
                                 << "værtsnavnet findes ikke";
    QTest::newRow("timeout, sv") << int(QAbstractSocket::SocketTimeoutError) << "46"
                                 << "inget svar";
    QTest::newRow("closed by the modem, no") << int(QAbstractSocket::RemoteHostClosedError) << "47"
                                             << "modemet lukket forbindelsen";
    QTest::newRow("network down, sv") << int(QAbstractSocket::NetworkError) << "46"
                                      << "nätverket är avbrutet";
    // A kind of its own has no words of ours: Qt's follow as the detail.
    QTest::newRow("proxy, da") << int(QAbstractSocket::ProxyConnectionRefusedError) << "45"
                               << "netværksfejl (Qt's words)";
}

void TestLinkFailures::socketReasons()
{
    QFETCH(int, kind);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    setPhraseLanguage(country);
    QCOMPARE(socketFailureReason(QAbstractSocket::SocketError(kind), QStringLiteral("Qt's words")),
             expected);
}

void TestLinkFailures::fileReasons_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    QTest::newRow("write, no") << int(QFileDevice::WriteError) << "47"
                               << "filen kunne ikke skrives (er disken full?) (No space left)";
    QTest::newRow("write, da") << int(QFileDevice::WriteError) << "45"
                               << "filen kunne ikke skrives (er disken fuld?) (No space left)";
    QTest::newRow("write, sv") << int(QFileDevice::WriteError) << "46"
                               << "filen kunde inte skrivas (är disken full?) (No space left)";
    QTest::newRow("open, no")
        << int(QFileDevice::OpenError) << "47"
        << "filen kunne ikke åpnes (finnes den, og har brukeren tilgang til den?) (No space left)";
    QTest::newRow("rename, sv") << int(QFileDevice::RenameError) << "46"
                                << "filen kunde inte få sitt nya namn (No space left)";
}

void TestLinkFailures::fileReasons()
{
    QFETCH(int, kind);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    setPhraseLanguage(country);
    QCOMPARE(fileFailureReason(QFileDevice::FileError(kind), QStringLiteral("No space left")),
             expected);
}

void TestLinkFailures::realPortFailures_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing, no") << "missing"
                                 << "47"
                                 << "Modemporten %1 ble ikke åpnet: porten finnes ikke. (";
    QTest::newRow("missing, da") << "missing"
                                 << "45"
                                 << "Modemporten %1 blev ikke åbnet: porten findes ikke. (";
    QTest::newRow("missing, sv") << "missing"
                                 << "46"
                                 << "Modemporten %1 öppnades inte: porten finns inte. (";
    QTest::newRow("held by another, no")
        << "held"
        << "47"
        << "Modemporten %1 ble ikke åpnet: porten er i bruk av et annet program. (";
    QTest::newRow("not permitted, sv")
        << "denied"
        << "46"
        << "Modemporten %1 öppnades inte: ingen åtkomst till porten (är användaren med i gruppen "
           "dialout?). (";
}

// The ports themselves: a path with no device, a pseudo-terminal another link holds, and one
// this user may not open.
void TestLinkFailures::realPortFailures()
{
    QFETCH(QString, situation);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    setPhraseLanguage(country);
    QTemporaryDir dir;
    Pty pty;
    QVERIFY(!pty.device.isEmpty());
    SerialLink holder;
    QString device = pty.device, said;
    if (situation == QLatin1String("missing")) {
        device = dir.filePath(QStringLiteral("ttyUSB9"));
        said = openFailure(device);
    } else if (situation == QLatin1String("held")) {
        holder.open(device);
        said = openFailure(device);
    } else {
        QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0600), 0);
        said = geteuid() == 0 ? openFailureAsNobody(device) : openFailure(device);
    }
    QVERIFY2(said.startsWith(expected.arg(device)), qPrintable(said));
    QVERIFY2(said.endsWith(u')'), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestLinkFailures)
#include "tst_linkfailures.moc"

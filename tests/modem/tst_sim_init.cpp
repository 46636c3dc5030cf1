#include "helper_session.h"
#include "helper_simfixture.h"
#include "modem/ModemHold.h"
#include "modem/ModemInit.h"
#include "tools/modemsim/ModemSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace portiva;
using namespace portiva::test;
using portiva::modemsim::FaultRule;
using portiva::modemsim::ModemSim;

namespace
{

QStringList passCommands(bool reports)
{
    QStringList c = {"AT",
                     "ATV1",
                     "AT",
                     "AT&F0",
                     "AT\\Q0",
                     "ATE0",
                     "AT+CPMS=\"MT\",\"MT\",\"MT\"",
                     "AT+CPMS=\"SM\",\"SM\",\"SM\"",
                     "AT+CLIP=1",
                     "AT+CMGF=1",
                     "AT+CSCS=\"GSM\""};
    if (reports)
        c << "AT+CSMP=49,167,0,0"
          << "AT+CNMI=1,1,0,2,1";
    else
        c << "AT+CSMP=17,167,0,0"
          << "AT+CNMI=1,1";
    c << "AT&W"
      << "AT+CGMI"
      << "AT+CGMM"
      << "AT+GSN";
    return c;
}

// Connects the workstation to the simulator over TCP, answering the connect box with OK.
void connectTcp(Workstation &w, ModemSim &sim, ScriptedDialogs &dialogs)
{
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(sim.port());
    dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort();
}

} // namespace

class TestSimInit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void overTcp_data();
    void overTcp();
    void overPseudoTerminal();
    void silentModemFailsFivePasses();
    void refusedQ0ReleasesOnlyWhenOwned_data();
    void refusedQ0ReleasesOnlyWhenOwned();
    void refusedReportingCnmi_data();
    void refusedReportingCnmi();
    void slowAnswerBelongsToItsCommand_data();
    void slowAnswerBelongsToItsCommand();
    void modemStatusReadsOneWay_data();
    void modemStatusReadsOneWay();
    void theModemHasOneHolder_data();
    void theModemHasOneHolder();
    void refusedWorkstationLearnsWhenTheHoldEnds_data();
    void refusedWorkstationLearnsWhenTheHoldEnds();
    void droppedLinkMakesModemNotReady();
    void noLinkReleasesHeldRowWithoutBox();
    void initDuringInitRunsOnceAfterIt();

private:
    std::unique_ptr<SimFixture> m_fx;
};

void TestSimInit::init()
{
    m_fx = std::make_unique<SimFixture>();
    QVERIFY(m_fx->start());
}

void TestSimInit::cleanup()
{
    m_fx.reset();
}

void TestSimInit::overTcp_data()
{
    QTest::addColumn<bool>("reports");
    QTest::newRow("reports off") << false;
    QTest::newRow("reports on") << true;
}

void TestSimInit::overTcp()
{
    QFETCH(bool, reports);
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    w.state.SMSREPORT = reports;
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(w.state.ModemReady);
    // The dialogue starts once the socket is connected: not even the first "AT" is lost.
    QCOMPARE(m_fx->sim.commandLog(), passCommands(reports));
    QCOMPARE(w.session.context().deliveryReportsOn, reports);
    QCOMPARE(w.owner(), QStringLiteral("PC-A"));
    QCOMPARE(w.state.CurrentModemManufacturer, QStringLiteral("SIMULATOR"));
    QCOMPARE(w.state.CurrentModemName, QStringLiteral("SIM-1"));
    QVERIFY(w.TimerCom.isActive());
    QCOMPARE(w.TimerSEND_SMS.interval(), w.timing.sendAfterInit);
    QVERIFY(!w.flags.ModemInitBusy);
    QVERIFY(w.session.terminal().text().contains(QLatin1String("==>AT+GSN\r\n")));
    QVERIFY(w.host.status.contains(QStringLiteral("Tilkobling til modem er vellykket\r\n")));
    const auto row = Recordset::open(m_fx->db.connection(),
                                     QStringLiteral("SELECT IMEICODE, ModemStatus FROM Modem"));
    QCOMPARE(row->toText(QStringLiteral("IMEICODE")), QStringLiteral("123456789012345"));
    QCOMPARE(row->value(QStringLiteral("ModemStatus")).toBool(), true);
}

void TestSimInit::overPseudoTerminal()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("modem"));
    QVERIFY(m_fx->sim.openPty(link));
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    w.session.setSerialDeviceSetting([&](int n) { return n == 7 ? link : QString(); });
    w.state.LastComPort = 7;
    w.state.OtherComPort = 7;
    w.session.OpenComPort();
    QVERIFY(w.session.serialChannel().isOpen());
    w.session.InitModem();
    QVERIFY(w.state.ModemReady);
    QCOMPARE(m_fx->sim.commandLog(), passCommands(false));
    QCOMPARE(w.owner(), QStringLiteral("PC-A"));
}

void TestSimInit::silentModemFailsFivePasses()
{
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    m_fx->sim.setSilent(true);
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(!w.state.ModemReady);
    QVERIFY(!w.flags.ModemInitBusy);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("AT&F0")), 0);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("ATV1")), 5);
    QVERIFY(m_fx->dialogs.texts().last().startsWith(QStringLiteral(
        "Modem IKKE funnet. Prøv en annen COM port!!\r******\rModem not found!!!\r")));
    QVERIFY(!w.TimerCom.isActive());
}

void TestSimInit::refusedQ0ReleasesOnlyWhenOwned_data()
{
    QTest::addColumn<QString>("shownOwner");
    QTest::addColumn<QString>("expectedOwner");
    QTest::newRow("owned by this computer") << "pc-a"
                                            << "None";
    QTest::newRow("owned by another") << "PC-B"
                                      << "PC-B";
}

void TestSimInit::refusedQ0ReleasesOnlyWhenOwned()
{
    QFETCH(QString, shownOwner);
    QFETCH(QString, expectedOwner);
    m_fx->db.connection()->exec(
        // Another's hold is a dead one, so that the initialisation is tried at all.
        QStringLiteral("UPDATE Modem SET ModemOwner = ?1, ModemStatus = -1, ModemRenewed = 0"),
        {shownOwner == QLatin1String("pc-a") ? QStringLiteral("PC-A") : shownOwner});
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    w.host.owner = shownOwner;
    portiva::modemsim::FaultRule rule;
    rule.prefix = QStringLiteral("AT\\Q0");
    rule.action = portiva::modemsim::FaultRule::Error;
    m_fx->sim.addFault(rule);
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(!w.state.ModemReady);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("AT\\Q0")), 5);
    QCOMPARE(w.owner(), expectedOwner);
}

void TestSimInit::refusedReportingCnmi_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<bool>("ready");
    QTest::newRow("02 no ds=2") << "02.dump" << true;
    QTest::newRow("03 no ds=2") << "03.dump" << true;
    QTest::newRow("01 mode 2 only") << "01.dump" << false;
}

void TestSimInit::refusedReportingCnmi()
{
    QFETCH(QString, dump);
    QFETCH(bool, ready);
    QVERIFY(m_fx->sim.loadCnmiRange(
        QStringLiteral(PORTIVA_SHARED_DIR "/testdata/modem/gammu/tests/at-cnmi/") + dump));
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    w.state.SMSREPORT = true;
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QCOMPARE(w.state.ModemReady, ready);
    QVERIFY(!w.session.context().deliveryReportsOn);
    QCOMPARE(
        w.host.status.contains(QStringLiteral(
            "Modemet tar ikke imot AT+CNMI=1,1,0,2,1: fortsetter uten sendingsbekreftelse\r\n")),
        ready);
    QVERIFY(w.state.SMSREPORT); // the operator's choice stays
}

void TestSimInit::slowAnswerBelongsToItsCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("identityReads");
    // Simulator milliseconds, scaled with the dialogue: the identity read lasts 1000, its OK
    // wait about 4000 more, a failed pass about 12000 for its three unanswered commands.
    QTest::newRow("identity within its OK wait") << "AT+GSN" << 2500 << 1;
    QTest::newRow("identity after its pass gave up") << "AT+GSN" << 9000 << 2;
    QTest::newRow("identity two passes late") << "AT+GSN" << 30000 << 2;
    QTest::newRow("a required command late") << "AT+CLIP=1" << 9000 << 1;
}

// A late answer is the answer of the command it belongs to, never of the one after it.
void TestSimInit::slowAnswerBelongsToItsCommand()
{
    QFETCH(QString, command);
    QFETCH(int, delay);
    QFETCH(int, identityReads);
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    FaultRule slow;
    slow.prefix = command;
    slow.action = FaultRule::Delay;
    slow.value = delay;
    slow.times = 1;
    m_fx->sim.addFault(slow);
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(w.state.ModemReady);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("AT+GSN")), identityReads);
    QCOMPARE(w.state.CurrentModemManufacturer, QStringLiteral("SIMULATOR"));
    QCOMPARE(w.state.CurrentModemName, QStringLiteral("SIM-1"));
    QCOMPARE(w.state.CurrentModemIMEI, QStringLiteral("123456789012345"));
    const auto row =
        Recordset::open(m_fx->db.connection(),
                        QStringLiteral("SELECT IMEICODE, ModemManufacturer, ModemName FROM Modem"));
    QCOMPARE(row->toText(0), QStringLiteral("123456789012345"));
    QCOMPARE(row->toText(1), QStringLiteral("SIMULATOR"));
    QCOMPARE(row->toText(2), QStringLiteral("SIM-1"));
}

void TestSimInit::theModemHasOneHolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sameFile");
    QTest::addColumn<bool>("firstCrashes");
    QTest::addColumn<QString>("refusal");
    // Another computer reaches the file by a path of its own, so no lock of this computer's
    // stands between the two: the Modem row alone decides.
    QTest::newRow("another workstation")
        << "PC-B" << false << false
        << "Modemet er i bruk av PC-A: denne arbeidsstasjonen sender og leser ikke SMS";
    QTest::newRow("another program of this computer")
        << "PC-A" << true << false
        << "Modemet er i bruk av et annet Portiva3 på denne maskinen: dette programmet sender og "
           "leser ikke SMS";
    QTest::newRow("this computer after a crash") << "PC-A" << true << true << QString();
}

// The first to take the Modem row holds it; a second that initialises its own modem meanwhile
// does not drive it, says so and lets its link go, until the first lets the row go.
void TestSimInit::theModemHasOneHolder()
{
    QFETCH(QString, name);
    QFETCH(bool, sameFile);
    QFETCH(bool, firstCrashes);
    QFETCH(QString, refusal);
    Workstation a(m_fx->db.connection(), QStringLiteral("PC-A"));
    connectTcp(a, m_fx->sim, m_fx->dialogs);
    QVERIFY(a.state.ModemReady);
    if (firstCrashes)
        a.session.context().modemLock.unlock(); // what the end of its process does
    QString path = m_fx->db.path();
    if (!sameFile) {
        path = m_fx->db.directory() + QStringLiteral("/other.mdb");
        QCOMPARE(::link(QFile::encodeName(m_fx->db.path()).constData(),
                        QFile::encodeName(path).constData()),
                 0);
    }
    Workstation b(Connection::open(buildConnectionString(path, databasePassword())), name);
    ModemSim other;
    other.setTimescale(0.05);
    QVERIFY(other.listen(0));
    connectTcp(b, other, m_fx->dialogs);
    if (firstCrashes) {
        QVERIFY(b.state.ModemReady);
        QCOMPARE(a.owner(), QStringLiteral("PC-A"));
        return;
    }
    QVERIFY(!b.state.ModemReady);
    QVERIFY(b.host.status.contains(refusal + QStringLiteral("\r\n")));
    QCOMPARE(b.host.panels.value(3), refusal);
    QVERIFY(waitFor([&] { return b.state.LastComPort == 0 && !other.isConnected(); }));
    QVERIFY(!b.TimerCom.isActive());
    QCOMPARE(a.owner(), QStringLiteral("PC-A"));
    QVERIFY(a.state.ModemReady);
    // Once the first lets it go, the second takes it.
    QVERIFY(ModemInit::writeModemRow(a.session.context(), ModemInit::RowEvent::Released));
    connectTcp(b, other, m_fx->dialogs);
    QVERIFY(b.state.ModemReady);
    QCOMPARE(a.owner(), name);
}

void TestSimInit::refusedWorkstationLearnsWhenTheHoldEnds_data()
{
    QTest::addColumn<bool>("holderDies");
    QTest::addColumn<QString>("said");
    QTest::newRow("the holder dies")
        << true
        << "PC-A har ikke meldt seg på 3 sekunder og regnes som borte: velg modemet i "
           "ComPort-menyen for å ta det over";
    QTest::newRow("the holder lets go")
        << false
        << "Modemet er ikke lenger i bruk av PC-A: velg modemet i ComPort-menyen for å "
           "bruke det";
}

// A workstation kept from the modem does not go on saying that a dead or departed holder has
// it: it says, once, that the link menu takes the modem now.
void TestSimInit::refusedWorkstationLearnsWhenTheHoldEnds()
{
    QFETCH(bool, holderDies);
    QFETCH(QString, said);
    Workstation a(m_fx->db.connection(), QStringLiteral("PC-A"));
    connectTcp(a, m_fx->sim, m_fx->dialogs);
    QVERIFY(a.state.ModemReady);
    const QString path = m_fx->db.directory() + QStringLiteral("/other.mdb");
    QCOMPARE(
        ::link(QFile::encodeName(m_fx->db.path()).constData(), QFile::encodeName(path).constData()),
        0);
    Workstation b(Connection::open(buildConnectionString(path, databasePassword())),
                  QStringLiteral("PC-B"));
    ModemSim other;
    other.setTimescale(0.05);
    QVERIFY(other.listen(0));
    connectTcp(b, other, m_fx->dialogs);
    QVERIFY(!b.state.ModemReady);
    const QString refusal = QStringLiteral(
        "Modemet er i bruk av PC-A: denne arbeidsstasjonen sender og leser ikke SMS");
    QCOMPARE(b.host.panels.value(3), refusal);
    // Live and renewing: the refusal stands.
    QTest::qWait(a.timing.holdLimit + a.timing.holdRenewal);
    QCOMPARE(b.host.panels.value(3), refusal);
    if (holderDies)
        a.session.init().stopRenewal(); // a killed program renews nothing
    else
        QVERIFY(ModemInit::writeModemRow(a.session.context(), ModemInit::RowEvent::Released));
    QVERIFY(waitFor([&] { return b.host.panels.value(3) != refusal; },
                    a.timing.holdLimit + 3 * a.timing.holdRenewal));
    QCOMPARE(b.host.panels.value(3), said);
    QCOMPARE(b.host.status.count(said + QStringLiteral("\r\n")), 1);
}

void TestSimInit::modemStatusReadsOneWay_data()
{
    QTest::addColumn<QVariant>("status");
    QTest::addColumn<bool>("held");
    QTest::newRow("Null") << QVariant() << false;
    QTest::newRow("the text False") << QVariant(QStringLiteral("False")) << false;
    QTest::newRow("the text 0") << QVariant(QStringLiteral("0")) << false;
    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("-1") << QVariant(-1) << true;
    QTest::newRow("the text True") << QVariant(QStringLiteral("True")) << true;
}

// A ModemStatus as another program may have left it reads the same at the load and at the
// claim: a free row is taken, a held one is left before any command goes to the modem.
void TestSimInit::modemStatusReadsOneWay()
{
    QFETCH(QVariant, status);
    QFETCH(bool, held);
    QCOMPARE(ModemHold::statusHeld(status), held);
    if (status.isNull())
        return; // the file's schema keeps Null out; an older file may hold one
    m_fx->db.connection()->exec(
        QStringLiteral("UPDATE Modem SET ModemStatus = ?1, ModemOwner = 'PC-B', ModemRenewed = ?2"),
        {status, QDateTime::currentMSecsSinceEpoch()});
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QCOMPARE(w.state.ModemReady, !held);
    QCOMPARE(w.owner(), held ? QStringLiteral("PC-B") : QStringLiteral("PC-A"));
    QCOMPARE(m_fx->sim.commandLog().contains(QStringLiteral("AT+GSN")), !held);
    QVERIFY(!w.host.status.contains(QStringLiteral("i bruk av ?")));
}

void TestSimInit::droppedLinkMakesModemNotReady()
{
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(w.state.ModemReady);
    m_fx->sim.dropLink();
    QVERIFY(waitFor([&] { return !w.state.ModemReady; }));
    QVERIFY(!w.TimerCom.isActive());
    QCOMPARE(w.owner(), QStringLiteral("?"));
    const auto row = Recordset::open(m_fx->db.connection(),
                                     QStringLiteral("SELECT ModemManufacturer FROM Modem"));
    QCOMPARE(row->toText(0), QStringLiteral("No Modem"));
    QCOMPARE(w.state.LastComPort, 255);
}

void TestSimInit::noLinkReleasesHeldRowWithoutBox()
{
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(w.state.ModemReady);
    const int boxes = m_fx->dialogs.texts().size();
    w.session.mnuComPortComNone_Click();
    QVERIFY(!w.state.ModemReady);
    QCOMPARE(w.owner(), QStringLiteral("?"));
    QCOMPARE(m_fx->dialogs.texts().size(), boxes);
    // Not held: the row stays as it is.
    m_fx->db.connection()->exec(QStringLiteral("UPDATE Modem SET ModemOwner = 'PC-Z'"));
    w.session.mnuComPortComNone_Click();
    QCOMPARE(w.owner(), QStringLiteral("PC-Z"));
}

void TestSimInit::initDuringInitRunsOnceAfterIt()
{
    Workstation w(m_fx->db.connection(), QStringLiteral("PC-A"));
    int clicks = 0;
    // Clicks arrive while the first initialisation waits for the modem.
    connect(&m_fx->sim, &ModemSim::written, &w.session, [&] {
        if (w.flags.ModemInitBusy && clicks < 3) {
            ++clicks;
            w.session.Command3_Click();
        }
    });
    connectTcp(w, m_fx->sim, m_fx->dialogs);
    QVERIFY(w.state.ModemReady);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("AT+GSN")), 1);
    QVERIFY(waitFor([&] { return m_fx->sim.commandLog().count(QStringLiteral("AT+GSN")) == 2; }));
    QTest::qWait(200);
    QCOMPARE(m_fx->sim.commandLog().count(QStringLiteral("AT+GSN")), 2);
}

QTEST_MAIN(TestSimInit)
#include "tst_sim_init.moc"

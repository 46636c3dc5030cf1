// The real main window offscreen on the simulator: load, initialisation, sending, listing.
#include "core/DatabaseMenu.h"
#include "core/mainwindow/frmMain.h"
#include "modem/ModemSession.h"
#include "modem/TerminalLog.h"
#include "platform/db/Connection.h"
#include "platform/link/SerialLink.h"
#include "platform/phrase/Phrase.h"
#include "platform/settings/Settings.h"
#include "platform/ui/ShutdownSignals.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/Waiting.h"
#include "tools/modemsim/ModemSim.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>
#include <csignal>

using namespace portiva;
using portiva::modemsim::ModemSim;

namespace
{

bool waitFor(const std::function<bool()> &done, int ms = 20000)
{
    return test::waitUntil(done, ms);
}

// The settings of a workstation that reaches the simulator by the link chosen.
void writeSettings(const QString &ini, const ModemSim &sim, int lastComPort,
                   const QString &ptyLink = {})
{
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("Settings/LastComPort", lastComPort);
    s.setValue("Settings/HostName", "127.0.0.1");
    s.setValue("Settings/Port", QString::number(sim.port()));
    if (!ptyLink.isEmpty())
        s.setValue("Settings/SerialDevice7", ptyLink);
}

// The program-wide state the login leaves for the first operator on workstation PC-TEST.
AppState loggedIn(const TestDatabase &db)
{
    AppState state;
    state.DBPath = db.path();
    state.CurrentUserName = QStringLiteral("Forvaltermann");
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.CurrentComputerName = QStringLiteral("PC-TEST");
    return state;
}

} // namespace

class TestSimMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }
    void init();
    void cleanup();
    void runsTheModemDialogue_data();
    void runsTheModemDialogue();
    void loadLeavesAModemHeldElsewhere();
    void unusablePortIsToldInTheChosenLanguage_data();
    void unusablePortIsToldInTheChosenLanguage();
    void databaseChangeKeepsTheModem_data();
    void databaseChangeKeepsTheModem();
    void terminationSignalUnloadsTheWindow_data();
    void terminationSignalUnloadsTheWindow();

private:
    QString settingsOnSim(ModemSim &sim, const QString &name, bool network);

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    Dialogs *m_previous = nullptr;
};

void TestSimMainWindow::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_previous = setDialogs(m_dialogs.get());
}

// The settings file of a workstation on sim, by TCP or through a pseudo-terminal as COM 7;
// empty when the pseudo-terminal cannot be opened.
QString TestSimMainWindow::settingsOnSim(ModemSim &sim, const QString &name, bool network)
{
    const QString ptyLink = m_dir.filePath(name + QStringLiteral("-modem"));
    const QString ini = m_dir.filePath(name + QStringLiteral(".ini"));
    writeSettings(ini, sim, network ? 255 : 7, ptyLink);
    if (!network && !sim.openPty(ptyLink))
        return {};
    return ini;
}

void TestSimMainWindow::cleanup()
{
    setDialogs(m_previous);
    m_dialogs.reset();
}

void TestSimMainWindow::runsTheModemDialogue_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("tcp") << true;
    QTest::newRow("pseudo-terminal") << false;
}

void TestSimMainWindow::runsTheModemDialogue()
{
    QFETCH(bool, network);
    TestDatabase db;
    ModemSim sim;
    sim.setTimescale(0.05);
    QVERIFY(sim.listen(0));
    const QString ini = settingsOnSim(sim, QStringLiteral("dialogue%1").arg(network), network);
    QVERIFY(!ini.isEmpty());
    Settings settings(ini);
    AppState state = loggedIn(db);
    frmMain w(state);
    w.setSettings(&settings);
    if (network)
        m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    w.Form_Load();
    QVERIFY(state.ModemReady);
    QVERIFY(w.rtfTerminalScreen->toPlainText().contains(QLatin1String("==>AT+GSN")));
    // The network group shows the terminal view, and its button offers to hide it.
    QCOMPARE(!w.rtfTerminalScreen->isHidden(), network);
    QCOMPARE(w.ComShowCom->text(), network ? QStringLiteral("Skjul Modemkommunikasjon")
                                           : QStringLiteral("Vis Modemkommunikasjon"));
    QVERIFY(sim.commandLog().contains(QStringLiteral("AT+CNMI=1,1")));
    auto conn = Connection::open(state.ConnectionString);
    QCOMPARE(conn->scalar("SELECT ModemOwner FROM Modem").toString(), QStringLiteral("PC-TEST"));

    // Every queued row goes out in turn with its reference stored.
    conn->exec(
        "INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
        "('+4711111111', 'Første', 40000, 'UNSENT'), ('+4722222222', 'Andre', 40001, 'UNSENT')");
    QVERIFY(waitFor([&] { return sim.submissions().size() == 2; }, 30000));
    QCOMPARE(sim.submissions()[0].text, QStringLiteral("Første"));
    QVERIFY(waitFor([&] {
        return conn->scalar("SELECT count(*) FROM SMS_Sent WHERE CMGS LIKE '%:OK'").toInt() == 2;
    }));

    // A received SMS is listed and handed to the reader.
    QVERIFY(sim.deliverSms(QStringLiteral("+4799887766"), QStringLiteral("Hovedport")));
    // The listing is polled, and its entry handed to the reader.
    QVERIFY(waitFor([&] {
        return w.modem().terminal().text().contains(
            QLatin1String("<+CMGL: 1,\"REC UNREAD\",\"+4799887766\""));
    }));
    QVERIFY(waitFor([&] { return !w.ReadingMessages; }));
    QVERIFY(!w.QueueWorkerBusy && !w.ModemInitBusy);
    w.modem().shutdown();
}

// Another workstation holds the modem: this one opens no link, says so, and of the rows left on
// their way to the modem it shows its own as cut off and leaves the holder's alone.
void TestSimMainWindow::unusablePortIsToldInTheChosenLanguage_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing, no") << "missing"
                                 << "47"
                                 << "Modemporten %1 ble ikke åpnet: porten finnes ikke.";
    QTest::newRow("missing, da") << "missing"
                                 << "45"
                                 << "Modemporten %1 blev ikke åbnet: porten findes ikke.";
    QTest::newRow("missing, sv") << "missing"
                                 << "46"
                                 << "Modemporten %1 öppnades inte: porten finns inte.";
    QTest::newRow("held, sv")
        << "held"
        << "46"
        << "Modemporten %1 öppnades inte: porten används av ett annat program.";
}

// The load opens the chosen serial port: when it cannot, the box and the status box say which
// device and why, in the operator's language, and the modem is not ready.
void TestSimMainWindow::unusablePortIsToldInTheChosenLanguage()
{
    QFETCH(QString, situation);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    TestDatabase db;
    ModemSim sim;
    QVERIFY(sim.listen(0));
    QString ini = settingsOnSim(sim, QStringLiteral("port-") + situation + country, false);
    QVERIFY(!ini.isEmpty());
    QString device = m_dir.filePath(QStringLiteral("port-") + situation + country + "-modem");
    SerialLink other; // another program on the modem's port
    if (situation == QLatin1String("missing")) {
        device = m_dir.filePath(QStringLiteral("ttyUSB-none"));
        QSettings(ini, QSettings::IniFormat).setValue("Settings/SerialDevice7", device);
    } else {
        other.open(device);
    }
    QSettings(ini, QSettings::IniFormat).setValue("Settings/CountryCode", country);
    setPhraseLanguage(country);
    const auto reset = qScopeGuard([] { setPhraseLanguage(QStringLiteral("47")); });
    Settings settings(ini);
    AppState state = loggedIn(db);
    frmMain w(state);
    w.setSettings(&settings);
    w.Form_Load();
    const QString why = expected.arg(device);
    QVERIFY2(!m_dialogs->texts().isEmpty() && m_dialogs->texts().first().startsWith(why),
             qPrintable(m_dialogs->texts().join(" | ")));
    QVERIFY2(m_dialogs->texts().first().endsWith(QStringLiteral("\rComOther")),
             qPrintable(m_dialogs->texts().first()));
    QVERIFY2(w.txtMessages->toPlainText().contains(why), qPrintable(w.txtMessages->toPlainText()));
    QVERIFY(!state.ModemReady);
    QVERIFY(sim.commandLog().isEmpty());
}

void TestSimMainWindow::loadLeavesAModemHeldElsewhere()
{
    TestDatabase db;
    ModemSim sim;
    QVERIFY(sim.listen(0));
    const QString ini = m_dir.filePath(QStringLiteral("elsewhere.ini"));
    writeSettings(ini, sim, 255);
    auto conn = db.connection();
    conn->exec("UPDATE Modem SET ModemStatus = -1, ModemOwner = 'PC-OTHER'");
    conn->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
               "('+4711111111', 'A', 40000, 'Sendes fra PC-OTHER'), "
               "('+4711111111', 'B', 40000, 'Sendes fra PC-TEST')");
    Settings settings(ini);
    AppState state = loggedIn(db);
    frmMain w(state);
    w.setSettings(&settings);
    w.Form_Load();
    QVERIFY(m_dialogs->calls().isEmpty()); // no connect box
    QVERIFY(!state.ModemReady);
    QCOMPARE(state.LastComPort, 0);
    const QString said = QStringLiteral(
        "Modemet er i bruk av PC-OTHER: denne arbeidsstasjonen sender og leser ikke SMS");
    QVERIFY(w.txtMessages->toPlainText().contains(said));
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("Panel3"))->text(), said);
    auto after = Connection::open(state.ConnectionString);
    QCOMPARE(after->scalar("SELECT CMGS FROM SMS_Sent WHERE SMS_Text = 'A'").toString(),
             QStringLiteral("Sendes fra PC-OTHER"));
    QCOMPARE(after->scalar("SELECT CMGS FROM SMS_Sent WHERE SMS_Text = 'B'").toString(),
             QStringLiteral("Avbrutt, kanskje sendt"));
    QTest::qWait(100);
    QVERIFY(sim.commandLog().isEmpty());
}

void TestSimMainWindow::databaseChangeKeepsTheModem_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("tcp") << true;
    QTest::newRow("pseudo-terminal") << false;
}

// File > Database while the modem is ready: the link in use stays in use, the old file's Modem
// row is given back and the new file's taken, and the new file's queue goes out, unasked.
void TestSimMainWindow::databaseChangeKeepsTheModem()
{
    QFETCH(bool, network);
    TestDatabase first, second;
    ModemSim sim;
    sim.setTimescale(0.05);
    QVERIFY(sim.listen(0));
    const QString ini = settingsOnSim(sim, QStringLiteral("change%1").arg(network), network);
    QVERIFY(!ini.isEmpty());
    Settings settings(ini);
    AppState state = loggedIn(first);
    frmMain w(state);
    w.setSettings(&settings);
    if (network)
        m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    w.Form_Load();
    QVERIFY(state.ModemReady);
    QVERIFY(waitFor([&] { return !w.ModemInitBusy && !w.QueueWorkerBusy && !w.ReadingMessages; }));
    m_dialogs->clear();

    w.databaseMenu().setFileChooser([&](QWidget *, const QString &) { return second.path(); });
    w.mnuFileDatabase->trigger();
    QCOMPARE(m_dialogs->texts(), QStringList()); // no question, no failure
    QCOMPARE(state.DBPath, second.path());
    QCOMPARE(state.LastComPort, network ? 255 : 7);
    QVERIFY(waitFor([&] { return state.ModemReady && !w.ModemInitBusy; }));
    QVERIFY(!w.findChild<QLabel *>(QStringLiteral("Panel1"))->text().startsWith("No Modem"));

    const QString row = "SELECT ModemStatus || '|' || ModemOwner FROM Modem";
    QCOMPARE(second.openConnection()->scalar(row).toString(), QStringLiteral("-1|PC-TEST"));
    QCOMPARE(first.openConnection()->scalar(row).toString().section('|', 0, 0),
             QStringLiteral("0"));

    auto conn = second.openConnection();
    conn->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
               "('+4733333333', 'Fra den nye', 40000, 'UNSENT')");
    QVERIFY(waitFor([&] { return sim.submissions().size() == 1; }, 30000));
    QCOMPARE(sim.submissions()[0].text, QStringLiteral("Fra den nye"));
    QVERIFY(waitFor([&] { return !w.QueueWorkerBusy; }));
    w.modem().shutdown();
}

void TestSimMainWindow::terminationSignalUnloadsTheWindow_data()
{
    QTest::addColumn<bool>("duringSend");
    QTest::newRow("idle") << false;
    QTest::newRow("during a send") << true;
}

// A logout's SIGTERM runs the close box's unload: the Modem row is released and the settings
// saved. A send under way ends first, with its reference stored, and no box asks to wait.
void TestSimMainWindow::terminationSignalUnloadsTheWindow()
{
    QFETCH(bool, duringSend);
    TestDatabase db;
    ModemSim sim;
    sim.setTimescale(0.05);
    QVERIFY(sim.listen(0));
    const QString ini = m_dir.filePath(QStringLiteral("signal%1.ini").arg(duringSend));
    writeSettings(ini, sim, 255);
    Settings settings(ini);
    AppState state = loggedIn(db);
    frmMain w(state);
    w.setSettings(&settings);
    m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    w.Form_Load();
    w.show();
    QVERIFY(state.ModemReady);
    auto conn = Connection::open(state.ConnectionString);
    ShutdownSignals shutdown([&w] { w.closeForShutdown(); });
    if (duringSend) {
        sim.setCmgsDelay(3000);
        QObject::connect(&sim, &ModemSim::submitted, &w, [] { std::raise(SIGTERM); });
        conn->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                   "('+4711111111', 'Hei', 40000, 'UNSENT')");
    } else {
        std::raise(SIGTERM);
    }
    QVERIFY(waitFor([&] { return !w.isVisible(); }, 30000));
    // Released by the unload, not marked down by the closing link.
    QCOMPARE(conn->scalar("SELECT ModemOwner || '|' || ModemManufacturer || '|' || ModemStatus "
                          "FROM Modem")
                 .toString(),
             QStringLiteral("?| |0"));
    QVERIFY(QSettings(ini, QSettings::IniFormat).contains("Settings/MainLeft"));
    QVERIFY(!m_dialogs->texts().contains(QStringLiteral("Vent til SMS sending er ferdig")));
    if (duringSend) {
        QCOMPARE(sim.submissions().size(), 1);
        QCOMPARE(conn->scalar("SELECT CMGS FROM SMS_Sent").toString(),
                 QString::number(sim.submissions()[0].mr) + ":OK");
    }
}

QTEST_MAIN(TestSimMainWindow)
#include "tst_sim_mainwindow.moc"

// Two workstations on one file, each with a simulated modem of its own: the holder of the
// modem is a process of its own that may be killed, the other is the real main window.

#include "core/mainwindow/frmMain.h"
#include "helper_session.h"
#include "modem/ModemInit.h"
#include "modem/SendQueue.h"
#include "platform/settings/Settings.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tools/modemsim/ModemSim.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace portiva;
using namespace portiva::test;
using portiva::modemsim::ModemSim;

namespace
{

const char *const FileVariable = "PORTIVA_HOLDER_DATABASE";
const double Scale = 0.05;

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Workstation PC-A: takes the modem and keeps it, sending the one queued row, whose
// reference never comes; says when its hold is taken from it.
int runHolder(int argc, char **argv)
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    ModemSim sim;
    sim.setTimescale(Scale);
    if (!sim.listen(0))
        return 2;
    sim.setCmgsDelay(3600 * 1000);
    QObject::connect(&sim, &ModemSim::submitted, &app, [] { say(QStringLiteral("submitted")); });
    Workstation w(Connection::open(buildConnectionString(qEnvironmentVariable(FileVariable),
                                                         databasePassword())),
                  QStringLiteral("PC-A"));
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(sim.port());
    dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort();
    say(QStringLiteral("held %1").arg(int(w.state.ModemReady)));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (!w.state.ModemReady) {
            say(QStringLiteral("lost: ") + w.host.panels.value(3));
            app.quit();
        }
    });
    watch.start(50);
    w.session.queue().Send_Next_SMS();
    return app.exec();
}

bool waitForLine(QProcess &child, const QString &start, QStringList &seen)
{
    QElapsedTimer t;
    t.start();
    auto found = [&] {
        return std::any_of(seen.begin(), seen.end(),
                           [&](const QString &l) { return l.startsWith(start); });
    };
    while (!found() && t.elapsed() < 30000) {
        child.waitForReadyRead(100);
        seen += QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
    return found();
}

} // namespace

class TestSimMainHold : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", QByteArray::number(Scale)); }
    void init();
    void cleanup();
    void deadHolderIsTakenOver_data();
    void deadHolderIsTakenOver();
    void liveHolderIsTakenOnlyWhenTheOperatorSays_data();
    void liveHolderIsTakenOnlyWhenTheOperatorSays();

private:
    void startHolder(const TestDatabase &db);
    // The state the login leaves for the first operator on workstation PC-TEST.
    void logIn(const TestDatabase &db)
    {
        m_state = AppState();
        m_state.DBPath = db.path();
        m_state.CurrentUserName = QStringLiteral("Forvaltermann");
        m_state.CurrentSecurityLevel = QStringLiteral("6");
        m_state.CurrentComputerName = QStringLiteral("PC-TEST");
    }
    void load(frmMain &w, bool connects);
    void chooseNetworkModem(frmMain &w);
    QString status(frmMain &w) const { return w.txtMessages->toPlainText(); }
    QString rowState(const TestDatabase &db) const
    {
        return db.openConnection()->scalar("SELECT CMGS FROM SMS_Sent").toString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<ModemSim> m_sim;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<QProcess> m_holder;
    QStringList m_said;
    AppState m_state;
};

void TestSimMainHold::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_sim = std::make_unique<ModemSim>();
    m_sim->setTimescale(Scale);
    QVERIFY(m_sim->listen(0));
    m_said.clear();
}

void TestSimMainHold::cleanup()
{
    if (m_holder && m_holder->state() != QProcess::NotRunning) {
        m_holder->kill();
        m_holder->waitForFinished();
    }
    m_holder.reset();
    m_settings.reset();
    m_sim.reset();
    m_dialogs.reset();
}

// PC-A holds the modem and has one row on its way to it.
void TestSimMainHold::startHolder(const TestDatabase &db)
{
    db.openConnection()->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                              "('+4711111111', 'Hei', 40000, 'UNSENT')");
    // Another computer reaches the file by a path of its own, so no lock of this computer's
    // stands between the two: the Modem row alone decides.
    const QString path = db.directory() + QStringLiteral("/pc-a.mdb");
    QCOMPARE(::link(QFile::encodeName(db.path()).constData(), QFile::encodeName(path).constData()),
             0);
    m_holder = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(FileVariable), path);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_holder->setProcessEnvironment(env);
    m_holder->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_holder->start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(waitForLine(*m_holder, QStringLiteral("held 1"), m_said));
    QVERIFY(waitForLine(*m_holder, QStringLiteral("submitted"), m_said));
    QCOMPARE(rowState(db), QStringLiteral("Sendes fra PC-A"));
}

// Workstation PC-TEST's main window, its settings on its own simulator by TCP.
void TestSimMainHold::load(frmMain &w, bool connects)
{
    const QString ini = m_dir.filePath(QStringLiteral("pc-test.ini"));
    QFile::remove(ini);
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("Settings/LastComPort", 255);
    s.setValue("Settings/HostName", "127.0.0.1");
    s.setValue("Settings/Port", QString::number(m_sim->port()));
    s.sync();
    m_settings = std::make_unique<Settings>(ini);
    w.setSettings(m_settings.get());
    if (connects)
        m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    w.Form_Load();
}

void TestSimMainHold::chooseNetworkModem(frmMain &w)
{
    m_dialogs->answerInput(QStringLiteral("127.0.0.1"));
    m_dialogs->answerInput(QString::number(m_sim->port()));
    m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    w.mnuComPortWinsock->trigger();
}

void TestSimMainHold::deadHolderIsTakenOver_data()
{
    QTest::addColumn<bool>("atStartUp");
    QTest::newRow("at start-up") << true;
    QTest::newRow("by the link menu") << false;
}

// PC-A is killed in the middle of a send. Once its hold is not renewed, PC-TEST takes the
// modem at start-up, or by its link menu without asking, and shows PC-A's row as cut off.
void TestSimMainHold::deadHolderIsTakenOver()
{
    QFETCH(bool, atStartUp);
    TestDatabase db;
    startHolder(db);
    logIn(db);
    frmMain w(m_state);
    if (!atStartUp) {
        load(w, false);
        QVERIFY(!m_state.ModemReady);
        QVERIFY(status(w).contains(QStringLiteral("Modemet er i bruk av PC-A")));
    }
    ::kill(pid_t(m_holder->processId()), SIGKILL);
    QVERIFY(m_holder->waitForFinished());
    QTest::qWait(int(60000 * Scale) + 500); // the hold is no longer renewed
    if (atStartUp)
        load(w, true);
    else
        chooseNetworkModem(w);
    QVERIFY(waitFor([&] { return m_state.ModemReady && !w.ModemInitBusy; }));
    // No question: nobody is left to ask about.
    for (const auto &call : m_dialogs->calls())
        QVERIFY2(!call.text.contains(QStringLiteral("Ta over modemet")), qPrintable(call.text));
    auto conn = db.openConnection();
    QCOMPARE(conn->scalar("SELECT ModemOwner FROM Modem").toString(), QStringLiteral("PC-TEST"));
    QCOMPARE(rowState(db), QStringLiteral("Avbrutt, kanskje sendt"));
    const QString said = status(w);
    qInfo("status box at the take-over:\n%s", qPrintable(said));
    QVERIFY(said.contains(QStringLiteral("PC-A har ikke meldt seg på")));
    QVERIFY(said.contains(QStringLiteral("denne arbeidsstasjonen har tatt over modemet")));
    QVERIFY(said.contains(
        QStringLiteral("1 SMS som var på vei til modemet vises som \"Avbrutt, kanskje sendt\"")));
    QVERIFY(!said.contains(QStringLiteral("Modemet er i bruk av ?")));
    // The send panel no longer names the holder that is gone.
    QVERIFY(!w.findChild<QLabel *>(QStringLiteral("Panel3"))->text().contains(u"PC-A"));
    // The cut-off row is not sent again; the modem is this workstation's to use.
    QTest::qWait(int(30000 * Scale) * 2);
    QCOMPARE(m_sim->submissions().size(), 0);
    QVERIFY(m_sim->commandLog().contains(QStringLiteral("AT+GSN")));
    w.modem().shutdown();
}

void TestSimMainHold::liveHolderIsTakenOnlyWhenTheOperatorSays_data()
{
    QTest::addColumn<bool>("takeOver");
    QTest::newRow("the operator declines") << false;
    QTest::newRow("the operator takes it") << true;
}

// PC-A is alive: the link menu asks first, naming it. Declined, PC-TEST sends its modem not
// one command; taken, PC-A learns it at its next renewal and lets the modem go.
void TestSimMainHold::liveHolderIsTakenOnlyWhenTheOperatorSays()
{
    QFETCH(bool, takeOver);
    TestDatabase db;
    startHolder(db);
    logIn(db);
    frmMain w(m_state);
    load(w, false);
    QVERIFY(!m_state.ModemReady);
    QTest::qWait(int(60000 * Scale) + 500); // longer than a dead hold lasts: PC-A renews
    m_dialogs->answerInput(QStringLiteral("127.0.0.1"));
    m_dialogs->answerInput(QString::number(m_sim->port()));
    m_dialogs->answer(Dialogs::Answer::Ok); // "Kobler til: ..."
    m_dialogs->answer(takeOver ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
    w.mnuComPortWinsock->trigger();
    QVERIFY(waitFor([&] { return !w.ModemInitBusy; }));
    QCOMPARE(m_dialogs->texts()
                 .filter(QStringLiteral("Modemet er i bruk av PC-A.\rTa over modemet?"))
                 .size(),
             1);
    QCOMPARE(m_dialogs->pendingAnswers(), 0);
    auto conn = db.openConnection();
    if (!takeOver) {
        QVERIFY(!m_state.ModemReady);
        QTest::qWait(200);
        QVERIFY(m_sim->commandLog().isEmpty());
        QCOMPARE(conn->scalar("SELECT ModemOwner FROM Modem").toString(), QStringLiteral("PC-A"));
        QVERIFY(m_holder->state() == QProcess::Running);
        return;
    }
    QVERIFY(waitFor([&] { return m_state.ModemReady; }));
    QCOMPARE(conn->scalar("SELECT ModemOwner FROM Modem").toString(), QStringLiteral("PC-TEST"));
    QVERIFY(status(w).contains(QStringLiteral("Modemet er tatt over fra PC-A")));
    QVERIFY(waitForLine(*m_holder, QStringLiteral("lost: "), m_said));
    QVERIFY(m_said.contains(QStringLiteral(
        "lost: Modemet er tatt over av PC-TEST: denne arbeidsstasjonen sender og leser ikke SMS")));
    w.modem().shutdown();
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(FileVariable))
        return runHolder(argc, argv);
    QApplication app(argc, argv);
    TestSimMainHold test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sim_mainhold.moc"

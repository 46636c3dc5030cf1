// Programs that share one database file, each a process of its own with a simulated modem of
// its own: two started together, and one killed in the middle of a send and started again.

#include "helper_session.h"
#include "modem/ModemInit.h"
#include "modem/SendQueue.h"
#include "tools/modemsim/ModemSim.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <cstdio>

using namespace portiva;
using namespace portiva::test;
using portiva::modemsim::ModemSim;

namespace
{

const char *const ModeVariable = "PORTIVA_CHILD_MODE";
const char *const FileVariable = "PORTIVA_CHILD_DATABASE";
const char *const NameVariable = "PORTIVA_CHILD_NAME";

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// One program: its own modem, the shared file. "worker" initialises (and says whether it took
// the modem), then sends as long as rows wait, as a program that believes it holds the modem
// would; "send" sends one row whose reference never comes.
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = qEnvironmentVariable(ModeVariable);
    ScriptedDialogs dialogs;
    ModemSim sim;
    sim.setTimescale(0.05);
    if (!sim.listen(0))
        return 2;
    QObject::connect(&sim, &ModemSim::submitted, &app,
                     [](const modemsim::Submission &s) { say(QStringLiteral("sent ") + s.text); });
    if (mode == QLatin1String("send")) {
        sim.setCmgsDelay(10 * 60 * 1000);
        QObject::connect(&sim, &ModemSim::submitted, &app,
                         [] { say(QStringLiteral("submitted")); });
    }
    const QString file = qEnvironmentVariable(FileVariable);
    Workstation w(Connection::open(buildConnectionString(file, databasePassword())),
                  qEnvironmentVariable(NameVariable));
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(sim.port());
    w.session.init().ownedElsewhere = {}; // keeps its link, as if it held the modem
    dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort();
    say(QStringLiteral("claimed %1").arg(int(w.state.ModemReady)));
    w.state.ModemReady = true;
    do
        w.session.queue().Send_Next_SMS();
    while (w.flags.QueueNotEmpty);
    say(QStringLiteral("done"));
    return 0;
}

QStringList linesOf(QProcess &child)
{
    return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

bool waitForLine(QProcess &child, const QString &line, QStringList &seen)
{
    QElapsedTimer t;
    t.start();
    while (!seen.contains(line) && t.elapsed() < 30000) {
        child.waitForReadyRead(200);
        seen += linesOf(child);
    }
    return seen.contains(line);
}

} // namespace

class TestSimProcesses : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QProcess> start(const QString &mode, const QString &file, const QString &name)
    {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ModeVariable), mode);
        env.insert(QString::fromLatin1(FileVariable), file);
        env.insert(QString::fromLatin1(NameVariable), name);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QCoreApplication::applicationFilePath(), {});
        return child;
    }

private slots:
    // Started together on one file, both initialise their modems; only one takes the Modem
    // row. Even when both send, each row goes out once.
    void twoProgramsOnOneFile()
    {
        TestDatabase db;
        auto conn = db.connection();
        for (int i = 1; i <= 50; ++i)
            conn->exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) "
                                      "VALUES ('+4711111111', ?1, 40000, 'UNSENT')"),
                       {QStringLiteral("Rad %1").arg(i)});
        auto first = start(QStringLiteral("worker"), db.path(), QStringLiteral("PC-1"));
        auto second = start(QStringLiteral("worker"), db.path(), QStringLiteral("PC-2"));
        QStringList a, b;
        QVERIFY(waitForLine(*first, QStringLiteral("done"), a));
        QVERIFY(waitForLine(*second, QStringLiteral("done"), b));
        QVERIFY(first->waitForFinished() && second->waitForFinished());
        QCOMPARE(a.count(QStringLiteral("claimed 1")) + b.count(QStringLiteral("claimed 1")), 1);
        const QStringList sent = (a + b).filter(QRegularExpression(QStringLiteral("^sent ")));
        qInfo("rows sent by the two programs: %d and %d",
              int(a.filter(QStringLiteral("sent ")).size()),
              int(b.filter(QStringLiteral("sent ")).size()));
        QCOMPARE(sent.size(), 50);
        QCOMPARE(QSet<QString>(sent.begin(), sent.end()).size(), 50);
        QCOMPARE(conn->scalar("SELECT count(*) FROM SMS_Sent WHERE CMGS LIKE '%:OK'").toInt(), 50);
    }

    // Killed after its text went out and before the reference: the row is never sent again
    // on its own, and the next start shows it as a send that was cut off.
    void killedInTheMiddleOfASend()
    {
        TestDatabase db;
        auto conn = db.connection();
        conn->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                   "('+4711111111', 'Hei', 40000, 'UNSENT')");
        auto child = start(QStringLiteral("send"), db.path(), QStringLiteral("PC-1"));
        QStringList seen;
        QVERIFY(waitForLine(*child, QStringLiteral("submitted"), seen));
        QCOMPARE(conn->scalar("SELECT CMGS FROM SMS_Sent").toString(),
                 QStringLiteral("Sendes fra PC-1"));
        ::kill(pid_t(child->processId()), SIGKILL);
        QVERIFY(child->waitForFinished());
        seen += linesOf(*child);
        QCOMPARE(seen.filter(QStringLiteral("sent ")).size(), 1);

        // Started again under the same name, with the Modem row still its own.
        ScriptedDialogs dialogs;
        ModemSim sim;
        sim.setTimescale(0.05);
        QVERIFY(sim.listen(0));
        Workstation w(conn, QStringLiteral("PC-1"));
        w.state.LastComPort = 255;
        w.state.Port = QString::number(sim.port());
        dialogs.answer(Dialogs::Answer::Ok);
        w.session.OpenComPort();
        QVERIFY(w.state.ModemReady);
        QCOMPARE(conn->scalar("SELECT CMGS FROM SMS_Sent").toString(),
                 QStringLiteral("Avbrutt, kanskje sendt"));
        w.session.queue().Send_Next_SMS();
        QVERIFY(!w.flags.QueueNotEmpty);
        QCOMPARE(sim.submissions().size(), 0);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(ModeVariable))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestSimProcesses test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sim_processes.moc"

// Received SMS end to end: the modem session and the received-SMS reader on the simulator over
// TCP, on real time scaled down.

#include "inbox/ReceivedSmsReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemHost.h"
#include "modem/ModemSession.h"
#include "platform/db/Connection.h"
#include "platform/link/SerialLink.h"
#include "platform/link/TcpLink.h"
#include "platform/ui/Dialogs.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/Waiting.h"
#include "tools/modemsim/ModemSim.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using portiva::modemsim::ModemSim;

namespace
{

struct Host : ModemHost {
    QString panel2;
    void setStatusPanel(int p, const QString &t) override
    {
        if (p == 2)
            panel2 = t;
    }
};

// One workstation with its modem on the simulator.
struct Station {
    AppState state;
    Host host;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    ModemSession session;
    ReceivedSmsReader reader;
    int reloads = 0;

    explicit Station(std::shared_ptr<Connection> db)
        : session(state, host, TimerCom, TimerSEND_SMS, flags, std::make_unique<SerialLink>(),
                  std::make_unique<TcpLink>(), ModemTiming().scaled(0.05),
                  std::make_unique<RealModemClock>()),
          reader(session.context(), {[this] { ++reloads; }, {}, {}})
    {
        state.SharedConnection = std::move(db);
        state.CurrentComputerName = QStringLiteral("PC-A");
        session.setReceiver(reader);
    }
};

bool waitFor(const std::function<bool()> &done, int ms = 15000)
{
    return test::waitUntil(done, ms);
}

int count(Connection &db, const QString &sql)
{
    return db.scalar(sql).toInt();
}

// The resident memory of this process (the program and the simulator), in KiB.
qint64 residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

class TestInboxSim : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void receivedSmsStoredOnceAndDeleted();
    void reportCompletesSentRow();
    void endlessListingStoresEachMessageOnce();
    void reportCompletesInterruptedRow();

private:
    void connect(Station &s, bool reports);

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    Dialogs *m_previous = nullptr;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<ModemSim> m_sim;
};

void TestInboxSim::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_previous = setDialogs(m_dialogs.get());
    m_db = std::make_unique<TestDatabase>();
    m_sim = std::make_unique<ModemSim>();
    m_sim->setTimescale(0.05);
    m_sim->setClock(QDateTime(QDate(2009, 5, 10), QTime(14, 3, 27)), 8);
    QVERIFY(m_sim->listen(0));
}

void TestInboxSim::cleanup()
{
    m_sim.reset();
    m_db.reset();
    setDialogs(m_previous);
    m_dialogs.reset();
}

void TestInboxSim::connect(Station &s, bool reports)
{
    s.state.SMSREPORT = reports;
    s.state.LastComPort = 255;
    s.state.HostName = QStringLiteral("127.0.0.1");
    s.state.Port = QString::number(m_sim->port());
    m_dialogs->answer(Dialogs::Answer::Ok);
    s.session.OpenComPort();
    QVERIFY(waitFor([&] { return s.state.ModemReady && !s.flags.ModemInitBusy; }));
}

void TestInboxSim::receivedSmsStoredOnceAndDeleted()
{
    Station s(m_db->connection());
    connect(s, false);
    m_db->connection()->exec(
        QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort) VALUES "
                       "('+4741234567', 'Testesen', 'Kari', '41234567')"));

    const QStringList answer = m_sim->control(QStringLiteral("sms +4741234567 \"Hei du\""));
    QCOMPARE(answer.value(answer.size() - 1), QStringLiteral("OK"));
    QVERIFY(waitFor([&] { return !m_sim->deletions().isEmpty(); }));
    // A few more polls: nothing is listed again, nothing stored twice.
    QTest::qWait(1000);

    Connection &db = *m_db->connection();
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM SMS_Received")), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT FraNummer || '|' || FraNummerKort || '|' || "
                                      "Etternavn || '|' || Fornavn || '|' || SMS_Text FROM "
                                      "SMS_Received"))
                 .toString(),
             QStringLiteral("+4741234567|41234567|Testesen|Kari|Hei du"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT Dato FROM SMS_Received")).toString().size(), 17);
    QCOMPARE(m_sim->deletions().size(), 1);
    QVERIFY(
        m_sim->commandLog().contains(QStringLiteral("AT+CMGD=%1").arg(m_sim->deletions().first())));
    QVERIFY(s.reloads >= 1);
    QVERIFY(s.state.ReloadRequested);
    QVERIFY(!s.flags.ReadingMessages);
    QVERIFY(s.TimerCom.isActive());
}

void TestInboxSim::reportCompletesSentRow()
{
    Station s(m_db->connection());
    connect(s, true);
    QVERIFY(s.session.context().deliveryReportsOn);
    m_db->connection()->exec(
        QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, CMGS, TimeSent, "
                       "TimeReceived, ReceivedStatus, Dato, DatoLNG) VALUES ('+4741234567', "
                       "'41234567', 'Hei', 'UNSENT', 'NA', 'NA', 'NA', '2009-05-10', 39943)"));

    Connection &db = *m_db->connection();
    auto cmgs = [&] { return db.scalar(QStringLiteral("SELECT CMGS FROM SMS_Sent")).toString(); };
    QVERIFY(waitFor([&] { return cmgs().endsWith(QLatin1String(":OK")); }, 30000));
    QCOMPARE(m_sim->submissions().size(), 1);
    QCOMPARE(cmgs(), QString::number(m_sim->submissions().first().mr) + QStringLiteral(":OK"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT ReceivedStatus FROM SMS_Sent")).toString(),
             QStringLiteral("OK"));
    for (const char *column : {"TimeSent", "TimeReceived"}) {
        const QString t =
            db.scalar(QStringLiteral("SELECT %1 FROM SMS_Sent").arg(QLatin1String(column)))
                .toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d,\\d\\d:\\d\\d:\\d\\d$"))
                     .match(t)
                     .hasMatch(),
                 qPrintable(t));
    }
    // The report is taken from the modem and nothing is stored as a received SMS.
    QVERIFY(waitFor([&] { return !m_sim->deletions().isEmpty(); }));
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM SMS_Received")), 0);
}

void TestInboxSim::endlessListingStoresEachMessageOnce()
{
    Station s(m_db->connection());
    connect(s, false);
    Connection &db = *m_db->connection();
    const QStringList bodies{QStringLiteral("Dør 1 åpnet"), QStringLiteral("Port stengt"),
                             QStringLiteral("Saldo 40")};
    m_sim->control(QStringLiteral("fault AT+CMGL endless"));
    for (int i = 0; i < bodies.size(); ++i)
        QVERIFY(m_sim->deliverSms(QStringLiteral("+474123456%1").arg(i), bodies[i]));

    // Far more than the receive buffer holds goes by while the listing runs.
    const qint64 before = residentKiB();
    QVERIFY(before > 0);
    qint64 peak = before;
    QVERIFY(waitFor(
        [&] {
            peak = qMax(peak, residentKiB());
            return m_sim->endlessBytes() > 24 * 1024 * 1024;
        },
        120000));
    QVERIFY2(peak - before < 48 * 1024, qPrintable(QString::number(peak - before)));
    auto headerRows = [&] {
        return count(db, QStringLiteral("SELECT count(*) FROM SMS_Received WHERE SMS_Text "
                                        "LIKE '%+CMGL:%'"));
    };
    auto duplicateRows = [&] {
        return count(db, QStringLiteral("SELECT count(*) - count(DISTINCT SMS_Text) FROM "
                                        "SMS_Received"));
    };
    QCOMPARE(headerRows(), 0);
    QCOMPARE(duplicateRows(), 0);
    QVERIFY(m_sim->deletions().isEmpty());

    // The modem answers whole listings again: the next one takes every message, once.
    m_sim->control(QStringLiteral("fault clear AT+CMGL"));
    QVERIFY(waitFor([&] { return m_sim->store().used(QStringLiteral("SM")) == 0; }, 60000));
    QTest::qWait(1000);
    QCOMPARE(headerRows(), 0);
    QCOMPARE(duplicateRows(), 0);
    QStringList stored;
    for (int i = 0; i < bodies.size(); ++i)
        stored << db.scalar(QStringLiteral("SELECT group_concat(SMS_Text, '|') FROM "
                                           "SMS_Received WHERE FraNummer = ?1"),
                            {QStringLiteral("+474123456%1").arg(i)})
                      .toString();
    QCOMPARE(stored, bodies);
    QCOMPARE(m_sim->deletions().size(), bodies.size());
    QVERIFY2(residentKiB() - before < 48 * 1024, qPrintable(QString::number(residentKiB())));
}

// The link drops after the text went out and before its reference: the row shows the send as
// cut off. The modem sent it all the same, and its status report, listed after the reconnect,
// completes the row as delivered.
void TestInboxSim::reportCompletesInterruptedRow()
{
    Station s(m_db->connection());
    connect(s, true);
    Connection &db = *m_db->connection();
    db.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, CMGS, "
                           "DatoLNG) VALUES ('+4741234567', '41234567', 'Hei', 'UNSENT', 39943)"));
    auto cmgs = [&] { return db.scalar(QStringLiteral("SELECT CMGS FROM SMS_Sent")).toString(); };
    m_sim->setCmgsDelay(4000);
    QObject::connect(m_sim.get(), &ModemSim::submitted, m_sim.get(),
                     [this] { QTimer::singleShot(0, m_sim.get(), &ModemSim::dropLink); });
    QVERIFY(waitFor([&] { return cmgs() == QLatin1String("Avbrutt, kanskje sendt"); }, 30000));
    QVERIFY(waitFor([&] { return !s.state.ModemReady; }));
    QTest::qWait(200); // the status report reaches the modem's storage meanwhile
    connect(s, true);
    QVERIFY(waitFor([&] { return cmgs().endsWith(QLatin1String(":OK")); }, 30000));
    QCOMPARE(m_sim->submissions().size(), 1);
    QCOMPARE(cmgs(), QString::number(m_sim->submissions().first().mr) + QStringLiteral(":OK"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT ReceivedStatus FROM SMS_Sent")).toString(),
             QStringLiteral("OK"));
}

QTEST_MAIN(TestInboxSim)
#include "tst_inbox_sim.moc"

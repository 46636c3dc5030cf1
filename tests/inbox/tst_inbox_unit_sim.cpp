// A registration end to end: the command queued, sent through the modem session to a key unit
// of the simulator over TCP, the unit's reply listed, read and applied to the user's right.

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

struct Workstation {
    AppState state;
    ModemHost host;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    ModemSession session;
    ReceivedSmsReader reader;

    explicit Workstation(std::shared_ptr<Connection> db)
        : session(state, host, TimerCom, TimerSEND_SMS, flags, std::make_unique<SerialLink>(),
                  std::make_unique<TcpLink>(), ModemTiming().scaled(0.05),
                  std::make_unique<RealModemClock>()),
          reader(session.context(), {{},
                                     {},
                                     [] { return QDate(2009, 5, 10); },
                                     [](const QDate &) { return QStringLiteral("10.05.2009"); }})
    {
        state.SharedConnection = std::move(db);
        state.CurrentComputerName = QStringLiteral("PC-A");
        session.setReceiver(reader);
    }
};

bool waitFor(const std::function<bool()> &done, int ms = 30000)
{
    return test::waitUntil(done, ms);
}

} // namespace

class TestInboxUnitSim : public QObject
{
    Q_OBJECT
private slots:
    void registrationConfirmed_data();
    void registrationConfirmed();
};

void TestInboxUnitSim::registrationConfirmed_data()
{
    QTest::addColumn<QString>("unitLine");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<QString>("user");
    QTest::newRow("Norwegian unit") << "unit add +4799887766 \"Hovedport\" lang=nb delay=200"
                                    << "+4799887766"
                                    << "47"
                                    << "41234567";
    QTest::newRow("Swedish unit") << "unit add +46700000000 \"Hovedport\" lang=sv cc=46 delay=200"
                                  << "+46700000000"
                                  << "46"
                                  << "701234567";
}

void TestInboxUnitSim::registrationConfirmed()
{
    QFETCH(QString, unitLine);
    QFETCH(QString, unit);
    QFETCH(QString, countryCode);
    QFETCH(QString, user);

    ScriptedDialogs dialogs;
    Dialogs *previous = setDialogs(&dialogs);
    TestDatabase db;
    ModemSim sim;
    sim.setTimescale(0.05);
    sim.setClock(QDateTime(QDate(2009, 5, 10), QTime(14, 3, 27)), 8);
    QVERIFY(sim.listen(0));
    QCOMPARE(sim.control(unitLine).value(0), QStringLiteral("OK"));

    Connection &sql = *db.connection();
    const QString international = QLatin1Char('+') + countryCode + user;
    const QString command = QStringLiteral("I ") + user + QStringLiteral(">09051008<09051224");
    sql.exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) "
                            "VALUES (?, 'Hovedport', '5')"),
             {unit});
    sql.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, "
                            "[Gyldig til], TilTid, Konto, Saldo, Status) VALUES "
                            "(?, ?, '10/5/2009', '08', '12/5/2009', '24', 'MobReg', '0', 'Ny')"),
             {international, unit});
    sql.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, CMGS, "
                            "TimeSent, TimeReceived, ReceivedStatus, Dato, DatoLNG) VALUES "
                            "(?, ?, ?, 'UNSENT', 'NA', 'NA', 'NA', '2009-05-10', 39943)"),
             {unit, unit.mid(3), command});

    Workstation w(db.connection());
    w.state.CountryCode = countryCode;
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(sim.port());
    dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort();
    QVERIFY(waitFor([&] { return w.state.ModemReady && !w.flags.ModemInitBusy; }));

    auto right = [&] {
        return sql
            .scalar(QStringLiteral("SELECT Status || '|' || [Gyldig fra] || '|' || FraTid || '|' "
                                   "|| [Gyldig til] || '|' || TilTid || '|' || Konto FROM "
                                   "TBLbrukere WHERE KeyBruker = ? AND KeyNummer = ?"),
                    {international, unit})
            .toString();
    };
    QVERIFY2(waitFor([&] { return right().startsWith(QLatin1String("Aktiv")); }),
             qPrintable(right()));
    QCOMPARE(sim.unit(unit)->received, QStringList{command});
    QCOMPARE(right(), QStringLiteral("Aktiv |10.5.2009|08|12.5.2009|24|MobReg"));
    QCOMPARE(sql.scalar(QStringLiteral("SELECT count(*) FROM TBLbrukere")).toInt(), 1);
    QCOMPARE(sql.scalar(QStringLiteral("SELECT FraNummer FROM SMS_Received")).toString(), unit);
    QVERIFY(waitFor([&] { return !sim.deletions().isEmpty(); }));
    QVERIFY(!w.flags.ReadingMessages);
    setDialogs(previous);
}

QTEST_MAIN(TestInboxUnitSim)
#include "tst_inbox_unit_sim.moc"

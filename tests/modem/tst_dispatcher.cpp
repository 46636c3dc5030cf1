#include "helper_rig.h"
#include "modem/ModemDispatcher.h"
#include "modem/ModemSession.h"
#include "modem/SendQueue.h"

#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// A session on a scripted network modem and virtual time, unscaled intervals.
struct VirtualSession {
    AppState state;
    RecordingHost host;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    FakeNetworkChannel *net = new FakeNetworkChannel;
    VirtualModemClock *clock = new VirtualModemClock;
    ModemSession session{state,
                         host,
                         TimerCom,
                         TimerSEND_SMS,
                         flags,
                         std::make_unique<FakeSerialChannel>(),
                         std::unique_ptr<NetworkChannel>(net),
                         ModemTiming(),
                         std::unique_ptr<ModemClock>(clock)};
    VirtualSession()
    {
        clock->onPump = [this](qint64 now) { net->deliver(now); };
        state.LastComPort = 255;
        net->connectToHost(QStringLiteral("127.0.0.1"), 23);
        state.ModemReady = true;
    }
};

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void refusedListingIsQuotedFromThenOn();
    void backOffChain();
    void tickStartsNothingWhileBusy_data();
    void tickStartsNothingWhileBusy();
    void tickListsOnlyBelowTheThreshold_data();
    void tickListsOnlyBelowTheThreshold();
};

void TestDispatcher::lines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("queueNotEmpty");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("panel2");

    QTest::newRow("notice idle") << "+CMTI: \"SM\",6" << false << 10000 << 2000 << QByteArray()
                                 << -1 << "Mottar SMS";
    QTest::newRow("notice while queue works") << "+CMTI: \"SM\",6" << true << 30000 << 30000
                                              << QByteArray("AT+CMGL=ALL\r") << -1 << "Mottar SMS";
    QTest::newRow("report notice")
        << "+CDSI: \"SM\",7" << false << 60000 << 2000 << QByteArray() << -1 << "Mottar Kvittering";
    QTest::newRow("ok at 40000") << "OK" << false << 40000 << 60000 << QByteArray() << -1 << "";
    QTest::newRow("ok at 28000") << "OK" << false << 28000 << 42000 << QByteArray() << -1 << "";
    QTest::newRow("ok at 10125 rounds half to even")
        << "OK" << false << 10125 << 15188 << QByteArray() << -1 << "";
    QTest::newRow("ok while queue works")
        << "OK" << true << 30000 << 30000 << QByteArray() << -1 << "";
    QTest::newRow("cms error") << "+CMS ERROR: 500" << false << 10000 << 2000 << QByteArray() << -1
                               << "";
    QTest::newRow("listing entry 12")
        << "+CMGL: 12,\"REC UNREAD\",\"+4799887766\"" << false << 10000 << 3000 << QByteArray()
        << 12 << "Melding 12 MOTTATT";
    QTest::newRow("listing entry 0") << "+CMGL: 0,\"REC READ\"" << false << 10000 << 3000
                                     << QByteArray() << 0 << "Melding 0 MOTTATT";
    QTest::newRow("listing entry 300") << "+CMGL: 300,\"REC READ\"" << false << 10000 << 3000
                                       << QByteArray() << 300 << "Melding 300 MOTTATT";
    QTest::newRow("listing without index") << "+CMGL: ,\"REC READ\"" << false << 10000 << 3000
                                           << QByteArray() << -1 << "Melding -1 MOTTATT";
    QTest::newRow("ok and entry in one line") << "OK+CMGL: 3,\"REC READ\"" << false << 10000 << 3000
                                              << QByteArray() << 3 << "Melding 3 MOTTATT";
    QTest::newRow("ignored") << "RING" << false << 10000 << 10000 << QByteArray() << -1 << "";
}

void TestDispatcher::lines()
{
    QFETCH(QString, line);
    QFETCH(bool, queueNotEmpty);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QByteArray, written);
    QFETCH(int, index);
    QFETCH(QString, panel2);
    VirtualSession v;
    v.flags.QueueNotEmpty = queueNotEmpty;
    v.session.context().restartSendTimer(before);
    if (line.contains(QLatin1String("+CMGL")))
        v.net->script.add(0, "\r\n+CMGL: 4,\"REC READ\"\r\nx\r\n\r\nOK\r\n");
    v.session.dispatcher().ModemResponse_Change(line);
    QCOMPARE(v.TimerSEND_SMS.interval(), after);
    QVERIFY(v.TimerSEND_SMS.isActive());
    QCOMPARE(v.net->script.written, written);
    QCOMPARE(v.state.CurrentSMSIndex, index);
    QCOMPARE(v.host.panels.value(2), panel2);
    QVERIFY(!v.flags.ReadingMessages);
    if (index != -1 || line.contains(QLatin1String("+CMGL")))
        QVERIFY(v.TimerCom.isActive()); // the reader's end puts the poll back on
}

void TestDispatcher::refusedListingIsQuotedFromThenOn()
{
    VirtualSession v;
    v.session.context().restartSendTimer(10000);
    v.session.dispatcher().TimerSEND_SMS_Timer();
    QCOMPARE(v.net->script.written, QByteArray("AT+CMGL=ALL\r"));
    v.session.dispatcher().ModemResponse_Change(QStringLiteral("ERROR"));
    v.net->script.written.clear();
    v.session.dispatcher().TimerSEND_SMS_Timer();
    QCOMPARE(v.net->script.written, QByteArray("AT+CMGL=\"ALL\"\r"));
    // A refused send elsewhere does not turn the listing form back.
    v.session.dispatcher().ModemResponse_Change(QStringLiteral("OK"));
    v.session.dispatcher().ModemResponse_Change(QStringLiteral("ERROR"));
    QCOMPARE(v.session.dispatcher().listCommand(), QByteArray("AT+CMGL=\"ALL\"\r"));
}

void TestDispatcher::backOffChain()
{
    QList<int> chain;
    for (int i = 3000; chain.size() < 8; i = SendQueue::PollBackOff(i))
        chain << i;
    QCOMPARE(chain, (QList<int>{3000, 4500, 6750, 10125, 15188, 22782, 34173, 60000}));
    QCOMPARE(SendQueue::PollBackOff(29000), 60000);
    QCOMPARE(SendQueue::PollBackOff(28999), 43498); // 43498.5, half to even
}

void TestDispatcher::tickStartsNothingWhileBusy_data()
{
    QTest::addColumn<int>("flag");
    for (int i = 0; i < 7; ++i)
        QTest::newRow(QByteArray::number(i).constData()) << i;
}

void TestDispatcher::tickStartsNothingWhileBusy()
{
    QFETCH(int, flag);
    VirtualSession v;
    v.session.context().restartSendTimer(10000);
    std::unique_ptr<ExchangeGuard> guard;
    switch (flag) {
    case 0:
        v.flags.QueueWorkerBusy = true;
        break;
    case 1:
        v.flags.ReadingMessages = true;
        break;
    case 2:
        v.flags.ManualSMSBusy = true;
        break;
    case 3:
        v.flags.ModemInitBusy = true;
        break;
    case 4:
        v.flags.CmgsWaitBusy = true;
        break;
    case 5:
        v.state.ModemReady = false;
        break;
    case 6:
        guard = std::make_unique<ExchangeGuard>(v.session.exchange(), v.flags.QueueWorkerBusy);
        break;
    }
    v.session.dispatcher().TimerSEND_SMS_Timer();
    QCOMPARE(v.net->script.written, QByteArray());
    QCOMPARE(v.host.reloads, 0);
}

void TestDispatcher::tickListsOnlyBelowTheThreshold_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("lists");
    QTest::newRow("30000") << 30000 << true;
    QTest::newRow("58999") << 58999 << true;
    QTest::newRow("60000") << 60000 << false;
}

void TestDispatcher::tickListsOnlyBelowTheThreshold()
{
    QFETCH(int, interval);
    QFETCH(bool, lists);
    VirtualSession v;
    v.session.context().restartSendTimer(interval);
    v.session.dispatcher().TimerSEND_SMS_Timer();
    QCOMPARE(v.net->script.written == "AT+CMGL=ALL\r", lists);
    QCOMPARE(v.host.reloads, 2);
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"

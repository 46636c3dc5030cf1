#include "helper_rig.h"
#include "modem/ModemSession.h"
#include "platform/link/SerialLink.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// The link handlers over fake channels and virtual time: no device and no socket is touched.
struct LinkRig {
    AppState state;
    RecordingHost host;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    FakeSerialChannel *serial = nullptr;
    FakeNetworkChannel *network = nullptr;
    std::unique_ptr<ModemSession> session;
    QAction com[4], none, other, winsock;

    LinkRig()
    {
        auto s = std::make_unique<FakeSerialChannel>();
        auto n = std::make_unique<FakeNetworkChannel>();
        serial = s.get();
        network = n.get();
        auto clock = std::make_unique<VirtualModemClock>();
        auto *c = clock.get();
        c->onPump = [this](qint64 now) {
            serial->deliver(now);
            network->deliver(now);
        };
        session = std::make_unique<ModemSession>(state, host, TimerCom, TimerSEND_SMS, flags,
                                                 std::move(s), std::move(n), ModemTiming(),
                                                 std::move(clock));
        ModemWidgets w;
        for (int i = 0; i < 4; ++i) {
            com[i].setCheckable(true);
            w.mnuComPortCom[i] = &com[i];
        }
        for (QAction *a : {&none, &other, &winsock})
            a->setCheckable(true);
        w.mnuComPortComNone = &none;
        w.mnuComPortComOther = &other;
        w.mnuComPortWinsock = &winsock;
        other.setText(QStringLiteral("ComOther"));
        session->setWidgets(w);
    }
    QList<QAction *> checked()
    {
        QList<QAction *> out;
        for (QAction *a : {&com[0], &com[1], &com[2], &com[3], &none, &other, &winsock}) {
            if (a->isChecked())
                out << a;
        }
        return out;
    }
};

} // namespace

class TestLinkHandlers : public QObject
{
    Q_OBJECT
private slots:
    void otherPortAnswers_data();
    void otherPortAnswers();
    void openFailureNamesTheChosenItem_data();
    void openFailureNamesTheChosenItem();
    void networkConnectRefusals_data();
    void networkConnectRefusals();
};

void TestLinkHandlers::otherPortAnswers_data()
{
    QTest::addColumn<QString>("answer"); // null: Cancel
    QTest::addColumn<int>("port");       // 0: refused
    QTest::newRow("7") << QStringLiteral("7") << 7;
    QTest::newRow("254") << QStringLiteral(" 254 ") << 254;
    QTest::newRow("2 typed") << QStringLiteral("2") << 2;
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("255") << QStringLiteral("255") << 0;
    QTest::newRow("300") << QStringLiteral("300") << 0;
    QTest::newRow("text") << QStringLiteral("abc") << 0;
    QTest::newRow("fraction") << QStringLiteral("7.5") << 0;
    QTest::newRow("cancel") << QString() << 0;
}

void TestLinkHandlers::otherPortAnswers()
{
    QFETCH(QString, answer);
    QFETCH(int, port);
    LinkRig rig;
    rig.state.LastComPort = 1;
    rig.session->OpenComPort();
    ScriptedDialogs dialogs;
    dialogs.answerInput(answer.isNull() ? std::nullopt : std::optional<QString>(answer));
    rig.session->mnuComPortComOther_Click();
    QCOMPARE(dialogs.calls().at(0).title, QStringLiteral("Com Port"));
    QCOMPARE(dialogs.calls().at(0).defaultText, QStringLiteral("5"));
    if (port == 0) {
        QCOMPARE(dialogs.texts().mid(1),
                 QStringList{comPortRangeText() + QStringLiteral("\rComOther")});
        QCOMPARE(rig.state.LastComPort, 1);
        QCOMPARE(rig.other.text(), QStringLiteral("ComOther"));
        QCOMPARE(rig.checked(), QList<QAction *>{&rig.com[0]});
        return;
    }
    QCOMPARE(rig.state.LastComPort, port);
    QCOMPARE(rig.state.OtherComPort, port);
    QCOMPARE(rig.other.text(), QStringLiteral("ComOther(%1)").arg(port));
    QVERIFY(rig.serial->isOpen());
    QCOMPARE(rig.serial->openedDevice, serialDeviceFor(port, QString()));
    // A typed 2 is COM2's device; the first item that fits is checked.
    QCOMPARE(rig.checked(), QList<QAction *>{port <= 4 ? &rig.com[port - 1] : &rig.other});
}

void TestLinkHandlers::openFailureNamesTheChosenItem_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::newRow("com2") << "com2"
                          << "/dev/ttyS1"
                          << "Com2";
    QTest::newRow("other 9") << "9"
                             << "/dev/ttyUSB4"
                             << "ComOther";
    QTest::newRow("other 2") << "2"
                             << "/dev/ttyS1"
                             << "ComOther";
}

void TestLinkHandlers::openFailureNamesTheChosenItem()
{
    QFETCH(QString, item);
    QFETCH(QString, device);
    QFETCH(QString, name);
    LinkRig rig;
    rig.serial->failOpen = true;
    ScriptedDialogs dialogs;
    if (item == QLatin1String("com2")) {
        rig.session->mnuComPortCom_Click(2);
    } else {
        dialogs.answerInput(item);
        rig.session->mnuComPortComOther_Click();
    }
    const QString why =
        QStringLiteral("Modemporten %1 ble ikke åpnet: porten finnes ikke.").arg(device);
    QCOMPARE(dialogs.texts().last(), why + u'\r' + name);
    // The box goes when answered; the status box keeps why there is no link.
    QVERIFY(rig.host.status.contains(why + QStringLiteral("\r\n")));
    // The run still finishes: the link is found down, nothing more is shown.
    QVERIFY(!rig.state.ModemReady);
    QVERIFY(!rig.flags.ModemInitBusy);
}

void TestLinkHandlers::networkConnectRefusals_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("refuseWith"); // -1: the modem never answers
    QTest::addColumn<QStringList>("boxes");
    const QString range = "Portnummeret %1 finnes ikke: en TCP-port er et tall fra 1 til 65535 "
                          "(telnet bruker 23).";
    const QString connecting = "Kobler til: 10.0.0.9 Port 2323";
    const QString unreachable =
        "Fikk ikke kontakt med nettverksmodemet på 10.0.0.9, port 2323 (%1).\nSjekk at modemet "
        "er slått på og koblet til nettet, og at vertsnavn og portnummer er riktige. Programmet "
        "har ikke noe modem nå.";
    const QString text = "default telnet port er 23. Ikke skriv tekst her!!.";
    QTest::newRow("letters") << "telnet" << 0 << QStringList{text};
    QTest::newRow("negative") << "-23" << 0 << QStringList{text};
    QTest::newRow("empty") << "" << 0 << QStringList{text};
    QTest::newRow("0") << "0" << 0 << QStringList{range.arg("0")};
    QTest::newRow("65536") << " 65536 " << 0 << QStringList{range.arg("65536")};
    QTest::newRow("99999") << "99999" << 0 << QStringList{range.arg("99999")};
    QTest::newRow("refused") << "2323" << 10061
                             << QStringList{connecting, unreachable.arg("tilkoblingen ble avvist")};
    QTest::newRow("no answer") << "2323" << -1
                               << QStringList{connecting, unreachable.arg("ingen svar")};
    QTest::newRow("host not found")
        << "2323" << 11001 << QStringList{connecting, unreachable.arg("vertsnavnet finnes ikke")};
}

void TestLinkHandlers::networkConnectRefusals()
{
    QFETCH(QString, port);
    QFETCH(int, refuseWith);
    QFETCH(QStringList, boxes);
    LinkRig rig;
    rig.state.HostName = "10.0.0.9";
    rig.state.Port = port;
    rig.network->connectAtOnce = false;
    rig.network->refuseWith = qMax(refuseWith, 0);
    ScriptedDialogs dialogs;
    dialogs.answer(Dialogs::Answer::Ok);
    const qint64 start = rig.session->clock().now();
    rig.session->cmdConnect_Click();
    QCOMPARE(dialogs.texts(), boxes);
    QVERIFY(!rig.state.ModemReady);
    QCOMPARE(rig.network->state(), int(NetworkChannel::Closed));
    // Bounded: the operator hears of it within the connect limit, not after an initialisation.
    QVERIFY(rig.session->clock().now() - start <= ModemTiming().connectLimit + 100);
    if (boxes.size() > 1)
        QCOMPARE(rig.host.panels.value(1), QString("Ingen modem"));
}

QTEST_MAIN(TestLinkHandlers)
#include "tst_linkhandlers.moc"

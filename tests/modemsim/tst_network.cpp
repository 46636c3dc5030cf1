// Submissions, notices, status reports, storage shapes and faults of the simulated modem.

#include "helper_sim.h"

#include <QSignalSpy>
#include <QtTest>

using namespace portiva::modemsim;

class TestNetwork : public QObject
{
    Q_OBJECT
private slots:
    void submission();
    void textEntryEndings();
    void referencesWrap();
    void noticesWaitForResponses();
    void noticeInsideResponse();
    void statusReports_data();
    void statusReports();
    void indexShapes_data();
    void indexShapes();
    void fullMemoryHoldsMessages();
    void faults_data();
    void faults();
    void faultTimesAndClear();
    void endlessListing();
    void delayedAnswers();
    void splitAndCoalesce();
    void controlErrors_data();
    void controlErrors();
    void unitsShowWhatEachHolds();
};

void TestNetwork::submission()
{
    SimHarness h;
    QSignalSpy spy(&h.sim, &ModemSim::submitted);
    QCOMPARE(h.at("AT+CMGS=\"+4712345678\""), QByteArray("\r\n> "));
    h.out.clear();
    h.sim.feed(QByteArray("hei @\x40\x1a", 7));
    QCOMPARE(h.waitFor("OK\r\n"), QByteArray("\r\n+CMGS: 0\r\n\r\nOK\r\n"));
    QCOMPARE(spy.count(), 1);
    const Submission s = h.sim.submissions().value(0);
    QCOMPARE(s.da, QStringLiteral("+4712345678"));
    QVERIFY(s.quoted);
    QCOMPARE(s.text, QStringLiteral("hei \u00a1\u00a1"));
    QCOMPARE(s.fo, 17);
    QVERIFY(!s.reportRequested);
    // A bare number is taken unless strict; the reference counts on.
    h.at("AT+CMGS=4712345678");
    h.out.clear();
    h.sim.feed("x\x1a");
    QCOMPARE(h.waitFor("OK\r\n"), QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n"));
    QVERIFY(!h.sim.submissions().value(1).quoted);
    // The reference with a time stamp, when asked for.
    h.control("cmgs scts=on");
    h.at("AT+CMGS=\"1\"");
    h.out.clear();
    h.sim.feed("x\x1a");
    QCOMPARE(h.waitFor("OK\r\n"),
             QByteArray("\r\n+CMGS: 2,\"09/05/10,14:03:27+08\"\r\n\r\nOK\r\n"));
}

void TestNetwork::textEntryEndings()
{
    SimHarness h;
    h.at("AT+CMGS=\"1\"");
    // CR stays in the text and is answered with the prompt again; ESC cancels.
    QCOMPARE(h.at("ab"), QByteArray("\r\n> "));
    h.out.clear();
    h.sim.feed("\x1b");
    QCOMPARE(h.out, QByteArray("\r\nOK\r\n"));
    QVERIFY(h.sim.submissions().isEmpty());
    // Over 160 characters is refused.
    h.at("AT+CMGS=\"1\"");
    h.out.clear();
    h.sim.feed(QByteArray(161, 'a') + "\x1a");
    QCOMPARE(h.out, QByteArray("\r\n+CMS ERROR: 305\r\n"));
    QVERIFY(h.sim.submissions().isEmpty());
    // Radio off refuses sending.
    h.at("AT+CFUN=0");
    QCOMPARE(h.at("AT+CMGS=\"1\""), QByteArray("\r\n+CMS ERROR: 331\r\n"));
    // A body that reaches command mode after a refusal is discarded.
    QCOMPARE(h.at("hello\x1a"), QByteArray());
    // Echo of the text under E1, or when asked for under E0.
    h.at("AT+CFUN=1");
    h.control("cmgs echo=on");
    h.at("AT+CMGS=\"1\"");
    h.out.clear();
    h.sim.feed("xyz");
    QCOMPARE(h.out, QByteArray("xyz"));
}

void TestNetwork::referencesWrap()
{
    SimHarness h;
    h.control("cmgs mr=255");
    for (const char *want : {"+CMGS: 255", "+CMGS: 0"}) {
        h.at("AT+CMGS=\"1\"");
        h.out.clear();
        h.sim.feed("x\x1a");
        QVERIFY(h.waitFor("OK\r\n").contains(want));
    }
}

void TestNetwork::noticesWaitForResponses()
{
    SimHarness h;
    h.at("AT+CNMI=1,1");
    h.out.clear();
    QVERIFY(h.sim.deliverSms("+4799887766", "hei"));
    QCOMPARE(h.out, QByteArray("\r\n+CMTI: \"SM\",1\r\n"));
    // Held while a text entry is open, written right after its final result.
    h.at("AT+CMGS=\"1\"");
    h.out.clear();
    h.sim.deliverSms("+4799887766", "igjen");
    QCOMPARE(h.out, QByteArray());
    h.sim.feed("x\x1a");
    QCOMPARE(h.waitFor("+CMTI"), QByteArray("\r\n+CMGS: 0\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",2\r\n"));
    // <mt> 0 stores silently; a character without a GSM code is refused, not corrupted.
    h.at("AT+CNMI=1,0");
    h.out.clear();
    QVERIFY(h.sim.deliverSms("+4799887766", "tre"));
    QCOMPARE(h.out, QByteArray());
    QString error;
    QVERIFY(!h.sim.deliverSms("+4799887766", QStringLiteral("\u4e2d"), {}, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(h.sim.store().used("SM"), 3);
}

void TestNetwork::noticeInsideResponse()
{
    SimHarness h;
    h.sim.deliverSms("+4799887766", "a", DeliverOptions{false, "09/05/10,14:03:27+08", {}, true});
    h.control("notice \"^BOOT:10389262,0,0,0,6\" at=mid");
    QCOMPARE(h.at("AT+CMGL=ALL"),
             QByteArray("\r\n+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\""
                        "\r\n^BOOT:10389262,0,0,0,6\r\n\r\na\r\n\r\nOK\r\n"));
    h.out.clear();
    h.control("notice \"RING\"");
    QCOMPARE(h.out, QByteArray("\r\nRING\r\n"));
}

void TestNetwork::statusReports_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QString>("store");
    QTest::addColumn<QByteArray>("notice");
    QTest::newRow("stored, +CDSI") << QByteArray("AT+CSMP=49,167,0,0;+CNMI=1,1,0,2,1") << "SM"
                                   << QByteArray("\r\n+CDSI: \"SM\",1\r\n");
    QTest::newRow("stored in SR") << QByteArray("AT+CSMP=49,167,0,0;+CNMI=1,1,0,2,1") << "SR"
                                  << QByteArray("\r\n+CDSI: \"SR\",1\r\n");
    QTest::newRow("routed, +CDS") << QByteArray("AT+CSMP=49,167,0,0;+CNMI=1,1,0,1,1") << "SM"
                                  << QByteArray(
                                         "\r\n+CDS: 6,0,\"+4712345678\",145,"
                                         "\"09/05/10,14:03:27+08\",\"09/05/10,14:03:27+08\",0\r\n");
    QTest::newRow("ds 0, dropped")
        << QByteArray("AT+CSMP=49,167,0,0;+CNMI=1,1") << "SM" << QByteArray();
    QTest::newRow("not requested")
        << QByteArray("AT+CSMP=17,167,0,0;+CNMI=1,1,0,2,1") << "SM" << QByteArray();
}

void TestNetwork::statusReports()
{
    QFETCH(QByteArray, setup);
    QFETCH(QString, store);
    QFETCH(QByteArray, notice);
    SimHarness h;
    h.sim.setStatusReportStore(store);
    QCOMPARE(h.at(setup), QByteArray("\r\nOK\r\n"));
    h.at("AT+CMGS=\"+4712345678\"");
    h.out.clear();
    h.sim.feed("x\x1a");
    const QByteArray answer = "\r\n+CMGS: 0\r\n\r\nOK\r\n";
    h.waitFor(answer + (notice.isEmpty() ? QByteArray("never") : notice), 300);
    QCOMPARE(h.out, answer + notice);
    if (notice.contains("+CDSI")) {
        h.at(("AT+CPMS=\"" + store + "\"").toLatin1());
        QCOMPARE(
            h.at("AT+CMGR=1"),
            QByteArray("\r\n+CMGR: \"REC UNREAD\",6,0,\"+4712345678\",145,\"09/05/10,14:03:27+08\","
                       "\"09/05/10,14:03:27+08\",0\r\n\r\nOK\r\n"));
    }
}

void TestNetwork::indexShapes_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QByteArray>("cpms");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QByteArray>("lastNotice");
    QTest::newRow("base 0") << "memory SM base=0" << QByteArray("AT+CPMS=\"SM\",\"SM\",\"SM\"") << 1
                            << QByteArray("+CMTI: \"SM\",0");
    QTest::newRow("above 255") << "memory SM offset=300"
                               << QByteArray("AT+CPMS=\"SM\",\"SM\",\"SM\"") << 2
                               << QByteArray("+CMTI: \"SM\",302");
    QTest::newRow("MT: ME after SM")
        << "memory SM capacity=2" << QByteArray("AT+CPMS=\"MT\",\"MT\",\"MT\"") << 3
        << QByteArray("+CMTI: \"MT\",3");
}

void TestNetwork::indexShapes()
{
    QFETCH(QString, shape);
    QFETCH(QByteArray, cpms);
    QFETCH(int, messages);
    QFETCH(QByteArray, lastNotice);
    SimHarness h;
    h.control(shape);
    h.at(cpms);
    h.at("AT+CNMI=1,1");
    for (int i = 0; i < messages; ++i) {
        h.out.clear();
        h.sim.deliverSms("+4799887766", "m");
    }
    QCOMPARE(h.out, "\r\n" + lastNotice + "\r\n");
    const QByteArray index = lastNotice.mid(lastNotice.lastIndexOf(',') + 1);
    QVERIFY(h.at("AT+CMGR=" + index).startsWith("\r\n+CMGR: \"REC UNREAD\""));
    QCOMPARE(h.at("AT+CMGD=" + index), QByteArray("\r\nOK\r\n"));
}

void TestNetwork::fullMemoryHoldsMessages()
{
    SimHarness h;
    h.control("memory SM capacity=1");
    h.at("AT+CNMI=1,1");
    h.sim.deliverSms("+4711111111", "first");
    h.out.clear();
    h.sim.deliverSms("+4722222222", "second");
    QCOMPARE(h.out, QByteArray());
    // Deleting makes room; the network then hands over what it held.
    QCOMPARE(h.at("AT+CMGD=1"), QByteArray("\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n"));
    QVERIFY(h.at("AT+CMGR=1").contains("+4722222222"));
}

void TestNetwork::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("error") << "fault AT+CGMI error" << QByteArray("AT+CGMI")
                           << QByteArray("\r\nERROR\r\n");
    QTest::newRow("cms") << "fault AT+CMGD cms 500" << QByteArray("AT+CMGD=1")
                         << QByteArray("\r\n+CMS ERROR: 500\r\n");
    QTest::newRow("cme") << "fault AT+CPMS cme 10" << QByteArray("AT+CPMS?")
                         << QByteArray("\r\n+CME ERROR: 10\r\n");
    QTest::newRow("notsupport") << "fault AT\\Q0 notsupport" << QByteArray("AT\\Q0")
                                << QByteArray("\r\nCOMMAND NOT SUPPORT\r\n");
    QTest::newRow("silence") << "fault AT+CMGL silence" << QByteArray("AT+CMGL=ALL")
                             << QByteArray();
    QTest::newRow("reply") << "fault AT+CGMM reply \"\\r\\nX\\r\\n\"" << QByteArray("AT+CGMM")
                           << QByteArray("\r\nX\r\n");
    QTest::newRow("noend") << "fault AT+CSCS noend" << QByteArray("AT+CSCS?")
                           << QByteArray("\r\n+CSCS: \"GSM\"\r\n");
    QTest::newRow("ok skips") << "fault AT+CMGD ok" << QByteArray("AT+CMGD=9")
                              << QByteArray("\r\nOK\r\n");
    QTest::newRow("prefix ignores case")
        << "fault at+cnmi=1,1,0,2,1 error" << QByteArray("AT+CNMI=1,1,0,2,1")
        << QByteArray("\r\nERROR\r\n");
    QTest::newRow("other command untouched")
        << "fault AT+CNMI=1,1,0,2,1 error" << QByteArray("AT+CNMI=1,1") << QByteArray("\r\nOK\r\n");
    QTest::newRow("global silence") << "silence on" << QByteArray("AT") << QByteArray();
    QTest::newRow("cms after the text")
        << "fault AT+CMGS cms 500 at=submit" << QByteArray("AT+CMGS=\"1\"\rx\x1a")
        << QByteArray("\r\n> \r\n+CMS ERROR: 500\r\n");
    QTest::newRow("after the text to the recipient named, quoted")
        << "fault AT+CMGS=+4711 cms 500 at=submit" << QByteArray("AT+CMGS=\"+4711\"\rx\x1a")
        << QByteArray("\r\n> \r\n+CMS ERROR: 500\r\n");
    QTest::newRow("after the text to another recipient")
        << "fault AT+CMGS=+4722 cms 500 at=submit" << QByteArray("AT+CMGS=+4711\rx\x1a")
        << QByteArray("\r\n> ");
    QTest::newRow("answer delay of one text")
        << "fault AT+CMGS=+4711 delay 0 at=submit" << QByteArray("AT+CMGS=+4711\rx\x1a")
        << QByteArray("\r\n> \r\n+CMGS: 0\r\n\r\nOK\r\n");
}

void TestNetwork::faults()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    SimHarness h;
    h.control(fault);
    QCOMPARE(h.at(line), answer);
    QVERIFY(h.sim.commandLog().last().startsWith(QString::fromLatin1(line.left(7)),
                                                 Qt::CaseInsensitive));
}

void TestNetwork::faultTimesAndClear()
{
    SimHarness h;
    h.control("fault AT+CMGD error times=2");
    h.sim.deliverSms("+47", "a");
    QCOMPARE(h.at("AT+CMGD=1"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(h.at("AT+CMGD=1"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(h.at("AT+CMGD=1"), QByteArray("\r\nOK\r\n"));
    h.control("fault AT error");
    QCOMPARE(h.at("AT"), QByteArray("\r\nERROR\r\n"));
    h.control("fault clear AT");
    QCOMPARE(h.at("AT"), QByteArray("\r\nOK\r\n"));
}

void TestNetwork::endlessListing()
{
    SimHarness h;
    h.sim.deliverSms("+4741234567", "first");
    h.sim.deliverSms("+4741234568", "second");
    h.control("fault AT+CMGL endless");
    h.at("AT+CMGL=ALL");
    // The entries come again and again, whole and in order, and the listing never ends.
    QTRY_VERIFY(h.out.count("+CMGL: 1,") >= 3);
    QCOMPARE(h.out.count("+CMGL: 1,"), h.out.count("+CMGL: 2,"));
    QCOMPARE(h.out.count("\r\nsecond\r\n"), h.out.count("+CMGL: 2,"));
    QVERIFY(!h.out.contains("OK"));

    h.control("fault clear AT+CMGL");
    QTest::qWait(30);
    h.out.clear();
    QTest::qWait(30);
    QCOMPARE(h.out, QByteArray());
    const QByteArray listing = h.at("AT+CMGL=ALL");
    QVERIFY(listing.endsWith("\r\nOK\r\n"));
    QCOMPARE(listing.count("+CMGL: "), 2);
}

void TestNetwork::delayedAnswers()
{
    SimHarness h;
    h.sim.setTimescale(1.0);
    h.control("cmgs delay=200");
    h.at("AT+CMGS=\"1\"");
    h.out.clear();
    h.sim.feed("x\x1a");
    // Input during the wait is served after the late answer, in order.
    h.sim.feed("AT\r");
    QCOMPARE(h.out, QByteArray());
    QCOMPARE(h.waitFor("OK\r\n\r\nOK\r\n"), QByteArray("\r\n+CMGS: 0\r\n\r\nOK\r\n\r\nOK\r\n"));
    h.control("fault AT+CGMI delay 100");
    QCOMPARE(h.at("AT+CGMI"), QByteArray());
    QVERIFY(h.waitFor("OK").endsWith("\r\nSIMULATOR\r\n\r\nOK\r\n"));
}

void TestNetwork::splitAndCoalesce()
{
    SimHarness h;
    QList<QByteArray> writes;
    connect(&h.sim, &ModemSim::written, this, [&](const QByteArray &b) { writes.append(b); });
    h.control("split 1");
    QCOMPARE(h.at("AT"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(writes.size(), 6);
    h.control("split 2 gap=5");
    h.sim.setTimescale(1.0);
    writes.clear();
    h.at("AT+CSCS?");
    QVERIFY(h.waitFor("OK\r\n").endsWith("\r\n+CSCS: \"GSM\"\r\n\r\nOK\r\n"));
    QCOMPARE(writes.size(), 11);
    h.control("split off");
    h.control("coalesce on");
    h.at("AT+CNMI=1,1");
    h.waitFor("OK");
    writes.clear();
    h.out.clear();
    h.sim.feed("AT+CMGL=ALL\r");
    h.sim.deliverSms("+47", "a");
    h.sim.deliverSms("+47", "b");
    QCOMPARE(h.waitFor("\"SM\",2\r\n"),
             QByteArray("\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"SM\",2\r\n"));
    QCOMPARE(writes.size(), 1);
}

void TestNetwork::controlErrors_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << "";
    QTest::newRow("unknown") << "frobnicate";
    QTest::newRow("unterminated") << "sms +47 \"abc";
    QTest::newRow("bad escape") << "notice \"\\q\"";
    QTest::newRow("bad hex escape") << "notice \"\\x4\"";
    QTest::newRow("missing argument") << "sms +47";
    QTest::newRow("bad hex body") << "smsraw +47 abc";
    QTest::newRow("unknown option") << "sms +47 \"a\" colour=red";
    QTest::newRow("bad fault action") << "fault AT explode";
    QTest::newRow("bad number") << "split many";
    QTest::newRow("bad language") << "unit add +47 \"X\" lang=fi";
    QTest::newRow("bad unit name") << "unit add +47 \"A-1\"";
    QTest::newRow("unknown unit") << "unit say +4700000000 \"x\"";
    QTest::newRow("bad clock") << "clock tomorrow +08";
    QTest::newRow("bad on/off") << "strict maybe";
    QTest::newRow("silent without on/off") << "unit silent +4791000001";
    QTest::newRow("no gsm code") << "sms +47 \"\u4e2d\"";
}

void TestNetwork::controlErrors()
{
    QFETCH(QString, line);
    SimHarness h;
    const QStringList answer = h.sim.control(line);
    QCOMPARE(answer.size(), 1);
    QVERIFY2(answer.first().startsWith(QLatin1String("ERR ")), qPrintable(answer.first()));
    QVERIFY(answer.first().size() > 4);
}

// The console shows each unit's users in the form that sets them, and the commands it took.
void TestNetwork::unitsShowWhatEachHolds()
{
    SimHarness h;
    h.sim.setTimescale(0.01);
    h.control("unit add +4711111111 \"Hovedport\"");
    h.control("unit user +4711111111 41234567 from=24010100 to=99123124");
    h.control("unit user +4711111111 41234568 saldo=10");
    h.at("AT+CMGS=\"+4711111111\"");
    h.sim.feed("K\x1a");
    h.waitFor("OK\r\n");
    QTRY_VERIFY(!h.sim.unit("+4711111111")->received.isEmpty());
    QCOMPARE(h.sim.control("units"),
             (QStringList{"+4711111111 \"Hovedport\" lang=nb users=2",
                          "  user 41234567 from=24010100 to=99123124", "  user 41234568 saldo=10",
                          "  received \"K\"", "OK"}));

    // Silenced, the unit keeps the removal's text but neither removes nor answers; heard
    // again, it does both for the next one.
    const auto removal = [&](const char *digits) {
        h.at("AT+CMGS=\"+4711111111\"");
        h.sim.feed(QByteArray("U ") + digits + "\x1a");
        h.waitFor("OK\r\n");
    };
    const QStringList before = h.sim.control("list MT");
    h.control("unit silent +4711111111 on");
    removal("41234567");
    QTRY_COMPARE(h.sim.unit("+4711111111")->received.size(), 2);
    QTest::qWait(100);
    QCOMPARE(h.sim.unit("+4711111111")->users.size(), 2);
    QCOMPARE(h.sim.control("list MT"), before);
    h.control("unit silent +4711111111 off");
    removal("41234568");
    QTRY_COMPARE(h.sim.unit("+4711111111")->users.size(), 1);
    QTRY_COMPARE(h.sim.control("list MT").size(), before.size() + 1);
    QVERIFY(h.sim.control("list MT").join(u'\n').contains("41234568"));
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"

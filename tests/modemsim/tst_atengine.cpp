// The modem's command-line handling and 27.005 text-mode answers, driven in-process.

#include "helper_sim.h"

#include <QtTest>

using namespace portiva::modemsim;

class TestAtEngine : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void echoVerboseAndProfiles();
    void lineEnds_data();
    void lineEnds();
    void cnmiRangesFromCaptures_data();
    void cnmiRangesFromCaptures();
    void cpmsTestAnswersFromCaptures_data();
    void cpmsTestAnswersFromCaptures();
    void listingMatchesCapture();
    void readLayoutsMatchCaptures();
    void detailHeadersFollowCsdh();
    void ucs2Charset();
    void deleteFlags();
    void strictQuoting();
    void mtRefused();
};

void TestAtEngine::answers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray ok = "\r\nOK\r\n";
    const QByteArray error = "\r\nERROR\r\n";
    QTest::newRow("AT") << QByteArray("AT") << ok;
    QTest::newRow("lower case") << QByteArray("at") << ok;
    QTest::newRow("unknown") << QByteArray("AT+FOO") << error;
    QTest::newRow("gammu probe") << QByteArray("AT$TSSPCSW=?") << error;
    QTest::newRow("bad basic") << QByteArray("ATX9") << error;
    QTest::newRow("junk before AT") << QByteArray("xyz\x1a"
                                                  "AT")
                                    << ok;
    QTest::newRow("no AT") << QByteArray("hello") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("ATI") << QByteArray("ATI") << QByteArray("\r\nSIMULATOR SIM-1\r\n") + ok;
    QTest::newRow("CGMI;CGMM chained")
        << QByteArray("AT+CGMI;+CGMM") << QByteArray("\r\nSIMULATOR\r\n\r\nSIM-1\r\n") + ok;
    QTest::newRow("GSN") << QByteArray("AT+GSN") << QByteArray("\r\n123456789012345\r\n") + ok;
    QTest::newRow("basic chain") << QByteArray("ATE0V1Q0") << ok;
    QTest::newRow("first failure ends line") << QByteArray("AT+FOO;+CGMI") << error;
    QTest::newRow("CMGF=0") << QByteArray("AT+CMGF=0") << error;
    QTest::newRow("CMGF=?") << QByteArray("AT+CMGF=?") << QByteArray("\r\n+CMGF: (1)\r\n") + ok;
    QTest::newRow("CSCS=?") << QByteArray("AT+CSCS=?")
                            << QByteArray("\r\n+CSCS: (\"GSM\",\"IRA\",\"UCS2\")\r\n") + ok;
    QTest::newRow("CSCS?") << QByteArray("AT+CSCS?") << QByteArray("\r\n+CSCS: \"GSM\"\r\n") + ok;
    QTest::newRow("CSDH set and query")
        << QByteArray("AT+CSDH=1;+CSDH?") << QByteArray("\r\n+CSDH: 1\r\n") + ok;
    QTest::newRow("CPMS?") << QByteArray("AT+CPMS?")
                           << QByteArray("\r\n+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30\r\n") + ok;
    QTest::newRow("CPMS MT") << QByteArray("AT+CPMS=\"MT\",\"MT\",\"MT\"")
                             << QByteArray("\r\n+CPMS: 0,130,0,130,0,130\r\n") + ok;
    QTest::newRow("CPMS one memory gives all three")
        << QByteArray("AT+CPMS=\"ME\"") << QByteArray("\r\n+CPMS: 0,100,0,30,0,30\r\n") + ok;
    QTest::newRow("CPMS not offered")
        << QByteArray("AT+CPMS=\"XX\"") << QByteArray("\r\n+CMS ERROR: 302\r\n");
    QTest::newRow("CPMS=?") << QByteArray("AT+CPMS=?")
                            << QByteArray(
                                   "\r\n+CPMS: (\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\"),"
                                   "(\"SM\",\"ME\",\"MT\")\r\n") +
                                   ok;
    QTest::newRow("CNMI reporting") << QByteArray("AT+CNMI=1,1,0,2,1") << ok;
    QTest::newRow("CNMI out of range") << QByteArray("AT+CNMI=3,1") << error;
    QTest::newRow("CNMI=?") << QByteArray("AT+CNMI=?")
                            << QByteArray("\r\n+CNMI: (1,2),(0,1),(0),(0,1,2),(0,1)\r\n") + ok;
    QTest::newRow("CSMP?") << QByteArray("AT+CSMP?")
                           << QByteArray("\r\n+CSMP: 17,167,0,0\r\n") + ok;
    QTest::newRow("CSCA?") << QByteArray("AT+CSCA?")
                           << QByteArray("\r\n+CSCA: \"+4792001000\",145\r\n") + ok;
    QTest::newRow("CMGR empty index")
        << QByteArray("AT+CMGR=5") << QByteArray("\r\n+CMS ERROR: 321\r\n");
    QTest::newRow("CMGD empty index")
        << QByteArray("AT+CMGD=5") << QByteArray("\r\n+CMS ERROR: 321\r\n");
    QTest::newRow("CMGL integer stat") << QByteArray("AT+CMGL=4") << error;
    QTest::newRow("CMGL empty listing") << QByteArray("AT+CMGL=\"ALL\"") << ok;
    QTest::newRow("CMGL bare ALL") << QByteArray("AT+CMGL=ALL") << ok;
    QTest::newRow("CMGS bad number")
        << QByteArray("AT+CMGS=\"12ab\"") << QByteArray("\r\n+CMS ERROR: 305\r\n");
    QTest::newRow("CMGS prompt") << QByteArray("AT+CMGS=\"+4712345678\"") << QByteArray("\r\n> ");
    QTest::newRow("CFUN=?") << QByteArray("AT+CFUN=?") << QByteArray("\r\n+CFUN: (0,1)\r\n") + ok;
}

void TestAtEngine::answers()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    SimHarness h;
    QCOMPARE(h.at(line), answer);
}

void TestAtEngine::echoVerboseAndProfiles()
{
    SimHarness h;
    QCOMPARE(h.at("ATE1"), QByteArray("\r\nOK\r\n"));
    // Echo is byte for byte, CR included, ahead of the answer; backspace edits the line.
    QCOMPARE(h.at("ATX\bV0"), QByteArray("ATX\bV0\r0\r"));
    QCOMPARE(h.at("AT+FOO"), QByteArray("AT+FOO\r4\r"));
    h.at("ATV1E0");
    QCOMPARE(h.at("AT&W"), QByteArray("\r\nOK\r\n"));
    // AT&F restores the power-on profile (echo on); ATZ brings back what AT&W stored.
    QCOMPARE(h.at("AT&F0"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(h.at("ATZ"), QByteArray("ATZ\r\r\nOK\r\n"));
    QCOMPARE(h.at("AT"), QByteArray("\r\nOK\r\n"));
    // ESC in command mode discards the half line, as gammu's opening ESC CR expects.
    QCOMPARE(h.at("AT+CGMI\x1b"), QByteArray());
    QVERIFY(h.sim.commandLog().endsWith(QStringLiteral("AT")));
}

void TestAtEngine::lineEnds_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("cr") << "lineend cr" << QByteArray("\r+CSCS: \"GSM\"\r\rOK\r");
    QTest::newRow("crcrlf") << "lineend crcrlf"
                            << QByteArray("\r\r\n+CSCS: \"GSM\"\r\r\n\r\r\nOK\r\r\n");
}

void TestAtEngine::lineEnds()
{
    QFETCH(QString, setting);
    QFETCH(QByteArray, answer);
    SimHarness h;
    h.control(setting);
    QCOMPARE(h.at("AT+CSCS?"), answer);
}

void TestAtEngine::cnmiRangesFromCaptures_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<bool>("plainAccepted");
    QTest::newRow("01 (mode 2 only)") << "gammu/tests/at-cnmi/01.dump" << false;
    QTest::newRow("02") << "gammu/tests/at-cnmi/02.dump" << true;
    QTest::newRow("03") << "gammu/tests/at-cnmi/03.dump" << true;
}

void TestAtEngine::cnmiRangesFromCaptures()
{
    QFETCH(QString, dump);
    QFETCH(bool, plainAccepted);
    SimHarness h;
    h.control(QStringLiteral("cnmi-range file=" PORTIVA_SHARED_DIR "/testdata/modem/") + dump);
    const QByteArray line = fixtureLine(dump, "+CNMI:");
    QVERIFY(!line.isEmpty());
    QCOMPARE(h.at("AT+CNMI=?"), "\r\n" + line + "\r\n\r\nOK\r\n");
    // None of the captured modems takes status reports into storage.
    QCOMPARE(h.at("AT+CNMI=1,1,0,2,1"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(h.at("AT+CNMI=1,1") == "\r\nOK\r\n", plainAccepted);
}

void TestAtEngine::cpmsTestAnswersFromCaptures_data()
{
    QTest::addColumn<QString>("dump");
    QTest::newRow("alcatel, blank line first") << "gammu/tests/at-cpms/alcatel-s320.dump";
    QTest::newRow("brovi, no MT") << "gammu/tests/at-cpms/brovi-e3372-325.dump";
    QTest::newRow("samsung, empty") << "gammu/tests/at-cpms/samsung-j700.dump";
    QTest::newRow("iwow, no parentheses") << "gammu/tests/at-cpms-sm/iwow.dump";
    QTest::newRow("sr") << "gammu/tests/at-cpms-sr/generic.dump";
}

void TestAtEngine::cpmsTestAnswersFromCaptures()
{
    QFETCH(QString, dump);
    const QList<QByteArray> lines = fixture(dump).split('\n');
    const qsizetype okAt = lines.indexOf("OK");
    QVERIFY(okAt > 1);
    const QList<QByteArray> answer = lines.mid(1, okAt - 1);
    SimHarness h;
    h.sim.setCpmsTest(answer.join('\n'));
    QCOMPARE(h.at("AT+CPMS=?"), "\r\n" + answer.join("\r\n") + "\r\n\r\nOK\r\n");
}

void TestAtEngine::listingMatchesCapture()
{
    // The entries of a real mixed listing, injected with its fields, list as the same lines.
    const QString capture = QStringLiteral("enjsms/clean_cmgl_all_with_status_reports.txt");
    SimHarness h;
    h.control("memory SM base=0");
    h.control("smsraw +370958735591 " +
              QString::fromLatin1(QByteArray("0414043E04310440043E04350020044304420440043E0021"
                                             "00200421043E043B043D04350447043D")
                                      .toHex()) +
              " status=read scts=\"08/12/01,10:16:24+08\"");
    h.control("status-report 233 +370445120025 0 stat=read scts=\"12/05/15,03:16:34+12\" "
              "dt=\"12/05/15,03:16:39+12\"");
    h.control("status-report 229 +370445120025 0 scts=\"12/05/15,03:00:37+12\" "
              "dt=\"12/05/15,03:00:42+12\"");
    h.control("status-report 47 - 0 form=empty stat=read scts=\"12/05/23,04:29:55+12\" "
              "dt=\"12/05/23,04:30:02+12\"");
    h.control("stored 1111111 \"Hpmini5101-1499000\"");
    const QByteArray listing = h.at("AT+CMGL=\"ALL\"");
    QVERIFY(listing.endsWith("\r\n\r\nOK\r\n"));
    const QList<QByteArray> got = listing.mid(2, listing.size() - 10).split('\n');
    auto body = [](QByteArray l) { return l.endsWith('\r') ? l.chopped(1) : l; };
    const QByteArray indexFree = "+CMGL: ";
    auto fieldsOf = [&](const QByteArray &l) { return l.mid(l.indexOf(',')); };
    const QList<QByteArray> wanted = fixture(capture).split('\n');
    for (const QByteArray &g : got) {
        if (!g.startsWith(indexFree))
            continue;
        bool found = false;
        for (const QByteArray &w : wanted)
            found = found || fieldsOf(body(w)) == fieldsOf(body(g));
        QVERIFY2(found, g.constData());
    }
    QCOMPARE(listing.count("+CMGL: "), 5);
    QVERIFY(listing.contains("\r\n0414043E04310440"));
    QVERIFY(listing.contains("\r\nHpmini5101-1499000\r\n"));
    // A listing marks unread entries read.
    QVERIFY(!h.at("AT+CMGL=\"ALL\"").contains("REC UNREAD"));
}

void TestAtEngine::readLayoutsMatchCaptures()
{
    SimHarness h;
    // A status report with an empty <stat>, as one modem reads it.
    h.control("status-report 20 0870000000 0 stat=empty scts=\"13/04/29,19:58:00+04\" "
              "dt=\"13/04/29,19:59:00+04\"");
    const QByteArray report =
        fixtureLine("python-gsmmodem/textmode_cmgr_status_report.txt", "+CMGR:");
    QCOMPARE(h.at("AT+CMGR=1"), "\r\n" + report + "\r\n\r\nOK\r\n");
    // A received message with the AT+CSDH=1 detail fields.
    const QString dump = QStringLiteral("gammu/tests/at-sms-txt-detail/sample2.dump");
    const QList<QByteArray> lines = fixture(dump).split('\n');
    h.sim.store().clear();
    h.at("AT+CSCA=\"+85482952131\",145");
    h.at("AT+CSDH=1");
    h.sim.deliverSms("+85474628455", QString::fromLatin1(lines[2]),
                     DeliverOptions{true, "07/02/18,00:05:10+32", {}, true});
    QCOMPARE(h.at("AT+CMGR=1"), "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n\r\nOK\r\n");
}

void TestAtEngine::detailHeadersFollowCsdh()
{
    SimHarness h;
    h.sim.deliverSms("+4799887766", "Hovedport\n41234567 er lagt til",
                     DeliverOptions{false, "09/05/10,14:03:27+08", {}, true});
    const QByteArray body = "Hovedport\n41234567 er lagt til";
    QCOMPARE(h.at("AT+CMGL=ALL"),
             "\r\n+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\"\r\n" + body +
                 "\r\n\r\nOK\r\n");
    h.at("AT+CSDH=1");
    QCOMPARE(h.at("AT+CMGL=\"ALL\""),
             "\r\n+CMGL: 1,\"REC READ\",\"+4799887766\",,\"09/05/10,14:03:27+08\",145,30\r\n" +
                 body + "\r\n\r\nOK\r\n");
    QCOMPARE(h.at("AT+CMGR=1"),
             "\r\n+CMGR: \"REC READ\",\"+4799887766\",,\"09/05/10,14:03:27+08\",145,4,0,0,"
             "\"+4792001000\",145,30\r\n" +
                 body + "\r\n\r\nOK\r\n");
    h.control("stored 41234567 \"I 4\"");
    QCOMPARE(h.at("AT+CMGR=2"), QByteArray("\r\n+CMGR: \"STO UNSENT\",\"41234567\",,129,17,0,0,167,"
                                           "\"+4792001000\",145,3\r\nI 4\r\n\r\nOK\r\n"));
}

void TestAtEngine::ucs2Charset()
{
    SimHarness h;
    h.sim.deliverSms("+47", QStringLiteral("\u00e5@"),
                     DeliverOptions{false, "09/05/10,14:03:27+08", {}, true});
    // The stored GSM codes are kept; the GSM character set shows them as they are.
    QVERIFY(h.at("AT+CMGR=1").contains(QByteArray("\r\n\x0f\x00\r\n", 6)));
    h.at("AT+CSCS=\"UCS2\"");
    QCOMPARE(h.at("AT+CMGR=1"), QByteArray("\r\n+CMGR: \"REC READ\",\"002B00340037\",,"
                                           "\"09/05/10,14:03:27+08\"\r\n00E50040\r\n\r\nOK\r\n"));
}

void TestAtEngine::deleteFlags()
{
    SimHarness h;
    for (int i = 0; i < 3; ++i)
        h.sim.deliverSms("+4711111111", "x");
    h.control("stored 123 \"y\"");
    h.at("AT+CMGR=2"); // read
    QCOMPARE(h.at("AT+CMGD=?"), QByteArray("\r\n+CMGD: (1,2,3,4),(0-4)\r\n\r\nOK\r\n"));
    QCOMPARE(h.at("AT+CMGD=1,1"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(h.sim.store().indexes("SM"), QList<int>({1, 3, 4}));
    QCOMPARE(h.at("AT+CMGD=1,3"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(h.sim.store().indexes("SM"), QList<int>({1, 3}));
    QCOMPARE(h.at("AT+CMGD=3"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(h.at("AT+CMGD=3"), QByteArray("\r\n+CMS ERROR: 321\r\n"));
    h.control("delete-empty ok");
    QCOMPARE(h.at("AT+CMGD=3"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(h.sim.deletions(), QList<int>({2, 4, 3}));
}

void TestAtEngine::strictQuoting()
{
    SimHarness h;
    h.control("strict on");
    QCOMPARE(h.at("AT+CMGL=ALL"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(h.at("AT+CMGS=+4712345678"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(h.at("AT+CMGL=\"ALL\""), QByteArray("\r\nOK\r\n"));
}

void TestAtEngine::mtRefused()
{
    SimHarness h;
    h.control("mt off");
    QCOMPARE(h.at("AT+CPMS=\"MT\",\"MT\",\"MT\""), QByteArray("\r\n+CMS ERROR: 302\r\n"));
    QCOMPARE(h.at("AT+CPMS=\"SM\",\"SM\",\"SM\""),
             QByteArray("\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n"));
    QVERIFY(!h.at("AT+CPMS=?").contains("MT"));
}

QTEST_GUILESS_MAIN(TestAtEngine)
#include "tst_atengine.moc"

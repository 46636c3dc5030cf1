// The simulated key units: the replies of the key-unit command language in three languages.

#include "helper_sim.h"

#include "tools/modemsim/GsmCodec.h"
#include "tools/modemsim/KeyUnit.h"

#include <QtTest>

using namespace portiva::modemsim;

class TestKeyUnit : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void assistantsAndAdmin();
    void longListingsSplit();
    void adminListing();
    void endToEndThroughTheModem();
    void unreachableUnit();
};

namespace
{

KeyUnit unitWithUsers(const QString &lang)
{
    KeyUnit u;
    u.number = QStringLiteral("+4799887766");
    u.name = QStringLiteral("Hovedport");
    u.language = lang;
    u.users.append({QStringLiteral("41234567"), false, "09051000", "09051224", {}});
    u.users.append({QStringLiteral("42222222"), true, {}, {}, QStringLiteral("150")});
    return u;
}

} // namespace

void TestKeyUnit::replies_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("reply");
    const QString n = QStringLiteral("Hovedport\n");
    QTest::newRow("nb added")
        << "nb"
        << "I 43333333>09051000<09051224"
        << QStringList{n + "43333333 er lagt til\nFRA :10/5-2009 0:00\nTIL :12/5-2009 24:00"};
    QTest::newRow("da added")
        << "da"
        << "i 43333333>09051008<09123118"
        << QStringList{n + "43333333 er lagt til\nFRA :10/5-2009 8:00\nTIL :31/12-2009 18:00"};
    QTest::newRow("sv added") << "sv"
                              << "I 43333333>09051000<09051224"
                              << QStringList{
                                     n +
                                     "43333333 \u00e4r upplagt i Hovedport\nFr\u00e5n:10/5-2009 "
                                     "0:00\nTill:12/5-2009 24:00"};
    QTest::newRow("nb exists keeps held period")
        << "nb"
        << "I 41234567>10010100<10123124"
        << QStringList{n + "41234567 finnes allerede\nFRA :10/5-2009 0:00\nTIL :12/5-2009 24:00"};
    QTest::newRow("da exists")
        << "da"
        << "I 41234567>10010100<10123124"
        << QStringList{n + "41234567 findes allerede\nFRA :10/5-2009 0:00\nTIL :12/5-2009 24:00"};
    QTest::newRow("sv exists")
        << "sv"
        << "I 41234567>10010100<10123124"
        << QStringList{n + "41234567 finns redan\nFr\u00e5n:10/5-2009 0:00\nTill:12/5-2009 24:00"};
    QTest::newRow("balance") << "nb"
                             << "I 43333333*200"
                             << QStringList{n + "43333333 er lagt til\nSALDO:200"};
    QTest::newRow("balance held") << "nb"
                                  << "I 42222222*999"
                                  << QStringList{n + "42222222 finnes allerede\nSALDO:150"};
    QTest::newRow("international number echoed")
        << "nb"
        << "I +4741234567>10010100<10123124"
        << QStringList{n +
                       "+4741234567 finnes allerede\nFRA :10/5-2009 0:00\nTIL :12/5-2009 24:00"};
    QTest::newRow("nb removed") << "nb"
                                << "U 41234567" << QStringList{n + "41234567 er slettet"};
    QTest::newRow("nb not there") << "nb"
                                  << "u 49999999" << QStringList{n + "49999999 finnes ikke"};
    QTest::newRow("da not there") << "da"
                                  << "U 49999999" << QStringList{n + "49999999 findes ikke"};
    QTest::newRow("sv removed") << "sv"
                                << "U 41234567" << QStringList{n + "41234567 \u00e4r borttagen"};
    QTest::newRow("sv not there") << "sv"
                                  << "U 49999999" << QStringList{n + "49999999 finns inte"};
    QTest::newRow("users") << "nb"
                           << "K" << QStringList{"Hovedport brukere\n*41234567\n*42222222"};
    QTest::newRow("admin welcome") << "da"
                                   << "?" << QStringList{n + "Velkommen ADMIN."};
    QTest::newRow("nb released") << "nb"
                                 << "AR" << QStringList{n + "Neste som sender SMS blir ADMIN"};
    QTest::newRow("da released") << "da"
                                 << "AR"
                                 << QStringList{n +
                                                "Den n\u00e6ste som sender en SMS bliver ADMIN"};
    QTest::newRow("sv released") << "sv"
                                 << "AR"
                                 << QStringList{n + "N\u00e4sta som s\u00e4nder SMS blir ADMIN"};
    QTest::newRow("ignored: config") << "nb"
                                     << "T1 Velkommen" << QStringList{};
    QTest::newRow("ignored: free text") << "nb"
                                        << "hei" << QStringList{};
    QTest::newRow("ignored: bad registration") << "nb"
                                               << "I 4123>0905" << QStringList{};
}

void TestKeyUnit::replies()
{
    QFETCH(QString, lang);
    QFETCH(QString, command);
    QFETCH(QStringList, reply);
    KeyUnit u = unitWithUsers(lang);
    QCOMPARE(u.handle(command, "+4790000000", "90000000"), reply);
    QCOMPARE(u.received.last(), command);
}

void TestKeyUnit::assistantsAndAdmin()
{
    KeyUnit u = unitWithUsers("nb");
    // Only the modem's own number as an assistant gets the welcome.
    QCOMPARE(u.handle("A2 41234567", "+4790000000", "90000000"), QStringList());
    QCOMPARE(u.handle("A3 90000000", "+4790000000", "90000000"),
             QStringList{"Hovedport\nVelkommen som NY Assistent"});
    QCOMPARE(u.handle("K", {}, {}), QStringList{"Hovedport brukere\n*41234567-2\n*42222222"});
    QCOMPARE(
        u.handle("I 41234567>09051000<09051224", {}, {}).value(0),
        QStringLiteral(
            "Hovedport\n41234567 finnes allerede\nA-2\nFRA :10/5-2009 0:00\nTIL :12/5-2009 24:00"));
    u.handle("?", "+4790000000", {});
    QCOMPARE(u.admin, QStringLiteral("+4790000000"));
    u.handle("A6 99887766", {}, {});
    QCOMPARE(u.ownNumber, QStringLiteral("+4799887766"));
    u.handle("AR", {}, {});
    QVERIFY(u.admin.isEmpty());
}

void TestKeyUnit::longListingsSplit()
{
    KeyUnit u = unitWithUsers("nb");
    for (int i = 0; i < 30; ++i) {
        u.users.append({QString::number(40000000 + i), true, {}, {}, "1"});
        u.log.append({QString::number(40000000 + i),
                      QStringLiteral("%1/3,7:%2").arg(i % 28 + 1).arg(i + 10)});
    }
    const QStringList users = u.handle("K", {}, {});
    QVERIFY(users.size() > 1);
    int entries = 0;
    for (const QString &sms : users) {
        QVERIFY(sms.size() <= 160);
        QVERIFY(sms.startsWith("Hovedport brukere\n*"));
        entries += int(sms.count(QLatin1Char('*')));
    }
    QCOMPARE(entries, 32);
    const QStringList log = u.handle("r25", {}, {});
    QString all;
    for (const QString &sms : log) {
        QVERIFY(sms.size() <= 160);
        QVERIFY(sms.startsWith("Hovedport logg\n*"));
        all += sms.mid(sms.indexOf('\n'));
    }
    // The last 25 entries, oldest first, each an entry with its time.
    QVERIFY(all.startsWith("\n*40000005\n6/3,7:15\n*40000006"));
    QVERIFY(all.endsWith("\n*40000029\n2/3,7:39"));
    QCOMPARE(int(all.count('*')), 25);
}

void TestKeyUnit::adminListing()
{
    KeyUnit u = unitWithUsers("sv");
    u.admin = "+4790000000";
    u.assistants[0] = "41234567";
    u.ownNumber = "+4799887766";
    QCOMPARE(u.adminListing(),
             QStringList{
                 "Hovedport\nForvalterma\u00f6n:+4790000000\nAssistenter:\nA1: +4741234567\nA2: \n"
                 "A3: \nA4: \nA5: \n\nEget Nummer\n+4799887766"});
}

void TestKeyUnit::endToEndThroughTheModem()
{
    SimHarness h;
    h.control("unit add +4699887766 \"Garasje\" lang=sv cc=46 delay=10");
    h.at("AT+CNMI=1,1");
    h.at("AT+CMGS=\"+4699887766\"");
    h.sim.feed("I 41234567>09051000<09051224\x1a");
    h.waitFor("+CMTI");
    // The reply arrives GSM-encoded: LF between lines, ä as 0x7B, å as 0x0F.
    const QByteArray read = h.at("AT+CMGR=1");
    QVERIFY2(read.contains("\r\nGarasje\n41234567 {r upplagt i Garasje\nFr\x0fn:10/5-2009 "
                           "0:00\nTill:12/5-2009 24:00\r\n"),
             read.constData());
    QVERIFY(read.contains("\"+4699887766\""));
    h.control("unit say +4699887766 \"fri tekst\"");
    QVERIFY(h.at("AT+CMGR=2").contains("\r\nfri tekst\r\n"));
}

void TestKeyUnit::unreachableUnit()
{
    // Delivery status 70: the command never reaches the unit, and the report says so.
    SimHarness h;
    h.control("unit add +4799887766 \"Hovedport\" status=70 delay=0");
    h.at("AT+CSMP=49,167,0,0;+CNMI=1,1,0,2,1");
    h.at("AT+CMGS=\"+4799887766\"");
    h.sim.feed("K\x1a");
    h.waitFor("+CDSI");
    QTest::qWait(20);
    QVERIFY(h.sim.unit("+4799887766")->received.isEmpty());
    QCOMPARE(h.sim.store().used("SM"), 1);
    QVERIFY(h.at("AT+CMGR=1").contains(",70\r\n"));
}

QTEST_GUILESS_MAIN(TestKeyUnit)
#include "tst_keyunit.moc"

// Real modem listings: each entry handled with the rest of the listing still to come, as the
// modem sends it; and the header fields taken apart for the forms real modems write.

#include "helper_inbox.h"
#include "inbox/ListingEntry.h"
#include "inbox/SmsText.h"
#include "platform/db/Recordset.h"

#include <QFile>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

QList<QByteArray> fixtureLines(const QString &relative)
{
    QFile f(QStringLiteral(PORTIVA_SHARED_DIR "/testdata/modem/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    for (QByteArray line : f.readAll().split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.startsWith('#'))
            lines << line;
    }
    return lines;
}

// The listing from the entry whose header starts with prefix: its header, and what follows it
// up to the listing's "OK" as the modem would send it.
bool entryOf(const QList<QByteArray> &lines, const QByteArray &prefix, QString &header,
             QByteArray &rest)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).startsWith(prefix))
            continue;
        header = QString::fromLatin1(lines.at(i));
        for (qsizetype j = i + 1; j < lines.size(); ++j) {
            rest += lines.at(j) + "\r\n";
            if (lines.at(j) == "OK")
                return true;
        }
        return true;
    }
    return false;
}

QStringList rows(InboxRig &rig, const QString &sql)
{
    QStringList out;
    const auto rs = Recordset::open(rig.state.SharedConnection, sql);
    for (; !rs->EOF(); rs->MoveNext()) {
        QStringList v;
        for (int i = 0; i < rs->fieldCount(); ++i)
            v << rs->value(i).toString();
        out << v.join(u'|');
    }
    return out;
}

const char *kListing = "enjsms/clean_cmgl_all_with_status_reports.txt";
const QString kReceived =
    QStringLiteral("SELECT FraNummer, FraNummerKort, Dato, SMS_Text FROM SMS_Received");
const QString kSent = QStringLiteral("SELECT ID, CMGS, TimeSent, TimeReceived, ReceivedStatus "
                                     "FROM SMS_Sent ORDER BY ID");

} // namespace

class TestInboxListings : public QObject
{
    Q_OBJECT
private slots:
    void realListing_data();
    void realListing();
    void fourDigitYearAndBlanks();
    void headerFields_data();
    void headerFields();
    void refusedReportWriteKeepsEntry();
    void checkedMid();
    void bodyIsNeverAnotherEntrysHeader();
};

void TestInboxListings::realListing_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QStringList>("received");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QByteArray>("commands");

    const QString hex = QStringLiteral("0414043E04310440043E04350020044304420440043E002100200421"
                                       "043E043B043D04350447043D");
    // The UCS2-hex body of a modem left in another character set is kept whole, as written.
    QTest::newRow("ucs2 hex body")
        << kListing << QByteArray("+CMGL: 0,")
        << QStringList{"+370958735591|095873559|08/12/01,10:16:24|" + hex}
        << QStringList{"1|233|NA|NA|NA", "2|47|NA|NA|NA"} << QByteArray("AT+CMGD=0\r");
    QTest::newRow("report with recipient")
        << kListing << QByteArray("+CMGL: 21,") << QStringList()
        << QStringList{"1|233:OK|12/05/15,03:16:34|12/05/15,03:16:39|OK", "2|47|NA|NA|NA"}
        << QByteArray("AT+CMGD=21\r");
    QTest::newRow("report without recipient")
        << kListing << QByteArray("+CMGL: 9,") << QStringList()
        << QStringList{"1|233|NA|NA|NA", "2|47:OK|12/05/23,04:29:55|12/05/23,04:30:02|OK"}
        << QByteArray("AT+CMGD=9\r");
    // A report for another recipient, though of a reference sent here, completes nothing.
    QTest::newRow("report for another recipient")
        << kListing << QByteArray("+CMGL: 23,") << QStringList()
        << QStringList{"1|233|NA|NA|NA", "2|47|NA|NA|NA"} << QByteArray("AT+CMGD=23\r");
    QTest::newRow("sto unsent with text")
        << kListing << QByteArray("+CMGL: 3,") << QStringList()
        << QStringList{"1|233|NA|NA|NA", "2|47|NA|NA|NA"} << QByteArray("AT+CMGD=3\r");
    QTest::newRow("sto unsent empty")
        << kListing << QByteArray("+CMGL: 11,\"STO") << QStringList()
        << QStringList{"1|233|NA|NA|NA", "2|47|NA|NA|NA"} << QByteArray("AT+CMGD=11\r");
    QTest::newRow("index 0 of another modem")
        << "python-gsmmodem/textmode_cmgl_rec_unread.txt" << QByteArray("+CMGL: 0,")
        << QStringList{"+27224430574|224430574|13/01/28,14:51:42|Hello raspberry pi"}
        << QStringList{"1|233|NA|NA|NA", "2|47|NA|NA|NA"} << QByteArray("AT+CMGD=0\r");
}

void TestInboxListings::realListing()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, entry);
    QFETCH(QStringList, received);
    QFETCH(QStringList, sent);
    QFETCH(QByteArray, commands);

    InboxRig rig;
    // Two messages sent to the same recipient, waiting for their reports.
    for (const char *ref : {"233", "47"})
        rig.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, CMGS, TimeSent, "
                                "TimeReceived, ReceivedStatus) VALUES (?, ?, ?, 'NA', 'NA', 'NA')"),
                 {"+370445120025", "445120025", ref});
    QString header;
    QByteArray rest;
    QVERIFY(entryOf(fixtureLines(file), entry, header, rest));
    rig.serial.script.add(0, rest);
    rig.handle(header);

    QCOMPARE(rows(rig, kReceived), received);
    QCOMPARE(rows(rig, kSent), sent);
    QCOMPARE(rig.written(), commands);
}

void TestInboxListings::fourDigitYearAndBlanks()
{
    // A modem that writes blanks after the commas and a four-digit year, with a body longer
    // than any one SMS; its read answer taken as a listing entry.
    const QList<QByteArray> lines = fixtureLines("gammu/tests/at-sms-txt/motorola-l7.dump");
    QVERIFY(lines.size() >= 3);
    QVERIFY(lines.at(1).startsWith("+CMGR: "));
    const QString header = "+CMGL: 5," + QString::fromLatin1(lines.at(1).mid(7));
    const QByteArray body = lines.at(2);
    QVERIFY(body.size() > 255);

    InboxRig rig;
    rig.serial.script.add(0, body + "\r\n\r\nOK\r\n");
    rig.handle(header);
    QCOMPARE(rows(rig, kReceived), QStringList{"+4166626527253|666265272|09/08/18,19:11:45|" +
                                               QString::fromLatin1(body)});
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=5\r"));
}

void TestInboxListings::headerFields_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("values"); // text: sender|stamp; report: ref|recipient|sent|dt|st

    const int text = int(ListingEntry::Kind::Text), report = int(ListingEntry::Kind::StatusReport),
              other = int(ListingEntry::Kind::Other);
    QTest::newRow("name field before the stamp")
        << "+CMGL: 2,\"REC READ\",\"+4741234567\",\"Kari\",\"09/05/10,14:03:27+08\"" << text
        << "+4741234567|09/05/10,14:03:27";
    QTest::newRow("detail fields after the stamp")
        << "+CMGL: 1,\"REC READ\",\"+85474628455\",,\"07/02/18,00:05:10+32\",145,4" << text
        << "+85474628455|07/02/18,00:05:10";
    QTest::newRow("sender without closing quote")
        << "+CMGL: 3,\"REC UNREAD\",\"+47998" << text << "|";
    QTest::newRow("lower-case status")
        << "+CMGL: 3,\"rec unread\",\"+4741234567\",," << text << "+4741234567|";
    QTest::newRow("report first octet 2")
        << "+CMGL: 5,\"REC READ\",2,045,,,\"09/05/10,14:03:22+08\",\"09/05/10,14:03:30+08\",0"
        << report << "45||09/05/10,14:03:22|09/05/10,14:03:30|0";
    QTest::newRow("report first octet 38 national recipient")
        << "+CMGL: 5,\"REC READ\",38,7,\"0701234567\",129,\"09/05/10,14:03:22+08\","
           "\"09/05/10,14:03:30+08\", 70"
        << report << "7|0701234567|09/05/10,14:03:22|09/05/10,14:03:30|70";
    QTest::newRow("report international recipient without plus")
        << "+CMGL: 5,\"REC READ\",6,45,\"4799887766\",145,\"09/05/10,14:03:22+08\","
           "\"09/05/10,14:03:30+08\",0"
        << report << "45|+4799887766|09/05/10,14:03:22|09/05/10,14:03:30|0";
    QTest::newRow("report with empty stat")
        << "+CMGL: 57,,6,20,\"0870000000\",129,\"13/04/29,19:58:00+04\",\"13/04/29,19:59:00+04\",0"
        << report << "20|0870000000|13/04/29,19:58:00|13/04/29,19:59:00|0";
    // A first octet whose message type is a deliver or a submit is no report.
    QTest::newRow("first octet 4") << "+CMGL: 5,\"REC READ\",4,45,,,\"a\",\"b\",0" << other << "";
    QTest::newRow("eight fields") << "+CMGL: 5,\"REC READ\",6,45,,\"a\",\"b\",0" << other << "";
    QTest::newRow("reference not a number")
        << "+CMGL: 5,\"REC READ\",6,4x,,,\"a\",\"b\",0" << other << "";
    QTest::newRow("stored sent") << "+CMGL: 4,\"STO SENT\",\"+4741234567\",," << other << "";
}

void TestInboxListings::headerFields()
{
    QFETCH(QString, header);
    QFETCH(int, kind);
    QFETCH(QString, values);
    const ListingEntry e = ListingEntry::parse(header);
    QCOMPARE(int(e.kind), kind);
    if (e.kind == ListingEntry::Kind::Text)
        QCOMPARE(e.sender + u'|' + e.timeStamp, values);
    else if (e.kind == ListingEntry::Kind::StatusReport)
        QCOMPARE(QStringList({e.reference, e.recipient, e.timeSent, e.timeReceived, e.status})
                     .join(u'|'),
                 values);
}

void TestInboxListings::refusedReportWriteKeepsEntry()
{
    InboxRig rig;
    rig.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, CMGS, TimeSent, "
                            "TimeReceived, ReceivedStatus) VALUES "
                            "('+4799887766', '99887766', '45', 'NA', 'NA', 'NA')"));
    rig.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON SMS_Sent BEGIN "
                            "SELECT RAISE(ABORT, 'database is locked'); END"));
    rig.serial.script.add(0, "\r\nOK\r\n");
    rig.handle(QStringLiteral("+CMGL: 5,\"REC UNREAD\",6,45,,,\"09/05/10,14:03:22+08\","
                              "\"09/05/10,14:03:30+08\",0"));
    // The report stays in the modem for the next listing; the frame ends as always.
    QCOMPARE(rig.written(), QByteArray());
    QCOMPARE(rows(rig, kSent), QStringList{"1|45|NA|NA|NA"});
    QVERIFY(rig.TimerCom.isActive());
    QVERIFY(!rig.flags.ReadingMessages);

    // Once the database takes it, the same report completes the row and is deleted.
    rig.exec(QStringLiteral("DROP TRIGGER refuse"));
    rig.serial.script.add(rig.clock.now(), "\r\nOK\r\n");
    rig.handle(QStringLiteral("+CMGL: 5,\"REC UNREAD\",6,45,,,\"09/05/10,14:03:22+08\","
                              "\"09/05/10,14:03:30+08\",0"));
    QCOMPARE(rows(rig, kSent), QStringList{"1|45:OK|09/05/10,14:03:22|09/05/10,14:03:30|OK"});
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=5\r"));
}

// The stream lost this entry's body: the next line is another entry's header. Nothing is
// stored for it and it stays on the modem, to be read whole with the next listing.
void TestInboxListings::bodyIsNeverAnotherEntrysHeader()
{
    InboxRig rig;
    rig.serial.script.add(0, "+CMGL: 6,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:22+08\"\r\n"
                             "Andre\r\n\r\nOK\r\n");
    rig.handle(QStringLiteral("+CMGL: 5,\"REC UNREAD\",\"+4711223344\",,\"09/05/10,14:03:20+08\""));
    QCOMPARE(rows(rig, kReceived), QStringList());
    QVERIFY(!rig.written().contains("AT+CMGD=5"));
    QVERIFY(!rig.flags.ReadingMessages);
}

void TestInboxListings::checkedMid()
{
    QCOMPARE(SmsText::mid(QStringLiteral("abcdef"), 3, -3), std::nullopt);
    QCOMPARE(SmsText::mid(QStringLiteral("abcdef"), 0, 2), std::nullopt);
    QCOMPARE(SmsText::mid(QStringLiteral("abcdef"), 0), std::nullopt);
    QCOMPARE(SmsText::mid(QStringLiteral("abcdef"), 3, 2), std::optional<QString>("cd"));
    QCOMPARE(SmsText::mid(QStringLiteral("abc"), 9, 2), std::optional<QString>(""));
    QCOMPARE(SmsText::inStr(0, QStringLiteral("abc"), QStringLiteral("a")), 0);
    QCOMPARE(SmsText::inStr(QStringLiteral("Er Lagt Til"), QStringLiteral("lagt")), 4);
}

QTEST_MAIN(TestInboxListings)
#include "tst_inbox_listings.moc"

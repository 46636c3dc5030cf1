#include "helper_rig.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// Runs ops over the rig: L line, B body line, O WaitForOK, P prompt. Results joined by "|".
QString run(Rig &rig, const QString &ops)
{
    QStringList out;
    for (QChar op : ops) {
        if (op == u'L')
            out << rig.reader.ReadModemLine();
        else if (op == u'B')
            out << rig.reader.ReadModemBodyLine();
        else if (op == u'O')
            out << (rig.reader.WaitForOK() ? QStringLiteral("T") : QStringLiteral("F"));
        else if (op == u'P') {
            const PromptResult p = rig.reader.WaitForPrompt();
            out << (p.errorSeen ? QStringLiteral("!") : QString()) + p.text;
        }
    }
    return out.join(u'|');
}

const QByteArray kListingHeader =
    "+CMGL: 3,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\"";

} // namespace

class TestLineReader : public QObject
{
    Q_OBJECT
private slots:
    void table_data();
    void table();
    void fragments_data() { table_data(); }
    void fragments();
    void echoAndTerminal();
    void longListingIsNotCut_data();
    void longListingIsNotCut();
    void realListingDrainsToOk();
    void noticeInsideExchangeIsKept();
    void keptNoticeWaitsForTheNextExchange();
    void bufferCapDropsOldData_data();
    void bufferCapDropsOldData();
    void terminalKeepsLast600();
    void readsKeepTheTerminalAtLast600();
};

void TestLineReader::table_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<int>("minElapsed");

    for (bool net : {false, true}) {
        const char *k = net ? "net " : "serial ";
        auto row = [&](const char *name) {
            return &QTest::newRow((QByteArray(k) + name).constData());
        };
        *row("ok") << net << QByteArray("\r\nOK\r\n") << "L"
                   << "OK" << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("one character waits for the limit") << net << QByteArray("X\r") << "L"
                                                  << "X" << QByteArray() << (net ? 1000 : 2000);
        *row("notice") << net << QByteArray("\r\n+CMTI: \"SM\",6\r\n") << "L"
                       << "+CMTI: \"SM\",6" << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("prompt without line end") << net << QByteArray("\r\n> ") << "P"
                                        << ">" << QByteArray(" ") << 0;
        *row("error before prompt") << net << QByteArray("\r\nERROR\r\n") << "P"
                                    << "!" << QByteArray("\n") << 0;
        *row("cms error before prompt") << net << QByteArray("\r\n+CMS ERROR: 304\r\n") << "P"
                                        << "!" << QByteArray("\n") << 0;
        *row("cr only endings") << net << QByteArray("\rOK\r+CMTI: \"SM\",1\r") << "LL"
                                << "OK|+CMTI: \"SM\",1" << QByteArray() << 0;
        *row("silent modem") << net << QByteArray() << "O"
                             << "F" << QByteArray() << (net ? 4000 : 8000);
        *row("ok after echo and error") << net << QByteArray("AT\r\r\nERROR\r\n\r\nOK\r\n") << "O"
                                        << "T" << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("empty body keeps ok") << net << (kListingHeader + "\r\n\r\n\r\nOK\r\n") << "LBO"
                                    << QString::fromLatin1(kListingHeader) + "||T"
                                    << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("one character body before header")
            << net
            << QByteArray(
                   "+CMGL: 1,\"REC UNREAD\"\r\nA\r\n+CMGL: 2,\"REC UNREAD\"\r\nB\r\n\r\nOK\r\n")
            << "LBLBO"
            << "+CMGL: 1,\"REC UNREAD\"|A|+CMGL: 2,\"REC UNREAD\"|B|T"
            << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("body with inner line feed")
            << net << QByteArray("Hovedport\n41234567 er lagt til\r\n") << "B"
            << "Hovedport\n41234567 er lagt til" << (net ? QByteArray("\n") : QByteArray()) << 0;
        *row("hundred and one lines")
            << net << QByteArray("X1\r\n").repeated(105) << "O"
            << "F" << (net ? QByteArray("\n") : QByteArray()) + QByteArray("X1\r\n").repeated(4)
            << 0;
    }
}

void TestLineReader::table()
{
    QFETCH(bool, network);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, ops);
    QFETCH(QString, expected);
    QFETCH(QByteArray, rest);
    QFETCH(int, minElapsed);
    Rig rig(network);
    if (!bytes.isEmpty())
        rig.arrive(0, bytes);
    QCOMPARE(run(rig, ops), expected);
    QCOMPARE(rig.rest(), rest);
    QVERIFY(rig.clock.now() >= minElapsed);
    if (minElapsed == 0)
        QVERIFY2(rig.clock.now() < 500, "a complete answer must not wait for the limit");
}

void TestLineReader::fragments()
{
    QFETCH(bool, network);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, ops);
    QFETCH(QString, expected);
    for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
        Rig rig(network);
        rig.arrive(0, bytes.left(cut));
        rig.arrive(30, bytes.mid(cut));
        QCOMPARE(run(rig, ops), expected);
    }
}

void TestLineReader::echoAndTerminal()
{
    Rig rig(false);
    rig.link.SendData("AT\r");
    rig.arrive(0, "\r\nOK\r\n");
    QVERIFY(rig.reader.WaitForOK());
    rig.arrive(rig.clock.now(), "\r\n> ");
    rig.reader.WaitForPrompt();
    rig.link.SendData(QByteArray("hei"));
    QCOMPARE(rig.log.text(), QStringLiteral("==>AT\r\n<OK\r<**>\r==>hei\r\n"));
    QCOMPARE(rig.serial.script.written, QByteArray("AT\rhei"));
    QCOMPARE(TerminalLog::displayText(QStringLiteral("==>x\x1a\r\n<OK\r")),
             QStringLiteral("==>x^Z\n<OK\n"));
}

void TestLineReader::longListingIsNotCut_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("serial") << false;
    QTest::newRow("net") << true;
}

void TestLineReader::longListingIsNotCut()
{
    QFETCH(bool, network);
    Rig rig(network);
    QByteArray listing = "\r\n";
    for (int i = 1; i <= 9; ++i)
        listing += "+CMGL: " + QByteArray::number(i) +
                   ",\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\"\r\n" +
                   QByteArray(100, char('a' + i)) + "\r\n";
    listing += "\r\nOK\r\n";
    QVERIFY(listing.size() > 1000);
    rig.arrive(0, listing);
    for (int i = 1; i <= 9; ++i) {
        QVERIFY(rig.reader.ReadModemLine().startsWith("+CMGL: " + QString::number(i) + ","));
        QCOMPARE(rig.reader.ReadModemBodyLine(), QString(100, QChar('a' + i)));
    }
    QVERIFY(rig.reader.WaitForOK());
}

void TestLineReader::realListingDrainsToOk()
{
    QFile f(QStringLiteral(PORTIVA_SHARED_DIR
                           "/testdata/modem/enjsms/clean_cmgl_all_with_status_reports.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray all = f.readAll();
    const qsizetype from = all.indexOf("+CMGL");
    const qsizetype ok = all.indexOf("OK", from);
    QVERIFY(from >= 0 && ok > from);
    QByteArray listing = all.mid(from, ok + 2 - from);
    listing.replace("\r\n", "\n").replace("\n", "\r\n");
    listing += "\r\n";
    for (bool net : {false, true}) {
        Rig rig(net);
        rig.arrive(0, listing);
        const QString header = rig.reader.ReadModemLine();
        QVERIFY2(header.startsWith(QLatin1String("+CMGL: ")), qPrintable(header));
        QVERIFY(rig.reader.WaitForOK());
        QVERIFY(rig.clock.now() < 500);
    }
}

void TestLineReader::noticeInsideExchangeIsKept()
{
    Rig rig(true);
    QStringList dispatched;
    rig.exchange.dispatchNotice = [&](const QString &n) { dispatched << n; };
    {
        ExchangeGuard guard(rig.exchange, rig.exchange.flags.QueueWorkerBusy);
        rig.arrive(0, "\r\n+CDSI: \"SM\",7\r\n\r\n+CMTI: \"SM\",6\r\n\r\n> ");
        const PromptResult p = rig.reader.WaitForPrompt();
        QCOMPARE(p.text, QStringLiteral(">"));
        QVERIFY(rig.exchange.flags.QueueWorkerBusy);
    }
    QVERIFY(!rig.exchange.flags.QueueWorkerBusy);
    QVERIFY(dispatched.isEmpty()); // posted, runs after the handler returns
    QCoreApplication::processEvents();
    QCOMPARE(dispatched, QStringList{QStringLiteral("+CDSI: \"SM\",7")});
}

void TestLineReader::keptNoticeWaitsForTheNextExchange()
{
    // A request deferred during a send runs first and starts its own exchange; the notice
    // kept from the send must not be acted on in the middle of that one.
    Rig rig(true);
    QStringList dispatched;
    QStringList seenInsideSecond;
    rig.exchange.dispatchNotice = [&](const QString &n) { dispatched << n; };
    {
        ExchangeGuard send(rig.exchange, rig.exchange.flags.QueueWorkerBusy);
        rig.exchange.noteLine(QStringLiteral("+CMTI: \"SM\",6"));
        QVERIFY(rig.exchange.deferIfBusy(QStringLiteral("InitModem"), [&] {
            ExchangeGuard init(rig.exchange, rig.exchange.flags.ModemInitBusy);
            // A wait of this exchange runs whatever calls are pending.
            QCoreApplication::sendPostedEvents();
            seenInsideSecond = dispatched;
        }));
    }
    QCoreApplication::processEvents(); // the deferred request, then the notice inside it
    QCOMPARE(seenInsideSecond, QStringList());
    QCoreApplication::processEvents(); // posted again when the second exchange ended
    QCOMPARE(dispatched, QStringList{QStringLiteral("+CMTI: \"SM\",6")});
}

void TestLineReader::bufferCapDropsOldData_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("after the last line end")
        << QByteArray("\r\n+CMTI: \"SM\",1") << QByteArray("\n+CMTI: \"SM\",1");
    QTest::newRow("no line end at all") << QByteArray("yy") << QByteArray();
}

void TestLineReader::bufferCapDropsOldData()
{
    QFETCH(QByteArray, tail);
    QFETCH(QByteArray, kept);
    Rig rig(true);
    rig.network.script.add(0, QByteArray(ModemLink::BufferCap, 'x') + tail);
    rig.clock.pump();
    QCOMPARE(rig.link.NetworkReceiveBuffer, kept);
    QCOMPARE(rig.host.status,
             QStringList{QStringLiteral("Mottaksbuffer over 1 MiB: eldre data forkastet\r\n")});
    // Later lines are read as usual.
    rig.arrive(rig.clock.now(), "\r\nOK\r\n");
    QVERIFY(rig.reader.WaitForOK());
}

void TestLineReader::terminalKeepsLast600()
{
    TerminalLog log;
    log.echoSent(QByteArray(595, 'a')); // 598 + CR LF = 600
    QCOMPARE(log.text().size(), 600);
    log.clear();
    log.echoSent(QByteArray(596, 'a') + "\r"); // one over: the first character goes
    QCOMPARE(log.text().size(), 600);
    QVERIFY(log.text().startsWith(QLatin1String("=>a")));
    log.echoSent("b");
    QCOMPARE(log.text().size(), 600);
    QVERIFY(log.text().endsWith(QLatin1String("==>b\r\n")));
}

void TestLineReader::readsKeepTheTerminalAtLast600()
{
    // A listing of many entries is echoed line by line with no write in between.
    Rig rig(false);
    QByteArray listing;
    for (int i = 0; i < 40; ++i)
        listing += "\r\n+CMGL: " + QByteArray::number(i) + ",\"REC READ\",\"+4799887766\"\r\n";
    rig.arrive(0, listing + "\r\nOK\r\n");
    QVERIFY(rig.reader.WaitForOK());
    QCOMPARE(rig.log.text().size(), 600);
    QVERIFY(rig.log.text().endsWith(QLatin1String("<OK\r")));
    rig.arrive(rig.clock.now(), "\r\n> ");
    QCOMPARE(rig.reader.WaitForPrompt().text, QStringLiteral(">"));
    QCOMPARE(rig.log.text().size(), 600);
    QVERIFY(rig.log.text().endsWith(QLatin1String("<OK\r<**>\r")));
}

QTEST_GUILESS_MAIN(TestLineReader)
#include "tst_linereader.moc"

#include "helper_session.h"
#include "helper_simfixture.h"
#include "modem/GsmCharTables.h"
#include "modem/ModemDispatcher.h"
#include "modem/SendQueue.h"
#include "platform/vb/Error.h"
#include "tools/modemsim/ModemSim.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace portiva;
using namespace portiva::test;
using portiva::modemsim::FaultRule;
using portiva::modemsim::ModemSim;

namespace
{

const char *const kUnitA = "+4711111111";
const char *const kUnitB = "+4722222222";

const QString kView = QStringLiteral(
    "SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato, datolng, SMS_Text, CMGS, "
    "TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent WHERE CMGS = ?1 OR CMGS = ?2 ORDER BY "
    "ID");

std::shared_ptr<Recordset> mainView(const std::shared_ptr<Connection> &db)
{
    return Recordset::open(db, kView, {QStringLiteral("UNSENT"), QStringLiteral("SLETTET")});
}

qint64 addRow(Connection &db, const QString &to, const QString &text, int day,
              const QString &cmgs = QStringLiteral("UNSENT"))
{
    db.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                           "(?1, ?2, ?3, ?4)"),
            {to, text, day, cmgs});
    return db.lastInsertId();
}

// The modem takes each text and never answers it.
void silenceAfterText(ModemSim &sim)
{
    FaultRule rule;
    rule.prefix = QStringLiteral("AT+CMGS");
    rule.action = FaultRule::Silence;
    rule.atSubmit = true;
    sim.addFault(rule);
}

// Commits of one connection that changed the send queue or the register, and the tables each
// one wrote.
class WriteLog
{
public:
    explicit WriteLog(Connection &db) : m_db(db.checkedHandle())
    {
        sqlite3_update_hook(m_db, &WriteLog::changed, this);
        sqlite3_commit_hook(m_db, &WriteLog::committed, this);
    }
    ~WriteLog()
    {
        sqlite3_update_hook(m_db, nullptr, nullptr);
        sqlite3_commit_hook(m_db, nullptr, nullptr);
    }
    int commits = 0;
    QStringList tables; // per commit, the tables it wrote, joined

private:
    static void changed(void *self, int, const char *, const char *table, sqlite3_int64)
    {
        auto *log = static_cast<WriteLog *>(self);
        const QString name = QString::fromUtf8(table);
        if ((name == u"SMS_Sent" || name == u"TBLbrukere") && !log->m_pending.contains(name))
            log->m_pending << name;
    }
    static int committed(void *self)
    {
        auto *log = static_cast<WriteLog *>(self);
        if (!log->m_pending.isEmpty()) {
            ++log->commits;
            log->tables << log->m_pending.join(u'+');
            log->m_pending.clear();
        }
        return 0;
    }
    sqlite3 *m_db;
    QStringList m_pending;
};

QString cmgsOf(Connection &db, qint64 id)
{
    return db.scalar(QStringLiteral("SELECT CMGS FROM SMS_Sent WHERE ID = ?1"), {id}).toString();
}

} // namespace

class TestSimSend : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void queueSms_data();
    void queueSms();
    void queueRefusesUnsendableCharacters();
    void settleInterrupted_data();
    void settleInterrupted();
    void sendsOldestFirstAndStoresReference_data();
    void sendsOldestFirstAndStoresReference();
    void sendWritesTwiceAndNeverLosesTheResult_data();
    void sendWritesTwiceAndNeverLosesTheResult();
    void silentModemGivesErrorAfterFiveTries();
    void lateReferenceInThePause();
    void referenceDelays_data();
    void referenceDelays();
    void lateReferencesInProgramTime_data();
    void lateReferencesInProgramTime();
    void strictModemGetsQuotedNumber();
    void queueingDuringTheWaitKeepsEachRowRight();
    void droppedLink_data();
    void droppedLink();
    void endToEndOverTcp();

private:
    void connect(Workstation &w);
    // By TCP, or by a pseudo-terminal whose link lies in dir.
    void connectBy(Workstation &w, bool network, const QTemporaryDir &dir);
    std::unique_ptr<SimFixture> m_fx;
};

void TestSimSend::init()
{
    m_fx = std::make_unique<SimFixture>();
    QVERIFY(m_fx->start());
}

void TestSimSend::cleanup()
{
    m_fx.reset();
}

void TestSimSend::connect(Workstation &w)
{
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(m_fx->sim.port());
    m_fx->dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort();
    QVERIFY(w.state.ModemReady);
}

void TestSimSend::connectBy(Workstation &w, bool network, const QTemporaryDir &dir)
{
    if (network) {
        connect(w);
        return;
    }
    const QString link = dir.filePath(QStringLiteral("modem"));
    QVERIFY(m_fx->sim.openPty(link));
    w.session.setSerialDeviceSetting([link](int) { return link; });
    w.state.LastComPort = 7;
    w.state.OtherComPort = 7;
    w.session.OpenComPort();
    w.session.InitModem();
    QVERIFY(w.state.ModemReady);
}

void TestSimSend::queueSms_data()
{
    QTest::addColumn<QString>("existingText");
    QTest::addColumn<QString>("existingCmgs");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rows");

    // The row there before is always to +4711111111.
    struct Case {
        const char *name, *existingText, *existingCmgs, *text, *to;
        MatchMode mode;
        int rows;
    };
    const MatchMode tr = MatchMode::TextAndRecipient, ro = MatchMode::TextOnlyReaddress;
    const Case cases[] = {
        {"stored blank prevents a match", "t1 velkommen ", "UNSENT", "T1 Velkommen", kUnitA, tr, 2},
        {"same text other case refreshes", "T1 VELKOMMEN", "UNSENT", " t1 velkommen", kUnitA, tr,
         1},
        {"other recipient adds", "T1 VELKOMMEN", "UNSENT", "T1 VELKOMMEN", kUnitB, tr, 2},
        {"free text is re-addressed", "HEI", "UNSENT", "hei", kUnitB, ro, 1},
        {"withdrawn row revived", "U 12345678", "SLETTET", "U 12345678", kUnitA, tr, 1},
        {"a row on its way to the modem is left alone", "T1 VELKOMMEN", "Sendes fra PC-A",
         "T1 VELKOMMEN", kUnitA, tr, 1},
        {"apostrophe is a plain character", "O'Brien' OR '1'='1", "UNSENT", "O'Brien' OR '1'='1",
         kUnitA, tr, 1},
    };
    for (const Case &c : cases)
        QTest::newRow(c.name) << QString::fromUtf8(c.existingText)
                              << QString::fromUtf8(c.existingCmgs) << QString::fromUtf8(c.text)
                              << QString::fromUtf8(c.to) << int(c.mode) << c.rows;
}

void TestSimSend::queueSms()
{
    QFETCH(QString, existingText);
    QFETCH(QString, existingCmgs);
    QFETCH(QString, text);
    QFETCH(QString, to);
    QFETCH(int, mode);
    QFETCH(int, rows);
    auto db = m_fx->db.connection();
    addRow(*db, QString::fromLatin1(kUnitA), existingText, 40000, existingCmgs);
    auto view = mainView(db);
    SendQueue::QueueSMS(*view, text, to, QStringLiteral("Nordmann"), QString(), QDate(2024, 5, 1),
                        QStringLiteral("UNSENT"), MatchMode(mode), KortRule::FromFourth);
    auto after = mainView(db);
    QCOMPARE(after->RecordCount(), rows);
    // A re-addressed row takes the new recipient; any other first row keeps its own.
    const bool readdressed = mode == int(MatchMode::TextOnlyReaddress);
    QCOMPARE(after->toText(QStringLiteral("TilNummer")),
             readdressed ? to : QString::fromLatin1(kUnitA));
    QCOMPARE(after->toText(QStringLiteral("CMGS")), QStringLiteral("UNSENT"));
    after->MoveLast();
    QCOMPARE(after->toText(QStringLiteral("Etternavn")), QStringLiteral("Nordmann"));
    QCOMPARE(after->value(QStringLiteral("datolng")).toInt(), 45413);
    if (rows == 2 || readdressed)
        QCOMPARE(after->toText(QStringLiteral("TilNummerKort")), to.mid(3));
    if (rows == 2)
        QCOMPARE(after->toText(QStringLiteral("SMS_Text")), text); // stored as typed
}

void TestSimSend::queueRefusesUnsendableCharacters()
{
    auto db = m_fx->db.connection();
    auto view = mainView(db);
    try {
        SendQueue::QueueSMS(*view, QStringLiteral("Pris 5 € {ok}"), QStringLiteral("+4711111111"),
                            {}, {}, QDate(2024, 5, 1));
        QFAIL("queued a text the modem cannot send");
    } catch (const Error &e) {
        QVERIFY(e.description().endsWith(QStringLiteral("€{}")));
    }
    QCOMPARE(mainView(db)->RecordCount(), 0);
}

void TestSimSend::settleInterrupted_data()
{
    QTest::addColumn<QString>("liveHolder");
    QTest::addColumn<QStringList>("after");
    const QString cut = QStringLiteral("Avbrutt, kanskje sendt");
    QTest::newRow("nobody may be sending")
        << QString() << QStringList{cut, cut, "UNSENT", "17", "17:OK", "Error"};
    QTest::newRow("the holder may be sending")
        << "pc-b" << QStringList{cut, "Sendes fra PC-B", "UNSENT", "17", "17:OK", "Error"};
}

// Rows left marked on their way to the modem are shown as cut off; nothing else changes.
void TestSimSend::settleInterrupted()
{
    QFETCH(QString, liveHolder);
    QFETCH(QStringList, after);
    auto db = m_fx->db.connection();
    QList<qint64> ids;
    for (const char *cmgs :
         {"Sendes fra PC-A", "Sendes fra PC-B", "UNSENT", "17", "17:OK", "Error"})
        ids << addRow(*db, "+4711111111", "Hei", 40000, QString::fromLatin1(cmgs));
    SendQueue::settleInterrupted(*db, liveHolder);
    QStringList states;
    for (qint64 id : ids)
        states << cmgsOf(*db, id);
    QCOMPARE(states, after);
}

void TestSimSend::sendsOldestFirstAndStoresReference_data()
{
    QTest::addColumn<bool>("reports");
    QTest::newRow("reports off") << false;
    QTest::newRow("reports on") << true;
}

void TestSimSend::sendsOldestFirstAndStoresReference()
{
    QFETCH(bool, reports);
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    w.state.SMSREPORT = reports;
    connect(w);
    m_fx->sim.setNextReference(17);
    const qint64 late = addRow(*db, "+4711111111", "A", 40000);
    const qint64 early1 = addRow(*db, "+4722222222", "B", 39999);
    const qint64 early2 = addRow(*db, "+4733333333", "C", 39999);
    for (int i = 0; i < 3; ++i)
        w.session.queue().Send_Next_SMS();
    const auto subs = m_fx->sim.submissions();
    QCOMPARE(subs.size(), 3);
    QCOMPARE(subs[0].text, QStringLiteral("B"));
    QCOMPARE(subs[1].text, QStringLiteral("C"));
    QCOMPARE(subs[2].text, QStringLiteral("A"));
    const QString suffix = reports ? QString() : QStringLiteral(":OK");
    QCOMPARE(cmgsOf(*db, early1), QString::number(subs[0].mr) + suffix);
    QCOMPARE(cmgsOf(*db, early2), QString::number(subs[1].mr) + suffix);
    QCOMPARE(cmgsOf(*db, late), QString::number(subs[2].mr) + suffix);
    QCOMPARE(db->scalar("SELECT TimeSent FROM SMS_Sent WHERE ID = ?1", {late}).toString(),
             QStringLiteral("NA"));
    QVERIFY(w.flags.QueueNotEmpty);
    QCOMPARE(w.TimerSEND_SMS.interval(), w.timing.sendAfterSend);
    w.session.queue().Send_Next_SMS();
    QVERIFY(!w.flags.QueueNotEmpty);
    QCOMPARE(w.TimerSEND_SMS.interval(), w.timing.sendMax); // 1500 is above the scaled threshold
    QVERIFY(!w.flags.QueueWorkerBusy);
}

void TestSimSend::sendWritesTwiceAndNeverLosesTheResult_data()
{
    QTest::addColumn<bool>("registerRefuses");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("status");
    QTest::newRow("result and right together")
        << false << QStringList{"SMS_Sent", "SMS_Sent+TBLbrukere"} << "Registrerer";
    // A register that cannot be written must not take the stored result with it.
    QTest::newRow("register refuses the mark")
        << true << QStringList{"SMS_Sent", "SMS_Sent"} << "NY";
}

void TestSimSend::sendWritesTwiceAndNeverLosesTheResult()
{
    QFETCH(bool, registerRefuses);
    QFETCH(QStringList, writes);
    QFETCH(QString, status);
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    db->exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Status) VALUES "
                            "('+4790000013', '+4711111111', 'NY'), ('+47900000130', "
                            "'+4711111111', 'NY')"));
    if (registerRefuses)
        db->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON TBLbrukere BEGIN "
                                "SELECT RAISE(ABORT, 'refused'); END"));
    m_fx->sim.setNextReference(21);
    const qint64 id = addRow(*db, "+4711111111", "I 90000013>26121100<26121324", 40000);
    WriteLog log(*db);
    w.session.queue().Send_Next_SMS();
    QCOMPARE(log.tables, writes);
    QCOMPARE(m_fx->sim.submissions().size(), 1);
    QCOMPARE(cmgsOf(*db, id), QStringLiteral("21:OK"));
    QCOMPARE(db->scalar(QStringLiteral("SELECT Status FROM TBLbrukere WHERE KeyBruker = "
                                       "'+4790000013'"))
                 .toString(),
             status);
    QCOMPARE(db->scalar(QStringLiteral("SELECT Status FROM TBLbrukere WHERE KeyBruker = "
                                       "'+47900000130'"))
                 .toString(),
             QStringLiteral("NY"));
    QCOMPARE(m_fx->dialogs.beeps(), registerRefuses ? 2 : 0);
}

void TestSimSend::silentModemGivesErrorAfterFiveTries()
{
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    silenceAfterText(m_fx->sim);
    const qint64 id = addRow(*db, "+4711111111", "Hei", 40000);
    w.session.queue().Send_Next_SMS();
    QCOMPARE(cmgsOf(*db, id), QStringLiteral("Error"));
    QCOMPARE(m_fx->sim.commandLog().filter(QStringLiteral("AT+CMGS=")).size(), 5);
    QCOMPARE(w.session.terminal().text().count(QLatin1String("==>\x1b")) >= 1, true);
}

void TestSimSend::lateReferenceInThePause()
{
    auto db = m_fx->db.connection();
    ModemTiming t = ModemTiming().scaled(0.05);
    t.retryPause = 1500;
    Workstation w(db, QStringLiteral("PC-A"), t);
    connect(w);
    // After the 1000 ms window and the trailing OK wait, inside the pause.
    m_fx->sim.setCmgsDelay(25000);
    const qint64 id = addRow(*db, "+4711111111", "Hei", 40000);
    w.session.queue().Send_Next_SMS();
    QCOMPARE(m_fx->sim.commandLog().filter(QStringLiteral("AT+CMGS=")).size(), 1);
    QCOMPARE(m_fx->sim.submissions().size(), 1);
    QCOMPARE(cmgsOf(*db, id), QString::number(m_fx->sim.submissions()[0].mr) + ":OK");
    QVERIFY(w.session.terminal().text().contains(QLatin1String("==>\x1b")));
}

void TestSimSend::referenceDelays_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("commands");
    QTest::addColumn<int>("texts");
    // With the timing below a text's reference window ends at about 1050 ms, the wait for the
    // rest of its answer at 1250, the retry pause at 1850 and the next prompt wait at 2450,
    // when the next text would go. Delays in simulator milliseconds (x 0.05).
    for (const bool network : {true, false}) {
        const char *link = network ? "tcp" : "pty";
        QTest::addRow("%s under the window", link) << network << 6000 << 1 << 1;
        QTest::addRow("%s just over the window", link) << network << 22400 << 1 << 1;
        QTest::addRow("%s during the pause", link) << network << 31000 << 1 << 1;
        QTest::addRow("%s after the pause", link) << network << 43000 << 2 << 1;
        QTest::addRow("%s never", link) << network << -1 << 5 << 5;
    }
}

// A reference that comes before the next attempt's text went out is the first text's answer:
// the text goes out once. Only a reference that never comes gives the retries.
void TestSimSend::referenceDelays()
{
    QFETCH(bool, network);
    QFETCH(int, delay);
    QFETCH(int, commands);
    QFETCH(int, texts);
    auto db = m_fx->db.connection();
    ModemTiming t = ModemTiming().scaled(0.05);
    t.lineLimitSerial = t.lineLimitNetwork;
    t.retryPause = 600;
    t.promptWindow = 600;
    Workstation w(db, QStringLiteral("PC-A"), t);
    QTemporaryDir dir;
    connectBy(w, network, dir);
    if (QTest::currentTestFailed())
        return;
    if (delay >= 0) {
        m_fx->sim.setCmgsDelay(delay);
    } else {
        silenceAfterText(m_fx->sim);
    }
    const qint64 id = addRow(*db, "+4711111111", "Hei", 40000);
    w.session.queue().Send_Next_SMS();
    int received = 0;
    for (const auto &e : m_fx->sim.events())
        received +=
            e.kind == QLatin1String("text") && !e.text.endsWith(QLatin1String("(cancelled)"));
    QCOMPARE(received, texts);
    QCOMPARE(m_fx->sim.commandLog().filter(QStringLiteral("AT+CMGS=")).size(), commands);
    if (delay >= 0) {
        QCOMPARE(m_fx->sim.submissions().size(), 1);
        QCOMPARE(cmgsOf(*db, id), QString::number(m_fx->sim.submissions()[0].mr) + ":OK");
        QCOMPARE(w.host.panels.value(3),
                 QStringLiteral("SMS %1 SENDT").arg(m_fx->sim.submissions()[0].mr));
    } else {
        QCOMPARE(cmgsOf(*db, id), QStringLiteral("Error"));
        QCOMPARE(w.host.panels.value(3), QStringLiteral("SMS Sending TIMEOUT"));
    }
}

void TestSimSend::lateReferencesInProgramTime_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("promptDelay");
    // Program time: the simulator and the program run at one scale. The first row's five
    // attempts take about two minutes; a reference after them still completes it.
    for (const bool network : {true, false}) {
        const char *link = network ? "tcp" : "pty";
        for (const int seconds : {24, 45, 90, 180})
            QTest::addRow("%s %d s", link, seconds) << network << seconds * 1000 << 0;
        QTest::addRow("%s never", link) << network << -1 << 0;
        // The first text goes out unprompted after the prompt wait; the prompt that comes
        // after it is that command's, not the next attempt's.
        QTest::addRow("%s prompt after 3 s, 30 s", link) << network << 30000 << 3000;
    }
}

// However late the modem answers a text, it submits it once, and the next row's text goes out
// only after that answer; a modem that never answers holds the next row in the queue.
void TestSimSend::lateReferencesInProgramTime()
{
    QFETCH(bool, network);
    QFETCH(int, delay);
    QFETCH(int, promptDelay);
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    QTemporaryDir dir;
    connectBy(w, network, dir);
    if (QTest::currentTestFailed())
        return;
    m_fx->sim.setCmgsDelay(delay >= 0 ? delay : 3600 * 1000);
    if (promptDelay > 0) {
        FaultRule slow;
        slow.prefix = QStringLiteral("AT+CMGS");
        slow.action = FaultRule::Delay;
        slow.value = promptDelay;
        slow.times = 1;
        m_fx->sim.addFault(slow);
    }
    const qint64 first = addRow(*db, "+4711111111", "Første", 40000);
    const qint64 second = addRow(*db, "+4722222222", "Andre", 40001);
    w.session.queue().Send_Next_SMS();
    // The send timer and the line poll carry on from here, as in the running program.
    if (delay < 0) {
        QTest::qWait(4000);
        QCOMPARE(cmgsOf(*db, first), QStringLiteral("Error"));
        QCOMPARE(cmgsOf(*db, second), QStringLiteral("UNSENT"));
        QCOMPARE(m_fx->sim.submissions().size(), 1);
        QCOMPARE(w.host.panels.value(3),
                 QStringLiteral("SMS venter: modemet har ikke svart på forrige SMS"));
        return;
    }
    QVERIFY(waitFor([&] { return cmgsOf(*db, second).endsWith(QLatin1String(":OK")); }, 30000));
    const auto subs = m_fx->sim.submissions();
    const auto firstTexts = std::count_if(subs.begin(), subs.end(), [](const auto &sub) {
        return sub.text == QStringLiteral("Første");
    });
    // Commands the modem kept while busy are in its log once it has answered.
    const auto commands =
        m_fx->sim.commandLog().filter(QStringLiteral("AT+CMGS=+4711111111")).size();
    qInfo("reference after %d s: the first row submitted %d time(s), AT+CMGS written %d times",
          delay / 1000, int(firstTexts), int(commands));
    QCOMPARE(subs.size(), 2);
    QCOMPARE(subs[0].text, QStringLiteral("Første"));
    QCOMPARE(subs[1].text, QStringLiteral("Andre"));
    QCOMPARE(cmgsOf(*db, first), QString::number(subs[0].mr) + ":OK");
    QCOMPARE(cmgsOf(*db, second), QString::number(subs[1].mr) + ":OK");
    // The second text followed the first one's answer.
    QVERIFY(subs[0].time.msecsTo(subs[1].time) >= qint64(delay * 0.05));
    QVERIFY(commands <= 5);
}

void TestSimSend::strictModemGetsQuotedNumber()
{
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    m_fx->sim.setStrict(true);
    const qint64 id = addRow(*db, "+4711111111", "Hei", 40000);
    w.session.queue().Send_Next_SMS();
    const QStringList cmgs = m_fx->sim.commandLog().filter(QStringLiteral("AT+CMGS="));
    QCOMPARE(cmgs, (QStringList{"AT+CMGS=+4711111111", "AT+CMGS=\"+4711111111\""}));
    QCOMPARE(m_fx->sim.submissions().size(), 1);
    QVERIFY(cmgsOf(*db, id).endsWith(QLatin1String(":OK")));
}

void TestSimSend::queueingDuringTheWaitKeepsEachRowRight()
{
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    m_fx->sim.setCmgsDelay(4000);
    const qint64 taken = addRow(*db, "+4711111111", "Hei", 39000);
    const qint64 other = addRow(*db, "+4722222222", "Hallo", 40000);
    bool queued = false;
    QObject::connect(&m_fx->sim, &ModemSim::submitted, &w.session, [&] {
        // The operator queues while the worker waits for the reference.
        auto view = mainView(db);
        SendQueue::QueueSMS(*view, QStringLiteral("Ny"), QStringLiteral("+4733333333"), {}, {},
                            QDate(2000, 1, 1));
        queued = true;
    });
    w.session.queue().Send_Next_SMS();
    QVERIFY(queued);
    QCOMPARE(cmgsOf(*db, taken), QString::number(m_fx->sim.submissions()[0].mr) + ":OK");
    QCOMPARE(cmgsOf(*db, other), QStringLiteral("UNSENT"));
    QCOMPARE(db->scalar("SELECT CMGS FROM SMS_Sent WHERE SMS_Text = 'Ny'").toString(),
             QStringLiteral("UNSENT"));
}

void TestSimSend::droppedLink_data()
{
    QTest::addColumn<bool>("afterText");
    QTest::addColumn<QString>("cmgs");
    QTest::addColumn<QString>("panel");
    QTest::newRow("before the text") << false << "UNSENT"
                                     << "SMS ikke sendt: forbindelsen til modemet er brutt";
    QTest::newRow("after the text, before its reference")
        << true << "Avbrutt, kanskje sendt"
        << "SMS avbrutt: kanskje sendt, forbindelsen til modemet er brutt";
}

// A row whose text never went out waits in the queue again; one whose text went out may have
// been sent, and is never sent again after the reconnect.
void TestSimSend::droppedLink()
{
    QFETCH(bool, afterText);
    QFETCH(QString, cmgs);
    QFETCH(QString, panel);
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    const qint64 id = addRow(*db, "+4711111111", "Hei", 40000);
    if (afterText) {
        m_fx->sim.setCmgsDelay(4000);
        QObject::connect(&m_fx->sim, &ModemSim::submitted, &m_fx->sim,
                         [this] { QTimer::singleShot(0, &m_fx->sim, &ModemSim::dropLink); });
    } else {
        FaultRule drop;
        drop.prefix = QStringLiteral("AT+CMGS");
        drop.action = FaultRule::Drop;
        drop.times = 1;
        m_fx->sim.addFault(drop);
    }
    w.session.queue().Send_Next_SMS();
    QCOMPARE(cmgsOf(*db, id), cmgs);
    QCOMPARE(w.host.panels.value(3), panel);
    QVERIFY(waitFor([&] { return !w.state.ModemReady; }));
    QCOMPARE(w.owner(), QStringLiteral("?"));
    const int before = int(m_fx->sim.submissions().size());
    QCOMPARE(before, afterText ? 1 : 0);
    m_fx->sim.setCmgsDelay(300);
    m_fx->dialogs.answer(Dialogs::Answer::Ok);
    w.session.OpenComPort(); // the socket was closed: the choice opens it again
    QVERIFY(w.state.ModemReady);
    w.session.queue().Send_Next_SMS();
    QCOMPARE(int(m_fx->sim.submissions().size()), afterText ? before : 1);
    QCOMPARE(cmgsOf(*db, id).endsWith(QLatin1String(":OK")), !afterText);
}

void TestSimSend::endToEndOverTcp()
{
    auto db = m_fx->db.connection();
    Workstation w(db, QStringLiteral("PC-A"));
    connect(w);
    auto view = mainView(db);
    const QString text = QStringLiteral("Hei æøå@ $_");
    SendQueue::QueueSMS(*view, text, QStringLiteral("+4799887766"), {}, {}, QDate::currentDate(),
                        QStringLiteral("UNSENT"), MatchMode::TextOnlyReaddress,
                        KortRule::NineFromFourth);
    // The send timer runs the queue: the row goes out on a tick.
    QVERIFY(waitFor([&] { return m_fx->sim.submissions().size() == 1 && !w.flags.QueueWorkerBusy; },
                    20000));
    const auto sub = m_fx->sim.submissions().at(0);
    QCOMPARE(sub.da, QStringLiteral("+4799887766"));
    QCOMPARE(sub.raw, GsmCharTables::encode(text));
    QCOMPARE(sub.text, text);
    QVERIFY(w.session.terminal().text().contains(QLatin1String("\x1a")) ||
            m_fx->sim.commandLog().contains(QStringLiteral("AT+CMGS=+4799887766")));
    QCOMPARE(db->scalar("SELECT CMGS FROM SMS_Sent").toString(), QString::number(sub.mr) + ":OK");
    // The tick after a send lists the modem's messages.
    QVERIFY(
        waitFor([&] { return m_fx->sim.commandLog().contains(QStringLiteral("AT+CMGL=ALL")); }));
    QTest::qWait(1000);
    QCOMPARE(m_fx->sim.submissions().size(), 1);
}

QTEST_MAIN(TestSimSend)
#include "tst_sim_send.moc"

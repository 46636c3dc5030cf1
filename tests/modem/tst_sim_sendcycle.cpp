// Fifty queued rows through the send timer while the modem's faults come in turn: late answers
// of many lengths, refusals, a missing prompt, a text never answered and dropped links. Seen
// from the modem's side, no text may be submitted twice, and every row must end in a state that
// says what happened to it.

#include "helper_session.h"
#include "helper_simfixture.h"
#include "modem/SendQueue.h"
#include "tools/modemsim/ModemSim.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::test;
using portiva::modemsim::FaultRule;

namespace
{

// What a row's send ends in.
enum class Outcome { Sent, Interrupted, Refused };

// Program seconds of the late answers; turn 4's comes only after the five attempts.
constexpr int kLate[] = {8, 24, 45, 90, 180};
constexpr int kLateToo[] = {33, 40, 36, 50, 34};

// One row's fault, on its recipient's AT+CMGS. Delays are program time: the simulator scales.
struct Slot {
    const char *name;
    bool faulty;
    FaultRule::Action action;
    bool atSubmit;
    int value;
    int times;
    Outcome outcome;
    const int *lateSeconds; // by turn, for a delayed answer
};
const Slot kTurn[] = {
    {"none", false, FaultRule::Ok, false, 0, 1, Outcome::Sent, nullptr},
    {"late reference", true, FaultRule::Delay, true, 0, 1, Outcome::Sent, kLate},
    {"ERROR once", true, FaultRule::Error, true, 0, 1, Outcome::Sent, nullptr},
    {"+CMS ERROR once", true, FaultRule::Cms, true, 500, 1, Outcome::Sent, nullptr},
    {"no prompt once", true, FaultRule::Silence, false, 0, 1, Outcome::Sent, nullptr},
    {"text never answered once", true, FaultRule::Silence, true, 0, 1, Outcome::Sent, nullptr},
    {"link dropped after the text", true, FaultRule::Drop, true, 0, 1, Outcome::Interrupted,
     nullptr},
    {"link dropped before the text", true, FaultRule::Drop, false, 0, 1, Outcome::Sent, nullptr},
    {"refused every time", true, FaultRule::Cms, true, 500, 5, Outcome::Refused, nullptr},
    {"late reference", true, FaultRule::Delay, true, 0, 1, Outcome::Sent, kLateToo},
};
constexpr int kTurnLength = int(std::size(kTurn));
constexpr int kRows = 50;

QString numberOf(int row)
{
    return QStringLiteral("+4790%1").arg(row, 6, 10, QLatin1Char('0'));
}

void planFault(modemsim::ModemSim &sim, int row)
{
    const Slot &slot = kTurn[row % kTurnLength];
    if (!slot.faulty)
        return;
    FaultRule r;
    r.prefix = QStringLiteral("AT+CMGS=") + numberOf(row);
    r.action = slot.action;
    r.atSubmit = slot.atSubmit;
    r.value = slot.lateSeconds ? slot.lateSeconds[row / kTurnLength] * 1000 : slot.value;
    r.times = slot.times;
    sim.addFault(r);
}

// Whether the row may still change: waiting, on its way, or given a time-out that a late
// reference may yet complete.
bool stillOpen(const QString &cmgs)
{
    return cmgs == QLatin1String("UNSENT") || cmgs.startsWith(QLatin1String("Sendes fra ")) ||
           cmgs == QLatin1String("Error");
}

} // namespace

class TestSimSendCycle : public QObject
{
    Q_OBJECT
private slots:
    void fiftyRowsThroughCycledFaults();
};

void TestSimSendCycle::fiftyRowsThroughCycledFaults()
{
    SimFixture fx;
    QVERIFY(fx.start());
    // Program time runs forty times faster than a real modem's here, the simulator's too.
    constexpr double scale = 0.025;
    fx.sim.setTimescale(scale);
    auto db = fx.db.connection();
    ModemTiming t = ModemTiming().scaled(scale);
    // The 30 s rest after each send adds nothing here but time.
    t.sendAfterSend = 100;
    Workstation w(db, QStringLiteral("PC-A"), t);
    w.state.LastComPort = 255;
    w.state.HostName = QStringLiteral("127.0.0.1");
    w.state.Port = QString::number(fx.sim.port());
    QList<qint64> ids;
    for (int row = 0; row < kRows; ++row) {
        planFault(fx.sim, row);
        db->exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) "
                                "VALUES (?1, ?2, 40000, 'UNSENT')"),
                 {numberOf(row), QStringLiteral("Rad %1").arg(row)});
        ids << db->lastInsertId();
    }
    auto states = [&] {
        QStringList s;
        for (qint64 id : ids)
            s << db->scalar(QStringLiteral("SELECT CMGS FROM SMS_Sent WHERE ID = ?1"), {id})
                     .toString();
        return s;
    };
    auto settled = [&] {
        const QStringList s = states();
        return std::none_of(s.begin(), s.end(), stillOpen);
    };
    // The operator chooses the network modem again whenever its link has gone.
    int connects = 0;
    QElapsedTimer run;
    run.start();
    while (!settled() && run.elapsed() < 55000) {
        if (!w.state.ModemReady) {
            fx.dialogs.answer(Dialogs::Answer::Ok); // "Kobler til: ..."
            w.session.OpenComPort();
            ++connects;
        }
        waitFor([&] { return !w.state.ModemReady || settled(); }, 500);
    }
    const QStringList after = states();
    const auto subs = fx.sim.submissions();
    qInfo("%d rows in %lld ms, %d connections, %d submissions", kRows, run.elapsed(), connects,
          int(subs.size()));
    int drops = 0, sent = 0;
    for (int row = 0; row < kRows; ++row) {
        const Slot &slot = kTurn[row % kTurnLength];
        drops += slot.faulty && slot.action == FaultRule::Drop;
        sent += slot.outcome == Outcome::Sent;
    }
    // Each dropped link wants one new connection, and only one.
    QCOMPARE(connects, 1 + drops);
    QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM SMS_Sent")).toInt(), kRows);
    for (int row = 0; row < kRows; ++row) {
        const Slot &slot = kTurn[row % kTurnLength];
        const QString text = QStringLiteral("Rad %1").arg(row);
        QList<modemsim::Submission> own;
        for (const auto &s : subs) {
            if (s.text == text)
                own << s;
        }
        const QString what = QStringLiteral("row %1 (%2): %3, submitted %4 time(s)")
                                 .arg(row)
                                 .arg(QLatin1String(slot.name), after[row])
                                 .arg(own.size());
        QVERIFY2(own.size() <= 1, qPrintable(what));
        if (slot.outcome == Outcome::Interrupted) {
            QVERIFY2(own.isEmpty() && after[row] == interruptedSendText(), qPrintable(what));
        } else if (slot.outcome == Outcome::Refused) {
            QVERIFY2(own.isEmpty() && after[row] == QLatin1String("ERROR"), qPrintable(what));
        } else {
            QVERIFY2(own.size() == 1, qPrintable(what));
            QCOMPARE(own[0].da, numberOf(row));
            QVERIFY2(after[row] == QString::number(own[0].mr) + QStringLiteral(":OK"),
                     qPrintable(what));
        }
    }
    // Texts the program never sent do not reach the modem either.
    QCOMPARE(int(subs.size()), sent);
}

QTEST_MAIN(TestSimSendCycle)
#include "tst_sim_sendcycle.moc"

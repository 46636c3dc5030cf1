// Another workstation holds the database file with an exclusive lock while the real main window
// receives, sends and registers over the simulated modem: the window keeps answering, says why
// nothing moves, loses nothing, and goes on by itself when the lock is gone.

#include "helper_simsite.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using namespace portiva;
using portiva::modemsim::ModemSim;

namespace
{

// The longest time the interface thread did not turn its event loop, sampled by a fast timer.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_clock.isValid())
                m_longest = std::max(m_longest, m_clock.restart());
            else
                m_clock.start();
        });
        m_timer.start();
    }
    qint64 longest() const { return m_longest; }
    void pause() { m_clock.invalidate(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

} // namespace

class SimLockedDatabaseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }

    void lockElsewhereStallsNothingAndLosesNothing()
    {
        test::Site site;
        QVERIFY(site.start());
        frmMain &w = *site.w;
        ScriptedDialogs &dialogs = site.dialogs;
        TestDatabase &db = site.db;
        AppState &state = site.state;
        ModemSim &sim = site.sim;
        QVERIFY(test::waitUntil([&] { return site.idle(); }, 10000));

        // Another workstation takes the file; a queued row and a received SMS wait meanwhile.
        auto other = Connection::open(state.ConnectionString);
        other->exec("BEGIN EXCLUSIVE");
        other->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                    "('+4722222222', 'Mens låst', 40000, 'UNSENT')");
        QVERIFY(sim.deliverSms(QStringLiteral("+4799887766"), QStringLiteral("Hei under lås")));
        StallMeter stalls;
        QTest::qWait(3000);
        qInfo("longest stall of the interface thread under the lock: %lld ms", stalls.longest());
        QVERIFY2(stalls.longest() < 750, qPrintable(QString::number(stalls.longest())));
        QVERIFY(sim.submissions().isEmpty());
        QVERIFY(sim.deletions().isEmpty()); // the SMS stays on the modem until it is stored
        QVERIFY2(w.statusPanel(2)->text().contains(
                     QStringLiteral("Databasen er i bruk på en annen arbeidsstasjon")),
                 qPrintable(w.statusPanel(2)->text()));
        QVERIFY(w.txtMessages->toPlainText().contains(
            QStringLiteral("Sending og mottak av SMS venter og prøves igjen av seg selv.")));

        // The operator's own registration waits the busy timeout at most, then says what was
        // not done and keeps what was typed.
        w.REGNYBRUKER = false;
        w.findChild<QLineEdit *>("Txtfields(0)")->setText("+4712345678");
        w.findChild<QLineEdit *>("Txtfields(2)")->setText("Berg");
        w.findChild<QLineEdit *>("Txtfields(3)")->setText("NY");
        const int boxes = int(dialogs.calls().size());
        stalls.pause();
        QElapsedTimer own;
        own.start();
        QTest::mouseClick(w.findChild<QPushButton *>("CommandRegistrerBruker"), Qt::LeftButton);
        QVERIFY2(own.elapsed() < Connection::busyTimeoutMs + 1500,
                 qPrintable(QString::number(own.elapsed())));
        QCOMPARE(int(dialogs.calls().size()), boxes + 1);
        QVERIFY2(
            dialogs.lastText().startsWith(
                QStringLiteral("Brukeren ble ikke registrert. Databasen «%1» er i bruk på en annen "
                               "arbeidsstasjon. Prøv igjen.")
                    .arg(db.path())),
            qPrintable(dialogs.lastText()));
        QCOMPARE(w.findChild<QLineEdit *>("Txtfields(0)")->text(), QStringLiteral("+4712345678"));
        QCOMPARE(w.findChild<QLineEdit *>("Txtfields(2)")->text(), QStringLiteral("Berg"));

        // The lock goes: everything that waited goes on by itself.
        other->exec("COMMIT");
        QVERIFY(test::waitUntil([&] { return sim.submissions().size() == 1; }, 30000));
        QCOMPARE(sim.submissions().first().text, QStringLiteral("Mens låst"));
        QVERIFY(test::waitUntil(
            [&] {
                return other
                           ->scalar("SELECT count(*) FROM SMS_Received WHERE SMS_Text = "
                                    "'Hei under lås'")
                           .toInt() == 1;
            },
            30000));
        QVERIFY(test::waitUntil([&] { return !sim.deletions().isEmpty(); }, 30000));
        QVERIFY(w.txtMessages->toPlainText().contains(
            QStringLiteral("Databasen kan brukes igjen; sending og mottak fortsetter.")));
    }
};

QTEST_MAIN(SimLockedDatabaseTest)
#include "tst_sim_lockeddb.moc"

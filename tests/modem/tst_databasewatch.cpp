// The timers' ticks on a database file that cannot be written or is held elsewhere: the status
// box and bar say why sending and receiving wait, and say so once, each a line of its own; they
// say when it goes on.
#include "modem/DatabaseWatch.h"
#include "modem/ModemHost.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"
#include "tests/support/TestDatabase.h"

#include <QtTest>

using namespace portiva;

namespace
{

struct RecordingHost : ModemHost {
    QStringList box;
    QString panel2;
    void Write2StatusBox(const QString &text) override { box << text; }
    void setStatusPanel(int panel, const QString &text) override
    {
        if (panel == 2)
            panel2 = text;
    }
};

} // namespace

class DatabaseWatchTest : public QObject
{
    Q_OBJECT
private slots:
    void blockedTicksAreToldOnceAndTheEndToo_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("bar");
        QTest::newRow("full disk")
            << true
            << "Databasen «%1» kan ikke skrives: disken er full. Sending og mottak av SMS venter "
               "til det er plass igjen.\r\n"
            << "Databasen kan ikke skrives (disken er full): sending og mottak venter";
        QTest::newRow("held elsewhere")
            << false
            << "Databasen «%1» er i bruk på en annen arbeidsstasjon. Prøv igjen. Sending og mottak "
               "av SMS venter og prøves igjen av seg selv.\r\n"
            << "Databasen er i bruk på en annen arbeidsstasjon: prøver igjen";
    }

    void blockedTicksAreToldOnceAndTheEndToo()
    {
        QFETCH(bool, full);
        QFETCH(QString, box);
        QFETCH(QString, bar);
        TestDatabase db;
        AppState state;
        state.SharedConnection = db.connection();
        const auto c = state.SharedConnection;
        auto other = db.openConnection();
        RecordingHost host;
        DatabaseWatch watch(state, host);
        if (full) {
            // The file may not grow by a page, as on a full disk.
            c->exec(QStringLiteral("PRAGMA max_page_count = %1")
                        .arg(c->scalar("PRAGMA page_count").toLongLong()));
        } else {
            other->exec("BEGIN EXCLUSIVE");
        }
        // A tick's work swallows its failure, as the send and receive steps do.
        auto queueRow = [&] {
            try {
                c->exec("INSERT INTO SMS_Sent (SMS_Text, CMGS) VALUES (?, 'UNSENT')",
                        {QString(20000, 'x')});
            } catch (const std::exception &) {
            }
        };
        for (int tick = 0; tick < 3; ++tick)
            watch.tick(queueRow);
        QCOMPARE(host.box, QStringList{box.arg(db.path())});
        QCOMPARE(host.panel2, bar);
        // Ticks whose work needs nothing of the file (the listing was empty) do not end the
        // wait, and the bar says it again over the reader's own text. (The page limit that
        // stands in for a full disk here lets a rewrite of a stored value through; a real full
        // disk is tried in tests/admin/tst_sim_fulldisk.cpp.)
        if (!full) {
            host.panel2 = QStringLiteral("Klar for innkommende SMS");
            watch.tick([] {});
            watch.tick([] {});
            QCOMPARE(host.box, QStringList{box.arg(db.path())});
            QCOMPARE(host.panel2, bar);
        }

        // Space or the file comes back: the next tick goes on by itself and says so.
        if (full)
            c->exec("PRAGMA max_page_count = 1073741823");
        else
            other->exec("ROLLBACK");
        watch.tick([] {});
        watch.tick(queueRow);
        QCOMPARE(host.box.size(), 2);
        QCOMPARE(host.box.last(),
                 QStringLiteral("Databasen kan brukes igjen; sending og mottak fortsetter.\r\n"));
        QCOMPARE(host.panel2, QStringLiteral("Klar for innkommende SMS"));
        QCOMPARE(c->scalar("SELECT count(*) FROM SMS_Sent").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(DatabaseWatchTest)
#include "tst_databasewatch.moc"

// Waiting periods coming into force, one change per send tick.

#include "admin/FuturePeriods.h"
#include "helper_adminfixture.h"

#include <QtTest>

using namespace portiva;
using portiva::test::AdminFixture;

namespace
{

const QString kDoor = QStringLiteral("+4711111111");
const QString kUser = QStringLiteral("+4712345678");

} // namespace

class FuturePeriodsTest : public QObject
{
    Q_OBJECT

    static QString rights(AdminFixture &f)
    {
        return f
            .scalar("SELECT group_concat(KeyBruker || '@' || KeyNummer || ' ' || Status || ' ' || "
                    "[Gyldig fra] || '-' || [Gyldig til] || ' ' || FraTid || TilTid || ' ' || "
                    "Konto || ' ' || Saldo, '; ') FROM (SELECT * FROM TBLbrukere ORDER BY rid)")
            .toString();
    }
    static QString waiting(AdminFixture &f)
    {
        return f
            .scalar("SELECT group_concat(Bruker || '@' || KeyNummer || ' ' || Status || ' ' || "
                    "[Gyldig fra], '; ') FROM (SELECT * FROM NYEbrukere ORDER BY ID)")
            .toString();
    }

private slots:
    void nothingWaiting()
    {
        AdminFixture f;
        f.addWaiting(kUser, kDoor, "1/6/2027", "3/6/2027", "Slett");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(f.count("NYEbrukere"), 1);
        QCOMPARE(f.count("TBLbrukere") + f.count("SMS_Sent"), 0);
    }

    void periodMovesInWithItsCommand_data()
    {
        QTest::addColumn<QString>("saldo");
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("command");
        QTest::newRow("period") << "0"
                                << "12/5/2009"
                                << "I 12345678>09051000<09051224";
        QTest::newRow("balance") << "10"
                                 << "31/12/2099"
                                 << "I 12345678*10";
    }
    void periodMovesInWithItsCommand()
    {
        QFETCH(QString, saldo);
        QFETCH(QString, until);
        QFETCH(QString, command);
        AdminFixture f;
        // Stored by another writer with dots and a two-digit year: read as dates all the same.
        f.addWaiting(kUser, kDoor, "10.5.09", until, "NY", saldo);
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(f.count("NYEbrukere"), 0);
        QCOMPARE(rights(f),
                 kUser + "@" + kDoor + " Ny 10/5/2009-" + until + " 0024 Gjest " + saldo);
        QCOMPARE(f.queue(), QStringList{kDoor + "|" + command + "|UNSENT"});
        QCOMPARE(f.scalar("SELECT datolng || ' ' || Etternavn FROM SMS_Sent").toString(),
                 QString("39943 Hovedport"));
    }

    void waitingRowsGoInDateOrder()
    {
        AdminFixture f;
        // As text "1/7/2009" sorts before "15/6/2009"; June must go first.
        f.addWaiting(kUser, kDoor, "1/7/2009", "3/7/2009");
        f.addWaiting(kUser, kDoor, "15/6/2009", "17/6/2009");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QVERIFY(rights(f).contains(" Ny 15/6/2009-17/6/2009 "));
        // July waits behind the live June period, tick after tick.
        for (int tick = 0; tick < 3; ++tick)
            QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(waiting(f), kUser + "@" + kDoor + " NY 1/7/2009");
        QCOMPARE(f.count("SMS_Sent"), 1);
    }

    // The live right's registration was never sent: the unit does not know it, and it goes.
    void laterLiveRightNeverSentSwapsBack()
    {
        AdminFixture f;
        f.addRight(kUser, kDoor, "Ny", "1/7/2009");
        f.addQueued(kDoor, "I 12345678>09070100<09070324");
        f.addQueued(kDoor, "K");
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        int redraws = 0;
        QCOMPARE(ProcessNewUsers(f.state, [&] { ++redraws; }), FuturePeriodStep::Swapped);
        QCOMPARE(redraws, 1);
        QCOMPARE(f.count("TBLbrukere"), 0);
        QCOMPARE(waiting(f),
                 kUser + "@" + kDoor + " NY 1/6/2009; " + kUser + "@" + kDoor + " NY 1/7/2009");
        QCOMPARE(f.scalar("SELECT Etternavn || Konto || [Gyldig til] FROM NYEbrukere WHERE "
                          "[Gyldig fra] = '1/7/2009'")
                     .toString(),
                 QString("NilsenGjest31/12/2026"));
        // The July command must not reach the unit before June's.
        QCOMPARE(f.queue(), (QStringList{kDoor + "|I 12345678>09070100<09070324|SLETTET",
                                         kDoor + "|K|UNSENT"}));

        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QVERIFY(rights(f).contains(" Ny 1/6/2009-3/6/2009 "));
        QCOMPARE(f.queue().last(), kDoor + "|I 12345678>09060100<09060324|UNSENT");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
    }

    // The unit may hold the live period: it is told to remove it first, and the earlier period
    // follows only once the unit's removal reply has taken the right away.
    void laterLiveRightTheUnitHoldsIsRemovedFirst_data()
    {
        QTest::addColumn<QString>("liveStatus");
        QTest::newRow("confirmed") << "Aktiv ";
        QTest::newRow("sent, no answer") << "Registrerer";
        QTest::newRow("from the unit's list") << "AKTIV A1";
    }
    void laterLiveRightTheUnitHoldsIsRemovedFirst()
    {
        QFETCH(QString, liveStatus);
        AdminFixture f;
        f.addRight(kUser, kDoor, liveStatus, "1/7/2009");
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        QCOMPARE(ProcessNewUsers(f.state, {}, AdminFixture::today()), FuturePeriodStep::Swapped);
        QCOMPARE(rights(f), kUser + "@" + kDoor + " Slett 1/7/2009-31/12/2026 0024 Gjest 0");
        QCOMPARE(waiting(f),
                 kUser + "@" + kDoor + " NY 1/6/2009; " + kUser + "@" + kDoor + " NY 1/7/2009");
        QCOMPARE(f.queue(), QStringList{kDoor + "|U 12345678|UNSENT"});
        QCOMPARE(f.scalar("SELECT datolng || ' ' || Etternavn FROM SMS_Sent").toString(),
                 QString("46365 Hovedport"));

        // Both periods wait while the removal is queued, sent, and unanswered; also when an
        // answer to the right's own registration made it "Aktiv" again meanwhile.
        for (const char *status : {"Slett", "Sletter", "Aktiv "}) {
            f.exec("UPDATE TBLbrukere SET Status = ?", {QString::fromLatin1(status)});
            QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        }
        f.exec("UPDATE SMS_Sent SET CMGS = '3:OK'");
        f.exec("UPDATE TBLbrukere SET Status = 'Sletter'");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(f.count("NYEbrukere"), 2);

        // The unit's removal reply deletes the right: June moves in, July waits behind it.
        f.exec("DELETE FROM TBLbrukere");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(rights(f), kUser + "@" + kDoor + " Ny 1/6/2009-3/6/2009 0024 Gjest 0");
        QCOMPARE(f.queue().last(), kDoor + "|I 12345678>09060100<09060324|UNSENT");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(waiting(f), kUser + "@" + kDoor + " NY 1/7/2009");
    }

    void whenTheWaitingRowWaits_data()
    {
        QTest::addColumn<QString>("liveStatus");
        QTest::addColumn<QString>("liveFrom");
        QTest::newRow("equal starts") << "Aktiv "
                                      << "1/6/2009";
        QTest::newRow("earlier live start") << "Aktiv "
                                            << "1/5/2009";
        QTest::newRow("live in removal") << "Slett"
                                         << "1/7/2009";
        QTest::newRow("live removal sent") << "Sletter"
                                           << "1/7/2009";
        QTest::newRow("live start unreadable") << "Aktiv "
                                               << "snart";
    }
    void whenTheWaitingRowWaits()
    {
        QFETCH(QString, liveStatus);
        QFETCH(QString, liveFrom);
        AdminFixture f;
        f.addRight(kUser, kDoor, liveStatus, liveFrom);
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        const QString before = rights(f);
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(rights(f), before);
        QCOMPARE(f.count("NYEbrukere"), 1);
        QCOMPARE(f.count("SMS_Sent"), 0);
    }

    void otherUnitsAndStatusesMoveIn()
    {
        AdminFixture f;
        // A right at another unit is no obstacle.
        f.addRight(kUser, "+4722222222", "Aktiv ", "1/1/2009");
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(f.count("TBLbrukere", "KeyNummer = ?", {kDoor}), 1);

        // After the first "NY" row the walk takes rows of any status; those move in silently.
        f.addWaiting("+4787654321", kDoor, "1/5/2009", "3/5/2009");
        f.addRight("+4787654321", kDoor, "Aktiv ", "1/1/2009");
        f.addWaiting("+4799999999", "+4733333333", "2/5/2009", "3/5/2009", "Venter");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(
            f.scalar("SELECT Status FROM TBLbrukere WHERE KeyBruker = '+4799999999'").toString(),
            QString("Ny"));
        QCOMPARE(f.count("SMS_Sent"), 1);
        // The unit is not in the table: the command goes without a name.
        f.addWaiting("+4755555555", "+4733333333", "1/1/2010", "3/1/2010");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QVERIFY(
            f.scalar("SELECT Etternavn FROM SMS_Sent WHERE TilNummer = '+4733333333'").isNull());
    }

    void unhandleableRowsWait_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("saldo");
        QTest::addColumn<QVariant>("konto");
        QTest::newRow("impossible start") << "31/2/2009"
                                          << "0" << QVariant("Gjest");
        QTest::newRow("unreadable balance") << "1/5/2009"
                                            << "ti" << QVariant("Gjest");
        QTest::newRow("no account") << "1/5/2009"
                                    << "0" << QVariant();
    }
    void unhandleableRowsWait()
    {
        QFETCH(QString, from);
        QFETCH(QString, saldo);
        QFETCH(QVariant, konto);
        AdminFixture f;
        const qint64 bad = f.addWaiting("+4787654321", kDoor, from, "3/6/2009", "NY", saldo, konto);
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(f.scalar("SELECT KeyBruker FROM TBLbrukere").toString(), kUser);
        QCOMPARE(f.count("NYEbrukere", "ID = ?", {bad}), 1);
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
    }

    void storedHoursMoveInAsTwoDigits()
    {
        AdminFixture f;
        const qint64 bad = f.addWaiting("+4787654321", kDoor, "1/5/2009", "3/5/2009");
        f.exec("UPDATE NYEbrukere SET TilTid = '25' WHERE ID = ?", {bad});
        const qint64 padded = f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        f.exec("UPDATE NYEbrukere SET FraTid = '7', TilTid = ' 9' WHERE ID = ?", {padded});
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(rights(f), kUser + "@" + kDoor + " Ny 1/6/2009-3/6/2009 0709 Gjest 0");
        QCOMPARE(f.queue(), QStringList{kDoor + "|I 12345678>09060107<09060309|UNSENT"});
        // An hour the unit could not read: the period waits, nothing is sent for it.
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::Nothing);
        QCOMPARE(f.count("NYEbrukere", "ID = ?", {bad}), 1);
    }

    void failedMoveChangesNothing()
    {
        AdminFixture f;
        f.addWaiting(kUser, kDoor, "1/6/2009", "3/6/2009");
        f.exec("CREATE TEMP TRIGGER refuse BEFORE INSERT ON SMS_Sent BEGIN "
               "SELECT RAISE(ABORT, 'disk full'); END");
        QVERIFY_THROWS_EXCEPTION(std::exception, ProcessNewUsers(f.state));
        f.exec("DROP TRIGGER refuse");
        QCOMPARE(f.count("NYEbrukere"), 1);
        QCOMPARE(f.count("TBLbrukere") + f.count("SMS_Sent"), 0);
        // The next tick does the whole move.
        QCOMPARE(ProcessNewUsers(f.state), FuturePeriodStep::MovedIn);
        QCOMPARE(f.count("NYEbrukere"), 0);
        QCOMPARE(f.count("SMS_Sent"), 1);
    }
};

QTEST_MAIN(FuturePeriodsTest)
#include "tst_futureperiods.moc"

// Rights typed into the real main window, or waiting to come into force, go out as command SMS
// over the simulated modem, and the simulated key unit's answers come back and are stored.

#include "admin/KeyUsers.h"
#include "helper_simsite.h"
#include "tests/support/GridRows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QtTest>

using namespace portiva;
using portiva::modemsim::ModemSim;

namespace
{

using test::kUnit;
using test::Site;
using test::waitFor;

// The operator fills the panel for +4712345678 until two days on and registers it as a right.
void registerKari(frmMain &w, const QDate &today)
{
    w.REGNYBRUKER = false;
    w.findChild<QLineEdit *>("Txtfields(0)")->setText("+4712345678");
    w.findChild<QLineEdit *>("Txtfields(1)")->setText("Kari");
    w.findChild<QLineEdit *>("Txtfields(2)")->setText("Berg");
    w.findChild<QLineEdit *>("Txtfields(3)")->setText("NY");
    w.findChild<QDateEdit *>("DTPickerTo")->setDate(today.addDays(2));
    QTest::mouseClick(w.findChild<QPushButton *>("CommandRegistrerBruker"), Qt::LeftButton);
}

} // namespace

class SimRegistrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }

    void registrationReachesTheUnitAndItsAnswerActivatesTheRight()
    {
        Site site;
        QVERIFY(site.start());
        frmMain &w = *site.w;
        const QDate today = QDate::currentDate();

        // The operator fills the panel on the all-users tab and registers.
        registerKari(w, today);

        const QString command = "I 12345678>" + today.toString("yyMMdd") + "00<" +
                                today.addDays(2).toString("yyMMdd") + "24";
        QCOMPARE(site.scalar("SELECT SMS_Text FROM SMS_Sent").toString(), command);
        QVERIFY(waitFor([&] { return !site.sim.submissions().isEmpty(); }));
        QCOMPARE(site.sim.submissions().first().text, command);
        QCOMPARE(site.sim.submissions().first().da, kUnit);
        // The unit's answer arrives from its own number and is stored.
        QVERIFY(waitFor([&] {
            return site.scalar("SELECT count(*) FROM SMS_Received WHERE FraNummer = "
                               "'+4711111111'")
                       .toInt() > 0;
        }));
        QVERIFY(site.scalar("SELECT count(*) FROM SMS_Sent WHERE CMGS = 'UNSENT'").toInt() == 0);
        QVERIFY(waitFor([&] { return site.idle(); }));
        // The answer is applied: the right the operator registered is now in force.
        const QString status =
            site.scalar("SELECT Status FROM TBLbrukere WHERE KeyNummer = '+4711111111' AND "
                        "KeyBruker = '+4712345678'")
                .toString();
        QVERIFY2(status.startsWith("Aktiv"), qPrintable(status));
    }

    // The unit holds the user for 15-20 January; an earlier period, 1-3 January, waits. A unit
    // answers the registration of a user it holds with the period it has, so the earlier one
    // reaches it only after the later one was removed, and the later one waits its turn.
    void earlierPeriodReachesTheUnitThatHoldsALaterOne()
    {
        Site site;
        modemsim::KeyUnitUser held;
        held.number = "41111111";
        held.from = "27011500";
        held.to = "27012024";
        site.sim.unit(kUnit)->users.append(held);
        auto c = site.db.connection();
        c->exec("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES "
                "('+4741111111', '41111111', 'Hansen', 'Siri')");
        c->exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
                "TilTid, Konto, Saldo, Status) VALUES ('+4741111111', '+4711111111', '15/1/2027', "
                "'00', '20/1/2027', '24', 'Gjest', '0', 'Aktiv ')");
        c->exec("INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], FraTid, "
                "[Gyldig til], TilTid, Konto, Saldo, Status, KeyNummer) VALUES ('+4741111111', "
                "'Hansen', 'Siri', '1/1/2027', '00', '3/1/2027', '24', 'Gjest', '0', 'NY', "
                "'+4711111111')");
        QVERIFY(site.start());

        auto received = [&] { return site.sim.unit(kUnit)->received; };
        QVERIFY(waitFor([&] { return received().size() >= 2 && site.idle(); }, 60000));
        QCOMPARE(received(), (QStringList{"U 41111111", "I 41111111>27010100<27010324"}));
        const modemsim::KeyUnitUser *now = site.sim.unit(kUnit)->user("41111111");
        QVERIFY(now);
        QCOMPARE(now->from + "-" + now->to, QString("27010100-27010324"));

        QVERIFY(waitFor(
            [&] {
                return site.scalar("SELECT Status FROM TBLbrukere").toString().startsWith("Aktiv");
            },
            30000));
        QCOMPARE(site.scalar("SELECT count(*) FROM TBLbrukere").toInt(), 1);
        const QString from = site.scalar("SELECT [Gyldig fra] FROM TBLbrukere").toString();
        QVERIFY2(from == "1/1/2027" || from == "1.1.2027", qPrintable(from));
        // The later period waits in its place, whole.
        QCOMPARE(site.scalar("SELECT Bruker || ' ' || [Gyldig fra] || '-' || [Gyldig til] || ' ' "
                             "|| Status FROM NYEbrukere")
                     .toString(),
                 QString("+4741111111 15/1/2027-20/1/2027 NY"));
        // Later ticks change nothing more: no command is repeated.
        QTest::qWait(3000);
        QCOMPARE(received().size(), 2);
        QCOMPARE(site.scalar("SELECT count(*) FROM NYEbrukere").toInt(), 1);
    }

    // What the modem road and other workstations change in the rights shows in the grid by
    // itself: the send's mark, the unit's answer, a right another workstation registered.
    void gridFollowsChangesNoOperatorMade_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("shown");
        QTest::newRow("sent, not answered") << "silent unit"
                                            << "+4712345678 Registrerer";
        QTest::newRow("answered") << "answering unit"
                                  << "+4712345678 Aktiv";
        QTest::newRow("another workstation") << "other workstation"
                                             << "+4712345999 Aktiv";
    }
    void gridFollowsChangesNoOperatorMade()
    {
        QFETCH(QString, road);
        QFETCH(QString, shown);
        Site site;
        site.sim.unit(kUnit)->silent = road == "silent unit";
        QVERIFY(site.start());
        frmMain &w = *site.w;
        const auto *grid = w.findChild<QTableView *>("DataGrid1");
        const int all = w.keyUsers().tabCaptions().indexOf("Alle");
        QVERIFY(all >= 0);
        w.findChild<QTabBar *>("TabStrip1")->setCurrentIndex(all);
        if (road == "other workstation") {
            site.conn->exec("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES "
                            "('+4712345999', '12345999', 'Lund', 'Ola')");
            site.conn->exec(
                "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig "
                "til], TilTid, Konto, Saldo, Status) VALUES ('+4712345999', '+4711111111', "
                "'1/1/2027', '00', '3/1/2027', '24', 'Gjest', '0', 'Aktiv ')");
        } else {
            registerKari(w, QDate::currentDate());
            QCOMPARE(test::gridRows(grid), QStringList{"+4712345678 NY"});
        }
        QVERIFY2(waitFor([&] { return test::gridRows(grid) == QStringList{shown}; }),
                 qPrintable(test::gridRows(grid).join(" | ")));
    }
};

QTEST_MAIN(SimRegistrationTest)
#include "tst_sim_registration.moc"

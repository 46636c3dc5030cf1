// A registration typed into the real main window goes out as its command SMS over the
// simulated modem, and the simulated key unit's answer comes back and is stored.

#include "core/AppState.h"
#include "core/mainwindow/frmMain.h"
#include "modem/ModemSession.h"
#include "platform/db/Connection.h"
#include "platform/settings/Settings.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/Waiting.h"
#include "tools/modemsim/ModemSim.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace portiva;
using portiva::modemsim::ModemSim;

namespace
{

bool waitFor(const std::function<bool()> &done, int ms = 30000)
{
    return test::waitUntil(done, ms);
}

} // namespace

class SimRegistrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }

    void registrationReachesTheUnitAndItsAnswerActivatesTheRight()
    {
        ScriptedDialogs dialogs;
        TestDatabase db;
        db.connection()->exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) VALUES "
                              "('+4711111111', 'Hovedport', '4')");
        ModemSim sim;
        sim.setTimescale(0.05);
        sim.addUnit("+4711111111", "Hovedport");
        QVERIFY(sim.listen(0));
        QTemporaryDir dir;
        const QString ini = dir.filePath("settings.ini");
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/LastComPort", 255);
            s.setValue("Settings/HostName", "127.0.0.1");
            s.setValue("Settings/Port", QString::number(sim.port()));
            s.setValue("Settings/KeySelect", "+4711111111");
        }
        Settings settings(ini);
        AppState state;
        state.DBPath = db.path();
        state.CurrentUserName = "Forvaltermann";
        state.CurrentSecurityLevel = "6";
        state.CurrentComputerName = "PC-TEST";
        frmMain w(state);
        w.setSettings(&settings);
        const QDate today = QDate::currentDate();
        w.setClock([today] { return today; });
        dialogs.answer(Dialogs::Answer::Ok); // "Kobler til: ..."
        w.Form_Load();
        QVERIFY(state.ModemReady);
        w.CLEAR_INPUT();
        w.ShowKeyUsers();

        // The operator fills the panel on the all-users tab and registers.
        w.REGNYBRUKER = false;
        w.findChild<QLineEdit *>("Txtfields(0)")->setText("+4712345678");
        w.findChild<QLineEdit *>("Txtfields(1)")->setText("Kari");
        w.findChild<QLineEdit *>("Txtfields(2)")->setText("Berg");
        w.findChild<QLineEdit *>("Txtfields(3)")->setText("NY");
        w.findChild<QDateEdit *>("DTPickerTo")->setDate(today.addDays(2));
        QTest::mouseClick(w.findChild<QPushButton *>("CommandRegistrerBruker"), Qt::LeftButton);

        const QString command = "I 12345678>" + today.toString("yyMMdd") + "00<" +
                                today.addDays(2).toString("yyMMdd") + "24";
        auto conn = Connection::open(state.ConnectionString);
        QCOMPARE(conn->scalar("SELECT SMS_Text FROM SMS_Sent").toString(), command);
        QVERIFY(waitFor([&] { return !sim.submissions().isEmpty(); }));
        QCOMPARE(sim.submissions().first().text, command);
        QCOMPARE(sim.submissions().first().da, QString("+4711111111"));
        // The unit's answer arrives from its own number and is stored.
        QVERIFY(waitFor([&] {
            return conn->scalar("SELECT count(*) FROM SMS_Received WHERE FraNummer = "
                                "'+4711111111'")
                       .toInt() > 0;
        }));
        QVERIFY(conn->scalar("SELECT count(*) FROM SMS_Sent WHERE CMGS = 'UNSENT'").toInt() == 0);
        QVERIFY(waitFor([&] { return !w.ReadingMessages && !w.QueueWorkerBusy; }));
        // The answer is applied: the right the operator registered is now in force.
        const QString status =
            conn->scalar("SELECT Status FROM TBLbrukere WHERE KeyNummer = '+4711111111' AND "
                         "KeyBruker = '+4712345678'")
                .toString();
        QVERIFY2(status.startsWith("Aktiv"), qPrintable(status));
        w.modem().shutdown();
    }
};

QTEST_MAIN(SimRegistrationTest)
#include "tst_sim_registration.moc"

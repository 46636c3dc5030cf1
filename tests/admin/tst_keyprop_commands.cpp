// The properties window's send buttons: the command each queues to the unit, the question
// before it, the row saved first, and what is refused.

#include "platform/db/Recordset.h"
#include "tests/support/ScriptedDialogs.h"
#include "tst_keyprop_fixture.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

struct QueuedRow {
    QString tilNummer, kort, etternavn, text, cmgs;
    QVariant fornavn;
    int datolng = 0;
};

QList<QueuedRow> queuedRows(TestDatabase &db)
{
    auto rs = Recordset::open(db.connection(),
                              "SELECT TilNummer, TilNummerKort, Etternavn, Fornavn, SMS_Text, "
                              "CMGS, DatoLNG FROM SMS_Sent ORDER BY ID");
    QList<QueuedRow> rows;
    for (; !rs->EOF(); rs->MoveNext())
        rows << QueuedRow{rs->toTextOr("TilNummer", ""), rs->toTextOr("TilNummerKort", ""),
                          rs->toTextOr("Etternavn", ""), rs->toTextOr("SMS_Text", ""),
                          rs->toTextOr("CMGS", ""),      rs->value("Fornavn"),
                          rs->value("DatoLNG").toInt()};
    return rows;
}

} // namespace

class KeyPropCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void sendButtonQueuesItsCommand_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("boxIndex"); // the box typed into first, -1 none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("caption");
        const QString main = "+4711111111";
        QTest::newRow("register admin") << main << 1 << -1 << ""
                                        << "?"
                                        << "Registrer ADMIN";
        QTest::newRow("reset admin") << "+4744444444" << 1 << -1 << ""
                                     << "AR"
                                     << "Reset ADMIN";
        QTest::newRow("admin 1") << main << 4 << 4 << "12345678"
                                 << "A1 12345678"
                                 << "Send ny ADMIN 1";
        QTest::newRow("admin 5 empty") << main << 8 << 8 << ""
                                       << "A5 "
                                       << "Send ny ADMIN 5";
        QTest::newRow("own number") << main << 9 << 9 << "22223333"
                                    << "A6 22223333"
                                    << "Send EGET nr.";
        QTest::newRow("own number not set") << main << 9 << 9 << "99999999"
                                            << "A6 +4711111111"
                                            << "Send EGET nr.";
        QTest::newRow("own number 6") << main << 9 << 9 << "6"
                                      << "A6 +4711111111"
                                      << "Send EGET nr.";
        QTest::newRow("name") << main << 10 << 10 << "Gate"
                              << "B !Gate"
                              << "Send Navn";
        QTest::newRow("name with mark") << main << 10 << 10 << "!Gate"
                                        << "B !Gate"
                                        << "Send Navn";
        QTest::newRow("pulse length") << main << 13 << 13 << "5"
                                      << "P 5"
                                      << "Send Åpningstid";
        QTest::newRow("text 1") << main << 15 << 15 << "Hei og velkommen"
                                << "T1 Hei og velkommen"
                                << "Send ny tekst 1";
        QTest::newRow("text 4") << main << 18 << 18 << " ut "
                                << "T4  ut "
                                << "Send ny tekst4";
        QTest::newRow("text 6") << main << 20 << 20 << "Mvh Port"
                                << "T6 Mvh Port"
                                << "Send ny tekst 6";
    }
    void sendButtonQueuesItsCommand()
    {
        QFETCH(QString, unit);
        QFETCH(int, button);
        QFETCH(int, boxIndex);
        QFETCH(QString, typed);
        QFETCH(QString, command);
        QFETCH(QString, caption);
        KeyPropFixture f;
        f.state.SelectedKeyNummer = unit;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QVERIFY(dialogs.calls().isEmpty());
        if (boxIndex >= 0) {
            type(box(w.get(), boxIndex), typed + "x"); // a real change, whatever the text
            type(box(w.get(), boxIndex), typed);
        }
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), button)->click();

        QCOMPARE(dialogs.lastText(), "Ny instilling (" + caption + ") blir sendt til nøkkelenhet");
        QCOMPARE(dialogs.calls().last().buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(sendButton(w.get(), button)->isHidden());
        const QList<QueuedRow> rows = queuedRows(f.db);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].text, command);
        QCOMPARE(rows[0].tilNummer, unit);
        QCOMPARE(rows[0].kort, unit.mid(3));
        QCOMPARE(rows[0].etternavn, f.unitField(unit, "KeyNavn"));
        QVERIFY(rows[0].fornavn.isNull());
        QCOMPARE(rows[0].cmgs, QString("UNSENT"));
        QCOMPARE(rows[0].datolng, int(QDate(1899, 12, 30).daysTo(QDate::currentDate())));
        // The setting is in the register before it goes to the unit.
        if (boxIndex >= 0) {
            const char *columns[] = {"",
                                     "",
                                     "",
                                     "",
                                     "Admin1",
                                     "Admin2",
                                     "Admin3",
                                     "Admin4",
                                     "Admin5",
                                     "Eget_Nummer",
                                     "Beskrivelse",
                                     "",
                                     "",
                                     "Pulslengde",
                                     "",
                                     "Tekst1",
                                     "Tekst2",
                                     "Tekst3",
                                     "Tekst4",
                                     "Tekst5",
                                     "Tekst6"};
            QCOMPARE(f.unitField(unit, columns[boxIndex]), typed);
        }
    }

    void listButtonsSendTheChosenEntry_data()
    {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("question");
        QTest::newRow("alarm off") << 4 << 0 << 11 << "V0"
                                   << "Ny instilling (Send  Funksjon) blir sendt til nøkkelenhet";
        QTest::newRow("alarm limit switch")
            << 4 << 8 << 11 << "V8"
            << "Ny instilling (Send  Funksjon) blir sendt til nøkkelenhet";
        QTest::newRow("normal") << 5 << 0 << 12 << "N"
                                << "Ny instilling (Send Lås Status :N) blir sendt til nøkkelenhet";
        QTest::newRow("closed") << 5 << 1 << 12 << "L"
                                << "Ny instilling (Send Lås Status :L) blir sendt til nøkkelenhet";
        QTest::newRow("open") << 5 << 2 << 12 << "O"
                              << "Ny instilling (Send Lås Status :O) blir sendt til nøkkelenhet";
    }
    void listButtonsSendTheChosenEntry()
    {
        QFETCH(int, listIndex);
        QFETCH(int, entry);
        QFETCH(int, button);
        QFETCH(QString, command);
        QFETCH(QString, question);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        model(w.get(), 0)->click();
        dialogs.answer(Dialogs::Answer::Ok); // the list's own question
        choose(list(w.get(), listIndex), entry);
        // The choice is stored at once, as its text.
        const QString field = listIndex == 4 ? "Alarmstatus" : "KeyStatus";
        QCOMPARE(f.unitField("+4711111111", field), list(w.get(), listIndex)->itemText(entry));
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), button)->click();
        QCOMPARE(dialogs.lastText(), question);
        const QList<QueuedRow> rows = queuedRows(f.db);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].text, command);
    }

    void timedLockModeAsksForTheTime_data()
    {
        QTest::addColumn<int>("keyType");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QStringList>("answers"); // "<cancel>" cancels
        QTest::addColumn<QString>("command");     // "" = nothing queued
        QTest::addColumn<int>("beeps");
        QTest::newRow("hour model") << 0 << 3 << QStringList{"7-16"} << "O 07-16*5" << 0;
        QTest::newRow("hour model drops minutes")
            << 0 << 3 << QStringList{"07:45-16:15"} << "O 07-16*5" << 0;
        QTest::newRow("minute model, today only")
            << 1 << 7 << QStringList{"7:45-16:15"} << "O 07:45-16:15*1" << 0;
        QTest::newRow("asked again")
            << 1 << 4 << QStringList{"24:00-16:00", "ab-cd", "8-9"} << "O 08:00-09:00*7" << 1;
        QTest::newRow("cancelled") << 0 << 3 << QStringList{"<cancel>"} << "" << 0;
    }
    void timedLockModeAsksForTheTime()
    {
        QFETCH(int, keyType);
        QFETCH(int, entry);
        QFETCH(QStringList, answers);
        QFETCH(QString, command);
        QFETCH(int, beeps);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        model(w.get(), keyType)->click();
        dialogs.answer(Dialogs::Answer::Ok);
        choose(list(w.get(), 5), entry);
        for (const QString &a : answers)
            dialogs.answerInput(a == "<cancel>" ? std::nullopt : std::optional<QString>(a));
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 12)->click();
        QCOMPARE(dialogs.pendingAnswers(), 0);
        QCOMPARE(dialogs.beeps(), beeps);
        QCOMPARE(dialogs.lastText(),
                 "Ny instilling (Send Lås Status :" + command + ") blir sendt til nøkkelenhet");
        QVERIFY(sendButton(w.get(), 12)->isHidden());
        const QList<QueuedRow> rows = queuedRows(f.db);
        if (command.isEmpty()) {
            QVERIFY(rows.isEmpty());
        } else {
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows[0].text, command);
        }
    }

    void hoursAreSavedAndSent()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        model(w.get(), 1)->click();
        choose(list(w.get(), 0), 6);
        choose(list(w.get(), 1), 17);
        choose(list(w.get(), 2), 0);
        choose(list(w.get(), 3), 24);
        QVERIFY(!sendButton(w.get(), 21)->isHidden());
        dialogs.answer(Dialogs::Answer::Cancel);
        sendButton(w.get(), 21)->click();
        // Cancel withholds the command, never the saved hours.
        QCOMPARE(f.queued(), 0);
        QCOMPARE(f.unitField("+4711111111", "TimeInStart"), QString("06"));
        QCOMPARE(f.unitField("+4711111111", "TimeInStop"), QString("17"));
        QCOMPARE(f.unitField("+4711111111", "TimeOutStart"), QString("00"));
        QCOMPARE(f.unitField("+4711111111", "TimeOutStop"), QString("24"));
        QVERIFY(sendButton(w.get(), 21)->isHidden());

        choose(list(w.get(), 0), 7);
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 21)->click();
        QCOMPARE(dialogs.lastText(),
                 QString("Ny instilling (Send nye tider) blir sendt til nøkkelenhet"));
        QCOMPARE(queuedRows(f.db).value(0).text, QString("A7 07170024"));

        // Typed hours: one digit is its two-digit form; anything else is refused unsaved.
        list(w.get(), 1)->setEditText("9");
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 21)->click();
        QCOMPARE(queuedRows(f.db).value(1).text, QString("A7 07090024"));
        QCOMPARE(f.unitField("+4711111111", "TimeInStop"), QString("09"));
        dialogs.clear();
        list(w.get(), 3)->setEditText("25");
        sendButton(w.get(), 21)->click();
        QCOMPARE(dialogs.texts(), QStringList{"Timen \"25\" finnes ikke: skriv en time fra 00 til "
                                              "24. Ingenting er lagret."});
        QCOMPARE(f.unitField("+4711111111", "TimeOutStop"), QString("24"));
        QCOMPARE(f.queued(), 2);
        QCOMPARE(list(w.get(), 3)->currentText(), QString("25"));
    }

    void listWithNoChoiceDoesNothing_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("alarm") << 11;
        QTest::newRow("lock mode") << 12;
    }
    void listWithNoChoiceDoesNothing()
    {
        QFETCH(int, button);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        model(w.get(), 0)->click();
        type(box(w.get(), 4), "12121212");
        sendButton(w.get(), button)->click();
        QVERIFY(dialogs.calls().isEmpty());
        QVERIFY(!sendButton(w.get(), button)->isHidden());
        QCOMPARE(f.unitField("+4711111111", "Admin1"), QString("87654321")); // nothing saved
        QCOMPARE(f.queued(), 0);
    }

    void cancelSavesTheSettingButQueuesNothing()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        type(box(w.get(), 4), "55555555");
        type(box(w.get(), 15), "Hei");
        dialogs.answer(Dialogs::Answer::Cancel);
        sendButton(w.get(), 4)->click();
        QCOMPARE(f.queued(), 0);
        QVERIFY(sendButton(w.get(), 4)->isHidden());
        // Every edited box went into the row, not only the button's own.
        QCOMPARE(f.unitField("+4711111111", "Admin1"), QString("55555555"));
        QCOMPARE(f.unitField("+4711111111", "Tekst1"), QString("Hei"));
        QVERIFY(f.scalar("SELECT Admin2 FROM KEYTable WHERE KeyNummer = '+4711111111'").isNull());
    }

    void repeatedCommandRefreshesItsQueuedRow()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        f.exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS, Dato, DatoLNG) VALUES "
               "('+4722222222', 'K', 'UNSENT', '2020-01-01', 43831)");
        for (int i = 0; i < 2; ++i) {
            model(w.get(), 0)->click();
            dialogs.answer(Dialogs::Answer::Ok);
            sendButton(w.get(), 14)->click();
        }
        // The other unit's equal command stays its own; this unit's is refreshed, not doubled.
        QCOMPARE(f.queued(), 2);
        f.exec("UPDATE SMS_Sent SET Dato = '2020-01-01', DatoLNG = 1 WHERE TilNummer = ?",
               {"+4711111111"});
        model(w.get(), 0)->click();
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 14)->click();
        QCOMPARE(f.queued(), 2);
        QCOMPARE(f.scalar("SELECT DatoLNG FROM SMS_Sent WHERE TilNummer = '+4711111111'").toInt(),
                 int(QDate(1899, 12, 30).daysTo(QDate::currentDate())));

        // Once the queue has sent it, the same command is a new SMS.
        f.exec("UPDATE SMS_Sent SET CMGS = '17:OK' WHERE TilNummer = '+4711111111'");
        model(w.get(), 0)->click();
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 14)->click();
        QCOMPARE(f.queued(), 3);
        QCOMPARE(f.scalar("SELECT CMGS FROM SMS_Sent WHERE TilNummer = '+4711111111' "
                          "AND CMGS = '17:OK'")
                     .toString(),
                 QString("17:OK"));
    }

    void badCommandIsRefusedWithAMessage_data()
    {
        QTest::addColumn<int>("boxIndex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("unsendable character")
            << 15 << "Velkommen ☺" << 15
            << "Teksten har tegn som ikke kan sendes som SMS: ☺";
        QTest::newRow("no unit number") << 0 << "" << 10
                                        << "Nøkkelenheten har ikke noe nummer. Kommandoen er ikke "
                                           "lagt i køen.";
        QTest::newRow("unit number not international")
            << 0 << "dor" << 10
            << "Nummeret \"dor\" er ikke et telefonnummer i internasjonal form (+ og bare sifre, "
               "for eksempel +4791000001). Ingenting er lagret.";
    }
    void badCommandIsRefusedWithAMessage()
    {
        QFETCH(int, boxIndex);
        QFETCH(QString, typed);
        QFETCH(int, button);
        QFETCH(QString, message);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        const QString text1 = f.unitField("+4711111111", "Tekst1");
        auto w = f.open();
        type(box(w.get(), boxIndex), typed);
        type(box(w.get(), 10), "Gate");
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), button)->click();
        QCOMPARE(dialogs.lastText(), message);
        QCOMPARE(dialogs.calls().last().buttons, Dialogs::Buttons::Ok);
        QCOMPARE(f.queued(), 0);
        // A number box emptied or mistyped never reaches the register.
        QCOMPARE(f.unitField("+4711111111", "KeyNavn"), QString("Hovedport"));
        QCOMPARE(f.unitField("+4711111111", "Tekst1"), text1);
        QCOMPARE(box(w.get(), boxIndex)->text(), typed); // kept, to be corrected
    }

    void failedSaveSendsNothing()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        // Another workstation changes the row after this window read it.
        f.exec("UPDATE KEYTable SET Admin1 = '99990000' WHERE KeyNummer = '+4711111111'");
        type(box(w.get(), 4), "12345678");
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 4)->click();
        QCOMPARE(dialogs.calls().size(), 2);
        QCOMPARE(dialogs.calls().last().buttons, Dialogs::Buttons::Ok);
        QVERIFY2(dialogs.lastText().startsWith("Innstillingen ble ikke lagret, og kommandoen ble "
                                               "ikke lagt i køen til enheten. Raden er endret"),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(f.queued(), 0);
        QVERIFY(!sendButton(w.get(), 4)->isHidden()); // the operator may try again
        QCOMPARE(f.unitField("+4711111111", "Admin1"), QString("99990000"));
    }
};

QTEST_MAIN(KeyPropCommandsTest)
#include "tst_keyprop_commands.moc"

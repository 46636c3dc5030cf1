// The properties window: what a load shows, the own-number check, the lists and models, the
// reload on new data, stepping between units, and the main window's menu that opens it.

#include "core/mainwindow/frmMain.h"
#include "platform/db/DbTexts.h"
#include "platform/ui/WindowRegistry.h"
#include "platform/vb/Error.h"
#include "tests/support/Forms.h"
#include "tests/support/ScriptedDialogs.h"
#include "tst_keyprop_fixture.h"

#include <QAction>
#include <QFocusEvent>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// One tick of the window's timer, as its interval running out gives it.
void tick(QTimer *timer)
{
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

} // namespace

class KeyPropWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void loadShowsTheSelectedUnit()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        const auto before = f.state.SharedConnection;
        f.state.ReloadRequested = true;
        auto w = f.open();
        QVERIFY(dialogs.calls().isEmpty()); // Admin "0": no own-number check
        const QStringList expected = {"+4711111111",
                                      "Hovedport",
                                      "5",
                                      "Bygg A",
                                      "87654321",
                                      "",
                                      "",
                                      "",
                                      "",
                                      "11111111",
                                      "Port",
                                      "ALARM AV",
                                      "Normal  (N)",
                                      "3",
                                      "0",
                                      "Velkommen",
                                      "",
                                      "",
                                      "",
                                      "",
                                      "Mvh",
                                      "Ring: 11111111"};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(box(w.get(), i)->text(), expected[i]);
        // The stored texts stand in the lists' edit fields, but nothing is chosen.
        const QStringList listTexts = {"07", "16", "08", "18", "ALARM AV", "Normal  (N)"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(list(w.get(), i)->currentText(), listTexts[i]);
            QCOMPARE(frmKeyProperties::ListIndex(list(w.get(), i)), -1);
            QVERIFY(list(w.get(), i)->isHidden());
        }
        QCOMPARE(list(w.get(), 0)->count(), 25);
        QCOMPARE(list(w.get(), 3)->itemText(24), QString("24"));
        QCOMPARE(list(w.get(), 4)->count(), 9);
        QCOMPARE(list(w.get(), 5)->itemText(2), QString("Oppe    (O)"));
        QCOMPARE(shownButtons(w.get()), (QList<int>{1, 13}));
        QCOMPARE(sendButton(w.get(), 1)->text(), QString("Registrer ADMIN"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!model(w.get(), i)->isChecked());
        QVERIFY(w->findChild<QLabel *>("Label1(13)")->isHidden());
        QCOMPARE(box(w.get(), 10)->maxLength(), 20);
        QVERIFY(box(w.get(), 14)->isReadOnly());
        QVERIFY(!f.state.ReloadRequested);
        // A connection of its own, which the rest of the program now shares.
        QVERIFY(f.state.SharedConnection && f.state.SharedConnection != before);
        auto *timer = w->findChild<QTimer *>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 10000);
    }

    void ownNumberCheck_data()
    {
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QString>("own");
        QTest::addColumn<int>("answer"); // -1 no question expected
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ownButton");
        const QString missing = "Eget nummer er ikke angitt. Du bør sende dette til nøkkelenhet!!";
        QTest::newRow("not set, OK")
            << "1"
            << "99999999" << int(Dialogs::Answer::Ok) << missing << "22222222" << true;
        QTest::newRow("6, OK") << "1"
                               << "6" << int(Dialogs::Answer::Ok) << missing << "22222222" << true;
        QTest::newRow("not set, Cancel")
            << "1"
            << "99999999" << int(Dialogs::Answer::Cancel) << missing << "99999999" << false;
        QTest::newRow("other number") << "1"
                                      << "87654321" << -1 << "Sjekk om EGET NUMMER er riktig !!!"
                                      << "87654321" << false;
        QTest::newRow("right number") << "1"
                                      << "22222222" << -1 << ""
                                      << "22222222" << false;
        QTest::newRow("no admin") << "0"
                                  << "99999999" << -1 << ""
                                  << "99999999" << false;
        // An Admin text that is no number must not stop the load.
        QTest::newRow("admin not a number") << "x"
                                            << "99999999" << -1 << ""
                                            << "99999999" << false;
    }
    void ownNumberCheck()
    {
        QFETCH(QString, admin);
        QFETCH(QString, own);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        QFETCH(bool, ownButton);
        KeyPropFixture f;
        f.exec("UPDATE KEYTable SET Admin = ?, Eget_Nummer = ? WHERE KeyNummer = '+4722222222'",
               {admin, own});
        f.state.SelectedKeyNummer = "+4722222222";
        ScriptedDialogs dialogs;
        if (answer >= 0)
            dialogs.answer(Dialogs::Answer(answer));
        auto w = f.open();
        QCOMPARE(dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.unitField("+4722222222", "Eget_Nummer"), stored);
        QCOMPARE(box(w.get(), 9)->text(), stored);
        QCOMPARE(box(w.get(), 21)->text(), "Ring: " + stored);
        QCOMPARE(!sendButton(w.get(), 9)->isHidden(), ownButton);
        QVERIFY(!sendButton(w.get(), 13)->isHidden()); // the load went to its end
    }

    void editedBoxShowsItsSendButton()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        for (int i = 4; i <= 20; ++i) {
            if (i == 14)
                continue;
            type(box(w.get(), i), box(w.get(), i)->text() + "1");
            QVERIFY2(!sendButton(w.get(), i)->isHidden(), qPrintable(QString::number(i)));
        }
        // Typing the stored text back does not hide it again.
        type(box(w.get(), 4), "87654321");
        QVERIFY(!sendButton(w.get(), 4)->isHidden());
    }

    void modelChoiceShowsTheModelControls()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        model(w.get(), 1)->click();
        QCOMPARE(shownButtons(w.get()), (QList<int>{1, 11, 12, 13, 14, 21}));
        for (int i = 0; i < 6; ++i)
            QVERIFY(!list(w.get(), i)->isHidden());
        model(w.get(), 2)->click();
        QCOMPARE(shownButtons(w.get()), (QList<int>{1, 13}));
        QVERIFY(list(w.get(), 5)->isHidden());
        QVERIFY(w->findChild<QLabel *>("Label1(16)")->isHidden());
    }

    void listChoiceAsksAndStores_data()
    {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("field");
        QTest::newRow("alarm") << 4 << "Dette vil endre ALARMFUNKSJONEN. Vil du fortsette?"
                               << "Alarmstatus";
        QTest::newRow("lock") << 5
                              << "Dette vil Åpne eller Lukke port eller dør for alle brukere. Vil "
                                 "du fortsette?"
                              << "KeyStatus";
    }
    void listChoiceAsksAndStores()
    {
        QFETCH(int, listIndex);
        QFETCH(QString, question);
        QFETCH(QString, field);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        f.exec("UPDATE KEYTable SET Alarmstatus = 'ALARM PÅ', KeyStatus = 'Lukket  (L)'");
        auto w = f.open();
        const int button = listIndex == 4 ? 11 : 12;
        QComboBox *l = list(w.get(), listIndex);
        const QString stored = f.unitField("+4711111111", field);

        dialogs.answer(Dialogs::Answer::Cancel);
        choose(l, 3);
        QCOMPARE(dialogs.lastText(), question);
        QCOMPARE(f.unitField("+4711111111", field), stored);
        QCOMPARE(l->currentText(), stored);
        // The cancelled entry is not left chosen for the button to send.
        QCOMPARE(frmKeyProperties::ListIndex(l), 1);
        QVERIFY(sendButton(w.get(), button)->isHidden());

        dialogs.answer(Dialogs::Answer::Ok);
        choose(l, 3);
        QCOMPARE(f.unitField("+4711111111", field), l->itemText(3));
        QCOMPARE(box(w.get(), button)->text(), l->itemText(3));
        QVERIFY(!sendButton(w.get(), button)->isHidden());
        QCOMPARE(f.queued(), 0); // saved at once, sent only by the button
    }

    void reloadOnNewData()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        auto *timer = w->findChild<QTimer *>("Timer1");
        f.exec("UPDATE KEYTable SET KeyNavn = 'Ny port' WHERE KeyNummer = '+4711111111'");
        model(w.get(), 0)->click();

        // Nothing new: a tick changes nothing.
        tick(timer);
        QCOMPARE(box(w.get(), 1)->text(), QString("Hovedport"));
        QVERIFY(model(w.get(), 0)->isChecked());

        f.state.ReloadRequested = true;
        tick(timer);
        QCOMPARE(box(w.get(), 1)->text(), QString("Ny port"));
        QVERIFY(!model(w.get(), 0)->isChecked());
        QCOMPARE(shownButtons(w.get()), (QList<int>{1, 13}));
        QVERIFY(!f.state.ReloadRequested);
    }

    void openedWindowStillReloads()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        // The window hands its first box the focus as it opens; the operator entered nothing.
        QCOMPARE(QApplication::focusWidget(), box(w.get(), 0));
        auto *timer = w->findChild<QTimer *>("Timer1");
        QVERIFY(timer->isActive());
        model(w.get(), 0)->click();
        f.state.ReloadRequested = true;
        tick(timer);
        QVERIFY(!model(w.get(), 0)->isChecked());
        QVERIFY(!f.state.ReloadRequested);

        // Typing into the box that already has the focus holds the reload back all the same.
        QTest::keyClicks(box(w.get(), 0), "9");
        QVERIFY(!timer->isActive());
    }

    void typingStopsTheReloadUntilTheNextSend()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        auto *timer = w->findChild<QTimer *>("Timer1");
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(box(w.get(), 4), &focusIn);
        QVERIFY(!timer->isActive());
        type(box(w.get(), 4), "11112222");
        dialogs.answer(Dialogs::Answer::Cancel);
        sendButton(w.get(), 4)->click();
        QVERIFY(timer->isActive());
    }

    void noReloadUnderItsOwnQuestion()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        auto *timer = w->findChild<QTimer *>("Timer1");
        model(w.get(), 0)->click();
        // New data arrive while the operator reads the question of a send.
        dialogs.answer(Dialogs::Answer::Ok, [&] {
            f.state.ReloadRequested = true;
            tick(timer);
        });
        sendButton(w.get(), 14)->click();
        QCOMPARE(f.queued(), 1);
        QVERIFY(model(w.get(), 0)->isChecked()); // not reloaded under the click
        QVERIFY(f.state.ReloadRequested);
        tick(timer);
        QVERIFY(!f.state.ReloadRequested);
        QVERIFY(!model(w.get(), 0)->isChecked());
    }

    void longStoredTextIsNeverCut()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        const QString footer = "Med vennlig hilsen fra oss"; // more than the box's 15
        f.exec("UPDATE KEYTable SET Tekst6 = ? WHERE KeyNummer = '+4711111111'", {footer});
        auto w = f.open();
        QCOMPARE(box(w.get(), 20)->text(), footer);
        QVERIFY(sendButton(w.get(), 20)->isHidden());
        type(box(w.get(), 4), "12345678");
        dialogs.answer(Dialogs::Answer::Cancel);
        sendButton(w.get(), 4)->click();
        QCOMPARE(f.unitField("+4711111111", "Tekst6"), footer);
    }

    void steppingFollowsTheUnits()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        f.state.SelectedKeyNummer = "+4744444444";
        auto w = f.open();
        auto *up = w->findChild<QToolButton *>("UpDown1.Up");
        auto *down = w->findChild<QToolButton *>("UpDown1.Down");
        model(w.get(), 0)->click();
        type(box(w.get(), 4), "12121212");

        // The units the level sees, in table order: +4711111111, +4722222222, +4744444444.
        up->click();
        QCOMPARE(dialogs.beeps(), 1);
        QCOMPARE(box(w.get(), 0)->text(), QString("+4744444444"));
        QCOMPARE(box(w.get(), 4)->text(), QString("87654321")); // the edit is dropped

        down->click();
        QCOMPARE(f.state.SelectedKeyNummer, QString("+4722222222"));
        QCOMPARE(box(w.get(), 1)->text(), QString("Bakdør"));
        QCOMPARE(box(w.get(), 21)->text(), QString("Ring: 99999999"));
        // The lists show the unit now in view, so its hours are what a send would write.
        QCOMPARE(list(w.get(), 4)->currentText(), QString("ALARM PÅ"));
        QCOMPARE(list(w.get(), 5)->currentText(), QString("Lukket  (L)"));
        QCOMPARE(frmKeyProperties::ListIndex(list(w.get(), 5)), -1);
        QVERIFY(model(w.get(), 0)->isChecked());
        QCOMPARE(sendButton(w.get(), 1)->text(), QString("Reset ADMIN"));

        down->click();
        down->click();
        QCOMPARE(dialogs.beeps(), 2);
        QCOMPARE(f.state.SelectedKeyNummer, QString("+4711111111"));
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.unitField("+4744444444", "Admin1"), QString("87654321"));
    }

    void unitNotVisibleFailsTheLoad_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::newRow("above the level") << "+4733333333";
        QTest::newRow("no such unit") << "+4799999999";
    }
    void unitNotVisibleFailsTheLoad()
    {
        QFETCH(QString, unit);
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        f.state.SelectedKeyNummer = unit;
        try {
            frmKeyProperties w(f.state);
            QFAIL("a window was built");
        } catch (const Error &e) {
            QCOMPARE(e.description(),
                     noCurrentRowText() + "\r Er det opprettet noen nøkkel under Key Data??");
        }
        // A reload that fails shows it and leaves the window as it was.
        f.state.SelectedKeyNummer = "+4711111111";
        auto w = f.open();
        f.state.SelectedKeyNummer = unit;
        f.state.ReloadRequested = true;
        tick(w->findChild<QTimer *>("Timer1"));
        QCOMPARE(dialogs.texts(), QStringList{noCurrentRowText() +
                                              "\r Er det opprettet noen nøkkel under Key Data??"});
        QCOMPARE(box(w.get(), 0)->text(), QString("+4711111111"));
    }

    void languageReplacesCaptionsAndMessages()
    {
        KeyPropFixture f;
        f.setLanguageText(94, "Dansk", "Send lås");
        f.setLanguageText(171, "Dansk", "Ny indstilling (");
        f.setLanguageText(188, "Dansk", "Normal");
        f.setLanguageText(61, "Dansk", "DØR NR");
        f.setLanguageText(158, "Dansk", "Pulslængde");
        f.setLanguageText(62, "Dansk", QString()); // no text: the window's own stays
        f.state.CountryCode = "45";
        ScriptedDialogs dialogs;
        auto w = f.open();
        QCOMPARE(w->findChild<QLabel *>("lblKEYNumber")->text(), QString("DØR NR"));
        QCOMPARE(w->findChild<QLabel *>("LblKeyName")->text(), QString("DØR NAVN")); // kept
        QCOMPARE(box(w.get(), 13)->toolTip(), QString("Pulslængde"));
        QCOMPARE(list(w.get(), 5)->itemText(0), QString("Normal"));
        model(w.get(), 0)->click();
        dialogs.answer(Dialogs::Answer::Ok);
        choose(list(w.get(), 5), 0);
        dialogs.answer(Dialogs::Answer::Ok);
        sendButton(w.get(), 12)->click();
        // Row 172 comes from the new database's own Danish text.
        QCOMPARE(dialogs.lastText(), QString("Ny indstilling (Send lås :N) sendes til "
                                             "nøgleenheden"));
    }

    void menuOpensANewWindowEachTime()
    {
        KeyPropFixture f;
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>("mnuDatafrmKeyOppsett");
        QVERIFY(action);
        action->setEnabled(true);
        action->trigger();
        action->trigger();
        const QList<QWidget *> opened = formsNamed("frmKeyProperties");
        QCOMPARE(opened.size(), 2);
        for (QWidget *w : opened) {
            QCOMPARE(w->windowTitle(), action->text());
            QVERIFY(w->isVisible());
            QVERIFY(!w->isModal());
            QCOMPARE(box(w, 0)->text(), QString("+4711111111"));
        }
        QVERIFY(dialogs.calls().isEmpty());

        // A unit the operator may not see: the reason is shown and no window opens.
        f.state.SelectedKeyNummer = "+4733333333";
        action->trigger();
        QCOMPARE(dialogs.texts(), QStringList{noCurrentRowText() +
                                              "\r Er det opprettet noen nøkkel under Key Data??"});
        QCOMPARE(formsNamed("frmKeyProperties").size(), 2);
        closeForms(opened);
    }
};

QTEST_MAIN(KeyPropWindowTest)
#include "tst_keyprop_window.moc"

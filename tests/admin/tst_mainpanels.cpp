// The key and user panels of the real main window, offscreen, controls found by name.

#include "admin/KeyUsers.h"
#include "admin/MainViews.h"
#include "core/mainwindow/frmMain.h"
#include "platform/db/Connection.h"
#include "platform/settings/Settings.h"
#include "programstate/AppState.h"
#include "tests/support/GridRows.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace portiva;

class MainPanelsTest : public QObject
{
    Q_OBJECT

    struct Window {
        TestDatabase db;
        AppState state;
        std::unique_ptr<Settings> settings;
        std::unique_ptr<frmMain> w;

        template <class T> T *find(const QString &name) const
        {
            T *found = w->findChild<T *>(name);
            if (!found)
                qFatal("no control %s", qPrintable(name));
            return found;
        }
        QLineEdit *box(const char *name, int i) const
        {
            return find<QLineEdit>(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
        }
        QToolButton *arrow(const QString &upDown, bool up) const
        {
            return find<QToolButton>(upDown + (up ? ".Up" : ".Down"));
        }
        void click(const QString &button) const
        {
            QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
        }
        QVariant scalar(const QString &sql) { return db.connection()->scalar(sql); }
    };

    QTemporaryDir m_dir;
    int m_count = 0;

    std::unique_ptr<Window> open()
    {
        auto f = std::make_unique<Window>();
        auto c = f->db.connection();
        c->exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) VALUES "
                "('+4711111111', 'Hovedport', '4'), ('+4722222222', 'Garasje', '4'), "
                "('+4733333333', 'Lager', '4')");
        c->exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
                "TilTid, Konto, Saldo, Status) VALUES "
                "('+4790000002', '+4711111111', '1/2/2026', '07', '5/2/2026', '16', 'Gjest', '0', "
                "'Aktiv '), "
                "('+4790000001', '+4711111111', '1/1/2026', '00', '31/12/2099', '24', 'MobReg', "
                "'0', 'Aktiv ')");
        c->exec("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES "
                "('+4790000002', '90000002', 'Berg', 'Kari'), "
                "('+4790000001', '90000001', 'Aas', 'Ola')");
        c->exec("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, Dato, SMS_Text) "
                "VALUES ('+4711111111', '11111111', 'Hovedport', '26/12/01,10:00:00', 'eldste'), "
                "('+4722222222', '22222222', 'Garasje', '26/12/02,11:30:00', 'linje 1\nlinje 2')");
        f->settings =
            std::make_unique<Settings>(m_dir.filePath(QStringLiteral("s%1.ini").arg(++m_count)));
        f->settings->setText("KeySelect", "+4711111111");
        f->state.DBPath = f->db.path();
        f->state.CurrentUserName = "Forvaltermann";
        f->state.CurrentSecurityLevel = "6";
        f->state.CurrentComputerName = "PC-TEST";
        f->w = std::make_unique<frmMain>(f->state);
        f->w->setSettings(f->settings.get());
        f->w->setClock([] { return QDate(2026, 12, 9); });
        f->w->Form_Load();
        f->w->show();
        QApplication::setActiveWindow(f->w.get());
        if (!QTest::qWaitForWindowActive(f->w.get()))
            qWarning("main window not active");
        f->w->CLEAR_INPUT();
        f->w->ShowKeyUsers();
        return f;
    }

    static void selectTab(Window &f, const QString &caption)
    {
        auto *tabs = f.find<QTabBar>("TabStrip1");
        const int i = f.w->keyUsers().tabCaptions().indexOf(caption);
        QVERIFY(i >= 0);
        tabs->setCurrentIndex(i);
    }

private slots:
    void keyStepsWrapAndKeepTheTab()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        f->box("Txtfields", 0)->setText("+4712345678");
        QTest::mouseClick(f->arrow("UpDown1", false), Qt::LeftButton);
        QCOMPARE(f->state.SelectedKeyNummer, QString("+4733333333"));
        QCOMPARE(f->box("KeyTXT", 1)->text(), QString("Lager"));
        QCOMPARE(f->box("Txtfields", 0)->text(), QString());
        QCOMPARE(f->state.SelectedUserTab, QString("Alle"));
        QCOMPARE(f->find<QTabBar>("TabStrip1")->currentIndex(), 1);
        QTest::mouseClick(f->arrow("UpDown1", true), Qt::LeftButton);
        QCOMPARE(f->state.SelectedKeyNummer, QString("+4711111111"));
        QTest::mouseClick(f->arrow("UpDown1", true), Qt::LeftButton);
        QCOMPARE(f->box("KeyTXT", 0)->text(), QString("+4722222222"));
        QCOMPARE(dialogs.beeps(), 0);
        QVERIFY(dialogs.calls().isEmpty());
    }

    // Another workstation holds the file while the operator picks another tab: the box says so,
    // and the tabs, the chosen tab and where a registration goes stay those of the list shown.
    void tabRefusedByALockKeepsTheListShown()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        auto *tabs = f->find<QTabBar>("TabStrip1");
        const QStringList captions = f->w->keyUsers().tabCaptions();
        QCOMPARE(captions, (QStringList{"Nye", "Gjest", "MobReg", "Alle"}));
        auto other = f->db.openConnection();
        other->exec("BEGIN EXCLUSIVE");
        tabs->setCurrentIndex(0);
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY2(dialogs.lastText().contains("er i bruk på en annen arbeidsstasjon"),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(f->w->keyUsers().tabCaptions(), captions);
        QCOMPARE(tabs->count(), captions.size());
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QString("Alle"));
        QCOMPARE(f->state.SelectedUserTab, QString("Alle"));
        QVERIFY(!f->w->REGNYBRUKER);

        other->exec("ROLLBACK");
        tabs->setCurrentIndex(0);
        QCOMPARE(dialogs.texts().size(), 1);
        QCOMPARE(f->state.SelectedUserTab, QString("Nye"));
        QVERIFY(f->w->REGNYBRUKER);
    }

    void receivedSmsViewer()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        auto *display = f->find<QPlainTextEdit>("PhoneDisplay");
        const QString newest = "Nummer: 2\nFra  : 22222222\nNavn: Garasje\n26/12/02,11:30:00"
                               "\n\nlinje 1\nlinje 2";
        QCOMPARE(display->toPlainText(), newest);
        // The up-down stays at the ends; the arrows wrap round; each end beeps.
        QTest::mouseClick(f->arrow("UpDown2", true), Qt::LeftButton);
        QCOMPARE(display->toPlainText(), newest);
        QCOMPARE(dialogs.beeps(), 1);
        QTest::mouseClick(f->find<QToolButton>("ArrowRight"), Qt::LeftButton);
        QCOMPARE(f->box("SMSRectxt", 3)->text(), QString("eldste"));
        QCOMPARE(dialogs.beeps(), 2);
        QTest::mouseClick(f->arrow("UpDown2", false), Qt::LeftButton);
        QCOMPARE(f->box("SMSRectxt", 0)->text(), QString("1"));
        QCOMPARE(dialogs.beeps(), 3);
        QTest::mouseClick(f->find<QToolButton>("ArrowLeft"), Qt::LeftButton);
        QCOMPARE(display->toPlainText(), newest);
        QCOMPARE(dialogs.beeps(), 4);
    }

    void newUserButtonQueuesAPeriod()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        f->click("cmdNyBruker");
        QLineEdit *number = f->box("Txtfields", 0);
        QCOMPARE(number->text(), QString("+47"));
        QCOMPARE(number->cursorPosition(), 3);
        QCOMPARE(f->find<QLabel>("Label2")->text(), QString("True"));
        QTest::keyClicks(number, "12345678");
        f->box("Txtfields", 3)->setText("NY");
        f->click("CommandRegistrerBruker");
        QCOMPARE(f->scalar("SELECT Bruker || ' ' || KeyNummer || ' ' || [Gyldig fra] || ' ' || "
                           "[Gyldig til] FROM NYEbrukere")
                     .toString(),
                 QString("+4712345678 +4711111111 9/12/2026 11/12/2026"));
        QCOMPARE(f->scalar("SELECT count(*) FROM SMS_Sent").toInt(), 0);
        QCOMPARE(number->text(), QString());
        QCOMPARE(f->box("Txtfields", 5)->text(), QString("9999"));
    }

    void balanceModeFollowsTheBox()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        auto *saldo = f->find<QLineEdit>("Saldo");
        saldo->setText("10");
        QVERIFY(f->find<QDateEdit>("DTPickerFrom")->isHidden());
        QVERIFY(f->find<QComboBox>("TilTid")->isHidden());
        QCOMPARE(f->box("Txtfields", 4)->text(), QString("Saldo"));
        QCOMPARE(f->find<QLabel>("KontoLBL")->text(), QString("Antall"));
        saldo->setText("0,5");
        QTest::mouseClick(f->arrow("UpDown3", false), Qt::LeftButton);
        QCOMPARE(saldo->text(), QString("-0,5"));
        QVERIFY(!f->find<QDateEdit>("DTPickerTo")->isHidden());
        QCOMPARE(f->box("Txtfields", 4)->text(), QString("Gjest"));
        QCOMPARE(f->find<QLabel>("KontoLBL")->text(), QString("Konto"));
        QTest::mouseClick(f->arrow("UpDown3", false), Qt::LeftButton);
        QCOMPARE(saldo->text(), QString("-0,5"));
        QVERIFY(dialogs.calls().isEmpty());
        saldo->setText("abc");
        QCOMPARE(dialogs.calls().size(), 1);
        QTest::mouseClick(f->arrow("UpDown3", true), Qt::LeftButton);
        QCOMPARE(saldo->text(), QString("abc"));
    }

    // What is typed as a balance, and the message it gets ("" for none).
    void balanceTypedIsSaidWhenItIsNoNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const QString no = "Saldo må være et tall: «%1» er ikke et tall. Skriv hvor mange ganger "
                           "brukeren kan åpne, eller 0 for en periode.";
        QTest::newRow("letters") << "abc" << no.arg("abc");
        QTest::newRow("digits and letters") << "12a" << no.arg("12a");
        QTest::newRow("a count") << "12"
                                 << "";
        QTest::newRow("a decimal comma") << "2,5"
                                         << "";
        QTest::newRow("emptied") << ""
                                 << "";
        QTest::newRow("blanks") << "  "
                                << "";
    }
    void balanceTypedIsSaidWhenItIsNoNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        ScriptedDialogs dialogs;
        auto f = open();
        auto *saldo = f->find<QLineEdit>("Saldo");
        saldo->setText("5");
        saldo->setText(typed);
        QCOMPARE(dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(saldo->text(), typed); // kept, to be corrected
        if (!message.isEmpty())
            QCOMPARE(dialogs.calls().last().buttons, Dialogs::Buttons::Ok);
    }

    void gridLoadsThePanelOnlyFromTheOperator()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        auto *grid = f->find<QTableView>("DataGrid1");
        QCOMPARE(grid->model()->rowCount(), 2);
        // Moved by code while unfocused: nothing loads.
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QCOMPARE(f->box("Txtfields", 0)->text(), QString());
        // A click on the unfocused grid loads the row clicked.
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        // A click gives the grid the focus first, then moves its current row.
        grid->setFocus(Qt::MouseFocusReason);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(f->w->UserGridActive);
        QCOMPARE(f->box("Txtfields", 0)->text(), QString("+4790000002"));
        QCOMPARE(f->box("Txtfields", 1)->text(), QString("Kari"));
        QCOMPARE(f->find<QComboBox>("FraTid")->currentText(), QString("07"));
        QCOMPARE(f->find<QDateEdit>("DTPickerFrom")->date(), QDate(2026, 2, 1));
        QCOMPARE(f->find<QDateEdit>("DTPickerTo")->date(), QDate(2026, 2, 5));
        QCOMPARE(f->box("Txtfields", 5)->text(), QString("9999"));
        // A header click sorts and clears the panel; it selects no column and loads no row.
        QHeaderView *header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(7) + 5, header->height() / 2));
        QCOMPARE(f->w->UserGridSortKey, QString("Konto"));
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QString("+4790000002"));
        QCOMPARE(f->box("Txtfields", 0)->text(), QString());
        QVERIFY(grid->selectionModel()->selectedColumns().isEmpty());
    }

    void leavingTheNumberAsksAboutAnExistingRight()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        QLineEdit *number = f->box("Txtfields", 0);
        number->setFocus();
        QTest::keyClicks(number, " +4790000002");
        dialogs.answer(Dialogs::Answer::Cancel);
        f->box("Txtfields", 2)->setFocus(Qt::MouseFocusReason);
        QCOMPARE(dialogs.texts(), QStringList{MainTexts().UserRegisteredQuestion});
        // Cancel shows the existing right; the catalogue's names fill the empty boxes.
        QCOMPARE(f->box("Txtfields", 4)->text(), QString("Gjest"));
        QCOMPARE(f->box("Txtfields", 3)->text(), QString("Aktiv "));
        QCOMPARE(f->box("Txtfields", 2)->text(), QString("Berg"));
        QCOMPARE(f->find<QDateEdit>("DTPickerFrom")->date(), QDate(2026, 2, 1));
        QCOMPARE(QApplication::focusWidget(), f->box("Txtfields", 2));

        // OK proposes a new period with the new-user defaults.
        dialogs.answer(Dialogs::Answer::Ok);
        number->setFocus();
        f->box("Txtfields", 1)->setFocus(Qt::MouseFocusReason);
        QCOMPARE(f->box("Txtfields", 3)->text(), QString("NY"));
        QCOMPARE(f->box("Txtfields", 4)->text(), QString("Gjest"));
        QCOMPARE(f->find<QDateEdit>("DTPickerTo")->date(), QDate(2026, 12, 11));
    }

    // What the operator types into the free-SMS box, one answer a line ("<Cancel>" cancels):
    // the refusals in between, and the row queued at the end.
    void freeSmsToTheDoor_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("refusals");
        QTest::addColumn<QString>("queued");
        const QString refusal = "Teksten har tegn som ikke kan sendes som SMS: ";
        QTest::newRow("sendable") << QStringList{"K"} << QStringList{} << "K";
        QTest::newRow("æøå and line break")
            << QStringList{"Dør åpen\nfør 7"} << QStringList{} << "Dør åpen\nfør 7";
        QTest::newRow("braces, then cancelled")
            << QStringList{"Kode {A2}", "<Cancel>"} << QStringList{refusal + "{}"} << "";
        QTest::newRow("euro, then corrected")
            << QStringList{"100€", "100 kr"} << QStringList{refusal + "€"} << "100 kr";
        QTest::newRow("typographic dash and quotes") << QStringList{"Åpne – “nå”", "Åpne - nå"}
                                                     << QStringList{refusal + "–“”"} << "Åpne - nå";
        QTest::newRow("tab and no-break space, twice")
            << QStringList{"a\tb", "a\tb\u00a0c", "a b"}
            << QStringList{refusal + "<TAB>", refusal + "<TAB><U+00A0>"} << "a b";
        const QString full(160, u'x');
        const QString tooLong = "Teksten er %1 tegn lang, men en SMS kan ha høyst 160 tegn.";
        QTest::newRow("160 characters") << QStringList{full} << QStringList{} << full;
        QTest::newRow("161 characters, then shortened")
            << QStringList{full + "y", full} << QStringList{tooLong.arg(161)} << full;
        QTest::newRow("200 characters, then cancelled")
            << QStringList{QString(200, u'z'), "<Cancel>"} << QStringList{tooLong.arg(200)} << "";
        QTest::newRow("160 with æøå and a line break")
            << QStringList{QString(157, u'å') + "\nøÆ"} << QStringList{}
            << QString(157, u'å') + "\nøÆ";
        QTest::newRow("empty") << QStringList{""} << QStringList{} << "";
        QTest::newRow("blanks") << QStringList{"   "} << QStringList{} << "";
        QTest::newRow("cancelled") << QStringList{"<Cancel>"} << QStringList{} << "";
    }
    void freeSmsToTheDoor()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, refusals);
        QFETCH(QString, queued);
        ScriptedDialogs dialogs;
        auto f = open();
        for (const QString &answer : typed)
            dialogs.answerInput(answer == "<Cancel>" ? std::nullopt
                                                     : std::optional<QString>(answer));
        f->click("CmdSMSDoor");

        QCOMPARE(dialogs.pendingAnswers(), 0);
        const QList<ScriptedDialogs::Call> &calls = dialogs.calls();
        int at = 0;
        for (int i = 0; i < typed.size(); ++i) {
            QCOMPARE(calls.value(at).kind, ScriptedDialogs::Kind::InputBox);
            QCOMPARE(calls.value(at).title, QString("Send SMS til :+4711111111"));
            // After a refusal the box offers the text typed, to be corrected.
            QCOMPARE(calls.value(at).defaultText, i == 0 ? QString() : typed[i - 1]);
            ++at;
            if (i < refusals.size())
                QCOMPARE(calls.value(at++).text, refusals[i]);
        }
        if (!queued.isEmpty()) {
            QCOMPARE(calls.value(at).title, QString("Send SMS"));
            QCOMPARE(calls.value(at++).text, queued);
        }
        QCOMPARE(calls.size(), at);
        QVERIFY(!f->w->ManualSMSBusy);
        QCOMPARE(f->scalar("SELECT group_concat(TilNummer || '|' || SMS_Text || '|' || CMGS || "
                           "'|' || ifnull(Etternavn, ''), ';') FROM SMS_Sent")
                     .toString(),
                 queued.isEmpty() ? QString() : "+4711111111|" + queued + "|UNSENT|Hovedport");
    }

    void freeSmsToTheUser()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        f->box("Txtfields", 0)->setText("+4790000002 ");
        f->box("Txtfields", 2)->setText("Berg");
        dialogs.answerInput(QString("Velkommen"));
        f->click("CommandSendSMS");
        QCOMPARE(dialogs.calls()[0].title, QString("Send SMS til :+4790000002"));
        QCOMPARE(dialogs.calls()[1].text, QString("Velkommen"));
        QCOMPARE(f->scalar("SELECT TilNummer || '|' || SMS_Text || '|' || Etternavn FROM SMS_Sent")
                     .toString(),
                 QString("+4790000002|Velkommen|Berg"));

        // No recipient: said so at once, nothing asked or queued.
        dialogs.clear();
        f->box("Txtfields", 0)->setText(" ");
        f->click("CommandSendSMS");
        f->box("KeyTXT", 0)->setText("");
        f->click("CmdSMSDoor");
        QCOMPARE(dialogs.texts(),
                 (QStringList{"Brukeren har ikke noe telefonnummer. SMS-en er ikke lagt i køen.",
                              "Ingen nøkkelenhet er valgt. SMS-en er ikke lagt i køen."}));
        QCOMPARE(f->scalar("SELECT count(*) FROM SMS_Sent").toInt(), 1);
        QVERIFY(!f->w->ManualSMSBusy);
    }

    void refusedRegistrationKeepsThePanel()
    {
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        auto *fraTid = f->find<QComboBox>("FraTid");
        f->box("Txtfields", 0)->setText("+4712345678");
        f->box("Txtfields", 2)->setText("Dahl");
        f->box("Txtfields", 3)->setText("NY");
        fraTid->setEditText("25");
        f->click("CommandRegistrerBruker");
        QCOMPARE(dialogs.texts(),
                 QStringList{"Timen \"25\" finnes ikke: skriv en time fra 00 til 24. Brukeren er "
                             "ikke lagret."});
        QCOMPARE(f->box("Txtfields", 0)->text(), QString("+4712345678"));
        QCOMPARE(f->box("Txtfields", 2)->text(), QString("Dahl"));
        QCOMPARE(fraTid->currentText(), QString("25"));
        QCOMPARE(f->scalar("SELECT count(*) FROM Katalog WHERE Bruker = '+4712345678'").toInt(), 0);

        // The end picked on its own before the start.
        fraTid->setEditText("7");
        f->find<QDateEdit>("DTPickerTo")->setDate(QDate(2026, 12, 1));
        f->click("CommandRegistrerBruker");
        QVERIFY(dialogs.lastText().startsWith("Perioden slutter før den begynner"));
        QCOMPARE(
            f->scalar("SELECT count(*) FROM TBLbrukere WHERE KeyBruker = '+4712345678'").toInt(),
            0);

        f->find<QDateEdit>("DTPickerTo")->setDate(QDate(2026, 12, 11));
        f->click("CommandRegistrerBruker");
        QCOMPARE(dialogs.calls().size(), 2);
        QCOMPARE(f->scalar("SELECT FraTid || TilTid FROM TBLbrukere WHERE KeyBruker = "
                           "'+4712345678'")
                     .toString(),
                 QString("0724"));
        QCOMPARE(f->scalar("SELECT SMS_Text FROM SMS_Sent").toString(),
                 QString("I 12345678>26120907<26121124"));
        QCOMPARE(f->box("Txtfields", 0)->text(), QString());
    }

    static QStringList gridRows(Window &f)
    {
        return test::gridRows(f.find<QTableView>("DataGrid1"));
    }

    // A right the operator makes or removes shows in the grid at once, in the tab the operator
    // is on.
    void rightChangeShowsInTheGridAtOnce_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("action"); // register, queue (the "new user" button), remove
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("row"); // "" : the grid is as before
        QTest::newRow("all users, registered") << "Alle"
                                               << "register"
                                               << "+4712345678"
                                               << "+4712345678 NY";
        QTest::newRow("new users, queued") << "Nye"
                                           << "queue"
                                           << "+4712345678"
                                           << "+4712345678 NY";
        QTest::newRow("all users, queued") << "Alle"
                                           << "queue"
                                           << "+4712345678"
                                           << "";
        QTest::newRow("all users, removed") << "Alle"
                                            << "remove"
                                            << "+4790000001"
                                            << "+4790000001 Slett";
        QTest::newRow("account, removed") << "MobReg"
                                          << "remove"
                                          << "+4790000001"
                                          << "+4790000001 Slett";
    }
    void rightChangeShowsInTheGridAtOnce()
    {
        QFETCH(QString, tab);
        QFETCH(QString, action);
        QFETCH(QString, number);
        QFETCH(QString, row);
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, tab);
        const QStringList before = gridRows(*f);
        QVERIFY(!before.contains(row));
        if (action == "queue") {
            f->click("cmdNyBruker");
            QTest::keyClicks(f->box("Txtfields", 0), number.mid(3));
        } else {
            f->box("Txtfields", 0)->setText(number);
        }
        if (action == "remove") {
            f->click("CommandSlettBruker");
        } else {
            f->box("Txtfields", 2)->setText("Dahl");
            f->box("Txtfields", 3)->setText("NY");
            f->click("CommandRegistrerBruker");
        }
        QVERIFY2(dialogs.calls().isEmpty(), qPrintable(dialogs.texts().join('|')));
        QCOMPARE(f->box("Txtfields", 0)->text(), QString()); // done: the panel cleared
        const QStringList after = gridRows(*f);
        if (row.isEmpty())
            QCOMPARE(after, before);
        else
            QVERIFY2(after.contains(row), qPrintable(after.join(';')));
        QCOMPARE(
            f->w->keyUsers().tabCaptions().value(f->find<QTabBar>("TabStrip1")->currentIndex()),
            tab);
    }

    // A removal that finds no right of the typed number at the unit says so, keeps what was
    // typed, and touches no one else's right, not even a right with the same national number.
    void removalOfNoRightIsSaid_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("nobody's number") << "+4712345678";
        QTest::newRow("national twin of a right") << "+4590000001";
    }
    void removalOfNoRightIsSaid()
    {
        QFETCH(QString, number);
        ScriptedDialogs dialogs;
        auto f = open();
        selectTab(*f, "Alle");
        const QStringList before = gridRows(*f);
        f->box("Txtfields", 0)->setText(number);
        dialogs.answer(Dialogs::Answer::Ok);
        f->click("CommandSlettBruker");
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY2(dialogs.lastText().startsWith(number + " har ingen tilgang på ") &&
                     dialogs.lastText().endsWith(": ingenting er slettet."),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(f->box("Txtfields", 0)->text(), number);
        QCOMPARE(gridRows(*f), before);
        QCOMPARE(f->scalar("SELECT count(*) FROM SMS_Sent").toInt(), 0);
    }
};

QTEST_MAIN(MainPanelsTest)
#include "tst_mainpanels.moc"

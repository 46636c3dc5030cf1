// The main window's reload interface: recordsets, key units by level, user tabs and lists.

#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QtTest>

using namespace portiva;

class KeyUsersTest : public QObject
{
    Q_OBJECT

private:
    TestDatabase m_db;
    AppState m_state;

    void exec(const QString &sql, const QVariantList &params = {})
    {
        m_db.connection()->exec(sql, params);
    }
    void addKey(const QString &number, const QVariant &level)
    {
        exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) VALUES (?, ?, ?)",
             {number, "Dør " + number, level});
    }
    void addRight(const QString &user, const QString &key, const QString &konto,
                  const QString &status)
    {
        exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
             "TilTid, Konto, Saldo, Status) VALUES (?, ?, '1/1/2020', '00', '31/12/2099', '24', "
             "?, '0', ?)",
             {user, key, konto, status});
    }

private slots:
    void initTestCase()
    {
        m_state.SharedConnection = m_db.connection();
        // Levels compared as text: "4" written as a number, "10" sorting below "5".
        addKey("+4790000004", 4);
        addKey("+4790000005", "5");
        addKey("+4790000010", "10");
        addKey("+479000005x", "5x");
        addKey("+4790000007", "7");
        addKey("+4790000000", QVariant());
        // Unit +4790000005: accounts in two forms, a new right, a removed one, and a
        // queued future period.
        addRight("+4741000001", "+4790000005", "Gjest", "Aktiv ");
        addRight("+4741000002", "+4790000005", "MobReg", "Aktiv ");
        addRight("+4741000003", "+4790000005", "gjest", "Slettet");
        addRight("+4741000004", "+4790000005", "Gjest", "Ny");
        addRight("+4741000005", "+4790000005", "", "Aktiv ");
        exec("INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], FraTid, "
             "[Gyldig til], TilTid, Konto, Saldo, Status, KeyNummer) VALUES ('+4741000009', "
             "'Nilsen', 'Per', '1/6/2030', '00', '31/12/2099', '24', 'Gjest', '0', 'NY', "
             "'+4790000005')");
        exec("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, Dato, SMS_Text) "
             "VALUES ('+4790000005', '90000005', 'Dør', '20/05/01,10:00:00', 'første')");
        exec("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, Dato, SMS_Text) "
             "VALUES ('+4790000005', '90000005', 'Dør', '20/05/02,10:00:00', 'siste')");
    }

    void keyUnitsSeenPerLevel_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("4") << "4" << QStringList{"+4790000004", "+4790000010"};
        QTest::newRow("5") << "5" << QStringList{"+4790000004", "+4790000005", "+4790000010"};
        QTest::newRow("7") << "7"
                           << QStringList{"+4790000004", "+4790000005", "+4790000010",
                                          "+479000005x", "+4790000007"};
    }
    void keyUnitsSeenPerLevel()
    {
        QFETCH(QString, level);
        QFETCH(QStringList, seen);
        MainViews views;
        m_state.CurrentSecurityLevel = level;
        MainRecordsets(m_state, views).openAll();
        QStringList numbers;
        for (views.adoKEYRS->MoveFirst(); !views.adoKEYRS->EOF(); views.adoKEYRS->MoveNext())
            numbers << views.adoKEYRS->toText("KeyNummer");
        QCOMPARE(numbers, seen);
        QCOMPARE(views.adoALLKEYRS->RecordCount(), 6);
    }

    void selectedKeyPositionsTheViews()
    {
        MainViews views;
        QLineEdit number, name;
        MainRecordsetsControls controls;
        controls.KeyTXT = {&number, &name};
        QVector<QLineEdit *> sms;
        QList<std::shared_ptr<QLineEdit>> keep;
        for (int i = 0; i < 5; ++i) {
            keep << std::make_shared<QLineEdit>();
            sms << keep.last().get();
        }
        controls.SMSRectxt = sms;
        m_state.CurrentSecurityLevel = "5";
        m_state.SelectedKeyNummer = "+4790000005";
        MainRecordsets(m_state, views, controls).openAll();
        QCOMPARE(number.text(), QString("+4790000005"));
        QCOMPARE(m_state.SelectedKeyName, QString("Dør +4790000005"));
        QCOMPARE(views.adoSELECTEDBrukereRS->RecordCount(), 5);
        // The newest received message is shown.
        QCOMPARE(sms[3]->text(), QString("siste"));
        QCOMPARE(sms[1]->text(), QString("90000005"));
        // Shown without reading every message; the view stands on the same one once read.
        QVERIFY(views.adoSMSReceivedRS->deferred());
        QCOMPARE(views.adoSMSReceivedRS->toText("SMS_Text"), QString("siste"));

        // A unit the level does not list: nothing in view, the unit's rights not opened.
        m_state.SelectedKeyNummer = "+4790000007";
        MainRecordsets(m_state, views, controls).openAll();
        QVERIFY(views.adoKEYRS->EOF());
        QCOMPARE(number.text(), QString());
        QCOMPARE(m_state.SelectedKeyName, QString());
        QCOMPARE(views.adoSELECTEDBrukereRS->RecordCount(), 0);
    }

    void modemPanelText_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("text");
        QTest::newRow("serial") << true << 2 << "Wavecom"
                                << "PC-7"
                                << "Wavecom WMOD2 på COM2";
        QTest::newRow("network") << true << 255 << "Wavecom"
                                 << "PC-7"
                                 << "Wavecom WMOD2 på 127.0.0.1";
        QTest::newRow("not ready") << false << 2 << "Wavecom"
                                   << "PC-7"
                                   << "Wavecom WMOD2 på PC-7";
        QTest::newRow("released") << false << 255 << " "
                                  << "?"
                                  << "Ingen modem";
    }
    void modemPanelText()
    {
        QFETCH(bool, ready);
        QFETCH(int, port);
        QFETCH(QString, manufacturer);
        QFETCH(QString, owner);
        QFETCH(QString, text);
        const QString name = manufacturer.trimmed().isEmpty() ? " " : "WMOD2";
        QCOMPARE(portiva::modemPanelText(ready, port, manufacturer, name, owner, "127.0.0.1"),
                 text);
    }

    void failureStopsTheReloadUnlessTheModemIsReady()
    {
        TestDatabase broken;
        broken.connection()->exec("DROP TABLE LOGGData");
        AppState state;
        state.SharedConnection = broken.connection();
        state.CurrentSecurityLevel = "5";
        MainViews views;
        {
            ScriptedDialogs dialogs;
            MainRecordsets(state, views).OpenMainRecordsets();
            QCOMPARE(dialogs.texts(),
                     QStringList{QString("Tabellen LOGGData mangler i databasen «%1».\rINIT DB")
                                     .arg(broken.path())});
            QVERIFY(!views.adoModemRS); // the reload ended at the failing step
        }
        {
            ScriptedDialogs dialogs;
            state.ModemReady = true;
            MainRecordsets(state, views).OpenMainRecordsets();
            QVERIFY(dialogs.calls().isEmpty());
            QVERIFY(views.adoModemRS); // the steps after it ran
        }
    }

    void listMode_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<int>("mode");
        QTest::newRow("new") << "nye" << 1;
        QTest::newRow("all") << "ALLE" << 3;
        QTest::newRow("account") << "Gjest" << 2;
        QTest::newRow("balance") << "saldo" << 4;
        QTest::newRow("empty") << "" << 2;
    }
    void listMode()
    {
        QFETCH(QString, tab);
        QFETCH(int, mode);
        QCOMPARE(int(userListMode(tab, "Nye", "Alle")), mode);
    }

    void tabsAndLists_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("users");
        QTest::addColumn<int>("highlighted");
        // The account tab hides the new right and lists both forms of the account.
        QTest::newRow("account") << "gjest" << QStringList{"+4741000001", "+4741000003"} << 1;
        QTest::newRow("all") << "Alle"
                             << QStringList{"+4741000001", "+4741000002", "+4741000003",
                                            "+4741000004", "+4741000005"}
                             << 3;
        QTest::newRow("new") << "Nye" << QStringList{"+4741000009"} << 0;
        QTest::newRow("other unit's account") << "Hytte" << QStringList{} << 3;
    }
    void tabsAndLists()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, users);
        QFETCH(int, highlighted);
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        QLineEdit key("+4790000005");
        QTabBar tabs;
        QTableView grid;
        QLabel number("Nummer"), status("Status");
        KeyUsersControls controls;
        controls.keyNumber = &key;
        controls.TabStrip1 = &tabs;
        controls.DataGrid1 = &grid;
        controls.NummerLBL = &number;
        controls.StatusLBL = &status;
        m_state.SelectedUserTab = selected;
        KeyUsers keyUsers(m_state, views, texts, sortKey, controls);
        keyUsers.rebuild();

        QCOMPARE(keyUsers.tabCaptions(), (QStringList{"Nye", "Gjest", "MobReg", "Alle"}));
        QCOMPARE(tabs.count(), 4);
        QCOMPARE(tabs.currentIndex(), highlighted);
        QStringList listed;
        for (int r = 0; r < grid.model()->rowCount(); ++r)
            listed << grid.model()->index(r, 0).data().toString();
        QCOMPARE(listed, users);
        QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QString("Nummer"));
        QCOMPARE(grid.model()->headerData(4, Qt::Horizontal).toString(), QString("FraTid"));
    }

    // The fixed layout holds a whole international number; the balance tab goes back to the
    // grid's own widths and the field names, whatever tab was shown before.
    void balanceTabHasTheGridsDefaults()
    {
        addRight("+46701234567", "+4790000007", "Saldo", "Aktiv ");
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        QLineEdit key("+4790000007");
        QTableView grid;
        QLabel number("Nummer");
        KeyUsersControls controls;
        controls.keyNumber = &key;
        controls.DataGrid1 = &grid;
        controls.NummerLBL = &number;
        m_state.SelectedUserTab = "Alle";
        KeyUsers keyUsers(m_state, views, texts, sortKey, controls);
        keyUsers.rebuild();
        QHeaderView *header = grid.horizontalHeader();
        QCOMPARE(header->sectionSize(0), 1200 * grid.logicalDpiX() / 1440);
        const QString shown = grid.model()->index(0, 0).data().toString();
        QCOMPARE(shown, QString("+46701234567"));
        const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid);
        QVERIFY(grid.fontMetrics().horizontalAdvance(shown) + 2 * (margin + 1) <=
                header->sectionSize(0));

        m_state.SelectedUserTab = "Saldo";
        keyUsers.rebuild();
        QCOMPARE(grid.model()->rowCount(), 1);
        for (int c = 0; c < grid.model()->columnCount(); ++c)
            QCOMPARE(header->sectionSize(c), header->defaultSectionSize());
        QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QString("Bruker"));
    }

    void firstShowSortsOnlyOpenLists()
    {
        MainViews views;
        MainTexts texts;
        QString sortKey = "Etternavn";
        m_state.SelectedUserTab = "Nye";
        views.shownKeyNummer = "+4790000005";
        ScriptedDialogs dialogs;
        KeyUsers(m_state, views, texts, sortKey).ShowKeyUsers();
        QVERIFY(dialogs.calls().isEmpty());
        QVERIFY(!views.adoListBrukereRS);
        QCOMPARE(views.adoNyeBrukereRS->Sort(), QString("Etternavn"));
    }

    // Spellings that differ in a letter beyond ASCII are one account in the list's order but
    // two to the file's NOCASE: still one tab, in the spelling of the unit's first right.
    void accountSpelledBeyondAsciiIsOneTab()
    {
        addKey("+4790000020", "5");
        addRight("+4741000021", "+4790000020", "ærlig", "Aktiv ");
        addRight("+4741000022", "+4790000020", "Bank", "Aktiv ");
        addRight("+4741000023", "+4790000020", "ÆRLIG", "Aktiv ");
        addRight("+4741000024", "+4790000020", "bank", "Aktiv ");
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        m_state.SelectedUserTab = "Nye";
        views.shownKeyNummer = "+4790000020";
        KeyUsers keyUsers(m_state, views, texts, sortKey);
        keyUsers.rebuild();
        QCOMPARE(keyUsers.tabCaptions(), (QStringList{"Nye", "Bank", "ærlig", "Alle"}));
    }

    void unitWithoutUsersHasTheFixedTabs()
    {
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        m_state.SelectedUserTab = "Nye";
        views.shownKeyNummer = "";
        KeyUsers keyUsers(m_state, views, texts, sortKey);
        keyUsers.rebuild();
        QCOMPARE(keyUsers.tabCaptions(), (QStringList{"Nye", "Alle"}));
        QCOMPARE(views.adoNyeBrukereRS->RecordCount(), 0);
    }

    // What changed since the grid was read shows at the next refresh, whoever changed it:
    // rights this workstation changed are read again alone, anything else by a new read of
    // the list; the tabs follow the accounts; nothing changed, nothing is read or rebound.
    void refreshShowsWhatChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("elsewhere");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<bool>("readAlone"); // the list shown is brought up to date in place
        const QStringList tabs{"Nye", "Gjest", "Alle"};
        QTest::newRow("nothing") << "" << false
                                 << QStringList{"+4741000001 Berg Aktiv", "+4741000002 Dal NY"}
                                 << tabs << true;
        QTest::newRow("a right's status")
            << "UPDATE TBLbrukere SET Status = 'Registrerer' WHERE KeyBruker = '+4741000002'"
            << false << QStringList{"+4741000001 Berg Aktiv", "+4741000002 Dal Registrerer"} << tabs
            << true;
        QTest::newRow("a right in a new account")
            << "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Konto, Status) VALUES "
               "('+4741000000', '+4790000030', 'Hytte', 'NY')"
            << false
            << QStringList{"+4741000000  NY", "+4741000001 Berg Aktiv", "+4741000002 Dal NY"}
            << QStringList{"Nye", "Gjest", "Hytte", "Alle"} << true;
        QTest::newRow("a right removed")
            << "DELETE FROM TBLbrukere WHERE KeyBruker = '+4741000001'" << false
            << QStringList{"+4741000002 Dal NY"} << tabs << true;
        QTest::newRow("a holder's name")
            << "UPDATE Katalog SET Etternavn = 'Aas' WHERE Bruker = '+4741000001'" << false
            << QStringList{"+4741000001 Aas Aktiv", "+4741000002 Dal NY"} << tabs << false;
        QTest::newRow("a right, by another workstation")
            << "UPDATE TBLbrukere SET Status = 'Aktiv' WHERE KeyBruker = '+4741000002'" << true
            << QStringList{"+4741000001 Berg Aktiv", "+4741000002 Dal Aktiv"} << tabs << false;
    }
    void refreshShowsWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(bool, elsewhere);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, tabs);
        QFETCH(bool, readAlone);
        TestDatabase db;
        AppState state;
        state.SharedConnection = db.connection();
        state.SharedConnection->addChangeCounters(); // as a database is opened
        state.SelectedUserTab = "Alle";
        db.connection()->exec(
            "INSERT INTO Katalog (Bruker, BrukerKort, Etternavn) VALUES ('+4741000001', "
            "'41000001', 'Berg'), ('+4741000002', '41000002', 'Dal');"
            "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Konto, Status) VALUES ('+4741000002', "
            "'+4790000030', 'Gjest', 'NY'), ('+4741000001', '+4790000030', 'Gjest', 'Aktiv')");
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        QLineEdit key("+4790000030");
        QTabBar tabStrip;
        QTableView grid;
        KeyUsersControls controls;
        controls.keyNumber = &key;
        controls.TabStrip1 = &tabStrip;
        controls.DataGrid1 = &grid;
        KeyUsers keyUsers(state, views, texts, sortKey, controls);
        keyUsers.rebuild();
        const QAbstractItemModel *bound = grid.model();
        const auto list = views.adoListBrukereRS;
        if (!change.isEmpty())
            (elsewhere ? db.openConnection() : db.connection())->exec(change);

        keyUsers.refreshIfChanged();
        QStringList shown;
        const QAbstractItemModel *model = grid.model();
        for (int r = 0; r < model->rowCount(); ++r)
            shown << QStringList{model->index(r, 0).data().toString(),
                                 model->index(r, 1).data().toString(),
                                 model->index(r, 8).data().toString()}
                         .join(' ');
        QCOMPARE(shown, rows);
        QCOMPARE(keyUsers.tabCaptions(), tabs);
        QCOMPARE(tabStrip.count(), tabs.size());
        QCOMPARE(tabStrip.currentIndex(), tabs.size() - 1);
        // The right's key is the list's own: the grid shows the view's columns only.
        QCOMPARE(model->columnCount(), 10);
        QCOMPARE(views.adoListBrukereRS == list, readAlone);
        QCOMPARE(model == bound, readAlone);
    }

    void apostropheIsAnOrdinaryCharacter()
    {
        MainViews views;
        MainTexts texts;
        QString sortKey = "Bruker";
        m_state.SelectedUserTab = "O'Hara";
        views.shownKeyNummer = "+4790000005";
        ScriptedDialogs dialogs;
        KeyUsers(m_state, views, texts, sortKey).ShowKeyUsers();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(views.adoListBrukereRS->RecordCount(), 0);
    }
};

QTEST_MAIN(KeyUsersTest)
#include "tst_keyusers.moc"

// The three languages of a new database, as the operator sees them after the Språk menu: the
// main window's menus, buttons, tabs and grid headers, and a record window opened from it.

#include "core/mainwindow/frmMain.h"
#include "platform/settings/Settings.h"
#include "platform/ui/DataGrid.h"
#include "programstate/AppState.h"
#include "records/RecordWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace portiva;

namespace
{

// Captions of one menu whose access keys clash, as "key: first / second".
QStringList clashes(const QList<QAction *> &actions)
{
    QStringList found;
    QHash<QString, QString> seen;
    for (QAction *a : actions) {
        const QString key = QKeySequence::mnemonic(a->text()).toString();
        if (key.isEmpty())
            continue;
        if (seen.contains(key))
            found << QStringLiteral("%1: %2 / %3").arg(key).arg(seen[key], a->text());
        seen.insert(key, a->text());
    }
    return found;
}

} // namespace

class LanguagesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestDatabase m_db;
    AppState m_state;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<frmMain> m_window;
    ScriptedDialogs m_dialogs;

    void switchTo(const QString &language)
    {
        QAction *items[] = {m_window->mnuSpråkNorsk, m_window->mnuSpråkDansk,
                            m_window->mnuSpråkSvensk};
        const int index = QStringList{"Norsk", "Dansk", "Svensk"}.indexOf(language);
        QVERIFY(index >= 0);
        items[index]->trigger();
    }

    QWidget *openSentList()
    {
        m_window->mnuSMSSent->trigger();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("frmSMSSent") && w->isVisible())
                return w;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        m_settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("settings.ini")));
        m_state.DBPath = m_db.path();
        m_state.CurrentUserName = QStringLiteral("Forvaltermann");
        m_state.CurrentSecurityLevel = QStringLiteral("6");
        m_state.CurrentComputerName = QStringLiteral("PC-TEST");
        m_window = std::make_unique<frmMain>(m_state);
        m_window->setSettings(m_settings.get());
        m_window->Form_Load();
    }

    void cleanupTestCase()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w != m_window.get() && w->objectName().startsWith(QLatin1String("frm")))
                w->close();
        }
        m_window.reset();
    }

    // Norsk last, so that going back shows the Norwegian texts again over Swedish ones.
    void captions_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("countryCode");
        QTest::addColumn<QStringList>("menus");   // File, SMS > Sent, Help > About
        QTest::addColumn<QStringList>("buttons"); // new user, register, delete
        QTest::addColumn<QStringList>("labels");  // modem status, user list, account
        QTest::addColumn<QStringList>("tabs");    // new users, all users
        QTest::addColumn<QStringList>("headers"); // user grid: surname, valid from
        QTest::addColumn<QStringList>("sent");    // close, delete, to-number, surname heading
        QTest::newRow("Dansk") << "Dansk"
                               << "45" << QStringList{"&Filer", "Sendte", "&Om"}
                               << QStringList{"Ny bruger", "Registrer / opdater bruger",
                                              "Slet bruger"}
                               << QStringList{"Modemstatus", "BRUGEROVERSIGT", "Konto"}
                               << QStringList{"Nye", "Alle"}
                               << QStringList{"Efternavn", "Gyldig fra"}
                               << QStringList{"&Luk", "&Slet", "Nummer", "Efternavn"};
        QTest::newRow("Svensk") << "Svensk"
                                << "46" << QStringList{"&Arkiv", "Skickade", "&Om"}
                                << QStringList{"Ny användare", "Registrera / uppdatera användare",
                                               "Ta bort användare"}
                                << QStringList{"Modemstatus", "ANVÄNDARÖVERSIKT", "Konto"}
                                << QStringList{"Nya", "Alla"}
                                << QStringList{"Efternamn", "Giltig från"}
                                << QStringList{"&Stäng", "&Ta bort", "Nummer", "Efternamn"};
        QTest::newRow("back to Norsk")
            << "Norsk"
            << "47" << QStringList{"&File", "Sent", "&About "}
            << QStringList{"Ny Bruker", "Registrer / Oppdater Bruker", "Slett Bruker"}
            << QStringList{"Modem Status", "BRUKEROVERSIKT", "Konto"} << QStringList{"Nye", "Alle"}
            << QStringList{"Etternavn", "Dato Fra"}
            << QStringList{"&Avslutt", "&Slett", "Til", "Etternavn"};
    }

    void captions()
    {
        QFETCH(QString, language);
        QFETCH(QString, countryCode);
        QFETCH(QStringList, menus);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, tabs);
        QFETCH(QStringList, headers);
        QFETCH(QStringList, sent);
        frmMain &w = *m_window;
        m_state.SelectedUserTab = w.texts.NewUsersTabText;
        switchTo(language);
        QCOMPARE(m_dialogs.texts(), QStringList());
        QCOMPARE(m_state.CountryCode, countryCode);

        QCOMPARE((QStringList{w.mnuFile->title(), w.mnuSMSSent->text(), w.mnuHelpAbout->text()}),
                 menus);
        QCOMPARE((QStringList{w.cmdNyBruker->text(), w.CommandRegistrerBruker->text(),
                              w.CommandSlettBruker->text()}),
                 buttons);
        QCOMPARE(
            (QStringList{w.LblModemStatus->text(), w.lblbrukertabell->text(), w.KontoLBL->text()}),
            labels);
        QTabBar *tabBar = w.TabStrip1;
        QVERIFY(tabBar->count() >= 2);
        QCOMPARE((QStringList{tabBar->tabText(0), tabBar->tabText(tabBar->count() - 1)}), tabs);
        // The new-users list stays chosen under its new caption.
        QCOMPARE(tabBar->currentIndex(), 0);
        QCOMPARE(m_state.SelectedUserTab, tabs.first());
        QAbstractItemModel *grid = w.DataGrid1->model();
        QCOMPARE((QStringList{grid->headerData(1, Qt::Horizontal).toString(),
                              grid->headerData(3, Qt::Horizontal).toString()}),
                 headers);

        QWidget *list = openSentList();
        QVERIFY(list);
        auto *record = qobject_cast<RecordWindow *>(list);
        QVERIFY(record);
        QCOMPARE((QStringList{record->cmdClose->text(), record->cmdDelete->text(),
                              record->grdDataGrid->columnCaption(1),
                              record->grdDataGrid->columnCaption(4)}),
                 sent);
        list->close();
    }

    // Every menu of the main window keeps one letter per access key in the new languages.
    void accessKeysStayUnique_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Dansk") << "Dansk";
        QTest::newRow("Svensk") << "Svensk";
    }

    void accessKeysStayUnique()
    {
        QFETCH(QString, language);
        switchTo(language);
        QStringList found = clashes(m_window->menuBar()->actions());
        for (QMenu *menu : m_window->menuBar()->findChildren<QMenu *>())
            found << clashes(menu->actions());
        switchTo(QStringLiteral("Norsk"));
        QCOMPARE(found, QStringList());
    }
};

QTEST_MAIN(LanguagesTest)
#include "tst_languages.moc"

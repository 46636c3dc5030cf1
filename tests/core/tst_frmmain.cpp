// The main window offscreen: load, activation, unload, menus, help and language.

#include "admin/MainViews.h"
#include "core/DatabaseMenu.h"
#include "core/mainwindow/WindowFactory.h"
#include "core/mainwindow/frmMain.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/settings/Settings.h"
#include "platform/ui/WindowRegistry.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

using namespace portiva;

namespace
{

class RecordingForm : public QWidget
{
public:
    RecordingForm(const QString &name, QStringList &closed) : m_closed(closed)
    {
        setObjectName(name);
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        m_closed << objectName();
        event->accept();
    }

private:
    QStringList &m_closed;
};

class FakeFactory : public WindowFactory
{
public:
    explicit FakeFactory(AppState &state) : m_state(state) {}
    QWidget *create(WindowKind kind) override
    {
        if (throwOnLoad)
            throw Error(QStringLiteral("no such table: KEYTable"));
        if (kind == WindowKind::frmLanguage)
            return nullptr;
        showSentAtLoad << m_state.ShowSentSMS;
        auto *w = new QWidget;
        w->setObjectName(windowKindName(kind));
        if (size.isValid())
            w->resize(size);
        created << w;
        return w;
    }
    bool throwOnLoad = false;
    QSize size;
    QList<QPointer<QWidget>> created;
    QList<bool> showSentAtLoad;

private:
    AppState &m_state;
};

} // namespace

class FrmMainTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_settingsCount = 0;

    // A window on a fresh database copy, with its own settings file.
    struct Fixture {
        TestDatabase db;
        AppState state;
        std::unique_ptr<Settings> settings;
        QString settingsPath;
        std::unique_ptr<frmMain> window;
    };

    std::unique_ptr<Fixture> fixture(const QString &userName = "Forvaltermann",
                                     const QString &level = "6")
    {
        auto f = std::make_unique<Fixture>();
        f->settingsPath = m_dir.filePath(QStringLiteral("settings%1.ini").arg(++m_settingsCount));
        f->settings = std::make_unique<Settings>(f->settingsPath);
        f->state.DBPath = f->db.path();
        f->state.CurrentUserName = userName;
        f->state.CurrentSecurityLevel = level;
        f->state.CurrentComputerName = "PC-TEST";
        f->window = std::make_unique<frmMain>(f->state);
        f->window->setSettings(f->settings.get());
        f->window->setClock([] { return QDate(2026, 3, 5); });
        return f;
    }

    static QVariant stored(const Fixture &f, const QString &key)
    {
        QSettings ini(f.settingsPath, QSettings::IniFormat);
        return ini.value(QStringLiteral("Settings/") + key);
    }

private slots:
    void everyControlIsLaidOut()
    {
        AppState state;
        frmMain w(state);
        const QStringList widgets = {"KeyTXT(0)",
                                     "KeyTXT(1)",
                                     "UpDown1",
                                     "lblKEYdata",
                                     "LblKeyName",
                                     "Txtfields(0)",
                                     "Txtfields(5)",
                                     "FraTid",
                                     "TilTid",
                                     "DTPickerFrom",
                                     "DTPickerTo",
                                     "Saldo",
                                     "UpDown3",
                                     "Label2",
                                     "cmdNyBruker",
                                     "CommandRegistrerBruker",
                                     "CommandSlettBruker",
                                     "CmdSMSDoor",
                                     "CommandSendSMS",
                                     "TabStrip1",
                                     "DataGrid1",
                                     "lblbrukertabell",
                                     "SMSRectxt(4)",
                                     "PhoneDisplay",
                                     "ArrowLeft",
                                     "ArrowRight",
                                     "UpDown2",
                                     "LblModemStatus",
                                     "Image1",
                                     "Image2",
                                     "PhoneOn",
                                     "PhoneOff",
                                     "ModemResponse",
                                     "Modemdata(4)",
                                     "LabelTCPIP",
                                     "lblHostName",
                                     "lblPort",
                                     "Line1",
                                     "txtHostName",
                                     "txtPort",
                                     "cmdConnect",
                                     "cmdDisconnect",
                                     "Command2",
                                     "Command3",
                                     "ComShowCom",
                                     "txtMessages",
                                     "rtfTerminalScreen",
                                     "sbStatusBar",
                                     "Panel1",
                                     "Panel2",
                                     "Panel3"};
        for (const QString &name : widgets)
            QVERIFY2(w.findChild<QWidget *>(name), qPrintable(name));
        for (const char *name : {"mnuFilePrintKEY", "mnuComPortWinsock", "mnuSpråkLanguage",
                                 "mnuHelpAbout", "mnuSMSSendingsbekreftelsePå", "mnuComPort"})
            QVERIFY2(w.findChild<QAction *>(name), name);
        QCOMPARE(w.findChild<QTimer *>("TimerSEND_SMS")->interval(), 10000);
        QCOMPARE(w.findChild<QTimer *>("TimerCom")->interval(), 1000);
        QCOMPARE(w.mnuHelpAbout->text(), QString("&About "));
        QVERIFY(w.Txtfields[3]->isReadOnly());
        QCOMPARE(w.ComShowCom->text(), QString("Vis Modemkommunikasjon"));
    }

    // A long modem line keeps to the status frame's width; the user grid keeps its room.
    void longModemLineKeepsTheLayout()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *panel = w.findChild<QWidget *>("ModemPanel");
        const int panelWidth = panel->width();
        const int gridWidth = w.DataGrid1->width();
        const QString line = QString("+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"24/12/31,"
                                     "23:59:59+04\" ")
                                 .repeated(6);
        w.ModemResponse->setText(line);
        QTest::qWait(50);
        QCOMPARE(panel->width(), panelWidth);
        QCOMPARE(w.DataGrid1->width(), gridWidth);
        QCOMPARE(w.ModemResponse->text(), line);
        QVERIFY(w.ModemResponse->width() < w.ModemResponse->fontMetrics().horizontalAdvance(line));
    }

    void loadWithoutSettings()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        w.show();
        QVERIFY(dialogs.calls().isEmpty());
        // With no size stored the window is as large as its controls need, inside the screen.
        // It starts at the default corner unless that would push it past the screen's edge.
        const QRect frame = w.frameGeometry();
        QVERIFY(pixelsToTwips(frame.x(), w.logicalDpiX()) <= 1015);
        auto *scroll = w.findChild<QScrollArea *>("centralScroll");
        const QSize need = scroll->widget()->sizeHint();
        const QRect room = w.screen()->availableGeometry();
        QVERIFY(room.contains(frame));
        const int bar = scroll->verticalScrollBar()->sizeHint().width();
        if (need.width() + bar < room.width() - 16)
            QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        if (need.height() + 60 < room.height() - 48)
            QVERIFY(!scroll->verticalScrollBar()->isVisible());
        QCOMPARE(f->state.SelectedKeyNummer, QString("1"));
        QCOMPARE(f->state.CountryCode, QString("47"));
        QCOMPARE(f->state.LogoCountryCode, QString("47"));
        QCOMPARE(f->state.LastComPort, 0);
        QCOMPARE(w.txtHostName->text(), QString("127.0.0.1"));
        QCOMPARE(w.txtPort->text(), QString("23"));
        QVERIFY(w.mnuSMSSendingsbekreftelseAv->isChecked());
        QVERIFY(!w.mnuSMSSendingsbekreftelsePå->isChecked());
        QVERIFY(!w.TimerCom->isActive());
        QCOMPARE(w.FraTid->count(), 25);
        QCOMPARE(w.FraTid->itemText(24), QString("24"));
        QCOMPARE(w.FraTid->currentText(), QString("00"));
        QCOMPARE(w.TilTid->currentText(), QString("24"));
        QCOMPARE(f->state.SelectedUserTab, QString("Nye"));
        QVERIFY(w.HelpFile.endsWith("/RIZERUDO.html"));
        QVERIFY(f->state.SharedConnection);

        w.close();
        QCOMPARE(stored(*f, "KeySelect").toString(), QString("1"));
        QCOMPARE(stored(*f, "LastComPort").toString(), QString("0"));
        QCOMPARE(stored(*f, "SMSREPORT").toString(), QString("False"));
        QCOMPARE(stored(*f, "CountryCode").toString(), QString("47"));
        QCOMPARE(stored(*f, "LogoCountryCode").toString(), QString("47"));
        QCOMPARE(stored(*f, "HostName").toString(), QString("127.0.0.1"));
        QCOMPARE(stored(*f, "Port").toString(), QString("23"));
        QCOMPARE(stored(*f, "DBPath").toString(), f->db.path());
        QVERIFY(qAbs(stored(*f, "MainLeft").toInt() - pixelsToTwips(frame.x(), w.logicalDpiX())) <=
                15);
        QVERIFY(qAbs(stored(*f, "MainHeight").toInt() -
                     pixelsToTwips(frame.height(), w.logicalDpiY())) <= 15);
    }

    void badSettingStopsTheLoad_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("box");
        QTest::newRow("left") << "MainLeft"
                              << "abc" << vb::errorDescription(vb::TypeMismatch) + "\rForm Load";
        QTest::newRow("port") << "LastComPort"
                              << "256" << vb::errorDescription(vb::Overflow) + "\rForm Load";
        QTest::newRow("report") << "SMSREPORT"
                                << "maybe"
                                << vb::errorDescription(vb::TypeMismatch) + "\rForm Load";
    }
    void badSettingStopsTheLoad()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, box);
        auto f = fixture();
        f->settings->setText(key, value);
        f->window->TimerCom->setInterval(5);
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        QCOMPARE(dialogs.texts(), QStringList{box});
        // The steps after the failing one did not run.
        QVERIFY(!f->state.SharedConnection);
        QCOMPARE(f->window->TimerCom->interval(), 5);
    }

    void badSettingKeepsTheUnreadOnesStored()
    {
        auto f = fixture();
        f->settings->setText("MainLeft", "abc");
        f->settings->setText("KeySelect", "+4791000001");
        f->settings->setText("HostName", "modem.example");
        f->settings->setText("Port", "2323");
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        QCOMPARE(dialogs.texts(),
                 QStringList{vb::errorDescription(vb::TypeMismatch) + "\rForm Load"});
        f->window->show();
        f->window->close();
        // The unreadable value is replaced, the ones the load never came to are kept.
        bool number = false;
        stored(*f, "MainLeft").toString().toInt(&number);
        QVERIFY(number);
        QCOMPARE(stored(*f, "KeySelect").toString(), QString("+4791000001"));
        QCOMPARE(stored(*f, "HostName").toString(), QString("modem.example"));
        QCOMPARE(stored(*f, "Port").toString(), QString("2323"));
    }

    void missingModemRowIsReported()
    {
        auto f = fixture();
        f->db.connection()->exec("DELETE FROM Modem");
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        QCOMPARE(dialogs.texts(), QStringList{noCurrentRowText() + "\rForm Load"});
        QCOMPARE(f->window->FraTid->count(), 0);
        // Shutdown still saves the settings.
        f->window->show();
        f->window->close();
        QCOMPARE(stored(*f, "CountryCode").toString(), QString("47"));
    }

    void languageTableMenuForTheFixedOperator_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("visible");
        QTest::newRow("exact") << "Forvaltermann" << true;
        QTest::newRow("upper") << "FORVALTERMANN" << true;
        QTest::newRow("lower") << "forvaltermann" << true;
        QTest::newRow("other") << "Forvalter" << false;
    }
    void languageTableMenuForTheFixedOperator()
    {
        QFETCH(QString, user);
        QFETCH(bool, visible);
        auto f = fixture(user);
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        QCOMPARE(f->window->mnuSpråkLanguage->isVisible(), visible);
    }

    void activationNudgesTheSendTimer_data()
    {
        QTest::addColumn<bool>("queueNotEmpty");
        QTest::addColumn<int>("interval");
        QTest::newRow("queue empty") << false << 3000;
        QTest::newRow("queue busy") << true << 10000;
    }
    void activationNudgesTheSendTimer()
    {
        QFETCH(bool, queueNotEmpty);
        QFETCH(int, interval);
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        QWidget other;
        registerForm(&other);
        WindowRegistry::instance().setActiveForm(&other);
        w.QueueNotEmpty = queueNotEmpty;
        w.Txtfields[0]->setText("+4712345678");
        WindowRegistry::instance().setActiveForm(&w);
        QCOMPARE(w.TimerSEND_SMS->interval(), interval);
        QVERIFY(w.TimerSEND_SMS->isActive());
        QCOMPARE(w.Txtfields[0]->text(), QString());
        QCOMPARE(w.DTPickerTo->date(), QDate(2026, 3, 7));

        // A box over the window is no change of form: the input stays.
        w.Txtfields[0]->setText("+4712345678");
        dialogs.msgBox("hello");
        QCOMPARE(w.Txtfields[0]->text(), QString("+4712345678"));

        w.TimerSEND_SMS->setInterval(10000);
        WindowRegistry::instance().setActiveForm(&other);
        QCOMPARE(w.TimerSEND_SMS->interval(), interval);
        WindowRegistry::instance().unregisterForm(&other);
    }

    void closingWhileSendingWaits()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        w.show();
        f->state.ModemReady = true;
        w.QueueWorkerBusy = true;
        QVERIFY(!w.close());
        QCOMPARE(dialogs.texts(), QStringList{"Vent til SMS sending er ferdig"});
        QVERIFY(w.isVisible());
        QVERIFY(w.TimerSEND_SMS->isActive());
        QVERIFY(!stored(*f, "MainLeft").isValid());

        // Once the send is over, a close shuts down normally.
        w.QueueWorkerBusy = false;
        f->state.ModemReady = false;
        QVERIFY(w.close());
        QVERIFY(stored(*f, "MainLeft").isValid());
    }

    void unloadReleasesTheModemOnlyWhenReady_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::newRow("ready") << true;
        QTest::newRow("not ready") << false;
    }
    void unloadReleasesTheModemOnlyWhenReady()
    {
        QFETCH(bool, ready);
        auto f = fixture();
        f->db.connection()->exec("UPDATE Modem SET ModemStatus = -1, ModemOwner = 'PC-TEST', "
                                 "IMEICODE = '3530', ModemName = 'M', ModemManufacturer = 'W'");
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        w.show();
        f->state.ModemReady = ready;
        QVERIFY(w.close());
        auto row = Recordset::open(f->db.openConnection(),
                                   "select IMEICODE, ModemManufacturer, ModemName, ModemStatus, "
                                   "ModemOwner from Modem");
        QCOMPARE(row->RecordCount(), 1);
        QCOMPARE(row->toText("ModemOwner"), ready ? QString("?") : QString("PC-TEST"));
        QCOMPARE(row->toText("IMEICODE"), ready ? QString("0") : QString("3530"));
        QCOMPARE(row->value("ModemStatus").toBool(), !ready);
    }

    void closingClosesTheOtherFormsNewestFirst()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        f->window->show();
        QStringList closed;
        RecordingForm first("first", closed), second("second", closed);
        registerForm(&first);
        registerForm(&second);
        QVERIFY(f->window->close());
        QCOMPARE(closed, (QStringList{"second", "first"}));
    }

    void minimisedSavesNothing()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        f->window->Form_Load();
        f->window->showMinimized();
        f->state.CountryCode = "45";
        QVERIFY(f->window->close());
        QVERIFY(QSettings(f->settingsPath, QSettings::IniFormat).allKeys().isEmpty());
    }

    // A record window larger than the screen, or one the main window's corner would push past
    // the edge, opens inside the screen.
    void newWindowsOpenOnTheScreen_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("mainAt");
        QTest::newRow("fits") << QSize(300, 200) << QPoint(20, 20);
        QTest::newRow("below the edge") << QSize(400, 500) << QPoint(300, 350);
        QTest::newRow("larger than the screen") << QSize(3000, 2000) << QPoint(20, 20);
    }
    void newWindowsOpenOnTheScreen()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, mainAt);
        auto f = fixture();
        ScriptedDialogs dialogs;
        FakeFactory factory(f->state);
        factory.size = size;
        frmMain &w = *f->window;
        w.setWindowFactory(&factory);
        w.move(mainAt);
        w.mnuSMSSent->trigger();
        QCOMPARE(factory.created.size(), 1);
        QWidget *opened = factory.created.last();
        QVERIFY(QTest::qWaitForWindowExposed(opened));
        const QRect room = w.screen()->availableGeometry();
        QVERIFY2(room.contains(opened->frameGeometry()), qPrintable(QString("%1,%2 %3x%4")
                                                                        .arg(opened->x())
                                                                        .arg(opened->y())
                                                                        .arg(opened->width())
                                                                        .arg(opened->height())));
        if (room.width() > size.width() + 100 && room.height() > size.height() + 100)
            QCOMPARE(opened->size(), size);
        opened->close();
    }

    void menusOpenNewWindows()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        FakeFactory factory(f->state);
        frmMain &w = *f->window;
        w.setWindowFactory(&factory);
        w.mnuDatafrmKey->trigger();
        w.mnuDatafrmKey->trigger();
        QCOMPARE(factory.created.size(), 2);
        for (const auto &created : factory.created) {
            QCOMPARE(created->windowTitle(), QString("KEY Data"));
            QVERIFY(created->isVisible());
            QVERIFY(WindowRegistry::instance().isRegistered(created));
        }
        f->state.ShowSentSMS = false;
        w.mnuSMSSent->trigger();
        w.mnuSMSUnSent->trigger();
        QCOMPARE(factory.showSentAtLoad.mid(2), (QList<bool>{true, false}));
        QCOMPARE(factory.created.last()->windowTitle(), QString("Utboks"));
        // A caption's access-key marker is not part of the title.
        w.mnuDatafrmKey->setText("&KEY && Data");
        w.mnuDatafrmKey->trigger();
        QCOMPARE(factory.created.last()->windowTitle(), QString("KEY & Data"));
        QVERIFY(dialogs.calls().isEmpty());

        // A window of a later part of the program, and a load that fails.
        w.mnuSpråkLanguage->trigger();
        QVERIFY(dialogs.lastText().contains("not built yet"));
        factory.throwOnLoad = true;
        w.mnuDatafrmKatalog->trigger();
        QCOMPARE(dialogs.lastText(), QString("no such table: KEYTable"));
        for (const auto &created : factory.created)
            delete created.data();
    }

    void helpOpensTheFileBesideTheProgram()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        QStringList opened;
        bool viewerFound = true;
        w.setHelpOpener([&opened, &viewerFound](const QString &path) {
            opened << path;
            return viewerFound;
        });
        w.HelpFile = m_dir.filePath("RIZERUDO.html");
        w.mnuHelpHelp->trigger();
        QCOMPARE(dialogs.texts(), QStringList{"Finner ikke hjelpefilen " + w.HelpFile + "."});
        QVERIFY(opened.isEmpty());

        QFile file(w.HelpFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><h1>Portiva hjelp</h1></body></html>");
        file.close();
        w.helpShortcut->trigger();
        QCOMPARE(opened, QStringList{w.HelpFile});
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY(!w.findChild<QDialog *>("frmHelp"));
    }

    // No viewer on the desktop: F1 shows the file in the program's own window, titled in the
    // chosen language, and a second F1 brings the same window forward.
    void helpWithoutAViewerShowsItsOwnWindow_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("title");
        QTest::newRow("Norwegian") << "47"
                                   << "Hjelp";
        QTest::newRow("Danish") << "45"
                                << "Hjælp";
        QTest::newRow("Swedish") << "46"
                                 << "Hjälp";
    }
    void helpWithoutAViewerShowsItsOwnWindow()
    {
        QFETCH(QString, country);
        QFETCH(QString, title);
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.setHelpOpener([](const QString &) { return false; });
        w.HelpFile = m_dir.filePath("own-help.html");
        QFile file(w.HelpFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><h1>Portiva hjelp</h1><p>Registrer bruker</p></body></html>");
        file.close();
        setPhraseLanguage(country);
        w.helpShortcut->trigger();
        w.mnuHelpHelp->trigger();
        setPhraseLanguage("47");
        QVERIFY(dialogs.calls().isEmpty());
        const QList<QDialog *> shown = w.findChildren<QDialog *>("frmHelp");
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->isVisible());
        QCOMPARE(shown[0]->windowTitle(), title);
        auto *browser = shown[0]->findChild<QTextBrowser *>("HelpBrowser");
        QVERIFY(browser);
        QVERIFY(browser->toPlainText().contains("Registrer bruker"));
        shown[0]->close();
    }

    // Ten closes and reopens on one settings file: each starts where the last one ended.
    void closeAndReopenKeepsTheGeometry()
    {
        ScriptedDialogs dialogs;
        const QString path = m_dir.filePath(QStringLiteral("reopen.ini"));
        const std::pair<const char *, int> expected[] = {
            {"MainLeft", 1500}, {"MainTop", 1200}, {"MainWidth", 13500}, {"MainHeight", 10500}};
        {
            Settings s(path);
            for (const auto &[key, twips] : expected)
                s.setNumber(QLatin1String(key), twips);
        }
        for (int round = 1; round <= 10; ++round) {
            auto f = fixture();
            f->settingsPath = path;
            f->settings = std::make_unique<Settings>(path);
            f->window->setSettings(f->settings.get());
            f->window->show();
            QVERIFY(QTest::qWaitForWindowExposed(f->window.get()));
            f->window->close();
            for (const auto &[key, twips] : expected) {
                const int now = stored(*f, QLatin1String(key)).toInt();
                if (qAbs(now - twips) > 15)
                    QFAIL(qPrintable(
                        QStringLiteral("round %1: %2 is %3").arg(round).arg(key).arg(now)));
            }
        }
        QCOMPARE(dialogs.texts(), QStringList());
    }

    // A --database file is for its run; the File menu's choice is the operator's and is kept.
    void databaseOfTheCommandLineIsNotSaved_data()
    {
        QTest::addColumn<bool>("chooseFromMenu");
        QTest::newRow("command line only") << false;
        QTest::newRow("then chosen from the menu") << true;
    }

    void databaseOfTheCommandLineIsNotSaved()
    {
        QFETCH(bool, chooseFromMenu);
        auto f = fixture();
        ScriptedDialogs dialogs;
        const QString stored0 = QStringLiteral("/srv/site/Brimo02.mdb");
        f->settings->setText("DBPath", stored0);
        f->state.DBPathForThisRun = true;
        TestDatabase other;
        frmMain &w = *f->window;
        w.Form_Load();
        if (chooseFromMenu) {
            w.databaseMenu().setFileChooser(
                [&](QWidget *, const QString &) { return other.path(); });
            w.mnuFileDatabase->trigger();
            QCOMPARE(f->state.DBPath, other.path());
        }
        w.close();
        QCOMPARE(dialogs.texts(), QStringList());
        QCOMPARE(stored(*f, "DBPath").toString(), chooseFromMenu ? other.path() : stored0);
    }

    void languageMenuSwitchesTexts()
    {
        auto f = fixture();
        ScriptedDialogs dialogs;
        frmMain &w = *f->window;
        w.Form_Load();
        f->db.connection()->exec(
            "UPDATE TBLLanguage SET Svensk = 'Skickat' WHERE rowid = "
            "(SELECT rowid FROM TBLLanguage ORDER BY rowid LIMIT 1 OFFSET 13)");
        f->db.connection()->exec(
            "UPDATE TBLLanguage SET Svensk = 'Vänta' WHERE rowid = "
            "(SELECT rowid FROM TBLLanguage ORDER BY rowid LIMIT 1 OFFSET 222)");
        f->db.connection()->exec(
            "UPDATE TBLLanguage SET Svensk = 'Kto' WHERE rowid = "
            "(SELECT rowid FROM TBLLanguage ORDER BY rowid LIMIT 1 OFFSET 43)");
        w.mnuSpråkSvensk->trigger();
        // Validity mode puts back the account caption of the language, not the Norwegian one.
        w.Saldo->setText("5");
        w.Saldo->setText("0");
        QCOMPARE(w.KontoLBL->text(), QString("Kto"));
        QCOMPARE(f->state.CountryCode, QString("46"));
        QCOMPARE(f->state.LogoCountryCode, QString("46"));
        QCOMPARE(w.mnuSMSSent->text(), QString("Skickat"));
        QCOMPARE(w.texts.WaitForSendingText, QString("Vänta"));

        // A failing table read is shown and the program runs on.
        f->db.connection()->exec("DROP TABLE TBLLanguage");
        dialogs.clear();
        w.mnuSpråkDansk->trigger();
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY2(dialogs.texts().at(0).startsWith("Tabellen TBLLanguage mangler i databasen «"),
                 qPrintable(dialogs.texts().at(0)));
        QCOMPARE(w.mnuSMSSent->text(), QString("Skickat"));
    }
};

QTEST_MAIN(FrmMainTest)
#include "tst_frmmain.moc"

// The main window's menus open the catalogue, received-SMS, password and language-table
// windows: a new loaded instance per click, titled by the item, modeless.

#include "core/mainwindow/frmMain.h"
#include "helper_reports.h"
#include "platform/db/Connection.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/WindowRegistry.h"
#include "records/RecordWindow.h"
#include "tests/support/Forms.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

} // namespace

class RecordMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void menuOpensEachWindow_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("catalogue") << "mnuDatafrmKatalog"
                                   << "frmBrukere"
                                   << "Katalog";
        QTest::newRow("received") << "mnuSMSReceived"
                                  << "frmSMSReceived"
                                  << "Mottatt";
        QTest::newRow("passwords") << "mnuDatafrmPassWords"
                                   << "frmPassword"
                                   << "PassWords";
        // The caption "&Language Table" without its access-key marker.
        QTest::newRow("language table") << "mnuSpråkLanguage"
                                        << "frmLanguage"
                                        << "Language Table";
    }

    void menuOpensEachWindow()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        ReportFixture f;
        f.db.addDemoData();
        f.state.CurrentUserName = QString::fromLatin1(TestDatabase::OperatorName);
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>(item);
        QVERIFY(action);
        action->setEnabled(true);
        action->trigger();
        action->trigger();
        const QList<QWidget *> opened = formsNamed(window);
        QCOMPARE(opened.size(), 2); // a new instance each time
        QVERIFY(opened[0] != opened[1]);
        for (QWidget *w : opened) {
            QCOMPARE(w->windowTitle(), caption);
            QVERIFY(w->isVisible());
            QVERIFY(!w->isModal());
            QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
            auto *record = qobject_cast<RecordWindow *>(w);
            QVERIFY(record);
            QVERIFY(record->adoPrimaryRS()); // loaded before shown
            QVERIFY(record->connection() != f.state.SharedConnection);
        }
        QVERIFY2(dialogs.calls().isEmpty(), qPrintable(dialogs.lastText()));
        closeForms(opened);
        QVERIFY(formsNamed(window).isEmpty());
    }

    void failedLoadShowsNoWindow()
    {
        ReportFixture f;
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        f.state.ConnectionString = buildConnectionString(
            f.db.directory() + QStringLiteral("/gone.mdb"), databasePassword());
        auto *action = main.findChild<QAction *>(QStringLiteral("mnuSMSReceived"));
        action->setEnabled(true);
        action->trigger();
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY(formsNamed(QStringLiteral("frmSMSReceived")).isEmpty());
    }
};

QTEST_MAIN(RecordMenusTest)
#include "tst_recordmenus.moc"

// The main window's print menu opens the report windows.

#include "core/mainwindow/frmMain.h"
#include "helper_reports.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/WindowRegistry.h"
#include "tests/support/Forms.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

class ReportMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void printMenuOpensEachReport_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("users") << "mnuFilePrintBrukere"
                               << "frmPrintBrukere"
                               << "Print Brukere";
        QTest::newRow("catalogue") << "mnuFilePrintKatalog"
                                   << "frmPrintKatalog"
                                   << "Print Katalog";
        QTest::newRow("log") << "mnuFilePrintLogg"
                             << "frmPrintLogg"
                             << "Print Logg";
        QTest::newRow("key units") << "mnuFilePrintKEY"
                                   << "frmPrintKEY"
                                   << "Print KEY";
    }

    void printMenuOpensEachReport()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        ReportFixture f;
        f.db.addDemoData();
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>(item);
        QVERIFY(action);
        action->setEnabled(true);
        action->trigger();
        action->trigger();
        const QList<QWidget *> opened = formsNamed(window);
        QCOMPARE(opened.size(), 2); // a new instance each time
        for (QWidget *w : opened) {
            QCOMPARE(w->windowTitle(), caption);
            QVERIFY(w->isVisible());
            QVERIFY(!w->isModal());
            QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
            QVERIFY(w->findChild<DataGrid *>("DataGrid1")->recordset()); // loaded before shown
        }
        QVERIFY(dialogs.calls().isEmpty());
        closeForms(opened);
    }
};

QTEST_MAIN(ReportMenusTest)
#include "tst_reportmenus.moc"

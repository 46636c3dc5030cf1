// The key-log window: the log of the unit in view, the five request buttons with the reload
// timer they start, deleting a stored entry, and opening it from the main window's menu.

#include "core/mainwindow/frmMain.h"
#include "helper_reports.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/WindowRegistry.h"
#include "records/frmLOGG.h"
#include "tests/support/Forms.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QString unitA = QStringLiteral("+4791000001");
const QString unitB = QStringLiteral("+4791000002");

struct LogFixture : ReportFixture {
    LogFixture() { state.SelectedKeyNummer = unitA; }
    void addEntry(const QString &unit, const QString &user, const QString &dato)
    {
        exec(QStringLiteral("INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) "
                            "VALUES (?, ?, 'Ola', 'Nordmann', ?)"),
             {unit, user, dato});
    }
    std::unique_ptr<frmLOGG> open()
    {
        return std::unique_ptr<frmLOGG>(RecordWindow::loaded<frmLOGG>(state));
    }
    // "TilNummer|SMS_Text|CMGS|Etternavn" of every queued row, in ID order.
    QStringList queue()
    {
        auto rs = Recordset::open(db.connection(),
                                  QStringLiteral("SELECT TilNummer, SMS_Text, CMGS, Etternavn "
                                                 "FROM SMS_Sent ORDER BY ID"));
        QStringList rows;
        for (; !rs->EOF(); rs->MoveNext())
            rows << QStringList{rs->toTextOr(0, "-"), rs->toTextOr(1, "-"), rs->toTextOr(2, "-"),
                                rs->toTextOr(3, "-")}
                        .join(u'|');
        return rows;
    }
};

// "KeyUser Dato" of the grid's rows, top to bottom.
QStringList entries(const RecordWindow &w)
{
    QStringList list;
    const QAbstractItemModel *model = w.grdDataGrid->model();
    for (int r = 0; r < model->rowCount(); ++r)
        list << model->index(r, 1).data().toString() + u' ' + model->index(r, 2).data().toString();
    return list;
}

} // namespace

class KeyLogWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The unit's own entries, sorted as the text of their day-first dates.
    void listsTheSelectedUnitsLog()
    {
        LogFixture f;
        f.addEntry(unitA, "+4740000001", "02/11,08:00");
        f.addEntry(unitB, "+4740000002", "01/01,09:00");
        f.addEntry(unitA, "+4740000003", "01/12,10:30");
        f.state.CountryCode = QStringLiteral("99"); // the window's own headings
        ScriptedDialogs dialogs;
        auto w = f.open();
        QCOMPARE(entries(*w), (QStringList{"+4740000003 01/12,10:30", "+4740000001 02/11,08:00"}));
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(w->grdDataGrid->model()->headerData(0, Qt::Horizontal).toString(),
                 QString::fromUtf8("Dør"));
        QVERIFY(!w->findChild<QPushButton *>("cmdRefresh"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void emptyLogLoads()
    {
        LogFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QVERIFY(entries(*w).isEmpty());
        QVERIFY(dialogs.calls().isEmpty());
    }

    void requestButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("5") << "Command1"
                           << "Hent LOGG(5)"
                           << "r5";
        QTest::newRow("10") << "Command2"
                            << "Hent LOGG(10)"
                            << "r10";
        QTest::newRow("25") << "Command3"
                            << "Hent LOGG(25)"
                            << "r25";
        QTest::newRow("50") << "Command4"
                            << "Hent LOGG(50)"
                            << "r50";
        QTest::newRow("100") << "Command5"
                             << "Hent LOGG(100)"
                             << "r100";
    }

    // Each button queues its request to the unit selected at the click, once however often it
    // is pressed, and starts the reload timer.
    void requestButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        LogFixture f;
        f.state.CountryCode = QStringLiteral("99");
        ScriptedDialogs dialogs;
        auto w = f.open();
        auto *b = w->findChild<QPushButton *>(button);
        QVERIFY(b);
        QCOMPARE(b->text(), caption);
        QVERIFY(!w->Timer1->isActive());
        QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 10000);
        QCOMPARE(f.queue(), QStringList{unitA + "|" + text + "|UNSENT|Hovedport"});
        QVERIFY(dialogs.calls().isEmpty());
    }

    // The grid keeps the unit of its last load; the request goes where the program points now.
    void requestGoesToUnitSelectedAtClick()
    {
        LogFixture f;
        f.addEntry(unitA, "+4740000001", "02/11,08:00");
        ScriptedDialogs dialogs;
        auto w = f.open();
        f.state.SelectedKeyNummer = unitB;
        f.state.SelectedKeyName.clear();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(f.queue(), QStringList{unitB + "|r5|UNSENT|-"});
        QCOMPARE(entries(*w), QStringList{"+4740000001 02/11,08:00"});
    }

    // A window never used for a request does not reload; once it asked, the next reload the
    // received SMS ask for shows the listing that arrived.
    void reloadOnlyAfterARequest()
    {
        LogFixture f;
        ScriptedDialogs dialogs;
        f.state.ReloadRequested = true;
        auto idle = f.open();
        QVERIFY(!f.state.ReloadRequested);
        auto asking = f.open();
        QVERIFY(!idle->Timer1->isActive());
        QTest::mouseClick(asking->Command2, Qt::LeftButton);
        f.addEntry(unitA, "+4740000009", "03/03,03:03");
        f.state.ReloadRequested = true;
        QVERIFY(!idle->Timer1->isActive());
        QVERIFY(asking->Timer1->isActive());
        asking->Timer1_Timer();
        QVERIFY(!f.state.ReloadRequested);
        QCOMPARE(entries(*asking), QStringList{"+4740000009 03/03,03:03"});
        QVERIFY(entries(*idle).isEmpty());
        QVERIFY(asking->Timer1->isActive()); // never stopped again
    }

    // Only the stored copy of the entry goes; the unit keeps its own log.
    void deleteRemovesStoredEntry()
    {
        LogFixture f;
        f.addEntry(unitA, "+4740000001", "02/11,08:00");
        f.addEntry(unitA, "+4740000003", "01/12,10:30");
        ScriptedDialogs dialogs;
        auto w = f.open();
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT group_concat(KeyUser) FROM LOGGData")).toString(),
                 QStringLiteral("+4740000001"));
        QCOMPARE(entries(*w), QStringList{"+4740000001 02/11,08:00"});
    }

    void headingSort()
    {
        LogFixture f;
        f.addEntry(unitA, "+4740000002", "01/12,10:30");
        f.addEntry(unitA, "+4740000001", "02/11,08:00");
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->grdDataGrid_HeadClick(1);
        QCOMPARE(w->sortField(), QStringLiteral("keyuser"));
        QCOMPARE(entries(*w), (QStringList{"+4740000001 02/11,08:00", "+4740000002 01/12,10:30"}));
        w->grdDataGrid_HeadClick(2);
        QCOMPARE(entries(*w), (QStringList{"+4740000002 01/12,10:30", "+4740000001 02/11,08:00"}));
    }

    void menuOpensWindow()
    {
        LogFixture f;
        f.addEntry(unitA, "+4740000001", "02/11,08:00");
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>("mnuDatafrmKeyLogg");
        QVERIFY(action);
        action->setEnabled(true);
        f.state.SelectedKeyNummer = unitA;
        action->trigger();
        frmLOGG *opened = newestForm<frmLOGG>();
        QVERIFY(opened);
        QCOMPARE(opened->windowTitle(), action->text());
        QVERIFY(opened->isVisible());
        QCOMPARE(entries(*opened), QStringList{"+4740000001 02/11,08:00"});
        QVERIFY(dialogs.calls().isEmpty());
        opened->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(KeyLogWindowTest)
#include "tst_keylogwindow.moc"

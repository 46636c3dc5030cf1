// The sent-SMS window: which rows each list holds, the list kept for the window's life, the
// heading sort, deleting (withdrawing a queued SMS, refused for one sent meanwhile), its
// texts, and opening it from the main window's two SMS menu items.

#include "core/mainwindow/frmMain.h"
#include "helper_reports.h"
#include "modem/SendQueue.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/WindowRegistry.h"
#include "records/frmSMSSent.h"
#include "tests/support/Forms.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

struct SentFixture : ReportFixture {
    // One row per send state, IDs 1-6 in this order.
    void addStates()
    {
        const QVariantList states{QStringLiteral("UNSENT"), QStringLiteral("SLETTET"),
                                  QStringLiteral("Error"),  QStringLiteral("12"),
                                  QStringLiteral("12:OK"),  QVariant()};
        int n = 0;
        for (const QVariant &cmgs : states)
            exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, Fornavn, "
                                "SMS_Text, CMGS, Dato, DatoLNG) VALUES (?, ?, ?, ?, ?, "
                                "'2024-03-01', 45352)"),
                 {QStringLiteral("+4790000001"), QStringLiteral("90000001"),
                  QStringLiteral("F%1").arg(6 - n), QStringLiteral("T%1").arg(++n), cmgs});
    }

    // count rows, IDs 1.., every fifth still queued.
    void addMany(int count)
    {
        exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < ?) INSERT INTO SMS_Sent (TilNummer, TilNummerKort, "
                            "SMS_Text, CMGS, Dato) SELECT '+4790000001', '90000001', 'T' || i, "
                            "CASE i % 5 WHEN 0 THEN 'UNSENT' ELSE '17:OK' END, '2024-03-01' "
                            "FROM n"),
             {count});
    }

    std::unique_ptr<frmSMSSent> open(bool sent)
    {
        state.ShowSentSMS = sent;
        std::unique_ptr<frmSMSSent> w(RecordWindow::loaded<frmSMSSent>(state));
        return w;
    }
};

// The IDs the grid lists, top to bottom.
QStringList ids(const RecordWindow &w)
{
    QStringList list;
    const QAbstractItemModel *model = w.grdDataGrid->model();
    for (int r = 0; r < model->rowCount(); ++r)
        list << model->index(r, 0).data().toString();
    return list;
}

} // namespace

class SentWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void listsBySendState_data()
    {
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QStringList>("expected");
        // A row without a send state has left the queue: every row is in one list.
        QTest::newRow("sent") << true << QStringList{"3", "4", "5", "6"};
        QTest::newRow("outbox") << false << QStringList{"1", "2"};
    }

    void listsBySendState()
    {
        QFETCH(bool, sent);
        QFETCH(QStringList, expected);
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        auto w = f.open(sent);
        QCOMPARE(w->view(), sent ? SentView::Sent : SentView::Outbox);
        QCOMPARE(ids(*w), expected);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void everySendStateIsInOneList_data()
    {
        QTest::addColumn<QVariant>("cmgs");
        QTest::addColumn<bool>("sent");
        QTest::newRow("queued") << QVariant(QStringLiteral("UNSENT")) << false;
        QTest::newRow("withdrawn") << QVariant(QStringLiteral("SLETTET")) << false;
        for (const char *state : {"17", "17:OK", "17:Fail 70", "ERROR", "Error", "",
                                  "Sendes fra PC-A", "Avbrutt, kanskje sendt"})
            QTest::addRow("'%s'", state) << QVariant(QString::fromLatin1(state)) << true;
        QTest::newRow("Null") << QVariant() << true;
    }

    void everySendStateIsInOneList()
    {
        QFETCH(QVariant, cmgs);
        QFETCH(bool, sent);
        SentFixture f;
        f.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS) VALUES "
                              "('+4790000001', 'T', ?)"),
               {cmgs});
        ScriptedDialogs dialogs;
        auto sentList = f.open(true);
        auto outbox = f.open(false);
        QCOMPARE(ids(*sentList).size(), sent ? 1 : 0);
        QCOMPARE(ids(*outbox).size(), sent ? 0 : 1);
    }

    // The interrupted send's words read whole in the send-state column, also after a refresh;
    // the queue list keeps the grid's own width.
    void interruptedSendReadsWhole()
    {
        SentFixture f;
        f.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS) VALUES "
                              "('+4790000001', 'T', ?)"),
               {interruptedSendText()});
        ScriptedDialogs dialogs;
        auto w = f.open(true);
        const QFontMetrics metrics(w->grdDataGrid->font());
        const int column = 6; // CMGS, after ID, recipient, date, names and text
        const QModelIndex cell = w->grdDataGrid->model()->index(0, column);
        QCOMPARE(cell.data().toString(), interruptedSendText());
        for (int pass = 0; pass < 2; ++pass) {
            const QRect room = w->grdDataGrid->visualRect(cell);
            QVERIFY2(metrics.horizontalAdvance(interruptedSendText()) + 4 <= room.width(),
                     qPrintable(QStringLiteral("%1 px").arg(room.width())));
            w->cmdRefresh->click();
        }
        auto outbox = f.open(false);
        QCOMPARE(outbox->grdDataGrid->columnWidth(column),
                 outbox->grdDataGrid->horizontalHeader()->defaultSectionSize());
    }

    // A long history shows its first screen before its last rows are read; the rest arrive
    // while the event loop runs, in the list's order.
    void firstScreenBeforeAllRows_data()
    {
        QTest::addColumn<bool>("sent");
        QTest::newRow("sent") << true;
        QTest::newRow("outbox") << false;
    }

    void firstScreenBeforeAllRows()
    {
        QFETCH(bool, sent);
        const int total = 4000;
        SentFixture f;
        f.addMany(total);
        ScriptedDialogs dialogs;
        auto w = f.open(sent);
        w->show();
        QVERIFY(w->isVisible());
        const QAbstractItemModel *model = w->grdDataGrid->model();
        const int listed = sent ? total - total / 5 : total / 5;
        const int first = model->rowCount();
        QVERIFY2(first >= 100 && first < listed, qPrintable(QString::number(first)));
        QVERIFY(w->adoPrimaryRS()->streaming());
        QCOMPARE(model->index(0, 0).data().toString(), sent ? QStringLiteral("1") : "5");
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QTRY_COMPARE(model->rowCount(), listed);
        QVERIFY(!w->adoPrimaryRS()->streaming());
        const QStringList shown = ids(*w);
        QCOMPARE(shown.last(), QString::number(sent ? total - 1 : total));
        QCOMPARE(shown.size(), w->adoPrimaryRS()->RecordCount());
        QVERIFY(dialogs.calls().isEmpty());
    }

    void emptyListLoads()
    {
        SentFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open(true);
        QVERIFY(ids(*w).isEmpty());
        QVERIFY(dialogs.calls().isEmpty());
    }

    // Opening the other list changes ShowSentSMS program-wide; a window opened before keeps
    // its own list at every reload and refresh.
    void listKeptAcrossReloadAndRefresh()
    {
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        auto sent = f.open(true);
        auto outbox = f.open(false);
        QVERIFY(!f.state.ShowSentSMS);
        f.state.ReloadRequested = true;
        sent->Timer1_Timer();
        QVERIFY(!f.state.ReloadRequested);
        QCOMPARE(ids(*sent), (QStringList{"3", "4", "5", "6"}));
        QTest::mouseClick(sent->cmdRefresh, Qt::LeftButton);
        QCOMPARE(ids(*sent), (QStringList{"3", "4", "5", "6"}));
        QCOMPARE(ids(*outbox), (QStringList{"1", "2"}));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void reloadTimerRunsFromLoad()
    {
        SentFixture f;
        ScriptedDialogs dialogs;
        f.state.ReloadRequested = true;
        auto w = f.open(false);
        QVERIFY(!f.state.ReloadRequested); // the load took it
        QVERIFY(w->Timer1 && w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 10000);
        // Rows queued after the load show at the next reload the flag asks for.
        f.exec(QStringLiteral("INSERT INTO SMS_Sent (SMS_Text, CMGS) VALUES ('x', 'UNSENT')"));
        w->Timer1_Timer();
        QCOMPARE(ids(*w).size(), 0);
        f.state.ReloadRequested = true;
        w->Timer1_Timer();
        QCOMPARE(ids(*w), QStringList{"1"});
    }

    void headingSort_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("times column first: ID")
            << QList<int>{8} << "ID" << QStringList{"3", "4", "5", "6"};
        QTest::newRow("first name")
            << QList<int>{3} << "fornavn" << QStringList{"6", "5", "4", "3"};
        QTest::newRow("status after first name keeps it")
            << QList<int>{3, 9} << "fornavn" << QStringList{"6", "5", "4", "3"};
        QTest::newRow("text") << QList<int>{3, 5} << "SMS_text" << QStringList{"3", "4", "5", "6"};
    }

    void headingSort()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, field);
        QFETCH(QStringList, expected);
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        auto w = f.open(true);
        for (int column : clicks)
            w->grdDataGrid_HeadClick(column);
        QCOMPARE(w->sortField(), field);
        QCOMPARE(ids(*w), expected);
        QVERIFY(dialogs.calls().isEmpty());
    }

    // Deleting a queued row withdraws it: the send worker never finds it.
    void deleteWithdrawsQueuedRow()
    {
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        auto w = f.open(false);
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QVERIFY(dialogs.calls().isEmpty()); // no question
        QVERIFY(f.scalar(QStringLiteral("SELECT count(*) FROM SMS_Sent WHERE ID = 1")).toInt() ==
                0);
        QCOMPARE(ids(*w), QStringList{"2"});
    }

    // A row the worker sent since the window loaded is history now: the delete is refused
    // with the reason, and the row stays.
    void deleteOfRowSentMeanwhileIsRefused()
    {
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        auto w = f.open(false);
        f.db.openConnection()->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = '17' WHERE ID = 1"));
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY(!dialogs.lastText().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT CMGS FROM SMS_Sent WHERE ID = 1")).toString(),
                 QStringLiteral("17"));
    }

    void textsFromLanguageTable()
    {
        SentFixture f;
        f.setLanguageText(117, QStringLiteral("Dansk"), QStringLiteral("Besked nr."));
        f.setLanguageText(109, QStringLiteral("Dansk"), QStringLiteral("&Genindlæs"));
        f.setLanguageText(118, QStringLiteral("Dansk"), QString());
        ScriptedDialogs dialogs;
        f.state.CountryCode = QStringLiteral("45");
        auto w = f.open(true);
        const QAbstractItemModel *model = w->grdDataGrid->model();
        QCOMPARE(model->headerData(6, Qt::Horizontal).toString(), QStringLiteral("Besked nr."));
        QCOMPARE(model->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Tid Sendt"));
        QCOMPARE(w->cmdRefresh->text(), QString::fromUtf8("&Genindlæs"));
        // A code with no column of its own keeps the window's own texts.
        f.state.CountryCode = QStringLiteral("99");
        auto untranslated = f.open(true);
        QCOMPARE(untranslated->cmdRefresh->text(), QStringLiteral("Opp&frisk"));
        QCOMPARE(untranslated->grdDataGrid->model()->headerData(6, Qt::Horizontal).toString(),
                 QStringLiteral("Meld.No"));
    }

    void menuItemsOpenTheirList_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("sent");
        QTest::newRow("sent") << "mnuSMSSent" << true;
        QTest::newRow("outbox") << "mnuSMSUnSent" << false;
    }

    void menuItemsOpenTheirList()
    {
        QFETCH(QString, item);
        QFETCH(bool, sent);
        SentFixture f;
        f.addStates();
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>(item);
        QVERIFY(action);
        action->setEnabled(true);
        f.state.ShowSentSMS = !sent;
        action->trigger();
        frmSMSSent *opened = newestForm<frmSMSSent>();
        QVERIFY(opened);
        QCOMPARE(f.state.ShowSentSMS, sent);
        QCOMPARE(opened->view(), sent ? SentView::Sent : SentView::Outbox);
        QCOMPARE(opened->windowTitle(), action->text());
        QVERIFY(opened->isVisible());
        QCOMPARE(ids(*opened), sent ? (QStringList{"3", "4", "5", "6"}) : (QStringList{"1", "2"}));
        QVERIFY(dialogs.calls().isEmpty());
        opened->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(SentWindowTest)
#include "tst_sentwindow.moc"

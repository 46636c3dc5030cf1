// The frame every record window stands on, exercised once through a small window of its own
// over the operator accounts: moves and the position line, delete then next, the heading
// sort, keys, a write conflict, and the timed reload on ReloadRequested.

#include "helper_reports.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "records/RecordWindow.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

class FrameWindow : public RecordWindow
{
public:
    explicit FrameWindow(AppState &state)
        : RecordWindow(state, QStringLiteral("FrameWindow"),
                       DeleteButton | RefreshButton | HeaderSort | ReloadTimer | TimerFromLoad |
                           KeyNavigation | Translated | FirstRowOnLoad | ClearsReloadFlag,
                       columns())
    {
    }

protected:
    QString defaultSortField() const override { return QStringLiteral("USER_ID"); }
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override
    {
        return Recordset::open(
            c, QStringLiteral("SELECT USER_ID, Password, SecurityLevel FROM Passwords"));
    }
    GridPermissions gridPermissions() const override
    {
        GridPermissions p;
        p.edit = true;
        return p;
    }

private:
    static QList<RecordColumn> columns()
    {
        RecordColumn user{QStringLiteral("BRUKER"), 122, 1500, QStringLiteral("USER_ID")};
        RecordColumn password{QStringLiteral("PASSORD"), 10, 1500, QString()};
        RecordColumn level{QStringLiteral("NIVÅ"), 63, 1800, QStringLiteral("SecurityLevel")};
        return {user, password, level};
    }
};

struct Fixture : ReportFixture {
    // Three accounts, stored out of name order.
    Fixture()
    {
        exec(QStringLiteral("DELETE FROM Passwords"));
        for (const auto &[user, level] : {std::pair{"Carl", "2"}, {"Anna", "6"}, {"Berit", "4"}})
            exec(QStringLiteral("INSERT INTO Passwords (USER_ID, Password, SecurityLevel) "
                                "VALUES (?, 'pw', ?)"),
                 {QString::fromLatin1(user), QString::fromLatin1(level)});
    }
    std::unique_ptr<FrameWindow> open()
    {
        return std::unique_ptr<FrameWindow>(RecordWindow::loaded<FrameWindow>(state));
    }
};

QString status(const RecordWindow &w)
{
    return w.lblStatus->text();
}

QString currentUser(const RecordWindow &w)
{
    return w.adoPrimaryRS()->toText(QStringLiteral("USER_ID"));
}

} // namespace

class RecordWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void loadShowsFirstRowAndLanguage()
    {
        Fixture f;
        f.setLanguageText(122, QStringLiteral("Norsk"), QStringLiteral("Operatør"));
        f.setLanguageText(108, QStringLiteral("Norsk"), QStringLiteral("&Lukk"));
        f.setLanguageText(10, QStringLiteral("Norsk"), QVariant()); // no text: the default
        ScriptedDialogs dialogs;
        f.state.ReloadRequested = true;
        auto w = f.open();
        QCOMPARE(status(*w), QStringLiteral("Record: 1"));
        QCOMPARE(w->grdDataGrid->columnCaption(0), QStringLiteral("Operatør"));
        QCOMPARE(w->grdDataGrid->columnCaption(1), QStringLiteral("PASSORD"));
        QCOMPARE(w->cmdClose->text(), QStringLiteral("&Lukk"));
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(2) / 100), 18);
        QVERIFY(!f.state.ReloadRequested);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 10000);
        QCOMPARE(w->sortField(), QStringLiteral("USER_ID"));
        // The own connection, not the program-wide one.
        QVERIFY(w->connection() && w->connection() != f.state.SharedConnection);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void failedLoadThrows()
    {
        Fixture f;
        f.state.ConnectionString = buildConnectionString(
            f.db.directory() + QStringLiteral("/missing.mdb"), databasePassword());
        QVERIFY_THROWS_EXCEPTION(std::exception, f.open());
    }

    void movesBeepAtTheEnds()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdNext_Click();
        QCOMPARE(status(*w), QStringLiteral("Record: 2"));
        w->cmdLast_Click();
        QCOMPARE(status(*w), QStringLiteral("Record: 3"));
        QCOMPARE(dialogs.beeps(), 0);
        w->cmdNext_Click();
        QCOMPARE(status(*w), QStringLiteral("Record: 3"));
        QCOMPARE(dialogs.beeps(), 1);
        w->cmdFirst_Click();
        w->cmdPrevious_Click();
        QCOMPARE(status(*w), QStringLiteral("Record: 1"));
        QCOMPARE(dialogs.beeps(), 2);
        QCOMPARE(w->grdDataGrid->currentIndex().row(), 0);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void movesOnEmptySetDoNothing()
    {
        Fixture f;
        f.exec(QStringLiteral("DELETE FROM Passwords"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdNext_Click();
        w->cmdPrevious_Click();
        w->cmdFirst_Click();
        w->cmdLast_Click();
        QCOMPARE(dialogs.beeps(), 0);
        QVERIFY(dialogs.calls().isEmpty());
        QVERIFY(status(*w).startsWith(QStringLiteral("Record: -")));
    }

    void deleteMovesToTheNextRow()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdNext_Click(); // Anna (stored second)
        QCOMPARE(currentUser(*w), QStringLiteral("Anna"));
        w->cmdDelete_Click();
        QCOMPARE(currentUser(*w), QStringLiteral("Berit"));
        QCOMPARE(status(*w), QStringLiteral("Record: 2"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM Passwords WHERE USER_ID = 'Anna'"))
                     .toInt(),
                 0);
        // The last row deleted: after the last row; then nothing is current.
        w->cmdDelete_Click();
        QCOMPARE(status(*w), QStringLiteral("Record: -3"));
        QVERIFY(dialogs.calls().isEmpty());
        w->cmdDelete_Click();
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(dialogs.lastText(), noCurrentRowText());
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM Passwords")).toInt(), 1);
        QCOMPARE(dialogs.beeps(), 0);
    }

    void headingSortThroughTheColumnTable_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("first");
        QTest::newRow("user") << QList<int>{0} << "USER_ID"
                              << "Anna";
        QTest::newRow("column without field, before any click: default")
            << QList<int>{1} << "USER_ID"
            << "Anna";
        QTest::newRow("level") << QList<int>{2} << "SecurityLevel"
                               << "Carl";
        QTest::newRow("column without field keeps the previous")
            << QList<int>{2, 1} << "SecurityLevel"
            << "Carl";
        QTest::newRow("outside the table keeps the previous") << QList<int>{2, 7} << "SecurityLevel"
                                                              << "Carl";
    }

    void headingSortThroughTheColumnTable()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, field);
        QFETCH(QString, first);
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        for (int column : clicks)
            emit w->grdDataGrid->headClick(column);
        QCOMPARE(w->sortField(), field);
        QCOMPARE(w->adoPrimaryRS()->Sort(), field);
        QCOMPARE(gridRows(w->grdDataGrid).value(0).section(u'|', 0, 0), first);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected"); // position after the key, from row 3 of 5

        QTest::newRow("End") << int(Qt::Key_End) << 0 << 5;
        QTest::newRow("Shift+End") << int(Qt::Key_End) << int(Qt::ShiftModifier) << 5;
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Up") << int(Qt::Key_Up) << 0 << 2;
        QTest::newRow("PgDn") << int(Qt::Key_PageDown) << 0 << 4;
        QTest::newRow("Ctrl+Down") << int(Qt::Key_Down) << int(Qt::ControlModifier) << 5;
        QTest::newRow("Ctrl+PgUp on the keypad")
            << int(Qt::Key_PageUp) << int(Qt::ControlModifier | Qt::KeypadModifier) << 1;
        QTest::newRow("Ctrl+Shift+Down is Down")
            << int(Qt::Key_Down) << int(Qt::ControlModifier | Qt::ShiftModifier) << 4;
        QTest::newRow("Ctrl+Alt+Up is Up")
            << int(Qt::Key_Up) << int(Qt::ControlModifier | Qt::AltModifier) << 2;
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        Fixture f;
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Dag'), ('Eva')"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdNext_Click();
        w->cmdNext_Click();
        QTest::keyClick(w->grdDataGrid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        // Exactly one move: the grid's own handling of the key must not add a second.
        QCOMPARE(status(*w), QStringLiteral("Record: %1").arg(expected));
        QCOMPARE(w->grdDataGrid->currentIndex().row(), expected - 1);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void escapeClosesButNotInACellEditor()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
        w->grdDataGrid->setFocus();
        w->grdDataGrid->edit(w->grdDataGrid->model()->index(0, 1));
        auto *editor = w->grdDataGrid->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QTest::keyClick(w->grdDataGrid, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }

    // Two windows on one row: the later write is refused once, its edit dropped and the row
    // shown as the other window stored it; then the window moves, sorts and refreshes on.
    void writeConflictReportedOnceThenTheStoredRow()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto first = f.open();
        auto second = f.open();
        QAbstractItemModel *model = second->grdDataGrid->model();
        QAbstractItemModel *firstModel = first->grdDataGrid->model();
        QVERIFY(firstModel->setData(firstModel->index(0, 1), QStringLiteral("first")));
        first->cmdNext_Click();
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("second")));
        second->cmdNext_Click();
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY2(dialogs.lastText().contains(QStringLiteral("endret eller slettet")),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(status(*second), QStringLiteral("Record: 1"));
        QVERIFY(!second->adoPrimaryRS()->editPending());
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("first"));

        second->cmdNext_Click();
        QCOMPARE(status(*second), QStringLiteral("Record: 2"));
        second->grdDataGrid_HeadClick(0);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Anna"));
        second->cmdRefresh_Click();
        second->cmdLast_Click();
        QCOMPARE(status(*second), QStringLiteral("Record: 3"));
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Password FROM Passwords WHERE USER_ID = 'Carl'")),
                 QVariant(QStringLiteral("first")));
    }

    void pendingEditWrittenOnRefreshAndClose()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QAbstractItemModel *model = w->grdDataGrid->model();
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("one")));
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Dag')"));
        w->cmdRefresh_Click();
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(0) / 100), 15); // widths set again
        QVERIFY(model->setData(model->index(1, 1), QStringLiteral("two")));
        w->cmdClose_Click();
        QCOMPARE(f.scalar(QStringLiteral("SELECT group_concat(Password, ',') FROM Passwords "
                                         "WHERE USER_ID IN ('Carl', 'Anna') ORDER BY USER_ID")),
                 QVariant(QStringLiteral("one,two")));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void reloadOnlyWhenRequested()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdLast_Click();
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Dag')"));
        w->Timer1_Timer();
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 3);
        QCOMPARE(status(*w), QStringLiteral("Record: 3"));

        f.state.ReloadRequested = true;
        w->Timer1_Timer();
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 4);
        QCOMPARE(status(*w), QStringLiteral("Record: 1"));
        QVERIFY(!f.state.ReloadRequested);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void oneRequestReloadsOneWindow()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto first = f.open();
        auto second = f.open();
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Dag')"));
        f.state.ReloadRequested = true;
        first->Timer1_Timer();
        second->Timer1_Timer();
        QCOMPARE(first->grdDataGrid->model()->rowCount(), 4);
        QCOMPARE(second->grdDataGrid->model()->rowCount(), 3);
    }

    void noReloadUnderTheWindowsOwnBox()
    {
        Fixture f;
        f.exec(QStringLiteral("DELETE FROM Passwords"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Dag')"));
        dialogs.whileNextOkBox([&] {
            f.state.ReloadRequested = true;
            w->Timer1_Timer();
        });
        w->cmdDelete_Click(); // nothing current: a box
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 0);
        QVERIFY(f.state.ReloadRequested);
        w->Timer1_Timer();
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 1);
    }

    void failedReloadKeepsTheRows()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        const auto before = w->connection();
        f.state.ConnectionString = buildConnectionString(
            f.db.directory() + QStringLiteral("/moved.mdb"), databasePassword());
        f.state.ReloadRequested = true;
        w->Timer1_Timer();
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY(!f.state.ReloadRequested);
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 3);
        QCOMPARE(w->connection(), before);
        w->cmdNext_Click(); // still usable
        QCOMPARE(status(*w), QStringLiteral("Record: 2"));
    }
};

QTEST_MAIN(RecordWindowTest)
#include "tst_recordwindow.moc"

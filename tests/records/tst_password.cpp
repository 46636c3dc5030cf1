// The password window: operator accounts sorted by name, edited and added in the grid,
// deleted without a question.

#include "helper_reports.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "records/frmPassword.h"
#include "tests/support/GridTyping.h"
#include "tests/support/ScriptedDialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

struct Fixture : ReportFixture {
    Fixture()
    {
        exec(QStringLiteral("DELETE FROM Passwords"));
        exec(QStringLiteral("INSERT INTO Passwords (USER_ID, Password, SecurityLevel) VALUES "
                            "('Petter', 'hemmelig', '4'), ('anne', 'Passord1', '6')"));
    }
    std::unique_ptr<frmPassword> open()
    {
        return std::unique_ptr<frmPassword>(RecordWindow::loaded<frmPassword>(state));
    }
};

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void loadSortsByNameAndShowsPasswords()
    {
        Fixture f;
        f.setLanguageText(10, QStringLiteral("Norsk"), QString()); // empty: the default
        f.setLanguageText(63, QStringLiteral("Norsk"), QStringLiteral("Nivå"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        // Below the accounts, the line where a new one is typed.
        QCOMPARE(gridRows(w->grdDataGrid),
                 (QStringList{"anne|Passord1|6", "Petter|hemmelig|4", "||"}));
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(w->grdDataGrid->columnCaption(0), QStringLiteral("Bruker")); // row 122's text
        QCOMPARE(w->grdDataGrid->columnCaption(1), QStringLiteral("PASSORD"));
        QCOMPARE(w->grdDataGrid->columnCaption(2), QStringLiteral("Nivå"));
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(2) / 100), 18);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void emptyTableOpensWithCaptions()
    {
        Fixture f;
        f.exec(QStringLiteral("DELETE FROM Passwords"));
        f.setLanguageText(122, QStringLiteral("Norsk"), QVariant());
        ScriptedDialogs dialogs;
        auto w = f.open();
        QVERIFY(w->adoPrimaryRS()->EOF() && w->adoPrimaryRS()->BOF());
        QCOMPARE(w->grdDataGrid->columnCaption(0), QStringLiteral("BRUKER"));
        QCOMPARE(w->grdDataGrid->columnCount(), 3);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void operatorAddedInTheGrid()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QAbstractItemModel *model = w->grdDataGrid->model();
        QCOMPARE(model->rowCount(), 3); // the new-row line below the two accounts
        QVERIFY(model->setData(model->index(2, 0), QStringLiteral("Kari")));
        QVERIFY(model->setData(model->index(2, 1), QStringLiteral("ny")));
        QVERIFY(model->setData(model->index(2, 2), QStringLiteral("5")));
        w->cmdFirst_Click();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT Password || ':' || SecurityLevel FROM Passwords "
                                         "WHERE USER_ID = 'Kari'")),
                 QVariant("ny:5"));
    }

    // A new operator typed as a new user does: value, Tab, value, Tab, value, Tab.
    void operatorTypedWithTab()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        DataGrid *grid = w->grdDataGrid;
        QVERIFY(focusCell(grid, 2, 0));
        typeCells(grid, {QStringLiteral("Op6"), QStringLiteral("pw6")});
        QCOMPARE(grid->currentIndex(), grid->model()->index(2, 2));
        typeCells(grid, {QStringLiteral("6")});
        w->cmdFirst_Click();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT group_concat(USER_ID || ':' || Password || ':' "
                                         "|| SecurityLevel) FROM Passwords WHERE rid > 2")),
                 QVariant("Op6:pw6:6"));
    }

    void editThenRefreshKeepsTheSort()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QAbstractItemModel *model = w->grdDataGrid->model();
        QVERIFY(model->setData(model->index(1, 1), QStringLiteral("nytt")));
        f.exec(QStringLiteral("INSERT INTO Passwords (USER_ID) VALUES ('Abel')"));
        w->cmdRefresh_Click();
        QCOMPARE(gridRows(w->grdDataGrid).mid(0, 3),
                 (QStringList{"Abel||", "anne|Passord1|6", "Petter|nytt|4"}));
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(0) / 100), 15);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void deleteAsksNothing()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdDelete_Click();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT group_concat(USER_ID) FROM Passwords")),
                 QVariant("Petter"));
        QCOMPARE(w->adoPrimaryRS()->toText(QStringLiteral("USER_ID")), QStringLiteral("Petter"));
    }
};

QTEST_MAIN(PasswordTest)
#include "tst_password.moc"

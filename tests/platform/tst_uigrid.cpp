#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/RecordsetModel.h"
#include "tests/support/GridTyping.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// The conflict refusal; "%1" is the file.
const QString Conflict = QStringLiteral("Raden er endret eller slettet på en annen arbeidsstasjon "
                                        "siden den ble lest (databasen «%1»). Endringen er ikke "
                                        "lagret.");

// A small keyed file with four rows, one of them with a Null name.
class GridFixture
{
public:
    GridFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("grid.db"));
        conn = Connection::create(m_path, databasePassword());
        conn->exec(QStringLiteral(
            "CREATE TABLE Katalog (ID INTEGER PRIMARY KEY, Bruker TEXT COLLATE NOCASE,"
            " Navn TEXT COLLATE NOCASE, Antall INTEGER);"
            "INSERT INTO Katalog (ID, Bruker, Navn, Antall) VALUES"
            " (1, 'A', 'Anne', 1), (2, 'B', NULL, 2), (3, 'C', 'Carl', NULL),"
            " (4, 'D', 'Dina', 4);"));
        rs = open();
        grid.resize(600, 300);
    }
    std::shared_ptr<Recordset>
    open(const QString &sql = QStringLiteral("SELECT ID, Bruker, Navn, Antall FROM Katalog"))
    {
        return Recordset::open(conn, sql);
    }
    std::shared_ptr<Connection> otherWorkstation() const
    {
        return Connection::open(buildConnectionString(m_path, databasePassword()));
    }
    QVariant stored(int id, const QString &column)
    {
        return conn->scalar(QStringLiteral("SELECT %1 FROM Katalog WHERE ID = ?").arg(column),
                            {id});
    }
    int storedRows()
    {
        return conn->scalar(QStringLiteral("SELECT count(*) FROM Katalog")).toInt();
    }
    RecordsetModel *model() { return grid.recordsetModel(); }
    QString cell(int row, int column) { return model()->index(row, column).data().toString(); }
    void selectRow(int row, int column = 0) { grid.setCurrentIndex(model()->index(row, column)); }
    bool edit(int row, int column, const QString &text)
    {
        return model()->setData(model()->index(row, column), text);
    }

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<Connection> conn;
    std::shared_ptr<Recordset> rs;
    DataGrid grid;
};

} // namespace

class TestUiGrid : public QObject
{
    Q_OBJECT
private slots:
    void showsRowsWithNullAsEmpty();
    void captionsAndTwipsWidths();
    void layoutKeptOverSortNewOnRebind();
    void cursorFollowedBothWays();
    void editWrittenWhenRowMovesOff();
    void unchangedEditorKeepsNull();
    void typedEditAndMouseMoveOff();
    void conflictingWriteReportedThenDropped();
    void deleteKeyThenNextRow();
    void headClickKeepsCurrentCell();
    void permissions_data();
    void permissions();
    void newRowLineAddsRow();
    void newRowTypedWithTab();
    void droppedNewRowBecomesLineAgain();
    void pendingEditWrittenBeforeRefreshAndDelete();
};

void TestUiGrid::showsRowsWithNullAsEmpty()
{
    GridFixture f;
    QVERIFY(f.grid.setRecordset(f.rs));
    QCOMPARE(f.grid.columnCount(), 4);
    QCOMPARE(f.model()->rowCount(), 4);
    QCOMPARE(f.cell(0, 2), QStringLiteral("Anne"));
    QCOMPARE(f.cell(1, 2), QString());
    QCOMPARE(f.cell(2, 3), QString());
    QCOMPARE(f.cell(3, 3), QStringLiteral("4"));
    QCOMPARE(f.grid.columnCaption(1), QStringLiteral("Bruker"));
    QCOMPARE(f.model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(f.grid.recordset(), f.rs);
}

void TestUiGrid::captionsAndTwipsWidths()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setColumnCaption(1, QStringLiteral("BRUKER"));
    f.grid.setColumnWidthTwips(1, 1500);
    QCOMPARE(f.grid.columnCaption(1), QStringLiteral("BRUKER"));
    QCOMPARE(f.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("BRUKER"));
    const int dpi = f.grid.logicalDpiX();
    QCOMPARE(f.grid.horizontalHeader()->sectionSize(1), qRound(1500.0 * dpi / 1440));
    QVERIFY(qAbs(f.grid.columnWidthTwips(1) - 1500) < 1440.0 / dpi);
    f.grid.setColumnCaption(1, QString());
    QCOMPARE(f.grid.columnCaption(1), QStringLiteral("Bruker"));
}

void TestUiGrid::layoutKeptOverSortNewOnRebind()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setColumnCaption(2, QStringLiteral("NAVN"));
    f.grid.setColumnWidthTwips(2, 2880);
    const int width = f.grid.horizontalHeader()->sectionSize(2);
    f.grid.setColumnHidden(3, true);
    f.model()->setColumnAlignment(0, Qt::AlignCenter);
    f.rs->setSort(QStringLiteral("Bruker DESC"));
    QVERIFY(f.grid.isColumnHidden(3));
    QCOMPARE(f.model()->index(1, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QCOMPARE(f.cell(0, 1), QStringLiteral("D"));
    QCOMPARE(f.grid.columnCaption(2), QStringLiteral("NAVN"));
    QCOMPARE(f.grid.horizontalHeader()->sectionSize(2), width);
    QCOMPARE(f.grid.currentIndex().row(), 0);

    f.conn->exec(QStringLiteral("DELETE FROM Katalog WHERE ID > 2"));
    f.rs->Requery();
    QCOMPARE(f.model()->rowCount(), 2);
    QCOMPARE(f.cell(0, 1), QStringLiteral("B"));
    QCOMPARE(f.grid.columnCaption(2), QStringLiteral("NAVN"));

    QVERIFY(f.grid.setRecordset(f.open(QStringLiteral("SELECT Navn, ID FROM Katalog"))));
    QCOMPARE(f.grid.columnCount(), 2);
    QCOMPARE(f.grid.columnCaption(0), QStringLiteral("Navn"));
    QVERIFY(f.grid.setRecordset(nullptr));
    QCOMPARE(f.grid.columnCount(), 0);
    QCOMPARE(f.model()->rowCount(), 0);
}

void TestUiGrid::cursorFollowedBothWays()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    QSignalSpy rowColChange(&f.grid, &DataGrid::rowColChange);
    QCOMPARE(f.grid.currentIndex().row(), 0);
    f.rs->MoveNext();
    QCOMPARE(f.grid.currentIndex().row(), 1);
    f.selectRow(3, 2);
    QCOMPARE(f.rs->AbsolutePosition(), 4);
    QCOMPARE(f.rs->toText(QStringLiteral("Bruker")), QStringLiteral("D"));
    QCOMPARE(rowColChange.count(), 2);
    f.selectRow(3, 1); // another column of the same row moves nothing, but is a change
    QCOMPARE(rowColChange.count(), 3);
    QCOMPARE(f.rs->AbsolutePosition(), 4);
    f.rs->MoveNext(); // past the last row: the grid has no current row
    QVERIFY(!f.grid.currentIndex().isValid());
    QCOMPARE(f.rs->AbsolutePosition(), -3);
}

void TestUiGrid::editWrittenWhenRowMovesOff()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowUpdate(true);
    QVERIFY(f.edit(0, 2, QStringLiteral("Ann-Mari")));
    QCOMPARE(f.cell(0, 2), QStringLiteral("Ann-Mari"));
    QCOMPARE(f.stored(1, "Navn").toString(), QStringLiteral("Anne"));
    f.selectRow(2);
    QCOMPARE(f.stored(1, "Navn").toString(), QStringLiteral("Ann-Mari"));
    QCOMPARE(f.rs->AbsolutePosition(), 3);
    // Editing a row other than the current one moves there first, writing nothing else.
    QVERIFY(f.edit(1, 3, QStringLiteral("12")));
    QCOMPARE(f.rs->AbsolutePosition(), 2);
    QVERIFY(f.model()->commitPending());
    QCOMPARE(f.stored(2, "Antall").toInt(), 12);
}

void TestUiGrid::unchangedEditorKeepsNull()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowUpdate(true);
    f.selectRow(1);
    QVERIFY(f.edit(1, 2, QString()));
    QVERIFY(!f.rs->editPending());
    f.selectRow(0);
    QVERIFY(f.stored(2, "Navn").isNull());
}

void TestUiGrid::typedEditAndMouseMoveOff()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowUpdate(true);
    f.grid.show();
    f.grid.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.grid));
    f.selectRow(1, 2);
    QTest::keyClick(&f.grid, Qt::Key_F2);
    auto *editor = f.grid.findChild<QLineEdit *>();
    QVERIFY(editor && editor->isVisible());
    QTest::keyClicks(editor, QStringLiteral("Berit"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(0); // the delegate commits after the editor has seen the key
    QCOMPARE(f.cell(1, 2), QStringLiteral("Berit"));
    QVERIFY(f.stored(2, "Navn").isNull());
    // Another workstation changed the row: a click on another row is refused and reported,
    // the grid stays on the row and shows what is stored now.
    f.otherWorkstation()->exec(QStringLiteral("UPDATE Katalog SET Navn = 'X' WHERE ID = 2"));
    QSignalSpy failed(&f.grid, &DataGrid::writeFailed);
    const QRect other = f.grid.visualRect(f.model()->index(3, 1));
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, other.center());
    QTest::qWait(0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(f.grid.currentIndex().row(), 1);
    QVERIFY(f.grid.selectionModel()->isRowSelected(1, {}));
    QCOMPARE(f.rs->AbsolutePosition(), 2);
    QCOMPARE(f.cell(1, 2), QStringLiteral("X"));
    // The refused edit is gone: the same click moves, with no second report.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, other.center());
    QCOMPARE(f.rs->AbsolutePosition(), 4);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(f.stored(2, "Navn").toString(), QStringLiteral("X"));
}

void TestUiGrid::conflictingWriteReportedThenDropped()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowUpdate(true);
    QSignalSpy failed(&f.grid, &DataGrid::writeFailed);
    QVERIFY(f.edit(0, 2, QStringLiteral("Mine")));
    f.otherWorkstation()->exec(
        QStringLiteral("UPDATE Katalog SET Navn = 'Theirs', Antall = 7 WHERE ID = 1"));
    f.selectRow(2);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), Conflict.arg(f.conn->path()));
    QTest::qWait(0);
    QCOMPARE(f.grid.currentIndex().row(), 0);
    QCOMPARE(f.rs->AbsolutePosition(), 1);
    QVERIFY(!f.rs->editPending());
    QCOMPARE(f.cell(0, 2), QStringLiteral("Theirs"));
    QCOMPARE(f.cell(0, 3), QStringLiteral("7"));
    // The row now holds what is stored, so later edits of it are written over the other
    // workstation's values knowingly, and moves, refreshes and deletes go on without a report.
    f.selectRow(2);
    QCOMPARE(f.rs->AbsolutePosition(), 3);
    QVERIFY(f.edit(0, 3, QStringLiteral("8")));
    QVERIFY(f.model()->refresh());
    QCOMPARE(f.stored(1, "Antall").toInt(), 8);
    QCOMPARE(f.stored(1, "Navn").toString(), QStringLiteral("Theirs"));
    QCOMPARE(failed.count(), 1);

    // A row another workstation removed under an edit leaves the grid.
    QVERIFY(f.edit(1, 2, QStringLiteral("Borte")));
    f.otherWorkstation()->exec(QStringLiteral("DELETE FROM Katalog WHERE ID = 2"));
    QVERIFY(!f.model()->deleteCurrent());
    QCOMPARE(failed.count(), 2);
    QCOMPARE(f.model()->rowCount(), 3);
    QCOMPARE(f.cell(1, 1), QStringLiteral("C"));
    QCOMPARE(f.storedRows(), 3);
    f.selectRow(1);
    QCOMPARE(f.rs->toText(QStringLiteral("Bruker")), QStringLiteral("C"));
    QCOMPARE(failed.count(), 2);
}

void TestUiGrid::deleteKeyThenNextRow()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowDelete(true);
    f.selectRow(1);
    QTest::keyClick(&f.grid, Qt::Key_Delete);
    QCOMPARE(f.storedRows(), 3);
    QCOMPARE(f.model()->rowCount(), 3);
    QCOMPARE(f.rs->toText(QStringLiteral("Bruker")), QStringLiteral("C"));
    QCOMPARE(f.grid.currentIndex().row(), 1);
    QCOMPARE(f.cell(1, 1), QStringLiteral("C"));
    f.selectRow(2);
    QTest::keyClick(&f.grid, Qt::Key_Delete);
    QCOMPARE(f.storedRows(), 2);
    QVERIFY(f.rs->EOF());
    QVERIFY(!f.grid.currentIndex().isValid());
    // A row another workstation removed meanwhile is reported, and stays.
    f.selectRow(0);
    f.otherWorkstation()->exec(QStringLiteral("DELETE FROM Katalog WHERE ID = 1"));
    QSignalSpy failed(&f.grid, &DataGrid::writeFailed);
    QTest::keyClick(&f.grid, Qt::Key_Delete);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), Conflict.arg(f.conn->path()));
    QCOMPARE(f.model()->rowCount(), 2);
}

void TestUiGrid::headClickKeepsCurrentCell()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
    f.selectRow(2, 1);
    QSignalSpy headClick(&f.grid, &DataGrid::headClick);
    QHeaderView *header = f.grid.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(3) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(headClick.count(), 1);
    QCOMPARE(headClick.at(0).at(0).toInt(), 3);
    QCOMPARE(f.grid.currentIndex(), f.model()->index(2, 1));
    QCOMPARE(f.rs->AbsolutePosition(), 3);
}

void TestUiGrid::permissions_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("allowUpdate");
    QTest::addColumn<int>("neverColumn");
    QTest::addColumn<bool>("editable");
    const QString table = QStringLiteral("SELECT ID, Bruker, Navn, Antall FROM Katalog");
    QTest::newRow("update allowed") << table << true << -1 << true;
    QTest::newRow("update not allowed") << table << false << -1 << false;
    QTest::newRow("read-only column") << table << true << 2 << false;
    QTest::newRow("read-only recordset")
        << QStringLiteral("SELECT DISTINCT ID, Bruker, Navn, Antall FROM Katalog") << true << -1
        << false;
}

void TestUiGrid::permissions()
{
    QFETCH(QString, sql);
    QFETCH(bool, allowUpdate);
    QFETCH(int, neverColumn);
    QFETCH(bool, editable);
    GridFixture f;
    f.grid.setRecordset(f.open(sql));
    f.grid.setAllowUpdate(allowUpdate);
    if (neverColumn >= 0) {
        f.model()->setColumnEdit(neverColumn, RecordsetModel::ColumnEdit::Never);
    }
    const QModelIndex cell = f.model()->index(0, 2);
    QCOMPARE(bool(f.model()->flags(cell) & Qt::ItemIsEditable), editable);
    QCOMPARE(f.edit(0, 2, QStringLiteral("X")), editable);
    QVERIFY(f.model()->commitPending());
    QCOMPARE(f.stored(1, "Navn").toString(), editable ? QStringLiteral("X") : "Anne");
    // Without the right to delete, the Delete key deletes nothing.
    f.selectRow(1);
    QTest::keyClick(&f.grid, Qt::Key_Delete);
    QCOMPARE(f.storedRows(), 4);
    // No new-row line without the right to add.
    QCOMPARE(f.model()->rowCount(), 4);
}

void TestUiGrid::newRowLineAddsRow()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowAddNew(true);
    f.model()->setColumnEdit(1, RecordsetModel::ColumnEdit::NewRowOnly);
    int hookRuns = 0;
    f.model()->setNewRowHook([&](Recordset &rs) {
        ++hookRuns;
        rs.setValue(QStringLiteral("Antall"), 0);
    });
    f.model()->setBeforeInsertHook([](Recordset &rs) {
        if (rs.isNull(QStringLiteral("Navn"))) {
            rs.setValue(QStringLiteral("Navn"), QStringLiteral("(uten navn)"));
        }
    });
    QCOMPARE(f.model()->rowCount(), 5);
    QVERIFY(f.model()->isNewRowLine(4));
    QCOMPARE(f.model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("*"));
    // The key column is editable in the new row only; edits of stored rows need the update right.
    QVERIFY(!(f.model()->flags(f.model()->index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(f.model()->flags(f.model()->index(4, 1)) & Qt::ItemIsEditable);

    f.selectRow(4, 1);
    QVERIFY(f.rs->EOF());
    QCOMPARE(f.model()->currentRow(), 4);
    QVERIFY(f.edit(4, 1, QStringLiteral("E")));
    QCOMPARE(hookRuns, 1);
    QVERIFY(f.model()->currentRowIsNew());
    QCOMPARE(f.model()->rowCount(), 5);
    QCOMPARE(f.grid.currentIndex().row(), 4);
    QCOMPARE(f.cell(4, 1), QStringLiteral("E"));
    QCOMPARE(f.storedRows(), 4);

    f.selectRow(0);
    QCOMPARE(f.storedRows(), 5);
    QCOMPARE(f.model()->rowCount(), 6);
    QVERIFY(f.model()->isNewRowLine(5));
    QCOMPARE(f.cell(4, 0), QStringLiteral("5"));
    QCOMPARE(f.stored(5, "Navn").toString(), QStringLiteral("(uten navn)"));
    QCOMPARE(f.stored(5, "Antall").toInt(), 0);
    QCOMPARE(hookRuns, 1);
}

// Typing a new row cell by cell: the first value starts the row, and Tab and Shift+Tab move
// between its cells as in a stored row, so each value lands in its own column.
void TestUiGrid::newRowTypedWithTab()
{
    GridFixture f;
    QVERIFY(
        f.grid.setRecordset(f.open(QStringLiteral("SELECT Bruker, Navn, Antall FROM Katalog"))));
    f.grid.setAllowAddNew(true);
    QVERIFY(focusCell(&f.grid, 4, 0));
    typeCells(&f.grid, {QStringLiteral("E"), QStringLiteral("Eva")});
    QVERIFY(f.model()->currentRowIsNew());
    QCOMPARE(f.grid.currentIndex(), f.model()->index(4, 2));
    typeCells(&f.grid, {QStringLiteral("5")}, true);
    QCOMPARE(f.grid.currentIndex(), f.model()->index(4, 1));
    typeCells(&f.grid, {QStringLiteral("Eva-Li")});
    QCOMPARE(f.grid.currentIndex(), f.model()->index(4, 2));
    QCOMPARE(f.storedRows(), 4);
    f.selectRow(0);
    QCOMPARE(f.storedRows(), 5);
    QCOMPARE(f.conn->scalar(QStringLiteral("SELECT Bruker || '|' || Navn || '|' || Antall "
                                           "FROM Katalog WHERE ID = 5")),
             QVariant(QStringLiteral("E|Eva-Li|5")));
}

void TestUiGrid::droppedNewRowBecomesLineAgain()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowAddNew(true);
    QVERIFY(f.edit(4, 2, QStringLiteral("Ny")));
    QVERIFY(f.model()->currentRowIsNew());
    f.model()->cancelPending();
    QCOMPARE(f.model()->rowCount(), 5);
    QVERIFY(f.model()->isNewRowLine(4));
    QCOMPARE(f.cell(4, 2), QString());
    // A move made by the window drops the new row unwritten; the line comes back.
    QVERIFY(f.edit(4, 2, QStringLiteral("Ny")));
    f.rs->MoveFirst();
    QCOMPARE(f.model()->rowCount(), 5);
    QVERIFY(f.model()->isNewRowLine(4));
    QCOMPARE(f.grid.currentIndex().row(), 0);
    QCOMPARE(f.storedRows(), 4);
    // A refused insert is reported naming the value; the typed row stays to be corrected,
    // refused again at each move until it is, then written.
    f.conn->exec(QStringLiteral("CREATE UNIQUE INDEX Navnene ON Katalog (Navn)"));
    QSignalSpy failed(&f.grid, &DataGrid::writeFailed);
    QVERIFY(f.edit(4, 2, QStringLiteral("Anne")));
    f.selectRow(0);
    QCOMPARE(failed.count(), 1);
    QVERIFY2(
        failed.at(0).at(0).toString().startsWith(QStringLiteral("Navn «Anne» finnes allerede")),
        qPrintable(failed.at(0).at(0).toString()));
    QVERIFY(f.model()->currentRowIsNew());
    QCOMPARE(f.cell(4, 2), QStringLiteral("Anne"));
    QCOMPARE(f.storedRows(), 4);
    QTest::qWait(0);
    f.selectRow(0);
    QCOMPARE(failed.count(), 2);
    QVERIFY(f.model()->currentRowIsNew());
    QTest::qWait(0);
    QVERIFY(f.edit(4, 2, QStringLiteral("Anne-Marie")));
    f.selectRow(0);
    QCOMPARE(failed.count(), 2);
    QCOMPARE(f.storedRows(), 5);
    QCOMPARE(f.rs->AbsolutePosition(), 1);
}

void TestUiGrid::pendingEditWrittenBeforeRefreshAndDelete()
{
    GridFixture f;
    f.grid.setRecordset(f.rs);
    f.grid.setAllowUpdate(true);
    QVERIFY(f.edit(0, 2, QStringLiteral("Refreshed")));
    QVERIFY(f.model()->refresh());
    QCOMPARE(f.stored(1, "Navn").toString(), QStringLiteral("Refreshed"));
    QCOMPARE(f.cell(0, 2), QStringLiteral("Refreshed"));
    QVERIFY(f.edit(0, 3, QStringLiteral("9")));
    auto next = f.open();
    QVERIFY(f.grid.setRecordset(next));
    QCOMPARE(f.stored(1, "Antall").toInt(), 9);
    f.grid.setAllowUpdate(true);
    QVERIFY(f.edit(1, 2, QStringLiteral("Closed")));
    f.model()->close();
    QCOMPARE(f.stored(2, "Navn").toString(), QStringLiteral("Closed"));
    QVERIFY(!next->isOpen());
    QCOMPARE(f.model()->rowCount(), 0);
}

QTEST_MAIN(TestUiGrid)
#include "tst_uigrid.moc"

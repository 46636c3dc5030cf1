// Tables count their own changes: a snapshot stays shared until a table it reads changes, on
// any connection to the file, and a deferred view costs nothing until it is used. Which
// statements really run is seen through SQLite's statement trace, not through timing.

#include "helper_db.h"

#include <QtTest>
#include <sqlite3.h>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const char *rows = "INSERT INTO Katalog (rid, Bruker, Etternavn) VALUES (1, '+471', 'Berg'), "
                   "(2, '+472', 'Dal'), (3, '+473', 'Aas');"
                   "INSERT INTO SMS_Sent (TilNummer, CMGS) VALUES ('+479', 'UNSENT');";
const QString names = "SELECT Bruker, Etternavn FROM Katalog";
const QString queue = "SELECT ID, CMGS FROM SMS_Sent";

// Counts the runs of statements on one connection whose text holds a given table's name.
class StatementRuns
{
public:
    explicit StatementRuns(Connection &c)
    {
        sqlite3_trace_v2(c.handle(), SQLITE_TRACE_STMT, &StatementRuns::traced, this);
    }
    int of(const QString &table) const
    {
        int n = 0;
        for (const QString &s : m_texts)
            n += s.contains(QStringLiteral("FROM ") + table) && !s.startsWith("EXPLAIN");
        return n;
    }

private:
    static int traced(unsigned, void *self, void *stmt, void *)
    {
        static_cast<StatementRuns *>(self)->m_texts
            << QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt *>(stmt)));
        return 0;
    }
    QStringList m_texts;
};

std::shared_ptr<Connection> countedConnection(const Fixture &fixture)
{
    auto c = fixture.open();
    c->addChangeCounters();
    return c;
}

} // namespace

class TestDbChanges : public QObject
{
    Q_OBJECT
private slots:
    void countersAreAddedOnce();
    void changeElsewhereIsReadAgainOthersShared_data();
    void changeElsewhereIsReadAgainOthersShared();
    void tableThatDoesNotCountIsCheckedAgainstTheWholeDatabase();
    void lookUpThroughAnIndexCountsItsTable();
    void deferredViewNeverUsedRunsNoQuery();
    void deferredViewReadsTheDatabaseAsItIsAtFirstUse();
    void deferredViewFailsAtOnceForAQueryThatCannotRun();
    void deferredViewStartsSortedOnItsLastRow();
    void anotherFileSharesNothing();
};

void TestDbChanges::countersAreAddedOnce()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    const QVariant schema = db->scalar("PRAGMA schema_version");
    QCOMPARE(db->scalar("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'").toInt(), 15);
    QCOMPARE(db->scalar("SELECT count(*) FROM TableChanges").toInt(), 5);
    db->addChangeCounters();
    fixture.open()->addChangeCounters();
    QCOMPARE(db->scalar("PRAGMA schema_version"), schema);
    // The writes the program checks by their count are counted as before, triggers aside.
    QCOMPARE(db->exec("UPDATE Katalog SET Fornavn = 'x'"), 3);
    QCOMPARE(db->scalar("SELECT Changes FROM TableChanges WHERE TableName = 'Katalog'").toInt(), 3);
}

void TestDbChanges::changeElsewhereIsReadAgainOthersShared_data()
{
    QTest::addColumn<bool>("otherConnection");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("katalogChanged");
    QTest::newRow("queue row by another connection")
        << true << "UPDATE SMS_Sent SET CMGS = '17'" << false;
    QTest::newRow("queue row on this connection")
        << false << "INSERT INTO SMS_Sent (CMGS) VALUES ('UNSENT')" << false;
    QTest::newRow("catalogue by another connection")
        << true << "DELETE FROM Katalog WHERE rid = 2" << true;
    QTest::newRow("catalogue on this connection")
        << false << "UPDATE Katalog SET Etternavn = 'Eik' WHERE rid = 1" << true;
}

void TestDbChanges::changeElsewhereIsReadAgainOthersShared()
{
    QFETCH(bool, otherConnection);
    QFETCH(QString, change);
    QFETCH(bool, katalogChanged);
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    auto heldNames = Recordset::open(db, names);
    auto heldQueue = Recordset::open(db, queue);
    const auto namesBefore = rowsOf(*heldNames);
    const auto queueBefore = rowsOf(*heldQueue);
    StatementRuns runs(*db);
    (otherConnection ? fixture.open() : db)->exec(change);

    auto namesNow = Recordset::open(db, names);
    auto queueNow = Recordset::open(db, queue);
    QCOMPARE(rowsOf(*namesNow), rowsOf(*Recordset::open(fixture.open(), names)));
    QCOMPARE(rowsOf(*queueNow), rowsOf(*Recordset::open(fixture.open(), queue)));
    QCOMPARE(rowsOf(*namesNow) != namesBefore, katalogChanged);
    QCOMPARE(rowsOf(*queueNow) != queueBefore, !katalogChanged);
    QCOMPARE(runs.of("Katalog"), katalogChanged ? 1 : 0);
    QCOMPARE(runs.of("SMS_Sent"), katalogChanged ? 0 : 1);
    // A third open of either reads nothing more.
    Recordset::open(db, names);
    Recordset::open(db, queue);
    QCOMPARE(runs.of("Katalog") + runs.of("SMS_Sent"), 1);
}

void TestDbChanges::tableThatDoesNotCountIsCheckedAgainstTheWholeDatabase()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    fixture.open()->exec("CREATE TABLE Extra (rid INTEGER PRIMARY KEY, Bruker TEXT)");
    const QString joined = "SELECT k.Bruker, e.rid FROM Katalog k LEFT JOIN Extra e ON "
                           "e.Bruker = k.Bruker";
    auto held = Recordset::open(db, joined);
    StatementRuns runs(*db);
    Recordset::open(db, joined);
    QCOMPARE(runs.of("Katalog"), 0);
    fixture.open()->exec("INSERT INTO Extra (Bruker) VALUES ('+471')");
    QCOMPARE(Recordset::open(db, joined)->cell(0, 1).toInt(), 1);
    fixture.open()->exec("UPDATE SMS_Sent SET CMGS = '3'");
    Recordset::open(db, joined);
    QCOMPARE(runs.of("Katalog"), 2);
}

// A row sought by equality through an index is read again only when its table changes, as a
// whole table is.
void TestDbChanges::lookUpThroughAnIndexCountsItsTable()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    const QString one = "SELECT Etternavn FROM Katalog WHERE Bruker = ?";
    auto held = Recordset::open(db, one, {"+472"});
    StatementRuns runs(*db);
    fixture.open()->exec("UPDATE SMS_Sent SET CMGS = '17'");
    QCOMPARE(Recordset::open(db, one, {"+472"})->toText(0), "Dal");
    QCOMPARE(runs.of("Katalog"), 0);
    fixture.open()->exec("UPDATE Katalog SET Etternavn = 'Eik' WHERE rid = 2");
    QCOMPARE(Recordset::open(db, one, {"+472"})->toText(0), "Eik");
    QCOMPARE(runs.of("Katalog"), 1);
}

void TestDbChanges::deferredViewNeverUsedRunsNoQuery()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    StatementRuns runs(*db);
    auto view = Recordset::openDeferred(db, names);
    QVERIFY(view->deferred());
    view = Recordset::openDeferred(db, names);
    view.reset();
    QCOMPARE(runs.of("Katalog"), 0);
}

void TestDbChanges::deferredViewReadsTheDatabaseAsItIsAtFirstUse()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    auto held = Recordset::open(db, names);
    auto view = Recordset::openDeferred(db, names);
    fixture.open()->exec("UPDATE Katalog SET Etternavn = 'Eik' WHERE rid = 1");
    QCOMPARE(view->value("Etternavn").toString(), "Eik");
    QVERIFY(!view->deferred());
    QVERIFY(!view->isReadOnly());
    // Unchanged since: the next deferred view shares these rows, also once this one is gone.
    auto next = Recordset::openDeferred(db, names);
    view.reset();
    held.reset();
    StatementRuns runs(*db);
    QCOMPARE(next->RecordCount(), 3);
    QCOMPARE(runs.of("Katalog"), 0);
}

void TestDbChanges::deferredViewFailsAtOnceForAQueryThatCannotRun()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    QVERIFY(errorOf([&] {
                Recordset::openDeferred(db, "SELECT Nope FROM Katalog");
            }).startsWith("Feltet Nope mangler i databasen"));
}

void TestDbChanges::deferredViewStartsSortedOnItsLastRow()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    bool moved = false;
    auto view = Recordset::openDeferred(db, names, {}, {"Etternavn", true});
    connect(view.get(), &Recordset::currentChanged, this, [&] { moved = true; });
    QCOMPARE(view->AbsolutePosition(), 3);
    // Norwegian order: "Aas" is read as "Ås", after Z.
    QCOMPARE(view->value("Etternavn").toString(), "Aas");
    QCOMPARE(view->cell(0, 1).toString(), "Berg");
    QVERIFY(!moved);
}

void TestDbChanges::anotherFileSharesNothing()
{
    Fixture first(rows);
    Fixture second("INSERT INTO Katalog (Bruker, Etternavn) VALUES ('+475', 'Lie');");
    auto held = Recordset::open(countedConnection(first), names);
    auto other = Recordset::openDeferred(countedConnection(second), names);
    QCOMPARE(other->RecordCount(), 1);
    QCOMPARE(other->value("Etternavn").toString(), "Lie");
}

QTEST_GUILESS_MAIN(TestDbChanges)
#include "tst_db_changes.moc"

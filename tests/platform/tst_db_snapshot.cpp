// An open of a query whose rows are still held by another recordset may share them; every
// case here compares against what a connection of its own reads, which shares nothing.

#include "helper_db.h"

#include <QtTest>
#include <functional>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const char *catalogue = "INSERT INTO Katalog (rid, Bruker, Etternavn, Fornavn, Tillatelser) VALUES "
                        "(1, '+471', 'Berg', 'Ola', '1'), (2, '+472', 'Dal', 'Kari', '1.0'), "
                        "(3, '+473', 'Aas', 'Per', '2');"
                        "CREATE VIEW Navneliste AS SELECT Bruker, Etternavn FROM Katalog;";
const QString names = "SELECT Bruker, Etternavn FROM Katalog";

using Rows = QList<QVariantList>;

Rows freshRows(const Fixture &fixture, const QString &sql, const QVariantList &params = {})
{
    return rowsOf(*Recordset::open(fixture.open(), sql, params));
}

struct Setup {
    const Fixture &fixture;
    std::shared_ptr<Connection> connection;
    std::shared_ptr<Recordset> first;
};
using Change = std::function<void(Setup &)>;
using Action = std::function<void(Recordset &)>;

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Action)

class TestDbSnapshot : public QObject
{
    Q_OBJECT
private slots:
    void reopenOnUnchangedDatabase();
    void changeSinceSnapshotIsSeen_data();
    void changeSinceSnapshotIsSeen();
    void eachKeepsItsOwnState_data();
    void eachKeepsItsOwnState();
    void otherParametersAreOtherQueries_data();
    void otherParametersAreOtherQueries();
    void rowsReadInRolledBackTransactionAreNotKept();
    void cloneRequeryAndOpenKeepTheirUpdatability();
    void queryThatVariesIsReadAgain();
    void releasedRowsLeaveNothingBehind();
};

void TestDbSnapshot::reopenOnUnchangedDatabase()
{
    Fixture fixture(catalogue);
    auto db = fixture.open();
    auto first = Recordset::open(db, names);
    first->MoveLast();
    auto second = Recordset::open(db, names);
    QCOMPARE(rowsOf(*second), rowsOf(*first));
    QCOMPARE(second->AbsolutePosition(), 1);
    QCOMPARE(first->AbsolutePosition(), 3);

    second->setValue("Etternavn", "Eik");
    second->Update();
    QCOMPARE(db->scalar("SELECT Etternavn FROM Katalog WHERE rid = 1").toString(), "Eik");
    QCOMPARE(first->cell(0, 1).toString(), "Berg");
    first->MoveFirst();
    QCOMPARE(errorOf([&] { first->Delete(); }),
             QString("Raden er endret eller slettet på en annen arbeidsstasjon siden den ble lest "
                     "(databasen «%1»). Endringen er ikke lagret.")
                 .arg(fixture.path()));
}

void TestDbSnapshot::changeSinceSnapshotIsSeen_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("counted"); // the tables count their changes
    // Each case twice: checked against the whole database, and by the tables' counters.
    for (const bool counted : {false, true}) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(
                qPrintable(QString::fromLatin1(name) + (counted ? " (counted)" : "")));
        };
        row("update by another connection") << names << Change([](Setup &s) {
            s.fixture.open()->exec("UPDATE Katalog SET Etternavn = 'Eik' WHERE rid = 2");
        }) << counted;
        row("insert by another connection") << names << Change([](Setup &s) {
            s.fixture.open()->exec("INSERT INTO Katalog (Bruker) VALUES ('+479')");
        }) << counted;
        row("exec on the same connection") << names << Change([](Setup &s) {
            s.connection->exec("DELETE FROM Katalog WHERE rid = 3");
        }) << counted;
        row("update through a recordset sharing the rows") << names << Change([](Setup &s) {
            s.first->setValue("Etternavn", "Eik");
            s.first->Update();
        }) << counted;
        row("new row through another recordset") << names << Change([](Setup &s) {
            auto other = Recordset::open(s.connection, "SELECT Bruker FROM Katalog WHERE rid = 1");
            other->AddNew();
            other->setValue("Bruker", "+479");
            other->Update();
        }) << counted;
        row("delete through a recordset sharing the rows") << names << Change([](Setup &s) {
            s.first->MoveNext();
            s.first->Delete();
        }) << counted;
        row("view redefined on the same connection")
            << "SELECT Bruker, Etternavn FROM Navneliste" << Change([](Setup &s) {
                   s.connection->exec(
                       "DROP VIEW Navneliste; CREATE VIEW Navneliste AS SELECT Bruker, "
                       "Fornavn AS Etternavn FROM Katalog");
               })
            << counted;
    }
}

void TestDbSnapshot::changeSinceSnapshotIsSeen()
{
    QFETCH(QString, sql);
    QFETCH(Change, change);
    QFETCH(bool, counted);
    Fixture fixture(catalogue);
    Setup setup{fixture, fixture.open(), nullptr};
    if (counted)
        setup.connection->addChangeCounters();
    setup.first = Recordset::open(setup.connection, sql);
    auto held = Recordset::open(setup.connection, sql);
    const Rows before = rowsOf(*held);
    change(setup);
    const Rows after = freshRows(fixture, sql);
    QVERIFY(after != before);
    QCOMPARE(rowsOf(*Recordset::open(setup.connection, sql)), after);
    held->Requery();
    QCOMPARE(rowsOf(*held), after);
}

void TestDbSnapshot::eachKeepsItsOwnState_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("inSecond"); // else in the first, which the second shares
    QTest::addColumn<bool>("beforeSecondOpens");
    const Action edit = [](Recordset &rs) { rs.setValue("Etternavn", "Eik"); };
    const Action remove = [](Recordset &rs) {
        rs.MoveNext();
        rs.Delete();
    };
    const Action add = [](Recordset &rs) {
        rs.AddNew();
        rs.setValue("Bruker", "+479");
    };
    const Action sort = [](Recordset &rs) { rs.setSort("Etternavn DESC"); };
    QTest::newRow("pending edit in the first") << edit << false << false;
    QTest::newRow("pending edit in the second") << edit << true << false;
    QTest::newRow("pending edit before the second opens") << edit << false << true;
    QTest::newRow("deleted slot in the first") << remove << false << false;
    QTest::newRow("deleted slot in the second") << remove << true << false;
    QTest::newRow("pending new row in the second") << add << true << false;
    QTest::newRow("pending new row before the second opens") << add << false << true;
    QTest::newRow("sort of the first") << sort << false << false;
    QTest::newRow("sort of the second") << sort << true << false;
}

void TestDbSnapshot::eachKeepsItsOwnState()
{
    QFETCH(Action, action);
    QFETCH(bool, inSecond);
    QFETCH(bool, beforeSecondOpens);
    Fixture fixture(catalogue);
    auto db = fixture.open();
    const Rows original = freshRows(fixture, names);
    auto first = Recordset::open(db, names);
    if (beforeSecondOpens)
        action(*first);
    auto second = Recordset::open(db, names);
    if (!beforeSecondOpens)
        action(inSecond ? *second : *first);
    const Recordset &acted = inSecond ? *second : *first;
    const Recordset &other = inSecond ? *first : *second;
    QVERIFY(rowsOf(acted) != original);
    QCOMPARE(rowsOf(other), original);
    QCOMPARE(other.RecordCount(), 3);
    QCOMPARE(other.AbsolutePosition(), 1);
    QVERIFY(!other.editPending());
}

void TestDbSnapshot::otherParametersAreOtherQueries_data()
{
    QTest::addColumn<QVariantList>("held");
    QTest::addColumn<QVariantList>("asked");
    QTest::newRow("another value") << QVariantList{"1"} << QVariantList{"2"};
    // A real is bound as a real, which the text column compares as "1.0".
    QTest::newRow("the same number of another type") << QVariantList{1} << QVariantList{1.0};
}

void TestDbSnapshot::otherParametersAreOtherQueries()
{
    QFETCH(QVariantList, held);
    QFETCH(QVariantList, asked);
    const QString sql = "SELECT Bruker FROM Katalog WHERE Tillatelser = ?";
    Fixture fixture(catalogue);
    auto db = fixture.open();
    auto kept = Recordset::open(db, sql, held);
    const Rows expected = freshRows(fixture, sql, asked);
    QVERIFY(rowsOf(*kept) != expected);
    QCOMPARE(rowsOf(*Recordset::open(db, sql, asked)), expected);
}

void TestDbSnapshot::rowsReadInRolledBackTransactionAreNotKept()
{
    Fixture fixture(catalogue);
    auto db = fixture.open();
    std::shared_ptr<Recordset> inside;
    {
        Connection::Transaction transaction(db);
        db->exec("UPDATE Katalog SET Etternavn = 'Eik'");
        inside = Recordset::open(db, names);
        QCOMPARE(inside->cell(0, 1).toString(), "Eik");
    }
    const Rows original = freshRows(fixture, names);
    QCOMPARE(rowsOf(*Recordset::open(db, names)), original);
    inside->Requery();
    QCOMPARE(rowsOf(*inside), original);
}

void TestDbSnapshot::cloneRequeryAndOpenKeepTheirUpdatability()
{
    Fixture fixture(catalogue);
    auto db = fixture.open();
    auto updatable = Recordset::open(db, names);
    auto clone = updatable->Clone();
    clone->Requery();
    QVERIFY(clone->isReadOnly());
    updatable.reset();
    auto reopened = Recordset::open(db, names);
    QVERIFY(!reopened->isReadOnly());
    reopened->setValue("Etternavn", "Eik");
    reopened->Update();
    QCOMPARE(db->scalar("SELECT Etternavn FROM Katalog WHERE rid = 1").toString(), "Eik");
}

void TestDbSnapshot::queryThatVariesIsReadAgain()
{
    Fixture fixture(catalogue);
    auto db = fixture.open();
    const QString sql = "SELECT random() AS r FROM Katalog";
    auto first = Recordset::open(db, sql);
    QVERIFY(rowsOf(*Recordset::open(db, sql)) != rowsOf(*first));
}

// The memory of a released snapshot serves the next one: none of its cells or texts may show
// through in a set of other rows, where the new set has Nulls and shorter texts.
void TestDbSnapshot::releasedRowsLeaveNothingBehind()
{
    Fixture fixture(catalogue);
    auto db = fixture.open();
    db->exec("WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 5009) "
             "INSERT INTO Katalog (rid, Bruker, Etternavn, Fornavn) "
             "SELECT i, '+47' || i, printf('%.200c', 'x'), 'Fornavn' || i FROM n");
    const QString wide = "SELECT Bruker, Etternavn, Fornavn, Tillatelser FROM Katalog";
    Recordset::open(db, wide)->Close();
    db->exec("UPDATE Katalog SET Etternavn = NULL, Fornavn = 'F' WHERE rid >= 10");
    const QList<QVariantList> again = rowsOf(*Recordset::open(db, wide));
    QCOMPARE(again, freshRows(fixture, wide));
    QCOMPARE(again.size(), 5003);
    QVERIFY(again.last().at(1).isNull());
    QCOMPARE(again.last().at(2), QVariant(QStringLiteral("F")));
}

QTEST_GUILESS_MAIN(TestDbSnapshot)
#include "tst_db_snapshot.moc"

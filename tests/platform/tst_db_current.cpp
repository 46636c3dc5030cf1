// Whether a set's rows are still the query's answer, and a set brought up to date by reading
// again only the rows this connection's own writes changed.

#include "helper_db.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const char *rows = "INSERT INTO Katalog (rid, Bruker, Etternavn) VALUES (1, '+471', 'Berg'), "
                   "(2, '+472', 'Dal'), (3, '+473', 'Aas'), (4, '+474', 'Eik');"
                   "INSERT INTO TBLbrukere (rid, KeyBruker, KeyNummer, Status) VALUES "
                   "(1, '+471', '+479', 'Aktiv'), (2, '+472', '+479', 'NY'), "
                   "(3, '+473', '+479', 'Aktiv'), (4, '+474', '+479', 'Aktiv'), "
                   "(5, '+475', '+478', 'Aktiv');"
                   "INSERT INTO SMS_Sent (TilNummer, CMGS) VALUES ('+479', 'UNSENT');";

// One unit's rights with the names of their holders, as the user grid lists them.
QString rightsOfUnit(const QString &order = "t.rid")
{
    return "SELECT t.KeyBruker, k.Etternavn, t.Status, t.rid FROM TBLbrukere t LEFT JOIN "
           "Katalog k ON k.Bruker = t.KeyBruker WHERE t.KeyNummer = ? ORDER BY " +
           order;
}

// A change of this many rights in one go is more than the connection keeps notes of.
const char *manyRights = "INSERT INTO TBLbrukere (KeyBruker, KeyNummer) WITH RECURSIVE n(i) AS "
                         "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) SELECT "
                         "'+4740' || i, '+470' FROM n";

std::shared_ptr<Connection> countedConnection(const Fixture &fixture)
{
    auto c = fixture.open();
    c->addChangeCounters();
    return c;
}

} // namespace

class TestDbCurrent : public QObject
{
    Q_OBJECT
private slots:
    void stillCurrent_data();
    void stillCurrent();
    void editedClosedAndDeferredRows();
    void readChangedRows_data();
    void readChangedRows();
    void rowsReadAgainWriteBack();
    void streamedRowsAreBroughtUpToDateOnceRead();
};

void TestDbCurrent::stillCurrent_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("otherConnection");
    QTest::addColumn<bool>("current");
    QTest::newRow("unchanged") << "" << false << true;
    QTest::newRow("a read table") << "UPDATE TBLbrukere SET Status = 'x' WHERE rid = 5" << false
                                  << false;
    QTest::newRow("the other read table")
        << "UPDATE Katalog SET Etternavn = 'Lie' WHERE rid = 1" << false << false;
    QTest::newRow("a statement that changes no row")
        << "UPDATE Katalog SET Etternavn = 'Lie' WHERE rid = 9" << false << true;
    QTest::newRow("a table not read") << "UPDATE SMS_Sent SET CMGS = '17'" << false << true;
    QTest::newRow("another connection's commit to a read table")
        << "UPDATE TBLbrukere SET Status = 'x' WHERE rid = 1" << true << false;
    QTest::newRow("another connection's commit to a table not read")
        << "UPDATE SMS_Sent SET CMGS = '17'" << true << true;
    QTest::newRow("a change rolled back")
        << "BEGIN; UPDATE TBLbrukere SET Status = 'x'; ROLLBACK" << false << true;
    QTest::newRow("the schema") << "CREATE INDEX TBLbrukere_Konto ON TBLbrukere (Konto)" << false
                                << false;
    QTest::newRow("the schema, by another connection")
        << "CREATE TABLE Extra (rid INTEGER PRIMARY KEY)" << true << false;
}

void TestDbCurrent::stillCurrent()
{
    QFETCH(QString, change);
    QFETCH(bool, otherConnection);
    QFETCH(bool, current);
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    auto rights = Recordset::open(db, rightsOfUnit(), {"+479"});
    QVERIFY(rights->stillCurrent());
    if (!change.isEmpty())
        (otherConnection ? fixture.open() : db)->exec(change);
    QCOMPARE(rights->stillCurrent(), current);
    // Asked again, the answer holds; read anew, the rows are current.
    QCOMPARE(rights->stillCurrent(), current);
    rights->Requery();
    QVERIFY(rights->stillCurrent());
}

void TestDbCurrent::editedClosedAndDeferredRows()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    auto keyed = Recordset::open(db, "SELECT rid, Status FROM TBLbrukere ORDER BY rid");
    keyed->setValue("Status", "Ny");
    QVERIFY(!keyed->stillCurrent()); // an edit waiting to be written is not the query's answer
    keyed->Update();
    QVERIFY(!keyed->stillCurrent()); // nor are rows once written to
    auto deferred = Recordset::openDeferred(db, rightsOfUnit(), {"+479"});
    QVERIFY(deferred->stillCurrent()); // it reads the database as it stands when first used
    QVERIFY(deferred->deferred());
    auto closed = Recordset::open(db, rightsOfUnit(), {"+479"});
    closed->Close();
    QVERIFY(!closed->stillCurrent());
}

void TestDbCurrent::readChangedRows_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("otherConnection");
    QTest::addColumn<QString>("order");
    QTest::addColumn<bool>("readAlone");
    QTest::newRow("a right's status")
        << "UPDATE TBLbrukere SET Status = 'Registrerer' WHERE rid = 2" << false << "t.rid" << true;
    QTest::newRow("a new right") << "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Status) VALUES "
                                    "('+472', '+479', 'NY')"
                                 << false << "t.rid" << true;
    QTest::newRow("a right removed")
        << "DELETE FROM TBLbrukere WHERE rid = 1" << false << "t.rid" << true;
    QTest::newRow("a right leaving the unit")
        << "UPDATE TBLbrukere SET KeyNummer = '+478' WHERE rid = 3" << false << "t.rid" << true;
    QTest::newRow("a right joining the unit")
        << "UPDATE TBLbrukere SET KeyNummer = '+479' WHERE rid = 5" << false << "t.rid" << true;
    QTest::newRow("a right's id") << "UPDATE TBLbrukere SET rid = 9 WHERE rid = 2" << false
                                  << "t.rid" << true;
    QTest::newRow("a table not read")
        << "UPDATE SMS_Sent SET CMGS = '17'" << false << "t.rid" << true;
    QTest::newRow("many rows of a table not read, then a right")
        << QString("INSERT INTO SMS_Sent (CMGS) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                   "SELECT i + 1 FROM n WHERE i < 5000) SELECT 'UNSENT' FROM n; UPDATE "
                   "TBLbrukere SET Status = 'Sletter' WHERE rid = 4")
        << false << "t.rid" << true;
    QTest::newRow("more rights than are noted") << manyRights << false << "t.rid" << false;
    QTest::newRow("the catalogue, whose key the rows do not carry")
        << "UPDATE Katalog SET Etternavn = 'Lie' WHERE rid = 2" << false << "t.rid" << false;
    QTest::newRow("another connection's change")
        << "UPDATE TBLbrukere SET Status = 'Registrerer' WHERE rid = 2" << true << "t.rid" << false;
    QTest::newRow("a change rolled back before another")
        << "BEGIN; UPDATE TBLbrukere SET Status = 'x' WHERE rid = 1; ROLLBACK; UPDATE "
           "TBLbrukere SET Status = 'Registrerer' WHERE rid = 2"
        << false << "t.rid" << false;
    QTest::newRow("rows listed in another order")
        << "UPDATE TBLbrukere SET Status = 'Registrerer' WHERE rid = 2" << false
        << "t.KeyBruker DESC" << false;
}

void TestDbCurrent::readChangedRows()
{
    QFETCH(QString, change);
    QFETCH(bool, otherConnection);
    QFETCH(QString, order);
    QFETCH(bool, readAlone);
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    const QString sql = rightsOfUnit(order);
    auto rights = Recordset::open(db, sql, {"+479"});
    // Shown by name: a row read again takes its place in the sort, not at the end.
    rights->setSort("Etternavn");
    rights->find("rid", 4);
    const auto before = rowsOf(*rights);
    int resets = 0;
    connect(rights.get(), &Recordset::reset, this, [&] { ++resets; });
    (otherConnection ? fixture.open() : db)->exec(change);
    const bool wasCurrent = rights->stillCurrent();

    QCOMPARE(rights->readChangedRows("rid"), readAlone);
    if (!readAlone) {
        QCOMPARE(rowsOf(*rights), before);
        QCOMPARE(resets, 0);
        return;
    }
    auto fresh = Recordset::open(fixture.open(), sql, {"+479"});
    fresh->setSort("Etternavn");
    QCOMPARE(rowsOf(*rights), rowsOf(*fresh));
    QVERIFY(rights->stillCurrent());
    QCOMPARE(rights->value("rid").toInt(), 4); // the current row stays current
    QCOMPARE(resets, wasCurrent ? 0 : 1);
}

// A set that writes back keeps each row's own key when rows are read again around it.
void TestDbCurrent::rowsReadAgainWriteBack()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    auto rights = Recordset::open(
        db, "SELECT rid, KeyBruker, Status FROM TBLbrukere WHERE KeyNummer = ? ORDER BY rid",
        {"+479"});
    db->exec("INSERT INTO TBLbrukere (rid, KeyBruker, KeyNummer, Status) VALUES (7, '+477', "
             "'+479', 'NY')");
    db->exec("UPDATE TBLbrukere SET Status = 'Slett' WHERE rid = 3");
    QVERIFY(rights->readChangedRows("rid"));
    QVERIFY(!rights->isReadOnly());
    QVERIFY(rights->find("rid", 7));
    rights->setValue("Status", "Aktiv");
    rights->Update();
    rights->MoveFirst();
    QVERIFY(rights->find("rid", 3));
    QCOMPARE(rights->value("Status").toString(), "Slett");
    rights->setValue("Status", "Aktiv");
    rights->Update();
    QCOMPARE(db->scalar("SELECT group_concat(rid || Status, ' ') FROM TBLbrukere WHERE "
                        "KeyNummer = '+479'")
                 .toString(),
             "1Aktiv 2NY 3Aktiv 4Aktiv 7Aktiv");
}

// A list still being read in slices is not patched half-way; once read, it is.
void TestDbCurrent::streamedRowsAreBroughtUpToDateOnceRead()
{
    Fixture fixture(rows);
    auto db = countedConnection(fixture);
    db->exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer) WITH RECURSIVE n(i) AS (SELECT 1 "
             "UNION ALL SELECT i + 1 FROM n WHERE i < 2000) SELECT '+4740' || i, '+479' FROM n");
    const QString sql = rightsOfUnit();
    auto rights = Recordset::openStreamed(db, sql, {"+479"});
    QVERIFY(rights->streaming());
    db->exec("UPDATE TBLbrukere SET Status = 'Registrerer' WHERE rid = 2");
    QVERIFY(!rights->stillCurrent());
    if (rights->streaming())
        QVERIFY(!rights->readChangedRows("rid"));
    QTRY_VERIFY(!rights->streaming());
    QVERIFY(rights->readChangedRows("rid"));
    QCOMPARE(rowsOf(*rights), rowsOf(*Recordset::open(fixture.open(), sql, {"+479"})));
    QVERIFY(rights->stillCurrent());
}

QTEST_GUILESS_MAIN(TestDbCurrent)
#include "tst_db_current.moc"

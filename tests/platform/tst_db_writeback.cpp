#include "helper_db.h"
#include "platform/db/DbTexts.h"

#include <QSignalSpy>
#include <QtTest>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const char *catalogue = "INSERT INTO Katalog (rid, Bruker, Etternavn, Fornavn) VALUES "
                        "(1, '+471', 'Berg', 'Ola'), (2, '+472', 'Dal', 'Kari');";
// The conflict refusal; "%1" is the file.
const QString conflict = "Raden er endret eller slettet på en annen arbeidsstasjon siden den ble "
                         "lest (databasen «%1»). Endringen er ikke lagret.";

} // namespace

class TestDbWriteBack : public QObject
{
    Q_OBJECT
private slots:
    void optimisticCheck_data();
    void optimisticCheck();
    void deleteChecksEveryColumn();
    void addNewReadsTheNewRowBack();
    void failedInsertStaysPending();
    void pendingEditIsNeverWrittenImplicitly_data();
    void pendingEditIsNeverWrittenImplicitly();
    void assigningTheHeldValueMarksNothing();
};

void TestDbWriteBack::optimisticCheck_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("after"); // Etternavn || '/' || Fornavn of row 1
    QTest::newRow("untouched") << ""
                               << ""
                               << "Eik/Ola";
    QTest::newRow("same column changed")
        << "UPDATE Katalog SET Etternavn = 'Fjell' WHERE rid = 1" << conflict << "Fjell/Ola";
    QTest::newRow("case of the same column changed")
        << "UPDATE Katalog SET Etternavn = 'BERG' WHERE rid = 1" << conflict << "BERG/Ola";
    QTest::newRow("other column changed") << "UPDATE Katalog SET Fornavn = 'Per' WHERE rid = 1"
                                          << ""
                                          << "Eik/Per";
    QTest::newRow("row deleted") << "DELETE FROM Katalog WHERE rid = 1" << conflict << "";
}

void TestDbWriteBack::optimisticCheck()
{
    QFETCH(QString, other);
    QFETCH(QString, error);
    QFETCH(QString, after);
    Fixture fixture(catalogue);
    auto mine = fixture.open();
    auto rs = Recordset::open(mine, "SELECT Bruker, Etternavn, Fornavn FROM Katalog");
    auto workstation = fixture.open();
    if (!other.isEmpty())
        workstation->exec(other);
    rs->setValue("Etternavn", "Eik");
    QSignalSpy changed(rs.get(), &Recordset::rowChanged);
    QCOMPARE(errorOf([&] { rs->Update(); }), QString(error).replace("%1", fixture.path()));
    QCOMPARE(rs->editPending(), !error.isEmpty());
    QCOMPARE(rs->toText("Etternavn"), "Eik");
    QCOMPARE(changed.count(), error.isEmpty() ? 1 : 0);
    QCOMPARE(workstation->scalar("SELECT Etternavn || '/' || Fornavn FROM Katalog WHERE rid = 1")
                 .toString(),
             after);
    if (!error.isEmpty()) {
        rs->CancelUpdate();
        QVERIFY(!rs->editPending());
        QCOMPARE(rs->toText("Etternavn"), "Berg");
        // Read again, the row is what the other workstation left: changed, or gone from the
        // set with the cursor in its gap.
        rs->setValue("Etternavn", "Eik");
        const bool stored = !after.isEmpty();
        QCOMPARE(rs->Resync(), stored);
        QVERIFY(!rs->editPending());
        QCOMPARE(rs->RecordCount(), stored ? 2 : 1);
        if (stored) {
            QCOMPARE(rs->toText("Etternavn") + "/" + rs->toText("Fornavn"), after);
        } else {
            QCOMPARE(rs->AbsolutePosition(), -1);
            rs->MoveNext();
            QCOMPARE(rs->toText("Bruker"), "+472");
        }
    }
}

void TestDbWriteBack::deleteChecksEveryColumn()
{
    Fixture fixture(catalogue);
    auto rs = Recordset::open(fixture.open(), "SELECT Bruker, Etternavn, Fornavn FROM Katalog");
    fixture.open()->exec("UPDATE Katalog SET Fornavn = 'Per' WHERE rid = 1");
    QCOMPARE(errorOf([&] { rs->Delete(); }), conflict.arg(fixture.path()));
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->toText("Bruker"), "+471");
    rs->MoveNext();
    rs->Delete();
    QCOMPARE(fixture.open()->scalar("SELECT group_concat(Bruker) FROM Katalog"), QVariant("+471"));
}

void TestDbWriteBack::addNewReadsTheNewRowBack()
{
    Fixture fixture("INSERT INTO SMS_Sent (ID, TilNummer) VALUES (41, '+4790');"
                    "DELETE FROM SMS_Sent;");
    auto c = fixture.open();
    auto rs = Recordset::open(c, "SELECT ID, TilNummer, CMGS FROM SMS_Sent");
    QSignalSpy inserted(rs.get(), &Recordset::rowInserted);
    rs->AddNew();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(rs->RecordCount(), 1);
    QVERIFY(rs->isNull("ID"));
    rs->setValue("TilNummer", "+4791");
    rs->setValue("CMGS", "UNSENT");
    rs->Update();
    QCOMPARE(rs->value("ID").toInt(), 42); // never reused
    QVERIFY(!rs->editPending());
    rs->setValue("CMGS", "7");
    rs->Update();
    QCOMPARE(c->scalar("SELECT CMGS FROM SMS_Sent WHERE ID = 42"), QVariant("7"));

    auto modems = Recordset::open(c, "SELECT ModemNavn, ModemStatus FROM Modem");
    modems->AddNew();
    modems->setValue("ModemNavn", "M1");
    modems->Update();
    QCOMPARE(modems->value("ModemStatus"), QVariant(false)); // the column default, read back
    QVERIFY(modems->find("ModemNavn", "m1"));
}

void TestDbWriteBack::failedInsertStaysPending()
{
    Fixture fixture(catalogue);
    auto rs = Recordset::open(fixture.open(), "SELECT Bruker, Etternavn FROM Katalog");
    rs->MoveLast();
    rs->AddNew();
    rs->setValue("Bruker", "+471");
    QCOMPARE(errorOf([&] { rs->Update(); }),
             QString("Bruker «+471» finnes allerede i databasen «%1». Raden er ikke lagret.")
                 .arg(fixture.path()));
    QVERIFY(rs->editPending());
    QCOMPARE(rs->AbsolutePosition(), 3);
    rs->CancelUpdate();
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->toText("Bruker"), "+472");
    rs->AddNew();
    rs->setValue("Bruker", "+471");
    QVERIFY(rs->Resync()); // a row never stored is only dropped
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(rs->toText("Bruker"), "+472");
    rs->AddNew();
    rs->Delete(); // a new row not yet written is only dropped
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(fixture.open()->scalar("SELECT count(*) FROM Katalog"), QVariant(qlonglong(2)));
}

void TestDbWriteBack::pendingEditIsNeverWrittenImplicitly_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Update") << "update"
                            << "Eik";
    QTest::newRow("MoveNext") << "movenext"
                              << "Berg";
    QTest::newRow("find elsewhere") << "find"
                                    << "Berg";
    QTest::newRow("Sort") << "sort"
                          << "Berg";
    QTest::newRow("Requery") << "requery"
                             << "Berg";
    QTest::newRow("AddNew") << "addnew"
                            << "Berg";
    QTest::newRow("Close") << "close"
                           << "Berg";
    QTest::newRow("release") << "release"
                             << "Berg";
}

void TestDbWriteBack::pendingEditIsNeverWrittenImplicitly()
{
    QFETCH(QString, action);
    QFETCH(QString, stored);
    Fixture fixture(catalogue);
    auto rs = Recordset::open(fixture.open(), "SELECT Bruker, Etternavn FROM Katalog");
    rs->setValue("Etternavn", "Eik");
    QVERIFY(rs->editPending());
    if (action == "update")
        rs->Update();
    else if (action == "movenext")
        rs->MoveNext();
    else if (action == "find")
        QVERIFY(rs->find("Bruker", "+472"));
    else if (action == "sort")
        rs->setSort("Etternavn");
    else if (action == "requery")
        rs->Requery();
    else if (action == "addnew")
        rs->AddNew(), rs->CancelUpdate();
    else if (action == "close")
        rs->Close();
    else
        rs.reset();
    if (rs && rs->isOpen()) {
        rs->MoveFirst();
        QCOMPARE(rs->toText("Etternavn"), stored);
    }
    QCOMPARE(fixture.open()->scalar("SELECT Etternavn FROM Katalog WHERE rid = 1"),
             QVariant(stored));
    if (action == "close")
        QCOMPARE(errorOf([&] { rs->MoveFirst(); }), closedRowsText());
}

void TestDbWriteBack::assigningTheHeldValueMarksNothing()
{
    Fixture fixture(catalogue);
    auto rs = Recordset::open(fixture.open(), "SELECT Bruker, Etternavn FROM Katalog");
    rs->setValue("Etternavn", "Berg");
    QVERIFY(!rs->editPending());
    rs->setValue("Etternavn", "Eik");
    rs->setValue("Etternavn", "Berg");
    QVERIFY(!rs->editPending());
    rs->setValue("Etternavn", QVariant());
    QVERIFY(rs->isNull("Etternavn"));
    rs->Update();
    QVERIFY(fixture.open()->scalar("SELECT Etternavn FROM Katalog WHERE rid = 1").isNull());
}

QTEST_GUILESS_MAIN(TestDbWriteBack)
#include "tst_db_writeback.moc"

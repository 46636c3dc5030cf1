#include "helper_db.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace portiva;
using namespace portiva::testdb;

class TestDbConnection : public QObject
{
    Q_OBJECT
private slots:
    void connectionTextRoundTrip_data();
    void connectionTextRoundTrip();
    void connectionTextParsing_data();
    void connectionTextParsing();
    void openRefusals_data();
    void openRefusals();
    void originalFormAndAwkwardPathOpen();
    void parametersAreStoredAsTheProgramExpects();
    void noCaseFoldsBeyondAscii();
    void transactionCommitsOrRollsBack();
    void openRecordsetHoldsNoLock();
    void lockedDatabaseWaitsThenFails();
    void closedAndReleasedConnections();
};

void TestDbConnection::connectionTextRoundTrip_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << "/data/Brimo02.mdb"
                           << "buRtal";
    QTest::newRow("semicolon") << "/data/a;b/Brimo02.mdb"
                               << "buRtal";
    QTest::newRow("quote") << "/data/\"x\"/B.mdb"
                           << "pa;ss\"word";
    QTest::newRow("blanks kept") << "/data/my db.mdb"
                                 << " pw ";
}

void TestDbConnection::connectionTextRoundTrip()
{
    QFETCH(QString, path);
    QFETCH(QString, password);
    const ConnectionParts parts = parseConnectionString(buildConnectionString(path, password));
    QCOMPARE(parts.dataSource, path);
    QCOMPARE(parts.password, password);
}

void TestDbConnection::connectionTextParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");
    QTest::newRow("original") << "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=Brimo02.mdb;JET "
                                 "OLEDB:Database Password=buRtal"
                              << "Brimo02.mdb"
                              << "buRtal"
                              << "";
    QTest::newRow("compaction spelling")
        << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb;Jet OLEDB:Database Password=buRtal"
        << "x.mdb"
        << "buRtal"
        << "";
    QTest::newRow("keys any case, blanks") << " data source = x.mdb ; DATABASE PASSWORD=pw;Extra=1"
                                           << "x.mdb"
                                           << "pw"
                                           << "";
    QTest::newRow("no source") << "Provider=SQLCipher;Database Password=pw"
                               << ""
                               << ""
                               << "Invalid connection string";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "Invalid connection string";
}

void TestDbConnection::connectionTextParsing()
{
    QFETCH(QString, text);
    QFETCH(QString, source);
    QFETCH(QString, password);
    QFETCH(QString, error);
    ConnectionParts parts;
    QCOMPARE(errorOf([&] { parts = parseConnectionString(text); }), error);
    QCOMPARE(parts.dataSource, source);
    QCOMPARE(parts.password, password);
}

void TestDbConnection::openRefusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing file") << "missing"
                                  << "unable to open database file";
    QTest::newRow("wrong key") << "wrongkey"
                               << "file is encrypted or is not a database";
    QTest::newRow("not a database") << "text"
                                    << "file is encrypted or is not a database";
    QTest::newRow("empty file") << "empty"
                                << "The database file holds no tables.";
    QTest::newRow("keyed, no tables") << "notables"
                                      << "The database file holds no tables.";
}

void TestDbConnection::openRefusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, error);
    Fixture fixture;
    QString path = fixture.path();
    QString password = databasePassword();
    if (kind == "missing") {
        path = fixture.dir() + "/Nope.mdb";
    } else if (kind == "wrongkey") {
        password = "other";
    } else if (kind == "text" || kind == "empty") {
        path = fixture.dir() + "/file.mdb";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == "text")
            f.write(QByteArray(4096, 'x'));
    } else if (kind == "notables") {
        path = fixture.dir() + "/new.mdb";
        Connection::create(path, password)->exec("CREATE TABLE t(a); DROP TABLE t;");
    }
    QCOMPARE(errorOf([&] { Connection::open(buildConnectionString(path, password)); }), error);
    if (kind == "missing")
        QVERIFY(!QFile::exists(path));
}

void TestDbConnection::originalFormAndAwkwardPathOpen()
{
    Fixture fixture;
    auto c = Connection::open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + fixture.path() +
                              ";JET OLEDB:Database Password=" + databasePassword());
    QVERIFY(c->isOpen());
    QCOMPARE(c->path(), fixture.path());

    const QString odd = fixture.dir() + "/a;b \"c\".mdb";
    QVERIFY(QFile::copy(fixture.path(), odd));
    QCOMPARE(Connection::open(buildConnectionString(odd, databasePassword()))->path(), odd);
    QCOMPARE(errorOf([&] { Connection::create(odd, databasePassword()); }).isEmpty(), false);
}

void TestDbConnection::parametersAreStoredAsTheProgramExpects()
{
    Fixture fixture;
    auto c = fixture.open();
    QCOMPARE(c->exec("INSERT INTO Modem (ModemNavn, ModemStatus) VALUES (?, ?)",
                     {QString("O'Brien"), true}),
             1);
    QCOMPARE(c->lastInsertId(), 1);
    QCOMPARE(c->scalar("SELECT ModemStatus FROM Modem WHERE ModemNavn = ?", {"o'brien"}),
             QVariant(qlonglong(-1)));
    c->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS, Dato) VALUES (?, ?, ?, ?)",
            {QVariant(), QString(""), QByteArray("\x01\x02", 2), QDate(2009, 5, 10)});
    QCOMPARE(c->scalar("SELECT typeof(TilNummer) || typeof(SMS_Text) || typeof(CMGS) FROM "
                       "SMS_Sent"),
             QVariant("nulltextblob"));
    QCOMPARE(c->scalar("SELECT Dato FROM SMS_Sent"), QVariant("2009-05-10"));
    QVERIFY(c->scalar("SELECT ID FROM SMS_Sent WHERE ID = ?", {99}).isNull());
    QCOMPARE(errorOf([&] { c->exec("SELECT * FROM Passwords"); }), "no such table: Passwords");
}

void TestDbConnection::noCaseFoldsBeyondAscii()
{
    Fixture fixture("INSERT INTO TBLbrukere (KeyBruker, Konto, Status) VALUES "
                    "('+4711', 'Ærlig', 'NY'), ('+4712', 'gjest', 'Aktiv ');"
                    "INSERT INTO Katalog (Bruker) VALUES ('Øst');");
    auto c = fixture.open();
    QCOMPARE(c->scalar("SELECT KeyBruker FROM TBLbrukere WHERE Konto = ?", {"ærlig"}),
             QVariant("+4711"));
    QCOMPARE(c->scalar("SELECT count(*) FROM TBLbrukere WHERE Status = 'ny'"),
             QVariant(qlonglong(1)));
    QCOMPARE(c->scalar("SELECT count(*) FROM Brukere WHERE Konto = 'GJEST'"),
             QVariant(qlonglong(1)));
    QCOMPARE(errorOf([&] { c->exec("INSERT INTO Katalog (Bruker) VALUES ('øST')"); }),
             "UNIQUE constraint failed: Katalog.Bruker");
}

void TestDbConnection::transactionCommitsOrRollsBack()
{
    Fixture fixture;
    auto c = fixture.open();
    {
        Connection::Transaction t(c);
        c->exec("INSERT INTO Katalog (Bruker) VALUES ('+471')");
        t.commit();
    }
    {
        Connection::Transaction t(c);
        c->exec("INSERT INTO Katalog (Bruker) VALUES ('+472')");
    }
    QCOMPARE(c->scalar("SELECT group_concat(Bruker) FROM Katalog"), QVariant("+471"));
}

void TestDbConnection::openRecordsetHoldsNoLock()
{
    Fixture fixture("INSERT INTO Katalog (Bruker) VALUES ('+471'), ('+472');");
    auto a = fixture.open();
    auto rs = Recordset::open(a, "SELECT Bruker FROM Katalog");
    auto b = fixture.open();
    QCOMPARE(errorOf([&] { b->exec("VACUUM"); }), "");
    QCOMPARE(errorOf([&] { b->exec("DELETE FROM Katalog WHERE Bruker = '+472'"); }), "");
    QCOMPARE(rs->RecordCount(), 2);
}

void TestDbConnection::lockedDatabaseWaitsThenFails()
{
    Fixture fixture("INSERT INTO Katalog (Bruker) VALUES ('+471');");
    auto reader = fixture.open();
    reader->exec("BEGIN");
    reader->scalar("SELECT count(*) FROM Katalog");
    auto writer = fixture.open();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(errorOf([&] { writer->exec("INSERT INTO Katalog (Bruker) VALUES ('+472')"); }),
             "database is locked");
    QVERIFY2(timer.elapsed() >= 4500, "the busy timeout was not waited out");
    reader->exec("ROLLBACK");
}

void TestDbConnection::closedAndReleasedConnections()
{
    Fixture fixture("INSERT INTO Katalog (Bruker, Etternavn) VALUES ('+471', 'Berg');");
    auto shared = fixture.open();
    auto rs = Recordset::open(shared, "SELECT Bruker, Etternavn FROM Katalog");
    // Replacing the program-wide connection only releases it: the recordset still writes.
    shared = fixture.open();
    rs->setValue("Etternavn", "Dal");
    rs->Update();
    QCOMPARE(shared->scalar("SELECT Etternavn FROM Katalog"), QVariant("Dal"));

    auto rs2 = Recordset::open(shared, "SELECT Bruker, Etternavn FROM Katalog");
    shared->close();
    QVERIFY(!shared->isOpen());
    QCOMPARE(rs2->toText("Etternavn"), "Dal");
    rs2->setValue("Etternavn", "Eik");
    QCOMPARE(errorOf([&] { rs2->Update(); }), "The connection is closed.");
    QVERIFY(rs2->editPending());
    QCOMPARE(errorOf([&] { rs2->Requery(); }), "The connection is closed.");
    QCOMPARE(errorOf([&] { shared->exec("SELECT 1"); }), "The connection is closed.");
}

QTEST_GUILESS_MAIN(TestDbConnection)
#include "tst_db_connection.moc"

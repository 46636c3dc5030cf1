#include "helper_db.h"
#include "platform/db/DbTexts.h"
#include "platform/db/TextOrder.h"

#include "platform/db/DbError.h"
#include "platform/db/FileKey.h"
#include "programstate/Phrase.h"

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
    void keyOfAFileFollowsPasswordAndFile();
    void parametersAreStoredAsTheProgramExpects();
    void textComparisonsIgnoreCase();
    void transactionCommitsOrRollsBack();
    void openRecordsetHoldsNoLock();
    void lockedDatabaseWaitsThenFails();
    void closedAndReleasedConnections();
    void failuresSpeakTheChosenLanguage_data();
    void failuresSpeakTheChosenLanguage();
    void budgetEndsEveryWaitOfATick();
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
                               << "" << connectionTextRefused();
    QTest::newRow("empty") << ""
                           << ""
                           << "" << connectionTextRefused();
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
                                  << "Databasefilen «%1» finnes ikke eller kan ikke åpnes.";
    QTest::newRow("wrong key") << "wrongkey"
                               << "Filen «%1» er ikke en database for dette programmet, eller "
                                  "den har et annet passord.";
    QTest::newRow("not a database") << "text"
                                    << "Filen «%1» er ikke en database for dette programmet, "
                                       "eller den har et annet passord.";
    QTest::newRow("empty file") << "empty"
                                << "Databasefilen «%1» har ingen tabeller.";
    QTest::newRow("keyed, no tables") << "notables"
                                      << "Databasefilen «%1» har ingen tabeller.";
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
    QCOMPARE(errorOf([&] { Connection::open(buildConnectionString(path, password)); }),
             error.arg(QFileInfo(path).absoluteFilePath()));
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

// Later opens of a file take the key its password stands for instead of stretching the
// password again. That key must be the cipher's own (the file opens by it alone), must never
// let another password in, and must follow the file: one put in its place opens by its own.
void TestDbConnection::keyOfAFileFollowsPasswordAndFile()
{
    Fixture fixture("INSERT INTO Katalog (Bruker) VALUES ('+4711111111');");
    const QString path = fixture.path();
    const auto count = [&] {
        return fixture.open()->scalar("SELECT count(*) FROM Katalog").toInt();
    };
    QCOMPARE(count(), 1);
    QCOMPARE(count(), 1);

    const std::optional<QByteArray> raw = dbdetail::rawFileKey(path, databasePassword());
    QVERIFY(raw);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_key(db, raw->constData(), int(raw->size())), SQLITE_OK);
    const int rc =
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    QCOMPARE(rc, SQLITE_OK);

    const QString refused = QStringLiteral("Filen «%1» er ikke en database for dette programmet, "
                                           "eller den har et annet passord.")
                                .arg(QFileInfo(path).absoluteFilePath());
    for (int attempt = 0; attempt < 2; ++attempt)
        QCOMPARE(errorOf([&] { Connection::open(buildConnectionString(path, "other")); }), refused);

    Fixture other("INSERT INTO Katalog (Bruker) VALUES ('+4722222222'), ('+4733333333');");
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(other.path(), path));
    QCOMPARE(count(), 2);
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
    QCOMPARE(errorOf([&] { c->exec("SELECT * FROM Passwords"); }),
             QString("Tabellen Passwords mangler i databasen «%1».").arg(fixture.path()));
}

void TestDbConnection::textComparisonsIgnoreCase()
{
    Fixture fixture("INSERT INTO TBLbrukere (KeyBruker, Konto, Status) VALUES "
                    "('+4711', 'Ærlig', 'NY'), ('+4712', 'gjest', 'Aktiv ');"
                    "INSERT INTO Katalog (Bruker) VALUES ('Øst');");
    auto c = fixture.open();
    // The program's own comparisons fold every letter through the list collation; the
    // columns' NOCASE stays SQLite's own (ASCII letters), as every other program has it.
    QCOMPARE(
        c->scalar("SELECT KeyBruker FROM TBLbrukere WHERE Konto = ?" + listCollation(), {"ærlig"}),
        QVariant("+4711"));
    QVERIFY(c->scalar("SELECT KeyBruker FROM TBLbrukere WHERE Konto = ?", {"ærlig"}).isNull());
    QCOMPARE(c->scalar("SELECT count(*) FROM TBLbrukere WHERE Status = 'ny'"),
             QVariant(qlonglong(1)));
    QCOMPARE(c->scalar("SELECT count(*) FROM Brukere WHERE Konto = 'GJEST'"),
             QVariant(qlonglong(1)));
    QCOMPARE(errorOf([&] { c->exec("INSERT INTO Katalog (Bruker) VALUES ('ØST')"); }),
             QString("En rad med samme Bruker finnes allerede i databasen «%1». Raden er ikke "
                     "lagret.")
                 .arg(fixture.path()));
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
             QString("Databasen «%1» er i bruk på en annen arbeidsstasjon. Prøv igjen.")
                 .arg(fixture.path()));
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
    QCOMPARE(errorOf([&] { rs2->Update(); }), closedConnectionText());
    QVERIFY(rs2->editPending());
    QCOMPARE(errorOf([&] { rs2->Requery(); }), closedConnectionText());
    QCOMPARE(errorOf([&] { shared->exec("SELECT 1"); }), closedConnectionText());
}

QTEST_GUILESS_MAIN(TestDbConnection)
// Each kind of failure the file can give an operator, told in the chosen language with the
// file's name; a refused duplicate names the value typed.
void TestDbConnection::failuresSpeakTheChosenLanguage_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");
    const int locked = int(DatabaseError::Kind::Locked), full = int(DatabaseError::Kind::Full),
              constraint = int(DatabaseError::Kind::Constraint);
    QTest::newRow("locked, no")
        << "locked"
        << "47" << locked << "Databasen «%1» er i bruk på en annen arbeidsstasjon. Prøv igjen.";
    QTest::newRow("locked, da")
        << "locked"
        << "45" << locked << "Databasen «%1» er i brug på en anden arbejdsstation. Prøv igen.";
    QTest::newRow("locked, sv") << "locked"
                                << "46" << locked
                                << "Databasen «%1» används av en annan arbetsstation. Försök igen.";
    QTest::newRow("full, no") << "full"
                              << "47" << full << "Databasen «%1» kan ikke skrives: disken er full.";
    QTest::newRow("full, da") << "full"
                              << "45" << full << "Databasen «%1» kan ikke skrives: disken er fuld.";
    QTest::newRow("full, sv") << "full"
                              << "46" << full << "Databasen «%1» kan inte skrivas: disken är full.";
    QTest::newRow("duplicate, no")
        << "duplicate"
        << "47" << constraint
        << "KeyNummer «+4790000001» finnes allerede i databasen «%1». Raden er ikke lagret.";
    QTest::newRow("duplicate, da")
        << "duplicate"
        << "45" << constraint
        << "KeyNummer «+4790000001» findes allerede i databasen «%1». Rækken er ikke gemt.";
    QTest::newRow("duplicate, sv")
        << "duplicate"
        << "46" << constraint
        << "KeyNummer «+4790000001» finns redan i databasen «%1». Raden har inte sparats.";
    QTest::newRow("missing value, sv")
        << "missing"
        << "46" << constraint
        << "KeyNummer måste fyllas i. Raden har inte sparats i databasen «%1».";
}

void TestDbConnection::failuresSpeakTheChosenLanguage()
{
    QFETCH(QString, situation);
    QFETCH(QString, country);
    QFETCH(int, kind);
    QFETCH(QString, expected);
    Fixture fixture("INSERT INTO KEYTable (KeyNummer) VALUES ('+4790000001');");
    setPhraseLanguage(country);
    auto c = fixture.open();
    auto other = fixture.open();
    std::function<void()> call;
    if (situation == "locked") {
        other->exec("BEGIN EXCLUSIVE");
        call = [&] {
            Connection::BusyBudget budget(50);
            c->scalar("SELECT count(*) FROM KEYTable");
        };
    } else if (situation == "full") {
        // The file may not grow by a page: as a full disk tells SQLite.
        c->exec(QStringLiteral("PRAGMA max_page_count = %1")
                    .arg(c->scalar("PRAGMA page_count").toLongLong()));
        call = [&] { c->exec("INSERT INTO SMS_Sent (SMS_Text) VALUES (?)", {QString(8000, 'x')}); };
    } else {
        auto rs = Recordset::open(c, "SELECT KeyNummer, KeyNavn FROM KEYTable");
        rs->AddNew();
        if (situation == "duplicate")
            rs->setValue("KeyNummer", "+4790000001");
        else
            rs->setValue("KeyNavn", "Port");
        call = [rs] { rs->Update(); };
    }
    try {
        call();
        QFAIL("no failure");
    } catch (const DatabaseError &e) {
        QCOMPARE(int(e.kind()), kind);
        QCOMPARE(e.description(), expected.arg(fixture.path()));
        QCOMPARE(e.file(), fixture.path());
    }
    setPhraseLanguage("47");
}

// However many statements of one tick meet the lock, together they wait no longer than the
// budget, and the watch tells the tick what stopped it.
void TestDbConnection::budgetEndsEveryWaitOfATick()
{
    Fixture fixture("INSERT INTO Katalog (Bruker) VALUES ('+471');");
    auto holder = fixture.open();
    auto c = fixture.open();
    holder->exec("BEGIN EXCLUSIVE");
    FailureWatch watch;
    QElapsedTimer timer;
    timer.start();
    int failures = 0;
    {
        Connection::BusyBudget budget(250);
        for (int i = 0; i < 6; ++i)
            failures +=
                errorOf([&] { c->scalar("SELECT count(*) FROM Katalog"); }).isEmpty() ? 0 : 1;
    }
    QCOMPARE(failures, 6);
    QVERIFY2(timer.elapsed() < 450, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(watch.blocking());
    QCOMPARE(int(watch.blocking()->kind()), int(DatabaseError::Kind::Locked));
    QVERIFY(!watch.wrote());
    holder->exec("ROLLBACK");
}

#include "tst_db_connection.moc"

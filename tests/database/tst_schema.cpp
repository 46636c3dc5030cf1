#include "helper_sql.h"
#include "platform/db/TextOrder.h"
#include "platform/vb/Error.h"
#include "tests/support/TestDatabase.h"

#include <QTest>

using namespace portiva;
using test::rows;

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void columns_data();
    void columns();
    void everyTableHasIntegerKey();
    void assignedIdsAreNeverReused();
    void textIgnoresCase();
    void namesIgnoreCase();
    void uniqueKeysIgnoreCase();
    void brukereView();
    void brukertillatelserView();
    void modemStatusDefault();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void TestSchema::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
}

void TestSchema::columns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("expected");
    const auto cols = [](const char *list) { return QString::fromLatin1(list).split(u','); };
    QTest::newRow("KEYTable") << "KEYTable"
                              << cols("KeyNummer,KeyNavn,KeySikkerhet,Bygning,Admin,Admin1,Admin2,"
                                      "Admin3,Admin4,Admin5,Eget_Nummer,Beskrivelse,Alarmstatus,"
                                      "KeyStatus,Pulslengde,TimeInStart,TimeInStop,TimeOutStart,"
                                      "TimeOutStop,Tekst1,Tekst2,Tekst3,Tekst4,Tekst5,Tekst6");
    QTest::newRow("Katalog") << "Katalog"
                             << cols("Bruker,Etternavn,Fornavn,BrukerKort,Gate,Postnummer,Poststed,"
                                     "Tillatelser");
    QTest::newRow("TBLbrukere") << "TBLbrukere"
                                << cols("KeyBruker,KeyNummer,Gyldig fra,FraTid,Gyldig til,TilTid,"
                                        "Konto,Saldo,Status");
    QTest::newRow("NYEbrukere") << "NYEbrukere"
                                << cols("ID,Bruker,Etternavn,Fornavn,Gyldig fra,FraTid,Gyldig til,"
                                        "TilTid,Konto,Saldo,Status,KeyNummer");
    QTest::newRow("SMS_Sent") << "SMS_Sent"
                              << cols("ID,TilNummer,TilNummerKort,Etternavn,Fornavn,Dato,DatoLNG,"
                                      "SMS_Text,CMGS,TimeSent,TimeReceived,ReceivedStatus");
    QTest::newRow("SMS_Received")
        << "SMS_Received" << cols("ID,FraNummer,FraNummerKort,Etternavn,Fornavn,Dato,SMS_Text");
    QTest::newRow("LOGGData") << "LOGGData" << cols("KeyNummer,KeyUser,Fornavn,Etternavn,Dato");
    QTest::newRow("Passwords") << "Passwords" << cols("USER_ID,Password,SecurityLevel");
    QTest::newRow("Modem") << "Modem"
                           << cols("IMEICODE,ModemManufacturer,ModemName,ModemStatus,ModemOwner,"
                                   "ModemRenewed");
    QTest::newRow("TBLLanguage") << "TBLLanguage" << cols("ID,Norsk,Dansk,Svensk");
    QTest::newRow("Brukere") << "Brukere"
                             << cols("Bruker,Etternavn,Fornavn,Gyldig fra,FraTid,Gyldig til,"
                                     "TilTid,Konto,Status,Saldo,KeyNummer");
    QTest::newRow("brukertillatelser") << "brukertillatelser" << cols("Bruker,antallavkeynummer");
}

void TestSchema::columns()
{
    QFETCH(QString, table);
    QFETCH(QStringList, expected);
    QStringList found;
    QStringList untyped;
    const bool view = table.startsWith(u'B') || table.startsWith(u'b');
    for (const QVariantList &c :
         rows(*m_db->connection(), QStringLiteral("PRAGMA table_info(\"%1\")").arg(table))) {
        const QString name = c.at(1).toString();
        if (name == u"rid")
            continue;
        found.append(name);
        const QString type = c.at(2).toString();
        if (!view && type.isEmpty())
            untyped.append(name);
    }
    QCOMPARE(found, expected);
    QVERIFY2(untyped.isEmpty(), qPrintable(untyped.join(u',')));
    // Text columns fold case; the others are the key, day numbers, dates and the Boolean.
    if (!view) {
        const QString sql =
            rows(*m_db->connection(),
                 QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table))
                .value(0)
                .value(0)
                .toString();
        const qsizetype textColumns = sql.count(QStringLiteral(" TEXT "));
        QCOMPARE(sql.count(QStringLiteral(" TEXT COLLATE NOCASE")), textColumns);
        QVERIFY(textColumns > 0);
    }
}

void TestSchema::everyTableHasIntegerKey()
{
    const QList<QVariantList> tables =
        rows(*m_db->connection(), QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                 "'table' AND name NOT LIKE 'sqlite_%'"));
    QCOMPARE(tables.size(), 10);
    for (const QVariantList &t : tables) {
        bool keyed = false;
        for (const QVariantList &c :
             rows(*m_db->connection(),
                  QStringLiteral("PRAGMA table_info(\"%1\")").arg(t.at(0).toString()))) {
            if (c.at(5).toInt() == 1 && c.at(2).toString() == u"INTEGER")
                keyed = true;
        }
        QVERIFY2(keyed, qPrintable(t.at(0).toString()));
    }
}

void TestSchema::assignedIdsAreNeverReused()
{
    Connection &c = *m_db->connection();
    for (const char *table : {"NYEbrukere", "SMS_Sent", "SMS_Received"}) {
        const QString t = QString::fromLatin1(table);
        c.exec(QStringLiteral("INSERT INTO %1 (Etternavn) VALUES ('a')").arg(t));
        c.exec(QStringLiteral("INSERT INTO %1 (Etternavn) VALUES ('b')").arg(t));
        const qint64 last = c.lastInsertId();
        c.exec(QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(t), {last});
        c.exec(QStringLiteral("INSERT INTO %1 (Etternavn) VALUES ('c')").arg(t));
        QVERIFY2(c.lastInsertId() > last, table);
        c.exec(QStringLiteral("DELETE FROM %1").arg(t));
    }
}

void TestSchema::textIgnoresCase()
{
    Connection &c = *m_db->connection();
    c.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Konto, Status) "
                          "VALUES ('+4790000001', '+4791000001', 'Ærlig', 'NY')"));
    QCOMPARE(
        c.scalar(QStringLiteral("SELECT count(*) FROM TBLbrukere WHERE Status = 'ny'")).toInt(), 1);
    QCOMPARE(c.scalar(QStringLiteral("SELECT count(*) FROM TBLbrukere WHERE Konto = ?") +
                          listCollation(),
                      {QStringLiteral("ærlig")})
                 .toInt(),
             1);
    QCOMPARE(
        c.scalar(QStringLiteral("SELECT count(*) FROM TBLbrukere WHERE Konto = 'ÆRLIG '")).toInt(),
        0);
    c.exec(QStringLiteral("DELETE FROM TBLbrukere"));
}

void TestSchema::namesIgnoreCase()
{
    Connection &c = *m_db->connection();
    QCOMPARE(c.scalar(QStringLiteral("SELECT IMEICode FROM modem")).toString(),
             QStringLiteral("0"));
    QCOMPARE(c.scalar(QStringLiteral("SELECT count(tekst1) FROM KeyTable")).toInt(), 0);
    QCOMPARE(c.scalar(QStringLiteral("SELECT count(datolng) FROM SMS_Sent")).toInt(), 0);
    QCOMPARE(c.scalar(QStringLiteral("SELECT count(*) FROM TBLBrukere")).toInt(), 0);
    QCOMPARE(c.scalar(QStringLiteral("SELECT count(*) FROM brukere")).toInt(), 0);
}

void TestSchema::uniqueKeysIgnoreCase()
{
    Connection &c = *m_db->connection();
    c.exec(QStringLiteral("INSERT INTO Katalog (Bruker) VALUES ('Gjest')"));
    QVERIFY_THROWS_EXCEPTION(
        portiva::Error, c.exec(QStringLiteral("INSERT INTO Katalog (Bruker) VALUES ('gjest')")));
    QVERIFY_THROWS_EXCEPTION(portiva::Error,
                             c.exec(QStringLiteral("INSERT INTO KEYTable (KeyNavn) VALUES "
                                                   "('no number')")));
    c.exec(QStringLiteral("DELETE FROM Katalog"));
}

void TestSchema::brukereView()
{
    Connection &c = *m_db->connection();
    c.exec(QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn) VALUES "
                          "('+4790000011', 'Nordmann', 'Ola')"));
    c.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], Status) "
                          "VALUES ('+4790000099', '+4791000001', '1/2/2024', 'Ny'), "
                          "('+4790000011', '+4791000001', '5/3/2024', 'Aktiv ')"));
    const QList<QVariantList> all = rows(
        c, QStringLiteral("SELECT Bruker, Etternavn, Fornavn, [Gyldig fra], Status FROM Brukere"));
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).at(0).toString(), QStringLiteral("+4790000099"));
    QVERIFY(all.at(0).at(1).isNull()); // no catalogue row: names Null
    QCOMPARE(all.at(1).at(2).toString(), QStringLiteral("Ola"));
    QCOMPARE(all.at(1).at(3).toString(), QStringLiteral("5/3/2024"));
    QCOMPARE(
        c.scalar(QStringLiteral("SELECT Bruker FROM brukere WHERE status = 'aktiv '")).toString(),
        QStringLiteral("+4790000011"));
    QVERIFY_THROWS_EXCEPTION(portiva::Error,
                             c.exec(QStringLiteral("UPDATE Brukere SET Status = 'x'")));
    c.exec(QStringLiteral("DELETE FROM TBLbrukere"));
    c.exec(QStringLiteral("DELETE FROM Katalog"));
}

void TestSchema::brukertillatelserView()
{
    Connection &c = *m_db->connection();
    c.exec(QStringLiteral("INSERT INTO Katalog (Bruker) VALUES ('+4790000011'), ('+4790000012')"));
    c.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer) VALUES "
                          "('+4790000011', '+4791000001'), ('+4790000011', '+4791000002'), "
                          "('+4790000077', '+4791000001')"));
    const QList<QVariantList> counts = rows(
        c,
        QStringLiteral("SELECT Bruker, antallavkeynummer FROM brukertillatelser ORDER BY Bruker"));
    QCOMPARE(counts.size(), 2); // only catalogue persons
    QCOMPARE(counts.at(0).at(1).toInt(), 2);
    QCOMPARE(counts.at(1).at(1).toInt(), 0); // without rights: 0, so a recount resets the person
    c.exec(QStringLiteral("DELETE FROM TBLbrukere"));
    c.exec(QStringLiteral("DELETE FROM Katalog"));
}

void TestSchema::modemStatusDefault()
{
    Connection &c = *m_db->connection();
    c.exec(QStringLiteral("INSERT INTO Modem (ModemOwner) VALUES ('x')"));
    QCOMPARE(c.scalar(QStringLiteral("SELECT ModemStatus FROM Modem WHERE ModemOwner = 'X'")),
             QVariant(qlonglong(0)));
    QVERIFY_THROWS_EXCEPTION(
        portiva::Error, c.exec(QStringLiteral("INSERT INTO Modem (ModemStatus) VALUES (NULL)")));
    c.exec(QStringLiteral("DELETE FROM Modem WHERE ModemOwner = 'x'"));
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"

#include "helper_db.h"
#include "platform/db/DbTexts.h"

#include "platform/phrase/Phrase.h"
#include "platform/vb/Vb.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const char *rights = "INSERT INTO TBLbrukere (rid, KeyBruker, Konto, Status, Saldo) VALUES "
                     "(1, '+4711', 'Gjest', 'NY', '10'),"
                     "(2, '+4712', 'Ærlig', 'Aktiv ', '12'),"
                     "(3, '+4713', NULL, 'Ny', '9'),"
                     "(4, 'O''Brien', 'Mons', 'aktiv', NULL),"
                     "(5, '+4715', 'gjest', '', '0');";

QString keysInOrder(Recordset &rs, const QString &field)
{
    QStringList keys;
    for (int row = 0; row < rs.rowCount(); ++row)
        keys << rs.cellText(row, rs.fieldIndex(field), "-");
    return keys.join(' ');
}

} // namespace

class TestDbRecordset : public QObject
{
    Q_OBJECT
private slots:
    void refusalsSpeakTheChosenLanguage_data();
    void refusalsSpeakTheChosenLanguage();
    void updatability_data();
    void updatability();
    void navigation();
    void deleteThenMoveNext();
    void moveOnEmptiedSet_data();
    void moveOnEmptiedSet();
    void find_data();
    void find();
    void findLiteralCriteria();
    void sort_data();
    void sort();
    void sortKeptOverRequery();
    void values();
    void conversionsOnWrite_data();
    void conversionsOnWrite();
    void cloneIsIndependent();
};

void TestDbRecordset::updatability_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("writable");
    QTest::newRow("one table") << "SELECT KeyBruker, Konto FROM TBLbrukere" << true;
    QTest::newRow("keyword in a literal")
        << "select keybruker, konto from tblbrukere where Status <> 'group'" << true;
    QTest::newRow("bracketed") << "SELECT [Gyldig fra], Konto FROM TBLbrukere" << true;
    QTest::newRow("view with join") << "SELECT KeyBruker, Konto FROM Brukere" << false;
    QTest::newRow("aggregate view")
        << "SELECT Bruker, antallavkeynummer FROM brukertillatelser" << false;
    QTest::newRow("KEY_Antall") << "SELECT TBLBrukere.KeyBruker, Count(TBLBrukere.KeyNummer) AS "
                                   "KEY_Antall From TBLBrukere GROUP BY TBLBrukere.KeyBruker"
                                << false;
    QTest::newRow("distinct") << "SELECT DISTINCT Konto FROM TBLbrukere" << false;
    QTest::newRow("alias") << "SELECT t.Konto FROM TBLbrukere t" << false;
    QTest::newRow("join") << "SELECT TBLbrukere.Konto FROM TBLbrukere JOIN Katalog ON "
                             "Katalog.Bruker = TBLbrukere.KeyBruker"
                          << false;
    QTest::newRow("expression") << "SELECT Konto, 'x' AS Mark FROM TBLbrukere" << false;
}

void TestDbRecordset::updatability()
{
    QFETCH(QString, sql);
    QFETCH(bool, writable);
    Fixture fixture(QString(rights) + "INSERT INTO Katalog (Bruker) VALUES ('+4711');");
    auto c = fixture.open();
    auto rs = Recordset::open(c, sql);
    QCOMPARE(rs->isReadOnly(), !writable);
    const QString selected =
        sql.split(QRegularExpression("\\sfrom\\s", QRegularExpression::CaseInsensitiveOption))
            .first();
    QCOMPARE(rs->fieldCount(), selected.count(',') + 1);
    for (int i = 0; i < rs->fieldCount(); ++i)
        QVERIFY(rs->fieldName(i) != "__rowid__");
    QVERIFY(!rs->EOF());
    const QString error = errorOf([&] { rs->setValue(0, "+4799"); });
    QCOMPARE(error, writable ? "" : readOnlyRowsText());
    QCOMPARE(errorOf([&] { rs->AddNew(); }), writable ? "" : readOnlyRowsText());
}

void TestDbRecordset::refusalsSpeakTheChosenLanguage_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("expected");
    QTest::newRow("closed, no") << "closed"
                                << "47"
                                << "Ingen database er åpen, så ingenting ble lest eller lagret.";
    QTest::newRow("closed, da") << "closed"
                                << "45"
                                << "Ingen database er åben, så intet blev læst eller gemt.";
    QTest::newRow("closed, sv") << "closed"
                                << "46"
                                << "Ingen databas är öppen, så ingenting lästes eller sparades.";
    QTest::newRow("no row, no") << "no row"
                                << "47"
                                << "Ingen rad er valgt, så ingenting ble lest eller endret.";
    QTest::newRow("no row, da") << "no row"
                                << "45"
                                << "Ingen række er valgt, så intet blev læst eller ændret.";
    QTest::newRow("no row, sv") << "no row"
                                << "46"
                                << "Ingen rad är vald, så ingenting lästes eller ändrades.";
    QTest::newRow("deleted, da") << "deleted"
                                 << "45"
                                 << "Rækken er slettet, så den kan ikke læses eller ændres.";
    QTest::newRow("read-only, sv")
        << "read-only"
        << "46"
        << "De här raderna kan bara läsas, så ändringen har inte sparats.";
    QTest::newRow("unknown field, no") << "unknown field"
                                       << "47"
                                       << "Feltet Nope finnes ikke i denne listen.";
    QTest::newRow("empty field, sv") << "empty field"
                                     << "46"
                                     << "Fältet Konto är tomt, så det kan inte användas som text.";
    QTest::newRow("released, da") << "released"
                                  << "45"
                                  << "Listen er lukket, så intet blev læst eller gemt.";
}

// What the layer refuses reaches a window as its description: in the operator's language and
// words, never in the layer's own English.
void TestDbRecordset::refusalsSpeakTheChosenLanguage()
{
    QFETCH(QString, situation);
    QFETCH(QString, country);
    QFETCH(QString, expected);
    Fixture fixture(rights);
    auto c = fixture.open();
    setPhraseLanguage(country);
    const auto reset = qScopeGuard([] { setPhraseLanguage(QStringLiteral("47")); });
    auto rs = Recordset::open(c, "SELECT rid, Konto FROM TBLbrukere WHERE rid = 3");
    std::function<void()> call;
    if (situation == "closed") {
        call = [] { Recordset::open(nullptr, "SELECT 1"); };
    } else if (situation == "no row") {
        rs->MoveNext();
        call = [&] { rs->MoveNext(); };
    } else if (situation == "deleted") {
        rs->Delete();
        call = [&] { rs->value("Konto"); };
    } else if (situation == "read-only") {
        auto view = Recordset::open(c, "SELECT KeyBruker, count(*) AS n FROM TBLbrukere GROUP BY "
                                       "KeyBruker");
        call = [view] { view->AddNew(); };
    } else if (situation == "unknown field") {
        call = [&] { rs->value("Nope"); };
    } else if (situation == "empty field") {
        call = [&] { rs->toText("Konto"); };
    } else {
        rs->Close();
        call = [&] { rs->MoveFirst(); };
    }
    QCOMPARE(errorOf(call), expected);
}

void TestDbRecordset::navigation()
{
    Fixture fixture(rights);
    auto c = fixture.open();
    auto empty = Recordset::open(c, "SELECT Konto FROM TBLbrukere WHERE rid > ?", {100});
    QVERIFY(empty->BOF() && empty->EOF());
    empty->MoveFirst();
    empty->MoveLast();
    QCOMPARE(empty->RecordCount(), 0);
    QCOMPARE(errorOf([&] { empty->MoveNext(); }), noCurrentRowText());
    QCOMPARE(errorOf([&] { empty->MovePrevious(); }), noCurrentRowText());
    QCOMPARE(errorOf([&] { empty->value("Konto"); }), noCurrentRowText());

    auto rs = Recordset::open(c, "SELECT rid, Konto FROM TBLbrukere WHERE rid <= 3");
    QSignalSpy moved(rs.get(), &Recordset::currentChanged);
    QCOMPARE(rs->RecordCount(), 3);
    QCOMPARE(rs->AbsolutePosition(), 1);
    rs->MoveNext();
    rs->MoveNext();
    QCOMPARE(rs->AbsolutePosition(), 3);
    rs->MoveNext();
    QVERIFY(rs->EOF() && !rs->BOF());
    QCOMPARE(rs->AbsolutePosition(), -3);
    QCOMPARE(errorOf([&] { rs->MoveNext(); }), noCurrentRowText());
    rs->MovePrevious();
    QCOMPARE(rs->value("RID").toInt(), 3);
    rs->MoveFirst();
    rs->MovePrevious();
    QVERIFY(rs->BOF());
    QCOMPARE(rs->AbsolutePosition(), -2);
    QCOMPARE(errorOf([&] { rs->MovePrevious(); }), noCurrentRowText());
    rs->MoveNext();
    QCOMPARE(rs->value(0).toInt(), 1);
    rs->setAbsolutePosition(2);
    const int mark = rs->Bookmark();
    rs->MoveLast();
    rs->setBookmark(mark);
    QCOMPARE(rs->value(0).toInt(), 2);
    QCOMPARE(rs->rowOfCurrent(), 1);
    QCOMPARE(moved.count(), 10);
}

void TestDbRecordset::deleteThenMoveNext()
{
    Fixture fixture("INSERT INTO Katalog (rid, Bruker, Etternavn) VALUES (1, '+471', 'A'), "
                    "(2, '+472', 'B'), (3, '+473', 'B'), (4, '+474', 'C');");
    auto c = fixture.open();
    auto rs = Recordset::open(c, "SELECT Bruker, Etternavn FROM Katalog");
    QSignalSpy removed(rs.get(), &Recordset::rowRemoved);
    QVERIFY(rs->find("Etternavn", "B"));
    rs->Delete();
    QVERIFY(!rs->BOF() && !rs->EOF());
    QCOMPARE(rs->AbsolutePosition(), -1);
    QCOMPARE(rs->RecordCount(), 3);
    QCOMPARE(errorOf([&] { rs->value("Bruker"); }), deletedRowText());
    QCOMPARE(removed.takeFirst().at(0).toInt(), 1);
    rs->MoveNext();
    QCOMPARE(rs->toText("Bruker"), "+473");
    QCOMPARE(rs->AbsolutePosition(), 2);

    rs->MoveLast();
    rs->Delete();
    rs->MoveNext();
    QVERIFY(rs->EOF());
    QCOMPARE(c->scalar("SELECT group_concat(Bruker) FROM Katalog"), QVariant("+471,+473"));

    // The removal loop: find, delete, move next, find again, until nothing is found.
    c->exec("INSERT INTO Katalog (Bruker, Etternavn) VALUES ('+475', 'B'), ('+476', 'b'), "
            "('+477', 'D')");
    auto all = Recordset::open(c, "SELECT Bruker, Etternavn FROM Katalog");
    while (all->find("Etternavn", "B")) {
        all->Delete();
        all->MoveNext();
    }
    QCOMPARE(c->scalar("SELECT group_concat(Bruker) FROM Katalog"), QVariant("+471,+477"));
    rs->MovePrevious();
    QCOMPARE(rs->toText("Bruker"), "+473");
    QCOMPARE(errorOf([&] { rs->Delete(); }),
             QString("Raden er endret eller slettet på en annen arbeidsstasjon siden den ble lest "
                     "(databasen «%1»). Endringen er ikke lagret.")
                 .arg(fixture.path()));
}

void TestDbRecordset::moveOnEmptiedSet_data()
{
    QTest::addColumn<bool>("deleteTheRow"); // else an unwritten new row in an empty set
    QTest::addColumn<bool>("last");         // MoveLast, else MoveFirst
    QTest::newRow("only row deleted, MoveFirst") << true << false;
    QTest::newRow("only row deleted, MoveLast") << true << true;
    QTest::newRow("new row dropped, MoveFirst") << false << false;
    QTest::newRow("new row dropped, MoveLast") << false << true;
}

// With no row left, the set stands at its end: a "MoveFirst, Do Until EOF" loop ends at once
// instead of reading a row that is gone.
void TestDbRecordset::moveOnEmptiedSet()
{
    QFETCH(bool, deleteTheRow);
    QFETCH(bool, last);
    Fixture fixture("INSERT INTO Katalog (rid, Bruker, Etternavn) VALUES (1, '+471', 'A');");
    auto c = fixture.open();
    auto rs = Recordset::open(c, deleteTheRow ? "SELECT Bruker, Etternavn FROM Katalog"
                                              : "SELECT Bruker, Etternavn FROM Katalog "
                                                "WHERE rid > 1");
    if (deleteTheRow) {
        rs->Delete();
    } else {
        rs->AddNew();
        rs->setValue("Bruker", "+472");
    }
    if (last)
        rs->MoveLast();
    else
        rs->MoveFirst();
    QCOMPARE(rs->RecordCount(), 0);
    QVERIFY(rs->BOF());
    QVERIFY(rs->EOF());
    QCOMPARE(errorOf([&] { rs->value("Bruker"); }), noCurrentRowText());
    QCOMPARE(errorOf([&] { rs->MoveNext(); }), noCurrentRowText());
    QCOMPARE(c->scalar("SELECT count(*) FROM Katalog").toInt(), deleteTheRow ? 0 : 1);
}

void TestDbRecordset::find_data()
{
    QTest::addColumn<int>("startRow"); // 0 = BOF, -1 = EOF, else 1-based
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("skip");
    QTest::addColumn<bool>("backward");
    QTest::addColumn<int>("found"); // rid, 0 = not found
    QTest::newRow("ignores case") << 1 << "Status" << QVariant("ny") << 0 << false << 1;
    QTest::newRow("current row included") << 2 << "Status" << QVariant("AKTIV ") << 0 << false << 2;
    QTest::newRow("skip one") << 1 << "Status" << QVariant("NY") << 1 << false << 3;
    QTest::newRow("from BOF") << 0 << "Status" << QVariant("ny") << 0 << false << 1;
    QTest::newRow("folds æ") << 1 << "KONTO" << QVariant("ærlig") << 0 << false << 2;
    QTest::newRow("apostrophe as a value")
        << 1 << "KeyBruker" << QVariant("O'Brien") << 0 << false << 4;
    QTest::newRow("stored trailing blank") << 1 << "Status" << QVariant("Aktiv") << 0 << false << 4;
    QTest::newRow("number against text") << 1 << "Saldo" << QVariant(12) << 0 << false << 2;
    QTest::newRow("Null never matches") << 1 << "Konto" << QVariant() << 0 << false << 0;
    QTest::newRow("empty text is not Null") << 1 << "Status" << QVariant("") << 0 << false << 5;
    QTest::newRow("numeric id") << 1 << "rid" << QVariant("4") << 0 << false << 4;
    QTest::newRow("numeric id, not as text") << 1 << "rid" << QVariant("04") << 0 << false << 4;
    QTest::newRow("at EOF") << -1 << "Status" << QVariant("ny") << 0 << false << 0;
    QTest::newRow("backward from EOF") << -1 << "Status" << QVariant("ny") << 0 << true << 3;
    QTest::newRow("nothing") << 1 << "Konto" << QVariant("Ingen") << 0 << false << 0;
}

void TestDbRecordset::find()
{
    QFETCH(int, startRow);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(int, skip);
    QFETCH(bool, backward);
    QFETCH(int, found);
    Fixture fixture(rights);
    auto rs = Recordset::open(fixture.open(),
                              "SELECT rid, KeyBruker, Konto, Status, Saldo FROM TBLbrukere");
    if (startRow == 0)
        rs->MovePrevious();
    else if (startRow == -1)
        rs->MoveNext(), rs->MoveLast(), rs->MoveNext();
    else
        rs->setAbsolutePosition(startRow);
    const auto direction =
        backward ? Recordset::Direction::Backward : Recordset::Direction::Forward;
    bool result = false;
    QCOMPARE(errorOf([&] { result = rs->find(field, value, skip, direction); }), "");
    QCOMPARE(result, found != 0);
    if (found)
        QCOMPARE(rs->value("rid").toInt(), found);
    else
        QVERIFY(backward ? rs->BOF() : rs->EOF());
}

void TestDbRecordset::findLiteralCriteria()
{
    Fixture fixture(rights);
    auto rs = Recordset::open(fixture.open(), "SELECT rid, KeyBruker, Status FROM TBLbrukere");
    QVERIFY(rs->find("[KeyBruker] ='O''Brien'"));
    QCOMPARE(rs->value("rid").toInt(), 4);
    rs->MoveFirst();
    QVERIFY(rs->find("rid = 3"));
    QCOMPARE(rs->toText("Status"), "Ny");
    QCOMPARE(errorOf([&] { rs->find("Status like 'N%'"); }),
             criterionRefusedText("Status like 'N%'"));
    QCOMPARE(errorOf([&] { rs->find("Nope", "x"); }), unknownFieldText("Nope"));
}

void TestDbRecordset::sort_data()
{
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("order"); // rid
    QTest::addColumn<QString>("error");
    QTest::newRow("query order") << ""
                                 << "1 2 3 4 5"
                                 << "";
    QTest::newRow("text ignoring case, Null first") << "Konto"
                                                    << "3 1 5 4 2"
                                                    << "";
    QTest::newRow("desc then key") << "konto DESC, rid"
                                   << "2 4 1 5 3"
                                   << "";
    QTest::newRow("digit text as text") << "[Saldo] ASC"
                                        << "4 5 1 2 3"
                                        << "";
    QTest::newRow("numbers numerically") << "rid desc"
                                         << "5 4 3 2 1"
                                         << "";
    QTest::newRow("unknown field") << "Nope"
                                   << "1 2 3 4 5" << unknownFieldText("Nope");
    QTest::newRow("bad direction") << "Konto SIDEWAYS"
                                   << "1 2 3 4 5" << sortRefusedText("Konto SIDEWAYS");
    QTest::newRow("empty key") << "Konto,,rid"
                               << "1 2 3 4 5" << sortRefusedText("Konto,,rid");
}

void TestDbRecordset::sort()
{
    QFETCH(QString, sort);
    QFETCH(QString, order);
    QFETCH(QString, error);
    Fixture fixture(rights);
    auto rs = Recordset::open(fixture.open(), "SELECT rid, Konto, Saldo FROM TBLbrukere");
    rs->MoveLast();
    QCOMPARE(errorOf([&] { rs->setSort(sort); }), error);
    QCOMPARE(keysInOrder(*rs, "rid"), order);
    QCOMPARE(rs->AbsolutePosition(), error.isEmpty() ? 1 : 5);
}

void TestDbRecordset::sortKeptOverRequery()
{
    Fixture fixture("INSERT INTO SMS_Sent (ID, Dato, datolng, CMGS) VALUES "
                    "(1, '2009-05-11', 39944, 'UNSENT'), (2, '2009-05-10', 39943, 'UNSENT'), "
                    "(10, '2009-05-10', 39943, '5'), (3, '2009-12-01', 40148, 'UNSENT');");
    auto c = fixture.open();
    auto rs = Recordset::open(c, "SELECT ID, Dato, datolng, CMGS FROM SMS_Sent ORDER BY CMGS");
    rs->setSort("datolng, ID");
    QCOMPARE(keysInOrder(*rs, "ID"), "2 10 1 3");
    rs->setSort("Dato DESC");
    QCOMPARE(keysInOrder(*rs, "ID"), "3 1 10 2"); // equal dates keep query order
    c->exec("INSERT INTO SMS_Sent (ID, Dato, datolng) VALUES (4, '2010-01-01', 40179)");
    rs->MoveLast();
    rs->Requery();
    QCOMPARE(rs->Sort(), "Dato DESC");
    QCOMPARE(keysInOrder(*rs, "ID"), "4 3 1 10 2");
    QCOMPARE(rs->AbsolutePosition(), 1);
    QVERIFY(rs->find("CMGS", "unsent"));
    QCOMPARE(rs->value("ID").toInt(), 3);
}

void TestDbRecordset::values()
{
    Fixture fixture(QString(rights) +
                    "INSERT INTO SMS_Sent (ID, Dato, datolng) VALUES (7, '2009-05-10', 39943);"
                    "INSERT INTO Modem (ModemNavn, ModemStatus) VALUES ('M1', -1);");
    auto c = fixture.open();
    auto rs =
        Recordset::open(c, "SELECT Konto, Status, [Gyldig fra] FROM TBLbrukere WHERE rid = 5");
    QVERIFY(!rs->isNull("STATUS"));
    QCOMPARE(rs->toText("status"), "");
    QVERIFY(rs->isNull("[Gyldig fra]"));
    QCOMPARE(errorOf([&] { rs->toText("Gyldig fra"); }), emptyFieldText("Gyldig fra"));
    QCOMPARE(rs->toTextOr("Gyldig fra", "-"), "-");
    QCOMPARE(errorOf([&] { rs->value("Nope"); }), unknownFieldText("Nope"));

    auto sms = Recordset::open(c, "SELECT ID, Dato, datolng FROM SMS_Sent");
    QCOMPARE(sms->value("dato"), QVariant(QDate(2009, 5, 10)));
    QCOMPARE(sms->toText("DATO"), vb::shortDateText(QDate(2009, 5, 10)));
    QCOMPARE(sms->toText("datolng"), "39943");
    QCOMPARE(sms->value("ID").typeId(), QMetaType::LongLong);

    auto modem = Recordset::open(c, "SELECT ModemNavn, ModemStatus FROM Modem");
    QCOMPARE(modem->value("modemstatus"), QVariant(true));
    QCOMPARE(modem->toText("ModemStatus"), "True");
}

void TestDbRecordset::conversionsOnWrite_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored"); // quote(column) as the database holds it
    QTest::addColumn<QString>("error");
    const QString key = "SELECT KeyNummer, KeySikkerhet FROM KEYTable";
    const QString modem = "SELECT ModemNavn, ModemStatus FROM Modem";
    const QString sms = "SELECT ID, Dato, datolng FROM SMS_Sent";
    QTest::newRow("whole number into text") << key << "KeySikkerhet" << QVariant(4.0) << "'4'"
                                            << "";
    QTest::newRow("fraction into text") << key << "KeySikkerhet" << QVariant(2.5) << "'2.5'"
                                        << "";
    QTest::newRow("Boolean into text") << key << "KeySikkerhet" << QVariant(true) << "'True'"
                                       << "";
    QTest::newRow("date into text") << key << "KeySikkerhet" << QVariant(QDate(2009, 5, 10))
                                    << "'7'" << fieldTypeText("KeySikkerhet");
    QTest::newRow("Null into text") << key << "KeySikkerhet" << QVariant() << "NULL"
                                    << "";
    QTest::newRow("true into Boolean") << modem << "ModemStatus" << QVariant(true) << "-1"
                                       << "";
    QTest::newRow("1 into Boolean") << modem << "ModemStatus" << QVariant(1) << "-1"
                                    << "";
    QTest::newRow("text into Boolean") << modem << "ModemStatus" << QVariant("FALSE") << "0"
                                       << "";
    QTest::newRow("junk into Boolean")
        << modem << "ModemStatus" << QVariant("ja") << "0" << fieldTypeText("ModemStatus");
    QTest::newRow("date into DATE")
        << sms << "Dato" << QVariant(QDate(2010, 1, 2)) << "'2010-01-02'"
        << "";
    QTest::newRow("text number into INTEGER") << sms << "datolng" << QVariant(" 39944 ") << "39944"
                                              << "";
    QTest::newRow("fraction into INTEGER")
        << sms << "datolng" << QVariant(1.5) << "39943" << fieldTypeText("datolng");
}

void TestDbRecordset::conversionsOnWrite()
{
    QFETCH(QString, sql);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    QFETCH(QString, error);
    Fixture fixture("INSERT INTO KEYTable (KeyNummer, KeySikkerhet) VALUES ('+4790', '7');"
                    "INSERT INTO Modem (ModemNavn, ModemStatus) VALUES ('M1', 0);"
                    "INSERT INTO SMS_Sent (Dato, datolng) VALUES ('2009-05-10', 39943);");
    auto c = fixture.open();
    auto rs = Recordset::open(c, sql);
    QCOMPARE(errorOf([&] { rs->setValue(field, value); }), error);
    rs->Update();
    const QString table = sql.section(' ', -1);
    QCOMPARE(c->scalar(QString("SELECT quote(%1) FROM %2").arg(field, table)).toString(), stored);
    QVERIFY(!rs->editPending());
}

void TestDbRecordset::cloneIsIndependent()
{
    Fixture fixture(rights + QString("INSERT INTO TBLbrukere (rid, Konto) VALUES (6, 'Z');"));
    auto rs = Recordset::open(fixture.open(), "SELECT rid, Konto FROM TBLbrukere");
    rs->setSort("rid DESC");
    rs->setAbsolutePosition(5);
    auto copy = rs->Clone();
    QCOMPARE(rs->AbsolutePosition(), 5);
    QCOMPARE(copy->AbsolutePosition(), 1);
    QVERIFY(copy->isReadOnly());
    QCOMPARE(keysInOrder(*copy, "rid"), "6 5 4 3 2 1");
    rs->Delete();
    rs->MoveFirst();
    rs->setValue("Konto", "Endret");
    rs->Update();
    QCOMPARE(copy->RecordCount(), 6);
    copy->setAbsolutePosition(5);
    QCOMPARE(copy->value("rid").toInt(), 2);
    copy->MoveFirst();
    QCOMPARE(copy->toText("Konto"), "Z");
    QCOMPARE(rs->toText("Konto"), "Endret");
}

QTEST_GUILESS_MAIN(TestDbRecordset)
#include "tst_db_recordset.moc"
